#include <gtest/gtest.h>

#include "TempFolder.h"
#include "platform/SettingsRegistry.h"
#include "platform/qt/QtSettingsStore.h"
#include "shell/WorkingSettings.h"

using namespace pellix;

namespace {

class FakeWindow final : public PlacedWindow {
public:
    WindowBounds bounds{10, 20, 300, 200};
    WindowState state = WindowState::Normal;
    bool visible = true;
    WindowBounds NormalBounds() const override { return bounds; }
    void SetBounds(const WindowBounds& b) override { bounds = b; }
    WindowState State() const override { return state; }
    void SetState(WindowState s) override { state = s; }
    bool IsVisible() const override { return visible; }
};

TEST(SettingsRegistry, ReadsLeaveDefaultsForAbsentValues) {
    MemorySettingsStore store;
    SettingsRegistry r(store);
    int32_t n = 42;
    EXPECT_FALSE(r.ReadInteger("Configuration\\Tabsize", n));
    EXPECT_EQ(n, 42);
    std::string s = "keep?";
    EXPECT_FALSE(r.ReadString("Configuration\\ComPort", s));
    EXPECT_EQ(s, "") << "an absent string empties the caller's";

    EXPECT_TRUE(r.WriteInteger("Configuration\\Tabsize", 4));
    EXPECT_TRUE(r.ReadInteger("Configuration\\Tabsize", n));
    EXPECT_EQ(n, 4);
    EXPECT_EQ(store.ints.at("Configuration\\Tabsize"), 4) << "names are relative to the root";
    EXPECT_TRUE(r.KeyExists("Configuration\\Tabsize"));
    EXPECT_TRUE(r.KeyExists("Configuration")) << "a key with values below it exists";
    EXPECT_FALSE(r.KeyExists("Config"));
}

TEST(SettingsRegistry, AnotherRootIsAPrefix) {
    MemorySettingsStore store;
    SettingsRegistry r(store);
    r.SetRoot("\\Software\\Other\\");
    r.WriteInteger("A", 1);
    EXPECT_EQ(store.ints.count("Software\\Other\\A"), 1u);
    r.SetRoot(kProgramRoot);
    r.WriteInteger("A", 2);
    EXPECT_EQ(store.ints.at("A"), 2);
}

TEST(SettingsRegistry, PlacementRoundTripAndMaximisedWindow) {
    MemorySettingsStore store;
    SettingsRegistry r(store);
    FakeWindow w;
    w.bounds = {30, 40, 640, 480};
    w.state = WindowState::Maximized;
    r.SaveWindow("EditorWindow", w);
    EXPECT_EQ(store.ints.at("EditorWindow\\WindowState"), 2);
    EXPECT_EQ(store.ints.at("EditorWindow\\Left"), 30);
    EXPECT_EQ(store.ints.at("EditorWindow\\Top"), 40);
    EXPECT_EQ(store.ints.at("EditorWindow\\Width"), 640);
    EXPECT_EQ(store.ints.at("EditorWindow\\Height"), 480);
    EXPECT_EQ(store.ints.at("EditorWindow\\Visible"), 1);

    FakeWindow other;
    other.visible = false;
    EXPECT_TRUE(r.RestoreWindow("EditorWindow", other));
    EXPECT_EQ(other.bounds.left, 30);
    EXPECT_EQ(other.bounds.top, 40);
    EXPECT_EQ(other.bounds.width, 640);
    EXPECT_EQ(other.bounds.height, 480);
    EXPECT_EQ(other.state, WindowState::Maximized);
    EXPECT_FALSE(other.visible) << "Visible is stored but never applied";

    auto p = r.ReadPlacement("EditorWindow");
    ASSERT_TRUE(p);
    EXPECT_TRUE(p->visible);
    EXPECT_EQ(p->width, 640);
    EXPECT_FALSE(r.ReadPlacement("DebugWindow"));
}

TEST(SettingsRegistry, RestoreNeedsAllFourBounds) {
    MemorySettingsStore store;
    SettingsRegistry r(store);
    FakeWindow w;
    EXPECT_FALSE(r.RestoreWindow("ClockWindow", w));
    store.WriteInt("ClockWindow\\Top", 5);
    store.WriteInt("ClockWindow\\Left", 6);
    store.WriteInt("ClockWindow\\Width", 7);
    store.WriteInt("ClockWindow\\WindowState", 2);
    EXPECT_TRUE(r.RestoreWindow("ClockWindow", w)) << "the key exists";
    EXPECT_EQ(w.bounds.left, 10) << "but without a height nothing is applied";
    EXPECT_EQ(w.state, WindowState::Normal);
    store.WriteInt("ClockWindow\\Height", 8);
    store.WriteInt("ClockWindow\\WindowState", 9); // damaged
    r.RestoreWindow("ClockWindow", w);
    EXPECT_EQ(w.bounds.height, 8);
    EXPECT_EQ(w.state, WindowState::Normal);
}

TEST(WorkingSettings, DefaultsAndFirstRun) {
    MemorySettingsStore store;
    SettingsRegistry r(store);
    WorkingSettings s;
    EXPECT_FALSE(s.Load(r, false)) << "no port stored: first run";
    EXPECT_TRUE(s.useNewEditor);
    EXPECT_EQ(s.fontSize, 8);
    EXPECT_EQ(s.tabSize, 8);
    EXPECT_FALSE(s.coloredCode);
    EXPECT_EQ(s.codeColor, 0x00FF0000u);
    EXPECT_TRUE(s.boldCode);
    EXPECT_TRUE(s.coloredComments);
    EXPECT_EQ(s.commentColor, 0x00008000u);
    EXPECT_EQ(s.errorBgColor, 0x0000FFFFu);
    EXPECT_TRUE(s.createBackups && s.useOrda && s.ordaFilesToOutputDir && s.localLabelStartCol);
    EXPECT_TRUE(s.saveFileBeforeAssembly && s.jumpToAssemblyError && s.removeIntermediateFiles);
    EXPECT_EQ(s.comPort, "COM1");
    EXPECT_EQ(s.ircCalibration, 0);
    EXPECT_EQ(s.customColors[0], "ColorA=808080");
    EXPECT_EQ(s.customColors[15], "ColorP=808080");
}

TEST(WorkingSettings, StoreThenLoadGivesTheSameAndCompilerModeTurnsOffTheExternalAssembler) {
    MemorySettingsStore store;
    SettingsRegistry r(store);
    WorkingSettings s;
    s.comPort = "COM3";
    s.ircCalibration = 2;
    s.useNewEditor = false;
    s.fontSize = 12;
    s.tabSize = 4;
    s.coloredCode = true;
    s.codeColor = 0x00123456;
    s.errorBgColor = 0x80000005;
    s.createBackups = false;
    s.customColors[2] = "ColorC=FF0000";
    s.Store(r);
    EXPECT_EQ(store.ints.at("Configuration\\Tabsize"), 4);
    EXPECT_EQ(store.ints.at("Configuration\\ErrorBgColor"), int32_t(0x80000005));

    WorkingSettings t;
    EXPECT_TRUE(t.Load(r, false));
    EXPECT_EQ(t.comPort, "COM3");
    EXPECT_EQ(t.ircCalibration, 2);
    EXPECT_FALSE(t.useNewEditor);
    EXPECT_EQ(t.fontSize, 12);
    EXPECT_EQ(t.tabSize, 4);
    EXPECT_TRUE(t.coloredCode);
    EXPECT_EQ(t.codeColor, 0x00123456u);
    EXPECT_EQ(t.errorBgColor, 0x80000005u);
    EXPECT_FALSE(t.createBackups);
    EXPECT_TRUE(t.useOrda);
    EXPECT_EQ(t.customColors[2], "ColorC=FF0000");

    WorkingSettings u;
    u.Load(r, true);
    EXPECT_FALSE(u.useOrda);
    EXPECT_EQ(store.ints.at("Configuration\\UseOrda"), 1) << "nothing is written for /B";
}

TEST(WorkingSettings, OutOfRangeSizesAreBroughtBack) {
    MemorySettingsStore store;
    SettingsRegistry r(store);
    store.WriteString("Configuration\\ComPort", "COM1");
    store.WriteInt("Configuration\\Fontsize", 0x10000 + 200); // low 16 bits: 200
    store.WriteInt("Configuration\\Tabsize", 0);
    WorkingSettings s;
    s.Load(r, false);
    EXPECT_EQ(s.fontSize, 32);
    EXPECT_EQ(s.tabSize, 2);
    store.WriteInt("Configuration\\Tabsize", 5);
    s.Load(r, false);
    EXPECT_EQ(s.tabSize, 4);
}

TEST(QtSettingsStore, IniFileKeepsRelativeNamesAndGroups) {
    pellix::test::TempFolder dir;
    std::string path = dir / "settings.ini";
    {
        QtSettingsStore store(path);
        SettingsRegistry r(store);
        r.WriteInteger("Configuration\\Tabsize", 6);
        r.WriteString("LastFilesOpened\\File0", "/home/a b/x.src");
        r.WriteInteger("EditorWindow\\Top", 12);
    }
    QtSettingsStore store(path);
    SettingsRegistry r(store);
    int32_t n = 0;
    EXPECT_TRUE(r.ReadInteger("Configuration\\Tabsize", n));
    EXPECT_EQ(n, 6);
    std::string s;
    EXPECT_TRUE(r.ReadString("LastFilesOpened\\File0", s));
    EXPECT_EQ(s, "/home/a b/x.src");
    EXPECT_TRUE(r.KeyExists("EditorWindow"));
    EXPECT_FALSE(r.KeyExists("DebugWindow"));
}

} // namespace

