// The run's options: the settings the command line leaves for each pass to start from, and
// the names of the source, of its outputs and of the folders they are found in.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "orda/Messages.h"

namespace orda {

enum ObjectFormat : int { kBin16 = 0, kInhx16, kInhx8m, kInhx8s, kInhx32, kIeee695 };
enum ListMode : int { kListNone = 0, kListPage = 1, kListNoPage = 2 };
enum MnemonicSet : int {
    kSetSx = 0,
    kSetCorvanex = 1,
    kSetMchip = 2,
    kSetAll = 3,
    kSetDebugger = 10
};

// Settings a run starts each pass with; options fill them, directives change them.
struct Settings {
    int objectFormat = kInhx8m;
    int device = 0;
    bool deviceDeclared = false;
    bool oldRev = false;
    int radix = 10;
    uint16_t tabWidth = 8;
    int warningLevel = 1;
    bool caseInsensitive = true;
    int listMode = kListNoPage;
    int pageLength = 55;       // stored
    int pageLengthInForce = 0; // 0: no paging
    int mnemonicSet = kSetCorvanex;
    bool corvanex = false;
    bool nohau = false;
    bool outputDirWanted = false;
    bool labelStartAny = false;
    bool fullPathsInMap = true;
    bool expand = true; // list macro and include lines
    std::array<uint8_t, kMessageCount + 1> quiet{};
};

// Option values, shared by the command line and the LIST and RADIX directives. Each returns
// false for a value it rejects, having set what the option sets then.
bool SetMnemonicSet(Settings& s, std::string_view v);  // /C
bool SetExtension(Settings& s, std::string_view v);    // /E
bool SetObjectFormat(Settings& s, std::string_view v); // /F
bool SetListMode(Settings& s, std::string_view v);     // /L
bool SetQuiet(Settings& s, std::string_view v);        // /Q
bool SetRadix(Settings& s, std::string_view v);        // /R
bool SetTabWidth(Settings& s, std::string_view v);     // /T
bool SetWarningLevel(Settings& s, std::string_view v); // /W

struct Options {
    Settings settings;       // after the command line
    std::string commandLine; // the arguments joined, for the debug module
    std::string argv0;
    std::string sourceArg, sourceBase, sourceName, sourceNameNoExt;
    std::string outputBase, errorFileName;
    std::string startDir, workDir; // absolute

    // The names of the source and its outputs from `sourceArg`, the folders from the one
    // orda was started in.
    void FormFileNames(const std::string& currentDir);
    // A relative name from the folder orda was started in or, for include files, from the
    // source's folder.
    std::string Resolve(const std::string& name, bool fromWorkDir) const;
    // cmperr.log lives in the working folder, the .err file beside the other outputs.
    std::string ErrorFilePath() const { return Resolve(errorFileName, settings.nohau); }
    std::string OutputPath(std::string_view extension) const {
        return Resolve(outputBase + std::string(extension), false);
    }
};

} // namespace orda
