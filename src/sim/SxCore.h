// Instruction-set simulator of the SX18/20/28 and SX48/52: the CPU, its register file,
// the RTCC and watchdog, sleep, interrupts, and run control for a debugger. The I/O ports
// are a peripheral of their own (SxPorts). Time is counted in instruction cycles; every
// timer event comes from one small queue of cycle deadlines, so the instruction loop only
// compares the cycle count with the nearest deadline.
//
// Single-threaded: call everything, RequestStop() included, from the thread that runs the
// core (a CycleCallback runs on that thread too).
#pragma once

#include "sim/SxChipConfig.h"
#include "sim/SxPorts.h"

#include <array>
#include <bitset>
#include <cstdint>
#include <span>

namespace pellix {

class SxCore {
public:
    enum class StopReason : uint8_t {
        Budget,      // the cycle budget is used up (also while asleep)
        Breakpoint,  // the instruction at a breakpoint is next (not executed)
        StopRequest, // RequestStop() was called
        Stepped,     // Step() did its one instruction or took an interrupt
        Undefined,   // an undefined opcode is next while stop-on-undefined is on
    };
    struct RunResult {
        StopReason reason;
        uint64_t cycles;       // cycles that passed during the call
        uint64_t instructions; // instructions executed during the call
    };

    enum class ResetCause : uint8_t {
        PowerOn,      // TO = 1, PD = 1, everything initialised
        External,     // MCLR: TO and PD kept (TO = 1, PD = 0 when it ends a sleep)
        Watchdog,     // time-out while running: TO = 0, PD = 1
        WatchdogWake, // time-out while asleep: TO = 0, PD = 0
        PinWake,      // port B edge while asleep: TO = 1, PD = 0
    };

    // A deadline in the core's cycle count; see ScheduleCallback.
    class CycleCallback {
    public:
        virtual ~CycleCallback() = default;
        virtual void OnCycle(SxCore& core) = 0;
    };

    // Told of what the chip's pins do and of a power-on; see SetObserver.
    class Observer {
    public:
        virtual ~Observer() = default;
        // The pin levels, directions or floating inputs of `port` changed (at Cycles()).
        virtual void OnPortChanged(SxCore& core, int port) = 0;
        // The chip powered on: the cycle count restarted at 0 after `cyclesBefore` and the
        // scheduled callbacks are dropped (after Configure also every pin driven from outside
        // is released).
        virtual void OnPowerOn(SxCore& core, uint64_t cyclesBefore) = 0;
        // SetFrequency changed the oscillator (at Cycles()).
        virtual void OnFrequencyChanged(SxCore&) {}
    };

    // STATUS bits.
    static constexpr uint8_t kC = 0x01, kDC = 0x02, kZ = 0x04, kPD = 0x08, kTO = 0x10;
    static constexpr int kMaxStack = 8;
    static constexpr int kUserCallbacks = 8;

    explicit SxCore(const SxChipConfig& config = {});

    // New geometry and options; the program stays, the chip goes through power-on.
    void Configure(const SxChipConfig& config);
    const SxChipConfig& Config() const { return config_; }
    // The oscillator may change while the chip runs (the key's clock generator).
    void SetFrequency(uint32_t hertz);

    // Program memory: 4096 12-bit words whatever the geometry (addresses wrap at the
    // memory size when executed). Erased words read 0xFFF.
    void LoadProgram(std::span<const uint16_t> words); // from address 0; the rest erased
    void WriteProgramWord(int address, uint16_t word);
    uint16_t ProgramWord(int address) const { return flash_[address & 0xFFF]; }
    void EraseProgram();

    void PowerOn();
    // The reset pin: the key's reset command.
    void Reset();
    ResetCause LastReset() const { return lastReset_; }

