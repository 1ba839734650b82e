#include "CliCommon.h"
#include "CliProgress.h"
#include "ShowFile.h"
#include "WaveCompiler.h"

#include <QFileInfo>

#include <memory>
#include <optional>

namespace {

struct TCompileArgs {
    QString show;
    QString out;
    TCompileOptions options;
    bool quiet = false;
};

// "A,B,C,D": the four driver delays in the order of the delays dialog.
std::optional<TScanDelays> ParseDelays(const QString& text)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 4)
        return std::nullopt;
    quint16 values[4];
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        const uint value = parts[i].trimmed().toUInt(&ok, 10);
        if (!ok || value > 65535)
            return std::nullopt;
        values[i] = quint16(value);
    }
    TScanDelays delays;
    delays.Time5Degree = values[0];
    delays.Time10Degree = values[1];
    delays.Time40Degree = values[2];
    delays.TimeEdges = values[3];
    return delays;
}

// Returns an empty string on success, else the reason for the usage error.
QString ParseArgs(const TCliArgs& args, TCompileArgs& parsed)
{
    const QStringList shows = args.Files();
    if (shows.isEmpty())
        return QStringLiteral("compile needs a show file");
    if (shows.size() > 1)
        return QStringLiteral("compile takes one show file, got \"%1\" too").arg(shows[1]);
    parsed.show = shows[0];
    if (args.IsSet(QStringLiteral("out"))) {
        parsed.out = args.FileValue(QStringLiteral("out"));
        if (parsed.out.isEmpty())
            return QStringLiteral("--out needs a file name");
    }
    if (args.IsSet(QStringLiteral("delays"))) {
        const QString value = args.Value(QStringLiteral("delays"));
        const auto delays = ParseDelays(value);
        if (!delays)
            return QStringLiteral("--delays needs four integers 0..65535 separated by commas, not \"%1\"").arg(value);
        parsed.options.Delays = *delays;
    }
    parsed.options.FlipX = args.IsSet(QStringLiteral("flip-x"));
    parsed.options.FlipY = args.IsSet(QStringLiteral("flip-y"));
    parsed.quiet = args.IsSet(QStringLiteral("quiet"));
    return {};
}

int RunCompile(const TCliArgs& args, TCliStreams io)
{
    TCompileArgs parsed;
    const QString reason = ParseArgs(args, parsed);
    if (!reason.isEmpty())
        return UsageError(io, reason);

    TLaserFrames show;
    TShowFileResult read;
    if (!LoadShowForCli(parsed.show, show, read, io))
        return ExitFileError;

    const QString wavName = parsed.out.isEmpty() ? WaveFileName(parsed.show) : parsed.out;
    // The compile deletes and rewrites its output first; pointed at the show it
    // would destroy the show.
    if (QFileInfo(wavName).canonicalFilePath() == QFileInfo(parsed.show).canonicalFilePath())
        return UsageError(io, QStringLiteral("the output \"%1\" would replace the show file").arg(wavName));

    std::unique_ptr<TCliProgress> progress;
    if (!parsed.quiet)
        progress = std::make_unique<TCliProgress>(io.err, TCliProgress::StderrIsTerminal());
    const TCompileResult result = CompileShow(show, wavName, parsed.options, progress.get());
    if (progress)
        progress->Finish(result.outcome.ok);
    if (!result.outcome.ok)
        return FileError(io, result.outcome.message.isEmpty()
                                 ? TResult::Failure(QStringLiteral("cannot write \"%1\"").arg(wavName))
                                 : result.outcome);

    const int frames = result.framesDrawn;
    const int skipped = show.Count() - frames;
    io.out << "Compiled " << frames << (frames == 1 ? " frame" : " frames");
    if (skipped > 0)
        io.out << " (" << skipped << " without points skipped)";
    io.out << ": " << result.sampleFrames << " sample frames, "
           << QString::number(result.sampleFrames / 44100.0, 'f', 2) << " s, "
           << result.bytes << " bytes -> " << wavName << '\n';
    io.out.flush();
    return ExitOk;
}

} // namespace

const TCliVerb& CompileVerb()
{
    static const TCliVerb verb{
        .Name = QStringLiteral("compile"), .Synopsis = QStringLiteral("SHOW [--out WAV] [--delays A,B,C,D] [--flip-x] [--flip-y] [--quiet]"),
        .Summary = QStringLiteral("compile a show into the WAV file that drives the laser\n"
                       "(default name: SHOW with \".WAV\" appended)"),
        .Options = {QCommandLineOption(QStringLiteral("out"), QStringLiteral("write the sound to WAV (default: SHOW with \".WAV\" appended)"),
                            QStringLiteral("WAV")),
         QCommandLineOption(QStringLiteral("delays"),
                            QStringLiteral("the scanner driver delays, 0..65535 each: 5, 10 and\n"
                                           "40 degree steps and maximum edges (default 30,55,66,30)"),
                            QStringLiteral("A,B,C,D")),
         QCommandLineOption(QStringLiteral("flip-x"), QStringLiteral("mirror the output horizontally")),
         QCommandLineOption(QStringLiteral("flip-y"), QStringLiteral("mirror the output vertically")),
         QCommandLineOption(QStringLiteral("quiet"), QStringLiteral("show no progress"))},
        .Run = RunCompile};
    return verb;
}
