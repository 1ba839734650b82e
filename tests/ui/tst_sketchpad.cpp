#include "Builders.h"
#include "FormUnitPad.h"

#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTest>

namespace {

// Stands in for the main window and logs what the sketchpad asks of it; the show is
// the document's, and so is the current frame.
class TFakeHost : public TSketchpadHost {
public:
    TShowDocument Document;
    TLaserFrames& Frames = Document.Show();
    bool Busy = false;
    TPadView View;
    QList<int> Switched;   // the frames the document made current
    QStringList Log;   // drawing marks, pad paints and timeline redraws in order

    TFakeHost()
    {
        QObject::connect(&Document, &TShowDocument::currentFrameChanged, [this](int index) { Switched << index; });
    }
    bool IsBusy() const override { return Busy; }
    void SetDrawing(bool drawing) override { Log << (drawing ? "drawing on" : "drawing off"); }
    TPadView PadView() const override { return View; }
    void TimelineRedraw() override { Log << "timeline"; }

    void ClearLogs()
    {
        Switched.clear();
        Log.clear();
    }
};

class TNamedPaintLogger : public QObject {
public:
    TNamedPaintLogger(QWidget* target, QStringList& log, QString name = QStringLiteral("paint"))
        : FLog(log), FName(std::move(name))
    {
        target->installEventFilter(this);
    }
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            FLog << FName;
        return false;
    }

private:
    QStringList& FLog;
    QString FName;
};

// Keeps the zoom it is given as well.
class TZoomHost : public TFakeHost {
public:
    QList<int> Zooms;
    void SetZoom(int zoom) override
    {
        Zooms << zoom;
        View.Zoom = zoom;
    }
};

// A shown sketchpad with one frame and a pad of a fixed size.
struct TFormFixture {
    TZoomHost Host;
    TFormSketchpad Form{Host.Document, Host};

    explicit TFormFixture(const QSize& padSize = QSize(300, 300))
    {
        Host.View.Zoom = 2;
        Host.Frames.Add();
        Form.pad->setFixedSize(padSize);
        Form.show();
    }
    bool Exposed() { return QTest::qWaitForWindowExposed(&Form); }
};

void AddFrames(TLaserFrames& show, int count)
{
    for (int i = 0; i < count; ++i)
        show.Add();
}

void AddPoint(TLaserFrame& frame, int x, int y, quint16 flags = 0)
{
    frame.Points.push_back(PointAt(x, y, flags));
}

// Puts the switcher where an earlier state would have left it, without switching.
void PlaceSwitcher(TFormSketchpad& form, int maximum, int position)
{
    const QSignalBlocker block(form.sbFrames);
    form.sbFrames->setMaximum(maximum);
    form.sbFrames->setValue(position);
}

const QColor BackgroundColor(10, 20, 30);

} // namespace

class TestSketchpad : public QObject {
    Q_OBJECT
private slots:
    void startsAsNewFile();
    void frameSwitch_data();
    void frameSwitch();
    void frameSwitchWithoutFramesDoesNothing();
    void redraw_data();
    void redraw();
    void currentFrameIsTheDocuments_data();
    void currentFrameIsTheDocuments();
    void padShowsCurrentFrame();
    void formZoomSteps();
    void formScrollRanges();
    void formRulersFollowSwitch();
    void formBusyRedrawsOnlyTimeline();
    void formControls();
};

void TestSketchpad::startsAsNewFile()
{
    TFakeHost host;
    TFormSketchpad form(host.Document, host);
    QCOMPARE(form.windowTitle(), QStringLiteral("new file"));
    QCOMPARE(form.panelFrameSwitcher->text(), QStringLiteral("0"));
    QCOMPARE(form.sbFrames->minimum(), 0);
    QCOMPARE(form.sbFrames->maximum(), 0);
    host.Document.SetFileName(QStringLiteral("C:/shows/party.RZ4"));
    QCOMPARE(form.windowTitle(), QStringLiteral("C:/shows/party.RZ4"));
}

