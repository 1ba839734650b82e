// Every writing verb of skelmar-cli when its output cannot be written: a full disk
// (a file size limit), a missing folder, a target that is no regular file, too
// little memory, an interrupt. Exit status 2, one line naming the file and the
// system's reason, the earlier file kept (the compile deletes the earlier WAV
// first, and then leaves none), and no temporary file.
#include "ChildRun.h"
#include "Builders.h"
#include "IldaFile.h"
#include "ShowFile.h"
#include "SmallDisk.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace {

const QByteArray Earlier = "the earlier file, kept byte for byte";

} // namespace

class TestCliFaults : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup() { Dir.reset(); }
    void faults_data();
    void faults();
    void fullDisk_data();
    void fullDisk();
    void symbolicLinkIsWrittenThrough_data();
    void symbolicLinkIsWrittenThrough();
    void interrupted_data();
    void interrupted();
    void notEnoughMemory();
    void showTooLargeForTheReader();

private:
    QString Path(const QString& name) const { return Dir->filePath(name); }
    // The verb's arguments writing to `out`, its inputs made in the folder.
    QStringList Args(const QString& verb, const QString& out) const;
    std::unique_ptr<QTemporaryDir> Dir;
};

void TestCliFaults::init()
{
    Dir = std::make_unique<QTemporaryDir>();
    QVERIFY(Dir->isValid());
    QVERIFY(QDir(Dir->path()).mkdir("in"));
    TLaserFrames show;
    FillLinkedShow(show, 3, 40);
    QVERIFY(WriteShowFile(Path("in/show.RZ4"), show).ok);
    QVERIFY(ExportIldaFile(Path("in/show.ild"), show, TIldaExportOptions()).outcome.ok);
}

QStringList TestCliFaults::Args(const QString& verb, const QString& out) const
{
    if (verb == "resave")
        return {"resave", Path("in/show.RZ4"), out};
    if (verb == "export-ilda")
        return {"export-ilda", Path("in/show.RZ4"), out};
    if (verb == "import-ilda")
        return {"import-ilda", Path("in/show.ild"), out};
    return {"compile", Path("in/show.RZ4"), "--out", out, "--quiet"};
}

void TestCliFaults::faults_data()
{
    QTest::addColumn<QString>("verb");
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("reason");
    for (const char* verb : {"resave", "export-ilda", "import-ilda", "compile"}) {
        const auto row = [&](const char* fault, const char* reason) {
            QTest::addRow("%s, %s", verb, fault) << QString(verb) << QString(fault) << QString(reason);
        };
        row("size limit", "File too large");
        row("missing folder", "No such file or directory");
        row("pipe", "it is a pipe, not a regular file");
        row("link to a pipe", "it is a pipe, not a regular file");
        row("folder", "it is a folder, not a file");
        row("device", "it is a device, not a regular file");
    }
}

