// The music commands: the beats of a music file, and a show fitted to them.
#include "CliCommon.h"

#include "BeatFit.h"
#include "BeatGrid.h"
#include "MusicTrack.h"
#include "ShowFile.h"
#include "Soundtrack.h"

#include "OutputFile.h"

#include <QFileInfo>

#include <cmath>
#include <utility>

#include <sys/stat.h>

namespace {

// What --offset takes.
constexpr char OffsetValue[] = "a whole number of milliseconds";
// What --min-bpm and --max-bpm take.
constexpr char BpmValue[] = "a number of beats per minute";

// The tempo range of --min-bpm and --max-bpm (each defaults to the tracker's);
// an empty string when they are good, else what is wrong with them.
QString TempoRange(const TCliArgs& args, TBeatOptions& options)
{
    for (const auto& [name, value] : {std::pair{QStringLiteral("min-bpm"), &options.MinBpm},
                                      std::pair{QStringLiteral("max-bpm"), &options.MaxBpm}}) {
        if (!args.IsSet(name))
            continue;
        bool ok = false;
        const double bpm = args.Value(name).toDouble(&ok);
        if (!ok || !std::isfinite(bpm))
            return QStringLiteral("--%1 needs %2").arg(name, QLatin1String(BpmValue));
        *value = bpm;
    }
    if (options.MinBpm < TBeatOptions::LowestBpm || options.MaxBpm > TBeatOptions::HighestBpm
        || options.MinBpm >= options.MaxBpm)
        return QStringLiteral("the tempo range must lie within %1..%2 bpm with --min-bpm below --max-bpm "
                              "(got %3..%4)")
            .arg(TBeatOptions::LowestBpm)
            .arg(TBeatOptions::HighestBpm)
            .arg(options.MinBpm)
            .arg(options.MaxBpm);
    return {};
}

QString Seconds(double t)
{
    return QString::number(t, 'f', 3);
}

int RunBeats(const TCliArgs& args, TCliStreams io)
{
    const QStringList files = args.Positional();
    if (files.isEmpty())
        return UsageError(io, QStringLiteral("beats needs a music file"));
    if (files.size() > 1)
        return UsageError(io, QStringLiteral("beats takes one music file, got \"%1\" too").arg(files[1]));
    const QString music = PlainFilePath(files[0]);
    const bool json = args.IsSet(QStringLiteral("json"));
    TBeatOptions options;
    if (const QString problem = TempoRange(args, options); !problem.isEmpty())
        return UsageError(io, problem);

    TMusicAnalysis analysis;
    const TMusicResult result = AnalyseMusic(music, analysis, {}, options);
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

int RunFitBeats(const TCliArgs& args, TCliStreams io)
{
    int offset = 0;
    if (args.IsSet(QStringLiteral("offset"))) {
        bool ok = false;
        offset = args.Value(QStringLiteral("offset")).toInt(&ok, 10);
        if (!ok)
            return UsageError(io, QStringLiteral("--offset needs %1").arg(QLatin1String(OffsetValue)));
        // The soundtrack file would hold what its reader refuses.
        if (std::abs(qint64(offset)) > MaxSoundtrackOffsetMs)
            return UsageError(io, QStringLiteral("--offset takes at most a day either way (%1 to %2 ms), not %3")
                                      .arg(-MaxSoundtrackOffsetMs).arg(MaxSoundtrackOffsetMs).arg(offset));
    }
    const QStringList files = args.Positional();
    if (files.size() != 3)
        return UsageError(io, QStringLiteral("fit-beats takes a show, a music file and an output show"));
    const QString showName = PlainFilePath(files[0]), music = PlainFilePath(files[1]), outName = PlainFilePath(files[2]);
    // The output and its soundtrack file replace what they name: never an input.
    for (const QString& out : {outName, SoundtrackFileName(outName)}) {
        if (SameFile(out, showName))
            return UsageError(io, QStringLiteral("the output \"%1\" would replace the show \"%2\"").arg(out, files[0]));
        if (SameFile(out, music))
            return UsageError(io, QStringLiteral("the output \"%1\" would replace the music \"%2\"").arg(out, files[1]));
    }

    TLaserFrames show;
    TShowFileResult read;
    if (!LoadShowForCli(showName, show, read, io))
        return ExitFileError;
    TMusicAnalysis analysis;
    const TMusicResult analysed = AnalyseMusic(music, analysis);
    if (!analysed.outcome.ok)
        return FileError(io, analysed.outcome);
    TSoundtrack soundtrack{QFileInfo(music).absoluteFilePath(), offset};
    // Beats corrected in the editor for this very music are the ones to fit to, and
    // the fitted show keeps them.
    TSoundtrack saved;
    if (ReadSoundtrackFile(showName, saved).outcome.ok && saved.Beats
        && QFileInfo(saved.MusicFile).canonicalFilePath() == QFileInfo(music).canonicalFilePath())
        soundtrack.Beats = saved.Beats;
    const std::vector<double>& beats = soundtrack.Beats ? soundtrack.Beats->Beats : analysis.Beats;
    const TBeatFit fit = FitFramesToBeats(show, beats, offset, TCompileOptions{});
    if (!fit.outcome.ok)
        return FileError(io, TResult::Failure(QStringLiteral("cannot fit \"%1\" to \"%2\": %3")
                                                  .arg(showName, music, fit.outcome.message)));
    ApplyBeatFit(show, fit);
    if (show.Count() == 0)
        show.Add();
    if (const TResult written = WriteShowFile(outName, show); !written.ok)
        return FileError(io, written);
    // The fitted show keeps its music, so the editor opens the two together.
    const TResult linked = WriteSoundtrackFile(outName, soundtrack);
    if (!linked.ok)
        return FileError(io, linked);

    io.out << "Fitted " << fit.FramesFitted << " of " << show.Count() << " frames to the beats of "
           << QFileInfo(music).fileName() << (soundtrack.Beats ? " as corrected" : "") << " ("
           << QString::number(soundtrack.Beats ? TempoFromBeats(beats) : analysis.Bpm, 'f', 2) << " bpm, "
           << fit.FramesChanged << " delays changed, changes within "
           << QString::number(fit.WorstMs, 'f', 1) << " ms of their beats) -> " << outName << '\n';
    io.out.flush();
    return ExitOk;
}

} // namespace

const TCliVerb& BeatsVerb()
{
    static const TCliVerb verb{
        .Name = QStringLiteral("beats"),
        .Synopsis = QStringLiteral("MUSIC [--json] [--min-bpm BPM] [--max-bpm BPM]"),
        .Summary = QStringLiteral("print the tempo and the beat times (seconds) of a music\n"
                       "file (WAV, FLAC, Ogg or MP3); the tempo is taken\n"
                       "between --min-bpm and --max-bpm (default %1 to %2)")
                       .arg(TBeatOptions{}.MinBpm)
                       .arg(TBeatOptions{}.MaxBpm),
        .Options = {QCommandLineOption(QStringLiteral("json"), QStringLiteral("print the same as a JSON document")),
                    QCommandLineOption(QStringLiteral("min-bpm"),
                                       QStringLiteral("the slowest tempo to choose (a slower pulse\n"
                                                      "is counted at double speed)"),
                                       QStringLiteral("BPM")),
                    QCommandLineOption(QStringLiteral("max-bpm"),
                                       QStringLiteral("the fastest tempo to choose (a faster pulse\n"
                                                      "is counted at half speed)"),
                                       QStringLiteral("BPM"))},
        .Run = RunBeats, .NeedsFonts = false, .ValueNeeded = QLatin1String(BpmValue)};
    return verb;
}

const TCliVerb& FitBeatsVerb()
{
    static const TCliVerb verb{
        .Name = QStringLiteral("fit-beats"), .Synopsis = QStringLiteral("SHOW MUSIC OUT.RZ4 [--offset MS]"),
        .Summary = QStringLiteral("set the frame delays so every change of frame falls on a\n"
                       "beat; the music starts MS ms after the show (default 0)"),
        .Options = {QCommandLineOption(QStringLiteral("offset"),
                            QStringLiteral("start the music MS milliseconds after the show;\n"
                                           "less than 0: the show starts within the music"),
                            QStringLiteral("MS"))},
        .Run = RunFitBeats, .NeedsFonts = false, .ValueNeeded = QLatin1String(OffsetValue)};
    return verb;
}
