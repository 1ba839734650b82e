// The compile driver end to end: file layout, sample order, progress, failures.
#include "Builders.h"
#include "LaserFrames.h"
#include "Samples.h"
#include "WaveCompiler.h"
#include "WaveFile.h"

#include <QBuffer>
#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>
#endif
#include <QTemporaryDir>
#include <QtTest>

namespace {

QByteArray Le32(quint32 v)
{
    QByteArray b(4, '\0');
    qToLittleEndian(v, b.data());
    return b;
}

QByteArray Le16(quint16 v)
{
    QByteArray b(2, '\0');
    qToLittleEndian(v, b.data());
    return b;
}

QByteArray ExpectedHeader(quint32 dataBytes)
{
    return "RIFF" + Le32(dataBytes + 36) + "WAVEfmt " + Le32(16) + Le16(1) + Le16(2) + Le32(44100)
           + Le32(176400) + Le16(4) + Le16(16) + "data" + Le32(dataBytes);
}

} // namespace

class TestWaveCompiler : public QObject {
    Q_OBJECT

private slots:
    void init() { QVERIFY(Dir.isValid()); }
    void waveHeader();
    void twoPointShowLayout();
    void displayRepetitions_data();
    void displayRepetitions();
    void transitionIntoFrameWithoutPoints();
    void morphBetweenFrames();
    void framesThatRenderNothingAreSkipped();
    void outputInversions_data();
    void outputInversions();
    void progressCalls();
    void compilingTwiceReplacesTheFile();
    void refusals();
    void failedWriteLeavesNoFile();

private:
    QString Wav(const QString& name = "show.RZ4.WAV") const { return Dir.filePath(name); }
    QTemporaryDir Dir;
};

void TestWaveCompiler::waveHeader()
{
    QBuffer buffer;
    buffer.open(QIODevice::ReadWrite);
    buffer.write(QByteArray(100, 'x'));
    QVERIFY(WriteWaveHeader(buffer, 10, 3));
    QCOMPARE(buffer.pos(), 44);
    QCOMPARE(buffer.data().left(44), ExpectedHeader(120));
    QCOMPARE(buffer.data().size(), 100); // rewritten in place
    QVERIFY(WriteWaveHeader(buffer, 0));
    QCOMPARE(buffer.data().left(44), ExpectedHeader(0));
}

void TestWaveCompiler::twoPointShowLayout()
{
    TLaserFrames show;
    AddLine(show, 1000);
    const TCompileResult result = CompileShow(show, Wav(), TCompileOptions());
    QVERIFY2(result.outcome.ok, qPrintable(result.outcome.message));

    // 66 move + 334 x 132 display + 66 move back.
    const int n = 66 + 334 * 132 + 66;
    const QByteArray file = ReadFile(Wav());
    QCOMPARE(file.size(), 44 + 4 * n);
    QCOMPARE(file.left(44), ExpectedHeader(4 * n));
    QCOMPARE(result.sampleFrames, quint32(n));
    QCOMPARE(result.bytes, qint64(file.size()));
    QCOMPARE(result.framesDrawn, 1);

    const QList<TSample> s = DecodeSamples(file, 44);
    QCOMPARE(s[0], (TSample{128, 128, false, true}));
    QCOMPARE(s[65], (TSample{2, 128, false, true}));
    QCOMPARE(s[66], (TSample{0, 128, false, false}));
    QCOMPARE(s[66 + 131], (TSample{4, 128, false, false}));
    for (int i = 66; i < 66 + 334 * 132; ++i)
        QCOMPARE(s[i], s[66 + (i - 66) % 132]);
    // The move back starts where the path ended, (4, 128), and stops short of the centre.
    QCOMPARE(s[66 + 334 * 132], (TSample{4, 128, false, true}));
    QCOMPARE(s[n - 1], (TSample{126, 128, false, true}));
}

void TestWaveCompiler::displayRepetitions_data()
{
    QTest::addColumn<int>("delay");
    QTest::addColumn<int>("reps");
    QTest::newRow("0: only the moves") << 0 << 0;
    QTest::newRow("1: 0.33 rounds to 0") << 1 << 0;
    QTest::newRow("2: 0.67 rounds to 1") << 2 << 1;
    QTest::newRow("220: 73.5 rounds to 74") << 220 << 74;
    QTest::newRow("660: 220.5 rounds to 220") << 660 << 220;
    QTest::newRow("60000: beyond 32-bit products") << 60000 << 20045;
}

void TestWaveCompiler::displayRepetitions()
{
    QFETCH(int, delay);
    QFETCH(int, reps);
    TLaserFrames show;
    AddLine(show, quint16(delay));
    const TCompileResult result = CompileShow(show, Wav(), TCompileOptions());
    QVERIFY(result.outcome.ok);
    QCOMPARE(result.sampleFrames, quint32(66 + reps * 132 + 66));
    QCOMPARE(QFileInfo(Wav()).size(), 44 + 4 * qint64(result.sampleFrames));
}

