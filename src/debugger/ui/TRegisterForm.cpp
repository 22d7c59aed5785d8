#include "debugger/ui/TRegisterForm.h"

#include <QFocusEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTimer>
#include <QToolTip>
#include <QWheelEvent>

#include "debugger/SettingNames.h"

namespace pellix {

namespace {

QRect ToQRect(const CellRect& r) {
    return QRect(r.x, r.y, r.w, r.h);
}

QPoint Centre(const CellRect& r) {
    return QPoint(r.x + r.w / 2, r.y + r.h / 2);
}

int HexDigit(int key) {
    if (key >= Qt::Key_0 && key <= Qt::Key_9) return key - Qt::Key_0;
    if (key >= Qt::Key_A && key <= Qt::Key_F) return key - Qt::Key_A + 10;
    return -1;
}

} // namespace

TRegisterForm::TRegisterForm(DebugViewContext context, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::Tool), c_(context.control), registry_(context.registry) {
    setObjectName(QStringLiteral("RegisterForm"));
    setWindowTitle(QStringLiteral("Registers"));
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    font_ = DefaultViewFont();
    small_ = SmallViewFont(font_);

    strip_ = new QScrollBar(Qt::Vertical, this);
    strip_->setObjectName(QStringLiteral("StripScrollBar"));
    strip_->setFocusPolicy(Qt::NoFocus);
    connect(strip_, &QScrollBar::valueChanged, this, &TRegisterForm::StripScrolled);

    cursorTimer_ = new QTimer(this);
    cursorTimer_->setObjectName(QStringLiteral("CursorTimer"));
    cursorTimer_->setInterval(125);
    connect(cursorTimer_, &QTimer::timeout, this, &TRegisterForm::CursorTimerTick);

    showHint = [this](const QString& text, QPoint at, int ms) {
        QToolTip::showText(at, text, this, QRect(), ms);
    };
    hideHint = [] { QToolTip::hideText(); };
    Layout();
}

TRegisterForm::~TRegisterForm() {
    SavePlacement();
}

void TRegisterForm::SavePlacement() {
    pellix::SavePlacement(registry_, setting::RegisterWindow, *this);
}

void TRegisterForm::SetViewFont(const QFont& font) {
    font_ = font;
    small_ = SmallViewFont(font);
    Layout();
    Update(true);
}

void TRegisterForm::Layout() {
    QFontMetrics fm(font_), sm(small_);
    RegisterMetrics m;
    m.charWidth = fm.horizontalAdvance(QLatin1Char('X'));
    m.charHeight = fm.height();
    m.smallWidth = sm.horizontalAdvance(QLatin1Char('X'));
    m.smallHeight = sm.height();
    m.scrollBarWidth = 16;
    surface_.Configure(c_.Family(), c_.Geometry(), m);
    setFixedSize(surface_.Width(), surface_.Height());
    CellRect sb = surface_.ScrollBarRect();
    strip_->setGeometry(ToQRect(sb));
    syncing_ = true;
    strip_->setRange(0, surface_.StripMax());
    strip_->setPageStep(kStripLines);
    strip_->setSingleStep(1);
    strip_->setValue(surface_.StripTop());
    syncing_ = false;
}

void TRegisterForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (event->spontaneous()) return;
    Layout();
    if (!placed_) {
        RestorePlacement(registry_, setting::RegisterWindow, *this);
        placed_ = true;
    }
    Update(true);
}

void TRegisterForm::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    if (event->spontaneous()) return;
    if (hideHint) hideHint();
    Guarded([this] { EndEdit(); });
}

void TRegisterForm::Repaint(bool all) {
    surface_.MarkChanges(c_.live, c_.shown);
    Update(all);
}

void TRegisterForm::Redraw() {
    Update(true);
}

void TRegisterForm::ShowAddress(uint32_t programCounter) {
    surface_.ShowAddress(programCounter);
    syncing_ = true;
    strip_->setValue(surface_.StripTop());
    syncing_ = false;
}

void TRegisterForm::RepaintBreakpoint(bool all) {
    Update(all);
}

