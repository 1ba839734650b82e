#include "Builders.h"
#include "FrameTransforms.h"

#include <QTest>
#include <deque>

namespace {

// The input boxes of one command: answers in order, every box logged.
struct TFakeInput {
    std::deque<std::optional<QString>> Answers;
    QStringList Asked;   // caption | prompt | default

    TInputText Box()
    {
        return [this](const QString& caption, const QString& prompt, const QString& text) {
            Asked << caption + " | " + prompt + " | " + text;
            if (Answers.empty())
                return std::optional<QString>();
            auto answer = Answers.front();
            Answers.pop_front();
            return answer;
        };
    }
};

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
    void noFrameRunsNothing();
    void menuItemRunsItsCommand_data();
    void menuItemRunsItsCommand();
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
    auto flip = yAxis ? FlipFrameAtYAxis : FlipFrameAtXAxis;

    const TFrameCommandResult result = flip(show, 0);
    QVERIFY(result.Ran && result.Changed);
    QCOMPARE(Positions(show), once);
    QCOMPARE(Centers(show), (QList<QPoint>{{10, 20}, {30, 40}}));
    flip(show, 0);
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
    const TFrameCommandResult result = FlipFrameAtCenterAxis(show, 0);
    QVERIFY(result.Ran && result.RepaintThumbnails);
    QVERIFY(result.Message.isEmpty());
    QCOMPARE(Positions(show), QList<QPoint>{expected});
    QCOMPARE(Centers(show), (QList<QPoint>{effect, aux}));
}

void TestFrameTransforms::centerAxisMirrorWithoutAxis()
{
    const QList<QPoint> points{{1, 2}, {200, 100}};
    TLaserFrames show = Show(points, {64, 64}, {64, 64});
    const TFrameCommandResult result = FlipFrameAtCenterAxis(show, 0);
    QVERIFY(!result.Ran && !result.Changed);
    QCOMPARE(result.Message, NoCenterAxisMessage());
    QCOMPARE(Positions(show), points);
}

void TestFrameTransforms::centerFrame()
{
    // The box 10..50 widened by the auxiliary centre is 10..128; its middle 69
    // lands on the effect centre 128.
    TLaserFrames show = Show({{10, 10}, {50, 30}, {20, 50}});
    TFrameCommandResult result = CenterFrameCommand(show, 0);
    QVERIFY(result.Ran && result.Changed && result.RepaintThumbnails);
    QCOMPARE(Positions(show), (QList<QPoint>{{69, 69}, {109, 89}, {79, 109}}));
    QCOMPARE(Centers(show), (QList<QPoint>{{128, 128}, {128, 128}}));

    // Shifts past the square's edge are clamped.
    TLaserFrames edge = Show({{0, 0}, {255, 0}}, {200, 128}, {128, 128});
    CenterFrameCommand(edge, 0);
    QCOMPARE(Positions(edge), (QList<QPoint>{{73, 64}, {255, 64}}));

    TLaserFrames empty = Show({});
    result = CenterFrameCommand(empty, 0);
    QVERIFY(!result.Ran && !result.Changed);
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
    TFakeInput input;
    input.Answers.push_back(answer);
    const TFrameCommandResult result = RotateFrameCommand(show, 0, input.Box());
    QCOMPARE(input.Asked, QStringList{"Enter rotation in degrees | rotate frame | 0"});
    QCOMPARE(Positions(show), expected);
    QCOMPARE(result.Ran, ran);
    QCOMPARE(result.Changed, ran);
    QCOMPARE(result.RepaintThumbnails, ran);
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
    TFakeInput input;
    input.Answers.push_back(answer);
    const TFrameCommandResult result = ScaleFrameCommand(show, 0, input.Box());
    QCOMPARE(input.Asked, QStringList{"Enter scale factor (1=100%) | scale frame | 1"});
    QCOMPARE(Positions(show), expected);
    QCOMPARE(result.Changed, changed);
    QCOMPARE(result.Ran, changed);

    TLaserFrames empty = Show({});
    TFakeInput none;
    QVERIFY(!ScaleFrameCommand(empty, 0, none.Box()).Ran);
    QVERIFY(none.Asked.isEmpty());
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
    TFakeInput input;
    input.Answers.assign(answers.begin(), answers.end());
    const TFrameCommandResult result = SetCentersCommand(show, 0, input.Box());
    QCOMPARE(input.Asked, (QStringList{"Enter new effect center point (x) | effect center | 10",
                                       "Enter new effect center point (y) | effect center | 20",
                                       "Enter new auxiliary center point (x) | auxiliary center | 30",
                                       "Enter new auxiliary center point (y) | auxiliary center | 40"}));
    QCOMPARE(Centers(show), expected);
    QCOMPARE(Positions(show), points);
    QCOMPARE(result.Changed, changed);
    QCOMPARE(result.RepaintThumbnails, result.Ran);
}

