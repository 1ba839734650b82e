#pragma once

#include "CompileProgress.h"
#include "Render.h"
#include "ScanDelays.h"

#include <QByteArray>
#include <functional>
#include <limits>
#include <vector>

class TLaserFrame;
class TLaserFrames;

// The frame path a transition half is played on.
struct TPlayedPath {
    const TSamplePath* Path = nullptr; // its positions: rendered only when loops are drawn
    qint64 Count = 0;
    TBeamPoint First, Last;

    static TPlayedPath Of(const TSamplePath& path)
    {
        TPlayedPath played{&path, path.Count(), {}, {}};
        if (!path.IsEmpty()) {
            played.First = path.Positions.front();
            played.Last = path.Positions.back();
        }
        return played;
    }
};

// Everything a compile carries from sample to sample. The driver owns it; the
// transition halves read and update it.
//
// A compile runs twice over the show: first planning, which counts the samples and
// follows the beam without producing anything (so a show too long for a WAV file is
// refused before a sample is written), then writing.
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
    bool Planning = false;
    // Writes the buffer out; a long morph calls it when the buffer grows past
    // DrainBytes. Returns false when writing failed (Failed is then set).
    std::function<bool()> Drain;
    bool Failed = false;

    qint64 Written = 0;              // sample frames produced so far
    TBeamPoint BeamPosition{128, 128};
    TBeamPoint MoveTarget{128, 128};
    TPlayedPath Played;              // path of the frame the half is played on
    qint64 R = 0;                    // repetition count of the half (it runs R div 2 loops)
    qint64 Elapsed = 0;              // show time in ms already accounted for
    int FrameIndex = 0;              // index in the show of the frame being compiled
    TBeamPoint Marker{-1, -1};       // last drawn effect sample; -1: none
    TAngleTable* Angles = nullptr;   // directions from the effect centres; null: worked out each time
    bool TooLong = false;            // planning: the samples outgrow what a WAV file can hold
    std::vector<double> Along;       // (j + 1) / c for the path of c samples loops were last drawn on
};

// Buffered samples past which a morph writes them out before it goes on.
constexpr qsizetype DrainBytes = qsizetype(32) << 20;

// The blanked move from the beam position to `to` (BlankMove), or its count when planning.
void MoveBeam(TCompileState& st, TBeamPoint to, bool colour);

// A progress value for the int-based bars, clamped rather than wrapped.
inline int ToBar(qint64 v)
{
    return v > std::numeric_limits<int>::max()   ? std::numeric_limits<int>::max()
           : v < std::numeric_limits<int>::min() ? std::numeric_limits<int>::min()
                                                 : int(v);
}

// Sine and cosine of x from a table of 256 steps round the circle and short
// series: within 2e-15 of std::sin and std::cos for |x| <= QuickTrigRange (beyond
// it, theirs), and several times faster.
struct TSinCos {
    double Sin = 0, Cos = 1;
};
constexpr double QuickTrigRange = 4096;
TSinCos QuickSinCos(double x);

// The turning and scaling effects round a value worked out with QuickSinCos when
// it lies farther than QuickRoundMargin from a halfway point: its error, below
// 1e-11 while the factors (radii, distances from a centre) stay within
// QuickFactorRange, cannot carry it across one, so it rounds as the formula with
// std::sin and std::cos would. The few values nearer take the formula itself.
constexpr double QuickRoundMargin = 1e-9;
constexpr double QuickFactorRange = 4096;

// (Round(cos theta * rho), Round(sin theta * rho)): a turned position's offset
// from the centre.
TBeamPoint TurnedOffset(double theta, double rho);

// p scaled towards the centre by t = sin x (sine) or cos x on the axes asked for:
// Round((p - centre) * t + centre).
TBeamPoint WaveScaled(TBeamPoint p, TBeamPoint centre, double x, bool sine, bool scaleX, bool scaleY);

// Plays one half of the transition owned by frame `a` on the path of frame `b`
// (st.Played, with st.R set by the caller; its positions must be rendered when
// st.R div 2 > 0): the incoming half at the start of `a`, or the outgoing half at
// the end of the frame before it.
void PlayEffectHalf(TCompileState& st, const TLaserFrame& a, const TLaserFrame& b, bool incoming);
