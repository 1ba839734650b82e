// Whole processes: `skelmar-cli compile` of a ten-minute show heavy with Rotate,
// Drain and Im-/Explode transitions (600 frames of 30 points, 500 ms shown and
// 500 ms of transition each) against a process that writes as many bytes, in
// 1 MiB blocks, into the same folder. Prints both times and their ratio (best of 3).
//
//   bench_cli_compile [path/to/skelmar-cli]
//   bench_cli_compile --write BYTES FILE     (the plain writer, run by the bench itself)
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

namespace {

void BuildShow(TLaserFrames& show)
{
    constexpr int Frames = 600;
    constexpr int Points = 30;
    const quint16 effects[3] = {EffectRotate, EffectDrain, EffectPlode};
    for (int k = 0; k < Frames; ++k) {
        TLaserFrame& f = show.Add();
        f.Name = QStringLiteral("f%1").arg(k);
        f.Delay = quint16(qEnvironmentVariableIntValue("BENCH_DELAY"));
        f.EffectTime = quint16(qEnvironmentVariableIntValue("BENCH_ETIME"));
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

// Wall time of one process run in ms, or -1 when it failed.
double TimeProcess(const QString& program, const QStringList& args)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer t;
    t.start();
    p.start(program, args);
    if (!p.waitForFinished(600000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return -1;
    return t.nsecsElapsed() / 1e6;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 4 && args[1] == QLatin1String("--write"))
        return PlainWrite(args[2].toLongLong(), args[3]);
    const QString cli = args.size() > 1 ? args[1] : QStringLiteral(SKELMAR_CLI);

    QTemporaryDir dir;
    TLaserFrames show;
    BuildShow(show);
    const QString showFile = dir.filePath("heavy.RZ4");
    if (!WriteShowFile(showFile, show).ok)
        return 1;
    const QString wav = dir.filePath("heavy.RZ4.WAV");
    const QString plain = dir.filePath("plain.bin");

    double bestCompile = 1e12, bestWrite = 1e12;
    qint64 bytes = 0;
    for (int round = 0; round < 3; ++round) {
        const double compile = TimeProcess(cli, {"compile", showFile, "--quiet"});
        bytes = QFileInfo(wav).size();
        if (compile < 0 || bytes <= 0) {
            std::fprintf(stderr, "compile failed\n");
            return 1;
        }
        const double write = TimeProcess(QCoreApplication::applicationFilePath(),
                                         {"--write", QString::number(bytes), plain});
        if (write < 0)
            return 1;
        bestCompile = qMin(bestCompile, compile);
        bestWrite = qMin(bestWrite, write);
        QFile::remove(wav);
        QFile::remove(plain);
    }
    std::printf("skelmar-cli compile of %d frames, %lld bytes: %.1f ms; plain write process %.1f ms; "
                "ratio %.2f (best of 3)\n",
                show.Count(), static_cast<long long>(bytes), bestCompile, bestWrite, bestCompile / bestWrite);
    return 0;
}
