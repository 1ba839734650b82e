#pragma once

#include <QByteArrayView>
#include <QPainterPath>

// SVG path data ("M 0 0 L 10 10 ...") read here instead of by Qt SVG, which cuts a
// path of more than 32,767 elements short without a word. Quadratic pieces become
// cubic ones and arcs cubic pieces of at most a quarter turn, as Qt SVG makes them.
// Reading stops at the first error and keeps what came before it, as SVG renderers
// do; so does a coordinate that is not a finite number.

// The path the data draws; false when it held an error.
bool ParseSvgPathData(QByteArrayView data, QPainterPath& path);

// At most how many elements a painter path of this data has (an arc counted as four
// quarter turns), without making it.
qint64 SvgPathElementBound(QByteArrayView data);

// Qt SVG keeps no more elements of one path than this.
inline constexpr qint64 QtSvgPathElementLimit = 0x7fff;
