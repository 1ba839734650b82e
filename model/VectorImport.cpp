#include "VectorImport.h"

#include "ShapeOrder.h"

#include <QLocale>
#include <QPoint>
#include <QPointF>
#include <QSet>
#include <QTransform>

#include <algorithm>
#include <climits>
#include <cmath>
#include <numbers>

namespace {

constexpr double Centre = 127.5;     // middle of the byte square 0..255
constexpr int MaxCurveSteps = 4096;  // per curve, whatever the tolerance asks
// Flattening stops here: far more than any frame could hold, small enough for memory.
constexpr qint64 MaxRawPoints = qint64(1) << 24;

// A frame coordinate of a position in frame units: NaN and anything off the square
// end up on its edge, never in an undefined conversion.
int FrameCoordinate(double v)
{
    if (!(v >= 0))
        return 0;
    if (v >= 255)
        return 255;
    return int(std::nearbyint(v));
}

// How drawing coordinates become frame units: the bounding box scaled uniformly to
// fill the square, centred. Coordinates near the ends of the double range (a box
// wider than the largest double, or a few denormals wide) are first multiplied by a
// power of two, which is exact, so that extent and scale stay finite.
class TVectorFit {
public:
    TVectorFit() = default;
    TVectorFit(double x0, double y0, double x1, double y1)
    {
        if (!Plain(x0, y0, x1, y1)) {
            const auto exponent = [](double lo, double hi) {
                const double half = hi / 2 - lo / 2;  // cannot overflow
                return half > 0 ? std::ilogb(half) : INT_MIN;
            };
            const int e = std::max(exponent(x0, x1), exponent(y0, y1));
            FShift = e == INT_MIN ? 0 : -e;
            x0 = std::ldexp(x0, FShift), y0 = std::ldexp(y0, FShift);
            x1 = std::ldexp(x1, FShift), y1 = std::ldexp(y1, FShift);
        }
        const double extent = std::max(x1 - x0, y1 - y0);
        FScale = extent > 0 ? 255.0 / extent : 1.0;
        FCentre = QRectF(QPointF(x0, y0), QPointF(x1, y1)).center();
    }

    QPointF Map(QPointF p) const
    {
        if (FShift != 0)
            p = QPointF(std::ldexp(p.x(), FShift), std::ldexp(p.y(), FShift));
        return {(p.x() - FCentre.x()) * FScale + Centre, (p.y() - FCentre.y()) * FScale + Centre};
    }

private:
    static bool Plain(double x0, double y0, double x1, double y1)
    {
        const double extent = std::max(x1 - x0, y1 - y0);
        const QPointF centre = QRectF(QPointF(x0, y0), QPointF(x1, y1)).center();
        return std::isfinite(extent) && std::isfinite(centre.x()) && std::isfinite(centre.y())
               && (extent == 0 || std::isfinite(255.0 / extent));
    }

    int FShift = 0;
    double FScale = 1;
    QPointF FCentre;
};

// A subpath in frame units: rounded points without equal neighbours, with the
// unrounded positions for measuring its turns.
struct TShape {
    std::vector<QPoint> Points;
    std::vector<QPointF> Exact;
    bool Closed = false;
};

// How many points the frame of some shapes needs at least and at most, whatever order
// they are drawn in: a shape adds its points, a closed one its first again, and a
// shape entered over a dark jump two more; one that goes on where the last ended
// saves its first point.
struct TPointCount {
    qint64 Least = 0;
    qint64 Most = 1;  // the jump back to the first shape
    int Shapes = 0;

    void Add(qint64 points, bool closed)
    {
        Least += closed ? points : points - 1;
        Most += closed ? points + 2 : points + 1;
        ++Shapes;
    }
};

// Takes the flattened points of one subpath at a time and makes a shape of them,
// or only counts the points that shape would have.
class TShapeMaker {
public:
    explicit TShapeMaker(std::vector<TShape>* shapes) : FShapes(shapes) {}

    void Begin(bool filled)
    {
        FFilled = filled;
        FRaw = 0;
        FCount = 0;
        if (FShapes)
            FShape = TShape();
    }

    void Point(QPointF p)
    {
        if (FRaw++ == 0)
            FFirstExact = p;
        FLastExact = p;
        const QPoint q(FrameCoordinate(p.x()), FrameCoordinate(p.y()));
        if (FCount > 0 && q == FLast)
            return;
        if (FCount == 0)
            FFirst = q;
        FLast = q;
        ++FCount;
        if (FShapes) {
            FShape.Points.push_back(q);
            FShape.Exact.push_back(p);
        }
    }

