#include "link/LabConsole.h"

#include <cctype>
#include <cerrno>
#include <cstring>

#include "link/DebugKernel.h"
#include "platform/FileIo.h"
#include "sim/VirtualChip.h"

namespace pellix {

namespace {

std::string Upper(std::string_view s) {
    std::string out;
    for (char ch : s)
        out += char(std::toupper(static_cast<unsigned char>(ch)));
    return out;
}

// The words from `first` to the end, as they stand in the line.
std::string_view Rest(const std::vector<std::string_view>& words, size_t first) {
    if (first >= words.size()) return {};
    const char* begin = words[first].data();
    const char* end = words.back().data() + words.back().size();
    return {begin, size_t(end - begin)};
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    c = char(std::tolower(static_cast<unsigned char>(c)));
    return c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
}

// Text with \n, \r, \t, \\ and \xNN escapes as bytes.
std::optional<std::string> Unescape(std::string_view text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        if (++i >= text.size()) return std::nullopt;
        switch (text[i]) {
        case 'n':
            out += '\n';
            break;
        case 'r':
            out += '\r';
            break;
        case 't':
            out += '\t';
            break;
        case '\\':
            out += '\\';
            break;
        case 'x': {
            int hi = i + 1 < text.size() ? HexDigit(text[i + 1]) : -1;
            int lo = i + 2 < text.size() ? HexDigit(text[i + 2]) : -1;
            if (hi < 0 || lo < 0) return std::nullopt;
            out += char(hi * 16 + lo);
            i += 2;
            break;
        }
        default:
            return std::nullopt;
        }
    }
    return out;
}

std::string Escaped(uint8_t byte) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    switch (byte) {
    case '\r':
        return "\\r";
    case '\t':
        return "\\t";
    case '\\':
        return "\\\\";
    default:
        break;
    }
    if (byte >= 0x20 && byte < 0x7F) return std::string(1, char(byte));
    return {'\\', 'x', kDigits[byte >> 4], kDigits[byte & 15]};
}

// Switches the key's wall clock off for a span run by hand, and on again however it ends.
class WallClockOff {
public:
    explicit WallClockOff(VirtualChip& chip) : chip_(chip) { chip_.SetWallClock(false); }
    ~WallClockOff() { chip_.SetWallClock(true); }
    WallClockOff(const WallClockOff&) = delete;
    WallClockOff& operator=(const WallClockOff&) = delete;

private:
    VirtualChip& chip_;
};

} // namespace

LabConsole::LabConsole(DebugControl& control, std::ostream& out) : c_(control), out_(out) {}

// What the session set up on the bench ends with it; the key may serve another session.
LabConsole::~LabConsole() {
    if (!chip_) return;
    chip_->Lab().StopTrace();
    chip_->Lab().DetachUarts();
    chip_->Lab().ClearStimuli();
}

void LabConsole::Attach(VirtualChip* chip) {
    chip_ = chip;
}

std::string LabConsole::HelpText() {
    return "Lab bench (virtual key only; TIME is a number and s, ms, us, ns or cycles):\n"
           "  run TIME        run for TIME of simulated time (or to the breakpoint), stop\n"
           "  cycles          cycles and simulated time since the last reset\n"
           "  pin PIN 0|1|z   drive a pin (RA.0-RE.7, RTCC, MCLR) from outside, or let it go\n"
           "  pins            every pin: direction, level, what drives it\n"
           "  stimulus FILE   play a stimulus file, its times counted from the last reset\n"
           "  uart RX=PIN,TX=PIN,BAUD=N[,GAP=BITS]  attach a UART; what TX sends is shown\n"
           "  uart send TEXT  send TEXT into RX (\\r \\n \\t \\\\ \\xNN escapes)\n"
           "  uart off        detach the UART\n"
           "  vcd FILE|off    start or end a trace of every port pin\n";
}

bool LabConsole::NeedChip(std::string_view command, std::string& error) const {
    if (chip_) return true;
    error = std::string(command) + " needs the virtual key (--port sim)";
    return false;
}

