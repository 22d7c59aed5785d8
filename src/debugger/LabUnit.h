// The debug window's share of the virtual lab, without windows: stimulus files loaded for
// the session, a VCD trace to a file the user chose, and the simulated time and cycles
// since the key's last reset for the status line.
#pragma once

#include <cstdint>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "debugger/DebugUnit.h"

namespace pellix {

class VirtualChip;

class LabSession {
public:
    LabSession() = default;
    ~LabSession();
    LabSession(const LabSession&) = delete;
    LabSession& operator=(const LabSession&) = delete;

    // The session's chip (nullptr: none). A session's stimuli go with it and its trace
    // ends (its error, if writing failed, is returned).
    std::string SetChip(VirtualChip* chip);
    VirtualChip* Chip() const { return chip_; }

    // Loads a stimulus file; its times count from the key's last reset, and it plays again
    // at each Reset. Empty on success, else what is wrong ("file:line: message"); a refused
    // file changes nothing.
    std::string LoadStimulus(const std::string& path);
    const std::vector<std::string>& StimulusFiles() const { return stimulusFiles_; }
    // Lets go of every stimulus file (the pins they drove are let go).
    void ClearStimuli();

    // A trace of every pin from now on into `path` (a running one ends first). Empty on
    // success, else why not.
    std::string StartTrace(const std::string& path);
    // Ends the trace; empty when it was written whole, else the error.
    std::string StopTrace();
    bool Tracing() const { return trace_ != nullptr; }
    const std::string& TraceFile() const { return traceName_; }

    // Since the key's last reset, for the status line: "12.346 ms  617 284 cycles".
    uint64_t CyclesSinceReset() const;
    std::string TimeText() const;

private:
    VirtualChip* chip_ = nullptr;
    std::vector<std::string> stimulusFiles_;
    std::unique_ptr<std::ofstream> trace_;
    std::string traceName_;
};

// Where the debug windows are (outer rects, on the screen's coordinates); `watch` has no
// width when the watch window is not shown.
struct LabLayout {
    PlacedRect screen, registers, debug, watch;
};
// Where the lab windows go, given their outer sizes (the rects' width and height): in a
// column right of the debug and watch windows, one under the other; where that leaves the
// screen, under those two windows; else at the screen's right edge under the register
// view. Never over the register view, and on the screen wherever it fits.
std::vector<PlacedRect> PlaceLabWindows(const LabLayout& layout,
                                        const std::vector<PlacedRect>& sizes);

// A duration to three decimals in the largest unit that gives at least 1 ("0.000 us" for
// none): s, ms, us.
std::string FormatDuration(uint64_t picoseconds);
// "617 284": thin groups of three for long counts.
std::string FormatCount(uint64_t count);

} // namespace pellix
