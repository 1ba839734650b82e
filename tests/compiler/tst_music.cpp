// Music files: decoding through libsndfile in every format the editor offers, the
// loudness outline, and beats and tempo of click tracks the test writes itself.
#include "MusicTrack.h"
#include "MusicFiles.h"

#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <algorithm>
#include <random>

class TestMusic : public QObject {
    Q_OBJECT

private:
    QTemporaryDir Dir;

private slots:
    void readsEveryOfferedFormat_data();
    void readsEveryOfferedFormat();
    void unreadableFilesNameFileAndReason_data();
    void unreadableFilesNameFileAndReason();
    void envelopeLevelsAgreeWithSamples();
    void envelopeFollowsTheMusicTime();
    void beatsOfClickTracks_data();
    void beatsOfClickTracks();
    void cancelLeavesAnalysisAlone();
};

void TestMusic::readsEveryOfferedFormat_data()
{
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<int>("format");
    QTest::addColumn<int>("rate");
    QTest::addColumn<QString>("name");
    QTest::newRow("WAV 44100") << "wav" << MusicWav << 44100 << "WAV";
    QTest::newRow("FLAC 48000") << "flac" << MusicFlac << 48000 << "FLAC";
    QTest::newRow("Ogg Vorbis 44100") << "ogg" << MusicOgg << 44100 << "Ogg";
    QTest::newRow("MP3 44100") << "mp3" << MusicMp3 << 44100 << "MP3";
}

// Every format the soundtrack dialog offers decodes, keeps its length and rate,
// and its clicks still come out as beats.
void TestMusic::readsEveryOfferedFormat()
{
    QFETCH(QString, suffix);
    QFETCH(int, format);
    QFETCH(int, rate);
    QFETCH(QString, name);
    const std::vector<double> clicks = BeatTimes(0.5, 12, 120);
    const QString file = Dir.filePath("clicks." + suffix);
    QVERIFY(WriteMusic(file, ClickTrack(rate, 12, clicks), rate, format));

    TMusicAnalysis a;
    const TMusicResult r = AnalyseMusic(file, a);
    QVERIFY2(r.outcome.ok, qPrintable(r.outcome.message));
    QCOMPARE(a.Info.Format, name);
    QCOMPARE(a.Info.SampleRate, rate);
    QCOMPARE(a.Info.Channels, 2);
    // Lossy coders pad the ends by a few milliseconds.
    QVERIFY2(std::abs(a.Info.Seconds() - 12.0) < 0.1, qPrintable(QString::number(a.Info.Seconds())));
    QVERIFY(std::abs(a.Envelope.DurationMs() - 12000) < 100);
    QVERIFY(std::abs(a.Bpm - 120) < 2);
    // MP3 encoders delay the sound by up to about 50 ms; the other formats keep it exact.
    const double tolerance = suffix == "mp3" ? 0.06 : 0.03;
    int found = 0;
    for (double t : clicks)
        found += Nearest(a.Beats, t) < tolerance;
    QVERIFY2(found >= int(clicks.size()) - 1, qPrintable(QString("%1 of %2").arg(found).arg(clicks.size())));
}

void TestMusic::unreadableFilesNameFileAndReason_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QByteArray>("content");    // empty: no file at all; "<folder>", "<pipe>": one of these
    QTest::addColumn<QString>("reason");
    QTest::newRow("missing") << "gone.mp3" << QByteArray() << "No such file";
    QTest::newRow("text") << "notes.wav" << QByteArray("just some words, no sound\n") << "cannot be read";
    QTest::newRow("cut-off WAV header") << "short.wav" << QByteArray("RIFF\x24\x00\x00\x00WAVEfmt ", 16)
                                        << "cannot be read";
    QTest::newRow("folder") << "album.wav" << QByteArray("<folder>") << "it is a folder, not a file";
    QTest::newRow("pipe (never opened, so no wait)") << "live.wav" << QByteArray("<pipe>")
                                                     << "it is a pipe, not a regular file";
}

void TestMusic::unreadableFilesNameFileAndReason()
{
    QFETCH(QString, fileName);
    QFETCH(QByteArray, content);
    QFETCH(QString, reason);
    const QString path = Dir.filePath(fileName);
    if (content == "<folder>") {
        QVERIFY(QDir(Dir.path()).mkdir(fileName));
    } else if (content == "<pipe>") {
        QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    } else if (!content.isEmpty()) {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(content);
    }
    TMusicAnalysis a;
    a.Bpm = 77;
    const TMusicResult r = AnalyseMusic(path, a);
    QVERIFY(!r.outcome.ok);
    QVERIFY(!r.cancelled);
    QVERIFY2(r.outcome.message.contains(QDir::toNativeSeparators(path)), qPrintable(r.outcome.message));
    QVERIFY2(r.outcome.message.contains(reason), qPrintable(r.outcome.message));
    QCOMPARE(a.Bpm, 77.0);   // a failed analysis leaves the old one
}

