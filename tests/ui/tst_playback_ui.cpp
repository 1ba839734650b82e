// The playback tool bar, live output, previews and timeline as the main window wires
// them: a real TFormMain with scripted prompts. The tests that make sound play into
// the private PulseAudio daemon of ./test.sh and skip without one.
#include "Builders.h"
#include "AudioPlayer.h"
#include "FormUnitDebug.h"
#include "FormUnitMain.h"
#include "FormUnitPreview.h"
#include "MainWindowFixture.h"
#include "LiveOutput.h"
#include "ScriptedPrompts.h"
#include "SettingsStore.h"
#include "ShowFile.h"
#include "SoundServer.h"
#include "SoundFailureNotice.h"
#include "Timeline.h"

#include <QApplication>
#include <QAudioDevice>
#include <QDockWidget>
#include <QFile>
#include <QLabel>
#include <QMediaDevices>
#include <QProcess>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

namespace {

constexpr int WaitMs = 5000;   // bound of every wait on the sound server

struct TFrameSpec {
    QList<QPoint> Points;
    int Delay = 1000;
};

// A show file of the given frames, written to `path`.
void WriteShow(const QString& path, const QList<TFrameSpec>& frames)
{
    TLaserFrames show;
    for (const TFrameSpec& spec : frames) {
        TLaserFrame& frame = show.Add();
        frame.Delay = quint16(spec.Delay);
        AddPoints(frame, spec.Points);
    }
    WriteTestShow(path, show);
}

const QList<QPoint> Triangle{{10, 10}, {200, 10}, {100, 200}};
const QList<QPoint> Square{{20, 20}, {220, 20}, {220, 220}, {20, 220}};

} // namespace

class TestPlaybackUi : public QObject, protected TMainWindowFixture {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void playWithoutWaveFileAsksForCompile();
    void showPreviewWithoutWaveFileDisablesIt();
    void previewEnabledStates();
    void timelineDockedAndSwitched();
    void timelineFollowsSketchpadRepaint();
    void framePreviewShowsCurrentFrame();
    void liveFollowsButtonFrameAndMouse();
    void liveSkipsPassesOverAMinute();
    void playGivesLiveWayRepeatsAndReleasesFile();
    void liveWarnsOnceInStatusBar();
    void liveFailureRaisesButton();

private:
    void Start(bool live);
    QString OpenShow(const QList<TFrameSpec>& frames, const QString& name = QStringLiteral("show.RZ4"));
    void Compile();
    bool LiveLooping() const { return Inside().LivePlayer->IsLooping(); }
    TPlayerMode ShowMode() const { return Inside().Playback->mpPreview->Mode(); }
    bool NoUnexpectedPrompts() const;
    void RequireServer();


    QString NoServer;          // why the tests that make sound skip
    QStringList Modules;       // sink modules this test loaded
};

#define REQUIRE_SERVER()                 \
    do {                                 \
        if (!NoServer.isEmpty())         \
            QSKIP(qPrintable(NoServer)); \
    } while (false)

// --- fixture -----------------------------------------------------------------------------------

void TestPlaybackUi::initTestCase()
{
    QApplication::setQuitOnLastWindowClosed(false);
    QString why;
    if (!RunTool("pactl", {"info"}, &why))
        NoServer = "no PulseAudio server reachable (./test.sh starts a private one): " + why;
    else if (QMediaDevices::defaultAudioOutput().isNull())
        NoServer = "Qt Multimedia sees no default sound output on the PulseAudio server";
}

void TestPlaybackUi::cleanupTestCase()
{
    for (const QString& index : std::as_const(Modules))
        RunTool("pactl", {"unload-module", index}, nullptr);
}

void TestPlaybackUi::init()
{
    InitFixture();
}

void TestPlaybackUi::cleanup()
{
    CleanupFixture();
}

