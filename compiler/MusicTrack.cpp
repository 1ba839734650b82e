#include "MusicTrack.h"

#include "OutputFile.h"

#include "BeatTracker.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <mpg123.h>
#include <sndfile.h>

#include <algorithm>
#include <climits>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <new>

#include <fcntl.h>
#include <unistd.h>

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

// A sample as the outline and the beat tracker take it: NaN is silence, and
// anything past full scale (infinities too) is full scale.
float MusicSample(float v)
{
    if (!(v == v))
        return 0.0f;
    return std::clamp(v, -1.0f, 1.0f);
}

qint16 ToPeak(float v)
{
    return qint16(std::nearbyint(MusicSample(v) * 32767.0f));
}

TMusicEnvelope::TPeak Merge(const TMusicEnvelope::TPeak& a, const TMusicEnvelope::TPeak& b)
{
    return {std::min(a.Min, b.Min), std::max(a.Max, b.Max)};
}

// What the first bytes say of a file: MP3 (an ID3 tag or an MPEG frame header) goes
// to libmpg123, which can be kept quiet and tells damage apart, everything else to
// libsndfile. A file named .mp3 that no other decoder claims by its first bytes is
// tried as MP3 too.
bool LooksLikeMpeg(const QString& fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray head = file.read(4);
    if (head.startsWith("ID3"))
        return true;
    if (head.size() >= 2 && uchar(head[0]) == 0xff && (uchar(head[1]) & 0xe0) == 0xe0)
        return true;
    for (const char* magic : {"RIFF", "RIFX", "RF64", "fLaC", "OggS", "FORM", ".snd", "caff", "wvpk", "MThd"})
        if (head.startsWith(magic))
            return false;
    const QString suffix = QFileInfo(fileName).suffix().toLower();
    return suffix == QLatin1String("mp3") || suffix == QLatin1String("mp2") || suffix == QLatin1String("mpga");
}

} // namespace

QString MusicTimeText(double seconds)
{
    if (!(seconds >= 0) || seconds > 1e12)
        return QStringLiteral("?");
    const qint64 tenths = qint64(std::floor(seconds * 10));
    const qint64 s = tenths / 10, h = s / 3600, m = s / 60 % 60;
    const QString rest = QStringLiteral("%1.%2").arg(s % 60, 2, 10, QLatin1Char('0')).arg(tenths % 10);
    return h > 0 ? QStringLiteral("%1:%2:%3").arg(h).arg(m, 2, 10, QLatin1Char('0')).arg(rest)
                 : QStringLiteral("%1:%2").arg(m).arg(rest);
}

// --- reader ----------------------------------------------------------------------------------

// An MP3 file through libmpg123, frame by frame: quiet (it would print its notes on
// the terminal), and watching that each frame begins where the last ended, so data
// skipped over is found out instead of decoded around.
struct TMusicReader::TMpeg {
    mpg123_handle* Handle = nullptr;
    std::vector<float> Pending;   // a decoded frame not yet handed out
    size_t PendingAt = 0;
    off_t NextFramePos = -1;      // where the next frame must begin; -1: anywhere

    ~TMpeg()
    {
        if (Handle) {
            mpg123_close(Handle);
            mpg123_delete(Handle);
        }
    }
};

TMusicReader::TMusicReader() = default;

TMusicReader::~TMusicReader()
{
    Close();
}

QString TMusicReader::Shown() const
{
    return QDir::toNativeSeparators(FFileName);
}

