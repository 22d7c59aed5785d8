#include <gtest/gtest.h>

#include "SxTestProgram.h"
#include "sim/SxCore.h"

using namespace pellix;
using namespace sxtest;

namespace {

constexpr uint8_t C = SxCore::kC, DC = SxCore::kDC, Z = SxCore::kZ;
constexpr uint8_t PD = SxCore::kPD, TO = SxCore::kTO;

class SxCoreTest : public ::testing::Test {
protected:
    void Start(const Program& p, const SxChipConfig& config = Sx28(), int pc = 0) {
        core.Configure(config);
        core.LoadProgram(p.Words());
        core.SetPc(static_cast<uint16_t>(pc));
    }
    void Steps(int n) {
        for (int i = 0; i < n; ++i)
            core.Step();
    }
    SxCore::RunResult RunTo(const Program& p, const std::string& label,
                            uint64_t budget = 1'000'000) {
        int a = p.Address(label);
        core.SetBreakpoint(a);
        SxCore::RunResult r = core.Run(budget);
        core.SetBreakpoint(a, false);
        EXPECT_EQ(r.reason, SxCore::StopReason::Breakpoint) << "did not reach " << label;
        return r;
    }
    uint8_t Flags() const { return core.Status() & (C | DC | Z); }
    uint8_t Reg(int a) const { return core.PeekRegister(a); }

