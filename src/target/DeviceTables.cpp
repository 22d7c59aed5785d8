#include "target/DeviceTables.h"

#include <array>

namespace pellix {

namespace {

constexpr std::array<FamilyGeometry, kFamilyCount> kGeometry{{
    {2048, 0x7FF, 4, 5, 3},
    {4096, 0xFFF, 8, 4, 5},
}};

constexpr ConfigWord F = ConfigWord::Fuse;
constexpr ConfigWord X = ConfigWord::Fusex;

constexpr DeviceParameter kFamily0[] = {
    {"OSCXTMAX", F, 0x0A3, 0x000},      {"OSCHS3", F, 0x0A3, 0x000},
    {"OSCXT5", F, 0x0A3, 0x003},        {"OSCHS2", F, 0x0A3, 0x003},
    {"OSCXT4", F, 0x0A3, 0x002},        {"OSCHS1", F, 0x0A3, 0x002},
    {"OSCXT3", F, 0x0A3, 0x021},        {"OSCXT2", F, 0x0A3, 0x021},
    {"OSCXTMIN", F, 0x0A3, 0x022},      {"OSCLP1", F, 0x0A3, 0x022},
    {"OSCXT1", F, 0x0A3, 0x020},        {"OSCLP2", F, 0x0A3, 0x023},
    {"OSCRC", F, 0x0E3, 0x001},         {"OSC4MHZ", F, 0x0E3, 0x0E1},
    {"OSC1MHZ", F, 0x0E3, 0x0C1},       {"OSC128KHZ", F, 0x0E3, 0x0A1},
    {"OSC32KHZ", F, 0x0E3, 0x081},      {"FEEDBACKOFF", F, 0x040, 0x040},
    {"IFBD", F, 0x040, 0x040},          {"TURBO", F, 0x800, 0x800},
    {"SYNC", F, 0x400, 0x400},          {"WATCHDOG", F, 0x004, 0x004},
    {"PROTECT", F, 0x008, 0x008},       {"STACKX_OPTIONX", X, 0x080, 0x080},
    {"CARRYX", X, 0x040, 0x040},        {"BOR42", X, 0x030, 0x030},
    {"BOR26", X, 0x030, 0x020},         {"BOR22", X, 0x030, 0x010},
};

constexpr DeviceParameter kFamily1[] = {
    {"OSCXTMAX", F, 0x0A3, 0x000},  {"OSCHS3", F, 0x0A3, 0x000},
    {"OSCXT5", F, 0x0A3, 0x003},    {"OSCHS2", F, 0x0A3, 0x003},
    {"OSCXT4", F, 0x0A3, 0x002},    {"OSCHS1", F, 0x0A3, 0x002},
    {"OSCXT3", F, 0x0A3, 0x021},    {"OSCXT2", F, 0x0A3, 0x021},
    {"OSCXTMIN", F, 0x0A3, 0x022},  {"OSCLP1", F, 0x0A3, 0x022},
    {"OSCXT1", F, 0x0A3, 0x020},    {"OSCLP2", F, 0x0A3, 0x023},
    {"OSCRC", F, 0x0F3, 0x001},     {"OSC4MHZ", F, 0x0F3, 0x0E1},
    {"OSC1MHZ", F, 0x0F3, 0x0C1},   {"OSC128KHZ", F, 0x0F3, 0x0A1},
    {"OSC32KHZ", F, 0x0F3, 0x081},  {"DRIVEOFF", F, 0x010, 0x010},
    {"XTLBUFD", F, 0x010, 0x010},   {"FEEDBACKOFF", F, 0x040, 0x040},
    {"IFBD", F, 0x040, 0x040},      {"CARRYX", X, 0x040, 0x040},
    {"SYNC", F, 0x400, 0x400},      {"SLEEPCLOCK", X, 0x400, 0x400},
    {"WATCHDOG", F, 0x004, 0x004},  {"PROTECT", F, 0x008, 0x008},
    {"BOR42", X, 0x030, 0x030},     {"BOR26", X, 0x030, 0x010},
    {"BOR22", X, 0x030, 0x020},     {"DRT18MS", X, 0x003, 0x000},
    {"DRT960MS", X, 0x003, 0x002},  {"DRT60MS", X, 0x003, 0x003},
    {"DRT60US", X, 0x003, 0x001},
};

constexpr DeviceIdentifier kIdentifiers[] = {
    {"SX18", 0, 0x403, 0x000, 2}, {"SX18L", 0, 0x403, 0x000, 2},
    {"SX28", 0, 0x403, 0x400, 3}, {"SX28L", 0, 0x403, 0x400, 3},
    {"SX48", 1, 0x000, 0x000, 5}, {"SX52", 1, 0x000, 0x000, 5},
};

constexpr uint8_t B = kBothFamilies;
constexpr uint8_t O = kFamily1Only;

constexpr PredefinedName kNames[] = {
    {"IND", 0x00, B},
    {"INDF", 0x00, B},
    {"INDIRECT", 0x00, B},
    {"RTCC", 0x01, B},
    {"WREG", 0x01, B},
    {"PC", 0x02, B},
    {"STATUS", 0x03, B},
    {"FSR", 0x04, B},
    {"RA", 0x05, B},
    {"RB", 0x06, B},
    {"RC", 0x07, B},
    {"RD", 0x08, O},
    {"RE", 0x09, O},
    {"C", 0x003, B},
    {"DC", 0x103, B},
    {"Z", 0x203, B},
    {"PD", 0x303, B},
    {"TO", 0x403, B},
    {"PA0", 0x503, B},
    {"PA1", 0x603, B},
    {"PA2", 0x703, B},
    {"TRIS", 0x0F, B},
    {"DIRECTION", 0x0F, B},
    {"PLP", 0x0E, B},
    {"PULL_UP", 0x0E, B},
    {"LVL", 0x0D, B},
    {"LEVEL", 0x0D, B},
    {"ST", 0x0C, B},
    {"SCHMITT", 0x0C, B},
    {"WKEN", 0x0B, B},
    {"WAKE_ENABLE", 0x0B, B},
    {"WKED", 0x0A, B},
    {"WAKE_EDGE", 0x0A, B},
    {"WKPEN", 0x09, B},
    {"WAKE_PENDING", 0x09, B},
    {"CMP", 0x08, B},
    {"COMPARATOR", 0x08, B},
    {"TIMER_CONTROL_A", 0x07, O},
    {"TIMER_CONTROL_B", 0x06, O},
    {"TIMER_COMPARE1_HIGH", 0x05, O},
    {"TIMER_COMPARE1_LOW", 0x04, O},
    {"TIMER_COMPARE2_HIGH", 0x03, O},
    {"TIMER_COMPARE2_LOW", 0x02, O},
    {"TIMER_CAPTURE_HIGH", 0x01, O},
    {"TIMER_CAPTURE_LOW", 0x00, O},
};

char Upper(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }

} // namespace

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Upper(a[i]) != Upper(b[i])) return false;
    return true;
}

const FamilyGeometry& Geometry(int family) { return kGeometry[family == 1 ? 1 : 0]; }

std::span<const DeviceParameter> DeviceParameters(int family) {
    if (family == 1) return kFamily1;
    return kFamily0;
}

const DeviceParameter* FindDeviceParameter(int family, std::string_view name) {
    for (const auto& p : DeviceParameters(family))
        if (EqualsNoCase(p.name, name)) return &p;
    return nullptr;
}

std::span<const DeviceIdentifier> DeviceIdentifiers() { return kIdentifiers; }

const DeviceIdentifier* FindDeviceIdentifier(std::string_view name) {
    for (const auto& d : kIdentifiers)
        if (EqualsNoCase(d.name, name)) return &d;
    return nullptr;
}

std::span<const PredefinedName> PredefinedNames() { return kNames; }

bool PredefinedInFamily(const PredefinedName& n, int family) {
    return (n.families & (family == 1 ? 2 : 1)) != 0;
}

} // namespace pellix
