#include "PixelFont.h"
#include "Timeline.h"

#include <QApplication>
#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

class TestTimeline : public QObject {
    Q_OBJECT
private slots:
    void bandEdges_data();
    void bandEdges();
    void hatchDirections_data();
    void hatchDirections();
    void timeMarks_data();
    void timeMarks();
    void label();
    void nameCut_data();
    void nameCut();
    void labelsOnlyWhereTheyFit_data();
    void labelsOnlyWhereTheyFit();
    void frameAtColumn_data();
    void frameAtColumn();
    void emptyShowKeepsPicture();
    void zoomIn_data();
    void zoomIn();
    void zoomOut_data();
    void zoomOut();
    void scrollButtonsStopAtEnds();
    void buttonsRedraw();
    void followsReplacedShow();
    void closeButtonReports();
};

namespace {

const TColorSettings Colors;   // the stored defaults
const QColor Red = Colors.Norm[0];
const QColor Blue = Colors.Norm[1];
const QColor Text = Colors.TimelineText;
constexpr int Height = 48;

void AddFrame(TLaserFrames& show, int delay, int effectTime, int colour = 0, const QString& name = {})
{
    TLaserFrame& frame = show.Add();
    frame.Delay = quint16(delay);
    frame.EffectTime = quint16(effectTime);
    frame.Flags = quint16(colour);
    frame.Name = name;
}

QImage Draw(const TLaserFrames* show, int scale, int firstFrame, int width = 700)
{
    QImage image(width, Height, QImage::Format_RGB32);
    image.fill(Qt::magenta);
    QPainter canvas(&image);
    DrawTimeline(canvas, image.size(), show, Colors, scale, firstFrame);
    return image;
}

bool Has(const QImage& image, int x, int y, const QColor& colour)
{
    return x >= 0 && x < image.width() && y >= 0 && y < image.height() && image.pixelColor(x, y) == colour;
}

// A vertical edge drawn with the 2-pixel pen covers column x or its neighbour all along the band.
bool VerticalEdgeAt(const QImage& image, int x, const QColor& colour)
{
    for (int y = 20; y <= 44; ++y)
        if (!Has(image, x - 1, y, colour) && !Has(image, x, y, colour) && !Has(image, x + 1, y, colour))
            return false;
    return true;
}

int RightmostInBand(const QImage& image, const QColor& colour)
{
    int right = -1;
    for (int y = TimelineGeometry::BandTop + 1; y < Height; ++y)
        for (int x = 0; x < image.width(); ++x)
            if (Has(image, x, y, colour))
                right = std::max(right, x);
    return right;
}

// Right ends of the time labels: runs of text-coloured columns above the band.
QList<int> LabelEnds(const QImage& image)
{
    QList<int> ends;
    int last = -100;
    for (int x = 0; x < image.width(); ++x) {
        bool ink = false;
        for (int y = 0; y < TimelineGeometry::BandTop && !ink; ++y)
            ink = Has(image, x, y, Text);
        if (!ink)
            continue;
        if (x - last > 10)
            ends.append(x);
        else
            ends.last() = x;
        last = x;
    }
    return ends;
}

bool DividerAt(const QImage& image, int x)
{
    int dots = 0;
    for (int y = TimelineGeometry::BandTop + 1; y < Height; ++y)
        dots += Has(image, x, y, Text);
    return dots >= 5;
}

} // namespace

void TestTimeline::bandEdges_data()
{
    QTest::addColumn<int>("delay");
    QTest::addColumn<int>("effectTime");
    QTest::addColumn<QList<int>>("edges");   // vertical sides of the first frame
    QTest::addColumn<int>("end");            // where the next frame starts

    QTest::newRow("1000 ms with 200 ms effect: 25 + 250 + 25") << 1000 << 200 << QList<int>{25, 275} << 300;
    // The next frame's side covers a side at its start.
    QTest::newRow("no effect time: a plain rectangle") << 1000 << 0 << QList<int>{0} << 250;
    QTest::newRow("no delay: two touching triangles") << 0 << 400 << QList<int>{50} << 100;
    QTest::newRow("effect time 3: ramps of width 0") << 1000 << 3 << QList<int>{0} << 250;
}

