// Any text as a stimulus file, a UART setting and a time: the parsers take it or refuse it
// with a line number, and what they take plays on a chip without harm.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <string_view>

#include "sim/LabBench.h"

namespace {

void Check(bool ok) {
    if (!ok) __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    std::string error;
    pellix::ParseLabTime(text.substr(0, 40), error);
    pellix::ParseUartSettings(text.substr(0, 60), nullptr, error);

    pellix::Stimulus stimulus;
    pellix::StimulusError bad;
    if (!pellix::ParseStimulus(text, stimulus, bad)) {
        Check(bad.line >= 1 && !bad.message.empty());
        return 0;
    }
    for (const pellix::StimulusEvent& e : stimulus.events)
        Check(e.line >= 1);
    // A slow chip, so that the times in a short input fall within the run.
    static pellix::SxCore core;
    core.Configure(pellix::SxChipConfig::FromFuses(size & 1, 0xFFA, 0xFFF, 1'000'000));
    pellix::LabBench bench(core);
    if (!bench.LoadStimulus(stimulus, 0, bad)) {
        Check(bad.line >= 1);
        return 0;
    }
    bench.WatchPin(pellix::LabPin::PortPin(1, 0), [](const pellix::LabPin&, char v, uint64_t) {
        Check(v == '0' || v == '1' || v == 'z');
    });
    std::ostringstream trace;
    bench.StartTrace(trace);
    core.Run(20'000);
    Check(bench.Now() >= 20'000);
    Check(bench.StopTrace());
    Check(trace.str().rfind("$enddefinitions $end\n") != std::string::npos);
    return 0;
}
