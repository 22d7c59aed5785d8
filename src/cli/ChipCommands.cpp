#include "cli/ChipCommands.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <sstream>

#include "asm/Assembler.h"
#include "asm/Report.h"
#include "link/ClockUnit.h"
#include "link/DebugConsole.h"
#include "link/DebugControl.h"
#include "link/DebugKernel.h"
#include "link/DeviceUnit.h"
#include "link/IRCUnit.h"
#include "link/KeyLink.h"
#include "link/PortFactory.h"
#include "link/SilentAbort.h"
#include "platform/FileIo.h"
#include "sim/VirtualKey.h"
#include "target/DeviceTables.h"
#include "target/HexText.h"
#include "target/ImageFile.h"
#include "target/LineEnds.h"

namespace pellix::cli {

namespace {

namespace fs = std::filesystem;

constexpr int kBarTextWidth = 20;

// The extensions the device window loads as images; anything else is a source.
bool IsImageName(const std::string& name) {
    std::string ext = fs::path(name).extension().string();
    return EqualsNoCase(ext, ".sxh") || EqualsNoCase(ext, ".obj") || EqualsNoCase(ext, ".hex");
}

struct Options {
    std::vector<std::string> positional;
    std::optional<std::string> port;
    std::optional<std::string> irc;
    std::optional<std::string> output;
    std::optional<std::string> script;
};

enum OptionSet : unsigned { kPortOption = 1, kIrcOption = 2, kOutputOption = 4, kScriptOption = 8 };

// False on anything the command does not take.
bool ParseOptions(const std::vector<std::string>& args, unsigned allowed, Options& o) {
    bool onlyPositional = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (onlyPositional || a.empty() || a[0] != '-' || a == "-") {
            o.positional.push_back(a);
            continue;
        }
        if (a == "--") {
            onlyPositional = true;
            continue;
        }
        std::string name = a, value;
        bool hasValue = false;
        if (size_t eq = a.find('='); a.rfind("--", 0) == 0 && eq != std::string::npos) {
            name = a.substr(0, eq);
            value = a.substr(eq + 1);
            hasValue = true;
        }
        std::optional<std::string>* target = nullptr;
        if (name == "--port" && (allowed & kPortOption)) target = &o.port;
        if (name == "--script" && (allowed & kScriptOption)) target = &o.script;
        if (name == "--irc" && (allowed & kIrcOption)) target = &o.irc;
        if ((name == "-o" || name == "--output") && (allowed & kOutputOption)) target = &o.output;
        if (!target) return false;
        if (!hasValue) {
            if (i + 1 >= args.size()) return false;
            value = args[++i];
        }
        if (value.empty()) return false;
        *target = value;
    }
    return true;
}

std::optional<IrcSetting> ParseIrc(const std::string& text) {
    if (EqualsNoCase(text, "slowest")) return IrcSetting::Slowest;
    if (EqualsNoCase(text, "4mhz")) return IrcSetting::FourMHz;
    if (EqualsNoCase(text, "fastest")) return IrcSetting::Fastest;
    return std::nullopt;
}

int Usage(ChipContext& c, const char* command, const char* usage) {
    c.err << "Usage: pellix-cli " << command << " " << usage << "\n";
    return 2;
}

// Everything one command needs on the PC's side of the key.
struct Session {
    explicit Session(ChipContext& c, const std::string& port)
        : progress(c.err, c.progressBar), prompter(c.out, c.err, progress),
          link(c.ports, c.ticks, prompter), record(std::make_unique<AssemblyRecord>()),
          device(link, *record, progress, prompter, irc) {
        link.portName = port;
        record->StartUp();
    }
    TerminalProgress progress;
    ConsolePrompter prompter;
    KeyLink link;
    std::unique_ptr<AssemblyRecord> record;
    IrcCalibration irc;
    DeviceUnit device;
};

bool LoadProgram(ChipContext& c, const std::string& name, AssemblyRecord& record) {
    return LoadProgramFile(c.err, name, record);
}

// On port "sim" the virtual board holds a part of the program's family.
void FitVirtualChip(ChipContext& c, const std::string& port, const AssemblyRecord& record) {
    if (c.virtualKey && IsVirtualKeyPort(port) &&
        c.virtualKey->Chip().Family() != record.deviceFamily)
        c.virtualKey->Chip().SetFamily(record.deviceFamily);
}

void PrintCalibration(ChipContext& c, const IrcCalibration& irc) {
    if (!irc.measured) return;
    for (int t = 0; t < kTrims; ++t) {
        c.out << "IRC trim " << t << ": " << IrcMegahertzText(irc.counts[size_t(t)]) << " MHz";
        if (t == irc.trim) c.out << " (chosen)";
        c.out << "\n";
    }
}

std::string Hex3(unsigned value) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    return {kDigits[(value >> 8) & 0xF], kDigits[(value >> 4) & 0xF], kDigits[value & 0xF]};
}

