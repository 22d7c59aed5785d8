// What the Pins window costs a freely running chip: the chip runs 40 ms of simulated time
// at 50 MHz (the debug window's fastest update) between two looks of the Pins window's
// model, without the window (/0) and with it watching (/1: every pin change counted, the
// pins read at each look). Compare the pairs' "cycles_per_second" (the goal: at most 10 %
// fewer with the window). The programs change a pin every few cycles, the hard case.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "debugger/PinsUnit.h"
#include "sim/VirtualChip.h"

using namespace pellix;

namespace {

constexpr uint64_t kLookCycles = 2'000'000; // 40 ms at 50 MHz, turbo

void RunWithPins(benchmark::State& state, const std::vector<uint16_t>& loop) {
    VirtualChip chip;
    chip.Core().Configure(SxChipConfig::FromFuses(0, 0x7FA, 0xF7F, 50'000'000));
    std::vector<uint16_t> words = {0xCFE, 0x006}; // MOV W,#$FE / MOV !RB,W: RB.0 an output
    words.insert(words.end(), loop.begin(), loop.end());
    chip.Core().LoadProgram(words);
    chip.Core().SetPc(0);
    PinsModel pins;
    const bool watching = state.range(0) != 0;
    if (watching) {
        pins.SetChip(&chip);
        pins.SetWatching(true);
    }
    uint64_t cycles = 0;
    for (auto _ : state) {
        const uint64_t before = chip.Core().Cycles();
        chip.Core().Run(kLookCycles);
        cycles += chip.Core().Cycles() - before;
        if (watching) benchmark::DoNotOptimize(pins.Refresh());
    }
    if (watching && pins.Cell(LabPin::PortPin(1, 0))->edges == 0)
        state.SkipWithError("the pin's changes were not counted");
    state.counters["cycles_per_second"] =
        benchmark::Counter(double(cycles), benchmark::Counter::kIsRate);
}

// SETB RB.0 / NOP / CLRB RB.0 / JMP loop: a change every three cycles.
void BM_ToggleWithPins(benchmark::State& state) {
    RunWithPins(state, {0x506, 0x000, 0x406, 0xA02});
}
BENCHMARK(BM_ToggleWithPins)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// SETB, CLRB, SETB, CLRB, JMP: four changes every seven cycles.
void BM_FastToggleWithPins(benchmark::State& state) {
    RunWithPins(state, {0x506, 0x406, 0x506, 0x406, 0xA02});
}
BENCHMARK(BM_FastToggleWithPins)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// One look at the pins (the window's refresh without painting) on a stopped chip.
void BM_PinsLook(benchmark::State& state) {
    VirtualChip chip;
    PinsModel pins;
    pins.SetChip(&chip);
    pins.SetWatching(true);
    for (auto _ : state)
        benchmark::DoNotOptimize(pins.Refresh());
}
BENCHMARK(BM_PinsLook);

} // namespace

BENCHMARK_MAIN();
