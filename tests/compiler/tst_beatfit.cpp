// Fitting frame changes to beats, checked where it counts: in the compiled WAV.
#include "BeatFit.h"
#include "LaserFrames.h"
#include "WaveCompiler.h"
#include "Samples.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <algorithm>
#include <cmath>

namespace {

// A frame of lit points only: in the compiled signal its display is one lit run,
// and the blanked move after it marks the change to the next frame.
TLaserFrame Shape(int kind, quint16 delay, quint16 effect = 0, quint16 effectTime = 0)
{
    TLaserFrame f;
    switch (kind % 4) {
    case 0: f = MakeFrame({{20, 20}, {230, 30}, {128, 220}}); break;               // about 200 samples
    case 1: f = MakeFrame({{100, 100}, {150, 100}, {150, 150}, {100, 150}}); break;
    case 2: f = MakeFrame({{0, 0}, {255, 0}, {255, 255}, {0, 255}, {0, 0}, {255, 255}, {0, 255}, {255, 0},
                           {0, 0}, {255, 255}, {0, 255}, {255, 0}, {0, 0}, {255, 255}, {0, 255}, {255, 0},
                           {0, 0}, {255, 255}, {0, 255}, {255, 0}}); break;         // a slow path, over 1000 samples
    default: f = MakeFrame({{60, 60}, {190, 70}, {200, 190}, {70, 200}, {128, 128}}); break;
    }
    f.Delay = delay;
    f.Effect = effect;
    f.EffectTime = effectTime;
    return f;
}

// Sample frames where a lit run of at least `minRun` samples ends in a blanked one.
std::vector<qint64> ChangesInWave(const QByteArray& wav, qint64 minRun)
{
    const QList<TSample> samples = DecodeSamples(wav, 44);
    std::vector<qint64> changes;
    qint64 run = 0;
    for (qint64 i = 0; i < samples.size(); ++i) {
        if (!samples[i].Blank) {
            ++run;
            continue;
        }
        if (run >= minRun)
            changes.push_back(i);
        run = 0;
    }
    return changes;
}

double NearestMs(const std::vector<double>& beatsMs, double ms)
{
    double best = 1e18;
    for (double b : beatsMs)
        best = std::min(best, std::abs(b - ms));
    return best;
}

} // namespace

class TestBeatFit : public QObject {
    Q_OBJECT

private slots:
    void changesLandOnBeatsInTheWave_data();
    void changesLandOnBeatsInTheWave();
    void framesLastAtLeastOneBeat();
    void whatCannotBeFittedKeepsItsDelay();
    void lockedFrameKeepsItsDelay();
    void measuringMatchesTheCompile();
};

void TestBeatFit::changesLandOnBeatsInTheWave_data()
{
    QTest::addColumn<std::vector<double>>("beats");   // seconds of music
    QTest::addColumn<double>("offsetMs");
    QTest::addColumn<quint16>("effectTime");          // of every second frame, a morph
    std::vector<double> steady, change, late;
    for (double t = 0.5; t < 40; t += 0.5)
        steady.push_back(t);
    for (double t = 0.3; t < 40; t += t < 12 ? 0.6 : 60.0 / 137)
        change.push_back(t);
    for (double t = 2.0; t < 40; t += 60.0 / 93)
        late.push_back(t);
    QTest::newRow("120 bpm") << steady << 0.0 << quint16(0);
    QTest::newRow("tempo change 100 to 137 bpm") << change << 0.0 << quint16(0);
    QTest::newRow("music starts 250 ms after the show") << late << 250.0 << quint16(0);
    QTest::newRow("show starts 700 ms into the music") << steady << -700.0 << quint16(0);
    QTest::newRow("morphs between frames") << steady << 0.0 << quint16(120);
}

// Each change of frame in the compiled file lies within 30 ms of a beat, at
// consecutive beats or later ones, whatever the paths' lengths.
void TestBeatFit::changesLandOnBeatsInTheWave()
{
    QFETCH(std::vector<double>, beats);
    QFETCH(double, offsetMs);
    QFETCH(quint16, effectTime);
    TLaserFrames show;
    const quint16 delays[] = {700, 333, 1234, 50, 480, 910, 2600, 260, 1500, 620, 777, 400};
    for (int i = 0; i < 12; ++i)
        show.Add() = Shape(i, delays[i], i % 2 ? EffectMorph : EffectSlide, i % 2 ? effectTime : 0);
    const TCompileOptions options;
    const TBeatFit fit = FitFramesToBeats(show, beats, offsetMs, options);
    QVERIFY2(fit.outcome.ok, qPrintable(fit.outcome.message));
    QCOMPARE(fit.FramesFitted, 12);
    QVERIFY(fit.WorstMs < 30);
    ApplyBeatFit(show, fit);

    QTemporaryDir dir;
    const QString wav = dir.filePath("fitted.RZ4.WAV");
    QVERIFY(CompileShow(show, wav, options).outcome.ok);
    QFile file(wav);
    QVERIFY(file.open(QIODevice::ReadOnly));
    // A lit run of 300 ms or more is a display; morph halves are shorter.
    const std::vector<qint64> changes = ChangesInWave(file.readAll(), 44100 * 300 / 1000);
    QCOMPARE(changes.size(), size_t(12));

    std::vector<double> beatsMs;
    for (double b : beats)
        beatsMs.push_back(b * 1000 + offsetMs);
    double previous = -1;
    for (qint64 change : changes) {
        const double ms = double(change) * 1000 / 44100;
        QVERIFY2(NearestMs(beatsMs, ms) < 30,
                 qPrintable(QString("change at %1 ms is %2 ms from a beat").arg(ms).arg(NearestMs(beatsMs, ms))));
        QVERIFY(ms > previous);
        previous = ms;
    }
}

