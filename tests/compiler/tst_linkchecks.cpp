#include "Builders.h"
#include "LinkChecks.h"

#include <QTest>

namespace {

// A show of frames with the given point positions; each frame's links fitted
// to its predecessor and empty.
TLaserFrames Show(const QList<QList<QPoint>>& frames)
{
    TLaserFrames show;
    for (const QList<QPoint>& points : frames) {
        TLaserFrame& frame = show.Add();
        for (const QPoint& p : points)
            frame.Points.push_back(PointAt(p.x(), p.y()));
    }
    for (int k = 1; k < show.Count(); ++k)
        show.FitLinksAt(k);
    return show;
}

QList<QPoint> Row(int count, int x = 10)
{
    QList<QPoint> points;
    for (int i = 0; i < count; ++i)
        points << QPoint(x, i);
    return points;
}

QString Line(int k, int j)
{
    return "Frame " + QString::number(k) + " has no link from point " + QString::number(j) + "!\r\n";
}

} // namespace

class TestLinkChecks : public QObject {
    Q_OBJECT
private slots:
    void oneFrameIsFine();
    void unlinkedPointsReportedInOrder();
    void allFramesInFrameOrder();
    void staleMatrixCountsOutsideAsUnlinked();
    void overlay_data();
    void overlay();
    void overlayTwiceAddsNothing();
    void overlaySkipsPairsOutsideMatrix();
    void overlayNeedsPreviousFrame();
};

void TestLinkChecks::oneFrameIsFine()
{
    TLaserFrames show = Show({Row(3)});
    QString report;
    CheckFrameLinks(show, 0, report);
    CheckFrameLinks(show, 1, report);   // no such frame
    QVERIFY(report.isEmpty());
    const TLinkCheckMessage message = LinkCheckMessage(CheckAllLinks(show));
    QVERIFY(!message.Warning);
    QCOMPARE(message.Text, QStringLiteral("Everything's fine!"));
}

void TestLinkChecks::unlinkedPointsReportedInOrder()
{
    TLaserFrames show = Show({Row(3), Row(2)});
    QString report = QStringLiteral("kept\r\n");
    CheckFrameLinks(show, 1, report);
    QCOMPARE(report, "kept\r\n" + Line(1, 0) + Line(1, 1) + Line(1, 2));
    QCOMPARE(report.split("\r\n").at(1), QStringLiteral("Frame 1 has no link from point 0!"));

    // Points of frame 1 that nothing links to are not reported; any one link
    // into a column of frame 0 covers that point.
    show.Frame(1).Links.Set(1, 0, true);
    show.Frame(1).Links.Set(0, 2, true);
    report.clear();
    CheckFrameLinks(show, 1, report);
    QCOMPARE(report, Line(1, 1));
    const TLinkCheckMessage message = LinkCheckMessage(report);
    QVERIFY(message.Warning);
    QCOMPARE(message.Text, report);
}

void TestLinkChecks::allFramesInFrameOrder()
{
    TLaserFrames show = Show({Row(2), Row(1), Row(2), Row(1)});
    show.Frame(2).Links.Set(0, 0, true);   // frame 2 is complete
    show.Frame(3).Links.Set(0, 1, true);   // frame 3 misses point 0
    QCOMPARE(CheckAllLinks(show), Line(1, 0) + Line(1, 1) + Line(3, 0));

    QString report;
    CheckFrameLinks(show, 2, report);
    QVERIFY(report.isEmpty());
}

void TestLinkChecks::staleMatrixCountsOutsideAsUnlinked()
{
    // 70 points on each side: the check looks at whole words of a column.
    TLaserFrames show = Show({Row(70), Row(70, 20)});
    TLinkMatrix& links = show.Frame(1).Links;
    for (int j = 0; j < 70; ++j)
        links.Set(69 - j, j, true);

    // Points were edited since: frame 0 grew by two, frame 1 lost its last five
    // points. The matrix is still 70 x 70.
    show.Frame(0).Points.push_back(PointAt(1, 1));
    show.Frame(0).Points.push_back(PointAt(2, 2));
    show.Frame(1).Points.resize(65);
    const TLinkMatrix before = links;

    QString report;
    CheckFrameLinks(show, 1, report);
    // Columns 0..4 are linked only from rows 65..69, which no longer are points;
    // columns 70 and 71 lie outside the matrix.
    QString expected;
    for (int j : {0, 1, 2, 3, 4, 70, 71})
        expected += Line(1, j);
    QCOMPARE(report, expected);
    QVERIFY(links == before);
    QCOMPARE(links.Rows(), 70);
    QCOMPARE(links.Cols(), 70);
}

