// Any bytes as orda's map file: the reader takes them or says what is wrong, every record
// it takes lies within program memory, and every file name within its slot.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "shell/OrdaUnit.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    pellix::OrdaMap map;
    std::string wrong = pellix::ReadOrdaMap({reinterpret_cast<const char*>(data), size}, map);
    if (!wrong.empty()) return 0;
    if (map.MemoryWords() != 2048 && map.MemoryWords() != 4096) std::abort();
    for (const pellix::OrdaMapRecord& r : map.records)
        if (r.address >= map.MemoryWords()) std::abort();
    if (map.records.size() > (size - 2048) / 8) std::abort();
    if (map.files.size() > 31 || (!map.files.empty() && map.files.back().empty()))
        std::abort();
    for (const std::string& name : map.files)
        if (name.size() > 63) std::abort();
    return 0;
}
