#pragma once

#include <QString>
#include <QtGlobal>
#include <vector>

#include <memory>

// Finds beats, onsets and the tempo of mono audio with aubio. Feed it the
// samples in order, in blocks of any size, then call Finish.
class TBeatTracker {
public:
    static constexpr int WindowSize = 1024;
    static constexpr int HopSize = 512;
    // aubio's tempo tracker keeps about six seconds of its hops, so its memory grows
    // with the rate (some 200 MB at 2^31 Hz); past this rate the tracker is not valid.
    static constexpr int MaxSampleRate = 768000;

    explicit TBeatTracker(int sampleRate);
    ~TBeatTracker();
    TBeatTracker(const TBeatTracker&) = delete;
    TBeatTracker& operator=(const TBeatTracker&) = delete;

    // Why aubio cannot be used (the loader's reason); empty when it can.
    static QString LibraryError();

    bool IsValid() const;
    void Add(const float* mono, qint64 count);
    void Finish();

    // Seconds from the start of the audio.
    const std::vector<double>& Beats() const { return FBeats; }
    const std::vector<double>& Onsets() const { return FOnsets; }
    // Beats per minute from the typical distance between beats; 0 with fewer than two.
    double Bpm() const;

private:
    void RunHop();
    double Duration() const;

    struct TAubio;
    int SampleRate;
    std::unique_ptr<TAubio> Aubio;
    int Filled = 0;
    qint64 Samples = 0;
    std::vector<double> FBeats, FOnsets;
    std::vector<double> Periods;   // the tracker's beat period (s) when it gave each beat
};

// aubio's tracker skips beats it is not sure of. Fills each gap of about a whole
// number of periods with the beats it passed over, and extends the beats before the
// first and after the last one as long as onsets carry on in step. `periods` holds
// the beat period (seconds) at each beat; added beats sit at the matching onsets.
std::vector<double> CompleteBeats(const std::vector<double>& beats, const std::vector<double>& periods,
                                  const std::vector<double>& onsets, double duration);

// Beats per minute from the median distance between consecutive beats.
double TempoFromBeats(const std::vector<double>& beats);
