// The Configure dialog: its controls, the values it reads and writes, its layout rules.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QToolButton>

#include "ModalWatcher.h"
#include "platform/ScriptedPrompter.h"
#include "platform/qt/QtPlacedWindow.h"
#include "shell/ui/Colors.h"
#include "shell/ui/TConfigureForm.h"

using namespace pellix;
using pellix::test::ModalWatcher;

namespace {

// Remembers the order of the writes.
class RecordingStore final : public SettingsStore {
public:
    bool Exists(const std::string& n) override { return inner.Exists(n); }
    bool KeyExists(const std::string& n) override { return inner.KeyExists(n); }
    std::optional<int32_t> ReadInt(const std::string& n) override { return inner.ReadInt(n); }
    std::optional<std::string> ReadString(const std::string& n) override {
        return inner.ReadString(n);
    }
    void WriteInt(const std::string& n, int32_t v) override {
        writes.push_back(n);
        inner.WriteInt(n, v);
    }
    void WriteString(const std::string& n, const std::string& v) override {
        writes.push_back(n);
        inner.WriteString(n, v);
    }
    MemorySettingsStore inner;
    std::vector<std::string> writes;
};

struct Rig {
    explicit Rig(bool stored = true) {
        if (stored) store.inner.WriteString(setting::ComPort, "COM1");
    }
    TConfigureForm& Make(bool compilerMode = false) {
        form = std::make_unique<TConfigureForm>(ConfigureContext{
            registry, settings, prompter, compilerMode, [this] { applied << "editor"; },
            [this] { applied << "errors"; }, [this] { return ports; }});
        return *form;
    }
    template <class T>
    T* Find(const char* name) {
        T* w = form->findChild<T*>(QString::fromLatin1(name));
        if (!w) qWarning("no %s", name);
        return w;
    }
    QCheckBox* Box(const char* name) { return Find<QCheckBox>(name); }
    // Runs the dialog; `change` sets controls before Okay (or Cancel) is pressed.
    bool Run(const std::function<void()>& change, const char* button = "OkayButton") {
        ModalWatcher watcher;
        watcher.handler = [&](QDialog& d) {
            if (&d != form.get()) return false;
            if (change) change();
            Find<QPushButton>(button)->click();
            if (d.isVisible()) d.reject();
            return true;
        };
        return form->Execute();
    }

    // The serial ports "present".
    std::vector<SerialPortInfo> ports;
    RecordingStore store;
    SettingsRegistry registry{store};
    WorkingSettings settings;
    ScriptedPrompter prompter;
    QStringList applied;
    std::unique_ptr<TConfigureForm> form;
};

QString L(const char* s) {
    return QString::fromLatin1(s);
}

// With PELLIX_SCREENSHOTS naming a folder, a picture of the window for a person to look at.
void MaybeGrab(QWidget& w, const char* name) {
    QByteArray dir = qgetenv("PELLIX_SCREENSHOTS");
    if (dir.isEmpty()) return;
    QCoreApplication::processEvents();
    w.grab().save(QString::fromLocal8Bit(dir) + QLatin1Char('/') + QLatin1String(name));
}

} // namespace

class ConfigureFormTest : public QObject {
    Q_OBJECT
private slots:
    void controlsCaptionsHintsAndDefaults();
    void okayWritesEveryValueInItsOrder();
    void cancelStoresNothingAndTheNextShowStartsFromTheSettings();
    void sizesStayInTheirRanges();
    void layoutFollowsUseOrdaAndUseNewEditor();
    void portItemsTheVirtualKeyAndADevice();
    void thePortsPresentAreOfferedAndRefreshed();
    void theLineTraceIsASettingOfItsOwn();
    void colourPanelsAskOnlyWhileInUse();
    void creationReadsWhatIsStoredAndAppliesIt();
    void placementIsStoredAndRestored();
};

