// pellix-cli ports
#include <iostream>

#include "cli/CliCommand.h"
#include "cli/PortsCommand.h"

namespace pellix::cli {

namespace {

int Run(const std::vector<std::string>& args) {
    return PortsCommand(std::cout, std::cerr, args);
}

const CliRegistration registration({"ports", kPortsUsage,
                                    "list the serial ports present (with their USB adapters) "
                                    "and sim, the virtual key",
                                    Run});

} // namespace

} // namespace pellix::cli
