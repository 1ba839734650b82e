#include "Builders.h"
#include "CliRun.h"
#include "ShowBytes.h"
#include "ShowFile.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

namespace {

// Two frames: "intro" with a point, locked, colour 1, and "spin" rotating by -30 degrees.
QByteArray TwoFrameShow(int version)
{
    TShowBytes b(version);
    b.Text("intro").U16(1500).U16(0).U16(0).U16(0).U8(128).U8(128).U8(128).U8(128).U16(3);
    b.Text({}).Zeros(16).U16(0).U16(0).U16(0);
    b.U16(1).Point("0", 1, 2, 0, 0).U16(1).U16(0);
    b.Text("spin").U16(250).U16(400).U16(6).U16(quint16(-30)).U8(100).U8(90).U8(128).U8(128).U16(0);
    b.Text({}).Zeros(16).U16(0).U16(0).U16(0);
    b.U16(2).Point("0", 3, 4, 0, 0).Point("1", 5, 6, 0, 2).U16(2).U16(1).U16(3);
    return b;
}

} // namespace

class TestCli : public QObject {
    Q_OBJECT
private slots:
    void infoListsEveryFrame();
    void infoAsJson();
    void resaveWritesVersionSixAndKeepsTheShow();
    void resaveIsByteIdenticalForCurrentFiles();
    void usageErrors_data();
    void usageErrors();
    void helpAndVersion_data();
    void helpAndVersion();
    void optionsStandAnywhere_data();
    void optionsStandAnywhere();
    void fileErrors_data();
    void fileErrors();
    void randomFilesNeverCrash();
    void namesBeginningWithAColon_data();
    void namesBeginningWithAColon();
};

void TestCli::infoListsEveryFrame()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("party.RZ4");
    QVERIFY(WriteFile(path, TwoFrameShow(6)));
    const TRun r = RunCli({"info", path});
    QCOMPARE(r.exitCode, 0);
    QVERIFY2(r.out.contains("format version 6, 2 frames"), qPrintable(r.out));
    QVERIFY2(r.out.contains("Frame 0 \"intro\": 1 points, delay 1500 ms, effect Slide (parameter 0) 0 ms, colour 1, locked"),
             qPrintable(r.out));
    QVERIFY2(r.out.contains("Frame 1 \"spin\": 2 points, delay 250 ms, effect Rotate (parameter -30) 400 ms, colour 0, unlocked"),
             qPrintable(r.out));
}

void TestCli::infoAsJson()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("party.RZ4");
    QByteArray bytes = TwoFrameShow(6);
    bytes[4] = 9; // a newer version reads as 6
    QVERIFY(WriteFile(path, bytes));
    const TRun r = RunCli({"info", "--json", path});
    QCOMPARE(r.exitCode, 0);
    const QJsonObject root = QJsonDocument::fromJson(r.out.toUtf8()).object();
    QCOMPARE(root["version"].toInt(), 9);
    QCOMPARE(root["frameCount"].toInt(), 2);
    const QJsonObject spin = root["frames"].toArray()[1].toObject();
    QCOMPARE(spin["name"].toString(), QString("spin"));
    QCOMPARE(spin["points"].toInt(), 2);
    QCOMPARE(spin["effect"].toInt(), 6);
    QCOMPARE(spin["effectName"].toString(), QString("Rotate"));
    QCOMPARE(spin["effectParam"].toInt(), -30);
    QCOMPARE(spin["effectTime"].toInt(), 400);
    QCOMPARE(spin["locked"].toBool(), false);
    QCOMPARE(root["frames"].toArray()[0].toObject()["color"].toInt(), 1);
}

void TestCli::resaveWritesVersionSixAndKeepsTheShow()
{
    QTemporaryDir dir;
    // The same show as a version-2 file: no parameter, centres or help lines.
    TShowBytes b(2);
    b.Text("old").U16(700).U16(20).U16(2).U16(1);
    b.Text({}).Zeros(16);
    b.U16(1).Point("0", 9, 8, 0x1234, 1).U16(1).U16(0);
    QVERIFY(WriteFile(dir.filePath("old.RZ4"), b));
    const TRun r = RunCli({"resave", dir.filePath("old.RZ4"), dir.filePath("new.RZ4")});
    QCOMPARE(r.exitCode, 0);
    TShowBytes expected;
    expected.Text("old").U16(700).U16(20).U16(2).U16(0).U8(128).U8(128).U8(128).U8(128).U16(1);
    expected.Text({}).Zeros(16).U16(0).U16(0).U16(0);
    expected.U16(1).Point("0", 9, 8, 0, 1).U16(1).U16(0);
    QCOMPARE(ReadFile(dir.filePath("new.RZ4")).toHex(' '), expected.Data().toHex(' '));
}

