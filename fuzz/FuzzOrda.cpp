// Runs orda on arbitrary source text, with a command line picked by the first byte. A run
// must end cleanly; a successful run must leave files the environment can read.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "orda/BridgeReader.h"
#include "orda/Orda.h"

namespace {

void Check(bool ok) {
    if (!ok) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0 || size > 20000) return 0;
    uint8_t pick = data[0];
    std::string source(reinterpret_cast<const char*>(data + 1), size - 1);
    orda::MemoryHost host;
    host.files["/work/t.asm"] = source;
    host.files["/work/a.inc"] = " NOP\nk EQU 3\n";
    static const char* kSets[] = {"CORVANEX", "SX", "MCHIP", "ALL", "DEBUGGER"};
    static const char* kFormats[] = {"BIN16", "INHX8M", "INHX16", "INHX8S", "INHX32", "IEEE695"};
    bool bin16 = (pick & 7) % 6 == 0;
    std::vector<std::string> args{
        "orda", "/E", "CORVANEX", "/C", kSets[(pick >> 3) % 5], "/F", kFormats[(pick & 7) % 6]};
    if (pick & 0x80) args.insert(args.end(), {"/R", "HEX"});
    if (pick & 0x40) args.insert(args.end(), {"/L", "PAGE"});
    args.push_back("t");
    orda::Orda assembler(host);
    assembler.maxLinesPerPass = 20000;
    int code = assembler.Run(args);
    Check(code == 0 || code == 1 || code == 2);
    if (code == 1 || !bin16) return 0;
    auto file = [&](const char* name) -> const std::string* {
        auto it = host.files.find(std::string("/work/t") + name);
        return it == host.files.end() ? nullptr : &it->second;
    };
    const std::string* map = file(".map");
    const std::string* obj = file(".obj");
    const std::string* sym = file(".sym");
    Check(map && obj && sym);
    ordatest::BridgeMap m;
    Check(ordatest::ReadBridgeMap(*map, m));
    Check(m.header[0] == 0xAAFF && (m.header[3] == 0x7FF || m.header[3] == 0xFFF));
    Check(obj->size() == 2u * (m.header[3] + 1u) + 48u);
    ordatest::BridgeObject o;
    Check(ordatest::ReadBridgeObject(*obj, m, o));
    ordatest::BridgeSymbols s;
    Check(ordatest::ReadBridgeSymbols(*sym, s));
    return 0;
}
