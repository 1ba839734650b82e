#pragma once

#include "LaserFrame.h"
#include "SmallPoint.h"

// The single-step undo of the last point edit on the sketchpad. It does not say
// which frame it came from: it is applied to whatever frame is current.
struct TUndoRecord {
    enum : quint8 {
        KindNone = 0,
        KindMoved = 1,   // UndoX/UndoY are the point's position before the drag
        KindAdded = 2,   // the point at UndoIndex was added
        KindDeleted = 3, // UndoPoint was removed from UndoIndex
    };

    quint8 UndoKind = KindNone;
    int UndoIndex = 0;
    quint8 UndoX = 0, UndoY = 0;
    TSmallPoint UndoPoint;
};

// Applies the record to `frame` (kinds 1 move back, 2 remove added, 3 re-insert deleted;
// an index that is no valid position for the operation changes nothing), then sets
// UndoKind = 0 so the record is used at most once. Returns true when the frame changed.
bool ApplyUndo(TUndoRecord& record, TLaserFrame& frame);
