// The show writer and the ILDA export when writing goes wrong: a full disk, a target
// that cannot be written or is no regular file, an interrupted run. The earlier file
// stays byte for byte, the message names the file and the system's reason, and no
// temporary file is left behind.
#include "ChildRun.h"
#include "Builders.h"
#include "IldaFile.h"
#include "OutputFile.h"
#include "ShowFile.h"
#include "ShowFileReader.h"
#include "ShowFileWriter.h"
#include "SmallDisk.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <sys/stat.h>
#include <sys/sysmacros.h>

namespace {

using TWriter = std::function<QString(const QString& path, TLaserFrames& show)>;

QString WriteShow(const QString& path, TLaserFrames& show) { return WriteShowFile(path, show).message; }

QString ExportIlda(const QString& path, TLaserFrames& show)
{
    return ExportIldaFile(path, show, TIldaExportOptions()).outcome.message;
}

const QByteArray Earlier = "the earlier file, kept byte for byte";

bool IsRoot() { return geteuid() == 0; }

// Room for small things and a show of a few megabytes, not for a show of 100 MB.
TLimits TightMemory()
{
    TLimits tight;
    tight.AddressSpace = qint64(4) << 30;
    tight.FreeMemory = qint64(30) << 20;
    return tight;
}

} // namespace

class TestWriteFaults : public QObject {
    Q_OBJECT

private slots:
    void showFileFaults_data() { FaultRows(); }
    void showFileFaults() { RunFault(WriteShow); }
    void ildaExportFaults_data() { FaultRows(); }
    void ildaExportFaults() { RunFault(ExportIlda); }
    void fullDisk_data();
    void fullDisk();
    void symbolicLinkIsWrittenThrough_data();
    void symbolicLinkIsWrittenThrough();
    void interruptedWriteLeavesEarlierOrCompleteFile_data();
    void interruptedWriteLeavesEarlierOrCompleteFile();
    void fileSizeIsKnownBeforeWriting();
    void showTooLargeForTheReaderIsRefusedBeforeWriting();
    void outOfMemoryEndsInAMessage();
    void largeFileNeedsLittleMemoryBeyondItsShow();

private:
    void FaultRows();
    void RunFault(const TWriter& write);
};

void TestWriteFaults::FaultRows()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("reason");
    QTest::newRow("file size limit") << "size limit" << "File too large";
    QTest::newRow("missing folder") << "missing folder" << "No such file or directory";
    QTest::newRow("folder is a file") << "parent file" << "Not a directory";
    QTest::newRow("read-only file") << "read-only file" << "Permission denied";
    QTest::newRow("read-only folder") << "read-only folder" << "Permission denied";
    QTest::newRow("pipe") << "pipe" << "it is a pipe, not a regular file";
    QTest::newRow("link to a pipe") << "link to pipe" << "it is a pipe, not a regular file";
    QTest::newRow("folder") << "folder" << "it is a folder, not a file";
    QTest::newRow("device") << "device" << "it is a device, not a regular file";
    QTest::newRow("loop of links") << "link loop" << "Too many levels of symbolic links";
}

