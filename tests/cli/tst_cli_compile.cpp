#include "Builders.h"
#include "ShowFile.h"
#include "WaveCompiler.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

Q_DECLARE_METATYPE(TScanDelays)

class TestCliCompile : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void defaultNameAndSummary_data();
    void defaultNameAndSummary();
    void outOption();
    void optionsMatchTheCompiler_data();
    void optionsMatchTheCompiler();
    void progressLinesAndQuiet();
    void usageErrors_data();
    void usageErrors();
    void unreadableShow_data();
    void unreadableShow();
    void unwritableOutput();

private:
    struct TRun {
        int exitCode = -1;
        QString out;
        QString err;
    };
    TRun Run(const QStringList& args);
    QString WriteShow(const QString& name);

    QTemporaryDir FDir;
};

namespace {

// Two drawn frames around an empty one; the points sit off both axes' centres so
// that flips and delays show in the samples.
void BuildShow(TLaserFrames& show)
{
    TLaserFrame& a = show.Add();
    a.Name = QStringLiteral("Alpha");
    a.Delay = 40;
    a.Points.resize(3);
    a.Points[0].X = 20;  a.Points[0].Y = 30;
    a.Points[1].X = 200; a.Points[1].Y = 45;  a.Points[1].Flags = TSmallPoint::FlagSharp;
    a.Points[2].X = 110; a.Points[2].Y = 230;

    TLaserFrame& empty = show.Add();
    empty.Name = QStringLiteral("Nothing");
    empty.Delay = 10;

    TLaserFrame& b = show.Add();
    b.Name = QStringLiteral("Beta");
    b.Delay = 30;
    b.Effect = EffectPlode;
    b.EffectTime = 20;
    b.EffectCenterX = 90;
    b.EffectCenterY = 60;
    b.Flags = TLaserFrame::FlagColor;
    b.Points.resize(2);
    b.Points[0].X = 60;  b.Points[0].Y = 70;
    b.Points[1].X = 240; b.Points[1].Y = 180;
    for (int k = 0; k < show.Count(); ++k)
        show.FitLinksAt(k);
}

} // namespace

void TestCliCompile::initTestCase()
{
    QVERIFY(FDir.isValid());
    QVERIFY2(QFile::exists(QStringLiteral(SKELMAR_CLI)), SKELMAR_CLI);
}

