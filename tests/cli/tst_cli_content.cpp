#include "CliRun.h"
#include "Builders.h"
#include "PictureTrace.h"
#include "ShowFile.h"
#include "SvgImport.h"
#include "TextFrame.h"

#include <QFontDatabase>
#include <QPainter>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>

namespace {

const QByteArray Square = "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 10 10\">"
                          "<rect width=\"10\" height=\"10\" fill=\"none\" stroke=\"black\"/></svg>";
const QByteArray Circle = "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 10 10\">"
                          "<circle cx=\"5\" cy=\"5\" r=\"5\" fill=\"none\" stroke=\"black\"/></svg>";

// The one frame of a show file, compared point by point with the library's own.
void CompareFrames(const QString& showFile, const TLaserFrame& expected)
{
    TLaserFrames show;
    QVERIFY(ReadShowFile(show, showFile).outcome.ok);
    QCOMPARE(show.Count(), 1);
    const TLaserFrame& frame = show.Frame(0);
    QCOMPARE(frame.Name, expected.Name);
    QCOMPARE(frame.Delay, expected.Delay);
    QCOMPARE(frame.PointCount(), expected.PointCount());
    for (int i = 0; i < frame.PointCount(); ++i)
        QCOMPARE(frame.Points[i], expected.Points[i]);
}

// A picture of white with what `draw` paints in black.
QImage ContentPicture(int size, const std::function<void(QPainter&)>& draw)
{
    QImage picture(size, size, QImage::Format_RGB32);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    draw(painter);
    return picture;
}

// The smallest and largest coordinate of the one frame of a show file.
QPair<int, int> ContentExtent(const QString& showFile)
{
    TLaserFrames show;
    if (!ReadShowFile(show, showFile).outcome.ok || show.Count() != 1)
        return {-1, -1};
    int low = 255, high = 0;
    for (const TSmallPoint& p : show.Frame(0).Points)
        low = std::min({low, int(p.X), int(p.Y)}), high = std::max({high, int(p.X), int(p.Y)});
    return {low, high};
}

} // namespace

class TestCliContent : public QObject {
    Q_OBJECT
private slots:
    void init() { QVERIFY(Dir.isValid()); }
    void importSvg_data();
    void importSvg();
    void text_data();
    void text();
    void usageErrors_data();
    void usageErrors();
    void fileErrors_data();
    void fileErrors();
    void margin_data();
    void margin();
    void trace_data();
    void trace();
    void traceRefused_data();
    void traceRefused();

private:
    QString Path(const QString& name) const { return Dir.filePath(name); }
    QTemporaryDir Dir;
};

void TestCliContent::importSvg_data()
{
    QTest::addColumn<QByteArray>("svg");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<bool>("optionFirst");
    QTest::addColumn<double>("tolerance");
    QTest::addColumn<QString>("summary");
    QTest::addColumn<QString>("note");   // after the output's name
    QTest::newRow("square") << Square << QStringList{} << false << 0.5
                            << "1 frame of 4 points (1 shape, 0 dark jumps)" << "";
    QTest::newRow("circle") << Circle << QStringList{} << false << 0.5
                            << "1 frame of 40 points (1 shape, 0 dark jumps)" << "";
    QTest::newRow("circle, coarser") << Circle << QStringList{"--tolerance", "8"} << false << 8.0
                                     << "1 frame of 12 points" << "";
    // Inside the default margin of 8 units the circle is 239 units across.
    QTest::newRow("circle, finer, option first") << Circle << QStringList{"--tolerance", "0.25"} << true << 0.25
                                                 << "1 frame of 52 points" << "";
    // Qt SVG loaded the picture, the drawing itself, until the stack ran out.
    QTest::newRow("a picture of the drawing itself")
        << QByteArray(R"x(<svg xmlns="http://www.w3.org/2000/svg" xmlns:xlink="http://www.w3.org/1999/xlink" viewBox="0 0 10 10">
               <rect width="10" height="10" fill="none" stroke="black"/><image xlink:href="drawing.svg" width="5" height="5"/></svg>)x")
        << QStringList{} << false << 0.5 << "1 frame of 4 points" << "; pictures inside an SVG are skipped (1 left out)";
}

