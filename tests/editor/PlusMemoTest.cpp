// The source editor component: bytes and line ends kept, search, highlight, colouring.
#include <QKeyEvent>
#include <QTest>

#include <Qsci/qscicommandset.h>

#include "editor/TPlusMemo.h"
#include "editor/TextEncoding.h"

using namespace pellix;

namespace {

EditorLook TestLook() {
    EditorLook look;
    look.font = QFont(QStringLiteral("Courier New"), 9);
    look.tabWidth = 8;
    look.boldKeywords = true;
    look.text = Qt::black;
    look.paper = Qt::white;
    look.keyword = Qt::blue;
    look.comment = QColor(0, 128, 0);
    look.keywords = std::make_shared<const KeywordSet>(
        KeywordSet{"MOV", "JMP", "RB", "DEVICE", "SX28", "W", "CLR", "DJNZ"});
    return look;
}

} // namespace

class PlusMemoTest : public QObject {
    Q_OBJECT
private slots:
    void keepsBytesAndLineEndsExactly();
    void newLinesFollowTheFilesLineEnds();
    void linesAndPositions();
    void searchOptions();
    void highlightAndClear();
    void readOnlyAndModified();
    void undoAndRedo();
    void lexerColoursKeywordsAndComments();
    void lookGivesFontTabsAndColours();
    void releasedKeysAreNoLongerTheEditors();
    void utf8IsRecognisedExactly();
    void utf8SourcesShowTheirCharactersAndKeepTheirBytes();
    void marksFollowTheirLinesThroughEdits();
    void lineNumbersAndCurrentLine();
    void markMarginClicksAreReported();
    void hoverShowsTheNamesText();
    void keysReachTheComponentOnceWhereverTheyAreSent();
    void componentSignalsComeFromTheEditor();
};

void PlusMemoTest::keepsBytesAndLineEndsExactly() {
    TPlusMemo e;
    std::string bytes = "a\r\nb\nc\rd\r\r\n";
    for (int c = 0x80; c <= 0xFF; ++c)
        bytes.push_back(char(c));
    bytes += std::string("\0tail\x01\x1a", 7);
    e.SetText(bytes);
    QCOMPARE(e.Text(), bytes);
    QCOMPARE(e.LineCount(), 6);
    QCOMPARE(e.LineText(1), std::string("b"));
    e.SetText({});
    QVERIFY(e.IsEmpty());
    QCOMPARE(e.Text(), std::string());
}

void PlusMemoTest::newLinesFollowTheFilesLineEnds() {
    for (auto [text, eol] :
         {std::pair<std::string, std::string>{"x\r\ny", "\r\n"}, {"x\ny", "\n"}, {"x\ry", "\r"}}) {
        TPlusMemo e;
        e.SetText(text);
        e.SetCaret(1, 1);
        e.setFocus();
        QTest::keyClick(&e, Qt::Key_Return);
        QCOMPARE(e.Text(), text + eol);
    }
}

void PlusMemoTest::linesAndPositions() {
    TPlusMemo e;
    e.SetText("first\r\nsecond\r\n\r\nlast");
    QCOMPARE(e.LineCount(), 4);
    QCOMPARE(e.PositionOfLine(1), 7);
    QCOMPARE(e.LineEndPosition(1), 13);
    QCOMPARE(e.LineOfPosition(8), 1);
    QCOMPARE(e.LineText(2), std::string());
    QCOMPARE(e.LineText(3), std::string("last"));
    QCOMPARE(e.LineText(9), std::string());
    e.SetCaret(1, 3);
    QCOMPARE(e.CurrentLine(), 1);
    QCOMPARE(e.CurrentColumn(), 3);
    e.SetCaret(1, 99);
    QCOMPARE(e.CurrentColumn(), 6);
    e.SetCurrentLine(3);
    QCOMPARE(e.CaretPosition(), 17);
    e.SetSelection(7, 6);
    QCOMPARE(e.SelectedText(), std::string("second"));
    e.ReplaceSelection("2nd");
    QCOMPARE(e.Text(), std::string("first\r\n2nd\r\n\r\nlast"));
}

