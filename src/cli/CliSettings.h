// The windowed program's settings as pellix-cli sees them: the same INI file, read without
// Qt. Names are the stored relative names ("Configuration\ComPort").
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "link/IRCUnit.h"

namespace pellix::cli {

inline constexpr char kComPortSetting[] = "Configuration\\ComPort";

// $PELLIX_SETTINGS, else pellix/settings.ini in $XDG_CONFIG_HOME or ~/.config.
std::string SettingsPath();

// An INI file in the form the windowed program writes: the section ([General] for names
// without one) and the key make the name, with "\" (or "/") between levels; values bare or
// in double quotes with backslash escapes. Where a name is given more than once, the one
// Qt's reader would take wins.
class IniFile {
public:
    // False when the file cannot be read; a missing file is an empty one.
    bool Load(const std::string& path);
    void Parse(std::string_view text);
    std::optional<std::string> Value(const std::string& name) const;
    std::optional<int> IntValue(const std::string& name) const;

private:
    std::map<std::string, std::string> values_; // "Section\key" -> value; "key" in [General]
};

// What the chip commands take from the settings when the command line does not say.
struct ChipDefaults {
    std::string port = "COM1";
    IrcSetting irc = IrcSetting::Slowest;
};
ChipDefaults ReadChipDefaults(const IniFile& settings);

} // namespace pellix::cli
