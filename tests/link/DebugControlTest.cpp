// The run-control primitives against the virtual key: what goes on the wire, what the
// live state holds after a stop, and what the views are told.
#include "link/DebugTestSupport.h"

using namespace pellix;
using namespace pellix::test;

namespace {

const char* kLoop = R"(
 DEVICE SX28,TURBO,STACKX_OPTIONX
 FREQ 4_000_000
 RESET start
 ORG 8
count DS 1
 ORG 0
start MOV count,#3
loop INC $10
 DECSZ count
 JMP loop
done JMP done
 ORG $600
far NOP
 JMP far
)";

// The kernel records of a request log, each as the bytes after 7 and the count.
std::vector<Bytes> KernelRecords(const Bytes& log) {
    std::vector<Bytes> out;
    for (size_t i = 0; i < log.size();) {
        uint8_t c = log[i];
        if (c == kCommandKernel && i + 1 < log.size()) {
            size_t n = log[i + 1];
            out.emplace_back(log.begin() + long(i + 2), log.begin() + long(i + 2 + n));
            i += 2 + n;
        } else if (c == kCommandDebugState || c == kCommandErase) {
            i += 2;
        } else if (c == kCommandClockOn) {
            i += 4;
        } else {
            ++i;
        }
    }
    return out;
}

bool Has(const Bytes& log, const Bytes& part) {
    return std::search(log.begin(), log.end(), part.begin(), part.end()) != log.end();
}

} // namespace

TEST(DebugSessionStart, RestartsTheChipAndFindsItAtTheResetVector) {
    DebugRig r(kLoop);
    r.record->debug.breakAddress = 0x003;
    r.control.StartDebugging();
    // No state was read yet: only the clock at 4 MHz and the reset.
    EXPECT_EQ(r.TakeRequests(), (Bytes{8, 0xE0, 0xE4, 0x3E, 4}));
    EXPECT_EQ(r.control.live.breakpoint, 0x003u) << "the program's BREAK";
    EXPECT_EQ(r.control.flags.firstRefresh, 1);
    ASSERT_TRUE(r.control.WaitForStop(kApplyLimitMs));
    r.control.ReadDebugState();
    EXPECT_EQ(r.control.live.programCounter, 0x7FFu);
    EXPECT_EQ(r.Reg(3) & 0xE0, 0) << "the diversion's page bits are not shown";
    EXPECT_EQ(r.Reg(2), 0x00) << "PCL is the program counter + 1";
    EXPECT_EQ(r.control.flags.stateValid, 1);

    // Reset with the chip stopped: the kernel first leaves through its first word.
    r.TakeRequests();
    r.control.RestartChip();
    Bytes log = r.TakeRequests();
    std::vector<Bytes> records = KernelRecords(log);
    ASSERT_EQ(records.size(), 1u);
    ASSERT_EQ(records[0].size(), 28u);
    EXPECT_EQ(records[0][3], 0x07);
    EXPECT_EQ(records[0][5], 0x77) << "0x777, the kernel's first word";
    EXPECT_EQ(records[0][15] | (records[0][17] << 8), RunModeRestart);
    EXPECT_TRUE(Has(log, {8, 0xE0, 0xE4, 0x3E, 4})) << "then clock and reset";
    EXPECT_EQ(r.control.flags.stateValid, 0);
    ASSERT_TRUE(r.control.WaitForStop(kApplyLimitMs)) << "back in the kernel after the reset";
    r.control.ReadDebugState();
    EXPECT_EQ(r.control.live.programCounter, 0x7FFu);

    r.control.StopDebugging();
    EXPECT_EQ(r.TakeRequests(), (Bytes{5, 6, 152, 9, 0})) << "clock off, then the end byte";
    EXPECT_FALSE(r.link.PortOpen());
    r.control.StopDebugging();
    EXPECT_TRUE(r.TakeRequests().empty()) << "nothing when the port is closed";
}

