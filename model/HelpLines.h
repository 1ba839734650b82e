#pragma once

#include <QtGlobal>
#include <array>
#include <vector>

// A point of a two-point help line; held in 32 bits, stored as its low byte.
struct TIntPoint {
    qint32 X = 0;
    qint32 Y = 0;
    friend bool operator==(const TIntPoint&, const TIntPoint&) = default;
};

// A frame's guide lines: vertical lines at XLines, horizontal lines at YLines and
// two-point lines from Lines2P[0][i] to Lines2P[1][i].
class THelpLines {
public:
    std::vector<quint8> XLines;
    std::vector<quint8> YLines;
    std::array<std::vector<TIntPoint>, 2> Lines2P; // both always the same length

    int Count2P() const { return int(Lines2P[0].size()); }
    void Add2P(TIntPoint from, TIntPoint to)
    {
        Lines2P[0].push_back(from);
        Lines2P[1].push_back(to);
    }
    bool IsEmpty() const { return XLines.empty() && YLines.empty() && Lines2P[0].empty(); }

    friend bool operator==(const THelpLines&, const THelpLines&) = default;
};
