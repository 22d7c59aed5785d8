#include "link/DeviceSettings.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/FileIo.h"
#include "target/HexText.h"
#include "target/ImageFile.h"
#include "target/MemoryGeometry.h"

namespace pellix {

namespace {

namespace fs = std::filesystem;

constexpr char kInformationCaption[] = "Information";
constexpr char kWarningCaption[] = "Warning";
constexpr char kConfirmCaption[] = "Confirm";
constexpr char kErrorCaption[] = "Error";

constexpr const char* kDeviceItems[] = {"SX18", "SX28", "SX48/52"};
constexpr const char* kOscItems[] = {"Crystal - HS3", "Crystal - HS2",   "Crystal - HS1",
                                     "Crystal - XT2", "Crystal - XT1",   "Crystal - LP2",
                                     "Crystal - LP1", "External RC",     "Internal 4MHz",
                                     "Internal 1MHz", "Internal 128KHz", "Internal 32KHz"};
constexpr const char* kResetItems[] = {"18 ms", "960 ms", "60 ms", "60 us"};
constexpr const char* kBrownoutItems[] = {"Off", "4.2V", "2.6V", "2.2V"};

constexpr DeviceGroupText kGroups[kDeviceGroups] = {
    {"DeviceRadioGroup", "&Device", kDeviceItems},
    {"OscRadioGroup", "&Oscillator", kOscItems},
    {"ResetRadioGroup", "Reset &Timer", kResetItems},
    {"BrownoutRadioGroup", "&Brownout", kBrownoutItems},
};
constexpr DeviceControlText kBoxes[kDeviceBoxes] = {
    {"TurboCheckBox", "Turbo Mode"},          {"StackOPTIONCheckBox", "Stack + OPTION"},
    {"CarryCheckBox", "ADD/SUB with C"},      {"SyncCheckBox", "Input Syncing"},
    {"WatchdogCheckBox", "Watchdog Timer"},   {"ProtectCheckBox", "Code Protect"},
    {"SleepClockCheckBox", "Sleep Clock"},    {"DriveCheckBox", "Crystal Drive"},
    {"FeedbackCheckBox", "Crystal Feedback"},
};
constexpr DeviceControlText kButtons[kDeviceButtons] = {
    {"LoadHexButton", "&Load Hex"}, {"SaveHexButton", "&Save Hex"}, {"ProgramButton", "&Program"},
    {"VerifyButton", "&Verify"},    {"ReadButton", "&Read"},        {"CancelButton", "&Cancel"},
};

constexpr int kCrystalItems = 7; // items 0 to 6 are crystals

// Oscillator bits written for each item.
constexpr uint16_t kOscBits[2][12] = {
    {0xE2, 0xE1, 0xE0, 0xC3, 0xC2, 0xC1, 0xC0, 0xE3, 0x03, 0x23, 0x43, 0x63},
    {0xF2, 0xF1, 0xF0, 0xD3, 0xD2, 0xD1, 0xD0, 0xF3, 0x13, 0x33, 0x53, 0x73},
};
// The FUSE bits the oscillator items are told apart by.
constexpr uint16_t kOscMask[2] = {0x0E3, 0x0F3};
constexpr uint16_t kDeviceBits[2] = {0x003, 0x403};
constexpr uint16_t kBrownoutBits[2][4] = {{0x30, 0x00, 0x10, 0x20}, {0x30, 0x00, 0x20, 0x10}};
constexpr uint16_t kResetBits[4] = {0x3, 0x1, 0x0, 0x2};

// Item from FUSE: family 0 by ((FUSE >> 5) & 7) * 4 + (FUSE & 3).
constexpr int8_t kOscOfFuse0[32] = {-1, -1, -1, 8, -1, -1, -1, 9,  -1, -1, -1, 10, -1, -1, -1, 11,
                                    6,  5,  4,  3, 2,  1,  0,  -1, 6,  5,  4,  3,  2,  1,  0,  7};
// Family 1 by ((FUSE & 0xF0) / 4) + (FUSE & 3).
constexpr std::array<int8_t, 64> OscOfFuse1() {
    std::array<int8_t, 64> t{};
    for (auto& v : t)
        v = -1;
    t[7] = 8;
    t[15] = 9;
    t[23] = 10;
    t[31] = 11;
    constexpr int8_t kRun[11] = {6, 5, 4, 3, 6, 5, 4, 3, 2, 1, 0};
    for (int i = 0; i < 11; ++i) {
        t[size_t(32 + i)] = kRun[i];
        t[size_t(48 + i)] = kRun[i];
    }
    for (int i = 0; i < 3; ++i) {
        t[size_t(44 + i)] = int8_t(2 - i);
        t[size_t(60 + i)] = int8_t(2 - i);
    }
    t[63] = 7;
    return t;
}
constexpr std::array<int8_t, 64> kOscOfFuse1 = OscOfFuse1();

// Items from FUSEX fields.
constexpr int kResetItemOfBits[4] = {2, 1, 3, 0};
constexpr int kBrownoutItemOfBits[2][4] = {{1, 2, 3, 0}, {1, 3, 2, 0}};

// Design-time hint lists, one name per item.
constexpr char kDeviceHints[] = "*SX18*SX28*SX48  -or-  DEVICE SX52*";
constexpr char kOscHints[] =
    "*OSCHS3*OSCHS2*OSCHS1*OSCXT2*OSCXT1*OSCLP2*OSCLP1*OSCRC*OSC4MHZ*OSC1MHZ*OSC128KHZ*OSC32KHZ*";
constexpr char kResetHints[] = "*DRT18MS*DRT960MS*DRT60MS*DRT60US*";
constexpr char kResetHintsExternal[] = "*WDRT184*WDRT960*WDRT60*WDRT006*";
constexpr char kBrownoutHints[] = "*!Don't specify brownout setting*BOR42*BOR26*BOR22*";

bool Bit(uint16_t word, int bit) {
    return ((word >> bit) & 1) != 0;
}

std::string Hex3(unsigned value) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    return {kDigits[(value >> 8) & 0xF], kDigits[(value >> 4) & 0xF], kDigits[value & 0xF]};
}

std::string Lower(std::string s) {
    for (char& c : s)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

bool SameFile(const std::string& a, const std::string& b) {
    if (b.empty()) return false;
    if (Lower(a) == Lower(b)) return true;
    std::error_code ec;
    return fs::equivalent(a, b, ec);
}

std::string FolderOf(const std::string& name) {
    if (name.empty()) return {};
    return fs::path(name).parent_path().string();
}

} // namespace

const DeviceGroupText& GroupText(DeviceGroup group) {
    return kGroups[size_t(group)];
}
const DeviceControlText& BoxText(DeviceBox box) {
    return kBoxes[size_t(box)];
}
const DeviceControlText& ButtonText(DeviceButton button) {
    return kButtons[size_t(button)];
}

std::vector<std::string> ItemHints(std::string_view list) {
    std::vector<std::string> hints;
    size_t at = list.find('*');
    while (at != std::string_view::npos) {
        size_t next = list.find('*', at + 1);
        if (next == std::string_view::npos) break; // the closing "*"
        std::string_view name = list.substr(at + 1, next - at - 1);
        if (!name.empty() && name[0] == '!')
            hints.push_back(std::string(name.substr(1)) + "|");
        else
            hints.push_back("Use  DEVICE " + std::string(name) + "|");
        at = next;
    }
    return hints;
}

DeviceSettings::DeviceSettings(AssemblyRecord& record, Prompter& prompter, DeviceUnit* device)
    : record_(record), prompter_(prompter), device_(device), dump_(kDumpRows) {}

void DeviceSettings::ShowDevice(bool externalAssembler) {
    external_ = externalAssembler;
    Fill();
}

bool DeviceSettings::Crystal() const {
    int osc = items_[size_t(DeviceGroup::Oscillator)];
    // No item (a pattern the table does not know) is not a crystal either.
    return osc >= 0 && osc < kCrystalItems;
}

bool DeviceSettings::LogicallyEnabled(DeviceBox box) const {
    switch (box) {
    case DeviceBox::Drive:
        return Crystal() && Family() == 1;
    case DeviceBox::Feedback:
        return Crystal();
    case DeviceBox::Turbo:
    case DeviceBox::StackOption:
        return Family() == 0;
    case DeviceBox::SleepClock:
        return Family() == 1;
    default:
        return true;
    }
}

bool DeviceSettings::Enabled(DeviceBox box) const {
    return !readOnly_ && LogicallyEnabled(box);
}

bool DeviceSettings::Enabled(DeviceGroup group) const {
    if (readOnly_) return false;
    return group != DeviceGroup::ResetTimer || Family() == 1;
}

bool DeviceSettings::Enabled(DeviceButton button) const {
    if (!readOnly_) return true;
    // A read-only image can be programmed, verified and saved under another name, but not
    // changed or read over.
    return button != DeviceButton::LoadHex && button != DeviceButton::Read;
}

void DeviceSettings::ChooseItem(DeviceGroup group, int item) {
    if (updating_ || !Enabled(group)) return;
    int count = int(GroupText(group).items.size());
    if (item < -1 || item >= count) return;
    ItemRef(group) = item;
    UpdateSettings();
}

void DeviceSettings::SetChecked(DeviceBox box, bool ticked) {
    if (updating_ || !Enabled(box)) return;
    Box(box) = ticked;
    UpdateSettings();
}

void DeviceSettings::SetScrollPosition(int row) {
    scroll_ = std::clamp(row, 0, scrollMax_);
}

std::array<std::string, kDumpVisibleRows> DeviceSettings::VisibleRows() const {
    std::array<std::string, kDumpVisibleRows> rows;
    for (int i = 0; i < kDumpVisibleRows; ++i)
        rows[size_t(i)] = dump_[size_t(std::min(scroll_ + i, kDumpRows - 1))];
    return rows;
}

void DeviceSettings::UpdateSettings() {
    if (updating_) return;
    int family = Family();
    record_.deviceFamily = uint8_t(family);

    if (family != shownFamily_) {
        if (family == 1) {
            rememberedTurbo_ = Box(DeviceBox::Turbo);
            rememberedStack_ = Box(DeviceBox::StackOption);
            Box(DeviceBox::Turbo) = true;
            Box(DeviceBox::StackOption) = true;
            // Coming from a part without the reset timer: show what FUSEX holds.
            if (ItemRef(DeviceGroup::ResetTimer) < 0)
                ItemRef(DeviceGroup::ResetTimer) = kResetItemOfBits[record_.assembled.Fusex() & 3];
        } else {
            Box(DeviceBox::Turbo) = rememberedTurbo_;
            Box(DeviceBox::StackOption) = rememberedStack_;
        }
        shownFamily_ = family;
    }

    auto on = [&](DeviceBox b) { return Box(b) ? 1 : 0; };
    auto off = [&](DeviceBox b) { return Box(b) ? 0 : 1; };
    auto cleared = [&](DeviceBox b) { return !Box(b) && LogicallyEnabled(b) ? 1 : 0; };

    int osc = ItemRef(DeviceGroup::Oscillator);
    // Without an item the image's own oscillator bits stay: there is nothing to write.
    uint16_t oscBits =
        osc >= 0 ? kOscBits[family][osc] : uint16_t(record_.assembled.Fuse() & kOscMask[family]);
    int brownout = std::max(ItemRef(DeviceGroup::Brownout), 0);

    int fuse = 0, fusex = 0;
    if (family == 0) {
        fuse = oscBits + 4 * on(DeviceBox::Watchdog) + 8 * off(DeviceBox::Protect) +
               1024 * off(DeviceBox::Sync) + 2048 * off(DeviceBox::Turbo) -
               64 * cleared(DeviceBox::Feedback) + 0x310;
        int device = ItemRef(DeviceGroup::Device) == 1 ? 1 : 0;
        fusex = kDeviceBits[device] + kBrownoutBits[0][brownout] + 64 * off(DeviceBox::Carry) +
                128 * off(DeviceBox::StackOption) + 0xB0C;
    } else {
        fuse = oscBits + 4 * on(DeviceBox::Watchdog) + 8 * off(DeviceBox::Protect) +
               1024 * off(DeviceBox::Sync) - 64 * cleared(DeviceBox::Feedback) -
               16 * cleared(DeviceBox::Drive) + 0xB00;
        int reset = ItemRef(DeviceGroup::ResetTimer);
        uint16_t resetBits =
            reset >= 0 ? kResetBits[reset] : uint16_t(record_.assembled.Fusex() & 3);
        fusex = resetBits + kBrownoutBits[1][brownout] + 64 * off(DeviceBox::Carry) +
                1024 * off(DeviceBox::SleepClock) + 0xB8C;
    }
    record_.assembled.Fuse() = uint16_t(fuse & 0xFFF);
    record_.assembled.Fusex() = uint16_t(fusex & 0xFFF);

    int size = ComputeGeometry(family, record_.assembled.Fusex()).memorySize;
    scrollMax_ = size / 8 - kDumpVisibleRows;
    scroll_ = std::clamp(scroll_, 0, scrollMax_);
}

void DeviceSettings::Fill() {
    updating_ = true;
    const ProgramImage& image = record_.assembled;
    uint16_t fuse = image.Fuse(), fusex = image.Fusex();
    int family = record_.deviceFamily == 1 ? 1 : 0;
    if (family == 1) {
        ItemRef(DeviceGroup::Device) = 2;
        ItemRef(DeviceGroup::Oscillator) = kOscOfFuse1[size_t((fuse & 0xF0) / 4 + (fuse & 3))];
        Box(DeviceBox::Drive) = Bit(fuse, 4);
        Box(DeviceBox::Feedback) = Bit(fuse, 6);
        ItemRef(DeviceGroup::ResetTimer) = kResetItemOfBits[fusex & 3];
        ItemRef(DeviceGroup::Brownout) = kBrownoutItemOfBits[1][(fusex >> 4) & 3];
        Box(DeviceBox::Turbo) = true;
        Box(DeviceBox::StackOption) = true;
        Box(DeviceBox::SleepClock) = !Bit(fusex, 10);
        // What the family-0 boxes would read from these words, for a switch to SX18 or SX28.
        rememberedTurbo_ = !Bit(fuse, 11);
        rememberedStack_ = !Bit(fusex, 7);
    } else {
        ItemRef(DeviceGroup::Device) = Bit(fusex, 10) ? 1 : 0;
        ItemRef(DeviceGroup::Oscillator) = kOscOfFuse0[((fuse >> 5) & 7) * 4 + (fuse & 3)];
        Box(DeviceBox::Drive) = true;
        Box(DeviceBox::Feedback) = Bit(fuse, 6);
        ItemRef(DeviceGroup::Brownout) = kBrownoutItemOfBits[0][(fusex >> 4) & 3];
        ItemRef(DeviceGroup::ResetTimer) = -1;
        Box(DeviceBox::Turbo) = !Bit(fuse, 11);
        Box(DeviceBox::StackOption) = !Bit(fusex, 7);
        // Bit 10 is the SX28's third port here; a switch to SX48/52 starts without it.
        Box(DeviceBox::SleepClock) = false;
    }
    Box(DeviceBox::Carry) = !Bit(fusex, 6);
    Box(DeviceBox::Sync) = !Bit(fuse, 10);
    Box(DeviceBox::Watchdog) = Bit(fuse, 2);
    Box(DeviceBox::Protect) = !Bit(fuse, 3);

    idText_.clear();
    for (int i = 0; i < kIdCharacters; ++i) {
        int c = ((image[kIdIndex + 2 * i] & 0x0F) << 4) | (image[kIdIndex + 2 * i + 1] & 0x0F);
        if (c == 0xFF) break;
        idText_.push_back(char(c));
    }
    for (int r = 0; r < kDumpRows; ++r) {
        std::string row = Hex3(unsigned(r * 8)) + "- ";
        for (int i = 0; i < 8; ++i) {
            if (i > 0) row.push_back(' ');
            row += Hex3(image.Code(r * 8 + i));
        }
        dump_[size_t(r)] = std::move(row);
    }
    scroll_ = 0;
    shownFamily_ = family;
    updating_ = false;
    UpdateSettings();
}

void DeviceSettings::AfterAssembly() {
    readOnly_ = false;
    Fill();
}

std::string DeviceSettings::ItemHint(DeviceGroup group, int item) const {
    const char* list = kDeviceHints;
    switch (group) {
    case DeviceGroup::Device:
        list = kDeviceHints;
        break;
    case DeviceGroup::Oscillator:
        list = kOscHints;
        break;
    case DeviceGroup::ResetTimer:
        list = external_ ? kResetHintsExternal : kResetHints;
        break;
    case DeviceGroup::Brownout:
        list = kBrownoutHints;
        break;
    }
    std::vector<std::string> hints = ItemHints(list);
    if (item < 0 || size_t(item) >= hints.size()) return {};
    return hints[size_t(item)];
}

std::string DeviceSettings::BoxHint(DeviceBox box) const {
    switch (box) {
    case DeviceBox::Turbo:
        return "Use  DEVICE TURBO";
    case DeviceBox::StackOption:
        return external_ ? "Use  DEVICE STACKX  -or-  DEVICE OPTIONX"
                         : "Use  DEVICE STACKX_OPTIONX";
    case DeviceBox::Carry:
        return "Use  DEVICE CARRYX";
    case DeviceBox::Sync:
        return "Use  DEVICE SYNC";
    case DeviceBox::Watchdog:
        return "Use  DEVICE WATCHDOG";
    case DeviceBox::Protect:
        return "Use  DEVICE PROTECT";
    case DeviceBox::SleepClock:
        return external_ ? "Use  DEVICE SLEEPCLK" : "Use  DEVICE SLEEPCLOCK";
    case DeviceBox::Drive:
        return external_ ? "Use  DEVICE XTLBUFD" : "Use  DEVICE DRIVEOFF  -or-  DEVICE XTLBUFD";
    case DeviceBox::Feedback:
        return external_ ? "Use  DEVICE IFBD" : "Use  DEVICE FEEDBACKOFF  -or-  DEVICE IFBD";
    }
    return {};
}

bool DeviceSettings::LoadImageFile(const std::string& name, bool readOnly) {
    FileRead file = ReadWholeFile(name);
    const std::string& text = file.data;
    if (!file.ok) {
        prompter_.Message("Unable to read " + name, kErrorCaption, PromptButtons::Abort,
                          PromptIcon::Error);
        return false;
    }
    if (!LoadImageText(record_, text)) {
        prompter_.Message(record_.message, kErrorCaption, PromptButtons::Abort, PromptIcon::Error);
        return false;
    }
    readOnly_ = readOnly;
    fileName_ = name;
    Fill();
    return true;
}

bool DeviceSettings::LoadHex() {
    if (!Enabled(DeviceButton::LoadHex)) return false;
    auto name =
        prompter_.OpenFileName({"Load Hex", FolderOf(fileName_), "", kHexFileFilter, "SXH"});
    if (!name) return false;
    return LoadImageFile(*name, false);
}

bool DeviceSettings::SaveHex() {
    if (!Enabled(DeviceButton::SaveHex)) return false;
    if (readOnly_)
        prompter_.Message(kReadOnlySaveText, kInformationCaption, PromptButtons::Ok,
                          PromptIcon::Information);
    auto name =
        prompter_.SaveFileName({"Save Hex", FolderOf(fileName_), "", kHexSaveFilter, "SXH"});
    if (!name || name->empty()) return false;
    if (readOnly_ && SameFile(*name, fileName_)) {
        prompter_.Message(kReadOnlySameNameText, kWarningCaption, PromptButtons::Ok,
                          PromptIcon::Warning);
        return false;
    }
    std::error_code ec;
    if (fs::exists(*name, ec) &&
        prompter_.Message("OK to overwrite " + *name, kConfirmCaption, PromptButtons::YesNoCancel,
                          PromptIcon::Question) != PromptAnswer::Yes)
        return false;
    if (!WriteHex(record_)) {
        prompter_.Message(record_.message, kErrorCaption, PromptButtons::Ok, PromptIcon::Error);
        return false;
    }
    if (!ReplaceFileContents(*name, record_.debug.ListingText()).empty()) {
        prompter_.Message("Unable to write " + *name, kErrorCaption, PromptButtons::Ok,
                          PromptIcon::Error);
        return false;
    }
    return true;
}

void DeviceSettings::Program() {
    if (!device_ || !Enabled(DeviceButton::Program)) return;
    record_.transfer = record_.assembled;
    device_->ProgramChip(false);
}

VerifyResult DeviceSettings::Verify() {
    if (!device_ || !Enabled(DeviceButton::Verify)) return {};
    return device_->VerifyChip(Family() == 1);
}

void DeviceSettings::Read() {
    if (!device_ || !Enabled(DeviceButton::Read)) return;
    device_->ReadChip(kReadingText);
    record_.assembled = record_.transfer;
    Fill();
}

} // namespace pellix
