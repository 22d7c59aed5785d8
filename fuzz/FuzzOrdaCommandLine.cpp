// orda's command line: any arguments (one per line of the input) before a source that
// assembles. A run must end with one of its exit codes, wait for a key only on the usage
// path, and leave no object output behind after an error.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "orda/Orda.h"

namespace {

void Check(bool ok) {
    if (!ok) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 4096) return 0;
    std::string_view text(reinterpret_cast<const char*>(data), size);
    std::vector<std::string> args{"/bin/orda"};
    while (!text.empty() && args.size() < 40) {
        size_t end = text.find('\n');
        args.emplace_back(text.substr(0, end));
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    }
    orda::MemoryHost host;
    host.files["/work/t.asm"] = " FREQ 4000000\n IRC_CAL IRC_SLOW\n DEVICE SX28AC, OSCRC\n"
                                " ORG 0\nstart MOV W,#1\n BREAK\n JMP start\n";
    host.files["/work/t.inc"] = " NOP\n";
    orda::Orda assembler(host);
    assembler.maxLinesPerPass = 2000;
    int code = assembler.Run(args);
    Check(code == 0 || code == 1 || code == 2);
    Check(host.keysWaited <= 1);
    Check(host.keysWaited == 0 || code == 1);
    Check(host.console.rfind("\nORDA Cross-Assembler", 0) == 0);
    // A run with an error (not one with comments only, which also ends with 1) keeps no
    // object output.
    bool error = host.console.find(", Error ") != std::string::npos ||
                 host.console.find("\nError: ") != std::string::npos;
    if (error) {
        const std::string base = assembler.OutputBase();
        if (!base.empty())
            for (const char* ext : {".map", ".obj", ".hex", ".sxe"})
                Check(host.files.count((base[0] == '/' ? "" : "/work/") + base + ext) == 0);
    }
    return 0;
}
