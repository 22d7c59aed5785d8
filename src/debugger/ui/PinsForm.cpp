#include "debugger/ui/PinsForm.h"

#include <QContextMenuEvent>
#include <QDoubleSpinBox>
#include <QHBoxLayout>
#include <QHelpEvent>
#include <QLabel>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QShowEvent>
#include <QToolTip>
#include <QVBoxLayout>

#include "sim/VirtualChip.h"

namespace pellix {

namespace {

constexpr int kCellWidth = 58;
constexpr int kCellHeight = 62;
constexpr int kLabelWidth = 64;
constexpr int kGap = 6;
constexpr int kMargin = 8;

QString DriveText(const PinCell& c) {
    if (c.clocked) return QStringLiteral("clock");
    switch (c.driven) {
    case PinLevel::High:
        return QStringLiteral("1");
    case PinLevel::Low:
        return QStringLiteral("0");
    case PinLevel::Floating:
        break;
    }
    return QStringLiteral("z");
}

QString Tip(const PinCell& c) {
    QString tip = QStringLiteral("<b>%1</b>: ").arg(QString::fromStdString(c.name));
    if (c.output)
        tip += PinsForm::tr("output, the program drives it");
    else if (c.pin.IsPort())
        tip += PinsForm::tr("input");
    else
        tip += PinsForm::tr("input pin");
    tip += QStringLiteral("<br>") + PinsForm::tr("Level: ") +
           (c.floating ? PinsForm::tr("floating (reads 0)")
                       : (c.level ? PinsForm::tr("high") : PinsForm::tr("low")));
    tip += QStringLiteral("<br>") + PinsForm::tr("Driven from outside: ") +
           (c.clocked ? PinsForm::tr("a clock source") : DriveText(c));
    if (c.pin.IsPort()) {
        QStringList settings;
        if (c.pullUp) settings << PinsForm::tr("pull-up");
        if (c.schmitt) settings << PinsForm::tr("Schmitt trigger");
        settings << (c.ttl ? PinsForm::tr("TTL level") : PinsForm::tr("CMOS level"));
        tip += QStringLiteral("<br>") + settings.join(QStringLiteral(", "));
    }
    if (c.edges)
        tip += QStringLiteral("<br>") + PinsForm::tr("Changed %n time(s) since the last look", "",
                                                     int(std::min<uint64_t>(c.edges, 1'000'000)));
    if (!c.output)
        tip += QStringLiteral("<br><i>") +
               (c.pulse ? PinsForm::tr("Click: a pulse") : PinsForm::tr("Click: 1, 0, z in turn")) +
               QStringLiteral("</i>");
    return tip;
}

} // namespace

// The painted grid of pins: a row for each port, bit 7 at the left.
class PinsView : public QWidget {
public:
    explicit PinsView(PinsForm& form) : QWidget(&form), form_(form) {
        setObjectName(QStringLiteral("PinsView"));
        setMouseTracking(true);
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

    QSize sizeHint() const override {
        int columns = 2, rows = 0;
        for (const PinGroup& g : form_.Model().Groups()) {
            columns = std::max(columns, int(g.pins.size()));
            ++rows;
        }
        return {kMargin * 2 + kLabelWidth + columns * (kCellWidth + kGap) - kGap,
                kMargin * 2 + std::max(rows, 1) * (kCellHeight + kGap) - kGap};
    }
    QSize minimumSizeHint() const override { return sizeHint(); }

    QRect CellRect(const LabPin& pin) const {
        int row = 0;
        for (const PinGroup& g : form_.Model().Groups()) {
            for (size_t i = 0; i < g.pins.size(); ++i)
                if (g.pins[i].pin == pin)
                    return {kMargin + kLabelWidth + int(i) * (kCellWidth + kGap),
                            kMargin + row * (kCellHeight + kGap), kCellWidth, kCellHeight};
            ++row;
        }
        return {};
    }
    const PinCell* CellAt(QPoint at) const {
        for (const PinGroup& g : form_.Model().Groups())
            for (const PinCell& c : g.pins)
                if (CellRect(c.pin).contains(at)) return &c;
        return nullptr;
    }
    int repaints = 0;

protected:
    void paintEvent(QPaintEvent*) override {
        ++repaints;
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QPalette& pal = palette();
        p.fillRect(rect(), pal.color(QPalette::Base));
        QFont label = font();
        label.setBold(true);
        QFont small = font();
        small.setPointSizeF(std::max(6.5, font().pointSizeF() * 0.8));
        int row = 0;
        for (const PinGroup& g : form_.Model().Groups()) {
            const int top = kMargin + row * (kCellHeight + kGap);
            p.setFont(label);
            p.setPen(pal.color(QPalette::Text));
            p.drawText(QRect(kMargin, top, kLabelWidth - 8, kCellHeight),
                       Qt::AlignLeft | Qt::AlignVCenter, QString::fromStdString(g.name));
            for (const PinCell& c : g.pins)
                PaintCell(p, c, CellRect(c.pin), small);
            ++row;
        }
    }

    void mousePressEvent(QMouseEvent* e) override {
        if (e->button() != Qt::LeftButton) return;
        if (const PinCell* c = CellAt(e->position().toPoint())) {
            if (form_.Model().Click(c->pin)) form_.LabRefresh();
        }
    }
    void contextMenuEvent(QContextMenuEvent* e) override {
        if (const PinCell* c = CellAt(e->pos()))
            if (QMenu* m = form_.PinMenu(c->pin)) m->popup(e->globalPos());
    }
    void mouseMoveEvent(QMouseEvent* e) override {
        const PinCell* c = CellAt(e->position().toPoint());
        const LabPin hovered = c ? c->pin : LabPin{LabPin::Kind::Mclr, 0xFF, 0xFF};
        if (!(hovered == hovered_)) {
            hovered_ = hovered;
            setCursor(c && !c->output ? Qt::PointingHandCursor : Qt::ArrowCursor);
            update();
        }
    }
    void leaveEvent(QEvent*) override {
        hovered_ = {LabPin::Kind::Mclr, 0xFF, 0xFF};
        update();
    }
    bool event(QEvent* e) override {
        if (e->type() == QEvent::ToolTip) {
            auto* help = static_cast<QHelpEvent*>(e);
            if (const PinCell* c = CellAt(help->pos()))
                QToolTip::showText(help->globalPos(), Tip(*c), this, CellRect(c->pin));
            else
                QToolTip::hideText();
            return true;
        }
        return QWidget::event(e);
    }

private:
    void PaintCell(QPainter& p, const PinCell& c, const QRect& r, const QFont& small) {
        const QPalette& pal = palette();
        const bool dark = pal.color(QPalette::Base).lightness() < 128;
        const bool hover = c.pin == hovered_ && !c.output;
        // The card: outputs tinted, inputs plain; the hovered input lifted.
        QColor card = c.output ? (dark ? QColor(0x24, 0x33, 0x48) : QColor(0xE8, 0xF0, 0xFB))
                               : pal.color(QPalette::Window);
        if (hover) card = card.lighter(dark ? 130 : 104);
        QColor border = c.output ? QColor(0x7A, 0x9C, 0xC8) : pal.color(QPalette::Mid);
        if (hover) border = pal.color(QPalette::Highlight);
        p.setPen(QPen(border, 1));
        p.setBrush(card);
        p.drawRoundedRect(QRectF(r).adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);

        // The LED: lit green for high, dark for low, an empty ring when floating; an amber
        // ring round it when the pin moved since the last look.
        const QPointF centre(r.center().x(), r.top() + 15);
        const qreal radius = 7;
        if (c.edges) {
            p.setPen(QPen(QColor(0xF0, 0x9A, 0x1E), 2.2));
            p.setBrush(Qt::NoBrush);
            p.drawEllipse(centre, radius + 3.2, radius + 3.2);
        }
        if (c.floating) {
            p.setPen(QPen(QColor(0x90, 0x90, 0x90), 1.4, Qt::DashLine));
            p.setBrush(Qt::NoBrush);
        } else if (c.level) {
            QRadialGradient glow(centre, radius * 1.2, centre - QPointF(2, 2));
            glow.setColorAt(0, QColor(0xB8, 0xFF, 0xC8));
            glow.setColorAt(1, QColor(0x1E, 0xC2, 0x4B));
            p.setPen(QPen(QColor(0x12, 0x8A, 0x34), 1));
            p.setBrush(glow);
        } else {
            p.setPen(QPen(QColor(0x3A, 0x48, 0x3E), 1));
            p.setBrush(dark ? QColor(0x1C, 0x26, 0x20) : QColor(0x5A, 0x6A, 0x5E));
        }
        p.drawEllipse(centre, radius, radius);
        if (c.edges && !c.floating) {
            // Moving: half lit, whatever the level at this look.
            QPainterPath half;
            half.moveTo(centre);
            half.arcTo(QRectF(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius),
                       c.level ? 270 : 90, 180);
            half.closeSubpath();
            p.setPen(Qt::NoPen);
            p.setBrush(c.level ? (dark ? QColor(0x1C, 0x26, 0x20) : QColor(0x5A, 0x6A, 0x5E))
                               : QColor(0x1E, 0xC2, 0x4B));
            p.drawPath(half);
        }

        // The name, then a line: direction and what is driven in.
        p.setFont(small);
        p.setPen(pal.color(QPalette::Text));
        p.drawText(QRect(r.left(), r.top() + 25, r.width(), 15), Qt::AlignCenter,
                   QString::fromStdString(c.name));
        const QRect tag(r.left() + 4, r.bottom() - 18, r.width() - 8, 14);
        QString direction = c.output ? QStringLiteral("OUT") : QStringLiteral("IN");
        QColor dirColour =
            c.output ? QColor(0x2A, 0x6C, 0xD0) : pal.color(QPalette::PlaceholderText);
        p.setPen(dirColour);
        p.drawText(tag, Qt::AlignLeft | Qt::AlignVCenter, direction);
        QString drive = c.pulse ? QStringLiteral("pulse") : DriveText(c);
        if (c.output && c.driven == PinLevel::Floating && !c.clocked) drive.clear();
        p.setPen(c.driven == PinLevel::Floating && !c.clocked && !c.pulse
                     ? pal.color(QPalette::PlaceholderText)
                     : QColor(0xC0, 0x5A, 0x10));
        p.drawText(tag, Qt::AlignRight | Qt::AlignVCenter, drive);
        // The port's settings for the pin where they differ from a reset's, small, top
        // right: PU pull-up, ST Schmitt trigger, CMOS level (TTL after a reset).
        if (c.pin.IsPort()) {
            QStringList flags;
            if (c.pullUp) flags << QStringLiteral("PU");
            if (c.schmitt) flags << QStringLiteral("ST");
            if (!c.ttl) flags << QStringLiteral("CMOS");
            if (!flags.isEmpty()) {
                QFont tiny = small;
                tiny.setPointSizeF(std::max(6.0, small.pointSizeF() * 0.85));
                p.setFont(tiny);
                p.setPen(QColor(0x8A, 0x5C, 0xB8));
                p.drawText(QRect(r.left() + 3, r.top() + 1, r.width() - 6, 12),
                           Qt::AlignRight | Qt::AlignTop, flags.join(QLatin1Char(' ')));
            }
        }
    }

    PinsForm& form_;
    LabPin hovered_{LabPin::Kind::Mclr, 0xFF, 0xFF};
};

PinsForm::PinsForm(QWidget* parent) : QWidget(parent, Qt::Window | Qt::Tool) {
    setObjectName(QStringLiteral("PinsForm"));
    setWindowTitle(QStringLiteral("Pins"));

    auto* main = new QVBoxLayout(this);
    main->setContentsMargins(6, 6, 6, 6);
    main->setSpacing(6);

    auto* bar = new QHBoxLayout;
    bar->setSpacing(6);
    hint_ = new QLabel(tr("Click an input: 1, 0, z in turn. Right click: levels and pulse."), this);
    hint_->setObjectName(QStringLiteral("PinsHint"));
    hint_->setForegroundRole(QPalette::PlaceholderText);
    bar->addWidget(hint_, 1);
    auto* pulseLabel = new QLabel(tr("Pulse"), this);
    bar->addWidget(pulseLabel);
    pulseWidth_ = new QDoubleSpinBox(this);
    pulseWidth_->setObjectName(QStringLiteral("PulseWidthSB"));
    pulseWidth_->setDecimals(3);
    pulseWidth_->setRange(0.001, 10'000);
    pulseWidth_->setSuffix(QStringLiteral(" ms"));
    pulseWidth_->setValue(double(model_.pulseMicroseconds) / 1000);
    pulseWidth_->setToolTip(tr("How long a pulse holds the pin at the other level"));
    pulseLabel->setBuddy(pulseWidth_);
    connect(pulseWidth_, &QDoubleSpinBox::valueChanged, this,
            [this](double ms) { model_.pulseMicroseconds = uint64_t(ms * 1000 + 0.5); });
    bar->addWidget(pulseWidth_);
    main->addLayout(bar);

    view_ = new PinsView(*this);
    main->addWidget(view_);
    placeholder_ = new QLabel(tr("The pins of the virtual key's chip show here while a debug "
                                 "session runs on it (port SIM)."),
                              this);
    placeholder_->setObjectName(QStringLiteral("PinsPlaceholder"));
    placeholder_->setWordWrap(true);
    placeholder_->setAlignment(Qt::AlignCenter);
    placeholder_->setMinimumSize(360, 120);
    main->addWidget(placeholder_);
    main->setSizeConstraint(QLayout::SetFixedSize);

    menu_ = new QMenu(this);
    menu_->setObjectName(QStringLiteral("PinMenu"));
    Changed();
}

PinsForm::~PinsForm() = default;

void PinsForm::LabChipChanged(VirtualChip* chip) {
    model_.SetChip(chip);
    Changed();
}

void PinsForm::LabRefresh() {
    if (!isVisible()) return;
    if (model_.Refresh()) Changed();
}

void PinsForm::Changed() {
    const bool chip = model_.Chip() != nullptr;
    view_->setVisible(chip);
    placeholder_->setVisible(!chip);
    hint_->setVisible(chip);
    view_->updateGeometry();
    view_->update();
}

QRect PinsForm::CellRect(const LabPin& pin) const {
    return view_->CellRect(pin);
}

QWidget* PinsForm::View() const {
    return view_;
}

int PinsForm::Repaints() const {
    return view_->repaints;
}

QMenu* PinsForm::PinMenu(const LabPin& pin) {
    const PinCell* c = model_.Cell(pin);
    if (!c) return nullptr;
    menu_->clear();
    menu_->setTitle(QString::fromStdString(c->name));
    auto add = [this, pin](const char* name, const QString& text, PinLevel level, bool checked) {
        QAction* a = menu_->addAction(text);
        a->setObjectName(QString::fromLatin1(name));
        a->setCheckable(true);
        a->setChecked(checked);
        connect(a, &QAction::triggered, this, [this, pin, level] {
            model_.Drive(pin, level);
            LabRefresh();
        });
    };
    const bool clocked = c->clocked;
    add("DriveHighItem", tr("Drive &High (1)"), PinLevel::High,
        !clocked && c->driven == PinLevel::High);
    add("DriveLowItem", tr("Drive &Low (0)"), PinLevel::Low,
        !clocked && c->driven == PinLevel::Low);
    add("LetGoItem", tr("Let &Go (z)"), PinLevel::Floating,
        !clocked && c->driven == PinLevel::Floating);
    menu_->addSeparator();
    QAction* pulse = menu_->addAction(tr("&Pulse Now"));
    pulse->setObjectName(QStringLiteral("PulseNowItem"));
    connect(pulse, &QAction::triggered, this, [this, pin] {
        model_.Pulse(pin);
        LabRefresh();
    });
    QAction* onClick = menu_->addAction(tr("Pulse on &Click"));
    onClick->setObjectName(QStringLiteral("PulseOnClickItem"));
    onClick->setCheckable(true);
    onClick->setChecked(c->pulse);
    connect(onClick, &QAction::toggled, this, [this, pin](bool on) {
        model_.SetPulseOnClick(pin, on);
        LabRefresh();
    });
    return menu_;
}

void PinsForm::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    model_.SetWatching(true);
    if (model_.Refresh()) Changed();
}

void PinsForm::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    if (!event->spontaneous()) model_.SetWatching(false);
}

} // namespace pellix
