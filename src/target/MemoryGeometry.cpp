#include "target/MemoryGeometry.h"

namespace pellix {

MemoryGeometry ComputeGeometry(int deviceFamily, uint16_t fusex) {
    if (deviceFamily == 1) return {4096, 15, 5};
    static constexpr int kSize[4] = {512, 1024, 2048, 2048};
    static constexpr int kBanks[4] = {1, 1, 4, 8};
    int sel = fusex & 3;
    return {kSize[sel], kBanks[sel], 2 + ((fusex >> 10) & 1)};
}

} // namespace pellix
