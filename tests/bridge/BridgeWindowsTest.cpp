// The external path in the windows: the file-save notification, DoAssemble with orda, the
// error list and its jumps, the list view with its marks and clicks, and the whole program
// assembling with the real orda.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSplitter>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include "BridgeTestSupport.h"
#include "app/BuiltInAssembler.h"
#include "app/Environment.h"
#include "platform/FileIo.h"
#include "platform/ScriptedPrompter.h"
#include "platform/qt/QtChildProcess.h"
#include "shell/FakeServices.h"
#include "shell/ModalWatcher.h"
#include "shell/ui/TEditorForm.h"
#include "shell/ui/TFileSaveNotificationDLG.h"
#include "shell/ui/TPM_CodeFRM.h"

using namespace pellix;
using namespace pellix::test;
namespace fs = std::filesystem;

namespace {

QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

std::string Data(const std::string& name) {
    FileRead r = ReadWholeFile(SourceDir() + "/tests/bridge/data/" + name);
    return r.data;
}

// With PELLIX_SCREENSHOTS naming a folder, a picture of the window for a person to look at.
void MaybeGrab(QWidget& w, const char* name) {
    QByteArray dir = qgetenv("PELLIX_SCREENSHOTS");
    if (dir.isEmpty()) return;
    QCoreApplication::processEvents();
    w.grab().save(QString::fromLocal8Bit(dir) + QLatin1Char('/') + QLatin1String(name));
}

// The windows the main window reaches, with the two the external path asks for.
class BridgeWindows final : public WindowService {
public:
    std::vector<std::string> calls;
    bool saveAnswer = true;
    TPM_CodeFRM* listView = nullptr;

    bool AskDisclaimer() override { return true; }
    std::optional<int> AskLineNumber() override { return std::nullopt; }
    void ShowDeviceWindow() override {}
    void LoadDeviceImage(const std::string&, bool) override {}
    void AssemblySucceeded() override { calls.push_back("AssemblySucceeded"); }
    void ShowClockWindow() override {}
    void ShowClockGenInfo(uint32_t f) override {
        calls.push_back("ShowClockGenInfo(" + std::to_string(f) + ")");
    }
    void ShowConfigure() override {}
    void HideDebugWindow() override {}
    void ShowDebugWindow() override { calls.push_back("ShowDebugWindow"); }
    void ToggleCodeView() override { calls.push_back("ToggleCodeView"); }
    void CloseDebugWindows() override {}
    void ShowHelp() override {}
    void ShowAbout() override {}
    bool AskSaveBeforeAssembly(const std::string& name) override {
        calls.push_back("AskSaveBeforeAssembly(" + name + ")");
        return saveAnswer;
    }
    bool BrowseList(const std::string& source) override {
        calls.push_back("BrowseList(" + source + ")");
        return listView && listView->BrowseList(source);
    }
    bool Called(const std::string& what) const {
        return std::find(calls.begin(), calls.end(), what) != calls.end();
    }
};

// The main window with the real bridge over an orda stand-in.
struct FormRig {
    FormRig() {
        fs::create_directories(bin);
        WriteFile(bin + "/ORDA.dll", "#!/bin/sh\n");
        store.WriteInt(setting::ShowWarranty, 2);
        store.WriteInt("EditorWindow\\Top", 10);
        settings.useOrda = true;
        record->StartUp();
        ShellServices services{&assembler, &unit, &chip, &windows};
        form = std::make_unique<TEditorForm>(
            EditorFormContext{*record, registry, settings, prompter, services, {}});
        form->show();
        QCoreApplication::processEvents();
    }
    std::string Open(const std::string& name, const std::string& text) {
        std::string path = dir / name;
        WriteFile(path, text);
        prompter.AnswerFile(path);
        form->FileOpenItemClick();
        return path;
    }
    void Good() {
        orda.files = {{".map", Data("blink.map")},
                      {".obj", Data("blink.obj")},
                      {".sym", Data("blink.sym")},
                      {".lst", Data("blink.lst")}};
    }
    QAction* Item(const char* name) { return form->findChild<QAction*>(QString::fromLatin1(name)); }
    QListWidget* ErrorList() { return form->findChild<QListWidget*>(QStringLiteral("ErrorLB")); }
    bool ErrorListShown() {
        auto* split = form->findChild<QSplitter*>(QStringLiteral("ErrorSplitSPLT"));
        return !ErrorList()->isHidden() && !split->handle(1)->isHidden();
    }
    const ScriptedPrompter::Asked* Last() const {
        return prompter.messages.empty() ? nullptr : &prompter.messages.back();
    }
    std::string OutBase(const std::string& stem) const { return bin + "/ORDA Output/" + stem; }

    TempFolder dir;
    std::string bin = dir / "bin";
    MemorySettingsStore store;
    SettingsRegistry registry{store};
    WorkingSettings settings;
    ScriptedPrompter prompter;
    std::unique_ptr<AssemblyRecord> record = std::make_unique<AssemblyRecord>();
    FakeOrda orda{bin};
    OrdaUnit unit{*record, settings, prompter, orda, bin};
    FakeAssembler assembler;
    FakeChip chip;
    BridgeWindows windows;
    std::unique_ptr<TEditorForm> form;
};

// A debug session that answers like the debug run control: a word without the written
// mark is ignored; a toggle remembers the breakpoint it replaced, which a double click's
// program counter puts back (its first click toggled it); a stop shows the breakpoint.
class FakeSession final : public ListViewDebugSession {
public:
    bool valid = true;
    uint32_t breakpoint = kNoBreak;
    uint32_t shownBreakpoint = kNoBreak; // as the last stop (or toggle) showed it
    uint32_t pc = 0;
    bool skip = false;
    std::vector<int> unwritten;
    std::vector<std::string> calls;

    // The chip stopped and the views were refreshed.
    void Stop() { shownBreakpoint = breakpoint; }

