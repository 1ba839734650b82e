#pragma once

#include "LaserFrames.h"
#include "ProgramSettings.h"

#include <memory>

class QPainter;
class QSize;

// What the timeline keeps from one repaint to the next, so that a zoomed-out strip of
// hundreds of narrow bands and time marks draws quickly with exactly the pixels of the
// plain drawing: rendered narrow bands, the glyphs of the numbers and the widths of
// the frame names. It holds nothing of the picture itself.
class TTimelineDrawing {
public:
    TTimelineDrawing();
    ~TTimelineDrawing();
    TTimelineDrawing(const TTimelineDrawing&) = delete;
    TTimelineDrawing& operator=(const TTimelineDrawing&) = delete;

    // The whole strip, as DrawTimeline describes it.
    void Draw(QPainter& canvas, const QSize& size, const TLaserFrames* show, const TColorSettings& colors,
              int scale, int firstFrame, qint64 rulerEnd = 0);

private:
    struct TStore;
    std::unique_ptr<TStore> Store;
};
