#include "Builders.h"
#include "PadDrawing.h"
#include "PadView.h"

#include <QImage>
#include <QPainter>
#include <QTest>

namespace {

const QColor Background(10, 20, 30);
const QColor ButtonFace(1, 2, 3);
const QColor GridGrey(128, 128, 128);
const QColor Magenta(255, 0, 255);

// Only what a test switches on is drawn; every colour differs from every other.
TPadView QuietView(int zoom = 1)
{
    TPadView view;
    view.Background = Background;
    view.Norm[0] = QColor(255, 0, 0);
    view.Norm[1] = QColor(0, 0, 255);
    view.Sel[0] = QColor(0, 128, 0);
    view.Sel[1] = QColor(0, 96, 0);
    view.Real[0] = QColor(255, 128, 64);
    view.Real[1] = QColor(128, 128, 255);
    view.Back[0] = QColor(128, 0, 0);
    view.Back[1] = QColor(0, 0, 160);
    view.Link[0] = QColor(255, 255, 0);
    view.Link[1] = QColor(200, 200, 0);
    view.HelpLines = QColor(0, 255, 0);
    view.Rotation = QColor(0, 255, 255);
    view.ShowPoints = view.ShowNumbers = view.ShowGrid = view.ShowBackframe = view.ShowLinks = false;
    view.Zoom = zoom;
    return view;
}

TPadScene Scene(const TPadView& view, const QSize& size, int scrollX = 0, int scrollY = 0)
{
    TPadScene scene = MakePadScene(view, scrollX, scrollY, size);
    scene.ButtonFace = ButtonFace;
    return scene;
}

QImage Paint(const TPadScene& scene)
{
    QImage image(scene.PadSize, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter canvas(&image);
    DrawPadScene(canvas, scene);
    return image;
}

// Centres out of the way of what a test looks at.
TLaserFrame EmptyFrame()
{
    TLaserFrame frame;
    frame.EffectCenterX = frame.EffectCenterY = frame.AuxCenterX = frame.AuxCenterY = 250;
    return frame;
}

int CountColor(const QImage& image, const QColor& color, QRect area = {})
{
    if (area.isNull())
        area = image.rect();
    area &= image.rect();
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            count += image.pixelColor(x, y) == color;
    return count;
}

int CountOther(const QImage& image, const QColor& color, const QRect& area)
{
    const QRect inside = area & image.rect();
    return inside.width() * inside.height() - CountColor(image, color, inside);
}

QList<int> LitColumns(const QImage& image, int row, const QColor& color)
{
    QList<int> columns;
    for (int x = 0; x < image.width(); ++x)
        if (image.pixelColor(x, row) == color)
            columns << x;
    return columns;
}

QList<int> LitRows(const QImage& image, int column, const QColor& color)
{
    QList<int> rows;
    for (int y = 0; y < image.height(); ++y)
        if (image.pixelColor(column, y) == color)
            rows << y;
    return rows;
}

QString At(const QPoint& p)
{
    return QStringLiteral("at %1,%2").arg(p.x()).arg(p.y());
}

} // namespace

class TestPadDrawing : public QObject {
    Q_OBJECT
private slots:
    void transformWithFlips_data();
    void transformWithFlips();
    void scrollMaximum_data();
    void scrollMaximum();
    void padBackground();
    void grid_data();
    void grid();
    void closingSegment_data();
    void closingSegment();
    void roundEdges_data();
    void roundEdges();
    void centreCrosses_data();
    void centreCrosses();
    void markerColour_data();
    void markerColour();
    void markerShapeAndFill_data();
    void markerShapeAndFill();
    void pointLabels();
    void equilateralMarker_data();
    void equilateralMarker();
    void backframeAndLinks_data();
    void backframeAndLinks();
    void markedLinkShowsOnNextRepaint();
    void helpLines_data();
    void helpLines();
    void backgroundImage_data();
    void backgroundImage();
    void rulerTickStep_data();
    void rulerTickStep();
    void leftRulerTicks();
    void zoomInAtStep_data();
    void zoomInAtStep();
};

void TestPadDrawing::transformWithFlips_data()
{
    // A segment across the square at frame coordinate `coord` on the tested axis; a width-2
    // line at pixel p covers p - 1 and p.
    QTest::addColumn<bool>("vertical");   // x tested (vertical segment), else y
    QTest::addColumn<int>("zoom");
    QTest::addColumn<int>("scroll");      // on the tested axis
    QTest::addColumn<bool>("flipX");
    QTest::addColumn<bool>("flipY");
    QTest::addColumn<int>("coord");
    QTest::addColumn<int>("pixel");

    QTest::newRow("x plain") << true << 2 << 0 << false << false << 100 << 200;
    QTest::newRow("x scrolled") << true << 3 << 100 << false << false << 100 << 200;
    QTest::newRow("flip Y: x 0 at the right edge") << true << 2 << 0 << false << true << 0 << 512;
    QTest::newRow("flip Y: x 0 scrolled") << true << 3 << 100 << false << true << 0 << 668;
    QTest::newRow("flip Y: x 255 one zoom in") << true << 2 << 0 << false << true << 255 << 2;
    QTest::newRow("flip Y: x 255 at zoom 1") << true << 1 << 0 << false << true << 255 << 1;
    QTest::newRow("flip X leaves x") << true << 2 << 0 << true << false << 100 << 200;
    QTest::newRow("y plain") << false << 2 << 0 << false << false << 40 << 80;
    QTest::newRow("flip X: y 0 at the bottom edge") << false << 2 << 0 << true << false << 0 << 512;
    QTest::newRow("flip X: y 255 scrolled") << false << 4 << 2 << true << false << 255 << 2;
    QTest::newRow("flip Y leaves y") << false << 2 << 0 << false << true << 40 << 80;
}

void TestPadDrawing::transformWithFlips()
{
    QFETCH(bool, vertical);
    QFETCH(int, zoom);
    QFETCH(int, scroll);
    QFETCH(bool, flipX);
    QFETCH(bool, flipY);
    QFETCH(int, coord);
    QFETCH(int, pixel);

    TLaserFrame frame = EmptyFrame();
    frame.EffectCenterX = frame.EffectCenterY = frame.AuxCenterX = frame.AuxCenterY = 0;
    if (vertical) {
        AddNumberedPoint(frame, coord, 16);
        AddNumberedPoint(frame, coord, 240);
    } else {
        AddNumberedPoint(frame, 16, coord);
        AddNumberedPoint(frame, 240, coord);
    }
    TPadView view = QuietView(zoom);
    view.FlipX = flipX;
    view.FlipY = flipY;
    TPadScene scene = Scene(view, QSize(800, 800), vertical ? scroll : 0, vertical ? 0 : scroll);
    scene.Current = &frame;
    const QImage image = Paint(scene);

    const int across = 128 * zoom;   // the middle of the segment on the other axis
    const QList<int> lit = vertical ? LitColumns(image, across, view.Norm[0])
                                    : LitRows(image, across, view.Norm[0]);
    QCOMPARE(lit, QList<int>({pixel - 1, pixel}));
}

void TestPadDrawing::scrollMaximum_data()
{
    QTest::addColumn<int>("zoom");
    QTest::addColumn<int>("extent");
    QTest::addColumn<int>("maximum");
    QTest::newRow("zoom 1, wide pad") << 1 << 600 << 0;
    QTest::newRow("zoom 1, exact fit") << 1 << 256 << 0;
    QTest::newRow("zoom 2, small pad") << 2 << 400 << 112;
    QTest::newRow("zoom 8, one pixel short") << 8 << 2047 << 1;
}

void TestPadDrawing::scrollMaximum()
{
    QFETCH(int, zoom);
    QFETCH(int, extent);
    QFETCH(int, maximum);
    QCOMPARE(ScrollMaximum(zoom, extent), maximum);
}

void TestPadDrawing::padBackground()
{
    // The square and the strips stay in unscrolled pixels.
    const QImage wide = Paint(Scene(QuietView(1), QSize(300, 280)));
    QCOMPARE(wide.pixelColor(255, 255), Background);
    QCOMPARE(wide.pixelColor(256, 0), ButtonFace);
    QCOMPARE(wide.pixelColor(0, 256), ButtonFace);
    QCOMPARE(wide.pixelColor(299, 279), ButtonFace);

    const QImage scrolled = Paint(Scene(QuietView(2), QSize(300, 280), 212, 0));
    QCOMPARE(CountColor(scrolled, Background), 300 * 280);
}

void TestPadDrawing::grid_data()
{
    QTest::addColumn<int>("gridSize");
    QTest::addColumn<bool>("flipX");
    QTest::addColumn<QList<int>>("rows");

    QList<int> every4;
    for (int v = 4; v <= 252; v += 4)
        every4 << v;
    QTest::newRow("128: the middle only") << 128 << false << QList<int>{128};
    QTest::newRow("4: 4 to 252") << 4 << false << every4;
    QTest::newRow("100 flipped at 256") << 100 << true << QList<int>{56, 156};
    QTest::newRow("0: none") << 0 << false << QList<int>{};
    QTest::newRow("negative: none") << -16 << false << QList<int>{};
    QTest::newRow("300: none") << 300 << false << QList<int>{};
}

void TestPadDrawing::grid()
{
    QFETCH(int, gridSize);
    QFETCH(bool, flipX);
    QFETCH(QList<int>, rows);

    TPadView view = QuietView(1);
    view.ShowGrid = true;
    view.GridSize = gridSize;
    view.FlipX = flipX;
    const QImage image = Paint(Scene(view, QSize(260, 260)));

    // A row holds a horizontal line when it has grey off the vertical lines' columns.
    QList<int> found;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const bool onVertical = gridSize > 0 && x > 0 && x < 255 && x % gridSize == 0;
            if (!onVertical && image.pixelColor(x, y) == GridGrey) {
                found << y;
                break;
            }
        }
    }
    QCOMPARE(found, rows);
    // The vertical lines are unflipped here and sit in the same places as unflipped rows.
    for (int v : std::as_const(rows)) {
        const int column = flipX ? 256 - v : v;
        QVERIFY2(!LitRows(image, column, GridGrey).isEmpty(), qPrintable(QString::number(column)));
    }
}