void TestCliContent::importSvg()
{
    QFETCH(QByteArray, svg);
    QFETCH(QStringList, options);
    QFETCH(bool, optionFirst);
    QFETCH(double, tolerance);
    QFETCH(QString, summary);
    QFETCH(QString, note);
    const QString in = Path("drawing.svg"), out = Path("drawing.RZ4");
    QVERIFY(WriteFile(in, svg));
    const QStringList args = optionFirst ? QStringList{"import-svg"} + options + QStringList{in, out}
                                         : QStringList{"import-svg", in, out} + options;
    const TRun r = RunCli(args);
    QCOMPARE(r.exitCode, 0);
    QVERIFY2(r.err.isEmpty(), qPrintable(r.err));
    QVERIFY2(r.out.startsWith("Wrote " + summary), qPrintable(r.out));
    QVERIFY2(r.out.trimmed().endsWith("to " + out + note), qPrintable(r.out));
    TVectorOptions library;
    library.Tolerance = tolerance;
    const TVectorFrameResult expected = ImportSvgFile(in, library);
    QVERIFY(expected.outcome.ok);
    CompareFrames(out, *expected.Frame);
}

void TestCliContent::text_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("font");   // empty: the default Hershey font
    QTest::newRow("default font") << QStringList{"Hello"} << "Hello" << "";
    QTest::newRow("a Hershey font") << QStringList{"Hello", "--font", "rowmans"} << "Hello" << "rowmans";
    QTest::newRow("a text that begins with a dash") << QStringList{"--", "-5 C"} << "-5 C" << "";
    const QStringList families = QFontDatabase::families();
    if (!families.isEmpty())
        QTest::newRow("an outline font") << QStringList{"--font", families.first(), "Hello"} << "Hello"
                                         << families.first();
}

void TestCliContent::text()
{
    QFETCH(QStringList, args);
    QFETCH(QString, text);
    QFETCH(QString, font);
    const QString out = Path("text.RZ4");
    const TRun r = RunCli(QStringList{"text"} + args + QStringList{out});
    QCOMPARE(r.exitCode, 0);
    QVERIFY2(r.err.isEmpty(), qPrintable(r.err));
    QVERIFY2(r.out.startsWith("Wrote 1 frame of "), qPrintable(r.out));
    TTextFont resolved;
    if (!font.isEmpty())
        QCOMPARE(ResolveTextFont(font, resolved).message, QString());
    const TVectorFrameResult expected = MakeTextFrame(text, resolved, {});
    QVERIFY(expected.outcome.ok);
    QVERIFY(expected.Jumps > 0);
    CompareFrames(out, *expected.Frame);
}

