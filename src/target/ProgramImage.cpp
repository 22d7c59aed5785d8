#include "target/ProgramImage.h"

#include <string>

namespace pellix {

uint16_t ClearedFusex(int family) {
    return family == 1 ? kClearedFusexFamily1 : kClearedFusexFamily0;
}

void ProgramImage::Clear(int family) {
    for (int i = 0; i < kFuseIndex; ++i) words[i] = kUnwritten;
    words[kFuseIndex] = kClearedFuse;
    words[kFusexIndex] = ClearedFusex(family);
}

void ProgramImage::SetId(std::string_view text) {
    for (int i = 0; i < kIdWords; ++i) words[kIdIndex + i] = kUnwritten;
    for (size_t i = 0; i < text.size() && i < size_t(kIdCharacters); ++i) {
        auto c = static_cast<unsigned char>(text[i]);
        words[kIdIndex + 2 * i] = uint16_t(0xFF0 | (c >> 4));
        words[kIdIndex + 2 * i + 1] = uint16_t(0xFF0 | (c & 0x0F));
    }
}

std::string ProgramImage::IdText() const {
    std::string out;
    for (int i = 0; i < kIdCharacters; ++i) {
        uint16_t hi = words[kIdIndex + 2 * i] & 0x0FFF, lo = words[kIdIndex + 2 * i + 1] & 0x0FFF;
        if ((hi & 0xFF0) != 0xFF0 || (lo & 0xFF0) != 0xFF0) break;
        if (hi == kUnwritten && lo == kUnwritten) break;
        out.push_back(char(((hi & 0x0F) << 4) | (lo & 0x0F)));
    }
    return out;
}

} // namespace pellix
