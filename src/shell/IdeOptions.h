// The conveniences beyond the classic environment, each on by default and each switched
// off by a value of its own in the settings file (they have no place in Configure).
#pragma once

#include "platform/SettingsRegistry.h"

namespace pellix {

namespace setting {
inline constexpr const char* LineNumbers = "Extras\\LineNumbers";
inline constexpr const char* CurrentLine = "Extras\\CurrentLine";
inline constexpr const char* ModifiedMarks = "Extras\\ModifiedMarks";
inline constexpr const char* EditorBreakpoints = "Extras\\EditorBreakpoints";
inline constexpr const char* SourceLine = "Extras\\SourceLine";
inline constexpr const char* DebugKeys = "Extras\\DebugKeys";
inline constexpr const char* HoverValues = "Extras\\HoverValues";
inline constexpr const char* HaltAction = "Extras\\HaltAction";
inline constexpr const char* ProgramMessage = "Extras\\ProgramMessage";
} // namespace setting

struct IdeOptions {
    bool lineNumbers = true;       // line numbers in the enhanced editor's margin
    bool currentLine = true;       // the caret's line highlighted
    bool modifiedMarks = true;     // "*" after a modified file's name (file list, caption)
    bool editorBreakpoints = true; // the breakpoint margin of the enhanced editor
    bool sourceLine = true;        // the next instruction's line marked in the source
    bool debugKeys = true;         // the Debug menu and F5 to F10
    bool hoverValues = true;       // values of registers and watches under the mouse
    bool haltAction = true;        // Halt (F6): a stop request whatever the chip runs
    bool programMessage = true;    // "Programming Successful" after Program

    // Reads the values that are stored; absent ones keep what the copy holds.
    void Load(SettingsRegistry& registry);
    // Writes every value, so that the settings file shows them.
    void Store(SettingsRegistry& registry) const;
};

} // namespace pellix
