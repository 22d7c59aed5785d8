#include "link/DebugConsole.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <vector>

#include "asm/Disassembler.h"
#include "link/DebugKernel.h"
#include "link/LabConsole.h"
#include "link/WatchFormat.h"

namespace pellix {

namespace {

std::string Hex(uint32_t value, int digits) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%0*X", digits, unsigned(value));
    return buf;
}

std::string Binary(uint32_t value) {
    std::string s;
    for (int bit = 7; bit >= 0; --bit)
        s += ((value >> bit) & 1) ? '1' : '0';
    return s;
}

std::string Upper(std::string_view s) {
    std::string out;
    for (char ch : s)
        out += char(std::toupper(static_cast<unsigned char>(ch)));
    return out;
}

std::vector<std::string_view> Words(std::string_view line) {
    std::vector<std::string_view> words;
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && std::isspace(static_cast<unsigned char>(line[i])))
            ++i;
        size_t start = i;
        while (i < line.size() && !std::isspace(static_cast<unsigned char>(line[i])))
            ++i;
        if (i > start) words.push_back(line.substr(start, i - start));
    }
    return words;
}

// Hexadecimal, as the tool prints numbers ("$" or "0x" may lead), or binary after "%".
std::optional<uint32_t> Number(std::string_view text, uint32_t max) {
    uint32_t base = 16;
    if (!text.empty() && text[0] == '$') {
        text.remove_prefix(1);
    } else if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.remove_prefix(2);
    } else if (!text.empty() && text[0] == '%') {
        text.remove_prefix(1);
        base = 2;
    }
    if (text.empty()) return std::nullopt;
    uint64_t v = 0;
    for (char ch : text) {
        int d = std::isdigit(static_cast<unsigned char>(ch)) ? ch - '0'
                : std::isxdigit(static_cast<unsigned char>(ch))
                    ? std::toupper(static_cast<unsigned char>(ch)) - 'A' + 10
                    : 99;
        if (d >= int(base)) return std::nullopt;
        v = v * base + uint64_t(d);
        if (v > max) return std::nullopt;
    }
    return uint32_t(v);
}

constexpr int kRegisterInt = -2;
constexpr int kRegisterSkip = -3;

// A register by name or by its address 00 to FF.
std::optional<int> RegisterOf(std::string_view text, int family) {
    std::string n = Upper(text);
    struct Name {
        const char* name;
        int address;
    };
    static constexpr Name kNames[] = {
        {"IND", 0},
        {"INDF", 0},
        {"INDIRECT", 0},
        {"RTCC", 1},
        {"WREG", 1},
        {"PC", 2},
        {"PCL", 2},
        {"STATUS", 3},
        {"FSR", 4},
        {"RA", 5},
        {"RB", 6},
        {"RC", 7},
        {"RD", 8},
        {"RE", 9},
        {"W", kRegisterW},
        {"M", kRegisterM},
        {"INT", kRegisterInt},
        {"SKIP", kRegisterSkip},
    };
    for (const Name& name : kNames) {
        if (n != name.name) continue;
        if (family == 0 && (name.address == 8 || name.address == 9)) return std::nullopt;
        return name.address;
    }
    auto a = Number(text, 0xFF);
    if (!a) return std::nullopt;
    return int(*a);
}

} // namespace

DebugConsole::DebugConsole(DebugControl& control, std::ostream& out)
    : c_(control), out_(out), lab_(std::make_unique<LabConsole>(control, out)) {}

DebugConsole::~DebugConsole() = default;

void DebugConsole::AttachLab(VirtualChip* chip) {
    lab_->Attach(chip);
}

std::string DebugConsole::HelpText() {
    return "Commands (numbers are hexadecimal; $ or 0x may lead, % for binary):\n"
           "  step [N]        execute N instructions (1), one stop line each\n"
           "  hop             step until the source line changes\n"
           "  run             run to the breakpoint, or freely without one\n"
           "  poll            tell whether the chip is running, asleep or stopped\n"
           "  stop            stop a running chip\n"
           "  reset           restart the program from its reset vector\n"
           "  break ADDR|off  set or clear the breakpoint\n"
           "  pc ADDR         continue at ADDR\n"
           "  set REG VALUE   write a register (00-FF or a name, W, M, INT, SKIP)\n"
           "  regs            the register file\n"
           "  dump            the register file in a fixed form\n"
           "  watch           the program's WATCH variables\n"
           "  where           FILE:LINE of the next instruction's source line\n"
           "  quit            end debugging\n" +
           LabConsole::HelpText();
}