void ConfigureFormTest::controlsCaptionsHintsAndDefaults() {
    Rig rig;
    TConfigureForm& f = rig.Make();
    QVERIFY(!f.FirstRun());
    QCOMPARE(f.windowTitle(), L("Configure"));
    QCOMPARE(rig.Find<QGroupBox>("IRCRadioGroup")->title(), L("&IRC Calibration"));
    QCOMPARE(rig.Find<QGroupBox>("PortRadioGroup")->title(), L("&Serial Port"));
    const char* const irc[] = {"Slowest", "4 MHz", "Fastest"};
    for (int i = 0; i < 3; ++i)
        QCOMPARE(rig.Find<QRadioButton>(QStringLiteral("IRCItem%1").arg(i).toLatin1())->text(),
                 L(irc[i]));
    const char* const ports[] = {"COM&1", "COM&2", "COM&3", "COM&4"};
    for (int i = 0; i < 4; ++i)
        QCOMPARE(rig.Find<QRadioButton>(QStringLiteral("PortItem%1").arg(i).toLatin1())->text(),
                 L(ports[i]));
    QCOMPARE(f.IrcItem(), 0);
    QCOMPARE(f.PortItem(), 0);

    struct Row {
        const char* name;
        const char* caption;
        const char* hint;
        bool checked;
    };
    const Row rows[] = {
        {"CreateBackupCB", "Create backup (.bak) files",
         "Create backup file when saving current file", true},
        {"UseOrdaCB", "Use ORDA", "Use ORDA instead of Corvanex assembler", true},
        {"OrdaOutputFilesCB", "ORDA files to \"ORDA Output\" dir.",
         "Intermediate files generated by ORDA go to \"ORDA Output\" directory", true},
        {"LocalLabelStartColCB", "Local Labels Must Start In Col. 1",
         "Uncheck to let local labels start in any column", true},
        {"UseNewEditorCB", "Use New Editor", "Use enhanced editor instead of original editor",
         true},
        {"ColorCodeCheckbox", "Colored Code Keywords", "", false},
        {"CodeBoldCheckbox", "Boldface Code Keywords", "", true},
        {"ColorCommentsCheckbox", "Colored Comments", "", true},
        {"JumpToErrorCB", "Jump To Assembly Error Line",
         "Always jump to first source line with an ERROR after assembly", true},
        {"SaveFileCB", "Save file before assembling",
         "Save current file (if needed) before assembling", true},
        {"RmvOrdaFilesCB", "Remove Intermediate Files",
         "Always remove intermdiate files after assembly ", true},
    };
    for (const Row& r : rows) {
        QCheckBox* b = rig.Box(r.name);
        QVERIFY2(b, r.name);
        QCOMPARE(b->text(), L(r.caption));
        QCOMPARE(b->toolTip(), L(r.hint));
        QCOMPARE(b->isChecked(), r.checked);
        if (!b->toolTip().isEmpty()) QCOMPARE(b->toolTipDuration(), 3500);
    }
    QVERIFY(rig.Box("SaveFileCB")->isHidden());
    QVERIFY(rig.Box("RmvOrdaFilesCB")->isHidden());
    QCOMPARE(rig.Find<QGroupBox>("EditorOptionsGB")->title(), L("Enhanced Editor Options"));
    QCOMPARE(rig.Find<QGroupBox>("AssemblerOptionsGB")->title(), L("Assembler Options"));
    QCOMPARE(rig.Find<QLabel>("FontsizeLabel")->text(), L("Font size: 8"));
    QCOMPARE(rig.Find<QLabel>("TabsizeLabel")->text(), L("Tab size: 8"));
    QLabel* sample = rig.Find<QLabel>("TextSamplePanel");
    QCOMPARE(sample->text(), L("Sample"));
    QCOMPARE(sample->font().family(), L("Courier New"));
    QCOMPARE(sample->font().pointSize(), 8);
    auto* code = rig.Find<TColorPanel>("CodeColorPanel");
    auto* comment = rig.Find<TColorPanel>("CommentColorPanel");
    auto* error = rig.Find<TColorPanel>("ErrorBgColorPanel");
    QCOMPARE(code->toolTip(), L("Click to set keyword color"));
    QCOMPARE(comment->toolTip(), L("Click to set comment color"));
    QCOMPARE(error->toolTip(), L("Click to set BG color for errors"));
    QCOMPARE(rig.Find<QLabel>("ErrorBgColorLabel")->text(), L("Error BG Color"));
    QCOMPARE(code->Color(), kColorBlue);
    QCOMPARE(comment->Color(), kColorGreen);
    QCOMPARE(error->Color(), kColorYellow);
    QVERIFY2(code->isHidden(), "shown only with coloured keywords");
    QVERIFY(!comment->isHidden());
    QCOMPARE(rig.Find<QPushButton>("OkayButton")->text(), L("Okay"));
    QVERIFY(rig.Find<QPushButton>("OkayButton")->isDefault());
    QCOMPARE(rig.Find<QPushButton>("CancelButton")->text(), L("Cancel"));
    QVERIFY(rig.form->findChild<QColorDialog*>(L("SyntaxColorDLG")));
    f.adjustSize();
    QVERIFY(f.width() >= 205);
}