// Whatever stretch is asked for, the coarse levels give the same extremes as
// the samples themselves (up to the bucket edges they round out to).
void TestMusic::envelopeLevelsAgreeWithSamples()
{
    constexpr int rate = 8000;   // 8 samples per millisecond
    std::mt19937 random(7);
    std::uniform_real_distribution<float> level(-1, 1);
    std::vector<float> mono(size_t(rate) * 5);
    for (float& v : mono)
        v = level(random) * level(random);
    TMusicEnvelope e;
    e.Reset(rate);
    // Blocks of odd sizes: the outline must not depend on how the samples arrive.
    for (size_t at = 0; at < mono.size(); at += 777)
        e.Add(mono.data() + at, qint64(std::min<size_t>(777, mono.size() - at)));
    e.Finish();
    QCOMPARE(e.DurationMs(), 5000);

    std::uniform_int_distribution<int> pick(0, 4999);
    for (int n = 0; n < 300; ++n) {
        int from = pick(random), to = pick(random);
        if (from > to)
            std::swap(from, to);
        ++to;
        const TMusicEnvelope::TPeak peak = e.Range(from, to);
        // The exact extremes of [from, to) and of the span rounded out to half its length.
        const auto extremes = [&](qint64 a, qint64 b) {
            a = std::max<qint64>(a, 0);
            b = std::min<qint64>(b, 5000);
            const auto [lo, hi] = std::minmax_element(mono.begin() + a * 8, mono.begin() + b * 8);
            return std::pair(*lo, *hi);
        };
        const auto [lo, hi] = extremes(from, to);
        const qint64 slack = std::max(1, (to - from) / 2);
        const auto [outerLo, outerHi] = extremes(from - slack, to + slack);
        QVERIFY(peak.Min <= qRound(lo * 32767) && peak.Max >= qRound(hi * 32767));
        QVERIFY(peak.Min >= qRound(outerLo * 32767) - 1 && peak.Max <= qRound(outerHi * 32767) + 1);
    }
    QCOMPARE(e.Range(5000, 6000).Max, qint16(0));   // past the end: nothing
    QCOMPARE(e.Range(-100, 0).Max, qint16(0));
}

// A single loud click shows where it is, and only there.
void TestMusic::envelopeFollowsTheMusicTime()
{
    const QString file = Dir.filePath("one-click.wav");
    QVERIFY(WriteMusic(file, ClickTrack(44100, 3, {1.5}), 44100, MusicWav, 1));
    TMusicAnalysis a;
    QVERIFY(AnalyseMusic(file, a).outcome.ok);
    QCOMPARE(a.Envelope.DurationMs(), 3000);
    QCOMPARE(a.Envelope.Range(0, 1000).Max, qint16(0));
    QCOMPARE(a.Envelope.Range(1490, 1499).Max, qint16(0));
    QVERIFY(a.Envelope.Range(1500, 1510).Max > 10000);
    QVERIFY(a.Envelope.Range(1500, 1510).Min < -10000);
    QVERIFY(a.Envelope.Range(2100, 3000).Max < 200);   // the click has died away
}

void TestMusic::beatsOfClickTracks_data()
{
    QTest::addColumn<std::vector<double>>("clicks");
    QTest::addColumn<double>("seconds");
    QTest::addColumn<double>("bpm");        // 0: do not check the tempo
    auto join = [](std::vector<double> a, const std::vector<double>& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    };
    QTest::newRow("90 bpm") << BeatTimes(0.3, 20, 90) << 20.0 << 90.0;
    QTest::newRow("120 bpm") << BeatTimes(0.5, 20, 120) << 20.0 << 120.0;
    QTest::newRow("140 bpm") << BeatTimes(0.25, 20, 140) << 20.0 << 140.0;
    QTest::newRow("100 then 130 bpm") << join(BeatTimes(0.4, 12.4, 100), BeatTimes(12.4, 26, 130)) << 26.0
                                      << 0.0;
    QTest::newRow("3 s of silence first") << BeatTimes(3.0, 20, 110) << 20.0 << 110.0;
}

// Tolerances: every click has a beat within 30 ms of it, every beat lies within
// 30 ms of a click (no beats in silence), and the tempo is within 1.5 %.
void TestMusic::beatsOfClickTracks()
{
    QFETCH(std::vector<double>, clicks);
    QFETCH(double, seconds);
    QFETCH(double, bpm);
    const QString file = Dir.filePath("beats.wav");
    QVERIFY(WriteMusic(file, ClickTrack(44100, seconds, clicks), 44100, MusicWav));
    TMusicAnalysis a;
    QVERIFY(AnalyseMusic(file, a).outcome.ok);
    for (double t : clicks)
        QVERIFY2(Nearest(a.Beats, t) < 0.03, qPrintable(QString("no beat near the click at %1 s").arg(t)));
    for (double b : a.Beats)
        QVERIFY2(Nearest(clicks, b) < 0.03, qPrintable(QString("a beat at %1 s without a click").arg(b)));
    QVERIFY(std::is_sorted(a.Beats.begin(), a.Beats.end()));
    if (bpm > 0)
        QVERIFY2(std::abs(a.Bpm - bpm) < bpm * 0.015, qPrintable(QString::number(a.Bpm)));
    QVERIFY(!a.Onsets.empty());
}

void TestMusic::cancelLeavesAnalysisAlone()
{
    const QString file = Dir.filePath("long.flac");
    QVERIFY(WriteMusic(file, ClickTrack(44100, 30, BeatTimes(0, 30, 120)), 44100, MusicFlac));
    TMusicAnalysis a;
    a.Bpm = 42;
    int calls = 0;
    const TMusicResult r = AnalyseMusic(file, a, [&](double done) {
        ++calls;
        return done < 0.2;
    });
    QVERIFY(!r.outcome.ok);
    QVERIFY(r.cancelled);
    QCOMPARE(a.Bpm, 42.0);
    QVERIFY(calls >= 5 && calls < 15);   // told about once a second, stopped soon after 20 %

    double last = -1;
    bool rising = true;
    QVERIFY(AnalyseMusic(file, a, [&](double done) {
        rising = rising && done >= last;
        last = done;
        return true;
    }).outcome.ok);
    QVERIFY(rising);
    QCOMPARE(last, 1.0);
}

QTEST_GUILESS_MAIN(TestMusic)
#include "tst_music.moc"
