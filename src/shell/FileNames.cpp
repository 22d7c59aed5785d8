#include "shell/FileNames.h"

namespace pellix {

std::string FilePart(const std::string& path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string FolderPart(const std::string& path) {
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return {};
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string ExtensionOf(const std::string& path) {
    std::string file = FilePart(path);
    size_t dot = file.find_last_of('.');
    // A leading dot names a hidden file, not an extension.
    if (dot == std::string::npos || dot == 0) return {};
    return file.substr(dot);
}

bool HasExtension(const std::string& path) {
    return !ExtensionOf(path).empty();
}

} // namespace pellix
