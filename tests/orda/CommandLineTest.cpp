// The command line, the console text and the exit code, with the program run as a process.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "OrdaProcess.h"
#include "OrdaRun.h"

using namespace ordatest;

namespace {

const std::string kBanner = "\nORDA Cross-Assembler for Halvane SX-based microcontrollers "
                            "        Version 1.50\nPart of the pellix development environment.\n";

const std::string kUsage =
    "\nUsage: ORDA [options] file[.asm]         where file = source file name\n"
    "\nOptions summary: "
    "\nOpt Arguments                            Description           Default"
    "\n--- ----------------------------------   ------------------    -------"
    "\n/F  [INHX8M|INHX16|INHX8S|BIN16|IEEE695] Output Format         INHX8M"
    "\n/P  [SX18AC|SX20AC|SX28AC|SX48BD|SX52BD] Processor Type        SX18AC"
    "\n/R  [HEX|DEC|OCT]                        Default Radix         DEC"
    "\n/T  [TABWIDTH]                           Tab width             8"
    "\n/W  [0|1|2]                              Warning level         1"
    "\n/Q  [n|-n]                               Quiet or Unquiet      all unquieted"
    "\n                                         error messsage n"
    "\n/I  Turn on Case sensitivity             Symbols               Off"
    "\n/L  [NONE|NOPAGE|PAGE]                   List file control     NOPAGE"
    "\n/E  [NONE|NOHAU]                         Extensions for tools  NONE"
    "\n/H or /?                                 Display Help Message";

const std::string kClean = " FREQ 4000000\n IRC_CAL IRC_SLOW\n DEVICE SX28AC, OSCRC\n NOP\n";

ProcessResult Orda(const TempDir& d, const std::string& args) {
    return RunProcess(OrdaPath(), SplitArgs(args), d.path());
}

// What the program prints after the CWD line, with the time taken set to zero.
std::string AfterCwd(const std::string& out) {
    size_t at = out.find("CWD = ");
    std::string rest = at == std::string::npos ? out : out.substr(out.find('\n', at) + 1);
    return Steady(rest);
}

} // namespace

TEST(CommandLine, NoArgumentsPrintsUsageAndWaits) {
    TempDir d;
    auto r = Orda(d, "");
    EXPECT_EQ(r.out, kBanner + kUsage + "\nPress any key to end.\n");
    EXPECT_EQ(r.exitCode, 1);
    auto h = Orda(d, "/?");
    EXPECT_EQ(h.out, kBanner + kUsage) << "help does not wait for a key";
    EXPECT_EQ(h.exitCode, 1);
    EXPECT_EQ(Orda(d, "-h").out, kBanner + kUsage);
}

TEST(CommandLine, VersionAndHelpInTheLongForms) {
    TempDir d;
    ProcessResult r = Orda(d, "--version");
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out.rfind("orda Version 1.50 (pellix ", 0), 0u) << r.out;
    EXPECT_EQ(r.out.find('\n'), r.out.size() - 1) << "one line";
    r = Orda(d, "--help");
    EXPECT_EQ(r.exitCode, 0) << "asked for, help is no failure";
    EXPECT_EQ(r.out, kBanner + kUsage);
    EXPECT_EQ(Orda(d, "/?").exitCode, 1) << "orda's own switch keeps its exit code";
    EXPECT_EQ(Orda(d, "/?").out, r.out);
}

TEST(CommandLine, QuietOptionAsksForTheMessageTable) {
    TempDir d;
    auto r = Orda(d, "/Q 5");
    EXPECT_EQ(r.exitCode, 1);
    std::string head = kBanner + kUsage + "\nPress any key to end.\n" +
                       "\n\nError message numbers for /Q and LIST Q=\nErr Message\n--- -------\n";
    ASSERT_EQ(r.out.substr(0, head.size()), head);
    std::string table = r.out.substr(head.size());
    int lines = int(std::count(table.begin(), table.end(), '\n'));
    EXPECT_EQ(lines, 75) << "70 messages and five of ours";
    EXPECT_NE(table.find("  1 Bad instruction statement\n  2 Redefinition of symbol <--text-->\n"),
              std::string::npos);
    EXPECT_NE(table.find(" 70 USER WARNING: \"--text--\"\n"), std::string::npos);
    EXPECT_NE(table.find(" 75 Source expands to more than --text-- lines\n"), std::string::npos);
}