void TestPadDrawing::closingSegment_data()
{
    // Point 0 is blanked, so 0 -> 1 is dotted; the segment back from the last point to point 0
    // is solid and fills every pixel of its way when drawn.
    QTest::addColumn<int>("points");
    QTest::addColumn<bool>("closeLoop");
    QTest::addColumn<bool>("closed");

    QTest::newRow("three points") << 3 << true << true;
    QTest::newRow("three points, open") << 3 << false << false;
    QTest::newRow("two points: one segment only") << 2 << true << false;
}

void TestPadDrawing::closingSegment()
{
    QFETCH(int, points);
    QFETCH(bool, closeLoop);
    QFETCH(bool, closed);

    TLaserFrame frame = EmptyFrame();
    AddNumberedPoint(frame, 32, 128, TSmallPoint::FlagBlank);
    AddNumberedPoint(frame, 224, 128);
    if (points == 3)
        AddNumberedPoint(frame, 32, 32);
    TPadView view = QuietView(2);
    view.CloseLoop = closeLoop;
    TPadScene scene = Scene(view, QSize(512, 512));
    scene.Current = &frame;
    const QImage image = Paint(scene);

    // The way back from the last point to point 0, without its ends.
    const QPoint last(frame.Points.back().X * 2, frame.Points.back().Y * 2), first(64, 256);
    int lit = 0, total = 0;
    for (int t = 10; t <= 90; ++t) {
        const QPoint p = last + (first - last) * t / 100;
        lit += image.pixelColor(p) == view.Norm[0];
        ++total;
    }
    QCOMPARE(lit == total, closed);
    if (!closed && points == 2)
        QVERIFY2(lit > 0, "the dotted segment itself is drawn");
}

