#pragma once

#include "ScanDelays.h"

#include <QByteArray>

class TLaserFrame;

// Fewer points than this give no live output: the loop stops instead.
constexpr int LiveMinimumPoints = 3;

// Fills `liveStream` with one complete WAV image of one pass of the frame (the
// 44-byte header, then the frame's closed path) for the live output to loop.
// The colour bit is always 0 there; blank bits come from the path, the output
// inversions are those of the compile. Returns false, leaving `liveStream`
// empty, when the frame has fewer than LiveMinimumPoints points or renders to
// no samples (delays set to 0), since such an image cannot be looped.
bool BuildLiveImage(QByteArray& liveStream, const TLaserFrame& frame, const TScanDelays& delays,
                    bool flipX, bool flipY);