TEST(DebugSessionStart, ClockWordsForTheProgramsFrequency) {
    // 50 MHz and 110 MHz as the clock generator's search chooses them.
    for (auto [freq, word] : {std::pair{"50_000_000", 0x3D4620u}, {"110_000_000", 0x3B42A8u}}) {
        DebugRig r(std::string(" DEVICE SX28\n FREQ ") + freq + "\n RESET 0\n");
        r.control.StartDebugging();
        EXPECT_EQ(r.TakeRequests(),
                  (Bytes{8, uint8_t(word), uint8_t(word >> 8), uint8_t(word >> 16), 4}));
        EXPECT_EQ(r.key.Chip().ClockWord(), word);
    }
}

TEST(DebugRegisters, WhichWritesGoAtOnceAndWhichWaitForTheResume) {
    DebugRig r(kLoop);
    r.Start();
    r.control.WriteRegister(3, 0x07);
    r.control.WriteRegister(kRegisterW, 0x42);
    r.control.WriteRegister(kRegisterM, 0x0A);
    r.control.WriteRegister(4, 0x35);
    r.control.WriteRegister(0x0D, 0xD0);
    EXPECT_TRUE(r.TakeRequests().empty()) << "the resume record carries them";
    r.control.WriteRegister(0x10, 0x55);
    EXPECT_EQ(r.TakeRequests(), (Bytes{7, 4, 1, 0x10, 2, 0x55})) << "RAM goes at once";
    r.control.WriteRegister(0x25, 0x0F); // the global RA seen from bank 1
    EXPECT_EQ(r.TakeRequests(), (Bytes{7, 4, 1, 0x05, 2, 0x0F}));
    EXPECT_EQ(r.Reg(0x05), 0x0F);
    r.control.WriteRegister(0, 0x99); // IND with FSR 0x35
    EXPECT_EQ(r.TakeRequests(), (Bytes{7, 4, 1, 0x35, 2, 0x99}));
    r.control.WriteRegister(1, 0x21); // the RTCC, register 1 not showing W
    EXPECT_EQ(r.TakeRequests(), (Bytes{7, 4, 1, 0x01, 2, 0x21}));
    r.control.WriteRegister(0x102, 0x01); // no such register
    r.control.WriteRegister(-1, 0x01);
    EXPECT_TRUE(r.TakeRequests().empty());

    r.control.ApplyChanges();
    Bytes log = r.TakeRequests();
    std::vector<Bytes> records = KernelRecords(log);
    ASSERT_EQ(records.size(), 1u);
    const Bytes& resume = records[0];
    EXPECT_EQ(resume[1], 0x42) << "W";
    EXPECT_EQ(resume[7], 0x07) << "STATUS";
    EXPECT_EQ(resume[9], 0x35) << "FSR";
    EXPECT_EQ(resume[25], 0x0A) << "M";
    EXPECT_EQ(resume[27], 0xD0) << "register 0x0D";
    EXPECT_EQ(resume[15] | (resume[17] << 8), RunModeApply);
    // The chip took it all, and the state read back shows it.
    EXPECT_EQ(r.Reg(kRegisterW), 0x42);
    EXPECT_EQ(r.Reg(3) & 0x07, 0x07);
    EXPECT_EQ(r.Reg(4), 0x35);
    EXPECT_EQ(r.Reg(kRegisterM), 0x0A);
    EXPECT_EQ(r.Reg(0x0D), 0xD0);
    EXPECT_EQ(r.Reg(0x10), 0x55);
    EXPECT_EQ(r.Reg(0x35), 0x99);
    EXPECT_EQ(r.Reg(0), 0x99) << "IND shows what FSR selects";
    EXPECT_EQ(r.control.flags.stateValid, 1);
    EXPECT_EQ(r.key.Chip().Core().W(), 0x42);

    // With register 1 showing W, writing it writes W and waits for the resume.
    r.key.Chip().Core().SetOption(0x7F);
    r.control.ApplyChanges();
    EXPECT_EQ(r.control.live.wAtOne, 1);
    EXPECT_EQ(r.Reg(1), 0x42) << "register 1 is W";
    r.TakeRequests();
    r.control.WriteRegister(1, 0x24);
    EXPECT_TRUE(r.TakeRequests().empty());
    EXPECT_EQ(r.Reg(kRegisterW), 0x24);
}

