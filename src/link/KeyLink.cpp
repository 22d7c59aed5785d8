#include "link/KeyLink.h"

#include <algorithm>

#include "link/SilentAbort.h"

namespace pellix {

namespace {

constexpr char kHello[] = " Pellix";
constexpr char kAnswer[] = "Pellix";
constexpr uint16_t kSeedMask = 0x71A4;
// Reads that emptying the port before the identification may take; a line that keeps
// delivering past that is left to the identification to reject.
constexpr int kDiscardReads = 64;

} // namespace

std::string StatusMessage(uint8_t status) {
    switch (status) {
    case 0:
        return {};
    case 1:
        return "Vpp generation failed";
    case 2:
        return "Chip connection failed";
    case 3:
        return "Programming failed";
    default:
        return "Communication failed";
    }
}

KeyLink::KeyLink(SerialPortFactory& ports, TickSource& ticks, Prompter& prompter)
    : ports_(ports), ticks_(ticks), prompter_(prompter) {}

KeyLink::~KeyLink() {
    ClosePort();
}

void KeyLink::Wait(uint32_t milliseconds) {
    uint32_t start = ticks_.Milliseconds();
    for (uint32_t passed; (passed = ticks_.Milliseconds() - start) < milliseconds;)
        ticks_.Sleep(milliseconds - passed);
}

void KeyLink::LinkError(const std::string& text, const std::string& detail) {
    ClosePort();
    std::string shown = text + ".";
    if (!detail.empty()) shown += "\r" + detail;
    prompter_.Message(shown, kLinkErrorCaption, PromptButtons::Abort, PromptIcon::Error);
    throw SilentAbort{};
}

void KeyLink::NotFound() {
    LinkError("Pellix not found on " + portName);
}

void KeyLink::ClosePort() {
    if (port_) {
        port_->Close();
        if (trace) trace->Closed();
    }
    port_.reset();
    detecting_ = false;
}

bool KeyLink::OpenAndIdentify() {
    // A port still held (an operation that ended without releasing the key) would make
    // the device look busy to ourselves.
    ClosePort();
    if (Stepping()) {
        std::string device = DevicePathOfPort(portName);
        Step("opening " + portName + (device != portName ? " (" + device + ")" : "") + " at " +
             std::to_string(baudRate) + " baud");
    }
    const std::string openFailed = "Unable to open " + portName + "\r" + kPortInUseText;
    port_ = ports_.Open(portName);
    if (!port_) LinkError(openFailed, ports_.LastFailure());
    if (!port_->SetLine(baudRate)) {
        port_.reset();
        LinkError(openFailed, "The line cannot be set to " + std::to_string(baudRate) +
                                  " baud, 8 data bits, no parity, 1 stop bit.");
    }
    if (trace) trace->Opened(ticks_.Milliseconds());
    txCount_ = 0;
    rxCount_ = 0;
    rxPos_ = 0;
    echoPending_ = 0;
    scrambling_ = false;
    receiveTimeout = kDefaultReceiveTimeout;

    Wait(kOpenSettleTime);
    // Whatever came in before we spoke (the late echo of the previous connection's end
    // byte, line noise) is not the echo of what we are about to send.
    DiscardInput();

    QueueText(kHello);
    FlushOutput();

    detecting_ = true;
    for (size_t i = 0; i < 6; ++i) {
        uint8_t b = ReadByte();
        if (!detecting_) break;
        if (b != uint8_t(kAnswer[i])) NotFound();
    }
    if (!detecting_) {
        ClosePort();
        Step("no answer at " + std::to_string(baudRate) + " baud");
        return false;
    }
    detecting_ = false;
    uint8_t b0 = ReadByte();
    uint8_t b1 = ReadByte();
    state_ = uint16_t((b0 ^ kSeedMask) ^ (b1 << 8));
    scrambling_ = true;
    firmwareVersion_ = ReadByte();
    if (Stepping())
        Step("key found at " + std::to_string(baudRate) + " baud, firmware version " +
             std::to_string(firmwareVersion_) +
             (state_ == 0 ? ", a programming-only key (scrambler state 0)" : ""));
    return true;
}

void KeyLink::ConnectKey() {
    if (OpenAndIdentify()) return;
    baudRate = baudRate == kFastBaud ? kSlowBaud : kFastBaud;
    if (OpenAndIdentify()) return;
    baudRate = kFastBaud;
    NotFound();
}

void KeyLink::RequireFullKey() {
    ConnectKey();
    ReleaseKey();
    if (state_ == 0) LinkError("Brisand does not support this function");
}

void KeyLink::ReleaseKey() {
    Step("end, port closed");
    QueueByte(0);
    FlushOutput();
    ClosePort();
}

void KeyLink::StepScrambler() {
    uint8_t hi = uint8_t(state_ >> 8), lo = uint8_t(state_);
    uint8_t f = uint8_t(((hi >> 7) ^ (lo >> 7) ^ (hi >> 1) ^ (lo >> 1)) & 1);
    state_ = uint16_t((uint8_t((hi << 1) | (lo & 1)) << 8) | uint8_t((lo >> 1) | (f << 7)));
}

void KeyLink::QueueByte(uint8_t b) {
    const uint8_t plain = b;
    if (scrambling_) {
        StepScrambler();
        b = uint8_t(uint8_t(b - uint8_t(state_ >> 8)) ^ uint8_t(state_));
    }
    // No exchange comes near the buffer's size; should one, it goes out in pieces rather
    // than over the end of the buffer.
    if (txCount_ == tx_.size()) FlushOutput();
    txPlain_[txCount_] = plain;
    tx_[txCount_++] = b;
}

void KeyLink::QueueWord12(uint16_t w) {
    QueueByte(uint8_t(w & 0xFF));
    QueueByte(uint8_t((w >> 8) & 0x0F));
}

void KeyLink::QueueText(std::string_view s) {
    for (char c : s)
        QueueByte(uint8_t(c));
}

void KeyLink::FlushOutput() {
    if (!port_) LinkError("Unable to write to " + portName);
    if (txCount_ > 0) {
        long written = port_->Write(tx_.data(), txCount_);
        if (written < 0) LinkError("Unable to write to " + portName);
        if (trace && written > 0)
            trace->Sent(ticks_.Milliseconds(), {tx_.data(), size_t(written)},
                        {txPlain_.data(), size_t(written)});
        if (size_t(written) < txCount_) LinkError("Transmit stall on " + portName);
        echoPending_ += uint32_t(written);
    }
    txCount_ = 0;
}

void KeyLink::DiscardInput() {
    for (int i = 0; i < kDiscardReads; ++i) {
        long n = port_->Read(rx_.data(), rx_.size());
        if (n < 0) LinkError("Unable to read from " + portName);
        if (n == 0) break;
        if (trace) trace->Dropped(ticks_.Milliseconds(), {rx_.data(), size_t(n)});
    }
}

bool KeyLink::Refill() {
    if (!port_) LinkError("Unable to read from " + portName);
    rxCount_ = 0;
    rxPos_ = 0;
    uint32_t start = ticks_.Milliseconds();
    for (uint32_t passed; (passed = ticks_.Milliseconds() - start) < receiveTimeout;) {
        long n = port_->Read(rx_.data(), rx_.size());
        if (n < 0) LinkError("Unable to read from " + portName);
        if (trace && n > 0)
            trace->Received(ticks_.Milliseconds(), {rx_.data(), size_t(n)},
                            std::min<size_t>(echoPending_, size_t(n)));
        if (echoPending_ < uint32_t(n)) {
            rxCount_ = size_t(n);
            rxPos_ = echoPending_;
            echoPending_ = 0;
            return true;
        }
        echoPending_ -= uint32_t(n);
        // Nothing for us yet: the system wakes us when bytes come or the time is up.
        if (n == 0) port_->WaitForInput(receiveTimeout - passed);
    }
    if (detecting_) {
        detecting_ = false;
        return false;
    }
    NotFound();
}

uint8_t KeyLink::ReadByte() {
    if (rxPos_ >= rxCount_ && !Refill()) return 0; // detection timed out; not looked at
    uint8_t r = rx_[rxPos_++];
    if (!scrambling_) {
        if (trace) trace->Taken(r);
        return r;
    }
    uint8_t b = uint8_t(uint8_t(state_) - (r ^ uint8_t(state_ >> 8)));
    StepScrambler();
    if (trace) trace->Taken(b);
    return b;
}

uint16_t KeyLink::ReadWord12() {
    uint8_t lo = ReadByte();
    uint8_t hi = ReadByte();
    return uint16_t(lo + ((hi & 0x0F) << 8));
}

void KeyLink::ReadStatus() {
    uint8_t status = ReadByte();
    if (status != 0) LinkError(StatusMessage(status));
}

} // namespace pellix
