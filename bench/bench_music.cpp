// The beat tracker against music with exactly known beats, and the time music
// analysis takes.
//
// 1. A set of tracks written to WAV files and analysed as the editor does:
//    F-measure within 70 ms, the share of beats within 30 ms (of the more of true
//    and found beats), the mean error, and the tempo. Goals: mean F70 >= 0.98,
//    mean share within 30 ms >= 0.97.
// 2. Songs made like real ones (drums, bass, chords, a voice, human timing, a
//    drifting tempo, breaks, a waltz, a reggae one-drop), for want of a strong
//    reference tracker to compare with: mean F70 >= 0.85.
// 3. Steady 10-minute tracks (a band; a kick and hi-hat loop): tempo within
//    0.05 bpm, no drift between the first and the last minute; the tracker alone
//    on one core under 2 s.
// 4. The band decoded and analysed from WAV, FLAC and MP3 (best of 3
//    each): under 5 s.
// With -v it lists the beats each track missed and the extra ones.
#include "BeatTracks.h"
#include "BeatTracker.h"
#include "MusicFiles.h"
#include "MusicTrack.h"

#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <vector>

using namespace beattracks;

namespace {

std::vector<TTrack> TrackSet()
{
    std::vector<TTrack> set;
    const double seconds = 30;
    // Click tracks across the tempo range, with first beats anywhere.
    const struct {
        double bpm, first;
    } clicks[] = {{60, 0.37}, {75, 1.13}, {90, 0.05}, {105, 0.71}, {120, 0.29},
                  {135, 0.93}, {150, 0.61}, {165, 0.18}, {174, 0.44}, {180, 0.83}};
    for (const auto& c : clicks)
        set.push_back(Clicks(44100, seconds, c.bpm, c.first));
    set.push_back(OnBeats("1-sample impulses 100 bpm", 44100, seconds, SteadyBeats(0.5, seconds - 0.1, 100),
                          [](std::vector<float>& m, int r, double t) { Impulse(m, r, t); }, 100));
    set.push_back(OnBeats("1-sample impulses 60 bpm", 44100, seconds, SteadyBeats(0.25, seconds - 0.1, 60),
                          [](std::vector<float>& m, int r, double t) { Impulse(m, r, t); }, 60));
    set.push_back(OnBeats("100 ms beeps 128 bpm", 44100, seconds, SteadyBeats(0.4, seconds - 0.2, 128),
                          [](std::vector<float>& m, int r, double t) { Beep(m, r, t); }, 128));
    {
        TTrack t = Clicks(22050, seconds, 140, 0.33);
        t.Name = "clicks 140 bpm at 22050 Hz";
        set.push_back(std::move(t));
    }
    {
        TTrack t = Band("drums+bass 140 bpm at 22050 Hz", 22050, seconds, SteadyBeats(0.2, seconds - 0.3, 140), {}, 140);
        set.push_back(std::move(t));
    }
    set.push_back(Band("drums+bass 95 bpm", 44100, seconds, SteadyBeats(0.52, seconds - 0.5, 95), {}, 95));
    {
        TKit kit;
        kit.FourOnTheFloor = true;
        set.push_back(Band("four on the floor 128 bpm", 44100, seconds, SteadyBeats(0.1, seconds - 0.5, 128), kit, 128));
    }
    {
        TKit kit;
        kit.Swing = 2.0 / 3;
        set.push_back(Band("swing 110 bpm", 44100, seconds, SteadyBeats(0.35, seconds - 0.5, 110), kit, 110));
    }
    {
        std::vector<double> beats = SteadyBeats(0.3, 15, 100);
        const std::vector<double> after = SteadyBeats(beats.back() + 60.0 / 130, seconds - 0.5, 130);
        beats.insert(beats.end(), after.begin(), after.end());
        set.push_back(Band("tempo change 100 to 130 bpm", 44100, seconds, beats, {}));
    }
    set.push_back(Band("4 s of silence first, 115 bpm", 44100, seconds, SteadyBeats(4.0, seconds - 0.5, 115), {}, 115));
    {
        TTrack t = Band("noise 26 dB under, 105 bpm", 44100, seconds, SteadyBeats(0.6, seconds - 0.5, 105), {}, 105);
        AddNoise(t, 26);
        set.push_back(std::move(t));
    }
    {
        TKit kit;
        kit.FourOnTheFloor = true;
        kit.Snare = false;
        kit.BassLine = false;
        kit.OpenOffbeat = true;
        kit.SixteenthHats = true;
        kit.HatLevel = 0.35;
        set.push_back(Band("kick and hi-hat loop 120 bpm", 44100, seconds, SteadyBeats(0.15, seconds - 0.5, 120), kit, 120));
    }
    {
        TTrack t = Clicks(44100, seconds, 174, 0.2);
        t.Name = "clicks 174 bpm, range 100-200";
        t.MinBpm = 100;
        t.MaxBpm = 200;
        set.push_back(std::move(t));
    }
    {
        TTrack t = Clicks(44100, seconds, 174, 0.2);
        t.Name = "clicks 174 bpm asked as 60-100 (87)";
        t.MinBpm = 60;
        t.MaxBpm = 100;
        std::vector<double> half;
        for (size_t i = 0; i < t.Beats.size(); i += 2)
            half.push_back(t.Beats[i]);
        // Either half of the clicks is a right answer: score against the half found.
        t.Beats = half;
        t.Bpm = 87;
        set.push_back(std::move(t));
    }
    return set;
}

// Songs made like real ones: a band with chords, piano and a voice, human
// timing, a drifting tempo, intros and breaks without drums, syncopation.
std::vector<TTrack> Songs()
{
    std::vector<TTrack> songs;
    const double seconds = 60;
    const auto song = [&](const char* name, double bpm, double drift, double first, TKit kit) {
        const std::vector<double> beats = BeatsAt(first, seconds - 0.5, [bpm, drift](double t) {
            return bpm * (1 + drift * std::sin(2 * M_PI * t / 37));
        });
        kit.Chords = true;
        kit.Voice = true;
        kit.Seed = quint32(songs.size() * 7 + 21);
        TTrack t = Band(name, 44100, seconds, beats, kit, drift == 0 ? bpm : 0);
        AddNoise(t, 40, kit.Seed);
        Normalise(t);
        songs.push_back(std::move(t));
    };
    {
        TKit kit;
        kit.SyncopatedKick = true;
        kit.PianoEighths = true;
        kit.IntroBars = 4;
        kit.BreakFrom = 12;
        kit.BreakBars = 4;
        kit.Jitter = 0.006;
        kit.HatLevel = 0.22;
        song("song: rock 96 bpm, drifting 2 %", 96, 0.02, 0.8, kit);
    }
    {
        TKit kit;
        kit.PianoEighths = true;
        kit.VoiceLevel = 0.3;
        kit.Jitter = 0.004;
        kit.HatLevel = 0.2;
        song("song: pop 118 bpm, drifting 1 %, loud voice", 118, 0.01, 0.3, kit);
    }
    {
        TKit kit;
        kit.FourOnTheFloor = true;
        kit.OpenOffbeat = true;
        kit.BreakFrom = 16;
        kit.BreakBars = 8;
        kit.Jitter = 0.001;
        kit.HatLevel = 0.3;
        song("song: dance 126 bpm, 8-bar break", 126, 0.0, 0.05, kit);
    }
    {
        TKit kit;
        kit.Jitter = 0.010;
        kit.HatLevel = 0.12;
        kit.VoiceLevel = 0.25;
        kit.IntroBars = 2;
        song("song: ballad 72 bpm, drifting 3 %", 72, 0.03, 1.1, kit);
    }
    {
        TKit kit;
        kit.SyncopatedKick = true;
        kit.GhostNotes = true;
        kit.SixteenthHats = true;
        kit.Jitter = 0.005;
        kit.Swing = 0.56;
        song("song: funk 104 bpm, ghost notes", 104, 0.01, 0.45, kit);
    }
    // Two that no 4/4 drum kit plays: a waltz (bass on one, chords on two and
    // three) and a reggae one-drop (kick and snare on three only, the guitar's
    // chords on every off-beat, louder than anything on the beat but the drop).
    {
        const std::vector<double> beats = BeatsAt(0.4, seconds - 0.5, [](double t) {
            return 150 * (1 + 0.02 * std::sin(2 * M_PI * t / 29));
        });
        TTrack t = Empty("song: waltz 150 bpm, drifting 2 %", 44100, seconds);
        TNoise jitter(71);
        const double roots[] = {98, 131, 147, 110};
        for (size_t i = 0; i < beats.size(); ++i) {
            const double b = beats[i] + 0.006 * jitter(), gap = i + 1 < beats.size() ? beats[i + 1] - beats[i] : 0.4;
            const double root = roots[(i / 3) % 4];
            if (i % 3 == 0) {
                Bass(t.Mono, 44100, b, gap * 2.8, root / 2, 0.35);
                Kick(t.Mono, 44100, b, 0.3);
            } else {
                Chord(t.Mono, 44100, b, gap * 0.6, root * 2, 0.18, 0.004);
            }
        }
        Voice(t.Mono, 44100, 1.0, seconds - 1, 0.2, 77);
        t.Beats = beats;
        AddNoise(t, 40, 78);
        Normalise(t);
        songs.push_back(std::move(t));
    }
    {
        const double bpm = 76;
        const std::vector<double> beats = SteadyBeats(0.6, seconds - 0.5, bpm);
        TTrack t = Empty("song: reggae one-drop 76 bpm", 44100, seconds);
        TNoise jitter(81);
        const double roots[] = {110, 147, 165, 131};
        for (size_t i = 0; i < beats.size(); ++i) {
            const double b = beats[i], gap = 60 / bpm;
            const auto hit = [&](double at) { return at + 0.004 * jitter(); };
            const double root = roots[(i / 4) % 4];
            if (i % 4 == 2) {
                Kick(t.Mono, 44100, hit(b), 0.8);
                Snare(t.Mono, 44100, hit(b), 0.35);
            }
            Hat(t.Mono, 44100, hit(b), 0.12);
            Hat(t.Mono, 44100, hit(b + gap / 2), 0.1);
            Chord(t.Mono, 44100, hit(b + gap / 2), gap * 0.2, root * 2, 0.3, 0.004);
            Bass(t.Mono, 44100, hit(b + (i % 2 ? gap / 2 : 0)), gap * 0.45, root / 2, 0.3);
        }
        Voice(t.Mono, 44100, 2.0, seconds - 1, 0.15, 83);
        t.Beats = beats;
        t.Bpm = bpm;
        AddNoise(t, 40, 84);
        Normalise(t);
        songs.push_back(std::move(t));
    }
    return songs;
}

// Seconds of processor time this thread has used: what one core spends, however
// busy the machine is with other work.
double CpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) + double(t.tv_nsec) / 1e9;
}

