// Whole debug sessions from the main window on the program's own virtual key (port "sim"):
// Debug, Debug Again and View List, with the built-in assembler and with orda.
#include <QAction>
#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QToolButton>
#include <QToolTip>
#include <QtTest>

#include <filesystem>

#include "app/BuiltInAssembler.h"
#include "app/Environment.h"
#include "app/SourceDebugLink.h"
#include "asm/Disassembler.h"
#include "debugger/ui/TCodeForm.h"
#include "debugger/ui/TDebugForm.h"
#include "debugger/ui/TRegisterForm.h"
#include "debugger/ui/TTerminalForm.h"
#include "debugger/ui/TWatchForm.h"
#include "editor/TPlusMemo.h"
#include "platform/FileIo.h"
#include "platform/ScriptedPrompter.h"
#include "platform/qt/QtChildProcess.h"
#include "shell/ModalWatcher.h"
#include "shell/OrdaUnit.h"
#include "shell/TempFolder.h"
#include "shell/WorkingSettings.h"
#include "shell/ui/TEditorForm.h"
#include "shell/ui/THintForm.h"
#include "shell/ui/TPM_CodeFRM.h"

using namespace pellix;
using pellix::test::TempFolder;
namespace fs = std::filesystem;

namespace {

std::string SourceDir() {
    const char* src = std::getenv("PELLIX_SOURCE_DIR");
    return src ? src : "../..";
}

std::string BinDir() {
    const char* bin = std::getenv("PELLIX_BIN_DIR");
    return bin ? bin : "../../BUILD/bin";
}

// The example with a watch on the innermost delay counter.
std::string WatchedBlink() {
    std::string s = TempFolder::Read(SourceDir() + "/examples/blink.src");
    const std::string after = "count3\t\tDS\t1\n";
    size_t at = s.find(after);
    if (at == std::string::npos) qFatal("examples/blink.src changed");
    s.insert(at + after.size(), "\t\tWATCH\tcount1,8,UDEC\n\t\tWATCH\tcount3,8,UHEX\n");
    return s;
}

void MaybeGrab(QWidget& w, const char* name) {
    QByteArray dir = qgetenv("PELLIX_SCREENSHOTS");
    if (dir.isEmpty()) return;
    QCoreApplication::processEvents();
    w.grab().save(QString::fromLocal8Bit(dir) + QLatin1Char('/') + QLatin1String(name));
}

// What a person sees of the session: every window where it stands, on one picture.
void MaybeGrabScreen(const std::vector<QWidget*>& windows, const char* name) {
    QByteArray dir = qgetenv("PELLIX_SCREENSHOTS");
    if (dir.isEmpty()) return;
    QCoreApplication::processEvents();
    QRect all;
    for (QWidget* w : windows)
        if (w->isVisible()) all = all.united(w->frameGeometry());
    QPixmap shot(all.size());
    shot.fill(QColor(0x3A, 0x6E, 0xA5));
    QPainter p(&shot);
    for (QWidget* w : windows)
        if (w->isVisible()) p.drawPixmap(w->frameGeometry().topLeft() - all.topLeft(), w->grab());
    p.end();
    shot.save(QString::fromLocal8Bit(dir) + QLatin1Char('/') + QLatin1String(name));
}

// A click in the editor's margin of marks, beside `line`.
void ClickMargin(TPlusMemo& e, int line) {
    e.RevealLine(line);
    QCoreApplication::processEvents();
    const int y = int(e.SendScintilla(QsciScintillaBase::SCI_POINTYFROMPOSITION, 0UL,
                                      long(e.PositionOfLine(line)))) +
                  3;
    QTest::mouseClick(e.viewport(), Qt::LeftButton, {},
                      QPoint(e.LineNumberMarginWidth() + e.marginWidth(1) / 2, y));
}

// The 0-based line of the editor's text that holds `text` (its first), -1 when none.
int LineWith(const TPlusMemo& e, const std::string& text, int from = 0) {
    for (int i = from; i < e.LineCount(); ++i)
        if (e.LineText(i).find(text) != std::string::npos) return i;
    return -1;
}

// Types `text` at the start of `line`, as a person would.
void TypeAt(TPlusMemo& e, int line, const QString& text) {
    e.SetCaret(line, 0);
    e.setFocus();
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (i > 0) QTest::keyClick(&e, Qt::Key_Return);
        QTest::keyClicks(&e, lines[i]);
    }
}

struct Session {
    explicit Session(const std::string& source, bool orda = false) {
        store.WriteInt(setting::ShowWarranty, 2);
        store.WriteString(setting::ComPort, "sim");
        store.WriteInt(setting::UseOrda, orda ? 1 : 0);
        ExternalAssemblerSetup setup;
        if (orda) {
            fs::create_directories(dir / "bin");
            fs::create_symlink(fs::absolute(BinDir() + "/orda"), dir / "bin/ORDA.dll");
            setup = {&process, dir / "bin"};
        }
        path = dir.Write("blink.src", source);
        ShellServices services;
        services.assembler = &assembler;
        env = std::make_unique<Environment>(store, prompter, std::vector<std::string>{path},
                                            services, setup, HardwareOptions{&ticks, {}});
        env->DebugForm().SetAutomaticTimer(false);
        form().show();
        QCoreApplication::processEvents();
    }
    ~Session() { env->DebugForm().hide(); }

