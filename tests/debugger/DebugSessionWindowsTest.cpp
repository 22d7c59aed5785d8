// Whole debug sessions from the main window on the program's own virtual key (port "sim"):
// Debug, Debug Again and View List, with the built-in assembler and with orda.
#include <QAction>
#include <QApplication>
#include <QPainter>
#include <QPushButton>
#include <QToolButton>
#include <QtTest>

#include <filesystem>

#include "app/BuiltInAssembler.h"
#include "app/Environment.h"
#include "asm/Disassembler.h"
#include "debugger/ui/TCodeForm.h"
#include "debugger/ui/TDebugForm.h"
#include "debugger/ui/TRegisterForm.h"
#include "debugger/ui/TWatchForm.h"
#include "platform/ScriptedPrompter.h"
#include "platform/qt/QtChildProcess.h"
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

QTEST_MAIN(DebugSessionWindowsTest)
#include "DebugSessionWindowsTest.moc"
