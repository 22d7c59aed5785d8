// The readers of orda's map, object, symbol and error files, and the list-file lookups.
#include <gtest/gtest.h>

#include "BridgeTestSupport.h"

using namespace pellix;
using namespace pellix::test;

namespace {

std::string Read(std::string_view data, OrdaMap& m) {
    return ReadOrdaMap(data, m);
}

OrdaMap Map28() {
    OrdaMap m;
    EXPECT_EQ(ReadOrdaMap(MapBuilder().Bytes(), m), "");
    return m;
}

std::function<std::string(int)> Lines(const std::vector<std::string>& v) {
    return [&v](int i) { return v[size_t(i)]; };
}

} // namespace

TEST(OrdaMapReader, RecordsRunToAnAllZeroRecordOrTheEndOfTheFile) {
    MapBuilder b;
    b.Add(0x7FF, 5, 6).Add(0, 13, 14).Add(1, 13, 15);
    OrdaMap m;
    ASSERT_EQ(Read(b.Bytes(), m), "");
    EXPECT_EQ(m.header[2], 2);
    EXPECT_EQ(m.MemoryWords(), 2048);
    ASSERT_EQ(m.records.size(), 3u);
    EXPECT_EQ(m.records[0].address, 0x7FF);
    EXPECT_EQ(m.records[2].listLine, 15);

    // Without the padding the last record ends exactly at the end of the file.
    b.pad = false;
    std::string exact = b.Bytes();
    ASSERT_EQ(exact.size(), 2048u + 3 * 8);
    ASSERT_EQ(Read(exact, m), "");
    ASSERT_EQ(m.records.size(), 3u);
    EXPECT_EQ(m.records[2].address, 1);

    // A record cut short by the end of the file is not one.
    ASSERT_EQ(Read(exact.substr(0, exact.size() - 3), m), "");
    EXPECT_EQ(m.records.size(), 2u);

    // Records after the all-zero one are not read.
    MapBuilder stop;
    stop.pad = false;
    stop.Add(3, 1, 1).Add(0, 0, 0, 0).Add(5, 2, 7);
    ASSERT_EQ(Read(stop.Bytes(), m), "");
    ASSERT_EQ(m.records.size(), 1u);
    EXPECT_EQ(m.records[0].address, 3);
}

TEST(OrdaMapReader, FileNamesByIndex) {
    MapBuilder b;
    b.names = {"/home/me/prog.src", "", "inc/defs.inc", std::string(63, 'x')};
    b.Add(0, 3, 4, 0).Add(1, 7, 9, 2);
    OrdaMap m;
    ASSERT_EQ(Read(b.Bytes(), m), "");
    ASSERT_EQ(m.files.size(), 4u);
    EXPECT_EQ(m.files[0], "/home/me/prog.src");
    EXPECT_EQ(m.files[1], "");
    EXPECT_EQ(m.files[2], "inc/defs.inc");
    EXPECT_EQ(m.files[3], std::string(63, 'x'));
    // No names at all, and a length byte that claims more than its slot holds.
    EXPECT_TRUE(Map28().files.empty());
    std::string d = MapBuilder().Bytes();
    d[32] = char(200);
    d.replace(33, 5, "a.src");
    ASSERT_EQ(Read(d, m), "");
    ASSERT_EQ(m.files.size(), 1u);
    EXPECT_EQ(m.files[0].size(), 63u);
    EXPECT_EQ(m.files[0].substr(0, 5), "a.src");
}

// The editor's places of orda's code: 1-based lines become 0-based, include names are
// taken relative to the source's folder, and a word without a record of its own belongs
// to the nearest record below it (within a list line's four words).
TEST(OrdaMapReader, SourceMapOfTheProgram) {
    MapBuilder b;
    b.names = {"/w/prog.src", "inc/sub.inc", "/abs/other.inc", ""};
    b.Add(0x7FF, 5, 6, 0).Add(0, 10, 20, 0).Add(4, 12, 24, 0).Add(6, 2, 30, 1).Add(16, 3, 40, 2);
    OrdaMap m;
    ASSERT_EQ(Read(b.Bytes(), m), "");
    SourceMap s = SourceMapOfOrda(m, "/w/prog.src");
    ASSERT_EQ(s.Files().size(), 3u);
    EXPECT_EQ(s.Files()[0], "/w/prog.src");
    EXPECT_EQ(s.Files()[1], "/w/inc/sub.inc");
    EXPECT_EQ(s.Files()[2], "/abs/other.inc");
    EXPECT_EQ(s.Place(0x7FF), (SourcePlace{0, 4}));
    EXPECT_EQ(s.Place(0), (SourcePlace{0, 9}));
    EXPECT_EQ(s.Place(3), (SourcePlace{0, 9})) << "the fourth word of the line at 0";
    EXPECT_EQ(s.Place(4), (SourcePlace{0, 11})) << "its own record first";
    EXPECT_EQ(s.Place(5), (SourcePlace{0, 11})) << "the nearest record below";
    EXPECT_EQ(s.Place(6), (SourcePlace{1, 1}));
    EXPECT_EQ(s.Place(9), (SourcePlace{1, 1}));
    EXPECT_EQ(s.Place(10), SourcePlace{}) << "beyond four words";
    EXPECT_EQ(s.Place(19), (SourcePlace{2, 2}));
}

