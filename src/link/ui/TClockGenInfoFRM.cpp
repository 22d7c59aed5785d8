#include "link/ui/TClockGenInfoFRM.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "link/ClockUnit.h"
#include "link/ui/Cursors.h"

namespace pellix {

TClockGenInfoFRM::TClockGenInfoFRM(bool dontShow, QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("ClockGenInfoFRM"));
    setWindowTitle(QStringLiteral("Clock Generation Info"));

    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    auto* icon = new QLabel;
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(32, 32));
    icon->setAlignment(Qt::AlignTop);
    top->addWidget(icon);
    message_ = new QLabel;
    message_->setObjectName(QStringLiteral("MessageLabel"));
    top->addWidget(message_, 1);
    layout->addLayout(top);

    dontShow_ = new QCheckBox(QStringLiteral("Don't Show This Dialog Again"));
    dontShow_->setObjectName(QStringLiteral("DontShowCheckBox"));
    dontShow_->setChecked(dontShow);
    layout->addWidget(dontShow_);

    auto* okay = new QPushButton(QStringLiteral("OK"));
    okay->setObjectName(QStringLiteral("OkayButton"));
    okay->setDefault(true);
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(okay);
    row->addStretch();
    layout->addLayout(row);
    connect(okay, &QPushButton::clicked, this, &TClockGenInfoFRM::OkayButtonClick);
}

bool TClockGenInfoFRM::DontShow() const {
    return dontShow_->isChecked();
}

void TClockGenInfoFRM::ShowInfo(uint32_t frequency) {
    if (DontShow()) return;
    text_ = kDownloadSuccessfulText + ClockText(frequency);
    QString shown = QString::fromStdString(text_);
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    message_->setText(shown);
    adjustSize();
    ModalCursor arrow;
    exec();
}

void TClockGenInfoFRM::OkayButtonClick() {
    if (DontShow() && storeDontShow) storeDontShow();
    accept();
}

} // namespace pellix
