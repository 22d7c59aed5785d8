// Programming, reading and verifying against the virtual key: what goes on the wire, what
// the chip ends up holding, the progress, and every way out of an operation.
#include "link/ChipTestSupport.h"

#include "link/ClockUnit.h"

using namespace pellix;
using namespace pellix::test;

namespace {

uint16_t Pattern(int a) {
    return uint16_t((a * 37 + 5) & 0xFFF);
}

const VirtualChip& Chip(ChipRig& r) {
    return r.key.Chip();
}

} // namespace

TEST(ProgramChip, A512WordImageIsSixteenBlocksAndTheBarStepsEvery16Words) {
    ChipRig r;
    // FUSEX bits 0 and 1 clear: the 512-word part.
    r.SetImage(0xBFC, 0xFFA, Pattern);
    std::vector<size_t> wordsAtStep;
    r.progress.onStep = [&] {
        auto ex = Exchanges(r.key.requestLog);
        size_t words = 0;
        if (!ex.empty() && ex.back().command == kCommandProgram) {
            auto blocks = ProgramBlocks(ex.back());
            for (size_t b = 1; b < blocks.size(); ++b) // after the configuration block
                words += blocks[b].size();
        }
        wordsAtStep.push_back(words);
    };
    r.device.ProgramChip(false);

    auto ex = Exchanges(r.TakeRequests());
    EXPECT_EQ(Commands(ex), (std::vector<uint8_t>{1, 1, 2, 4, 0}))
        << "firmware 3: no clock off; Slowest: no measurement; erase, program, reset, end";
    std::vector<uint8_t> pulses;
    auto blocks = ProgramBlocks(ex[2], &pulses);
    ASSERT_EQ(blocks.size(), 1u + 16u + 1u) << "configuration, 16 code blocks, ID";
    EXPECT_EQ(blocks[0].size(), 2u);
    for (size_t b = 1; b <= 16; ++b)
        EXPECT_EQ(blocks[b].size(), 32u);
    EXPECT_EQ(blocks[17].size(), 16u);
    EXPECT_EQ(pulses[0], kConfigPulseTime);
    EXPECT_EQ(pulses[1], kCodePulseTime);
    EXPECT_EQ(pulses[17], kCodePulseTime);
    for (size_t b = 1; b <= 16; ++b)
        for (size_t w = 0; w < 32; ++w)
            ASSERT_EQ(blocks[b][w], Pattern(int((b - 1) * 32 + w)))
                << "no written marks on the wire";

    EXPECT_EQ(r.progress.shown, (std::vector<std::string>{"Erasing...", "Programming..."}));
    EXPECT_EQ(r.progress.stepsAfter.back(), kProgressSteps);
    EXPECT_EQ(r.progress.bar, kProgressRange) << "the bar ends full";
    ASSERT_EQ(wordsAtStep.size(), 32u);
    for (size_t j = 0; j < 32; ++j)
        EXPECT_EQ(wordsAtStep[j], 32 * ((j + 2) / 2)) << "two steps after each 32-word block";
    EXPECT_EQ(r.progress.closes, 1);

    for (int a = 0; a < 512; ++a)
        ASSERT_EQ(Chip(r).Code(a), Pattern(a)) << a;
    EXPECT_EQ(Chip(r).Code(512), 0xFFF) << "nothing past the memory size";
    EXPECT_EQ(Chip(r).Id(0), 0xFF5) << "'P'";
    EXPECT_EQ(Chip(r).ResetCount(), 1);
    EXPECT_FALSE(Chip(r).Clocked());
    EXPECT_FALSE(r.link.PortOpen());
    EXPECT_FALSE(r.key.InSession()) << "the key was released";
    EXPECT_TRUE(r.prompter.messages.empty());
}

