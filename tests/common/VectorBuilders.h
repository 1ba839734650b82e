#pragma once

#include "VectorImport.h"

#include <QList>
#include <QPointF>

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
