#include "Builders.h"
#include "PixelColours.h"
#include "FrameList.h"

#include <QDrag>
#include <QDragEnterEvent>
#include <QImage>
#include <QMimeData>
#include <QPainter>
#include <QSignalSpy>
#include <QTest>

class TestFrameList : public QObject {
    Q_OBJECT
private slots:
    void thumbnailDrawsClosedOutline();
    void thumbnailFlipsMirror_data();
    void thumbnailFlipsMirror();
    void thumbnailWithoutLineDrawsNothing_data();
    void thumbnailWithoutLineDrawsNothing();
    void entryUsesColourOfFlags_data();
    void entryUsesColourOfFlags();
    void entryShowsLockedOnlyWhenLocked_data();
    void entryShowsLockedOnlyWhenLocked();
    void entryOutlinesSelection_data();
    void entryOutlinesSelection();
    void entryAlignsTexts();
    void entryTexts_data();
    void entryTexts();
    void dropTarget_data();
    void dropTarget();
    void listDrawsOnlyItemsWithFrames();
    void itemIndexAtPointer();
    void pressReportsValidEntries_data();
    void pressReportsValidEntries();
    void dragMovesFrameOntoTarget_data();
    void dragMovesFrameOntoTarget();
    void shortMoveOrLockedFrameStartsNoDrag_data();
    void shortMoveOrLockedFrameStartsNoDrag();
    void foreignDragIsRefused();
};

namespace {

const QColor SelectionGreen{0, 128, 0};

QImage BlankImage(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Black);
    return image;
}

QImage Thumbnail(const TLaserFrame& frame, bool flipX = false, bool flipY = false)
{
    QImage image = BlankImage(100, 100);
    QPainter canvas(&image);
    DrawThumbnail(canvas, frame, Red, 4, 20, 10, flipX, flipY);
    return image;
}

bool IsColour(const QImage& image, int x, int y, const QColor& colour)
{
    return image.pixelColor(x, y) == colour;
}

// Pixels of a colour inside a rectangle of the image.
QList<QPoint> PixelsOf(const QImage& image, const QColor& colour, const QRect& area)
{
    QList<QPoint> found;
    const QRect box = area.intersected(image.rect());
    for (int y = box.top(); y <= box.bottom(); ++y)
        for (int x = box.left(); x <= box.right(); ++x)
            if (image.pixelColor(x, y) == colour)
                found << QPoint(x, y);
    return found;
}

int RightmostX(const QList<QPoint>& pixels)
{
    int right = -1;
    for (const QPoint& p : pixels)
        right = qMax(right, p.x());
    return right;
}

const QRect EntryRect(0, 0, 170, TFrameList::ItemHeight);

QImage Entry(const TLaserFrame& frame, bool selected = false,
             const TThumbColors& colors = TThumbColors())
{
    QImage image = BlankImage(EntryRect.width(), EntryRect.height());
    QPainter canvas(&image);
    DrawFrameEntry(canvas, EntryRect, frame, colors, selected, false, false);
    return image;
}

// A show of `count` named frames, each with a small square outline.
void FillShow(TLaserFrames& show, int count)
{
    for (int i = 0; i < count; ++i) {
        TLaserFrame& f = show.Add();
        f.Name = QStringLiteral("F%1").arg(i);
        f.Points = FrameOf({{40, 40}, {200, 40}, {200, 200}, {40, 200}}).Points;
    }
}

