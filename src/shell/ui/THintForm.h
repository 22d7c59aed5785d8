// A borderless window that shows a few lines of text at a screen point for a while; the
// register view uses it for short notices.
#pragma once

#include <QStringList>
#include <QTimer>
#include <QWidget>

namespace pellix {

class THintForm : public QWidget {
    Q_OBJECT
public:
    explicit THintForm(QWidget* parent = nullptr);

    // Shows `text` (lines split at CR or LF; `lines` of them are shown) with its top left
    // at `at` for `milliseconds`, then hides it; the focus stays with `caller`.
    void ShowHint(const QString& text, int lines, QPoint at, int milliseconds,
                  QWidget* caller = nullptr);
    // The same with every line of `text`, the focus left where it is.
    void ShowHint(const QString& text, QPoint at, int milliseconds);
    void HideHint();

    // The lines shown, joined by CR.
    QString Text() const { return lines_.join(QLatin1Char('\r')); }

    QTimer* Timer() const { return timer_; }
    const QStringList& Lines() const { return lines_; }

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    QTimer* timer_;
    QStringList lines_;
};

} // namespace pellix
