// The main window's command line: an optional file name and the switches /B, /R, /1../4.
#pragma once

#include <string>
#include <vector>

#include "shell/FileNames.h"

namespace pellix {

struct CommandLine {
    std::string fileName;      // the last argument not starting with "/", with its extension
    bool compilerMode = false; // /B
    bool readOnly = false;     // /R, only together with a file name
    int port = 0;              // 1 to 4 from /1../4, 0 when none was given

    // `arguments` excludes the program's own name. A switch is "/" and one character;
    // any other argument is the file name. A name without an extension gets
    // ".src", or ".cod" in compiler mode.
    static CommandLine Parse(const std::vector<std::string>& arguments);
};

// "--help" (or "-h") and "--version" among the arguments ask for text on standard output
// instead of the window; the first one found wins.
enum class InfoRequest { None, Help, Version };
InfoRequest FindInfoRequest(const std::vector<std::string>& arguments);
// What "--help" prints.
std::string UsageText();
// What "--version" prints: the program's name and `version`.
std::string VersionText(const std::string& version);

} // namespace pellix
