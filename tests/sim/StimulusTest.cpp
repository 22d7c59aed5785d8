// Stimulus files and the times and frequencies in them: what a good file means, and every
// kind of bad line refused with its number.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "SxTestProgram.h"
#include "sim/LabBench.h"

using namespace pellix;
using namespace sxtest;

namespace {

LabTime Ps(uint64_t ps) {
    return {ps, false};
}

TEST(LabTime, UnitsAttachedOrApart) {
    std::string error;
    EXPECT_EQ(ParseLabTime("1.5ms", error), Ps(1'500'000'000));
    EXPECT_EQ(ParseLabTime("1.5 ms", error), Ps(1'500'000'000));
    EXPECT_EQ(ParseLabTime("2s", error), Ps(2'000'000'000'000));
    EXPECT_EQ(ParseLabTime("20 us", error), Ps(20'000'000));
    EXPECT_EQ(ParseLabTime("20\xC2\xB5s", error), Ps(20'000'000));
    EXPECT_EQ(ParseLabTime("0.001ns", error), Ps(1));
    EXPECT_EQ(ParseLabTime("1_000 cycles", error), (LabTime{1000, true}));
    EXPECT_EQ(ParseLabTime("1 cycle", error), (LabTime{1, true}));
    EXPECT_EQ(ParseLabTime("0 MS", error), Ps(0));

    struct Bad {
        const char* text;
        const char* message;
    };
    for (const Bad& b : {
             Bad{"40", "'40' needs a unit: s, ms, us, ns or cycles"},
             Bad{"forty ms", "'forty' is not a time (a number and s, ms, us, ns or cycles)"},
             Bad{"40 hours", "'40' needs a unit: s, ms, us, ns or cycles"},
             Bad{"40xs", "'40xs' is not a time (a number and s, ms, us, ns or cycles)"},
             Bad{"1.5 cycles", "'1.5 cycles': cycles are whole numbers"},
             Bad{"0.0001ns", "'0.0001ns' is finer than a picosecond"},
             Bad{"99999999999 s", "'99999999999 s' is too long"},
             Bad{"12345678901234567890 ns", "'12345678901234567890' is not a time (a number and "
                                            "s, ms, us, ns or cycles)"},
             Bad{"1ms 2ms", "'1ms 2ms' is not a time (a number and s, ms, us, ns or cycles)"},
             Bad{"", "a time is missing (a number and s, ms, us, ns or cycles)"},
         }) {
        error.clear();
        EXPECT_FALSE(ParseLabTime(b.text, error)) << b.text;
        EXPECT_EQ(error, b.message) << b.text;
    }
}

TEST(LabTime, CyclesAndTextBothWays) {
    const uint64_t cps = 50'000'000;
    EXPECT_EQ(CyclesOf(Ps(1'500'000'000), cps), 75'000u);
    EXPECT_EQ(CyclesOf(Ps(30'000), cps), 2u) << "30 ns is 1.5 cycles: the nearest";
    EXPECT_EQ(CyclesOf({7, true}, cps), 7u);
    EXPECT_EQ(PicosecondsOf(3, cps), 60'000u);
    EXPECT_EQ(PicosecondsOf(1, 3), 333'333'333'333u);
    EXPECT_EQ(FormatPicoseconds(40'000'000'000), "40 ms");
    EXPECT_EQ(FormatPicoseconds(1'500'000), "1.5 us");
    EXPECT_EQ(FormatPicoseconds(2'000'001'000'000), "2.000001 s");
    EXPECT_EQ(FormatPicoseconds(0), "0 s");
    EXPECT_EQ(FormatPicoseconds(999), "999 ps");
    EXPECT_EQ(FormatHertz(50'000'000), "50 MHz");
    EXPECT_EQ(FormatHertz(32'768), "32.768 kHz");
    EXPECT_EQ(FormatHertz(4'915'200), "4.9152 MHz");
}

Stimulus Parse(const std::string& text) {
    Stimulus s;
    StimulusError e;
    EXPECT_TRUE(ParseStimulus(text, s, e)) << e.Text("t");
    return s;
}

TEST(Stimulus, GoodLines) {
    Stimulus s = Parse("# a comment\n"
                       "\n"
                       "1.5ms RB.0 1\n"
                       "0 cycles RB.1 0   # trailing comment\r\n"
                       "\t2 us  rtcc  clock 32.768kHz\n"
                       "3 us RTCC clock 1 MHz\n"
                       "4 us RTCC CLOCK OFF\n"
                       "5ms MCLR z\n"
                       "6ms ra3 Z\n");
    ASSERT_EQ(s.events.size(), 7u);
    const StimulusEvent& a = s.events[0];
    EXPECT_EQ(a.at, Ps(1'500'000'000));
    EXPECT_EQ(a.pin, LabPin::PortPin(1, 0));
    EXPECT_EQ(a.kind, StimulusEvent::Kind::Level);
    EXPECT_EQ(a.level, PinLevel::High);
    EXPECT_EQ(a.line, 3);
    EXPECT_EQ(s.events[1].at, (LabTime{0, true}));
    EXPECT_EQ(s.events[1].level, PinLevel::Low);
    EXPECT_EQ(s.events[2].kind, StimulusEvent::Kind::ClockOn);
    EXPECT_EQ(s.events[2].milliHertz, 32'768'000u);
    EXPECT_EQ(s.events[2].pin.kind, LabPin::Kind::Rtcc);
    EXPECT_EQ(s.events[3].milliHertz, 1'000'000'000u);
    EXPECT_EQ(s.events[4].kind, StimulusEvent::Kind::ClockOff);
    EXPECT_EQ(s.events[5].pin.kind, LabPin::Kind::Mclr);
    EXPECT_EQ(s.events[6].level, PinLevel::Floating);
    EXPECT_EQ(s.events[6].line, 9);
    EXPECT_TRUE(Parse("").events.empty());
    EXPECT_TRUE(Parse("  # only\n\n").events.empty());
}

TEST(Stimulus, EveryKindOfBadLineIsRefusedWithItsNumber) {
    struct Bad {
        const char* line;
        const char* message;
    };
    const Bad kBad[] = {
        {"RB.0 1", "'RB.0' is not a time (a number and s, ms, us, ns or cycles)"},
        {"5 RB.0 1", "'5' needs a unit: s, ms, us, ns or cycles"},
        {"5 parsecs RB.0 1", "'5' needs a unit: s, ms, us, ns or cycles"},
        {"1.5 cycles RB.0 1", "'1.5 cycles': cycles are whole numbers"},
        {"0.00001ns RB.0 1", "'0.00001ns' is finer than a picosecond"},
        {"1ms", "expected TIME PIN LEVEL or TIME PIN clock FREQ|off"},
        {"1ms RX.0 1", "'RX.0' is not a pin (RA.0 to RE.7, RTCC or MCLR)"},
        {"1ms RB.9 1", "'RB.9' is not a pin (RA.0 to RE.7, RTCC or MCLR)"},
        {"1ms RB.0", "a level is missing after RB.0 (0, 1, z or clock)"},
        {"1ms RB.0 high", "'high' is not a level (0, 1, z or clock)"},
        {"1ms RB.0 2", "'2' is not a level (0, 1, z or clock)"},
        {"1ms RB.0 1 0", "unexpected '0' at the end of the line"},
        {"1ms RB.0 clock", "clock needs a frequency or off"},
        {"1ms RB.0 clock fast", "'fast' is not a frequency (hertz, or a number with Hz, kHz or "
                                "MHz)"},
        {"1ms RB.0 clock 10GHz", "'10GHz' is not a frequency (hertz, or a number with Hz, kHz "
                                 "or MHz)"},
        {"1ms RB.0 clock 0Hz", "a clock needs a frequency above 0 Hz"},
        {"1ms RB.0 clock 0.0001Hz", "'0.0001Hz' is not a frequency the bench can make (1 mHz "
                                    "steps, up to 1 THz)"},
        {"1ms RB.0 clock 1kHz on", "unexpected 'on' at the end of the line"},
        {"1ms RB.0 clock off now", "unexpected 'now' at the end of the line"},
    };
    for (const Bad& b : kBad) {
        Stimulus s;
        s.events.push_back({});
        StimulusError e;
        std::string text = "0 ms RB.0 1\n# fine so far\n" + std::string(b.line) + "\n1ms RB.1 0\n";
        ASSERT_FALSE(ParseStimulus(text, s, e)) << b.line;
        EXPECT_EQ(e.Text("in.stim"), std::string("in.stim:3: ") + b.message) << b.line;
        EXPECT_EQ(s.events.size(), 1u) << "left as it was";
    }
    Stimulus s;
    StimulusError e;
    static constexpr char kNul[] = "1ms RB.0 1\n1ms RB\0.0 1\n";
    EXPECT_FALSE(ParseStimulus(std::string(kNul, sizeof kNul - 1), s, e));
    EXPECT_EQ(e.Text("b"), "b:2: the line holds a NUL byte (is this a text file?)");
}

class StimulusOnBench : public ::testing::Test {
protected:
    void SetUp() override {
        Program p;
        p.Label("loop");
        for (int i = 0; i < 20; ++i)
            p.Nop();
        p.Jmp("loop");
        core->Configure(Sx28());
        core->LoadProgram(p.Words());
        core->SetPc(0);
        bench->WatchPin(LabPin::PortPin(1, 0), [this](const LabPin&, char v, uint64_t c) {
            log.push_back({c, v});
        });
    }
    bool Load(const std::string& text, uint64_t base, StimulusError& error) {
        Stimulus s;
        s.name = "s.stim";
        return ParseStimulus(text, s, error) && bench->LoadStimulus(s, base, error);
    }

    std::unique_ptr<SxCore> core = std::make_unique<SxCore>();
    std::unique_ptr<LabBench> bench = std::make_unique<LabBench>(*core);
    std::vector<std::pair<uint64_t, char>> log;
};

TEST_F(StimulusOnBench, EventsInAnyOrderPlayInTimeOrder) {
    StimulusError e;
    // 1 us is 50 cycles at 50 MHz.
    ASSERT_TRUE(Load("3us RB.0 0\n1us RB.0 1\n100 cycles RB.0 z\n2 us RB.0 1\n", 0, e));
    core->Run(300);
    const std::vector<std::pair<uint64_t, char>> expected = {
        {50, '1'}, {100, 'z'}, {100, '1'}, {150, '0'}}; // the same time: in the file's order
    EXPECT_EQ(log, expected);
}

TEST_F(StimulusOnBench, PastEventsHappenAtOnceAndRestartPlaysAgain) {
    core->Run(1000);
    StimulusError e;
    ASSERT_TRUE(Load("0 ms RB.0 1\n5 us RB.0 0\n30 us RB.0 1\n", 0, e));
    EXPECT_EQ(bench->PinValue(LabPin::PortPin(1, 0)), '0') << "the level the file has by now";
    core->Run(1000);
    EXPECT_EQ(bench->PinValue(LabPin::PortPin(1, 0)), '1');
    log.clear();
    bench->RestartStimuli(bench->Now());
    const uint64_t base = bench->Now();
    core->Run(2000);
    ASSERT_EQ(log.size(), 4u) << "let go, then the file again";
    EXPECT_EQ(log[0].second, 'z');
    EXPECT_EQ(log[1], std::make_pair(base, '1'));
    EXPECT_EQ(log[2].second, '0');
    EXPECT_EQ(log[3].second, '1');
}

TEST_F(StimulusOnBench, PinsAndClocksTheChipCannotTakeAreRefused) {
    StimulusError e;
    EXPECT_FALSE(Load("1ms RB.0 1\n\n2ms RD.0 1\n", 0, e));
    EXPECT_EQ(e.Text("s.stim"), "s.stim:3: this chip has no pin RD.0 (it has RA.0-RA.3, "
                                "RB.0-RB.7, RC.0-RC.7, RTCC, MCLR)");
    EXPECT_FALSE(Load("1ms RA.4 1\n", 0, e));
    EXPECT_EQ(e.line, 1);
    EXPECT_FALSE(Load("1ms RTCC clock 25.000001MHz\n", 0, e));
    EXPECT_EQ(e.Text("s.stim"), "s.stim:1: a clock of 25.000001 MHz is faster than half the "
                                "chip's "
                                "cycle rate (50 MHz)");
    EXPECT_TRUE(Load("1ms RTCC clock 25MHz\n", 0, e));
    EXPECT_EQ(bench->StimulusCount(), 1u) << "the refused files left nothing behind";
}

TEST_F(StimulusOnBench, ClocksStartHighAndStopOnOff) {
    StimulusError e;
    // 500 kHz: a half period of 50 cycles, from cycle 100 to 400.
    ASSERT_TRUE(Load("2us RB.0 clock 500kHz\n8us RB.0 clock off\n", 0, e));
    core->Run(1000);
    ASSERT_EQ(log.size(), 6u);
    for (size_t i = 0; i < log.size(); ++i) {
        EXPECT_EQ(log[i].second, i % 2 ? '0' : '1');
        EXPECT_NEAR(double(log[i].first), 100.0 + 50.0 * double(i), 3.0);
    }
    EXPECT_EQ(bench->PinValue(LabPin::PortPin(1, 0)), '0') << "off keeps the last level";
}

} // namespace
