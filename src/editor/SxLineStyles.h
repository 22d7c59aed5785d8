// How one line of SX source is coloured: a style per byte. Plain C++, so it can be fuzzed
// and tested without a window.
#pragma once

#include <string>
#include <string_view>
#include <unordered_set>

namespace pellix {

using KeywordSet = std::unordered_set<std::string>; // upper case

enum SxStyle : char { kSxDefault = 0, kSxKeyword = 1, kSxComment = 2 };

// Keywords (whole names of letters, digits, "_" and ":" not starting with a digit, found
// in `keywords` without regard to case) and comments from ";" to the end of the line; a
// ";" inside a quoted character string starts no comment. `keywords` may be null.
std::string StyleSxLine(std::string_view line, const KeywordSet* keywords);

} // namespace pellix
