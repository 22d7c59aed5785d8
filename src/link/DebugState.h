// The debugged chip as the kernel reports it, and the flags of a debugging session.
#pragma once

#include <array>
#include <cstdint>

namespace pellix {

inline constexpr int kRegisterM = 0x100;
inline constexpr int kRegisterW = 0x101;
inline constexpr int kDebugRegisters = 0x102;
inline constexpr uint32_t kNoBreakpoint = 0x1000;

// Kept three times (live, shown, previous) so views can mark what changed.
struct DebugState {
    // 0x000 to 0x0FF the file registers as the chip sees them, 0x100 M, 0x101 W; only the
    // low 8 bits are used.
    std::array<uint32_t, kDebugRegisters> registers{};
    uint8_t intFlag = 0;
    uint8_t skipFlag = 0;
    uint8_t wAtOne = 0;          // register 1 shows W instead of RTCC
    uint32_t programCounter = 0; // masked with memory size - 1
    uint32_t breakpoint = kNoBreakpoint;

    uint8_t Register(int address) const { return uint8_t(registers[size_t(address)]); }
    bool operator==(const DebugState&) const = default;
};

struct DebugFlags {
    uint8_t stateValid = 0; // from a state read until the next resume
    uint8_t hop = 0;
    uint8_t continuous = 0;
    uint16_t runMode = 0; // the last mode sent
    uint8_t lastRunState = 0;
    uint8_t firstRefresh = 0;
    int32_t lastLine = -1; // listing line of the last stop
};

} // namespace pellix
