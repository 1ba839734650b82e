#include "Render.h"

#include "LaserFrame.h"
#include "SmallPoint.h"

#include <cmath>
#include <cstdlib>

namespace {

constexpr long double PiExtended = 3.141592653589793238462643383279502884L;

quint16 DistanceClass(int d, const TScanDelays& delays)
{
    d = std::abs(d);
    if (d < 32)
        return delays.Time5Degree;
    if (d < 64)
        return delays.Time10Degree;
    return delays.Time40Degree;
}

// The corner hold of point i of a closed loop; 0 unless the point is sharp.
quint16 HoldAt(const std::vector<TSmallPoint>& points, size_t i, const TScanDelays& delays)
{
    const TSmallPoint& p = points[i];
    if (!p.IsSharp())
        return 0;
    const size_t n = points.size();
    const TSmallPoint& next = points[(i + 1) % n];
    const TSmallPoint& prev = points[(i + n - 1) % n];
    const double out = VectorAngle(int(next.X) - int(p.X), int(next.Y) - int(p.Y));
    const double in = VectorAngle(int(p.X) - int(prev.X), int(p.Y) - int(prev.Y));
    return EdgeHold(out, in, delays);
}

} // namespace

double VectorAngle(int dx, int dy)
{
    if (dx == 0) {
        if (dy > 0)
            return double(PiExtended / 2);
        if (dy < 0)
            return double(3 * PiExtended / 2);
        return 0.0;
    }
    const long double q = (long double)dy / (long double)dx;
    long double angle = atanl(q);
    if (dx < 0)
        angle += PiExtended;
    else if (dy < 0)
        angle += 2 * PiExtended;
    return double(angle);
}

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

qint64 RenderedLength(const std::vector<TSmallPoint>& points, const TScanDelays& delays)
{
    const size_t n = points.size();
    qint64 total = 0;
    for (size_t i = 0; i < n; ++i) {
        const TSmallPoint& p = points[i];
        const TSmallPoint& next = points[(i + 1) % n];
        total += HoldAt(points, i, delays);
        total += StepCount(int(next.X) - int(p.X), int(next.Y) - int(p.Y), delays);
    }
    return total;
}

void RenderPointsPath(const std::vector<TSmallPoint>& points, TSamplePath& path,
                      const TScanDelays& delays)
{
    const size_t n = points.size();
    if (n == 0)
        return;
    const size_t reserve = path.Positions.size() + size_t(RenderedLength(points, delays));
    path.Positions.reserve(reserve);
    path.Blank.reserve(reserve);

    for (size_t i = 0; i < n; ++i) {
        const TSmallPoint& p = points[i];
        const TSmallPoint& next = points[(i + 1) % n];
        // The point's blank bit covers its hold and the run leaving it.
        const quint8 blank = p.IsBlank() ? 1 : 0;
        const TBeamPoint at{p.X, p.Y};

        const quint16 hold = HoldAt(points, i, delays);
        path.Positions.insert(path.Positions.end(), hold, at);
        path.Blank.insert(path.Blank.end(), hold, blank);

        const int dx = int(next.X) - int(p.X);
        const int dy = int(next.Y) - int(p.Y);
        const int steps = StepCount(dx, dy, delays);
        for (int k = 0; k < steps; ++k) {
            const qint32 x = at.X + qint32(std::nearbyint(double(qint64(dx) * k) / steps));
            const qint32 y = at.Y + qint32(std::nearbyint(double(qint64(dy) * k) / steps));
            path.Positions.push_back({x, y});
        }
        path.Blank.insert(path.Blank.end(), steps, blank);
    }
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
        p.X = from.X + qint32(std::nearbyint(double(qint64(dx) * k) / steps));
        p.Y = from.Y + qint32(std::nearbyint(double(qint64(dy) * k) / steps));
        EmitSample(stream, p.X + 128, p.Y + 128, colour, true);
    }
    written += steps;
    last = p;
}
