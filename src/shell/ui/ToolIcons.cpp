#include "shell/ui/ToolIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace pellix {

namespace {

void Page(QPainter& p) {
    QPainterPath path;
    path.moveTo(3.5, 1.5);
    path.lineTo(10.5, 1.5);
    path.lineTo(13.5, 4.5);
    path.lineTo(13.5, 14.5);
    path.lineTo(3.5, 14.5);
    path.closeSubpath();
    p.setPen(QPen(QColor(90, 90, 90), 1));
    p.setBrush(Qt::white);
    p.drawPath(path);
    p.drawLine(QPointF(10.5, 1.5), QPointF(10.5, 4.5));
    p.drawLine(QPointF(10.5, 4.5), QPointF(13.5, 4.5));
}

void Chip(QPainter& p, QRectF body) {
    p.setPen(QPen(QColor(60, 60, 60), 1));
    for (double y = body.top() + 1.5; y < body.bottom() - 0.5; y += 2.5) {
        p.drawLine(QPointF(body.left() - 2, y), QPointF(body.left(), y));
        p.drawLine(QPointF(body.right(), y), QPointF(body.right() + 2, y));
    }
    p.setBrush(QColor(40, 40, 40));
    p.drawRect(body);
    p.setPen(QColor(200, 200, 200));
    p.drawEllipse(QPointF(body.left() + 2, body.top() + 2), 0.8, 0.8);
}

void Bug(QPainter& p, QPointF c, QColor color) {
    p.setPen(QPen(QColor(50, 30, 20), 1));
    for (int i = -1; i <= 1; ++i) {
        p.drawLine(QPointF(c.x() - 3, c.y() + i * 2.5), QPointF(c.x() - 6, c.y() + i * 3));
        p.drawLine(QPointF(c.x() + 3, c.y() + i * 2.5), QPointF(c.x() + 6, c.y() + i * 3));
    }
    p.setBrush(color);
    p.drawEllipse(c, 3.5, 5.0);
    p.drawEllipse(QPointF(c.x(), c.y() - 5.5), 2.0, 1.8);
    p.drawLine(QPointF(c.x(), c.y() - 4), QPointF(c.x(), c.y() + 5));
}

} // namespace

QIcon MakeToolIcon(ToolIcon which) {
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    switch (which) {
    case ToolIcon::New:
        Page(p);
        p.setPen(QPen(QColor(230, 170, 0), 1.5));
        p.drawLine(QPointF(12, 9), QPointF(12, 15));
        p.drawLine(QPointF(9, 12), QPointF(15, 12));
        break;
    case ToolIcon::Open: {
        p.setPen(QPen(QColor(120, 90, 20), 1));
        p.setBrush(QColor(240, 200, 90));
        p.drawRect(QRectF(1.5, 4.5, 12, 9));
        QPainterPath flap;
        flap.moveTo(3.5, 7.5);
        flap.lineTo(15.5, 7.5);
        flap.lineTo(13.5, 13.5);
        flap.lineTo(1.5, 13.5);
        flap.closeSubpath();
        p.setBrush(QColor(250, 220, 130));
        p.drawPath(flap);
        break;
    }
    case ToolIcon::Save:
        p.setPen(QPen(QColor(30, 40, 90), 1));
        p.setBrush(QColor(60, 90, 170));
        p.drawRect(QRectF(1.5, 1.5, 13, 13));
        p.setBrush(Qt::white);
        p.drawRect(QRectF(4.5, 1.5, 7, 5));
        p.setBrush(QColor(200, 200, 200));
        p.drawRect(QRectF(4.5, 9.5, 7, 5));
        break;
    case ToolIcon::Assemble:
        Page(p);
        p.setPen(QPen(QColor(20, 80, 200), 1.2));
        for (int y = 5; y <= 11; y += 3)
            p.drawLine(QPointF(5, y), QPointF(11, y));
        p.setBrush(QColor(20, 80, 200));
        p.drawEllipse(QPointF(11.5, 11.5), 3.5, 3.5);
        p.setPen(QPen(Qt::white, 1.3));
        p.drawLine(QPointF(10, 11.5), QPointF(13, 11.5));
        p.drawLine(QPointF(11.5, 10), QPointF(11.5, 13));
        break;
    case ToolIcon::Program:
        Chip(p, QRectF(4.5, 7.5, 7, 7));
        p.setPen(QPen(QColor(200, 30, 30), 1.6));
        p.drawLine(QPointF(8, 0.5), QPointF(8, 6));
        p.drawLine(QPointF(5.5, 3.5), QPointF(8, 6));
        p.drawLine(QPointF(10.5, 3.5), QPointF(8, 6));
        break;
    case ToolIcon::Run: {
        QPainterPath tri;
        tri.moveTo(4, 2);
        tri.lineTo(14, 8);
        tri.lineTo(4, 14);
        tri.closeSubpath();
        p.setPen(QPen(QColor(0, 100, 0), 1));
        p.setBrush(QColor(30, 170, 50));
        p.drawPath(tri);
        break;
    }
    case ToolIcon::Debug:
        Bug(p, QPointF(8, 9), QColor(200, 60, 40));
        break;
    case ToolIcon::DebugAgain:
        Bug(p, QPointF(7, 9), QColor(200, 60, 40));
        p.setPen(QPen(QColor(20, 80, 200), 1.6));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(9, 1, 6, 6), 90 * 16, 270 * 16);
        break;
    case ToolIcon::Device:
        Chip(p, QRectF(4.5, 2.5, 7, 11));
        break;
    case ToolIcon::Clock:
        p.setPen(QPen(QColor(60, 60, 60), 1.2));
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(8, 8), 6.5, 6.5);
        p.setPen(QPen(QColor(20, 20, 20), 1.4));
        p.drawLine(QPointF(8, 8), QPointF(8, 3.5));
        p.drawLine(QPointF(8, 8), QPointF(11, 9.5));
        break;
    }
    return QIcon(pm);
}

} // namespace pellix
