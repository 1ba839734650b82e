#include "LaserPath.h"
#include "SvgImport.h"
#include "TextFrame.h"
#include "VectorBuilders.h"

#include <QRandomGenerator>
#include <QtTest>

#include <cmath>

namespace {

using TCorners = QList<QPoint>;

TVectorOptions NoMargin()
{
    TVectorOptions options;
    options.Margin = 0;
    return options;
}

bool SameSpot(const TSmallPoint& a, const TSmallPoint& b) { return a.X == b.X && a.Y == b.Y; }

// What a frame must be for a laser to draw it well; empty when it is. A blank point is
// either where a shape is left (not sharp, on the spot of the lit point before it) or a
// settle point (sharp, blank, after the point a jump leaves from, on the spot of the lit
// point after it). The corners and stroke ends named are lit sharp points.
QString LaserReadyFault(const TLaserFrame& frame, const TCorners& corners)
{
    const int n = frame.PointCount();
    const auto at = [&](int i) -> const TSmallPoint& { return frame.Points[((i % n) + n) % n]; };
    for (int i = 0; i < n; ++i) {
        const TSmallPoint& p = at(i);
        if (!p.IsBlank())
            continue;
        if (!p.IsSharp()) {
            if (at(i - 1).IsBlank() || !SameSpot(at(i - 1), p))
                return QStringLiteral("point %1: a jump leaves from a point that is not the lit end before it").arg(i);
            const TSmallPoint& settle = at(i + 1);
            if (!(settle.IsBlank() && settle.IsSharp()))
                return QStringLiteral("point %1: the jump does not end in a sharp blank settle point").arg(i);
        } else {
            if (!at(i - 1).IsBlank() || at(i - 1).IsSharp())
                return QStringLiteral("point %1: a sharp blank point that ends no jump holds dark").arg(i);
            if (at(i + 1).IsBlank() || !SameSpot(at(i + 1), p))
                return QStringLiteral("point %1: the settle point is not followed by a lit point on its spot").arg(i);
        }
    }
    for (const QPoint& c : corners) {
        bool found = false;
        for (const TSmallPoint& p : frame.Points)
            found = found || (std::abs(p.X - c.x()) <= 1 && std::abs(p.Y - c.y()) <= 1 && p.IsSharp() && !p.IsBlank());
        if (!found)
            return QStringLiteral("no lit sharp point at the corner (%1, %2)").arg(c.x()).arg(c.y());
    }
    return {};
}

int DarkJumps(const TLaserFrame& frame)
{
    int jumps = 0;
    const int n = frame.PointCount();
    for (int i = 0; i < n; ++i)
        jumps += frame.Points[i].IsBlank() && !SameSpot(frame.Points[i], frame.Points[(i + 1) % n]);
    return jumps;
}

// Open strokes as shapes, for tours: each from a to b.
std::vector<TLaserShape> Strokes(const QList<QLine>& lines)
{
    std::vector<TLaserShape> shapes;
    for (const QLine& l : lines) {
        TLaserShape s;
        s.Points = {l.p1(), l.p2()};
        s.Exact = {QPointF(l.p1()), QPointF(l.p2())};
        shapes.push_back(s);
    }
    return shapes;
}

TLaserShape Square(QPoint topLeft, int side)
{
    TLaserShape s;
    s.Closed = true;
    s.Points = {topLeft, topLeft + QPoint(side, 0), topLeft + QPoint(side, side), topLeft + QPoint(0, side)};
    for (QPoint p : s.Points)
        s.Exact.push_back(p);
    return s;
}

// Every shape once, each entered at a vertex it can be entered at.
bool IsTour(const std::vector<TLaserShape>& shapes, const TLaserTour& tour)
{
    std::vector<int> seen(shapes.size(), 0);
    for (const TLaserEntry& e : tour) {
        if (e.Shape < 0 || e.Shape >= int(shapes.size()) || seen[e.Shape]++)
            return false;
        const TLaserShape& s = shapes[e.Shape];
        const int n = int(s.Points.size());
        if (s.Closed ? (e.Vertex < 0 || e.Vertex >= n) : (e.Vertex != 0 && e.Vertex != n - 1))
            return false;
    }
    return tour.size() == shapes.size();
}

} // namespace

class TestLaserPath : public QObject {
    Q_OBJECT
private slots:
    void drawingsAreLaserReady_data();
    void drawingsAreLaserReady();
    void letterE();
    void marginKeepsTheDrawingInside_data();
    void marginKeepsTheDrawingInside();
    void twoOptShortensTheDarkTravel();
    void closedShapesAreEnteredWhereTheJumpsAreShort();
    void pointCountMatchesTheLayout();
};

