// The soundtrack played in step with the show, against a real sound server: the
// laser and the music go to two sinks that feed the two channel pairs of one
// four-channel null sink, so one recording of its monitor holds both on one clock.
#include "BeatGrid.h"
#include "Builders.h"
#include "AudioPlayer.h"
#include "FormUnitPreview.h"
#include "FormUnitSoundOutputs.h"
#include "MainWindowFixture.h"
#include "MusicFiles.h"
#include "MusicPlayer.h"
#include "ShowFile.h"
#include "ShowSoundtrack.h"
#include "SoundServer.h"
#include "Soundtrack.h"
#include "WaveCompiler.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QMediaDevices>
#include <QProcess>
#include <QtTest>

namespace {

constexpr int WaitMs = 5000;

qint16 Channel(const QByteArray& frames, qint64 frame, int channel)
{
    qint16 v;
    memcpy(&v, frames.constData() + frame * 8 + channel * 2, 2);
    return v;
}

// The first frame at or after `from` where one of the pair `channel`, `channel + 1`
// reaches `level`; -1 when none does.
qint64 FirstSound(const QByteArray& frames, int channel, int level, qint64 from = 0)
{
    for (qint64 i = from; i < frames.size() / 8; ++i)
        if (std::abs(Channel(frames, i, channel)) >= level || std::abs(Channel(frames, i, channel + 1)) >= level)
            return i;
    return -1;
}

} // namespace

class TestSoundtrackAudio : public QObject, public TMainWindowFixture {
    Q_OBJECT

private:
    QStringList Modules;
    QString Stage, LaserSink, MusicSink;
    QString NoServer;
    bool Load(const QStringList& args, QString& why);
    bool Visible(const QString& id) const;

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init() { InitFixture(); }
    void cleanup() { CleanupFixture(); }

    void musicStartsWithTheLaser_data();
    void musicStartsWithTheLaser();
    void noMusicOnTheLasersOutput();
    void musicOutputByDefault_data();
    void musicOutputByDefault();
    void tapTempoKeyWhilePlaying();
    void previewKeepsToTheMusicsTime();
};

bool TestSoundtrackAudio::Load(const QStringList& args, QString& why)
{
    const auto index = RunTool("pactl", QStringList{"load-module"} + args, &why);
    if (!index)
        return false;
    Modules.prepend(QString::fromLatin1(index->trimmed()));   // unloaded in reverse
    return true;
}

bool TestSoundtrackAudio::Visible(const QString& id) const
{
    for (const QAudioDevice& d : QMediaDevices::audioOutputs())
        if (d.id() == id.toUtf8())
            return true;
    return false;
}

void TestSoundtrackAudio::initTestCase()
{
    QApplication::setQuitOnLastWindowClosed(false);
    QString why;
    if (!RunTool("pactl", {"info"}, &why)) {
        NoServer = "no PulseAudio server reachable (./test.sh starts a private one): " + why;
        return;
    }
    const QString pid = QString::number(QCoreApplication::applicationPid());
    Stage = "skelmar_stage_" + pid;
    LaserSink = Stage + "_laser";
    MusicSink = Stage + "_music";
    if (!Load({"module-null-sink", "sink_name=" + Stage, "rate=44100", "format=s16le", "channels=4",
               "channel_map=front-left,front-right,rear-left,rear-right", "norewinds=1"}, why)
        || !Load({"module-remap-sink", "sink_name=" + LaserSink, "master=" + Stage, "channels=2",
                  "master_channel_map=front-left,front-right", "channel_map=front-left,front-right", "remix=no"},
                 why)
        || !Load({"module-remap-sink", "sink_name=" + MusicSink, "master=" + Stage, "channels=2",
                  "master_channel_map=rear-left,rear-right", "channel_map=front-left,front-right", "remix=no"},
                 why)) {
        NoServer = "cannot set up the test's sinks: " + why;
        return;
    }
    QElapsedTimer t;
    t.start();
    while (!(Visible(LaserSink) && Visible(MusicSink)) && t.elapsed() < WaitMs)
        QTest::qWait(50);
    if (!Visible(LaserSink) || !Visible(MusicSink))
        NoServer = "Qt Multimedia does not see the test's sinks";
}

void TestSoundtrackAudio::cleanupTestCase()
{
    for (const QString& index : std::as_const(Modules))
        RunTool("pactl", {"unload-module", index}, nullptr);
}

