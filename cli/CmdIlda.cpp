// export-ilda and import-ilda: shows to ILDA files and back.
#include "CliCommon.h"

#include "IldaFile.h"
#include "ShowFile.h"

#include <QFileInfo>

#include <optional>

namespace {

// Splits `args` into the two file names and the value of the one option `option`.
// Returns an empty string on success, else the reason for the usage error.
QString ParseArgs(const QString& verb, const QStringList& args, const QString& option, QStringList& files,
                  QString& value)
{
    for (int i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (arg == option) {
            if (i + 1 >= args.size())
                return QStringLiteral("%1 needs a value").arg(option);
            value = args[++i];
        } else if (arg.startsWith(QLatin1Char('-')) && arg.size() > 1) {
            return QStringLiteral("unknown option \"%1\" for %2").arg(arg, verb);
        } else {
            files << arg;
        }
    }
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

} // namespace

int RunExportIlda(const QStringList& args, TCliStreams io)
{
    QStringList files;
    QString formatText;
    const QString reason = ParseArgs(QStringLiteral("export-ilda"), args, QStringLiteral("--format"), files, formatText);
    if (!reason.isEmpty())
        return UsageError(io, reason);
    TIldaExportOptions options;
    if (!formatText.isNull()) {
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

int RunImportIlda(const QStringList& args, TCliStreams io)
{
    QStringList files;
    QString delayText;
    const QString reason = ParseArgs(QStringLiteral("import-ilda"), args, QStringLiteral("--delay"), files, delayText);
    if (!reason.isEmpty())
        return UsageError(io, reason);
    TIldaImportOptions options;
    if (!delayText.isNull()) {
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
