#include "link/ui/TIRCForm.h"

#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "link/ui/Cursors.h"

namespace pellix {

TIRCForm::TIRCForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("IRCForm"));
    setWindowTitle(QStringLiteral("IRC"));

    auto* layout = new QVBoxLayout(this);
    auto* heading = new QLabel(QStringLiteral("Internal oscillator by trim (MHz)"));
    heading->setObjectName(QStringLiteral("HeadingLabel"));
    heading->setAlignment(Qt::AlignCenter);
    layout->addWidget(heading);

    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(16);
    for (int trim = 0; trim < kTrims; ++trim) {
        auto* name = new QLabel(QStringLiteral("Trim %1:").arg(trim));
        auto* value = new QLabel(QStringLiteral("-.--"));
        value->setObjectName(QStringLiteral("IRCLabel%1").arg(trim));
        value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        value->setMinimumWidth(value->fontMetrics().horizontalAdvance(QStringLiteral("000.00")));
        // Four rows of two, trims 0 to 3 on the left.
        int row = trim % 4, column = (trim / 4) * 2;
        grid->addWidget(name, row, column);
        grid->addWidget(value, row, column + 1);
        labels_[size_t(trim)] = value;
    }
    layout->addLayout(grid);

    okay_ = new QPushButton(QStringLiteral("Okay"));
    okay_->setObjectName(QStringLiteral("OkayButton"));
    okay_->setDefault(true);
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(okay_);
    row->addStretch();
    layout->addLayout(row);
    connect(okay_, &QPushButton::clicked, this, &QDialog::accept);
    setFixedSize(sizeHint());
}

void TIRCForm::ShowCalibration(const IrcCalibration& irc) {
    for (int trim = 0; trim < kTrims; ++trim) {
        QLabel* label = labels_[size_t(trim)];
        label->setText(QString::fromStdString(IrcMegahertzText(irc.counts[size_t(trim)])));
        QFont font = label->font();
        font.setBold(trim == irc.trim);
        label->setFont(font);
    }
}

void TIRCForm::Ask(const IrcCalibration& irc) {
    ShowCalibration(irc);
    ModalCursor arrow;
    exec();
}

} // namespace pellix
