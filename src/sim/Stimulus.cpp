#include "sim/Stimulus.h"

namespace pellix {

namespace {

constexpr char kForm[] = "expected TIME PIN LEVEL or TIME PIN clock FREQ|off";

// One line without its comment; false with `message` when it is bad.
bool ParseLine(const std::vector<std::string_view>& w, StimulusEvent& e, std::string& message) {
    size_t at = TakeLabTime(w, 0, e.at, message);
    if (at == 0) return false;
    if (at >= w.size()) {
        message = kForm;
        return false;
    }
    auto pin = ParseLabPin(w[at]);
    if (!pin) {
        message = "'" + std::string(w[at]) + "' is not a pin (RA.0 to RE.7, RTCC or MCLR)";
        return false;
    }
    e.pin = *pin;
    if (++at >= w.size()) {
        message = "a level is missing after " + LabPinName(e.pin) + " (0, 1, z or clock)";
        return false;
    }
    if (SameNoCase(w[at], "clock")) {
        if (++at >= w.size()) {
            message = "clock needs a frequency or off";
            return false;
        }
        if (SameNoCase(w[at], "off")) {
            e.kind = StimulusEvent::Kind::ClockOff;
            ++at;
        } else {
            size_t taken = TakeFrequency(w, at, e.milliHertz, message);
            if (taken == 0) return false;
            if (e.milliHertz == 0) {
                message = "a clock needs a frequency above 0 Hz";
                return false;
            }
            e.kind = StimulusEvent::Kind::ClockOn;
            at += taken;
        }
    } else {
        auto level = ParsePinLevel(w[at]);
        if (!level) {
            message = "'" + std::string(w[at]) + "' is not a level (0, 1, z or clock)";
            return false;
        }
        e.kind = StimulusEvent::Kind::Level;
        e.level = *level;
        ++at;
    }
    if (at < w.size()) {
        message = "unexpected '" + std::string(w[at]) + "' at the end of the line";
        return false;
    }
    return true;
}

} // namespace

std::string StimulusError::Text(const std::string& name) const {
    return line > 0 ? name + ":" + std::to_string(line) + ": " + message : name + ": " + message;
}

bool ParseStimulus(std::string_view text, Stimulus& stimulus, StimulusError& error) {
    std::vector<StimulusEvent> events;
    int number = 0;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(start, end - start);
        start = end + 1;
        ++number;
        if (size_t hash = line.find('#'); hash != std::string_view::npos)
            line = line.substr(0, hash);
        if (line.find('\0') != std::string_view::npos) {
            error = {number, "the line holds a NUL byte (is this a text file?)"};
            return false;
        }
        std::vector<std::string_view> words = LabWords(line);
        if (words.empty()) continue;
        StimulusEvent e;
        e.line = number;
        std::string message;
        if (!ParseLine(words, e, message)) {
            error = {number, message};
            return false;
        }
        events.push_back(e);
    }
    stimulus.events = std::move(events);
    return true;
}

} // namespace pellix
