// The main window, driven through its menus, buttons and keys on the offscreen platform.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QStatusTipEvent>
#include <QTest>
#include <QToolButton>

#include "FakeServices.h"
#include "TempFolder.h"
#include "platform/ScriptedPrompter.h"
#include "shell/ui/TEditorForm.h"
#include "shell/ui/TSearchDialog.h"

using namespace pellix;
using namespace pellix::test;

namespace {

// One window with its own settings, prompter, record and fake services.
struct Rig {
    explicit Rig(std::vector<std::string> args = {}, bool withChip = true, bool accepted = true) {
        if (accepted) store.WriteInt(setting::ShowWarranty, 2);
        store.WriteInt("EditorWindow\\Top", 10); // placement known: no default is stored
        settings.useOrda = false;
        record = std::make_unique<AssemblyRecord>();
        ShellServices services{&assembler, nullptr, withChip ? &chip : nullptr, &windows};
        form = std::make_unique<TEditorForm>(
            EditorFormContext{*record, registry, settings, prompter, services, args});
        form->SetTerminate([this] { ++terminated; });
    }
    void Show() {
        form->show();
        QCoreApplication::processEvents();
    }
    QAction* Item(const char* name) { return form->findChild<QAction*>(QString::fromLatin1(name)); }
    QToolButton* Button(const char* name) {
        return form->findChild<QToolButton*>(QString::fromLatin1(name));
    }
    TPlusMemo& Editor() { return form->CurrentEditor(); }
    const ScriptedPrompter::Asked* Last() const {
        return prompter.messages.empty() ? nullptr : &prompter.messages.back();
    }
    QStringList FileList() {
        QStringList lines;
        auto* list = form->findChild<QListWidget*>(QStringLiteral("FilesLoadedLB"));
        for (int i = 0; i < list->count(); ++i)
            lines << list->item(i)->data(Qt::UserRole).toString();
        return lines;
    }
    bool Called(const std::string& what) const {
        return std::find(windows.calls.begin(), windows.calls.end(), what) != windows.calls.end();
    }

    MemorySettingsStore store;
    SettingsRegistry registry{store};
    WorkingSettings settings;
    ScriptedPrompter prompter;
    std::unique_ptr<AssemblyRecord> record;
    FakeAssembler assembler;
    FakeChip chip;
    FakeWindows windows;
    int terminated = 0;
    std::unique_ptr<TEditorForm> form;
};

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

// With PELLIX_SCREENSHOTS naming a folder, a picture of the window for a person to look at.
void MaybeGrab(QWidget& w, const char* name) {
    QByteArray dir = qgetenv("PELLIX_SCREENSHOTS");
    if (dir.isEmpty()) return;
    QCoreApplication::processEvents();
    w.grab().save(QString::fromLocal8Bit(dir) + QLatin1Char('/') + QLatin1String(name));
}

} // namespace

class EditorFormTest : public QObject {
    Q_OBJECT
private slots:
    void menusCarryTheirCaptionsShortcutsAndHints();
    void startUpHasOneEditorAndTheFirstNewTakesBlankTwo();
    void ctrlAAssemblesInsteadOfSelectingAll();
    void emptyEditorStopsProgramRunAndDebug();
    void builtInAssemblyLeavesTheClipboardAlone();
    void lfAndCrLfSourcesReachTheAssemblerAlike();
    void errorIsHighlightedOnItsOwnLineAndRange();
    void failedAssemblyStopsTheHardwareCommand();
    void runProgramsThenShowsTheClock();
    void debugStopsWhenThereIsNoRoomForTheKernel();
    void missingChipServiceSaysSo();
    void sxhOnTheCommandLineGoesToTheDeviceWindow();
    void commandLineFileOpensReadOnlyAndMissingOneIsReported();
    void closingTheOnlyFileDisablesTheRunButtons();
    void changedFileOnDiskAsksOnActivation();
    void reopenMenuShowsTheFiveLatest();
    void disclaimerAcceptedOnceOrTheProgramEnds();
    void defaultPlacementStoredAtFirstShow();
    void findFindNextAndReplaceAll();
    void goToLineMovesTheCaret();
    void statusPanelsShowHintCaretAndStatus();
    void saveButtonFollowsUndo();
    void closingStoresPlacementAndAsksAboutChanges();
    void programSaysSoWithTheTimeItTook();
    void modifiedFilesAreMarkedInTheListAndTheCaption();
    void caretPanelFitsSixDigitLineNumbers();
    void lineNumbersAndTheCaretsLineFollowTheirSettings();
    void utf8SourcesRoundTripAndReachTheAssemblerAsBytes();
    void debugMenuKeysTakeNoOtherCommandsShortcut();
};

