#include <cstdio>
#include <string>
#include <vector>

#include "orda/Orda.h"

int main(int argc, char** argv) {
    std::vector<std::string> args(argv, argv + argc);
    orda::SystemHost host;
    orda::Orda assembler(host);
    int code = assembler.Run(args);
    std::fflush(stdout);
    return code;
}
