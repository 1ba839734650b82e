#include "VectorImport.h"

#include "LaserPath.h"

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

// A subpath in frame units: rounded points without equal neighbours, with the
// unrounded positions for measuring its turns.
using TShape = TLaserShape;

class TFlattener {
public:
    TFlattener(const QRectF& bounds, double tolerance, double margin)
        : FTolerance(tolerance)
    {
        const double extent = std::max(bounds.width(), bounds.height());
        FScale = MarginScale(extent, margin);
        FCentre = bounds.center();
    }

    // Appends the subpath as a shape; false when the drawing grows too large.
    bool Add(const QPainterPath& p, bool filled, std::vector<TShape>& shapes)
    {
        const int count = p.elementCount();
        std::vector<QPointF> line{Map(p.elementAt(0))};
        for (int i = 1; i < count;) {
            const QPainterPath::Element& e = p.elementAt(i);
            if (e.type == QPainterPath::CurveToElement && i + 2 < count) {
                AddCubic(line, line.back(), Map(e), Map(p.elementAt(i + 1)), Map(p.elementAt(i + 2)));
                i += 3;
            } else {
                line.push_back(Map(e));
                ++i;
            }
            if ((FRawPoints += 1) > MaxRawPoints)
                return false;
        }
        AddShape(line, filled, shapes);
        return true;
    }

private:
    QPointF Map(const QPointF& p) const
    {
        return {(p.x() - FCentre.x()) * FScale + Centre, (p.y() - FCentre.y()) * FScale + Centre};
    }

    // Uniform steps, as many as Wang's bound asks for the distance to stay within
    // the tolerance.
    void AddCubic(std::vector<QPointF>& line, QPointF p0, QPointF p1, QPointF p2, QPointF p3)
    {
        const auto length = [](QPointF v) { return std::hypot(v.x(), v.y()); };
        const double m = std::max(length(p0 - 2 * p1 + p2), length(p1 - 2 * p2 + p3));
        const int steps = std::clamp(int(std::ceil(std::sqrt(0.75 * m / FTolerance))), 1, MaxCurveSteps);
        FRawPoints += steps;
        for (int k = 1; k <= steps; ++k) {
            const double t = double(k) / steps, u = 1 - t;
            line.push_back(u * u * u * p0 + 3 * u * u * t * p1 + 3 * u * t * t * p2 + t * t * t * p3);
        }
    }

    static void AddShape(const std::vector<QPointF>& line, bool filled, std::vector<TShape>& shapes)
    {
        const QPointF d = line.back() - line.front();
        TShape shape;
        shape.Closed = filled || (line.size() > 2 && std::abs(d.x()) < 1e-6 && std::abs(d.y()) < 1e-6);
        for (const QPointF& p : line) {
            const QPoint q(std::clamp(int(std::nearbyint(p.x())), 0, 255),
                           std::clamp(int(std::nearbyint(p.y())), 0, 255));
            if (shape.Points.empty() || shape.Points.back() != q) {
                shape.Points.push_back(q);
                shape.Exact.push_back(p);
            }
        }
        while (shape.Closed && shape.Points.size() > 1 && shape.Points.back() == shape.Points.front()) {
            shape.Points.pop_back();
            shape.Exact.pop_back();
        }
        if (shape.Points.size() < 2)
            shape.Closed = false;
        // A dot: lit on its spot before the beam leaves it.
        if (shape.Points.size() == 1) {
            shape.Points.push_back(shape.Points[0]);
            shape.Exact.push_back(shape.Exact[0]);
        }
        shapes.push_back(std::move(shape));
    }

    double FTolerance;
    double FScale = 1;
    QPointF FCentre;
    qint64 FRawPoints = 0;
};

// Where a shape is entered: for an open shape one of its ends, for a closed one any point.
using TEntry = TLaserEntry;

// The shapes' possible entries on a coarse grid over the square, for finding the
// nearest one without looking at all of them.
class TEntryGrid {
public:
    explicit TEntryGrid(const std::vector<TShape>& shapes)
        : FShapes(shapes), FUsed(shapes.size(), 0), FCells(Cells * Cells)
    {
        for (int s = 0; s < int(shapes.size()); ++s) {
            const TShape& shape = shapes[s];
            const int n = int(shape.Points.size());
            if (shape.Closed) {
                for (int v = 0; v < n; ++v)
                    Add({s, v});
            } else {
                Add({s, 0});
                if (n > 1)
                    Add({s, n - 1});
            }
        }
    }

    void Use(int shape) { FUsed[shape] = 1; }

