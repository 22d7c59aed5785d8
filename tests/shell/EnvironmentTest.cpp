// The windowed program's start-up: every window made once, in order, and the settings read.
#include <QTest>

#include "ModalWatcher.h"
#include "app/Environment.h"
#include "editor/TPlusMemo.h"
#include "platform/ScriptedPrompter.h"
#include "shell/ui/TEditorForm.h"
#include "shell/ui/THintForm.h"

using namespace pellix;
using pellix::test::ModalWatcher;

class EnvironmentTest : public QObject {
    Q_OBJECT
private slots:
    void windowsAreCreatedOnceInOrder();
    void storedSettingsReachTheEditorAndTheCommandLinePortGivesWay();
    void windowsAreThere();
    void firstRunShowsTheDialogOnceAndNotAgain();
};

void EnvironmentTest::windowsAreCreatedOnceInOrder() {
    MemorySettingsStore store;
    ScriptedPrompter prompter;
    ModalWatcher watcher; // the first run's Configure dialog, cancelled
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
                     "DeviceForm",   "ClockGenInfoFRM", "PinsForm",     "TerminalForm"}));
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

void EnvironmentTest::windowsAreThere() {
    MemorySettingsStore store;
    store.WriteString("Configuration\\ComPort", "COM1");
    ScriptedPrompter prompter;
    Environment env(store, prompter, {});
    env.WindowServices().ShowDeviceWindow();
    QVERIFY(env.CreationOrder()[20]->isVisible());
    QVERIFY(prompter.messages.empty());
    // The About box, the help window and the hint window are there.
    ModalWatcher watcher("AboutForm", "OkBTN");
    env.WindowServices().ShowAbout();
    QCOMPARE(watcher.seen, QStringList{"AboutForm"});
    env.WindowServices().ShowHelp();
    QWidget* help = env.CreationOrder()[12];
    QCOMPARE(help->objectName(), QStringLiteral("HelpForm"));
    QVERIFY(help->isVisible());
    QVERIFY(!help->isModal());
    QVERIFY(env.WindowServices().hint);
}

void EnvironmentTest::firstRunShowsTheDialogOnceAndNotAgain() {
    MemorySettingsStore store;
    ScriptedPrompter prompter;
    {
        ModalWatcher watcher("ConfigureForm", "OkayButton");
        Environment env(store, prompter, {"/2"});
        QCOMPARE(watcher.seen, QStringList{"ConfigureForm"});
        QVERIFY(!env.SettingsStored());
        QCOMPARE(prompter.messages.size(), size_t(1));
        QCOMPARE(QString::fromStdString(prompter.messages[0].caption),
                 QStringLiteral("FIRST TIME RUNNING"));
        QCOMPARE(QString::fromStdString(prompter.messages[0].text),
                 QStringLiteral("Since this is the first time the program has run, please\r"
                                "take a moment to review the default configuration.\r"
                                "In particular, check the COM port setting to make sure the\r"
                                "Pellix can be found."));
        // The port of the command line was the dialog's choice, and Okay stored it.
        QCOMPARE(QString::fromStdString(*store.ReadString("Configuration\\ComPort")),
                 QStringLiteral("COM2"));
    }
    prompter.messages.clear();
    ModalWatcher watcher;
    Environment again(store, prompter, {"/3"});
    QVERIFY(again.SettingsStored());
    QVERIFY(watcher.seen.isEmpty());
    QVERIFY(prompter.messages.empty());
    QCOMPARE(QString::fromStdString(again.Settings().comPort), QStringLiteral("COM2"));
    QVERIFY2(store.ints.count("ConfigureWindow\\Top"), "placement stored on the way out");
}

QTEST_MAIN(EnvironmentTest)
#include "EnvironmentTest.moc"
