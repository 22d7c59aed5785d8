// Object, list, map, symbol and error files and the debug module, byte for byte.
#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "BridgeReader.h"
#include "OrdaRun.h"

using namespace ordatest;

namespace {

const std::string kQuiet = " FREQ 4000000\n IRC_CAL IRC_SLOW\n";

// One Intel HEX record with its checksum.
// `count` is the count field when it is not the number of data bytes (16-bit formats).
std::string Rec(unsigned address, const std::vector<unsigned>& bytes, int count = -1) {
    char buf[16];
    unsigned n = count < 0 ? unsigned(bytes.size()) : unsigned(count);
    unsigned sum = n + (address >> 8) + (address & 0xFF);
    std::string s = ":";
    std::snprintf(buf, sizeof buf, "%02X%04X00", n, address);
    s += buf;
    for (unsigned b : bytes) {
        std::snprintf(buf, sizeof buf, "%02X", b);
        s += buf;
        sum += b;
    }
    std::snprintf(buf, sizeof buf, "%02X", (0x100 - (sum & 0xFF)) & 0xFF);
    return s + buf + "\r\n";
}

std::vector<std::string> Records(const std::string& hex) {
    std::vector<std::string> out;
    size_t start = 0;
    while (start < hex.size()) {
        size_t end = hex.find("\r\n", start);
        if (end == std::string::npos) break;
        out.push_back(hex.substr(start, end + 2 - start));
        start = end + 2;
    }
    return out;
}

std::vector<unsigned> Bytes8m(std::initializer_list<unsigned> words) {
    std::vector<unsigned> b;
    for (unsigned w : words)
        b.push_back(w & 0xFF), b.push_back(w >> 8);
    return b;
}

std::vector<unsigned> Bytes16(std::initializer_list<unsigned> words) {
    std::vector<unsigned> b;
    for (unsigned w : words)
        b.push_back(w >> 8), b.push_back(w & 0xFF);
    return b;
}

uint16_t Le(const std::string& s, size_t at) {
    return Le16(s, at);
}

std::vector<std::string> TextLines(const std::string& text) {
    return Lines(text);
}

} // namespace

// ---- Intel HEX ----

TEST(HexFiles, CodeAtBothEndsOfMemory) {
    auto r = Source(kQuiet + " DEVICE SX28AC, OSCRC\n DW 0A5h\n ORG 7FFh\n DW 5Ah\n",
                    "/E CORVANEX /F INHX8M");
    ASSERT_EQ(r->exitCode, 0) << r->console();
    auto recs = Records(r->File("t.hex"));
    ASSERT_EQ(recs.size(), 8u) << r->File("t.hex");
    EXPECT_EQ(recs[0], Rec(0x0000, {0xA5, 0x00}));
    EXPECT_EQ(recs[1], Rec(0x0FFE, {0x5A, 0x00}));
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(recs[size_t(2 + i)],
                  Rec(0x2000 + 8 * unsigned(i), Bytes8m({0xFFF, 0xFFF, 0xFFF, 0xFFF})));
    EXPECT_EQ(recs[6],
              Rec(0x2020, Bytes8m({0xFFB, 0xBFF, 0xFFFF, 0xAB02, 0x003D, 0x0900, 0, 0xFFFF})));
    EXPECT_EQ(recs[7], ":00000001FF\r\n");
}

TEST(HexFiles, RecordLengthsPerFormat) {
    std::string five = kQuiet + " DW 1,2,3,4,5\n";
    auto m = Source(five, "/E CORVANEX /F INHX8M");
    auto rm = Records(m->File("t.hex"));
    EXPECT_EQ(rm[0], Rec(0, Bytes8m({1, 2, 3, 4})));
    EXPECT_EQ(rm[1], Rec(8, Bytes8m({5})));
    auto s = Source(five, "/E CORVANEX /F INHX16");
    auto rs = Records(s->File("t.hex"));
    // the count field of the 16-bit format counts words
    EXPECT_EQ(rs[0], Rec(0, Bytes16({1, 2, 3, 4, 5}), 5));
    EXPECT_EQ(rs[1], Rec(0x1000, Bytes16({0xFFF, 0xFFF, 0xFFF, 0xFFF}), 4));
    EXPECT_EQ(rs[5],
              Rec(0x1010, Bytes16({0xFFB, 0x0BFF, 0xFFFF, 0xAB00, 0x003D, 0x0900, 0, 0xFFFF}), 8));
}

