// What the windowed program's settings store writes, pellix-cli reads back the same.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>

#include "cli/CliSettings.h"
#include "platform/qt/QtSettingsStore.h"

using namespace pellix;
namespace fs = std::filesystem;

TEST(CliSettingsAndQt, EveryValueReadsBackAsWritten) {
    std::string path =
        (fs::temp_directory_path() / ("pellix-ini-" + std::to_string(::getpid()) + ".ini"))
            .string();
    const std::vector<std::pair<std::string, std::string>> strings = {
        {"Configuration\\ComPort", "/dev/ttyUSB0"},
        {"Configuration\\CustomColors\\ColorA", "ColorA=808080"},
        {"Configuration\\Odd", " a, b; \"c\" \\d "},
        {"Configuration\\Accents", "caf\xC3\xA9 \xE2\x82\xAC"},
        {"Configuration\\Empty", ""},
        {"LastFilesOpened\\File0", "/home/me/My Programs/blink.src"},
        {"TopLevel", "x=y"},
    };
    {
        QtSettingsStore store(path);
        for (const auto& [name, value] : strings)
            store.WriteString(name, value);
        store.WriteInt("Configuration\\IRCcalibration", 2);
        store.WriteInt("EditorWindow\\Top", -12);
        store.Flush();
    }
    cli::IniFile ini;
    ASSERT_TRUE(ini.Load(path));
    for (const auto& [name, value] : strings)
        EXPECT_EQ(ini.Value(name), value) << name;
    EXPECT_EQ(ini.IntValue("Configuration\\IRCcalibration"), 2);
    EXPECT_EQ(ini.IntValue("EditorWindow\\Top"), -12);
    cli::ChipDefaults d = cli::ReadChipDefaults(ini);
    EXPECT_EQ(d.port, "/dev/ttyUSB0");
    EXPECT_EQ(d.irc, IrcSetting::Fastest);
    fs::remove(path);
}