void PlusMemoTest::searchOptions() {
    TPlusMemo e;
    e.SetText("Mov move\nMOV mov");
    SearchOptions o;
    e.SetCaret(0, 0);
    QVERIFY(e.Find("mov", o));
    QCOMPARE(e.SelectionStart(), 0);
    QVERIFY(e.Find("mov", o));
    QCOMPARE(e.SelectionStart(), 4); // inside move, without whole words
    o.wholeWord = true;
    QVERIFY(e.Find("mov", o));
    QCOMPARE(e.SelectionStart(), 9);
    o.matchCase = true;
    QVERIFY(e.Find("mov", o));
    QCOMPARE(e.SelectionStart(), 13);
    QVERIFY(!e.Find("mov", o));
    QCOMPARE(e.SelectionStart(), 13); // a miss leaves the selection
    o.forward = false;
    QVERIFY(!e.Find("mov", o)); // backwards from the selection start
    o.matchCase = false;
    QVERIFY(e.Find("mov", o));
    QCOMPARE(e.SelectionStart(), 9);
    o.fromStart = true;
    o.forward = true;
    o.wholeWord = false;
    QVERIFY(e.Find("MOVE", o));
    QCOMPARE(e.SelectionStart(), 4);
    QVERIFY(!e.Find("", o));
}

void PlusMemoTest::highlightAndClear() {
    TPlusMemo e;
    e.SetLook(TestLook());
    e.SetText("\tMOV W,#1\n\tJMP x\n");
    auto valueAt = [&](int indicator, int pos) {
        return e.SendScintilla(QsciScintillaBase::SCI_INDICATORVALUEAT, indicator, long(pos));
    };
    e.Highlight(11, 16, 0x0000FFFF);
    QCOMPARE(valueAt(8, 10), 0L);
    QCOMPARE(valueAt(8, 11), 1L);
    QCOMPARE(valueAt(9, 15), 1L);
    QCOMPARE(valueAt(8, 16), 0L);
    QCOMPARE(e.SendScintilla(QsciScintillaBase::SCI_INDICGETFORE, 8UL), 0x00FFFFL);
    e.Highlight(1, 4, 0x00FF00FF); // a new highlight replaces the old
    QCOMPARE(valueAt(8, 12), 0L);
    QCOMPARE(valueAt(8, 2), 1L);
    e.ClearHighlight();
    QCOMPARE(valueAt(8, 2), 0L);
    QCOMPARE(valueAt(9, 2), 0L);
}

void PlusMemoTest::readOnlyAndModified() {
    TPlusMemo e;
    e.SetText("abc");
    e.SetModified(false);
    QVERIFY(!e.Modified());
    e.SetReadOnly(true);
    e.setFocus();
    QTest::keyClicks(&e, "zz");
    QCOMPARE(e.Text(), std::string("abc"));
    QVERIFY(!e.Modified());
    e.SetText("loaded while read-only");
    QCOMPARE(e.Text(), std::string("loaded while read-only"));
    QVERIFY(e.ReadOnly());
    e.SetReadOnly(false);
    e.SetModified(false);
    QTest::keyClicks(&e, "x");
    QVERIFY(e.Modified());
}

void PlusMemoTest::undoAndRedo() {
    TPlusMemo e;
    e.SetText("one");
    e.ClearUndo();
    QVERIFY(!e.CanUndo());
    e.SetCaret(0, 3);
    e.setFocus();
    QTest::keyClicks(&e, " two");
    QVERIFY(e.CanUndo());
    e.Undo();
    QCOMPARE(e.Text(), std::string("one"));
    QVERIFY(e.CanRedo());
    e.Redo();
    QCOMPARE(e.Text(), std::string("one two"));
    e.BeginUndoGroup();
    e.SetSelection(0, 3);
    e.ReplaceSelection("1");
    e.SetSelection(2, 3);
    e.ReplaceSelection("2");
    e.EndUndoGroup();
    QCOMPARE(e.Text(), std::string("1 2"));
    e.Undo();
    QCOMPARE(e.Text(), std::string("one two"));
}

void PlusMemoTest::lexerColoursKeywordsAndComments() {
    TPlusMemo e;
    e.SetLook(TestLook());
    const std::string line = "loop\tmov RB.0,#'a;b' ; set MOV\r\n:wait\tDJNZ move,0FFh\n";
    e.SetText(line);
    auto style = [&](const char* word, size_t from = 0) {
        return e.StyleAt(int(line.find(word, from)));
    };
    QCOMPARE(style("loop"), int(SxLexer::Default));
    QCOMPARE(style("mov"), int(SxLexer::Keyword)); // keywords without regard to case
    QCOMPARE(style("RB"), int(SxLexer::Keyword));
    QCOMPARE(style(".0"), int(SxLexer::Default));
    QCOMPARE(style("a;b"), int(SxLexer::Default)); // no comment inside a string
    QCOMPARE(style(";b"), int(SxLexer::Default));
    QCOMPARE(style("; set"), int(SxLexer::Comment));
    QCOMPARE(style("MOV", line.find(';', 20)), int(SxLexer::Comment));
    QCOMPARE(style(":wait"), int(SxLexer::Default));
    QCOMPARE(style("DJNZ"), int(SxLexer::Keyword));
    QCOMPARE(style("move"), int(SxLexer::Default)); // whole names only
    QCOMPARE(style("0FFh"), int(SxLexer::Default));
    QCOMPARE(e.StyleAt(int(line.find("\r\n"))), int(SxLexer::Default)); // the comment ends

    // The rule line by line, directly.
    QCOMPARE(e.Lexer().StyleLine("W;c"), std::string("\1\2\2"));
    QCOMPARE(e.Lexer().StyleLine("'unclosed ; x"), std::string(13, '\0'));
    QCOMPARE(e.Lexer().StyleLine("clr\tw"), std::string("\1\1\1\0\1", 5));
}