// The offscreen platform has no drag loop: this list plays the platform's part and
// delivers the enter, move and drop events a real drag to `DropAt` would bring.
class TDragList : public TFrameList {
public:
    QPoint DropAt;
    int Drags = 0;
    bool MoveAccepted = false;

protected:
    Qt::DropAction ExecDrag(QDrag& drag) override
    {
        ++Drags;
        QDragEnterEvent enter(DropAt, drag.supportedActions(), drag.mimeData(), Qt::LeftButton, {});
        QCoreApplication::sendEvent(viewport(), &enter);
        if (!enter.isAccepted())
            return Qt::IgnoreAction;
        QDragMoveEvent move(DropAt, drag.supportedActions(), drag.mimeData(), Qt::LeftButton, {});
        QCoreApplication::sendEvent(viewport(), &move);
        MoveAccepted = move.isAccepted();
        if (!MoveAccepted) {
            QDragLeaveEvent leave;
            QCoreApplication::sendEvent(viewport(), &leave);
            return Qt::IgnoreAction;
        }
        QDropEvent drop(DropAt, drag.supportedActions(), drag.mimeData(), Qt::NoButton, {});
        QCoreApplication::sendEvent(viewport(), &drop);
        return drop.isAccepted() ? drop.dropAction() : Qt::IgnoreAction;
    }
};

struct TListFixture {
    TLaserFrames Show;
    TDragList List;
    explicit TListFixture(int frames, int items = -1)
    {
        FillShow(Show, frames);
        for (int i = 0; i < (items < 0 ? frames : items); ++i)
            List.addItem(QString());
        List.SetShow(&Show);
        List.resize(180, (List.count() + 2) * TFrameList::ItemHeight);
        List.show();
    }
    QPoint CentreOf(int row) const { return List.visualItemRect(List.item(row)).center(); }
    QPoint BelowLast() const { return QPoint(20, List.count() * TFrameList::ItemHeight + 20); }

    // Press on `from`, then move `distance` pixels to the right with the button held.
    void PressAndMove(QPoint from, int distance)
    {
        QTest::mousePress(List.viewport(), Qt::LeftButton, {}, from);
        for (int dx = 1; dx <= distance; ++dx)
            QTest::mouseMove(List.viewport(), from + QPoint(dx, 0));
        QTest::mouseRelease(List.viewport(), Qt::LeftButton, {}, from + QPoint(distance, 0));
    }
};

} // namespace

void TestFrameList::thumbnailDrawsClosedOutline()
{
    // (8,8) (208,8) (8,208) at a quarter, offset (10, 20): corners (12,22) (62,22) (12,72).
    const QImage image = Thumbnail(FrameOf({{8, 8}, {208, 8}, {8, 208}}));
    for (QPoint p : {QPoint(12, 22), QPoint(62, 22), QPoint(12, 72),   // corners
                     QPoint(37, 22),                                  // first side
                     QPoint(37, 47),                                  // second side
                     QPoint(12, 47)})                                 // the closing side
        QVERIFY2(IsColour(image, p.x(), p.y(), Red), qPrintable(QStringLiteral("(%1,%2)").arg(p.x()).arg(p.y())));
    QVERIFY(!IsColour(image, 25, 35, Red));   // outline only, not filled
    // Nothing outside the 64 x 64 square of the thumbnail.
    const QList<QPoint> all = PixelsOf(image, Red, image.rect());
    QCOMPARE(PixelsOf(image, Red, QRect(10, 20, 64, 64)).size(), all.size());
}

void TestFrameList::thumbnailFlipsMirror_data()
{
    QTest::addColumn<bool>("flipX");
    QTest::addColumn<bool>("flipY");
    QTest::newRow("Flip X mirrors y") << true << false;
    QTest::newRow("Flip Y mirrors x") << false << true;
    QTest::newRow("both") << true << true;
}

void TestFrameList::thumbnailFlipsMirror()
{
    QFETCH(bool, flipX);
    QFETCH(bool, flipY);
    const TLaserFrame frame = FrameOf({{3, 10}, {250, 30}, {100, 240}});
    TLaserFrame mirrored = frame;
    for (TSmallPoint& p : mirrored.Points) {
        if (flipY)
            p.X = quint8(255 - p.X);
        if (flipX)
            p.Y = quint8(255 - p.Y);
    }
    const QImage flipped = Thumbnail(frame, flipX, flipY);
    QCOMPARE(flipped, Thumbnail(mirrored));
    QVERIFY(flipped != Thumbnail(frame));
}

void TestFrameList::thumbnailWithoutLineDrawsNothing_data()
{
    QTest::addColumn<TLaserFrame>("frame");
    QTest::newRow("no points") << TLaserFrame();
    QTest::newRow("one point") << FrameOf({{100, 100}});
}

