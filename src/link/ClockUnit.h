// The key's clock generator: the synthesizer word for a frequency, switching it on and off,
// the texts that tell the user about it, and the arithmetic of the clock window's edit and
// slider.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "link/KeyProtocol.h"
#include "target/DebugInfo.h"

namespace pellix {

inline constexpr uint32_t kSynthReference = 20'000'000; // Hz into the reference divider
inline constexpr uint32_t kSynthMinVco = 25'000'000;
inline constexpr uint32_t kSynthMaxVco = 75'000'000;
inline constexpr uint32_t kSynthHighRange = 40'000'000; // range bit from here up
inline constexpr char kClockOffText[] = "Pellix clock generator is OFF.";

// The 24-bit word for F hertz: the divided oscillator nearest F / 2, ties to the smaller
// output divider, then the larger multiplier, then the larger reference divider. F is taken
// within 400,000 to 110,000,000 Hz first, so every word sent is one the key can make.
uint32_t SynthWord(uint32_t frequency);
// The frequency a word makes: twice the divided oscillator.
uint32_t SynthFrequency(uint32_t word);

// "Pellix is generating a clock signal of 50,000,000 Hz."
std::string ClockText(uint32_t frequency);
// Whether the key's generator makes `frequency`: Run and Debug need it to, Program does not.
constexpr bool KeyCanGenerate(uint32_t frequency) {
    return frequency >= kMinFrequency && frequency <= kMaxFrequency;
}
// "the key cannot generate the program's clock of 32,768 Hz (it makes 400,000 to
// 110,000,000 Hz)"
std::string ClockRangeNotice(uint32_t frequency);
// Decimal with "," between groups of three digits from the right.
std::string GroupedDecimal(uint32_t value);

// Command 8 with the word for `frequency`, then the status.
void ClockOn(KeyProtocol& protocol, uint32_t frequency);
// Command 9; the key does not answer.
void ClockOff(KeyProtocol& protocol);

// The clock window's arithmetic.
uint32_t ClampFrequency(uint64_t frequency);
// Whole megahertz, ".", three digits of kilohertz: "50.000".
std::string FrequencyEditText(uint32_t frequency);
// The edit's text as megahertz: digits before "." are whole megahertz, the first three after
// it add 100, 10 and 1 kHz, later digits and other characters add nothing. Not clamped.
uint64_t ParseFrequencyEdit(std::string_view text);
inline constexpr int kSliderMax = 10960;
int SliderPosition(uint32_t frequency); // of a clamped frequency
uint32_t SliderFrequency(int position); // position 0 is 110 MHz, 10960 is 400 kHz

} // namespace pellix
