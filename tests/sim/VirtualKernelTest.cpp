// The debug kernel's observable behaviour on the virtual key's chip: stopping at the
// kernel entry, the state record, the resume record's run modes, register writes, stop
// requests and the poll's answers. The chip is set up directly (no wire, no link) with a
// flash laid out as debug preparation leaves it.
#include <gtest/gtest.h>

#include <vector>

#include "sim/SxTestProgram.h"
#include "sim/VirtualKey.h"

using namespace pellix;
using sxtest::Program;

namespace {

using Bytes = std::vector<uint8_t>;

constexpr uint16_t kStep = 0xF7EB, kToBreak = 0xF7E9, kFree = 0xEAEA, kRestart = 0xEFEF,
                   kApply = 0xF7F7;

// What the key needs of an installed kernel: its first word (a SLEEP), the entry words,
// the program's reset jump moved to end - 2, the reset vector diverted through a free pair
// at 0x1FE into the entry.
void InstallKernel(Program& p, int family, int resetTarget) {
    int end = family == 1 ? 4095 : 2047;
    int base = end - 136;
    p.Org(base).Word(0x003);
    const uint16_t entry[] = {0x048, 0xCFF, 0x04B, 0x203, 0x049, 0x204, 0x04A, 0xCF7};
    p.Org(base + 12);
    for (uint16_t w : entry)
        p.Word(w);
    p.Org(end - 2).Word(0xA00 | unsigned(resetTarget));
    p.Org(end).Word(0xA00 | 0x1FE);
    p.Org(0x1FE).Word(0x017).Word(0xB83);
}

struct Board {
    // SX28 with 2048 words and 8 banks, turbo, 8-level stack; or an SX52.
    explicit Board(int family = 0) : key(family), chip(key.Chip()) {
        chip.LoadFuse(family == 1 ? 0xFFA : 0x7FA);
        chip.LoadFusex(family == 1 ? 0xFFF : 0xF7F);
        chip.Advance(now);
    }
    void Load(const Program& p) {
        std::vector<uint16_t> words = p.Words();
        for (int a = 0; a < chip.PhysicalWords(); ++a)
            chip.LoadCode(a, words[size_t(a)]);
    }
    // Clock at 4 MHz (one million cycles a second in compatible mode, four in turbo).
    void PowerUp() {
        chip.ClockOn(0x3EE4E0);
        chip.Reset();
        Tick(1);
    }
    void Tick(uint32_t ms) {
        now += ms;
        chip.Advance(now);
    }
    int Pc() {
        Bytes s = chip.StateBytes(24);
        return s[2] | (s[3] << 8);
    }
    // The resume record, byte by byte as the kernel takes it, from the chip's own state
    // with the changes a test asks for.
    Bytes Resume(uint16_t mode, int pc, uint16_t breakpoint = 0x1000) {
        Bytes s = chip.StateBytes(24);
        // At the reset vector the environment drops the page bits, INT and SKIP.
        uint8_t status = s[4];
        if ((s[2] | (s[3] << 8)) == chip.MemoryWords() - 1) status &= 0x07;
        Bytes r = {4,   s[1],
                   0,   uint8_t(pc >> 8),
                   8,   uint8_t(pc),
                   16,  status,
                   32,  s[5],
                   0,   s[7],
                   0,   s[8],
                   0,   uint8_t(mode),
                   0,   uint8_t(mode >> 8),
                   0,   0xF7,
                   0,   uint8_t(breakpoint >> 8),
                   64,  uint8_t(breakpoint),
                   0,   uint8_t(s[0] & 0x1F),
                   128, s[6]};
        return r;
    }
    void Send(const Bytes& record) { chip.KernelRecord(record); }

    VirtualKey key;
    VirtualChip& chip;
    uint32_t now = 100;
};

// A counting loop: 0x08 counts down from 3, 0x09 counts the rounds.
Program CountingLoop(int family = 0) {
    Program p;
    p.Org(0).Label("start").MovFrLit(0x08, 3).Clr(0x09);
    p.Label("loop").Inc(0x09).Decsz(0x08).Jmp("loop");
    p.Label("done").JmpSelf();
    InstallKernel(p, family, 0);
    return p;
}

} // namespace