void TestSketchpad::frameSwitch_data()
{
    QTest::addColumn<int>("frames");
    QTest::addColumn<int>("maximum");      // switcher state before
    QTest::addColumn<int>("position");
    QTest::addColumn<bool>("byScrollBar"); // the user moves sbFrames, else SetFramePosition
    QTest::addColumn<int>("target");
    QTest::addColumn<int>("expectedIndex");
    QTest::addColumn<int>("expectedMaximum");

    QTest::newRow("scroll bar moved") << 3 << 2 << 0 << true << 2 << 2 << 2;
    QTest::newRow("set to the same position") << 3 << 2 << 1 << false << 1 << 1 << 2;
    QTest::newRow("appended frame past old maximum") << 4 << 2 << 2 << false << 3 << 3 << 3;
    QTest::newRow("maximum follows fewer frames") << 2 << 4 << 0 << false << 0 << 0 << 1;
    QTest::newRow("position past last frame") << 2 << 4 << 0 << false << 4 << 1 << 1;
    QTest::newRow("current last frame deleted") << 2 << 2 << 2 << false << 2 << 1 << 1;
    QTest::newRow("negative position") << 2 << 1 << 1 << false << -3 << 0 << 1;
}

void TestSketchpad::frameSwitch()
{
    QFETCH(int, frames);
    QFETCH(int, maximum);
    QFETCH(int, position);
    QFETCH(bool, byScrollBar);
    QFETCH(int, target);
    QFETCH(int, expectedIndex);
    QFETCH(int, expectedMaximum);

    TFakeHost host;
    AddFrames(host.Frames, frames);
    TFormSketchpad form(host.Document, host);
    PlaceSwitcher(form, maximum, position);
    host.ClearLogs();

    if (byScrollBar)
        form.sbFrames->setValue(target);
    else
        form.SetFramePosition(target);

    QCOMPARE(form.panelFrameSwitcher->text(), QString::number(expectedIndex));
    QCOMPARE(form.CurrentFrameIndex(), expectedIndex);
    QCOMPARE(form.sbFrames->value(), expectedIndex);
    QCOMPARE(form.sbFrames->maximum(), expectedMaximum);
    QCOMPARE(host.Document.CurrentFrameIndex(), expectedIndex);
    QVERIFY(!host.Switched.isEmpty());
    QCOMPARE(host.Switched.last(), expectedIndex);
    QVERIFY2(!host.Switched.contains(target) || target == expectedIndex,
             "a frame that does not exist was made current");
    QCOMPARE(host.Log.last(), QStringLiteral("timeline"));
}

void TestSketchpad::frameSwitchWithoutFramesDoesNothing()
{
    TFakeHost host;
    TFormSketchpad form(host.Document, host);
    PlaceSwitcher(form, 3, 0);
    host.ClearLogs();

    form.sbFrames->setValue(2);
    form.SetFramePosition(1);

    QCOMPARE(form.panelFrameSwitcher->text(), QStringLiteral("0"));
    QCOMPARE(form.sbFrames->maximum(), 3);
    QVERIFY(host.Switched.isEmpty());
    QVERIFY(host.Log.isEmpty());
}

void TestSketchpad::redraw_data()
{
    QTest::addColumn<int>("frames");
    QTest::addColumn<bool>("busy");
    QTest::addColumn<QStringList>("expected");

    QTest::newRow("frame shown")
        << 1 << false << QStringList{"drawing on", "paint", "drawing off", "timeline"};
    QTest::newRow("busy") << 1 << true << QStringList{"timeline"};
    QTest::newRow("no frames") << 0 << false << QStringList{"timeline"};
}

void TestSketchpad::redraw()
{
    QFETCH(int, frames);
    QFETCH(bool, busy);
    QFETCH(QStringList, expected);

    TFakeHost host;
    AddFrames(host.Frames, frames);
    TFormSketchpad form(host.Document, host);
    form.resize(400, 300);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QCoreApplication::processEvents();
    const TNamedPaintLogger logger(form.pad, host.Log);
    host.ClearLogs();
    host.Busy = busy;

    form.RedrawSketchpad();
    QCoreApplication::processEvents();

    QCOMPARE(host.Log, expected);
}

void TestSketchpad::currentFrameIsTheDocuments_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("shown");
    QTest::newRow("a frame") << 2 << 2;
    QTest::newRow("the first") << 0 << 0;
    QTest::newRow("past the last") << 12 << 3;
    QTest::newRow("negative") << -1 << 0;
}

