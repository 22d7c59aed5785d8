// What resting the mouse on a name in the source shows while the chip is stopped: the
// value of a register (by its predefined name, W or M), of a STATUS bit, or of a WATCHed
// name, in hex, decimal and binary.
#pragma once

#include <string>

#include "link/DebugState.h"
#include "target/DebugInfo.h"

namespace pellix {

// Empty when `name` (any case) is neither a register nor a watch of `info`.
std::string HoverValueText(const std::string& name, const DebugState& state, const DebugInfo& info,
                           int family, int ramBanks);

} // namespace pellix