TEST(OrdaMapReader, DamagedMapsAreRefusedWithTheReason) {
    OrdaMap m;
    EXPECT_NE(Read("", m).find("fewer than the 2048"), std::string::npos);
    EXPECT_NE(Read(std::string(2047, '\0'), m).find("2047 bytes"), std::string::npos);

    std::string bad = MapBuilder().Bytes();
    PutLe16(bad, 0, 0x1234);
    EXPECT_EQ(Read(bad, m), "it begins with 1234 instead of the map signature AAFF");

    MapBuilder huge;
    huge.top = 0xFFFF; // would have the object reader fill 65536 words
    EXPECT_EQ(Read(huge.Bytes(), m),
              "it gives a program memory of 65536 words instead of 2048 or 4096");

    MapBuilder mixed;
    mixed.device = 4; // SX52BD with 2048 words
    EXPECT_EQ(Read(mixed.Bytes(), m),
              "its device index 4 does not go with 2048 words of program memory");

    std::string beyond = MapBuilder().Add(0x800, 1, 2).Bytes();
    EXPECT_EQ(Read(beyond, m), "record 1 names address 0800, beyond program memory");

    // A device index orda does not have is let through; the family stays as it was.
    MapBuilder unknown;
    unknown.device = 9;
    EXPECT_EQ(Read(unknown.Bytes(), m), "");
}

TEST(OrdaObjectReader, MarksEveryWordButTheErasedOneAndReadsTheConfiguration) {
    ObjectBuilder b;
    b.code[0] = 0x0C01;
    b.code[1] = 0x0FFF; // erased: stays unmarked
    b.code[2] = 0x0000;
    b.code[0x7FF] = 0x0A00;
    b.id[0] = 0x0FF4;
    b.id[1] = 0x0FF1;
    b.fuse = 0x07FD;
    b.fusex = 0x0FFF;
    b.frequency = 4'000'000;
    b.irc = 2;
    b.breakWord = 0x0123;
    OrdaObject o;
    ASSERT_EQ(ReadOrdaObject(b.Bytes(), Map28(), o), "");
    EXPECT_EQ(o.code[0], 0x8C01);
    EXPECT_EQ(o.code[1], 0x0FFF);
    EXPECT_EQ(o.code[2], 0x8000);
    EXPECT_EQ(o.code[0x7FF], 0x8A00);
    // The chip has no memory from 2048 on: erased, as in a cleared image.
    EXPECT_EQ(o.code[0x800], 0x0FFF);
    EXPECT_EQ(o.code[4095], 0x0FFF);
    EXPECT_EQ(o.id[0], 0x0FF4);
    EXPECT_EQ(o.id[2], 0x0FFF);
    EXPECT_EQ(o.fuse, 0x07FD);
    EXPECT_EQ(o.fusex, 0x0FFF);
    EXPECT_EQ(o.frequency, 4'000'000u);
    EXPECT_EQ(o.irc, 2);
    EXPECT_EQ(o.breakAddress, 0x0123);

    b.breakWord = 0xFFFF;
    ASSERT_EQ(ReadOrdaObject(b.Bytes(), Map28(), o), "");
    EXPECT_EQ(o.breakAddress, kNoBreak);

    // A 4096-word chip.
    MapBuilder big;
    big.device = 3;
    big.top = 0xFFF;
    OrdaMap m;
    ASSERT_EQ(ReadOrdaMap(big.Bytes(), m), "");
    ObjectBuilder b48;
    b48.words = 4096;
    b48.deviceWord = 0x9B03; // old revision
    b48.code[4095] = 0x0A10;
    ASSERT_EQ(ReadOrdaObject(b48.Bytes(), m, o), "");
    EXPECT_EQ(o.code[4095], 0x8A10);
}

