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
