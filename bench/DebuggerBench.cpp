// What one step costs on the PC: the resume, the tick that sees the stop (two polls, the
// state read) and the views' models recomputed, against the 40 ms of the fastest timer.
#include <benchmark/benchmark.h>

#include <memory>

#include "asm/Assembler.h"
#include "debugger/CodeUnit.h"
#include "debugger/DebugUnit.h"
#include "debugger/RegisterUnit.h"
#include "link/DebugKernel.h"
#include "link/PortFactory.h"
#include "link/WatchFormat.h"
#include "platform/ScriptedPrompter.h"
#include "platform/TickSource.h"
#include "sim/VirtualKey.h"
#include "target/LineEnds.h"

namespace {

using namespace pellix;

const char* kProgram = R"(
 DEVICE SX28,TURBO,STACKX_OPTIONX
 FREQ 4_000_000
 RESET start
 ORG 8
a DS 4
 WATCH a,32,UDEC
 WATCH a,16,SBIN
 WATCH a,4,FSTR
 ORG 0
start INC a
 ADD a+1,#3
 JMP start
)";

// The register, code and watch views' models, as the windows recompute them at a stop.
struct Views final : DebugView {
    Views(DebugControl& c, const AssemblyRecord& r) : c(c), record(r) {
        surface.Configure(c.Family(), c.Geometry(), RegisterMetrics{});
    }
    bool IsVisible() const override { return true; }
    void Repaint(bool all) override {
        surface.MarkChanges(c.live, c.shown);
        cells = surface.Cells(c.live, record).size();
        const CodeMarks m = CodeMarksOf(record.debug, c.live, c.Geometry().memorySize);
        rows = cache.RowsToDraw(all, 0, 40, m).size();
        for (int i = 0; i < record.debug.watchCount; ++i)
            text += FormatWatch(c.live, record.debug.watches[size_t(i)], c.Family(),
                                c.Geometry().ramBanks, false)
                        .size();
    }
    void ShowAddress(uint32_t pc) override { surface.ShowAddress(pc); }
    DebugControl& c;
    const AssemblyRecord& record;
    RegisterSurface surface;
    CodeRowCache cache;
    size_t cells = 0, rows = 0, text = 0;
};

struct NoWindow final : DebugWindowView {
    void SetButtons(uint8_t) override {}
    void ShowStatus(const std::string&) override {}
    void CloseWindow() override {}
};

struct Rig {
    Rig() {
        link.portName = "sim";
        record->StartUp();
        record->source = ToCrLineEnds(kProgram);
        Assemble(*record);
        PrepareDebug(*record);
        key.Chip().SetFamily(record->deviceFamily);
        for (int a = 0; a < key.Chip().PhysicalWords(); ++a)
            key.Chip().LoadCode(a, record->transfer.Code(a));
        key.Chip().LoadFuse(record->transfer.Fuse());
        key.Chip().LoadFusex(record->transfer.Fusex());
        control.SetView(DebugViewRole::Register, &views);
        session.Start();
        for (int i = 0; i < 1000 && !control.flags.stateValid; ++i)
            session.TimerTick();
    }
    bool Ready() const { return control.flags.stateValid != 0; }
    FakeTickSource ticks;
    ScriptedPrompter prompter;
    VirtualKey key{0};
    PortFactory ports{&key, ticks};
    KeyLink link{ports, ticks, prompter};
    std::unique_ptr<AssemblyRecord> record = std::make_unique<AssemblyRecord>();
    DebugControl control{link, *record};
    Views views{control, *record};
    NoWindow window;
    DebugSession session{control, window};
};

// Step: the resume record, then ticks until the stop has been read and shown.
void BM_StepToRefreshedViews(benchmark::State& state) {
    Rig r;
    if (!r.Ready()) return state.SkipWithError("the chip never stopped in the kernel");
    int ticks = 0;
    for (auto _ : state) {
        r.session.Step();
        for (int i = 0; i < 100 && !r.control.flags.stateValid; ++i) {
            r.session.TimerTick();
            ++ticks;
        }
        if (!r.control.flags.stateValid) return state.SkipWithError("a step never stopped");
    }
    state.counters["ticks_per_step"] =
        benchmark::Counter(double(ticks) / double(state.iterations()));
    state.counters["cells"] = double(r.views.cells);
}
BENCHMARK(BM_StepToRefreshedViews)->Unit(benchmark::kMicrosecond);

// A tick while the chip runs freely: the two polls only.
void BM_TickWhileRunning(benchmark::State& state) {
    Rig r;
    if (!r.Ready()) return state.SkipWithError("the chip never stopped in the kernel");
    r.control.live.breakpoint = kNoBreakpoint;
    r.session.Run();
    for (auto _ : state)
        r.session.TimerTick();
    r.session.Stop();
}
BENCHMARK(BM_TickWhileRunning)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
