// The SX chip on the virtual key's board: its flash (code, ID, FUSE, FUSEX), the device
// code the key reads, the internal RC oscillator the key measures, the clock the key feeds
// it, the core that runs the programmed flash, and the debug kernel's side of the key's
// debug commands. The key's firmware (VirtualKey) drives it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "sim/LabBench.h"
#include "sim/SxCore.h"

namespace pellix {

// Replies to a poll.
inline constexpr uint8_t kRunStateRunning = 0;
inline constexpr uint8_t kRunStateAsleep = 1;
inline constexpr uint8_t kRunStateStopped = 2; // in the debug kernel, state readable

// The device code word of the SX48/52; the smaller parts answer anything else.
inline constexpr uint16_t kDeviceCodeFamily1 = 0x002;
inline constexpr uint16_t kDeviceCodeFamily0 = 0x001;

// The oscillator count at f hertz is this divided by f.
inline constexpr uint32_t kIrcCountDividend = 1'266'035'968;

class VirtualChip {
public:
    explicit VirtualChip(int family = 0);

    // Puts another part on the board: family 0 (SX18/20/28) or 1 (SX48/52), its own device
    // code, an erased flash and the chip just powered up.
    void SetFamily(int family);
    int Family() const { return family_; }
    uint16_t DeviceCode() const { return deviceCode_; }
    void SetDeviceCode(uint16_t code) { deviceCode_ = code & 0x0FFF; }

    // Words of flash the part has (2048 or 4096), and how many of them the configuration
    // makes usable: family 0 by FUSEX bits 0 and 1 (512, 1024, 2048, 2048), family 1 all.
    int PhysicalWords() const;
    int MemoryWords() const;

    // Flash. Erasing sets every bit; programming can only clear bits, so a word programmed
    // over another keeps the AND of both. The Program functions say whether the cell now
    // holds the word asked for, as the key's verify after the pulse would.
    void Erase();
    int EraseCount() const { return eraseCount_; }
    uint16_t Code(int address) const; // address taken modulo the part's size
    uint16_t Id(int index) const { return id_[size_t(index) & 15]; }
    uint16_t Fuse() const { return fuse_; }
    uint16_t Fusex() const { return fusex_; }
    bool ProgramCode(int address, uint16_t word);
    bool ProgramId(int index, uint16_t word);
    bool ProgramFuse(uint16_t word);
    bool ProgramFusex(uint16_t word);
    // Sets a word outright, as a chip programmed elsewhere would hold it; the chip runs
    // it from the next reset.
    void LoadCode(int address, uint16_t word);
    void LoadId(int index, uint16_t word) { id_[size_t(index) & 15] = word & 0x0FFF; }
    void LoadFuse(uint16_t word) {
        fuse_ = word & 0x0FFF;
        flashChanged_ = true;
    }
    void LoadFusex(uint16_t word) {
        fusex_ = word & 0x0FFF;
        flashChanged_ = true;
    }

    // The internal RC oscillator: its frequency at each trim (0 fastest, 7 slowest), and the
    // 12-bit count the key measures with the trim that FUSEX selects (bits 8, 9, 11).
    void SetIrcFrequency(int trim, uint32_t hertz) { irc_[size_t(trim) & 7] = hertz; }
    uint32_t IrcFrequency(int trim) const { return irc_[size_t(trim) & 7]; }
    static int TrimOfFusex(uint16_t fusex);
    uint16_t MeasureIrc() const;

    // The key's synthesizer driving the chip's clock input.
    void ClockOn(uint32_t synthWord);
    void ClockOff() { clocked_ = false; }
    bool Clocked() const { return clocked_; }
    uint32_t ClockWord() const { return clockWord_; }
    // The frequency the word sets (the oscillator divided down), 0 while off.
    uint32_t ClockHertz() const;
    // What the chip runs at: the clock, at most the synthesizer's highest output.
    static constexpr uint32_t kMaxClockHertz = 150'000'000;
    uint32_t ChipHertz() const;

    // Running. The chip executes while the key clocks it, at the clock's frequency, as
    // much as the time passed to Advance allows (a millisecond count that may wrap; at most
    // kMaxCatchUpMs of it a call, so a long gap is skipped rather than caught up). Erasing
    // or programming holds it; Reset starts the programmed flash from the reset vector
    // with the programmed configuration.
    static constexpr uint32_t kMaxCatchUpMs = 250;
    void Reset();
    int ResetCount() const { return resetCount_; }
    void Advance(uint32_t now);
    // 2 while stopped in the debug kernel, 1 while asleep, else 0.
    uint8_t RunState() const;
    // Makes polls answer `state` until the chip next resets, resumes or stops, for tests of
    // the wire that want a given answer without a program.
    void SetRunState(uint8_t state) { forcedRunState_ = state; }
    const SxCore& Core() const { return core_; }
    SxCore& Core() { return core_; }