    TEditorForm& form() { return env->EditorForm(); }
    WorkingSettings& settings() { return env->Settings(); }
    TDebugForm& debug() { return env->DebugForm(); }
    DebugControl& control() { return env->Hardware().Debug(); }
    void Trigger(const char* item) {
        form().findChild<QAction*>(QString::fromLatin1(item))->trigger();
    }
    QPushButton* Button(const char* name) {
        return debug().findChild<QPushButton*>(QString::fromLatin1(name));
    }
    bool Idle() { return Button("StepButton")->isEnabled() && !Button("StopButton")->isEnabled(); }
    int TicksUntilIdle(int limit = 600) {
        for (int i = 1; i <= limit; ++i) {
            ticks.Advance(40);
            debug().TimerTick();
            if (!debug().isVisible()) return -1;
            if (Idle()) return i;
        }
        return -1;
    }
    // The code address of the first listing line with a JMP to `text`.
    int AddressOf(const std::string& text) {
        const AssemblyRecord& r = env->Record();
        for (int a = 0; a < 2048; ++a) {
            int line = r.debug.lineOfAddress[a];
            std::string t = line >= 0 ? ListingLine(r, line) : std::string();
            if (t.find("JMP") != std::string::npos && t.find(text) != std::string::npos) return a;
        }
        return -1;
    }

    TempFolder dir;
    std::string path;
    FakeTickSource ticks;
    MemorySettingsStore store;
    ScriptedPrompter prompter;
    QtChildProcess process;
    BuiltInAssembler assembler;
    std::unique_ptr<Environment> env;
};

} // namespace

class DebugSessionWindowsTest : public QObject {
    Q_OBJECT
private slots:
    void wholeSessionOnTheExample();
    void debugAgainLeavesTheChipAsItIs();
    void aProgramWithoutRoomForTheKernelIsRefused();
    void viewListTogglesTheCodeView();
    void familyOneNoticeInTheHintWindow();
    void wholeSessionOnAnOrdaSource();
    void editorShowsTheNextInstructionAndTheBreakpoint();
    void editorBreakpointsFollowEditsInASession();
    void editorBreakpointChosenBeforeTheSession();
    void functionKeysFromEveryWindow();
    void haltStopsARunToAnUnreachedBreakpoint();
    void hoverShowsValuesWhileTheChipIsStopped();
    void ordaSessionOpensTheIncludeFileOfTheNextInstruction();
    void debugViewsStayAboveTheMainWindow();
    void conveniencesSwitchedOff();
    void terminalInASessionAndAfterRun();
};

void DebugSessionWindowsTest::wholeSessionOnTheExample() {
    Session s(WatchedBlink());
    s.Trigger("RunDebugItem");
    QVERIFY2(s.prompter.messages.empty(),
             s.prompter.messages.empty() ? "" : s.prompter.messages[0].text.c_str());
    TDebugForm& d = s.debug();
    QVERIFY(d.isVisible());
    QVERIFY(s.env->RegisterForm().isVisible());
    QVERIFY(s.env->CodeForm().isVisible());
    QVERIFY(s.env->WatchForm().isVisible());
    // The main window is out of the way of the session.
    QVERIFY(!s.form().findChild<QAction*>(QStringLiteral("RunDebugItem"))->isEnabled());
    QVERIFY(!s.form().findChild<QToolButton*>(QStringLiteral("AssemblyTBTN"))->isEnabled());
    QVERIFY(!s.form().findChild<QToolButton*>(QStringLiteral("ClockTBTN"))->isEnabled());
    QVERIFY(!s.form().RunButtonsEnabled());

    QVERIFY(!s.Idle());
    QCOMPARE(s.TicksUntilIdle(), 1);
    QCOMPARE(s.control().live.programCounter, 0x7FFu);
    s.Button("StepButton")->click();
    QVERIFY(s.TicksUntilIdle() <= 2);
    QCOMPARE(s.control().live.programCounter, 0u);

    // Walk a few instructions, then Stop.
    s.Button("WalkButton")->click();
    for (int i = 0; i < 4; ++i) {
        s.ticks.Advance(40);
        d.TimerTick();
    }
    s.Button("StopButton")->click();
    QVERIFY(s.TicksUntilIdle() > 0);
    QVERIFY(s.control().live.programCounter > 0u);

    // A breakpoint from the code view on "JMP loop", and Run: through the whole delay, and
    // the JMP itself, before the chip stops.
    TCodeForm& code = s.env->CodeForm();
    const int jmp = s.AddressOf("loop");
    QVERIFY(jmp > 0);
    const int line = s.env->Record().debug.lineOfAddress[jmp];
    code.ScrollTo(uint32_t(jmp));
    QTest::mouseClick(&code, Qt::LeftButton, {}, code.RowPoint(line - code.Position()));
    QCOMPARE(s.control().live.breakpoint, uint32_t(jmp));
    s.Button("RunButton")->click();
    QVERIFY(s.TicksUntilIdle() > 0);
    QCOMPARE(s.control().live.programCounter, 2u);     // back at loop
    QCOMPARE(int(s.control().live.Register(0x0A)), 0); // count3 ran down

    // Edit a register: count2 at 0x09 becomes 0x42, red until the next stop.
    TRegisterForm& regs = s.env->RegisterForm();
    QTest::mouseClick(&regs, Qt::LeftButton, {}, regs.ValuePoint(0x09));
    QTest::keyClick(&regs, Qt::Key_4);
    QTest::keyClick(&regs, Qt::Key_2);
    QTest::keyClick(&regs, Qt::Key_Return);
    QCOMPARE(int(s.control().live.Register(0x09)), 0x42);
    QTest::keyClick(&regs, Qt::Key_Escape);
    // Edit a watch: count1 takes 77.
    TWatchForm& watch = s.env->WatchForm();
    QTest::mouseClick(&watch, Qt::LeftButton, {}, watch.ValuePoint(0));
    QTest::keyClicks(&watch, QStringLiteral("77"));
    MaybeGrabScreen({&d, &regs, &code, &watch}, "debug-session.png");
    MaybeGrab(watch, "session-watch-editing.png");
    QTest::keyClick(&watch, Qt::Key_Return);
    QCOMPARE(int(s.control().live.Register(0x08)), 77);
    QCOMPARE(QString::fromStdString(watch.Cells()[0].text), QStringLiteral("77"));
    // Step: 0x09 was changed by the user, not by the chip, so the stop shows it as it is.
    s.Button("StepButton")->click();
    QVERIFY(s.TicksUntilIdle() <= 2);
    QCOMPARE(s.control().live.programCounter, 3u); // the MOV W,#1 of XOR RB,#1
    MaybeGrabScreen({&d, &regs, &code, &watch}, "debug-session-step.png");

    s.Button("QuitButton")->click();
    QVERIFY(!d.isVisible());
    QVERIFY(!regs.isVisible());
    QVERIFY(!code.isVisible());
    QVERIFY(!watch.isVisible());
    QVERIFY(!s.env->Hardware().Link().PortOpen());
    QVERIFY(s.form().findChild<QAction*>(QStringLiteral("RunDebugItem"))->isEnabled());
    QVERIFY(s.form().RunButtonsEnabled());
    QVERIFY(s.form().findChild<QToolButton*>(QStringLiteral("ClockTBTN"))->isEnabled());
    QVERIFY(s.prompter.messages.empty());
}

