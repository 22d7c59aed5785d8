// The original editor's model: the gap buffer, keys, mouse, clipboard, find and replace,
// and the print computations.
#include <gtest/gtest.h>

#include <random>

#include "shell/ConfigureUnit.h"
#include "shell/GapBuffer.h"
#include "shell/OriginalEditorBuffer.h"
#include "shell/PrintLayout.h"

using namespace pellix;

namespace {

std::string Str(std::string_view v) {
    return std::string(v);
}

// A buffer holding `text` (CR line ends) with the caret at `caret`.
OriginalEditorBuffer With(const std::string& text, size_t caret = 0) {
    OriginalEditorBuffer b;
    b.Load(text);
    b.SetCaret(caret);
    return b;
}

} // namespace

TEST(GapBuffer, RandomEditsMatchAPlainStringWithItsLines) {
    // Edits all over the text move the gap back and forth; text and line index must
    // always agree with a plain string.
    GapBuffer g(5000);
    std::string model;
    std::mt19937 rng(7);
    const char alphabet[] = "ab\rcd\r\r ";
    for (int step = 0; step < 3000; ++step) {
        size_t pos = model.empty() ? 0 : rng() % (model.size() + 1);
        if (rng() % 3 != 0) {
            std::string piece(rng() % 6, 'x');
            for (char& c : piece)
                c = alphabet[rng() % (sizeof alphabet - 1)];
            bool fits = piece.size() <= 5000 - model.size();
            ASSERT_EQ(g.Insert(pos, piece), fits);
            if (fits) model.insert(pos, piece);
        } else {
            size_t n = rng() % 8;
            g.Erase(pos, n);
            model.erase(pos, n);
        }
        ASSERT_EQ(g.Length(), model.size());
        if (step % 50 == 0) {
            ASSERT_EQ(Str(g.Contiguous()), model);
            ASSERT_EQ(g.CString()[model.size()], '\0');
        }
        ASSERT_EQ(g.LineCount(), size_t(std::count(model.begin(), model.end(), '\r')) + 1);
        if (model.empty()) continue;
        size_t probe = rng() % model.size();
        ASSERT_EQ(g.At(probe), model[probe]);
        size_t line = g.LineOf(probe);
        size_t start = g.LineStart(line);
        ASSERT_LE(start, probe);
        ASSERT_TRUE(start == 0 || model[start - 1] == '\r');
        size_t end = g.LineEnd(line);
        ASSERT_TRUE(end == model.size() || model[end] == '\r');
        ASSERT_EQ(g.Substr(start, end - start), model.substr(start, end - start));
    }
}

TEST(GapBuffer, HoldsExactlyItsCapacity) {
    GapBuffer g(4);
    EXPECT_TRUE(g.Insert(0, "abcd"));
    EXPECT_FALSE(g.Insert(2, "x")) << "nothing of a text that does not fit goes in";
    EXPECT_EQ(Str(g.Contiguous()), "abcd");
    EXPECT_EQ(g.Room(), 0u);
    g.Erase(1, 2);
    EXPECT_TRUE(g.Insert(1, "XY"));
    EXPECT_EQ(Str(g.Contiguous()), "aXYd");
    EXPECT_EQ(g.Find('Y', 0, 4), 2u);
    EXPECT_EQ(g.Find('z', 0, 4), 4u);
}

