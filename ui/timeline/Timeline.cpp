#include "Timeline.h"

#include "ShowDocument.h"
#include "TimelineDrawing.h"

#include <QCloseEvent>
#include <QFontMetrics>
#include <QGridLayout>
#include <QMouseEvent>
#include <QHBoxLayout>
#include <QPainter>
#include <QPixmap>
#include <QPoint>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

using namespace TimelineGeometry;

namespace {

using TIconPainter = void (*)(QPainter&);

QIcon PaintedIcon(TIconPainter paint)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    paint(p);
    return QIcon(pixmap);
}

void Magnifier(QPainter& p, bool plus)
{
    p.setPen(QPen(QColor(40, 40, 40), 1.6));
    p.setBrush(QColor(220, 235, 255));
    p.drawEllipse(QPointF(6.5, 6.5), 4.5, 4.5);
    p.setPen(QPen(QColor(40, 40, 40), 2.4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(10, 10), QPointF(14.5, 14.5));
    p.setPen(QPen(QColor(0, 0, 0), 1.4));
    p.drawLine(QPointF(4, 6.5), QPointF(9, 6.5));
    if (plus)
        p.drawLine(QPointF(6.5, 4), QPointF(6.5, 9));
}

void Arrow(QPainter& p, bool right)
{
    p.setPen(QPen(QColor(20, 60, 20), 1));
    p.setBrush(QColor(60, 170, 60));
    const QPointF left[3] = {{11.5, 2.5}, {11.5, 13.5}, {4, 8}};
    const QPointF rightward[3] = {{4.5, 2.5}, {4.5, 13.5}, {12, 8}};
    p.drawPolygon(right ? rightward : left, 3);
}

} // namespace

QString TimelineLabel(qint64 t)
{
    return QStringLiteral("%1").arg(t, 7);
}

qint64 TimelineLabelEvery(qint64 scale, int labelWidth, int gap)
{
    const qint64 s = std::max<qint64>(scale, 1);
    // Marks n apart stand at least (LabelStep * n) div s pixels apart.
    qint64 n = 1;
    for (int k = 0; (LabelStep * n) / s < qint64(labelWidth) + gap && n < (qint64(1) << 50); ++k)
        n = (k % 3 == 2 ? n * 5 / 2 : n * 2);
    return n;
}

QString TimelineName(const QString& name, int room, const QFontMetrics& metrics)
{
    int length = int(name.size());
    // Each cut is measured on its own: measured inside the whole name, kerning with the
    // character after it could pass a cut that is wider alone, which the fit check
    // then leaves out altogether.
    const auto width = [&](int k) { return metrics.horizontalAdvance(name.left(k)); };
    // A longer text is never narrower: when five characters do not fit, none of the
    // lengths between does, and a zoomed-out strip of many frames is spared measuring
    // every one of them.
    if (length > 5 && width(5) > room)
        return name.left(5);
    while (length > 5 && width(length) > room)
        --length;
    return name.left(length);
}

int TimelineFrameAt(const TLaserFrames* show, int scale, int firstFrame, int px)
{
    const int n = show ? show->Count() : 0;
    if (n == 0 || px < 0)
        return -1;
    const qint64 s = std::max(scale, 1);
    qint64 x = 0;
    for (int i = std::clamp(firstFrame, 0, n - 1); i < n; ++i) {
        const TLaserFrame& frame = show->Frame(i);
        const qint64 x3 = x + frame.EffectTime / (2 * s) + frame.Delay / s + frame.EffectTime / (2 * s);
        if (px < x3)
            return i;
        x = x3;
    }
    return -1;
}

void DrawTimeline(QPainter& canvas, const QSize& size, const TLaserFrames* show,
                  const TColorSettings& colors, int scale, int firstFrame, TTimelineDrawing* drawing,
                  qint64 rulerEnd)
{
    if (drawing) {
        drawing->Draw(canvas, size, show, colors, scale, firstFrame, rulerEnd);
        return;
    }
    TTimelineDrawing once;
    once.Draw(canvas, size, show, colors, scale, firstFrame, rulerEnd);
}

// --- iTimeline ------------------------------------------------------------------------------

TTimelineImage::TTimelineImage(QWidget* parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void TTimelineImage::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Fill);
    painter.drawImage(0, 0, Picture);
}