void DebugSessionWindowsTest::debugAgainLeavesTheChipAsItIs() {
    Session s(WatchedBlink());
    s.Trigger("RunDebugItem");
    QVERIFY(s.debug().isVisible());
    QCOMPARE(s.TicksUntilIdle(), 1);
    s.Button("QuitButton")->click();
    VirtualChip& chip = s.env->Hardware().Key().Chip();
    const int erased = chip.EraseCount();
    QVERIFY(erased >= 1);
    // Debug Again assumes the chip holds the program and its kernel.
    s.Trigger("RunDebugAgainItem");
    QVERIFY(s.debug().isVisible());
    QCOMPARE(s.TicksUntilIdle(), 1);
    QCOMPARE(chip.EraseCount(), erased);
    s.Button("StepButton")->click();
    QVERIFY(s.TicksUntilIdle() > 0);
    QCOMPARE(s.control().live.programCounter, 0u);
    // The Run menu sleeps while a session runs.
    s.Trigger("RunDebugItem");
    QCOMPARE(chip.EraseCount(), erased);
    // After it, Debug programs the chip again.
    s.Button("QuitButton")->click();
    s.Trigger("RunDebugItem");
    QVERIFY(s.debug().isVisible());
    QVERIFY(chip.EraseCount() > erased);
    QCOMPARE(s.TicksUntilIdle(), 1);
    QVERIFY(s.prompter.messages.empty());
}

void DebugSessionWindowsTest::aProgramWithoutRoomForTheKernelIsRefused() {
    Session s("\tDEVICE\tSX28\n\tRESET\tstart\n\tORG\t0\nstart\tJMP\tstart\n\tORG\t$7C0\n"
              "\tJMP\tstart\n");
    s.Trigger("RunDebugItem");
    QCOMPARE(s.form().StatusText(2), QStringLiteral("Assembly Successful"));
    QVERIFY(!s.debug().isVisible());
    QCOMPARE(s.prompter.messages.size(), size_t(1));
    QCOMPARE(QString::fromStdString(s.prompter.messages[0].caption), QStringLiteral("Debug ERROR"));
    QVERIFY(s.prompter.messages[0].buttons == PromptButtons::Ok);
    QVERIFY(!s.env->Hardware().Link().PortOpen());
    QVERIFY(s.form().RunButtonsEnabled());
}

void DebugSessionWindowsTest::viewListTogglesTheCodeView() {
    Session s(WatchedBlink());
    TCodeForm& code = s.env->CodeForm();
    s.Trigger("ViewDebugCodeMNUITEM");
    QVERIFY(code.isVisible());
    QVERIFY(code.Rows() > 0);
    QCOMPARE(code.Marks().next, -1);
    s.Trigger("ViewDebugCodeMNUITEM");
    QVERIFY(!code.isVisible());
    QVERIFY(s.prompter.messages.empty());
}

void DebugSessionWindowsTest::familyOneNoticeInTheHintWindow() {
    Session s("\tDEVICE\tSX52\n\tRESET\tstart\n\tORG\t0\nstart\tJMP\tstart\n");
    s.Trigger("RunDebugItem");
    QVERIFY(s.debug().isVisible());
    QCOMPARE(s.TicksUntilIdle(), 1);
    QCOMPARE(s.control().Family(), 1);
    QWidget* hint = s.env->CreationOrder()[15];
    QCOMPARE(hint->objectName(), QStringLiteral("HintForm"));
    TRegisterForm& regs = s.env->RegisterForm();
    QTest::mouseClick(&regs, Qt::LeftButton, {}, regs.ValuePoint(kRegisterM));
    QVERIFY(hint->isVisible());
    QCOMPARE(static_cast<THintForm*>(hint)->Text(),
             QStringLiteral("M is read-only during debug on SX48/52"));
    // Hiding the register view takes the notice away.
    s.Button("QuitButton")->click();
    QVERIFY(!hint->isVisible());
}

