#include "Builders.h"
#include "PadTools.h"
#include "Transforms.h"

#include <QTest>
#include <QtMath>
#include <deque>

namespace {

// Stands in for the main window: records what the tools ask of it.
class TFakeToolHost : public TToolHost {
public:
    TShowDocument Doc;
    TLaserFrames& Frames = Doc.Show();
    int FrameIndex = 0;
    TToolView View;
    bool Busy = false;
    QString Status[2];
    QStringList Log;                          // redraws, busy changes, zooms, prompts, live refreshes
    int Cursor = 0;
    std::optional<std::pair<bool, bool>> PointFlags;
    std::deque<std::optional<QString>> Answers;
    QStringList Asked;                        // caption | prompt | text
    QStringList Warnings;

    TFakeToolHost()
    {
        Frames.Add();
        View.Transform.Zoom = 1;
        View.SnapGrid = false;
    }

    TShowDocument& Document() override { return Doc; }
    int CurrentFrameIndex() const override { return FrameIndex; }
    TToolView ToolView() const override { return View; }
    void SetBusy(bool busy) override
    {
        Busy = busy;
        Log << (busy ? "busy" : "idle");
    }
    void SetStatusText(int panel, const QString& text) override { Status[panel] = text; }
    void RedrawSketchpad() override { Log << (Busy ? "redraw while busy" : "redraw"); }
    void RefreshLiveOutput() override { Log << "live"; }
    void ZoomInAt(int px, int py) override { Log << QStringLiteral("zoom in %1,%2").arg(px).arg(py); }
    void ZoomOut() override { Log << "zoom out"; }
    void SetPadCursor(int cursor) override { Cursor = cursor; }
    void ShowPointFlags(bool sharp, bool blank) override { PointFlags = {sharp, blank}; }
    std::optional<QString> InputText(const QString& caption, const QString& prompt,
                                     const QString& text) override
    {
        Asked << caption + " | " + prompt + " | " + text;
        if (Answers.empty())
            return std::nullopt;
        auto answer = Answers.front();
        Answers.pop_front();
        return answer;
    }
    void Warn(const QString& text) override { Warnings << text; }

    TLaserFrame& Frame() { return Frames.Frame(FrameIndex); }
    int Redraws() const { return int(Log.count("redraw")); }
    bool Modified() const { return Doc.IsModified(); }
    // The names of the steps in the history, oldest first.
    QStringList Steps() const
    {
        QStringList names;
        for (int i = 0; i < Doc.History().count(); ++i)
            names << Doc.History().text(i);
        return names;
    }
};

struct TFixture {
    TFakeToolHost Host;
    TToolState State;
    TPadTools Tools{Host, State};

    TFixture(int tool = ToolMove) { State.Tool = tool; }

    // The pad pixel where frame point (x, y) is drawn, flips included.
    QPoint At(int x, int y) const
    {
        const TPadTransform& t = Host.View.Transform;
        return {t.PadX(x), t.PadY(y)};
    }
    // The pad pixel of unmirrored frame coordinates (x, y).
    QPoint Raw(int x, int y) const
    {
        const TPadTransform& t = Host.View.Transform;
        return {t.PadXUnflipped(x), t.PadYUnflipped(y)};
    }
    void Down(QPoint pos, Qt::MouseButton button = Qt::LeftButton, Qt::KeyboardModifiers mods = {})
    {
        Tools.MouseDown({pos, button, mods});
    }
    void Move(QPoint pos) { Tools.MouseMove({pos, Qt::NoButton, {}}); }
    void Up(QPoint pos) { Tools.MouseUp({pos, Qt::NoButton, {}}); }
    void Click(QPoint pos, Qt::MouseButton button = Qt::LeftButton, Qt::KeyboardModifiers mods = {})
    {
        Down(pos, button, mods);
        Up(pos);
    }
};

QList<QPoint> Positions(const TLaserFrame& frame)
{
    QList<QPoint> result;
    for (const TSmallPoint& p : frame.Points)
        result << QPoint(p.X, p.Y);
    return result;
}

QList<int> SelectionBits(const TLaserFrame& frame)
{
    QList<int> result;
    for (const TSmallPoint& p : frame.Points)
        result << (p.Selection & 1);
    return result;
}

QStringList Names(const TLaserFrame& frame)
{
    QStringList result;
    for (const TSmallPoint& p : frame.Points)
        result << p.Name;
    return result;
}

Qt::MouseButton Button(int code)
{
    return code == 1 ? Qt::LeftButton : code == 2 ? Qt::RightButton : Qt::MiddleButton;
}

} // namespace

class TestPadTools : public QObject {
    Q_OBJECT
private slots:
    void rotateFrame_data();
    void rotateFrame();
    void renumberPoints();
    void makeEquilateral_data();
    void makeEquilateral();
    void makeEquilateralFitsLinksPastFirstFrame();

    void addPoint_data();
    void addPoint();
    void addPointFlipsAndSnap_data();
    void addPointFlipsAndSnap();
    void addPointOutsideSquare();
    void addPointFitsLinksByPosition();
    void deletePoint();
    void deleteWithAltOrRightDoesNothing();
    void pointDrag_data();
    void pointDrag();
    void pointDragWithoutMovementKeepsUndo();
    void picking_data();
    void picking();
    void multiSelection();
    void sharpenAndBlankButtons();
    void pointTypeTool();
    void linkTool();
    void frameMove();
    void frameRotate();
    void frameDragWithoutMovementChangesNothing();
    void centres_data();
    void centres();
    void equilateralTool();
    void zoomTool_data();
    void zoomTool();
    void lockedFrameIgnoresPresses_data();
    void lockedFrameIgnoresPresses();
    void pointerText();
    void toolCursors_data();
    void toolCursors();
    void pointToolsButton();
};

