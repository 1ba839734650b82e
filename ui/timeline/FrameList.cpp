#include "FrameList.h"

#include "PixelFont.h"
#include "ShowDocument.h"

#include <QAbstractItemDelegate>
#include <QCoreApplication>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPolygon>
#include <QScrollBar>
#include <QStyle>

namespace {

// Marks drags that started in a frame list; other drops are not frames.
const QString FrameDragMime = QStringLiteral("application/x-skelmar-frame-index");

const QColor LockedColor{255, 0, 0};

// Like a Windows TextOut with an opaque background: (x, y) is the top left of the text box.
void TextOut(QPainter& canvas, int x, int y, const QString& text, const QColor& color,
             const QColor& background)
{
    const QFontMetrics metrics(canvas.font());
    const QRect box(x, y, metrics.horizontalAdvance(text), metrics.height());
    canvas.fillRect(box, background);
    canvas.setPen(color);
    canvas.drawText(QPoint(x, y + metrics.ascent()), text);
}

// A text that ends `offset` pixels left of the entry's right edge.
void TextOutRight(QPainter& canvas, int right, int offset, int y, const QString& text,
                  const QColor& color, const QColor& background)
{
    const int width = QFontMetrics(canvas.font()).horizontalAdvance(text);
    TextOut(canvas, right - offset - width, y, text, color, background);
}

// A Ctrl+click would toggle the entry off: the current frame always stays selected.
QMouseEvent WithoutCtrl(const QMouseEvent& event)
{
    return QMouseEvent(event.type(), event.position(), event.scenePosition(), event.globalPosition(),
                       event.button(), event.buttons(), event.modifiers() & ~Qt::ControlModifier,
                       event.pointingDevice());
}

class TFrameEntryDelegate : public QAbstractItemDelegate {
public:
    explicit TFrameEntryDelegate(TFrameList* list) : QAbstractItemDelegate(list), List(list) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override
    {
        const TLaserFrames* frames = List->Show();
        if (!frames || index.row() >= frames->Count())
            return;
        DrawFrameEntry(*painter, option.rect, frames->Frame(index.row()), List->Colors(),
                       option.state.testFlag(QStyle::State_Selected), List->FlipX(), List->FlipY(),
                       &List->Thumbnail(index.row()));
    }

    // The width is small on purpose: the view stretches each entry to its own width.
    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override
    {
        return {100, TFrameList::ItemHeight};
    }

private:
    TFrameList* List;
};

} // namespace

namespace {

// Sets the pixels of a line from a to b, its end pixel left out as the Windows line
// drawing leaves it; the thumbnail's outline is these pixels, each written once.
void MarkThumbLine(std::vector<quint8>& mask, int side, QPoint a, QPoint b)
{
    int x = a.x(), y = a.y();
    const int dx = qAbs(b.x() - x), dy = qAbs(b.y() - y);
    const int sx = b.x() > x ? 1 : -1, sy = b.y() > y ? 1 : -1;
    const bool flat = dx >= dy;
    const int major = flat ? dx : dy, minor = flat ? dy : dx;
    int error = 2 * minor - major;
    for (int i = 0; i < major; ++i) {
        if (x >= 0 && y >= 0 && x < side && y < side)
            mask[size_t(y * side + x)] = 1;
        if (error > 0) {
            (flat ? y : x) += flat ? sy : sx;
            error -= 2 * major;
        }
        error += 2 * minor;
        (flat ? x : y) += flat ? sx : sy;
    }
}

} // namespace

