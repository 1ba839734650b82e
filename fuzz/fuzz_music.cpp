// The music reader: any bytes as a WAV, FLAC, Ogg or MP3 file, decoded whole with its
// outline and beats, then played back from the middle as the editor does.
#include "FuzzCommon.h"
#include "MusicTrack.h"

#include <QFile>

#include <vector>

#include <unistd.h>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    FuzzStartQt();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    static const char* const suffixes[] = {"wav", "mp3", "flac", "ogg"};
    const QString path = QStringLiteral("/tmp/skelmar-fuzz-%1.%2").arg(::getpid()).arg(QLatin1String(suffixes[data[0] % 4]));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        file.write(reinterpret_cast<const char*>(data + 1), qint64(size - 1));
    }
    // A few bytes at 1 Hz hold half an hour of music, which the tracker analyses at
    // 22050 Hz: right, and a second in a release build, but most of a minute under the
    // sanitizers. Such music is only opened and read in part here.
    {
        TMusicReader probe;
        if (probe.Open(path) && probe.Info().Seconds() > 120) {
            std::vector<float> samples(size_t(probe.Info().Channels) * 4096);
            for (int block = 0; block < 64 && probe.ReadFloat(samples.data(), 4096) > 0; ++block) {
            }
            QFile::remove(path);
            return 0;
        }
    }
    TMusicAnalysis analysis;
    const TMusicResult result = AnalyseMusic(path, analysis);
    if (result.outcome.ok) {
        FUZZ_CHECK(analysis.Info.Frames >= 0);
        FUZZ_CHECK(analysis.Info.Seconds() <= MaxMusicSeconds);
        const qint64 ms = analysis.Envelope.DurationMs();
        const TMusicEnvelope::TPeak all = analysis.Envelope.Range(0, ms);
        FUZZ_CHECK(all.Min >= -32767 && all.Max <= 32767 && all.Min <= all.Max);
        for (size_t i = 1; i < analysis.Beats.size(); ++i)
            FUZZ_CHECK(analysis.Beats[i - 1] < analysis.Beats[i]);
        TMusicReader reader;
        if (reader.Open(path) && reader.Seek(analysis.Info.Frames / 2)) {
            std::vector<qint16> samples(size_t(reader.Info().Channels) * 512);
            while (reader.ReadShort(samples.data(), 512) > 0) {
            }
        }
    } else {
        FUZZ_CHECK(!result.outcome.message.isEmpty());
    }
    QFile::remove(path);
    return 0;
}