    void End(TPointCount& count)
    {
        const QPointF d = FLastExact - FFirstExact;
        bool closed = FFilled || (FRaw > 2 && std::abs(d.x()) < 1e-6 && std::abs(d.y()) < 1e-6);
        qint64 n = FCount;
        // Equal neighbours are gone, so at most the last point is the first again.
        if (closed && n > 1 && FLast == FFirst)
            --n;
        if (n < 2)
            closed = false;
        // A dot: lit on its spot before the beam leaves it.
        if (n == 1)
            n = 2;
        count.Add(n, closed);
        if (!FShapes)
            return;
        FShape.Closed = closed;
        FShape.Points.resize(size_t(std::min<qint64>(n, qint64(FShape.Points.size()))));
        FShape.Exact.resize(FShape.Points.size());
        if (FShape.Points.size() == 1) {
            FShape.Points.push_back(FShape.Points[0]);
            FShape.Exact.push_back(FShape.Exact[0]);
        }
        FShapes->push_back(std::move(FShape));
    }

private:
    std::vector<TShape>* FShapes;  // null: only counting
    TShape FShape;
    bool FFilled = false;
    qint64 FRaw = 0, FCount = 0;
    QPoint FFirst, FLast;
    QPointF FFirstExact, FLastExact;
};

class TFlattener {
public:
    TFlattener(const TVectorFit& fit, double tolerance) : FFit(fit), FTolerance(tolerance) {}

    // Adds the subpath as a shape; false when the drawing grows too large.
    bool Add(const QPainterPath& p, bool filled, TShapeMaker& maker, TPointCount& count)
    {
        const int n = p.elementCount();
        maker.Begin(filled);
        QPointF last = FFit.Map(p.elementAt(0));
        maker.Point(last);
        for (int i = 1; i < n;) {
            const QPainterPath::Element& e = p.elementAt(i);
            if (e.type == QPainterPath::CurveToElement && i + 2 < n) {
                const QPointF end = FFit.Map(p.elementAt(i + 2));
                AddCubic(maker, last, FFit.Map(e), FFit.Map(p.elementAt(i + 1)), end);
                last = end;
                i += 3;
            } else {
                last = FFit.Map(e);
                maker.Point(last);
                ++i;
            }
            if ((FRawPoints += 1) > MaxRawPoints)
                return false;
        }
        maker.End(count);
        return true;
    }

private:
    // Uniform steps, as many as Wang's bound asks for the distance to stay within
    // the tolerance.
    void AddCubic(TShapeMaker& maker, QPointF p0, QPointF p1, QPointF p2, QPointF p3)
    {
        const auto length = [](QPointF v) { return std::hypot(v.x(), v.y()); };
        const double m = std::max(length(p0 - 2 * p1 + p2), length(p1 - 2 * p2 + p3));
        const double wanted = std::ceil(std::sqrt(0.75 * m / FTolerance));
        const int steps = wanted >= 1 ? int(std::min(wanted, double(MaxCurveSteps))) : 1;
        FRawPoints += steps;
        for (int k = 1; k <= steps; ++k) {
            const double t = double(k) / steps, u = 1 - t;
            maker.Point(u * u * u * p0 + 3 * u * u * t * p1 + 3 * u * t * t * p2 + t * t * t * p3);
        }
    }

    TVectorFit FFit;
    double FTolerance;
    qint64 FRawPoints = 0;
};

// The frame's points while they are laid out.
struct TLayout {
    std::vector<QPoint> Points;
    std::vector<QPointF> Exact;
    std::vector<char> Blank;
    std::vector<char> Settle;  // a dark point a shape is entered over, and the shape's first point
    int Jumps = 0;

