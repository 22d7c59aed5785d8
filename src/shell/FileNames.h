// Names of documents; the parts of a path are in platform/FileIo.h.
#pragma once

#include <string>

#include "platform/FileIo.h"

namespace pellix {

// The file list shows a new, never saved editor as "{Blank_" n "}".
inline constexpr const char* kBlankPrefix = "{Blank_";
// The current file name while a new editor is current; Save turns into Save As for it.
inline constexpr const char* kUntitledName = "Untitled.SRC";
// The file name an editor entry holds until it is first saved.
inline constexpr const char* kUntitledEntryName = "Untitled.src";

inline bool IsBlankLine(const std::string& line) {
    return line.rfind(kBlankPrefix, 0) == 0;
}
inline std::string BlankLine(int n) {
    return kBlankPrefix + std::to_string(n) + "}";
}

} // namespace pellix