TEST(OriginalEditor, PastedLineFeedsBecomeCrAndCopiesGoOutAsCrLf) {
    OriginalEditorBuffer b;
    ASSERT_TRUE(b.Paste("one\ntwo\r\nthree\r\n\nfour\x01\x7f"));
    EXPECT_EQ(Str(b.Text()), "one\rtwo\rthree\r\rfour\x7f");
    EXPECT_EQ(b.Text().find('\n'), std::string::npos);
    b.SelectAll();
    EXPECT_EQ(b.CopyText(), "one\r\ntwo\r\nthree\r\n\r\nfour\x7f");
    EXPECT_EQ(b.FileText(), b.CopyText());
    b.SetCaret(0);
    EXPECT_EQ(b.CopyText(), "") << "nothing selected, nothing copied";

    // A file's bytes: line feeds go, but a lone LF still ends its line.
    const char raw[] = "a\nb\r\nc\rd\te\0f";
    ASSERT_TRUE(b.Load(std::string_view(raw, sizeof raw - 1)));
    EXPECT_EQ(Str(b.Text()), "a\rb\rc\rd\tef");
    EXPECT_FALSE(b.Modified());
    EXPECT_EQ(b.Caret(), 0u);
    EXPECT_FALSE(b.HasSelection());
}

TEST(OriginalEditor, TheMillionCharacterLimit) {
    OriginalEditorBuffer b;
    std::string full(kOriginalEditorCapacity, 'x');
    ASSERT_TRUE(b.Load(full));
    EXPECT_FALSE(b.Type('y')) << "typing beyond the limit is ignored";
    EXPECT_EQ(b.Length(), kOriginalEditorCapacity);
    EXPECT_FALSE(b.Load(full + "y")) << "a file that does not fit is refused whole";
    EXPECT_EQ(b.Length(), kOriginalEditorCapacity);

    // Replacing a selection needs only the room the selection leaves.
    b.Select(0, 3);
    EXPECT_TRUE(b.Type('A'));
    EXPECT_EQ(b.Length(), kOriginalEditorCapacity - 2);
    EXPECT_FALSE(b.Paste("abc")) << "three characters do not fit in two";
    EXPECT_EQ(b.Length(), kOriginalEditorCapacity - 2);
    EXPECT_TRUE(b.Paste("ab"));
    EXPECT_EQ(b.Length(), kOriginalEditorCapacity);

    // Replace All stops, and says so, when the text would outgrow the buffer.
    OriginalEditorBuffer r;
    ASSERT_TRUE(r.Load(std::string(kOriginalEditorCapacity - 7, 'a') + "x-x-x"));
    bool full2 = false;
    EXPECT_EQ(r.ReplaceAll("x", "yyy", true, false, &full2), 1);
    EXPECT_TRUE(full2);
    EXPECT_LE(r.Length(), kOriginalEditorCapacity);
}

TEST(OriginalEditor, TextSizeStaysWithinOneToSeventyTwo) {
    OriginalEditorBuffer b;
    EXPECT_EQ(b.FontSize(), 9);
    while (b.TextBigger()) {
    }
    EXPECT_EQ(b.FontSize(), 72);
    EXPECT_FALSE(b.TextBigger());
    EXPECT_EQ(b.FontSize(), 72);
    while (b.TextSmaller()) {
    }
    EXPECT_EQ(b.FontSize(), 1);
    EXPECT_FALSE(b.TextSmaller());
    EXPECT_EQ(b.FontSize(), 1);
}

