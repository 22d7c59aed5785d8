#include "shell/ui/THintForm.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPainter>
#include <QPointer>

namespace pellix {

THintForm::THintForm(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("HintForm"));
    setWindowFlags(Qt::ToolTip | Qt::FramelessWindowHint);
    setAttribute(Qt::WA_ShowWithoutActivating);
    timer_ = new QTimer(this);
    timer_->setObjectName(QStringLiteral("HintTimer"));
    timer_->setSingleShot(true);
    connect(timer_, &QTimer::timeout, this, &THintForm::HideHint);
}

void THintForm::ShowHint(const QString& text, int lines, QPoint at, int milliseconds,
                         QWidget* caller) {
    QString unified = text;
    unified.replace(QStringLiteral("\r\n"), QStringLiteral("\n"))
        .replace(QLatin1Char('\r'), QLatin1Char('\n'));
    lines_ = unified.split(QLatin1Char('\n'));
    lines = std::max(lines, 1);
    while (lines_.size() > lines)
        lines_.removeLast();
    QFontMetrics fm(font());
    int width = 0;
    for (const QString& l : lines_)
        width = std::max(width, fm.horizontalAdvance(l));
    setFixedSize(width + 6, lines * fm.height() + 5);
    move(at);
    show();
    raise();
    update();
    timer_->start(std::max(milliseconds, 0));
    if (caller) {
        caller->activateWindow();
        caller->setFocus();
    }
}

void THintForm::ShowHint(const QString& text, QPoint at, int milliseconds) {
    QPointer<QWidget> focus = QApplication::focusWidget();
    QString unified = text;
    unified.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    unified.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    ShowHint(unified, int(unified.count(QLatin1Char('\n'))) + 1, at, milliseconds);
    if (focus) focus->setFocus(Qt::OtherFocusReason);
}

void THintForm::HideHint() {
    timer_->stop();
    hide();
}

void THintForm::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::ToolTipBase));
    p.setPen(Qt::black);
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    p.setPen(palette().color(QPalette::ToolTipText));
    QFontMetrics fm(font());
    for (int i = 0; i < lines_.size(); ++i)
        p.drawText(3, 2 + i * fm.height() + fm.ascent(), lines_[i]);
}

} // namespace pellix
