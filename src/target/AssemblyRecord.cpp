#include "target/AssemblyRecord.h"

#include <algorithm>

#include "target/ListingWriter.h"

namespace pellix {

void DebugInfo::SetListingCapacity(size_t capacity) {
    listing.assign(capacity + 1, '\0');
    listingCapacity = capacity;
    listingLength = 0;
}

bool DebugInfo::SetListingText(std::string_view text) {
    if (text.size() > listingCapacity) return false;
    std::copy(text.begin(), text.end(), listing.begin());
    listing[text.size()] = '\0';
    listingLength = text.size();
    return true;
}

bool ListingWriter::PutHex(unsigned value, int digits) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    for (int shift = 4 * (digits - 1); shift >= 0; shift -= 4)
        if (!Put(kDigits[(value >> shift) & 0xF])) return false;
    return true;
}

void AssemblyRecord::StartUp() {
    ClearImage();
    debug.SetListingCapacity(kListingCapacity);
    debug.frequency = kDefaultFrequency;
    debug.ircChoice = kNoIrcChoice;
    debug.lineOfAddress.fill(-1);
    deviceFamily = 0;
}

AssemblyRecord& AssemblyRecord::ClearImage() {
    assembled.Clear(deviceFamily);
    return *this;
}

} // namespace pellix
