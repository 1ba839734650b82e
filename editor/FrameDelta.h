#pragma once

#include "LaserFrame.h"
#include "ShowChanges.h"

#include <optional>
#include <vector>

// What a step may change of a frame: the parts a snapshot copies and a delta compares.
// Head is everything but the points and the links.
constexpr TShowChanges HeadChanges = TShowChange::Timing | TShowChange::Properties;
constexpr TShowChanges AllFrameChanges = TShowChange::Points | TShowChange::Links | HeadChanges;

// A change of a link matrix as the history keeps it: the dimensions and the columns
// whose bits differ, so that a fit or a toggled link costs only what it changed; or,
// when most of the matrix changed, the other matrix itself, swapped in and out.
class TLinksChange {
public:
    TLinksChange() = default;
    TLinksChange(TLinkMatrix before, const TLinkMatrix& after);

    bool IsEmpty() const { return !FOther && FRows[0] == FRows[1] && FCols[0] == FCols[1] && FColumns.empty(); }
    // Turns `links` into the state before (forward false) or after (true). Undo and
    // redo take turns, so the swapped matrix is always the other state.
    void Apply(TLinkMatrix& links, bool forward);
    qint64 Cost() const;

private:
    int FRows[2] = {0, 0}, FCols[2] = {0, 0};
    struct TColumn {
        qint32 Index;
        std::vector<quint64> Bits[2];
    };
    std::vector<TColumn> FColumns;
    std::optional<TLinkMatrix> FOther;
};

// The difference between two states of one frame, kept small where frames are big:
// a drag of one point keeps that point, a transform of the whole frame only the
// values of the points, an inserted or deleted point the run between the parts that stayed.
// Only the parts in `scope` are compared. The transient Marked flag is not part of it.
class TFrameDelta {
public:
    TFrameDelta() = default;
    TFrameDelta(TLaserFrame before, const TLaserFrame& after, TShowChanges scope = AllFrameChanges);

    bool IsEmpty() const { return FChanges == TShowChanges(); }
    TShowChanges Changes() const { return FChanges; }

    // Turn the frame from the state `after` into `before`, or back; in turns.
    void Revert(TLaserFrame& frame) { Apply(frame, false); }
    void Reapply(TLaserFrame& frame) { Apply(frame, true); }

    // Bytes this delta holds, for the history's memory budget.
    qint64 Cost() const;

    // A copy of the parts of `frame` in `scope`, to compare against after a change.
    static TLaserFrame Snapshot(const TLaserFrame& frame, TShowChanges scope);
    // Equal for the show file and the views: everything but Marked.
    static bool SamePoint(const TSmallPoint& a, const TSmallPoint& b);
    static void CopyHead(TLaserFrame& to, const TLaserFrame& from);
    // Rough bytes of a whole frame (points, links, head), for frames the history holds.
    static qint64 FrameCost(const TLaserFrame& frame);
    static qint64 LinksCost(const TLinkMatrix& links);

private:
    void DiffPoints(const std::vector<TSmallPoint>& before, const std::vector<TSmallPoint>& after);
    void Apply(TLaserFrame& frame, bool forward);

    TShowChanges FChanges;
    // The head, when it differs: [0] before, [1] after.
    std::optional<TLaserFrame> FHead[2];
    std::optional<TLinksChange> FLinks;

    // Same point count, only coordinates changed: a transform or a drag.
    struct TMove {
        qint32 Index;
        quint8 X[2], Y[2];
    };
    std::vector<TMove> FMoves;
    // Same point count, names unchanged: only the values of the changed points.
    struct TValues {
        qint32 Index;
        quint8 X[2], Y[2];
        quint16 Flags[2], Selection[2];
    };
    std::vector<TValues> FValues;
    // Same point count, names changed as well.
    struct TPointChange {
        qint32 Index;
        TSmallPoint Point[2];
    };
    std::vector<TPointChange> FPointChanges;
    // Different counts: points [FRunStart, FRunStart + size) differ, [0] before, [1] after.
    bool FHasRun = false;
    qint32 FRunStart = 0;
    // The last FSuffix points outside the run have their numbers moved by FShift after.
    qint32 FShift = 0, FSuffix = 0;
    std::vector<TSmallPoint> FRun[2];
};
