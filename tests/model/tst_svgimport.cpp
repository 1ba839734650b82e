#include "Builders.h"
#include "SvgImport.h"
#include "VectorBuilders.h"

#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <sys/stat.h>
#include <zlib.h>
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

// The bytes as a gzip stream, the way .svgz files are made.
QByteArray GzipForSvgz(const QByteArray& bytes)
{
    z_stream z{};
    deflateInit2(&z, 9, Z_DEFLATED, 15 + 16, 9, Z_DEFAULT_STRATEGY);
    QByteArray out(int(deflateBound(&z, uLong(bytes.size()))), Qt::Uninitialized);
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.constData()));
    z.avail_in = uInt(bytes.size());
    z.next_out = reinterpret_cast<Bytef*>(out.data());
    z.avail_out = uInt(out.size());
    deflate(&z, Z_FINISH);
    out.resize(int(z.total_out));
    deflateEnd(&z);
    return out;
}

// The points' extent on both axes.
QSize FrameExtent(const TLaserFrame& frame)
{
    int x0 = 255, y0 = 255, x1 = 0, y1 = 0;
    for (const TSmallPoint& p : frame.Points) {
        x0 = std::min<int>(x0, p.X), x1 = std::max<int>(x1, p.X);
        y0 = std::min<int>(y0, p.Y), y1 = std::max<int>(y1, p.Y);
    }
    return QSize(x1 - x0, y1 - y0);
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
    void untrustedDrawings_data();
    void untrustedDrawings();
    void noWayOutOfTheDocument();
    void extremeCoordinates_data();
    void extremeCoordinates();
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

// Drawings made to hurt: each is either imported whole or refused with its reason,
// quickly, with no file read but the drawing and none written.
void TestSvgImport::untrustedDrawings_data()
{
    QTest::addColumn<QByteArray>("svg");
    QTest::addColumn<QString>("name");     // of the drawing's file
    QTest::addColumn<bool>("imported");
    QTest::addColumn<QString>("message");  // in the failure, or in the note of an import
    QTest::addColumn<int>("shapes");       // -1: not checked

    const QByteArray xlink = "xmlns:xlink=\"http://www.w3.org/1999/xlink\"";
    const QByteArray square = R"x(<rect width="10" height="10" stroke="black" fill="none"/>)x";
    const auto picture = [&](const QByteArray& href) {
        return "<image " + xlink + " xlink:href=\"" + href + "\" width=\"50\" height=\"50\"/>";
    };
    // Qt SVG loaded the picture, which is the drawing again, until the stack ran out.
    QTest::newRow("picture of the drawing itself") << Svg("0 0 100 100", square + picture("self.svg")) << "self.svg"
                                                   << true << "pictures inside an SVG are skipped (1 left out)" << 1;
    // Opening a pipe waits for a writer: for ever.
    QTest::newRow("picture that is a pipe") << Svg("0 0 100 100", square + picture("pipe.png")) << "pipe.svg" << true
                                            << "pictures inside an SVG are skipped (1 left out)" << 1;
    QTest::newRow("pictures outside, by file: and http: and relative")
        << Svg("0 0 100 100", square + picture("/etc/passwd") + picture("file:///etc/hostname")
                                  + picture("../../etc/shadow") + picture("http://example.invalid/a.png"))
        << "t.svg" << true << "pictures inside an SVG are skipped (4 left out)" << 1;
    QTest::newRow("nothing but a picture") << Svg("0 0 100 100", picture("a.png")) << "t.svg" << false
                                           << "there is nothing to draw; pictures inside an SVG are skipped" << -1;

    // Qt SVG kept 32,767 elements of a path: 16,384 of these links and the rest dropped.
    // Each link begins where the last ended, on a serpentine over the square.
    QByteArray chain = "M0 0";
    QPoint at(0, 0);
    for (int i = 0; i < 20000; ++i) {
        const int row = (i + 1) / 142, column = (i + 1) % 142;
        const QPoint next(row % 2 ? 141 - column : column, row);
        chain += QStringLiteral(" M%1 %2 L%3 %4").arg(at.x()).arg(at.y()).arg(next.x()).arg(next.y()).toLatin1();
        at = next;
    }
    QTest::newRow("one path of 20,000 subpaths")
        << Svg("0 0 141 141", "<path d=\"" + chain + "\" stroke=\"black\" fill=\"none\"/>") << "t.svg" << true << ""
        << 20000;
    // 2 million steps up and down across the rounding line: nothing collapses.
    QByteArray zigzag = "M0 0";
    zigzag.reserve(2000000 * 6);
    for (int i = 0; i < 2000000; ++i)
        zigzag += i % 2 ? " l1 1" : " l1 -1";
    QTest::newRow("a path of 2 million segments")
        << Svg("0 -1 2000000 1", "<path d=\"" + zigzag + "\" stroke=\"black\" fill=\"none\"/>") << "t.svg" << false
        << "the drawing needs at least 2000000 points, more than a frame holds (65535)" << -1;
    // 100,000 small steps round a square: its far sides are drawn too.
    QByteArray outline = "M0 0";
    for (const char* side : {" h0.04", " v0.04", " h-0.04", " v-0.04"})
        for (int i = 0; i < 25000; ++i)
            outline += side;
    QTest::newRow("a square of 100,000 segments")
        << Svg("0 0 1000 1000", "<path d=\"" + outline + " z\" stroke=\"black\" fill=\"none\"/>") << "t.svg" << true
        << "" << 1;

    // Thousands of shapes in one corner (one far away sets the scale): the nearest
    // shape was sought among all of them at every step.
    QByteArray crowd;
    quint32 seed = 1;
    const auto next = [&seed] { return (seed = seed * 1664525u + 1013904223u) >> 8; };
    for (int i = 0; i < 60000; ++i) {
        const double x = (next() % 20000) / 1000.0, y = (next() % 20000) / 1000.0;
        crowd += QStringLiteral(R"x(<line x1="%1" y1="%2" x2="%3" y2="%2" stroke="black"/>)x")
                     .arg(x).arg(y).arg(x + 0.01).toLatin1();
    }
    crowd += R"x(<line x1="1000" y1="1000" x2="999" y2="1000" stroke="black"/>)x";
    QTest::newRow("60,000 small shapes close together") << Svg("0 0 1000 1000", crowd) << "t.svg" << true << "" << -1;

    // Each level repeats the one below twice: 2^24 lines for Qt SVG to measure.
    QByteArray doubling = "<path id=\"l0\" d=\"M0 0 L1 1\" stroke=\"black\"/>";
    for (int k = 0; k < 24; ++k)
        doubling += QStringLiteral(R"x(<g id="l%1"><use xlink:href="#l%2"/><use xlink:href="#l%2" transform="translate(1 0)"/></g>)x")
                        .arg(k + 1).arg(k).toLatin1();
    QTest::newRow("nested <use> doubling 24 times")
        << QByteArray("<svg xmlns=\"http://www.w3.org/2000/svg\" " + xlink + ">" + doubling + "</svg>") << "t.svg"
        << false << "more than 65535 shapes, counting each <use> as the shapes it repeats" << -1;
    QTest::newRow("a <use> inside what it repeats")
        << Svg("0 0 10 10", "<g id=\"g\" " + xlink + "><rect width=\"1\" height=\"1\" stroke=\"black\"/><use xlink:href=\"#g\"/></g>")
        << "t.svg" << false << "a <use> element repeats an element it is part of" << -1;
    // Laid out letter by letter: each letter counts as a shape.
    QTest::newRow("a text of 70,000 letters")
        << Svg("0 0 10 10", "<text x=\"0\" y=\"5\">" + QByteArray("laser ").repeated(14000) + "</text>") << "t.svg"
        << false << "it has more than 65535 shapes" << -1;
    QTest::newRow("paths of more than 2^21 pieces")
        << Svg("0 0 10 10", "<path d=\"M0 0" + QByteArray("h1").repeated(1100000) + "\" stroke=\"black\"/><path d=\"M0 0"
                                + QByteArray("v1").repeated(1100000) + "\" stroke=\"black\"/>")
        << "t.svg" << false << "its paths have more than 2097152 pieces, far more than a frame holds" << -1;
    QTest::newRow("groups 200 deep") << Svg("0 0 10 10", QByteArray("<g>").repeated(200) + square + QByteArray("</g>").repeated(200))
                                     << "t.svg" << false << "its elements nest more than 100 deep" << -1;

    QTest::newRow("compressed drawing") << GzipForSvgz(Svg("0 0 10 10", square)) << "t.svgz" << true << "" << 1;
    // 65 MB of spaces pack into about 65 KB.
    QTest::newRow("compressed drawing that inflates past 64 MB")
        << GzipForSvgz(Svg("0 0 10 10", square + "<desc>" + QByteArray(65 << 20, ' ') + "</desc>")) << "t.svgz"
        << false << "the compressed drawing inflates to more than 67108864 bytes" << -1;
    QTest::newRow("compressed drawing cut off")
        << GzipForSvgz(Svg("0 0 10 10", square)).chopped(20) << "t.svgz" << false << "the compressed drawing is cut off"
        << -1;
}

void TestSvgImport::untrustedDrawings()
{
    QFETCH(QByteArray, svg);
    QFETCH(QString, name);
    QFETCH(bool, imported);
    QFETCH(QString, message);
    QFETCH(int, shapes);
    QTemporaryDir dir;
    QStringList present{name};
    if (QTest::currentDataTag() == QLatin1String("picture that is a pipe")) {
        QCOMPARE(mkfifo(QFile::encodeName(dir.filePath("pipe.png")).constData(), 0600), 0);
        present << "pipe.png";
    }
    QVERIFY(WriteFile(dir.filePath(name), svg));
    const TVectorFrameResult result = ImportSvgFile(dir.filePath(name), Filling());
    QCOMPARE(result.outcome.ok, imported);
    if (imported) {
        QVERIFY(result.Frame);
        QCOMPARE(SkippedPicturesNote(result.PicturesSkipped), message);
        if (shapes >= 0)
            QCOMPARE(result.Shapes, shapes);
        QVERIFY(result.Frame->PointCount() <= MaxFramePoints);
        // Whole: the far sides of the square drawn, the serpentine down to its last row.
        const QSize extent = FrameExtent(*result.Frame);
        QVERIFY2(extent.width() >= 250 && extent.height() >= 250,
                 qPrintable(QStringLiteral("%1 x %2").arg(extent.width()).arg(extent.height())));
    } else {
        QVERIFY(!result.Frame);
        QVERIFY2(result.outcome.message.startsWith(QDir::toNativeSeparators(dir.filePath(name)) + ": "),
                 qPrintable(result.outcome.message));
        QVERIFY2(result.outcome.message.contains(message), qPrintable(result.outcome.message));
    }
    QCOMPARE(Litter(dir.path(), present), QStringList());
}

// What Qt SVG is shown names nothing outside the document.
void TestSvgImport::noWayOutOfTheDocument()
{
    const QByteArray svg = R"x(<?xml version="1.0"?>
<!DOCTYPE svg [ <!ENTITY far SYSTEM "file:///etc/passwd"> <!ENTITY near "drawn"> ]>
<svg xmlns="http://www.w3.org/2000/svg" xmlns:xlink="http://www.w3.org/1999/xlink" viewBox="0 0 10 10">
  <style>@import url(http://example.invalid/a.css); rect { fill: url(file:///tmp/g.svg#g) }</style>
  <defs><linearGradient id="g"><stop offset="0"/></linearGradient></defs>
  <rect width="1" height="1" stroke="black" fill="url(#g)" style="stroke: url('http://example.invalid/p')"/>
  <use xlink:href="other.svg#shape"/><use href="#g"/>
  <a xlink:href="https://example.invalid/"><circle r="1" stroke="black"/></a>
  <image xlink:href="data:image/png;base64,AAAA"/>
  <foreignObject><img xmlns="http://www.w3.org/1999/xhtml" src="/etc/passwd"/></foreignObject>
  <desc>&near;</desc>
</svg>)x";
    TSvgSource source;
    const TResult prepared = PrepareSvg(svg, source);
    QVERIFY2(prepared.ok, qPrintable(prepared.message));
    const QString xml = QString::fromUtf8(source.Xml);
    for (const char* gone : {"passwd", "example.invalid", "file:", "other.svg", "@import", "ENTITY", "image", "img"})
        QVERIFY2(!xml.contains(QLatin1String(gone)), qPrintable(gone + QStringLiteral(" in ") + xml));
    for (const char* kept : {"url(#g)", "href=\"#g\"", "<circle", "drawn"})
        QVERIFY2(xml.contains(QLatin1String(kept)), qPrintable(kept + QStringLiteral(" not in ") + xml));
    QCOMPARE(source.PicturesSkipped, 1);

    TVectorDrawing drawing;
    int pictures = 0;
    QVERIFY(ReadSvgDrawing(svg, drawing, &pictures).ok);
    QCOMPARE(pictures, 1);
    QVERIFY(!drawing.empty());
}

// Sizes at the ends of the double range are fitted like any other; every point lands
// in the square.
void TestSvgImport::extremeCoordinates_data()
{
    QTest::addColumn<TVectorDrawing>("drawing");
    QTest::addColumn<QSize>("extent");
    // Painter paths refuse such coordinates, but transforms make them: an SVG's
    // scale(1e300), or scale(1e-300) twice.
    const auto line = [](QPointF a, QPointF b, double scale) {
        QPainterPath path(a);
        path.lineTo(b);
        return TVectorPath{QTransform::fromScale(scale, scale).map(path), false};
    };
    QTest::newRow("from -1e308 to 1e308") << TVectorDrawing{line({-1, -1}, {1, 1}, 1e308)} << QSize(255, 255);
    QTest::newRow("wider than the largest double")
        << TVectorDrawing{line({-1.7, 0}, {1.7, 0}, 1e308), line({0, -1}, {0, 1}, 1e308)} << QSize(255, 150);
    QTest::newRow("near the largest double") << TVectorDrawing{line({1.6, 1.6}, {1.7, 1.65}, 1e308)} << QSize(255, 128);
    QTest::newRow("a few denormals wide") << TVectorDrawing{line({0, 0}, {4, 2}, 1e-322)} << QSize(255, 128);
    QPainterPath curve(QPointF(0, 0));
    curve.cubicTo(1, 0, 1, 1, 0, 1);
    QTest::newRow("a denormal curve")
        << TVectorDrawing{{QTransform::fromScale(1e-320, 1e-320).map(curve), false}} << QSize(191, 255);
    // Past the double range after its transform: left out, the rest drawn.
    QTest::newRow("infinite after its transform")
        << TVectorDrawing{line({0, 0}, {1e10, 1e10}, 1e300), line({0, 0}, {10, 10}, 1)} << QSize(255, 255);
}

void TestSvgImport::extremeCoordinates()
{
    QFETCH(TVectorDrawing, drawing);
    QFETCH(QSize, extent);
    const TVectorFrameResult result = BuildVectorFrame(drawing, Filling());
    QVERIFY2(result.outcome.ok, qPrintable(result.outcome.message));
    const QSize got = FrameExtent(*result.Frame);
    QVERIFY2(std::abs(got.width() - extent.width()) <= 2 && std::abs(got.height() - extent.height()) <= 2,
             qPrintable(QStringLiteral("%1 x %2").arg(got.width()).arg(got.height())));
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
