// The key's commands, one function per exchange, over a connected KeyLink. The bytes, their
// order, the time-outs and where each status is read are fixed here; what the values mean
// belongs to programming, debugging and the clock.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string_view>

#include "link/KeyLink.h"

namespace pellix {

enum KeyCommand : uint8_t {
    kCommandEnd = 0,
    kCommandErase = 1,
    kCommandProgram = 2,
    kCommandRead = 3,
    kCommandReset = 4,
    kCommandPoll = 5,
    kCommandDebugState = 6,
    kCommandKernel = 7,
    kCommandClockOn = 8,
    kCommandClockOff = 9,
};

inline constexpr int kEraseTotalUnits = 500;
inline constexpr int kMaxEraseUnits = 255;
inline constexpr uint8_t kConfigPulseTime = 50; // configuration block, oscillator measurement
inline constexpr uint8_t kCodePulseTime = 20;   // code and ID blocks
inline constexpr int kMaxProgramBlockWords = 32;
inline constexpr int kMaxReadBlockWords = 128;
inline constexpr int kStateRecordBytes = 24;
inline constexpr int kFamily1RegisterBytes = 240; // registers 0x10 to 0xFF
inline constexpr int kResumeRecordBytes = 28;

// Run modes of the resume record.
inline constexpr uint16_t RunModeStep = 0xF7EB;
inline constexpr uint16_t RunModeToBreak = 0xF7E9;
inline constexpr uint16_t RunModeFree = 0xEAEA;
inline constexpr uint16_t RunModeRestart = 0xEFEF;
inline constexpr uint16_t RunModeApply = 0xF7F7;

// What the debug kernel reports of the stopped chip, as it comes off the wire.
struct KernelState {
    std::array<uint8_t, 256> registers{}; // 0x01, 0x03 (STATUS), 0x04 (FSR), 0x05 to 0x0F and
                                          // the banked RAM as reported; the rest 0
    uint8_t m = 0;
    uint8_t w = 0;
    bool wAtOne = false;         // register 1 shows W instead of RTCC
    uint16_t programCounter = 0; // masked with memory size - 1
    uint8_t intFlag = 0;
    uint8_t skipFlag = 0;
};

// The context a resume record hands back to the kernel.
struct ResumeContext {
    uint8_t w = 0;
    uint16_t programCounter = 0;
    uint8_t status = 0;
    uint8_t intFlag = 0;
    uint8_t skipFlag = 0;
    uint8_t fsr = 0;
    uint8_t reg0D = 0;
    uint8_t reg0E = 0;
    uint8_t reg0F = 0;
    uint8_t m = 0;
    uint16_t runMode = RunModeStep;
    uint16_t breakpoint = 0x1000; // none
    int memorySize = 2048;
};

std::array<uint8_t, kResumeRecordBytes> BuildResumeRecord(const ResumeContext& c);

// Register of the 0x00 to 0xFF space that banked byte j of a family-0 state record holds,
// for 1, 4 or 8 banks: the banks fill the top of the space.
int BankedRegister(int banks, int j);

// The bytes of a state read: `record` the first reply (24 bytes, for family 0 with the
// banked RAM after them), `high` the family-1 second reply (registers 0x10 to 0xFF).
KernelState DecodeKernelState(int family, int banks, int memorySize,
                              std::span<const uint8_t> record, std::span<const uint8_t> high);
// The count of the first state request: 24 + 16 x banks for family 0, 24 for family 1.
int StateRequestBytes(int family, int banks);

class KeyProtocol {
public:
    explicit KeyProtocol(KeyLink& link) : link_(link) {}

    // Command 1: erase for `units` (1 to 255), status.
    void Erase(uint8_t units);
    // Erases for `totalUnits` in exchanges of at most 255 units: 500 is 255, then 245.
    void EraseFor(int totalUnits = kEraseTotalUnits);

    // Command 2. ProgramBlock sends one block of 1 to 32 words; its status is read before
    // the next block or the end. ProgramEnd returns the key's oscillator count. `what` names
    // the block in the link's step lines ("ID").
    void ProgramStart();
    void ProgramBlock(std::span<const uint16_t> words, uint8_t pulseTime, bool adaptive = false,
                      std::string_view what = {});
    uint16_t ProgramEnd();
    // Blocks of at most `blockWords` words each; `afterBlock` is told the words sent so far.
    void ProgramWords(std::span<const uint16_t> words, uint8_t pulseTime,
                      int blockWords = kMaxProgramBlockWords,
                      const std::function<void(int)>& afterBlock = {});
    // A whole command-2 exchange with one FUSEX word: the count of the oscillator that
    // FUSEX selects.
    uint16_t MeasureOscillator(uint16_t fusex);

    // Command 3. ReadBlock asks for 1 to 128 words; the block's status is read before the
    // next request or the end.
    void ReadStart();
    void ReadBlock(std::span<uint16_t> words, std::string_view what = {});
    void ReadEnd();
    void ReadWords(std::span<uint16_t> words, int blockWords = kMaxReadBlockWords,
                   const std::function<void(int)>& afterBlock = {});

    void Reset();   // command 4
    uint8_t Poll(); // command 5: the run state

    // Command 6: for family 0 one request of 24 + 16 x banks bytes (banks 1, 4 or 8); for
    // family 1 requests of 24 and 240.
    KernelState ReadState(int family, int banks, int memorySize);
    // Command 6 with a count of its own: the bytes as they come.
    void ReadStateBytes(std::span<uint8_t> out);

    // Command 7: n and n bytes for the kernel; no reply.
    void KernelRecord(std::span<const uint8_t> bytes);
    void RegisterWrite(uint8_t address, uint8_t value);
    void StopRequest(int family);
    void Resume(const ResumeContext& context);

    void ClockOn(uint32_t synthWord); // command 8: bits 0-7, 8-15, 16-23, status
    void ClockOff();                  // command 9
    void End();                       // command 0, without closing the port

    bool StatusPending() const { return statusPending_; }

private:
    void Send(std::initializer_list<uint8_t> bytes);
    void ReadStatusWithin(uint32_t timeout);
    void ReadPendingStatus();

    KeyLink& link_;
    bool statusPending_ = false;
    uint32_t pendingTimeout_ = kDefaultReceiveTimeout;
};

} // namespace pellix
