// pellix-cli ports: the serial ports present and the virtual key, on lists the test can give.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "link/PortList.h"

namespace pellix::cli {

inline constexpr char kPortsUsage[] = "";

// Prints PortListText of the ports under `roots`; 0, or 2 for arguments it does not take.
int PortsCommand(std::ostream& out, std::ostream& err, const std::vector<std::string>& args,
                 const PortRoots& roots = {});

} // namespace pellix::cli
