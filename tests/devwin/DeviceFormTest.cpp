// The device window over its model: the controls and what they write, hints, the dump,
// image files with the read-only state, and Program, Verify and Read on the virtual key.
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStyle>
#include <QTest>
#include <QWheelEvent>

#include "DevwinRig.h"
#include "link/ui/TDeviceForm.h"

using namespace pellix;
using namespace pellix::test;

namespace {

struct DeviceRig : LinkRig {
    explicit DeviceRig(int family = 0) : LinkRig(family) {
        form.beforeOperation = [this] { ++operations; };
        form.show();
    }
    TDeviceForm form{*record, prompter, &device};
    int operations = 0;

    void Choose(DeviceGroup g, int item) { form.ItemButton(g, item).click(); }
    void Tick(DeviceBox b, bool on) {
        if (form.Box(b).isChecked() != on) form.Box(b).click();
    }
    int CheckedItem(DeviceGroup g) {
        for (int i = 0; i < 12; ++i) {
            auto* b = form.Group(g).findChild<QRadioButton*>(
                QString::fromLatin1(GroupText(g).objectName) + QStringLiteral("Item%1").arg(i));
            if (b && b->isChecked()) return i;
        }
        return -1;
    }
    uint16_t Fuse() const { return record->assembled.Fuse(); }
    uint16_t Fusex() const { return record->assembled.Fusex(); }
    // Puts words into `assembled` as an assembly would and shows them.
    void Load(int family, uint16_t fusex, uint16_t fuse) {
        record->deviceFamily = uint8_t(family);
        record->assembled.Fusex() = fusex;
        record->assembled.Fuse() = fuse;
        form.hide();
        form.show();
    }
};

const DeviceBox kAllBoxes[] = {DeviceBox::Turbo,      DeviceBox::StackOption, DeviceBox::Carry,
                               DeviceBox::Sync,       DeviceBox::Watchdog,    DeviceBox::Protect,
                               DeviceBox::SleepClock, DeviceBox::Drive,       DeviceBox::Feedback};

} // namespace

class DeviceFormTest : public QObject {
    Q_OBJECT
private slots:
    void controlsHaveTheirNamesAndCaptions();
    void sx48TicksAndDisablesTurboAndStackAndSx28RestoresThem();
    void clickingOutTheClearedWordsAndTheAllOnesFusex();
    void anOscillatorPatternWithoutAnItemLeavesNoSelection();
    void hintsForEitherAssembler();
    void dumpScrollsWithTheBarAndTheWheel();
    void readOnlyImageIsRefusedUnderItsOwnName();
    void loadHexAsksAndABadFileChangesNothing();
    void programVerifyAndReadOnTheVirtualKey();
    void aLinkErrorLeavesTheWindowUsable();
    void anAssemblyRefillsTheWindowNowOrAtItsNextShowing();
};

