// Line ends as the built-in assembler reads them.
#pragma once

#include <string>
#include <string_view>

namespace pellix {

// CR LF and a lone LF become CR; a lone CR stays. No line is ever joined to the next.
std::string ToCrLineEnds(std::string_view text);

} // namespace pellix