void TTimelineImage::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        emit clicked(event->position().toPoint());
    QWidget::mousePressEvent(event);
}

void TTimelineImage::resizeEvent(QResizeEvent*)
{
    if (size().isEmpty())
        return;
    QImage next(size(), QImage::Format_RGB32);
    next.fill(Fill);
    if (!Picture.isNull()) {
        QPainter painter(&next);
        painter.drawImage(0, 0, Picture);
    }
    Picture = next;
    emit resized();
}

// --- toolwinTimeline ------------------------------------------------------------------------

TTimeline::TTimeline(QWidget* parent)
    : QDockWidget(QStringLiteral("Timeline"), parent), Drawing(std::make_unique<TTimelineDrawing>())
{
    setObjectName(QStringLiteral("toolwinTimeline"));
    setFeatures(DockWidgetClosable | DockWidgetMovable | DockWidgetFloatable);
    setAllowedAreas(Qt::BottomDockWidgetArea | Qt::TopDockWidgetArea);

    auto* client = new QWidget(this);
    Client = client;
    client->setFixedHeight(ClientHeight);
    auto* row = new QHBoxLayout(client);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);

    tbTimeline = new QWidget(client);
    tbTimeline->setObjectName(QStringLiteral("tbTimeline"));
    tbTimeline->setFixedSize(ClientHeight, ClientHeight);
    auto* grid = new QGridLayout(tbTimeline);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(0);
    tbTimelineZoomIn = NewButton(QStringLiteral("tbTimelineZoomIn"), QStringLiteral("Zoom in"),
                                 PaintedIcon([](QPainter& p) { Magnifier(p, true); }));
    tbTimelineZoomOut = NewButton(QStringLiteral("tbTimelineZoomOut"), QStringLiteral("Zoom out"),
                                  PaintedIcon([](QPainter& p) { Magnifier(p, false); }));
    tbTimelineLeft = NewButton(QStringLiteral("tbTimelineLeft"), QStringLiteral("Start one frame earlier"),
                               PaintedIcon([](QPainter& p) { Arrow(p, false); }));
    tbTimelineRight = NewButton(QStringLiteral("tbTimelineRight"), QStringLiteral("Start one frame later"),
                                PaintedIcon([](QPainter& p) { Arrow(p, true); }));
    grid->addWidget(tbTimelineZoomIn, 0, 0);
    grid->addWidget(tbTimelineZoomOut, 0, 1);
    grid->addWidget(tbTimelineLeft, 1, 0);
    grid->addWidget(tbTimelineRight, 1, 1);

    iTimeline = new TTimelineImage(client);
    iTimeline->setObjectName(QStringLiteral("iTimeline"));
    iTimeline->SetFill(Colors.TimelineBackground);
    iTimeline->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    iTimeline->setFixedHeight(ClientHeight);
    row->addWidget(tbTimeline, 0, Qt::AlignTop);
    // The drawing area with room for a lane under it.
    auto* column = new QVBoxLayout;
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    column->addWidget(iTimeline);
    row->addLayout(column, 1);
    setWidget(client);

    connect(tbTimelineZoomIn, &QToolButton::clicked, this, &TTimeline::tbTimelineZoomInClick);
    connect(tbTimelineZoomOut, &QToolButton::clicked, this, &TTimeline::tbTimelineZoomOutClick);
    connect(tbTimelineLeft, &QToolButton::clicked, this, &TTimeline::tbTimelineLeftClick);
    connect(tbTimelineRight, &QToolButton::clicked, this, &TTimeline::tbTimelineRightClick);
    // A wider window shows more of the show at once.
    connect(iTimeline, &TTimelineImage::resized, this, &TTimeline::TimeLineRedraw);
    connect(iTimeline, &TTimelineImage::clicked, this, [this](QPoint at) {
        const int index = TimelineFrameAt(ShowSource ? ShowSource() : nullptr, TimelineScale,
                                          TimelineFirstFrame, at.x());
        if (index >= 0)
            emit frameClicked(index);
    });
}

TTimeline::~TTimeline() = default;

