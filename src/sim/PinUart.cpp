#include "sim/PinUart.h"

#include "sim/LabBench.h"

namespace pellix {

namespace {

std::optional<uint32_t> Whole(std::string_view text, uint32_t max) {
    if (text.empty() || text.size() > 10) return std::nullopt;
    uint64_t v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return std::nullopt;
        v = v * 10 + static_cast<uint64_t>(c - '0');
    }
    if (v > max) return std::nullopt;
    return static_cast<uint32_t>(v);
}

} // namespace

std::optional<UartSettings> ParseUartSettings(std::string_view text, const SxPorts* ports,
                                              std::string& error) {
    UartSettings s;
    bool baud = false, gap = false;
    auto twice = [&](std::string_view name) {
        error = std::string(name) + " is given twice";
        return std::nullopt;
    };
    size_t start = 0;
    while (start <= text.size()) {
        size_t end = text.find(',', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view field = text.substr(start, end - start);
        start = end + 1;
        size_t eq = field.find('=');
        std::string_view name = field.substr(0, eq);
        std::string_view value = eq == std::string_view::npos ? "" : field.substr(eq + 1);
        if (eq == std::string_view::npos || value.empty()) {
            error =
                "'" + std::string(field) + "' is not NAME=VALUE (RX=PIN, TX=PIN, BAUD=N, GAP=BITS)";
            return std::nullopt;
        }
        if (SameNoCase(name, "RX") || SameNoCase(name, "TX")) {
            auto pin = ParseLabPin(value);
            if (!pin || !pin->IsPort()) {
                error = "'" + std::string(value) + "' is not a port pin (RA.0 to RE.7)";
                return std::nullopt;
            }
            if (ports && !LabPinExists(*pin, *ports)) {
                error = "this chip has no pin " + LabPinName(*pin) + " (it has " +
                        LabPinsText(*ports) + ")";
                return std::nullopt;
            }
            auto& slot = SameNoCase(name, "RX") ? s.rx : s.tx;
            if (slot) return twice(name);
            slot = *pin;
        } else if (SameNoCase(name, "BAUD")) {
            if (baud) return twice(name);
            auto v = Whole(value, 100'000'000);
            if (!v || *v == 0) {
                error = "BAUD takes a rate from 1 to 100000000, not '" + std::string(value) + "'";
                return std::nullopt;
            }
            s.baud = *v;
            baud = true;
        } else if (SameNoCase(name, "GAP")) {
            if (gap) return twice(name);
            auto v = Whole(value, 1'000'000);
            if (!v) {
                error = "GAP takes a number of bit times from 0 to 1000000, not '" +
                        std::string(value) + "'";
                return std::nullopt;
            }
            s.gap = *v;
            gap = true;
        } else {
            error = "unknown '" + std::string(name) + "' (RX=PIN, TX=PIN, BAUD=N, GAP=BITS)";
            return std::nullopt;
        }
    }
    if (!baud) {
        error = "BAUD=N is missing";
        return std::nullopt;
    }
    if (!s.rx && !s.tx) {
        error = "give RX=PIN, TX=PIN or both";
        return std::nullopt;
    }
    if (s.rx && s.tx && *s.rx == *s.tx) {
        error = "RX and TX are the same pin";
        return std::nullopt;
    }
    return s;
}

PinUart::PinUart(LabBench& bench, const UartSettings& settings)
    : bench_(bench), settings_(settings) {}

uint64_t PinUart::BitsAfter(uint64_t from, uint64_t halfBits) const {
    using u128 = unsigned __int128;
    return from + static_cast<uint64_t>(u128{halfBits} * bench_.CyclesPerSecond() /
                                        (u128{2} * settings_.baud));
}

void PinUart::Start(uint64_t now) {
    if (settings_.rx) {
        bench_.Drive(*settings_.rx, PinLevel::High);
        rxFree_ = BitsAfter(now, uint64_t{2} * settings_.gap);
        bench_.Schedule(rxFree_, this, kRxNext);
    }
    if (settings_.tx) {
        txLine_ = txBefore_ = TxLine();
        txChanged_ = now;
    }
}

void PinUart::Send(std::span<const uint8_t> bytes) {
    queue_.insert(queue_.end(), bytes.begin(), bytes.end());
    if (rxWaiting_ && !queue_.empty() && settings_.rx) {
        rxWaiting_ = false;
        bench_.Schedule(std::max(rxFree_, bench_.Now()), this, kRxNext);
    }
}

// Starts a frame at `cycle` when there is a byte to send, else waits for one.
void PinUart::NextFrame(uint64_t cycle) {
    if (queue_.empty() && source_) {
        int b = source_();
        if (b >= 0) queue_.push_back(static_cast<uint8_t>(b));
    }
    if (queue_.empty()) {
        rxWaiting_ = true;
        return;
    }
    rxByte_ = queue_.front();
    queue_.pop_front();
    rxFrame_ = cycle;
    rxBit_ = 0;
    bench_.Drive(*settings_.rx, PinLevel::Low);
    bench_.Schedule(BitsAfter(rxFrame_, 2), this, kRxNext);
}

void PinUart::OnTimer(uint64_t cycle, uint64_t kind) {
    switch (kind) {
    case kRxNext:
        if (rxBit_ < 0) {
            NextFrame(cycle);
            return;
        }
        if (++rxBit_ <= 9) {
            bool level = rxBit_ == 9 || ((rxByte_ >> (rxBit_ - 1)) & 1);
            bench_.Drive(*settings_.rx, level ? PinLevel::High : PinLevel::Low);
            bench_.Schedule(BitsAfter(rxFrame_, 2 * (uint64_t(rxBit_) + 1)), this, kRxNext);
            return;
        }
        // The stop bit has had its time; the gap follows.
        rxBit_ = -1;
        rxFree_ = BitsAfter(rxFrame_, 2 * (10 + uint64_t{settings_.gap}));
        bench_.Schedule(rxFree_, this, kRxNext);
        return;
    case kTxSample: {
        // The level at the sample point, even if the line moved in the instruction that
        // carried the chip past it.
        bool level = txChanged_ > cycle ? txBefore_ : txLine_;
        if (txSample_ == 0 && level) {
            txBusy_ = false; // a glitch, not a start bit
            return;
        }
        if (txSample_ >= 1 && txSample_ <= 8)
            txByte_ |= static_cast<uint8_t>(level << (txSample_ - 1));
        if (txSample_ < 9) {
            ++txSample_;
            bench_.Schedule(BitsAfter(txFrame_, 2 * uint64_t(txSample_) + 1), this, kTxSample);
            return;
        }
        txBusy_ = false;
        Received r{txByte_, !level, BitsAfter(txFrame_, 20)};
        deliveries_.push_back(r);
        bench_.Schedule(r.cycle, this, kTxDeliver);
        return;
    }
    case kTxDeliver: {
        if (deliveries_.empty()) return;
        Received r = deliveries_.front();
        deliveries_.pop_front();
        ++framesReceived_;
        if (r.framingError) ++framingErrors_;
        if (onReceived_) onReceived_(r);
        return;
    }
    default:
        return;
    }
}

bool PinUart::TxLine() const {
    const SxPorts& ports = bench_.Core().Ports();
    const LabPin& pin = *settings_.tx;
    const uint8_t m = pin.Mask();
    // Not an output: the receiver's pull-up holds the line idle, unless the bench drives it.
    if (!(ports.Config(pin.port, SxPortRegister::Direction) & m)) return ports.Read(pin.port) & m;
    if (ports.Driven(pin.port) & m) return ports.DriveLevels(pin.port) & m;
    return true;
}

void PinUart::OnPortChanged(int port, uint64_t now) {
    if (!settings_.tx || settings_.tx->port != port) return;
    bool line = TxLine();
    if (line == txLine_) return;
    txBefore_ = txLine_;
    txLine_ = line;
    txChanged_ = now;
    if (line || txBusy_) return;
    // A falling edge on an idle line: a start bit, sampled from its middle on.
    txBusy_ = true;
    txFrame_ = now;
    txSample_ = 0;
    txByte_ = 0;
    bench_.Schedule(BitsAfter(txFrame_, 1), this, kTxSample);
}

} // namespace pellix
