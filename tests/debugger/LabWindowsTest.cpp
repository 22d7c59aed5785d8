// The virtual lab's windows on the in-process virtual key: the Pins window (clicks, the
// pulse, its menu, marks of pins that moved), the debug window's lab row (stimulus files,
// a VCD trace, the time in the status line) and the lab windows' placements. The timer is
// ticked by hand on a fake clock.
#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include <fstream>
#include <memory>
#include <sstream>

#include "DebugWindowRig.h"
#include "debugger/ui/PinsForm.h"

using namespace pellix;
using pellix::test::MaybeGrab;

namespace {

// RC follows RB: RC.0-RC.3 outputs, RB all inputs with the pull-up on RB.7.
const char* kMirror = R"(
 DEVICE SX28,TURBO,STACKX_OPTIONX
 FREQ 4_000_000
 RESET start
 ORG 0
start MODE $0F
 MOV W,#$F0
 MOV !RC,W
 MODE $0E
 MOV W,#$7F
 MOV !RB,W
loop MOV W,RB
 MOV RC,W
 JMP loop
)";

const LabPin kRB0 = LabPin::PortPin(1, 0);
const LabPin kRB1 = LabPin::PortPin(1, 1);
const LabPin kRB7 = LabPin::PortPin(1, 7);
const LabPin kRC1 = LabPin::PortPin(2, 1);

struct Counter final : LabView {
    std::vector<VirtualChip*> chips;
    int refreshes = 0;
    void LabChipChanged(VirtualChip* chip) override { chips.push_back(chip); }
    void LabRefresh() override { ++refreshes; }
};

struct Rig : test::DebugWindowRig {
    explicit Rig(const char* source, bool virtualKey = true) : DebugWindowRig(source, false) {
        // A real key's session has no chip to show.
        debug->SetLabChipSource([this, virtualKey] { return virtualKey ? &key.Chip() : nullptr; });
        pins = std::make_unique<PinsForm>();
        debug->AddLabWindow(*pins, *pins, "PinsButton", QStringLiteral("Pins"), 0, "PinsWindow");
    }
    ~Rig() {
        debug->hide();
        debug->RemoveLabWindow(*pins);
    }

    QAction* LabItem(const char* name) {
        return debug->findChild<QMenu*>(QStringLiteral("LabMenu"))
            ->findChild<QAction*>(QString::fromLatin1(name));
    }
    QString LabStatus() {
        return debug->findChild<QLabel*>(QStringLiteral("LabStatusPanel"))->text();
    }
    void Tick(int n = 1) {
        for (int i = 0; i < n; ++i) {
            ticks.Advance(40);
            debug->TimerTick();
        }
    }
    void Open() {
        debug->show();
        Tick(); // the first stop, at the reset vector
    }
    // Runs freely for n ticks of 40 ms on the key's clock.
    void RunFor(int n) {
        Button("RunButton")->click();
        Tick(n);
    }
    void Stop() {
        Button("StopButton")->click();
        Tick(2);
    }
    void ClickPin(const LabPin& pin) {
        QTest::mouseClick(pins->View(), Qt::LeftButton, {}, pins->CellRect(pin).center());
    }
    const PinCell& Cell(const LabPin& pin) { return *pins->Model().Cell(pin); }

    std::unique_ptr<PinsForm> pins;
};