TEST(OriginalEditor, DoubleClickSelectsAWordAndTripleTheLine) {
    //                          0123456789012345678901
    OriginalEditorBuffer b = With("start:\tMOV  W,#loop_2 ;x\rnext");
    size_t inWord = 17; // in "loop_2"
    EXPECT_EQ(b.Press(inWord, 1000, false), ClickKind::Caret);
    EXPECT_FALSE(b.HasSelection());
    EXPECT_EQ(b.Press(inWord, 1400, false), ClickKind::Word);
    EXPECT_EQ(b.SelectedText(), "loop_2") << "letters, digits and underscores";
    EXPECT_EQ(b.Press(inWord, 1899, false), ClickKind::Line);
    EXPECT_EQ(b.SelectedText(), "start:\tMOV  W,#loop_2 ;x\r");
    EXPECT_EQ(b.Press(inWord, 2000, false), ClickKind::Caret) << "a fourth starts over";

    // Too slow: 500 ms or more is a new click.
    b.Press(2, 5000, false);
    EXPECT_EQ(b.Press(2, 5500, false), ClickKind::Caret);
    EXPECT_EQ(b.Press(2, 5600, false), ClickKind::Word);
    EXPECT_EQ(b.SelectedText(), "start");
    // Just after a word still takes that word; on blanks there is none.
    b.Press(5, 9000, false);
    EXPECT_EQ(b.Press(5, 9100, false), ClickKind::Word);
    EXPECT_EQ(b.SelectedText(), "start");
    b.Press(11, 12000, false);
    EXPECT_EQ(b.Press(11, 12100, false), ClickKind::Caret);
    // The last line has no line end to take.
    b.Press(26, 15000, false);
    b.Press(26, 15100, false);
    EXPECT_EQ(b.Press(26, 15200, false), ClickKind::Line);
    EXPECT_EQ(b.SelectedText(), "next");
    // Shift extends from where the caret was; the clock may wrap.
    b.SetCaret(2);
    b.Press(6, 0xFFFFFF00u, true);
    EXPECT_EQ(b.SelectedText(), "art:");
    b.Press(17, 0x70000000u, false);
    b.Press(17, 0xFFFFFF80u, false);
    EXPECT_EQ(b.Press(17, 0x00000010u, false), ClickKind::Word);
    EXPECT_EQ(b.SelectedText(), "loop_2");
}

TEST(OriginalEditor, DragSelectsFromThePress) {
    OriginalEditorBuffer b = With("abc\rdef\rghi");
    b.Press(5, 100, false);
    b.DragTo(9);
    EXPECT_EQ(b.SelectedText(), "ef\rg");
    b.DragTo(1);
    EXPECT_EQ(b.SelectedText(), "bc\rd");
    EXPECT_EQ(b.Caret(), 1u);
}

TEST(OriginalEditor, CaretKeysAndTheirModifiers) {
    //                             0         1         2
    //                             012345678901234567890123456
    OriginalEditorBuffer b = With("alpha beta_1  (gamma)\r\tx\rshort", 0);
    b.Key(EditKey::Right, false, true);
    EXPECT_EQ(b.Caret(), 6u) << "to the next word";
    b.Key(EditKey::Right, false, true);
    EXPECT_EQ(b.Caret(), 14u) << "beta_1 is one word; blanks are skipped";
    b.Key(EditKey::Right, false, true);
    EXPECT_EQ(b.Caret(), 15u) << "punctuation is a run of its own";
    b.Key(EditKey::Left, false, true);
    EXPECT_EQ(b.Caret(), 14u);
    b.Key(EditKey::Left, false, true);
    EXPECT_EQ(b.Caret(), 6u);
    b.Key(EditKey::End, false, false);
    EXPECT_EQ(b.Caret(), 21u);
    b.Key(EditKey::Right, false, true);
    EXPECT_EQ(b.Caret(), 22u) << "over the line end";
    b.Key(EditKey::Left, false, true);
    EXPECT_EQ(b.Caret(), 21u) << "and back to the end of the line above";

    // Up and Down keep the column across a tab and a short line.
    b.SetCaret(10); // column 10 on line 0
    b.Key(EditKey::Down, false, false);
    EXPECT_EQ(b.CaretLine(), 1u);
    EXPECT_EQ(b.Caret(), 24u) << "line 1 ends at column 9";
    b.Key(EditKey::Down, false, false);
    EXPECT_EQ(b.Caret(), 30u) << "column 10 is past \"short\"";
    b.Key(EditKey::Up, false, false);
    b.Key(EditKey::Up, false, false);
    EXPECT_EQ(b.Caret(), 10u) << "the preferred column came back";
    b.Key(EditKey::Up, false, true);
    EXPECT_EQ(b.Caret(), 10u) << "Ctrl+Up belongs to the text size";

    b.Key(EditKey::Home, true, false);
    EXPECT_EQ(b.SelectedText(), "alpha beta");
    b.Key(EditKey::Right, false, false);
    EXPECT_EQ(b.Caret(), 10u) << "Right without Shift collapses to the selection's end";
    b.Key(EditKey::End, true, true);
    EXPECT_EQ(b.SelectionEnd(), b.Length());
    b.Key(EditKey::Home, false, true);
    EXPECT_EQ(b.Caret(), 0u);
    EXPECT_FALSE(b.HasSelection());
}