// The tests that make no sound keep tbLive up, so they need no sound server.
void TestPlaybackUi::Start(bool live)
{
    CreateForm([&](TSettingsStore& store) { store.WriteSwitch({}, "LivePreview", live); }, true);
}

QString TestPlaybackUi::OpenShow(const QList<TFrameSpec>& frames, const QString& name)
{
    const QString path = Dir->filePath(name);
    WriteShow(path, frames);
    Form->OpenCommandLineFile(path);
    if (Form->Show().FileName != path)
        qFatal("the show did not open");
    return path;
}

void TestPlaybackUi::Compile()
{
    Ui().aCreateWavefile->trigger();
    QVERIFY(QFile::exists(WaveFileName(Form->Show().FileName)));
}

bool TestPlaybackUi::NoUnexpectedPrompts() const
{
    if (!Prompts->Unexpected.isEmpty())
        qWarning() << "unexpected prompts:" << Prompts->Unexpected;
    return Prompts->Unexpected.isEmpty() && Prompts->AllAnswered();
}

// --- missing wave file -------------------------------------------------------------------------

void TestPlaybackUi::playWithoutWaveFileAsksForCompile()
{
    Start(false);
    const QString show = OpenShow({TFrameSpec{Triangle}});
    QVERIFY(!Ui().aPlayShow->isEnabled());
    Compile();
    QVERIFY(Ui().aPlayShow->isEnabled());
    QVERIFY(!Ui().aStopShow->isEnabled());
    // The file went away after the compile enabled Play.
    QVERIFY(QFile::remove(WaveFileName(show)));

    Prompts->ExpectTell();
    QTest::mouseClick(Ui().tbPlay, Qt::LeftButton);
    QCOMPARE(Prompts->Shown.size(), 1);
    QCOMPARE(Prompts->Shown[0].icon, TMsgIcon::Error);
    QCOMPARE(Prompts->Shown[0].text, QStringLiteral("You need to compile this show first."));
    QVERIFY(Ui().aPlayShow->isEnabled());
    QVERIFY(!Ui().aStopShow->isEnabled());
    QCOMPARE(ShowMode(), TPlayerMode::NotReady);
    QVERIFY(NoUnexpectedPrompts());
}

void TestPlaybackUi::showPreviewWithoutWaveFileDisablesIt()
{
    Start(false);
    const QString show = OpenShow({TFrameSpec{Triangle}});
    Compile();
    QVERIFY(Ui().aShowPreview->isEnabled());
    QVERIFY(QFile::remove(WaveFileName(show)));

    Prompts->ExpectTell();
    QTest::mouseClick(Ui().tbShowPreview, Qt::LeftButton);
    QCOMPARE(Prompts->Shown.size(), 1);
    QCOMPARE(Prompts->Shown[0].icon, TMsgIcon::Information);
    QCOMPARE(Prompts->Shown[0].text, QStringLiteral("Hey, you need to compile first!"));
    // Only the button goes grey: the menu item and F9 still say why.
    QVERIFY(!Ui().tbShowPreview->isEnabled());
    QVERIFY(Ui().aShowPreview->isEnabled());
    // The next compile brings it back.
    Compile();
    QVERIFY(Ui().tbShowPreview->isEnabled());
    QVERIFY(NoUnexpectedPrompts());
}