struct TScore {
    double F70 = 0, Within30 = 0, Bias = 0;
};

TScore Score(const TTrack& track, const std::vector<double>& found)
{
    TScore s;
    s.F70 = FMeasure(track.Beats, found, 0.07);
    s.Within30 = ShareWithin(track.Beats, found, 0.03);
    double errors = 0;
    const int matched = Matches(track.Beats, found, 0.07, &errors);
    s.Bias = matched ? errors / matched : 0;
    return s;
}

bool Verbose = false;

// With -v: the true beats without a found one within 30 ms and the found beats
// without a true one.
void PrintMisses(const TTrack& track, const std::vector<double>& found)
{
    for (double t : track.Beats)
        if (Matches({t}, found, 0.03) == 0)
            std::printf("    missed %.3f\n", t);
    for (double b : found)
        if (Matches({b}, track.Beats, 0.03) == 0)
            std::printf("    extra  %.3f\n", b);
}

// Writes and analyses each track; prints a row per track and the means.
bool ScoreSet(const std::vector<TTrack>& set, const QTemporaryDir& dir, double goalF, double goalWithin)
{
    std::printf("%-40s %6s %6s %6s %7s %8s %8s %7s\n", "track", "beats", "found", "F70", "<=30ms", "bias ms",
                "bpm", "true");
    double sumF = 0, sumWithin = 0;
    for (const TTrack& track : set) {
        const QString file = dir.filePath(QStringLiteral("track.wav"));
        if (!WriteMusic(file, track.Mono, track.Rate, MusicWav, 1)) {
            std::printf("cannot write %s\n", track.Name.c_str());
            return false;
        }
        TBeatOptions options;
        if (track.MinBpm > 0) {
            options.MinBpm = track.MinBpm;
            options.MaxBpm = track.MaxBpm;
        }
        TMusicAnalysis analysis;
        const TMusicResult result = AnalyseMusic(file, analysis, {}, options);
        if (!result.outcome.ok) {
            std::printf("%s: %s\n", track.Name.c_str(), qPrintable(result.outcome.message));
            return false;
        }
        const TScore s = Score(track, analysis.Beats);
        sumF += s.F70;
        sumWithin += s.Within30;
        std::printf("%-40s %6zu %6zu %6.3f %7.3f %8.1f %8.2f %7.2f\n", track.Name.c_str(), track.Beats.size(),
                    analysis.Beats.size(), s.F70, s.Within30, s.Bias * 1000, analysis.Bpm, track.Bpm);
        if (Verbose)
            PrintMisses(track, analysis.Beats);
    }
    const double meanF = sumF / double(set.size()), meanWithin = sumWithin / double(set.size());
    const bool met = meanF >= goalF && meanWithin >= goalWithin;
    std::printf("%-40s %6s %6s %6.3f %7.3f   goals F70 >= %.2f", "mean", "", "", meanF, meanWithin, goalF);
    if (goalWithin > 0)
        std::printf(", within 30 ms >= %.2f", goalWithin);
    std::printf(": %s\n\n", met ? "met" : "MISSED");
    return met;
}

} // namespace