void TestSoundtrackAudio::musicStartsWithTheLaser_data()
{
    QTest::addColumn<int>("offset");
    QTest::newRow("together") << 0;
    QTest::newRow("music 400 ms later") << 400;
    QTest::newRow("show 250 ms into the music") << -250;
}

// Play starts the compiled show on the laser's output and the click track on the
// music's; the first click sounds within 30 ms of where the offset puts it against
// the first laser sample. The laser's samples arrive untouched; Stop stops both.
void TestSoundtrackAudio::musicStartsWithTheLaser()
{
    if (!NoServer.isEmpty())
        QSKIP(qPrintable(NoServer));
    QFETCH(int, offset);
    TLaserFrames show;
    for (int i = 0; i < 2; ++i) {
        TLaserFrame& f = show.Add();
        f.Delay = 1500;
        AddPoints(f, {{30, 40}, {220, 50 + 40 * i}, {120, 230}});
    }
    const QString showFile = Dir->filePath("sync.RZ4");
    QVERIFY(WriteShowFile(showFile, show).ok);
    QVERIFY(CompileShow(show, WaveFileName(showFile), TCompileOptions{}).outcome.ok);
    QFile wave(WaveFileName(showFile));
    QVERIFY(wave.open(QIODevice::ReadOnly));
    const QByteArray laser = wave.readAll().mid(44);
    // Clicks every half second; with the show starting inside the music the first
    // one heard is the one at 250 ms + 250 ms.
    const QString music = Dir->filePath("clicks.wav");
    QVERIFY(WriteMusic(music, ClickTrack(44100, 4, BeatTimes(offset < 0 ? 0.5 : 0.0, 4, 120)), 44100, MusicWav));
    QVERIFY(WriteSoundtrackFile(showFile, {music, offset}).ok);
    const double firstClickMs = offset < 0 ? 500 + offset : offset;

    CreateForm([this](TSettingsStore& store) {
        store.WriteText("SoundOutputs", "Laser", LaserSink);
        store.WriteText("SoundOutputs", "Music", MusicSink);
        store.WriteSwitch({}, "RepeatPlay", false);
    });
    QVERIFY(Form->OpenShow(showFile));
    QVERIFY(Ui().aPlayShow->isEnabled());

    TMonitorRecorder recorder;
    QVERIFY(recorder.Start(Stage + ".monitor", 4, {"--channel-map=front-left,front-right,rear-left,rear-right"}));
    Ui().aPlayShow->trigger();
    QVERIFY2(Ui().aStopShow->isEnabled(), qPrintable(Inside().sbFrameMessage->text()));
    QTest::qWait(1500);
    Ui().aStopShow->trigger();
    QTest::qWait(400);
    const QByteArray frames = recorder.Finish();

    const qint64 firstLaser = FirstSound(frames, 0, 1);
    const qint64 firstClick = FirstSound(frames, 2, 2000);
    QVERIFY2(firstLaser >= 0, "the laser signal was not recorded");
    QVERIFY2(firstClick >= 0, qPrintable("no click was recorded: " + Inside().sbFrameMessage->text()));
    const double apartMs = double(firstClick - firstLaser) * 1000 / 44100;
    qInfo("first click %.1f ms after the first laser sample (%.0f ms wanted)", apartMs, firstClickMs);
    QVERIFY2(std::abs(apartMs - firstClickMs) < 30, qPrintable(QString("%1 ms apart").arg(apartMs)));

    // The laser's pair holds the compiled samples as they are.
    const qint64 compare = 44100 / 2;
    for (qint64 i = 0; i < compare; ++i) {
        qint16 l, r;
        memcpy(&l, laser.constData() + i * 4, 2);
        memcpy(&r, laser.constData() + i * 4 + 2, 2);
        if (Channel(frames, firstLaser + i, 0) != l || Channel(frames, firstLaser + i, 1) != r)
            QFAIL(qPrintable(QString("laser sample %1 altered").arg(i)));
    }
    // After Stop, both pairs fall silent.
    const qint64 tail = frames.size() / 8 - 44100 / 10;
    QVERIFY(FirstSound(frames, 0, 1, tail) < 0);
    QVERIFY(FirstSound(frames, 2, 1, tail) < 0);
    QVERIFY(!Inside().MusicPlayer->IsPlaying());
}

