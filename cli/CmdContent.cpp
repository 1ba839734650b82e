// import-svg and text: drawings and words as one-frame shows.
#include "CliCommon.h"

#include "OutputFile.h"
#include "ShowFile.h"
#include "SvgImport.h"
#include "TextFrame.h"

#include <QFileInfo>
#include <QLocale>

#include <optional>

namespace {

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
           << count(built.Jumps, "dark jump") << ") to " << outName;
    if (const QString note = SkippedPicturesNote(built.PicturesSkipped); !note.isEmpty())
        io.out << "; " << note;
    io.out << '\n';
    return ExitOk;
}

QString FitHint(const TVectorFrameResult& built)
{
    if (built.FittingTolerance <= 0)
        return {};
    return QStringLiteral("; --tolerance %1 would fit").arg(QLocale::c().toString(built.FittingTolerance));
}

int RunImportSvg(const TCliArgs& args, TCliStreams io)
{
    const QStringList files = args.Files();
    QString reason;
    if (files.size() != 2)
        reason = QStringLiteral("import-svg takes an SVG file and an output show file");
    else if (QFileInfo::exists(files[0])
             && QFileInfo(files[0]).canonicalFilePath() == QFileInfo(files[1]).canonicalFilePath())
        reason = QStringLiteral("the output \"%1\" would replace the input").arg(files[1]);
    if (!reason.isEmpty())
        return UsageError(io, reason);
    TVectorOptions options;
    if (args.IsSet(QStringLiteral("tolerance"))) {
        const QString text = args.Value(QStringLiteral("tolerance"));
        const auto tolerance = ParseTolerance(text);
        if (!tolerance)
            return UsageError(io, QStringLiteral("--tolerance takes frame units from %1 to %2, not \"%3\"")
                                      .arg(MinTolerance).arg(MaxTolerance).arg(text));
        options.Tolerance = *tolerance;
    }
    TVectorFrameResult built = ImportSvgFile(files[0], options);
    if (!built.outcome.ok)
        return FileError(io, TResult::Failure(built.outcome.message + FitHint(built)));
    return WriteFrame(io, built, files[1]);
}

int RunText(const TCliArgs& args, TCliStreams io)
{
    const QStringList words = args.Positional();
    if (words.size() != 2)
        return UsageError(io, QStringLiteral("text takes a text and an output show file"));
    // A font or a text that cannot be drawn is a wrong argument, told in one line.
    const auto refuse = [&io](const QString& error) {
        io.err << "skelmar-cli: " << error << '\n';
        io.err.flush();
        return ExitUsage;
    };
    TTextFont font;
    if (args.IsSet(QStringLiteral("font"))) {
        if (const TResult resolved = ResolveTextFont(args.Value(QStringLiteral("font")), font); !resolved.ok)
            return refuse(resolved.message);
    }
    TVectorFrameResult built = MakeTextFrame(words[0], font, {});
    if (!built.outcome.ok)
        return refuse(built.outcome.message);
    return WriteFrame(io, built, PlainFilePath(words[1]));
}

} // namespace

const TCliVerb& ImportSvgVerb()
{
    static const TCliVerb verb{
        .Name = QStringLiteral("import-svg"), .Synopsis = QStringLiteral("IN.svg OUT.RZ4 [--tolerance T]"),
        .Summary = QStringLiteral("turn an SVG drawing into a one-frame show, curves\n"
                       "within T frame units (default 0.5, 0.01 to 64)"),
        .Options = {QCommandLineOption(QStringLiteral("tolerance"),
                            QStringLiteral("follow curves within T frame units, 0.01 to 64"),
                            QStringLiteral("T"))},
        .Run = RunImportSvg, .NeedsFonts = true};
    return verb;
}

const TCliVerb& TextVerb()
{
    static const TCliVerb verb{
        .Name = QStringLiteral("text"), .Synopsis = QStringLiteral("TEXT OUT.RZ4 [--font NAME]"),
        .Summary = QStringLiteral("write TEXT on one line as a one-frame show, in a\n"
                       "Hershey font (default futural) or an installed font"),
        .Options = {QCommandLineOption(QStringLiteral("font"),
                            QStringLiteral("a Hershey font (futural, rowmans, ...) or the family\n"
                                           "of an installed font"),
                            QStringLiteral("NAME"))},
        .Run = RunText, .NeedsFonts = true};
    return verb;
}
