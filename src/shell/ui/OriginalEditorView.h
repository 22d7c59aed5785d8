// The original editor as the main window paints it: the buffer's text in "Courier New"
// inside a sunken frame, no colouring, the caret blinking on the window's caret timer.
#pragma once

#include <QAbstractScrollArea>
#include <QFont>
#include <QTimer>

#include "platform/TickSource.h"
#include "shell/OriginalEditorBuffer.h"

namespace pellix {

class OriginalEditorView : public QAbstractScrollArea {
    Q_OBJECT
public:
    OriginalEditorView(OriginalEditorBuffer& buffer, TickSource& ticks, QWidget* parent = nullptr);

    // The window's caret-blink (125 ms) and drag-select (100 ms) timers.
    void SetTimers(QTimer* caret, QTimer* select);
    // After the buffer changed from outside: scroll bars, caret, picture.
    void Refresh();
    // After the buffer's font size changed.
    void FontChanged();

    const QFont& TextFont() const { return font_; }
    int CharWidth() const { return charWidth_; }
    int CharHeight() const { return charHeight_; }
    int InsetX() const { return charWidth_ * 3 / 8; }
    int InsetY() const { return charHeight_ * 3 / 16; }
    // Where the character at `pos` is drawn, in the viewport's coordinates (top left).
    QPoint PointOf(size_t pos) const;
    // The character boundary nearest to a viewport point.
    size_t PositionAt(QPoint p) const;
    bool CaretShown() const { return caretOn_; }

signals:
    void CaretMoved();
    void TextEdited();

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    void CaretTick();
    void SelectTick();
    void Measure();
    void UpdateScrollBars();
    // After the caret or the text moved: caret on, scrolled into view, repainted.
    void Changed(bool edited);
    QRect TextArea() const;

    OriginalEditorBuffer& buffer_;
    TickSource& ticks_;
    QTimer* caretTimer_ = nullptr;
    QTimer* selectTimer_ = nullptr;
    QFont font_;
    int charWidth_ = 8;
    int charHeight_ = 14;
    int ascent_ = 11;
    bool caretOn_ = false;
    int caretTicks_ = 0;
    bool dragging_ = false;
    QPoint dragPoint_;
    int wheelRest_ = 0;
    bool syncing_ = false;
};

} // namespace pellix
