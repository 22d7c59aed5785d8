// A full program-and-verify of a 4096-word image through the virtual key, with the line
// modelled at 57600 baud: 10 bits a byte, each direction a wire of its own, every byte the
// PC sends echoed on the way back. The time is set against what the same bytes need on the
// wire; what is left over is the environment's own cost.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <deque>
#include <memory>

#include "link/DeviceUnit.h"
#include "link/KeyLink.h"
#include "link/PortFactory.h"
#include "platform/ScriptedPrompter.h"
#include "platform/TickSource.h"
#include "sim/VirtualKey.h"
#include "target/AssemblyRecord.h"

namespace {

using namespace pellix;
using Clock = std::chrono::steady_clock;

constexpr double kBaud = 57600;
constexpr double kByteMicros = 10.0 / kBaud * 1e6; // 173.6 us

double MicrosNow() {
    return std::chrono::duration<double, std::micro>(Clock::now().time_since_epoch()).count();
}

struct WireCounts {
    uint64_t sent = 0;     // PC to key
    uint64_t received = 0; // key to PC, echo included
    uint64_t writes = 0;
    int connections = 0;
    // Time from the last byte of a reply arriving to the PC's next request: the PC's own
    // work and whatever kept it from running.
    double lateMicros = 0;
};

// The line to the key as two wires that carry one byte each 173.6 us. A byte the PC writes
// reaches the key when its turn on the wire has passed; what the key answers to it (the
// echo, a reply) leaves then and arrives a byte time after the wire back is free.
class WirePort final : public SerialPort {
public:
    WirePort(VirtualKey& key, WireCounts& counts) : key_(key), counts_(counts) {
        key_.LineOpened(Ms(MicrosNow()));
        ++counts_.connections;
    }
    ~WirePort() override { Close(); }
    bool SetLine(uint32_t baud) override {
        key_.SetBaud(baud);
        return true;
    }
    long Write(const uint8_t* data, size_t count) override {
        double now = MicrosNow();
        if (backFree_ > 0) counts_.lateMicros += std::max(0.0, now - backFree_);
        double t = std::max(now, sendFree_);
        uint8_t out[4096];
        for (size_t i = 0; i < count; ++i) {
            t += kByteMicros;
            key_.Receive(&data[i], 1, Ms(t));
            size_t n;
            while ((n = key_.Transmit(out, sizeof out, Ms(t))) > 0) {
                for (size_t j = 0; j < n; ++j) {
                    backFree_ = std::max(backFree_, t) + kByteMicros;
                    back_.push_back({out[j], backFree_});
                }
            }
        }
        sendFree_ = t;
        counts_.sent += count;
        ++counts_.writes;
        return long(count);
    }
    long Read(uint8_t* data, size_t max) override {
        double now = MicrosNow();
        size_t n = 0;
        while (n < max && !back_.empty() && back_.front().due <= now) {
            data[n++] = back_.front().byte;
            back_.pop_front();
        }
        counts_.received += n;
        return long(n);
    }
    void Close() override {
        if (open_) key_.LineClosed(Ms(MicrosNow()));
        open_ = false;
    }

private:
    struct Byte {
        uint8_t byte;
        double due;
    };
    static uint32_t Ms(double micros) { return uint32_t(uint64_t(micros / 1000)); }

    VirtualKey& key_;
    WireCounts& counts_;
    std::deque<Byte> back_;
    double sendFree_ = 0;
    double backFree_ = 0;
    bool open_ = true;
};

class WireFactory final : public SerialPortFactory {
public:
    WireFactory(VirtualKey& key, WireCounts& counts) : key_(key), counts_(counts) {}
    std::unique_ptr<SerialPort> Open(const std::string&) override {
        return std::make_unique<WirePort>(key_, counts_);
    }

private:
    VirtualKey& key_;
    WireCounts& counts_;
};

void FillImage(AssemblyRecord& record) {
    record.StartUp();
    record.deviceFamily = 1;
    record.ClearImage();
    for (int a = 0; a < kCodeWords; ++a)
        record.assembled[a] = uint16_t(kWrittenMark | ((a * 2654435761u) >> 20 & 0xFFF));
    record.assembled.SetId("BENCH");
    record.transfer = record.assembled;
}

// Program and verify on the modelled line, in real time.
void BM_ProgramAndVerify4096Words57600Baud(benchmark::State& state) {
    VirtualKey key(1);
    WireCounts counts;
    WireFactory ports(key, counts);
    SteadyTickSource ticks;
    ScriptedPrompter prompter;
    KeyLink link(ports, ticks, prompter);
    auto record = std::make_unique<AssemblyRecord>();
    FillImage(*record);
    NoProgress progress;
    IrcCalibration irc;
    DeviceUnit device(link, *record, progress, prompter, irc);

    double elapsedMs = 0;
    WireCounts per{};
    for (auto _ : state) {
        WireCounts before = counts;
        auto start = Clock::now();
        device.ProgramChip(false);
        VerifyResult v = device.VerifyChip();
        elapsedMs += std::chrono::duration<double, std::milli>(Clock::now() - start).count();
        if (!v.Ok()) state.SkipWithError("the chip did not verify");
        per = {counts.sent - before.sent, counts.received - before.received,
               counts.writes - before.writes, counts.connections - before.connections,
               counts.lateMicros - before.lateMicros};
    }
    double n = double(state.iterations());
    // The wire back carries the echo of every byte sent and every reply; the wire out runs
    // alongside it, so the way back is what the bytes need at the least.
    double wireMs = double(per.received) * kByteMicros / 1000;
    // The settling wait after each opening, and one byte time per exchange before the first
    // echo can arrive: both come with the protocol, not with the program.
    double waitMs = per.connections * double(kOpenSettleTime);
    double lagMs = double(per.writes) * kByteMicros / 1000;
    double meanMs = elapsedMs / n;
    state.counters["bytes_sent"] = double(per.sent);
    state.counters["bytes_back"] = double(per.received);
    state.counters["exchanges"] = double(per.writes);
    state.counters["wire_ms"] = wireMs;
    state.counters["waits_ms"] = waitMs;
    state.counters["lag_ms"] = lagMs;
    state.counters["took_ms"] = meanMs;
    state.counters["late_ms"] = per.lateMicros / 1000;
    state.counters["overhead_pct"] = (meanMs - wireMs - waitMs - lagMs) / wireMs * 100;
}
BENCHMARK(BM_ProgramAndVerify4096Words57600Baud)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3)
    ->UseRealTime();

// The same without the line: what the PC and the virtual key cost on their own.
void BM_ProgramAndVerify4096WordsNoWire(benchmark::State& state) {
    VirtualKey key(1);
    FakeTickSource ticks;
    PortFactory ports(&key, ticks);
    ScriptedPrompter prompter;
    KeyLink link(ports, ticks, prompter);
    link.portName = "sim";
    auto record = std::make_unique<AssemblyRecord>();
    FillImage(*record);
    NoProgress progress;
    IrcCalibration irc;
    DeviceUnit device(link, *record, progress, prompter, irc);
    for (auto _ : state) {
        device.ProgramChip(false);
        if (!device.VerifyChip().Ok()) state.SkipWithError("the chip did not verify");
    }
}
BENCHMARK(BM_ProgramAndVerify4096WordsNoWire)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
