// pellix-cli debug SOURCE|IMAGE [--port PORT] [--script FILE]
#include "cli/ChipCommands.h"
#include "cli/CliCommand.h"

namespace pellix::cli {

namespace {

int Run(const std::vector<std::string>& args) {
    return RunInProcessContext(DebugCommand, args);
}

const CliRegistration registration({"debug", kDebugUsage,
                                    "program for debugging and run debug commands from FILE "
                                    "or standard input",
                                    Run});

} // namespace

} // namespace pellix::cli
