#include "Builders.h"
#include "FrameTransforms.h"

#include <QTest>

namespace {

// One frame with the given points and centres.
TLaserFrames Show(const QList<QPoint>& points, QPoint effect = {128, 128}, QPoint aux = {128, 128})
{
    TLaserFrames show;
    TLaserFrame& frame = show.Add();
    AddPoints(frame, points);
    frame.EffectCenterX = effect.x();
    frame.EffectCenterY = effect.y();
    frame.AuxCenterX = aux.x();
    frame.AuxCenterY = aux.y();
    return show;
}

QList<QPoint> Positions(const TLaserFrames& show)
{
    QList<QPoint> positions;
    for (const TSmallPoint& p : show.Frame(0).Points)
        positions << QPoint(p.X, p.Y);
    return positions;
}

QList<QPoint> Centers(const TLaserFrames& show)
{
    const TLaserFrame& f = show.Frame(0);
    return {QPoint(f.EffectCenterX, f.EffectCenterY), QPoint(f.AuxCenterX, f.AuxCenterY)};
}

using TAnswers = QList<std::optional<QString>>;

} // namespace

class TestFrameTransforms : public QObject {
    Q_OBJECT
private slots:
    void axisFlipsTwiceRestore_data();
    void axisFlipsTwiceRestore();
    void centerAxisMirror_data();
    void centerAxisMirror();
    void centerAxisMirrorWithoutAxis();
    void centerFrame();
    void rotate_data();
    void rotate();
    void scale_data();
    void scale();
    void setCenters_data();
    void setCenters();
    void renumber();
    void answers_data();
    void answers();
};

void TestFrameTransforms::axisFlipsTwiceRestore_data()
{
    QTest::addColumn<bool>("yAxis");
    QTest::addColumn<QList<QPoint>>("once");
    QTest::newRow("X-axis") << false << QList<QPoint>{{0, 255}, {200, 245}, {255, 0}};
    QTest::newRow("Y-axis") << true << QList<QPoint>{{255, 0}, {55, 10}, {0, 255}};
}

void TestFrameTransforms::axisFlipsTwiceRestore()
{
    QFETCH(bool, yAxis);
    QFETCH(QList<QPoint>, once);
    const QList<QPoint> start{{0, 0}, {200, 10}, {255, 255}};
    TLaserFrames show = Show(start, {10, 20}, {30, 40});
    show.Frame(0).Points[1].Name = QStringLiteral("keep");
    auto flip = yAxis ? MirrorFrameAtYAxis : MirrorFrameAtXAxis;

    flip(show.Frame(0));
    QCOMPARE(Positions(show), once);
    QCOMPARE(Centers(show), (QList<QPoint>{{10, 20}, {30, 40}}));
    flip(show.Frame(0));
    QCOMPARE(Positions(show), start);
    QCOMPARE(show.Frame(0).Points[1].Name, QStringLiteral("keep"));
}

void TestFrameTransforms::centerAxisMirror_data()
{
    QTest::addColumn<QPoint>("effect");
    QTest::addColumn<QPoint>("aux");
    QTest::addColumn<QPoint>("point");
    QTest::addColumn<QPoint>("expected");
    QTest::newRow("vertical axis") << QPoint(128, 128) << QPoint(128, 0) << QPoint(100, 50) << QPoint(156, 50);
    QTest::newRow("on the axis") << QPoint(128, 128) << QPoint(128, 0) << QPoint(128, 7) << QPoint(128, 7);
    QTest::newRow("diagonal") << QPoint(0, 0) << QPoint(255, 255) << QPoint(200, 0) << QPoint(0, 200);
    QTest::newRow("clamped") << QPoint(0, 128) << QPoint(255, 128) << QPoint(10, 0) << QPoint(10, 255);
}

void TestFrameTransforms::centerAxisMirror()
{
    QFETCH(QPoint, effect);
    QFETCH(QPoint, aux);
    QFETCH(QPoint, point);
    QFETCH(QPoint, expected);
    TLaserFrames show = Show({point}, effect, aux);
    QVERIFY(MirrorFrameAtCenterAxis(show.Frame(0)));
    QCOMPARE(Positions(show), QList<QPoint>{expected});
    QCOMPARE(Centers(show), (QList<QPoint>{effect, aux}));
}

