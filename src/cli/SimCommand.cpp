#include "cli/SimCommand.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <memory>
#include <optional>

#include "cli/ChipCommands.h"
#include "cli/CliCommand.h"
#include "link/DebugConsole.h"
#include "platform/FileIo.h"
#include "sim/LabBench.h"
#include "target/AssemblyRecord.h"

namespace pellix::cli {

namespace {

struct UntilPin {
    LabPin pin;
    char value; // '0', '1' or 'z'
};

struct SimOptions {
    std::string program;
    std::optional<LabTime> duration;
    std::vector<std::string> stimuli;
    std::optional<std::string> uart;
    std::optional<std::string> vcd;
    std::vector<std::string> untilPins;
    std::optional<uint32_t> frequency;
    bool help = false;
};

constexpr int kShownFramingErrors = 10;

// "" when the arguments are usable, else what is wrong with them.
std::string ParseArguments(const std::vector<std::string>& args, SimOptions& o) {
    bool onlyPositional = false;
    std::vector<std::string> positional;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (onlyPositional || a.size() < 2 || a[0] != '-') {
            positional.push_back(a);
            continue;
        }
        if (a == "--") {
            onlyPositional = true;
            continue;
        }
        if (a == "--help" || a == "-h") {
            o.help = true;
            continue;
        }
        std::string name = a, value;
        size_t eq = a.find('=');
        if (eq != std::string::npos) {
            name = a.substr(0, eq);
            value = a.substr(eq + 1);
        } else if (i + 1 < args.size()) {
            value = args[++i];
        } else {
            return name + " needs a value";
        }
        if (value.empty()) return name + " needs a value";
        std::string error;
        if (name == "--for") {
            if (o.duration) return "--for is given twice";
            o.duration = ParseLabTime(value, error);
            if (!o.duration) return "--for: " + error;
        } else if (name == "--stimulus") {
            o.stimuli.push_back(value);
        } else if (name == "--uart") {
            if (o.uart) return "--uart is given twice";
            if (!ParseUartSettings(value, nullptr, error)) return "--uart: " + error;
            o.uart = value;
        } else if (name == "--vcd") {
            if (o.vcd) return "--vcd is given twice";
            o.vcd = value;
        } else if (name == "--until-pin") {
            o.untilPins.push_back(value);
        } else if (name == "--freq") {
            auto f = ParseClockFrequency(value);
            if (!f || *f == 0)
                return "--freq: '" + value + "' is not a frequency (4000000, 4.9152MHz, 32768Hz)";
            o.frequency = *f;
        } else {
            return "unknown option " + name;
        }
    }
    if (o.help) return "";
    if (positional.size() != 1) return positional.empty() ? "no PROGRAM" : "one PROGRAM only";
    o.program = positional[0];
    if (!o.duration) return "--for TIME is required";
    return "";
}

// "RB.0=1": the pin and the value it is to reach; nullopt when it is not of that form.
std::optional<UntilPin> ParseUntilPin(const std::string& text) {
    size_t eq = text.find('=');
    if (eq == std::string::npos) return std::nullopt;
    auto pin = ParseLabPin(std::string_view(text).substr(0, eq));
    auto level = ParsePinLevel(std::string_view(text).substr(eq + 1));
    if (!pin || !pin->IsPort() || !level) return std::nullopt;
    return UntilPin{*pin, PinLevelChar(*level)};
}

void Help(std::ostream& out) {
    out << "Usage: pellix-cli sim " << kSimUsage << "\n"
        << "Runs PROGRAM (a source, assembled by the built-in assembler, or an .sxh image) on\n"
           "the simulated chip from reset, configured by its FUSE and FUSEX words, at its FREQ.\n"
           "Times: a number with s, ms, us, ns or cycles (40ms, 1.5 ms, 2000 cycles).\n\n"
           "  --for TIME            how long to run (required)\n"
           "  --stimulus FILE       pin levels and clocks from FILE (docs/simulator.md)\n"
           "  --uart RX=PIN,TX=PIN,BAUD=N[,GAP=BITS]\n"
           "                        standard input goes into RX as 8N1 frames, GAP idle bits\n"
           "                        apart (1); bytes sent on TX come out on standard output\n"
           "  --vcd FILE            a trace of every port pin (GTKWave reads it)\n"
           "  --until-pin PIN=LEVEL stop once PIN is 0, 1 or z (floating)\n"
           "  --freq FREQ           the chip's clock instead of the program's FREQ\n\n"
           "At the end one line on standard error: the time simulated, the cycles and the\n"
           "stop line (PC, W, STATUS, ...). Exit codes: 0 ran, 1 failure, 2 usage error.\n";
}

DebugState StateOf(const SxCore& core) {
    DebugState s;
    for (int a = 0; a < 256; ++a)
        s.registers[size_t(a)] = core.PeekRegister(a);
    s.registers[kRegisterM] = core.M();
    s.registers[kRegisterW] = core.W();
    s.intFlag = core.InInterrupt() ? 1 : 0;
    s.skipFlag = core.SkipPending() ? 1 : 0;
    s.wAtOne = core.WAtRegister1() ? 1 : 0;
    s.programCounter = core.Pc();
    return s;
}

} // namespace

