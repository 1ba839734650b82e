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
QString ParseArgs(const QStringList& args, TCompileArgs& parsed)
{
    for (int i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == QLatin1String("--out") || arg == QLatin1String("--delays")) {
            if (i + 1 >= args.size())
                return QStringLiteral("%1 needs a value").arg(arg);
            const QString value = args[++i];
            if (arg == QLatin1String("--out")) {
                if (value.isEmpty())
                    return QStringLiteral("--out needs a file name");
                parsed.out = value;
            } else {
                const auto delays = ParseDelays(value);
                if (!delays)
                    return QStringLiteral("--delays needs four integers 0..65535 separated by "
                                          "commas, not \"%1\"").arg(value);
                parsed.options.Delays = *delays;
            }
        } else if (arg == QLatin1String("--flip-x")) {
            parsed.options.FlipX = true;
        } else if (arg == QLatin1String("--flip-y")) {
            parsed.options.FlipY = true;
        } else if (arg == QLatin1String("--quiet")) {
            parsed.quiet = true;
        } else if (arg.startsWith(QLatin1Char('-')) && arg.size() > 1) {
            return QStringLiteral("unknown option \"%1\" for compile").arg(arg);
        } else if (parsed.show.isEmpty()) {
            parsed.show = arg;
        } else {
            return QStringLiteral("compile takes one show file, got \"%1\" too").arg(arg);
        }
    }
    if (parsed.show.isEmpty())
        return QStringLiteral("compile needs a show file");
    return {};
}

} // namespace

int RunCompile(const QStringList& args, TCliStreams io)
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
