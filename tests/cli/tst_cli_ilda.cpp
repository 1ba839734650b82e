#include "Builders.h"
#include "CliRun.h"
#include "IldaFile.h"
#include "ShowFile.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

TSmallPoint Pt(int x, int y, bool blank = false)
{
    return PointAt(x, y, blank ? TSmallPoint::FlagBlank : 0);
}

// "tri" (colour 0, dark closing line) and "bar" (colour 1, dark middle line).
QString WriteShow(const QString& path)
{
    TLaserFrames show;
    TLaserFrame& tri = show.Add();
    tri.Name = "tri";
    tri.Points = {Pt(10, 200), Pt(128, 20), Pt(245, 200, true)};
    TLaserFrame& bar = show.Add();
    bar.Name = "bar";
    bar.Flags = TLaserFrame::FlagColor;
    bar.Points = {Pt(0, 128), Pt(100, 128, true), Pt(200, 128), Pt(255, 128)};
    if (!WriteShowFile(path, show).ok)
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

} // namespace

class TestCliIlda : public QObject {
    Q_OBJECT
private slots:
    void exportAndImportBack_data();
    void exportAndImportBack();
    void defaultFormatIsTrueColour();
    void usageErrors_data();
    void usageErrors();
    void fileErrors_data();
    void fileErrors();
};

void TestCliIlda::exportAndImportBack_data()
{
    QTest::addColumn<QStringList>("formatArgs");
    QTest::addColumn<int>("formatByte");
    QTest::newRow("format 0") << QStringList{"--format", "0"} << 0;
    QTest::newRow("format 1") << QStringList{"--format", "1"} << 1;
    QTest::newRow("format 4") << QStringList{"--format", "4"} << 4;
    QTest::newRow("format 5, option first") << QStringList{"--format", "5"} << 5;
}

void TestCliIlda::exportAndImportBack()
{
    QFETCH(QStringList, formatArgs);
    QFETCH(int, formatByte);
    QTemporaryDir dir;
    const QString show = WriteShow(dir.filePath("party.RZ4"));
    const QString ild = dir.filePath("party.ild");
    const QStringList exportArgs = formatByte == 5 ? QStringList{"export-ilda"} + formatArgs + QStringList{show, ild}
                                                   : QStringList{"export-ilda", show, ild} + formatArgs;
    TRun r = RunCli(exportArgs);
    QCOMPARE(r.exitCode, 0);
    QVERIFY2(r.out.contains("2 frames"), qPrintable(r.out));
    const QByteArray bytes = ReadFile(ild);
    QCOMPARE(int(bytes[7]), formatByte);

    const QString back = dir.filePath("back.RZ4");
    r = RunCli({"import-ilda", ild, back, "--delay", "250"});
    QCOMPARE(r.exitCode, 0);
    QVERIFY2(r.err.isEmpty(), qPrintable(r.err));
    TLaserFrames original, imported;
    QVERIFY(ReadShowFile(original, show).outcome.ok);
    QVERIFY(ReadShowFile(imported, back).outcome.ok);
    QCOMPARE(imported.Count(), 2);
    for (int f = 0; f < 2; ++f) {
        const TLaserFrame& a = original.Frame(f);
        const TLaserFrame& b = imported.Frame(f);
        QCOMPARE(b.Name, a.Name);
        QCOMPARE(b.ColorBit(), a.ColorBit());
        QCOMPARE(b.Delay, quint16(250));
        QCOMPARE(b.PointCount(), a.PointCount());
        for (int k = 0; k < a.PointCount(); ++k) {
            QCOMPARE(b.Points[k].X, a.Points[k].X);
            QCOMPARE(b.Points[k].Y, a.Points[k].Y);
            QCOMPARE(b.Points[k].Flags, a.Points[k].Flags);
            QCOMPARE(b.Points[k].Name, QString::number(k));
        }
    }
    QCOMPARE(imported.Frame(1).Links.Cols(), 3);
}

void TestCliIlda::defaultFormatIsTrueColour()
{
    QTemporaryDir dir;
    const QString show = WriteShow(dir.filePath("s.RZ4"));
    const QString ild = dir.filePath("s.ild");
    QCOMPARE(RunCli({"export-ilda", show, ild}).exitCode, 0);
    const QByteArray bytes = ReadFile(ild);
    // "tri": 3 points and the closing point, 8 bytes each; then "bar": 5 records; the end header.
    QCOMPARE(bytes.size(), 32 + 4 * 8 + 32 + 5 * 8 + 32);
    QCOMPARE(int(bytes[7]), 5);
    QCOMPARE(bytes.mid(8, 8), QByteArray("tri\0\0\0\0\0", 8));
    // The second record of "tri" is lit red: blue, green, red.
    QCOMPARE(bytes.mid(32 + 8 + 5, 3), QByteArray("\x00\x00\xff", 3));
    // An output on top of the input is refused before anything is written.
    const TRun same = RunCli({"export-ilda", show, show});
    QCOMPARE(same.exitCode, 1);
    QVERIFY2(same.err.contains("would replace the input"), qPrintable(same.err));
    QCOMPARE(RunCli({"import-ilda", ild, ild}).exitCode, 1);
    QCOMPARE(ReadFile(ild), bytes);
    TLaserFrames kept;
    QVERIFY(ReadShowFile(kept, show).outcome.ok);
    QCOMPARE(kept.Count(), 2);

    // The default delay of an import is 40 ms.
    const QString back = dir.filePath("back.RZ4");
    QCOMPARE(RunCli({"import-ilda", ild, back}).exitCode, 0);
    TLaserFrames imported;
    QVERIFY(ReadShowFile(imported, back).outcome.ok);
    QCOMPARE(imported.Frame(0).Delay, quint16(40));
}

