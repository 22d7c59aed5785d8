// The text commands of pellix-cli debug over a DebugControl, one line at a time, with the
// fixed output forms scripts read: the stop line, the register file, the dump and the
// watches. The same commands drive the virtual key and a real one.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>

#include "link/DebugControl.h"

namespace pellix {

class LabConsole;
class VirtualChip;

// The stop line of a chip in state `s`: PC, W, STATUS with its flags spelled, FSR, M, INT,
// SKIP and the instruction at PC as the record has it.
std::string StopLineText(const AssemblyRecord& record, const DebugState& s, int family,
                         int memorySize);

class DebugConsole {
public:
    enum class Result { Ok, Error, Quit };

    DebugConsole(DebugControl& control, std::ostream& out);
    ~DebugConsole();

    // The lab bench's commands (pin, pins, stimulus, uart, vcd, cycles, run TIME) work on
    // this chip: the virtual key's. Without one they say that they need it.
    void AttachLab(VirtualChip* chip);

    // How long run (to a breakpoint) and hop wait for the chip before they give up
    // waiting and leave it as it is.
    uint32_t runLimitMs = 10'000;
    // The most instructions one step command takes.
    uint32_t maxSteps = 1'000'000;
    // "FILE:LINE" of the source line that holds an address, for `where`; empty when the
    // program has none there. Set for the kind of program being debugged.
    std::function<std::string(uint32_t address)> sourcePlace;

    // Starts debugging: restarts the chip and waits for it to stop at the reset vector.
    // False with `error` when it does not.
    bool Begin(std::string& error);
    // One command line. Error leaves the reason in `error`; a link error unwinds as
    // SilentAbort after its message, as everywhere.
    Result Execute(std::string_view line, std::string& error);

    // PC, W, STATUS with its flags spelled, FSR, M, INT, SKIP and the instruction at PC.
    std::string StopLine() const;
    // The register file as the register view lays it out; '*' marks what changed at the
    // last stop.
    std::string RegisterText() const;
    // Sixteen lines "XX: b0 ... b15", then "M=X W=XX PC=XXX INT=n SKIP=n".
    std::string DumpText() const;
    // One line per WATCH: its name, " = " and its value in its format.
    std::string WatchText() const;
    // "FILE:LINE" of the next instruction's source line (the one after a skipped word).
    std::string WhereText() const;
    static std::string HelpText();

private:
    Result ExecuteCommand(std::string_view line, std::string& error);
    bool Stopped(std::string& error) const;
    // After the chip reported it stopped: read it, refresh, print the stop line.
    void Show();
    bool Step(std::string& error);
    Result Hop(std::string& error);
    Result RunCommand(std::string& error);
    Result StopCommand(std::string& error);
    Result Set(std::string_view reg, std::string_view value, std::string& error);
    int LineOf(uint32_t address) const;

    DebugControl& c_;
    std::ostream& out_;
    std::unique_ptr<LabConsole> lab_;
};

} // namespace pellix
