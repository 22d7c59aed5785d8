#include <algorithm>
#include <cstdio>
#include <cstring>

#include "cli/CliCommand.h"

namespace pellix::cli {

namespace {

std::vector<CliCommand>& Registry() {
    static std::vector<CliCommand> commands;
    return commands;
}

// Every command pellix-cli will have, in the order --help lists them.
constexpr const char* kPlanned[] = {"assemble", "disasm", "program", "run",  "verify",
                                    "read",     "clock",  "debug",   "ports",
                                    "sim"};

const CliCommand* Find(const std::string& name) {
    for (const auto& c : Registry())
        if (name == c.name) return &c;
    return nullptr;
}

void PrintHelp() {
    std::printf("Usage: pellix-cli COMMAND [ARGUMENTS]\n"
                "       pellix-cli --help | --version\n\n"
                "Headless companion of the pellix environment for SX microcontrollers.\n\n"
                "Commands:\n");
    for (const char* name : kPlanned) {
        if (const CliCommand* c = Find(name))
            std::printf("  %s%s%s\n      %s\n", c->name, *c->usage ? " " : "", c->usage,
                        c->summary);
        else
            std::printf("  %s\n      (not available yet)\n", name);
    }
    std::printf("\nExit codes: 0 success, 1 failure, 2 usage error.\n");
}

} // namespace

CliRegistration::CliRegistration(const CliCommand& command) {
    Registry().push_back(command);
}

const std::vector<CliCommand>& RegisteredCommands() {
    return Registry();
}

} // namespace pellix::cli

int main(int argc, char** argv) {
    using namespace pellix::cli;
    if (argc < 2) {
        PrintHelp();
        return 2;
    }
    std::string command = argv[1];
    if (command == "--help" || command == "-h" || command == "help") {
        PrintHelp();
        return 0;
    }
    if (command == "--version") {
        std::printf("pellix-cli %s\n", PELLIX_VERSION);
        return 0;
    }
    if (const CliCommand* c = Find(command)) {
        std::vector<std::string> args(argv + 2, argv + argc);
        return c->run(args);
    }
    bool planned = std::any_of(std::begin(kPlanned), std::end(kPlanned),
                               [&](const char* n) { return command == n; });
    if (planned)
        std::fprintf(stderr, "%sthe command '%s' is not available yet\n", kErrorPrefix,
                     command.c_str());
    else
        std::fprintf(stderr, "%sunknown command '%s' (try --help)\n", kErrorPrefix,
                     command.c_str());
    return 2;
}
