#include "FormUnitDebug.h"

#include "LaserFrame.h"
#include "Render.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QPainter>
#include <QScrollArea>
#include <QVBoxLayout>
#include <cmath>

namespace {

constexpr int DesignWidth = 1116;
constexpr int ImageHeight = 512;
constexpr int WindowHeight = 539;
// Wider pixmaps are refused by some window systems; a frame this long (about
// three quarters of a second) is cut off there.
constexpr int MaxImageWidth = 32767;

// The viewer always shows the default delays; a corner hold of 0 leaves out
// the edge holds. Blank flags are not drawn.
constexpr TScanDelays ViewerDelays{30, 55, 66, 0};

// Division truncates toward zero: sample -1 (the start) lies in column 0 unless step is 1.
qint64 Column(qint64 sample, int zoom, int step)
{
    return sample / step * zoom;
}

} // namespace

TWavePreview DrawWavePreview(const std::vector<TSmallPoint>& points, int zoom, int step)
{
    TSamplePath path;
    RenderPointsPath(points, path, ViewerDelays);
    const qint64 total = path.Count();

    TWavePreview preview;
    preview.Samples = total;
    // The image is as wide as the wave has samples: what a zoom pushes further
    // right is cut off, a step leaves the right part empty.
    const int width = total > 0 ? int(qMin<qint64>(total, MaxImageWidth)) : DesignWidth;
    preview.Image = QImage(width, ImageHeight, QImage::Format_RGB32);
    preview.Image.fill(Qt::black);

    QPainter canvas(&preview.Image);
    canvas.setPen(QPen(QColor(0, 255, 0), 0));
    canvas.drawLine(0, 255, width - 1, 255);
    canvas.setPen(QPen(QColor(255, 0, 0), 0));
    TBeamPoint previous{127, 127};
    for (qint64 n = 0; n < total; ++n) {
        const TBeamPoint& sample = path.Positions[size_t(n)];
        const qint64 from = Column(n - 1, zoom, step);
        if (from > width) // outside the image from here on; the columns could overflow int
            break;
        const int to = int(Column(n, zoom, step));
        canvas.drawLine(int(from), previous.X, to, sample.X);
        canvas.drawLine(int(from), previous.Y + 256, to, sample.Y + 256);
        previous = sample;
    }

    if (total == 0)
        preview.Caption = QStringLiteral("waveform preview -- no wave available...");
    else
        preview.Caption = QStringLiteral("waveform preview -- duration: %1 samples -- rate: %2 Hz"
                                         " -- zoom: %3/%4")
                              .arg(total)
                              .arg(qint64(std::nearbyint(44100.0 / double(total))))
                              .arg(zoom)
                              .arg(step);
    return preview;
}

TFormDebug::TFormDebug(QWidget* parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("FormDebug"));
    setWindowTitle(QStringLiteral("Demowave"));
    setFixedHeight(WindowHeight);

    img = new QLabel;
    img->setObjectName(QStringLiteral("img"));
    img->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    FImage = QImage(DesignWidth, ImageHeight, QImage::Format_RGB32);
    FImage.fill(Qt::black);
    img->setPixmap(QPixmap::fromImage(FImage));

    scrollImg = new QScrollArea;
    scrollImg->setWidget(img);
    scrollImg->setWidgetResizable(false);
    scrollImg->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scrollImg->setStyleSheet(QStringLiteral("background: black"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(scrollImg);

    pmZoom = new QMenu(this);
    pmZoom->setObjectName(QStringLiteral("pmZoom"));
    AddZoomItems();
    img->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(img, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { pmZoom->popup(img->mapToGlobal(at)); });
}

void TFormDebug::AddZoomItems()
{
    for (int factor = 1; factor <= 64; factor *= 2) {
        pmZoom->addAction(QStringLiteral("%1x Zoom").arg(factor), this, [this, factor] {
            ViewerZoom = factor;
            Redraw();
        });
    }
    pmZoom->addSeparator();
    for (int factor = 1; factor <= 64; factor *= 2) {
        pmZoom->addAction(QStringLiteral("Step %1").arg(factor), this, [this, factor] {
            ViewerStep = factor;
            Redraw();
        });
    }
}

void TFormDebug::Redraw()
{
    static const std::vector<TSmallPoint> none;
    const TLaserFrame* frame = CurrentFrame ? CurrentFrame() : nullptr;
    TWavePreview preview = DrawWavePreview(frame ? frame->Points : none, ViewerZoom, ViewerStep);
    FImage = std::move(preview.Image);
    img->setPixmap(QPixmap::fromImage(FImage));
    img->resize(FImage.size());
    setWindowTitle(preview.Caption);
}

void TFormDebug::FramePreview()
{
    Redraw();
    showMaximized();
    raise();
    activateWindow();
}