void TestWriteFaults::RunFault(const TWriter& write)
{
    QFETCH(QString, fault);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QString target = dir.filePath("show.out");
    QStringList kept{"show.out"};
    TLimits limits;
    limits.FileSize = -1;

    if (fault == "size limit") {
        QVERIFY(WriteFile(target, Earlier));
        limits.FileSize = 200;
    } else if (fault == "missing folder") {
        target = dir.filePath("gone/show.out");
        kept.clear();
    } else if (fault == "parent file") {
        QVERIFY(WriteFile(dir.filePath("plain"), Earlier));
        target = dir.filePath("plain/show.out");
        kept = QStringList{"plain"};
    } else if (fault == "read-only file" || fault == "read-only folder") {
        if (IsRoot())
            QSKIP("root may write anything");
        QVERIFY(WriteFile(target, Earlier));
        QVERIFY(QFile::setPermissions(fault == "read-only file" ? target : dir.path(),
                                      fault == "read-only file" ? QFile::ReadOwner
                                                                : QFile::ReadOwner | QFile::ExeOwner));
    } else if (fault == "pipe" || fault == "link to pipe") {
        QCOMPARE(mkfifo(QFile::encodeName(dir.filePath("pipe")).constData(), 0600), 0);
        if (fault == "pipe") {
            target = dir.filePath("pipe");
            kept = QStringList{"pipe"};
        } else {
            QVERIFY(QFile::link(dir.filePath("pipe"), target));
            kept << "pipe";
        }
    } else if (fault == "folder") {
        QVERIFY(QDir(dir.path()).mkdir("show.out"));
    } else if (fault == "link loop") {
        QVERIFY(QFile::link("other", target));
        QVERIFY(QFile::link("show.out", dir.filePath("other")));
        kept << "other";
    } else if (fault == "device") {
        // A device node of our own (the null device), never one under /dev.
        if (mknod(QFile::encodeName(target).constData(), S_IFCHR | 0600, makedev(1, 3)) != 0)
            QSKIP("making a device node needs root");
    }
    const QFileInfo before(target);
    const bool wasFile = before.isFile();

    // In a child: the limit must not reach the test itself.
    const TChildResult child = RunInChild([&] {
        TLaserFrames show;
        FillLinkedShow(show);
        return write(target, show).toUtf8();
    }, limits);
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QVERIFY(child.Exited);
    const QString message = QString::fromUtf8(child.Output);
    QVERIFY2(message.contains(QDir::toNativeSeparators(target)), qPrintable(message));
    QVERIFY2(message.contains(reason), qPrintable(message));
    QVERIFY2(!message.contains("Unknown error"), qPrintable(message));

    const QFileInfo after(target);
    if (wasFile)
        QCOMPARE(ReadFile(target), Earlier);
    QCOMPARE(after.exists(), before.exists());
    QCOMPARE(after.isFile(), before.isFile());
    QCOMPARE(after.isDir(), before.isDir());
    QCOMPARE(after.isSymLink(), before.isSymLink());
    QCOMPARE(Litter(dir.path(), kept), QStringList());
}

void TestWriteFaults::fullDisk_data()
{
    QTest::addColumn<bool>("ilda");
    QTest::newRow("show file") << false;
    QTest::newRow("ILDA export") << true;
}

void TestWriteFaults::fullDisk()
{
    QFETCH(bool, ilda);
    QTemporaryDir dir;
    TSmallDisk disk(dir.filePath("disk"), 64 * 1024);
    if (!disk.IsReady())
        QSKIP("mounting a small disk needs root");
    const QString target = disk.FilePath("show.out");
    QVERIFY(WriteFile(target, Earlier));
    disk.Fill();

    TLaserFrames show;
    FillLinkedShow(show, 2, 10); // a small file, written in one go
    const QString message = ilda ? ExportIlda(target, show) : WriteShow(target, show);
    QVERIFY2(message.contains(target), qPrintable(message));
    QVERIFY2(message.contains("No space left on device"), qPrintable(message));
    QCOMPARE(ReadFile(target), Earlier);
    QCOMPARE(Litter(disk.FilePath({}), {"show.out", "filler"}), QStringList());
}

void TestWriteFaults::symbolicLinkIsWrittenThrough_data()
{
    QTest::addColumn<bool>("ilda");
    QTest::addColumn<bool>("targetExists");
    QTest::newRow("show file") << false << true;
    QTest::newRow("show file, link to a new file") << false << false;
    QTest::newRow("ILDA export") << true << true;
    QTest::newRow("ILDA export, link to a new file") << true << false;
}

void TestWriteFaults::symbolicLinkIsWrittenThrough()
{
    QFETCH(bool, ilda);
    QFETCH(bool, targetExists);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir("real"));
    const QString real = dir.filePath("real/show.out");
    if (targetExists)
        QVERIFY(WriteFile(real, Earlier));
    const QString link = dir.filePath("link");
    // A relative link, resolved from the link's folder.
    QVERIFY(QFile::link("real/show.out", link));

    TLaserFrames show;
    FillLinkedShow(show);
    const QString message = ilda ? ExportIlda(link, show) : WriteShow(link, show);
    QVERIFY2(message.isEmpty(), qPrintable(message));
    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(QFileInfo(link).symLinkTarget(), QFileInfo(real).absoluteFilePath());
    const QByteArray written = ReadFile(real);
    QVERIFY(written != Earlier);
    QVERIFY(written.startsWith(ilda ? "ILDA" : "RZ4P"));
    QCOMPARE(Litter(dir.filePath("real"), {"show.out"}), QStringList());
}

