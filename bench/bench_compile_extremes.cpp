// Compiles of extreme shows, each in a process of its own with its time and peak
// memory: a 65,535 ms Morph between two linked one-point frames (default delays and
// delays 1,0,0,0), a 15,000-point frame that is never drawn (every delay 65535),
// and a seven-hour show that is too long for a WAV file (the time to the refusal).
#include "LaserFrames.h"
#include "WaveCompiler.h"

#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>
#include <functional>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

void Case(const char* what, const std::function<void(TLaserFrames&)>& build, const TScanDelays& delays,
          const QString& wav)
{
    std::fflush(stdout);
    QElapsedTimer t;
    t.start();
    const pid_t pid = fork();
    if (pid == 0) {
        TLaserFrames show;
        build(show);
        TCompileOptions options;
        options.Delays = delays;
        const TCompileResult result = CompileShow(show, wav, options);
        std::printf("  %-44s %s", what,
                    result.outcome.ok ? qPrintable(QStringLiteral("%1 bytes").arg(result.bytes)) : qPrintable(result.outcome.message));
        std::fflush(stdout);
        _exit(0);
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    std::printf(", %.0f ms, peak %.0f MB\n", t.nsecsElapsed() / 1e6, usage.ru_maxrss / 1024.0);
    QFile::remove(wav);
}

TSmallPoint Point(int x, int y, quint16 flags = 0)
{
    TSmallPoint p;
    p.X = quint8(x);
    p.Y = quint8(y);
    p.Flags = flags;
    return p;
}

void LongMorph(TLaserFrames& show)
{
    show.Add().Points = {Point(10, 20)};
    TLaserFrame& b = show.Add();
    b.Points = {Point(200, 220)};
    b.Effect = EffectMorph;
    b.EffectTime = 65535;
    b.FitLinks(1);
    b.Links.Set(0, 0, true);
}

void NeverDrawn(TLaserFrames& show)
{
    TLaserFrame& f = show.Add();
    for (int i = 0; i < 15000; ++i)
        f.Points.push_back(Point(i * 37, i * 91));
}

void SevenHours(TLaserFrames& show)
{
    for (int k = 0; k < 7 * 60; ++k) {
        TLaserFrame& f = show.Add();
        f.Points = {Point(10, 20), Point(200, 100), Point(100, 200)};
        f.Delay = 60000;
    }
}

} // namespace

int main()
{
    QTemporaryDir dir;
    const QString wav = dir.filePath("extreme.RZ4.WAV");
    std::printf("extreme compiles:\n");
    Case("morph of 65535 ms", LongMorph, TScanDelays(), wav);
    Case("morph of 65535 ms, delays 1,0,0,0", LongMorph, TScanDelays{1, 0, 0, 0}, wav);
    Case("15,000-point frame never drawn, delays 65535", NeverDrawn, TScanDelays{65535, 65535, 65535, 65535}, wav);
    Case("seven hours (refused)", SevenHours, TScanDelays(), wav);
    return 0;
}
