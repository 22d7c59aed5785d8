// The windowed program's start-up: every window made once, in order, and the settings read.
#include <QTest>

#include "app/Environment.h"
#include "editor/TPlusMemo.h"
#include "platform/ScriptedPrompter.h"
#include "shell/ui/TEditorForm.h"

using namespace pellix;

class EnvironmentTest : public QObject {
    Q_OBJECT
private slots:
    void windowsAreCreatedOnceInOrder();
    void storedSettingsReachTheEditorAndTheCommandLinePortGivesWay();
    void windowsNotBuiltYetSaySo();
};

void EnvironmentTest::windowsAreCreatedOnceInOrder() {
    MemorySettingsStore store;
    ScriptedPrompter prompter;
    Environment env(store, prompter, {});
    QStringList names;
    for (QWidget* w : env.CreationOrder())
        names << w->objectName();
    QCOMPARE(
        names,
        (QStringList{"EditorForm",   "FindReplaceForm", "ProgressForm", "RegisterForm",
                     "AboutForm",    "WatchForm",       "CodeForm",     "DebugForm",
                     "PrintForm",    "PrintStatusForm", "ClockForm",    "ConfigureForm",
                     "HelpForm",     "IRCForm",         "SXCForm",      "HintForm",
                     "WarrantyForm", "GotoLineNumDLG",  "PM_CodeFRM",   "FileSaveNotificationDLG",
                     "DeviceForm",   "ClockGenInfoFRM"}));
    for (QWidget* w : env.CreationOrder())
        QVERIFY(!w->isVisible());
    QCOMPARE(env.CreationOrder()[0]->windowTitle(), QStringLiteral("Pellix v2.02 - Untitled.SRC"));
    QCOMPARE(env.CreationOrder()[20]->windowTitle(), QStringLiteral("Device"));
    QCOMPARE(env.CreationOrder()[16]->windowTitle(), QStringLiteral("Pellix Software Disclaimer"));
    QCOMPARE(env.Record().debug.frequency, 50'000'000u);
    QCOMPARE(env.Record().deviceFamily, uint8_t(0));
    QCOMPARE(env.Record().debug.listingCapacity, size_t(2'000'000));
    QVERIFY(!env.SettingsStored());
}

void EnvironmentTest::storedSettingsReachTheEditorAndTheCommandLinePortGivesWay() {
    MemorySettingsStore store;
    store.WriteString("Configuration\\ComPort", "COM2");
    store.WriteInt("Configuration\\Tabsize", 4);
    store.WriteInt("Configuration\\Fontsize", 14);
    ScriptedPrompter prompter;
    Environment env(store, prompter, {"/3", "/B"});
    QVERIFY(env.SettingsStored());
    QCOMPARE(QString::fromStdString(env.Settings().comPort), QStringLiteral("COM2"));
    QVERIFY(!env.Settings().useOrda); // /B
    TPlusMemo& e = env.EditorForm().CurrentEditor();
    QCOMPARE(e.tabWidth(), 4);
    QCOMPARE(e.Look().font.pointSize(), 14);
    QCOMPARE(env.EditorForm().TemplateEditor().tabWidth(), 4);
}

void EnvironmentTest::windowsNotBuiltYetSaySo() {
    MemorySettingsStore store;
    ScriptedPrompter prompter;
    Environment env(store, prompter, {});
    env.WindowServices().ShowDeviceWindow();
    QVERIFY(env.CreationOrder()[20]->isVisible());
    QVERIFY(prompter.messages.empty());
    env.WindowServices().ShowAbout();
    QCOMPARE(QString::fromStdString(prompter.messages.back().text),
             QStringLiteral("Pellix\rVersion: 2.02"));
}

QTEST_MAIN(EnvironmentTest)
#include "EnvironmentTest.moc"
