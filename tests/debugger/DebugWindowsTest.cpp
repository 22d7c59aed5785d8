// The debug window and the register, watch and code views on the in-process virtual key:
// the buttons and the timer, the colours, clicks and typing, the placements. The timer is
// ticked by hand on a fake clock.
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QtTest>

#include <memory>

#include "DebugWindowRig.h"
#include "debugger/ui/TCodeForm.h"
#include "debugger/ui/TRegisterForm.h"

using namespace pellix;
using pellix::test::MaybeGrab;

namespace {

// count at 0x08 counts down from 3; the BREAK stands on the NOP before "done", so a hit
// stops at "done".
const char* kLoop = R"(
 DEVICE SX28,TURBO,STACKX_OPTIONX
 FREQ 4_000_000
 RESET start
 ORG 8
count DS 1
 ORG 0
start MOV count,#3
; counting down
loop DECSZ count
 JMP loop
 BREAK
 NOP
done JMP done
)";

// One value of each kind the watch view has to show, in the global registers.
const char* kWatches = R"(
 DEVICE SX28,TURBO,STACKX_OPTIONX
 FREQ 4_000_000
 RESET start
 ORG 8
big DS 2
neg DS 1
bits DS 1
str DS 4
 WATCH big,16,UDEC
 WATCH neg,8,SHEX
 WATCH bits.2,6,UBIN
 WATCH str,4,ZSTR
 WATCH big,16,UHEX
 WATCH neg,8,SDEC
 ORG 0
start MOV big,#$39
 MOV big+1,#$30
 MOV neg,#$FE
 MOV bits,#$FC
 MOV str,#'A'
 MOV str+1,#'B'
 CLR str+2
 MOV str+3,#'C'
 BREAK
 NOP
done JMP done
)";

// As a person does it: the first press is a click, the second arrives as the double click.
void DoubleClick(QWidget* w, QPoint at) {
    QTest::mouseClick(w, Qt::LeftButton, {}, at);
    QTest::mouseDClick(w, Qt::LeftButton, {}, at);
}

struct Host final : DebugWindowHost {
    std::vector<bool> debugging;
    bool external = false;
    void SetDebugging(bool on) override { debugging.push_back(on); }
    bool ExternalAssembler() override { return external; }
    bool EnhancedEditor() override { return true; }
    bool CompilerMode() override { return false; }
    void CloseMainWindow() override {}
    QFont ViewFont() override { return font; }
    QFont font = DefaultViewFont();
};

struct List final : ExternalListView {
    std::vector<std::string> calls;
    bool loads = true;
    bool LoadAndShow() override {
        calls.push_back("load");
        return loads;
    }
    void StartDebugging() override { calls.push_back("start"); }
    void ResetPosition() override { calls.push_back("reset"); }
    void ShowView() override { calls.push_back("show"); }
    void EndDebugging() override { calls.push_back("end"); }
    void Place(const PlacedRect&) override { calls.push_back("place"); }
    int LineOfAddress(uint32_t address) override { return int(address); }
};

struct Rig : test::DebugWindowRig {
    explicit Rig(const char* source) : DebugWindowRig(source, true) {
        debug->SetHost(&host);
        debug->SetListView(&list);
    }
    // The debug window goes before the host and list view it was given.
    ~Rig() {
        debug->hide();
        debug.reset();
    }

    uint8_t Mask() {
        static const char* names[] = {"StopButton", "PollButton", "RunButton", "WalkButton",
                                      "StepButton", "JogButton",  "HopButton"};
        uint8_t m = 0;
        for (int bit = 0; bit < 7; ++bit)
            if (Button(names[bit])->isEnabled()) m |= uint8_t(1 << bit);
        return m;
    }
    QString Status() { return debug->findChild<QLabel*>(QStringLiteral("StatusPanel"))->text(); }
    // Ticks until the run buttons are back; how many ticks it took, -1 if never.
    int TicksUntilIdle(int limit = 400) {
        for (int i = 1; i <= limit; ++i) {
            ticks.Advance(40);
            debug->TimerTick();
            if (!debug->isVisible()) return -1;
            if (Mask() == IdleButtonMask(control.live.breakpoint)) return i;
        }
        return -1;
    }
    void Open() {
        debug->show();
        QVERIFY(debug->isVisible());
        QCOMPARE(TicksUntilIdle(), 1);
    }
    uint32_t Pc() const { return control.live.programCounter; }
    int LineOf(uint32_t address) const { return record->debug.lineOfAddress[address]; }
    CellColor RegisterColor(int reg) {
        for (const PaintCell& c : registers->Cells())
            if (c.kind == CellKind::Value && c.index == reg) return c.color;
        return CellColor::Cursor;
    }
    const PaintCell* RegisterCell(int reg) {
        for (const PaintCell& c : registers->Cells())
            if (c.kind == CellKind::Value && c.index == reg) return &c;
        return nullptr;
    }

    Host host;
    List list;
};

} // namespace

