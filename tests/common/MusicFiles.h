#pragma once

// Music made by the tests: click tracks and simple rhythms written through
// libsndfile in any format it encodes.
#include <QString>
#include <algorithm>
#include <QtGlobal>
#include <cmath>
#include <limits>
#include <sndfile.h>
#include <vector>

// One click like a drum hit: 40 ms of noise and a low tone that die away, with
// its sharp front at `at`. The noise repeats from a fixed seed.
inline void AddClick(std::vector<float>& mono, int rate, double at, float level = 0.7f)
{
    const qint64 start = qint64(std::llround(at * rate));
    const int length = rate * 40 / 1000;
    quint32 seed = 12345;
    for (int i = 0; i < length && start + i < qint64(mono.size()); ++i) {
        const double t = double(i) / rate;
        seed = seed * 1664525u + 1013904223u;
        const double noise = double(seed >> 8) / double(1 << 24) * 2 - 1;
        const double v = (0.6 * noise + 0.4 * std::sin(2 * M_PI * 150 * t)) * std::exp(-t * 90);
        if (start + i >= 0)
            mono[size_t(start + i)] += float(level * v);
    }
}

// Clicks at `times` (seconds) in `seconds` of silence.
inline std::vector<float> ClickTrack(int rate, double seconds, const std::vector<double>& times)
{
    std::vector<float> mono(size_t(seconds * rate), 0.0f);
    for (double t : times)
        AddClick(mono, rate, t);
    return mono;
}

// Beat times from `start` at `bpm` until `end` (exclusive).
inline std::vector<double> BeatTimes(double start, double end, double bpm)
{
    std::vector<double> times;
    for (double t = start; t < end - 1e-9; t += 60.0 / bpm)
        times.push_back(t);
    return times;
}

// Writes mono samples as `channels` identical channels; false on failure.
inline bool WriteMusic(const QString& fileName, const std::vector<float>& mono, int rate, int format,
                       int channels = 2)
{
    SF_INFO info{};
    info.samplerate = rate;
    info.channels = channels;
    info.format = format;
    SNDFILE* f = sf_open(fileName.toLocal8Bit().constData(), SFM_WRITE, &info);
    if (!f)
        return false;
    std::vector<float> frames(mono.size() * size_t(channels));
    for (size_t i = 0; i < mono.size(); ++i)
        for (int c = 0; c < channels; ++c)
            frames[i * size_t(channels) + size_t(c)] = mono[i];
    const sf_count_t n = sf_writef_float(f, frames.data(), sf_count_t(mono.size()));
    sf_close(f);
    return n == sf_count_t(mono.size());
}

constexpr int MusicWav = SF_FORMAT_WAV | SF_FORMAT_PCM_16;
constexpr int MusicFlac = SF_FORMAT_FLAC | SF_FORMAT_PCM_16;
constexpr int MusicOgg = SF_FORMAT_OGG | SF_FORMAT_VORBIS;
constexpr int MusicMp3 = SF_FORMAT_MPEG | SF_FORMAT_MPEG_LAYER_III;

// Distance from `t` to the nearest of `times`; infinite when there are none.
inline double Nearest(const std::vector<double>& times, double t)
{
    double best = std::numeric_limits<double>::infinity();
    for (double x : times)
        best = std::min(best, std::abs(x - t));
    return best;
}
