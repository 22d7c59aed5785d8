#include "link/KeyProtocol.h"

#include <algorithm>
#include <stdexcept>
#include <string>
#include <vector>

namespace pellix {

std::array<uint8_t, kResumeRecordBytes> BuildResumeRecord(const ResumeContext& c) {
    bool atResetVector = c.programCounter == uint16_t(c.memorySize - 1);
    uint8_t pcLow = uint8_t(c.programCounter & 0xFF);
    if (atResetVector) pcLow = uint8_t(pcLow - 2);
    uint8_t status = uint8_t((c.status & 0xE7) + 16 * (c.intFlag & 1));
    if (!atResetVector) status = uint8_t(status + 8 * (c.skipFlag & 1));
    return {4,   c.w,
            0,   uint8_t(c.programCounter >> 8),
            8,   pcLow,
            16,  status,
            32,  c.fsr,
            0,   c.reg0E,
            0,   c.reg0F,
            0,   uint8_t(c.runMode & 0xFF),
            0,   uint8_t(c.runMode >> 8),
            0,   0xF7,
            0,   uint8_t(c.breakpoint >> 8),
            64,  uint8_t(c.breakpoint & 0xFF),
            0,   c.m,
            128, c.reg0D};
}

namespace {

std::string Hex3(size_t value) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    return {kDigits[(value >> 8) & 0xF], kDigits[(value >> 4) & 0xF], kDigits[value & 0xF]};
}

// "words 020-03F": a block's place among the words of one call.
std::string WordsText(size_t at, size_t count) {
    return "words " + Hex3(at) + "-" + Hex3(at + count - 1);
}

std::string RunModeText(uint16_t mode) {
    switch (mode) {
    case RunModeStep:
        return "step";
    case RunModeToBreak:
        return "run to the breakpoint";
    case RunModeFree:
        return "run";
    case RunModeRestart:
        return "restart";
    case RunModeApply:
        return "apply and stop";
    default:
        return "run mode " + std::to_string(mode);
    }
}

} // namespace

int BankedRegister(int banks, int j) {
    return ((8 - banks + j / 16) * 32) + 16 + (j % 16);
}

void KeyProtocol::Send(std::initializer_list<uint8_t> bytes) {
    for (uint8_t b : bytes)
        link_.QueueByte(b);
    link_.FlushOutput();
}

void KeyProtocol::ReadStatusWithin(uint32_t timeout) {
    link_.receiveTimeout = timeout;
    link_.ReadStatus();
    link_.receiveTimeout = kDefaultReceiveTimeout;
}

void KeyProtocol::ReadPendingStatus() {
    if (!statusPending_) return;
    statusPending_ = false;
    ReadStatusWithin(pendingTimeout_);
}

void KeyProtocol::Erase(uint8_t units) {
    link_.Step("erase for " + std::to_string(units) + " units");
    Send({kCommandErase, units});
    ReadStatusWithin(uint32_t(units) + kDefaultReceiveTimeout);
}

void KeyProtocol::EraseFor(int totalUnits) {
    while (totalUnits > 0) {
        int units = std::min(totalUnits, kMaxEraseUnits);
        Erase(uint8_t(units));
        totalUnits -= units;
    }
}

void KeyProtocol::ProgramStart() {
    link_.Step("programming");
    statusPending_ = false;
    Send({kCommandProgram});
    link_.ReadStatus();
}

void KeyProtocol::ProgramBlock(std::span<const uint16_t> words, uint8_t pulseTime, bool adaptive,
                               std::string_view what) {
    // A header of 0 would be the end header, and a longer block does not fit its header.
    if (words.empty() || words.size() > size_t(kMaxProgramBlockWords))
        throw std::invalid_argument("a programming block holds 1 to 32 words");
    ReadPendingStatus();
    size_t k = words.size();
    if (link_.Stepping())
        link_.Step("program block of " + std::to_string(k) + (k == 1 ? " word" : " words") +
                   (what.empty() ? std::string() : " (" + std::string(what) + ")") +
                   ", pulse time " + std::to_string(pulseTime) + (adaptive ? ", adaptive" : ""));
    link_.QueueByte(uint8_t(k | (adaptive ? 64 : 0)));
    link_.QueueByte(pulseTime);
    for (size_t i = 0; i < k; ++i)
        link_.QueueWord12(words[i]);
    link_.FlushOutput();
    statusPending_ = true;
    pendingTimeout_ =
        uint32_t(pulseTime) * uint32_t(k) * (adaptive ? 256 : 1) + kDefaultReceiveTimeout;
}