void DebugSessionWindowsTest::wholeSessionOnAnOrdaSource() {
    if (!fs::exists(BinDir() + "/orda")) QSKIP("orda is not built");
    Session s(TempFolder::Read(SourceDir() + "/examples/blink.src"), true);
    QVERIFY(s.env->Orda());
    s.Trigger("RunDebugItem");
    QVERIFY2(s.prompter.messages.empty(),
             s.prompter.messages.empty() ? "" : s.prompter.messages[0].text.c_str());
    TDebugForm& d = s.debug();
    TPM_CodeFRM& list = s.env->ListView();
    QVERIFY(d.isVisible());
    QVERIFY(list.isVisible());
    QVERIFY(!s.env->CodeForm().isVisible());
    QVERIFY(!s.Button("HopButton")->isVisible());
    QVERIFY(!s.Button("JogButton")->isVisible());
    QCOMPARE(list.Mode(), TPM_CodeFRM::ButtonMode::All);
    // The list keeps its own numbers and marks: none of the editor's margins or tint.
    QCOMPARE(list.CodePLSMO()->LineNumberMarginWidth(), 0);
    QCOMPARE(list.CodePLSMO()->marginWidth(1), 0);
    QVERIFY(!list.CodePLSMO()->SendScintilla(QsciScintillaBase::SCI_GETCARETLINEVISIBLE));
    const int resetLine = list.RunLine();
    QVERIFY(resetLine >= 0);

    // The first stop is at the reset vector; a step goes to start.
    QCOMPARE(s.TicksUntilIdle(), 1);
    s.Button("StepButton")->click();
    QVERIFY(s.TicksUntilIdle() <= 2);
    QCOMPARE(s.control().live.programCounter, 0u);
    const int startLine = list.RunLine();
    QVERIFY(startLine >= 0);
    QVERIFY(list.CodePLSMO()->LineText(startLine).find("start") != std::string::npos);

    // A breakpoint by clicking the list's "JMP loop" line, and Run to it.
    int jmpLine = -1;
    for (int i = 0; i < list.CodePLSMO()->LineCount(); ++i)
        if (std::string t = list.CodePLSMO()->LineText(i); jmpLine < 0 &&
                                                           t.find("JMP") != std::string::npos &&
                                                           t.find("loop") != std::string::npos)
            jmpLine = i;
    QVERIFY(jmpLine > startLine);
    list.CodePLSMOMouseDown(Qt::LeftButton, {});
    list.CodePLSMOClick(jmpLine);
    QCOMPARE(list.BreakpointLine(), jmpLine);
    QVERIFY(s.control().live.breakpoint != kNoBreakpoint);
    const uint32_t jmp = s.control().live.breakpoint;
    // An Alt+click moves the program counter and keeps that breakpoint, set since the last
    // stop (no click came before it whose toggle would need undoing).
    list.CodePLSMOMouseDown(Qt::LeftButton, Qt::AltModifier);
    list.CodePLSMOClick(startLine);
    QCOMPARE(s.control().live.programCounter, 0u);
    QCOMPARE(s.control().live.breakpoint, jmp);
    QCOMPARE(list.BreakpointLine(), jmpLine);
    QCOMPARE(list.RunLine(), startLine);
    s.Button("RunButton")->click();
    QVERIFY(s.TicksUntilIdle() > 0);
    // The JMP ran before the chip stopped: the next line is the loop's first, and the
    // breakpoint's line keeps its own mark.
    const uint32_t loop = s.control().live.programCounter;
    QVERIFY(loop != s.control().live.breakpoint);
    const int loopLine = list.RunLine();
    QVERIFY(loopLine > startLine && loopLine < jmpLine);
    QVERIFY(list.CodePLSMO()->LineText(loopLine).find("XOR") != std::string::npos);
    QCOMPARE(list.BreakpointLine(), jmpLine);
    // The breakpoint moved onto the next line: its first 24 characters red, the rest blue.
    list.CodePLSMOMouseDown(Qt::LeftButton, {});
    list.CodePLSMOClick(jmpLine);
    list.CodePLSMOMouseDown(Qt::LeftButton, {});
    list.CodePLSMOClick(loopLine);
    QCOMPARE(s.control().live.breakpoint, loop);
    QCOMPARE(list.BreakpointLine(), loopLine);
    QCOMPARE(list.RunLine(), loopLine);
    QCOMPARE(list.MarkColorAt(loopLine, 0), list.MarkColorAt(loopLine, 23));
    QVERIFY(list.MarkColorAt(loopLine, 0) != list.MarkColorAt(loopLine, 30));
    MaybeGrabScreen({&d, &s.env->RegisterForm(), &list}, "orda-debug-session.png");

    // A breakpoint from the register view's strip reaches the list as well.
    TRegisterForm& regs = s.env->RegisterForm();
    const int strip = 0 - regs.Surface().StripTop();
    if (strip >= 0) {
        QTest::mouseClick(&regs, Qt::LeftButton, {}, regs.StripPoint(strip));
        QCOMPARE(s.control().live.breakpoint, 0u);
        QCOMPARE(list.BreakpointLine(), startLine);
    }

    // Reset: back to the reset line.
    s.Button("ResetButton")->click();
    QCOMPARE(list.RunLine(), resetLine);
    QVERIFY(s.TicksUntilIdle() > 0);

    s.Button("QuitButton")->click();
    QVERIFY(!d.isVisible());
    QVERIFY(!list.isVisible());
    QVERIFY(s.store.KeyExists(setting::ListCodeWindow));
    QVERIFY(!s.env->Hardware().Link().PortOpen());
    QVERIFY(s.prompter.messages.empty());
}

std::string MacrosSource() {
    return TempFolder::Read(SourceDir() + "/examples/macros.src");
}