TEST(OrdaObjectReader, DamagedObjectsAreRefusedWithTheReason) {
    OrdaMap m = Map28();
    OrdaObject o;
    std::string good = ObjectBuilder().Bytes();
    ASSERT_EQ(good.size(), 4096u + 48);
    EXPECT_EQ(ReadOrdaObject(good.substr(0, 4096), m, o),
              "it holds 4096 bytes instead of the 4144 of a program of 2048 words with its ID and "
              "configuration");
    EXPECT_NE(ReadOrdaObject(good + "x", m, o).find("4145 bytes"), std::string::npos);
    EXPECT_NE(ReadOrdaObject("", m, o).find("0 bytes"), std::string::npos);

    ObjectBuilder wide;
    wide.code[5] = 0x1FFF;
    EXPECT_EQ(ReadOrdaObject(wide.Bytes(), m, o),
              "the word at address 005 is 1FFF, not a 12-bit instruction");

    ObjectBuilder other;
    other.deviceWord = 0xAB04;
    EXPECT_EQ(ReadOrdaObject(other.Bytes(), m, o),
              "its device word AB04 does not go with the map's device index 2");

    // Not damage: a clock the key cannot generate is still the program's.
    ObjectBuilder slow;
    slow.frequency = 32768;
    EXPECT_EQ(ReadOrdaObject(slow.Bytes(), m, o), "");
    EXPECT_EQ(o.frequency, 32768u);

    ObjectBuilder irc;
    irc.irc = 3;
    EXPECT_EQ(ReadOrdaObject(irc.Bytes(), m, o), "its IRC calibration choice 3 is not 0, 1 or 2");

    ObjectBuilder brk;
    brk.breakWord = 0x0800;
    EXPECT_EQ(ReadOrdaObject(brk.Bytes(), m, o), "its break address 0800 is beyond program memory");

    ObjectBuilder id;
    id.id[3] = 0xF0F0;
    EXPECT_EQ(ReadOrdaObject(id.Bytes(), m, o), "ID word 3 is F0F0, not a 12-bit word");
}

TEST(OrdaSymbolReader, ReadsSymbolsBreakResetAndWatches) {
    SymbolsBuilder b;
    b.Add("__ORDA", "DATA", 1, 0)
        .Add("__SX_BREAK", "ADDR", 0x10, 21)
        .Add("__SX_RESET", "RESB", 0xA00, 5)
        .Watch("counter.3", "UBIN", 0x308, 1, 9)
        .Watch("name", "ZSTR", 0x10, 0x20, 10)
        .Watch("delay:wait", "SDEC", 0x0A, 8, 11)
        .Add("flag", "DATA", 0x305, 7, ".3")
        .Add("Main", "ADDR", 0x12, 30);
    OrdaSymbols s;
    ASSERT_EQ(ReadOrdaSymbols(b.Text(), s), "");
    ASSERT_EQ(s.symbols.size(), 2u);
    EXPECT_EQ(s.symbols[0].name, "flag");
    EXPECT_EQ(s.symbols[0].value, -1); // "00000305.3" is not hexadecimal
    EXPECT_EQ(s.symbols[0].line, 7);
    EXPECT_EQ(s.symbols[1].name, "Main");
    EXPECT_EQ(s.symbols[1].value, 0x12);
    EXPECT_EQ(s.symbols[1].line, 30);
    EXPECT_EQ(s.breakSymbol.value, 0x10);
    EXPECT_EQ(s.breakSymbol.line, 21);
    EXPECT_EQ(s.resetSymbol.value, 0xA00);
    EXPECT_EQ(s.resetSymbol.line, 5);
    ASSERT_EQ(s.watches.size(), 3u);
    EXPECT_EQ(s.watchesFound, 3);
    EXPECT_EQ(s.watches[0].name, "counter.3");
    EXPECT_EQ(s.watches[0].address, 0x308);
    EXPECT_EQ(s.watches[0].length, 1);
    EXPECT_EQ(s.watches[0].format, UBIN);
    EXPECT_EQ(s.watches[0].line, 9);
    EXPECT_EQ(s.watches[1].length, 32);
    EXPECT_EQ(s.watches[1].format, ZSTR);
    EXPECT_EQ(s.watches[2].name, "delay:wait");
    EXPECT_EQ(s.watches[2].format, SDEC);

    // More than 32 watches: the first 32 are kept, all are counted.
    SymbolsBuilder many;
    for (int i = 0; i < 33; ++i)
        many.Watch("w" + std::to_string(i), "UHEX", unsigned(i + 8), 8, i + 1);
    ASSERT_EQ(ReadOrdaSymbols(many.Text(), s), "");
    EXPECT_EQ(s.watches.size(), 32u);
    EXPECT_EQ(s.watchesFound, 33);
    EXPECT_EQ(s.watches[31].name, "w31");

    // Line ends of any kind; no count means no symbols.
    ASSERT_EQ(
        ReadOrdaSymbols("Cross Reference\n1 symbols\n\nheader\nx  ADDR   00000001   0004\n", s),
        "");
    EXPECT_EQ(s.symbols.size(), 1u);
    ASSERT_EQ(ReadOrdaSymbols("Cross Reference\r\n0symbols\r\n", s), "");
    EXPECT_TRUE(s.symbols.empty());
}

