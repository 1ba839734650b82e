// The beat tracker on music with exactly known beats: every true beat found
// within 30 ms and no beat where there is none, across the cases trackers get
// wrong (single-sample clicks between silences, a 22050 Hz file, the octave of
// a fast tempo, a kick with hi-hats between, a tempo change, silence first).
#include "BeatTracker.h"
#include "BeatTracks.h"

#include <QtTest>
#include <limits>

using namespace beattracks;

Q_DECLARE_METATYPE(beattracks::TTrack)

class TestBeatTracker : public QObject {
    Q_OBJECT

private slots:
    void findsEveryBeatAndNoOther_data();
    void findsEveryBeatAndNoOther();
    void silenceAndTooLittleGiveNoBeats();
};

namespace {

TTrack Impulses(int rate, double seconds, double bpm, double first)
{
    return OnBeats("impulses", rate, seconds, SteadyBeats(first, seconds - 0.1, bpm),
                   [](std::vector<float>& m, int r, double t) { Impulse(m, r, t); }, bpm);
}

TTrack WithRange(TTrack track, double minBpm, double maxBpm)
{
    track.MinBpm = minBpm;
    track.MaxBpm = maxBpm;
    return track;
}

std::vector<double> EveryOther(const std::vector<double>& beats)
{
    std::vector<double> out;
    for (size_t i = 0; i < beats.size(); i += 2)
        out.push_back(beats[i]);
    return out;
}

} // namespace

void TestBeatTracker::findsEveryBeatAndNoOther_data()
{
    QTest::addColumn<TTrack>("track");
    const double s = 10;
    QTest::newRow("clicks 72 bpm, first beat at 0.61 s") << Clicks(44100, s, 72, 0.61);
    QTest::newRow("clicks 174 bpm: not 87") << Clicks(44100, s, 174, 0.2);
    {
        // Asked for 60 to 100 bpm, the same clicks give every other one at 87.
        TTrack half = WithRange(Clicks(44100, s, 174, 0.2), 60, 100);
        half.Beats = EveryOther(half.Beats);
        half.Bpm = 87;
        QTest::newRow("clicks 174 bpm within 60-100 bpm: 87") << half;
    }
    // One sample each, silence between: every one is a beat, whatever the level.
    QTest::newRow("1-sample impulses 60 bpm") << Impulses(44100, s, 60, 0.25);
    {
        TTrack damaged = Clicks(44100, s, 100, 0.3);
        for (size_t i = 20000; i < damaged.Mono.size(); i += 26459)
            damaged.Mono[i] = i % 2 ? std::numeric_limits<float>::quiet_NaN() : std::numeric_limits<float>::infinity();
        QTest::newRow("samples that are no number count as silence") << damaged;
    }
    {
        TTrack quiet = Impulses(48000, s, 100, 0.5);
        for (float& v : quiet.Mono)
            v *= 0.001f;   // -60 dB
        QTest::newRow("1-sample impulses at -60 dB, 48000 Hz") << quiet;
    }
    QTest::newRow("100 ms beeps 128 bpm")
        << OnBeats("beeps", 44100, s, SteadyBeats(0.4, s - 0.2, 128),
                   [](std::vector<float>& m, int r, double t) { Beep(m, r, t); }, 128);
    QTest::newRow("drums and bass 140 bpm at 22050 Hz")
        << Band("22050", 22050, s, SteadyBeats(0.2, s - 0.3, 140), {}, 140);
    QTest::newRow("drums and bass 95 bpm") << Band("95", 44100, s, SteadyBeats(0.52, s - 0.5, 95), {}, 95);
    {
        TKit loop;
        loop.FourOnTheFloor = true;
        loop.Snare = false;
        loop.BassLine = false;
        loop.OpenOffbeat = true;
        loop.SixteenthHats = true;
        loop.HatLevel = 0.35;
        QTest::newRow("kick and hi-hat loop 120 bpm: no half beats")
            << Band("loop", 44100, s, SteadyBeats(0.15, s - 0.5, 120), loop, 120);
    }
    {
        std::vector<double> beats = SteadyBeats(0.3, 9, 100);
        const std::vector<double> after = SteadyBeats(beats.back() + 60.0 / 130, 18 - 0.5, 130);
        beats.insert(beats.end(), after.begin(), after.end());
        QTest::newRow("tempo change 100 to 130 bpm") << Band("change", 44100, 18, beats, {});
    }
    QTest::newRow("4 s of silence first") << Band("silence", 44100, s + 4, SteadyBeats(4, s + 3.5, 115), {}, 115);
    {
        // A pause is no place for beats; the music after it is found again.
        std::vector<double> beats = SteadyBeats(0.4, 7, 110);
        const std::vector<double> after = SteadyBeats(10.3, 16.5, 110);
        beats.insert(beats.end(), after.begin(), after.end());
        TTrack paused = Band("pause", 44100, 17, beats, {});
        std::fill(paused.Mono.begin() + 7 * 44100, paused.Mono.begin() + 10 * 44100, 0.0f);
        QTest::newRow("3 s pause in the middle") << paused;
    }
    {
        TTrack noisy = Band("noise", 44100, s, SteadyBeats(0.6, s - 0.5, 105), {}, 105);
        AddNoise(noisy, 26);
        QTest::newRow("noise 26 dB under the music") << noisy;
    }
}

void TestBeatTracker::findsEveryBeatAndNoOther()
{
    QFETCH(TTrack, track);
    TBeatOptions options;
    if (track.MinBpm > 0) {
        options.MinBpm = track.MinBpm;
        options.MaxBpm = track.MaxBpm;
    }
    TBeatTracker tracker(track.Rate, options);
    QVERIFY(tracker.IsValid());
    // Blocks of an odd size: the result must not depend on how the samples arrive.
    for (size_t at = 0; at < track.Mono.size(); at += 3001)
        tracker.Add(track.Mono.data() + at, qint64(std::min<size_t>(3001, track.Mono.size() - at)));
    tracker.Finish();
    const std::vector<double>& found = tracker.Beats();

    QVERIFY(std::is_sorted(found.begin(), found.end()));
    for (double t : track.Beats)
        QVERIFY2(Matches({t}, found, 0.03) == 1, qPrintable(QString("no beat within 30 ms of %1 s").arg(t)));
    for (double b : found)
        QVERIFY2(Matches({b}, track.Beats, 0.03) == 1, qPrintable(QString("a beat at %1 s on no true beat").arg(b)));
    if (track.Bpm > 0)
        QVERIFY2(std::abs(tracker.Bpm() - track.Bpm) < 0.05, qPrintable(QString::number(tracker.Bpm())));
    QVERIFY(!tracker.Onsets().empty());
}

void TestBeatTracker::silenceAndTooLittleGiveNoBeats()
{
    const struct {
        int rate;
        std::vector<float> mono;
    } cases[] = {{44100, std::vector<float>(44100 * 5, 0.0f)},   // five seconds of silence
                 {44100, Clicks(44100, 1, 120, 0.1).Mono},      // one second: too short for a tempo
                 {8000, {}}};                                    // nothing at all
    for (const auto& c : cases) {
        TBeatTracker tracker(c.rate);
        tracker.Add(c.mono.data(), qint64(c.mono.size()));
        tracker.Finish();
        QVERIFY(tracker.Beats().empty());
        QCOMPARE(tracker.Bpm(), 0.0);
    }
    TBeatTracker invalid(0);
    QVERIFY(!invalid.IsValid());
    invalid.Finish();
    QVERIFY(invalid.Beats().empty());
}

QTEST_GUILESS_MAIN(TestBeatTracker)
#include "tst_beattracker.moc"
