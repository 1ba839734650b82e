#pragma once

#include "WaveCompiler.h"

#include <QString>
#include <vector>

class TLaserFrames;

// The outcome of fitting a show's frame changes to the beats of its music.
struct TBeatFit {
    TResult outcome = TResult::Failure({}); // on failure, why nothing could be fitted
    std::vector<quint16> Delays;   // the new Delay of every frame, in show order
    int FramesFitted = 0;          // frames whose change now lies on a beat
    int FramesChanged = 0;         // frames whose Delay differs from before
    double WorstMs = 0;            // largest distance of a fitted change from its beat
};

// Moves every change of frame to the beat nearest to where it is now: each
// frame's delay is chosen so that the next frame's transition begins on a beat in
// the compiled signal, counting the whole passes of the frame's path the compile
// plays, the blanked moves and the transitions. A frame lasts at least one beat
// (from the previous change) and at least one pass of its path. `beats` are
// seconds from the start of the music; the music starts `offsetMs` after the show
// (negative: the show starts inside the music). Locked frames, frames after the
// last beat and frames without points keep their delays. The show itself is not
// changed.
TBeatFit FitFramesToBeats(const TLaserFrames& show, const std::vector<double>& beats, double offsetMs,
                          const TCompileOptions& options);

// Writes the fitted delays into the show.
void ApplyBeatFit(TLaserFrames& show, const TBeatFit& fit);