// ---- Transforms

void TestPadTools::rotateFrame_data()
{
    QTest::addColumn<QPoint>("effect");
    QTest::addColumn<QPoint>("aux");
    QTest::addColumn<double>("angle");
    QTest::addColumn<QPoint>("point");
    QTest::addColumn<QPoint>("expected");
    // The rotate dialog passes -n degrees: 90 entered turns counter-clockwise on screen.
    QTest::newRow("dialog 90") << QPoint(128, 128) << QPoint(128, 128) << -M_PI / 2
                               << QPoint(228, 128) << QPoint(128, 28);
    QTest::newRow("drag quarter turn") << QPoint(128, 128) << QPoint(128, 128) << M_PI / 2
                                       << QPoint(228, 128) << QPoint(128, 228);
    QTest::newRow("angle 0 shifts by E - A") << QPoint(100, 100) << QPoint(128, 128) << 0.0
                                             << QPoint(200, 150) << QPoint(172, 122);
    QTest::newRow("clamped") << QPoint(128, 128) << QPoint(128, 128) << M_PI << QPoint(0, 0)
                             << QPoint(255, 255);
    QTest::newRow("point on the centre") << QPoint(50, 60) << QPoint(128, 128) << 1.0
                                         << QPoint(128, 128) << QPoint(50, 60);
}

void TestPadTools::rotateFrame()
{
    QFETCH(QPoint, effect);
    QFETCH(QPoint, aux);
    QFETCH(double, angle);
    QFETCH(QPoint, point);
    QFETCH(QPoint, expected);
    TLaserFrame frame;
    frame.EffectCenterX = effect.x();
    frame.EffectCenterY = effect.y();
    frame.AuxCenterX = aux.x();
    frame.AuxCenterY = aux.y();
    AddNumberedPoint(frame, point.x(), point.y());
    RotateFrame(frame, angle);
    QCOMPARE(Positions(frame), QList<QPoint>{expected});
    QCOMPARE(QPoint(frame.EffectCenterX, frame.EffectCenterY), effect);
}

void TestPadTools::renumberPoints()
{
    TLaserFrame frame;
    for (int i = 0; i < 12; ++i)
        AddNumberedPoint(frame, i, i).Name = QStringLiteral("x");
    RenumberPoints(frame);
    QCOMPARE(frame.Points[0].Name, QStringLiteral("0"));
    QCOMPARE(frame.Points[11].Name, QStringLiteral("11"));
}

void TestPadTools::makeEquilateral_data()
{
    QTest::addColumn<std::optional<QString>>("answer");
    QTest::addColumn<QList<QPoint>>("expected");
    QTest::addColumn<int>("sides");
    QTest::addColumn<bool>("warned");
    const QList<QPoint> square{{228, 128}, {128, 228}, {28, 128}, {128, 28}};
    const QList<QPoint> hexagon{{228, 128}, {178, 215}, {78, 215}, {28, 128}, {78, 41}, {178, 41}};
    const QList<QPoint> kept{{1, 2}, {3, 4}};
    QTest::newRow("four sides") << std::optional<QString>("4") << square << 4 << false;
    QTest::newRow("blanks around") << std::optional<QString>(" 4 ") << square << 4 << false;
    QTest::newRow("cancelled keeps points") << std::optional<QString>() << kept << 6 << false;
    QTest::newRow("not a number: previous count")
        << std::optional<QString>("four") << hexagon << 6 << false;
    QTest::newRow("zero sides") << std::optional<QString>("0") << QList<QPoint>{} << 0 << false;
    QTest::newRow("negative sides") << std::optional<QString>("-3") << QList<QPoint>{} << -3 << false;
    QTest::newRow("too many sides: previous count")
        << std::optional<QString>("2000000000") << hexagon << 6 << true;
}

void TestPadTools::makeEquilateral()
{
    QFETCH(std::optional<QString>, answer);
    QFETCH(QList<QPoint>, expected);
    QFETCH(int, sides);
    QFETCH(bool, warned);
    TLaserFrames show;
    TLaserFrame& frame = show.Add();
    AddNumberedPoint(frame, 1, 2).Name = QStringLiteral("old");
    AddNumberedPoint(frame, 3, 4);
    TEquilateral equilateral;
    equilateral.StartX = 228;
    equilateral.StartY = 128;
    const TEquilateralQuestion question = EquilateralQuestion(equilateral);
    QCOMPARE(question.Caption + " | " + question.Prompt + " | " + question.Default,
             QStringLiteral("Equilateral | Please enter number of sides: | 6"));
    const auto result = MakeEquilateral(show, 0, equilateral, answer);
    QCOMPARE(Positions(frame), expected);
    QCOMPARE(equilateral.Sides, sides);
    QCOMPARE(result == TEquilateralResult::TooManySides, warned);
    for (int i = 0; i < frame.PointCount(); ++i)
        QCOMPARE(frame.Points[i].Name, QString::number(i));
    if (answer && !expected.isEmpty())
        QCOMPARE(frame.Points[0].Selection, quint16(65535));   // new points
}

void TestPadTools::makeEquilateralFitsLinksPastFirstFrame()
{
    TLaserFrames show;
    TLaserFrame& first = show.Add();
    AddNumberedPoint(first, 0, 0);
    AddNumberedPoint(first, 5, 5);
    TLaserFrame& second = show.Add();
    AddNumberedPoint(second, 9, 9);
    second.FitLinks(2);
    second.Links.Set(0, 1, true);
    TEquilateral equilateral;
    equilateral.StartX = 228;
    const std::optional<QString> answer("3");
    QCOMPARE(MakeEquilateral(show, 1, equilateral, answer), TEquilateralResult::Made);
    QCOMPARE(second.Links.Rows(), 3);
    QCOMPARE(second.Links.Cols(), 2);
    QVERIFY(second.Links.Get(0, 1));

    QCOMPARE(MakeEquilateral(show, 0, equilateral, answer), TEquilateralResult::Made);
    QCOMPARE(first.Links.Rows(), 0);  // the first frame has no links to fit
    QCOMPARE(MakeEquilateral(show, 2, equilateral, answer), TEquilateralResult::NoFrame);
}