void TestCli::resaveIsByteIdenticalForCurrentFiles()
{
    QTemporaryDir dir;
    const QByteArray bytes = TwoFrameShow(6);
    QVERIFY(WriteFile(dir.filePath("a.RZ4"), bytes));
    QCOMPARE(RunCli({"resave", dir.filePath("a.RZ4"), dir.filePath("b.RZ4")}).exitCode, 0);
    QCOMPARE(ReadFile(dir.filePath("b.RZ4")).toHex(' '), bytes.toHex(' '));
}

void TestCli::usageErrors_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::newRow("nothing") << QStringList{};
    QTest::newRow("unknown verb") << QStringList{"explode"};
    QTest::newRow("info without file") << QStringList{"info"};
    QTest::newRow("info unknown option") << QStringList{"info", "--xml", "a.RZ4"};
    QTest::newRow("resave one file") << QStringList{"resave", "a.RZ4"};
}

void TestCli::usageErrors()
{
    QFETCH(QStringList, args);
    const TRun r = RunCli(args);
    QCOMPARE(r.exitCode, 1);
    QVERIFY2(r.err.contains("Usage: skelmar-cli"), qPrintable(r.err));
}

void TestCli::helpAndVersion_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("start");   // of what is printed on stdout
    QTest::addColumn<QStringList>("lines"); // it also holds
    const QString version = QStringLiteral("skelmar-cli ");
    QTest::newRow("program help") << QStringList{"--help"} << "Usage: skelmar-cli COMMAND"
                                  << QStringList{"  fit-beats SHOW MUSIC OUT.RZ4 [--offset MS]", "Exit status: 0 success"};
    QTest::newRow("program version") << QStringList{"--version"} << version << QStringList{};
    QTest::newRow("compile help") << QStringList{"compile", "--help"} << "Usage: skelmar-cli compile SHOW [--out WAV]"
                                  << QStringList{"  --delays A,B,C,D ", "  --quiet ", "  -h, --help ", "  --version "};
    QTest::newRow("help before a missing file")
        << QStringList{"info", "/no/such.RZ4", "-h"} << "Usage: skelmar-cli info SHOW [--json]" << QStringList{"  --json "};
    QTest::newRow("help among bad options") << QStringList{"export-ilda", "--format", "9", "--help"}
                                            << "Usage: skelmar-cli export-ilda " << QStringList{"  --format 0|1|4|5 "};
    QTest::newRow("help word") << QStringList{"help", "fit-beats"} << "Usage: skelmar-cli fit-beats "
                               << QStringList{"  --offset MS "};
    for (const char* verb : {"info", "resave", "compile", "export-ilda", "import-ilda", "import-svg", "text", "beats",
                             "fit-beats"}) {
        QTest::addRow("%s help", verb) << QStringList{verb, "--help"} << QStringLiteral("Usage: skelmar-cli %1 ").arg(verb)
                                       << QStringList{"  --version "};
        QTest::addRow("%s version", verb) << QStringList{verb, "--version"} << version << QStringList{};
    }
}

void TestCli::helpAndVersion()
{
    QFETCH(QStringList, args);
    QFETCH(QString, start);
    QFETCH(QStringList, lines);
    const TRun r = RunCli(args);
    QCOMPARE(r.exitCode, 0);
    QVERIFY2(r.err.isEmpty(), qPrintable(r.err));
    QVERIFY2(r.out.startsWith(start), qPrintable(r.out));
    for (const QString& line : lines)
        QVERIFY2(r.out.contains(line), qPrintable(line));
    if (start == QLatin1String("skelmar-cli "))
        QVERIFY2(QRegularExpression("^skelmar-cli \\d+\\.\\d+(\\.\\d+)?\n$").match(r.out).hasMatch(), qPrintable(r.out));
}

// An option means the same before and after the files, and "--" ends the options.
void TestCli::optionsStandAnywhere_data()
{
    QTest::addColumn<QStringList>("args");  // "SHOW" stands for the show
    QTest::newRow("after") << QStringList{"info", "SHOW", "--json"};
    QTest::newRow("before") << QStringList{"info", "--json", "SHOW"};
    QTest::newRow("after --") << QStringList{"info", "--json", "--", "SHOW"};
}

void TestCli::optionsStandAnywhere()
{
    QFETCH(QStringList, args);
    QTemporaryDir dir;
    const QString path = dir.filePath("party.RZ4");
    QVERIFY(WriteFile(path, TwoFrameShow(6)));
    args.replaceInStrings(QRegularExpression("^SHOW$"), path);
    const TRun r = RunCli(args);
    QCOMPARE(r.exitCode, 0);
    QCOMPARE(r.out, RunCli({"info", path, "--json"}).out);
    QVERIFY(QJsonDocument::fromJson(r.out.toUtf8()).isObject());
}

