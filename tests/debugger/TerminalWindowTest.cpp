// The Terminal window on the in-process virtual key, opened from the debug window while
// the echo example runs freely: typing goes into RX, the echo comes back in upper case;
// the choice of pins and rate is remembered; problems are shown, not hidden. The debug
// window's timer is ticked by hand on a fake clock.
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>

#include <cstdlib>
#include <memory>

#include "DebugWindowRig.h"
#include "debugger/ui/TTerminalForm.h"
#include "platform/FileIo.h"

using namespace pellix;

namespace {

std::string Example(const char* name) {
    const char* root = std::getenv("PELLIX_SOURCE_DIR");
    FileRead file = ReadWholeFile(std::string(root ? root : "..") + "/examples/" + name);
    if (!file.ok) qFatal("cannot read %s: %s", name, file.error.c_str());
    return file.data;
}

struct Rig : test::DebugWindowRig {
    Rig() : DebugWindowRig(Example("echo.src"), false) {
        debug->SetLabChipSource(
            [this]() -> VirtualChip* { return virtualKey ? &key.Chip() : nullptr; });
        terminal = std::make_unique<TTerminalForm>(store);
        debug->AddLabWindow(*terminal, *terminal, "TerminalButton", QStringLiteral("Terminal"), 1);
    }
    ~Rig() {
        debug->hide();
        debug->RemoveLabWindow(*terminal);
    }

    template <class T>
    T* In(QWidget* w, const char* name) {
        return w->findChild<T*>(QString::fromLatin1(name));
    }
    QComboBox* Combo(const char* name) { return In<QComboBox>(terminal.get(), name); }
    QPlainTextEdit* View() { return In<QPlainTextEdit>(terminal.get(), "TerminalView"); }
    QString Screen() { return View()->toPlainText(); }
    QString Status() { return In<QLabel>(terminal.get(), "TerminalStatus")->text(); }
    // The debug window's timer, as often as its update speed has it, for `ms` of the clock.
    void Tick(int ms) {
        for (int t = 0; t < ms; t += 40) {
            ticks.Advance(40);
            debug->TimerTick();
        }
        QCoreApplication::processEvents();
    }
    void OpenAndRun() {
        debug->show();
        Tick(200);
        QVERIFY(Button("RunButton")->isEnabled());
        QTest::mouseClick(Button("RunButton"), Qt::LeftButton);
        Tick(80);
    }
    void OpenTerminal() {
        QTest::mouseClick(Button("TerminalButton"), Qt::LeftButton);
        QVERIFY(terminal->isVisible());
    }

    bool virtualKey = true;
    std::unique_ptr<TTerminalForm> terminal;
};

} // namespace

class TerminalWindowTest : public QObject {
    Q_OBJECT
private slots:
    void theButtonIsThereOnlyOnTheVirtualKey();
    void typedLettersComeBackInUpperCase();
    void bytesTypedWhileTheChipIsStoppedWaitForIt();
    void theChoiceIsRemembered();
    void problemsAreShownNotHidden();
    void keysBecomeBytes();
};

void TerminalWindowTest::theButtonIsThereOnlyOnTheVirtualKey() {
    {
        Rig r;
        QCOMPARE(r.terminal->objectName(), QStringLiteral("TerminalForm"));
        QCOMPARE(r.terminal->windowTitle(), QStringLiteral("Terminal"));
        r.OpenAndRun();
        QVERIFY(r.Button("TerminalButton")->isVisible());
        r.OpenTerminal();
        QVERIFY(r.Status().startsWith(QStringLiteral("RX=RA.1 TX=RA.0 9600 baud")));
        // The session ends: the terminal lets go of the chip, and of its RX pin.
        r.debug->hide();
        QVERIFY(!r.Button("TerminalButton")->isVisible());
        QCOMPARE(r.key.Chip().Lab().UartCount(), size_t(0));
        QVERIFY(r.Status().contains(QStringLiteral("virtual key's chip")));
        // Closed and opened again in the next session, it connects again.
        r.OpenAndRun();
        QCOMPARE(r.key.Chip().Lab().UartCount(), size_t(1));
        r.terminal->hide();
        QCOMPARE(r.key.Chip().Lab().UartCount(), size_t(0));
    }
    Rig real;
    real.virtualKey = false; // the session's port is a real key
    real.debug->show();
    real.Tick(200);
    QVERIFY(!real.Button("TerminalButton")->isVisible());
}