void TestPlaybackUi::previewEnabledStates()
{
    Start(false);
    // At start only Play and Stop are grey; a new show reaches the preview's message.
    QVERIFY(!Ui().tbPlay->isEnabled());
    QVERIFY(!Ui().tbStop->isEnabled());
    for (QToolButton* button : {Ui().tbCompile, Ui().tbRepeat, Ui().tbShowPreview, Ui().tbLive})
        QVERIFY2(button->isEnabled(), qPrintable(button->objectName()));
    QVERIFY(Ui().aShowPreview->isEnabled());

    Prompts->ExpectTell();
    Prompts->ExpectTell();
    QTest::keyClick(Form.get(), Qt::Key_F9);
    QVERIFY(!Ui().tbShowPreview->isEnabled());
    // A greyed button does not grey the command: F9 and the menu item still answer.
    QVERIFY(Ui().aShowPreview->isEnabled());
    QTest::keyClick(Form.get(), Qt::Key_F9);
    QCOMPARE(Prompts->Shown.size(), 2);
    for (const auto& shown : std::as_const(Prompts->Shown))
        QCOMPARE(shown.text, QStringLiteral("Hey, you need to compile first!"));
    // Other changes of the command (its caption, say) leave the button as it is.
    Ui().aShowPreview->setText(Ui().aShowPreview->text());
    Ui().aShowPreview->setStatusTip(QStringLiteral("tip"));
    QVERIFY(!Ui().tbShowPreview->isEnabled());

    // A show with a wave file brings the button back, one without greys it again.
    const QString compiled = OpenShow({TFrameSpec{Triangle}});
    Compile();
    QVERIFY(Ui().tbShowPreview->isEnabled());
    OpenShow({TFrameSpec{Square}}, QStringLiteral("uncompiled.RZ4"));
    QVERIFY(!Ui().tbShowPreview->isEnabled());
    QVERIFY(Ui().aShowPreview->isEnabled());
    Form->OpenCommandLineFile(compiled);
    QVERIFY(Ui().tbShowPreview->isEnabled());
    QVERIFY(Ui().tbPlay->isEnabled());

    // A wave file that turns up behind the program's back: the menu item shows it, and the
    // button is back.
    const QString other = OpenShow({TFrameSpec{Square}}, QStringLiteral("uncompiled.RZ4"));
    QVERIFY(!Ui().tbShowPreview->isEnabled());
    QVERIFY(QFile::copy(WaveFileName(compiled), WaveFileName(other)));
    connect(Inside().FormPreview, &TFormPreview::samplesEnded, Inside().FormPreview, &QDialog::reject);
    Ui().aShowPreview->trigger();
    QCOMPARE(Inside().FormPreview->windowTitle(), QStringLiteral("Preview ended..."));
    QVERIFY(Ui().tbShowPreview->isEnabled());
    QVERIFY(NoUnexpectedPrompts());
}

// --- timeline ----------------------------------------------------------------------------------

void TestPlaybackUi::timelineDockedAndSwitched()
{
    Start(false);
    auto* dock = Form->findChild<QDockWidget*>(QStringLiteral("toolwinTimeline"));
    QVERIFY(dock);
    QCOMPARE(dock, static_cast<QDockWidget*>(Inside().Timeline));
    QCOMPARE(Form->dockWidgetArea(dock), Qt::BottomDockWidgetArea);
    QVERIFY(dock->isVisible() && !dock->isFloating());
    // A strip along the bottom, under the frame list as well.
    QVERIFY(dock->geometry().left() <= Inside().panelLeft->geometry().left());
    QVERIFY(dock->geometry().top() >= Inside().panelLeft->geometry().bottom());
    QCOMPARE(Inside().Timeline->iTimeline->height(), 48);

    QVERIFY(Ui().miPanelTimeline->isChecked());
    Ui().miPanelTimeline->trigger();
    QVERIFY(!Ui().miPanelTimeline->isChecked());
    QVERIFY(!dock->isVisible());
    Ui().miPanelTimeline->trigger();
    QVERIFY(Ui().miPanelTimeline->isChecked());
    QVERIFY(dock->isVisible());

    // Its own close button clears the check mark.
    QVERIFY(dock->close());
    QVERIFY(!dock->isVisible());
    QVERIFY(!Ui().miPanelTimeline->isChecked());

    // Closed, it stays closed in the next run, and the menu says so.
    QVERIFY(Form->close());
    Form.reset();
    Start(false);
    QVERIFY(!Inside().Timeline->isVisible());
    QVERIFY(!Ui().miPanelTimeline->isChecked());
    Ui().miPanelTimeline->trigger();
    QVERIFY(Inside().Timeline->isVisible());
    QVERIFY(NoUnexpectedPrompts());
}

