#include "debugger/ui/DebuggerLook.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>

#include "platform/qt/QtPlacedWindow.h"

namespace pellix {

QColor LightFaceColor(const QPalette& palette) {
    return palette.color(QPalette::Active, QPalette::Midlight);
}

QColor MaroonColor() {
    return QColor(0x80, 0x00, 0x00);
}

ColorPair CellColors(CellColor color, const QPalette& p) {
    const QColor text = p.color(QPalette::Active, QPalette::Text);
    const QColor window = p.color(QPalette::Active, QPalette::Base);
    switch (color) {
    case CellColor::Normal:
        return {text, window};
    case CellColor::Changed:
    case CellColor::Breakpoint:
        return {Qt::white, Qt::red};
    case CellColor::OtherBank:
    case CellColor::Face:
        return {text, LightFaceColor(p)};
    case CellColor::OtherChanged:
        return {Qt::white, MaroonColor()};
    case CellColor::Cursor:
        return {Qt::white, Qt::black};
    case CellColor::FlagSet:
    case CellColor::Current:
        return {Qt::white, Qt::blue};
    }
    return {text, window};
}

QFont DefaultViewFont() {
    QFont font(QStringLiteral("Courier New"));
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setPointSize(9);
    if (!QFontInfo(font).fixedPitch()) {
        QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        fixed.setPointSize(9);
        return fixed;
    }
    return font;
}

QFont SmallViewFont(const QFont& font) {
    QFont small(font);
    int points = font.pointSize() > 0 ? font.pointSize() : 9;
    small.setPointSize(points * 2 / 3 + 1);
    return small;
}

namespace {

QMargins Decoration(const QWidget& w) {
    const QRect f = w.frameGeometry(), g = w.geometry();
    return {g.left() - f.left(), g.top() - f.top(), f.right() - g.right(), f.bottom() - g.bottom()};
}

} // namespace

QMargins FrameMargins(const QWidget& w, const QWidget* reference) {
    if (QMargins m = Decoration(w); !m.isNull()) return m;
    if (reference)
        if (QMargins m = Decoration(*reference); !m.isNull()) return m;
    for (const QWidget* other : QApplication::topLevelWidgets())
        if (other != &w && other->isVisible())
            if (QMargins m = Decoration(*other); !m.isNull()) return m;
    return {};
}

void PlaceFrame(QWidget& w, const PlacedRect& r, bool resize, const QMargins& m) {
    QSize size = w.size();
    if (resize)
        size = QSize(std::max(r.width - m.left() - m.right(), 1),
                     std::max(r.height - m.top() - m.bottom(), 1));
    // The client's geometry: the frame then sits where the rule put it.
    w.setGeometry(QRect(QPoint(r.left + m.left(), r.top + m.top()), size));
}

int MinimumWidthForCaption(const QString& caption) {
    // The icon, the close, maximise and minimise buttons and the margins of a common title bar.
    constexpr int kTitleBarFurniture = 150;
    QFont title = QApplication::font();
    title.setBold(true);
    return QFontMetrics(title).horizontalAdvance(caption) + kTitleBarFurniture;
}

void RestorePlacement(SettingsRegistry& registry, const char* name, QWidget& window) {
    QtPlacedWindow placed(window);
    registry.RestoreWindow(name, placed);
}

void SavePlacement(SettingsRegistry& registry, const char* name, QWidget& window) {
    QtPlacedWindow placed(window);
    registry.SaveWindow(name, placed);
}

} // namespace pellix