void TerminalWindowTest::typedLettersComeBackInUpperCase() {
    Rig r;
    r.OpenAndRun();
    r.OpenTerminal();
    QTest::keyClicks(r.View(), QStringLiteral("hello"));
    QCOMPARE(r.Screen(), QString()); // nothing is echoed locally; the chip has not run yet
    r.Tick(80);
    QCOMPARE(r.Screen(), QStringLiteral("HELLO"));
    QTest::keyClick(r.View(), Qt::Key_Return);
    QTest::keyClicks(r.View(), QStringLiteral("a1~"));
    r.Tick(80);
    // Enter sends CR, which the echo sends back: a new line.
    QCOMPARE(r.Screen(), QStringLiteral("HELLO\nA1~"));
    QCOMPARE(r.Status(), QStringLiteral("RX=RA.1 TX=RA.0 9600 baud: 9 received, 9 sent"));
    // A control byte comes back as its escape.
    QTest::keyClick(r.View(), Qt::Key_Escape);
    r.Tick(40);
    QCOMPARE(r.Screen(), QStringLiteral("HELLO\nA1~\\x1B"));
    // Clear empties the screen and the counts.
    QTest::mouseClick(r.In<QPushButton>(r.terminal.get(), "TerminalClearButton"), Qt::LeftButton);
    QCOMPARE(r.Screen(), QString());
    QCOMPARE(r.Status(), QStringLiteral("RX=RA.1 TX=RA.0 9600 baud: 0 received, 0 sent"));
}

void TerminalWindowTest::bytesTypedWhileTheChipIsStoppedWaitForIt() {
    Rig r;
    r.OpenAndRun();
    r.OpenTerminal();
    QTest::mouseClick(r.Button("StopButton"), Qt::LeftButton);
    r.Tick(200);
    QVERIFY(r.Button("RunButton")->isEnabled());
    QTest::keyClicks(r.View(), QStringLiteral("ok"));
    r.Tick(200);
    QCOMPARE(r.Status(),
             QStringLiteral("RX=RA.1 TX=RA.0 9600 baud: 0 received, 0 sent, 2 waiting"));
    QCOMPARE(r.Screen(), QString());
    QTest::mouseClick(r.Button("RunButton"), Qt::LeftButton);
    r.Tick(80);
    QCOMPARE(r.Screen(), QStringLiteral("OK"));
    QCOMPARE(r.Status(), QStringLiteral("RX=RA.1 TX=RA.0 9600 baud: 2 received, 2 sent"));
}

void TerminalWindowTest::theChoiceIsRemembered() {
    MemorySettingsStore kept;
    {
        Rig r;
        r.OpenAndRun();
        r.OpenTerminal();
        QComboBox* rx = r.Combo("TerminalRxCB");
        // Only the pins this chip has, and none.
        QCOMPARE(rx->count(), 1 + 4 + 8 + 8);
        QCOMPARE(rx->itemText(0), QStringLiteral("none"));
        rx->setCurrentIndex(rx->findText(QStringLiteral("RB.1")));
        emit rx->activated(rx->currentIndex());
        QComboBox* baud = r.Combo("TerminalBaudCB");
        baud->lineEdit()->setText(QStringLiteral("19200"));
        emit baud->lineEdit()->editingFinished();
        QComboBox* enter = r.Combo("TerminalEnterCB");
        enter->setCurrentIndex(2);
        emit enter->activated(2);
        QCOMPARE(r.Status(), QStringLiteral("RX=RB.1 TX=RA.0 19200 baud: 0 received, 0 sent"));
        // The UART follows the choice at once: one UART, on the new pins.
        QCOMPARE(r.key.Chip().Lab().UartCount(), size_t(1));
        QCOMPARE(LabPinName(*r.key.Chip().Lab().Uart(0).Settings().rx), std::string("RB.1"));
        // A rate that is no rate goes back to the last one.
        baud->lineEdit()->setText(QString());
        emit baud->lineEdit()->editingFinished();
        QCOMPARE(baud->currentText(), QStringLiteral("19200"));
        kept = r.store;
    }
    QCOMPARE(kept.strings[kTerminalRxSetting], std::string("RB.1"));
    QCOMPARE(kept.strings[kTerminalTxSetting], std::string("RA.0"));
    QCOMPARE(kept.ints[kTerminalBaudSetting], 19200);
    QCOMPARE(kept.strings[kTerminalEnterSetting], std::string("CR LF"));
    TTerminalForm again(kept);
    again.show();
    auto combo = [&](const char* name) {
        return again.findChild<QComboBox*>(QString::fromLatin1(name))->currentText();
    };
    QCOMPARE(combo("TerminalRxCB"), QStringLiteral("RB.1"));
    QCOMPARE(combo("TerminalTxCB"), QStringLiteral("RA.0"));
    QCOMPARE(combo("TerminalBaudCB"), QStringLiteral("19200"));
    QCOMPARE(combo("TerminalEnterCB"), QStringLiteral("CR LF"));
    QVERIFY(again.StatusText().contains(QStringLiteral("virtual key's chip")));
}

