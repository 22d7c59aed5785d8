#include "debugger/LabUnit.h"

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "platform/FileIo.h"
#include "sim/LabBench.h"
#include "sim/VirtualChip.h"

namespace pellix {

LabSession::~LabSession() {
    SetChip(nullptr);
}

std::string LabSession::SetChip(VirtualChip* chip) {
    if (chip == chip_) return {};
    std::string error = StopTrace();
    ClearStimuli();
    chip_ = chip;
    return error;
}

std::string LabSession::LoadStimulus(const std::string& path) {
    if (!chip_) return "No session on the virtual key.";
    FileRead file = ReadWholeFile(path);
    if (!file.ok) return "Cannot read " + path + ": " + file.error;
    std::string error;
    if (!LoadStimulusText(chip_->Lab(), path, file.data, chip_->ResetCycle(), error)) return error;
    stimulusFiles_.push_back(path);
    return {};
}

void LabSession::ClearStimuli() {
    if (chip_ && !stimulusFiles_.empty()) chip_->Lab().ClearStimuli();
    stimulusFiles_.clear();
}

std::string LabSession::StartTrace(const std::string& path) {
    if (!chip_) return "No session on the virtual key.";
    std::string error = StopTrace();
    if (!error.empty()) return error;
    auto out = std::make_unique<std::ofstream>(path, std::ios::binary | std::ios::trunc);
    if (!*out) return "Cannot write " + path + ": " + std::strerror(errno);
    trace_ = std::move(out);
    traceName_ = path;
    chip_->Lab().StartTrace(*trace_);
    return {};
}

std::string LabSession::StopTrace() {
    if (!trace_) return {};
    bool ok = chip_->Lab().StopTrace();
    trace_->close();
    ok = ok && !trace_->fail();
    trace_.reset();
    return ok ? std::string() : "Writing the trace " + traceName_ + " failed.";
}

uint64_t LabSession::CyclesSinceReset() const {
    if (!chip_) return 0;
    const uint64_t now = chip_->Lab().Now(), reset = chip_->ResetCycle();
    return now > reset ? now - reset : 0;
}

std::string LabSession::TimeText() const {
    if (!chip_) return {};
    const uint64_t cycles = CyclesSinceReset();
    return FormatDuration(PicosecondsOf(cycles, chip_->Lab().CyclesPerSecond())) + "  " +
           FormatCount(cycles) + (cycles == 1 ? " cycle" : " cycles");
}

namespace {

bool Overlap(const PlacedRect& a, const PlacedRect& b) {
    return a.width > 0 && b.width > 0 && a.left < b.left + b.width && b.left < a.left + a.width &&
           a.top < b.top + b.height && b.top < a.top + a.height;
}

bool Inside(const PlacedRect& r, const PlacedRect& screen) {
    return r.left >= screen.left && r.top >= screen.top &&
           r.left + r.width <= screen.left + screen.width &&
           r.top + r.height <= screen.top + screen.height;
}

} // namespace

std::vector<PlacedRect> PlaceLabWindows(const LabLayout& l, const std::vector<PlacedRect>& sizes) {
    const PlacedRect& screen = l.screen;
    const PlacedRect& regs = l.registers;
    const bool watch = l.watch.width > 0;
    const int columnRight =
        std::max(l.debug.left + l.debug.width, watch ? l.watch.left + l.watch.width : 0);
    const int columnBottom =
        std::max(l.debug.top + l.debug.height, watch ? l.watch.top + l.watch.height : 0);
    // The next free place in each of the three spots.
    PlacedRect spots[3] = {{columnRight, l.debug.top, 0, 0},
                           {l.debug.left, columnBottom, 0, 0},
                           {0, regs.top + regs.height, 0, 0}};
    std::vector<PlacedRect> out;
    for (const PlacedRect& size : sizes) {
        PlacedRect placed{};
        bool found = false;
        for (int i = 0; i < 3 && !found; ++i) {
            PlacedRect r{spots[i].left, spots[i].top, size.width, size.height};
            if (i == 2) r.left = screen.left + screen.width - size.width;
            if (!Inside(r, screen) || Overlap(r, regs)) continue;
            bool clash = false;
            for (const PlacedRect& other : out)
                clash = clash || Overlap(r, other);
            if (clash) continue;
            placed = r;
            spots[i].top = r.top + r.height;
            found = true;
        }
        if (!found) {
            // No free place: on the screen as well as it goes, under the register view.
            placed = {screen.left + screen.width - size.width, regs.top + regs.height, size.width,
                      size.height};
            placed.top = std::min(placed.top, screen.top + screen.height - size.height);
            if (Overlap(placed, regs)) placed.left = regs.left + regs.width;
            placed.left = std::max(screen.left, placed.left);
            placed.top = std::max(screen.top, placed.top);
        }
        out.push_back(placed);
    }
    return out;
}

std::string FormatDuration(uint64_t ps) {
    struct Scale {
        uint64_t scale;
        const char* unit;
    };
    static constexpr Scale kScales[] = {
        {kPicosecondsPerSecond, "s"}, {1'000'000'000, "ms"}, {1'000'000, "us"}};
    const Scale* s = &kScales[2];
    // The unit in which the rounded value is at least 1.000 (999.9996 us is 1.000 ms).
    for (const Scale& k : kScales)
        if (ps >= k.scale - k.scale / 2000) {
            s = &k;
            break;
        }
    // Three decimals, rounded half up.
    const uint64_t thousandths = (ps / (s->scale / 2000) + 1) / 2;
    char text[48];
    std::snprintf(text, sizeof text, "%" PRIu64 ".%03" PRIu64 " %s", thousandths / 1000,
                  thousandths % 1000, s->unit);
    return text;
}

std::string FormatCount(uint64_t count) {
    std::string digits = std::to_string(count), out;
    for (size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) out += ' ';
        out += digits[i];
    }
    return out;
}

} // namespace pellix
