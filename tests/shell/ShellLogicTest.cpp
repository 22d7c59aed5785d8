#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>

#include "TempFolder.h"
#include "platform/FileIo.h"
#include "shell/CommandLine.h"
#include "shell/Keywords.h"
#include "shell/OriginalEditorBuffer.h"
#include "shell/RecentFiles.h"
#include "shell/SourceMap.h"
#include "target/LineEnds.h"

using namespace pellix;
using pellix::test::TempFolder;

namespace {

TEST(CommandLine, FileNameSwitchesAndDefaultExtension) {
    CommandLine c = CommandLine::Parse({"/2", "blink", "/r"});
    EXPECT_EQ(c.fileName, "blink.src");
    EXPECT_TRUE(c.readOnly);
    EXPECT_EQ(c.port, 2);
    EXPECT_FALSE(c.compilerMode);

    c = CommandLine::Parse({"first.src", "/b", "second"});
    EXPECT_EQ(c.fileName, "second.cod") << "the last name wins; compiler mode gives .cod";
    EXPECT_TRUE(c.compilerMode);

    c = CommandLine::Parse({"/R"});
    EXPECT_FALSE(c.readOnly) << "no file: /R is cleared";
    EXPECT_EQ(c.fileName, "");

    c = CommandLine::Parse({"/home/me/chip/prog", "/4", "/9", "/X"});
    EXPECT_EQ(c.fileName, "/home/me/chip/prog.src") << "an absolute path is no switch";
    EXPECT_EQ(c.port, 4);

    c = CommandLine::Parse({"image.SXH"});
    EXPECT_EQ(c.fileName, "image.SXH");
    c = CommandLine::Parse({"dir.d/noext"});
    EXPECT_EQ(c.fileName, "dir.d/noext.src");
    c = CommandLine::Parse({".hidden"});
    EXPECT_EQ(c.fileName, ".hidden.src");
}

TEST(CommandLine, HelpAndVersionAreAnsweredInsteadOfOpeningAFile) {
    EXPECT_EQ(FindInfoRequest({}), InfoRequest::None);
    EXPECT_EQ(FindInfoRequest({"blink.src", "/R"}), InfoRequest::None);
    EXPECT_EQ(FindInfoRequest({"--help"}), InfoRequest::Help);
    EXPECT_EQ(FindInfoRequest({"/2", "-h"}), InfoRequest::Help);
    EXPECT_EQ(FindInfoRequest({"--version", "--help"}), InfoRequest::Version) << "first wins";
    // Only the exact words: a name that merely starts with dashes is still a file.
    EXPECT_EQ(FindInfoRequest({"--helpful.src", "-help"}), InfoRequest::None);
    EXPECT_EQ(VersionText("2.02"), "pellix 2.02\n");
    const std::string usage = UsageText();
    for (const char* word : {"Usage: pellix", "/B", "/R", "/1", "--version", "PELLIX_SETTINGS"})
        EXPECT_NE(usage.find(word), std::string::npos) << word;
}

// The program itself, as a shell script would start it: no window, no display needed.
TEST(CommandLine, PellixPrintsHelpAndVersionOnStandardOutput) {
    const char* bin = std::getenv("PELLIX_BIN_DIR");
    const std::string pellix = std::string(bin ? bin : "../../BUILD/bin") + "/pellix";
    if (!FileExists(pellix)) GTEST_SKIP() << "pellix is not built";
    auto run = [&](const std::string& argument, int& status) {
        // No display and no platform: the answer must come before Qt wants one.
        std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb '" + pellix +
                              "' " + argument + " 2>&1";
        std::string out;
        FILE* p = popen(command.c_str(), "r");
        char buffer[512];
        size_t n;
        while ((n = fread(buffer, 1, sizeof buffer, p)) > 0)
            out.append(buffer, n);
        status = pclose(p);
        return out;
    };
    int status = -1;
    std::string help = run("--help", status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(help, UsageText());
    std::string version = run("/2 --version", status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(version, "pellix 2.02\n");
}

TEST(RecentFiles, NewFrontMoveAndNeverBlanks) {
    RecentFiles r;
    EXPECT_FALSE(r.Add("{Blank_3}"));
    EXPECT_FALSE(r.Add("Untitled.SRC"));
    EXPECT_TRUE(r.Empty());
    for (int i = 0; i < 6; ++i)
        r.Add("/p/f" + std::to_string(i));
    EXPECT_EQ(r[0], "/p/f5");
    EXPECT_EQ(r[4], "/p/f1");
    r.Add("/p/f3");
    EXPECT_EQ(r[0], "/p/f3");
    EXPECT_EQ(r[1], "/p/f5");
    EXPECT_EQ(r[2], "/p/f4");
    EXPECT_EQ(r[3], "/p/f2");
    r.Add("/p/./f2");
    EXPECT_EQ(r[0], "/p/./f2");
    EXPECT_EQ(r.Count(), 5) << "the same file under another spelling is not listed twice";
    r.Remove(0);
    EXPECT_EQ(r[0], "/p/f3");
    EXPECT_EQ(r[4], "");
}

TEST(RecentFiles, StoredSlotsAndGapsOnLoad) {
    MemorySettingsStore store;
    SettingsRegistry reg(store);
    store.WriteString("LastFilesOpened\\File0", "/a");
    store.WriteString("LastFilesOpened\\File2", "/c");
    RecentFiles r;
    r.Load(reg);
    EXPECT_EQ(r[0], "/a");
    EXPECT_EQ(r[1], "/c");
    r.Store(reg);
    EXPECT_EQ(*store.ReadString("LastFilesOpened\\File1"), "/c");
    EXPECT_EQ(*store.ReadString("LastFilesOpened\\File4"), "");
}

TEST(FileIo, ReplaceKeepsModeFollowsLinksAndLeavesNoTemporaryFile) {
    TempFolder dir;
    std::string a = dir.Write("a.src", "old");
    ::chmod(a.c_str(), 0640);
    EXPECT_EQ(ReplaceFileContents(a, std::string("new\0with nul", 12)), "");
    EXPECT_EQ(TempFolder::Read(a), std::string("new\0with nul", 12));
    struct stat st {};
    ::stat(a.c_str(), &st);
    EXPECT_EQ(st.st_mode & 0777, 0640u);

    std::string link = dir / "link.src";
    std::filesystem::create_symlink(a, link);
    EXPECT_EQ(ReplaceFileContents(link, "through the link"), "");
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(TempFolder::Read(a), "through the link");

    int entries = 0;
    for (auto& e : std::filesystem::directory_iterator(dir.Path())) {
        (void)e;
        ++entries;
    }
    EXPECT_EQ(entries, 2);
}

TEST(FileIo, RefusesReadOnlyFilesAndFoldersAndMissingFolders) {
    TempFolder dir;
    std::string a = dir.Write("a.src", "keep");
    ::chmod(a.c_str(), 0444);
    EXPECT_TRUE(HasReadOnlyAttribute(a));
    EXPECT_NE(ReplaceFileContents(a, "x"), "");
    EXPECT_EQ(TempFolder::Read(a), "keep");
    EXPECT_NE(ReplaceFileContents(dir.Path(), "x"), "");
    EXPECT_NE(ReplaceFileContents(dir / "no/such/x.src", "x"), "");
    EXPECT_FALSE(HasReadOnlyAttribute(dir / "missing"));
}

TEST(FileIo, ReadCopyTimesAndNames) {
    TempFolder dir;
    FileRead r = ReadWholeFile(dir / "missing");
    EXPECT_FALSE(r.ok);
    EXPECT_TRUE(r.notFound);
    r = ReadWholeFile(dir.Path());
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.notFound);

    std::string a = dir.Write("a.src", std::string(200000, 'x') + "\xff");
    r = ReadWholeFile(a);
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.data.size(), 200001u);
    EXPECT_EQ(CopyFileBytes(a, dir / "a.bak"), "");
    EXPECT_EQ(TempFolder::Read(dir / "a.bak"), r.data);

    int64_t t = ModificationTime(a);
    EXPECT_GT(t, 0);
    pellix::test::TouchLater(a, 2);
    EXPECT_GE(ModificationTime(a) - t, 1'000'000'000);
    EXPECT_EQ(ModificationTime(dir / "missing"), 0);

    EXPECT_EQ(BackupName("/x/prog.src"), "/x/prog.bak");
    EXPECT_EQ(BackupName("/x.d/prog"), "/x.d/prog.bak");
    EXPECT_EQ(FullPath("/a/./b/../c.src"), "/a/c.src");
}

TEST(AssemblerText, LineEndsAllBecomeOneCrAndNothingIsJoined) {
    const std::string crlf = "\tDEVICE SX28\r\nstart\tJMP start\r\n";
    const std::string lf = "\tDEVICE SX28\nstart\tJMP start\n";
    const std::string cr = "\tDEVICE SX28\rstart\tJMP start\r";
    FilteredText a = FilterPastedText(crlf), b = FilterPastedText(lf), c = FilterPastedText(cr);
    EXPECT_EQ(a.text, "\tDEVICE SX28\rstart\tJMP start\r");
    EXPECT_EQ(a.text, b.text);
    EXPECT_EQ(a.text, c.text);
    EXPECT_EQ(a.text, ToCrLineEnds(lf));
    // Blank lines stay blank lines: LF LF is two line ends, CR LF CR LF too.
    EXPECT_EQ(FilterPastedText("a\n\nb").text, "a\r\rb");
    EXPECT_EQ(FilterPastedText("a\r\n\r\nb").text, "a\r\rb");
    EXPECT_EQ(FilterPastedText("a\n\r\nb").text, "a\r\rb");
}

TEST(AssemblerText, TheCommandLineGetsWhatThePasteGives) {
    // Every byte, a NUL among them, between line ends of every kind.
    std::string all;
    for (int c = 0; c < 256; ++c)
        all += std::string(1, char(c)) + (c % 3 == 0 ? "\r\n" : c % 3 == 1 ? "\n" : "");
    EXPECT_EQ(ToAssemblerText(all), FilterPastedText(all).text);
    EXPECT_EQ(ToAssemblerText(std::string(" NOP\0 ; x\r\n IREAD", 18)), " NOP ; x\r IREAD");
}

TEST(AssemblerText, ControlCharactersGoAndPositionsMapBack) {
    std::string in = std::string("A\x01"
                                 "B\r\n\x7f\xe9\0C",
                                 10);
    FilteredText f = FilterPastedText(in);
    EXPECT_EQ(f.text, "AB\r\x7f\xe9"
                      "C");
    ASSERT_EQ(f.origin.size(), f.text.size() + 1);
    EXPECT_EQ(f.origin[0], 0u);  // A
    EXPECT_EQ(f.origin[1], 2u);  // B
    EXPECT_EQ(f.origin[2], 3u);  // the CR of CR LF
    EXPECT_EQ(f.origin[3], 5u);  // DEL is 127 and kept
    EXPECT_EQ(f.origin[5], 8u);  // C, after the NUL that went
    EXPECT_EQ(f.origin[6], 10u); // the end
}

TEST(OriginalEditorBuffer, PasteSelectAndLines) {
    OriginalEditorBuffer b;
    b.Paste("one\ntwo\r\nthree");
    EXPECT_EQ(b.Text(), "one\rtwo\rthree");
    EXPECT_EQ(b.CText()[b.Length()], '\0');
    EXPECT_EQ(b.LineOf(5), 1u);
    EXPECT_EQ(b.LineStart(5), 4u);
    EXPECT_EQ(b.LineEnd(5), 7u);
    EXPECT_EQ(b.LineStart(0), 0u);
    EXPECT_EQ(b.LineEnd(9), b.Length());
    b.Select(4, 7);
    b.Paste("2");
    EXPECT_EQ(b.Text(), "one\r2\rthree");
    b.Clear();
    EXPECT_EQ(b.Text(), "");
}

TEST(Keywords, BuiltInListCoversTheLanguage) {
    const auto& k = BuiltInKeywords();
    auto has = [&](const char* w) { return std::find(k.begin(), k.end(), w) != k.end(); };
    for (const char* w : {"MOV",
                          "DJNZ",
                          "IREAD",
                          "RETIW",
                          "DEVICE",
                          "WATCH",
                          "FREQ",
                          "NOEXPAND",
                          "SX28L",
                          "SX52",
                          "OSC4MHZ",
                          "STACKX_OPTIONX",
                          "DRT960MS",
                          "SLEEPCLOCK",
                          "IND",
                          "WREG",
                          "PA2",
                          "WAKE_PENDING",
                          "TIMER_CAPTURE_LOW",
                          "OPTION",
                          "WDT",
                          "ZSTR",
                          "AND",
                          "NOT"})
        EXPECT_TRUE(has(w)) << w;
    EXPECT_FALSE(has("SX20"));
    std::set<std::string> unique(k.begin(), k.end());
    EXPECT_EQ(unique.size(), k.size());
}

TEST(Keywords, ListFileInTheFolderWins) {
    TempFolder dir;
    bool fromFile = true;
    EXPECT_EQ(LoadKeywords(dir.Path(), &fromFile).size(), BuiltInKeywords().size());
    EXPECT_FALSE(fromFile);
    dir.Write(kKeywordFileName, "  mov \r\nJmp\n\nmov\nmy_macro");
    auto words = LoadKeywords(dir.Path(), &fromFile);
    EXPECT_TRUE(fromFile);
    EXPECT_EQ(words, (std::vector<std::string>{"MOV", "JMP", "MY_MACRO"}));
}

// The editor's text has every kind of line end and a control character the assembler
// never sees; each address still finds the line of its statement.
TEST(SourceMap, BuiltInListingLinesBackToTheEditorsLines) {
    const std::string editor = "; top\r\n\x0c\tORG 0\nstart\tCLR 8\r\tJMP start\r\n\n\tNOP\n";
    FilteredText pasted = FilterPastedText(editor);
    // Statements as the assembler saw them: offsets in pasted.text.
    auto at = [&](const char* text) { return int32_t(pasted.text.find(text)); };
    DebugInfo info;
    info.lineOfAddress.fill(-1);
    info.lineCount = 5;
    info.lineSource[0] = 0;
    info.lineSource[1] = at("\tORG");
    info.lineSource[2] = at("start");
    info.lineSource[3] = at("\tJMP");
    info.lineSource[4] = at("\tNOP");
    info.lineOfAddress[0] = 2;
    info.lineOfAddress[1] = 3;
    info.lineOfAddress[2] = 4;
    info.lineOfAddress[0x7FF] = 3;
    info.lineOfAddress[5] = 7; // beyond the listing: no place
    SourceMap m = SourceMap::FromListing(info, pasted.origin, editor, "/w/prog.src");
    ASSERT_EQ(m.Files(), std::vector<std::string>{"/w/prog.src"});
    EXPECT_EQ(m.Place(0), (SourcePlace{0, 2}));
    EXPECT_EQ(m.Place(1), (SourcePlace{0, 3}));
    EXPECT_EQ(m.Place(2), (SourcePlace{0, 5})) << "after the empty line";
    EXPECT_EQ(m.Place(0x7FF), (SourcePlace{0, 3}));
    EXPECT_EQ(m.Place(3), SourcePlace{});
    EXPECT_EQ(m.Place(5), SourcePlace{});
    EXPECT_EQ(m.Place(4096), SourcePlace{});
    using Lines = std::vector<std::pair<int, uint16_t>>;
    EXPECT_EQ(m.CodeLines(0), (Lines{{2, 0}, {3, 1}, {5, 2}})) << "each line's lowest address";
    EXPECT_TRUE(m.CodeLines(1).empty());
    EXPECT_TRUE(SourceMap::FromListing(info, {}, editor, "x").CodeLines(0).empty());
}

TEST(SourceMap, PlacesFromSeveralFilesFirstOneWins) {
    SourceMap m({"/w/main.src", "/w/inc.inc"},
                {{0, 0, 4}, {1, 1, 9}, {1, 0, 5}, {7, 2, 3}, {9, 0, -1}, {4095, 1, 0}});
    EXPECT_EQ(m.Place(1), (SourcePlace{1, 9}));
    EXPECT_EQ(m.Place(7), SourcePlace{}) << "no such file";
    EXPECT_EQ(m.Place(9), SourcePlace{});
    EXPECT_EQ(m.Place(4095), (SourcePlace{1, 0}));
    EXPECT_EQ(m.CodeLines(1).front(), (std::pair<int, uint16_t>{0, 4095}));
    EXPECT_TRUE(SourceMap().Empty());
}

TEST(SourceMap, BreakStatements) {
    for (const char* yes : {"\tBREAK", "  break ; here", "label\tBreak", ":loc BREAK", "\tBREAK\r"})
        EXPECT_TRUE(IsBreakStatement(yes)) << yes;
    for (const char* no : {"BREAK", "\tBREAKS", "\tJMP break", "; BREAK", "\t; BREAK", "", "\tBREA",
                           "\tWATCH x,8,UDEC"})
        EXPECT_FALSE(IsBreakStatement(no)) << no;
}

} // namespace
