#pragma once

#include "SmallPoint.h"

#include <QPoint>
#include <QPointF>
#include <vector>

// The path a laser draws well, from shapes already flattened into frame units: what
// every importer (SVG drawings, text, traced pictures) hands its shapes to.
//
// - Every corner (a turn of more than the sharp angle) and every end of an open stroke
//   is a lit sharp point, so the beam holds there with the light on.
// - A shape is left over a separate blank point on the spot where it ended, so its
//   last corner keeps a lit hold and the dark jump starts after it.
// - Every dark jump ends on a sharp blank point on the spot where the next shape
//   starts: the edge hold there lets the mirrors settle before the light comes on;
//   a lit point on the same spot then holds the beam there lit before it moves off,
//   as the leave point's line of no length does at a shape's end.
// - The shapes are ordered, and closed shapes entered, so the dark travel is short:
//   the nearest-neighbour order the caller found, improved by 2-opt.

// A shape in frame units: rounded points without equal neighbours and the unrounded
// positions they came from, for measuring turns.
struct TLaserShape {
    std::vector<QPoint> Points;
    std::vector<QPointF> Exact;
    bool Closed = false;
};

// Where a shape is entered: an end of an open shape (0 or the last point, which says
// the direction it is drawn in), any point of a closed one, which it returns to.
struct TLaserEntry {
    int Shape = -1;
    int Vertex = 0;
};
using TLaserTour = std::vector<TLaserEntry>;

// Frame units kept free on each side of the square by default: room for the point
// labels the sketchpad writes beside the points, and for the beam's overshoot at the
// edge of the scan.
inline constexpr double DefaultMargin = 8.0;
inline constexpr double MaxMargin = 100.0;

// Points a dark jump adds besides the shapes' own: the blank point it leaves from, the
// settle point it ends on and a lit point on that spot, whose line of no length holds
// the beam lit there before the next shape's first line.
inline constexpr int PointsPerJump = 3;

// The scale that fits an extent of the drawing into the square inside the margin.
double MarginScale(double extent, double margin);

// The total length of the dark jumps of a tour, the way back to its start included.
double DarkTravel(const std::vector<TLaserShape>& shapes, const TLaserTour& tour);

// The tour improved by 2-opt moves (which also turn open shapes round) and by the
// choice of the point each closed shape is entered at, until neither shortens the
// dark travel. Work is bounded: a tour of many thousand shapes stays quick.
void ImproveTour(const std::vector<TLaserShape>& shapes, TLaserTour& tour);

struct TLaserPath {
    std::vector<QPoint> Points;
    std::vector<quint16> Flags;  // TSmallPoint flags
    int Jumps = 0;               // dark jumps, the way back to the start included
};

// The points of the frame for the shapes in the tour's order, with their sharp and
// blank flags. `sharpAngle` in degrees.
TLaserPath LayOutLaserPath(const std::vector<TLaserShape>& shapes, const TLaserTour& tour, double sharpAngle);

// The point count LayOutLaserPath gives, without laying the path out.
qint64 LaserPathPointCount(const std::vector<TLaserShape>& shapes, const TLaserTour& tour);