void TestWriteFaults::interruptedWriteLeavesEarlierOrCompleteFile_data()
{
    QTest::addColumn<bool>("ilda");
    QTest::newRow("show file") << false;
    QTest::newRow("ILDA export") << true;
}

void TestWriteFaults::interruptedWriteLeavesEarlierOrCompleteFile()
{
    QFETCH(bool, ilda);
    QTemporaryDir dir;
    const QString target = dir.filePath("show.out");
    // Large enough that writing takes a while: 3 frames of 30,000 points, densely
    // stored links (over 200 MB as a show, 2 MB as ILDA).
    qint64 expectedSize = 0;
    {
        TLaserFrames show;
        FillLinkedShow(show, 3, 30000);
        if (ilda) {
            const QString whole = dir.filePath("whole.ild");
            QVERIFY(ExportIlda(whole, show).isEmpty());
            expectedSize = QFileInfo(whole).size();
            QVERIFY(QFile::remove(whole));
        } else {
            expectedSize = TShowFileWriter::FileSize(show);
        }
    }
    for (const int afterMs : {5, 40, 120, 250, 500}) {
        QVERIFY(WriteFile(target, Earlier));
        const TChildResult child = RunInChild(
            [&] {
                InstallInterruptCleanup();
                TLaserFrames show;
                FillLinkedShow(show, 3, 30000);
                return (ilda ? ExportIlda(target, show) : WriteShow(target, show)).toUtf8();
            },
            TLimits(), [&](pid_t pid) {
                QThread::msleep(afterMs);
                kill(pid, SIGTERM);
            });
        const QByteArray now = ReadFile(target);
        const bool whole = now.startsWith(ilda ? "ILDA" : "RZ4P") && now.size() == expectedSize;
        if (child.Exited && child.Output.isEmpty()) {
            QVERIFY(whole);
        } else {
            // Stopped while writing: the earlier file. Stopped after the new file took
            // its place (freeing the large show takes a while): the new one, whole.
            QCOMPARE(child.Signal, SIGTERM);
            QVERIFY2(now == Earlier || whole, qPrintable(QString("%1 bytes").arg(now.size())));
        }
        QCOMPARE(Litter(dir.path(), {"show.out"}), QStringList());
    }
}

void TestWriteFaults::fileSizeIsKnownBeforeWriting()
{
    // Every part of a frame counts: texts (cut at 65535 characters, one byte each
    // whatever the character), help lines, points and links after fitting.
    TLaserFrames show;
    FillLinkedShow(show, 3, 17);
    show.Frame(0).Name = QString(70000, QChar(0x263A));
    show.Frame(1).Name = QStringLiteral("\U0001F600 and Caf\u00e9");
    show.Frame(1).ImageFile = QStringLiteral("/pictures/\u00fcber.bmp");
    show.Frame(1).HelpLines.XLines = {1, 2, 3};
    show.Frame(1).HelpLines.YLines = {9};
    show.Frame(1).HelpLines.Add2P({1, 2}, {3, 4});
    show.Frame(2).Points.resize(40); // links stale until written
    show.Add();                      // a frame without points after one with points
    const qint64 predicted = TShowFileWriter::FileSize(show);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QCOMPARE(TShowFileWriter::Write(buffer, show).message, QString());
    QCOMPARE(buffer.data().size(), predicted);
}

void TestWriteFaults::showTooLargeForTheReaderIsRefusedBeforeWriting()
{
    // Three frames of 65,535 points store two dense link blocks of 512 MiB each:
    // more than the reader takes, so the writer refuses it and writes nothing.
    QTemporaryDir dir;
    const QString target = dir.filePath("huge.RZ4");
    QVERIFY(WriteFile(target, Earlier));
    TLaserFrames show;
    for (int k = 0; k < 3; ++k)
        show.Add().Points.resize(65535);
    QVERIFY(TShowFileWriter::FileSize(show) > TShowFileReader::MaxFileSize);
    const TChildResult child = RunInChild([&] {
        // So small a limit that any write of the show would fail another way.
        return WriteShowFile(target, show).message.toUtf8();
    }, TLimits{0, -1, 60});
    const QString message = QString::fromUtf8(child.Output);
    QVERIFY2(message.contains(target), qPrintable(message));
    QVERIFY2(message.contains("more than a show file may hold"), qPrintable(message));
    QCOMPARE(ReadFile(target), Earlier);
    QCOMPARE(Litter(dir.path(), {"huge.RZ4"}), QStringList());
}

