#include "debugger/HoverValue.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "link/WatchFormat.h"

namespace pellix {

namespace {

std::string Upper(std::string s) {
    for (char& c : s)
        c = char(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

struct RegisterName {
    const char* name;
    int address;
    int family; // -1 both
};

constexpr RegisterName kRegisters[] = {
    {"IND", 0x00, -1},  {"INDF", 0x00, -1}, {"INDIRECT", 0x00, -1}, {"RTCC", 0x01, -1},
    {"WREG", 0x01, -1}, {"PC", 0x02, -1},   {"PCL", 0x02, -1},      {"STATUS", 0x03, -1},
    {"FSR", 0x04, -1},  {"RA", 0x05, -1},   {"RB", 0x06, -1},       {"RC", 0x07, -1},
    {"RD", 0x08, 1},    {"RE", 0x09, 1},    {"W", kRegisterW, -1},  {"M", kRegisterM, -1},
};

constexpr const char* kStatusBits[] = {"C", "DC", "Z", "PD", "TO", "PA0", "PA1", "PA2"};

// "$4D = 77 = %0100_1101" for the low `bits` of `raw`, the decimal signed when asked.
std::string Numbers(uint32_t raw, int bits, bool isSigned) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    const uint32_t mask = bits >= 32 ? 0xFFFFFFFFu : (1u << bits) - 1;
    raw &= mask;
    std::string hex, bin;
    for (int d = (bits + 3) / 4 - 1; d >= 0; --d)
        hex += kHex[(raw >> (4 * d)) & 0xF];
    for (int b = bits - 1; b >= 0; --b) {
        bin += char('0' + ((raw >> b) & 1));
        if (b > 0 && b % 4 == 0) bin += '_';
    }
    std::string dec;
    if (isSigned && bits < 64 && (raw >> (bits - 1)) & 1)
        dec = "-" + std::to_string((~raw & mask) + uint64_t(1));
    else
        dec = std::to_string(raw);
    return "$" + hex + " = " + dec + " = %" + bin;
}

std::string Hex2(int v) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    return {kHex[(v >> 4) & 0xF], kHex[v & 0xF]};
}

} // namespace

std::string HoverValueText(const std::string& name, const DebugState& state, const DebugInfo& info,
                           int family, int ramBanks) {
    if (name.empty()) return {};
    const std::string upper = Upper(name);
    // A WATCH names what the program itself calls it; that comes first.
    for (int i = 0; i < std::clamp(info.watchCount, 0, kMaxWatches); ++i) {
        const WatchRecord& w = info.watches[size_t(i)];
        const std::string watchName(w.name, strnlen(w.name, sizeof w.name));
        if (Upper(watchName) != upper) continue;
        if (w.format == FSTR || w.format == ZSTR)
            return name + " = " + FormatWatch(state, w, family, ramBanks, false);
        const int bits = std::clamp(int(w.length), 1, 32);
        const bool isSigned = w.format == SDEC || w.format == SHEX || w.format == SBIN;
        return name + " = " + Numbers(WatchValue(state, w, family, ramBanks), bits, isSigned);
    }
    for (const RegisterName& r : kRegisters) {
        if (upper != r.name || (r.family >= 0 && r.family != family)) continue;
        const int bits = r.address == kRegisterM && family == 0 ? 4 : 8;
        std::string where = r.address < 0x100 ? " (" + Hex2(r.address) + ")" : std::string();
        if (r.address == 0x01 && state.wAtOne && upper == "RTCC") where = " (01, showing W)";
        return upper + where + " = " + Numbers(state.Register(r.address), bits, false);
    }
    for (int bit = 0; bit < 8; ++bit)
        if (upper == kStatusBits[bit])
            return upper + " (STATUS." + std::to_string(bit) +
                   ") = " + std::to_string((state.Register(3) >> bit) & 1);
    return {};
}

} // namespace pellix
