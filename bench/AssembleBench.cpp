// The built-in assembler on a program that fills all 4096 words of an SX52 through macros,
// REPT and forward references and lists close to the 25,000-line limit.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdio>
#include <memory>
#include <string>

#include "asm/Assembler.h"

extern std::atomic<long> gBenchAllocations;

namespace {

// 128 blocks of 32 words (the last one 31, the reset vector being the 4096th word), each
// listing about 190 lines.
std::string LargeProgram() {
    std::string s;
    s += "; generated: fills program memory of an SX52\n"
         " DEVICE SX52, OSCHS2, BOR42\n"
         " ID 'BENCH'\n"
         " FREQ 50_000_000\n"
         " RESET main\n"
         "t = 0\n"
         "blk MACRO 1\n"
         "; ---- block \\1 ----\n"
         "base = \\1*32\n"
         " MOV W,#\\1\n"
         " MOV 10h,W\n"
         " CJE 10h,#5,:fwd\n"
         " CSA 11h,12h\n"
         " MOVB RA.0,RB.1\n"
         " ADD 13h,#7\n"
         " MOV !RB,#0F0h\n"
         " JB RA.2,@:fwd\n"
         ":fwd SETB RC.3\n"
         " REPT 4\n"
         " RETW %\n"
         " ENDR\n"
         " INC 14h\n"
         " DJNZ 15h,:fwd\n"
         " MOV W,M\n"
         " JMP @finish\n"
         " IF \\1 < 127\n"
         " NOP\n"
         " ENDIF\n"
         " REPT 80\n"
         "t = t + % ; running total of the iteration numbers\n"
         "; a comment line inside the repetition, as real programs have them\n"
         " ENDR\n"
         " ENDM\n"
         "n = 0\n"
         "main\n"
         " REPT 128\n"
         " blk n\n"
         "n = n + 1\n"
         " ENDR\n"
         "finish\n";
    return s;
}

struct Prepared {
    std::unique_ptr<pellix::AssemblyRecord> record;
    bool ok = false;
    int words = 0;
};

Prepared Prepare() {
    Prepared p;
    p.record = std::make_unique<pellix::AssemblyRecord>();
    p.record->StartUp();
    std::string text = LargeProgram();
    for (char& c : text)
        if (c == '\n') c = '\r';
    p.record->source = text;
    pellix::Assemble(*p.record);
    p.ok = p.record->status == 0;
    if (!p.ok) std::fprintf(stderr, "assembly failed: %s\n", p.record->message.c_str());
    for (int a = 0; a < pellix::kCodeWords; ++a) p.words += p.record->assembled.Written(a);
    return p;
}

void BM_AssembleLargeProgram(benchmark::State& state) {
    Prepared p = Prepare();
    if (!p.ok) {
        state.SkipWithError("assembly failed");
        return;
    }
    long allocations = 0;
    for (auto _ : state) {
        long before = gBenchAllocations.load();
        pellix::Assemble(*p.record);
        allocations = gBenchAllocations.load() - before;
        benchmark::DoNotOptimize(p.record->status);
    }
    state.counters["words"] = p.words;
    state.counters["lines"] = p.record->debug.lineCount - 1;
    state.counters["listing_bytes"] = double(p.record->debug.listingLength);
    state.counters["allocations"] = double(allocations);
}
BENCHMARK(BM_AssembleLargeProgram)->Unit(benchmark::kMillisecond)->Repetitions(15);

// Baseline of the same run: touching every source character twice (two passes) and writing
// a listing of the same size, the least any assembler of this text must do.
void BM_Baseline(benchmark::State& state) {
    Prepared p = Prepare();
    const std::string& text = p.record->source;
    std::string listing(p.record->debug.listingLength, '\0');
    for (auto _ : state) {
        unsigned sum = 0;
        for (int pass = 0; pass < 2; ++pass)
            for (char c : text) sum += static_cast<unsigned char>(c);
        for (size_t i = 0; i < listing.size(); ++i) listing[i] = char(sum + i);
        benchmark::DoNotOptimize(listing.data());
    }
}
BENCHMARK(BM_Baseline)->Unit(benchmark::kMillisecond)->Repetitions(15);

} // namespace

BENCHMARK_MAIN();
