#include "sim/LabBench.h"

#include <algorithm>
#include <bit>
#include <map>

#include "sim/VcdWriter.h"

namespace pellix {

namespace {

using u128 = unsigned __int128;
constexpr uint64_t kNever = ~uint64_t{0};

} // namespace

// ---- Parts of the bench ----

// A square wave on one pin: edge k at start + k half periods, high after the even ones.
struct LabBench::Clock final : LabTimer {
    Clock(LabBench& b, const LabPin& p, uint64_t mhz, uint64_t at)
        : bench(b), pin(p), milliHertz(mhz), start(at) {}
    uint64_t EdgeCycle(uint64_t k) const {
        u128 halfPeriods = u128{k} * bench.CyclesPerSecond() * 1000;
        return start + static_cast<uint64_t>(halfPeriods / (u128{2} * milliHertz));
    }
    void OnTimer(uint64_t, uint64_t k) override {
        bench.Apply(pin, k % 2 == 0 ? PinLevel::High : PinLevel::Low);
        bench.Schedule(EdgeCycle(k + 1), this, k + 1);
    }
    // Takes up the wave at `now`: the level of the last edge so far, the next edge scheduled.
    void Begin(uint64_t now) {
        if (start > now) {
            bench.Schedule(start, this, 0);
            return;
        }
        u128 guess = u128{now - start} * 2 * milliHertz / (u128{bench.CyclesPerSecond()} * 1000);
        uint64_t k = static_cast<uint64_t>(guess);
        while (k > 0 && EdgeCycle(k) > now)
            --k;
        while (EdgeCycle(k + 1) <= now)
            ++k;
        OnTimer(now, k);
    }

    LabBench& bench;
    LabPin pin;
    uint64_t milliHertz;
    uint64_t start;
    bool fromStimulus = false;
};

// Levels scheduled with DriveAt.
class LabBench::DriveTimer final : public LabTimer {
public:
    explicit DriveTimer(LabBench& b) : bench_(b) {}
    void Add(uint64_t cycle, const LabPin& pin, PinLevel level) {
        uint64_t tag = next_++;
        pending_[tag] = {pin, level};
        bench_.Schedule(cycle, this, tag);
    }
    void OnTimer(uint64_t, uint64_t tag) override {
        auto it = pending_.find(tag);
        if (it == pending_.end()) return;
        auto [pin, level] = it->second;
        pending_.erase(it);
        bench_.Drive(pin, level);
    }

private:
    LabBench& bench_;
    uint64_t next_ = 0;
    std::map<uint64_t, std::pair<LabPin, PinLevel>> pending_;
};

// The events of every loaded stimulus in time order, played as the chip reaches them.
class LabBench::StimulusPlayer final : public LabTimer {
public:
    explicit StimulusPlayer(LabBench& b) : bench_(b) {}

    void Add(const Stimulus& s, uint64_t base) {
        items_.erase(items_.begin(), items_.begin() + long(next_));
        next_ = 0;
        for (const StimulusEvent& e : s.events)
            items_.push_back({base + bench_.CyclesOf(e.at), order_++, e});
        std::stable_sort(items_.begin(), items_.end(), [](const Item& a, const Item& b) {
            return a.cycle != b.cycle ? a.cycle < b.cycle : a.order < b.order;
        });
        bench_.Cancel(this);
        Play();
    }
    void Clear() {
        items_.clear();
        next_ = 0;
        bench_.Cancel(this);
    }
    void OnTimer(uint64_t, uint64_t) override { Play(); }

private:
    struct Item {
        uint64_t cycle;
        uint64_t order;
        StimulusEvent e;
    };
    // Everything due by now, then a deadline for the next.
    void Play() {
        const uint64_t now = bench_.Now();
        while (next_ < items_.size() && items_[next_].cycle <= now) {
            const Item& item = items_[next_++];
            switch (item.e.kind) {
            case StimulusEvent::Kind::Level:
                bench_.Drive(item.e.pin, item.e.level);
                break;
            case StimulusEvent::Kind::ClockOn:
                if (Clock* clock = bench_.AddClock(item.e.pin, item.e.milliHertz, item.cycle))
                    clock->fromStimulus = true;
                break;
            case StimulusEvent::Kind::ClockOff:
                bench_.StopClock(item.e.pin);
                break;
            }
        }
        if (next_ < items_.size()) bench_.Schedule(items_[next_].cycle, this, 0);
    }

