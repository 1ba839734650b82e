#include "TimelineMusic.h"

#include "Timeline.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

void DrawMusicLane(QPainter& canvas, const QSize& size, const TMusicAnalysis& music, int offsetMs,
                   qint64 startMs, int scale, const TColorSettings& colors)
{
    const int width = size.width(), height = size.height();
    const qint64 s = std::max(scale, 1);
    canvas.fillRect(QRect(QPoint(0, 0), size), colors.TimelineBackground);
    const double middle = (height - 1) / 2.0;
    const double half = height / 2.0 - 1;

    // Music time of the picture's left edge; each column covers s milliseconds.
    const qint64 left = startMs - offsetMs;
    canvas.setPen(colors.TimelineAreas);
    for (int x = 0; x < width; ++x) {
        const qint64 from = left + x * s;
        if (from >= music.Envelope.DurationMs())
            break;
        if (from + s <= 0)
            continue;
        const TMusicEnvelope::TPeak peak = music.Envelope.Range(from, from + s);
        const int top = int(std::floor(middle - peak.Max * half / 32767.0));
        const int bottom = int(std::ceil(middle - peak.Min * half / 32767.0));
        canvas.drawLine(x, top, x, std::max(top, bottom));
    }

    // Beats: ticks from the top and the bottom edge, so the outline stays readable.
    const std::vector<double>& beats = music.Beats;
    auto beat = std::lower_bound(beats.begin(), beats.end(), double(left) / 1000);
    canvas.setPen(colors.TimelineLines);
    const int tick = std::max(3, height / 4);
    for (; beat != beats.end(); ++beat) {
        const qint64 x = (qint64(std::llround(*beat * 1000)) - left) / s;
        if (x >= width)
            break;
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
    setToolTip(QStringLiteral("The soundtrack: its loudness and its beats"));
    hide();
}

void TTimelineMusic::SetMusic(std::shared_ptr<const TMusicAnalysis> music, int offsetMs)
{
    FMusic = std::move(music);
    OffsetMs = offsetMs;
    setVisible(FMusic != nullptr);
    update();
}

void TTimelineMusic::SetColors(const TColorSettings& colors)
{
    Colors = colors;
    update();
}

void TTimelineMusic::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    if (!FMusic) {
        painter.fillRect(rect(), Colors.TimelineBackground);
        return;
    }
    DrawMusicLane(painter, size(), *FMusic, OffsetMs, Timeline.StartTime(), Timeline.TimelineScale, Colors);
}