void TestPlaybackUi::timelineFollowsSketchpadRepaint()
{
    Start(false);
    OpenShow({TFrameSpec{Triangle, 200}});   // 50 pixels at 4 ms per pixel
    const QImage& canvas = Inside().Timeline->iTimeline->Canvas();
    QVERIFY(!canvas.isNull());
    const QRgb background = Inside().Colors.TimelineBackground.rgb();
    const int column = 300;
    auto columnDrawn = [&] {
        for (int y = 14; y < canvas.height(); ++y)
            if (canvas.pixel(column, y) != background)
                return true;
        return false;
    };
    QVERIFY(canvas.width() > column + 10);
    QVERIFY(!columnDrawn());

    // A frame command ends in the sketchpad's repaint, which redraws the strip.
    Prompts->ExpectInput(QStringLiteral("2000"));
    Ui().aFrameDelay->trigger();
    QCOMPARE(Form->Show().Frame(0).Delay, quint16(2000));
    QVERIFY(columnDrawn());

    // The colours are those of the window at the time of the repaint.
    Inside().Colors.TimelineBackground = QColor(1, 2, 3);
    const QPoint corner(canvas.width() - 2, canvas.height() - 2);
    QVERIFY(canvas.pixel(corner) != QColor(1, 2, 3).rgb());
    Inside().RedrawSketchpad();
    QCOMPARE(canvas.pixel(corner), QColor(1, 2, 3).rgb());
    QVERIFY(NoUnexpectedPrompts());
}

// --- frame-wave preview ------------------------------------------------------------------------

void TestPlaybackUi::framePreviewShowsCurrentFrame()
{
    Start(false);
    OpenShow({TFrameSpec{{QPoint(0, 128), QPoint(255, 128)}}, TFrameSpec{}});
    QVERIFY(Ui().aFramePreview->isEnabled());
    QVERIFY(!Inside().FormDebug->isVisible());
    QCOMPARE(Inside().FormDebug->windowTitle(), QStringLiteral("Demowave"));

    QApplication::setActiveWindow(Form.get());
    QVERIFY(QTest::qWaitForWindowActive(Form.get()));
    QTest::keyClick(Form.get(), Qt::Key_F7);
    QVERIFY(Inside().FormDebug->isVisible());
    QCOMPARE(Inside().FormDebug->windowTitle(),
             QStringLiteral("waveform preview -- duration: 132 samples -- rate: 334 Hz -- zoom: 1/1"));

    // It draws the frame that is current when asked.
    Inside().Sketchpad->SetFramePosition(1);
    QApplication::setActiveWindow(Form.get());
    QVERIFY(QTest::qWaitForWindowActive(Form.get()));
    QTest::keyClick(Form.get(), Qt::Key_F7);
    QCOMPARE(Inside().FormDebug->windowTitle(), QStringLiteral("waveform preview -- no wave available..."));
    QVERIFY(NoUnexpectedPrompts());
}

// --- live output and playback with sound -------------------------------------------------------