// ---- Adding, deleting, dragging points

void TestPadTools::addPoint_data()
{
    QTest::addColumn<int>("tool");
    QTest::addColumn<int>("button");     // 1 left, 2 right, 3 middle
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<int>("current");
    QTest::addColumn<QList<int>>("xs");  // X of the points afterwards
    QTest::addColumn<int>("newCurrent");
    const int shift = Qt::ShiftModifier, alt = Qt::AltModifier;
    QTest::newRow("add: after current") << 2 << 1 << 0 << 1 << QList<int>{10, 20, 50, 30} << 2;
    QTest::newRow("add: shift appends") << 2 << 1 << shift << 1 << QList<int>{10, 20, 30, 50} << 3;
    QTest::newRow("add: middle button") << 2 << 3 << 0 << 0 << QList<int>{10, 50, 20, 30} << 1;
    QTest::newRow("add: invalid current appends") << 2 << 1 << 0 << 7 << QList<int>{10, 20, 30, 50} << 3;
    QTest::newRow("add: after last") << 2 << 1 << 0 << 2 << QList<int>{10, 20, 30, 50} << 3;
    QTest::newRow("move: alt-click after current") << 1 << 1 << alt << 0 << QList<int>{10, 50, 20, 30} << 1;
    QTest::newRow("move: shift-alt-click appends") << 1 << 1 << shift + alt << 0 << QList<int>{10, 20, 30, 50} << 3;
    QTest::newRow("move: right click") << 1 << 2 << 0 << 1 << QList<int>{10, 20, 50, 30} << 2;
    QTest::newRow("move: middle with alt") << 1 << 3 << alt << 1 << QList<int>{10, 20, 50, 30} << 2;
}

void TestPadTools::addPoint()
{
    QFETCH(int, tool);
    QFETCH(int, button);
    QFETCH(int, modifiers);
    QFETCH(int, current);
    QFETCH(QList<int>, xs);
    QFETCH(int, newCurrent);
    TFixture f(tool);
    for (int x : {10, 20, 30})
        AddNumberedPoint(f.Host.Frame(), x, 100);
    f.State.CurrentPoint = current;
    f.Click(f.Raw(50, 60), Button(button), Qt::KeyboardModifiers(modifiers));

    const TLaserFrame& frame = f.Host.Frame();
    QList<int> gotXs;
    for (const TSmallPoint& p : frame.Points)
        gotXs << p.X;
    QCOMPARE(gotXs, xs);
    QCOMPARE(f.State.CurrentPoint, newCurrent);
    QCOMPARE(frame.Points[newCurrent].Y, quint8(60));
    QCOMPARE(frame.Points[newCurrent].Selection, quint16(65535));
    QCOMPARE(Names(frame), (QStringList{"0", "1", "2", "3"}));
    QCOMPARE(f.Host.Steps(), QStringList{"Add point"});
    QVERIFY(f.Host.Modified());
    QCOMPARE(f.Host.Log, (QStringList{"busy", "idle", "redraw", "live"}));

    // Undo takes the point out again.
    f.Host.Doc.Undo();
    QCOMPARE(Positions(frame), (QList<QPoint>{{10, 100}, {20, 100}, {30, 100}}));
    QVERIFY(!f.Host.Modified());
}

void TestPadTools::addPointFlipsAndSnap_data()
{
    QTest::addColumn<bool>("flipX");
    QTest::addColumn<bool>("flipY");
    QTest::addColumn<bool>("snap");
    QTest::addColumn<QPoint>("expected");
    // The click is at unmirrored (10, 20); mirroring for the model is at 255.
    QTest::newRow("plain") << false << false << false << QPoint(10, 20);
    QTest::newRow("flip Y") << false << true << false << QPoint(245, 20);
    QTest::newRow("flip X") << true << false << false << QPoint(10, 235);
    QTest::newRow("snap") << false << false << true << QPoint(16, 16);
    QTest::newRow("snap before mirroring") << false << true << true << QPoint(239, 16);
    QTest::newRow("both flips and snap") << true << true << true << QPoint(239, 239);
}

void TestPadTools::addPointFlipsAndSnap()
{
    QFETCH(bool, flipX);
    QFETCH(bool, flipY);
    QFETCH(bool, snap);
    QFETCH(QPoint, expected);
    TFixture f(ToolAdd);
    f.Host.View.Transform.Zoom = 2;
    f.Host.View.Transform.ScrollX = 6;
    f.Host.View.Transform.FlipX = flipX;
    f.Host.View.Transform.FlipY = flipY;
    f.Host.View.SnapGrid = snap;
    f.Click(f.Raw(10, 20) + QPoint(1, 1));
    QCOMPARE(Positions(f.Host.Frame()), QList<QPoint>{expected});
}

void TestPadTools::addPointOutsideSquare()
{
    TFixture f(ToolAdd);
    f.Click(f.Raw(256, 10));
    f.Click(f.Raw(10, 300));
    QCOMPARE(f.Host.Frame().PointCount(), 0);
    // Nothing changed, so there is nothing to save or undo.
    QVERIFY(!f.Host.Modified());
    QVERIFY(f.Host.Steps().isEmpty());
}

