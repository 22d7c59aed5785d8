#include "link/ui/TProgressForm.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

namespace pellix {

TProgressForm::TProgressForm(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint |
                          Qt::WindowTitleHint) {
    setObjectName(QStringLiteral("ProgressForm"));
    setWindowTitle(QString::fromLatin1(kProgressCaption));
    setModal(false);

    auto* layout = new QVBoxLayout(this);
    label_ = new QLabel(QString::fromLatin1(kProgressIdleText));
    label_->setObjectName(QStringLiteral("OperationLabel"));
    label_->setAlignment(Qt::AlignCenter);
    QFont bold = label_->font();
    bold.setBold(true);
    label_->setFont(bold);
    layout->addWidget(label_);

    bar_ = new QProgressBar;
    bar_->setObjectName(QStringLiteral("ProgressBar"));
    bar_->setRange(0, kProgressRange);
    bar_->setValue(0);
    bar_->setTextVisible(false);
    layout->addWidget(bar_);

    setFixedSize(280, 90);
}

void TProgressForm::PaintNow(QWidget& what) {
    // Only what the window system needs to map and paint the window: no input, no timers
    // and no sockets, so nothing else can start while the operation runs.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents |
                                    QEventLoop::ExcludeSocketNotifiers |
                                    QEventLoop::X11ExcludeTimers);
    what.repaint();
}

void TProgressForm::ShowProgress(const std::string& text) {
    bar_->setValue(0);
    label_->setText(QString::fromStdString(text));
    // Always on top: a window shown again needs no raising.
    if (!isVisible()) show();
    PaintNow(*this);
}

void TProgressForm::StepProgress() {
    bar_->setValue(std::min(bar_->value() + kProgressStep, kProgressRange));
    PaintNow(*bar_);
}

void TProgressForm::CloseProgress() {
    hide();
    bar_->setValue(0);
    label_->setText(QString::fromLatin1(kProgressIdleText));
}

} // namespace pellix
