// The per-user folder that takes orda's output files when the folder beside the program
// cannot be made (an installed program in a system folder). orda and the environment's
// bridge both use this one rule, so that the bridge finds what orda wrote.
#pragma once

#include <cstdlib>
#include <string>

namespace orda {

inline constexpr const char* kOutputFolderName = "ORDA Output";

// $XDG_DATA_HOME/pellix/ORDA Output/, else ~/.local/share/pellix/ORDA Output/, with the
// trailing separator; empty when neither variable gives an absolute folder.
inline std::string UserOutputFolder() {
    std::string base;
    // A relative XDG_DATA_HOME is to be ignored.
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && xdg[0] == '/') {
        base = xdg;
    } else if (const char* home = std::getenv("HOME"); home && home[0] == '/') {
        base = std::string(home) + "/.local/share";
    } else {
        return {};
    }
    while (base.size() > 1 && base.back() == '/')
        base.pop_back();
    return base + "/pellix/" + kOutputFolderName + "/";
}

} // namespace orda
