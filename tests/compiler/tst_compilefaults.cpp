// The compile when writing goes wrong or the show is extreme: a full disk, targets
// that cannot take a WAV file, an interrupted run, a show too long for a WAV file,
// frames that are never drawn and morphs longer than the sample buffer. A failed
// compile leaves no file and no temporary file; the sample count is known before
// the first sample is written.
#include "ChildRun.h"
#include "Effects.h"
#include "Builders.h"
#include "LaserFrames.h"
#include "OutputFile.h"
#include "Samples.h"
#include "SmallDisk.h"
#include "WaveCompiler.h"
#include "WaveFile.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <sys/stat.h>
#include <sys/sysmacros.h>

Q_DECLARE_METATYPE(TScanDelays)

namespace {

// `minutes` of the two-point line, one frame a minute.
void FillLongShow(TLaserFrames& show, int minutes)
{
    for (int k = 0; k < minutes; ++k)
        AddLine(show, 60000);
}

const QByteArray Earlier = "an earlier wave file";

// A random show with every effect, links and odd delays.
void FillRandomShow(TLaserFrames& show, QRandomGenerator& rng)
{
    const int frames = 1 + rng.bounded(6);
    for (int k = 0; k < frames; ++k) {
        TLaserFrame& f = show.Add();
        const int points = QList<int>{0, 1, 2, 3, 7, 20}[rng.bounded(6)];
        for (int i = 0; i < points; ++i) {
            const int x = rng.bounded(256), y = rng.bounded(256);
            f.Points.push_back(PointAt(x, y, quint16(rng.bounded(4))));
        }
        f.Delay = quint16(QList<int>{0, 1, 40, 700, 3000}[rng.bounded(5)]);
        f.EffectTime = quint16(QList<int>{0, 1, 3, 300, 1500}[rng.bounded(5)]);
        f.Effect = quint16(rng.bounded(9));
        f.EffectParam = qint16(QList<int>{0, 1, 90, -45, 720}[rng.bounded(5)]);
        f.EffectCenterX = rng.bounded(256);
        f.EffectCenterY = rng.bounded(256);
        f.AuxCenterX = rng.bounded(3) ? rng.bounded(256) : f.EffectCenterX;
        f.AuxCenterY = rng.bounded(3) ? rng.bounded(256) : f.EffectCenterY;
        f.Flags = quint16(rng.bounded(2));
        f.FitLinks(show.PreviousPointCount(k));
        for (int i = 0; i < f.Links.Rows(); ++i)
            for (int j = 0; j < f.Links.Cols(); ++j)
                if (rng.bounded(3) == 0)
                    f.Links.Set(i, j, true);
    }
}

} // namespace

class TestCompileFaults : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        DirOwner = std::make_unique<QTemporaryDir>();
        QVERIFY(Dir().isValid());
    }
    void cleanup() { DirOwner.reset(); }
    void faults_data();
    void faults();
    void fullDisk();
    void symbolicLinkIsWrittenThrough();
    void interruptedCompileLeavesNoFileOrACompleteOne();
    void showTooLongIsRefusedBeforeWriting();
    void countedSamplesAreTheWrittenOnes_data();
    void countedSamplesAreTheWrittenOnes();
    void frameNeverDrawnIsNotRendered();
    void morphLongerThanTheBufferIsWrittenInPieces();

private:
    QString Wav(const QString& name = "show.RZ4.WAV") const { return Dir().filePath(name); }
    const QTemporaryDir& Dir() const { return *DirOwner; }
    std::unique_ptr<QTemporaryDir> DirOwner; // a fresh folder for every test
};

void TestCompileFaults::faults_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("reason");
    QTest::newRow("file size limit") << "size limit" << "File too large";
    QTest::newRow("missing folder") << "missing folder" << "No such file or directory";
    QTest::newRow("folder is a file") << "parent file" << "Not a directory";
    QTest::newRow("read-only folder") << "read-only folder" << "Permission denied";
    QTest::newRow("pipe") << "pipe" << "it is a pipe, not a regular file";
    QTest::newRow("link to a pipe") << "link to pipe" << "it is a pipe, not a regular file";
    QTest::newRow("folder") << "folder" << "it is a folder, not a file";
    QTest::newRow("device") << "device" << "it is a device, not a regular file";
}

