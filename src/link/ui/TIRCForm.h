// The "IRC" window shown after programming with the 4 MHz calibration: the frequency the
// chip's internal oscillator was measured at for each of the eight trims, the chosen trim
// in bold.
#pragma once

#include <array>

#include <QDialog>

#include "link/IRCUnit.h"

class QLabel;
class QPushButton;

namespace pellix {

class TIRCForm : public QDialog {
    Q_OBJECT
public:
    explicit TIRCForm(QWidget* parent = nullptr);

    // The labels from the last calibration.
    void ShowCalibration(const IrcCalibration& irc);
    // ShowCalibration, then the window modally until Okay.
    void Ask(const IrcCalibration& irc);

    QLabel& TrimLabel(int trim) { return *labels_[size_t(trim)]; }

private:
    std::array<QLabel*, kTrims> labels_{};
    QPushButton* okay_ = nullptr;
};

} // namespace pellix
