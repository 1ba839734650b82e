// export-ilda and import-ilda: shows to ILDA files and back.
#include "CliCommon.h"

#include "IldaFile.h"
#include "ShowFile.h"

#include <QFileInfo>

#include <optional>

namespace {

// The input and the output file. Returns an empty string on success, else the
// reason for the usage error.
QString CheckFiles(const QString& verb, const QStringList& files)
{
    if (files.size() != 2)
        return QStringLiteral("%1 takes an input and an output file").arg(verb);
    // Reading fully before writing would make it work, but the input would be lost.
    if (QFileInfo(files[0]).canonicalFilePath() == QFileInfo(files[1]).canonicalFilePath()
        && QFileInfo::exists(files[0]))
        return QStringLiteral("the output \"%1\" would replace the input").arg(files[1]);
    return {};
}

// A decimal integer in lo..hi, else nothing.
std::optional<int> ParseNumber(const QString& text, int lo, int hi)
{
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    if (!ok || value < lo || value > hi)
        return std::nullopt;
    return value;
}

int RunExportIlda(const TCliArgs& args, TCliStreams io)
{
    const QStringList files = args.Files();
    if (const QString reason = CheckFiles(QStringLiteral("export-ilda"), files); !reason.isEmpty())
        return UsageError(io, reason);
    TIldaExportOptions options;
    if (args.IsSet(QStringLiteral("format"))) {
        const QString formatText = args.Value(QStringLiteral("format"));
        const auto format = ParseNumber(formatText, 0, 5);
        if (!format || !TIldaWriter::ValidFormat(*format))
            return UsageError(io, QStringLiteral("--format takes 0, 1, 4 or 5, not \"%1\"").arg(formatText));
        options.Format = *format;
    }

    TLaserFrames show;
    TShowFileResult read;
    if (!LoadShowForCli(files[0], show, read, io))
        return ExitFileError;
    // The command line has no user settings: the laser colours are the default red and blue.
    const TIldaFileResult written = ExportIldaFile(files[1], show, options);
    if (!written.outcome.ok)
        return FileError(io, written.outcome);
    io.out << "Wrote " << written.frames << " frames to " << files[1] << " (ILDA format " << options.Format
           << ")\n";
    return ExitOk;
}

int RunImportIlda(const TCliArgs& args, TCliStreams io)
{
    const QStringList files = args.Files();
    if (const QString reason = CheckFiles(QStringLiteral("import-ilda"), files); !reason.isEmpty())
        return UsageError(io, reason);
    TIldaImportOptions options;
    if (args.IsSet(QStringLiteral("delay"))) {
        const QString delayText = args.Value(QStringLiteral("delay"));
        const auto delay = ParseNumber(delayText, 0, 65535);
        if (!delay)
            return UsageError(io, QStringLiteral("--delay takes milliseconds 0..65535, not \"%1\"").arg(delayText));
        options.Delay = quint16(*delay);
    }

    TLaserFrames show;
    const TIldaFileResult read = ImportIldaFile(files[0], show, options);
    if (!read.outcome.ok)
        return FileError(io, read.outcome);
    if (const TResult written = WriteShowFile(files[1], show); !written.ok)
        return FileError(io, written);
    io.out << "Wrote " << read.frames << " frames to " << files[1] << '\n';
    return ExitOk;
}

} // namespace

const TCliVerb& ExportIldaVerb()
{
    static const TCliVerb verb{
        .Name = QStringLiteral("export-ilda"), .Synopsis = QStringLiteral("SHOW OUT.ild [--format 0|1|4|5]"),
        .Summary = QStringLiteral("write the show as an ILDA file (default format 5)"),
        .Options = {QCommandLineOption(QStringLiteral("format"),
                            QStringLiteral("0 or 1: indexed colour, 3D or 2D; 4 or 5: true colour,\n"
                                           "3D or 2D (the default)"),
                            QStringLiteral("0|1|4|5"))},
        .Run = RunExportIlda};
    return verb;
}

const TCliVerb& ImportIldaVerb()
{
    static const TCliVerb verb{
        .Name = QStringLiteral("import-ilda"), .Synopsis = QStringLiteral("IN.ild OUT.RZ4 [--delay MS]"),
        .Summary = QStringLiteral("turn the frames of an ILDA file into a show\n"
                       "(each frame shown MS milliseconds, default 40)"),
        .Options = {QCommandLineOption(QStringLiteral("delay"), QStringLiteral("show each frame MS milliseconds, 0..65535"),
                            QStringLiteral("MS"))},
        .Run = RunImportIlda};
    return verb;
}
