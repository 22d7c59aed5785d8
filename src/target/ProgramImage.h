// One program image: code, ID and the two configuration words.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace pellix {

inline constexpr int kImageWords = 4114; // 0x1012
inline constexpr int kCodeWords = 4096;
inline constexpr int kIdIndex = 4096;
inline constexpr int kIdWords = 16;
inline constexpr int kFuseIndex = 4112;
inline constexpr int kFusexIndex = 4113;

inline constexpr uint16_t kWrittenMark = 0x8000;
inline constexpr uint16_t kUnwritten = 0x0FFF;
inline constexpr uint16_t kClearedFuse = 0xFFA;
inline constexpr uint16_t kClearedFusexFamily0 = 0xBFF;
inline constexpr uint16_t kClearedFusexFamily1 = 0xFFF;

inline constexpr int kIdCharacters = 8;

struct ProgramImage {
    std::array<uint16_t, kImageWords> words{};

    uint16_t& operator[](int i) { return words[i]; }
    uint16_t operator[](int i) const { return words[i]; }

    uint16_t Fuse() const { return words[kFuseIndex]; }
    uint16_t Fusex() const { return words[kFusexIndex]; }
    uint16_t& Fuse() { return words[kFuseIndex]; }
    uint16_t& Fusex() { return words[kFusexIndex]; }

    // Code word without its mark.
    uint16_t Code(int address) const { return words[address] & 0x0FFF; }
    bool Written(int address) const { return (words[address] & kWrittenMark) != 0; }

    // Every code and ID word unwritten, FUSE and FUSEX at the family's cleared values.
    void Clear(int family);

    // ID from up to 8 characters, two words each (0xFF0 + high nibble, 0xFF0 + low nibble);
    // the rest of the ID stays unwritten. Longer text is cut at 8 characters.
    void SetId(std::string_view text);
    // Characters back from the ID words, stopping at the first pair that is not of that form.
    std::string IdText() const;

    bool operator==(const ProgramImage&) const = default;
};

uint16_t ClearedFusex(int family);

} // namespace pellix