TEST(HexFiles, BlankWordSplitsRecords) {
    auto r = Source(kQuiet + " DW 1, 0FFFh, 2\n", "/E CORVANEX /F INHX8M");
    auto recs = Records(r->File("t.hex"));
    EXPECT_EQ(recs[0], Rec(0, Bytes8m({1})));
    EXPECT_EQ(recs[1], Rec(4, Bytes8m({2})));
}

TEST(HexFiles, SplitFilesShareTheirRecords) {
    auto r = Source(kQuiet + " DW 123h, 456h\n", "/E CORVANEX /F INHX8S");
    auto lo = Records(r->File("t.hxl")), hi = Records(r->File("t.hxh"));
    ASSERT_EQ(lo.size(), hi.size());
    EXPECT_EQ(lo[0], Rec(0, {0x23, 0x56}));
    EXPECT_EQ(hi[0], Rec(0, {0x01, 0x04}));
    EXPECT_EQ(lo.back(), ":00000001FF\r\n");
    EXPECT_FALSE(r->Has("t.hex"));
}

TEST(HexFiles, Intel32StartsWithItsAddressRecord) {
    auto r = Source(kQuiet + " DW 1\n", "/E CORVANEX /F INHX32");
    ASSERT_EQ(r->exitCode, 0) << r->console();
    auto recs = Records(r->File("t.hex"));
    EXPECT_EQ(recs[0], ":020000040000FA\r\n");
    EXPECT_EQ(recs[1], Rec(0, Bytes8m({1})));
}

TEST(HexFiles, WordsAreWrittenAsStored) {
    auto r = Source(kQuiet + " DW -1, 1234h\n", "/E CORVANEX /F INHX16");
    EXPECT_EQ(Records(r->File("t.hex"))[0], Rec(0, Bytes16({0xFFFF, 0x1234}), 2));
}

// ---- BIN16 ----

TEST(Bin16, SizesAndTail) {
    auto plain = Assemble({{"t.asm", " FREQ 4000000\n DW 1234h\n"}}, "/F BIN16 t");
    std::string obj = plain->File("t.obj");
    EXPECT_EQ(obj.size(), 2u * 2048u);
    EXPECT_EQ(Le(obj, 0), 0x234) << "masked to 12 bits";
    auto ext = Source(kQuiet + " DEVICE SX52BD\n ID 'AB'\n BREAK\n", "/E CORVANEX /F BIN16");
    std::string e = ext->File("t.obj");
    ASSERT_EQ(e.size(), 2u * 4096u + 48u);
    size_t id = 2 * 4096;
    EXPECT_EQ(Le(e, id), 0x0FF4);
    EXPECT_EQ(Le(e, id + 2), 0x0FF1);
    EXPECT_EQ(Le(e, id + 4), 0x0FF4);
    EXPECT_EQ(Le(e, id + 6), 0x0FF2);
    for (int i = 4; i < 16; ++i)
        EXPECT_EQ(Le(e, id + 2 * size_t(i)), 0x0FFF);
    size_t c = id + 32;
    EXPECT_EQ(Le(e, c), 0x0FFB);
    EXPECT_EQ(Le(e, c + 2), 0x0FFF);
    EXPECT_EQ(Le(e, c + 4), 0xFFFF);
    EXPECT_EQ(Le(e, c + 6), 0xAB04);
    EXPECT_EQ(Le(e, c + 8), 0x003D);
    EXPECT_EQ(Le(e, c + 10), 0x0900);
    EXPECT_EQ(Le(e, c + 12), 0);
    EXPECT_EQ(Le(e, c + 14), 0);
}

TEST(Bin16, DefaultFrequencyWords) {
    auto r = Source(" NOP\n", "/E CORVANEX /F BIN16");
    EXPECT_EQ(r->exitCode, 2);
    std::string e = r->File("t.obj");
    size_t c = 2 * 2048 + 32;
    EXPECT_EQ(Le(e, c + 8), 0x02FA);
    EXPECT_EQ(Le(e, c + 10), 0xF080);
    EXPECT_EQ(Le(e, c + 12), 0);
    EXPECT_EQ(Le(e, c + 14), 0xFFFF) << "no BREAK";
}

// ---- symbol file ----

