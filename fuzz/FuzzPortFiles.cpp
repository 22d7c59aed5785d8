// Any contents of a lock file in the lock folders of the serial tools: the process number
// is found or refused, never a crash or an overflow.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "link/PortFailure.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view content(reinterpret_cast<const char*>(data), size);
    if (auto pid = pellix::LockFilePid(content); pid && *pid <= 0) __builtin_trap();
    return 0;
}
