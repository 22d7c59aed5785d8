// Line ends as the built-in assembler reads them.
#pragma once

#include <string>
#include <string_view>

namespace pellix {

// CR LF and a lone LF become CR; a lone CR stays. No line is ever joined to the next.
std::string ToCrLineEnds(std::string_view text);

// Whether the windowed program's editor drops `c` on the text's way to the assembler: every
// control character but the tab and the line ends (a NUL would end the text there).
constexpr bool DroppedForAssembler(unsigned char c) {
    return c < 32 && c != '\t' && c != '\r' && c != '\n';
}

// The text as the windowed program hands it to the assembler: CR line ends, and the
// characters DroppedForAssembler names left out.
std::string ToAssemblerText(std::string_view text);

} // namespace pellix
