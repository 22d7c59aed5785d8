// The texts pellix-cli prints about an assembly, shared with the tests that check them.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "target/AssemblyRecord.h"

namespace pellix {

// Where an offset of a CR-ended text lies: 1-based line and column (each character one
// column), and the bounds of its line without the CR.
struct SourcePosition {
    int line = 1;
    int column = 1;
    size_t lineStart = 0;
    size_t lineEnd = 0;
};
SourcePosition PositionOf(std::string_view text, size_t offset);

// After a successful assembly: "Assembly Successful", FAMILY, FREQ, BREAK and a WATCH line
// per watch, each line ending in LF.
std::string SummaryText(const AssemblyRecord& record);

// After a failed assembly: "NAME:LINE:COL: error: MESSAGE", the source line holding
// errorStart, and a caret with tildes under errorStart up to errorEnd; the blanks before the
// caret are tabs where the source line has tabs.
std::string DiagnosticText(const AssemblyRecord& record, std::string_view sourceName);

// Every written code word of `assembled`, ascending: "AAA- WWW  TEXT".
std::string DisassemblyText(const AssemblyRecord& record);

// The name of a watch format (UDEC to ZSTR).
std::string_view WatchFormatName(uint8_t format);

} // namespace pellix