// The built-in assembler's session in the editor: the next instruction's line marked and
// moving on Step, the BREAK directive's line marked as the program's breakpoint.
void DebugSessionWindowsTest::editorShowsTheNextInstructionAndTheBreakpoint() {
    Session s(MacrosSource());
    TPlusMemo& e = s.form().CurrentEditor();
    const int breakLine = LineWith(e, "\t\tBREAK");
    QVERIFY(breakLine > 0);
    QCOMPARE(e.BreakpointLine(), -1);
    s.Trigger("RunAssembleItem");
    QCOMPARE(e.BreakpointLine(), breakLine); // known from the assembly
    QCOMPARE(e.ExecutionLine(), -1);

    s.Trigger("RunDebugItem");
    QCOMPARE(s.TicksUntilIdle(), 1);
    QCOMPARE(s.control().live.programCounter, 0x7FFu);
    QCOMPARE(e.ExecutionLine(), LineWith(e, "\tRESET\tstart"));
    QCOMPARE(e.BreakpointLine(), breakLine);
    // Step: the marker moves with the chip (into the macro "clear" at start).
    s.Button("StepButton")->click();
    QVERIFY(s.TicksUntilIdle() > 0);
    QVERIFY(e.LineText(e.ExecutionLine()).find("CLR") != std::string::npos);
    const int clrCount = LineWith(e, "\tCLR\tcount");
    for (int i = 0; i < 3 && e.ExecutionLine() != clrCount; ++i) {
        s.Button("StepButton")->click();
        QVERIFY(s.TicksUntilIdle() > 0);
    }
    QCOMPARE(e.ExecutionLine(), clrCount);
    // Only one line is marked, and the caret stays where the user had it.
    QCOMPARE(e.CurrentLine(), 0);
    // Run: the chip stops once the NOP under the BREAK has run, at done.
    s.Button("RunButton")->click();
    QVERIFY(s.TicksUntilIdle() > 0);
    QCOMPARE(s.control().live.programCounter, uint32_t(s.env->Record().debug.breakAddress + 1));
    QCOMPARE(e.ExecutionLine(), LineWith(e, "done\t\tJMP\tdone"));
    QCOMPARE(e.BreakpointLine(), breakLine);
    // The line is kept in view.
    QVERIFY(e.ExecutionLine() >= e.FirstVisibleLine());
    QVERIFY(e.ExecutionLine() < e.FirstVisibleLine() + e.VisibleLines());
    MaybeGrab(s.form(), "editor-session.png");
    // Quit: the next-instruction mark goes, the breakpoint stays.
    s.Button("QuitButton")->click();
    QCOMPARE(e.ExecutionLine(), -1);
    QCOMPARE(e.BreakpointLine(), breakLine);
    QVERIFY(s.prompter.messages.empty());
}

// A click in the margin sets the session's one breakpoint on a line with code and clears
// it again; the mark stays with its line as lines are typed above it, and the chip stops
// there.
void DebugSessionWindowsTest::editorBreakpointsFollowEditsInASession() {
    Session s(MacrosSource());
    TPlusMemo& e = s.form().CurrentEditor();
    s.Trigger("RunDebugItem");
    QCOMPARE(s.TicksUntilIdle(), 1);
    const int inc = LineWith(e, "\tINC\tcount");
    const int address = s.env->SourceLink().AddressAt(e, inc);
    QVERIFY(address > 0);
    ClickMargin(e, inc);
    QCOMPARE(s.control().live.breakpoint, uint32_t(address));
    QCOMPARE(e.BreakpointLine(), inc);
    // The code view marks it too.
    QCOMPARE(s.env->CodeForm().Marks().breakLine,
             s.env->Record().debug.lineOfAddress[size_t(address)]);
    // A comment line has no code: nothing happens.
    ClickMargin(e, 0);
    QCOMPARE(s.control().live.breakpoint, uint32_t(address));

    // Two lines typed above: the mark moves down with its line.
    TypeAt(e, 0, QStringLiteral("; one\n; two\n"));
    QCOMPARE(e.BreakpointLine(), inc + 2);
    QCOMPARE(e.LineText(inc + 2), std::string("\t\tINC\tcount"));
    // Run: the chip stops once that INC has run; the next instruction shows on the line
    // under the moved one.
    s.Button("RunButton")->click();
    QVERIFY(s.TicksUntilIdle() > 0);
    QCOMPARE(s.control().live.programCounter, uint32_t(address + 1));
    QCOMPARE(e.ExecutionLine(), inc + 3);
    QCOMPARE(e.BreakpointLine(), inc + 2);
    // A breakpoint from the code view shows in the editor as well.
    const int jmpDone = s.AddressOf("done");
    TCodeForm& code = s.env->CodeForm();
    const int line = s.env->Record().debug.lineOfAddress[size_t(jmpDone)];
    code.ScrollTo(uint32_t(jmpDone));
    QTest::mouseClick(&code, Qt::LeftButton, {}, code.RowPoint(line - code.Position()));
    QCOMPARE(s.control().live.breakpoint, uint32_t(jmpDone));
    QCOMPARE(e.BreakpointLine(), LineWith(e, "done\t\tJMP\tdone"));
    // The program's own address (the NOP under the BREAK) shows on the BREAK line.
    const uint32_t nop = s.env->Record().debug.breakAddress;
    const int nopLine = s.env->Record().debug.lineOfAddress[nop];
    code.ScrollTo(nop);
    QTest::mouseClick(&code, Qt::LeftButton, {}, code.RowPoint(nopLine - code.Position()));
    QCOMPARE(s.control().live.breakpoint, nop);
    QCOMPARE(e.BreakpointLine(), LineWith(e, "\t\tBREAK"));
    // The marked line again: no breakpoint.
    ClickMargin(e, e.BreakpointLine());
    QCOMPARE(s.control().live.breakpoint, kNoBreakpoint);
    QCOMPARE(e.BreakpointLine(), -1);
    QVERIFY(s.prompter.messages.empty());
}

// Outside a session the margin chooses the breakpoint the next one starts with, in place
// of the program's BREAK; a line without code stands for the next line with code.
void DebugSessionWindowsTest::editorBreakpointChosenBeforeTheSession() {
    Session s(MacrosSource());
    TPlusMemo& e = s.form().CurrentEditor();
    const int comment = LineWith(e, "; fib[n] = fib[n-1]");
    ClickMargin(e, comment);
    QCOMPARE(e.BreakpointLine(), comment);
    TypeAt(e, 0, QStringLiteral("; above\n"));
    QCOMPARE(e.BreakpointLine(), comment + 1);
    s.Trigger("RunDebugItem");
    QCOMPARE(e.BreakpointLine(), comment + 1); // the user's, not the BREAK's
    const int movFib = LineWith(e, "\tMOV\tfib,#1");
    const int address = s.env->SourceLink().AddressAt(e, movFib);
    QVERIFY(address > 0);
    QCOMPARE(s.control().live.breakpoint, uint32_t(address));
    QCOMPARE(s.TicksUntilIdle(), 1);
    s.Button("RunButton")->click();
    QVERIFY(s.TicksUntilIdle() > 0);
    // Its first word ran: the chip is still on that line.
    QCOMPARE(s.control().live.programCounter, uint32_t(address + 1));
    QCOMPARE(e.ExecutionLine(), movFib);
    QCOMPARE(int(s.control().live.Register(0x0C)), 10); // count: the loop before it ran
    s.Button("QuitButton")->click();

    // Cleared before the next session: it starts without a breakpoint, BREAK or not.
    ClickMargin(e, e.BreakpointLine());
    QCOMPARE(e.BreakpointLine(), -1);
    s.Trigger("RunDebugItem");
    QCOMPARE(s.control().live.breakpoint, kNoBreakpoint);
    QCOMPARE(s.TicksUntilIdle(), 1);
    s.Button("QuitButton")->click();
    QVERIFY(s.prompter.messages.empty());
}

