#include "VectorImport.h"

#include "LaserPath.h"
#include "ShapeOrder.h"

#include <QLocale>
#include <QPoint>
#include <QPointF>
#include <QSet>

#include <algorithm>
#include <climits>
#include <cmath>

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
// fill the square inside the margin, centred. Coordinates near the ends of the double range (a box
// wider than the largest double, or a few denormals wide) are first multiplied by a
// power of two, which is exact, so that extent and scale stay finite.
class TVectorFit {
public:
    TVectorFit() = default;
    TVectorFit(double x0, double y0, double x1, double y1, double margin)
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
        FScale = MarginScale(extent, margin);
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
using TShape = TLaserShape;

// How many points the frame of some shapes needs at least and at most, whatever order
// they are drawn in: a shape adds its points, a closed one its first again, and a
// shape entered over a dark jump the jump's own points; one that goes on where the
// last ended saves its first point.
struct TPointCount {
    qint64 Least = 0;
    qint64 Most = PointsPerJump;  // the jump back to the first shape
    int Shapes = 0;

    void Add(qint64 points, bool closed)
    {
        Least += closed ? points : points - 1;
        Most += (closed ? points + 1 : points) + PointsPerJump;
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
    bool Add(const std::vector<QPainterPath::Element>& p, bool filled, TShapeMaker& maker, TPointCount& count)
    {
        const size_t n = p.size();
        maker.Begin(filled);
        QPointF last = FFit.Map(p[0]);
        maker.Point(last);
        for (size_t i = 1; i < n;) {
            if (p[i].type == QPainterPath::CurveToElement && i + 2 < n) {
                const QPointF end = FFit.Map(p[i + 2]);
                AddCubic(maker, last, FFit.Map(p[i]), FFit.Map(p[i + 1]), end);
                last = end;
                i += 3;
            } else {
                last = FFit.Map(p[i]);
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

// The shapes in nearest-neighbour order, each entered at its entry nearest to where
// the last one ended.
TLaserTour NearestTour(const std::vector<TShape>& shapes)
{
    std::vector<TOrderShape> order;
    order.reserve(shapes.size());
    for (const TShape& shape : shapes)
        order.push_back({shape.Points.data(), int(shape.Points.size()), shape.Closed});
    TLaserTour tour;
    tour.reserve(shapes.size());
    for (const TShapeVisit& visit : NearestShapeOrder(order))
        tour.push_back({visit.Shape, visit.Entry});
    return tour;
}

// A subpath of the drawing on its own, in the drawing's coordinates: a move, then
// lines and cubic curves (three elements each).
struct TSubpath {
    std::vector<QPainterPath::Element> Elements;
    bool Filled = false;
};

// The subpath's elements as bytes, to find one drawn again on the same spot.
QByteArray Key(const TSubpath& sub)
{
    QByteArray key;
    key.reserve(int(sub.Elements.size() * (sizeof(double) * 2 + 1) + 1));
    for (const QPainterPath::Element& e : sub.Elements) {
        key.append(char(e.type));
        key.append(reinterpret_cast<const char*>(&e.x), sizeof e.x);
        key.append(reinterpret_cast<const char*>(&e.y), sizeof e.y);
    }
    key.append(char(sub.Filled));
    return key;
}

bool FiniteElement(const QPainterPath::Element& e)
{
    return std::isfinite(e.x) && std::isfinite(e.y);
}

// Every subpath that draws something, once: a lone move draws nothing, nor do lines
// and curves that stay on the spot, and a path drawn again exactly where it was (a
// glow under a line, a fill under its stroke) adds nothing a laser could show. Paths
// with coordinates that are not finite are left out. The elements are taken as they
// are (a painter path would drop coordinates past 1e128 and steps below 1e-12).
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
            QPainterPath::Element start = p.elementAt(i);
            start.type = QPainterPath::MoveToElement;
            bool finite = FiniteElement(start);
            sub.Elements.push_back(start);
            for (++i; i < count && p.elementAt(i).type != QPainterPath::MoveToElement;) {
                const QPointF last = sub.Elements.back();
                const QPainterPath::Element& e = p.elementAt(i);
                if (e.type == QPainterPath::CurveToElement && i + 2 < count) {
                    const QPainterPath::Element& c2 = p.elementAt(i + 1);
                    const QPainterPath::Element& end = p.elementAt(i + 2);
                    finite = finite && FiniteElement(e) && FiniteElement(c2) && FiniteElement(end);
                    const auto same = [&](const QPainterPath::Element& x) { return x.x == last.x() && x.y == last.y(); };
                    if (!(same(e) && same(c2) && same(end))) {
                        sub.Elements.push_back(e);
                        sub.Elements.push_back(c2);
                        sub.Elements.push_back(end);
                        sub.Elements[sub.Elements.size() - 2].type = QPainterPath::CurveToDataElement;
                        sub.Elements.back().type = QPainterPath::CurveToDataElement;
                    }
                    i += 3;
                } else {
                    finite = finite && FiniteElement(e);
                    if (e.x != last.x() || e.y != last.y()) {
                        sub.Elements.push_back(e);
                        sub.Elements.back().type = QPainterPath::LineToElement;
                    }
                    ++i;
                }
            }
            if (sub.Elements.size() < 2 || !finite)
                continue;
            if (const QByteArray key = Key(sub); !seen.contains(key)) {
                seen.insert(key);
                subpaths.push_back(std::move(sub));
            }
        }
    }
    return subpaths;
}

// Where a cubic curve reaches furthest along one axis: its ends, and where its
// derivative is zero. Worked out on the coordinates scaled by a power of two (exact)
// to about 1, so nothing overflows or vanishes whatever their size.
std::pair<double, double> CubicRange(double p0, double p1, double p2, double p3)
{
    const double largest = std::max({std::abs(p0), std::abs(p1), std::abs(p2), std::abs(p3)});
    const int shift = largest > 0 ? -std::ilogb(largest) : 0;
    const double a0 = std::ldexp(p0, shift), a1 = std::ldexp(p1, shift), a2 = std::ldexp(p2, shift),
                 a3 = std::ldexp(p3, shift);
    double lo = std::min(a0, a3), hi = std::max(a0, a3);
    const auto at = [&](double t) {
        const double u = 1 - t;
        return u * u * u * a0 + 3 * u * u * t * a1 + 3 * u * t * t * a2 + t * t * t * a3;
    };
    const auto consider = [&](double t) {
        if (t > 0 && t < 1) {
            const double v = at(t);
            lo = std::min(lo, v), hi = std::max(hi, v);
        }
    };
    // B'(t)/3 = a t^2 + b t + c
    const double a = -a0 + 3 * a1 - 3 * a2 + a3, b = 2 * (a0 - 2 * a1 + a2), c = a1 - a0;
    if (std::abs(a) < 1e-12) {
        if (b != 0)
            consider(-c / b);
    } else {
        const double d = b * b - 4 * a * c;
        if (d >= 0) {
            const double r = std::sqrt(d);
            consider((-b + r) / (2 * a));
            consider((-b - r) / (2 * a));
        }
    }
    return {std::ldexp(lo, -shift), std::ldexp(hi, -shift)};
}

// The bounds of the curves themselves (not of their control points).
TVectorFit FitOf(const std::vector<TSubpath>& subpaths, double margin)
{
    double x0 = subpaths[0].Elements[0].x, y0 = subpaths[0].Elements[0].y, x1 = x0, y1 = y0;
    const auto take = [&](double xlo, double xhi, double ylo, double yhi) {
        x0 = std::min(x0, xlo), x1 = std::max(x1, xhi);
        y0 = std::min(y0, ylo), y1 = std::max(y1, yhi);
    };
    for (const TSubpath& sub : subpaths) {
        const std::vector<QPainterPath::Element>& e = sub.Elements;
        take(e[0].x, e[0].x, e[0].y, e[0].y);
        for (size_t i = 1; i < e.size();) {
            if (e[i].type == QPainterPath::CurveToElement && i + 2 < e.size()) {
                const auto [xlo, xhi] = CubicRange(e[i - 1].x, e[i].x, e[i + 1].x, e[i + 2].x);
                const auto [ylo, yhi] = CubicRange(e[i - 1].y, e[i].y, e[i + 1].y, e[i + 2].y);
                take(xlo, xhi, ylo, yhi);
                i += 3;
            } else {
                take(e[i].x, e[i].x, e[i].y, e[i].y);
                ++i;
            }
        }
    }
    return TVectorFit(x0, y0, x1, y1, margin);
}

struct TBuilt {
    bool tooLarge = false;  // more raw points than are ever flattened
    TPointCount count;
    std::vector<TShape> shapes;
    TLaserTour tour;
    qint64 points = 0;  // of the laid-out path, when built
};

// The drawing flattened into shapes and laid out; with `countOnly` only the points
// counted, which takes no memory.
TBuilt Build(const std::vector<TSubpath>& subpaths, const TVectorFit& fit, double tolerance, bool countOnly)
{
    TBuilt built;
    TFlattener flattener(fit, tolerance);
    TShapeMaker maker(countOnly ? nullptr : &built.shapes);
    for (const TSubpath& sub : subpaths) {
        if (!flattener.Add(sub.Elements, sub.Filled, maker, built.count)) {
            built.tooLarge = true;
            built.shapes.clear();
            return built;
        }
    }
    if (!countOnly) {
        built.tour = NearestTour(built.shapes);
        built.points = LaserPathPointCount(built.shapes, built.tour);
    }
    return built;
}

// Whether the drawing surely fits a frame when flattened within `tolerance`.
bool Fits(const std::vector<TSubpath>& subpaths, const TVectorFit& fit, double tolerance)
{
    const TBuilt counted = Build(subpaths, fit, tolerance, true);
    return !counted.tooLarge && counted.count.Most <= MaxFramePoints;
}

} // namespace

QString UnitsText(double units)
{
    const QString number = QLocale::c().toString(units);
    return units == 1 ? QStringLiteral("1 unit") : QStringLiteral("%1 units").arg(number);
}

TVectorFrameResult BuildVectorFrame(const TVectorDrawing& drawing, const TVectorOptions& options)
{
    TVectorFrameResult result;
    const std::vector<TSubpath> subpaths = Subpaths(drawing);
    if (subpaths.empty()) {
        result.outcome = TResult::Failure(QStringLiteral("there is nothing to draw"));
        return result;
    }
    const double margin = std::isnan(options.Margin) ? DefaultMargin : std::clamp(options.Margin, 0.0, MaxMargin);
    const TVectorFit fit = FitOf(subpaths, margin);
    const double tolerance = std::isnan(options.Tolerance) ? TVectorOptions().Tolerance
                                                           : std::clamp(options.Tolerance, MinTolerance, MaxTolerance);
    // Counted first: a drawing far too large for a frame is never laid out.
    TBuilt built = Build(subpaths, fit, tolerance, true);
    qint64 needs = built.count.Least;
    if (!built.tooLarge && needs <= MaxFramePoints) {
        built = Build(subpaths, fit, tolerance, false);
        needs = built.points;
    }
    if (built.tooLarge || needs > MaxFramePoints) {
        // Straight lines stay what they are: when the coarsest tolerance does not
        // help, none does.
        if (tolerance < MaxTolerance && Fits(subpaths, fit, MaxTolerance))
            for (double t = 1; t <= MaxTolerance && result.FittingTolerance == 0; t *= 2)
                if (t > tolerance && (t == MaxTolerance || Fits(subpaths, fit, t)))
                    result.FittingTolerance = t;
        const QString within = UnitsText(tolerance);
        result.outcome = TResult::Failure(
            !built.tooLarge
                ? QStringLiteral("flattened within %1 the drawing needs %2%3 points, more than a frame holds (%4)")
                      .arg(within, built.points > 0 ? QString() : QStringLiteral("at least "))
                      .arg(needs).arg(MaxFramePoints)
                : QStringLiteral("flattened within %1 the drawing needs far more points than a frame holds (%2)")
                      .arg(within).arg(MaxFramePoints));
        return result;
    }

    // A shorter dark travel is kept unless it costs points the frame has no room for.
    TLaserTour improved = built.tour;
    ImproveTour(built.shapes, improved);
    if (LaserPathPointCount(built.shapes, improved) <= MaxFramePoints)
        built.tour = std::move(improved);
    const TLaserPath path = LayOutLaserPath(built.shapes, built.tour, options.SharpAngle);
    const int count = int(path.Points.size());
    auto frame = std::make_unique<TLaserFrame>();
    frame->Name = options.Name;
    frame->Delay = options.Delay;
    frame->Points.resize(count);
    for (int i = 0; i < count; ++i) {
        TSmallPoint& point = frame->Points[i];
        point.Name = TPointName::Number(i);
        point.X = quint8(path.Points[i].x());
        point.Y = quint8(path.Points[i].y());
        point.Selection = 0;
        point.Flags = path.Flags[i];
    }
    result.Frame = std::move(frame);
    result.Shapes = int(built.shapes.size());
    result.Jumps = path.Jumps;
    return result;
}
