#include "sim/VirtualKey.h"

#include <algorithm>

namespace pellix {

namespace {

constexpr char kHello[] = " Pellix";
constexpr size_t kHelloLength = 7;
constexpr char kAnswer[] = "Pellix";
constexpr uint16_t kSeedMask = 0x71A4;

constexpr uint8_t kStatusOk = 0;
constexpr uint8_t kStatusProgrammingFailed = 3;
constexpr uint8_t kStatusCommunicationFailed = 4;

// Far past the ID in either sequence; the pointer stops there however much is sent.
constexpr int kPastTheEnd = 1 << 20;

// Later than or at `due`, on a clock that may wrap.
bool Reached(uint32_t now, uint32_t due) {
    return int32_t(now - due) >= 0;
}

} // namespace

VirtualKey::VirtualKey(int family) : chip_(family) {}

void VirtualKey::LineOpened(uint32_t now) {
    lineOpen_ = true;
    EndSession();
    for (uint8_t b : faults.strayOnOpen)
        Queue(b, now);
}

void VirtualKey::LineClosed(uint32_t) {
    lineOpen_ = false;
    EndSession();
}

void VirtualKey::SetBaud(uint32_t baud) {
    if (baud == baud_) return;
    baud_ = baud;
    EndSession();
}

void VirtualKey::EndSession() {
    stage_ = Stage::Idle;
    matched_ = 0;
    scrambling_ = false;
    args_.clear();
    need_ = 0;
}

bool VirtualKey::Answers() const {
    return !faults.noAnswer && (faults.onlyBaud == 0 || faults.onlyBaud == baud_);
}

void VirtualKey::Receive(const uint8_t* data, size_t count, uint32_t now) {
    // The chip has run up to now when the key acts on a request.
    chip_.Advance(now);
    for (size_t i = 0; i < count; ++i)
        Take(data[i], now);
}

size_t VirtualKey::Transmit(uint8_t* out, size_t max, uint32_t now) {
    size_t n = 0;
    while (n < max && !out_.empty() && Reached(now, out_.front().due)) {
        out[n++] = out_.front().byte;
        out_.pop_front();
    }
    return n;
}

void VirtualKey::Queue(uint8_t raw, uint32_t due) {
    // One wire: nothing overtakes what was queued before it.
    if (anyDue_ && !Reached(due, lastDue_)) due = lastDue_;
    lastDue_ = due;
    anyDue_ = true;
    out_.push_back({raw, due});
}

uint32_t VirtualKey::DueAfter(uint32_t now, uint32_t units) {
    uint32_t start = anyDue_ && !Reached(now, lastDue_) ? lastDue_ : now;
    return start + units * faults.unitMs + faults.latencyMs;
}

void VirtualKey::Step() {
    uint8_t hi = uint8_t(state_ >> 8), lo = uint8_t(state_);
    uint8_t f = uint8_t(((hi >> 7) ^ (lo >> 7) ^ (hi >> 1) ^ (lo >> 1)) & 1);
    uint8_t newHi = uint8_t((hi << 1) | (lo & 1));
    uint8_t newLo = uint8_t((lo >> 1) | (f << 7));
    state_ = uint16_t((newHi << 8) | newLo);
}

// The PC steps and then sends ((b - hi) xor lo); undo that with the same step.
uint8_t VirtualKey::Decode(uint8_t raw) {
    if (!scrambling_) return raw;
    Step();
    return uint8_t((raw ^ uint8_t(state_)) + uint8_t(state_ >> 8));
}

// The PC takes b = lo - (r xor hi) before it steps.
uint8_t VirtualKey::Encode(uint8_t plain) {
    if (!scrambling_) return plain;
    uint8_t raw = uint8_t(uint8_t(uint8_t(state_) - plain) ^ uint8_t(state_ >> 8));
    Step();
    return raw;
}

void VirtualKey::Reply(uint8_t plain, uint32_t due) {
    uint8_t raw = Encode(plain);
    if (faults.replyBytesLeft == 0) return;
    if (faults.replyBytesLeft > 0) --faults.replyBytesLeft;
    if (faults.garbleReplyOn > 0 && --faults.garbleReplyOn == 0) raw ^= 0x5A;
    Queue(raw, due);
}

void VirtualKey::ReplyWord(uint16_t word, uint32_t due) {
    Reply(uint8_t(word & 0xFF), due);
    Reply(uint8_t((word >> 8) & 0x0F), due);
}

uint8_t VirtualKey::NextStatus() {
    if (faults.statusOn > 0 && --faults.statusOn == 0) return faults.statusValue;
    return kStatusOk;
}

void VirtualKey::Take(uint8_t raw, uint32_t now) {
    if (faults.noAnswer) return;
    // The key acts on, and echoes, what arrived.
    if (faults.garbleRequestOn > 0 && --faults.garbleRequestOn == 0) raw ^= 0x5A;
    if (!Answers()) { // the echo comes back, the key makes nothing of the bytes
        Queue(raw, now);
        return;
    }
    if (stage_ == Stage::Idle) {
        Queue(raw, now);
        if (raw == uint8_t(kHello[matched_])) {
            if (++matched_ == kHelloLength) Identify(now);
        } else {
            matched_ = raw == uint8_t(kHello[0]) ? 1 : 0;
        }
        return;
    }
    uint8_t plain = Decode(raw);
    bool end = stage_ == Stage::Command && plain == 0;
    Queue(raw, end ? now + faults.lateEndEchoMs : now);
    if (logRequests) requestLog.push_back(plain);
    if (stage_ == Stage::Command)
        Command(plain, now);
    else
        Argument(plain, now);
}

void VirtualKey::Identify(uint32_t now) {
    matched_ = 0;
    ++sessions_;
    uint32_t due = DueAfter(now, 0);
    for (size_t i = 0; i < 6; ++i) {
        uint8_t b = uint8_t(kAnswer[i]);
        if (faults.wrongIdentByte == int(i) + 1) b ^= 0x20;
        Reply(b, due);
    }
    uint8_t b0, b1;
    if (faults.zeroSeed) {
        b0 = uint8_t(kSeedMask & 0xFF);
        b1 = uint8_t(kSeedMask >> 8);
    } else {
        do {
            seedRandom_ = seedRandom_ * 1103515245u + 12345u;
            b0 = uint8_t(seedRandom_ >> 16);
            b1 = uint8_t(seedRandom_ >> 24);
        } while (((b0 ^ kSeedMask) ^ (b1 << 8)) == 0);
    }
    Reply(b0, due);
    Reply(b1, due);
    state_ = uint16_t((b0 ^ kSeedMask) ^ (b1 << 8));
    scrambling_ = true;
    stage_ = Stage::Command;
    Reply(firmwareVersion, due);
}

void VirtualKey::Command(uint8_t b, uint32_t now) {
    args_.clear();
    switch (b) {
    case 0:
        EndSession();
        break;
    case 1:
        stage_ = Stage::EraseTime;
        need_ = 1;
        break;
    case 2:
    case 3: {
        uint8_t status = NextStatus();
        Reply(status, DueAfter(now, 0));
        if (status == kStatusOk) {
            stage_ = b == 2 ? Stage::ProgramHeader : Stage::ReadCount;
            pointer_ = 0;
        }
        break;
    }
    case 4: {
        uint8_t status = NextStatus();
        if (status == kStatusOk) chip_.Reset();
        Reply(status, DueAfter(now, 0));
        break;
    }
    case 5:
        Reply(chip_.RunState(), DueAfter(now, 0));
        break;
    case 6:
        stage_ = Stage::StateCount;
        break;
    case 7:
        stage_ = Stage::KernelCount;
        break;
    case 8:
        stage_ = Stage::ClockBytes;
        need_ = 3;
        break;
    case 9:
        chip_.ClockOff();
        break;
    default:
        break; // not a command this firmware knows: ignored
    }
}

void VirtualKey::Argument(uint8_t b, uint32_t now) {
    switch (stage_) {
    case Stage::EraseTime: {
        uint8_t status = NextStatus();
        if (status == kStatusOk) chip_.Erase();
        Reply(status, DueAfter(now, b));
        stage_ = Stage::Command;
        break;
    }
    case Stage::ProgramHeader:
        if (b == 0) { // end: the oscillator count and one more byte
            uint32_t due = DueAfter(now, 0);
            ReplyWord(chip_.MeasureIrc(), due);
            Reply(0, due);
            stage_ = Stage::Command;
        } else if ((b & 0x3F) == 0 || (b & 0x80) != 0) {
            Reply(kStatusCommunicationFailed, DueAfter(now, 0));
        } else {
            header_ = b;
            stage_ = Stage::ProgramPulse;
        }
        break;
    case Stage::ProgramPulse:
        pulse_ = b;
        need_ = size_t(header_ & 0x3F) * 2;
        args_.clear();
        stage_ = Stage::ProgramWords;
        break;
    case Stage::ProgramWords: {
        args_.push_back(b);
        if (args_.size() < need_) break;
        uint32_t words = header_ & 0x3F;
        uint32_t adaptive = (header_ >> 6) & 1;
        uint8_t status = NextStatus();
        if (status == kStatusOk) {
            bool ok = true;
            for (size_t i = 0; i + 1 < args_.size(); i += 2)
                ok = ProgramNext(uint16_t(args_[i] | ((args_[i + 1] & 0x0F) << 8))) && ok;
            if (!ok) status = kStatusProgrammingFailed;
        }
        Reply(status, DueAfter(now, pulse_ * words * (1 + 255 * adaptive)));
        args_.clear();
        stage_ = Stage::ProgramHeader;
        break;
    }
    case Stage::ReadCount: {
        uint32_t due = DueAfter(now, 0);
        if (b == 0) {
            ReplyWord(0, due);
            Reply(0, due);
            stage_ = Stage::Command;
            break;
        }
        uint8_t status = NextStatus();
        for (int i = 0; i < b; ++i)
            ReplyWord(ReadNext(), due);
        Reply(status, due);
        break;
    }
    case Stage::StateCount: {
        uint32_t due = DueAfter(now, 0);
        for (uint8_t v : chip_.StateBytes(b))
            Reply(v, due);
        stage_ = Stage::Command;
        break;
    }
    case Stage::KernelCount:
        if (b == 0) {
            chip_.KernelRecord({});
            stage_ = Stage::Command;
        } else {
            need_ = b;
            stage_ = Stage::KernelBytes;
        }
        break;
    case Stage::KernelBytes:
        args_.push_back(b);
        if (args_.size() < need_) break;
        chip_.KernelRecord(args_);
        args_.clear();
        stage_ = Stage::Command;
        break;
    case Stage::ClockBytes: {
        args_.push_back(b);
        if (args_.size() < need_) break;
        uint8_t status = NextStatus();
        if (status == kStatusOk)
            chip_.ClockOn(uint32_t(args_[0]) | uint32_t(args_[1]) << 8 | uint32_t(args_[2]) << 16);
        Reply(status, DueAfter(now, 0));
        args_.clear();
        stage_ = Stage::Command;
        break;
    }
    case Stage::Idle:
    case Stage::Command:
        break;
    }
}

// The programming sequence: FUSEX, FUSE, the usable code from address 0, the ID. Words past
// the ID have nowhere to go and are ignored.
bool VirtualKey::ProgramNext(uint16_t word) {
    int i = pointer_;
    if (pointer_ < kPastTheEnd) ++pointer_;
    if (i == 0) return chip_.ProgramFusex(word);
    if (i == 1) return chip_.ProgramFuse(word);
    i -= 2;
    if (i < chip_.MemoryWords()) return chip_.ProgramCode(i, word);
    i -= chip_.MemoryWords();
    if (i < 16) return chip_.ProgramId(i, word);
    return true;
}

// The read sequence: device code, FUSEX, FUSE, the usable code, the ID; then blank words.
uint16_t VirtualKey::ReadNext() {
    int i = pointer_;
    if (pointer_ < kPastTheEnd) ++pointer_;
    if (i == 0) return chip_.DeviceCode();
    if (i == 1) return chip_.Fusex();
    if (i == 2) return chip_.Fuse();
    i -= 3;
    if (i < chip_.MemoryWords()) return chip_.Code(i);
    i -= chip_.MemoryWords();
    if (i < 16) return chip_.Id(i);
    return 0x0FFF;
}

} // namespace pellix
