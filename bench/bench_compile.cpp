// Compiles a ten-minute show (60 frames of 100 points, 10 s each with every kind
// of transition) and, in the same run, writes as many bytes with one plain
// buffered write. Prints both times and their ratio (best of 3).
#include "LaserFrames.h"
#include "WaveCompiler.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <cmath>
#include <cstdio>

namespace {

void BuildShow(TLaserFrames& show)
{
    constexpr int Frames = 60;
    constexpr int Points = 100;
    for (int k = 0; k < Frames; ++k) {
        TLaserFrame& f = show.Add();
        f.Name = QStringLiteral("frame %1").arg(k);
        f.Delay = 9500;
        f.EffectTime = 500;
        f.Effect = quint16(k % 8);
        f.EffectParam = qint16(k % 3 == 0 ? 0 : 90);
        f.EffectCenterX = 100 + k;
        f.EffectCenterY = 140 - k;
        f.AuxCenterX = 40;
        f.AuxCenterY = 60 + k;
        f.Flags = quint16(k % 2);
        // A wobbly closed curve: a few sharp corners and one blanked stretch.
        for (int i = 0; i < Points; ++i) {
            const double a = 2 * M_PI * i / Points;
            const double r = 90 + 20 * std::sin(5 * a + k);
            TSmallPoint p;
            p.X = quint8(128 + r * std::cos(a));
            p.Y = quint8(128 + r * std::sin(a));
            p.Flags = quint16((i % 10 == 0 ? TSmallPoint::FlagSharp : 0)
                              | (i >= 40 && i < 45 ? TSmallPoint::FlagBlank : 0));
            f.Points.push_back(p);
        }
        f.FitLinks(k ? Points : 0);
        for (int i = 0; k && i < Points; ++i)
            f.Links.Set(i, i, true);
    }
}

} // namespace

int main()
{
    TLaserFrames show;
    BuildShow(show);
    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;

    double bestCompile = 1e9, bestWrite = 1e9;
    qint64 bytes = 0;
    quint32 samples = 0;
    for (int round = 0; round < 3; ++round) {
        const QString wav = dir.filePath("bench.RZ4.WAV");
        QElapsedTimer t;
        t.start();
        const TCompileResult result = CompileShow(show, wav, TCompileOptions());
        const double compileMs = t.nsecsElapsed() / 1e6;
        if (!result.outcome.ok) {
            std::fprintf(stderr, "%s\n", qPrintable(result.outcome.message));
            return 1;
        }
        bestCompile = qMin(bestCompile, compileMs);
        bytes = result.bytes;
        samples = result.sampleFrames;

        const QByteArray data(bytes, '\x5a');
        t.restart();
        QFile plain(dir.filePath("plain.bin"));
        if (!plain.open(QIODevice::WriteOnly) || plain.write(data) != data.size())
            return 1;
        plain.close();
        bestWrite = qMin(bestWrite, t.nsecsElapsed() / 1e6);
        QFile::remove(wav);
        QFile::remove(plain.fileName());
    }
    std::printf("compile of %d frames: %u sample frames (%.1f s of signal), %lld bytes\n",
                show.Count(), samples, samples / 44100.0, static_cast<long long>(bytes));
    std::printf("compile %.1f ms, plain write %.1f ms, ratio %.2f (best of 3)\n", bestCompile,
                bestWrite, bestCompile / bestWrite);
    return 0;
}
