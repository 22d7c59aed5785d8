#include "debugger/ui/TCodeForm.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>

#include "asm/Disassembler.h"
#include "debugger/SettingNames.h"
#include "platform/FileIo.h"

namespace pellix {

namespace {

ColorPair FirstColumnColors(uint8_t index, const QPalette& pal) {
    switch (index) {
    case kCodeNext:
        return {Qt::white, Qt::blue};
    case kCodeBreak:
        return {Qt::white, Qt::red};
    default:
        return {pal.color(QPalette::Text), LightFaceColor(pal)};
    }
}

ColorPair SourceColumnColors(uint8_t index, const QPalette& pal) {
    switch (index) {
    case kCodeNext:
        return {Qt::white, Qt::blue};
    case kCodeBreak:
        return {Qt::white, Qt::red};
    default:
        return {pal.color(QPalette::Text), pal.color(QPalette::Base)};
    }
}

} // namespace

TCodeForm::TCodeForm(DebugViewContext context, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::Tool), c_(context.control), registry_(context.registry) {
    setObjectName(QStringLiteral("CodeForm"));
    setWindowTitle(QString::fromLatin1(kCodeCaption));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    font_ = DefaultViewFont();
    scrollBar_ = new QScrollBar(Qt::Vertical, this);
    scrollBar_->setObjectName(QStringLiteral("ScrollBar"));
    connect(scrollBar_, &QScrollBar::valueChanged, this, &TCodeForm::Scrolled);
    resize(400, 300);
}

TCodeForm::~TCodeForm() {
    if (everShown_) SavePlacement();
}

void TCodeForm::SavePlacement() {
    pellix::SavePlacement(registry_, setting::CodeWindow, *this);
}

void TCodeForm::SetViewFont(const QFont& font) {
    font_ = font;
    if (isVisible()) {
        Layout();
        Repaint(true);
    }
}

void TCodeForm::SetCompilerMode(bool on, const std::string& sxcFileName) {
    compilerMode_ = on;
    sxcFileName_ = sxcFileName;
}

void TCodeForm::SetSessionActive(bool active) {
    sessionActive_ = active;
    if (isVisible()) Repaint(true);
}

int TCodeForm::LineCount() const {
    return std::clamp(c_.Record().debug.lineCount, 0, kMaxListLines + 1);
}

int TCodeForm::MemorySize() const {
    return c_.Geometry().memorySize;
}

CodeMarks TCodeForm::Marks() const {
    if (sessionActive_) return CodeMarksOf(c_.Record().debug, c_.live, MemorySize());
    // Browsing the listing: no instruction is next, the program's own breakpoint is shown.
    DebugState program;
    program.breakpoint = c_.Record().debug.breakAddress;
    CodeMarks m = CodeMarksOf(c_.Record().debug, program, MemorySize());
    m.next = -1;
    return m;
}

QPoint TCodeForm::RowPoint(int row) const {
    return QPoint(width() / 2, row * rowHeight_ + rowHeight_ / 2);
}

void TCodeForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (event->spontaneous()) return;
    everShown_ = true;
    if (!placed_) {
        RestorePlacement(registry_, setting::CodeWindow, *this);
        placed_ = true;
    }
    QString caption = QString::fromLatin1(kCodeCaption);
    if (compilerMode_)
        caption = QString::fromStdString(FilePart(sxcFileName_)) + QStringLiteral(" -  ") + caption;
    setWindowTitle(caption);
    c_.UpdateGeometry();
    Layout();
    cache_.Invalidate();
    Repaint(true);
}

void TCodeForm::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    if (event->spontaneous()) return;
    SavePlacement();
}

void TCodeForm::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Layout();
}

void TCodeForm::Layout() {
    if (laying_) return;
    laying_ = true;
    QFontMetrics fm(font_);
    charWidth_ = std::max(fm.horizontalAdvance(QLatin1Char('X')), 1);
    rowHeight_ = std::max(fm.height(), 1);
    setMinimumHeight(rowHeight_);
    const int lines = LineCount();
    rows_ = CodeRows(height(), rowHeight_, lines);
    CodeScrollBar s = CodeScrollBarFor(rows_, lines);
    position_ = std::clamp(position_, 0, s.maximum);
    scrollBar_->blockSignals(true);
    scrollBar_->setRange(0, s.maximum);
    scrollBar_->setPageStep(std::max(s.page, 1));
    scrollBar_->setSingleStep(1);
    scrollBar_->setValue(position_);
    scrollBar_->blockSignals(false);
    scrollBar_->setGeometry(width() - kCodeScrollBarWidth, 0, kCodeScrollBarWidth,
                            std::max(rows_, 1) * rowHeight_);
    scrollBar_->setVisible(s.visible);
    if (s.visible) scrollBar_->setFocus();
    // The window holds whole rows and no more.
    if (rows_ >= 1 && height() != rows_ * rowHeight_) resize(width(), rows_ * rowHeight_);
    laying_ = false;
}

