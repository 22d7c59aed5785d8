// The key's side of the serial line, byte for byte: the echo of everything the PC sends,
// the identification with its seed, the link scrambler, every command with its status
// bytes, acting on a VirtualChip. Time is passed in as a millisecond count (it may wrap),
// so the same key serves a test's fake clock and pellix-keysim's real one.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "sim/VirtualChip.h"

namespace pellix {

// Ways the key, or the line to it, can go wrong. Counts ("on") are one-shot: 1 means the
// next one, 0 never; they count down as the key or the line goes on.
struct KeyFaults {
    // The key's side.
    bool noAnswer = false;      // nothing comes back, not even the echo
    uint32_t onlyBaud = 0;      // 0: any rate; else other rates get the echo but no answer
    int wrongIdentByte = 0;     // 1 to 6: that byte of the identification comes back wrong
    bool zeroSeed = false;      // seed bytes that cancel the mask (the programming-only key)
    int statusOn = 0;           // the statusOn-th status byte from now is statusValue...
    uint8_t statusValue = 0;    // ...and the operation it reports is not carried out
    int replyBytesLeft = -1;    // -1: no limit; else the key falls silent after that many
    int garbleReplyOn = 0;      // the n-th reply byte from now is damaged on the wire
    int garbleRequestOn = 0;    // the n-th byte from the PC from now arrives damaged
    uint32_t latencyMs = 0;     // every reply starts this much after its request
    uint32_t unitMs = 0;        // time of one erase or pulse-time unit
    uint32_t lateEndEchoMs = 0; // the echo of the end byte lags this much (USB adapters)

    // The line (honoured by the in-process port; a pseudo-terminal cannot fake them).
    bool refuseOpen = false;          // the port cannot be opened
    size_t readChunk = 0;             // at most this many bytes a read (0: all that has come)
    int failReadOn = 0;               // the n-th read from now fails
    int failWriteOn = 0;              // the n-th write from now fails
    int shortWriteOn = 0;             // the n-th write from now takes one byte fewer than given
    std::vector<uint8_t> strayOnOpen; // bytes waiting on the line when it opens
};

class VirtualKey {
public:
    explicit VirtualKey(int family = 0);

    VirtualChip& Chip() { return chip_; }
    const VirtualChip& Chip() const { return chip_; }

    KeyFaults faults;
    uint8_t firmwareVersion = 3;

    // The line. Opening or closing it, or changing its rate, drops any session: the key
    // waits for the identification again. Bytes already on their way stay on the way.
    void LineOpened(uint32_t now);
    void LineClosed(uint32_t now);
    bool LineOpen() const { return lineOpen_; }
    void SetBaud(uint32_t baud);
    uint32_t Baud() const { return baud_; }

    // Bytes from the PC, all taken.
    void Receive(const uint8_t* data, size_t count, uint32_t now);
    // Bytes for the PC that have reached the line by `now`, at most `max`.
    size_t Transmit(uint8_t* out, size_t max, uint32_t now);
    // Bytes queued for the PC, due or not.
    size_t Queued() const { return out_.size(); }
    // When the first queued byte is due (meaningful only while Queued() > 0).
    uint32_t NextDue() const { return out_.empty() ? 0 : out_.front().due; }
    void Advance(uint32_t now) { chip_.Advance(now); }

    // The session: true between an answered identification and the end command.
    bool InSession() const { return stage_ != Stage::Idle; }
    uint16_t ScramblerState() const { return state_; }
    int Sessions() const { return sessions_; }
    // With logRequests on, every byte of every request after descrambling, commands
    // included, as the key took them (the identification is not part of it). Off by
    // default: a key that serves for days would otherwise grow without end.
    bool logRequests = false;
    std::vector<uint8_t> requestLog;

private:
    enum class Stage : uint8_t {
        Idle,
        Command,
        EraseTime,
        ProgramHeader,
        ProgramPulse,
        ProgramWords,
        ReadCount,
        StateCount,
        KernelCount,
        KernelBytes,
        ClockBytes,
    };
    struct Pending {
        uint8_t byte;
        uint32_t due;
    };

    void Take(uint8_t raw, uint32_t now);
    void Identify(uint32_t now);
    void Command(uint8_t b, uint32_t now);
    void Argument(uint8_t b, uint32_t now);
    void Step();
    uint8_t Decode(uint8_t raw);
    uint8_t Encode(uint8_t plain);
    void Queue(uint8_t raw, uint32_t due);
    void Reply(uint8_t plain, uint32_t due);
    void ReplyWord(uint16_t word, uint32_t due);
    uint8_t NextStatus(); // 0 unless a fault says otherwise
    uint32_t DueAfter(uint32_t now, uint32_t units);
    bool Answers() const;
    void EndSession();
    bool ProgramNext(uint16_t word);
    uint16_t ReadNext();

    VirtualChip chip_;
    bool lineOpen_ = false;
    uint32_t baud_ = 0;
    Stage stage_ = Stage::Idle;
    size_t matched_ = 0; // of the identification text
    bool scrambling_ = false;
    uint16_t state_ = 0;
    uint32_t seedRandom_ = 0x2F6B1D35;
    int sessions_ = 0;
    std::deque<Pending> out_;
    uint32_t lastDue_ = 0;
    bool anyDue_ = false;

    // The request being taken.
    std::vector<uint8_t> args_;
    size_t need_ = 0;
    uint8_t header_ = 0;
    uint8_t pulse_ = 0;
    int pointer_ = 0; // within the programming or read sequence
};

} // namespace pellix
