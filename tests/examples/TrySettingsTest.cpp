// scripts/try-settings.ini must give the newcomer the virtual key, the built-in assembler
// and no warranty question, in the names pellix and pellix-cli look for.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "cli/CliSettings.h"
#include "platform/SettingsRegistry.h"
#include "platform/qt/QtSettingsStore.h"
#include "shell/WorkingSettings.h"

using namespace pellix;

namespace {

std::string TrySettings() {
    const char* src = std::getenv("PELLIX_SOURCE_DIR");
    return std::string(src ? src : "../..") + "/scripts/try-settings.ini";
}

} // namespace

TEST(TrySettings, PellixReadsTheVirtualKeyAndTheBuiltInAssembler) {
    QtSettingsStore store(TrySettings());
    SettingsRegistry registry(store);
    registry.SetRoot(kProgramRoot);
    WorkingSettings settings;
    EXPECT_TRUE(settings.Load(registry, false)) << "the first-run configuration dialog would open";
    EXPECT_EQ(settings.comPort, "sim");
    EXPECT_FALSE(settings.useOrda);
    int32_t warranty = 0;
    ASSERT_TRUE(registry.ReadInteger(setting::ShowWarranty, warranty));
    EXPECT_EQ(warranty, kWarrantyAccepted);
    std::optional<Placement> p = registry.ReadPlacement(setting::EditorWindow);
    ASSERT_TRUE(p.has_value());
    EXPECT_GT(p->width, 0);
    EXPECT_GT(p->height, 0);
}

TEST(TrySettings, PellixCliTakesTheSamePort) {
    cli::IniFile ini;
    ASSERT_TRUE(ini.Load(TrySettings()));
    EXPECT_EQ(cli::ReadChipDefaults(ini).port, "sim");
}
