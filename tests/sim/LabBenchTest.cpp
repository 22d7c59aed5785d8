// The lab bench on a core: pins driven at exact cycles, port B edges into the wake-up and
// interrupt logic, the RTCC on an external clock, the reset pin, clock sources, watches.
#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "SxTestProgram.h"
#include "sim/LabBench.h"

using namespace pellix;
using namespace sxtest;

namespace {

constexpr int kRB = 1;
const LabPin kRB0 = LabPin::PortPin(1, 0);
const LabPin kRB1 = LabPin::PortPin(1, 1);
const LabPin kRtccPin{LabPin::Kind::Rtcc, 0, 0};
const LabPin kMclrPin{LabPin::Kind::Mclr, 0, 0};

class LabBenchTest : public ::testing::Test {
protected:
    void Start(const Program& p, const SxChipConfig& config = Sx28()) {
        core->Configure(config);
        core->LoadProgram(p.Words());
        core->SetPc(0);
    }
    // Every change of `pin`'s value: the cycle and the value.
    std::vector<std::pair<uint64_t, char>>& Record(const LabPin& pin) {
        auto& log = logs.emplace_back();
        bench->WatchPin(pin, [&log](const LabPin&, char v, uint64_t c) { log.push_back({c, v}); });
        return log;
    }

    std::unique_ptr<SxCore> core = std::make_unique<SxCore>();
    std::unique_ptr<LabBench> bench = std::make_unique<LabBench>(*core);
    std::deque<std::vector<std::pair<uint64_t, char>>> logs;
};

// NOPs in a loop: every instruction but the jump takes one cycle.
Program NopLoop() {
    Program p;
    p.Label("loop");
    for (int i = 0; i < 40; ++i)
        p.Nop();
    p.Jmp("loop");
    return p;
}

TEST_F(LabBenchTest, InputsReadWhatIsDrivenOutputsWhatTheProgramDrives) {
    Program p;
    p.Label("loop").MovWFr(RB).MovFrW(0x08).Jmp("loop");
    Start(p);
    const LabPin rb3 = LabPin::PortPin(kRB, 3);
    bench->DriveAt(100, rb3, PinLevel::High);
    core->Run(99);
    EXPECT_EQ(core->PeekRegister(0x08), 0x00);
    core->Run(20);
    EXPECT_EQ(core->PeekRegister(0x08), 0x08);
    EXPECT_EQ(bench->PinValue(rb3), '1');
    EXPECT_EQ(bench->PinValue(kRB0), 'z') << "an input nothing holds floats";
    EXPECT_FALSE(bench->Pin(kRB0).level) << "...and reads 0";

    // Let go: the pull-up rule decides.
    bench->Drive(rb3, PinLevel::Floating);
    EXPECT_EQ(bench->PinValue(rb3), 'z');
    core->SetPortConfig(kRB, SxPortRegister::PullUp, 0xF7);
    EXPECT_EQ(bench->PinValue(rb3), '1');
    EXPECT_TRUE(bench->Pin(rb3).pullUp);

    // An output shows the latch whatever is driven into it.
    core->PokeRegister(RB, 0x00);
    core->SetPortConfig(kRB, SxPortRegister::Direction, 0xFE);
    bench->Drive(kRB0, PinLevel::High);
    LabBench::PinView v = bench->Pin(kRB0);
    EXPECT_TRUE(v.output);
    EXPECT_FALSE(v.level);
    EXPECT_EQ(v.driven, PinLevel::High);
}

TEST_F(LabBenchTest, ChangesLandOnTheirCycle) {
    Start(NopLoop());
    auto& log = Record(kRB0);
    bench->DriveAt(1234, kRB0, PinLevel::High);
    bench->DriveAt(5000, kRB0, PinLevel::Low);
    bench->DriveAt(5000, kRB0, PinLevel::High); // the same cycle: in the order given
    core->Run(6000);
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[0], std::make_pair(uint64_t{1234}, '1'));
    EXPECT_EQ(log[1].second, '0');
    EXPECT_EQ(log[2].second, '1');
    EXPECT_GE(log[1].first, 5000u);
    EXPECT_LE(log[1].first, 5003u) << "at the next instruction boundary";

