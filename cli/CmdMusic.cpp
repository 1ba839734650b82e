// The music commands: the beats of a music file, and a show fitted to them.
#include "CliCommon.h"

#include "BeatFit.h"
#include "MusicTrack.h"
#include "ShowFile.h"
#include "Soundtrack.h"

#include "OutputFile.h"

#include <QFileInfo>

#include <sys/stat.h>

namespace {

// The same file, also when one name is a link to the other (symbolic or hard).
bool SameFile(const QString& a, const QString& b)
{
    struct stat sa, sb;
    if (::stat(QFile::encodeName(a).constData(), &sa) != 0 || ::stat(QFile::encodeName(b).constData(), &sb) != 0)
        return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

// What --offset takes.
constexpr char OffsetValue[] = "a whole number of milliseconds";

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

} // namespace

const TCliVerb& BeatsVerb()
{
    static const TCliVerb verb{
        .Name = QStringLiteral("beats"), .Synopsis = QStringLiteral("MUSIC [--json]"),
        .Summary = QStringLiteral("print the tempo and the beat times (seconds) of a music\n"
                       "file (WAV, FLAC, Ogg or MP3)"),
        .Options = {QCommandLineOption(QStringLiteral("json"), QStringLiteral("print the same as a JSON document"))},
        .Run = RunBeats};
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
