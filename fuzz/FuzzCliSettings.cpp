// Any settings file and any clock argument pellix-cli is given: no crash, no read outside the
// text, and a frequency only when it is whole hertz that fit.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "cli/ChipCommands.h"
#include "cli/CliSettings.h"
#include "link/ClockUnit.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    pellix::cli::IniFile ini;
    ini.Parse(text);
    pellix::cli::ChipDefaults d = pellix::cli::ReadChipDefaults(ini);
    if (d.port.empty()) std::abort();

    if (size <= 64) {
        if (auto f = pellix::cli::ParseClockFrequency(text)) {
            if (pellix::SynthWord(*f) == 0) std::abort();
        }
        uint32_t clamped = pellix::ClampFrequency(pellix::ParseFrequencyEdit(text));
        if (clamped < pellix::kMinFrequency || clamped > pellix::kMaxFrequency) std::abort();
    }
    return 0;
}
