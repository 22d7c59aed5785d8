// Ends the running command after its failure has been reported; caught at the command
// boundary (menu, button, timer handler), which shows nothing more.
#pragma once

#include <exception>

namespace pellix {

class SilentAbort : public std::exception {
public:
    const char* what() const noexcept override { return "command abandoned"; }
};

} // namespace pellix
