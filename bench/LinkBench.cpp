// What the link and the virtual key cost on the PC, against the time the same bytes take
// on the wire at 57600 baud (10 bits a byte, both directions).
#include <benchmark/benchmark.h>

#include <vector>

#include "link/KeyLink.h"
#include "link/KeyProtocol.h"
#include "link/PortFactory.h"
#include "platform/ScriptedPrompter.h"
#include "platform/TickSource.h"
#include "sim/VirtualKey.h"

namespace {

using namespace pellix;

struct Rig {
    Rig() {
        link.portName = "sim";
        link.ConnectKey();
    }
    FakeTickSource ticks;
    ScriptedPrompter prompter;
    VirtualKey key{1};
    PortFactory ports{&key, ticks};
    KeyLink link{ports, ticks, prompter};
    KeyProtocol protocol{link};
};

void WireTime(benchmark::State& state, double bytesEachWay) {
    state.counters["wire_ms"] = bytesEachWay * 10.0 / 57600.0 * 1000.0;
}

// Erase and program a full SX48/52 image: 128 code blocks, the configuration and the ID.
void BM_ProgramFullImage(benchmark::State& state) {
    Rig r;
    std::vector<uint16_t> code(4096), id(16, 0xFF0);
    for (size_t i = 0; i < code.size(); ++i)
        code[i] = uint16_t(i & 0xFFF);
    const uint16_t config[] = {0xFFF, 0xFFF};
    for (auto _ : state) {
        r.protocol.EraseFor();
        r.protocol.ProgramStart();
        r.protocol.ProgramBlock(config, kConfigPulseTime);
        r.protocol.ProgramWords(code, kCodePulseTime);
        r.protocol.ProgramWords(id, kCodePulseTime, 16);
        r.protocol.ProgramEnd();
    }
    WireTime(state, 4 + 1 + 6 + 130 * 2 + (4096 + 16) * 2 + 1);
}
BENCHMARK(BM_ProgramFullImage)->Unit(benchmark::kMicrosecond);

// Read the same image back: device code and configuration, 32 requests of 128, the ID.
void BM_ReadFullImage(benchmark::State& state) {
    Rig r;
    std::vector<uint16_t> code(4096), id(16);
    uint16_t head[3];
    for (auto _ : state) {
        r.protocol.ReadStart();
        r.protocol.ReadBlock(head);
        r.protocol.ReadWords(code);
        r.protocol.ReadBlock(id);
        r.protocol.ReadEnd();
        benchmark::DoNotOptimize(code.data());
    }
    WireTime(state, (3 + 4096 + 16 + 1) * 2 + 36);
}
BENCHMARK(BM_ReadFullImage)->Unit(benchmark::kMicrosecond);

// The debugger's poll, its most frequent exchange.
void BM_Poll(benchmark::State& state) {
    Rig r;
    for (auto _ : state)
        benchmark::DoNotOptimize(r.protocol.Poll());
    WireTime(state, 2);
}
BENCHMARK(BM_Poll);

// Baseline: the key alone echoing as many bytes as a full programming sends.
void BM_KeyEchoesAProgrammingsBytes(benchmark::State& state) {
    VirtualKey key(1);
    key.LineOpened(0);
    key.SetBaud(57600);
    std::vector<uint8_t> bytes(8192 + 300, 0x5A), out(16384);
    for (auto _ : state) {
        key.Receive(bytes.data(), bytes.size(), 0);
        while (key.Transmit(out.data(), out.size(), 0) > 0) {
        }
    }
}
BENCHMARK(BM_KeyEchoesAProgrammingsBytes)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