void EditorFormTest::menusCarryTheirCaptionsShortcutsAndHints() {
    Rig rig;
    struct Row {
        const char* name;
        const char* caption;
        const char* shortcut;
        const char* hint;
    };
    const Row rows[] = {
        {"FileNewItem", "&New", "", "Create a new file"},
        {"FileOpenItem", "&Open...", "Ctrl+O", "Open an existing file"},
        {"Close1", "&Close", "", "Close the current file"},
        {"FileSaveItem", "&Save", "Ctrl+S", "Save the current file"},
        {"FileSaveAsItem", "Save &As...", "", "Save the current file under a new name"},
        {"FileListToggleItem", "&List Toggle", "", "Toggle between source and list"},
        {"FilePrintItem", "&Print...", "", "Print the current file"},
        {"FileExitItem", "E&xit", "", "Exit this application"},
        {"UndoMenuItem", "&Undo", "Ctrl+Z", "Undo the last action"},
        {"RedoMenuItem", "R&edo", "Ctrl+Y", "Cancel the last undo action"},
        {"EditCutItem", "Cu&t", "Ctrl+X", ""},
        {"EditCopyItem", "&Copy", "Ctrl+C", ""},
        {"EditPasteItem", "&Paste", "Ctrl+V", ""},
        {"EditFindItem", "Fin&d", "Ctrl+F", "Find specified text"},
        {"EditFindNextMenuItem", "Find &Next", "F3", "Find next occurence of specified text"},
        {"EditFindReplaceItem", "&Find/Replace...", "Ctrl+H", "Find and replace specified text"},
        {"EditReplaceItem", "&Replace", "F4", "Perform subsequent replace"},
        {"EditTextBiggerItem", "Text &Bigger", "Ctrl+Up", ""},
        {"EditTextSmallerItem", "Text &Smaller", "Ctrl+Down", ""},
        {"GoToLineMENUITM", "&Go to Line Number", "Ctrl+G", "Go to specified line number"},
        {"ClearErrorsMENUITM", "C&lear Errors", "", "Clear and hide error messages"},
        {"RunAssembleItem", "&Assemble", "Ctrl+A", "Assemble source"},
        {"RunProgramItem", "&Program", "Ctrl+P", "Assemble source + Program device"},
        {"RunRunItem", "&Run", "Ctrl+R", "Assemble source + Program device + Generate clock"},
        {"RunDebugItem", "&Debug", "Ctrl+D",
         "Assemble source + Program device + Generate clock + Enter debugger"},
        {"RunDebugAgainItem", "D&ebug (reenter)", "Ctrl+Alt+D",
         "Assemble source + (assume device already programmed per debug) + Generate clock + "
         "Enter debugger"},
        {"ViewDebugCodeMNUITEM", "&View List", "Ctrl+L", "View assembled list file"},
        {"RunClockItem", "Cloc&k...", "Ctrl+K", "Control clock generation"},
        {"RunDeviceItem", "Dev&ice...", "Ctrl+I", "Show the device window"},
        {"RunConfigureItem", "Config&ure...", "Ctrl+U",
         "Configure erase/program times and serial port"},
        {"HelpContentsItem", "&Contents", "", ""},
        {"HelpAboutItem", "&About", "", ""},
    };
    for (const Row& r : rows) {
        QAction* a = rig.Item(r.name);
        QVERIFY2(a, r.name);
        QCOMPARE(a->text(), QString::fromLatin1(r.caption));
        QCOMPARE(a->shortcut().toString(QKeySequence::PortableText),
                 QString::fromLatin1(r.shortcut));
        QCOMPARE(a->statusTip(), QString::fromLatin1(r.hint));
    }
    QVERIFY(!rig.Item("EditReplaceItem")->isVisible());
    QAction* hidden = rig.Item("ShowPreProcessingDebugWindowItem");
    QVERIFY(hidden && !hidden->isVisible());
    QCOMPARE(hidden->text(), QStringLiteral("&Show Pre-Processing Debug Window"));

    const std::pair<const char*, const char*> buttons[] = {
        {"NewTBTN", "Create a new file"},
        {"OpenTBTN", "Open a file (Ctrl-O)"},
        {"SaveTBTN", "Save the current file (Ctrl-S)"},
        {"AssemblyTBTN", "Assemble (Ctrl-A)"},
        {"ProgramTBTN", "Program (Ctrl-P)"},
        {"RunTBTN", "Run (Ctrl-R)"},
        {"DebugTBTN", "Debug (Ctrl-D)"},
        {"DebugAgainTBTN", "Debug Again (Ctrl-Alt-D)"},
        {"DeviceTBTN", "Device"},
        {"ClockTBTN", "Clock"},
        {"ToggleAssemblerTBTN", "Toggle Active Assembler"}};
    for (auto [name, hint] : buttons) {
        QToolButton* b = rig.Button(name);
        QVERIFY2(b, name);
        QCOMPARE(b->toolTip(), QString::fromLatin1(hint));
    }
    QVERIFY(!rig.Button("SaveTBTN")->isEnabled());
    for (const char* name :
         {"MainMenu", "EditorToolbar", "FilesLoadedLB", "FileListSPLT", "TemplateEditor", "ErrorLB",
          "ErrorSplitSPLT", "StatusBar", "ClipboardPasteHolderEdit", "CursorTimer", "SelectTimer",
          "SxcModeFixitTimer", "MainFormEventsAPPEV"})
        QVERIFY2(rig.form->findChild<QObject*>(QString::fromLatin1(name)), name);
    QVERIFY(rig.form->findChild<QWidget*>(QStringLiteral("TemplateEditor"))->isHidden());
    QVERIFY(rig.form->findChild<QWidget*>(QStringLiteral("ErrorLB"))->isHidden());
    QCOMPARE(rig.form->findChild<QWidget*>(QStringLiteral("EditorToolbar"))->height(), 28);

    // The hidden toggle chooses the assembler.
    rig.settings.useOrda = false;
    rig.Button("ToggleAssemblerTBTN")->setChecked(true);
    QVERIFY(rig.settings.useOrda);
}

void EditorFormTest::startUpHasOneEditorAndTheFirstNewTakesBlankTwo() {
    Rig rig;
    QCOMPARE(rig.FileList(), QStringList{QStringLiteral("{Blank_1}")});
    rig.Show();
    QCOMPARE(rig.FileList(), QStringList{QStringLiteral("{Blank_1}")});
    QCOMPARE(rig.form->windowTitle(), QStringLiteral("Pellix v2.02 - Untitled.SRC"));
    QVERIFY(!rig.form->RunButtonsEnabled());
    rig.Item("FileNewItem")->trigger();
    QCOMPARE(rig.FileList(),
             (QStringList{QStringLiteral("{Blank_1}"), QStringLiteral("{Blank_2}")}));
    auto* list = rig.form->findChild<QListWidget*>(QStringLiteral("FilesLoadedLB"));
    QCOMPARE(list->currentRow(), 1);
    QCOMPARE(list->item(1)->text(), QStringLiteral("{Blank_2}"));
}

void EditorFormTest::ctrlAAssemblesInsteadOfSelectingAll() {
    Rig rig;
    rig.Show();
    rig.form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(rig.form.get()));
    TPlusMemo& e = rig.Editor();
    e.setFocus();
    QTest::keyClicks(&e, "\tDEVICE SX28");
    QTest::keyClick(&e, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(rig.assembler.sources.size(), size_t(1));
    QCOMPARE(rig.assembler.sources[0], std::string("\tDEVICE SX28"));
    QCOMPARE(e.SelectionLength(), 0);
    QCOMPARE(rig.form->StatusText(2), QStringLiteral("Assembly Successful"));
    QVERIFY(rig.Called("AssemblySucceeded"));
}

