// The lab bench around a simulated chip: what drives its pins from outside (levels at given
// cycles, clock sources, stimulus files), UARTs on its pins, watches on pin levels and a
// VCD trace of every port pin. Everything happens at simulated cycles, fed from the core's
// one queue of cycle callbacks: nothing here looks at wall time, so the same inputs give
// the same outputs, byte for byte.
//
// Time on the bench is counted in the chip's instruction cycles and runs on across a
// power-on (where the core's own count starts again at 0). A change scheduled for cycle c
// takes effect at the first instruction boundary at or after c.
//
// Attach one bench to a core; it stays attached until it is destroyed. Single-threaded,
// like the core.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "sim/LabPin.h"
#include "sim/LabTime.h"
#include "sim/LabTimer.h"
#include "sim/PinUart.h"
#include "sim/Stimulus.h"
#include "sim/SxCore.h"

namespace pellix {

class VcdWriter;

// The observer comes first: its calls, one per port change, then need no adjustment.
class LabBench final : private SxCore::Observer, private SxCore::CycleCallback {
public:
    explicit LabBench(SxCore& core);
    ~LabBench() override;
    LabBench(const LabBench&) = delete;
    LabBench& operator=(const LabBench&) = delete;

    SxCore& Core() { return core_; }
    const SxCore& Core() const { return core_; }

    // ---- Time ----
    uint64_t Now() const { return epoch_ + core_.Cycles(); }
    uint64_t CyclesPerSecond() const { return core_.Config().CyclesPerSecond(); }
    uint64_t CyclesOf(const LabTime& time) const {
        return pellix::CyclesOf(time, CyclesPerSecond());
    }
    // The time from cycle 0 of the bench to `cycle`, at the chip's frequency now.
    uint64_t PicosecondsAt(uint64_t cycle) const { return PicosecondsOf(cycle, CyclesPerSecond()); }

    // ---- Pins ----
    struct PinView {
        bool exists = false;
        bool output = false;   // the program drives it (port pins)
        bool level = false;    // what the chip reads on it
        bool floating = false; // an input nothing drives and no pull-up holds (reads 0)
        bool pullUp = false;
        PinLevel driven = PinLevel::Floating; // what the bench drives into it
        uint64_t clockMilliHertz = 0;         // a clock on the pin, 0 for none
    };
    bool Exists(const LabPin& pin) const { return LabPinExists(pin, core_.Ports()); }
    PinView Pin(const LabPin& pin) const;
    // '0', '1' or 'z' (a floating input), as a trace shows the pin.
    char PinValue(const LabPin& pin) const;
    // Drives a level into the pin now; Floating lets it go (a port pin then reads its
    // pull-up, RTCC reads 0 and MCLR 1, as a board's pull-up holds it). Stops a clock on
    // the pin. Pins the chip lacks are ignored.
    void Drive(const LabPin& pin, PinLevel level);
    // The same at `cycle` (at once when that has passed).
    void DriveAt(uint64_t cycle, const LabPin& pin, PinLevel level);
    // A square wave from `cycle` on, high first, until StopClock or a level on the pin.
    void StartClock(const LabPin& pin, uint64_t milliHertz, uint64_t cycle);
    void StopClock(const LabPin& pin);

    // ---- Stimulus files ----
    // Adds a stimulus whose times count from `base`; events already past happen at once, in
    // order. False (nothing added) when a pin is not the chip's or a clock is faster than
    // half the cycle rate, with the line in `error`.
    bool LoadStimulus(const Stimulus& stimulus, uint64_t base, StimulusError& error);
    // Plays every loaded stimulus again from `base`: their pending events and clocks are
    // dropped and the pins they drive let go first.
    void RestartStimuli(uint64_t base);
    // Drops every stimulus: its pending events and clocks go, the pins it drives are let go.
    void ClearStimuli();
    size_t StimulusCount() const { return stimuli_.size(); }

    // ---- UARTs ----
    // Attaches a UART (pins checked with ParseUartSettings); the bench owns it. RX idles
    // high from now; the first frame starts GAP bit times from now.
    PinUart& AttachUart(const UartSettings& settings);
    // Detaches one UART (never from inside its own handler), letting go of its RX pin.
    void DetachUart(const PinUart& uart);
    void DetachUarts();
    size_t UartCount() const { return uarts_.size(); }
    PinUart& Uart(size_t i) { return *uarts_[i]; }