void TestPadDrawing::roundEdges_data()
{
    QTest::addColumn<int>("points");
    QTest::addColumn<bool>("round");
    QTest::addColumn<bool>("closeLoop");
    QTest::addColumn<int>("sharpMask");   // bit i: point i is sharp
    QTest::addColumn<bool>("curves");

    QTest::newRow("three points") << 3 << true << true << 0 << true;
    QTest::newRow("switched off") << 3 << false << true << 0 << false;
    QTest::newRow("two points") << 2 << true << true << 0 << false;
    QTest::newRow("all sharp") << 3 << true << true << 7 << false;
    QTest::newRow("ends wrap also on an open loop") << 3 << true << false << 6 << true;
}

void TestPadDrawing::roundEdges()
{
    QFETCH(int, points);
    QFETCH(bool, round);
    QFETCH(bool, closeLoop);
    QFETCH(int, sharpMask);
    QFETCH(bool, curves);

    TLaserFrame frame = EmptyFrame();
    const QPoint corners[] = {{32, 32}, {224, 32}, {224, 224}};
    for (int i = 0; i < points; ++i)
        AddNumberedPoint(frame, corners[i].x(), corners[i].y(),
                 (sharpMask >> i) & 1 ? TSmallPoint::FlagSharp : 0);
    TPadView view = QuietView(2);
    view.ShowRound = round;
    view.CloseLoop = closeLoop;
    TPadScene scene = Scene(view, QSize(512, 512));
    scene.Current = &frame;
    const QImage image = Paint(scene);

    QCOMPARE(CountColor(image, view.Real[0]) > 0, curves);
    if (curves) {
        // Point 0's curve runs from the middle of its closing edge to the middle of 0 -> 1,
        // bending towards point 0: it stays inside the corner's box.
        QVERIFY(CountColor(image, view.Real[0], QRect(64, 64, 160, 160)) > 0);
    }
}