void TestCompileFaults::faults()
{
    QFETCH(QString, fault);
    QFETCH(QString, reason);
    QString target = Wav();
    QStringList kept;
    TLimits limits;
    if (fault == "size limit") {
        // The earlier file goes first, as always; the new one never appears half-written.
        QVERIFY(WriteFile(target, Earlier));
        limits.FileSize = 100000;
    } else if (fault == "missing folder") {
        target = Wav("gone/show.RZ4.WAV");
    } else if (fault == "parent file") {
        QVERIFY(WriteFile(Wav("plain"), Earlier));
        target = Wav("plain/show.RZ4.WAV");
        kept << "plain";
    } else if (fault == "read-only folder") {
        if (geteuid() == 0)
            QSKIP("root may write anything");
        QVERIFY(QFile::setPermissions(Dir().path(), QFile::ReadOwner | QFile::ExeOwner));
    } else if (fault == "pipe" || fault == "link to pipe") {
        QCOMPARE(mkfifo(QFile::encodeName(Wav("pipe")).constData(), 0600), 0);
        kept << "pipe";
        if (fault == "pipe")
            target = Wav("pipe");
        else
            QVERIFY(QFile::link(Wav("pipe"), target));
        kept << QFileInfo(target).fileName();
    } else if (fault == "folder") {
        QVERIFY(QDir(Dir().path()).mkdir("show.RZ4.WAV"));
        kept << "show.RZ4.WAV";
    } else if (fault == "device") {
        if (mknod(QFile::encodeName(target).constData(), S_IFCHR | 0600, makedev(1, 3)) != 0)
            QSKIP("making a device node needs root");
        kept << "show.RZ4.WAV";
    }
    const QFileInfo before(target);

    const TChildResult child = RunInChild([&] {
        TLaserFrames show;
        AddLine(show, 1000); // 176,924 bytes
        const TCompileResult result = CompileShow(show, target, TCompileOptions());
        return result.outcome.ok ? QByteArray() : result.outcome.message.toUtf8();
    }, limits);
    QFile::setPermissions(Dir().path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QVERIFY(child.Exited);
    const QString message = QString::fromUtf8(child.Output);
    QVERIFY2(message.contains(target), qPrintable(message));
    QVERIFY2(message.contains(reason), qPrintable(message));
    if (!before.isFile()) { // refused before anything was touched
        const QFileInfo after(target);
        QCOMPARE(after.exists(), before.exists());
        QCOMPARE(after.isDir(), before.isDir());
        QCOMPARE(after.isSymLink(), before.isSymLink());
    } else {
        QVERIFY(!QFileInfo::exists(target));
    }
    QCOMPARE(Litter(Dir().path(), kept), QStringList());
}

void TestCompileFaults::fullDisk()
{
    TSmallDisk disk(Wav("disk"), 128 * 1024);
    if (!disk.IsReady())
        QSKIP("mounting a small disk needs root");
    disk.Fill();
    TLaserFrames show;
    AddLine(show, 1000);
    const QString target = disk.FilePath("show.RZ4.WAV");
    const TCompileResult result = CompileShow(show, target, TCompileOptions());
    QVERIFY(!result.outcome.ok);
    QCOMPARE(result.outcome.message, QStringLiteral("Cannot write \"%1\": No space left on device").arg(target));
    QCOMPARE(Litter(disk.FilePath({}), {"filler"}), QStringList());
}

void TestCompileFaults::symbolicLinkIsWrittenThrough()
{
    QVERIFY(QDir(Dir().path()).mkdir("real"));
    QVERIFY(WriteFile(Wav("real/show.RZ4.WAV"), Earlier));
    QVERIFY(QFile::link("real/show.RZ4.WAV", Wav()));
    TLaserFrames show;
    AddLine(show, 1000);
    const TCompileResult result = CompileShow(show, Wav(), TCompileOptions());
    QVERIFY2(result.outcome.ok, qPrintable(result.outcome.message));
    QVERIFY(QFileInfo(Wav()).isSymLink());
    QCOMPARE(QFileInfo(Wav("real/show.RZ4.WAV")).size(), result.bytes);
    QCOMPARE(Litter(Wav("real"), {"show.RZ4.WAV"}), QStringList());
}

void TestCompileFaults::interruptedCompileLeavesNoFileOrACompleteOne()
{
    // Two hours of signal: about 1.3 GB, a few seconds to write.
    TLaserFrames show;
    FillLongShow(show, 120);
    const qint64 frames = CountSampleFrames(show, TCompileOptions());
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        for (const int afterMs : {2, 30, 200}) {
            QVERIFY(WriteFile(Wav(), Earlier));
            const TChildResult child = RunInChild(
                [&] {
                    InstallInterruptCleanup();
                    return CompileShow(show, Wav(), TCompileOptions()).outcome.message.toUtf8();
                },
                TLimits(), [&](pid_t pid) {
                    QThread::msleep(afterMs);
                    kill(pid, signal);
                });
            if (child.Exited) { // finished before the signal came
                QCOMPARE(child.Output, QByteArray());
                QCOMPARE(QFileInfo(Wav()).size(), 44 + 4 * frames);
            } else {
                // Stopped before it began, the earlier file is still there; else none.
                QCOMPARE(child.Signal, signal);
                if (QFileInfo::exists(Wav()))
                    QCOMPARE(ReadFile(Wav()), Earlier);
            }
            QCOMPARE(Litter(Dir().path(), {"show.RZ4.WAV"}), QStringList());
            QFile::remove(Wav());
        }
    }
}

