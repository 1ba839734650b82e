// Reaching a frame without the frame switcher: the frame list's keys and clicks and
// the timeline's bands all run the frame switch, so the sketchpad and the frame
// commands act on the frame the user sees highlighted. The list keeps its width.
#include "Builders.h"
#include "FrameList.h"
#include "MainWindowFixture.h"
#include "ShowFile.h"
#include "Timeline.h"

#include <QApplication>
#include <QDockWidget>
#include <QtTest>

class TestFrameNavigation : public QObject, public TMainWindowFixture {
    Q_OBJECT
private slots:
    void initTestCase() { QApplication::setQuitOnLastWindowClosed(false); }
    void init() { InitFixture(); }
    void cleanup() { CleanupFixture(); }

    void listKeysSwitchFrame_data();
    void listKeysSwitchFrame();
    void clickBelowLastEntryKeepsOutline();
    void timelineClickSwitchesFrame_data();
    void timelineClickSwitchesFrame();
    void listKeepsEntryWidth();

private:
    void OpenShow(const QStringList& names, const QList<int>& delays = {});
    QStringList Names() const;
    bool OutlineDrawnAt(int row) const;
};

const QStringList Alphabet{"Alpha", "Bravo", "Charlie", "Delta", "Echo", "Foxtrot", "Golf", "Hotel",
                             "India", "Juliet", "Kilo", "Lima"};

void TestFrameNavigation::OpenShow(const QStringList& names, const QList<int>& delays)
{
    TLaserFrames show;
    for (int i = 0; i < names.size(); ++i) {
        TLaserFrame& frame = show.Add();
        frame.Name = names[i];
        frame.Delay = quint16(delays.value(i, 1000));
        AddPoints(frame, {{20, 30 + 10 * i}, {80, 80 + 10 * i}, {140, 30 + 10 * i}});
    }
    const QString path = Dir->filePath("nav.RZ4");
    QVERIFY(WriteShowFile(path, show).ok);
    Form->OpenCommandLineFile(path);
    QCOMPARE(Form->Show().FileName, path);
}

QStringList TestFrameNavigation::Names() const
{
    return FrameNames(Form->Show());
}

// The dotted green outline of the selected entry, looked for along its top edge.
bool TestFrameNavigation::OutlineDrawnAt(int row) const
{
    TFrameList* list = Inside().lbThumbs;
    const QRect rect = list->visualItemRect(list->item(row));
    const QImage image = list->viewport()->grab().toImage();
    int dots = 0;
    for (int x = rect.left(); x < rect.right(); ++x)
        dots += image.pixelColor(x, rect.top()) == QColor(0, 128, 0);
    return dots > 10;
}

void TestFrameNavigation::listKeysSwitchFrame_data()
{
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<int>("expected");   // -2: a page further down, -3: a page further up
    QTest::newRow("down") << 0 << int(Qt::Key_Down) << 0 << 1;
    QTest::newRow("up") << 2 << int(Qt::Key_Up) << 0 << 1;
    QTest::newRow("up at the first") << 0 << int(Qt::Key_Up) << 0 << 0;
    QTest::newRow("down at the last") << 11 << int(Qt::Key_Down) << 0 << 11;
    QTest::newRow("end") << 1 << int(Qt::Key_End) << 0 << 11;
    QTest::newRow("home") << 7 << int(Qt::Key_Home) << 0 << 0;
    QTest::newRow("page down") << 0 << int(Qt::Key_PageDown) << 0 << -2;
    QTest::newRow("page up") << 11 << int(Qt::Key_PageUp) << 0 << -3;
    QTest::newRow("ctrl+down") << 3 << int(Qt::Key_Down) << int(Qt::ControlModifier) << 4;
    QTest::newRow("type-ahead") << 0 << int(Qt::Key_J) << 0 << 9;
    QTest::newRow("ctrl+space keeps the frame") << 5 << int(Qt::Key_Space) << int(Qt::ControlModifier) << 5;
}