void ConfigureFormTest::okayWritesEveryValueInItsOrder() {
    Rig rig;
    TConfigureForm& f = rig.Make();
    rig.store.writes.clear();
    QVERIFY(rig.Run([&] {
        f.SetIrcItem(2);
        f.SetPortItem(2);
        rig.Find<TUpDown>("TabsizeUpDown")->StepDown();
        rig.Box("UseOrdaCB")->setChecked(false);
    }));
    const std::vector<std::string> order = {
        "Configuration\\ComPort",
        "Configuration\\IRCcalibration",
        "Configuration\\CreateBackups",
        "Configuration\\UseNewEditor",
        "Configuration\\Fontsize",
        "Configuration\\Tabsize",
        "Configuration\\ColoredCode",
        "Configuration\\CodeColor",
        "Configuration\\BoldCode",
        "Configuration\\ColoredComments",
        "Configuration\\CommentColor",
        "Configuration\\ErrorBgColor",
        "Configuration\\UseOrda",
        "Configuration\\OrdaFilesToOutputDir",
        "Configuration\\LocalLabelStartCol",
        "Configuration\\SaveFileBeforeAssembly",
        "Configuration\\JumpToAssemblyError",
        "Configuration\\RemoveIntermediateFiles",
    };
    QVERIFY(rig.store.writes.size() >= order.size() + 16);
    for (size_t i = 0; i < order.size(); ++i)
        QCOMPARE(QString::fromStdString(rig.store.writes[i]), QString::fromStdString(order[i]));
    for (int i = 0; i < 16; ++i) {
        std::string name = std::string("Configuration\\CustomColors\\Color") + char('A' + i);
        QCOMPARE(QString::fromStdString(rig.store.writes[order.size() + size_t(i)]),
                 QString::fromStdString(name));
        QCOMPARE(QString::fromStdString(*rig.store.inner.ReadString(name)),
                 QStringLiteral("Color%1=808080").arg(QChar('A' + i)));
    }
    // Integers under their relative names; the working copy took the same.
    QCOMPARE(rig.store.inner.ints.at("Configuration\\Tabsize"), 6);
    QCOMPARE(rig.store.inner.ints.at("Configuration\\IRCcalibration"), 2);
    QCOMPARE(QString::fromStdString(rig.store.inner.strings.at("Configuration\\ComPort")),
             L("COM3"));
    QCOMPARE(rig.settings.tabSize, 6);
    QCOMPARE(rig.settings.comPort, std::string("COM3"));
    QVERIFY(!rig.settings.useOrda);
    QCOMPARE(rig.applied, (QStringList{"editor", "errors", "editor", "errors"}));
}

void ConfigureFormTest::cancelStoresNothingAndTheNextShowStartsFromTheSettings() {
    Rig rig;
    TConfigureForm& f = rig.Make();
    rig.store.writes.clear();
    QVERIFY(!rig.Run(
        [&] {
            rig.Box("CreateBackupCB")->setChecked(false);
            f.SetPortItem(3);
        },
        "CancelButton"));
    QVERIFY(rig.store.writes.empty());
    QVERIFY(rig.settings.createBackups);
    QCOMPARE(rig.settings.comPort, std::string("COM1"));
    QCOMPARE(rig.applied.size(), 2);
    f.ResetControls(); // what the next showing does
    QVERIFY(rig.Box("CreateBackupCB")->isChecked());
    QCOMPARE(f.PortItem(), 0);
}