    LabBench& bench_;
    std::vector<Item> items_;
    size_t next_ = 0;
    uint64_t order_ = 0;
};

struct LabBench::Trace {
    explicit Trace(std::ostream& out) : writer(out) {}
    // The time of `cycle` in the trace's unit: from the origin on at the rate since then.
    uint64_t TimeOf(uint64_t cycle) const {
        const uint64_t cycles = cycle - baseCycle;
        if (perCycle) return baseTime + cycles * perCycle;
        return baseTime + (PicosecondsOf(cycles, cyclesPerSecond) + unit / 2) / unit;
    }
    // Cycle `now` is at `time` (in the unit the header gave), later ones `rate` a second.
    void SetRate(uint64_t rate, uint64_t now, uint64_t time) {
        baseTime = time;
        baseCycle = now;
        cyclesPerSecond = rate;
        perCycle =
            kPicosecondsPerSecond % (rate * unit) == 0 ? kPicosecondsPerSecond / unit / rate : 0;
    }
    VcdWriter writer;
    uint64_t unit = 1; // picoseconds a time unit
    uint64_t cyclesPerSecond = 1;
    uint64_t perCycle = 0;  // time units a cycle, when that is whole; else computed
    uint64_t baseCycle = 0; // the rate applies from this cycle...
    uint64_t baseTime = 0;  // ...which is at this time
    std::array<uint8_t, SxPorts::kMaxPorts> levels{};
    std::array<uint8_t, SxPorts::kMaxPorts> floating{};
    std::array<std::array<int, 8>, SxPorts::kMaxPorts> wire{}; // -1: the chip lacks the pin
};

struct LabBench::EdgeCounts {
    SxPorts::EdgeCounts port{}; // counted by the ports themselves
    uint64_t rtcc = 0;
    uint64_t mclr = 0;
};

// ---- The bench ----

LabBench::LabBench(SxCore& core)
    : core_(core), drives_(std::make_unique<DriveTimer>(*this)),
      player_(std::make_unique<StimulusPlayer>(*this)) {
    core_.SetObserver(this);
}

LabBench::~LabBench() {
    StopTrace();
    core_.CountPinEdges(nullptr);
    core_.CancelCallback(this);
    core_.SetObserver(nullptr);
}

// ---- Scheduling ----

namespace {

bool AfterEntry(uint64_t ca, uint64_t oa, uint64_t cb, uint64_t ob) {
    return ca != cb ? ca > cb : oa > ob;
}

} // namespace

void LabBench::Schedule(uint64_t cycle, LabTimer* timer, uint64_t tag) {
    heap_.push_back({cycle, order_++, timer, tag});
    std::push_heap(heap_.begin(), heap_.end(), [](const Entry& a, const Entry& b) {
        return AfterEntry(a.cycle, a.order, b.cycle, b.order);
    });
    if (!firing_) Arm();
}

void LabBench::Cancel(LabTimer* timer) {
    auto gone = std::remove_if(heap_.begin(), heap_.end(),
                               [timer](const Entry& e) { return e.timer == timer; });
    if (gone == heap_.end()) return;
    heap_.erase(gone, heap_.end());
    std::make_heap(heap_.begin(), heap_.end(), [](const Entry& a, const Entry& b) {
        return AfterEntry(a.cycle, a.order, b.cycle, b.order);
    });
    if (!firing_) Arm();
}

// Keeps the core's one callback at the earliest deadline.
void LabBench::Arm() {
    if (heap_.empty()) {
        if (armedAt_ != kNever) core_.CancelCallback(this);
        armedAt_ = kNever;
        return;
    }
    uint64_t next = heap_.front().cycle;
    if (next == armedAt_) return;
    armedAt_ = next;
    core_.ScheduleCallback(next > epoch_ ? next - epoch_ : 0, this);
}

void LabBench::OnCycle(SxCore&) {
    armedAt_ = kNever; // the core has let go of the callback
    FireDue();
    Arm();
}

void LabBench::FireDue() {
    const bool outer = !firing_;
    firing_ = true;
    auto after = [](const Entry& a, const Entry& b) {
        return AfterEntry(a.cycle, a.order, b.cycle, b.order);
    };
    while (!heap_.empty() && heap_.front().cycle <= Now()) {
        std::pop_heap(heap_.begin(), heap_.end(), after);
        Entry e = heap_.back();
        heap_.pop_back();
        e.timer->OnTimer(e.cycle, e.tag);
    }
    if (outer) firing_ = false;
}

void LabBench::OnPowerOn(SxCore&, uint64_t cyclesBefore) {
    epoch_ += cyclesBefore;
    armedAt_ = kNever; // the core dropped its callbacks
    // A new configuration lets go of every pin; the outside world still holds them.
    for (int p = 0; p < SxPorts::kMaxPorts; ++p)
        if (drivenMask_[size_t(p)] && core_.Ports().Exists(p))
            core_.DrivePins(p, drivenMask_[size_t(p)], drivenLevels_[size_t(p)]);
    FollowCycleRate();
    if (!firing_) Arm();
}

void LabBench::OnFrequencyChanged(SxCore&) {
    FollowCycleRate();
}

void LabBench::FollowCycleRate() {
    if (trace_ && trace_->cyclesPerSecond != CyclesPerSecond())
        trace_->SetRate(CyclesPerSecond(), Now(), trace_->TimeOf(Now()));
}

// ---- Pins ----

LabBench::PinView LabBench::Pin(const LabPin& pin) const {
    PinView v;
    v.exists = Exists(pin);
    if (!v.exists) return v;
    for (const auto& clock : clocks_)
        if (clock->pin == pin) v.clockMilliHertz = clock->milliHertz;
    switch (pin.kind) {
    case LabPin::Kind::Rtcc:
        v.level = core_.RtccPin();
        v.driven = rtcc_;
        return v;
    case LabPin::Kind::Mclr:
        v.level = core_.Mclr();
        v.driven = mclr_;
        return v;
    case LabPin::Kind::Port:
        break;
    }
    const SxPorts& ports = core_.Ports();
    const uint8_t m = pin.Mask();
    v.output = !(ports.Config(pin.port, SxPortRegister::Direction) & m);
    v.level = ports.Read(pin.port) & m;
    v.floating = ports.Floating(pin.port) & m;
    v.pullUp = !(ports.Config(pin.port, SxPortRegister::PullUp) & m);
    if (drivenMask_[pin.port] & m)
        v.driven = (drivenLevels_[pin.port] & m) ? PinLevel::High : PinLevel::Low;
    return v;
}

char LabBench::PinValue(const LabPin& pin) const {
    PinView v = Pin(pin);
    if (v.floating) return 'z';
    return v.level ? '1' : '0';
}

void LabBench::Apply(const LabPin& pin, PinLevel level) {
    if (!Exists(pin)) return;
    const bool high = level == PinLevel::High;
    switch (pin.kind) {
    case LabPin::Kind::Rtcc:
        rtcc_ = level;
        if (edges_ && core_.RtccPin() != high) ++edges_->rtcc;
        core_.SetRtccPin(high);
        return;
    case LabPin::Kind::Mclr:
        mclr_ = level;
        if (edges_ && core_.Mclr() != (level != PinLevel::Low)) ++edges_->mclr;
        core_.SetMclr(level != PinLevel::Low);
        return;
    case LabPin::Kind::Port:
        break;
    }
    const uint8_t m = pin.Mask();
    uint8_t& mask = drivenMask_[pin.port];
    uint8_t& levels = drivenLevels_[pin.port];
    if (level == PinLevel::Floating) {
        mask = static_cast<uint8_t>(mask & ~m);
        core_.ReleasePins(pin.port, m);
        return;
    }
    mask |= m;
    levels = static_cast<uint8_t>(high ? levels | m : levels & ~m);
    core_.DrivePins(pin.port, m, high ? m : 0);
}

void LabBench::Drive(const LabPin& pin, PinLevel level) {
    StopClock(pin);
    Apply(pin, level);
}

void LabBench::DriveAt(uint64_t cycle, const LabPin& pin, PinLevel level) {
    if (cycle <= Now())
        Drive(pin, level);
    else
        drives_->Add(cycle, pin, level);
}

void LabBench::StartClock(const LabPin& pin, uint64_t milliHertz, uint64_t cycle) {
    AddClock(pin, milliHertz, cycle);
}

LabBench::Clock* LabBench::AddClock(const LabPin& pin, uint64_t milliHertz, uint64_t cycle) {
    StopClock(pin);
    if (!Exists(pin) || milliHertz == 0) return nullptr;
    clocks_.push_back(std::make_unique<Clock>(*this, pin, milliHertz, cycle));
    Clock* clock = clocks_.back().get();
    clock->Begin(Now());
    return clock;
}

void LabBench::StopClock(const LabPin& pin) {
    for (auto it = clocks_.begin(); it != clocks_.end(); ++it) {
        if ((*it)->pin == pin) {
            Cancel(it->get());
            clocks_.erase(it);
            return;
        }
    }
}

// ---- Stimulus ----

bool LabBench::LoadStimulus(const Stimulus& stimulus, uint64_t base, StimulusError& error) {
    const uint64_t cps = CyclesPerSecond();
    for (const StimulusEvent& e : stimulus.events) {
        if (!Exists(e.pin)) {
            error = {e.line, "this chip has no pin " + LabPinName(e.pin) + " (it has " +
                                 LabPinsText(core_.Ports()) + ")"};
            return false;
        }
        // Two edges a cycle at the most: a faster wave could not be told apart.
        if (e.kind == StimulusEvent::Kind::ClockOn && u128{e.milliHertz} * 2 > u128{cps} * 1000) {
            error = {e.line, "a clock of " + FormatHertz(e.milliHertz / 1000) +
                                 " is faster than half the chip's cycle rate (" + FormatHertz(cps) +
                                 ")"};
            return false;
        }
    }
    stimuli_.push_back(stimulus);
    stimulusBases_.push_back(base);
    player_->Add(stimulus, base);
    return true;
}

void LabBench::RestartStimuli(uint64_t base) {
    DropStimulusDrives();
    for (size_t i = 0; i < stimuli_.size(); ++i) {
        stimulusBases_[i] = base;
        player_->Add(stimuli_[i], base);
    }
}

void LabBench::ClearStimuli() {
    DropStimulusDrives();
    stimuli_.clear();
    stimulusBases_.clear();
}

void LabBench::DropStimulusDrives() {
    player_->Clear();
    for (size_t i = 0; i < clocks_.size();) {
        if (clocks_[i]->fromStimulus) {
            Cancel(clocks_[i].get());
            clocks_.erase(clocks_.begin() + long(i));
        } else {
            ++i;
        }
    }
    for (const Stimulus& s : stimuli_)
        for (const StimulusEvent& e : s.events)
            Drive(e.pin, PinLevel::Floating);
}

// ---- UARTs ----

PinUart& LabBench::AttachUart(const UartSettings& settings) {
    uarts_.push_back(std::make_unique<PinUart>(*this, settings));
    PinUart& uart = *uarts_.back();
    uart.Start(Now());
    UpdateInterest();
    return uart;
}

void LabBench::DetachUart(const PinUart& uart) {
    auto it = std::find_if(uarts_.begin(), uarts_.end(),
                           [&uart](const auto& u) { return u.get() == &uart; });
    if (it == uarts_.end()) return;
    Cancel(it->get());
    if ((*it)->Settings().rx) Drive(*(*it)->Settings().rx, PinLevel::Floating);
    uarts_.erase(it);
    UpdateInterest();
}

void LabBench::DetachUarts() {
    while (!uarts_.empty())
        DetachUart(*uarts_.back());
}

// ---- Edges ----

void LabBench::CountEdges(bool on) {
    if (!on) {
        core_.CountPinEdges(nullptr);
        edges_.reset();
    } else if (!edges_) {
        edges_ = std::make_unique<EdgeCounts>();
        core_.CountPinEdges(&edges_->port);
    }
}
uint64_t LabBench::Edges(const LabPin& pin) const {
    if (!edges_ || !Exists(pin)) return 0;
    switch (pin.kind) {
    case LabPin::Kind::Rtcc:
        return edges_->rtcc;
    case LabPin::Kind::Mclr:
        return edges_->mclr;
    case LabPin::Kind::Port:
        break;
    }
    return edges_->port[pin.port][pin.bit];
}

// ---- Watches ----

int LabBench::WatchPin(const LabPin& pin, PinWatch watch) {
    int id = nextWatch_++;
    watches_.push_back({id, pin, PinValue(pin), std::move(watch)});
    UpdateInterest();
    return id;
}

void LabBench::Unwatch(int id) {
    std::erase_if(watches_, [id](const Watch& w) { return w.id == id; });
    UpdateInterest();
}

void LabBench::UpdateInterest() {
    uint8_t interest = trace_ ? 0x1F : 0;
    for (const auto& u : uarts_)
        if (u->Settings().tx) interest |= static_cast<uint8_t>(1u << u->Settings().tx->port);
    for (const Watch& w : watches_)
        if (w.pin.IsPort()) interest |= static_cast<uint8_t>(1u << w.pin.port);
    interest_ = interest;
}

void LabBench::OnPortChanged(SxCore&, int port) {
    if (!(interest_ & (1u << port))) return;
    if (trace_) TraceChange(port);
    if (uarts_.empty() && watches_.empty()) return;
    const uint64_t now = Now();
    for (auto& u : uarts_)
        u->OnPortChanged(port, now);
    for (size_t i = 0; i < watches_.size(); ++i) {
        Watch& w = watches_[i];
        if (!w.pin.IsPort() || w.pin.port != port) continue;
        char value = PinValue(w.pin);
        if (value == w.value) continue;
        w.value = value;
        PinWatch call = w.call; // the watch may go while it is called
        call(w.pin, value, now);
    }
}

// ---- Trace ----

void LabBench::StartTrace(std::ostream& out) {
    StopTrace();
    trace_ = std::make_unique<Trace>(out);
    Trace& t = *trace_;
    const uint64_t rate = CyclesPerSecond();
    const bool wholeNs = 1'000'000'000 % rate == 0;
    const char* timescale = wholeNs ? "1 ns" : "1 ps";
    t.unit = wholeNs ? 1000 : 1;
    t.SetRate(rate, 0, 0); // times count from the bench's cycle 0
    std::vector<std::string> names;
    std::vector<char> values;
    const SxPorts& ports = core_.Ports();
    for (int p = 0; p < SxPorts::kMaxPorts; ++p) {
        t.wire[size_t(p)].fill(-1);
        t.levels[size_t(p)] = ports.Read(p);
        t.floating[size_t(p)] = ports.Floating(p);
        for (int bit = 0; bit < 8; ++bit) {
            LabPin pin = LabPin::PortPin(p, bit);
            if (!Exists(pin)) continue;
            t.wire[size_t(p)][size_t(bit)] = int(names.size());
            names.push_back(std::string{'R', char('A' + p), char('0' + bit)});
            values.push_back(PinValue(pin));
        }
    }
    t.writer.Begin(timescale, "chip", names, values, t.TimeOf(Now()));
    UpdateInterest();
}

void LabBench::TraceChange(int port) {
    Trace& t = *trace_;
    const SxPorts& ports = core_.Ports();
    const uint8_t levels = ports.Read(port), floating = ports.Floating(port);
    const size_t p = size_t(port);
    unsigned diff = (levels ^ t.levels[p]) | (floating ^ t.floating[p]);
    if (!diff) return;
    t.levels[p] = levels;
    t.floating[p] = floating;
    const uint64_t time = t.TimeOf(Now());
    do {
        const int bit = std::countr_zero(diff);
        diff &= diff - 1;
        const int wire = t.wire[p][size_t(bit)];
        if (wire < 0) continue;
        char value = (floating >> bit) & 1 ? 'z' : static_cast<char>('0' + ((levels >> bit) & 1));
        t.writer.Change(time, size_t(wire), value);
    } while (diff);
}

bool LabBench::StopTrace() {
    if (!trace_) return true;
    trace_->writer.Finish(trace_->TimeOf(Now()));
    bool ok = !trace_->writer.Failed();
    trace_.reset();
    UpdateInterest();
    return ok;
}

// ---- For the programs around the bench ----

bool LoadStimulusText(LabBench& bench, const std::string& name, std::string_view text,
                      uint64_t base, std::string& error, size_t* events) {
    Stimulus stimulus;
    stimulus.name = name;
    StimulusError bad;
    if (ParseStimulus(text, stimulus, bad) && bench.LoadStimulus(stimulus, base, bad)) {
        if (events) *events = stimulus.events.size();
        return true;
    }
    error = bad.Text(name);
    return false;
}

std::string FramingErrorText(const LabBench& bench, const LabPin& tx,
                             const PinUart::Received& frame) {
    return "framing error on " + LabPinName(tx) + " (the stop bit of a frame ending at " +
           FormatPicoseconds(bench.PicosecondsAt(frame.cycle)) + " was low)";
}

} // namespace pellix
