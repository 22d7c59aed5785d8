#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cod/CodWriter.h"
#include "platform/ScriptedPrompter.h"
#include "shell/TCode.h"

using namespace pellix;
using pellix::test::CodLocal;
using pellix::test::CodMsg;
using pellix::test::CodRec;
using pellix::test::CodWriter;

namespace {

struct Opened {
    ScriptedPrompter prompter;
    TCode code{prompter};
    bool ok = false;

    std::vector<std::string> Texts(const char* caption = nullptr) const {
        std::vector<std::string> out;
        for (const auto& m : prompter.messages)
            if (!caption || m.caption == caption) out.push_back(m.text);
        return out;
    }
};

void Open(Opened& o, const std::vector<uint8_t>& bytes) {
    o.ok = o.code.Open(bytes, "t.cod");
}

// A file with every table present, so that no notice is shown.
CodWriter Complete(const std::string& compiler = "BCLSXC") {
    CodWriter w(compiler);
    w.ShortSymbols({});
    w.LongSymbols({});
    w.LocalEntries({});
    w.LineRecords({});
    return w;
}

} // namespace

TEST(TCodeOpen, MissingFileAndShortDirectory) {
    Opened a;
    EXPECT_FALSE(a.code.Open(std::string("/nonexistent/dir/prog.cod")));
    EXPECT_EQ(a.Texts(), std::vector<std::string>{
                             "I/O Error: Unable to open code file: /nonexistent/dir/prog.cod "});
    Opened folder; // a folder is no code file
    EXPECT_FALSE(folder.code.Open(std::string("/tmp")));
    EXPECT_EQ(folder.Texts(),
              std::vector<std::string>{"I/O Error: Unable to open code file: /tmp "});

    for (size_t size : {size_t(0), size_t(511)}) {
        Opened o;
        Open(o, std::vector<uint8_t>(size, 0));
        EXPECT_FALSE(o.ok);
        EXPECT_EQ(o.Texts(),
                  (std::vector<std::string>{"I/O Error: Unable to read code directory block",
                                            "I/O Error: Unable to read code directory"}));
        EXPECT_EQ(o.code.ErrorText(), "Error reading block");
        EXPECT_EQ(o.prompter.messages[0].caption, kCodErrorCaption);
    }
}

TEST(TCodeOpen, OnlyVersionFiveIsAccepted) {
    for (uint16_t version : {4, 6, 0}) {
        Opened o;
        Open(o, CodWriter("BCLSXC", version).Bytes());
        EXPECT_FALSE(o.ok);
        ASSERT_EQ(o.Texts().size(), 1u);
        // The message goes on to say which version the file has.
        EXPECT_EQ(o.Texts()[0].rfind(
                      ".COD File Version Error: Unrecognized version of .COD file\rThe file is "
                      "version " +
                          std::to_string(version) + " from \"BCLSXC\"",
                      0),
                  0u)
            << o.Texts()[0];
        EXPECT_EQ(o.code.ErrorText(), "Unrecognized version of .COD file");
    }
}

TEST(TCodeOpen, CompilerNamesAndTheirTypes) {
    const std::pair<const char*, int> cases[] = {
        {"BCLSXC", 3},      {"BCLSXCEDU", 3}, {"BCLC8051", 0}, {"BCLCOP8GG", 1},
        {"BCLMPC Tech", 2}, {"BCLSPC700", 4}, {"BCLZ8C", 5},   {"BCLC6805KJ1", 6},
        {"BCLC6808", 7},    {"BCLCYC", 8},    {"BCLM8CASM", 9}};
    for (auto [name, type] : cases) {
        Opened o;
        Open(o, Complete(name).Bytes());
        EXPECT_TRUE(o.ok) << name;
        EXPECT_EQ(o.code.CompilerTypeNumber(), type) << name;
        EXPECT_TRUE(o.prompter.messages.empty()) << name;
    }
    // Compared exactly: another case is another compiler. The load goes on.
    for (const char* name : {"bclsxc", "BCLSX", ""}) {
        Opened o;
        Open(o, Complete(name).Bytes());
        EXPECT_TRUE(o.ok);
        EXPECT_EQ(o.code.CompilerTypeNumber(), -1);
        EXPECT_EQ(o.Texts(), std::vector<std::string>{
                                 std::string(name) + ") is not a recognized Byte Craft compiler."});
    }
}

