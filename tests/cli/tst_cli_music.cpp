// skelmar-cli beats and fit-beats on click tracks the test writes.
#include "Builders.h"
#include "CliRun.h"
#include "MusicFiles.h"
#include "ShowFile.h"
#include "Soundtrack.h"
#include "WaveCompiler.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QtTest>

#include <unistd.h>

class TestCliMusic : public QObject {
    Q_OBJECT

private:
    QTemporaryDir Dir;
    std::vector<double> Clicks;
    QString Music;

private slots:
    void initTestCase();
    void beatsAsJson_data();
    void beatsAsJson();
    void beatsAsText();
    void tempoRangeSteersTheOctave_data();
    void tempoRangeSteersTheOctave();
    void usageAndFileErrors_data();
    void usageAndFileErrors();
    void fitBeatsWritesAFittedShow_data();
    void fitBeatsWritesAFittedShow();
    void fitBeatsNeverReplacesItsInputs_data();
    void fitBeatsNeverReplacesItsInputs();
    void musicNamedWithAColon();
    void musicThatCannotBeUsed_data();
    void musicThatCannotBeUsed();
};

void TestCliMusic::initTestCase()
{
    Clicks = BeatTimes(0.5, 20, 120);
    Music = Dir.filePath("clicks.flac");
    QVERIFY(WriteMusic(Music, ClickTrack(44100, 20, Clicks), 44100, MusicFlac));
}

void TestCliMusic::beatsAsJson_data()
{
    QTest::addColumn<int>("format");
    QTest::addColumn<QString>("suffix");
    QTest::addColumn<double>("tolerance");   // MP3 encoders delay the sound a little
    QTest::newRow("FLAC") << MusicFlac << "flac" << 0.03;
    QTest::newRow("MP3") << MusicMp3 << "mp3" << 0.06;
}

void TestCliMusic::beatsAsJson()
{
    QFETCH(int, format);
    QFETCH(QString, suffix);
    QFETCH(double, tolerance);
    const QString file = Dir.filePath("json." + suffix);
    QVERIFY(WriteMusic(file, ClickTrack(44100, 20, Clicks), 44100, format));
    const TRun run = RunCli({"beats", file, "--json"});
    QCOMPARE(run.exitCode, 0);
    QVERIFY(run.err.isEmpty());
    QJsonParseError error{};
    const QJsonDocument json = QJsonDocument::fromJson(run.out.toUtf8(), &error);
    QVERIFY2(error.error == QJsonParseError::NoError, qPrintable(run.out));
    const QJsonObject object = json.object();
    QCOMPARE(object.keys(), (QStringList{"beats", "bpm"}));
    QVERIFY(std::abs(object.value("bpm").toDouble() - 120) < 1.5);
    const QJsonArray beats = object.value("beats").toArray();
    std::vector<double> times;
    for (const QJsonValue& v : beats)
        times.push_back(v.toDouble());
    QVERIFY(std::is_sorted(times.begin(), times.end()));
    int found = 0;
    for (double t : Clicks)
        found += Nearest(times, t) < tolerance;
    QVERIFY2(found >= int(Clicks.size()) - 1, qPrintable(run.out));
}

void TestCliMusic::beatsAsText()
{
    const TRun run = RunCli({"beats", Music});
    QCOMPARE(run.exitCode, 0);
    const QStringList lines = run.out.split('\n', Qt::SkipEmptyParts);
    QVERIFY2(lines.value(0).startsWith("Tempo: 12"), qPrintable(run.out));
    QVERIFY(lines.value(0).endsWith("s of clicks.flac"));
    QCOMPARE(lines.size() - 1, int(Clicks.size()));
    QVERIFY(std::abs(lines.value(1).toDouble() - 0.5) < 0.03);
}

void TestCliMusic::tempoRangeSteersTheOctave_data()
{
    QTest::addColumn<QStringList>("range");
    QTest::addColumn<double>("bpm");
    QTest::newRow("default: 174") << QStringList{} << 174.0;
    QTest::newRow("--max-bpm 100: every other click") << QStringList{"--max-bpm", "100"} << 87.0;
    QTest::newRow("--min-bpm=60 --max-bpm=120") << QStringList{"--min-bpm=60", "--max-bpm=120"} << 87.0;
}

