// A source file's text on its way to the built-in assembler, as the windowed program's
// editor hands it over, so that both give the same program for the same file.
#pragma once

#include <ostream>
#include <string>
#include <string_view>

namespace pellix::cli {

// CR line ends, the control characters the editor drops left out; each line that lost
// some is named on `err` ("NAME:LINE: ...").
std::string AssemblerSource(std::string_view text, const std::string& name, std::ostream& err);

} // namespace pellix::cli
