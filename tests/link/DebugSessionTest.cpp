// Whole debugging sessions through the in-process virtual key: an example program
// assembled, prepared, programmed and debugged, and the pellix-cli debug commands.
#include <cstdlib>
#include <fstream>
#include <regex>
#include <sstream>

#include "link/DebugConsole.h"
#include "link/DebugTestSupport.h"

using namespace pellix;
using namespace pellix::test;

namespace {

std::string Example(const std::string& name) {
    const char* dir = std::getenv("PELLIX_SOURCE_DIR");
    std::ifstream in(std::string(dir ? dir : "..") + "/examples/" + name, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    EXPECT_FALSE(s.str().empty()) << "examples/" << name;
    return s.str();
}

// blink.src: count1 and count3 at 0x08 and 0x0A; RB.0 the LED.
constexpr int kCount1 = 0x08, kCount3 = 0x0A, kRB = 0x06;
// About 250 ms of chip time for one delay at 50 MHz, with room.
constexpr uint32_t kDelayLimit = 2000;

const char* kWatched = R"(
 DEVICE SX28,TURBO,STACKX_OPTIONX
 FREQ 4_000_000
 RESET start
 ORG 8
count DS 1
value DS 2
name DS 3
 WATCH count,8,UDEC
 WATCH value,16,UHEX
 WATCH name,3,FSTR
 ORG 0
start MOV count,#3
 MOV value,#$34
 MOV value+1,#$12
 MOV name,#'H'
 MOV name+1,#'i'
 CLR name+2
loop DECSZ count
 JMP loop
 BREAK
 NOP
done JMP done
)";

struct Console {
    explicit Console(DebugRig& r) : console(r.control, out) { console.runLimitMs = 3000; }
    // Runs the lines; the output they gave, and the first error.
    std::string Run(const std::string& script) {
        out.str("");
        std::istringstream in(script);
        std::string line;
        while (std::getline(in, line)) {
            std::string e;
            if (console.Execute(line, e) == DebugConsole::Result::Error && error.empty()) error = e;
        }
        return out.str();
    }
    std::ostringstream out;
    DebugConsole console;
    std::string error;
};

} // namespace

TEST(DebugSession, BlinkStepRunPollStopAndWrite) {
    DebugRig r(Example("blink.src"), true);
    r.Start();
    DebugControl& c = r.control;
    EXPECT_EQ(c.live.programCounter, 0x7FFu);

    // Into the delay: MOV !RB,#$FE; XOR RB,#1; CALL delay; MOV count3,#48; CLR, CLR.
    std::vector<uint32_t> pcs;
    for (int i = 0; i < 10; ++i) {
        r.Go(RunModeStep);
        pcs.push_back(c.live.programCounter);
    }
    EXPECT_EQ(pcs, (std::vector<uint32_t>{0, 1, 2, 3, 4, 6, 7, 8, 9, 0xA}));
    EXPECT_EQ(r.Reg(kRB) & 1, 1) << "the LED is on";
    EXPECT_EQ(r.Reg(kCount3), 48);
    EXPECT_EQ(r.Reg(kCount1), 0);
    EXPECT_EQ(r.key.Chip().Core().StackCount(), 1) << "inside the CALL";
    // Round the inner loop: DECSZ count1 wraps to 0xFF, JMP back, 0xFE.
    for (uint8_t expected : {0xFF, 0xFF, 0xFE, 0xFE, 0xFD}) {
        r.Go(RunModeStep);
        EXPECT_EQ(r.Reg(kCount1), expected);
    }
    EXPECT_EQ(c.live.programCounter, 0xBu);

    // To the breakpoint at the loop's MOV W,#1: the delay runs out, and the chip stops once
    // the MOV has run, before the XOR; the LED goes off on the next round.
    c.ToggleBreakpoint(0x002);
    r.Go(RunModeToBreak, kDelayLimit);
    EXPECT_EQ(c.live.programCounter, 0x003u);
    EXPECT_EQ(c.live.Register(kRegisterW), 1);
    EXPECT_EQ(r.Reg(kCount3), 0) << "the whole delay ran";
    EXPECT_EQ(r.Reg(kRB) & 1, 1);
    r.Go(RunModeToBreak, kDelayLimit);
    EXPECT_EQ(c.live.programCounter, 0x003u);
    EXPECT_EQ(r.Reg(kRB) & 1, 0) << "toggled once more";

    // Free run: it runs until stopped, wherever it is then.
    c.ToggleBreakpoint(0x002);
    ASSERT_EQ(c.live.breakpoint, kNoBreakpoint);
    c.ResumeChip(RunModeFree);
    for (int i = 0; i < 20; ++i)
        ASSERT_FALSE(c.PollChip());
    EXPECT_EQ(c.flags.lastRunState, kRunStateRunning);
    c.StopChip();
    ASSERT_TRUE(c.WaitForStop(kApplyLimitMs));
    c.ReadDebugState();
    EXPECT_GE(c.live.programCounter, 0x2u);
    EXPECT_LE(c.live.programCounter, 0x10u);
    EXPECT_EQ(c.flags.stateValid, 1);

    // Writes, sent and applied, come back from the chip.
    c.WriteRegister(kCount1, 0x5A);
    c.WriteRegister(kRegisterW, 0x33);
    c.WriteRegister(0x30, 0xC3);
    c.ApplyChanges();
    EXPECT_EQ(r.Reg(kCount1), 0x5A);
    EXPECT_EQ(r.Reg(kRegisterW), 0x33);
    EXPECT_EQ(r.Reg(0x30), 0xC3);
    EXPECT_EQ(r.key.Chip().Core().PeekRegister(0x30), 0xC3);
    EXPECT_TRUE(r.prompter.messages.empty());

    // Reset: back at the reset vector, and the program starts over.
    c.RestartChip();
    ASSERT_TRUE(c.WaitForStop(kApplyLimitMs));
    c.ReadDebugState();
    EXPECT_EQ(c.live.programCounter, 0x7FFu);
    r.Go(RunModeStep);
    EXPECT_EQ(c.live.programCounter, 0x000u);
}

