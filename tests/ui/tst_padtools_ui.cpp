// The sketchpad tools as the user reaches them: mouse events on the pad of a real main
// window, the tool buttons and menus, the keys and the wheel. The gestures' rules are
// proven in tst_padtools; these cases prove the wiring.
#include "Builders.h"
#include "Artwork.h"
#include "FormUnitMain.h"
#include "MainWindowFixture.h"
#include "ScriptedPrompts.h"
#include "SettingsStore.h"
#include "ShowFile.h"

#include <QApplication>
#include <QLabel>
#include <QScrollBar>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QWheelEvent>
#include <functional>

using TPoints = QList<QPoint>;   // a frame's points, frame coordinates

// Calls OnPaint whenever the watched widget is painted.
class TPaintSpy : public QObject {
public:
    std::function<void()> OnPaint;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint && OnPaint)
            OnPaint();
        return false;
    }
};
Q_DECLARE_METATYPE(Qt::MouseButton)
Q_DECLARE_METATYPE(Qt::KeyboardModifiers)

class TestPadToolsUi : public QObject, protected TMainWindowFixture {
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void shiftClickSelectsAndSharpenButtonFollows();
    void addGestures_data();
    void addGestures();
    void flippedAddAndDrag_data();
    void flippedAddAndDrag();
    void deleteRemovesFirstHitOnly();
    void moveWithoutRedraw();
    void quarterTurnShowsAngle();
    void frameMoveClampsAtEdge();
    void linkToggledTwiceIsGone();
    void lockedFrameIgnoresClicks();
    void zoomKeysAndWheel();
    void toolControls_data();
    void toolControls();
    void pointerPositionWithoutButton();
    void pointStatusGoesWithItsPoint();

private:
    void Start(bool snap = false, bool flipY = false);
    void OpenShow(const QList<TPoints>& frames);
    QWidget* Pad() const { return Inside().Sketchpad->pad; }
    TLaserFrame& Frame() const { return Form->Show().Frame(Form->CurrentFrameIndex()); }
    // The pad pixel where frame point (x, y) is drawn, flips included.
    QPoint At(int x, int y) const { return {Inside().PadTransform().PadX(x), Inside().PadTransform().PadY(y)}; }
    // The pad pixel of unmirrored frame coordinates (x, y).
    QPoint Raw(int x, int y) const
    {
        const TPadTransform t = Inside().PadTransform();
        return {t.PadXUnflipped(x), t.PadYUnflipped(y)};
    }
    void Click(QPoint at, Qt::MouseButton button = Qt::LeftButton, Qt::KeyboardModifiers mods = {});
    void Drag(QPoint from, QPoint to, Qt::MouseButton button = Qt::LeftButton);
    QString Panel(int n) const { return (n == 0 ? Inside().sbFramePos : Inside().sbFrameMessage)->text(); }
    bool NoUnexpectedPrompts() const { return Prompts->Unexpected.isEmpty() && Prompts->AllAnswered(); }

};

// "Point: 4 (192/64)" stays while point 4 is there as it was: a changed flag keeps it;
// deleting the point, undoing the step that added it, or moving it takes it back.
void TestPadToolsUi::pointStatusGoesWithItsPoint()
{
    Start();
    OpenShow({{{20, 20}, {60, 20}, {100, 20}, {140, 20}, {192, 64}}});
    Click(At(192, 64));
    QCOMPARE(Panel(1), QStringLiteral("Point: 4 (192/64)"));
    Ui().sbBlank->click();
    QVERIFY(Frame().Points[4].IsBlank());
    QCOMPARE(Panel(1), QStringLiteral("Point: 4 (192/64)"));
    QTest::keyClick(Pad(), Qt::Key_Delete);
    QCOMPARE(Frame().PointCount(), 4);
    QCOMPARE(Panel(1), QString());

    // A point added, then picked: undoing the addition takes its line back.
    Ui().miUndo->trigger();
    Ui().miUndo->trigger();
    Ui().aToolAdd->trigger();
    Click(Raw(200, 200), Qt::LeftButton, Qt::ShiftModifier);
    QCOMPARE(Frame().PointCount(), 6);
    Click(At(200, 200), Qt::RightButton);
    QCOMPARE(Panel(1), QStringLiteral("Point: 5 (200/200)"));
    Ui().miUndo->trigger();
    QCOMPARE(Frame().PointCount(), 5);
    QCOMPARE(Panel(1), QString());

    // A transform that moves the point takes its line back too.
    Ui().aToolMove->trigger();
    Click(At(60, 20));
    QCOMPARE(Panel(1), QStringLiteral("Point: 1 (60/20)"));
    Ui().miFrameFlipY->trigger();
    QCOMPARE(Panel(1), QString());
    QVERIFY(NoUnexpectedPrompts());
}