void TestCompileFaults::showTooLongIsRefusedBeforeWriting()
{
    // Seven hours of signal: over 4 GiB. With no room for a single byte the refusal
    // can only come from counting: a write would fail with "File too large".
    TLaserFrames show;
    FillLongShow(show, 7 * 60);
    QCOMPARE(CountSampleFrames(show, TCompileOptions()), -1);
    QVERIFY(WriteFile(Wav(), Earlier));
    const TChildResult child = RunInChild([&] {
        return CompileShow(show, Wav(), TCompileOptions()).outcome.message.toUtf8();
    }, TLimits{0, -1, 60});
    QCOMPARE(QString::fromUtf8(child.Output),
             QStringLiteral("The show is too long for a wave file: \"%1\" would exceed 4 GB.").arg(Wav()));
    QVERIFY(!QFileInfo::exists(Wav()));
    QCOMPARE(Litter(Dir().path(), {}), QStringList());

    // Six and a half hours fit.
    TLaserFrames fits;
    FillLongShow(fits, 6 * 60 + 30);
    const qint64 frames = CountSampleFrames(fits, TCompileOptions());
    QVERIFY(frames > 0 && frames <= MaxWaveSampleFrames);
}

void TestCompileFaults::countedSamplesAreTheWrittenOnes_data()
{
    QTest::addColumn<quint32>("seed");
    QTest::addColumn<TScanDelays>("delays");
    for (quint32 seed = 1; seed <= 40; ++seed) {
        const TScanDelays delays = seed % 4 == 0   ? TScanDelays{1, 0, 0, 0}
                                   : seed % 4 == 1 ? TScanDelays{0, 0, 3, 7}
                                                   : TScanDelays();
        QTest::addRow("show %u", seed) << seed << delays;
    }
}

void TestCompileFaults::countedSamplesAreTheWrittenOnes()
{
    QFETCH(quint32, seed);
    QFETCH(TScanDelays, delays);
    QRandomGenerator rng(seed);
    TLaserFrames show;
    FillRandomShow(show, rng);
    TCompileOptions options;
    options.Delays = delays;
    const TCompileResult result = CompileShow(show, Wav(), options);
    QVERIFY2(result.outcome.ok, qPrintable(result.outcome.message));
    QCOMPARE(CountSampleFrames(show, options), qint64(result.sampleFrames));
    QCOMPARE(QFileInfo(Wav()).size(), result.bytes);
}

