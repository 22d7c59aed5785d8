// The two SX device families: geometry, DEVICE identifiers and parameters, predefined names.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace pellix {

// 0: SX18/SX20/SX28, 1: SX48/SX52.
inline constexpr int kFamilyCount = 2;

struct FamilyGeometry {
    int programWords;     // 2048 or 4096
    uint16_t addressMask; // 0x7FF or 0xFFF
    int pages;            // pages of 512 words
    int bankLowBit;       // BANK takes address bits bankLowBit .. bankLowBit + 2
    int portCount;        // ports the family can have (RA to RC, or RA to RE)
};

const FamilyGeometry& Geometry(int family);

inline constexpr int kPageWords = 512;

enum class ConfigWord : uint8_t { Fuse, Fusex };

// A DEVICE parameter: Value is XORed into the word and Mask joins the word's claimed bits.
struct DeviceParameter {
    std::string_view name;
    ConfigWord word;
    uint16_t mask;
    uint16_t xorValue;
};

// Parameters accepted by DEVICE for a family, in table order.
std::span<const DeviceParameter> DeviceParameters(int family);
const DeviceParameter* FindDeviceParameter(int family, std::string_view name); // case-insensitive

// A DEVICE identifier: selects the family and claims FUSEX bits of its own.
struct DeviceIdentifier {
    std::string_view name;
    int family;
    uint16_t fusexMask; // claimed in FUSEX (0 when none)
    uint16_t fusexXor;
    int ports; // 2 (RA, RB), 3 (RA to RC) or 5 (RA to RE)
};

std::span<const DeviceIdentifier> DeviceIdentifiers();
const DeviceIdentifier* FindDeviceIdentifier(std::string_view name); // case-insensitive

// Names known as constants once a DEVICE identifier has been read.
inline constexpr uint8_t kBothFamilies = 3;
inline constexpr uint8_t kFamily1Only = 2;

struct PredefinedName {
    std::string_view name;
    uint16_t value; // register address in bits 0-7, bit number times 256 for bit names
    uint8_t families; // bit 0: family 0, bit 1: family 1
};

std::span<const PredefinedName> PredefinedNames();
bool PredefinedInFamily(const PredefinedName& n, int family);

// Compares ASCII letters without regard to case.
bool EqualsNoCase(std::string_view a, std::string_view b);

} // namespace pellix