    bool StateValid() const override { return valid; }
    void ToggleBreakpoint(int a) override {
        calls.push_back("ToggleBreakpoint(" + std::to_string(a) + ")");
        if (Ignored(a)) return;
        shownBreakpoint = breakpoint;
        breakpoint = breakpoint == uint32_t(a) ? kNoBreak : uint32_t(a);
    }
    void SetProgramCounter(int a) override {
        calls.push_back("SetProgramCounter(" + std::to_string(a) + ")");
        if (Ignored(a)) return;
        breakpoint = shownBreakpoint;
        Move(a);
    }
    void MoveProgramCounter(int a) override {
        calls.push_back("MoveProgramCounter(" + std::to_string(a) + ")");
        if (Ignored(a)) return;
        Move(a);
    }
    uint32_t Breakpoint() const override { return breakpoint; }
    uint32_t ProgramCounter() const override { return pc; }
    bool Skip() const override { return skip; }

private:
    bool Ignored(int a) const {
        return std::find(unwritten.begin(), unwritten.end(), a) != unwritten.end();
    }
    // The new context goes to the chip, which stops again at once and is shown.
    void Move(int a) {
        pc = uint32_t(a);
        skip = false;
        Stop();
    }
};

// The list view over the bridge after a run on the blink example's outputs.
struct ListRig {
    ListRig() {
        fs::create_directories(bin);
        WriteFile(bin + "/ORDA.dll", "#!/bin/sh\n");
        WriteFile(source, "; blink\n");
        record->StartUp();
        orda.files = {{".map", Data("blink.map")},
                      {".obj", Data("blink.obj")},
                      {".sym", Data("blink.sym")},
                      {".lst", Data("blink.lst")}};
        ran = unit.ORDA_Run(source);
        view = std::make_unique<TPM_CodeFRM>(ListViewContext{&unit, &registry, &prompter, nullptr});
        view->SetDebugSession(&session);
    }
    QToolButton* Button(const char* name) {
        return view->findChild<QToolButton*>(QString::fromLatin1(name));
    }
    // Whether the toolbar shows the button (its action is visible).
    bool Visible(const char* name) {
        QToolButton* b = Button(name);
        for (QAction* a : view->CodeEditorTB()->actions())
            if (view->CodeEditorTB()->widgetForAction(a) == b) return a->isVisible();
        return false;
    }
    // The 0-based view line of an address, through the map.
    int LineOf(int address) { return unit.ListLineOfRecord(unit.MapIndexOfAddress(address)) - 1; }
    QPoint PointOf(int line) {
        TPlusMemo* e = view->CodePLSMO();
        int pos = e->PositionOfLine(line) + 2;
        int x = int(e->SendScintilla(QsciScintillaBase::SCI_POINTXFROMPOSITION, 0UL, long(pos)));
        int y = int(e->SendScintilla(QsciScintillaBase::SCI_POINTYFROMPOSITION, 0UL, long(pos)));
        return {x + 2, y + 4};
    }

    TempFolder dir;
    std::string bin = dir / "bin";
    std::string source = dir / "blink.src";
    MemorySettingsStore store;
    SettingsRegistry registry{store};
    WorkingSettings settings;
    ScriptedPrompter prompter;
    std::unique_ptr<AssemblyRecord> record = std::make_unique<AssemblyRecord>();
    FakeOrda orda{bin};
    OrdaUnit unit{*record, settings, prompter, orda, bin};
    int ran = -1;
    FakeSession session;
    std::unique_ptr<TPM_CodeFRM> view;
};

// Answers the next modal dialog of this type from the event loop.
template <class Dialog>
void WhenShown(std::function<void(Dialog*)> act) {
    QTimer::singleShot(0, [act] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* d = qobject_cast<Dialog*>(w); d && d->isVisible()) {
                act(d);
                return;
            }
    });
}

} // namespace

class BridgeWindowsTest : public QObject {
    Q_OBJECT
private slots:
    void fileSaveNotificationAsksUntilToldNotTo();
    void modifiedFileIsSavedBeforeOrdaRuns();
    void cancelledOrReadOnlySaveStopsTheAssembly();
    void neverSavedFileIsNotHandedToOrda();
    void exitCodeTwoIsSuccessAndShowsTheWarnings();
    void errorsShowTheListTheMessageAndTheFirstErrorLine();
    void missingAndDamagedOutputsHaveTheirMessages();
    void doubleClickJumpsToTheErrorOpeningItsFile();
    void clearErrorsEmptiesAndHidesTheList();
    void viewListBrowsesTheListFile();
    void originalEditorRemovesTheIntermediateFiles();

    void listViewToolbarHasFiveButtonsInThreeModes();
    void listViewLoadsTheListFileOrSaysWhy();
    void marksShowBreakpointAndRunLine();
    void sharedLineIsTwentyFourRedThenBlue();
    void clicksAskTheSessionAndMarkWhatItHolds();
    void realMouseClicksReachTheSession();
    void altClickKeepsABreakpointSetSinceTheLastStop();
    void goToResetCodeAndMain();
    void closingStoresThePlacement();

    void wholeProgramAssemblesWithTheRealOrda();
    void aClockTheKeyCannotMakeProgramsButNeitherRunsNorDebugs();
    void theProgramsIrcChoiceHoldsForItsOperationsOnly();
};

void BridgeWindowsTest::fileSaveNotificationAsksUntilToldNotTo() {
    MemorySettingsStore store;
    SettingsRegistry registry(store);
    TFileSaveNotificationDLG dlg(&registry);
    QCOMPARE(dlg.windowTitle(), QStringLiteral("File Save Notification"));
    QVERIFY(dlg.OkBTN()->isDefault());
    QCOMPARE(dlg.DontShowCB()->text(), QStringLiteral("Don't show this dialog again"));

    QString shown;
    WhenShown<TFileSaveNotificationDLG>([&](TFileSaveNotificationDLG* d) {
        shown = d->MessageLBL()->text();
        d->CancelBTN()->click();
    });
    QVERIFY(!dlg.Ask("/w/prog.src"));
    QCOMPARE(shown, QStringLiteral("\"/w/prog.src\" needs to be saved prior to assembling.\nOK "
                                   "to save file, Cancel to return to editing"));

    // Ticked and cancelled: asked again next time, nothing stored.
    WhenShown<TFileSaveNotificationDLG>([](TFileSaveNotificationDLG* d) {
        d->DontShowCB()->setChecked(true);
        d->CancelBTN()->click();
    });
    QVERIFY(!dlg.Ask("a.src"));
    QVERIFY(!store.Exists(setting::HideAssemblyFileSaveDialog));

    WhenShown<TFileSaveNotificationDLG>([](TFileSaveNotificationDLG* d) {
        d->DontShowCB()->setChecked(true);
        d->OkBTN()->click();
    });
    QVERIFY(dlg.Ask("a.src"));
    QCOMPARE(store.ReadInt(setting::HideAssemblyFileSaveDialog).value_or(0), 1);
    // Now it answers OK without showing itself.
    QVERIFY(dlg.Ask("b.src"));
    QVERIFY(!dlg.isVisible());

    TFileSaveNotificationDLG again(&registry);
    QVERIFY(again.DontShowCB()->isChecked());
    QVERIFY(again.Ask("c.src"));
}

void BridgeWindowsTest::modifiedFileIsSavedBeforeOrdaRuns() {
    FormRig rig;
    std::string path = rig.Open("prog.src", "\tDEVICE SX28\n");
    rig.form->CurrentEditor().SetText("\tDEVICE SX28AC\n");
    QVERIFY(rig.form->Files().CurrentModified());
    rig.Good();
    rig.Item("RunAssembleItem")->trigger();
    QVERIFY(rig.windows.Called("AskSaveBeforeAssembly(" + path + ")"));
    QCOMPARE(Q(TempFolder::Read(path)), QStringLiteral("\tDEVICE SX28AC\n"));
    QVERIFY(!rig.form->Files().CurrentModified());
    QCOMPARE(rig.orda.calls.size(), size_t(1));
    QCOMPARE(Q(rig.orda.calls[0].arguments.back()), Q(path));
    QCOMPARE(rig.form->StatusText(2), QStringLiteral("Assembly Successful"));
    QVERIFY(rig.windows.Called("AssemblySucceeded"));
    QVERIFY(rig.assembler.sources.empty()); // the built-in assembler was not used
    QCOMPARE(rig.record->assembled[0], uint16_t(0x8CFE));

    // With "Save file before assembling" off orda takes the file as it is on disk.
    rig.settings.saveFileBeforeAssembly = false;
    rig.windows.calls.clear();
    rig.form->CurrentEditor().SetText("changed\n");
    rig.Item("RunAssembleItem")->trigger();
    QVERIFY(!rig.windows.Called("AskSaveBeforeAssembly(" + path + ")"));
    QCOMPARE(rig.orda.calls.size(), size_t(2));
    QCOMPARE(Q(TempFolder::Read(path)), QStringLiteral("\tDEVICE SX28AC\n"));
}