// A frame asked to last 10 ms still lasts a beat; two frames near one beat do not share it.
void TestBeatFit::framesLastAtLeastOneBeat()
{
    TLaserFrames show;
    show.Add() = Shape(0, 600);
    show.Add() = Shape(1, 10);
    show.Add() = Shape(3, 30);
    show.Add() = Shape(0, 500);
    std::vector<double> beats;
    for (double t = 0.5; t < 10; t += 0.5)
        beats.push_back(t);
    const TBeatFit fit = FitFramesToBeats(show, beats, 0, TCompileOptions{});
    QVERIFY(fit.outcome.ok);
    ApplyBeatFit(show, fit);
    const TCompileResult timing = MeasureShow(show, TCompileOptions{});
    QVERIFY(timing.outcome.ok);
    double previous = 0;
    for (const TFrameTiming& t : timing.timing) {
        const double end = double(t.DisplayEnd()) * 1000 / 44100;
        QVERIFY2(end - previous > 500 - 30, qPrintable(QString("a frame of %1 ms").arg(end - previous)));
        previous = end;
    }
    QCOMPARE(fit.FramesChanged, 4);
}

// Frames past the music's last beat and frames without points keep their delays;
// a show whose music has no beat while it runs is refused with a reason.
void TestBeatFit::whatCannotBeFittedKeepsItsDelay()
{
    TLaserFrames show;
    show.Add() = Shape(0, 800);
    show.Add().Delay = 1111;            // no points: not in the compiled show
    show.Add() = Shape(1, 900);
    show.Add() = Shape(3, 2222);        // starts after the last beat
    const TBeatFit fit = FitFramesToBeats(show, {0.5, 1.0, 1.5, 2.0}, 0, TCompileOptions{});
    QVERIFY(fit.outcome.ok);
    QCOMPARE(fit.FramesFitted, 2);
    QCOMPARE(fit.Delays[1], quint16(1111));
    QCOMPARE(fit.Delays[3], quint16(2222));

    const TBeatFit none = FitFramesToBeats(show, {0.5, 1.0}, -5000, TCompileOptions{});
    QVERIFY(!none.outcome.ok);
    QVERIFY(!none.outcome.message.isEmpty());
    QCOMPARE(FitFramesToBeats(TLaserFrames(), {0.5}, 0, TCompileOptions{}).outcome.ok, false);
}

// A locked frame keeps its delay, wherever its change then falls; the frames after
// it are fitted from where it really ends.
void TestBeatFit::lockedFrameKeepsItsDelay()
{
    TLaserFrames show;
    show.Add() = Shape(0, 600);
    show.Add() = Shape(1, 777);
    show.Frame(1).Flags |= TLaserFrame::FlagLocked;
    show.Add() = Shape(3, 450);
    show.Add() = Shape(0, 1300);
    std::vector<double> beats;
    for (double t = 0.5; t < 10; t += 0.5)
        beats.push_back(t);
    const TBeatFit fit = FitFramesToBeats(show, beats, 0, TCompileOptions{});
    QVERIFY(fit.outcome.ok);
    QCOMPARE(fit.Delays[1], quint16(777));
    QCOMPARE(fit.FramesFitted, 3);
    ApplyBeatFit(show, fit);
    const TCompileResult timing = MeasureShow(show, TCompileOptions{});
    QVERIFY(timing.outcome.ok);
    std::vector<double> beatsMs;
    for (double b : beats)
        beatsMs.push_back(b * 1000);
    for (int i : {0, 2, 3}) {
        const double end = double(timing.timing[size_t(i)].DisplayEnd()) * 1000 / 44100;
        QVERIFY2(NearestMs(beatsMs, end) < 30, qPrintable(QString("frame %1 ends at %2 ms").arg(i).arg(end)));
    }
}

// The measuring run counts exactly what the compile writes.
void TestBeatFit::measuringMatchesTheCompile()
{
    TLaserFrames show;
    for (int i = 0; i < 6; ++i)
        show.Add() = Shape(i, quint16(300 + 170 * i), i % 3, quint16(40 * i));
    show.Add().Delay = 100;
    QTemporaryDir dir;
    show.FileName = dir.filePath("m.RZ4");
    const TCompileResult compiled = CompileShow(show, dir.filePath("other.WAV"), TCompileOptions{});
    const TCompileResult measured = MeasureShow(show, TCompileOptions{});
    QVERIFY(compiled.outcome.ok && measured.outcome.ok);
    QCOMPARE(measured.sampleFrames, compiled.sampleFrames);
    QCOMPARE(measured.bytes, compiled.bytes);
    QCOMPARE(measured.timing.size(), compiled.timing.size());
    for (size_t i = 0; i < measured.timing.size(); ++i) {
        QCOMPARE(measured.timing[i].DisplayStart, compiled.timing[i].DisplayStart);
        QCOMPARE(measured.timing[i].Repetitions, compiled.timing[i].Repetitions);
        QCOMPARE(measured.timing[i].PathSamples, compiled.timing[i].PathSamples);
    }
    QVERIFY(!QFile::exists(dir.filePath("m.RZ4.WAV")));   // measuring writes no file
}

QTEST_GUILESS_MAIN(TestBeatFit)
#include "tst_beatfit.moc"
