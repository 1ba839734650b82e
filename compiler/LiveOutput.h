#pragma once

#include "ScanDelays.h"

#include <QByteArray>

class TLaserFrame;

// Fewer points than this give no live output: the loop stops instead.
constexpr int LiveMinimumPoints = 3;

// A pass longer than this gives no live output: a loop of over a minute shows no
// picture, and building it would hold up the editor at every change (a pass of a
// large frame with long delays can run to hours and gigabytes).
constexpr qint64 LiveMaximumSampleFrames = qint64(60) * 44100;

// Whether one pass of the frame lasts longer than the live output loops.
bool LivePassTooLong(const TLaserFrame& frame, const TScanDelays& delays);

// Fills `liveStream` with one complete WAV image of one pass of the frame (the
// 44-byte header, then the frame's closed path) for the live output to loop.
// The colour bit is always 0 there; blank bits come from the path, the output
// inversions are those of the compile. Returns false, leaving `liveStream`
// empty, when the frame has fewer than LiveMinimumPoints points, renders to no
// samples (delays set to 0), since such an image cannot be looped, or to more
// than LiveMaximumSampleFrames.
bool BuildLiveImage(QByteArray& liveStream, const TLaserFrame& frame, const TScanDelays& delays,
                    bool flipX, bool flipY);
