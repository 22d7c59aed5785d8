#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    if (argc > 1 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::printf("Usage: pellix-keysim [options]\n"
                    "Serves the virtual key on a pseudo-terminal.\n");
        return 0;
    }
    std::fprintf(stderr, "pellix-keysim: the virtual key is not available yet\n");
    return 2;
}
