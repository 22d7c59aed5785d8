// The names the debugger's windows keep their settings under, relative to the program's
// root. The shell's list of every stored value (WorkingSettings.h) takes them from here.
#pragma once

namespace pellix::setting {

inline constexpr const char* UseRegPositions = "DebugWindow\\UseRegPositions";

// Window placements.
inline constexpr const char* CodeWindow = "CodeWindow";
inline constexpr const char* RegisterWindow = "RegisterWindow";
inline constexpr const char* DebugWindow = "DebugWindow";
inline constexpr const char* WatchWindow = "WatchWindow";

} // namespace pellix::setting
