// pellix-cli debug run as a user runs it: on the in-process virtual key (port sim) and on
// pellix-keysim behind a pseudo-terminal.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "link/KeysimProcess.h"
#include "support/ScratchTest.h"

using namespace pellix::test;
namespace fs = std::filesystem;

namespace {

class DebugCli : public ScratchTest {
protected:
    void SetUp() override {
        cli_ = BuiltProgram("pellix-cli");
        const char* src = std::getenv("PELLIX_SOURCE_DIR");
        if (cli_.empty() || !src) GTEST_SKIP() << "PELLIX_BIN_DIR or PELLIX_SOURCE_DIR is not set";
        blink_ = fs::path(src) / "examples" / "blink.src";
        ScratchTest::SetUp();
    }
    RunResult Run(const std::string& args, const std::string& input = "") {
        return RunShell(Quoted(cli_.string()) + " " + args, input);
    }
    // Where the written file is, for the command line.
    fs::path Put(const std::string& name, const std::string& text) const {
        Write(name, text);
        return dir_ / name;
    }
    std::string Blink() const { return Quoted(blink_.string()); }

    fs::path cli_, blink_;
};

// The stop lines of a session over blink.src: the reset vector, three steps into it.
const char* kFirstStops = "PC=7FF W=00 STATUS=18 [TO PD] FSR=00 M=F INT=0 SKIP=0  JMP   000\n"
                          "PC=000 W=00 STATUS=18 [TO PD] FSR=00 M=F INT=0 SKIP=0  MOV   W,#FE\n"
                          "PC=001 W=FE STATUS=18 [TO PD] FSR=00 M=F INT=0 SKIP=0  MOV   !RB,W\n"
                          "PC=002 W=FE STATUS=18 [TO PD] FSR=00 M=F INT=0 SKIP=0  MOV   W,#01\n";

const char* kSession = "step 3\n"
                       "break 2\n"
                       "run\n"
                       "run\n"
                       "set 08 5A\n"
                       "set w 33\n"
                       "dump\n"
                       "quit\n"
                       "step\n"; // after quit: not run

void ExpectSession(const RunResult& r) {
    EXPECT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(r.err, "");
    ASSERT_EQ(r.out.substr(0, std::string(kFirstStops).size()), kFirstStops) << r.out;
    std::string rest = r.out.substr(std::string(kFirstStops).size());
    EXPECT_EQ(rest.substr(0, 18), "Breakpoint at 002\n");
    // Twice round the loop to the breakpoint, each time stopping once its MOV W,#01 has
    // run, then the two writes.
    EXPECT_NE(rest.find("PC=003 W=01 STATUS=1C [TO PD Z] FSR=00 M=F INT=0 SKIP=0  XOR   RB,W\n"
                        "PC=003 W=01 STATUS=1C [TO PD Z] FSR=00 M=F INT=0 SKIP=0  XOR   RB,W\n"
                        "PC=003 W=01 STATUS=1C [TO PD Z] FSR=00 M=F INT=0 SKIP=0  XOR   RB,W\n"
                        "PC=003 W=33 STATUS=1C [TO PD Z] FSR=00 M=F INT=0 SKIP=0  XOR   RB,W\n"),
              std::string::npos)
        << rest;
    EXPECT_NE(rest.find("\n00: 00 00 04 1C 00 00 00 00 5A 00 00 00 00 00 00 00\n"),
              std::string::npos)
        << rest;
    EXPECT_NE(rest.find("M=F W=33 PC=003 INT=0 SKIP=0\n"), std::string::npos);
    EXPECT_EQ(rest.find("PC=004"), std::string::npos) << "nothing after quit";
}

} // namespace

TEST_F(DebugCli, SessionOnTheInProcessKey) {
    fs::path script = Put("session.txt", kSession);
    ExpectSession(Run("debug " + Blink() + " --port sim --script '" + script.string() + "'"));
    // The same commands from standard input.
    ExpectSession(Run("debug " + Blink() + " --port sim", kSession));
}

TEST_F(DebugCli, SessionThroughKeysimOverAPseudoTerminal) {
    KeysimProcess keysim({"--device=SX28"});
    ASSERT_FALSE(keysim.Device().empty()) << "pellix-keysim did not start";
    fs::path script = Put("session.txt", kSession);
    ExpectSession(Run("debug " + Blink() + " --port '" + keysim.Device() + "' --script '" +
                      script.string() + "'"));
    EXPECT_EQ(keysim.Stop(), 0);
}

