#include "debugger/TerminalUnit.h"

#include "platform/SettingsStore.h"
#include "sim/LabBench.h"

namespace pellix {

namespace {

std::optional<LabPin> StoredPin(SettingsStore& store, const char* name,
                                std::optional<LabPin> fallback) {
    std::optional<std::string> text = store.ReadString(name);
    if (!text) return fallback;
    if (text->empty()) return std::nullopt;
    std::optional<LabPin> pin = ParseLabPin(*text);
    return pin && pin->IsPort() ? pin : fallback;
}

std::string PinText(const std::optional<LabPin>& pin) {
    return pin ? LabPinName(*pin) : std::string();
}

std::string Count(uint64_t n, const char* what) {
    return std::to_string(n) + " " + what;
}

} // namespace

const char* EnterSendsText(EnterSends enter) {
    switch (enter) {
    case EnterSends::Lf:
        return "LF";
    case EnterSends::CrLf:
        return "CR LF";
    case EnterSends::Cr:
        break;
    }
    return "CR";
}

std::string_view EnterBytes(EnterSends enter) {
    switch (enter) {
    case EnterSends::Lf:
        return "\n";
    case EnterSends::CrLf:
        return "\r\n";
    case EnterSends::Cr:
        break;
    }
    return "\r";
}

TerminalChoice ReadTerminalChoice(SettingsStore& store) {
    TerminalChoice c;
    c.rx = StoredPin(store, kTerminalRxSetting, c.rx);
    c.tx = StoredPin(store, kTerminalTxSetting, c.tx);
    if (std::optional<int32_t> baud = store.ReadInt(kTerminalBaudSetting);
        baud && *baud > 0 && uint32_t(*baud) <= kMaxTerminalBaud)
        c.baud = uint32_t(*baud);
    if (std::optional<std::string> enter = store.ReadString(kTerminalEnterSetting))
        for (int i = 0; i < kEnterSendsChoices; ++i)
            if (*enter == EnterSendsText(EnterSends(i))) c.enter = EnterSends(i);
    return c;
}

void WriteTerminalChoice(SettingsStore& store, const TerminalChoice& c) {
    store.WriteString(kTerminalRxSetting, PinText(c.rx));
    store.WriteString(kTerminalTxSetting, PinText(c.tx));
    store.WriteInt(kTerminalBaudSetting, int32_t(c.baud));
    store.WriteString(kTerminalEnterSetting, EnterSendsText(c.enter));
    store.Flush();
}

// ---- TerminalDecoder ----

void TerminalDecoder::Take(uint8_t byte, std::vector<TerminalPiece>& out) {
    using Kind = TerminalPiece::Kind;
    const bool lfAfterCr = afterCr_ && byte == '\n';
    afterCr_ = byte == '\r';
    if (lfAfterCr) return; // the CR ended the line already
    if (byte == '\r' || byte == '\n') {
        out.push_back({Kind::LineBreak, {}});
        return;
    }
    if ((byte >= 0x20 && byte < 0x7F) || byte == '\t') {
        if (out.empty() || out.back().kind != Kind::Text) out.push_back({Kind::Text, {}});
        out.back().text += char(byte);
        return;
    }
    static constexpr char kDigits[] = "0123456789ABCDEF";
    out.push_back({Kind::Escape, {'\\', 'x', kDigits[byte >> 4], kDigits[byte & 15]}});
}

void TerminalDecoder::TakeFramingError(std::vector<TerminalPiece>& out) {
    afterCr_ = false;
    out.push_back({TerminalPiece::Kind::FramingError, "framing error"});
}

// ---- SerialTerminal ----

SerialTerminal::~SerialTerminal() {
    Disconnect();
}

void SerialTerminal::SetBench(LabBench* bench) {
    if (bench == bench_) return;
    Disconnect();
    bench_ = bench;
}

bool SerialTerminal::Connect(const TerminalChoice& choice, std::string& error) {
    Disconnect();
    if (!bench_) {
        error = "the terminal needs the virtual key (port SIM)";
        return false;
    }
    std::string text = "BAUD=" + std::to_string(choice.baud);
    if (choice.rx) text += ",RX=" + LabPinName(*choice.rx);
    if (choice.tx) text += ",TX=" + LabPinName(*choice.tx);
    std::optional<UartSettings> settings = ParseUartSettings(text, &bench_->Core().Ports(), error);
    if (!settings) return false;
    uart_ = &bench_->AttachUart(*settings);
    decoder_.Reset();
    uart_->OnReceived([this](const PinUart::Received& r) {
        ++received_;
        if (r.framingError) {
            ++framingErrors_;
            decoder_.TakeFramingError(pending_);
        } else {
            decoder_.Take(r.value, pending_);
        }
        if (outputArrived) outputArrived();
    });
    return true;
}

void SerialTerminal::Disconnect() {
    if (!uart_) return;
    typed_ -= Waiting(); // what was still to go is dropped with the UART
    bench_->DetachUart(*uart_);
    uart_ = nullptr;
}

const UartSettings* SerialTerminal::Settings() const {
    return uart_ ? &uart_->Settings() : nullptr;
}

bool SerialTerminal::Send(std::string_view bytes) {
    if (!uart_ || !uart_->Settings().rx) return false;
    typed_ += bytes.size();
    uart_->Send(bytes);
    return true;
}

size_t SerialTerminal::Waiting() const {
    return uart_ ? uart_->Queued() + (uart_->Sending() ? 1 : 0) : 0;
}

std::vector<TerminalPiece> SerialTerminal::TakeOutput() {
    std::vector<TerminalPiece> out;
    out.swap(pending_);
    return out;
}

void SerialTerminal::ClearCounts() {
    received_ = 0;
    framingErrors_ = 0;
    typed_ = Waiting();
}

std::string SerialTerminal::StatusText() const {
    const UartSettings* s = Settings();
    if (!s) return "Not connected";
    std::string text;
    if (s->rx) text += "RX=" + LabPinName(*s->rx) + " ";
    if (s->tx) text += "TX=" + LabPinName(*s->tx) + " ";
    text += std::to_string(s->baud) + " baud: " + Count(received_ - framingErrors_, "received");
    if (s->rx) text += ", " + Count(Sent(), "sent");
    if (size_t waiting = Waiting()) text += ", " + Count(waiting, "waiting");
    if (framingErrors_)
        text +=
            ", " + Count(framingErrors_, framingErrors_ == 1 ? "framing error" : "framing errors");
    return text;
}

} // namespace pellix
