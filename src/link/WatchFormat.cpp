#include "link/WatchFormat.h"

#include <algorithm>

namespace pellix {

namespace {

constexpr int kValueBytes = 5;

int NumericLength(const WatchRecord& w) {
    return std::clamp(int(w.length), 1, 32);
}

uint32_t LowBits(int length) {
    return length >= 32 ? 0xFFFFFFFFu : (1u << length) - 1;
}

bool Signed(uint8_t format) {
    return format == SDEC || format == SHEX || format == SBIN;
}

// '_' between groups of `size` digits from the right.
std::string Grouped(const std::string& digits, size_t size) {
    std::string out;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % size == 0) out += '_';
        out += digits[i];
    }
    return out;
}

std::string Decimal(uint64_t v) {
    std::string s = std::to_string(v);
    return Grouped(s, 3);
}

std::string Digits(uint32_t v, int count, int bitsPerDigit) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string s(size_t(count), '0');
    for (int i = count - 1; i >= 0; --i, v >>= bitsPerDigit)
        s[size_t(i)] = kHex[v & ((1u << bitsPerDigit) - 1)];
    return s;
}

// Characters a terminal or a view can show as they are; anything else shows as '.'.
char Shown(uint8_t c) {
    return c >= 0x20 && c < 0x7F ? char(c) : '.';
}

} // namespace

int NextWatchRegister(int& address, int family, int banks) {
    if (family == 1) return address++ & 0xFF;
    if (address >= 32 && (address & 0x10) == 0) address += 16;
    int unimplemented = (banks * 0xE0) & 0xFF;
    return (address++ | unimplemented) & 0xFF;
}

std::vector<int> WatchRegisters(const WatchRecord& watch, int family, int banks, int count) {
    std::vector<int> out;
    int address = watch.target & 0xFF;
    for (int i = 0; i < count; ++i)
        out.push_back(NextWatchRegister(address, family, banks));
    return out;
}

uint32_t WatchValue(const DebugState& state, const WatchRecord& watch, int family, int banks) {
    uint64_t raw = 0;
    std::vector<int> regs = WatchRegisters(watch, family, banks, kValueBytes);
    for (int i = 0; i < kValueBytes; ++i)
        raw |= uint64_t(state.Register(regs[size_t(i)])) << (8 * i);
    int length = NumericLength(watch);
    uint32_t v = uint32_t(raw >> ((watch.target >> 8) & 7)) & LowBits(length);
    if (Signed(watch.format) && length < 32 && (v >> (length - 1)) & 1) v |= ~LowBits(length);
    return v;
}

std::string FormatWatch(const DebugState& state, const WatchRecord& watch, int family, int banks,
                        bool widthMode) {
    uint8_t format = watch.format;
    if (format == FSTR || format == ZSTR) {
        std::string out = "'";
        if (widthMode) {
            out.append(watch.length, 'W');
        } else {
            for (int reg : WatchRegisters(watch, family, banks, watch.length)) {
                uint8_t c = state.Register(reg);
                if (format == ZSTR && c == 0) break;
                out += Shown(c);
            }
        }
        return out + "'";
    }
    if (format > SBIN) return "?";

    int length = NumericLength(watch);
    bool isSigned = Signed(format);
    uint32_t v = widthMode ? 0 : WatchValue(state, watch, family, banks);
    bool negative = isSigned && (v & 0x80000000u) != 0;
    uint32_t magnitude = negative ? uint32_t(0u - v) : v;
    std::string sign = negative || (widthMode && isSigned) ? "-" : "";

    switch (format) {
    case UDEC:
    case SDEC: {
        if (!widthMode) return sign + Decimal(magnitude);
        // As many digits as the largest magnitude has.
        uint64_t largest = isSigned ? uint64_t(1) << (length - 1) : LowBits(length);
        return sign + Grouped(std::string(std::to_string(largest).size(), '0'), 3);
    }
    case UHEX:
    case SHEX: {
        int digits = (length - 1) / 4 + 1;
        std::string d = widthMode ? std::string(size_t(digits), 'D') : Digits(magnitude, digits, 4);
        return sign + "$" + Grouped(d, 4);
    }
    default: {
        std::string d = widthMode ? std::string(size_t(length), '0') : Digits(magnitude, length, 1);
        return sign + "%" + Grouped(d, 4);
    }
    }
}

} // namespace pellix
