#pragma once

#include <QFlags>

// What a change of the show touched, so that each view redraws only what it shows.
enum class TShowChange : unsigned {
    Points = 0x01,      // positions, names, flags and selection of points
    Links = 0x02,       // the link matrix to the previous frame
    Timing = 0x04,      // delay, morph time, effect and its parameter
    Properties = 0x08,  // name, colour, lock, centres, help lines, background image
    FrameList = 0x10,   // frames inserted, removed or moved
    Soundtrack = 0x20,  // the music and its offset
    Beats = 0x40,       // the soundtrack's beats as the user corrected them
};
Q_DECLARE_FLAGS(TShowChanges, TShowChange)
Q_DECLARE_OPERATORS_FOR_FLAGS(TShowChanges)
