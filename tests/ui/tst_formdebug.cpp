#include "Builders.h"
#include "PixelColours.h"
#include "FormUnitDebug.h"
#include "LaserFrame.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QtTest>

namespace {


// Rows of column `x` in [top, top + 256) that carry red.
QList<int> RedRows(const QImage& image, int x, int top)
{
    QList<int> rows;
    for (int y = top; y < top + 256; ++y)
        if (image.pixelColor(x, y) == Red)
            rows << y - top;
    return rows;
}

bool HasRedRight(const QImage& image, int fromColumn)
{
    for (int x = fromColumn; x < image.width(); ++x)
        for (int y = 0; y < image.height(); ++y)
            if (image.pixelColor(x, y) == Red)
                return true;
    return false;
}

} // namespace

class TestFormDebug : public QObject {
    Q_OBJECT

private slots:
    void caption_data();
    void caption();
    void tracesFollowTheSignal();
    void stepTwoSharesColumns();
    void zoomSpreadsAndClips();
    void noPointsDrawsBackgroundOnly();
    void zoomMenuRedrawsCurrentFrame();
    void framePreviewShowsWindow();
};

void TestFormDebug::caption_data()
{
    QTest::addColumn<TLaserFrame>("frame");
    QTest::addColumn<int>("zoom");
    QTest::addColumn<int>("step");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<int>("width");
    QTest::newRow("two points across")
        << FrameOf({{0, 128}, {255, 128}}) << 1 << 1
        << "waveform preview -- duration: 132 samples -- rate: 334 Hz -- zoom: 1/1" << 132;
    // Sharp corners and driver delays do not matter here: fixed steps, no holds.
    QTest::newRow("sharp square, zoomed")
        << FrameOf({{0, 0}, {40, 0}, {40, 40}, {0, 40}}, TSmallPoint::FlagSharp) << 4 << 2
        << "waveform preview -- duration: 220 samples -- rate: 200 Hz -- zoom: 4/2" << 220;
    QTest::newRow("one point") << FrameOf({{7, 7}}) << 1 << 64
        << "waveform preview -- duration: 30 samples -- rate: 1470 Hz -- zoom: 1/64" << 30;
    QTest::newRow("none") << FrameOf({}) << 1 << 1 << "waveform preview -- no wave available..."
                          << 1116;
}

void TestFormDebug::caption()
{
    QFETCH(TLaserFrame, frame);
    QFETCH(int, zoom);
    QFETCH(int, step);
    const TWavePreview preview = DrawWavePreview(frame.Points, zoom, step);
    QTEST(preview.Caption, "caption");
    QTEST(preview.Image.width(), "width");
    QCOMPARE(preview.Image.height(), 512);
}

void TestFormDebug::tracesFollowTheSignal()
{
    // X runs 0 -> 255 over 66 samples and back; Y stays at 128.
    const QImage image = DrawWavePreview(FrameOf({{0, 128}, {255, 128}}).Points, 1, 1).Image;
    // Sample 0 is (0, 128), drawn from the start value 127 at column -1.
    QVERIFY(RedRows(image, 0, 0).contains(0));
    QCOMPARE(image.pixelColor(0, 256 + 128), Red);
    // Sample 66 is the far end, x = 255 (drawn lowest), the turn back right after.
    QVERIFY(RedRows(image, 66, 0).contains(255));
    QVERIFY(RedRows(image, 70, 0).last() < 255);
    // The Y trace is flat at 128 after the first sample; nothing else in that half.
    QCOMPARE(RedRows(image, 100, 256), QList<int>{128});
    // The green line crosses the image at row 255 where no trace covers it.
    QCOMPARE(image.pixelColor(131, 255), Green);
    QCOMPARE(image.pixelColor(20, 255), Green);
    QCOMPARE(image.pixelColor(20, 300), Black);
}