TEST(DebugRegisters, WritingPclMovesTheProgramCounter) {
    DebugRig r(kLoop);
    r.Start();
    r.control.live.skipFlag = 1;
    r.control.WriteRegister(3, 0x18); // page bits 0
    r.control.WriteRegister(2, 0x00);
    EXPECT_EQ(r.control.live.programCounter, 0x0FFu) << "0x00 - 1, masked";
    EXPECT_EQ(r.control.live.skipFlag, 0);
    r.control.WriteRegister(3, 0x78); // page 3
    r.control.WriteRegister(2, 0x10);
    EXPECT_EQ(r.control.live.programCounter, 0x60Fu);
    EXPECT_TRUE(KernelRecords(r.TakeRequests()).empty()) << "PCL travels in the resume record";
}

TEST(DebugRegisters, ApplyThatNeverSeesTheChipStopFails) {
    DebugRig r(kLoop);
    r.Start();
    r.key.Chip().Erase(); // no kernel left to take the record
    uint32_t start = r.ticks.Now();
    ExpectLinkError(
        r.link, r.prompter, [&] { r.control.ApplyChanges(); }, "Chip connection failed");
    uint32_t spent = r.ticks.Now() - start;
    EXPECT_GE(spent, kApplyLimitMs);
    EXPECT_LT(spent, kApplyLimitMs + 20) << "no longer than the limit and one poll";
}

TEST(DebugState, CompletingAStateRead) {
    MemoryGeometry g8{2048, 8, 3}, g4{2048, 4, 3}, g1{512, 1, 2}, big{4096, 15, 5};
    KernelState k;
    k.registers[3] = 0xFF;
    k.registers[4] = 0x15;
    k.registers[0x05] = 0x11;
    k.registers[0x95] = 0x95;
    k.registers[0xF5] = 0xF5;
    k.w = 0x3C;
    k.m = 0x0B;
    k.intFlag = 1;
    k.skipFlag = 1;
    k.programCounter = 0x7FF;
    DebugState s;
    s.breakpoint = 0x123;
    LoadKernelState(s, k, 0, g8);
    EXPECT_EQ(s.Register(3), 0x1F) << "at the reset vector only the low flags are the program's";
    EXPECT_EQ(s.intFlag, 0);
    EXPECT_EQ(s.skipFlag, 0);
    EXPECT_EQ(s.Register(2), 0x00);
    EXPECT_EQ(s.Register(kRegisterW), 0x3C);
    EXPECT_EQ(s.Register(kRegisterM), 0x0B);
    EXPECT_EQ(s.breakpoint, 0x123u) << "the breakpoint is the session's, not the chip's";
    EXPECT_EQ(s.Register(4), 0x15) << "eight banks: no bits forced";
    EXPECT_EQ(s.Register(0), 0x00) << "IND: register 0x15, never written";

    k.programCounter = 0x7FD;
    LoadKernelState(s, k, 0, g8);
    EXPECT_EQ(s.programCounter, 0x7FFu) << "memsize - 3 shows as the reset vector";
    EXPECT_EQ(s.Register(3), 0xFF) << "but it was not at the vector when it stopped";
    EXPECT_EQ(s.intFlag, 1);

    k.programCounter = 0x123;
    LoadKernelState(s, k, 0, g4);
    EXPECT_EQ(s.Register(4), 0x95) << "four banks: bit 7 reads 1";
    EXPECT_EQ(s.Register(0), 0x95);
    EXPECT_EQ(s.Register(2), 0x24);
    LoadKernelState(s, k, 0, g1);
    EXPECT_EQ(s.Register(4), 0xF5);
    EXPECT_EQ(s.Register(0), 0xF5);
    EXPECT_EQ(s.programCounter, 0x123u);
    k.registers[4] = 0x05; // bit 4 clear: the global register
    LoadKernelState(s, k, 0, g1);
    EXPECT_EQ(s.Register(0), 0x11);
    EXPECT_EQ(s.Register(4), 0xE5);
    LoadKernelState(s, k, 1, big);
    EXPECT_EQ(s.Register(4), 0x05) << "family 1 has every bank bit";
    EXPECT_EQ(s.Register(0), 0x11);
    k.programCounter = 0xFFD;
    k.wAtOne = true;
    k.registers[1] = 0x77;
    LoadKernelState(s, k, 1, big);
    EXPECT_EQ(s.programCounter, 0xFFFu);
    EXPECT_EQ(s.Register(1), 0x3C) << "register 1 shows W";
}

