#pragma once

// What every harness shares: a Qt application (fonts and the SVG renderer need a
// QGuiApplication; the offscreen platform needs no display), Qt's warnings kept off
// the log, and a check that stops the run with a message libFuzzer records.
#include "LaserFrame.h"
#include "VectorImport.h"

#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>

inline void FuzzStartQt()
{
    static int argc = 1;
    static char name[] = "fuzz";
    static char* argv[] = {name, nullptr};
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type == QtFatalMsg) {
            std::fprintf(stderr, "qFatal: %s\n", qPrintable(text));
            std::abort();
        }
    });
    static QGuiApplication app(argc, argv);
}

#define FUZZ_CHECK(condition)                                                             \
    do {                                                                                  \
        if (!(condition)) {                                                               \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                 \
        }                                                                                 \
    } while (0)

// What every built frame must be: no more points than a frame holds, and a failure
// without a frame but with a reason.
inline void FuzzCheckFrame(const TVectorFrameResult& result)
{
    if (!result.outcome.ok) {
        FUZZ_CHECK(!result.Frame);
        FUZZ_CHECK(!result.outcome.message.isEmpty());
        const double t = result.FittingTolerance;
        FUZZ_CHECK(t == 0 || t == 1 || t == 2 || t == 4 || t == 8 || t == 16 || t == 32 || t == 64);
        return;
    }
    FUZZ_CHECK(result.Frame);
    FUZZ_CHECK(result.Frame->PointCount() >= 1 && result.Frame->PointCount() <= MaxFramePoints);
    FUZZ_CHECK(result.Jumps >= 0 && result.Jumps <= result.Frame->PointCount());
}
