// Reading and writing whole files so that a failed save never loses the previous file, and
// the parts of a path.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace pellix {

struct FileRead {
    bool ok = false;
    bool notFound = false; // the file does not exist (as opposed to another failure)
    std::string data;
    std::string error; // the system's text when !ok
};

FileRead ReadWholeFile(const std::string& path);

// Writes `data` to a temporary file beside `path` (beside the file a symbolic link points
// to), with the old file's permissions, and renames it over the old file. Refuses a file
// that has the read-only attribute. Returns the error text, empty on success.
std::string ReplaceFileContents(const std::string& path, std::string_view data);

// Copies `from` byte for byte over `to`. Returns the error text, empty on success.
std::string CopyFileBytes(const std::string& from, const std::string& to);

bool FileExists(const std::string& path);
// Nobody may write the file: no write permission bit, or no write access for this user.
bool HasReadOnlyAttribute(const std::string& path);
// The last modification time in nanoseconds since 1970, 0 when it has none.
int64_t ModificationTime(const std::string& path);
// The path with its extension replaced by ".bak".
std::string BackupName(const std::string& path);
// An absolute, lexically normal form of `path` (relative to the current folder).
std::string FullPath(const std::string& path);

// Whether the file part of `path` has an extension ("a.b/c" has none).
bool HasExtension(const std::string& path);
// The extension of the file part, with its dot, or empty.
std::string ExtensionOf(const std::string& path);
// The file part of a path.
std::string FilePart(const std::string& path);
// The folder part of a path, without the final separator; empty when there is none.
std::string FolderPart(const std::string& path);

} // namespace pellix