// Clicks at 174 bpm: each at 174 bpm, or every other one at 87 when asked.
void TestCliMusic::tempoRangeSteersTheOctave()
{
    QFETCH(QStringList, range);
    QFETCH(double, bpm);
    const QString file = Dir.filePath("fast.wav");
    const std::vector<double> clicks = BeatTimes(0.3, 8, 174);
    if (!QFile::exists(file))
        QVERIFY(WriteMusic(file, ClickTrack(44100, 8, clicks), 44100, MusicWav));
    const TRun run = RunCli(QStringList{"beats", file, "--json"} + range);
    QCOMPARE(run.exitCode, 0);
    const QJsonObject object = QJsonDocument::fromJson(run.out.toUtf8()).object();
    QVERIFY2(std::abs(object.value("bpm").toDouble() - bpm) < 0.1, qPrintable(run.out));
    const int expected = bpm > 100 ? int(clicks.size()) : int(clicks.size() + 1) / 2;
    QVERIFY2(std::abs(object.value("beats").toArray().size() - expected) <= 1, qPrintable(run.out));
}

void TestCliMusic::usageAndFileErrors_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");
    QTest::newRow("beats without file") << QStringList{"beats"} << 1 << "needs a music file";
    QTest::newRow("beats unknown option") << QStringList{"beats", "x.mp3", "--csv"} << 1 << "unknown option";
    QTest::newRow("beats two files") << QStringList{"beats", "a.mp3", "b.mp3"} << 1 << "one music file";
    QTest::newRow("beats missing file") << QStringList{"beats", "/no/such/song.mp3"} << 2 << "/no/such/song.mp3";
    QTest::newRow("beats tempo not a number") << QStringList{"beats", "a.mp3", "--min-bpm", "slow"} << 1
                                              << "--min-bpm needs a number of beats per minute";
    QTest::newRow("beats tempo without value") << QStringList{"beats", "a.mp3", "--max-bpm"} << 1
                                               << "--max-bpm needs a number of beats per minute";
    QTest::newRow("beats range upside down") << QStringList{"beats", "a.mp3", "--min-bpm", "150", "--max-bpm", "100"}
                                             << 1 << "--min-bpm below --max-bpm (got 150..100)";
    QTest::newRow("beats range too wide") << QStringList{"beats", "a.mp3", "--max-bpm", "1000"} << 1
                                          << "within 20..400 bpm";
    QTest::newRow("beats range against the default")
        << QStringList{"beats", "a.mp3", "--min-bpm", "240"} << 1 << "(got 240..215)";
    QTest::newRow("fit-beats two files") << QStringList{"fit-beats", "a.RZ4", "b.mp3"} << 1 << "takes a show";
    QTest::newRow("fit-beats bad offset") << QStringList{"fit-beats", "a", "b", "c", "--offset", "soon"} << 1
                                          << "--offset needs";
    QTest::newRow("fit-beats missing show") << QStringList{"fit-beats", "/no/show.RZ4", "b.mp3", "c.RZ4"} << 2
                                            << "/no/show.RZ4";
}

void TestCliMusic::usageAndFileErrors()
{
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    const TRun run = RunCli(args);
    QCOMPARE(run.exitCode, exitCode);
    QVERIFY2(run.err.contains(message), qPrintable(run.err));
    QVERIFY(run.out.isEmpty());
}

void TestCliMusic::fitBeatsWritesAFittedShow_data()
{
    QTest::addColumn<int>("offset");
    QTest::addColumn<bool>("corrected");   // the show's soundtrack has its beats half a beat later
    QTest::newRow("no offset") << 0 << false;
    QTest::newRow("music 300 ms later") << 300 << false;
    QTest::newRow("show 800 ms into the music") << -800 << false;
    QTest::newRow("beats corrected in the editor") << 0 << true;
}