TEST(OrdaSymbolReader, DamagedSymbolFilesAreRefusedWithTheReason) {
    OrdaSymbols s;
    EXPECT_EQ(ReadOrdaSymbols("", s), "it ends before its symbol count");
    EXPECT_EQ(ReadOrdaSymbols("Symbols\r\n1 symbols\r\n", s),
              "it does not begin with \"Cross Reference\"");
    EXPECT_EQ(ReadOrdaSymbols("Cross Reference\r\nmany symbols\r\n", s),
              "its symbol count \"many\" is not a number");
    // A count far beyond what the file holds is not taken at its word.
    EXPECT_EQ(ReadOrdaSymbols("Cross Reference\r\n999999999 symbols\r\n\r\nhead\r\nx\r\n", s),
              "it announces 999999999 symbols but holds 1");
    EXPECT_EQ(ReadOrdaSymbols("Cross Reference\r\n2 symbols\r\n", s),
              "it announces 2 symbols but holds 0");
    EXPECT_EQ(ReadOrdaSymbols("Cross Reference\r\n1 symbols\r\n\r\nhead\r\nlabel ADDR\r\n", s),
              "line 5 holds 2 fields instead of name, type, value and line");
    EXPECT_EQ(
        ReadOrdaSymbols(
            "Cross Reference\r\n1 symbols\r\n\r\nhead\r\n__SX_WATCH:x UDEC 00000008 0001\r\n", s),
        "watch line 5 holds 4 fields instead of name, type, value, count and line");
    // Values too long to be orda's become "not hexadecimal", as other non-digits do.
    ASSERT_EQ(ReadOrdaSymbols("Cross Reference\r\n1 symbols\r\n\r\nhead\r\n"
                              "x DATA 123456789ABCDEF0 99999999999\r\n",
                              s),
              "");
    EXPECT_EQ(s.symbols[0].value, -1);
    EXPECT_EQ(s.symbols[0].line, -1);
}

TEST(OrdaErrorLines, FileLineAndSeverityComeFromOrdasForm) {
    std::vector<std::string> lines =
        ReadOrdaErrors("/home/me/prog.src(12) Line 14, Warning 51, Pass 1: Obsolete keyword\r\n"
                       "inc/part.inc(3) Line 40, Error 3, Pass 1: Symbol not defined\r\n");
    ASSERT_EQ(lines.size(), 2u);
    OrdaErrorLine w = ParseOrdaErrorLine(lines[0]);
    EXPECT_EQ(w.file, "/home/me/prog.src");
    EXPECT_EQ(w.line, 12);
    EXPECT_FALSE(w.isError);
    OrdaErrorLine e = ParseOrdaErrorLine(lines[1]);
    EXPECT_EQ(e.file, "inc/part.inc");
    EXPECT_EQ(e.line, 3);
    EXPECT_TRUE(e.isError);

    // Paths with commas and parentheses of their own.
    OrdaErrorLine odd =
        ParseOrdaErrorLine("/tmp/a,b (copy)/x(2).src(7) Line 9, Error 1, Pass 2: Syntax");
    EXPECT_EQ(odd.file, "/tmp/a,b (copy)/x(2).src");
    EXPECT_EQ(odd.line, 7);
    EXPECT_TRUE(odd.isError);

    // Other lines: the part before the first comma, its last "(".
    OrdaErrorLine plain = ParseOrdaErrorLine("file.src(5), Error here");
    EXPECT_EQ(plain.file, "file.src");
    EXPECT_EQ(plain.line, 5);
    EXPECT_TRUE(plain.isError);
    OrdaErrorLine none = ParseOrdaErrorLine("Cannot open object file, Error");
    EXPECT_EQ(none.file, "");
    EXPECT_EQ(none.line, -1);
    EXPECT_TRUE(none.isError);
    EXPECT_EQ(ParseOrdaErrorLine("x(abc) oops").line, -1);
    EXPECT_FALSE(ParseOrdaErrorLine("no comma at all").isError);
}