TestCliCompile::TRun TestCliCompile::Run(const QStringList& args)
{
    QProcess process;
    process.setWorkingDirectory(FDir.path());
    process.start(QStringLiteral(SKELMAR_CLI), QStringList{QStringLiteral("compile")} + args);
    TRun run;
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return run;
    run.exitCode = process.exitCode();
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

QString TestCliCompile::WriteShow(const QString& name)
{
    TLaserFrames show;
    BuildShow(show);
    const QString path = FDir.filePath(name);
    return WriteShowFile(path, show).ok ? path : QString();
}

void TestCliCompile::defaultNameAndSummary_data()
{
    QTest::addColumn<QString>("show");
    QTest::addColumn<QString>("wav");

    // The extension is kept and ".WAV" appended, whatever the show's name.
    QTest::newRow("show") << "party.RZ4" << "party.RZ4.WAV";
    QTest::newRow("lower case") << "party.rz4" << "party.rz4.WAV";
    QTest::newRow("single frame") << "logo.RZ4-frame" << "logo.RZ4-frame.WAV";
    QTest::newRow("no extension") << "noext" << "noext.WAV";
}

void TestCliCompile::defaultNameAndSummary()
{
    QFETCH(QString, show);
    QFETCH(QString, wav);

    const QString showPath = WriteShow(show);
    QVERIFY(!showPath.isEmpty());
    const QString wavPath = FDir.filePath(wav);
    QFile::remove(wavPath);

    const TRun run = Run({showPath, QStringLiteral("--quiet")});
    QCOMPARE(run.exitCode, 0);
    QVERIFY2(run.err.isEmpty(), qPrintable(run.err));
    const QByteArray file = ReadFile(wavPath);
    QVERIFY(file.size() > 44);

    static const QRegularExpression summary(QStringLiteral(
        "^Compiled 2 frames \\(1 without points skipped\\): (\\d+) sample frames, (\\d+\\.\\d\\d) s, "
        "(\\d+) bytes -> (.+)\n$"));
    const QRegularExpressionMatch m = summary.match(run.out);
    QVERIFY2(m.hasMatch(), qPrintable(run.out));
    const quint32 sampleFrames = m.captured(1).toUInt();
    QCOMPARE(m.captured(2), QString::number(sampleFrames / 44100.0, 'f', 2));
    QCOMPARE(m.captured(3).toLongLong(), qint64(file.size()));
    QCOMPARE(QDir::cleanPath(m.captured(4)), QDir::cleanPath(wavPath));
    QCOMPARE(qint64(file.size()), 44 + 4 * qint64(sampleFrames));
    QCOMPARE(qFromLittleEndian<quint32>(file.constData() + 40), 4 * sampleFrames);

    // The file is what the compiler itself writes for the show as stored.
    TLaserFrames stored;
    QVERIFY(ReadShowFile(stored, showPath).outcome.ok);
    const QString refPath = FDir.filePath(QStringLiteral("reference.wav"));
    QVERIFY(CompileShow(stored, refPath, TCompileOptions{}).outcome.ok);
    QVERIFY(file == ReadFile(refPath));
}

void TestCliCompile::outOption()
{
    const QString showPath = WriteShow(QStringLiteral("out.RZ4"));
    QVERIFY(!showPath.isEmpty());
    QFile::remove(showPath + QStringLiteral(".WAV"));
    const QByteArray showBytes = ReadFile(showPath);

    // A relative name counts from the working directory.
    const TRun run = Run({showPath, QStringLiteral("--out"), QStringLiteral("elsewhere.wav"),
                          QStringLiteral("--quiet")});
    QCOMPARE(run.exitCode, 0);
    QVERIFY(run.out.endsWith(QStringLiteral(" -> elsewhere.wav\n")));
    QVERIFY(ReadFile(FDir.filePath(QStringLiteral("elsewhere.wav"))).size() > 44);
    QVERIFY(!QFile::exists(showPath + QStringLiteral(".WAV")));
    QCOMPARE(ReadFile(showPath), showBytes);

    // The output may not replace the show it is compiled from.
    const TRun same = Run({showPath, QStringLiteral("--out"), showPath});
    QCOMPARE(same.exitCode, 1);
    QCOMPARE(ReadFile(showPath), showBytes);
}

void TestCliCompile::optionsMatchTheCompiler_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<TScanDelays>("delays");
    QTest::addColumn<bool>("flipX");
    QTest::addColumn<bool>("flipY");

    QTest::newRow("delays") << QStringList{"--delays", "10,20,90,5"} << TScanDelays{10, 20, 90, 5} << false << false;
    QTest::newRow("delays at the limits") << QStringList{"--delays", "1,65535,1,0"}
                                          << TScanDelays{1, 65535, 1, 0} << false << false;
    QTest::newRow("flip x") << QStringList{"--flip-x"} << TScanDelays{} << true << false;
    QTest::newRow("flip y") << QStringList{"--flip-y"} << TScanDelays{} << false << true;
    QTest::newRow("all, options first") << QStringList{"--flip-y", "--delays", "12,34,56,78", "--flip-x"}
                                        << TScanDelays{12, 34, 56, 78} << true << true;
    QTest::newRow("value joined with =") << QStringList{"--delays=7,8,9,10"} << TScanDelays{7, 8, 9, 10} << false
                                         << false;
}

void TestCliCompile::optionsMatchTheCompiler()
{
    QFETCH(QStringList, args);
    QFETCH(TScanDelays, delays);
    QFETCH(bool, flipX);
    QFETCH(bool, flipY);

    const QString showPath = WriteShow(QStringLiteral("options.RZ4"));
    QVERIFY(!showPath.isEmpty());
    const QString wavPath = FDir.filePath(QStringLiteral("options.wav"));
    const TRun run = Run(args + QStringList{QStringLiteral("--out"), wavPath, showPath, QStringLiteral("--quiet")});
    QCOMPARE(run.exitCode, 0);

    TLaserFrames stored;
    QVERIFY(ReadShowFile(stored, showPath).outcome.ok);
    TCompileOptions options;
    options.Delays = delays;
    options.FlipX = flipX;
    options.FlipY = flipY;
    const QString refPath = FDir.filePath(QStringLiteral("options-ref.wav"));
    QVERIFY(CompileShow(stored, refPath, options).outcome.ok);
    const QString plainPath = FDir.filePath(QStringLiteral("options-plain.wav"));
    QVERIFY(CompileShow(stored, plainPath, TCompileOptions{}).outcome.ok);

    const QByteArray produced = ReadFile(wavPath);
    QVERIFY(produced == ReadFile(refPath));
    QVERIFY(produced != ReadFile(plainPath));  // the option reached the compile
}

