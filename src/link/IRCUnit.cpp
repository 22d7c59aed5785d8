#include "link/IRCUnit.h"

#include <limits>

namespace pellix {

IrcSetting IrcSettingFromStored(int32_t value) {
    switch (value & 0xFF) {
    case 0:
        return IrcSetting::Slowest;
    case 1:
        return IrcSetting::FourMHz;
    default:
        return IrcSetting::Fastest;
    }
}

const char* IrcSettingText(IrcSetting setting) {
    switch (setting) {
    case IrcSetting::FourMHz:
        return "4 MHz";
    case IrcSetting::Fastest:
        return "Fastest";
    case IrcSetting::Slowest:
        break;
    }
    return "Slowest";
}

uint16_t MeasurementFusex(int trim) {
    return uint16_t(0x4FF | ((trim & 3) << 8) | ((trim & 4) << 9));
}

uint32_t IrcHertz(uint16_t count) {
    return count == 0 ? 0 : kIrcMeasureDividend / count;
}

int NearestTrim(const std::array<uint16_t, kTrims>& counts) {
    int best = 0;
    uint32_t bestDistance = std::numeric_limits<uint32_t>::max();
    for (int i = 0; i < kTrims; ++i) {
        uint32_t distance = std::numeric_limits<uint32_t>::max();
        if (counts[size_t(i)] != 0) {
            uint32_t hz = IrcHertz(counts[size_t(i)]);
            distance = hz > kIrcTarget ? hz - kIrcTarget : kIrcTarget - hz;
        }
        if (distance < bestDistance) {
            best = i;
            bestDistance = distance;
        }
    }
    return best;
}

std::string IrcMegahertzText(uint16_t count) {
    if (count == 0) return "-.--";
    uint32_t hundredths = IrcHertz(count) / 10'000;
    std::string cents = std::to_string(hundredths % 100);
    return std::to_string(hundredths / 100) + "." + std::string(2 - cents.size(), '0') + cents;
}

void CalibrateIrc(KeyProtocol& protocol, ProgressSink& progress, IrcCalibration& irc) {
    switch (irc.setting) {
    case IrcSetting::Slowest:
        irc.trim = kSlowestTrim;
        return;
    case IrcSetting::Fastest:
        irc.trim = kFastestTrim;
        return;
    case IrcSetting::FourMHz:
        break;
    }
    progress.ShowProgress(kCalibratingText);
    std::array<uint16_t, kTrims> counts{};
    for (const auto& group : kMeasurementGroups) {
        protocol.EraseFor(kEraseTotalUnits);
        for (int trim : group)
            if (trim >= 0)
                counts[size_t(trim)] = protocol.MeasureOscillator(MeasurementFusex(trim));
    }
    // Only a complete calibration replaces what the window shows.
    irc.counts = counts;
    irc.measured = true;
    irc.trim = NearestTrim(counts);
}

} // namespace pellix
