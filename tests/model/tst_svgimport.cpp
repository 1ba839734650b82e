#include "Builders.h"
#include "SvgImport.h"

#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <atomic>
#include <memory>

#include <cmath>
#include <functional>

namespace {

QByteArray Svg(const QByteArray& viewBox, const QByteArray& body)
{
    return "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"" + viewBox + "\">\n" + body + "\n</svg>\n";
}

// A point's flags as text: "s" sharp, "b" blank.
QString Flags(const TSmallPoint& p)
{
    return QString(p.IsSharp() ? "s" : "") + QString(p.IsBlank() ? "b" : "");
}

// "x,y flags" per point.
QStringList Describe(const TLaserFrame& frame)
{
    QStringList out;
    for (const TSmallPoint& p : frame.Points)
        out << QStringLiteral("%1,%2 %3").arg(p.X).arg(p.Y).arg(Flags(p)).trimmed();
    return out;
}

// Dark lines that go somewhere: a blank point whose next point (the first after the
// last) lies elsewhere.
QList<int> Jumps(const TLaserFrame& frame)
{
    QList<int> jumps;
    const int n = frame.PointCount();
    for (int i = 0; i < n; ++i) {
        const TSmallPoint& a = frame.Points[i];
        const TSmallPoint& b = frame.Points[(i + 1) % n];
        if (a.IsBlank() && (a.X != b.X || a.Y != b.Y))
            jumps << i;
    }
    return jumps;
}

double SegmentDistance(QPointF p, QPointF a, QPointF b)
{
    const QPointF ab = b - a;
    const double len2 = QPointF::dotProduct(ab, ab);
    const double t = len2 > 0 ? std::clamp(QPointF::dotProduct(p - a, ab) / len2, 0.0, 1.0) : 0.0;
    const QPointF d = p - (a + t * ab);
    return std::hypot(d.x(), d.y());
}

// Samples of the true curve, computed here from the formulas, not from Qt's paths.
using TCurve = QList<QPointF>;

TCurve Sample(const std::function<QPointF(double)>& f, int n = 4000)
{
    TCurve c;
    for (int k = 0; k <= n; ++k)
        c << f(double(k) / n);
    return c;
}

QPointF Cubic(QPointF p0, QPointF p1, QPointF p2, QPointF p3, double t)
{
    const double u = 1 - t;
    return u * u * u * p0 + 3 * u * u * t * p1 + 3 * u * t * t * p2 + t * t * t * p3;
}

// The curve in frame units: its own bounding box scaled to fill the square, centred.
TCurve Fitted(const TCurve& curve)
{
    double x0 = 1e9, y0 = 1e9, x1 = -1e9, y1 = -1e9;
    for (const QPointF& p : curve) {
        x0 = std::min(x0, p.x()), y0 = std::min(y0, p.y());
        x1 = std::max(x1, p.x()), y1 = std::max(y1, p.y());
    }
    const double s = 255.0 / std::max(x1 - x0, y1 - y0);
    const QPointF c((x0 + x1) / 2, (y0 + y1) / 2);
    TCurve out;
    for (const QPointF& p : curve)
        out << (p - c) * s + QPointF(127.5, 127.5);
    return out;
}

TVectorOptions Filling()
{
    TVectorOptions options;
    options.Margin = 0;
    return options;
}

TVectorPath Circle(QPointF centre, double r)
{
    TVectorPath path;
    path.Path.addEllipse(centre, r, r);
    return path;
}

} // namespace

class TestSvgImport : public QObject {
    Q_OBJECT
private slots:
    void init() { QVERIFY(Dir.isValid()); }

    void polygons_data();
    void polygons();
    void curves_data();
    void curves();
    void toleranceSetsThePointCount_data();
    void toleranceSetsThePointCount();
    void shapeOrderKeepsJumpsShort();
    void refused_data();
    void refused();
    void pointLimit();
    void framePoints();
    void readOnSeveralThreadsAtOnce();

private:
    // Without a margin, so the drawing fills the square and the points can be read
    // off the SVG.
    TVectorFrameResult Import(const QByteArray& svg, const TVectorOptions& options = Filling(),
                              const QString& name = "t.svg")
    {
        const QString path = Dir.filePath(name);
        if (!WriteFile(path, svg))
            qFatal("cannot write %s", qPrintable(path));
        return ImportSvgFile(path, options);
    }

