// The stored values of the program, their defaults, and the working copy read at start-up.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "debugger/SettingNames.h"
#include "platform/SettingsRegistry.h"
#include "shell/IdeOptions.h"

namespace pellix {

// A colour as stored: 0x00BBGGRR, or a system colour (high bit set, index in the low byte).
using ColorRef = uint32_t;
inline constexpr ColorRef kSystemColor = 0x80000000u;
inline constexpr ColorRef kColorWindow = kSystemColor | 5;     // window background
inline constexpr ColorRef kColorWindowText = kSystemColor | 8; // window text
inline constexpr ColorRef kColorBlue = 0x00FF0000u;
inline constexpr ColorRef kColorGreen = 0x00008000u;
inline constexpr ColorRef kColorYellow = 0x0000FFFFu;

namespace setting {
inline constexpr const char* ComPort = "Configuration\\ComPort";
inline constexpr const char* IrcCalibration = "Configuration\\IRCcalibration";
inline constexpr const char* CreateBackups = "Configuration\\CreateBackups";
inline constexpr const char* UseNewEditor = "Configuration\\UseNewEditor";
inline constexpr const char* Fontsize = "Configuration\\Fontsize";
inline constexpr const char* Tabsize = "Configuration\\Tabsize";
inline constexpr const char* ColoredCode = "Configuration\\ColoredCode";
inline constexpr const char* CodeColor = "Configuration\\CodeColor";
inline constexpr const char* BoldCode = "Configuration\\BoldCode";
inline constexpr const char* ColoredComments = "Configuration\\ColoredComments";
inline constexpr const char* CommentColor = "Configuration\\CommentColor";
inline constexpr const char* ErrorBgColor = "Configuration\\ErrorBgColor";
inline constexpr const char* UseOrda = "Configuration\\UseOrda";
inline constexpr const char* OrdaFilesToOutputDir = "Configuration\\OrdaFilesToOutputDir";
inline constexpr const char* LocalLabelStartCol = "Configuration\\LocalLabelStartCol";
inline constexpr const char* SaveFileBeforeAssembly = "Configuration\\SaveFileBeforeAssembly";
inline constexpr const char* JumpToAssemblyError = "Configuration\\JumpToAssemblyError";
inline constexpr const char* RemoveIntermediateFiles = "Configuration\\RemoveIntermediateFiles";
inline constexpr const char* CustomColorPrefix = "Configuration\\CustomColors\\Color";
inline constexpr const char* ShowWarranty = "Configuration\\ShowWarranty";
inline constexpr const char* HideAssemblyFileSaveDialog =
    "Configuration\\HideAssemblyFileSaveDialog";
inline constexpr const char* HideClockGenInfoDialog = "Configuration\\HideClockGenInfoDialog";
// UseRegPositions: debugger/SettingNames.h
inline constexpr const char* FileListWidth = "FileListWidth";
inline constexpr const char* LastFilesOpened = "LastFilesOpened\\File"; // + 0..4
// Ours: the file that records the key's line (empty: none).
inline constexpr const char* LineTraceFile = "Link\\TraceFile";

// Window placements.
inline constexpr const char* EditorWindow = "EditorWindow";
inline constexpr const char* ConfigureWindow = "ConfigureWindow";
// CodeWindow, RegisterWindow, DebugWindow, WatchWindow: debugger/SettingNames.h
inline constexpr const char* ClockWindow = "ClockWindow";
inline constexpr const char* DeviceWindow = "DeviceWindow";
inline constexpr const char* ListCodeWindow = "Veko_CodeWindow";
// Ours: the virtual lab's windows.
inline constexpr const char* TerminalWindow = "TerminalWindow";
} // namespace setting

inline constexpr int kDefaultFileListWidth = 105;
inline constexpr int kWarrantyAccepted = 2;
inline constexpr int kMinFontSize = 6, kMaxFontSize = 32;
inline constexpr int kMinTabSize = 2, kMaxTabSize = 8;

// The working copy of the user settings, with the defaults that apply when nothing is
// stored.
struct WorkingSettings {
    bool useNewEditor = true;
    int fontSize = 8;
    int tabSize = 8;
    bool coloredCode = false;
    ColorRef codeColor = kColorBlue;
    bool boldCode = true;
    bool coloredComments = true;
    ColorRef commentColor = kColorGreen;
    ColorRef errorBgColor = kColorYellow;
    bool saveFileBeforeAssembly = true;

    bool createBackups = true;
    bool useOrda = true;
    bool ordaFilesToOutputDir = true;
    bool localLabelStartCol = true;

    bool jumpToAssemblyError = true;
    bool removeIntermediateFiles = true;

    // Held apart from the rest: "COM1" to "COM4" (or whatever the user stored).
    std::string comPort = "COM1";
    int ircCalibration = 0; // 0 Slowest, 1 4 MHz, 2 Fastest
    std::array<std::string, 16> customColors = DefaultCustomColors();
    // Where the line to the key is traced; empty for no trace.
    std::string lineTraceFile;
    // Ours: the conveniences and their switches.
    IdeOptions extras;

    static std::array<std::string, 16> DefaultCustomColors();

    // Reads every stored value that is present; absent ones keep what the copy holds.
    // Returns false on the first run (no port stored yet). The compiler-output mode turns
    // the external assembler off for this run, whatever is stored.
    bool Load(SettingsRegistry& registry, bool compilerMode);
    // Writes every value, in the order the Configure dialog's Okay does, then our own.
    void Store(SettingsRegistry& registry) const;
};

} // namespace pellix
