// The clock window on a connected virtual key, the IRC window, the box after Run, and the
// progress window.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QTimer>

#include "DevwinRig.h"
#include "link/ClockUnit.h"
#include "link/SilentAbort.h"
#include "link/ui/TClockForm.h"
#include "link/ui/TClockGenInfoFRM.h"
#include "link/ui/TIRCForm.h"

using namespace pellix;
using namespace pellix::test;

namespace {

struct ClockRig : LinkRig {
    ClockRig() {
        form.showStatus = [this](const std::string& s) { status.push_back(s); };
        form.raisePriority = [this] { ++raised; };
    }
    TClockForm form{link, *record, nullptr};
    std::vector<std::string> status;
    int raised = 0;

    // As the main window's Clock command does: the key connected, then the window.
    void Open() {
        link.ConnectKey();
        form.show();
    }
    void Type(const QString& keys) { QTest::keyClicks(&form.Edit(), keys); }
    void Key(Qt::Key key) { QTest::keyClick(&form.Edit(), key); }
    void Retype(const QString& text) {
        form.Edit().selectAll();
        Key(Qt::Key_Backspace);
        Type(text);
        Key(Qt::Key_Return);
    }
    uint32_t Frequency() const { return record->debug.frequency; }
    std::vector<uint8_t> Requests() {
        std::vector<uint8_t> r = key.requestLog;
        key.requestLog.clear();
        return r;
    }
};

} // namespace

class ClockFormsTest : public QObject {
    Q_OBJECT
private slots:
    void clockControlsAndHints();
    void openingSendsTheClockAndHoldsThePort();
    void typedMegahertzClampAndTheSlider();
    void editKeysTypeApplyOrPressButtons();
    void leavingTheEditAppliesOnlyWhatWasTyped();
    void onAndOffFollowTheBoxEvenAtTheTopOfTheRange();
    void timerPollsAndALostPortClosesTheWindow();
    void closingReleasesTheKeyAndTheClockRunsOn();
    void ircWindowShowsTheEightTrims();
    void ircWindowAfterProgrammingWith4MHz();
    void clockGenInfoAndItsStoredTick();
    void progressWindowPaintsAtOnceAndClosesOnEveryPath();
};

void ClockFormsTest::clockControlsAndHints() {
    ClockRig r;
    QCOMPARE(r.form.objectName(), QStringLiteral("ClockForm"));
    QCOMPARE(r.form.windowTitle(), QStringLiteral("Clock"));
    QCOMPARE(r.form.Edit().objectName(), QStringLiteral("Edit"));
    QCOMPARE(r.form.Edit().maxLength(), 7);
    QCOMPARE(r.form.Edit().toolTip(), QStringLiteral("Set the clock frequency"));
    QCOMPARE(r.form.TrackBar().objectName(), QStringLiteral("TrackBar"));
    QCOMPARE(r.form.TrackBar().minimum(), 0);
    QCOMPARE(r.form.TrackBar().maximum(), 10960);
    QCOMPARE(r.form.TrackBar().pageStep(), 100);
    QCOMPARE(r.form.TrackBar().toolTip(), QStringLiteral("Adjust the clock frequency"));
    QCOMPARE(r.form.OnBox().objectName(), QStringLiteral("CheckBox"));
    QCOMPARE(r.form.OnBox().text(), QStringLiteral("&On"));
    QCOMPARE(r.form.OnBox().toolTip(), QStringLiteral("Enable the clock output"));
    auto* reset = r.form.findChild<QPushButton*>(QStringLiteral("ResetButton"));
    auto* okay = r.form.findChild<QPushButton*>(QStringLiteral("OkayButton"));
    QVERIFY(reset && okay);
    QCOMPARE(reset->text(), QStringLiteral("&Reset"));
    QCOMPARE(reset->toolTip(), QStringLiteral("Reset the SX"));
    QCOMPARE(okay->text(), QStringLiteral("O&kay"));
    QCOMPARE(okay->toolTip(), QStringLiteral("Hide the clock window"));
    QStringList labels;
    for (QLabel* l : r.form.findChildren<QLabel*>())
        labels << l->text();
    for (const char* t : {"Freq (MHz)", "400 KHz", "110 MHz"})
        QVERIFY2(labels.contains(QString::fromLatin1(t)), t);
    QCOMPARE(r.form.Timer().interval(), 500);
}