QImage ThumbnailImage(const TLaserFrame& frame, const QColor& color, int divisor, bool flipX, bool flipY)
{
    if (divisor < 1)
        return {};
    const int side = 255 / divisor + 1;
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    // Scaled down, most of a big frame's points fall on the pixel of the point before:
    // only the steps to another pixel are lines.
    std::vector<QPoint> outline;
    for (const TSmallPoint& p : frame.Points) {
        const int x = flipY ? 255 - p.X : p.X;
        const int y = flipX ? 255 - p.Y : p.Y;
        const QPoint scaled(x / divisor, y / divisor);
        if (outline.empty() || outline.back() != scaled)
            outline.push_back(scaled);
    }
    if (outline.size() > 1 && outline.back() != outline.front())
        outline.push_back(outline.front());   // closed whatever the "Close loop" switch says
    if (outline.size() < 2)
        return image;                         // one point: no visible mark
    std::vector<quint8> mask(size_t(side) * size_t(side), 0);
    for (size_t i = 0; i + 1 < outline.size(); ++i)
        MarkThumbLine(mask, side, outline[i], outline[i + 1]);
    const QRgb pixel = qPremultiply(color.rgba());
    for (int y = 0; y < side; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < side; ++x) {
            if (mask[size_t(y * side + x)])
                line[x] = pixel;
        }
    }
    return image;
}

void DrawThumbnail(QPainter& canvas, const TLaserFrame& frame, const QColor& color, int divisor,
                   int top, int left, bool flipX, bool flipY)
{
    if (frame.Points.size() < 2 || divisor < 1)
        return;
    canvas.drawImage(left, top, ThumbnailImage(frame, color, divisor, flipX, flipY));
}

const QColor& ThumbColor(const TLaserFrame& frame, const TThumbColors& colors)
{
    return frame.ColorBit() ? colors.Norm1 : colors.Norm0;
}

void DrawSelectionOutline(QPainter& canvas, const QRect& rect)
{
    canvas.setPen(QPen(QColor(0, 128, 0), 1, Qt::DotLine));
    canvas.setBrush(Qt::NoBrush);
    canvas.drawRect(rect.adjusted(0, 0, -1, -1));
}

QString ThumbEffectName(int effect)
{
    static const char* const names[EffectCount] = {
        "Slide", "Morph", "-plode", "X-Flip", "Y-Flip", "D-Flip", "Rotate", "Drain",
    };
    if (effect < 0 || effect >= EffectCount)
        return QStringLiteral("?");
    return QString::fromLatin1(names[effect]);
}

QString ThumbParamText(int effect, int effectParam)
{
    switch (effect) {
    case EffectPlode:
    case EffectXFlip:
    case EffectYFlip:
    case EffectDFlip:
        return effectParam == 1 ? QStringLiteral("Trig") : QStringLiteral("Lin");
    case EffectRotate:
    case EffectDrain:
        return QString::number(effectParam) + QChar(0xB0);
    default:
        return {};
    }
}

void DrawFrameEntry(QPainter& canvas, const QRect& rect, const TLaserFrame& frame,
                    const TThumbColors& colors, bool selected, bool flipX, bool flipY, const QImage* thumbnail)
{
    const int L = rect.x(), T = rect.y(), R = rect.x() + rect.width();
    canvas.save();
    canvas.setRenderHint(QPainter::Antialiasing, false);
    canvas.setFont(PixelFont());
    canvas.fillRect(rect, colors.Background);
    if (selected)
        DrawSelectionOutline(canvas, rect);
    if (thumbnail)
        canvas.drawImage(L, T + 18, *thumbnail);
    else
        DrawThumbnail(canvas, frame, ThumbColor(frame, colors), 4, T + 18, L, flipX, flipY);

    const QColor& back = colors.Background;
    const QColor& text = colors.ThumbText;
    if (frame.IsLocked())
        TextOutRight(canvas, R, 2, T + 2, QStringLiteral("Locked"), LockedColor, back);
    TextOut(canvas, L + 2, T + 2, frame.Name, text, back);
    TextOut(canvas, L + 66, T + 20, QStringLiteral("Delay:"), text, back);
    TextOutRight(canvas, R, 6, T + 20, QString::number(frame.Delay), text, back);
    TextOut(canvas, L + 66, T + 34, QStringLiteral("Morph:"), text, back);
    TextOutRight(canvas, R, 6, T + 34, QString::number(frame.EffectTime), text, back);
    TextOut(canvas, L + 66, T + 48, QStringLiteral("Effect:"), text, back);
    TextOutRight(canvas, R, 6, T + 48, ThumbEffectName(frame.Effect), text, back);
    const QString param = ThumbParamText(frame.Effect, frame.EffectParam);
    if (!param.isEmpty()) {
        TextOut(canvas, L + 66, T + 62, QStringLiteral("Rotation:"), text, back);
        TextOutRight(canvas, R, 6, T + 62, param, text, back);
    }
    canvas.restore();
}

