#include "keysim/UartBridge.h"

#include <algorithm>
#include <unistd.h>

namespace pellix::keysim {

namespace {

// At most one message a second about the line: a wrong baud rate gives a framing error in
// nearly every frame, which would otherwise flood the terminal keysim runs in.
constexpr uint32_t kReportSpacingMs = 1000;

} // namespace

UartBridge::UartBridge(LabBench& bench, const UartSettings& settings, PseudoTerminal& pty,
                       std::FILE* messages)
    : bench_(bench), uart_(bench.AttachUart(settings)), pty_(pty), messages_(messages),
      txName_(settings.tx ? LabPinName(*settings.tx) : "") {
    uart_.OnReceived([this](const PinUart::Received& r) { Received(r); });
}

bool UartBridge::WantsInput() const {
    return uart_.Settings().rx && uart_.Queued() < kRxBacklog;
}

void UartBridge::Connected(bool on) {
    if (on) return;
    // What the last program left unread is not for the next one.
    out_.clear();
    pty_.Clean();
}

void UartBridge::Received(const PinUart::Received& r) {
    if (r.framingError) {
        ++quietErrors_;
        lastError_ = FramingErrorText(bench_, *uart_.Settings().tx, r);
        return;
    }
    if (!pty_.Connected()) return;
    if (out_.size() >= kTxBacklog) {
        ++dropped_;
        return;
    }
    out_.push_back(r.value);
}

void UartBridge::Exchange(uint32_t nowMs) {
    uint8_t buf[4096];
    // Without RX the terminal's bytes are read and dropped, so that its writes never block.
    while (!uart_.Settings().rx || uart_.Queued() < kRxBacklog) {
        size_t room = uart_.Settings().rx ? kRxBacklog - uart_.Queued() : sizeof buf;
        ssize_t n = ::read(pty_.Master(), buf, std::min(room, sizeof buf));
        if (n <= 0) break;
        if (uart_.Settings().rx) uart_.Send({buf, size_t(n)});
    }
    while (!out_.empty()) {
        size_t chunk = 0;
        for (auto it = out_.begin(); it != out_.end() && chunk < sizeof buf; ++it)
            buf[chunk++] = *it;
        ssize_t w = ::write(pty_.Master(), buf, chunk);
        if (w <= 0) break;
        out_.erase(out_.begin(), out_.begin() + w);
    }
    if (quietErrors_ > 0 || dropped_ > 0) {
        if (!reportedOnce_ || nowMs - lastReport_ >= kReportSpacingMs) Report(nowMs);
    }
}

void UartBridge::Report(uint32_t nowMs) {
    reportedOnce_ = true;
    lastReport_ = nowMs;
    if (quietErrors_ == 1)
        std::fprintf(messages_, "pellix-keysim: uart: %s\n", lastError_.c_str());
    else if (quietErrors_ > 1)
        std::fprintf(messages_, "pellix-keysim: uart: %s, and %llu more since the last message\n",
                     lastError_.c_str(), static_cast<unsigned long long>(quietErrors_ - 1));
    if (dropped_ > 0)
        std::fprintf(messages_,
                     "pellix-keysim: uart: %llu bytes from %s dropped: the program on %s does "
                     "not read them\n",
                     static_cast<unsigned long long>(dropped_), txName_.c_str(),
                     pty_.Path().c_str());
    std::fflush(messages_);
    quietErrors_ = 0;
    dropped_ = 0;
}

void UartBridge::Finish() {
    if (quietErrors_ > 0 || dropped_ > 0) Report(0);
}

} // namespace pellix::keysim
