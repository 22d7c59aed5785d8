// Any text as orda's symbol file: taken or refused, never more than 32 watches kept.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "shell/OrdaUnit.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    pellix::OrdaSymbols symbols;
    std::string wrong =
        pellix::ReadOrdaSymbols({reinterpret_cast<const char*>(data), size}, symbols);
    if (!wrong.empty()) return 0;
    if (symbols.watches.size() > size_t(pellix::kMaxWatches)) std::abort();
    if (symbols.watchesFound < int(symbols.watches.size())) std::abort();
    for (const auto& w : symbols.watches)
        if (w.format > 7) std::abort();
    return 0;
}
