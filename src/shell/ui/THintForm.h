// The borderless hint window: a few lines of text at a screen point for a given time, on
// the tooltip colour with a black frame. The register view shows its notices here.
#pragma once

#include <QApplication>
#include <QFontMetrics>
#include <QPainter>
#include <QPointer>
#include <QRegularExpression>
#include <QString>
#include <QTimer>
#include <QWidget>

namespace pellix {

class THintForm : public QWidget {
public:
    explicit THintForm(QWidget* parent = nullptr) : QWidget(parent) {
        setObjectName(QStringLiteral("HintForm"));
        setWindowFlags(Qt::ToolTip | Qt::FramelessWindowHint);
        setAttribute(Qt::WA_ShowWithoutActivating);
        timer_.setSingleShot(true);
        QObject::connect(&timer_, &QTimer::timeout, this, [this] { hide(); });
    }

    // Shows `text` (its lines split at "\r" or "\n") at `at` for `milliseconds`; the
    // window that had the focus keeps it.
    void ShowHint(const QString& text, QPoint at, int milliseconds) {
        QPointer<QWidget> focus = QApplication::focusWidget();
        lines_ = text.split(QRegularExpression(QStringLiteral("\r\n|\r|\n")));
        const QFontMetrics fm(font());
        int width = 0;
        for (const QString& line : lines_)
            width = std::max(width, fm.horizontalAdvance(line));
        resize(width + 6, int(lines_.size()) * fm.height() + 5);
        move(at);
        show();
        update();
        timer_.start(std::max(milliseconds, 1));
        if (focus) focus->setFocus(Qt::OtherFocusReason);
    }
    QString Text() const { return lines_.join(QLatin1Char('\r')); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(rect(), palette().color(QPalette::ToolTipBase));
        p.setPen(Qt::black);
        p.drawRect(rect().adjusted(0, 0, -1, -1));
        p.setPen(palette().color(QPalette::ToolTipText));
        const QFontMetrics fm(font());
        for (int i = 0; i < int(lines_.size()); ++i)
            p.drawText(3, 2 + i * fm.height() + fm.ascent(), lines_[i]);
    }

private:
    QStringList lines_;
    QTimer timer_;
};

} // namespace pellix
