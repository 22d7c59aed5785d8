// The program's chip commands end to end on port "SIM": Program and Run from the main
// window with the built-in assembler, the box after Run, the Clock and Device commands, a
// hex image on the command line, and where the device and clock windows are placed.
#include <QCheckBox>
#include <QTemporaryDir>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QToolButton>
#include <fstream>
#include <sstream>

#include "DevwinRig.h"
#include "app/BuiltInAssembler.h"
#include "app/Environment.h"
#include "editor/TPlusMemo.h"
#include "link/ClockUnit.h"
#include "link/ui/TClockForm.h"
#include "link/ui/TClockGenInfoFRM.h"
#include "link/ui/TDeviceForm.h"
#include "link/ui/TIRCForm.h"
#include "link/ui/TProgressForm.h"
#include "shell/ui/TEditorForm.h"

using namespace pellix;
using namespace pellix::test;

namespace {

constexpr char kSource[] = "\t\tDEVICE\tSX28,OSCHS2,TURBO,STACKX_OPTIONX\n"
                           "\t\tID\t'RUNME'\n"
                           "\t\tFREQ\t4_000_000\n"
                           "\t\tRESET\tstart\n"
                           "\t\tORG\t0\n"
                           "start\t\tMOV\tW,#$5A\n"
                           "\t\tJMP\tstart\n";

struct ProgramRig {
    explicit ProgramRig(std::vector<std::string> args = {}, bool stored = true) {
        if (stored) {
            store.WriteString(setting::ComPort, "SIM");
            store.WriteInt(setting::ShowWarranty, 2);
            store.WriteInt(setting::UseOrda, 0);
        }
        Start(std::move(args));
    }
    void Start(std::vector<std::string> args = {}) {
        env.reset();
        ShellServices services;
        services.assembler = &assembler;
        HardwareOptions hardware;
        hardware.ticks = &ticks;
        hardware.devices = [this](const std::string& path, std::string*) {
            opened.push_back(path);
            return std::unique_ptr<SerialPort>();
        };
        env = std::make_unique<Environment>(store, prompter, std::move(args), services,
                                            ExternalAssemblerSetup{}, std::move(hardware));
    }
    TEditorForm& Main() { return env->EditorForm(); }
    VirtualChip& Chip() { return env->Hardware().Key().Chip(); }
    void Write(const std::string& text) { Main().CurrentEditor().SetText(text); }
    std::string Status() { return Main().StatusText(2).toStdString(); }
    std::string LastMessage() const {
        return prompter.messages.empty() ? std::string() : prompter.messages.back().text;
    }

    FakeTickSource ticks;
    MemorySettingsStore store;
    ScriptedPrompter prompter;
    BuiltInAssembler assembler;
    std::vector<std::string> opened;
    ModalAnswerer answer;
    std::unique_ptr<Environment> env;
};

} // namespace

class ChipCommandsTest : public QObject {
    Q_OBJECT
private slots:
    void runProgramsClocksAndShowsTheBox();
    void runShowsNoBoxOnceItWasTickedAway();
    void programNeedsNoFullKeyRunDoes();
    void aMissingKeyEndsTheCommandWithTheLinksMessage();
    void theConfiguredPortAndCalibrationCountFromTheNextCommand();
    void theLineTraceFollowsTheSetting();
    void clockCommandHoldsTheKeyWhileTheWindowIsUp();
    void deviceCommandAndTheRefreshAfterAssembling();
    void hexImageOnTheCommandLineGoesToTheDeviceWindow();
    void deviceAndClockWindowsKeepTheirPlacement();
};

void ChipCommandsTest::runProgramsClocksAndShowsTheBox() {
    ProgramRig r;
    r.Write(kSource);
    QString shown;
    std::string statusDuringBox;
    r.answer.Next([&](QDialog& d) {
        shown = d.windowTitle() + QLatin1Char('|') +
                d.findChild<QLabel*>(QStringLiteral("MessageLabel"))->text();
        QVERIFY(QApplication::overrideCursor() == nullptr ||
                QApplication::overrideCursor()->shape() == Qt::ArrowCursor);
        statusDuringBox = r.Status();
    });
    r.Main().RunRunItemClick();
    QVERIFY2(r.prompter.messages.empty(), r.LastMessage().c_str());
    QCOMPARE(r.answer.answered, 1);
    QCOMPARE(shown, QStringLiteral("Clock Generation Info|Download Successful.\nPellix is "
                                   "generating a clock signal of 4,000,000 Hz."));
    QCOMPARE(r.Chip().Code(0), uint16_t(0xC5A));
    QVERIFY(r.Chip().Clocked());
    QCOMPARE(r.Chip().ClockWord(), SynthWord(4'000'000));
    QCOMPARE(statusDuringBox, std::string("Assembly Successful"));
    QCOMPARE(r.Status(), ClockText(4'000'000));
    QVERIFY(QApplication::overrideCursor() == nullptr);
    QVERIFY(!r.env->ProgressForm().isVisible());
    QVERIFY(!r.env->Hardware().Link().PortOpen());
    QVERIFY(r.opened.empty());
}