void TerminalWindowTest::problemsAreShownNotHidden() {
    Rig r;
    r.OpenAndRun();
    r.OpenTerminal();
    // Listening at the wrong rate: the echo's frames end where the terminal sees no stop bit.
    QComboBox* baud = r.Combo("TerminalBaudCB");
    baud->setCurrentIndex(baud->findText(QStringLiteral("19200")));
    emit baud->activated(baud->currentIndex());
    QTest::keyClicks(r.View(), QStringLiteral("UUUU"));
    r.Tick(120);
    QVERIFY2(r.Screen().contains(QStringLiteral("[framing error]")), qPrintable(r.Screen()));
    QVERIFY2(r.Status().contains(QStringLiteral("framing error")), qPrintable(r.Status()));
    QVERIFY(r.In<QLabel>(r.terminal.get(), "TerminalStatus")->styleSheet().contains("color"));

    // A pin the chip lacks: nothing is attached, and the status says why.
    QComboBox* tx = r.Combo("TerminalTxCB");
    tx->setCurrentIndex(0); // none
    emit tx->activated(0);
    QComboBox* rx = r.Combo("TerminalRxCB");
    rx->setCurrentIndex(0);
    emit rx->activated(0);
    QCOMPARE(r.Status(), QStringLiteral("Choose an RX pin, a TX pin or both"));
    QCOMPARE(r.key.Chip().Lab().UartCount(), size_t(0));
    r.store.WriteString(kTerminalRxSetting, "RD.0");
    r.terminal->hide();
    r.terminal->show();
    QCOMPARE(r.Status(), QStringLiteral("This chip has no pin RD.0 (it has RA.0-RA.3, RB.0-RB.7, "
                                        "RC.0-RC.7, RTCC, MCLR)"));
    QCOMPARE(r.Combo("TerminalRxCB")->currentText(), QStringLiteral("RD.0"));
    // Only a TX pin: typing goes nowhere, and says so.
    rx->setCurrentIndex(0);
    emit rx->activated(0);
    tx->setCurrentIndex(tx->findText(QStringLiteral("RA.0")));
    emit tx->activated(tx->currentIndex());
    QTest::keyClicks(r.View(), QStringLiteral("x"));
    QVERIFY2(r.Status().startsWith(QStringLiteral("TX=RA.0 19200 baud: ")), qPrintable(r.Status()));
    QVERIFY(
        r.Status().endsWith(QStringLiteral("Not sent: choose an RX pin to type into the chip")));
}

void TerminalWindowTest::keysBecomeBytes() {
    QWidget parent;
    TerminalView view(&parent);
    QByteArray bytes;
    QObject::connect(&view, &TerminalView::typed, [&](const QByteArray& b) { bytes += b; });
    QObject::connect(&view, &TerminalView::enterTyped, [&] { bytes += "<enter>"; });
    auto keys = [&](auto&& press) {
        bytes.clear();
        press();
        return bytes;
    };
    QCOMPARE(keys([&] { QTest::keyClicks(&view, QStringLiteral("aZ ~")); }), QByteArray("aZ ~"));
    QCOMPARE(keys([&] {
                 QKeyEvent e(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier,
                             QString::fromUtf8("\u00e9"));
                 QApplication::sendEvent(&view, &e);
             }),
             QByteArray("\xC3\xA9")); // as UTF-8
    QCOMPARE(keys([&] {
                 for (Qt::Key k : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Backspace, Qt::Key_Tab,
                                   Qt::Key_Escape, Qt::Key_Delete})
                     QTest::keyClick(&view, k);
             }),
             QByteArray("<enter><enter>\b\t\x1B\x7F"));
    QCOMPARE(keys([&] {
                 QTest::keyClick(&view, Qt::Key_B, Qt::ControlModifier);
                 QTest::keyClick(&view, Qt::Key_C, Qt::ControlModifier); // nothing selected
                 QTest::keyClick(&view, Qt::Key_Z, Qt::ControlModifier);
             }),
             QByteArray("\x02\x03\x1A"));
    // Pasted lines end as Enter ends them; CR LF, CR and LF alike.
    QApplication::clipboard()->setText(QStringLiteral("ab\r\ncd\ref\n"));
    QCOMPARE(keys([&] { QTest::keyClick(&view, Qt::Key_V, Qt::ControlModifier); }),
             QByteArray("ab<enter>cd<enter>ef<enter>"));
    // Scrolling keys stay the view's; received text is not typed back.
    QCOMPARE(keys([&] {
                 QTest::keyClick(&view, Qt::Key_PageUp);
                 QTest::keyClick(&view, Qt::Key_Up);
                 view.Append({{TerminalPiece::Kind::Text, "x"}});
             }),
             QByteArray());
    // With a selection Ctrl+C copies it.
    QTest::keyClick(&view, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(keys([&] { QTest::keyClick(&view, Qt::Key_C, Qt::ControlModifier); }), QByteArray());
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("x"));
}

QTEST_MAIN(TerminalWindowTest)
#include "TerminalWindowTest.moc"
