// pellix-cli sim as CI runs it, in this process: the serial example at 50 MHz for one
// simulated second with its UART decoded, without and with a VCD trace written to a file;
// and a pin toggled every few cycles, without and with a trace, which is the hard case for
// the trace (the goal: less than twice the time without it). "x_realtime" is simulated seconds per
// wall-clock second (the goal: at least 5 with a trace on the 50 MHz program); compare the pairs
// for what the trace costs.
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "cli/SimCommand.h"

namespace {

namespace fs = std::filesystem;

// A pin that changes every three cycles: SETB, NOP, CLRB and a JMP.
constexpr char kToggle[] = " DEVICE SX28,OSCHS2,TURBO,STACKX_OPTIONX\n"
                           " FREQ 50_000_000\n"
                           " RESET start\n"
                           " ORG 0\n"
                           "start MOV !RB,#$FE\n"
                           "loop SETB RB.0\n"
                           " NOP\n"
                           " CLRB RB.0\n"
                           " JMP loop\n";
// The worst case: four changes every seven cycles (SETB, CLRB, SETB, CLRB and a JMP).
constexpr char kToggleFast[] = " DEVICE SX28,OSCHS2,TURBO,STACKX_OPTIONX\n"
                               " FREQ 50_000_000\n"
                               " RESET start\n"
                               " ORG 0\n"
                               "start MOV !RB,#$FE\n"
                               "loop SETB RB.0\n"
                               " CLRB RB.0\n"
                               " SETB RB.0\n"
                               " CLRB RB.0\n"
                               " JMP loop\n";

fs::path Scratch() {
    fs::path dir = fs::temp_directory_path() / "pellix-sim-bench";
    fs::create_directories(dir);
    return dir;
}

void RunSim(benchmark::State& state, const std::string& program, const std::string& time,
            double seconds, bool trace, const std::vector<std::string>& extra = {}) {
    const fs::path vcd = Scratch() / "trace.vcd";
    std::vector<std::string> args = {program, "--for", time};
    args.insert(args.end(), extra.begin(), extra.end());
    if (trace) {
        args.push_back("--vcd");
        args.push_back(vcd.string());
    }
    uint64_t bytes = 0, traceBytes = 0;
    for (auto _ : state) {
        // A new file each run, as a user's run writes one: freeing the last run's pages is
        // not this run's cost.
        state.PauseTiming();
        fs::remove(vcd);
        state.ResumeTiming();
        std::istringstream in;
        std::ostringstream out, err;
        pellix::cli::SimContext context{&in, out, err};
        if (pellix::cli::SimCommand(context, args) != 0) {
            state.SkipWithError(err.str().c_str());
            return;
        }
        bytes += out.str().size();
        if (trace) traceBytes = fs::file_size(vcd);
    }
    state.counters["x_realtime"] =
        benchmark::Counter(seconds * double(state.iterations()), benchmark::Counter::kIsRate);
    state.counters["uart_bytes"] = double(bytes) / double(state.iterations());
    if (trace) state.counters["vcd_MB"] = double(traceBytes) / 1e6;
    fs::remove(vcd);
}

std::string SerialExample() {
    return (fs::path(PELLIX_SOURCE_DIR) / "examples" / "serial.src").string();
}

std::string Program(const char* name, const char* text) {
    fs::path source = Scratch() / name;
    std::ofstream(source, std::ios::binary) << text;
    return source.string();
}

void BM_SerialExample(benchmark::State& state) {
    RunSim(state, SerialExample(), "1s", 1.0, false, {"--uart", "TX=RA.0,BAUD=9600"});
}
BENCHMARK(BM_SerialExample)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_SerialExampleWithTrace(benchmark::State& state) {
    RunSim(state, SerialExample(), "1s", 1.0, true, {"--uart", "TX=RA.0,BAUD=9600"});
}
BENCHMARK(BM_SerialExampleWithTrace)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_TogglePin(benchmark::State& state) {
    RunSim(state, Program("toggle.src", kToggle), "100ms", 0.1, false);
}
BENCHMARK(BM_TogglePin)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_TogglePinWithTrace(benchmark::State& state) {
    RunSim(state, Program("toggle.src", kToggle), "100ms", 0.1, true);
}
BENCHMARK(BM_TogglePinWithTrace)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_TogglePinFast(benchmark::State& state) {
    RunSim(state, Program("toggle-fast.src", kToggleFast), "100ms", 0.1, false);
}
BENCHMARK(BM_TogglePinFast)->UseRealTime()->Unit(benchmark::kMillisecond);

void BM_TogglePinFastWithTrace(benchmark::State& state) {
    RunSim(state, Program("toggle-fast.src", kToggleFast), "100ms", 0.1, true);
}
BENCHMARK(BM_TogglePinFastWithTrace)->UseRealTime()->Unit(benchmark::kMillisecond);

} // namespace
