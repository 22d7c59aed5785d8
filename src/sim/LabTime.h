// Simulated time as users write it ("1.5ms", "20 us", "300 cycles") and as the bench counts
// it (instruction cycles), and frequencies ("1kHz", "32768", "4.9152 MHz").
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace pellix {

struct LabTime {
    uint64_t amount = 0; // picoseconds, or cycles
    bool inCycles = false;
    bool operator==(const LabTime&) const = default;
};

inline constexpr uint64_t kPicosecondsPerSecond = 1'000'000'000'000;

// A time from `words` starting at `at`: a number with its unit attached ("1.5ms") or in the
// next word ("1.5 ms"). Units s, ms, us (or µs), ns and cycles (or cycle). Returns the words
// taken (1 or 2), or 0 with `error` saying what is wrong.
size_t TakeLabTime(const std::vector<std::string_view>& words, size_t at, LabTime& time,
                   std::string& error);
// The same for a whole text ("40ms", "40 ms"): nothing may follow.
std::optional<LabTime> ParseLabTime(std::string_view text, std::string& error);

// A frequency in millihertz from `words` at `at`: a number with or without Hz, kHz or MHz,
// attached or in the next word. Returns the words taken or 0 with `error`.
size_t TakeFrequency(const std::vector<std::string_view>& words, size_t at, uint64_t& milliHertz,
                     std::string& error);

// The nearest cycle to the time at `cyclesPerSecond`.
uint64_t CyclesOf(const LabTime& time, uint64_t cyclesPerSecond);
// The time `cycles` take, in picoseconds, rounded to the nearest.
uint64_t PicosecondsOf(uint64_t cycles, uint64_t cyclesPerSecond);
// "40 ms", "1.5 us", "0 s", "2.000001 s": the largest unit that leaves a whole number or a
// short fraction, trailing zeros left out.
std::string FormatPicoseconds(uint64_t picoseconds);
// "50 MHz", "32.768 kHz", "1 Hz".
std::string FormatHertz(uint64_t hertz);

// Whitespace-separated words of a line.
std::vector<std::string_view> LabWords(std::string_view text);
// Equal but for the case of ASCII letters.
bool SameNoCase(std::string_view a, std::string_view b);

} // namespace pellix