    // A clock of 1 MHz on a 50 MHz turbo chip: an edge every 25 cycles, high first.
    log.clear();
    bench->StartClock(kRB1, 1'000'000'000, 10'000);
    auto& clock = Record(kRB1);
    core->Run(15'000);
    ASSERT_GE(clock.size(), 400u);
    EXPECT_EQ(clock[0].second, '1');
    for (size_t i = 1; i < clock.size(); ++i) {
        EXPECT_NE(clock[i].second, clock[i - 1].second);
        EXPECT_NEAR(double(clock[i].first - 10'000), 25.0 * double(i), 3.0) << "edge " << i;
    }
    bench->Drive(kRB1, PinLevel::Low); // a level stops the clock
    const size_t edges = clock.size();
    core->Run(1000);
    EXPECT_EQ(clock.size(), edges);
    EXPECT_EQ(bench->PinValue(kRB1), '0');
}

TEST_F(LabBenchTest, PortBEdgeWakesTheChipAtItsCycle) {
    Program p;
    // RB.0 pulled up; wake-up on it, rising edge; pending bits cleared; sleep.
    p.ModeN(0x0E).MovWLit(0xFE).MovPortW(RB);
    p.ModeN(0x0A).MovWLit(0x00).MovPortW(RB);
    p.ModeN(0x0B).MovWLit(0xFE).MovPortW(RB);
    p.ModeN(0x09).ClrW().MovPortW(RB);
    p.Sleep();
    Start(p);
    bench->DriveAt(2000, kRB0, PinLevel::Low);
    bench->DriveAt(5000, kRB0, PinLevel::High);
    core->Run(100);
    ASSERT_TRUE(core->Asleep());
    core->Run(2900); // to cycle 3000: a falling edge is not the one chosen
    EXPECT_TRUE(core->Asleep());
    core->Run(1999);
    EXPECT_TRUE(core->Asleep()) << "cycle " << core->Cycles();
    core->Run(2);
    EXPECT_FALSE(core->Asleep());
    EXPECT_EQ(core->LastReset(), SxCore::ResetCause::PinWake);
    EXPECT_EQ(core->Ports().Config(kRB, SxPortRegister::WakePending) & 1, 1);
    EXPECT_EQ(core->Status() & (SxCore::kTO | SxCore::kPD), SxCore::kTO);
}

TEST_F(LabBenchTest, PortBEdgesInterruptTheProgram) {
    Program p;
    // isr: INC 0x08, clear the pending bits, RETI.
    p.Inc(0x08).ModeN(0x09).ClrW().MovPortW(RB).Reti();
    p.Org(0x20).Label("start");
    p.ModeN(0x0A).MovWLit(0xFF).MovPortW(RB); // falling edges
    p.ModeN(0x0B).MovWLit(0xFD).MovPortW(RB); // RB.1
    p.Label("loop").Nop().Jmp("loop");
    Start(p);
    core->SetPc(0x20);
    // 10 kHz for 1 ms on a 50 MHz chip: ten falling edges.
    bench->StartClock(kRB1, 10'000'000, 100);
    core->Run(50'000 + 100);
    EXPECT_EQ(core->PeekRegister(0x08), 10);
    bench->StopClock(kRB1);
    core->Run(20'000);
    EXPECT_EQ(core->PeekRegister(0x08), 10) << "stopped";
}

TEST_F(LabBenchTest, RtccCountsPinEdgesThroughThePrescaler) {
    Program p;
    p.MovWLit(0xE1).MovOptionW(); // RTCC on the pin, rising edges, prescaler 1:4, no interrupt
    p.Label("loop").Nop().Jmp("loop");
    Start(p);
    bench->StartClock(kRtccPin, 10'000'000, 1000); // 10 kHz
    core->Run(500'000 + 1000);                     // 10 ms: 100 rising edges
    EXPECT_EQ(core->Rtcc(), 25);

    // Falling edges, 1:2: the wave starts high, so the first falling edge comes half a
    // period later.
    p = Program();
    p.MovWLit(0xF0).MovOptionW();
    p.Label("loop").Nop().Jmp("loop");
    Start(p);
    EXPECT_EQ(core->Rtcc(), 0);
    bench->StartClock(kRtccPin, 10'000'000, bench->Now());
    core->Run(500'000);
    EXPECT_EQ(core->Rtcc(), 50);

    // Cycles, not the pin: the clock does nothing.
    p = Program();
    p.MovWLit(0xC8).MovOptionW(); // RTCC on cycles, no prescaler
    p.Label("loop").Nop().Jmp("loop");
    Start(p);
    bench->StopClock(kRtccPin);
    bench->StartClock(kRtccPin, 10'000'000, bench->Now());
    core->Run(1000);
    EXPECT_NEAR(core->Rtcc(), 1000 % 256, 4);
}

TEST_F(LabBenchTest, MclrHoldsTheChipInReset) {
    Program p;
    p.Org(0x7FF).Jmp("start");
    p.Org(0x10).Label("start").Label("loop").Inc(0x08).Jmp("loop");
    Start(p);
    core->PowerOn();
    bench->DriveAt(10'000, kMclrPin, PinLevel::Low);
    bench->DriveAt(30'000, kMclrPin, PinLevel::Floating); // a pull-up on the board
    core->Run(10'001);
    EXPECT_TRUE(core->HeldInReset());
    EXPECT_EQ(core->Pc(), 0x7FF);
    EXPECT_EQ(core->LastReset(), SxCore::ResetCause::External);
    const uint8_t counted = core->PeekRegister(0x08);
    EXPECT_NE(counted, 0);
    core->Run(10'000);
    EXPECT_EQ(core->Cycles(), 20'001u) << "time passes";
    EXPECT_EQ(core->PeekRegister(0x08), counted) << "nothing runs";
    EXPECT_EQ(core->Pc(), 0x7FF);
    EXPECT_EQ(bench->Pin(kMclrPin).level, false);
    core->Run(10'100);
    EXPECT_FALSE(core->HeldInReset());
    EXPECT_NE(core->Pc(), 0x7FF) << "running from the reset vector";
    EXPECT_TRUE(bench->Pin(kMclrPin).level);
}

TEST_F(LabBenchTest, TimeRunsOnAcrossAPowerOn) {
    Start(NopLoop());
    core->Run(1000);
    bench->DriveAt(1500, kRB0, PinLevel::High);
    bench->Drive(LabPin::PortPin(kRB, 5), PinLevel::High);
    core->Configure(Sx28()); // a chip fresh from the programmer
    EXPECT_EQ(core->Cycles(), 0u);
    EXPECT_EQ(bench->Now(), 1000u);
    EXPECT_EQ(bench->PinValue(LabPin::PortPin(kRB, 5)), '1') << "the outside still drives it";
    core->LoadProgram(NopLoop().Words());
    core->SetPc(0);
    core->Run(499);
    EXPECT_EQ(bench->PinValue(kRB0), 'z');
    core->Run(2);
    EXPECT_EQ(bench->PinValue(kRB0), '1');
}

TEST_F(LabBenchTest, PinsTheChipLacksAreRefused) {
    Start(NopLoop(), Sx28());
    EXPECT_TRUE(bench->Exists(LabPin::PortPin(0, 3)));
    EXPECT_FALSE(bench->Exists(LabPin::PortPin(0, 4))) << "RA has four pins";
    EXPECT_FALSE(bench->Exists(LabPin::PortPin(3, 0))) << "no RD";
    bench->Drive(LabPin::PortPin(3, 0), PinLevel::High);        // ignored, no harm
    Start(NopLoop(), SxChipConfig::FromFuses(0, 0x7FA, 0xBFF)); // SX18/20: no RC
    EXPECT_FALSE(bench->Exists(LabPin::PortPin(2, 0)));
    EXPECT_EQ(LabPinsText(core->Ports()), "RA.0-RA.3, RB.0-RB.7, RTCC, MCLR");
    Start(NopLoop(), Sx52());
    EXPECT_TRUE(bench->Exists(LabPin::PortPin(4, 7)));
    EXPECT_TRUE(bench->Exists(LabPin::PortPin(0, 7)));
}

TEST_F(LabBenchTest, EdgesAreCountedBetweenLooks) {
    // RB.0 an output, toggled every six cycles: two changes a round.
    Program p;
    p.ModeN(0x0F).MovWLit(0xFE).MovPortW(RB);
    p.Label("loop").Setb(RB, 0).Nop().Clrb(RB, 0).Jmp("loop");
    Start(p);
    core->Run(3);
    EXPECT_EQ(bench->Edges(kRB0), 0u) << "nothing is counted until asked";
    bench->CountEdges(true);
    EXPECT_TRUE(bench->CountingEdges());
    core->Run(60);
    EXPECT_EQ(bench->Edges(kRB0), 20u);
    EXPECT_EQ(bench->Edges(kRB1), 0u);
    // Inputs count too, whatever moves them: a drive, a pull-up, a release (1 to z).
    bench->Drive(kRB1, PinLevel::High);
    bench->Drive(kRB1, PinLevel::High);
    bench->Drive(kRB1, PinLevel::Floating);
    EXPECT_EQ(bench->Edges(kRB1), 2u);
    core->SetPortConfig(kRB, SxPortRegister::PullUp, 0xFD);
    EXPECT_EQ(bench->Edges(kRB1), 3u) << "z to 1";
    // The RTCC and reset pins, driven from outside.
    bench->Drive(kRtccPin, PinLevel::High);
    bench->Drive(kRtccPin, PinLevel::Floating);
    bench->Drive(kMclrPin, PinLevel::High); // it was high already: let go, a board holds it
    EXPECT_EQ(bench->Edges(kRtccPin), 2u);
    EXPECT_EQ(bench->Edges(kMclrPin), 0u);
    EXPECT_EQ(bench->Edges(LabPin::PortPin(3, 0)), 0u) << "no RD on an SX28";
    // Off and on again: the counts start afresh, and a trace beside them is unaffected.
    bench->CountEdges(false);
    EXPECT_EQ(bench->Edges(kRB0), 0u);
    bench->CountEdges(true);
    core->Run(6);
    EXPECT_EQ(bench->Edges(kRB0), 2u);
}

TEST_F(LabBenchTest, ClearedStimuliLetGoOfTheirPinsAndClocks) {
    Start(NopLoop());
    Stimulus s;
    std::string text = "0 cycles RB.0 1\n0 cycles RB.1 clock 1MHz\n1000 cycles RB.0 0\n";
    StimulusError error;
    ASSERT_TRUE(ParseStimulus(text, s, error));
    ASSERT_TRUE(bench->LoadStimulus(s, 0, error));
    core->Run(10);
    EXPECT_EQ(bench->PinValue(kRB0), '1');
    EXPECT_NE(bench->Pin(kRB1).clockMilliHertz, 0u);
    bench->Drive(LabPin::PortPin(kRB, 2), PinLevel::High); // not the stimulus's: it stays
    bench->ClearStimuli();
    EXPECT_EQ(bench->StimulusCount(), 0u);
    EXPECT_EQ(bench->PinValue(kRB0), 'z');
    EXPECT_EQ(bench->Pin(kRB1).clockMilliHertz, 0u);
    core->Run(2000); // nothing pending: RB.0 is not driven low at cycle 1000
    EXPECT_EQ(bench->PinValue(kRB0), 'z');
    EXPECT_EQ(bench->PinValue(kRB1), 'z');
    EXPECT_EQ(bench->PinValue(LabPin::PortPin(kRB, 2)), '1');
}

TEST(LabPin, NamesBothWays) {
    EXPECT_EQ(ParseLabPin("RB.0"), LabPin::PortPin(1, 0));
    EXPECT_EQ(ParseLabPin("re7"), LabPin::PortPin(4, 7));
    EXPECT_EQ(ParseLabPin("Ra.3"), LabPin::PortPin(0, 3));
    EXPECT_EQ(ParseLabPin("rtcc")->kind, LabPin::Kind::Rtcc);
    EXPECT_EQ(ParseLabPin("MCLR")->kind, LabPin::Kind::Mclr);
    for (const char* bad : {"", "RB", "RB.8", "RF.0", "RB.", "RB..0", "RB:0", "B.0", "RB.01"})
        EXPECT_FALSE(ParseLabPin(bad)) << bad;
    EXPECT_EQ(LabPinName(LabPin::PortPin(2, 6)), "RC.6");
    EXPECT_EQ(ParsePinLevel("Z"), PinLevel::Floating);
    EXPECT_FALSE(ParsePinLevel("2"));
    EXPECT_FALSE(ParsePinLevel("high"));
}

} // namespace
