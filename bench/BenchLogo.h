#pragma once

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

#include <cmath>
#include <numbers>

// A ring, a five-pointed star, a rounded box with a round hole and a curved blade,
// drawn smooth in dark blue on white.
inline QImage Logo(int width, int height)
{
    QImage picture(width, height, QImage::Format_RGB32);
    picture.fill(Qt::white);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(width / 1000.0, height / 1000.0);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(20, 30, 90));
    QPainterPath ring;
    ring.addEllipse(QPointF(260, 260), 200, 200);
    ring.addEllipse(QPointF(260, 260), 130, 130);
    p.drawPath(ring);
    QPolygonF star;
    for (int k = 0; k < 10; ++k) {
        const double a = -std::numbers::pi / 2 + k * std::numbers::pi / 5, r = k % 2 ? 90 : 220;
        star << QPointF(740 + r * std::cos(a), 270 + r * std::sin(a));
    }
    p.drawPolygon(star);
    QPainterPath box;
    box.addRoundedRect(QRectF(80, 560, 380, 360), 60, 60);
    box.addEllipse(QPointF(270, 740), 90, 90);
    p.drawPath(box);
    QPainterPath blade;
    blade.moveTo(540, 920);
    blade.cubicTo(560, 620, 760, 520, 940, 560);
    blade.cubicTo(820, 640, 700, 760, 660, 920);
    blade.closeSubpath();
    p.drawPath(blade);
    return picture;
}