void EditorFormTest::emptyEditorStopsProgramRunAndDebug() {
    Rig rig;
    rig.Show();
    for (const char* item :
         {"RunProgramItem", "RunRunItem", "RunDebugItem", "RunDebugAgainItem", "RunAssembleItem"}) {
        rig.prompter.messages.clear();
        rig.Item(item)->trigger();
        QVERIFY2(rig.Last(), item);
        QCOMPARE(Q(rig.Last()->text),
                 QStringLiteral("Current editor is empty.  There is no code to assemble."));
        QCOMPARE(rig.form->StatusText(2), QStringLiteral("ASSEMBLY ERROR"));
    }
    QVERIFY(rig.assembler.sources.empty());
    QVERIFY(rig.chip.calls.empty());
    QVERIFY(!rig.Called("ShowDebugWindow"));
}

void EditorFormTest::builtInAssemblyLeavesTheClipboardAlone() {
    Rig rig;
    rig.Show();
    QApplication::clipboard()->setText(QStringLiteral("something else"));
    // Every kind of character: what a paste takes (tab, CR, 32 to 255) reaches the
    // assembler, line feeds and other control characters do not.
    std::string text = "\tDEVICE SX28\r\n\tORG 0 ; \x01\x7f\x80\xc3\xa9\xff\n";
    rig.Editor().SetText(text);
    rig.form->RunAssembleItemClick();
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("something else"));
    const std::string expected = "\tDEVICE SX28\r\tORG 0 ; \x7f\x80\xc3\xa9\xff\r";
    QCOMPARE(rig.assembler.sources.back(), expected);
    QCOMPARE(rig.form->Buffer().Text(), expected);
    QCOMPARE(rig.form->StatusText(2), QStringLiteral("Assembly Successful"));

    // Nor does locating an error, which finds its text without the clipboard.
    rig.assembler.failMessage = "Undefined symbol";
    rig.assembler.failStart = uint32_t(expected.find("ORG"));
    rig.assembler.failEnd = rig.assembler.failStart + 3;
    rig.form->RunAssembleItemClick();
    QCOMPARE(rig.form->StatusText(2), QStringLiteral("ASSEMBLY ERROR: Undefined symbol"));
    QCOMPARE(rig.form->HighlightLine(), 1);
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("something else"));
    // An empty clipboard stays empty.
    QApplication::clipboard()->clear();
    rig.form->RunAssembleItemClick();
    QVERIFY(QApplication::clipboard()->text().isEmpty());
}

void EditorFormTest::lfAndCrLfSourcesReachTheAssemblerAlike() {
    TempFolder dir;
    std::string lf = dir.Write("lf.src", "; demo\n\tDEVICE SX28\n\nstart\tJMP start\n");
    std::string crlf = dir.Write("crlf.src", "; demo\r\n\tDEVICE SX28\r\n\r\nstart\tJMP start\r\n");
    Rig rig;
    rig.Show();
    rig.form->Files().OpenFile(lf);
    rig.form->RunAssembleItemClick();
    rig.form->Files().OpenFile(crlf);
    rig.form->RunAssembleItemClick();
    QCOMPARE(rig.assembler.sources.size(), size_t(2));
    QCOMPARE(rig.assembler.sources[0], std::string("; demo\r\tDEVICE SX28\r\rstart\tJMP start\r"));
    QCOMPARE(rig.assembler.sources[1], rig.assembler.sources[0]);
    // The files themselves keep their own line ends.
    QCOMPARE(rig.Editor().Text(), TempFolder::Read(crlf));
}

void EditorFormTest::errorIsHighlightedOnItsOwnLineAndRange() {
    // Lines 2 and 5 read the same; the error is in the second of them, after a stray
    // control character that the assembler never sees.
    const std::string text = "\tDEVICE SX28\n\tCLR count1\n\tORG 0\n\x0c\n\tCLR count1 ;x\n";
    Rig rig;
    rig.Show();
    rig.Editor().SetText(text);
    const std::string source = "\tDEVICE SX28\r\tCLR count1\r\tORG 0\r\r\tCLR count1 ;x\r";
    uint32_t start = uint32_t(source.rfind("count1"));
    rig.assembler.failMessage = "Undefined symbol";
    rig.assembler.failStart = start;
    rig.assembler.failEnd = start + 6;
    rig.form->RunAssembleItemClick();
    QCOMPARE(rig.assembler.sources[0], source);
    QCOMPARE(rig.form->StatusText(2), QStringLiteral("ASSEMBLY ERROR: Undefined symbol"));
    QCOMPARE(rig.form->HighlightLine(), 4);
    int expected = int(text.rfind("count1"));
    QCOMPARE(rig.form->HighlightStart(), expected);
    QCOMPARE(rig.form->HighlightEnd(), expected + 6);
    QCOMPARE(rig.Editor().CurrentLine(), 4);
    QCOMPARE(rig.form->Buffer().SelectionStart(), size_t(start));
    QCOMPARE(rig.form->Buffer().SelectionEnd(), size_t(start + 6));
    rig.form->resize(700, 360);
    MaybeGrab(*rig.form, "assembly-error.png");

    // Moving past the range on that line takes the highlight away.
    // (The editor reports caret moves when it next updates its view.)
    rig.Editor().SetCaret(4, 11);
    QTest::qWait(20);
    QCOMPARE(rig.form->HighlightLine(), 4);
    rig.Editor().SetCaret(4, 12);
    QTRY_COMPARE(rig.form->HighlightLine(), -1);

    // An error reported at the line end marks the whole line.
    uint32_t eol = uint32_t(source.find('\r', 1));
    rig.assembler.failStart = rig.assembler.failEnd = eol;
    rig.form->RunAssembleItemClick();
    QCOMPARE(rig.form->HighlightLine(), 0);
    QCOMPARE(rig.form->HighlightStart(), 0);
    QCOMPARE(rig.form->HighlightEnd(), 12);

    rig.Item("ClearErrorsMENUITM")->trigger();
    QCOMPARE(rig.form->HighlightLine(), -1);
    QCOMPARE(rig.form->StatusText(2), QString());
}

