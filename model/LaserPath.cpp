#include "LaserPath.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

double PortDistance(QPoint a, QPoint b)
{
    const double dx = a.x() - b.x(), dy = a.y() - b.y();
    return std::sqrt(dx * dx + dy * dy);
}

QPoint EntryPoint(const std::vector<TLaserShape>& shapes, const TLaserEntry& e)
{
    return shapes[e.Shape].Points[e.Vertex];
}

// The point a shape is left at: a closed shape returns to its entry, an open one ends
// at its other end.
int ExitVertex(const TLaserShape& shape, int entry)
{
    if (shape.Closed)
        return entry;
    return entry == 0 ? int(shape.Points.size()) - 1 : 0;
}

QPoint ExitPoint(const std::vector<TLaserShape>& shapes, const TLaserEntry& e)
{
    const TLaserShape& shape = shapes[e.Shape];
    return shape.Points[ExitVertex(shape, e.Vertex)];
}

// The shape's vertices in the order drawn from the entry: an open shape forwards or
// backwards, a closed one round to its entry again.
std::vector<int> DrawnOrder(const TLaserShape& shape, int entry)
{
    const int n = int(shape.Points.size());
    std::vector<int> order;
    order.reserve(n + 1);
    if (shape.Closed) {
        for (int k = 0; k <= n; ++k)
            order.push_back((entry + k) % n);
    } else {
        for (int k = 0; k < n; ++k)
            order.push_back(entry == 0 ? k : n - 1 - k);
    }
    return order;
}

// 2-opt on a cyclic tour of shapes, each move checked only against the shapes near
// its ends (neighbour lists), with a queue of shapes whose surroundings changed.
class TTourImprover {
public:
    TTourImprover(const std::vector<TLaserShape>& shapes, TLaserTour& tour)
        : FShapes(shapes), FTour(tour), FN(int(tour.size())), FPos(shapes.size(), -1)
    {
        for (int p = 0; p < FN; ++p)
            FPos[FTour[p].Shape] = p;
    }

    void Run()
    {
        if (FN < 3)
            return PickEntries();
        double travel = DarkTravel(FShapes, FTour);
        // Open shapes keep their ports; only the entries of closed ones move.
        const bool entriesMove = std::any_of(FShapes.begin(), FShapes.end(), [](const TLaserShape& s) { return s.Closed; });
        for (int round = 0; round < 8 && FWork < MaxWork; ++round) {
            if (round == 0 || entriesMove)
                FindNeighbours();
            TwoOpt();
            PickEntries();
            const double now = DarkTravel(FShapes, FTour);
            if (!(now < travel - 1e-6))
                break;
            travel = now;
        }
    }

private:
    static constexpr int Neighbours = 10;
    // Ports a neighbour search looks at from one port at most.
    static constexpr int MaxLooks = 16 * Neighbours;
    // Element moves of all reversals together: past it the tour is left as it is.
    static constexpr qint64 MaxWork = qint64(40) << 20;

    int Wrap(int p) const { return ((p % FN) + FN) % FN; }
    QPoint In(int p) const { return EntryPoint(FShapes, FTour[Wrap(p)]); }
    QPoint Out(int p) const { return ExitPoint(FShapes, FTour[Wrap(p)]); }

    // Where each shape can be joined now: both ends of an open shape, the entry of a
    // closed one.
    void Ports(int shape, std::vector<QPoint>& ports) const
    {
        ports.clear();
        const TLaserShape& s = FShapes[shape];
        if (s.Closed) {
            ports.push_back(s.Points[FTour[FPos[shape]].Vertex]);
        } else {
            ports.push_back(s.Points.front());
            ports.push_back(s.Points.back());
        }
    }

