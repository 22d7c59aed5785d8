// What the Configure dialog decides without its controls: the port choice as stored, the
// custom colour entries, and where its two top groups go.
#pragma once

#include <optional>
#include <string>

#include "shell/WorkingSettings.h"

namespace pellix {

// The serial port as the dialog offers it: COM1 to COM4, the virtual key, or a device.
struct PortChoice {
    enum class Kind { Com, VirtualKey, Device };
    Kind kind = Kind::Com;
    int com = 1; // 1 to 4
    std::string device;

    // The item of the port group: 0 to 3 the COM ports, 4 the virtual key, 5 a device.
    int Item() const;
};

inline constexpr int kVirtualKeyItem = 4;
inline constexpr int kDeviceItem = 5;
// How the stored value names the virtual key.
inline constexpr const char* kVirtualKeyPortName = "SIM";

// "COM1" to "COM4" (any case) are the first four items, "SIM" (any case) the virtual key;
// anything else, "COM5" included, is a device path.
PortChoice ParsePort(const std::string& stored);
// The stored value: "COM1" to "COM4", "SIM", or the device path (trimmed).
std::string StoredPort(const PortChoice& choice);

// A custom colour entry, "ColorA=808080": the colour of its six hexadecimal digits
// (0xBBGGRR), or nothing when it is not of that form.
std::optional<ColorRef> CustomColorValue(const std::string& entry);
std::string CustomColorEntry(int index, ColorRef color);

// The left edges of the IRC and port groups in a client area `clientWidth` wide. With the
// external assembler the IRC group is hidden and the port group centred; otherwise the
// two share the width with equal gaps.
struct GroupPlaces {
    bool ircVisible = true;
    int ircLeft = 0;
    int portLeft = 0;
};
GroupPlaces PlaceGroups(int clientWidth, int groupWidth, bool useOrda);

} // namespace pellix
