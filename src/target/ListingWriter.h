// The one writer every character of the listing buffer goes through.
#pragma once

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
    bool Put(std::string_view text) {
        for (char c : text)
            if (!Put(c)) return false;
        return true;
    }
    // Three upper-case hex digits, the form of every 12-bit word in text.
    bool PutHex(unsigned value, int digits);

private:
    DebugInfo& info_;
};

} // namespace pellix