void TRegisterForm::Update(bool all) {
    // A view opened for the first time during a session follows the chip's geometry.
    if (surface_.Family() != c_.Family() ||
        surface_.Geometry().memorySize != c_.Geometry().memorySize ||
        surface_.Geometry().ramBanks != c_.Geometry().ramBanks ||
        surface_.Geometry().ports != c_.Geometry().ports) {
        Layout();
        all = true;
    }
    std::vector<PaintCell> cells = surface_.Cells(c_.live, c_.Record());
    if (all || cells.size() != cells_.size()) {
        cells_ = std::move(cells);
        lastRepaintCount_ = int(cells_.size());
        update();
        return;
    }
    int n = 0;
    for (size_t i = 0; i < cells.size(); ++i) {
        if (cells[i] == cells_[i]) continue;
        update(ToQRect(cells_[i].rect).united(ToQRect(cells[i].rect)));
        ++n;
    }
    cells_ = std::move(cells);
    lastRepaintCount_ = n;
}

void TRegisterForm::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    const QPalette& pal = palette();
    const QRect area = event->rect();
    p.fillRect(area, pal.color(QPalette::Window));
    // The three areas sit on the window colour, framed like sunken panels.
    auto panel = [&](const QRect& r) {
        if (!area.intersects(r)) return;
        p.fillRect(r, pal.color(QPalette::Base));
        p.setPen(pal.color(QPalette::Mid));
        p.drawRect(r.adjusted(0, 0, -1, -1));
    };
    for (const CellRect& r : surface_.Panels())
        panel(ToQRect(r));
    for (const PaintCell& c : cells_) {
        QRect r = ToQRect(c.rect);
        if (!area.intersects(r)) continue;
        ColorPair colors = CellColors(c.color, pal);
        if (c.kind == CellKind::Label) {
            colors.text = pal.color(QPalette::Text);
        } else {
            p.fillRect(r, colors.background);
        }
        p.setFont(c.small ? small_ : font_);
        p.setPen(colors.text);
        QRect textRect = c.centred ? r : r.adjusted(2, 0, 0, 0);
        p.drawText(textRect,
                   (c.centred ? Qt::AlignHCenter : Qt::AlignLeft) | Qt::AlignVCenter |
                       Qt::TextSingleLine,
                   QString::fromLatin1(c.text.data(), qsizetype(c.text.size())));
        if (c.frame) {
            QPen pen(Qt::blue);
            pen.setWidth(2);
            p.setPen(pen);
            p.setBrush(Qt::NoBrush);
            p.drawRect(r.adjusted(1, 1, -1, -1));
        }
    }
}

QPoint TRegisterForm::ValuePoint(int reg) const {
    return Centre(surface_.ValueRect(reg));
}

QPoint TRegisterForm::BitPoint(int reg, int bit) const {
    return Centre(surface_.BitRect(reg, bit));
}

QPoint TRegisterForm::FlagPoint(int flag) const {
    return Centre(surface_.FlagRect(flag));
}

QPoint TRegisterForm::StripPoint(int line) const {
    return Centre(surface_.StripRect(line));
}

void TRegisterForm::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !Stopped()) return;
    const QPoint at = event->position().toPoint();
    const RegisterHit hit = surface_.HitTest(at.x(), at.y());
    Guarded([&] {
        switch (hit.what) {
        case RegisterHit::Value:
            if (surface_.editing != hit.reg) {
                Commit();
                StartEdit(hit.reg);
            }
            break;
        case RegisterHit::Bit: {
            EndEdit();
            uint8_t v = uint8_t(c_.live.Register(hit.reg) ^ (1u << hit.bit));
            c_.WriteRegister(hit.reg, v);
            c_.ApplyChanges();
            break;
        }
        case RegisterHit::Flag:
            EndEdit();
            if (hit.flag == kFlagInt)
                c_.live.intFlag = c_.live.intFlag ? 0 : 1;
            else
                c_.live.skipFlag = c_.live.skipFlag ? 0 : 1;
            c_.ApplyChanges();
            break;
        case RegisterHit::StripLine:
            EndEdit();
            c_.ToggleBreakpoint(surface_.StripAddress(hit.line));
            if (DebugView* list = c_.View(DebugViewRole::List); list && list->IsVisible())
                list->Repaint(false);
            break;
        case RegisterHit::None:
            EndEdit();
            break;
        }
    });
}

