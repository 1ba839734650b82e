// Fills the frame list with a 1,000-frame show of 200-point frames and paints it:
// the fill, the first paint and a paint after scrolling to the end. Prints the times
// (best of 3); each should stay well below a frame of screen time.
#include "FrameList.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QScrollBar>
#include <cmath>
#include <cstdio>

namespace {

constexpr int FrameCount = 1000;
constexpr int PointCount = 200;

void BuildShow(TLaserFrames& show)
{
    for (int k = 0; k < FrameCount; ++k) {
        TLaserFrame& f = show.Add();
        f.Name = QStringLiteral("frame %1").arg(k);
        f.Effect = quint16(k % 8);
        f.EffectParam = qint16(k % 3 == 0 ? -45 : 1);
        f.Flags = quint16(k % 4);
        for (int i = 0; i < PointCount; ++i) {
            const double a = 2 * M_PI * i / PointCount;
            TSmallPoint p;
            p.X = quint8(128 + 100 * std::cos(a));
            p.Y = quint8(128 + 100 * std::sin(3 * a + k));
            f.Points.push_back(p);
        }
    }
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TLaserFrames show;
    BuildShow(show);
    qint64 best[3] = {-1, -1, -1};
    for (int run = 0; run < 3; ++run) {
        TFrameList list;
        list.resize(180, 600);
        list.show();
        QElapsedTimer timer;
        timer.start();
        for (int i = 0; i < FrameCount; ++i)
            list.addItem(show.Frame(i).Name);
        list.SetShow(&show);
        list.setCurrentRow(0);
        QApplication::processEvents();
        const qint64 fill = timer.nsecsElapsed();
        timer.restart();
        list.viewport()->grab();
        const qint64 first = timer.nsecsElapsed();
        timer.restart();
        list.verticalScrollBar()->setValue(list.verticalScrollBar()->maximum());
        list.viewport()->grab();
        const qint64 end = timer.nsecsElapsed();
        const qint64 times[3] = {fill, first, end};
        for (int i = 0; i < 3; ++i)
            if (best[i] < 0 || times[i] < best[i])
                best[i] = times[i];
    }
    std::printf("frame list, %d frames of %d points: fill %.2f ms, first paint %.2f ms, "
                "paint at the end %.2f ms\n",
                FrameCount, PointCount, best[0] / 1e6, best[1] / 1e6, best[2] / 1e6);
    return 0;
}