TEST(VirtualKernel, ResetThroughTheDiversionStopsAtTheResetVector) {
    Board b;
    b.Load(CountingLoop());
    b.chip.Reset();
    b.Tick(5);
    EXPECT_EQ(b.chip.RunState(), kRunStateRunning) << "without the key's clock nothing runs";
    EXPECT_EQ(b.Pc(), 0x7FF);
    b.PowerUp();
    ASSERT_TRUE(b.chip.KernelInstalled());
    EXPECT_EQ(b.chip.RunState(), kRunStateStopped);
    Bytes s = b.chip.StateBytes(24 + 16 * 8);
    ASSERT_EQ(s.size(), 152u);
    EXPECT_EQ(s[2] | (s[3] << 8), 0x7FF) << "reported at the reset vector, not the entry";
    EXPECT_EQ(s[4] & 0xE0, 0xE0) << "the diversion's PAGE is in STATUS";
    EXPECT_EQ(s[11] & 0x18, 0x18) << "TO and PD of a power-on";
    EXPECT_EQ(s[0] & 0x0F, 0x0F) << "M after a reset";
    EXPECT_EQ(s[0] & 0x80, 0) << "register 1 is the RTCC after a reset";
}

TEST(VirtualKernel, StepsFromTheResetJumpThroughALoop) {
    Board b;
    b.Load(CountingLoop());
    b.PowerUp();
    // The environment sends memsize - 3 for the reset vector: the moved reset jump.
    b.Send(b.Resume(kStep, 0x7FD));
    EXPECT_EQ(b.chip.RunState(), kRunStateStopped) << "a step stops again at once";
    EXPECT_EQ(b.Pc(), 0x000);
    std::vector<int> pcs;
    for (int i = 0; i < 8; ++i) {
        b.Send(b.Resume(kStep, b.Pc()));
        pcs.push_back(b.Pc());
    }
    // MOV W,#3; MOV 08,W; CLR 09; INC 09; DECSZ 08; JMP loop; INC 09; DECSZ 08
    EXPECT_EQ(pcs, (std::vector<int>{1, 2, 3, 4, 5, 3, 4, 5}));
    EXPECT_EQ(b.chip.Core().PeekRegister(0x08), 1);
    EXPECT_EQ(b.chip.Core().PeekRegister(0x09), 2);
    EXPECT_EQ(b.chip.StateBytes(24)[1], 3) << "W";
    // The last DECSZ reaches 0 and skips the JMP: a step shows the skipped word with SKIP.
    b.Send(b.Resume(kStep, b.Pc()));
    b.Send(b.Resume(kStep, b.Pc()));
    b.Send(b.Resume(kStep, b.Pc()));
    Bytes s = b.chip.StateBytes(24);
    EXPECT_EQ(s[2], 5);
    EXPECT_EQ(s[4] & 0x08, 0x08) << "SKIP flag in bit 3";
    b.Send(b.Resume(kStep, 5));
    EXPECT_EQ(b.Pc(), 6);
}

