#include "shell/ui/TPrintStatusForm.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QVBoxLayout>

namespace pellix {

TPrintStatusForm::TPrintStatusForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("PrintStatusForm"));
    setWindowTitle(QStringLiteral("Printing"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setWindowModality(Qt::ApplicationModal);
    auto* layout = new QVBoxLayout(this);
    auto* row = new QHBoxLayout;
    auto* caption = new QLabel(QStringLiteral("Printing page "));
    page_ = new QLabel;
    page_->setObjectName(QStringLiteral("PageLBL"));
    row->setSpacing(0);
    row->addWidget(caption);
    row->addWidget(page_);
    row->addStretch();
    layout->addLayout(row);
    cancel_ = new QPushButton(QStringLiteral("Cancel"));
    cancel_->setObjectName(QStringLiteral("CancelBTN"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(cancel_);
    buttons->addStretch();
    layout->addLayout(buttons);
    connect(cancel_, &QPushButton::clicked, this, [this] { cancelled_ = true; });
    setMinimumWidth(220);
}

void TPrintStatusForm::Start(int pages) {
    cancelled_ = false;
    page_->setText(QStringLiteral("0 of %1").arg(pages));
    show();
    raise();
    QCoreApplication::processEvents();
}

void TPrintStatusForm::SetPage(int page, int pages) {
    page_->setText(QStringLiteral("%1 of %2").arg(page).arg(pages));
    emit PageStarted(page);
    // The window is modal: only its own Cancel can be clicked meanwhile.
    QCoreApplication::processEvents();
}

void TPrintStatusForm::Finish() {
    hide();
}

void TPrintStatusForm::reject() {
    // Escape and the window's close box cancel the job; the printing loop hides the window.
    cancelled_ = true;
}

} // namespace pellix
