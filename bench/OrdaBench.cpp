// Throughput of orda on a generated 100,000-line source with macros, REPT blocks and
// include files: both passes, listing, map, symbol and object files, all in memory.
#include <benchmark/benchmark.h>

#include <string>

#include "orda/Orda.h"

namespace {

constexpr int kLines = 100000;

// The main file and two include files, 100,000 source lines in all: symbols, conditionals,
// SET arithmetic, macro calls and REPT blocks, with code on every third block so that the
// program fits the memory of an SX52BD.
struct Sources {
    std::string main, inc1, inc2;
    int lines = 0;
};

Sources Generate() {
    Sources s;
    auto add = [&](std::string& to, const std::string& line) {
        to += line;
        to += '\n';
        ++s.lines;
    };
    add(s.main, "        DEVICE  SX52BD, OSCHS2");
    add(s.main, "        FREQ    50_000_000");
    add(s.main, "        IRC_CAL IRC_SLOW");
    add(s.main, "        INCLUDE \"regs.inc\"");
    add(s.main, "        INCLUDE \"macros.inc\"");
    add(s.main, "acc     =       0");
    add(s.main, "cnt     =       0");
    for (int i = 0; i < 400; ++i)
        add(s.inc1, "reg" + std::to_string(i) + "  EQU     " + std::to_string(16 + i % 200));
    add(s.inc2, "calc    MACRO   value");
    add(s.inc2, "acc     =       acc + value");
    add(s.inc2, "cnt     =       cnt + 1");
    add(s.inc2, "        ENDM");
    add(s.inc2, "wait    MACRO   reg");
    add(s.inc2, "        LOCAL   again");
    add(s.inc2, "again   DJNZ    reg,again");
    add(s.inc2, "        ENDM");
    static const char* kCode[] = {"NOP",          "MOV     W,#5", "SETB    RA.1",
                                  "INC     reg7", "CLRB    RB.2", "MOV     W,reg3"};
    int block = 0;
    while (s.lines < kLines - 10) {
        std::string n = std::to_string(block);
        add(s.main, "v" + n + "      EQU     " + n + "*3+1");
        add(s.main, "        IF      v" + n + " & 1");
        add(s.main, "acc     =       acc + v" + n);
        add(s.main, "        ELSE");
        add(s.main, "acc     =       acc - 1 ; odd ones only");
        add(s.main, "        ENDIF");
        add(s.main, "        calc    v" + n);
        add(s.main, "        REPT    2");
        add(s.main, "cnt     =       cnt + %");
        add(s.main, "        ENDR");
        if (block % 3 == 0) {
            if (block % 300 == 0)
                add(s.main, "        wait    reg" + std::to_string(block % 400));
            else
                add(s.main, std::string("        ") + kCode[block % 6]);
        }
        ++block;
    }
    while (s.lines < kLines)
        add(s.main, "; filler");
    return s;
}

void BM_Assemble100kLines(benchmark::State& state) {
    static const Sources src = Generate();
    orda::MemoryHost host;
    host.files["/work/big.asm"] = src.main;
    host.files["/work/regs.inc"] = src.inc1;
    host.files["/work/macros.inc"] = src.inc2;
    int code = 0;
    for (auto _ : state) {
        host.console.clear();
        orda::Orda assembler(host);
        code = assembler.Run({"orda", "/F", "BIN16", "/E", "CORVANEX", "big"});
        benchmark::DoNotOptimize(code);
    }
    if (code != 0) state.SkipWithError(host.console.c_str());
    state.counters["lines/s"] =
        benchmark::Counter(double(src.lines), benchmark::Counter::kIsIterationInvariantRate);
    state.counters["source lines"] = src.lines;
}

} // namespace

BENCHMARK(BM_Assemble100kLines)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
