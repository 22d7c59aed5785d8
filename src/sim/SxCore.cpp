#include "sim/SxCore.h"

#include "target/InstructionSet.h"

#include <algorithm>

#if defined(__GNUC__)
#define SX_INLINE inline __attribute__((always_inline))
#define SX_COLD __attribute__((noinline, cold))
#else
#define SX_INLINE inline
#define SX_COLD
#endif

namespace pellix {

namespace {

// Handlers of the decoded program. Register-field instructions come in pairs: the W form
// (result to W) and the fr form (result back to the register).
enum Op : uint8_t {
    kNop,
    kUndefined,
    kMovOptionW,
    kSleep,
    kClrWdt,
    kMovPortW,
    kRet,
    kRetp,
    kReti,
    kRetiw,
    kPage,
    kBank,
    kMovFrW,
    kClrW,
    kIread,
    kMovWM,
    kMovMW,
    kMode,
    kClrFr,
    kSubW,
    kSubFr,
    kDecW,
    kDecFr,
    kOrW,
    kOrFr,
    kAndW,
    kAndFr,
    kXorW,
    kXorFr,
    kAddW,
    kAddFr,
    kMovWFr,
    kTest,
    kNotW,
    kNotFr,
    kIncW,
    kIncFr,
    kDecszW,
    kDecsz,
    kRrW,
    kRr,
    kRlW,
    kRl,
    kSwapW,
    kSwap,
    kIncszW,
    kIncsz,
    kClrb,
    kSetb,
    kSnb,
    kSb,
    kRetw,
    kCall,
    kJmp,
    kMovWLit,
    kOrLit,
    kAndLit,
    kXorLit,
    kBreak,
};

// The handler of each machine form of the instruction table.
constexpr Op HandlerOf(isa::Form form) {
    using enum isa::Form;
    switch (form) {
    case Nop:
        return kNop;
    case MovOptionW:
        return kMovOptionW;
    case Sleep:
        return kSleep;
    case ClrWdt:
        return kClrWdt;
    case Ret:
        return kRet;
    case Retp:
        return kRetp;
    case Reti:
        return kReti;
    case Retiw:
        return kRetiw;
    case MovPortW:
        return kMovPortW;
    case Page:
        return kPage;
    case Bank:
        return kBank;
    case MovFrW:
        return kMovFrW;
    case ClrW:
        return kClrW;
    case Iread:
        return kIread;
    case MovWM:
        return kMovWM;
    case MovMW:
        return kMovMW;
    case Mode:
        return kMode;
    case ClrFr:
        return kClrFr;
    case MovWFrMinusW:
        return kSubW;
    case SubFrW:
        return kSubFr;
    case MovWDecFr:
        return kDecW;
    case DecFr:
        return kDecFr;
    case OrWFr:
        return kOrW;
    case OrFrW:
        return kOrFr;
    case AndWFr:
        return kAndW;
    case AndFrW:
        return kAndFr;
    case XorWFr:
        return kXorW;
    case XorFrW:
        return kXorFr;
    case AddWFr:
        return kAddW;
    case AddFrW:
        return kAddFr;
    case MovWFr:
        return kMovWFr;
    case TestFr:
        return kTest;
    case MovWNotFr:
        return kNotW;
    case NotFr:
        return kNotFr;
    case MovWIncFr:
        return kIncW;
    case IncFr:
        return kIncFr;
    case MovszWDecFr:
        return kDecszW;
    case DecszFr:
        return kDecsz;
    case MovWRrFr:
        return kRrW;
    case RrFr:
        return kRr;
    case MovWRlFr:
        return kRlW;
    case RlFr:
        return kRl;
    case MovWSwapFr:
        return kSwapW;
    case SwapFr:
        return kSwap;
    case MovszWIncFr:
        return kIncszW;
    case IncszFr:
        return kIncsz;
    case Clrb:
        return kClrb;
    case Setb:
        return kSetb;
    case Snb:
        return kSnb;
    case Sb:
        return kSb;
    case Retw:
        return kRetw;
    case Call:
        return kCall;
    case Jmp:
        return kJmp;
    case MovWLit:
        return kMovWLit;
    case OrWLit:
        return kOrLit;
    case AndWLit:
        return kAndLit;
    case XorWLit:
        return kXorLit;
    default: // Undefined; aliases are decoded by the form they name
        return kUndefined;
    }
}

constexpr uint64_t SaturatingAdd(uint64_t a, uint64_t b) {
    return b > ~uint64_t{0} - a ? ~uint64_t{0} : a + b;
}

} // namespace

SxCore::SxCore(const SxChipConfig& config) {
    flash_.fill(0xFFF);
    Configure(config);
}

void SxCore::Configure(const SxChipConfig& config) {
    config_ = config;
    config_.family = config.family == 1 ? 1 : 0;
    int words = config_.memoryWords;
    if (words != 512 && words != 1024 && words != 2048 && words != 4096)
        words = config_.family == 1 ? 4096 : 2048;
    if (config_.family == 0 && words > 2048) words = 2048;
    config_.memoryWords = words;
    if (config_.family == 1) {
        config_.banks = 15;
        config_.turbo = true;
        config_.extendedOption = true;
        config_.ports = std::clamp(config_.ports, 0, 5);
    } else {
        config_.banks = config_.banks >= 8 ? 8 : (config_.banks >= 4 ? 4 : 1);
        config_.ports = std::clamp(config_.ports, 2, 3);
    }
    memMask_ = config_.AddressMask();
    if (config_.family == 0) {
        // Bank bits a smaller chip lacks read as 1, so its banks sit at the top.
        fsrForced_ = (static_cast<unsigned>(config_.banks) * 0xE0u) & 0xFF;
        bankMask_ = 0xE0;
        specialLimit_ = 8;
        mMask_ = 0x0F;
    } else {
        fsrForced_ = 0;
        bankMask_ = 0xF0;
        specialLimit_ = 10;
        mMask_ = 0x1F;
    }
    addCarryMask_ = config_.carryx ? 1 : 0;
    jumpCycles_ = config_.turbo ? 3 : 2;
    optionForced_ = config_.extendedOption ? 0 : 0xC0;
    stackDepth_ = config_.StackDepth();
    stackMask_ = stackDepth_ - 1;
    ports_.Configure(config_.family, config_.ports, config_.powerOnFill);
    DecodeAll();
    PowerOn();
}

void SxCore::SetFrequency(uint32_t hertz) {
    const bool changed = hertz != config_.frequency;
    config_.frequency = hertz;
    ScheduleWatchdog();
    if (changed && observer_) observer_->OnFrequencyChanged(*this);
}

void SxCore::LoadProgram(std::span<const uint16_t> words) {
    for (size_t i = 0; i < flash_.size(); ++i)
        flash_[i] = i < words.size() ? (words[i] & 0xFFF) : 0xFFF;
    DecodeAll();
}

void SxCore::WriteProgramWord(int address, uint16_t word) {
    address &= 0xFFF;
    flash_[address] = word & 0xFFF;
    Decode(address);
}

void SxCore::EraseProgram() {
    flash_.fill(0xFFF);
    DecodeAll();
}

void SxCore::DecodeAll() {
    for (int a = 0; a < 4096; ++a)
        Decode(a);
}

void SxCore::Decode(int address) {
    const unsigned w = flash_[address];
    const isa::Instruction& row = isa::Decode(w, static_cast<unsigned>(address));
    const unsigned field = isa::FieldValue(row, w);
    Decoded d{};
    switch (row.field) {
    case isa::Field::Bit:
        d.bit = static_cast<uint8_t>(1u << (field >> 5));
        [[fallthrough]];
    case isa::Field::Register: {
        unsigned fr = field & 0x1F;
        if (fr >= 0x10) {
            d.mask = static_cast<uint8_t>(bankMask_);
            d.low = static_cast<uint8_t>(config_.family == 0 ? fr : (fr & 0x0F));
        } else {
            d.low = static_cast<uint8_t>(fr);
        }
        break;
    }
    case isa::Field::Port:
        d.low = static_cast<uint8_t>(field - 5); // the port's index, RA 0
        break;
    case isa::Field::Bank:
        // FSR := (FSR AND mask) OR low.
        if (config_.family == 0) {
            d.mask = 0x1F;
            d.low = static_cast<uint8_t>(field << 5);
        } else {
            d.mask = 0x8F; // bit 7 is not BANK's to change
            d.low = static_cast<uint8_t>(field << 4);
        }
        break;
    case isa::Field::Address:
    case isa::Field::CallAddress:
        d.k = static_cast<uint16_t>(field);
        break;
    case isa::Field::Literal:
    case isa::Field::Literal4:
    case isa::Field::Page:
        d.low = static_cast<uint8_t>(field);
        break;
    case isa::Field::None:
        break;
    }
    const Op op = HandlerOf(row.op);
    d.op = d.orig = op;
    if (breakpoints_[address]) d.op = kBreak;
    code_[address] = d;
}

// ---- Resets ----

void SxCore::PowerOn() {
    ResetState(ResetCause::PowerOn);
}

void SxCore::Reset() {
    ResetState(ResetCause::External);
}

void SxCore::ResetState(ResetCause cause) {
    const bool power = cause == ResetCause::PowerOn;
    const bool wasAsleep = asleep_;
    const uint64_t cyclesBefore = cycles_;
    lastReset_ = cause;
    if (power) {
        for (auto& r : ram_)
            r = config_.powerOnFill;
        w_ = config_.powerOnFill;
        status_ = 0;
        fsr_ = 0;
        shadow_ = {};
        stack_ = {};
        stackTop_ = 0;
        stackOverflows_ = stackUnderflows_ = 0;
        undefinedCount_ = 0;
        lastUndefined_ = 0;
        cycles_ = 0;
        instructions_ = 0;
        rtccValue_ = 0;
        rtccPhase_ = 0;
        rtccCountsCycles_ = false;
        for (int i = 0; i < kEvents; ++i) {
            eventAt_[i] = kNever;
            eventCallback_[i] = nullptr;
        }
        nextEvent_ = kNever;
    }
    unsigned toPd = status_ & (kTO | kPD);
    switch (cause) {
    case ResetCause::PowerOn:
        toPd = kTO | kPD;
        break;
    case ResetCause::External:
        if (wasAsleep) toPd = kTO;
        break;
    case ResetCause::Watchdog:
        toPd = kPD;
        break;
    case ResetCause::WatchdogWake:
        toPd = 0;
        break;
    case ResetCause::PinWake:
        toPd = kTO;
        break;
    }
    // The RTCC keeps its count over a reset; only the way it counts changes.
    unsigned rtcc = RtccNow(), phase = RtccPhase();
    status_ = (status_ & (kZ | kDC | kC)) | toPd;
    fsr_ |= fsrForced_;
    option_ = 0xFF;
    m_ = 0x0F;
    pc_ = memMask_;
    skip_ = false;
    inInterrupt_ = false;
    asleep_ = false;
    interruptRequest_ = 0;
    stackCount_ = 0;
    runStartInstructions_ = kNever;
    ports_.Reset(power, config_.powerOnFill);
    RtccSetMode(power ? 0 : rtcc, power ? 0 : phase);
    ClearWatchdog();
    UpdateLimit();
    if (power && observer_) observer_->OnPowerOn(*this, cyclesBefore);
    NotifyPorts();
}

// ---- Run control ----

void SxCore::RequestStop() {
    stopRequested_ = true;
    UpdateLimit();
}

void SxCore::SetBreakpoint(int address, bool enabled) {
    address &= 0xFFF;
    breakpoints_[address] = enabled;
    Decoded& d = code_[address];
    d.op = enabled ? static_cast<uint8_t>(kBreak) : d.orig;
}

bool SxCore::HasBreakpoint(int address) const {
    return breakpoints_[address & 0xFFF];
}

void SxCore::ClearBreakpoints() {
    for (int a = 0; a < 4096; ++a)
        if (breakpoints_[a]) SetBreakpoint(a, false);
}

void SxCore::SetInInterrupt(bool in) {
    inInterrupt_ = in;
    UpdateLimit();
}

SX_INLINE void SxCore::UpdateLimit() {
    uint64_t limit = std::min(nextEvent_, endCycle_);
    if (stopRequested_ || asleep_ || inReset_ || (interruptRequest_ && !inInterrupt_)) limit = 0;
    limit_ = limit;
}

// Looks at everything the instruction loop leaves to the slow path. True: stop, with the
// reason in stopReason_.
SX_COLD bool SxCore::Service() {
    for (;;) {
        if (stopRequested_) {
            stopRequested_ = false;
            stopReason_ = StopReason::StopRequest;
            return true;
        }
        FireDueEvents();
        if (stopRequested_) continue;
        if (cycles_ >= endCycle_) {
            stopReason_ = StopReason::Budget;
            UpdateLimit();
            return true;
        }
        if (asleep_ || inReset_) {
            // Time passes without instructions until the next deadline or the budget.
            cycles_ = std::min(nextEvent_, endCycle_);
            continue;
        }
        if (interruptRequest_ && !inInterrupt_ && !skip_) {
            TakeInterrupt();
            continue;
        }
        UpdateLimit();
        if (skip_ && limit_ == 0) limit_ = cycles_ + 1; // take the interrupt after the skip
        return false;
    }
}

void SxCore::TakeInterrupt() {
    Push(pc_);
    shadow_ = {static_cast<uint8_t>(w_), static_cast<uint8_t>(status_), static_cast<uint8_t>(fsr_)};
    status_ &= 0x1F;
    pc_ = 0;
    inInterrupt_ = true;
    interruptRequest_ = 0;
    cycles_ += jumpCycles_;
    runStartInstructions_ = kNever;
    UpdateLimit();
}

void SxCore::SetEvent(int slot, uint64_t cycle) {
    eventAt_[slot] = cycle;
    uint64_t next = kNever;
    for (uint64_t at : eventAt_)
        next = std::min(next, at);
    nextEvent_ = next;
    UpdateLimit();
}

void SxCore::FireDueEvents() {
    while (nextEvent_ <= cycles_) {
        int slot = 0;
        for (int i = 1; i < kEvents; ++i)
            if (eventAt_[i] < eventAt_[slot]) slot = i;
        CycleCallback* callback = eventCallback_[slot];
        if (slot >= kEventUser) eventCallback_[slot] = nullptr;
        SetEvent(slot, kNever);
        switch (slot) {
        case kEventRtcc:
            if (rtccCountsCycles_ && RtccInterruptEnabled()) interruptRequest_ |= 1;
            ScheduleRtccOverflow();
            break;
        case kEventWatchdog:
            if (asleep_)
                Wake(ResetCause::WatchdogWake);
            else
                ResetState(ResetCause::Watchdog);
            break;
        default:
            if (callback) callback->OnCycle(*this);
            break;
        }
        UpdateLimit();
    }
}

bool SxCore::ScheduleCallback(uint64_t cycle, CycleCallback* callback) {
    if (!callback) return false;
    int free = -1;
    for (int i = kEventUser; i < kEvents; ++i) {
        if (eventCallback_[i] == callback) {
            SetEvent(i, cycle);
            return true;
        }
        if (!eventCallback_[i] && free < 0) free = i;
    }
    if (free < 0) return false;
    eventCallback_[free] = callback;
    SetEvent(free, cycle);
    return true;
}

void SxCore::CancelCallback(CycleCallback* callback) {
    for (int i = kEventUser; i < kEvents; ++i) {
        if (eventCallback_[i] == callback) {
            eventCallback_[i] = nullptr;
            SetEvent(i, kNever);
        }
    }
}

// ---- Register file ----

SX_INLINE unsigned SxCore::Rd(unsigned address) {
    if (address < specialLimit_) [[unlikely]]
        return ReadSpecial(address);
    return ram_[address];
}

SX_INLINE void SxCore::Wr(unsigned address, unsigned value) {
    if (address < specialLimit_) [[unlikely]]
        WriteSpecial(address, static_cast<uint8_t>(value));
    else
        ram_[address] = static_cast<uint16_t>(value);
}

SX_INLINE void SxCore::SyncIn(Hot& h) const {
    h.pc = pc_;
    h.w = w_;
    h.status = status_;
    h.fsr = fsr_;
    h.cycles = cycles_;
    h.instructions = instructions_;
    h.skip = skip_;
}

SX_INLINE void SxCore::SyncOut(const Hot& h) {
    pc_ = h.pc;
    w_ = h.w;
    status_ = h.status;
    fsr_ = h.fsr;
    cycles_ = h.cycles;
    instructions_ = h.instructions;
    skip_ = h.skip;
}

// STATUS and FSR, the special registers programs use most, stay in the loop's locals.
SX_INLINE unsigned SxCore::HotRd(Hot& h, unsigned address) {
    if (address >= specialLimit_) [[likely]]
        return ram_[address];
    if (address == 3) return h.status;
    if (address == 4) return h.fsr;
    SyncOut(h);
    return ReadSpecial(address); // reads change nothing
}

SX_INLINE void SxCore::HotWr(Hot& h, unsigned address, unsigned value) {
    if (address >= specialLimit_) [[likely]] {
        ram_[address] = static_cast<uint16_t>(value);
        return;
    }
    if (address == 3) {
        h.status = (value & ~unsigned{kTO | kPD}) | (h.status & (kTO | kPD));
        return;
    }
    if (address == 4) {
        h.fsr = (value & 0xFF) | fsrForced_;
        return;
    }
    SyncOut(h);
    WriteSpecial(address, static_cast<uint8_t>(value));
    SyncIn(h);
}

unsigned SxCore::IndirectAddress() const {
    if (config_.family == 1) return fsr_ & 0xFF;
    return (fsr_ & 0x10) ? (fsr_ & 0xFF) : (fsr_ & 0x0F);
}

SX_COLD uint8_t SxCore::ReadSpecial(unsigned address) {
    switch (address) {
    case 0: {
        unsigned target = IndirectAddress();
        if (target == 0) return 0;
        return static_cast<uint8_t>(Rd(target));
    }
    case 1:
        return static_cast<uint8_t>(WAtRegister1() ? w_ : RtccNow());
    case 2:
        return static_cast<uint8_t>((pc_ + 1) & 0xFF); // the counter has moved on
    case 3:
        return static_cast<uint8_t>(status_);
    case 4:
        return static_cast<uint8_t>(fsr_);
    default: {
        int port = static_cast<int>(address) - 5;
        if (ports_.Exists(port)) return ports_.Read(port);
        return static_cast<uint8_t>(ram_[address]);
    }
    }
}

SX_COLD void SxCore::WriteSpecial(unsigned address, uint8_t value) {
    switch (address) {
    case 0: {
        unsigned target = IndirectAddress();
        if (target != 0) Wr(target, value);
        return;
    }
    case 1:
        if (WAtRegister1())
            w_ = value;
        else
            WriteRtcc(value, false);
        return;
    case 2: {
        // Like CALL: bit 8 clear, the page from STATUS. The instruction's own step of the
        // counter then lands on the target.
        unsigned target = ((status_ >> 5) << 9) | value;
        pc_ = (target - 1) & memMask_;
        cycles_ += jumpCycles_ - 1;
        return;
    }
    case 3:
        status_ = (value & ~(kTO | kPD)) | (status_ & (kTO | kPD));
        return;
    case 4:
        fsr_ = value | fsrForced_;
        return;
    default: {
        int port = static_cast<int>(address) - 5;
        if (ports_.Exists(port))
            WritePortLatch(port, value);
        else
            ram_[address] = value;
        return;
    }
    }
}

int SxCore::CanonicalAddress(int address) const {
    unsigned a = static_cast<unsigned>(address) & 0xFF;
    if (config_.family == 0) a = (a & 0x10) ? (a | fsrForced_) : (a & 0x0F);
    return static_cast<int>(a);
}

uint8_t SxCore::PeekRegister(int address) const {
    unsigned a = static_cast<unsigned>(CanonicalAddress(address));
    switch (a) {
    case 0: {
        unsigned target = IndirectAddress();
        return target == 0 ? 0 : PeekRegister(static_cast<int>(target));
    }
    case 1:
        return static_cast<uint8_t>(RtccNow());
    case 2:
        return static_cast<uint8_t>(pc_ & 0xFF);
    case 3:
        return static_cast<uint8_t>(status_);
    case 4:
        return static_cast<uint8_t>(fsr_);
    default:
        if (a < specialLimit_ && ports_.Exists(static_cast<int>(a) - 5))
            return ports_.Read(static_cast<int>(a) - 5);
        return static_cast<uint8_t>(ram_[a]);
    }
}

void SxCore::PokeRegister(int address, uint8_t value) {
    unsigned a = static_cast<unsigned>(CanonicalAddress(address));
    switch (a) {
    case 0: {
        unsigned target = IndirectAddress();
        if (target != 0) PokeRegister(static_cast<int>(target), value);
        return;
    }
    case 1:
        WriteRtcc(value, false);
        return;
    case 2:
        pc_ = ((pc_ & ~0xFFu) | value) & memMask_;
        return;
    case 3:
        status_ = value;
        return;
    case 4:
        SetFsr(value);
        return;
    default:
        if (a < specialLimit_ && ports_.Exists(static_cast<int>(a) - 5))
            WritePortLatch(static_cast<int>(a) - 5, value);
        else
            ram_[a] = value;
        return;
    }
}

uint16_t SxCore::StackEntry(int i) const {
    if (i < 0 || i >= stackDepth_) return 0;
    return stack_[(stackTop_ - i) & stackMask_];
}

void SxCore::Push(unsigned address) {
    stackTop_ = (stackTop_ + 1) & stackMask_;
    stack_[stackTop_] = static_cast<uint16_t>(address);
    if (stackCount_ == stackDepth_)
        ++stackOverflows_;
    else
        ++stackCount_;
}

unsigned SxCore::Pop() {
    unsigned address = stack_[stackTop_];
    stackTop_ = (stackTop_ - 1) & stackMask_;
    if (stackCount_ == 0)
        ++stackUnderflows_;
    else
        --stackCount_;
    return address;
}

// ---- Ports ----

void SxCore::WritePortLatch(int port, uint8_t value) {
    ports_.WriteLatch(port, value);
    CheckWake();
    NotifyPorts();
}

void SxCore::PortMode(int port) {
    w_ = ports_.ModeWrite(port, m_, static_cast<uint8_t>(w_));
    CheckWake();
    NotifyPorts();
}

void SxCore::NotifyPorts() {
    uint8_t changed = ports_.TakeChanged();
    if (!changed || !observer_) return;
    for (int port = 0; changed; ++port, changed >>= 1)
        if (changed & 1) observer_->OnPortChanged(*this, port);
}

void SxCore::CheckWake() {
    if (!ports_.TakeWakeEvents()) return;
    if (asleep_) {
        Wake(ResetCause::PinWake);
    } else {
        interruptRequest_ |= 2;
        UpdateLimit();
    }
}

void SxCore::DrivePins(int port, uint8_t mask, uint8_t levels) {
    ports_.Drive(port, mask, levels);
    CheckWake();
    NotifyPorts();
}

void SxCore::ReleasePins(int port, uint8_t mask) {
    ports_.Release(port, mask);
    CheckWake();
    NotifyPorts();
}

void SxCore::SetPortConfig(int port, SxPortRegister reg, uint8_t value) {
    ports_.SetConfig(port, reg, value);
    CheckWake();
    NotifyPorts();
}

// ---- RTCC and watchdog ----

unsigned SxCore::RtccNow() const {
    if (!rtccCountsCycles_) return rtccValue_;
    uint64_t t = static_cast<uint64_t>(static_cast<int64_t>(cycles_) - rtccOrigin_);
    return static_cast<unsigned>(t >> rtccShift_) & 0xFF;
}

unsigned SxCore::RtccPhase() const {
    if (!rtccCountsCycles_) return rtccPhase_;
    uint64_t t = static_cast<uint64_t>(static_cast<int64_t>(cycles_) - rtccOrigin_);
    return static_cast<unsigned>(t & ((uint64_t{1} << rtccShift_) - 1));
}

void SxCore::RtccSetMode(unsigned value, unsigned phase) {
    // OPTION bit 3 gives the prescaler to the watchdog; else bits 0-2 divide by 2 to 256.
    rtccShift_ = (option_ & 0x08) ? 0 : (option_ & 7) + 1;
    phase &= (1u << rtccShift_) - 1;
    value &= 0xFF;
    rtccCountsCycles_ = (option_ & 0x20) == 0 && !asleep_ && !inReset_;
    if (rtccCountsCycles_) {
        rtccOrigin_ = static_cast<int64_t>(cycles_) -
                      static_cast<int64_t>((uint64_t{value} << rtccShift_) + phase);
    } else {
        rtccValue_ = value;
        rtccPhase_ = phase;
    }
    ScheduleRtccOverflow();
}

void SxCore::WriteRtcc(unsigned value, bool keepPhase) {
    RtccSetMode(value, keepPhase ? RtccPhase() : 0);
}

void SxCore::ScheduleRtccOverflow() {
    if (!rtccCountsCycles_ || !RtccInterruptEnabled()) {
        SetEvent(kEventRtcc, kNever);
        return;
    }
    uint64_t period = uint64_t{256} << rtccShift_; // a power of two
    uint64_t t = static_cast<uint64_t>(static_cast<int64_t>(cycles_) - rtccOrigin_);
    SetEvent(kEventRtcc, cycles_ + (period - (t & (period - 1))));
}

void SxCore::SetRtccPin(bool level) {
    if (level == rtccPin_) return;
    rtccPin_ = level;
    // Bit 5 selects the pin, bit 4 its edge: 0 rising, 1 falling.
    if ((option_ & 0x20) == 0) return;
    if (level != ((option_ & 0x10) == 0)) return;
    RtccEdge();
}

void SxCore::RtccEdge() {
    if (rtccCountsCycles_) return;
    if (++rtccPhase_ < (1u << rtccShift_)) return;
    rtccPhase_ = 0;
    rtccValue_ = (rtccValue_ + 1) & 0xFF;
    if (rtccValue_ == 0 && RtccInterruptEnabled()) {
        interruptRequest_ |= 1;
        UpdateLimit();
    }
}

void SxCore::SetOption(uint8_t option) {
    unsigned value = RtccNow();
    option_ = option | optionForced_;
    RtccSetMode(value, 0); // a new OPTION clears the prescaler
    ScheduleWatchdog();
}

uint64_t SxCore::WatchdogPeriod() const {
    // The watchdog runs from its own RC oscillator: about 18 ms, times the prescaler when
    // it has it.
    uint64_t base = std::max<uint64_t>(1, config_.CyclesPerSecond() * 18 / 1000);
    return (option_ & 0x08) ? base << (option_ & 7) : base;
}

void SxCore::ClearWatchdog() {
    watchdogStart_ = cycles_;
    ScheduleWatchdog();
}

void SxCore::ScheduleWatchdog() {
    SetEvent(kEventWatchdog,
             config_.watchdog && !inReset_ ? watchdogStart_ + WatchdogPeriod() : kNever);
}

void SxCore::SetMclr(bool level) {
    if (level != inReset_) return;
    if (!level) {
        // Low: the reset happens now, and the chip stays in it while the pin is low.
        inReset_ = true;
        ResetState(ResetCause::External);
        return;
    }
    inReset_ = false;
    RtccSetMode(RtccNow(), RtccPhase());
    ClearWatchdog();
    UpdateLimit();
}

// ---- Sleep ----

void SxCore::Sleep() {
    status_ = (status_ & ~kPD) | kTO;
    ClearWatchdog();
    if (ports_.EnabledPending()) {
        // A wake-up that is already pending ends the sleep at once.
        Wake(ResetCause::PinWake);
        return;
    }
    unsigned value = RtccNow(), phase = RtccPhase();
    asleep_ = true;
    RtccSetMode(value, phase); // the instruction clock stops
    UpdateLimit();
}

void SxCore::Wake(ResetCause cause) {
    ResetState(cause);
}

// ---- Instructions ----

SX_INLINE SxCore::Exec SxCore::ExecuteOne(Hot& h, const Decoded& d) {
    unsigned op = d.op;
#define SX_FR ((h.fsr & d.mask) | d.low)
#define SX_SETZ(r) (h.status = (h.status & ~unsigned{kZ}) | ((r) == 0 ? kZ : 0u))
dispatch:
    switch (op) {
    case kBreak:
        if (h.instructions != runStartInstructions_) {
            stopReason_ = StopReason::Breakpoint;
            return Exec::Stop;
        }
        op = d.orig;
        goto dispatch;
    case kNop:
        break;
    case kUndefined:
        if (stopOnUndefined_ && h.instructions != runStartInstructions_) {
            stopReason_ = StopReason::Undefined;
            return Exec::Stop;
        }
        ++undefinedCount_;
        lastUndefined_ = static_cast<uint16_t>(h.pc);
        break;
    case kMovOptionW:
        SyncOut(h);
        SetOption(static_cast<uint8_t>(h.w));
        SyncIn(h);
        break;
    case kSleep:
        h.pc = (h.pc + 1) & memMask_;
        h.cycles += 1;
        ++h.instructions;
        SyncOut(h);
        Sleep();
        SyncIn(h);
        return Exec::Next;
    case kClrWdt:
        SyncOut(h);
        ClearWatchdog();
        SyncIn(h);
        h.status |= kTO | kPD;
        break;
    case kMovPortW:
        if (ports_.Exists(d.low)) {
            SyncOut(h);
            PortMode(d.low);
            SyncIn(h);
        }
        break;
    case kRet:
        h.pc = Pop() & memMask_;
        goto jumped;
    case kRetp: {
        unsigned a = Pop();
        h.status = (h.status & 0x1F) | (((a >> 9) & 7) << 5);
        h.pc = a & memMask_;
        goto jumped;
    }
    case kRetiw:
        SyncOut(h);
        WriteRtcc(RtccNow() + h.w, true);
        SyncIn(h);
        [[fallthrough]];
    case kReti:
        h.pc = Pop() & memMask_;
        h.w = shadow_[0];
        h.status = (shadow_[1] & ~unsigned{kTO | kPD}) | (h.status & (kTO | kPD));
        h.fsr = shadow_[2] | fsrForced_;
        inInterrupt_ = false;
        UpdateLimit();
        goto jumped;
    case kPage:
        h.status = (h.status & 0x1F) | (unsigned{d.low} << 5);
        break;
    case kBank:
        h.fsr = (h.fsr & d.mask) | d.low | fsrForced_;
        break;
    case kMovFrW:
        HotWr(h, SX_FR, h.w);
        break;
    case kClrW:
        h.w = 0;
        h.status |= kZ;
        break;
    case kIread: {
        unsigned word = flash_[(((m_ & 0x0F) << 8) | h.w) & memMask_];
        h.w = word & 0xFF;
        m_ = word >> 8;
        h.cycles += 3;
        break;
    }
    case kMovWM:
        h.w = m_;
        break;
    case kMovMW:
        m_ = h.w & mMask_;
        break;
    case kMode:
        m_ = d.low;
        break;
    case kClrFr:
        HotWr(h, SX_FR, 0);
        h.status |= kZ;
        break;
    case kSubW:
    case kSubFr: {
        unsigned a = SX_FR, x = HotRd(h, a), y = ~h.w & 0xFF;
        unsigned cin = (h.status & addCarryMask_) | (addCarryMask_ ^ 1);
        unsigned s = x + y + cin, r = s & 0xFF;
        unsigned flags = (s >> 8) | ((((x & 15) + (y & 15) + cin) >> 3) & kDC) | (r ? 0 : kZ);
        if (op == kSubW)
            h.w = r;
        else
            HotWr(h, a, r);
        h.status = (h.status & ~7u) | flags;
        break;
    }
    case kAddW:
    case kAddFr: {
        unsigned a = SX_FR, x = HotRd(h, a), y = h.w;
        unsigned cin = h.status & addCarryMask_;
        unsigned s = x + y + cin, r = s & 0xFF;
        unsigned flags = (s >> 8) | ((((x & 15) + (y & 15) + cin) >> 3) & kDC) | (r ? 0 : kZ);
        if (op == kAddW)
            h.w = r;
        else
            HotWr(h, a, r);
        h.status = (h.status & ~7u) | flags;
        break;
    }
    case kDecW: {
        h.w = (HotRd(h, SX_FR) - 1) & 0xFF;
        SX_SETZ(h.w);
        break;
    }
    case kDecFr: {
        unsigned a = SX_FR, r = (HotRd(h, a) - 1) & 0xFF;
        HotWr(h, a, r);
        SX_SETZ(r);
        break;
    }
    case kIncW: {
        h.w = (HotRd(h, SX_FR) + 1) & 0xFF;
        SX_SETZ(h.w);
        break;
    }
    case kIncFr: {
        unsigned a = SX_FR, r = (HotRd(h, a) + 1) & 0xFF;
        HotWr(h, a, r);
        SX_SETZ(r);
        break;
    }
    case kOrW:
        h.w |= HotRd(h, SX_FR);
        SX_SETZ(h.w);
        break;
    case kOrFr: {
        unsigned a = SX_FR, r = HotRd(h, a) | h.w;
        HotWr(h, a, r);
        SX_SETZ(r);
        break;
    }
    case kAndW:
        h.w &= HotRd(h, SX_FR);
        SX_SETZ(h.w);
        break;
    case kAndFr: {
        unsigned a = SX_FR, r = HotRd(h, a) & h.w;
        HotWr(h, a, r);
        SX_SETZ(r);
        break;
    }
    case kXorW:
        h.w ^= HotRd(h, SX_FR);
        SX_SETZ(h.w);
        break;
    case kXorFr: {
        unsigned a = SX_FR, r = HotRd(h, a) ^ h.w;
        HotWr(h, a, r);
        SX_SETZ(r);
        break;
    }
    case kMovWFr:
        h.w = HotRd(h, SX_FR);
        SX_SETZ(h.w);
        break;
    case kTest: {
        unsigned a = SX_FR, r = HotRd(h, a);
        // The register is written back with its own value, which matters for ports,
        // RTCC (prescaler cleared) and PC.
        if (a < specialLimit_) HotWr(h, a, r);
        SX_SETZ(r);
        break;
    }
    case kNotW:
        h.w = ~HotRd(h, SX_FR) & 0xFF;
        SX_SETZ(h.w);
        break;
    case kNotFr: {
        unsigned a = SX_FR, r = ~HotRd(h, a) & 0xFF;
        HotWr(h, a, r);
        SX_SETZ(r);
        break;
    }
    case kDecszW:
        h.w = (HotRd(h, SX_FR) - 1) & 0xFF;
        h.skip = h.w == 0;
        break;
    case kDecsz: {
        unsigned a = SX_FR, r = (HotRd(h, a) - 1) & 0xFF;
        HotWr(h, a, r);
        h.skip = r == 0;
        break;
    }
    case kIncszW:
        h.w = (HotRd(h, SX_FR) + 1) & 0xFF;
        h.skip = h.w == 0;
        break;
    case kIncsz: {
        unsigned a = SX_FR, r = (HotRd(h, a) + 1) & 0xFF;
        HotWr(h, a, r);
        h.skip = r == 0;
        break;
    }
    case kRrW:
    case kRr: {
        unsigned a = SX_FR, x = HotRd(h, a), r = (x >> 1) | ((h.status & kC) << 7);
        if (op == kRrW)
            h.w = r;
        else
            HotWr(h, a, r);
        h.status = (h.status & ~unsigned{kC}) | (x & 1);
        break;
    }
    case kRlW:
    case kRl: {
        unsigned a = SX_FR, x = HotRd(h, a), r = ((x << 1) | (h.status & kC)) & 0xFF;
        if (op == kRlW)
            h.w = r;
        else
            HotWr(h, a, r);
        h.status = (h.status & ~unsigned{kC}) | (x >> 7);
        break;
    }
    case kSwapW: {
        unsigned x = HotRd(h, SX_FR);
        h.w = ((x << 4) | (x >> 4)) & 0xFF;
        break;
    }
    case kSwap: {
        unsigned a = SX_FR, x = HotRd(h, a);
        HotWr(h, a, ((x << 4) | (x >> 4)) & 0xFF);
        break;
    }
    case kClrb: {
        unsigned a = SX_FR;
        HotWr(h, a, HotRd(h, a) & ~unsigned{d.bit});
        break;
    }
    case kSetb: {
        unsigned a = SX_FR;
        HotWr(h, a, HotRd(h, a) | d.bit);
        break;
    }
    case kSnb:
        h.skip = (HotRd(h, SX_FR) & d.bit) == 0;
        break;
    case kSb:
        h.skip = (HotRd(h, SX_FR) & d.bit) != 0;
        break;
    case kRetw:
        h.w = d.low;
        h.pc = Pop() & memMask_;
        goto jumped;
    case kCall:
        Push((h.pc + 1) & memMask_);
        h.pc = (((h.status >> 5) << 9) | d.k) & memMask_;
        goto jumped;
    case kJmp:
        h.pc = (((h.status >> 5) << 9) | d.k) & memMask_;
        goto jumped;
    case kMovWLit:
        h.w = d.low;
        break;
    case kOrLit:
        h.w |= d.low;
        SX_SETZ(h.w);
        break;
    case kAndLit:
        h.w &= d.low;
        SX_SETZ(h.w);
        break;
    case kXorLit:
        h.w ^= d.low;
        SX_SETZ(h.w);
        break;
    default:
        break;
    }
    h.pc = (h.pc + 1) & memMask_;
    h.cycles += 1;
    ++h.instructions;
    return Exec::Next;
jumped:
    h.cycles += jumpCycles_;
    ++h.instructions;
    return Exec::Next;
#undef SX_FR
#undef SX_SETZ
}

// ---- Run loops ----

SxCore::RunResult SxCore::Run(uint64_t maxCycles) {
    return RunLoop(std::min(SaturatingAdd(cycles_, maxCycles), kCycleCeiling));
}

SxCore::RunResult SxCore::Step() {
    const uint64_t c0 = cycles_, i0 = instructions_;
    runStartInstructions_ = instructions_;
    endCycle_ = kNever;
    FireDueEvents();
    StopReason reason = StopReason::Budget;
    if (!asleep_ && !inReset_) {
        if (interruptRequest_ && !inInterrupt_ && !skip_) {
            TakeInterrupt();
        } else if (skip_) {
            skip_ = false;
            pc_ = (pc_ + 1) & memMask_;
            cycles_ += 1;
            ++instructions_;
        } else {
            Hot h;
            SyncIn(h);
            ExecuteOne(h, code_[pc_]); // the first instruction never stops
            SyncOut(h);
        }
        FireDueEvents();
        reason = StopReason::Stepped;
    }
    return {reason, cycles_ - c0, instructions_ - i0};
}

SxCore::RunResult SxCore::RunLoop(uint64_t endCycle) {
    const uint64_t c0 = cycles_, i0 = instructions_;
    endCycle_ = endCycle;
    runStartInstructions_ = instructions_;
    UpdateLimit();
    Hot h;
    SyncIn(h);
    for (;;) {
        if (h.cycles >= limit_) [[unlikely]] {
            SyncOut(h);
            bool stop = Service();
            SyncIn(h);
            if (stop) break;
        }
        const Decoded& d = code_[h.pc];
        if (h.skip) [[unlikely]] {
            if (d.op == kBreak && h.instructions != runStartInstructions_) {
                stopReason_ = StopReason::Breakpoint;
                break;
            }
            // The skipped instruction takes its cycle as a NOP.
            h.skip = false;
            h.pc = (h.pc + 1) & memMask_;
            h.cycles += 1;
            ++h.instructions;
            continue;
        }
        if (ExecuteOne(h, d) == Exec::Stop) break;
    }
    SyncOut(h);
    endCycle_ = kNever;
    return {stopReason_, cycles_ - c0, instructions_ - i0};
}

} // namespace pellix