void TRegisterForm::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !Stopped()) return;
    const QPoint at = event->position().toPoint();
    const RegisterHit hit = surface_.HitTest(at.x(), at.y());
    if (hit.what != RegisterHit::StripLine) {
        mousePressEvent(event);
        return;
    }
    Guarded([&] { c_.SetProgramCounter(surface_.StripAddress(hit.line)); });
}

void TRegisterForm::wheelEvent(QWheelEvent* event) {
    int notches = event->angleDelta().y() / 120;
    if (notches == 0) return;
    strip_->setValue(strip_->value() - notches * kStripWheelLines);
    event->accept();
}

void TRegisterForm::StripScrolled(int value) {
    if (syncing_) return;
    surface_.SetStripTop(value);
    Update(false);
}

void TRegisterForm::StartEdit(int reg) {
    surface_.editing = reg;
    surface_.typed = false;
    surface_.cursorOn = true;
    cursorTicks_ = 0;
    cursorTimer_->start();
    setFocus(Qt::MouseFocusReason);
    if (reg == kRegisterM && c_.Family() == 1 && showHint) {
        CellRect r = surface_.ValueRect(kRegisterM);
        showHint(QString::fromLatin1(kMReadOnlyHint), mapToGlobal(QPoint(r.x, r.y + r.h)),
                 kRegisterHintMs);
    }
    Update(false);
}

void TRegisterForm::Commit() {
    if (committing_ || surface_.editing < 0 || !surface_.typed) return;
    surface_.typed = false;
    if (!Stopped() || !c_.Link().PortOpen()) return;
    committing_ = true;
    struct Done {
        bool& flag;
        ~Done() { flag = false; }
    } done{committing_};
    c_.WriteRegister(surface_.editing, surface_.typedValue);
    c_.ApplyChanges();
}

void TRegisterForm::EndEdit() {
    if (surface_.editing < 0) return;
    struct Stop {
        TRegisterForm& f;
        ~Stop() {
            f.surface_.editing = -1;
            f.surface_.typed = false;
            f.cursorTimer_->stop();
            f.Update(false);
        }
    } stop{*this};
    Commit();
}

void TRegisterForm::MoveTo(int reg) {
    Commit();
    StartEdit(reg);
}

void TRegisterForm::CursorTimerTick() {
    if (surface_.editing < 0) return;
    if (++cursorTicks_ % 4 != 0) return;
    surface_.cursorOn = !surface_.cursorOn;
    Update(false);
}

void TRegisterForm::keyPressEvent(QKeyEvent* event) {
    const int reg = surface_.editing;
    if (reg < 0) {
        QWidget::keyPressEvent(event);
        return;
    }
    if (!Stopped()) {
        // The chip went on: what was typed no longer applies to what it holds.
        surface_.editing = -1;
        surface_.typed = false;
        cursorTimer_->stop();
        Update(false);
        return;
    }
    const int family = c_.Family();
    const int banks = c_.Geometry().ramBanks;
    const int key = event->key();
    Guarded([&] {
        if (int d = HexDigit(key); d >= 0 && !(event->modifiers() & Qt::ControlModifier)) {
            if (reg == kRegisterM && family == 1) return; // read-only while debugging
            surface_.typedValue = TypeDigit(surface_.typedValue, !surface_.typed, d, reg, family);
            surface_.typed = true;
            Update(false);
            return;
        }
        switch (key) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            Commit();
            break;
        case Qt::Key_Escape:
            surface_.typed = false;
            EndEdit();
            break;
        case Qt::Key_Down:
        case Qt::Key_Space:
            MoveTo(NextRegister(reg, family, banks));
            break;
        case Qt::Key_Up:
        case Qt::Key_Backspace:
            MoveTo(PreviousRegister(reg, family, banks));
            break;
        case Qt::Key_Left:
            MoveTo(LeftRegister(reg, family, banks));
            break;
        case Qt::Key_Right:
            MoveTo(RightRegister(reg, family, banks));
            break;
        default:
            break;
        }
    });
    event->accept();
}

void TRegisterForm::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    if (event->reason() == Qt::PopupFocusReason) return;
    Guarded([this] { EndEdit(); });
}

} // namespace pellix