    void FindNeighbours()
    {
        std::vector<QPoint> ports;
        int portCount = 0;
        for (int p = 0; p < FN; ++p)
            portCount += FShapes[FTour[p].Shape].Closed ? 1 : 2;
        // About two ports to a cell, so a search looks at a handful of cells.
        const int cells = std::clamp(int(std::sqrt(portCount / 2.0)), 1, 256);
        const int cell = (256 + cells - 1) / cells;
        std::vector<std::vector<std::pair<int, QPoint>>> grid(size_t(cells) * cells);
        for (int p = 0; p < FN; ++p) {
            const int shape = FTour[p].Shape;
            Ports(shape, ports);
            for (QPoint q : ports)
                grid[size_t(q.y() / cell) * cells + q.x() / cell].push_back({shape, q});
        }
        FNear.assign(FShapes.size(), {});
        std::vector<std::pair<qint64, int>> found;
        constexpr int Wanted = 2 * Neighbours;  // an open shape's two ports may both be near
        for (int p = 0; p < FN; ++p) {
            const int shape = FTour[p].Shape;
            Ports(shape, ports);
            found.clear();
            for (QPoint from : ports) {
                const size_t before = found.size();
                const int cx = from.x() / cell, cy = from.y() / cell;
                for (int r = 0; r < cells; ++r) {
                    for (int y = cy - r; y <= cy + r; ++y) {
                        if (y < 0 || y >= cells)
                            continue;
                        const bool edgeRow = y == cy - r || y == cy + r;
                        for (int x = cx - r; x <= cx + r; x += edgeRow ? 1 : 2 * r) {
                            if (x >= 0 && x < cells)
                                for (const auto& [other, q] : grid[size_t(y) * cells + x]) {
                                    // Shapes crowded on a few units all lie in one cell: a
                                    // sample of it is near enough, and a full scan would be
                                    // quadratic in the crowd.
                                    if (found.size() - before >= size_t(MaxLooks))
                                        break;
                                    if (other != shape) {
                                        const qint64 dx = q.x() - from.x(), dy = q.y() - from.y();
                                        found.push_back({dx * dx + dy * dy, other});
                                    }
                                }
                            if (r == 0)
                                break;
                        }
                    }
                    // Enough ports closer than anything the next ring could add.
                    const size_t mine = found.size() - before;
                    if (mine >= size_t(Wanted)) {
                        std::nth_element(found.begin() + before, found.begin() + before + (Wanted - 1), found.end());
                        const qint64 reach = qint64(r) * cell;
                        if (found[before + Wanted - 1].first <= reach * reach) {
                            found.resize(before + Wanted);
                            break;
                        }
                    }
                }
            }
            std::sort(found.begin(), found.end());
            std::vector<int>& near = FNear[shape];
            for (const auto& [d, other] : found) {
                if (std::find(near.begin(), near.end(), other) == near.end())
                    near.push_back(other);
                if (int(near.size()) == Neighbours)
                    break;
            }
        }
    }

    void Flip(int p)
    {
        TLaserEntry& e = FTour[p];
        const TLaserShape& s = FShapes[e.Shape];
        if (!s.Closed)
            e.Vertex = ExitVertex(s, e.Vertex);
    }

    // Reverses the tour from `from` to `to` (cyclic, inclusive), turning open shapes
    // round; the shorter side is reversed, which for a cycle comes to the same.
    void Reverse(int from, int to)
    {
        from = Wrap(from), to = Wrap(to);
        int length = Wrap(to - from) + 1;
        if (2 * length > FN) {
            const int f = Wrap(to + 1), t = Wrap(from - 1);
            from = f, to = t;
            length = FN - length;
        }
        FWork += length;
        for (int k = 0; k < length / 2; ++k) {
            const int a = Wrap(from + k), b = Wrap(to - k);
            std::swap(FTour[a], FTour[b]);
            Flip(a), Flip(b);
            FPos[FTour[a].Shape] = a;
            FPos[FTour[b].Shape] = b;
        }
        if (length % 2)
            Flip(Wrap(from + length / 2));
    }