TEST(OriginalEditor, PageKeysGoToTheWindowEdgeFirst) {
    std::string text;
    for (int i = 0; i < 50; ++i)
        text += "line " + std::to_string(i) + "\r";
    OriginalEditorBuffer b = With(text);
    b.SetViewSize(10, 40);
    b.Key(EditKey::PageDown, false, false);
    EXPECT_EQ(b.CaretLine(), 9u) << "to the bottom line shown";
    EXPECT_EQ(b.FirstLine(), 0u);
    b.Key(EditKey::PageDown, false, false);
    EXPECT_EQ(b.CaretLine(), 19u);
    EXPECT_EQ(b.FirstLine(), 10u);
    b.Key(EditKey::PageUp, false, false);
    EXPECT_EQ(b.CaretLine(), 10u) << "to the top line shown";
    b.Key(EditKey::PageUp, true, false);
    EXPECT_EQ(b.CaretLine(), 0u);
    EXPECT_EQ(b.SelectedText().substr(0, 6), "line 0");
    b.Key(EditKey::PageDown, false, true);
    EXPECT_EQ(b.Caret(), b.Length());
    EXPECT_EQ(b.FirstLine(), 41u) << "the caret is kept in view";
    b.Key(EditKey::PageUp, false, true);
    EXPECT_EQ(b.Caret(), 0u);
    EXPECT_EQ(b.FirstLine(), 0u);
}

TEST(OriginalEditor, BackspaceAndDeleteWithTheirModifiers) {
    const std::string text = "first\rsecond line\rthird";
    const size_t mid = 12; // "second" | " line"
    auto after = [&](EditKey k, bool shift, bool ctrl) {
        OriginalEditorBuffer b = With(text, mid);
        b.Key(k, shift, ctrl);
        return std::make_pair(Str(b.Text()), b.Caret());
    };
    EXPECT_EQ(after(EditKey::Backspace, false, false),
              std::make_pair(std::string("first\rsecon line\rthird"), size_t(11)));
    EXPECT_EQ(after(EditKey::Backspace, true, false),
              std::make_pair(std::string("first\r line\rthird"), size_t(6)));
    EXPECT_EQ(after(EditKey::Backspace, false, true),
              std::make_pair(std::string("first\rthird"), size_t(6)));
    EXPECT_EQ(after(EditKey::Backspace, true, true),
              std::make_pair(std::string(" line\rthird"), size_t(0)));
    EXPECT_EQ(after(EditKey::Delete, false, false),
              std::make_pair(std::string("first\rsecondline\rthird"), mid));
    EXPECT_EQ(after(EditKey::Delete, true, false),
              std::make_pair(std::string("first\rsecond\rthird"), mid));
    EXPECT_EQ(after(EditKey::Delete, false, true),
              std::make_pair(std::string("first\rthird"), size_t(6)));
    EXPECT_EQ(after(EditKey::Delete, true, true),
              std::make_pair(std::string("first\rsecond"), mid));

    // A selection goes first, whatever the modifiers.
    OriginalEditorBuffer b = With(text);
    b.Select(2, 8);
    b.Key(EditKey::Delete, true, true);
    EXPECT_EQ(Str(b.Text()), "ficond line\rthird");
    // At the edges nothing happens; the last line deletes without a line end.
    OriginalEditorBuffer edge = With("ab\rcd", 0);
    edge.Key(EditKey::Backspace, false, false);
    EXPECT_EQ(Str(edge.Text()), "ab\rcd");
    edge.SetCaret(5);
    edge.Key(EditKey::Delete, false, false);
    EXPECT_EQ(Str(edge.Text()), "ab\rcd");
    edge.Key(EditKey::Delete, false, true);
    EXPECT_EQ(Str(edge.Text()), "ab\r");
}