int main(int argc, char** argv)
{
    Verbose = argc > 1 && std::string(argv[1]) == "-v";
    QTemporaryDir dir;
    bool allMet = true;

    std::printf("Synthetic tracks with exact beats (30 s each, analysed from 16-bit WAV files)\n");
    allMet = ScoreSet(TrackSet(), dir, 0.98, 0.97) && allMet;
    std::printf("Songs made like real ones (60 s each; no reference tracker can be installed here)\n");
    allMet = ScoreSet(Songs(), dir, 0.85, 0) && allMet;

    // Ten minutes of a steady band at a tempo that no frame grid divides, and ten
    // minutes of a kick with hi-hats between (where half beats are the danger).
    constexpr double Minutes = 10;
    TTrack song = Band("band at 123.4 bpm", 44100, Minutes * 60, SteadyBeats(0.27, Minutes * 60 - 0.5, 123.4), {}, 123.4);
    Normalise(song);
    TKit loopKit;
    loopKit.FourOnTheFloor = true;
    loopKit.Snare = false;
    loopKit.BassLine = false;
    loopKit.OpenOffbeat = true;
    loopKit.SixteenthHats = true;
    loopKit.HatLevel = 0.35;
    TTrack loop = Band("kick and hi-hat loop at 120 bpm", 44100, Minutes * 60,
                       SteadyBeats(0.15, Minutes * 60 - 0.5, 120), loopKit, 120);
    Normalise(loop);
    for (const TTrack* track : {&song, &loop}) {
        double best = -1, bestCpu = -1;
        for (int run = 0; run < 3; ++run) {
            TBeatTracker t(44100);
            QElapsedTimer clock;
            clock.start();
            const double cpu = CpuSeconds();
            for (size_t at = 0; at < track->Mono.size(); at += 8192)
                t.Add(track->Mono.data() + at, qint64(std::min<size_t>(8192, track->Mono.size() - at)));
            t.Finish();
            const double seconds = double(clock.nsecsElapsed()) / 1e9, cpuSeconds = CpuSeconds() - cpu;
            if (best < 0 || seconds < best)
                best = seconds;
            if (bestCpu < 0 || cpuSeconds < bestCpu)
                bestCpu = cpuSeconds;
            if (run == 0) {
                const TScore s = Score(*track, t.Beats());
                // Drift: the mean error of the first minute against that of the last.
                const auto minuteBias = [&](double from) {
                    std::vector<double> truth, found;
                    for (double b : track->Beats)
                        if (b >= from && b < from + 60)
                            truth.push_back(b);
                    for (double b : t.Beats())
                        if (b >= from - 0.1 && b < from + 60.1)
                            found.push_back(b);
                    double errors = 0;
                    const int matched = Matches(truth, found, 0.07, &errors);
                    return matched ? errors / matched : 0.0;
                };
                const double drift = minuteBias(Minutes * 60 - 60) - minuteBias(0);
                const double tempoError = std::abs(t.Bpm() - track->Bpm);
                const bool met = tempoError <= 0.05 && std::abs(drift) < 0.002 && s.F70 >= 0.98;
                allMet = allMet && met;
                std::printf("10 minutes, %s: %zu beats of %zu, F70 %.4f, within 30 ms %.4f, tempo %.3f bpm "
                            "(error %.3f), drift first to last minute %+.2f ms  goals tempo within 0.05 bpm, "
                            "drift under 2 ms: %s\n",
                            track->Name.c_str(), t.Beats().size(), track->Beats.size(), s.F70, s.Within30, t.Bpm(),
                            tempoError, drift * 1000, met ? "met" : "MISSED");
            }
        }
        allMet = allMet && bestCpu < 2;
        std::printf("  through the beat tracker alone (one thread): %.2f s of processor time, %.2f s on the clock  "
                    "goal < 2 s: %s\n",
                    bestCpu, best, bestCpu < 2 ? "met" : "MISSED");
    }
    std::printf("\n");

    const struct {
        const char* name;
        int format;
    } formats[] = {{"wav", MusicWav}, {"flac", MusicFlac}, {"mp3", MusicMp3}};
    for (const auto& format : formats) {
        const QString file = dir.filePath(QStringLiteral("song.") + QLatin1String(format.name));
        if (!WriteMusic(file, song.Mono, 44100, format.format)) {
            std::printf("cannot write the %s test file\n", format.name);
            return 1;
        }
        qint64 best = -1;
        double bestCpu = -1;
        TMusicAnalysis analysis;
        for (int run = 0; run < 3; ++run) {
            QElapsedTimer clock;
            clock.start();
            const double cpu = CpuSeconds();
            const TMusicResult result = AnalyseMusic(file, analysis);
            const qint64 ns = clock.nsecsElapsed();
            if (bestCpu < 0 || CpuSeconds() - cpu < bestCpu)
                bestCpu = CpuSeconds() - cpu;
            if (!result.outcome.ok) {
                std::printf("%s: %s\n", format.name, qPrintable(result.outcome.message));
                return 1;
            }
            if (best < 0 || ns < best)
                best = ns;
        }
        const double seconds = double(best) / 1e9;
        allMet = allMet && seconds < 5;
        std::printf("10-minute %-4s decoded and analysed in %.2f s (%.2f s of processor time; %zu beats, "
                    "%.2f bpm)  goal < 5 s: %s\n",
                    format.name, seconds, bestCpu, analysis.Beats.size(), analysis.Bpm, seconds < 5 ? "met" : "MISSED");
    }
    std::printf("\n%s\n", allMet ? "all goals met" : "some goals MISSED");
    return 0;
}
