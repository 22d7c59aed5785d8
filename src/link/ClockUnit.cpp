#include "link/ClockUnit.h"

#include <algorithm>

namespace pellix {

uint32_t SynthWord(uint32_t frequency) {
    uint32_t half = ClampFrequency(frequency) >> 1;
    uint32_t best = 1'000'000;
    uint32_t word = 0;
    for (int s = 7; s >= 0; --s) {
        for (uint32_t n = 4; n <= 130; ++n) {
            for (uint32_t m = 20; m <= 100; ++m) {
                uint32_t v = kSynthReference * n / m;
                if (v < kSynthMinVco || v > kSynthMaxVco) continue;
                uint32_t out = v >> s;
                uint32_t d = out > half ? out - half : half - out;
                if (d > best) continue;
                // At equal distance the later candidate wins, which is what orders the ties.
                best = d;
                word = ((n - 3) << 15) | (1u << 14) | (uint32_t(s) << 11) | ((m - 2) << 4) |
                       ((v >= kSynthHighRange ? 1u : 0u) << 3);
            }
        }
    }
    return word;
}

uint32_t SynthFrequency(uint32_t word) {
    uint32_t n = ((word >> 15) & 0x7F) + 3;
    uint32_t m = ((word >> 4) & 0x7F) + 2;
    uint32_t s = (word >> 11) & 7;
    uint64_t v = uint64_t(kSynthReference) * n / m;
    return uint32_t((v >> s) * 2);
}

std::string GroupedDecimal(uint32_t value) {
    std::string digits = std::to_string(value);
    std::string out;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out.push_back(',');
        out.push_back(digits[i]);
    }
    return out;
}

std::string ClockText(uint32_t frequency) {
    return "Pellix is generating a clock signal of " + GroupedDecimal(frequency) + " Hz.";
}

std::string ClockRangeNotice(uint32_t frequency) {
    return "the key cannot generate the program's clock of " + GroupedDecimal(frequency) +
           " Hz (it makes " + GroupedDecimal(kMinFrequency) + " to " +
           GroupedDecimal(kMaxFrequency) + " Hz)";
}

void ClockOn(KeyProtocol& protocol, uint32_t frequency) {
    protocol.ClockOn(SynthWord(frequency));
}

void ClockOff(KeyProtocol& protocol) {
    protocol.ClockOff();
}

uint32_t ClampFrequency(uint64_t frequency) {
    return uint32_t(std::clamp<uint64_t>(frequency, kMinFrequency, kMaxFrequency));
}

std::string FrequencyEditText(uint32_t frequency) {
    std::string khz = std::to_string(frequency / 1000 % 1000);
    return std::to_string(frequency / 1'000'000) + "." + std::string(3 - khz.size(), '0') + khz;
}

uint64_t ParseFrequencyEdit(std::string_view text) {
    // Megahertz far past any clock are held at a value that still clamps to the top.
    constexpr uint64_t kCeiling = uint64_t(1) << 40;
    uint64_t hertz = 0;
    size_t i = 0;
    for (; i < text.size() && text[i] != '.'; ++i) {
        if (text[i] < '0' || text[i] > '9') continue;
        hertz = std::min(hertz * 10 + uint64_t(text[i] - '0'), kCeiling);
    }
    hertz = std::min(hertz * 1'000'000, kCeiling);
    uint64_t step = 100'000;
    for (++i; i < text.size() && step >= 1000; ++i) {
        if (text[i] < '0' || text[i] > '9') continue;
        hertz += uint64_t(text[i] - '0') * step;
        step /= 10;
    }
    return hertz;
}

int SliderPosition(uint32_t frequency) {
    return kSliderMax - int((ClampFrequency(frequency) - kMinFrequency) / 10'000);
}

uint32_t SliderFrequency(int position) {
    position = std::clamp(position, 0, kSliderMax);
    return kMaxFrequency - uint32_t(position) * 10'000;
}

} // namespace pellix
