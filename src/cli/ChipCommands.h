// pellix-cli's commands that talk to the chip through the key: program, run, verify, read
// and clock. They run on a context, so a test can give them its own virtual key, clock and
// streams; the program gives them its own (ProcessChipContext).
#pragma once

#include <cstdint>
#include <istream>
#include <optional>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/CliSettings.h"
#include "link/ProgressSink.h"
#include "link/SerialPort.h"
#include "platform/Prompter.h"
#include "platform/TickSource.h"

namespace pellix {
class VirtualKey;
struct AssemblyRecord;
} // namespace pellix

namespace pellix::cli {

inline constexpr char kProgramUsage[] =
    "IMAGE|SOURCE|COD [--port PORT] [--irc slowest|4mhz|fastest] [--trace FILE] [-v]";
// program and run read the chip back after writing unless told not to.
inline constexpr char kWriteUsage[] = "IMAGE|SOURCE|COD [--port PORT] [--irc slowest|4mhz|fastest] "
                                      "[--no-verify] [--trace FILE] [-v]";
inline constexpr char kReadUsage[] = "-o IMAGE [--port PORT] [--verify] [--trace FILE] [-v]";
inline constexpr char kClockUsage[] = "FREQ|off [--port PORT] [--trace FILE] [-v]";
inline constexpr char kDebugUsage[] =
    "SOURCE|IMAGE|COD [--port PORT] [--script FILE] [--trace FILE] [-v]";

struct ChipContext {
    SerialPortFactory& ports;
    TickSource& ticks;
    std::ostream& out;
    std::ostream& err;
    bool progressBar = false; // err is a terminal
    ChipDefaults defaults;
    std::istream* in = nullptr; // debug commands when no script is given
    bool inIsTerminal = false;
    // The in-process key behind port "sim", when there is one: its board takes a part of the
    // family of the program about to be written, as a user would fit one.
    VirtualKey* virtualKey = nullptr;
};

using ChipCommand = int (*)(ChipContext& context, const std::vector<std::string>& args);

// Each returns the exit code: 0 success, 1 failure (a link error, a failed verify, a file
// or source that cannot be used), 2 a usage error.
int ProgramCommand(ChipContext& context, const std::vector<std::string>& args);
int RunCommand(ChipContext& context, const std::vector<std::string>& args);
int VerifyCommand(ChipContext& context, const std::vector<std::string>& args);
int ReadCommand(ChipContext& context, const std::vector<std::string>& args);
int ClockCommand(ChipContext& context, const std::vector<std::string>& args);
// Prepares the program for debugging, programs it and runs the debug console's commands from
// --script FILE or the context's input.
int DebugCommand(ChipContext& context, const std::vector<std::string>& args);

// Runs a command on the program's own context: the port "sim" is a virtual key of this
// process, the defaults come from the settings file, the bar shows when stderr is a
// terminal.
int RunInProcessContext(ChipCommand command, const std::vector<std::string>& args);

// An image as the device window loads it (.sxh, .obj, .hex), or a source through the
// built-in assembler; either way `assembled` and `transfer` then hold it. False after
// saying why on `err`.
bool LoadProgramFile(std::ostream& err, const std::string& name, AssemblyRecord& record);

// A clock frequency as given on the command line: hertz ("4000000", "4_000_000") or a
// number with a unit ("4.9152MHz", "32768Hz", "500k"), whole hertz only.
std::optional<uint32_t> ParseClockFrequency(std::string_view text);

// The bar on the terminal: the operation's text and 32 steps.
class TerminalProgress final : public ProgressSink {
public:
    TerminalProgress(std::ostream& err, bool enabled) : err_(err), enabled_(enabled) {}
    void ShowProgress(const std::string& text) override;
    void StepProgress() override;
    void CloseProgress() override;

private:
    void Draw();
    std::ostream& err_;
    bool enabled_;
    bool shown_ = false;
    std::string text_;
    int steps_ = 0;
};

// Message boxes as lines: errors as "pellix-cli: error: TEXT" on err, everything else on
// out. The lines of a box join with ": " up to the first that ends in "." (the message);
// the lines after it (what the system said, what to do) follow indented. A bar being drawn
// ends its line first.
class ConsolePrompter final : public Prompter {
public:
    ConsolePrompter(std::ostream& out, std::ostream& err, ProgressSink& progress)
        : out_(out), err_(err), progress_(progress) {}
    PromptAnswer Message(const std::string& text, const std::string& caption, PromptButtons buttons,
                         PromptIcon icon) override;
    std::optional<std::string> OpenFileName(const FileDialogRequest&) override { return {}; }
    std::optional<std::string> SaveFileName(const FileDialogRequest&) override { return {}; }

private:
    std::ostream& out_;
    std::ostream& err_;
    ProgressSink& progress_;
};

} // namespace pellix::cli
