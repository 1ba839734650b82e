#pragma once

#include <QtGlobal>

#include <memory>
#include <vector>

// The tempi the tracker chooses from. Music has beats at several speeds at once
// (a bar, a beat, its halves); the tracker picks the one a listener taps, and a
// range that leaves out one octave steers it to the other.
struct TBeatOptions {
    static constexpr double LowestBpm = 20, HighestBpm = 400;   // what a range may span
    double MinBpm = 55;
    double MaxBpm = 215;
};

// Finds the beats, onsets and tempo of mono audio. Feed it the samples in order,
// in blocks of any size, then call Finish (once: it is done then). Samples that
// are no number count as silence.
//
// The music is resampled to a fixed rate so every size below is in seconds,
// whatever the file's rate. One spectral analysis (46 ms frames every 5.8 ms)
// gives three onset features that are summed into one onset strength: a
// log-magnitude spectral flux against a maximum filter across frequency (so
// vibrato and sliding notes do not count as onsets), a complex-domain
// deviation (soft onsets that change phase more than loudness), and the flux of
// the band under 150 Hz (the kick). The tempo comes from the autocorrelation of
// that strength through a comb of its harmonics with a mild preference for
// about 120 bpm; beats are placed by dynamic programming that lets the tempo
// drift or change and never skips a beat; each beat is then moved to the
// steepest rise of energy within 25 ms (to the sample), and steady stretches
// are straightened by a line through their neighbours.
class TBeatTracker {
public:
    static constexpr int AnalysisRate = 22050;
    static constexpr int FrameSize = 1024;   // 46 ms
    static constexpr int HopSize = 128;      // 5.8 ms

    explicit TBeatTracker(int sampleRate, const TBeatOptions& options = {});
    ~TBeatTracker();
    TBeatTracker(const TBeatTracker&) = delete;
    TBeatTracker& operator=(const TBeatTracker&) = delete;

    bool IsValid() const;
    void Add(const float* mono, qint64 count);
    void Finish();

    // Seconds from the start of the audio, ascending.
    const std::vector<double>& Beats() const { return FBeats; }
    const std::vector<double>& Onsets() const { return FOnsets; }
    // Beats per minute from a line through the beats; 0 with fewer than two.
    double Bpm() const { return FBpm; }

private:
    struct TState;
    std::unique_ptr<TState> State;
    std::vector<double> FBeats, FOnsets;
    double FBpm = 0;
};
