#pragma once

#include "LaserFrames.h"
#include "Transforms.h"

#include <QString>
#include <optional>

// The Frame menu's commands that reshape the whole current frame. Coordinates are
// the frame's bytes; every result is clamped to 0..255. None of them touches Links.

// Y becomes 255 - Y ("Flip frame at &X-axis"); X becomes 255 - X ("... &Y-axis").
void MirrorFrameAtXAxis(TLaserFrame& frame);
void MirrorFrameAtYAxis(TLaserFrame& frame);

// Mirrors every point at the line through the effect and the auxiliary centre.
// With both centres on one spot there is no line: the frame is left as it is and
// the result is false.
bool MirrorFrameAtCenterAxis(TLaserFrame& frame);

// Shifts the points so that their bounding box, widened by the auxiliary centre,
// is centred on the effect centre. The centres stay. Nothing for a frame without points.
void CenterFrame(TLaserFrame& frame);

// Scales every point by `factor` about the auxiliary centre.
void ScaleFrame(TLaserFrame& frame, double factor);

// Turns every point by `degrees` (counter-clockwise on screen), as "&Rotate frame..."
// does with its answer: RotateFrame, so the centres shift the frame as well.
void RotateFrameByDegrees(TLaserFrame& frame, int degrees);

// The answers of "Set effect && auxiliary center...": a pair is stored when both its
// values are in 0..255. Returns whether one was.
struct TCenterAnswers {
    std::optional<int> EffectX, EffectY, AuxX, AuxY;
};
bool SetCenters(TLaserFrame& frame, const TCenterAnswers& answers);

// An input box's answer read as a whole decimal number (spaces around it allowed).
std::optional<int> WholeNumber(const QString& text);
// "Scale frame..."'s answer: a finite decimal number with a point.
std::optional<double> ScaleFactor(const QString& text);

// Shown when the centre-axis mirror finds both centres on one spot.
QString NoCenterAxisMessage();