void TestCliContent::usageErrors_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("reason");
    QTest::addColumn<bool>("usage");   // the usage text follows the reason
    QTest::newRow("import-svg without files") << QStringList{"import-svg"} << "takes an SVG file and an output" << true;
    QTest::newRow("import-svg, one file") << QStringList{"import-svg", "a.svg"} << "takes an SVG file" << true;
    QTest::newRow("tolerance not a number") << QStringList{"import-svg", "a.svg", "b.RZ4", "--tolerance", "fine"}
                                            << "--tolerance takes frame units from 0.01 to 64, not \"fine\"" << true;
    QTest::newRow("tolerance 0") << QStringList{"import-svg", "a.svg", "b.RZ4", "--tolerance", "0"}
                                 << "not \"0\"" << true;
    QTest::newRow("tolerance too large") << QStringList{"import-svg", "a.svg", "b.RZ4", "--tolerance", "65"}
                                         << "not \"65\"" << true;
    QTest::newRow("tolerance without a value") << QStringList{"import-svg", "a.svg", "b.RZ4", "--tolerance"}
                                               << "--tolerance needs a value" << true;
    QTest::newRow("unknown option") << QStringList{"import-svg", "a.svg", "b.RZ4", "--font", "x"}
                                    << "unknown option \"--font\" for import-svg" << true;
    QTest::newRow("output over the input") << QStringList{"import-svg", "same.svg", "./same.svg"}
                                           << "the output \"./same.svg\" would replace the input" << true;
    QTest::newRow("text without output") << QStringList{"text", "Hello"} << "takes a text and an output" << true;
    QTest::newRow("unknown font") << QStringList{"text", "Hello", "out.RZ4", "--font", "Nonesuch Sans"}
                                  << "unknown font \"Nonesuch Sans\": neither a Hershey font" << false;
    QTest::newRow("empty text") << QStringList{"text", "", "out.RZ4"} << "the text is empty" << false;
    QTest::newRow("margin not a number") << QStringList{"import-svg", "a.svg", "b.RZ4", "--margin", "wide"}
                                         << "--margin takes frame units from 0 to 100, not \"wide\"" << true;
    QTest::newRow("margin below 0") << QStringList{"text", "Hi", "out.RZ4", "--margin", "-1"} << "not \"-1\"" << true;
    QTest::newRow("margin over 100") << QStringList{"trace", "a.png", "out.RZ4", "--margin", "101"} << "not \"101\""
                                     << true;
    QTest::newRow("trace, one file") << QStringList{"trace", "a.png"} << "takes a picture file and an output" << true;
    QTest::newRow("threshold over 255") << QStringList{"trace", "a.png", "b.RZ4", "--threshold", "256"}
                                        << "--threshold takes a grey level from 0 to 255, not \"256\"" << true;
    QTest::newRow("threshold not a number") << QStringList{"trace", "a.png", "b.RZ4", "--threshold", "auto"}
                                            << "not \"auto\"" << true;
    QTest::newRow("trace output over the input") << QStringList{"trace", "same.svg", "./same.svg"}
                                                 << "the output \"./same.svg\" would replace the input" << true;
    QTest::newRow("a letter the font lacks") << QStringList{"text", QString::fromUtf8("Straße"), "out.RZ4"}
                                             << QString::fromUtf8("has no character \"ß\"") << false;
    // Laid out for some 19 s before it was refused.
    QTest::newRow("a text of 40,000 characters") << QStringList{"text", QString("laser ").repeated(6667).left(40000), "out.RZ4"}
                                                 << "the text has 40000 characters; a text frame takes at most 1000" << false;
}

void TestCliContent::usageErrors()
{
    QFETCH(QStringList, args);
    QFETCH(QString, reason);
    QFETCH(bool, usage);
    QVERIFY(QDir::setCurrent(Dir.path()));
    QVERIFY(WriteFile(Path("same.svg"), Square));
    const TRun r = RunCli(args);
    QCOMPARE(r.exitCode, 1);
    QVERIFY2(r.err.startsWith("skelmar-cli: ") && r.err.contains(reason), qPrintable(r.err));
    QCOMPARE(r.err.contains("Usage: skelmar-cli"), usage);
    QVERIFY(r.out.isEmpty());
    QVERIFY(!QFile::exists(Path("out.RZ4")) && !QFile::exists(Path("b.RZ4")));
    QCOMPARE(ReadFile(Path("same.svg")), Square);
}