// A name that gives no show fails with one line that names the file and says why; a
// folder or a pipe is turned away before anything opens it (a pipe would block).
void TestCli::fileErrors_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("reason");
    QTest::newRow("missing") << "missing" << QByteArray() << "bad.RZ4: no such file";
    QTest::newRow("not a show") << "file" << QByteArray("hello world, not a show") << "bad.RZ4 is not a Skelmar show file";
    QTest::newRow("truncated") << "file" << TwoFrameShow(6).left(70) << "bad.RZ4";
    QTest::newRow("folder") << "folder" << QByteArray() << "bad.RZ4: it is a folder, not a file";
    QTest::newRow("pipe") << "pipe" << QByteArray() << "bad.RZ4: it is a pipe, not a regular file";
}

void TestCli::fileErrors()
{
    QFETCH(QString, kind);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    const QString path = dir.filePath("bad.RZ4");
    if (kind == "file")
        QVERIFY(WriteFile(path, bytes));
    else if (kind == "folder")
        QVERIFY(QDir(dir.path()).mkdir("bad.RZ4"));
    else if (kind == "pipe")
        QCOMPARE(mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    for (const QStringList& args : {QStringList{"info", path}, QStringList{"resave", path, dir.filePath("out.RZ4")},
                                    QStringList{"compile", path, "--out", dir.filePath("out.WAV")}}) {
        const TRun r = RunCli(args);
        QCOMPARE(r.status, QProcess::NormalExit);
        QCOMPARE(r.exitCode, 2);
        QVERIFY2(r.err.contains(reason), qPrintable(r.err));
        QCOMPARE(r.err.count('\n'), 1);
    }
    QVERIFY(!QFile::exists(dir.filePath("out.RZ4")));
    QVERIFY(!QFile::exists(dir.filePath("out.WAV")));
}

void TestCli::randomFilesNeverCrash()
{
    QTemporaryDir dir;
    QRandomGenerator rng(7);
    const QByteArray good = TwoFrameShow(6);
    for (int i = 0; i < 40; ++i) {
        QByteArray bytes = good;
        for (int e = 0; e < 4; ++e)
            bytes[5 + rng.bounded(bytes.size() - 5)] = char(rng.bounded(256));
        if (i % 2)
            bytes.truncate(rng.bounded(bytes.size()));
        const QString path = dir.filePath(QStringLiteral("r%1.RZ4").arg(i));
        QVERIFY(WriteFile(path, bytes));
        const TRun r = RunCli({"info", path});
        QCOMPARE(r.status, QProcess::NormalExit);
        QVERIFY2(r.exitCode == 0 || r.exitCode == 2, qPrintable(r.err));
        if (r.exitCode == 2)
            QVERIFY(r.err.contains(path));
    }
}

// Qt takes a name beginning with ':' for one of the program's resources: every such
// input was "No such file or directory", and an output went through the same check.
void TestCli::namesBeginningWithAColon_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("written");   // empty: nothing
    QTest::newRow("info") << QStringList{"info", ":party.RZ4"} << "";
    QTest::newRow("resave") << QStringList{"resave", ":party.RZ4", ":copy.RZ4"} << ":copy.RZ4";
    QTest::newRow("compile --out") << QStringList{"compile", ":party.RZ4", "--out", ":party.wav", "--quiet"} << ":party.wav";
    QTest::newRow("compile") << QStringList{"compile", ":party.RZ4", "--quiet"} << ":party.RZ4.WAV";
    QTest::newRow("export-ilda") << QStringList{"export-ilda", ":party.RZ4", ":out.ild"} << ":out.ild";
    QTest::newRow("import-ilda") << QStringList{"import-ilda", ":party.ild", ":back.RZ4"} << ":back.RZ4";
    QTest::newRow("import-svg") << QStringList{"import-svg", ":logo.svg", ":logo.RZ4"} << ":logo.RZ4";
    QTest::newRow("text") << QStringList{"text", ":-)", ":smile.RZ4"} << ":smile.RZ4";
}

void TestCli::namesBeginningWithAColon()
{
    QFETCH(QStringList, args);
    QFETCH(QString, written);
    QTemporaryDir dir;
    QVERIFY(WriteFile(dir.path() + "/:party.RZ4", TwoFrameShow(6)));
    QVERIFY(WriteFile(dir.path() + "/:logo.svg", R"x(<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 10 10">
        <rect width="10" height="10" fill="none" stroke="black"/></svg>)x"));
    QCOMPARE(RunCli({"export-ilda", dir.path() + "/:party.RZ4", dir.path() + "/:party.ild"}).exitCode, 0);
    const QStringList before = QDir(dir.path()).entryList(QDir::Files);
    const TRun r = RunCli(args, dir.path());
    QVERIFY2(r.exitCode == 0, qPrintable(r.err));
    QVERIFY2(r.err.isEmpty(), qPrintable(r.err));
    QStringList expected = before;
    if (!written.isEmpty())
        expected << written;
    expected.sort();
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files, QDir::Name), expected);
    if (written.endsWith(".RZ4")) {
        TLaserFrames show;
        QVERIFY(ReadShowFile(show, dir.path() + "/" + written).outcome.ok);
        QVERIFY(show.Count() >= 1);
    }
}

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