void BridgeWindowsTest::cancelledOrReadOnlySaveStopsTheAssembly() {
    FormRig rig;
    std::string path = rig.Open("prog.src", "\tDEVICE SX28\n");
    WriteFile(rig.OutBase("prog") + ".err", "x(1) Line 1, Error 1, Pass 1: old\r\n");
    rig.form->CurrentEditor().SetText("edited\n");
    rig.windows.saveAnswer = false;
    rig.Item("RunProgramItem")->trigger();
    QVERIFY(rig.orda.calls.empty());
    QVERIFY(rig.chip.calls.empty());
    QCOMPARE(Q(TempFolder::Read(path)), QStringLiteral("\tDEVICE SX28\n"));
    QCOMPARE(rig.form->StatusText(2), QStringLiteral("ASSEMBLY ERROR"));
    QVERIFY(!rig.ErrorListShown());

    // OK on a file nobody may write.
    rig.windows.saveAnswer = true;
    fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    if (HasReadOnlyAttribute(path)) {
        rig.Item("RunAssembleItem")->trigger();
        QVERIFY(rig.orda.calls.empty());
        QVERIFY(rig.Last());
        QCOMPARE(Q(rig.Last()->text), QStringLiteral("Current file is READ ONLY and must be saved "
                                                     "under a new name before assembling."));
        QCOMPARE(Q(rig.Last()->caption), QStringLiteral("Assembly ERROR"));
    }
    fs::permissions(path, fs::perms::owner_write, fs::perm_options::add);
}

void BridgeWindowsTest::neverSavedFileIsNotHandedToOrda() {
    FormRig rig;
    rig.settings.saveFileBeforeAssembly = false;
    rig.form->CurrentEditor().SetText("\tDEVICE SX28\n");
    rig.Item("RunAssembleItem")->trigger();
    QVERIFY(rig.orda.calls.empty());
    QVERIFY(rig.Last());
    QCOMPARE(Q(rig.Last()->text),
             QStringLiteral("Current file has never been saved.  ORDA assembles the file on "
                            "disk, so save it before assembling."));

    // Saving first runs Save As; cancelling it stops without a message of its own.
    rig.settings.saveFileBeforeAssembly = true;
    size_t messages = rig.prompter.messages.size();
    rig.Item("RunAssembleItem")->trigger();
    QVERIFY(rig.orda.calls.empty());
    QCOMPARE(rig.prompter.dialogs.back().caption, std::string("Save Source as..."));
    QCOMPARE(rig.prompter.messages.size(), messages);
}

void BridgeWindowsTest::exitCodeTwoIsSuccessAndShowsTheWarnings() {
    FormRig rig;
    rig.Open("blink.src", "\tDEVICE SX28\n");
    rig.Good();
    rig.orda.files.push_back({".err", Data("blink.err")});
    rig.orda.exitCode = 2;
    rig.Item("RunProgramItem")->trigger();
    QVERIFY(rig.form->StatusText(2).startsWith(QStringLiteral("Programming Successful (")));
    QCOMPARE(rig.chip.calls, (std::vector<std::string>{"ProgramChip(false)"}));
    QVERIFY(rig.ErrorListShown());
    QCOMPARE(rig.ErrorList()->count(), 2);
    QVERIFY(rig.ErrorList()->item(0)->text().contains(QStringLiteral("Warning 51")));
    QVERIFY(rig.prompter.messages.empty());
    QCOMPARE(rig.form->HighlightLine(), -1);

    // Run and Debug go on as after the built-in assembler, with orda's frequency.
    rig.chip.calls.clear();
    rig.Item("RunRunItem")->trigger();
    QCOMPARE(rig.chip.calls, (std::vector<std::string>{"RequireFullKey", "ProgramChip(true)"}));
    QVERIFY(rig.windows.Called("ShowClockGenInfo(50000000)"));
    rig.chip.calls.clear();
    rig.Item("RunDebugItem")->trigger();
    QCOMPARE(rig.chip.calls,
             (std::vector<std::string>{"PrepareDebug", "RequireFullKey", "ProgramChip(false)"}));
    QVERIFY(rig.windows.Called("ShowDebugWindow"));
    QCOMPARE(rig.orda.calls.size(), size_t(3));
}

void BridgeWindowsTest::errorsShowTheListTheMessageAndTheFirstErrorLine() {
    FormRig rig;
    std::string path = rig.Open("prog.src", "\tDEVICE SX28\n\tORG 0\n\tJMP nowhere\n\tNOP\n");
    rig.orda.exitCode = 1;
    rig.orda.files = {
        {".err", path + "(1) Line 1, Warning 65, Pass 1: No IRC_CAL\r\n" + path +
                     "(3) Line 3, Error 3, Pass 1: Symbol <nowhere> not defined\r\n"}};
    rig.Item("RunDebugItem")->trigger();
    QVERIFY(rig.Last());
    QCOMPARE(Q(rig.Last()->text),
             QStringLiteral("Unable to assemble due to errors in source code."));
    QCOMPARE(Q(rig.Last()->caption), QStringLiteral("Assembly ERROR"));
    QCOMPARE(rig.form->StatusText(2), QStringLiteral("ASSEMBLY ERROR"));
    QVERIFY(rig.chip.calls.empty());
    QVERIFY(!rig.windows.Called("ShowDebugWindow"));
    QVERIFY(rig.ErrorListShown());
    QCOMPARE(rig.ErrorList()->count(), 2);
    // The first line that is an error, not the warning above it.
    QCOMPARE(rig.ErrorList()->currentRow(), 1);
    QCOMPARE(rig.form->HighlightLine(), 2);
    TPlusMemo& e = rig.form->CurrentEditor();
    QCOMPARE(rig.form->HighlightStart(), e.PositionOfLine(2));
    QCOMPARE(rig.form->HighlightEnd(), e.LineEndPosition(2));
    QCOMPARE(e.CurrentLine(), 2);
    QVERIFY(!e.Modified());
    MaybeGrab(*rig.form, "bridge-error-list.png");

    // Without "Jump To Assembly Error Line" the caret stays where it was.
    rig.settings.jumpToAssemblyError = false;
    e.SetCurrentLine(0);
    rig.Item("RunAssembleItem")->trigger();
    QCOMPARE(rig.form->HighlightLine(), -1);
    QCOMPARE(e.CurrentLine(), 0);
}