void EditorFormTest::failedAssemblyStopsTheHardwareCommand() {
    Rig rig;
    rig.Show();
    rig.Editor().SetText("bad\n");
    rig.assembler.failMessage = "Expected a DEVICE directive";
    rig.assembler.failStart = 0;
    rig.assembler.failEnd = 3;
    rig.Item("RunProgramItem")->trigger();
    rig.Item("RunRunItem")->trigger();
    rig.Item("RunDebugItem")->trigger();
    QCOMPARE(rig.assembler.sources.size(), size_t(3));
    QVERIFY(rig.chip.calls.empty());
    QVERIFY(!rig.Called("ShowDebugWindow"));
    QVERIFY2(rig.prompter.messages.empty(), "the status bar carries the error");
}

void EditorFormTest::runProgramsThenShowsTheClock() {
    Rig rig;
    rig.Show();
    rig.Editor().SetText("\tDEVICE SX28\n");
    rig.record->debug.frequency = 4'000'000;
    rig.Item("RunRunItem")->trigger();
    QCOMPARE(rig.chip.calls, (std::vector<std::string>{"RequireFullKey", "ProgramChip(true)"}));
    QVERIFY(rig.Called("ShowClockGenInfo(4000000)"));
    QCOMPARE(rig.form->StatusText(2), QStringLiteral("clock 4000000"));

    rig.chip.calls.clear();
    rig.Item("RunProgramItem")->trigger();
    QCOMPARE(rig.chip.calls, std::vector<std::string>{"ProgramChip(false)"});

    rig.chip.calls.clear();
    rig.Item("RunDebugItem")->trigger();
    QCOMPARE(rig.chip.calls,
             (std::vector<std::string>{"PrepareDebug", "RequireFullKey", "ProgramChip(false)"}));
    QVERIFY(rig.Called("ShowDebugWindow"));

    rig.chip.calls.clear();
    rig.Item("RunDebugAgainItem")->trigger();
    QCOMPARE(rig.chip.calls, (std::vector<std::string>{"PrepareDebug", "RequireFullKey"}));

    rig.chip.calls.clear();
    rig.Item("RunClockItem")->trigger();
    QCOMPARE(rig.chip.calls, (std::vector<std::string>{"RequireFullKey", "ConnectKey"}));
    QVERIFY(rig.Called("ShowClockWindow"));
    QVERIFY(rig.Button("ClockTBTN")->isEnabled());

    // A link failure ends the command quietly (its own message was shown already).
    rig.chip.failProgramming = true;
    rig.windows.calls.clear();
    rig.prompter.messages.clear();
    rig.Item("RunRunItem")->trigger();
    QVERIFY(!rig.Called("ShowClockGenInfo(4000000)"));
    QVERIFY(rig.prompter.messages.empty());
}

void EditorFormTest::debugStopsWhenThereIsNoRoomForTheKernel() {
    Rig rig;
    rig.Show();
    rig.Editor().SetText("\tDEVICE SX28\n");
    rig.chip.prepareOk = false;
    rig.assembler.failMessage.clear();
    rig.record->message = "Not enough room for the debugger";
    // The fake assembler leaves the message alone on success; the preparation sets it.
    rig.Item("RunDebugItem")->trigger();
    QVERIFY(rig.Last());
    QCOMPARE(rig.chip.calls, std::vector<std::string>{"PrepareDebug"});
    QVERIFY(!rig.Called("ShowDebugWindow"));
}

void EditorFormTest::missingChipServiceSaysSo() {
    Rig rig({}, false);
    rig.Show();
    rig.Editor().SetText("\tDEVICE SX28\n");
    rig.Item("RunProgramItem")->trigger();
    QCOMPARE(rig.assembler.sources.size(), size_t(1));
    QVERIFY(rig.Last());
    QCOMPARE(Q(rig.Last()->text),
             QStringLiteral("Programming the chip is not available in this version yet."));

    rig.settings.useOrda = true;
    rig.Item("RunAssembleItem")->trigger();
    QCOMPARE(rig.assembler.sources.size(), size_t(1));
    QCOMPARE(Q(rig.Last()->text),
             QStringLiteral("Assembling with the external assembler is not available in this "
                            "version yet."));
}

void EditorFormTest::sxhOnTheCommandLineGoesToTheDeviceWindow() {
    TempFolder dir;
    std::string image = dir.Write("blink.SXH", ":00000001FF\r\n");
    Rig rig({image, "/R"});
    rig.Show();
    QTRY_VERIFY(rig.Called("ShowDeviceWindow"));
    QVERIFY(rig.Called("LoadDeviceImage(" + image + ",ro)"));
    QCOMPARE(rig.FileList(), QStringList{QStringLiteral("{Blank_1}")});
    QVERIFY(rig.Editor().IsEmpty());
}

void EditorFormTest::commandLineFileOpensReadOnlyAndMissingOneIsReported() {
    TempFolder dir;
    std::string src = dir.Write("prog.src", "\tDEVICE SX28\r\n");
    {
        Rig rig({dir / "prog", "/r"}); // the extension is added
        rig.Show();
        QCOMPARE(rig.FileList(), QStringList{Q(src)});
        QCOMPARE(rig.form->windowTitle(), QStringLiteral("Pellix v2.02 - prog.src : READ ONLY"));
        QVERIFY(rig.Editor().isReadOnly());
        QVERIFY(rig.form->RunButtonsEnabled());
    }
    {
        Rig rig({dir / "nothing.src"});
        QVERIFY(rig.Last());
        QCOMPARE(Q(rig.Last()->caption), QStringLiteral("COMMAND LINE ERROR"));
        QCOMPARE(Q(rig.Last()->text),
                 QStringLiteral("File on command line not found on disk:\r\"") +
                     Q(dir / "nothing.src") + QStringLiteral("\""));
        rig.Show();
        QCOMPARE(rig.FileList(), QStringList{QStringLiteral("{Blank_1}")});
    }
    {
        Rig rig({"/3"});
        QCOMPARE(Q(rig.settings.comPort), QStringLiteral("COM3"));
    }
}

