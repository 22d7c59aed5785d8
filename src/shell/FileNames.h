// Names of documents and the parts of a path.
#pragma once

#include <string>

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

// Whether the file part of `path` has an extension ("a.b/c" has none).
bool HasExtension(const std::string& path);
// The extension of the file part, with its dot, or empty.
std::string ExtensionOf(const std::string& path);
// The file part of a path.
std::string FilePart(const std::string& path);
// The folder part of a path, without the final separator; empty when there is none.
std::string FolderPart(const std::string& path);

} // namespace pellix