void TestWaveCompiler::transitionIntoFrameWithoutPoints()
{
    // The explode into the empty frame plays its outgoing half on the frame before;
    // the frame itself draws nothing, and the next frame starts where the half ended.
    TLaserFrames show;
    AddLine(show, 10);
    TLaserFrame& empty = show.Add();
    empty.Delay = 500;
    empty.EffectTime = 300;
    empty.Effect = EffectPlode;
    empty.EffectCenterX = 50;
    empty.EffectCenterY = 60;
    empty.Flags = TLaserFrame::FlagColor;
    AddLine(show, 10);
    TProgressLog log;
    const TCompileResult result = CompileShow(show, Wav(), TCompileOptions(), &log);
    QVERIFY(result.outcome.ok);
    QCOMPARE(log.Calls.first(), "totalMax 820");
    QCOMPARE(result.framesDrawn, 2);

    // reps = Round(441 / 132) = 3; outgoing R = Round(300 * 44.1 / 132) = 100, 50 loops.
    const QList<TSample> s = DecodeSamples(ReadFile(Wav()), 44);
    QCOMPARE(s.size(), 66 + 396 + 66 + 30 + 6600 + 66 + 396 + 66);
    const int out = 66 + 396;
    QCOMPARE(s[out], (TSample{4, 128, true, true}));       // to the effect centre, next frame's colour
    QCOMPARE(s[out + 66], (TSample{49, 61, true, true}));  // the half's own move
    QCOMPARE(s[out + 96], (TSample{0, 128, false, false}));// drawn in the played frame's colour
    QCOMPARE(s[out + 96 + 6599], (TSample{50, 60, false, false}));
    QCOMPARE(s[out + 96 + 6600], (TSample{50, 60, false, true}));
    QCOMPARE(s[out + 96 + 6600 + 66], (TSample{0, 128, false, false}));

    // The last move takes the colour of the show's last frame, even without points.
    TLaserFrames tail;
    AddLine(tail, 0);
    TLaserFrame& last = tail.Add();
    last.Flags = TLaserFrame::FlagColor;
    QVERIFY(CompileShow(tail, Wav(), TCompileOptions()).outcome.ok);
    const QList<TSample> t = DecodeSamples(ReadFile(Wav()), 44);
    QCOMPARE(t.size(), 66 + 30 + 66);
    QCOMPARE(t.last(), (TSample{126, 128, true, true}));
}

void TestWaveCompiler::morphBetweenFrames()
{
    TLaserFrames show;
    AddLine(show, 0);
    TLaserFrame& second = AddLine(show, 0);
    second.Effect = EffectMorph;
    second.EffectTime = 1;
    second.Flags = TLaserFrame::FlagColor;
    second.Links.Fit(2, 2);
    second.Links.Set(0, 0, true);
    second.Links.Set(1, 1, true);
    const TCompileResult result = CompileShow(show, Wav(), TCompileOptions());
    QVERIFY(result.outcome.ok);
    // Move in, back to the path's start (outgoing half of a morph draws nothing), the
    // morph's move, one shape of 132 samples (>= the total of 44), move to the path,
    // move home.
    const QList<TSample> s = DecodeSamples(ReadFile(Wav()), 44);
    QCOMPARE(s.size(), 66 + 30 + 30 + 132 + 30 + 66);
    QCOMPARE(s[96], (TSample{0, 128, true, true}));
    QCOMPARE(s[126], (TSample{0, 128, false, false})); // the shape, in the previous frame's colour
    QCOMPARE(s[126 + 131], (TSample{4, 128, false, false}));
    QCOMPARE(s[258], (TSample{4, 128, true, true}));
}

void TestWaveCompiler::framesThatRenderNothingAreSkipped()
{
    // With the short step at 0 a one-point frame renders no sample: it is skipped
    // like a frame without points.
    TLaserFrames show;
    TLaserFrame& dot = show.Add();
    dot = MakeFrame({{50, 50}});
    dot.Name = "dot";
    AddLine(show, 10).Name = "line";
    TCompileOptions options;
    options.Delays = {0, 55, 66, 30};
    TProgressLog log;
    const TCompileResult result = CompileShow(show, Wav(), options, &log);
    QVERIFY(result.outcome.ok);
    QCOMPARE(result.framesDrawn, 1);
    QCOMPARE(result.sampleFrames, quint32(66 + 3 * 132 + 66));
    QCOMPARE(log.Calls.filter("label"), QStringList{"label line   (2/2)"});

    // Every delay 0: nothing renders, not even the final move; still a valid file.
    options.Delays = {0, 0, 0, 0};
    const TCompileResult none = CompileShow(show, Wav(), options);
    QVERIFY(none.outcome.ok);
    QCOMPARE(none.framesDrawn, 0);
    QCOMPARE(ReadFile(Wav()), ExpectedHeader(0));
}

