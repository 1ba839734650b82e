#include "Effects.h"

#include "LaserFrame.h"
#include "LaserFrames.h"
#include "WaveFile.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>

namespace {

int Clamp(int v, int lo, int hi) { return v < lo ? lo : (v > hi ? hi : v); }

// The table's step, pi/128, in two parts: the first has 31 significant bits, so k
// times it is exact for every |k| < 2^22, and the second holds the rest of pi
// (M_PI falls short of it by 1.2246467991473532e-16).
constexpr double PiHigh = 0x1.921fb544p+1;
constexpr double PiLow = (M_PI - PiHigh) + 1.2246467991473532e-16;
constexpr double StepHigh = PiHigh / 128;
constexpr double StepLow = PiLow / 128;
constexpr double StepsPerRadian = 128 / M_PI;

// sin(k pi / 128) for k = 0..319, each rounded once from extended precision; the
// cosine of step k is the sine of step k + 64.
const std::array<double, 320> SineSteps = [] {
    constexpr long double Pi = 3.141592653589793238462643383279502884L;
    std::array<double, 320> t{};
    for (int k = 0; k < 320; ++k)
        t[size_t(k)] = double(sinl(k * Pi / 128));
    return t;
}();

// Samples are worked out this many at a time, each step of the arithmetic over the
// whole run before the next: the steps are short, so the processor works on many
// samples at once instead of waiting on one long chain per sample.
constexpr int RunLength = 256;

// QuickSinCos of x[0..n), n <= RunLength, every |x| <= QuickTrigRange. x = k steps
// + r with |r| <= pi/256: the sine and cosine of step k come from the table, and the
// series of sin r and cos r - 1 end where their next terms fall below 1e-17.
void QuickSinCosRun(const double* x, int n, double* sinOut, double* cosOut)
{
    double steps[RunLength], sinR[RunLength], cosR1[RunLength];
    for (int i = 0; i < n; ++i) {
        const double k = (x[i] * StepsPerRadian + RoundingShift) - RoundingShift;
        const double r = (x[i] - k * StepHigh) - k * StepLow;
        const double r2 = r * r;
        steps[i] = k;
        sinR[i] = r + r * r2 * (-1.0 / 6 + r2 * (1.0 / 120));
        cosR1[i] = r2 * (-0.5 + r2 * (1.0 / 24 - r2 * (1.0 / 720)));
    }
    for (int i = 0; i < n; ++i) {
        const size_t k = size_t(int(steps[i]) & 255);
        const double sinK = SineSteps[k];
        const double cosK = SineSteps[k + 64];
        sinOut[i] = sinK + (sinK * cosR1[i] + cosK * sinR[i]);
        cosOut[i] = cosK + (cosK * cosR1[i] - sinK * sinR[i]);
    }
}

// A quick value nearer than this to an integer rounds as the formula would.
constexpr double ClearOfHalf = 0.5 - QuickRoundMargin;

inline double Larger(double a, double b) { return a > b ? a : b; }

// TurnedOffset(theta[i], rho[i]) for i < n into x[i], y[i]. `quick` tells that every
// |theta| <= QuickTrigRange and rho <= QuickFactorRange: then QuickSinCos decides
// every rounding it can, and the formula with std::cos and std::sin takes the rest.
void TurnedRun(const double* theta, const double* rho, int n, bool quick, int* x, int* y)
{
    double off[RunLength]; // the larger distance of the two quick values from an integer
    if (quick) {
        double sinQ[RunLength], cosQ[RunLength];
        QuickSinCosRun(theta, n, sinQ, cosQ);
        for (int i = 0; i < n; ++i) {
            const double vx = cosQ[i] * rho[i];
            const double vy = sinQ[i] * rho[i];
            const double rx = RoundSmall(vx);
            const double ry = RoundSmall(vy);
            off[i] = Larger(std::fabs(vx - rx), std::fabs(vy - ry));
            x[i] = int(rx);
            y[i] = int(ry);
        }
    }
    for (int i = 0; i < n; ++i)
        if (!quick || !(off[i] < ClearOfHalf)) {
            x[i] = RoundHalfEven(std::cos(theta[i]) * rho[i]);
            y[i] = RoundHalfEven(std::sin(theta[i]) * rho[i]);
        }
}

// WaveScaled(p[i], centre, x[i], ...) for i < n into out[i]. `quick` tells that every
// |x| <= QuickTrigRange and that the positions and the centre lie within
// QuickFactorRange / 2 of the picture: then QuickSinCos decides every rounding it
// can, and the formula with std::sin or std::cos takes the rest.
void ScaledRun(const TBeamPoint* p, const double* x, int n, TBeamPoint centre, bool sine, bool scaleX,
               bool scaleY, bool quick, TBeamPoint* out)
{
    double off[RunLength]; // the larger distance of the quick values from an integer
    if (quick) {
        double sinQ[RunLength], cosQ[RunLength];
        QuickSinCosRun(x, n, sinQ, cosQ);
        const double* t = sine ? sinQ : cosQ;
        for (int i = 0; i < n; ++i) {
            const double vx = double(p[i].X - centre.X) * t[i] + centre.X;
            const double vy = double(p[i].Y - centre.Y) * t[i] + centre.Y;
            const double rx = RoundSmall(vx);
            const double ry = RoundSmall(vy);
            off[i] = Larger(scaleX ? std::fabs(vx - rx) : 0.0, scaleY ? std::fabs(vy - ry) : 0.0);
            out[i] = {scaleX ? int(rx) : p[i].X, scaleY ? int(ry) : p[i].Y};
        }
    }
    for (int i = 0; i < n; ++i)
        if (!quick || !(off[i] < ClearOfHalf)) {
            const double t = sine ? std::sin(x[i]) : std::cos(x[i]);
            out[i] = p[i];
            if (scaleX)
                out[i].X = RoundHalfEven(double(p[i].X - centre.X) * t + centre.X);
            if (scaleY)
                out[i].Y = RoundHalfEven(double(p[i].Y - centre.Y) * t + centre.Y);
        }
}

// Whether the quick sines and cosines can stand in for the library's around p: the
// arithmetic is plain double, and p lies within QuickFactorRange / 2 of the picture.
bool QuickAround(TBeamPoint p)
{
    const auto near = [](qint32 v) { return v >= -QuickFactorRange / 2 && v <= QuickFactorRange / 2; };
    return PlainDoubleArithmetic && near(p.X) && near(p.Y);
}

// Progress s of sample j of loop r, of h loops over a path of c samples. The loops
// below compute it in two steps, with the same operations.
double LoopProgress(qint64 j, qint64 r, qint64 c, qint64 h)
{
    return ((double(j + 1) / double(c)) + double(r)) / double(h);
}

// A run of consecutive samples of one loop: the played positions and what `prepare`
// worked out for them, each sample's progress s, and where the samples are drawn.
template <class Prepared>
struct TSampleRun {
    int Count;
    const Prepared* Ready;
    const TBeamPoint* Positions;
    const double* Progress;
    TBeamPoint* Drawn;
};

// Runs the R div 2 loops of a half over the played path. `prepare` works out once
// per played position p what `draw` needs; draw(run) turns the positions of a run
// and the samples' progress into the drawn positions. Every drawn sample is lit and
// carries B's colour bit. Planning only counts the samples and works out the last.
template <class Prepare, class Draw>
void DrawLoops(TCompileState& st, const TLaserFrame& a, const TLaserFrame& b, bool incoming,
               Prepare&& prepare, Draw&& draw)
{
    using TPrepared = std::decay_t<decltype(prepare(TBeamPoint()))>;
    const TPlayedPath& played = st.Played;
    const qint64 c = played.Count;
    const qint64 h = st.R / 2;
    if (h <= 0 || c <= 0)
        return;
    if (st.Planning) {
        const TPrepared ready = prepare(played.Last);
        const double s = LoopProgress(c - 1, h - 1, c, h);
        draw(TSampleRun<TPrepared>{1, &ready, &played.Last, &s, &st.Marker});
        st.Written += h * c;
        return;
    }
    if (!played.Path)
        return; // the driver renders every path that loops are drawn on
    const std::vector<TBeamPoint>& positions = played.Path->Positions;
    const bool colour = b.ColorBit();
    const bool drain = a.Effect == EffectDrain;
    if (!incoming)
        st.Progress.SetMorphMax(ToBar(st.R)); // the driver set it for the incoming half only
    std::vector<TPrepared> prepared;
    prepared.reserve(positions.size());
    for (const TBeamPoint& p : positions)
        prepared.push_back(prepare(p));
    // The first part of every sample's progress, (j + 1) / c, is the same in every
    // loop, and in both halves played on a path. With one loop it is the whole
    // progress: adding 0 and dividing by 1 change no bit.
    std::vector<double>& along = st.Along;
    if (qint64(along.size()) != c) {
        along.resize(size_t(c));
        for (qint64 j = 0; j < c; ++j)
            along[size_t(j)] = double(j + 1) / double(c);
    }
    // Room for every loop at once; samples are packed straight into it.
    const qsizetype start = st.Out.Bytes.size();
    st.Out.Bytes.resize(start + h * c * 4);
    uchar* out = reinterpret_cast<uchar*>(st.Out.Bytes.data()) + start;
    const uchar flags = SampleFlags(colour, false);
    double progress[RunLength];
    TBeamPoint drawn[RunLength];
    for (qint64 r = 0; r < h; ++r) {
        for (qint64 j = 0; j < c; j += RunLength) {
            const int n = int(std::min<qint64>(RunLength, c - j));
            const double* first = along.data() + j;
            if (h == 1)
                std::copy(first, first + n, progress);
            else
                for (int i = 0; i < n; ++i)
                    progress[i] = (first[i] + double(r)) / double(h);
            draw(TSampleRun<TPrepared>{n, prepared.data() + j, positions.data() + j, progress, drawn});
            for (int i = 0; i < n; ++i, out += 4)
                PackSample(out, drawn[i].X + 128, drawn[i].Y + 128, flags, st.Out.FlipX, st.Out.FlipY);
            st.Marker = drawn[n - 1];
        }
        st.Written += c;
        st.Progress.SetMorphPos(ToBar(incoming || drain ? r : st.R + r));
        st.Progress.SetTotalPos(ToBar(st.Elapsed + qint64(a.EffectTime) * r / st.R));
        st.Progress.Repaint();
    }
}

struct TNothing {};

// Im-/Explode, X-Flip and Y-Flip: scale towards the effect centre on one or both axes.
void PlayScale(TCompileState& st, const TLaserFrame& a, const TLaserFrame& b, bool incoming)
{
    const int cx = a.EffectCenterX;
    const int cy = a.EffectCenterY;
    st.MoveTarget = {cx, cy};
    st.Marker = {-1, -1};
    MoveBeam(st, st.MoveTarget, a.ColorBit());

    const bool scaleX = a.Effect == EffectPlode || a.Effect == EffectYFlip;
    const bool scaleY = a.Effect == EffectPlode || a.Effect == EffectXFlip;
    const bool linear = a.EffectParam == 0;
    // Played positions lie in 0..255 and the angles pi s / 2 in (0, pi / 2].
    const bool quick = QuickAround({cx, cy});
    DrawLoops(st, a, b, incoming, [](TBeamPoint) { return TNothing(); }, [&](const TSampleRun<TNothing>& run) {
        if (linear) {
            for (int i = 0; i < run.Count; ++i) {
                const double s = run.Progress[i];
                const double t = incoming ? s : 1 - s;
                const TBeamPoint p = run.Positions[i];
                TBeamPoint& q = run.Drawn[i];
                q = p;
                if (scaleX)
                    q.X = RoundHalfEven(double(p.X - cx) * t + cx);
                if (scaleY)
                    q.Y = RoundHalfEven(double(p.Y - cy) * t + cy);
            }
            return;
        }
        // t = sin(pi s / 2) coming in, cos(pi s / 2) going out; 0 < s <= 1.
        double x[RunLength];
        for (int i = 0; i < run.Count; ++i)
            x[i] = M_PI * run.Progress[i] / 2;
        ScaledRun(run.Positions, x, run.Count, {cx, cy}, incoming, scaleX, scaleY, quick, run.Drawn);
    });
}

// D-Flip: fold the picture onto the axis through the effect centre that points
// away from the auxiliary centre.
void PlayDFlip(TCompileState& st, const TLaserFrame& a, const TLaserFrame& b, bool incoming)
{
    const int cx = a.EffectCenterX;
    const int cy = a.EffectCenterY;
    const qint64 dx = qint64(cx) - a.AuxCenterX;
    const qint64 dy = qint64(cy) - a.AuxCenterY;
    if (dx == 0 && dy == 0)
        return; // no axis: like Slide, only the driver's moves
    const double den = double(dx * dx + dy * dy);

    // Foot of a played position on the axis; it does not change from loop to loop.
    const auto foot = [&](TBeamPoint p) {
        const double lambda = double((p.X - cx) * dx + (p.Y - cy) * dy) / den;
        return TBeamPoint{RoundHalfEven(double(dx) * lambda) + cx, RoundHalfEven(double(dy) * lambda) + cy};
    };
    const auto fold = [](TBeamPoint f, TBeamPoint p, double t) {
        return TBeamPoint{Clamp(p.X + RoundHalfEven(double(f.X - p.X) * t), 0, 255),
                          Clamp(p.Y + RoundHalfEven(double(f.Y - p.Y) * t), 0, 255)};
    };

    if (st.Played.Count > 0) {
        const TBeamPoint first = st.Played.First;
        const TBeamPoint q = fold(foot(first), first, incoming ? 1.0 : 0.0);
        st.MoveTarget = q;
        st.Marker = q;
    }
    MoveBeam(st, st.MoveTarget, a.ColorBit());
    DrawLoops(st, a, b, incoming, foot, [&](const TSampleRun<TBeamPoint>& run) {
        for (int i = 0; i < run.Count; ++i) {
            const double s = run.Progress[i];
            run.Drawn[i] = fold(run.Ready[i], run.Positions[i], incoming ? 1 - s : s);
        }
    });
}

// Rotate and Drain: turn the picture about the effect centre; Drain also scales it.
void PlayRotate(TCompileState& st, const TLaserFrame& a, const TLaserFrame& b, bool incoming)
{
    const int cx = a.EffectCenterX;
    const int cy = a.EffectCenterY;
    const bool drain = a.Effect == EffectDrain;

    // Direction and distance of a played position from the centre. The same vectors
    // come back again and again, so their directions are looked up once worked out.
    struct TPolar {
        double angle, radius;
    };
    TPolar previous{};
    int previousX = -1, previousY = -1;
    const auto polar = [&](TBeamPoint p) {
        // Held corners repeat a position for many samples in a row.
        if (p.X == previousX && p.Y == previousY)
            return previous;
        previousX = p.X;
        previousY = p.Y;
        const int vx = p.X - cx;
        const int vy = p.Y - cy;
        previous = {st.Angles ? st.Angles->Angle(vx, vy) : VectorAngle(vx, vy),
                    std::sqrt(double(qint64(vx) * vx + qint64(vy) * vy))};
        return previous;
    };

    st.Marker = {-1, -1};
    if (st.Played.Count > 0) {
        if (drain) {
            st.MoveTarget = {cx, cy};
        } else {
            // The first position turned by the full angle, in both halves.
            const TPolar first = polar(st.Played.First);
            const double phi = a.EffectParam * M_PI / 180;
            const double theta = first.angle + phi;
            st.MoveTarget = {Clamp(RoundHalfEven(std::cos(theta) * first.radius) + cx, 0, 255),
                             Clamp(RoundHalfEven(std::sin(theta) * first.radius) + cy, 0, 255)};
        }
        MoveBeam(st, st.MoveTarget, a.ColorBit());
    }
    // Directions lie in [0, 2 pi) and |alpha| <= 32768 pi / 180, so every angle is
    // within QuickTrigRange; positions lie in 0..255, so every radius is within
    // QuickFactorRange when the centre is near the picture.
    const bool quick = QuickAround({cx, cy});
    DrawLoops(st, a, b, incoming, polar, [&](const TSampleRun<TPolar>& run) {
        const int n = run.Count;
        double theta[RunLength], rho[RunLength];
        int x[RunLength], y[RunLength];
        const double turn = a.EffectParam * M_PI; // the first product of alpha's
        for (int i = 0; i < n; ++i) {
            const double u = incoming ? 1 - run.Progress[i] : run.Progress[i];
            double alpha = turn * u / 180;
            if (!incoming)
                alpha = -alpha;
            theta[i] = run.Ready[i].angle + alpha;
            rho[i] = run.Ready[i].radius;
        }
        TurnedRun(theta, rho, n, quick, x, y);
        for (int i = 0; i < n; ++i) {
            x[i] += cx;
            y[i] += cy;
        }
        if (drain)
            for (int i = 0; i < n; ++i) {
                // x - cx is the turned offset, far below 2^51.
                const double s = run.Progress[i];
                const double w = incoming ? s : 1 - s;
                x[i] = int(RoundSmall(double(x[i] - cx) * w)) + cx;
                y[i] = int(RoundSmall(double(y[i] - cy) * w)) + cy;
            }
        for (int i = 0; i < n; ++i)
            run.Drawn[i] = {Clamp(x[i], 1, 254), Clamp(y[i], 1, 254)};
    });
}

// The intermediate shapes of a Morph: one point per link, the previous frame's point
// j outer, this frame's point i inner, each moved from P[j] towards A[i] by t. The
// links are read from the matrix as the shape is walked, never listed: a frame may
// carry billions of them.
class TMorphShape {
public:
    TMorphShape(const TLaserFrame& from, const TLaserFrame& to)
        : FFrom(from), FTo(to), FLinks(to.Links), FRows(std::min(to.Links.Rows(), to.PointCount())),
          FCols(std::min(to.Links.Cols(), from.PointCount()))
    {
        ForEachLink([this](int j, int i) {
            if (!FAny)
                FFirst = {j, i};
            FLast = {j, i};
            FAny = true;
        }, true);
    }