void ChipCommandsTest::runShowsNoBoxOnceItWasTickedAway() {
    ProgramRig r;
    r.Write(kSource);
    r.answer.Next(
        [](QDialog& d) {
            d.findChild<QCheckBox*>(QStringLiteral("DontShowCheckBox"))->setChecked(true);
        },
        [](QDialog& d) { d.findChild<QPushButton*>(QStringLiteral("OkayButton"))->click(); });
    r.Main().RunRunItemClick();
    QCOMPARE(r.answer.answered, 1);
    QCOMPARE(r.store.ReadInt(setting::HideClockGenInfoDialog), std::optional<int32_t>(1));

    // The next start reads it back: Run shows no box, yet the status says what runs.
    r.Start();
    r.Write(kSource);
    r.answer.Next();
    r.Main().RunRunItemClick();
    QCoreApplication::processEvents();
    QCOMPARE(r.answer.answered, 1);
    QCOMPARE(r.Status(), ClockText(4'000'000));
    QVERIFY(r.env->ClockGenInfo().DontShow());
}

void ChipCommandsTest::programNeedsNoFullKeyRunDoes() {
    ProgramRig r;
    r.Write(kSource);
    r.env->Hardware().Key().faults.zeroSeed = true; // the programming-only key
    r.Main().RunProgramItemClick();
    QVERIFY2(r.prompter.messages.empty(), r.LastMessage().c_str());
    QCOMPARE(r.Chip().Code(0), uint16_t(0xC5A));
    QCOMPARE(r.Status(), std::string("Assembly Successful"));
    QVERIFY(!r.Chip().Clocked());

    r.Chip().Erase();
    r.Main().RunRunItemClick();
    QCOMPARE(QString::fromStdString(r.LastMessage()),
             QStringLiteral("Brisand does not support this function."));
    QCOMPARE(r.Chip().Code(0), uint16_t(0xFFF));
    QVERIFY(r.Status() != ClockText(4'000'000));
}

void ChipCommandsTest::aMissingKeyEndsTheCommandWithTheLinksMessage() {
    ProgramRig r;
    r.Write(kSource);
    r.env->Hardware().Key().faults.noAnswer = true;
    r.Main().RunRunItemClick();
    QCOMPARE(r.prompter.messages.size(), size_t(1));
    QCOMPARE(QString::fromStdString(r.LastMessage()), QStringLiteral("Pellix not found on SIM."));
    QCOMPARE(r.Status(), std::string("Assembly Successful"));
    QVERIFY(QApplication::overrideCursor() == nullptr);
    QVERIFY(!r.env->ProgressForm().isVisible());

    // An assembly error stops Program before the key is asked.
    r.env->Hardware().Key().faults.noAnswer = false;
    r.Write("\t\tMOV\tW,#\n");
    r.Main().RunProgramItemClick();
    QVERIFY(r.Status().rfind("ASSEMBLY ERROR", 0) == 0);
    QCOMPARE(r.env->Hardware().Key().Sessions(), 0);
}

void ChipCommandsTest::theConfiguredPortAndCalibrationCountFromTheNextCommand() {
    ProgramRig r;
    r.Write(kSource);
    r.env->Settings().comPort = "COM3";
    r.Main().RunProgramItemClick();
    QCOMPARE(r.opened, std::vector<std::string>{"/dev/ttyS2"});
    QCOMPARE(QString::fromStdString(r.LastMessage()),
             QStringLiteral("Unable to open COM3\rCOM port in use by another process."));

    // Back on the virtual key, calibrating to 4 MHz: the IRC window follows the programming.
    r.env->Settings().comPort = "sim";
    r.env->Settings().ircCalibration = 1;
    QString trims;
    r.answer.Next(
        [&](QDialog& d) { trims = d.windowTitle(); },
        [](QDialog& d) { d.findChild<QPushButton*>(QStringLiteral("OkayButton"))->click(); });
    size_t before = r.prompter.messages.size();
    r.Main().RunProgramItemClick();
    QCOMPARE(r.prompter.messages.size(), before);
    QCOMPARE(trims, QStringLiteral("IRC"));
    const IrcCalibration& irc = r.env->Hardware().Irc();
    QVERIFY(irc.measured);
    QCOMPARE(r.env->IRCForm().TrimLabel(irc.trim).text(),
             QString::fromStdString(IrcMegahertzText(irc.counts[size_t(irc.trim)])));
    QCOMPARE(VirtualChip::TrimOfFusex(r.Chip().Fusex()), irc.trim);
}

