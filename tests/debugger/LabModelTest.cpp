// The virtual lab's models without windows: the Pins window's cells and clicks, the debug
// window's stimulus files, trace and time, and where the lab windows go.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "debugger/LabUnit.h"
#include "debugger/PinsUnit.h"
#include "sim/VirtualChip.h"

using namespace pellix;

namespace {

const LabPin kRB0 = LabPin::PortPin(1, 0);
const LabPin kRB1 = LabPin::PortPin(1, 1);

// A turbo SX28 at 4 MHz running `words` from 0.
void Load(VirtualChip& chip, std::vector<uint16_t> words) {
    chip.Core().Configure(SxChipConfig::FromFuses(0, 0x7FA, 0xF7F, 4'000'000));
    chip.Core().LoadProgram(words);
    chip.Core().SetPc(0);
}

bool Overlap(const PlacedRect& a, const PlacedRect& b) {
    return a.left < b.left + b.width && b.left < a.left + a.width && a.top < b.top + b.height &&
           b.top < a.top + a.height;
}

std::filesystem::path Scratch(const char* name) {
    auto dir = std::filesystem::temp_directory_path() / "pellix-lab-model-test";
    std::filesystem::create_directories(dir);
    return dir / name;
}

} // namespace

TEST(PinsModel, GroupsFollowTheChip) {
    PinsModel pins;
    EXPECT_FALSE(pins.Refresh());
    EXPECT_TRUE(pins.Groups().empty());
    VirtualChip chip;
    Load(chip, {0xA00});
    pins.SetChip(&chip);
    // An SX28: RA with four pins, RB, RC (bit 7 first), and the RTCC and reset pins.
    ASSERT_EQ(pins.Groups().size(), 4u);
    EXPECT_EQ(pins.Groups()[0].name, "RA");
    EXPECT_EQ(pins.Groups()[0].pins.size(), 4u);
    EXPECT_EQ(pins.Groups()[1].pins.front().name, "RB.7");
    EXPECT_EQ(pins.Groups()[3].name, "Control");
    EXPECT_TRUE(pins.Cell(LabPin{LabPin::Kind::Mclr, 0, 0})->level);
    EXPECT_EQ(pins.Cell(LabPin::PortPin(3, 0)), nullptr);
    // Another chip (an SX52 from the programmer): the groups are made again.
    chip.Core().Configure(SxChipConfig::FromFuses(1, 0x7FA, 0xF7F, 4'000'000));
    EXPECT_TRUE(pins.Refresh());
    ASSERT_EQ(pins.Groups().size(), 6u);
    EXPECT_EQ(pins.Groups()[0].pins.size(), 8u);
    EXPECT_EQ(pins.Groups()[4].name, "RE");
    EXPECT_FALSE(pins.Refresh()) << "nothing changed";
    pins.SetChip(nullptr);
    EXPECT_TRUE(pins.Groups().empty());
}

TEST(PinsModel, ClicksDriveInputsInTurnAndLeaveOutputs) {
    EXPECT_EQ(PinsModel::NextDrive(PinLevel::Floating), PinLevel::High);
    EXPECT_EQ(PinsModel::NextDrive(PinLevel::High), PinLevel::Low);
    EXPECT_EQ(PinsModel::NextDrive(PinLevel::Low), PinLevel::Floating);
    VirtualChip chip;
    // MOV W,#$FE / MOV !RB,W: RB.0 an output; then a loop.
    Load(chip, {0xCFE, 0x006, 0xA02});
    chip.Core().Run(10);
    PinsModel pins;
    EXPECT_FALSE(pins.Click(kRB1)) << "no chip";
    pins.SetChip(&chip);
    EXPECT_FALSE(pins.Click(kRB0)) << "an output is the program's";
    EXPECT_EQ(chip.Lab().Pin(kRB0).driven, PinLevel::Floating);
    EXPECT_FALSE(pins.Click(LabPin::PortPin(4, 0))) << "no RE on an SX28";
    for (PinLevel want : {PinLevel::High, PinLevel::Low, PinLevel::Floating}) {
        EXPECT_TRUE(pins.Click(kRB1));
        EXPECT_EQ(chip.Lab().Pin(kRB1).driven, want);
    }
    // A clocked pin: a click stops the clock with a level.
    chip.Lab().StartClock(kRB1, 1'000'000, chip.Lab().Now());
    pins.Refresh();
    EXPECT_TRUE(pins.Cell(kRB1)->clocked);
    EXPECT_TRUE(pins.Click(kRB1));
    EXPECT_EQ(chip.Lab().Pin(kRB1).clockMilliHertz, 0u);
    EXPECT_EQ(chip.Lab().Pin(kRB1).driven, PinLevel::High);
    // The reset pin can be held low, and let go.
    const LabPin mclr{LabPin::Kind::Mclr, 0, 0};
    pins.Drive(mclr, PinLevel::Low);
    pins.Refresh();
    EXPECT_FALSE(pins.Cell(mclr)->level);
    pins.Drive(mclr, PinLevel::Floating);
    pins.Refresh();
    EXPECT_TRUE(pins.Cell(mclr)->level);
}

