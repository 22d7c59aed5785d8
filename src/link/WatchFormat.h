// The text of a WATCH in its format, read from a DebugState: shared by the watch view and
// pellix-cli debug.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "link/DebugState.h"
#include "target/DebugInfo.h"

namespace pellix {

// The walk over a watch's registers, one byte at a time. On family 0 an address of 0x20
// or more in the global half of a bank moves up by 16 (on to the next bank's RAM), and the
// bank bits the chip lacks read as 1; family 1 uses the address as it is. Returns the
// register for the byte at `address` and moves `address` on to the next byte.
int NextWatchRegister(int& address, int family, int banks);

// The first `count` registers of a watch's walk.
std::vector<int> WatchRegisters(const WatchRecord& watch, int family, int banks, int count);

// The value of a numeric watch: five bytes along the walk as a little-endian number,
// shifted down by the bit number, `length` bits kept (1 to 32), sign-extended for the
// signed formats.
uint32_t WatchValue(const DebugState& state, const WatchRecord& watch, int family, int banks);

// The display text; with `widthMode` the widest text the watch can show (for sizing).
std::string FormatWatch(const DebugState& state, const WatchRecord& watch, int family, int banks,
                        bool widthMode);

} // namespace pellix
