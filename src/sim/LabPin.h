// The pins the lab bench reaches from outside the chip: every port pin, the RTCC input and
// the reset pin, by the names users write ("RB.0", "rb0", "RTCC", "MCLR"), and the levels
// driven into them.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace pellix {

class SxPorts;

struct LabPin {
    enum class Kind : uint8_t { Port, Rtcc, Mclr };
    Kind kind = Kind::Port;
    uint8_t port = 0; // 0 RA to 4 RE
    uint8_t bit = 0;

    static LabPin PortPin(int port, int bit) {
        return {Kind::Port, static_cast<uint8_t>(port), static_cast<uint8_t>(bit)};
    }
    bool IsPort() const { return kind == Kind::Port; }
    uint8_t Mask() const { return static_cast<uint8_t>(1u << bit); }
    bool operator==(const LabPin&) const = default;
};

enum class PinLevel : uint8_t { Low, High, Floating };

// "RA.0" to "RE.7" (the dot may be left out), "RTCC", "MCLR", in any case. Says nothing of
// whether a chip has the pin.
std::optional<LabPin> ParseLabPin(std::string_view text);
// "RB.0", "RTCC", "MCLR".
std::string LabPinName(const LabPin& pin);
// Whether the chip has the pin: RA has four pins on the SX18/20/28, RC is missing on the
// SX18/20, RD and RE exist only on the SX48/52.
bool LabPinExists(const LabPin& pin, const SxPorts& ports);
// The pins a chip with these ports has, for messages: "RA.0-RA.3, RB.0-RB.7, RTCC, MCLR".
std::string LabPinsText(const SxPorts& ports);

// "0", "1", "z" or "Z".
std::optional<PinLevel> ParsePinLevel(std::string_view text);
char PinLevelChar(PinLevel level); // '0', '1', 'z'

} // namespace pellix