void BridgeWindowsTest::missingAndDamagedOutputsHaveTheirMessages() {
    FormRig rig;
    rig.Open("prog.src", "\tDEVICE SX28\n");
    struct Case {
        const char* drop;
        const char* message;
    };
    const Case cases[] = {{".map", ".MAP file not found on disk"},
                          {".obj", ".OBJ file not found on disk"},
                          {".sym", ".SYM file not found on disk"}};
    for (const Case& c : cases) {
        rig.Good();
        std::erase_if(rig.orda.files, [&](const auto& f) { return f.first == c.drop; });
        rig.Item("RunAssembleItem")->trigger();
        QVERIFY(rig.Last());
        QCOMPARE(Q(rig.Last()->text), QString::fromLatin1(c.message));
        QCOMPARE(Q(rig.Last()->caption), QStringLiteral("Assembly ERROR"));
        QCOMPARE(rig.form->StatusText(2), QStringLiteral("ASSEMBLY ERROR"));
    }
    // A damaged file says what is wrong with it instead.
    rig.Good();
    rig.orda.files[1].second.resize(10);
    rig.Item("RunAssembleItem")->trigger();
    QCOMPARE(Q(rig.Last()->text),
             Q(".OBJ file is damaged: it holds 10 bytes instead of the 4144 of a program of 2048 "
               "words with its ID and configuration.\r" +
               rig.OutBase("prog") + ".obj"));

    // orda missing: its own message, and none from the assembly.
    fs::remove(rig.bin + "/ORDA.dll");
    size_t before = rig.prompter.messages.size();
    rig.Item("RunAssembleItem")->trigger();
    QCOMPARE(rig.prompter.messages.size(), before + 1);
    QCOMPARE(Q(rig.Last()->caption), QStringLiteral("ORDA start up ERROR"));
    QCOMPARE(rig.form->StatusText(2), QStringLiteral("ASSEMBLY ERROR"));
}

void BridgeWindowsTest::doubleClickJumpsToTheErrorOpeningItsFile() {
    FormRig rig;
    std::string main = rig.Open("prog.src", "\tDEVICE SX28\n\tINCLUDE 'part.inc'\n");
    WriteFile(rig.dir / "part.inc", "; part\n\tNOP\n\tJMP far\n");
    rig.settings.jumpToAssemblyError = false;
    rig.orda.exitCode = 1;
    rig.orda.files = {{".err", "part.inc(3) Line 5, Error 3, Pass 1: Symbol <far> not defined\r\n" +
                                   main + "(2) Line 2, Warning 9, Pass 1: Something\r\n"}};
    rig.Item("RunAssembleItem")->trigger();
    QCOMPARE(rig.ErrorList()->count(), 2);
    QCOMPARE(rig.form->Files().Count(), 1);

    // The include file is opened, relative to the source's folder, and its line shown.
    QWidget* port = rig.ErrorList()->viewport();
    QPoint at = rig.ErrorList()->visualItemRect(rig.ErrorList()->item(0)).center();
    QTest::mouseClick(port, Qt::LeftButton, Qt::NoModifier, at);
    QTest::mouseDClick(port, Qt::LeftButton, Qt::NoModifier, at);
    QCOMPARE(rig.form->Files().Count(), 2);
    QCOMPARE(Q(rig.form->Files().CurrentFileName()), Q(rig.dir / "part.inc"));
    QCOMPARE(rig.form->HighlightLine(), 2);
    QVERIFY(rig.form->RunButtonsEnabled());

    // Back to the main file, which is open already.
    rig.form->ErrorLBDblClick(1);
    QCOMPARE(rig.form->Files().Count(), 2);
    QCOMPARE(Q(rig.form->Files().CurrentFileName()), Q(main));
    QCOMPARE(rig.form->HighlightLine(), 1);
    QVERIFY(!rig.form->CurrentEditor().Modified());

    rig.settings.useNewEditor = false;
    rig.form->ErrorLBDblClick(0);
    QCOMPARE(Q(rig.Last()->text),
             QStringLiteral("Jumping to errors not supported with old editor."));
    QCOMPARE(Q(rig.Last()->caption), QStringLiteral("Double Click ERROR"));
    QCOMPARE(Q(rig.form->Files().CurrentFileName()), Q(main));
}

void BridgeWindowsTest::clearErrorsEmptiesAndHidesTheList() {
    FormRig rig;
    std::string path = rig.Open("prog.src", "\tDEVICE SX28\n\tJMP x\n");
    rig.orda.exitCode = 1;
    rig.orda.files = {{".err", path + "(2) Line 2, Error 3, Pass 1: Symbol not defined\r\n"}};
    rig.Item("RunAssembleItem")->trigger();
    QVERIFY(rig.ErrorListShown());
    QCOMPARE(rig.form->HighlightLine(), 1);
    QVERIFY(fs::exists(rig.OutBase("prog") + ".err"));

    rig.Item("ClearErrorsMENUITM")->trigger();
    QVERIFY(!rig.ErrorListShown());
    QCOMPARE(rig.ErrorList()->count(), 0);
    QVERIFY(!fs::exists(rig.OutBase("prog") + ".err"));
    QCOMPARE(rig.form->HighlightLine(), -1);
    QCOMPARE(rig.form->StatusText(2), QString());

    // The list shows only while the external assembler is selected.
    rig.Item("RunAssembleItem")->trigger();
    QVERIFY(rig.ErrorListShown());
    rig.settings.useOrda = false;
    rig.form->ApplyErrorListRule();
    QVERIFY(!rig.ErrorListShown());
}

void BridgeWindowsTest::viewListBrowsesTheListFile() {
    FormRig rig;
    ListViewContext context{&rig.unit, &rig.registry, &rig.prompter, rig.form.get()};
    TPM_CodeFRM view(context);
    rig.windows.listView = &view;
    std::string path = rig.Open("blink.src", "\tDEVICE SX28\n");
    rig.Good();
    rig.Item("ViewDebugCodeMNUITEM")->trigger();
    QVERIFY(rig.windows.Called("BrowseList(" + path + ")"));
    QCOMPARE(rig.chip.calls, (std::vector<std::string>{"PrepareDebug"}));
    QVERIFY(view.isVisible());
    QCOMPARE(view.Mode(), TPM_CodeFRM::ButtonMode::Browse);
    QCOMPARE(view.CodePLSMO()->LineText(13).substr(0, 16), std::string("    13  0000  0C"));
    QVERIFY(!rig.windows.Called("ToggleCodeView"));
    view.hide();

    // No list file: its own message, then the view command's.
    rig.orda.files.pop_back();
    rig.Item("ViewDebugCodeMNUITEM")->trigger();
    QVERIFY(!view.isVisible());
    QVERIFY(rig.prompter.messages.size() >= 2);
    const auto& open = rig.prompter.messages[rig.prompter.messages.size() - 2];
    QCOMPARE(Q(open.caption), QStringLiteral("File Open ERROR"));
    QVERIFY(Q(open.text).startsWith(Q("Couldn't open \"" + rig.OutBase("blink") + ".lst\"")));
    QCOMPARE(Q(rig.Last()->text), QStringLiteral("Couldn't load file for viewing debug code"));
    QCOMPARE(Q(rig.Last()->caption), QStringLiteral("View Debug ERROR"));
}

