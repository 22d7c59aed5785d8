#include "shell/ui/Colors.h"

namespace pellix {

QColor ToQColor(ColorRef c, const QPalette& p) {
    if (c & kSystemColor) {
        switch (c & 0xFF) {
        case 5:
            return p.color(QPalette::Base); // window
        case 8:
            return p.color(QPalette::Text); // window text
        case 13:
            return p.color(QPalette::Highlight); // highlight
        case 14:
            return p.color(QPalette::HighlightedText);
        case 15:
            return p.color(QPalette::Button); // button face
        case 18:
            return p.color(QPalette::ButtonText);
        case 24:
            return p.color(QPalette::ToolTipBase); // info background
        case 23:
            return p.color(QPalette::ToolTipText);
        default:
            return p.color(QPalette::WindowText);
        }
    }
    return QColor(int(c & 0xFF), int((c >> 8) & 0xFF), int((c >> 16) & 0xFF));
}

ColorRef ToColorRef(const QColor& c) {
    return ColorRef(c.red()) | (ColorRef(c.green()) << 8) | (ColorRef(c.blue()) << 16);
}

} // namespace pellix