std::string LabConsole::PinLine(const LabPin& pin) const {
    LabBench::PinView v = chip_->Lab().Pin(pin);
    std::string name = LabPinName(pin);
    name.resize(6, ' ');
    std::string line = name + (v.output ? "out  " : "in   ") + chip_->Lab().PinValue(pin);
    std::string note;
    if (v.clockMilliHertz)
        note = "clock " + FormatHertz(v.clockMilliHertz / 1000);
    else if (v.driven != PinLevel::Floating)
        note = std::string("driven ") + PinLevelChar(v.driven);
    if (v.output && !note.empty()) note += " (the chip's output wins)";
    if (!v.output && note.empty() && pin.IsPort()) note = v.pullUp ? "pull-up" : "floating";
    return note.empty() ? line + "\n" : line + "  " + note + "\n";
}

void LabConsole::Received(uint8_t byte, bool framingError) {
    if (framingError) {
        FlushUart();
        out_ << "uart: framing error\n";
        return;
    }
    if (byte == '\n') {
        out_ << "uart: " << uartLine_ << "\n";
        uartLine_.clear();
        return;
    }
    uartLine_ += Escaped(byte);
}

void LabConsole::FlushUart() {
    if (uartLine_.empty()) return;
    out_ << "uart: " << uartLine_ << "\n";
    uartLine_.clear();
}

DebugConsole::Result LabConsole::RunFor(const std::vector<std::string_view>& w, std::string& error,
                                        const std::function<void()>& show) {
    std::optional<LabTime> time = ParseLabTime(Rest(w, 1), error);
    if (!time) return DebugConsole::Result::Error;
    if (!NeedChip("run TIME", error)) return DebugConsole::Result::Error;
    WallClockOff off(*chip_);
    if (c_.flags.stateValid) {
        c_.flags.hop = 0;
        c_.ResumeChip(c_.live.breakpoint == kNoBreakpoint ? RunModeFree : RunModeToBreak);
    }
    chip_->RunCycles(chip_->Lab().CyclesOf(*time));
    FlushUart();
    if (!chip_->InKernel()) {
        if (chip_->Core().Asleep()) {
            out_ << "Sleeping\n";
            return DebugConsole::Result::Ok;
        }
        c_.StopChip();
    }
    if (!c_.WaitForStop(kApplyLimitMs)) {
        error = "the chip did not stop";
        return DebugConsole::Result::Error;
    }
    show();
    return DebugConsole::Result::Ok;
}

DebugConsole::Result LabConsole::Uart(const std::vector<std::string_view>& w, std::string& error) {
    LabBench& lab = chip_->Lab();
    std::string sub = w.size() >= 2 ? Upper(w[1]) : "";
    if (sub == "OFF" && w.size() == 2) {
        FlushUart();
        lab.DetachUarts();
        out_ << "No UART\n";
        return DebugConsole::Result::Ok;
    }
    if (sub == "SEND") {
        if (lab.UartCount() == 0 || !lab.Uart(0).Settings().rx) {
            error = "no UART with an RX pin (uart RX=PIN,...)";
            return DebugConsole::Result::Error;
        }
        std::optional<std::string> bytes = Unescape(Rest(w, 2));
        if (!bytes || bytes->empty()) {
            error = "uart send takes text (\\r \\n \\t \\\\ \\xNN escapes)";
            return DebugConsole::Result::Error;
        }
        lab.Uart(0).Send(*bytes);
        out_ << "Queued " << bytes->size() << (bytes->size() == 1 ? " byte\n" : " bytes\n");
        return DebugConsole::Result::Ok;
    }
    if (w.size() != 2) {
        error = "usage: uart RX=PIN,TX=PIN,BAUD=N[,GAP=BITS] | send TEXT | off";
        return DebugConsole::Result::Error;
    }
    auto settings = ParseUartSettings(w[1], &chip_->Core().Ports(), error);
    if (!settings) return DebugConsole::Result::Error;
    FlushUart();
    lab.DetachUarts();
    PinUart& uart = lab.AttachUart(*settings);
    uart.OnReceived([this](const PinUart::Received& r) { Received(r.value, r.framingError); });
    out_ << "UART";
    if (settings->rx) out_ << " RX=" << LabPinName(*settings->rx);
    if (settings->tx) out_ << " TX=" << LabPinName(*settings->tx);
    out_ << " at " << settings->baud << " baud\n";
    return DebugConsole::Result::Ok;
}