TEST(DebugBreakpoints, ToggleAndSetProgramCounter) {
    DebugRig r(kLoop);
    std::vector<std::string> log;
    RecordingView reg(log, "register"), code(log, "code"), watch(log, "watch");
    r.control.SetView(DebugViewRole::Register, &reg);
    r.control.SetView(DebugViewRole::Code, &code);
    r.control.SetView(DebugViewRole::Watch, &watch);
    int idle = 0;
    r.control.idleButtons = [&] { ++idle; };
    r.Start();
    log.clear();

    for (int ignored : {-1, 0x100, 0x7FE, 4096, 100000})
        r.control.ToggleBreakpoint(ignored);
    EXPECT_EQ(r.control.live.breakpoint, kNoBreakpoint);
    EXPECT_TRUE(log.empty());
    EXPECT_EQ(idle, 0);

    r.control.ToggleBreakpoint(0x002);
    EXPECT_EQ(r.control.live.breakpoint, 0x002u);
    EXPECT_EQ(r.control.shown.breakpoint, kNoBreakpoint);
    EXPECT_EQ(log, (std::vector<std::string>{"register breakpoint", "code breakpoint"}));
    EXPECT_EQ(idle, 1);
    r.control.ToggleBreakpoint(0x002);
    EXPECT_EQ(r.control.live.breakpoint, kNoBreakpoint) << "the same address clears it";
    EXPECT_EQ(r.control.shown.breakpoint, 0x002u);
    r.control.ToggleBreakpoint(0x002);
    ASSERT_EQ(r.control.live.breakpoint, 0x002u);

    // A double click: its first click toggled the breakpoint at the line, which is undone.
    r.control.ToggleBreakpoint(0x600);
    r.control.live.skipFlag = 1;
    r.control.SetProgramCounter(0x600);
    EXPECT_EQ(r.control.live.breakpoint, 0x002u);
    EXPECT_EQ(r.control.live.programCounter, 0x600u);
    EXPECT_EQ(r.control.live.skipFlag, 0);
    EXPECT_EQ(r.Reg(3) & 0xE0, 0x60) << "page 3 in PA0 and PA1";
    EXPECT_EQ(r.key.Chip().Core().Pc(), 0x600) << "the chip took it";
    EXPECT_EQ(idle, 5) << "four toggles and the program counter";
    r.Go(RunModeStep);
    r.Go(RunModeStep);
    EXPECT_EQ(r.control.live.programCounter, 0x600u) << "JMP far stays in page 3";

    r.control.SetProgramCounter(0x001);
    EXPECT_EQ(r.Reg(3) & 0xE0, 0x00);
    EXPECT_EQ(r.control.live.programCounter, 0x001u);
    r.control.SetProgramCounter(0x0F0); // nothing there
    EXPECT_EQ(r.control.live.programCounter, 0x001u);
}

TEST(DebugBreakpoints, MovingTheProgramCounterKeepsABreakpointSetSinceTheLastStop) {
    DebugRig r(kLoop);
    std::vector<std::string> log;
    RecordingView source(log, "source");
    r.control.SetView(DebugViewRole::Source, &source);
    r.Start();
    log.clear();
    // Set after the last stop: shown still has none.
    r.control.ToggleBreakpoint(0x002);
    EXPECT_EQ(log, (std::vector<std::string>{"source breakpoint"}));
    ASSERT_EQ(r.control.shown.breakpoint, kNoBreakpoint);
    r.control.MoveProgramCounter(0x600);
    EXPECT_EQ(r.control.live.programCounter, 0x600u);
    EXPECT_EQ(r.control.live.breakpoint, 0x002u) << "the user's breakpoint stays";
    EXPECT_EQ(r.Reg(3) & 0xE0, 0x60);
    EXPECT_EQ(r.key.Chip().Core().Pc(), 0x600);
    // Cleared since the last stop: stays cleared.
    r.control.ToggleBreakpoint(0x002);
    r.control.MoveProgramCounter(0x001);
    EXPECT_EQ(r.control.live.breakpoint, kNoBreakpoint);
    r.control.MoveProgramCounter(0x0F0); // nothing there
    EXPECT_EQ(r.control.live.programCounter, 0x001u);
    // SetProgramCounter keeps its rule for the double click.
    r.control.ToggleBreakpoint(0x003);
    r.control.SetProgramCounter(0x003);
    EXPECT_EQ(r.control.live.breakpoint, kNoBreakpoint);
}

