// pellix-cli sim as a program: what it says, its exit codes, and the same bytes out for the
// same program and inputs.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "support/ScratchTest.h"

using namespace pellix::test;
namespace fs = std::filesystem;

namespace {

class SimCli : public ScratchTest {
protected:
    void SetUp() override {
        cli_ = BuiltProgram("pellix-cli");
        const char* src = std::getenv("PELLIX_SOURCE_DIR");
        if (cli_.empty() || !src) GTEST_SKIP() << "PELLIX_BIN_DIR or PELLIX_SOURCE_DIR is not set";
        examples_ = fs::path(src) / "examples";
        ScratchTest::SetUp();
    }
    RunResult Sim(const std::string& args, const std::string& input = "") {
        return RunShell(
            "cd " + Quoted(dir_.string()) + " && " + Quoted(cli_.string()) + " sim " + args, input);
    }
    std::string Example(const std::string& name) const {
        return Quoted((examples_ / name).string());
    }

    fs::path cli_, examples_;
};

// A program that pulses RB.0 high for 10 cycles after 1000 cycles and then sleeps.
const char* kPulse = " DEVICE SX28,TURBO,STACKX_OPTIONX\n"
                     " FREQ 4_000_000\n"
                     " RESET start\n"
                     " ORG 8\n"
                     "n DS 1\n"
                     " ORG 0\n"
                     "start MOV !RB,#$FE\n"
                     " MOV n,#250\n"
                     ":wait DJNZ n,:wait\n"
                     " SETB RB.0\n"
                     " MOV n,#3\n"
                     ":hold DJNZ n,:hold\n"
                     " CLRB RB.0\n"
                     " SLEEP\n";

TEST_F(SimCli, SameInputsSameBytesOut) {
    const std::string args =
        Example("echo.src") + " --uart RX=RA.1,TX=RA.0,BAUD=9600 --for 15ms --vcd trace.vcd";
    RunResult a = Sim(args, "determinism\n");
    std::string traceA = Read("trace.vcd");
    RunResult b = Sim(args, "determinism\n");
    ASSERT_EQ(a.exit, 0) << a.err;
    EXPECT_EQ(a.out, "DETERMINISM\n");
    EXPECT_EQ(a.out, b.out);
    EXPECT_EQ(a.err, b.err);
    EXPECT_GT(traceA.size(), 1000u);
    EXPECT_EQ(traceA, Read("trace.vcd"));
}

TEST_F(SimCli, UntilPinStopsEarlyAndSaysSo) {
    Write("pulse.src", kPulse);
    RunResult r = Sim("pulse.src --for 1s --until-pin RB.0=1");
    ASSERT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(r.out, "");
    // The reset jump (3 cycles), two MOVs (2 each), 249 rounds of DJNZ (4) and its last
    // (2): SETB at cycle 1005, 251.25 us at 4 MHz in turbo mode; the run stops after it.
    EXPECT_EQ(r.err.substr(0, r.err.find('\n')), "pellix-cli: RB.0 reached 1 at 251.25 us");
    EXPECT_NE(r.err.find("\nSimulated 251.5 us (1006 cycles): PC=007 "), std::string::npos)
        << r.err;

    // Already at its level: at once. z is a level too.
    r = Sim("pulse.src --for 1s --until-pin RB.1=z");
    EXPECT_EQ(r.exit, 0);
    EXPECT_EQ(r.err.substr(0, 58), "pellix-cli: RB.1 reached z at 0 s\nSimulated 0 s (0 cycles)");
    // An input that becomes an output at 0 reaches 0: it floated before.
    r = Sim("pulse.src --for 1s --until-pin RB.0=0");
    EXPECT_EQ(r.err.substr(0, 35), "pellix-cli: RB.0 reached 0 at 1 us\n") << r.err;

    // Never reached: the whole time.
    r = Sim("pulse.src --for 2ms --until-pin RB.2=1 --until-pin RB.3=0");
    EXPECT_EQ(r.exit, 0);
    EXPECT_EQ(r.err.substr(0, 71),
              "Simulated 2 ms (8000 cycles, asleep): PC=00D W=03 STATUS=10 [TO] FSR=00")
        << r.err;
}

TEST_F(SimCli, ImagesRunAtTheFrequencyGiven) {
    Write("pulse.src", kPulse);
    ASSERT_EQ(RunShell(Quoted(cli_.string()) + " assemble " + Quoted(Path("pulse.src")) + " -o " +
                       Quoted(Path("pulse.sxh")))
                  .exit,
              0);
    // An image keeps no FREQ: 50 MHz unless told.
    RunResult r = Sim("pulse.sxh --for 1ms --until-pin RB.0=1");
    EXPECT_EQ(r.err.substr(0, 38), "pellix-cli: RB.0 reached 1 at 20.1 us\n") << r.err;
    r = Sim("pulse.sxh --for 1ms --until-pin RB.0=1 --freq 4MHz");
    EXPECT_EQ(r.err.substr(0, 40), "pellix-cli: RB.0 reached 1 at 251.25 us\n") << r.err;
}

TEST_F(SimCli, FramingErrorsAreReportedNotPrinted) {
    // serial.src at twice the rate it sends: every frame's stop bit falls on data bits.
    RunResult r = Sim(Example("serial.src") + " --uart TX=RA.0,BAUD=19200 --for 200ms");
    ASSERT_EQ(r.exit, 0) << r.err;
    EXPECT_NE(r.err.find("pellix-cli: framing error on RA.0 (the stop bit of a frame ending at "),
              std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find(" more framing errors\nSimulated 200."), std::string::npos) << r.err;
    EXPECT_EQ(r.out.find("Hello"), std::string::npos);
}

TEST_F(SimCli, UsageErrors) {
    struct Case {
        const char* args;
        const char* says;
    };
    for (const Case& c : {
             Case{"", "pellix-cli: error: no PROGRAM\n"},
             Case{"x.src", "pellix-cli: error: --for TIME is required\n"},
             Case{"x.src --for 10", "pellix-cli: error: --for: '10' needs a unit: s, ms, us, ns or "
                                    "cycles\n"},
             Case{"x.src --for", "pellix-cli: error: --for needs a value\n"},
             Case{"x.src y.src --for 1ms", "pellix-cli: error: one PROGRAM only\n"},
             Case{"x.src --for 1ms --speed 2", "pellix-cli: error: unknown option --speed\n"},
             Case{"x.src --for 1ms --for 2ms", "pellix-cli: error: --for is given twice\n"},
             Case{"x.src --for 1ms --uart TX=RA.0", "pellix-cli: error: --uart: BAUD=N is missing\n"},
             Case{"x.src --for 1ms --until-pin RB.0", "pellix-cli: error: --until-pin takes PIN=LEVEL "
                                                      "(RB.0=1, RA.2=z), not 'RB.0'\n"},
             Case{"x.src --for 1ms --until-pin MCLR=0",
                  "pellix-cli: error: --until-pin takes PIN=LEVEL (RB.0=1, RA.2=z), not 'MCLR=0'\n"},
             Case{"x.src --for 1ms --freq fast",
                  "pellix-cli: error: --freq: 'fast' is not a frequency (4000000, 4.9152MHz, "
                  "32768Hz)\n"},
             Case{"x.src --for 9999999999999999999cycles",
                  "pellix-cli: error: --for: that is longer than the simulator counts\n"},
         }) {
        Write("x.src", kPulse);
        RunResult r = Sim(c.args);
        EXPECT_EQ(r.exit, 2) << c.args;
        EXPECT_EQ(r.err.substr(0, r.err.find('\n') + 1), c.says) << c.args;
        EXPECT_NE(r.err.find("Usage: pellix-cli sim PROGRAM --for TIME"), std::string::npos)
            << c.args;
        EXPECT_EQ(r.out, "");
    }
    RunResult help = Sim("--help");
    EXPECT_EQ(help.exit, 0);
    EXPECT_NE(help.out.find("--until-pin PIN=LEVEL"), std::string::npos);
}

TEST_F(SimCli, Failures) {
    Write("x.src", kPulse);
    Write("bad.src", " DEVICE SX28\n RESET 0\n JMP nowhere\n");
    Write("s.stim", "# good\n1ms RB.1 1\n2ms RB.1 hi\n");
    Write("d.stim", "1ms RD.0 1\n");
    struct Case {
        const char* args;
        const char* says;
    };
    for (const Case& c : {
             Case{"missing.src --for 1ms", "pellix-cli: error: cannot read missing.src: "},
             Case{"bad.src --for 1ms", "bad.src:3:6: error: Undefined symbol"},
             Case{"x.src --for 1ms --stimulus s.stim",
                  "pellix-cli: error: s.stim:3: 'hi' is not a level (0, 1, z or clock)\n"},
             Case{"x.src --for 1ms --stimulus d.stim",
                  "pellix-cli: error: d.stim:1: this chip has no pin RD.0 (it has RA.0-RA.3, RB.0-RB.7, "
                  "RC.0-RC.7, RTCC, MCLR)\n"},
             Case{"x.src --for 1ms --stimulus none.stim", "pellix-cli: error: cannot read none.stim: "},
             Case{"x.src --for 1ms --uart TX=RE.0,BAUD=9600",
                  "pellix-cli: error: --uart: this chip has no pin RE.0 (it has RA.0-RA.3, RB.0-RB.7, "
                  "RC.0-RC.7, RTCC, MCLR)\n"},
             Case{"x.src --for 1ms --until-pin RA.7=1",
                  "pellix-cli: error: --until-pin: this chip has no pin RA.7 (it has RA.0-RA.3, "
                  "RB.0-RB.7, RC.0-RC.7, RTCC, MCLR)\n"},
             Case{"x.src --for 1ms --vcd no/such/folder/t.vcd",
                  "pellix-cli: error: cannot write no/such/folder/t.vcd: No such file or directory\n"},
         }) {
        RunResult r = Sim(c.args);
        EXPECT_EQ(r.exit, 1) << c.args;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << c.args << ": " << r.err;
        EXPECT_EQ(r.err.find("Simulated"), std::string::npos) << "nothing ran: " << c.args;
    }
}

} // namespace