int DebugConsole::LineOf(uint32_t address) const {
    return c_.Record().debug.lineOfAddress[address & (kCodeWords - 1)];
}

std::string DebugConsole::StopLine() const {
    return StopLineText(c_.Record(), c_.live, c_.Family(), c_.Geometry().memorySize);
}

std::string StopLineText(const AssemblyRecord& record, const DebugState& s, int family,
                         int memorySize) {
    uint32_t status = s.Register(3);
    static constexpr const char* kFlags[8] = {"C", "DC", "Z", "PD", "TO", "PA0", "PA1", "PA2"};
    std::string flags;
    for (int bit = 7; bit >= 0; --bit) {
        if (!((status >> bit) & 1)) continue;
        if (!flags.empty()) flags += ' ';
        flags += kFlags[bit];
    }
    uint32_t pc = s.programCounter & uint32_t(memorySize - 1);
    std::string text = record.assembled.Written(int(pc))
                           ? Disassemble(record, int(pc), s.wAtOne != 0)
                           : "(unused)";
    return "PC=" + Hex(pc, 3) + " W=" + Hex(s.Register(kRegisterW), 2) +
           " STATUS=" + Hex(status, 2) + " [" + flags + "] FSR=" + Hex(s.Register(4), 2) +
           " M=" + Hex(s.Register(kRegisterM), family == 1 ? 2 : 1) +
           " INT=" + std::to_string(s.intFlag & 1) + " SKIP=" + std::to_string(s.skipFlag & 1) +
           "  " + text + "\n";
}

std::string DebugConsole::RegisterText() const {
    const DebugState& s = c_.live;
    const DebugState& before = c_.previous;
    const int family = c_.Family();
    const MemoryGeometry& g = c_.Geometry();
    auto cell = [&](int address, int digits = 2) {
        bool changed = s.Register(address) != before.Register(address);
        return std::string(changed ? "*" : " ") + Hex(s.Register(address), digits);
    };
    // Bank columns: the upper address nibble of each bank's 0x10 to 0x1F.
    std::vector<int> banks;
    if (family == 1) {
        for (int b = 1; b <= 15; ++b)
            banks.push_back(b * 16);
    } else {
        int n = g.ramBanks >= 8 ? 8 : g.ramBanks >= 4 ? 4 : 1;
        for (int b = 8 - n; b < 8; ++b)
            banks.push_back(b * 32 + 16);
    }
    static constexpr const char* kLabels[10] = {"IND", "RTCC", "PC", "STATUS", "FSR",
                                                "RA",  "RB",   "RC", "RD",     "RE"};
    const uint32_t fsr = s.Register(4);
    std::string out =
        "Bank " + Hex((fsr & (family == 1 ? 0xF0 : 0xE0)) >> 4, 1) + "x" + std::string(17, ' ');
    for (int base : banks)
        out += "  " + Hex(uint32_t(base) >> 4, 1) + "x";
    out += "\n";
    for (int row = 0; row < 16; ++row) {
        std::string label;
        if (row == 1)
            label = s.wAtOne ? "WREG" : "RTCC";
        else if (row < 5 + g.ports && row < 10)
            label = kLabels[row];
        else
            label = Hex(uint32_t(row), 2);
        label.resize(7, ' ');
        bool bits = row == 0 || row == 3 || row >= 5;
        out += label + cell(row) + " " + (bits ? Binary(s.Register(row)) : std::string(8, ' ')) +
               "  " + Hex(uint32_t(0x10 + row), 2);
        for (int base : banks)
            out += " " + cell(base + row);
        out += "\n";
    }
    out += "M      " + cell(kRegisterM, family == 1 ? 2 : 1) + (family == 1 ? " " : "  ") + "W" +
           cell(kRegisterW) + " " + Binary(s.Register(kRegisterW)) + "  INT " +
           std::to_string(s.intFlag & 1) + "  SKIP " + std::to_string(s.skipFlag & 1) + "\n";
    return out;
}