    bool TryShape(int shape)
    {
        const int i = FPos[shape];
        // The jump out of this shape replaced by one to a nearer shape's far end.
        const double out = PortDistance(Out(i), In(i + 1));
        if (out > 0) {
            for (int c : FNear[shape]) {
                const int j = FPos[c];
                if (j == i)
                    continue;
                const double d13 = PortDistance(Out(i), Out(j));
                if (d13 >= out)
                    continue;
                const double gain = out + PortDistance(Out(j), In(j + 1)) - d13 - PortDistance(In(i + 1), In(j + 1));
                if (gain > 1e-7) {
                    Touch(i + 1), Touch(j + 1), Touch(j);
                    Reverse(i + 1, j);
                    return true;
                }
            }
        }
        // The jump into this shape replaced by one from a nearer shape's start.
        const double in = PortDistance(Out(i - 1), In(i));
        if (in > 0) {
            for (int c : FNear[shape]) {
                const int j = FPos[c];
                if (j == i)
                    continue;
                const double d13 = PortDistance(In(i), In(j));
                if (d13 >= in)
                    continue;
                const double gain = in + PortDistance(Out(j - 1), In(j)) - d13 - PortDistance(Out(j - 1), Out(i - 1));
                if (gain > 1e-7) {
                    Touch(i - 1), Touch(j - 1), Touch(j);
                    Reverse(j, i - 1);
                    return true;
                }
            }
        }
        return MoveSegment(i);
    }

    // Or-opt: the run of one to three shapes from position i taken out and put, either
    // way round, into the jump between two shapes near it.
    bool MoveSegment(int i)
    {
        for (int length = 1; length <= 3 && length + 2 <= FN; ++length) {
            const int last = i + length - 1;
            const double removed = PortDistance(Out(i - 1), In(i)) + PortDistance(Out(last), In(last + 1))
                                 - PortDistance(Out(i - 1), In(last + 1));
            if (removed <= 1e-7)
                continue;
            for (int k = 0; k < length; ++k)
                for (int c : FNear[FTour[Wrap(i + k)].Shape]) {
                    const int j = FPos[c];
                    for (int gap : {j - 1, j}) {
                        // The gap after position `gap`, outside the run and not where it was.
                        const int g = Wrap(gap);
                        if (Wrap(g - i) < length || g == Wrap(i - 1))
                            continue;
                        const QPoint a = Out(g), b = In(g + 1);
                        const double here = PortDistance(a, b);
                        const double forward = PortDistance(a, In(i)) + PortDistance(Out(last), b) - here;
                        const double backward = PortDistance(a, Out(last)) + PortDistance(In(i), b) - here;
                        const bool reverse = backward < forward;
                        if (removed - std::min(forward, backward) > 1e-7) {
                            Touch(i - 1), Touch(last + 1), Touch(g), Touch(g + 1);
                            Move(i, length, g, reverse);
                            return true;
                        }
                    }
                }
        }
        return false;
    }

    // Moves the run of `length` shapes from position i into the gap after position g.
    void Move(int i, int length, int g, bool reverse)
    {
        TLaserTour run;
        for (int k = 0; k < length; ++k)
            run.push_back(FTour[Wrap(i + k)]);
        const TLaserEntry after = FTour[Wrap(g)];
        if (reverse) {
            std::reverse(run.begin(), run.end());
            for (TLaserEntry& e : run)
                if (FShapes[e.Shape].Closed == false)
                    e.Vertex = ExitVertex(FShapes[e.Shape], e.Vertex);
        }
        TLaserTour rest;
        rest.reserve(FN);
        for (int k = 0; k < FN - length; ++k)
            rest.push_back(FTour[Wrap(i + length + k)]);
        FTour.clear();
        for (const TLaserEntry& e : rest) {
            FTour.push_back(e);
            if (e.Shape == after.Shape)
                FTour.insert(FTour.end(), run.begin(), run.end());
        }
        for (int p = 0; p < FN; ++p)
            FPos[FTour[p].Shape] = p;
        FWork += FN;
    }

    void Touch(int p)
    {
        const int shape = FTour[Wrap(p)].Shape;
        if (!FQueued[shape]) {
            FQueued[shape] = 1;
            FQueue.push_back(shape);
        }
    }