void TestCliIlda::usageErrors_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("reason");
    QTest::newRow("export without files") << QStringList{"export-ilda"} << "export-ilda takes an input and an output file";
    QTest::newRow("export with one file") << QStringList{"export-ilda", "a.RZ4"} << "takes an input and an output file";
    QTest::newRow("export with three files") << QStringList{"export-ilda", "a", "b", "c"} << "takes an input and an output file";
    QTest::newRow("format 3") << QStringList{"export-ilda", "a", "b", "--format", "3"} << "--format takes 0, 1, 4 or 5, not \"3\"";
    QTest::newRow("format word") << QStringList{"export-ilda", "a", "b", "--format", "five"} << "not \"five\"";
    QTest::newRow("format missing") << QStringList{"export-ilda", "a", "b", "--format"} << "--format needs a value";
    QTest::newRow("unknown option") << QStringList{"export-ilda", "a", "b", "--delay", "5"} << "unknown option \"--delay\" for export-ilda";
    QTest::newRow("import with one file") << QStringList{"import-ilda", "a.ild"} << "import-ilda takes an input and an output file";
    QTest::newRow("negative delay") << QStringList{"import-ilda", "a", "b", "--delay", "-1"} << "--delay takes milliseconds 0..65535, not \"-1\"";
    QTest::newRow("delay too long") << QStringList{"import-ilda", "a", "b", "--delay", "65536"} << "not \"65536\"";
}

void TestCliIlda::usageErrors()
{
    QFETCH(QStringList, args);
    QFETCH(QString, reason);
    const TRun r = RunCli(args);
    QCOMPARE(r.status, QProcess::NormalExit);
    QCOMPARE(r.exitCode, 1);
    QVERIFY2(r.err.contains(reason), qPrintable(r.err));
    QVERIFY2(r.err.contains("export-ilda SHOW OUT.ild") && r.err.contains("import-ilda IN.ild OUT.RZ4"),
             qPrintable(r.err));
}

void TestCliIlda::fileErrors_data()
{
    QTest::addColumn<QString>("verb");
    QTest::addColumn<QByteArray>("input");  // written as the input file; empty: no file
    QTest::addColumn<QString>("expected");
    QByteArray cut("ILDA\0\0\0\x05", 8);
    cut += QByteArray(16, '\0') + QByteArray("\x00\x05\x00\x00\x00\x01\x00\x00", 8) + QByteArray(12, '\x10');
    QTest::newRow("import: no such file") << "import-ilda" << QByteArray() << "no such file";
    QTest::newRow("import: not ILDA") << "import-ilda" << QByteArray("hello") << "does not begin with \"ILDA\"";
    QTest::newRow("import: section cut off") << "import-ilda" << cut << "is cut off";
    // A colour table is read, but colours no frame.
    QTest::newRow("import: a colour table and no frame")
        << "import-ilda" << (QByteArray("ILDA\0\0\0\x03", 8) + QByteArray(16, '\0') + QByteArray("\x00\x01", 2)
                             + QByteArray(40, '\0'))
        << "the file holds no frames";
    QTest::newRow("export: no such show") << "export-ilda" << QByteArray() << "no such file";
    QTest::newRow("export: not a show") << "export-ilda" << QByteArray("ILDA and more") << "not a Skelmar show file";
}

void TestCliIlda::fileErrors()
{
    QFETCH(QString, verb);
    QFETCH(QByteArray, input);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    const QString in = dir.filePath(verb == "import-ilda" ? "in.ild" : "in.RZ4");
    const QString out = dir.filePath(verb == "import-ilda" ? "out.RZ4" : "out.ild");
    if (!input.isEmpty())
        QVERIFY(WriteFile(in, input));
    const TRun r = RunCli({verb, in, out});
    QCOMPARE(r.status, QProcess::NormalExit);
    QCOMPARE(r.exitCode, 2);
    // One line naming the file and what is wrong; nothing written.
    QVERIFY2(r.err.startsWith("skelmar-cli: " + QDir::toNativeSeparators(in)), qPrintable(r.err));
    QVERIFY2(r.err.contains(expected), qPrintable(r.err));
    QCOMPARE(r.err.count('\n'), 1);
    QVERIFY(!QFile::exists(out));
}

QTEST_GUILESS_MAIN(TestCliIlda)
#include "tst_cli_ilda.moc"