    QTemporaryDir Dir;
};

// Straight lines only: every point where it belongs (within one unit), its corner and
// its blank flag.
void TestSvgImport::polygons_data()
{
    QTest::addColumn<QByteArray>("svg");
    QTest::addColumn<QStringList>("points");
    QTest::addColumn<QList<int>>("jumps");

    // 200 x 100 fills the width; the height is centred: 63.75 .. 191.25.
    QTest::newRow("rectangle")
        << Svg("0 0 200 100", R"x(<rect x="0" y="0" width="200" height="100" fill="none" stroke="black"/>)x")
        << QStringList{"0,64 s", "255,64 s", "255,191 s", "0,191 s"} << QList<int>{};
    // A 40-unit square turned by 45 degrees about (50, 50): a diamond touching the edges.
    QTest::newRow("nested group transforms")
        << Svg("0 0 100 100", R"x(<g transform="translate(50 50)"><g transform="rotate(45)">
               <g transform="scale(2)"><rect x="-10" y="-10" width="20" height="20" stroke="red" fill="none"/>
               </g></g></g>)x")
        << QStringList{"128,0 s", "255,128 s", "128,255 s", "0,128 s"} << QList<int>{};
    // The second line is entered at its nearer end. Every stroke end is lit and sharp;
    // each is left over a blank point of its own and each jump ends on a sharp blank
    // one where the mirrors settle, then a lit one that holds the beam on the spot.
    QTest::newRow("two separate shapes")
        << Svg("0 0 100 100", R"x(<line x1="0" y1="0" x2="40" y2="0" stroke="black"/>
               <line x1="100" y1="100" x2="60" y2="100" stroke="black"/>)x")
        << QStringList{"0,0 s",     "102,0 s",   "102,0 b",   "153,255 sb", "153,255 s",
                       "153,255 s", "255,255 s", "255,255 b", "0,0 sb",     "0,0 s"}
        << QList<int>{2, 7};
    // A filled area is drawn round its outline, closing by itself ...
    QTest::newRow("filled shape")
        << Svg("0 0 100 100", R"x(<path d="M0 0 L100 0 L50 100" fill="blue"/>)x")
        << QStringList{"0,0 s", "255,0 s", "128,255 s"} << QList<int>{};
    // ... a stroked open path is not: the way back to its start is dark.
    QTest::newRow("open path")
        << Svg("0 0 100 100", R"x(<path d="M0 0 L100 0 L50 100" fill="none" stroke="blue"/>)x")
        << QStringList{"0,0 s", "255,0 s", "128,255 s", "128,255 b", "0,0 sb", "0,0 s"} << QList<int>{3};
    // A path used three times, as for a glow under a line, is drawn once.
    QTest::newRow("the same path three times")
        << Svg("0 0 100 100", R"x(<defs><path id="p" d="M0 0 L100 0 L50 100 Z" fill="none"/></defs>
               <use href="#p" stroke="green" stroke-width="9" opacity="0.5"/><use href="#p" stroke="white"/>
               <use href="#p" stroke="green" stroke-width="3"/>)x")
        << QStringList{"0,0 s", "255,0 s", "128,255 s"} << QList<int>{};
    // Qt draws a filled polyline as its polygon and then its line: drawn once, closed.
    QTest::newRow("filled polyline")
        << Svg("0 0 100 100", R"x(<polyline points="0,0 100,0 100,100" fill="red" stroke="black"/>)x")
        << QStringList{"0,0 s", "255,0 s", "255,255 s"} << QList<int>{};
    QTest::newRow("polygon and a transform on the root")
        << Svg("0 0 100 100", R"x(<g transform="matrix(1 0 0 -1 0 100)"><polygon points="0,0 100,0 0,100"
               fill="none" stroke="black"/></g>)x")
        << QStringList{"0,255 s", "255,255 s", "0,0 s"} << QList<int>{};
    // What has neither a visible pen nor a visible brush is not drawn; nor is a hidden group.
    QTest::newRow("invisible elements are left out")
        << Svg("0 0 100 100", R"x(<rect x="-500" y="-500" width="10" height="10" fill="none" stroke="none"/>
               <rect x="500" y="500" width="10" height="10" fill="red" fill-opacity="0"/>
               <g display="none"><rect x="500" y="-500" width="10" height="10" stroke="black"/></g>
               <rect x="0" y="0" width="100" height="50" fill="none" stroke="black"/>)x")
        << QStringList{"0,64 s", "255,64 s", "255,191 s", "0,191 s"} << QList<int>{};
    // A turn of 30 degrees stays round, one of 60 becomes sharp.
    QTest::newRow("sharp above the threshold only")
        << Svg("0 0 100 100", QStringLiteral(R"x(<path d="M0 0 L50 0 L%1 %2 L%3 %4" fill="none" stroke="black"/>)x")
                                  .arg(50 + 25 * std::cos(M_PI / 6)).arg(25 * std::sin(M_PI / 6))
                                  .arg(50 + 25 * std::cos(M_PI / 6) + 25 * std::cos(M_PI / 2))
                                  .arg(25 * std::sin(M_PI / 6) + 25 * std::sin(M_PI / 2)).toLatin1())
        << QStringList() << QList<int>{4};
}