void TestFrameList::thumbnailWithoutLineDrawsNothing()
{
    QFETCH(TLaserFrame, frame);
    QVERIFY(PixelsOf(Thumbnail(frame), Red, QRect(0, 0, 100, 100)).isEmpty());
}

void TestFrameList::entryUsesColourOfFlags_data()
{
    QTest::addColumn<quint16>("flags");
    QTest::addColumn<QColor>("drawn");
    QTest::addColumn<QColor>("notDrawn");
    QTest::newRow("colour 0") << quint16(0) << Red << Blue;
    QTest::newRow("colour 1") << quint16(TLaserFrame::FlagColor) << Blue << Red;
}

void TestFrameList::entryUsesColourOfFlags()
{
    QFETCH(quint16, flags);
    QFETCH(QColor, drawn);
    QFETCH(QColor, notDrawn);
    TLaserFrame frame = FrameOf({{0, 0}, {200, 0}, {200, 200}});
    frame.Flags = flags;
    const QImage image = Entry(frame);
    // The thumbnail sits at (L, T + 18): its top side runs along y = 18.
    QVERIFY(IsColour(image, 25, 18, drawn));
    QVERIFY(IsColour(image, 50, 40, drawn));   // right side x = 200 / 4
    QVERIFY(PixelsOf(image, notDrawn, QRect(0, 16, 64, 68)).isEmpty());
}

void TestFrameList::entryShowsLockedOnlyWhenLocked_data()
{
    QTest::addColumn<quint16>("flags");
    QTest::addColumn<bool>("locked");
    QTest::newRow("unlocked") << quint16(0) << false;
    QTest::newRow("locked") << quint16(TLaserFrame::FlagLocked) << true;
    QTest::newRow("locked, colour 1") << quint16(TLaserFrame::FlagLocked | TLaserFrame::FlagColor) << true;
}

void TestFrameList::entryShowsLockedOnlyWhenLocked()
{
    QFETCH(quint16, flags);
    QFETCH(bool, locked);
    TLaserFrame frame;
    frame.Flags = flags;
    const QImage image = Entry(frame);
    const QList<QPoint> red = PixelsOf(image, Red, QRect(0, 0, EntryRect.width(), 16));
    QCOMPARE(!red.isEmpty(), locked);
    if (locked) {
        // Right-aligned to end 2 pixels left of the right edge.
        const int right = RightmostX(red);
        QVERIFY2(right <= EntryRect.width() - 3 && right >= EntryRect.width() - 6, qPrintable(QString::number(right)));
        QVERIFY(PixelsOf(image, Red, QRect(0, 0, 100, 16)).isEmpty());
    }
}

void TestFrameList::entryOutlinesSelection_data()
{
    QTest::addColumn<bool>("selected");
    QTest::newRow("selected") << true;
    QTest::newRow("not selected") << false;
}

void TestFrameList::entryOutlinesSelection()
{
    QFETCH(bool, selected);
    const QImage image = Entry(TLaserFrame(), selected);
    const int w = EntryRect.width(), h = EntryRect.height();
    const QList<QPoint> top = PixelsOf(image, SelectionGreen, QRect(0, 0, w, 1));
    const QList<QPoint> bottom = PixelsOf(image, SelectionGreen, QRect(0, h - 1, w, 1));
    const QList<QPoint> right = PixelsOf(image, SelectionGreen, QRect(w - 1, 0, 1, h));
    QCOMPARE(!top.isEmpty(), selected);
    QCOMPARE(!bottom.isEmpty(), selected);
    QCOMPARE(!right.isEmpty(), selected);
    // Dotted, inside the entry, and nowhere but on its edge.
    QVERIFY(top.size() < w / 2 + 1);
    QVERIFY(PixelsOf(image, SelectionGreen, QRect(1, 1, w - 2, h - 2)).isEmpty());
}