// --- fixture -----------------------------------------------------------------------------------

void TestPadToolsUi::initTestCase()
{
    QApplication::setQuitOnLastWindowClosed(false);
}

void TestPadToolsUi::init()
{
    InitFixture();
}

void TestPadToolsUi::cleanup()
{
    CleanupFixture();
}

// Zoom 2, grid 16, circle size 3: a point is hit within 6 pixels of where it is drawn.
void TestPadToolsUi::Start(bool snap, bool flipY)
{
    CreateForm([&](TSettingsStore& store) {
        store.WriteSwitch({}, "SnapGrid", snap);
        store.WriteSwitch({}, "FlipY", flipY);
    }, true);
}

void TestPadToolsUi::OpenShow(const QList<TPoints>& frames)
{
    TLaserFrames show;
    for (const TPoints& points : frames) {
        TLaserFrame& frame = show.Add();
        AddPoints(frame, points);
        RenumberPoints(frame);
    }
    for (int i = 1; i < show.Count(); ++i)
        show.FitLinksAt(i);
    const QString path = Dir->filePath("pad.RZ4");
    QVERIFY(WriteShowFile(path, show).ok);
    Form->OpenCommandLineFile(path);
    QCOMPARE(Form->Show().Count(), frames.size());
}

void TestPadToolsUi::Click(QPoint at, Qt::MouseButton button, Qt::KeyboardModifiers mods)
{
    QTest::mousePress(Pad(), button, mods, at);
    QTest::mouseRelease(Pad(), button, mods, at);
}

void TestPadToolsUi::Drag(QPoint from, QPoint to, Qt::MouseButton button)
{
    QTest::mousePress(Pad(), button, {}, from);
    QTest::mouseMove(Pad(), to);
    QTest::mouseRelease(Pad(), button, {}, to);
}

// --- point gestures ----------------------------------------------------------------------------

void TestPadToolsUi::shiftClickSelectsAndSharpenButtonFollows()
{
    Start();
    OpenShow({{{20, 20}, {60, 20}, {100, 20}}});
    for (int i = 0; i < 3; ++i)
        Click(At(20 + 40 * i, 20), Qt::LeftButton, Qt::ShiftModifier);
    QVERIFY(Inside().State.MultiSelect);
    for (int i = 0; i < 3; ++i) {
        QVERIFY(Frame().Points[size_t(i)].IsSelected());
        QCOMPARE(Frame().Points[size_t(i)].X, quint8(20 + 40 * i));   // nothing dragged
    }
    // The sharpen button works on the whole selection.
    Ui().sbSharpen->click();
    for (const TSmallPoint& p : Frame().Points)
        QVERIFY(p.IsSharp());
    QVERIFY(Form->IsModified());

    Click(At(60, 20));
    QVERIFY(!Inside().State.MultiSelect);
    QCOMPARE(Inside().State.CurrentPoint, 1);
    QCOMPARE(Frame().Points[0].Selection, quint16(0));
    QCOMPARE(Panel(1), QStringLiteral("Point: 1 (60/20)"));
    // The property buttons show the picked point's flags.
    QVERIFY(Ui().sbSharpen->isChecked());
    QVERIFY(!Ui().sbBlank->isChecked());
    Ui().sbBlank->click();
    QVERIFY(Frame().Points[1].IsBlank());
    QVERIFY(!Frame().Points[0].IsBlank());
}

