// Writes the built-in keyword list, one word a line, into the file named on the command
// line: the list file that is installed for users to copy and change.
#include <cstdio>

#include "shell/Keywords.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: pellix-keywords FILE\n");
        return 2;
    }
    std::FILE* f = std::fopen(argv[1], "wb");
    if (!f) {
        std::perror(argv[1]);
        return 1;
    }
    for (const std::string& word : pellix::BuiltInKeywords())
        std::fprintf(f, "%s\n", word.c_str());
    if (std::fclose(f) != 0) {
        std::perror(argv[1]);
        return 1;
    }
    return 0;
}
