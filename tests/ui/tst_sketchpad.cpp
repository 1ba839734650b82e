#include "Builders.h"
#include "FormUnitPad.h"

#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QTest>

namespace {

// Stands in for the main window and logs what the sketchpad asks of it.
class TFakeHost : public TSketchpadHost {
public:
    TLaserFrames Frames;
    bool Busy = false;
    TPadView View;
    QList<int> Switched;
    QList<int> Trimmed;
    QStringList Log;   // drawing marks, pad paints and timeline redraws in order

    TLaserFrames& Show() override { return Frames; }
    bool IsBusy() const override { return Busy; }
    void SetDrawing(bool drawing) override { Log << (drawing ? "drawing on" : "drawing off"); }
    TPadView PadView() const override { return View; }
    void FrameSwitched(int index) override { Switched << index; }
    void TrimFrameList(int frameCount) override { Trimmed << frameCount; }
    void TimelineRedraw() override { Log << "timeline"; }

    void ClearLogs()
    {
        Switched.clear();
        Trimmed.clear();
        Log.clear();
    }
};

class TPaintLogger : public QObject {
public:
    TPaintLogger(QWidget* target, QStringList& log) : FLog(log) { target->installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            FLog << "paint";
        return false;
    }

private:
    QStringList& FLog;
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

// Puts the switcher where an earlier switch would have left it, without switching.
void PlaceSwitcher(TFormSketchpad& form, int maximum, int position)
{
    form.SetFrameMaximum(maximum);
    const QSignalBlocker block(form.sbFrames);
    form.sbFrames->setValue(position);
    form.SetSwitcherCaption(QString::number(position));
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
    void currentFrameIndexFromCaption_data();
    void currentFrameIndexFromCaption();
    void padShowsCurrentFrame();
};

void TestSketchpad::startsAsNewFile()
{
    TFakeHost host;
    TFormSketchpad form(host);
    QCOMPARE(form.windowTitle(), QStringLiteral("new file"));
    QCOMPARE(form.panelFrameSwitcher->text(), QStringLiteral("0"));
    QCOMPARE(form.sbFrames->minimum(), 0);
    QCOMPARE(form.sbFrames->maximum(), 0);
    form.SetDocumentCaption(QStringLiteral("C:/shows/party.RZ4"));
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
    TFormSketchpad form(host);
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
    QVERIFY(!host.Switched.isEmpty());
    QCOMPARE(host.Switched.last(), expectedIndex);
    QVERIFY2(!host.Switched.contains(target) || target == expectedIndex,
             "the host was told about a frame that does not exist");
    QVERIFY(!host.Trimmed.isEmpty());
    for (int count : std::as_const(host.Trimmed))
        QCOMPARE(count, frames);
    QCOMPARE(host.Log.last(), QStringLiteral("timeline"));
}

void TestSketchpad::frameSwitchWithoutFramesDoesNothing()
{
    TFakeHost host;
    TFormSketchpad form(host);
    PlaceSwitcher(form, 3, 0);
    host.ClearLogs();

    form.sbFrames->setValue(2);
    form.SetFramePosition(1);

    QCOMPARE(form.panelFrameSwitcher->text(), QStringLiteral("0"));
    QCOMPARE(form.sbFrames->maximum(), 3);
    QVERIFY(host.Switched.isEmpty());
    QVERIFY(host.Trimmed.isEmpty());
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
    TFormSketchpad form(host);
    form.resize(400, 300);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QCoreApplication::processEvents();
    const TPaintLogger logger(form.pad, host.Log);
    host.ClearLogs();
    host.Busy = busy;

    form.RedrawSketchpad();
    QCoreApplication::processEvents();

    QCOMPARE(host.Log, expected);
}

void TestSketchpad::currentFrameIndexFromCaption_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<int>("index");
    QTest::newRow("number") << "12" << 12;
    QTest::newRow("zero") << "0" << 0;
    QTest::newRow("negative") << "-1" << -1;
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("not a number") << "abc" << 0;
    QTest::newRow("not decimal") << "0x1F" << 0;
}

void TestSketchpad::currentFrameIndexFromCaption()
{
    QFETCH(QString, caption);
    QFETCH(int, index);
    TFakeHost host;
    TFormSketchpad form(host);
    form.SetSwitcherCaption(caption);
    QCOMPARE(form.CurrentFrameIndex(), index);
}

void TestSketchpad::padShowsCurrentFrame()
{
    TFakeHost host;
    AddFrames(host.Frames, 2);
    AddPoint(host.Frames.Frame(1), 0, 128);   // a line across the middle, on frame 1 only
    AddPoint(host.Frames.Frame(1), 255, 128);
    host.View.Background = BackgroundColor;
    host.View.ShowGrid = false;
    TFormSketchpad form(host);
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

QTEST_MAIN(TestSketchpad)
#include "tst_sketchpad.moc"
