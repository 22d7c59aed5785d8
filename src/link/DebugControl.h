// Debug run control: the session's DebugState (live, shown, previous) and flags, and the
// primitive operations on the chip that the debug window, the views and pellix-cli debug
// combine. The views register themselves and are told when to repaint.
#pragma once

#include <array>
#include <cstdint>
#include <functional>

#include "link/DebugState.h"
#include "link/KeyLink.h"
#include "link/KeyProtocol.h"
#include "target/AssemblyRecord.h"
#include "target/MemoryGeometry.h"

namespace pellix {

// The views of the stopped chip, in the order they are refreshed.
enum class DebugViewRole : uint8_t { Register, Code, Watch, List, Source };
inline constexpr int kDebugViewRoles = 5;

class DebugView {
public:
    virtual ~DebugView() = default;
    virtual bool IsVisible() const = 0;
    // Everything when `all`, else only what changed since it was last drawn.
    virtual void Repaint(bool all) = 0;
    // The register view's memory strip and the code view follow the program counter.
    virtual void ShowAddress(uint32_t programCounter) { (void)programCounter; }
    // The register and code views mark the breakpoint.
    virtual void RepaintBreakpoint(bool all) { (void)all; }
};

inline constexpr uint32_t kApplyLimitMs = 1000;

// A state read into `s` (its breakpoint kept): what the kernel reported, then what the
// kernel leaves to the environment: the reset-vector and memsize - 3 rules, IND, W at 1,
// PCL and the bank bits of FSR.
void LoadKernelState(DebugState& s, const KernelState& k, int family, const MemoryGeometry& g);

class DebugControl {
public:
    DebugControl(KeyLink& link, AssemblyRecord& record);
    DebugControl(const DebugControl&) = delete;
    DebugControl& operator=(const DebugControl&) = delete;

    DebugState live, shown, previous;
    DebugFlags flags;
    // The debug window re-enables its run buttons after a breakpoint or the program
    // counter was set from a view.
    std::function<void()> idleButtons;
    // The breakpoint a session starts with: the program's BREAK address when this is not
    // set (the editor sets one the user chose in its margin; kNoBreakpoint for none).
    std::function<uint32_t()> startBreakpoint;

    // nullptr unregisters the view of that role.
    void SetView(DebugViewRole role, DebugView* view);
    DebugView* View(DebugViewRole role) const { return views_[size_t(role)]; }

    // From the device family and the FUSEX of `assembled`; done by StartDebugging.
    void UpdateGeometry();
    const MemoryGeometry& Geometry() const { return geometry_; }
    int Family() const { return record_.deviceFamily == 1 ? 1 : 0; }
    KeyLink& Link() { return link_; }
    KeyProtocol& Protocol() { return protocol_; }
    AssemblyRecord& Record() { return record_; }

    // The session's start (the debug window opening) and end (its closing).
    void StartDebugging();
    void StopDebugging();

    void RestartChip();
    // True when the chip reports it is stopped in the kernel.
    bool PollChip();
    void ReadDebugState();
    void ResumeChip(uint16_t mode);
    void StopChip();
    void WriteRegister(int address, uint8_t value);
    // Hands the live context to the chip, waits for it to stop again (at most
    // kApplyLimitMs, else "Chip connection failed"), reads it back and refreshes.
    void ApplyChanges();
    void ToggleBreakpoint(int address);
    // The double click: the program counter to `address`, and the breakpoint its first
    // click toggled put back as the last stop showed it.
    void SetProgramCounter(int address);
    // The program counter to `address` with the breakpoint left as it is (a move that no
    // click came before, such as the list view's Alt+click).
    void MoveProgramCounter(int address);
    void RefreshViews();
    void TakeSnapshot();

    // Polls until the chip reports it is stopped, for at most `limitMs` (the time is
    // tested before each poll). False when the time ran out.
    bool WaitForStop(uint32_t limitMs);
    // A code address the views may set a breakpoint or the program counter to: one of
    // the image's written words.
    bool IsCodeAddress(int address) const;

private:
    void ClockOn();

    KeyLink& link_;
    KeyProtocol protocol_;
    AssemblyRecord& record_;
    MemoryGeometry geometry_;
    std::array<DebugView*, kDebugViewRoles> views_{};
};

} // namespace pellix