int ThumbEntryMinimumWidth()
{
    const QFontMetrics metrics(PixelFont());
    int label = 0;
    for (const char* text : {"Delay:", "Morph:", "Effect:", "Rotation:"})
        label = qMax(label, metrics.horizontalAdvance(QLatin1String(text)));
    int value = qMax(metrics.horizontalAdvance(QStringLiteral("65535")),
                     metrics.horizontalAdvance(QStringLiteral("-32768") + QChar(0xB0)));
    for (int effect = 0; effect < EffectCount; ++effect)
        value = qMax(value, metrics.horizontalAdvance(ThumbEffectName(effect)));
    constexpr int labelLeft = 66, gap = 4, rightMargin = 6;
    return labelLeft + label + gap + value + rightMargin;
}

bool DropTargetAccepted(int target, int selected, int itemCount)
{
    if (target < 0 || target == selected)
        return false;
    // The last entry dropped below the end would stay where it is.
    return !(selected == itemCount - 1 && target >= itemCount);
}

TFrameList::TFrameList(QWidget* parent) : QListWidget(parent)
{
    setObjectName(QStringLiteral("lbThumbs"));
    setItemDelegate(new TFrameEntryDelegate(this));
    // Every entry has the same height, so a long show lays out at once and paints only what shows.
    setUniformItemSizes(true);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    verticalScrollBar()->setSingleStep(ItemHeight / 4);
    // Qt's own item dragging would reorder the items; the owner moves frames instead.
    setDragEnabled(false);
    setDragDropMode(QAbstractItemView::NoDragDrop);
    setDropIndicatorShown(false);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);

    Thumbs.setMaxCost(MaxKeptThumbs);
    ThumbTimer.setSingleShot(true);
    ThumbTimer.setInterval(ThumbRefreshMs);
    connect(&ThumbTimer, &QTimer::timeout, this, &TFrameList::RefreshStaleThumbnails);

    QPalette pal = palette();
    pal.setColor(QPalette::Base, Qt::black);
    pal.setColor(QPalette::Window, Qt::black);
    setPalette(pal);
}

void TFrameList::SetShow(const TLaserFrames* frames)
{
    Frames = frames;
    RepaintList();
}

const QImage& TFrameList::Thumbnail(int index) const
{
    const TLaserFrame& frame = Frames->Frame(index);
    if (const QImage* kept = Thumbs.object(&frame))
        return *kept;
    auto* made = new QImage(ThumbnailImage(frame, ThumbColor(frame, ThumbColors), 4, FlipXOn, FlipYOn));
    Thumbs.insert(&frame, made);   // never dropped at once: its cost is far below the room
    return *made;
}

void TFrameList::ForgetThumbnails()
{
    Thumbs.clear();
    StaleThumbs.clear();
    GestureThumbs.clear();
}

void TFrameList::RefreshThumbnail(int index)
{
    if (index < 0 || index >= count() || !Frames || index >= Frames->Count())
        return;
    Thumbs.remove(&Frames->Frame(index));
    viewport()->update(visualItemRect(item(index)));
}

void TFrameList::RefreshStaleThumbnails()
{
    for (int index : std::as_const(StaleThumbs))
        RefreshThumbnail(index);
    GestureThumbs.unite(StaleThumbs);
    StaleThumbs.clear();
    if (Document && Document->GestureActive()) {
        ThumbTimer.start();
        return;
    }
    // The gesture is over; one that changed nothing in the end has no step to say so.
    for (int index : std::as_const(GestureThumbs))
        RefreshThumbnail(index);
    GestureThumbs.clear();
}