void ConfigureFormTest::sizesStayInTheirRanges() {
    Rig rig;
    rig.Make();
    auto* tab = rig.Find<TUpDown>("TabsizeUpDown");
    auto* tabLabel = rig.Find<QLabel>("TabsizeLabel");
    QList<int> seen;
    for (int i = 0; i < 5; ++i) {
        tab->DownButton()->click();
        seen << tab->Value();
    }
    QCOMPARE(seen, (QList<int>{6, 4, 2, 2, 2}));
    QCOMPARE(tabLabel->text(), L("Tab size: 2"));
    QVERIFY(!tab->DownButton()->isEnabled());
    seen.clear();
    for (int i = 0; i < 4; ++i) {
        tab->UpButton()->click();
        seen << tab->Value();
    }
    QCOMPARE(seen, (QList<int>{4, 6, 8, 8}));
    tab->SetValue(5);
    QCOMPARE(tab->Value(), 4);

    auto* font = rig.Find<TUpDown>("FontsizeUpDown");
    auto* sample = rig.Find<QLabel>("TextSamplePanel");
    for (int i = 0; i < 10; ++i)
        font->StepDown();
    QCOMPARE(font->Value(), 6);
    QCOMPARE(rig.Find<QLabel>("FontsizeLabel")->text(), L("Font size: 6"));
    QCOMPARE(sample->font().pointSize(), 6);
    for (int i = 0; i < 40; ++i)
        font->UpButton()->click();
    QCOMPARE(font->Value(), 32);
    QCOMPARE(sample->font().pointSize(), 32);
    QTest::keyClick(font, Qt::Key_Down);
    QCOMPARE(font->Value(), 31);
    QVERIFY2(sample->width() >= QFontMetrics(sample->font()).horizontalAdvance(L("Sample")),
             "the sample has room for the largest size");
}

void ConfigureFormTest::layoutFollowsUseOrdaAndUseNewEditor() {
    Rig rig;
    TConfigureForm& f = rig.Make();
    f.show();
    QCoreApplication::processEvents();
    auto* irc = rig.Find<QGroupBox>("IRCRadioGroup");
    auto* port = rig.Find<QGroupBox>("PortRadioGroup");
    QWidget* row = port->parentWidget();
    QVERIFY(rig.Box("UseOrdaCB")->isChecked());
    MaybeGrab(f, "configure-orda.png");
    QVERIFY(irc->isHidden());
    QCOMPARE(port->x(), (row->width() - port->width()) / 2);
    QCOMPARE(row->width(), f.width());

    rig.Box("UseOrdaCB")->setChecked(false);
    QCoreApplication::processEvents();
    MaybeGrab(f, "configure-both-groups.png");
    QVERIFY(!irc->isHidden());
    QVERIFY(!rig.Box("OrdaOutputFilesCB")->isEnabled());
    QVERIFY(!rig.Box("LocalLabelStartColCB")->isEnabled());
    int gap = (row->width() - 2 * irc->width()) / 3;
    QCOMPARE(irc->width(), port->width());
    QCOMPARE(irc->x(), gap);
    QCOMPARE(port->x(), 2 * gap + irc->width());
    rig.Box("UseOrdaCB")->setChecked(true);
    QVERIFY(rig.Box("OrdaOutputFilesCB")->isEnabled());

    // The editor options: the panel ends 4 pixels below the last box shown.
    QWidget* panel = rig.Find<QWidget>("EditorOptionsPNL");
    QCheckBox* jump = rig.Box("JumpToErrorCB");
    QCOMPARE(panel->height() - (jump->geometry().bottom() + 1), 4);
    QVERIFY(!rig.Box("SaveFileCB")->isVisible());
    int tall = f.height();
    int okayTop = rig.Find<QPushButton>("OkayButton")->mapTo(&f, QPoint()).y();
    rig.Box("UseNewEditorCB")->setChecked(false);
    QCoreApplication::processEvents();
    QVERIFY(rig.Find<QGroupBox>("EditorOptionsGB")->isHidden());
    MaybeGrab(f, "configure-short.png");
    QVERIFY(f.height() < tall);
    QVERIFY(rig.Find<QPushButton>("OkayButton")->mapTo(&f, QPoint()).y() < okayTop);
    QCOMPARE(row->width(), f.width());
    f.hide();
}