// The fitted show compiles with every change of frame within 30 ms of a beat,
// and it names its music in its soundtrack file.
void TestCliMusic::fitBeatsWritesAFittedShow()
{
    QFETCH(int, offset);
    QFETCH(bool, corrected);
    TLaserFrames show;
    const quint16 delays[] = {900, 420, 1300, 610, 2000};
    for (int i = 0; i < 5; ++i) {
        TLaserFrame& f = show.Add();
        f.Delay = delays[i];
        AddPoints(f, {{20 + 30 * i, 20}, {230, 40 + 10 * i}, {120, 220}});
    }
    const QString in = Dir.filePath("in.RZ4"), out = Dir.filePath("fitted/out.RZ4");
    QDir().mkpath(Dir.filePath("fitted"));
    QVERIFY(WriteShowFile(in, show).ok);
    std::vector<double> beats = Clicks;
    if (corrected) {
        for (double& b : beats)
            b += 0.25;
        QVERIFY(WriteSoundtrackFile(in, TSoundtrack{Music, 0, TBeatGrid{beats, 1}}).ok);
    } else {
        QFile::remove(SoundtrackFileName(in));
    }
    const QByteArray before = ReadFile(in);
    const TRun run = RunCli({"fit-beats", in, Music, out, "--offset", QString::number(offset)});
    QCOMPARE(run.exitCode, 0);
    QVERIFY2(run.out.startsWith("Fitted 5 of 5 frames"), qPrintable(run.out));
    QCOMPARE(ReadFile(in), before);

    TLaserFrames fitted;
    QVERIFY(ReadShowFile(fitted, out).outcome.ok);
    const TCompileResult timing = MeasureShow(fitted, TCompileOptions{});
    QVERIFY(timing.outcome.ok);
    for (const TFrameTiming& t : timing.timing) {
        const double change = double(t.DisplayEnd()) / 44100;
        double best = 1e9;
        for (double c : beats)
            best = std::min(best, std::abs(c + offset / 1000.0 - change));
        QVERIFY2(best < 0.03, qPrintable(QString("a change at %1 s").arg(change)));
    }

    TSoundtrack linked;
    QVERIFY(ReadSoundtrackFile(out, linked).outcome.ok);
    QCOMPARE(linked.MusicFile, QFileInfo(Music).absoluteFilePath());
    QCOMPARE(linked.OffsetMs, offset);
    QCOMPARE(linked.Beats.has_value(), corrected);
    if (corrected)
        QCOMPARE(linked.Beats->Beats, beats);
    QVERIFY(ReadFile(SoundtrackFileName(out)).contains("\"../clicks.flac\""));
}

// An output that is the show or the music (by name, through a link, or as the
// output's soundtrack file), or an offset the soundtrack file cannot hold: refused
// before anything is read, and every file stays as it was.
void TestCliMusic::fitBeatsNeverReplacesItsInputs_data()
{
    QTest::addColumn<QString>("out");       // in the test's folder; "music" and "show.RZ4" are the inputs
    QTest::addColumn<QString>("link");      // "symbolic" or "hard": out is made a link to the input named below
    QTest::addColumn<QString>("linked");
    QTest::addColumn<QString>("offset");
    QTest::addColumn<QString>("message");
    QTest::newRow("the music") << "music.flac" << "" << "" << "0" << "would replace the music";
    QTest::newRow("the show") << "show.RZ4" << "" << "" << "0" << "would replace the show";
    QTest::newRow("a symbolic link to the music") << "out.RZ4" << "symbolic" << "music.flac" << "0"
                                                  << "would replace the music";
    QTest::newRow("a hard link to the show") << "out.RZ4" << "hard" << "show.RZ4" << "0" << "would replace the show";
    QTest::newRow("its soundtrack file is the music") << "out.RZ4" << "symbolic" << "music.flac:soundtrack" << "0"
                                                      << "\"out.RZ4.soundtrack\" would replace the music";
    QTest::newRow("an offset of a day and a millisecond") << "out.RZ4" << "" << "" << "86400001"
                                                          << "--offset takes at most a day either way";
    QTest::newRow("an offset of minus a day and a millisecond") << "out.RZ4" << "" << "" << "-86400001"
                                                                << "--offset takes at most a day either way";
}

