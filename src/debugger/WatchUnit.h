// The watch view's model: the layout by the font and the watches, the edit buffer, the
// parsing of a typed number, and what a committed entry writes back into the registers.
// Formatting is shared with pellix-cli (link/WatchFormat).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "link/DebugControl.h"
#include "link/WatchFormat.h"
#include "target/DebugInfo.h"

namespace pellix {

inline constexpr size_t kWatchEditLimit = 50;
inline constexpr char kInvalidConstantText[] = "Invalid constant entry";
inline constexpr char kInvalidConstantCaption[] = "Watch ERROR";

struct WatchLayout {
    int rowHeight = 0;
    int nameColumn = 0; // the vertical line after the names sits here
    int clientWidth = 0;
    int clientHeight = 0;
    int charWidth = 0;
    int ValueRight() const { return clientWidth - charWidth; }
    // The watch whose value cell holds the point, or -1.
    int ValueAt(int x, int y, int count) const;
};

// `textWidth` measures a text in the view's font; `charWidth` and `charHeight` are those of
// "X".
WatchLayout ComputeWatchLayout(const DebugInfo& debug, int family, int banks, int charWidth,
                               int charHeight,
                               const std::function<int(const std::string&)>& textWidth);

// The number typed into a numeric watch of `length` bits: "$" hex and "%" binary before the
// first digit, each "-" there flips the sign, a digit without prefix is decimal; "_" is
// skipped between digits. Nothing when no digit was read, when anything is left over, or
// when the number does not fit the watch (more than `length` bits, or a negative number
// below the signed range).
std::optional<uint32_t> ParseWatchEntry(std::string_view text, int length);

struct RegisterWrite {
    int reg;
    uint8_t value;
    bool operator==(const RegisterWrite&) const = default;
};

// The registers a number changes: its bits shifted up to the watch's bit number, each byte
// along the walk masked to the watch's bits, ending at the first byte with none.
std::vector<RegisterWrite> NumericWatchWrites(const DebugState& state, const WatchRecord& watch,
                                              int family, int banks, uint32_t value);
// A string watch's registers: the characters, then zeros up to its length. Quotes around
// the text, as the view shows it, are not part of it.
std::vector<RegisterWrite> StringWatchWrites(const WatchRecord& watch, int family, int banks,
                                             std::string_view text);

// Writes an entry into the chip and applies it (which refreshes the views). False for a
// numeric entry that is not a number; nothing is written then.
bool CommitWatchEntry(DebugControl& control, const WatchRecord& watch, std::string_view text);

// The edit buffer of the watch being edited.
class WatchEditor {
public:
    int index = -1;
    std::string buffer;
    bool untouched = true;
    bool changed = false;

    bool Active() const { return index >= 0; }
    void Start(int watch, std::string text);
    void Stop();
    // A printable character: the untouched text goes first.
    void Type(char ch);
    void Backspace();
    // Back to the text shown, untouched.
    void Restore(std::string text);
};

} // namespace pellix
