// Which way an editor shows a file's bytes. Sources on Linux are UTF-8; an older file with
// single-byte characters (a byte sequence that is no UTF-8) is shown one byte a character.
// Either way the bytes themselves are kept as they are.
#pragma once

#include <string_view>

namespace pellix {

// True when `text` is well-formed UTF-8 (no overlong forms, no surrogates, nothing above
// U+10FFFF). Plain ASCII is.
bool IsUtf8(std::string_view text);

} // namespace pellix