TEST(OriginalEditor, TypingReplacesTheSelectionAndTakesOnlyPrintables) {
    OriginalEditorBuffer b = With("abc");
    b.Select(1, 2);
    EXPECT_TRUE(b.Type('X'));
    EXPECT_EQ(Str(b.Text()), "aXc");
    EXPECT_TRUE(b.Modified());
    EXPECT_TRUE(b.Type('\t'));
    EXPECT_TRUE(b.Type('\r'));
    EXPECT_TRUE(b.Type(0xE9));
    EXPECT_FALSE(b.Type(0x7F)) << "DEL is not typed";
    EXPECT_FALSE(b.Type(0x0A));
    EXPECT_FALSE(b.Type(0x01));
    EXPECT_EQ(Str(b.Text()), "aX\t\r\xe9"
                             "c");
    EXPECT_EQ(b.Column(b.Caret()), 1);

    // Read-only text is never changed and never counts as modified; nor compiler output.
    OriginalEditorBuffer ro = With("keep");
    ro.SetReadOnly(true);
    EXPECT_FALSE(ro.Type('x'));
    ro.Key(EditKey::Delete, false, false);
    EXPECT_FALSE(ro.Paste("y"));
    EXPECT_EQ(ro.ReplaceAll("keep", "lost", true, false), 0);
    EXPECT_EQ(Str(ro.Text()), "keep");
    EXPECT_FALSE(ro.Modified());
    OriginalEditorBuffer sxc = With("x");
    sxc.SetCompilerMode(true);
    sxc.Type('y');
    EXPECT_FALSE(sxc.Modified());
}

TEST(OriginalEditor, ColumnsCountTabsToMultiplesOfEight) {
    OriginalEditorBuffer b = With("ab\tc\t\td");
    EXPECT_EQ(b.Column(2), 2);
    EXPECT_EQ(b.Column(3), 8);
    EXPECT_EQ(b.Column(4), 9);
    EXPECT_EQ(b.Column(5), 16);
    EXPECT_EQ(b.Column(6), 24);
    // A point inside a tab goes to the nearer side of it.
    EXPECT_EQ(b.PositionAt(0, 4), 2u);
    EXPECT_EQ(b.PositionAt(0, 6), 3u);
    EXPECT_EQ(b.PositionAt(0, 100), 7u);
    EXPECT_EQ(b.PositionAt(9, 0), 0u) << "a line beyond the text is the last";
}

TEST(OriginalEditor, ScrollingKeepsTheCaretInViewAndTheWheelStep) {
    std::string text;
    for (int i = 0; i < 100; ++i)
        text += std::string(size_t(i), 'w') + "\r";
    OriginalEditorBuffer b = With(text);
    b.SetViewSize(16, 20);
    EXPECT_EQ(b.WheelLines(), 3) << "16 / 8 + 1";
    b.SetCaret(b.StartOfLine(60) + 50);
    b.EnsureCaretVisible();
    EXPECT_EQ(b.FirstLine(), 45u);
    EXPECT_EQ(b.FirstColumn(), 31);
    b.ScrollLines(-1000);
    EXPECT_EQ(b.FirstLine(), 0u);
    b.ScrollLines(1000);
    EXPECT_EQ(b.FirstLine(), 101u - 16u) << "no further than the last window";
}

