// Decodes and analyses a 10-minute stereo track (outline, onsets, beats, tempo)
// the way the editor does when a soundtrack is chosen, in WAV, FLAC and MP3
// (best of 3 each). Goal: under 5 s for a 10-minute track.
#include "MusicTrack.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cmath>
#include <cstdio>
#include <sndfile.h>
#include <vector>

namespace {

// Ten minutes of a steady beat with a bass line and some noise: music enough
// for the beat tracker to work as hard as on a real song.
std::vector<float> Song(int rate, double seconds)
{
    std::vector<float> frames(size_t(rate * seconds) * 2);
    quint32 seed = 99;
    for (size_t i = 0; i < frames.size() / 2; ++i) {
        const double t = double(i) / rate;
        const double beat = std::fmod(t, 0.5);
        seed = seed * 1664525u + 1013904223u;
        const double noise = double(seed >> 8) / double(1 << 24) * 2 - 1;
        const double v = 0.5 * std::exp(-beat * 30) * noise + 0.2 * std::sin(2 * M_PI * 55 * t)
                         + 0.05 * std::sin(2 * M_PI * 440 * t + std::sin(t));
        frames[2 * i] = float(v);
        frames[2 * i + 1] = float(0.9 * v);
    }
    return frames;
}

bool Write(const QString& name, const std::vector<float>& frames, int rate, int format)
{
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = 2;
    info.format = format;
    SNDFILE* f = sf_open(name.toLocal8Bit().constData(), SFM_WRITE, &info);
    if (!f)
        return false;
    const sf_count_t n = sf_writef_float(f, frames.data(), sf_count_t(frames.size() / 2));
    sf_close(f);
    return n == sf_count_t(frames.size() / 2);
}

} // namespace

int main()
{
    QTemporaryDir dir;
    const std::vector<float> song = Song(44100, 600);
    const struct {
        const char* name;
        int format;
    } formats[] = {{"wav", SF_FORMAT_WAV | SF_FORMAT_PCM_16},
                   {"flac", SF_FORMAT_FLAC | SF_FORMAT_PCM_16},
                   {"mp3", SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III}};
    bool allMet = true;
    for (const auto& format : formats) {
        const QString file = dir.filePath(QStringLiteral("song.") + QLatin1String(format.name));
        if (!Write(file, song, 44100, format.format)) {
            std::printf("cannot write the %s test file\n", format.name);
            return 1;
        }
        qint64 best = -1;
        TMusicAnalysis analysis;
        for (int run = 0; run < 3; ++run) {
            QElapsedTimer clock;
            clock.start();
            const TMusicResult result = AnalyseMusic(file, analysis);
            const qint64 ns = clock.nsecsElapsed();
            if (!result.outcome.ok) {
                std::printf("%s: %s\n", format.name, qPrintable(result.outcome.message));
                return 1;
            }
            if (best < 0 || ns < best)
                best = ns;
        }
        const double seconds = double(best) / 1e9;
        allMet = allMet && seconds < 5;
        std::printf("10-minute %-4s decoded and analysed in %.2f s (%zu beats, %.1f bpm)  goal < 5 s: %s\n",
                    format.name, seconds, analysis.Beats.size(), analysis.Bpm, seconds < 5 ? "met" : "MISSED");
    }
    return 0;
}
