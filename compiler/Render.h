#pragma once

#include "Geometry.h"
#include "ScanDelays.h"

#include <QByteArray>
#include <QtGlobal>
#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

class TLaserFrame;
class TSmallPoint;

// A beam position. Rendered positions lie in 0..255; -1 marks "none" where a
// caller needs that.
struct TBeamPoint {
    qint32 X = 128;
    qint32 Y = 128;
    friend bool operator==(const TBeamPoint&, const TBeamPoint&) = default;
};

// A frame rendered to beam positions, with one blank flag per position.
struct TSamplePath {
    std::vector<TBeamPoint> Positions;
    std::vector<quint8> Blank; // parallel to Positions: 1 = beam off

    qint64 Count() const { return qint64(Positions.size()); }
    bool IsEmpty() const { return Positions.empty(); }
    void Clear()
    {
        Positions.clear();
        Blank.clear();
    }
};

// Where packed samples go: 4 bytes per sample frame, appended to Bytes, with
// the Settings menu's two output inversions.
struct TSampleStream {
    QByteArray& Bytes;
    bool FlipX = false; // "Flip X": the vertical output is no longer inverted
    bool FlipY = false; // "Flip Y": the horizontal output is mirrored
};

// VectorAngle that remembers its last argument: paths repeat a position for many
// samples (corner holds, short runs), and the extended arctangent is costly.
class TAngleCache {
public:
    double Angle(int dx, int dy)
    {
        if (!FValid || dx != FDx || dy != FDy) {
            FDx = dx;
            FDy = dy;
            FAngle = VectorAngle(dx, dy);
            FValid = true;
        }
        return FAngle;
    }

private:
    int FDx = 0, FDy = 0;
    double FAngle = 0;
    bool FValid = false;
};

// VectorAngle of every short vector asked for, each worked out once. The turning
// effects ask for the direction of every path position from their centre, and the
// same vectors come back position after position and frame after frame.
class TAngleTable {
public:
    TAngleTable() = default;
    TAngleTable(const TAngleTable&) = delete;
    TAngleTable& operator=(const TAngleTable&) = delete;
    ~TAngleTable() { std::free(FEntries); }

    double Angle(int dx, int dy)
    {
        if (dx < -Span || dx > Span || dy < -Span || dy > Span)
            return VectorAngle(dx, dy);
        // Zeroed memory the system hands out page by page: only the part used is touched.
        if (!FEntries && !(FEntries = static_cast<quint64*>(std::calloc(Side * Side, sizeof(quint64)))))
            return VectorAngle(dx, dy);
        quint64& entry = FEntries[size_t(dy + Span) * Side + size_t(dx + Span)];
        double angle;
        if (entry == 0) {
            angle = VectorAngle(dx, dy);
            std::memcpy(&entry, &angle, sizeof angle);
            entry ^= Unknown;
        } else {
            const quint64 bits = entry ^ Unknown;
            std::memcpy(&angle, &bits, sizeof angle);
        }
        return angle;
    }

private:
    static constexpr int Span = 255; // positions and centres are bytes
    static constexpr size_t Side = 2 * Span + 1;
    // Entries hold the angle's bits crossed with a NaN's, which no angle is: a zero
    // entry is one not yet worked out.
    static constexpr quint64 Unknown = 0x7FF8DEADBEEF0001ull;
    quint64* FEntries = nullptr;
};

// Number of samples a straight move by (dx, dy) takes: the larger of the two
// axis classes. A move of zero length still takes Time5Degree samples.
quint16 StepCount(int dx, int dy, const TScanDelays& delays);

// Samples held at a sharp corner whose outgoing direction is `outAngle` and
// incoming direction `inAngle` (radians from VectorAngle).
quint16 EdgeHold(double outAngle, double inAngle, const TScanDelays& delays);

// A point of a closed loop as the renderer sees it.
struct TLoopPoint {
    int X = 0, Y = 0;
    quint16 Flags = 0; // TSmallPoint's flags: sharp, blank
};

// Calls visit(previous, point, next) for every point of a closed loop, in order.
// `each(f)` calls f(TLoopPoint) for the points in order; `first` and `last` are the
// loop's first and last points. The points are seen once, so a loop can be made on
// the fly instead of being held in memory.
template <class Each, class Visit>
void ForEachCorner(const Each& each, TLoopPoint first, TLoopPoint last, Visit&& visit)
{
    bool started = false;
    TLoopPoint prev = last, cur;
    each([&](const TLoopPoint& p) {
        if (started) {
            visit(prev, cur, p);
            prev = cur;
        }
        cur = p;
        started = true;
    });
    if (started)
        visit(prev, cur, first);
}