TEST(DebugBreakpoints, ASessionStartsWithTheBreakpointItIsGiven) {
    DebugRig r(kLoop);
    r.record->debug.breakAddress = 0x003;
    r.control.startBreakpoint = [] { return 0x002u; };
    r.control.StartDebugging();
    EXPECT_EQ(r.control.live.breakpoint, 0x002u);
    r.control.StopDebugging();
    r.control.startBreakpoint = [] { return uint32_t(kNoBreakpoint); };
    r.control.StartDebugging();
    EXPECT_EQ(r.control.live.breakpoint, kNoBreakpoint);
    r.control.StopDebugging();
    r.control.startBreakpoint = nullptr;
    r.control.StartDebugging();
    EXPECT_EQ(r.control.live.breakpoint, 0x003u) << "the program's BREAK";
}

TEST(DebugBreakpoints, FamilyOnePageBitsAndStopRequest) {
    DebugRig r(" DEVICE SX52\n RESET start\n ORG 0\nstart JMP start\n ORG $E40\nhigh JMP high\n");
    r.Start();
    EXPECT_EQ(r.control.live.programCounter, 0xFFFu);
    r.control.SetProgramCounter(0xE40);
    EXPECT_EQ(r.Reg(3) & 0xE0, 0xE0);
    EXPECT_EQ(r.control.live.programCounter, 0xE40u);
    r.control.WriteRegister(0x80, 0xAB);
    EXPECT_EQ(r.TakeRequests().back(), 0xAB);
    r.control.ApplyChanges();
    EXPECT_EQ(r.Reg(0x80), 0xAB) << "through the second reply";
    r.TakeRequests();
    r.control.ResumeChip(RunModeFree);
    r.control.PollChip();
    EXPECT_FALSE(r.control.PollChip());
    r.control.StopChip();
    Bytes log = r.TakeRequests();
    EXPECT_TRUE(Has(log, {7, 2, 0, 0})) << "two zero bytes for an SX48/52";
    ASSERT_TRUE(r.control.WaitForStop(kApplyLimitMs));
    r.control.ReadDebugState();
    EXPECT_EQ(r.control.live.programCounter, 0xE40u);
    EXPECT_EQ(r.TakeRequests(), (Bytes{5, 6, 24, 6, 240}));
}

TEST(DebugViews, RefreshTellsTheVisibleViewsInOrder) {
    DebugRig r(kLoop);
    std::vector<std::string> log;
    RecordingView reg(log, "register"), code(log, "code"), watch(log, "watch"), list(log, "list");
    list.visible = false;
    r.control.SetView(DebugViewRole::List, &list);
    r.control.SetView(DebugViewRole::Watch, &watch);
    r.control.SetView(DebugViewRole::Code, &code);
    r.control.SetView(DebugViewRole::Register, &reg);
    r.Start();
    EXPECT_EQ(log,
              (std::vector<std::string>{"register pc 2047", "code pc 2047", "register repaint all",
                                        "code repaint all", "watch repaint all"}));
    EXPECT_EQ(r.control.flags.firstRefresh, 0);
    EXPECT_EQ(r.control.shown, r.control.live);
    EXPECT_EQ(r.control.previous, r.control.live) << "nothing shows as changed at first";

    log.clear();
    DebugState before = r.control.live;
    r.control.SetView(DebugViewRole::Watch, nullptr);
    r.Go(RunModeStep);
    r.Go(RunModeStep);
    EXPECT_EQ(log, (std::vector<std::string>{"register pc 0", "code pc 0", "register repaint",
                                             "code repaint", "register pc 1", "code pc 1",
                                             "register repaint", "code repaint"}));
    EXPECT_EQ(r.control.shown, r.control.live);
    EXPECT_NE(r.control.previous, before);
    EXPECT_EQ(r.control.previous.programCounter, 0u);
    EXPECT_EQ(r.Reg(kRegisterW), 3) << "MOV W,#3";
}
