// Draws a compiled one-minute show (six frames of 100 points, 10 s each with a
// transition) the way "Show preview" does. Prints samples per second for the
// drawing alone and for the window, which also puts the picture on screen
// between its slices (best of 3). Goal: at least 5 million samples per second.
#include "FormUnitPreview.h"
#include "LaserFrames.h"
#include "WaveCompiler.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QTemporaryDir>
#include <cmath>
#include <cstdio>

namespace {

void BuildShow(TLaserFrames& show)
{
    constexpr int Frames = 6;
    constexpr int Points = 100;
    for (int k = 0; k < Frames; ++k) {
        TLaserFrame& f = show.Add();
        f.Delay = 10000;
        f.EffectTime = 500;
        f.Effect = quint16(k % 8);
        f.Flags = quint16(k % 2);
        for (int i = 0; i < Points; ++i) {
            const double a = 2 * M_PI * i / Points;
            const double r = 90 + 20 * std::sin(5 * a + k);
            TSmallPoint p;
            p.X = quint8(128 + r * std::cos(a));
            p.Y = quint8(128 + r * std::sin(a));
            p.Flags = quint16(i >= 40 && i < 45 ? TSmallPoint::FlagBlank : 0);
            f.Points.push_back(p);
        }
        f.FitLinks(k ? Points : 0);
    }
}

double Rate(qint64 samples, qint64 nanoseconds)
{
    return double(samples) / (double(nanoseconds) / 1e9);
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;
    TLaserFrames show;
    BuildShow(show);
    const QString wave = dir.filePath(QStringLiteral("bench.RZ4.WAV"));
    const TCompileResult compiled = CompileShow(show, wave, TCompileOptions{});
    if (!compiled.outcome.ok) {
        std::fprintf(stderr, "compile failed: %s\n", qPrintable(compiled.outcome.message));
        return 1;
    }
    QFile file(wave);
    if (!file.open(QIODevice::ReadOnly))
        return 1;
    const QByteArray bytes = file.readAll();
    const qint64 samples = (bytes.size() - TPreviewTrace::FirstSample) / 4;

    double bestCore = 0, bestWindow = 0;
    for (int run = 0; run < 3; ++run) {
        TPreviewTrace trace;
        trace.SetSamples(bytes);
        QElapsedTimer timer;
        timer.start();
        while (trace.DrawToRepaint() != TPreviewTrace::TStep::End) {}
        bestCore = std::max(bestCore, Rate(samples, timer.nsecsElapsed()));

        TFormPreview form;
        if (!form.LoadSamples(wave).isEmpty())
            return 1;
        QEventLoop loop;
        QObject::connect(&form, &TFormPreview::samplesEnded, &loop, &QEventLoop::quit);
        timer.restart();
        form.show();   // showing starts the drawing
        loop.exec();
        bestWindow = std::max(bestWindow, Rate(samples, timer.nsecsElapsed()));
    }
    std::printf("preview of %lld samples (%.1f s of show)\n", samples, double(samples) / 44100);
    std::printf("  drawing alone:        %6.1f million samples/s\n", bestCore / 1e6);
    std::printf("  window with repaints: %6.1f million samples/s (goal >= 5)\n", bestWindow / 1e6);
    return 0;
}