std::string DebugConsole::DumpText() const {
    const DebugState& s = c_.live;
    std::string out;
    for (int line = 0; line < 16; ++line) {
        out += Hex(uint32_t(line * 16), 2) + ":";
        for (int i = 0; i < 16; ++i)
            out += " " + Hex(s.Register(line * 16 + i), 2);
        out += "\n";
    }
    out += "M=" + Hex(s.Register(kRegisterM), 1) + " W=" + Hex(s.Register(kRegisterW), 2) +
           " PC=" + Hex(s.programCounter, 3) + " INT=" + std::to_string(s.intFlag & 1) +
           " SKIP=" + std::to_string(s.skipFlag & 1) + "\n";
    return out;
}

std::string DebugConsole::WatchText() const {
    const DebugInfo& d = c_.Record().debug;
    std::string out;
    for (int i = 0; i < d.watchCount && i < kMaxWatches; ++i) {
        const WatchRecord& w = d.watches[size_t(i)];
        const char* end = std::find(w.name, w.name + sizeof w.name, '\0');
        std::string name(w.name, end);
        out += name + " = " + FormatWatch(c_.live, w, c_.Family(), c_.Geometry().ramBanks, false) +
               "\n";
    }
    return out;
}

std::string DebugConsole::WhereText() const {
    const uint32_t mask = uint32_t(c_.Geometry().memorySize - 1);
    const uint32_t next = (c_.live.programCounter + (c_.live.skipFlag & 1)) & mask;
    std::string place = sourcePlace ? sourcePlace(next) : std::string();
    return (place.empty() ? "no source line at " + Hex(next, 3) : place) + "\n";
}

bool DebugConsole::Stopped(std::string& error) const {
    if (c_.flags.stateValid) return true;
    error = "the chip is running (stop it first)";
    return false;
}

void DebugConsole::Show() {
    c_.ReadDebugState();
    c_.RefreshViews();
    out_ << StopLine();
}

bool DebugConsole::Begin(std::string& error) {
    c_.StartDebugging();
    if (!c_.WaitForStop(kApplyLimitMs)) {
        error = "the chip did not stop in the debug kernel";
        // The kernel sits at the end of the family's full memory.
        if (c_.Geometry().memorySize < KernelEnd(c_.Family()) + 1)
            error += " (it lies beyond the " + std::to_string(c_.Geometry().memorySize) +
                     " words that FUSEX selects)";
        return false;
    }
    Show();
    return true;
}

bool DebugConsole::Step(std::string& error) {
    c_.ResumeChip(RunModeStep);
    if (!c_.WaitForStop(kApplyLimitMs)) {
        if (c_.flags.lastRunState == 1) {
            error = "the chip went to sleep (reset brings it back)";
            return false;
        }
        c_.Link().LinkError("Chip connection failed");
    }
    Show();
    return true;
}

DebugConsole::Result DebugConsole::Hop(std::string& error) {
    if (!Stopped(error)) return Result::Error;
    c_.flags.hop = 1;
    c_.flags.lastLine = LineOf(c_.live.programCounter);
    TickSource& ticks = c_.Link().Ticks();
    uint32_t start = ticks.Milliseconds();
    for (;;) {
        c_.ResumeChip(RunModeStep);
        if (!c_.WaitForStop(kApplyLimitMs)) {
            c_.flags.hop = 0;
            if (c_.flags.lastRunState == 1) {
                error = "the chip went to sleep (reset brings it back)";
                return Result::Error;
            }
            c_.Link().LinkError("Chip connection failed");
        }
        c_.ReadDebugState();
        int line = LineOf(c_.live.programCounter);
        // Without a listing every instruction is a line of its own.
        if (line != c_.flags.lastLine || line < 0) break;
        if (c_.live.programCounter == c_.live.breakpoint) break;
        if (ticks.Milliseconds() - start >= runLimitMs) {
            c_.RefreshViews();
            c_.flags.hop = 0;
            out_ << StopLine() << "(still on the same line after " << runLimitMs / 1000 << " s)\n";
            return Result::Ok;
        }
    }
    c_.flags.hop = 0;
    c_.flags.lastLine = LineOf(c_.live.programCounter);
    c_.RefreshViews();
    out_ << StopLine();
    return Result::Ok;
}