TEST(PinsModel, APulseGoesBackToWhatWasDriven) {
    VirtualChip chip;
    Load(chip, {0xA00});
    PinsModel pins;
    pins.SetChip(&chip);
    pins.pulseMicroseconds = 250; // 1000 cycles at 4 MHz
    pins.SetPulseOnClick(kRB1, true);
    EXPECT_TRUE(pins.PulseOnClick(kRB1));
    EXPECT_FALSE(pins.PulseOnClick(kRB0));
    // Floating (reads 0): high for the pulse, then let go.
    EXPECT_TRUE(pins.Click(kRB1));
    EXPECT_EQ(chip.Lab().PinValue(kRB1), '1');
    chip.Core().Run(999);
    EXPECT_EQ(chip.Lab().PinValue(kRB1), '1');
    chip.Core().Run(5);
    EXPECT_EQ(chip.Lab().PinValue(kRB1), 'z');
    // Driven high: low for the pulse, then high again.
    pins.Drive(kRB1, PinLevel::High);
    pins.Pulse(kRB1);
    EXPECT_EQ(chip.Lab().PinValue(kRB1), '0');
    chip.Core().Run(1004);
    EXPECT_EQ(chip.Lab().PinValue(kRB1), '1');
    EXPECT_EQ(chip.Lab().Pin(kRB1).driven, PinLevel::High);
    pins.SetPulseOnClick(kRB1, false);
    EXPECT_FALSE(pins.PulseOnClick(kRB1));
}

TEST(PinsModel, PinsThatMovedBetweenLooks) {
    VirtualChip chip;
    // MOV W,#$FE / MOV !RB,W / loop: XOR RB... as SETB RB.0, CLRB RB.0, JMP loop.
    Load(chip, {0xCFE, 0x006, 0x506, 0x406, 0xA02});
    PinsModel pins;
    pins.SetChip(&chip);
    chip.Core().Run(100);
    pins.Refresh();
    EXPECT_EQ(pins.Cell(kRB0)->edges, 0u) << "counted only while watched";
    pins.SetWatching(true);
    EXPECT_TRUE(chip.Lab().CountingEdges());
    chip.Core().Run(100); // 20 rounds of five cycles, give or take the round in progress
    EXPECT_TRUE(pins.Refresh());
    EXPECT_NEAR(double(pins.Cell(kRB0)->edges), 40, 2);
    EXPECT_EQ(pins.Cell(kRB1)->edges, 0u);
    chip.Core().Run(5);
    pins.Refresh();
    EXPECT_EQ(pins.Cell(kRB0)->edges, 2u) << "since the last look only";
    pins.SetWatching(false);
    EXPECT_FALSE(chip.Lab().CountingEdges());
    // A model that goes stops the counting it started.
    {
        PinsModel other;
        other.SetChip(&chip);
        other.SetWatching(true);
        EXPECT_TRUE(chip.Lab().CountingEdges());
    }
    EXPECT_FALSE(chip.Lab().CountingEdges());
}

TEST(LabSession, StimulusFilesForTheSession) {
    LabSession lab;
    EXPECT_NE(lab.LoadStimulus("x.stim"), "") << "no chip";
    EXPECT_EQ(lab.TimeText(), "");
    VirtualChip chip;
    Load(chip, {0xA00});
    lab.SetChip(&chip);
    EXPECT_EQ(lab.LoadStimulus(Scratch("missing.stim").string()).rfind("Cannot read ", 0), 0u);
    const auto bad = Scratch("bad.stim");
    std::ofstream(bad) << "1ms RB.0 1\n2ms RB.0 high\n";
    const std::string error = lab.LoadStimulus(bad.string());
    EXPECT_NE(error.find("bad.stim:2: 'high' is not a level"), std::string::npos) << error;
    EXPECT_TRUE(lab.StimulusFiles().empty());
    EXPECT_EQ(chip.Lab().StimulusCount(), 0u) << "a refused file changes nothing";
    const auto good = Scratch("good.stim");
    std::ofstream(good) << "0 cycles RB.0 1\n";
    EXPECT_EQ(lab.LoadStimulus(good.string()), "");
    EXPECT_EQ(lab.StimulusFiles().size(), 1u);
    chip.Core().Run(4);
    EXPECT_EQ(chip.Lab().PinValue(kRB0), '1');
    // The session ends: its stimuli go, with what they drove.
    lab.SetChip(nullptr);
    EXPECT_EQ(chip.Lab().StimulusCount(), 0u);
    EXPECT_EQ(chip.Lab().PinValue(kRB0), 'z');
}

