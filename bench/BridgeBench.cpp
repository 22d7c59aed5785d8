// Reading what orda writes for a large program, and the list view's lookups on it: a map of
// 20,000 records, 10,000 symbols and a list file of 25,000 lines.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>
#include <vector>

#include "shell/OrdaUnit.h"

namespace {

void Put16(std::string& d, uint16_t w) {
    d += char(w & 0xFF);
    d += char(w >> 8);
}

std::string LargeMap() {
    std::string d(2048, '\0');
    const uint16_t header[6] = {0xAAFF, 0x0100, 4, 0xFFF, 0xFFF, 0xFFFF};
    for (int i = 0; i < 6; ++i) {
        d[size_t(2 * i)] = char(header[i] & 0xFF);
        d[size_t(2 * i + 1)] = char(header[i] >> 8);
    }
    for (int i = 0; i < 20'000; ++i) {
        Put16(d, uint16_t(i % 4096));
        Put16(d, uint16_t(i + 1));
        Put16(d, uint16_t(i + 3));
        Put16(d, 0);
    }
    return d;
}

std::string LargeSymbols() {
    std::string t = "Cross Reference\r\n10000 symbols\r\n\r\nSymbol                            "
                    "Type   Value      Line";
    char buf[128];
    for (int i = 0; i < 10'000; ++i) {
        std::snprintf(buf, sizeof buf, "\r\nlabel_%05d                       ADDR   %08X   %04d", i,
                      i % 4096, i + 1);
        t += buf;
    }
    return t + "\r\n";
}

std::vector<std::string> LargeList() {
    std::vector<std::string> lines;
    char buf[128];
    for (int i = 0; i < 25'000; ++i) {
        std::snprintf(buf, sizeof buf, "%6d  %04X  0C01      label   MOV  W,#1", i + 1, i % 4096);
        lines.emplace_back(buf);
        if (i % 3 == 0) lines.emplace_back("        0001  0006");
    }
    return lines;
}

void BM_ReadMap(benchmark::State& state) {
    const std::string data = LargeMap();
    for (auto _ : state) {
        pellix::OrdaMap m;
        benchmark::DoNotOptimize(pellix::ReadOrdaMap(data, m));
        benchmark::DoNotOptimize(m.records.size());
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(data.size()));
}
BENCHMARK(BM_ReadMap)->Unit(benchmark::kMicrosecond);

void BM_ReadSymbols(benchmark::State& state) {
    const std::string text = LargeSymbols();
    for (auto _ : state) {
        pellix::OrdaSymbols s;
        benchmark::DoNotOptimize(pellix::ReadOrdaSymbols(text, s));
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(text.size()));
}
BENCHMARK(BM_ReadSymbols)->Unit(benchmark::kMicrosecond);

// The worst case of the lookup the reset and main buttons make: the last listing line.
void BM_ViewLineOfLastListingLine(benchmark::State& state) {
    const std::vector<std::string> lines = LargeList();
    auto text = [&](int i) { return lines[size_t(i)]; };
    for (auto _ : state)
        benchmark::DoNotOptimize(pellix::ViewLineOfListingLine(text, int(lines.size()), 25'000));
}
BENCHMARK(BM_ViewLineOfLastListingLine)->Unit(benchmark::kMicrosecond);

void BM_ListLinesOfView(benchmark::State& state) {
    const std::vector<std::string> lines = LargeList();
    auto text = [&](int i) { return lines[size_t(i)]; };
    for (auto _ : state)
        benchmark::DoNotOptimize(pellix::ListLinesOfView(text, int(lines.size())));
}
BENCHMARK(BM_ListLinesOfView)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