TEST(DebugSession, ConsoleCommandsAndTheirOutput) {
    DebugRig r(kWatched);
    Console k(r);
    std::string error;
    ASSERT_TRUE(k.console.Begin(error)) << error;
    EXPECT_EQ(k.out.str(), "PC=7FF W=00 STATUS=18 [TO PD] FSR=00 M=F INT=0 SKIP=0  JMP   000\n");

    EXPECT_EQ(k.Run("step\nstep 2\n"),
              "PC=000 W=00 STATUS=18 [TO PD] FSR=00 M=F INT=0 SKIP=0  MOV   W,#03\n"
              "PC=001 W=03 STATUS=18 [TO PD] FSR=00 M=F INT=0 SKIP=0  MOV   08,W\n"
              "PC=002 W=03 STATUS=18 [TO PD] FSR=00 M=F INT=0 SKIP=0  MOV   W,#34\n");
    EXPECT_EQ(k.Run("set 08 05\nset w $A5\nset INT 1\n"),
              "PC=002 W=03 STATUS=18 [TO PD] FSR=00 M=F INT=0 SKIP=0  MOV   W,#34\n"
              "PC=002 W=A5 STATUS=18 [TO PD] FSR=00 M=F INT=0 SKIP=0  MOV   W,#34\n"
              "PC=002 W=A5 STATUS=18 [TO PD] FSR=00 M=F INT=1 SKIP=0  MOV   W,#34\n");
    std::string dump = k.Run("dump\n");
    EXPECT_EQ(dump.substr(0, 52), "00: 00 00 03 18 00 00 00 00 05 00 00 00 00 00 00 00\n");
    EXPECT_NE(dump.find("\nF0: 00 00"), std::string::npos);
    EXPECT_EQ(dump.substr(dump.size() - 29), "M=F W=A5 PC=002 INT=1 SKIP=0\n");
    EXPECT_EQ(std::count(dump.begin(), dump.end(), '\n'), 17);
    std::string run = k.Run("set INT 0\nrun\nwatch\n");
    EXPECT_EQ(run.substr(run.find('\n') + 1),
              "PC=00E W=69 STATUS=1C [TO PD Z] FSR=00 M=F INT=0 SKIP=0  JMP   00E\n"
              "count = 0\nvalue = $1234\nname = 'Hi.'\n")
        << "run stops once the BREAK's NOP has run";
    std::string regs = k.Run("regs\n");
    EXPECT_NE(regs.find("Bank 0x                   1x  3x  5x  7x  9x  Bx  Dx  Fx\n"),
              std::string::npos);
    EXPECT_NE(regs.find("09     *34 00110100  19  00  00"), std::string::npos) << regs;
    EXPECT_NE(regs.find("RC      00 00000000"), std::string::npos) << "an SX28 has RC";
    EXPECT_TRUE(k.error.empty()) << k.error;

    // Hop from the JMP $ stops at once at a breakpoint there; without it the line never
    // changes, so it gives up after the limit.
    EXPECT_EQ(k.Run("break 0E\nhop\n"),
              "Breakpoint at 00E\n"
              "PC=00E W=69 STATUS=1C [TO PD Z] FSR=00 M=F INT=0 SKIP=0  JMP   00E\n");
    k.console.runLimitMs = 50;
    EXPECT_NE(k.Run("break off\nhop\n").find("(still on the same line"), std::string::npos);
    // The program counter moved to the start, then hop over the two-word MOV lines.
    EXPECT_EQ(k.Run("pc 0\nhop\n"),
              "PC=000 W=69 STATUS=1C [TO PD Z] FSR=00 M=F INT=0 SKIP=0  MOV   W,#03\n"
              "PC=002 W=03 STATUS=1C [TO PD Z] FSR=00 M=F INT=0 SKIP=0  MOV   W,#34\n");
    EXPECT_EQ(k.Run("break 0B\nbreak off\nbreak B\n"),
              "Breakpoint at 00B\nNo breakpoint\nBreakpoint at 00B\n");
    // The DECSZ at the breakpoint has run when the chip stops: count is down to 2.
    EXPECT_EQ(k.Run("run\n"),
              "PC=00C W=69 STATUS=1C [TO PD Z] FSR=00 M=F INT=0 SKIP=0  JMP   00B\n");
    EXPECT_EQ(r.Reg(0x08), 2);
}