    // The nearest entry of a shape not used yet; ties go to the earlier shape.
    TEntry Nearest(QPoint from)
    {
        const int cx = from.x() / Cell, cy = from.y() / Cell;
        TEntry best;
        long long bestD = LLONG_MAX;
        for (int r = 0; r < Cells; ++r) {
            for (int y = cy - r; y <= cy + r; ++y) {
                if (y < 0 || y >= Cells)
                    continue;
                const bool edgeRow = y == cy - r || y == cy + r;
                for (int x = cx - r; x <= cx + r; x += edgeRow ? 1 : 2 * r) {
                    if (x >= 0 && x < Cells)
                        Visit(FCells[y * Cells + x], from, best, bestD);
                    if (r == 0)
                        break;
                }
            }
            if (best.Shape >= 0 && bestD <= (long long)(r * Cell) * (r * Cell))
                break;
        }
        return best;
    }

private:
    static constexpr int Cell = 8, Cells = 256 / Cell;

    void Add(TEntry entry)
    {
        const QPoint p = FShapes[entry.Shape].Points[entry.Vertex];
        FCells[(p.y() / Cell) * Cells + p.x() / Cell].push_back(entry);
    }

    void Visit(std::vector<TEntry>& cell, QPoint from, TEntry& best, long long& bestD)
    {
        std::erase_if(cell, [this](const TEntry& e) { return FUsed[e.Shape]; });
        for (const TEntry& e : cell) {
            const QPoint d = FShapes[e.Shape].Points[e.Vertex] - from;
            const long long dd = (long long)d.x() * d.x() + (long long)d.y() * d.y();
            const bool earlier = e.Shape < best.Shape || (e.Shape == best.Shape && e.Vertex < best.Vertex);
            if (dd < bestD || (dd == bestD && earlier)) {
                best = e;
                bestD = dd;
            }
        }
    }

    const std::vector<TShape>& FShapes;
    std::vector<char> FUsed;
    std::vector<std::vector<TEntry>> FCells;
};

// The shapes in nearest-neighbour order, each entered at its entry nearest to where
// the last one ended.
TLaserTour NearestTour(const std::vector<TShape>& shapes)
{
    TLaserTour tour;
    if (shapes.empty())
        return tour;
    TEntryGrid grid(shapes);
    TEntry next{0, 0};
    while (next.Shape >= 0) {
        grid.Use(next.Shape);
        tour.push_back(next);
        const TShape& shape = shapes[next.Shape];
        const int exit = shape.Closed ? next.Vertex : (next.Vertex == 0 ? int(shape.Points.size()) - 1 : 0);
        next = grid.Nearest(shape.Points[exit]);
    }
    return tour;
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
            const QRectF r = sub.Path.boundingRect();
            if (sub.Path.elementCount() < 2 || !std::isfinite(r.left()) || !std::isfinite(r.top())
                || !std::isfinite(r.width()) || !std::isfinite(r.height()))
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

QRectF Bounds(const std::vector<TSubpath>& subpaths)
{
    double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    for (size_t i = 0; i < subpaths.size(); ++i) {
        const QRectF r = subpaths[i].Path.boundingRect();
        x0 = i ? std::min(x0, r.left()) : r.left();
        y0 = i ? std::min(y0, r.top()) : r.top();
        x1 = i ? std::max(x1, r.right()) : r.right();
        y1 = i ? std::max(y1, r.bottom()) : r.bottom();
    }
    return QRectF(QPointF(x0, y0), QPointF(x1, y1));
}

struct TBuilt {
    bool tooLarge = false;
    std::vector<TShape> shapes;
    TLaserTour tour;
    qint64 points = 0;
};

TBuilt Build(const std::vector<TSubpath>& subpaths, const QRectF& bounds, double tolerance, double margin)
{
    TBuilt built;
    TFlattener flattener(bounds, tolerance, margin);
    for (const TSubpath& sub : subpaths) {
        if (!flattener.Add(sub.Path, sub.Filled, built.shapes)) {
            built.tooLarge = true;
            return built;
        }
    }
    built.tour = NearestTour(built.shapes);
    built.points = LaserPathPointCount(built.shapes, built.tour);
    built.tooLarge = built.points > MaxFramePoints;
    return built;
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
    const QRectF bounds = Bounds(subpaths);
    const double tolerance = std::clamp(options.Tolerance, MinTolerance, MaxTolerance);
    const double margin = std::clamp(options.Margin, 0.0, MaxMargin);
    TBuilt built = Build(subpaths, bounds, tolerance, margin);
    if (built.tooLarge) {
        // Straight lines stay what they are: when the coarsest tolerance does not
        // help, none does.
        if (tolerance < MaxTolerance && !Build(subpaths, bounds, MaxTolerance, margin).tooLarge)
            for (double t = 1; t <= MaxTolerance && result.FittingTolerance == 0; t *= 2)
                if (t > tolerance && (t == MaxTolerance || !Build(subpaths, bounds, t, margin).tooLarge))
                    result.FittingTolerance = t;
        const QString within = UnitsText(tolerance);
        result.outcome = TResult::Failure(
            built.points > MaxFramePoints
                ? QStringLiteral("flattened within %1 the drawing needs %2 points, more than a frame holds (%3)")
                      .arg(within).arg(built.points).arg(MaxFramePoints)
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
        point.Name = QString::number(i);
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
