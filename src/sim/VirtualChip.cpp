#include "sim/VirtualChip.h"

#include <algorithm>
#include <iterator>

namespace pellix {

namespace {

// A part off the line: the trims spread about 4 MHz, trim 4 nearest to it.
constexpr uint32_t kIrcAtTrim0 = 4'600'000;
constexpr uint32_t kIrcPerTrim = 160'000;

bool Take(uint16_t& cell, uint16_t word) {
    cell = uint16_t(cell & word & 0x0FFF);
    return cell == (word & 0x0FFF);
}

// Words 12 to 19 of the debug kernel, where it is entered. They are the same whatever the
// kernel is tuned to, and four of them are debugging opcodes no program uses.
constexpr uint16_t kKernelEntryWords[] = {0x048, 0xCFF, 0x04B, 0x203, 0x049, 0x204, 0x04A, 0xCF7};

// Run modes of the resume record.
constexpr uint16_t kModeStep = 0xF7EB;
constexpr uint16_t kModeToBreak = 0xF7E9;
constexpr uint16_t kModeFree = 0xEAEA;
constexpr uint16_t kModeRestart = 0xEFEF;

constexpr size_t kStateRecordBytes = 24;
constexpr size_t kResumeRecordBytes = 28;
constexpr int kNoBreakpoint = 0x1000;

} // namespace

VirtualChip::VirtualChip(int family) {
    for (int t = 0; t < 8; ++t)
        irc_[size_t(t)] = kIrcAtTrim0 - kIrcPerTrim * uint32_t(t);
    SetFamily(family);
}

void VirtualChip::SetFamily(int family) {
    family_ = family == 1 ? 1 : 0;
    deviceCode_ = family_ == 1 ? kDeviceCodeFamily1 : kDeviceCodeFamily0;
    Erase();
    eraseCount_ = 0;
    clocked_ = false;
    clockWord_ = 0;
    resetCount_ = 0;
    forcedRunState_.reset();
    kernelRecords_.clear();
    // Powered up blank: the core starts at the reset vector with the erased words.
    held_ = false;
    flashChanged_ = true;
    Reset();
    resetCount_ = 0;
}

int VirtualChip::PhysicalWords() const {
    return family_ == 1 ? 4096 : 2048;
}

int VirtualChip::MemoryWords() const {
    if (family_ == 1) return 4096;
    static constexpr int kSizes[4] = {512, 1024, 2048, 2048};
    return kSizes[fusex_ & 3];
}

void VirtualChip::Hold() {
    held_ = true;
    flashChanged_ = true;
    inKernel_ = false;
    stepPending_ = false;
}

void VirtualChip::Erase() {
    Hold();
    code_.fill(0x0FFF);
    id_.fill(0x0FFF);
    fuse_ = 0x0FFF;
    fusex_ = 0x0FFF;
    ++eraseCount_;
}

uint16_t VirtualChip::Code(int address) const {
    return code_[size_t(address) & size_t(PhysicalWords() - 1)];
}

bool VirtualChip::ProgramCode(int address, uint16_t word) {
    Hold();
    return Take(code_[size_t(address) & size_t(PhysicalWords() - 1)], word);
}

bool VirtualChip::ProgramId(int index, uint16_t word) {
    Hold();
    return Take(id_[size_t(index) & 15], word);
}
bool VirtualChip::ProgramFuse(uint16_t word) {
    Hold();
    return Take(fuse_, word);
}
bool VirtualChip::ProgramFusex(uint16_t word) {
    Hold();
    return Take(fusex_, word);
}

void VirtualChip::LoadCode(int address, uint16_t word) {
    flashChanged_ = true;
    code_[size_t(address) & size_t(PhysicalWords() - 1)] = word & 0x0FFF;
}

int VirtualChip::TrimOfFusex(uint16_t fusex) {
    return ((fusex >> 8) & 1) | (((fusex >> 9) & 1) << 1) | (((fusex >> 11) & 1) << 2);
}

uint16_t VirtualChip::MeasureIrc() const {
    uint32_t hertz = irc_[size_t(TrimOfFusex(fusex_))];
    if (hertz == 0) return 0x0FFF; // a stopped oscillator: the counter runs full
    uint32_t count = (kIrcCountDividend + hertz / 2) / hertz;
    if (count < 1) count = 1;
    if (count > 0x0FFF) count = 0x0FFF;
    return uint16_t(count);
}

void VirtualChip::ClockOn(uint32_t synthWord) {
    clockWord_ = synthWord & 0xFFFFFF;
    clocked_ = true;
    core_.SetFrequency(ChipHertz());
    lab_.ClockChanged();
}

uint32_t VirtualChip::ChipHertz() const {
    // A word outside the synthesizer's range decodes to more than its oscillator can give.
    return std::min(ClockHertz(), kMaxClockHertz);
}

uint32_t VirtualChip::ClockHertz() const {
    if (!clocked_) return 0;
    uint32_t n = ((clockWord_ >> 15) & 0x7F) + 3;
    uint32_t m = ((clockWord_ >> 4) & 0x7F) + 2;
    uint32_t s = (clockWord_ >> 11) & 7;
    uint64_t v = 20'000'000ull * n / m;
    // The divided oscillator runs at half the clock the word is chosen for.
    return uint32_t((v >> s) * 2);
}

void VirtualChip::Reset() {
    ++resetCount_;
    forcedRunState_.reset();
    held_ = false;
    inKernel_ = false;
    stepPending_ = false;
    breakpoint_ = -1;
    if (flashChanged_) {
        // Fresh from the programmer: the chip comes up with what was programmed.
        flashChanged_ = false;
        uint32_t hertz = clocked_ ? ChipHertz() : core_.Config().frequency;
        core_.Configure(SxChipConfig::FromFuses(family_, fuse_, fusex_, hertz));
        core_.LoadProgram({code_.data(), size_t(PhysicalWords())});
        core_.ClearBreakpoints();
        kernelInstalled_ = core_.Config().memoryWords == PhysicalWords();
        for (size_t i = 0; i < std::size(kKernelEntryWords) && kernelInstalled_; ++i)
            kernelInstalled_ = Code(KernelEntry() + int(i)) == kKernelEntryWords[i];
        if (kernelInstalled_) core_.SetBreakpoint(KernelEntry());
    } else {
        core_.Reset();
    }
    targetCycle_ = core_.Cycles();
    cycleRemainder_ = 0;
    resetCycle_ = lab_.Now();
    if (lab_.StimulusCount() > 0) lab_.RestartStimuli(resetCycle_);
}

void VirtualChip::SetWallClock(bool on) {
    wallClock_ = on;
    targetCycle_ = core_.Cycles();
    cycleRemainder_ = 0;
}

void VirtualChip::RunCycles(uint64_t cycles) {
    if (!Running()) return;
    targetCycle_ = core_.Cycles() + cycles;
    RunToTarget();
    targetCycle_ = core_.Cycles();
}

uint8_t VirtualChip::RunState() const {
    if (forcedRunState_) return *forcedRunState_;
    if (inKernel_) return kRunStateStopped;
    if (!held_ && core_.Asleep()) return kRunStateAsleep;
    return kRunStateRunning;
}

void VirtualChip::Advance(uint32_t now) {
    uint32_t elapsed = now - lastNow_;
    bool first = !timeKnown_;
    timeKnown_ = true;
    lastNow_ = now;
    // A time before the last one (a caller's clock read early) lets no time pass.
    if (first || elapsed > 0x7FFFFFFFu) return;
    if (!Running() || !wallClock_) return;
    elapsed = std::min(elapsed, kMaxCatchUpMs);
    uint64_t n = uint64_t(elapsed) * core_.Config().CyclesPerSecond() + cycleRemainder_;
    cycleRemainder_ = n % 1000;
    targetCycle_ += n / 1000;
    RunToTarget();
}

void VirtualChip::RunToTarget() {
    if (stepPending_) {
        stepPending_ = false;
        core_.Step();
        // A SLEEP stepped over sleeps; the wake-up comes back through the reset vector.
        if (!core_.Asleep()) {
            EnterKernel();
            return;
        }
    }
    while (core_.Cycles() < targetCycle_) {
        // Checked here too: a run that ran out of time just before the breakpoint starts the
        // next one on it, and a run never stops on its own first instruction.
        if (kernelInstalled_ && core_.Pc() == KernelEntry()) {
            EnterKernel();
            return;
        }
        if (AtBreakpoint() && RunBreakpointInstruction()) return;
        SxCore::RunResult r = core_.Run(targetCycle_ - core_.Cycles());
        if (r.reason == SxCore::StopReason::Breakpoint) {
            if (kernelInstalled_ && core_.Pc() == KernelEntry()) {
                EnterKernel();
                return;
            }
            continue; // the user's breakpoint is seen above; any other is not ours
        }
        break; // the time is used up
    }
}

bool VirtualChip::AtBreakpoint() const {
    return breakpoint_ >= 0 && core_.Pc() == breakpoint_ && !core_.Asleep() &&
           core_.Instructions() != resumeInstructions_;
}

// The kernel hands the breakpoint to the chip's debugging hardware with the same mode byte
// as a step (only its bit 1 differs), and the hardware stops as after a step: once the
// instruction at the breakpoint has run (or been skipped). A hit is therefore reported at
// the address that instruction leads to.
bool VirtualChip::RunBreakpointInstruction() {
    const bool inInterrupt = core_.InInterrupt();
    core_.Step();
    // An interrupt taken first runs its routine; the breakpoint's instruction runs after it.
    if (core_.InInterrupt() && !inInterrupt) return false;
    // A SLEEP at the breakpoint sleeps, as a stepped one does.
    if (core_.Asleep()) return false;
    EnterKernel();
    return true;
}

void VirtualChip::EnterKernel() {
    inKernel_ = true;
    forcedRunState_.reset();
    stepPending_ = false;
    if (breakpoint_ >= 0 && !(kernelInstalled_ && breakpoint_ == KernelEntry()))
        core_.SetBreakpoint(breakpoint_, false);
    breakpoint_ = -1;
    // Entered through the reset diversion: the program stands at its reset vector.
    contextPc_ =
        core_.Pc() == KernelEntry() ? uint16_t(core_.Config().memoryWords - 1) : core_.Pc();
}

void VirtualChip::LeaveKernel() {
    inKernel_ = false;
    forcedRunState_.reset();
    targetCycle_ = core_.Cycles();
    cycleRemainder_ = 0;
}

uint16_t VirtualChip::ReportedPc() const {
    return inKernel_ ? contextPc_ : core_.Pc();
}

void VirtualChip::KernelRecord(const std::vector<uint8_t>& bytes) {
    if (kernelRecords_.size() == kKeptKernelRecords) kernelRecords_.erase(kernelRecords_.begin());
    kernelRecords_.push_back(bytes);
    // Only a kernel that has the chip listens.
    bool listening = kernelInstalled_ && inKernel_ && !held_;
    const std::vector<uint8_t>& r = bytes;
    if (r.size() == kResumeRecordBytes && r[0] == 4) {
        if (listening) Resume(r);
    } else if (r.size() == 4 && r[0] == 1 && r[2] == 2) {
        if (!listening) return;
        core_.PokeRegister(r[1], r[3]);
        if (core_.CanonicalAddress(r[1]) == 2) contextPc_ = core_.Pc();
    } else if ((r.size() == 1 && r[0] == 0) || (r.size() == 2 && r[0] == 0 && r[1] == 0)) {
        // A stop request: a sleeping chip runs no instruction to stop at.
        if (kernelInstalled_ && Running() && !core_.Asleep()) EnterKernel();
    }
}

void VirtualChip::Resume(const std::vector<uint8_t>& r) {
    uint8_t status = r[7];
    core_.SetW(r[1]);
    core_.SetPc(uint16_t((r[3] << 8) | r[5]));
    // TO and PD are the chip's own; bits 3 and 4 of the record carry SKIP and INT.
    core_.SetStatus(uint8_t((status & 0xE7) | (core_.Status() & (SxCore::kTO | SxCore::kPD))));
    core_.SetInInterrupt((status & 0x10) != 0);
    core_.SetSkipPending((status & 0x08) != 0);
    core_.SetFsr(r[9]);
    core_.PokeRegister(0x0E, r[11]);
    core_.PokeRegister(0x0F, r[13]);
    core_.PokeRegister(0x0D, r[27]);
    core_.SetM(r[25]);
    runMode_ = uint16_t(r[15] | (r[17] << 8));
    int breakpoint = (r[21] << 8) | r[23];
    contextPc_ = core_.Pc();

    switch (runMode_) {
    case kModeStep:
        LeaveKernel();
        stepPending_ = true;
        if (Running()) RunToTarget();
        break;
    case kModeToBreak:
        LeaveKernel();
        if (breakpoint < kNoBreakpoint) {
            breakpoint_ = breakpoint & 0xFFF;
            core_.SetBreakpoint(breakpoint_);
            // Resumed on the breakpoint, its instruction runs first without a hit.
            resumeInstructions_ = core_.Instructions();
        }
        break;
    case kModeFree:
    case kModeRestart: // at the kernel's first word, which puts the chip to sleep
        LeaveKernel();
        break;
    default: // apply: the context is taken over and the chip stays stopped
        break;
    }
}

std::vector<uint8_t> VirtualChip::StateBytes(size_t count) const {
    const SxCore& c = core_;
    std::vector<uint8_t> out;
    if (family_ == 1 && count > kStateRecordBytes) {
        for (size_t i = 0; i < count; ++i)
            out.push_back(c.PeekRegister(int((0x10 + i) & 0xFF)));
        return out;
    }
    out.assign(kStateRecordBytes, 0);
    uint16_t pc = ReportedPc();
    uint8_t status = c.Status();
    out[0] = uint8_t((c.M() & (family_ == 1 ? 0x1F : 0x0F)) | (c.WAtRegister1() ? 0x80 : 0));
    out[1] = c.W();
    out[2] = uint8_t(pc & 0xFF);
    out[3] = uint8_t(pc >> 8);
    out[4] = uint8_t((status & 0xE7) | (c.InInterrupt() ? 0x10 : 0) | (c.SkipPending() ? 0x08 : 0));
    out[5] = c.Fsr();
    out[6] = c.PeekRegister(0x0D);
    out[7] = c.PeekRegister(0x0E);
    out[8] = c.PeekRegister(0x0F);
    out[9] = c.Rtcc();
    out[11] = uint8_t(status & (SxCore::kTO | SxCore::kPD));
    for (int i = 0; i < 8; ++i)
        out[size_t(13 + i)] = c.PeekRegister(0x05 + i);
    if (family_ == 0 && count > kStateRecordBytes) {
        // The banks fill the top of the space: as many as the request has room for.
        size_t asked = (count - kStateRecordBytes) / 16;
        int banks = asked >= 8 ? 8 : asked >= 4 ? 4 : 1;
        for (int j = 0; j < 16 * banks; ++j)
            out.push_back(c.PeekRegister((8 - banks + j / 16) * 32 + 16 + j % 16));
    }
    out.resize(count, 0);
    return out;
}

} // namespace pellix