TEST(CommandLine, ValueFormsAndCaseAreEquivalent) {
    TempDir a, b;
    a.Write("prog.asm", kClean);
    b.Write("prog.asm", kClean);
    auto r1 = Orda(a, "/F=bin16 /e corvanex prog");
    auto r2 = Orda(b, "/F BIN16 /E CORVANEX prog.asm");
    auto r3 = Orda(b, "/FBIN16 -eCORVANEX prog.asm");
    EXPECT_EQ(r1.exitCode, 0) << r1.out;
    EXPECT_EQ(AfterCwd(r1.out), AfterCwd(r2.out));
    EXPECT_EQ(AfterCwd(r1.out), AfterCwd(r3.out));
    EXPECT_EQ(a.Read("prog.obj"), b.Read("prog.obj"));
    EXPECT_EQ(a.Read("prog.obj").size(), 2 * 2048u + 48u);
}

TEST(CommandLine, OptionsMustComeBeforeTheOneFile) {
    TempDir d;
    d.Write("prog.asm", kClean);
    auto r = Orda(d, "prog.asm /L NONE");
    EXPECT_EQ(r.out, kBanner + kUsage + "\nPress any key to end.\n");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(Orda(d, "a.asm b.asm").exitCode, 1);
    EXPECT_FALSE(d.Exists("prog.hex"));
}

TEST(CommandLine, RejectedValues) {
    TempDir d;
    d.Write("prog.asm", kClean);
    struct Case {
        const char* args;
        const char* line;
    } cases[] = {
        {"/T 25 prog", "\nIllegal option /T 25\n"},
        {"/Q 99 prog", "\nIllegal option /Q 99\n"},
        {"/W 3 prog", "\nIllegal option /W 3\n"},
        {"/F ELF prog", "\nIllegal option /F ELF\n"},
        {"/E OTHER prog", "\nIllegal option /E OTHER\n"},
        {"/P SX99 prog", "\nIllegal option /P SX99\n"},
        {"/S x prog", "\nIllegal option /S"},
        {"/X prog", "\nIllegal option /X"},
        {"/r hexa prog", "\nIllegal option /R hexa\n"},
        {"/L MAYBE prog", "\nIllegal option /L MAYBE\n"},
    };
    for (const Case& c : cases) {
        auto r = Orda(d, c.args);
        std::string out = r.out.substr(0, r.out.find("\n\nError message numbers"));
        EXPECT_EQ(out, kBanner + c.line + kUsage + "\nPress any key to end.\n") << c.args;
        EXPECT_EQ(r.exitCode, 1) << c.args;
    }
    // a value starting with / or - is not taken from the next argument
    auto q = Orda(d, "/Q -5 prog");
    EXPECT_NE(q.out.find("\nIllegal option /Q \n"), std::string::npos) << q.out;
    // unknown values of /D and /O are ignored
    EXPECT_EQ(Orda(d, "/D WHATEVER /O ELSEWHERE /E CORVANEX prog").exitCode, 0);
}

TEST(CommandLine, ExtensionNoneIsAccepted) {
    TempDir d;
    d.Write("prog.asm", " FREQ 4000000\n NOP\n");
    auto r = Orda(d, "/E CORVANEX /E NONE prog");
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_EQ(AfterCwd(r.out), "\n2 lines compiled in 0.00 seconds\n2 symbols"
                               "\nNo errors detected by the assembler.\n");
}

TEST(CommandLine, WarningLevelAndQuietMessages) {
    TempDir d;
    d.Write("w.asm", kClean + " MOV W,#300\n ADD 8,#1\n");
    auto plain = Orda(d, "/E CORVANEX w");
    EXPECT_NE(plain.out.find("Warning 37"), std::string::npos);
    EXPECT_EQ(plain.exitCode, 2);
    auto hidden = Orda(d, "/E CORVANEX /W 2 w");
    EXPECT_EQ(hidden.out.find("Warning"), std::string::npos) << hidden.out;
    EXPECT_EQ(hidden.exitCode, 0) << "hidden messages are not counted";
    auto quiet = Orda(d, "/E CORVANEX /Q 37 w");
    EXPECT_EQ(quiet.out.find("Warning 37"), std::string::npos) << quiet.out;
    EXPECT_EQ(quiet.exitCode, 0);
    // a quieted number still shows as an error
    d.Write("e.asm", kClean + " ERROR P1C \"note\"\n ERROR \"stop\"\n");
    auto err = Orda(d, "/E CORVANEX /W 0 /Q 55 e");
    EXPECT_EQ(err.out.find("Comment 55"), std::string::npos) << err.out;
    EXPECT_NE(err.out.find("Error 55, Pass 2: ERROR \"stop\""), std::string::npos) << err.out;
    auto comments = Orda(d, "/E CORVANEX /W 0 e");
    EXPECT_NE(comments.out.find("Comment 55, Pass 1: ERROR \"note\""), std::string::npos);
}