DebugConsole::Result LabConsole::Vcd(const std::vector<std::string_view>& w, std::string& error) {
    if (w.size() < 2) {
        error = "usage: vcd FILE|off";
        return DebugConsole::Result::Error;
    }
    const std::string name(Rest(w, 1));
    LabBench& lab = chip_->Lab();
    if (lab.Tracing()) {
        bool ok = lab.StopTrace() && vcd_->flush();
        vcd_.reset();
        if (!ok) {
            error = "writing " + vcdName_ + " failed";
            return DebugConsole::Result::Error;
        }
        out_ << "Trace " << vcdName_ << " ended\n";
    } else if (Upper(name) == "OFF") {
        out_ << "No trace\n";
    }
    if (Upper(name) == "OFF") return DebugConsole::Result::Ok;
    vcdName_ = name;
    vcd_ = std::make_unique<std::ofstream>(vcdName_, std::ios::binary | std::ios::trunc);
    if (!*vcd_) {
        error = "cannot write " + vcdName_ + ": " + std::strerror(errno);
        vcd_.reset();
        return DebugConsole::Result::Error;
    }
    lab.StartTrace(*vcd_);
    out_ << "Tracing to " << vcdName_ << "\n";
    return DebugConsole::Result::Ok;
}

std::optional<DebugConsole::Result> LabConsole::Execute(const std::vector<std::string_view>& w,
                                                        std::string& error,
                                                        const std::function<void()>& show) {
    using Result = DebugConsole::Result;
    const std::string command = Upper(w[0]);
    if (command == "RUN") {
        if (w.size() < 2) return std::nullopt; // the debugger's own run
        return RunFor(w, error, show);
    }
    if (command != "PIN" && command != "PINS" && command != "STIMULUS" && command != "UART" &&
        command != "CYCLES" && command != "VCD")
        return std::nullopt;
    if (!NeedChip(w[0], error)) return Result::Error;
    LabBench& lab = chip_->Lab();
    if (command == "CYCLES") {
        if (w.size() != 1) {
            error = "usage: cycles";
            return Result::Error;
        }
        uint64_t cycles = lab.Now() - chip_->ResetCycle();
        out_ << cycles << " cycles since reset ("
             << FormatPicoseconds(PicosecondsOf(cycles, lab.CyclesPerSecond())) << " at "
             << FormatHertz(chip_->Core().Config().frequency) << ")\n";
        return Result::Ok;
    }
    if (command == "PINS") {
        if (w.size() != 1) {
            error = "usage: pins";
            return Result::Error;
        }
        for (int p = 0; p < SxPorts::kMaxPorts; ++p)
            for (int bit = 0; bit < 8; ++bit)
                if (lab.Exists(LabPin::PortPin(p, bit))) out_ << PinLine(LabPin::PortPin(p, bit));
        out_ << PinLine({LabPin::Kind::Rtcc, 0, 0}) << PinLine({LabPin::Kind::Mclr, 0, 0});
        return Result::Ok;
    }
    if (command == "PIN") {
        auto pin = w.size() == 3 ? ParseLabPin(w[1]) : std::nullopt;
        auto level = w.size() == 3 ? ParsePinLevel(w[2]) : std::nullopt;
        if (!pin || !level) {
            error = "usage: pin PIN 0|1|z (PIN is RA.0 to RE.7, RTCC or MCLR)";
            return Result::Error;
        }
        if (!lab.Exists(*pin)) {
            error = "this chip has no pin " + LabPinName(*pin) + " (it has " +
                    LabPinsText(chip_->Core().Ports()) + ")";
            return Result::Error;
        }
        lab.Drive(*pin, *level);
        out_ << PinLine(*pin);
        return Result::Ok;
    }
    if (command == "STIMULUS") {
        if (w.size() < 2) {
            error = "usage: stimulus FILE";
            return Result::Error;
        }
        std::string name(Rest(w, 1));
        FileRead file = ReadWholeFile(name);
        if (!file.ok) {
            error = "cannot read " + name + ": " + file.error;
            return Result::Error;
        }
        size_t events = 0;
        if (!LoadStimulusText(lab, name, file.data, chip_->ResetCycle(), error, &events))
            return Result::Error;
        out_ << "Stimulus " << name << ": " << events << (events == 1 ? " event\n" : " events\n");
        return Result::Ok;
    }
    if (command == "UART") return Uart(w, error);
    return Vcd(w, error);
}

} // namespace pellix
