#include "WaveCompiler.h"

#include "Effects.h"
#include "LaserFrames.h"
#include "Render.h"
#include "WaveFile.h"
#include "ShowFile.h"

#include <QFile>
#include <QFileInfo>
#include <cmath>
#include <new>

namespace {

// Repetitions of a path of c samples that last `ms` milliseconds; the product
// ms * 44100 does not fit in 32 bits, so it is formed in floating point.
qint64 Repetitions(quint16 ms, qint64 c)
{
    return qint64(std::nearbyint(double(ms) * 44100 / (double(c) * 1000)));
}

bool MovesToEffectCentre(quint16 effect)
{
    return effect == EffectPlode || effect == EffectXFlip || effect == EffectYFlip
           || effect == EffectDrain;
}

QString TooLongMessage(const QString& wavFileName)
{
    return QStringLiteral("The show is too long for a wave file: \"%1\" would exceed 4 GB.")
        .arg(wavFileName);
}

class TCompileRun {
public:
    TCompileRun(const TLaserFrames& show, const QString& wavFileName,
                const TCompileOptions& options, TCompileProgress& progress, bool measureOnly = false)
        : Show(show), WavName(wavFileName), Options(options), Progress(progress), MeasureOnly(measureOnly),
          File(wavFileName), St(show, Buffer, options.Delays, options.FlipX, options.FlipY, progress)
    {
    }

    TCompileResult Run();
    TCompileResult Measure();
    TCompileResult Abandon(const QString& message)
    {
        Fail(message);
        return Result;
    }

private:
    // A failed compile removes what it wrote: no half file is left behind.
    bool Fail(const QString& message)
    {
        Result.ok = false;
        Result.message = message;
        if (File.isOpen()) {
            File.close();
            File.remove();
        }
        return false;
    }
    bool Flush();
    bool CompileFrame(int i);