void TestFrameList::entryAlignsTexts()
{
    TThumbColors colors;
    colors.Background = QColor(0, 0, 80);   // shows the text boxes
    TLaserFrame frame;
    frame.Name = QStringLiteral("Intro");
    frame.Delay = 123;
    frame.Effect = EffectRotate;
    frame.EffectParam = 90;
    const QImage image = Entry(frame, false, colors);
    const int w = EntryRect.width();
    // Name from (2, 2) on; values end 6 pixels left of the right edge on each line.
    const QList<QPoint> name = PixelsOf(image, Green, QRect(0, 0, 66, 16));
    QVERIFY(!name.isEmpty());
    for (int lineTop : {20, 34, 48, 62}) {
        const QList<QPoint> values = PixelsOf(image, Green, QRect(110, lineTop, w - 110, 14));
        const int right = RightmostX(values);
        QVERIFY2(right <= w - 7 && right >= w - 10, qPrintable(QStringLiteral("line %1: %2").arg(lineTop).arg(right)));
        const QList<QPoint> labels = PixelsOf(image, Green, QRect(66, lineTop, 30, 14));
        QVERIFY2(!labels.isEmpty(), qPrintable(QStringLiteral("label of line %1").arg(lineTop)));
        // Text drawn below its top: the top row of the line stays free of glyphs above it.
        QVERIFY(PixelsOf(image, Green, QRect(66, lineTop - 1, w - 66, 1)).isEmpty());
    }
    // Texts sit on opaque boxes of the background colour.
    QVERIFY(IsColour(image, 66, 20, colors.Background));
}

void TestFrameList::entryTexts_data()
{
    QTest::addColumn<int>("effect");
    QTest::addColumn<int>("param");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("value");   // empty: no "Rotation:" line
    QTest::newRow("Slide") << 0 << 5 << "Slide" << QString();
    QTest::newRow("Morph") << 1 << 1 << "Morph" << QString();
    QTest::newRow("Plode trig") << 2 << 1 << "-plode" << "Trig";
    QTest::newRow("X-Flip lin") << 3 << 0 << "X-Flip" << "Lin";
    QTest::newRow("Y-Flip other value") << 4 << 7 << "Y-Flip" << "Lin";
    QTest::newRow("D-Flip trig") << 5 << 1 << "D-Flip" << "Trig";
    QTest::newRow("Rotate") << 6 << 270 << "Rotate" << QStringLiteral("270\u00B0");
    QTest::newRow("Drain negative") << 7 << -45 << "Drain" << QStringLiteral("-45\u00B0");
    QTest::newRow("unknown") << 9 << 1 << "?" << QString();
    QTest::newRow("largest code") << 65535 << 0 << "?" << QString();
}

void TestFrameList::entryTexts()
{
    QFETCH(int, effect);
    QFETCH(int, param);
    QFETCH(QString, name);
    QFETCH(QString, value);
    QCOMPARE(ThumbEffectName(effect), name);
    QCOMPARE(ThumbParamText(effect, param), value);

    // The entry shows a fifth line exactly when there is a value.
    TLaserFrame frame;
    frame.Effect = quint16(effect);
    frame.EffectParam = qint16(param);
    const QImage image = Entry(frame);
    QCOMPARE(PixelsOf(image, Green, QRect(66, 62, EntryRect.width() - 66, 14)).isEmpty(), value.isEmpty());
}

void TestFrameList::dropTarget_data()
{
    QTest::addColumn<int>("target");
    QTest::addColumn<int>("selected");
    QTest::addColumn<int>("itemCount");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("outside the list") << -1 << 0 << 5 << false;
    QTest::newRow("onto itself") << 2 << 2 << 5 << false;
    QTest::newRow("last below the end") << 5 << 4 << 5 << false;
    QTest::newRow("last onto an earlier item") << 1 << 4 << 5 << true;
    QTest::newRow("first below the end") << 5 << 0 << 5 << true;
    QTest::newRow("onto a neighbour") << 3 << 2 << 5 << true;
    QTest::newRow("onto a later item") << 4 << 1 << 5 << true;
    QTest::newRow("nothing selected") << 1 << -1 << 5 << true;
}