TEST_F(DebugCli, AnImageDebugsWithoutASource) {
    RunResult a = Run("assemble " + Blink() + " -o '" + (dir_ / "blink.sxh").string() + "'");
    ASSERT_EQ(a.exit, 0) << a.err;
    RunResult r =
        Run("debug '" + (dir_ / "blink.sxh").string() + "' --port sim", "step\nhop\nquit\n");
    EXPECT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(r.out.substr(0, 130), std::string(kFirstStops).substr(0, 130))
        << "without a listing a hop is one step";
    EXPECT_NE(r.out.find("PC=001 "), std::string::npos);
}

// where: the source line of the next instruction, for each kind of program.
TEST_F(DebugCli, WhereForASourceAnOrdaImageAndCompilerOutput) {
    // A source: the line of the file given (the reset vector's is RESET's).
    RunResult r = Run("debug " + Blink() + " --port sim", "where\nstep\nwhere\nstep 2\nwhere\n");
    ASSERT_EQ(r.exit, 0) << r.err;
    const std::string blink = blink_.string();
    EXPECT_NE(r.out.find(blink + ":5\nPC=000"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\n" + blink + ":13\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\n" + blink + ":14\n"), std::string::npos) << r.out;

    // orda's output: its map beside the image names the file and line, and hop steps
    // through a line of two words.
    const fs::path orda = BuiltProgram("orda");
    if (orda.empty()) GTEST_SKIP() << "no orda";
    const fs::path examples = blink_.parent_path() / "orda";
    for (const char* f : {"counter.src", "ports.inc", "delay.inc"})
        fs::copy_file(examples / f, dir_ / f);
    RunResult built =
        RunShell("cd " + Quoted(dir_.string()) + " && " + Quoted(orda.string()) + " counter.src");
    ASSERT_EQ(built.exit, 0) << built.out;
    r = Run("debug '" + (dir_ / "counter.hex").string() + "' --port sim",
            "step\nwhere\nhop\nwhere\nstep 3\nwhere\n");
    ASSERT_EQ(r.exit, 0) << r.err;
    EXPECT_NE(r.out.find("MOV   W,#00\ncounter.src:18\nPC=002 "), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("CLR   08\ncounter.src:19\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("CALL  008\ncounter.src:21\n"), std::string::npos) << r.out;
    // Without the map, no lines.
    fs::remove(dir_ / "counter.map");
    r = Run("debug '" + (dir_ / "counter.hex").string() + "' --port sim", "step\nwhere\n");
    EXPECT_NE(r.out.find("\nno source line at 000\n"), std::string::npos) << r.out;
}

// Compiler output that gputils wrote, as pellix /B debugs it: the WATCHes, the BREAK, and
// the lines of both modules.
TEST_F(DebugCli, GputilsOutputWithItsListing) {
    const fs::path cod =
        fs::path(std::getenv("PELLIX_SOURCE_DIR")) / "tests/cod/gputils/linked.cod";
    RunResult r = Run("debug '" + cod.string() + "' --port sim",
                      "where\nrun\nwhere\nwatch\nstep 3\nwhere\nstep\nwhere\n");
    ASSERT_EQ(r.exit, 0) << r.err;
    EXPECT_EQ(r.err, "");
    // The BREAK is on the NOP at 007; the chip stops once it has run.
    EXPECT_EQ(r.out, "PC=7FF W=00 STATUS=18 [TO PD] FSR=00 M=F INT=0 SKIP=0  JMP   000\n"
                     "main.asm:10\n"
                     "PC=008 W=00 STATUS=18 [TO PD] FSR=00 M=F INT=0 SKIP=0  JMP   007\n"
                     "main.asm:23\n"
                     "total = 12\ncount = $00\n"
                     "PC=007 W=00 STATUS=18 [TO PD] FSR=00 M=F INT=0 SKIP=0  NOP\n"
                     "PC=008 W=00 STATUS=18 [TO PD] FSR=00 M=F INT=0 SKIP=0  JMP   007\n"
                     "PC=007 W=00 STATUS=18 [TO PD] FSR=00 M=F INT=0 SKIP=0  NOP\n"
                     "main.asm:22\n"
                     "PC=008 W=00 STATUS=18 [TO PD] FSR=00 M=F INT=0 SKIP=0  JMP   007\n"
                     "main.asm:23\n");
}

TEST_F(DebugCli, Failures) {
    RunResult r = Run("debug " + Blink() + " --port sim", "step\nstep 0\nstep\n");
    EXPECT_EQ(r.exit, 1);
    EXPECT_EQ(r.err, "pellix-cli: error: stdin:2: step takes a count from 1 to 1000000\n")
        << "a script ends at its first error";
    EXPECT_EQ(r.out.find("PC=001"), std::string::npos);

    fs::path wd = Put("wd.src", " DEVICE SX28,WATCHDOG\n RESET 0\n");
    r = Run("debug '" + wd.string() + "' --port sim");
    EXPECT_EQ(r.exit, 1);
    EXPECT_EQ(r.err, "pellix-cli: error: ERROR! Debug requires that Watchdog is disabled\n");

    fs::path bad = Put("bad.src", " DEVICE SX28\n RESET 0\n JMP nowhere\n");
    r = Run("debug '" + bad.string() + "' --port sim");
    EXPECT_EQ(r.exit, 1);
    EXPECT_NE(r.err.find("bad.src:3:6: error: Undefined symbol"), std::string::npos) << r.err;

    r = Run("debug " + Blink() + " --port /nonexistent/tty");
    EXPECT_EQ(r.exit, 1);
    EXPECT_EQ(r.err, "pellix-cli: error: Unable to open /nonexistent/tty: COM port in use by "
                     "another process.\n  No such file or directory\n");

    // A script that cannot be read is a usage error, never an empty session that passes.
    r = Run("debug " + Blink() + " --port sim --script '" + (dir_ / "none.txt").string() + "'");
    EXPECT_EQ(r.exit, 2);
    EXPECT_NE(r.err.find("cannot read the script"), std::string::npos) << r.err;
    r = Run("debug " + Blink() + " --port sim --script '" + dir_.string() + "'");
    EXPECT_EQ(r.exit, 2);
    EXPECT_NE(r.err.find(": Is a directory\n"), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "") << "no session ran";
    EXPECT_EQ(Run("debug").exit, 2);
    EXPECT_EQ(Run("debug a b").exit, 2);
    EXPECT_EQ(Run("debug " + Blink() + " --port").exit, 2);
    EXPECT_EQ(Run("debug " + Blink() + " --bogus").exit, 2);
    RunResult help = Run("debug --help");
    EXPECT_EQ(help.exit, 0);
    EXPECT_NE(help.out.find("break ADDR|off"), std::string::npos);
}

// The lab bench in a debug session on the virtual key: exact simulated time, pins from
// outside, a stimulus that plays again after a reset, a UART, a trace.
TEST_F(DebugCli, LabCommandsOnTheVirtualKey) {
    Put("press.stim", "# RB.3 high at once, low after 1 ms\n0 ms RB.3 1\n1 ms RB.3 0\n");
    Put("bad.stim", "1ms RB.0 1\n2ms RB.0 maybe\n");
    const std::string trace = (dir_ / "t.vcd").string();
    RunResult r = Run("debug " + Blink() + " --port sim", "cycles\n"
                                                          "run 10ms\n"
                                                          "cycles\n"
                                                          "pin RB.3 1\n"
                                                          "stimulus " +
                                                              (dir_ / "press.stim").string() +
                                                              "\n"
                                                              "run 2 ms\n"
                                                              "pins\n"
                                                              "break 2\n"
                                                              "vcd " +
                                                              trace +
                                                              "\n"
                                                              "run 1s\n"
                                                              "cycles\n"
                                                              "reset\n"
                                                              "run 100 us\n"
                                                              "vcd off\n"
                                                              "pin RD.0 1\n");
    EXPECT_EQ(r.exit, 1);
    EXPECT_EQ(r.err, "pellix-cli: error: stdin:15: this chip has no pin RD.0 (it has RA.0-RA.3, "
                     "RB.0-RB.7, RC.0-RC.7, RTCC, MCLR)\n");
    const std::string expected =
        "PC=7FF W=00 STATUS=18 [TO PD] FSR=00 M=F INT=0 SKIP=0  JMP   000\n"
        "7 cycles since reset (140 ns at 50 MHz)\n"
        // Exactly 10 ms later, inside the delay loop.
        "PC=00A W=30 STATUS=1C [TO PD Z] FSR=00 M=F INT=0 SKIP=0  DECSZ 08\n"
        "500009 cycles since reset (10.00018 ms at 50 MHz)\n"
        "RB.3  in   1  driven 1\n"
        "Stimulus " +
        (dir_ / "press.stim").string() +
        ": 2 events\n"
        "PC=00A W=30 STATUS=1C [TO PD Z] FSR=00 M=F INT=0 SKIP=0  DECSZ 08\n";
    ASSERT_EQ(r.out.substr(0, expected.size()), expected) << r.out;
    std::string rest = r.out.substr(expected.size());
    EXPECT_NE(rest.find("RB.0  out  1\nRB.1  in   z  floating\nRB.2  in   z  floating\n"
                        "RB.3  in   0  driven 0\n"),
              std::string::npos)
        << "the stimulus's times count from the reset: " << rest;
    EXPECT_NE(rest.find("RTCC  in   0\nMCLR  in   1\nBreakpoint at 002\n"), std::string::npos);
    // The breakpoint comes first: the delay is 250 ms. The chip stops after the breakpoint's
    // instruction, as a real key reports a hit.
    EXPECT_NE(rest.find("Tracing to " + trace +
                        "\nPC=003 W=01 STATUS=1C [TO PD Z] FSR=00 M=F INT=0 SKIP=0  XOR   RB,W\n"
                        "12607610 cycles since reset (252.1522 ms at 50 MHz)\n"),
              std::string::npos)
        << rest;
    EXPECT_NE(rest.find("Trace " + trace + " ended\n"), std::string::npos);

    // After the reset the stimulus played again: RB.3 high at the reset, low 1 ms later;
    // the run of 100 us ended at the breakpoint before that.
    const std::string vcd = Read("t.vcd");
    EXPECT_NE(vcd.find("$var wire 1 ( RB3 $end"), std::string::npos);
    EXPECT_NE(vcd.find("\n1(\n"), std::string::npos) << vcd;

    r = Run("debug " + Blink() + " --port sim", "stimulus " + (dir_ / "bad.stim").string() + "\n");
    EXPECT_EQ(r.exit, 1);
    EXPECT_EQ(r.err, "pellix-cli: error: stdin:1: " + (dir_ / "bad.stim").string() +
                         ":2: 'maybe' is not a level (0, 1, z or clock)\n");
}

TEST_F(DebugCli, UartInADebugSession) {
    const char* src = std::getenv("PELLIX_SOURCE_DIR");
    RunResult r =
        Run("debug '" + (fs::path(src) / "examples" / "echo.src").string() + "' --port sim",
            "uart RX=RA.1,TX=RA.0,BAUD=9600\n"
            "uart send hi\\r\\nthere\\x07\n"
            "run 15ms\n"
            "uart off\n"
            "uart send x\n");
    EXPECT_EQ(r.exit, 1);
    EXPECT_EQ(r.err, "pellix-cli: error: stdin:5: no UART with an RX pin (uart RX=PIN,...)\n");
    EXPECT_NE(r.out.find("UART RX=RA.1 TX=RA.0 at 9600 baud\n"
                         "Queued 10 bytes\n"
                         "uart: HI\\r\n"
                         "uart: THERE\\x07\n"
                         "PC="),
              std::string::npos)
        << "lines as they come, the rest before the stop line: " << r.out;
    EXPECT_NE(r.out.find("\nNo UART\n"), std::string::npos);
}

TEST_F(DebugCli, LabCommandsNeedTheVirtualKey) {
    KeysimProcess keysim({"--device=SX28"});
    ASSERT_FALSE(keysim.Device().empty()) << "pellix-keysim did not start";
    RunResult r = Run("debug " + Blink() + " --port '" + keysim.Device() + "'", "step\npins\n");
    EXPECT_EQ(r.exit, 1);
    EXPECT_EQ(r.err, "pellix-cli: error: stdin:2: pins needs the virtual key (--port sim)\n");
    r = Run("debug " + Blink() + " --port '" + keysim.Device() + "'", "run 1ms\n");
    EXPECT_EQ(r.err, "pellix-cli: error: stdin:1: run TIME needs the virtual key (--port sim)\n");
    r = Run("debug " + Blink() + " --port '" + keysim.Device() + "'", "run 1 parsec\n");
    EXPECT_EQ(r.err, "pellix-cli: error: stdin:1: '1' needs a unit: s, ms, us, ns or cycles\n");
    EXPECT_EQ(keysim.Stop(), 0);
}
