#pragma once

// Music with exactly known beats for the beat tracker's tests and benchmark:
// clicks, impulses, beeps and drum kits with bass, chords and a voice, played
// on beat times from a tempo curve; and the scores that compare found beats
// with the true ones.
#include <QtGlobal>
#include <algorithm>
#include <cmath>
#include <functional>
#include <string>
#include <vector>

namespace beattracks {

// Repeatable noise in -1..1.
struct TNoise {
    quint32 Seed;
    explicit TNoise(quint32 seed = 1) : Seed(seed) {}
    double operator()()
    {
        Seed = Seed * 1664525u + 1013904223u;
        return double(Seed >> 8) / double(1 << 24) * 2 - 1;
    }
};

// Beat times from `first` until `end` at a tempo that may change: `bpm(t)`.
inline std::vector<double> BeatsAt(double first, double end, const std::function<double(double)>& bpm)
{
    std::vector<double> beats;
    for (double t = first; t < end - 1e-9; t += 60.0 / bpm(t))
        beats.push_back(t);
    return beats;
}

inline std::vector<double> SteadyBeats(double first, double end, double bpm)
{
    std::vector<double> beats;
    for (int k = 0;; ++k) {
        const double t = first + k * 60.0 / bpm;   // counted, so no error builds up
        if (t >= end - 1e-9)
            break;
        beats.push_back(t);
    }
    return beats;
}

// Adds `sound(i)` (i = samples since its start, until it returns nothing more)
// at `at` seconds.
template <typename TSound>
void Place(std::vector<float>& mono, int rate, double at, int length, TSound sound)
{
    const qint64 start = qint64(std::llround(at * rate));
    for (int i = 0; i < length; ++i) {
        const qint64 k = start + i;
        if (k >= 0 && k < qint64(mono.size()))
            mono[size_t(k)] += float(sound(i));
    }
}

// A drum-like click: 40 ms of noise and a 150 Hz tone dying away.
inline void Click(std::vector<float>& mono, int rate, double at, double level = 0.7)
{
    TNoise noise(12345);
    Place(mono, rate, at, rate * 40 / 1000, [&](int i) {
        const double t = double(i) / rate;
        return level * (0.6 * noise() + 0.4 * std::sin(2 * M_PI * 150 * t)) * std::exp(-t * 90);
    });
}

// One sample.
inline void Impulse(std::vector<float>& mono, int rate, double at, double level = 0.8)
{
    Place(mono, rate, at, 1, [&](int) { return level; });
}

// 100 ms of 880 Hz, starting at once and fading out over its last 5 ms.
inline void Beep(std::vector<float>& mono, int rate, double at, double level = 0.5)
{
    const int length = rate / 10, fade = rate / 200;
    Place(mono, rate, at, length, [&](int i) {
        const double t = double(i) / rate;
        return level * std::sin(2 * M_PI * 880 * t) * std::min(1.0, double(length - i) / fade);
    });
}

// A kick drum: a tone falling from 120 to 45 Hz with a short click on top.
inline void Kick(std::vector<float>& mono, int rate, double at, double level = 0.8)
{
    TNoise noise(777);
    double phase = 0;
    Place(mono, rate, at, rate * 3 / 10, [&](int i) {
        const double t = double(i) / rate;
        const double f = 45 + 75 * std::exp(-t / 0.03);
        phase += 2 * M_PI * f / rate;
        return level * (std::sin(phase) * std::exp(-t / 0.12) + 0.3 * noise() * std::exp(-t / 0.002));
    });
}

inline void Snare(std::vector<float>& mono, int rate, double at, double level = 0.5)
{
    TNoise noise(4242);
    Place(mono, rate, at, rate / 5, [&](int i) {
        const double t = double(i) / rate;
        return level * (0.7 * noise() * std::exp(-t / 0.05) + 0.5 * std::sin(2 * M_PI * 185 * t) * std::exp(-t / 0.06));
    });
}

// A hi-hat: high noise (a difference of white noise), closed or open.
inline void Hat(std::vector<float>& mono, int rate, double at, double level = 0.25, bool open = false)
{
    TNoise noise(9001);
    double last = 0;
    const double decay = open ? 0.09 : 0.015;
    Place(mono, rate, at, int(rate * decay * 6), [&](int i) {
        const double t = double(i) / rate;
        const double n = noise();
        const double v = n - last;
        last = n;
        return level * 0.5 * v * std::exp(-t / decay);
    });
}

// A bass note: a rounded saw from `at` for `length` seconds.
inline void Bass(std::vector<float>& mono, int rate, double at, double length, double hz, double level = 0.3)
{
    Place(mono, rate, at, int(length * rate), [&](int i) {
        const double t = double(i) / rate;
        double v = 0;
        for (int h = 1; h <= 4; ++h)
            v += std::sin(2 * M_PI * hz * h * t) / h;
        return level * 0.6 * v * std::min(1.0, t / 0.005) * std::exp(-t / 0.4) * std::min(1.0, (length - t) / 0.01);
    });
}

// A chord held for `length` seconds, swelling in over `attack` seconds (a pad;
// a piano's is a few milliseconds).
inline void Chord(std::vector<float>& mono, int rate, double at, double length, double rootHz, double level = 0.12,
                  double attack = 0.04)
{
    const double ratios[] = {1.0, 1.26, 1.5, 2.0};
    Place(mono, rate, at, int(length * rate), [&](int i) {
        const double t = double(i) / rate;
        double v = 0;
        for (double r : ratios)
            v += std::sin(2 * M_PI * rootHz * r * t + r);
        return level * v / 4 * std::min(1.0, t / attack) * std::min(1.0, (length - t) / 0.05);
    });
}

// A voice-like line: a tone with vibrato and breath noise in syllables that
// start off the beat, from `from` to `to`.
inline void Voice(std::vector<float>& mono, int rate, double from, double to, double level = 0.15, quint32 seed = 5)
{
    TNoise noise(seed), pick(seed * 7 + 1);
    for (double at = from; at < to;) {
        const double length = 0.18 + 0.25 * (pick() + 1);
        const double hz = 220 * std::pow(2.0, std::round(pick() * 5) / 12);
        double phase = 0;
        Place(mono, rate, at, int(length * rate), [&](int i) {
            const double t = double(i) / rate;
            phase += 2 * M_PI * hz * (1 + 0.01 * std::sin(2 * M_PI * 5.5 * t)) / rate;
            const double shape = std::sin(M_PI * t / length);
            return level * shape * (0.8 * std::sin(phase) + 0.3 * std::sin(2 * phase) + 0.1 * noise());
        });
        at += length + 0.05 + 0.1 * (pick() + 1);
    }
}

struct TTrack {
    std::string Name;
    int Rate = 44100;
    std::vector<float> Mono;
    std::vector<double> Beats;   // the true beats, seconds
    double Bpm = 0;              // the true tempo of a steady track; 0 when it changes
    double MinBpm = 0, MaxBpm = 0;   // a tempo range to ask for; 0: the default
};

inline TTrack Empty(const std::string& name, int rate, double seconds)
{
    TTrack track;
    track.Name = name;
    track.Rate = rate;
    track.Mono.assign(size_t(seconds * rate), 0.0f);
    return track;
}

// Clicks (or any sound) on every beat.
template <typename TSound>
TTrack OnBeats(const std::string& name, int rate, double seconds, std::vector<double> beats, TSound sound,
               double bpm = 0)
{
    TTrack track = Empty(name, rate, seconds);
    for (double b : beats)
        sound(track.Mono, rate, b);
    track.Beats = std::move(beats);
    track.Bpm = bpm;
    return track;
}

inline TTrack Clicks(int rate, double seconds, double bpm, double first)
{
    return OnBeats("clicks " + std::to_string(int(bpm)) + " bpm", rate, seconds, SteadyBeats(first, seconds - 0.1, bpm),
                   [](std::vector<float>& m, int r, double t) { Click(m, r, t); }, bpm);
}

struct TKit {
    bool FourOnTheFloor = false;   // a kick on every beat instead of beats 1 and 3
    bool SyncopatedKick = false;   // another kick half a beat after beat 2
    bool Snare = true;             // a snare on beats 2 and 4
    bool GhostNotes = false;       // soft snares on some sixteenths
    double Swing = 0.5;            // where the off-beat hat falls within the beat
    double HatLevel = 0.25;
    bool OpenOffbeat = false;      // loud open hats on the off-beats
    bool SixteenthHats = false;
    bool BassLine = true;
    bool Chords = false;           // a chord held through each bar
    bool PianoEighths = false;     // chords struck on every eighth
    bool Voice = false;
    double VoiceLevel = 0.15;
    int IntroBars = 0;             // bars at the start without drums
    int BreakFrom = -1, BreakBars = 0;   // a stretch of bars without drums
    double Jitter = 0;             // seconds of random timing of each hit
    quint32 Seed = 3;
};

// A drum kit (and band) playing on `beats`; the beats are the true ones.
inline TTrack Band(const std::string& name, int rate, double seconds, const std::vector<double>& beats, const TKit& kit,
                   double bpm = 0)
{
    TTrack track = Empty(name, rate, seconds);
    std::vector<float>& m = track.Mono;
    TNoise jitter(kit.Seed), ghost(kit.Seed + 5);
    const auto hit = [&](double t) { return t + kit.Jitter * jitter(); };
    const double roots[] = {55, 55 * 1.335, 55 * 1.5, 55 * 1.189};
    for (size_t i = 0; i < beats.size(); ++i) {
        const double b = beats[i];
        const double gap = i + 1 < beats.size() ? beats[i + 1] - b : (i > 0 ? b - beats[i - 1] : 0.5);
        const int inBar = int(i % 4), bar = int(i / 4);
        const bool drums = bar >= kit.IntroBars && !(bar >= kit.BreakFrom && bar < kit.BreakFrom + kit.BreakBars);
        if (drums) {
            if (kit.FourOnTheFloor || inBar == 0 || inBar == 2)
                Kick(m, rate, hit(b));
            if (kit.SyncopatedKick && inBar == 1)
                Kick(m, rate, hit(b + gap / 2), 0.6);
            if (kit.Snare && (inBar == 1 || inBar == 3))
                Snare(m, rate, hit(b));
            if (kit.GhostNotes && ghost() > 0.3)
                Snare(m, rate, hit(b + (ghost() > 0 ? 0.75 : 0.25) * gap), 0.12);
            Hat(m, rate, hit(b), kit.HatLevel);
            if (kit.OpenOffbeat)
                Hat(m, rate, hit(b + kit.Swing * gap), kit.HatLevel * 1.6, true);
            else
                Hat(m, rate, hit(b + kit.Swing * gap), kit.HatLevel * 0.8);
            if (kit.SixteenthHats) {
                Hat(m, rate, hit(b + 0.25 * gap), kit.HatLevel * 0.6);
                Hat(m, rate, hit(b + 0.75 * gap), kit.HatLevel * 0.6);
            }
        }
        const double root = roots[(i / 4) % 4];
        if (kit.BassLine)
            Bass(m, rate, hit(b), gap * 0.9, inBar == 3 ? root * 1.5 : root);
        if (kit.Chords && inBar == 0)
            Chord(m, rate, b, gap * 4, root * 4);
        if (kit.PianoEighths) {
            Chord(m, rate, hit(b), gap * 0.45, root * 8, 0.08, 0.004);
            Chord(m, rate, hit(b + kit.Swing * gap), gap * 0.45, root * 8, 0.06, 0.004);
        }
    }
    if (kit.Voice && !beats.empty())
        Voice(m, rate, beats.front() + 0.3, beats.back(), kit.VoiceLevel, kit.Seed + 11);
    track.Beats = beats;
    track.Bpm = bpm;
    return track;
}

// White noise `db` decibels under the track's loudness (its RMS where it sounds).
inline void AddNoise(TTrack& track, double db, quint32 seed = 99)
{
    double sum = 0;
    size_t count = 0;
    for (float v : track.Mono)
        if (v != 0) {
            sum += double(v) * v;
            ++count;
        }
    const double rms = count ? std::sqrt(sum / double(count)) : 0.1;
    const double level = rms * std::pow(10.0, -db / 20) * std::sqrt(3.0);   // uniform noise of that RMS
    TNoise noise(seed);
    for (float& v : track.Mono)
        v += float(level * noise());
}

// Scales the track so its loudest sample is at `peak`.
inline void Normalise(TTrack& track, double peak = 0.9)
{
    float loudest = 0;
    for (float v : track.Mono)
        loudest = std::max(loudest, std::abs(v));
    if (loudest > 0)
        for (float& v : track.Mono)
            v = float(v * peak / loudest);
}

// --- scores ------------------------------------------------------------------------------

// Found beats matched one to one with true beats within `tolerance` seconds (each
// true beat takes the nearest found beat not taken yet).
inline int Matches(const std::vector<double>& truth, const std::vector<double>& found, double tolerance,
                   double* errorSum = nullptr)
{
    std::vector<bool> taken(found.size(), false);
    int matched = 0;
    for (double t : truth) {
        const auto after = std::lower_bound(found.begin(), found.end(), t - tolerance);
        long best = -1;
        for (auto it = after; it != found.end() && *it <= t + tolerance; ++it) {
            const long i = long(it - found.begin());
            if (!taken[size_t(i)] && (best < 0 || std::abs(*it - t) < std::abs(found[size_t(best)] - t)))
                best = i;
        }
        if (best >= 0) {
            taken[size_t(best)] = true;
            ++matched;
            if (errorSum)
                *errorSum += found[size_t(best)] - t;
        }
    }
    return matched;
}

// The F-measure: 2 * matches / (true beats + found beats).
inline double FMeasure(const std::vector<double>& truth, const std::vector<double>& found, double tolerance)
{
    if (truth.empty() && found.empty())
        return 1;
    return 2.0 * Matches(truth, found, tolerance) / double(truth.size() + found.size());
}

// The share of beats found within `tolerance`, counted against the more of true
// and found beats, so that extra beats cost as much as missing ones.
inline double ShareWithin(const std::vector<double>& truth, const std::vector<double>& found, double tolerance)
{
    const size_t most = std::max(truth.size(), found.size());
    return most ? double(Matches(truth, found, tolerance)) / double(most) : 1;
}

} // namespace beattracks
