// Memory size, RAM banks and ports of the chip an image is for.
#pragma once

#include <cstdint>

namespace pellix {

struct MemoryGeometry {
    int memorySize = 2048; // words, a power of two
    int ramBanks = 8;
    int ports = 3;
};

// From the device family and, for family 0, FUSEX bits 0-1 (size, banks) and bit 10 (third
// port). The programmer passes the FUSEX of `assembled`.
MemoryGeometry ComputeGeometry(int deviceFamily, uint16_t fusex);

} // namespace pellix
