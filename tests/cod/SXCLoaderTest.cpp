#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

#include "cod/CodWriter.h"
#include "platform/ScriptedPrompter.h"
#include "shell/SXCUnit.h"

using namespace pellix;
using pellix::test::CodMsg;
using pellix::test::CodRec;
using pellix::test::CodSym;
using pellix::test::CodWriter;
namespace fs = std::filesystem;

namespace {

class SXCTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir = fs::temp_directory_path() /
              ("pellix-cod-" + std::to_string(getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir);
        record = std::make_unique<AssemblyRecord>();
        record->StartUp();
        loader = std::make_unique<SXCLoader>(*record, prompter);
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string Path(const std::string& name) const { return (dir / name).string(); }
    void WriteText(const std::string& name, const std::string& text) const {
        std::ofstream(Path(name), std::ios::binary) << text;
    }

    // The preparation steps on a file held in memory, as SXCLoad runs them.
    void Prepare(const CodWriter& w, const std::string& list = "") {
        std::vector<uint8_t> bytes = w.Bytes();
        auto code = std::make_unique<TCode>(prompter);
        ASSERT_TRUE(code->Open(bytes, "t.cod"));
        loader->UseCode(std::move(code));
        ASSERT_TRUE(record->debug.SetListingText(
            std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size())));
        loader->PrepareEEPROM();
        if (list.empty()) return;
        ASSERT_TRUE(record->debug.SetListingText(list));
        ASSERT_TRUE(loader->PrepareList());
        loader->SetCodWatchesAndBreak();
    }

    std::vector<std::string> Texts(const char* caption) const {
        std::vector<std::string> out;
        for (const auto& m : prompter.messages)
            if (m.caption == caption) out.push_back(m.text);
        return out;
    }

    fs::path dir;
    ScriptedPrompter prompter;
    std::unique_ptr<AssemblyRecord> record;
    std::unique_ptr<SXCLoader> loader;
};

// Every table present (no notices), one source file, the reset vector at 0x7FF.
CodWriter Program(uint16_t reset = 0x7FF) {
    CodWriter w;
    w.ShortSymbols({{"__RESET", 1, reset}, {"counter", 1, 0x08}, {"flags", 1, 0x0A}});
    w.LongSymbols({{"a_variable_with_a_name_of_forty_characters", 1, 0x10}});
    w.LocalEntries({});
    w.SourceFiles({"main.c"});
    return w;
}

std::string Lines(int n) {
    std::string s;
    for (int i = 0; i < n; ++i)
        s += "line " + std::to_string(i) + "\r\n";
    return s;
}

} // namespace

TEST_F(SXCTest, WholeProgramFromItsFiles) {
    CodWriter w = Program();
    for (uint16_t a = 0; a < 6; ++a)
        w.Word(a, uint16_t(0x8A00 + a)); // a mark in the file is dropped
    w.Word(0x7FF, 0x0A00);
    w.Word(4096, 0xFF4), w.Word(4097, 0xFF1); // ID "A"
    w.Word(4112, 0x1F3A), w.Word(4113, 0x0FFF);
    w.Word(4114, 0x0900), w.Word(4115, 0x003D); // 4,000,000 Hz
    w.MemoryMap({{0, 11}, {0xFFE, 0xFFF}});
    w.LineRecords({{0, 0x80, 10, 0}, {0, 0, 11, 1}, {0, 0, 12, 4}, {0, 0, 13, 0x7FF}});
    w.DebugMessages({{2, 'w', "counter, 8, udec"}, {4, 'b', ""}, {4, 'x', "other types pass"}});
    w.Write(Path("prog.cod"));
    WriteText("prog.lst", Lines(8));

    ASSERT_TRUE(loader->SXCLoad(Path("prog")));
    EXPECT_TRUE(prompter.messages.empty());
    const ProgramImage& image = record->assembled;
    for (int a = 0; a < 6; ++a)
        EXPECT_EQ(image[a], kWrittenMark | (0xA00 + a));
    EXPECT_EQ(image[6], kUnwritten);
    EXPECT_EQ(image[0x7FF], kWrittenMark | 0xA00);
    EXPECT_EQ(image.IdText(), "A");
    EXPECT_EQ(image.Fuse(), 0xF3A);
    EXPECT_EQ(image.Fusex(), 0xFFF);
    EXPECT_EQ(record->deviceFamily, 0);
    const DebugInfo& d = record->debug;
    EXPECT_EQ(d.frequency, 4'000'000u);
    EXPECT_EQ(d.lineOfAddress[0], 0);
    EXPECT_EQ(d.lineOfAddress[4], 2);
    EXPECT_EQ(d.lineOfAddress[0x7FF], 3);
    EXPECT_EQ(d.lineOfAddress[2], -1);
    EXPECT_EQ(d.lineCount, 8);
    EXPECT_EQ(d.lineText[1], 7); // "line 0\r": LF gone
    EXPECT_EQ(d.ListingText().substr(0, 14), "line 0\rline 1\r");
    ASSERT_EQ(d.watchCount, 1);
    EXPECT_EQ(d.watches[0].target, 0x08);
    EXPECT_EQ(d.watches[0].length, 8);
    EXPECT_EQ(d.watches[0].format, UDEC);
    EXPECT_STREQ(d.watches[0].name, "counter");
    EXPECT_EQ(d.breakAddress, 4);
    EXPECT_EQ(loader->Break().name, "BREAK");
    EXPECT_EQ(loader->Break().line, 12);
}

