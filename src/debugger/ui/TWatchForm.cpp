#include "debugger/ui/TWatchForm.h"

#include <QFocusEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QTimer>

#include "debugger/SettingNames.h"

namespace pellix {

TWatchForm::TWatchForm(DebugViewContext context, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::Tool), c_(context.control), registry_(context.registry),
      prompter_(context.prompter) {
    setObjectName(QStringLiteral("WatchForm"));
    setWindowTitle(QStringLiteral("Watch"));
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    font_ = DefaultViewFont();
    cursorTimer_ = new QTimer(this);
    cursorTimer_->setObjectName(QStringLiteral("CursorTimer"));
    cursorTimer_->setInterval(125);
    connect(cursorTimer_, &QTimer::timeout, this, &TWatchForm::CursorTimerTick);
    ComputeLayout();
    RestorePlacement(registry_, setting::WatchWindow, *this);
}

TWatchForm::~TWatchForm() {
    SavePlacement();
}

void TWatchForm::SavePlacement() {
    pellix::SavePlacement(registry_, setting::WatchWindow, *this);
}

void TWatchForm::SetViewFont(const QFont& font) {
    font_ = font;
    ComputeLayout();
    Update(true);
}

int TWatchForm::Count() const {
    return std::clamp(c_.Record().debug.watchCount, 0, kMaxWatches);
}

std::string TWatchForm::Text(const DebugState& state, int watch) const {
    return FormatWatch(state, c_.Record().debug.watches[size_t(watch)], c_.Family(),
                       c_.Geometry().ramBanks, false);
}

void TWatchForm::ComputeLayout() {
    QFontMetrics fm(font_);
    layout_ = ComputeWatchLayout(
        c_.Record().debug, c_.Family(), c_.Geometry().ramBanks,
        fm.horizontalAdvance(QLatin1Char('X')), fm.height(), [&fm](const std::string& s) {
            return fm.horizontalAdvance(QString::fromLatin1(s.data(), qsizetype(s.size())));
        });
    // The title bar needs room for the caption beside its buttons, or it shows none of it;
    // the value column takes what the window gains.
    layout_.clientWidth = std::max(layout_.clientWidth, MinimumWidthForCaption(windowTitle()));
    setFixedSize(std::max(layout_.clientWidth, 1), std::max(layout_.clientHeight, 1));
}

void TWatchForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (event->spontaneous()) return;
    ComputeLayout();
    Update(true);
}

void TWatchForm::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    if (event->spontaneous()) return;
    Guarded([this] { Commit(); });
    editor_.Stop();
    cursorTimer_->stop();
}

void TWatchForm::Repaint(bool all) {
    const int n = Count();
    changed_.assign(size_t(n), 0);
    for (int i = 0; i < n; ++i)
        changed_[size_t(i)] = Text(c_.live, i) != Text(c_.shown, i);
    Update(all);
}

void TWatchForm::Redraw() {
    Update(true);
}

QRect TWatchForm::ValueRect(int watch) const {
    const int h = layout_.rowHeight;
    return QRect(layout_.nameColumn + 1, watch * h, layout_.clientWidth - layout_.nameColumn - 1,
                 h - 1);
}

QPoint TWatchForm::ValuePoint(int watch) const {
    return ValueRect(watch).center();
}

void TWatchForm::Update(bool all) {
    const int n = Count();
    if (int(changed_.size()) != n) changed_.assign(size_t(n), 0);
    std::vector<Cell> cells(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        Cell& c = cells[size_t(i)];
        bool editing = editor_.index == i;
        c.text = editing ? editor_.buffer : Text(c_.live, i);
        c.color = editing && cursorOn_  ? CellColor::Cursor
                  : changed_[size_t(i)] ? CellColor::Changed
                                        : CellColor::Normal;
    }
    if (all || cells.size() != cells_.size()) {
        cells_ = std::move(cells);
        lastRepaintCount_ = n;
        update();
        return;
    }
    int count = 0;
    for (int i = 0; i < n; ++i) {
        if (cells[size_t(i)] == cells_[size_t(i)]) continue;
        update(ValueRect(i));
        ++count;
    }
    cells_ = std::move(cells);
    lastRepaintCount_ = count;
}

