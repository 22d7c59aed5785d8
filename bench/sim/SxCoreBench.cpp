// SxCore in free run. Each benchmark reports instructions a second ("items_per_second")
// and, as "x_sx75", how many times faster that is than a real SX at 75 MHz in turbo mode
// (75 million instructions a second, fewer with its 3-cycle jumps).
#include <benchmark/benchmark.h>

#include "sim/SxCore.h"

#include <cstdint>
#include <vector>

using namespace pellix;

namespace {

SxChipConfig Turbo28() {
    // SX28, turbo, extended option and stack.
    return SxChipConfig::FromFuses(0, 0x7FA, 0xF7F, 75'000'000);
}

void RunProgram(benchmark::State& state, const std::vector<uint16_t>& words,
                const SxChipConfig& config = Turbo28()) {
    SxCore core(config);
    core.LoadProgram(words);
    core.SetPc(0);
    uint64_t instructions = 0;
    for (auto _ : state) {
        SxCore::RunResult r = core.Run(10'000'000);
        instructions += r.instructions;
        benchmark::DoNotOptimize(r);
    }
    state.SetItemsProcessed(static_cast<int64_t>(instructions));
    state.counters["x_sx75"] =
        benchmark::Counter(static_cast<double>(instructions) / 75e6, benchmark::Counter::kIsRate);
}

// loop: INC 0x08 / DECSZ 0x09 / JMP loop / JMP loop: the counting loop of a delay.
void BM_TightLoop(benchmark::State& state) {
    RunProgram(state, {0x2A8, 0x2E9, 0xA00, 0xA00});
}
BENCHMARK(BM_TightLoop);

// The same loop on banked RAM (0x10-0x1F through FSR) with an add and a bit test.
void BM_BankedLoop(benchmark::State& state) {
    RunProgram(state, {
                          0x019, // BANK 0x20
                          0xC05, // MOV W,#5
                          0x1F0, // loop: ADD 0x10,W
                          0x2B1, // INC 0x11
                          0x611, // SNB 0x11.0
                          0x3B2, // SWAP 0x12
                          0x2F3, // DECSZ 0x13
                          0xA02, // JMP loop
                          0xA02, // JMP loop
                      });
}
BENCHMARK(BM_BankedLoop);

// A tight loop under a periodic RTCC interrupt every 200 cycles (ISR of four words).
void BM_LoopWithInterrupts(benchmark::State& state) {
    std::vector<uint16_t> words(32, 0x000);
    words[0] = 0x2A8;  // isr: INC 0x08
    words[1] = 0xC38;  // MOV W,#-200
    words[2] = 0x00F;  // RETIW
    words[16] = 0xC88; // start: MOV W,#0x88 (RTCC on cycles, interrupt on)
    words[17] = 0x002; // MOV !OPTION,W
    words[18] = 0x2A9; // loop: INC 0x09
    words[19] = 0x2EA; // DECSZ 0x0A
    words[20] = 0xA12; // JMP loop
    words[21] = 0xA12; // JMP loop
    SxCore core(Turbo28());
    core.LoadProgram(words);
    core.SetPc(16);
    uint64_t instructions = 0;
    for (auto _ : state) {
        SxCore::RunResult r = core.Run(10'000'000);
        instructions += r.instructions;
        benchmark::DoNotOptimize(r);
    }
    state.SetItemsProcessed(static_cast<int64_t>(instructions));
    state.counters["x_sx75"] =
        benchmark::Counter(static_cast<double>(instructions) / 75e6, benchmark::Counter::kIsRate);
}
BENCHMARK(BM_LoopWithInterrupts);

// Baseline for comparing machines: a native loop over a byte array of the same shape.
void BM_NativeBaseline(benchmark::State& state) {
    uint8_t ram[256] = {};
    uint64_t n = 0;
    for (auto _ : state) {
        for (int i = 0; i < 1'000'000; ++i) {
            benchmark::DoNotOptimize(ram);
            ram[8] = static_cast<uint8_t>(ram[8] + 1);
            ram[9] = static_cast<uint8_t>(ram[9] - 1);
            benchmark::ClobberMemory();
        }
        n += 1'000'000;
    }
    state.SetItemsProcessed(static_cast<int64_t>(n));
}
BENCHMARK(BM_NativeBaseline);

} // namespace