void PrintDifferences(ChipContext& c, const VerifyResult& r, int imageFamily) {
    for (const VerifyDifference& d : r.differences) {
        if (d.what == "device") {
            c.out << "  the chip is an " << (r.chipFamily == 1 ? "SX48/52" : "SX18/20/28")
                  << ", the image is for an " << (imageFamily == 1 ? "SX48/52" : "SX18/20/28")
                  << "\n";
            continue;
        }
        c.out << "  " << d.what << ": expected " << Hex3(d.expected) << ", read " << Hex3(d.actual)
              << "\n";
    }
    int more = r.differing - int(r.differences.size());
    if (more > 0) c.out << "  and " << more << " more\n";
}

// Runs `body` and turns the ways a chip operation ends into exit codes.
template <typename Body>
int Guarded(ChipContext& c, Body body) {
    try {
        return body();
    } catch (const SilentAbort&) {
        return 1; // its message has been shown
    } catch (const std::exception& e) {
        c.err << "pellix-cli: " << e.what() << "\n";
        return 1;
    }
}

int ProgramLike(ChipContext& c, const std::vector<std::string>& args, const char* command,
                bool runAfter) {
    Options o;
    if (!ParseOptions(args, kPortOption | kIrcOption, o) || o.positional.size() != 1)
        return Usage(c, command, kProgramUsage);
    IrcSetting irc = c.defaults.irc;
    if (o.irc) {
        auto chosen = ParseIrc(*o.irc);
        if (!chosen) return Usage(c, command, kProgramUsage);
        irc = *chosen;
    }
    Session s(c, o.port.value_or(c.defaults.port));
    s.irc.setting = irc;
    if (!LoadProgram(c, o.positional[0], *s.record)) return 1;
    FitVirtualChip(c, s.link.portName, *s.record);
    return Guarded(c, [&] {
        // Run needs the full key, as the main window's Run does; Program does not ask.
        if (runAfter) s.link.RequireFullKey();
        s.device.ProgramChip(runAfter);
        PrintCalibration(c, s.irc);
        if (runAfter) c.out << ClockText(s.record->debug.frequency) << "\n";
        return 0;
    });
}

} // namespace

bool LoadProgramFile(std::ostream& err, const std::string& name, AssemblyRecord& record) {
    FileRead file = ReadWholeFile(name);
    if (!file.ok) {
        err << "pellix-cli: cannot read " << name << ": " << file.error << "\n";
        return false;
    }
    const std::string& text = file.data;
    if (IsImageName(name)) {
        if (!LoadImageText(record, text)) {
            err << "pellix-cli: " << name << ": " << record.message << "\n";
            return false;
        }
        return true;
    }
    record.source = ToCrLineEnds(text);
    Assemble(record);
    if (record.status != 0) {
        err << DiagnosticText(record, name);
        return false;
    }
    return true;
}

void TerminalProgress::ShowProgress(const std::string& text) {
    if (!enabled_) return;
    text_ = text;
    steps_ = 0;
    shown_ = true;
    Draw();
}

void TerminalProgress::StepProgress() {
    if (!shown_) return;
    if (steps_ < kProgressSteps) ++steps_;
    Draw();
}

void TerminalProgress::CloseProgress() {
    if (!shown_) return;
    shown_ = false;
    err_ << "\n";
    err_.flush();
}

void TerminalProgress::Draw() {
    std::string line = "\r" + text_;
    if (line.size() < size_t(kBarTextWidth) + 1) line.resize(size_t(kBarTextWidth) + 1, ' ');
    line += " [" + std::string(size_t(steps_), '#') +
            std::string(size_t(kProgressSteps - steps_), ' ') + "]";
    err_ << line;
    err_.flush();
}

PromptAnswer ConsolePrompter::Message(const std::string& text, const std::string&,
                                      PromptButtons buttons, PromptIcon icon) {
    progress_.CloseProgress();
    // A CR parts the lines of a message box; on a terminal it would write over the line.
    std::string line;
    for (char ch : text) {
        if (ch == '\r')
            line += ": ";
        else
            line.push_back(ch);
    }
    if (icon == PromptIcon::Error) {
        err_ << "error: " << line << "\n";
        err_.flush();
    } else {
        out_ << line << "\n";
        out_.flush();
    }
    switch (buttons) {
    case PromptButtons::Abort:
    case PromptButtons::AbortRetryIgnore:
        return PromptAnswer::Abort;
    case PromptButtons::YesNo:
    case PromptButtons::YesNoCancel:
        return PromptAnswer::No; // nobody to ask: never the answer that overwrites
    case PromptButtons::OkCancel:
    case PromptButtons::RetryCancel:
        return PromptAnswer::Cancel;
    case PromptButtons::Ok:
        break;
    }
    return PromptAnswer::Ok;
}