void ChipCommandsTest::theLineTraceFollowsTheSetting() {
    ProgramRig r;
    r.Write(kSource);
    QTemporaryDir dir;
    const std::string path = dir.filePath(QStringLiteral("key.trace")).toStdString();
    r.env->Settings().lineTraceFile = path;
    r.Main().RunProgramItemClick();
    QVERIFY2(r.prompter.messages.empty(), r.LastMessage().c_str());
    auto read = [&] {
        std::ifstream in(path);
        std::stringstream text;
        text << in.rdbuf();
        return text.str();
    };
    std::string trace = read();
    QVERIFY2(trace.find(" > 20 50 65 6C 6C 69 78 | 20 50 65 6C 6C 69 78\n") != std::string::npos,
             trace.substr(0, 200).c_str());
    // The file goes on for the run: the next command adds to it.
    r.Main().RunProgramItemClick();
    QVERIFY(read().size() > trace.size() + trace.size() / 2);

    // A file that cannot be written is said once; the command goes on without a trace.
    r.env->Settings().lineTraceFile = dir.filePath(QStringLiteral("no/such/t")).toStdString();
    r.Main().RunProgramItemClick();
    QCOMPARE(r.prompter.messages.size(), size_t(1));
    QCOMPARE(r.prompter.messages[0].caption, std::string("Line trace"));
    QVERIFY(r.LastMessage().rfind("Cannot write the line trace ", 0) == 0);
    QCOMPARE(r.Chip().Code(0), uint16_t(0xC5A));
    r.Main().RunProgramItemClick();
    QCOMPARE(r.prompter.messages.size(), size_t(1));
    size_t before = read().size();
    r.env->Settings().lineTraceFile.clear();
    r.Main().RunProgramItemClick();
    QCOMPARE(read().size(), before);
}

void ChipCommandsTest::clockCommandHoldsTheKeyWhileTheWindowIsUp() {
    ProgramRig r;
    bool portOpen = false, buttonEnabled = true;
    QString edit;
    r.answer.Next(
        [&](QDialog& d) {
            portOpen = r.env->Hardware().Link().PortOpen();
            buttonEnabled =
                r.Main().findChild<QToolButton*>(QStringLiteral("ClockTBTN"))->isEnabled();
            edit = d.findChild<QLineEdit*>(QStringLiteral("Edit"))->text();
            QTest::keyClicks(d.findChild<QLineEdit*>(QStringLiteral("Edit")), QStringLiteral("k"));
        },
        [](QDialog&) {});
    r.Main().RunClockItemClick();
    QCOMPARE(r.answer.answered, 1);
    QVERIFY2(r.prompter.messages.empty(), r.LastMessage().c_str());
    QVERIFY(portOpen);
    QVERIFY(!buttonEnabled);
    QCOMPARE(edit, QStringLiteral("50.000"));
    QVERIFY(r.Main().findChild<QToolButton*>(QStringLiteral("ClockTBTN"))->isEnabled());
    QVERIFY(!r.env->Hardware().Link().PortOpen());
    QVERIFY(r.Chip().Clocked());
    QCOMPARE(r.Chip().ClockWord(), SynthWord(50'000'000));
    QCOMPARE(r.Status(), ClockText(50'000'000));

    // The programming-only key is refused before the window opens.
    r.env->Hardware().Key().faults.zeroSeed = true;
    r.Main().RunClockItemClick();
    QCOMPARE(r.answer.answered, 1);
    QCOMPARE(QString::fromStdString(r.LastMessage()),
             QStringLiteral("Brisand does not support this function."));
    QVERIFY(r.Main().findChild<QToolButton*>(QStringLiteral("ClockTBTN"))->isEnabled());
}