void TestCliFaults::faults()
{
    QFETCH(QString, verb);
    QFETCH(QString, fault);
    QFETCH(QString, reason);
    QString out = Path("out");
    QStringList kept{"in"};
    TLimits limits;
    bool earlierKept = false;
    if (fault == "size limit") {
        QVERIFY(WriteFile(out, Earlier));
        limits.FileSize = 1000; // every output here is larger
        earlierKept = verb != "compile";
        if (earlierKept)
            kept << "out";
    } else if (fault == "missing folder") {
        out = Path("gone/out");
    } else if (fault == "pipe" || fault == "link to a pipe") {
        QCOMPARE(mkfifo(QFile::encodeName(Path("pipe")).constData(), 0600), 0);
        kept << "pipe";
        if (fault == "pipe") {
            out = Path("pipe");
        } else {
            QVERIFY(QFile::link(Path("pipe"), out));
            kept << "out";
        }
    } else if (fault == "folder") {
        QVERIFY(QDir(Dir->path()).mkdir("out"));
        kept << "out";
    } else if (fault == "device") {
        if (mknod(QFile::encodeName(out).constData(), S_IFCHR | 0600, makedev(1, 3)) != 0)
            QSKIP("making a device node needs root");
        kept << "out";
    }
    const QFileInfo before(out);

    const TLimitedRun r = RunCliLimited(Args(verb, out), limits);
    QCOMPARE(r.status, QProcess::NormalExit);
    QCOMPARE(r.exitCode, 2);
    QVERIFY2(r.err.startsWith("skelmar-cli: "), qPrintable(r.err));
    QVERIFY2(r.err.contains(out), qPrintable(r.err));
    QVERIFY2(r.err.contains(reason), qPrintable(r.err));
    QCOMPARE(r.err.count('\n'), 1);
    QVERIFY(r.out.isEmpty());

    const QFileInfo after(out);
    if (earlierKept)
        QCOMPARE(ReadFile(out), Earlier);
    else if (before.isFile())
        QVERIFY(!after.exists()); // the compile removes an earlier WAV first
    if (!before.isFile()) {
        QCOMPARE(after.exists(), before.exists());
        QCOMPARE(after.isDir(), before.isDir());
        QCOMPARE(after.isSymLink(), before.isSymLink());
        QCOMPARE(after.isFile(), false);
    }
    QCOMPARE(Litter(Dir->path(), kept), QStringList());
}

void TestCliFaults::fullDisk_data()
{
    QTest::addColumn<QString>("verb");
    for (const char* verb : {"resave", "export-ilda", "import-ilda", "compile"})
        QTest::newRow(verb) << QString(verb);
}

void TestCliFaults::fullDisk()
{
    QFETCH(QString, verb);
    TSmallDisk disk(Path("disk"), 64 * 1024);
    if (!disk.IsReady())
        QSKIP("mounting a small disk needs root");
    const QString out = disk.FilePath("out");
    QVERIFY(WriteFile(out, Earlier));
    disk.Fill();
    const TLimitedRun r = RunCliLimited(Args(verb, out), TLimits());
    QCOMPARE(r.exitCode, 2);
    QVERIFY2(r.err.contains(out) && r.err.contains("No space left on device"), qPrintable(r.err));
    if (verb == "compile")
        QVERIFY(!QFileInfo::exists(out));
    else
        QCOMPARE(ReadFile(out), Earlier);
    QCOMPARE(Litter(disk.FilePath({}), {"out", "filler"}), QStringList());
}

void TestCliFaults::symbolicLinkIsWrittenThrough_data() { fullDisk_data(); }

void TestCliFaults::symbolicLinkIsWrittenThrough()
{
    // Every verb the same way: the link stays and the file it names is replaced.
    QFETCH(QString, verb);
    QVERIFY(QDir(Dir->path()).mkdir("real"));
    QVERIFY(WriteFile(Path("real/target"), Earlier));
    QVERIFY(QFile::link("real/target", Path("out")));
    const TLimitedRun r = RunCliLimited(Args(verb, Path("out")), TLimits());
    QVERIFY2(r.exitCode == 0, qPrintable(r.err));
    QVERIFY(QFileInfo(Path("out")).isSymLink());
    const QByteArray written = ReadFile(Path("real/target"));
    QVERIFY(written != Earlier);
    QVERIFY(written.startsWith(verb == "compile" ? "RIFF" : verb == "export-ilda" ? "ILDA" : "RZ4P"));
    QCOMPARE(Litter(Path("real"), {"target"}), QStringList());
}

void TestCliFaults::interrupted_data()
{
    QTest::addColumn<QString>("verb");
    QTest::addColumn<int>("signal");
    QTest::newRow("compile, SIGINT") << "compile" << SIGINT;
    QTest::newRow("compile, SIGTERM") << "compile" << SIGTERM;
    QTest::newRow("resave, SIGINT") << "resave" << SIGINT;
    QTest::newRow("resave, SIGTERM") << "resave" << SIGTERM;
}

