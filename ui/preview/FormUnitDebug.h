#pragma once

#include <QImage>
#include <QString>
#include <QWidget>
#include <functional>
#include <vector>

class QLabel;
class QMenu;
class QScrollArea;
class TLaserFrame;
class TSmallPoint;

// The frame-wave preview of a frame's points: the X trace in rows 0..255, the Y
// trace in rows 256..511, one column per sample (or per `step` samples, each
// column `zoom` pixels apart), and the viewer's caption.
struct TWavePreview {
    QImage Image;
    QString Caption;
    qint64 Samples = 0;
};
TWavePreview DrawWavePreview(const std::vector<TSmallPoint>& points, int zoom, int step);

// "Demowave": the waveform viewer. Shows the current frame's X and Y signals as
// they would be sent with the default driver delays.
class TFormDebug : public QWidget {
    Q_OBJECT
public:
    explicit TFormDebug(QWidget* parent = nullptr);

    int ViewerZoom = 1;
    int ViewerStep = 1;
    // The frame aFramePreview and the zoom menu draw; null draws no wave.
    std::function<const TLaserFrame*()> CurrentFrame;

    QScrollArea* scrollImg = nullptr;
    QLabel* img = nullptr;
    QMenu* pmZoom = nullptr;

    // aFramePreview: draws the current frame and shows the window (not modal).
    void FramePreview();
    // Draws the current frame into img and sets the caption, without showing.
    void Redraw();
    const QImage& Image() const { return FImage; }

private:
    void AddZoomItems();

    QImage FImage;
};
