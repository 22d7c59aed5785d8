// The chip's internal RC oscillator: which trim programming writes, and the calibration that
// measures all eight trims through the key and picks the one nearest 4 MHz.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "link/KeyProtocol.h"
#include "link/ProgressSink.h"

namespace pellix {

// The stored choice "Configuration\IRCcalibration".
enum class IrcSetting : uint8_t { Slowest = 0, FourMHz = 1, Fastest = 2 };
inline constexpr char kIrcSettingName[] = "Configuration\\IRCcalibration";
// The low byte of a stored value, as the windowed program reads it: above 2 is Fastest.
IrcSetting IrcSettingFromStored(int32_t value);
const char* IrcSettingText(IrcSetting setting); // "Slowest", "4 MHz", "Fastest"

inline constexpr int kTrims = 8;
inline constexpr int kSlowestTrim = 7;
inline constexpr int kFastestTrim = 0;
inline constexpr uint32_t kIrcTarget = 4'000'000;
// A measured count m stands for this / m hertz.
inline constexpr uint32_t kIrcMeasureDividend = 1'266'035'968;
inline constexpr char kCalibratingText[] = "Calibrating IRC...";

// What the run knows of the oscillator. The trim stays in force until the next programming
// chooses again; the counts are those of the last calibration.
struct IrcCalibration {
    IrcSetting setting = IrcSetting::Slowest;
    int trim = kSlowestTrim;
    std::array<uint16_t, kTrims> counts{};
    bool measured = false;
};

// The FUSEX a measurement of `trim` programs: trim bits 0, 1, 2 in bits 8, 9, 11, bit 10 and
// the low byte set.
uint16_t MeasurementFusex(int trim);
// The trims in the order they are measured, each group after an erase: every FUSEX of a
// group only clears bits of the one before, so three erases do for eight trims.
inline constexpr std::array<std::array<int, 4>, 3> kMeasurementGroups = {
    {{7, 3, 1, 0}, {5, 4, -1, -1}, {6, 2, -1, -1}}};

// Hertz of a count; 0 for a count of 0 (no measurement).
uint32_t IrcHertz(uint16_t count);
// The trim nearest 4 MHz, the lower trim on equal distance. A count of 0 cannot be turned
// into a frequency and counts as farthest of all.
int NearestTrim(const std::array<uint16_t, kTrims>& counts);
// Megahertz with two decimals, cut rather than rounded ("4.00" for 4,006,442 Hz); "-.--"
// for a count of 0.
std::string IrcMegahertzText(uint16_t count);

// Chooses the trim by `irc.setting`: Slowest 7 and Fastest 0 without a word to the key; 4 MHz
// shows "Calibrating IRC...", erases and measures all eight trims, and takes the nearest.
void CalibrateIrc(KeyProtocol& protocol, ProgressSink& progress, IrcCalibration& irc);

} // namespace pellix
