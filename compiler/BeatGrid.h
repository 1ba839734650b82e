#pragma once

#include "Beats.h"

#include <vector>

// The corrections a user makes to the beats the tracker found. Each correction is
// a pure function: it returns the corrected grid and leaves its argument alone, so
// an edit history can keep both.

// Two beats closer than this are one: an edit that would make them so is refused.
constexpr double MinBeatGap = 0.01;

// Beats per minute from a robust line through beat time against beat number. The
// numbers come from the typical gap, so a skipped beat counts as two gaps and a
// stray beat in between is left out; 0 with fewer than two beats.
double TempoFromBeats(const std::vector<double>& beats);

// The index of the beat nearest to `at`; -1 without beats.
int NearestBeat(const TBeatGrid& grid, double at);

// Every other beat, keeping the first downbeat.
TBeatGrid HalveTempo(const TBeatGrid& grid);
// A beat added halfway between every two.
TBeatGrid DoubleTempo(const TBeatGrid& grid);
// Every beat moved half a beat later (direction > 0) or earlier, each by half of
// the gap it moves into. Beats that leave the music (before 0 or, when
// `duration` > 0, after it) are dropped; fewer than two beats have no gap to
// go by and stay.
TBeatGrid ShiftHalfBeat(const TBeatGrid& grid, int direction, double duration = 0);
// The beat nearest to `at` starts the first bar.
TBeatGrid SetFirstDownbeat(const TBeatGrid& grid, double at);
// Beat `index` moved to `to`, kept between its neighbours.
TBeatGrid MoveBeat(const TBeatGrid& grid, int index, double to);
// A beat added at `at`; unchanged when `at` is before the music or on a beat.
TBeatGrid AddBeat(const TBeatGrid& grid, double at);
TBeatGrid RemoveBeat(const TBeatGrid& grid, int index);

// The tempo a user taps along with the music.
struct TTapTempo {
    double Bpm = 0;       // 0: not enough taps
    double Anchor = 0;    // a beat, at the fitted time of the last tap

    bool IsValid() const { return Bpm > 0; }
};

// The tempo and phase of taps (seconds of music time, in order): a robust line
// through them, so a missed tap or a stray one does not move it. Needs two taps.
TTapTempo TempoFromTaps(const std::vector<double>& taps);
// Steady beats at the tapped tempo through the tapped phase, over the stretch the
// old beats covered (or the whole music when there were none), within
// [0, duration] when `duration` > 0. The first downbeat stays the beat nearest
// to where it was.
TBeatGrid ApplyTapTempo(const TBeatGrid& grid, const TTapTempo& tap, double duration = 0);