void TestPlaybackUi::liveFollowsButtonFrameAndMouse()
{
    REQUIRE_SERVER();
    Start(true);
    QVERIFY(Ui().aLivePreview->isChecked());
    OpenShow({TFrameSpec{Triangle}, TFrameSpec{{QPoint(10, 10), QPoint(200, 200)}}, TFrameSpec{Square}});
    QVERIFY(LiveLooping());
    QCOMPARE(Inside().LiveStream.left(4), QByteArray("RIFF"));

    // Two points give no loop; a frame of four brings it back.
    Inside().Sketchpad->SetFramePosition(1);
    QVERIFY(!LiveLooping());
    Inside().Sketchpad->SetFramePosition(2);
    QVERIFY(LiveLooping());

    // tbLive toggles on a click, and the loop follows it.
    QTest::mouseClick(Ui().tbLive, Qt::LeftButton);
    QVERIFY(!Ui().aLivePreview->isChecked());
    QVERIFY(!LiveLooping());
    QTest::mouseClick(Ui().tbLive, Qt::LeftButton);
    QVERIFY(Ui().aLivePreview->isChecked());
    QVERIFY(LiveLooping());

    // A point added with the mouse is in the loop from the button's release on.
    const QByteArray before = Inside().LiveStream;
    Ui().aToolAdd->trigger();
    const TPadTransform t = Inside().PadTransform();
    QTest::mouseClick(Inside().Sketchpad->pad, Qt::LeftButton, {}, QPoint(t.PadX(120), t.PadY(60)));
    QCOMPARE(Form->Show().Frame(2).PointCount(), 5);
    QVERIFY(LiveLooping());
    QVERIFY(Inside().LiveStream != before);

    // The loop follows the show: undo takes the point out again, a frame command changes it.
    Ui().miUndo->trigger();
    QCOMPARE(Inside().LiveStream, before);
    Ui().miFrameFlipY->trigger();
    QVERIFY(Inside().LiveStream != before);
    QVERIFY(LiveLooping());
    QVERIFY(NoUnexpectedPrompts());
}

// A frame whose one pass lasts hours with long scanner delays is not built into a loop
// (it would take gigabytes at every change); the status bar says why, until it fits.
void TestPlaybackUi::liveSkipsPassesOverAMinute()
{
    REQUIRE_SERVER();
    Start(true);
    QList<QPoint> zigzag;
    for (int i = 0; i < 200; ++i)
        zigzag << (i % 2 ? QPoint(10, 10) : QPoint(245, 245));
    OpenShow({TFrameSpec{Triangle}, TFrameSpec{zigzag}});
    QVERIFY(LiveLooping());

    Inside().ScanDelays = TScanDelays{65535, 65535, 65535, 65535};
    QVERIFY(LivePassTooLong(Form->Show().Frame(1), Inside().ScanDelays));
    QVERIFY(!LivePassTooLong(Form->Show().Frame(0), Inside().ScanDelays));
    Inside().Sketchpad->SetFramePosition(1);
    QVERIFY(!LiveLooping());
    QVERIFY(Inside().LiveStream.isEmpty());
    QCOMPARE(Inside().sbFrameMessage->text(),
             QStringLiteral("Live output is off for this frame: one pass of it lasts over a minute."));
    QVERIFY(Ui().aLivePreview->isChecked()); // it is the frame, not the output, that is off

    Inside().Sketchpad->SetFramePosition(0);
    QVERIFY(LiveLooping());
    QCOMPARE(Inside().sbFrameMessage->text(), QString());
    QVERIFY(NoUnexpectedPrompts());
}

