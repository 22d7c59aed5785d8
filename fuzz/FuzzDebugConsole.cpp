// Any script for pellix-cli debug, one command a line, against a prepared program on the
// in-process virtual key: no crash, and a link error only ever as SilentAbort.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>

#include "asm/Assembler.h"
#include "link/DebugConsole.h"
#include "link/DebugKernel.h"
#include "link/PortFactory.h"
#include "link/SilentAbort.h"
#include "platform/ScriptedPrompter.h"
#include "target/LineEnds.h"

namespace {

using namespace pellix;

// Built once; a session only reads it.
AssemblyRecord& Prepared() {
    static std::unique_ptr<AssemblyRecord> record = [] {
        auto r = std::make_unique<AssemblyRecord>();
        r->StartUp();
        r->source = ToCrLineEnds(" DEVICE SX28,TURBO,STACKX_OPTIONX\n FREQ 4_000_000\n"
                                 " RESET start\n ORG 8\ncount DS 2\n WATCH count,16,SDEC\n"
                                 " WATCH count,2,ZSTR\n ORG 0\nstart MOV count,#3\n"
                                 "loop INC $30\n DECSZ count\n JMP loop\n SLEEP\n");
        Assemble(*r);
        PrepareDebug(*r);
        if (r->status != 0) __builtin_trap();
        return r;
    }();
    return *record;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    AssemblyRecord* record = &Prepared();
    FakeTickSource ticks;
    ScriptedPrompter prompter;
    VirtualKey key(0);
    VirtualChip& chip = key.Chip();
    for (int a = 0; a < chip.PhysicalWords(); ++a)
        chip.LoadCode(a, record->transfer.Code(a));
    chip.LoadFuse(record->transfer.Fuse());
    chip.LoadFusex(record->transfer.Fusex());
    PortFactory ports(&key, ticks);
    KeyLink link(ports, ticks, prompter);
    link.portName = "sim";
    DebugControl control(link, *record);
    std::ostringstream out;
    DebugConsole console(control, out);
    console.runLimitMs = 30;
    console.maxSteps = 20;
    std::string_view script(reinterpret_cast<const char*>(data), size);
    try {
        std::string error;
        if (!console.Begin(error)) __builtin_trap(); // the program always stops there
        int lines = 0;
        while (!script.empty() && lines++ < 64) {
            size_t end = script.find('\n');
            std::string_view line = script.substr(0, end);
            script = end == std::string_view::npos ? std::string_view{} : script.substr(end + 1);
            if (console.Execute(line, error) == DebugConsole::Result::Quit) break;
        }
        control.StopDebugging();
    } catch (const SilentAbort&) {
        if (link.PortOpen()) __builtin_trap(); // a link error closes the port
    }
    return 0;
}
