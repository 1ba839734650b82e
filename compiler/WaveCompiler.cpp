#include "WaveCompiler.h"

#include "Effects.h"
#include "LaserFrames.h"
#include "OutputFile.h"
#include "Render.h"
#include "ShowFile.h"
#include "WaveFile.h"

#include <QBuffer>
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

QByteArray WaveHeader(quint32 frames)
{
    QByteArray header;
    QBuffer buffer(&header);
    buffer.open(QIODevice::WriteOnly);
    WriteWaveHeader(buffer, frames);
    return header;
}

// One pass over the show: planning (st.Planning) counts the samples the file will
// hold and follows the beam; writing produces them into st.Out and calls `flush`
// after each frame's outgoing half. Both passes take the same decisions. When
// `timing` is given, it receives where every frame's display lies.
class TShowPass {
public:
    TShowPass(TCompileState& st, const TCompileOptions& options, std::function<bool()> flush,
              std::vector<TFrameTiming>* timing = nullptr)
        : St(st), Show(st.Show), Options(options), Flush(std::move(flush)), Timing(timing)
    {
        if (Timing)
            Timing->assign(size_t(Show.Count()), TFrameTiming());
    }

    // False when planning found the show too long or writing failed.
    bool Run()
    {
        for (int i = 0; i < Show.Count(); ++i)
            if (!Frame(i))
                return false;
        St.MoveTarget = {128, 128};
        MoveBeam(St, St.MoveTarget, Show.Frame(Show.Count() - 1).ColorBit());
        return !TooLong();
    }

    int FramesDrawn() const { return FFramesDrawn; }

private:
    bool TooLong() const { return St.TooLong || St.Written > MaxWaveSampleFrames; }
    bool Frame(int i);

    TCompileState& St;
    const TLaserFrames& Show;
    const TCompileOptions& Options;
    const std::function<bool()> Flush;
    std::vector<TFrameTiming>* const Timing;
    TSamplePath Path;
    QByteArray Packed;
    int FFramesDrawn = 0;
};

bool TShowPass::Frame(int i)
{
    const TLaserFrame& f = Show.Frame(i);
    const TPathSummary summary = SummarizePointsPath(f.Points, Options.Delays);
    const qint64 c = summary.Count;
    if (Timing)
        (*Timing)[size_t(i)].DisplayStart = St.Written;
    if (c == 0)
        return true; // no points, or every applicable delay 0: nothing to repeat
    TCompileProgress& progress = St.Progress;
    if (!St.Planning) {
        progress.SetFrameLabel(QStringLiteral("%1   (%2/%3)")
                                   .arg(f.Name, QString::number(i + 1), QString::number(Show.Count())));
        progress.Repaint();
    }

    const qint64 reps = Repetitions(f.Delay, c);
    const qint64 r = Repetitions(f.EffectTime, c);
    const bool last = i + 1 >= Show.Count();
    const TLaserFrame* next = last ? nullptr : &Show.Frame(i + 1);
    const qint64 nextR = next ? Repetitions(next->EffectTime, c) : 0;

    // The path is rendered only when something draws it: a frame that is never shown
    // needs no more than where its path begins and ends.
    const bool drawn = reps > 0 || r / 2 > 0 || nextR / 2 > 0;
    if (!St.Planning && drawn) {
        Path.Clear();
        Path.Positions.reserve(size_t(c));
        Path.Blank.reserve(size_t(c));
        RenderFramePath(f, Path, Options.Delays);
    }
    St.Played = {!St.Planning && drawn ? &Path : nullptr, c, summary.First, summary.Last};
    progress.SetFrameMax(ToBar(reps));
    progress.SetMorphMax(ToBar(r));
    progress.SetFramePos(0);
    progress.SetMorphPos(0);

    St.FrameIndex = i;
    St.R = r;
    PlayEffectHalf(St, f, f, true);
    if (St.Failed || TooLong())
        return false;

    const bool colour = f.ColorBit();
    St.MoveTarget = summary.First;
    MoveBeam(St, St.MoveTarget, colour);
    if (Timing)
        (*Timing)[size_t(i)] = TFrameTiming{St.Written, c, reps};

    if (St.Planning) {
        St.Written += reps * c;
    } else if (reps > 0) {
        // Pack the path once; every repetition is a copy of these bytes.
        Packed.clear();
        TSampleStream packer{Packed, Options.FlipX, Options.FlipY};
        qint64 packedCount = 0;
        TBeamPoint packedLast;
        EmitPath(packer, Path, colour, packedCount, packedLast);
        QByteArray& buffer = St.Out.Bytes;
        buffer.reserve(buffer.size() + (reps + nextR / 2) * Packed.size() + 65536);
        for (qint64 rep = 0; rep < reps; ++rep) {
            buffer.append(Packed);
            St.Written += c;
            progress.SetFramePos(ToBar(rep));
            progress.SetTotalPos(ToBar(St.Elapsed + qint64(f.Delay) * rep / reps));
            progress.Repaint();
        }
    }
    St.BeamPosition = summary.Last;
    St.Elapsed += f.Delay;

    if (next) {
        St.R = nextR;
        St.MoveTarget = MovesToEffectCentre(next->Effect)
                            ? TBeamPoint{next->EffectCenterX, next->EffectCenterY}
                            : summary.First;
        St.Marker = {-1, -1};
        MoveBeam(St, St.MoveTarget, next->ColorBit());
        PlayEffectHalf(St, *next, f, false);
        if (St.Failed || TooLong() || (!St.Planning && !Flush()))
            return false;
    }
    ++FFramesDrawn;

    progress.SetTotalPos(ToBar(St.Elapsed));
    progress.Repaint();
    return true;
}