TEST(SymbolFile, Layouts) {
    auto r =
        Source(kQuiet + "flag EQU RA.2\nk EQU 7\ncv EQU 0Ah\n WATCH cv.3, 1, UBIN\nneg EQU -1\n");
    std::string sym = r->File("t.sym");
    bool crlf;
    std::string text = FromCrLf(sym, crlf);
    EXPECT_TRUE(crlf);
    EXPECT_EQ(text.rfind("Cross Reference\n9 symbols\n\nSymbol                            "
                         "Type   Value      Line\n",
                         0),
              0u)
        << text;
    EXPECT_NE(text.find("\nflag                              DATA   00000005.2 0003\n"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("\nk                                 DATA   00000007   0004\n"),
              std::string::npos);
    EXPECT_NE(text.find("\n__SX_WATCH:cv.3                   UBIN   0000030A 01 0006\n"),
              std::string::npos);
    EXPECT_NE(text.find("\nneg                               DATA   FFFFFFFF   0007\n"),
              std::string::npos);
    EXPECT_NE(text.find("\nRA                                RESV   00000005   0003\n"),
              std::string::npos);
    EXPECT_EQ(text.back(), '\n');
}

TEST(SymbolFile, WatchTypesShowOnlyUnderTheExtension) {
    auto r = Assemble({{"t.asm", " FREQ 1\nx EQU 1\n"}}, "t");
    bool crlf;
    EXPECT_NE(FromCrLf(r->File("t.sym"), crlf).find("x                                 DATA"),
              std::string::npos);
    EXPECT_STREQ(orda::SymbolTypeName(12, false), "ERR");
    EXPECT_STREQ(orda::SymbolTypeName(12, true), "UBIN");
    EXPECT_STREQ(orda::SymbolTypeName(20, true), "ERR");
}

// ---- list file ----

TEST(ListFile, StatementKinds) {
    auto r = Assemble({{"t.asm", kQuiet + "k EQU RA.3\n\tMOV\t8,#5 ; load\n DW 1,2,3,4,5,6\n"
                                          " INCLUDE i.inc\n DEVICE SX28AC, OSCRC\n SPAC 2\nlbl\n"},
                       {"i.inc", " NOP\n"}},
                      "/E CORVANEX t");
    bool crlf;
    auto lines = TextLines(FromCrLf(r->File("t.lst"), crlf));
    EXPECT_TRUE(crlf);
    std::vector<std::string> want{
        "     1  =003D0900        FREQ 4000000",
        "     2  =00000000        IRC_CAL IRC_SLOW",
        "     3  =00000005.3     k EQU RA.3",
        "     4  0000  0C05              MOV     8,#5 ; load",
        "        0001  0028",
        "     5  0002  0001       DW 1,2,3,4,5,6",
        "        0003  0002 0003 0004 0005",
        "        0007  0006",
        "     6                   INCLUDE i.inc",
        "     7  0008  0000   +   NOP",
        "     8  0FFB  0BFF       DEVICE SX28AC, OSCRC",
        "     9                   SPAC 2",
        "",
        "",
        "    10  =00000009       lbl",
        "",
        "Cross Reference",
    };
    ASSERT_GE(lines.size(), want.size());
    for (size_t i = 0; i < want.size(); ++i)
        EXPECT_EQ(lines[i], want[i]) << i;
}

TEST(ListFile, MessagesFollowTheirLine) {
    auto r = Source(kQuiet + " MOV W,#300\n NOP\n");
    auto lines = TextLines(r->File("t.lst"));
    EXPECT_EQ(lines[2], "     3  0000  0C2C       MOV W,#300");
    EXPECT_EQ(lines[3], "****** t.asm(3) Line 3, Warning 37, Pass 2: Literal truncated to 8 bits");
    EXPECT_EQ(lines[4], "     4  0001  0000       NOP");
}

TEST(ListFile, MacroAndExpansionFlags) {
    auto r = Source(kQuiet + "two MACRO\n NOP\n NOP\n ENDM\n two\n");
    auto lines = TextLines(r->File("t.lst"));
    EXPECT_EQ(lines[7], "     8  0000  0000   m   NOP");
    EXPECT_EQ(lines[8], "     9  0001  0000   m   NOP");
    auto s = Source(kQuiet + " NOEXPAND\ntwo MACRO\n NOP\n NOP\n ENDM\n two\n SLEEP\n");
    auto l2 = TextLines(s->File("t.lst"));
    EXPECT_EQ(l2[7], "     8                   two");
    EXPECT_EQ(l2[8], "    11  0002  0003       SLEEP") << "expanded lines are not listed";
}

TEST(ListFile, TabsExpandAndLongLinesAreCut) {
    auto r = Source(kQuiet + "\tNOP\t; x\n", "/E CORVANEX /T 4");
    EXPECT_EQ(TextLines(r->File("t.lst"))[2], "     3  0000  0000          NOP ; x");
    std::string tabs(60, '\t');
    auto s = Source(kQuiet + " NOP ;" + tabs + "end\n");
    EXPECT_TRUE(s->Says("Warning 68, Pass 2: Tab expanded list file line too long - truncating"))
        << s->console();
    std::string line = TextLines(s->File("t.lst"))[2];
    EXPECT_LE(line.size(), 8u + 13u + 3u + 257u);
    EXPECT_EQ(line.find("end"), std::string::npos);
}

TEST(ListFile, PagesWithHeadings) {
    std::string src = kQuiet + " TITLE \"My title\"\n LIST N=8\n";
    for (int i = 0; i < 6; ++i)
        src += " NOP\n";
    auto r = Source(src, "/E CORVANEX /L PAGE");
    std::string lst = r->File("t.lst");
    EXPECT_EQ(
        lst.rfind("Page  1 ORDA Cross-Assembler Version 1.50  Thu Jan  2 03:04:05 2025\r\n", 0), 0u)
        << lst;
    EXPECT_NE(lst.find("\fPage  2 ORDA Cross-Assembler"), std::string::npos);
    EXPECT_NE(lst.find("My title\r\n\r\nLine    PC    Opcode    Source\r\n"), std::string::npos);
}

// ---- map file ----

TEST(MapFile, HeaderRecordsAndNames) {
    auto r = Assemble({{"t.asm", kQuiet + " DEVICE SX28AC, OSCRC\n INCLUDE \"inc.inc\"\n"
                                          " MOV 8,#1\n"},
                       {"inc.inc", " NOP\n"}},
                      "/E CORVANEX t");
    std::string map = r->File("t.map");
    ASSERT_GE(map.size(), 2560u);
    EXPECT_EQ(Le(map, 0), 0xAAFF);
    EXPECT_EQ(Le(map, 2), 0x0100);
    EXPECT_EQ(Le(map, 4), 2);
    EXPECT_EQ(Le(map, 6), 0x7FF);
    EXPECT_EQ(Le(map, 8), 0x7FF);
    EXPECT_EQ(Le(map, 10), 0xFFFF);
    for (size_t i = 12; i < 32; ++i)
        EXPECT_EQ(map[i], 0);
    EXPECT_EQ(map.substr(32, 6), std::string("\x05t.asm"));
    EXPECT_EQ(map.substr(96, 8), std::string("\x07inc.inc"));
    // NOP in the include file, line 1 there; MOV on list lines 6 and 7 of the main file
    EXPECT_EQ(Le(map, 2048), 0);
    EXPECT_EQ(Le(map, 2050), 1);
    EXPECT_EQ(Le(map, 2052), 5);
    EXPECT_EQ(Le(map, 2054), 1);
    EXPECT_EQ(Le(map, 2056), 1);
    EXPECT_EQ(Le(map, 2058), 5);
    EXPECT_EQ(Le(map, 2060), 6);
    EXPECT_EQ(Le(map, 2062), 0);
    EXPECT_EQ(Le(map, 2064), 2);
    EXPECT_EQ(Le(map, 2068), 7);
    EXPECT_EQ(Le(map, 2072), 0) << "no more records";
}

TEST(MapFile, NamesWithoutFoldersUnderZ) {
    auto r =
        Assemble({{"t.asm", kQuiet + " INCLUDE \"/work/lib/x.inc\"\n"}, {"lib/x.inc", " NOP\n"}},
                 "/E CORVANEX /Z t");
    std::string map = r->File("t.map");
    EXPECT_EQ(map.substr(96, 6), std::string("\x05x.inc")) << r->console();
}

TEST(MapFile, NotKeptInListModeNone) {
    auto r = Source(kQuiet + " NOP\n", "/E CORVANEX /L NONE");
    EXPECT_FALSE(r->Has("t.map"));
    EXPECT_FALSE(r->Has("t.lst"));
    EXPECT_FALSE(r->Has("t.sym"));
    EXPECT_TRUE(r->Has("t.hex"));
}

// ---- error file ----

TEST(ErrorFile, OneLinePerShownMessage) {
    auto r = Source(kQuiet + " MOV W,#300\n BOGUS STUFF\n");
    EXPECT_EQ(r->File("t.err"), "t.asm(4) Line 4, Error 1, Pass 1: Bad instruction statement\r\n");
    EXPECT_FALSE(r->Has("t.hex"));
    auto s = Source(kQuiet + " NOP\n");
    EXPECT_FALSE(s->Has("t.err")) << "an empty error file is removed";
}

TEST(ErrorFile, CreationFailures) {
    auto r = std::make_unique<InProcess>();
    r->host.files["/work/t.asm"] = kQuiet + " NOP\n";
    r->host.failCreateSuffix = ".err";
    r->orda = std::make_unique<orda::Orda>(r->host);
    r->exitCode = r->orda->Run({"orda", "/E", "CORVANEX", "t"});
    EXPECT_TRUE(r->Says("\nCannot create error file 't.err'")) << r->console();
    EXPECT_EQ(r->exitCode, 0);
    r->host.console.clear();
    r->host.failCreateSuffix = ".hex";
    orda::Orda again(r->host);
    EXPECT_EQ(again.Run({"orda", "/E", "CORVANEX", "t"}), 1);
    EXPECT_TRUE(r->Says("\nCannot create Intel 8-bit merged hex file\nCannot open object file"))
        << r->console();
    r->host.console.clear();
    r->host.failCreateSuffix = ".lst";
    orda::Orda third(r->host);
    EXPECT_EQ(third.Run({"orda", "/E", "CORVANEX", "t"}), 1);
    EXPECT_TRUE(r->Says("\nCannot create program listing file")) << r->console();
}

TEST(ErrorFile, AMessageIsRepeatedAtMost1000Times) {
    // 2,540 lines each with warning 37 in pass 2.
    auto r = Source(kQuiet + " DEVICE SX52BD, OSCRC\n REPT 254\n REPT 10\n MOV W,#300\n ENDR\n"
                             " ENDR\n IREAD\n");
    ASSERT_EQ(r->exitCode, 2) << r->console().substr(0, 400);
    const std::string left = "Message 37 repeated: 1540 more reports after the first 1000 were "
                             "left out";
    EXPECT_EQ(r->Count("Warning 37, Pass 2"), int(orda::kMaxRepeats));
    EXPECT_EQ(r->Count(left + "\n"), 1);
    EXPECT_LT(r->console().find(left), r->console().find(" warnings")) << "before the summary";
    EXPECT_TRUE(r->Says("\n   2540 warnings")) << "the summary counts them all";
    auto errors = TextLines(r->File("t.err"));
    ASSERT_EQ(errors.size(), orda::kMaxRepeats + 1);
    EXPECT_EQ(errors.back(), left);
    std::string list = r->File("t.lst");
    size_t listed = 0;
    for (size_t at = list.find("Warning 37, Pass 2"); at != std::string::npos;
         at = list.find("Warning 37, Pass 2", at + 1))
        ++listed;
    EXPECT_EQ(listed, orda::kMaxRepeats);
    EXPECT_NE(list.find("****** " + left + "\r\n"), std::string::npos);
    EXPECT_EQ(r->Words(0x9EC, 1), std::vector<uint16_t>{0x041}) << "the code is all there";

    // The count is per message: another message still shows.
    auto s = Source(kQuiet + " REPT 254\n REPT 5\n a = 1/0\n ENDR\n ENDR\n BOGUS\n");
    EXPECT_EQ(s->Count("Warning 58, Pass 1"), int(orda::kMaxRepeats)) << s->console().size();
    EXPECT_EQ(s->Count(", Error 45, Pass 1: Label must begin at column 1"), 1);
}

// ---- outputs that cannot be written ----

namespace {

std::unique_ptr<InProcess> OnHost(const std::string& args,
                                  const std::function<void(orda::MemoryHost&)>& setUp,
                                  const std::string& text = kQuiet + " DEVICE SX28AC, OSCRC\n"
                                                                     " NOP\n") {
    return Assemble({{"t.asm", text}}, args + " t", 4000000, setUp);
}

} // namespace

TEST(OutputFailures, AFullDiskFailsTheRunAndLeavesNoCutFile) {
    // Room for the list file and some of the map: the map is the first to fail.
    auto r = OnHost("/E CORVANEX", [](orda::MemoryHost& h) { h.diskSpace = 1200; });
    EXPECT_EQ(r->exitCode, 1) << r->console();
    EXPECT_TRUE(r->Says("\nCannot write file 't.map': No space left on device\n")) << r->console();
    EXPECT_FALSE(r->Has("t.map")) << "the cut file is removed";
    EXPECT_FALSE(r->Has("t.hex")) << "nothing of a failed run stands as if current";

    // Every output in turn: the one that fails is named, and none of the object files stay.
    for (const char* ext : {".lst", ".map", ".sym", ".obj", ".err"}) {
        auto f = OnHost(
            "/E CORVANEX /F BIN16", [&](orda::MemoryHost& h) { h.failCloseSuffix = ext; },
            kQuiet + " DEVICE SX28AC, OSCRC\n NOP\n MOV W,#300\n");
        EXPECT_EQ(f->exitCode, 1) << ext << f->console();
        EXPECT_TRUE(f->Says(std::string("Cannot write file 't") + ext + "': Input/output error"))
            << ext << f->console();
        EXPECT_FALSE(f->Has(std::string("t") + ext)) << ext;
        EXPECT_FALSE(f->Has("t.obj")) << ext;
        if (std::string(ext) != ".err") {
            EXPECT_NE(f->File("t.err").find(std::string("Cannot write file 't") + ext),
                      std::string::npos)
                << "the environment's error list shows it too";
        }
    }
    auto hex =
        OnHost("/E CORVANEX /F INHX8S", [](orda::MemoryHost& h) { h.failCloseSuffix = ".hxh"; });
    EXPECT_EQ(hex->exitCode, 1);
    EXPECT_FALSE(hex->Has("t.hxh"));
    EXPECT_FALSE(hex->Has("t.hxl"));
    EXPECT_TRUE(hex->Has("t.lst")) << "the listing of the run stays";

    auto sxe = OnHost("/E CORVANEX /F IEEE695", [](orda::MemoryHost& h) { h.diskSpace = 3500; });
    EXPECT_EQ(sxe->exitCode, 1) << sxe->console();
    EXPECT_TRUE(sxe->Says("Cannot write file 't.sxe': No space left on device"));
    EXPECT_FALSE(sxe->Has("t.sxe"));
}

TEST(OutputFailures, ARunThatStopsEarlyRemovesTheOutputsOfAnEarlierRun) {
    const std::map<std::string, std::string> old = {
        {"t.hex", ":00000001FF\r\n"}, {"t.obj", "x"}, {"t.map", "x"}, {"t.sxe", "x"}};
    auto seed = [&](orda::MemoryHost& h) {
        for (const auto& [name, text] : old)
            h.files["/work/" + name] = text;
    };
    struct Abort {
        const char* why;
        std::string text;
        uint32_t maxLines;
        const char* says;
    };
    const Abort aborts[] = {
        {"token", kQuiet + " NOP\n" + std::string(130, 'a') + " EQU 1\n", 4000000, "Error 34"},
        {"include", kQuiet + " INCLUDE \"none.inc\"\n", 4000000, "Error 61"},
        {"expansion", kQuiet + " REPT 200\n NOP\n ENDR\n", 50, "Error 75"},
    };
    for (const Abort& a : aborts) {
        auto r = Assemble({{"t.asm", a.text}}, "/E CORVANEX t", a.maxLines, seed);
        EXPECT_EQ(r->exitCode, 1) << a.why;
        EXPECT_TRUE(r->Says(a.says)) << a.why << r->console();
        for (const auto& [name, text] : old)
            EXPECT_FALSE(r->Has(name)) << a.why << " " << name;
    }
    // The source itself cannot be read (error 60).
    auto r = Assemble({}, "/E CORVANEX t", 4000000, seed);
    EXPECT_EQ(r->exitCode, 1);
    EXPECT_TRUE(r->Says("Error 60")) << r->console();
    for (const auto& [name, text] : old)
        EXPECT_FALSE(r->Has(name)) << name;
    // Options alone name no outputs: nothing is touched.
    auto u = Assemble({}, "/?", 4000000, seed);
    EXPECT_TRUE(u->Has("t.hex"));
}

// ---- IEEE-695 ----

namespace {

// Offsets of the BB 5 blocks (line numbers) and of every BE in the module.
struct Blocks {
    std::vector<std::string> names;
    int opened = 0, depth = 0, maxDepth = 0;
};

} // namespace

TEST(Ieee695, StructureAndNestedLineBlocks) {
    auto r = Assemble({{"t.asm", kQuiet + " DEVICE SX28AC, OSCRC\n NOP\n INCLUDE \"inc.inc\"\n"
                                          " SLEEP\n"},
                       {"inc.inc", " IREAD\n"}},
                      "/E CORVANEX /F IEEE695 t");
    ASSERT_EQ(r->exitCode, 0) << r->console();
    std::string m = r->File("t.sxe");
    ASSERT_GT(m.size(), 100u);
    EXPECT_EQ(uint8_t(m[0]), 0xE0);
    EXPECT_EQ(m.substr(1, 7), std::string("\x06SX28AC"));
    EXPECT_EQ(m.substr(8, 6), std::string("\x05t.asm"));
    EXPECT_EQ(m.substr(14, 4), std::string("\xEC\x08\x02\xCC"));
    // ASW records and the offsets they name
    for (int n = 0; n < 8; ++n) {
        size_t at = 18 + size_t(n) * 6;
        ASSERT_EQ(uint8_t(m[at]), 0xE2);
        ASSERT_EQ(uint8_t(m[at + 1]), 0xD7);
        ASSERT_EQ(uint8_t(m[at + 2]), n);
        ASSERT_EQ(uint8_t(m[at + 3]), 0x82);
        size_t offset = (uint8_t(m[at + 4]) << 8) | uint8_t(m[at + 5]);
        if (n == 3) {
            EXPECT_EQ(offset, 0u);
            continue;
        }
        ASSERT_LT(offset, m.size());
        uint8_t first = uint8_t(m[offset]);
        uint8_t expect[] = {0xF0, 0xF0, 0xE6, 0, 0xF8, 0xE5, 0xE2, 0xE1};
        EXPECT_EQ(first, expect[n]) << "part " << n;
    }
    EXPECT_EQ(uint8_t(m.back()), 0xE1);
    EXPECT_NE(m.find(std::string("\xF0\x21\x07"
                                 "AD Info",
                                 10)),
              std::string::npos);
    EXPECT_NE(m.find(std::string("\xF0\x22\x08"
                                 "ORDA Env",
                                 11)),
              std::string::npos);
    // two nested line-number blocks, the inner one for the include file
    std::string outer = std::string("\xF8\x05\x00\x05t.asm", 9);
    std::string inner = std::string("\xF8\x05\x00\x07inc.inc", 11);
    size_t o = m.find(outer), i = m.find(inner);
    ASSERT_NE(o, std::string::npos);
    ASSERT_NE(i, std::string::npos);
    EXPECT_LT(o, i);
    // line entry for IREAD: ATN index 0 7 line 0, then ASN index address
    size_t nn = m.find("LineNumbers", i);
    ASSERT_NE(nn, std::string::npos);
    uint8_t innerIndex = uint8_t(m[nn - 2]);
    std::string atn =
        std::string("\xF1\xCE") + char(innerIndex) + std::string("\x00\x07\x01\x00", 4);
    EXPECT_NE(m.find(atn, nn), std::string::npos);
    std::string asn = std::string("\xE2\xCE") + char(innerIndex) + std::string("\x01", 1);
    EXPECT_NE(m.find(asn, nn), std::string::npos);
    // code words in the data part, low byte first
    std::string ld = std::string("\xED\x7E\x00\x00\x41\x00\x03\x00", 8);
    EXPECT_NE(m.find(ld), std::string::npos);
}

TEST(Ieee695, ShortWritesAreReported) {
    auto r = std::make_unique<InProcess>();
    r->host.files["/work/t.asm"] = kQuiet + " NOP\n";
    r->host.shortWriteLimit = 4;
    r->orda = std::make_unique<orda::Orda>(r->host);
    r->exitCode = r->orda->Run({"orda", "/F", "IEEE695", "t"});
    EXPECT_TRUE(r->Says("\nCommand Buffer Length: ")) << r->console();
    EXPECT_TRUE(r->Says("But Only Wrote: 4 bytes\n"));
    EXPECT_EQ(r->exitCode, 1) << "a cut module is no success";
    EXPECT_FALSE(r->Has("t.sxe"));
}

// ---- what the environment reads ----

TEST(Bridge, ReadsAWholeProgram) {
    auto r = Assemble({{"t.asm", " DEVICE SX28AC, OSCHS2, TURBO\n FREQ 20_000_000\n"
                                 " IRC_CAL IRC_4MHZ\n ID 'PROG'\n RESET main\n"
                                 "count EQU 10h\n WATCH count, 1, UDEC\n WATCH count.2, 1, UBIN\n"
                                 "main MOV count,#3\n:loop DJNZ count,:loop\n BREAK\n JMP main\n"
                                 " MOV W,#300\n"}},
                      "/F BIN16 /E CORVANEX /T 8 /D LBL_START_ANY t");
    ASSERT_EQ(r->exitCode, 2) << r->console();
    BridgeMap map;
    ASSERT_TRUE(ReadBridgeMap(r->File("t.map"), map));
    EXPECT_EQ(map.header[2], 2);
    EXPECT_EQ(map.header[3], 0x7FF);
    ASSERT_GE(map.records.size(), 5u);
    EXPECT_EQ(map.records[0].address, 0x7FF) << "the reset vector";
    EXPECT_EQ(map.records[1].address, 0);
    BridgeObject obj;
    ASSERT_TRUE(ReadBridgeObject(r->File("t.obj"), map, obj));
    EXPECT_EQ(obj.code[0], 0x8C03);
    EXPECT_EQ(obj.code[0x7FF], 0x8A00);
    EXPECT_EQ(obj.code[100], 0x0FFF) << "blank words stay unmarked";
    EXPECT_EQ(obj.fuse, 0x7F9);
    EXPECT_EQ(obj.frequency, 20000000u);
    EXPECT_EQ(obj.irc, 1);
    EXPECT_EQ(obj.breakAddress, 4);
    EXPECT_EQ(obj.id[0], 0x0FF5);
    BridgeSymbols syms;
    ASSERT_TRUE(ReadBridgeSymbols(r->File("t.sym"), syms));
    ASSERT_EQ(syms.watches.size(), 2u);
    EXPECT_EQ(syms.watches[0].name, "count");
    EXPECT_EQ(syms.watches[0].address, 0x10);
    EXPECT_EQ(syms.watches[0].format, 0);
    EXPECT_EQ(syms.watches[1].name, "count.2");
    EXPECT_EQ(syms.watches[1].address, 0x210);
    EXPECT_EQ(syms.watches[1].format, 4);
    EXPECT_EQ(syms.breakSymbol.value, 4);
    EXPECT_EQ(syms.resetSymbol.value, 0xA00);
    bool foundMain = false;
    for (auto& s : syms.symbols)
        if (s.name == "main") foundMain = s.value == 0 && s.line == 9;
    EXPECT_TRUE(foundMain);
    auto errors = ReadBridgeErrors(r->File("t.err"));
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].file, "t.asm");
    EXPECT_EQ(errors[0].line, 13);
    EXPECT_FALSE(errors[0].isError);
    // each map record's list line holds that address in the list file
    auto lst = TextLines(r->File("t.lst"));
    for (const auto& rec : map.records) {
        ASSERT_LE(rec.listLine, lst.size());
        const std::string& l = lst[rec.listLine - 1];
        char addr[8];
        std::snprintf(addr, sizeof addr, "%04X", rec.address);
        EXPECT_EQ(l.substr(8, 4), addr) << l;
    }
}