void TestSvgImport::polygons()
{
    QFETCH(QByteArray, svg);
    QFETCH(QStringList, points);
    QFETCH(QList<int>, jumps);
    const TVectorFrameResult result = Import(svg);
    QVERIFY2(result.outcome.ok, qPrintable(result.outcome.message));
    const TLaserFrame& frame = *result.Frame;
    QCOMPARE(Jumps(frame), jumps);
    QCOMPARE(result.Jumps, int(jumps.size()));
    if (QTest::currentDataTag() == QLatin1String("sharp above the threshold only")) {
        // The start, the 30-degree bend, the 60-degree one, the end and the dark return
        // from a point of its own to a settle point and a lit one on the start.
        QCOMPARE(frame.PointCount(), 7);
        QVERIFY(!frame.Points[1].IsSharp());
        QVERIFY(frame.Points[2].IsSharp());
        return;
    }
    const QStringList got = Describe(frame);
    QCOMPARE(got.size(), points.size());
    for (int i = 0; i < points.size(); ++i) {
        const QStringList want = points[i].split(' ');
        const QStringList xy = want[0].split(',');
        const TSmallPoint& p = frame.Points[i];
        QVERIFY2(std::abs(p.X - xy[0].toInt()) <= 1 && std::abs(p.Y - xy[1].toInt()) <= 1,
                 qPrintable(QStringLiteral("point %1: %2, wanted %3").arg(i).arg(got[i], points[i])));
        QVERIFY2(Flags(p) == (want.size() > 1 ? want[1] : QString()),
                 qPrintable(QStringLiteral("point %1: %2, wanted %3").arg(i).arg(got[i], points[i])));
    }
}

// Curves: every point lies within one unit of the true curve, the curve never leaves
// the lines by more than the tolerance and the rounding, and the corners where two
// pieces meet at an angle are sharp, the smooth joins not.
void TestSvgImport::curves_data()
{
    QTest::addColumn<QByteArray>("svg");
    QTest::addColumn<TCurve>("truth");       // in the drawing's units, closed
    QTest::addColumn<TCurve>("corners");     // in the drawing's units
    QTest::addColumn<int>("points");         // 0: not checked

    const auto circle = [](double t) {
        return QPointF(50 + 50 * std::cos(2 * M_PI * t), 50 + 50 * std::sin(2 * M_PI * t));
    };
    QTest::newRow("circle") << Svg("0 0 100 100", R"x(<circle cx="50" cy="50" r="50" fill="none" stroke="black"/>)x")
                            << Sample(circle) << TCurve{} << 40;
    // An ellipse inside a transformed group: 3 wide, 1 high after the scaling.
    const auto ellipse = [](double t) {
        return QPointF(3 * (10 + 10 * std::cos(2 * M_PI * t)), 10 + 10 * std::sin(2 * M_PI * t));
    };
    QTest::newRow("scaled ellipse")
        << Svg("0 0 60 20", R"x(<g transform="scale(3 1)"><ellipse cx="10" cy="10" rx="10" ry="10" fill="black"/></g>)x")
        << Sample(ellipse) << TCurve{} << 0;

    // A cubic, a quadratic, an arc and two lines, closed.
    TCurve truth;
    truth << Sample([](double t) { return Cubic({10, 50}, {10, 10}, {40, 10}, {40, 30}, t); });
    truth << Sample([](double t) {
        const double u = 1 - t;
        return u * u * QPointF(40, 30) + 2 * u * t * QPointF(55, 50) + t * t * QPointF(70, 30);
    });
    // From the top of the circle about (70, 45), clockwise on the screen, to its bottom.
    truth << Sample([](double t) { return QPointF(70 + 15 * std::sin(M_PI * t), 45 - 15 * std::cos(M_PI * t)); });
    truth << Sample([](double t) { return QPointF(70 - 60 * t, 60); });
    truth << Sample([](double t) { return QPointF(10, 60 - 10 * t); });
    QTest::newRow("cubic, quadratic and arc")
        << Svg("0 0 100 100", R"x(<path d="M 10 50 C 10 10 40 10 40 30 Q 55 50 70 30 A 15 15 0 0 1 70 60 L 10 60 Z"
               fill="none" stroke="black"/>)x")
        << truth << TCurve{{70, 30}, {10, 60}} << 0;
}

