// import-svg, text and trace: drawings, words and pictures as one-frame shows.
#include "CliCommon.h"

#include "OutputFile.h"
#include "PictureTrace.h"
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

std::optional<double> ParseMargin(const QString& text)
{
    bool ok = false;
    const double value = QLocale::c().toDouble(text, &ok);
    if (!ok || !(value >= 0 && value <= MaxMargin))
        return std::nullopt;
    return value;
}

// --tolerance and --margin into the options; a usage error's reason when one is wrong.
QString ReadVectorOptions(const TCliArgs& args, TVectorOptions& options)
{
    if (args.IsSet(QStringLiteral("tolerance"))) {
        const QString text = args.Value(QStringLiteral("tolerance"));
        const auto tolerance = ParseTolerance(text);
        if (!tolerance)
            return QStringLiteral("--tolerance takes frame units from %1 to %2, not \"%3\"")
                .arg(MinTolerance).arg(MaxTolerance).arg(text);
        options.Tolerance = *tolerance;
    }
    if (args.IsSet(QStringLiteral("margin"))) {
        const QString text = args.Value(QStringLiteral("margin"));
        const auto margin = ParseMargin(text);
        if (!margin)
            return QStringLiteral("--margin takes frame units from 0 to %1, not \"%2\"").arg(MaxMargin).arg(text);
        options.Margin = *margin;
    }
    return {};
}

QCommandLineOption ToleranceOption()
{
    return QCommandLineOption(QStringLiteral("tolerance"),
                              QStringLiteral("follow curves within T frame units, 0.01 to 64"), QStringLiteral("T"));
}

QCommandLineOption MarginOption()
{
    return QCommandLineOption(QStringLiteral("margin"),
                              QStringLiteral("keep M frame units free on each side, 0 to 100\n(default %1)")
                                  .arg(DefaultMargin),
                              QStringLiteral("M"));
}

// The frame as a show of its own.
int WriteFrame(TCliStreams io, TVectorFrameResult& built, const QString& outName)
{
    const int points = built.Frame->PointCount();
    TLaserFrames show;
    show.FitLinksAt(show.AddFrame(std::move(built.Frame)));
    if (const TResult written = WriteShowFile(outName, show); !written.ok)
        return FileError(io, written);
    io.out << "Wrote 1 frame of " << CountText(points, QLatin1String("point")) << " ("
           << CountText(built.Shapes, QLatin1String("shape")) << ", " << CountText(built.Jumps, QLatin1String("dark jump"))
           << ") to " << outName;
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

// The failure followed by the tolerance that would fit, when one would.
TResult WithFitHint(const TVectorFrameResult& built)
{
    return TResult::Failure(built.outcome.message + FitHint(built));
}

int RunImportSvg(const TCliArgs& args, TCliStreams io)
{
    const QStringList files = args.Files();
    QString reason;
    if (files.size() != 2)
        reason = QStringLiteral("import-svg takes an SVG file and an output show file");
    else if (SameFile(files[0], files[1]))
        reason = QStringLiteral("the output \"%1\" would replace the input").arg(files[1]);
    TVectorOptions options;
    if (reason.isEmpty())
        reason = ReadVectorOptions(args, options);
    if (!reason.isEmpty())
        return UsageError(io, reason);
    TVectorFrameResult built = ImportSvgFile(files[0], options);
    if (!built.outcome.ok)
        return FileError(io, WithFitHint(built));
    return WriteFrame(io, built, files[1]);
}

int RunTrace(const TCliArgs& args, TCliStreams io)
{
    const QStringList files = args.Files();
    QString reason;
    if (files.size() != 2)
        reason = QStringLiteral("trace takes a picture file and an output show file");
    else if (SameFile(files[0], files[1]))
        reason = QStringLiteral("the output \"%1\" would replace the input").arg(files[1]);
    TVectorOptions options;
    if (reason.isEmpty())
        reason = ReadVectorOptions(args, options);
    TTraceOptions trace;
    if (reason.isEmpty() && args.IsSet(QStringLiteral("threshold"))) {
        const QString text = args.Value(QStringLiteral("threshold"));
        bool ok = false;
        const int threshold = text.toInt(&ok);
        if (!ok || threshold < 0 || threshold > 255)
            reason = QStringLiteral("--threshold takes a grey level from 0 to 255, not \"%1\"").arg(text);
        trace.Threshold = threshold;
    }
    trace.Invert = args.IsSet(QStringLiteral("invert"));
    if (!reason.isEmpty())
        return UsageError(io, reason);
    const TTracedPicture traced = TracePicture(files[0], trace);
    if (!traced.outcome.ok)
        return FileError(io, traced.outcome);
    TVectorFrameResult built = BuildTracedFrame(traced, options);
    if (!built.outcome.ok)
        return FileError(io, WithFitHint(built));
    io.out << "Traced " << files[0] << " at threshold " << traced.Threshold << ": "
           << CountText(traced.Outlines, QLatin1String("outline")) << '\n';
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
    TVectorOptions options;
    if (const QString reason = ReadVectorOptions(args, options); !reason.isEmpty())
        return UsageError(io, reason);
    TTextFont font;
    if (args.IsSet(QStringLiteral("font"))) {
        if (const TResult resolved = ResolveTextFont(args.Value(QStringLiteral("font")), font); !resolved.ok)
            return refuse(resolved.message);
    }
    TVectorFrameResult built = MakeTextFrame(words[0], font, options);
    if (!built.outcome.ok)
        return refuse(built.outcome.message);
    return WriteFrame(io, built, PlainFilePath(words[1]));
}

} // namespace