void ClockFormsTest::openingSendsTheClockAndHoldsThePort() {
    ClockRig r;
    r.Open();
    r.Requests();
    QVERIFY(r.form.OnBox().isChecked());
    QCOMPARE(r.form.Edit().text(), QStringLiteral("50.000"));
    QCOMPARE(r.form.TrackBar().value(), 10960 - (50'000'000 - 400'000) / 10'000);
    QCOMPARE(r.Frequency(), 50'000'000u);
    QVERIFY(r.key.Chip().Clocked());
    QCOMPARE(r.key.Chip().ClockWord(), SynthWord(50'000'000));
    QCOMPARE(r.status, std::vector<std::string>{ClockText(50'000'000)});
    QVERIFY(r.form.Timer().isActive());
    QCOMPARE(r.raised, 1);
    QVERIFY(r.link.PortOpen());
    QVERIFY(r.key.InSession());
    QVERIFY(r.prompter.messages.empty());
}

void ClockFormsTest::typedMegahertzClampAndTheSlider() {
    ClockRig r;
    r.Open();
    r.Retype(QStringLiteral("4.9152"));
    QCOMPARE(r.Frequency(), 4'915'000u);
    QCOMPARE(r.form.Edit().text(), QStringLiteral("4.915"));
    QCOMPARE(r.form.TrackBar().value(), 10960 - (4'915'000 - 400'000) / 10'000);
    QCOMPARE(r.key.Chip().ClockWord(), SynthWord(4'915'000));
    QCOMPARE(r.status.back(), ClockText(4'915'000));

    r.Retype(QStringLiteral("120"));
    QCOMPARE(r.Frequency(), 110'000'000u);
    QCOMPARE(r.form.Edit().text(), QStringLiteral("110.000"));
    QCOMPARE(r.form.TrackBar().value(), 0);
    QCOMPARE(r.key.Chip().ClockWord(), SynthWord(110'000'000));

    r.Retype(QStringLiteral(".1"));
    QCOMPARE(r.Frequency(), 400'000u);

    r.form.TrackBar().setValue(5000);
    QCOMPARE(r.Frequency(), 110'000'000u - 5000u * 10'000u);
    r.form.TrackBar().setValue(10960);
    QCOMPARE(r.Frequency(), 400'000u);
    QCOMPARE(r.form.Edit().text(), QStringLiteral("0.400"));
    QCOMPARE(r.key.Chip().ClockWord(), SynthWord(400'000));

    // Applying the frequency already set sends nothing.
    r.Requests();
    r.Retype(QStringLiteral("0.4"));
    QVERIFY(r.Requests().empty());
}

void ClockFormsTest::editKeysTypeApplyOrPressButtons() {
    ClockRig r;
    r.Open();
    r.form.Edit().clear();
    r.Type(QStringLiteral("1a2,b3.x5"));
    QCOMPARE(r.form.Edit().text(), QStringLiteral("123.5"));
    r.Key(Qt::Key_Backspace);
    QCOMPARE(r.form.Edit().text(), QStringLiteral("123."));
    r.Type(QStringLiteral("45678"));
    QCOMPARE(r.form.Edit().text(), QStringLiteral("123.456")); // seven characters
    QCOMPARE(r.Frequency(), 50'000'000u);                      // not yet applied
    r.Key(Qt::Key_Enter);
    QCOMPARE(r.Frequency(), 110'000'000u);
    QVERIFY(r.form.isVisible()); // Enter applies, it does not close the window

    int resets = r.key.Chip().ResetCount();
    r.Type(QStringLiteral("r"));
    QCOMPARE(r.key.Chip().ResetCount(), resets + 1);
    r.Type(QStringLiteral("R"));
    QCOMPARE(r.key.Chip().ResetCount(), resets + 2);

    r.Type(QStringLiteral("o"));
    QVERIFY(!r.form.OnBox().isChecked());
    QVERIFY(!r.key.Chip().Clocked());
    QCOMPARE(r.status.back(), std::string("Pellix clock generator is OFF."));
    r.Type(QStringLiteral("O"));
    QVERIFY(r.form.OnBox().isChecked());
    QVERIFY(r.key.Chip().Clocked());
    QCOMPARE(r.status.back(), ClockText(110'000'000));

    QTest::keyClick(&r.form.Edit(), Qt::Key_Escape);
    QVERIFY(r.form.isVisible());
    r.Type(QStringLiteral("k"));
    QVERIFY(!r.form.isVisible());
    QCOMPARE(r.form.result(), int(QDialog::Accepted));
    QVERIFY(r.prompter.messages.empty());
}

void ClockFormsTest::leavingTheEditAppliesOnlyWhatWasTyped() {
    ClockRig r;
    r.record->debug.frequency = 4'915'200; // finer than the edit shows
    r.Open();
    QCOMPARE(r.form.Edit().text(), QStringLiteral("4.915"));
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QApplication::sendEvent(&r.form.Edit(), &out);
    QCOMPARE(r.Frequency(), 4'915'200u);

    r.form.Edit().selectAll();
    r.Type(QStringLiteral("12"));
    QApplication::sendEvent(&r.form.Edit(), &out);
    QCOMPARE(r.Frequency(), 12'000'000u);
    QCOMPARE(r.key.Chip().ClockWord(), SynthWord(12'000'000));
}

void ClockFormsTest::onAndOffFollowTheBoxEvenAtTheTopOfTheRange() {
    ClockRig r;
    r.Open();
    r.form.TrackBar().setValue(0);
    QCOMPARE(r.Frequency(), 110'000'000u);
    r.form.OnBox().click();
    QVERIFY(!r.key.Chip().Clocked());
    QCOMPARE(r.status.back(), std::string("Pellix clock generator is OFF."));
    QCOMPARE(r.Frequency(), 110'000'000u);

    // Moving the slider while off changes the frequency and says the generator is off.
    r.form.TrackBar().setValue(100);
    QVERIFY(!r.key.Chip().Clocked());
    QCOMPARE(r.status.back(), std::string("Pellix clock generator is OFF."));

    r.Requests();
    r.form.OnBox().click();
    QVERIFY(r.key.Chip().Clocked());
    QCOMPARE(r.key.Chip().ClockWord(), SynthWord(109'000'000));
    QCOMPARE(r.status.back(), ClockText(109'000'000));
    QCOMPARE(r.Frequency(), 109'000'000u); // the frequency set, not one hertz more
    // The box's own clock-on and the apply's: the word goes out twice.
    int ons = 0;
    for (uint8_t b : r.Requests())
        ons += b == kCommandClockOn;
    QVERIFY(ons >= 2);
}

void ClockFormsTest::timerPollsAndALostPortClosesTheWindow() {
    ClockRig r;
    r.Open();
    r.Requests();
    r.form.TimerTick();
    QCOMPARE(r.Requests(), std::vector<uint8_t>{kCommandPoll});
    QVERIFY(r.form.isVisible());

    r.key.faults.noAnswer = true;
    r.form.TimerTick();
    QCOMPARE(r.prompter.messages.size(), size_t(1));
    QCOMPARE(QString::fromStdString(r.LastMessage()), QStringLiteral("Pellix not found on sim."));
    QVERIFY(!r.link.PortOpen());
    QVERIFY(r.form.isVisible());

    // Until the window goes nothing more is sent and nothing more is reported.
    r.Retype(QStringLiteral("7"));
    r.form.OnBox().click();
    r.form.findChild<QPushButton*>(QStringLiteral("ResetButton"))->click();
    QCOMPARE(r.prompter.messages.size(), size_t(1));

    r.form.TimerTick();
    QVERIFY(!r.form.isVisible());
    QCOMPARE(r.form.result(), TClockForm::kAbortResult);
    QVERIFY(!r.form.Timer().isActive());
}

void ClockFormsTest::closingReleasesTheKeyAndTheClockRunsOn() {
    ClockRig r;
    r.Open();
    r.form.findChild<QPushButton*>(QStringLiteral("OkayButton"))->click();
    QVERIFY(!r.form.isVisible());
    QVERIFY(!r.form.Timer().isActive());
    QVERIFY(!r.link.PortOpen());
    QVERIFY(!r.key.InSession());
    QVERIFY(!r.key.LineOpen());
    QVERIFY(r.key.Chip().Clocked());

    // Opened again: the record's frequency is sent again.
    r.record->debug.frequency = 8'000'000;
    r.Open();
    QCOMPARE(r.key.Chip().ClockWord(), SynthWord(8'000'000));
    QCOMPARE(r.raised, 2);
    r.form.close();
    QVERIFY(!r.link.PortOpen());
}

void ClockFormsTest::ircWindowShowsTheEightTrims() {
    TIRCForm form;
    QCOMPARE(form.objectName(), QStringLiteral("IRCForm"));
    QCOMPARE(form.windowTitle(), QStringLiteral("IRC"));
    IrcCalibration irc;
    irc.counts = {275, 285, 296, 307, 316, 330, 345, 0};
    irc.trim = 4;
    form.ShowCalibration(irc);
    const char* expected[] = {"4.60", "4.44", "4.27", "4.12", "4.00", "3.83", "3.66", "-.--"};
    for (int t = 0; t < 8; ++t) {
        auto* label = form.findChild<QLabel*>(QStringLiteral("IRCLabel%1").arg(t));
        QVERIFY(label);
        QCOMPARE(label->text(), QString::fromLatin1(expected[t]));
        QCOMPARE(label->font().bold(), t == 4);
    }
    irc.trim = 0;
    form.ShowCalibration(irc);
    QVERIFY(form.TrimLabel(0).font().bold());
    QVERIFY(!form.TrimLabel(4).font().bold());
    auto* okay = form.findChild<QPushButton*>(QStringLiteral("OkayButton"));
    QVERIFY(okay);
    QCOMPARE(okay->text(), QStringLiteral("Okay"));
}

void ClockFormsTest::ircWindowAfterProgrammingWith4MHz() {
    LinkRig r;
    TIRCForm form;
    r.irc.setting = IrcSetting::FourMHz;
    r.device.showCalibration = [&] { form.Ask(r.irc); };
    ModalAnswerer answer;
    QStringList shown;
    bool progressUp = true;
    answer.Next(
        [&](QDialog& d) {
            progressUp = r.progress.isVisible();
            for (int t = 0; t < 8; ++t)
                shown << d.findChild<QLabel*>(QStringLiteral("IRCLabel%1").arg(t))->text();
        },
        [](QDialog& d) { d.findChild<QPushButton*>(QStringLiteral("OkayButton"))->click(); });
    r.device.ProgramChip(false);
    QCOMPARE(answer.answered, 1);
    QVERIFY(!progressUp);
    QCOMPARE(shown.size(), 8);
    for (int t = 0; t < 8; ++t)
        QCOMPARE(shown[t], QString::fromStdString(IrcMegahertzText(r.irc.counts[size_t(t)])));
    QVERIFY(form.TrimLabel(r.irc.trim).font().bold());
    QVERIFY(r.irc.measured);

    // The other settings measure nothing and show nothing.
    r.irc.setting = IrcSetting::Slowest;
    r.device.ProgramChip(false);
    QCOMPARE(answer.answered, 1);
}

void ClockFormsTest::clockGenInfoAndItsStoredTick() {
    int stored = 0;
    TClockGenInfoFRM box;
    box.storeDontShow = [&] { ++stored; };
    QCOMPARE(box.objectName(), QStringLiteral("ClockGenInfoFRM"));
    QCOMPARE(box.windowTitle(), QStringLiteral("Clock Generation Info"));
    auto* check = box.findChild<QCheckBox*>(QStringLiteral("DontShowCheckBox"));
    auto* okay = box.findChild<QPushButton*>(QStringLiteral("OkayButton"));
    QVERIFY(check && okay);
    QCOMPARE(check->text(), QStringLiteral("Don't Show This Dialog Again"));
    QVERIFY(!check->isChecked());

    ModalAnswerer answer;
    QString label;
    answer.Next(
        [&](QDialog& d) { label = d.findChild<QLabel*>(QStringLiteral("MessageLabel"))->text(); },
        [](QDialog& d) { d.findChild<QPushButton*>(QStringLiteral("OkayButton"))->click(); });
    box.ShowInfo(4'000'000);
    QCOMPARE(answer.answered, 1);
    QCOMPARE(
        box.MessageText(),
        std::string("Download Successful.\rPellix is generating a clock signal of 4,000,000 Hz."));
    QCOMPARE(label,
             QStringLiteral(
                 "Download Successful.\nPellix is generating a clock signal of 4,000,000 Hz."));
    QCOMPARE(stored, 0);

    // Ticked but closed otherwise than by OK: not stored, yet not shown again this run.
    answer.Next(
        [](QDialog& d) {
            d.findChild<QCheckBox*>(QStringLiteral("DontShowCheckBox"))->setChecked(true);
        },
        [](QDialog& d) { d.reject(); });
    box.ShowInfo(4'000'000);
    QCOMPARE(stored, 0);
    box.ShowInfo(4'000'000);
    QCOMPARE(answer.answered, 2);

    // Ticked and OK: stored.
    check->setChecked(false);
    answer.Next(
        [](QDialog& d) {
            d.findChild<QCheckBox*>(QStringLiteral("DontShowCheckBox"))->setChecked(true);
        },
        [](QDialog& d) { d.findChild<QPushButton*>(QStringLiteral("OkayButton"))->click(); });
    box.ShowInfo(50'000'000);
    QCOMPARE(stored, 1);

    // Created with the stored tick: never shown.
    TClockGenInfoFRM hidden(true);
    hidden.ShowInfo(50'000'000);
    QCOMPARE(answer.answered, 3);
    QVERIFY(hidden.findChild<QCheckBox*>(QStringLiteral("DontShowCheckBox"))->isChecked());
}

void ClockFormsTest::progressWindowPaintsAtOnceAndClosesOnEveryPath() {
    LinkRig r;
    TProgressForm& p = r.progress;
    QCOMPARE(p.objectName(), QStringLiteral("ProgressForm"));
    QCOMPARE(p.windowTitle(), QStringLiteral("Device Operation"));
    QVERIFY(p.windowFlags() & Qt::WindowStaysOnTopHint);
    QCOMPARE(p.Bar().minimum(), 0);
    QCOMPARE(p.Bar().maximum(), 512);
    QCOMPARE(p.OperationLabel().text(), QStringLiteral("Working..."));
    QVERIFY(p.OperationLabel().font().bold());
    QVERIFY(p.OperationLabel().alignment() & Qt::AlignHCenter);

    PaintCounter label(p.OperationLabel());
    PaintCounter bar(p.Bar());
    p.ShowProgress("Erasing...");
    QVERIFY(p.isVisible());
    QCOMPARE(p.OperationLabel().text(), QStringLiteral("Erasing..."));
    QCOMPARE(p.Bar().value(), 0);
    QVERIFY(label.paints > 0);
    for (int i = 1; i <= 33; ++i) {
        int before = bar.paints;
        p.StepProgress();
        QVERIFY2(bar.paints > before, "each step is painted before the operation goes on");
        QCOMPARE(p.Bar().value(), std::min(16 * i, 512));
    }
    int before = label.paints;
    p.ShowProgress("Programming...");
    QVERIFY(label.paints > before);
    QCOMPARE(p.Bar().value(), 0);
    p.CloseProgress();
    QVERIFY(!p.isVisible());
    QCOMPARE(p.OperationLabel().text(), QStringLiteral("Working..."));

    // A whole programming ends with a full bar; a failed one closes the window too.
    int last = 0;
    struct Watch : QObject {
        int& value;
        QProgressBar& bar;
        Watch(int& v, QProgressBar& b) : value(v), bar(b) { b.installEventFilter(this); }
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() == QEvent::Paint) value = bar.value();
            return false;
        }
    } watch(last, p.Bar());
    r.device.ProgramChip(false);
    QCOMPARE(last, 512);
    QVERIFY(!p.isVisible());
    r.key.faults.statusOn = 5;
    r.key.faults.statusValue = 3;
    try {
        r.device.ProgramChip(false);
        QFAIL("the status error ends the programming");
    } catch (const SilentAbort&) {
    }
    QVERIFY(!p.isVisible());
    QCOMPARE(QString::fromStdString(r.LastMessage()), QStringLiteral("Programming failed."));
}

QTEST_MAIN(ClockFormsTest)
#include "ClockFormsTest.moc"
