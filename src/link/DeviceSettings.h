// What the device window shows and edits, without the window: the configuration words of
// `assembled` as radio groups and check boxes, their enables, the ID text, the code dump and
// its scroll range, the hints, image files (Load Hex, Save Hex, the read-only state) and the
// Program, Verify and Read buttons. Every change of a control rewrites FUSE, FUSEX and
// `deviceFamily` at once; the window is a thin view over this model.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "link/DeviceUnit.h"
#include "platform/Prompter.h"
#include "target/AssemblyRecord.h"

namespace pellix {

inline constexpr char kDeviceCaption[] = "Device";
inline constexpr char kDeviceReadOnlyCaption[] = "Device : EEPROM Image READ ONLY";
inline constexpr char kDeviceWindowPlacement[] = "DeviceWindow";
inline constexpr int kDumpRows = 512;
inline constexpr int kDumpVisibleRows = 8;
inline constexpr int kDeviceHintPause = 3500; // ms
inline constexpr char kHexFileFilter[] = "SX Hex File (*.SXH)|*.SXH";
inline constexpr char kHexSaveFilter[] = "SX Hex File (*.SXH)|*.SXH;*.OBJ;*.HEX";
inline constexpr char kReadOnlySaveText[] =
    "This is a READ ONLY EEPROM image and must be saved under a different name.";
inline constexpr char kReadOnlySameNameText[] =
    "Choose a different name to save the READ ONLY file:";

enum class DeviceGroup : uint8_t { Device, Oscillator, ResetTimer, Brownout };
inline constexpr int kDeviceGroups = 4;
enum class DeviceBox : uint8_t {
    Turbo,
    StackOption,
    Carry,
    Sync,
    Watchdog,
    Protect,
    SleepClock,
    Drive,
    Feedback
};
inline constexpr int kDeviceBoxes = 9;
enum class DeviceButton : uint8_t { LoadHex, SaveHex, Program, Verify, Read, Cancel };
inline constexpr int kDeviceButtons = 6;

// Object names and captions of the window's controls.
struct DeviceGroupText {
    const char* objectName;
    const char* caption;
    std::span<const char* const> items;
};
struct DeviceControlText {
    const char* objectName;
    const char* caption;
};
const DeviceGroupText& GroupText(DeviceGroup group);
const DeviceControlText& BoxText(DeviceBox box);
const DeviceControlText& ButtonText(DeviceButton button);
inline constexpr char kOptionsGroupName[] = "OptionsGroup";
inline constexpr char kOptionsGroupCaption[] = "Op&tions";

// The item hints a design-time list gives: "*A*B*" makes "Use  DEVICE A|" and
// "Use  DEVICE B|"; a name starting with "!" is its own hint without the "!".
std::vector<std::string> ItemHints(std::string_view list);

class DeviceSettings {
public:
    // `device` may be null: Program, Verify and Read then do nothing.
    DeviceSettings(AssemblyRecord& record, Prompter& prompter, DeviceUnit* device = nullptr);

    // On show: the controls from the image, the hints for the assembler in use.
    void ShowDevice(bool externalAssembler);
    // The controls from `assembled` and `deviceFamily`, then UpdateSettings once.
    void Fill();
    // The change handler: FUSE, FUSEX and the family from the controls, the enables, the
    // remembered Turbo and Stack + OPTION ticks, the scroll range. Ignored while filling.
    void UpdateSettings();
    // After a successful assembly: writable again, filled from the new image.
    void AfterAssembly();

    // The user's changes; ignored for a control that is disabled.
    void ChooseItem(DeviceGroup group, int item);
    void SetChecked(DeviceBox box, bool ticked);
    void SetScrollPosition(int row);

    // -1: no item selected.
    int Item(DeviceGroup group) const { return items_[size_t(group)]; }
    bool Checked(DeviceBox box) const { return boxes_[size_t(box)]; }
    bool Enabled(DeviceGroup group) const;
    bool Enabled(DeviceBox box) const;
    bool Enabled(DeviceButton button) const;
    bool ScrollEnabled() const { return true; }
    bool Updating() const { return updating_; }

    // The hint of one item of a group, of a box; the part before "|" is the tool tip.
    std::string ItemHint(DeviceGroup group, int item) const;
    std::string BoxHint(DeviceBox box) const;

    const std::string& IdText() const { return idText_; }
    const std::string& DumpRow(int row) const { return dump_[size_t(row)]; }
    int ScrollPosition() const { return scroll_; }
    int ScrollMax() const { return scrollMax_; }
    // The eight rows the labels show from the scroll position.
    std::array<std::string, kDumpVisibleRows> VisibleRows() const;

    bool ReadOnly() const { return readOnly_; }
    std::string Caption() const { return readOnly_ ? kDeviceReadOnlyCaption : kDeviceCaption; }
    const std::string& FileName() const { return fileName_; }

    // Loads an image file into `assembled` and fills the controls; with `readOnly` the
    // image can be programmed and verified but not changed. On a bad file an error box
    // tells why and the image, the controls and the read-only state stay as they were.
    bool LoadImageFile(const std::string& name, bool readOnly);
    // The buttons. Program, Verify and Read end in a link error as DeviceUnit's do.
    bool LoadHex();
    bool SaveHex();
    void Program();
    VerifyResult Verify();
    void Read();

private:
    int Family() const { return items_[size_t(DeviceGroup::Device)] == 2 ? 1 : 0; }
    bool Crystal() const;
    bool LogicallyEnabled(DeviceBox box) const;
    bool& Box(DeviceBox box) { return boxes_[size_t(box)]; }
    int& ItemRef(DeviceGroup group) { return items_[size_t(group)]; }

    AssemblyRecord& record_;
    Prompter& prompter_;
    DeviceUnit* device_;

    std::array<int, kDeviceGroups> items_{0, 0, -1, 0};
    std::array<bool, kDeviceBoxes> boxes_{};
    bool rememberedTurbo_ = false;
    bool rememberedStack_ = false;
    int shownFamily_ = 0;
    bool updating_ = false;
    bool external_ = false;

    std::string idText_;
    std::vector<std::string> dump_;
    int scroll_ = 0;
    int scrollMax_ = 2048 / 8 - kDumpVisibleRows;

    bool readOnly_ = false;
    std::string fileName_;
};

} // namespace pellix
