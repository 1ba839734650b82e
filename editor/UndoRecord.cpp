#include "UndoRecord.h"

bool ApplyUndo(TUndoRecord& record, TLaserFrame& frame)
{
    const int count = frame.PointCount();
    const int index = record.UndoIndex;
    const bool onPoint = index >= 0 && index < count;
    bool changed = false;

    switch (record.UndoKind) {
    case TUndoRecord::KindMoved:
        if (onPoint) {
            frame.Points[index].X = record.UndoX;
            frame.Points[index].Y = record.UndoY;
            changed = true;
        }
        break;
    case TUndoRecord::KindAdded:
        if (onPoint) {
            frame.Points.erase(frame.Points.begin() + index);
            changed = true;
        }
        break;
    case TUndoRecord::KindDeleted:
        // Re-inserting may also append: one past the last point is a valid position.
        if (index >= 0 && index <= count) {
            frame.Points.insert(frame.Points.begin() + index, record.UndoPoint);
            changed = true;
        }
        break;
    default:
        break;
    }

    record.UndoKind = TUndoRecord::KindNone;
    return changed;
}