void TestTimeline::bandEdges()
{
    QFETCH(int, delay);
    QFETCH(int, effectTime);
    QFETCH(QList<int>, edges);
    QFETCH(int, end);
    TLaserFrames show;
    AddFrame(show, delay, effectTime, 0);
    AddFrame(show, 1000, 0, 1);
    const QImage image = Draw(&show, 4, 0);
    for (int x : edges)
        QVERIFY2(VerticalEdgeAt(image, x, Red), qPrintable(QString::number(x)));
    QVERIFY(VerticalEdgeAt(image, end, Blue));
    QVERIFY(VerticalEdgeAt(image, end + 250, Blue));
    QVERIFY(RightmostInBand(image, Red) <= end + 1);
    QVERIFY(RightmostInBand(image, Colors.Back[1]) <= end + 251);
}

void TestTimeline::hatchDirections_data()
{
    QTest::addColumn<int>("left");
    QTest::addColumn<int>("right");
    QTest::addColumn<bool>("rising");    // "/" lines
    QTest::addColumn<bool>("falling");   // "\" lines

    // Scale 1, 400 ms effect, 1000 ms delay: ramps 0..200 and 1200..1400.
    QTest::newRow("rising ramp") << 150 << 190 << true << false;
    QTest::newRow("display time") << 300 << 1100 << true << true;
    QTest::newRow("falling ramp") << 1210 << 1250 << false << true;
}

void TestTimeline::hatchDirections()
{
    QFETCH(int, left);
    QFETCH(int, right);
    QFETCH(bool, rising);
    QFETCH(bool, falling);
    TLaserFrames show;
    AddFrame(show, 1000, 400, 1);
    const QImage image = Draw(&show, 1, 0, 1500);
    const QColor hatch = Colors.Back[1];
    bool sawRising = false, sawFalling = false, sawHatch = false;
    for (int y = 36; y <= 44; ++y)
        for (int x = left; x <= right; ++x) {
            if (!Has(image, x, y, hatch))
                continue;
            sawHatch = true;
            sawRising |= Has(image, x + 1, y - 1, hatch) && Has(image, x + 2, y - 2, hatch);
            sawFalling |= Has(image, x + 1, y + 1, hatch) && Has(image, x + 2, y + 2, hatch);
        }
    QVERIFY(sawHatch);
    QCOMPARE(sawRising, rising);
    QCOMPARE(sawFalling, falling);
    // Hatching leaves the background between its lines.
    int background = 0;
    for (int x = left; x <= right; ++x)
        background += Has(image, x, 40, Colors.TimelineBackground);
    QVERIFY(background > (right - left) / 2);
}

void TestTimeline::timeMarks_data()
{
    QTest::addColumn<int>("firstFrame");
    QTest::addColumn<int>("effectTime");
    QTest::addColumn<QList<int>>("marks");   // px of every mark, in order

    // Two frames of 1000 ms at 4 ms per pixel.
    QTest::newRow("from frame 0") << 0 << 0 << QList<int>{125, 250, 375, 500};
    QTest::newRow("from frame 1: 1500 and 2000") << 1 << 0 << QList<int>{125, 250};
    QTest::newRow("first frame beyond the end is clamped") << 7 << 0 << QList<int>{125, 250};
    // 1003 ms: the last mark is the first one to reach the end, 2500 (px 375).
    QTest::newRow("3 ms effect time still counts") << 1 << 3 << QList<int>{125, 250, 375};
}

void TestTimeline::timeMarks()
{
    QFETCH(int, firstFrame);
    QFETCH(int, effectTime);
    QFETCH(QList<int>, marks);
    TLaserFrames show;
    AddFrame(show, 1000, 0);
    AddFrame(show, 1000, effectTime);
    const QImage image = Draw(&show, 4, firstFrame);

    // Each label ends 3 pixels right of its mark: the last ink lies just left of px + 3.
    const QList<int> ends = LabelEnds(image);
    QCOMPARE(ends.size(), marks.size());
    for (int i = 0; i < marks.size(); ++i) {
        QVERIFY2(ends[i] >= marks[i] - 1 && ends[i] <= marks[i] + 2,
                 qPrintable(QStringLiteral("label %1 ends at %2").arg(marks[i]).arg(ends[i])));
        QVERIFY2(DividerAt(image, marks[i]), qPrintable(QString::number(marks[i])));
    }
    QVERIFY(!DividerAt(image, marks.last() + 125));
}

void TestTimeline::label()
{
    QCOMPARE(TimelineLabel(1500), QStringLiteral("   1500"));
    QCOMPARE(TimelineLabel(500), QStringLiteral("    500"));
    QCOMPARE(TimelineLabel(123456789), QStringLiteral("123456789"));
}