void TestCliFaults::interrupted()
{
    // A show that takes seconds to compile (two hours of signal) or a while to resave
    // (two frames of 30,000 points: 112 MB of dense links), stopped at several moments.
    QFETCH(QString, verb);
    QFETCH(int, signal);
    TLaserFrames show;
    if (verb == "compile") {
        TLaserFrame& f = show.Add();
        f.Points.resize(2);
        f.Points[1].X = 255;
        for (int k = 1; k < 120; ++k)
            show.Add().Points = f.Points;
        for (int k = 0; k < show.Count(); ++k)
            show.Frame(k).Delay = 60000, show.FitLinksAt(k);
    } else {
        FillLinkedShow(show, 2, 30000);
    }
    QVERIFY(WriteShowFile(Path("in/show.RZ4"), show).ok);
    for (const int afterMs : {50, 150, 400}) {
        QVERIFY(WriteFile(Path("out"), Earlier));
        QProcess p;
        p.start(QStringLiteral(SKELMAR_CLI), Args(verb, Path("out")));
        QVERIFY(p.waitForStarted());
        QThread::msleep(afterMs);
        kill(pid_t(p.processId()), signal);
        QVERIFY(p.waitForFinished(120000));
        const QByteArray now = ReadFile(Path("out"));
        if (p.exitStatus() == QProcess::NormalExit) {
            QCOMPARE(p.exitCode(), 0); // it finished first
            QVERIFY(now.startsWith(verb == "compile" ? "RIFF" : "RZ4P"));
        } else if (verb == "compile") {
            QVERIFY(now.isEmpty() || now == Earlier); // no file, unless it had not begun
        } else {
            QCOMPARE(now, Earlier);
        }
        QCOMPARE(Litter(Dir->path(), {"in", "out"}), QStringList());
    }
}

void TestCliFaults::notEnoughMemory()
{
    // 150 frames of 30,000 points: about 250 MB to hold as a show, more than the
    // command may take here. It says so, and writes nothing.
    {
        TLaserFrames show;
        FillLinkedShow(show, 150, 30000);
        QVERIFY(ExportIldaFile(Path("in/big.ild"), show, TIldaExportOptions()).outcome.ok);
    }
    QVERIFY(WriteFile(Path("out"), Earlier));
    TLimits tight;
    tight.AddressSpace = qint64(160) << 20; // the program and its libraries need about 80 MB
    const TLimitedRun r = RunCliLimited({"import-ilda", Path("in/big.ild"), Path("out")}, tight);
    QCOMPARE(r.status, QProcess::NormalExit);
    QCOMPARE(r.exitCode, 2);
    QCOMPARE(r.err, QStringLiteral("skelmar-cli: Not enough memory to import \"%1\".\n").arg(Path("in/big.ild")));
    QCOMPARE(ReadFile(Path("out")), Earlier);
    QCOMPARE(Litter(Dir->path(), {"in", "out"}), QStringList());
}

void TestCliFaults::showTooLargeForTheReader()
{
    // Three frames of 65,535 points store a show larger than any the reader takes:
    // the import refuses to write it at all.
    {
        std::vector<TIldaFrame> frames(3);
        for (TIldaFrame& f : frames)
            f.Points.resize(65535);
        QFile file(Path("in/wide.ild"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        QCOMPARE(TIldaWriter::Write(file, frames, 5).message, QString());
    }
    QVERIFY(WriteFile(Path("out"), Earlier));
    const TLimitedRun r = RunCliLimited({"import-ilda", Path("in/wide.ild"), Path("out")}, TLimits());
    QCOMPARE(r.exitCode, 2);
    QVERIFY2(r.err.contains(Path("out")) && r.err.contains("more than a show file may hold"), qPrintable(r.err));
    QCOMPARE(ReadFile(Path("out")), Earlier);
    QCOMPARE(Litter(Dir->path(), {"in", "out"}), QStringList());
}

QTEST_GUILESS_MAIN(TestCliFaults)
#include "tst_cli_faults.moc"