void TestWaveCompiler::outputInversions_data()
{
    QTest::addColumn<bool>("flipX");
    QTest::addColumn<bool>("flipY");
    QTest::addColumn<int>("left");
    QTest::addColumn<int>("right");
    // The first displayed sample, (0, 128).
    QTest::newRow("none") << false << false << -32768 << -256;
    QTest::newRow("flip Y") << false << true << 32512 << -256;
    QTest::newRow("flip X") << true << false << -32768 << 0;
    QTest::newRow("both") << true << true << 32512 << 0;
}

void TestWaveCompiler::outputInversions()
{
    QFETCH(bool, flipX);
    QFETCH(bool, flipY);
    QFETCH(int, left);
    QFETCH(int, right);
    TLaserFrames show;
    AddLine(show, 10);
    TCompileOptions options;
    options.FlipX = flipX;
    options.FlipY = flipY;
    QVERIFY(CompileShow(show, Wav(), options).outcome.ok);
    const QByteArray file = ReadFile(Wav());
    const char* sample = file.constData() + 44 + 66 * 4;
    QCOMPARE(int(qFromLittleEndian<qint16>(sample)), left);
    QCOMPARE(int(qFromLittleEndian<qint16>(sample + 2)), right);
}

void TestWaveCompiler::progressCalls()
{
    TLaserFrames show;
    TLaserFrame& skipped = show.Add();
    skipped.Delay = 100;
    skipped.EffectTime = 40;
    AddLine(show, 10).Name = "A";
    TProgressLog log;
    QVERIFY(CompileShow(show, Wav(), TCompileOptions(), &log).outcome.ok);
    // A frame without points adds to the maximum only; reps 3: total = 10 * r div 3.
    QCOMPARE(log.Calls, (QStringList{
        "totalMax 150", "total 0",
        "label A   (2/2)", "repaint",
        "frameMax 3", "morphMax 0", "frame 0", "morph 0",
        "frame 0", "total 0", "repaint",
        "frame 1", "total 3", "repaint",
        "frame 2", "total 6", "repaint",
        "total 10", "repaint"}));
}

void TestWaveCompiler::compilingTwiceReplacesTheFile()
{
    {
        QFile junk(Wav());
        QVERIFY(junk.open(QIODevice::WriteOnly));
        junk.write(QByteArray(1 << 20, 'j'));
    }
    TLaserFrames show;
    AddLine(show, 1000);
    QVERIFY(CompileShow(show, Wav(), TCompileOptions()).outcome.ok);
    show.Frame(0).Delay = 0;
    const TCompileResult second = CompileShow(show, Wav(), TCompileOptions());
    QVERIFY(second.outcome.ok);
    const QByteArray file = ReadFile(Wav());
    QCOMPARE(file.size(), 44 + 132 * 4);
    QCOMPARE(file.left(44), ExpectedHeader(132 * 4));
    QCOMPARE(QDir(Dir.path()).entryList(QDir::Files), QStringList{"show.RZ4.WAV"});
}

void TestWaveCompiler::refusals()
{
    TLaserFrames show;
    AddLine(show, 10);

    // A file that cannot be created: the message names it and gives the reason.
    const QString missing = Dir.filePath("no-such-folder/show.RZ4.WAV");
    TCompileResult result = CompileShow(show, missing, TCompileOptions());
    QVERIFY(!result.outcome.ok);
    QVERIFY2(result.outcome.message.contains(missing), qPrintable(result.outcome.message));
    QVERIFY(!QFile::exists(missing));

    // A show without frames.
    TLaserFrames empty;
    empty.FileName = Dir.filePath("party.RZ4");
    result = CompileShow(empty, Wav("refused.WAV"), TCompileOptions());
    QVERIFY(!result.outcome.ok);
    QCOMPARE(result.outcome.message, "Show \"party.RZ4\" has no frames to compile.");
    QVERIFY(!QFile::exists(Wav("refused.WAV")));
}

void TestWaveCompiler::failedWriteLeavesNoFile()
{
#ifdef Q_OS_UNIX
    // A file size limit makes the write of the samples fail part-way.
    rlimit old;
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &old), 0);
    if (old.rlim_max != RLIM_INFINITY && old.rlim_max < 100000)
        QSKIP("file size limit already below the test's");
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limited = old;
    limited.rlim_cur = 100000;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &limited), 0);
    TLaserFrames show;
    AddLine(show, 1000); // 176,924 bytes
    const TCompileResult result = CompileShow(show, Wav("cut.WAV"), TCompileOptions());
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    QVERIFY(!result.outcome.ok);
    QVERIFY2(result.outcome.message.startsWith("Cannot write \"" + Wav("cut.WAV") + "\": "),
             qPrintable(result.outcome.message));
    QVERIFY(!QFile::exists(Wav("cut.WAV")));
#else
    QSKIP("needs a file size limit");
#endif
}

QTEST_GUILESS_MAIN(TestWaveCompiler)
#include "tst_wavecompiler.moc"