    // Runs until `maxCycles` have passed (at the first instruction boundary at or past the
    // budget), a breakpoint is next, a stop is requested, or an undefined opcode is next
    // with stop-on-undefined. The first instruction is never stopped by its own
    // breakpoint, so a run resumes from where the last one stopped.
    // The cycle count never passes kCycleCeiling (about 146 years at 1 GHz), so a budget of
    // ~0 means "until something stops it".
    RunResult Run(uint64_t maxCycles);
    static constexpr uint64_t kCycleCeiling = uint64_t{1} << 62;
    // Run for the cycles that pass in `nanoseconds` at the current frequency.
    RunResult RunFor(uint64_t nanoseconds) {
        return Run(config_.CyclesForNanoseconds(nanoseconds));
    }
    // One instruction, breakpoints ignored; a pending interrupt is taken instead. A sleeping
    // chip does nothing (reason Budget).
    RunResult Step();
    void RequestStop();
    bool StopRequested() const { return stopRequested_; }

    void SetBreakpoint(int address, bool enabled = true);
    bool HasBreakpoint(int address) const;
    void ClearBreakpoints();
    void SetStopOnUndefined(bool stop) { stopOnUndefined_ = stop; }
    // Undefined opcodes run as NOP; they are counted so that a debugger can warn.
    uint64_t UndefinedExecuted() const { return undefinedCount_; }
    uint16_t LastUndefinedAddress() const { return lastUndefined_; }

    // Cycles since power-on, sleep included; instructions executed since power-on (a skipped
    // instruction counts: it takes its cycle as a NOP).
    uint64_t Cycles() const { return cycles_; }
    uint64_t Instructions() const { return instructions_; }

    // Calls callback->OnCycle at the first instruction boundary at or after `cycle` (a
    // sleeping chip wakes the run loop for it). One deadline per callback: scheduling it
    // again moves it. False when all kUserCallbacks slots are taken.
    bool ScheduleCallback(uint64_t cycle, CycleCallback* callback);
    void CancelCallback(CycleCallback* callback);
    // One observer (nullptr for none). It may drive pins and schedule callbacks, but must
    // not run the core.
    void SetObserver(Observer* observer) { observer_ = observer; }

    // ---- CPU state as a debugger sees it ----
    uint16_t Pc() const { return static_cast<uint16_t>(pc_); }
    void SetPc(uint16_t pc) { pc_ = pc & config_.AddressMask(); }
    uint8_t W() const { return static_cast<uint8_t>(w_); }
    void SetW(uint8_t w) { w_ = w; }
    uint8_t Status() const { return static_cast<uint8_t>(status_); }
    void SetStatus(uint8_t status) { status_ = status; } // all bits, TO and PD included
    uint8_t Fsr() const { return static_cast<uint8_t>(fsr_); }
    void SetFsr(uint8_t fsr) { fsr_ = fsr | fsrForced_; }
    uint8_t M() const { return static_cast<uint8_t>(m_); }
    void SetM(uint8_t m) { m_ = m & mMask_; }
    // OPTION as written (bits 6 and 7 read 1 without the extended option).
    uint8_t Option() const { return static_cast<uint8_t>(option_); }
    void SetOption(uint8_t option);
    // Register 1 addresses W instead of RTCC (OPTION bit 7 clear).
    bool WAtRegister1() const { return (option_ & 0x80) == 0; }
    bool InInterrupt() const { return inInterrupt_; }
    void SetInInterrupt(bool in);
    // The instruction at the program counter is skipped when it is next.
    bool SkipPending() const { return skip_; }
    void SetSkipPending(bool skip) { skip_ = skip; }
    bool Asleep() const { return asleep_; }
    uint8_t Rtcc() const { return static_cast<uint8_t>(RtccNow()); }
    void SetRtcc(uint8_t value) { WriteRtcc(value, false); }
    // What RETI restores: 0 W, 1 STATUS, 2 FSR (other indexes read 0, writes are ignored).
    uint8_t Shadow(int which) const { return which >= 0 && which < 3 ? shadow_[which] : 0; }
    void SetShadow(int which, uint8_t value) {
        if (which >= 0 && which < 3) shadow_[which] = value;
    }