void TestCliContent::fileErrors_data()
{
    QTest::addColumn<QByteArray>("svg");       // null: no input file
    QTest::addColumn<QString>("output");
    QTest::addColumn<QString>("reason");
    QTest::newRow("broken SVG") << QByteArray("<svg xmlns=\"http://www.w3.org/2000/svg\"><rect") << "out.RZ4"
                                << "in.svg: not a readable SVG drawing";
    QTest::newRow("nothing to draw") << QByteArray("<svg xmlns=\"http://www.w3.org/2000/svg\"/>") << "out.RZ4"
                                     << "in.svg: there is nothing to draw";
    QTest::newRow("no such input") << QByteArray() << "out.RZ4" << "in.svg: no such file";
    // Qt's text layout says on the terminal that it cut this text short.
    QTest::newRow("a text too wide for Qt's layout")
        << QByteArray("<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 10 10\"><text y=\"5\" font-size=\"1e9\">"
                      + QByteArray(30000, 'W') + "</text></svg>")
        << "out.RZ4" << "in.svg: flattened within 0.5 units the drawing needs";
    QByteArray doubling = "<svg xmlns=\"http://www.w3.org/2000/svg\" xmlns:xlink=\"http://www.w3.org/1999/xlink\">"
                          "<path id=\"l0\" d=\"M0 0 L1 1\" stroke=\"black\"/>";
    for (int k = 0; k < 24; ++k)
        doubling += QStringLiteral(R"x(<g id="l%1"><use xlink:href="#l%2"/><use xlink:href="#l%2" x="1"/></g>)x")
                        .arg(k + 1).arg(k).toLatin1();
    QTest::newRow("nested <use> doubling 24 times")
        << doubling + "</svg>" << "out.RZ4" << "in.svg: it has more than 65535 shapes";
    QTest::newRow("output folder missing") << Square << "no/such/folder/out.RZ4" << "out.RZ4";
}

void TestCliContent::fileErrors()
{
    QFETCH(QByteArray, svg);
    QFETCH(QString, output);
    QFETCH(QString, reason);
    const QString in = Path("in.svg"), out = Path(output);
    QFile::remove(in);
    if (!svg.isNull())
        QVERIFY(WriteFile(in, svg));
    // A show already there stays as it was.
    const bool keep = !output.contains('/');
    if (keep)
        QVERIFY(WriteFile(out, "old show"));
    const TRun r = RunCli({"import-svg", in, out});
    QCOMPARE(r.exitCode, 2);
    QVERIFY2(r.err.startsWith("skelmar-cli: ") && r.err.contains(reason), qPrintable(r.err));
    QCOMPARE(r.err.count('\n'), 1);
    QVERIFY(r.out.isEmpty());
    if (keep)
        QCOMPARE(ReadFile(out), QByteArray("old show"));
    else
        QVERIFY(!QFile::exists(out));
}

// --margin on each verb: the frame keeps that many units free on each side, 8 by
// default; the library makes the same frame.
void TestCliContent::margin_data()
{
    QTest::addColumn<QString>("verb");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<int>("low");
    QTest::addColumn<int>("high");
    QTest::newRow("import-svg, default") << "import-svg" << QStringList{} << 8 << 247;
    QTest::newRow("import-svg, none") << "import-svg" << QStringList{"--margin", "0"} << 0 << 255;
    QTest::newRow("import-svg, 20.5") << "import-svg" << QStringList{"--margin=20.5"} << 20 << 234;
    QTest::newRow("text, 30") << "text" << QStringList{"--margin", "30"} << 30 << 225;
    QTest::newRow("trace, default") << "trace" << QStringList{} << 8 << 247;
    QTest::newRow("trace, 50") << "trace" << QStringList{"--margin", "50"} << 50 << 205;
}

void TestCliContent::margin()
{
    QFETCH(QString, verb);
    QFETCH(QStringList, options);
    QFETCH(int, low);
    QFETCH(int, high);
    QString in = Path("square.svg");
    QVERIFY(WriteFile(in, Square));
    if (verb == "text") {
        in = "H";
    } else if (verb == "trace") {
        in = Path("square.png");
        QVERIFY(ContentPicture(200, [](QPainter& p) { p.drawRect(50, 50, 100, 100); }).save(in));
    }
    const QString out = Path("out.RZ4");
    const TRun r = RunCli(QStringList{verb, in, out} + options);
    QCOMPARE(r.exitCode, 0);
    QVERIFY2(r.err.isEmpty(), qPrintable(r.err));
    const QPair<int, int> extent = ContentExtent(out);
    if (verb == "text") {
        // A letter is higher than wide: the margin shows above and below.
        QVERIFY2(extent.first == low && extent.second == high,
                 qPrintable(QStringLiteral("%1..%2").arg(extent.first).arg(extent.second)));
    } else {
        QCOMPARE(extent.first, low);
        QCOMPARE(extent.second, high);
    }
}

void TestCliContent::trace_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("said");
    QTest::addColumn<int>("shapes");
    // Two squares and a ring (two outlines): three shapes joined by dark jumps.
    QTest::newRow("default") << QStringList{} << "at threshold 128: 4 outlines" << 4;
    QTest::newRow("threshold and tolerance") << QStringList{"--threshold", "200", "--tolerance", "2"}
                                             << "at threshold 200: 4 outlines" << 4;
    // The white around them traced instead: the ground's outline and the shapes' holes.
    QTest::newRow("inverted") << QStringList{"--invert"} << "outlines" << -1;
}

