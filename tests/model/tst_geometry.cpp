// Directions and the grid of the drawing square.
#include "Geometry.h"

#include <QTest>
#include <cmath>

class TestGeometry : public QObject {
    Q_OBJECT

private slots:
    void vectorAngle_data();
    void vectorAngle();
    void snapToGrid_data();
    void snapToGrid();
};

void TestGeometry::vectorAngle_data()
{
    QTest::addColumn<int>("dx");
    QTest::addColumn<int>("dy");
    QTest::addColumn<double>("angle");
    QTest::newRow("origin") << 0 << 0 << 0.0;
    QTest::newRow("east") << 5 << 0 << 0.0;
    QTest::newRow("south (y down)") << 0 << 7 << M_PI / 2;
    QTest::newRow("west") << -3 << 0 << M_PI;
    QTest::newRow("north") << 0 << -1 << 3 * M_PI / 2;
    QTest::newRow("first quadrant") << 1 << 1 << M_PI / 4;
    QTest::newRow("second quadrant") << -1 << 1 << 3 * M_PI / 4;
    QTest::newRow("third quadrant") << -3 << -4 << M_PI + std::atan(4.0 / 3.0);
    QTest::newRow("fourth quadrant") << 3 << -4 << 2 * M_PI - std::atan(4.0 / 3.0);
}

void TestGeometry::vectorAngle()
{
    QFETCH(int, dx);
    QFETCH(int, dy);
    QFETCH(double, angle);
    const double a = VectorAngle(dx, dy);
    QVERIFY(a >= 0 && a < 2 * M_PI);
    QVERIFY2(std::fabs(a - angle) < 1e-12, qPrintable(QString::number(a, 'g', 17)));
}

void TestGeometry::snapToGrid_data()
{
    QTest::addColumn<int>("v");
    QTest::addColumn<int>("grid");
    QTest::addColumn<int>("expected");
    QTest::newRow("250 stays at the edge") << 250 << 16 << 255;
    QTest::newRow("247 down") << 247 << 16 << 240;
    QTest::newRow("255") << 255 << 16 << 255;
    QTest::newRow("0") << 0 << 16 << 0;
    QTest::newRow("7 down to 0") << 7 << 16 << 0;
    QTest::newRow("half rounds up") << 8 << 16 << 16;
    QTest::newRow("on the grid") << 16 << 16 << 16;
    QTest::newRow("grid 128 top") << 200 << 128 << 255;
    QTest::newRow("grid 128 middle") << 64 << 128 << 128;
    QTest::newRow("grid 128 low") << 63 << 128 << 0;
    QTest::newRow("grid 4 near edge") << 254 << 4 << 255;
    QTest::newRow("grid 1") << 99 << 1 << 99;
    QTest::newRow("grid 0 leaves v") << 99 << 0 << 99;
    QTest::newRow("negative grid leaves v") << 99 << -8 << 99;
}

void TestGeometry::snapToGrid()
{
    QFETCH(int, v);
    QFETCH(int, grid);
    QFETCH(int, expected);
    QCOMPARE(SnapToGrid(v, grid), expected);
}

QTEST_GUILESS_MAIN(TestGeometry)
#include "tst_geometry.moc"