std::optional<uint32_t> ParseClockFrequency(std::string_view text) {
    uint64_t whole = 0, fraction = 0, scale = 1;
    size_t i = 0;
    int digits = 0;
    for (; i < text.size(); ++i) {
        char ch = text[i];
        if (ch == '_' || ch == ',') continue;
        if (ch < '0' || ch > '9') break;
        whole = whole * 10 + uint64_t(ch - '0');
        if (++digits > 12) return std::nullopt;
    }
    if (digits == 0) return std::nullopt;
    int fractionDigits = 0;
    bool point = i < text.size() && text[i] == '.';
    if (point) {
        for (++i; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
            if (++fractionDigits > 9) return std::nullopt;
            fraction = fraction * 10 + uint64_t(text[i] - '0');
            scale *= 10;
        }
    }
    std::string_view unit = text.substr(i);
    uint64_t multiplier = 0;
    if (unit.empty() || EqualsNoCase(unit, "hz"))
        multiplier = 1;
    else if (EqualsNoCase(unit, "k") || EqualsNoCase(unit, "khz"))
        multiplier = 1000;
    else if (EqualsNoCase(unit, "m") || EqualsNoCase(unit, "mhz"))
        multiplier = 1'000'000;
    else
        return std::nullopt;
    // A number with a point but no unit could be hertz or megahertz: it is not taken.
    if (point && unit.empty()) return std::nullopt;
    if ((fraction * multiplier) % scale != 0) return std::nullopt; // not whole hertz
    uint64_t hertz = whole * multiplier + fraction * multiplier / scale;
    if (hertz > 0xFFFFFFFFu) return std::nullopt;
    return uint32_t(hertz);
}

int ProgramCommand(ChipContext& c, const std::vector<std::string>& args) {
    return ProgramLike(c, args, "program", false);
}

int RunCommand(ChipContext& c, const std::vector<std::string>& args) {
    return ProgramLike(c, args, "run", true);
}

int VerifyCommand(ChipContext& c, const std::vector<std::string>& args) {
    Options o;
    if (!ParseOptions(args, kPortOption | kIrcOption, o) || o.positional.size() != 1 ||
        (o.irc && !ParseIrc(*o.irc)))
        return Usage(c, "verify", kProgramUsage);
    Session s(c, o.port.value_or(c.defaults.port));
    if (!LoadProgram(c, o.positional[0], *s.record)) return 1;
    return Guarded(c, [&] {
        int family = s.record->deviceFamily;
        // No device window here: the image's own family stands for its device choice.
        VerifyResult r = s.device.VerifyChip(family == 1);
        if (r.Ok()) return 0;
        PrintDifferences(c, r, family);
        return 1;
    });
}

int ReadCommand(ChipContext& c, const std::vector<std::string>& args) {
    Options o;
    if (!ParseOptions(args, kPortOption | kOutputOption, o) || !o.positional.empty() || !o.output)
        return Usage(c, "read", kReadUsage);
    Session s(c, o.port.value_or(c.defaults.port));
    AssemblyRecord& record = *s.record;
    int rc = Guarded(c, [&] {
        s.device.ReadChip(kReadingText);
        // With no image to say how large the chip is, the chip's own FUSEX says it: read
        // again when it makes the part smaller or larger than was assumed.
        if (record.deviceFamily == 0 &&
            ComputeGeometry(0, record.transfer.Fusex()).memorySize !=
                ComputeGeometry(0, record.assembled.Fusex()).memorySize) {
            record.assembled.Fusex() = record.transfer.Fusex();
            s.device.ReadChip(kReadingText);
        }
        return 0;
    });
    if (rc != 0) return rc;
    record.assembled = record.transfer;
    if (!WriteHex(record)) {
        c.err << "pellix-cli: " << record.message << "\n";
        return 1;
    }
    if (std::string e = ReplaceFileContents(*o.output, record.debug.ListingText()); !e.empty()) {
        c.err << "pellix-cli: cannot write " << *o.output << ": " << e << "\n";
        return 1;
    }
    return 0;
}