void TestFrameNavigation::listKeysSwitchFrame()
{
    QFETCH(int, start);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(int, expected);
    CreateForm({}, true);
    OpenShow(Alphabet);
    Inside().lbThumbsClick(start);
    Inside().lbThumbs->setFocus();
    QCOMPARE(Form->CurrentFrameIndex(), start);

    QTest::keyClick(Inside().lbThumbs, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    const int highlighted = Inside().lbThumbs->currentRow();
    if (expected == -2)
        QVERIFY2(highlighted > start + 1, qPrintable(QString::number(highlighted)));
    else if (expected == -3)
        QVERIFY2(highlighted < start - 1, qPrintable(QString::number(highlighted)));
    else
        QCOMPARE(highlighted, expected);
    // The sketchpad follows the highlight, and so do the frame's controls.
    QCOMPARE(Form->CurrentFrameIndex(), highlighted);
    QVERIFY(Inside().lbThumbs->item(highlighted)->isSelected());
    QVERIFY(OutlineDrawnAt(highlighted));

    // "Delete frame" deletes the highlighted frame, the one the user sees.
    Ui().aDeleteFrame->trigger();
    QStringList left = Alphabet;
    left.removeAt(highlighted);
    QCOMPARE(Names(), left);
    QVERIFY(Prompts->Unexpected.isEmpty());
}

void TestFrameNavigation::clickBelowLastEntryKeepsOutline()
{
    CreateForm({}, true);
    OpenShow({"A", "B", "C"});
    TFrameList* list = Inside().lbThumbs;
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(list->item(1)).center());
    QCOMPARE(Form->CurrentFrameIndex(), 1);

    const QPoint below(20, list->visualItemRect(list->item(2)).bottom() + 20);
    QVERIFY(below.y() < list->viewport()->height());
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, below);
    QCOMPARE(Form->CurrentFrameIndex(), 1);
    QCOMPARE(list->currentRow(), 1);
    QVERIFY(list->item(1)->isSelected());
    QVERIFY(OutlineDrawnAt(1));

    // A Ctrl+click on the current entry does not take the outline away either.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier,
                      list->visualItemRect(list->item(1)).center());
    QCOMPARE(Form->CurrentFrameIndex(), 1);
    QVERIFY(list->item(1)->isSelected());
    QVERIFY(OutlineDrawnAt(1));
}

void TestFrameNavigation::timelineClickSwitchesFrame_data()
{
    QTest::addColumn<int>("firstFrame");
    QTest::addColumn<int>("x");
    QTest::addColumn<int>("expected");   // -1: the current frame stays
    // 1000, 400 and 1000 ms at 8 ms per pixel: bands 0..125, 125..175, 175..300.
    QTest::newRow("first") << 0 << 10 << 0;
    QTest::newRow("second") << 0 << 150 << 1;
    QTest::newRow("third") << 0 << 250 << 2;
    QTest::newRow("right of the last band") << 0 << 320 << -1;
    QTest::newRow("scrolled by one") << 1 << 10 << 1;
}

void TestFrameNavigation::timelineClickSwitchesFrame()
{
    QFETCH(int, firstFrame);
    QFETCH(int, x);
    QFETCH(int, expected);
    CreateForm({}, true);
    OpenShow({"A", "B", "C"}, {1000, 400, 1000});
    Inside().lbThumbsClick(1);
    TTimeline* timeline = Inside().Timeline;
    timeline->tbTimelineZoomOutClick();
    for (int i = 0; i < firstFrame; ++i)
        timeline->tbTimelineRightClick();
    QCOMPARE(timeline->TimelineScale, 8);
    QVERIFY(timeline->iTimeline->width() > 320);

    QTest::mouseClick(timeline->iTimeline, Qt::LeftButton, {}, QPoint(x, 30));
    const int current = expected < 0 ? 1 : expected;
    QCOMPARE(Form->CurrentFrameIndex(), current);
    QCOMPARE(Inside().lbThumbs->currentRow(), current);
    Ui().aDeleteFrame->trigger();
    QStringList left{"A", "B", "C"};
    left.removeAt(current);
    QCOMPARE(Names(), left);
}

void TestFrameNavigation::listKeepsEntryWidth()
{
    CreateForm({}, true);
    OpenShow({"A", "B"});
    const int entry = ThumbEntryMinimumWidth();
    QVERIFY(entry > 66 + 40);
    // Shrunk to the least the window allows, then maximised: an entry still fits.
    Form->resize(10, 10);
    QTest::qWait(20);
    QVERIFY(Inside().lbThumbs->viewport()->width() >= entry);
    Form->showMaximized();
    QTest::qWait(20);
    QVERIFY(Inside().lbThumbs->viewport()->width() >= entry);
    QVERIFY(Inside().panelLeft->width() >= entry);
    // Nor can the dock be made narrower by hand.
    Form->resizeDocks({Inside().panelLeft}, {40}, Qt::Horizontal);
    QTest::qWait(20);
    QVERIFY(Inside().lbThumbs->viewport()->width() >= entry);
}

QTEST_MAIN(TestFrameNavigation)
#include "tst_framenavigation.moc"