// run goes on past a stop exactly at the breakpoint, as the debug window does: a JMP to
// itself there comes back at every stop, so run gives up after its limit and says so.
TEST(DebugSession, ConsoleRunGoesOnPastAStopAtTheBreakpoint) {
    DebugRig r(" DEVICE SX28,TURBO,STACKX_OPTIONX\n FREQ 4_000_000\n RESET start\n ORG 0\n"
               "start NOP\n BREAK\ndone JMP done\n");
    Console k(r);
    k.console.runLimitMs = 1000;
    std::string error;
    ASSERT_TRUE(k.console.Begin(error));
    size_t resumes = r.key.Chip().KernelRecords().size();
    EXPECT_EQ(k.Run("run\n"), "PC=001 W=00 STATUS=18 [TO PD] FSR=00 M=F INT=0 SKIP=0  JMP   001\n"
                              "(back at the breakpoint at every stop for 1 s)\n");
    EXPECT_GT(r.key.Chip().KernelRecords().size(), resumes + 2) << "resumed again and again";
    EXPECT_TRUE(k.error.empty()) << k.error;
}

TEST(DebugSession, ConsoleRefusesWhatItCannotDo) {
    DebugRig r(kWatched);
    Console k(r);
    std::string error;
    ASSERT_TRUE(k.console.Begin(error));
    auto refused = [&](const std::string& line) {
        std::string e;
        k.out.str("");
        EXPECT_EQ(k.console.Execute(line, e), DebugConsole::Result::Error) << line;
        EXPECT_TRUE(k.out.str().empty()) << line << ": " << k.out.str();
        return e;
    };
    EXPECT_EQ(refused("frobnicate"), "unknown command 'frobnicate' (try help)");
    EXPECT_EQ(refused("step 0"), "step takes a count from 1 to 1000000");
    EXPECT_EQ(refused("step x"), "step takes a count from 1 to 1000000");
    EXPECT_EQ(refused("step -1"), "step takes a count from 1 to 1000000");
    EXPECT_EQ(refused("step 1 2"), "usage: step [N]");
    EXPECT_EQ(refused("set 08"), "usage: set REG VALUE");
    EXPECT_EQ(refused("set 100 1"), "unknown register '100'");
    EXPECT_EQ(refused("set RD 1"), "unknown register 'RD'") << "no port RD on an SX28";
    EXPECT_EQ(refused("set 08 100"), "'100' is not a value from 0 to FF");
    EXPECT_EQ(refused("set M 10"), "'10' is not a value from 0 to F");
    EXPECT_EQ(refused("set INT 2"), "'2' is not a value from 0 to 1");
    EXPECT_EQ(refused("pc 0F"), "no instruction at '0F'");
    EXPECT_EQ(refused("pc 800"), "no instruction at '800'");
    EXPECT_EQ(refused("break 7FE"), "no instruction at '7FE' for a breakpoint");
    EXPECT_EQ(refused("break"), "usage: break ADDR|off");
    EXPECT_EQ(refused("regs now"), "usage: regs");

    // Comments and blank lines are nothing; case does not matter.
    std::string e;
    EXPECT_EQ(k.console.Execute("   ", e), DebugConsole::Result::Ok);
    EXPECT_EQ(k.console.Execute("# a comment", e), DebugConsole::Result::Ok);
    EXPECT_EQ(k.console.Execute("; another", e), DebugConsole::Result::Ok);
    EXPECT_EQ(k.console.Execute("QUIT", e), DebugConsole::Result::Quit);
    EXPECT_EQ(k.Run("BREAK OFF\nStep\n").substr(0, 20), "No breakpoint\nPC=000");

    // While it runs, only what needs no stopped chip works.
    EXPECT_EQ(k.Run("run\n"), "Running\n");
    EXPECT_EQ(refused("step"), "the chip is running (stop it first)");
    EXPECT_EQ(refused("regs"), "the chip is running (stop it first)");
    EXPECT_EQ(refused("set 08 1"), "the chip is running (stop it first)");
    EXPECT_EQ(refused("pc 0"), "the chip is running (stop it first)");
    EXPECT_EQ(refused("hop"), "the chip is running (stop it first)");
    EXPECT_EQ(k.Run("poll\npoll\n"), "Running\nRunning\n");
    EXPECT_EQ(k.Run("break 0B\n"), "Breakpoint at 00B\n") << "for the next run";
    EXPECT_EQ(k.Run("stop\n").substr(0, 7), "PC=00E ");
    EXPECT_EQ(k.Run("stop\n").substr(0, 7), "PC=00E ") << "already stopped: where it is";
    EXPECT_EQ(k.Run("poll\n").substr(0, 7), "PC=00E ");
    EXPECT_TRUE(k.error.empty()) << k.error;
}