void TestFrameTransforms::centerAxisMirrorWithoutAxis()
{
    const QList<QPoint> points{{1, 2}, {200, 100}};
    TLaserFrames show = Show(points, {64, 64}, {64, 64});
    QVERIFY(!MirrorFrameAtCenterAxis(show.Frame(0)));
    QCOMPARE(Positions(show), points);
}

void TestFrameTransforms::centerFrame()
{
    // The box 10..50 widened by the auxiliary centre is 10..128; its middle 69
    // lands on the effect centre 128.
    TLaserFrames show = Show({{10, 10}, {50, 30}, {20, 50}});
    CenterFrame(show.Frame(0));
    QCOMPARE(Positions(show), (QList<QPoint>{{69, 69}, {109, 89}, {79, 109}}));
    QCOMPARE(Centers(show), (QList<QPoint>{{128, 128}, {128, 128}}));

    // Shifts past the square's edge are clamped.
    TLaserFrames edge = Show({{0, 0}, {255, 0}}, {200, 128}, {128, 128});
    CenterFrame(edge.Frame(0));
    QCOMPARE(Positions(edge), (QList<QPoint>{{73, 64}, {255, 64}}));

    TLaserFrames empty = Show({});
    CenterFrame(empty.Frame(0));
    QVERIFY(empty.Frame(0).Points.empty());
}

void TestFrameTransforms::rotate_data()
{
    QTest::addColumn<QPoint>("effect");
    QTest::addColumn<std::optional<QString>>("answer");
    QTest::addColumn<QList<QPoint>>("expected");
    QTest::addColumn<bool>("ran");
    const QList<QPoint> start{{228, 128}, {138, 138}};
    QTest::newRow("90 turns counter-clockwise on screen")
        << QPoint(128, 128) << std::optional<QString>("90") << QList<QPoint>{{128, 28}, {138, 118}} << true;
    QTest::newRow("-90 turns clockwise")
        << QPoint(128, 128) << std::optional<QString>(" -90 ") << QList<QPoint>{{128, 228}, {118, 138}} << true;
    QTest::newRow("0 with different centres shifts")
        << QPoint(100, 100) << std::optional<QString>("0") << QList<QPoint>{{200, 100}, {110, 110}} << true;
    QTest::newRow("cancel does not shift")
        << QPoint(100, 100) << std::optional<QString>() << start << false;
    QTest::newRow("not a whole number")
        << QPoint(128, 128) << std::optional<QString>("45.5") << start << false;
}

void TestFrameTransforms::rotate()
{
    QFETCH(QPoint, effect);
    QFETCH(std::optional<QString>, answer);
    QFETCH(QList<QPoint>, expected);
    QFETCH(bool, ran);
    TLaserFrames show = Show({{228, 128}, {138, 138}}, effect);
    // The main window asks, reads the answer as a whole number, and only then rotates.
    const std::optional<int> degrees = answer ? WholeNumber(*answer) : std::nullopt;
    QCOMPARE(degrees.has_value(), ran);
    if (degrees)
        RotateFrameByDegrees(show.Frame(0), *degrees);
    QCOMPARE(Positions(show), expected);
}

void TestFrameTransforms::scale_data()
{
    QTest::addColumn<std::optional<QString>>("answer");
    QTest::addColumn<QList<QPoint>>("expected");
    QTest::addColumn<bool>("changed");
    const QList<QPoint> start{{200, 100}, {129, 127}};
    QTest::newRow("half") << std::optional<QString>("0.5") << QList<QPoint>{{164, 114}, {128, 128}} << true;
    QTest::newRow("double, clamped") << std::optional<QString>("2") << QList<QPoint>{{255, 72}, {130, 126}} << true;
    QTest::newRow("mirrored") << std::optional<QString>("-1") << QList<QPoint>{{56, 156}, {127, 129}} << true;
    QTest::newRow("comma is no decimal point") << std::optional<QString>("0,5") << start << false;
    QTest::newRow("text") << std::optional<QString>("big") << start << false;
    QTest::newRow("infinite") << std::optional<QString>("inf") << start << false;
    QTest::newRow("not a number") << std::optional<QString>("nan") << start << false;
    QTest::newRow("huge") << std::optional<QString>("1e300") << QList<QPoint>{{255, 0}, {255, 0}} << true;
    QTest::newRow("cancelled") << std::optional<QString>() << start << false;
}

