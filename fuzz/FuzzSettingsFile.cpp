// The settings file as both programs read it: pellix through Qt's INI reader, pellix-cli
// through its own. Neither may crash or take a value out of range, and both must take the
// same port and IRC choice from a plainly written file.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <string_view>

#include "cli/CliSettings.h"
#include "debugger/TerminalUnit.h"
#include "link/IRCUnit.h"
#include "platform/SettingsRegistry.h"
#include "platform/qt/QtSettingsStore.h"
#include "shell/RecentFiles.h"
#include "shell/WorkingSettings.h"

using namespace pellix;

namespace {

void Check(bool ok) {
    if (!ok) std::abort();
}

// The lines of a file written by hand in the plain form (sections, name=value, ";"
// comments) on which the two readers must agree. Quotes, escapes, lists and continued
// lines are Qt's own dialect, which pellix writes and pellix-cli reads back (a unit test
// covers that); on them only the invariants are checked.
bool PlainFile(std::string_view text) {
    auto plainChar = [](char c, bool inValue) {
        if (c >= 'A' && c <= 'Z') return true;
        if (c >= 'a' && c <= 'z') return true;
        if (c >= '0' && c <= '9') return true;
        if (c == '_' || c == '.' || c == '-' || c == '/' || c == ' ') return true;
        return inValue && c == ':';
    };
    while (!text.empty()) {
        size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (line.empty() || line[0] == ';') continue;
        if (line[0] == '[') {
            if (line.size() < 3 || line.back() != ']') return false;
            for (char c : line.substr(1, line.size() - 2))
                if (!plainChar(c, false) || c == '/') return false;
            continue;
        }
        size_t eq = line.find('=');
        if (eq == std::string_view::npos || eq == 0) return false;
        for (size_t i = 0; i < line.size(); ++i)
            if (i != eq && !plainChar(line[i], i > eq)) return false;
    }
    return true;
}

// A new name each time: Qt keeps what it read of a file and may not see it change within
// the same instant.
std::string TempPath() {
    static unsigned long run = 0;
    return "/tmp/pellix-fuzz-settings-" + std::to_string(::getpid()) + "-" +
           std::to_string(run++ % 4096) + ".ini";
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 16384) return 0;
    std::string_view text(reinterpret_cast<const char*>(data), size);

    cli::IniFile ini;
    ini.Parse(text);
    const cli::ChipDefaults cliDefaults = cli::ReadChipDefaults(ini);
    Check(!cliDefaults.port.empty());

    const std::string path = TempPath();
    {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(text.data(), std::streamsize(text.size()));
    }
    WorkingSettings w;
    TerminalChoice terminal;
    bool stored = false;
    {
        QtSettingsStore store(path);
        SettingsRegistry registry(store);
        stored = w.Load(registry, false);
        RecentFiles recent;
        recent.Load(registry);
        for (const char* name : {"EditorWindow", "DebugWindow", "ConfigureWindow", "DeviceWindow"})
            registry.ReadPlacement(name);
        terminal = ReadTerminalChoice(store);
    }
    std::remove(path.c_str());
    Check(w.ircCalibration >= 0 && w.ircCalibration <= 2);
    Check(w.fontSize >= kMinFontSize && w.fontSize <= kMaxFontSize);
    Check(w.tabSize >= kMinTabSize && w.tabSize <= kMaxTabSize);
    Check(terminal.baud >= 1 && terminal.baud <= kMaxTerminalBaud);
    Check((!terminal.rx || terminal.rx->IsPort()) && (!terminal.tx || terminal.tx->IsPort()));
    Check(int(terminal.enter) < kEnterSendsChoices);

    // One file, one port and one calibration choice, whichever program reads it.
    if (!PlainFile(text)) return 0;
    if (stored && !w.comPort.empty()) Check(w.comPort == cliDefaults.port);
    Check(IrcSettingFromStored(w.ircCalibration) == cliDefaults.irc);
    return 0;
}
