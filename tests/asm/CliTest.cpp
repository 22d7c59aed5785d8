// pellix-cli assemble and disasm, run as a user would run them.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "asm/Assembler.h"
#include "target/HexText.h"
#include "target/LineEnds.h"

using namespace pellix;
namespace fs = std::filesystem;

namespace {

struct Result {
    int exit = -1;
    std::string out, err;
};

std::string Slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void Spit(const fs::path& p, const std::string& text) {
    std::ofstream(p, std::ios::binary) << text;
}

class Cli : public testing::Test {
protected:
    void SetUp() override {
        const char* bin = std::getenv("PELLIX_BIN_DIR");
        if (!bin) GTEST_SKIP() << "PELLIX_BIN_DIR is not set";
        cli_ = fs::path(bin) / "pellix-cli";
        dir_ = fs::temp_directory_path() /
               ("pellix-cli-test-" + std::to_string(::getpid()) + "-" +
                testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override {
        if (!dir_.empty()) fs::remove_all(dir_);
    }

    Result Run(const std::string& args) {
        Result r;
        std::string command = cli_.string() + " " + args + " >" + (dir_ / "out").string() + " 2>" +
                              (dir_ / "err").string();
        int status = std::system(command.c_str());
        r.exit = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        r.out = Slurp(dir_ / "out");
        r.err = Slurp(dir_ / "err");
        return r;
    }
    std::string Path(const char* name) { return (dir_ / name).string(); }

    fs::path cli_, dir_;
};

const char* kProgram = " DEVICE SX28\n FREQ 4_000_000\n ORG 8\ncount DS 1\n ORG 0\n"
                       "start MOV W,#1\n BREAK\n WATCH count.2,1,UBIN\n JMP start\n";

} // namespace

TEST_F(Cli, AssembleWritesImageAndListingAndPrintsTheSummary) {
    Spit(Path("prog.src"), kProgram);
    Result r = Run("assemble " + Path("prog.src") + " -l " + Path("prog.lst"));
    ASSERT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(r.out, "Assembly Successful\nFAMILY 0\nFREQ 4000000\nBREAK 1\n"
                     "WATCH 208 1 UBIN count.2\n");
    EXPECT_EQ(r.err, "");

    auto record = std::make_unique<AssemblyRecord>();
    record->StartUp();
    record->source = ToCrLineEnds(kProgram);
    Assemble(*record);
    ASSERT_EQ(record->status, 0);
    EXPECT_EQ(Slurp(Path("prog.lst")), record->debug.ListingText());
    ASSERT_TRUE(WriteHex(*record));
    EXPECT_EQ(Slurp(Path("prog.sxh")), record->debug.ListingText()) << "default image name";
    EXPECT_FALSE(fs::exists(Path("prog.sxh.tmp")));
}

TEST_F(Cli, AnyLineEndsGiveTheSameResult) {
    std::string lf = kProgram, crlf, cr;
    for (char c : lf) {
        crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
        cr += c == '\n' ? '\r' : c;
    }
    Spit(Path("lf.src"), lf);
    Spit(Path("crlf.src"), crlf);
    Spit(Path("cr.src"), cr);
    for (const char* name : {"lf", "crlf", "cr"}) {
        Result r = Run("assemble " + Path((std::string(name) + ".src").c_str()) + " -o " +
                       Path((std::string(name) + ".sxh").c_str()) + " -l " +
                       Path((std::string(name) + ".lst").c_str()));
        ASSERT_EQ(r.exit, 0) << name << ": " << r.err;
    }
    EXPECT_EQ(Slurp(Path("lf.sxh")), Slurp(Path("cr.sxh")));
    EXPECT_EQ(Slurp(Path("crlf.sxh")), Slurp(Path("cr.sxh")));
    EXPECT_EQ(Slurp(Path("lf.lst")), Slurp(Path("cr.lst")));
    EXPECT_EQ(Slurp(Path("crlf.lst")), Slurp(Path("cr.lst")));
}

TEST_F(Cli, FailureReportsPositionAndWritesNoImage) {
    Spit(Path("bad.src"), " DEVICE SX28\r\n NOP\r\n MOV !4,W\r\n");
    Result r = Run("assemble " + Path("bad.src"));
    EXPECT_EQ(r.exit, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, Path("bad.src") + ":3:7: error: Port is out of range\n MOV !4,W\n      ^\n");
    EXPECT_FALSE(fs::exists(Path("bad.sxh")));

    Spit(Path("bad2.src"), " DEVICE SX28\n JMP nowhere\n");
    r = Run("assemble " + Path("bad2.src") + " -o " + Path("out.sxh"));
    EXPECT_EQ(r.exit, 1);
    EXPECT_EQ(r.err,
              Path("bad2.src") + ":2:6: error: Undefined symbol\n JMP nowhere\n     ^~~~~~~\n");
    EXPECT_FALSE(fs::exists(Path("out.sxh")));
}

TEST_F(Cli, UsageAndUnreadableFiles) {
    EXPECT_EQ(Run("assemble").exit, 2);
    EXPECT_EQ(Run("assemble a.src b.src").exit, 2);
    EXPECT_EQ(Run("assemble a.src -o").exit, 2);
    EXPECT_EQ(Run("disasm").exit, 2);
    Result r = Run("assemble " + Path("missing.src"));
    EXPECT_EQ(r.exit, 1);
    EXPECT_NE(r.err.find("cannot read"), std::string::npos) << r.err;
    r = Run("disasm " + Path("missing.sxh"));
    EXPECT_EQ(r.exit, 1);

    // A source named like an image is never overwritten by its own image.
    Spit(Path("odd.sxh"), " DEVICE SX28\n NOP\n");
    r = Run("assemble " + Path("odd.sxh"));
    EXPECT_EQ(r.exit, 2);
    EXPECT_EQ(Slurp(Path("odd.sxh")), " DEVICE SX28\n NOP\n");
    r = Run("assemble " + Path("odd.sxh") + " -o " + Path("a.sxh") + " -l " + Path("a.sxh"));
    EXPECT_EQ(r.exit, 2);
}

TEST_F(Cli, DisasmFromSourceAndFromImage) {
    Spit(Path("p.src"), " DEVICE SX28\n RESET start\n ORG 10h\nstart MOV W,#5Ah\n SKIP\n"
                        " DEC 1\n DW 0FFFh\n NOP\n");
    Result r = Run("disasm " + Path("p.src"));
    ASSERT_EQ(r.exit, 0) << r.err;
    const std::string expected = "010- C5A  MOV   W,#5A\n011- 602  SKIP\n012- 0E1  DEC   RTCC\n"
                                 "013- FFF  NOT   W\n014- 000  NOP\n7FF- A10  JMP   010\n";
    EXPECT_EQ(r.out, expected);

    ASSERT_EQ(Run("assemble " + Path("p.src") + " -o " + Path("p.sxh")).exit, 0);
    r = Run("disasm " + Path("p.sxh"));
    ASSERT_EQ(r.exit, 0) << r.err;
    // Read back, only pairs of 0xFFF lose the mark, so the same words are listed.
    EXPECT_EQ(r.out, expected);

    Spit(Path("broken.sxh"), ":0200000001\r\n");
    r = Run("disasm " + Path("broken.sxh"));
    EXPECT_EQ(r.exit, 1);
    EXPECT_NE(r.err.find("ERROR! Hex violation was encountered in file."), std::string::npos);
}

TEST_F(Cli, ExampleAssemblesCleanly) {
    const char* root = std::getenv("PELLIX_SOURCE_DIR");
    if (!root) GTEST_SKIP();
    Result r = Run("assemble " + (fs::path(root) / "examples" / "blink.src").string() + " -o " +
                   Path("blink.sxh"));
    EXPECT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(r.out, "Assembly Successful\nFAMILY 0\nFREQ 50000000\nBREAK 1000\n");
}