void TestFrameTransforms::scale()
{
    QFETCH(std::optional<QString>, answer);
    QFETCH(QList<QPoint>, expected);
    QFETCH(bool, changed);
    TLaserFrames show = Show({{200, 100}, {129, 127}});
    const std::optional<double> factor = answer ? ScaleFactor(*answer) : std::nullopt;
    QCOMPARE(factor.has_value(), changed);
    if (factor)
        ScaleFrame(show.Frame(0), *factor);
    QCOMPARE(Positions(show), expected);
}

void TestFrameTransforms::setCenters_data()
{
    QTest::addColumn<TAnswers>("answers");
    QTest::addColumn<QList<QPoint>>("expected");
    QTest::addColumn<bool>("changed");
    QTest::newRow("both pairs") << TAnswers{"1", "2", "3", "255"} << QList<QPoint>{{1, 2}, {3, 255}} << true;
    QTest::newRow("effect pair out of range")
        << TAnswers{"256", "2", "0", "4"} << QList<QPoint>{{10, 20}, {0, 4}} << true;
    QTest::newRow("auxiliary pair not numbers")
        << TAnswers{"5", "6", "x", "4"} << QList<QPoint>{{5, 6}, {30, 40}} << true;
    QTest::newRow("negative") << TAnswers{"-1", "6", "7", "-8"} << QList<QPoint>{{10, 20}, {30, 40}} << false;
    QTest::newRow("cancelled box keeps its value")
        << TAnswers{std::nullopt, "99", std::nullopt, std::nullopt} << QList<QPoint>{{10, 99}, {30, 40}} << true;
    QTest::newRow("unchanged") << TAnswers{"10", "20", "30", "40"} << QList<QPoint>{{10, 20}, {30, 40}} << false;
}

void TestFrameTransforms::setCenters()
{
    QFETCH(TAnswers, answers);
    QFETCH(QList<QPoint>, expected);
    QFETCH(bool, changed);
    const QList<QPoint> points{{1, 1}, {9, 9}};
    TLaserFrames show = Show(points, {10, 20}, {30, 40});
    // A cancelled box keeps its prefilled value, as the main window reads it.
    const QString prefilled[] = {"10", "20", "30", "40"};
    std::optional<int> values[4];
    for (int k = 0; k < 4; ++k)
        values[k] = WholeNumber(answers[k].value_or(prefilled[k]));
    const QList<QPoint> before = Centers(show);
    SetCenters(show.Frame(0), TCenterAnswers{values[0], values[1], values[2], values[3]});
    QCOMPARE(Centers(show), expected);
    QCOMPARE(Positions(show), points);
    QCOMPARE(Centers(show) != before, changed);
}

void TestFrameTransforms::renumber()
{
    TLaserFrames show = Show({{1, 1}, {2, 2}, {3, 3}});
    show.Frame(0).Points[0].Name = QStringLiteral("start");
    show.Frame(0).Points[2].Name = QStringLiteral("x");
    RenumberPoints(show.Frame(0));
    QCOMPARE(show.Frame(0).Points[0].Name, QStringLiteral("0"));
    QCOMPARE(show.Frame(0).Points[2].Name, QStringLiteral("2"));
    const std::vector<TSmallPoint> once = show.Frame(0).Points;
    RenumberPoints(show.Frame(0));
    QVERIFY(show.Frame(0).Points == once);
}

void TestFrameTransforms::answers_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<std::optional<int>>("whole");
    QTest::addColumn<std::optional<double>>("factor");
    QTest::newRow("number") << "12" << std::optional<int>(12) << std::optional<double>(12);
    QTest::newRow("spaces") << " -90 " << std::optional<int>(-90) << std::optional<double>(-90);
    QTest::newRow("decimal") << "0.5" << std::optional<int>() << std::optional<double>(0.5);
    QTest::newRow("comma") << "0,5" << std::optional<int>() << std::optional<double>();
    QTest::newRow("hex") << "0x1F" << std::optional<int>() << std::optional<double>();
    QTest::newRow("infinite") << "inf" << std::optional<int>() << std::optional<double>();
    QTest::newRow("empty") << "" << std::optional<int>() << std::optional<double>();
}

// The answers of the input boxes, read before anything changes.
void TestFrameTransforms::answers()
{
    QFETCH(QString, text);
    QFETCH(std::optional<int>, whole);
    QFETCH(std::optional<double>, factor);
    QCOMPARE(WholeNumber(text), whole);
    QCOMPARE(ScaleFactor(text), factor);
}

QTEST_APPLESS_MAIN(TestFrameTransforms)
#include "tst_frametransforms.moc"
