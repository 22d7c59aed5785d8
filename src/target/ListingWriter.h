// The one writer every character of the listing buffer goes through.
#pragma once

#include <cstring>
#include <string_view>

#include "target/DebugInfo.h"

namespace pellix {

inline constexpr const char* kListTooLarge = "List is too large";

class ListingWriter {
public:
    explicit ListingWriter(DebugInfo& info) : info_(info) {}

    // False (nothing written) when the buffer is full: the caller fails with kListTooLarge.
    bool Put(char c) {
        if (info_.listingLength >= info_.listingCapacity) return false;
        info_.listing[info_.listingLength++] = c;
        return true;
    }
    // Writes what fits; false when the text did not fit whole.
    bool Put(std::string_view text) {
        size_t room = info_.listingCapacity - info_.listingLength;
        size_t n = text.size() < room ? text.size() : room;
        std::memcpy(info_.listing.data() + info_.listingLength, text.data(), n);
        info_.listingLength += n;
        return n == text.size();
    }
    // Counts n characters without writing them, with the same limit (a dry run that only
    // needs the lengths).
    bool Advance(size_t n) {
        size_t room = info_.listingCapacity - info_.listingLength;
        info_.listingLength += n < room ? n : room;
        return n <= room;
    }
    // Three upper-case hex digits, the form of every 12-bit word in text.
    bool PutHex(unsigned value, int digits);

private:
    DebugInfo& info_;
};

} // namespace pellix
