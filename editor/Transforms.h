#pragma once

#include "LaserFrames.h"

#include <QString>
#include <optional>

// Frame-wide reshaping shared by the sketchpad tools and the Frame menu.
// Coordinates are the frame's bytes; every result is clamped to 0..255.

// Turns every point by `angle` radians (clockwise on screen) around the auxiliary
// centre and places the result around the effect centre: with different centres
// the frame is also shifted by effect centre - auxiliary centre, even for angle 0.
void RotateFrame(TLaserFrame& frame, double angle);

// Names every point by its index (at most 5 characters).
void RenumberPoints(TLaserFrame& frame);

// The equilateral tool's state, kept by the main window.
struct TEquilateral {
    int Sides = 6;                    // EquilateralSides
    int CenterX = 128, CenterY = 128; // EquilateralCenterX/Y (left click)
    int StartX = 128, StartY = 128;   // EquilateralStartX/Y (right click)
    bool HideCenter = true;           // HideEquilateralCenter
};

// A show file holds at most this many points per frame; a larger count would
// only stall the editor.
constexpr int MaxEquilateralSides = 65535;

// Appends `sides` points on the circle around (cx, cy) through (sx, sy), starting
// there and going clockwise on screen. Nothing for sides < 1.
void AddEquilateralPoints(TLaserFrame& frame, int cx, int cy, int sx, int sy, int sides);

enum class TEquilateralResult {
    NoFrame,      // the index is no frame of the show: nothing asked, nothing changed
    Cancelled,    // points kept; renumbered and links fitted
    Made,         // points replaced by the polygon
    TooManySides, // as Made, with the previous count, because the answer exceeded the limit
};

// The equilateral tool's question: caption, prompt and default of its input box.
struct TEquilateralQuestion {
    QString Caption, Prompt, Default;
};
TEquilateralQuestion EquilateralQuestion(const TEquilateral& equilateral);

// With the answer to that question (nullopt: cancelled), replaces the frame's points
// by the regular polygon around the equilateral centre through the start point; then
// renumbers the points and, past the first frame, fits the links to the previous frame.
// An answer that is no whole number keeps the previous count. The caller repaints.
TEquilateralResult MakeEquilateral(TLaserFrames& show, int frameIndex, TEquilateral& equilateral,
                                   const std::optional<QString>& answer);
