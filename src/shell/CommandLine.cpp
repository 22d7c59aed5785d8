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

} // namespace pellix