// The switcher shows the document's current frame, wherever it was set.
void TestSketchpad::currentFrameIsTheDocuments()
{
    QFETCH(int, index);
    QFETCH(int, shown);
    TFakeHost host;
    AddFrames(host.Frames, 4);
    TFormSketchpad form(host.Document, host);
    host.Document.SetCurrentFrameIndex(index);
    QCOMPARE(form.CurrentFrameIndex(), shown);
    QCOMPARE(form.panelFrameSwitcher->text(), QString::number(shown));
    QCOMPARE(form.sbFrames->value(), shown);
}

void TestSketchpad::padShowsCurrentFrame()
{
    TFakeHost host;
    AddFrames(host.Frames, 2);
    AddPoint(host.Frames.Frame(1), 0, 128);   // a line across the middle, on frame 1 only
    AddPoint(host.Frames.Frame(1), 255, 128);
    host.View.Background = BackgroundColor;
    host.View.ShowGrid = false;
    TFormSketchpad form(host.Document, host);
    form.pad->setFixedSize(512, 512);         // two pixels per frame unit
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));

    const QImage before = form.pad->grab().toImage();
    QCOMPARE(before.pixelColor(128, 256), BackgroundColor);

    form.SetFramePosition(1);
    const QImage after = form.pad->grab().toImage();
    QCOMPARE(after.pixelColor(128, 256), host.View.Norm[0]);
    QCOMPARE(after.pixelColor(256, 100), BackgroundColor);
}

void TestSketchpad::formZoomSteps()
{
    TFormFixture f;
    QVERIFY(f.Exposed());
    const TNamedPaintLogger logger(f.Form.pad, f.Host.Log, QStringLiteral("paint"));
    f.Host.Log.clear();

    f.Form.ZoomInAt(150, 150);
    QCOMPARE(f.Host.Zooms, QList<int>{3});
    QCOMPARE(f.Form.sbX->maximum(), 768 - 300);
    QCOMPARE(f.Form.sbX->value(), 24);
    QCOMPARE(f.Form.sbY->value(), 24);
    QCOMPARE(f.Host.Log, QStringList({"drawing on", "paint", "drawing off", "timeline"}));

    // At 8 only a repaint.
    f.Host.View.Zoom = 8;
    f.Form.RedrawSketchpad();
    f.Host.Zooms.clear();
    f.Host.Log.clear();
    const int x = f.Form.sbX->value(), y = f.Form.sbY->value();
    f.Form.ZoomInAt(10, 10);
    QVERIFY(f.Host.Zooms.isEmpty());
    QCOMPARE(f.Form.sbX->value(), x);
    QCOMPARE(f.Form.sbY->value(), y);
    QCOMPARE(f.Host.Log, QStringList({"drawing on", "paint", "drawing off", "timeline"}));

    // Out: the scroll positions follow the smaller range on the repaint.
    f.Host.View.Zoom = 2;
    f.Form.RedrawSketchpad();
    f.Form.ZoomOut();
    QCOMPARE(f.Host.Zooms, QList<int>{1});
    QCOMPARE(f.Form.sbX->maximum(), 0);
    QCOMPARE(f.Form.sbX->value(), 0);

    f.Host.Zooms.clear();
    f.Form.ZoomOut();
    QVERIFY(f.Host.Zooms.isEmpty());
    QCOMPARE(f.Host.View.Zoom, 1);
}

void TestSketchpad::formScrollRanges()
{
    TFormFixture f(QSize(400, 300));
    QVERIFY(f.Exposed());
    f.Host.View.Zoom = 1;
    f.Form.RedrawSketchpad();
    QCOMPARE(f.Form.sbX->maximum(), 0);
    QCOMPARE(f.Form.sbY->maximum(), 0);
    const QColor face = f.Form.palette().color(QPalette::Button);
    const QImage wide = f.Form.pad->grab().toImage();
    QCOMPARE(wide.pixelColor(390, 100), face);
    QCOMPARE(wide.pixelColor(100, 290), face);

    f.Host.View.Zoom = 2;
    f.Form.RedrawSketchpad();
    QCOMPARE(f.Form.sbX->maximum(), 112);
    QCOMPARE(f.Form.sbY->maximum(), 212);

    // Moving a scroll bar repaints.
    const TNamedPaintLogger logger(f.Form.pad, f.Host.Log, QStringLiteral("paint"));
    f.Host.Log.clear();
    f.Form.sbX->setValue(100);
    QCOMPARE(f.Host.Log, QStringList({"drawing on", "paint", "drawing off", "timeline"}));

    // A smaller zoom clamps the position on the next repaint, without a second repaint.
    f.Host.View.Zoom = 1;
    f.Host.Log.clear();
    f.Form.RedrawSketchpad();
    QCOMPARE(f.Form.sbX->value(), 0);
    QCOMPARE(f.Host.Log, QStringList({"drawing on", "paint", "drawing off", "timeline"}));
}

