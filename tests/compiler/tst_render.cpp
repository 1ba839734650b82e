// Frame rendering and sample packing, against hand-worked values.
#include "Builders.h"
#include "Render.h"
#include "Samples.h"

#include <QtTest>
#include <cmath>


class TestRender : public QObject {
    Q_OBJECT

private slots:
    void stepCount_data();
    void stepCount();
    void edgeHoldRoundsHalfToEvenAndWraps_data();
    void edgeHoldRoundsHalfToEvenAndWraps();
    void twoPointPath();
    void straightRunRoundsHalfToEven();
    void squareHolds_data();
    void squareHolds();
    void blankFlagCoversHoldAndOutgoingRun();
    void singlePointAndZeroDelays();
    void packSample_data();
    void packSample();
    void emitPath();
    void blankMove_data();
    void blankMove();
};

void TestRender::stepCount_data()
{
    QTest::addColumn<int>("dx");
    QTest::addColumn<int>("dy");
    QTest::addColumn<int>("t5");
    QTest::addColumn<int>("steps");
    QTest::newRow("zero length") << 0 << 0 << 30 << 30;
    QTest::newRow("31 is short") << 31 << 0 << 30 << 30;
    QTest::newRow("-31 is short") << 0 << -31 << 30 << 30;
    QTest::newRow("32 is medium") << 32 << 0 << 30 << 55;
    QTest::newRow("31 by 32 takes the larger") << 31 << 32 << 30 << 55;
    QTest::newRow("63 is medium") << 0 << 63 << 30 << 55;
    QTest::newRow("64 is long") << 64 << 0 << 30 << 66;
    QTest::newRow("-64 is long") << -64 << 10 << 30 << 66;
    QTest::newRow("-255") << -255 << 0 << 30 << 66;
    QTest::newRow("5 degree above 10 degree wins") << 31 << 32 << 70 << 70;
}

void TestRender::stepCount()
{
    QFETCH(int, dx);
    QFETCH(int, dy);
    QFETCH(int, t5);
    QFETCH(int, steps);
    TScanDelays delays;
    delays.Time5Degree = quint16(t5);
    QCOMPARE(int(StepCount(dx, dy, delays)), steps);
}

void TestRender::edgeHoldRoundsHalfToEvenAndWraps_data()
{
    QTest::addColumn<int>("timeEdges");
    QTest::addColumn<int>("dx");
    QTest::addColumn<int>("dy");
    QTest::addColumn<int>("hold");
    // Turn from direction 0 to (dx, dy): hold = Round(2 * TimeEdges * turn / pi).
    QTest::newRow("45 degrees, 0.5 rounds to 0") << 1 << 1 << 1 << 0;
    QTest::newRow("45 degrees, 1.5 rounds to 2") << 3 << 1 << 1 << 2;
    QTest::newRow("45 degrees, 2.5 rounds to 2") << 5 << 1 << 1 << 2;
    QTest::newRow("90 degrees") << 30 << 0 << 1 << 30;
    QTest::newRow("reversal") << 30 << -1 << 0 << 60;
    QTest::newRow("270 degrees unfolded") << 30 << 0 << -1 << 90;
    QTest::newRow("reversal wraps at 16 bits") << 65535 << -1 << 0 << 65534;
}

void TestRender::edgeHoldRoundsHalfToEvenAndWraps()
{
    QFETCH(int, timeEdges);
    QFETCH(int, dx);
    QFETCH(int, dy);
    QFETCH(int, hold);
    TScanDelays delays;
    delays.TimeEdges = quint16(timeEdges);
    QCOMPARE(int(EdgeHold(VectorAngle(dx, dy), 0.0, delays)), hold);
    // The turn is not folded: swapping the directions gives the same hold.
    QCOMPARE(int(EdgeHold(0.0, VectorAngle(dx, dy), delays)), hold);
}

