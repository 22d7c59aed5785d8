// The UART on the simulated chip's pins, bridged to a pseudo-terminal of its own: what a
// terminal program writes there goes into the RX pin as frames, and frames the program
// sends on the TX pin come out there, as between a PC and real hardware.
//
// Typed bytes are taken from the terminal only while fewer than kRxBacklog wait for their
// frames, so a paste never loses a byte: the rest waits in the terminal, whose writes
// block when it is full. Bytes from TX go out as they come; while no program has the
// device open they are lost, as on a wire with nobody at the other end, and when the
// program does not read and kTxBacklog have piled up, further ones are dropped and counted.
#pragma once

#include <cstdint>
#include <cstdio>
#include <deque>
#include <string>

#include "keysim/PseudoTerminal.h"
#include "sim/LabBench.h"

namespace pellix::keysim {

class UartBridge {
public:
    static constexpr size_t kRxBacklog = 4096;
    static constexpr size_t kTxBacklog = 64 * 1024;

    // Attaches the UART to `bench`; messages (framing errors, lost bytes) go to `messages`.
    UartBridge(LabBench& bench, const UartSettings& settings, PseudoTerminal& pty,
               std::FILE* messages);

    // Whether to wait for the terminal's bytes (there is room for them).
    bool WantsInput() const;
    // Whether bytes from TX wait for the terminal to take them.
    bool HasOutput() const { return !out_.empty(); }
    // A program opened or closed the device.
    void Connected(bool on);
    // With the chip run up to now: takes what was typed and hands on what the program sent.
    // `nowMs` is the wall clock, for spacing messages.
    void Exchange(uint32_t nowMs);
    // Says what has not been said yet (framing errors and lost bytes not yet reported).
    void Finish();

private:
    void Received(const PinUart::Received& frame);
    void Report(uint32_t nowMs);

    LabBench& bench_;
    PinUart& uart_;
    PseudoTerminal& pty_;
    std::FILE* messages_;
    std::string txName_;
    std::deque<uint8_t> out_;
    uint64_t dropped_ = 0;     // bytes from TX dropped for want of a reader, not yet told
    uint64_t quietErrors_ = 0; // framing errors not yet told
    std::string lastError_;    // the text of the latest of them
    bool reportedOnce_ = false;
    uint32_t lastReport_ = 0;
};

} // namespace pellix::keysim