TEST(TCodeOpen, MissingTablesAreNoticedAndTheLoadGoesOn) {
    Opened o;
    Open(o, CodWriter().Bytes());
    EXPECT_TRUE(o.ok);
    EXPECT_EQ(o.Texts(kCodNoticeCaption),
              (std::vector<std::string>{
                  "Short Symbol Table Not Loaded", "No Long Symbol Table Information Loaded",
                  "No Local Scoping Information Loaded", "No Source Line Information Available"}));
    EXPECT_EQ(o.prompter.messages.size(), 4u);
    EXPECT_EQ(o.code.CodeImage().size(), size_t(kCodCodeWords));
}

// Every block number is checked against the file: one that is not there in full ends the
// load with the block's message, the table's message and everything released.
TEST(TCodeOpen, BlocksOutsideTheFileEndTheLoad) {
    struct Case {
        int rangeAt; // -1: a code block
        std::vector<std::string> messages;
    };
    const Case cases[] = {
        {-1,
         {"I/O Error: Unable to read ROM code block", "I/O Error: Unable to read ROM code image"}},
        {CodWriter::kShort, {"I/O Error: Unable to read short symbol table block"}},
        {CodWriter::kLong,
         {"I/O Error: Unable to read long symbol table block",
          "I/O Error: Unable to read long symbol table"}},
        {CodWriter::kLocal,
         {"I/O Error: Unable to read local symbol table block",
          "I/O Error: Unable read symbol table block"}},
        {CodWriter::kFiles,
         {"I/O Error: Unable to read source files block",
          "I/O Error: Unable to read list of source files"}},
        {CodWriter::kLines,
         {"I/O Error: Unable to read source line information block",
          "I/O Error: Unable read source line information"}},
        {CodWriter::kMessages,
         {"I/O Error: Unable to read debugging information block",
          "I/O Error: Unable to read debugging information"}},
        {CodWriter::kMap,
         {"I/O Error: Unable to read memory map block", "I/O Error: Unable to read memory map"}},
    };
    for (const Case& c : cases) {
        // Beyond the end, the highest block number, a range running past the end, and a last
        // block cut short by one byte.
        for (int variant = 0; variant < 4; ++variant) {
            CodWriter w = Complete();
            w.ShortSymbols({{"sym", 1, 2}});
            int own = w.AddBlock();
            w.At(own).fill(0x41); // no terminating record: the range's next block is read
            uint16_t first = variant == 0 ? 40 : variant == 1 ? 0xFFFF : uint16_t(own);
            uint16_t last = variant == 2 ? uint16_t(own + 1) : first;
            if (c.rangeAt < 0)
                w.CodeBlock(5, first), w.CodeBlock(6, last);
            else
                w.Range(c.rangeAt, first, last);
            std::vector<uint8_t> bytes = w.Bytes();
            if (variant == 3) bytes.pop_back();
            Opened o;
            Open(o, bytes);
            EXPECT_FALSE(o.ok) << c.messages[0] << " variant " << variant;
            EXPECT_EQ(o.Texts(kCodErrorCaption), c.messages) << "variant " << variant;
            EXPECT_EQ(o.code.ErrorText(), kErrorReadingBlock);
            EXPECT_FALSE(o.code.IsOpen());
            EXPECT_TRUE(o.code.Scopes().empty());
            EXPECT_TRUE(o.code.CodeImage().empty());
            EXPECT_EQ(o.code.FindSymbol("sym", 0), nullptr);
        }
    }
}