QToolButton* TTimeline::NewButton(const QString& name, const QString& hint, const QIcon& icon)
{
    auto* button = new QToolButton(tbTimeline);
    button->setObjectName(name);
    button->setToolTip(hint);
    button->setIcon(icon);
    button->setIconSize(QSize(16, 16));
    button->setAutoRaise(true);
    button->setFixedSize(ClientHeight / 2, ClientHeight / 2);
    return button;
}

void TTimeline::SetShow(std::function<const TLaserFrames*()> show)
{
    ShowSource = std::move(show);
}

void TTimeline::SetColors(const TColorSettings& colors)
{
    Colors = colors;
    iTimeline->SetFill(colors.TimelineBackground);
}

void TTimeline::SetDocument(TShowDocument& document)
{
    SetShow([&document] { return static_cast<const TLaserFrames*>(&document.Show()); });
    connect(&document, &TShowDocument::frameChanged, this, [this](int, TShowChanges what) {
        if (what & (TShowChange::Timing | TShowChange::Properties | TShowChange::Points))
            TimeLineRedraw();
    });
    connect(&document, &TShowDocument::everyFrameChanged, this, &TTimeline::TimeLineRedraw);
    connect(&document, &TShowDocument::framesChanged, this, &TTimeline::TimeLineRedraw);
    connect(&document, &TShowDocument::showReplaced, this, &TTimeline::TimeLineRedraw);
    connect(this, &TTimeline::frameClicked, &document, &TShowDocument::SetCurrentFrameIndex);
}

int TTimeline::FrameCount() const
{
    const TLaserFrames* show = ShowSource ? ShowSource() : nullptr;
    return show ? show->Count() : 0;
}

void TTimeline::TimeLineRedraw()
{
    QImage& canvas = iTimeline->Canvas();
    if (canvas.isNull())
        return;
    {
        QPainter painter(&canvas);
        DrawTimeline(painter, canvas.size(), ShowSource ? ShowSource() : nullptr, Colors, TimelineScale,
                     TimelineFirstFrame, Drawing.get(), RulerEnd);
    }
    iTimeline->update();
    emit redrawn();
}

void TTimeline::SetLane(QWidget* lane)
{
    Lane = lane;
    lane->setParent(Client);
    if (auto* row = qobject_cast<QHBoxLayout*>(Client->layout()))
        if (auto* column = qobject_cast<QVBoxLayout*>(row->itemAt(1)->layout()))
            column->addWidget(lane);
    lane->installEventFilter(this);
    FitHeight();
}

void TTimeline::FitHeight()
{
    Client->setFixedHeight(ClientHeight + (Lane && !Lane->isHidden() ? Lane->sizeHint().height() : 0));
}

bool TTimeline::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Lane && (event->type() == QEvent::ShowToParent || event->type() == QEvent::HideToParent))
        FitHeight();
    return QDockWidget::eventFilter(watched, event);
}

qint64 TTimeline::StartTime() const
{
    const TLaserFrames* show = ShowSource ? ShowSource() : nullptr;
    const int n = show ? show->Count() : 0;
    qint64 S = 0;
    for (int i = 0; i < std::clamp(TimelineFirstFrame, 0, std::max(n - 1, 0)); ++i)
        S += show->Frame(i).Delay + show->Frame(i).EffectTime;
    return S;
}

void TTimeline::SetRulerEnd(qint64 showMs)
{
    if (RulerEnd == showMs)
        return;
    RulerEnd = showMs;
    TimeLineRedraw();
}

void TTimeline::tbTimelineZoomInClick()
{
    if (TimelineScale > 1)
        TimelineScale /= 2;
    TimeLineRedraw();
}

void TTimeline::tbTimelineZoomOutClick()
{
    // 2^30 ms per pixel already puts a twelve-day show on one pixel.
    if (TimelineScale < MaxScale)
        TimelineScale *= 2;
    TimeLineRedraw();
}

void TTimeline::tbTimelineLeftClick()
{
    if (TimelineFirstFrame > 0)
        --TimelineFirstFrame;
    TimeLineRedraw();
}

void TTimeline::tbTimelineRightClick()
{
    if (TimelineFirstFrame < FrameCount() - 1)
        ++TimelineFirstFrame;
    TimeLineRedraw();
}

void TTimeline::closeEvent(QCloseEvent* event)
{
    QDockWidget::closeEvent(event);
    if (event->isAccepted())
        emit closed();
}
