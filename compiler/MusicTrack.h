#pragma once

#include "BeatTracker.h"
#include "Result.h"

#include <QString>
#include <QtGlobal>
#include <functional>
#include <memory>
#include <vector>

struct sf_private_tag;

// What a soundtrack's music may be. Checked from the file's header before anything is
// decoded, and again while decoding, so a header that lies costs no more: the
// outline of the longest music takes about 90 MB (8 bytes per millisecond) and the
// beat tracker's copy of it at 22050 Hz about 480 MB.
inline constexpr double MaxMusicSeconds = 3 * 3600.0;
inline constexpr int MaxMusicSampleRate = 768000;
inline constexpr int MaxMusicChannels = 64;

// What a music file holds, as its decoder reports it.
struct TMusicInfo {
    int SampleRate = 0;
    int Channels = 0;
    qint64 Frames = 0;      // sample frames (one sample per channel each); -1: the header does not tell
    QString Format;         // "WAV", "FLAC", "Ogg", "MP3", ... for messages

    double Seconds() const { return SampleRate > 0 ? double(Frames) / SampleRate : 0.0; }
};

// Reads a music file frame by frame: MP3 through libmpg123, WAV, FLAC, Ogg
// Vorbis/Opus and whatever else libsndfile decodes through libsndfile. Samples come
// out in -1..1 (NaN as 0, anything beyond as the nearest end). Music longer than
// MaxMusicSeconds, at a sample rate past 1..MaxMusicSampleRate or with more than
// MaxMusicChannels channels is refused; an MP3 that skips over damaged data fails
// where the damage is. Nothing is written to the terminal. Errors name the file and
// what happened.
class TMusicReader {
public:
    TMusicReader();
    ~TMusicReader();
    TMusicReader(const TMusicReader&) = delete;
    TMusicReader& operator=(const TMusicReader&) = delete;

    bool Open(const QString& fileName);
    void Close();
    bool IsOpen() const { return File != nullptr || Mpeg != nullptr; }
    const TMusicInfo& Info() const { return FInfo; }
    const QString& FileName() const { return FFileName; }
    QString Error() const { return FError; }

    // Interleaved frames; the count read, 0 at the end, -1 on a decoding error.
    qint64 ReadFloat(float* interleaved, qint64 frames);
    qint64 ReadShort(qint16* interleaved, qint64 frames);
    // Positions the next read at `frame` (clamped to the file).
    bool Seek(qint64 frame);

private:
    struct TMpeg;
    qint64 Failed(const QString& what);
    qint64 Refused(const QString& why);
    QString Shown() const;
    bool OpenSndFile(const QString& fileName);
    bool OpenMpeg(const QString& fileName);
    qint64 ReadMpeg(float* interleaved, qint64 frames);

    sf_private_tag* File = nullptr;
    std::unique_ptr<TMpeg> Mpeg;
    TMusicInfo FInfo;
    QString FFileName;
    QString FError;
    qint64 FPosition = 0;         // the frame the next read begins with
    std::vector<float> FScratch;  // ReadShort's floats
};

// "1:02:03.5" or "2:03.5": a length of music for messages.
QString MusicTimeText(double seconds);

// The music's loudness outline for drawing: the lowest and highest sample of
// every millisecond, and coarser levels of 2, 4, 8 ... ms built from them, so
// that any stretch of any length is summed up from two or three entries.
class TMusicEnvelope {
public:
    struct TPeak {
        qint16 Min = 0, Max = 0;
    };

    // `expectedFrames`, when known, saves growing the outline as it fills.
    void Reset(int sampleRate, qint64 expectedFrames = 0);
    // Mono samples in -1..1, in order; may be called with any block size. A
    // millisecond holds the samples that begin in it; below 1000 Hz, where a sample
    // lasts longer, the milliseconds it lasts into hold it too.
    void Add(const float* mono, qint64 count);
    // Closes the last millisecond (and the ones the last sample lasts into) and
    // builds the coarser levels.
    void Finish();

    qint64 DurationMs() const { return Levels.empty() ? 0 : qint64(Levels[0].size()); }
    bool IsEmpty() const { return DurationMs() == 0; }
    // The outline over the music time [fromMs, toMs); an empty peak outside the music.
    TPeak Range(qint64 fromMs, qint64 toMs) const;

private:
    void Close(qint64 upTo);

    std::vector<std::vector<TPeak>> Levels; // Levels[l]: buckets of 2^l ms
    int SampleRate = 0;
    qint64 SamplesSeen = 0;
    float BucketMin = 0, BucketMax = 0;     // the open bucket, the last one of Levels[0]
    float Last = 0;                         // the last sample
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
