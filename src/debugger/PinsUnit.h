// The Pins window's model, without windows: every pin of the virtual key's chip, grouped by
// port, as the window shows it (direction, level, what is driven into it, the port's
// pull-up, Schmitt and TTL settings, whether it moved since the last look), and what a
// click on a pin does.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "sim/LabPin.h"

namespace pellix {

class VirtualChip;

struct PinCell {
    LabPin pin;
    std::string name;                     // "RB.0", "RTCC", "MCLR"
    bool output = false;                  // the program drives it
    bool level = false;                   // what the chip reads on it
    bool floating = false;                // an input nothing drives and no pull-up holds
    PinLevel driven = PinLevel::Floating; // what the bench drives into it
    bool clocked = false;                 // a clock source (a stimulus file's) drives it
    bool pullUp = false;                  // port pins: the port's settings for the pin
    bool schmitt = false;
    bool ttl = false;
    bool pulse = false; // a click pulses it
    uint64_t edges = 0; // changes of its value between the last two looks
    bool operator==(const PinCell&) const = default;
};

struct PinGroup {
    std::string name;          // "RA" to "RE", or "Control" for RTCC and MCLR
    std::vector<PinCell> pins; // port pins from bit 7 down to bit 0, as a port's bits are read
};

class PinsModel {
public:
    PinsModel() = default;
    ~PinsModel();
    PinsModel(const PinsModel&) = delete;
    PinsModel& operator=(const PinsModel&) = delete;

    // The chip to show (nullptr: none). Edges are counted on the chip while it is shown.
    void SetChip(VirtualChip* chip);
    VirtualChip* Chip() const { return chip_; }
    // Whether edges are counted: only while the window is seen, so a hidden one costs the
    // chip nothing.
    void SetWatching(bool on);

    // Looks at the chip again; true when anything shown changed (the groups are rebuilt
    // when the chip's set of pins did).
    bool Refresh();
    const std::vector<PinGroup>& Groups() const { return groups_; }
    const PinCell* Cell(const LabPin& pin) const;

    // A click on the pin: an input's drive goes high, low, floating in turn (from floating
    // to high), or a pulse pin is pulsed; at the chip's current simulated time. Nothing on
    // an output, which the program drives; false then, or without a chip.
    bool Click(const LabPin& pin);
    // Drives the pin (a clock on it stops).
    void Drive(const LabPin& pin, PinLevel level);
    // A pulse: the pin driven to the opposite of the level it reads now, for PulseWidth,
    // then back to what was driven before.
    void Pulse(const LabPin& pin);
    void SetPulseOnClick(const LabPin& pin, bool on);
    bool PulseOnClick(const LabPin& pin) const;
    // The pulse's length in microseconds; at least one cycle, at most an hour.
    uint64_t pulseMicroseconds = 10'000;

    // What a click drives next: high, low, floating, high again.
    static PinLevel NextDrive(PinLevel driven);

private:
    void Rebuild();
    void Read(PinCell& cell) const;

    VirtualChip* chip_ = nullptr;
    bool watching_ = false;
    std::vector<PinGroup> groups_;
    std::vector<LabPin> pulsePins_;
    std::vector<uint64_t> lastEdges_; // per cell, in the order of the groups
    std::vector<int> shape_;          // the width of each port the groups were built for
};

} // namespace pellix
