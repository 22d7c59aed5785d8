// What the debugger and code view need of an assembly: listing, line maps, break, watches.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

namespace pellix {

inline constexpr size_t kListingCapacity = 2'000'000;
inline constexpr int kMaxListLines = 25'000;
inline constexpr uint16_t kNoBreak = 0x1000;
inline constexpr int kMaxWatches = 32;
inline constexpr int kWatchNameSize = 33; // 32 characters and the NUL
inline constexpr uint32_t kDefaultFrequency = 50'000'000;
inline constexpr uint32_t kMinFrequency = 400'000;
inline constexpr uint32_t kMaxFrequency = 110'000'000;
// The program names no IRC calibration choice of its own: the configured one applies.
inline constexpr int kNoIrcChoice = -1;

enum WatchFormat : uint8_t { UDEC, SDEC, UHEX, SHEX, UBIN, SBIN, FSTR, ZSTR };

struct WatchRecord {
    uint16_t target = 0; // register address in bits 0-7, bit number in bits 8-10
    uint8_t length = 0;  // 1 to 32
    uint8_t format = 0;  // WatchFormat
    char name[kWatchNameSize] = {};
};

struct DebugInfo {
    // The listing buffer; it also carries image text for the HEX reader and writer.
    std::vector<char> listing;
    size_t listingCapacity = 0;
    size_t listingLength = 0;

    // One entry per listing line, plus the end entry a completed pass adds.
    std::array<int32_t, kMaxListLines + 1> lineSource{};
    std::array<int32_t, kMaxListLines + 1> lineText{};
    int lineCount = 0;

    std::array<int32_t, 4096> lineOfAddress{};

    uint16_t breakAddress = kNoBreak;
    int watchCount = 0;
    std::array<WatchRecord, kMaxWatches> watches{};
    uint32_t frequency = kDefaultFrequency;
    // The IRC calibration choice (0 to 2) the program itself names, as orda's IRC_CAL does;
    // it holds for this program's chip operations only, never for the configuration.
    int ircChoice = kNoIrcChoice;

    // Gives the listing buffer its capacity (the buffer holds one more byte for a NUL).
    void SetListingCapacity(size_t capacity);
    // The listing text written so far.
    std::string_view ListingText() const { return {listing.data(), listingLength}; }
    // Puts text into the listing buffer for the HEX reader; false when it does not fit.
    bool SetListingText(std::string_view text);
};

} // namespace pellix