// As the kernel's breakpoint hardware does: the instruction at the breakpoint runs, and
// the chip stops after it, where it leads.
TEST(VirtualKernel, AHitStopsOnceTheBreakpointsInstructionHasRun) {
    Board b;
    b.Load(CountingLoop());
    b.PowerUp();
    b.Send(b.Resume(kToBreak, 0x7FD, 0x004));
    EXPECT_EQ(b.chip.RunState(), kRunStateRunning);
    b.Tick(1);
    ASSERT_EQ(b.chip.RunState(), kRunStateStopped);
    EXPECT_EQ(b.Pc(), 5) << "after the DECSZ at the breakpoint";
    EXPECT_EQ(b.chip.Core().PeekRegister(0x08), 2) << "the DECSZ ran";
    EXPECT_EQ(b.chip.Core().PeekRegister(0x09), 1);
    // Resumed after it, the next round's hit; the JMP back is no hit.
    b.Send(b.Resume(kToBreak, 5, 0x004));
    b.Tick(1);
    EXPECT_EQ(b.Pc(), 5);
    EXPECT_EQ(b.chip.Core().PeekRegister(0x08), 1);
    // The last DECSZ skips: the stop is on the skipped JMP with SKIP set.
    b.Send(b.Resume(kToBreak, 5, 0x004));
    b.Tick(1);
    Bytes s = b.chip.StateBytes(24);
    EXPECT_EQ(s[2], 5);
    EXPECT_EQ(s[4] & 0x08, 0x08) << "SKIP";
    EXPECT_EQ(b.chip.Core().PeekRegister(0x08), 0);
    // The breakpoint belongs to that run only: a free run passes it (the JMP is skipped).
    b.Send(b.Resume(kFree, 5));
    b.Tick(1);
    EXPECT_EQ(b.chip.RunState(), kRunStateRunning);
    EXPECT_EQ(b.chip.Core().Pc(), 6) << "in the JMP $ at the end";
}

TEST(VirtualKernel, ResumedOnTheBreakpointItsInstructionIsNoHit) {
    Board b;
    b.Load(CountingLoop());
    b.PowerUp();
    b.Send(b.Resume(kStep, 0x7FD)); // to 0
    for (int i = 0; i < 4; ++i)
        b.Send(b.Resume(kStep, b.Pc()));
    ASSERT_EQ(b.Pc(), 4);
    b.Send(b.Resume(kToBreak, 4, 0x004));
    b.Tick(1);
    EXPECT_EQ(b.Pc(), 5) << "one round later";
    EXPECT_EQ(b.chip.Core().PeekRegister(0x09), 2);
    EXPECT_EQ(b.chip.Core().PeekRegister(0x08), 1);
    // A JMP to itself at the breakpoint leads back to it: the stop is at the breakpoint.
    b.Send(b.Resume(kToBreak, 6, 0x006));
    b.Tick(1);
    EXPECT_EQ(b.chip.RunState(), kRunStateStopped);
    EXPECT_EQ(b.Pc(), 6);
}

// A clock so slow that every Advance runs a cycle or two, so runs often end just before the
// breakpoint and the next begins on it: every round still stops there.
TEST(VirtualKernel, NoHitIsLostWhereTheTimeRanOut) {
    Board b;
    Program p;
    p.Org(0).Label("start").Label("loop").Inc(0x09).Nop().Nop().Jmp("loop");
    InstallKernel(p, 0, 0);
    b.Load(p);
    b.chip.LoadFuse(0xFFA); // compatible mode: four clocks a cycle
    b.chip.ClockOn(0x3FF0); // the synthesizer's slowest: 7,266 Hz
    b.chip.Reset();
    for (int i = 0; i < 10 && b.chip.RunState() != kRunStateStopped; ++i)
        b.Tick(1);
    ASSERT_EQ(b.chip.RunState(), kRunStateStopped);
    b.Send(b.Resume(kStep, 0x7FD));
    int pc = b.Pc();
    for (int round = 1; round <= 40; ++round) {
        b.Send(b.Resume(kToBreak, pc, 0x001));
        for (int i = 0; i < 200 && b.chip.RunState() != kRunStateStopped; ++i)
            b.Tick(1);
        ASSERT_EQ(b.chip.RunState(), kRunStateStopped) << "round " << round;
        pc = b.Pc();
        ASSERT_EQ(pc, 2);
        ASSERT_EQ(b.chip.Core().PeekRegister(0x09), round) << "one round a hit";
    }
}

