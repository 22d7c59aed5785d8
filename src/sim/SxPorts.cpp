#include "sim/SxPorts.h"

namespace pellix {

void SxPorts::Configure(int family, int ports, uint8_t latchFill) {
    family_ = family;
    count_ = ports < 0 ? 0 : (ports > kMaxPorts ? kMaxPorts : ports);
    for (int p = 0; p < kMaxPorts; ++p) {
        width_[p] = p < count_ ? 0xFF : 0x00;
        driven_[p] = 0;
        drive_[p] = 0;
        pins_[p] = 0;
        floating_[p] = 0;
        lastDirection_[p] = 0;
    }
    if (family_ == 0 && count_ > 0) width_[0] = 0x0F; // RA has four pins
    Reset(true, latchFill);
    changed_ = static_cast<uint8_t>((1u << count_) - 1); // whatever was known is gone
}

// M 0x00 to 0x07 on RB (T1) and RC (T2): the capture register read into W, the compare
// and control registers written from it.
uint8_t SxPorts::TimerWrite(SxTimerRegisters& t, unsigned m, uint8_t w) {
    auto setLow = [w](uint16_t& r) { r = static_cast<uint16_t>((r & 0xFF00) | w); };
    auto setHigh = [w](uint16_t& r) { r = static_cast<uint16_t>((r & 0x00FF) | (w << 8)); };
    switch (m & 0x0F) {
    case 0x00:
        return static_cast<uint8_t>(t.capture & 0xFF);
    case 0x01:
        return static_cast<uint8_t>(t.capture >> 8);
    case 0x02:
        setLow(t.compare2);
        break;
    case 0x03:
        setHigh(t.compare2);
        break;
    case 0x04:
        setLow(t.compare1);
        break;
    case 0x05:
        setHigh(t.compare1);
        break;
    case 0x06:
        t.controlB = w;
        break;
    case 0x07:
        t.controlA = w;
        break;
    default:
        break;
    }
    return w;
}

void SxPorts::Reset(bool powerOn, uint8_t latchFill) {
    for (int p = 0; p < kMaxPorts; ++p) {
        direction_[p] = 0xFF;
        pullUp_[p] = 0xFF;
        level_[p] = 0xFF;
        schmitt_[p] = 0xFF;
        if (powerOn) latch_[p] = latchFill & width_[p];
    }
    wakeEnable_ = 0xFF;
    wakeEdge_ = 0xFF;
    comparator_ = 0xFF;
    if (powerOn) {
        wakePending_ = 0;
        timers_ = {};
    }
    for (int p = 0; p < count_; ++p)
        Update(p);
    // Every wake-up is disabled now, so nothing can have gone pending; the pending bits a
    // wake-up reset leaves are the ones that caused it.
    wakeEvents_ = 0;
}

void SxPorts::WriteLatch(int port, uint8_t value) {
    if (!Exists(port)) return;
    latch_[port] = value & width_[port];
    Update(port);
}

uint8_t SxPorts::ModeWrite(int port, unsigned m, uint8_t w) {
    if (!Exists(port)) return w;
    uint8_t old = w;
    switch (m & 0x0F) {
    case 0x0F:
        direction_[port] = w;
        break;
    case 0x0E:
        pullUp_[port] = w;
        break;
    case 0x0D:
        level_[port] = w;
        break;
    case 0x0C:
        schmitt_[port] = w;
        break;
    case 0x0B:
        if (port == kPortB) wakeEnable_ = w;
        break;
    case 0x0A:
        if (port == kPortB) wakeEdge_ = w;
        break;
    case 0x09:
        if (port == kPortB) {
            old = wakePending_;
            wakePending_ = w;
        }
        break;
    case 0x08:
        if (port == kPortB) {
            old = Config(port, SxPortRegister::Comparator);
            comparator_ = w;
        }
        break;
    default:
        if (family_ == 1 && (port == 1 || port == 2)) return TimerWrite(timers_[port - 1], m, w);
        break;
    }
    Update(port);
    return old;
}

uint8_t SxPorts::Config(int port, SxPortRegister reg) const {
    if (!Exists(port)) return 0;
    switch (reg) {
    case SxPortRegister::Direction:
        return direction_[port];
    case SxPortRegister::PullUp:
        return pullUp_[port];
    case SxPortRegister::Level:
        return level_[port];
    case SxPortRegister::Schmitt:
        return schmitt_[port];
    default:
        break;
    }
    if (port != kPortB) return 0;
    switch (reg) {
    case SxPortRegister::WakeEnable:
        return wakeEnable_;
    case SxPortRegister::WakeEdge:
        return wakeEdge_;
    case SxPortRegister::WakePending:
        return wakePending_;
    case SxPortRegister::Comparator:
        return static_cast<uint8_t>((comparator_ & 0xFE) | (comparatorResult_ ? 1 : 0));
    default:
        return 0;
    }
}

void SxPorts::SetConfig(int port, SxPortRegister reg, uint8_t value) {
    if (!Exists(port)) return;
    switch (reg) {
    case SxPortRegister::Direction:
        direction_[port] = value;
        break;
    case SxPortRegister::PullUp:
        pullUp_[port] = value;
        break;
    case SxPortRegister::Level:
        level_[port] = value;
        break;
    case SxPortRegister::Schmitt:
        schmitt_[port] = value;
        break;
    case SxPortRegister::WakeEnable:
        if (port == kPortB) wakeEnable_ = value;
        break;
    case SxPortRegister::WakeEdge:
        if (port == kPortB) wakeEdge_ = value;
        break;
    case SxPortRegister::WakePending:
        if (port == kPortB) wakePending_ = value;
        break;
    case SxPortRegister::Comparator:
        if (port == kPortB) comparator_ = value;
        break;
    }
    Update(port);
}

void SxPorts::Drive(int port, uint8_t mask, uint8_t levels) {
    if (!Exists(port)) return;
    driven_[port] |= mask;
    drive_[port] = static_cast<uint8_t>((drive_[port] & ~mask) | (levels & mask));
    Update(port);
}

void SxPorts::Release(int port, uint8_t mask) {
    if (!Exists(port)) return;
    driven_[port] &= static_cast<uint8_t>(~mask);
    Update(port);
}

void SxPorts::Update(int port) {
    unsigned dir = direction_[port];
    unsigned pins = (latch_[port] & ~dir) | (dir & driven_[port] & drive_[port]) |
                    (dir & ~driven_[port] & ~pullUp_[port]); // a floating input reads 0
    unsigned floating = dir & ~driven_[port] & pullUp_[port];
    if (port == kPortB) {
        if ((comparator_ & 0x80) == 0) {
            // Digital stand-in for the analog comparator: + is RB2, - is RB1.
            comparatorResult_ = ((pins >> 2) & 1) > ((pins >> 1) & 1);
            if ((comparator_ & 0x40) == 0) {
                pins = (pins & ~1u) | (comparatorResult_ ? 1 : 0);
                floating &= ~1u;
            }
        } else {
            comparatorResult_ = false;
        }
    }
    pins &= width_[port];
    if (port == kPortB) {
        unsigned old = pins_[port];
        unsigned rising = ~old & pins, falling = old & ~pins;
        unsigned seen = ((rising & ~wakeEdge_) | (falling & wakeEdge_)) & ~wakeEnable_ & 0xFF;
        wakePending_ |= static_cast<uint8_t>(seen);
        wakeEvents_ |= static_cast<uint8_t>(seen);
    }
    floating &= width_[port];
    dir &= width_[port];
    if (pins != pins_[port] || floating != floating_[port] || dir != lastDirection_[port])
        changed_ |= static_cast<uint8_t>(1u << port);
    if (edgeCounts_) [[unlikely]] {
        unsigned moved = (pins ^ pins_[port]) | (floating ^ floating_[port]);
        for (uint64_t* count = (*edgeCounts_)[static_cast<std::size_t>(port)].data(); moved;
             moved &= moved - 1)
            ++count[std::countr_zero(moved)];
    }
    pins_[port] = static_cast<uint8_t>(pins);
    floating_[port] = static_cast<uint8_t>(floating);
    lastDirection_[port] = static_cast<uint8_t>(dir);
}

} // namespace pellix
