#pragma once

#include <QtGlobal>

// The four driver delays: step counts for the three distance classes of a move
// and the hold per 90 degrees of turn at a sharp corner.
struct TScanDelays {
    quint16 Time5Degree = 30;   // axis distance below 32
    quint16 Time10Degree = 55;  // axis distance 32..63
    quint16 Time40Degree = 66;  // axis distance 64 or more
    quint16 TimeEdges = 30;     // samples held per 90 degrees at a sharp corner

    friend bool operator==(const TScanDelays&, const TScanDelays&) = default;
};
