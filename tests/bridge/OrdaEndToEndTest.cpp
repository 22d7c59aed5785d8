// The bridge running the real orda as a child process, from a program folder of its own.
#include <gtest/gtest.h>

#include "BridgeTestSupport.h"
#include "asm/Assembler.h"
#include "platform/FileIo.h"
#include "platform/ScriptedPrompter.h"
#include "target/LineEnds.h"

using namespace pellix;
using namespace pellix::test;
namespace fs = std::filesystem;

namespace {

// Sets an environment variable for the life of the object.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name)) saved_ = old;
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (saved_)
            setenv(name_, saved_->c_str(), 1);
        else
            unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> saved_;
};

struct RealRig {
    RealRig() {
        fs::create_directories(bin);
        fs::create_symlink(fs::absolute(OrdaProgram()), bin + "/ORDA.dll");
        record->StartUp();
    }
    std::string Source(const std::string& name, const std::string& text) {
        std::string p = dir / name;
        WriteFile(p, text);
        return p;
    }
    std::vector<std::string> ListLines(const std::string& source) {
        FileRead r = ReadWholeFile(unit.OutputFileFor(source, ".lst"));
        std::vector<std::string> lines;
        std::string cur;
        for (char c : r.data) {
            if (c == '\n') {
                lines.push_back(cur);
                cur.clear();
            } else if (c != '\r') {
                cur += c;
            }
        }
        return lines;
    }

    TempFolder dir;
    std::string bin = dir / "bin";
    std::unique_ptr<AssemblyRecord> record = std::make_unique<AssemblyRecord>();
    WorkingSettings settings;
    ScriptedPrompter prompter;
    PosixChildProcess process;
    OrdaUnit unit{*record, settings, prompter, process, bin};
};

} // namespace

TEST(OrdaEndToEnd, TheBlinkExampleAssemblesAsWithTheBuiltInAssembler) {
    RealRig rig;
    FileRead example = ReadWholeFile(SourceDir() + "/examples/blink.src");
    ASSERT_TRUE(example.ok);
    std::string source = rig.Source("blink.src", example.data);
    ASSERT_TRUE(rig.unit.ORDA_Init());
    // Two warnings (an obsolete keyword, no IRC_CAL): success with exit code 2.
    ASSERT_EQ(rig.unit.ORDA_Run(source), 2);
    EXPECT_TRUE(rig.prompter.messages.empty());
    EXPECT_TRUE(fs::exists(rig.bin + "/ORDA Output/blink.lst"));

    rig.unit.LoadErrorList();
    ASSERT_EQ(rig.unit.ErrorList().size(), 2u);
    EXPECT_EQ(rig.unit.FirstErrorIndex(), -1);
    EXPECT_EQ(rig.unit.ErrorLineNumber(0), 2);

    const AssemblyRecord& r = *rig.record;
    EXPECT_EQ(r.deviceFamily, 0);
    EXPECT_EQ(r.debug.frequency, 50'000'000u);
    EXPECT_EQ(r.debug.breakAddress, kNoBreak);
    EXPECT_EQ(r.assembled.IdText(), "BLINK");
    EXPECT_TRUE(r.transfer == r.assembled);

    // The same program through the built-in assembler gives the same code words.
    auto builtIn = std::make_unique<AssemblyRecord>();
    builtIn->StartUp();
    builtIn->source = ToCrLineEnds(example.data);
    Assemble(*builtIn);
    ASSERT_EQ(builtIn->status, 0) << builtIn->message;
    for (int a = 0; a < 2048; ++a)
        ASSERT_EQ(r.assembled[a], builtIn->assembled[a]) << "address " << a;

    // The map, the symbols and the list file agree with each other.
    std::vector<std::string> list = rig.ListLines(source);
    auto text = [&](int i) { return list[size_t(i)]; };
    int start = rig.unit.FindSymbol("START", false).line;
    int view = ViewLineOfListingLine(text, int(list.size()), start);
    ASSERT_GT(view, 0);
    EXPECT_NE(list[size_t(view - 1)].find("start"), std::string::npos);
    int record = rig.unit.MapIndexOfListLine(view);
    ASSERT_GE(record, 0);
    EXPECT_EQ(rig.unit.AddressOfRecord(record), 0);
    int reset = ViewLineOfListingLine(text, int(list.size()), rig.unit.ResetLine());
    ASSERT_GT(reset, 0);
    EXPECT_NE(list[size_t(reset - 1)].find("RESET"), std::string::npos);
    EXPECT_EQ(rig.unit.AddressOfRecord(rig.unit.MapIndexOfListLine(reset)), 0x7FF);

    rig.unit.EmptyOutputFolder();
    EXPECT_TRUE(fs::is_empty(rig.bin + "/ORDA Output"));
}