TEST(OriginalEditor, FindIgnoresCaseAndWordOnlyWantsWholeWords) {
    OriginalEditorBuffer b = With("count1 recount COUNT Count_x count");
    EXPECT_TRUE(b.Find("count", true, false));
    EXPECT_EQ(b.SelectionStart(), 0u);
    EXPECT_TRUE(b.Find("count", false, false));
    EXPECT_EQ(b.SelectionStart(), 9u) << "inside recount, from the caret on";
    EXPECT_TRUE(b.Find("count", false, true));
    EXPECT_EQ(b.SelectionStart(), 15u) << "COUNT is a word; recount is not";
    EXPECT_TRUE(b.Find("count", false, true));
    EXPECT_EQ(b.SelectionStart(), 29u) << "Count_x is one word";
    EXPECT_FALSE(b.Find("count", false, true));
    EXPECT_EQ(b.SelectionStart(), 29u) << "a miss leaves the selection";
    EXPECT_FALSE(b.Find("", true, false));

    EXPECT_TRUE(IsWordText("loop_2"));
    EXPECT_FALSE(IsWordText("a b"));
    EXPECT_FALSE(IsWordText(""));
    EXPECT_FALSE(IsWordText("x.y"));
}

TEST(OriginalEditor, ReplaceAllFromTheCaretOrTheStart) {
    OriginalEditorBuffer b = With("aa a aaa a", 3);
    EXPECT_EQ(b.ReplaceAll("a", "bb", false, true), 2) << "whole words from the caret";
    EXPECT_EQ(Str(b.Text()), "aa bb aaa bb");
    EXPECT_EQ(b.ReplaceAll("z", "a", true, false), 0);
    EXPECT_EQ(b.ReplaceAll("aa", "x", true, false), 2);
    EXPECT_EQ(Str(b.Text()), "x bb xa bb");
    // A replacement containing the search text is not searched again.
    EXPECT_EQ(b.ReplaceAll("bb", "bbb", true, false), 2);
    EXPECT_EQ(Str(b.Text()), "x bbb xa bbb");
    EXPECT_TRUE(b.Find("xa", true, false));
    EXPECT_TRUE(b.ReplaceSelection("-"));
    EXPECT_EQ(Str(b.Text()), "x bbb - bbb");
    // Replacements take only what typing would: no control characters, CR for LF.
    EXPECT_TRUE(b.Find("-", true, false));
    EXPECT_TRUE(b.ReplaceSelection("a\x01\nb"));
    EXPECT_EQ(b.ReplaceAll("bbb",
                           "\x02"
                           "c\r\n",
                           true, false),
              2);
    EXPECT_EQ(Str(b.Text()), "x c\r a\rb c\r");
}

TEST(PrintLayout, ColumnsLinesPagesAndLabels) {
    PrintMetrics m{4800, 6600, 60, 100}; // 80 x 66 characters
    PrintLayout one = ComputePrintLayout(m, 1, 133);
    EXPECT_EQ(one.columns, 80);
    EXPECT_EQ(one.linesPerPage, 66);
    EXPECT_EQ(one.pages, 3);
    EXPECT_TRUE(one.printable);
    EXPECT_EQ(ColumnsText(one), "80 Column x 66 Line Page");
    EXPECT_EQ(CharacterText(m), "60 x 100 Pixel Characters");
    EXPECT_EQ(PagesText(one), "133 Lines = 3 Pages");
    EXPECT_EQ(one.left, 0);
    EXPECT_EQ(one.top, 0);

    // Side by side each section gives a column to the rules: (80 - 3 - 1) / 3 = 25.
    PrintLayout three = ComputePrintLayout(m, 3, 132);
    EXPECT_EQ(three.columns, 25);
    EXPECT_EQ(ColumnsText(three), "25 Column x 198 Line Page");
    EXPECT_EQ(PagesText(three), "132 Lines = 1 Page");
    EXPECT_EQ(three.width, (3 * 25 + 2) * 60);
    EXPECT_EQ(three.left, (4800 - three.width) / 2) << "the block is centred";
    EXPECT_EQ(three.SectionLeft(1, 60), three.left + 26 * 60);
    EXPECT_EQ(three.RuleX(1, 60), three.left + 25 * 60 + 30);
    EXPECT_EQ(three.FirstLine(1, 2), (3 + 2) * 66);
    EXPECT_EQ(ComputePrintLayout(m, 3, 199).pages, 2);

    // Nothing to print, or no room for a column or a line: Okay stays off.
    EXPECT_FALSE(ComputePrintLayout(m, 1, 0).printable);
    EXPECT_EQ(PagesText(ComputePrintLayout(m, 1, 0)), "0 Lines = 0 Pages");
    EXPECT_FALSE(ComputePrintLayout(m, 40, 10).printable) << "(80 - 41) / 40 is 0 columns";
    EXPECT_FALSE(ComputePrintLayout({4800, 50, 60, 100}, 1, 10).printable);
    EXPECT_EQ(ComputePrintLayout({4800, 50, 60, 100}, 1, 10).pages, 0);
    EXPECT_FALSE(ComputePrintLayout({0, 0, 0, 0}, 1, 10).printable);
}

