// The debug window's model: the run buttons and their mask, the update speeds, the timer
// that polls the chip, what each button does and what a tick does with a stop, and where
// the debug windows go by default. The window (ui/TDebugForm) only shows it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "link/DebugControl.h"

namespace pellix {

// Bits of the run-button mask; a set bit enables the button.
enum RunButtonBit : uint8_t {
    kStopBit = 1,
    kPollBit = 2,
    kRunBit = 4,
    kWalkBit = 8,
    kStepBit = 16,
    kJogBit = 32,
    kHopBit = 64,
};
inline constexpr int kRunButtonCount = 7;
// Hop, Jog, Step, Walk and Run; with a breakpoint also Poll.
inline constexpr uint8_t kIdleButtons = 124;
inline constexpr uint8_t kIdleButtonsWithPoll = 126;
uint8_t IdleButtonMask(uint32_t breakpoint);

inline constexpr char kStatusRunning[] = "Running";
inline constexpr char kStatusSleeping[] = "Sleeping";
inline constexpr char kStatusIdle[] = "Idle";
inline constexpr char kStatusInitial[] = "Sleep";

// "Max." (40 ms), then "10" (100 ms) down to "1" (1000 ms).
inline constexpr int kUpdateSpeedItems = 11;
inline constexpr uint32_t kMaxSpeedInterval = 40;
std::string UpdateSpeedText(int item);
uint32_t UpdateSpeedInterval(int item);

inline constexpr char kResetPositionsQuestion[] =
    "Are you sure you want to reset the\rdebug windows to the default positions?";
inline constexpr char kResetPositionsCaption[] = "WINDOW POSITION RESET";
inline constexpr char kListLoadErrorText[] =
    "Couldn't load .LST file.  Code window will not be opened.";
inline constexpr char kListLoadErrorCaption[] = "CODE WINDOW - LOAD ERROR";

// A timer that runs on the tick counter, so a test's clock decides when it fires. It fires
// at most once per call of Due, at a fixed rate from its start, and never catches up on
// ticks it missed.
class TickTimer {
public:
    bool Enabled() const { return enabled_; }
    uint32_t Interval() const { return interval_; }
    void SetInterval(uint32_t ms, uint32_t now);
    void Start(uint32_t now);
    void Stop() { enabled_ = false; }
    // True when an interval has passed since the last tick (or the start).
    bool Due(uint32_t now);

private:
    bool enabled_ = false;
    uint32_t interval_ = kMaxSpeedInterval;
    uint32_t last_ = 0;
};

// What the session needs of its window.
class DebugWindowView {
public:
    virtual ~DebugWindowView() = default;
    virtual void SetButtons(uint8_t mask) = 0;
    virtual void ShowStatus(const std::string& text) = 0;
    // The port closed under the session (a link error): the window goes away.
    virtual void CloseWindow() = 0;
};

class DebugSession {
public:
    DebugSession(DebugControl& control, DebugWindowView& window);
    DebugSession(const DebugSession&) = delete;
    DebugSession& operator=(const DebugSession&) = delete;

    TickTimer timer;
    // The line of a code address; the built-in path uses the record's lineOfAddress, the
    // external path its own lookup.
    std::function<int(uint32_t address)> lineOfAddress;

    DebugControl& Control() { return c_; }
    uint8_t Buttons() const { return buttons_; }
    int LineOf(uint32_t address) const;

    // Opening and closing the window. Start connects, restarts the chip and starts the
    // timer; the timer runs even when the link failed, so its next tick closes the window.
    void Start();
    void Finish();

    void SetButtons(uint8_t mask);
    void IdleButtons();

    // The buttons.
    void Step();
    void Walk();
    void Hop();
    void Jog();
    void Run();
    void Poll();
    void Stop();
    void Reset();

    void TimerTick();
    // Runs TimerTick when the timer is due on the link's clock; true when it did.
    bool Pump();
    int Ticks() const { return ticks_; }

private:
    void Resume(uint16_t mode);

    DebugControl& c_;
    DebugWindowView& window_;
    uint8_t buttons_ = 0;
    int ticks_ = 0;
};

// Where PlaceDebugWindows puts the windows; sizes are outer sizes.
struct PlacedRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool operator==(const PlacedRect&) const = default;
};
struct DebugWindowSizes {
    int debugWidth, debugHeight;
    int registerWidth, registerHeight;
    int watchWidth, watchHeight;
    bool watchEnabled;
    int screenWidth, screenHeight;
};
struct DebugPlacement {
    PlacedRect debug, registers, code, watch; // code is also where the list view goes
};
DebugPlacement PlaceDebugWindows(const DebugWindowSizes& s);

} // namespace pellix