// F5 to F10 and Shift+F5 from the main window and each debug window, as the menu shows.
void DebugSessionWindowsTest::functionKeysFromEveryWindow() {
    Session s(WatchedBlink());
    s.Trigger("RunDebugItem");
    QCOMPARE(s.TicksUntilIdle(), 1);
    QAction* step = s.form().findChild<QAction*>(QStringLiteral("DebugStepItem"));
    QVERIFY(step->isEnabled());
    QVERIFY(!s.form().findChild<QAction*>(QStringLiteral("DebugHaltItem"))->isEnabled());
    std::vector<QWidget*> windows{&s.form(), &s.debug(), &s.env->RegisterForm(),
                                  &s.env->WatchForm(), &s.env->CodeForm()};
    auto press = [&](QWidget* w, int key, Qt::KeyboardModifiers mods = {}) {
        // (The offscreen platform leaves the focus with the hidden progress window.)
        QApplication::setActiveWindow(w);
        QVERIFY(QTest::qWaitForWindowActive(w));
        QCOMPARE(QApplication::activeWindow(), w);
        QTest::keyClick(w, Qt::Key(key), mods);
    };
    for (QWidget* w : windows) {
        const uint32_t before = s.control().live.programCounter;
        press(w, Qt::Key_F7);
        QVERIFY2(s.TicksUntilIdle() > 0, qPrintable(w->objectName()));
        QVERIFY2(s.control().live.programCounter != before, qPrintable(w->objectName()));
    }
    // F9 at the caret's line, from the main window: the breakpoint there.
    TPlusMemo& e = s.form().CurrentEditor();
    const int jmpLoop = LineWith(e, "\t\tJMP\tloop");
    e.SetCaret(jmpLoop, 0);
    press(&s.form(), Qt::Key_F9);
    QCOMPARE(s.control().live.breakpoint, uint32_t(s.AddressOf("loop")));
    QCOMPARE(e.BreakpointLine(), jmpLoop);
    // F5 from the watch view runs to it (the chip stops once the JMP has run, at loop);
    // F10 from the code view hops.
    press(&s.env->WatchForm(), Qt::Key_F5);
    QVERIFY(s.TicksUntilIdle() > 0);
    QCOMPARE(e.ExecutionLine(), LineWith(e, "loop\t\t"));
    const int lineBefore = s.env->Record().debug.lineOfAddress[s.control().live.programCounter];
    press(&s.env->CodeForm(), Qt::Key_F10);
    QVERIFY(s.TicksUntilIdle() > 0);
    QVERIFY(s.env->Record().debug.lineOfAddress[s.control().live.programCounter] != lineBefore);
    // F8 walks from the register view; F6 from the debug window halts the walk.
    press(&s.env->RegisterForm(), Qt::Key_F8);
    QVERIFY(!s.Idle());
    for (int i = 0; i < 3; ++i) {
        s.ticks.Advance(40);
        s.debug().TimerTick();
    }
    press(&s.debug(), Qt::Key_F6);
    QVERIFY(s.TicksUntilIdle() > 0);
    QCOMPARE(s.control().flags.continuous, 0);
    // Shift+F5 from the code view ends the session; then the keys rest.
    press(&s.env->CodeForm(), Qt::Key_F5, Qt::ShiftModifier);
    QVERIFY(!s.debug().isVisible());
    QVERIFY(!step->isEnabled());
    QVERIFY(s.prompter.messages.empty());
}

// A run to a breakpoint the program never reaches leaves only Reset and Quit; Halt (its
// button, F6, the menu) stops the chip where it is and shows it.
void DebugSessionWindowsTest::haltStopsARunToAnUnreachedBreakpoint() {
    Session s("\tDEVICE\tSX28,TURBO,STACKX_OPTIONX\n\tFREQ\t4_000_000\n\tRESET\tstart\n"
              "\tORG\t0\nstart\tINC\t$10\n\tJMP\tstart\nnever\tNOP\n\tBREAK\n\tJMP\tnever\n");
    s.Trigger("RunDebugItem");
    QCOMPARE(s.TicksUntilIdle(), 1);
    QPushButton* halt = s.Button("HaltButton");
    QVERIFY(halt && halt->isVisible());
    QVERIFY(!halt->isEnabled());
    QCOMPARE(halt->toolTip(), QStringLiteral("Stop the chip where it is (F6)"));
    s.Button("RunButton")->click();
    for (int i = 0; i < 10; ++i) {
        s.ticks.Advance(40);
        s.debug().TimerTick();
    }
    for (const char* name : {"StepButton", "WalkButton", "RunButton", "PollButton", "StopButton",
                             "HopButton", "JogButton"})
        QVERIFY2(!s.Button(name)->isEnabled(), name);
    QVERIFY(s.Button("ResetButton")->isEnabled());
    QVERIFY(halt->isEnabled());
    QAction* haltItem = s.form().findChild<QAction*>(QStringLiteral("DebugHaltItem"));
    QVERIFY(haltItem->isEnabled());
    QCOMPARE(haltItem->shortcut().toString(), QStringLiteral("F6"));
    haltItem->trigger();
    QVERIFY(s.TicksUntilIdle() > 0);
    QVERIFY(s.control().live.programCounter < 2u);
    QVERIFY(int(s.control().live.Register(0x10)) > 0);
    QCOMPARE(s.control().live.breakpoint, uint32_t(s.env->Record().debug.breakAddress));
    QVERIFY(!halt->isEnabled());
    QVERIFY(!haltItem->isEnabled());
    TPlusMemo& e = s.form().CurrentEditor();
    QVERIFY(e.LineText(e.ExecutionLine()).find("start") != std::string::npos ||
            e.LineText(e.ExecutionLine()).find("JMP\tstart") != std::string::npos);
    QVERIFY(s.prompter.messages.empty());
}