void TestPadTools::addPointFitsLinksByPosition()
{
    TFixture f(ToolAdd);
    TLaserFrame& first = f.Host.Frame();
    for (int x : {1, 2, 3})
        AddNumberedPoint(first, x, x);
    TLaserFrame& second = f.Host.Frames.Add();
    AddNumberedPoint(second, 100, 100);
    AddNumberedPoint(second, 110, 100);
    second.FitLinks(3);
    second.Links.Set(0, 0, true);
    second.Links.Set(1, 2, true);
    f.Host.FrameIndex = 1;
    f.State.CurrentPoint = 0;
    f.Click(f.Raw(200, 200));

    QCOMPARE(second.PointCount(), 3);
    QCOMPARE(second.Links.Rows(), 3);
    QCOMPARE(second.Links.Cols(), 3);
    // Rows stay where they were although the point went in at index 1.
    QVERIFY(second.Links.Get(0, 0));
    QVERIFY(second.Links.Get(1, 2));
    QVERIFY(!second.Links.AnyInRow(2));

    // The first frame's matrix is left alone.
    f.Host.FrameIndex = 0;
    f.Click(f.Raw(200, 200));
    QCOMPARE(first.PointCount(), 4);
    QCOMPARE(first.Links.Rows(), 0);
}

void TestPadTools::deletePoint()
{
    TFixture f(ToolDelete);
    f.Host.View.Transform.Zoom = 2;
    TLaserFrame& frame = f.Host.Frame();
    AddNumberedPoint(frame, 10, 100);
    AddNumberedPoint(frame, 20, 100, TSmallPoint::FlagBlank).Name = QStringLiteral("keep");
    AddNumberedPoint(frame, 20, 100);   // under the pointer as well
    AddNumberedPoint(frame, 30, 100);
    frame.FitLinks(0);
    f.Click(f.At(20, 100) + QPoint(2, -2));

    QCOMPARE(Positions(frame), (QList<QPoint>{{10, 100}, {20, 100}, {30, 100}}));
    QCOMPARE(f.Host.Steps(), QStringList{"Delete point"});
    QCOMPARE(f.State.CurrentPoint, 1);
    QCOMPARE(f.Host.Status[1], QStringLiteral("Point: 1 (20/100)"));
    QCOMPARE(f.Host.PointFlags, (std::optional<std::pair<bool, bool>>({false, true})));
    QCOMPARE(frame.Links.Rows(), 4);   // deleting leaves the matrix as it was
    QVERIFY(f.Host.Modified());

    // Undo brings the point back with its name and flags.
    f.Host.Doc.Undo();
    QCOMPARE(frame.PointCount(), 4);
    QCOMPARE(frame.Points[1].Name, QStringLiteral("keep"));
    QCOMPARE(frame.Points[1].Flags, quint16(TSmallPoint::FlagBlank));
}

void TestPadTools::deleteWithAltOrRightDoesNothing()
{
    TFixture f(ToolDelete);
    AddNumberedPoint(f.Host.Frame(), 20, 100);
    f.Click(f.At(20, 100), Qt::LeftButton, Qt::AltModifier);
    f.Click(f.At(20, 100), Qt::RightButton);
    QCOMPARE(f.Host.Frame().PointCount(), 1);
    QVERIFY(!f.Host.Modified());
}

void TestPadTools::pointDrag_data()
{
    QTest::addColumn<bool>("flipX");
    QTest::addColumn<bool>("flipY");
    QTest::addColumn<bool>("snap");
    QTest::addColumn<QPoint>("target");   // unmirrored frame coordinates of the pointer
    QTest::addColumn<QPoint>("expected");
    QTest::newRow("plain") << false << false << false << QPoint(10, 20) << QPoint(10, 20);
    QTest::newRow("flip Y mirrors at 256") << false << true << false << QPoint(10, 20) << QPoint(246, 20);
    QTest::newRow("flip X") << true << false << false << QPoint(10, 20) << QPoint(10, 236);
    QTest::newRow("snap") << false << false << true << QPoint(10, 20) << QPoint(16, 16);
    QTest::newRow("mirror before snapping") << false << true << true << QPoint(10, 20) << QPoint(240, 16);
    QTest::newRow("flip Y at 0 wraps") << false << true << false << QPoint(0, 5) << QPoint(0, 5);
    QTest::newRow("beyond the square wraps") << false << false << false << QPoint(300, 256) << QPoint(44, 0);
}

void TestPadTools::pointDrag()
{
    QFETCH(bool, flipX);
    QFETCH(bool, flipY);
    QFETCH(bool, snap);
    QFETCH(QPoint, target);
    QFETCH(QPoint, expected);
    for (bool withoutRedraw : {false, true}) {
        TFixture f(ToolMove);
        f.Host.View.Transform.FlipX = flipX;
        f.Host.View.Transform.FlipY = flipY;
        f.Host.View.SnapGrid = snap;
        f.Host.View.MoveWithoutRedraw = withoutRedraw;
        AddNumberedPoint(f.Host.Frame(), 50, 50);
        AddNumberedPoint(f.Host.Frame(), 100, 120);
        f.Down(f.At(100, 120));
        QCOMPARE(f.State.DragMode, int(DragPoint));
        QCOMPARE(f.State.CurrentPoint, 1);
        f.Host.Log.clear();
        f.Move(f.Raw(target.x(), target.y()));

        const TSmallPoint& p = f.Host.Frame().Points[1];
        QCOMPARE(QPoint(p.X, p.Y), expected);
        QCOMPARE(f.Host.Status[1], QStringLiteral("Point: %1/%2").arg(expected.x()).arg(expected.y()));
        QCOMPARE(f.Host.Status[0], QStringLiteral("X:%1  Y:%2").arg(target.x()).arg(target.y()));
        QCOMPARE(f.Host.Redraws(), withoutRedraw ? 0 : 1);
        QVERIFY(f.Host.Steps().isEmpty());   // the step is made by the release

        f.Up(f.Raw(target.x(), target.y()));
        QCOMPARE(f.State.DragMode, int(DragNone));
        QCOMPARE(f.Host.Redraws(), 1);
        QCOMPARE(f.Host.Log.last(), QStringLiteral("live"));
        QVERIFY(f.Host.Modified());
        QCOMPARE(f.Host.Steps(), QStringList{"Move points"});
        f.Host.Doc.Undo();
        QCOMPARE(QPoint(p.X, p.Y), QPoint(100, 120));
    }
}

