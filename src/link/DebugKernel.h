// The debug kernel the environment installs in the chip next to the program, and the
// preparation that puts it into the transfer image.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "target/AssemblyRecord.h"

namespace pellix {

inline constexpr int kKernelWords = 136;
inline constexpr int kKernelEntryIndex = 12;      // where the reset diversion jumps
inline constexpr int kKernelResetJumpIndex = 134; // the program's own reset jump, moved
inline constexpr int kPatchAIndex = 33;
inline constexpr int kPatchBIndex = 81;

extern const std::array<uint16_t, kKernelWords> kDebugKernel;
extern const std::array<uint16_t, 12> kKernelPatchA;
extern const std::array<uint16_t, 19> kKernelPatchB;

inline constexpr std::string_view kDebugWatchdogMessage =
    "ERROR! Debug requires that Watchdog is disabled";
inline constexpr std::string_view kDebugFreePairMessage =
    "ERROR! Debug requires 2 free words on the first page";
inline constexpr std::string_view kDebugResetJumpMessage =
    "ERROR! Debug requires RESET jump at the end of memory";
inline constexpr std::string_view kDebugKernelSpaceMessage =
    "ERROR! Debug requires 136 free words at the end of the last page";

// The last word of the family's full memory (2047 or 4095), where the kernel is placed
// below whatever memory size FUSEX selects.
int KernelEnd(int deviceFamily);

// Copies `assembled` into `transfer`, installs the kernel below the reset vector, diverts
// the reset vector through two free words of the first page into the kernel's entry, and
// tunes the kernel's timing loops to the record's frequency. status 0 on success; else 1
// with the message, and `transfer` partly changed.
void PrepareDebug(AssemblyRecord& record);

} // namespace pellix
