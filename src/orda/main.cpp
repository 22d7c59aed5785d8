#include <cstdio>

int main() {
    std::printf("\nORDA Cross-Assembler for Halvane SX-based microcontrollers %20.20s\n",
                "Version 1.50");
    std::printf("Part of the pellix development environment.\n");
    std::fprintf(stderr, "orda: assembling is not available yet\n");
    return 2;
}