void ConfigureFormTest::portItemsTheVirtualKeyAndADevice() {
    for (auto [stored, item] : {std::pair{"COM3", 2}, {"sim", 4}, {"/dev/ttyUSB0", 5}}) {
        Rig rig(false);
        rig.store.inner.WriteString(setting::ComPort, stored);
        TConfigureForm& f = rig.Make();
        QCOMPARE(f.PortItem(), item);
        if (item == 5) QCOMPARE(rig.Find<QLineEdit>("PortDeviceED")->text(), L(stored));
    }
    Rig rig;
    TConfigureForm& f = rig.Make();
    QCOMPARE(rig.Find<QRadioButton>("PortItem4")->text(), L("&Virtual key"));
    QVERIFY(rig.Run([&] { f.SetPortItem(kVirtualKeyItem); }));
    QCOMPARE(rig.settings.comPort, std::string("SIM"));

    // Typing a path chooses the device; an empty one is refused with a word of help.
    QVERIFY(rig.Run([&] {
        auto* edit = rig.Find<QLineEdit>("PortDeviceED");
        edit->clear();
        QTest::keyClicks(edit, "/dev/ttyUSB1");
    }));
    QCOMPARE(rig.settings.comPort, std::string("/dev/ttyUSB1"));
    rig.prompter.messages.clear();
    QVERIFY(!rig.Run([&] {
        rig.Find<QLineEdit>("PortDeviceED")->setText(L("   "));
        f.SetPortItem(kDeviceItem);
    }));
    QCOMPARE(rig.prompter.messages.size(), size_t(1));
    QCOMPARE(QString::fromStdString(rig.prompter.messages[0].text),
             L("Enter the device path of the key's serial port, for example /dev/ttyUSB0."));
    QCOMPARE(rig.settings.comPort, std::string("/dev/ttyUSB1"));
}

void ConfigureFormTest::thePortsPresentAreOfferedAndRefreshed() {
    Rig rig;
    SerialPortInfo ftdi;
    ftdi.path = "/dev/ttyUSB0";
    ftdi.manufacturer = "FTDI";
    ftdi.product = "FT232R USB UART";
    ftdi.vendorId = "0403";
    ftdi.productId = "6001";
    ftdi.stableNames = {"/dev/serial/by-id/usb-FTDI_FT232R-if00-port0"};
    SerialPortInfo uart;
    uart.path = "/dev/ttyS0";
    uart.comName = "COM1";
    rig.ports = {ftdi, uart};
    TConfigureForm& f = rig.Make();
    auto* combo = rig.Find<QComboBox>("PortDeviceCB");
    auto items = [&] {
        QStringList list;
        for (int i = 0; i < combo->count(); ++i)
            list << combo->itemText(i);
        return list;
    };
    QCOMPARE(items(),
             (QStringList{L("/dev/ttyUSB0"), L("/dev/serial/by-id/usb-FTDI_FT232R-if00-port0"),
                          L("/dev/ttyS0")}));
    QCOMPARE(
        combo->itemData(1, Qt::ToolTipRole).toString(),
        L("FTDI FT232R USB UART, USB 0403:6001, /dev/serial/by-id/usb-FTDI_FT232R-if00-port0"));
    // COM1 as stored: the list chooses nothing by itself.
    QCOMPARE(f.PortItem(), 0);
    QCOMPARE(combo->currentText(), QString());
    for (int i = 0; i < 4; ++i)
        QVERIFY(rig.Find<QRadioButton>(QStringLiteral("PortItem%1").arg(i).toLatin1()));

    // Picking a port from the list chooses the device item and says what the port is.
    QVERIFY(rig.Run([&] {
        combo->setCurrentIndex(1);
        emit combo->activated(1);
        QCOMPARE(f.PortItem(), kDeviceItem);
        QVERIFY(rig.Find<QLabel>("PortInfoLBL")->toolTip().startsWith(L("FTDI FT232R")));
    }));
    QCOMPARE(rig.settings.comPort, std::string("/dev/serial/by-id/usb-FTDI_FT232R-if00-port0"));

    // Refresh finds what was plugged in since, and keeps what was typed.
    SerialPortInfo acm;
    acm.path = "/dev/ttyACM0";
    rig.ports.insert(rig.ports.begin(), acm);
    QVERIFY(rig.Run([&] {
        QCOMPARE(combo->currentText(), L("/dev/serial/by-id/usb-FTDI_FT232R-if00-port0"));
        auto* edit = rig.Find<QLineEdit>("PortDeviceED");
        edit->clear();
        QTest::keyClicks(edit, "/dev/mine");
        rig.Find<QToolButton>("PortRefreshBTN")->click();
        QCOMPARE(combo->count(), 4);
        QCOMPARE(combo->itemText(0), L("/dev/ttyACM0"));
        QCOMPARE(combo->currentText(), L("/dev/mine"));
        QCOMPARE(rig.Find<QLabel>("PortInfoLBL")->text(), QString()); // not a port found
    }));
    QCOMPARE(rig.settings.comPort, std::string("/dev/mine"));
}