int ClockCommand(ChipContext& c, const std::vector<std::string>& args) {
    Options o;
    if (!ParseOptions(args, kPortOption, o) || o.positional.size() != 1)
        return Usage(c, "clock", kClockUsage);
    bool off = EqualsNoCase(o.positional[0], "off");
    uint32_t frequency = 0;
    if (!off) {
        auto f = ParseClockFrequency(o.positional[0]);
        if (!f) {
            c.err << "pellix-cli: '" << o.positional[0]
                  << "' is not a frequency: give hertz (4000000) or a unit (4.9152MHz, 500kHz)\n";
            return 2;
        }
        if (*f < kMinFrequency || *f > kMaxFrequency) {
            c.err << "pellix-cli: the clock runs from " << GroupedDecimal(kMinFrequency) << " to "
                  << GroupedDecimal(kMaxFrequency) << " Hz, not " << GroupedDecimal(*f) << "\n";
            return 2;
        }
        frequency = *f;
    }
    Session s(c, o.port.value_or(c.defaults.port));
    return Guarded(c, [&] {
        s.link.RequireFullKey();
        s.link.ConnectKey();
        KeyProtocol& protocol = s.device.Protocol();
        if (off)
            ClockOff(protocol);
        else
            ClockOn(protocol, frequency);
        s.link.ReleaseKey();
        c.out << (off ? std::string(kClockOffText) : ClockText(frequency)) << "\n";
        return 0;
    });
}

int DebugCommand(ChipContext& c, const std::vector<std::string>& args) {
    for (const std::string& a : args) {
        if (a == "--help" || a == "-h") {
            c.out << "Usage: pellix-cli debug " << kDebugUsage << "\n"
                  << "Prepares the program for debugging, programs it and reads commands from\n"
                     "FILE or standard input. PORT is COM1 to COM4, a device path or sim (the\n"
                     "virtual key); the settings' port when not given.\n\n"
                  << DebugConsole::HelpText();
            return 0;
        }
    }
    Options o;
    if (!ParseOptions(args, kPortOption | kScriptOption, o) || o.positional.size() != 1)
        return Usage(c, "debug", kDebugUsage);
    std::ifstream scriptFile;
    if (o.script) {
        scriptFile.open(*o.script, std::ios::binary);
        if (!scriptFile) {
            c.err << "pellix-cli: cannot read " << *o.script << ": " << std::strerror(errno)
                  << "\n";
            return 1;
        }
    }
    Session s(c, o.port.value_or(c.defaults.port));
    s.irc.setting = c.defaults.irc;
    AssemblyRecord& record = *s.record;
    if (!LoadProgram(c, o.positional[0], record)) return 1;
    PrepareDebug(record);
    if (record.status != 0) {
        c.err << "pellix-cli: " << record.message << "\n";
        return 1;
    }
    FitVirtualChip(c, s.link.portName, record);
    std::istream* in = o.script ? &scriptFile : c.in;
    if (!in) return Usage(c, "debug", kDebugUsage);
    const std::string source = o.script ? *o.script : std::string("stdin");
    // At a terminal a mistyped command is only reported; in a script it ends the session.
    const bool interactive = !o.script && c.inIsTerminal;
    return Guarded(c, [&] {
        s.link.RequireFullKey();
        s.device.ProgramChip(false);
        DebugControl control(s.link, record);
        DebugConsole console(control, c.out);
        if (c.virtualKey && IsVirtualKeyPort(s.link.portName))
            console.AttachLab(&c.virtualKey->Chip());
        std::string error;
        if (!console.Begin(error)) {
            c.err << "pellix-cli: " << error << "\n";
            control.StopDebugging();
            return 1;
        }
        c.out.flush();
        bool failed = false;
        std::string line;
        for (int number = 1; std::getline(*in, line); ++number) {
            if (!line.empty() && line.back() == '\r') line.pop_back();
            DebugConsole::Result r = console.Execute(line, error);
            c.out.flush();
            if (r == DebugConsole::Result::Quit) break;
            if (r == DebugConsole::Result::Error) {
                c.err << "pellix-cli: " << source << ":" << number << ": " << error << "\n";
                failed = true;
                if (!interactive) break;
            }
        }
        control.StopDebugging();
        return failed ? 1 : 0;
    });
}

int RunInProcessContext(ChipCommand command, const std::vector<std::string>& args) {
    IniFile settings;
    std::string path = SettingsPath();
    if (!settings.Load(path))
        std::cerr << "pellix-cli: cannot read the settings " << path << "; using the defaults\n";
    VirtualKey key;
    SteadyTickSource ticks;
    PortFactory ports(&key, ticks);
    ChipContext context{ports,
                        ticks,
                        std::cout,
                        std::cerr,
                        ::isatty(STDERR_FILENO) == 1,
                        ReadChipDefaults(settings)};
    context.in = &std::cin;
    context.inIsTerminal = ::isatty(STDIN_FILENO) == 1;
    context.virtualKey = &key;
    int rc = command(context, args);
    std::cout.flush();
    return rc;
}

} // namespace pellix::cli
