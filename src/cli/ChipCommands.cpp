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
#include "cli/CliCommand.h"
#include "cli/SourcePlaces.h"
#include "cli/SourceText.h"
#include "link/ClockUnit.h"
#include "link/DebugConsole.h"
#include "link/DebugControl.h"
#include "link/DebugKernel.h"
#include "link/DeviceUnit.h"
#include "link/IRCUnit.h"
#include "link/KeyLink.h"
#include "link/LineTrace.h"
#include "link/PortFactory.h"
#include "link/SilentAbort.h"
#include "platform/FileIo.h"
#include "shell/SXCUnit.h"
#include "sim/VirtualKey.h"
#include "target/DeviceTables.h"
#include "target/HexText.h"
#include "target/ImageFile.h"

namespace pellix::cli {

namespace {

namespace fs = std::filesystem;

constexpr int kBarTextWidth = 20;

// The extensions the device window loads as images; anything else is a source.
bool IsImageName(const std::string& name) {
    std::string ext = fs::path(name).extension().string();
    return EqualsNoCase(ext, ".sxh") || EqualsNoCase(ext, ".obj") || EqualsNoCase(ext, ".hex");
}

// A compiler's debug file: Byte Craft's, or gpasm's and gplink's.
bool IsCodName(const std::string& name) {
    return EqualsNoCase(fs::path(name).extension().string(), ".cod");
}

struct Options {
    std::vector<std::string> positional;
    std::optional<std::string> port;
    std::optional<std::string> irc;
    std::optional<std::string> output;
    std::optional<std::string> script;
    bool noVerify = false;
    bool verify = false;
    // Every chip command takes these two.
    std::optional<std::string> trace;
    bool verbose = false;
    // Why the command line was refused.
    std::string problem;
};

enum OptionSet : unsigned {
    kPortOption = 1,
    kIrcOption = 2,
    kOutputOption = 4,
    kScriptOption = 8,
    kNoVerifyOption = 16,
    kVerifyOption = 32
};

// False on anything the command does not take; `o.problem` says what.
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
        if ((a == "--no-verify" && (allowed & kNoVerifyOption)) ||
            (a == "--verify" && (allowed & kVerifyOption))) {
            (a == "--verify" ? o.verify : o.noVerify) = true;
            continue;
        }
        std::string name = a, value;
        bool hasValue = false;
        if (size_t eq = a.find('='); a.rfind("--", 0) == 0 && eq != std::string::npos) {
            name = a.substr(0, eq);
            value = a.substr(eq + 1);
            hasValue = true;
        }
        if ((name == "-v" || name == "--verbose") && !hasValue) {
            o.verbose = true;
            continue;
        }
        std::optional<std::string>* target = nullptr;
        if (name == "--port" && (allowed & kPortOption)) target = &o.port;
        if (name == "--script" && (allowed & kScriptOption)) target = &o.script;
        if (name == "--irc" && (allowed & kIrcOption)) target = &o.irc;
        if ((name == "-o" || name == "--output") && (allowed & kOutputOption)) target = &o.output;
        if (name == "--trace") target = &o.trace;
        if (!target) {
            o.problem = "unknown option '" + a + "'";
            return false;
        }
        if (!hasValue) {
            if (i + 1 >= args.size()) {
                o.problem = name + " needs a value";
                return false;
            }
            value = args[++i];
        }
        if (value.empty()) {
            o.problem = name + " needs a value";
            return false;
        }
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

// The reason the command line was refused, then how the command is used.
int Usage(ChipContext& c, const char* command, const char* usage, const Options& o) {
    std::string problem = o.problem;
    if (problem.empty() && o.positional.size() > 1)
        problem = "unexpected argument '" + o.positional.back() + "'";
    if (problem.empty()) {
        std::string_view what(usage);
        problem = std::string(what.substr(0, what.find(' '))) + " is missing";
    }
    c.err << kErrorPrefix << problem << "\n"
          << "Usage: pellix-cli " << command << " " << usage << "\n";
    return 2;
}

// Everything one command needs on the PC's side of the key: the link with its trace and
// step lines as the options ask, the record, programming.
struct Session {
    Session(ChipContext& c, const Options& o)
        : progress(c.err, c.progressBar && !o.verbose), prompter(c.out, c.err, progress),
          link(c.ports, c.ticks, prompter), record(std::make_unique<AssemblyRecord>()),
          device(link, *record, progress, prompter, irc) {
        link.portName = o.port.value_or(c.defaults.port);
        record->StartUp();
        if (o.verbose)
            link.onStep = [&err = c.err](const std::string& step) {
                err << "pellix-cli: " << step << "\n";
                err.flush();
            };
        if (o.trace) {
            traceFile.open(*o.trace, std::ios::binary | std::ios::trunc);
            if (!traceFile) {
                c.err << kErrorPrefix << "cannot write " << *o.trace << ": " << std::strerror(errno)
                      << "\n";
                ready = false;
                return;
            }
            trace = std::make_unique<LineTrace>(traceFile);
            link.trace = trace.get();
        }
    }
    // False when the trace file cannot be written: the command ends before it starts.
    bool ready = true;
    // Before the link, which may write to them until it is destroyed.
    std::ofstream traceFile;
    std::unique_ptr<LineTrace> trace;
    TerminalProgress progress;
    ConsolePrompter prompter;
    KeyLink link;
    std::unique_ptr<AssemblyRecord> record;
    IrcCalibration irc;
    DeviceUnit device;
};

// An image as the device window loads it, a compiler's .COD file, or a source through the
// built-in assembler; either way `assembled` and `transfer` then hold it.
bool LoadProgram(ChipContext& c, const std::string& name, AssemblyRecord& record,
                 Prompter& prompter) {
    if (IsCodName(name)) {
        SXCLoader loader(record, prompter); // its messages have been shown
        if (!loader.LoadCode(name)) return false;
        record.transfer = record.assembled;
        return true;
    }
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
        c.err << kErrorPrefix << e.what() << "\n";
        return 1;
    }
}

// Reads the chip back and compares it with the image just written: the key's protocol has
// no checksum, so this is the only way to know that what arrived is what was sent.
bool VerifyWritten(ChipContext& c, Session& s) {
    int family = s.record->deviceFamily;
    VerifyResult r = s.device.VerifyChip(family == 1);
    if (r.Ok()) return true;
    PrintDifferences(c, r, family);
    c.err << kErrorPrefix << "the chip does not hold the program written (Verify failed at "
          << r.area << ")\n";
    return false;
}

// The key's clock at the program's frequency, the chip reset to run from the start.
void StartClock(Session& s) {
    s.link.ConnectKey();
    ClockOn(s.device.Protocol(), s.record->debug.frequency);
    s.device.Protocol().Reset();
    s.link.ReleaseKey();
}

int ProgramLike(ChipContext& c, const std::vector<std::string>& args, const char* command,
                bool runAfter) {
    Options o;
    if (!ParseOptions(args, kPortOption | kIrcOption | kNoVerifyOption, o) ||
        o.positional.size() != 1)
        return Usage(c, command, kWriteUsage, o);
    IrcSetting irc = c.defaults.irc;
    if (o.irc) {
        auto chosen = ParseIrc(*o.irc);
        if (!chosen) {
            o.problem = "--irc takes slowest, 4mhz or fastest, not '" + *o.irc + "'";
            return Usage(c, command, kWriteUsage, o);
        }
        irc = *chosen;
    }
    Session s(c, o);
    if (!s.ready) return 1;
    s.irc.setting = irc;
    if (!LoadProgram(c, o.positional[0], *s.record, s.prompter)) return 1;
    FitVirtualChip(c, s.link.portName, *s.record);
    return Guarded(c, [&] {
        // Run needs the full key, as the main window's Run does; Program does not ask.
        if (runAfter) s.link.RequireFullKey();
        // Verified, the chip is read before its clock starts.
        s.device.ProgramChip(runAfter && o.noVerify);
        PrintCalibration(c, s.irc);
        if (!o.noVerify) {
            if (!VerifyWritten(c, s)) return 1;
            if (runAfter) StartClock(s);
        }
        if (runAfter) c.out << ClockText(s.record->debug.frequency) << "\n";
        return 0;
    });
}

// Two reads of one chip, word for word: "first" and "second" as the lines name them.
VerifyResult CompareReads(const ProgramImage& first, const ProgramImage& second) {
    VerifyResult r;
    auto differ = [&](std::string what, uint16_t a, uint16_t b) {
        if (a == b) return;
        if (r.differences.size() < kVerifyDifferencesKept)
            r.differences.push_back({std::move(what), a, b});
        ++r.differing;
        r.area = "reading";
    };
    differ("FUSE", first.Fuse(), second.Fuse());
    differ("FUSEX", first.Fusex(), second.Fusex());
    for (int i = 0; i < kIdWords; ++i)
        differ("ID " + std::to_string(i), first[kIdIndex + i], second[kIdIndex + i]);
    for (int a = 0; a < kCodeWords; ++a)
        differ(Hex3(unsigned(a)), first[a], second[a]);
    return r;
}

} // namespace

