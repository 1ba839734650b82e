#include "TimelineMusic.h"

#include "BeatGrid.h"
#include "Timeline.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

void DrawMusicLane(QPainter& canvas, const QSize& size, const TMusicAnalysis* music, const TBeatGrid& beats,
                   int offsetMs, qint64 startMs, int scale, const TColorSettings& colors)
{
    const int width = size.width(), height = size.height();
    const qint64 s = std::max(scale, 1);
    canvas.fillRect(QRect(QPoint(0, 0), size), colors.TimelineBackground);
    const double middle = (height - 1) / 2.0;
    const double half = height / 2.0 - 1;

    // Music time of the picture's left edge; each column covers s milliseconds.
    const qint64 left = startMs - offsetMs;
    canvas.setPen(colors.TimelineAreas);
    for (int x = 0; music && x < width; ++x) {
        const qint64 from = left + x * s;
        if (from >= music->Envelope.DurationMs())
            break;
        if (from + s <= 0)
            continue;
        const TMusicEnvelope::TPeak peak = music->Envelope.Range(from, from + s);
        const int top = int(std::floor(middle - peak.Max * half / 32767.0));
        const int bottom = int(std::ceil(middle - peak.Min * half / 32767.0));
        canvas.drawLine(x, top, x, std::max(top, bottom));
    }

    // Beats: ticks from the top and the bottom edge, so the outline stays readable;
    // the first downbeat a line across.
    const std::vector<double>& times = beats.Beats;
    auto beat = std::lower_bound(times.begin(), times.end(), double(left) / 1000);
    const int tick = std::max(3, height / 4);
    for (; beat != times.end(); ++beat) {
        const qint64 x = (qint64(std::llround(*beat * 1000)) - left) / s;
        if (x >= width)
            break;
        if (beat - times.begin() == beats.FirstDownbeat) {
            canvas.setPen(colors.TimelineText);
            canvas.drawLine(int(x), 0, int(x), height - 1);
            continue;
        }
        canvas.setPen(colors.TimelineLines);
        canvas.drawLine(int(x), 0, int(x), tick - 1);
        canvas.drawLine(int(x), height - tick, int(x), height - 1);
    }
}

TTimelineMusic::TTimelineMusic(const TTimeline& timeline, QWidget* parent) : QWidget(parent), Timeline(timeline)
{
    setObjectName(QStringLiteral("iTimelineMusic"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFixedHeight(LaneHeight);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setFocusPolicy(Qt::ClickFocus);
    setMouseTracking(true);
    setToolTip(QStringLiteral("The soundtrack: its loudness and its beats. Drag a beat to move it; "
                              "right-click to add or remove one or to set the first downbeat"));
    hide();
}

void TTimelineMusic::SetMusic(std::shared_ptr<const TMusicAnalysis> music, int offsetMs)
{
    FMusic = std::move(music);
    OffsetMs = offsetMs;
    setVisible(FMusic != nullptr || !FBeats.Beats.empty());
    update();
}

void TTimelineMusic::SetBeats(const TBeatGrid& beats)
{
    FBeats = beats;
    DragIndex = -1;
    setVisible(FMusic != nullptr || !FBeats.Beats.empty());
    update();
}

void TTimelineMusic::SetColors(const TColorSettings& colors)
{
    Colors = colors;
    update();
}

qint64 TTimelineMusic::LeftMs() const
{
    return Timeline.StartTime() - OffsetMs;
}

double TTimelineMusic::SecondsAt(int x) const
{
    return double(LeftMs() + qint64(x) * std::max(Timeline.TimelineScale, 1)) / 1000;
}

int TTimelineMusic::ColumnOf(double seconds) const
{
    const qint64 x = (qint64(std::llround(seconds * 1000)) - LeftMs()) / std::max(Timeline.TimelineScale, 1);
    return int(std::clamp<qint64>(x, -1000000, 1000000));
}

int TTimelineMusic::BeatNear(int x) const
{
    const std::vector<double>& beats = FBeats.Beats;
    int best = -1, bestDistance = GrabDistance + 1;
    // Only the beats around the column need looking at.
    auto from = std::lower_bound(beats.begin(), beats.end(), SecondsAt(x - GrabDistance - 1));
    for (auto b = from; b != beats.end(); ++b) {
        const int distance = std::abs(ColumnOf(*b) - x);
        if (ColumnOf(*b) > x + GrabDistance)
            break;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = int(b - beats.begin());
        }
    }
    return best;
}

void TTimelineMusic::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (DragIndex >= 0) {
        // The beat where the pointer has it, kept between its neighbours as the move will.
        DrawMusicLane(painter, size(), FMusic.get(), MoveBeat(FBeats, DragIndex, DragSeconds), OffsetMs,
                      Timeline.StartTime(), Timeline.TimelineScale, Colors);
        return;
    }
    DrawMusicLane(painter, size(), FMusic.get(), FBeats, OffsetMs, Timeline.StartTime(), Timeline.TimelineScale,
                  Colors);
}

void TTimelineMusic::mousePressEvent(QMouseEvent* event)
{
    const int x = event->position().toPoint().x();
    if (event->button() == Qt::LeftButton && DragIndex < 0) {
        DragIndex = BeatNear(x);
        if (DragIndex >= 0) {
            DragFrom = x;
            DragSeconds = FBeats.Beats[size_t(DragIndex)];
        }
    }
    QWidget::mousePressEvent(event);
}

void TTimelineMusic::mouseMoveEvent(QMouseEvent* event)
{
    const int x = event->position().toPoint().x();
    if (DragIndex >= 0) {
        DragSeconds = SecondsAt(x);
        update();
    } else {
        setCursor(BeatNear(x) >= 0 ? Qt::SizeHorCursor : Qt::ArrowCursor);
    }
    QWidget::mouseMoveEvent(event);
}

void TTimelineMusic::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton && DragIndex >= 0) {
        const int index = DragIndex;
        const double to = SecondsAt(event->position().toPoint().x());
        const bool moved = event->position().toPoint().x() != DragFrom;
        EndDrag();
        // A click without a move is no change.
        if (moved)
            emit beatMoved(index, to);
    }
    QWidget::mouseReleaseEvent(event);
}

void TTimelineMusic::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape && DragIndex >= 0) {
        EndDrag();   // the beat stays where it was
        return;
    }
    QWidget::keyPressEvent(event);
}

void TTimelineMusic::EndDrag()
{
    DragIndex = -1;
    update();
}

void TTimelineMusic::contextMenuEvent(QContextMenuEvent* event)
{
    if (DragIndex >= 0)
        return;
    const int x = event->pos().x();
    const double at = SecondsAt(x);
    const int near = BeatNear(x);
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("pmMusicLane"));
    QAction* add = menu.addAction(QStringLiteral("&Add beat here"));
    add->setObjectName(QStringLiteral("miAddBeatHere"));
    add->setEnabled(near < 0 && at >= 0);
    QAction* remove = menu.addAction(QStringLiteral("&Remove this beat"));
    remove->setObjectName(QStringLiteral("miRemoveThisBeat"));
    remove->setEnabled(near >= 0);
    QAction* downbeat = menu.addAction(QStringLiteral("Set first &downbeat here"));
    downbeat->setObjectName(QStringLiteral("miDownbeatHere"));
    downbeat->setEnabled(near >= 0 && near != FBeats.FirstDownbeat);
    const QAction* chosen = menu.exec(event->globalPos());
    if (chosen == add)
        emit beatAdded(at);
    else if (chosen == remove)
        emit beatRemoved(near);
    else if (chosen == downbeat)
        emit downbeatSet(near);
}
