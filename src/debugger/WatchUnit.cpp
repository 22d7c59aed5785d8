#include "debugger/WatchUnit.h"

#include <algorithm>
#include <cctype>

namespace pellix {

int WatchLayout::ValueAt(int x, int y, int count) const {
    if (rowHeight <= 0 || x <= nameColumn || x >= clientWidth || y < 0) return -1;
    int row = y / rowHeight;
    return row < count ? row : -1;
}

WatchLayout ComputeWatchLayout(const DebugInfo& debug, int family, int banks, int charWidth,
                               int charHeight,
                               const std::function<int(const std::string&)>& textWidth) {
    WatchLayout l;
    l.charWidth = charWidth;
    l.rowHeight = charHeight + 2 * (charHeight / 8) + 3;
    int widestName = 0, widestValue = 0;
    const int count = std::clamp(debug.watchCount, 0, kMaxWatches);
    DebugState blank;
    for (int i = 0; i < count; ++i) {
        const WatchRecord& w = debug.watches[size_t(i)];
        widestName = std::max(widestName, textWidth(std::string(w.name)));
        widestValue = std::max(widestValue, textWidth(FormatWatch(blank, w, family, banks, true)));
    }
    l.nameColumn = widestName + 2 * charWidth;
    l.clientWidth = widestName + widestValue + 4 * charWidth + 1;
    l.clientHeight = std::max(count * l.rowHeight - 1, 0);
    return l;
}

std::optional<uint32_t> ParseWatchEntry(std::string_view text, int length) {
    length = std::clamp(length, 1, 32);
    uint32_t base = 0;
    bool negative = false;
    size_t i = 0;
    for (; i < text.size(); ++i) {
        char ch = text[i];
        if (ch == '$')
            base = 16;
        else if (ch == '%')
            base = 2;
        else if (ch == '-')
            negative = !negative;
        else
            break; // the number itself
    }
    if (base == 0) {
        if (i == text.size() || text[i] < '0' || text[i] > '9') return std::nullopt;
        base = 10;
    }
    uint64_t v = 0;
    int digits = 0;
    for (; i < text.size(); ++i) {
        char ch = text[i];
        if (ch == '_') continue;
        int d = std::isdigit(static_cast<unsigned char>(ch)) ? ch - '0'
                : std::isxdigit(static_cast<unsigned char>(ch))
                    ? std::toupper(static_cast<unsigned char>(ch)) - 'A' + 10
                    : 99;
        if (d >= int(base)) return std::nullopt; // the parse ends short of the text's end
        v = v * base + uint64_t(d);
        ++digits;
        if (v > 0xFFFFFFFFull) return std::nullopt;
    }
    if (digits == 0) return std::nullopt;
    const uint64_t top = length >= 32 ? 0xFFFFFFFFull : (uint64_t(1) << length) - 1;
    if (!negative) {
        if (v > top) return std::nullopt;
        return uint32_t(v);
    }
    // Negative numbers down to the signed range of the watch's bits.
    if (v > (uint64_t(1) << (length - 1))) return std::nullopt;
    return uint32_t(0u - uint32_t(v));
}

std::vector<RegisterWrite> NumericWatchWrites(const DebugState& state, const WatchRecord& watch,
                                              int family, int banks, uint32_t value) {
    const int length = std::clamp(int(watch.length), 1, 32);
    const int bit = (watch.target >> 8) & 7;
    const uint64_t bits = length >= 32 ? 0xFFFFFFFFull : (uint64_t(1) << length) - 1;
    const uint64_t mask = bits << bit;
    const uint64_t shifted = (uint64_t(value) & bits) << bit;
    std::vector<RegisterWrite> out;
    std::vector<int> regs = WatchRegisters(watch, family, banks, 5);
    for (int i = 0; i < 5; ++i) {
        uint8_t m = uint8_t(mask >> (8 * i));
        if (m == 0) break;
        int reg = regs[size_t(i)];
        uint8_t old = state.Register(reg);
        out.push_back({reg, uint8_t((old & ~m) | (uint8_t(shifted >> (8 * i)) & m))});
    }
    return out;
}

std::vector<RegisterWrite> StringWatchWrites(const WatchRecord& watch, int family, int banks,
                                             std::string_view text) {
    if (text.size() >= 2 && text.front() == '\'' && text.back() == '\'')
        text = text.substr(1, text.size() - 2);
    std::vector<RegisterWrite> out;
    std::vector<int> regs = WatchRegisters(watch, family, banks, watch.length);
    for (size_t i = 0; i < regs.size(); ++i)
        out.push_back({regs[i], i < text.size() ? uint8_t(text[i]) : uint8_t(0)});
    return out;
}

bool CommitWatchEntry(DebugControl& control, const WatchRecord& watch, std::string_view text) {
    const int family = control.Family();
    const int banks = control.Geometry().ramBanks;
    std::vector<RegisterWrite> writes;
    if (watch.format == FSTR || watch.format == ZSTR) {
        writes = StringWatchWrites(watch, family, banks, text);
    } else {
        std::optional<uint32_t> value = ParseWatchEntry(text, watch.length);
        if (!value) return false;
        writes = NumericWatchWrites(control.live, watch, family, banks, *value);
    }
    for (const RegisterWrite& w : writes)
        control.WriteRegister(w.reg, w.value);
    control.ApplyChanges();
    return true;
}

void WatchEditor::Start(int watch, std::string text) {
    index = watch;
    Restore(std::move(text));
}

void WatchEditor::Stop() {
    index = -1;
    buffer.clear();
    untouched = true;
    changed = false;
}

void WatchEditor::Type(char ch) {
    if (untouched) {
        buffer.clear();
        untouched = false;
    }
    if (buffer.size() < kWatchEditLimit) buffer += ch;
    changed = true;
}

void WatchEditor::Backspace() {
    if (buffer.empty() || untouched) return;
    buffer.pop_back();
    changed = true;
}

void WatchEditor::Restore(std::string text) {
    buffer = std::move(text);
    untouched = true;
    changed = false;
}

} // namespace pellix
