// Music files: decoding through libsndfile in every format the editor offers, the
// loudness outline, and beats and tempo of click tracks the test writes itself.
#include "Builders.h"
#include "MusicTrack.h"
#include "MusicFiles.h"

#include <QTemporaryDir>
#include <QtTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <random>

namespace {

// A WAV file's bytes: a 44-byte header declaring `dataSize` bytes (which need not
// follow) and the data that does.
QByteArray UntrustedWav(int rate, int channels, int bits, int format, quint32 dataSize, const QByteArray& data = {})
{
    QByteArray b;
    QDataStream s(&b, QIODevice::WriteOnly);
    s.setByteOrder(QDataStream::LittleEndian);
    const int block = channels * bits / 8;
    s.writeRawData("RIFF", 4);
    s << quint32(std::min<quint64>(36ull + dataSize, 0xffffffffull));
    s.writeRawData("WAVEfmt ", 8);
    s << quint32(16) << quint16(format) << quint16(channels) << quint32(rate) << quint32(quint64(rate) * block)
      << quint16(block) << quint16(bits);
    s.writeRawData("data", 4);
    s << dataSize;
    return b + data;
}

QByteArray FloatSamples(const std::vector<float>& v)
{
    return QByteArray(reinterpret_cast<const char*>(v.data()), qsizetype(v.size() * sizeof(float)));
}

// What the process writes on its standard error while it lives.
class TStderrCapture {
public:
    TStderrCapture()
    {
        std::fflush(stderr);
        FSaved = ::dup(2);
        FFile = std::tmpfile();
        ::dup2(::fileno(FFile), 2);
    }
    ~TStderrCapture() { Release(); }
    QByteArray Release()
    {
        if (FSaved < 0)
            return {};
        std::fflush(stderr);
        ::dup2(FSaved, 2);
        ::close(FSaved);
        FSaved = -1;
        QByteArray text;
        std::rewind(FFile);
        char buffer[4096];
        for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, FFile)) > 0;)
            text.append(buffer, qsizetype(n));
        std::fclose(FFile);
        return text;
    }

private:
    int FSaved = -1;
    FILE* FFile = nullptr;
};

} // namespace

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
    void untrustedMusic_data();
    void untrustedMusic();
    void envelopeBelow1000Hz_data();
    void envelopeBelow1000Hz();
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

