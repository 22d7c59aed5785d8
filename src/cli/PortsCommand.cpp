#include "cli/PortsCommand.h"

#include "cli/CliCommand.h"

namespace pellix::cli {

int PortsCommand(std::ostream& out, std::ostream& err, const std::vector<std::string>& args,
                 const PortRoots& roots) {
    if (!args.empty()) {
        err << kErrorPrefix << "ports takes no arguments, not '" << args[0] << "'\n"
            << "Usage: pellix-cli ports\n";
        return 2;
    }
    out << PortListText(ListSerialPorts(roots));
    return 0;
}

} // namespace pellix::cli