TEST(ListFileLookups, ViewLineOfAListingLineSkipsMessagesAndContinuations) {
    const std::vector<std::string> view = {
        "     1                  ; comment",
        "     2  07F9  0B7F       DEVICE  SX28",
        "****** blink.src(2) Line 2, Warning 51, Pass 2: Obsolete keyword",
        "     3  0000  0CFE      start   MOV  !RB,#1",
        "        0001  0006",
        "     4  0002  0A00      main    JMP  start",
        "",
        "Cross Reference",
        "2 symbols",
        "     5  nothing past the cross reference counts",
    };
    auto f = Lines(view);
    int n = int(view.size());
    EXPECT_EQ(ViewLineOfListingLine(f, n, 1), 1);
    EXPECT_EQ(ViewLineOfListingLine(f, n, 3), 4);
    EXPECT_EQ(ViewLineOfListingLine(f, n, 4), 6);
    EXPECT_EQ(ViewLineOfListingLine(f, n, 5), -1);
    EXPECT_EQ(ViewLineOfListingLine(f, n, 0), -1);

    // Starting past the line (more view lines above than listing lines) restarts once at
    // the third line; line 1 and 2 are then not looked at again.
    const std::vector<std::string> late = {"     1  a", "     2  b", "     3  c",
                                           "     4  d", "     5  e", "     6  f"};
    EXPECT_EQ(ViewLineOfListingLine(Lines(late), 6, 3), 3);
    const std::vector<std::string> shifted = {"x", "y", "     1  a", "     2  b", "     3  c"};
    EXPECT_EQ(ViewLineOfListingLine(Lines(shifted), 5, 2), 4);
    EXPECT_EQ(ViewLineOfListingLine(Lines(shifted), 5, 1), 3);

    // Listing numbers beyond six digits are read whole.
    auto numbered = [](int i) { return std::to_string(i + 1) + "  0000  0000  x"; };
    EXPECT_EQ(ViewLineOfListingLine(numbered, 1'300'000, 1'234'568), 1'234'568);
}

TEST(ListFileLookups, PageHeadersAreNotListLines) {
    const std::vector<std::string> view = {
        "Page  1 ORDA Cross-Assembler Version 1.50  Thu Jan  2 03:04:05 2025",
        "My title",
        "",
        "Line    PC    Opcode    Source",
        "     1  0000  0C01   x",
        "     2  0001  0C02   y",
        "\fPage  2 ORDA Cross-Assembler Version 1.50  Thu Jan  2 03:04:05 2025",
        "",
        "Line    PC    Opcode    Source",
        "     3  0002  0C03   z",
    };
    std::vector<int> list = ListLinesOfView(Lines(view), int(view.size()));
    EXPECT_EQ(list, (std::vector<int>{0, 0, 0, 0, 1, 2, 0, 0, 0, 3}));
    const std::vector<std::string> plain = {"     1  a", "", "     2  b"};
    EXPECT_EQ(ListLinesOfView(Lines(plain), 3), (std::vector<int>{1, 2, 3}));
}

TEST(OrdaCommandLine, OptionsFollowTheSettingsInTheirOrder) {
    WorkingSettings s;
    s.tabSize = 4;
    s.ordaFilesToOutputDir = true;
    s.localLabelStartCol = true;
    s.useNewEditor = true;
    EXPECT_EQ(OrdaArguments(s, "/home/me/My Prog.src"),
              (std::vector<std::string>{"/F", "BIN16", "/E", "CORVANEX", "/T", "4", "/O",
                                        "USE_OUTPUT_DIR", "/home/me/My Prog.src"}));
    s.useNewEditor = false;
    s.ordaFilesToOutputDir = false;
    s.localLabelStartCol = false;
    EXPECT_EQ(OrdaArguments(s, "/a/b.src"),
              (std::vector<std::string>{"/F", "BIN16", "/E", "CORVANEX", "/D", "LBL_START_ANY",
                                        "/a/b.src"}));
    // orda would take "/b.src" for an option.
    EXPECT_EQ(OrdaArguments(s, "/b.src").back(), "/./b.src");
}