bool TMusicReader::Open(const QString& fileName)
{
    Close();
    FFileName = fileName;
    FError.clear();
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
        FError = QStringLiteral("Cannot open the music file \"%1\": %2").arg(Shown(), problem);
        return false;
    }
    if (!(LooksLikeMpeg(fileName) ? OpenMpeg(fileName) : OpenSndFile(fileName))) {
        Close();
        return false;
    }

    // What the header promises is checked before anything is decoded.
    QString refused;
    if (FInfo.SampleRate < 1 || FInfo.SampleRate > MaxMusicSampleRate)
        refused = QStringLiteral("The music file \"%1\" has a sample rate of %2 Hz; music from 1 to %3 Hz can be read.")
                      .arg(Shown()).arg(FInfo.SampleRate).arg(MaxMusicSampleRate);
    else if (FInfo.Channels < 1 || FInfo.Channels > MaxMusicChannels)
        refused = QStringLiteral("The music file \"%1\" has %2 channels; music of 1 to %3 channels can be read.")
                      .arg(Shown()).arg(FInfo.Channels).arg(MaxMusicChannels);
    else if (FInfo.Seconds() > MaxMusicSeconds)
        refused = QStringLiteral("The music file \"%1\" lasts %2, longer than the %3 hours a soundtrack may last.")
                      .arg(Shown(), MusicTimeText(FInfo.Seconds()))
                      .arg(MaxMusicSeconds / 3600);
    else if (FInfo.Frames == 0)
        refused = QStringLiteral("The music file \"%1\" has no audio.").arg(Shown());
    if (!refused.isEmpty()) {
        Close();
        FError = refused;
        return false;
    }
    return true;
}

