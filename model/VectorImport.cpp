#include "VectorImport.h"

#include <QLocale>
#include <QPoint>
#include <QPointF>
#include <QSet>

#include <algorithm>
#include <climits>
#include <cmath>
#include <numbers>

namespace {

constexpr double Centre = 127.5;     // middle of the byte square 0..255
constexpr int MaxCurveSteps = 4096;  // per curve, whatever the tolerance asks
// Flattening stops here: far more than any frame could hold, small enough for memory.
constexpr qint64 MaxRawPoints = qint64(1) << 24;

// A subpath in frame units: rounded points without equal neighbours, with the
// unrounded positions for measuring its turns.
struct TShape {
    std::vector<QPoint> Points;
    std::vector<QPointF> Exact;
    bool Closed = false;
};

class TFlattener {
public:
    TFlattener(const QRectF& bounds, double tolerance)
        : FTolerance(tolerance)
    {
        const double extent = std::max(bounds.width(), bounds.height());
        FScale = extent > 0 ? 255.0 / extent : 1.0;
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
struct TEntry {
    int Shape = -1;
    int Vertex = 0;
};

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
    TEntryGrid grid(shapes);
    TEntry next{0, 0};
    while (next.Shape >= 0) {
        grid.Use(next.Shape);
        AddShape(layout, shapes[next.Shape], next.Vertex);
        next = grid.Nearest(layout.Points.back());
    }
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
    TLayout layout;
};

TBuilt Build(const std::vector<TSubpath>& subpaths, const QRectF& bounds, double tolerance)
{
    TBuilt built;
    TFlattener flattener(bounds, tolerance);
    for (const TSubpath& sub : subpaths) {
        if (!flattener.Add(sub.Path, sub.Filled, built.shapes)) {
            built.tooLarge = true;
            return built;
        }
    }
    built.layout = LayOut(built.shapes);
    built.tooLarge = built.layout.Size() > MaxFramePoints;
    return built;
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
    const QRectF bounds = Bounds(subpaths);
    const double tolerance = std::clamp(options.Tolerance, MinTolerance, MaxTolerance);
    const TBuilt built = Build(subpaths, bounds, tolerance);
    if (built.tooLarge) {
        // Straight lines stay what they are: when the coarsest tolerance does not
        // help, none does.
        if (tolerance < MaxTolerance && !Build(subpaths, bounds, MaxTolerance).tooLarge)
            for (double t = 1; t <= MaxTolerance && result.FittingTolerance == 0; t *= 2)
                if (t > tolerance && (t == MaxTolerance || !Build(subpaths, bounds, t).tooLarge))
                    result.FittingTolerance = t;
        const QString within = QLocale::c().toString(tolerance);
        result.outcome = TResult::Failure(
            built.layout.Size() > MaxFramePoints
                ? QStringLiteral("flattened within %1 units the drawing needs %2 points, more than a frame holds (%3)")
                      .arg(within).arg(built.layout.Size()).arg(MaxFramePoints)
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
        point.Name = TPointName::Number(i);
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
