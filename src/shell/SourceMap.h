// Where the code of the last assembly came from in its source files: a file and a line for
// every code address, and back. The enhanced editor's debugging marks stand on it.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "target/DebugInfo.h"
#include "target/ProgramImage.h"

namespace pellix {

struct SourcePlace {
    int file = -1; // index into the map's files, -1 for none
    int line = -1; // 0-based
    bool operator==(const SourcePlace&) const = default;
};

// One statement's code: its first address and where it was written.
struct CodePlace {
    uint16_t address = 0;
    int file = 0;
    int line = 0; // 0-based
};

class SourceMap {
public:
    SourceMap() = default;
    // `files[0]` is the assembled source. A later place of an address does not replace an
    // earlier one.
    SourceMap(std::vector<std::string> files, const std::vector<CodePlace>& places);

    // The built-in assembler's listing: each address's statement in the text it was given,
    // through `origin` (offset of each character of that text in the editor's text) to a
    // line of `editorText`. CR, LF and CR LF each end a line, as in the editor.
    static SourceMap FromListing(const DebugInfo& info, const std::vector<size_t>& origin,
                                 std::string_view editorText, std::string file);

    bool Empty() const { return files_.empty(); }
    const std::vector<std::string>& Files() const { return files_; }
    SourcePlace Place(uint32_t address) const;
    // The lines of `file` that produced code, each with its lowest address, by line.
    std::vector<std::pair<int, uint16_t>> CodeLines(int file) const;

private:
    std::vector<std::string> files_;
    std::array<SourcePlace, kCodeWords> places_{};
};

// Whether a source line is a BREAK statement: an optional label in the first column, then
// the directive (in any case).
bool IsBreakStatement(std::string_view line);

} // namespace pellix
