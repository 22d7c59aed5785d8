// pellix-cli assemble and disasm, run as a user would run them.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "asm/Assembler.h"
#include "support/ScratchTest.h"
#include "target/HexText.h"
#include "target/LineEnds.h"

using namespace pellix;
using namespace pellix::test;
namespace fs = std::filesystem;

namespace {

class Cli : public ScratchTest {
protected:
    void SetUp() override {
        cli_ = BuiltProgram("pellix-cli");
        if (cli_.empty()) GTEST_SKIP() << "PELLIX_BIN_DIR is not set";
        ScratchTest::SetUp();
    }
    RunResult Run(const std::string& args) { return RunShell(Quoted(cli_.string()) + " " + args); }

    fs::path cli_;
};

const char* kProgram = " DEVICE SX28\n FREQ 4_000_000\n ORG 8\ncount DS 1\n ORG 0\n"
                       "start MOV W,#1\n BREAK\n WATCH count.2,1,UBIN\n JMP start\n";

} // namespace

TEST_F(Cli, AssembleWritesImageAndListingAndPrintsTheSummary) {
    Write("prog.src", kProgram);
    RunResult r = Run("assemble " + Path("prog.src") + " -l " + Path("prog.lst"));
    ASSERT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(r.out, "Assembly Successful\nFAMILY 0\nFREQ 4000000\nBREAK 1\n"
                     "WATCH 208 1 UBIN count.2\n");
    EXPECT_EQ(r.err, "");

    auto record = std::make_unique<AssemblyRecord>();
    record->StartUp();
    record->source = ToCrLineEnds(kProgram);
    Assemble(*record);
    ASSERT_EQ(record->status, 0);
    EXPECT_EQ(Read("prog.lst"), record->debug.ListingText());
    ASSERT_TRUE(WriteHex(*record));
    EXPECT_EQ(Read("prog.sxh"), record->debug.ListingText()) << "default image name";
    EXPECT_FALSE(fs::exists(Path("prog.sxh.tmp")));
}

TEST_F(Cli, AnyLineEndsGiveTheSameResult) {
    std::string lf = kProgram, crlf, cr;
    for (char c : lf) {
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
        cr += c == '\n' ? '\r' : c;
    }
    Write("lf.src", lf);
    Write("crlf.src", crlf);
    Write("cr.src", cr);
    for (const char* name : {"lf", "crlf", "cr"}) {
        RunResult r = Run("assemble " + Path((std::string(name) + ".src").c_str()) + " -o " +
                          Path((std::string(name) + ".sxh").c_str()) + " -l " +
                          Path((std::string(name) + ".lst").c_str()));
        ASSERT_EQ(r.exit, 0) << name << ": " << r.err;
    }
    EXPECT_EQ(Read("lf.sxh"), Read("cr.sxh"));
    EXPECT_EQ(Read("crlf.sxh"), Read("cr.sxh"));
    EXPECT_EQ(Read("lf.lst"), Read("cr.lst"));
    EXPECT_EQ(Read("crlf.lst"), Read("cr.lst"));
}

TEST_F(Cli, FailureReportsPositionAndWritesNoImage) {
    Write("bad.src", " DEVICE SX28\r\n NOP\r\n MOV !4,W\r\n");
    RunResult r = Run("assemble " + Path("bad.src"));
    EXPECT_EQ(r.exit, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, Path("bad.src") + ":3:7: error: Port is out of range\n MOV !4,W\n      ^\n");
    EXPECT_FALSE(fs::exists(Path("bad.sxh")));

    Write("bad2.src", " DEVICE SX28\n JMP nowhere\n");
    r = Run("assemble " + Path("bad2.src") + " -o " + Path("out.sxh"));
    EXPECT_EQ(r.exit, 1);
    EXPECT_EQ(r.err,
              Path("bad2.src") + ":2:6: error: Undefined symbol\n JMP nowhere\n     ^~~~~~~\n");
    EXPECT_FALSE(fs::exists(Path("out.sxh")));
}