void TestPadTools::pointDragWithoutMovementKeepsUndo()
{
    TFixture f(ToolAdd);
    AddNumberedPoint(f.Host.Frame(), 10, 10);
    AddNumberedPoint(f.Host.Frame(), 100, 100);
    f.State.CurrentPoint = 1;
    f.Click(f.Raw(200, 200));   // appended as point 2
    f.State.Tool = ToolMove;
    f.Click(f.At(10, 10));      // a plain click, no drag
    QCOMPARE(f.State.CurrentPoint, 0);
    // The click made no step: undo still takes the added point out.
    QCOMPARE(f.Host.Steps(), QStringList{"Add point"});
    f.Host.Doc.Undo();
    QCOMPARE(Positions(f.Host.Frame()), (QList<QPoint>{{10, 10}, {100, 100}}));
}

// ---- Picking and selection

void TestPadTools::picking_data()
{
    QTest::addColumn<bool>("flipX");
    QTest::addColumn<bool>("flipY");
    QTest::addColumn<QPoint>("offset");   // from the point's drawn position
    QTest::addColumn<bool>("drawn");      // offset from the drawn (flipped) position, else the raw one
    QTest::addColumn<bool>("hit");
    QTest::newRow("on the point") << false << false << QPoint(0, 0) << true << true;
    QTest::newRow("inside the box") << false << false << QPoint(5, -5) << true << true;
    QTest::newRow("box edge x") << false << false << QPoint(6, 0) << true << false;
    QTest::newRow("box edge y") << false << false << QPoint(0, -6) << true << false;
    QTest::newRow("flip Y: drawn position") << false << true << QPoint(3, 3) << true << true;
    QTest::newRow("flip Y: raw position misses") << false << true << QPoint(0, 0) << false << false;
    QTest::newRow("flip X: drawn position") << true << false << QPoint(-5, 5) << true << true;
    QTest::newRow("flip X: raw position misses") << true << false << QPoint(0, 0) << false << false;
    QTest::newRow("both flips") << true << true << QPoint(0, 0) << true << true;
}

void TestPadTools::picking()
{
    QFETCH(bool, flipX);
    QFETCH(bool, flipY);
    QFETCH(QPoint, offset);
    QFETCH(bool, drawn);
    QFETCH(bool, hit);
    TFixture f(ToolAdd);   // right click picks without side effects
    TPadTransform& t = f.Host.View.Transform;
    t.Zoom = 2;
    t.ScrollX = 40;
    t.ScrollY = 30;
    t.FlipX = flipX;
    t.FlipY = flipY;
    AddNumberedPoint(f.Host.Frame(), 0, 0);
    AddNumberedPoint(f.Host.Frame(), 60, 90);
    f.State.CurrentPoint = 0;
    f.Click((drawn ? f.At(60, 90) : f.Raw(60, 90)) + offset, Qt::RightButton);
    QCOMPARE(f.State.CurrentPoint, hit ? 1 : 0);
    QCOMPARE(f.Host.Status[1], hit ? QStringLiteral("Point: 1 (60/90)") : QString());
}

void TestPadTools::multiSelection()
{
    TFixture f(ToolMove);
    for (int x : {10, 50, 90})
        AddNumberedPoint(f.Host.Frame(), x, 100).Selection = 65535;   // as new points have
    f.State.CurrentPoint = 2;
    for (int x : {10, 50, 90}) {
        f.Down(f.At(x, 100), Qt::LeftButton, Qt::ShiftModifier);
        QVERIFY(f.State.DragMode != DragPoint);
        f.Move(f.At(x + 20, 120));
        f.Up(f.At(x + 20, 120));
    }
    QVERIFY(f.State.MultiSelect);
    QCOMPARE(SelectionBits(f.Host.Frame()), (QList<int>{1, 1, 1}));
    QCOMPARE(Positions(f.Host.Frame()), (QList<QPoint>{{10, 100}, {50, 100}, {90, 100}}));
    QCOMPARE(f.State.CurrentPoint, 2);

    // Shift-clicking again takes a point out.
    f.Click(f.At(50, 100), Qt::LeftButton, Qt::ShiftModifier);
    QCOMPARE(SelectionBits(f.Host.Frame()), (QList<int>{1, 0, 1}));

    // A click on nothing changes nothing.
    f.Click(f.At(200, 200));
    QVERIFY(f.State.MultiSelect);
    QCOMPARE(SelectionBits(f.Host.Frame()), (QList<int>{1, 0, 1}));

    // A plain click on a point ends the selection and makes that point current.
    f.Click(f.At(50, 100));
    QVERIFY(!f.State.MultiSelect);
    QCOMPARE(SelectionBits(f.Host.Frame()), (QList<int>{0, 0, 0}));
    QCOMPARE(f.State.CurrentPoint, 1);
}