void TestLinkChecks::overlay_data()
{
    QTest::addColumn<int>("circleSize");
    QTest::addColumn<QPoint>("offset");
    QTest::addColumn<bool>("linked");
    QTest::newRow("5 apart on both axes") << 3 << QPoint(5, 5) << true;
    QTest::newRow("5 apart, other side") << 3 << QPoint(-5, -5) << true;
    QTest::newRow("same spot") << 3 << QPoint(0, 0) << true;
    QTest::newRow("6 apart on x") << 3 << QPoint(6, 0) << false;
    QTest::newRow("6 apart on y") << 3 << QPoint(0, -6) << false;
    QTest::newRow("circle 1: 1 apart") << 1 << QPoint(1, -1) << true;
    QTest::newRow("circle 1: 2 apart") << 1 << QPoint(2, 0) << false;
    QTest::newRow("circle 0 links nothing") << 0 << QPoint(0, 0) << false;
}

void TestLinkChecks::overlay()
{
    QFETCH(int, circleSize);
    QFETCH(QPoint, offset);
    QFETCH(bool, linked);
    TLaserFrames show = Show({{QPoint(100, 100), QPoint(200, 30)},
                              {QPoint(100, 100) + offset, QPoint(10, 250)}});
    const TOverlayResult result = LinkOverlayingPoints(show, 1, circleSize);
    const TLaserFrame& frame = show.Frame(1);
    QCOMPARE(result.Count, linked ? 1 : 0);
    QCOMPARE(frame.Links.Get(0, 0), linked);
    QCOMPARE(frame.Points[0].Marked, linked);
    QVERIFY(!frame.Links.Get(0, 1) && !frame.Links.Get(1, 0) && !frame.Links.Get(1, 1));
    QVERIFY(!frame.Points[1].Marked);
}

void TestLinkChecks::overlayTwiceAddsNothing()
{
    // Three pairs: point 0 near both points of frame 0, point 1 near point 1.
    TLaserFrames show = Show({{QPoint(50, 50), QPoint(54, 50)}, {QPoint(52, 50), QPoint(58, 53)}});
    show.Frame(1).Links.Set(0, 0, true);   // already linked: still counted
    const TOverlayResult first = LinkOverlayingPoints(show, 1, 3);
    QCOMPARE(first.Count, 3);
    QCOMPARE(first.Added, 2);
    QCOMPARE(OverlayMessage(first.Count), QStringLiteral("3 overlapping points found!"));
    const TLinkMatrix after = show.Frame(1).Links;

    const TOverlayResult second = LinkOverlayingPoints(show, 1, 3);
    QCOMPARE(second.Count, 3);
    QCOMPARE(second.Added, 0);
    QVERIFY(show.Frame(1).Links == after);
    QVERIFY(OverlayMessage(0).isEmpty());
}

void TestLinkChecks::overlaySkipsPairsOutsideMatrix()
{
    TLaserFrames show = Show({{QPoint(10, 10)}, {QPoint(90, 90)}});
    // Both frames gained a point at the same spot after the links were fitted.
    show.Frame(0).Points.push_back(PointAt(128, 128));
    show.Frame(1).Points.push_back(PointAt(128, 128));
    const TOverlayResult result = LinkOverlayingPoints(show, 1, 3);
    QCOMPARE(result.Count, 0);
    QVERIFY(!show.Frame(1).Points[1].Marked);
    QCOMPARE(show.Frame(1).Links.Rows(), 1);
    QCOMPARE(show.Frame(1).Links.Cols(), 1);
}

void TestLinkChecks::overlayNeedsPreviousFrame()
{
    TLaserFrames show = Show({{QPoint(10, 10)}, {QPoint(10, 10)}});
    QCOMPARE(LinkOverlayingPoints(show, 0, 3).Count, 0);
    QCOMPARE(LinkOverlayingPoints(show, 2, 3).Count, 0);
    QCOMPARE(LinkOverlayingPoints(show, -1, 3).Count, 0);
    QVERIFY(!show.Frame(0).Points[0].Marked);
    QVERIFY(!show.Frame(1).Links.Get(0, 0));
}

QTEST_APPLESS_MAIN(TestLinkChecks)
#include "tst_linkchecks.moc"