TEST_F(Cli, TheCaretStandsUnderTheColumnWhateverTheTabs) {
    Write("tabs.src", "\t\tDEVICE\tSX28\n\t\tMOV\t!4,W\n");
    RunResult r = Run("assemble " + Path("tabs.src"));
    EXPECT_EQ(r.exit, 1);
    EXPECT_EQ(r.err,
              Path("tabs.src") + ":2:8: error: Port is out of range\n\t\tMOV\t!4,W\n\t\t   \t ^\n");
}

TEST_F(Cli, UsageAndUnreadableFilesInOneForm) {
    const std::pair<const char*, const char*> refused[] = {
        {"assemble", "SOURCE is missing"},
        {"assemble a.src b.src", "unexpected argument 'b.src'"},
        {"assemble a.src -o", "-o needs a value"},
        {"assemble a.src --fast", "unknown option '--fast'"},
        {"disasm", "IMAGE or SOURCE is missing"},
        {"disasm a.src b.src", "unexpected argument 'b.src'"},
        {"bogus", "unknown command 'bogus' (try --help)"},
        {"ports extra", "ports takes no arguments, not 'extra'"}};
    for (const auto& [args, problem] : refused) {
        RunResult r = Run(args);
        EXPECT_EQ(r.exit, 2) << args;
        EXPECT_EQ(r.err.substr(0, r.err.find('\n')), "pellix-cli: error: " + std::string(problem))
            << args;
    }
    RunResult r = Run("assemble " + Path("missing.src"));
    EXPECT_EQ(r.exit, 1);
    EXPECT_EQ(r.err, "pellix-cli: error: cannot read " + Path("missing.src") +
                         ": No such file or directory\n");
    r = Run("disasm " + Path("missing.sxh"));
    EXPECT_EQ(r.exit, 1);

    // A source named like an image is never overwritten by its own image.
    Write("odd.sxh", " DEVICE SX28\n NOP\n");
    r = Run("assemble " + Path("odd.sxh"));
    EXPECT_EQ(r.exit, 2);
    EXPECT_EQ(Read("odd.sxh"), " DEVICE SX28\n NOP\n");
    r = Run("assemble " + Path("odd.sxh") + " -o " + Path("a.sxh") + " -l " + Path("a.sxh"));
    EXPECT_EQ(r.exit, 2);
}

TEST_F(Cli, ControlCharactersAreDroppedAsTheEditorDropsThem) {
    // A NUL once ended the text: the rest of the program was silently left out.
    const std::string clean = " DEVICE SX28\n NOP ; one\n MOV W,#'A'\n IREAD\n JMP 0\n";
    std::string dirty = clean;
    dirty.insert(dirty.find("one"), std::string("\0\x01", 2));
    dirty.insert(dirty.find("IREAD"), std::string(1, '\0'));
    Write("clean.src", clean);
    Write("dirty.src", dirty);
    ASSERT_EQ(Run("assemble " + Path("clean.src") + " -o " + Path("clean.sxh")).exit, 0);
    RunResult r = Run("assemble " + Path("dirty.src") + " -o " + Path("dirty.sxh"));
    ASSERT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(Read("dirty.sxh"), Read("clean.sxh")) << "every word of the program";
    EXPECT_EQ(r.err, "pellix-cli: warning: " + Path("dirty.src") +
                         ":2: dropped 2 control characters (NUL, 0x01), as pellix's editor does\n"
                         "pellix-cli: warning: " +
                         Path("dirty.src") +
                         ":4: dropped 1 control character (NUL), as pellix's editor does\n");
    r = Run("disasm " + Path("dirty.src"));
    EXPECT_EQ(r.exit, 0);
    EXPECT_NE(r.out.find("IREAD"), std::string::npos) << r.out;
    EXPECT_NE(r.err.find(":4: dropped 1 control character (NUL)"), std::string::npos);
}

