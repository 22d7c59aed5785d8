// The keyword list that colours sources: from "SX Assembly Keyword List.txt" in the current
// folder when there is one, else the built-in list. One keyword a line.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace pellix {

inline constexpr const char* kKeywordFileName = "SX Assembly Keyword List.txt";

// The words of a list, one a line (blanks around them and empty lines ignored), in upper
// case, without repeats.
std::vector<std::string> ParseKeywordList(std::string_view text);

// Every mnemonic, directive, DEVICE identifier and parameter, operand keyword, watch
// format and predefined name of the built-in assembler.
const std::vector<std::string>& BuiltInKeywords();

// The list file in `folder` (empty: the current folder) when it exists, else the built-in
// list. `fromFile` tells which.
std::vector<std::string> LoadKeywords(const std::string& folder, bool* fromFile = nullptr);

} // namespace pellix