TEST(PrintLayout, LinesExpandTabsAndCutAtTheSection) {
    EXPECT_EQ(PrintLineCount(""), 0);
    EXPECT_EQ(PrintLineCount("a"), 1);
    EXPECT_EQ(PrintLineCount("a\r"), 1) << "a final CR starts no line";
    EXPECT_EQ(PrintLineCount("a\r\rb"), 3);
    auto lines = PrintLines("ab\tc\r\r0123456789abc\r\t\tx", 10);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "ab      c");
    EXPECT_EQ(lines[1], "");
    EXPECT_EQ(lines[2], "0123456789");
    EXPECT_EQ(lines[3], "          ") << "a tab cut at the width";
}

TEST(ConfigureUnit, PortChoicesAsStored) {
    EXPECT_EQ(ParsePort("COM1").Item(), 0);
    EXPECT_EQ(ParsePort("com4").Item(), 3);
    EXPECT_EQ(ParsePort("SIM").Item(), kVirtualKeyItem);
    EXPECT_EQ(ParsePort("sim").Item(), kVirtualKeyItem);
    PortChoice usb = ParsePort(" /dev/ttyUSB0 ");
    EXPECT_EQ(usb.Item(), kDeviceItem);
    EXPECT_EQ(usb.device, "/dev/ttyUSB0");
    EXPECT_EQ(ParsePort("COM5").Item(), kDeviceItem) << "beyond the four items: a device";
    EXPECT_EQ(ParsePort("").Item(), 0);
    EXPECT_EQ(StoredPort(ParsePort("com3")), "COM3");
    EXPECT_EQ(StoredPort(ParsePort("Sim")), "SIM");
    EXPECT_EQ(StoredPort(usb), "/dev/ttyUSB0");
}

TEST(ConfigureUnit, CustomColourEntriesAndGroupPlaces) {
    EXPECT_EQ(CustomColorValue("ColorA=808080"), ColorRef(0x808080));
    EXPECT_EQ(CustomColorValue("ColorP=FF0010"), ColorRef(0xFF0010));
    EXPECT_EQ(CustomColorValue("ColorB=ff0010"), ColorRef(0xFF0010));
    EXPECT_FALSE(CustomColorValue("ColorA=80808"));
    EXPECT_FALSE(CustomColorValue("ColorA=80808G"));
    EXPECT_FALSE(CustomColorValue("808080"));
    EXPECT_EQ(CustomColorEntry(0, 0x808080), "ColorA=808080");
    EXPECT_EQ(CustomColorEntry(15, 0x00ABCDEF), "ColorP=ABCDEF");

    GroupPlaces both = PlaceGroups(300, 90, false);
    EXPECT_TRUE(both.ircVisible);
    EXPECT_EQ(both.ircLeft, 40);
    EXPECT_EQ(both.portLeft, 170);
    GroupPlaces one = PlaceGroups(300, 90, true);
    EXPECT_FALSE(one.ircVisible);
    EXPECT_EQ(one.portLeft, 105);
}
