// The synthesizer word, the clock texts and the clock window's arithmetic; the oscillator
// calibration's choice and texts.
#include <gtest/gtest.h>

#include "link/ChipTestSupport.h"
#include "link/ClockUnit.h"
#include "link/IRCUnit.h"

using namespace pellix;
using namespace pellix::test;

TEST(SynthWord, KnownWords) {
    EXPECT_EQ(SynthWord(50'000'000), 0x3D4620u) << "S 0, N 125, M 100";
    EXPECT_EQ(SynthWord(4'000'000), 0x3EE4E0u) << "S 4, N 128, M 80";
    EXPECT_EQ(SynthWord(110'000'000), 0x3B42A8u) << "S 0, N 121, M 44, range bit";
    // The fields of the 110 MHz word.
    uint32_t w = SynthWord(110'000'000);
    EXPECT_EQ((w >> 15) + 3, 121u);
    EXPECT_EQ(((w >> 4) & 0x7F) + 2, 44u);
    EXPECT_EQ((w >> 11) & 7, 0u);
    EXPECT_EQ((w >> 3) & 1, 1u);
    EXPECT_EQ((w >> 14) & 1, 1u);
    EXPECT_EQ(w & 7, 0u);
}

TEST(SynthWord, ComesNearTheFrequencyWithTheOscillatorInItsRange) {
    for (uint32_t f :
         {400'000u, 400'001u, 1'000'000u, 3'579'545u, 4'915'200u, 8'000'000u, 20'000'000u,
          32'768'000u, 49'999'999u, 75'000'000u, 100'000'000u, 109'999'999u}) {
        uint32_t w = SynthWord(f);
        uint32_t n = (w >> 15) + 3, m = ((w >> 4) & 0x7F) + 2;
        uint32_t v = 20'000'000 * n / m;
        EXPECT_TRUE(v >= 25'000'000 && v <= 75'000'000) << f;
        EXPECT_EQ((w >> 3) & 1, v >= 40'000'000 ? 1u : 0u) << f;
        uint32_t made = SynthFrequency(w);
        uint32_t error = made > f ? made - f : f - made;
        EXPECT_LE(error, 2'000'000u) << f;
        EXPECT_LE(error, f / 50 + 2) << "within 2% at " << f;
    }
}