TEST_F(SXCTest, LoadStopsAtTheFirstFailingFile) {
    CodWriter("BCLSXC", 4).Write(Path("old.cod"));
    WriteText("old.lst", "x\r\n");
    EXPECT_FALSE(loader->SXCLoad(Path("old")));
    EXPECT_EQ(loader->ErrorText(), "Unrecognized version of .COD file");
    EXPECT_EQ(record->assembled[0], kUnwritten);

    Program().Write(Path("nolist.cod"));
    EXPECT_FALSE(loader->SXCLoad(Path("nolist")));
    EXPECT_EQ(Texts(kSxcCaption).back(), "Unable to open file: " + Path("nolist.lst"));

    // Files made where case does not matter.
    CodWriter w = Program(0xFFF);
    w.Write(Path("UP.COD"));
    WriteText("UP.LST", "x\r\n");
    EXPECT_TRUE(sxc::FilesExist(Path("UP")));
    EXPECT_TRUE(loader->SXCLoad(Path("UP")));
    EXPECT_EQ(record->deviceFamily, 1);
    EXPECT_EQ(record->assembled.Fusex(), kClearedFusexFamily1); // no configuration block
}

TEST_F(SXCTest, FileLargerThanTheBufferIsRefused) {
    record->debug.SetListingCapacity(100);
    record->debug.SetListingText("kept");
    WriteText("big.lst", std::string(101, 'x'));
    EXPECT_FALSE(loader->LoadFile(Path("big.lst")));
    EXPECT_EQ(Texts(kSxcCaption).back(), "File too large to load: " + Path("big.lst") +
                                             "\rIt holds 101 bytes; the buffer takes at most "
                                             "100 bytes.");
    EXPECT_EQ(record->debug.ListingText(), "kept");
    WriteText("fits.lst", std::string(100, 'y'));
    EXPECT_TRUE(loader->LoadFile(Path("fits.lst")));
    EXPECT_EQ(record->debug.listingLength, 100u);
    EXPECT_EQ(record->debug.listing[100], '\0');
    EXPECT_FALSE(loader->LoadFile(dir.string())); // a folder is no file
}

