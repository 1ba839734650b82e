#pragma once

#include "PointName.h"

#include <QtGlobal>

// One point of a frame's beam path. Coordinates are raw bytes of the 256 x 256
// drawing square; the display may mirror them, the model never does.
class TSmallPoint {
public:
    enum : quint16 {
        FlagSharp = 1,  // the corner at this point is held (sharp edge)
        FlagBlank = 2,  // the beam is off on the way from this point to the next
    };
    enum : quint16 { SelectionBit = 1 };

    TPointName Name;           // label, at most 5 bytes in a show file; mostly a number
    quint8 X = 0;
    quint8 Y = 0;
    quint16 Selection = 65535; // a new point has every bit set; read points have 0
    quint16 Flags = 0;
    bool Marked = false;       // transient mark, never stored

    void CopyFrom(const TSmallPoint& source) { *this = source; }

    bool IsSharp() const { return Flags & FlagSharp; }
    bool IsBlank() const { return Flags & FlagBlank; }
    bool IsSelected() const { return Selection & SelectionBit; }

    friend bool operator==(const TSmallPoint&, const TSmallPoint&) = default;
};
