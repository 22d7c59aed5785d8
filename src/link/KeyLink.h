// The byte pipe to the key: opening the port and finding the key at one of two rates,
// the seed and the link scrambler, the echo of every byte sent, bytes and 12-bit words in
// both directions with a receive time-out, and the one error path.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "link/LineTrace.h"
#include "link/SerialPort.h"
#include "platform/Prompter.h"
#include "platform/TickSource.h"

namespace pellix {

inline constexpr uint32_t kFastBaud = 57600;
inline constexpr uint32_t kSlowBaud = 19200;
inline constexpr uint32_t kDefaultReceiveTimeout = 1000; // ms
inline constexpr uint32_t kOpenSettleTime = 100;         // ms before the identification
inline constexpr size_t kLinkBufferSize = 4096;
inline constexpr char kDefaultPortName[] = "COM1";
inline constexpr char kLinkErrorCaption[] = "Error";
inline constexpr char kPortInUseText[] = "COM port in use by another process";

// The text a status byte stands for; empty for 0 (success).
std::string StatusMessage(uint8_t status);

class KeyLink {
public:
    KeyLink(SerialPortFactory& ports, TickSource& ticks, Prompter& prompter);
    ~KeyLink();
    KeyLink(const KeyLink&) = delete;
    KeyLink& operator=(const KeyLink&) = delete;

    // Set by the configuration; the rate is also where the key last answered.
    std::string portName = kDefaultPortName;
    uint32_t baudRate = kFastBaud;
    // For the reply being waited for; the exchanges raise it for the slow ones.
    uint32_t receiveTimeout = kDefaultReceiveTimeout;
    // When set, every byte that crosses the line is recorded here.
    LineTrace* trace = nullptr;
    // When set, told each step of the protocol in a line of text (-v of pellix-cli).
    std::function<void(const std::string&)> onStep;

    // Opens the port and finds the key, at the remembered rate first and then at the other
    // one. Returns when a key answered; otherwise a link error.
    void ConnectKey();
    // ConnectKey and ReleaseKey, then a link error for the programming-only key (its
    // scrambler state is zero).
    void RequireFullKey();
    // One attempt at the current rate: true when the key identified itself, false when
    // nothing answered in time (the port is then closed again).
    bool OpenAndIdentify();
    // The end command, then the port is closed.
    void ReleaseKey();
    // Harmless when the port is not open.
    void ClosePort();

    void QueueByte(uint8_t b);
    // The low 8 bits, then bits 8 to 11 as a byte of their own.
    void QueueWord12(uint16_t w);
    void QueueText(std::string_view s);
    // Writes everything queued in one call; its echo is skipped before the next reply.
    void FlushOutput();
    uint8_t ReadByte();
    uint16_t ReadWord12();
    // One byte; anything but 0 is a link error with the status's text.
    void ReadStatus();

    // Closes the port, shows text + "." with a single Abort button, throws SilentAbort.
    // `detail`, when given, follows on lines of its own: what the system said and what to
    // do about it.
    [[noreturn]] void LinkError(const std::string& text, const std::string& detail = {});
    // Tells onStep, when set; build the text only when Stepping().
    void Step(const std::string& text) {
        if (onStep) onStep(text);
    }
    bool Stepping() const { return bool(onStep); }

    bool PortOpen() const { return port_ != nullptr; }
    uint8_t FirmwareVersion() const { return firmwareVersion_; }
    uint16_t ScramblerState() const { return state_; }
    bool Scrambling() const { return scrambling_; }
    bool Detecting() const { return detecting_; }
    uint32_t EchoPending() const { return echoPending_; }
    TickSource& Ticks() { return ticks_; }
    // Waits on the tick counter, sleeping rather than spinning, until it has moved on by
    // `milliseconds`.
    void Wait(uint32_t milliseconds);

private:
    bool Refill();
    void DiscardInput();
    void StepScrambler();
    [[noreturn]] void NotFound();

    SerialPortFactory& ports_;
    TickSource& ticks_;
    Prompter& prompter_;
    std::unique_ptr<SerialPort> port_;

    std::array<uint8_t, kLinkBufferSize> tx_{};
    std::array<uint8_t, kLinkBufferSize> txPlain_{}; // what tx_ holds before scrambling
    size_t txCount_ = 0;
    std::array<uint8_t, kLinkBufferSize> rx_{};
    size_t rxCount_ = 0;
    size_t rxPos_ = 0;
    uint32_t echoPending_ = 0;
    bool detecting_ = false;
    bool scrambling_ = false;
    uint16_t state_ = 0;
    uint8_t firmwareVersion_ = 0;
};

} // namespace pellix