DebugConsole::Result DebugConsole::RunCommand(std::string& error) {
    if (!Stopped(error)) return Result::Error;
    c_.flags.hop = 0;
    if (c_.live.breakpoint == kNoBreakpoint) {
        c_.ResumeChip(RunModeFree);
        out_ << "Running\n";
        return Result::Ok;
    }
    TickSource& ticks = c_.Link().Ticks();
    const uint32_t start = ticks.Milliseconds();
    for (;;) {
        c_.ResumeChip(RunModeToBreak);
        uint32_t spent = ticks.Milliseconds() - start;
        if (spent >= runLimitMs || !c_.WaitForStop(runLimitMs - spent)) {
            out_ << (c_.flags.lastRunState == 1 ? "Sleeping" : "Running")
                 << " (the breakpoint was not reached in " << runLimitMs / 1000 << " s)\n";
            return Result::Ok;
        }
        c_.ReadDebugState();
        // A hit is reported after the breakpoint's instruction; a stop exactly at the
        // breakpoint is the program back on it at once, which runs on as in the window.
        if (c_.live.programCounter != c_.live.breakpoint) break;
        if (ticks.Milliseconds() - start >= runLimitMs) {
            c_.RefreshViews();
            out_ << StopLine() << "(back at the breakpoint at every stop for " << runLimitMs / 1000
                 << " s)\n";
            return Result::Ok;
        }
    }
    c_.RefreshViews();
    out_ << StopLine();
    return Result::Ok;
}

DebugConsole::Result DebugConsole::StopCommand(std::string& error) {
    if (c_.flags.stateValid) {
        out_ << StopLine();
        return Result::Ok;
    }
    c_.StopChip();
    if (c_.WaitForStop(kApplyLimitMs)) {
        Show();
        return Result::Ok;
    }
    error = c_.flags.lastRunState == 1 ? "the chip is asleep and cannot be stopped (reset it)"
                                       : "the chip did not stop";
    return Result::Error;
}

DebugConsole::Result DebugConsole::Set(std::string_view regText, std::string_view valueText,
                                       std::string& error) {
    const int family = c_.Family();
    auto reg = RegisterOf(regText, family);
    if (!reg) {
        error = "unknown register '" + std::string(regText) + "'";
        return Result::Error;
    }
    if (*reg == kRegisterM && family == 1) {
        error = "M is read-only during debug on SX48/52";
        return Result::Error;
    }
    uint32_t max = *reg == kRegisterInt || *reg == kRegisterSkip ? 1
                   : *reg == kRegisterM                          ? 0x0F
                                                                 : 0xFF;
    auto value = Number(valueText, max);
    if (!value) {
        error = "'" + std::string(valueText) + "' is not a value from 0 to " + Hex(max, 1);
        return Result::Error;
    }
    if (!Stopped(error)) return Result::Error;
    if (*reg == kRegisterInt)
        c_.live.intFlag = uint8_t(*value);
    else if (*reg == kRegisterSkip)
        c_.live.skipFlag = uint8_t(*value);
    else
        c_.WriteRegister(*reg, uint8_t(*value));
    c_.ApplyChanges();
    out_ << StopLine();
    return Result::Ok;
}

DebugConsole::Result DebugConsole::Execute(std::string_view line, std::string& error) {
    Result r = ExecuteCommand(line, error);
    lab_->FlushUart();
    return r;
}