void ConfigureFormTest::theLineTraceIsASettingOfItsOwn() {
    Rig rig;
    TConfigureForm& f = rig.Make();
    auto* trace = rig.Find<QLineEdit>("LineTraceED");
    QCOMPARE(trace->text(), QString()); // no trace unless asked for
    QVERIFY(rig.Run([&] { trace->setText(L("  /tmp/key.trace ")); }));
    QCOMPARE(rig.settings.lineTraceFile, std::string("/tmp/key.trace"));
    QCOMPARE(rig.store.inner.ReadString("Link\\TraceFile"),
             std::optional<std::string>("/tmp/key.trace"));
    (void)f;

    // The next start reads it back; an emptied field turns the trace off.
    Rig next;
    next.store.inner = rig.store.inner;
    next.Make();
    QCOMPARE(next.settings.lineTraceFile, std::string("/tmp/key.trace"));
    QVERIFY(next.Run([&] { next.Find<QLineEdit>("LineTraceED")->clear(); }));
    QCOMPARE(next.settings.lineTraceFile, std::string());
}

void ConfigureFormTest::colourPanelsAskOnlyWhileInUse() {
    Rig rig;
    TConfigureForm& f = rig.Make();
    QList<QColor> asked;
    f.SetColorChooser([&](const QColor& initial, std::array<ColorRef, 16>& custom) {
        asked << initial;
        custom[2] = 0x123456;
        return std::optional<QColor>(QColor(255, 0, 0));
    });
    auto* code = rig.Find<TColorPanel>("CodeColorPanel");
    auto* comment = rig.Find<TColorPanel>("CommentColorPanel");
    auto* error = rig.Find<TColorPanel>("ErrorBgColorPanel");
    // The colours are chosen while the dialog is up.
    QVERIFY(rig.Run([&] {
        QTest::mouseClick(code, Qt::LeftButton);
        QVERIFY(asked.isEmpty()); // out of use without coloured keywords
        rig.Box("ColorCodeCheckbox")->setChecked(true);
        QVERIFY(!code->isHidden());
        QTest::mouseClick(code, Qt::LeftButton);
        QCOMPARE(asked.size(), 1);
        QCOMPARE(asked[0], QColor(0, 0, 255));
        QCOMPARE(code->Color(), ColorRef(0x0000FF));

        rig.Box("ColorCommentsCheckbox")->setChecked(false);
        QVERIFY(comment->isHidden());
        QTest::mouseClick(comment, Qt::LeftButton);
        QCOMPARE(asked.size(), 1);
        // The error colour is always there to be set, coloured comments or not.
        QTest::mouseClick(error, Qt::LeftButton);
        QCOMPARE(asked.size(), 2);
        QCOMPARE(asked[1], QColor(255, 255, 0));
        QCOMPARE(error->Color(), ColorRef(0x0000FF));

        // A cancelled choice changes nothing.
        f.SetColorChooser([&](const QColor&, std::array<ColorRef, 16>&) {
            asked << QColor();
            return std::optional<QColor>();
        });
        QTest::mouseClick(error, Qt::LeftButton);
        QCOMPARE(error->Color(), ColorRef(0x0000FF));
    }));
    QCOMPARE(rig.settings.codeColor, ColorRef(0x0000FF));
    QVERIFY(rig.settings.coloredCode);
    QVERIFY(!rig.settings.coloredComments);
    QCOMPARE(rig.store.inner.ints.at("Configuration\\ErrorBgColor"), 0x0000FF);
    QCOMPARE(
        QString::fromStdString(*rig.store.inner.ReadString("Configuration\\CustomColors\\ColorC")),
        L("ColorC=123456"));
}

