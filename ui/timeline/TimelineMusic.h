#pragma once

#include "Beats.h"
#include "MusicTrack.h"
#include "ProgramSettings.h"

#include <QWidget>
#include <memory>

class QPainter;
class TTimeline;

// The music lane under the timeline's frame bands: the music's outline (the
// lowest and highest sample of each pixel's stretch) and its beats as ticks, the
// first downbeat as a line across, on the bands' scale. `startMs` is the show time
// at x = 0, `scale` ms per pixel; the music starts `offsetMs` after the show.
// Without `music` only the beats are drawn.
void DrawMusicLane(QPainter& canvas, const QSize& size, const TMusicAnalysis* music, const TBeatGrid& beats,
                   int offsetMs, qint64 startMs, int scale, const TColorSettings& colors);

// The lane as a widget. A beat's tick can be dragged along the lane; the context
// menu adds a beat, removes one or makes one the first downbeat. Each is told by a
// signal: the owner turns it into a step of the show.
class TTimelineMusic : public QWidget {
    Q_OBJECT
public:
    static constexpr int LaneHeight = 32;
    static constexpr int GrabDistance = 3;   // pixels from a tick that still take it

    explicit TTimelineMusic(const TTimeline& timeline, QWidget* parent = nullptr);

    // Null: the lane hides.
    void SetMusic(std::shared_ptr<const TMusicAnalysis> music, int offsetMs);
    // The beats the lane shows and edits; a drag under way is dropped.
    void SetBeats(const TBeatGrid& beats);
    const TBeatGrid& Beats() const { return FBeats; }
    void SetColors(const TColorSettings& colors);

    // Music time (seconds) at column x, and the column of a music time.
    double SecondsAt(int x) const;
    int ColumnOf(double seconds) const;
    // The beat whose tick is within GrabDistance of column x; -1: none.
    int BeatNear(int x) const;

    QSize sizeHint() const override { return {200, LaneHeight}; }

signals:
    void beatMoved(int index, double seconds);
    void beatAdded(double seconds);
    void beatRemoved(int index);
    void downbeatSet(int index);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    qint64 LeftMs() const;   // music time at x = 0
    void EndDrag();

    const TTimeline& Timeline;
    std::shared_ptr<const TMusicAnalysis> FMusic;
    TBeatGrid FBeats;
    int OffsetMs = 0;
    TColorSettings Colors;
    int DragIndex = -1;        // the beat being dragged
    int DragFrom = 0;          // the column it was taken at
    double DragSeconds = 0;    // where it is now
};