void TestPadToolsUi::addGestures_data()
{
    QTest::addColumn<QString>("tool");
    QTest::addColumn<Qt::MouseButton>("button");
    QTest::addColumn<Qt::KeyboardModifiers>("mods");
    QTest::addColumn<int>("index");   // where the new point lands; it becomes current

    QTest::newRow("add tool: after current") << "aToolAdd" << Qt::LeftButton << Qt::KeyboardModifiers() << 1;
    QTest::newRow("add tool, Shift: appended") << "aToolAdd" << Qt::LeftButton << Qt::KeyboardModifiers(Qt::ShiftModifier) << 3;
    QTest::newRow("move tool, Alt: after current") << "aToolMove" << Qt::LeftButton << Qt::KeyboardModifiers(Qt::AltModifier) << 1;
    QTest::newRow("move tool, Shift-Alt: appended") << "aToolMove" << Qt::LeftButton
                                                    << Qt::KeyboardModifiers(Qt::ShiftModifier | Qt::AltModifier) << 3;
    QTest::newRow("move tool, right button") << "aToolMove" << Qt::RightButton << Qt::KeyboardModifiers() << 1;
}

void TestPadToolsUi::addGestures()
{
    QFETCH(QString, tool);
    QFETCH(Qt::MouseButton, button);
    QFETCH(Qt::KeyboardModifiers, mods);
    QFETCH(int, index);
    Start();
    OpenShow({{{20, 20}, {60, 20}, {100, 20}}});
    Form->findChild<QAction*>(tool)->trigger();
    Click(Raw(80, 90), button, mods);

    QCOMPARE(Frame().PointCount(), 4);
    const TSmallPoint& added = Frame().Points[size_t(index)];
    QCOMPARE(QPoint(added.X, added.Y), QPoint(80, 90));
    QCOMPARE(added.Name, QString::number(index));   // renumbered
    QCOMPARE(Inside().State.CurrentPoint, index);
    QCOMPARE(Form->Document().History().undoText(), QStringLiteral("Add point"));
    QVERIFY(Form->IsModified());

    Ui().miUndo->trigger();
    QCOMPARE(Frame().PointCount(), 3);
    QCOMPARE(Frame().Points[2].X, quint8(100));
}

void TestPadToolsUi::flippedAddAndDrag_data()
{
    QTest::addColumn<bool>("snap");
    QTest::addColumn<int>("added");     // X of a click at x = 10
    QTest::addColumn<int>("dragged");   // X after dragging that point to x = 10

    // Adding snaps before it mirrors at 255, dragging mirrors at 256 before it snaps.
    QTest::newRow("no snapping") << false << 245 << 246;
    QTest::newRow("grid 16") << true << 239 << 240;
}

void TestPadToolsUi::flippedAddAndDrag()
{
    QFETCH(bool, snap);
    QFETCH(int, added);
    QFETCH(int, dragged);
    Start(snap, true);
    OpenShow({{}});
    Ui().aToolAdd->trigger();
    Click(Raw(10, 96));
    QCOMPARE(Frame().PointCount(), 1);
    QCOMPARE(int(Frame().Points[0].X), added);

    Ui().aToolMove->trigger();
    Drag(At(added, 96), Raw(10, 96));
    QCOMPARE(int(Frame().Points[0].X), dragged);
    QCOMPARE(int(Frame().Points[0].Y), 96);
    QCOMPARE(Form->Document().History().undoText(), QStringLiteral("Move points"));
    QCOMPARE(Panel(1), QStringLiteral("Point: %1/96").arg(dragged));

    Ui().miUndo->trigger();
    QCOMPARE(int(Frame().Points[0].X), added);
}