void BridgeWindowsTest::originalEditorRemovesTheIntermediateFiles() {
    FormRig rig;
    rig.settings.ordaFilesToOutputDir = false;
    rig.Open("prog.src", "\tDEVICE SX28\n");
    rig.Good();
    rig.orda.files.push_back({".err", "w"});
    rig.Item("RunAssembleItem")->trigger();
    QVERIFY(fs::exists(rig.dir / "prog.map"));
    rig.settings.useNewEditor = false;
    rig.form->ApplyEditorChoice();
    QVERIFY(!fs::exists(rig.dir / "prog.map"));
    QVERIFY(!fs::exists(rig.dir / "prog.sym"));
    QVERIFY(!fs::exists(rig.dir / "prog.err"));
    QVERIFY(fs::exists(rig.dir / "prog.lst"));
    QVERIFY(fs::exists(rig.dir / "prog.src"));
}

void BridgeWindowsTest::listViewToolbarHasFiveButtonsInThreeModes() {
    ListRig rig;
    QCOMPARE(rig.ran, 0);
    QCOMPARE(rig.view->windowTitle(), QStringLiteral("Code - List File"));
    QCOMPARE(rig.view->CodeEditorTB()->height(), 28);
    const char* names[] = {"GoToCodeTLBTN", "GoToResetTLBTN", "GoToBreakpointTLBTN",
                           "GoToNextRunTLBTN", "GoToMainTLBTN"};
    const char* hints[] = {"Go to Code", "Go to Reset", "Go To Breakpoint", "Go To Next Run Line",
                           "Jump to \"Main\""};
    QList<QToolButton*> order =
        rig.view->CodeEditorTB()->findChildren<QToolButton*>(QString(), Qt::FindDirectChildrenOnly);
    QStringList seen;
    for (QToolButton* b : order)
        if (b->objectName().startsWith(QStringLiteral("GoTo"))) seen << b->objectName();
    QCOMPARE(seen, (QStringList{names[0], names[1], names[2], names[3], names[4]}));
    for (int i = 0; i < 5; ++i) {
        QToolButton* b = rig.Button(names[i]);
        QVERIFY(b);
        QCOMPARE(b->toolTip(), QString::fromLatin1(hints[i]));
        QCOMPARE(b->size(), QSize(25, 24));
    }
    rig.view->SetButtonMode(TPM_CodeFRM::ButtonMode::None);
    for (const char* n : names)
        QVERIFY(!rig.Visible(n));
    rig.view->SetButtonMode(TPM_CodeFRM::ButtonMode::Browse);
    QVERIFY(rig.Visible("GoToCodeTLBTN") && rig.Visible("GoToResetTLBTN") &&
            rig.Visible("GoToMainTLBTN"));
    QVERIFY(!rig.Visible("GoToBreakpointTLBTN") && !rig.Visible("GoToNextRunTLBTN"));
    rig.view->SetButtonMode(TPM_CodeFRM::ButtonMode::All);
    for (const char* n : names)
        QVERIFY(rig.Visible(n));

    // Browsing, then hiding, brings back all five.
    QVERIFY(rig.view->BrowseList(rig.source));
    QCOMPARE(rig.view->Mode(), TPM_CodeFRM::ButtonMode::Browse);
    rig.view->hide();
    QCOMPARE(rig.view->Mode(), TPM_CodeFRM::ButtonMode::All);
    QVERIFY(!rig.view->CodeEditorTB()->isHidden());

    // Without marks the two mark buttons are disabled.
    QVERIFY(!rig.Button("GoToBreakpointTLBTN")->isEnabled());
    QVERIFY(!rig.Button("GoToNextRunTLBTN")->isEnabled());
}

void BridgeWindowsTest::listViewLoadsTheListFileOrSaysWhy() {
    ListRig rig;
    QVERIFY(rig.view->LoadAndShow(rig.source));
    QVERIFY(rig.view->isVisible());
    TPlusMemo* e = rig.view->CodePLSMO();
    QVERIFY(e->ReadOnly());
    QVERIFY(!e->Modified());
    QVERIFY(!e->CanUndo());
    QCOMPARE(e->LineCount(), 50); // 49 lines and the empty one after the last line end
    rig.view->hide();

    // A source that does not exist: false, no message.
    QVERIFY(!rig.view->BrowseList(rig.dir / "gone.src"));
    QVERIFY(rig.prompter.messages.empty());
    QVERIFY(rig.view->CodeEditorTB()->isHidden());

    // A source without its list file: the file cannot be opened.
    fs::remove(rig.bin + "/ORDA Output/blink.lst");
    QVERIFY(!rig.view->BrowseList(rig.source));
    QVERIFY(!rig.view->isVisible());
    QCOMPARE(rig.prompter.messages.size(), size_t(1));
    QCOMPARE(Q(rig.prompter.messages[0].caption), QStringLiteral("File Open ERROR"));
}

void BridgeWindowsTest::marksShowBreakpointAndRunLine() {
    ListRig rig;
    QVERIFY(rig.view->LoadAndShow(rig.source));
    int loop = rig.LineOf(2), call = rig.LineOf(4), jmp = rig.LineOf(5);
    QCOMPARE(loop, 15);
    rig.view->ShowDebugState(2, 4, false);
    QCOMPARE(rig.view->BreakpointLine(), loop);
    QCOMPARE(rig.view->RunLine(), call);
    QCOMPARE(rig.view->MarkColorAt(loop, 0), 0xFF0000u);
    QCOMPARE(rig.view->MarkColorAt(loop, 40), 0xFF0000u);
    QVERIFY(rig.view->MarkTextAt(loop, 40));
    QCOMPARE(rig.view->MarkColorAt(call, 3), 0x0000FFu);
    QVERIFY(rig.view->MarkTextAt(call, 3));
    QCOMPARE(rig.view->MarkColorAt(jmp, 3), 0u);
    QVERIFY(!rig.view->MarkTextAt(jmp, 3));
    QCOMPARE(rig.view->CodePLSMO()->CurrentLine(), call);
    QVERIFY(rig.Button("GoToBreakpointTLBTN")->isEnabled());
    QVERIFY(rig.Button("GoToNextRunTLBTN")->isEnabled());

    // SKIP set: the next instruction is the one after the program counter.
    rig.view->ShowDebugState(kNoBreak, 4, true);
    QCOMPARE(rig.view->BreakpointLine(), -1);
    QCOMPARE(rig.view->RunLine(), jmp);
    QCOMPARE(rig.view->MarkColorAt(loop, 0), 0u);
    QVERIFY(!rig.Button("GoToBreakpointTLBTN")->isEnabled());

    // A program counter the map does not know (in the kernel) leaves no stale mark.
    rig.view->ShowDebugState(kNoBreak, 0x780, false);
    QCOMPARE(rig.view->RunLine(), -1);
    QVERIFY(!rig.Button("GoToNextRunTLBTN")->isEnabled());
    MaybeGrab(*rig.view, "list-view.png");
}

