// pellix-cli read -o IMAGE [--port PORT] [--verify]
#include "cli/ChipCommands.h"
#include "cli/CliCommand.h"

namespace pellix::cli {

namespace {

int Run(const std::vector<std::string>& args) {
    return RunInProcessContext(ReadCommand, args);
}

const CliRegistration registration({"read", kReadUsage, "read the chip into an .sxh image", Run});

} // namespace

} // namespace pellix::cli
