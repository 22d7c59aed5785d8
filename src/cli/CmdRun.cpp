// pellix-cli run IMAGE|SOURCE [--port PORT] [--irc slowest|4mhz|fastest] [--no-verify]
#include "cli/ChipCommands.h"
#include "cli/CliCommand.h"

namespace pellix::cli {

namespace {

int Run(const std::vector<std::string>& args) {
    return RunInProcessContext(RunCommand, args);
}

const CliRegistration
    registration({"run", kWriteUsage,
                  "program the chip, then start the key's clock at the program's frequency", Run});

} // namespace

} // namespace pellix::cli