void ChipCommandsTest::deviceCommandAndTheRefreshAfterAssembling() {
    ProgramRig r;
    TDeviceForm& device = r.env->DeviceForm();
    r.Main().RunDeviceItemClick();
    QVERIFY(device.isVisible());
    QCOMPARE(device.IdLabel().text(), QString());

    r.Write(kSource);
    r.Main().RunAssembleItemClick();
    QCOMPARE(device.IdLabel().text(), QStringLiteral("RUNME"));
    QCOMPARE(device.EELabel(0).text().left(9), QStringLiteral("000- C5A "));
    QVERIFY(device.ItemButton(DeviceGroup::Oscillator, 1).isChecked());

    // The window's own buttons reach the same key on the configured port.
    device.Button(DeviceButton::Program).click();
    QCOMPARE(r.Chip().Code(0), uint16_t(0xC5A));
    device.Button(DeviceButton::Verify).click();
    QCOMPARE(QString::fromStdString(r.LastMessage()), QStringLiteral("Device verified OK"));
    r.Chip().LoadCode(1, 0x123);
    device.Button(DeviceButton::Read).click();
    QCOMPARE(device.EELabel(0).text().left(13), QStringLiteral("000- C5A 123 "));
    device.Button(DeviceButton::Cancel).click();
    QVERIFY(!device.isVisible());
}

void ChipCommandsTest::hexImageOnTheCommandLineGoesToTheDeviceWindow() {
    TempFolder dir("cmdline");
    std::string image = dir / "image.sxh";
    {
        auto record = std::make_unique<AssemblyRecord>();
        record->StartUp();
        record->ClearImage();
        record->assembled.SetId("FROMCL");
        record->assembled[0] = 0x8A5A;
        QVERIFY(WriteImageFile(*record, image));
    }
    ProgramRig r({"/R", image});
    r.Main().show();
    TDeviceForm& device = r.env->DeviceForm();
    QTRY_VERIFY(device.isVisible());
    QCOMPARE(device.windowTitle(), QStringLiteral("Device : EEPROM Image READ ONLY"));
    QCOMPARE(device.IdLabel().text(), QStringLiteral("FROMCL"));
    QCOMPARE(r.Main().Files().Count(), 1);
    QVERIFY(r.Main().CurrentEditor().IsEmpty());
    device.Button(DeviceButton::Program).click();
    QCOMPARE(r.Chip().Code(0), uint16_t(0xA5A));

    // Without /R the image can be edited.
    ProgramRig w({image});
    w.Main().show();
    QTRY_VERIFY(w.env->DeviceForm().isVisible());
    QCOMPARE(w.env->DeviceForm().windowTitle(), QStringLiteral("Device"));
    QVERIFY(w.env->DeviceForm().Button(DeviceButton::Read).isEnabled());
}

void ChipCommandsTest::deviceAndClockWindowsKeepTheirPlacement() {
    ProgramRig r;
    TDeviceForm& device = r.env->DeviceForm();
    r.Main().RunDeviceItemClick();
    device.move(123, 77);
    QCoreApplication::processEvents();
    QRect placed = device.geometry();
    device.Button(DeviceButton::Cancel).click();
    QCOMPARE(r.store.ReadInt("DeviceWindow\\Left"), std::optional<int32_t>(placed.x()));
    QCOMPARE(r.store.ReadInt("DeviceWindow\\Top"), std::optional<int32_t>(placed.y()));
    QCOMPARE(r.store.ReadInt("DeviceWindow\\Visible"), std::optional<int32_t>(0));

    r.answer.Next([](QDialog& d) { d.move(300, 200); });
    r.Main().RunClockItemClick();
    QRect clock = r.env->ClockForm().geometry();
    QCOMPARE(r.store.ReadInt("ClockWindow\\Left"), std::optional<int32_t>(clock.x()));
    QCOMPARE(r.store.ReadInt("ClockWindow\\Width"), std::optional<int32_t>(clock.width()));

    // The next start puts them back; a window still up at the end is stored as visible.
    r.Start();
    QCOMPARE(r.env->DeviceForm().geometry().topLeft(), placed.topLeft());
    QCOMPARE(r.env->ClockForm().geometry().topLeft(), clock.topLeft());
    r.Main().RunDeviceItemClick();
    r.env.reset();
    QCOMPARE(r.store.ReadInt("DeviceWindow\\Visible"), std::optional<int32_t>(1));
}

QTEST_MAIN(ChipCommandsTest)
#include "ChipCommandsTest.moc"
