#include "MusicTrack.h"

#include "OutputFile.h"

#include "BeatTracker.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <new>

namespace {

QString FormatName(int format)
{
    switch (format & SF_FORMAT_TYPEMASK) {
    case SF_FORMAT_WAV:
    case SF_FORMAT_WAVEX:
    case SF_FORMAT_RF64: return QStringLiteral("WAV");
    case SF_FORMAT_FLAC: return QStringLiteral("FLAC");
    case SF_FORMAT_OGG: return QStringLiteral("Ogg");
    case SF_FORMAT_MPEG: return QStringLiteral("MP3");
    case SF_FORMAT_AIFF: return QStringLiteral("AIFF");
    default: break;
    }
    SF_FORMAT_INFO info{};
    info.format = format & SF_FORMAT_TYPEMASK;
    if (sf_command(nullptr, SFC_GET_FORMAT_INFO, &info, sizeof info) == 0 && info.name)
        return QString::fromUtf8(info.name);
    return QStringLiteral("audio");
}

qint16 ToPeak(float v)
{
    return qint16(std::nearbyint(std::clamp(v, -1.0f, 1.0f) * 32767.0f));
}

TMusicEnvelope::TPeak Merge(const TMusicEnvelope::TPeak& a, const TMusicEnvelope::TPeak& b)
{
    return {std::min(a.Min, b.Min), std::max(a.Max, b.Max)};
}

} // namespace

// --- reader ----------------------------------------------------------------------------------

TMusicReader::~TMusicReader()
{
    Close();
}

bool TMusicReader::Open(const QString& fileName)
{
    Close();
    FFileName = fileName;
    FError.clear();
    const QString shown = QDir::toNativeSeparators(fileName);
    // A folder or a pipe is turned away before anything opens it (a pipe would block),
    // then the system gives its own reason for a file that cannot be opened at all.
    bool missing = false;
    QString problem = InputFileProblem(fileName, &missing);
    if (problem.isEmpty() || missing) {
        QFile probe(fileName);
        if (!probe.open(QIODevice::ReadOnly))
            problem = probe.errorString();
    }
    if (!problem.isEmpty()) {
        FError = QStringLiteral("Cannot open the music file \"%1\": %2").arg(shown, problem);
        return false;
    }

    SF_INFO info{};
    File = sf_open(QFile::encodeName(fileName).constData(), SFM_READ, &info);
    if (!File) {
        FError = QStringLiteral("The music file \"%1\" cannot be read: %2 "
                                "(WAV, FLAC, Ogg and MP3 files can be read).")
                     .arg(shown, QString::fromUtf8(sf_strerror(nullptr)).trimmed());
        return false;
    }
    if (info.samplerate <= 0 || info.channels <= 0) {
        Close();
        FError = QStringLiteral("The music file \"%1\" holds no sound.").arg(shown);
        return false;
    }
    // Float files read as integers are scaled, not clipped.
    sf_command(File, SFC_SET_SCALE_FLOAT_INT_READ, nullptr, SF_TRUE);
    FInfo.SampleRate = info.samplerate;
    FInfo.Channels = info.channels;
    FInfo.Frames = std::max<sf_count_t>(info.frames, 0);
    FInfo.Format = FormatName(info.format);
    return true;
}

void TMusicReader::Close()
{
    if (File)
        sf_close(File);
    File = nullptr;
    FInfo = TMusicInfo();
}

qint64 TMusicReader::Failed(const QString& what)
{
    FError = QStringLiteral("The music file \"%1\" cannot be %2: %3")
                 .arg(QDir::toNativeSeparators(FFileName), what, QString::fromUtf8(sf_strerror(File)));
    return -1;
}

qint64 TMusicReader::ReadFloat(float* interleaved, qint64 frames)
{
    if (!File)
        return -1;
    const sf_count_t n = sf_readf_float(File, interleaved, frames);
    if (n == 0 && sf_error(File) != SF_ERR_NO_ERROR)
        return Failed(QStringLiteral("decoded"));
    return n;
}

qint64 TMusicReader::ReadShort(qint16* interleaved, qint64 frames)
{
    if (!File)
        return -1;
    const sf_count_t n = sf_readf_short(File, interleaved, frames);
    if (n == 0 && sf_error(File) != SF_ERR_NO_ERROR)
        return Failed(QStringLiteral("decoded"));
    return n;
}

bool TMusicReader::Seek(qint64 frame)
{
    if (!File)
        return false;
    frame = std::clamp<qint64>(frame, 0, FInfo.Frames);
    if (sf_seek(File, frame, SEEK_SET) < 0) {
        Failed(QStringLiteral("positioned"));
        return false;
    }
    return true;
}

// --- envelope --------------------------------------------------------------------------------

void TMusicEnvelope::Reset(int sampleRate)
{
    Levels.assign(1, {});
    SampleRate = std::max(sampleRate, 1);
    SamplesSeen = 0;
    BucketEnd = 0;
    BucketOpen = false;
}

