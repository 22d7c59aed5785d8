// Abandons the running command after its message has been shown. Caught at the command
// boundary (menu, button, timer handler, a pellix-cli command) and not reported again.
// Deliberately not a std::exception, so handlers that report those do not show it.
#pragma once

namespace pellix {

struct SilentAbort {};

} // namespace pellix