TEST(CommandLine, ExitCodes) {
    TempDir d;
    d.Write("clean.asm", kClean);
    d.Write("warn.asm", " NOP\n");
    d.Write("err.asm", kClean + " BOGUS\n");
    d.Write("comment.asm", kClean + " RADIX HEX\n");
    auto clean = Orda(d, "/E CORVANEX clean");
    EXPECT_EQ(clean.exitCode, 0);
    EXPECT_NE(clean.out.find("\nNo errors detected by the assembler.\n"), std::string::npos);
    auto warn = Orda(d, "warn");
    EXPECT_EQ(warn.exitCode, 2);
    EXPECT_NE(warn.out.find("\n   1 warnings\n   0 severe errors\n"), std::string::npos)
        << warn.out;
    auto err = Orda(d, "/E CORVANEX err");
    EXPECT_EQ(err.exitCode, 1);
    EXPECT_NE(
        err.out.find("\n   0 warnings\n   1 severe errors\n\nNo output files are generated\n"),
        std::string::npos)
        << err.out;
    EXPECT_FALSE(d.Exists("err.hex"));
    auto comment = Orda(d, "/E CORVANEX /W 0 comment");
    EXPECT_EQ(comment.exitCode, 1) << "only comments" << comment.out;
    EXPECT_NE(comment.out.find("Comment 31, Pass 1: Expected an '=' sign"), std::string::npos);
}

TEST(CommandLine, AnObjectFileOnAFullDiskFailsTheRun) {
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full here";
    TempDir d;
    d.Write("clean.asm", kClean);
    std::filesystem::create_symlink("/dev/full", d.path() / "clean.hex");
    auto r = Orda(d, "/E CORVANEX clean");
    EXPECT_EQ(r.exitCode, 1) << r.out;
    EXPECT_NE(r.out.find("\nCannot write file 'clean.hex': No space left on device\n"),
              std::string::npos)
        << r.out;
    EXPECT_FALSE(std::filesystem::is_symlink(d.path() / "clean.hex")) << "removed";
    EXPECT_NE(d.Read("clean.err").find("Cannot write file 'clean.hex'"), std::string::npos);
    EXPECT_TRUE(d.Exists("clean.lst")) << "what was written whole stays";
}

TEST(CommandLine, MessagesWhileReadingOptionsCount) {
    TempDir d;
    d.Write("clean.asm", kClean);
    auto r = Orda(d, "/P SX18AC /P SX28AC /E CORVANEX clean");
    EXPECT_NE(r.out.find("\nWarning: Overriding earlier target device declaration\n"),
              std::string::npos)
        << r.out;
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_NE(r.out.find("\n   1 warnings\n"), std::string::npos) << r.out;
}

TEST(CommandLine, SourceThatCannotBeOpened) {
    TempDir d;
    auto r = Orda(d, "missing");
    EXPECT_NE(r.out.find("\nCannot open Source file: <missing.asm>"), std::string::npos) << r.out;
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_FALSE(d.Exists("missing.err"));
    auto c = Orda(d, "/E CORVANEX missing");
    EXPECT_EQ(c.exitCode, 1);
    EXPECT_NE(d.Read("missing.err").find("Error 60, Pass 1: Couldn't open file: missing.asm"),
              std::string::npos)
        << d.Read("missing.err");
}

TEST(CommandLine, OutputFolderBesideTheProgram) {
    TempDir d;
    std::filesystem::create_directories(d.path() / "bin");
    std::filesystem::create_symlink(std::filesystem::absolute(OrdaPath()),
                                    d.path() / "bin/ORDA.dll");
    d.Write("src/prog.asm", kClean);
    std::string program = (d.path() / "bin/ORDA.dll").string();
    std::string source = (d.path() / "src/prog.asm").string();
    auto r = RunProcess(program, {"/F", "BIN16", "/E", "CORVANEX", "/O", "USE_OUTPUT_DIR", source},
                        d.path());
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_NE(r.out.find("CWD = " + (d.path() / "src").string() + "\n"), std::string::npos)
        << r.out;
    for (const char* ext : {".obj", ".map", ".sym", ".lst"})
        EXPECT_TRUE(d.Exists(std::string("bin/ORDA Output/prog") + ext)) << ext;
    EXPECT_FALSE(d.Exists("src/prog.obj"));
    EXPECT_FALSE(d.Exists("bin/ORDA Output/prog.err")) << "an empty error file is removed";
}