int SimCommand(SimContext& c, const std::vector<std::string>& args) {
    SimOptions o;
    if (std::string problem = ParseArguments(args, o); !problem.empty()) {
        c.err << kErrorPrefix << problem << "\nUsage: pellix-cli sim " << kSimUsage << "\n";
        return 2;
    }
    if (o.help) {
        Help(c.out);
        return 0;
    }
    std::vector<UntilPin> untilPins;
    for (const std::string& text : o.untilPins) {
        auto u = ParseUntilPin(text);
        if (!u) {
            c.err << kErrorPrefix << "--until-pin takes PIN=LEVEL (RB.0=1, RA.2=z), not '" << text
                  << "'\nUsage: pellix-cli sim " << kSimUsage << "\n";
            return 2;
        }
        untilPins.push_back(*u);
    }

    auto record = std::make_unique<AssemblyRecord>();
    record->StartUp();
    if (!LoadProgramFile(c.err, o.program, *record)) return 1;
    const ProgramImage& image = record->assembled;
    const int family = record->deviceFamily;
    auto core = std::make_unique<SxCore>(SxChipConfig::FromFuses(
        family, image.Fuse(), image.Fusex(), o.frequency.value_or(record->debug.frequency)));
    std::vector<uint16_t> words(family == 1 ? 4096 : 2048);
    for (size_t a = 0; a < words.size(); ++a)
        words[a] = image.Code(int(a));
    core->LoadProgram(words);
    LabBench bench(*core);

    const uint64_t cycles = bench.CyclesOf(*o.duration);
    if (cycles > SxCore::kCycleCeiling) {
        c.err << kErrorPrefix
              << "--for: that is longer than the simulator counts\nUsage: "
                 "pellix-cli sim "
              << kSimUsage << "\n";
        return 2;
    }
    for (const std::string& name : o.stimuli) {
        FileRead file = ReadWholeFile(name);
        if (!file.ok) {
            c.err << kErrorPrefix << "cannot read " << name << ": " << file.error << "\n";
            return 1;
        }
        std::string error;
        if (!LoadStimulusText(bench, name, file.data, 0, error)) {
            c.err << kErrorPrefix << error << "\n";
            return 1;
        }
    }
    for (const UntilPin& u : untilPins) {
        if (!bench.Exists(u.pin)) {
            c.err << kErrorPrefix << "--until-pin: this chip has no pin " << LabPinName(u.pin)
                  << " (it has " << LabPinsText(core->Ports()) << ")\n";
            return 1;
        }
    }

    int framingErrors = 0;
    if (o.uart) {
        std::string error;
        auto settings = ParseUartSettings(*o.uart, &core->Ports(), error);
        if (!settings) {
            c.err << kErrorPrefix << "--uart: " << error << "\n";
            return 1;
        }
        PinUart& uart = bench.AttachUart(*settings);
        if (settings->rx && c.in) {
            uart.SetSource([&c] {
                int ch = c.in->get();
                return ch == std::char_traits<char>::eof() ? -1 : ch;
            });
        }
        uart.OnReceived([&c, &bench, &framingErrors, &uart](const PinUart::Received& r) {
            if (!r.framingError) {
                c.out.put(char(r.value));
                c.out.flush();
                return;
            }
            if (++framingErrors <= kShownFramingErrors)
                c.err << "pellix-cli: " << FramingErrorText(bench, *uart.Settings().tx, r) << "\n";
        });
    }

    std::ofstream vcd;
    if (o.vcd) {
        vcd.open(*o.vcd, std::ios::binary | std::ios::trunc);
        if (!vcd) {
            c.err << kErrorPrefix << "cannot write " << *o.vcd << ": " << std::strerror(errno)
                  << "\n";
            return 1;
        }
        bench.StartTrace(vcd);
    }

    std::optional<UntilPin> reached;
    uint64_t reachedAt = 0;
    for (const UntilPin& u : untilPins) {
        if (!reached && bench.PinValue(u.pin) == u.value) reached = u;
        bench.WatchPin(u.pin, [&, u](const LabPin&, char value, uint64_t cycle) {
            if (reached || value != u.value) return;
            reached = u;
            reachedAt = cycle;
            core->RequestStop();
        });
    }
    if (!reached) core->Run(cycles);

    if (o.vcd && (!bench.StopTrace() || !vcd.flush())) {
        c.err << kErrorPrefix << "writing " << *o.vcd << " failed\n";
        return 1;
    }
    if (framingErrors > kShownFramingErrors)
        c.err << "pellix-cli: " << framingErrors - kShownFramingErrors << " more framing errors\n";
    if (reached)
        c.err << "pellix-cli: " << LabPinName(reached->pin) << " reached " << reached->value
              << " at " << FormatPicoseconds(bench.PicosecondsAt(reachedAt)) << "\n";
    const uint64_t now = bench.Now();
    c.err << "Simulated " << FormatPicoseconds(bench.PicosecondsAt(now)) << " (" << now << " cycles"
          << (core->Asleep() ? ", asleep" : "") << (core->HeldInReset() ? ", held in reset" : "")
          << "): "
          << StopLineText(*record, StateOf(*core), core->Config().family,
                          core->Config().memoryWords);
    return 0;
}

} // namespace pellix::cli