void TestWriteFaults::outOfMemoryEndsInAMessage()
{
    // A show of 112 MB whose links all reach the last rows (so it needs as much to
    // hold) and an ILDA file of 60 frames read, opened and imported with too little
    // memory for them: each ends in a message naming the file, never in an escaped
    // exception, and leaves the show it was to change as it was.
    QTemporaryDir dir;
    const QString showFile = dir.filePath("big.RZ4");
    const QString ildaFile = dir.filePath("big.ild");
    // Made in a child, so this process stays small and its size says what it needs.
    const TChildResult made = RunInChild([&] {
        TLaserFrames show;
        FillLinkedShow(show, 2, 30000);
        for (int j = 0; j < 30000; ++j)
            show.Frame(1).Links.Set(29999 - j % 64, j, true);
        TLaserFrames frames;
        FillLinkedShow(frames, 60, 30000);
        return WriteShowFile(showFile, show).message.toUtf8()
               + ExportIldaFile(ildaFile, frames, TIldaExportOptions()).outcome.message.toUtf8();
    });
    QVERIFY2(made.Exited && made.Output.isEmpty(), made.Output.constData());

    const auto run = [&](const std::function<QString()>& work) {
        const TChildResult child = RunInChild([&] { return work().toUtf8(); }, TightMemory());
        const QString message = QString::fromUtf8(child.Output);
        QVERIFY2(child.Exited && child.ExitCode == 0, qPrintable(QString::number(child.Signal)));
        QVERIFY2(message.startsWith("Not enough memory to "), qPrintable(message));
    };
    run([&] {
        TLaserFrames show;
        return ReadShowFile(show, showFile).outcome.message;
    });
    run([&] {
        std::unique_ptr<TLaserFrames> target;
        const QString message = OpenShowFile(showFile, target).outcome.message;
        return target ? QStringLiteral("the show was replaced") : message;
    });
    run([&] {
        TLaserFrames show;
        show.Add().Name = "kept";
        const QString message = ImportIldaFile(ildaFile, show, TIldaImportOptions()).outcome.message;
        return show.Count() == 1 && show.Frame(0).Name == "kept" ? message : QStringLiteral("the show changed");
    });
    QCOMPARE(Litter(dir.path(), {"big.RZ4", "big.ild"}), QStringList());
}

void TestWriteFaults::largeFileNeedsLittleMemoryBeyondItsShow()
{
    // A show file of 112 MB whose show holds about 3 MB (its links sit in the first
    // rows) is read and saved again where a copy of the file would not fit: reader and
    // writer go through it a block at a time.
    QTemporaryDir dir;
    const QString showFile = dir.filePath("sparse.RZ4");
    const QString savedFile = dir.filePath("saved.RZ4");
    const TChildResult made = RunInChild([&] {
        TLaserFrames show;
        FillLinkedShow(show, 2, 30000);
        return WriteShowFile(showFile, show).message.toUtf8();
    });
    QVERIFY2(made.Exited && made.Output.isEmpty(), made.Output.constData());

    const TChildResult child = RunInChild([&] {
        TLaserFrames show;
        const TShowFileResult read = ReadShowFile(show, showFile);
        if (!read.outcome.ok || show.Count() != 2 || !show.Frame(1).Links.Get(63, 127))
            return QByteArray("not read: ") + read.outcome.message.toUtf8();
        return WriteShowFile(savedFile, show).message.toUtf8();
    }, TightMemory());
    QVERIFY2(child.Exited && child.ExitCode == 0, qPrintable(QString::number(child.Signal)));
    QVERIFY2(child.Output.isEmpty(), child.Output.constData());
    QCOMPARE(QFileInfo(savedFile).size(), QFileInfo(showFile).size());
    QCOMPARE(Litter(dir.path(), {"sparse.RZ4", "saved.RZ4"}), QStringList());
}

QTEST_GUILESS_MAIN(TestWriteFaults)
#include "tst_writefaults.moc"