void TestCliCompile::progressLinesAndQuiet()
{
    const QString showPath = WriteShow(QStringLiteral("progress.RZ4"));
    QVERIFY(!showPath.isEmpty());

    // Not a terminal: one plain line per drawn frame on stderr, stdout kept for the summary.
    const TRun loud = Run({showPath});
    QCOMPARE(loud.exitCode, 0);
    QCOMPARE(loud.err, QStringLiteral("Alpha   (1/3)\nBeta   (3/3)\n"));
    QVERIFY(loud.out.startsWith(QStringLiteral("Compiled 2 frames")));
    QCOMPARE(loud.out.count(QLatin1Char('\n')), 1);

    const TRun quiet = Run({QStringLiteral("--quiet"), showPath});
    QCOMPARE(quiet.exitCode, 0);
    QCOMPARE(quiet.err, QString());
    QCOMPARE(quiet.out, loud.out);
}

void TestCliCompile::usageErrors_data()
{
    QTest::addColumn<QStringList>("args");

    QTest::newRow("no show") << QStringList{"--quiet"};
    QTest::newRow("two shows") << QStringList{"usage.RZ4", "other.RZ4"};
    QTest::newRow("unknown option") << QStringList{"usage.RZ4", "--fast"};
    QTest::newRow("--out without value") << QStringList{"usage.RZ4", "--out"};
    QTest::newRow("--delays without value") << QStringList{"usage.RZ4", "--delays"};
    QTest::newRow("three delays") << QStringList{"usage.RZ4", "--delays", "1,2,3"};
    QTest::newRow("five delays") << QStringList{"usage.RZ4", "--delays", "1,2,3,4,5"};
    QTest::newRow("empty delay") << QStringList{"usage.RZ4", "--delays", "1,,3,4"};
    QTest::newRow("letter") << QStringList{"usage.RZ4", "--delays", "1,2,x,4"};
    QTest::newRow("above 65535") << QStringList{"usage.RZ4", "--delays", "1,2,3,65536"};
    QTest::newRow("negative") << QStringList{"usage.RZ4", "--delays", "-1,2,3,4"};
    QTest::newRow("fraction") << QStringList{"usage.RZ4", "--delays", "1,2.5,3,4"};
}

void TestCliCompile::usageErrors()
{
    QFETCH(QStringList, args);

    QVERIFY(!WriteShow(QStringLiteral("usage.RZ4")).isEmpty());
    QFile::remove(FDir.filePath(QStringLiteral("usage.RZ4.WAV")));
    const TRun run = Run(args);
    QCOMPARE(run.exitCode, 1);
    QVERIFY(run.out.isEmpty());
    QVERIFY(run.err.startsWith(QStringLiteral("skelmar-cli: ")));
    QVERIFY(!QFile::exists(FDir.filePath(QStringLiteral("usage.RZ4.WAV"))));
}

void TestCliCompile::unreadableShow_data()
{
    QTest::addColumn<QByteArray>("content");  // null: no file at all

    QTest::newRow("missing") << QByteArray();
    QTest::newRow("not a show") << QByteArray("RIFF....WAVEfmt this is no show at all");
}

void TestCliCompile::unreadableShow()
{
    QFETCH(QByteArray, content);

    const QString showPath = FDir.filePath(QStringLiteral("unreadable.RZ4"));
    QFile::remove(showPath);
    if (!content.isNull()) {
        QFile file(showPath);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    const TRun run = Run({showPath});
    QCOMPARE(run.exitCode, 2);
    QVERIFY(run.out.isEmpty());
    QCOMPARE(run.err.count(QLatin1Char('\n')), 1);
    QVERIFY2(run.err.contains(QStringLiteral("unreadable.RZ4")), qPrintable(run.err));
    QVERIFY(!QFile::exists(showPath + QStringLiteral(".WAV")));
}

void TestCliCompile::unwritableOutput()
{
    const QString showPath = WriteShow(QStringLiteral("unwritable.RZ4"));
    QVERIFY(!showPath.isEmpty());
    // A folder that is a plain file cannot hold the output, whoever runs the test.
    const QString wavPath = showPath + QStringLiteral("/out.wav");
    const TRun run = Run({showPath, QStringLiteral("--out"), wavPath});
    QCOMPARE(run.exitCode, 2);
    QVERIFY(run.out.isEmpty());
    // One line naming the file; no frame label, as nothing was compiled.
    QCOMPARE(run.err.count(QLatin1Char('\n')), 1);
    QVERIFY2(run.err.contains(QStringLiteral("out.wav")), qPrintable(run.err));
}

QTEST_GUILESS_MAIN(TestCliCompile)
#include "tst_cli_compile.moc"