void TestLaserPath::drawingsAreLaserReady_data()
{
    QTest::addColumn<TVectorDrawing>("drawing");
    QTest::addColumn<TCorners>("corners");
    QTest::addColumn<int>("jumps");
    QTest::addColumn<int>("points");

    QTest::newRow("square") << TVectorDrawing{PolygonPath({{0, 0}, {10, 0}, {10, 10}, {0, 10}}, true)}
                            << TCorners{{0, 0}, {255, 0}, {255, 255}, {0, 255}} << 0 << 4;
    QTest::newRow("triangle") << TVectorDrawing{PolygonPath({{0, 10}, {10, 10}, {5, 0}}, true)}
                              << TCorners{{0, 255}, {255, 255}, {128, 0}} << 0 << 3;
    // Each square is drawn round to its entry, held there lit, and left from a point
    // of its own; 4 + 1 points each, and per jump a leave point, a settle point and a
    // lit point where the beam holds before it moves off.
    QTest::newRow("two separate squares")
        << TVectorDrawing{PolygonPath({{0, 0}, {4, 0}, {4, 4}, {0, 4}}, true),
                          PolygonPath({{6, 6}, {10, 6}, {10, 10}, {6, 10}}, true)}
        << TCorners{{0, 0}, {102, 0}, {102, 102}, {0, 102}, {153, 153}, {255, 153}, {255, 255}, {153, 255}} << 2
        << 2 * 5 + 2 * PointsPerJump;
    // An open stroke: both ends lit and sharp, the way back dark.
    QTest::newRow("open stroke") << TVectorDrawing{PolygonPath({{0, 0}, {10, 0}, {10, 10}}, false)}
                                 << TCorners{{0, 0}, {255, 0}, {255, 255}} << 1 << 3 + PointsPerJump;
    // A circle has no corners; its jump to the line and back still settle.
    TVectorPath circle;
    circle.Path.addEllipse(QPointF(5, 5), 5, 5);
    QTest::newRow("circle and a line")
        << TVectorDrawing{circle, PolygonPath({{12, 0}, {12, 10}}, false)} << TCorners{{255, 21}, {255, 234}} << 2
        << -1;
}

void TestLaserPath::drawingsAreLaserReady()
{
    QFETCH(TVectorDrawing, drawing);
    QFETCH(TCorners, corners);
    QFETCH(int, jumps);
    QFETCH(int, points);
    const TVectorFrameResult result = BuildVectorFrame(drawing, NoMargin());
    QVERIFY2(result.outcome.ok, qPrintable(result.outcome.message));
    const TLaserFrame& frame = *result.Frame;
    const QString fault = LaserReadyFault(frame, corners);
    QVERIFY2(fault.isEmpty(), qPrintable(fault));
    QCOMPARE(DarkJumps(frame), jumps);
    QCOMPARE(result.Jumps, jumps);
    if (points >= 0)
        QCOMPARE(frame.PointCount(), points);
}

// Hershey's "E": a spine and three bars. Where a bar leaves the spine it is a corner,
// where it ends freely a stroke end: lit and sharp either way.
void TestLaserPath::letterE()
{
    TVectorDrawing drawing;
    QVERIFY(TextDrawing(QStringLiteral("E"), {}, drawing).ok);
    TVectorOptions options = NoMargin();
    const TVectorFrameResult result = MakeTextFrame(QStringLiteral("E"), {}, options);
    QVERIFY2(result.outcome.ok, qPrintable(result.outcome.message));
    const TLaserFrame& frame = *result.Frame;
    // The ends of every stroke of the glyph, fitted to the square as the frame is.
    QRectF box = drawing[0].Path.boundingRect();
    const double s = 255.0 / std::max(box.width(), box.height());
    TCorners ends;
    const QPainterPath& p = drawing[0].Path;
    for (int i = 0; i < p.elementCount(); ++i) {
        const bool first = p.elementAt(i).isMoveTo();
        const bool last = i + 1 == p.elementCount() || p.elementAt(i + 1).isMoveTo();
        if (first || last) {
            const QPointF q = (QPointF(p.elementAt(i)) - box.center()) * s + QPointF(127.5, 127.5);
            ends << QPoint(int(std::nearbyint(q.x())), int(std::nearbyint(q.y())));
        }
    }
    QCOMPARE(ends.size(), 8);  // four strokes
    const QString fault = LaserReadyFault(frame, ends);
    QVERIFY2(fault.isEmpty(), qPrintable(fault));
    // The spine and the bars meet, so the strokes could share ends; each stroke still
    // needs its own way in: at most one jump per stroke.
    QVERIFY2(result.Jumps >= 1 && result.Jumps <= 4, qPrintable(QString::number(result.Jumps)));
    QCOMPARE(DarkJumps(frame), result.Jumps);
}

void TestLaserPath::marginKeepsTheDrawingInside_data()
{
    QTest::addColumn<double>("margin");
    QTest::addColumn<int>("low");
    QTest::addColumn<int>("high");
    QTest::newRow("none") << 0.0 << 0 << 255;
    QTest::newRow("default") << DefaultMargin << 8 << 247;
    QTest::newRow("wide") << 40.0 << 40 << 215;
    QTest::newRow("beyond the largest") << 500.0 << 100 << 155;
}