class DebugWindowsTest : public QObject {
    Q_OBJECT
private slots:
    void openingWaitsForTheFirstStop();
    void stepWalkStopAndRunToTheBreakpoint();
    void pollAndUpdateSpeeds();
    void externalPathHidesHopAndJog();
    void aClosedPortEndsTheSession();
    void placementsAndResetPositions();
    void placementsByFrameGeometry();
    void placementsStayOnTheScreen();
    void watchWindowShowsItsCaption();
    void registerColoursAndFraming();
    void typingIntoRegisters();
    void bitsFlagsAndTheStrip();
    void familyOneRegisters();
    void watchDisplays();
    void watchEntries();
    void codeViewMarksAndClicks();
    void codeViewShortListingAndScrolling();
    void compilerModeCaption();
};

void DebugWindowsTest::openingWaitsForTheFirstStop() {
    Rig r(kLoop);
    r.record->debug.breakAddress = kNoBreakpoint;
    r.debug->show();
    QCOMPARE(r.Mask(), uint8_t(0));
    QVERIFY(r.registers->isVisible());
    QVERIFY(r.code->isVisible());
    QVERIFY(!r.watch->isVisible());
    QVERIFY(!r.Button("WatchButton")->isEnabled());
    QVERIFY(r.Button("ResetButton")->isEnabled());
    QVERIFY(r.Button("HopButton")->isVisible());
    QCOMPARE(r.host.debugging, std::vector<bool>{true});
    QCOMPARE(r.TicksUntilIdle(), 1);
    QCOMPARE(r.Mask(), kIdleButtons);
    QCOMPARE(r.Status(), QStringLiteral("Idle"));
    QCOMPARE(r.Pc(), 0x7FFu);

    // Quit ends the session and gives the key back.
    r.Button("QuitButton")->click();
    QVERIFY(!r.debug->isVisible());
    QVERIFY(!r.registers->isVisible());
    QVERIFY(!r.code->isVisible());
    QVERIFY(!r.link.PortOpen());
    QCOMPARE(r.host.debugging, (std::vector<bool>{true, false}));
}

void DebugWindowsTest::stepWalkStopAndRunToTheBreakpoint() {
    Rig r(kLoop);
    r.Open();
    QCOMPARE(r.Mask(), kIdleButtonsWithPoll);
    // From the press to the refreshed views within two ticks.
    r.Button("StepButton")->click();
    QCOMPARE(r.Mask(), uint8_t(0));
    int ticks = r.TicksUntilIdle();
    QVERIFY(ticks >= 1 && ticks <= 2);
    QCOMPARE(r.Pc(), 0u);
    QCOMPARE(r.code->Marks().next, r.LineOf(0));

    r.Button("WalkButton")->click();
    QCOMPARE(r.Mask(), kStopBit);
    for (int i = 0; i < 3; ++i) {
        r.ticks.Advance(40);
        r.debug->TimerTick();
    }
    QCOMPARE(r.Mask(), kStopBit);
    QVERIFY(r.Pc() != 0u);
    r.Button("StopButton")->click();
    QCOMPARE(r.Mask(), uint8_t(0));
    QVERIFY(r.TicksUntilIdle() > 0);

    // Run to the breakpoint: not even Stop until the chip stops after the breakpoint's
    // instruction; the breakpoint's line stays red and the next one is blue.
    r.Button("RunButton")->click();
    QCOMPARE(r.Mask(), uint8_t(0));
    QVERIFY(r.TicksUntilIdle() > 0);
    QCOMPARE(r.Pc(), r.record->debug.breakAddress + 1u);
    QCOMPARE(r.control.live.Register(0x08), uint8_t(0));
    CodeMarks m = r.code->Marks();
    QCOMPARE(m.breakLine, r.LineOf(r.record->debug.breakAddress));
    QCOMPARE(m.next, r.LineOf(r.Pc()));
    QCOMPARE(int(RowColorsOf(m.breakLine, m).first), int(kCodeBreak));
    QCOMPARE(int(RowColorsOf(m.next, m).source), int(kCodeNext));
    // The breakpoint moved onto the next line: one line red and blue.
    r.control.ToggleBreakpoint(int(r.Pc()));
    m = r.code->Marks();
    QCOMPARE(m.next, m.breakLine);
    QCOMPARE(int(RowColorsOf(m.next, m).first), int(kCodeBreak));
    QCOMPARE(int(RowColorsOf(m.next, m).source), int(kCodeNext));
    // As drawn: the first column red, the source column blue to the right edge.
    const QImage shot = r.code->grab().toImage();
    const int y = (m.next - r.code->Position()) * r.code->RowHeight() + r.code->RowHeight() / 2;
    const int right = r.code->width() - (r.code->ScrollBar()->isVisible() ? 16 : 0) - 2;
    QCOMPARE(shot.pixelColor(1, y), QColor(Qt::red));
    QCOMPARE(shot.pixelColor(right, y), QColor(Qt::blue));
    QCOMPARE(shot.pixelColor(right, y - r.code->RowHeight()),
             r.code->palette().color(QPalette::Base));

    // Reset: back to the reset vector, nothing to press until the chip is in the kernel.
    r.Button("ResetButton")->click();
    QCOMPARE(r.Mask(), uint8_t(0));
    QVERIFY(r.TicksUntilIdle() > 0);
    QCOMPARE(r.Pc(), 0x7FFu);
    QVERIFY(r.list.calls.empty());
}

