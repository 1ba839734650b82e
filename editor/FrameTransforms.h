#pragma once

#include "LaserFrames.h"
#include "Transforms.h"

#include <QString>
#include <array>

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

// What a command did, so the main window knows what to set and to repaint.
struct TFrameCommandResult {
    bool Ran = false;               // it worked on a frame: repaint the sketchpad
    bool Changed = false;           // points, names or centres differ: set Modified
    bool RepaintThumbnails = false; // the frame list's outline may differ as well
    QString Message;                // information to show, empty for none
};

// The commands on frame `index` of `show`. An index that is no frame of the show
// runs nothing. Those that ask take the input box as TInputText
// (nullopt = cancelled).
TFrameCommandResult FlipFrameAtXAxis(TLaserFrames& show, int index);      // miFrameFlipX2
TFrameCommandResult FlipFrameAtYAxis(TLaserFrames& show, int index);      // miFrameFlipY
TFrameCommandResult FlipFrameAtCenterAxis(TLaserFrames& show, int index); // miFrameFlipD
TFrameCommandResult CenterFrameCommand(TLaserFrames& show, int index);    // miCenterFrame
TFrameCommandResult RotateFrameCommand(TLaserFrames& show, int index,     // miRotateFrame
                                       const TInputText& input);
TFrameCommandResult ScaleFrameCommand(TLaserFrames& show, int index,      // miScale
                                      const TInputText& input);
TFrameCommandResult SetCentersCommand(TLaserFrames& show, int index,      // miSetRotPoint
                                      const TInputText& input);
TFrameCommandResult RenumberCommand(TLaserFrames& show, int index);       // miRenum

// Shown when the centre-axis mirror finds both centres on one spot.
QString NoCenterAxisMessage();

// The commands by the object name of their menu item, for wiring them in one loop.
using TFrameCommand = TFrameCommandResult (*)(TLaserFrames& show, int index,
                                              const TInputText& input);
struct TFrameCommandEntry {
    const char* Component;
    TFrameCommand Run;
};
const std::array<TFrameCommandEntry, 8>& FrameCommandTable();
