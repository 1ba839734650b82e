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
                       option.state.testFlag(QStyle::State_Selected), List->FlipX(), List->FlipY());
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

void DrawThumbnail(QPainter& canvas, const TLaserFrame& frame, const QColor& color, int divisor,
                   int top, int left, bool flipX, bool flipY)
{
    if (frame.Points.empty() || divisor == 0)
        return;
    QPolygon outline;
    outline.reserve(int(frame.Points.size()) + 1);
    for (const TSmallPoint& p : frame.Points) {
        const int x = flipY ? 255 - p.X : p.X;
        const int y = flipX ? 255 - p.Y : p.Y;
        const QPoint scaled(x / divisor + left, y / divisor + top);
        // Zero-length segments draw nothing (Qt would set a pixel for them).
        if (outline.isEmpty() || outline.last() != scaled)
            outline << scaled;
    }
    if (outline.size() > 1 && outline.last() != outline.first())
        outline << outline.first();   // closed whatever the "Close loop" switch says
    if (outline.size() < 2)
        return;                       // one point: no visible mark
    canvas.save();
    canvas.setRenderHint(QPainter::Antialiasing, false);
    // A flat cap leaves out each segment's end pixel, as the Windows line drawing does.
    canvas.setPen(QPen(color, 1, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
    canvas.drawPolyline(outline);
    canvas.restore();
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
                    const TThumbColors& colors, bool selected, bool flipX, bool flipY)
{
    const int L = rect.x(), T = rect.y(), R = rect.x() + rect.width();
    canvas.save();
    canvas.setRenderHint(QPainter::Antialiasing, false);
    canvas.setFont(PixelFont());
    canvas.fillRect(rect, colors.Background);
    if (selected)
        DrawSelectionOutline(canvas, rect);
    DrawThumbnail(canvas, frame, frame.ColorBit() ? colors.Norm1 : colors.Norm0, 4, T + 18, L,
                  flipX, flipY);

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

void TFrameList::SetDocument(TShowDocument& document)
{
    SetShow(&document.Show());
    connect(&document, &TShowDocument::frameChanged, this, &TFrameList::FrameChanged);
    connect(&document, &TShowDocument::everyFrameChanged, this, &TFrameList::RepaintList);
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
    RepaintList();
}

void TFrameList::FrameChanged(int index, TShowChanges what)
{
    if (index < 0 || index >= count())
        return;
    if (what & TShowChange::Properties)
        item(index)->setText(Frames->Frame(index).Name);
    // Only this frame's entry: a point dragged on a long show repaints one thumbnail.
    viewport()->update(visualItemRect(item(index)));
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
