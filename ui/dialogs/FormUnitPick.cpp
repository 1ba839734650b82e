#include "FormUnitPick.h"

#include <QGuiApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QStatusBar>
#include <QVBoxLayout>

namespace {

// The inverse of a pixel; where that is too close to the pixel itself (mid greys), black
// or white, so that the marker shows on any picture.
QRgb Contrasting(QRgb pixel)
{
    const QRgb inverse = pixel ^ 0x00FFFFFFu;
    if (qAbs(qGray(inverse) - qGray(pixel)) >= 96)
        return inverse;
    return qGray(pixel) < 128 ? qRgb(255, 255, 255) : qRgb(0, 0, 0);
}

void MarkDot(QImage& canvas, int x, int y)
{
    // Every other pixel, in a pattern fixed to the canvas: a dotted line on every edge.
    if ((x + y) % 2 != 0 || !canvas.rect().contains(x, y))
        return;
    auto* line = reinterpret_cast<QRgb*>(canvas.scanLine(y));
    line[x] = Contrasting(line[x]);
}

} // namespace

void DrawFocusRect(QImage& canvas, const TImagePart& corners)
{
    // The outline runs along the first and the last pixel inside the rectangle; the lower
    // right corner itself lies outside, as in the part the sketchpad shows.
    const qint64 left = qMin(corners.X1, corners.X2), right = qint64(qMax(corners.X1, corners.X2)) - 1;
    const qint64 top = qMin(corners.Y1, corners.Y2), bottom = qint64(qMax(corners.Y1, corners.Y2)) - 1;
    if (right < left || bottom < top || canvas.isNull())
        return;
    // Only the stretch over the canvas is walked; an edge beyond it is not drawn at all.
    const int x0 = int(qMax<qint64>(left, 0)), x1 = int(qMin<qint64>(right, canvas.width() - 1));
    const int y0 = int(qMax<qint64>(top, 0)), y1 = int(qMin<qint64>(bottom, canvas.height() - 1));
    for (int x = x0; x <= x1; ++x) {
        if (top >= 0 && top < canvas.height())
            MarkDot(canvas, x, int(top));
        if (bottom != top && bottom >= 0 && bottom < canvas.height())
            MarkDot(canvas, x, int(bottom));
    }
    const int yFrom = int(qMax<qint64>(y0, top + 1)), yTo = int(qMin<qint64>(y1, bottom - 1));
    for (int y = yFrom; y <= yTo; ++y) {
        if (left >= 0 && left < canvas.width())
            MarkDot(canvas, int(left), y);
        if (right != left && right >= 0 && right < canvas.width())
            MarkDot(canvas, int(right), y);
    }
}

// --- img -----------------------------------------------------------------------------------------

TPickImage::TPickImage(QWidget* parent)
    : QWidget(parent)
{
    setCursor(Qt::CrossCursor);
}

void TPickImage::SetPicture(const QImage& picture)
{
    FCanvas = picture.convertToFormat(QImage::Format_RGB32);
    setFixedSize(FCanvas.size());
    update();
}

void TPickImage::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.drawImage(0, 0, FCanvas);
}

void TPickImage::mousePressEvent(QMouseEvent* event)
{
    emit mousePressed(event);
}

// --- the dialog ----------------------------------------------------------------------------------

TFormPickImage::TFormPickImage(QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("FormPickImage"));
    setWindowTitle(QStringLiteral("Pick part of image, then close window"));
    setWindowFlags(Qt::Tool | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    img = new TPickImage;
    img->setObjectName(QStringLiteral("img"));
    connect(img, &TPickImage::mousePressed, this, &TFormPickImage::imgMouseDown);
    // A picture larger than the window is reached by scrolling.
    scrollImage = new QScrollArea(this);
    scrollImage->setObjectName(QStringLiteral("scrollImage"));
    scrollImage->setWidget(img);

    sbStatus = new QStatusBar(this);
    sbStatus->setObjectName(QStringLiteral("sbStatus"));
    stHint = new QLabel(QStringLiteral("Mark upper left corner with left mouse-button and lower right corner "
                                       "with right mouse-button."), sbStatus);
    stHint->setObjectName(QStringLiteral("stHint"));
    stHint->setMinimumWidth(1);   // a narrow window cuts the hint instead of refusing to shrink
    sbStatus->addWidget(stHint, 1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(scrollImage, 1);
    layout->addWidget(sbStatus);
}

void TFormPickImage::Prepare(const QImage& picture, const TImagePart& part)
{
    PickBitmap = picture;
    img->SetPicture(PickBitmap);
    PickRect = part;
}

TImagePart TFormPickImage::Execute(const QImage& picture, const TImagePart& part)
{
    Prepare(picture, part);
    PlaceOverOwner();
    exec();
    return PickRect;
}

void TFormPickImage::RedrawPickImage()
{
    if (PickRect.X1 < 0 || PickRect.X2 < 0)
        return;
    img->SetPicture(PickBitmap);    // wipes the last marker
    DrawFocusRect(img->Canvas(), PickRect);
}

void TFormPickImage::imgMouseDown(QMouseEvent* event)
{
    const QPoint at = event->position().toPoint();
    if (event->button() == Qt::LeftButton) {
        PickRect.X1 = at.x();
        PickRect.Y1 = at.y();
    } else if (event->button() == Qt::RightButton) {
        PickRect.X2 = at.x();
        PickRect.Y2 = at.y();
    }
    RedrawPickImage();
}

bool TFormPickImage::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate)
        RedrawPickImage();
    return QDialog::event(event);
}

void TFormPickImage::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    RedrawPickImage();
}

void TFormPickImage::PlaceOverOwner()
{
    QWidget* owner = parentWidget() ? parentWidget()->window() : nullptr;
    QScreen* screen = owner ? owner->screen() : QGuiApplication::primaryScreen();
    const QRect available = screen ? screen->availableGeometry() : QRect(0, 0, 1024, 768);

    const int frame = 2 * scrollImage->frameWidth();
    const int scrollBar = scrollImage->verticalScrollBar()->sizeHint().width();
    QSize wanted(img->width() + frame, img->height() + frame + sbStatus->sizeHint().height());
    wanted.setWidth(qMax(wanted.width(), stHint->fontMetrics().horizontalAdvance(stHint->text()) + 24));
    const QSize most = available.size() * 4 / 5;
    // Scroll bars take room of their own once the picture does not fit.
    if (wanted.width() > most.width())
        wanted.rheight() += scrollBar;
    if (wanted.height() > most.height())
        wanted.rwidth() += scrollBar;
    resize(wanted.boundedTo(most).expandedTo(QSize(200, 150)));

    const QRect over = owner ? owner->frameGeometry() : available;
    QRect placed(QPoint(), frameGeometry().size().expandedTo(size()));
    placed.moveCenter(over.center());
    // but never off the screen, where the hint and the scroll bars would be lost
    placed.moveRight(qMin(placed.right(), available.right()));
    placed.moveBottom(qMin(placed.bottom(), available.bottom()));
    placed.moveLeft(qMax(placed.left(), available.left()));
    placed.moveTop(qMax(placed.top(), available.top()));
    move(placed.topLeft());
}