    void TwoOpt()
    {
        FQueued.assign(FShapes.size(), 0);
        FQueue.clear();
        for (int p = 0; p < FN; ++p)
            Touch(p);
        for (size_t head = 0; head < FQueue.size() && FWork < MaxWork; ++head) {
            const int shape = FQueue[head];
            FQueued[shape] = 0;
            if (TryShape(shape))
                Touch(FPos[shape]);
            // The queue is a list that only grows: start it again when it is long.
            if (head > 4 * size_t(FN) + 64) {
                FQueue.erase(FQueue.begin(), FQueue.begin() + head + 1);
                head = size_t(-1);
            }
        }
    }

    // Each closed shape entered at its point nearest to the way from the shape before
    // to the shape after.
    void PickEntries()
    {
        if (FN < 2)
            return;
        for (int p = 0; p < FN; ++p) {
            TLaserEntry& e = FTour[p];
            const TLaserShape& s = FShapes[e.Shape];
            if (!s.Closed)
                continue;
            const QPoint from = Out(p - 1), to = In(p + 1);
            double best = PortDistance(from, s.Points[e.Vertex]) + PortDistance(s.Points[e.Vertex], to);
            for (int v = 0; v < int(s.Points.size()); ++v) {
                const double d = PortDistance(from, s.Points[v]) + PortDistance(s.Points[v], to);
                if (d < best - 1e-9) {
                    best = d;
                    e.Vertex = v;
                }
            }
        }
    }

    const std::vector<TLaserShape>& FShapes;
    TLaserTour& FTour;
    const int FN;
    std::vector<int> FPos;
    std::vector<std::vector<int>> FNear;
    std::vector<int> FQueue;
    std::vector<char> FQueued;
    qint64 FWork = 0;
};

// The frame's points while they are laid out.
enum class TLaidRole : char { Drawn, Leave, Settle };

struct TLaidPoint {
    QPoint P;
    QPointF Exact;
    TLaidRole Role = TLaidRole::Drawn;
    // A closed shape's seam: the neighbour on the far side of the jump, for its turn.
    bool HasSeamPrev = false, HasSeamNext = false;
    QPointF SeamPrev, SeamNext;
};

// The direction into (step -1) or out of (step 1) point i along the drawn line, from
// the nearest drawn point elsewhere; false at a stroke's end.
bool LaidDirection(const std::vector<TLaidPoint>& laid, int i, int step, QPointF& direction)
{
    const int n = int(laid.size());
    for (int k = 1; k < n; ++k) {
        const TLaidPoint& q = laid[((i + step * k) % n + n) % n];
        if (q.Role != TLaidRole::Drawn)
            break;
        if (q.P != laid[i].P) {
            direction = step < 0 ? laid[i].Exact - q.Exact : q.Exact - laid[i].Exact;
            return true;
        }
    }
    const TLaidPoint& p = laid[i];
    if (step < 0 && p.HasSeamPrev) {
        direction = p.Exact - p.SeamPrev;
        return true;
    }
    if (step > 0 && p.HasSeamNext) {
        direction = p.SeamNext - p.Exact;
        return true;
    }
    return false;
}

} // namespace

double MarginScale(double extent, double margin)
{
    const double room = 255.0 - 2 * std::clamp(margin, 0.0, MaxMargin);
    return extent > 0 ? room / extent : 1.0;
}

double DarkTravel(const std::vector<TLaserShape>& shapes, const TLaserTour& tour)
{
    double travel = 0;
    const int n = int(tour.size());
    for (int p = 0; p < n; ++p)
        travel += PortDistance(ExitPoint(shapes, tour[p]), EntryPoint(shapes, tour[(p + 1) % n]));
    return travel;
}

void ImproveTour(const std::vector<TLaserShape>& shapes, TLaserTour& tour)
{
    TTourImprover(shapes, tour).Run();
}