void DeviceFormTest::controlsHaveTheirNamesAndCaptions() {
    DeviceRig r;
    QCOMPARE(r.form.objectName(), QStringLiteral("DeviceForm"));
    QCOMPARE(r.form.windowTitle(), QStringLiteral("Device"));
    const std::pair<const char*, const char*> groups[] = {{"DeviceRadioGroup", "&Device"},
                                                          {"OscRadioGroup", "&Oscillator"},
                                                          {"ResetRadioGroup", "Reset &Timer"},
                                                          {"BrownoutRadioGroup", "&Brownout"},
                                                          {"OptionsGroup", "Op&tions"}};
    for (auto [name, caption] : groups) {
        auto* g = r.form.findChild<QGroupBox*>(QString::fromLatin1(name));
        QVERIFY2(g, name);
        QCOMPARE(g->title(), QString::fromLatin1(caption));
    }
    QStringList osc;
    for (QRadioButton* b : r.form.Group(DeviceGroup::Oscillator).findChildren<QRadioButton*>())
        osc << b->text();
    QCOMPARE(osc,
             (QStringList{"Crystal - HS3", "Crystal - HS2", "Crystal - HS1", "Crystal - XT2",
                          "Crystal - XT1", "Crystal - LP2", "Crystal - LP1", "External RC",
                          "Internal 4MHz", "Internal 1MHz", "Internal 128KHz", "Internal 32KHz"}));
    const std::pair<const char*, const char*> boxes[] = {
        {"TurboCheckBox", "Turbo Mode"},         {"StackOPTIONCheckBox", "Stack + OPTION"},
        {"CarryCheckBox", "ADD/SUB with C"},     {"SyncCheckBox", "Input Syncing"},
        {"WatchdogCheckBox", "Watchdog Timer"},  {"ProtectCheckBox", "Code Protect"},
        {"SleepClockCheckBox", "Sleep Clock"},   {"DriveCheckBox", "Crystal Drive"},
        {"FeedbackCheckBox", "Crystal Feedback"}};
    for (auto [name, caption] : boxes) {
        auto* b = r.form.findChild<QCheckBox*>(QString::fromLatin1(name));
        QVERIFY2(b, name);
        QCOMPARE(b->text(), QString::fromLatin1(caption));
    }
    auto* panel = r.form.findChild<QWidget*>(QStringLiteral("BufferFeedbackPanel"));
    QVERIFY(panel);
    QVERIFY(panel->isAncestorOf(&r.form.Box(DeviceBox::Drive)));
    QVERIFY(panel->isAncestorOf(&r.form.Box(DeviceBox::Feedback)));
    const std::pair<const char*, const char*> buttons[] = {
        {"LoadHexButton", "&Load Hex"}, {"SaveHexButton", "&Save Hex"},
        {"ProgramButton", "&Program"},  {"VerifyButton", "&Verify"},
        {"ReadButton", "&Read"},        {"CancelButton", "&Cancel"}};
    for (auto [name, caption] : buttons) {
        auto* b = r.form.findChild<QPushButton*>(QString::fromLatin1(name));
        QVERIFY2(b, name);
        QCOMPARE(b->text(), QString::fromLatin1(caption));
    }
    QVERIFY(r.form.findChild<QLabel*>(QStringLiteral("IDStringLabel")));
    for (int i = 0; i < 8; ++i)
        QVERIFY(r.form.findChild<QLabel*>(QStringLiteral("EELabel%1").arg(i)));
    QVERIFY(r.form.findChild<QScrollBar*>(QStringLiteral("EEScrollBar")));

    r.form.Button(DeviceButton::Cancel).click();
    QVERIFY(!r.form.isVisible());
}

void DeviceFormTest::sx48TicksAndDisablesTurboAndStackAndSx28RestoresThem() {
    DeviceRig r;
    r.Choose(DeviceGroup::Device, 1);
    r.Tick(DeviceBox::Turbo, false);
    r.Tick(DeviceBox::StackOption, true);
    QVERIFY(!r.form.Group(DeviceGroup::ResetTimer).isEnabled());
    QCOMPARE(r.CheckedItem(DeviceGroup::ResetTimer), -1);
    QVERIFY(!r.form.Box(DeviceBox::SleepClock).isEnabled());

    r.Choose(DeviceGroup::Device, 2);
    QCOMPARE(r.record->deviceFamily, uint8_t(1));
    for (DeviceBox b : {DeviceBox::Turbo, DeviceBox::StackOption}) {
        QVERIFY(r.form.Box(b).isChecked());
        QVERIFY(!r.form.Box(b).isEnabled());
    }
    QVERIFY(r.form.Group(DeviceGroup::ResetTimer).isEnabled());
    QVERIFY(r.CheckedItem(DeviceGroup::ResetTimer) >= 0);
    QVERIFY(r.form.Box(DeviceBox::SleepClock).isEnabled());
    QVERIFY(r.form.Box(DeviceBox::Drive).isEnabled()); // a crystal is chosen
    QCOMPARE(r.form.ScrollBar().maximum(), 4096 / 8 - 8);

    r.Choose(DeviceGroup::Device, 1);
    QCOMPARE(r.record->deviceFamily, uint8_t(0));
    QVERIFY(!r.form.Box(DeviceBox::Turbo).isChecked());
    QVERIFY(r.form.Box(DeviceBox::StackOption).isChecked());
    QVERIFY(r.form.Box(DeviceBox::Turbo).isEnabled());
    QVERIFY(!r.form.Box(DeviceBox::Drive).isEnabled());
    QVERIFY(!r.form.Group(DeviceGroup::ResetTimer).isEnabled());
    QCOMPARE(r.form.ScrollBar().maximum(), 2048 / 8 - 8);
}