void TestSketchpad::formRulersFollowSwitch()
{
    TZoomHost host;
    host.Frames.Add();
    TFormSketchpad form(host.Document, host);
    form.resize(500, 400);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    const int padWidth = form.pad->width(), padHeight = form.pad->height();
    QCOMPARE(form.iTopRuler->height(), 0);
    QCOMPARE(form.iLeftRuler->width(), 0);

    host.View.ShowRuler = true;
    form.RedrawSketchpad();
    QCOMPARE(form.iTopRuler->height(), TopRulerHeight);
    QCOMPARE(form.iLeftRuler->width(), LeftRulerWidth);
    QCOMPARE(form.iTopRuler->width(), form.width());
    // The pad shrinks at once, and the scroll range follows it.
    QCOMPARE(form.pad->width(), padWidth - LeftRulerWidth);
    QCOMPARE(form.pad->height(), padHeight - TopRulerHeight);
    QCOMPARE(form.sbX->maximum(), ScrollMaximum(2, form.pad->width()));
    const QImage top = form.iTopRuler->grab().toImage();
    QCOMPARE(top.pixelColor(10, 10), QColor(Qt::white));
    QCOMPARE(top.pixelColor(2, 10), QColor(128, 128, 128));

    host.View.ShowRuler = false;
    form.RedrawSketchpad();
    QCOMPARE(form.iTopRuler->height(), 0);
    QCOMPARE(form.iLeftRuler->width(), 0);
    QCOMPARE(form.pad->width(), padWidth);
}

void TestSketchpad::formBusyRedrawsOnlyTimeline()
{
    TFormFixture f;
    QVERIFY(f.Exposed());
    f.Host.View.ShowRuler = true;
    f.Host.View.Zoom = 1;
    const TNamedPaintLogger padLogger(f.Form.pad, f.Host.Log, QStringLiteral("paint"));
    const TNamedPaintLogger rulerLogger(f.Form.iTopRuler, f.Host.Log, QStringLiteral("ruler"));
    const int maximum = f.Form.sbX->maximum();
    f.Host.Busy = true;
    f.Host.Log.clear();

    f.Form.RedrawSketchpad();
    f.Form.sbX->setValue(10);
    QCoreApplication::processEvents();

    QCOMPARE(f.Host.Log, QStringList({"timeline", "timeline"}));
    QCOMPARE(f.Form.iTopRuler->height(), 0);
    QCOMPARE(f.Form.sbX->maximum(), maximum);
}

void TestSketchpad::formControls()
{
    TFormFixture f;
    QVERIFY(f.Exposed());
    QCOMPARE(f.Form.toolTip(),
             QStringLiteral("Alt-Click to add pointer after selected, Shift-Alt-Click to add as "
                            "last. Ctrl-Click to delete point."));
    QCOMPARE(f.Form.panelCorner->toolTip(), QStringLiteral("Repaint image"));
    for (QScrollBar* bar : {f.Form.sbX, f.Form.sbY}) {
        QCOMPARE(bar->singleStep(), 8);
        QCOMPARE(bar->pageStep(), 64);
    }
    QCOMPARE(f.Form.sbX->objectName(), QStringLiteral("sbX"));
    QCOMPARE(f.Form.sbY->orientation(), Qt::Vertical);

    const TNamedPaintLogger logger(f.Form.pad, f.Host.Log, QStringLiteral("paint"));
    f.Host.Log.clear();
    QTest::mouseClick(f.Form.panelCorner, Qt::LeftButton);
    QCOMPARE(f.Host.Log, QStringList({"drawing on", "paint", "drawing off", "timeline"}));
}

QTEST_MAIN(TestSketchpad)
#include "tst_sketchpad.moc"
