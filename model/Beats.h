#pragma once

#include <vector>

// The beats of a piece of music with the beat that starts the first bar, as the
// soundtrack keeps them once the user has corrected what the tracker found.
struct TBeatGrid {
    std::vector<double> Beats;   // seconds from the start of the music, ascending
    int FirstDownbeat = 0;       // index of the beat that starts the first bar

    friend bool operator==(const TBeatGrid&, const TBeatGrid&) = default;
};