void TestPadTools::sharpenAndBlankButtons()
{
    TFixture f(ToolMove);
    for (int x : {10, 50, 90})
        AddNumberedPoint(f.Host.Frame(), x, 100);
    f.State.CurrentPoint = 1;
    f.Tools.ToggleSelectedFlag(TSmallPoint::FlagSharp);
    QCOMPARE(f.Host.Frame().Points[1].Flags, quint16(TSmallPoint::FlagSharp));
    QVERIFY(f.Host.Modified());

    // A multi-selection toggles its members, including new points (all selection bits set).
    f.Click(f.At(10, 100), Qt::LeftButton, Qt::ShiftModifier);
    f.Host.Frame().Points[2].Selection = 65535;
    f.Tools.ToggleSelectedFlag(TSmallPoint::FlagBlank);
    QList<int> flags;
    for (const TSmallPoint& p : f.Host.Frame().Points)
        flags << p.Flags;
    QCOMPARE(flags, (QList<int>{TSmallPoint::FlagBlank, TSmallPoint::FlagSharp, TSmallPoint::FlagBlank}));
}

void TestPadTools::pointTypeTool()
{
    TFixture f(ToolPointType);
    AddNumberedPoint(f.Host.Frame(), 40, 40, TSmallPoint::FlagBlank);
    f.Click(f.At(40, 40), Qt::LeftButton);
    QCOMPARE(f.Host.Frame().Points[0].Flags, quint16(TSmallPoint::FlagSharp | TSmallPoint::FlagBlank));
    QCOMPARE(f.Host.PointFlags, (std::optional<std::pair<bool, bool>>({true, true})));
    f.Click(f.At(40, 40), Qt::RightButton);
    QCOMPARE(f.Host.Frame().Points[0].Flags, quint16(TSmallPoint::FlagSharp));
    QCOMPARE(f.Host.PointFlags, (std::optional<std::pair<bool, bool>>({true, false})));
    QVERIFY(f.Host.Modified());
}

void TestPadTools::linkTool()
{
    TFixture f(ToolLink);
    TLaserFrame& previous = f.Host.Frame();
    AddNumberedPoint(previous, 10, 10);
    AddNumberedPoint(previous, 10, 10);   // overlaps point 0
    AddNumberedPoint(previous, 60, 60);
    TLaserFrame& frame = f.Host.Frames.Add();
    AddNumberedPoint(frame, 100, 100);
    AddNumberedPoint(frame, 200, 200);
    frame.FitLinks(3);
    f.Host.FrameIndex = 1;

    f.Click(f.At(200, 200), Qt::LeftButton);   // select the point to link
    QCOMPARE(f.State.CurrentPoint, 1);
    QVERIFY(!f.Host.Modified());
    f.Click(f.At(10, 10), Qt::RightButton);
    QVERIFY(frame.Links.Get(1, 0));
    QVERIFY(!frame.Links.Get(1, 1));           // only the first hit
    QVERIFY(f.Host.Modified());
    f.Click(f.At(10, 10), Qt::RightButton);
    QVERIFY(!frame.Links.AnyInRow(1));         // twice removes it again

    // No row for the current point: nothing, and the matrix keeps its size.
    f.State.CurrentPoint = 5;
    f.Click(f.At(60, 60), Qt::RightButton);
    QCOMPARE(frame.Links.Rows(), 2);
    QVERIFY(!frame.Links.AnyInColumn(2));

    // On the first frame there is nothing to link to.
    f.Host.FrameIndex = 0;
    f.Host.Doc.MarkSaved();
    f.Click(f.At(10, 10), Qt::RightButton);
    QVERIFY(!f.Host.Modified());
}

// ---- Frame drags and centres

void TestPadTools::frameMove()
{
    TFixture f(ToolMoveRotate);
    f.Host.View.Transform.FlipY = true;   // frame drags ignore the flips
    TLaserFrame& frame = f.Host.Frame();
    AddNumberedPoint(frame, 10, 10);
    AddNumberedPoint(frame, 250, 100);
    f.Down(f.Raw(100, 100), Qt::LeftButton);
    QCOMPARE(f.State.DragMode, int(DragMove));
    QVERIFY(DragGuideLines(f.State, frame, f.Host.View.Transform).empty());
    f.Move(f.Raw(110, 80));
    QCOMPARE(f.Host.Status[1], QStringLiteral("dX:10 dY:20"));   // dY positive upwards
    QCOMPARE(QPoint(f.State.DragEndX, f.State.DragEndY), QPoint(110, 80));
    const auto lines = DragGuideLines(f.State, frame, f.Host.View.Transform);
    QCOMPARE(int(lines.size()), 1);
    QCOMPARE(lines[0].From, f.At(100, 100));
    QCOMPARE(lines[0].To, f.Raw(110, 80));
    QVERIFY(lines[0].Style == TGuideStyle::Dotted);
    QVERIFY(!f.Host.Modified());

    f.Up(f.Raw(110, 80));
    QCOMPARE(Positions(frame), (QList<QPoint>{{20, 0}, {255, 80}}));
    QCOMPARE(QPoint(frame.EffectCenterX, frame.EffectCenterY), QPoint(128, 128));
    QVERIFY(f.Host.Modified());
    QCOMPARE(f.State.DragMode, int(DragNone));
    QVERIFY(DragGuideLines(f.State, frame, f.Host.View.Transform).empty());
}