void TCodeForm::ScrollTo(uint32_t address) {
    const int line = c_.Record().debug.lineOfAddress[address & (kCodeWords - 1)];
    if (line < 0) return;
    position_ = CodeScrollTo(position_, line, rows_, LineCount());
    scrollBar_->blockSignals(true);
    scrollBar_->setValue(position_);
    scrollBar_->blockSignals(false);
}

void TCodeForm::Scrolled(int value) {
    position_ = value;
    Repaint(false);
}

void TCodeForm::Repaint(bool all) {
    lastDrawn_ = cache_.RowsToDraw(all, position_, rows_, Marks());
    if (all) {
        update();
        return;
    }
    for (int r : lastDrawn_)
        update(0, r * rowHeight_, width(), rowHeight_);
}

void TCodeForm::PaintRow(QPainter& p, int row, const CodeMarks& marks, int textWidth) {
    const int line = position_ + row;
    const int y = row * rowHeight_;
    const RowColors colors = RowColorsOf(line, marks);
    const std::string text = line < LineCount() - 1 ? ListingLine(c_.Record(), line) : "";
    const QString all = QString::fromLatin1(text.data(), qsizetype(text.size()));
    const QPalette& pal = palette();
    if (compilerMode_) {
        ColorPair c = SourceColumnColors(colors.source, pal);
        QRect r(0, y, textWidth, rowHeight_);
        p.fillRect(r, c.background);
        p.setPen(c.text);
        p.setClipRect(r);
        p.drawText(charWidth_, y, textWidth, rowHeight_, Qt::AlignLeft | Qt::AlignVCenter, all);
        return;
    }
    const int firstWidth = std::min(kFirstColumnChars * charWidth_, textWidth);
    ColorPair first = FirstColumnColors(colors.first, pal);
    QRect a(0, y, firstWidth, rowHeight_);
    p.setClipRect(a);
    p.fillRect(a, first.background);
    p.setPen(first.text);
    p.drawText(charWidth_, y, textWidth, rowHeight_, Qt::AlignLeft | Qt::AlignVCenter,
               all.left(kFirstColumnChars));
    ColorPair source = SourceColumnColors(colors.source, pal);
    QRect b(firstWidth, y, std::max(textWidth - firstWidth, 0), rowHeight_);
    p.setClipRect(b);
    p.fillRect(b, source.background);
    p.setPen(source.text);
    p.drawText(kSourceColumnChar * charWidth_, y, std::max(textWidth, 1), rowHeight_,
               Qt::AlignLeft | Qt::AlignVCenter, all.mid(kSourceColumnChar));
}

void TCodeForm::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    p.setFont(font_);
    const QRect area = event->rect();
    p.fillRect(area, palette().color(QPalette::Base));
    const int textWidth = width() - (scrollBar_->isVisible() ? kCodeScrollBarWidth : 0);
    const CodeMarks marks = Marks();
    for (int row = 0; row < rows_; ++row) {
        if (!area.intersects(QRect(0, row * rowHeight_, width(), rowHeight_))) continue;
        p.setClipping(false);
        PaintRow(p, row, marks, textWidth);
    }
    // A paint request after the first drawing draws every row from what they now show.
    cache_.RowsToDraw(true, position_, rows_, marks);
}

void TCodeForm::mouseMoveEvent(QMouseEvent* event) {
    pointerRow_ = event->position().toPoint().y() / std::max(rowHeight_, 1);
}

int TCodeForm::ClickedAddress(const QPoint& at) {
    pointerRow_ = at.y() / std::max(rowHeight_, 1);
    if (pointerRow_ < 0 || pointerRow_ >= rows_) return -1;
    return AddressOfLine(c_.Record().debug, position_ + pointerRow_, MemorySize());
}

void TCodeForm::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !sessionActive_) return;
    int address = ClickedAddress(event->position().toPoint());
    if (address < 0) return;
    Guarded([&] { c_.ToggleBreakpoint(address); });
}

void TCodeForm::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !sessionActive_) return;
    int address = ClickedAddress(event->position().toPoint());
    // Moving the program counter hands the context to the kernel: only a stopped chip.
    if (address < 0 || !c_.flags.stateValid) return;
    Guarded([&] { c_.SetProgramCounter(address); });
}

void TCodeForm::wheelEvent(QWheelEvent* event) {
    const int delta = event->angleDelta().y();
    if (delta == 0) return;
    const int lines = CodeWheelLines(rows_);
    scrollBar_->setValue(
        std::clamp(position_ + (delta < 0 ? lines : -lines), 0, scrollBar_->maximum()));
    event->accept();
}

} // namespace pellix
