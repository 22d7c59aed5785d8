// The Configure dialog: the serial port, the IRC calibration choice, the assembler and
// editor options. Made once at start-up, when it reads the stored settings into the
// working copy (and, on the very first run, asks the user to look them over).
#pragma once

#include <array>
#include <functional>
#include <optional>

#include <QButtonGroup>
#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QDialog>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>

#include "link/PortList.h"
#include "platform/Prompter.h"
#include "platform/SettingsRegistry.h"
#include "shell/ConfigureUnit.h"
#include "shell/WorkingSettings.h"

namespace pellix {

// Two arrow buttons that step a number within a range.
class TUpDown : public QWidget {
    Q_OBJECT
public:
    explicit TUpDown(QWidget* parent = nullptr);
    void SetRange(int min, int max, int step);
    int Value() const { return value_; }
    // Brought into the range, onto a step from the minimum.
    void SetValue(int value);
    void StepUp() { SetValue(value_ + step_); }
    void StepDown() { SetValue(value_ - step_); }
    QToolButton* UpButton() const { return up_; }
    QToolButton* DownButton() const { return down_; }

signals:
    void ValueChanged(int value);

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;

private:
    QToolButton* up_;
    QToolButton* down_;
    int min_ = 0, max_ = 100, step_ = 1, value_ = 0;
};

// A panel showing a colour; a click asks for another.
class TColorPanel : public QFrame {
    Q_OBJECT
public:
    explicit TColorPanel(QWidget* parent = nullptr);
    void SetColor(ColorRef c);
    ColorRef Color() const { return color_; }

signals:
    void Clicked();

protected:
    void paintEvent(QPaintEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    ColorRef color_ = 0;
};

struct ConfigureContext {
    SettingsRegistry& registry;
    WorkingSettings& settings;
    Prompter& prompter;
    bool compilerMode = false;
    // The main window follows the settings: the editor choice, then the error list.
    std::function<void()> applyEditorChoice;
    std::function<void()> applyErrorListRule;
    // The serial ports the device choice offers; the system's (ListSerialPorts) when empty.
    std::function<std::vector<SerialPortInfo>()> listPorts = {};
};

class TConfigureForm : public QDialog {
    Q_OBJECT
public:
    // Asks for a colour starting from `initial`; the 16 custom colours may change.
    using ColorChooser =
        std::function<std::optional<QColor>(const QColor& initial, std::array<ColorRef, 16>&)>;

    // Reads the stored settings into the working copy, applies them to the main window,
    // and on the first run (no port stored) says so and shows the dialog.
    explicit TConfigureForm(ConfigureContext context, QWidget* parent = nullptr);
    ~TConfigureForm() override;

    bool FirstRun() const { return firstRun_; }
    // Shows the dialog modally with the working settings; true when Okay stored them.
    bool Execute();
    void SetColorChooser(ColorChooser chooser) { chooser_ = std::move(chooser); }

    // Handlers.
    void OkayButtonClick();
    void ChooseColor(TColorPanel* panel);
    // Places and shows the groups as the two check boxes say.
    void LayoutControls();
    // Sets the controls from the working settings (what showing the dialog does).
    void ResetControls();

    // The port group's item: 0 to 3 COM1 to COM4, 4 the virtual key, 5 a device path.
    int PortItem() const { return portButtons_->checkedId(); }
    void SetPortItem(int item);
    // Looks for the serial ports again and offers them for the device item, keeping what
    // the device field holds (the refresh button).
    void RefreshPorts();
    int IrcItem() const { return ircButtons_->checkedId(); }
    void SetIrcItem(int item);

private:
    void Build();
    QCheckBox* Box(const char* name, const QString& caption, const QString& hint);
    void ControlsToSettings(WorkingSettings& s) const;
    void UpdateColorPanels();
    void FontsizeChanged(int size);
    void ShowPortInfo();
    void TabsizeChanged(int size);

    SettingsRegistry& registry_;
    WorkingSettings& settings_;
    Prompter& prompter_;
    bool compilerMode_;
    std::function<void()> applyEditorChoice_;
    std::function<void()> applyErrorListRule_;
    std::function<std::vector<SerialPortInfo>()> listPorts_;
    ColorChooser chooser_;
    bool firstRun_ = false;
    bool placed_ = false;

    QWidget* topRow_ = nullptr;
    QGroupBox* ircGroup_ = nullptr;
    QButtonGroup* ircButtons_ = nullptr;
    QGroupBox* portGroup_ = nullptr;
    QButtonGroup* portButtons_ = nullptr;
    QComboBox* portDevice_ = nullptr; // its line edit is "PortDeviceED"
    QToolButton* portRefresh_ = nullptr;
    QLabel* portInfo_ = nullptr;
    QLineEdit* lineTrace_ = nullptr;
    QWidget* rows_ = nullptr;
    QCheckBox* createBackup_ = nullptr;
    QGroupBox* assemblerGroup_ = nullptr;
    QCheckBox* useOrda_ = nullptr;
    QCheckBox* ordaOutputFiles_ = nullptr;
    QCheckBox* localLabelStartCol_ = nullptr;
    QCheckBox* useNewEditor_ = nullptr;
    QGroupBox* editorGroup_ = nullptr;
    QWidget* editorPanel_ = nullptr;
    TUpDown* fontsize_ = nullptr;
    QLabel* fontsizeLabel_ = nullptr;
    TUpDown* tabsize_ = nullptr;
    QLabel* tabsizeLabel_ = nullptr;
    QLabel* sample_ = nullptr;
    QCheckBox* colorCode_ = nullptr;
    TColorPanel* codeColor_ = nullptr;
    QCheckBox* codeBold_ = nullptr;
    QCheckBox* colorComments_ = nullptr;
    TColorPanel* commentColor_ = nullptr;
    TColorPanel* errorBgColor_ = nullptr;
    QCheckBox* jumpToError_ = nullptr;
    QCheckBox* saveFile_ = nullptr;
    QCheckBox* removeFiles_ = nullptr;
    QPushButton* okay_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QColorDialog* colorDialog_ = nullptr;
    std::array<ColorRef, 16> customColors_{};
};

} // namespace pellix