void BridgeWindowsTest::sharedLineIsTwentyFourRedThenBlue() {
    ListRig rig;
    QVERIFY(rig.view->LoadAndShow(rig.source));
    int start = rig.LineOf(0);
    rig.view->ShowDebugState(0, 0, false);
    QCOMPARE(rig.view->BreakpointLine(), start);
    QCOMPARE(rig.view->RunLine(), start);
    for (int c = 0; c < 24; ++c)
        QCOMPARE(rig.view->MarkColorAt(start, c), 0xFF0000u);
    int length = int(rig.view->CodePLSMO()->LineText(start).size());
    for (int c = 24; c < length; ++c)
        QCOMPARE(rig.view->MarkColorAt(start, c), 0x0000FFu);
    QVERIFY(rig.view->MarkTextAt(start, 0) && rig.view->MarkTextAt(start, length - 1));
    MaybeGrab(*rig.view, "list-view-shared.png");

    // Moving the run line away gives the breakpoint its whole line back.
    rig.view->ShowDebugState(0, 2, false);
    QCOMPARE(rig.view->MarkColorAt(start, 30), 0xFF0000u);
}

void BridgeWindowsTest::clicksAskTheSessionAndMarkWhatItHolds() {
    ListRig rig;
    QVERIFY(rig.view->LoadAndShow(rig.source));
    FakeSession& s = rig.session;
    int loop = rig.LineOf(2), call = rig.LineOf(4);

    // Running (state not valid): clicks change nothing.
    s.valid = false;
    rig.view->CodePLSMOMouseDown(Qt::LeftButton, Qt::NoModifier);
    rig.view->CodePLSMOClick(loop);
    QVERIFY(s.calls.empty());
    QCOMPARE(rig.view->BreakpointLine(), -1);
    s.valid = true;

    // A plain click sets the breakpoint; the same line again removes it.
    rig.view->CodePLSMOMouseDown(Qt::LeftButton, Qt::NoModifier);
    rig.view->CodePLSMOClick(loop);
    QCOMPARE(s.calls.back(), std::string("ToggleBreakpoint(2)"));
    QCOMPARE(rig.view->BreakpointLine(), loop);
    rig.view->CodePLSMOMouseDown(Qt::LeftButton, Qt::NoModifier);
    rig.view->CodePLSMOClick(loop);
    QCOMPARE(s.breakpoint, uint32_t(kNoBreak));
    QCOMPARE(rig.view->BreakpointLine(), -1);
    QCOMPARE(rig.view->MarkColorAt(loop, 0), 0u);

    // Another line moves it.
    rig.view->CodePLSMOClick(loop);
    rig.view->CodePLSMOClick(call);
    QCOMPARE(rig.view->BreakpointLine(), call);
    QCOMPARE(rig.view->MarkColorAt(loop, 0), 0u);

    // Alt with the left button sets the program counter.
    rig.view->CodePLSMOMouseDown(Qt::LeftButton, Qt::AltModifier);
    rig.view->CodePLSMOClick(loop);
    QCOMPARE(s.calls.back(), std::string("MoveProgramCounter(2)"));
    QCOMPARE(rig.view->RunLine(), loop);
    QCOMPARE(rig.view->BreakpointLine(), call);
    // Alt with another modifier, or another button, is a plain click.
    rig.view->CodePLSMOMouseDown(Qt::LeftButton, Qt::AltModifier | Qt::ShiftModifier);
    rig.view->CodePLSMOClick(call);
    QCOMPARE(s.calls.back(), std::string("ToggleBreakpoint(4)"));

    // Lines without code ignore clicks.
    size_t calls = s.calls.size();
    rig.view->CodePLSMOClick(0);
    rig.view->CodePLSMOClick(2); // a message line
    QCOMPARE(s.calls.size(), calls);

    // A word the session ignores leaves the marks as they were.
    s.unwritten = {5};
    rig.view->CodePLSMOMouseDown(Qt::LeftButton, Qt::NoModifier);
    rig.view->CodePLSMOClick(rig.LineOf(5));
    QCOMPARE(rig.view->BreakpointLine(), -1);

    // A double click sets the program counter there and marks it as the run line.
    s.breakpoint = 2;
    s.Stop();
    rig.view->CodePLSMODblClick(call);
    QCOMPARE(s.calls.back(), std::string("SetProgramCounter(4)"));
    QCOMPARE(rig.view->RunLine(), call);
    QCOMPARE(rig.view->BreakpointLine(), loop);
    QCOMPARE(rig.view->CodePLSMO()->CurrentLine(), call);
}

void BridgeWindowsTest::realMouseClicksReachTheSession() {
    ListRig rig;
    QVERIFY(rig.view->LoadAndShow(rig.source));
    QVERIFY(QTest::qWaitForWindowExposed(rig.view.get()));
    TPlusMemo* e = rig.view->CodePLSMO();
    int start = rig.LineOf(0);
    e->SetCurrentLine(start);
    e->ScrollCaretIntoView();
    QWidget* port = e->viewport();
    QTest::mouseClick(port, Qt::LeftButton, Qt::NoModifier, rig.PointOf(start));
    QCOMPARE(rig.session.calls, (std::vector<std::string>{"ToggleBreakpoint(0)"}));
    QCOMPARE(rig.view->BreakpointLine(), start);
    QTest::mouseClick(port, Qt::LeftButton, Qt::AltModifier, rig.PointOf(start));
    QCOMPARE(rig.session.calls.back(), std::string("MoveProgramCounter(0)"));
    // A double click: the first click's toggle, then the program counter, no second toggle.
    rig.session.calls.clear();
    QTest::mouseDClick(port, Qt::LeftButton, Qt::NoModifier, rig.PointOf(start));
    QCOMPARE(rig.session.calls.back(), std::string("SetProgramCounter(0)"));
    QCOMPARE(std::count(rig.session.calls.begin(), rig.session.calls.end(),
                        std::string("ToggleBreakpoint(0)")),
             long(rig.session.calls.size() - 1));
}