// Music mixed into the laser's output would move the scanners: it is not played.
void TestSoundtrackAudio::noMusicOnTheLasersOutput()
{
    if (!NoServer.isEmpty())
        QSKIP(qPrintable(NoServer));
    TLaserFrames show;
    TLaserFrame& f = show.Add();
    f.Delay = 500;
    f.Points.resize(3);
    f.Points[1].X = 200;
    f.Points[2].Y = 200;
    const QString showFile = Dir->filePath("same.RZ4");
    QVERIFY(WriteShowFile(showFile, show).ok);
    QVERIFY(CompileShow(show, WaveFileName(showFile), TCompileOptions{}).outcome.ok);
    const QString music = Dir->filePath("clicks.wav");
    QVERIFY(WriteMusic(music, ClickTrack(44100, 2, {0.0, 0.5}), 44100, MusicWav));
    QVERIFY(WriteSoundtrackFile(showFile, {music, 0}).ok);
    CreateForm([this](TSettingsStore& store) {
        store.WriteText("SoundOutputs", "Laser", LaserSink);
        store.WriteText("SoundOutputs", "Music", LaserSink);
    });
    QVERIFY(Form->OpenShow(showFile));
    Ui().aPlayShow->trigger();
    QVERIFY(Ui().aStopShow->isEnabled());
    QVERIFY(!Inside().MusicPlayer->IsPlaying());
    QVERIFY(Inside().sbFrameMessage->text().contains("laser's output"));
    Ui().aStopShow->trigger();
}

void TestSoundtrackAudio::musicOutputByDefault_data()
{
    QTest::addColumn<bool>("laserOnItsOwn");   // the laser on a sink that is not the system's default
    QTest::addColumn<QString>("music");        // the stored music output
    QTest::addColumn<bool>("plays");
    QTest::addColumn<QString>("said");         // in a box, once, and in the status bar; "": no box
    QTest::newRow("default output free: the music plays there") << true << "" << true << "";
    QTest::newRow("default output is the laser's: said plainly")
        << false << "" << false << "The show plays without its music";
    QTest::newRow("music switched off: no box") << true << TSoundOutputs::NoMusic << false << "";
}

// Unless told otherwise the music plays on the system's default output, when that
// is not the laser's; when it has no output, Play says so plainly, once a run.
void TestSoundtrackAudio::musicOutputByDefault()
{
    if (!NoServer.isEmpty())
        QSKIP(qPrintable(NoServer));
    QFETCH(bool, laserOnItsOwn);
    QFETCH(QString, music);
    QFETCH(bool, plays);
    QFETCH(QString, said);
    TLaserFrames show;
    TLaserFrame& f = show.Add();
    f.Delay = 500;
    AddPoints(f, {{30, 40}, {220, 50}, {120, 230}});
    const QString showFile = Dir->filePath("default.RZ4");
    QVERIFY(WriteShowFile(showFile, show).ok);
    QVERIFY(CompileShow(show, WaveFileName(showFile), TCompileOptions{}).outcome.ok);
    const QString clicks = Dir->filePath("clicks.wav");
    QVERIFY(WriteMusic(clicks, ClickTrack(44100, 2, {0.0, 0.5}), 44100, MusicWav));
    QVERIFY(WriteSoundtrackFile(showFile, {clicks, 0}).ok);
    CreateForm([&](TSettingsStore& store) {
        store.WriteText("SoundOutputs", "Laser", laserOnItsOwn ? LaserSink : QString());
        store.WriteText("SoundOutputs", "Music", music);
    });
    QVERIFY(Form->OpenShow(showFile));
    if (!said.isEmpty())
        Prompts->ExpectTell();
    for (int run = 0; run < 2; ++run) {   // the second Play says it in the status bar only
        Ui().aPlayShow->trigger();
        QVERIFY(Ui().aStopShow->isEnabled());
        QCOMPARE(Inside().MusicPlayer->IsPlaying(), plays);
        if (!said.isEmpty())
            QVERIFY2(Inside().sbFrameMessage->text().startsWith(said), qPrintable(Inside().sbFrameMessage->text()));
        Ui().aStopShow->trigger();
    }
    if (!said.isEmpty()) {
        QCOMPARE(Prompts->Shown.size(), 1);
        QVERIFY(Prompts->Shown.first().text.startsWith(said));
    } else {
        QVERIFY(Prompts->Shown.isEmpty());
    }
}