void TestFrameList::dropTarget()
{
    QFETCH(int, target);
    QFETCH(int, selected);
    QFETCH(int, itemCount);
    QFETCH(bool, accepted);
    QCOMPARE(DropTargetAccepted(target, selected, itemCount), accepted);
}

void TestFrameList::listDrawsOnlyItemsWithFrames()
{
    // Three items but two frames, as between a delete and the next frame switch.
    TListFixture f(2, 3);
    TThumbColors colors;
    colors.Background = QColor(40, 40, 40);
    f.List.SetColors(colors);
    const QImage image = f.List.viewport()->grab().toImage();
    const QRect second = f.List.visualItemRect(f.List.item(1));
    const QRect third = f.List.visualItemRect(f.List.item(2));
    QCOMPARE(second.height(), TFrameList::ItemHeight);
    QCOMPARE(second.width(), f.List.viewport()->width());   // entries span the list
    QCOMPARE(image.pixelColor(second.right() - 1, second.bottom() - 1), colors.Background);
    QCOMPARE(image.pixelColor(third.right() - 1, third.bottom() - 1), Black);
    // The second entry shows its own frame's outline in colour 0.
    QVERIFY(!PixelsOf(image, Red, second).isEmpty());
}

void TestFrameList::itemIndexAtPointer()
{
    TListFixture f(3);
    const QRect last = f.List.visualItemRect(f.List.item(2));
    QCOMPARE(f.List.ItemIndexAt(f.CentreOf(0)), 0);
    QCOMPARE(f.List.ItemIndexAt(QPoint(last.right(), last.top())), 2);
    QCOMPARE(f.List.ItemIndexAt(QPoint(5, last.bottom() + 10)), 3);   // below the last item
    QCOMPARE(f.List.ItemIndexAt(QPoint(-3, 10)), -1);                  // outside the list
}

void TestFrameList::pressReportsValidEntries_data()
{
    QTest::addColumn<int>("frames");
    QTest::addColumn<int>("items");
    QTest::addColumn<int>("pressedRow");   // -1: below the last item
    QTest::addColumn<quint16>("flags");
    QTest::addColumn<int>("reported");     // -1: no signal
    QTest::newRow("first") << 3 << 3 << 0 << quint16(0) << 0;
    QTest::newRow("last") << 3 << 3 << 2 << quint16(0) << 2;
    QTest::newRow("locked frames are selectable") << 3 << 3 << 1 << quint16(TLaserFrame::FlagLocked) << 1;
    QTest::newRow("below the last item") << 3 << 3 << -1 << quint16(0) << -1;
    QTest::newRow("item without a frame") << 2 << 3 << 2 << quint16(0) << -1;
}

void TestFrameList::pressReportsValidEntries()
{
    QFETCH(int, frames);
    QFETCH(int, items);
    QFETCH(int, pressedRow);
    QFETCH(quint16, flags);
    QFETCH(int, reported);
    TListFixture f(frames, items);
    for (int i = 0; i < frames; ++i)
        f.Show.Frame(i).Flags = flags;
    QSignalSpy clicked(&f.List, &TFrameList::frameClicked);
    const QPoint at = pressedRow >= 0 ? f.CentreOf(pressedRow) : f.BelowLast();
    QTest::mouseClick(f.List.viewport(), Qt::LeftButton, {}, at);
    QCOMPARE(clicked.size(), reported >= 0 ? 1 : 0);
    if (reported >= 0)
        QCOMPARE(clicked.first().first().toInt(), reported);
    // A right press is for the pop-up menu: it neither selects nor switches frames.
    const int before = f.List.currentRow();
    QTest::mouseClick(f.List.viewport(), Qt::RightButton, {}, f.CentreOf(items - 1 == before ? 0 : items - 1));
    QCOMPARE(f.List.currentRow(), before);
    QCOMPARE(clicked.size(), reported >= 0 ? 1 : 0);
}