void DeviceFormTest::clickingOutTheClearedWordsAndTheAllOnesFusex() {
    DeviceRig r;
    r.Choose(DeviceGroup::Device, 1);
    r.Choose(DeviceGroup::Oscillator, 0);
    r.Choose(DeviceGroup::Brownout, 0);
    for (DeviceBox b : kAllBoxes)
        if (r.form.Box(b).isEnabled()) r.Tick(b, b == DeviceBox::Feedback);
    QCOMPARE(r.Fuse(), uint16_t(0xE2 + 8 + 1024 + 2048 + 0x310));
    QCOMPARE(r.Fuse(), uint16_t(0xFFA));
    QCOMPARE(r.Fusex(), uint16_t(0x403 + 0x30 + 64 + 128 + 0xB0C));
    QCOMPARE(r.Fusex(), uint16_t(0xFFF));

    // Each box moves its own bit, at once.
    r.Tick(DeviceBox::Watchdog, true);
    QCOMPARE(r.Fuse(), uint16_t(0xFFE));
    r.Tick(DeviceBox::Feedback, false);
    QCOMPARE(r.Fuse(), uint16_t(0xFFE - 64));
    r.Choose(DeviceGroup::Device, 0);
    QCOMPARE(r.Fusex(), uint16_t(0xFFF - 0x400));
    r.Choose(DeviceGroup::Brownout, 1);
    QCOMPARE(r.Fusex(), uint16_t(0xFFF - 0x400 - 0x30));
}

void DeviceFormTest::anOscillatorPatternWithoutAnItemLeavesNoSelection() {
    DeviceRig r;
    r.Choose(DeviceGroup::Oscillator, 3);
    QCOMPARE(r.CheckedItem(DeviceGroup::Oscillator), 3);
    // ((FUSE >> 5) & 7) * 4 + (FUSE & 3) = 0 names no item.
    r.Load(0, 0xFFF, 0xF08);
    QCOMPARE(r.CheckedItem(DeviceGroup::Oscillator), -1);
    QCOMPARE(r.Fuse() & 0x0E3, 0x000); // nothing to write: the image's bits stay
    QVERIFY(!r.form.Box(DeviceBox::Feedback).isEnabled()); // not a crystal
    r.Choose(DeviceGroup::Oscillator, 8);
    QCOMPARE(r.CheckedItem(DeviceGroup::Oscillator), 8);
    QCOMPARE(r.Fuse() & 0x0E3, 0x003);

    // The same for family 1.
    r.Load(1, 0xFFF, 0xF04);
    QCOMPARE(r.CheckedItem(DeviceGroup::Device), 2);
    QCOMPARE(r.CheckedItem(DeviceGroup::Oscillator), -1);
}

void DeviceFormTest::hintsForEitherAssembler() {
    DeviceRig r;
    bool external = false;
    r.form.externalAssembler = [&] { return external; };
    r.form.hide();
    r.form.show();
    QCOMPARE(r.form.ItemButton(DeviceGroup::Device, 0).toolTip(),
             QStringLiteral("Use  DEVICE SX18"));
    QCOMPARE(r.form.ItemButton(DeviceGroup::Device, 2).toolTip(),
             QStringLiteral("Use  DEVICE SX48  -or-  DEVICE SX52"));
    QCOMPARE(r.form.ItemButton(DeviceGroup::Brownout, 0).toolTip(),
             QStringLiteral("Don't specify brownout setting"));
    QCOMPARE(r.form.ItemButton(DeviceGroup::ResetTimer, 0).toolTip(),
             QStringLiteral("Use  DEVICE DRT18MS"));
    QCOMPARE(r.form.Box(DeviceBox::SleepClock).toolTip(), QStringLiteral("Use  DEVICE SLEEPCLOCK"));
    QCOMPARE(r.form.Box(DeviceBox::Drive).toolTip(),
             QStringLiteral("Use  DEVICE DRIVEOFF  -or-  DEVICE XTLBUFD"));
    // The window's hints wait 3.5 s; the main window's keep the usual pause.
    for (QWidget* w : {static_cast<QWidget*>(&r.form.ItemButton(DeviceGroup::Oscillator, 0)),
                       static_cast<QWidget*>(&r.form.Box(DeviceBox::Carry))})
        QCOMPARE(w->style()->styleHint(QStyle::SH_ToolTip_WakeUpDelay, nullptr, w), 3500);
    QVERIFY(QApplication::style()->styleHint(QStyle::SH_ToolTip_WakeUpDelay) != 3500);

    // The hints follow the assembler at the next showing.
    external = true;
    r.form.hide();
    r.form.show();
    QCOMPARE(r.form.ItemButton(DeviceGroup::ResetTimer, 0).toolTip(),
             QStringLiteral("Use  DEVICE WDRT184"));
    QCOMPARE(r.form.ItemButton(DeviceGroup::ResetTimer, 3).toolTip(),
             QStringLiteral("Use  DEVICE WDRT006"));
    QCOMPARE(r.form.Box(DeviceBox::SleepClock).toolTip(), QStringLiteral("Use  DEVICE SLEEPCLK"));
    QCOMPARE(r.form.Box(DeviceBox::StackOption).toolTip(),
             QStringLiteral("Use  DEVICE STACKX  -or-  DEVICE OPTIONX"));
    QCOMPARE(r.form.Box(DeviceBox::Feedback).toolTip(), QStringLiteral("Use  DEVICE IFBD"));
}