uint16_t KeyProtocol::ProgramEnd() {
    ReadPendingStatus();
    Send({0});
    uint16_t count = link_.ReadWord12();
    link_.ReadByte();
    if (link_.Stepping()) link_.Step("programming end, oscillator count " + std::to_string(count));
    return count;
}

void KeyProtocol::ProgramWords(std::span<const uint16_t> words, uint8_t pulseTime, int blockWords,
                               const std::function<void(int)>& afterBlock) {
    size_t block = size_t(std::clamp(blockWords, 1, kMaxProgramBlockWords));
    for (size_t at = 0; at < words.size(); at += block) {
        size_t k = std::min(block, words.size() - at);
        ProgramBlock(words.subspan(at, k), pulseTime, false,
                     link_.Stepping() ? WordsText(at, k) : std::string());
        if (afterBlock) afterBlock(int(std::min(at + block, words.size())));
    }
}

uint16_t KeyProtocol::MeasureOscillator(uint16_t fusex) {
    ProgramStart();
    uint16_t word = fusex;
    ProgramBlock({&word, 1}, kConfigPulseTime, false,
                 link_.Stepping() ? "oscillator measurement, FUSEX " + Hex3(fusex) : std::string());
    return ProgramEnd();
}

void KeyProtocol::ReadStart() {
    link_.Step("reading");
    statusPending_ = false;
    Send({kCommandRead});
    link_.ReadStatus();
}

void KeyProtocol::ReadBlock(std::span<uint16_t> words, std::string_view what) {
    if (words.empty() || words.size() > size_t(kMaxReadBlockWords))
        throw std::invalid_argument("a read request asks for 1 to 128 words");
    ReadPendingStatus();
    size_t n = words.size();
    if (link_.Stepping())
        link_.Step("read block of " + std::to_string(n) + (n == 1 ? " word" : " words") +
                   (what.empty() ? std::string() : " (" + std::string(what) + ")"));
    Send({uint8_t(n)});
    for (size_t i = 0; i < n; ++i)
        words[i] = link_.ReadWord12();
    statusPending_ = true;
    pendingTimeout_ = kDefaultReceiveTimeout;
}

void KeyProtocol::ReadEnd() {
    ReadPendingStatus();
    Send({0});
    link_.ReadWord12();
    link_.ReadByte();
}

void KeyProtocol::ReadWords(std::span<uint16_t> words, int blockWords,
                            const std::function<void(int)>& afterBlock) {
    size_t block = size_t(std::clamp(blockWords, 1, kMaxReadBlockWords));
    for (size_t at = 0; at < words.size(); at += block) {
        size_t n = std::min(block, words.size() - at);
        ReadBlock(words.subspan(at, n), link_.Stepping() ? WordsText(at, n) : std::string());
        if (afterBlock) afterBlock(int(std::min(at + block, words.size())));
    }
}

void KeyProtocol::Reset() {
    link_.Step("reset the chip");
    Send({kCommandReset});
    link_.ReadStatus();
}

uint8_t KeyProtocol::Poll() {
    Send({kCommandPoll});
    return link_.ReadByte();
}

void KeyProtocol::ReadStateBytes(std::span<uint8_t> out) {
    if (out.size() > 255) throw std::invalid_argument("a state request asks for 255 bytes at most");
    size_t n = out.size();
    Send({kCommandDebugState, uint8_t(n)});
    for (size_t i = 0; i < n; ++i)
        out[i] = link_.ReadByte();
}

