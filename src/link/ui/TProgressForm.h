// The "Device Operation" window: a small always-on-top window with the operation's text and
// a bar, shown while a chip operation runs. The operation blocks the event loop, so every
// change is painted at once rather than when the loop next runs.
#pragma once

#include <QDialog>

#include "link/ProgressSink.h"

class QLabel;
class QProgressBar;

namespace pellix {

class TProgressForm : public QDialog, public ProgressSink {
    Q_OBJECT
public:
    explicit TProgressForm(QWidget* parent = nullptr);

    void ShowProgress(const std::string& text) override;
    void StepProgress() override;
    void CloseProgress() override;

    QProgressBar& Bar() { return *bar_; }
    QLabel& OperationLabel() { return *label_; }

protected:
    // The operation cannot be cancelled halfway: closing the window waits for its end.
    void reject() override {}

private:
    void PaintNow(QWidget& what);

    QLabel* label_ = nullptr;
    QProgressBar* bar_ = nullptr;
};

} // namespace pellix
