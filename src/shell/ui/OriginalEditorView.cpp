#include "shell/ui/OriginalEditorView.h"

#include <QFontMetrics>
#include <QKeyEvent>
#include <QPainter>
#include <QScrollBar>

namespace pellix {

namespace {

int NextTabStop(int column) {
    return (column / kOriginalTabColumns + 1) * kOriginalTabColumns;
}

// Floor division, for points above or left of the text.
int FloorDiv(int a, int b) {
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

} // namespace

OriginalEditorView::OriginalEditorView(OriginalEditorBuffer& buffer, TickSource& ticks,
                                       QWidget* parent)
    : QAbstractScrollArea(parent), buffer_(buffer), ticks_(ticks) {
    setObjectName(QStringLiteral("OriginalEditor"));
    setFrameStyle(QFrame::Panel | QFrame::Sunken);
    setLineWidth(1);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setCursor(Qt::IBeamCursor);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    Measure();
}

void OriginalEditorView::SetTimers(QTimer* caret, QTimer* select) {
    caretTimer_ = caret;
    selectTimer_ = select;
    connect(caret, &QTimer::timeout, this, &OriginalEditorView::CaretTick);
    connect(select, &QTimer::timeout, this, &OriginalEditorView::SelectTick);
}

void OriginalEditorView::Measure() {
    font_ = QFont(QStringLiteral("Courier New"));
    font_.setStyleHint(QFont::TypeWriter);
    font_.setFixedPitch(true);
    font_.setKerning(false);
    font_.setPointSize(buffer_.FontSize());
    QFontMetrics fm(font_, viewport());
    charWidth_ = std::max(fm.horizontalAdvance(QLatin1Char('X')), 1);
    charHeight_ = std::max(fm.height(), 1);
    ascent_ = fm.ascent();
    QRect area = TextArea();
    buffer_.SetViewSize(area.height() / charHeight_, area.width() / charWidth_);
}

QRect OriginalEditorView::TextArea() const {
    QRect r = viewport()->rect();
    return r.adjusted(InsetX(), InsetY(), -InsetX(), -InsetY());
}

void OriginalEditorView::Refresh() {
    Measure();
    UpdateScrollBars();
    viewport()->update();
}

void OriginalEditorView::FontChanged() {
    Measure();
    buffer_.EnsureCaretVisible();
    UpdateScrollBars();
    viewport()->update();
}

QPoint OriginalEditorView::PointOf(size_t pos) const {
    long line = long(buffer_.LineOf(pos)) - long(buffer_.FirstLine());
    int column = buffer_.Column(pos) - buffer_.FirstColumn();
    return QPoint(InsetX() + column * charWidth_, InsetY() + int(line) * charHeight_);
}

size_t OriginalEditorView::PositionAt(QPoint p) const {
    long row = FloorDiv(p.y() - InsetY(), charHeight_);
    long line = std::clamp<long>(long(buffer_.FirstLine()) + row, 0, long(buffer_.LineCount()) - 1);
    int column = buffer_.FirstColumn() + FloorDiv(p.x() - InsetX() + charWidth_ / 2, charWidth_);
    return buffer_.PositionAt(size_t(line), std::max(column, 0));
}

void OriginalEditorView::UpdateScrollBars() {
    syncing_ = true;
    size_t lines = buffer_.LineCount();
    int visible = buffer_.VisibleLines();
    verticalScrollBar()->setRange(0, int(std::max<long>(long(lines) - visible, 0)));
    verticalScrollBar()->setPageStep(visible);
    verticalScrollBar()->setValue(int(buffer_.FirstLine()));
    int widest = 0;
    size_t last = std::min(lines, buffer_.FirstLine() + size_t(visible) + 1);
    for (size_t l = buffer_.FirstLine(); l < last; ++l)
        widest = std::max(widest, buffer_.Column(buffer_.EndOfLine(l)));
    int columns = buffer_.VisibleColumns();
    horizontalScrollBar()->setRange(0, std::max(buffer_.FirstColumn(), widest + 1 - columns));
    horizontalScrollBar()->setPageStep(columns);
    horizontalScrollBar()->setValue(buffer_.FirstColumn());
    syncing_ = false;
}

void OriginalEditorView::scrollContentsBy(int, int) {
    if (syncing_) return;
    buffer_.ScrollTo(size_t(verticalScrollBar()->value()), horizontalScrollBar()->value());
    viewport()->update();
}

void OriginalEditorView::Changed(bool edited) {
    caretOn_ = hasFocus();
    caretTicks_ = 0;
    UpdateScrollBars();
    viewport()->update();
    emit CaretMoved();
    if (edited) emit TextEdited();
}

// ---- painting -----------------------------------------------------------------------------

void OriginalEditorView::paintEvent(QPaintEvent*) {
    QPainter p(viewport());
    const QPalette& pal = palette();
    p.fillRect(viewport()->rect(), pal.color(QPalette::Base));
    p.setFont(font_);
    const QRect area = TextArea();
    p.setClipRect(area);
    const QColor text = pal.color(QPalette::Text);
    const QColor highlight = pal.color(QPalette::Highlight);
    const QColor highlighted = pal.color(QPalette::HighlightedText);

    const size_t first = buffer_.FirstLine();
    const int firstColumn = buffer_.FirstColumn();
    const int lastColumn = firstColumn + area.width() / charWidth_ + 1;
    const bool selection = buffer_.HasSelection();
    const size_t selStart = buffer_.SelectionStart(), selEnd = buffer_.SelectionEnd();
    const int rows = area.height() / charHeight_ + 1;

    for (int r = 0; r < rows; ++r) {
        size_t line = first + size_t(r);
        if (line >= buffer_.LineCount()) break;
        const int y = area.top() + r * charHeight_;
        const size_t end = buffer_.EndOfLine(line);
        // Each character in its own cell: the text stays on the column grid whatever the
        // font's fractional advances.
        int column = 0;
        size_t i = buffer_.StartOfLine(line);
        for (; i < end && column <= lastColumn; ++i) {
            char c = buffer_.At(i);
            int next = c == '\t' ? NextTabStop(column) : column + 1;
            int from = std::max(column, firstColumn);
            if (next > from) {
                bool selected = selection && i >= selStart && i < selEnd;
                int x = area.left() + (from - firstColumn) * charWidth_;
                if (selected) p.fillRect(x, y, (next - from) * charWidth_, charHeight_, highlight);
                if (c != '\t' && c != ' ') {
                    p.setPen(selected ? highlighted : text);
                    p.drawText(x, y + ascent_, QString(QChar(uchar(c))));
                }
            }
            column = next;
        }
        // A selected line end shows as one highlighted column.
        if (i == end && selection && end < buffer_.Length() && end >= selStart && end < selEnd &&
            column >= firstColumn)
            p.fillRect(area.left() + (column - firstColumn) * charWidth_, y, charWidth_,
                       charHeight_, highlight);
    }

    if (caretOn_ && hasFocus()) {
        QPoint at = PointOf(buffer_.Caret());
        p.fillRect(at.x(), at.y(), 2, charHeight_, text);
    }
}

void OriginalEditorView::resizeEvent(QResizeEvent* e) {
    QAbstractScrollArea::resizeEvent(e);
    Measure();
    UpdateScrollBars();
}

// ---- keys ---------------------------------------------------------------------------------

bool OriginalEditorView::event(QEvent* e) {
    // The window takes the Tab key itself instead of moving the focus with it.
    if (e->type() == QEvent::KeyPress) {
        auto* k = static_cast<QKeyEvent*>(e);
        if (k->key() == Qt::Key_Tab || k->key() == Qt::Key_Backtab) {
            keyPressEvent(k);
            return true;
        }
    }
    return QAbstractScrollArea::event(e);
}

void OriginalEditorView::keyPressEvent(QKeyEvent* e) {
    const bool shift = e->modifiers() & Qt::ShiftModifier;
    const bool ctrl = e->modifiers() & Qt::ControlModifier;
    const uint64_t before = buffer_.Changes();
    bool handled = true;
    switch (e->key()) {
    case Qt::Key_Left:
        buffer_.Key(EditKey::Left, shift, ctrl);
        break;
    case Qt::Key_Right:
        buffer_.Key(EditKey::Right, shift, ctrl);
        break;
    case Qt::Key_Up:
        buffer_.Key(EditKey::Up, shift, ctrl);
        break;
    case Qt::Key_Down:
        buffer_.Key(EditKey::Down, shift, ctrl);
        break;
    case Qt::Key_Home:
        buffer_.Key(EditKey::Home, shift, ctrl);
        break;
    case Qt::Key_End:
        buffer_.Key(EditKey::End, shift, ctrl);
        break;
    case Qt::Key_PageUp:
        buffer_.Key(EditKey::PageUp, shift, ctrl);
        break;
    case Qt::Key_PageDown:
        buffer_.Key(EditKey::PageDown, shift, ctrl);
        break;
    case Qt::Key_Backspace:
        buffer_.Key(EditKey::Backspace, shift, ctrl);
        break;
    case Qt::Key_Delete:
        buffer_.Key(EditKey::Delete, shift, ctrl);
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        buffer_.Type('\r');
        break;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        buffer_.Type('\t');
        break;
    default: {
        // Characters 32 to 126 and 128 to 255; control characters (Ctrl+letter) are not,
        // and Alt+letter belongs to the menus.
        handled = false;
        if ((e->modifiers() & (Qt::AltModifier | Qt::MetaModifier)) && !ctrl) break;
        for (QChar c : e->text()) {
            char16_t u = c.unicode();
            if (u >= 32 && u <= 255 && u != 127) {
                buffer_.Type(static_cast<unsigned char>(u));
                handled = true;
            }
        }
    }
    }
    if (!handled) {
        e->ignore();
        return;
    }
    e->accept();
    Changed(buffer_.Changes() != before);
}

// ---- mouse --------------------------------------------------------------------------------

void OriginalEditorView::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return;
    setFocus(Qt::MouseFocusReason);
    bool shift = e->modifiers() & Qt::ShiftModifier;
    ClickKind kind =
        buffer_.Press(PositionAt(e->position().toPoint()), ticks_.Milliseconds(), shift);
    // A double or triple click keeps its word or line; only a plain press starts a drag.
    dragging_ = kind == ClickKind::Caret;
    dragPoint_ = e->position().toPoint();
    Changed(false);
}

void OriginalEditorView::mouseMoveEvent(QMouseEvent* e) {
    if (!dragging_ || !(e->buttons() & Qt::LeftButton)) return;
    dragPoint_ = e->position().toPoint();
    if (TextArea().contains(dragPoint_)) {
        if (selectTimer_) selectTimer_->stop();
        buffer_.DragTo(PositionAt(dragPoint_));
        Changed(false);
    } else if (selectTimer_ && !selectTimer_->isActive()) {
        selectTimer_->start();
        SelectTick();
    }
}

void OriginalEditorView::mouseReleaseEvent(QMouseEvent*) {
    dragging_ = false;
    if (selectTimer_) selectTimer_->stop();
}

void OriginalEditorView::SelectTick() {
    if (!dragging_) {
        if (selectTimer_) selectTimer_->stop();
        return;
    }
    // Outside the text the view scrolls towards the pointer and the selection follows.
    QRect area = TextArea();
    if (dragPoint_.y() < area.top()) buffer_.ScrollLines(-1);
    if (dragPoint_.y() >= area.bottom()) buffer_.ScrollLines(1);
    if (dragPoint_.x() < area.left())
        buffer_.ScrollTo(buffer_.FirstLine(), buffer_.FirstColumn() - 1);
    if (dragPoint_.x() >= area.right())
        buffer_.ScrollTo(buffer_.FirstLine(), buffer_.FirstColumn() + 1);
    // The selection ends on a line shown whole.
    int lastY = area.top() + std::max(buffer_.VisibleLines(), 1) * charHeight_ - 1;
    QPoint inside(std::clamp(dragPoint_.x(), area.left(), area.right()),
                  std::clamp(dragPoint_.y(), area.top(), std::min(area.bottom(), lastY)));
    buffer_.DragTo(PositionAt(inside));
    Changed(false);
}

void OriginalEditorView::wheelEvent(QWheelEvent* e) {
    wheelRest_ += e->angleDelta().y();
    int notches = wheelRest_ / 120;
    wheelRest_ -= notches * 120;
    if (notches != 0) {
        buffer_.ScrollLines(-long(notches) * buffer_.WheelLines());
        UpdateScrollBars();
        viewport()->update();
    }
    e->accept();
}

// ---- caret --------------------------------------------------------------------------------

void OriginalEditorView::focusInEvent(QFocusEvent* e) {
    QAbstractScrollArea::focusInEvent(e);
    caretOn_ = true;
    caretTicks_ = 0;
    if (caretTimer_) caretTimer_->start();
    viewport()->update();
}

void OriginalEditorView::focusOutEvent(QFocusEvent* e) {
    QAbstractScrollArea::focusOutEvent(e);
    if (caretTimer_) caretTimer_->stop();
    caretOn_ = false;
    viewport()->update();
}

void OriginalEditorView::CaretTick() {
    // The 125 ms timer turns the caret on or off every fourth tick.
    if (++caretTicks_ % 4 != 0) return;
    caretOn_ = !caretOn_;
    viewport()->update();
}

} // namespace pellix