void TestRender::twoPointPath()
{
    const TLaserFrame f = MakeFrame({{0, 128}, {255, 128}});
    TSamplePath path;
    RenderFramePath(f, path, TScanDelays());
    QCOMPARE(path.Count(), 132);
    QCOMPARE(qint64(path.Blank.size()), 132);
    QCOMPARE(RenderedLength(f.Points, TScanDelays()), 132);
    // Outward: 255 * k / 66; k = 33 gives 127.5, which rounds to the even 128.
    QCOMPARE(path.Positions[0], (TBeamPoint{0, 128}));
    QCOMPARE(path.Positions[1], (TBeamPoint{4, 128}));
    QCOMPARE(path.Positions[33], (TBeamPoint{128, 128}));
    QCOMPARE(path.Positions[65], (TBeamPoint{251, 128}));
    // Back: 255 - 255 * k / 66; -127.5 rounds to -128.
    QCOMPARE(path.Positions[66], (TBeamPoint{255, 128}));
    QCOMPARE(path.Positions[66 + 33], (TBeamPoint{127, 128}));
    QCOMPARE(path.Positions[131], (TBeamPoint{4, 128}));

    // Rendering appends; the caller empties.
    RenderFramePath(f, path, TScanDelays());
    QCOMPARE(path.Count(), 264);
    QCOMPARE(path.Positions[132], (TBeamPoint{0, 128}));
}

void TestRender::straightRunRoundsHalfToEven()
{
    // 5 units in 30 steps: k / 6 hits every half; half to even, not away from zero.
    TSamplePath path;
    RenderFramePath(MakeFrame({{10, 20}, {15, 20}}), path, TScanDelays());
    QCOMPARE(path.Count(), 60);
    const int out[][2] = {{3, 10}, {9, 12}, {15, 12}, {21, 14}, {27, 14}, {29, 15}};
    for (const auto& [k, x] : out)
        QCOMPARE(path.Positions[k], (TBeamPoint{x, 20}));
    const int back[][2] = {{0, 15}, {3, 15}, {9, 13}, {15, 13}, {21, 11}, {29, 10}};
    for (const auto& [k, x] : back)
        QCOMPARE(path.Positions[30 + k], (TBeamPoint{x, 20}));
}

void TestRender::squareHolds_data()
{
    QTest::addColumn<QList<int>>("xs");
    QTest::addColumn<QList<int>>("ys");
    QTest::addColumn<QList<int>>("holds");
    // Corners turning the same way: the one whose turn crosses direction 0 holds 3x.
    QTest::newRow("clockwise on screen") << QList<int>{64, 192, 192, 64}
                                         << QList<int>{64, 64, 192, 192}
                                         << QList<int>{90, 30, 30, 30};
    QTest::newRow("counter-clockwise") << QList<int>{64, 64, 192, 192}
                                       << QList<int>{64, 192, 192, 64}
                                       << QList<int>{30, 30, 90, 30};
}

void TestRender::squareHolds()
{
    QFETCH(QList<int>, xs);
    QFETCH(QList<int>, ys);
    QFETCH(QList<int>, holds);
    TLaserFrame f;
    for (int i = 0; i < 4; ++i)
        f.Points.push_back(PointAt(xs[i], ys[i], TSmallPoint::FlagSharp));
    TSamplePath path;
    RenderFramePath(f, path, TScanDelays());
    QCOMPARE(path.Count(), 4 * 66 + 180);
    int at = 0;
    for (int i = 0; i < 4; ++i) {
        const TBeamPoint corner{xs[i], ys[i]};
        for (int k = 0; k < holds[i]; ++k)
            QCOMPARE(path.Positions[at + k], corner);
        at += holds[i];
        // The run leaves the corner: its first sample is the corner, its second moves on.
        QCOMPARE(path.Positions[at], corner);
        QVERIFY(!(path.Positions[at + 1] == corner));
        at += 66;
    }
    QCOMPARE(at, int(path.Count()));
}