TEST_F(SXCTest, FrequencyIsClampedBothWays) {
    const std::pair<uint32_t, uint32_t> cases[] = {{110'000'001, 110'000'000},
                                                   {0xFFFFFFFF, 110'000'000},
                                                   {110'000'000, 110'000'000},
                                                   {399'999, 400'000},
                                                   {0, 400'000},
                                                   {400'000, 400'000}};
    for (auto [given, expected] : cases) {
        CodWriter w = Program();
        w.Word(4114, uint16_t(given)), w.Word(4115, uint16_t(given >> 16));
        Prepare(w);
        EXPECT_EQ(record->debug.frequency, expected) << given;
    }
    Prepare(Program()); // no word for it: the default
    EXPECT_EQ(record->debug.frequency, kDefaultFrequency);
}

TEST_F(SXCTest, OnlyWordsInTheMemoryMapAreWritten) {
    CodWriter w = Program();
    for (uint16_t a = 0; a < 10; ++a)
        w.Word(a, 0x100 + a);
    w.Word(0xFFE, 0x123), w.Word(0xFFF, 0x456);
    w.Word(4096, 0xFF4);
    // (0, 1) is skipped like (0, 0); words 2 to 5; a backwards pair; one reaching past the
    // code words marks no ID word.
    w.MemoryMap({{0, 1}, {4, 11}, {20, 16}, {0x1FFE, 0x3000}});
    Prepare(w);
    const ProgramImage& image = record->assembled;
    EXPECT_EQ(image[0], kUnwritten);
    EXPECT_EQ(image[1], kUnwritten);
    for (int a = 2; a < 6; ++a)
        EXPECT_EQ(image[a], kWrittenMark | (0x100 + a));
    for (int a = 6; a < 10; ++a)
        EXPECT_EQ(image[a], kUnwritten);
    EXPECT_EQ(image[0xFFE], kUnwritten);
    EXPECT_EQ(image[0xFFF], kWrittenMark | 0x456);
    EXPECT_EQ(image[4096], 0xFF4); // ID words never carry the mark
}

TEST_F(SXCTest, AddressToLineMapAndDeviceFamily) {
    CodWriter w = Program(0xFFF);
    w.LineRecords({{0, 0, 1, 0},    // line 0
                   {0, 4, 1, 1},    // bit 2: no entry, no advance
                   {0, 8, 1, 2},    // bit 3: no entry
                   {0, 16, 1, 3},   // bit 4: no entry
                   {0, 0x81, 1, 4}, // line 3
                   {0, 255, 0, 10}, // +10
                   {0, 0, 1, 5000}, // no such address
                   {0, 0, 1, 6}});  // line 15
    Prepare(w);
    const auto& lines = record->debug.lineOfAddress;
    EXPECT_EQ(lines[0], 0); // the padding after the last record does not claim address 0
    EXPECT_EQ(lines[1], -1);
    EXPECT_EQ(lines[3], -1);
    EXPECT_EQ(lines[4], 3);
    EXPECT_EQ(lines[6], 15);
    EXPECT_EQ(record->deviceFamily, 1);

    // Lines that the list does not have are no lines.
    ASSERT_TRUE(record->debug.SetListingText(Lines(10)));
    ASSERT_TRUE(loader->PrepareList());
    EXPECT_EQ(lines[4], 3);
    EXPECT_EQ(lines[6], -1);

    record->deviceFamily = 1;
    Prepare(Program(0x7FF));
    EXPECT_EQ(record->deviceFamily, 0);
    CodWriter none;
    none.ShortSymbols({{"main", 1, 0}});
    record->deviceFamily = 1;
    Prepare(none);
    EXPECT_EQ(record->deviceFamily, 1); // no "__RESET": unchanged
}

TEST_F(SXCTest, ListLinesWithAnyLineEnd) {
    for (std::string text :
         {"a\r\nbb\r\n\r\nccc\r\n", "a\nbb\n\nccc\n", "a\rbb\r\rccc\r", "a\r\nbb\n\rccc"}) {
        ASSERT_TRUE(record->debug.SetListingText(text));
        ASSERT_TRUE(loader->PrepareList());
        const DebugInfo& d = record->debug;
        EXPECT_EQ(d.ListingText(), "a\rbb\r\rccc\r");
        ASSERT_EQ(d.lineCount, 4);
        EXPECT_EQ(std::vector<int>(d.lineText.begin(), d.lineText.begin() + 5),
                  (std::vector<int>{0, 2, 5, 6, 10}));
    }
    ASSERT_TRUE(record->debug.SetListingText(std::string(kMaxListLines, '\n')));
    EXPECT_TRUE(loader->PrepareList());
    EXPECT_EQ(record->debug.lineCount, kMaxListLines);
    ASSERT_TRUE(record->debug.SetListingText(std::string(kMaxListLines, '\n') + "x"));
    EXPECT_FALSE(loader->PrepareList());
    EXPECT_EQ(Texts(kSxcCaption).back(),
              "List is too large\rThe list file has more than 25000 lines.");
}

TEST_F(SXCTest, WatchPragmasAndTheirMessages) {
    CodWriter w = Program();
    w.LineRecords({{0, 0x80, 12, 0x20}});
    std::vector<CodMsg> m{{0x20, 'w', "nosuch,8,UDEC"},
                          {0x20, 'w', "counter,8,UDECX"},
                          {0x20, 'w', "counter,8x,UDEC"},
                          {0x20, 'w', "counter,33,SBIN"},
                          {0x20, 'w', "counter,17,FSTR"},
                          {0x20, 'w', "counter,0,UHEX"},
                          {0x20, 'w', "counter,-3,ZSTR"},
                          {0x20, 'w', "counter,99999999999999999999,UDEC"},
                          {0x20, 'w', "counter,32,SBIN"},
                          {0x20, 'w', "flags,16,ZSTR"},
                          {0x20, 'w', "a_variable_with_a_name_of_forty_characters,1,UBIN"}};
    for (int i = int(m.size()); i < 32; ++i)
        m.push_back({0x20, 'w', "flags,+4,Shex"});
    m.push_back({0x20, 'w', "flags,4,UDEC"}); // the 33rd: one too many
    w.DebugMessages(m);
    Prepare(w, Lines(3));

    const std::string head = "Src. File:main.c\rLine #12\r\r";
    EXPECT_EQ(loader->LocationText(0x20), head);
    EXPECT_EQ(
        Texts(kPragmaCaption),
        (std::vector<std::string>{
            head + "Pragma: nosuch,8,UDEC\r\r\"nosuch\" is not a valid WATCH variable.",
            head + "Pragma: counter,8,UDECX\r\r\"UDECX\" is not a valid WATCH type.",
            head + "Pragma: counter,8x,UDEC\r\rNumber of WATCH bits must be a valid "
                   "integer.\r\"8x\" is not a valid integer.",
            head + "Pragma: counter,33,SBIN\r\r33 is greater than the max. # of WATCH bits (32).",
            head + "Pragma: counter,17,FSTR\r\r17 is greater than the max. # of string WATCH "
                   "bytes (16).",
            head + "Pragma: counter,0,UHEX\r\r0 is less than the min. # of WATCH bits (1).",
            head + "Pragma: counter,-3,ZSTR\r\r-3 is less than the min. # of string WATCH "
                   "bytes (1).",
            head + "Pragma: counter,99999999999999999999,UDEC\r\rNumber of WATCH bits must be "
                   "a valid integer.\r\"99999999999999999999\" is not a valid integer."}));
    EXPECT_EQ(Texts(kTooManyWatchesCaption),
              std::vector<std::string>{head + "\rYou have exceeded the maximum number of WATCH "
                                              "variables (32)\rAny additional WATCH variables "
                                              "will be ignored."});
    // Of the first 32 messages 8 failed: 24 watches.
    const DebugInfo& d = record->debug;
    ASSERT_EQ(d.watchCount, 24);
    EXPECT_EQ(d.watches[0].format, SBIN);
    EXPECT_EQ(d.watches[0].length, 32);
    EXPECT_EQ(d.watches[1].target, 0x0A);
    EXPECT_EQ(d.watches[1].format, ZSTR);
    EXPECT_EQ(std::string(d.watches[2].name),
              std::string("a_variable_with_a_name_of_forty_characters", 31));
    EXPECT_EQ(d.watches[3].format, SHEX);
    EXPECT_EQ(d.watches[3].length, 4);
    EXPECT_EQ(d.breakAddress, kNoBreak);
}

TEST_F(SXCTest, OneBreakpointAndTheLocationText) {
    CodWriter w = Program();
    w.LineRecords({{0, 0, 7, 0x10}, {0, 0x80, 9, 0x30}});
    w.DebugMessages({{0x1234, 'b', ""}, {0x10, 'b', ""}, {0x30, 'b', ""}});
    Prepare(w, Lines(4));
    EXPECT_EQ(Texts(kSxcCaption),
              std::vector<std::string>{
                  "Src. File:main.c\rLine #9\r\rThe BREAK address 1234 lies outside program "
                  "memory.\rIt will be ignored."});
    EXPECT_EQ(Texts(kTooManyBreaksCaption),
              std::vector<std::string>{"Src. File:main.c\rLine #9\r\r\rPellix can only have a "
                                       "single BREAK line\rThe first breakpoint (line 7) will be "
                                       "used."});
    EXPECT_EQ(record->debug.breakAddress, 0x10);
    EXPECT_EQ(loader->LocationText(0x10), "Line #7\r\r"); // before the first file start

    // Without line records there is no location at all.
    CodWriter bare = Program();
    bare.LineRecords({});
    bare.DebugMessages({{0x10, 'b', ""}, {0x11, 'b', ""}});
    prompter.messages.clear();
    Prepare(bare, Lines(1));
    EXPECT_EQ(Texts(kTooManyBreaksCaption).at(0).substr(0, 8), "\rPellix ");
    EXPECT_EQ(loader->Break().line, -1);
}

TEST(SxcMode, NamesAndCaptions) {
    EXPECT_EQ(sxc::BaseName("work/prog.cod"), "work/prog");
    EXPECT_EQ(sxc::BaseName("prog"), "prog");
    EXPECT_EQ(sxc::MainCaption("Pellix v2.02", "prog.cod", false),
              "Pellix v2.02 - ByteCraft SXC Mode - prog.cod");
    EXPECT_EQ(sxc::MainCaption("Pellix v2.02", "prog.cod", true),
              "Pellix v2.02 - ByteCraft SXC Mode - prog.cod : READ ONLY");
    EXPECT_EQ(sxc::CodeViewCaption("/home/u/prog.cod", "Code"), "prog.cod -  Code");
    EXPECT_FALSE(sxc::FilesExist("/nonexistent/prog"));
}