void TestPadTools::frameRotate()
{
    TFixture f(ToolMoveRotate);
    TLaserFrame& frame = f.Host.Frame();
    AddNumberedPoint(frame, 228, 128);
    f.Down(f.Raw(228, 128), Qt::RightButton);
    QCOMPARE(f.State.DragMode, int(DragRotate));
    f.Move(f.Raw(128, 228));   // a quarter turn clockwise on screen
    QCOMPARE(f.Host.Status[1], QStringLiteral("90") + QChar(0x00B0));
    const auto lines = DragGuideLines(f.State, frame, f.Host.View.Transform);
    QCOMPARE(int(lines.size()), 2);
    QCOMPARE(lines[0].From, f.At(128, 128));
    QCOMPARE(lines[0].To, f.At(228, 128));
    QVERIFY(lines[0].Style == TGuideStyle::Solid);
    QCOMPARE(lines[1].To, f.Raw(128, 228));
    QVERIFY(lines[1].Style == TGuideStyle::Dashed);
    f.Up(f.Raw(128, 228));
    QCOMPARE(Positions(frame), QList<QPoint>{QPoint(128, 228)});
    QVERIFY(f.Host.Modified());

    // Back across direction 0 the difference turns negative.
    f.Down(f.Raw(128, 228), Qt::RightButton);
    f.Move(f.Raw(228, 128));
    QCOMPARE(f.Host.Status[1], QStringLiteral("-90") + QChar(0x00B0));
}

void TestPadTools::frameDragWithoutMovementChangesNothing()
{
    TFixture f(ToolMoveRotate);
    TLaserFrame& frame = f.Host.Frame();
    frame.EffectCenterX = 100;   // a rotation by 0 would still shift the frame
    AddNumberedPoint(frame, 50, 60);
    // An earlier drag leaves its end behind.
    f.Down(f.Raw(10, 10), Qt::LeftButton);
    f.Move(f.Raw(20, 20));
    f.Up(f.Raw(20, 20));
    const QList<QPoint> before = Positions(frame);
    f.Host.Doc.MarkSaved();
    f.Click(f.Raw(100, 100), Qt::LeftButton);
    f.Click(f.Raw(100, 100), Qt::RightButton);
    QCOMPARE(Positions(frame), before);
    QVERIFY(!f.Host.Modified());
}

void TestPadTools::centres_data()
{
    QTest::addColumn<int>("tool");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<bool>("snap");
    QTest::addColumn<QPoint>("pointer");
    QTest::addColumn<QPoint>("effect");   // after a left click
    QTest::addColumn<QPoint>("aux");      // after a right click
    const QPoint unchanged(128, 128);
    QTest::newRow("centre tool") << 8 << 0 << false << QPoint(30, 250) << QPoint(30, 250) << QPoint(30, 250);
    QTest::newRow("snapped") << 8 << 0 << true << QPoint(30, 250) << QPoint(32, 255) << QPoint(32, 255);
    QTest::newRow("move tool with alt") << 7 << int(Qt::AltModifier) << false << QPoint(5, 6)
                                        << QPoint(5, 6) << QPoint(5, 6);
    QTest::newRow("beside the square") << 8 << 0 << false << QPoint(300, 6) << unchanged << unchanged;
}

void TestPadTools::centres()
{
    QFETCH(int, tool);
    QFETCH(int, modifiers);
    QFETCH(bool, snap);
    QFETCH(QPoint, pointer);
    QFETCH(QPoint, effect);
    QFETCH(QPoint, aux);
    TFixture f(tool);
    f.Host.View.SnapGrid = snap;
    f.Host.View.Transform.FlipX = true;   // centres are unmirrored
    const TLaserFrame& frame = f.Host.Frame();
    f.Click(f.Raw(pointer.x(), pointer.y()), Qt::LeftButton, Qt::KeyboardModifiers(modifiers));
    QCOMPARE(QPoint(frame.EffectCenterX, frame.EffectCenterY), effect);
    QCOMPARE(QPoint(frame.AuxCenterX, frame.AuxCenterY), QPoint(128, 128));
    f.Click(f.Raw(pointer.x(), pointer.y()), Qt::RightButton, Qt::KeyboardModifiers(modifiers));
    QCOMPARE(QPoint(frame.AuxCenterX, frame.AuxCenterY), aux);
    QCOMPARE(f.State.DragMode, int(DragNone));
    // The centres are saved with the show: each click that moved one is a step.
    const bool moved = effect != QPoint(128, 128);
    QCOMPARE(f.Host.Modified(), moved);
    QCOMPARE(f.Host.Steps().size(), moved ? 2 : 0);
}

void TestPadTools::equilateralTool()
{
    TFixture f(ToolEquilateral);
    f.Host.View.SnapGrid = true;   // no snapping for this tool
    f.Host.View.Transform.FlipY = true;
    AddNumberedPoint(f.Host.Frame(), 1, 1);
    f.Click(f.Raw(127, 127));
    QCOMPARE(QPoint(f.State.Equilateral.CenterX, f.State.Equilateral.CenterY), QPoint(127, 127));
    QVERIFY(!f.State.Equilateral.HideCenter);
    QVERIFY(!f.Host.Modified());

    f.Host.Answers.push_back(QStringLiteral("4"));
    f.Host.Log.clear();
    f.Click(f.Raw(227, 127), Qt::RightButton);
    QCOMPARE(f.Host.Asked, QStringList{"Equilateral | Please enter number of sides: | 6"});
    QVERIFY(f.State.Equilateral.HideCenter);
    QCOMPARE(f.State.Equilateral.Sides, 4);
    QCOMPARE(Positions(f.Host.Frame()),
             (QList<QPoint>{{227, 127}, {127, 227}, {27, 127}, {127, 27}}));
    QVERIFY(f.Host.Modified());
    QCOMPARE(f.Host.Log, (QStringList{"busy", "redraw while busy", "idle", "redraw", "live"}));

    // Too many sides: a warning, and the count in force is kept.
    f.Host.Answers.push_back(QStringLiteral("70000"));
    f.Click(f.Raw(227, 127), Qt::RightButton);
    QCOMPARE(f.Host.Warnings.size(), 1);
    QCOMPARE(f.Host.Frame().PointCount(), 4);
}

// ---- Zoom, lock, status and tool data

