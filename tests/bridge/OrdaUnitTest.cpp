// The bridge around a stand-in for orda: how it is started, what its exit codes mean, and
// what reaches the shared record from the files it writes.
#include <gtest/gtest.h>

#include "BridgeTestSupport.h"
#include "platform/ScriptedPrompter.h"

using namespace pellix;
using namespace pellix::test;
namespace fs = std::filesystem;

namespace {

struct Rig {
    Rig() {
        fs::create_directories(bin);
        WriteFile(bin + "/ORDA.dll", "#!/bin/sh\n");
        WriteFile(source, "\tDEVICE SX28\n");
        record->StartUp();
        settings.tabSize = 4;
    }
    // Outputs of a good run: a map, an object and a symbol file.
    void Good(const ObjectBuilder& object = {}, const MapBuilder& map = DefaultMap(),
              const SymbolsBuilder& symbols = DefaultSymbols()) {
        orda.files = {{".map", map.Bytes()}, {".obj", object.Bytes()}, {".sym", symbols.Text()}};
    }
    static MapBuilder DefaultMap() {
        MapBuilder m;
        m.Add(0x7FF, 5, 6).Add(0, 13, 14).Add(1, 13, 15).Add(2, 14, 16);
        return m;
    }
    static SymbolsBuilder DefaultSymbols() {
        SymbolsBuilder s;
        s.Add("__SX_RESET", "RESB", 0xA00, 5)
            .Add("MAIN", "ADDR", 2, 14)
            .Add("start", "ADDR", 0, 13);
        return s;
    }
    std::string OutBase() const { return bin + "/ORDA Output/prog"; }
    const ScriptedPrompter::Asked* Last() const {
        return prompter.messages.empty() ? nullptr : &prompter.messages.back();
    }

    TempFolder dir;
    std::string bin = dir / "bin";
    std::string source = dir / "prog.src";
    std::unique_ptr<AssemblyRecord> record = std::make_unique<AssemblyRecord>();
    WorkingSettings settings;
    ScriptedPrompter prompter;
    FakeOrda orda{bin};
    OrdaUnit unit{*record, settings, prompter, orda, bin};
};

} // namespace

TEST(OrdaRun, StartsOrdaFromTheProgramFolderWithTheSettingsOptions) {
    Rig rig;
    rig.Good();
    EXPECT_EQ(rig.unit.ORDA_Run(rig.source), 0);
    ASSERT_EQ(rig.orda.calls.size(), 1u);
    EXPECT_EQ(rig.orda.calls[0].program, rig.bin + "/ORDA.dll");
    EXPECT_EQ(rig.orda.calls[0].arguments,
              (std::vector<std::string>{"/F", "BIN16", "/E", "CORVANEX", "/T", "4", "/O",
                                        "USE_OUTPUT_DIR", rig.source}));
    EXPECT_TRUE(rig.prompter.messages.empty());
    EXPECT_EQ(rig.unit.SourcePath(), rig.source);
    EXPECT_EQ(rig.unit.OutputFileFor(rig.source, ".lst"), rig.OutBase() + ".lst");
}

TEST(OrdaRun, ExitCodeTwoIsSuccessAndOtherCodesPassThrough) {
    Rig rig;
    ObjectBuilder o;
    o.code[0] = 0x0C05;
    rig.Good(o);
    rig.orda.exitCode = 2;
    EXPECT_EQ(rig.unit.ORDA_Run(rig.source), 2);
    EXPECT_EQ(rig.record->assembled[0], 0x8C05);
    EXPECT_EQ(rig.record->status, 0);

    // Errors in the source: nothing is read and the record keeps what it had.
    o.code[0] = 0x0C06;
    rig.Good(o);
    rig.orda.exitCode = 1;
    EXPECT_EQ(rig.unit.ORDA_Run(rig.source), 1);
    EXPECT_EQ(rig.record->assembled[0], 0x8C05);

    rig.orda.exitCode = 0x107; // only the low 8 bits of an exit code count
    EXPECT_EQ(rig.unit.ORDA_Run(rig.source), 7);
    EXPECT_TRUE(rig.prompter.messages.empty());

    rig.orda.exitCode = std::nullopt;
    EXPECT_EQ(rig.unit.ORDA_Run(rig.source), kOrdaNotRun);
    ASSERT_TRUE(rig.Last());
    EXPECT_EQ(rig.Last()->text, "Couldn't start ORDA.");
    EXPECT_EQ(rig.Last()->caption, "ORDA start up ERROR");

    rig.orda.exitCode = kChildEndedAbnormally;
    EXPECT_EQ(rig.unit.ORDA_Run(rig.source), kOrdaNotRun);
    EXPECT_EQ(rig.Last()->text, "ORDA ended abnormally while assembling\r" + rig.source);

    fs::remove(rig.bin + "/ORDA.dll");
    size_t started = rig.orda.calls.size();
    EXPECT_EQ(rig.unit.ORDA_Run(rig.source), kOrdaNotRun);
    EXPECT_EQ(rig.orda.calls.size(), started);
    EXPECT_EQ(rig.Last()->text, "Couldn't find ORDA.\r" + rig.bin + "/ORDA.dll");
    EXPECT_EQ(rig.Last()->caption, "ORDA start up ERROR");
}

