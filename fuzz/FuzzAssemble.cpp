// Any text handed to the built-in assembler: no crash, no read outside the text or its
// tables, no hang; the disassembler and listing lines over whatever it left behind.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "asm/Assembler.h"
#include "asm/Disassembler.h"
#include "target/AssemblyRecord.h"
#include "target/LineEnds.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static auto record = [] {
        auto r = std::make_unique<pellix::AssemblyRecord>();
        r->StartUp();
        return r;
    }();
    std::string text(reinterpret_cast<const char*>(data), size);
    // Odd sizes go in as they are (LF and all); even ones as the editor hands text over.
    record->source = (size & 1) ? text : pellix::ToCrLineEnds(text);
    pellix::Assemble(*record);

    const bool w = size > 0 && (data[0] & 1);
    for (int a = 0; a < pellix::kCodeWords; a += 7) (void)pellix::Disassemble(*record, a, w);
    const int lines = record->debug.lineCount;
    for (int l = -1; l <= lines && l < 64; ++l) (void)pellix::ListingLine(*record, l);
    return 0;
}
