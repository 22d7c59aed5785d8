// The Terminal window's model: a UART on two pins of the virtual key's chip at the rate the
// user chose, the bytes typed into RX, and what the program sent on TX turned into text.
// The choice is kept in the settings; the window only shows and edits it.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sim/LabPin.h"
#include "sim/PinUart.h"

namespace pellix {

class LabBench;
class SettingsStore;

// Our own settings, beside the program's: "[Lab]" in the settings file.
inline constexpr const char* kTerminalRxSetting = "Lab\\TerminalRX";
inline constexpr const char* kTerminalTxSetting = "Lab\\TerminalTX";
inline constexpr const char* kTerminalBaudSetting = "Lab\\TerminalBaud";
inline constexpr const char* kTerminalEnterSetting = "Lab\\TerminalEnter";

// What the Enter key sends.
enum class EnterSends : uint8_t { Cr, Lf, CrLf };
inline constexpr int kEnterSendsChoices = 3;
const char* EnterSendsText(EnterSends enter); // "CR", "LF", "CR LF"
std::string_view EnterBytes(EnterSends enter);

// The rates the window offers; any other whole rate can be typed.
inline constexpr uint32_t kTerminalBauds[] = {300,   1200,  2400,  4800,   9600,   19200,
                                              38400, 57600, 76800, 115200, 230400, 460800};
inline constexpr uint32_t kMaxTerminalBaud = 100'000'000;

struct TerminalChoice {
    // The chip's receive and transmit pins; either may be left out. The examples' pins by
    // default.
    std::optional<LabPin> rx = LabPin::PortPin(0, 1);
    std::optional<LabPin> tx = LabPin::PortPin(0, 0);
    uint32_t baud = 9600;
    EnterSends enter = EnterSends::Cr;
    bool operator==(const TerminalChoice&) const = default;
};

// A value that is missing or that this version cannot read keeps its default; an empty
// pin name stands for no pin.
TerminalChoice ReadTerminalChoice(SettingsStore& store);
void WriteTerminalChoice(SettingsStore& store, const TerminalChoice& choice);

// What the received bytes look like on the screen, piece by piece.
struct TerminalPiece {
    enum class Kind : uint8_t {
        Text,         // printable characters (and tabs)
        Escape,       // a byte that prints nothing, as \xNN
        LineBreak,    // CR, LF, or CR LF together
        FramingError, // a frame whose stop bit was low: no byte
    };
    Kind kind = Kind::Text;
    std::string text;
    bool operator==(const TerminalPiece&) const = default;
};

// Turns received bytes into pieces. CR, LF and the pair CR LF each end a line, so that a
// program's line ends read the same whichever it sends; other control bytes and those
// from 0x7F up show as \xNN, never as nothing.
class TerminalDecoder {
public:
    void Take(uint8_t byte, std::vector<TerminalPiece>& out);
    void TakeFramingError(std::vector<TerminalPiece>& out);
    void Reset() { afterCr_ = false; }

private:
    bool afterCr_ = false;
};

// The terminal's UART on the bench. It is attached while there is a bench (the virtual
// key) and the terminal is open, and detached again when it closes, letting go of RX.
class SerialTerminal {
public:
    SerialTerminal() = default;
    ~SerialTerminal();
    SerialTerminal(const SerialTerminal&) = delete;
    SerialTerminal& operator=(const SerialTerminal&) = delete;

    // nullptr for a real key. Detaches from the bench it had.
    void SetBench(LabBench* bench);
    LabBench* Bench() const { return bench_; }

    // Attaches the UART with `choice` (again, if it was attached). False with the reason
    // when the chip lacks a pin or the choice gives neither pin; then nothing is attached.
    bool Connect(const TerminalChoice& choice, std::string& error);
    void Disconnect();
    bool Connected() const { return uart_ != nullptr; }
    // The settings of the UART attached, when there is one.
    const UartSettings* Settings() const;

    // Queues bytes for RX; false when there is no UART with an RX pin.
    bool Send(std::string_view bytes);
    // Bytes typed but not yet sent, the frame on the line included.
    size_t Waiting() const;

    // The pieces decoded since the last call.
    std::vector<TerminalPiece> TakeOutput();
    bool HasOutput() const { return !pending_.empty(); }
    // Called (on the chip's time, inside a link operation) whenever output arrives.
    std::function<void()> outputArrived;

    uint64_t Received() const { return received_; }
    uint64_t FramingErrors() const { return framingErrors_; }
    // Bytes that have gone out on RX in full.
    uint64_t Sent() const { return typed_ - Waiting(); }
    void ClearCounts();

    // "RX=RA.1 TX=RA.0 9600 baud, 3 received, 2 sent, 1 waiting, 1 framing error".
    std::string StatusText() const;

private:
    LabBench* bench_ = nullptr;
    PinUart* uart_ = nullptr;
    TerminalDecoder decoder_;
    std::vector<TerminalPiece> pending_;
    uint64_t received_ = 0;
    uint64_t framingErrors_ = 0;
    uint64_t typed_ = 0; // bytes queued since the counts were cleared
};

} // namespace pellix