// A breakpoint set since the last stop is the user's: an Alt+click moves the program
// counter and leaves it, while a double click still takes back its own first click.
void BridgeWindowsTest::altClickKeepsABreakpointSetSinceTheLastStop() {
    ListRig rig;
    QVERIFY(rig.view->LoadAndShow(rig.source));
    QVERIFY(QTest::qWaitForWindowExposed(rig.view.get()));
    FakeSession& s = rig.session;
    s.Stop();
    const int loop = rig.LineOf(2), call = rig.LineOf(4), start = rig.LineOf(0);
    TPlusMemo* e = rig.view->CodePLSMO();
    e->SetCurrentLine(start);
    e->ScrollCaretIntoView();
    QWidget* port = e->viewport();

    QTest::mouseClick(port, Qt::LeftButton, Qt::NoModifier, rig.PointOf(loop));
    QCOMPARE(s.breakpoint, 2u);
    QTest::mouseClick(port, Qt::LeftButton, Qt::AltModifier, rig.PointOf(call));
    QCOMPARE(s.pc, 4u);
    QCOMPARE(s.breakpoint, 2u);
    QCOMPARE(rig.view->BreakpointLine(), loop);
    QCOMPARE(rig.view->RunLine(), call);
    QCOMPARE(rig.view->MarkColorAt(loop, 0), 0xFF0000u);

    // A double click on another line: its first click moves the breakpoint there, and
    // the program counter's move puts it back where the user had it.
    QTest::mouseDClick(port, Qt::LeftButton, Qt::NoModifier, rig.PointOf(start));
    QCOMPARE(s.calls.back(), std::string("SetProgramCounter(0)"));
    QCOMPARE(s.pc, 0u);
    QCOMPARE(s.breakpoint, 2u);
    QCOMPARE(rig.view->BreakpointLine(), loop);
    QCOMPARE(rig.view->RunLine(), start);

    // A breakpoint cleared since the last stop stays cleared as well.
    QTest::mouseClick(port, Qt::LeftButton, Qt::NoModifier, rig.PointOf(loop));
    QCOMPARE(s.breakpoint, uint32_t(kNoBreak));
    QTest::mouseClick(port, Qt::LeftButton, Qt::AltModifier, rig.PointOf(call));
    QCOMPARE(s.breakpoint, uint32_t(kNoBreak));
    QCOMPARE(rig.view->BreakpointLine(), -1);
}

void BridgeWindowsTest::goToResetCodeAndMain() {
    ListRig rig;
    QVERIFY(rig.view->LoadAndShow(rig.source));
    TPlusMemo* e = rig.view->CodePLSMO();
    e->SetCurrentLine(30);
    rig.view->GoToReset();
    int reset = rig.LineOf(0x7FF);
    QCOMPARE(reset, 5);
    QCOMPARE(rig.view->RunLine(), reset);
    QCOMPARE(e->CurrentLine(), 30); // the caret stays

    rig.view->GoToCodeTLBTNClick();
    QCOMPARE(e->CurrentLine(), rig.unit.ListLineOfRecord(0) - 1);

    // blink has no main label.
    rig.view->GoToMainTLBTNClick();
    QVERIFY(!rig.prompter.messages.empty());
    QCOMPARE(Q(rig.prompter.messages.back().text),
             QStringLiteral("There is no label that says \"Main\" in the source code."));
    QCOMPARE(Q(rig.prompter.messages.back().caption), QStringLiteral("No \"Main\" label"));

    // A label "MAIN" is found all the same.
    std::string sym = Data("blink.sym");
    size_t at = sym.find("start   ");
    sym.replace(at, 5, "MAIN ");
    rig.orda.files[2].second = sym;
    QCOMPARE(rig.unit.ORDA_Run(rig.source), 0);
    QVERIFY(rig.view->LoadAndShow(rig.source));
    size_t messages = rig.prompter.messages.size();
    e->SetCurrentLine(0);
    rig.view->GoToMainTLBTNClick();
    QCOMPARE(rig.prompter.messages.size(), messages);
    QCOMPARE(e->CurrentLine(), rig.LineOf(0));
}

void BridgeWindowsTest::closingStoresThePlacement() {
    ListRig rig;
    QVERIFY(rig.view->LoadAndShow(rig.source));
    rig.view->setGeometry(40, 50, 420, 300);
    rig.view->CloseList();
    QVERIFY(!rig.view->isVisible());
    QVERIFY(rig.store.KeyExists("Veko_CodeWindow"));
    QCOMPARE(rig.store.ReadInt("Veko_CodeWindow\\Width").value_or(0), 420);

    TPM_CodeFRM again(ListViewContext{&rig.unit, &rig.registry, &rig.prompter, nullptr});
    QCOMPARE(again.width(), 420);
}

void BridgeWindowsTest::wholeProgramAssemblesWithTheRealOrda() {
    TempFolder dir;
    std::string bin = dir / "bin";
    fs::create_directories(bin);
    fs::create_symlink(fs::absolute(OrdaProgram()), bin + "/ORDA.dll");
    std::string source = dir / "blink.src";
    WriteFile(source, ReadWholeFile(SourceDir() + "/examples/blink.src").data);

    MemorySettingsStore store;
    store.WriteInt(setting::ShowWarranty, 2);
    store.WriteString(setting::ComPort, "COM1");
    store.WriteInt(setting::UseOrda, 1);
    ScriptedPrompter prompter;
    QtChildProcess process;
    FakeChip chip;
    ShellServices services;
    services.chip = &chip;
    Environment env(store, prompter, {source}, services, ExternalAssemblerSetup{&process, bin});
    QVERIFY(env.Orda());
    QVERIFY(prompter.messages.empty());
    TEditorForm& form = env.EditorForm();
    form.show();
    QCoreApplication::processEvents();
    QCOMPARE(Q(form.Files().CurrentFileName()), Q(source));

    // Edited: the notification is shown and saves the file.
    form.CurrentEditor().SetText(form.CurrentEditor().Text() + "; edited\n");
    WhenShown<TFileSaveNotificationDLG>([](TFileSaveNotificationDLG* d) { d->OkBTN()->click(); });
    form.findChild<QAction*>(QStringLiteral("RunProgramItem"))->trigger();
    QVERIFY(form.StatusText(2).startsWith(QStringLiteral("Programming Successful (")));
    QVERIFY(TempFolder::Read(source).find("; edited") != std::string::npos);
    QCOMPARE(chip.calls, (std::vector<std::string>{"ProgramChip(false)"}));
    QCOMPARE(env.Record().assembled.IdText(), std::string("BLINK"));
    QCOMPARE(env.Record().assembled[0], uint16_t(0x8CFE));
    auto* errors = form.findChild<QListWidget*>(QStringLiteral("ErrorLB"));
    QCOMPARE(errors->count(), 2); // the two warnings
    QVERIFY(!errors->isHidden());

    // View List shows orda's list file for browsing.
    form.findChild<QAction*>(QStringLiteral("ViewDebugCodeMNUITEM"))->trigger();
    TPM_CodeFRM& view = env.ListView();
    QVERIFY(view.isVisible());
    QCOMPARE(view.Mode(), TPM_CodeFRM::ButtonMode::Browse);
    view.GoToResetTLBTNClick();
    QVERIFY(view.RunLine() >= 0);
    QVERIFY(view.CodePLSMO()->LineText(view.RunLine()).find("RESET") != std::string::npos);
    MaybeGrab(view, "list-view-browse.png");
    MaybeGrab(form, "bridge-main-window.png");
    view.hide();

    // An error in the source: the list, the message, the line.
    form.CurrentEditor().SetText("\tDEVICE SX28AC\n\tORG 0\n\tJMP nowhere\n");
    WhenShown<TFileSaveNotificationDLG>([](TFileSaveNotificationDLG* d) { d->OkBTN()->click(); });
    form.findChild<QAction*>(QStringLiteral("RunAssembleItem"))->trigger();
    QCOMPARE(form.StatusText(2), QStringLiteral("ASSEMBLY ERROR"));
    QCOMPARE(Q(prompter.messages.back().text),
             QStringLiteral("Unable to assemble due to errors in source code."));
    QCOMPARE(form.HighlightLine(), 2);
    QVERIFY(errors->count() >= 1);
}

