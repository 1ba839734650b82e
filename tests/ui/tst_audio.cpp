// The player against a real sound server: what it plays is recorded back from
// a private null sink's monitor and must hold the exact samples meant to be played.
#include "Builders.h"
#include "AudioPlayer.h"
#include "LaserFrame.h"
#include "LaserFrames.h"
#include "LiveOutput.h"
#include "WaveCompiler.h"
#include "WaveFile.h"
#include "SoundServer.h"

#include <QAudioDevice>
#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMediaDevices>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

namespace {

constexpr int WaitMs = 5000; // bound of every wait on the sound server

TLaserFrame Polygon(const QList<QPoint>& points, quint16 flags = 0)
{
    TLaserFrame frame = FrameOf(points);
    frame.Flags = flags;
    return frame;
}

// As many whole passes of a loop as fill `seconds` of sound, back to back.
QByteArray Passes(const QByteArray& loop, double seconds)
{
    QByteArray out;
    while (out.size() < 4 * 44100 * seconds)
        out += loop;
    return out;
}

// Which file descriptors of this process lead to `path` (Linux only).
int OpenHandles(const QString& path)
{
    int count = 0;
    const QString target = QFileInfo(path).canonicalFilePath();
    const QFileInfoList fds = QDir("/proc/self/fd").entryInfoList(QDir::System | QDir::Files);
    for (const QFileInfo& fd : fds)
        if (fd.symLinkTarget() == target)
            ++count;
    return count;
}

} // namespace

class TestAudio : public QObject {
    Q_OBJECT

private:
    QString Sink;          // this test's own null sink: other tests' sound cannot mix in
    QStringList Modules;   // modules this test loaded, unloaded at the end
    QAudioDevice Device;
    QString NoServer;      // why the tests that need the server skip

    bool LoadSink(const QString& name, int rate, QString& why);
    QAudioDevice FindDevice(const QString& id);
    // Compiles a show of `frames` four-point frames, `delay` ms each, into `wav`;
    // returns the data bytes it wrote.
    QByteArray CompileTo(const QString& wav, int frames, int delay, int shape = 0);

private slots:
    void initTestCase();
    void cleanupTestCase();

    void badWaveRefused_data();
    void badWaveRefused();
    void liveWithoutServerFails();

    void playbackButtonsWithoutSound();
    void playsCompiledShowBitExact();
    void repeatRestartsUntilStop();
    void loopsLiveImageBitExact();
    void liveStops_data();
    void liveStops();
    void stopReleasesFileForCompile();
    void shortPlaysBackToBack();
    void warnsOnceWhenDeviceAltersSignal();
};

#define REQUIRE_SERVER()                \
    do {                                \
        if (!NoServer.isEmpty())        \
            QSKIP(qPrintable(NoServer)); \
    } while (false)

bool TestAudio::LoadSink(const QString& name, int rate, QString& why)
{
    const auto index = RunTool("pactl", {"load-module", "module-null-sink", "sink_name=" + name,
                                         QString("rate=%1").arg(rate), "format=s16le",
                                         "channels=2", "norewinds=1"},
                               &why);
    if (!index)
        return false;
    Modules << QString::fromLatin1(index->trimmed());
    return true;
}

QAudioDevice TestAudio::FindDevice(const QString& id)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < WaitMs) {
        for (const QAudioDevice& d : QMediaDevices::audioOutputs())
            if (d.id() == id.toUtf8())
                return d;
        QTest::qWait(50);
    }
    return QAudioDevice();
}

QByteArray TestAudio::CompileTo(const QString& wav, int frames, int delay, int shape)
{
    TLaserFrames show;
    show.FileName = wav.chopped(4);
    for (int i = 0; i < frames; ++i) {
        TLaserFrame& f = show.Add();
        f = Polygon({{10 + 20 * i, 10 + shape}, {200, 30 * i}, {100, 200 - shape}, {30, 128}});
        f.Delay = quint16(delay);
    }
    const TCompileResult result = CompileShow(show, wav, TCompileOptions{});
    if (!result.outcome.ok)
        return QByteArray();
    QFile file(wav);
    file.open(QIODevice::ReadOnly);
    return file.readAll().mid(44);
}