void DebugWindowsTest::pollAndUpdateSpeeds() {
    // Register 8 counts the rounds; the BREAK is on the NOP inside the round.
    Rig r(" DEVICE SX28,TURBO,STACKX_OPTIONX\n RESET start\n ORG 0\n"
          "start INC 8\n BREAK\n NOP\n JMP start\n");
    r.Open();
    // Poll with a breakpoint runs to it again and again until Stop, showing every stop.
    r.Button("PollButton")->click();
    QCOMPARE(r.Mask(), kStopBit);
    for (int i = 0; i < 20; ++i) {
        r.ticks.Advance(40);
        r.debug->TimerTick();
    }
    QCOMPARE(r.Mask(), kStopBit);
    QCOMPARE(r.Pc(), r.record->debug.breakAddress + 1u);
    QVERIFY(r.control.live.Register(0x08) > 5);
    r.Button("StopButton")->click();
    QVERIFY(r.TicksUntilIdle() > 0);

    auto* speed = r.debug->findChild<QComboBox*>(QStringLiteral("UpdateSpeedCB"));
    QCOMPARE(speed->count(), 11);
    QCOMPARE(speed->currentText(), QStringLiteral("Max."));
    QCOMPARE(speed->itemText(1), QStringLiteral("10"));
    auto ticksInASecond = [&] {
        int n = 0;
        for (int ms = 0; ms < 1000; ms += 10) {
            r.ticks.Advance(10);
            n += r.debug->PumpTimer();
        }
        return n;
    };
    // The clock stands still but for the hand that moves it; the stopped chip answers at once.
    r.ticks.SetStep(0);
    QCOMPARE(ticksInASecond(), 25);
    speed->setCurrentIndex(10);
    QCOMPARE(speed->currentText(), QStringLiteral("1"));
    QCOMPARE(r.debug->Session().timer.Interval(), 1000u);
    QCOMPARE(ticksInASecond(), 1);
    speed->setCurrentIndex(1);
    QCOMPARE(r.debug->Session().timer.Interval(), 100u);
}

void DebugWindowsTest::externalPathHidesHopAndJog() {
    int builtInHeight = 0;
    {
        Rig r(kLoop);
        r.Open();
        builtInHeight = r.debug->height();
    }
    Rig r(kLoop);
    r.host.external = true;
    r.Open();
    QVERIFY(!r.Button("HopButton")->isVisible());
    QVERIFY(!r.Button("JogButton")->isVisible());
    QVERIFY(r.debug->height() < builtInHeight);
    QVERIFY(!r.code->isVisible());
    QCOMPARE(r.list.calls, (std::vector<std::string>{"load", "place", "start"}));
    r.Button("CodeButton")->click();
    r.Button("ResetButton")->click();
    QVERIFY(r.TicksUntilIdle() > 0);
    r.Button("QuitButton")->click();
    QCOMPARE(r.list.calls,
             (std::vector<std::string>{"load", "place", "start", "show", "reset", "end"}));

    // A list file that cannot be loaded: the box, and no session.
    Rig failing(kLoop);
    failing.host.external = true;
    failing.list.loads = false;
    failing.debug->show();
    QCoreApplication::processEvents();
    QVERIFY(!failing.debug->isVisible());
    QCOMPARE(failing.prompter.messages.size(), size_t(1));
    QCOMPARE(QString::fromStdString(failing.prompter.messages[0].caption),
             QStringLiteral("CODE WINDOW - LOAD ERROR"));
    QCOMPARE(QString::fromStdString(failing.prompter.messages[0].text),
             QStringLiteral("Couldn't load .LST file.  Code window will not be opened."));
    QVERIFY(!failing.link.PortOpen());
    QVERIFY(failing.host.debugging.empty());
}

void DebugWindowsTest::aClosedPortEndsTheSession() {
    Rig r(kLoop);
    r.Open();
    r.link.ReleaseKey();
    r.ticks.Advance(40);
    r.debug->TimerTick();
    QVERIFY(!r.debug->isVisible());
    QVERIFY(!r.registers->isVisible());
    QCOMPARE(r.host.debugging.back(), false);
}

void DebugWindowsTest::placementsAndResetPositions() {
    Rig r(kWatches);
    r.Open();
    QVERIFY(r.watch->isVisible());
    // The register view to the left of the debug window, the watch view under it, as the
    // rule places them and kept on the screen.
    const QRect d = r.debug->frameGeometry(), reg = r.registers->frameGeometry(),
                w = r.watch->frameGeometry(), c = r.code->frameGeometry();
    const QRect screen = r.debug->screen()->availableGeometry();
    DebugWindowSizes sizes{d.width(),  d.height(), reg.width(),    reg.height(),   w.width(),
                           w.height(), true,       screen.width(), screen.height()};
    DebugPlacement p = PlaceDebugWindows(sizes);
    FitToScreen(p, sizes);
    auto at = [&](const PlacedRect& q) { return QPoint(q.left, q.top) + screen.topLeft(); };
    QCOMPARE(d.topLeft(), at(p.debug));
    QCOMPARE(reg.topLeft(), at(p.registers));
    QCOMPARE(w.topLeft(), at(p.watch));
    QCOMPARE(c.topLeft(), at(p.code));
    QVERIFY(c.height() <= p.code.height); // whole rows only
    QCOMPARE(c.top(), reg.bottom() + 1);
    for (const QRect& f : {d, reg, w, c})
        QVERIFY(screen.contains(f));
    QCOMPARE(r.store.ReadInt(setting::UseRegPositions).value_or(0), 1);
    QVERIFY(r.store.KeyExists(setting::DebugWindow));
    QVERIFY(r.store.KeyExists(setting::RegisterWindow));

    // Moved away, then back by Reset Pos.; No leaves them.
    r.registers->move(5, 5);
    r.prompter.Answer(PromptAnswer::No);
    r.Button("ResetPosButton")->click();
    QCOMPARE(r.registers->frameGeometry().topLeft(), QPoint(5, 5));
    r.Button("ResetPosButton")->click();
    QCOMPARE(r.registers->frameGeometry().topLeft(), reg.topLeft());
    const auto& asked = r.prompter.messages.back();
    QCOMPARE(QString::fromStdString(asked.text),
             QStringLiteral("Are you sure you want to reset the\rdebug windows to the default "
                            "positions?"));
    QCOMPARE(QString::fromStdString(asked.caption), QStringLiteral("WINDOW POSITION RESET"));
    QVERIFY(asked.buttons == PromptButtons::YesNo);

    // With the positions in use, the next opening keeps where the user put them.
    r.Button("QuitButton")->click();
    r.registers->move(7, 9);
    r.debug->show();
    QCOMPARE(r.registers->frameGeometry().topLeft(), QPoint(7, 9));
    MaybeGrab(*r.debug, "debug-window.png");
}