KernelState DecodeKernelState(int family, int banks, int memorySize,
                              std::span<const uint8_t> record, std::span<const uint8_t> high) {
    KernelState s;
    auto at = [&](size_t i) -> uint8_t { return i < record.size() ? record[i] : 0; };
    s.m = uint8_t(at(0) & (family == 1 ? 0x1F : 0x0F));
    s.wAtOne = (at(0) & 0x80) != 0;
    s.w = at(1);
    s.programCounter = uint16_t((at(2) | (at(3) << 8)) & (memorySize - 1));
    s.intFlag = (at(4) >> 4) & 1;
    s.skipFlag = (at(4) >> 3) & 1;
    s.registers[0x03] = uint8_t((at(4) & 0xE7) | (at(11) & 0x18));
    s.registers[0x04] = at(5);
    s.registers[0x0D] = at(6);
    s.registers[0x0E] = at(7);
    s.registers[0x0F] = at(8);
    s.registers[0x01] = at(9);
    for (size_t i = 0; i < 8; ++i)
        s.registers[0x05 + i] = at(13 + i);
    if (family == 1) {
        for (size_t i = 0; i < high.size() && i < size_t(kFamily1RegisterBytes); ++i)
            s.registers[0x10 + i] = high[i];
    } else {
        banks = std::clamp(banks, 1, 8);
        for (int j = 0; j < 16 * banks; ++j)
            s.registers[size_t(BankedRegister(banks, j))] = at(size_t(kStateRecordBytes + j));
    }
    return s;
}

int StateRequestBytes(int family, int banks) {
    return family == 1 ? kStateRecordBytes : kStateRecordBytes + 16 * std::clamp(banks, 1, 8);
}

KernelState KeyProtocol::ReadState(int family, int banks, int memorySize) {
    link_.Step("read the chip's state");
    std::vector<uint8_t> record(size_t(StateRequestBytes(family, banks)));
    ReadStateBytes(record);
    std::vector<uint8_t> high;
    if (family == 1) {
        high.resize(kFamily1RegisterBytes);
        ReadStateBytes(high);
    }
    return DecodeKernelState(family, banks, memorySize, record, high);
}

void KeyProtocol::KernelRecord(std::span<const uint8_t> bytes) {
    if (bytes.size() > 255) throw std::invalid_argument("a kernel record holds 255 bytes at most");
    size_t n = bytes.size();
    link_.QueueByte(kCommandKernel);
    link_.QueueByte(uint8_t(n));
    for (size_t i = 0; i < n; ++i)
        link_.QueueByte(bytes[i]);
    link_.FlushOutput();
}

void KeyProtocol::RegisterWrite(uint8_t address, uint8_t value) {
    if (link_.Stepping())
        link_.Step("register write: " + Hex3(address).substr(1) + " = " + Hex3(value).substr(1));
    const uint8_t record[] = {1, address, 2, value};
    KernelRecord(record);
}

void KeyProtocol::StopRequest(int family) {
    link_.Step("stop request");
    const uint8_t record[] = {0, 0};
    KernelRecord({record, family == 1 ? 2u : 1u});
}

void KeyProtocol::Resume(const ResumeContext& context) {
    if (link_.Stepping())
        link_.Step("resume: " + RunModeText(context.runMode) + " at " +
                   Hex3(context.programCounter) +
                   (context.breakpoint < 0x1000 ? ", breakpoint " + Hex3(context.breakpoint)
                                                : std::string()));
    auto record = BuildResumeRecord(context);
    KernelRecord(record);
}

void KeyProtocol::ClockOn(uint32_t synthWord) {
    if (link_.Stepping()) {
        std::string word = Hex3(synthWord >> 12) + Hex3(synthWord);
        link_.Step("clock on, synthesizer word " + word);
    }
    Send({kCommandClockOn, uint8_t(synthWord), uint8_t(synthWord >> 8), uint8_t(synthWord >> 16)});
    link_.ReadStatus();
}

void KeyProtocol::ClockOff() {
    link_.Step("clock off");
    Send({kCommandClockOff});
}

void KeyProtocol::End() {
    Send({kCommandEnd});
}

} // namespace pellix
