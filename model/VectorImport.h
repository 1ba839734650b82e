#pragma once

#include "LaserFrame.h"
#include "LaserPath.h"
#include "Result.h"

#include <QPainterPath>
#include <QString>
#include <memory>
#include <vector>

// Vector drawings (SVG files, lines of text) turned into one frame.
//
// The drawing's bounding box is scaled uniformly to fill the 0..255 square inside the
// margin, centred. Curves are flattened within a tolerance given in frame units (one
// unit is one step of the 256 x 256 drawing square). Each subpath becomes a shape; the
// shapes are drawn one after the other as a laser draws them well (LaserPath.h): lit
// sharp corners and stroke ends, dark jumps that end in a settle point, in an order
// found nearest-neighbour first and shortened by 2-opt.

// One drawn path, in any coordinates with y downwards, its transforms applied.
struct TVectorPath {
    QPainterPath Path;
    bool Filled = false;  // an outline of a filled area: each subpath closes
};
using TVectorDrawing = std::vector<TVectorPath>;

struct TVectorOptions {
    // Largest distance between a curve and the lines that stand for it, frame units.
    // Half a unit: a circle filling the square gets 40 points.
    double Tolerance = 0.5;
    // A turn of more than this many degrees makes the point sharp, so the beam is
    // held there.
    double SharpAngle = 45.0;
    // Frame units kept free on each side of the square (0..MaxMargin), so the drawing
    // and the sketchpad's point labels stay on the pad.
    double Margin = DefaultMargin;
    quint16 Delay = 1000;
    QString Name;
};

struct TVectorFrameResult {
    TResult outcome;                     // says what is wrong, without a file name
    std::unique_ptr<TLaserFrame> Frame;
    int Shapes = 0;                      // shapes drawn
    int Jumps = 0;                       // dark jumps between them, the way back included
    // When the frame would have too many points: the smallest tolerance of the
    // series 1, 2, 4, ... 64 with which it fits, 0 when none does.
    double FittingTolerance = 0;
    int PicturesSkipped = 0;             // pictures of an SVG drawing left out
};

// The most points a frame holds: the show file counts them in 16 bits.
inline constexpr int MaxFramePoints = 65535;
inline constexpr double MinTolerance = 0.01;
inline constexpr double MaxTolerance = 64.0;

// A length in frame units as words: "1 unit", "0.5 units".
QString UnitsText(double units);

// A drawing without anything to draw, or one needing more than MaxFramePoints
// points, gives no frame. The frame's points are labelled "0", "1", ...
TVectorFrameResult BuildVectorFrame(const TVectorDrawing& drawing, const TVectorOptions& options);
