#include <cstdio>
#include <string>
#include <vector>

#include "orda/Orda.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv, argv + argc);
    // The GNU-style spellings beside orda's own /H and /?; help asked for so is no failure.
    bool help = args.size() == 2 && args[1] == "--help";
    if (args.size() == 2 && args[1] == "--version") {
        std::printf("orda %s (pellix %s)\n", orda::kVersion, PELLIX_VERSION);
        return 0;
    }
    if (help) args[1] = "/?";
    orda::SystemHost host;
    orda::Orda assembler(host);
    int code = assembler.Run(args);
    std::fflush(stdout);
    return help ? 0 : code;
}