void TestPadDrawing::centreCrosses_data()
{
    QTest::addColumn<bool>("flips");
    QTest::newRow("plain") << false;
    QTest::newRow("flips do not move the centres") << true;
}

void TestPadDrawing::centreCrosses()
{
    QFETCH(bool, flips);

    TLaserFrame frame;
    frame.EffectCenterX = 40;
    frame.EffectCenterY = 40;
    frame.AuxCenterX = 200;
    frame.AuxCenterY = 100;
    TPadView view = QuietView(2);
    view.FlipX = view.FlipY = flips;
    TPadScene scene = Scene(view, QSize(512, 512));
    scene.Current = &frame;
    const QImage image = Paint(scene);
    const QColor& cross = view.Rotation;

    // Effect centre at (80, 80): width 2, from (ex-5, ey-5) up to (ex+6, ey+6) exclusive.
    for (const QPoint p : {QPoint(75, 75), QPoint(80, 80), QPoint(85, 85), QPoint(85, 75),
                           QPoint(75, 85)})
        QVERIFY2(image.pixelColor(p) == cross, qPrintable(At(p)));
    for (const QPoint p : {QPoint(86, 86), QPoint(87, 87), QPoint(74, 74)})
        QVERIFY2(image.pixelColor(p) == Background, qPrintable(At(p)));

    // Auxiliary centre at (400, 200): one pixel wide, the same end points.
    for (const QPoint p : {QPoint(395, 195), QPoint(400, 200), QPoint(405, 205),
                           QPoint(395, 206), QPoint(405, 196)})
        QVERIFY2(image.pixelColor(p) == cross, qPrintable(At(p)));
    for (const QPoint p : {QPoint(406, 206), QPoint(401, 199), QPoint(406, 195), QPoint(394, 194)})
        QVERIFY2(image.pixelColor(p) != cross, qPrintable(At(p)));

    // The dotted line between them.
    const int between = CountColor(image, cross, QRect(120, 95, 240, 70));
    QVERIFY2(between > 30 && between < 200, qPrintable(QString::number(between)));
}

void TestPadDrawing::markerColour_data()
{
    QTest::addColumn<int>("selection");
    QTest::addColumn<bool>("isCurrent");
    QTest::addColumn<bool>("multiSelect");
    QTest::addColumn<bool>("selectedColour");

    QTest::newRow("plain") << 0 << false << false << false;
    QTest::newRow("selection 1") << 1 << false << false << true;
    QTest::newRow("selection 1 in a multi-selection") << 1 << false << true << true;
    QTest::newRow("current point") << 0 << true << false << true;
    QTest::newRow("current point in a multi-selection") << 0 << true << true << false;
    QTest::newRow("new point: not selection 1") << 65535 << false << false << false;
    QTest::newRow("new point, current") << 65535 << true << false << true;
}

void TestPadDrawing::markerColour()
{
    QFETCH(int, selection);
    QFETCH(bool, isCurrent);
    QFETCH(bool, multiSelect);
    QFETCH(bool, selectedColour);

    TLaserFrame frame = EmptyFrame();
    AddNumberedPoint(frame, 10, 10);   // point 0, never current here
    AddNumberedPoint(frame, 100, 100);
    frame.Points[1].Selection = quint16(selection);
    frame.Flags = TLaserFrame::FlagColor;   // the second colour of each pair
    TPadView view = QuietView(2);
    view.ShowPoints = true;
    view.CurrentPoint = isCurrent ? 1 : 0;
    view.MultiSelect = multiSelect;
    TPadScene scene = Scene(view, QSize(512, 512));
    scene.Current = &frame;
    const QImage image = Paint(scene);

    // Top of the circle around (200, 200), r = 6; the segment from point 0 ends there too,
    // so look at the top.
    const QColor expected = selectedColour ? view.Sel[1] : view.Norm[1];
    QCOMPARE(image.pixelColor(200, 194), expected);
}

