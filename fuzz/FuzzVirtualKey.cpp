// Any bytes a program sends down the line to the virtual key (pellix-keysim takes them from
// a pseudo-terminal): no crash, no unbounded growth, the key keeps answering.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "sim/VirtualKey.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    pellix::VirtualKey key(data[0] & 1);
    key.faults.zeroSeed = (data[0] & 2) != 0;
    key.faults.latencyMs = (data[0] >> 2) & 7;
    key.faults.unitMs = (data[0] >> 5) & 1;
    uint32_t now = 0xFFFFF000u + data[1]; // near the wrap of the tick counter
    key.LineOpened(now);
    key.SetBaud(57600);
    std::vector<uint8_t> out(4096);
    size_t i = 2;
    while (i < size) {
        // Chunks of 1 to 16 bytes, the clock moving on between them.
        size_t chunk = 1 + (data[i] & 15);
        now += data[i] >> 4;
        ++i;
        if (chunk > size - i) chunk = size - i;
        key.Receive(data + i, chunk, now);
        i += chunk;
        key.Transmit(out.data(), out.size(), now);
        if (i < size && data[i - 1] == 0xA5) { // the line drops and comes back
            key.LineClosed(now);
            key.LineOpened(now);
        }
    }
    // Without work times every reply is due within the latency: a second on, all is out.
    while (key.Transmit(out.data(), out.size(), now + 1000) > 0) {
    }
    if (key.faults.unitMs == 0 && key.Queued() > 0) __builtin_trap();
    return 0;
}
