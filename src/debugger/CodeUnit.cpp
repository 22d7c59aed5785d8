#include "debugger/CodeUnit.h"

#include <algorithm>

namespace pellix {

int CodeRows(int clientHeight, int rowHeight, int lineCount) {
    if (rowHeight <= 0) return 0;
    int rows = std::min({clientHeight / rowHeight, lineCount - 1, kMaxCodeRows});
    return std::max(rows, 0);
}

int CodeScrollTo(int position, int line, int rows, int lineCount) {
    int p = std::min(position, line - rows / 4);
    p = std::max(p, 0);
    p = std::max(p, line + rows / 4 - rows + 1);
    p = std::min(p, lineCount - rows - 1);
    return std::max(p, 0);
}

CodeScrollBar CodeScrollBarFor(int rows, int lineCount) {
    CodeScrollBar s;
    s.visible = rows >= 1 && rows <= lineCount - 2;
    s.maximum = std::max(lineCount - rows - 1, 0);
    s.page = rows;
    return s;
}

int CodeWheelLines(int rows) {
    return rows / 8 + 1;
}

CodeMarks CodeMarksOf(const DebugInfo& debug, const DebugState& state, int memorySize) {
    const uint32_t mask = uint32_t(std::clamp(memorySize, 1, 4096) - 1);
    auto line = [&](uint32_t a) { return debug.lineOfAddress[a & mask]; };
    CodeMarks m;
    m.next = state.skipFlag ? line(state.programCounter + 1) : line(state.programCounter);
    if (state.breakpoint <= mask) m.breakLine = line(state.breakpoint);
    return m;
}

RowColors RowColorsOf(int line, const CodeMarks& marks) {
    RowColors c;
    bool next = line >= 0 && line == marks.next;
    c.first = line >= 0 && line == marks.breakLine ? kCodeBreak : next ? kCodeNext : kCodeNormal;
    c.source = next ? kCodeNext : c.first;
    return c;
}

int AddressOfLine(const DebugInfo& debug, int line, int memorySize) {
    if (line < 0) return -1;
    int n = std::clamp(memorySize, 0, 4096);
    for (int a = 0; a < n; ++a)
        if (debug.lineOfAddress[size_t(a)] == line) return a;
    return -1;
}

std::vector<int> CodeRowCache::RowsToDraw(bool all, int position, int rows,
                                          const CodeMarks& marks) {
    std::vector<int> out;
    rows = std::clamp(rows, 0, kMaxCodeRows);
    const bool samePosition = drawn_ && position == position_;
    for (int r = 0; r < rows; ++r) {
        RowColors c = RowColorsOf(position + r, marks);
        if (all || !samePosition || !(rows_[size_t(r)] == c)) out.push_back(r);
        rows_[size_t(r)] = c;
    }
    position_ = position;
    drawn_ = true;
    return out;
}

} // namespace pellix