void TestSvgImport::curves()
{
    QFETCH(QByteArray, svg);
    QFETCH(TCurve, truth);
    QFETCH(TCurve, corners);
    QFETCH(int, points);
    const TVectorFrameResult result = Import(svg);
    QVERIFY2(result.outcome.ok, qPrintable(result.outcome.message));
    const TLaserFrame& frame = *result.Frame;
    if (points)
        QCOMPARE(frame.PointCount(), points);
    QCOMPARE(result.Shapes, 1);
    QVERIFY(Jumps(frame).isEmpty());

    // The corners are fitted with the whole curve, so append them before fitting.
    TCurve all = truth + corners;
    const TCurve fitted = Fitted(all);
    const TCurve curve = fitted.mid(0, truth.size());
    const TCurve fittedCorners = fitted.mid(truth.size());
    const int n = frame.PointCount();
    QList<QPointF> pts;
    for (const TSmallPoint& p : frame.Points)
        pts << QPointF(p.X, p.Y);
    for (int i = 0; i < n; ++i) {
        double best = 1e9;
        for (const QPointF& c : curve)
            best = std::min(best, std::hypot(c.x() - pts[i].x(), c.y() - pts[i].y()));
        QVERIFY2(best <= 1.0, qPrintable(QStringLiteral("point %1 (%2, %3) is %4 from the curve")
                                             .arg(i).arg(pts[i].x()).arg(pts[i].y()).arg(best)));
    }
    // Half a unit of tolerance and up to 0.71 of rounding.
    for (const QPointF& c : curve) {
        double best = 1e9;
        for (int i = 0; i < n; ++i)
            best = std::min(best, SegmentDistance(c, pts[i], pts[(i + 1) % n]));
        QVERIFY2(best <= 1.25, qPrintable(QStringLiteral("the curve at (%1, %2) is %3 from the lines")
                                              .arg(c.x()).arg(c.y()).arg(best)));
    }
    for (int i = 0; i < n; ++i) {
        bool corner = false;
        for (const QPointF& c : fittedCorners)
            corner = corner || std::hypot(c.x() - pts[i].x(), c.y() - pts[i].y()) <= 1.0;
        QVERIFY2(frame.Points[i].IsSharp() == corner,
                 qPrintable(QStringLiteral("point %1 (%2, %3) sharp: %4").arg(i).arg(pts[i].x()).arg(pts[i].y())
                                .arg(frame.Points[i].IsSharp())));
    }
}

// A circle filling the square: points per tolerance.
void TestSvgImport::toleranceSetsThePointCount_data()
{
    QTest::addColumn<double>("tolerance");
    QTest::addColumn<int>("points");
    QTest::newRow("0.5 (default)") << 0.5 << 40;
    QTest::newRow("2") << 2.0 << 20;
    QTest::newRow("8") << 8.0 << 12;
    QTest::newRow("0.05") << 0.05 << 120;
}

