#include "shell/ui/TAboutForm.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QTextBrowser>
#include <QVBoxLayout>

#include "shell/ui/TEditorForm.h"
#include "shell/ui/TWarrantyForm.h"

namespace pellix {

namespace {

// A chip with its pins, drawn rather than loaded.
class ChipMark : public QWidget {
public:
    ChipMark() { setFixedSize(64, 64); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        QColor body(40, 48, 64), pin(190, 190, 200);
        for (int i = 0; i < 5; ++i) {
            p.fillRect(4, 12 + i * 9, 8, 4, pin);
            p.fillRect(52, 12 + i * 9, 8, 4, pin);
        }
        p.setBrush(body);
        p.setPen(Qt::NoPen);
        p.drawRoundedRect(12, 6, 40, 52, 4, 4);
        p.setBrush(QColor(90, 100, 120));
        p.drawEllipse(QPoint(22, 14), 3, 3);
        p.setPen(QColor(230, 200, 90));
        QFont f = font();
        f.setBold(true);
        f.setPointSize(11);
        p.setFont(f);
        p.drawText(QRect(12, 24, 40, 24), Qt::AlignCenter, QStringLiteral("SX"));
    }
};

} // namespace

TAboutForm::TAboutForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("AboutForm"));
    setWindowTitle(QStringLiteral("About"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    auto* name = new QLabel(QStringLiteral("Pellix"));
    name->setObjectName(QStringLiteral("ProductLBL"));
    QFont big = name->font();
    big.setPointSize(big.pointSize() + 6);
    big.setBold(true);
    name->setFont(big);
    auto* what = new QLabel(QStringLiteral("Development environment for the SX microcontrollers:\n"
                                           "editor, assembler, programmer and debugger."));
    auto* version = new QLabel(QStringLiteral("Version: ") + QString::fromLatin1(kVersionText));
    version->setObjectName(QStringLiteral("VersionLBL"));
    auto* text = new QVBoxLayout;
    text->addWidget(name);
    text->addWidget(what);
    text->addWidget(version);
    auto* top = new QHBoxLayout;
    top->addWidget(new ChipMark, 0, Qt::AlignTop);
    top->addSpacing(12);
    top->addLayout(text);

    auto* ok = new QPushButton(QStringLiteral("OK"));
    ok->setObjectName(QStringLiteral("OkBTN"));
    ok->setDefault(true);
    more_ = new QPushButton(QStringLiteral("More..."));
    more_->setObjectName(QStringLiteral("MoreBTN"));
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(more_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addSpacing(8);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(more_, &QPushButton::clicked, this, &TAboutForm::ShowDisclaimer);
}

void TAboutForm::ShowDisclaimer() {
    QDialog box(this);
    box.setObjectName(QStringLiteral("DisclaimerViewDLG"));
    box.setWindowTitle(QStringLiteral("Pellix Software Disclaimer"));
    box.setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    auto* text = new QTextBrowser;
    text->setObjectName(QStringLiteral("DisclaimerMemo"));
    // Here there is nothing to accept or refuse: the closing paragraph about the
    // disclaimer window's two buttons stays out.
    QString disclaimer = QString::fromLatin1(TWarrantyForm::DisclaimerText());
    qsizetype choice = disclaimer.lastIndexOf(QStringLiteral("\n\nChoose "));
    if (choice > 0) disclaimer.truncate(choice);
    text->setPlainText(disclaimer);
    auto* okay = new QPushButton(QStringLiteral("Okay"));
    okay->setObjectName(QStringLiteral("OkayBTN"));
    okay->setDefault(true);
    connect(okay, &QPushButton::clicked, &box, &QDialog::accept);
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(okay);
    row->addStretch();
    auto* layout = new QVBoxLayout(&box);
    layout->addWidget(text);
    layout->addLayout(row);
    box.resize(480, 360);
    box.exec();
}

} // namespace pellix
