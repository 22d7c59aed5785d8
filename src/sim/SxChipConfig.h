// What the simulated chip is: family, memory geometry and the fuse options the core obeys.
#pragma once

#include <cstdint>

namespace pellix {

struct SxChipConfig {
    int family = 0;         // 0: SX18/20/28, 1: SX48/52
    int memoryWords = 2048; // program words, a power of two: 512, 1024, 2048 or 4096
    int banks = 8;          // RAM banks of 16 registers: 1, 4 or 8 (family 0), 15 (family 1)
    int ports = 3;          // RA, RB (, RC) on family 0; RA to RE on family 1
    bool turbo = false;     // one clock per instruction cycle instead of four (family 1 always)
    bool carryx = false;    // ADD and SUB take the carry in
    bool extendedOption = false; // OPTION bits 6-7 usable and an 8-level stack, else 2 levels
    bool watchdog = false;
    uint32_t frequency = 50'000'000; // oscillator, hertz
    uint8_t powerOnFill = 0x00;      // what RAM, W and the port latches hold after power-on

    // The configuration a chip programmed with these words runs with. Family 0 defaults to
    // the cleared SX28 words (FUSE 0xFFA, FUSEX 0xFFF).
    static SxChipConfig FromFuses(int family, uint16_t fuse, uint16_t fusex,
                                  uint32_t frequency = 50'000'000);

    int StackDepth() const { return extendedOption ? 8 : 2; }
    int ClocksPerCycle() const { return turbo ? 1 : 4; }
    // Instruction cycles per second at the oscillator frequency (at least 1).
    uint64_t CyclesPerSecond() const;
    // Cycles (rounded down) that pass in the given time.
    uint64_t CyclesForNanoseconds(uint64_t ns) const;
    uint16_t AddressMask() const { return static_cast<uint16_t>(memoryWords - 1); }
};

} // namespace pellix