void TestFrameList::dragMovesFrameOntoTarget_data()
{
    QTest::addColumn<int>("source");
    QTest::addColumn<int>("target");       // 4 (the item count): below the last item
    QTest::addColumn<bool>("lockedTarget");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("down") << 0 << 2 << false << true;
    QTest::newRow("up") << 3 << 1 << false << true;
    QTest::newRow("first below the end") << 0 << 4 << false << true;
    QTest::newRow("onto a locked frame") << 2 << 0 << true << true;
    QTest::newRow("onto itself") << 1 << 1 << false << false;
    QTest::newRow("last below the end") << 3 << 4 << false << false;
}

void TestFrameList::dragMovesFrameOntoTarget()
{
    QFETCH(int, source);
    QFETCH(int, target);
    QFETCH(bool, lockedTarget);
    QFETCH(bool, accepted);
    TListFixture f(4);
    QVERIFY(QTest::qWaitForWindowExposed(&f.List));
    if (lockedTarget)
        f.Show.Frame(target).Flags = TLaserFrame::FlagLocked;
    // The owner selects the entry when it is clicked, as the frame switch does.
    connect(&f.List, &TFrameList::frameClicked, &f.List, [&f](int row) { f.List.setCurrentRow(row); });
    QSignalSpy clicked(&f.List, &TFrameList::frameClicked);
    QSignalSpy drops(&f.List, &TFrameList::frameDropped);
    f.List.DropAt = target < f.List.count() ? f.CentreOf(target) : f.BelowLast();

    f.PressAndMove(f.CentreOf(source), TFrameList::DragThreshold);
    QCOMPARE(clicked.size(), 1);
    QCOMPARE(f.List.Drags, 1);
    QCOMPARE(f.List.MoveAccepted, accepted);
    QCOMPARE(drops.size(), 0);   // reported only after the drag has ended
    QCoreApplication::processEvents();
    QCOMPARE(drops.size(), accepted ? 1 : 0);
    if (accepted) {
        QCOMPARE(drops.first().at(0).toInt(), source);
        QCOMPARE(drops.first().at(1).toInt(), target);
    }
    // Qt never reorders the items itself.
    QCOMPARE(f.List.count(), 4);
    QCOMPARE(f.List.currentRow(), source);
}

void TestFrameList::shortMoveOrLockedFrameStartsNoDrag_data()
{
    QTest::addColumn<bool>("locked");
    QTest::addColumn<int>("distance");
    QTest::addColumn<int>("drags");
    QTest::newRow("4 pixels") << false << TFrameList::DragThreshold - 1 << 0;
    QTest::newRow("5 pixels") << false << TFrameList::DragThreshold << 1;
    QTest::newRow("locked frame") << true << 40 << 0;
}

void TestFrameList::shortMoveOrLockedFrameStartsNoDrag()
{
    QFETCH(bool, locked);
    QFETCH(int, distance);
    QFETCH(int, drags);
    TListFixture f(3);
    f.Show.Frame(0).Flags = locked ? TLaserFrame::FlagLocked : 0;
    f.List.DropAt = f.CentreOf(2);
    f.PressAndMove(f.CentreOf(0), distance);
    QCOMPARE(f.List.Drags, drags);
    QCOMPARE(f.List.currentRow(), 0);   // no selection sweep while the button is held
}

void TestFrameList::foreignDragIsRefused()
{
    TListFixture f(3);
    f.List.setCurrentRow(0);
    QSignalSpy drops(&f.List, &TFrameList::frameDropped);
    QMimeData text;
    text.setText(QStringLiteral("1"));
    QDragEnterEvent enter(f.CentreOf(1), Qt::MoveAction | Qt::CopyAction, &text, Qt::LeftButton, {});
    QCoreApplication::sendEvent(f.List.viewport(), &enter);
    QVERIFY(!enter.isAccepted());
    QDropEvent drop(f.CentreOf(2), Qt::MoveAction, &text, Qt::NoButton, {});
    QCoreApplication::sendEvent(f.List.viewport(), &drop);
    QCoreApplication::processEvents();
    QCOMPARE(drops.size(), 0);
}

QTEST_MAIN(TestFrameList)
#include "tst_framelist.moc"