void EditorFormTest::closingTheOnlyFileDisablesTheRunButtons() {
    TempFolder dir;
    Rig rig({dir.Write("a.src", "x")});
    rig.Show();
    QVERIFY(rig.form->RunButtonsEnabled());
    rig.Item("Close1")->trigger();
    QCOMPARE(rig.FileList().size(), 1);
    QVERIFY(rig.FileList()[0].startsWith(QStringLiteral("{Blank_")));
    QVERIFY(rig.Editor().IsEmpty());
    QVERIFY(!rig.form->RunButtonsEnabled());
    QVERIFY(rig.Button("DeviceTBTN")->isEnabled());
}

void EditorFormTest::changedFileOnDiskAsksOnActivation() {
    TempFolder dir;
    std::string a = dir.Write("a.src", "one");
    Rig rig({a});
    rig.Show();
    dir.Write("a.src", "two");
    TouchLater(a);
    rig.prompter.Answer(PromptAnswer::Yes);
    rig.form->ApplicationActivated();
    QVERIFY(rig.Last());
    QCOMPARE(Q(rig.Last()->caption), QStringLiteral("File Load Warning"));
    QCOMPARE(rig.Editor().Text(), std::string("two"));
}

void EditorFormTest::reopenMenuShowsTheFiveLatest() {
    TempFolder dir;
    Rig rig;
    rig.Show();
    QVERIFY(!rig.Item("ReOpenItem")->isVisible());
    std::vector<std::string> paths;
    for (int i = 0; i < 6; ++i)
        paths.push_back(dir.Write("f" + std::to_string(i) + ".src", "x"));
    for (const auto& p : paths)
        rig.form->Files().OpenFile(p);
    QVERIFY(rig.Item("ReOpenItem")->isVisible());
    const char* names[] = {"FileZeroItem", "FileOneItem", "FileTwoItem", "FileThreeItem",
                           "FileFourItem"};
    for (int i = 0; i < 5; ++i) {
        QAction* a = rig.Item(names[i]);
        QVERIFY(a->isVisible());
        QCOMPARE(a->text(), QStringLiteral("&%1 ").arg(i) + Q(paths[size_t(5 - i)]));
    }
    rig.Item("FileFourItem")->trigger(); // f1 comes back to the top
    QCOMPARE(rig.Item("FileZeroItem")->text(), QStringLiteral("&0 ") + Q(paths[1]));
    QVERIFY(rig.form->RunButtonsEnabled());
}

void EditorFormTest::disclaimerAcceptedOnceOrTheProgramEnds() {
    {
        Rig rig({}, true, false);
        rig.Show();
        QVERIFY(rig.Called("AskDisclaimer"));
        QCOMPARE(*rig.store.ReadInt(setting::ShowWarranty), 2);
        QCOMPARE(rig.terminated, 0);
    }
    {
        Rig rig({}, true, false);
        rig.windows.acceptDisclaimer = false;
        rig.Show();
        QCOMPARE(rig.terminated, 1);
        QVERIFY(!rig.store.ReadInt(setting::ShowWarranty));
    }
    {
        Rig rig;
        rig.Show();
        QVERIFY(!rig.Called("AskDisclaimer"));
    }
}

void EditorFormTest::defaultPlacementStoredAtFirstShow() {
    Rig rig;
    rig.store.ints.erase("EditorWindow\\Top");
    rig.Show();
    QVERIFY(rig.store.KeyExists("EditorWindow"));
    QRect screen = QGuiApplication::primaryScreen()->geometry();
    QCOMPARE(*rig.store.ReadInt("EditorWindow\\Top"), screen.height() / 8);
    QCOMPARE(*rig.store.ReadInt("EditorWindow\\Left"), screen.width() / 4);
    QCOMPARE(*rig.store.ReadInt("EditorWindow\\Width"), screen.width() / 2);
    QCOMPARE(*rig.store.ReadInt("EditorWindow\\Height"), screen.height() * 3 / 4);
}