// The two parts a point adds to the path: its corner hold (0 unless the point is
// sharp) and the run to the next point. `angles` remembers the direction between
// calls for consecutive corners: each one's incoming direction is the outgoing one
// of the corner before.
struct TCornerSamples {
    quint16 Hold = 0;
    quint16 Steps = 0;
};
TCornerSamples CornerSamples(const TLoopPoint& prev, const TLoopPoint& p, const TLoopPoint& next,
                             const TScanDelays& delays, TAngleCache& angles);

// Round(v), half to even, for |v| < 2^51: std::nearbyint's result without the
// library call. Adding 1.5 * 2^52 leaves no fraction bits, so the sum is rounded to
// an integer as every operation is rounded, to nearest with ties to even, and
// taking the constant away again is exact. That needs arithmetic in plain double
// (not the x87's extended registers).
constexpr bool PlainDoubleArithmetic = FLT_EVAL_METHOD == 0;
constexpr double RoundingShift = 0x1.8p52;
inline double RoundSmall(double v)
{
    if constexpr (PlainDoubleArithmetic)
        return (v + RoundingShift) - RoundingShift;
    else
        return std::nearbyint(v);
}

// Round(v), half to even: std::nearbyint's result.
inline int RoundHalfEven(double v) { return int(std::fabs(v) < 0x1p51 ? RoundSmall(v) : std::nearbyint(v)); }

// Position k (0 <= k < steps) of the straight run from p by (dx, dy).
inline TBeamPoint RunPosition(TBeamPoint p, int dx, int dy, int k, int steps)
{
    return {p.X + qint32(RoundHalfEven(double(qint64(dx) * k) / steps)),
            p.Y + qint32(RoundHalfEven(double(qint64(dy) * k) / steps))};
}

// Count, first and last position of a rendered path, worked out without rendering it.
struct TPathSummary {
    qint64 Count = 0;
    TBeamPoint First, Last; // meaningful only when Count > 0
};

// Appends the closed loop through the points to `path`.
void RenderFramePath(const TLaserFrame& frame, TSamplePath& path, const TScanDelays& delays);
void RenderPointsPath(const std::vector<TSmallPoint>& points, TSamplePath& path,
                      const TScanDelays& delays);

// What RenderPointsPath would append, without rendering: the compile plans the
// whole file, and skips the path of a frame that is never drawn, from this.
TPathSummary SummarizePointsPath(const std::vector<TSmallPoint>& points, const TScanDelays& delays);
qint64 RenderedLength(const std::vector<TSmallPoint>& points, const TScanDelays& delays);

// Packs one sample frame into out[0..3]: flag bits (1 colour, 2 blank), X byte,
// 0, Y byte. x and y are wrapped into 0..255; callers pass a position (u, v) as
// (u + 128, v + 128). The vertical output is inverted unless flipX is set.
inline void PackSample(uchar* out, int x, int y, uchar flags, bool flipX, bool flipY)
{
    const quint8 xb = quint8(x);
    const quint8 yb = quint8(y);
    out[0] = flags;
    out[1] = flipY ? quint8(255 - xb) : xb;
    out[2] = 0;
    out[3] = flipX ? yb : quint8(255 - yb);
}

inline uchar SampleFlags(bool colour, bool blank)
{
    return uchar((colour ? 1 : 0) | (blank ? 2 : 0));
}

// Appends one packed sample frame to the stream.
inline void EmitSample(TSampleStream& stream, int x, int y, bool colour, bool blank)
{
    uchar bytes[4];
    PackSample(bytes, x, y, SampleFlags(colour, blank), stream.FlipX, stream.FlipY);
    stream.Bytes.append(reinterpret_cast<const char*>(bytes), 4);
}

// Writes every position of the path with its blank flag and the one colour bit.
// Adds the number of samples to `written`; a non-empty path leaves `last` at its
// last position.
void EmitPath(TSampleStream& stream, const TSamplePath& path, bool colour, qint64& written,
              TBeamPoint& last);

// A blanked straight move from `from` towards `to`, built like one segment of a
// frame: `to` itself is not reached, `last` ends one step short of it.
void BlankMove(TBeamPoint from, TBeamPoint to, bool colour, TSampleStream& stream,
               const TScanDelays& delays, qint64& written, TBeamPoint& last);

// The samples BlankMove would write; `last` is moved as BlankMove moves it.
qint64 BlankMoveLength(TBeamPoint from, TBeamPoint to, const TScanDelays& delays, TBeamPoint& last);