// The first layout goes by the windows' frames: with a title bar and borders around each
// window, nothing covers the register view's rows (the code view starts under its frame),
// all of it is on the screen, and a layout saved for another font size is made anew.
void DebugWindowsTest::placementsByFrameGeometry() {
    Rig r(kWatches);
    const QMargins frame(4, 24, 4, 4);
    r.debug->SetFrameOf([frame](const QWidget&) { return frame; });
    r.Open();
    auto outer = [&](QWidget& w) { return w.geometry().marginsAdded(frame); };
    const QRect screen = r.debug->screen()->availableGeometry();
    QRect regs = r.registers->geometry(); // the rows: M, W, INT and SKIP at its bottom
    QCOMPARE(outer(*r.code).top(), outer(*r.registers).bottom() + 1);
    for (QWidget* w : {static_cast<QWidget*>(r.debug.get()), static_cast<QWidget*>(r.code.get()),
                       static_cast<QWidget*>(r.watch.get())}) {
        QVERIFY2(!outer(*w).intersects(regs), qPrintable(w->objectName()));
        QVERIFY2(screen.contains(outer(*w)), qPrintable(w->objectName()));
    }
    QVERIFY(screen.contains(outer(*r.registers)));
    QCOMPARE(r.store.ReadInt("DebugWindow\\LayoutFontSize").value_or(0),
             DefaultViewFont().pointSize());

    // The same layout is kept while the font stays ...
    r.Button("QuitButton")->click();
    r.watch->move(r.watch->x() + 3, r.watch->y());
    const QPoint moved = r.watch->pos();
    r.debug->show();
    QCOMPARE(r.watch->pos(), moved);
    // ... and made anew for a larger one, which makes the register view bigger.
    r.Button("QuitButton")->click();
    r.host.font.setPointSize(16);
    r.debug->show();
    QVERIFY(r.registers->geometry().height() > regs.height());
    regs = r.registers->geometry();
    for (QWidget* w : {static_cast<QWidget*>(r.debug.get()), static_cast<QWidget*>(r.code.get()),
                       static_cast<QWidget*>(r.watch.get())})
        QVERIFY2(!outer(*w).intersects(regs), qPrintable(w->objectName()));
    QCOMPARE(r.store.ReadInt("DebugWindow\\LayoutFontSize").value_or(0), 16);
    // Where the user puts a window over the register view, it stays: it is their layout.
    r.Button("QuitButton")->click();
    r.code->move(r.registers->pos());
    r.debug->show();
    QCOMPARE(r.code->pos(), r.registers->pos());
    // A layout of an older version, which did not say for which font: made anew when the
    // register view is covered.
    r.Button("QuitButton")->click();
    r.store.ints.erase("DebugWindow\\LayoutFontSize");
    r.debug->show();
    QVERIFY(!outer(*r.code).intersects(r.registers->geometry()));
}

