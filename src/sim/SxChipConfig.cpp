#include "sim/SxChipConfig.h"

namespace pellix {

SxChipConfig SxChipConfig::FromFuses(int family, uint16_t fuse, uint16_t fusex,
                                     uint32_t frequency) {
    SxChipConfig c;
    c.family = family == 1 ? 1 : 0;
    c.frequency = frequency;
    c.watchdog = (fuse & 0x004) != 0;
    c.carryx = (fusex & 0x040) == 0;
    if (c.family == 1) {
        c.memoryWords = 4096;
        c.banks = 15;
        c.ports = 5;
        c.turbo = true;
        c.extendedOption = true;
        return c;
    }
    static constexpr int kWords[4] = {512, 1024, 2048, 2048};
    static constexpr int kBanks[4] = {1, 1, 4, 8};
    c.memoryWords = kWords[fusex & 3];
    c.banks = kBanks[fusex & 3];
    c.ports = 2 + ((fusex >> 10) & 1);
    c.turbo = (fuse & 0x800) == 0;
    c.extendedOption = (fusex & 0x080) == 0;
    return c;
}

uint64_t SxChipConfig::CyclesPerSecond() const {
    uint64_t perSecond = frequency / static_cast<uint64_t>(ClocksPerCycle());
    return perSecond ? perSecond : 1;
}

uint64_t SxChipConfig::CyclesForNanoseconds(uint64_t ns) const {
    // Split to keep the product in range for any time a caller can pass.
    uint64_t perSecond = CyclesPerSecond();
    return (ns / 1'000'000'000) * perSecond + (ns % 1'000'000'000) * perSecond / 1'000'000'000;
}

} // namespace pellix
