// The original editor with a full buffer (1,000,000 characters, about 37,000 lines): typing
// in the middle, moving by lines and pages, a search that misses, replacing every match, and
// copying the text out for the assembler. Each must stay well below what a person notices.
#include <benchmark/benchmark.h>

#include <string>

#include "shell/OriginalEditorBuffer.h"

using namespace pellix;

namespace {

std::string Text(size_t length) {
    std::string s;
    for (int i = 0; s.size() < length; ++i)
        s += "loop" + std::to_string(i % 1000) + "\tDJNZ\tcount1,:wait ; x\r";
    return s.substr(0, length);
}

std::string FullText() {
    return Text(kOriginalEditorCapacity - 40);
}

OriginalEditorBuffer& Full() {
    static OriginalEditorBuffer b;
    static bool loaded = b.Load(FullText());
    (void)loaded;
    return b;
}

void TypeInTheMiddle(benchmark::State& state) {
    OriginalEditorBuffer& b = Full();
    b.SetViewSize(40, 100);
    b.SetCaret(b.Length() / 2);
    for (auto _ : state) {
        b.Type('x');
        b.Key(EditKey::Backspace, false, false);
        benchmark::DoNotOptimize(b.CaretLine());
    }
}
BENCHMARK(TypeInTheMiddle);

void LineAndPageMoves(benchmark::State& state) {
    OriginalEditorBuffer& b = Full();
    b.SetViewSize(40, 100);
    b.SetCaret(b.Length() / 2);
    for (auto _ : state) {
        b.Key(EditKey::Down, false, false);
        b.Key(EditKey::PageDown, false, false);
        b.Key(EditKey::PageUp, false, false);
        b.Key(EditKey::Up, false, false);
    }
}
BENCHMARK(LineAndPageMoves);

void FindThatMisses(benchmark::State& state) {
    OriginalEditorBuffer& b = Full();
    for (auto _ : state)
        benchmark::DoNotOptimize(b.Find("nowhere_to_be_found", true, false));
}
BENCHMARK(FindThatMisses)->Unit(benchmark::kMillisecond);

void ReplaceAllOnAFullBuffer(benchmark::State& state) {
    // 900,000 characters leave room for each of the 33,000 matches to grow by one.
    const std::string text = Text(900'000);
    for (auto _ : state) {
        state.PauseTiming();
        OriginalEditorBuffer b;
        b.Load(text);
        state.ResumeTiming();
        int n = b.ReplaceAll("DJNZ", "DECSZ", true, true);
        if (n < 30'000) state.SkipWithError("too few replacements");
        benchmark::DoNotOptimize(n);
    }
}
BENCHMARK(ReplaceAllOnAFullBuffer)->Unit(benchmark::kMillisecond);

void TextForTheAssembler(benchmark::State& state) {
    OriginalEditorBuffer& b = Full();
    for (auto _ : state) {
        b.SetCaret(b.Length() / 3);
        b.Type('y'); // the gap is in the middle again
        std::string source(b.Text());
        benchmark::DoNotOptimize(source.data());
        b.Key(EditKey::Backspace, false, false);
    }
}
BENCHMARK(TextForTheAssembler)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