TEST(VirtualKernel, FreeRunStopsOnlyOnRequest) {
    Board b;
    Program p;
    p.Org(0).Label("loop").Inc(0x10).Jmp("loop");
    InstallKernel(p, 0, 0);
    b.Load(p);
    b.PowerUp();
    b.Send(b.Resume(kFree, 0x7FD));
    b.Tick(10);
    EXPECT_EQ(b.chip.RunState(), kRunStateRunning);
    uint64_t cycles = b.chip.Core().Cycles();
    b.Tick(10);
    // 4 MHz in turbo mode: 4,000 cycles a millisecond.
    EXPECT_NEAR(double(b.chip.Core().Cycles() - cycles), 40'000, 3);
    b.Send({0});
    EXPECT_EQ(b.chip.RunState(), kRunStateStopped);
    int pc = b.Pc();
    EXPECT_TRUE(pc == 0 || pc == 1) << pc;
    cycles = b.chip.Core().Cycles();
    b.Tick(10);
    EXPECT_EQ(b.chip.Core().Cycles(), cycles) << "stopped in the kernel, the program waits";
    b.Send({0});
    EXPECT_EQ(b.Pc(), pc) << "a second request changes nothing";
}

TEST(VirtualKernel, ApplyTakesTheContextAndStaysStopped) {
    Board b;
    b.Load(CountingLoop());
    b.PowerUp();
    b.Send(b.Resume(kStep, 0x7FD));
    Bytes r = b.Resume(kApply, 0x123);
    r[1] = 0x5A;        // W
    r[7] = 0xE7 | 0x10; // STATUS with INT; TO and PD stay the chip's
    r[9] = 0x3F;        // FSR
    r[11] = 0xEE;       // 0x0E
    r[13] = 0x0F;       // 0x0F
    r[25] = 0x0A;       // M
    r[27] = 0xDD;       // 0x0D
    b.Send(r);
    EXPECT_EQ(b.chip.RunState(), kRunStateStopped);
    Bytes s = b.chip.StateBytes(24);
    EXPECT_EQ(s[2] | (s[3] << 8), 0x123);
    EXPECT_EQ(s[1], 0x5A);
    EXPECT_EQ(s[4], 0xE7 | 0x10);
    EXPECT_EQ(s[11] & 0x18, 0x18);
    EXPECT_EQ(s[5], 0x3F);
    EXPECT_EQ(s[6], 0xDD);
    EXPECT_EQ(s[7], 0xEE);
    EXPECT_EQ(s[8], 0x0F);
    EXPECT_EQ(s[0] & 0x0F, 0x0A);
    EXPECT_TRUE(b.chip.Core().InInterrupt());
    EXPECT_EQ(b.chip.RunMode(), kApply);
}

TEST(VirtualKernel, RegisterWritesReachTheChipOnlyWhileStopped) {
    Board b;
    Program p;
    p.Org(0).Label("loop").Jmp("loop");
    InstallKernel(p, 0, 0);
    b.Load(p);
    b.PowerUp();
    b.Send({1, 0x35, 2, 0x77});
    b.Send({1, 0x06, 2, 0x81}); // RB's latch
    b.Send({1, 0x01, 2, 0x42}); // the RTCC
    EXPECT_EQ(b.chip.Core().PeekRegister(0x35), 0x77);
    EXPECT_EQ(b.chip.Core().Ports().Latch(1), 0x81);
    EXPECT_EQ(b.chip.StateBytes(24)[9], 0x42);
    b.Send(b.Resume(kFree, 0x7FD));
    b.Tick(1);
    b.Send({1, 0x35, 2, 0x00});
    EXPECT_EQ(b.chip.Core().PeekRegister(0x35), 0x77) << "a running chip has no kernel to listen";
    b.Send({1, 0x35}); // too short: not a register write
    b.Send({0});
    b.Send({1, 0x35, 3, 0x00}); // not the register-write form
    EXPECT_EQ(b.chip.Core().PeekRegister(0x35), 0x77);
}

TEST(VirtualKernel, RestartSleepsUntilTheResetBringsItBack) {
    Board b;
    b.Load(CountingLoop());
    b.PowerUp();
    b.Send(b.Resume(kStep, 0x7FD));
    // Reset: the environment sends the kernel's first word and the restart mode.
    b.Send(b.Resume(kRestart, 0x777));
    b.Tick(1);
    EXPECT_EQ(b.chip.RunState(), kRunStateAsleep);
    b.Send({0});
    EXPECT_EQ(b.chip.RunState(), kRunStateAsleep) << "no instruction runs to stop at";
    b.chip.Reset();
    b.Tick(1);
    EXPECT_EQ(b.chip.RunState(), kRunStateStopped);
    EXPECT_EQ(b.Pc(), 0x7FF);
    EXPECT_EQ(b.chip.StateBytes(24)[11] & 0x18, 0x10) << "TO 1, PD 0: a reset that ended a sleep";
}

TEST(VirtualKernel, SteppingASleepSleepsAndWakesThroughTheResetVector) {
    Board b;
    Program p;
    p.Org(0).Sleep().Nop();
    InstallKernel(p, 0, 0);
    b.Load(p);
    b.PowerUp();
    b.Send(b.Resume(kStep, 0x7FD));
    b.Send(b.Resume(kStep, 0));
    EXPECT_EQ(b.chip.RunState(), kRunStateAsleep);
    b.Tick(100);
    EXPECT_EQ(b.chip.RunState(), kRunStateAsleep) << "no watchdog: asleep until the reset";
    b.chip.Reset();
    b.Tick(1);
    EXPECT_EQ(b.chip.RunState(), kRunStateStopped);
    EXPECT_EQ(b.Pc(), 0x7FF);
}

TEST(VirtualKernel, StepIntoTheResetVectorStopsThereAgain) {
    Board b;
    Program p;
    p.Org(0).Word(0x013).Word(0xBFF); // PAGE 3, JMP 0x7FF
    InstallKernel(p, 0, 0);
    b.Load(p);
    b.PowerUp();
    b.Send(b.Resume(kStep, 0x7FD));
    b.Send(b.Resume(kStep, 0));
    b.Send(b.Resume(kStep, 1));
    EXPECT_EQ(b.Pc(), 0x7FF) << "the reset vector itself";
    // Run freely from there: the diversion enters the kernel, reported at the vector.
    b.Send(b.Resume(kFree, 0x7FF));
    b.Tick(1);
    EXPECT_EQ(b.chip.RunState(), kRunStateStopped);
    EXPECT_EQ(b.Pc(), 0x7FF);
}

TEST(VirtualKernel, WithoutAKernelTheRecordsAreIgnored) {
    Board b;
    Program p;
    p.Org(0).Label("loop").Inc(0x10).Jmp("loop");
    p.Org(0x7FF).Word(0xA00);
    b.Load(p);
    b.PowerUp();
    EXPECT_FALSE(b.chip.KernelInstalled());
    EXPECT_EQ(b.chip.RunState(), kRunStateRunning);
    b.Send({0});
    b.Send(b.Resume(kApply, 0x100));
    b.Tick(1);
    EXPECT_EQ(b.chip.RunState(), kRunStateRunning);
    EXPECT_LT(b.chip.Core().Pc(), 2) << "still in its loop";
    ASSERT_EQ(b.chip.KernelRecords().size(), 2u) << "kept all the same";

    // A kernel where a 512-word configuration cannot reach it does not count either.
    Board small;
    small.chip.LoadFusex(0xF7C);
    small.Load(CountingLoop());
    small.PowerUp();
    EXPECT_FALSE(small.chip.KernelInstalled());
}

TEST(VirtualKernel, ProgrammingHoldsTheChipAndAResetRunsTheNewFlash) {
    Board b;
    b.Load(CountingLoop());
    b.PowerUp();
    ASSERT_EQ(b.chip.RunState(), kRunStateStopped);
    b.chip.Erase();
    EXPECT_EQ(b.chip.RunState(), kRunStateRunning);
    uint64_t cycles = b.chip.Core().Cycles();
    b.Tick(5);
    EXPECT_EQ(b.chip.Core().Cycles(), cycles) << "held while it is programmed";
    b.chip.ProgramFusex(0xF7F);
    b.chip.ProgramFuse(0x7FA);
    b.chip.Reset();
    b.Tick(5);
    EXPECT_FALSE(b.chip.KernelInstalled()) << "erased";
    EXPECT_GT(b.chip.Core().Cycles(), 0u);
}

TEST(VirtualKernel, SimulatedTimeFollowsTheClockWithALimit) {
    Board b;
    Program p;
    p.Org(0).Label("loop").Jmp("loop");
    p.Org(0x7FF).Word(0xA00);
    b.Load(p);
    b.PowerUp();
    uint64_t c0 = b.chip.Core().Cycles();
    for (int i = 0; i < 7; ++i)
        b.Tick(3); // 21 ms at 4,000 cycles a millisecond, whatever the steps
    EXPECT_NEAR(double(b.chip.Core().Cycles() - c0), 84'000, 3);
    c0 = b.chip.Core().Cycles();
    b.Tick(60'000);
    EXPECT_NEAR(double(b.chip.Core().Cycles() - c0), 4'000.0 * VirtualChip::kMaxCatchUpMs, 3)
        << "a long gap is skipped";
    c0 = b.chip.Core().Cycles();
    b.chip.Advance(b.now - 5);
    EXPECT_EQ(b.chip.Core().Cycles(), c0) << "a time before the last lets nothing pass";
    b.chip.ClockOff();
    b.Tick(5);
    EXPECT_EQ(b.chip.Core().Cycles(), c0);
    // A word beyond the synthesizer's range runs the chip no faster than its top output.
    b.chip.ClockOn(127u << 15);
    EXPECT_GT(b.chip.ClockHertz(), VirtualChip::kMaxClockHertz);
    b.Tick(2);
    EXPECT_NEAR(double(b.chip.Core().Cycles() - c0), 2 * 150'000, 3);
}

TEST(VirtualKernel, ExactSpansWithoutTheWallClockAndStimuliFromEachReset) {
    Board b;
    b.Load(CountingLoop());
    b.PowerUp();
    ASSERT_EQ(b.chip.RunState(), kRunStateStopped);
    // RB.1 high 1 ms after the key's reset, low 2 ms after it.
    Stimulus s;
    StimulusError e;
    ASSERT_TRUE(ParseStimulus("1ms RB.1 1\n2ms RB.1 0\n", s, e));
    ASSERT_TRUE(b.chip.Lab().LoadStimulus(s, b.chip.ResetCycle(), e));
    const LabPin rb1 = LabPin::PortPin(1, 1);

    b.chip.SetWallClock(false);
    b.Send(b.Resume(kFree, 0x7FD));
    const uint64_t c0 = b.chip.Core().Cycles();
    b.Tick(500);
    EXPECT_EQ(b.chip.Core().Cycles(), c0) << "the wall clock no longer runs the chip";
    b.chip.RunCycles(6'000); // 1.5 ms at 4 MHz in turbo mode
    EXPECT_NEAR(double(b.chip.Core().Cycles() - c0), 6'000, 2);
    EXPECT_EQ(b.chip.Lab().PinValue(rb1), '1');
    b.chip.SetWallClock(true);
    b.Tick(1);
    EXPECT_EQ(b.chip.Lab().PinValue(rb1), '0') << "and on again from where it stood";

    // A reset of the key plays the stimulus again, its times counted from the reset.
    b.chip.Reset();
    EXPECT_EQ(b.chip.ResetCycle(), b.chip.Lab().Now());
    EXPECT_EQ(b.chip.Lab().PinValue(rb1), 'z') << "let go until its first event";
}

TEST(VirtualKernel, StateRecordLayoutByBankCount) {
    Board b;
    b.Load(CountingLoop());
    b.PowerUp();
    SxCore& core = b.chip.Core();
    for (int bank = 0; bank < 8; ++bank)
        for (int r = 0; r < 16; ++r)
            core.PokeRegister(bank * 32 + 16 + r, uint8_t(bank * 16 + r));
    for (int a = 0x05; a <= 0x0C; ++a)
        core.PokeRegister(a, uint8_t(0xA0 + a));
    core.SetOption(0x7F); // register 1 shows W
    Bytes s = b.chip.StateBytes(152);
    EXPECT_EQ(s[0] & 0x80, 0x80);
    EXPECT_EQ(s[13] | s[14] | s[15], 0) << "ports report their pins: undriven inputs";
    for (int i = 0x08; i <= 0x0C; ++i)
        EXPECT_EQ(s[size_t(13 + i - 5)], 0xA0 + i);
    for (int j = 0; j < 128; ++j)
        ASSERT_EQ(s[size_t(24 + j)], j) << j;
    // Four banks' worth asked for: the top four (0x90, 0xB0, 0xD0, 0xF0).
    s = b.chip.StateBytes(24 + 64);
    ASSERT_EQ(s.size(), 88u);
    EXPECT_EQ(s[24], 4 * 16);
    EXPECT_EQ(s[24 + 63], 7 * 16 + 15);
    s = b.chip.StateBytes(40);
    EXPECT_EQ(s[24], 7 * 16) << "one bank: 0xF0 to 0xFF";
}

TEST(VirtualKernel, FamilyOneSecondReplyAndFiveBitM) {
    Board b(1);
    Program p;
    p.Org(0).Label("loop").Jmp("loop");
    InstallKernel(p, 1, 0);
    b.Load(p);
    b.PowerUp();
    ASSERT_TRUE(b.chip.KernelInstalled());
    ASSERT_EQ(b.chip.RunState(), kRunStateStopped);
    EXPECT_EQ(b.Pc(), 0xFFF);
    SxCore& core = b.chip.Core();
    for (int a = 0x10; a <= 0xFF; ++a)
        core.PokeRegister(a, uint8_t(a ^ 0x5A));
    core.SetM(0x1B);
    Bytes high = b.chip.StateBytes(240);
    ASSERT_EQ(high.size(), 240u);
    for (int i = 0; i < 240; ++i)
        ASSERT_EQ(high[size_t(i)], (0x10 + i) ^ 0x5A) << i;
    EXPECT_EQ(b.chip.StateBytes(24)[0] & 0x1F, 0x1B);
    b.Send(b.Resume(kStep, 0xFFD));
    EXPECT_EQ(b.Pc(), 0);
    b.Send({0, 0}); // the SX48/52 stop request, while stopped: nothing
    b.Send(b.Resume(kFree, 0));
    b.Tick(1);
    b.Send({0, 0});
    EXPECT_EQ(b.chip.RunState(), kRunStateStopped);
}

TEST(VirtualKernel, PollAndStateOverTheWire) {
    VirtualKey key;
    VirtualChip& chip = key.Chip();
    chip.LoadFuse(0x7FA);
    chip.LoadFusex(0xF7F);
    Program p = CountingLoop();
    std::vector<uint16_t> words = p.Words();
    for (int a = 0; a < 2048; ++a)
        chip.LoadCode(a, words[size_t(a)]);
    uint32_t now = 10;
    key.LineOpened(now);
    key.SetBaud(57600);
    // Unscrambled through the zero seed's key, so the test can speak plain bytes.
    key.faults.zeroSeed = true;
    Bytes hello = {' ', 'P', 'e', 'l', 'l', 'i', 'x'};
    key.Receive(hello.data(), hello.size(), now);
    Bytes out(64);
    key.Transmit(out.data(), out.size(), now);
    auto request = [&](Bytes req, uint32_t at) {
        key.Receive(req.data(), req.size(), at);
        Bytes back(512);
        back.resize(key.Transmit(back.data(), back.size(), at));
        back.erase(back.begin(), back.begin() + long(req.size())); // the echo
        for (auto& v : back)
            v = uint8_t(-v); // the zero state's scrambler negates
        return back;
    };
    EXPECT_EQ(request({8, 0xE0, 0xE4, 0x3E}, now), Bytes{0});
    EXPECT_EQ(request({4}, now), Bytes{0});
    EXPECT_EQ(request({5}, now), Bytes{kRunStateRunning}) << "no time has passed yet";
    EXPECT_EQ(request({5}, now + 1), Bytes{kRunStateStopped}) << "the key runs the chip to now";
    Bytes state = request({6, 152}, now + 2);
    ASSERT_EQ(state.size(), 152u);
    EXPECT_EQ(state[2] | (state[3] << 8), 0x7FF);
}