TEST(OrdaEndToEnd, WatchesBreakAndErrorsOfARealRun) {
    RealRig rig;
    rig.settings.ordaFilesToOutputDir = false;
    std::string source = rig.Source("watch.src", "\tDEVICE SX28AC,OSCHS2\r\n"
                                                 "\tFREQ 4000000\r\n"
                                                 "\tIRC_CAL IRC_4MHZ\r\n"
                                                 "\tRESET start\r\n"
                                                 "counter\tEQU $08\r\n"
                                                 "\tWATCH counter.3,1,UBIN\r\n"
                                                 "\tWATCH counter,8,UHEX\r\n"
                                                 "\tORG 0\r\n"
                                                 "start\tINC counter\r\n"
                                                 "\tBREAK\r\n"
                                                 "\tJMP start\r\n");
    int result = rig.unit.ORDA_Run(source);
    ASSERT_TRUE(result == 0 || result == 2) << result;
    EXPECT_TRUE(fs::exists(rig.dir / "watch.map"));
    const DebugInfo& d = rig.record->debug;
    EXPECT_EQ(d.frequency, 4'000'000u);
    EXPECT_EQ(d.breakAddress, 1);
    EXPECT_EQ(d.ircChoice, 1);
    EXPECT_EQ(rig.settings.ircCalibration, 0);
    // In the symbol file's order, which is by name.
    ASSERT_EQ(d.watchCount, 2);
    EXPECT_STREQ(d.watches[0].name, "counter");
    EXPECT_EQ(d.watches[0].target, 0x008);
    EXPECT_EQ(d.watches[0].length, 8);
    EXPECT_EQ(d.watches[0].format, UHEX);
    EXPECT_STREQ(d.watches[1].name, "counter.3");
    EXPECT_EQ(d.watches[1].target, 0x308);
    EXPECT_EQ(d.watches[1].length, 1);
    EXPECT_EQ(d.watches[1].format, UBIN);

    // An error: exit code 1, and the error list names the line.
    std::string bad = rig.Source("bad.src", "\tDEVICE SX28AC\r\n\tORG 0\r\n\tJMP nowhere\r\n");
    EXPECT_EQ(rig.unit.ORDA_Run(bad), 1);
    rig.unit.LoadErrorList();
    int first = rig.unit.FirstErrorIndex();
    ASSERT_GE(first, 0);
    EXPECT_EQ(FullPath(rig.unit.ErrorFileName(first)), bad);
    EXPECT_EQ(rig.unit.ErrorLineNumber(first), 3);
}

TEST(OrdaEndToEnd, AnInstalledProgramUsesThePerUserOutputFolder) {
    RealRig rig;
    // A file where the folder would go: the program's folder cannot take one (as in a
    // system folder; the tests may run as root, who may write anywhere).
    WriteFile(rig.bin + "/ORDA Output", "");
    const std::string data = rig.dir / "data";
    ScopedEnv env("XDG_DATA_HOME", data);
    const std::string user = data + "/pellix/ORDA Output/";
    EXPECT_TRUE(rig.settings.ordaFilesToOutputDir) << "the default";
    std::string source = rig.Source("p.src", "\tDEVICE SX28AC,OSCHS2\r\n\tFREQ 4000000\r\n"
                                             "\tIRC_CAL IRC_4MHZ\r\n\tRESET start\r\n"
                                             "\tORG 0\r\nstart\tJMP start\r\n");
    int result = rig.unit.ORDA_Run(source);
    EXPECT_TRUE(result == 0 || result == 2) << result;
    EXPECT_EQ(rig.unit.OutputFolder(), user);
    EXPECT_EQ(rig.unit.OutputFileFor(source, ".lst"), user + "p.lst");
    EXPECT_TRUE(fs::exists(user + "p.lst"));
    EXPECT_FALSE(fs::exists(rig.dir / "p.obj")) << "nothing beside the source";
    EXPECT_EQ(rig.record->assembled[0], 0x8A00) << "the object was read from there";

    rig.unit.EmptyOutputFolder();
    EXPECT_TRUE(fs::is_empty(user));
}
