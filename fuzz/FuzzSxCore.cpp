// Any program image on any chip configuration, with pins toggling from outside: the core
// never reads or writes outside its arrays and keeps its invariants.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "sim/SxCore.h"

namespace {

void Check(bool ok) {
    if (!ok) __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 6) return 0;
    static pellix::SxCore core;
    int family = data[0] & 1;
    auto fuse = static_cast<uint16_t>(data[1] | ((data[2] & 0x0F) << 8));
    auto fusex = static_cast<uint16_t>(data[3] | ((data[2] >> 4) << 8));
    // Low frequencies make the watchdog time out within the run.
    pellix::SxChipConfig config =
        pellix::SxChipConfig::FromFuses(family, fuse, fusex, 20'000u + data[4] * 4'000u);
    config.powerOnFill = data[0];
    core.Configure(config);
    core.SetStopOnUndefined((data[0] & 2) != 0);
    std::vector<uint16_t> words;
    for (size_t i = 5; i + 1 < size && words.size() < 4096; i += 2)
        words.push_back(static_cast<uint16_t>(data[i] | (data[i + 1] << 8)));
    core.LoadProgram(words);
    if (!words.empty()) core.SetBreakpoint(words[0] & 0xFFF);

    const unsigned mask = config.AddressMask();
    for (size_t slice = 0; slice < 48; ++slice) {
        uint8_t b = data[5 + (slice * 7) % (size - 5)];
        core.DrivePins(b % 5, static_cast<uint8_t>(b * 37), static_cast<uint8_t>(b >> 1));
        if (b & 0x40) core.ReleasePins((b >> 2) % 5, b);
        core.SetRtccPin((b & 1) != 0);
        if (b & 0x80)
            core.Step();
        else
            core.Run(700);
        Check(core.Pc() <= mask);
        Check(core.StackCount() <= core.StackDepth());
        Check(core.M() <= (family ? 0x1F : 0x0F));
        if (family == 0 && core.Config().banks < 8)
            Check((core.Fsr() & 0x80) != 0); // the missing bank bits read 1
    }
    unsigned sum = 0;
    for (int a = 0; a < 256; ++a)
        sum += core.PeekRegister(a);
    for (int i = 0; i < core.StackDepth(); ++i)
        sum += core.StackEntry(i);
    volatile unsigned sink = sum;
    (void)sink;
    return 0;
}