bool LoadProgramFile(std::ostream& err, const std::string& name, AssemblyRecord& record) {
    FileRead file = ReadWholeFile(name);
    if (!file.ok) {
        err << kErrorPrefix << "cannot read " << name << ": " << file.error << "\n";
        return false;
    }
    const std::string& text = file.data;
    if (IsImageName(name)) {
        if (!LoadImageText(record, text)) {
            err << kErrorPrefix << name << ": " << record.message << "\n";
            return false;
        }
        return true;
    }
    record.source = AssemblerSource(text, name, err);
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
    bool messageEnded = false;
    for (char ch : text) {
        if (ch != '\r') {
            line.push_back(ch);
            continue;
        }
        messageEnded = messageEnded || (!line.empty() && line.back() == '.');
        line += messageEnded ? "\n  " : ": ";
    }
    if (icon == PromptIcon::Error) {
        err_ << kErrorPrefix << line << "\n";
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
    bool parsed = ParseOptions(args, kPortOption | kIrcOption, o);
    if (parsed && o.irc && !ParseIrc(*o.irc))
        o.problem = "--irc takes slowest, 4mhz or fastest, not '" + *o.irc + "'";
    if (!parsed || o.positional.size() != 1 || !o.problem.empty())
        return Usage(c, "verify", kProgramUsage, o);
    Session s(c, o);
    if (!s.ready) return 1;
    if (!LoadProgram(c, o.positional[0], *s.record, s.prompter)) return 1;
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
    bool parsed = ParseOptions(args, kPortOption | kOutputOption | kVerifyOption, o);
    if (parsed && o.positional.empty() && !o.output) o.problem = "-o IMAGE is missing";
    if (!parsed || !o.positional.empty() || !o.output) return Usage(c, "read", kReadUsage, o);
    Session s(c, o);
    if (!s.ready) return 1;
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
        if (!o.verify) return 0;
        // A second read that differs means bytes were damaged on the way: no image is written.
        const ProgramImage first = record.transfer;
        const uint8_t family = record.deviceFamily;
        s.device.ReadChip(kVerifyingText);
        VerifyResult r = CompareReads(first, record.transfer);
        if (r.Ok() && family == record.deviceFamily) return 0;
        for (const VerifyDifference& d : r.differences)
            c.err << "  " << d.what << ": first read " << Hex3(d.expected) << ", second read "
                  << Hex3(d.actual) << "\n";
        if (int more = r.differing - int(r.differences.size()); more > 0)
            c.err << "  and " << more << " more\n";
        c.err << kErrorPrefix << "two reads of the chip differ; " << *o.output
              << " is not written\n";
        return 1;
    });
    if (rc != 0) return rc;
    record.assembled = record.transfer;
    if (!WriteHex(record)) {
        c.err << kErrorPrefix << record.message << "\n";
        return 1;
    }
    if (std::string e = ReplaceFileContents(*o.output, record.debug.ListingText()); !e.empty()) {
        c.err << kErrorPrefix << "cannot write " << *o.output << ": " << e << "\n";
        return 1;
    }
    return 0;
}