TEST_F(Cli, HelpVersionAndThePortList) {
    RunResult r = Run("--version");
    EXPECT_EQ(r.exit, 0);
    EXPECT_EQ(r.out.rfind("pellix-cli ", 0), 0u) << r.out;
    r = Run("--help");
    EXPECT_EQ(r.exit, 0);
    EXPECT_NE(r.out.find("\n  ports\n      list the serial ports present"), std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("  program IMAGE|SOURCE|COD [--port PORT] [--irc slowest|4mhz|fastest] "
                         "[--no-verify] [--trace FILE] [-v]\n"),
              std::string::npos);
    r = Run("ports");
    EXPECT_EQ(r.exit, 0);
    const std::string sim = "the virtual key in this program (no hardware)\n";
    ASSERT_GE(r.out.size(), sim.size());
    EXPECT_EQ(r.out.substr(r.out.size() - sim.size()), sim) << "sim is always the last port";
    EXPECT_EQ(r.out.substr(r.out.rfind('\n', r.out.size() - 2) + 1, 3), "sim");
}

TEST_F(Cli, DisasmFromSourceAndFromImage) {
    Write("p.src", " DEVICE SX28\n RESET start\n ORG 10h\nstart MOV W,#5Ah\n SKIP\n"
                   " DEC 1\n DW 0FFFh\n NOP\n");
    RunResult r = Run("disasm " + Path("p.src"));
    ASSERT_EQ(r.exit, 0) << r.err;
    const std::string expected = "010- C5A  MOV   W,#5A\n011- 602  SKIP\n012- 0E1  DEC   RTCC\n"
                                 "013- FFF  NOT   W\n014- 000  NOP\n7FF- A10  JMP   010\n";
    EXPECT_EQ(r.out, expected);

    ASSERT_EQ(Run("assemble " + Path("p.src") + " -o " + Path("p.sxh")).exit, 0);
    r = Run("disasm " + Path("p.sxh"));
    ASSERT_EQ(r.exit, 0) << r.err;
    // Read back, only pairs of 0xFFF lose the mark, so the same words are listed.
    EXPECT_EQ(r.out, expected);

    Write("broken.sxh", ":0200000001\r\n");
    r = Run("disasm " + Path("broken.sxh"));
    EXPECT_EQ(r.exit, 1);
    EXPECT_NE(r.err.find("ERROR! Hex violation was encountered in file."), std::string::npos);
}

// INHX32 as gpasm writes it: an extended address of 0 first. A file that holds no word at
// all is a failure, not an empty listing.
TEST_F(Cli, DisasmOfGpasmHexAndOfAnEmptyImage) {
    Write("gpasm.hex", ":020000040000FA\r\n:04002000100A690059\r\n:020FFE00100AD7\r\n"
                       ":02000004FFFFFC\r\n:00000001FF\r\n");
    RunResult r = Run("disasm " + Path("gpasm.hex"));
    ASSERT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(r.out, "010- A10  JMP   010\n011- 069  CLR   09\n7FF- A10  JMP   010\n");

    for (const char* empty : {":00000001FF\r\n", ":020000040000FA\r\n:00000001FF\r\n", ""}) {
        Write("empty.hex", empty);
        r = Run("disasm " + Path("empty.hex"));
        EXPECT_EQ(r.exit, 1) << empty;
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find("ERROR! The hex file holds no program words."), std::string::npos)
            << r.err;
    }
}

TEST_F(Cli, ExampleAssemblesCleanly) {
    const char* root = std::getenv("PELLIX_SOURCE_DIR");
    if (!root) GTEST_SKIP();
    RunResult r = Run("assemble " + (fs::path(root) / "examples" / "blink.src").string() + " -o " +
                      Path("blink.sxh"));
    EXPECT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(r.out, "Assembly Successful\nFAMILY 0\nFREQ 50000000\nBREAK 1000\n");
}