void TMusicEnvelope::Add(const float* mono, qint64 count)
{
    if (Levels.empty())
        Reset(SampleRate);
    std::vector<TPeak>& base = Levels[0];
    for (qint64 i = 0; i < count; ++i) {
        const float v = mono[i];
        if (!BucketOpen) {
            BucketOpen = true;
            BucketMin = BucketMax = v;
            // Millisecond k ends at sample floor((k + 1) * rate / 1000).
            BucketEnd = (qint64(base.size()) + 1) * SampleRate / 1000;
        } else {
            BucketMin = std::min(BucketMin, v);
            BucketMax = std::max(BucketMax, v);
        }
        if (++SamplesSeen >= BucketEnd) {
            base.push_back({ToPeak(BucketMin), ToPeak(BucketMax)});
            BucketOpen = false;
        }
    }
}

void TMusicEnvelope::Finish()
{
    if (Levels.empty())
        return;
    if (BucketOpen) {
        Levels[0].push_back({ToPeak(BucketMin), ToPeak(BucketMax)});
        BucketOpen = false;
    }
    Levels.resize(1);
    while (Levels.back().size() > 1) {
        const std::vector<TPeak>& fine = Levels.back();
        std::vector<TPeak> coarse((fine.size() + 1) / 2);
        for (size_t i = 0; i < coarse.size(); ++i)
            coarse[i] = 2 * i + 1 < fine.size() ? Merge(fine[2 * i], fine[2 * i + 1]) : fine[2 * i];
        Levels.push_back(std::move(coarse));
    }
}

TMusicEnvelope::TPeak TMusicEnvelope::Range(qint64 fromMs, qint64 toMs) const
{
    fromMs = std::max<qint64>(fromMs, 0);
    toMs = std::min(toMs, DurationMs());
    if (fromMs >= toMs)
        return {};
    // Buckets of at most half the span: five at most, and the edges stay sharp.
    int level = 0;
    while (level + 1 < int(Levels.size()) && (qint64(2) << (level + 1)) <= toMs - fromMs)
        ++level;
    const std::vector<TPeak>& buckets = Levels[size_t(level)];
    const qint64 first = fromMs >> level, last = (toMs - 1) >> level;
    TPeak peak = buckets[size_t(first)];
    for (qint64 b = first + 1; b <= last; ++b)
        peak = Merge(peak, buckets[size_t(b)]);
    return peak;
}

// --- analysis --------------------------------------------------------------------------------

TMusicResult AnalyseMusic(const QString& fileName, TMusicAnalysis& analysis, const TMusicProgress& progress,
                          const TBeatOptions& options)
{
    TMusicResult result;
    TMusicReader reader;
    if (!reader.Open(fileName)) {
        result.outcome.message = reader.Error();
        return result;
    }
    const TMusicInfo info = reader.Info();
    TMusicAnalysis out;
    out.FileName = fileName;
    out.Info = info;
    out.Envelope.Reset(info.SampleRate);
    TBeatTracker tracker(info.SampleRate, options);
    if (!tracker.IsValid()) {
        result.outcome.message = QStringLiteral("The music file \"%1\" cannot be analysed at %2 Hz.")
                             .arg(QDir::toNativeSeparators(fileName))
                             .arg(info.SampleRate);
        return result;
    }

    constexpr qint64 Block = 8192;
    try {
        std::vector<float> frames(size_t(Block) * size_t(info.Channels));
        std::vector<float> mono(static_cast<size_t>(Block));
        qint64 done = 0, reported = 0;
        for (;;) {
            const qint64 n = reader.ReadFloat(frames.data(), Block);
            if (n < 0) {
                result.outcome.message = reader.Error();
                return result;
            }
            if (n == 0)
                break;
            const int ch = info.Channels;
            for (qint64 i = 0; i < n; ++i) {
                float sum = 0;
                for (int c = 0; c < ch; ++c)
                    sum += frames[size_t(i * ch + c)];
                mono[size_t(i)] = sum / float(ch);
            }
            out.Envelope.Add(mono.data(), n);
            tracker.Add(mono.data(), n);
            done += n;
            // About every second of music: cheap enough, and cancels promptly.
            if (progress && done - reported >= info.SampleRate) {
                reported = done;
                const double share = info.Frames > 0 ? std::min(1.0, double(done) / double(info.Frames)) : 0.0;
                if (!progress(share)) {
                    result.cancelled = true;
                    result.outcome.message = QStringLiteral("Cancelled");
                    return result;
                }
            }
        }
        out.Info.Frames = done; // what was decoded, whatever the header promised
    } catch (const std::bad_alloc&) {
        result.outcome.message = QStringLiteral("Not enough memory to read the music file \"%1\".")
                             .arg(QDir::toNativeSeparators(fileName));
        return result;
    }
    out.Envelope.Finish();
    tracker.Finish();
    out.Beats = tracker.Beats();
    out.Onsets = tracker.Onsets();
    out.Bpm = tracker.Bpm();
    if (progress)
        progress(1.0);
    analysis = std::move(out);
    result.outcome.ok = true;
    return result;
}