bool TMusicReader::OpenSndFile(const QString& fileName)
{
    SF_INFO info{};
    // Opened by descriptor, so libsndfile sees no name: given one ending in .mp3 it
    // takes a file it cannot make out for MP3 and decodes it through mpg123, which
    // prints on the terminal. MP3 by content goes to OpenMpeg.
    const int fd = ::open(QFile::encodeName(fileName).constData(), O_RDONLY | O_CLOEXEC);
    File = fd >= 0 ? sf_open_fd(fd, SFM_READ, &info, SF_TRUE) : nullptr;   // closes fd on failure too
    if (!File && fd < 0) {
        FError = QStringLiteral("Cannot open the music file \"%1\": %2").arg(Shown(), QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    if (!File) {
        QString reason = QString::fromUtf8(sf_strerror(nullptr)).trimmed();
        // libsndfile says so of any regular file it cannot make out; this one exists.
        if (reason.startsWith(QLatin1String("File does not exist")))
            reason = QStringLiteral("its format is not recognised.");
        FError = QStringLiteral("The music file \"%1\" cannot be read: %2 "
                                "(WAV, FLAC, Ogg and MP3 files can be read).")
                     .arg(Shown(), reason);
        return false;
    }
    FInfo.SampleRate = info.samplerate;
    FInfo.Channels = info.channels;
    // An unknown length (SF_COUNT_MAX) is found out while decoding.
    FInfo.Frames = info.frames == SF_COUNT_MAX ? -1 : std::max<sf_count_t>(info.frames, 0);
    FInfo.Format = FormatName(info.format);
    return true;
}

bool TMusicReader::OpenMpeg(const QString& fileName)
{
    int error = MPG123_OK;
    Mpeg = std::make_unique<TMpeg>();
    Mpeg->Handle = mpg123_new(nullptr, &error);
    if (!Mpeg->Handle) {
        FError = QStringLiteral("The music file \"%1\" cannot be read: the MP3 decoder cannot start (%2).")
                     .arg(Shown(), QString::fromUtf8(mpg123_plain_strerror(error)));
        return false;
    }
    mpg123_handle* h = Mpeg->Handle;
    mpg123_param(h, MPG123_ADD_FLAGS, MPG123_QUIET | MPG123_FORCE_FLOAT | MPG123_GAPLESS | MPG123_NO_FRANKENSTEIN, 0);
    mpg123_param(h, MPG123_REMOVE_FLAGS, MPG123_AUTO_RESAMPLE, 0);
    long rate = 0;
    int channels = 0, encoding = 0;
    if (mpg123_open(h, QFile::encodeName(fileName).constData()) != MPG123_OK) {
        FError = QStringLiteral("The music file \"%1\" cannot be read: %2.").arg(Shown(), QString::fromUtf8(mpg123_strerror(h)));
        return false;
    }
    // The decoder looks for the first frame; an ID3 tag alone, or bytes that hold
    // none, end that search.
    if (mpg123_getformat(h, &rate, &channels, &encoding) != MPG123_OK) {
        FError = QStringLiteral("The music file \"%1\" has no audio: no MP3 frame was found in it.").arg(Shown());
        return false;
    }
    if (encoding != MPG123_ENC_FLOAT_32) {
        FError = QStringLiteral("The music file \"%1\" cannot be read: the MP3 decoder gives no 32-bit floats.").arg(Shown());
        return false;
    }
    // The format stays as it began; junk at the very start was skipped over quietly,
    // junk further on is searched through to the end, so that a damaged stretch is
    // found (and refused) wherever it is, and trailing tags are no damage.
    mpg123_format_none(h);
    mpg123_format(h, rate, channels, MPG123_ENC_FLOAT_32);
    mpg123_param(h, MPG123_RESYNC_LIMIT, -1, 0);
    const off_t length = mpg123_length(h);
    FInfo.SampleRate = int(std::clamp<long>(rate, 0, INT_MAX));
    FInfo.Channels = channels;
    FInfo.Frames = length >= 0 ? qint64(length) : -1;
    mpg123_frameinfo2 frame{};
    FInfo.Format = mpg123_info2(h, &frame) == MPG123_OK && frame.layer != 3 ? QStringLiteral("MPEG audio")
                                                                              : QStringLiteral("MP3");
    return true;
}

void TMusicReader::Close()
{
    if (File)
        sf_close(File);
    File = nullptr;
    Mpeg.reset();
    FInfo = TMusicInfo();
    FPosition = 0;
}

qint64 TMusicReader::Failed(const QString& what)
{
    FError = QStringLiteral("The music file \"%1\" cannot be %2: %3")
                 .arg(Shown(), what, QString::fromUtf8(sf_strerror(File)));
    return -1;
}

qint64 TMusicReader::Refused(const QString& why)
{
    FError = why;
    return -1;
}

qint64 TMusicReader::ReadMpeg(float* interleaved, qint64 frames)
{
    TMpeg& m = *Mpeg;
    const int ch = FInfo.Channels;
    qint64 done = 0;
    while (done < frames) {
        if (m.PendingAt < m.Pending.size()) {
            const size_t n = std::min(m.Pending.size() - m.PendingAt, size_t(frames - done) * size_t(ch));
            std::copy_n(m.Pending.begin() + qsizetype(m.PendingAt), n, interleaved + done * ch);
            m.PendingAt += n;
            done += qint64(n) / ch;
            continue;
        }
        off_t number = 0;
        unsigned char* audio = nullptr;
        size_t bytes = 0;
        const int result = mpg123_decode_frame(m.Handle, &number, &audio, &bytes);
        if (result == MPG123_DONE)
            break;
        const double at = double(FPosition + done) / FInfo.SampleRate;
        if (result == MPG123_NEW_FORMAT)
            return Refused(QStringLiteral("The music file \"%1\" changes its sample rate or channels at %2.")
                               .arg(Shown(), MusicTimeText(at)));
        if (result != MPG123_OK)
            return Refused(QStringLiteral("The music file \"%1\" is damaged at %2: %3.")
                               .arg(Shown(), MusicTimeText(at), QString::fromUtf8(mpg123_strerror(m.Handle))));
        const off_t pos = mpg123_framepos(m.Handle);
        mpg123_frameinfo2 info{};
        mpg123_info2(m.Handle, &info);
        if (m.NextFramePos >= 0 && pos != m.NextFramePos)
            return Refused(QStringLiteral("The music file \"%1\" is damaged at %2: %3 bytes there are not MP3 audio.")
                               .arg(Shown(), MusicTimeText(at))
                               .arg(qint64(pos) - qint64(m.NextFramePos)));
        m.NextFramePos = pos + info.framesize;
        const size_t samples = bytes / sizeof(float);
        m.Pending.resize(samples - samples % size_t(ch));
        std::memcpy(m.Pending.data(), audio, m.Pending.size() * sizeof(float));
        m.PendingAt = 0;
    }
    return done;
}

qint64 TMusicReader::ReadFloat(float* interleaved, qint64 frames)
{
    if (!IsOpen())
        return -1;
    // Past the length a soundtrack may have, whatever the header said.
    const qint64 most = qint64(MaxMusicSeconds * FInfo.SampleRate);
    frames = std::min(frames, most + 1 - FPosition);
    qint64 n = 0;
    if (Mpeg) {
        n = ReadMpeg(interleaved, frames);
    } else {
        n = sf_readf_float(File, interleaved, frames);
        if (n == 0 && frames > 0 && sf_error(File) != SF_ERR_NO_ERROR)
            return Failed(QStringLiteral("decoded"));
    }
    if (n < 0)
        return n;
    for (qint64 i = 0; i < n * FInfo.Channels; ++i)
        interleaved[i] = MusicSample(interleaved[i]);
    FPosition += n;
    if (FPosition > most)
        return Refused(QStringLiteral("The music file \"%1\" lasts longer than the %2 hours a soundtrack may last.")
                           .arg(Shown())
                           .arg(MaxMusicSeconds / 3600));
    return n;
}

qint64 TMusicReader::ReadShort(qint16* interleaved, qint64 frames)
{
    if (!IsOpen())
        return -1;
    FScratch.resize(size_t(std::max<qint64>(frames, 0)) * size_t(FInfo.Channels));
    const qint64 n = ReadFloat(FScratch.data(), frames);
    // 16-bit music decodes to k / 32768 and comes back exact.
    for (qint64 i = 0; i < std::max<qint64>(n, 0) * FInfo.Channels; ++i)
        interleaved[i] = qint16(std::clamp(std::nearbyint(FScratch[size_t(i)] * 32768.0f), -32768.0f, 32767.0f));
    return n;
}

bool TMusicReader::Seek(qint64 frame)
{
    if (!IsOpen())
        return false;
    if (FInfo.Frames >= 0)
        frame = std::clamp<qint64>(frame, 0, FInfo.Frames);
    frame = std::max<qint64>(frame, 0);
    if (Mpeg) {
        const off_t at = mpg123_seek(Mpeg->Handle, off_t(frame), SEEK_SET);
        if (at < 0) {
            FError = QStringLiteral("The music file \"%1\" cannot be positioned: %2")
                         .arg(Shown(), QString::fromUtf8(mpg123_strerror(Mpeg->Handle)));
            return false;
        }
        Mpeg->Pending.clear();
        Mpeg->PendingAt = 0;
        Mpeg->NextFramePos = -1;
        FPosition = at;
        return true;
    }
    const sf_count_t at = sf_seek(File, frame, SEEK_SET);
    if (at < 0) {
        Failed(QStringLiteral("positioned"));
        return false;
    }
    FPosition = at;
    return true;
}

// --- envelope --------------------------------------------------------------------------------

void TMusicEnvelope::Reset(int sampleRate, qint64 expectedFrames)
{
    Levels.assign(1, {});
    SampleRate = std::max(sampleRate, 1);
    SamplesSeen = 0;
    BucketOpen = false;
    Last = 0;
    if (expectedFrames > 0)
        Levels[0].reserve(size_t(std::min(expectedFrames, qint64(MaxMusicSeconds * SampleRate)) * 1000 / SampleRate + 1));
}

// Closes the open millisecond and fills those up to `upTo` with the last sample,
// which still sounds there.
void TMusicEnvelope::Close(qint64 upTo)
{
    std::vector<TPeak>& base = Levels[0];
    if (BucketOpen && qint64(base.size()) < upTo) {
        base.push_back({ToPeak(BucketMin), ToPeak(BucketMax)});
        BucketOpen = false;
    }
    const TPeak held{ToPeak(Last), ToPeak(Last)};
    while (qint64(base.size()) < upTo)
        base.push_back(held);
}

void TMusicEnvelope::Add(const float* mono, qint64 count)
{
    if (Levels.empty())
        Reset(SampleRate);
    for (qint64 i = 0; i < count; ++i) {
        const float v = MusicSample(mono[i]);
        // The millisecond the sample begins in.
        const qint64 ms = SamplesSeen * 1000 / SampleRate;
        Close(ms);
        if (!BucketOpen) {
            BucketOpen = true;
            BucketMin = BucketMax = v;
        } else {
            BucketMin = std::min(BucketMin, v);
            BucketMax = std::max(BucketMax, v);
        }
        Last = v;
        ++SamplesSeen;
    }
}

void TMusicEnvelope::Finish()
{
    if (Levels.empty())
        return;
    // The last sample lasts to the end of the music.
    Close((SamplesSeen * 1000 + SampleRate - 1) / SampleRate);
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
    out.Envelope.Reset(info.SampleRate, info.Frames);
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
