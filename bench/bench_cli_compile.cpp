// Whole processes: `skelmar-cli compile` of a ten-minute show of Rotate, Drain and
// Im-/Explode transitions (600 frames of 30 points, each shown 1 s after a 100 ms
// transition) against a process that writes as many bytes, in 1 MiB blocks, into
// the same folder. Then the same with half of the time in transitions (500 ms shown,
// 500 ms of transition), whose samples are each worked out with sine and cosine.
// Prints both times (wall and CPU) and their ratios, best of 5, and what starting
// each process costs before it does anything (skelmar-cli --help, and the writer
// writing nothing).
//
//   bench_cli_compile [path/to/skelmar-cli]
//   bench_cli_compile --write BYTES FILE     (the plain writer, run by the bench itself)
//   bench_cli_compile --show DELAY EFFECTTIME FILE   (writes the show, for a profiler)
#include "LaserFrames.h"
#include "ShowFile.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <cmath>
#include <cstdio>
#include <vector>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

void BuildShow(TLaserFrames& show, quint16 delay, quint16 effectTime)
{
    constexpr int Frames = 600;
    constexpr int Points = 30;
    const quint16 effects[3] = {EffectRotate, EffectDrain, EffectPlode};
    for (int k = 0; k < Frames; ++k) {
        TLaserFrame& f = show.Add();
        f.Name = QStringLiteral("f%1").arg(k);
        f.Delay = delay;
        f.EffectTime = effectTime;
        f.Effect = effects[k % 3];
        f.EffectParam = qint16(k % 2 ? 180 : 90);
        f.EffectCenterX = 120 + k % 16;
        f.EffectCenterY = 136 - k % 16;
        f.Flags = quint16(k % 2);
        // A star with held corners: every other point sharp.
        for (int i = 0; i < Points; ++i) {
            const double a = 2 * M_PI * i / Points + k * 0.01;
            const double r = i % 2 ? 40 : 100;
            TSmallPoint p;
            p.Name = QString::number(i);
            p.X = quint8(128 + r * std::cos(a));
            p.Y = quint8(128 + r * std::sin(a));
            p.Flags = quint16(i % 2 ? 0 : TSmallPoint::FlagSharp);
            f.Points.push_back(p);
        }
        f.FitLinks(k ? Points : 0);
    }
}

int PlainWrite(qint64 bytes, const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return 1;
    const QByteArray block(1 << 20, '\x5a');
    for (qint64 left = bytes; left > 0; left -= block.size()) {
        const qint64 n = qMin<qint64>(left, block.size());
        if (file.write(block.constData(), n) != n)
            return 1;
    }
    return file.flush() ? 0 : 1;
}

struct TTimes {
    double wall = -1; // ms; -1 when the run failed
    double cpu = -1;  // user + system ms
};

// One process run, waited for with its resource use.
TTimes TimeProcess(const QString& program, const QStringList& args)
{
    QList<QByteArray> encoded;
    for (const QString& a : QStringList{program} + args)
        encoded << QFile::encodeName(a);
    std::vector<char*> argv;
    for (QByteArray& a : encoded)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    std::fflush(stdout);
    QElapsedTimer t;
    t.start();
    const pid_t pid = fork();
    if (pid == 0) {
        if (!freopen("/dev/null", "w", stdout))
            _exit(127);
        execv(argv[0], argv.data());
        _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return {};
    const auto ms = [](const timeval& v) { return v.tv_sec * 1e3 + v.tv_usec / 1e3; };
    return {t.nsecsElapsed() / 1e6, ms(usage.ru_utime) + ms(usage.ru_stime)};
}

bool Measure(const QString& cli, quint16 delay, quint16 effectTime)
{
    QTemporaryDir dir;
    TLaserFrames show;
    BuildShow(show, delay, effectTime);
    const QString showFile = dir.filePath("heavy.RZ4");
    if (!WriteShowFile(showFile, show).ok)
        return false;
    const QString wav = dir.filePath("heavy.RZ4.WAV");
    const QString plain = dir.filePath("plain.bin");

    TTimes compile{1e12, 1e12}, write{1e12, 1e12};
    qint64 bytes = 0;
    for (int round = 0; round < 5; ++round) {
        const TTimes c = TimeProcess(cli, {"compile", showFile, "--quiet"});
        bytes = QFileInfo(wav).size();
        if (c.wall < 0 || bytes <= 0) {
            std::fprintf(stderr, "compile failed\n");
            return false;
        }
        const TTimes w = TimeProcess(QCoreApplication::applicationFilePath(),
                                     {"--write", QString::number(bytes), plain});
        if (w.wall < 0)
            return false;
        compile = {qMin(compile.wall, c.wall), qMin(compile.cpu, c.cpu)};
        write = {qMin(write.wall, w.wall), qMin(write.cpu, w.cpu)};
        QFile::remove(wav);
        QFile::remove(plain);
    }
    std::printf("%d frames, %u ms shown after %u ms of transition, %lld bytes:\n"
                "  compile %.0f ms (%.0f ms CPU), plain write %.0f ms (%.0f ms CPU): ratio %.2f (CPU %.2f), "
                "best of 5\n",
                show.Count(), delay, effectTime, static_cast<long long>(bytes), compile.wall, compile.cpu,
                write.wall, write.cpu, compile.wall / write.wall, compile.cpu / write.cpu);
    return true;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 4 && args[1] == QLatin1String("--write"))
        return PlainWrite(args[2].toLongLong(), args[3]);
    if (args.size() == 5 && args[1] == QLatin1String("--show")) {
        TLaserFrames show;
        BuildShow(show, quint16(args[2].toUInt()), quint16(args[3].toUInt()));
        return WriteShowFile(args[4], show).ok ? 0 : 1;
    }
    const QString cli = args.size() > 1 ? args[1] : QStringLiteral(SKELMAR_CLI);

    const bool ok = Measure(cli, 1000, 100) && Measure(cli, 500, 500);
    TTimes cliStart{1e12, 1e12}, writerStart{1e12, 1e12};
    QTemporaryDir dir;
    for (int round = 0; round < 5; ++round) {
        const TTimes c = TimeProcess(cli, {"--help"});
        const TTimes w = TimeProcess(QCoreApplication::applicationFilePath(),
                                     {"--write", "0", dir.filePath("empty.bin")});
        cliStart = {qMin(cliStart.wall, c.wall), qMin(cliStart.cpu, c.cpu)};
        writerStart = {qMin(writerStart.wall, w.wall), qMin(writerStart.cpu, w.cpu)};
    }
    std::printf("process start: skelmar-cli %.0f ms (%.0f ms CPU), plain writer %.0f ms (%.0f ms CPU), best of 5\n",
                cliStart.wall, cliStart.cpu, writerStart.wall, writerStart.cpu);
    return ok ? 0 : 1;
}