// Music files made to hurt: each is refused from its header with what is wrong, or
// read with its samples kept in range, quickly, in little memory, without a word on
// the terminal and without anything written.
void TestMusic::untrustedMusic_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<qint64>("sparseSize");  // the file grows to this with a hole; 0: as it is
    QTest::addColumn<QString>("message");    // empty: read

    QTest::newRow("4 GB of 8-bit mono at 1000 Hz, sparse")
        << "sparse.wav" << UntrustedWav(1000, 1, 8, 1, 4000000000u) << qint64(44 + 4000000000ll)
        << "The music file \"%1\" lasts 1111:06:40.0, longer than the 3 hours a soundtrack may last.";
    QTest::newRow("4 GB of 8-bit mono at 1 Hz, sparse")
        << "slow-sparse.wav" << UntrustedWav(1, 1, 8, 1, 4000000000u) << qint64(44 + 4000000000ll)
        << "The music file \"%1\" lasts 1111111:06:40.0, longer than the 3 hours a soundtrack may last.";
    QTest::newRow("3 hours and 40 minutes at 1 Hz")
        << "slow.wav" << UntrustedWav(1, 1, 8, 1, 13200, QByteArray(13200, '\x80')) << qint64(0)
        << "The music file \"%1\" lasts 3:40:00.0, longer than the 3 hours a soundtrack may last.";
    QTest::newRow("2,147,483,647 Hz")
        << "fast.wav" << UntrustedWav(2147483647, 1, 16, 1, 200000, QByteArray(200000, '\0')) << qint64(0)
        << "The music file \"%1\" has a sample rate of 2147483647 Hz; music from 1 to 768000 Hz can be read.";
    QTest::newRow("a header and no sound") << "empty.wav" << UntrustedWav(44100, 2, 16, 1, 0) << qint64(0)
                                           << "The music file \"%1\" has no audio.";
    std::vector<float> odd(4000, 0.25f);
    const float specials[] = {std::nanf(""), INFINITY, -INFINITY, 1e30f, -1e30f, 3.0f};
    for (size_t i = 0; i < odd.size(); i += 7)
        odd[i] = specials[(i / 7) % 6];
    QTest::newRow("NaN, infinite and out-of-range float samples")
        << "odd.wav" << UntrustedWav(8000, 1, 32, 3, quint32(odd.size() * 4), FloatSamples(odd)) << qint64(0) << "";

    // MP3 through libmpg123: what libsndfile called a missing file, and damage it
    // decoded around, telling only the terminal.
    QTest::newRow("MP3 of only an ID3 tag")
        << "tag.mp3" << QByteArray("ID3\x03\x00\x00\x00\x00\x00\x10", 10) + QByteArray(16, '\0') << qint64(0)
        << "The music file \"%1\" has no audio: no MP3 frame was found in it.";
    QTest::newRow("text named .mp3") << "notes.mp3" << QByteArray("la la la\n").repeated(100) << qint64(0)
                                     << "The music file \"%1\" has no audio: no MP3 frame was found in it.";
    // libsndfile took a file named .mp3 it could not make out for MP3, and mpg123
    // printed its notes on the terminal (found by fuzz/run.sh).
    QTest::newRow("a damaged WAV named .mp3") << "riff.mp3" << QByteArray("RIFF\xff\xf3\x01\x00 not a WAV at all")
                                            << qint64(0) << "The music file \"%1\" cannot be read: Format not recognised.";
    // "<mp3 ...>": an MP3 the test encodes, then damages or adds to.
    QTest::newRow("MP3 with 300 bytes of junk inside") << "damaged.mp3" << QByteArray("<mp3 junk>") << qint64(0)
                                                       << "The music file \"%1\" is damaged at 0:0";
    QTest::newRow("MP3 with tags and junk after its end") << "tagged.mp3" << QByteArray("<mp3 tail>") << qint64(0)
                                                          << "";
}

void TestMusic::untrustedMusic()
{
    QFETCH(QString, fileName);
    QFETCH(QByteArray, content);
    QFETCH(qint64, sparseSize);
    QFETCH(QString, message);
    QTemporaryDir dir;
    const QString path = dir.filePath(fileName);
    if (content.startsWith("<mp3")) {
        std::vector<float> tone(44100 * 5);
        for (size_t i = 0; i < tone.size(); ++i)
            tone[i] = 0.5f * std::sin(float(i) * 0.05f) * float((i / 11025) % 2);
        QVERIFY(WriteMusic(path, tone, 44100, MusicMp3, 1));
        QByteArray mp3 = ReadFile(path);
        if (content == "<mp3 junk>") {
            // A third in, in the middle of the frames.
            for (int i = 0; i < 300; ++i)
                mp3[mp3.size() / 3 + i] = char(i * 7919);
        } else {
            mp3 += "APETAGEX" + QByteArray(24, '\0') + QByteArray(300, '\x55') + QByteArray(5000, '\0')
                   + "TAG" + QByteArray(125, ' ');
        }
        content = mp3;
    }
    QVERIFY(WriteFile(path, content));
    if (sparseSize > 0)
        QVERIFY(QFile::resize(path, sparseSize));

    TMusicAnalysis a;
    a.Bpm = 77;
    TStderrCapture capture;
    const TMusicResult r = AnalyseMusic(path, a);
    const QByteArray printed = capture.Release();
    QVERIFY2(printed.isEmpty(), printed.constData());
    QVERIFY(!r.cancelled);
    QCOMPARE(Litter(dir.path(), {fileName}), QStringList());
    if (!message.isEmpty()) {
        QVERIFY(!r.outcome.ok);
        QVERIFY2(r.outcome.message.startsWith(message.arg(QDir::toNativeSeparators(path))), qPrintable(r.outcome.message));
        QCOMPARE(a.Bpm, 77.0);   // the old analysis stays
        return;
    }
    QVERIFY2(r.outcome.ok, qPrintable(r.outcome.message));
    QVERIFY(a.Envelope.DurationMs() > 0);
    // Out of range is full scale, NaN silence: every peak a drawable number.
    const TMusicEnvelope::TPeak all = a.Envelope.Range(0, a.Envelope.DurationMs());
    QVERIFY(all.Min >= -32767 && all.Max <= 32767);
    if (fileName == "odd.wav") {
        QCOMPARE(all.Max, qint16(32767));
        QCOMPARE(all.Min, qint16(-32767));
    }
    TMusicReader reader;
    QVERIFY(reader.Open(path));
    std::vector<float> samples(size_t(reader.Info().Channels) * 1024);
    for (qint64 n; (n = reader.ReadFloat(samples.data(), 1024)) > 0;)
        for (qint64 i = 0; i < n * reader.Info().Channels; ++i)
            QVERIFY(samples[size_t(i)] >= -1.0f && samples[size_t(i)] <= 1.0f);
}

