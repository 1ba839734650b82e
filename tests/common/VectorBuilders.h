#pragma once

#include "VectorImport.h"

#include <QList>
#include <QPointF>

#include <algorithm>
#include <cmath>

// A drawing's path through the points, closed or open.
inline TVectorPath PolygonPath(const QList<QPointF>& points, bool closed)
{
    TVectorPath path;
    path.Path.moveTo(points[0]);
    for (int i = 1; i < points.size(); ++i)
        path.Path.lineTo(points[i]);
    if (closed)
        path.Path.closeSubpath();
    return path;
}

// How far `p` lies from the segment from `a` to `b`.
inline double SegmentDistance(QPointF p, QPointF a, QPointF b)
{
    const QPointF ab = b - a;
    const double len2 = QPointF::dotProduct(ab, ab);
    const double t = len2 > 0 ? std::clamp(QPointF::dotProduct(p - a, ab) / len2, 0.0, 1.0) : 0.0;
    const QPointF d = p - (a + t * ab);
    return std::hypot(d.x(), d.y());
}
