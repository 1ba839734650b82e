#pragma once

#include "ScanDelays.h"

#include <QByteArray>
#include <QtGlobal>
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

// Direction of (dx, dy) in radians, in [0, 2*pi). The quotient and arctangent
// are taken in extended precision, the result rounded to double.
double VectorAngle(int dx, int dy);

// Number of samples a straight move by (dx, dy) takes: the larger of the two
// axis classes. A move of zero length still takes Time5Degree samples.
quint16 StepCount(int dx, int dy, const TScanDelays& delays);

// Samples held at a sharp corner whose outgoing direction is `outAngle` and
// incoming direction `inAngle` (radians from VectorAngle).
quint16 EdgeHold(double outAngle, double inAngle, const TScanDelays& delays);

// Appends the closed loop through the points to `path`.
void RenderFramePath(const TLaserFrame& frame, TSamplePath& path, const TScanDelays& delays);
void RenderPointsPath(const std::vector<TSmallPoint>& points, TSamplePath& path,
                      const TScanDelays& delays);

// Number of samples RenderPointsPath would append, without rendering. Lets the
// compile refuse a frame that could never fit in a WAV file before allocating it.
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
