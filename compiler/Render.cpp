#include "Render.h"

#include "LaserFrame.h"
#include "SmallPoint.h"

#include <cmath>
#include <cstdlib>

namespace {

quint16 DistanceClass(int d, const TScanDelays& delays)
{
    d = std::abs(d);
    if (d < 32)
        return delays.Time5Degree;
    if (d < 64)
        return delays.Time10Degree;
    return delays.Time40Degree;
}

TLoopPoint LoopPoint(const TSmallPoint& p) { return {int(p.X), int(p.Y), p.Flags}; }

// The points of a frame as a closed loop for ForEachCorner.
template <class Visit>
void ForEachCornerOf(const std::vector<TSmallPoint>& points, Visit&& visit)
{
    if (points.empty())
        return;
    const auto each = [&points](auto&& f) {
        for (const TSmallPoint& p : points)
            f(LoopPoint(p));
    };
    ForEachCorner(each, LoopPoint(points.front()), LoopPoint(points.back()), visit);
}

} // namespace

quint16 StepCount(int dx, int dy, const TScanDelays& delays)
{
    return qMax(DistanceClass(dx, delays), DistanceClass(dy, delays));
}

quint16 EdgeHold(double outAngle, double inAngle, const TScanDelays& delays)
{
    // Not folded into [0, pi]: a turn across direction 0 counts its complement.
    const double turn = std::fabs(outAngle - inAngle);
    const double hold = std::nearbyint(2 * int(delays.TimeEdges) * turn / M_PI);
    return quint16(qint64(hold)); // taken as an unsigned 16-bit number
}

TCornerSamples CornerSamples(const TLoopPoint& prev, const TLoopPoint& p, const TLoopPoint& next,
                             const TScanDelays& delays, TAngleCache& angles)
{
    TCornerSamples samples;
    if (p.Flags & TSmallPoint::FlagSharp) {
        // The incoming direction first: it was the last one asked, by the corner before.
        const double in = angles.Angle(p.X - prev.X, p.Y - prev.Y);
        const double out = angles.Angle(next.X - p.X, next.Y - p.Y);
        samples.Hold = EdgeHold(out, in, delays);
    }
    samples.Steps = StepCount(next.X - p.X, next.Y - p.Y, delays);
    return samples;
}

TPathSummary SummarizePointsPath(const std::vector<TSmallPoint>& points, const TScanDelays& delays)
{
    TPathSummary summary;
    TAngleCache angles;
    ForEachCornerOf(points, [&](const TLoopPoint& prev, const TLoopPoint& p, const TLoopPoint& next) {
        const TCornerSamples corner = CornerSamples(prev, p, next, delays, angles);
        if (corner.Hold == 0 && corner.Steps == 0)
            return;
        const TBeamPoint at{p.X, p.Y};
        if (summary.Count == 0)
            summary.First = at;
        summary.Last = corner.Steps > 0
                           ? RunPosition(at, next.X - p.X, next.Y - p.Y, corner.Steps - 1, corner.Steps)
                           : at;
        summary.Count += corner.Hold + corner.Steps;
    });
    return summary;
}

qint64 RenderedLength(const std::vector<TSmallPoint>& points, const TScanDelays& delays)
{
    return SummarizePointsPath(points, delays).Count;
}

void RenderPointsPath(const std::vector<TSmallPoint>& points, TSamplePath& path,
                      const TScanDelays& delays)
{
    // The vectors grow as they need: reserving the exact size on every call would
    // copy a path that is appended to shape by shape over and over.
    TAngleCache angles;
    ForEachCornerOf(points, [&](const TLoopPoint& prev, const TLoopPoint& p, const TLoopPoint& next) {
        const TCornerSamples corner = CornerSamples(prev, p, next, delays, angles);
        // The point's blank bit covers its hold and the run leaving it.
        const quint8 blank = (p.Flags & TSmallPoint::FlagBlank) ? 1 : 0;
        const TBeamPoint at{p.X, p.Y};
        path.Positions.insert(path.Positions.end(), corner.Hold, at);
        const int dx = next.X - p.X;
        const int dy = next.Y - p.Y;
        for (int k = 0; k < corner.Steps; ++k)
            path.Positions.push_back(RunPosition(at, dx, dy, k, corner.Steps));
        path.Blank.insert(path.Blank.end(), size_t(corner.Hold) + corner.Steps, blank);
    });
}

void RenderFramePath(const TLaserFrame& frame, TSamplePath& path, const TScanDelays& delays)
{
    RenderPointsPath(frame.Points, path, delays);
}

void EmitPath(TSampleStream& stream, const TSamplePath& path, bool colour, qint64& written,
              TBeamPoint& last)
{
    const size_t n = path.Positions.size();
    if (n == 0)
        return;
    // Pack straight into the buffer's tail instead of appending sample by sample.
    const qsizetype start = stream.Bytes.size();
    stream.Bytes.resize(start + qsizetype(n) * 4);
    uchar* out = reinterpret_cast<uchar*>(stream.Bytes.data()) + start;
    for (size_t i = 0; i < n; ++i, out += 4) {
        const TBeamPoint& p = path.Positions[i];
        PackSample(out, p.X + 128, p.Y + 128, SampleFlags(colour, path.Blank[i]), stream.FlipX,
                   stream.FlipY);
    }
    written += qint64(n);
    last = path.Positions.back();
}

void BlankMove(TBeamPoint from, TBeamPoint to, bool colour, TSampleStream& stream,
               const TScanDelays& delays, qint64& written, TBeamPoint& last)
{
    const int dx = to.X - from.X;
    const int dy = to.Y - from.Y;
    const int steps = StepCount(dx, dy, delays);
    if (steps == 0)
        return;
    // Same run as a frame segment: every sample blank.
    TBeamPoint p = from;
    for (int k = 0; k < steps; ++k) {
        p = RunPosition(from, dx, dy, k, steps);
        EmitSample(stream, p.X + 128, p.Y + 128, colour, true);
    }
    written += steps;
    last = p;
}

qint64 BlankMoveLength(TBeamPoint from, TBeamPoint to, const TScanDelays& delays, TBeamPoint& last)
{
    const int dx = to.X - from.X;
    const int dy = to.Y - from.Y;
    const int steps = StepCount(dx, dy, delays);
    if (steps > 0)
        last = RunPosition(from, dx, dy, steps - 1, steps);
    return steps;
}