void TestAudio::initTestCase()
{
    QString why;
    if (!RunTool("pactl", {"info"}, &why)) {
        NoServer = "no PulseAudio server reachable (./test.sh starts a private one): " + why;
        return;
    }
    const QString name = QString("skelmar_tst_audio_%1").arg(QCoreApplication::applicationPid());
    if (!LoadSink(name, 44100, why)) {
        NoServer = "cannot create a null sink on the PulseAudio server: " + why;
        return;
    }
    Sink = name;
    Device = FindDevice(Sink);
    if (Device.isNull())
        NoServer = "Qt Multimedia does not see the PulseAudio sink " + Sink;
}

void TestAudio::cleanupTestCase()
{
    for (const QString& index : std::as_const(Modules))
        RunTool("pactl", {"unload-module", index}, nullptr);
}

void TestAudio::badWaveRefused_data()
{
    QByteArray good;
    {
        QBuffer b(&good);
        b.open(QIODevice::WriteOnly);
        WriteWaveHeader(b, 100);
    }
    good += QByteArray(400, '\x10');
    auto patched = [&good](int at, QByteArray bytes) { return QByteArray(good).replace(at, bytes.size(), bytes); };
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("opens");
    QTest::newRow("too short") << good.left(30) << false;
    QTest::newRow("not RIFF") << patched(0, "RIFX") << false;
    QTest::newRow("not WAVE") << patched(8, "AVI ") << false;
    QTest::newRow("float samples") << patched(20, QByteArray("\x03\x00", 2)) << false;
    QTest::newRow("mono") << patched(22, QByteArray("\x01\x00", 2)) << false;
    QTest::newRow("48000 Hz") << patched(24, QByteArray("\x80\xBB\x00\x00", 4)) << false;
    QTest::newRow("8 bits") << patched(34, QByteArray("\x08\x00", 2)) << false;
    QTest::newRow("longer format chunk") << patched(16, QByteArray("\x12\x00\x00\x00", 4)) << false;
    // A valid, empty sound: the file opens, but there is nothing to loop.
    QTest::newRow("header only") << good.left(44) << true;
}

void TestAudio::badWaveRefused()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, opens);
    QTemporaryDir dir;
    const QString name = dir.filePath("bad.RZ4.WAV");
    QFile file(name);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();

    TAudioPlayer player;
    player.SetDevice(Device);
    player.SetFileName(name);
    if (opens) {
        QVERIFY(player.Open());
        player.Close();
    } else {
        QVERIFY(!player.Open());
        QVERIFY(!player.ErrorString().isEmpty());
        QVERIFY(!player.Play());
    }
    QCOMPARE(player.Mode(), TPlayerMode::NotReady);
    QVERIFY(!player.PlayLoop(bytes));
    QCOMPARE(player.Mode(), TPlayerMode::NotReady);
    QCOMPARE(OpenHandles(name), 0);

    player.SetFileName(dir.filePath("missing.WAV"));
    QVERIFY(!player.Open());
    QVERIFY(player.ErrorString().contains("missing.WAV"));
}

// Without a sound server the live output cannot start: the routine says so and
// nothing is left playing. Run in a child process pointed at no server.
void TestAudio::liveWithoutServerFails()
{
    QTemporaryDir dir;
    QProcess child;
    QProcessEnvironment env = EnvironmentWithoutSoundServer(dir);
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), {"--live-without-server"});
    QVERIFY(child.waitForFinished(WaitMs * 2));
    const QByteArray out = child.readAllStandardOutput();
    QVERIFY2(child.exitCode() == 0, out.constData());
}

// The child's side of liveWithoutServerFails.
static int LiveWithoutServer()
{
    TAudioPlayer player;
    QByteArray stream;
    const TLaserFrame frame = Polygon({{10, 10}, {200, 10}, {100, 200}});
    if (RunLiveOutput(player, stream, true, frame, TScanDelays{}, false, false)) {
        fputs("the live output claims to play without a sound server\n", stdout);
        return 1;
    }
    if (player.Mode() != TPlayerMode::NotReady || player.ErrorString().isEmpty()) {
        fputs("a failed start left the player in a playing state\n", stdout);
        return 1;
    }
    return 0;
}