// The clamp itself: windows larger than the screen, and no room below the register view.
void DebugWindowsTest::placementsStayOnTheScreen() {
    DebugWindowSizes s{300, 200, 400, 700, 500, 100, true, 1024, 768};
    DebugPlacement p = PlaceDebugWindows(s);
    FitToScreen(p, s);
    for (const PlacedRect& q : {p.debug, p.registers, p.watch, p.code}) {
        QVERIFY(q.left >= 0 && q.top >= 0);
        QVERIFY(q.left + q.width <= s.screenWidth);
        QVERIFY(q.top + q.height <= s.screenHeight);
    }
    // The register view is 700 high: too little room under it, so the code view goes
    // beside it, right of the debug and watch windows, without covering it.
    QVERIFY(p.code.height >= kMinCodeViewHeight);
    QCOMPARE(p.code.top, p.registers.top);
    QVERIFY(p.code.left >= p.registers.left + p.registers.width ||
            p.code.left + p.code.width <= p.registers.left);
    // A roomy screen leaves the rule's placement as it is.
    DebugWindowSizes big{300, 200, 400, 300, 200, 100, true, 1920, 1080};
    DebugPlacement q = PlaceDebugWindows(big);
    DebugPlacement fitted = q;
    FitToScreen(fitted, big);
    QCOMPARE(fitted.debug, q.debug);
    QCOMPARE(fitted.registers, q.registers);
    QCOMPARE(fitted.code, q.code);
    QCOMPARE(fitted.watch, q.watch);
    // No room for the debug window beside the register view: it goes under it, at the
    // right, with the code view left of it; a window wider than the screen keeps its left
    // edge on it.
    for (int registerWidth : {548, 900}) {
        DebugWindowSizes narrow{274, 226, registerWidth, 336, 150, 141, true, 800, 800};
        DebugPlacement n = PlaceDebugWindows(narrow);
        FitToScreen(n, narrow);
        QCOMPARE(n.registers.left, 0);
        QCOMPARE(n.debug.top, n.registers.top + n.registers.height);
        QCOMPARE(n.debug.left + n.debug.width, 800);
        QCOMPARE(n.watch.top, n.debug.top + n.debug.height);
        QCOMPARE(n.code.top, n.debug.top);
        QVERIFY(n.code.left + n.code.width <= n.debug.left);
        QVERIFY(n.code.width <= 800);
    }
}

// One narrow watch: the window is still wide enough for the title bar to show "Watch",
// and the value keeps to the right edge.
void DebugWindowsTest::watchWindowShowsItsCaption() {
    Rig r(R"(
 DEVICE SX28,TURBO,STACKX_OPTIONX
 FREQ 4_000_000
 RESET start
 ORG 8
b DS 1
 WATCH b,1,UBIN
 ORG 0
start MOV b,#1
 BREAK
done JMP done
)");
    r.Open();
    TWatchForm& w = *r.watch;
    QVERIFY(w.isVisible());
    QCOMPARE(w.windowTitle(), QStringLiteral("Watch"));
    QFont title = QApplication::font();
    title.setBold(true);
    QVERIFY(w.width() >= QFontMetrics(title).horizontalAdvance(QStringLiteral("Watch")) + 150);
    QCOMPARE(w.Layout().clientWidth, w.width());
    QCOMPARE(w.Layout().ValueRight(), w.width() - w.Layout().charWidth);
}

void DebugWindowsTest::registerColoursAndFraming() {
    Rig r(R"(
 DEVICE SX28,TURBO,STACKX_OPTIONX
 FREQ 4_000_000
 RESET start
 ORG 0
start MOV FSR,#$35
 MOV IND,#$11
 MOV W,#$22
 BREAK
 NOP
done JMP done
)");
    r.Open();
    r.Button("RunButton")->click();
    QVERIFY(r.TicksUntilIdle() > 0);
    QCOMPARE(r.control.live.Register(4), uint8_t(0x35));
    // What the run changed is red, in the other banks maroon; IND's target is framed.
    QCOMPARE(int(r.RegisterColor(0x35)), int(CellColor::Changed));
    QVERIFY(r.RegisterCell(0x35)->frame);
    QCOMPARE(int(r.RegisterColor(4)), int(CellColor::Changed));
    QCOMPARE(int(r.RegisterColor(0x36)), int(CellColor::Normal));
    QCOMPARE(int(r.RegisterColor(0x56)), int(CellColor::OtherBank));
    QCOMPARE(int(r.RegisterColor(0x16)), int(CellColor::OtherBank));
    QCOMPARE(int(r.RegisterColor(0x05)), int(CellColor::Normal));
    // Still red after a repaint that the user asked for.
    r.Button("RegistersButton")->click();
    QCOMPARE(int(r.RegisterColor(0x35)), int(CellColor::Changed));
    MaybeGrab(*r.registers, "registers-changed.png");
    // The next stop clears it: nothing changed since.
    r.Button("StepButton")->click();
    QVERIFY(r.TicksUntilIdle() > 0);
    QCOMPARE(int(r.RegisterColor(0x35)), int(CellColor::Normal));
    QVERIFY(r.registers->LastRepaintCount() < 20);
}

