#include "debugger/DebugUnit.h"

#include <algorithm>

namespace pellix {

namespace {
// The poll's answer for a chip that sleeps (2 is stopped in the kernel).
constexpr uint8_t kPollAsleep = 1;
} // namespace

uint8_t IdleButtonMask(uint32_t breakpoint) {
    return breakpoint == kNoBreakpoint ? kIdleButtons : kIdleButtonsWithPoll;
}

std::string UpdateSpeedText(int item) {
    if (item <= 0 || item >= kUpdateSpeedItems) return "Max.";
    return std::to_string(kUpdateSpeedItems - item);
}

uint32_t UpdateSpeedInterval(int item) {
    if (item <= 0 || item >= kUpdateSpeedItems) return kMaxSpeedInterval;
    return uint32_t(item) * 100;
}

void TickTimer::SetInterval(uint32_t ms, uint32_t now) {
    interval_ = std::max<uint32_t>(ms, 1);
    last_ = now;
}

void TickTimer::Start(uint32_t now) {
    enabled_ = true;
    last_ = now;
}

bool TickTimer::Due(uint32_t now) {
    if (!enabled_ || now - last_ < interval_) return false;
    last_ += interval_;
    // A late tick is one tick, not a burst of the ones missed.
    if (now - last_ >= interval_) last_ = now;
    return true;
}

DebugSession::DebugSession(DebugControl& control, DebugWindowView& window)
    : c_(control), window_(window) {
    // A breakpoint or program counter set from a view gives the buttons back only while the
    // chip is stopped; a running chip keeps the buttons its run left.
    c_.idleButtons = [this] {
        if (c_.flags.stateValid) IdleButtons();
    };
}

int DebugSession::LineOf(uint32_t address) const {
    if (lineOfAddress) return lineOfAddress(address);
    return c_.Record().debug.lineOfAddress[address & (kCodeWords - 1)];
}

void DebugSession::Start() {
    ticks_ = 0;
    struct StartTimer {
        DebugSession& s;
        ~StartTimer() { s.timer.Start(s.c_.Link().Ticks().Milliseconds()); }
    } startTimer{*this};
    c_.StartDebugging();
}

void DebugSession::Finish() {
    timer.Stop();
    c_.StopDebugging();
}

void DebugSession::SetButtons(uint8_t mask) {
    buttons_ = mask & 0x7F;
    window_.SetButtons(buttons_);
}

void DebugSession::IdleButtons() {
    SetButtons(IdleButtonMask(c_.live.breakpoint));
}

void DebugSession::Resume(uint16_t mode) {
    c_.ResumeChip(mode);
}

void DebugSession::Step() {
    SetButtons(0);
    Resume(RunModeStep);
    c_.flags.hop = 0;
}

void DebugSession::Walk() {
    SetButtons(kStopBit);
    Resume(RunModeStep);
    c_.flags.hop = 0;
    c_.flags.continuous = 1;
}

void DebugSession::Hop() {
    SetButtons(0);
    Resume(RunModeStep);
    c_.flags.hop = 1;
    c_.flags.lastLine = LineOf(c_.live.programCounter);
}

void DebugSession::Jog() {
    SetButtons(kStopBit);
    Resume(RunModeStep);
    c_.flags.hop = 1;
    c_.flags.lastLine = LineOf(c_.live.programCounter);
    c_.flags.continuous = 1;
}

void DebugSession::Run() {
    c_.flags.hop = 0;
    if (c_.live.breakpoint == kNoBreakpoint) {
        SetButtons(kPollBit | kStopBit);
        Resume(RunModeFree);
    } else {
        SetButtons(0);
        Resume(RunModeToBreak);
    }
}

void DebugSession::Poll() {
    c_.flags.hop = 0;
    // A chip that runs freely is stopped for a look even when a breakpoint was set during
    // the run: its kernel is not there to take a resume record.
    bool freeRunning = c_.flags.runMode == RunModeFree && !c_.flags.stateValid;
    if (freeRunning || c_.live.breakpoint == kNoBreakpoint) {
        SetButtons(kPollBit | kStopBit);
        c_.StopChip();
    } else {
        SetButtons(kStopBit);
        Resume(RunModeToBreak);
    }
    c_.flags.continuous = 1;
}

void DebugSession::Stop() {
    SetButtons(0);
    if (c_.flags.runMode == RunModeFree) c_.StopChip();
    c_.flags.continuous = 0;
}

void DebugSession::Reset() {
    // Nothing to run until the restarted chip has stopped in the kernel.
    SetButtons(0);
    c_.RestartChip();
}

void DebugSession::TimerTick() {
    ++ticks_;
    DebugFlags& f = c_.flags;
    if (!c_.Link().PortOpen()) {
        timer.Stop();
        window_.CloseWindow();
        return;
    }
    c_.PollChip();
    bool stopped = c_.PollChip();
    if (!stopped) {
        if (f.stateValid) return;
        window_.ShowStatus(f.lastRunState == kPollAsleep ? kStatusSleeping : kStatusRunning);
        return;
    }
    // Stopped and read already: the views show it and wait for the user.
    if (f.stateValid) return;
    window_.ShowStatus(kStatusIdle);
    c_.ReadDebugState();

    const uint32_t pc = c_.live.programCounter;
    // The kernel reports a hit once the breakpoint's instruction has run, so a stop exactly
    // at the breakpoint is the program back on it at once: shown, and the run goes on.
    if (pc == c_.live.breakpoint) {
        f.hop = 0;
        f.continuous = 0;
        c_.RefreshViews();
        Resume(f.runMode);
        return;
    }
    const int line = LineOf(pc);
    if (line == f.lastLine && f.hop) {
        Resume(f.runMode); // still on the same line: step on through it
        return;
    }
    f.lastLine = line;
    c_.RefreshViews();
    if (f.continuous)
        Resume(f.runMode);
    else
        IdleButtons();
}

bool DebugSession::Pump() {
    if (!timer.Enabled() || !timer.Due(c_.Link().Ticks().Milliseconds())) return false;
    TimerTick();
    return true;
}

DebugPlacement PlaceDebugWindows(const DebugWindowSizes& s) {
    int w = std::max(s.debugWidth, s.watchEnabled ? s.watchWidth : 0);
    int x = (s.screenWidth + s.registerWidth - w) / 2;
    int y = std::max(s.debugHeight, s.registerHeight) + s.screenHeight / 32;
    DebugPlacement p;
    p.debug = {x, y - s.debugHeight, s.debugWidth, s.debugHeight};
    p.registers = {x - s.registerWidth, y - s.registerHeight, s.registerWidth, s.registerHeight};
    p.code = {x - s.registerWidth, y, s.registerWidth, s.screenHeight * 15 / 16 - y};
    p.watch = {x, y, s.watchWidth, s.watchHeight};
    return p;
}

} // namespace pellix