void TestAudio::playbackButtonsWithoutSound()
{
    TShowPlayback playback;
    QSignalSpy buttons(&playback, &TShowPlayback::ButtonsChanged);
    QTemporaryDir dir;
    QCOMPARE(playback.PlayClick(dir.filePath("never.RZ4.WAV")),
             TShowPlayback::TPlayResult::NoWaveFile);
    QCOMPARE(buttons.count(), 0);

    // Stop while nothing plays only swaps the two buttons.
    playback.StopClick();
    QCOMPARE(buttons.count(), 1);
    QCOMPARE(buttons.at(0), (QVariantList{true, false}));
    QCOMPARE(playback.mpPreview->Mode(), TPlayerMode::NotReady);

    // A file that is not the laser's WAV format is refused; the buttons stay.
    QFile bad(dir.filePath("bad.RZ4.WAV"));
    QVERIFY(bad.open(QIODevice::WriteOnly));
    bad.write(QByteArray(100, 'x'));
    bad.close();
    QCOMPARE(playback.PlayClick(bad.fileName()), TShowPlayback::TPlayResult::Failed);
    QVERIFY(!playback.mpPreview->ErrorString().isEmpty());
    QCOMPARE(buttons.count(), 1);
}

void TestAudio::playsCompiledShowBitExact()
{
    REQUIRE_SERVER();
    QTemporaryDir dir;
    const QString wav = dir.filePath("show.RZ4.WAV");
    const QByteArray samples = CompileTo(wav, 3, 400);
    QVERIFY(samples.size() > 4 * 44100);

    TShowPlayback playback;
    playback.Repeat = false;
    TAudioPlayer& player = *playback.mpPreview;
    player.SetDevice(Device);
    QSignalSpy buttons(&playback, &TShowPlayback::ButtonsChanged);
    QSignalSpy notices(&player, &TAudioPlayer::Notify);
    TMonitorRecorder recorder;
    QVERIFY(recorder.Start(Sink + ".monitor", 2));
    QCOMPARE(playback.PlayClick(wav), TShowPlayback::TPlayResult::Playing);
    QCOMPARE(player.Mode(), TPlayerMode::Playing);
    QCOMPARE(buttons.count(), 1);
    QCOMPARE(buttons.at(0), (QVariantList{false, true}));
    QVERIFY(OpenHandles(wav) > 0);
    QVERIFY(notices.wait(WaitMs));
    const QByteArray recording = recorder.Finish(200);

    QCOMPARE(notices.count(), 1);
    QCOMPARE(player.Mode(), TPlayerMode::Stopped);
    QCOMPARE(buttons.count(), 2);
    QCOMPARE(buttons.at(1), (QVariantList{true, false}));
    QCOMPARE(OpenHandles(wav), 0); // not held between plays
    QVERIFY2(recording.indexOf(samples) >= 0, "the recording lacks the show's exact samples");
}

void TestAudio::repeatRestartsUntilStop()
{
    REQUIRE_SERVER();
    QTemporaryDir dir;
    const QString wav = dir.filePath("short.RZ4.WAV");
    const QByteArray samples = CompileTo(wav, 1, 250);
    QVERIFY(!samples.isEmpty());

    TShowPlayback playback;
    QVERIFY(playback.Repeat);
    playback.mpPreview->SetDevice(Device);
    QSignalSpy buttons(&playback, &TShowPlayback::ButtonsChanged);
    QSignalSpy notices(playback.mpPreview, &TAudioPlayer::Notify);
    TMonitorRecorder recorder;
    QVERIFY(recorder.Start(Sink + ".monitor", 2));
    QCOMPARE(playback.PlayClick(wav), TShowPlayback::TPlayResult::Playing);
    QTRY_VERIFY_WITH_TIMEOUT(notices.count() >= 2, WaitMs);
    // Let the third pass get well under way, also on a loaded machine, before Stop cuts it.
    QTest::qWait(150);
    QCOMPARE(playback.mpPreview->Mode(), TPlayerMode::Playing);
    playback.StopClick();
    QCOMPARE(playback.mpPreview->Mode(), TPlayerMode::NotReady);
    const int ends = int(notices.count());
    const qsizetype stoppedAt = recorder.Bytes.size();
    const QByteArray recording = recorder.Finish(400);

    // Every end restarted from the beginning: two complete passes one after
    // the other, then the start of the third that Stop cut short.
    const qsizetype first = recording.indexOf(samples);
    QVERIFY(first >= 0);
    const qsizetype second = recording.indexOf(samples, first + samples.size());
    QVERIFY(second >= 0);
    QVERIFY(recording.indexOf(samples.left(4 * 441), second + samples.size()) >= 0);
    // Stop ended it: no further notice, the buttons back to ready, silence after.
    QCOMPARE(notices.count(), ends);
    QCOMPARE(buttons.count(), 2);
    QCOMPARE(buttons.last(), (QVariantList{true, false}));
    const QByteArray tail = recording.mid(stoppedAt + 4 * 4410);
    QCOMPARE(tail.count('\0'), tail.size());
}

