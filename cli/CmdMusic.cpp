// The music commands: the beats of a music file, and a show fitted to them.
#include "CliCommon.h"

#include "BeatFit.h"
#include "MusicTrack.h"
#include "ShowFile.h"
#include "Soundtrack.h"

#include <QFileInfo>

namespace {

bool IsOption(const QString& arg)
{
    return arg.startsWith(QLatin1Char('-')) && arg.size() > 1;
}

QString Seconds(double t)
{
    return QString::number(t, 'f', 3);
}

} // namespace

int RunBeats(const QStringList& args, TCliStreams io)
{
    QString music;
    bool json = false;
    for (const QString& arg : args) {
        if (arg == QLatin1String("--json"))
            json = true;
        else if (IsOption(arg))
            return UsageError(io, QStringLiteral("unknown option \"%1\" for beats").arg(arg));
        else if (music.isEmpty())
            music = arg;
        else
            return UsageError(io, QStringLiteral("beats takes one music file, got \"%1\" too").arg(arg));
    }
    if (music.isEmpty())
        return UsageError(io, QStringLiteral("beats needs a music file"));

    TMusicAnalysis analysis;
    const TMusicResult result = AnalyseMusic(music, analysis);
    if (!result.outcome.ok)
        return FileError(io, result.outcome);
    if (json) {
        io.out << "{\"bpm\": " << QString::number(analysis.Bpm, 'f', 2) << ", \"beats\": [";
        for (size_t i = 0; i < analysis.Beats.size(); ++i)
            io.out << (i ? ", " : "") << Seconds(analysis.Beats[i]);
        io.out << "]}\n";
    } else {
        io.out << "Tempo: " << QString::number(analysis.Bpm, 'f', 2) << " bpm, " << analysis.Beats.size()
               << " beats in " << QString::number(analysis.Info.Seconds(), 'f', 2) << " s of "
               << QFileInfo(music).fileName() << '\n';
        for (double b : analysis.Beats)
            io.out << Seconds(b) << '\n';
    }
    io.out.flush();
    return ExitOk;
}

int RunFitBeats(const QStringList& args, TCliStreams io)
{
    QStringList files;
    int offset = 0;
    for (int i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == QLatin1String("--offset")) {
            bool ok = false;
            if (i + 1 < args.size())
                offset = args[++i].toInt(&ok, 10);
            if (!ok)
                return UsageError(io, QStringLiteral("--offset needs a whole number of milliseconds"));
        } else if (IsOption(arg) && !(arg.size() > 1 && arg[1].isDigit())) {
            return UsageError(io, QStringLiteral("unknown option \"%1\" for fit-beats").arg(arg));
        } else {
            files << arg;
        }
    }
    if (files.size() != 3)
        return UsageError(io, QStringLiteral("fit-beats takes a show, a music file and an output show"));
    const QString &showName = files[0], &music = files[1], &outName = files[2];

    TLaserFrames show;
    TShowFileResult read;
    if (!LoadShowForCli(showName, show, read, io))
        return ExitFileError;
    TMusicAnalysis analysis;
    const TMusicResult analysed = AnalyseMusic(music, analysis);
    if (!analysed.outcome.ok)
        return FileError(io, analysed.outcome);
    const TBeatFit fit = FitFramesToBeats(show, analysis.Beats, offset, TCompileOptions{});
    if (!fit.outcome.ok)
        return FileError(io, TResult::Failure(QStringLiteral("cannot fit \"%1\" to \"%2\": %3")
                                                  .arg(showName, music, fit.outcome.message)));
    ApplyBeatFit(show, fit);
    if (show.Count() == 0)
        show.Add();
    if (const TResult written = WriteShowFile(outName, show); !written.ok)
        return FileError(io, written);
    // The fitted show keeps its music, so the editor opens the two together.
    const TResult linked = WriteSoundtrackFile(outName, TSoundtrack{QFileInfo(music).absoluteFilePath(), offset});
    if (!linked.ok)
        return FileError(io, linked);

    io.out << "Fitted " << fit.FramesFitted << " of " << show.Count() << " frames to the beats of "
           << QFileInfo(music).fileName() << " (" << QString::number(analysis.Bpm, 'f', 2) << " bpm, "
           << fit.FramesChanged << " delays changed, changes within "
           << QString::number(fit.WorstMs, 'f', 1) << " ms of their beats) -> " << outName << '\n';
    io.out.flush();
    return ExitOk;
}
