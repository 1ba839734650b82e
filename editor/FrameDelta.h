#pragma once

#include "LaserFrame.h"
#include "ShowChanges.h"

#include <optional>
#include <vector>

// The difference between two states of one frame, kept small where frames are big:
// a drag of one point keeps that point, a transform of the whole frame only the
// coordinates, an inserted or deleted point the run between the parts that stayed.
// The transient Marked flag is not part of it.
class TFrameDelta {
public:
    TFrameDelta() = default;
    TFrameDelta(const TLaserFrame& before, const TLaserFrame& after);

    bool IsEmpty() const { return FChanges == TShowChanges(); }
    TShowChanges Changes() const { return FChanges; }

    // Turn the frame from the state `after` into `before`, or back.
    void Revert(TLaserFrame& frame) const { Apply(frame, false); }
    void Reapply(TLaserFrame& frame) const { Apply(frame, true); }

    // Bytes this delta holds, for the history's memory budget.
    qint64 Cost() const;

    // Equal for the show file and the views: everything but Marked.
    static bool SamePoint(const TSmallPoint& a, const TSmallPoint& b);
    // Everything of a frame but its points and links.
    static bool SameHead(const TLaserFrame& a, const TLaserFrame& b);
    static void CopyHead(TLaserFrame& to, const TLaserFrame& from);
    // Rough bytes of a whole frame (points, links, head), for frames the history holds.
    static qint64 FrameCost(const TLaserFrame& frame);
    static qint64 LinksCost(const TLinkMatrix& links);

private:
    void DiffPoints(const std::vector<TSmallPoint>& before, const std::vector<TSmallPoint>& after);
    void Apply(TLaserFrame& frame, bool forward) const;

    TShowChanges FChanges;
    // Head and links, when they differ: [0] before, [1] after.
    std::optional<TLaserFrame> FHead[2];
    std::optional<TLinkMatrix> FLinks[2];

    // Same point count and only coordinates changed.
    struct TMove {
        qint32 Index;
        quint8 X[2], Y[2];
    };
    std::vector<TMove> FMoves;
    // Same point count, other fields changed.
    struct TPointChange {
        qint32 Index;
        TSmallPoint Point[2];
    };
    std::vector<TPointChange> FPointChanges;
    // Different counts: points [FRunStart, FRunStart + size) differ, [0] before, [1] after.
    bool FHasRun = false;
    qint32 FRunStart = 0;
    std::vector<TSmallPoint> FRun[2];
};
