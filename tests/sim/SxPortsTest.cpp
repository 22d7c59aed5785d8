#include <gtest/gtest.h>

#include "SxTestProgram.h"
#include "sim/SxCore.h"

using namespace pellix;
using namespace sxtest;

namespace {

constexpr int kRA = 0, kRB = 1, kRC = 2;

class SxPortsTest : public ::testing::Test {
protected:
    void Start(const Program& p, const SxChipConfig& config = Sx28()) {
        core.Configure(config);
        core.LoadProgram(p.Words());
        core.SetPc(0);
    }
    void Steps(int n) {
        for (int i = 0; i < n; ++i)
            core.Step();
    }
    uint8_t Config(int port, SxPortRegister r) const { return core.Ports().Config(port, r); }

    SxCore core;
};

TEST_F(SxPortsTest, PinsFollowDirectionDriveAndPullUps) {
    Program p;
    p.MovWLit(0xA5).MovFrW(RB);               // latch
    p.ModeN(0x0F).MovWLit(0xF0).MovPortW(RB); // low nibble outputs
    p.ModeN(0x0E).MovWLit(0x3F).MovPortW(RB); // pull-ups on RB6, RB7
    p.MovWFr(RB);
    Start(p);
    Steps(2);
    EXPECT_EQ(core.PeekRegister(RB), 0x00) << "inputs, floating, no pull-ups";
    EXPECT_EQ(core.Ports().Latch(kRB), 0xA5);
    Steps(3);
    EXPECT_EQ(core.PeekRegister(RB), 0x05);
    core.DrivePins(kRB, 0x11, 0x11); // RB4 driven high; RB0 is an output and wins
    EXPECT_EQ(core.PeekRegister(RB), 0x15);
    core.DrivePins(kRB, 0x01, 0x00);
    EXPECT_EQ(core.PeekRegister(RB), 0x15);
    Steps(4);
    EXPECT_EQ(core.W(), 0xD5) << "pulled-up inputs read 1";
    EXPECT_EQ(Config(kRB, SxPortRegister::Direction), 0xF0);
    EXPECT_EQ(Config(kRB, SxPortRegister::PullUp), 0x3F);
    core.ReleasePins(kRB, 0x10);
    EXPECT_EQ(core.PeekRegister(RB), 0xC5);
}

TEST_F(SxPortsTest, PortAHasFourPinsOnTheFirstFamily) {
    Program p;
    p.ModeN(0x0F).ClrW().MovPortW(RA).MovWLit(0xFF).MovFrW(RA).MovWFr(RA);
    Start(p);
    Steps(6);
    EXPECT_EQ(core.W(), 0x0F);
    EXPECT_EQ(core.Ports().Width(kRA), 0x0F);
    Start(p, Sx52());
    Steps(6);
    EXPECT_EQ(core.W(), 0xFF);
}

TEST_F(SxPortsTest, BitInstructionsReadThePinsAndWriteTheLatch) {
    // The classic read-modify-write: SETB RB.0 copies RB7's input level into its latch.
    Program p;
    p.ClrW().MovFrW(RB).ModeN(0x0F).MovWLit(0x80).MovPortW(RB).Setb(RB, 0);
    Start(p);
    core.DrivePins(kRB, 0x80, 0x80);
    Steps(6);
    EXPECT_EQ(core.Ports().Latch(kRB), 0x81);
    core.SetPortConfig(kRB, SxPortRegister::Direction, 0x00);
    core.ReleasePins(kRB, 0x80);
    EXPECT_EQ(core.PeekRegister(RB), 0x81);
}

TEST_F(SxPortsTest, ModeSelectsTheRegisterMovToPortWrites) {
    Program p;
    p.ModeN(0x0D).MovWLit(0x11).MovPortW(RC); // LVL
    p.ModeN(0x0C).MovWLit(0x22).MovPortW(RC); // ST
    p.ModeN(0x0B).MovWLit(0x33).MovPortW(RB); // WKEN
    p.ModeN(0x0A).MovWLit(0x44).MovPortW(RB); // WKED
    p.ModeN(0x09).MovWLit(0x00).MovPortW(RB); // WKPND exchange
    p.ModeN(0x09).MovWLit(0x66).MovPortW(RA); // no pending register on RA: W kept
    p.ModeN(0x0B).MovWLit(0x77).MovPortW(RC); // no wake-up on RC
    Start(p);
    core.SetPortConfig(kRB, SxPortRegister::WakePending, 0x5A);
    Steps(12);
    EXPECT_EQ(Config(kRC, SxPortRegister::Level), 0x11);
    EXPECT_EQ(Config(kRC, SxPortRegister::Schmitt), 0x22);
    EXPECT_EQ(Config(kRB, SxPortRegister::WakeEnable), 0x33);
    EXPECT_EQ(Config(kRB, SxPortRegister::WakeEdge), 0x44);
    Steps(3);
    EXPECT_EQ(core.W(), 0x5A) << "the exchange returns the old pending bits";
    EXPECT_EQ(Config(kRB, SxPortRegister::WakePending), 0x00);
    Steps(3);
    EXPECT_EQ(core.W(), 0x66);
    Steps(3);
    EXPECT_EQ(Config(kRC, SxPortRegister::WakeEnable), 0x00);
    EXPECT_EQ(Config(kRB, SxPortRegister::WakeEnable), 0x33);
}

TEST_F(SxPortsTest, Sx52TimerRegistersAreKeptButDoNotCount) {
    Program p;
    p.ModeN(0x04).MovWLit(0x34).MovPortW(RB); // T1 compare 1 low
    p.ModeN(0x05).MovWLit(0x12).MovPortW(RB); // ...high
    p.ModeN(0x02).MovWLit(0x78).MovPortW(RC); // T2 compare 2 low
    p.ModeN(0x03).MovWLit(0x56).MovPortW(RC);
    p.ModeN(0x06).MovWLit(0x81).MovPortW(RB); // T1 control B
    p.ModeN(0x07).MovWLit(0x42).MovPortW(RC); // T2 control A
    p.ModeN(0x00).MovWLit(0x99).MovPortW(RB); // T1 capture low into W
    p.ModeN(0x04).MovWLit(0x77).MovPortW(RA); // RA has no timer: W kept
    Start(p, Sx52());
    Steps(18);
    const SxTimerRegisters& t1 = core.Ports().Timer(0);
    const SxTimerRegisters& t2 = core.Ports().Timer(1);
    EXPECT_EQ(t1.compare1, 0x1234);
    EXPECT_EQ(t2.compare2, 0x5678);
    EXPECT_EQ(t1.controlB, 0x81);
    EXPECT_EQ(t2.controlA, 0x42);
    EXPECT_EQ(t1.controlA, 0x00);
    EXPECT_EQ(core.W(), 0x42) << "a write leaves W";
    Steps(3);
    EXPECT_EQ(core.W(), 0x00) << "nothing was captured";
    Steps(3);
    EXPECT_EQ(core.W(), 0x77);
    core.Run(10'000);
    EXPECT_EQ(t1.capture, 0) << "the timers do not count or capture";
    core.Reset();
    EXPECT_EQ(t1.compare1, 0x1234) << "a reset keeps them";
    core.PowerOn();
    EXPECT_EQ(t1.compare1, 0);

    // On the SX28 these selectors leave everything and W alone.
    Start(p, Sx28());
    Steps(21);
    EXPECT_EQ(core.Ports().Timer(0).compare1, 0);
    EXPECT_EQ(core.W(), 0x99);
}

TEST_F(SxPortsTest, ComparatorComparesRb2WithRb1AndDrivesRb0) {
    Program p;
    p.ModeN(0x08).MovWLit(0x00).MovPortW(RB); // enable, output on RB0
    p.ModeN(0x08).MovWLit(0x00).MovPortW(RB); // exchange again: read the result
    Start(p);
    core.DrivePins(kRB, 0x06, 0x04); // RB2 high, RB1 low
    Steps(3);
    EXPECT_TRUE(core.Ports().ComparatorResult());
    EXPECT_EQ(core.PeekRegister(RB) & 0x01, 0x01);
    Steps(3);
    EXPECT_EQ(core.W(), 0x01);
    core.DrivePins(kRB, 0x06, 0x06);
    EXPECT_FALSE(core.Ports().ComparatorResult());
    EXPECT_EQ(core.PeekRegister(RB) & 0x01, 0x00);
    core.SetPortConfig(kRB, SxPortRegister::Comparator, 0xFF);
    core.DrivePins(kRB, 0x06, 0x04);
    EXPECT_FALSE(core.Ports().ComparatorResult()) << "disabled";
}

TEST_F(SxPortsTest, WakeUpPendsOnlyEnabledPinsOnTheirEdge) {
    Program p;
    p.ModeN(0x0B).MovWLit(0xF0).MovPortW(RB); // RB0-RB3 enabled
    p.ModeN(0x0A).MovWLit(0x0C).MovPortW(RB); // RB2, RB3 falling; RB0, RB1 rising
    p.JmpSelf();
    Start(p);
    core.DrivePins(kRB, 0xFF, 0x0C);
    Steps(6);
    core.SetPortConfig(kRB, SxPortRegister::WakePending, 0x00);
    core.DrivePins(kRB, 0xFF, 0xF3); // every pin changes
    EXPECT_EQ(Config(kRB, SxPortRegister::WakePending), 0x0F);
    core.SetPortConfig(kRB, SxPortRegister::WakePending, 0x00);
    core.DrivePins(kRB, 0xFF, 0x0C); // every pin back: no enabled pin sees its edge
    EXPECT_EQ(Config(kRB, SxPortRegister::WakePending), 0x00);
}

TEST_F(SxPortsTest, ResetRestoresConfigurationButKeepsLatches) {
    Program p;
    p.MovWLit(0x3C).MovFrW(RC).ModeN(0x0F).ClrW().MovPortW(RC);
    Start(p);
    Steps(5);
    EXPECT_EQ(core.PeekRegister(RC), 0x3C);
    core.Reset();
    EXPECT_EQ(Config(kRC, SxPortRegister::Direction), 0xFF);
    EXPECT_EQ(core.Ports().Latch(kRC), 0x3C);
    EXPECT_EQ(core.PeekRegister(RC), 0x00) << "inputs again";
    core.PowerOn();
    EXPECT_EQ(core.Ports().Latch(kRC), 0x00);
}

TEST_F(SxPortsTest, PortCountFollowsTheChip) {
    Program p;
    p.MovWLit(0x99).MovFrW(RC).MovWFr(RC).ModeN(0x0F).ClrW().MovPortW(RC);
    Start(p, Sx28(true, true, false, 3));
    EXPECT_EQ(core.Ports().Count(), 3);
    // SX18 (FUSEX bit 10 clear): no RC, and 0x07 is an ordinary register.
    Start(p, SxChipConfig::FromFuses(0, 0x7FA, 0xB7F));
    EXPECT_EQ(core.Ports().Count(), 2);
    Steps(6);
    EXPECT_EQ(core.PeekRegister(RC), 0x99);
    EXPECT_EQ(Config(kRC, SxPortRegister::Direction), 0);

    Program q;
    q.ModeN(0x0F).ClrW().MovPortW(0x09).MovWLit(0x5E).MovFrW(0x09); // RE out
    Start(q, Sx52());
    EXPECT_EQ(core.Ports().Count(), 5);
    Steps(5);
    EXPECT_EQ(core.PeekRegister(0x09), 0x5E);
}

} // namespace
