// Imported drawings rendered as the compile renders them: the flags the importers set
// must give lit holds at the corners and dark settle dwells after the jumps.
#include "Render.h"
#include "TextFrame.h"
#include "VectorBuilders.h"
#include "VectorImport.h"

#include <QtTest>

namespace {

// The longest run of lit samples on the spot, anywhere in the loop.
int LitDwell(const TSamplePath& path, QPoint spot)
{
    const int n = int(path.Count());
    int best = 0, run = 0;
    for (int k = 0; k < 2 * n; ++k) {
        const int i = k % n;
        const bool here = path.Positions[i].X == spot.x() && path.Positions[i].Y == spot.y() && !path.Blank[i];
        run = here ? run + 1 : 0;
        best = std::max(best, std::min(run, n));
    }
    return best;
}

} // namespace

class TestLaserReady : public QObject {
    Q_OBJECT
private slots:
    void rendered_data();
    void rendered();
};

void TestLaserReady::rendered_data()
{
    QTest::addColumn<TVectorDrawing>("drawing");
    QTest::addColumn<QList<QPoint>>("corners");     // each held lit for a corner's time at least
    QTest::addColumn<QList<QPoint>>("strokeEnds");  // each held lit for a move's time at least
    QTest::newRow("square") << TVectorDrawing{PolygonPath({{0, 0}, {10, 0}, {10, 10}, {0, 10}}, true)}
                            << QList<QPoint>{{0, 0}, {255, 0}, {255, 255}, {0, 255}} << QList<QPoint>{};
    QTest::newRow("two squares")
        << TVectorDrawing{PolygonPath({{0, 0}, {4, 0}, {4, 4}, {0, 4}}, true),
                          PolygonPath({{6, 6}, {10, 6}, {10, 10}, {6, 10}}, true)}
        << QList<QPoint>{{0, 0}, {102, 0}, {102, 102}, {0, 102}, {153, 153}, {255, 153}, {255, 255}, {153, 255}}
        << QList<QPoint>{};
    QTest::newRow("open strokes")
        << TVectorDrawing{PolygonPath({{0, 0}, {10, 0}, {10, 10}}, false),
                          PolygonPath({{0, 4}, {6, 4}}, false)}
        << QList<QPoint>{{255, 0}} << QList<QPoint>{{0, 0}, {255, 255}, {0, 102}, {153, 102}};
}

void TestLaserReady::rendered()
{
    QFETCH(TVectorDrawing, drawing);
    QFETCH(QList<QPoint>, corners);
    QFETCH(QList<QPoint>, strokeEnds);
    TVectorOptions options;
    options.Margin = 0;
    const TVectorFrameResult result = BuildVectorFrame(drawing, options);
    QVERIFY2(result.outcome.ok, qPrintable(result.outcome.message));
    const TScanDelays delays;
    TSamplePath path;
    RenderFramePath(*result.Frame, path, delays);
    const int n = int(path.Count());
    QVERIFY(n > 0);

    // Lit holds: a square's corner turns by 90 degrees or more.
    for (const QPoint& c : corners)
        QVERIFY2(LitDwell(path, c) >= delays.TimeEdges,
                 qPrintable(QStringLiteral("(%1, %2) held lit %3 samples").arg(c.x()).arg(c.y()).arg(LitDwell(path, c))));
    // Both ends of a stroke are held lit for a move's time at least, whichever way the
    // stroke leaves or reaches them.
    for (const QPoint& c : strokeEnds)
        QVERIFY2(LitDwell(path, c) >= delays.Time5Degree,
                 qPrintable(QStringLiteral("(%1, %2) held lit %3 samples").arg(c.x()).arg(c.y()).arg(LitDwell(path, c))));

    // Every dark move ends in a dark dwell on its target of a move's time at least,
    // and the beam lights on that spot.
    int jumps = 0;
    for (int i = 0; i < n; ++i) {
        const int next = (i + 1) % n;
        if (!(path.Blank[i] && !path.Blank[next]))
            continue;
        ++jumps;
        const TBeamPoint target = path.Positions[i];
        int dwell = 0;
        for (int k = i; dwell < n && path.Blank[(k + n) % n] && path.Positions[(k + n) % n] == target; --k)
            ++dwell;
        QVERIFY2(dwell >= delays.Time5Degree, qPrintable(QStringLiteral("a jump to (%1, %2) settles %3 samples")
                                                             .arg(target.X).arg(target.Y).arg(dwell)));
        QCOMPARE(path.Positions[next], target);
    }
    QCOMPARE(jumps, result.Jumps);
}

QTEST_MAIN(TestLaserReady)
#include "tst_laserready.moc"
