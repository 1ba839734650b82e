#include "ShapeOrder.h"

#include <algorithm>
#include <climits>

TShapeEntryIndex::TShapeEntryIndex(const std::vector<TOrderShape>& shapes)
    : FShapes(shapes), FUsed(shapes.size(), 0), FCellStart(Side * Side + 1, 0), FCellHead(Side * Side),
      FAlive(Levels)
{
    // Counted first, then placed: shape by shape and point by point, so each cell
    // lists its entries in the order ties are decided by.
    for (int s = 0; s < int(shapes.size()); ++s)
        ForEachEntry(s, [&](int, QPoint p) { ++FCellStart[CellOf(p) + 1]; });
    for (int c = 0; c < Side * Side; ++c)
        FCellStart[c + 1] += FCellStart[c];
    FEntries.resize(size_t(FCellStart.back()));
    std::vector<int> fill(FCellStart.begin(), FCellStart.end() - 1);
    for (int s = 0; s < int(shapes.size()); ++s)
        ForEachEntry(s, [&](int v, QPoint p) { FEntries[size_t(fill[CellOf(p)]++)] = {s, v}; });
    std::copy(FCellStart.begin(), FCellStart.end() - 1, FCellHead.begin());

    for (int l = 0; l < Levels; ++l)
        FAlive[l].assign(size_t((Side >> l) * (Side >> l)), 0);
    for (int c = 0; c < Side * Side; ++c) {
        const int n = FCellStart[c + 1] - FCellStart[c];
        if (n == 0)
            continue;
        const int x = c % Side, y = c / Side;
        for (int l = 0; l < Levels; ++l)
            FAlive[l][size_t((y >> l) * (Side >> l) + (x >> l))] += n;
    }
}

int TShapeEntryIndex::CellOf(QPoint p)
{
    return std::clamp(p.y(), 0, Side - 1) * Side + std::clamp(p.x(), 0, Side - 1);
}

// An open shape is entered at one of its ends, a closed one anywhere.
void TShapeEntryIndex::ForEachEntry(int shape, auto&& f) const
{
    const TOrderShape& s = FShapes[size_t(shape)];
    if (s.Closed) {
        for (int v = 0; v < s.Count; ++v)
            f(v, s.Points[v]);
    } else if (s.Count > 0) {
        f(0, s.Points[0]);
        if (s.Count > 1)
            f(s.Count - 1, s.Points[s.Count - 1]);
    }
}

void TShapeEntryIndex::Use(int shape)
{
    if (FUsed[size_t(shape)])
        return;
    FUsed[size_t(shape)] = 1;
    ForEachEntry(shape, [&](int, QPoint p) {
        const int c = CellOf(p), x = c % Side, y = c / Side;
        for (int l = 0; l < Levels; ++l)
            --FAlive[l][size_t((y >> l) * (Side >> l) + (x >> l))];
    });
}

QPoint TShapeEntryIndex::Exit(const TOrderShape& shape, int entry)
{
    if (shape.Count == 0)
        return {};
    if (shape.Closed)
        return shape.Points[entry];
    return entry == 0 ? shape.Points[shape.Count - 1] : shape.Points[0];
}

TShapeVisit TShapeEntryIndex::Nearest(QPoint from) const
{
    TBest best{LLONG_MAX, {}};
    Search(Levels - 1, 0, 0, from, best);
    return best.Visit;
}

// Squared distance from `p` to the nearest point of the block [x0, x0 + size) x [y0, y0 + size).
static long long ShapeOrderBlockDistance(QPoint p, int x0, int y0, int size)
{
    const long long dx = std::max({0, x0 - p.x(), p.x() - (x0 + size - 1)});
    const long long dy = std::max({0, y0 - p.y(), p.y() - (y0 + size - 1)});
    return dx * dx + dy * dy;
}

// Depth first through the blocks that still hold entries, nearer blocks first; a
// block farther than the best entry so far cannot hold a better one (one just as far
// may hold an earlier shape, so it is looked at).
void TShapeEntryIndex::Search(int level, int x, int y, QPoint from, TBest& best) const
{
    if (level == 0) {
        const int c = y * Side + x;
        int& head = FCellHead[size_t(c)];
        while (head < FCellStart[size_t(c) + 1] && FUsed[size_t(FEntries[size_t(head)].Shape)])
            ++head;
        if (head == FCellStart[size_t(c) + 1])
            return;
        const TShapeVisit e = FEntries[size_t(head)];
        const long long dx = x - from.x(), dy = y - from.y();
        const long long d = dx * dx + dy * dy;
        const bool earlier = e.Shape < best.Visit.Shape || (e.Shape == best.Visit.Shape && e.Entry < best.Visit.Entry);
        if (d < best.Distance || (d == best.Distance && earlier))
            best = {d, e};
        return;
    }
    const int child = level - 1, size = 1 << child, across = Side >> child;
    struct TChild {
        long long Distance;
        int X, Y;
    };
    TChild children[4];
    int n = 0;
    for (int k = 0; k < 4; ++k) {
        const int cx = 2 * x + (k & 1), cy = 2 * y + (k >> 1);
        if (FAlive[size_t(child)][size_t(cy * across + cx)] == 0)
            continue;
        // Kept sorted as they come: nearer blocks first.
        TChild c{ShapeOrderBlockDistance(from, cx * size, cy * size, size), cx, cy};
        int at = n++;
        for (; at > 0 && children[at - 1].Distance > c.Distance; --at)
            children[at] = children[at - 1];
        children[at] = c;
    }
    for (int k = 0; k < n; ++k)
        if (children[k].Distance <= best.Distance)
            Search(child, children[k].X, children[k].Y, from, best);
}

std::vector<TShapeVisit> NearestShapeOrder(const std::vector<TOrderShape>& shapes)
{
    std::vector<TShapeVisit> order;
    if (shapes.empty())
        return order;
    order.reserve(shapes.size());
    TShapeEntryIndex index(shapes);
    TShapeVisit next{0, 0};
    while (next.Shape >= 0) {
        index.Use(next.Shape);
        order.push_back(next);
        next = index.Nearest(TShapeEntryIndex::Exit(shapes[size_t(next.Shape)], next.Entry));
    }
    return order;
}