    // The lab bench on the chip's pins: stimulus files, UARTs and traces. Stimuli count
    // their time from the key's last reset and play again from each reset.
    LabBench& Lab() { return lab_; }
    const LabBench& Lab() const { return lab_; }
    // The bench's cycle at the key's last reset.
    uint64_t ResetCycle() const { return resetCycle_; }
    // Off: the time passed to Advance no longer runs the chip (it is still taken as the last
    // time seen), so that a caller can run it for exact spans with RunCycles.
    void SetWallClock(bool on);
    bool WallClock() const { return wallClock_; }
    // Runs the chip, while the key clocks it, for `cycles` as though that much time had passed
    // on the key's clock: it stops early where Advance would (the kernel's entry, the
    // breakpoint of the last resume record).
    void RunCycles(uint64_t cycles);

    // The debug kernel. The key carries out the kernel's work itself rather than running
    // its words: the kernel counts as installed when the flash holds its entry words in
    // the last kKernelWords words below the reset vector of the part's full memory.
    // Reaching the entry stops the chip in the kernel as if at its reset vector.
    static constexpr int kKernelWords = 136;
    static constexpr int kKernelEntryIndex = 12;
    bool KernelInstalled() const { return kernelInstalled_; }
    int KernelBase() const { return PhysicalWords() - 1 - kKernelWords; }
    int KernelEntry() const { return KernelBase() + kKernelEntryIndex; }
    bool InKernel() const { return inKernel_; }
    // The run mode of the last resume record taken (0 before the first).
    uint16_t RunMode() const { return runMode_; }

    // A state request of n bytes: family 0 asks for the 24-byte record and its banked RAM
    // in one piece (24 + 16 x banks); family 1 for the record (24), then registers 0x10 to
    // 0xFF (240). Kernel records: a register write (1, address, 2, value), a stop request
    // (one or two zero bytes) and the 28-byte resume record, acted on while the kernel
    // runs the chip; all are kept as they came, the latest kKeptKernelRecords of them.
    static constexpr size_t kKeptKernelRecords = 256;
    std::vector<uint8_t> StateBytes(size_t count) const;
    void KernelRecord(const std::vector<uint8_t>& bytes);
    const std::vector<std::vector<uint8_t>>& KernelRecords() const { return kernelRecords_; }

private:
    // Programming and erasing stop the chip until the next reset.
    void Hold();
    void EnterKernel();
    void LeaveKernel();
    void Resume(const std::vector<uint8_t>& r);
    bool Running() const { return clocked_ && !held_ && !inKernel_; }
    void RunToTarget();
    bool AtBreakpoint() const;
    bool RunBreakpointInstruction();
    uint16_t ReportedPc() const;

    int family_ = 0;
    uint16_t deviceCode_ = kDeviceCodeFamily0;
    std::array<uint16_t, 4096> code_{};
    std::array<uint16_t, 16> id_{};
    uint16_t fuse_ = 0x0FFF;
    uint16_t fusex_ = 0x0FFF;
    int eraseCount_ = 0;
    std::array<uint32_t, 8> irc_{};
    bool clocked_ = false;
    uint32_t clockWord_ = 0;
    int resetCount_ = 0;
    std::optional<uint8_t> forcedRunState_;
    std::vector<std::vector<uint8_t>> kernelRecords_;

    SxCore core_;
    bool held_ = false;        // erased or programmed since the last reset
    bool flashChanged_ = true; // the core takes the flash and fuses at the next reset
    bool kernelInstalled_ = false;
    bool inKernel_ = false;
    bool stepPending_ = false;
    uint16_t contextPc_ = 0; // the program counter the kernel reports
    uint16_t runMode_ = 0;
    int breakpoint_ = -1; // of the last resume record, while the chip runs to it
    uint64_t resumeInstructions_ = 0; // the core's count when that record was taken
    bool timeKnown_ = false;
    uint32_t lastNow_ = 0;
    uint64_t targetCycle_ = 0;    // where the core should be by the time last passed in
    uint64_t cycleRemainder_ = 0; // thousandths of a cycle carried to the next Advance
    bool wallClock_ = true;
    uint64_t resetCycle_ = 0;
    LabBench lab_{core_};
};

} // namespace pellix