void TWatchForm::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    const QPalette& pal = palette();
    p.fillRect(event->rect(), pal.color(QPalette::Base));
    p.setFont(font_);
    const int h = layout_.rowHeight;
    const int cw = layout_.charWidth;
    const QColor grid = pal.color(QPalette::Mid);
    for (int i = 0; i < int(cells_.size()); ++i) {
        const WatchRecord& w = c_.Record().debug.watches[size_t(i)];
        QRect name(0, i * h, layout_.nameColumn, h - 1);
        p.fillRect(name, LightFaceColor(pal));
        p.setPen(pal.color(QPalette::Text));
        p.drawText(name.adjusted(cw, 0, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                   QString::fromLatin1(w.name));
        const Cell& c = cells_[size_t(i)];
        ColorPair colors = CellColors(c.color, pal);
        QRect value = ValueRect(i);
        p.fillRect(value, colors.background);
        p.setPen(colors.text);
        QRect text(value.left(), value.top(), layout_.ValueRight() - value.left(), value.height());
        p.drawText(text, Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine,
                   QString::fromLatin1(c.text.data(), qsizetype(c.text.size())));
        p.setPen(grid);
        p.drawLine(0, i * h + h - 1, layout_.clientWidth, i * h + h - 1);
    }
    p.setPen(grid);
    p.drawLine(layout_.nameColumn, 0, layout_.nameColumn, layout_.clientHeight);
}

void TWatchForm::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !Stopped()) return;
    const QPoint at = event->position().toPoint();
    int watch = layout_.ValueAt(at.x(), at.y(), Count());
    if (watch < 0 || watch == editor_.index) return;
    Guarded([&] {
        Commit();
        StartEdit(watch);
    });
}

void TWatchForm::StartEdit(int watch) {
    editor_.Start(watch, Text(c_.live, watch));
    cursorOn_ = true;
    cursorTicks_ = 0;
    cursorTimer_->start();
    setFocus(Qt::MouseFocusReason);
    Update(false);
}

void TWatchForm::Commit() {
    if (committing_ || !editor_.Active()) return;
    const int watch = editor_.index;
    if (!editor_.changed || !Stopped() || !c_.Link().PortOpen()) {
        if (editor_.changed) editor_.Restore(Text(c_.live, watch));
        return;
    }
    committing_ = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{committing_};
    const std::string entry = editor_.buffer;
    editor_.Restore(Text(c_.live, watch));
    bool ok = CommitWatchEntry(c_, c_.Record().debug.watches[size_t(watch)], entry);
    if (!ok) {
        Update(false);
        prompter_.Message(kInvalidConstantText, kInvalidConstantCaption, PromptButtons::Ok,
                          PromptIcon::Error);
    }
    // What the chip holds now; the edit stays on the watch until the caller moves it.
    editor_.Restore(Text(c_.live, watch));
    Update(false);
}

void TWatchForm::CursorTimerTick() {
    if (!editor_.Active()) return;
    if (++cursorTicks_ % 4 != 0) return;
    cursorOn_ = !cursorOn_;
    Update(false);
}

void TWatchForm::keyPressEvent(QKeyEvent* event) {
    if (!editor_.Active()) {
        QWidget::keyPressEvent(event);
        return;
    }
    if (!Stopped()) {
        editor_.Stop();
        cursorTimer_->stop();
        Update(false);
        return;
    }
    const int n = Count();
    const int watch = editor_.index;
    Guarded([&] {
        switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            Commit();
            return;
        case Qt::Key_Escape:
            editor_.Stop();
            cursorTimer_->stop();
            Update(false);
            return;
        case Qt::Key_Backspace:
            editor_.Backspace();
            Update(false);
            return;
        case Qt::Key_Up:
            Commit();
            StartEdit((watch + n - 1) % n);
            return;
        case Qt::Key_Down:
            Commit();
            StartEdit((watch + 1) % n);
            return;
        default:
            break;
        }
        const QString text = event->text();
        if (text.size() != 1 || (event->modifiers() & Qt::ControlModifier)) return;
        const char16_t ch = text[0].unicode();
        if (ch < 0x20 || ch == 0x7F || ch > 0xFF) return;
        editor_.Type(char(ch));
        Update(false);
    });
    event->accept();
}

void TWatchForm::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    if (event->reason() == Qt::PopupFocusReason || committing_) return;
    Guarded([this] {
        Commit();
        editor_.Stop();
        cursorTimer_->stop();
        Update(false);
    });
}

} // namespace pellix