TEST(IdeOptions, OnUntilSwitchedOffAndStoredAfterTheRest) {
    MemorySettingsStore store;
    SettingsRegistry r(store);
    WorkingSettings s;
    for (bool IdeOptions::*on :
         {&IdeOptions::lineNumbers, &IdeOptions::currentLine, &IdeOptions::modifiedMarks,
          &IdeOptions::editorBreakpoints, &IdeOptions::sourceLine, &IdeOptions::debugKeys,
          &IdeOptions::hoverValues, &IdeOptions::haltAction, &IdeOptions::programMessage})
        EXPECT_TRUE(s.extras.*on);
    store.WriteString(setting::ComPort, "COM1");
    store.WriteInt("Extras\\LineNumbers", 0);
    store.WriteInt("Extras\\DebugKeys", 0);
    store.WriteInt("Extras\\HoverValues", 7);
    s.Load(r, false);
    EXPECT_FALSE(s.extras.lineNumbers);
    EXPECT_FALSE(s.extras.debugKeys);
    EXPECT_TRUE(s.extras.hoverValues);
    EXPECT_TRUE(s.extras.haltAction) << "absent: as it was";
    MemorySettingsStore out;
    SettingsRegistry w(out);
    s.Store(w);
    EXPECT_EQ(out.ints.at("Extras\\LineNumbers"), 0);
    EXPECT_EQ(out.ints.at("Extras\\HoverValues"), 1);
    for (const char* name :
         {"Extras\\CurrentLine", "Extras\\ModifiedMarks", "Extras\\EditorBreakpoints",
          "Extras\\SourceLine", "Extras\\HaltAction", "Extras\\ProgramMessage"})
        EXPECT_EQ(out.ints.at(name), 1) << name;
}
