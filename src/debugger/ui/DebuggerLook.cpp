#include "debugger/ui/DebuggerLook.h"

#include <QFontDatabase>
#include <QFontInfo>

#include "shell/ui/QtPlacedWindow.h"

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

void RestorePlacement(SettingsRegistry& registry, const char* name, QWidget& window) {
    QtPlacedWindow placed(window);
    registry.RestoreWindow(name, placed);
}

void SavePlacement(SettingsRegistry& registry, const char* name, QWidget& window) {
    QtPlacedWindow placed(window);
    registry.SaveWindow(name, placed);
}

} // namespace pellix