void TestPadToolsUi::deleteRemovesFirstHitOnly()
{
    Start();
    // Points 1 and 2 of frame 1 lie on each other.
    OpenShow({{{30, 30}, {90, 30}}, {{30, 60}, {90, 60}, {90, 61}}});
    Inside().Sketchpad->SetFramePosition(1);
    QCOMPARE(Frame().Links.Rows(), 3);
    Ui().aToolDel->trigger();
    Click(At(90, 60));

    QCOMPARE(Frame().PointCount(), 2);
    QCOMPARE(Frame().Points[1].Y, quint8(61));
    // The link matrix keeps the row of the deleted point.
    QCOMPARE(Frame().Links.Rows(), 3);
    QCOMPARE(Form->Document().History().undoText(), QStringLiteral("Delete point"));

    Ui().miUndo->trigger();
    QCOMPARE(Frame().PointCount(), 3);
    QCOMPARE(Frame().Points[1].Y, quint8(60));
}

void TestPadToolsUi::moveWithoutRedraw()
{
    Start();
    OpenShow({{{30, 30}}});
    Ui().miMoveNoRedraw->trigger();
    TPaintSpy spy;
    int paints = 0;
    spy.OnPaint = [&paints] { ++paints; };
    QTest::mousePress(Pad(), Qt::LeftButton, {}, At(30, 30));
    Pad()->installEventFilter(&spy);
    QTest::mouseMove(Pad(), Raw(50, 40));
    QTest::mouseMove(Pad(), Raw(60, 45));
    QCOMPARE(paints, 0);
    QCOMPARE(QPoint(Frame().Points[0].X, Frame().Points[0].Y), QPoint(60, 45));
    QTest::mouseRelease(Pad(), Qt::LeftButton, {}, Raw(60, 45));
    QVERIFY(paints >= 1);
}

// --- frame gestures ----------------------------------------------------------------------------

void TestPadToolsUi::quarterTurnShowsAngle()
{
    Start();
    OpenShow({{{178, 128}}});   // the effect and auxiliary centres are at 128/128
    Ui().miToolMoveRotate->trigger();
    QCOMPARE(Inside().State.Tool, int(ToolMoveRotate));
    QTest::mousePress(Pad(), Qt::RightButton, {}, Raw(178, 128));
    // Each repaint of the drag shows the guide lines, the release's repaint no more.
    TPaintSpy spy;
    std::vector<size_t> guides;
    spy.OnPaint = [this, &guides] { guides.push_back(Inside().PadView().Guides.size()); };
    Pad()->installEventFilter(&spy);
    QTest::mouseMove(Pad(), Raw(128, 178));   // a quarter turn clockwise on screen
    QCOMPARE(Panel(1), QStringLiteral("90") + QChar(0x00B0));
    QCOMPARE(guides, std::vector<size_t>{2});
    QTest::mouseRelease(Pad(), Qt::RightButton, {}, Raw(128, 178));
    QCOMPARE(guides, (std::vector<size_t>{2, 0}));

    QCOMPARE(QPoint(Frame().Points[0].X, Frame().Points[0].Y), QPoint(128, 178));
    QVERIFY(Form->IsModified());
}

void TestPadToolsUi::frameMoveClampsAtEdge()
{
    Start();
    OpenShow({{{20, 100}, {60, 100}}});
    Ui().miToolMoveRotate->trigger();
    Drag(Raw(100, 100), Raw(70, 90));
    QCOMPARE(Panel(1), QStringLiteral("dX:-30 dY:10"));
    QCOMPARE(Frame().Points[0].X, quint8(0));
    QCOMPARE(Frame().Points[1].X, quint8(30));
    QCOMPARE(Frame().Points[1].Y, quint8(90));

    Drag(Raw(70, 90), Raw(100, 100));
    // The clamped point does not get its place back.
    QCOMPARE(Frame().Points[0].X, quint8(30));
    QCOMPARE(Frame().Points[1].X, quint8(60));
}