void TFrameList::SetDocument(TShowDocument& document)
{
    Document = &document;
    SetShow(&document.Show());
    connect(&document, &TShowDocument::frameChanged, this, &TFrameList::FrameChanged);
    connect(&document, &TShowDocument::everyFrameChanged, this, [this](TShowChanges what) {
        if (what & (TShowChange::Points | TShowChange::Properties))
            RepaintList();
        else
            viewport()->update();
    });
    connect(&document, &TShowDocument::framesChanged, this, &TFrameList::SyncItems);
    connect(&document, &TShowDocument::showReplaced, this, &TFrameList::SyncItems);
    connect(&document, &TShowDocument::currentFrameChanged, this, [this](int index) { setCurrentRow(index); });
    connect(this, &TFrameList::frameClicked, &document, &TShowDocument::SetCurrentFrameIndex);
    SyncItems();
}

void TFrameList::SyncItems()
{
    if (!Frames)
        return;
    const int frames = Frames->Count();
    while (count() > frames)
        delete takeItem(count() - 1);
    while (count() < frames)
        addItem(QString());
    // The entries' texts are the frames' names, wherever the frames went.
    for (int i = 0; i < frames; ++i) {
        if (item(i)->text() != Frames->Frame(i).Name)
            item(i)->setText(Frames->Frame(i).Name);
    }
    // A new frame may take the place in memory of one that went.
    RepaintList();
}

void TFrameList::FrameChanged(int index, TShowChanges what)
{
    if (index < 0 || index >= count())
        return;
    if (what & TShowChange::Properties)
        item(index)->setText(Frames->Frame(index).Name);
    if (!(what & (TShowChange::Points | TShowChange::Properties))) {
        viewport()->update(visualItemRect(item(index)));
        return;
    }
    // While a point is dragged the pad shows it; the thumbnail follows at most every
    // 100 ms and when the drag ends, as drawing it at every move would slow the drag.
    if (Document && Document->GestureActive()) {
        StaleThumbs.insert(index);
        if (!ThumbTimer.isActive())
            ThumbTimer.start();
        return;
    }
    StaleThumbs.remove(index);
    // Only this frame's entry: a change on a long show repaints one thumbnail.
    RefreshThumbnail(index);
}

void TFrameList::SetColors(const TThumbColors& colors)
{
    ThumbColors = colors;
    RepaintList();
}

void TFrameList::SetFlips(bool flipX, bool flipY)
{
    FlipXOn = flipX;
    FlipYOn = flipY;
    RepaintList();
}

void TFrameList::RepaintList()
{
    // Drawn again from the frames as they are now, whoever changed them.
    ForgetThumbnails();
    viewport()->update();
}

QSize TFrameList::sizeHint() const
{
    return {180, 4 * ItemHeight};
}

QSize TFrameList::minimumSizeHint() const
{
    const int scrollBar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    return {ThumbEntryMinimumWidth() + scrollBar + 2 * frameWidth(), ItemHeight};
}

int TFrameList::ItemIndexAt(const QPoint& viewportPos) const
{
    if (!viewport()->rect().contains(viewportPos))
        return -1;
    // Entries span the whole width; looking at x = 0 also covers a pointer right of an entry.
    const QModelIndex index = indexAt(QPoint(0, viewportPos.y()));
    return index.isValid() ? index.row() : count();
}

bool TFrameList::ValidIndex(int index) const
{
    return Frames && index >= 0 && index < Frames->Count();
}

void TFrameList::mousePressEvent(QMouseEvent* event)
{
    PressedIndex = -1;
    if (event->button() != Qt::LeftButton) {
        // A right press opens the pop-up menu for the current frame and must not select
        // another entry behind the current frame's back.
        setFocus(Qt::MouseFocusReason);
        event->accept();
        return;
    }
    const QModelIndex item = indexAt(event->position().toPoint());
    const int index = item.isValid() ? item.row() : -1;
    if (!ValidIndex(index)) {
        // Below the last entry: the current frame keeps its selection outline.
        setFocus(Qt::MouseFocusReason);
        event->accept();
        return;
    }
    QMouseEvent plain = WithoutCtrl(*event);
    QListWidget::mousePressEvent(&plain);
    if (!Frames->Frame(index).IsLocked()) {
        PressedIndex = index;
        PressPos = event->position().toPoint();
    }
    emit frameClicked(index);
}