    SxCore core;
};

// Runs `before` words, then the instruction under test, and returns STATUS's C/DC/Z.
struct AluCase {
    const char* what;
    uint8_t x, w;
    bool carryIn;
    unsigned op; // register form on 0x08
    uint8_t result;
    uint8_t flags;
};

TEST(SxChipConfig, GeometryAndOptionsFromTheFuseWords) {
    struct Case {
        uint16_t fusex;
        int words, banks, ports;
    } cases[] = {{0xB7C, 512, 1, 2}, {0xB7D, 1024, 1, 2}, {0xF7E, 2048, 4, 3}, {0xF7F, 2048, 8, 3}};
    for (const auto& c : cases) {
        SxChipConfig config = SxChipConfig::FromFuses(0, 0xFFA, c.fusex);
        EXPECT_EQ(config.memoryWords, c.words) << std::hex << c.fusex;
        EXPECT_EQ(config.banks, c.banks) << std::hex << c.fusex;
        EXPECT_EQ(config.ports, c.ports) << std::hex << c.fusex;
        EXPECT_TRUE(config.extendedOption);
        EXPECT_FALSE(config.turbo);
    }
    SxChipConfig cleared = SxChipConfig::FromFuses(0, 0xFFA, 0xFFF);
    EXPECT_FALSE(cleared.extendedOption);
    EXPECT_FALSE(cleared.carryx);
    EXPECT_FALSE(cleared.watchdog);
    EXPECT_EQ(cleared.StackDepth(), 2);
    SxChipConfig options = SxChipConfig::FromFuses(0, 0x7FE, 0xFBF); // TURBO, WATCHDOG, CARRYX
    EXPECT_TRUE(options.turbo);
    EXPECT_TRUE(options.watchdog);
    EXPECT_TRUE(options.carryx);
    // The second family ignores the first family's bits: its geometry is fixed.
    SxChipConfig sx52 = SxChipConfig::FromFuses(1, 0xFFA, 0x0F0 | 0x0C);
    EXPECT_EQ(sx52.memoryWords, 4096);
    EXPECT_EQ(sx52.banks, 15);
    EXPECT_EQ(sx52.ports, 5);
    EXPECT_TRUE(sx52.turbo);
    EXPECT_EQ(sx52.StackDepth(), 8);
    EXPECT_EQ(sx52.AddressMask(), 0xFFF);
}

TEST(SxChipConfig, TimeToCycles) {
    SxChipConfig config = SxChipConfig::FromFuses(0, 0xFFA, 0xFFF, 4'000'000); // compatible
    EXPECT_EQ(config.CyclesPerSecond(), 1'000'000u);
    EXPECT_EQ(config.CyclesForNanoseconds(1'500), 1u);
    EXPECT_EQ(config.CyclesForNanoseconds(3'000'000'000ULL), 3'000'000u);
    config.frequency = 0; // clock off: still a usable rate
    EXPECT_EQ(config.CyclesPerSecond(), 1u);
    config.frequency = 110'000'000;
    config.turbo = true;
    EXPECT_EQ(config.CyclesForNanoseconds(~uint64_t{0} / 2), 1'014'570'924'054'025'338u);
}

TEST_F(SxCoreTest, ArithmeticSetsCarryDigitCarryAndZero) {
    const AluCase cases[] = {
        {"ADD low nibble carry", 0x0F, 0x01, false, 0x1E8, 0x10, DC},
        {"ADD carry to zero", 0xF0, 0x10, false, 0x1E8, 0x00, C | Z},
        {"ADD both carries", 0xFF, 0x01, false, 0x1E8, 0x00, C | DC | Z},
        {"ADD ignores carry without CARRYX", 0x10, 0x20, true, 0x1E8, 0x30, 0},
        {"SUB without borrow", 0x05, 0x03, false, 0x0A8, 0x02, C | DC},
        {"SUB with borrow", 0x03, 0x05, false, 0x0A8, 0xFE, 0},
        {"SUB borrow from bit 4 only", 0x10, 0x01, false, 0x0A8, 0x0F, C},
        {"SUB to zero", 0x42, 0x42, true, 0x0A8, 0x00, C | DC | Z},
    };
    for (const auto& c : cases) {
        Program p;
        p.MovFrLit(0x08, c.x).MovWLit(c.w).Word(c.carryIn ? 0x503 : 0x403).Word(c.op);
        Start(p);
        Steps(5);
        EXPECT_EQ(Reg(0x08), c.result) << c.what;
        EXPECT_EQ(Flags(), c.flags) << c.what;
    }
}

TEST_F(SxCoreTest, ResultToWLeavesTheRegister) {
    Program p;
    p.MovFrLit(0x09, 0x30).MovWLit(0x31).MovWFrMinusW(0x09); // W = 0x30 - 0x31
    p.AddWFr(0x09);                                          // W = 0xFF + 0x30
    Start(p);
    Steps(4);
    EXPECT_EQ(core.W(), 0xFF);
    EXPECT_EQ(Flags(), 0) << "borrow: C clear, DC clear";
    core.Step();
    EXPECT_EQ(core.W(), 0x2F);
    EXPECT_EQ(Flags(), C);
    EXPECT_EQ(Reg(0x09), 0x30);
}

TEST_F(SxCoreTest, IncrementsAndLogicTouchOnlyZero) {
    Program p;
    p.Stc().MovFrLit(0x08, 0xFF).Inc(0x08); // 0, Z, C kept
    p.Inc(0x08);                            // 1, Z clear
    p.Dec(0x08);                            // 0, Z
    p.MovWLit(0x00);                        // no flags
    p.MovWLit(0x0F).AndWLit(0xF0);          // 0, Z
    p.OrWLit(0x01);                         // Z clear
    p.XorWLit(0x01);                        // Z
    Start(p);
    Steps(4);
    EXPECT_EQ(Reg(0x08), 0x00);
    EXPECT_EQ(Flags(), C | Z);
    core.Step();
    EXPECT_EQ(Flags(), C);
    core.Step();
    EXPECT_EQ(Flags(), C | Z);
    Steps(1);
    EXPECT_EQ(Flags(), C | Z) << "MOV W,#lit leaves the flags";
    Steps(2);
    EXPECT_EQ(core.W(), 0x00);
    EXPECT_EQ(Flags(), C | Z);
    core.Step();
    EXPECT_EQ(Flags(), C);
    core.Step();
    EXPECT_EQ(Flags(), C | Z);
}

TEST_F(SxCoreTest, MovesRotatesAndSwaps) {
    Program p;
    p.Clc().MovFrLit(0x08, 0x81).Rl(0x08); // 0x02, C = 1
    p.Rr(0x08);                            // 0x81, C = 0
    p.Rr(0x08);                            // 0x40, C = 1
    p.Swap(0x08);                          // 0x04, flags kept
    p.Not(0x08);                           // 0xFB
    p.MovWFr(0x0F);                        // register 0x0F holds 0: Z
    p.Clr(0x08);                           // Z
    p.MovWLit(0x12).MovFrW(0x08);          // no flags
    Start(p);
    Steps(4);
    EXPECT_EQ(Reg(0x08), 0x02);
    EXPECT_TRUE(core.Status() & C);
    core.Step();
    EXPECT_EQ(Reg(0x08), 0x81);
    EXPECT_FALSE(core.Status() & C);
    core.Step();
    EXPECT_EQ(Reg(0x08), 0x40);
    EXPECT_TRUE(core.Status() & C);
    core.Step();
    EXPECT_EQ(Reg(0x08), 0x04);
    core.Step();
    EXPECT_EQ(Reg(0x08), 0xFB);
    EXPECT_FALSE(core.Status() & Z);
    core.Step();
    EXPECT_TRUE(core.Status() & Z);
    core.Step();
    EXPECT_EQ(Reg(0x08), 0);
    Steps(2);
    EXPECT_EQ(Reg(0x08), 0x12);
    EXPECT_TRUE(core.Status() & Z) << "MOV fr,W leaves Z";
}

TEST_F(SxCoreTest, StatusAsDestinationKeepsTimeOutAndPowerDown) {
    Program p;
    p.MovWLit(0xFF).MovFrW(STATUS); // TO and PD cannot be written
    p.Clr(STATUS);                  // cleared, then Z set by the instruction itself
    Start(p);
    core.SetStatus(TO); // PD = 0 as after a sleep
    Steps(2);
    EXPECT_EQ(core.Status(), 0xE7 | TO);
    core.Step();
    EXPECT_EQ(core.Status(), Z | TO);
}

TEST_F(SxCoreTest, CarryOptionAddsAndSubtractsThroughCarry) {
    Program p;
    p.Stc().MovFrLit(0x08, 0x10).MovWLit(0x20).AddFrW(0x08);       // 0x31
    p.Clc().MovFrLit(0x09, 0x10).MovWLit(0x01).SubFrW(0x09);       // 0x10 - 1 - 1 = 0x0E
    p.Stc().MovFrLit(0x0A, 0x10).MovWLit(0x01).SubFrW(0x0A);       // 0x0F
    p.Clc().MovFrLit(0x0B, 0x05).MovWLit(0x05).MovWFrMinusW(0x0B); // W = 0xFF, borrow
    Start(p, Sx28(true, true, true));
    Steps(5);
    EXPECT_EQ(Reg(0x08), 0x31);
    Steps(5);
    EXPECT_EQ(Reg(0x09), 0x0E);
    EXPECT_TRUE(core.Status() & C) << "no borrow out";
    Steps(5);
    EXPECT_EQ(Reg(0x0A), 0x0F);
    Steps(5);
    EXPECT_EQ(core.W(), 0xFF);
    EXPECT_FALSE(core.Status() & C);
}

TEST_F(SxCoreTest, CarryOptionChainsSixteenBitAddition) {
    // 0x12FF + 0x0101 in two bytes, low byte first, carry in only from the option.
    Program p;
    p.MovFrLit(0x08, 0xFF).MovFrLit(0x09, 0x12);
    p.Clc().MovWLit(0x01).AddFrW(0x08).MovWLit(0x01).AddFrW(0x09);
    Start(p, Sx28(true, true, true));
    Steps(9);
    EXPECT_EQ(Reg(0x08), 0x00);
    EXPECT_EQ(Reg(0x09), 0x14);
}

TEST_F(SxCoreTest, CarryOptionAlsoMovesJumpThroughPcPlusW) {
    // JMP PC+W is an ADD: with the option a set carry lands one word further.
    Program p;
    p.Org(0x10).Stc().MovWLit(1).JmpPcPlusW(); // PCL reads 0x13; + 1 + C = 0x15
    for (bool carryx : {false, true}) {
        Start(p, Sx28(true, true, carryx), 0x10);
        Steps(3);
        EXPECT_EQ(core.Pc(), carryx ? 0x15 : 0x14) << "carryx " << carryx;
    }
}

TEST_F(SxCoreTest, SkipsTakeTheNextInstructionsCycleAsNop) {
    Program p;
    p.MovFrLit(0x08, 0x01);
    p.Sb(0x08, 0).Inc(0x09);                             // skipped
    p.Snb(0x08, 0).Inc(0x0A);                            // executed
    p.Decsz(0x08).Inc(0x0B);                             // 0x08 becomes 0: skipped
    p.Incsz(0x08).Inc(0x0C);                             // 0x08 becomes 1: executed
    p.MovFrLit(0x0D, 0xFF).Word(0x3C0 | 0x0D).Inc(0x0E); // MOVSZ W,++0x0D: W = 0, skips
    Start(p);
    Steps(2);
    uint64_t before = core.Cycles();
    core.Step();
    EXPECT_TRUE(core.SkipPending());
    EXPECT_EQ(core.Pc(), 3) << "the skipped instruction is still next";
    core.Step();
    EXPECT_FALSE(core.SkipPending());
    EXPECT_EQ(core.Pc(), 4);
    EXPECT_EQ(core.Cycles() - before, 2u);
    EXPECT_EQ(Reg(0x09), 0);
    before = core.Cycles();
    Steps(2);
    EXPECT_EQ(core.Cycles() - before, 2u);
    EXPECT_EQ(Reg(0x0A), 1);
    Steps(4);
    EXPECT_EQ(Reg(0x0B), 0);
    EXPECT_EQ(Reg(0x0C), 1);
    Steps(4);
    EXPECT_EQ(core.W(), 0);
    EXPECT_EQ(Reg(0x0D), 0xFF) << "MOVSZ leaves the register";
    EXPECT_EQ(Reg(0x0E), 0);
}

TEST_F(SxCoreTest, SkipWordSkipsAtEvenAndOddAddresses) {
    Program p;
    p.Org(0x10).Word(0x702).Inc(0x08).Nop().Word(0x602).Inc(0x09);
    Start(p, Sx28(), 0x10);
    Steps(5);
    EXPECT_EQ(Reg(0x08), 0);
    EXPECT_EQ(Reg(0x09), 0);
    EXPECT_EQ(core.Pc(), 0x15);
}

TEST_F(SxCoreTest, BreakpointOnSkippedInstructionStopsWithSkipPending) {
    Program p;
    p.Label("loop").Sb(STATUS, 2).Label("skipped").Inc(0x08).Jmp("loop");
    Start(p);
    core.SetStatus(Z);
    core.SetBreakpoint(p.Address("skipped"));
    SxCore::RunResult r = core.Run(1000);
    EXPECT_EQ(r.reason, SxCore::StopReason::Breakpoint);
    EXPECT_EQ(core.Pc(), 1);
    EXPECT_TRUE(core.SkipPending());
    r = core.Run(1000);
    EXPECT_EQ(r.reason, SxCore::StopReason::Breakpoint);
    EXPECT_EQ(Reg(0x08), 0) << "resuming skips it";
}

TEST_F(SxCoreTest, JumpsAndCallsTakeThePageFromStatus) {
    Program p;
    p.PageN(1).Word(0xA00 | 0x010);           // JMP 0x210
    p.Org(0x210).PageN(2).Word(0x900 | 0x80); // CALL 0x480 (bit 8 always clear)
    p.Org(0x480).Retp();                      // back to 0x212 with PA = 1
    Start(p);
    Steps(2);
    EXPECT_EQ(core.Pc(), 0x210);
    Steps(2);
    EXPECT_EQ(core.Pc(), 0x480);
    EXPECT_EQ(core.StackCount(), 1);
    EXPECT_EQ(core.StackEntry(0), 0x212);
    core.SetStatus(core.Status() | 0xE0);
    core.Step();
    EXPECT_EQ(core.Pc(), 0x212);
    EXPECT_EQ(core.Status() >> 5, 1) << "RETP takes the page of the return address";
}

TEST_F(SxCoreTest, WritesToPclJumpWithinTheFirstHalfOfThePage) {
    Program p;
    p.Org(0x105).MovWLit(2).AddFrW(PC); // PCL reads 0x07 here; bit 8 and the page from STATUS
    p.Org(0x300).MovWLit(0x34).JmpW();
    Start(p, Sx28(), 0x105);
    EXPECT_EQ(Reg(PC), 0x05);
    core.Step();
    uint64_t before = core.Cycles();
    core.Step();
    EXPECT_EQ(core.Pc(), 0x009);
    EXPECT_EQ(core.Cycles() - before, 3u) << "a write to PC costs a jump";
    core.SetPc(0x300);
    core.SetStatus(0x20); // page 1
    Steps(2);
    EXPECT_EQ(core.Pc(), 0x234);
}

TEST_F(SxCoreTest, SmallMemoryWrapsAddressesAndMovesTheResetVector) {
    Program p;
    p.Org(0x1FF).Word(0xA00 | 0x40);
    p.Org(0x40).PageN(3).Word(0xA00 | 0x42);
    Start(p, Sx28(true, true, false, 0)); // 512 words
    core.PowerOn();
    EXPECT_EQ(core.Pc(), 0x1FF);
    core.Step();
    EXPECT_EQ(core.Pc(), 0x040);
    Steps(2);
    EXPECT_EQ(core.Pc(), 0x042) << "page 3 does not exist on 512 words";
}

TEST_F(SxCoreTest, SecondFamilyUsesAllThreePageBits) {
    Program p;
    p.PageN(7).Word(0xA00 | 0x100).Org(0xF00).Word(0x900 | 0x20);
    Start(p, Sx52());
    Steps(2);
    EXPECT_EQ(core.Pc(), 0xF00);
    core.Step();
    EXPECT_EQ(core.Pc(), 0xE20);
    core.PowerOn();
    EXPECT_EQ(core.Pc(), 0xFFF);
}

TEST_F(SxCoreTest, FirstFamilyBanksByFsrBitsFiveToSeven) {
    Program p;
    p.BankN(1).MovWLit(0x11).MovFrW(0x10);                 // 0x30
    p.BankN(6).MovWLit(0x66).MovFrW(0x1F);                 // 0xDF
    p.MovWLit(0x08).MovFrW(0x08);                          // global from any bank
    p.MovWLit(0x35).MovFrW(FSR).MovWLit(0xAB).MovFrW(IND); // 0x35 through FSR
    p.MovWLit(0x2A).MovFrW(FSR).MovWFr(IND);               // bit 4 clear: global 0x0A
    p.Clr(FSR).MovWLit(0x77).MovFrW(IND).MovWFr(IND);      // IND itself: reads 0, write lost
    Start(p);
    core.PokeRegister(0x0A, 0x5A);
    Steps(3);
    EXPECT_EQ(Reg(0x30), 0x11);
    EXPECT_EQ(core.Fsr() & 0xE0, 0x20);
    Steps(3);
    EXPECT_EQ(Reg(0xDF), 0x66);
    Steps(2);
    EXPECT_EQ(Reg(0x08), 0x08);
    EXPECT_EQ(Reg(0xC8), 0x08) << "an address with bit 4 clear is global";
    Steps(4);
    EXPECT_EQ(Reg(0x35), 0xAB);
    Steps(3);
    EXPECT_EQ(core.W(), 0x5A);
    Steps(4);
    EXPECT_EQ(core.W(), 0x00);
    EXPECT_TRUE(core.Status() & Z);
    EXPECT_EQ(Reg(0x00), 0);
}

TEST_F(SxCoreTest, IndirectAccessReachesTheSpecialRegisters) {
    Program p;
    p.MovWLit(0x03).MovFrW(FSR).MovWLit(0x41).MovFrW(IND); // STATUS through IND
    p.MovWLit(0x04).MovFrW(FSR).MovWLit(0x36).MovFrW(IND); // FSR through IND
    p.MovWLit(0x02).MovFrW(FSR).MovWLit(0x40).MovFrW(IND); // PC through IND: a jump
    p.Org(0x440).MovWFr(IND);                              // reads PCL through IND
    Start(p);
    Steps(4);
    EXPECT_EQ(core.Status() & 0xE7, 0x41);
    Steps(4);
    EXPECT_EQ(core.Fsr(), 0x36);
    Steps(4);
    EXPECT_EQ(core.Pc(), 0x440) << "page 2 from the STATUS written above";
    core.Step();
    EXPECT_EQ(core.W(), 0x41);
}

TEST_F(SxCoreTest, SmallerChipsForceTheMissingBankBits) {
    Program p;
    p.Clr(FSR).MovWLit(0x44).MovFrW(0x10);
    for (uint16_t bits : {uint16_t{2}, uint16_t{0}}) {
        Start(p, Sx28(true, true, false, bits)); // four banks, then one
        Steps(3);
        uint8_t forced = bits == 2 ? 0x80 : 0xE0;
        EXPECT_EQ(core.Fsr(), forced);
        EXPECT_EQ(Reg(forced | 0x10), 0x44);
        EXPECT_EQ(Reg(0x10), 0x44) << "PeekRegister maps to the bank that exists";
        EXPECT_EQ(core.CanonicalAddress(0x30), forced | 0x30);
    }
}

TEST_F(SxCoreTest, SecondFamilyBanksByFsrBitsFourToSeven) {
    Program p;
    p.MovWLit(0x80).MovFrW(FSR).BankN(3).MovWLit(0x33).MovFrW(0x15); // BANK keeps bit 7
    p.MovWLit(0xC7).MovFrW(FSR).MovWLit(0x99).MovFrW(IND);
    p.MovWLit(0x0A).MovFrW(FSR).MovWLit(0x5B).MovFrW(IND); // global RAM through IND
    Start(p, Sx52());
    Steps(5);
    EXPECT_EQ(core.Fsr(), 0xB0);
    EXPECT_EQ(Reg(0xB5), 0x33);
    Steps(4);
    EXPECT_EQ(Reg(0xC7), 0x99);
    Steps(4);
    EXPECT_EQ(Reg(0x0A), 0x5B);
    EXPECT_EQ(Reg(0x2A), 0x00) << "no global aliasing on the second family";
}

TEST_F(SxCoreTest, StackHoldsEightReturnsAndLosesTheOldestBeyond) {
    // Nine nested calls: sub0 calls sub1 ... sub8 returns at once.
    Program p;
    p.Call("sub0").Label("back").JmpSelf();
    for (int i = 0; i < 9; ++i) {
        p.Label("sub" + std::to_string(i));
        if (i < 8) p.Call("sub" + std::to_string(i + 1));
        p.Ret();
    }
    Start(p);
    Steps(9);
    EXPECT_EQ(core.StackCount(), 8);
    EXPECT_EQ(core.StackOverflows(), 1u);
    Steps(9);
    EXPECT_NE(core.Pc(), p.Address("back") + 0) << "the first return address is gone";
    EXPECT_EQ(core.StackUnderflows(), 1u);

    // Two levels without the extended option: the third call pushes out the first return.
    Program q;
    q.Call("s0").Label("back").JmpSelf();
    q.Label("s0").Call("s1").Label("r0").Ret();
    q.Label("s1").Call("s2").Label("r1").Ret();
    q.Label("s2").Ret();
    Start(q, Sx28(true, false));
    EXPECT_EQ(core.StackDepth(), 2);
    Steps(3);
    EXPECT_EQ(core.StackOverflows(), 1u);
    EXPECT_EQ(core.StackEntry(0), q.Address("r1"));
    EXPECT_EQ(core.StackEntry(1), q.Address("r0"));
    Steps(3);
    EXPECT_EQ(core.Pc(), q.Address("r1")) << "the stack wraps around";
}

TEST_F(SxCoreTest, RetwLoadsWAndReturns) {
    Program p;
    p.MovWLit(2).Call("table").JmpSelf();
    p.Org(0x20).Label("table").JmpPcPlusW().Retw(0x10).Retw(0x20).Retw(0x30);
    Start(p);
    Steps(4);
    EXPECT_EQ(core.W(), 0x30);
    EXPECT_EQ(core.Pc(), 2);
}

TEST_F(SxCoreTest, RtccInterruptRunsPeriodicallyWithRetiw) {
    Program p;
    p.Label("isr").Inc(0x08).MovWLit(static_cast<uint8_t>(-100)).Retiw();
    p.Org(0x10).Label("start").MovWLit(0x88).MovOptionW(); // RTCC on cycles, IRQ on
    p.Label("loop").Nop().Nop().Jmp("loop");
    Start(p, Sx28(), 0x10);
    RunTo(p, "isr");
    uint64_t first = core.Cycles();
    EXPECT_TRUE(core.InInterrupt());
    EXPECT_EQ(core.StackCount(), 1);
    RunTo(p, "isr");
    uint64_t period = core.Cycles() - first;
    EXPECT_GE(period, 98u);
    EXPECT_LE(period, 102u);
    // Over many periods the latency of the main loop averages out exactly.
    core.Run(100 * 100);
    EXPECT_NEAR(Reg(0x08), 102, 1);
}

TEST_F(SxCoreTest, ReturnFromInterruptRestoresWStatusAndFsr) {
    Program p;
    p.Label("isr").MovWLit(0x00).MovFrW(FSR).PageN(3).Clr(0x08).Reti(); // W, FSR, PA, Z
    p.Org(0x10).MovWLit(0x88).MovOptionW().MovWLit(0x3C).MovFrW(FSR).Clc();
    p.MovWLit(0x01).AndWLit(0x01).Label("loop").Jmp("loop");
    Start(p, Sx28(), 0x10);
    RunTo(p, "loop");
    uint8_t status = core.Status();
    RunTo(p, "isr");
    EXPECT_EQ(core.Status() >> 5, 0) << "the page bits are cleared on entry";
    core.Run(7); // through the ISR
    RunTo(p, "loop");
    EXPECT_FALSE(core.InInterrupt());
    EXPECT_EQ(core.W(), 0x01);
    EXPECT_EQ(core.Fsr(), 0x3C);
    EXPECT_EQ(core.Status(), status);
}

TEST_F(SxCoreTest, InterruptsDoNotNest) {
    // An ISR longer than the RTCC period: the next interrupt waits for the RETI.
    Program p;
    p.Label("isr").Inc(0x08).MovWLit(100).MovFrW(0x09);
    p.Label("wait").Decsz(0x09).Jmp("wait").Label("out").Reti();
    p.Org(0x10).MovWLit(0x88).MovOptionW().Label("loop").Jmp("loop");
    Start(p, Sx28(), 0x10);
    RunTo(p, "isr");
    RunTo(p, "out");
    EXPECT_EQ(Reg(0x08), 1) << "no second entry inside the ISR";
    core.Step(); // RETI
    core.Step(); // the pending interrupt is taken at once
    EXPECT_EQ(core.Pc(), 0);
    EXPECT_TRUE(core.InInterrupt());
}

TEST_F(SxCoreTest, OptionNeedsTheExtendedFuseForWAndInterrupts) {
    Program p;
    p.Org(0x10).MovWLit(0x08).MovOptionW().MovWLit(0x21).Inc(RTCC); // W at 1: INC 1 is INC W
    p.JmpSelf();
    Start(p, Sx28(), 0x10);
    Steps(4);
    EXPECT_TRUE(core.WAtRegister1());
    EXPECT_EQ(core.W(), 0x22);

    Start(p, Sx28(true, false), 0x10); // bits 6 and 7 read 1: RTCC at 1, no interrupt
    Steps(2);
    EXPECT_EQ(core.Option(), 0xC8);
    EXPECT_FALSE(core.WAtRegister1());
    core.SetRtcc(0xF0);
    core.Run(5000);
    EXPECT_FALSE(core.InInterrupt());
    EXPECT_NE(core.Rtcc(), 0xF0) << "the RTCC counts but cannot interrupt";
}

TEST_F(SxCoreTest, RtccCountsThroughThePrescalerAndThePin) {
    Program p;
    p.Org(0x10).MovWLit(0xC2).MovOptionW().Label("loop").Jmp("loop"); // 1:8 on cycles
    Start(p, Sx28(), 0x10);
    Steps(2);
    core.SetRtcc(0);
    core.Run(80);
    EXPECT_NEAR(core.Rtcc(), 10, 1);
    core.SetOption(0xF8); // pin, falling edge, prescaler to the watchdog
    core.SetRtcc(0);
    for (int i = 0; i < 5; ++i) {
        core.SetRtccPin(true);
        core.SetRtccPin(false);
    }
    core.Run(100);
    EXPECT_EQ(core.Rtcc(), 5);
    core.SetOption(0xE8); // rising edge
    core.SetRtccPin(true);
    EXPECT_EQ(core.Rtcc(), 6);
}

TEST_F(SxCoreTest, WritingRtccClearsThePrescaler) {
    Program p;
    p.Org(0x10).MovWLit(0xC3).MovOptionW().Label("loop").Jmp("loop"); // 1:16
    Start(p, Sx28(), 0x10);
    Steps(2);
    core.Run(40);
    core.PokeRegister(RTCC, 7);
    core.Run(15);
    EXPECT_EQ(core.Rtcc(), 7);
    core.Run(3);
    EXPECT_EQ(core.Rtcc(), 8);
}

TEST_F(SxCoreTest, PortBEdgeRaisesTheInterrupt) {
    Program p;
    p.Label("isr").ModeN(0x09).ClrW().MovPortW(RB).MovFrW(0x08).Reti(); // pending to 0x08
    p.Org(0x10).ModeN(0x0A).MovWLit(0x00).MovPortW(RB);                 // rising edges
    p.ModeN(0x0B).MovWLit(0xFE).MovPortW(RB);                           // RB0 enabled
    p.Label("loop").Jmp("loop");
    Start(p, Sx28(), 0x10);
    RunTo(p, "loop");
    core.DrivePins(1, 0x02, 0x02); // RB1: not enabled
    core.Run(20);
    EXPECT_FALSE(core.InInterrupt());
    core.DrivePins(1, 0x01, 0x01);
    RunTo(p, "isr");
    RunTo(p, "loop");
    EXPECT_EQ(Reg(0x08), 0x01);
    EXPECT_EQ(core.Ports().Config(1, SxPortRegister::WakePending), 0x00);
    core.DrivePins(1, 0x01, 0x00); // falling: not the selected edge
    core.Run(20);
    EXPECT_FALSE(core.InInterrupt());
}

struct PinDriver : SxCore::CycleCallback {
    int port = 1;
    uint8_t mask = 0, levels = 0;
    void OnCycle(SxCore& core) override { core.DrivePins(port, mask, levels); }
};

struct Stopper : SxCore::CycleCallback {
    uint64_t at = 0;
    void OnCycle(SxCore& core) override {
        at = core.Cycles();
        core.RequestStop();
    }
};

// Watchdog 1:1 and sleep; the reset vector jumps to start.
Program SleepProgram(bool clearWatchdog, bool sleep) {
    Program p;
    p.Org(0x10).Label("start").MovWLit(0xC8).MovOptionW().Inc(0x08);
    p.Label("loop");
    if (clearWatchdog) p.ClrWdt();
    if (sleep) p.Sleep();
    p.Jmp("loop");
    p.Org(0x7FF).Word(0xA00 | 0x10);
    return p;
}

SxChipConfig WatchdogChip() {
    SxChipConfig config = Sx28();
    config.watchdog = true;
    config.frequency = 1'000'000; // 18,000 cycles to a time-out
    return config;
}

TEST_F(SxCoreTest, SleepEndsByWatchdogWithTimeOutCleared) {
    Program p = SleepProgram(false, true);
    Start(p, WatchdogChip(), 0x7FF);
    RunTo(p, "loop");
    EXPECT_EQ(core.Status() & (TO | PD), TO | PD);
    core.Step();
    EXPECT_TRUE(core.Asleep());
    EXPECT_EQ(core.Status() & (TO | PD), TO);
    uint64_t slept = core.Cycles();
    SxCore::RunResult r = core.Run(10'000);
    EXPECT_EQ(r.reason, SxCore::StopReason::Budget);
    EXPECT_EQ(r.instructions, 0u);
    EXPECT_TRUE(core.Asleep());
    EXPECT_EQ(core.Step().reason, SxCore::StopReason::Budget) << "nothing to step while asleep";
    RunTo(p, "start", 20'000);
    EXPECT_EQ(core.LastReset(), SxCore::ResetCause::WatchdogWake);
    EXPECT_EQ(core.Status() & (TO | PD), 0);
    EXPECT_EQ(core.Cycles() - slept, 18'000u + 3u) << "time-out, then the reset vector's JMP";
    EXPECT_EQ(Reg(0x08), 1) << "RAM survives the wake-up";
    EXPECT_EQ(core.Option(), 0xFF);
}

TEST_F(SxCoreTest, WatchdogResetsARunningChipUnlessCleared) {
    Program p = SleepProgram(false, false);
    Start(p, WatchdogChip(), 0x7FF);
    RunTo(p, "loop");
    RunTo(p, "start", 20'000);
    EXPECT_EQ(core.LastReset(), SxCore::ResetCause::Watchdog);
    EXPECT_EQ(core.Status() & (TO | PD), PD);

    p = SleepProgram(true, false);
    Start(p, WatchdogChip(), 0x7FF);
    core.Run(100'000);
    EXPECT_EQ(core.LastReset(), SxCore::ResetCause::PowerOn);
    EXPECT_EQ(Reg(0x08), 1);
}

TEST_F(SxCoreTest, WatchdogPrescalerLengthensTheTimeOut) {
    Program p = SleepProgram(false, false);
    Start(p, WatchdogChip(), 0x7FF);
    RunTo(p, "loop");
    core.SetOption(0xCB); // watchdog 1:8
    core.Run(18'000 * 8 - 100);
    EXPECT_EQ(core.LastReset(), SxCore::ResetCause::PowerOn);
    core.Run(200);
    EXPECT_EQ(core.LastReset(), SxCore::ResetCause::Watchdog);
}

TEST_F(SxCoreTest, PortBEdgeWakesTheChip) {
    Program p;
    p.Org(0x10).Label("start").ModeN(0x0B).MovWLit(0xFD).MovPortW(RB); // RB1, falling edge
    p.Label("sleep").Sleep();
    p.Org(0x7FF).Word(0xA00 | 0x10);
    Start(p, Sx28(), 0x7FF);
    core.DrivePins(1, 0x02, 0x02);
    RunTo(p, "sleep");
    core.Step();
    ASSERT_TRUE(core.Asleep());
    PinDriver low;
    low.mask = 0x02;
    low.levels = 0x00;
    core.ScheduleCallback(core.Cycles() + 5000, &low);
    SxCore::RunResult r = core.Run(4000);
    EXPECT_TRUE(core.Asleep());
    RunTo(p, "start", 10'000);
    EXPECT_EQ(core.LastReset(), SxCore::ResetCause::PinWake);
    EXPECT_EQ(core.Status() & (TO | PD), TO);
    EXPECT_EQ(core.Ports().Config(1, SxPortRegister::WakePending), 0x02);
    EXPECT_GE(r.cycles + core.Cycles(), 0u);

    // Back to sleep with the pending bit still set: the chip wakes at once.
    RunTo(p, "sleep");
    core.Step();
    EXPECT_FALSE(core.Asleep());
    EXPECT_EQ(core.Pc(), 0x7FF);
}

TEST_F(SxCoreTest, EndlessSleepEndsAtTheCycleCeiling) {
    Program p;
    p.Sleep();
    Start(p);
    SxCore::RunResult r = core.Run(~uint64_t{0});
    EXPECT_EQ(r.reason, SxCore::StopReason::Budget);
    EXPECT_TRUE(core.Asleep());
    EXPECT_EQ(core.Cycles(), SxCore::kCycleCeiling);
    core.Reset();
    EXPECT_FALSE(core.Asleep());
    EXPECT_EQ(core.Status() & (TO | PD), TO) << "a reset pin ending a sleep";
}

TEST_F(SxCoreTest, ModeIreadAndOption) {
    Program p;
    p.ModeN(0x0A).MovWM();                   // W = 0x0A
    p.MovWLit(0xF3).MovMW();                 // M = 3 (four bits)
    p.MovWLit(0x23).Word(0x050 | 1).Iread(); // word at 0x123
    p.MovWLit(0x55).MovOptionW();
    p.Org(0x123).Word(0x5A3);
    Start(p);
    Steps(2);
    EXPECT_EQ(core.W(), 0x0A);
    Steps(2);
    EXPECT_EQ(core.M(), 0x03);
    Steps(2);
    uint64_t before = core.Cycles();
    core.Step();
    EXPECT_EQ(core.Cycles() - before, 4u);
    EXPECT_EQ(core.W(), 0xA3);
    EXPECT_EQ(core.M(), 0x05);
    Steps(2);
    EXPECT_EQ(core.Option(), 0x55);

    Program q;
    q.MovWLit(0xF3).MovMW();
    Start(q, Sx52());
    Steps(2);
    EXPECT_EQ(core.M(), 0x13) << "M has five bits on the second family";
}

TEST_F(SxCoreTest, TurboAndCompatibleTiming) {
    Program p;
    p.Nop().Call("sub").Word(0x200 | PC).Jmp("end");
    p.Org(0x20).Label("sub").Ret();
    p.Org(0x30).Label("end").Nop();
    const unsigned turbo[] = {1, 3, 3, 1, 3};
    const unsigned compatible[] = {1, 2, 2, 1, 2};
    for (bool fast : {true, false}) {
        Start(p, Sx28(fast));
        for (int i = 0; i < 5; ++i) {
            uint64_t before = core.Cycles();
            core.Step();
            EXPECT_EQ(core.Cycles() - before, fast ? turbo[i] : compatible[i])
                << (fast ? "turbo " : "compatible ") << i;
        }
        EXPECT_EQ(core.Pc(), 0x30);
        EXPECT_EQ(core.Config().ClocksPerCycle(), fast ? 1 : 4);
    }
    EXPECT_EQ(Sx28(false).CyclesPerSecond(), 12'500'000u);
    EXPECT_EQ(Sx52().ClocksPerCycle(), 1) << "the second family always runs in turbo";
}

TEST_F(SxCoreTest, BreakpointsStopBeforeTheInstructionAndResumeFromIt) {
    Program p;
    p.Label("loop").Inc(0x08).Label("here").Inc(0x09).Jmp("loop");
    Start(p);
    core.SetBreakpoint(p.Address("here"));
    SxCore::RunResult r = core.Run(1000);
    EXPECT_EQ(r.reason, SxCore::StopReason::Breakpoint);
    EXPECT_EQ(core.Pc(), 1);
    EXPECT_EQ(Reg(0x09), 0);
    r = core.Run(1000);
    EXPECT_EQ(r.reason, SxCore::StopReason::Breakpoint);
    EXPECT_EQ(r.instructions, 3u);
    EXPECT_EQ(Reg(0x08), 2);
    EXPECT_EQ(Reg(0x09), 1);
    core.SetBreakpoint(p.Address("here"), false);
    r = core.Run(1000);
    EXPECT_EQ(r.reason, SxCore::StopReason::Budget);
    EXPECT_GE(r.cycles, 1000u);
    EXPECT_LT(r.cycles, 1003u);
    // A breakpoint survives a program word rewritten under it.
    core.SetBreakpoint(1);
    core.WriteProgramWord(1, 0x2A0 | 0x0A);
    EXPECT_TRUE(core.HasBreakpoint(1));
    EXPECT_EQ(core.Run(1000).reason, SxCore::StopReason::Breakpoint);
    core.ClearBreakpoints();
    EXPECT_FALSE(core.HasBreakpoint(1));
}

TEST_F(SxCoreTest, StopRequestAndCallbacks) {
    Program p;
    p.Label("loop").Jmp("loop");
    Start(p);
    Stopper stopper;
    ASSERT_TRUE(core.ScheduleCallback(1000, &stopper));
    SxCore::RunResult r = core.Run(1'000'000);
    EXPECT_EQ(r.reason, SxCore::StopReason::StopRequest);
    EXPECT_GE(stopper.at, 1000u);
    EXPECT_LT(stopper.at, 1003u);
    EXPECT_FALSE(core.StopRequested());
    // A request between runs stops the next one before its first instruction.
    core.RequestStop();
    r = core.Run(1000);
    EXPECT_EQ(r.reason, SxCore::StopReason::StopRequest);
    EXPECT_EQ(r.instructions, 0u);

    Stopper many[SxCore::kUserCallbacks + 1];
    int taken = 0;
    for (auto& s : many)
        taken += core.ScheduleCallback(core.Cycles() + 10, &s) ? 1 : 0;
    EXPECT_EQ(taken, SxCore::kUserCallbacks);
    for (auto& s : many)
        core.CancelCallback(&s);
    EXPECT_TRUE(core.ScheduleCallback(core.Cycles() + 10, &many[SxCore::kUserCallbacks]));
}

TEST_F(SxCoreTest, UndefinedOpcodesRunAsNopOrStop) {
    Program p;
    p.Inc(0x08).Word(0x001).Word(0x04F).Inc(0x08).JmpSelf();
    Start(p);
    core.Run(20);
    EXPECT_EQ(core.UndefinedExecuted(), 2u);
    EXPECT_EQ(core.LastUndefinedAddress(), 2);
    EXPECT_EQ(Reg(0x08), 2);
    Start(p);
    core.SetStopOnUndefined(true);
    SxCore::RunResult r = core.Run(20);
    EXPECT_EQ(r.reason, SxCore::StopReason::Undefined);
    EXPECT_EQ(core.Pc(), 1);
    r = core.Run(20); // resuming executes it, then stops at the next
    EXPECT_EQ(r.reason, SxCore::StopReason::Undefined);
    EXPECT_EQ(core.Pc(), 2);
    core.Step(); // a step executes it anyway
    EXPECT_EQ(core.Pc(), 3);
    EXPECT_EQ(core.UndefinedExecuted(), 2u);
}

TEST_F(SxCoreTest, StepTakesAPendingInterrupt) {
    Program p;
    p.Org(0x10).MovWLit(0x88).MovOptionW().Label("loop").Jmp("loop");
    Start(p, Sx28(), 0x10);
    Steps(2);
    core.SetRtcc(0xFF);
    core.Run(2);
    SxCore::RunResult r = core.Step();
    EXPECT_EQ(r.reason, SxCore::StopReason::Stepped);
    EXPECT_EQ(core.Pc(), 0);
    EXPECT_TRUE(core.InInterrupt());
    EXPECT_EQ(core.StackEntry(0), p.Address("loop"));
}

TEST_F(SxCoreTest, PowerOnAndResetValues) {
    SxChipConfig config = Sx28();
    config.powerOnFill = 0xA5;
    core.Configure(config);
    EXPECT_EQ(core.Pc(), 0x7FF);
    EXPECT_EQ(core.Status(), TO | PD);
    EXPECT_EQ(core.Option(), 0xFF);
    EXPECT_EQ(core.M(), 0x0F);
    EXPECT_EQ(Reg(0x08), 0xA5);
    EXPECT_EQ(Reg(0xF0), 0xA5);
    EXPECT_EQ(core.W(), 0xA5);
    core.PokeRegister(0x08, 0x11);
    core.SetStatus(0xE5);
    core.SetPc(0x123);
    core.Reset();
    EXPECT_EQ(core.Pc(), 0x7FF);
    EXPECT_EQ(core.Status(), 0x05) << "page cleared, flags and TO/PD kept";
    EXPECT_EQ(Reg(0x08), 0x11);
    EXPECT_EQ(core.LastReset(), SxCore::ResetCause::External);
}

TEST_F(SxCoreTest, PeekAndPokeFollowTheKernelsNumbering) {
    Program p;
    Start(p);
    core.SetFsr(0x31);
    core.PokeRegister(0x31, 0x5C);
    EXPECT_EQ(Reg(0x00), 0x5C) << "IND shows the register FSR selects";
    core.PokeRegister(0x00, 0x6D);
    EXPECT_EQ(Reg(0x31), 0x6D);
    core.SetPc(0x2F0);
    core.PokeRegister(0x02, 0x12);
    EXPECT_EQ(core.Pc(), 0x212);
    EXPECT_EQ(Reg(0x02), 0x12);
    core.PokeRegister(0x01, 0x42);
    EXPECT_EQ(core.Rtcc(), 0x42);
    core.PokeRegister(0x48, 0x77); // bit 4 clear: global 0x08
    EXPECT_EQ(Reg(0x08), 0x77);
}

} // namespace
