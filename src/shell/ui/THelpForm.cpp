#include "shell/ui/THelpForm.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

namespace pellix {

const char* THelpForm::ReferenceText() {
    return "Symbolic Debugging\n"
           "\n"
           "WATCH   BitAddress,Bits,UDEC   ;unsigned decimal\n"
           "WATCH   BitAddress,Bits,SDEC   ;signed decimal\n"
           "WATCH   BitAddress,Bits,UHEX   ;unsigned hex\n"
           "WATCH   BitAddress,Bits,SHEX   ;signed hex\n"
           "WATCH   BitAddress,Bits,UBIN   ;unsigned binary\n"
           "WATCH   BitAddress,Bits,SBIN   ;signed binary\n"
           "WATCH   RegAddress,Bytes,FSTR  ;fixed-length string\n"
           "WATCH   RegAddress,Bytes,ZSTR  ;zero-terminated string\n"
           "\n"
           "A BitAddress may be given as a register address: \"reg\" means \"reg.0\".\n"
           "\n"
           "Examples:\n"
           "\n"
           "HighByte        equ     $08\n"
           "                watch   HighByte,8,shex\n"
           "\n"
           "DoubleWord      equ     $09\n"
           "                watch   DoubleWord,32,udec\n"
           "\n"
           "The 'BREAK' directive establishes the breakpoint.\n";
}

THelpForm::THelpForm(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("HelpForm"));
    setWindowTitle(QStringLiteral("Help"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setModal(false);
    memo_ = new QPlainTextEdit;
    memo_->setObjectName(QStringLiteral("HelpMemo"));
    memo_->setReadOnly(true);
    memo_->setLineWrapMode(QPlainTextEdit::NoWrap);
    QFont fixed(QStringLiteral("Courier New"));
    fixed.setStyleHint(QFont::TypeWriter);
    fixed.setFixedPitch(true);
    fixed.setPointSize(9);
    memo_->setFont(fixed);
    memo_->setPlainText(QString::fromLatin1(ReferenceText()));
    auto* close = new QPushButton(QStringLiteral("Close"));
    close->setObjectName(QStringLiteral("CloseBTN"));
    connect(close, &QPushButton::clicked, this, &QDialog::hide);
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(memo_);
    layout->addLayout(row);
    QFontMetrics fm(fixed);
    int widest = 0;
    const QStringList lines = QString::fromLatin1(ReferenceText()).split(QLatin1Char('\n'));
    for (const QString& line : lines)
        widest = std::max(widest, fm.horizontalAdvance(line));
    resize(widest + 60, fm.height() * int(lines.size() + 2) + 60);
}

void THelpForm::ShowCentred() {
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect r = screen->availableGeometry();
        move(r.center() - QPoint(width() / 2, height() / 2));
    }
    show();
    raise();
    activateWindow();
}

} // namespace pellix