// Below 1000 Hz a sample lasts over several milliseconds: the outline is as long as
// the music and each sample shows for as long as it lasts.
void TestMusic::envelopeBelow1000Hz_data()
{
    QTest::addColumn<int>("rate");
    QTest::newRow("999 Hz") << 999;
    QTest::newRow("200 Hz") << 200;
    QTest::newRow("8 Hz") << 8;
    QTest::newRow("1 Hz") << 1;
}

void TestMusic::envelopeBelow1000Hz()
{
    QFETCH(int, rate);
    // 200 s of silence with one loud sample beginning at 150 s.
    std::vector<float> mono(size_t(200 * rate), 0.0f);
    mono[size_t(150 * rate)] = 0.9f;
    const qint64 lasts = 1000 / rate;   // milliseconds no other sample begins in
    TMusicEnvelope e;
    e.Reset(rate);
    for (size_t at = 0; at < mono.size(); at += 333)
        e.Add(mono.data() + at, qint64(std::min<size_t>(333, mono.size() - at)));
    e.Finish();
    QCOMPARE(e.DurationMs(), 200000);
    // (A range is summed from buckets up to half its length: the ones asked for here
    // stay clear of the sample.)
    QCOMPARE(e.Range(0, 100000).Max, qint16(0));
    QCOMPARE(e.Range(149999, 150000).Max, qint16(0));
    QVERIFY(e.Range(150000, 150001).Max > 29000);
    QVERIFY(e.Range(150000 + lasts - 1, 150000 + lasts).Max > 29000);
    QCOMPARE(e.Range(150000 + lasts, 150001 + lasts).Max, qint16(0));
    QCOMPARE(e.Range(170000, 200000).Max, qint16(0));

    // The same through a file.
    if (rate == 200) {
        const QString file = Dir.filePath("low.wav");
        QVERIFY(WriteMusic(file, mono, rate, MusicWav, 1));
        TMusicAnalysis a;
        const TMusicResult r = AnalyseMusic(file, a);
        QVERIFY2(r.outcome.ok, qPrintable(r.outcome.message));
        QCOMPARE(a.Envelope.DurationMs(), 200000);
        QVERIFY(a.Envelope.Range(150000, 150005).Max > 29000);
        QCOMPARE(a.Envelope.Range(0, 100000).Max, qint16(0));
    }
}

QTEST_GUILESS_MAIN(TestMusic)
#include "tst_music.moc"