void TestTimeline::nameCut_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("fitting");   // the text whose width is the room; empty: no room
    QTest::addColumn<QString>("expected");

    QTest::newRow("narrow band: cut to five") << "ABCDEFGHIJ" << "" << "ABCDE";
    QTest::newRow("wide band: whole name") << "ABCDEFGHIJ" << "ABCDEFGHIJKL" << "ABCDEFGHIJ";
    QTest::newRow("cut to what fits") << "ABCDEFGHIJ" << "ABCDEFG" << "ABCDEFG";
    QTest::newRow("five or fewer never cut") << "ABC" << "" << "ABC";
}

void TestTimeline::nameCut()
{
    QFETCH(QString, name);
    QFETCH(QString, fitting);
    QFETCH(QString, expected);
    const QFontMetrics metrics(PixelFont());
    const int room = fitting.isEmpty() ? -4 : metrics.horizontalAdvance(fitting);
    QCOMPARE(TimelineName(name, room, metrics), expected);
}

void TestTimeline::labelsOnlyWhereTheyFit_data()
{
    QTest::addColumn<int>("delay");
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("number");
    QTest::addColumn<bool>("nameDrawn");
    // Scale 4: the band is delay / 4 pixels wide, the labels have 4 pixels less.
    QTest::newRow("wide band") << 1000 << "Logo" << true << true;
    QTest::newRow("long name cut to fit") << 200 << "ABCDEFGHIJKLMNOP" << true << true;
    QTest::newRow("number fits, name does not") << 100 << "ABCDEFGHIJ" << true << false;
    QTest::newRow("short name does not fit") << 100 << "WWWWW" << true << false;
    QTest::newRow("narrow band: nothing") << 40 << "ABCDEFGHIJ" << false << false;
}

// Text-coloured pixels left of the first time mark (at 125 px), in the rows of one label.
static int LabelInk(const QImage& image, int top)
{
    int ink = 0;
    for (int y = top; y < top + 12; ++y)
        for (int x = 0; x < 100; ++x)
            ink += Has(image, x, y, Text);
    return ink;
}

void TestTimeline::labelsOnlyWhereTheyFit()
{
    QFETCH(int, delay);
    QFETCH(QString, name);
    QFETCH(bool, number);
    QFETCH(bool, nameDrawn);
    TLaserFrames show;
    AddFrame(show, delay, 0, 0, name);
    const QImage image = Draw(&show, 4, 0);
    QCOMPARE(LabelInk(image, TimelineGeometry::NumberRow) > 0, number);
    QCOMPARE(LabelInk(image, TimelineGeometry::NameRow) > 0, nameDrawn);
}

void TestTimeline::frameAtColumn_data()
{
    QTest::addColumn<int>("scale");
    QTest::addColumn<int>("firstFrame");
    QTest::addColumn<int>("px");
    QTest::addColumn<int>("expected");
    // Frames of 1000 ms (effect 200), 400 ms and 1000 ms: at scale 4 they span
    // 0..300, 300..400 and 400..650; the effect ramps belong to their frame.
    QTest::newRow("rising ramp") << 4 << 0 << 10 << 0;
    QTest::newRow("last column of a band") << 4 << 0 << 299 << 0;
    QTest::newRow("first column of the next") << 4 << 0 << 300 << 1;
    QTest::newRow("third") << 4 << 0 << 649 << 2;
    QTest::newRow("beyond the last band") << 4 << 0 << 650 << -1;
    QTest::newRow("left of the strip") << 4 << 0 << -1 << -1;
    QTest::newRow("zoomed in") << 2 << 0 << 650 << 1;
    QTest::newRow("scrolled to the second") << 4 << 1 << 10 << 1;
    QTest::newRow("scrolled past the end: the last") << 4 << 9 << 10 << 2;
}

void TestTimeline::frameAtColumn()
{
    QFETCH(int, scale);
    QFETCH(int, firstFrame);
    QFETCH(int, px);
    QFETCH(int, expected);
    TLaserFrames show;
    AddFrame(show, 1000, 200);
    AddFrame(show, 400, 0);
    AddFrame(show, 1000, 0);
    QCOMPARE(TimelineFrameAt(&show, scale, firstFrame, px), expected);
    QCOMPARE(TimelineFrameAt(nullptr, scale, firstFrame, px), -1);
}

void TestTimeline::emptyShowKeepsPicture()
{
    TLaserFrames empty;
    const TLaserFrames* shows[] = {nullptr, &empty};
    for (const TLaserFrames* show : shows) {
        const QImage image = Draw(show, 4, 0, 50);
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                QVERIFY(Has(image, x, y, Qt::magenta));
    }
}

