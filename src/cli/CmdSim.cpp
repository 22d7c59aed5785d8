// pellix-cli sim PROGRAM --for TIME [--stimulus FILE]... [--uart ...] [--vcd FILE] ...
#include <iostream>

#include "cli/CliCommand.h"
#include "cli/SimCommand.h"

namespace pellix::cli {

namespace {

int Run(const std::vector<std::string>& args) {
    SimContext context{&std::cin, std::cout, std::cerr};
    int rc = SimCommand(context, args);
    std::cout.flush();
    return rc;
}

const CliRegistration registration({"sim", kSimUsage,
                                    "run a program on the simulated chip for a time, with pin "
                                    "stimuli, a UART on standard input and output, a VCD trace",
                                    Run});

} // namespace

} // namespace pellix::cli
