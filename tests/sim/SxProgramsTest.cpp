// Small programs that check their own results and end at "pass" or "fail".
#include <gtest/gtest.h>

#include "SxTestProgram.h"
#include "sim/SxCore.h"

using namespace pellix;
using namespace sxtest;

namespace {

enum class Outcome { Pass, Fail, Neither };

Outcome RunSelfChecking(const Program& p, const SxChipConfig& config, int start,
                        uint64_t budget = 200'000, SxCore* out = nullptr) {
    SxCore local;
    SxCore& core = out ? *out : local;
    core.Configure(config);
    core.LoadProgram(p.Words());
    core.SetPc(static_cast<uint16_t>(start));
    core.SetBreakpoint(p.Address("pass"));
    core.SetBreakpoint(p.Address("fail"));
    SxCore::RunResult r = core.Run(budget);
    if (r.reason != SxCore::StopReason::Breakpoint) return Outcome::Neither;
    return core.Pc() == p.Address("pass") ? Outcome::Pass : Outcome::Fail;
}

void Verdicts(Program& p) {
    p.Label("pass").JmpSelf();
    p.Label("fail").JmpSelf();
}

TEST(SxPrograms, ShiftAndAddMultiply) {
    // 0x37 * 0xA5 = 0x2373 into 0x0A:0x0B.
    Program p;
    p.MovFrLit(0x08, 0x37).MovFrLit(0x09, 0xA5).Clr(0x0A).Clr(0x0B).MovFrLit(0x0C, 8);
    p.MovWFr(0x08);
    p.Label("loop").Rr(0x09).Snb(STATUS, 0).AddFrW(0x0A).Rr(0x0A).Rr(0x0B);
    p.Decsz(0x0C).Jmp("loop");
    p.CjneLit(0x0A, 0x23, "fail").CjneLit(0x0B, 0x73, "fail").Jmp("pass");
    Verdicts(p);
    EXPECT_EQ(RunSelfChecking(p, Sx28(), 0), Outcome::Pass);
    EXPECT_EQ(RunSelfChecking(p, Sx28(false, false), 0), Outcome::Pass) << "compatible mode";
}

TEST(SxPrograms, TableInAnotherPageThroughCallAndRetw) {
    Program p;
    p.Clr(0x08).Clr(0x09);
    p.Label("loop").MovWFr(0x09).PageN(1).Call("table").PageN(0).AddFrW(0x08);
    p.Inc(0x09).CjneLit(0x09, 5, "loop");
    p.CjneLit(0x08, 31, "fail").Jmp("pass");
    Verdicts(p);
    p.Org(0x200).Label("table").JmpPcPlusW().Retw(1).Retw(2).Retw(4).Retw(8).Retw(16);
    EXPECT_EQ(RunSelfChecking(p, Sx28(), 0), Outcome::Pass);
}

TEST(SxPrograms, FillAndCheckEveryBankThroughFsr) {
    Program p;
    p.MovFrLit(0x0F, 0xC3); // a global register the fill must not touch
    p.MovWLit(0x10).MovFrW(FSR);
    p.Label("fill").MovWFr(FSR).XorWLit(0x5A).MovFrW(IND);
    p.Inc(FSR).Snz().Jmp("check");
    p.Sb(FSR, 4).Setb(FSR, 4).Jmp("fill");
    p.Label("check").MovWLit(0x10).MovFrW(FSR);
    p.Label("next").MovWFr(FSR).XorWLit(0x5A).XorWFr(IND).Sz().Jmp("fail");
    p.Inc(FSR).Snz().Jmp("done");
    p.Sb(FSR, 4).Setb(FSR, 4).Jmp("next");
    p.Label("done").CjneLit(0x0F, 0xC3, "fail").Jmp("pass");
    Verdicts(p);
    SxCore core;
    EXPECT_EQ(RunSelfChecking(p, Sx28(), 0, 200'000, &core), Outcome::Pass);
    EXPECT_EQ(core.PeekRegister(0x30), 0x30 ^ 0x5A);
    EXPECT_EQ(core.PeekRegister(0xFF), 0xFF ^ 0x5A);
}

TEST(SxPrograms, ReturnsAcrossPagesWithRetp) {
    Program p;
    p.PageN(3).Call("sub3").Inc(0x08).CjneLit(0x09, 0x42, "fail");
    p.CjneLit(0x08, 1, "fail").Jmp("pass");
    Verdicts(p);
    p.Org(0x600).Label("sub3").PageN(1).Call("sub1").MovFrW(0x09).Retp();
    p.Org(0x200).Label("sub1").MovWLit(0x42).Retp();
    EXPECT_EQ(RunSelfChecking(p, Sx28(), 0), Outcome::Pass);
}

TEST(SxPrograms, InterruptsPreserveTheMainProgramsContext) {
    // The ISR clobbers W, C and FSR; the main loop adds with carries into a banked
    // register and must see none of it.
    Program p;
    p.Label("isr").Inc(0x08).Clr(FSR).Stc().MovWLit(static_cast<uint8_t>(-50)).Retiw();
    p.Org(0x20).Label("start").MovWLit(0x88).MovOptionW();
    p.BankN(1).Clr(0x10).Clr(0x0B).MovFrLit(0x0D, 200);
    p.Label("loop").MovWLit(3).AddFrW(0x10).Snb(STATUS, 0).Inc(0x0B);
    p.Decsz(0x0D).Jmp("loop");
    p.CjneLit(0x10, 0x58, "fail").CjneLit(0x0B, 0x02, "fail");
    p.MovWLit(10).MovWFrMinusW(0x08).Snb(STATUS, 0).Jmp("pass").Jmp("fail");
    Verdicts(p);
    SxCore core;
    EXPECT_EQ(RunSelfChecking(p, Sx28(), 0x20, 200'000, &core), Outcome::Pass);
    EXPECT_EQ(core.PeekRegister(0x30), 0x58);
    EXPECT_GE(core.PeekRegister(0x08), 10);
}

Program DecimalDigits(unsigned r) {
    // r: value, then hundreds and tens.
    Program p;
    p.MovFrLit(r, 0xFF).Clr(r + 1).Clr(r + 2);
    p.Label("h").MovWLit(100).SubFrW(r).Sb(STATUS, 0).Jmp("hdone").Inc(r + 1).Jmp("h");
    p.Label("hdone").MovWLit(100).AddFrW(r);
    p.Label("t").MovWLit(10).SubFrW(r).Sb(STATUS, 0).Jmp("tdone").Inc(r + 2).Jmp("t");
    p.Label("tdone").MovWLit(10).AddFrW(r);
    p.CjneLit(r + 1, 2, "fail").CjneLit(r + 2, 5, "fail").CjneLit(r, 5, "fail").Jmp("pass");
    Verdicts(p);
    return p;
}

TEST(SxPrograms, DecimalDigitsBySubtraction) {
    EXPECT_EQ(RunSelfChecking(DecimalDigits(0x08), Sx28(), 0), Outcome::Pass);
    // 0x08 and 0x09 are the ports RD and RE there; RAM starts at 0x0A.
    EXPECT_EQ(RunSelfChecking(DecimalDigits(0x0A), Sx52(), 0), Outcome::Pass);
    EXPECT_EQ(RunSelfChecking(DecimalDigits(0x08), Sx52(), 0), Outcome::Fail);
}

TEST(SxPrograms, SecondFamilyFillsItsFifteenBanks) {
    Program p;
    p.MovFrLit(0x0A, 0x3C); // global RAM starts at 0x0A on this family
    p.MovWLit(0x10).MovFrW(FSR);
    p.Label("fill").MovWFr(FSR).MovFrW(IND).Inc(FSR).Snz().Jmp("check").Jmp("fill");
    p.Label("check").MovWLit(0x80).MovFrW(FSR).BankN(2); // BANK keeps bit 7: bank 0xA0
    p.CjneLit(0x15, 0xA5, "fail");
    p.CjneLit(0x0A, 0x3C, "fail").Jmp("pass");
    Verdicts(p);
    SxCore core;
    EXPECT_EQ(RunSelfChecking(p, Sx52(), 0, 200'000, &core), Outcome::Pass);
    EXPECT_EQ(core.PeekRegister(0xFF), 0xFF);
    EXPECT_EQ(core.PeekRegister(0x10), 0x10);
}

TEST(SxPrograms, SteppingAndRunningAgree) {
    // The interrupt program again: one core runs, the other steps to the same cycle.
    Program p;
    p.Label("isr").Inc(0x08).Clr(FSR).Stc().MovWLit(static_cast<uint8_t>(-37)).Retiw();
    p.Org(0x20).MovWLit(0x88).MovOptionW().BankN(5).MovFrLit(0x0D, 0);
    p.Label("loop").MovWLit(7).AddFrW(0x10).Rl(0x11).Snb(STATUS, 0).Inc(0x0B);
    p.Decsz(0x0D).Jmp("loop").Jmp("loop");
    SxCore run, step;
    for (SxCore* c : {&run, &step}) {
        c->Configure(Sx28());
        c->LoadProgram(p.Words());
        c->SetPc(0x20);
    }
    for (uint64_t budget : {1u, 2u, 150u, 999u, 5000u}) {
        run.Run(budget);
        while (step.Cycles() < run.Cycles())
            step.Step();
        ASSERT_EQ(step.Cycles(), run.Cycles());
        EXPECT_EQ(step.Pc(), run.Pc());
        EXPECT_EQ(step.W(), run.W());
        EXPECT_EQ(step.Status(), run.Status());
        EXPECT_EQ(step.Fsr(), run.Fsr());
        EXPECT_EQ(step.SkipPending(), run.SkipPending());
        EXPECT_EQ(step.InInterrupt(), run.InInterrupt());
        EXPECT_EQ(step.Instructions(), run.Instructions());
        for (int a = 0; a < 256; ++a)
            ASSERT_EQ(step.PeekRegister(a), run.PeekRegister(a)) << a;
    }
    EXPECT_GT(run.PeekRegister(0x08), 100);
}

TEST(SxPrograms, AWrongResultIsReportedAsFail) {
    // The harness itself: a program that checks for the wrong product must fail.
    Program p;
    p.MovFrLit(0x08, 6).MovWLit(7).AddFrW(0x08).CjneLit(0x08, 14, "fail").Jmp("pass");
    Verdicts(p);
    EXPECT_EQ(RunSelfChecking(p, Sx28(), 0), Outcome::Fail);
    Program q;
    q.Label("spin").Jmp("spin");
    Verdicts(q);
    EXPECT_EQ(RunSelfChecking(q, Sx28(), 0, 1000), Outcome::Neither);
}

} // namespace