void TestPadDrawing::markerShapeAndFill_data()
{
    QTest::addColumn<bool>("sharp");
    QTest::addColumn<bool>("marked");
    QTest::addColumn<int>("mask");
    QTest::addColumn<bool>("cornerLit");
    QTest::addColumn<bool>("linkFill");

    QTest::newRow("circle") << false << false << 1 << false << false;
    QTest::newRow("square when sharp") << true << false << 1 << true << false;
    QTest::newRow("marked: link colour") << false << true << 1 << false << true;
    QTest::newRow("marked, mask 0: black") << true << true << 0 << true << false;
}

void TestPadDrawing::markerShapeAndFill()
{
    QFETCH(bool, sharp);
    QFETCH(bool, marked);
    QFETCH(int, mask);
    QFETCH(bool, cornerLit);
    QFETCH(bool, linkFill);

    TLaserFrame frame = EmptyFrame();
    AddNumberedPoint(frame, 100, 100, sharp ? TSmallPoint::FlagSharp : 0);
    frame.Points[0].Marked = marked;
    frame.Flags = TLaserFrame::FlagColor;
    TPadView view = QuietView(2);
    view.ShowPoints = true;
    view.CircleSize = 4;   // r = 8
    TPadScene scene = Scene(view, QSize(512, 512));
    QImage image(scene.PadSize, QImage::Format_RGB32);
    image.fill(Background);
    {
        QPainter canvas(&image);
        DrawFrame(canvas, scene, frame, {view.Real[1], view.Sel[1], view.Norm[1]}, mask, false);
    }
    QCOMPARE(image.pixelColor(192, 192) == view.Sel[1], cornerLit);   // point 0 is current
    QCOMPARE(image.pixelColor(202, 203), linkFill ? view.Link[1] : QColor(Qt::black));
    QCOMPARE(image.pixelColor(200, 214), Background);   // the box ends at sy + r
}

void TestPadDrawing::pointLabels()
{
    TLaserFrame frame = EmptyFrame();
    AddNumberedPoint(frame, 100, 100);
    frame.Points[0].Name = QStringLiteral("88");
    TPadView view = QuietView(2);
    view.ShowPoints = true;
    view.CurrentPoint = 5;   // not this point: normal colour
    TPadScene scene = Scene(view, QSize(512, 512));
    scene.Current = &frame;
    // The text's top-left corner is (sx + r + 2, sy - r) = (208, 194).
    const QRect label(208, 194, 40, 30);
    const QRect marker(192, 192, 16, 16);

    QCOMPARE(CountOther(Paint(scene), Background, label), 0);
    scene.View.ShowNumbers = true;
    const QImage image = Paint(scene);
    QVERIFY(CountColor(image, view.Norm[0], label) > 0);
    QVERIFY(CountOther(image, Background, label) > 5);
    QCOMPARE(CountOther(image, Background, QRect(208, 170, 40, 23)), 0);
    QVERIFY(CountColor(image, view.Norm[0], marker) > 0);   // the marker itself
}

void TestPadDrawing::equilateralMarker_data()
{
    QTest::addColumn<bool>("hidden");
    QTest::addColumn<bool>("flipY");
    QTest::addColumn<QPoint>("centre");
    QTest::newRow("hidden") << true << false << QPoint(64, 128);
    QTest::newRow("shown") << false << false << QPoint(64, 128);
    QTest::newRow("shown, mirrored with the view") << false << true << QPoint(192, 128);
}

void TestPadDrawing::equilateralMarker()
{
    QFETCH(bool, hidden);
    QFETCH(bool, flipY);
    QFETCH(QPoint, centre);

    TLaserFrame frame = EmptyFrame();
    TPadView view = QuietView(1);
    view.HideEquilateralCenter = hidden;
    view.EquilateralCenterX = 64;
    view.EquilateralCenterY = 128;
    view.FlipY = flipY;
    TPadScene scene = Scene(view, QSize(256, 256));
    scene.Current = &frame;
    const QImage image = Paint(scene);

    const int total = CountColor(image, Magenta);
    if (hidden) {
        QCOMPARE(total, 0);
        return;
    }
    // A dotted circle of half-width r = 6 around the centre, nothing elsewhere.
    QCOMPARE(CountColor(image, Magenta, QRect(centre - QPoint(7, 7), QSize(15, 15))), total);
    QVERIFY(total > 8);
    QCOMPARE(image.pixelColor(centre), Background);
}

