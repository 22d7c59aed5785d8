#include "debugger/PinsUnit.h"

#include <algorithm>

#include "sim/VirtualChip.h"

namespace pellix {

namespace {

constexpr const char* kPortNames[] = {"RA", "RB", "RC", "RD", "RE"};

std::vector<int> ShapeOf(const SxPorts& ports) {
    std::vector<int> shape;
    for (int p = 0; p < SxPorts::kMaxPorts; ++p) {
        int width = 0;
        for (int bit = 0; bit < 8; ++bit)
            if (LabPinExists(LabPin::PortPin(p, bit), ports)) width = bit + 1;
        shape.push_back(width);
    }
    return shape;
}

PinCell CellOf(const LabPin& pin) {
    PinCell c;
    c.pin = pin;
    c.name = LabPinName(pin);
    return c;
}

} // namespace

PinsModel::~PinsModel() {
    SetChip(nullptr);
}

void PinsModel::SetChip(VirtualChip* chip) {
    if (chip == chip_) return;
    if (chip_ && watching_) chip_->Lab().CountEdges(false);
    chip_ = chip;
    if (chip_ && watching_) chip_->Lab().CountEdges(true);
    shape_.clear();
    Refresh();
}

void PinsModel::SetWatching(bool on) {
    if (on == watching_) return;
    watching_ = on;
    if (!chip_) return;
    chip_->Lab().CountEdges(on);
    std::fill(lastEdges_.begin(), lastEdges_.end(), 0);
}

PinLevel PinsModel::NextDrive(PinLevel driven) {
    switch (driven) {
    case PinLevel::Floating:
        return PinLevel::High;
    case PinLevel::High:
        return PinLevel::Low;
    case PinLevel::Low:
        break;
    }
    return PinLevel::Floating;
}

void PinsModel::Rebuild() {
    groups_.clear();
    lastEdges_.clear();
    if (!chip_) return;
    const SxPorts& ports = chip_->Core().Ports();
    shape_ = ShapeOf(ports);
    for (int p = 0; p < SxPorts::kMaxPorts; ++p) {
        if (shape_[size_t(p)] == 0) continue;
        PinGroup g{kPortNames[p], {}};
        for (int bit = shape_[size_t(p)] - 1; bit >= 0; --bit)
            g.pins.push_back(CellOf(LabPin::PortPin(p, bit)));
        groups_.push_back(std::move(g));
    }
    groups_.push_back(
        {"Control", {CellOf({LabPin::Kind::Rtcc, 0, 0}), CellOf({LabPin::Kind::Mclr, 0, 0})}});
    for (PinGroup& g : groups_)
        for (PinCell& c : g.pins)
            lastEdges_.push_back(chip_->Lab().Edges(c.pin));
}

void PinsModel::Read(PinCell& c) const {
    const LabBench& lab = chip_->Lab();
    const LabBench::PinView v = lab.Pin(c.pin);
    c.output = v.output;
    c.level = v.level;
    c.floating = v.floating;
    c.driven = v.driven;
    c.clocked = v.clockMilliHertz != 0;
    c.pulse = PulseOnClick(c.pin);
    if (c.pin.IsPort()) {
        const SxPorts& ports = chip_->Core().Ports();
        const uint8_t m = c.pin.Mask();
        c.pullUp = v.pullUp;
        c.schmitt = !(ports.Config(c.pin.port, SxPortRegister::Schmitt) & m);
        c.ttl = ports.Config(c.pin.port, SxPortRegister::Level) & m;
    }
}

bool PinsModel::Refresh() {
    if (!chip_) {
        const bool had = !groups_.empty();
        groups_.clear();
        lastEdges_.clear();
        shape_.clear();
        return had;
    }
    bool changed = false;
    if (shape_ != ShapeOf(chip_->Core().Ports())) {
        Rebuild();
        changed = true;
    }
    size_t i = 0;
    for (PinGroup& g : groups_)
        for (PinCell& c : g.pins) {
            PinCell now = c;
            Read(now);
            const uint64_t edges = chip_->Lab().Edges(c.pin);
            now.edges = edges - std::min(edges, lastEdges_[i]);
            lastEdges_[i++] = edges;
            if (!(now == c)) {
                c = now;
                changed = true;
            }
        }
    return changed;
}

const PinCell* PinsModel::Cell(const LabPin& pin) const {
    for (const PinGroup& g : groups_)
        for (const PinCell& c : g.pins)
            if (c.pin == pin) return &c;
    return nullptr;
}

bool PinsModel::Click(const LabPin& pin) {
    if (!chip_ || !chip_->Lab().Exists(pin)) return false;
    const LabBench::PinView v = chip_->Lab().Pin(pin);
    if (v.output) return false;
    if (PulseOnClick(pin))
        Pulse(pin);
    else
        Drive(pin, NextDrive(v.clockMilliHertz ? PinLevel::Floating : v.driven));
    return true;
}

void PinsModel::Drive(const LabPin& pin, PinLevel level) {
    if (!chip_) return;
    chip_->Lab().Drive(pin, level);
}

void PinsModel::Pulse(const LabPin& pin) {
    if (!chip_) return;
    LabBench& lab = chip_->Lab();
    const LabBench::PinView v = lab.Pin(pin);
    const PinLevel back = v.clockMilliHertz ? PinLevel::Floating : v.driven;
    // At most an hour: the product stays well inside 64 bits at any clock the key has.
    const uint64_t us = std::min<uint64_t>(pulseMicroseconds, 3'600'000'000);
    const uint64_t cycles = std::max<uint64_t>(1, us * lab.CyclesPerSecond() / 1'000'000);
    lab.Drive(pin, v.level ? PinLevel::Low : PinLevel::High);
    lab.DriveAt(lab.Now() + cycles, pin, back);
}

void PinsModel::SetPulseOnClick(const LabPin& pin, bool on) {
    std::erase(pulsePins_, pin);
    if (on) pulsePins_.push_back(pin);
}

bool PinsModel::PulseOnClick(const LabPin& pin) const {
    return std::find(pulsePins_.begin(), pulsePins_.end(), pin) != pulsePins_.end();
}

} // namespace pellix
