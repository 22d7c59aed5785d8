#include "sim/LabTime.h"

#include <limits>

namespace pellix {

namespace {

using u128 = unsigned __int128;

// A decimal number at the start of a word ("1.5", "1_000") and what follows it.
struct Decimal {
    uint64_t digits = 0; // every digit, the fraction's included
    int fractionDigits = 0;
    std::string_view suffix;
};

bool SplitNumber(std::string_view word, Decimal& d) {
    size_t i = 0;
    int count = 0;
    bool point = false;
    for (; i < word.size(); ++i) {
        char c = word[i];
        if (c == '_' && count > 0) continue;
        if (c == '.' && !point) {
            point = true;
            continue;
        }
        if (c < '0' || c > '9') break;
        if (++count > 19) return false; // beyond what 64 bits hold exactly
        d.digits = d.digits * 10 + static_cast<uint64_t>(c - '0');
        if (point) ++d.fractionDigits;
    }
    if (count == 0) return false;
    d.suffix = word.substr(i);
    return true;
}

u128 Pow10(int n) {
    u128 p = 1;
    while (n-- > 0)
        p *= 10;
    return p;
}

enum class Scaling { Ok, TooFine, TooLarge };

// digits / 10^fraction * scale, when that is a whole number that fits.
Scaling Scale(const Decimal& d, uint64_t scale, uint64_t& out) {
    u128 value = u128{d.digits} * scale;
    u128 divisor = Pow10(d.fractionDigits);
    if (value % divisor != 0) return Scaling::TooFine;
    value /= divisor;
    if (value > std::numeric_limits<uint64_t>::max()) return Scaling::TooLarge;
    out = static_cast<uint64_t>(value);
    return Scaling::Ok;
}

struct Unit {
    const char* name;
    uint64_t scale; // picoseconds; 0 for cycles
};
constexpr Unit kTimeUnits[] = {{"s", kPicosecondsPerSecond},
                               {"ms", 1'000'000'000},
                               {"us", 1'000'000},
                               {"\xC2\xB5s", 1'000'000},
                               {"ns", 1'000},
                               {"cycles", 0},
                               {"cycle", 0}};
constexpr Unit kFrequencyUnits[] = {{"hz", 1'000}, {"khz", 1'000'000}, {"mhz", 1'000'000'000}};

template <size_t N>
const Unit* FindUnit(const Unit (&units)[N], std::string_view name) {
    for (const Unit& u : units)
        if (SameNoCase(name, u.name)) return &u;
    return nullptr;
}

constexpr char kTimeHelp[] = "a number and s, ms, us, ns or cycles";

std::string Quoted(std::string_view a, std::string_view b = {}) {
    std::string text = "'" + std::string(a);
    if (!b.empty()) text += " " + std::string(b);
    return text + "'";
}

} // namespace

bool SameNoCase(std::string_view a, std::string_view b) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i])) return false;
    return true;
}

std::vector<std::string_view> LabWords(std::string_view text) {
    std::vector<std::string_view> words;
    size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\r'))
            ++i;
        size_t start = i;
        while (i < text.size() && text[i] != ' ' && text[i] != '\t' && text[i] != '\r')
            ++i;
        if (i > start) words.push_back(text.substr(start, i - start));
    }
    return words;
}

size_t TakeLabTime(const std::vector<std::string_view>& words, size_t at, LabTime& time,
                   std::string& error) {
    if (at >= words.size()) {
        error = std::string("a time is missing (") + kTimeHelp + ")";
        return 0;
    }
    Decimal d;
    if (!SplitNumber(words[at], d)) {
        error = Quoted(words[at]) + " is not a time (" + kTimeHelp + ")";
        return 0;
    }
    std::string_view unitName = d.suffix;
    size_t taken = 1;
    std::string shown = Quoted(words[at]);
    if (unitName.empty()) {
        if (at + 1 >= words.size() || !FindUnit(kTimeUnits, words[at + 1])) {
            error = shown + " needs a unit: s, ms, us, ns or cycles";
            return 0;
        }
        unitName = words[at + 1];
        shown = Quoted(words[at], words[at + 1]);
        taken = 2;
    }
    const Unit* unit = FindUnit(kTimeUnits, unitName);
    if (!unit) {
        error = shown + " is not a time (" + kTimeHelp + ")";
        return 0;
    }
    if (unit->scale == 0) {
        if (d.fractionDigits > 0) {
            error = shown + ": cycles are whole numbers";
            return 0;
        }
        time = {d.digits, true};
        return taken;
    }
    uint64_t ps = 0;
    switch (Scale(d, unit->scale, ps)) {
    case Scaling::TooFine:
        error = shown + " is finer than a picosecond";
        return 0;
    case Scaling::TooLarge:
        error = shown + " is too long";
        return 0;
    case Scaling::Ok:
        break;
    }
    time = {ps, false};
    return taken;
}

