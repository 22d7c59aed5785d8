// pellix-cli clock FREQ|off [--port PORT]
#include "cli/ChipCommands.h"
#include "cli/CliCommand.h"

namespace pellix::cli {

namespace {

int Run(const std::vector<std::string>& args) {
    return RunInProcessContext(ClockCommand, args);
}

const CliRegistration registration(
    {"clock", kClockUsage,
     "start the key's clock generator at FREQ (hertz, or with kHz or MHz), or switch it off", Run});

} // namespace

} // namespace pellix::cli
