// The device window's model: the configuration words behind its controls, what it shows of
// an image, image files with the read-only state, and its chip buttons on the virtual key.
#include <filesystem>
#include <fstream>
#include <sstream>

#include "link/ChipTestSupport.h"
#include "link/DeviceSettings.h"
#include "target/HexText.h"
#include "target/ImageFile.h"

using namespace pellix;
using namespace pellix::test;
namespace fs = std::filesystem;

namespace {

struct SettingsRig : ChipRig {
    explicit SettingsRig(int family = 0) : ChipRig(family) { model.ShowDevice(false); }
    DeviceSettings model{*record, prompter, &device};

    void Load(int family, uint16_t fusex, uint16_t fuse) {
        record->deviceFamily = uint8_t(family);
        record->assembled.Fusex() = fusex;
        record->assembled.Fuse() = fuse;
        model.Fill();
    }
    uint16_t Fuse() const { return record->assembled.Fuse(); }
    uint16_t Fusex() const { return record->assembled.Fusex(); }
};

class TempDir {
public:
    TempDir() {
        path_ = fs::temp_directory_path() /
                ("pellix-device-" + std::to_string(::getpid()) + "-" +
                 testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(path_);
        fs::create_directories(path_);
    }
    ~TempDir() { fs::remove_all(path_); }
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }

private:
    fs::path path_;
};

std::string Slurp(const std::string& name) {
    std::ifstream in(name, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// An image file of `record`'s `assembled`.
void WriteImage(AssemblyRecord& record, const std::string& name) {
    ASSERT_TRUE(WriteHex(record));
    std::ofstream(name, std::ios::binary) << record.debug.ListingText();
}

const DeviceBox kAllBoxes[] = {DeviceBox::Turbo,      DeviceBox::StackOption, DeviceBox::Carry,
                               DeviceBox::Sync,       DeviceBox::Watchdog,    DeviceBox::Protect,
                               DeviceBox::SleepClock, DeviceBox::Drive,       DeviceBox::Feedback};

} // namespace

TEST(DeviceSettings, TheClearedImageIsItsOwnCanonicalForm) {
    SettingsRig r;
    EXPECT_EQ(r.model.Item(DeviceGroup::Device), 0);
    EXPECT_EQ(r.model.Item(DeviceGroup::Oscillator), 0) << "Crystal - HS3";
    EXPECT_EQ(r.model.Item(DeviceGroup::Brownout), 0) << "Off";
    EXPECT_EQ(r.model.Item(DeviceGroup::ResetTimer), -1) << "no reset timer on family 0";
    for (DeviceBox b : kAllBoxes) {
        bool ticked = b == DeviceBox::Feedback || b == DeviceBox::Drive;
        EXPECT_EQ(r.model.Checked(b), ticked) << BoxText(b).objectName;
    }
    EXPECT_EQ(r.Fuse(), 0xFFA) << "0xE2 + 8 + 1024 + 2048 + 0x310";
    EXPECT_EQ(r.Fusex(), 0xBFF);
    EXPECT_EQ(r.record->deviceFamily, 0);
}

TEST(DeviceSettings, Family0Formulas) {
    SettingsRig r;
    r.model.ChooseItem(DeviceGroup::Device, 1);
    EXPECT_EQ(r.Fusex(), 0xFFF) << "SX28, Off, Carry and Stack unticked: 0x403+0x30+64+128+0xB0C";
    r.model.SetChecked(DeviceBox::Carry, true);
    r.model.SetChecked(DeviceBox::StackOption, true);
    r.model.ChooseItem(DeviceGroup::Brownout, 2); // 2.6V
    EXPECT_EQ(r.Fusex(), 0x403 + 0x10 + 0xB0C);
    r.model.SetChecked(DeviceBox::Watchdog, true);
    r.model.SetChecked(DeviceBox::Protect, true);
    r.model.SetChecked(DeviceBox::Sync, true);
    r.model.SetChecked(DeviceBox::Turbo, true);
    r.model.SetChecked(DeviceBox::Feedback, false);
    EXPECT_EQ(r.Fuse(), 0xE2 + 4 - 64 + 0x310);
    r.model.ChooseItem(DeviceGroup::Oscillator, 8); // Internal 4MHz: no feedback to take off
    EXPECT_FALSE(r.model.Enabled(DeviceBox::Feedback));
    EXPECT_EQ(r.Fuse(), 0x03 + 4 + 0x310);
}

TEST(DeviceSettings, Family1Formulas) {
    SettingsRig r;
    r.model.ChooseItem(DeviceGroup::Device, 2);
    EXPECT_EQ(r.record->deviceFamily, 1);
    EXPECT_EQ(r.model.Item(DeviceGroup::ResetTimer), 0) << "FUSEX bits 0-1 were 3: 18 ms";
    // HS3 with Drive and Feedback ticked, every option box unticked.
    EXPECT_EQ(r.Fuse(), 0xF2 + 8 + 1024 + 0xB00);
    EXPECT_EQ(r.Fusex(), 0x3 + 0x30 + 64 + 1024 + 0xB8C);
    r.model.SetChecked(DeviceBox::Drive, false);
    r.model.SetChecked(DeviceBox::Feedback, false);
    EXPECT_EQ(r.Fuse(), 0xF2 - 16 - 64 + 8 + 1024 + 0xB00);
    r.model.ChooseItem(DeviceGroup::ResetTimer, 3); // 60 us
    r.model.ChooseItem(DeviceGroup::Brownout, 3);   // 2.2V
    r.model.SetChecked(DeviceBox::SleepClock, true);
    r.model.SetChecked(DeviceBox::Carry, true);
    EXPECT_EQ(r.Fusex(), 0x2 + 0x10 + 0xB8C);
    r.model.ChooseItem(DeviceGroup::Oscillator, 7); // External RC
    EXPECT_FALSE(r.model.Enabled(DeviceBox::Drive));
    EXPECT_FALSE(r.model.Enabled(DeviceBox::Feedback));
    EXPECT_EQ(r.Fuse() & 0xF3, 0xF3) << "disabled boxes take nothing off";
}

TEST(DeviceSettings, SwitchingToSX48RemembersTurboAndStack) {
    SettingsRig r;
    r.model.SetChecked(DeviceBox::Turbo, true);
    r.model.SetChecked(DeviceBox::StackOption, false);
    r.model.ChooseItem(DeviceGroup::Device, 2);
    EXPECT_TRUE(r.model.Checked(DeviceBox::Turbo));
    EXPECT_TRUE(r.model.Checked(DeviceBox::StackOption));
    EXPECT_FALSE(r.model.Enabled(DeviceBox::Turbo));
    EXPECT_FALSE(r.model.Enabled(DeviceBox::StackOption));
    EXPECT_TRUE(r.model.Enabled(DeviceBox::SleepClock));
    EXPECT_TRUE(r.model.Enabled(DeviceGroup::ResetTimer));
    r.model.SetChecked(DeviceBox::Turbo, false);
    EXPECT_TRUE(r.model.Checked(DeviceBox::Turbo)) << "a disabled box does not change";
    r.model.ChooseItem(DeviceGroup::Device, 1);
    EXPECT_TRUE(r.model.Checked(DeviceBox::Turbo));
    EXPECT_FALSE(r.model.Checked(DeviceBox::StackOption)) << "restored";
    EXPECT_FALSE(r.model.Enabled(DeviceBox::SleepClock));
    EXPECT_FALSE(r.model.Enabled(DeviceGroup::ResetTimer));
    EXPECT_EQ(r.Fuse() & 0x800, 0) << "Turbo ticked again";
    EXPECT_EQ(r.Fusex() & 0x080, 0x080);
}

TEST(DeviceSettings, EveryItemReadsBackFromTheWordsItWrites) {
    for (int family : {0, 1}) {
        for (int osc = 0; osc < 12; ++osc) {
            SettingsRig r;
            r.model.ChooseItem(DeviceGroup::Device, family == 1 ? 2 : 1);
            r.model.ChooseItem(DeviceGroup::Oscillator, osc);
            for (bool drive : {false, true})
                for (bool feedback : {false, true}) {
                    r.model.SetChecked(DeviceBox::Drive, drive);
                    r.model.SetChecked(DeviceBox::Feedback, feedback);
                    uint16_t fuse = r.Fuse(), fusex = r.Fusex();
                    r.model.Fill();
                    EXPECT_EQ(r.model.Item(DeviceGroup::Oscillator), osc)
                        << "family " << family << " FUSE " << std::hex << fuse;
                    EXPECT_EQ(r.Fuse(), fuse) << "family " << family << " item " << osc;
                    EXPECT_EQ(r.Fusex(), fusex);
                }
        }
        for (int item = 0; item < 4; ++item) {
            SettingsRig r;
            r.model.ChooseItem(DeviceGroup::Device, family == 1 ? 2 : 0);
            r.model.ChooseItem(DeviceGroup::Brownout, item);
            if (family == 1) r.model.ChooseItem(DeviceGroup::ResetTimer, item);
            uint16_t fusex = r.Fusex();
            r.model.Fill();
            EXPECT_EQ(r.model.Item(DeviceGroup::Brownout), item) << family;
            if (family == 1) {
                EXPECT_EQ(r.model.Item(DeviceGroup::ResetTimer), item);
            }
            EXPECT_EQ(r.Fusex(), fusex);
        }
    }
}

TEST(DeviceSettings, AnOscillatorPatternWithoutAnItemKeepsTheImagesBits) {
    SettingsRig r;
    // Family 0 bits 7-5 = 000 with bits 1-0 = 01: no item.
    r.Load(0, 0xBFF, 0xF19);
    EXPECT_EQ(r.model.Item(DeviceGroup::Oscillator), -1);
    EXPECT_EQ(r.Fuse() & 0x0E3, 0x001) << "the oscillator bits stay";
    EXPECT_EQ(r.Fuse(), 0xF19) << "and so does everything else of that FUSE";
    EXPECT_FALSE(r.model.Enabled(DeviceBox::Feedback)) << "no crystal chosen";
    r.model.SetChecked(DeviceBox::Watchdog, false);
    EXPECT_EQ(r.Fuse() & 0x0E3, 0x001) << "other changes keep them too";
    r.model.ChooseItem(DeviceGroup::Oscillator, 3);
    EXPECT_TRUE(r.model.Enabled(DeviceBox::Feedback));
    EXPECT_EQ(r.Fuse() & 0x0E3, 0x0C3 - 64) << "XT2, and the image had feedback off";

    // Family 1: bits 7-4 = 0001, 1-0 = 00 has no item either.
    r.Load(1, 0xFFF, 0xF10);
    EXPECT_EQ(r.model.Item(DeviceGroup::Oscillator), -1);
    EXPECT_EQ(r.Fuse() & 0x0F3, 0x010);
    EXPECT_FALSE(r.model.Enabled(DeviceBox::Drive));
}

TEST(DeviceSettings, FillingFromFamily1Words) {
    SettingsRig r;
    // Drive off, feedback on, HS1; 960 ms, 2.2V, carry, sleep clock.
    r.Load(1, 0x011 | 0xB8C, 0x0E0 | 0x8 | 0x400 | 0xB00);
    EXPECT_EQ(r.model.Item(DeviceGroup::Device), 2);
    EXPECT_EQ(r.model.Item(DeviceGroup::Oscillator), 2);
    EXPECT_FALSE(r.model.Checked(DeviceBox::Drive));
    EXPECT_TRUE(r.model.Checked(DeviceBox::Feedback));
    EXPECT_EQ(r.model.Item(DeviceGroup::ResetTimer), 1);
    EXPECT_EQ(r.model.Item(DeviceGroup::Brownout), 3);
    EXPECT_TRUE(r.model.Checked(DeviceBox::Carry));
    EXPECT_TRUE(r.model.Checked(DeviceBox::SleepClock));
    EXPECT_TRUE(r.model.Checked(DeviceBox::Turbo));
    EXPECT_TRUE(r.model.Checked(DeviceBox::StackOption));
    EXPECT_EQ(r.Fusex(), 0x011 | 0xB8C);
    EXPECT_EQ(r.Fuse(), 0x0E0 | 0x8 | 0x400 | 0xB00);
    r.model.ChooseItem(DeviceGroup::Device, 0);
    EXPECT_FALSE(r.model.Checked(DeviceBox::Turbo)) << "FUSE bit 11 set: turbo off";
}

TEST(DeviceSettings, IdTextDumpAndScrollRange) {
    SettingsRig r;
    r.record->assembled.SetId("AB");
    for (int a = 0; a < 16; ++a)
        r.record->assembled[a] = uint16_t(0x8000 | (a * 0x111));
    r.record->assembled[4095] = 0x0ABC;
    r.model.Fill();
    EXPECT_EQ(r.model.IdText(), "AB");
    EXPECT_EQ(r.model.DumpRow(0), "000- 000 111 222 333 444 555 666 777") << "marks not shown";
    EXPECT_EQ(r.model.DumpRow(1), "008- 888 999 AAA BBB CCC DDD EEE FFF");
    EXPECT_EQ(r.model.DumpRow(511), "FF8- FFF FFF FFF FFF FFF FFF FFF ABC");
    EXPECT_EQ(r.model.ScrollMax(), 2048 / 8 - 8);
    r.model.SetScrollPosition(1000);
    EXPECT_EQ(r.model.ScrollPosition(), 248);
    EXPECT_EQ(r.model.VisibleRows()[7], r.model.DumpRow(255));
    r.model.ChooseItem(DeviceGroup::Device, 2);
    EXPECT_EQ(r.model.ScrollMax(), 4096 / 8 - 8);
    r.model.SetScrollPosition(504);
    EXPECT_EQ(r.model.VisibleRows()[7], r.model.DumpRow(511));
    r.model.ChooseItem(DeviceGroup::Device, 0);
    EXPECT_EQ(r.model.ScrollPosition(), 248) << "kept within the smaller range";

    // Eight characters at most; a character 0xFF ends the text.
    r.record->assembled.SetId("12345678");
    r.model.Fill();
    EXPECT_EQ(r.model.IdText(), "12345678");
    EXPECT_EQ(r.model.ScrollPosition(), 0);
    r.record->assembled[kIdIndex + 6] = 0xFFF;
    r.record->assembled[kIdIndex + 7] = 0xFFF;
    r.model.Fill();
    EXPECT_EQ(r.model.IdText(), "123");
}

TEST(DeviceSettings, Hints) {
    SettingsRig r;
    EXPECT_EQ(r.model.ItemHint(DeviceGroup::Brownout, 0), "Don't specify brownout setting|");
    EXPECT_EQ(r.model.ItemHint(DeviceGroup::Brownout, 1), "Use  DEVICE BOR42|");
    EXPECT_EQ(r.model.ItemHint(DeviceGroup::Oscillator, 11), "Use  DEVICE OSC32KHZ|");
    EXPECT_EQ(r.model.ItemHint(DeviceGroup::Device, 2), "Use  DEVICE SX48  -or-  DEVICE SX52|");
    EXPECT_EQ(r.model.ItemHint(DeviceGroup::ResetTimer, 3), "Use  DEVICE DRT60US|");
    EXPECT_EQ(r.model.ItemHint(DeviceGroup::ResetTimer, 4), "");
    EXPECT_EQ(r.model.BoxHint(DeviceBox::SleepClock), "Use  DEVICE SLEEPCLOCK");
    EXPECT_EQ(r.model.BoxHint(DeviceBox::StackOption), "Use  DEVICE STACKX_OPTIONX");
    EXPECT_EQ(r.model.BoxHint(DeviceBox::Drive), "Use  DEVICE DRIVEOFF  -or-  DEVICE XTLBUFD");
    EXPECT_EQ(r.model.BoxHint(DeviceBox::Feedback), "Use  DEVICE FEEDBACKOFF  -or-  DEVICE IFBD");
    r.model.ShowDevice(true);
    EXPECT_EQ(r.model.ItemHint(DeviceGroup::ResetTimer, 0), "Use  DEVICE WDRT184|");
    EXPECT_EQ(r.model.ItemHint(DeviceGroup::ResetTimer, 3), "Use  DEVICE WDRT006|");
    EXPECT_EQ(r.model.BoxHint(DeviceBox::SleepClock), "Use  DEVICE SLEEPCLK");
    EXPECT_EQ(r.model.BoxHint(DeviceBox::StackOption), "Use  DEVICE STACKX  -or-  DEVICE OPTIONX");
    EXPECT_EQ(r.model.BoxHint(DeviceBox::Drive), "Use  DEVICE XTLBUFD");
    EXPECT_EQ(r.model.BoxHint(DeviceBox::Feedback), "Use  DEVICE IFBD");
    EXPECT_EQ(ItemHints("*A*!B c*"), (std::vector<std::string>{"Use  DEVICE A|", "B c|"}));
    EXPECT_TRUE(ItemHints("").empty());
    EXPECT_EQ(GroupText(DeviceGroup::Oscillator).items.size(), 12u);
    EXPECT_STREQ(GroupText(DeviceGroup::ResetTimer).caption, "Reset &Timer");
}

TEST(DeviceImageFiles, LoadingReadOnlyAndBack) {
    TempDir dir;
    SettingsRig r;
    r.record->assembled.SetId("RO");
    r.record->assembled[5] = 0x8123;
    std::string image = dir / "ro.sxh";
    WriteImage(*r.record, image);
    r.record->assembled[5] = 0x0FFF;

    ASSERT_TRUE(r.model.LoadImageFile(image, true));
    EXPECT_TRUE(r.model.ReadOnly());
    EXPECT_EQ(r.model.Caption(), "Device : EEPROM Image READ ONLY");
    EXPECT_EQ(r.model.FileName(), image);
    EXPECT_EQ(r.record->assembled.Code(5), 0x123);
    EXPECT_EQ(r.model.IdText(), "RO");
    for (DeviceBox b : kAllBoxes)
        EXPECT_FALSE(r.model.Enabled(b));
    for (DeviceGroup g : {DeviceGroup::Device, DeviceGroup::Oscillator, DeviceGroup::Brownout})
        EXPECT_FALSE(r.model.Enabled(g));
    EXPECT_FALSE(r.model.Enabled(DeviceButton::LoadHex));
    EXPECT_FALSE(r.model.Enabled(DeviceButton::Read));
    for (DeviceButton b :
         {DeviceButton::Program, DeviceButton::Verify, DeviceButton::Cancel, DeviceButton::SaveHex})
        EXPECT_TRUE(r.model.Enabled(b));
    uint16_t fuse = r.Fuse();
    r.model.SetChecked(DeviceBox::Watchdog, true);
    r.model.ChooseItem(DeviceGroup::Device, 2);
    EXPECT_EQ(r.Fuse(), fuse) << "nothing of a read-only image changes";
    EXPECT_EQ(r.record->deviceFamily, 0);

    // A bad file: its message, and everything as it was, the read-only state included.
    std::string bad = dir / "bad.sxh";
    std::ofstream(bad) << ":0200000001FF00\r\n";
    EXPECT_FALSE(r.model.LoadImageFile(bad, false));
    ASSERT_EQ(r.prompter.messages.size(), 1u);
    EXPECT_EQ(r.prompter.messages[0].text, "ERROR! Hex violation was encountered in file.");
    EXPECT_EQ(r.prompter.messages[0].buttons, PromptButtons::Abort);
    EXPECT_TRUE(r.model.ReadOnly());
    EXPECT_EQ(r.model.FileName(), image);
    EXPECT_EQ(r.record->assembled.Code(5), 0x123);

    EXPECT_FALSE(r.model.LoadImageFile(dir / "missing.sxh", false));
    EXPECT_EQ(r.prompter.messages.back().text, "Unable to read " + (dir / "missing.sxh"));
    // A file without a word is no image to program.
    std::string empty = dir / "empty.sxh";
    std::ofstream(empty) << ":00000001FF\r\n";
    EXPECT_FALSE(r.model.LoadImageFile(empty, false));
    EXPECT_EQ(r.prompter.messages.back().text, kImageHoldsNoWords);
    EXPECT_EQ(r.prompter.messages.back().buttons, PromptButtons::Abort);
    EXPECT_EQ(r.record->assembled.Code(5), 0x123);

    // An assembly makes the window writable again.
    r.model.AfterAssembly();
    EXPECT_FALSE(r.model.ReadOnly());
    EXPECT_EQ(r.model.Caption(), "Device");
    EXPECT_TRUE(r.model.Enabled(DeviceButton::Read));
}

TEST(DeviceImageFiles, LoadHexThroughTheDialogTakesTheFamilyFromWord4095) {
    TempDir dir;
    SettingsRig r(1);
    r.record->deviceFamily = 1;
    r.record->ClearImage();
    r.record->assembled[4095] = 0x8A00;
    std::string image = dir / "big.sxh";
    WriteImage(*r.record, image);
    r.record->deviceFamily = 0;
    r.record->ClearImage();
    r.model.Fill();

    r.prompter.AnswerFile(image);
    ASSERT_TRUE(r.model.LoadHex());
    ASSERT_EQ(r.prompter.dialogs.size(), 1u);
    EXPECT_EQ(r.prompter.dialogs[0].caption, "Load Hex");
    EXPECT_EQ(r.prompter.dialogs[0].filter, "SX Hex File (*.SXH)|*.SXH");
    EXPECT_EQ(r.prompter.dialogs[0].defaultExtension, "SXH");
    EXPECT_EQ(r.record->deviceFamily, 1);
    EXPECT_EQ(r.model.Item(DeviceGroup::Device), 2);
    EXPECT_FALSE(r.model.ReadOnly());
    EXPECT_FALSE(r.model.LoadHex()) << "a cancelled dialog loads nothing";
}

TEST(DeviceImageFiles, SaveHexRules) {
    TempDir dir;
    SettingsRig r;
    r.record->assembled[7] = 0x8456;
    std::string image = dir / "Prog.SXH";
    WriteImage(*r.record, image);
    ASSERT_TRUE(r.model.LoadImageFile(image, true));
    std::string original = Slurp(image);

    // Read-only: told first, then its own name (in any case) is refused.
    r.prompter.AnswerFile(dir / "prog.sxh");
    EXPECT_FALSE(r.model.SaveHex());
    ASSERT_EQ(r.prompter.messages.size(), 2u);
    EXPECT_EQ(r.prompter.messages[0].text,
              "This is a READ ONLY EEPROM image and must be saved under a different name.");
    EXPECT_EQ(r.prompter.messages[1].text, "Choose a different name to save the READ ONLY file:");
    EXPECT_EQ(r.prompter.dialogs.back().caption, "Save Hex");
    EXPECT_EQ(r.prompter.dialogs.back().directory, fs::path(image).parent_path().string());
    EXPECT_EQ(r.prompter.dialogs.back().filter, "SX Hex File (*.SXH)|*.SXH;*.OBJ;*.HEX");
    EXPECT_EQ(Slurp(image), original);
    // The same file by another path is the same file.
    r.prompter.AnswerFile(dir / "./Prog.SXH");
    EXPECT_FALSE(r.model.SaveHex());
    EXPECT_EQ(r.prompter.messages.back().text,
              "Choose a different name to save the READ ONLY file:");

    std::string copy = dir / "copy.sxh";
    r.prompter.AnswerFile(copy);
    EXPECT_TRUE(r.model.SaveHex());
    EXPECT_EQ(Slurp(copy), original);

    // An existing file only on Yes.
    r.prompter.messages.clear();
    std::ofstream(copy) << "old";
    r.prompter.AnswerFile(copy);
    r.prompter.Answer(PromptAnswer::Ok); // the read-only notice
    r.prompter.Answer(PromptAnswer::No); // overwrite?
    EXPECT_FALSE(r.model.SaveHex());
    EXPECT_EQ(r.prompter.messages.back().text, "OK to overwrite " + copy);
    EXPECT_EQ(r.prompter.messages.back().buttons, PromptButtons::YesNoCancel);
    EXPECT_EQ(Slurp(copy), "old");
    r.prompter.AnswerFile(copy);
    r.prompter.Answer(PromptAnswer::Ok);
    r.prompter.Answer(PromptAnswer::Cancel);
    EXPECT_FALSE(r.model.SaveHex());
    EXPECT_EQ(Slurp(copy), "old");
    r.prompter.AnswerFile(copy);
    r.prompter.Answer(PromptAnswer::Ok);
    r.prompter.Answer(PromptAnswer::Yes);
    EXPECT_TRUE(r.model.SaveHex());
    EXPECT_EQ(Slurp(copy), original);

    // Writable: no notice, and its own name may be used.
    r.model.AfterAssembly();
    r.prompter.messages.clear();
    r.prompter.AnswerFile(image);
    EXPECT_TRUE(r.model.SaveHex()) << "the overwrite question is answered Yes by default";
    ASSERT_EQ(r.prompter.messages.size(), 1u);
    EXPECT_EQ(r.prompter.messages[0].text, "OK to overwrite " + image);
    EXPECT_FALSE(fs::exists(image + ".tmp"));

    // A file that cannot be written is reported and leaves nothing behind.
    r.prompter.AnswerFile(dir / "no-such-dir/x.sxh");
    EXPECT_FALSE(r.model.SaveHex());
    EXPECT_EQ(r.prompter.messages.back().icon, PromptIcon::Error);
}

TEST(DeviceButtons, ProgramVerifyAndReadThroughTheModel) {
    SettingsRig r;
    r.record->assembled[0] = 0x8C01;
    r.record->assembled.SetId("DEV");
    r.model.Fill();
    r.model.ChooseItem(DeviceGroup::Device, 1);
    r.record->transfer.Clear(0); // the button copies `assembled` itself
    r.model.Program();
    EXPECT_EQ(r.key.Chip().Code(0), 0xC01);
    EXPECT_TRUE(r.model.Verify().Ok());
    EXPECT_EQ(r.prompter.messages.back().text, "Device verified OK");

    // Read replaces the image with the chip's and shows it.
    r.key.Chip().LoadCode(1, 0x0AB);
    r.record->assembled[0] = 0x0FFF;
    r.model.Read();
    EXPECT_EQ(r.record->assembled.Code(0), 0xC01);
    EXPECT_EQ(r.record->assembled.Code(1), 0x0AB);
    EXPECT_EQ(r.model.DumpRow(0).substr(0, 13), "000- C01 0AB ");
    EXPECT_EQ(r.model.IdText(), "DEV");
    EXPECT_EQ(r.progress.shown.back(), "Reading...");

    // An SX48/52 on the board while the window shows an SX28.
    r.key.Chip().SetFamily(1);
    EXPECT_EQ(r.model.Verify().area, "Device");
    EXPECT_EQ(r.record->deviceFamily, 0) << "the window's family stays";
    r.model.Read();
    EXPECT_EQ(r.model.Item(DeviceGroup::Device), 2) << "after Read the window shows the chip";
}