void DeviceFormTest::dumpScrollsWithTheBarAndTheWheel() {
    DeviceRig r;
    for (int a = 0; a < 4096; ++a)
        r.record->assembled[a] = uint16_t(kWrittenMark | (a & 0xFFF));
    r.record->assembled.SetId("HELLO");
    r.Load(0, 0xFFF, 0xFFA);
    QCOMPARE(r.form.IdLabel().text(), QStringLiteral("HELLO"));
    QCOMPARE(r.form.EELabel(0).text(), QStringLiteral("000- 000 001 002 003 004 005 006 007"));
    QCOMPARE(r.form.EELabel(7).text(), QStringLiteral("038- 038 039 03A 03B 03C 03D 03E 03F"));
    QCOMPARE(r.form.ScrollBar().value(), 0);

    r.form.ScrollBar().setValue(10);
    QCOMPARE(r.form.EELabel(0).text().left(9), QStringLiteral("050- 050 "));
    r.form.ScrollBar().setValue(100000);
    QCOMPARE(r.form.ScrollBar().value(), 2048 / 8 - 8);
    QCOMPARE(r.form.EELabel(7).text().left(5), QStringLiteral("7F8- "));

    auto* dump = r.form.findChild<QWidget*>(QStringLiteral("EEDumpPanel"));
    QVERIFY(dump);
    QPointF at(5, 5);
    QWheelEvent down(at, dump->mapToGlobal(at), QPoint(), QPoint(0, -120), Qt::NoButton,
                     Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(dump, &down);
    QVERIFY(r.form.ScrollBar().value() > 0);
    QCOMPARE(r.form.EELabel(0).text().left(3),
             QStringLiteral("%1")
                 .arg(r.form.ScrollBar().value() * 8, 3, 16, QLatin1Char('0'))
                 .toUpper());
}

void DeviceFormTest::readOnlyImageIsRefusedUnderItsOwnName() {
    TempFolder dir("readonly");
    DeviceRig r;
    r.record->assembled.SetId("RO");
    r.record->assembled[3] = 0x8ABC;
    std::string image = dir / "image.sxh";
    QVERIFY(WriteImageFile(*r.record, image));
    r.record->assembled[3] = 0x0FFF;
    std::string before = Slurp(image);

    QVERIFY(r.form.LoadImageFile(image, true));
    QCOMPARE(r.form.windowTitle(), QStringLiteral("Device : EEPROM Image READ ONLY"));
    QCOMPARE(r.form.IdLabel().text(), QStringLiteral("RO"));
    QCOMPARE(r.form.EELabel(0).text().left(20), QStringLiteral("000- FFF FFF FFF ABC"));
    for (int g = 0; g < kDeviceGroups; ++g)
        QVERIFY(!r.form.Group(DeviceGroup(g)).isEnabled());
    for (DeviceBox b : kAllBoxes)
        QVERIFY(!r.form.Box(b).isEnabled());
    QVERIFY(!r.form.Button(DeviceButton::LoadHex).isEnabled());
    QVERIFY(!r.form.Button(DeviceButton::Read).isEnabled());
    for (DeviceButton b :
         {DeviceButton::Program, DeviceButton::Verify, DeviceButton::Cancel, DeviceButton::SaveHex})
        QVERIFY(r.form.Button(b).isEnabled());

    // Under its own name: told first, then refused, and the file stays as it was.
    r.prompter.AnswerFile(image);
    r.form.Button(DeviceButton::SaveHex).click();
    QCOMPARE(r.prompter.messages.size(), size_t(2));
    QCOMPARE(QString::fromStdString(r.prompter.messages[0].text),
             QStringLiteral(
                 "This is a READ ONLY EEPROM image and must be saved under a different name."));
    QCOMPARE(QString::fromStdString(r.prompter.messages[1].text),
             QStringLiteral("Choose a different name to save the READ ONLY file:"));
    QCOMPARE(r.prompter.dialogs.back().caption, std::string("Save Hex"));
    QCOMPARE(r.prompter.dialogs.back().directory,
             std::filesystem::path(image).parent_path().string());
    QVERIFY(Slurp(image) == before);

    // Under another name it is saved, and the window stays read-only.
    std::string copy = dir / "copy.sxh";
    r.prompter.AnswerFile(copy);
    r.form.Button(DeviceButton::SaveHex).click();
    QVERIFY(Slurp(copy) == before);
    QCOMPARE(r.form.windowTitle(), QStringLiteral("Device : EEPROM Image READ ONLY"));

    // It can still be programmed.
    r.form.Button(DeviceButton::Program).click();
    QCOMPARE(r.key.Chip().Code(3), uint16_t(0xABC));
}

void DeviceFormTest::loadHexAsksAndABadFileChangesNothing() {
    TempFolder dir("load");
    DeviceRig r;
    r.record->deviceFamily = 1;
    r.record->ClearImage();
    r.record->assembled.Fuse() = 0xF8B;
    r.record->assembled[4095] = 0x8123; // an SX48/52 image
    std::string image = dir / "big.sxh";
    QVERIFY(WriteImageFile(*r.record, image));
    r.record->deviceFamily = 0;
    r.record->ClearImage();
    r.form.hide();
    r.form.show();
    QVERIFY(r.CheckedItem(DeviceGroup::Device) != 2);

    r.prompter.AnswerFile(image);
    r.form.Button(DeviceButton::LoadHex).click();
    const FileDialogRequest& asked = r.prompter.dialogs.back();
    QCOMPARE(asked.caption, std::string("Load Hex"));
    QCOMPARE(asked.filter, std::string("SX Hex File (*.SXH)|*.SXH"));
    QCOMPARE(asked.defaultExtension, std::string("SXH"));
    QCOMPARE(r.CheckedItem(DeviceGroup::Device), 2);
    QCOMPARE(r.record->deviceFamily, uint8_t(1));
    QCOMPARE(r.form.windowTitle(), QStringLiteral("Device"));
    QVERIFY(r.form.Button(DeviceButton::Read).isEnabled());

    std::string bad = dir / "bad.sxh";
    std::ofstream(bad) << ":0200000001FF00\r\n";
    r.prompter.AnswerFile(bad);
    r.form.Button(DeviceButton::LoadHex).click();
    QCOMPARE(QString::fromStdString(r.LastMessage()),
             QStringLiteral("ERROR! Hex violation was encountered in file."));
    QCOMPARE(r.prompter.messages.back().buttons, PromptButtons::Abort);
    QCOMPARE(r.CheckedItem(DeviceGroup::Device), 2);
    QCOMPARE(r.record->assembled.Code(4095), uint16_t(0x123));

    // A cancelled dialog does nothing.
    size_t shown = r.prompter.messages.size();
    r.form.Button(DeviceButton::LoadHex).click();
    QCOMPARE(r.prompter.messages.size(), shown);
    QCOMPARE(r.CheckedItem(DeviceGroup::Device), 2);
}

void DeviceFormTest::programVerifyAndReadOnTheVirtualKey() {
    DeviceRig r;
    for (int a = 0; a < 2048; ++a)
        r.record->assembled[a] = uint16_t(kWrittenMark | ((a * 7) & 0xFFF));
    r.record->assembled.SetId("CHIP");
    r.Load(0, 0xFFF, 0xFFA);
    r.Choose(DeviceGroup::Device, 1);
    int shows = 0;
    struct ShowCounter : QObject {
        int& n;
        explicit ShowCounter(int& count) : n(count) {}
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() == QEvent::Show) ++n;
            return false;
        }
    } counter(shows);
    r.progress.installEventFilter(&counter);

    r.form.Button(DeviceButton::Program).click();
    QCOMPARE(r.operations, 1);
    QVERIFY(r.prompter.messages.empty());
    for (int a : {0, 1, 777, 2047})
        QCOMPARE(r.key.Chip().Code(a), uint16_t((a * 7) & 0xFFF));
    QVERIFY(shows >= 1);
    QVERIFY(!r.progress.isVisible());
    QVERIFY(QApplication::overrideCursor() == nullptr);

    r.form.Button(DeviceButton::Verify).click();
    QCOMPARE(QString::fromStdString(r.LastMessage()), QStringLiteral("Device verified OK"));
    r.key.Chip().LoadCode(1000, 0x000);
    r.form.Button(DeviceButton::Verify).click();
    QCOMPARE(QString::fromStdString(r.LastMessage()),
             QString::fromUtf8("Verify failed at E\u00B2Flash"));

    // Read shows the chip as it is, its family included.
    r.key.Chip().SetFamily(1);
    r.key.Chip().LoadCode(0, 0x0AB);
    r.key.Chip().LoadId(0, 0x5);
    r.form.Button(DeviceButton::Read).click();
    QCOMPARE(r.operations, 4);
    QCOMPARE(r.CheckedItem(DeviceGroup::Device), 2);
    QCOMPARE(r.form.EELabel(0).text().left(9), QStringLiteral("000- 0AB "));
    QCOMPARE(r.record->assembled.Code(0), uint16_t(0x0AB));
    QCOMPARE(r.form.ScrollBar().maximum(), 4096 / 8 - 8);
    QVERIFY(!r.progress.isVisible());
}