TEST(OrdaRun, FillsBothImagesTheFamilyAndTheDebugInformation) {
    Rig rig;
    rig.record->debug.lineCount = 12; // a listing of the built-in assembler
    rig.record->debug.lineOfAddress[0] = 3;
    MapBuilder map;
    map.device = 3; // SX48BD
    map.top = 0xFFF;
    map.Add(0, 1, 2).Add(0xFFF, 3, 4);
    ObjectBuilder o;
    o.words = 4096;
    o.deviceWord = 0xAB03;
    o.code[0] = 0x0A10;
    o.code[1] = 0x0FFF;
    o.code[0xFFF] = 0x0A00;
    o.id[0] = 0x0FF4;
    o.fuse = 0x0F7B;
    o.fusex = 0x0FFE;
    o.frequency = 20'000'000;
    o.irc = 1;
    o.breakWord = 0x0010;
    rig.Good(o, map);
    ASSERT_EQ(rig.unit.ORDA_Run(rig.source), 0);
    const AssemblyRecord& r = *rig.record;
    EXPECT_EQ(r.deviceFamily, 1);
    EXPECT_EQ(r.assembled[0], 0x8A10);
    EXPECT_EQ(r.assembled[1], 0x0FFF);
    EXPECT_EQ(r.assembled[0xFFF], 0x8A00);
    EXPECT_EQ(r.assembled[kIdIndex], 0x0FF4);
    EXPECT_EQ(r.assembled[kIdIndex + 1], 0x0FFF);
    EXPECT_EQ(r.assembled.Fuse(), 0x0F7B);
    EXPECT_EQ(r.assembled.Fusex(), 0x0FFE);
    EXPECT_TRUE(r.transfer == r.assembled);
    EXPECT_EQ(r.debug.frequency, 20'000'000u);
    EXPECT_EQ(r.debug.breakAddress, 0x0010);
    EXPECT_EQ(r.debug.ircChoice, 1) << "the program's own choice, for its operations";
    EXPECT_EQ(rig.settings.ircCalibration, 0) << "the configuration keeps the user's";
    EXPECT_EQ(r.debug.lineCount, 0);
    EXPECT_EQ(r.debug.lineOfAddress[0], -1);
    EXPECT_EQ(r.debug.watchCount, 0);

    // Back to a family-0 chip; no BREAK; a clock the key cannot make is the program's own.
    ObjectBuilder slow;
    slow.frequency = 32768;
    rig.Good(slow);
    ASSERT_EQ(rig.unit.ORDA_Run(rig.source), 0);
    EXPECT_EQ(rig.record->debug.frequency, 32768u);
    EXPECT_EQ(rig.record->debug.ircChoice, 0);
    EXPECT_EQ(rig.record->deviceFamily, 0);
    EXPECT_EQ(rig.record->debug.breakAddress, kNoBreak);
    EXPECT_EQ(rig.record->assembled[0xFFF], 0x0FFF);
}