void EditorFormTest::findFindNextAndReplaceAll() {
    Rig rig;
    rig.Show();
    TPlusMemo& e = rig.Editor();
    e.SetText("mov a\nMOV b\nremove c\nmov d\n");

    rig.form->EditFindNextMenuItemClick(); // nothing searched yet: nothing happens
    QVERIFY(rig.prompter.messages.empty());

    TSearchDialog& find = rig.form->FindDialog();
    rig.form->EditFindItemClick();
    QVERIFY(find.isVisible());
    find.SetFindText("mov");
    find.findChild<QCheckBox*>(QStringLiteral("WholeWordCB"))->setChecked(true);
    find.findChild<QCheckBox*>(QStringLiteral("MatchCaseCB"))->setChecked(true);
    find.findChild<QPushButton*>(QStringLiteral("FindNextBTN"))->click();
    QCOMPARE(e.SelectionStart(), 0);
    rig.form->EditFindNextMenuItemClick();
    // Whole words and case: MOV and remove are passed.
    QCOMPARE(e.SelectionStart(), int(std::string("mov a\nMOV b\nremove c\n").size()));
    rig.form->EditFindNextMenuItemClick();
    QVERIFY(rig.Last());
    QCOMPARE(Q(rig.Last()->text), QStringLiteral("Couldn't find: \"mov\""));
    QCOMPARE(Q(rig.Last()->caption), QStringLiteral("Word Not Found"));
    find.SetFindText("xyz");
    find.findChild<QPushButton*>(QStringLiteral("FindNextBTN"))->click();
    QCOMPARE(Q(rig.Last()->text), QStringLiteral("Couldn't find: xyz"));

    // Upwards from the end.
    find.findChild<QRadioButton*>(QStringLiteral("UpRB"))->setChecked(true);
    find.findChild<QCheckBox*>(QStringLiteral("WholeWordCB"))->setChecked(false);
    find.findChild<QCheckBox*>(QStringLiteral("MatchCaseCB"))->setChecked(false);
    find.SetFindText("mov");
    e.SetCaret(3, 5);
    find.findChild<QPushButton*>(QStringLiteral("FindNextBTN"))->click();
    QCOMPARE(e.CurrentLine(), 3);
    find.findChild<QPushButton*>(QStringLiteral("FindNextBTN"))->click();
    QCOMPARE(e.LineOfPosition(e.SelectionStart()), 2);

    TSearchDialog& rep = rig.form->ReplaceDialog();
    rig.form->EditFindReplaceItemClick();
    rep.SetFindText("mov");
    rep.findChild<QLineEdit*>(QStringLiteral("ReplaceWithEdit"))->setText(QStringLiteral("LD"));
    e.SetCaret(1, 2);
    rep.findChild<QPushButton*>(QStringLiteral("ReplaceAllBTN"))->click();
    QCOMPARE(e.Text(), std::string("LD a\nLD b\nreLDe c\nLD d\n"));
    QCOMPARE(Q(rig.Last()->caption), QStringLiteral("Find and Replace"));
    QCOMPARE(Q(rig.Last()->text), QStringLiteral("Replaced: mov\rwith: LD\r4 times."));
    QCOMPARE(e.CurrentLine(), 1);
    QCOMPARE(e.CurrentColumn(), 2);

    e.Undo();
    QCOMPARE(e.Text(), std::string("mov a\nMOV b\nremove c\nmov d\n")); // one undo step
    rep.findChild<QCheckBox*>(QStringLiteral("MatchCaseCB"))->setChecked(true);
    rep.findChild<QCheckBox*>(QStringLiteral("WholeWordCB"))->setChecked(true);
    rep.findChild<QPushButton*>(QStringLiteral("ReplaceAllBTN"))->click();
    QCOMPARE(e.Text(), std::string("LD a\nMOV b\nremove c\nLD d\n"));
    QCOMPARE(Q(rig.Last()->caption), QStringLiteral("Case Sensitive Find and Replace"));
    QCOMPARE(Q(rig.Last()->text), QStringLiteral("Replaced: mov\rwith: LD\r2 times."));

    // Replace: the selected match is replaced and the next one found.
    e.SetText("a x a x");
    rep.SetFindText("x");
    rep.findChild<QLineEdit*>(QStringLiteral("ReplaceWithEdit"))->setText(QStringLiteral("yy"));
    e.SetSelection(2, 1);
    rep.findChild<QPushButton*>(QStringLiteral("ReplaceBTN"))->click();
    QCOMPARE(e.Text(), std::string("a yy a x"));
    QCOMPARE(e.SelectionStart(), 7);
    QCOMPARE(e.SelectionLength(), 1);
}

void EditorFormTest::goToLineMovesTheCaret() {
    Rig rig;
    rig.Show();
    rig.Editor().SetText("a\nb\nc\nd\n");
    rig.windows.lineNumber = 3;
    rig.Item("GoToLineMENUITM")->trigger();
    QCOMPARE(rig.Editor().CurrentLine(), 2);
    QCOMPARE(rig.Editor().CurrentColumn(), 0);
    rig.windows.lineNumber = 99;
    rig.Item("GoToLineMENUITM")->trigger();
    QCOMPARE(rig.Editor().CurrentLine(), 4);
    rig.windows.lineNumber.reset();
    rig.Item("GoToLineMENUITM")->trigger();
    QCOMPARE(rig.Editor().CurrentLine(), 4);
}

void EditorFormTest::statusPanelsShowHintCaretAndStatus() {
    Rig rig;
    rig.Show();
    rig.Editor().SetText("abc\ndefg\n");
    rig.Editor().SetCaret(1, 3);
    QTRY_COMPARE(rig.form->StatusText(1), QStringLiteral("2:4"));
    QStatusTipEvent tip(QStringLiteral("Assemble source"));
    QCoreApplication::sendEvent(rig.form.get(), &tip);
    QCOMPARE(rig.form->StatusText(0), QStringLiteral("Assemble source"));
    auto* panel0 = rig.form->findChild<QLabel*>(QStringLiteral("StatusPanel0"));
    QCOMPARE(panel0->width(), 300);
    rig.form->RunAssembleItemClick();
    QCOMPARE(rig.form->StatusText(2), QStringLiteral("Assembly Successful"));
    rig.Item("FileNewItem")->trigger(); // a new current file name clears it
    QCOMPARE(rig.form->StatusText(2), QString());
}

void EditorFormTest::saveButtonFollowsUndo() {
    Rig rig;
    rig.Show();
    QToolButton* save = rig.Button("SaveTBTN");
    QVERIFY(!save->isEnabled());
    QVERIFY(!rig.Item("UndoMenuItem")->isEnabled());
    rig.Editor().setFocus();
    QTest::keyClicks(&rig.Editor(), "x");
    QVERIFY(save->isEnabled());
    QVERIFY(rig.Item("UndoMenuItem")->isEnabled());
    rig.Item("UndoMenuItem")->trigger();
    QVERIFY(!save->isEnabled());
    QVERIFY(rig.Item("RedoMenuItem")->isEnabled());
}

void EditorFormTest::closingStoresPlacementAndAsksAboutChanges() {
    TempFolder dir;
    std::string a = dir.Write("a.src", "x");
    Rig rig({a});
    rig.Show();
    rig.Editor().SetText("changed");
    rig.prompter.Answer(PromptAnswer::Cancel);
    QVERIFY(!rig.form->close());
    QVERIFY(rig.form->isVisible());
    rig.prompter.Answer(PromptAnswer::No);
    QVERIFY(rig.form->close());
    QVERIFY(rig.Called("CloseDebugWindows"));
    QVERIFY(rig.store.Exists("EditorWindow\\WindowState"));
    QVERIFY(rig.store.Exists("FileListWidth"));
    QCOMPARE(TempFolder::Read(a), std::string("x"));
}