TEST(DebugSession, FamilyOneConsole) {
    DebugRig r(" DEVICE SX52\n RESET start\n ORG 0\nstart MOV $80,#$AB\n JMP start\n");
    Console k(r);
    std::string error;
    ASSERT_TRUE(k.console.Begin(error)) << error;
    EXPECT_EQ(k.out.str().substr(0, 37), "PC=FFF W=00 STATUS=18 [TO PD] FSR=00 ");
    std::string e;
    EXPECT_EQ(k.console.Execute("set M 3", e), DebugConsole::Result::Error);
    EXPECT_EQ(e, "M is read-only during debug on SX48/52");
    std::string out = k.Run("set RE 3\nset F0 5A\ndump\nregs\n");
    EXPECT_TRUE(k.error.empty()) << k.error;
    EXPECT_NE(out.find("M=0F INT=0"), std::string::npos) << "two digits of M";
    EXPECT_NE(out.find("\nF0: 5A 00"), std::string::npos) << out;
    EXPECT_NE(out.find("  1x  2x  3x  4x  5x  6x  7x  8x  9x  Ax  Bx  Cx  Dx  Ex  Fx\n"),
              std::string::npos);
    EXPECT_NE(out.find("\nRE  "), std::string::npos) << "five ports";
}

TEST(DebugSession, AKernelBeyondTheMemorySizeIsNeverReached) {
    // An image whose FUSEX selects 512 words: the kernel is placed at the end of the full
    // 2048 words all the same, where neither programming nor the chip reaches.
    auto record = AssembleText(" DEVICE SX28\n RESET 0\n");
    record->assembled.Fusex() &= 0xFFC;
    PrepareDebug(*record);
    ASSERT_EQ(record->status, 0);
    SimRig r;
    LoadIntoChip(r.key.Chip(), *record);
    DebugControl control(r.link, *record);
    std::ostringstream out;
    DebugConsole console(control, out);
    std::string error;
    EXPECT_FALSE(console.Begin(error));
    EXPECT_EQ(error, "the chip did not stop in the debug kernel (it lies beyond the 512 words "
                     "that FUSEX selects)");
}