void TestFrameTransforms::renumber()
{
    TLaserFrames show = Show({{1, 1}, {2, 2}, {3, 3}});
    show.Frame(0).Points[0].Name = QStringLiteral("start");
    show.Frame(0).Points[2].Name = QStringLiteral("x");
    TFrameCommandResult result = RenumberCommand(show, 0);
    QVERIFY(result.Ran && result.Changed && !result.RepaintThumbnails);
    QCOMPARE(show.Frame(0).Points[0].Name, QStringLiteral("0"));
    QCOMPARE(show.Frame(0).Points[2].Name, QStringLiteral("2"));
    result = RenumberCommand(show, 0);
    QVERIFY(result.Ran && !result.Changed);
}

void TestFrameTransforms::noFrameRunsNothing()
{
    TLaserFrames show = Show({{5, 5}}, {0, 0}, {9, 9});
    TLaserFrames empty;
    for (const TFrameCommandEntry& command : FrameCommandTable()) {
        for (int index : {-1, 1}) {
            TFakeInput input;
            const TFrameCommandResult result = command.Run(show, index, input.Box());
            QVERIFY2(!result.Ran && !result.Changed && result.Message.isEmpty(), command.Component);
            QVERIFY2(input.Asked.isEmpty(), command.Component);
        }
        TFakeInput input;
        QVERIFY2(!command.Run(empty, 0, input.Box()).Ran, command.Component);
        QVERIFY2(input.Asked.isEmpty(), command.Component);
    }
    QCOMPARE(Positions(show), QList<QPoint>{QPoint(5, 5)});
}

void TestFrameTransforms::menuItemRunsItsCommand_data()
{
    // On (20,200) and (60,90), effect centre (100,120), auxiliary centre (30,120):
    // the centre axis is the line y = 120.
    QTest::addColumn<QString>("component");
    QTest::addColumn<TAnswers>("answers");
    QTest::addColumn<QList<QPoint>>("points");
    QTest::addColumn<QList<QPoint>>("centers");
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QString>("firstBox");  // caption of the first input box, empty: none
    const QList<QPoint> start{{20, 200}, {60, 90}}, centers{{100, 120}, {30, 120}};
    const QStringList unnamed{"", ""};
    QTest::newRow("flip at the x-axis") << "miFrameFlipX2" << TAnswers{} << QList<QPoint>{{20, 55}, {60, 165}}
                                        << centers << unnamed << "";
    QTest::newRow("flip at the y-axis") << "miFrameFlipY" << TAnswers{} << QList<QPoint>{{235, 200}, {195, 90}}
                                        << centers << unnamed << "";
    QTest::newRow("flip at the centre axis") << "miFrameFlipD" << TAnswers{} << QList<QPoint>{{20, 40}, {60, 150}}
                                             << centers << unnamed << "";
    QTest::newRow("centre") << "miCenterFrame" << TAnswers{} << QList<QPoint>{{80, 175}, {120, 65}} << centers
                            << unnamed << "";
    QTest::newRow("rotate half a turn") << "miRotateFrame" << TAnswers{"180"} << QList<QPoint>{{110, 40}, {70, 150}}
                                        << centers << unnamed << "Enter rotation in degrees";
    QTest::newRow("scale twice, clamped") << "miScale" << TAnswers{"2"} << QList<QPoint>{{10, 255}, {90, 60}}
                                          << centers << unnamed << "Enter scale factor (1=100%)";
    QTest::newRow("set the centres") << "miSetRotPoint" << TAnswers{"3", "4", "5", "6"} << start
                                     << QList<QPoint>{{3, 4}, {5, 6}} << unnamed << "Enter new effect center point (x)";
    QTest::newRow("renumber") << "miRenum" << TAnswers{} << start << centers << QStringList{"0", "1"} << "";
}

// Each menu item's entry of the command table does what the item says.
void TestFrameTransforms::menuItemRunsItsCommand()
{
    QFETCH(QString, component);
    QFETCH(TAnswers, answers);
    QFETCH(QList<QPoint>, points);
    QFETCH(QList<QPoint>, centers);
    QFETCH(QStringList, names);
    QFETCH(QString, firstBox);
    const TFrameCommandEntry* entry = nullptr;
    for (const TFrameCommandEntry& candidate : FrameCommandTable()) {
        if (component == QLatin1String(candidate.Component)) {
            QVERIFY2(!entry, "the menu item has two entries");
            entry = &candidate;
        }
    }
    QVERIFY(entry);
    TLaserFrames show = Show({{20, 200}, {60, 90}}, {100, 120}, {30, 120});
    TFakeInput input;
    input.Answers.assign(answers.begin(), answers.end());
    const TFrameCommandResult result = entry->Run(show, 0, input.Box());
    QVERIFY(result.Ran && result.Changed);
    QCOMPARE(Positions(show), points);
    QCOMPARE(Centers(show), centers);
    QCOMPARE((QStringList{show.Frame(0).Points[0].Name, show.Frame(0).Points[1].Name}), names);
    QCOMPARE(input.Asked.value(0).section(" | ", 0, 0), firstBox);
    QCOMPARE(input.Asked.size(), int(answers.size()));
}

QTEST_APPLESS_MAIN(TestFrameTransforms)
#include "tst_frametransforms.moc"