TEST(OrdaRun, MissingOrDamagedOutputsFailWithTheirCodeAndLeaveTheRecordAlone) {
    Rig rig;
    ObjectBuilder first;
    first.code[0] = 0x0C01;
    rig.Good(first);
    ASSERT_EQ(rig.unit.ORDA_Run(rig.source), 0);
    ASSERT_EQ(rig.unit.ResetLine(), 5);

    ObjectBuilder second;
    second.code[0] = 0x0C02;
    rig.Good(second);
    rig.orda.files.erase(rig.orda.files.begin()); // no map
    EXPECT_EQ(rig.unit.ORDA_Run(rig.source), kOrdaMapFailed);
    EXPECT_EQ(rig.unit.FailureDetail(), "");
    EXPECT_EQ(rig.unit.SourcePath(), "");
    EXPECT_EQ(rig.unit.ResetLine(), -1);

    rig.Good(second);
    rig.orda.files.erase(rig.orda.files.begin() + 1); // no object
    EXPECT_EQ(rig.unit.ORDA_Run(rig.source), kOrdaObjectFailed);
    rig.Good(second);
    rig.orda.files.pop_back(); // no symbols
    EXPECT_EQ(rig.unit.ORDA_Run(rig.source), kOrdaSymbolsFailed);

    // Everything is read before anything is taken: a damaged symbol file leaves the image
    // of the last good run in place.
    rig.Good(second);
    rig.orda.files.back().second = "Cross Reference\r\n5 symbols\r\n";
    EXPECT_EQ(rig.unit.ORDA_Run(rig.source), kOrdaSymbolsFailed);
    EXPECT_EQ(rig.unit.FailureDetail(),
              ".SYM file is damaged: it announces 5 symbols but holds 0.\r" + rig.OutBase() +
                  ".sym");
    EXPECT_EQ(rig.record->assembled[0], 0x8C01);
    EXPECT_EQ(rig.record->transfer[0], 0x8C01);

    rig.Good(second);
    rig.orda.files[1].second.resize(100);
    EXPECT_EQ(rig.unit.ORDA_Run(rig.source), kOrdaObjectFailed);
    EXPECT_EQ(rig.unit.FailureDetail().rfind(".OBJ file is damaged: it holds 100 bytes", 0), 0u);

    rig.Good(second);
    rig.orda.files[0].second = std::string(3000, '\x11');
    EXPECT_EQ(rig.unit.ORDA_Run(rig.source), kOrdaMapFailed);
    EXPECT_EQ(rig.unit.FailureDetail().rfind(".MAP file is damaged: it begins with 1111", 0), 0u);
    EXPECT_EQ(rig.record->assembled[0], 0x8C01);
    EXPECT_TRUE(rig.prompter.messages.empty());
}

TEST(OrdaRun, FilesOfAnEarlierRunDoNotPassForThisOnes) {
    Rig rig;
    rig.Good();
    ASSERT_EQ(rig.unit.ORDA_Run(rig.source), 0);
    // orda succeeds but writes no map (LIST NONE in the source, say).
    rig.orda.files.clear();
    EXPECT_EQ(rig.unit.ORDA_Run(rig.source), kOrdaMapFailed);
    EXPECT_FALSE(fs::exists(rig.OutBase() + ".obj"));
}

TEST(OrdaRun, ThirtyThreeWatchesGiveOneMessageAndThirtyTwoWatches) {
    Rig rig;
    SymbolsBuilder s;
    for (int i = 0; i < 33; ++i)
        s.Watch("counter" + std::to_string(i) + ".3", "UBIN", unsigned(0x300 | (8 + i)), 1, i + 1);
    rig.Good({}, Rig::DefaultMap(), s);
    EXPECT_EQ(rig.unit.ORDA_Run(rig.source), 0);
    ASSERT_EQ(rig.prompter.messages.size(), 1u);
    EXPECT_EQ(rig.Last()->text, "You have exceeded the maximum number of WATCH variables.\rOnly "
                                "the first 32 will be used.");
    EXPECT_EQ(rig.Last()->caption, "Too Many Watch Variables");
    const DebugInfo& d = rig.record->debug;
    ASSERT_EQ(d.watchCount, 32);
    EXPECT_EQ(d.watches[0].target, 0x308);
    EXPECT_EQ(d.watches[0].length, 1);
    EXPECT_EQ(d.watches[0].format, UBIN);
    EXPECT_STREQ(d.watches[0].name, "counter0.3");
    EXPECT_STREQ(d.watches[31].name, "counter31.3");
}

TEST(OrdaRun, WatchNamesAreCutAndWatchesTheViewCannotShowAreLeftOut) {
    Rig rig;
    SymbolsBuilder s;
    std::string longName(40, 'x');
    s.Watch(longName, "SHEX", 0x10, 8, 3)
        .Watch("none", "UDEC", 0x11, 0, 4)
        .Watch("wide", "UDEC", 0x12, 0x28, 5)
        .Watch("odd", "WHAT", 0x13, 2, 6);
    rig.Good({}, Rig::DefaultMap(), s);
    EXPECT_EQ(rig.unit.ORDA_Run(rig.source), 0);
    const DebugInfo& d = rig.record->debug;
    ASSERT_EQ(d.watchCount, 2);
    EXPECT_EQ(std::string(d.watches[0].name), std::string(31, 'x'));
    EXPECT_EQ(d.watches[0].format, SHEX);
    EXPECT_STREQ(d.watches[1].name, "odd");
    EXPECT_EQ(d.watches[1].format, UDEC); // an unknown type reads as the first format
    ASSERT_EQ(rig.prompter.messages.size(), 2u);
    EXPECT_EQ(rig.prompter.messages[0].text,
              "WATCH none is left out: it watches 0 bits or characters, and a watch shows 1 to "
              "32.");
    EXPECT_EQ(rig.prompter.messages[1].caption, "Watch Variable Left Out");
}

