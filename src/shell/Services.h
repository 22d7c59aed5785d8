// What the main window's commands call in other parts of the program. Each service is
// optional: a command whose service is missing says so instead of pretending.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace pellix {

struct AssemblyRecord;

// The built-in assembler: reads `source`, leaves status, message and range in the record.
class AssemblerService {
public:
    virtual ~AssemblerService() = default;
    virtual void Assemble(AssemblyRecord& record) = 0;
};

// The external assembler bridge.
class ExternalAssemblerService {
public:
    virtual ~ExternalAssemblerService() = default;
    // Locates the assembler and empties its output folder (start-up and shutdown).
    virtual void Init() = 0;
    virtual void Shutdown() = 0;
    // Runs it on `path`: 0 or 2 success, 1 errors in the source, 3 to 5 a missing output
    // file, anything else a failure already reported.
    virtual int Run(const std::string& path) = 0;
    // After a result of 3 to 5: what was wrong with a file that was there, or empty when
    // it was missing.
    virtual std::string FailureDetail() const { return {}; }

    // The error list: the lines of the last run's error file.
    virtual void LoadErrorList() {}
    virtual const std::vector<std::string>& ErrorList() const {
        static const std::vector<std::string> none;
        return none;
    }
    // Empties the list and deletes the error file.
    virtual void ClearErrors() {}
    // The first line that reports an error, -1 when none.
    virtual int FirstErrorIndex() const { return -1; }
    // The file and the line within it that line i names; empty and -1 when none.
    virtual std::string ErrorFileName(int) const { return {}; }
    virtual int ErrorLineNumber(int) const { return -1; }
    // The source of the last run, empty when there was none.
    virtual std::string AssembledSource() const { return {}; }
    // Deletes the error, symbol and map files next to the last assembled source.
    virtual void RemoveIntermediateFiles() {}
};

// The key and the chip. Failures of the link are reported by the service itself, which
// then throws SilentAbort.
class ChipService {
public:
    virtual ~ChipService() = default;
    virtual void RequireFullKey() = 0;
    virtual void ConnectKey() = 0;
    virtual void ProgramChip(bool run) = 0;
    // False with the record's message set when the program leaves no room for debugging.
    virtual bool PrepareDebug() = 0;
    virtual std::string ClockText(uint32_t frequency) = 0;
    // Empty when the key can generate `frequency`; otherwise a notice that it cannot, for
    // a program that names such a clock: Run and Debug then refuse, Program works.
    virtual std::string ClockNotice(uint32_t) { return {}; }
};

// The other windows of the program, as the main window uses them.
class WindowService {
public:
    virtual ~WindowService() = default;
    // The disclaimer; true when it was accepted.
    virtual bool AskDisclaimer() = 0;
    // The Go to Line dialog: a line number of at least 1, or nothing.
    virtual std::optional<int> AskLineNumber() = 0;

    virtual void ShowDeviceWindow() = 0;
    // A hex image named on the command line, for the device window.
    virtual void LoadDeviceImage(const std::string& path, bool readOnly) = 0;
    // After a successful assembly: the device window takes the image's settings.
    virtual void AssemblySucceeded() = 0;
    virtual void ShowClockWindow() = 0;
    virtual void ShowClockGenInfo(uint32_t frequency) = 0;
    // Ours: the virtual lab's Terminal window.
    virtual void ShowTerminalWindow() {}
    virtual void ShowConfigure() = 0;
    virtual void HideDebugWindow() = 0;
    virtual void ShowDebugWindow() = 0;
    virtual void ToggleCodeView() = 0;
    // The debug, watch, code and register windows, when the main window closes.
    virtual void CloseDebugWindows() = 0;
    virtual void ShowHelp() = 0;
    virtual void ShowAbout() = 0;

    // The external path's file-save notification for `fileName`: true for OK (also when
    // the user asked not to be shown it again).
    virtual bool AskSaveBeforeAssembly(const std::string& fileName) {
        (void)fileName;
        return true;
    }
    // The list view browsing the list file of `sourcePath`; false when it could not load.
    virtual bool BrowseList(const std::string& sourcePath) {
        (void)sourcePath;
        return false;
    }
    // Ours: the Pins window on the virtual key's chip.
    virtual void ShowPinsWindow() {}
};

// The debug session's commands as the main window's Debug menu and the function keys
// reach them (ours, beside the debug window's buttons).
enum class DebugCommand : uint8_t { Run, Halt, Step, Walk, ToggleBreakpoint, Hop, Quit };
inline constexpr int kDebugCommands = 7;

class DebugCommandService {
public:
    virtual ~DebugCommandService() = default;
    // Whether the command would do something now (its button is enabled, and so on).
    virtual bool CanRun(DebugCommand command) = 0;
    virtual void Execute(DebugCommand command) = 0;
};

struct ShellServices {
    AssemblerService* assembler = nullptr;
    ExternalAssemblerService* externalAssembler = nullptr;
    ChipService* chip = nullptr;
    WindowService* windows = nullptr;
    DebugCommandService* debugCommands = nullptr;
};

} // namespace pellix