void TestPadDrawing::backframeAndLinks_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<bool>("showBackframe");
    QTest::addColumn<bool>("showLinks");
    QTest::addColumn<bool>("previousColorBit");
    QTest::addColumn<bool>("backDrawn");
    QTest::addColumn<bool>("linksDrawn");

    QTest::addColumn<bool>("linkIsCurrent");   // the linked point is CurrentPoint: solid

    QTest::newRow("frame 0 has none") << 0 << true << true << false << false << false << false;
    QTest::newRow("frame 1: dashed") << 1 << true << true << false << true << true << false;
    QTest::newRow("current point: solid") << 1 << true << true << false << true << true << true;
    QTest::newRow("by the previous frame's colour")
        << 1 << true << true << true << true << true << false;
    QTest::newRow("links need the backframe")
        << 1 << false << true << false << false << false << false;
    QTest::newRow("links off") << 1 << true << false << false << true << false << false;
}

void TestPadDrawing::backframeAndLinks()
{
    QFETCH(int, index);
    QFETCH(bool, showBackframe);
    QFETCH(bool, showLinks);
    QFETCH(bool, previousColorBit);
    QFETCH(bool, backDrawn);
    QFETCH(bool, linksDrawn);
    QFETCH(bool, linkIsCurrent);

    TLaserFrame previous = EmptyFrame();
    AddNumberedPoint(previous, 20, 200);
    AddNumberedPoint(previous, 236, 200);
    previous.Flags = previousColorBit ? TLaserFrame::FlagColor : 0;
    TLaserFrame current = EmptyFrame();
    AddNumberedPoint(current, 20, 40);
    AddNumberedPoint(current, 236, 40);
    current.FitLinks(2);
    current.Links.Set(1, 0, true);   // a diagonal from (20, 200) to (236, 40)
    current.Points[1].Marked = true;

    TPadView view = QuietView(1);
    view.ShowBackframe = showBackframe;
    view.ShowLinks = showLinks;
    view.CurrentPoint = linkIsCurrent ? 1 : 0;
    TPadScene scene = Scene(view, QSize(256, 256));
    scene.Current = &current;
    scene.Previous = &previous;
    scene.CurrentFrameIndex = index;
    const QImage image = Paint(scene);

    const int pair = previousColorBit ? 1 : 0;
    QCOMPARE(CountColor(image, view.Back[pair]) > 100, backDrawn);
    QCOMPARE(CountColor(image, view.Back[1 - pair]), 0);
    // One pixel per column over the 216 columns of the link line, fewer where it is dashed.
    const int link = CountColor(image, view.Link[pair]);
    QCOMPARE(link > 20, linksDrawn);
    if (linksDrawn)
        QVERIFY2(linkIsCurrent ? link >= 210 : link < 180, qPrintable(QString::number(link)));
    QCOMPARE(CountColor(image, view.Link[1 - pair]), 0);
    // The points lie far apart: examining the link clears the mark.
    QCOMPARE(current.Points[1].Marked, !linksDrawn);
}

void TestPadDrawing::markedLinkShowsOnNextRepaint()
{
    TLaserFrame previous = EmptyFrame();
    AddNumberedPoint(previous, 100, 100);
    TLaserFrame current = EmptyFrame();
    AddNumberedPoint(current, 102, 100);   // 4 pixels off at zoom 2, closer than 4 * CircleSize = 12
    AddNumberedPoint(current, 20, 20);     // no link: keeps its mark
    current.Points[1].Marked = true;
    current.FitLinks(1);
    current.Links.Set(0, 0, true);

    TPadView view = QuietView(2);
    view.ShowPoints = view.ShowBackframe = view.ShowLinks = true;
    TPadScene scene = Scene(view, QSize(512, 512));
    scene.Current = &current;
    scene.Previous = &previous;
    scene.CurrentFrameIndex = 1;
    // Inside the current marker around (204, 200), outside the backframe's around (200, 200).
    const QPoint fill(207, 202);

    QCOMPARE(Paint(scene).pixelColor(fill), QColor(Qt::black));
    QVERIFY(current.Points[0].Marked);
    QCOMPARE(Paint(scene).pixelColor(fill), view.Link[0]);

    current.Points[0].X = 150;     // moved apart
    const QPoint movedFill(303, 202);
    QCOMPARE(Paint(scene).pixelColor(movedFill), view.Link[0]);
    QVERIFY(!current.Points[0].Marked);
    QCOMPARE(Paint(scene).pixelColor(movedFill), QColor(Qt::black));
    QVERIFY(current.Points[1].Marked);
}

void TestPadDrawing::helpLines_data()
{
    QTest::addColumn<bool>("snapHelp");
    QTest::addColumn<bool>("flips");
    QTest::newRow("off") << false << false;
    QTest::newRow("on") << true << false;
    QTest::newRow("on, unmirrored in a flipped view") << true << true;
}