TEST(ProgramChip, TrimsAndTheMeasurementBeforeAFusexWithoutBit11) {
    for (IrcSetting setting : {IrcSetting::Slowest, IrcSetting::Fastest}) {
        for (int family : {0, 1}) {
            ChipRig r(family);
            r.irc.setting = setting;
            uint16_t fusex = 0xFFF;
            r.SetImage(fusex, 0xFFA, Pattern);
            r.device.ProgramChip(false);
            int trim = setting == IrcSetting::Slowest ? 7 : 0;
            EXPECT_EQ(r.irc.trim, trim);
            ConfigWords expected = ProgrammedConfig(family, fusex, 0xFFA, trim);
            EXPECT_EQ(Chip(r).Fusex(), expected.fusex);
            EXPECT_EQ(Chip(r).Fuse(), expected.fuse);
            auto ex = Exchanges(r.TakeRequests());
            bool measured = (expected.fusex & 0x800) == 0;
            std::vector<uint8_t> commands = {1, 1, 2, 4, 0};
            if (measured) commands.insert(commands.begin() + 2, 2);
            EXPECT_EQ(Commands(ex), commands) << "family " << family << " trim " << trim;
            if (measured) {
                auto blocks = ProgramBlocks(ex[2]);
                ASSERT_EQ(blocks.size(), 1u);
                EXPECT_EQ(blocks[0], std::vector<uint16_t>{uint16_t(expected.fusex | 0x800)});
            }
        }
    }
}

TEST(ProgramChip, ConfigurationWordsOfBothFamilies) {
    // Family 0: bits 0-7 and 10 kept, 2 and 3 set, the trim in 8, 9 and 11.
    EXPECT_EQ(ProgrammedConfig(0, 0xBFF, 0xFFA, 7).fusex, 0xBFF);
    EXPECT_EQ(ProgrammedConfig(0, 0xFFF, 0xFFA, 7).fusex, 0xFFF);
    EXPECT_EQ(ProgrammedConfig(0, 0xBFF, 0xFFA, 0).fusex, 0x0FF);
    EXPECT_EQ(ProgrammedConfig(0, 0x4F0, 0xFFA, 5).fusex, 0xDFC);
    EXPECT_EQ(ProgrammedConfig(0, 0x000, 0x123, 4).fusex, 0x80C);
    EXPECT_EQ(ProgrammedConfig(0, 0x000, 0x123, 4).fuse, 0x123);
    // Family 1: bit 7 set too, trim bit 2 left out, FUSE bits 9 and 11 set.
    EXPECT_EQ(ProgrammedConfig(1, 0x000, 0x123, 7).fusex, 0x38C);
    EXPECT_EQ(ProgrammedConfig(1, 0xFFF, 0x123, 4).fusex, 0x4FF);
    EXPECT_EQ(ProgrammedConfig(1, 0xFFF, 0x123, 4).fuse, 0xB23);
}

TEST(ProgramChip, ClockOffOnlyForFirmwareOtherThan3) {
    for (int version : {1, 2, 3, 4}) {
        ChipRig r;
        r.key.firmwareVersion = uint8_t(version);
        r.key.Chip().ClockOn(SynthWord(4'000'000));
        r.device.ProgramChip(false);
        auto commands = Commands(Exchanges(r.TakeRequests()));
        ASSERT_FALSE(commands.empty());
        EXPECT_EQ(commands.front() == kCommandClockOff, version != 3) << "firmware " << version;
        EXPECT_EQ(Chip(r).Clocked(), version == 3);
    }
}

TEST(ProgramChip, RunStartsTheClockAtTheRecordsFrequencyBeforeTheReset) {
    ChipRig r;
    r.record->debug.frequency = 4'000'000;
    r.device.ProgramChip(true);
    auto ex = Exchanges(r.TakeRequests());
    EXPECT_EQ(Commands(ex), (std::vector<uint8_t>{1, 1, 2, 8, 4, 0}));
    EXPECT_EQ(Chip(r).ClockWord(), 0x3EE4E0u);
    EXPECT_EQ(Chip(r).ClockHertz(), 4'000'000u);
}