TEST(OrdaRun, ErrorListComesFromTheErrorFile) {
    Rig rig;
    rig.orda.exitCode = 1;
    rig.orda.files = {{".err", "/x/prog.src(2) Line 2, Warning 51, Pass 1: Obsolete\r\n"
                               "part.inc(7) Line 9, Error 3, Pass 1: Symbol not defined\r\n"
                               "/x/prog.src(12) Line 20, Error 1, Pass 1: Syntax\r\n"}};
    EXPECT_EQ(rig.unit.ORDA_Run(rig.source), 1);
    rig.unit.LoadErrorList();
    ASSERT_EQ(rig.unit.ErrorList().size(), 3u);
    EXPECT_EQ(rig.unit.FirstErrorIndex(), 1);
    EXPECT_EQ(rig.unit.ErrorFileName(1), "part.inc");
    EXPECT_EQ(rig.unit.ErrorLineNumber(1), 7);
    EXPECT_EQ(rig.unit.ErrorFileName(3), "");
    EXPECT_EQ(rig.unit.ErrorLineNumber(-1), -1);

    rig.unit.ClearErrors();
    EXPECT_TRUE(rig.unit.ErrorList().empty());
    EXPECT_FALSE(fs::exists(rig.OutBase() + ".err"));
    EXPECT_EQ(rig.unit.FirstErrorIndex(), -1);

    // No error file: an empty list.
    rig.orda.files.clear();
    rig.unit.ORDA_Run(rig.source);
    rig.unit.LoadErrorList();
    EXPECT_TRUE(rig.unit.ErrorList().empty());
}

TEST(OrdaRun, LookupsOnTheMapAndTheSymbols) {
    Rig rig;
    rig.Good();
    ASSERT_EQ(rig.unit.ORDA_Run(rig.source), 0);
    EXPECT_EQ(rig.unit.MapCount(), 4);
    EXPECT_EQ(rig.unit.MapIndexOfAddress(0x7FF), 0);
    EXPECT_EQ(rig.unit.MapIndexOfAddress(1), 2);
    EXPECT_EQ(rig.unit.MapIndexOfAddress(9), -1);
    EXPECT_EQ(rig.unit.MapIndexOfListLine(16), 3);
    EXPECT_EQ(rig.unit.MapIndexOfListLine(1), -1);
    EXPECT_EQ(rig.unit.ListLineOfRecord(1), 14);
    EXPECT_EQ(rig.unit.AddressOfRecord(3), 2);
    EXPECT_EQ(rig.unit.ListLineOfRecord(4), -1);
    EXPECT_EQ(rig.unit.AddressOfRecord(-1), -1);
    EXPECT_EQ(rig.unit.FindSymbol("main", false).line, 14);
    EXPECT_EQ(rig.unit.FindSymbol("main", true).line, -1);
    EXPECT_EQ(rig.unit.FindSymbol("MAIN", true).value, 2);
    EXPECT_EQ(rig.unit.FindSymbol("nothing", false).name, "");
    EXPECT_EQ(rig.unit.ResetLine(), 5);
}

TEST(OrdaRun, OutputsGoBesideTheSourceWithoutTheOutputFolder) {
    Rig rig;
    rig.settings.ordaFilesToOutputDir = false;
    rig.Good();
    ASSERT_EQ(rig.unit.ORDA_Run(rig.source), 0);
    EXPECT_TRUE(fs::exists(rig.dir / "prog.map"));
    EXPECT_EQ(rig.unit.OutputFileFor(rig.source, ".lst"), rig.dir / "prog.lst");
    EXPECT_EQ(rig.unit.OutputFileFor(rig.dir / "other.src", ".lst"), rig.dir / "other.lst");

    // Switching to the original editor removes the error, symbol and map files beside the
    // source; the source, its list and its object stay.
    WriteFile(rig.dir / "prog.err", "x");
    WriteFile(rig.dir / "prog.lst", "x");
    rig.unit.RemoveIntermediateFiles();
    for (const char* gone : {"prog.err", "prog.sym", "prog.map"})
        EXPECT_FALSE(fs::exists(rig.dir / gone)) << gone;
    for (const char* kept : {"prog.src", "prog.lst", "prog.obj"})
        EXPECT_TRUE(fs::exists(rig.dir / kept)) << kept;
}

