// The About box: the program, its version, and the disclaimer behind "More...".
#pragma once

#include <QDialog>
#include <QPushButton>

namespace pellix {

class TAboutForm : public QDialog {
    Q_OBJECT
public:
    explicit TAboutForm(QWidget* parent = nullptr);

    // Shows it modally.
    void Ask() { exec(); }
    // The disclaimer with its single Okay button, modally.
    void ShowDisclaimer();
    QPushButton* MoreButton() const { return more_; }

private:
    QPushButton* more_;
};

} // namespace pellix