void EditorFormTest::programSaysSoWithTheTimeItTook() {
    MemorySettingsStore store;
    store.WriteInt(setting::ShowWarranty, 2);
    store.WriteInt("EditorWindow\\Top", 10);
    SettingsRegistry registry(store);
    WorkingSettings settings;
    settings.useOrda = false;
    ScriptedPrompter prompter;
    auto record = std::make_unique<AssemblyRecord>();
    FakeAssembler assembler;
    FakeChip chip;
    FakeWindows windows;
    FakeTickSource ticks(0);
    chip.whileProgramming = [&] { ticks.Advance(2'350); };
    TEditorForm form(EditorFormContext{*record,
                                       registry,
                                       settings,
                                       prompter,
                                       ShellServices{&assembler, nullptr, &chip, &windows},
                                       {},
                                       &ticks});
    form.show();
    QCoreApplication::processEvents();
    form.CurrentEditor().SetText("\tDEVICE SX28\n");
    form.RunProgramItemClick();
    QCOMPARE(form.StatusText(2), QStringLiteral("Programming Successful (2.4 s)"));
    // A failure says nothing of the kind; Run keeps its clock text.
    chip.failProgramming = true;
    form.RunProgramItemClick();
    QCOMPARE(form.StatusText(2), QStringLiteral("Assembly Successful"));
    chip.failProgramming = false;
    form.RunRunItemClick();
    QCOMPARE(form.StatusText(2), QStringLiteral("clock 50000000"));
    // Switched off: the status stays as the assembly left it.
    settings.extras.programMessage = false;
    form.RunProgramItemClick();
    QCOMPARE(form.StatusText(2), QStringLiteral("Assembly Successful"));
}

void EditorFormTest::modifiedFilesAreMarkedInTheListAndTheCaption() {
    TempFolder dir;
    std::string a = dir.Write("a.src", "one\n");
    std::string b = dir.Write("b.src", "two\n");
    Rig rig({a});
    rig.Show();
    rig.form->Files().OpenFile(b);
    auto* list = rig.form->findChild<QListWidget*>(QStringLiteral("FilesLoadedLB"));
    QCOMPARE(list->item(0)->text(), QStringLiteral("a.src"));
    QCOMPARE(rig.form->windowTitle(), QStringLiteral("Pellix v2.02 - b.src"));
    rig.Editor().setFocus();
    QTest::keyClicks(&rig.Editor(), "x");
    QCOMPARE(list->item(1)->text(), QStringLiteral("b.src*"));
    QCOMPARE(list->item(0)->text(), QStringLiteral("a.src"));
    QCOMPARE(rig.form->windowTitle(), QStringLiteral("Pellix v2.02 - b.src*"));
    // Another file comes to the front: its own caption, the list keeps b's mark.
    rig.form->Files().Select(0);
    QCOMPARE(rig.form->windowTitle(), QStringLiteral("Pellix v2.02 - a.src"));
    QCOMPARE(list->item(1)->text(), QStringLiteral("b.src*"));
    rig.form->Files().Select(1);
    rig.Item("FileSaveItem")->trigger();
    QCOMPARE(list->item(1)->text(), QStringLiteral("b.src"));
    QCOMPARE(rig.form->windowTitle(), QStringLiteral("Pellix v2.02 - b.src"));
    // Undo back to the saved text is unmodified again.
    QTest::keyClicks(&rig.Editor(), "y");
    QCOMPARE(list->item(1)->text(), QStringLiteral("b.src*"));
    rig.Item("UndoMenuItem")->trigger();
    QCOMPARE(list->item(1)->text(), QStringLiteral("b.src"));
    // Switched off: no marks.
    QTest::keyClicks(&rig.Editor(), "z");
    rig.settings.extras.modifiedMarks = false;
    rig.form->ApplyEditorChoice();
    QCOMPARE(list->item(1)->text(), QStringLiteral("b.src"));
    QCOMPARE(rig.form->windowTitle(), QStringLiteral("Pellix v2.02 - b.src"));
}

void EditorFormTest::caretPanelFitsSixDigitLineNumbers() {
    Rig rig;
    rig.Show();
    auto* panel = rig.form->findChild<QLabel*>(QStringLiteral("StatusPanel1"));
    QCOMPARE(panel->width(), 50);
    rig.Editor().SetText(std::string(199'990, '\n') + "\tJMP\tsomewhere_far_away");
    rig.Editor().SetCaret(199'987, 0);
    QTRY_COMPARE(rig.form->StatusText(1), QStringLiteral("199988:1"));
    const int needed = panel->fontMetrics().horizontalAdvance(QStringLiteral("199988:1"));
    QVERIFY2(panel->contentsRect().width() >= needed,
             qPrintable(QStringLiteral("%1 < %2").arg(panel->contentsRect().width()).arg(needed)));
    // Columns count characters, a UTF-8 one as one.
    rig.Editor().SetText("; \xc3\xa9\xc3\xa9x\n");
    rig.Editor().SetCaret(0, 6);
    QTRY_COMPARE(rig.form->StatusText(1), QStringLiteral("1:5"));
    QCOMPARE(panel->width(), 50); // back to its size for a short text
}

void EditorFormTest::lineNumbersAndTheCaretsLineFollowTheirSettings() {
    Rig rig;
    rig.Show();
    TPlusMemo& e = rig.Editor();
    e.SetText("a\nb\n");
    QVERIFY(e.LineNumberMarginWidth() > 0);
    QVERIFY(e.SendScintilla(QsciScintillaBase::SCI_GETCARETLINEVISIBLE));
    QVERIFY(e.marginWidth(1) > 0); // the marks' margin
    rig.settings.extras.lineNumbers = false;
    rig.settings.extras.currentLine = false;
    rig.settings.extras.editorBreakpoints = false;
    rig.settings.extras.sourceLine = false;
    rig.form->ApplyEditorChoice();
    QCOMPARE(e.LineNumberMarginWidth(), 0);
    QVERIFY(!e.SendScintilla(QsciScintillaBase::SCI_GETCARETLINEVISIBLE));
    QCOMPARE(e.marginWidth(1), 0);
    // A new editor takes the look of the one shown before it.
    rig.Item("FileNewItem")->trigger();
    rig.Item("FileNewItem")->trigger();
    QCOMPARE(rig.Editor().LineNumberMarginWidth(), 0);
}

void EditorFormTest::utf8SourcesRoundTripAndReachTheAssemblerAsBytes() {
    TempFolder dir;
    const std::string bytes =
        "; Z\xc3\xa4hler f\xc3\xbcr \xe2\x82\xac\r\n\tDEVICE SX28 ; \xc2\xb5s\r\n";
    std::string path = dir.Write("utf8.src", bytes);
    Rig rig({path});
    rig.Show();
    TPlusMemo& e = rig.Editor();
    QVERIFY(e.Utf8());
    QCOMPARE(e.text(0), QStringLiteral("; Z\u00e4hler f\u00fcr \u20ac\r\n"));
    rig.form->RunAssembleItemClick();
    QCOMPARE(rig.assembler.sources.back(),
             std::string("; Z\xc3\xa4hler f\xc3\xbcr \xe2\x82\xac\r\tDEVICE SX28 ; \xc2\xb5s\r"));
    // Saved as it was read, byte for byte; typed text joins it as UTF-8.
    rig.settings.createBackups = false;
    rig.Item("FileSaveItem")->trigger();
    QCOMPARE(TempFolder::Read(path), bytes);
    e.SetCaret(1, 0);
    e.setFocus();
    QTest::keyClicks(&e, QStringLiteral("\u00df"));
    rig.Item("FileSaveItem")->trigger();
    QCOMPARE(TempFolder::Read(path),
             "; Z\xc3\xa4hler f\xc3\xbcr \xe2\x82\xac\r\n\xc3\x9f\tDEVICE SX28 ; "
             "\xc2\xb5s\r\n");
    // Find takes what the dialog shows.
    rig.form->FindDialog().SetFindString(QStringLiteral("\u20ac"));
    e.SetCaret(0, 0);
    rig.form->FindDialogFind(rig.form->FindDialog());
    QCOMPARE(e.SelectedText(), std::string("\xe2\x82\xac"));
    // A file of single-byte characters stays as it is too.
    const std::string latin = "; caf\xe9\n\tDEVICE SX28\n";
    std::string old = dir.Write("latin.src", latin);
    rig.form->Files().OpenFile(old);
    QVERIFY(!rig.Editor().Utf8());
    QCOMPARE(rig.Editor().text(0), QStringLiteral("; caf\u00e9\n"));
    rig.Item("FileSaveItem")->trigger();
    QCOMPARE(TempFolder::Read(old), latin);
    rig.form->RunAssembleItemClick();
    QCOMPARE(rig.assembler.sources.back(), std::string("; caf\xe9\r\tDEVICE SX28\r"));
}

// The debug menu's keys are all function keys no other command has: none of the shortcuts
// of the main window, the debug window's buttons, the views' keys and the list view.
void EditorFormTest::debugMenuKeysTakeNoOtherCommandsShortcut() {
    Rig rig;
    const QStringList taken = {
        "Ctrl+O", "Ctrl+S", "Ctrl+Z", "Ctrl+Y", "Ctrl+X", "Ctrl+C", "Ctrl+V", "Ctrl+F", "F3",
        "Ctrl+H", "F4", "Ctrl+Up", "Ctrl+Down", "Ctrl+G", "Ctrl+A", "Ctrl+P", "Ctrl+R", "Ctrl+D",
        "Ctrl+L", "Ctrl+K", "Ctrl+I", "Ctrl+U", "Ctrl+Alt+D",
        // the debug window's buttons, the menu bar, the register and watch views' keys
        "Alt+H", "Alt+J", "Alt+S", "Alt+W", "Alt+R", "Alt+L", "Alt+P", "Alt+T", "Alt+E", "Alt+D",
        "Alt+C", "Alt+Q", "Alt+F", "Return", "Esc", "Space", "Backspace", "Up", "Down", "Left",
        "Right", "Enter"};
    const struct {
        const char* name;
        const char* key;
        const char* caption;
    } keys[] = {{"DebugRunItem", "F5", "&Run"},
                {"DebugHaltItem", "F6", "&Halt"},
                {"DebugStepItem", "F7", "&Step"},
                {"DebugWalkItem", "F8", "&Walk"},
                {"DebugBreakpointItem", "F9", "Toggle &Breakpoint"},
                {"DebugHopItem", "F10", "H&op"},
                {"DebugQuitItem", "Shift+F5", "&Quit Debugging"}};
    auto* menu = rig.form->menuBar()->findChild<QMenu*>(QStringLiteral("DebugMenu"));
    QVERIFY(menu);
    QCOMPARE(menu->title(), QStringLiteral("De&bug"));
    QVERIFY(!taken.contains(QStringLiteral("Alt+B")));
    for (const auto& k : keys) {
        QAction* a = rig.Item(k.name);
        QVERIFY2(a, k.name);
        QCOMPARE(a->text(), QLatin1String(k.caption));
        QCOMPARE(a->shortcut().toString(), QLatin1String(k.key)); // shown in the menu
        QVERIFY(menu->actions().contains(a));
        QVERIFY2(!taken.contains(a->shortcut().toString()), k.name);
        QVERIFY(!a->isEnabled()); // no session
    }
    // No two of the window's items share a key.
    QMap<QString, QString> seen;
    for (QAction* a : rig.form->findChildren<QAction*>()) {
        if (a->shortcut().isEmpty()) continue;
        const QString key = a->shortcut().toString();
        QVERIFY2(!seen.contains(key), qPrintable(key + " " + a->objectName() + " " + seen[key]));
        seen[key] = a->objectName();
    }
    // The other items keep theirs.
    QCOMPARE(rig.Item("RunDebugItem")->shortcut().toString(), QStringLiteral("Ctrl+D"));
    QCOMPARE(rig.Item("EditFindNextMenuItem")->shortcut().toString(), QStringLiteral("F3"));
    // Switched off, the menu goes.
    rig.settings.extras.debugKeys = false;
    rig.form->ApplyEditorChoice();
    QVERIFY(!menu->menuAction()->isVisible());
}

QTEST_MAIN(EditorFormTest)
#include "EditorFormTest.moc"
