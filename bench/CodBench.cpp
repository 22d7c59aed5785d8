// Reading .COD files near the size the listing buffer takes (2,000,000 bytes): a large
// program, and files shaped to be slow (scopes nested 120,000 deep, line records in falling
// address order, every scope a sibling).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>

#include "cod/CodWriter.h"
#include "platform/ScriptedPrompter.h"
#include "shell/SXCUnit.h"
#include "shell/TCode.h"

using namespace pellix;
using namespace pellix::test;

namespace {

class Quiet final : public Prompter {
public:
    PromptAnswer Message(const std::string&, const std::string&, PromptButtons,
                         PromptIcon) override {
        return PromptAnswer::Ok;
    }
    std::optional<std::string> OpenFileName(const FileDialogRequest&) override { return {}; }
    std::optional<std::string> SaveFileName(const FileDialogRequest&) override { return {}; }
};

std::string Name(const char* prefix, int i) {
    return std::string(prefix).append(std::to_string(i));
}

constexpr int kBlocks = 3800; // about 1.9 MB

std::vector<uint8_t> LargeProgram(const char* compiler = "BCLSXC", uint16_t version = 5) {
    CodWriter w(compiler, version);
    for (uint32_t a = 0; a < 4116; ++a)
        w.Word(a, uint16_t(a & 0xFFF));
    std::vector<CodSym> symbols;
    for (int i = 0; i < 32 * 200; ++i)
        symbols.push_back({Name("sym", i), 1, uint16_t(i)});
    w.ShortSymbols(symbols);
    w.LongSymbols(symbols);
    std::vector<CodLocal> locals;
    for (int f = 0; f < 500; ++f) {
        locals.push_back(CodLocal::Scope(uint32_t(f * 16), uint32_t(f * 16 + 15)));
        for (int i = 0; i < 5; ++i)
            locals.push_back({Name("l", i), 1, uint16_t(i)});
    }
    w.LocalEntries(locals);
    std::vector<CodRec> records;
    for (int i = 0; i < 85 * 1500; ++i)
        records.push_back({0, uint8_t(i % 50 ? 0 : 0x80), uint16_t(i + 1), uint16_t(i % 4096)});
    w.LineRecords(records);
    std::vector<CodMsg> messages;
    for (int i = 0; i < 32; ++i)
        messages.push_back({uint32_t(i), 'w', Name("sym", i).append(",8,UDEC")});
    w.DebugMessages(messages);
    w.MemoryMap({{0, 0x1FFF}});
    return w.Bytes();
}

std::vector<uint8_t> Nested() {
    CodWriter w;
    std::vector<CodLocal> locals;
    for (uint32_t i = 0; i < 32u * kBlocks; ++i)
        locals.push_back(CodLocal::Scope(i, 0xFFFFFFFF - i));
    w.LocalEntries(locals);
    return w.Bytes();
}

std::vector<uint8_t> Siblings() {
    CodWriter w;
    std::vector<CodLocal> locals;
    for (uint32_t i = 32u * kBlocks; i > 0; --i)
        locals.push_back(CodLocal::Scope(2 * i, 2 * i));
    w.LocalEntries(locals);
    return w.Bytes();
}

std::vector<uint8_t> FallingLines() {
    CodWriter w;
    std::vector<CodRec> records;
    for (int i = 85 * kBlocks; i > 0; --i)
        records.push_back({0, 0, 1, uint16_t(i)});
    w.LineRecords(records);
    return w.Bytes();
}

void Open(benchmark::State& state, const std::vector<uint8_t>& bytes) {
    Quiet prompter;
    for (auto _ : state) {
        TCode code(prompter);
        benchmark::DoNotOptimize(code.Open(bytes, "b.cod"));
        benchmark::DoNotOptimize(code.FindSymbol("x", 5));
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(bytes.size()));
}

void BM_OpenLargeProgram(benchmark::State& s) {
    Open(s, LargeProgram());
}
void BM_OpenNestedScopes(benchmark::State& s) {
    Open(s, Nested());
}
void BM_OpenSiblingScopes(benchmark::State& s) {
    Open(s, Siblings());
}
void BM_OpenFallingLines(benchmark::State& s) {
    Open(s, FallingLines());
}

// The whole preparation after the file was read: image, lines, list, watches.
void Prepare(benchmark::State& state, const std::vector<uint8_t>& bytes, const std::string& list) {
    Quiet prompter;
    auto record = std::make_unique<AssemblyRecord>();
    record->StartUp();
    SXCLoader loader(*record, prompter);
    auto code = std::make_unique<TCode>(prompter);
    code->Open(bytes, "b.cod");
    loader.UseCode(std::move(code));
    for (auto _ : state) {
        record->debug.SetListingText({reinterpret_cast<const char*>(bytes.data()), bytes.size()});
        loader.PrepareEEPROM();
        record->debug.SetListingText(list);
        loader.PrepareList();
        loader.SetCodWatchesAndBreak();
    }
}

void BM_PrepareLargeProgram(benchmark::State& state) {
    std::string list;
    for (int i = 0; i < 20000; ++i)
        list += "0000 0A00  line of the listing\r\n";
    Prepare(state, LargeProgram(), list);
}

// gputils' flavour: every instruction's line is looked for on a listing whose lines show
// addresses, as gpasm lists them.
void BM_PrepareGputilsProgram(benchmark::State& state) {
    std::string list;
    char line[64];
    for (int i = 0; i < 20000; ++i) {
        std::snprintf(line, sizeof line, "%04X   0A00           %05d  line of the listing\r\n",
                      unsigned(i % 4096), i);
        list += line;
    }
    Prepare(state, LargeProgram("gpasm", 1), list);
}

} // namespace

BENCHMARK(BM_OpenLargeProgram)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenNestedScopes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenSiblingScopes)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_OpenFallingLines)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PrepareLargeProgram)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PrepareGputilsProgram)->Unit(benchmark::kMillisecond);