const TCliVerb& ImportSvgVerb()
{
    static const TCliVerb verb{
        .Name = QStringLiteral("import-svg"),
        .Synopsis = QStringLiteral("IN.svg OUT.RZ4 [--tolerance T] [--margin M]"),
        .Summary = QStringLiteral("turn an SVG drawing into a one-frame show, curves\n"
                       "within T frame units (default 0.5, 0.01 to 64),\n"
                       "M units free on each side (default 8)"),
        .Options = {ToleranceOption(), MarginOption()},
        .Run = RunImportSvg, .NeedsFonts = true};
    return verb;
}

const TCliVerb& TextVerb()
{
    static const TCliVerb verb{
        .Name = QStringLiteral("text"), .Synopsis = QStringLiteral("TEXT OUT.RZ4 [--font NAME] [--tolerance T] [--margin M]"),
        .Summary = QStringLiteral("write TEXT on one line as a one-frame show, in a\n"
                       "Hershey font (default futural) or an installed font"),
        .Options = {QCommandLineOption(QStringLiteral("font"),
                            QStringLiteral("a Hershey font (futural, rowmans, ...) or the family\n"
                                           "of an installed font"),
                            QStringLiteral("NAME")),
                    ToleranceOption(), MarginOption()},
        .Run = RunText, .NeedsFonts = true};
    return verb;
}

const TCliVerb& TraceVerb()
{
    static const TCliVerb verb{
        .Name = QStringLiteral("trace"),
        .Synopsis = QStringLiteral("PICTURE OUT.RZ4 [--threshold T] [--tolerance T] [--margin M] [--invert]"),
        .Summary = QStringLiteral("trace the outlines of a picture (PNG, JPEG, BMP,\n"
                       "GIF) into a one-frame show: the pixels darker than\n"
                       "the threshold (chosen from the picture's tones\n"
                       "unless given) are traced"),
        .Options = {QCommandLineOption(QStringLiteral("threshold"),
                            QStringLiteral("trace the pixels darker than T, 0 to 255\n(default: chosen by Otsu's method)"),
                            QStringLiteral("T")),
                    ToleranceOption(), MarginOption(),
                    QCommandLineOption(QStringLiteral("invert"),
                            QStringLiteral("trace the lighter pixels instead (a light logo on\na dark ground)"))},
        .Run = RunTrace, .NeedsFonts = false};
    return verb;
}
