#pragma once

#include "MusicTrack.h"
#include "ProgramSettings.h"

#include <QWidget>
#include <memory>

class QPainter;
class TTimeline;

// The music lane under the timeline's frame bands: the music's outline (the
// lowest and highest sample of each pixel's stretch) and its beats as ticks, on
// the bands' scale. `startMs` is the show time at x = 0, `scale` ms per pixel; the
// music starts `offsetMs` after the show.
void DrawMusicLane(QPainter& canvas, const QSize& size, const TMusicAnalysis& music, int offsetMs,
                   qint64 startMs, int scale, const TColorSettings& colors);

class TTimelineMusic : public QWidget {
    Q_OBJECT
public:
    static constexpr int LaneHeight = 32;

    explicit TTimelineMusic(const TTimeline& timeline, QWidget* parent = nullptr);

    // Null: the lane hides.
    void SetMusic(std::shared_ptr<const TMusicAnalysis> music, int offsetMs);
    void SetColors(const TColorSettings& colors);

    QSize sizeHint() const override { return {200, LaneHeight}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    const TTimeline& Timeline;
    std::shared_ptr<const TMusicAnalysis> FMusic;
    int OffsetMs = 0;
    TColorSettings Colors;
};