DebugConsole::Result DebugConsole::ExecuteCommand(std::string_view line, std::string& error) {
    std::vector<std::string_view> w = Words(line);
    if (w.empty() || w[0][0] == '#' || w[0][0] == ';') return Result::Ok;
    if (auto r = lab_->Execute(w, error, [this] { Show(); })) return *r;
    std::string command = Upper(w[0]);
    auto arguments = [&](size_t least, size_t most) {
        if (w.size() - 1 >= least && w.size() - 1 <= most) return true;
        error = "usage: " + std::string(w[0]);
        if (command == "STEP") error += " [N]";
        if (command == "BREAK") error += " ADDR|off";
        if (command == "PC") error += " ADDR";
        if (command == "SET") error += " REG VALUE";
        return false;
    };

    if (command == "STEP") {
        if (!arguments(0, 1)) return Result::Error;
        uint32_t n = 1;
        if (w.size() == 2) {
            std::string decimal(w[1]);
            char* end = nullptr;
            unsigned long v = std::strtoul(decimal.c_str(), &end, 10);
            if (decimal.empty() || *end != '\0' || v < 1 || v > maxSteps ||
                !std::isdigit(static_cast<unsigned char>(decimal[0]))) {
                error = "step takes a count from 1 to " + std::to_string(maxSteps);
                return Result::Error;
            }
            n = uint32_t(v);
        }
        if (!Stopped(error)) return Result::Error;
        c_.flags.hop = 0;
        for (uint32_t i = 0; i < n; ++i)
            if (!Step(error)) return Result::Error;
        return Result::Ok;
    }
    if (command == "HOP") return arguments(0, 0) ? Hop(error) : Result::Error;
    if (command == "RUN") return arguments(0, 0) ? RunCommand(error) : Result::Error;
    if (command == "POLL") {
        if (!arguments(0, 0)) return Result::Error;
        if (c_.flags.stateValid) {
            out_ << StopLine();
        } else if (c_.PollChip()) {
            Show();
        } else {
            out_ << (c_.flags.lastRunState == 1 ? "Sleeping\n" : "Running\n");
        }
        return Result::Ok;
    }
    if (command == "STOP") return arguments(0, 0) ? StopCommand(error) : Result::Error;
    if (command == "RESET") {
        if (!arguments(0, 0)) return Result::Error;
        c_.RestartChip();
        if (!c_.WaitForStop(kApplyLimitMs)) {
            error = "the chip did not come back to the debug kernel";
            return Result::Error;
        }
        Show();
        return Result::Ok;
    }
    if (command == "BREAK") {
        if (!arguments(1, 1)) return Result::Error;
        if (Upper(w[1]) == "OFF") {
            c_.live.breakpoint = c_.shown.breakpoint = kNoBreakpoint;
            out_ << "No breakpoint\n";
            return Result::Ok;
        }
        auto a = Number(w[1], 0xFFF);
        if (!a || *a >= uint32_t(c_.Geometry().memorySize) || !c_.IsCodeAddress(int(*a))) {
            error = "no instruction at '" + std::string(w[1]) + "' for a breakpoint";
            return Result::Error;
        }
        c_.live.breakpoint = c_.shown.breakpoint = *a;
        out_ << "Breakpoint at " << Hex(*a, 3) << "\n";
        return Result::Ok;
    }
    if (command == "PC") {
        if (!arguments(1, 1)) return Result::Error;
        auto a = Number(w[1], 0xFFF);
        if (!a || *a >= uint32_t(c_.Geometry().memorySize) || !c_.IsCodeAddress(int(*a))) {
            error = "no instruction at '" + std::string(w[1]) + "'";
            return Result::Error;
        }
        if (!Stopped(error)) return Result::Error;
        // No click toggled the breakpoint first, so there is nothing to undo.
        c_.shown.breakpoint = c_.live.breakpoint;
        c_.SetProgramCounter(int(*a));
        out_ << StopLine();
        return Result::Ok;
    }
    if (command == "SET") return arguments(2, 2) ? Set(w[1], w[2], error) : Result::Error;
    if (command == "REGS" || command == "DUMP" || command == "WATCH") {
        if (!arguments(0, 0) || !Stopped(error)) return Result::Error;
        if (command == "REGS") out_ << RegisterText();
        if (command == "DUMP") out_ << DumpText();
        if (command == "WATCH") {
            std::string text = WatchText();
            out_ << (text.empty() ? "(no watches)\n" : text);
        }
        return Result::Ok;
    }
    if (command == "WHERE") {
        if (!arguments(0, 0) || !Stopped(error)) return Result::Error;
        out_ << WhereText();
        return Result::Ok;
    }
    if (command == "HELP") {
        out_ << HelpText();
        return Result::Ok;
    }
    if (command == "QUIT" || command == "EXIT") return Result::Quit;
    error = "unknown command '" + std::string(w[0]) + "' (try help)";
    return Result::Error;
}

} // namespace pellix