void TestTimeline::zoomIn_data()
{
    QTest::addColumn<int>("scale");
    QTest::addColumn<int>("expected");
    QTest::newRow("1 keeps 1") << 1 << 1;
    QTest::newRow("3 gives 1") << 3 << 1;
    QTest::newRow("4 gives 2") << 4 << 2;
}

void TestTimeline::zoomIn()
{
    QFETCH(int, scale);
    QFETCH(int, expected);
    TTimeline timeline;
    timeline.TimelineScale = scale;
    timeline.tbTimelineZoomIn->click();
    QCOMPARE(timeline.TimelineScale, expected);
}

void TestTimeline::zoomOut_data()
{
    QTest::addColumn<int>("scale");
    QTest::addColumn<int>("expected");
    QTest::newRow("4 gives 8") << 4 << 8;
    QTest::newRow("below the limit doubles") << (3 << 28) << (3 << 29);
    QTest::newRow("the limit stays") << TTimeline::MaxScale << TTimeline::MaxScale;
}

void TestTimeline::zoomOut()
{
    QFETCH(int, scale);
    QFETCH(int, expected);
    TTimeline timeline;
    timeline.TimelineScale = scale;
    timeline.tbTimelineZoomOut->click();
    QCOMPARE(timeline.TimelineScale, expected);
    if (expected != TTimeline::MaxScale)
        return;
    // The largest scale still draws: the whole show squeezed onto the first pixel.
    TLaserFrames show;
    AddFrame(show, 65535, 65535);
    const QImage image = Draw(&show, expected, 0, 100);
    bool edge = false;
    for (int y = 20; y <= 44; ++y)
        edge |= Has(image, 0, y, Red);
    QVERIFY(edge);
    QCOMPARE(RightmostInBand(image, Red), 0);
}

void TestTimeline::scrollButtonsStopAtEnds()
{
    TLaserFrames show;
    for (int i = 0; i < 3; ++i)
        AddFrame(show, 1000, 0);
    TTimeline timeline;
    timeline.tbTimelineRight->click();
    QCOMPARE(timeline.TimelineFirstFrame, 0);   // no show yet
    timeline.SetShow([&show] { return &show; });
    for (int i = 0; i < 5; ++i)
        timeline.tbTimelineRight->click();
    QCOMPARE(timeline.TimelineFirstFrame, 2);
    for (int i = 0; i < 5; ++i)
        timeline.tbTimelineLeft->click();
    QCOMPARE(timeline.TimelineFirstFrame, 0);
}

void TestTimeline::buttonsRedraw()
{
    TLaserFrames show;
    AddFrame(show, 1000, 200, 0, QStringLiteral("first"));
    AddFrame(show, 500, 0, 1, QStringLiteral("second"));
    TTimeline timeline;
    timeline.SetShow([&show] { return &show; });
    timeline.resize(600, 80);
    timeline.show();
    QVERIFY(QTest::qWaitForWindowExposed(&timeline));
    const QImage& canvas = timeline.iTimeline->Canvas();
    QCOMPARE(canvas.height(), Height);
    QVERIFY(canvas.width() > 400);

    timeline.tbTimelineRight->click();
    timeline.tbTimelineZoomIn->click();
    QImage expected(canvas.size(), QImage::Format_RGB32);
    {
        QPainter painter(&expected);
        DrawTimeline(painter, expected.size(), &show, Colors, 2, 1);
    }
    QCOMPARE(canvas, expected);
}

void TestTimeline::followsReplacedShow()
{
    auto show = std::make_unique<TLaserFrames>();
    AddFrame(*show, 1000, 0, 0);
    TTimeline timeline;
    timeline.SetShow([&show] { return show.get(); });
    timeline.resize(400, 80);
    timeline.show();
    QVERIFY(QTest::qWaitForWindowExposed(&timeline));
    show = std::make_unique<TLaserFrames>();
    AddFrame(*show, 1000, 0, 1);
    timeline.TimeLineRedraw();
    const QImage& canvas = timeline.iTimeline->Canvas();
    QVERIFY(VerticalEdgeAt(canvas, 250, Blue));
    QCOMPARE(RightmostInBand(canvas, Red), -1);
}

void TestTimeline::closeButtonReports()
{
    TTimeline timeline;
    timeline.show();
    QSignalSpy closed(&timeline, &TTimeline::closed);
    timeline.close();
    QCOMPARE(closed.count(), 1);
    QVERIFY(timeline.isHidden());
}

QTEST_MAIN(TestTimeline)
#include "tst_timeline.moc"
