// Any bytes as orda's BIN16 object, read against a map of either chip size: taken or
// refused, a taken image holds only 12-bit words with the written mark where they should.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "shell/OrdaUnit.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    // The first byte picks the device of the map the object is read against.
    pellix::OrdaMap map;
    map.header[0] = 0xAAFF;
    map.header[2] = uint16_t(data[0] % 6);
    map.header[3] = map.header[2] >= 3 ? 0xFFF : 0x7FF;
    pellix::OrdaObject object;
    std::string wrong =
        pellix::ReadOrdaObject({reinterpret_cast<const char*>(data + 1), size - 1}, map, object);
    if (!wrong.empty()) return 0;
    for (uint16_t w : object.code)
        if ((w & 0x7000) != 0 || ((w & 0x8000) != 0) == (w == 0x0FFF)) std::abort();
    if (object.breakAddress != pellix::kNoBreak && object.breakAddress >= map.MemoryWords())
        std::abort();
    return 0;
}
