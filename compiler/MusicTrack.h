#pragma once

#include "BeatTracker.h"
#include "Result.h"

#include <QString>
#include <QtGlobal>
#include <functional>
#include <vector>

struct sf_private_tag;

// What a music file holds, as its decoder reports it.
struct TMusicInfo {
    int SampleRate = 0;
    int Channels = 0;
    qint64 Frames = 0;      // sample frames (one sample per channel each)
    QString Format;         // "WAV", "FLAC", "Ogg", "MP3", ... for messages

    double Seconds() const { return SampleRate > 0 ? double(Frames) / SampleRate : 0.0; }
};

// Reads a music file (WAV, FLAC, Ogg Vorbis/Opus, MP3 and whatever else libsndfile
// decodes) frame by frame. Errors name the file and the decoder's reason.
class TMusicReader {
public:
    TMusicReader() = default;
    ~TMusicReader();
    TMusicReader(const TMusicReader&) = delete;
    TMusicReader& operator=(const TMusicReader&) = delete;

    bool Open(const QString& fileName);
    void Close();
    bool IsOpen() const { return File != nullptr; }
    const TMusicInfo& Info() const { return FInfo; }
    const QString& FileName() const { return FFileName; }
    QString Error() const { return FError; }

    // Interleaved frames; the count read, 0 at the end, -1 on a decoding error.
    qint64 ReadFloat(float* interleaved, qint64 frames);
    qint64 ReadShort(qint16* interleaved, qint64 frames);
    // Positions the next read at `frame` (clamped to the file).
    bool Seek(qint64 frame);

private:
    qint64 Failed(const QString& what);

    sf_private_tag* File = nullptr;
    TMusicInfo FInfo;
    QString FFileName;
    QString FError;
};

// The music's loudness outline for drawing: the lowest and highest sample of
// every millisecond, and coarser levels of 2, 4, 8 ... ms built from them, so
// that any stretch of any length is summed up from two or three entries.
class TMusicEnvelope {
public:
    struct TPeak {
        qint16 Min = 0, Max = 0;
    };

    void Reset(int sampleRate);
    // Mono samples in -1..1, in order; may be called with any block size.
    void Add(const float* mono, qint64 count);
    // Closes the last millisecond and builds the coarser levels.
    void Finish();

    qint64 DurationMs() const { return Levels.empty() ? 0 : qint64(Levels[0].size()); }
    bool IsEmpty() const { return DurationMs() == 0; }
    // The outline over the music time [fromMs, toMs); an empty peak outside the music.
    TPeak Range(qint64 fromMs, qint64 toMs) const;

private:
    std::vector<std::vector<TPeak>> Levels; // Levels[l]: buckets of 2^l ms
    int SampleRate = 0;
    qint64 SamplesSeen = 0;
    qint64 BucketEnd = 0;                   // sample index where the open bucket ends
    float BucketMin = 0, BucketMax = 0;
    bool BucketOpen = false;
};

// Everything the editor and the command line learn from a music file.
struct TMusicAnalysis {
    QString FileName;
    TMusicInfo Info;
    TMusicEnvelope Envelope;
    std::vector<double> Beats;   // seconds from the start of the music, ascending
    std::vector<double> Onsets;  // seconds from the start of the music, ascending
    double Bpm = 0;              // 0 when no tempo was found
};

struct TMusicResult {
    TResult outcome = TResult::Failure({});   // names the file
    bool cancelled = false;
};

// Called now and then with the share done (0..1); returning false cancels.
using TMusicProgress = std::function<bool(double done)>;

// Decodes the whole file once and finds its outline, onsets, beats and tempo
// (within the tempo range of `options`) from that one pass.
// Safe to run on any thread: it touches nothing but its arguments.
TMusicResult AnalyseMusic(const QString& fileName, TMusicAnalysis& analysis,
                          const TMusicProgress& progress = {}, const TBeatOptions& options = {});
