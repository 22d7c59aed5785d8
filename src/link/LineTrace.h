// A record of what crosses the line to the key, for finding out why a key misbehaves. One
// text line per burst of bytes in one direction:
//
//   MS DIR HEX ... | PLAIN ...
//
// MS the milliseconds since the port opened, DIR ">" for bytes to the key and "<" for bytes
// from it, then the bytes in hex as they are on the wire and, after "|", the same bytes
// unscrambled: what the program queued, the echo as the bytes it echoes, a reply as the
// program read it. A received byte the program never took is shown as "..". A burst to the
// key is one write; a burst from it is everything read until the next write or the close.
#pragma once

#include <cstdint>
#include <deque>
#include <ostream>
#include <span>
#include <vector>

namespace pellix {

class LineTrace {
public:
    explicit LineTrace(std::ostream& out) : out_(out) {}

    // The port has just opened: times count from `now`, nothing is on its way.
    void Opened(uint32_t now);
    // One write: the bytes as sent and as queued before scrambling.
    void Sent(uint32_t now, std::span<const uint8_t> raw, std::span<const uint8_t> plain);
    // Bytes read; the first `echo` of them are the echo of bytes sent.
    void Received(uint32_t now, std::span<const uint8_t> raw, size_t echo);
    // Bytes read only to be dropped (what was on the line before the identification).
    void Dropped(uint32_t now, std::span<const uint8_t> raw);
    // The program took the next received byte (not an echo) as `plain`.
    void Taken(uint8_t plain);
    // The port closes: the burst being gathered is written.
    void Closed();

private:
    static constexpr int kUntaken = -1;
    void Gather(uint32_t now, std::span<const uint8_t> raw);
    void EndBurst();
    void WriteLine(uint32_t now, char direction, std::span<const uint8_t> raw,
                   std::span<const int> plain);

    std::ostream& out_;
    uint32_t opened_ = 0;
    bool started_ = false;
    std::deque<uint8_t> echoes_; // the plain bytes whose echo is still to come
    // The burst from the key being gathered.
    bool gathering_ = false;
    uint32_t burstStart_ = 0;
    std::vector<uint8_t> raw_;
    std::vector<int> plain_;
    std::deque<size_t> untaken_; // indexes into plain_, in the order they will be taken
    size_t orphans_ = 0;         // bytes of written bursts the program has still to take
};

} // namespace pellix