void DeviceFormTest::aLinkErrorLeavesTheWindowUsable() {
    DeviceRig r;
    r.key.faults.noAnswer = true;
    r.form.Button(DeviceButton::Program).click();
    QCOMPARE(r.prompter.messages.size(), size_t(1));
    QCOMPARE(QString::fromStdString(r.LastMessage()), QStringLiteral("Pellix not found on sim."));
    QCOMPARE(r.prompter.messages.back().buttons, PromptButtons::Abort);
    QVERIFY(!r.progress.isVisible());
    QVERIFY(!r.link.PortOpen());
    QVERIFY(QApplication::overrideCursor() == nullptr);
    QVERIFY(r.form.isVisible());
    QVERIFY(r.form.Button(DeviceButton::Read).isEnabled());

    // A status error halfway through the read: the image the window shows stays.
    r.key.faults.noAnswer = false;
    r.record->assembled[0] = 0x8123;
    r.form.hide();
    r.form.show();
    r.key.faults.statusOn = 3;
    r.key.faults.statusValue = 3;
    r.form.Button(DeviceButton::Read).click();
    QCOMPARE(QString::fromStdString(r.LastMessage()), QStringLiteral("Programming failed."));
    QCOMPARE(r.form.EELabel(0).text().left(9), QStringLiteral("000- 123 "));
    QVERIFY(!r.progress.isVisible());

    r.form.Button(DeviceButton::Program).click();
    QCOMPARE(r.key.Chip().Code(0), uint16_t(0x123));
}