void TestRender::blankFlagCoversHoldAndOutgoingRun()
{
    const TLaserFrame f = MakeFrame(
        {{0, 0}, {100, 0, TSmallPoint::FlagSharp | TSmallPoint::FlagBlank}, {100, 100}});
    TSamplePath path;
    RenderFramePath(f, path, TScanDelays());
    // 66 lit into the corner, 30 held + 66 out of it blank, 66 lit back home.
    QCOMPARE(path.Count(), 228);
    for (int i = 0; i < 228; ++i)
        QCOMPARE(bool(path.Blank[i]), i >= 66 && i < 162);
    QCOMPARE(path.Positions[66], (TBeamPoint{100, 0}));
    QCOMPARE(path.Positions[95], (TBeamPoint{100, 0}));
    QCOMPARE(path.Positions[96], (TBeamPoint{100, 0}));
    QCOMPARE(path.Positions[97], (TBeamPoint{100, 2}));
}

void TestRender::singlePointAndZeroDelays()
{
    TLaserFrame one = MakeFrame({{7, 9, TSmallPoint::FlagSharp}});
    TSamplePath path;
    RenderFramePath(one, path, TScanDelays());
    QCOMPARE(path.Count(), 30); // the run to itself, no hold
    QCOMPARE(path.Positions.back(), (TBeamPoint{7, 9}));

    TScanDelays zero{0, 0, 0, 0};
    const TLaserFrame square = MakeFrame({{0, 0, 1}, {200, 0, 1}, {200, 200, 1}});
    path.Clear();
    RenderFramePath(square, path, zero);
    QVERIFY(path.IsEmpty());
    QCOMPARE(RenderedLength(square.Points, zero), 0);
    path.Clear();
    RenderFramePath(TLaserFrame(), path, TScanDelays());
    QVERIFY(path.IsEmpty());
}

void TestRender::packSample_data()
{
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("y");
    QTest::addColumn<bool>("flipX");
    QTest::addColumn<bool>("flipY");
    QTest::addColumn<bool>("colour");
    QTest::addColumn<bool>("blank");
    QTest::addColumn<int>("left");
    QTest::addColumn<int>("right");
    // Positions are handed over as coordinate + 128.
    QTest::newRow("centre") << 256 << 256 << false << false << false << false << 0 << -256;
    QTest::newRow("top left") << 128 << 128 << false << false << false << false << -32768 << 32512;
    QTest::newRow("bottom right") << 383 << 383 << false << false << false << false << 32512 << -32768;
    QTest::newRow("flip Y mirrors left") << 128 << 128 << false << true << false << false << 32512 << 32512;
    QTest::newRow("flip X drops the inversion") << 128 << 128 << true << false << false << false << -32768 << -32768;
    QTest::newRow("both flips") << 383 << 128 << true << true << false << false << -32768 << -32768;
    QTest::newRow("colour") << 256 << 256 << false << false << true << false << 1 << -256;
    QTest::newRow("blank") << 256 << 256 << false << false << false << true << 2 << -256;
    QTest::newRow("colour and blank") << 256 << 256 << false << false << true << true << 3 << -256;
    QTest::newRow("wraps below 0 and above 511") << -1 << 512 << false << false << false << false << -256 << -256;
}

void TestRender::packSample()
{
    QFETCH(int, x);
    QFETCH(int, y);
    QFETCH(bool, flipX);
    QFETCH(bool, flipY);
    QFETCH(bool, colour);
    QFETCH(bool, blank);
    QFETCH(int, left);
    QFETCH(int, right);
    QByteArray bytes;
    TSampleStream s{bytes, flipX, flipY};
    EmitSample(s, x, y, colour, blank);
    QCOMPARE(bytes.size(), 4);
    QCOMPARE(bytes[2], '\0');
    QCOMPARE(int(qFromLittleEndian<qint16>(bytes.constData())), left);
    QCOMPARE(int(qFromLittleEndian<qint16>(bytes.constData() + 2)), right);
}

