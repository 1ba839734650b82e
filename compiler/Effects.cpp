#include "Effects.h"

#include "LaserFrame.h"
#include "LaserFrames.h"
#include "WaveFile.h"

#include <cmath>

namespace {

int Clamp(int v, int lo, int hi) { return v < lo ? lo : (v > hi ? hi : v); }

int RoundInt(double v) { return int(std::nearbyint(v)); }

// Runs the R div 2 loops of a half over the played path. `map` turns the played
// position p and the sample's progress s into the drawn position. Every drawn
// sample is lit and carries B's colour bit.
template <class Map>
void DrawLoops(TCompileState& st, const TLaserFrame& a, const TLaserFrame& b, bool incoming,
               Map map)
{
    const TSamplePath& path = *st.Played;
    const qint64 c = path.Count();
    const qint64 h = st.R / 2;
    if (h <= 0 || c <= 0)
        return;
    const bool colour = b.ColorBit();
    const bool drain = a.Effect == EffectDrain;
    if (!incoming)
        st.Progress.SetMorphMax(ToBar(st.R)); // the driver set it for the incoming half only
    // Room for every loop at once; samples are packed straight into it.
    const qsizetype start = st.Out.Bytes.size();
    st.Out.Bytes.resize(start + h * c * 4);
    uchar* out = reinterpret_cast<uchar*>(st.Out.Bytes.data()) + start;
    const uchar flags = SampleFlags(colour, false);
    TBeamPoint last;
    for (qint64 r = 0; r < h; ++r) {
        for (qint64 j = 0; j < c; ++j, out += 4) {
            const double s = ((double(j + 1) / double(c)) + double(r)) / double(h);
            last = map(size_t(j), path.Positions[size_t(j)], s);
            PackSample(out, last.X + 128, last.Y + 128, flags, st.Out.FlipX, st.Out.FlipY);
        }
        st.Written += c;
        st.Progress.SetMorphPos(ToBar(incoming || drain ? r : st.R + r));
        st.Progress.SetTotalPos(ToBar(st.Elapsed + qint64(a.EffectTime) * r / st.R));
        st.Progress.Repaint();
    }
    st.Marker = last;
}

// Im-/Explode, X-Flip and Y-Flip: scale towards the effect centre on one or both axes.
void PlayScale(TCompileState& st, const TLaserFrame& a, const TLaserFrame& b, bool incoming)
{
    const int cx = a.EffectCenterX;
    const int cy = a.EffectCenterY;
    st.MoveTarget = {cx, cy};
    st.Marker = {-1, -1};
    BlankMove(st.BeamPosition, st.MoveTarget, a.ColorBit(), st.Out, st.Delays, st.Written,
              st.BeamPosition);

    const bool scaleX = a.Effect == EffectPlode || a.Effect == EffectYFlip;
    const bool scaleY = a.Effect == EffectPlode || a.Effect == EffectXFlip;
    const bool linear = a.EffectParam == 0;
    DrawLoops(st, a, b, incoming, [&](size_t, TBeamPoint p, double s) {
        double t;
        if (linear)
            t = incoming ? s : 1 - s;
        else
            t = incoming ? std::sin(M_PI * s / 2) : std::cos(M_PI * s / 2);
        TBeamPoint q = p;
        if (scaleX)
            q.X = RoundInt(double(p.X - cx) * t + cx);
        if (scaleY)
            q.Y = RoundInt(double(p.Y - cy) * t + cy);
        return q;
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
    const TSamplePath& path = *st.Played;

    // Foot of each played position on the axis; it does not change from loop to loop.
    std::vector<TBeamPoint> foot(path.Positions.size());
    for (size_t j = 0; j < foot.size(); ++j) {
        const TBeamPoint p = path.Positions[j];
        const double lambda = double((p.X - cx) * dx + (p.Y - cy) * dy) / den;
        foot[j] = {RoundInt(double(dx) * lambda) + cx, RoundInt(double(dy) * lambda) + cy};
    }
    auto fold = [&](size_t j, TBeamPoint p, double t) {
        return TBeamPoint{Clamp(p.X + RoundInt(double(foot[j].X - p.X) * t), 0, 255),
                          Clamp(p.Y + RoundInt(double(foot[j].Y - p.Y) * t), 0, 255)};
    };

    if (!path.IsEmpty()) {
        const TBeamPoint q = fold(0, path.Positions[0], incoming ? 1.0 : 0.0);
        st.MoveTarget = q;
        st.Marker = q;
    }
    BlankMove(st.BeamPosition, st.MoveTarget, a.ColorBit(), st.Out, st.Delays, st.Written,
              st.BeamPosition);
    DrawLoops(st, a, b, incoming, [&](size_t j, TBeamPoint p, double s) {
        return fold(j, p, incoming ? 1 - s : s);
    });
}

// Rotate and Drain: turn the picture about the effect centre; Drain also scales it.
void PlayRotate(TCompileState& st, const TLaserFrame& a, const TLaserFrame& b, bool incoming)
{
    const int cx = a.EffectCenterX;
    const int cy = a.EffectCenterY;
    const bool drain = a.Effect == EffectDrain;
    const TSamplePath& path = *st.Played;

    // Direction and distance of each played position from the centre.
    std::vector<double> angle(path.Positions.size());
    std::vector<double> radius(path.Positions.size());
    for (size_t j = 0; j < angle.size(); ++j) {
        const int vx = path.Positions[j].X - cx;
        const int vy = path.Positions[j].Y - cy;
        angle[j] = VectorAngle(vx, vy);
        radius[j] = std::sqrt(double(qint64(vx) * vx + qint64(vy) * vy));
    }

    st.Marker = {-1, -1};
    if (!path.IsEmpty()) {
        if (drain) {
            st.MoveTarget = {cx, cy};
        } else {
            // The first position turned by the full angle, in both halves.
            const double phi = a.EffectParam * M_PI / 180;
            const double theta = angle[0] + phi;
            st.MoveTarget = {Clamp(RoundInt(std::cos(theta) * radius[0]) + cx, 0, 255),
                             Clamp(RoundInt(std::sin(theta) * radius[0]) + cy, 0, 255)};
        }
        BlankMove(st.BeamPosition, st.MoveTarget, a.ColorBit(), st.Out, st.Delays, st.Written,
                  st.BeamPosition);
    }
    DrawLoops(st, a, b, incoming, [&](size_t j, TBeamPoint, double s) {
        const double u = incoming ? 1 - s : s;
        const double w = incoming ? s : 1 - s;
        double alpha = a.EffectParam * M_PI * u / 180;
        if (!incoming)
            alpha = -alpha;
        const double theta = angle[j] + alpha;
        int x = RoundInt(std::cos(theta) * radius[j]) + cx;
        int y = RoundInt(std::sin(theta) * radius[j]) + cy;
        if (drain) {
            x = RoundInt(double(x - cx) * w) + cx;
            y = RoundInt(double(y - cy) * w) + cy;
        }
        return TBeamPoint{Clamp(x, 1, 254), Clamp(y, 1, 254)};
    });
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
    BlankMove(st.BeamPosition, st.MoveTarget, a.ColorBit(), st.Out, st.Delays, st.Written,
              st.BeamPosition);

    const qint64 total = qint64(a.EffectTime) * 44100 / 1000;
    TSamplePath& morph = st.MorphPath;
    morph.Clear();
    st.Progress.SetMorphMax(ToBar(total));

    // The links, in the order the shapes list their points: previous frame's
    // point j outer, this frame's point i inner.
    struct TPair { int j, i; };
    std::vector<TPair> pairs;
    for (int j = 0; j < prev.PointCount(); ++j)
        for (int i = 0; i < a.PointCount(); ++i)
            if (a.Links.Get(i, j))
                pairs.push_back({j, i});
    std::vector<TSmallPoint> shape(pairs.size());

    while (morph.Count() < total) {
        double t = double(morph.Count()) / double(total);
        if (t > 1.0)
            t = 1.0;
        for (size_t n = 0; n < pairs.size(); ++n) {
            const TSmallPoint& from = prev.Points[size_t(pairs[n].j)];
            const TSmallPoint& to = a.Points[size_t(pairs[n].i)];
            shape[n].X = quint8(from.X + RoundInt(double(int(to.X) - int(from.X)) * t));
            shape[n].Y = quint8(from.Y + RoundInt(double(int(to.Y) - int(from.Y)) * t));
            shape[n].Flags = from.Flags;
        }
        const qint64 before = morph.Count();
        const qint64 length = RenderedLength(shape, st.Delays);
        if (length == 0)
            break; // nothing linked, or every delay 0: the total is never reached
        if (st.Written + before + length > MaxWaveSampleFrames) {
            st.TooLong = true;
            return;
        }
        RenderPointsPath(shape, morph, st.Delays);
        if (morph.Count() < total)
            st.Progress.SetMorphPos(ToBar(morph.Count()));
        st.Progress.SetTotalPos(ToBar(st.Elapsed + qint64(std::nearbyint(a.EffectTime * t))));
        st.Progress.Repaint();
    }
    EmitPath(st.Out, morph, prev.ColorBit(), st.Written, st.BeamPosition);
}

} // namespace

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