TEST(OrdaRun, SourcesOrdaWouldOverwriteOrNotFindAreRefused) {
    Rig rig;
    rig.settings.ordaFilesToOutputDir = false;
    std::string list = rig.dir / "notes.lst";
    WriteFile(list, "\tDEVICE SX28\n");
    EXPECT_EQ(rig.unit.ORDA_Run(list), kOrdaNotRun);
    EXPECT_TRUE(rig.orda.calls.empty());
    EXPECT_EQ(rig.Last()->text, "ORDA would write its .lst file over the source:\r" + list +
                                    "\rSave the source under another extension, such as .SRC.");
    EXPECT_TRUE(fs::exists(list));

    std::string bare = rig.dir / "prog";
    WriteFile(bare, "x");
    EXPECT_EQ(rig.unit.ORDA_Run(bare), kOrdaNotRun);
    EXPECT_EQ(rig.Last()->text,
              "ORDA assembles only files whose names have an extension, such as .SRC:\r" + bare);
    EXPECT_TRUE(rig.orda.calls.empty());

    // With the output folder the list file goes elsewhere.
    rig.settings.ordaFilesToOutputDir = true;
    rig.Good();
    EXPECT_EQ(rig.unit.ORDA_Run(list), 0);
}

TEST(OrdaInit, ReportsAMissingOrdaAndEmptiesTheOutputFolder) {
    Rig rig;
    EXPECT_TRUE(rig.unit.ORDA_Init());
    EXPECT_TRUE(rig.prompter.messages.empty());

    std::string out = rig.bin + "/ORDA Output";
    fs::create_directories(out + "/kept");
    WriteFile(out + "/a.map", "x");
    WriteFile(out + "/b.lst", "x");
    WriteFile(rig.dir / "precious.src", "y");
    fs::create_symlink(rig.dir / "precious.src", out + "/link.src");
    rig.unit.EmptyOutputFolder();
    EXPECT_FALSE(fs::exists(out + "/a.map"));
    EXPECT_FALSE(fs::exists(out + "/b.lst"));
    EXPECT_FALSE(fs::exists(fs::symlink_status(out + "/link.src")));
    EXPECT_TRUE(fs::exists(out + "/kept"));
    EXPECT_TRUE(fs::exists(rig.dir / "precious.src"));

    fs::remove(rig.bin + "/ORDA.dll");
    EXPECT_FALSE(rig.unit.ORDA_Init());
    ASSERT_TRUE(rig.Last());
    EXPECT_EQ(rig.Last()->text, "ORDA will not be available as an assembler option.\rORDA.DLL is "
                                "missing from Pellix directory.\r");
    EXPECT_EQ(rig.Last()->caption, "ORDA_Init() Error");
    EXPECT_TRUE(rig.settings.useOrda);

    ScriptedPrompter prompter;
    std::string fresh = rig.dir / "new folder";
    OrdaUnit unit(*rig.record, rig.settings, prompter, rig.orda, fresh);
    EXPECT_FALSE(unit.ORDA_Init());
    EXPECT_TRUE(fs::is_directory(fresh));
    ASSERT_EQ(prompter.messages.size(), 2u);
    EXPECT_EQ(prompter.messages[0].text, "ORDA Directory: " + fresh + "/");
    EXPECT_EQ(prompter.messages[0].caption, "Created directory for ORDA.");
}

TEST(OrdaLocation, BesideTheProgramElseWhereAnInstallationKeepsIt) {
    TempFolder dir;
    const std::string bin = dir / "usr/bin", libexec = dir / "usr/libexec/pellix";
    fs::create_directories(bin);
    fs::create_directories(libexec);
    EXPECT_EQ(OrdaFolder(bin, "../libexec/pellix"), bin) << "nowhere: the program's folder";
    WriteFile(libexec + "/ORDA.dll", "#!/bin/sh\n");
    EXPECT_EQ(OrdaFolder(bin, "../libexec/pellix"), libexec) << "installed";
    EXPECT_EQ(OrdaFolder(bin + "/", "../libexec/pellix"), libexec);
    EXPECT_EQ(OrdaFolder(bin, libexec), libexec) << "an absolute folder as it is";
    EXPECT_EQ(OrdaFolder(bin, ""), bin);
    WriteFile(bin + "/ORDA.dll", "#!/bin/sh\n");
    EXPECT_EQ(OrdaFolder(bin, "../libexec/pellix"), bin) << "a build tree's own comes first";
}