    int Size() const { return int(Points.size()); }
    void Push(QPoint p, QPointF exact, bool settle)
    {
        Points.push_back(p);
        Exact.push_back(exact);
        Blank.push_back(0);
        Settle.push_back(settle);
    }
    // A dark jump from the last point to `p`, where the beam settles dark.
    void JumpTo(QPoint p, QPointF exact)
    {
        Blank.back() = 1;
        Push(p, exact, true);
        Blank.back() = 1;
        ++Jumps;
    }
};

// The shape's points from the entry on: an open shape forwards or backwards, a
// closed one round to its entry again.
void AddShape(TLayout& layout, const TShape& shape, int entry)
{
    const int n = int(shape.Points.size());
    std::vector<int> order;
    if (shape.Closed) {
        for (int k = 0; k <= n; ++k)
            order.push_back((entry + k) % n);
    } else {
        for (int k = 0; k < n; ++k)
            order.push_back(entry == 0 ? k : n - 1 - k);
    }
    int k = 0;
    if (layout.Size() > 0) {
        const QPoint first = shape.Points[order[0]];
        if (layout.Points.back() == first) {
            k = 1;  // it goes on where the last shape ended
        } else {
            layout.JumpTo(first, shape.Exact[order[0]]);
            layout.Push(first, shape.Exact[order[0]], true);
            k = 1;
        }
    }
    for (; k < int(order.size()); ++k)
        layout.Push(shape.Points[order[k]], shape.Exact[order[k]], false);
}

TLayout LayOut(const std::vector<TShape>& shapes)
{
    TLayout layout;
    if (shapes.empty())
        return layout;
    std::vector<TOrderShape> order;
    order.reserve(shapes.size());
    for (const TShape& shape : shapes)
        order.push_back({shape.Points.data(), int(shape.Points.size()), shape.Closed});
    for (const TShapeVisit& visit : NearestShapeOrder(order))
        AddShape(layout, shapes[size_t(visit.Shape)], visit.Entry);
    // The loop closes back to the first point: directly when the path ends there,
    // else over a dark jump.
    if (layout.Size() > 1 && layout.Points.back() == layout.Points.front()) {
        layout.Points.pop_back();
        layout.Exact.pop_back();
        layout.Blank.pop_back();
        layout.Settle.pop_back();
    } else if (layout.Size() > 1) {
        layout.JumpTo(layout.Points.front(), layout.Exact.front());
        layout.Settle.front() = 1;
    }
    return layout;
}

// The turn at each point, in degrees, between the lines in and out of it, measured
// on the unrounded positions and skipping points on the same spot.
void MarkSharpCorners(const TLayout& layout, double sharpAngle, std::vector<TSmallPoint>& points)
{
    const int n = layout.Size();
    const auto distinct = [&](int i, int step) {
        for (int k = 1; k < n; ++k) {
            const int j = ((i + step * k) % n + n) % n;
            if (layout.Points[j] != layout.Points[i])
                return j;
        }
        return -1;
    };
    for (int i = 0; i < n; ++i) {
        if (layout.Settle[i])
            continue;  // the beam waits dark on that spot anyway
        const int prev = distinct(i, -1), next = distinct(i, 1);
        if (prev < 0 || next < 0)
            continue;
        const QPointF a = layout.Exact[i] - layout.Exact[prev];
        const QPointF b = layout.Exact[next] - layout.Exact[i];
        const double turn = std::abs(std::atan2(a.x() * b.y() - a.y() * b.x(), a.x() * b.x() + a.y() * b.y()));
        if (turn * 180.0 / std::numbers::pi > sharpAngle)
            points[i].Flags |= TSmallPoint::FlagSharp;
    }
}

// A subpath of the drawing on its own, in the drawing's coordinates.
struct TSubpath {
    QPainterPath Path;
    bool Filled = false;
};

// The subpath's elements as bytes, to find one drawn again on the same spot.
QByteArray Key(const QPainterPath& path)
{
    QByteArray key;
    key.reserve(path.elementCount() * int(sizeof(double) * 2 + 1));
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element& e = path.elementAt(i);
        key.append(char(e.type));
        key.append(reinterpret_cast<const char*>(&e.x), sizeof e.x);
        key.append(reinterpret_cast<const char*>(&e.y), sizeof e.y);
    }
    return key;
}

bool FiniteElements(const QPainterPath& path)
{
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element& e = path.elementAt(i);
        if (!std::isfinite(e.x) || !std::isfinite(e.y))
            return false;
    }
    return true;
}

// Every subpath that draws something, once: a lone move draws nothing, and a path
// drawn again exactly where it was (a glow under a line, a fill under its stroke)
// adds nothing a laser could show. Paths with coordinates that are not finite are
// left out.
std::vector<TSubpath> Subpaths(const TVectorDrawing& drawing)
{
    std::vector<TSubpath> subpaths;
    QSet<QByteArray> seen;
    for (const TVectorPath& path : drawing) {
        const QPainterPath& p = path.Path;
        const int count = p.elementCount();
        for (int i = 0; i < count;) {
            TSubpath sub;
            sub.Filled = path.Filled;
            sub.Path.moveTo(p.elementAt(i));
            for (++i; i < count && p.elementAt(i).type != QPainterPath::MoveToElement;) {
                const QPainterPath::Element& e = p.elementAt(i);
                if (e.type == QPainterPath::CurveToElement && i + 2 < count) {
                    sub.Path.cubicTo(e, p.elementAt(i + 1), p.elementAt(i + 2));
                    i += 3;
                } else {
                    sub.Path.lineTo(e);
                    ++i;
                }
            }
            if (sub.Path.elementCount() < 2 || !FiniteElements(sub.Path))
                continue;
            QByteArray key = Key(sub.Path);
            key.append(char(sub.Filled));
            if (!seen.contains(key)) {
                seen.insert(key);
                subpaths.push_back(std::move(sub));
            }
        }
    }
    return subpaths;
}