void DebugSessionWindowsTest::hoverShowsValuesWhileTheChipIsStopped() {
    Session s(WatchedBlink());
    TPlusMemo& e = s.form().CurrentEditor();
    const std::string text = e.Text();
    const int count1 = int(text.find("count1", text.find("WATCH")));
    const int rb = int(text.find("XOR\tRB")) + 4;
    QVERIFY(count1 > 0 && rb > 0);
    QCOMPARE(e.HoverTextAt(count1), std::string()); // no session
    s.Trigger("RunDebugItem");
    QCOMPARE(s.TicksUntilIdle(), 1);
    s.control().WriteRegister(0x08, 0x4D);
    QCOMPARE(e.HoverTextAt(count1 + 2), std::string("count1 = $4D = 77 = %0100_1101"));
    // Resting the mouse there shows it as a tip, whichever window has the focus.
    e.RevealLine(e.LineOfPosition(count1));
    QCoreApplication::processEvents();
    const QPoint at(
        int(e.SendScintilla(QsciScintillaBase::SCI_POINTXFROMPOSITION, 0UL, long(count1 + 2))),
        int(e.SendScintilla(QsciScintillaBase::SCI_POINTYFROMPOSITION, 0UL, long(count1 + 2))) + 4);
    QMouseEvent move(QEvent::MouseMove, at, e.viewport()->mapToGlobal(at), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(e.viewport(), &move);
    QTRY_COMPARE_WITH_TIMEOUT(QToolTip::text(), QStringLiteral("count1 = $4D = 77 = %0100_1101"),
                              3000);
    QToolTip::hideText();
    QVERIFY(e.HoverTextAt(rb).rfind("RB (06) = $", 0) == 0);
    QCOMPARE(e.HoverTextAt(int(text.find("DJNZ"))), std::string());
    // While the chip runs there is nothing to show.
    s.Button("StepButton")->click();
    QCOMPARE(e.HoverTextAt(count1), std::string());
    QVERIFY(s.TicksUntilIdle() > 0);
    QVERIFY(!e.HoverTextAt(count1).empty());
    s.settings().extras.hoverValues = false;
    QCOMPARE(e.HoverTextAt(count1), std::string());
}

// orda's map names the include files: a step into code of one opens it and marks the line.
void DebugSessionWindowsTest::ordaSessionOpensTheIncludeFileOfTheNextInstruction() {
    if (!fs::exists(BinDir() + "/orda")) QSKIP("orda is not built");
    Session s("\tDEVICE\tSX28AC,TURBO,STACKX_OPTIONX\n"
              "\tFREQ\t4_000_000\n"
              "\tRESET\tstart\n"
              "\tORG\t0\n"
              "start\tMOV\t$11,#5\n"
              "\tCALL\tbump\n"
              "\tJMP\tstart\n"
              "\tINCLUDE\t\"bump.inc\"\n",
              true);
    const std::string inc =
        s.dir.Write("bump.inc", "; in an include file\nbump\tINC\t$10\n\tRET\n");
    s.Trigger("RunDebugItem");
    QVERIFY2(s.prompter.messages.empty(),
             s.prompter.messages.empty() ? "" : s.prompter.messages[0].text.c_str());
    QCOMPARE(s.TicksUntilIdle(), 1);
    TPlusMemo& main = s.form().CurrentEditor();
    QCOMPARE(main.ExecutionLine(), 2); // RESET
    s.Button("StepButton")->click();
    QVERIFY(s.TicksUntilIdle() > 0);
    QCOMPARE(main.ExecutionLine(), 4); // start MOV $11,#5
    // Its second word: still the same line.
    s.Button("StepButton")->click();
    QVERIFY(s.TicksUntilIdle() > 0);
    QCOMPARE(s.control().live.programCounter, 1u);
    QCOMPARE(main.ExecutionLine(), 4);
    s.Button("StepButton")->click();
    QVERIFY(s.TicksUntilIdle() > 0);
    QCOMPARE(main.ExecutionLine(), 5); // CALL bump
    s.Button("StepButton")->click();
    QVERIFY(s.TicksUntilIdle() > 0);
    // In bump.inc now: opened, in front, its line marked; the main file's mark is gone.
    QCOMPARE(QString::fromStdString(s.form().Files().CurrentFileName()),
             QString::fromStdString(FullPath(inc)));
    TPlusMemo& included = s.form().CurrentEditor();
    QVERIFY(&included != &main);
    QCOMPARE(included.ExecutionLine(), 1);
    QCOMPARE(main.ExecutionLine(), -1);
    // A breakpoint set in the include file's margin, on the RET: the run stops once it has
    // run, back in the main file, whose line comes to the front; the dot stays on the RET.
    ClickMargin(included, 2);
    QCOMPARE(included.BreakpointLine(), 2);
    const int retLine = s.env->ListView().BreakpointLine();
    QVERIFY(retLine >= 0);
    s.Button("RunButton")->click();
    QVERIFY(s.TicksUntilIdle() > 0);
    QCOMPARE(s.control().live.programCounter, 3u);
    QCOMPARE(&s.form().CurrentEditor(), &main);
    QCOMPARE(main.ExecutionLine(), 6);
    QCOMPARE(included.ExecutionLine(), -1);
    QCOMPARE(included.BreakpointLine(), 2);
    QCOMPARE(s.env->ListView().BreakpointLine(), retLine);
    // F7 in the list view steps too.
    QApplication::setActiveWindow(&s.env->ListView());
    QVERIFY(QTest::qWaitForWindowActive(&s.env->ListView()));
    QTest::keyClick(&s.env->ListView(), Qt::Key_F7);
    QVERIFY(s.TicksUntilIdle() > 0);
    QCOMPARE(main.ExecutionLine(), 4);
    QVERIFY(s.prompter.messages.empty());
}

// The debug views belong to the main window, so a window manager keeps them above it
// when a message box brings the main window forward.
void DebugSessionWindowsTest::debugViewsStayAboveTheMainWindow() {
    Session s(WatchedBlink());
    s.Trigger("RunDebugItem");
    QCOMPARE(s.TicksUntilIdle(), 1);
    for (QWidget* w :
         {static_cast<QWidget*>(&s.debug()), static_cast<QWidget*>(&s.env->RegisterForm()),
          static_cast<QWidget*>(&s.env->WatchForm()), static_cast<QWidget*>(&s.env->CodeForm()),
          static_cast<QWidget*>(&s.env->ListView())}) {
        QCOMPARE(w->parentWidget(), static_cast<QWidget*>(&s.form()));
        QVERIFY(w->isWindow());
        if (w->isVisible()) {
            QVERIFY(w->windowHandle());
            QCOMPARE(w->windowHandle()->transientParent(), s.form().windowHandle());
        }
    }
    // Hiding the main window (compiler mode does) leaves them up.
    s.form().hide();
    QVERIFY(s.debug().isVisible());
    QVERIFY(s.env->RegisterForm().isVisible());
    s.form().show();
}

void DebugSessionWindowsTest::conveniencesSwitchedOff() {
    Session s(MacrosSource());
    IdeOptions& x = s.settings().extras;
    x.editorBreakpoints = x.sourceLine = x.haltAction = x.debugKeys = false;
    s.form().ApplyEditorChoice();
    TPlusMemo& e = s.form().CurrentEditor();
    s.Trigger("RunDebugItem");
    QCOMPARE(s.TicksUntilIdle(), 1);
    QCOMPARE(e.ExecutionLine(), -1);
    QCOMPARE(e.BreakpointLine(), -1);
    QVERIFY(!s.Button("HaltButton")->isVisible());
    QVERIFY(s.Button("ResetPosButton")->isVisible());
    QVERIFY(!s.form().findChild<QAction*>(QStringLiteral("DebugStepItem"))->isEnabled());
    // The session starts as it always did: at the program's BREAK.
    QCOMPARE(s.control().live.breakpoint, uint32_t(s.env->Record().debug.breakAddress));
    ClickMargin(e, LineWith(e, "\tINC\tcount"));
    QCOMPARE(s.control().live.breakpoint, uint32_t(s.env->Record().debug.breakAddress));
    s.Button("StepButton")->click();
    QVERIFY(s.TicksUntilIdle() > 0);
    QCOMPARE(e.ExecutionLine(), -1);
    QVERIFY(s.prompter.messages.empty());
}

// The Terminal from the debug window while the echo example runs freely, and from the Run
// menu outside a session, on the chip as Run left it.
void DebugSessionWindowsTest::terminalInASessionAndAfterRun() {
    Session s(TempFolder::Read(SourceDir() + "/examples/echo.src"));
    TTerminalForm& t = s.env->TerminalForm();
    auto* view = t.findChild<QPlainTextEdit*>(QStringLiteral("TerminalView"));
    QVERIFY(view);
    s.Trigger("RunDebugItem");
    QCOMPARE(s.TicksUntilIdle(), 1);
    QVERIFY(s.Button("TerminalButton")->isVisible());
    s.Button("RunButton")->click();
    s.Button("TerminalButton")->click();
    QVERIFY(t.isVisible());
    QTest::keyClicks(view, QStringLiteral("abc"));
    for (int i = 0; i < 3; ++i) {
        s.ticks.Advance(40);
        s.debug().TimerTick();
    }
    QCoreApplication::processEvents();
    QCOMPARE(view->toPlainText(), QStringLiteral("ABC"));
    // The session ends; the terminal stays open and its chip goes on as the key left it.
    s.Trigger("DebugQuitItem");
    QVERIFY(!s.debug().isVisible());
    QVERIFY(t.isVisible());
    QVERIFY(t.StatusText().startsWith(QStringLiteral("RX=RA.1 TX=RA.0 9600 baud")));
    t.hide();
    QVERIFY(s.store.KeyExists(setting::TerminalWindow)); // its placement, once it had one

    // Run, then Run > Terminal: the program runs as long as the terminal is open.
    {
        pellix::test::ModalWatcher watcher; // the clock's news after Run
        s.Trigger("RunRunItem");
    }
    QVERIFY2(s.prompter.messages.empty(),
             s.prompter.messages.empty() ? "" : s.prompter.messages[0].text.c_str());
    s.Trigger("RunTerminalItem");
    QVERIFY(t.isVisible());
    view->clear();
    QTest::keyClicks(view, QStringLiteral("ok"));
    QTRY_COMPARE_WITH_TIMEOUT((s.ticks.Advance(10), view->toPlainText()), QStringLiteral("OK"),
                              5000);
    t.hide();
    QCOMPARE(s.env->Hardware().Key().Chip().Lab().UartCount(), size_t(0));
}

QTEST_MAIN(DebugSessionWindowsTest)
#include "DebugSessionWindowsTest.moc"
