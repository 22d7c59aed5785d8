// A serial line on two port pins, 8N1, idle high, as the other end of the wire: bytes
// given to it go into the RX pin as frames, and frames the program drives on the TX pin are
// sampled in the middle of each bit and handed on the moment their stop bit ends. Made and
// driven by a LabBench; all of its times are the bench's cycles.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "sim/LabPin.h"
#include "sim/LabTimer.h"

namespace pellix {

class LabBench;
class SxPorts;

struct UartSettings {
    std::optional<LabPin> rx; // the chip's receive pin: the bench drives it
    std::optional<LabPin> tx; // the chip's transmit pin: the bench listens to it
    uint32_t baud = 0;
    uint32_t gap = 1; // idle bit times before each frame sent into RX
};

// "RX=RA.1,TX=RA.0,BAUD=9600,GAP=2" (names in any case and order; RX or TX may be left out).
// Checks the pins against the chip when `ports` is given.
std::optional<UartSettings> ParseUartSettings(std::string_view text, const SxPorts* ports,
                                              std::string& error);

class PinUart final : public LabTimer {
public:
    struct Received {
        uint8_t value;
        bool framingError; // the stop bit was low
        uint64_t cycle;    // when the stop bit ended
    };
    using ByteHandler = std::function<void(const Received&)>;
    // The next byte to send, or -1 when there are none now (Send() adds more later).
    using ByteSource = std::function<int()>;

    PinUart(LabBench& bench, const UartSettings& settings);
    PinUart(const PinUart&) = delete;
    PinUart& operator=(const PinUart&) = delete;

    const UartSettings& Settings() const { return settings_; }
    // Called with every frame decoded on TX.
    void OnReceived(ByteHandler handler) { onReceived_ = std::move(handler); }
    // Asked for the next byte whenever RX is free and nothing is queued. Bytes come out as
    // frames GAP idle bits apart, however long the source takes to answer.
    void SetSource(ByteSource source) { source_ = std::move(source); }
    // Queues bytes for RX; they start at once if the line is idle.
    void Send(std::span<const uint8_t> bytes);
    void Send(std::string_view text) {
        Send({reinterpret_cast<const uint8_t*>(text.data()), text.size()});
    }
    size_t Queued() const { return queue_.size(); }
    bool Sending() const { return rxBit_ >= 0; }
    uint64_t FramesReceived() const { return framesReceived_; }
    uint64_t FramingErrors() const { return framingErrors_; }

    // The bench's side.
    void Start(uint64_t now);
    void OnTimer(uint64_t cycle, uint64_t kind) override;
    void OnPortChanged(int port, uint64_t now);
    // The cycle `bits` bit times after `from`.
    uint64_t BitsAfter(uint64_t from, uint64_t halfBits) const;

private:
    enum Kind : uint64_t { kRxNext, kTxSample, kTxDeliver };
    void NextFrame(uint64_t cycle);
    bool TxLine() const;

    LabBench& bench_;
    UartSettings settings_;
    ByteHandler onReceived_;
    ByteSource source_;

    // RX: frames into the chip.
    std::deque<uint8_t> queue_;
    int rxBit_ = -1; // -1 between frames; 0 the start bit, 1-8 data, 9 stop
    uint8_t rxByte_ = 0;
    uint64_t rxFrame_ = 0; // when the frame began
    uint64_t rxFree_ = 0;  // the earliest start of the next frame
    bool rxWaiting_ = false;

    // TX: frames out of the chip.
    bool txLine_ = true;
    bool txBefore_ = true; // the level before the last change
    uint64_t txChanged_ = 0;
    bool txBusy_ = false;
    uint64_t txFrame_ = 0;
    int txSample_ = 0;
    uint8_t txByte_ = 0;
    std::deque<Received> deliveries_;
    uint64_t framesReceived_ = 0;
    uint64_t framingErrors_ = 0;
};

} // namespace pellix
