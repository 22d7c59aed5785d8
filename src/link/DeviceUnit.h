// Programming, reading and verifying the chip through the key. Each operation connects,
// works, resets the chip and releases the key; a link error on the way closes the port,
// shows its message and throws SilentAbort, and the progress is closed either way.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "link/IRCUnit.h"
#include "link/KeyLink.h"
#include "link/KeyProtocol.h"
#include "link/ProgressSink.h"
#include "platform/Prompter.h"
#include "target/AssemblyRecord.h"
#include "target/MemoryGeometry.h"

namespace pellix {

inline constexpr char kErasingText[] = "Erasing...";
inline constexpr char kProgrammingText[] = "Programming...";
inline constexpr char kReadingText[] = "Reading...";
inline constexpr char kVerifyingText[] = "Verifying...";
inline constexpr char kVerifiedOkText[] = "Device verified OK";
inline constexpr char kVerifyFailedText[] = "Verify failed at ";
// The device code word of an SX48/52; the other parts answer anything else.
inline constexpr uint16_t kSx48DeviceCode = 2;
// The key firmware that no longer needs its clock switched off before programming.
inline constexpr uint8_t kClockAwareFirmware = 3;

// The configuration words as programming writes them, with the trim in FUSEX.
struct ConfigWords {
    uint16_t fusex;
    uint16_t fuse;
};
ConfigWords ProgrammedConfig(int family, uint16_t fusex, uint16_t fuse, int trim);

// The outcome of a verify: the first area that differs (empty when none), and the first few
// differing words of that area for a report longer than the one line the window shows.
struct VerifyDifference {
    // "FUSE", "FUSEX", "ID 3", a code address in three hex digits, or "device" when the
    // chip is of the other family than the image (no words then)
    std::string what;
    uint16_t expected;
    uint16_t actual;
};
struct VerifyResult {
    std::string area;
    std::vector<VerifyDifference> differences;
    int differing = 0; // words of the area that differ
    int chipFamily = 0;
    bool Ok() const { return area.empty(); }
};
inline constexpr size_t kVerifyDifferencesKept = 8;

// Compares the image expected with the one read from a chip of `chipFamily`, area by area.
// For family 1 the "Device" area is the device window's choice, not a word of the chip; for
// family 0 it also fails when that choice is "SX48/52".
VerifyResult CompareChip(const ProgramImage& expected, const ProgramImage& chip, int chipFamily,
                         bool deviceChoiceIsFamily1);

class DeviceUnit {
public:
    DeviceUnit(KeyLink& link, AssemblyRecord& record, ProgressSink& progress, Prompter& prompter,
               IrcCalibration& irc);

    // Writes `transfer`: clock off for firmware other than 3, the trim, erase, FUSEX' and
    // FUSE', the code of the memory size, the ID; with `runAfter` the clock at the record's
    // frequency; then reset and release. After a 4 MHz calibration `showCalibration` runs.
    void ProgramChip(bool runAfter);
    // Reads the chip into `transfer` (cleared first, so words past the memory size are
    // erased words, never an earlier program's) and takes `deviceFamily` from its device
    // code once the whole chip has been read.
    void ReadChip(const std::string& caption);
    // ReadChip("Verifying..."), then compares `assembled` with what was read and shows
    // "Device verified OK" or "Verify failed at " + area. A mismatch is no error. For a
    // family-1 chip the "Device" area is the device window's choice when one is given, else
    // whether the image verified is a family-1 image. `deviceFamily` stays the image's:
    // a verify compares, it loads nothing.
    VerifyResult VerifyChip(std::optional<bool> deviceChoiceIsFamily1 = std::nullopt);
    // The geometry of `assembled` for the record's family, kept in `geometry`.
    MemoryGeometry ComputeGeometry();

    MemoryGeometry geometry;
    // Shows the calibration window after programming with the 4 MHz setting.
    std::function<void()> showCalibration;

    KeyLink& Link() { return link_; }
    KeyProtocol& Protocol() { return protocol_; }
    IrcCalibration& Irc() { return irc_; }

private:
    MemoryGeometry ComputeGeometryFor(int family);

    KeyLink& link_;
    KeyProtocol protocol_;
    AssemblyRecord& record_;
    ProgressSink& progress_;
    Prompter& prompter_;
    IrcCalibration& irc_;
};

} // namespace pellix