void TestPadToolsUi::linkToggledTwiceIsGone()
{
    Start();
    OpenShow({{{30, 30}, {90, 30}}, {{30, 60}, {90, 60}}});
    Inside().Sketchpad->SetFramePosition(1);
    Ui().miToolLink->trigger();
    QCOMPARE(Inside().State.Tool, int(ToolLink));
    Click(At(90, 60));   // left: picks the current frame's point
    QCOMPARE(Inside().State.CurrentPoint, 1);

    Click(At(30, 30), Qt::RightButton);   // right: the previous frame's point
    QVERIFY(Frame().Links.Get(1, 0));
    QVERIFY(!Frame().Links.Get(1, 1));
    Click(At(30, 30), Qt::RightButton);
    QVERIFY(!Frame().Links.Get(1, 0));
}

void TestPadToolsUi::lockedFrameIgnoresClicks()
{
    Start();
    OpenShow({{{30, 30}}});
    Ui().sbLock->click();
    QVERIFY(Frame().IsLocked());
    const int steps = Form->Document().History().count();   // the lock itself
    for (QAction* tool : {Ui().aToolAdd, Ui().aToolDel, Ui().aToolZoom}) {
        tool->trigger();
        Click(At(30, 30));
    }
    QCOMPARE(Frame().PointCount(), 1);
    QCOMPARE(Inside().Zoom, 2);
    QCOMPARE(Form->Document().History().count(), steps);
    QVERIFY(!Inside().Busy);
}

// --- zoom, tool controls, pointer --------------------------------------------------------------