void TestRender::emitPath()
{
    TSamplePath path;
    path.Positions = {{0, 0}, {255, 128}, {128, 128}};
    path.Blank = {1, 0, 0};
    QByteArray bytes("x"); // appends after what is there
    qint64 written = 10;
    TBeamPoint last{1, 2};
    TSampleStream s{bytes, false, false};
    EmitPath(s, path, true, written, last);
    QCOMPARE(written, 13);
    QCOMPARE(last, (TBeamPoint{128, 128}));
    QCOMPARE(bytes.size(), 1 + 12);
    QCOMPARE(DecodeSamples(bytes.mid(1)),
             (QList<TSample>{{0, 0, true, true}, {255, 128, true, false}, {128, 128, true, false}}));

    // The bulk packing agrees with packing sample by sample, flips included.
    for (const bool fx : {false, true})
        for (const bool fy : {false, true}) {
            QByteArray bulk, single;
            TSampleStream b{bulk, fx, fy}, one{single, fx, fy};
            qint64 n = 0;
            EmitPath(b, path, false, n, last);
            for (size_t i = 0; i < path.Positions.size(); ++i)
                EmitSample(one, path.Positions[i].X + 128, path.Positions[i].Y + 128, false,
                           path.Blank[i]);
            QCOMPARE(bulk, single);
        }

    // An empty path writes nothing and leaves the last position alone.
    TSamplePath empty;
    last = {1, 2};
    written = 0;
    bytes.clear();
    EmitPath(s, empty, false, written, last);
    QCOMPARE(written, 0);
    QCOMPARE(last, (TBeamPoint{1, 2}));
    QVERIFY(bytes.isEmpty());
}

void TestRender::blankMove_data()
{
    QTest::addColumn<TBeamPoint>("from");
    QTest::addColumn<TBeamPoint>("to");
    QTest::addColumn<int>("count");
    QTest::addColumn<TBeamPoint>("last");
    QTest::newRow("centre to left edge") << TBeamPoint{128, 128} << TBeamPoint{0, 128} << 66
                                         << TBeamPoint{2, 128};
    QTest::newRow("back to the centre") << TBeamPoint{4, 128} << TBeamPoint{128, 128} << 66
                                        << TBeamPoint{126, 128};
    QTest::newRow("diagonal, medium and long") << TBeamPoint{50, 60} << TBeamPoint{0, 128} << 66
                                               << TBeamPoint{1, 127};
    QTest::newRow("zero length") << TBeamPoint{50, 60} << TBeamPoint{50, 60} << 30
                                 << TBeamPoint{50, 60};
}

void TestRender::blankMove()
{
    QFETCH(TBeamPoint, from);
    QFETCH(TBeamPoint, to);
    QFETCH(int, count);
    QFETCH(TBeamPoint, last);
    QByteArray bytes;
    TSampleStream s{bytes, false, false};
    qint64 written = 0;
    TBeamPoint at = from;
    BlankMove(from, to, true, s, TScanDelays(), written, at);
    QCOMPARE(written, count);
    QCOMPARE(at, last);
    const QList<TSample> samples = DecodeSamples(bytes);
    QCOMPARE(samples.size(), count);
    QCOMPARE(samples.first(), (TSample{from.X, from.Y, true, true}));
    QCOMPARE(samples.last(), (TSample{last.X, last.Y, true, true}));
    for (const TSample& smp : samples)
        QVERIFY(smp.Blank && smp.Colour);

    // With every delay 0 a move writes nothing and the beam stays.
    bytes.clear();
    at = from;
    BlankMove(from, to, true, s, TScanDelays{0, 0, 0, 0}, written, at);
    QVERIFY(bytes.isEmpty());
    QCOMPARE(at, from);
}

QTEST_GUILESS_MAIN(TestRender)
#include "tst_render.moc"
