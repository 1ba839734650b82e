// A full repaint of the sketchpad: a 2,000-point frame over its 2,000-point backframe,
// every point linked to the backframe's point of the same number, markers with labels,
// grid and round edges, at zoom 8 into an 800 x 600 pad. Prints the median of 50 repaints
// for a frame spread over the whole square (the view scrolled to its middle) and for one
// crowded into the visible part. Goal: below 8 ms.
#include "PadDrawing.h"
#include "Transforms.h"

#include <QGuiApplication>
#include <QElapsedTimer>
#include <QImage>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

namespace {

constexpr int PointCount = 2000;
int Repaints = 50;   // an argument may ask for fewer, e.g. under a profiler
QString DumpPrefix;  // a second argument saves each case's last picture as <prefix><case>.png
const QSize PadSize(800, 600);

// A closed curve through the rectangle (left, top, width, height); `phase` shifts the backframe.
void FillFrame(TLaserFrame& frame, QRect area, double phase)
{
    for (int i = 0; i < PointCount; ++i) {
        const double a = 2 * M_PI * i / PointCount;
        TSmallPoint p;
        p.X = quint8(area.left() + area.width() * (0.5 + 0.5 * std::sin(7 * a + phase)));
        p.Y = quint8(area.top() + area.height() * (0.5 + 0.5 * std::cos(5 * a)));
        p.Flags = quint16(i % 5 == 0 ? TSmallPoint::FlagSharp : 0);
        frame.Points.push_back(p);
    }
    RenumberPoints(frame);
}

double MedianRepaint(const char* name, QRect area, int scrollX, int scrollY)
{
    TLaserFrame back, current;
    FillFrame(back, area, 0.0);
    FillFrame(current, area, 0.05);
    current.Links.Fit(PointCount, PointCount);
    for (int i = 0; i < PointCount; ++i)
        current.Links.Set(i, i, true);

    TPadView view;
    view.Zoom = 8;
    view.ShowRound = true;
    view.CurrentPoint = 10;
    TPadScene scene = MakePadScene(view, scrollX, scrollY, PadSize);
    scene.Current = &current;
    scene.Previous = &back;
    scene.CurrentFrameIndex = 1;

    QImage pad(PadSize, QImage::Format_ARGB32_Premultiplied);
    std::vector<double> times;
    for (int run = 0; run < Repaints + 1; ++run) {
        QElapsedTimer timer;
        timer.start();
        {
            QPainter canvas(&pad);
            DrawPadScene(canvas, scene);
        }
        if (run > 0)   // the first one warms the font and glyph caches
            times.push_back(timer.nsecsElapsed() / 1e6);
    }
    if (!DumpPrefix.isEmpty())
        pad.save(DumpPrefix + QLatin1String(name) + QStringLiteral(".png"));
    std::nth_element(times.begin(), times.begin() + times.size() / 2, times.end());
    return times[times.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc > 1)
        Repaints = qMax(1, QByteArray(argv[1]).toInt());
    if (argc > 2)
        DumpPrefix = QString::fromLocal8Bit(argv[2]);
    // The view at zoom 8 shows 100 x 75 frame units around the middle of the square.
    const int scrollX = 128 * 8 - PadSize.width() / 2, scrollY = 128 * 8 - PadSize.height() / 2;
    const double spread = MedianRepaint("spread", QRect(0, 0, 255, 255), scrollX, scrollY);
    const double crowded = MedianRepaint("crowded", QRect(80, 92, 95, 72), scrollX, scrollY);
    std::printf("pad repaint, %d + %d points, all linked, labels, zoom 8, %dx%d: median of %d "
                "%.2f ms spread over the square, %.2f ms all in view (goal < 8 ms)\n",
                PointCount, PointCount, PadSize.width(), PadSize.height(), Repaints, spread, crowded);
    return 0;
}