class TCompileRun {
public:
    TCompileRun(const TLaserFrames& show, const QString& wavFileName,
                const TCompileOptions& options, TCompileProgress& progress)
        : Show(show), WavName(wavFileName), Options(options), Progress(progress), File(wavFileName)
    {
    }

    TCompileResult Run();
    TCompileResult Abandon(const QString& message)
    {
        Fail(message);
        return Result;
    }

private:
    // A failed compile removes what it wrote: no half file is left behind.
    bool Fail(const QString& message)
    {
        Result.outcome = TResult::Failure(message);
        File.Cancel();
        return false;
    }
    bool WriteFailed() { return Fail(QStringLiteral("Cannot write \"%1\": %2").arg(WavName, File.ErrorString())); }
    bool Flush()
    {
        if (!File.Write(Buffer))
            return WriteFailed();
        Buffer.resize(0); // keeps the capacity for the next frame
        return true;
    }

    const TLaserFrames& Show;
    const QString WavName;
    const TCompileOptions& Options;
    TCompileProgress& Progress;
    TOutputFile File;
    QByteArray Buffer;
    TCompileResult Result;
};

TCompileResult TCompileRun::Run()
{
    if (Show.Count() == 0) {
        const QString name = QFileInfo(Show.FileName).fileName();
        Result.outcome.message = name.isEmpty()
                             ? QStringLiteral("The show has no frames to compile.")
                             : QStringLiteral("Show \"%1\" has no frames to compile.").arg(name);
        return Result;
    }
    const QString target = File.Target();
    if (const QString problem = OutputTargetProblem(target); !problem.isEmpty()) {
        Result.outcome.message = QStringLiteral("Cannot create \"%1\": %2").arg(WavName, problem);
        return Result;
    }

    // An old file is removed first, so a failed compile never leaves one that
    // looks complete but belongs to an earlier state of the show. The new file is
    // written beside it under a temporary name and takes its name only when it is
    // complete: an interrupted compile leaves no file at all.
    if (QFileInfo::exists(target)) {
        QFile old(target);
        if (!old.remove()) {
            Result.outcome.message =
                QStringLiteral("Cannot replace \"%1\": %2").arg(WavName, old.errorString());
            return Result;
        }
    }

    // Every sample is counted before the first is written: a show too long for a
    // WAV file is refused at once.
    if (CountSampleFrames(Show, Options) < 0) {
        Result.outcome.message = TooLongMessage(WavName);
        return Result;
    }

    if (!File.Open()) {
        Result.outcome.message = QStringLiteral("Cannot create \"%1\": %2").arg(WavName, File.ErrorString());
        return Result;
    }
    if (!File.Write(WaveHeader(0))) {
        WriteFailed();
        return Result;
    }

    qint64 totalMax = 0;
    for (int i = 0; i < Show.Count(); ++i)
        totalMax += qint64(Show.Frame(i).Delay) + Show.Frame(i).EffectTime;
    Progress.SetTotalMax(ToBar(totalMax));
    Progress.SetTotalPos(0);

    TCompileState st(Show, Buffer, Options.Delays, Options.FlipX, Options.FlipY, Progress);
    TAngleTable angles;
    st.Angles = &angles;
    st.Drain = [this] { return Flush(); };
    TShowPass pass(st, Options, [this] { return Flush(); }, &Result.timing);
    if (!pass.Run()) {
        if (Result.outcome.message.isEmpty())
            Fail(TooLongMessage(WavName));
        return Result;
    }
    if (!Flush())
        return Result;
    Buffer = QByteArray();

    const QByteArray header = WaveHeader(quint32(st.Written));
    if (!File.WriteAt(0, header.constData(), header.size()) || !File.Commit(false)) {
        WriteFailed();
        return Result;
    }
    Result.outcome.ok = true;
    Result.sampleFrames = quint32(st.Written);
    Result.bytes = 44 + 4 * st.Written;
    Result.framesDrawn = pass.FramesDrawn();
    return Result;
}

} // namespace

qint64 CountSampleFrames(const TLaserFrames& show, const TCompileOptions& options)
{
    if (show.Count() == 0)
        return 0;
    TCompileProgress silent;
    QByteArray unused;
    TCompileState plan(show, unused, options.Delays, options.FlipX, options.FlipY, silent);
    plan.Planning = true;
    return TShowPass(plan, options, {}).Run() ? plan.Written : -1;
}

TCompileResult MeasureShow(const TLaserFrames& show, const TCompileOptions& options, const QString& wavFileName)
{
    const QString name = wavFileName.isEmpty() ? WaveFileName(show.FileName) : wavFileName;
    TCompileResult result;
    if (show.Count() == 0) {
        result.outcome.message = QStringLiteral("The show has no frames to compile.");
        return result;
    }
    try {
        TCompileProgress silent;
        QByteArray unused;
        TCompileState plan(show, unused, options.Delays, options.FlipX, options.FlipY, silent);
        plan.Planning = true;
        TShowPass pass(plan, options, {}, &result.timing);
        if (!pass.Run()) {
            result.outcome.message = TooLongMessage(name);
            return result;
        }
        result.outcome.ok = true;
        result.sampleFrames = quint32(plan.Written);
        result.bytes = 44 + 4 * plan.Written;
        result.framesDrawn = pass.FramesDrawn();
    } catch (const std::bad_alloc&) {
        result = TCompileResult();
        result.outcome.message = QStringLiteral("Not enough memory to measure the show.");
    }
    return result;
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