std::optional<LabTime> ParseLabTime(std::string_view text, std::string& error) {
    std::vector<std::string_view> words = LabWords(text);
    LabTime time;
    size_t taken = TakeLabTime(words, 0, time, error);
    if (taken == 0) return std::nullopt;
    if (taken != words.size()) {
        error = "'" + std::string(text) + "' is not a time (" + kTimeHelp + ")";
        return std::nullopt;
    }
    return time;
}

size_t TakeFrequency(const std::vector<std::string_view>& words, size_t at, uint64_t& milliHertz,
                     std::string& error) {
    constexpr char kHelp[] = "hertz, or a number with Hz, kHz or MHz";
    if (at >= words.size()) {
        error = std::string("a frequency is missing (") + kHelp + ")";
        return 0;
    }
    Decimal d;
    const Unit* unit = &kFrequencyUnits[0];
    size_t taken = 1;
    std::string shown = Quoted(words[at]);
    bool number = SplitNumber(words[at], d);
    if (number && !d.suffix.empty()) {
        unit = FindUnit(kFrequencyUnits, d.suffix);
    } else if (number && at + 1 < words.size() && FindUnit(kFrequencyUnits, words[at + 1])) {
        unit = FindUnit(kFrequencyUnits, words[at + 1]);
        shown = Quoted(words[at], words[at + 1]);
        taken = 2;
    }
    if (!number || !unit) {
        error = shown + " is not a frequency (" + kHelp + ")";
        return 0;
    }
    uint64_t value = 0;
    if (Scale(d, unit->scale, value) != Scaling::Ok || value > uint64_t{1'000'000'000'000'000}) {
        error = shown + " is not a frequency the bench can make (1 mHz steps, up to 1 THz)";
        return 0;
    }
    milliHertz = value;
    return taken;
}

uint64_t CyclesOf(const LabTime& time, uint64_t cyclesPerSecond) {
    if (time.inCycles) return time.amount;
    u128 c =
        (u128{time.amount} * cyclesPerSecond + kPicosecondsPerSecond / 2) / kPicosecondsPerSecond;
    return c > std::numeric_limits<uint64_t>::max() ? std::numeric_limits<uint64_t>::max()
                                                    : static_cast<uint64_t>(c);
}

uint64_t PicosecondsOf(uint64_t cycles, uint64_t cyclesPerSecond) {
    if (cyclesPerSecond == 0) return 0;
    u128 ps = (u128{cycles} * kPicosecondsPerSecond + cyclesPerSecond / 2) / cyclesPerSecond;
    return ps > std::numeric_limits<uint64_t>::max() ? std::numeric_limits<uint64_t>::max()
                                                     : static_cast<uint64_t>(ps);
}

namespace {

// value / scale with the fraction's trailing zeros left out, and the unit.
std::string WithUnit(uint64_t value, uint64_t scale, int scaleDigits, const char* unit) {
    std::string text = std::to_string(value / scale);
    uint64_t fraction = value % scale;
    if (fraction) {
        std::string digits = std::to_string(fraction);
        digits.insert(0, size_t(scaleDigits) - digits.size(), '0');
        while (!digits.empty() && digits.back() == '0')
            digits.pop_back();
        text += "." + digits;
    }
    return text + " " + unit;
}

} // namespace

std::string FormatPicoseconds(uint64_t ps) {
    struct Scale {
        uint64_t scale;
        int digits;
        const char* unit;
    };
    static constexpr Scale kScales[] = {{kPicosecondsPerSecond, 12, "s"},
                                        {1'000'000'000, 9, "ms"},
                                        {1'000'000, 6, "us"},
                                        {1'000, 3, "ns"}};
    for (const Scale& s : kScales)
        if (ps >= s.scale) return WithUnit(ps, s.scale, s.digits, s.unit);
    return ps == 0 ? "0 s" : std::to_string(ps) + " ps";
}

std::string FormatHertz(uint64_t hertz) {
    if (hertz >= 1'000'000) return WithUnit(hertz, 1'000'000, 6, "MHz");
    if (hertz >= 1'000) return WithUnit(hertz, 1'000, 3, "kHz");
    return std::to_string(hertz) + " Hz";
}

} // namespace pellix