void TestCliContent::trace()
{
    QFETCH(QStringList, options);
    QFETCH(QString, said);
    QFETCH(int, shapes);
    const QString in = Path("logo.png"), out = Path("logo.RZ4");
    QVERIFY(ContentPicture(400, [](QPainter& p) {
                p.drawRect(20, 20, 100, 100);
                p.drawRect(280, 20, 100, 100);
                QPainterPath ring;
                ring.addEllipse(QPointF(200, 280), 100, 100);
                ring.addEllipse(QPointF(200, 280), 60, 60);
                p.drawPath(ring);
            }).save(in));
    const TRun r = RunCli(QStringList{"trace", in, out} + options);
    QCOMPARE(r.exitCode, 0);
    QVERIFY2(r.err.isEmpty(), qPrintable(r.err));
    QVERIFY2(r.out.startsWith("Traced " + in + " " + said) || r.out.contains(said), qPrintable(r.out));
    QVERIFY2(r.out.contains("Wrote 1 frame of "), qPrintable(r.out));
    if (shapes > 0)
        QVERIFY2(r.out.contains(QStringLiteral("(%1 shapes, %1 dark jumps)").arg(shapes)), qPrintable(r.out));

    // The library, given the same options, makes the same frame.
    TTraceOptions trace;
    TVectorOptions vector;
    if (options.contains("--threshold"))
        trace.Threshold = 200, vector.Tolerance = 2;
    trace.Invert = options.contains("--invert");
    const TVectorFrameResult expected = TracePictureFrame(in, trace, vector);
    QVERIFY(expected.outcome.ok);
    CompareFrames(out, *expected.Frame);
}

// Pictures with nothing to trace, too much, or no picture at all: exit 2, one line
// naming the file, no output written.
void TestCliContent::traceRefused_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QString>("reason");
    QTest::newRow("empty file") << "empty" << QStringList{} << "in.png: the file is empty";
    QTest::newRow("not a picture") << "svg" << QStringList{} << "in.png: not a picture to trace";
    QTest::newRow("all white") << "white" << QStringList{} << "in.png: nothing to trace";
    QTest::newRow("all black") << "black" << QStringList{} << "in.png: nothing to trace";
    QTest::newRow("a pipe") << "fifo" << QStringList{} << "in.png: it is a pipe, not a regular file";
    QTest::newRow("no such file") << "none" << QStringList{} << "in.png: no such file";
    QTest::newRow("too many points")
        << "dots" << QStringList{"--tolerance", "0.01"}
        << "more than a frame holds (65535); --tolerance 1 would fit";
}

void TestCliContent::traceRefused()
{
    QFETCH(QString, kind);
    QFETCH(QStringList, options);
    QFETCH(QString, reason);
    const QString in = Path("in.png"), out = Path("out.RZ4");
    QFile::remove(in);
    QFile::remove(out);
    if (kind == "empty")
        QVERIFY(WriteFile(in, ""));
    else if (kind == "svg")
        QVERIFY(WriteFile(in, Square));
    else if (kind == "white")
        QVERIFY(ContentPicture(100, [](QPainter&) {}).save(in));
    else if (kind == "black")
        QVERIFY(ContentPicture(100, [](QPainter& p) { p.drawRect(0, 0, 100, 100); }).save(in));
    else if (kind == "fifo")
        QCOMPARE(mkfifo(QFile::encodeName(in).constData(), 0600), 0);
    else if (kind == "dots")
        QVERIFY(ContentPicture(1050, [](QPainter& p) {
                    for (int y = 0; y < 85; ++y)
                        for (int x = 0; x < 85; ++x)
                            p.drawRect(x * 10, y * 10, 5, 5);
                }).save(in));
    const TRun r = RunCli(QStringList{"trace", in, out} + options);
    QCOMPARE(r.exitCode, 2);
    QVERIFY2(r.err.startsWith("skelmar-cli: ") && r.err.contains(reason), qPrintable(r.err));
    QCOMPARE(r.err.count('\n'), 1);
    QVERIFY(!QFile::exists(out));
}

QTEST_MAIN(TestCliContent)
#include "tst_cli_content.moc"