void TestFormDebug::stepTwoSharesColumns()
{
    const TLaserFrame frame = FrameOf({{0, 128}, {255, 128}});
    const QImage one = DrawWavePreview(frame.Points, 1, 1).Image;
    const QImage two = DrawWavePreview(frame.Points, 1, 2).Image;
    // Samples 2 and 3 (x 8 and 12) share column 1 with step 2: a vertical
    // stroke through both; with step 1 column 1 only reaches from 0 to 8.
    const QList<int> shared = RedRows(two, 1, 0);
    QVERIFY2(shared.contains(8) && shared.contains(12), qPrintable(QTest::toString(shared)));
    QVERIFY(!RedRows(one, 1, 0).contains(12));
    // 132 samples fill only 66 columns: the right half stays empty.
    QCOMPARE(two.width(), 132);
    QVERIFY(HasRedRight(one, 100));
    QVERIFY(!HasRedRight(two, 66));
}

void TestFormDebug::zoomSpreadsAndClips()
{
    const QImage image = DrawWavePreview(FrameOf({{0, 128}, {255, 128}}).Points, 2, 1).Image;
    // Sample n lands on column 2n: x = 4 at column 2, x = 251 at 130, the far
    // end (x 255) at 132, just outside: the image stays 132 wide.
    QVERIFY(RedRows(image, 2, 0).contains(4));
    QVERIFY(RedRows(image, 130, 0).contains(251));
    QCOMPARE(image.width(), 132);
    QVERIFY(!RedRows(image, 131, 0).contains(255));
}

void TestFormDebug::noPointsDrawsBackgroundOnly()
{
    const QImage image = DrawWavePreview({}, 1, 1).Image;
    for (int x : {0, 500, 1115}) {
        QCOMPARE(image.pixelColor(x, 255), Green);
        QCOMPARE(image.pixelColor(x, 0), Black);
        QCOMPARE(image.pixelColor(x, 511), Black);
    }
    QVERIFY(!HasRedRight(image, 0));
}

void TestFormDebug::zoomMenuRedrawsCurrentFrame()
{
    TFormDebug viewer;
    QCOMPARE(viewer.windowTitle(), QString("Demowave"));
    QCOMPARE(viewer.ViewerZoom, 1);
    QCOMPARE(viewer.ViewerStep, 1);
    TLaserFrame frame = FrameOf({{0, 128}, {255, 128}});
    viewer.CurrentFrame = [&frame] { return &frame; };

    QStringList texts;
    for (QAction* a : viewer.pmZoom->actions())
        if (!a->isSeparator())
            texts << a->text();
    QCOMPARE(texts, (QStringList{"1x Zoom", "2x Zoom", "4x Zoom", "8x Zoom", "16x Zoom",
                                 "32x Zoom", "64x Zoom", "Step 1", "Step 2", "Step 4", "Step 8",
                                 "Step 16", "Step 32", "Step 64"}));
    auto item = [&viewer](const QString& text) {
        for (QAction* a : viewer.pmZoom->actions())
            if (a->text() == text)
                return a;
        return static_cast<QAction*>(nullptr);
    };
    item("8x Zoom")->trigger();
    item("Step 4")->trigger();
    QCOMPARE(viewer.ViewerZoom, 8);
    QCOMPARE(viewer.ViewerStep, 4);
    QCOMPARE(viewer.windowTitle(),
             QString("waveform preview -- duration: 132 samples -- rate: 334 Hz -- zoom: 8/4"));
    QCOMPARE(viewer.Image(), DrawWavePreview(frame.Points, 8, 4).Image);
    QCOMPARE(viewer.img->pixmap().size(), QSize(132, 512));

    // The redraw takes the frame as it is now.
    frame.Points.clear();
    item("1x Zoom")->trigger();
    QCOMPARE(viewer.windowTitle(), QString("waveform preview -- no wave available..."));
    QCOMPARE(viewer.ViewerStep, 4);
}

void TestFormDebug::framePreviewShowsWindow()
{
    TFormDebug viewer;
    TLaserFrame frame = FrameOf({{0, 128}, {255, 128}, {128, 0}});
    viewer.CurrentFrame = [&frame] { return &frame; };
    viewer.FramePreview();
    QVERIFY(viewer.isVisible());
    QVERIFY(!viewer.isModal());
    QVERIFY(viewer.windowTitle().startsWith("waveform preview -- duration: "));
    QCOMPARE(viewer.height(), 539);
}

QTEST_MAIN(TestFormDebug)
#include "tst_formdebug.moc"