    // Register file by address 0x00 to 0xFF, the way the debug kernel numbers it: 0x00 IND
    // (the register FSR selects; 0 when that is IND itself), 0x01 RTCC (never W), 0x02 the
    // low byte of the program counter, 0x03 STATUS, 0x04 FSR, the ports as their pins
    // read, RAM. On family 0 an address with bit 4 clear is the global register of its low
    // four bits, and the bank bits a smaller chip lacks read as 1 (0x30 on a four-bank chip
    // is 0xB0). No side effects.
    uint8_t PeekRegister(int address) const;
    // The same addressing for writes: 0x02 sets the low byte of the program counter, a port
    // address its latch.
    void PokeRegister(int address, uint8_t value);
    // The address PeekRegister and PokeRegister use for `address`.
    int CanonicalAddress(int address) const;

    // Call stack, entry 0 the return address a RET takes next.
    int StackDepth() const { return stackDepth_; }
    int StackCount() const { return stackCount_; }
    uint16_t StackEntry(int i) const;
    // Calls that pushed out the oldest entry and returns from an empty stack, since
    // power-on. The stack is circular: an overflow loses the oldest return address.
    uint32_t StackOverflows() const { return stackOverflows_; }
    uint32_t StackUnderflows() const { return stackUnderflows_; }

    // ---- Pins ----
    const SxPorts& Ports() const { return ports_; }
    // See SxPorts::CountEdges.
    void CountPinEdges(SxPorts::EdgeCounts* counts) { ports_.CountEdges(counts); }
    void DrivePins(int port, uint8_t mask, uint8_t levels);
    void ReleasePins(int port, uint8_t mask);
    void SetPortConfig(int port, SxPortRegister reg, uint8_t value);
    // The RTCC input pin; counts edges when OPTION selects it.
    void SetRtccPin(bool level);
    bool RtccPin() const { return rtccPin_; }
    // The reset pin, active low: pulled low the chip resets and stays in reset (time passes,
    // nothing executes, the RTCC and the watchdog stand still) until it is high again, when
    // the program starts at the reset vector.
    void SetMclr(bool level);
    bool Mclr() const { return !inReset_; }
    bool HeldInReset() const { return inReset_; }

private:
    struct Decoded {
        uint8_t op;   // handler
        uint8_t orig; // the handler under a breakpoint marker
        uint8_t mask; // FSR bits that form the register address (banked fields)
        uint8_t low;  // register address bits of the field; the literal; the port
        uint8_t bit;  // bit mask of bit instructions
        uint8_t pad;
        uint16_t k; // JMP, CALL target bits
    };
    enum class Exec : uint8_t { Next, Stop };
    // What every instruction touches, held in locals by the run loop and copied to the
    // members around anything that is not the instruction loop itself.
    struct Hot {
        unsigned pc, w, status, fsr;
        uint64_t cycles, instructions;
        bool skip;
    };

    unsigned Rd(unsigned address);
    void Wr(unsigned address, unsigned value);
    void SyncIn(Hot& h) const;
    void SyncOut(const Hot& h);
    unsigned HotRd(Hot& h, unsigned address);
    void HotWr(Hot& h, unsigned address, unsigned value);
    void Decode(int address);
    void DecodeAll();
    void ResetState(ResetCause cause);
    RunResult RunLoop(uint64_t endCycle);
    Exec ExecuteOne(Hot& h, const Decoded& d);
    bool Service();
    void TakeInterrupt();
    void FireDueEvents();
    void UpdateLimit();
    void SetEvent(int slot, uint64_t cycle);

    uint8_t ReadSpecial(unsigned address);
    void WriteSpecial(unsigned address, uint8_t value);
    unsigned IndirectAddress() const;
    void WritePortLatch(int port, uint8_t value);
    void PortMode(int port);
    void CheckWake();
    void NotifyPorts();

    void Push(unsigned address);
    unsigned Pop();