void TestPlaybackUi::playGivesLiveWayRepeatsAndReleasesFile()
{
    REQUIRE_SERVER();
    Start(true);
    OpenShow({TFrameSpec{Triangle, 150}, TFrameSpec{Square, 150}});
    Compile();
    QVERIFY(LiveLooping());
    QVERIFY(Ui().aRepeatPlay->isChecked());

    QSignalSpy notices(Inside().Playback->mpPreview, &TAudioPlayer::Notify);
    QTest::mouseClick(Ui().tbPlay, Qt::LeftButton);
    QCOMPARE(ShowMode(), TPlayerMode::Playing);
    QVERIFY(!Ui().aPlayShow->isEnabled());
    QVERIFY(Ui().aStopShow->isEnabled());
    // The show has the sound card to itself, also across a frame switch.
    QVERIFY(!LiveLooping());
    Inside().Sketchpad->SetFramePosition(1);
    QVERIFY(!LiveLooping());

    // Repeat on: the end starts the show again.
    QTRY_VERIFY_WITH_TIMEOUT(notices.count() >= 1, WaitMs);
    QCOMPARE(ShowMode(), TPlayerMode::Playing);
    QVERIFY(Ui().aStopShow->isEnabled());
    QVERIFY(!LiveLooping());

    // Repeat off: the next end shows the ready state and the live loop returns.
    QTest::mouseClick(Ui().tbRepeat, Qt::LeftButton);
    QVERIFY(!Ui().aRepeatPlay->isChecked());
    QVERIFY(!Inside().Playback->Repeat);
    const int seen = notices.count();
    QTRY_VERIFY_WITH_TIMEOUT(notices.count() > seen, WaitMs);
    QVERIFY(ShowMode() != TPlayerMode::Playing);
    QVERIFY(Ui().aPlayShow->isEnabled());
    QVERIFY(!Ui().aStopShow->isEnabled());
    QVERIFY(LiveLooping());

    // Stop ends the show at once and gives the live loop back.
    QTest::mouseClick(Ui().tbPlay, Qt::LeftButton);
    QCOMPARE(ShowMode(), TPlayerMode::Playing);
    QTest::mouseClick(Ui().tbStop, Qt::LeftButton);
    QCOMPARE(ShowMode(), TPlayerMode::NotReady);
    QVERIFY(Ui().aPlayShow->isEnabled());
    QVERIFY(!Ui().aStopShow->isEnabled());
    QVERIFY(LiveLooping());

    // A compile during playback stops it first, so the file is free to be rewritten.
    QTest::mouseClick(Ui().tbPlay, Qt::LeftButton);
    QCOMPARE(ShowMode(), TPlayerMode::Playing);
    Compile();
    QCOMPARE(ShowMode(), TPlayerMode::NotReady);
    QVERIFY(Ui().aPlayShow->isEnabled());
    QVERIFY(!Ui().aStopShow->isEnabled());
    QVERIFY(LiveLooping());
    QVERIFY(NoUnexpectedPrompts());
}

void TestPlaybackUi::liveWarnsOnceInStatusBar()
{
    REQUIRE_SERVER();
    // A sink of its own at 48000 Hz, so no other test's sound is touched.
    const QString sink = QStringLiteral("skelmar_tst_playback_%1_48k").arg(QCoreApplication::applicationPid());
    QString why;
    const auto index = RunTool("pactl", {"load-module", "module-null-sink", "sink_name=" + sink, "rate=48000",
                                         "format=s16le", "channels=2", "norewinds=1"},
                               &why);
    QVERIFY2(index, qPrintable(why));
    Modules << QString::fromLatin1(index->trimmed());
    QAudioDevice device;
    QTRY_VERIFY_WITH_TIMEOUT(
        [&] {
            for (const QAudioDevice& d : QMediaDevices::audioOutputs())
                if (d.id() == sink.toUtf8())
                    device = d;
            return !device.isNull();
        }(),
        WaitMs);
    QVERIFY(!SignalWarning(device).isEmpty());

    Start(true);
    Inside().LivePlayer->SetDevice(device);
    OpenShow({TFrameSpec{Triangle}, TFrameSpec{Square}});
    QVERIFY(LiveLooping());
    QCOMPARE(Inside().sbFrameMessage->text(), SignalWarning(device));

    // Said once: later starts on that device leave the status bar alone.
    Inside().sbFrameMessage->setText(QStringLiteral("-"));
    Inside().Sketchpad->SetFramePosition(1);
    QVERIFY(LiveLooping());
    QCOMPARE(Inside().sbFrameMessage->text(), QStringLiteral("-"));
    Form.reset();
    QVERIFY(NoUnexpectedPrompts());
}

// Without a sound server the live loop cannot start: tbLive comes up, the error box
// waits for the main window and comes once per session, the status bar tells the rest.
// Run in a child process pointed at no server.
void TestPlaybackUi::liveFailureRaisesButton()
{
    QTemporaryDir dir;
    QProcess child;
    QProcessEnvironment env = EnvironmentWithoutSoundServer(dir);
    env.insert("QT_QPA_PLATFORM", "offscreen");
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(), {"--live-without-server", dir.path()});
    QVERIFY(child.waitForFinished(WaitMs * 4));
    const QByteArray out = child.readAllStandardOutput();
    QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0, out.constData());
}