void TestPadDrawing::helpLines()
{
    QFETCH(bool, snapHelp);
    QFETCH(bool, flips);

    TLaserFrame frame = EmptyFrame();
    frame.HelpLines.XLines = {64};
    frame.HelpLines.YLines = {32};
    frame.HelpLines.Add2P({10, 200}, {100, 200});
    TPadView view = QuietView(2);
    view.SnapHelp = snapHelp;
    view.FlipX = view.FlipY = flips;
    TPadScene scene = Scene(view, QSize(512, 512), 10, 0);
    scene.Current = &frame;
    const QImage image = Paint(scene);
    const QColor& color = view.HelpLines;

    if (!snapHelp) {
        QCOMPARE(CountColor(image, color), 0);
        return;
    }
    QVERIFY(LitRows(image, 118, color).size() > 100);     // x 64 scrolled by 10
    QVERIFY(LitColumns(image, 64, color).size() > 100);   // y 32
    const int twoPoint = LitColumns(image, 400, color).size();
    QVERIFY2(twoPoint > 20 && twoPoint < 100, qPrintable(QString::number(twoPoint)));
    QCOMPARE(CountColor(image, color, QRect(0, 70, 110, 60)), 0);
}

void TestPadDrawing::backgroundImage_data()
{
    // A 512 x 512 bitmap with four coloured quadrants, on a 256-pixel square at zoom 1.
    QTest::addColumn<int>("mode");
    QTest::addColumn<QList<int>>("part");     // X1, Y1, X2, Y2
    QTest::addColumn<int>("zoom");
    QTest::addColumn<int>("scrollX");
    QTest::addColumn<QList<int>>("quadrants"); // expected at (64,64), (192,64), (64,192), (192,192); -1 background

    const QList<int> part{256, 0, 512, 256};
    QTest::newRow("no image") << 0 << part << 1 << 0 << QList<int>{-1, -1, -1, -1};
    QTest::newRow("full") << 2 << part << 1 << 0 << QList<int>{0, 1, 2, 3};
    QTest::newRow("part") << 1 << part << 1 << 0 << QList<int>{1, 1, 1, 1};
    QTest::newRow("part picked right to left")
        << 1 << QList<int>{512, 0, 0, 256} << 1 << 0 << QList<int>{1, 0, 1, 0};
    QTest::newRow("other mode: top-left 256 square") << 3 << part << 1 << 0 << QList<int>{0, 0, 0, 0};
    QTest::newRow("full, scrolled") << 2 << part << 2 << 256 << QList<int>{1, 1, 1, 1};
}

void TestPadDrawing::backgroundImage()
{
    QFETCH(int, mode);
    QFETCH(QList<int>, part);
    QFETCH(int, zoom);
    QFETCH(int, scrollX);
    QFETCH(QList<int>, quadrants);

    const QColor colors[4] = {QColor(200, 10, 10), QColor(10, 200, 10), QColor(10, 10, 200),
                              QColor(200, 200, 10)};
    TLaserFrame frame = EmptyFrame();
    frame.Image = QImage(512, 512, QImage::Format_RGB32);
    {
        QPainter canvas(&frame.Image);
        for (int q = 0; q < 4; ++q)
            canvas.fillRect(QRect((q % 2) * 256, (q / 2) * 256, 256, 256), colors[q]);
    }
    frame.ImagePart = {part[0], part[1], part[2], part[3]};
    TPadView view = QuietView(zoom);
    view.Image = mode;
    TPadScene scene = Scene(view, QSize(256, 256), scrollX, 0);
    scene.Current = &frame;
    const QImage image = Paint(scene);

    const QPoint probes[4] = {{64, 64}, {192, 64}, {64, 192}, {192, 192}};
    for (int i = 0; i < 4; ++i) {
        const QColor expected = quadrants[i] < 0 ? Background : colors[quadrants[i]];
        QVERIFY2(image.pixelColor(probes[i]) == expected, qPrintable(At(probes[i])));
    }
}