    bool IsEmpty() const { return !FAny; }

    template <class F>
    void ForEach(double t, F&& f) const
    {
        ForEachLink([&](int j, int i) { f(At(j, i, t)); }, false);
    }
    TLoopPoint First(double t) const { return At(FFirst.j, FFirst.i, t); }
    TLoopPoint Last(double t) const { return At(FLast.j, FLast.i, t); }

private:
    struct TLink {
        int j = 0, i = 0;
    };

    TLoopPoint At(int j, int i, double t) const
    {
        const TSmallPoint& from = FFrom.Points[size_t(j)];
        const TSmallPoint& to = FTo.Points[size_t(i)];
        return {quint8(from.X + RoundHalfEven(double(int(to.X) - int(from.X)) * t)),
                quint8(from.Y + RoundHalfEven(double(int(to.Y) - int(from.Y)) * t)), from.Flags};
    }

    // f(j, i) for every link in shape order. `ends` visits only the first and the
    // last link of each column that has any, which is all the constructor needs.
    template <class F>
    void ForEachLink(F&& f, bool ends) const
    {
        const int rowWords = (FRows + 63) / 64;
        const quint64 lastMask = FRows % 64 ? (quint64(1) << (FRows % 64)) - 1 : ~quint64(0);
        for (int j = 0; j < FCols; ++j) {
            const int words = std::min(FLinks.ColumnWords(j), rowWords);
            const auto bitsAt = [&](int w) {
                return FLinks.Word(j, w) & (w == rowWords - 1 ? lastMask : ~quint64(0));
            };
            if (ends) {
                int lo = 0, hi = words - 1;
                while (lo < words && bitsAt(lo) == 0)
                    ++lo;
                if (lo == words)
                    continue;
                while (bitsAt(hi) == 0)
                    --hi;
                f(j, 64 * lo + std::countr_zero(bitsAt(lo)));
                f(j, 64 * hi + 63 - std::countl_zero(bitsAt(hi)));
                continue;
            }
            for (int w = 0; w < words; ++w)
                for (quint64 bits = bitsAt(w); bits; bits &= bits - 1)
                    f(j, 64 * w + std::countr_zero(bits));
        }
    }

