#pragma once

#include <QPoint>
#include <vector>

// The order in which the beam draws the shapes of a frame: greedy nearest neighbour.
// The first shape is entered at its first point; after each shape the next one is the
// shape not drawn yet with an entry nearest to where the beam left the last. An open
// shape is entered at either end and left at the other; a closed shape is entered at
// any of its points and left there again, after going round. Equal distances go to
// the earlier shape, then to its earlier point, so the order depends only on the shapes.
//
// Points lie in the 256 x 256 drawing square (0..255 on both axes). The entries sit in
// cells of one unit under a pyramid of counts of the entries not used yet, so finding
// the nearest one looks only at the parts of the square that can hold it, whatever the
// number of shapes and however they crowd: O(log) per step, O(n log n) in all, where
// a plain grid slows down quadratically once thousands of shapes share a cell.

// One shape as the ordering sees it; the points are not copied.
struct TOrderShape {
    const QPoint* Points = nullptr;
    int Count = 0;
    bool Closed = false;
};

// A shape in the drawing order, with the point it is entered at.
struct TShapeVisit {
    int Shape = -1;
    int Entry = 0;
};

// Every shape once, in drawing order, beginning with shape 0 entered at point 0.
std::vector<TShapeVisit> NearestShapeOrder(const std::vector<TOrderShape>& shapes);

// The entries of the shapes not used yet, for the nearest-entry search. The shapes
// must outlive it.
class TShapeEntryIndex {
public:
    explicit TShapeEntryIndex(const std::vector<TOrderShape>& shapes);

    // The shape is drawn: its entries are no longer offered. Once per shape.
    void Use(int shape);
    // The nearest entry of a shape not used yet; Shape is -1 when none is left.
    TShapeVisit Nearest(QPoint from) const;
    // Where the beam is after drawing `shape` entered at `entry`.
    static QPoint Exit(const TOrderShape& shape, int entry);

private:
    static constexpr int Side = 256;
    static constexpr int Levels = 9;  // cells of 1, 2, 4 ... 256 units

    struct TBest {
        long long Distance;
        TShapeVisit Visit;
    };
    void Search(int level, int x, int y, QPoint from, TBest& best) const;
    void ForEachEntry(int shape, auto&& f) const;
    static int CellOf(QPoint p);

    const std::vector<TOrderShape>& FShapes;
    std::vector<char> FUsed;
    std::vector<int> FCellStart;          // entries of cell c: FEntries[FCellStart[c] .. FCellStart[c + 1])
    std::vector<TShapeVisit> FEntries;    // by cell, then by shape and point
    mutable std::vector<int> FCellHead;   // first entry of the cell whose shape may be unused
    std::vector<std::vector<int>> FAlive; // FAlive[l]: unused entries per block of 2^l units
};