void TestSvgImport::toleranceSetsThePointCount()
{
    QFETCH(double, tolerance);
    QFETCH(int, points);
    TVectorOptions options = Filling();
    options.Tolerance = tolerance;
    const TVectorFrameResult result = BuildVectorFrame({Circle({0, 0}, 1)}, options);
    QVERIFY(result.outcome.ok);
    QCOMPARE(result.Frame->PointCount(), points);
    // Within the tolerance and the rounding of the points.
    for (const TSmallPoint& p : result.Frame->Points) {
        const double r = std::hypot(p.X - 127.5, p.Y - 127.5);
        QVERIFY2(std::abs(r - 127.5) <= 0.75, qPrintable(QString::number(r)));
    }
}

void TestSvgImport::shapeOrderKeepsJumpsShort()
{
    // Drawn far, near, far, and a dot. In the order found, the line near the corner
    // is drawn after the first, from its nearer end; each stroke end is lit and sharp,
    // left over a blank point and entered over a sharp blank one and a lit one on the
    // same spot; the dot is lit on its spot over lines of no length.
    const QByteArray svg = Svg("0 0 100 100", R"x(
        <line x1="0" y1="0" x2="0" y2="10" stroke="black"/>
        <line x1="100" y1="100" x2="90" y2="100" stroke="black"/>
        <line x1="5" y1="20" x2="5" y2="10" stroke="black" stroke-linecap="round"/>
        <line x1="50" y1="50" x2="50" y2="50" stroke="black" stroke-linecap="round"/>)x");
    const TVectorFrameResult result = Import(svg);
    QVERIFY2(result.outcome.ok, qPrintable(result.outcome.message));
    QCOMPARE(result.Shapes, 4);
    QCOMPARE(Describe(*result.Frame),
             (QStringList{"230,255 s", "255,255 s", "255,255 b", "128,128 sb", "128,128 s", "128,128 s",
                          "128,128 s", "128,128 b", "0,26 sb", "0,26 s", "0,26 s", "0,0 s", "0,0 b", "13,26 sb",
                          "13,26 s", "13,26 s", "13,51 s", "13,51 b", "230,255 sb", "230,255 s"}));
    QCOMPARE(Jumps(*result.Frame), (QList<int>{2, 7, 12, 17}));
}

void TestSvgImport::refused_data()
{
    QTest::addColumn<QByteArray>("svg");
    QTest::addColumn<QString>("reason");
    QTest::newRow("empty drawing") << Svg("0 0 100 100", "") << "there is nothing to draw";
    QTest::newRow("only a lone move")
        << Svg("0 0 100 100", R"x(<path d="M 10 10" stroke="black"/>)x") << "there is nothing to draw";
    QTest::newRow("only invisible things")
        << Svg("0 0 100 100", R"x(<rect width="10" height="10" fill="none"/><text x="0" y="0"></text>)x")
        << "there is nothing to draw";
    QTest::newRow("broken file")
        << QByteArray("<svg xmlns=\"http://www.w3.org/2000/svg\"><rect x=\"0\" y=\"0\" width=\"10\"")
        << "not a readable SVG drawing: line 1";
    QTest::newRow("tags that do not match")
        << QByteArray("<svg xmlns=\"http://www.w3.org/2000/svg\"><g><rect width=\"1\" height=\"1\"/></svg>")
        << "not a readable SVG drawing";
    QTest::newRow("another kind of XML") << QByteArray("<html><body>hello</body></html>")
                                         << "not an SVG drawing: its first element is <html>";
    QTest::newRow("not XML at all") << QByteArray("RZ4P\x06\x01\x00garbage", 14) << "not a readable SVG drawing";
    QTest::newRow("empty file") << QByteArray() << "the file is empty";
}

void TestSvgImport::refused()
{
    QFETCH(QByteArray, svg);
    QFETCH(QString, reason);
    const TVectorFrameResult result = Import(svg, Filling(), "drawing.svg");
    QVERIFY(!result.outcome.ok);
    QVERIFY(!result.Frame);
    QVERIFY2(result.outcome.message.startsWith(QDir::toNativeSeparators(Dir.filePath("drawing.svg")) + ": "),
             qPrintable(result.outcome.message));
    QVERIFY2(result.outcome.message.contains(reason), qPrintable(result.outcome.message));
}