void DebugWindowsTest::typingIntoRegisters() {
    Rig r(kLoop);
    r.Open();
    TRegisterForm& f = *r.registers;
    // "7", "A" into 0x10 and Enter: the chip holds 0x7A, the cursor stays.
    QTest::mouseClick(&f, Qt::LeftButton, {}, f.ValuePoint(0x10));
    QCOMPARE(f.Surface().editing, 0x10);
    QCOMPARE(int(r.RegisterColor(0x10)), int(CellColor::Cursor));
    QTest::keyClick(&f, Qt::Key_7);
    QTest::keyClick(&f, Qt::Key_A);
    QTest::keyClick(&f, Qt::Key_Return);
    QCOMPARE(r.control.live.Register(0x10), uint8_t(0x7A));
    QCOMPARE(f.Surface().editing, 0x10);
    // Escape drops what was typed.
    QTest::keyClick(&f, Qt::Key_3);
    QTest::keyClick(&f, Qt::Key_Escape);
    QCOMPARE(r.control.live.Register(0x10), uint8_t(0x7A));
    // M takes one digit on family 0; moving on commits what was typed.
    QTest::mouseClick(&f, Qt::LeftButton, {}, f.ValuePoint(kRegisterM));
    QTest::keyClick(&f, Qt::Key_A);
    QTest::keyClick(&f, Qt::Key_Down);
    QCOMPARE(r.control.live.Register(kRegisterM), uint8_t(0x0A));
    QCOMPARE(f.Surface().editing, kRegisterW);
    QTest::keyClick(&f, Qt::Key_Up);
    QCOMPARE(f.Surface().editing, kRegisterM);
    // Clicking elsewhere commits too.
    QTest::mouseClick(&f, Qt::LeftButton, {}, f.ValuePoint(0x08));
    QTest::keyClick(&f, Qt::Key_5);
    QTest::mouseClick(&f, Qt::LeftButton, {}, f.ValuePoint(0x09));
    QCOMPARE(r.control.live.Register(0x08), uint8_t(0x05));
    // The cursor blinks every fourth tick of its timer.
    QCOMPARE(int(r.RegisterColor(0x09)), int(CellColor::Cursor));
    for (int i = 0; i < 4; ++i)
        f.CursorTimerTick();
    QVERIFY(r.RegisterColor(0x09) != CellColor::Cursor);
    QTest::keyClick(&f, Qt::Key_Escape);

    // While the chip runs, clicks do nothing.
    r.Button("RunButton")->click();
    QTest::mouseClick(&f, Qt::LeftButton, {}, f.ValuePoint(0x10));
    QCOMPARE(f.Surface().editing, -1);
}