void TFrameList::mouseMoveEvent(QMouseEvent* event)
{
    if (event->buttons() == Qt::NoButton) {
        QListWidget::mouseMoveEvent(event);
        return;
    }
    // No selection sweeping while a button is held: the selected entry is the dragged frame.
    if (PressedIndex < 0 || !(event->buttons() & Qt::LeftButton))
        return;
    const QPoint moved = event->position().toPoint() - PressPos;
    if (qMax(qAbs(moved.x()), qAbs(moved.y())) >= DragThreshold)
        StartFrameDrag();
}

void TFrameList::mouseReleaseEvent(QMouseEvent* event)
{
    PressedIndex = -1;
    QMouseEvent plain = WithoutCtrl(*event);
    QListWidget::mouseReleaseEvent(&plain);
}

void TFrameList::keyPressEvent(QKeyEvent* event)
{
    // Arrows, Home/End, PgUp/PgDn and type-ahead move the highlight: the frame it lands
    // on becomes the current frame, as a click would make it.
    const int before = currentRow();
    QListWidget::keyPressEvent(event);
    const int after = currentRow();
    if (after != before && ValidIndex(after))
        emit frameClicked(after);
    else if (ValidIndex(after) && !currentItem()->isSelected())
        currentItem()->setSelected(true);   // Ctrl+Space must not clear the outline
}

QMimeData* TFrameList::CreateDragData() const
{
    auto* mime = new QMimeData;
    mime->setData(FrameDragMime, QByteArray::number(QCoreApplication::applicationPid()));
    return mime;
}

Qt::DropAction TFrameList::ExecDrag(QDrag& drag)
{
    return drag.exec(Qt::MoveAction);
}

void TFrameList::StartFrameDrag()
{
    PressedIndex = -1;
    auto* drag = new QDrag(this);
    drag->setMimeData(CreateDragData());
    ExecDrag(*drag);
    RepaintList();
}

bool TFrameList::IsOwnDrag(const QDropEvent* event) const
{
    // Only frame lists make this format, and only a list of this program knows the frames.
    const QMimeData* mime = event->mimeData();
    return mime && mime->data(FrameDragMime) == QByteArray::number(QCoreApplication::applicationPid());
}

void TFrameList::dragEnterEvent(QDragEnterEvent* event)
{
    if (IsOwnDrag(event)) {
        setState(DraggingState);   // lets the list scroll near its edges
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void TFrameList::dragMoveEvent(QDragMoveEvent* event)
{
    // The base class scrolls the list near its edges; whether to accept is decided here.
    QListWidget::dragMoveEvent(event);
    const int target = ItemIndexAt(event->position().toPoint());
    if (IsOwnDrag(event) && DropTargetAccepted(target, currentRow(), count())) {
        event->setDropAction(Qt::MoveAction);
        event->accept();
    } else {
        event->ignore();
    }
}

void TFrameList::dropEvent(QDropEvent* event)
{
    stopAutoScroll();
    setState(NoState);
    const int target = ItemIndexAt(event->position().toPoint());
    const int source = currentRow();
    if (!IsOwnDrag(event)) {
        event->ignore();
        RepaintList();
        return;
    }
    event->setDropAction(Qt::MoveAction);
    event->accept();
    // The owner may ask before it moves the frame; its message box must not run inside the
    // drag's own event loop, so the move is reported once the drag has ended.
    QMetaObject::invokeMethod(this, [this, source, target] {
        if (source >= 0 && target >= 0)
            emit frameDropped(source, target);
        RepaintList();
    }, Qt::QueuedConnection);
}