std::string ReadFile(const QString& path) {
    std::ifstream in(path.toStdString(), std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

void WriteFile(const QString& path, const std::string& text) {
    std::ofstream(path.toStdString(), std::ios::binary) << text;
}

} // namespace

class LabWindowsTest : public QObject {
    Q_OBJECT
private slots:
    void theLabRowOnlyOnTheVirtualKey();
    void clickingInputsDrivesThemInTurn();
    void aPulseAndThePinMenu();
    void pinsThatMoveAreMarked();
    void stimulusLoadedFromTheDebugWindow();
    void aTraceToAChosenFile();
    void labWindowsKeepOffTheRegisterView();
};

void LabWindowsTest::theLabRowOnlyOnTheVirtualKey() {
    {
        Rig r(kMirror, false);
        Counter counter;
        QWidget window;
        r.debug->AddLabWindow(window, counter, "OtherButton", QStringLiteral("Other"), 1);
        r.Open();
        QVERIFY(!r.Button("PinsButton")->isVisible());
        QVERIFY(!r.Button("OtherButton")->isVisible());
        QVERIFY(!r.Button("LabButton")->isVisible());
        QVERIFY(!r.debug->findChild<QLabel*>(QStringLiteral("LabStatusPanel"))->isVisible());
        QCOMPARE(r.debug->LabChip(), nullptr);
        QCOMPARE(counter.refreshes, 0);
        r.debug->RemoveLabWindow(counter);
        QVERIFY(!r.Button("OtherButton"));
    }
    Rig r(kMirror);
    Counter counter;
    QWidget window;
    r.debug->AddLabWindow(window, counter, "OtherButton", QStringLiteral("Other"), 1);
    QCOMPARE(counter.chips, std::vector<VirtualChip*>{nullptr});
    r.Open();
    QCOMPARE(r.debug->LabChip(), &r.key.Chip());
    QCOMPARE(counter.chips.back(), &r.key.Chip());
    for (const char* b : {"PinsButton", "OtherButton", "LabButton"})
        QVERIFY2(r.Button(b)->isVisible(), b);
    // Refreshed at the update speed while the chip runs, and after each button.
    const int before = counter.refreshes;
    r.RunFor(10);
    QVERIFY(counter.refreshes >= before + 10);
    QVERIFY(r.LabStatus().endsWith(QStringLiteral(" cycles")));
    // The button shows the window.
    r.Button("OtherButton")->click();
    QVERIFY(window.isVisible());
    MaybeGrab(*r.debug, "lab-debug-window.png");
    // The session ends: the views let go of the chip.
    r.Button("QuitButton")->click();
    QCOMPARE(counter.chips.back(), nullptr);
    QVERIFY(!r.Button("PinsButton")->isVisible());
    r.debug->RemoveLabWindow(counter);
}

void LabWindowsTest::clickingInputsDrivesThemInTurn() {
    Rig r(kMirror);
    r.Open();
    r.Button("PinsButton")->click();
    QVERIFY(r.pins->isVisible());
    QCOMPARE(r.pins->windowTitle(), QStringLiteral("Pins"));
    QCOMPARE(r.pins->objectName(), QStringLiteral("PinsForm"));
    // The SX28's ports: RA (four pins), RB, RC, and the RTCC and reset pins.
    const auto& groups = r.pins->Model().Groups();
    QCOMPARE(int(groups.size()), 4);
    QCOMPARE(int(groups[0].pins.size()), 4);
    QCOMPARE(groups[1].pins.front().name, std::string("RB.7"));
    QCOMPARE(groups[3].pins.back().name, std::string("MCLR"));
    r.RunFor(2);
    r.Stop();
    QVERIFY(!r.Cell(kRB1).output);
    QVERIFY(r.Cell(kRC1).output);
    QVERIFY(r.Cell(kRB1).floating);
    QVERIFY(r.Cell(kRB7).pullUp);
    QVERIFY(!r.Cell(kRB7).floating);
    QVERIFY(r.Cell(kRB7).level);

    // High, low, floating, in that order, each at the chip's time now, and the program
    // copies the level to RC.1 once it runs.
    const PinLevel expected[] = {PinLevel::High, PinLevel::Low, PinLevel::Floating};
    for (PinLevel level : expected) {
        r.ClickPin(kRB1);
        QCOMPARE(r.Cell(kRB1).driven, level);
        QCOMPARE(r.key.Chip().Lab().Pin(kRB1).driven, level);
        r.RunFor(1);
        r.Stop();
        QCOMPARE(r.Cell(kRC1).level, level == PinLevel::High);
        if (level == PinLevel::High) MaybeGrab(*r.pins, "pins-window.png");
    }
    // An output is the program's: a click changes nothing.
    r.ClickPin(kRC1);
    QCOMPARE(r.Cell(kRC1).driven, PinLevel::Floating);
    QVERIFY(r.prompter.messages.empty());
}

void LabWindowsTest::aPulseAndThePinMenu() {
    Rig r(kMirror);
    r.Open();
    r.Button("PinsButton")->click();
    r.RunFor(1);
    r.Stop();
    // The menu drives any level; its checks say which is driven.
    QMenu* menu = r.pins->PinMenu(kRB0);
    QVERIFY(menu);
    menu->findChild<QAction*>(QStringLiteral("DriveLowItem"))->trigger();
    QCOMPARE(r.Cell(kRB0).driven, PinLevel::Low);
    menu = r.pins->PinMenu(kRB0);
    QVERIFY(menu->findChild<QAction*>(QStringLiteral("DriveLowItem"))->isChecked());
    QVERIFY(!menu->findChild<QAction*>(QStringLiteral("DriveHighItem"))->isChecked());

    // Pulse on click: the other level for the pulse's length, then back to low.
    menu->findChild<QAction*>(QStringLiteral("PulseOnClickItem"))->setChecked(true);
    QVERIFY(r.Cell(kRB0).pulse);
    r.pins->Model().pulseMicroseconds = 5'000;
    const uint64_t start = r.key.Chip().Lab().Now();
    r.ClickPin(kRB0);
    QCOMPARE(r.Cell(kRB0).driven, PinLevel::High);
    QVERIFY(r.Cell(kRB0).level);
    int watch = r.key.Chip().Lab().WatchPin(kRB0, [&](const LabPin&, char value, uint64_t cycle) {
        if (value == '0') QCOMPARE(cycle, start + 20'000u); // 5 ms at 4 MHz
    });
    r.RunFor(1); // 40 ms: the pulse is over
    r.Stop();
    r.key.Chip().Lab().Unwatch(watch);
    QCOMPARE(r.Cell(kRB0).driven, PinLevel::Low);
    QVERIFY(!r.Cell(kRB0).level);
    // Off again: a click drives the next level.
    r.pins->PinMenu(kRB0)
        ->findChild<QAction*>(QStringLiteral("PulseOnClickItem"))
        ->setChecked(false);
    r.ClickPin(kRB0);
    QCOMPARE(r.Cell(kRB0).driven, PinLevel::Floating);
}

void LabWindowsTest::pinsThatMoveAreMarked() {
    // RB.0 toggles every few cycles.
    Rig r(" DEVICE SX28,TURBO,STACKX_OPTIONX\n FREQ 4_000_000\n RESET start\n ORG 0\n"
          "start MODE $0F\n MOV W,#$FE\n MOV !RB,W\nloop XOR RB,#1\n JMP loop\n");
    r.Open();
    r.Button("PinsButton")->click();
    r.RunFor(3);
    QVERIFY(r.Cell(kRB0).edges > 1000);
    QVERIFY(r.Cell(kRB0).output);
    QCOMPARE(r.Cell(kRB1).edges, 0u);
    // Stopped, nothing moves: the mark goes at the next look and nothing is painted after.
    r.Stop();
    QCOMPARE(r.Cell(kRB0).edges, 0u);
    QCoreApplication::processEvents();
    const int painted = r.pins->Repaints();
    r.Tick(5);
    QCoreApplication::processEvents();
    QCOMPARE(r.pins->Repaints(), painted);
    // Hidden, the window costs the chip nothing: no edges counted.
    r.pins->hide();
    QVERIFY(!r.key.Chip().Lab().CountingEdges());
    r.Button("PinsButton")->click();
    QVERIFY(r.key.Chip().Lab().CountingEdges());
}

void LabWindowsTest::stimulusLoadedFromTheDebugWindow() {
    QTemporaryDir dir;
    const QString good = dir.filePath(QStringLiteral("press.stim"));
    const QString bad = dir.filePath(QStringLiteral("bad.stim"));
    WriteFile(good,
              "# RB.1 high after 300 ms, low again after 600 ms\n300ms RB.1 1\n600 ms RB.1 0\n");
    WriteFile(bad, "10ms RB.1 1\n20ms RD.0 1\n");
    Rig r(kMirror);
    r.Open();
    r.Button("PinsButton")->click();
    QVERIFY(r.Button("LabButton")->isVisible());
    r.prompter.AnswerFile(bad.toStdString());
    r.LabItem("LoadStimulusItem")->trigger();
    QCOMPARE(r.prompter.dialogs.back().caption, std::string("Load Stimulus File"));
    QCOMPARE(int(r.prompter.messages.size()), 1);
    QVERIFY(r.prompter.messages[0].text.find("bad.stim:2: this chip has no pin RD.0") !=
            std::string::npos);
    QVERIFY(r.debug->Lab().StimulusFiles().empty());
    r.prompter.AnswerFile(good.toStdString());
    r.LabItem("LoadStimulusItem")->trigger();
    QCOMPARE(int(r.prompter.messages.size()), 1);
    QCOMPARE(int(r.debug->Lab().StimulusFiles().size()), 1);
    // The file drives RB.1 from the key's reset; the program copies it to RC.1. At 4 MHz:
    // high from cycle 1 200 000 (300 ms) to 2 400 000 (600 ms).
    auto expected = [&r] {
        const uint64_t t = r.debug->Lab().CyclesSinceReset();
        return t >= 1'200'000 && t < 2'400'000;
    };
    int high = 0;
    for (int i = 0; i < 12; ++i) {
        r.RunFor(1);
        r.Stop();
        QCOMPARE(r.Cell(kRB1).level, expected());
        QCOMPARE(r.Cell(kRC1).level, expected());
        high += expected();
    }
    QVERIFY(high > 0 && high < 12);
    // Reset plays it again from the reset.
    r.Button("ResetButton")->click();
    r.Tick(2);
    QCOMPARE(r.Cell(kRB1).driven, PinLevel::Floating);
    QVERIFY(r.debug->Lab().CyclesSinceReset() < 4'000u);
    while (r.debug->Lab().CyclesSinceReset() < 1'300'000) {
        r.RunFor(1);
        r.Stop();
    }
    QVERIFY(r.Cell(kRC1).level);
    MaybeGrab(*r.pins, "pins-stimulus.png");
    // Unloaded, it lets go of its pins.
    r.LabItem("ClearStimuliItem")->trigger();
    QCOMPARE(r.Cell(kRB1).driven, PinLevel::Floating);
}

void LabWindowsTest::aTraceToAChosenFile() {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("run.vcd"));
    Rig r(kMirror);
    r.Open();
    r.prompter.AnswerFile(path.toStdString());
    r.LabItem("StartTraceItem")->trigger();
    QCOMPARE(r.prompter.dialogs.back().defaultExtension, std::string("vcd"));
    QVERIFY(r.debug->Lab().Tracing());
    QVERIFY(r.LabStatus().endsWith(QStringLiteral("VCD")));
    r.key.Chip().Lab().Drive(kRB1, PinLevel::High);
    r.RunFor(1);
    r.Stop();
    r.LabItem("StopTraceItem")->trigger();
    QVERIFY(!r.debug->Lab().Tracing());
    const std::string vcd = ReadFile(path);
    QVERIFY(vcd.find("$timescale") != std::string::npos);
    QVERIFY(vcd.find(" RC1 $end") != std::string::npos);
    QVERIFY(r.prompter.messages.empty());

    // An existing file is replaced only when the user says so.
    r.prompter.AnswerFile(path.toStdString());
    r.prompter.Answer(PromptAnswer::No);
    r.LabItem("StartTraceItem")->trigger();
    QVERIFY(!r.debug->Lab().Tracing());
    QCOMPARE(ReadFile(path), vcd);
    // A file that cannot be written is said so; nothing traces.
    r.prompter.AnswerFile(dir.filePath(QStringLiteral("no/such/dir/x.vcd")).toStdString());
    r.LabItem("StartTraceItem")->trigger();
    QVERIFY(!r.debug->Lab().Tracing());
    QVERIFY(r.prompter.messages.back().text.find("Cannot write") != std::string::npos);
    // A trace running when the session ends is finished.
    r.prompter.AnswerFile(path.toStdString());
    r.prompter.Answer(PromptAnswer::Yes);
    r.LabItem("StartTraceItem")->trigger();
    QVERIFY(r.debug->Lab().Tracing());
    r.Button("QuitButton")->click();
    QVERIFY(!r.key.Chip().Lab().Tracing());
    QVERIFY(ReadFile(path).find("$enddefinitions") != std::string::npos);
}

void LabWindowsTest::labWindowsKeepOffTheRegisterView() {
    Rig r(kMirror);
    r.debug->SetFrameOf([](const QWidget&) { return QMargins(2, 20, 2, 2); });
    r.Open();
    r.Button("PinsButton")->click();
    auto outer = [](QWidget& w) { return w.geometry().marginsAdded(QMargins(2, 20, 2, 2)); };
    // On this small screen it goes under the register view (the rule's own cases are in
    // the model's tests).
    QVERIFY(!outer(*r.pins).intersects(outer(*r.registers)));
    // Its placement is kept, and used again by the next debug window.
    r.pins->move(r.pins->pos() + QPoint(7, 5));
    const QPoint moved = r.pins->pos();
    r.Button("QuitButton")->click();
    QVERIFY(r.registry.ReadPlacement("PinsWindow").has_value());
    PinsForm other;
    Counter counter;
    r.debug->AddLabWindow(other, counter, "AgainButton", QStringLiteral("Again"), 2, "PinsWindow");
    QVERIFY((other.pos() - moved).manhattanLength() <= 4); // the platform's frame aside
    r.debug->RemoveLabWindow(counter);
}

QTEST_MAIN(LabWindowsTest)
#include "LabWindowsTest.moc"
