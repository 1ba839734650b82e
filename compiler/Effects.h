#pragma once

#include "CompileProgress.h"
#include "Render.h"
#include "ScanDelays.h"

#include <QByteArray>
#include <limits>

class TLaserFrame;
class TLaserFrames;

// Everything a compile carries from sample to sample. The driver owns it; the
// transition halves read and update it.
struct TCompileState {
    TCompileState(const TLaserFrames& show, QByteArray& buffer, const TScanDelays& delays,
                  bool flipX, bool flipY, TCompileProgress& progress)
        : Show(show), Delays(delays), Out{buffer, flipX, flipY}, Progress(progress)
    {
    }

    const TLaserFrames& Show;
    TScanDelays Delays;
    TSampleStream Out;               // the in-memory buffer the samples are packed into
    TCompileProgress& Progress;

    qint64 Written = 0;              // sample frames produced so far
    TBeamPoint BeamPosition{128, 128};
    TBeamPoint MoveTarget{128, 128};
    const TSamplePath* Played = nullptr; // path of the frame the half is played on
    qint64 R = 0;                    // repetition count of the half (it runs R div 2 loops)
    qint64 Elapsed = 0;              // show time in ms already accounted for
    int FrameIndex = 0;              // index in the show of the frame being compiled
    TSamplePath MorphPath;
    TBeamPoint Marker{-1, -1};       // last drawn effect sample; -1: none
    bool TooLong = false;            // a morph would outgrow what a WAV file can hold
};

// A progress value for the int-based bars, clamped rather than wrapped.
inline int ToBar(qint64 v)
{
    return v > std::numeric_limits<int>::max()   ? std::numeric_limits<int>::max()
           : v < std::numeric_limits<int>::min() ? std::numeric_limits<int>::min()
                                                 : int(v);
}

// Plays one half of the transition owned by frame `a` on the path of frame `b`
// (st.Played, with st.R set by the caller): the incoming half at the start of
// `a`, or the outgoing half at the end of the frame before it.
void PlayEffectHalf(TCompileState& st, const TLaserFrame& a, const TLaserFrame& b, bool incoming);
