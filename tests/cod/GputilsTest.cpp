// What gputils really writes: the .COD, list and hex files in gputils/, made by gpasm and
// gplink from the sources beside them (gputils/make.sh), read as pellix /B and pellix-cli
// read them.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "cod/CodWriter.h"
#include "platform/FileIo.h"
#include "platform/ScriptedPrompter.h"
#include "shell/SXCUnit.h"
#include "target/ImageFile.h"

using namespace pellix;
using pellix::test::CodWriter;

namespace {

std::string Folder() {
    const char* source = std::getenv("PELLIX_SOURCE_DIR");
    return std::string(source ? source : "../..") + "/tests/cod/gputils/";
}

std::vector<std::string> FileLines(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

std::string Hex4(unsigned value) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%04X", value);
    return buf;
}

// A program gputils built, loaded as pellix /B loads it.
struct Loaded {
    explicit Loaded(const std::string& base) : record(std::make_unique<AssemblyRecord>()) {
        record->StartUp();
        loader = std::make_unique<SXCLoader>(*record, prompter);
        ok = loader->SXCLoad(Folder() + base);
    }
    const TCode& Code() const { return *loader->Code(); }
    const ProgramImage& Image() const { return record->assembled; }
    uint16_t Symbol(const char* name) const {
        const CodSymbol* s = Code().FindSymbol(name, 0);
        EXPECT_NE(s, nullptr) << name;
        return s ? s->value : 0xFFFF;
    }
    std::string ListLine(int line) const {
        const DebugInfo& d = record->debug;
        if (line < 0 || line >= d.lineCount) return "(no line " + std::to_string(line) + ")";
        std::string text(d.listing.data() + d.lineText[size_t(line)],
                         size_t(d.lineText[size_t(line) + 1] - d.lineText[size_t(line)]));
        while (!text.empty() && (text.back() == '\r' || text.back() == ' '))
            text.pop_back();
        return text;
    }

    // Every written code word but `skipped` ones has a line mark, on the list line that
    // shows its address and word and ends with the text of the source line its .COD
    // record names (a macro's line inside the included file).
    void ExpectEveryInstructionOnItsOwnLine(const std::set<int>& skipped = {}) const {
        int checked = 0;
        for (int a = 0; a < kCodeWords; ++a) {
            if (!Image().Written(a) || skipped.count(a)) continue;
            const int line = record->debug.lineOfAddress[size_t(a)];
            const std::string text = ListLine(line);
            std::string file;
            int sourceLine = 0;
            ASSERT_TRUE(Code().SourcePlaceOfAddress(uint32_t(a), file, sourceLine)) << a;
            const std::vector<std::string> source = FileLines(Folder() + file);
            ASSERT_GE(sourceLine, 1);
            ASSERT_LE(size_t(sourceLine), source.size()) << file;
            std::string expected = source[size_t(sourceLine) - 1];
            while (!expected.empty() && expected.back() == ' ')
                expected.pop_back();
            SCOPED_TRACE("address " + Hex4(unsigned(a)) + ", list line " + std::to_string(line));
            char address[16];
            std::snprintf(address, sizeof address, "%X", unsigned(a));
            EXPECT_EQ(std::stoul(text.substr(0, text.find(' ')), nullptr, 16), unsigned(a)) << text;
            std::string lower = text;
            for (char& c : lower)
                c = char(std::tolower(static_cast<unsigned char>(c)));
            std::string word = Hex4(Image().Code(a));
            for (char& c : word)
                c = char(std::tolower(static_cast<unsigned char>(c)));
            EXPECT_NE(lower.find(word), std::string::npos) << text;
            ASSERT_GE(text.size(), expected.size()) << text;
            EXPECT_EQ(text.substr(text.size() - expected.size()), expected);
            ++checked;
        }
        EXPECT_GT(checked, 0);
    }

    ScriptedPrompter prompter;
    std::unique_ptr<AssemblyRecord> record;
    std::unique_ptr<SXCLoader> loader;
    bool ok = false;
};

// The image gputils wrote as hex, as the device window and pellix-cli read it.
std::unique_ptr<AssemblyRecord> HexImage(const std::string& name) {
    auto record = std::make_unique<AssemblyRecord>();
    record->StartUp();
    FileRead file = ReadWholeFile(Folder() + name);
    EXPECT_TRUE(file.ok) << name;
    EXPECT_TRUE(LoadImageText(*record, file.data)) << record->message;
    return record;
}

} // namespace