TEST(TCodeOpen, CodeImageFollowsTheCodeBlocks) {
    CodWriter w = Complete();
    w.Word(0x000, 0x0A01);
    w.Word(0x7FF, 0x0A00);
    w.Word(0x1012, 0x0900);
    w.Word(32767, 0xBEEF);
    Opened o;
    Open(o, w.Bytes());
    ASSERT_TRUE(o.ok);
    const auto& image = o.code.CodeImage();
    EXPECT_EQ(image[0], 0x0A01);
    EXPECT_EQ(image[0x7FF], 0x0A00);
    EXPECT_EQ(image[0x1012], 0x0900);
    EXPECT_EQ(image[32767], 0xBEEF);
    EXPECT_EQ(image[0x800], 0); // no block for 0x800 to 0x8FF
}

TEST(TCodeSymbols, ShortAndLongTablesWithDamagedEntries) {
    CodWriter w = Complete();
    w.ShortSymbols({{"alpha", 1, 0x1234}, {"twelve_chars", 2, 7}});
    w.LongSymbols({{"a_rather_long_symbol_name", 3, 0xABCD}, {"beta", 4, 0x0102}});
    // A name length past the entry's 12 characters is cut to them.
    int shortBlock = w.At(0)[CodWriter::kShort];
    w.At(shortBlock)[16] = 200;
    // A second long block: an entry running past the block's end, and a length 0 ending it
    // before an entry that must not be read.
    int longBlock = w.AddBlock();
    w.Range(CodWriter::kLong, uint16_t(w.At(0)[CodWriter::kLong]), uint16_t(longBlock));
    auto& b = w.At(longBlock);
    b[0] = 3, b[1] = 'o', b[2] = 'n', b[3] = 'e', b[4] = 1, b[8] = 0, b[9] = 9; // "one" = 9
    b[10] = 0;
    b[11] = 3, b[12] = 'b', b[13] = 'a', b[14] = 'd';
    int tail = w.AddBlock();
    w.Range(CodWriter::kLong, uint16_t(w.At(0)[CodWriter::kLong]), uint16_t(tail));
    w.At(tail)[0] = 250;   // fits: 257 bytes
    w.At(tail)[257] = 250; // would reach past the block's end

    Opened o;
    Open(o, w.Bytes());
    ASSERT_TRUE(o.ok);
    auto value = [&](const char* name) {
        const CodSymbol* s = o.code.FindSymbol(name, 0);
        return s ? int(s->value) : -1;
    };
    EXPECT_EQ(value("alpha"), 0x1234);
    EXPECT_EQ(value("twelve_chars"), 7);
    EXPECT_EQ(value("a_rather_long_symbol_name"), 0xABCD); // high byte first
    EXPECT_EQ(value("beta"), 0x0102);
    EXPECT_EQ(value("one"), 9);
    EXPECT_EQ(value("bad"), -1);
    EXPECT_EQ(value("Alpha"), -1); // exact comparison
}

