#include "editor/TextEncoding.h"

#include <cstdint>

namespace pellix {

bool IsUtf8(std::string_view text) {
    const size_t n = text.size();
    size_t i = 0;
    while (i < n) {
        const uint8_t b = uint8_t(text[i]);
        if (b < 0x80) {
            ++i;
            continue;
        }
        size_t more;
        uint32_t lowest; // the smallest code point that needs this many bytes
        uint32_t cp;
        if ((b & 0xE0) == 0xC0) {
            more = 1, lowest = 0x80, cp = b & 0x1Fu;
        } else if ((b & 0xF0) == 0xE0) {
            more = 2, lowest = 0x800, cp = b & 0x0Fu;
        } else if ((b & 0xF8) == 0xF0) {
            more = 3, lowest = 0x10000, cp = b & 0x07u;
        } else {
            return false;
        }
        if (n - i <= more) return false;
        for (size_t k = 1; k <= more; ++k) {
            const uint8_t c = uint8_t(text[i + k]);
            if ((c & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (c & 0x3Fu);
        }
        if (cp < lowest || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        i += more + 1;
    }
    return true;
}

} // namespace pellix