void TestCompileFaults::frameNeverDrawnIsNotRendered()
{
    // 15,000 points with every delay at 65535: one pass of the path would be about a
    // billion samples, so its display gets 0 repetitions and the frame is never
    // drawn. Only the moves are written, within 1 GB of memory more than the test's.
    TLaserFrames show;
    TLaserFrame& f = show.Add();
    for (int i = 0; i < 15000; ++i) {
        TSmallPoint p;
        p.X = quint8(i * 37);
        p.Y = quint8(i * 91);
        p.Flags = TSmallPoint::FlagSharp;
        f.Points.push_back(p);
    }
    f.Effect = EffectRotate; // its halves get no loops either
    f.EffectTime = 65535;
    TCompileOptions slow;
    slow.Delays = {65535, 65535, 65535, 65535};
    TLimits limits;
    limits.AddressSpace = qint64(1) << 30;
    QFile status("/proc/self/status");
    QVERIFY(status.open(QIODevice::ReadOnly));
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmSize:"))
            limits.AddressSpace += line.mid(7).trimmed().split(' ').first().toLongLong() * 1024;
    const TChildResult child = RunInChild([&] {
        const TCompileResult result = CompileShow(show, Wav(), slow);
        return result.outcome.ok ? QByteArray::number(result.sampleFrames) : result.outcome.message.toUtf8();
    }, limits);
    QVERIFY(child.Exited);
    // Three moves of 65535 samples: the incoming half's from the centre to point 0
    // (0, 0) turned by 0 degrees, the driver's from there to point 0 (one step short
    // is still a move), and the one back to the centre from where the path ends, (0, 0).
    QCOMPARE(child.Output, QByteArray::number(3 * 65535));
    QCOMPARE(QFileInfo(Wav()).size(), 44 + 4 * 3 * 65535);
}

void TestCompileFaults::morphLongerThanTheBufferIsWrittenInPieces()
{
    // 150 linked points far apart with the longest runs: the first intermediate shape
    // alone is some 40 MB of samples, more than the compile buffers before writing.
    TLaserFrames show;
    TLaserFrame& a = show.Add();
    TLaserFrame& b = show.Add();
    for (int i = 0; i < 150; ++i) {
        TSmallPoint p;
        p.X = quint8(i % 2 ? 250 : 5);
        p.Y = quint8(i * 7);
        p.Flags = quint16(i % 3 == 0 ? TSmallPoint::FlagBlank : 0);
        a.Points.push_back(p);
        p.X = quint8(255 - p.X);
        b.Points.push_back(p);
    }
    a.Delay = 0;
    b.Delay = 0;
    b.Effect = EffectMorph;
    b.EffectTime = 10;
    b.FitLinks(150);
    for (int i = 0; i < 150; ++i)
        b.Links.Set(i, i, true);
    TCompileOptions options;
    options.Delays = {65535, 65535, 65535, 0};
    const TCompileResult result = CompileShow(show, Wav(), options);
    QVERIFY2(result.outcome.ok, qPrintable(result.outcome.message));

    // The morph's one shape (t = 0) is frame a's own path, drawn in frame a's colour.
    TSamplePath path;
    RenderFramePath(a, path, options.Delays);
    QVERIFY(path.Count() * 4 > DrainBytes);
    QByteArray expected;
    TSampleStream stream{expected, false, false};
    qint64 written = 0;
    TBeamPoint last;
    EmitPath(stream, path, false, written, last);
    const QByteArray file = ReadFile(Wav());
    QCOMPARE(file.size(), result.bytes);
    // Before it: the move to a's path and back (no display), then the morph's move.
    const qsizetype at = file.indexOf(expected.left(4096));
    QVERIFY(at > 44);
    QVERIFY(file.mid(at, expected.size()) == expected);
}

QTEST_GUILESS_MAIN(TestCompileFaults)
#include "tst_compilefaults.moc"