void TestLaserPath::marginKeepsTheDrawingInside()
{
    QFETCH(double, margin);
    QFETCH(int, low);
    QFETCH(int, high);
    TVectorOptions options;
    QCOMPARE(options.Margin, DefaultMargin);
    options.Margin = margin;
    const TVectorFrameResult result =
        BuildVectorFrame({PolygonPath({{0, 0}, {10, 0}, {10, 10}, {0, 10}}, true)}, options);
    QVERIFY(result.outcome.ok);
    int x0 = 255, x1 = 0, y0 = 255, y1 = 0;
    for (const TSmallPoint& p : result.Frame->Points) {
        x0 = std::min<int>(x0, p.X), x1 = std::max<int>(x1, p.X);
        y0 = std::min<int>(y0, p.Y), y1 = std::max<int>(y1, p.Y);
    }
    QCOMPARE(x0, low);
    QCOMPARE(y0, low);
    QCOMPARE(x1, high);
    QCOMPARE(y1, high);
}

void TestLaserPath::twoOptShortensTheDarkTravel()
{
    // Strokes on a line drawn zigzag from the middle; 2-opt draws them in one sweep
    // and jumps back.
    std::vector<TLaserShape> shapes = Strokes({{100, 10, 110, 10}, {120, 10, 130, 10}, {80, 10, 90, 10},
                                               {140, 10, 150, 10}, {60, 10, 70, 10}, {160, 10, 170, 10}});
    TLaserTour tour{{0, 0}, {2, 0}, {1, 0}, {4, 0}, {3, 0}, {5, 0}};
    const double before = DarkTravel(shapes, tour);
    ImproveTour(shapes, tour);
    QVERIFY(IsTour(shapes, tour));
    const double after = DarkTravel(shapes, tour);
    QVERIFY2(after < before, qPrintable(QStringLiteral("%1 -> %2").arg(before).arg(after)));
    // The best tour: 5 gaps of 10 one way and the way back from one end to the other.
    QVERIFY2(after <= 5 * 10 + 110 + 1e-6, qPrintable(QString::number(after)));

    // Random strokes: never worse than the start, always a tour, and for a small set
    // within a fifth of the best order found by trying every one.
    QRandomGenerator random(27);
    for (int round = 0; round < 20; ++round) {
        QList<QLine> lines;
        for (int k = 0; k < 6; ++k)
            lines << QLine(random.bounded(256), random.bounded(256), random.bounded(256), random.bounded(256));
        shapes = Strokes(lines);
        tour.clear();
        for (int k = 0; k < 6; ++k)
            tour.push_back({k, 0});
        const double start = DarkTravel(shapes, tour);
        ImproveTour(shapes, tour);
        QVERIFY(IsTour(shapes, tour));
        const double improved = DarkTravel(shapes, tour);
        QVERIFY(improved <= start + 1e-9);
        std::vector<int> order{1, 2, 3, 4, 5};
        double best = 1e18;
        do {
            for (int dirs = 0; dirs < 64; ++dirs) {
                TLaserTour t{{0, dirs & 1}};
                for (int k = 0; k < 5; ++k)
                    t.push_back({order[k], (dirs >> (k + 1)) & 1});
                best = std::min(best, DarkTravel(shapes, t));
            }
        } while (std::next_permutation(order.begin(), order.end()));
        QVERIFY2(improved <= 1.2 * best + 1e-9, qPrintable(QStringLiteral("%1, best %2").arg(improved).arg(best)));
    }
}

void TestLaserPath::closedShapesAreEnteredWhereTheJumpsAreShort()
{
    // Two squares side by side entered at their far corners: entered at the corners
    // that face each other, the jumps are only the gap between them.
    const std::vector<TLaserShape> shapes{Square({10, 10}, 50), Square({100, 10}, 50)};
    TLaserTour tour{{0, 0}, {1, 1}};
    ImproveTour(shapes, tour);
    QVERIFY(IsTour(shapes, tour));
    QCOMPARE(DarkTravel(shapes, tour), 2 * 40.0);
}

void TestLaserPath::pointCountMatchesTheLayout()
{
    QRandomGenerator random(5);
    std::vector<TLaserShape> shapes;
    for (int k = 0; k < 30; ++k) {
        if (k % 3 == 0) {
            shapes.push_back(Square({random.bounded(200), random.bounded(200)}, 1 + random.bounded(50)));
        } else {
            // Some strokes start where another ended, so they follow without a jump.
            const QPoint a = k % 3 == 2 ? shapes.back().Points.back()
                                        : QPoint(random.bounded(256), random.bounded(256));
            shapes.push_back(Strokes({QLine(a, QPoint(random.bounded(256), random.bounded(256)))})[0]);
        }
    }
    TLaserTour tour;
    for (int k = 0; k < int(shapes.size()); ++k)
        tour.push_back({k, 0});
    for (int pass = 0; pass < 2; ++pass) {
        const TLaserPath path = LayOutLaserPath(shapes, tour, 45);
        QCOMPARE(qint64(path.Points.size()), LaserPathPointCount(shapes, tour));
        QCOMPARE(path.Flags.size(), path.Points.size());
        ImproveTour(shapes, tour);
    }
}

QTEST_MAIN(TestLaserPath)
#include "tst_laserpath.moc"