// The curves' own bounds (not their control points'), even where the box is wider
// than the largest double: such a path is measured at a quarter of its size.
TVectorFit FitOf(const std::vector<TSubpath>& subpaths)
{
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    for (size_t i = 0; i < subpaths.size(); ++i) {
        QRectF r = subpaths[i].Path.boundingRect();
        double right = r.x() + r.width(), bottom = r.y() + r.height();
        if (!std::isfinite(right) || !std::isfinite(bottom)) {
            r = QTransform::fromScale(0.25, 0.25).map(subpaths[i].Path).boundingRect();
            right = (r.x() + r.width()) * 4;
            bottom = (r.y() + r.height()) * 4;
            r = QRectF(r.x() * 4, r.y() * 4, 0, 0);
        }
        x0 = i ? std::min(x0, r.x()) : r.x();
        y0 = i ? std::min(y0, r.y()) : r.y();
        x1 = i ? std::max(x1, right) : right;
        y1 = i ? std::max(y1, bottom) : bottom;
    }
    return TVectorFit(x0, y0, x1, y1);
}

struct TBuilt {
    bool tooLarge = false;  // more raw points than are ever flattened
    TPointCount count;
    std::vector<TShape> shapes;
    TLayout layout;
};

// The drawing flattened into shapes and laid out; with `countOnly` only the points
// counted, which takes no memory.
TBuilt Build(const std::vector<TSubpath>& subpaths, const TVectorFit& fit, double tolerance, bool countOnly)
{
    TBuilt built;
    TFlattener flattener(fit, tolerance);
    TShapeMaker maker(countOnly ? nullptr : &built.shapes);
    for (const TSubpath& sub : subpaths) {
        if (!flattener.Add(sub.Path, sub.Filled, maker, built.count)) {
            built.tooLarge = true;
            built.shapes.clear();
            return built;
        }
    }
    if (!countOnly)
        built.layout = LayOut(built.shapes);
    return built;
}

// Whether the drawing surely fits a frame when flattened within `tolerance`.
bool Fits(const std::vector<TSubpath>& subpaths, const TVectorFit& fit, double tolerance)
{
    const TBuilt counted = Build(subpaths, fit, tolerance, true);
    return !counted.tooLarge && counted.count.Most <= MaxFramePoints;
}

} // namespace

TVectorFrameResult BuildVectorFrame(const TVectorDrawing& drawing, const TVectorOptions& options)
{
    TVectorFrameResult result;
    const std::vector<TSubpath> subpaths = Subpaths(drawing);
    if (subpaths.empty()) {
        result.outcome = TResult::Failure(QStringLiteral("there is nothing to draw"));
        return result;
    }
    const TVectorFit fit = FitOf(subpaths);
    const double tolerance = std::isnan(options.Tolerance) ? TVectorOptions().Tolerance
                                                           : std::clamp(options.Tolerance, MinTolerance, MaxTolerance);
    // Counted first: a drawing far too large for a frame is never laid out.
    TBuilt built = Build(subpaths, fit, tolerance, true);
    qint64 needs = built.count.Least;
    if (!built.tooLarge && needs <= MaxFramePoints) {
        built = Build(subpaths, fit, tolerance, false);
        needs = built.layout.Size();
    }
    if (built.tooLarge || needs > MaxFramePoints) {
        // Straight lines stay what they are: when the coarsest tolerance does not
        // help, none does.
        if (tolerance < MaxTolerance && Fits(subpaths, fit, MaxTolerance))
            for (double t = 1; t <= MaxTolerance && result.FittingTolerance == 0; t *= 2)
                if (t > tolerance && (t == MaxTolerance || Fits(subpaths, fit, t)))
                    result.FittingTolerance = t;
        const QString within = QLocale::c().toString(tolerance);
        result.outcome = TResult::Failure(
            !built.tooLarge
                ? QStringLiteral("flattened within %1 units the drawing needs %2%3 points, more than a frame holds (%4)")
                      .arg(within, built.layout.Size() > 0 ? QString() : QStringLiteral("at least "))
                      .arg(needs).arg(MaxFramePoints)
                : QStringLiteral("flattened within %1 units the drawing needs far more points than a frame holds (%2)")
                      .arg(within).arg(MaxFramePoints));
        return result;
    }

    const TLayout& layout = built.layout;
    auto frame = std::make_unique<TLaserFrame>();
    frame->Name = options.Name;
    frame->Delay = options.Delay;
    frame->Points.resize(layout.Size());
    for (int i = 0; i < layout.Size(); ++i) {
        TSmallPoint& point = frame->Points[i];
        point.Name = QString::number(i);
        point.X = quint8(layout.Points[i].x());
        point.Y = quint8(layout.Points[i].y());
        point.Selection = 0;
        point.Flags = layout.Blank[i] ? TSmallPoint::FlagBlank : 0;
    }
    MarkSharpCorners(layout, options.SharpAngle, frame->Points);
    result.Frame = std::move(frame);
    result.Shapes = int(built.shapes.size());
    result.Jumps = layout.Jumps;
    return result;
}
