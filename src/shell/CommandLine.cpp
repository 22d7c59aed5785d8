#include "shell/CommandLine.h"

#include <cctype>

namespace pellix {

CommandLine CommandLine::Parse(const std::vector<std::string>& arguments) {
    CommandLine c;
    for (const std::string& a : arguments) {
        if (a.empty()) continue;
        // Absolute paths start with "/" here, so only "/" and one character is a switch.
        if (a[0] != '/' || a.size() != 2) {
            c.fileName = a;
            continue;
        }
        char s = char(std::toupper(static_cast<unsigned char>(a[1])));
        if (s == 'B')
            c.compilerMode = true;
        else if (s == 'R')
            c.readOnly = true;
        else if (s >= '1' && s <= '4')
            c.port = s - '0';
    }
    if (!c.fileName.empty() && !HasExtension(c.fileName))
        c.fileName += c.compilerMode ? ".cod" : ".src";
    if (c.fileName.empty()) c.readOnly = false;
    return c;
}

InfoRequest FindInfoRequest(const std::vector<std::string>& arguments) {
    for (const std::string& a : arguments) {
        if (a == "--help" || a == "-h") return InfoRequest::Help;
        if (a == "--version") return InfoRequest::Version;
    }
    return InfoRequest::None;
}

std::string UsageText() {
    return "Usage: pellix [/1 | /2 | /3 | /4] [/R] [/B] [FILE]\n"
           "       pellix --help | --version\n"
           "\n"
           "The windowed development environment for the SX microcontrollers: editor,\n"
           "assembler, programmer and in-circuit debugger.\n"
           "\n"
           "  FILE      the source to open (.src is added to a name without an extension);\n"
           "            an .sxh image opens in the device window\n"
           "  /1 .. /4  use the serial port COM1 to COM4 (/dev/ttyS0 to /dev/ttyS3) when\n"
           "            no port is stored in the settings yet\n"
           "  /R        open FILE read-only\n"
           "  /B        compiler-output mode: FILE is the base name of a .cod debug file and\n"
           "            its .lst listing; pellix loads them and starts the debugger\n"
           "\n"
           "Settings: ~/.config/pellix/settings.ini, or the file PELLIX_SETTINGS names.\n";
}

std::string VersionText(const std::string& version) {
    return "pellix " + version + "\n";
}

} // namespace pellix