TEST(GputilsCod, Sx28ImageSymbolsAndConfiguration) {
    Loaded p("sx28");
    ASSERT_TRUE(p.ok) << p.loader->ErrorText();
    EXPECT_TRUE(p.prompter.messages.empty()) << p.prompter.messages[0].text;
    EXPECT_EQ(p.Code().Flavour(), CodFlavour::Gputils);
    EXPECT_EQ(p.Code().CompilerName(), "gpasm");
    EXPECT_EQ(p.record->deviceFamily, 0);

    EXPECT_EQ(p.Symbol("count"), 8);
    EXPECT_EQ(p.Symbol("total"), 9);
    const uint16_t start = p.Symbol("start"), loop = p.Symbol("loop"), done = p.Symbol("done");
    const uint16_t table = p.Symbol("table");
    EXPECT_EQ(start, 0x10);
    EXPECT_EQ(loop, 0x13);

    const ProgramImage& image = p.Image();
    EXPECT_EQ(image[0], 0xA10 | kWrittenMark) << "the lone word at address 0";
    EXPECT_EQ(image[1], kUnwritten);
    EXPECT_EQ(image[start], 0x069 | kWrittenMark);
    EXPECT_EQ(image[done], (0xA00 | done) | kWrittenMark);
    for (int i = 0; i < 10; ++i) // gpasm reads numbers as hexadecimal: the last is 0x10
        EXPECT_EQ(image[table + i], (i < 9 ? i + 1 : 0x10) | kWrittenMark) << "word " << i;
    EXPECT_EQ(image[table + 10], kUnwritten);
    EXPECT_EQ(image[0x7FF], (0xA00 | start) | kWrittenMark);
    EXPECT_EQ(image.Fuse(), 0x7FA) << "from __config";
    EXPECT_EQ(image.Fusex(), 0xF7F);
    EXPECT_EQ(image.IdText(), "AB");
    EXPECT_EQ(image[kIdIndex + 4], kUnwritten) << "ID words gpasm did not write";

    // The hex file holds the same code, ID and FUSEX; gpasm could not put FUSE in it.
    auto hex = HexImage("sx28.hex");
    for (int a = 0; a < kCodeWords; ++a)
        ASSERT_EQ(hex->assembled.Code(a), image.Code(a)) << a;
    EXPECT_EQ(hex->assembled.IdText(), "AB");
    EXPECT_EQ(hex->assembled.Fusex(), 0xF7F);
    EXPECT_EQ(hex->assembled.Fuse(), kClearedFuse);
}

TEST(GputilsCod, Sx28EveryInstructionIsMarkedOnItsOwnSourceLine) {
    Loaded p("sx28");
    ASSERT_TRUE(p.ok);
    // The listing has page headings and a message line among the instructions.
    const uint16_t table = p.Symbol("table");
    std::set<int> data; // the words after the first of the DW line
    for (int i = 1; i < 10; ++i)
        data.insert(table + i);
    p.ExpectEveryInstructionOnItsOwnLine(data);
    EXPECT_EQ(p.ListLine(p.record->debug.lineOfAddress[table]).substr(0, 4), Hex4(table));

    // A macro's lines are the included file's.
    std::string file;
    int line = 0;
    ASSERT_TRUE(p.Code().SourcePlaceOfAddress(0x15, file, line));
    EXPECT_EQ(file, "sx28.inc");
    EXPECT_EQ(line, 7);
    // The reset vector's record lies in the second block of 84.
    ASSERT_TRUE(p.Code().SourcePlaceOfAddress(0x7FF, file, line));
    EXPECT_EQ(file, "sx28.asm");
    EXPECT_EQ(line, 99);
}

TEST(GputilsCod, Sx52FamilyFromTheProcessorName) {
    Loaded p("sx52");
    ASSERT_TRUE(p.ok) << p.loader->ErrorText();
    EXPECT_EQ(p.record->deviceFamily, 1);
    const ProgramImage& image = p.Image();
    EXPECT_EQ(image[0xFFF], 0xA00 | kWrittenMark);
    EXPECT_EQ(image[0x200], 0x2AA | kWrittenMark);
    EXPECT_EQ(image.Fuse(), kClearedFuse) << "no __config";
    EXPECT_EQ(image.Fusex(), kClearedFusexFamily1);
    EXPECT_EQ(image.IdText(), "");
    p.ExpectEveryInstructionOnItsOwnLine();

    auto hex = HexImage("sx52.hex");
    EXPECT_EQ(hex->deviceFamily, 1);
    for (int a = 0; a < kCodeWords; ++a)
        ASSERT_EQ(hex->assembled.Code(a), image.Code(a)) << a;
}