void TestPadTools::zoomTool_data()
{
    QTest::addColumn<int>("zoom");
    QTest::addColumn<int>("button");
    QTest::addColumn<QStringList>("calls");
    QTest::newRow("left zooms in at the pointer") << 2 << 1 << QStringList{"zoom in 33,44"};
    QTest::newRow("left at 8") << 8 << 1 << QStringList{};
    QTest::newRow("right zooms out") << 2 << 2 << QStringList{"zoom out"};
    QTest::newRow("right at 1") << 1 << 2 << QStringList{};
    QTest::newRow("middle") << 2 << 3 << QStringList{};
}

void TestPadTools::zoomTool()
{
    QFETCH(int, zoom);
    QFETCH(int, button);
    QFETCH(QStringList, calls);
    TFixture f(ToolZoom);
    f.Host.View.Transform.Zoom = zoom;
    f.Down(QPoint(33, 44), Button(button));
    QCOMPARE(f.Host.Log, QStringList("busy") + calls + QStringList({"idle", "redraw"}));
}

void TestPadTools::lockedFrameIgnoresPresses_data()
{
    QTest::addColumn<int>("tool");
    QTest::addColumn<int>("button");
    QTest::addColumn<int>("modifiers");
    for (int tool = 1; tool <= 9; ++tool) {
        for (int button : {1, 2}) {
            QTest::addRow("tool %d button %d", tool, button) << tool << button << 0;
            QTest::addRow("tool %d button %d alt", tool, button) << tool << button << int(Qt::AltModifier);
        }
    }
}

void TestPadTools::lockedFrameIgnoresPresses()
{
    QFETCH(int, tool);
    QFETCH(int, button);
    QFETCH(int, modifiers);
    TFixture f(tool);
    TLaserFrame& previous = f.Host.Frame();
    AddNumberedPoint(previous, 60, 60);
    TLaserFrame& frame = f.Host.Frames.Add();
    AddNumberedPoint(frame, 60, 60);
    frame.FitLinks(1);
    frame.Flags = TLaserFrame::FlagLocked;
    f.Host.FrameIndex = 1;
    f.Host.Answers.push_back(QStringLiteral("3"));
    TLaserFrame before;
    before.CopyFrom(frame);
    const TToolState stateBefore = f.State;

    f.Down(f.At(60, 60), Button(button), Qt::KeyboardModifiers(modifiers));
    f.Move(f.At(90, 20));
    QCOMPARE(f.State.DragMode, stateBefore.DragMode);
    f.Up(f.At(90, 20));

    QCOMPARE(Positions(frame), Positions(before));
    QCOMPARE(frame.Points[0].Flags, before.Points[0].Flags);
    QCOMPARE(frame.Points[0].Selection, before.Points[0].Selection);
    QVERIFY(frame.Links == before.Links);
    QCOMPARE(QPoint(frame.EffectCenterX, frame.AuxCenterX), QPoint(before.EffectCenterX, before.AuxCenterX));
    QVERIFY(f.Host.Steps().isEmpty());
    QCOMPARE(f.State.CurrentPoint, stateBefore.CurrentPoint);
    QCOMPARE(f.State.Equilateral.HideCenter, stateBefore.Equilateral.HideCenter);
    QVERIFY(!f.Host.Modified());
    QVERIFY(f.Host.Asked.isEmpty());
    QCOMPARE(f.Host.Log, QStringList{"live"});   // only the mouse-up's live refresh
}

void TestPadTools::pointerText()
{
    TFixture f;
    TPadTransform& t = f.Host.View.Transform;
    t.Zoom = 3;
    t.ScrollX = 30;
    t.ScrollY = 3;
    t.FlipX = t.FlipY = true;   // panel 0 shows unmirrored coordinates
    f.Move(QPoint(5, 9));
    QCOMPARE(f.Host.Status[0], QStringLiteral("X:11  Y:4"));
    QVERIFY(f.Host.Log.isEmpty());
}

void TestPadTools::toolCursors_data()
{
    QTest::addColumn<int>("tool");
    QTest::addColumn<int>("cursor");
    const int cursors[] = {1, 2, 3, 6, 4, 5, 7, 8, 1};
    for (int tool = 1; tool <= 9; ++tool)
        QTest::addRow("tool %d", tool) << tool << cursors[tool - 1];
}

void TestPadTools::toolCursors()
{
    QFETCH(int, tool);
    QFETCH(int, cursor);
    TFixture f;
    f.Tools.SelectTool(tool);
    QCOMPARE(f.State.Tool, tool);
    QCOMPARE(f.Host.Cursor, cursor);
    QCOMPARE(ToolInfo(tool).Tool, tool);
}

void TestPadTools::pointToolsButton()
{
    TPointToolsButton button;
    QCOMPARE(button.Hint, QStringLiteral("&Sharpen edges && blank lines"));
    QCOMPARE(button.ClickTool(), int(ToolPointType));
    QCOMPARE(button.Choose(2), int(ToolMoveRotate));
    QCOMPARE(button.Image, 6);
    QCOMPARE(button.Hint, QStringLiteral("Move (left) or rotate (right) the frame"));
    QCOMPARE(button.Choose(3), int(ToolCenters));
    QCOMPARE(button.Hint, QStringLiteral("Set the effect (left button) and auxiliary (right) center points"));
    QCOMPARE(button.Choose(1), int(ToolLink));
    QCOMPARE(button.Hint, QString());
    QCOMPARE(button.Choose(0), int(ToolPointType));
    QCOMPARE(button.Hint, QString());
    QCOMPARE(PointToolForImage(3), 0);
    TGeoButton geo;
    QCOMPARE(geo.ClickTool(), int(ToolEquilateral));
}

QTEST_GUILESS_MAIN(TestPadTools)
#include "tst_padtools.moc"