namespace {

// The program as users have it: the real orda, the virtual key on port "sim".
struct RealOrdaRig {
    RealOrdaRig() {
        fs::create_directories(bin);
        fs::create_symlink(fs::absolute(OrdaProgram()), bin + "/ORDA.dll");
        store.WriteInt(setting::ShowWarranty, 2);
        store.WriteString(setting::ComPort, "sim");
        store.WriteInt(setting::UseOrda, 1);
        store.WriteInt(setting::HideAssemblyFileSaveDialog, 1);
        HardwareOptions hardware;
        hardware.ticks = &ticks;
        ShellServices services;
        services.assembler = &builtIn;
        env = std::make_unique<Environment>(store, prompter, std::vector<std::string>{}, services,
                                            ExternalAssemblerSetup{&process, bin},
                                            std::move(hardware));
        env->EditorForm().show();
        QCoreApplication::processEvents();
    }
    void Open(const std::string& text) {
        std::string path = dir / "p.src";
        WriteFile(path, text);
        prompter.AnswerFile(path);
        env->EditorForm().FileOpenItemClick();
    }
    void Trigger(const char* item) {
        env->EditorForm().findChild<QAction*>(QString::fromLatin1(item))->trigger();
    }
    std::string Status() { return env->EditorForm().StatusText(2).toStdString(); }
    std::string LastMessage() const {
        return prompter.messages.empty() ? std::string() : prompter.messages.back().text;
    }
    VirtualChip& Chip() { return env->Hardware().Key().Chip(); }

    TempFolder dir;
    std::string bin = dir / "bin";
    MemorySettingsStore store;
    ScriptedPrompter prompter;
    QtChildProcess process;
    FakeTickSource ticks;
    BuiltInAssembler builtIn;
    std::unique_ptr<Environment> env;
};

constexpr char kSlowClock[] = "\tDEVICE SX28AC,OSCXT1\n\tFREQ 32768\n\tIRC_CAL IRC_SLOW\n"
                              "\tRESET start\n\tORG 0\nstart\tMOV W,#$5A\n\tJMP start\n";

} // namespace

void BridgeWindowsTest::aClockTheKeyCannotMakeProgramsButNeitherRunsNorDebugs() {
    RealOrdaRig rig;
    rig.Open(kSlowClock);
    rig.Trigger("RunAssembleItem");
    QVERIFY2(rig.prompter.messages.empty(), rig.LastMessage().c_str());
    QCOMPARE(Q(rig.Status()), QStringLiteral("Assembly Successful; the key cannot generate the "
                                             "program's clock of 32,768 Hz (it makes 400,000 "
                                             "to 110,000,000 Hz)"));
    QCOMPARE(rig.env->Record().debug.frequency, 32768u);
    rig.Trigger("RunProgramItem");
    QVERIFY2(rig.prompter.messages.empty(), rig.LastMessage().c_str());
    QVERIFY(Q(rig.Status()).startsWith(QStringLiteral("Programming Successful")));
    QCOMPARE(rig.Chip().Code(0), uint16_t(0xC5A));

    const std::string refusal = "The key cannot generate the program's clock of 32,768 Hz (it "
                                "makes 400,000 to 110,000,000 Hz).\rRun and Debug need that "
                                "clock; Program writes the program without it.";
    const int erased = rig.Chip().EraseCount();
    rig.Trigger("RunRunItem");
    QCOMPARE(rig.prompter.messages.size(), size_t(1));
    QCOMPARE(Q(rig.prompter.messages.back().text), Q(refusal));
    QCOMPARE(Q(rig.prompter.messages.back().caption), QStringLiteral("Run ERROR"));
    QVERIFY(!rig.Chip().Clocked());
    rig.Trigger("RunDebugItem");
    QCOMPARE(rig.prompter.messages.size(), size_t(2));
    QCOMPARE(Q(rig.prompter.messages.back().text), Q(refusal));
    QCOMPARE(Q(rig.prompter.messages.back().caption), QStringLiteral("Debug ERROR"));
    QVERIFY(!rig.env->DebugForm().isVisible());
    QCOMPARE(rig.Chip().EraseCount(), erased); // neither touched the chip

    // A clock the key makes: the status is the plain one again.
    std::string fast = kSlowClock;
    fast.replace(fast.find("32768"), 5, "4_000_000");
    rig.env->EditorForm().CurrentEditor().SetText(fast);
    rig.Trigger("RunAssembleItem");
    QCOMPARE(Q(rig.Status()), QStringLiteral("Assembly Successful"));
}

void BridgeWindowsTest::theProgramsIrcChoiceHoldsForItsOperationsOnly() {
    RealOrdaRig rig;
    std::string fastest = kSlowClock;
    fastest.replace(fastest.find("32768"), 5, "4_000_000");
    fastest.replace(fastest.find("IRC_SLOW"), 8, "IRC_FAST");
    rig.Open(fastest);
    QCOMPARE(rig.env->Settings().ircCalibration, 0); // slowest, the user's choice
    rig.Trigger("RunProgramItem");
    QVERIFY2(rig.prompter.messages.empty(), rig.LastMessage().c_str());
    QCOMPARE(VirtualChip::TrimOfFusex(rig.Chip().Fusex()), 0); // the program's fastest
    QCOMPARE(rig.env->Settings().ircCalibration, 0);           // the user's choice stays

    // Okay in Configure stores what the user chose, not the program's choice.
    {
        ModalWatcher okay(QStringLiteral("ConfigureForm"), QStringLiteral("OkayButton"));
        rig.env->WindowServices().ShowConfigure();
        QCOMPARE(okay.seen, QStringList{QStringLiteral("ConfigureForm")});
    }
    QCOMPARE(rig.store.ReadInt(setting::IrcCalibration), std::optional<int32_t>(0));

    // The next program, from the built-in assembler, names no choice: the user's holds.
    rig.env->Settings().useOrda = false;
    rig.env->EditorForm().CurrentEditor().SetText(
        " DEVICE SX28,OSCXT1\n FREQ 4_000_000\n RESET start\n ORG 0\nstart MOV W,#5Ah\n"
        " JMP start\n");
    rig.Trigger("RunProgramItem");
    QVERIFY2(rig.prompter.messages.empty(), rig.LastMessage().c_str());
    QCOMPARE(VirtualChip::TrimOfFusex(rig.Chip().Fusex()), 7); // slowest
}

QTEST_MAIN(BridgeWindowsTest)
#include "BridgeWindowsTest.moc"
