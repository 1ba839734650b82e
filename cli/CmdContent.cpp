// import-svg and text: drawings and words as one-frame shows.
#include "CliCommon.h"

#include "ShowFile.h"
#include "SvgImport.h"
#include "TextFrame.h"

#include <QFileInfo>
#include <QLocale>

#include <optional>

namespace {

struct TParsed {
    QStringList positional;
    QString tolerance;  // null when not given
    QString font;
};

// Positional arguments and the options in `options`; "--" ends the options, so a
// text may begin with a dash. Returns the reason for a usage error, empty on success.
QString Parse(const QString& verb, const QStringList& args, const QStringList& options, TParsed& parsed)
{
    bool optionsEnd = false;
    for (int i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (!optionsEnd && arg == QLatin1String("--")) {
            optionsEnd = true;
        } else if (!optionsEnd && options.contains(arg)) {
            if (i + 1 >= args.size())
                return QStringLiteral("%1 needs a value").arg(arg);
            (arg == QLatin1String("--tolerance") ? parsed.tolerance : parsed.font) = args[++i];
        } else if (!optionsEnd && arg.startsWith(QLatin1Char('-')) && arg.size() > 1) {
            return QStringLiteral("unknown option \"%1\" for %2").arg(arg, verb);
        } else {
            parsed.positional << arg;
        }
    }
    return {};
}

std::optional<double> ParseTolerance(const QString& text)
{
    bool ok = false;
    const double value = QLocale::c().toDouble(text, &ok);
    if (!ok || !(value >= MinTolerance && value <= MaxTolerance))
        return std::nullopt;
    return value;
}

// The frame as a show of its own.
int WriteFrame(TCliStreams io, TVectorFrameResult& built, const QString& outName)
{
    const int points = built.Frame->PointCount();
    TLaserFrames show;
    show.FitLinksAt(show.AddFrame(std::move(built.Frame)));
    if (const TResult written = WriteShowFile(outName, show); !written.ok)
        return FileError(io, written);
    const auto count = [](int n, const char* what) {
        return QStringLiteral("%1 %2%3").arg(n).arg(QLatin1String(what)).arg(n == 1 ? "" : "s");
    };
    io.out << "Wrote 1 frame of " << count(points, "point") << " (" << count(built.Shapes, "shape") << ", "
           << count(built.Jumps, "dark jump") << ") to " << outName << '\n';
    return ExitOk;
}

QString FitHint(const TVectorFrameResult& built)
{
    if (built.FittingTolerance <= 0)
        return {};
    return QStringLiteral("; --tolerance %1 would fit").arg(QLocale::c().toString(built.FittingTolerance));
}

} // namespace

int RunImportSvg(const QStringList& args, TCliStreams io)
{
    TParsed parsed;
    QString reason = Parse(QStringLiteral("import-svg"), args, {QStringLiteral("--tolerance")}, parsed);
    if (reason.isEmpty() && parsed.positional.size() != 2)
        reason = QStringLiteral("import-svg takes an SVG file and an output show file");
    if (reason.isEmpty() && QFileInfo::exists(parsed.positional[0])
        && QFileInfo(parsed.positional[0]).canonicalFilePath() == QFileInfo(parsed.positional[1]).canonicalFilePath())
        reason = QStringLiteral("the output \"%1\" would replace the input").arg(parsed.positional[1]);
    if (!reason.isEmpty())
        return UsageError(io, reason);
    TVectorOptions options;
    if (!parsed.tolerance.isNull()) {
        const auto tolerance = ParseTolerance(parsed.tolerance);
        if (!tolerance)
            return UsageError(io, QStringLiteral("--tolerance takes frame units from %1 to %2, not \"%3\"")
                                      .arg(MinTolerance).arg(MaxTolerance).arg(parsed.tolerance));
        options.Tolerance = *tolerance;
    }
    TVectorFrameResult built = ImportSvgFile(parsed.positional[0], options);
    if (!built.outcome.ok)
        return FileError(io, TResult::Failure(built.outcome.message + FitHint(built)));
    return WriteFrame(io, built, parsed.positional[1]);
}

int RunText(const QStringList& args, TCliStreams io)
{
    TParsed parsed;
    QString reason = Parse(QStringLiteral("text"), args, {QStringLiteral("--font")}, parsed);
    if (reason.isEmpty() && parsed.positional.size() != 2)
        reason = QStringLiteral("text takes a text and an output show file");
    if (!reason.isEmpty())
        return UsageError(io, reason);
    // A font or a text that cannot be drawn is a wrong argument, told in one line.
    const auto refuse = [&io](const QString& error) {
        io.err << "skelmar-cli: " << error << '\n';
        io.err.flush();
        return ExitUsage;
    };
    TTextFont font;
    if (!parsed.font.isNull()) {
        if (const TResult resolved = ResolveTextFont(parsed.font, font); !resolved.ok)
            return refuse(resolved.message);
    }
    TVectorFrameResult built = MakeTextFrame(parsed.positional[0], font, {});
    if (!built.outcome.ok)
        return refuse(built.outcome.message);
    return WriteFrame(io, built, parsed.positional[1]);
}
