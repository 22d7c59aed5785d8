// Any text handed to the HEX reader: no crash, no read outside the text, linear time.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

#include "target/AssemblyRecord.h"
#include "target/HexText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static auto record = [] {
        auto r = std::make_unique<pellix::AssemblyRecord>();
        r->StartUp();
        return r;
    }();
    record->deviceFamily = size > 0 ? (data[0] & 1) : 0;
    std::string_view text(reinterpret_cast<const char*>(data), size);
    if (size <= record->debug.listingCapacity && (size & 1)) {
        // Through the listing buffer as the device window does.
        record->debug.SetListingText(text);
        pellix::ReadHex(*record);
    } else {
        pellix::ReadHex(*record, text);
    }
    return 0;
}