TEST(CommandLine, OutputFolderPerUserWhenTheProgramFolderIsNotWritable) {
    TempDir d;
    std::filesystem::create_directories(d.path() / "bin");
    std::filesystem::create_symlink(std::filesystem::absolute(OrdaPath()),
                                    d.path() / "bin/ORDA.dll");
    // A file where the folder would go stands for a folder orda may not write to (root may
    // write anywhere, so permissions would not do).
    d.Write("bin/ORDA Output", "");
    d.Write("src/prog.asm", kClean);
    std::string program = (d.path() / "bin/ORDA.dll").string();
    std::string source = (d.path() / "src/prog.asm").string();
    std::string data = (d.path() / "data").string();
    const char* saved = std::getenv("XDG_DATA_HOME");
    std::string savedText = saved ? saved : "";
    setenv("XDG_DATA_HOME", data.c_str(), 1);
    auto r = RunProcess(program, {"/F", "BIN16", "/E", "CORVANEX", "/O", "USE_OUTPUT_DIR", source},
                        d.path());
    if (saved)
        setenv("XDG_DATA_HOME", savedText.c_str(), 1);
    else
        unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(r.exitCode, 0) << r.out;
    for (const char* ext : {".obj", ".map", ".sym", ".lst"})
        EXPECT_TRUE(d.Exists(std::string("data/pellix/ORDA Output/prog") + ext)) << ext;
    EXPECT_FALSE(d.Exists("src/prog.obj"));
}

TEST(CommandLine, OutputFolderFallsBackInTurn) {
    // In memory: the program's folder refused, then the per-user one, then beside the source.
    auto user = Assemble({{"p.asm", kClean}}, "/F BIN16 /E CORVANEX /O USE_OUTPUT_DIR p", 4000000,
                         [](orda::MemoryHost& h) {
                             h.failMakeDirPrefix = "/bin/";
                             h.userOutputDir = "/home/u/.local/share/pellix/ORDA Output/";
                         });
    EXPECT_EQ(user->exitCode, 0) << user->console();
    EXPECT_TRUE(user->host.files.count("/home/u/.local/share/pellix/ORDA Output/p.obj"));
    auto beside = Assemble({{"p.asm", kClean}}, "/F BIN16 /E CORVANEX /O USE_OUTPUT_DIR p", 4000000,
                           [](orda::MemoryHost& h) { h.failMakeDirPrefix = "/bin/"; });
    EXPECT_EQ(beside->exitCode, 0) << beside->console();
    EXPECT_TRUE(beside->Has("p.obj"));
}

TEST(CommandLine, SourceInAnotherFolderAndItsIncludes) {
    TempDir d;
    d.Write("sub/prog.asm", kClean + " INCLUDE \"part.inc\"\n");
    d.Write("sub/part.inc", " DW 7\n");
    auto r = Orda(d, "/F BIN16 /E CORVANEX sub/prog");
    EXPECT_EQ(r.exitCode, 0) << r.out;
    EXPECT_NE(r.out.find("CWD = " + (d.path() / "sub").string() + "\n"), std::string::npos);
    EXPECT_TRUE(d.Exists("sub/prog.obj"));
}

TEST(CommandLine, TooLongCommandLine) {
    TempDir d;
    d.Write("p.asm", kClean);
    std::vector<std::string> args;
    for (int i = 0; i < 120; ++i)
        args.push_back("/E=CORVANEX");
    args.push_back("p");
    auto r = RunProcess(OrdaPath(), args, d.path());
    EXPECT_EQ(r.out.rfind("AHA- Command Line too long!\n", 0), 0u) << r.out;
    EXPECT_EQ(r.exitCode, 0);
}

TEST(CommandLine, NohauErrorFile) {
    TempDir d;
    d.Write("n.asm", kClean + " BOGUS STUFF\n");
    auto r = Orda(d, "/E NOHAU n");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.out.find("n.asm(5) Line 5, Error 1"), std::string::npos) << r.out;
    std::string log = d.Read("cmperr.log");
    EXPECT_EQ(log, "n.asm#5# Line 5, Error 1, Pass 1: Bad instruction statement\r\n");
    EXPECT_FALSE(d.Exists("n.err"));
}
