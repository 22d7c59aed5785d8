#include "sim/VirtualChip.h"

namespace pellix {

namespace {

// A part off the line: the trims spread about 4 MHz, trim 4 nearest to it.
constexpr uint32_t kIrcAtTrim0 = 4'600'000;
constexpr uint32_t kIrcPerTrim = 160'000;

bool Take(uint16_t& cell, uint16_t word) {
    cell = uint16_t(cell & word & 0x0FFF);
    return cell == (word & 0x0FFF);
}

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
    runState_ = kRunStateRunning;
    registers_.fill(0);
    kernelRecords_.clear();
}

int VirtualChip::PhysicalWords() const {
    return family_ == 1 ? 4096 : 2048;
}

int VirtualChip::MemoryWords() const {
    if (family_ == 1) return 4096;
    static constexpr int kSizes[4] = {512, 1024, 2048, 2048};
    return kSizes[fusex_ & 3];
}

void VirtualChip::Erase() {
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
    return Take(code_[size_t(address) & size_t(PhysicalWords() - 1)], word);
}

bool VirtualChip::ProgramId(int index, uint16_t word) {
    return Take(id_[size_t(index) & 15], word);
}
bool VirtualChip::ProgramFuse(uint16_t word) {
    return Take(fuse_, word);
}
bool VirtualChip::ProgramFusex(uint16_t word) {
    return Take(fusex_, word);
}

void VirtualChip::LoadCode(int address, uint16_t word) {
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
    runState_ = kRunStateRunning;
}

void VirtualChip::Advance(uint32_t) {}

void VirtualChip::KernelRecord(const std::vector<uint8_t>& bytes) {
    if (kernelRecords_.size() == kKeptKernelRecords) kernelRecords_.erase(kernelRecords_.begin());
    kernelRecords_.push_back(bytes);
}

std::vector<uint8_t> VirtualChip::StateBytes(size_t count) const {
    std::vector<uint8_t> record(24, 0);
    uint16_t pc = uint16_t(MemoryWords() - 1);
    record[0] = family_ == 1 ? 0x1F : 0x0F; // M after reset
    record[2] = uint8_t(pc & 0xFF);
    record[3] = uint8_t(pc >> 8);
    record[11] = 0x18; // TO and PD: a power-on reset
    std::vector<uint8_t> out;
    if (family_ == 1 && count > record.size()) {
        for (size_t i = 0; i < count; ++i)
            out.push_back(registers_[(0x10 + i) & 0xFF]);
        return out;
    }
    out = record;
    while (out.size() < count)
        out.push_back(0); // banked RAM
    out.resize(count);
    return out;
}

} // namespace pellix
