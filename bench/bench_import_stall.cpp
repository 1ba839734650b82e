// The window during a large import: an SVG drawing that flattens to about 100,000
// points (refused as too large, after the tolerance that fits is worked out) and one
// of about 60,000 (made into a frame, ordered and improved), each imported the way the
// editor imports, off the GUI thread. A timer ticking every millisecond on the GUI
// thread measures the longest stall of the event loop (the goal is under 50 ms); the
// same work on the GUI thread shows the stall there would be without the thread.
#include "BackgroundWork.h"
#include "SvgImport.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <memory>

namespace {

QByteArray Circles(int count)
{
    QByteArray svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 2 2\">";
    for (int i = 0; i < count; ++i)
        svg += QStringLiteral("<circle cx=\"1\" cy=\"1\" r=\"1\" fill=\"none\" stroke=\"black\" transform=\"rotate(%1 1 1)\"/>")
                   .arg(i * 360.0 / count)
                   .toLatin1();
    return svg + "</svg>";
}

struct TStall {
    double worstMs = 0;
    double totalMs = 0;
};

TStall Measure(QWidget& window, const QString& path)
{
    TStall stall;
    QElapsedTimer since, total;
    QTimer tick;
    tick.setInterval(1);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        stall.worstMs = std::max(stall.worstMs, since.nsecsElapsed() / 1e6);
        since.restart();
    });
    auto result = std::make_shared<TVectorFrameResult>();
    total.start();
    since.start();
    tick.start();
    RunInBackground(&window, QStringLiteral("Importing..."), [=] { *result = ImportSvgFile(path, {}); });
    stall.worstMs = std::max(stall.worstMs, since.nsecsElapsed() / 1e6);
    stall.totalMs = total.nsecsElapsed() / 1e6;
    tick.stop();
    return stall;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.resize(400, 300);
    window.show();
    QTemporaryDir dir;
    for (const int circles : {2500, 1500}) {
        const QString path = dir.filePath(QStringLiteral("circles%1.svg").arg(circles));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(Circles(circles)) < 0)
            return 1;
        file.close();
        QElapsedTimer t;
        t.start();
        const TVectorFrameResult direct = ImportSvgFile(path, {});
        const double directMs = t.nsecsElapsed() / 1e6;
        const TStall stall = Measure(window, path);
        std::printf("%d circles, about %d points (%s): %.0f ms of work; off the GUI thread the longest stall of "
                    "the event loop is %.1f ms (goal 50), on it it would be %.0f ms\n",
                    circles, circles * 40, direct.outcome.ok ? "made into a frame" : "refused as too large",
                    stall.totalMs, stall.worstMs, directMs);
    }
    return 0;
}
