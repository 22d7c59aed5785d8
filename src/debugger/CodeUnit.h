// The code view's model: the rows the window has room for, where the listing stands, the
// scroll bar, the colours of each row from the program counter and the breakpoint, the
// cache that leaves unchanged rows alone, and the address a clicked row stands for.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "link/DebugState.h"
#include "target/DebugInfo.h"

namespace pellix {

inline constexpr int kMaxCodeRows = 1000;
inline constexpr int kFirstColumnChars = 15;
inline constexpr int kSourceColumnChar = 16; // the 17th character starts the source column
inline constexpr int kCodeScrollBarWidth = 16;

// Colour pairs: 0 normal, 1 the next instruction, 2 the breakpoint.
inline constexpr uint8_t kCodeNormal = 0;
inline constexpr uint8_t kCodeNext = 1;
inline constexpr uint8_t kCodeBreak = 2;

// Rows that fit: at least 0, at most lineCount - 1 (the last entry ends the listing) and
// at most 1000.
int CodeRows(int clientHeight, int rowHeight, int lineCount);
// The first listing line shown after scrolling `line` into view: a quarter of the rows
// from either edge, moving only when it must.
int CodeScrollTo(int position, int line, int rows, int lineCount);

struct CodeScrollBar {
    bool visible = false;
    int maximum = 0;
    int page = 0;
};
CodeScrollBar CodeScrollBarFor(int rows, int lineCount);
// Lines one wheel step moves.
int CodeWheelLines(int rows);

// The lines of the next instruction (the one after the program counter's when SKIP is
// set) and of the breakpoint, -1 when none.
struct CodeMarks {
    int next = -1;
    int breakLine = -1;
};
CodeMarks CodeMarksOf(const DebugInfo& debug, const DebugState& state, int memorySize);

struct RowColors {
    uint8_t first = kCodeNormal;  // the first column
    uint8_t source = kCodeNormal; // the source column
    bool operator==(const RowColors&) const = default;
};
RowColors RowColorsOf(int line, const CodeMarks& marks);

// The lowest code address below `memorySize` the listing line stands for, or -1.
int AddressOfLine(const DebugInfo& debug, int line, int memorySize);

// What each row was drawn with, so a repaint touches only the rows that changed.
class CodeRowCache {
public:
    // The rows to draw now (all of them when `all`), noting what they will be drawn with.
    std::vector<int> RowsToDraw(bool all, int position, int rows, const CodeMarks& marks);
    bool Drawn() const { return drawn_; }
    void Invalidate() { drawn_ = false; }

private:
    std::array<RowColors, kMaxCodeRows> rows_{};
    int position_ = -1;
    bool drawn_ = false;
};

} // namespace pellix
