// Pictures traced into frames: a 1000 x 1000 logo of a few shapes (the goal is
// under 200 ms from the file to the frame), the same logo at 4000 x 3000 (scaled
// down before it is traced), and the pictures potrace finds hardest: pixels of noise
// (the most outlines) and a fine diagonal hatching (long staircases), which are
// traced smaller to stay near a second. Prints the best of 10 runs of each step.
#include "BenchLogo.h"
#include "PictureTrace.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <cmath>
#include <cstdio>
#include <functional>
#include <numbers>

namespace {

QImage Noise(int size)
{
    QImage picture(size, size, QImage::Format_RGB32);
    QRandomGenerator random(27);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            picture.setPixel(x, y, random.bounded(2) ? qRgb(255, 255, 255) : qRgb(0, 0, 0));
    return picture;
}

// Diagonal lines two pixels wide, two apart, with the logo's ring in the middle.
QImage Hatching(int size)
{
    QImage picture = Logo(size, size);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x)
            if ((x + y) / 2 % 2 && std::hypot(x - size / 2, y - size / 2) > size / 4)
                picture.setPixel(x, y, qRgb(0, 0, 0));
    return picture;
}

double Best(const std::function<void()>& run)
{
    double best = 1e9;
    for (int round = 0; round < 10; ++round) {
        QElapsedTimer t;
        t.start();
        run();
        best = std::min(best, t.nsecsElapsed() / 1e6);
    }
    return best;
}

void Measure(const char* what, const QString& file)
{
    const TTraceOptions trace;
    const TVectorOptions options;
    TTracedPicture traced;
    TVectorFrameResult frame;
    const double read = Best([&] { traced = TracePicture(file, trace); });
    if (!traced.outcome.ok) {
        std::printf("%-34s %s\n", what, qPrintable(traced.outcome.message));
        return;
    }
    const double build = Best([&] { frame = BuildTracedFrame(traced, options); });
    const double whole = Best([&] { frame = TracePictureFrame(file, trace, options); });
    std::printf("%-34s %8.1f ms  (read and trace %.1f ms, frame %.1f ms); %d outlines, traced at %dx%d, %s\n",
                what, whole, read, build, traced.Outlines, traced.TracedSize.width(), traced.TracedSize.height(),
                frame.outcome.ok ? qPrintable(QStringLiteral("%1 points").arg(frame.Frame->PointCount()))
                                 : qPrintable(frame.outcome.message));
}

} // namespace

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    QTemporaryDir dir;
    const QString logo = dir.filePath("logo.png"), large = dir.filePath("logo-large.jpg"),
                  noise = dir.filePath("noise.png"), noise2048 = dir.filePath("noise2048.png"),
                  hatching = dir.filePath("hatching.png");
    if (!Logo(1000, 1000).save(logo) || !Logo(4000, 3000).save(large, "jpg", 90) || !Noise(1000).save(noise)
        || !Noise(2048).save(noise2048) || !Hatching(2048).save(hatching)) {
        std::fprintf(stderr, "bench_trace: cannot write the pictures in %s\n", qPrintable(dir.path()));
        return 1;
    }
    std::printf("picture to frame (goal for the logo: 200 ms), best of 10:\n");
    Measure("logo, 1000 x 1000 PNG", logo);
    Measure("logo, 4000 x 3000 JPEG", large);
    Measure("noise, 1000 x 1000 PNG", noise);
    Measure("noise, 2048 x 2048 PNG", noise2048);
    Measure("hatching, 2048 x 2048 PNG", hatching);
    return 0;
}