void DebugWindowsTest::bitsFlagsAndTheStrip() {
    Rig r(kLoop);
    r.Open();
    TRegisterForm& f = *r.registers;
    const uint8_t status = r.control.live.Register(3);
    QTest::mouseClick(&f, Qt::LeftButton, {}, f.BitPoint(3, 0));
    QCOMPARE(r.control.live.Register(3), uint8_t(status ^ 1));
    // SKIP: the line after the program counter is the current one in the strip and the
    // code view.
    r.Button("StepButton")->click();
    QVERIFY(r.TicksUntilIdle() > 0);
    QCOMPARE(r.Pc(), 0u);
    QTest::mouseClick(&f, Qt::LeftButton, {}, f.FlagPoint(kFlagSkip));
    QCOMPARE(int(r.control.live.skipFlag), 1);
    QCOMPARE(r.code->Marks().next, r.LineOf(1));
    bool current = false;
    for (const PaintCell& c : f.Cells())
        if (c.kind == CellKind::StripText && c.color == CellColor::Current)
            current = f.Surface().StripAddress(c.index) == 1;
    QVERIFY(current);
    QTest::mouseClick(&f, Qt::LeftButton, {}, f.FlagPoint(kFlagSkip));
    QCOMPARE(int(r.control.live.skipFlag), 0);

    // A strip line sets the breakpoint, again clears it; "(unused)" lines do not.
    QCOMPARE(r.control.live.breakpoint, 4u);
    const int line = 2 - f.Surface().StripTop();
    QCOMPARE(f.Surface().StripAddress(line), 2);
    QTest::mouseClick(&f, Qt::LeftButton, {}, f.StripPoint(line));
    QCOMPARE(r.control.live.breakpoint, 2u);
    QTest::mouseClick(&f, Qt::LeftButton, {}, f.StripPoint(line));
    QCOMPARE(r.control.live.breakpoint, kNoBreakpoint);
    QCOMPARE(r.Mask(), kIdleButtons);
    const int unused = 16;
    QCOMPARE(r.record->assembled.Written(f.Surface().StripAddress(unused)), false);
    QTest::mouseClick(&f, Qt::LeftButton, {}, f.StripPoint(unused));
    QCOMPARE(r.control.live.breakpoint, kNoBreakpoint);
    // A double click moves the program counter there.
    DoubleClick(&f, f.StripPoint(line));
    QCOMPARE(r.Pc(), 2u);
    QCOMPARE(r.control.live.breakpoint, kNoBreakpoint);

    // The wheel moves the strip five lines a notch.
    const int top = f.Surface().StripTop();
    QWheelEvent wheel(QPointF(f.StripPoint(3)), f.mapToGlobal(QPointF(f.StripPoint(3))), QPoint(),
                      QPoint(0, -120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&f, &wheel);
    QCOMPARE(f.Surface().StripTop(), top + 5);
}

void DebugWindowsTest::familyOneRegisters() {
    Rig r(" DEVICE SX52\n RESET start\n ORG 0\nstart NOP\n JMP start\n");
    std::vector<QString> hints;
    r.registers->showHint = [&](const QString& text, QPoint, int ms) {
        hints.push_back(text);
        QCOMPARE(ms, 4000);
    };
    r.Open();
    TRegisterForm& f = *r.registers;
    QCOMPARE(f.Surface().BankColumns().size(), size_t(15));
    QCOMPARE(f.Surface().BankColumns().front(), 0x10);
    QCOMPARE(r.Pc(), 0xFFFu);
    // A first digit up to 0x1F; two digits of M, which cannot be typed into.
    QTest::mouseClick(&f, Qt::LeftButton, {}, f.ValuePoint(0xF0));
    QTest::keyClick(&f, Qt::Key_1);
    QTest::keyClick(&f, Qt::Key_F);
    QTest::keyClick(&f, Qt::Key_Return);
    QCOMPARE(r.control.live.Register(0xF0), uint8_t(0x1F));
    QTest::keyClick(&f, Qt::Key_Escape);
    const uint8_t m = r.control.live.Register(kRegisterM);
    QTest::mouseClick(&f, Qt::LeftButton, {}, f.ValuePoint(kRegisterM));
    QCOMPARE(hints, std::vector<QString>{QStringLiteral("M is read-only during debug on SX48/52")});
    QTest::keyClick(&f, Qt::Key_3);
    QTest::keyClick(&f, Qt::Key_Return);
    QCOMPARE(r.control.live.Register(kRegisterM), m);
    QTest::keyClick(&f, Qt::Key_Escape);
    // What the user wrote into a bank FSR does not select shows in maroon until the next stop.
    QCOMPARE(int(r.control.live.Register(4) & 0xF0), 0);
    QCOMPARE(int(r.RegisterColor(0xF0)), int(CellColor::OtherChanged));
    QCOMPARE(int(r.RegisterColor(0x0F)), int(CellColor::Normal));
    r.Button("StepButton")->click();
    QVERIFY(r.TicksUntilIdle() > 0);
    QCOMPARE(int(r.RegisterColor(0xF0)), int(CellColor::OtherBank));
}

void DebugWindowsTest::watchDisplays() {
    Rig r(kWatches);
    r.Open();
    QVERIFY(r.Button("WatchButton")->isEnabled());
    r.Button("RunButton")->click();
    QVERIFY(r.TicksUntilIdle() > 0);
    const auto& cells = r.watch->Cells();
    QCOMPARE(cells.size(), size_t(6));
    QCOMPARE(QString::fromStdString(cells[0].text), QStringLiteral("12_345"));
    QCOMPARE(QString::fromStdString(cells[1].text), QStringLiteral("-$02"));
    QCOMPARE(QString::fromStdString(cells[2].text), QStringLiteral("%11_1111"));
    QCOMPARE(QString::fromStdString(cells[3].text), QStringLiteral("'AB'"));
    QCOMPARE(QString::fromStdString(cells[4].text), QStringLiteral("$3039"));
    QCOMPARE(QString::fromStdString(cells[5].text), QStringLiteral("-2"));
    QCOMPARE(int(cells[0].color), int(CellColor::Changed));
    r.Button("StepButton")->click();
    QVERIFY(r.TicksUntilIdle() > 0);
    QCOMPARE(int(r.watch->Cells()[0].color), int(CellColor::Normal));
    QCOMPARE(r.watch->LastRepaintCount(), 6); // the red goes
    r.Button("StepButton")->click();
    QVERIFY(r.TicksUntilIdle() > 0);
    QCOMPARE(r.watch->LastRepaintCount(), 0);
}

void DebugWindowsTest::watchEntries() {
    Rig r(kWatches);
    r.Open();
    r.Button("RunButton")->click();
    QVERIFY(r.TicksUntilIdle() > 0);
    TWatchForm& w = *r.watch;
    auto type = [&](const char* text) {
        for (const char* p = text; *p; ++p)
            QTest::keyClicks(&w, QString(QLatin1Char(*p)));
    };
    // "$1_F" into the hex watch of big.
    QTest::mouseClick(&w, Qt::LeftButton, {}, w.ValuePoint(4));
    QCOMPARE(w.Editor().index, 4);
    type("$1_F");
    QCOMPARE(QString::fromStdString(w.Cells()[4].text), QStringLiteral("$1_F"));
    MaybeGrab(w, "watch-editing.png");
    QTest::keyClick(&w, Qt::Key_Return);
    QCOMPARE(r.control.live.Register(0x08), uint8_t(0x1F));
    QCOMPARE(r.control.live.Register(0x09), uint8_t(0x00));
    QCOMPARE(QString::fromStdString(w.Cells()[0].text), QStringLiteral("31"));
    // "1F" is decimal and not a number: the box, and nothing written.
    type("1F");
    QTest::keyClick(&w, Qt::Key_Return);
    QCOMPARE(QString::fromStdString(r.prompter.messages.back().text),
             QStringLiteral("Invalid constant entry"));
    QCOMPARE(r.control.live.Register(0x08), uint8_t(0x1F));
    QCOMPARE(QString::fromStdString(w.Cells()[4].text), QStringLiteral("$001F"));
    // "-1" into the 8-bit SDEC watch writes one register; Down wraps to the first watch.
    QTest::keyClick(&w, Qt::Key_Down);
    QCOMPARE(w.Editor().index, 5);
    type("-1");
    QTest::keyClick(&w, Qt::Key_Down);
    QCOMPARE(w.Editor().index, 0);
    QCOMPARE(r.control.live.Register(0x0A), uint8_t(0xFF));
    QCOMPARE(r.control.live.Register(0x0B), uint8_t(0xFC));
    // Backspace on the untouched text does nothing; Escape abandons.
    QTest::keyClick(&w, Qt::Key_Backspace);
    QCOMPARE(QString::fromStdString(w.Editor().buffer), QStringLiteral("31"));
    type("99");
    QTest::keyClick(&w, Qt::Key_Escape);
    QCOMPARE(r.control.live.Register(0x08), uint8_t(0x1F));
    // A string watch: the characters, then zeros.
    QTest::mouseClick(&w, Qt::LeftButton, {}, w.ValuePoint(3));
    type("Z");
    QTest::keyClick(&w, Qt::Key_Return);
    QCOMPARE(r.control.live.Register(0x0C), uint8_t('Z'));
    QCOMPARE(r.control.live.Register(0x0D), uint8_t(0));
    QCOMPARE(r.control.live.Register(0x0F), uint8_t(0));
    QCOMPARE(QString::fromStdString(w.Cells()[3].text), QStringLiteral("'Z'"));
}

void DebugWindowsTest::codeViewMarksAndClicks() {
    Rig r(kLoop);
    r.Open();
    TCodeForm& c = *r.code;
    auto rowOf = [&](int line) { return c.RowPoint(line - c.Position()); };
    // A comment line: nothing. An instruction line toggles; a two-word line gives its first.
    int comment = r.LineOf(2) - 1;
    QVERIFY(AddressOfLine(r.record->debug, comment, 2048) < 0);
    const uint32_t before = r.control.live.breakpoint;
    QTest::mouseClick(&c, Qt::LeftButton, {}, rowOf(comment));
    QCOMPARE(r.control.live.breakpoint, before);
    QTest::mouseClick(&c, Qt::LeftButton, {}, rowOf(r.LineOf(0)));
    QCOMPARE(r.control.live.breakpoint, 0u);
    QCOMPARE(c.Marks().breakLine, r.LineOf(0));
    QTest::mouseClick(&c, Qt::LeftButton, {}, rowOf(r.LineOf(0)));
    QCOMPARE(r.control.live.breakpoint, kNoBreakpoint);
    // A double click moves the program counter, and leaves the breakpoint as it was.
    DoubleClick(&c, rowOf(r.LineOf(2)));
    QCOMPARE(r.Pc(), 2u);
    QCOMPARE(r.control.live.breakpoint, kNoBreakpoint);
    QCOMPARE(c.Marks().next, r.LineOf(2));
    QVERIFY(!c.LastDrawnRows().empty());
}

void DebugWindowsTest::codeViewShortListingAndScrolling() {
    {
        Rig r(kLoop);
        r.code->resize(500, 600);
        r.Open();
        QVERIFY(r.code->Rows() == r.record->debug.lineCount - 1);
        QVERIFY(!r.code->ScrollBar()->isVisible());
    }
    // A long listing: a scroll bar, the wheel, and no move for a line already in view.
    std::string source = " DEVICE SX28,TURBO\n RESET start\n ORG 0\nstart NOP\n";
    for (int i = 0; i < 200; ++i)
        source += " NOP\n";
    source += " JMP start\n";
    Rig r(source.c_str());
    r.code->resize(500, 300);
    r.Open();
    TCodeForm& c = *r.code;
    QVERIFY(c.ScrollBar()->isVisible());
    QCOMPARE(c.height(), c.Rows() * c.RowHeight());
    c.ScrollTo(100);
    const int p = c.Position();
    QVERIFY(r.LineOf(100) - p >= c.Rows() / 4);
    const int middle = AddressOfLine(r.record->debug, p + c.Rows() / 2, 2048);
    QVERIFY(middle > 0);
    c.ScrollTo(uint32_t(middle));
    QCOMPARE(c.Position(), p);
    QWheelEvent wheel(QPointF(10, 10), c.mapToGlobal(QPointF(10, 10)), QPoint(), QPoint(0, -120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(&c, &wheel);
    QCOMPARE(c.Position(), p + c.Rows() / 8 + 1);
    // Running: the view follows the program counter.
    r.Button("WalkButton")->click();
    for (int i = 0; i < 60; ++i) {
        r.ticks.Advance(40);
        r.debug->TimerTick();
    }
    r.Button("StopButton")->click();
    QVERIFY(r.TicksUntilIdle() > 0);
    const int next = c.Marks().next;
    QVERIFY(next >= c.Position() && next < c.Position() + c.Rows());
    MaybeGrab(c, "code-view.png");
}

void DebugWindowsTest::compilerModeCaption() {
    Rig r(kLoop);
    r.code->SetCompilerMode(true, "/some/where/prog.cod");
    r.code->show();
    QCOMPARE(r.code->windowTitle(), QStringLiteral("prog.cod -  Code"));
    r.code->hide();
    r.code->SetCompilerMode(false, "");
    r.code->show();
    QCOMPARE(r.code->windowTitle(), QStringLiteral("Code"));
    r.code->hide();

    // Whole lines in the source column's colours: at the breakpoint the next-instruction
    // blue runs from the left edge.
    r.code->SetCompilerMode(true, "/some/where/prog.cod");
    r.Open();
    r.Button("RunButton")->click();
    QVERIFY(r.TicksUntilIdle() > 0);
    r.control.ToggleBreakpoint(int(r.Pc()));
    const CodeMarks m = r.code->Marks();
    QCOMPARE(m.next, m.breakLine);
    const QImage shot = r.code->grab().toImage();
    const int y = (m.next - r.code->Position()) * r.code->RowHeight() + r.code->RowHeight() / 2;
    QCOMPARE(shot.pixelColor(1, y), QColor(Qt::blue));
    QCOMPARE(shot.pixelColor(1, y - r.code->RowHeight()), r.code->palette().color(QPalette::Base));
}

QTEST_MAIN(DebugWindowsTest)
#include "DebugWindowsTest.moc"
