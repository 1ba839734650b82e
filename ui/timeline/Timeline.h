#pragma once

#include "LaserFrames.h"
#include "ProgramSettings.h"

#include <QDockWidget>
#include <QImage>
#include <QString>
#include <functional>
#include <memory>

class QFontMetrics;
class QPainter;
class QSize;
class QToolButton;
class TShowDocument;
class TTimelineDrawing;

// Geometry of the strip: the band's top edge, the text rows and the button bar.
namespace TimelineGeometry {
constexpr int BandTop = 14;
constexpr int NumberRow = 16;
constexpr int NameRow = 30;
constexpr int ClientHeight = 48;
constexpr int LabelStep = 500;   // ms between two time marks
}

// A time mark's text: t right-justified in 7 characters ("   1500").
QString TimelineLabel(qint64 t);

// Which time marks carry their number: every n-th (1, 2, 4, 10, 20, 40, 100 ... marks
// of LabelStep ms), the fewest that keep labels `labelWidth` pixels wide at least
// `gap` pixels apart at `scale` ms per pixel, so that zoomed out no number covers
// another.
qint64 TimelineLabelEvery(qint64 scale, int labelWidth, int gap);

// The frame name as the band shows it: cut from the end while wider than `room`
// pixels, but never below 5 characters (a short name may overrun the band).
QString TimelineName(const QString& name, int room, const QFontMetrics& metrics);

// The frame whose band covers column `px` of the strip, as DrawTimeline lays the
// bands out; -1 left of the first band, right of the last one or without frames.
int TimelineFrameAt(const TLaserFrames* show, int scale, int firstFrame, int px);

// The whole strip onto `canvas` (size: the drawing area). Draws nothing at all when
// there is no show or it has no frames, so that the previous picture stays.
// `scale` is milliseconds per pixel (>= 1); `firstFrame` is clamped to the last frame.
// `drawing` keeps what makes the next repaint quicker; without one it starts afresh.
// The time scale runs to the show's end or to `rulerEnd` (ms of show time, the end
// of the music), whichever is later.
void DrawTimeline(QPainter& canvas, const QSize& size, const TLaserFrames* show,
                  const TColorSettings& colors, int scale, int firstFrame, TTimelineDrawing* drawing = nullptr,
                  qint64 rulerEnd = 0);

// The drawing area `iTimeline`: shows its own persistent picture, which only
// TTimeline::TimeLineRedraw paints.
class TTimelineImage : public QWidget {
    Q_OBJECT
public:
    explicit TTimelineImage(QWidget* parent = nullptr);
    QImage& Canvas() { return Picture; }
    const QImage& Canvas() const { return Picture; }
    void SetFill(const QColor& color) { Fill = color; }

signals:
    void resized();
    void clicked(QPoint at);       // left button pressed at `at`

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QImage Picture;
    QColor Fill{0, 64, 0};
};

// The timeline tool window "toolwinTimeline": the 48 x 48 button bar `tbTimeline`
// on the left and the drawing area `iTimeline`. Read-only: it only zooms and scrolls
// by whole frames; a click on a band reports its frame. The owner docks it at the bottom and calls TimeLineRedraw at the
// end of every sketchpad repaint.
class TTimeline : public QDockWidget {
    Q_OBJECT
public:
    // The largest scale zooming out reaches: doubling it would overflow 32 bits.
    static constexpr int MaxScale = 1 << 30;

    explicit TTimeline(QWidget* parent = nullptr);
    ~TTimeline() override;

    // Where the show comes from; asked at every redraw, so the owner may replace its
    // show at will. Null (or a null result): nothing is drawn.
    void SetShow(std::function<const TLaserFrames*()> show);
    // Shows the document's show and follows it: the strip is drawn anew when frames'
    // timing, names or points change, and a click on a band makes its frame current.
    void SetDocument(TShowDocument& document);
    void SetColors(const TColorSettings& colors);

    // Draws the strip into iTimeline's picture and puts it on screen.
    void TimeLineRedraw();

    // A strip drawn under the frame bands on the same time scale (the music); it
    // repaints on `redrawn`. Shown or hidden by the owner; the window grows with it.
    void SetLane(QWidget* lane);
    // The show time (ms) at the left edge: the times of the frames before the first drawn.
    qint64 StartTime() const;
    // The time scale goes on to this show time (the end of the music) when the show
    // ends earlier; 0: to the show's end.
    void SetRulerEnd(qint64 showMs);

    int TimelineScale = 4;        // milliseconds per pixel
    int TimelineFirstFrame = 0;   // index of the first frame drawn

    QWidget* tbTimeline = nullptr;
    QToolButton* tbTimelineZoomIn = nullptr;
    QToolButton* tbTimelineZoomOut = nullptr;
    QToolButton* tbTimelineLeft = nullptr;
    QToolButton* tbTimelineRight = nullptr;
    TTimelineImage* iTimeline = nullptr;

    void tbTimelineZoomInClick();
    void tbTimelineZoomOutClick();
    void tbTimelineLeftClick();
    void tbTimelineRightClick();

signals:
    // The window's own close button was used (the "&Timeline" check mark follows it).
    void closed();
    // A click on the band of frame `index`.
    void frameClicked(int index);
    // The strip was drawn anew (zoom, scroll, show changes).
    void redrawn();

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FitHeight();

    QToolButton* NewButton(const QString& name, const QString& hint, const QIcon& icon);
    int FrameCount() const;

    std::function<const TLaserFrames*()> ShowSource;
    std::unique_ptr<TTimelineDrawing> Drawing;
    TColorSettings Colors;
    QWidget* Client = nullptr;
    QWidget* Lane = nullptr;
    qint64 RulerEnd = 0;
};