void DeviceFormTest::anAssemblyRefillsTheWindowNowOrAtItsNextShowing() {
    TempFolder dir("assembly");
    DeviceRig r;
    std::string image = dir / "ro.sxh";
    QVERIFY(WriteImageFile(*r.record, image));
    QVERIFY(r.form.LoadImageFile(image, true));

    // Visible: at once.
    r.record->assembled.SetId("NEW");
    r.form.AfterAssembly();
    QCOMPARE(r.form.windowTitle(), QStringLiteral("Device"));
    QCOMPARE(r.form.IdLabel().text(), QStringLiteral("NEW"));
    QVERIFY(r.form.Button(DeviceButton::Read).isEnabled());

    // Hidden: nothing is rewritten until it is shown again.
    QVERIFY(r.form.LoadImageFile(image, true));
    r.form.hide();
    r.record->assembled.SetId("LATER");
    r.record->assembled.Fuse() = 0x123;
    r.form.AfterAssembly();
    QCOMPARE(r.record->assembled.Fuse(), uint16_t(0x123));
    r.form.show();
    QCOMPARE(r.form.windowTitle(), QStringLiteral("Device"));
    QCOMPARE(r.form.IdLabel().text(), QStringLiteral("LATER"));
    QVERIFY(r.form.Group(DeviceGroup::Device).isEnabled());
}

QTEST_MAIN(DeviceFormTest)
#include "DeviceFormTest.moc"