TEST(TCodeSymbols, InnermostScopeFirstAndTheTypeByteRule) {
    auto build = [](const std::string& compiler, uint32_t scale) {
        CodWriter w = Complete(compiler);
        w.ShortSymbols({{"x", 1, 100}, {"hid", 156, 1}, {"h255", 255, 1}});
        w.LocalEntries({{"before", 1, 7},
                        CodLocal::Scope(0x100 * scale, 0x1FF * scale),
                        {"x", 1, 1},
                        {"hid", 1, 2},
                        {"dup", 156, 3},
                        {"dup", 5, 4},
                        CodLocal::Scope(0x120 * scale, 0x13F * scale),
                        {"x", 1, 2},
                        CodLocal::Scope(0x200 * scale, 0x2FF * scale),
                        {"x", 1, 3}});
        return w.Bytes();
    };
    Opened o;
    Open(o, build("BCLC8051", 1));
    ASSERT_TRUE(o.ok);
    auto x = [&](const Opened& c, uint32_t at) { return c.code.FindSymbol("x", at)->value; };
    EXPECT_EQ(x(o, 0x130), 2);
    EXPECT_EQ(x(o, 0x150), 1);
    EXPECT_EQ(x(o, 0x250), 3);
    EXPECT_EQ(x(o, 0x050), 100);
    EXPECT_EQ(o.code.FindSymbol("before", 0)->value, 7); // before any scope: the root
    EXPECT_EQ(o.code.FindSymbol("hid", 0)->type, 156);   // only 255 is hidden here
    EXPECT_EQ(o.code.FindSymbol("h255", 0), nullptr);
    EXPECT_EQ(o.code.Scopes()[2].parent, 1);

    // The SX compiler addresses words: the scopes' byte addresses are halved, and type 156
    // is the hidden one.
    Opened sx;
    Open(sx, build("BCLSXC", 2));
    ASSERT_TRUE(sx.ok);
    EXPECT_EQ(x(sx, 0x130), 2);
    EXPECT_EQ(x(sx, 0x250), 3);
    EXPECT_EQ(sx.code.FindSymbol("hid", 0x150)->value, 2); // the scope's own, not the root's
    EXPECT_EQ(sx.code.FindSymbol("hid", 0), nullptr);
    EXPECT_EQ(sx.code.FindSymbol("dup", 0x150)->value, 4);
    EXPECT_NE(sx.code.FindSymbol("h255", 0), nullptr);
    Opened unscaled;
    Open(unscaled, build("BCLC8051", 2));
    EXPECT_EQ(x(unscaled, 0x250), 2); // 0x240..0x27F is the inner scope when not halved
}

TEST(TCodeTables, SourceFilesMessagesAndMemoryMap) {
    CodWriter w = Complete();
    w.SourceFiles({"main.c", "io.h", "", "a.c", "b.c", "c.c", "d.c", "e.c", "ninth.c"});
    w.DebugMessages({{0x00012345, 'w', "count,8,UDEC"}, {7, 'b', ""}});
    w.MemoryMap({{0, 0}, {0, 0x0FF}, {0xFFE, 0xFFF}});
    // A second message block: a record running past the block's end is not read, and
    // type 0 ends the block.
    int more = w.AddBlock();
    w.Range(CodWriter::kMessages, uint16_t(w.At(0)[CodWriter::kMessages]), uint16_t(more));
    auto& b = w.At(more);
    b[3] = 9, b[4] = 'w', b[5] = 1, b[6] = 'z';
    b[7 + 4] = 0; // type 0 at the second record
    int last = w.AddBlock();
    w.Range(CodWriter::kMessages, uint16_t(w.At(0)[CodWriter::kMessages]), uint16_t(last));
    w.At(last)[4] = 'w', w.At(last)[5] = 250;
    w.At(last)[0] = 0; // first record fits; a second one at 256 would not
    std::fill(w.At(last).begin() + 6, w.At(last).begin() + 256, uint8_t('q'));
    w.At(last)[256 + 4] = 'w', w.At(last)[256 + 5] = 255;

    Opened o;
    Open(o, w.Bytes());
    ASSERT_TRUE(o.ok);
    const auto& files = o.code.SourceFiles();
    ASSERT_EQ(files.size(), 16u); // two blocks of eight
    EXPECT_EQ(files[0], "main.c");
    EXPECT_EQ(files[2], "");
    EXPECT_EQ(files[8], "ninth.c");

    const auto& m = o.code.DebugMessages();
    ASSERT_EQ(m.size(), 4u);
    EXPECT_EQ(m[0].address, 0x00012345u);
    EXPECT_EQ(m[0].type, 'w');
    EXPECT_EQ(m[0].text, "count,8,UDEC");
    EXPECT_EQ(m[1].type, 'b');
    EXPECT_EQ(m[2].address, 9u);
    EXPECT_EQ(m[2].text, "z");
    EXPECT_EQ(m[3].text.size(), 250u);

    const auto& map = o.code.MemoryMap();
    ASSERT_EQ(map.size(), 2u);
    EXPECT_EQ(map[0].last, 0x0FF);
    EXPECT_EQ(map[1].first, 0xFFE);
}