namespace {
// Scripted prompts that also note whether the main window was on screen at each box.
class TWindowWatchingPrompts : public TScriptedPrompts {
public:
    QWidget* Window = nullptr;
    QList<bool> WindowShown;

    void Tell(TMsgIcon icon, const QString& text) override
    {
        WindowShown << (Window && Window->isVisible());
        TScriptedPrompts::Tell(icon, text);
    }
};

void WaitForPrompts(const TScriptedPrompts& prompts, int count)
{
    for (int waited = 0; waited < WaitMs && prompts.Shown.size() < count; waited += 10)
        QTest::qWait(10);
}
} // namespace

// The child's side of liveFailureRaisesButton.
static int LiveWithoutServer(const QString& folder)
{
    auto fail = [](const char* why) {
        fputs(why, stdout);
        fputs("\n", stdout);
        return 1;
    };
    QSettings settings(folder + "/skelmar.ini", QSettings::IniFormat);
    TWindowWatchingPrompts prompts;
    TFormMain form(settings, prompts, folder + "/");
    const TFormMainTestAccess inside(form);
    prompts.Window = &form;
    if (!inside.Ui.aLivePreview->isChecked())
        return fail("tbLive is not down by default");
    const QString path = folder + "/live.RZ4";
    WriteShow(path, {TFrameSpec{Triangle}, TFrameSpec{Square}});
    prompts.ExpectTell();

    // A show on the command line is opened before the window is shown.
    form.OpenCommandLineFile(path);
    QCoreApplication::processEvents();
    if (!prompts.Shown.isEmpty())
        return fail("a box came before the main window was shown");
    if (inside.Ui.aLivePreview->isChecked())
        return fail("tbLive stayed down");
    if (inside.LivePlayer->Mode() != TPlayerMode::NotReady)
        return fail("the live player was left in a playing state");
    if (inside.sbFrameMessage->text() != SoundOffNote)
        return fail("the status bar does not say that live output is off");

    form.show();
    if (!QTest::qWaitForWindowExposed(&form))
        return fail("the main window did not show");
    WaitForPrompts(prompts, 1);
    if (prompts.Shown.size() != 1 || prompts.Shown[0].icon != TMsgIcon::Error
        || prompts.Shown[0].text != QStringLiteral("Sorry, sound can't be played."))
        return fail("no error box \"Sorry, sound can't be played.\" once the window was shown");
    if (!prompts.WindowShown.value(0))
        return fail("the error box came while the main window was hidden");

    // Live pressed again: it fails again, and this time only the status bar says so.
    inside.sbFrameMessage->setText(QStringLiteral("-"));
    inside.Ui.aLivePreview->trigger();
    QTest::qWait(100);
    if (prompts.Shown.size() != 1 || !prompts.Unexpected.isEmpty())
        return fail("a second error box in the same session");
    if (inside.Ui.aLivePreview->isChecked())
        return fail("tbLive stayed down after the second failure");
    if (inside.sbFrameMessage->text() != SoundOffNote)
        return fail("the second failure left no note in the status bar");

    // With tbLive up, the next frame switch is silent.
    inside.sbFrameMessage->setText(QStringLiteral("-"));
    inside.Sketchpad->SetFramePosition(1);
    QTest::qWait(50);
    if (prompts.Shown.size() != 1 || inside.sbFrameMessage->text() != QStringLiteral("-"))
        return fail("a message came after tbLive was raised");
    return 0;
}

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (const int at = args.indexOf("--live-without-server"); at >= 0 && at + 1 < args.size())
        return LiveWithoutServer(args[at + 1]);
    TestPlaybackUi test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_playback_ui.moc"
