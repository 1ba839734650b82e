// A full repaint of the sketchpad: a 2,000-point frame over its 2,000-point backframe,
// every point linked to the backframe's point of the same number, markers with labels,
// grid and round edges, at zoom 8 into an 800 x 600 pad. Prints the median of 50 repaints
// for a frame spread over the whole square (the view scrolled to its middle) and for one
// crowded into the visible part. Goal: below 8 ms.
// Then the pad's interactions in the real main window (PadWindowBench.h) for frames of
// 500, 10,000 and 65,535 points. Goals: every one within 16 ms at 10,000 points and within
// 50 ms at 65,535 points; a frame switch between 65,535-point frames within 16 ms.
// `--window` runs only the main window's table, `--draw` only the repaint above.
#include "PadDrawing.h"
#include "PadWindowBench.h"
#include "Transforms.h"

#include <QApplication>
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

void WindowTable()
{
    using namespace padbench;
    enum { Repaint, PointDrag, RotateDrag, AddPoint, DeletePoint, FrameSwitch, RowCount };
    TTable table({"pad repaint", "point drag, per mouse move", "rotate drag, per move", "add one point (click)",
                  "delete one point (Delete key)", "frame switch"});
    TPadWindow window;
    for (const TCase& c : Cases()) {
        window.Load(c.Count, c.Numbered);
        table.Set(Repaint, Median(Runs([&](int) { return window.Time([&] { window.Sketchpad->RedrawSketchpad(); }); })));

        window.Action("aToolMove")->trigger();
        const int middle = c.Count / 2;
        const QPoint start = window.PointAt(middle);
        window.Press(start, Qt::LeftButton);
        table.Set(PointDrag, Median(Runs([&](int k) {
            const QPoint to = start + QPoint(2 * (k % 9 + 1), 2 * (k % 5 + 1));
            return window.Time([&] { window.Move(to, Qt::LeftButton); });
        })));
        window.Release(start + QPoint(2, 2), Qt::LeftButton);
        window.Settle();

        window.Action("miToolMoveRotate")->trigger();
        const QPoint centre = window.At(128, 128);
        window.Press(centre + QPoint(100, 0), Qt::RightButton);
        table.Set(RotateDrag, Median(Runs([&](int k) {
            const double a = 0.02 * (k + 1);
            const QPoint to = centre + QPoint(int(100 * std::cos(a)), int(100 * std::sin(a)));
            return window.Time([&] { window.Move(to, Qt::RightButton); });
        })));
        window.Release(centre + QPoint(100, 40), Qt::RightButton);
        window.Settle();

        // Each added point (after the dragged one, which is current) is deleted again.
        window.Action("aToolAdd")->trigger();
        std::vector<double> add, del;
        padbench::Runs([&](int) {
            const QPoint at = window.At(20, 20);
            add.push_back(window.Time([&] {
                window.Press(at, Qt::LeftButton);
                window.Release(at, Qt::LeftButton);
            }));
            del.push_back(window.Time([&] { window.Key(Qt::Key_Delete); }));
            return 0.0;
        });
        table.Set(AddPoint, Median(add));
        table.Set(DeletePoint, Median(del));
        window.Action("aToolMove")->trigger();

        table.Set(FrameSwitch, Median(Runs([&](int k) {
            return window.Time([&] { window.Form->Document().SetCurrentFrameIndex(k % 2 == 0 ? 0 : 1); });
        })));
        std::fprintf(stderr, "%s done\n", c.Title);
    }
    std::printf("the main window's pad, zoom 2, labels on, offscreen (goals: 16 ms at 10k, 50 ms at 65,535; "
                "frame switch 16 ms)\n");
    table.Print();
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    const QByteArray mode = argc > 1 ? QByteArray(argv[1]) : QByteArray();
    if (mode == "--window") {
        WindowTable();
        return 0;
    }
    const bool drawOnly = mode == "--draw";
    const int first = drawOnly ? 2 : 1;
    if (argc > first)
        Repaints = qMax(1, QByteArray(argv[first]).toInt());
    if (argc > first + 1)
        DumpPrefix = QString::fromLocal8Bit(argv[first + 1]);
    // The view at zoom 8 shows 100 x 75 frame units around the middle of the square.
    const int scrollX = 128 * 8 - PadSize.width() / 2, scrollY = 128 * 8 - PadSize.height() / 2;
    const double spread = MedianRepaint("spread", QRect(0, 0, 255, 255), scrollX, scrollY);
    const double crowded = MedianRepaint("crowded", QRect(80, 92, 95, 72), scrollX, scrollY);
    std::printf("pad repaint, %d + %d points, all linked, labels, zoom 8, %dx%d: median of %d "
                "%.2f ms spread over the square, %.2f ms all in view (goal < 8 ms)\n",
                PointCount, PointCount, PadSize.width(), PadSize.height(), Repaints, spread, crowded);
    if (!drawOnly)
        WindowTable();
    return 0;
}