void ConfigureFormTest::creationReadsWhatIsStoredAndAppliesIt() {
    Rig rig(false);
    auto& s = rig.store.inner;
    s.WriteString(setting::ComPort, "COM2");
    s.WriteInt(setting::IrcCalibration, 0x101); // the low byte counts
    s.WriteInt(setting::UseNewEditor, 0);
    s.WriteInt(setting::Fontsize, 0x10000 | 12);
    s.WriteInt(setting::Tabsize, 4);
    s.WriteInt(setting::ColoredCode, 1);
    s.WriteInt(setting::CodeColor, 0x00112233);
    s.WriteInt(setting::UseOrda, 1);
    s.WriteString("Configuration\\CustomColors\\ColorP", "ColorP=ABCDEF");
    TConfigureForm& f = rig.Make(true); // compiler output: no external assembler this run
    QCOMPARE(rig.applied, (QStringList{"editor", "errors"}));
    QVERIFY(!f.FirstRun());
    QCOMPARE(f.PortItem(), 1);
    QCOMPARE(f.IrcItem(), 1);
    QVERIFY(!rig.Box("UseNewEditorCB")->isChecked());
    QVERIFY(!rig.Box("UseOrdaCB")->isChecked());
    QVERIFY(!rig.settings.useOrda);
    QCOMPARE(rig.Find<TUpDown>("FontsizeUpDown")->Value(), 12);
    QCOMPARE(rig.Find<QLabel>("TabsizeLabel")->text(), L("Tab size: 4"));
    QCOMPARE(rig.Find<TColorPanel>("CodeColorPanel")->Color(), ColorRef(0x00112233));
    QVERIFY(!rig.Find<TColorPanel>("CodeColorPanel")->isHidden());
    QCOMPARE(rig.settings.customColors[15], std::string("ColorP=ABCDEF"));
    QVERIFY2(!rig.store.inner.Exists(setting::UseOrda) || rig.store.inner.ints.at(setting::UseOrda),
             "nothing is written unless Okay is pressed");
}

void ConfigureFormTest::placementIsStoredAndRestored() {
    Rig rig;
    rig.Make().move(50, 60);
    rig.form.reset();
    QCOMPARE(rig.store.inner.ints.at("ConfigureWindow\\Left"), 50);
    QCOMPARE(rig.store.inner.ints.at("ConfigureWindow\\Top"), 60);
    QCOMPARE(rig.store.inner.ints.at("ConfigureWindow\\WindowState"), 0);
    QCOMPARE(rig.Make().pos(), QPoint(50, 60));

    // A maximised window keeps the bounds it returns to.
    QWidget w;
    w.setGeometry(30, 40, 400, 300);
    w.show();
    w.showMaximized();
    QCoreApplication::processEvents();
    QtPlacedWindow placed(w);
    rig.registry.SaveWindow("EditorWindow", placed);
    QCOMPARE(rig.store.inner.ints.at("EditorWindow\\WindowState"), 2);
    QCOMPARE(rig.store.inner.ints.at("EditorWindow\\Left"), 30);
    QCOMPARE(rig.store.inner.ints.at("EditorWindow\\Top"), 40);
    QCOMPARE(rig.store.inner.ints.at("EditorWindow\\Width"), 400);
    QCOMPARE(rig.store.inner.ints.at("EditorWindow\\Height"), 300);
}

QTEST_MAIN(ConfigureFormTest)
#include "ConfigureFormTest.moc"