void TestAudio::loopsLiveImageBitExact()
{
    REQUIRE_SERVER();
    TAudioPlayer player;
    player.SetDevice(Device);
    TLaserFrame first = Polygon({{10, 10}, {200, 10}, {100, 200}}, TLaserFrame::FlagColor);
    first.Points[1].Flags = TSmallPoint::FlagBlank | TSmallPoint::FlagSharp;
    const TLaserFrame second = Polygon({{0, 0}, {255, 0}, {255, 255}, {0, 255}});
    QByteArray liveStream;

    TMonitorRecorder recorder;
    QVERIFY(recorder.Start(Sink + ".monitor", 2));
    QVERIFY(RunLiveOutput(player, liveStream, true, first, TScanDelays{}, false, false));
    QVERIFY(player.IsLooping());
    const QByteArray firstLoop = liveStream.mid(44);
    QTest::qWait(400);
    // The next refresh replaces the loop.
    QVERIFY(RunLiveOutput(player, liveStream, true, second, TScanDelays{}, false, false));
    const QByteArray secondLoop = liveStream.mid(44);
    const QByteArray recording = recorder.Finish(400);
    player.Stop();

    // Each loop restarts at its beginning without a gap: many passes in a row.
    const qsizetype a = recording.indexOf(Passes(firstLoop, 0.15));
    const qsizetype b = recording.indexOf(Passes(secondLoop, 0.15));
    QVERIFY2(a >= 0, "the first frame's loop is not in the recording");
    QVERIFY2(b > a, "the second frame's loop does not follow the first");
    // The colour-1 frame went out with colour bit 0, as every sample did.
    const auto* left = reinterpret_cast<const qint16*>(recording.constData());
    for (qsizetype i = 0; i < recording.size() / 4; ++i)
        QVERIFY2((left[2 * i] & 1) == 0, "a sample with colour bit 1 was played");
}

void TestAudio::liveStops_data()
{
    QTest::addColumn<bool>("liveDown");
    QTest::addColumn<TLaserFrame>("frame");
    QTest::newRow("two points") << true << Polygon({{0, 128}, {255, 128}});
    QTest::newRow("button up") << false << Polygon({{10, 10}, {200, 10}, {100, 200}});
}

void TestAudio::liveStops()
{
    REQUIRE_SERVER();
    QFETCH(bool, liveDown);
    QFETCH(TLaserFrame, frame);
    TAudioPlayer player;
    player.SetDevice(Device);
    QByteArray liveStream;
    TMonitorRecorder recorder;
    QVERIFY(recorder.Start(Sink + ".monitor", 2));
    const TLaserFrame triangle = Polygon({{10, 10}, {200, 10}, {100, 200}});
    QVERIFY(RunLiveOutput(player, liveStream, true, triangle, TScanDelays{}, false, false));
    QTest::qWait(300);
    const qsizetype stoppedAt = recorder.Bytes.size();
    QVERIFY(RunLiveOutput(player, liveStream, liveDown, frame, TScanDelays{}, false, false));
    QCOMPARE(player.Mode(), TPlayerMode::NotReady);
    QVERIFY(!player.IsLooping());
    const QByteArray recording = recorder.Finish(400);

    // Sound before the stop, none in the last 200 ms.
    QVERIFY(recording.left(stoppedAt).count('\0') < stoppedAt);
    const QByteArray tail = recording.right(4 * 8820);
    QCOMPARE(tail.count('\0'), tail.size());
}

