// A stimulus file: what the outside world does to the chip's pins and when. One event a
// line, `TIME PIN LEVEL` (LEVEL 0, 1 or z) or `TIME PIN clock FREQ|off`; `#` starts a
// comment. docs/simulator.md describes the format.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "sim/LabPin.h"
#include "sim/LabTime.h"

namespace pellix {

struct StimulusEvent {
    enum class Kind : uint8_t { Level, ClockOn, ClockOff };
    LabTime at;
    LabPin pin;
    Kind kind = Kind::Level;
    PinLevel level = PinLevel::Low;
    uint64_t milliHertz = 0; // ClockOn
    int line = 0;            // in its file, for messages
};

struct Stimulus {
    std::string name;                  // the file, as messages name it
    std::vector<StimulusEvent> events; // in the order of the file
};

struct StimulusError {
    int line = 0; // 0: not tied to a line
    std::string message;
    // "name:line: message"
    std::string Text(const std::string& name) const;
};

// The whole text or nothing: the first bad line is the error.
bool ParseStimulus(std::string_view text, Stimulus& stimulus, StimulusError& error);

} // namespace pellix