TEST(Ieee695, LargeModulesKeepTheirPartOffsets) {
    std::string src = kQuiet;
    for (int i = 0; i < 6000; ++i)
        src += "symbol_number_" + std::to_string(i) + " EQU " + std::to_string(i) + "\n";
    auto r = Source(src, "/E CORVANEX /F IEEE695");
    ASSERT_EQ(r->exitCode, 0) << r->console();
    std::string m = r->File("t.sxe");
    ASSERT_GT(m.size(), 0x10000u);
    // ASW records with 4-byte offsets: E2 D7 n 84 b3 b2 b1 b0
    size_t at = 18;
    for (int n = 0; n < 8; ++n, at += 8) {
        ASSERT_EQ(uint8_t(m[at + 3]), 0x84) << n;
        size_t offset = (size_t(uint8_t(m[at + 4])) << 24) | (size_t(uint8_t(m[at + 5])) << 16) |
                        (size_t(uint8_t(m[at + 6])) << 8) | uint8_t(m[at + 7]);
        if (n == 3) continue;
        ASSERT_LT(offset, m.size());
        uint8_t expect[] = {0xF0, 0xF0, 0xE6, 0, 0xF8, 0xE5, 0xE2, 0xE1};
        EXPECT_EQ(uint8_t(m[offset]), expect[n]) << "part " << n;
    }
}