void TestPadDrawing::rulerTickStep_data()
{
    QTest::addColumn<int>("gridSize");
    QTest::addColumn<int>("zoom");
    QTest::addColumn<int>("textWidth");
    QTest::addColumn<int>("step");

    QTest::newRow("zoom 1, grid 4: up to 32") << 4 << 1 << 25 << 32;
    QTest::newRow("exact fit") << 4 << 1 << 32 << 32;
    QTest::newRow("one pixel more") << 4 << 1 << 33 << 64;
    QTest::newRow("zoom 8 fits at once") << 4 << 8 << 25 << 4;
    QTest::newRow("zoom 2, grid 16") << 16 << 2 << 25 << 16;
    QTest::newRow("grid 0: no ticks") << 0 << 1 << 25 << 0;
    QTest::newRow("negative grid: no ticks") << -8 << 1 << 25 << 0;
}

void TestPadDrawing::rulerTickStep()
{
    QFETCH(int, gridSize);
    QFETCH(int, zoom);
    QFETCH(int, textWidth);
    QFETCH(int, step);
    QCOMPARE(RulerTickStep(gridSize, zoom, textWidth), step);
}

void TestPadDrawing::leftRulerTicks()
{
    TPadView view = QuietView(1);
    view.GridSize = 4;
    const TPadScene scene = Scene(view, QSize(256, 256));
    QImage image(LeftRulerWidth, 300, QImage::Format_RGB32);
    QPainter canvas(&image);
    QFont font = canvas.font();
    font.setPixelSize(11);
    canvas.setFont(font);
    const int step = RulerTickStep(4, 1, canvas.fontMetrics().horizontalAdvance(QStringLiteral("-250")));
    DrawLeftRuler(canvas, scene, image.size());
    canvas.end();

    QVERIFY2(step >= 8 && (step & (step - 1)) == 0, qPrintable(QString::number(step)));
    // Ticks run from x = 4 at ty = v * Zoom + 1; the label is centred and leaves their ends.
    QList<int> ticks;
    for (int y = 0; y < 300; ++y)
        if (image.pixelColor(4, y) == QColor(Qt::black))
            ticks << y - 1;
    QList<int> expected;
    for (int v = step; v < 255; v += step)
        expected << v;
    QCOMPARE(ticks, expected);
    QCOMPARE(image.pixelColor(0, 10), QColor(Qt::white));
    QCOMPARE(image.pixelColor(2, 10), QColor(128, 128, 128));
}

void TestPadDrawing::zoomInAtStep_data()
{
    QTest::addColumn<int>("zoom");
    QTest::addColumn<QPoint>("scroll");
    QTest::addColumn<QPoint>("pointer");
    QTest::addColumn<QSize>("pad");
    QTest::addColumn<int>("newZoom");
    QTest::addColumn<QPoint>("newScroll");

    // (150 + 0) div 3 = 50; (50 - 128 div 3) * 3 = 24.
    QTest::newRow("zoom 2 to 3") << 2 << QPoint(0, 0) << QPoint(150, 150) << QSize(300, 300)
                                 << 3 << QPoint(24, 24);
    QTest::newRow("old scroll with the new zoom") << 3 << QPoint(200, 100) << QPoint(100, 0)
                                                  << QSize(300, 300) << 4 << QPoint(172, 0);
    QTest::newRow("clamped at 0") << 2 << QPoint(0, 0) << QPoint(10, 20) << QSize(300, 300)
                                  << 3 << QPoint(0, 0);
    QTest::newRow("negative pointer as 16 bits: clamped at the end")
        << 2 << QPoint(0, 0) << QPoint(-1, 150) << QSize(300, 300) << 3 << QPoint(468, 24);
    QTest::newRow("wide pad: no scrolling") << 1 << QPoint(0, 0) << QPoint(400, 200)
                                            << QSize(600, 300) << 2 << QPoint(0, 72);
    QTest::newRow("zoom 8: nothing") << 8 << QPoint(100, 50) << QPoint(10, 10) << QSize(300, 300)
                                     << 8 << QPoint(100, 50);
}

void TestPadDrawing::zoomInAtStep()
{
    QFETCH(int, zoom);
    QFETCH(QPoint, scroll);
    QFETCH(QPoint, pointer);
    QFETCH(QSize, pad);
    QFETCH(int, newZoom);
    QFETCH(QPoint, newScroll);

    const TZoomResult result = ZoomInAtStep(zoom, scroll.x(), scroll.y(), pointer.x(), pointer.y(),
                                            pad.width(), pad.height());
    QCOMPARE(result.Zoom, newZoom);
    QCOMPARE(QPoint(result.ScrollX, result.ScrollY), newScroll);
    QCOMPARE(ZoomOutStep(zoom), zoom > 1 ? zoom - 1 : 1);
}

QTEST_MAIN(TestPadDrawing)
#include "tst_paddrawing.moc"