    const TLaserFrame& FFrom;
    const TLaserFrame& FTo;
    const TLinkMatrix& FLinks;
    const int FRows, FCols;
    TLink FFirst, FLast;
    bool FAny = false;
};

// The shape at t as a closed loop for ForEachCorner.
template <class Visit>
void ForEachShapeCorner(const TMorphShape& shape, double t, Visit&& visit)
{
    if (shape.IsEmpty())
        return;
    ForEachCorner([&](auto&& f) { shape.ForEach(t, f); }, shape.First(t), shape.Last(t), visit);
}

// Packs the rendering of the shape at t straight into the buffer, writing the buffer
// out whenever it grows past DrainBytes. Returns the samples produced.
qint64 EmitShape(TCompileState& st, const TMorphShape& shape, double t, bool colour)
{
    qint64 produced = 0;
    TAngleCache angles;
    QByteArray& bytes = st.Out.Bytes;
    ForEachShapeCorner(shape, t, [&](const TLoopPoint& prev, const TLoopPoint& p, const TLoopPoint& next) {
        if (st.Failed)
            return;
        const TCornerSamples corner = CornerSamples(prev, p, next, st.Delays, angles);
        const int n = corner.Hold + corner.Steps;
        if (n == 0)
            return;
        const uchar flags = SampleFlags(colour, p.Flags & TSmallPoint::FlagBlank);
        const qsizetype start = bytes.size();
        bytes.resize(start + qsizetype(n) * 4);
        uchar* out = reinterpret_cast<uchar*>(bytes.data()) + start;
        const TBeamPoint at{p.X, p.Y};
        TBeamPoint q = at;
        for (int k = 0; k < corner.Hold; ++k, out += 4)
            PackSample(out, at.X + 128, at.Y + 128, flags, st.Out.FlipX, st.Out.FlipY);
        for (int k = 0; k < corner.Steps; ++k, out += 4) {
            q = RunPosition(at, next.X - p.X, next.Y - p.Y, k, corner.Steps);
            PackSample(out, q.X + 128, q.Y + 128, flags, st.Out.FlipX, st.Out.FlipY);
        }
        produced += n;
        st.BeamPosition = q;
        if (bytes.size() > DrainBytes && !st.Drain())
            st.Failed = true;
    });
    st.Written += produced;
    return produced;
}

// Samples and last position of the shape at t, without rendering it.
TPathSummary SummarizeShape(const TCompileState& st, const TMorphShape& shape, double t)
{
    TPathSummary summary;
    TAngleCache angles;
    ForEachShapeCorner(shape, t, [&](const TLoopPoint& prev, const TLoopPoint& p, const TLoopPoint& next) {
        const TCornerSamples corner = CornerSamples(prev, p, next, st.Delays, angles);
        if (corner.Hold == 0 && corner.Steps == 0)
            return;
        const TBeamPoint at{p.X, p.Y};
        summary.Last = corner.Steps > 0
                           ? RunPosition(at, next.X - p.X, next.Y - p.Y, corner.Steps - 1, corner.Steps)
                           : at;
        summary.Count += corner.Hold + corner.Steps;
    });
    return summary;
}

// Morph: intermediate shapes from the previous frame's points along the links
// to this frame's points, each drawn once.
void PlayMorph(TCompileState& st, const TLaserFrame& a)
{
    if (st.FrameIndex < 1)
        return;
    const TLaserFrame& prev = st.Show.Frame(st.FrameIndex - 1);
    if (prev.Points.empty())
        return; // nowhere to start from
    st.MoveTarget = {prev.Points[0].X, prev.Points[0].Y};
    MoveBeam(st, st.MoveTarget, a.ColorBit());

    const qint64 total = qint64(a.EffectTime) * 44100 / 1000;
    st.Progress.SetMorphMax(ToBar(total));
    const TMorphShape shape(prev, a);
    const bool colour = prev.ColorBit();
    qint64 count = 0;
    while (count < total) {
        double t = double(count) / double(total);
        if (t > 1.0)
            t = 1.0;
        qint64 length;
        if (st.Planning) {
            const TPathSummary summary = SummarizeShape(st, shape, t);
            length = summary.Count;
            if (length > 0)
                st.BeamPosition = summary.Last;
            st.Written += length;
            if (st.Written > MaxWaveSampleFrames) {
                st.TooLong = true;
                return;
            }
        } else {
            length = EmitShape(st, shape, t, colour);
            if (st.Failed)
                return;
        }
        if (length == 0)
            break; // nothing linked, or every delay 0: the total is never reached
        count += length;
        if (count < total)
            st.Progress.SetMorphPos(ToBar(count));
        st.Progress.SetTotalPos(ToBar(st.Elapsed + qint64(std::nearbyint(a.EffectTime * t))));
        st.Progress.Repaint();
    }
}

} // namespace

