// The "Device" window: the configuration words of the assembled image as radio groups and
// check boxes, its ID and a dump of its code, image files, and Program, Verify and Read.
// A thin view over DeviceSettings: every change of a control goes to the model at once and
// the controls are then filled from it again.
#pragma once

#include <array>
#include <functional>
#include <string>
#include <vector>

#include <QDialog>

#include "link/DeviceSettings.h"

class QButtonGroup;
class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QScrollBar;
class QStyle;

namespace pellix {

class TDeviceForm : public QDialog {
    Q_OBJECT
public:
    // `device` may be null: the chip buttons then do nothing.
    TDeviceForm(AssemblyRecord& record, Prompter& prompter, DeviceUnit* device,
                QWidget* parent = nullptr);

    // Whether the external assembler is in use, for the hints; asked on every show.
    std::function<bool()> externalAssembler;
    // Runs before Program, Verify and Read (the program brings the port and the
    // calibration choice up to date there).
    std::function<void()> beforeOperation;

    DeviceSettings& Model() { return model_; }

    // On show: the controls from the image, the hints for the assembler in use.
    void ShowDevice();
    // The controls from the model.
    void Refresh();
    // An image file named on the command line.
    bool LoadImageFile(const std::string& name, bool readOnly);
    // After a successful assembly: writable again and the new image's settings, shown at once
    // when the window is up, else at its next showing.
    void AfterAssembly();

    void LoadHexButtonClick();
    void SaveHexButtonClick();
    void ProgramButtonClick();
    void VerifyButtonClick();
    void ReadButtonClick();
    void CancelButtonClick();

    QGroupBox& Group(DeviceGroup group) { return *groups_[size_t(group)]; }
    QRadioButton& ItemButton(DeviceGroup group, int item) {
        return *items_[size_t(group)][size_t(item)];
    }
    QCheckBox& Box(DeviceBox box) { return *boxes_[size_t(box)]; }
    QPushButton& Button(DeviceButton button) { return *buttons_[size_t(button)]; }
    QLabel& EELabel(int row) { return *rows_[size_t(row)]; }
    QScrollBar& ScrollBar() { return *scroll_; }
    QLabel& IdLabel() { return *id_; }

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QGroupBox* MakeGroup(DeviceGroup group);
    QCheckBox* MakeBox(DeviceBox box);
    QPushButton* MakeButton(DeviceButton button, void (TDeviceForm::*handler)());
    void ApplyHints();
    void ShowRows();
    void ChipOperation(const std::function<void()>& body);

    Prompter& prompter_;
    DeviceSettings model_;
    bool refreshing_ = false;
    bool assembledWhileHidden_ = false;

    std::array<QGroupBox*, kDeviceGroups> groups_{};
    std::array<QButtonGroup*, kDeviceGroups> buttonGroups_{};
    std::array<std::vector<QRadioButton*>, kDeviceGroups> items_;
    std::array<QCheckBox*, kDeviceBoxes> boxes_{};
    std::array<QPushButton*, kDeviceButtons> buttons_{};
    std::array<QLabel*, kDumpVisibleRows> rows_{};
    QScrollBar* scroll_ = nullptr;
    QLabel* id_ = nullptr;
    QWidget* dump_ = nullptr;
    QGroupBox* options_ = nullptr;
    QFrame* panel_ = nullptr;
    // Each control with a hint takes it: a widget's style does not pass to its children.
    QStyle* hintStyle_ = nullptr;
};

} // namespace pellix