void PlusMemoTest::lookGivesFontTabsAndColours() {
    TPlusMemo e;
    EditorLook look = TestLook();
    look.tabWidth = 4;
    look.font.setPointSize(12);
    e.SetLook(look);
    QCOMPARE(e.tabWidth(), 4);
    QVERIFY(e.Lexer().font(SxLexer::Keyword).bold());
    QVERIFY(!e.Lexer().font(SxLexer::Default).bold());
    QCOMPARE(e.Lexer().font(SxLexer::Comment).pointSize(), 12);
    QCOMPARE(e.Lexer().color(SxLexer::Keyword), QColor(Qt::blue));
    QCOMPARE(e.Lexer().color(SxLexer::Comment), QColor(0, 128, 0));
    look.boldKeywords = false;
    e.SetLook(look);
    QVERIFY(!e.Lexer().font(SxLexer::Keyword).bold());
}

void PlusMemoTest::releasedKeysAreNoLongerTheEditors() {
    TPlusMemo e;
    int ctrlA = (Qt::CTRL | Qt::Key_A).toCombined();
    QVERIFY(e.standardCommands()->boundTo(ctrlA));
    e.ReleaseKeys({ctrlA});
    QVERIFY(!e.standardCommands()->boundTo(ctrlA));
    e.SetText("abc");
    e.setFocus();
    QTest::keyClick(&e, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(e.SelectionLength(), 0);
}

void PlusMemoTest::utf8IsRecognisedExactly() {
    QVERIFY(IsUtf8(""));
    QVERIFY(IsUtf8("plain ASCII\r\n\t"));
    QVERIFY(IsUtf8("; caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80"));
    QVERIFY(IsUtf8(std::string("nul\0inside", 10)));
    QVERIFY(!IsUtf8("caf\xe9"));              // a single-byte character
    QVERIFY(!IsUtf8("\xc3"));                 // cut at the end
    QVERIFY(!IsUtf8("\xe2\x82"));             // cut at the end
    QVERIFY(!IsUtf8("\xc0\xaf"));             // overlong "/"
    QVERIFY(!IsUtf8("\xe0\x80\xaf"));         // overlong, three bytes
    QVERIFY(!IsUtf8("\xed\xa0\x80"));         // a surrogate
    QVERIFY(!IsUtf8("\xf4\x90\x80\x80"));     // above U+10FFFF
    QVERIFY(!IsUtf8("\x80"));                 // a continuation byte alone
    QVERIFY(!IsUtf8("\xc3\x28"));             // no continuation byte
    QVERIFY(!IsUtf8("\xf8\x88\x80\x80\x80")); // five-byte form
}

void PlusMemoTest::utf8SourcesShowTheirCharactersAndKeepTheirBytes() {
    TPlusMemo e;
    e.SetLook(TestLook());
    // A UTF-8 comment reads as its characters and the bytes come back unchanged.
    const std::string utf8 = "\tMOV W,#1 ; caf\xc3\xa9 \xe2\x82\xac"
                             "5\r\n\tJMP x ; \xc3\xbc\r\n";
    e.SetText(utf8);
    QVERIFY(e.Utf8());
    QCOMPARE(e.Text(), utf8);
    QCOMPARE(e.text(0), QStringLiteral("\tMOV W,#1 ; caf\u00e9 \u20ac5\r\n"));
    QCOMPARE(e.Decode(e.LineText(1)), QStringLiteral("\tJMP x ; \u00fc"));
    // What is typed and what is searched for are UTF-8 too.
    e.SetCaret(1, int(e.LineText(1).size()));
    e.setFocus();
    QTest::keyClicks(&e, QStringLiteral("\u00df"));
    QCOMPARE(e.LineText(1), std::string("\tJMP x ; \xc3\xbc\xc3\x9f"));
    QCOMPARE(e.CaretCharacterColumn(), 11);
    QCOMPARE(e.CurrentColumn(), 13); // bytes
    SearchOptions o;
    o.fromStart = true;
    QVERIFY(e.Find(e.Encode(QStringLiteral("\u20ac")), o));
    QCOMPARE(e.SelectedText(), std::string("\xe2\x82\xac"));

    // A file of single-byte characters is shown one byte a character and kept as it is.
    const std::string latin = "; caf\xe9\n\tCLR \xff\n";
    e.SetText(latin);
    QVERIFY(!e.Utf8());
    QCOMPARE(e.Text(), latin);
    QCOMPARE(e.Decode(e.LineText(0)), QStringLiteral("; caf\u00e9"));
    QCOMPARE(e.Encode(QStringLiteral("\u00e9")), std::string("\xe9"));
    // Loading UTF-8 again switches back.
    e.SetText(utf8);
    QVERIFY(e.Utf8());
    QCOMPARE(e.Text(), utf8);
}

void PlusMemoTest::marksFollowTheirLinesThroughEdits() {
    TPlusMemo e;
    e.SetText("a\nb\nc\nd\ne\n");
    e.SetBreakpointLine(2);
    e.SetExecutionLine(3);
    const int anchor = e.AddAnchor(4);
    QCOMPARE(e.BreakpointLine(), 2);
    QCOMPARE(e.ExecutionLine(), 3);
    QCOMPARE(e.AnchorLine(anchor), 4);
    QCOMPARE(e.AddAnchor(99), -1);
    // Two lines typed above: everything moves down with its text.
    e.SetCaret(0, 0);
    e.setFocus();
    QTest::keyClicks(&e, QStringLiteral("new"));
    QTest::keyClick(&e, Qt::Key_Return);
    QTest::keyClick(&e, Qt::Key_Return);
    QCOMPARE(e.BreakpointLine(), 4);
    QCOMPARE(e.ExecutionLine(), 5);
    QCOMPARE(e.AnchorLine(anchor), 6);
    QCOMPARE(e.LineText(4), std::string("c"));
    // A line removed above moves them up; text typed on the marked line keeps the mark.
    e.SetSelection(e.PositionOfLine(1), e.PositionOfLine(2) - e.PositionOfLine(1));
    e.ReplaceSelection("");
    QCOMPARE(e.BreakpointLine(), 3);
    e.SetCaret(3, 1);
    QTest::keyClicks(&e, QStringLiteral("xyz"));
    QCOMPARE(e.BreakpointLine(), 3);
    QCOMPARE(e.LineText(3), std::string("cxyz"));
    // One mark of each kind: setting another line moves it; -1 clears.
    e.SetBreakpointLine(0);
    QCOMPARE(e.BreakpointLine(), 0);
    e.SetBreakpointLine(-1);
    QCOMPARE(e.BreakpointLine(), -1);
    QCOMPARE(e.ExecutionLine(), 4);
    e.ClearAnchors();
    QCOMPARE(e.AnchorLine(anchor), -1);
    QCOMPARE(e.ExecutionLine(), 4); // anchors only
    // A new text takes every mark away.
    e.SetText("x\ny\n");
    QCOMPARE(e.ExecutionLine(), -1);
}

void PlusMemoTest::lineNumbersAndCurrentLine() {
    TPlusMemo e;
    EditorLook look = TestLook();
    e.SetLook(look);
    QCOMPARE(e.LineNumberMarginWidth(), 0);
    QVERIFY(!e.SendScintilla(QsciScintillaBase::SCI_GETCARETLINEVISIBLE));
    look.lineNumbers = true;
    look.currentLine = true;
    look.markerMargin = true;
    e.SetLook(look);
    QVERIFY(e.SendScintilla(QsciScintillaBase::SCI_GETCARETLINEVISIBLE));
    QVERIFY(e.marginWidth(1) > 0);
    e.SetText("one\ntwo\n");
    const int small = e.LineNumberMarginWidth();
    QFontMetrics fm(look.font);
    QVERIFY(small >= fm.horizontalAdvance(QStringLiteral("999")));
    // 199,988 lines need six digits: the margin grows to show them whole.
    e.SetText(std::string(199'988, '\n'));
    QVERIFY(e.LineNumberMarginWidth() >= fm.horizontalAdvance(QStringLiteral("199989")));
    QVERIFY(e.LineNumberMarginWidth() > small);
    look.lineNumbers = false;
    e.SetLook(look);
    QCOMPARE(e.LineNumberMarginWidth(), 0);
}

void PlusMemoTest::markMarginClicksAreReported() {
    TPlusMemo e;
    EditorLook look = TestLook();
    look.lineNumbers = true;
    look.markerMargin = true;
    e.SetLook(look);
    e.SetText("a\nb\nc\n");
    e.resize(300, 200);
    e.show();
    QVERIFY(QTest::qWaitForWindowExposed(&e));
    std::vector<int> clicked;
    connect(&e, &TPlusMemo::MarkMarginClicked, [&](int line) { clicked.push_back(line); });
    const int y = int(e.SendScintilla(QsciScintillaBase::SCI_POINTYFROMPOSITION, 0UL,
                                      long(e.PositionOfLine(2)))) +
                  3;
    // In the marks' margin, after the line numbers.
    QTest::mouseClick(e.viewport(), Qt::LeftButton, {},
                      QPoint(e.LineNumberMarginWidth() + e.marginWidth(1) / 2, y));
    QCOMPARE(clicked, std::vector<int>{2});
    // A click in the text is not one.
    QTest::mouseClick(e.viewport(), Qt::LeftButton, {}, QPoint(e.LineNumberMarginWidth() + 60, y));
    QCOMPARE(clicked.size(), size_t(1));
}

void PlusMemoTest::hoverShowsTheNamesText() {
    TPlusMemo e;
    const std::string text = "\tMOV STATUS,W ; STATUS\nloop_1\tJMP loop_1\n";
    e.SetText(text);
    e.hoverText = [](const std::string& name) {
        return name == "STATUS" ? std::string("STATUS = $18") : std::string();
    };
    const int status = int(text.find("STATUS"));
    QCOMPARE(e.WordAt(status + 3), std::string("STATUS"));
    QCOMPARE(e.HoverTextAt(status), std::string("STATUS = $18"));
    QCOMPARE(e.HoverTextAt(status + 5), std::string("STATUS = $18"));
    QCOMPARE(e.HoverTextAt(status + 6), std::string()); // the comma
    QCOMPARE(e.WordAt(int(text.find("loop_1"))), std::string("loop_1"));
    QCOMPARE(e.HoverTextAt(int(text.find("MOV"))), std::string());
    // A name in a comment is no register.
    QCOMPARE(e.WordAt(int(text.rfind("STATUS"))), std::string());
    QCOMPARE(e.WordAt(-1), std::string());
    QCOMPARE(e.WordAt(int(text.size()) + 4), std::string());
}

namespace {

// Counts the key presses that reach it from its children.
class KeyCounter : public QWidget {
public:
    int presses = 0;

protected:
    void keyPressEvent(QKeyEvent* event) override {
        ++presses;
        event->ignore();
    }
};

} // namespace

void PlusMemoTest::keysReachTheComponentOnceWhereverTheyAreSent() {
    KeyCounter window;
    auto* e = new TPlusMemo(&window);
    e->SetText("ab");
    e->SetCaret(0, 2);
    // To the editor (as tests send them) and to its widget (the focus, as people type).
    for (QWidget* to : {static_cast<QWidget*>(e), static_cast<QWidget*>(&e->Widget())}) {
        QTest::keyClicks(to, "x");
        QTest::keyClick(to, Qt::Key_Tab);
        // A key the component leaves goes on to the window once.
        const int before = window.presses;
        QTest::keyClick(to, Qt::Key_F12);
        QCOMPARE(window.presses, before + 1);
    }
    QCOMPARE(e->Text(), std::string("abx\tx\t"));
    QCOMPARE(window.presses, 2);
}

void PlusMemoTest::componentSignalsComeFromTheEditor() {
    TPlusMemo e;
    int caret = 0, text = 0;
    std::vector<bool> modified;
    connect(&e, &TPlusMemo::CaretMoved, [&] { ++caret; });
    connect(&e, &TPlusMemo::TextChanged, [&] { ++text; });
    connect(&e, &TPlusMemo::ModifiedChanged, [&](bool m) { modified.push_back(m); });
    e.show();
    QVERIFY(QTest::qWaitForWindowExposed(&e));
    e.SetText("one\ntwo");
    e.SetModified(false);
    QVERIFY(text > 0);
    // The caret's moves are told as the component updates its view.
    e.SetCaret(1, 2);
    QTRY_VERIFY(caret > 0);
    const int typedBefore = text;
    QTest::keyClicks(&e, "z");
    QCOMPARE(e.LineText(1), std::string("twzo"));
    QVERIFY(text > typedBefore);
    QCOMPARE(modified.back(), true);
    e.SetModified(false);
    QCOMPARE(modified.back(), false);
}

QTEST_MAIN(PlusMemoTest)
#include "PlusMemoTest.moc"