TEST(TCodeLines, ListLineCounterAndPendingRecords) {
    CodWriter w = Complete();
    w.SourceFiles({"main.c"});
    w.LineRecords({
        {0, 0x80, 10, 0}, // counter 1, pending
        {0, 0, 11, 1},    // counter 2: address 0 becomes an entry at 2
        {0, 4, 11, 1},    // bit 2: counter stays; same address, replaces the pending one
        {0, 16, 12, 2},   // counter 3: address 1 at 3; bit 4: not pending
        {0, 255, 0, 100}, // counter := 99
        {0, 0, 20, 5},    // counter 100, pending
        {0, 2, 21, 6},    // counter 101: address 5 at 101; bit 1: not pending
        {0, 0, 0, 7},     // source line 0 never counts as pending
        {0, 0, 30, 3},    // counter 103, pending; the zero record after it flushes it at 104
    });
    Opened o;
    Open(o, w.Bytes());
    ASSERT_TRUE(o.ok);
    const auto& e = o.code.LineEntries();
    ASSERT_EQ(e.size(), 4u);
    auto is = [](const CodLineEntry& x, int address, int line, int list) {
        return x.address == address && x.sourceLine == line && x.listLine == list;
    };
    EXPECT_TRUE(is(e[0], 0, 10, 2));
    EXPECT_TRUE(is(e[1], 1, 11, 3));
    EXPECT_EQ(e[1].flags, 4);
    EXPECT_TRUE(is(e[2], 5, 20, 101));
    EXPECT_TRUE(is(e[3], 3, 30, 104));
    const auto& byAddress = o.code.LineEntriesByAddress();
    EXPECT_EQ(byAddress[2].address, 3);
    EXPECT_EQ(byAddress[3].address, 5);

    EXPECT_EQ(o.code.SourceLineOfAddress(3), 30);
    EXPECT_EQ(o.code.SourceLineOfAddress(4), 30); // equally near 3 and 5: the lower
    EXPECT_EQ(o.code.SourceLineOfAddress(0x9000), 20);
    EXPECT_EQ(o.code.SourceFileOfAddress(5), "main.c");

    Opened none;
    Open(none, Complete().Bytes());
    EXPECT_EQ(none.code.SourceLineOfAddress(0), -1);
    EXPECT_EQ(none.code.SourceFileOfAddress(0), "");
}

TEST(TCodeLines, FilesFromTheEntriesThatStartThem) {
    std::vector<CodRec> records{{0, 0, 1, 0x05},    // before any file start
                                {0, 0x80, 2, 0x10}, // main.c
                                {1, 0x80, 3, 0x20}, // io.h
                                {0, 0, 4, 0x30}};   // still io.h
    // 85 records fill a block: the scan goes on into the next one.
    for (int i = 0; i < 90; ++i)
        records.push_back({0, 0, uint16_t(100 + i), uint16_t(0x100 + i)});
    CodWriter w = Complete();
    w.SourceFiles({"main.c", "io.h"});
    w.LineRecords(records);
    // The zero record ended the scan: blocks after it are never read.
    uint16_t first = uint16_t(w.At(0)[CodWriter::kLines]);
    w.Range(CodWriter::kLines, first, 999);
    Opened o;
    Open(o, w.Bytes());
    ASSERT_TRUE(o.ok);
    EXPECT_EQ(o.code.SourceFileOfAddress(0x05), "");
    EXPECT_EQ(o.code.SourceFileOfAddress(0x15), "main.c");
    EXPECT_EQ(o.code.SourceFileOfAddress(0x30), "io.h");
    EXPECT_EQ(o.code.SourceLineOfAddress(0x100 + 88), 100 + 88);
    EXPECT_EQ(o.code.LineEntries().size(), 94u);
}