TEST(LabSession, TraceAndTime) {
    VirtualChip chip;
    Load(chip, {0xA00});
    LabSession lab;
    lab.SetChip(&chip);
    EXPECT_NE(lab.StartTrace(Scratch("no/such/dir/t.vcd").string()), "");
    EXPECT_FALSE(lab.Tracing());
    const auto path = Scratch("t.vcd");
    EXPECT_EQ(lab.StartTrace(path.string()), "");
    EXPECT_TRUE(lab.Tracing());
    EXPECT_EQ(lab.TraceFile(), path.string());
    chip.Core().Run(4'000);
    const uint64_t cycles = lab.CyclesSinceReset();
    EXPECT_GE(cycles, 4'000u);
    EXPECT_EQ(lab.TimeText(), FormatDuration(cycles * 250'000) + "  " + FormatCount(cycles) +
                                  " cycles"); // "1.000 ms  4 000 cycles"
    EXPECT_EQ(lab.StopTrace(), "");
    EXPECT_FALSE(chip.Lab().Tracing());
    EXPECT_GT(std::filesystem::file_size(path), 100u);
    // A trace still running when the session ends is finished.
    EXPECT_EQ(lab.StartTrace(path.string()), "");
    EXPECT_EQ(lab.SetChip(nullptr), "");
    EXPECT_FALSE(chip.Lab().Tracing());
}

TEST(LabFormat, DurationsAndCounts) {
    EXPECT_EQ(FormatDuration(0), "0.000 us");
    EXPECT_EQ(FormatDuration(1'500), "0.002 us");
    EXPECT_EQ(FormatDuration(999'499'999), "999.500 us");
    EXPECT_EQ(FormatDuration(999'999'999), "1.000 ms") << "rounded into the next unit";
    EXPECT_EQ(FormatDuration(1'000'000'000), "1.000 ms");
    EXPECT_EQ(FormatDuration(12'345'678'901), "12.346 ms");
    EXPECT_EQ(FormatDuration(3'600'000'000'000'000), "3600.000 s");
    EXPECT_EQ(FormatCount(0), "0");
    EXPECT_EQ(FormatCount(999), "999");
    EXPECT_EQ(FormatCount(1000), "1 000");
    EXPECT_EQ(FormatCount(18'446'744'073'709'551'615u), "18 446 744 073 709 551 615");
}

TEST(PlaceLabWindows, BesideTheDebugWindowsThenUnderThem) {
    LabLayout l;
    l.screen = {0, 0, 1920, 1080};
    l.registers = {400, 100, 600, 400};
    l.debug = {1000, 100, 270, 300};
    l.watch = {1000, 400, 300, 200};
    // Room at the right: a column beside the debug and watch windows.
    auto p = PlaceLabWindows(l, {{0, 0, 500, 300}, {0, 0, 400, 250}});
    ASSERT_EQ(p.size(), 2u);
    EXPECT_EQ(p[0], (PlacedRect{1300, 100, 500, 300}));
    EXPECT_EQ(p[1], (PlacedRect{1300, 400, 400, 250}));
    // Too wide for that: under the debug and watch windows.
    p = PlaceLabWindows(l, {{0, 0, 700, 300}});
    EXPECT_EQ(p[0], (PlacedRect{1000, 600, 700, 300}));
    // Too wide for either: at the screen's right edge under the register view.
    p = PlaceLabWindows(l, {{0, 0, 1000, 300}});
    EXPECT_EQ(p[0], (PlacedRect{920, 500, 1000, 300}));
}

TEST(PlaceLabWindows, NeverOverTheRegisterView) {
    std::mt19937 random(7);
    auto between = [&](int a, int b) { return std::uniform_int_distribution<int>(a, b)(random); };
    for (int round = 0; round < 2000; ++round) {
        LabLayout l;
        l.screen = {between(-200, 200), between(0, 50), between(640, 2600), between(480, 1600)};
        const PlacedRect& s = l.screen;
        l.registers = {s.left + between(0, 200), s.top + between(0, 100), between(300, 700),
                       between(200, 500)};
        l.debug = {l.registers.left + l.registers.width, l.registers.top, 270, 300};
        if (round % 2) l.watch = {l.debug.left, l.debug.top + 300, 300, between(100, 300)};
        std::vector<PlacedRect> sizes{{0, 0, between(200, 700), between(150, 500)},
                                      {0, 0, between(200, 700), between(150, 500)}};
        for (const PlacedRect& r : PlaceLabWindows(l, sizes)) {
            const bool fits = r.width <= s.width &&
                              l.registers.top + l.registers.height + r.height <= s.top + s.height;
            if (fits) {
                EXPECT_FALSE(Overlap(r, l.registers)) << "round " << round;
            }
            EXPECT_GE(r.left, s.left);
            EXPECT_GE(r.top, s.top);
        }
    }
}
