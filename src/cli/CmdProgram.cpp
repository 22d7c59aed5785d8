// pellix-cli program IMAGE|SOURCE [--port PORT] [--irc slowest|4mhz|fastest] [--no-verify]
#include "cli/ChipCommands.h"
#include "cli/CliCommand.h"

namespace pellix::cli {

namespace {

int Run(const std::vector<std::string>& args) {
    return RunInProcessContext(ProgramCommand, args);
}

const CliRegistration registration({"program", kWriteUsage,
                                    "write an image, or a source assembled first, into the chip",
                                    Run});

} // namespace

} // namespace pellix::cli
