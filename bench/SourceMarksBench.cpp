// What the editor's debugging marks cost on a large program (4,000 statements, one each
// address of an SX52's memory, in an 8,000-line file with UTF-8 comments): the source map
// after each assembly, the choice of encoding when a file is read, the lookups of each stop
// (the next instruction's and the breakpoint's line through their anchors) and of a click
// in the margin (every anchor of the file looked at). Each must stay well below the 40 ms
// of the debug window's fastest timer.
#include <benchmark/benchmark.h>

#include <QApplication>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "asm/Assembler.h"
#include "editor/TPlusMemo.h"
#include "editor/TextEncoding.h"
#include "shell/OriginalEditorBuffer.h"
#include "shell/SourceMap.h"

using namespace pellix;

namespace {

constexpr int kStatements = 4000;

const std::string& Source() {
    static const std::string text = [] {
        std::string s = "\tDEVICE\tSX52\r\n\tORG\t0\r\n";
        for (int i = 0; i < kStatements; ++i)
            s += "; Schritt " + std::to_string(i) + " \xc3\xbc\r\nl" + std::to_string(i) +
                 "\tINC\t$10\r\n";
        return s;
    }();
    return text;
}

struct Assembled {
    Assembled() : record(std::make_unique<AssemblyRecord>()) {
        record->StartUp();
        pasted = FilterPastedText(Source());
        record->source = pasted.text;
        Assemble(*record);
    }
    std::unique_ptr<AssemblyRecord> record;
    FilteredText pasted;
};

Assembled& Program() {
    static Assembled a;
    return a;
}

void SourceMapAfterAnAssembly(benchmark::State& state) {
    Assembled& a = Program();
    if (a.record->status != 0) state.SkipWithError(a.record->message.c_str());
    for (auto _ : state) {
        SourceMap m = SourceMap::FromListing(a.record->debug, a.pasted.origin, Source(), "big.src");
        benchmark::DoNotOptimize(m.CodeLines(0).size());
    }
}
BENCHMARK(SourceMapAfterAnAssembly)->Unit(benchmark::kMillisecond);

void EncodingOfAFile(benchmark::State& state) {
    for (auto _ : state)
        benchmark::DoNotOptimize(IsUtf8(Source()));
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(Source().size()));
}
BENCHMARK(EncodingOfAFile);

// The editor with an anchor on each statement's line, as after an assembly.
struct Marked {
    Marked() {
        editor.SetText(Source());
        SourceMap m =
            SourceMap::FromListing(Program().record->debug, Program().pasted.origin, Source(), "");
        for (const auto& [line, address] : m.CodeLines(0))
            handles.push_back(editor.AddAnchor(line));
    }
    TPlusMemo editor;
    std::vector<int> handles;
};

Marked& Editor() {
    static Marked m;
    return m;
}

void MarksOfAStop(benchmark::State& state) {
    Marked& m = Editor();
    size_t i = 0;
    for (auto _ : state) {
        // The next instruction's and the breakpoint's lines, found and marked.
        const int next = m.editor.AnchorLine(m.handles[i % m.handles.size()]);
        const int breakpoint = m.editor.AnchorLine(m.handles[(i * 7) % m.handles.size()]);
        m.editor.SetExecutionLine(next);
        m.editor.SetBreakpointLine(breakpoint);
        i += 97;
    }
}
BENCHMARK(MarksOfAStop)->Unit(benchmark::kMicrosecond);

void ClickInTheMargin(benchmark::State& state) {
    Marked& m = Editor();
    const int line = m.editor.LineCount() / 2 + 1;
    for (auto _ : state) {
        // A click finds the anchors of its line by a binary search over the file's, which
        // stay in line order (SourceDebugLink::AddressAt).
        auto first = std::partition_point(m.handles.begin(), m.handles.end(),
                                          [&](int h) { return m.editor.AnchorLine(h) < line; });
        benchmark::DoNotOptimize(first != m.handles.end() && m.editor.AnchorLine(*first) == line);
    }
}
BENCHMARK(ClickInTheMargin)->Unit(benchmark::kMicrosecond);

// What a scan of every anchor would cost, for comparison.
void EveryAnchorsLine(benchmark::State& state) {
    Marked& m = Editor();
    for (auto _ : state) {
        int last = -1;
        for (int h : m.handles)
            last = m.editor.AnchorLine(h);
        benchmark::DoNotOptimize(last);
    }
}
BENCHMARK(EveryAnchorsLine)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
