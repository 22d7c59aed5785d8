// The I/O ports of the simulated chip: latches, the configuration registers that
// MOV !port,W reaches through M, pins driven from outside, and the port B wake-up and
// comparator logic. Pins are digital: a level is 0 or 1.
#pragma once

#include <array>
#include <bit>
#include <cstdint>

namespace pellix {

// Port configuration registers by the M value that selects them.
enum class SxPortRegister : uint8_t {
    Comparator = 0x08,  // port B: bit 7 enable (0 = on), bit 6 output on RB0 (0 = on), bit 0 result
    WakePending = 0x09, // port B: edges seen on enabled pins
    WakeEdge = 0x0A,    // port B: 0 rising, 1 falling
    WakeEnable = 0x0B,  // port B: 0 enables wake-up and interrupt for the pin
    Schmitt = 0x0C,     // 0 = Schmitt-trigger input
    Level = 0x0D,       // 0 = CMOS, 1 = TTL threshold
    PullUp = 0x0E,      // 0 = pull-up on
    Direction = 0x0F,   // 0 = output, 1 = input
};

// The registers of one SX48/52 multi-function timer as the program wrote them. Only the
// registers are kept: the timers do not count (docs/simulator.md).
struct SxTimerRegisters {
    uint16_t capture = 0;  // read with M 0x00 (low) and 0x01 (high)
    uint16_t compare2 = 0; // written with M 0x02 (low) and 0x03 (high)
    uint16_t compare1 = 0; // written with M 0x04 (low) and 0x05 (high)
    uint8_t controlB = 0;  // written with M 0x06
    uint8_t controlA = 0;  // written with M 0x07
};

class SxPorts {
public:
    static constexpr int kMaxPorts = 5; // RA to RE
    static constexpr int kPortB = 1;

    void Configure(int family, int ports, uint8_t latchFill);
    // Configuration registers to their reset values; a power-on also sets the latches.
    void Reset(bool powerOn, uint8_t latchFill);

    int Count() const { return count_; }
    bool Exists(int port) const { return port >= 0 && port < count_; }
    // Pins the port has (RA has four on family 0).
    uint8_t Width(int port) const { return Exists(port) ? width_[port] : 0; }

    // What an instruction reading the port register sees: the pin levels.
    uint8_t Read(int port) const { return Exists(port) ? pins_[port] : 0; }
    uint8_t Latch(int port) const { return Exists(port) ? latch_[port] : 0; }
    void WriteLatch(int port, uint8_t value);

    // MOV !port,W with the selector m (low four bits used). Returns the new W: exchanges
    // give the old register, everything else leaves W as it was.
    uint8_t ModeWrite(int port, unsigned m, uint8_t w);

    uint8_t Config(int port, SxPortRegister reg) const;
    // Sets a configuration register as the debugger would, without exchange semantics.
    void SetConfig(int port, SxPortRegister reg, uint8_t value);

    // Pins driven from outside: `mask` selects them, `levels` gives their levels. A pin that
    // is an output shows the chip's latch whatever drives it.
    void Drive(int port, uint8_t mask, uint8_t levels);
    void Release(int port, uint8_t mask);
    uint8_t Driven(int port) const { return Exists(port) ? driven_[port] : 0; }
    // The levels the outside drives, meaningful where Driven() has the bit.
    uint8_t DriveLevels(int port) const { return Exists(port) ? drive_[port] : 0; }
    // Inputs that nothing drives and no pull-up holds: they read 0, but a trace shows them
    // as floating.
    uint8_t Floating(int port) const { return Exists(port) ? floating_[port] : 0; }

    // Ports whose pin levels, directions or floating pins changed since the last call
    // (bit n for port n).
    uint8_t TakeChanged() {
        uint8_t c = changed_;
        changed_ = 0;
        return c;
    }

    // Port B pins that went pending since the last call (edges on enabled pins).
    uint8_t TakeWakeEvents() {
        uint8_t e = wakeEvents_;
        wakeEvents_ = 0;
        return e;
    }
    bool HasWakeEvents() const { return wakeEvents_ != 0; }
    // Pending bits on pins whose wake-up is enabled.
    uint8_t EnabledPending() const {
        return static_cast<uint8_t>(wakePending_ & ~wakeEnable_ & width_[kPortB]);
    }
    bool ComparatorResult() const { return comparatorResult_; }
    // T1 (0, reached through RB) and T2 (1, through RC) of the SX48/52.
    const SxTimerRegisters& Timer(int timer) const { return timers_[timer & 1]; }

    // Counts of each pin's value changes (level or floating), per port and bit.
    using EdgeCounts = std::array<std::array<uint64_t, 8>, 5>;
    // From now on every change of a pin's value adds one to its count in `counts` (nullptr:
    // no counting). Counted here, where the change is seen, as a view that counts them
    // must cost a freely running chip next to nothing.
    void CountEdges(EdgeCounts* counts) { edgeCounts_ = counts; }

private:
    void Update(int port);
    uint8_t TimerWrite(SxTimerRegisters& timer, unsigned m, uint8_t w);

    int count_ = 0;
    int family_ = 0;
    std::array<uint8_t, kMaxPorts> width_{};
    std::array<uint8_t, kMaxPorts> latch_{};
    std::array<uint8_t, kMaxPorts> direction_{};
    std::array<uint8_t, kMaxPorts> pullUp_{};
    std::array<uint8_t, kMaxPorts> level_{};
    std::array<uint8_t, kMaxPorts> schmitt_{};
    std::array<uint8_t, kMaxPorts> driven_{};
    std::array<uint8_t, kMaxPorts> drive_{};
    std::array<uint8_t, kMaxPorts> pins_{};
    std::array<uint8_t, kMaxPorts> floating_{};
    std::array<uint8_t, kMaxPorts> lastDirection_{}; // as the last Update saw it
    uint8_t changed_ = 0;
    uint8_t wakeEnable_ = 0xFF;
    uint8_t wakeEdge_ = 0xFF;
    uint8_t wakePending_ = 0;
    uint8_t wakeEvents_ = 0;
    uint8_t comparator_ = 0xC0;
    bool comparatorResult_ = false;
    std::array<SxTimerRegisters, 2> timers_{};
    EdgeCounts* edgeCounts_ = nullptr;
};

} // namespace pellix