int ClockCommand(ChipContext& c, const std::vector<std::string>& args) {
    Options o;
    if (!ParseOptions(args, kPortOption, o) || o.positional.size() != 1)
        return Usage(c, "clock", kClockUsage, o);
    bool off = EqualsNoCase(o.positional[0], "off");
    uint32_t frequency = 0;
    if (!off) {
        auto f = ParseClockFrequency(o.positional[0]);
        if (!f) {
            c.err << kErrorPrefix << "'" << o.positional[0]
                  << "' is not a frequency: give hertz (4000000) or a unit (4.9152MHz, 500kHz)\n";
            return 2;
        }
        if (*f < kMinFrequency || *f > kMaxFrequency) {
            c.err << kErrorPrefix << "the clock runs from " << GroupedDecimal(kMinFrequency)
                  << " to " << GroupedDecimal(kMaxFrequency) << " Hz, not " << GroupedDecimal(*f)
                  << "\n";
            return 2;
        }
        frequency = *f;
    }
    Session s(c, o);
    if (!s.ready) return 1;
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
                     "virtual key); the settings' port when not given. A .cod file is compiler\n"
                     "output (Byte Craft, gpasm or gplink), debugged with the .lst beside it.\n\n"
                  << DebugConsole::HelpText();
            return 0;
        }
    }
    Options o;
    if (!ParseOptions(args, kPortOption | kScriptOption, o) || o.positional.size() != 1)
        return Usage(c, "debug", kDebugUsage, o);
    std::ifstream scriptFile;
    if (o.script) {
        // A script that cannot be read is a mistake on the command line, not an empty session.
        std::error_code ec;
        bool folder = fs::is_directory(*o.script, ec);
        if (!folder) scriptFile.open(*o.script, std::ios::binary);
        if (folder || !scriptFile) {
            o.problem = "cannot read the script " + *o.script + ": " +
                        std::strerror(folder ? EISDIR : errno);
            return Usage(c, "debug", kDebugUsage, o);
        }
    }
    Session s(c, o);
    if (!s.ready) return 1;
    s.irc.setting = c.defaults.irc;
    AssemblyRecord& record = *s.record;
    const std::string& name = o.positional[0];
    // Compiler output comes with its list file, as pellix /B takes it.
    std::unique_ptr<SXCLoader> cod;
    SourcePlace sourcePlace;
    if (IsCodName(name)) {
        cod = std::make_unique<SXCLoader>(record, s.prompter);
        if (!cod->SXCLoad(sxc::BaseName(name))) return 1; // its messages have been shown
        sourcePlace = CodSourcePlace(*cod->Code());
    } else {
        if (!LoadProgram(c, name, record, s.prompter)) return 1;
        sourcePlace = IsImageName(name) ? OrdaSourcePlaceBeside(name, record)
                                        : BuiltInSourcePlace(record, name);
    }
    PrepareDebug(record);
    if (record.status != 0) {
        c.err << kErrorPrefix << record.message << "\n";
        return 1;
    }
    FitVirtualChip(c, s.link.portName, record);
    std::istream* in = o.script ? &scriptFile : c.in;
    if (!in) {
        o.problem = "no commands: give --script FILE";
        return Usage(c, "debug", kDebugUsage, o);
    }
    const std::string source = o.script ? *o.script : std::string("stdin");
    // At a terminal a mistyped command is only reported; in a script it ends the session.
    const bool interactive = !o.script && c.inIsTerminal;
    return Guarded(c, [&] {
        s.link.RequireFullKey();
        s.device.ProgramChip(false);
        DebugControl control(s.link, record);
        DebugConsole console(control, c.out);
        console.sourcePlace = sourcePlace;
        if (c.virtualKey && IsVirtualKeyPort(s.link.portName))
            console.AttachLab(&c.virtualKey->Chip());
        std::string error;
        if (!console.Begin(error)) {
            c.err << kErrorPrefix << error << "\n";
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
                c.err << kErrorPrefix << source << ":" << number << ": " << error << "\n";
                failed = true;
                if (!interactive) break;
            }
        }
        if (in->bad()) {
            c.err << kErrorPrefix << source << ": reading failed\n";
            failed = true;
        }
        control.StopDebugging();
        return failed ? 1 : 0;
    });
}

int RunInProcessContext(ChipCommand command, const std::vector<std::string>& args) {
    IniFile settings;
    std::string path = SettingsPath();
    if (!settings.Load(path))
        std::cerr << "pellix-cli: warning: cannot read the settings " << path
                  << "; using the defaults\n";
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