void TestCliMusic::fitBeatsNeverReplacesItsInputs()
{
    QFETCH(QString, out);
    QFETCH(QString, link);
    QFETCH(QString, linked);
    QFETCH(QString, offset);
    QFETCH(QString, message);
    QTemporaryDir dir;
    const QString music = dir.filePath("music.flac"), show = dir.filePath("show.RZ4");
    QVERIFY(QFile::copy(Music, music));
    TLaserFrames frames;
    AddPoints(frames.Add(), {{10, 10}, {200, 100}});
    QVERIFY(WriteShowFile(show, frames).ok);
    QStringList present{"music.flac", "show.RZ4"};
    if (!link.isEmpty()) {
        const bool soundtrack = linked.endsWith(":soundtrack");
        const QString from = dir.filePath(soundtrack ? out + ".soundtrack" : out);
        const QString to = dir.filePath(linked.section(':', 0, 0));
        QVERIFY(link == "hard" ? ::link(QFile::encodeName(to).constData(), QFile::encodeName(from).constData()) == 0
                               : QFile::link(to, from));
        present << QFileInfo(from).fileName();
    }
    const QByteArray musicBytes = ReadFile(music), showBytes = ReadFile(show);
    const TRun run = RunCli({"fit-beats", "show.RZ4", "music.flac", out, "--offset", offset}, dir.path());
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.err.contains(message), qPrintable(run.err));
    QVERIFY(run.out.isEmpty());
    QCOMPARE(ReadFile(music), musicBytes);
    QCOMPARE(ReadFile(show), showBytes);
    QCOMPARE(Litter(dir.path(), present), QStringList());
}

// A name beginning with ':' is a file like any other, not one of Qt's resources.
void TestCliMusic::musicNamedWithAColon()
{
    QTemporaryDir dir;
    QVERIFY(QFile::copy(Music, dir.filePath("clicks.flac")));
    QVERIFY(QFile::rename(dir.filePath("clicks.flac"), dir.path() + "/:intro.flac"));
    TLaserFrames frames;
    AddPoints(frames.Add(), {{10, 10}, {200, 100}});
    QVERIFY(WriteShowFile(dir.filePath("show.RZ4"), frames).ok);
    TRun run = RunCli({"beats", ":intro.flac"}, dir.path());
    QCOMPARE(run.exitCode, 0);
    QVERIFY2(run.out.contains("of :intro.flac"), qPrintable(run.out + run.err));
    run = RunCli({"fit-beats", "show.RZ4", ":intro.flac", ":fitted.RZ4"}, dir.path());
    QVERIFY2(run.exitCode == 0, qPrintable(run.err));
    TSoundtrack linked;
    QVERIFY(ReadSoundtrackFile(dir.path() + "/:fitted.RZ4", linked).outcome.ok);
    QCOMPARE(linked.MusicFile, QDir::cleanPath(dir.path() + "/:intro.flac"));
    QVERIFY(ReadFile(dir.path() + "/:fitted.RZ4.soundtrack").contains("\"./:intro.flac\""));
}

// Music that cannot be used: one line naming what happened, exit 2, nothing else on
// the terminal, nothing written.
void TestCliMusic::musicThatCannotBeUsed_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("message");
    QTest::newRow("an MP3 of only an ID3 tag") << "tag.mp3" << QByteArray("ID3\x03\x00\x00\x00\x00\x00\x10", 10) + QByteArray(16, '\0')
                                              << "The music file \"%1\" has no audio: no MP3 frame was found in it.";
    QTest::newRow("a damaged MP3") << "damaged.mp3" << QByteArray("<damaged>")
                                   << "The music file \"%1\" is damaged at ";
}

void TestCliMusic::musicThatCannotBeUsed()
{
    QFETCH(QString, fileName);
    QFETCH(QByteArray, content);
    QFETCH(QString, message);
    QTemporaryDir dir;
    const QString path = dir.filePath(fileName);
    if (content == "<damaged>") {
        QVERIFY(WriteMusic(path, ClickTrack(44100, 6, Clicks), 44100, MusicMp3));
        content = ReadFile(path);
        for (int i = 0; i < 400; ++i)
            content[content.size() / 2 + i] = char(i * 31 + 7);
    }
    QVERIFY(WriteFile(path, content));
    TLaserFrames frames;
    AddPoints(frames.Add(), {{10, 10}, {200, 100}});
    QVERIFY(WriteShowFile(dir.filePath("show.RZ4"), frames).ok);
    for (const QStringList& args : {QStringList{"beats", path}, QStringList{"fit-beats", dir.filePath("show.RZ4"), path, dir.filePath("out.RZ4")}}) {
        const TRun run = RunCli(args);
        QCOMPARE(run.exitCode, 2);
        QVERIFY(run.out.isEmpty());
        QVERIFY2(run.err.startsWith("skelmar-cli: " + message.arg(path)) && run.err.count('\n') == 1, qPrintable(run.err));
        QCOMPARE(Litter(dir.path(), {fileName, "show.RZ4"}), QStringList());
    }
}

QTEST_GUILESS_MAIN(TestCliMusic)
#include "tst_cli_music.moc"