TSinCos QuickSinCos(double x)
{
    TSinCos q{std::sin(x), std::cos(x)};
    if (PlainDoubleArithmetic && std::fabs(x) <= QuickTrigRange)
        QuickSinCosRun(&x, 1, &q.Sin, &q.Cos);
    return q;
}

TBeamPoint TurnedOffset(double theta, double rho)
{
    TBeamPoint v;
    const bool quick = PlainDoubleArithmetic && std::fabs(theta) <= QuickTrigRange && rho <= QuickFactorRange;
    TurnedRun(&theta, &rho, 1, quick, &v.X, &v.Y);
    return v;
}

TBeamPoint WaveScaled(TBeamPoint p, TBeamPoint centre, double x, bool sine, bool scaleX, bool scaleY)
{
    const bool quick = std::fabs(x) <= QuickTrigRange && QuickAround(p) && QuickAround(centre);
    TBeamPoint v;
    ScaledRun(&p, &x, 1, centre, sine, scaleX, scaleY, quick, &v);
    return v;
}

void MoveBeam(TCompileState& st, TBeamPoint to, bool colour)
{
    if (st.Planning)
        st.Written += BlankMoveLength(st.BeamPosition, to, st.Delays, st.BeamPosition);
    else
        BlankMove(st.BeamPosition, to, colour, st.Out, st.Delays, st.Written, st.BeamPosition);
}

void PlayEffectHalf(TCompileState& st, const TLaserFrame& a, const TLaserFrame& b, bool incoming)
{
    st.Marker = {-1, -1};
    switch (a.Effect) {
    case EffectPlode:
    case EffectXFlip:
    case EffectYFlip:
        PlayScale(st, a, b, incoming);
        break;
    case EffectDFlip:
        PlayDFlip(st, a, b, incoming);
        break;
    case EffectRotate:
    case EffectDrain:
        PlayRotate(st, a, b, incoming);
        break;
    case EffectMorph:
        if (incoming)
            PlayMorph(st, a);
        break;
    default:
        break; // Slide (and any unknown code): only the driver's moves
    }
    st.Elapsed += a.EffectTime / 2;
    if (st.Marker.X != -1)
        st.BeamPosition.X = st.Marker.X;
    if (st.Marker.Y != -1)
        st.BeamPosition.Y = st.Marker.Y;
}