void TestAudio::stopReleasesFileForCompile()
{
    REQUIRE_SERVER();
    QTemporaryDir dir;
    const QString wav = dir.filePath("show.RZ4.WAV");
    QVERIFY(!CompileTo(wav, 3, 1000).isEmpty());
    TShowPlayback playback;
    TAudioPlayer& player = *playback.mpPreview;
    player.SetDevice(Device);
    QCOMPARE(playback.PlayClick(wav), TShowPlayback::TPlayResult::Playing);
    QTest::qWait(100);
    QVERIFY(OpenHandles(wav) > 0);
    QSignalSpy buttons(&playback, &TShowPlayback::ButtonsChanged);
    playback.ReleaseFile();
    QCOMPARE(player.Mode(), TPlayerMode::NotReady);
    QCOMPARE(OpenHandles(wav), 0);
    QCOMPARE(buttons.count(), 1);
    QCOMPARE(buttons.at(0), (QVariantList{true, false}));

    // A compile rewrites the file; the next play sends the new show.
    const QByteArray fresh = CompileTo(wav, 1, 200, 7);
    QVERIFY(!fresh.isEmpty());
    QSignalSpy notices(&player, &TAudioPlayer::Notify);
    TMonitorRecorder recorder;
    QVERIFY(recorder.Start(Sink + ".monitor", 2));
    playback.Repeat = false;
    QCOMPARE(playback.PlayClick(wav), TShowPlayback::TPlayResult::Playing);
    QVERIFY(notices.wait(WaitMs));
    const QByteArray recording = recorder.Finish(100);
    QVERIFY(recording.indexOf(fresh) >= 0);
}

// Each short play ends while the sound server is still answering its drain; the
// next play starts at once. Sinks deleted at their stop took that answer into
// freed memory: a crash or a hang, most often on a busy machine.
void TestAudio::shortPlaysBackToBack()
{
    REQUIRE_SERVER();
    QTemporaryDir dir;
    const QString wav = dir.filePath("blip.RZ4.WAV");
    QVERIFY(!CompileTo(wav, 1, 20).isEmpty());
    TShowPlayback playback;
    playback.Repeat = false;
    TAudioPlayer& player = *playback.mpPreview;
    player.SetDevice(Device);
    QSignalSpy notices(&player, &TAudioPlayer::Notify);
    for (int play = 1; play <= 25; ++play) {
        QCOMPARE(playback.PlayClick(wav), TShowPlayback::TPlayResult::Playing);
        QTRY_COMPARE_WITH_TIMEOUT(notices.count(), play, WaitMs);
        QCOMPARE(player.Mode(), TPlayerMode::Stopped);
    }
}

void TestAudio::warnsOnceWhenDeviceAltersSignal()
{
    REQUIRE_SERVER();
    QCOMPARE(SignalWarning(Device), QString());

    QString why;
    const QString name = Sink + "_48k";
    QVERIFY2(LoadSink(name, 48000, why), qPrintable(why));
    const QAudioDevice other = FindDevice(name);
    QVERIFY(!other.isNull());
    QVERIFY(!SignalWarning(other).isEmpty());

    const TLaserFrame triangle = Polygon({{10, 10}, {200, 10}, {100, 200}});
    QByteArray liveStream;
    TAudioPlayer player;
    player.SetDevice(other);
    QVERIFY(RunLiveOutput(player, liveStream, true, triangle, TScanDelays{}, false, false));
    QCOMPARE(player.TakeFormatWarning(), SignalWarning(other));
    QCOMPARE(player.TakeFormatWarning(), QString());
    // Once for the whole program: another player on that device stays quiet.
    TAudioPlayer second;
    second.SetDevice(other);
    QVERIFY(RunLiveOutput(second, liveStream, true, triangle, TScanDelays{}, false, false));
    QCOMPARE(second.TakeFormatWarning(), QString());
    player.Stop();
    second.Stop();
}

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (app.arguments().contains("--live-without-server"))
        return LiveWithoutServer();
    TestAudio test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_audio.moc"