void TestSvgImport::pointLimit()
{
    // 2000 full-square circles, each turned a little further, need 40 points each at
    // the default tolerance (and up to four more where one is left and entered over
    // dark jumps): too many; a tolerance of 1 makes them 28 each, which fits.
    TVectorDrawing circles;
    for (int i = 0; i < 2000; ++i)
        circles.push_back({QTransform().rotate(i * 0.18).map(Circle({0, 0}, 1).Path), false});
    TVectorFrameResult result = BuildVectorFrame(circles, Filling());
    QVERIFY(!result.outcome.ok);
    QVERIFY(!result.Frame);
    QVERIFY2(result.outcome.message.contains("more than a frame holds (65535)"), qPrintable(result.outcome.message));
    QCOMPARE(result.FittingTolerance, 1.0);
    TVectorOptions coarser = Filling();
    coarser.Tolerance = result.FittingTolerance;
    result = BuildVectorFrame(circles, coarser);
    QVERIFY2(result.outcome.ok, qPrintable(result.outcome.message));
    QVERIFY2(result.Frame->PointCount() >= 2000 * 28 && result.Frame->PointCount() <= 2000 * 32,
             qPrintable(QString::number(result.Frame->PointCount())));

    // The same circle drawn 2000 times is drawn once.
    result = BuildVectorFrame(TVectorDrawing(2000, Circle({0, 0}, 1)), Filling());
    QVERIFY(result.outcome.ok);
    QCOMPARE(result.Frame->PointCount(), 40);

    // Lines are not made shorter by a tolerance: no tolerance helps.
    TVectorDrawing lines;
    for (int i = 0; i < 40000; ++i) {
        TVectorPath line;
        line.Path.moveTo(4 * (i % 200), 4 * (i / 200));
        line.Path.lineTo(4 * (i % 200) + 2, 4 * (i / 200));
        lines.push_back(line);
    }
    result = BuildVectorFrame(lines, Filling());
    QVERIFY(!result.outcome.ok);
    QCOMPARE(result.FittingTolerance, 0.0);
}

void TestSvgImport::framePoints()
{
    const TVectorFrameResult result =
        Import(Svg("0 0 10 10", R"x(<rect width="10" height="10" stroke="black" fill="none"/>)x"), Filling(), "logo.svg");
    QVERIFY(result.outcome.ok);
    const TLaserFrame& frame = *result.Frame;
    QCOMPARE(frame.Name, QStringLiteral("logo"));
    QCOMPARE(frame.Delay, quint16(1000));
    QCOMPARE(frame.ColorBit(), false);
    for (int i = 0; i < frame.PointCount(); ++i) {
        QCOMPARE(frame.Points[i].Name, QString::number(i));
        QCOMPARE(frame.Points[i].Selection, quint16(0));
    }
}

// Drawings read on several threads at once (the editor reads on a thread of its own,
// and a cancelled read goes on while the next starts): all read well, and the message
// log is handed back as it was, so what is logged afterwards still arrives once.
void TestSvgImport::readOnSeveralThreadsAtOnce()
{
    const QString path = Dir.filePath("many.svg");
    QByteArray svg = Svg("0 0 100 100", "");
    for (int i = 0; i < 200; ++i)
        svg.insert(svg.lastIndexOf("</svg>"),
                   QStringLiteral("<circle cx=\"50\" cy=\"50\" r=\"%1\" fill=\"none\" stroke=\"red\"/>\n")
                       .arg(1 + i * 0.2).toLatin1());
    QVERIFY(WriteFile(path, svg));
    const QtMessageHandler before = qInstallMessageHandler(nullptr);
    qInstallMessageHandler(before);
    std::atomic_int good = 0;
    std::vector<std::unique_ptr<QThread>> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back(QThread::create([&] {
            for (int k = 0; k < 5; ++k)
                good += ImportSvgFile(path, Filling()).outcome.ok ? 1 : 0;
        }));
    for (auto& thread : threads)
        thread->start();
    for (auto& thread : threads)
        QVERIFY(thread->wait(60000));
    QCOMPARE(good.load(), 20);
    const QtMessageHandler after = qInstallMessageHandler(before);
    QVERIFY(after == before);
}

QTEST_MAIN(TestSvgImport)
#include "tst_svgimport.moc"