    unsigned RtccNow() const;
    unsigned RtccPhase() const;
    void WriteRtcc(unsigned value, bool keepPhase);
    // Takes up counting from `value` and prescaler count `phase` in the mode that OPTION
    // and sleep now select.
    void RtccSetMode(unsigned value, unsigned phase);
    void RtccEdge();
    void ScheduleRtccOverflow();
    bool RtccInterruptEnabled() const { return (option_ & 0x40) == 0; }
    void ClearWatchdog();
    void ScheduleWatchdog();
    uint64_t WatchdogPeriod() const;
    void Sleep();
    void Wake(ResetCause cause);

    SxChipConfig config_;
    std::array<uint16_t, 4096> flash_{};
    std::array<Decoded, 4096> code_{};
    // uint16_t, not a byte type, so that RAM stores cannot alias the state below.
    std::array<uint16_t, 256> ram_{};

    // Plain unsigned, so that byte stores elsewhere cannot alias the state. The fields the
    // run loop copies in and out (see Hot) are kept apart: side by side, compilers merge
    // the copies into vector moves and then pay for taking the vector apart every
    // instruction.
    unsigned pc_ = 0;
    uint64_t cycles_ = 0;
    unsigned w_ = 0;
    uint64_t limit_ = 0; // cycle at which the loop must look at events
    unsigned status_ = 0;
    unsigned m_ = 0;
    unsigned fsr_ = 0;
    unsigned option_ = 0xFF;

    unsigned memMask_ = 0x7FF;
    unsigned fsrForced_ = 0;
    unsigned bankMask_ = 0xE0;
    unsigned specialLimit_ = 8;
    unsigned mMask_ = 0x0F;
    unsigned addCarryMask_ = 0;
    unsigned jumpCycles_ = 2;
    unsigned optionForced_ = 0xC0;

    bool skip_ = false;
    bool inInterrupt_ = false;
    bool asleep_ = false;
    bool stopRequested_ = false;
    bool stopOnUndefined_ = false;
    bool rtccPin_ = false;
    uint8_t interruptRequest_ = 0; // bit 0 RTCC, bit 1 port B
    std::array<uint8_t, 3> shadow_{};
    ResetCause lastReset_ = ResetCause::PowerOn;
    uint64_t instructions_ = 0;
    uint64_t undefinedCount_ = 0;
    uint16_t lastUndefined_ = 0;

    std::array<uint16_t, kMaxStack> stack_{};
    int stackDepth_ = 2;
    int stackMask_ = 1;
    int stackTop_ = 0; // index of entry 0
    int stackCount_ = 0;
    uint32_t stackOverflows_ = 0;
    uint32_t stackUnderflows_ = 0;

    // RTCC: while it counts cycles its value is (cycles - origin) >> shift, modulo 256.
    bool rtccCountsCycles_ = false;
    int64_t rtccOrigin_ = 0;
    unsigned rtccShift_ = 0;
    unsigned rtccValue_ = 0; // while it does not count cycles
    unsigned rtccPhase_ = 0; // prescaler count then

    uint64_t watchdogStart_ = 0;

    // Event slots: 0 RTCC overflow, 1 watchdog, then the user callbacks.
    static constexpr int kEventRtcc = 0, kEventWatchdog = 1, kEventUser = 2;
    static constexpr int kEvents = kEventUser + kUserCallbacks;
    static constexpr uint64_t kNever = ~uint64_t{0};
    std::array<uint64_t, kEvents> eventAt_{};
    std::array<CycleCallback*, kEvents> eventCallback_{};
    uint64_t nextEvent_ = kNever;
    uint64_t endCycle_ = ~uint64_t{0};
    // A breakpoint does not stop the first instruction of a run; kNever once the run has
    // left its starting point another way (interrupt, reset).
    uint64_t runStartInstructions_ = 0;
    StopReason stopReason_ = StopReason::Budget;
    std::bitset<4096> breakpoints_;

    SxPorts ports_;
    // Kept after everything the run loop touches, so that they do not move it.
    bool inReset_ = false; // the reset pin is held low
    Observer* observer_ = nullptr;
};

} // namespace pellix