    const TLaserFrames& Show;
    const QString WavName;
    const TCompileOptions& Options;
    TCompileProgress& Progress;
    const bool MeasureOnly;   // count and time the samples, write nothing
    QFile File;
    QByteArray Buffer;
    TCompileState St;
    TSamplePath Path;
    TCompileResult Result;
};

// Appends the collected samples to the file, refusing to let the data outgrow
// what the header's 32-bit sizes can describe.
bool TCompileRun::Flush()
{
    if (St.TooLong || St.Written > MaxWaveSampleFrames)
        return Fail(TooLongMessage(WavName));
    if (!MeasureOnly && File.write(Buffer) != Buffer.size())
        return Fail(QStringLiteral("Cannot write \"%1\": %2").arg(WavName, File.errorString()));
    Buffer.resize(0); // keeps the capacity for the next frame
    return true;
}

bool TCompileRun::CompileFrame(int i)
{
    const TLaserFrame& f = Show.Frame(i);
    const qint64 length = RenderedLength(f.Points, Options.Delays);
    TFrameTiming& timing = Result.timing[size_t(i)];
    timing.DisplayStart = St.Written;
    if (length == 0)
        return true; // no points, or every applicable delay 0: nothing to repeat
    if (St.Written + length > MaxWaveSampleFrames)
        return Fail(TooLongMessage(WavName));

    Progress.SetFrameLabel(QStringLiteral("%1   (%2/%3)")
                              .arg(f.Name, QString::number(i + 1), QString::number(Show.Count())));
    Progress.Repaint();

    Path.Clear();
    RenderFramePath(f, Path, Options.Delays);
    const qint64 c = Path.Count();
    const qint64 reps = Repetitions(f.Delay, c);
    const qint64 r = Repetitions(f.EffectTime, c);
    Progress.SetFrameMax(ToBar(reps));
    Progress.SetMorphMax(ToBar(r));
    Progress.SetFramePos(0);
    Progress.SetMorphPos(0);

    St.FrameIndex = i;
    St.Played = &Path;
    St.R = r;
    PlayEffectHalf(St, f, f, true);
    if (St.TooLong || St.Written + reps * c > MaxWaveSampleFrames)
        return Fail(TooLongMessage(WavName));

    const bool colour = f.ColorBit();
    St.MoveTarget = Path.Positions.front();
    BlankMove(St.BeamPosition, St.MoveTarget, colour, St.Out, Options.Delays, St.Written,
              St.BeamPosition);
    timing = TFrameTiming{St.Written, c, reps};

    // Pack the path once; every repetition is a copy of these bytes.
    QByteArray packed;
    TSampleStream packer{packed, Options.FlipX, Options.FlipY};
    qint64 packedCount = 0;
    TBeamPoint packedLast;
    EmitPath(packer, Path, colour, packedCount, packedLast);

    const bool last = i + 1 >= Show.Count();
    const TLaserFrame* next = last ? nullptr : &Show.Frame(i + 1);
    const qint64 nextR = next ? Repetitions(next->EffectTime, c) : 0;
    if (MeasureOnly)
        St.Written += reps * c;
    else
        Buffer.reserve(Buffer.size() + (reps + nextR / 2) * packed.size() + 65536);
    for (qint64 rep = 0; rep < reps && !MeasureOnly; ++rep) {
        Buffer.append(packed);
        St.Written += c;
        Progress.SetFramePos(ToBar(rep));
        Progress.SetTotalPos(ToBar(St.Elapsed + qint64(f.Delay) * rep / reps));
        Progress.Repaint();
    }
    St.BeamPosition = Path.Positions.back();
    St.Elapsed += f.Delay;

    if (next) {
        St.R = nextR;
        St.MoveTarget = MovesToEffectCentre(next->Effect)
                            ? TBeamPoint{next->EffectCenterX, next->EffectCenterY}
                            : Path.Positions.front();
        St.Marker = {-1, -1};
        BlankMove(St.BeamPosition, St.MoveTarget, next->ColorBit(), St.Out, Options.Delays,
                  St.Written, St.BeamPosition);
        PlayEffectHalf(St, *next, f, false);
        if (!Flush())
            return false;
    }
    ++Result.framesDrawn;

    Progress.SetTotalPos(ToBar(St.Elapsed));
    Progress.Repaint();
    return true;
}

TCompileResult TCompileRun::Run()
{
    Result.timing.assign(size_t(Show.Count()), TFrameTiming());
    if (Show.Count() == 0) {
        const QString name = QFileInfo(Show.FileName).fileName();
        Result.message = name.isEmpty()
                             ? QStringLiteral("The show has no frames to compile.")
                             : QStringLiteral("Show \"%1\" has no frames to compile.").arg(name);
        return Result;
    }

    if (MeasureOnly)
        return Measure();
    // An old file is removed first, so a failed compile never leaves one that
    // looks complete but belongs to an earlier state of the show. The new file is
    // written in place rather than through QSaveFile: its header claims no data
    // until the last step, and QSaveFile's sync to disk would double the time.
    if (QFileInfo::exists(WavName)) {
        QFile old(WavName);
        if (!old.remove()) {
            Result.message =
                QStringLiteral("Cannot replace \"%1\": %2").arg(WavName, old.errorString());
            return Result;
        }
    }
    if (!File.open(QIODevice::WriteOnly)) {
        Result.message = QStringLiteral("Cannot create \"%1\": %2").arg(WavName, File.errorString());
        return Result;
    }
    if (!WriteWaveHeader(File, 0)) {
        Fail(QStringLiteral("Cannot write \"%1\": %2").arg(WavName, File.errorString()));
        return Result;
    }

    qint64 totalMax = 0;
    for (int i = 0; i < Show.Count(); ++i)
        totalMax += qint64(Show.Frame(i).Delay) + Show.Frame(i).EffectTime;
    Progress.SetTotalMax(ToBar(totalMax));
    Progress.SetTotalPos(0);

    for (int i = 0; i < Show.Count(); ++i)
        if (!CompileFrame(i))
            return Result;

    St.MoveTarget = {128, 128};
    BlankMove(St.BeamPosition, St.MoveTarget, Show.Frame(Show.Count() - 1).ColorBit(), St.Out,
              Options.Delays, St.Written, St.BeamPosition);
    if (!Flush())
        return Result;
    Buffer = QByteArray();

    if (!WriteWaveHeader(File, quint32(St.Written)) || !File.flush()) {
        Fail(QStringLiteral("Cannot write \"%1\": %2").arg(WavName, File.errorString()));
        return Result;
    }
    File.close();
    Result.ok = true;
    Result.sampleFrames = quint32(St.Written);
    Result.bytes = 44 + 4 * St.Written;
    return Result;
}

TCompileResult TCompileRun::Measure()
{
    for (int i = 0; i < Show.Count(); ++i)
        if (!CompileFrame(i))
            return Result;
    St.MoveTarget = {128, 128};
    BlankMove(St.BeamPosition, St.MoveTarget, Show.Frame(Show.Count() - 1).ColorBit(), St.Out,
              Options.Delays, St.Written, St.BeamPosition);
    if (!Flush())
        return Result;
    Result.ok = true;
    Result.sampleFrames = quint32(St.Written);
    Result.bytes = 44 + 4 * St.Written;
    return Result;
}

} // namespace

TCompileResult MeasureShow(const TLaserFrames& show, const TCompileOptions& options, const QString& wavFileName)
{
    TCompileProgress silent;
    TCompileRun run(show, wavFileName.isEmpty() ? WaveFileName(show.FileName) : wavFileName, options, silent,
                    true);
    try {
        return run.Run();
    } catch (const std::bad_alloc&) {
        return run.Abandon(QStringLiteral("Not enough memory to measure the show."));
    }
}

TCompileResult CompileShow(const TLaserFrames& show, const QString& wavFileName,
                           const TCompileOptions& options, TCompileProgress* progress)
{
    TCompileProgress silent;
    TCompileRun run(show, wavFileName, options, progress ? *progress : silent);
    try {
        return run.Run();
    } catch (const std::bad_alloc&) {
        return run.Abandon(QStringLiteral("Not enough memory to compile \"%1\".").arg(wavFileName));
    }
}