TEST(SynthWord, OutsideTheRangeTheNearestEndIsMade) {
    EXPECT_EQ(SynthWord(0), SynthWord(400'000));
    EXPECT_EQ(SynthWord(200'000'000), SynthWord(110'000'000));
    EXPECT_NE(SynthWord(0xFFFFFFFF), 0u) << "never a word the key cannot make";
}

TEST(SynthWord, TheVirtualChipDecodesItToTheSameFrequency) {
    VirtualChip chip;
    for (uint32_t f : {400'000u, 4'000'000u, 50'000'000u, 110'000'000u}) {
        chip.ClockOn(SynthWord(f));
        EXPECT_EQ(chip.ClockHertz(), SynthFrequency(SynthWord(f))) << f;
    }
}

TEST(ClockText, GroupsOfThree) {
    EXPECT_EQ(ClockText(50'000'000), "Pellix is generating a clock signal of 50,000,000 Hz.");
    EXPECT_EQ(GroupedDecimal(0), "0");
    EXPECT_EQ(GroupedDecimal(999), "999");
    EXPECT_EQ(GroupedDecimal(1000), "1,000");
    EXPECT_EQ(GroupedDecimal(400'000), "400,000");
    EXPECT_EQ(GroupedDecimal(4'294'967'295u), "4,294,967,295");
}

TEST(ClockOn, SendsTheWordLowByteFirstAndReadsTheStatus) {
    SimRig r;
    r.link.ConnectKey();
    r.TakeRequests();
    ClockOn(r.protocol, 110'000'000);
    EXPECT_EQ(r.TakeRequests(), (Bytes{8, 0xA8, 0x42, 0x3B}));
    EXPECT_TRUE(r.key.Chip().Clocked());
    ClockOff(r.protocol);
    EXPECT_EQ(r.TakeRequests(), Bytes{9});
    EXPECT_FALSE(r.key.Chip().Clocked());

    r.key.faults.statusOn = 1;
    r.key.faults.statusValue = 7;
    ExpectLinkError(
        r.link, r.prompter, [&] { ClockOn(r.protocol, 4'000'000); }, "Communication failed");
}

TEST(ClockWindowArithmetic, EditSliderAndClamp) {
    EXPECT_EQ(ParseFrequencyEdit("4.9152"), 4'915'000u) << "three digits after the point";
    EXPECT_EQ(ParseFrequencyEdit("50"), 50'000'000u);
    EXPECT_EQ(ParseFrequencyEdit(".5"), 500'000u);
    EXPECT_EQ(ParseFrequencyEdit(""), 0u);
    EXPECT_EQ(ClampFrequency(ParseFrequencyEdit("120")), 110'000'000u);
    EXPECT_EQ(ClampFrequency(ParseFrequencyEdit("9999999")), 110'000'000u) << "no overflow";
    EXPECT_EQ(ClampFrequency(ParseFrequencyEdit("0.1")), 400'000u);
    EXPECT_EQ(SliderPosition(110'000'000), 0);
    EXPECT_EQ(SliderPosition(400'000), kSliderMax);
    EXPECT_EQ(SliderFrequency(kSliderMax), 400'000u);
    EXPECT_EQ(SliderFrequency(0), 110'000'000u);
    EXPECT_EQ(SliderFrequency(SliderPosition(50'000'000)), 50'000'000u);
    EXPECT_EQ(FrequencyEditText(50'000'000), "50.000");
    EXPECT_EQ(FrequencyEditText(4'915'000), "4.915");
    EXPECT_EQ(FrequencyEditText(400'000), "0.400");
    EXPECT_EQ(FrequencyEditText(110'000'000), "110.000");
}

TEST(IrcCalibrationChoice, NearestTo4MHzLowerTrimOnTies) {
    std::array<uint16_t, kTrims> counts{};
    counts.fill(300);
    EXPECT_EQ(NearestTrim(counts), 0) << "all equal: trim 0";
    counts = {250, 280, 300, 316, 317, 330, 350, 400};
    EXPECT_EQ(NearestTrim(counts), 4) << "317 is 3,993,804 Hz, nearer than 316's 4,006,442";
    counts = {400, 316, 500, 316, 600, 700, 800, 900};
    EXPECT_EQ(NearestTrim(counts), 1) << "the same count twice: the lower trim";
}

TEST(IrcCalibrationChoice, ACountOfZeroIsFarthest) {
    std::array<uint16_t, kTrims> counts{};
    EXPECT_EQ(NearestTrim(counts), 0) << "nothing measured: no division, trim 0";
    counts = {0, 0, 0, 0, 0, 0, 0, 4095};
    EXPECT_EQ(NearestTrim(counts), 7);
    counts = {0, 316, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(NearestTrim(counts), 1);
    EXPECT_EQ(IrcHertz(0), 0u);
    EXPECT_EQ(IrcMegahertzText(0), "-.--");
}

TEST(IrcCalibrationChoice, TextsAndFusexOfEachTrim) {
    EXPECT_EQ(IrcMegahertzText(316), "4.00") << "4,006,442 Hz";
    EXPECT_EQ(IrcMegahertzText(1266), "1.00");
    EXPECT_EQ(IrcMegahertzText(100), "12.66") << "past 10 MHz the whole megahertz stay";
    EXPECT_EQ(IrcMegahertzText(4095), "0.30");
    const uint16_t fusex[8] = {0x4FF, 0x5FF, 0x6FF, 0x7FF, 0xCFF, 0xDFF, 0xEFF, 0xFFF};
    for (int t = 0; t < 8; ++t) {
        EXPECT_EQ(MeasurementFusex(t), fusex[t]) << t;
        EXPECT_EQ(VirtualChip::TrimOfFusex(fusex[t]), t);
    }
    // Within each group every FUSEX only clears bits of the one before.
    for (const auto& group : kMeasurementGroups)
        for (size_t i = 1; i < group.size() && group[i] >= 0; ++i) {
            uint16_t before = MeasurementFusex(group[i - 1]), after = MeasurementFusex(group[i]);
            EXPECT_EQ(after & before, after) << group[i];
        }
    EXPECT_EQ(IrcSettingFromStored(0), IrcSetting::Slowest);
    EXPECT_EQ(IrcSettingFromStored(1), IrcSetting::FourMHz);
    EXPECT_EQ(IrcSettingFromStored(2), IrcSetting::Fastest);
    EXPECT_EQ(IrcSettingFromStored(0x102), IrcSetting::Fastest) << "the low byte";
    // The windowed program takes the low byte up to 2; pellix-cli must read the file alike.
    EXPECT_EQ(IrcSettingFromStored(3), IrcSetting::Fastest);
    EXPECT_EQ(IrcSettingFromStored(-1), IrcSetting::Fastest);
    EXPECT_EQ(IrcSettingFromStored(0x100), IrcSetting::Slowest);
    EXPECT_STREQ(IrcSettingText(IrcSetting::FourMHz), "4 MHz");
}

TEST(CalibrateIrc, FixedSettingsSendNothing) {
    SimRig r;
    r.link.ConnectKey();
    r.TakeRequests();
    RecordedProgress progress;
    IrcCalibration irc;
    irc.setting = IrcSetting::Fastest;
    CalibrateIrc(r.protocol, progress, irc);
    EXPECT_EQ(irc.trim, 0);
    irc.setting = IrcSetting::Slowest;
    CalibrateIrc(r.protocol, progress, irc);
    EXPECT_EQ(irc.trim, 7);
    EXPECT_TRUE(r.TakeRequests().empty());
    EXPECT_TRUE(progress.shown.empty());
    EXPECT_FALSE(irc.measured);
}

TEST(CalibrateIrc, TheDefaultPartLandsOnTrim4AndAFailureKeepsTheOldResult) {
    SimRig r;
    r.link.ConnectKey();
    RecordedProgress progress;
    IrcCalibration irc;
    irc.setting = IrcSetting::FourMHz;
    CalibrateIrc(r.protocol, progress, irc);
    EXPECT_EQ(irc.trim, 4) << "3.96 MHz";
    EXPECT_EQ(progress.shown, std::vector<std::string>{"Calibrating IRC..."});
    for (int t = 0; t < kTrims; ++t)
        EXPECT_EQ(irc.counts[size_t(t)], [&] {
            uint32_t hz = r.key.Chip().IrcFrequency(t);
            return uint16_t((kIrcMeasureDividend + hz / 2) / hz);
        }()) << t;

    auto before = irc;
    r.key.faults.statusOn = 8; // the third measurement of the first group
    r.key.faults.statusValue = 3;
    ExpectLinkError(
        r.link, r.prompter, [&] { CalibrateIrc(r.protocol, progress, irc); }, "Programming failed");
    EXPECT_EQ(irc.counts, before.counts);
    EXPECT_EQ(irc.trim, before.trim);
}