TEST(ProgramChip, CalibrationAt4MHzMeasuresEveryTrimAndKeepsTheNearest) {
    ChipRig r;
    r.irc.setting = IrcSetting::FourMHz;
    // Trim 6 is the one nearest 4 MHz on this part.
    for (int t = 0; t < 8; ++t)
        r.key.Chip().SetIrcFrequency(t, 6'100'000 - 350'000 * uint32_t(t));
    int shownAfterClose = 0;
    r.device.showCalibration = [&] {
        EXPECT_FALSE(r.progress.open) << "the progress is closed before the IRC window";
        ++shownAfterClose;
    };
    r.device.ProgramChip(false);

    auto ex = Exchanges(r.TakeRequests());
    EXPECT_EQ(Commands(ex),
              (std::vector<uint8_t>{1, 1, 2, 2, 2, 2, 1, 1, 2, 2, 1, 1, 2, 2, 1, 1, 2, 4, 0}))
        << "three erases around the eight measurements, then the erase of programming";
    std::vector<uint16_t> measured;
    for (const auto& e : ex)
        if (e.command == kCommandProgram && ProgramBlocks(e).size() == 1)
            measured.push_back(ProgramBlocks(e)[0][0]);
    EXPECT_EQ(measured,
              (std::vector<uint16_t>{0xFFF, 0x7FF, 0x5FF, 0x4FF, 0xDFF, 0xCFF, 0xEFF, 0x6FF}));
    EXPECT_EQ(r.irc.trim, 6);
    EXPECT_TRUE(r.irc.measured);
    EXPECT_EQ(IrcMegahertzText(r.irc.counts[6]), "3.99");
    EXPECT_EQ(VirtualChip::TrimOfFusex(Chip(r).Fusex()), 6) << "the chip runs at the chosen trim";
    EXPECT_EQ(r.progress.shown,
              (std::vector<std::string>{"Calibrating IRC...", "Erasing...", "Programming..."}));
    EXPECT_EQ(shownAfterClose, 1);
    EXPECT_EQ(r.progress.closes, 1);

    // The trim stays for the run: Fastest and Slowest replace it, 4 MHz measures again.
    r.irc.setting = IrcSetting::Fastest;
    r.device.ProgramChip(false);
    EXPECT_EQ(r.irc.trim, 0);
    EXPECT_EQ(shownAfterClose, 1) << "no IRC window without the 4 MHz setting";
}

TEST(ProgramChip, EqualMeasurementsPickTrimZero) {
    ChipRig r;
    r.irc.setting = IrcSetting::FourMHz;
    for (int t = 0; t < 8; ++t)
        r.key.Chip().SetIrcFrequency(t, 4'400'000);
    r.device.ProgramChip(false);
    EXPECT_EQ(r.irc.trim, 0);
    for (uint16_t c : r.irc.counts)
        EXPECT_EQ(c, r.irc.counts[0]);
}

TEST(ProgramChip, LinkErrorsCloseTheProgressAndThePortAndLeaveTheChipUnreset) {
    // The status of each exchange on the way: erase, erase, program start, config block,
    // code blocks, ID, then reset.
    for (int statusOn : {1, 3, 4, 20, 69, 70}) {
        ChipRig r;
        r.key.faults.statusOn = statusOn;
        r.key.faults.statusValue = 3;
        ExpectLinkError(
            r.link, r.prompter, [&] { r.device.ProgramChip(false); }, "Programming failed");
        EXPECT_EQ(r.progress.closes, 1) << statusOn;
        EXPECT_FALSE(r.progress.open);
        EXPECT_EQ(Chip(r).ResetCount(), 0) << statusOn;
    }
    ChipRig r;
    r.key.faults.noAnswer = true;
    ExpectLinkError(
        r.link, r.prompter, [&] { r.device.ProgramChip(true); }, "Pellix not found on sim");
    EXPECT_EQ(r.progress.closes, 1) << "closed even before anything was shown";
    EXPECT_TRUE(r.progress.shown.empty());
}

TEST(ReadChip, ReadsTheWholeMemoryIntoAClearedTransfer) {
    ChipRig r;
    r.record->assembled.Fusex() = 0xBFC; // a 512-word part
    r.key.Chip().LoadFusex(0xBFC);
    r.key.Chip().LoadFuse(0xABC);
    for (int a = 0; a < 512; ++a)
        r.key.Chip().LoadCode(a, Pattern(a));
    for (int i = 0; i < 16; ++i)
        r.key.Chip().LoadId(i, uint16_t(0xFF0 + i));
    // What an earlier program left there must not survive the read.
    for (int a = 0; a < kCodeWords; ++a)
        r.record->transfer[a] = 0x8123;

    r.device.ReadChip(kReadingText);
    auto ex = Exchanges(r.TakeRequests());
    ASSERT_EQ(Commands(ex), (std::vector<uint8_t>{3, 4, 0}));
    EXPECT_EQ(ex[0].bytes, (Bytes{3, 3, 128, 128, 128, 128, 16, 0}));
    const ProgramImage& t = r.record->transfer;
    EXPECT_EQ(t.Fusex(), 0xBFC);
    EXPECT_EQ(t.Fuse(), 0xABC);
    for (int a = 0; a < 512; ++a)
        ASSERT_EQ(t[a], Pattern(a));
    for (int a = 512; a < kCodeWords; ++a)
        ASSERT_EQ(t[a], kUnwritten) << a;
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(t[kIdIndex + i], 0xFF0 + i);
    EXPECT_EQ(r.record->deviceFamily, 0);
    EXPECT_EQ(r.progress.shown, std::vector<std::string>{"Reading..."});
    EXPECT_EQ(r.progress.steps, 32);
    EXPECT_EQ(r.progress.closes, 1);
    EXPECT_EQ(Chip(r).ResetCount(), 1);
    EXPECT_FALSE(r.link.PortOpen());
}

TEST(ReadChip, AFamily1ChipReadWhileAssembledIsFamily0Reads4096Words) {
    ChipRig r(0);
    r.key.Chip().SetFamily(1);
    for (int a = 0; a < 4096; ++a)
        r.key.Chip().LoadCode(a, Pattern(a));
    r.device.ReadChip(kReadingText);
    EXPECT_EQ(r.record->deviceFamily, 1) << "the device code decides";
    auto ex = Exchanges(r.TakeRequests());
    ASSERT_FALSE(ex.empty());
    EXPECT_EQ(ex[0].bytes.size(), 1u + 1 + 32 + 1 + 1) << "3, then 32 requests of 128, 16, 0";
    for (int a = 0; a < 4096; ++a)
        ASSERT_EQ(r.record->transfer[a], Pattern(a)) << a;
    EXPECT_EQ(r.device.geometry.memorySize, 4096);
    EXPECT_EQ(r.progress.steps, 32);
}

TEST(ReadChip, AReadCutShortKeepsTheFamilyOfTheImage) {
    ChipRig r(0);
    r.key.Chip().SetFamily(1);
    r.key.faults.statusOn = 5; // the read start, then the 3-word request, then a block
    r.key.faults.statusValue = 2;
    ExpectLinkError(
        r.link, r.prompter, [&] { r.device.ReadChip(kReadingText); }, "Chip connection failed");
    EXPECT_EQ(r.record->deviceFamily, 0);
    EXPECT_EQ(r.progress.closes, 1);
    EXPECT_EQ(Chip(r).ResetCount(), 0);
}

TEST(VerifyChip, AProgrammedChipVerifiesWhateverTheTrim) {
    for (IrcSetting setting : {IrcSetting::Slowest, IrcSetting::Fastest, IrcSetting::FourMHz}) {
        for (int family : {0, 1}) {
            ChipRig r(family);
            r.irc.setting = setting;
            r.SetImage(0xFFF, 0xFFA, Pattern);
            r.device.ProgramChip(false);
            VerifyResult v = r.device.VerifyChip();
            EXPECT_TRUE(v.Ok()) << "family " << family << ": " << v.area;
            ASSERT_FALSE(r.prompter.messages.empty());
            const auto& m = r.prompter.messages.back();
            EXPECT_EQ(m.text, "Device verified OK");
            EXPECT_EQ(m.icon, PromptIcon::Information);
            EXPECT_EQ(r.progress.shown.back(), "Verifying...");
            EXPECT_EQ(r.record->deviceFamily, family);
        }
    }
    // A chip differing from the image in nothing but the trim bits.
    ChipRig r;
    r.SetImage(0xFFF, 0xFFA, Pattern);
    r.device.ProgramChip(false);
    r.key.Chip().LoadFusex(uint16_t(Chip(r).Fusex() & ~0xB00));
    EXPECT_TRUE(r.device.VerifyChip().Ok());
}

TEST(VerifyChip, TheFirstAreaThatDiffersIsReported) {
    struct Case {
        int family;
        std::function<void(VirtualChip&)> spoil;
        const char* area;
    };
    const std::vector<Case> cases = {
        {0, [](VirtualChip& c) { c.LoadFusex(c.Fusex() ^ 0x400); }, "Device"},
        {0, [](VirtualChip& c) { c.LoadFuse(c.Fuse() ^ 0x020); }, "Oscillator"},
        {0, [](VirtualChip& c) { c.LoadFuse(c.Fuse() ^ 0x800); }, "Options"},
        {0, [](VirtualChip& c) { c.LoadFusex(c.Fusex() ^ 0x080); }, "Options"},
        {0, [](VirtualChip& c) { c.LoadFusex(c.Fusex() ^ 0x010); }, "Brownout"},
        {0, [](VirtualChip& c) { c.LoadId(15, 0x123); }, "ID"},
        {0, [](VirtualChip& c) { c.LoadCode(2047, 0x000); }, "E\u00B2Flash"},
        {1, [](VirtualChip& c) { c.LoadFuse(c.Fuse() ^ 0x010); }, "Oscillator"},
        {1, [](VirtualChip& c) { c.LoadFusex(c.Fusex() ^ 0x400); }, "Options"},
        {1, [](VirtualChip& c) { c.LoadFuse(c.Fuse() ^ 0x400); }, "Options"},
        {1, [](VirtualChip& c) { c.LoadFusex(c.Fusex() ^ 0x001); }, "Reset Timer"},
        {1, [](VirtualChip& c) { c.LoadFusex(c.Fusex() ^ 0x020); }, "Brownout"},
        {1, [](VirtualChip& c) { c.LoadCode(4095, 0x000); }, "E\u00B2Flash"},
    };
    for (const Case& k : cases) {
        ChipRig r(k.family);
        r.SetImage(0xFFF, 0xFFA, Pattern);
        r.device.ProgramChip(false);
        k.spoil(r.key.Chip());
        VerifyResult v = r.device.VerifyChip();
        EXPECT_EQ(v.area, k.area) << "family " << k.family;
        EXPECT_EQ(r.prompter.messages.back().text, std::string("Verify failed at ") + k.area);
        EXPECT_EQ(r.prompter.messages.back().icon, PromptIcon::Warning);
        EXPECT_EQ(v.differing, 1);
    }
}

TEST(VerifyChip, Family0ComparesTheMemorySizeOfTheImageOnly) {
    ChipRig r;
    r.SetImage(0xBFD, 0xFFA, Pattern); // 1024 words
    r.device.ProgramChip(false);
    EXPECT_TRUE(r.device.VerifyChip().Ok()) << "words past 1024 are not compared";

    r.key.Chip().LoadCode(1023, 0x000);
    r.key.Chip().LoadCode(100, 0x000);
    VerifyResult v = r.device.VerifyChip();
    EXPECT_EQ(v.area, "E\u00B2Flash");
    ASSERT_EQ(v.differences.size(), 2u);
    EXPECT_EQ(v.differences[0].what, "064");
    EXPECT_EQ(v.differences[0].expected, Pattern(100));
    EXPECT_EQ(v.differences[0].actual, 0x000);
    EXPECT_EQ(v.differences[1].what, "3FF");
}

TEST(VerifyChip, Family1DeviceAreaIsTheDeviceChoice) {
    ChipRig r(1);
    r.SetImage(0xFFF, 0xFFA, Pattern);
    r.device.ProgramChip(false);
    EXPECT_EQ(r.device.VerifyChip(false).area, "Device") << "the window shows SX18 or SX28";
    EXPECT_EQ(r.record->deviceFamily, 1) << "a verify loads nothing";
    EXPECT_TRUE(r.device.VerifyChip(true).Ok());

    // Without a window the image's family stands for the choice.
    ChipRig other(0);
    other.key.Chip().SetFamily(1);
    EXPECT_EQ(other.device.VerifyChip().area, "Device");
    EXPECT_EQ(other.record->deviceFamily, 0) << "still the family-0 image's";
}

TEST(VerifyChip, ManyDifferencesAreCountedAndTheFirstFewKept) {
    ChipRig r;
    r.SetImage(0xFFF, 0xFFA, Pattern);
    r.device.ProgramChip(false);
    for (int a = 0; a < 100; ++a)
        r.key.Chip().LoadCode(a * 3, 0);
    VerifyResult v = r.device.VerifyChip();
    EXPECT_EQ(v.differing, 100);
    EXPECT_EQ(v.differences.size(), kVerifyDifferencesKept);
    EXPECT_EQ(v.differences[1].what, "003");
}