void TestPadToolsUi::zoomKeysAndWheel()
{
    Start();
    OpenShow({{{30, 30}}});
    Pad()->setFocus();
    TPaintSpy spy;
    int paints = 0;
    spy.OnPaint = [&paints] { ++paints; };
    Pad()->installEventFilter(&spy);
    QTest::keyClick(Pad(), '+');
    QCOMPARE(Inside().Zoom, 3);
    QCOMPARE(paints, 1);   // the zoom step repaints once
    QVERIFY(Ui().miZoomN[2]->isChecked());
    QCOMPARE(Ui().miZoom->text(), QStringLiteral("&Zoom: 3x..."));
    QTest::keyClick(Pad(), '-');
    QTest::keyClick(Pad(), '-');
    QCOMPARE(Inside().Zoom, 1);
    QTest::keyClick(Pad(), '-');   // no lower
    QCOMPARE(Inside().Zoom, 1);
    // The keys also reach the sketchpad when one of its scroll bars has the focus.
    Inside().Sketchpad->sbX->setFocus();
    QTest::keyClick(Inside().Sketchpad->sbX, '+');
    QCOMPARE(Inside().Zoom, 2);

    auto wheel = [this](QPoint at, int delta) {
        QWheelEvent event(at, Pad()->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(Pad(), &event);
    };
    // Wheel down zooms in at the pointer's pad position.
    QScrollBar* sbX = Inside().Sketchpad->sbX;
    QScrollBar* sbY = Inside().Sketchpad->sbY;
    const QPoint at(300, 200);
    const int scrollX = sbX->value(), scrollY = sbY->value();
    wheel(at, -120);
    QCOMPARE(Inside().Zoom, 3);
    QCOMPARE(sbX->value(), qBound(0, ((at.x() + scrollX) / 3 - 128 / 3) * 3, sbX->maximum()));
    QCOMPARE(sbY->value(), qBound(0, ((at.y() + scrollY) / 3 - 128 / 3) * 3, sbY->maximum()));
    QVERIFY(sbX->value() > 0);
    wheel(Raw(0, 0), 60);   // half a notch does nothing yet
    QCOMPARE(Inside().Zoom, 3);
    wheel(Raw(0, 0), 60);
    QCOMPARE(Inside().Zoom, 2);
    QCOMPARE(Ui().miZoom->text(), QStringLiteral("&Zoom: 2x..."));
}

void TestPadToolsUi::toolControls_data()
{
    QTest::addColumn<QString>("control");   // an action, or a pmPointTools / pmGeo item
    QTest::addColumn<int>("tool");
    QTest::addColumn<int>("cursor");
    QTest::addColumn<QString>("pointHint");   // tbPointTools' hint afterwards

    const QString sharpenHint = QStringLiteral("&Sharpen edges && blank lines");
    QTest::newRow("tbMove") << "aToolMove" << 1 << 1 << sharpenHint;
    QTest::newRow("tbAdd") << "aToolAdd" << 2 << 2 << sharpenHint;
    QTest::newRow("tbDel") << "aToolDel" << 3 << 3 << sharpenHint;
    QTest::newRow("tbZoom") << "aToolZoom" << 5 << 4 << sharpenHint;
    QTest::newRow("tbPointTools") << "aToolPoint" << 6 << 5 << sharpenHint;
    QTest::newRow("sharpen item") << "miToolSharpen" << 6 << 5 << QString();
    QTest::newRow("link item") << "miToolLink" << 4 << 6 << QString();
    QTest::newRow("move/rotate item") << "miToolMoveRotate" << 7 << 7
                                      << QStringLiteral("Move (left) or rotate (right) the frame");
    QTest::newRow("centres item") << "miToolAuxPoints" << 8 << 8
                                  << QStringLiteral("Set the effect (left button) and auxiliary (right) center points");
    QTest::newRow("tbGeo") << "aToolGeo" << 9 << 1 << sharpenHint;
    QTest::newRow("equilateral item") << "miEquilateral" << 9 << 1 << sharpenHint;
}

void TestPadToolsUi::toolControls()
{
    QFETCH(QString, control);
    QFETCH(int, tool);
    QFETCH(int, cursor);
    QFETCH(QString, pointHint);
    Start();
    Ui().aToolAdd->trigger();
    Form->findChild<QAction*>(control)->trigger();
    QCOMPARE(Inside().State.Tool, tool);
    QCOMPARE(Pad()->cursor(), Cursors()[size_t(cursor)]);
    QCOMPARE(Inside().PointToolsButton.Hint, pointHint);
    QCOMPARE(Ui().aToolPoint->statusTip(), pointHint);
    // The buttons are one radio group: the one standing for the tool is down.
    QToolButton* down = tool == 1 ? Ui().tbMove : tool == 2 ? Ui().tbAdd : tool == 3 ? Ui().tbDel
                      : tool == 5 ? Ui().tbZoom : tool == 9 ? Ui().tbGeo : Ui().tbPointTools;
    for (QToolButton* button : {Ui().tbMove, Ui().tbAdd, Ui().tbDel, Ui().tbZoom, Ui().tbPointTools, Ui().tbGeo})
        QCOMPARE(button->isChecked(), button == down);
    // A click on tbPointTools chooses the tool of its present image again.
    if (down == Ui().tbPointTools) {
        Ui().aToolMove->trigger();
        Ui().tbPointTools->click();
        QCOMPARE(Inside().State.Tool, tool);
    }
}

void TestPadToolsUi::pointerPositionWithoutButton()
{
    Start();
    OpenShow({{}});
    QVERIFY(Pad()->hasMouseTracking());
    const QPoint at = Raw(10, 20) + QPoint(1, 1);
    QMouseEvent move(QEvent::MouseMove, at, Pad()->mapToGlobal(at), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(Pad(), &move);
    QCOMPARE(Panel(0), QStringLiteral("X:10  Y:20"));
    QVERIFY(NoUnexpectedPrompts());
}

QTEST_MAIN(TestPadToolsUi)
#include "tst_padtools_ui.moc"