TEST(GputilsCod, LinkedModulesWithWatchesAndBreak) {
    Loaded p("linked");
    ASSERT_TRUE(p.ok) << p.loader->ErrorText();
    EXPECT_EQ(p.Code().CompilerName(), "gplink");
    EXPECT_EQ(p.record->deviceFamily, 0);
    EXPECT_EQ(p.Image().Fusex(), 0xFFF) << "an SX28 has port RC";
    p.ExpectEveryInstructionOnItsOwnLine();

    const DebugInfo& d = p.record->debug;
    ASSERT_EQ(d.watchCount, 2);
    EXPECT_STREQ(d.watches[0].name, "total");
    EXPECT_EQ(d.watches[0].target, 9);
    EXPECT_EQ(d.watches[0].length, 8);
    EXPECT_EQ(d.watches[0].format, UDEC);
    EXPECT_STREQ(d.watches[1].name, "count");
    EXPECT_EQ(d.watches[1].format, UHEX);
    EXPECT_EQ(d.breakAddress, 7) << "the NOP after the .direct lines";

    std::string file;
    int line = 0;
    ASSERT_TRUE(p.Code().SourcePlaceOfAddress(0x40, file, line));
    EXPECT_EQ(file, "lib.asm");
    EXPECT_EQ(line, 6);

    auto hex = HexImage("linked.hex");
    for (int a = 0; a < kCodeWords; ++a)
        ASSERT_EQ(hex->assembled.Code(a), p.Image().Code(a)) << a;
}

TEST(GputilsCod, ProgrammingNeedsNoListFile) {
    auto record = std::make_unique<AssemblyRecord>();
    record->StartUp();
    ScriptedPrompter prompter;
    SXCLoader loader(*record, prompter);
    ASSERT_TRUE(loader.LoadCode(Folder() + "sx28.cod"));
    EXPECT_EQ(record->assembled.Fuse(), 0x7FA);
    EXPECT_EQ(record->assembled[0x10], 0x069 | kWrittenMark);
}

TEST(GputilsCod, AVersionNeitherFlavourKnowsIsNamed) {
    for (auto [name, version] :
         {std::pair<std::string, uint16_t>{"BCLSXC", 1}, {"gpasm", 4}, {"gpasm", 2}, {"", 7}}) {
        ScriptedPrompter prompter;
        TCode code(prompter);
        EXPECT_FALSE(code.Open(CodWriter(name, version).Bytes(), "t.cod"));
        ASSERT_EQ(prompter.messages.size(), 1u);
        const std::string& text = prompter.messages[0].text;
        EXPECT_EQ(text.rfind(".COD File Version Error: Unrecognized version of .COD file\r", 0), 0u)
            << text;
        EXPECT_NE(text.find("version " + std::to_string(version)), std::string::npos) << text;
        if (!name.empty()) {
            EXPECT_NE(text.find('"' + name + '"'), std::string::npos) << text;
        }
        EXPECT_EQ(code.ErrorText(), "Unrecognized version of .COD file");
    }
}

// A lone word at address 0 is the memory map's range 0 to 1: gputils' file has it written,
// the compiler's rule for its own files skips such a range, as before.
TEST(GputilsCod, ALoneWordAtZeroByFlavour) {
    auto build = [](const std::string& compiler, uint16_t version) {
        CodWriter w(compiler, version);
        w.Word(0, 0x0A05);
        w.Word(5, 0x0000);
        w.MemoryMap({{0, 1}, {10, 11}});
        return w.Bytes();
    };
    ScriptedPrompter prompter;
    auto record = std::make_unique<AssemblyRecord>();
    record->StartUp();
    for (auto [bytes, written] :
         {std::pair{build("gpasm", 1), true}, std::pair{build("BCLSXC", 5), false}}) {
        auto code = std::make_unique<TCode>(prompter);
        ASSERT_TRUE(code->Open(bytes, "t.cod"));
        SXCLoader loader(*record, prompter);
        loader.UseCode(std::move(code));
        ASSERT_TRUE(record->debug.SetListingText(
            std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size())));
        loader.PrepareEEPROM();
        EXPECT_EQ(record->assembled.Written(0), written);
        EXPECT_TRUE(record->assembled.Written(5));
    }
}
