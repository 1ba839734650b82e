#include "CliCommon.h"

#include "ShowFile.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

QString VersionText(int version)
{
    return version > 6 ? QStringLiteral("%1 (read as 6)").arg(version) : QString::number(version);
}

QJsonObject FrameJson(int index, const TLaserFrame& f)
{
    return QJsonObject{
        {"index", index},
        {"name", f.Name},
        {"points", f.PointCount()},
        {"delay", f.Delay},
        {"effectTime", f.EffectTime},
        {"effect", f.Effect},
        {"effectName", EffectName(f.Effect)},
        {"effectParam", f.EffectParam},
        {"color", f.ColorBit() ? 1 : 0},
        {"locked", f.IsLocked()},
    };
}

QString FrameLine(int index, const TLaserFrame& f)
{
    return QStringLiteral("Frame %1 \"%2\": %3 points, delay %4 ms, effect %5 (parameter %6) %7 ms, colour %8, %9")
        .arg(index)
        .arg(f.Name)
        .arg(f.PointCount())
        .arg(f.Delay)
        .arg(EffectName(f.Effect))
        .arg(f.EffectParam)
        .arg(f.EffectTime)
        .arg(f.ColorBit() ? 1 : 0)
        .arg(f.IsLocked() ? QStringLiteral("locked") : QStringLiteral("unlocked"));
}

int RunInfo(const TCliArgs& args, TCliStreams io)
{
    const QStringList files = args.Files();
    const bool json = args.IsSet(QStringLiteral("json"));
    if (files.size() != 1)
        return UsageError(io, QStringLiteral("info takes one show file"));

    TLaserFrames show;
    TShowFileResult result;
    if (!LoadShowForCli(files[0], show, result, io))
        return ExitFileError;

    if (json) {
        QJsonArray frames;
        for (int k = 0; k < show.Count(); ++k)
            frames.append(FrameJson(k, show.Frame(k)));
        const QJsonObject root{{"file", files[0]}, {"version", result.version},
                               {"frameCount", show.Count()}, {"frames", frames}};
        io.out << QJsonDocument(root).toJson(QJsonDocument::Indented);
        return ExitOk;
    }
    io.out << files[0] << ": format version " << VersionText(result.version) << ", "
           << show.Count() << (show.Count() == 1 ? " frame" : " frames") << "\n";
    for (int k = 0; k < show.Count(); ++k)
        io.out << FrameLine(k, show.Frame(k)) << "\n";
    return ExitOk;
}

} // namespace

const TCliVerb& InfoVerb()
{
    static const TCliVerb verb{
        .Name = QStringLiteral("info"), .Synopsis = QStringLiteral("SHOW [--json]"),
        .Summary = QStringLiteral("print the format version and every frame of a show"),
        .Options = {QCommandLineOption(QStringLiteral("json"), QStringLiteral("print the same as a JSON document"))},
        .Run = RunInfo};
    return verb;
}
