// pellix-cli verify IMAGE|SOURCE [--port PORT] [--irc slowest|4mhz|fastest]
#include "cli/ChipCommands.h"
#include "cli/CliCommand.h"

namespace pellix::cli {

namespace {

int Run(const std::vector<std::string>& args) {
    return RunInProcessContext(VerifyCommand, args);
}

const CliRegistration registration({"verify", kProgramUsage,
                                    "compare the chip with an image or an assembled source", Run});

} // namespace

} // namespace pellix::cli