qint64 LaserPathPointCount(const std::vector<TLaserShape>& shapes, const TLaserTour& tour)
{
    qint64 count = 0;
    QPoint last;
    for (const TLaserEntry& e : tour) {
        const TLaserShape& shape = shapes[e.Shape];
        const qint64 own = qint64(shape.Points.size()) + (shape.Closed ? 1 : 0);
        const QPoint first = EntryPoint(shapes, e);
        if (count == 0)
            count = own;
        else
            count += last == first ? own - 1 : own + PointsPerJump;
        last = ExitPoint(shapes, e);
    }
    if (count > 1)
        count += last == EntryPoint(shapes, tour.front()) ? -1 : PointsPerJump;
    return count;
}

TLaserPath LayOutLaserPath(const std::vector<TLaserShape>& shapes, const TLaserTour& tour, double sharpAngle)
{
    std::vector<TLaidPoint> laid;
    int jumps = 0;
    // The jump, and a lit point on the spot it lands on: the line of no length from it
    // holds the beam lit there for a move's time before the shape's first line, as the
    // line of no length into the leave point does at a shape's end.
    const auto jumpTo = [&](QPoint p, QPointF exact) {
        TLaidPoint leave = laid.back();
        leave.Role = TLaidRole::Leave;
        leave.HasSeamPrev = leave.HasSeamNext = false;
        laid.push_back(leave);
        TLaidPoint settle;
        settle.P = p;
        settle.Exact = exact;
        settle.Role = TLaidRole::Settle;
        laid.push_back(settle);
        TLaidPoint start;
        start.P = p;
        start.Exact = exact;
        laid.push_back(start);
        ++jumps;
    };
    for (const TLaserEntry& e : tour) {
        const TLaserShape& shape = shapes[e.Shape];
        const std::vector<int> order = DrawnOrder(shape, e.Vertex);
        const QPoint first = shape.Points[order[0]];
        size_t k = 0;
        if (!laid.empty()) {
            if (laid.back().P == first)
                k = 1;  // it goes on where the last shape ended
            else
                jumpTo(first, shape.Exact[order[0]]);
        }
        const size_t begin = laid.size();
        for (; k < order.size(); ++k) {
            TLaidPoint p;
            p.P = shape.Points[order[k]];
            p.Exact = shape.Exact[order[k]];
            laid.push_back(p);
        }
        if (shape.Closed && order.size() > 2 && laid.size() > begin) {
            if (k == order.size() && begin < laid.size() && laid[begin].P == first) {
                laid[begin].HasSeamPrev = true;
                laid[begin].SeamPrev = shape.Exact[order[order.size() - 2]];
            }
            laid.back().HasSeamNext = true;
            laid.back().SeamNext = shape.Exact[order[1]];
        }
    }
    // The loop closes back to the first point: directly when the path ends there,
    // else over a dark jump.
    if (laid.size() > 1 && laid.back().P == laid.front().P) {
        laid.pop_back();
        laid.front().HasSeamPrev = false;  // the drawn line comes in from the last point
    } else if (laid.size() > 1) {
        jumpTo(laid.front().P, laid.front().Exact);
    }

    TLaserPath path;
    path.Jumps = jumps;
    const int n = int(laid.size());
    path.Points.reserve(n);
    path.Flags.reserve(n);
    for (int i = 0; i < n; ++i) {
        const TLaidPoint& p = laid[i];
        path.Points.push_back(p.P);
        quint16 flags = 0;
        if (p.Role == TLaidRole::Leave) {
            flags = TSmallPoint::FlagBlank;
        } else if (p.Role == TLaidRole::Settle) {
            flags = TSmallPoint::FlagBlank | TSmallPoint::FlagSharp;
        } else {
            QPointF a, b;
            if (!LaidDirection(laid, i, -1, a) || !LaidDirection(laid, i, 1, b)) {
                flags = TSmallPoint::FlagSharp;  // a stroke's end
            } else {
                const double turn = std::abs(std::atan2(a.x() * b.y() - a.y() * b.x(), a.x() * b.x() + a.y() * b.y()));
                if (turn * 180.0 / std::numbers::pi > sharpAngle)
                    flags = TSmallPoint::FlagSharp;
            }
        }
        path.Flags.push_back(flags);
    }
    return path;
}