// T tapped along while Play runs the music: when the music stops, steady beats at
// the tapped tempo replace the beats, as one step of the history.
void TestSoundtrackAudio::tapTempoKeyWhilePlaying()
{
    if (!NoServer.isEmpty())
        QSKIP(qPrintable(NoServer));
    TLaserFrames show;
    TLaserFrame& f = show.Add();
    f.Delay = 8000;
    AddPoints(f, {{30, 40}, {220, 50}, {120, 230}});
    const QString showFile = Dir->filePath("tap.RZ4");
    QVERIFY(WriteShowFile(showFile, show).ok);
    QVERIFY(CompileShow(show, WaveFileName(showFile), TCompileOptions{}).outcome.ok);
    const QString clicks = Dir->filePath("clicks.wav");
    QVERIFY(WriteMusic(clicks, ClickTrack(44100, 8, BeatTimes(0.5, 8, 120)), 44100, MusicWav));
    QVERIFY(WriteSoundtrackFile(showFile, {clicks, 0}).ok);
    CreateForm(
        [this](TSettingsStore& store) {
            store.WriteText("SoundOutputs", "Laser", LaserSink);
            store.WriteText("SoundOutputs", "Music", MusicSink);
            store.WriteSwitch({}, "RepeatPlay", false);
        },
        true);
    Form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(Form.get()));
    QVERIFY(Form->OpenShow(showFile));
    QVERIFY(Inside().ShowMusic->WaitForAnalysis(20000));
    Form->Document().MarkSaved();

    Ui().aPlayShow->trigger();
    QVERIFY(Inside().MusicPlayer->IsPlaying());
    for (int tap = 0; tap < 6; ++tap) {   // 150 bpm
        QTest::qWait(400);
        QTest::keyClick(Form.get(), Qt::Key_T);
    }
    QVERIFY2(Inside().sbFrameMessage->text().startsWith("Tap tempo: 6 taps"), qPrintable(Inside().sbFrameMessage->text()));
    Ui().aStopShow->trigger();
    QCOMPARE(Form->Document().History().undoText(), QStringLiteral("Tap tempo"));
    const std::optional<TBeatGrid> tapped = Form->Document().Soundtrack().Beats;
    QVERIFY(tapped);
    const double bpm = TempoFromBeats(tapped->Beats);
    QVERIFY2(bpm > 135 && bpm < 165, qPrintable(QString::number(bpm)));
    Ui().miUndo->trigger();
    QVERIFY(!Form->Document().Soundtrack().Beats);
    QVERIFY(!Form->IsModified());
}

// With music to play, the show preview draws at the show's own pace and the music
// runs beside it; a move of the slider moves the music, closing stops it.
void TestSoundtrackAudio::previewKeepsToTheMusicsTime()
{
    if (!NoServer.isEmpty())
        QSKIP(qPrintable(NoServer));
    TLaserFrames show;
    TLaserFrame& f = show.Add();
    f.Delay = 6000;
    AddPoints(f, {{30, 40}, {220, 50}, {120, 230}});
    const QString showFile = Dir->filePath("preview.RZ4");
    QVERIFY(WriteShowFile(showFile, show).ok);
    QVERIFY(CompileShow(show, WaveFileName(showFile), TCompileOptions{}).outcome.ok);
    const QString music = Dir->filePath("clicks.wav");
    QVERIFY(WriteMusic(music, ClickTrack(44100, 8, BeatTimes(0, 8, 120)), 44100, MusicWav));
    QVERIFY(WriteSoundtrackFile(showFile, {music, 0}).ok);
    CreateForm([this](TSettingsStore& store) {
        store.WriteText("SoundOutputs", "Laser", LaserSink);
        store.WriteText("SoundOutputs", "Music", MusicSink);
    });
    QVERIFY(Form->OpenShow(showFile));
    TFormPreview* preview = Inside().FormPreview;
    QVERIFY(preview->LoadSamples(WaveFileName(showFile)).isEmpty());
    QElapsedTimer clock;
    clock.start();
    preview->show();   // showing starts the drawing
    QVERIFY(preview->IsPaced());
    QVERIFY(Inside().MusicPlayer->IsPlaying());
    QTest::qWait(600);
    // Samples drawn so far against the time gone by: the same within 100 ms.
    const double drawnMs = double(preview->Trace().StreamPosition() - 44) / 4 * 1000 / 44100;
    QVERIFY2(std::abs(drawnMs - double(clock.elapsed())) < 100,
             qPrintable(QString("%1 ms drawn after %2 ms").arg(drawnMs).arg(clock.elapsed())));
    QVERIFY(preview->IsDrawing());
    preview->hide();
    QVERIFY(!Inside().MusicPlayer->IsPlaying());
}

QTEST_MAIN(TestSoundtrackAudio)
#include "tst_soundtrack_audio.moc"
