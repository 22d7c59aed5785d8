#include "link/DebugControl.h"

#include "link/ClockUnit.h"

namespace pellix {

DebugControl::DebugControl(KeyLink& link, AssemblyRecord& record)
    : link_(link), protocol_(link), record_(record) {
    UpdateGeometry();
}

void DebugControl::SetView(DebugViewRole role, DebugView* view) {
    views_[size_t(role)] = view;
}

void DebugControl::UpdateGeometry() {
    geometry_ = ComputeGeometry(Family(), record_.assembled.Fusex());
}

void DebugControl::StartDebugging() {
    flags.lastRunState = 0;
    flags.stateValid = 0;
    live.breakpoint = startBreakpoint ? startBreakpoint() : record_.debug.breakAddress;
    flags.firstRefresh = 1;
    UpdateGeometry();
    link_.ConnectKey();
    RestartChip();
}

void DebugControl::StopDebugging() {
    if (!link_.PortOpen()) return;
    protocol_.ClockOff();
    link_.ReleaseKey();
}

void DebugControl::ClockOn() {
    pellix::ClockOn(protocol_, record_.debug.frequency);
}

void DebugControl::RestartChip() {
    flags.hop = 0;
    flags.continuous = 0;
    if (flags.stateValid) {
        // The kernel's first word when the kernel sits at the end of this memory.
        live.programCounter = uint32_t(geometry_.memorySize - 1) & 0xF77;
        ResumeChip(RunModeRestart);
    }
    ClockOn();
    protocol_.Reset();
}

bool DebugControl::PollChip() {
    flags.lastRunState = protocol_.Poll();
    return flags.lastRunState == 2;
}

void LoadKernelState(DebugState& s, const KernelState& k, int family, const MemoryGeometry& g) {
    const uint32_t memorySize = uint32_t(g.memorySize);
    auto& r = s.registers;
    for (size_t a = 0; a < k.registers.size(); ++a)
        r[a] = k.registers[a];
    r[kRegisterM] = k.m;
    r[kRegisterW] = k.w;
    s.intFlag = k.intFlag;
    s.skipFlag = k.skipFlag;
    s.wAtOne = k.wAtOne ? 1 : 0;
    s.programCounter = k.programCounter & (memorySize - 1);

    if (s.programCounter == memorySize - 1) {
        // At the reset vector: what the diversion into the kernel left is not the program's.
        r[3] &= 0x1F;
        s.intFlag = 0;
        s.skipFlag = 0;
    }
    // The kernel runs the program's reset jump where it moved it, just below the vector.
    if (s.programCounter == memorySize - 3) s.programCounter = memorySize - 1;
    r[0] = 0;
    if (s.wAtOne) r[1] = r[kRegisterW];
    r[2] = (s.programCounter + 1) & 0xFF;
    if (family == 0) {
        // Bank bits the chip does not have read as 1.
        r[4] |= uint32_t(g.ramBanks * 0xE0) & 0xFF;
        r[0] = (r[4] & 0x10) ? r[r[4] & 0xFF] : r[r[4] & 0x0F];
    } else {
        r[0] = r[r[4] & 0xFF];
    }
}

void DebugControl::ReadDebugState() {
    KernelState k = protocol_.ReadState(Family(), geometry_.ramBanks, geometry_.memorySize);
    LoadKernelState(live, k, Family(), geometry_);
    flags.stateValid = 1;
}

void DebugControl::ResumeChip(uint16_t mode) {
    flags.runMode = mode;
    ResumeContext c;
    c.w = live.Register(kRegisterW);
    c.programCounter = uint16_t(live.programCounter);
    c.status = live.Register(3);
    c.intFlag = live.intFlag;
    c.skipFlag = live.skipFlag;
    c.fsr = live.Register(4);
    c.reg0D = live.Register(0x0D);
    c.reg0E = live.Register(0x0E);
    c.reg0F = live.Register(0x0F);
    c.m = live.Register(kRegisterM);
    c.runMode = mode;
    c.breakpoint = uint16_t(live.breakpoint);
    c.memorySize = geometry_.memorySize;
    protocol_.Resume(c);
    flags.stateValid = 0;
}

void DebugControl::StopChip() {
    protocol_.StopRequest(Family());
}

void DebugControl::WriteRegister(int address, uint8_t value) {
    if (address < 0 || address >= kDebugRegisters) return;
    auto& r = live.registers;
    if (address == 0) address = int(r[4] & 0xFF);                 // IND: the register FSR selects
    if (Family() == 0 && (address & 0x110) == 0) address &= 0x0F; // seen from any bank
    if (address == 1 && live.wAtOne) address = kRegisterW;
    r[size_t(address)] = value;
    if (address == 2) {
        live.programCounter = ((((r[3] & 0xE0) * 16) + ((uint32_t(value) - 1) & 0xFF)) &
                               uint32_t(geometry_.memorySize - 1));
        live.skipFlag = 0;
    }
    // The kernel takes RTCC, the ports and RAM at once; the context it restores itself
    // (PCL, STATUS, FSR, 0x0D to 0x0F, M, W) goes with the next resume record.
    if (address == 1 || (address >= 5 && address <= 12) || (address >= 16 && address <= 255))
        protocol_.RegisterWrite(uint8_t(address), value);
}

bool DebugControl::WaitForStop(uint32_t limitMs) {
    TickSource& ticks = link_.Ticks();
    uint32_t start = ticks.Milliseconds();
    for (;;) {
        if (ticks.Milliseconds() - start >= limitMs) return false;
        if (PollChip()) return true;
    }
}

void DebugControl::ApplyChanges() {
    ResumeChip(RunModeApply);
    if (!WaitForStop(kApplyLimitMs)) link_.LinkError("Chip connection failed");
    ReadDebugState();
    RefreshViews();
}

bool DebugControl::IsCodeAddress(int address) const {
    return address >= 0 && address < kCodeWords && record_.assembled.Written(address);
}

void DebugControl::ToggleBreakpoint(int address) {
    if (!IsCodeAddress(address)) return;
    shown.breakpoint = live.breakpoint;
    live.breakpoint = uint32_t(address) == live.breakpoint ? kNoBreakpoint : uint32_t(address);
    for (DebugViewRole role : {DebugViewRole::Register, DebugViewRole::Code, DebugViewRole::Source})
        if (DebugView* v = View(role); v && v->IsVisible()) v->RepaintBreakpoint(false);
    if (idleButtons) idleButtons();
}

void DebugControl::SetProgramCounter(int address) {
    if (!IsCodeAddress(address)) return;
    // The first click of the double click toggled the breakpoint: undo that.
    live.breakpoint = shown.breakpoint;
    MoveProgramCounter(address);
}

void DebugControl::MoveProgramCounter(int address) {
    if (!IsCodeAddress(address)) return;
    live.programCounter = uint32_t(address) & uint32_t(geometry_.memorySize - 1);
    live.skipFlag = 0;
    uint32_t status = live.registers[3];
    uint32_t page = uint32_t(address) / 16;
    if (Family() == 0) {
        uint32_t m = (uint32_t(geometry_.memorySize / 16) - 1) & 0xE0;
        status = (page & m) | (status & ~m);
    } else {
        status = (status & 0x1F) | (page & 0xE0);
    }
    WriteRegister(3, uint8_t(status));
    ApplyChanges();
    if (idleButtons) idleButtons();
}

void DebugControl::RefreshViews() {
    if (flags.firstRefresh) {
        TakeSnapshot();
        TakeSnapshot();
    }
    bool all = flags.firstRefresh != 0;
    for (DebugViewRole role : {DebugViewRole::Register, DebugViewRole::Code})
        if (DebugView* v = View(role); v && v->IsVisible()) v->ShowAddress(live.programCounter);
    for (DebugView* v : views_)
        if (v && v->IsVisible()) v->Repaint(all);
    TakeSnapshot();
    flags.firstRefresh = 0;
}

void DebugControl::TakeSnapshot() {
    previous = shown;
    shown = live;
}

} // namespace pellix