    // ---- Watches ----
    // Called whenever the value of a port pin ('0', '1', 'z') changes, with the new value
    // and the cycle. Returns an id for Unwatch.
    using PinWatch = std::function<void(const LabPin& pin, char value, uint64_t cycle)>;
    int WatchPin(const LabPin& pin, PinWatch watch);
    void Unwatch(int id);

    // ---- Edges ----
    // Counts every change of each pin's value from now on, so that a view which looks at
    // the pins now and then can tell a pin that moved between two looks from one that
    // stood still. Off again, the counts go.
    void CountEdges(bool on);
    bool CountingEdges() const { return edges_ != nullptr; }
    // Changes of the pin's value (0, 1, z) since counting began.
    uint64_t Edges(const LabPin& pin) const;

    // ---- Trace ----
    // A VCD of every port pin the chip has (wires RA0 to RE7) from now on, written to
    // `out`, which must outlive the trace. Times in ns when a cycle is a whole number of
    // them, else in ps, at the frequency the chip has now; when the cycle rate changes
    // later (the key's clock, a new configuration) times go on at the new rate, rounded to
    // the trace's unit.
    void StartTrace(std::ostream& out);
    // Ends the trace at the current time and flushes it. False when the stream failed.
    bool StopTrace();
    bool Tracing() const { return trace_ != nullptr; }

    // ---- Scheduling, for the bench's parts ----
    // Calls timer->OnTimer(cycle, tag) once the chip reaches `cycle`. Ties go in the order
    // they were scheduled.
    void Schedule(uint64_t cycle, LabTimer* timer, uint64_t tag);
    // Drops everything scheduled for `timer`.
    void Cancel(LabTimer* timer);

private:
    struct Entry {
        uint64_t cycle;
        uint64_t order;
        LabTimer* timer;
        uint64_t tag;
    };
    struct Clock;
    class DriveTimer;
    class StimulusPlayer;
    struct Watch {
        int id;
        LabPin pin;
        char value;
        PinWatch call;
    };
    struct Trace;
    struct EdgeCounts;

    void OnCycle(SxCore& core) override;
    void OnPortChanged(SxCore& core, int port) override;
    void OnPowerOn(SxCore& core, uint64_t cyclesBefore) override;
    void OnFrequencyChanged(SxCore& core) override;
    void FollowCycleRate();
    void FireDue();
    void Arm();
    void Apply(const LabPin& pin, PinLevel level);
    Clock* AddClock(const LabPin& pin, uint64_t milliHertz, uint64_t cycle);
    void UpdateInterest();
    // Pending stimulus events and clocks dropped, the pins the stimuli drive let go.
    void DropStimulusDrives();
    void TraceChange(int port);

    SxCore& core_;
    uint64_t epoch_ = 0; // bench cycles before the core's last power-on
    std::vector<Entry> heap_;
    uint64_t order_ = 0;
    uint64_t armedAt_ = ~uint64_t{0}; // the core callback's deadline, in bench cycles
    bool firing_ = false;

    // What the bench drives: per port the driven pins and their levels, RTCC and MCLR.
    std::array<uint8_t, SxPorts::kMaxPorts> drivenMask_{};
    std::array<uint8_t, SxPorts::kMaxPorts> drivenLevels_{};
    PinLevel rtcc_ = PinLevel::Floating;
    PinLevel mclr_ = PinLevel::Floating;

    std::unique_ptr<DriveTimer> drives_;
    std::vector<std::unique_ptr<Clock>> clocks_;
    std::vector<Stimulus> stimuli_;
    std::vector<uint64_t> stimulusBases_;
    std::unique_ptr<StimulusPlayer> player_;
    std::vector<std::unique_ptr<PinUart>> uarts_;
    std::vector<Watch> watches_;
    int nextWatch_ = 1;
    std::unique_ptr<Trace> trace_;
    std::unique_ptr<EdgeCounts> edges_;
    uint8_t interest_ = 0; // ports whose changes anything listens to
};

// The stimulus file `name`, whose contents are `text`, parsed and loaded on `bench` with its
// times counted from `base`. False, nothing loaded, with "name:line: what is wrong" in
// `error`. `events`, when given, gets the number of events loaded.
bool LoadStimulusText(LabBench& bench, const std::string& name, std::string_view text,
                      uint64_t base, std::string& error, size_t* events = nullptr);

// "framing error on RA.0 (the stop bit of a frame ending at 1.25 ms was low)", for a frame
// the UART on `tx` decoded with a low stop bit.
std::string FramingErrorText(const LabBench& bench, const LabPin& tx,
                             const PinUart::Received& frame);

} // namespace pellix
