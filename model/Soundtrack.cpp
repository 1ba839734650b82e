#include "Soundtrack.h"

#include "OutputFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <cmath>

namespace {

const QString MusicKey = QStringLiteral("music");
const QString OffsetKey = QStringLiteral("offsetMs");
constexpr qint64 MaxFileSize = 64 * 1024;          // far more than any soundtrack file needs

QString ShowFolder(const QString& showFileName)
{
    return QFileInfo(PlainFilePath(showFileName)).absolutePath();
}

QString Shown(const QString& fileName)
{
    return QDir::toNativeSeparators(fileName);
}

// A name beginning with ':' is a file here, not one of Qt's resource paths, which
// QDir takes for absolute.
bool IsAbsoluteMusicPath(const QString& path)
{
    return !path.startsWith(QLatin1Char(':')) && QDir::isAbsolutePath(path);
}

} // namespace

QString SoundtrackFileName(const QString& showFileName)
{
    return PlainFilePath(showFileName) + QStringLiteral(".soundtrack");
}

QByteArray SoundtrackToJson(const TSoundtrack& soundtrack, const QString& showFileName)
{
    const QDir folder(ShowFolder(showFileName));
    const QString absolute = IsAbsoluteMusicPath(soundtrack.MusicFile)
                                 ? soundtrack.MusicFile
                                 : QDir::currentPath() + QLatin1Char('/') + soundtrack.MusicFile;
    QString music = folder.relativeFilePath(QDir::cleanPath(absolute));
    // Another drive has no relative path: the full one is kept instead. A relative
    // name beginning with ':' gets "./", so no reader takes it for a resource.
    if (IsAbsoluteMusicPath(music))
        music = QDir::cleanPath(music);
    else if (music.startsWith(QLatin1Char(':')))
        music.prepend(QStringLiteral("./"));
    QJsonObject object;
    object.insert(MusicKey, QDir::fromNativeSeparators(music));
    object.insert(OffsetKey, soundtrack.OffsetMs);
    return QJsonDocument(object).toJson(QJsonDocument::Indented);
}

TResult SoundtrackFromJson(const QByteArray& text, const QString& showFileName, TSoundtrack& soundtrack)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(text, &error);
    if (error.error != QJsonParseError::NoError)
        return TResult::Failure(error.errorString());
    if (!document.isObject())
        return TResult::Failure(QStringLiteral("it holds no settings"));
    const QJsonObject object = document.object();
    const QString music = object.value(MusicKey).toString();
    if (music.isEmpty())
        return TResult::Failure(QStringLiteral("it names no music file"));
    const QJsonValue offset = object.value(OffsetKey);
    double ms = 0;
    if (!offset.isUndefined()) {
        ms = offset.toDouble(std::nan(""));
        if (!offset.isDouble() || ms != std::floor(ms) || std::abs(ms) > MaxSoundtrackOffsetMs)
            return TResult::Failure(QStringLiteral("its offset is not a whole number of milliseconds within a day"));
    }
    const QString path = IsAbsoluteMusicPath(music) ? music : ShowFolder(showFileName) + QLatin1Char('/') + music;
    soundtrack.MusicFile = QDir::cleanPath(path);
    soundtrack.OffsetMs = int(ms);
    return {};
}

TSoundtrackFileResult ReadSoundtrackFile(const QString& showFileName, TSoundtrack& soundtrack)
{
    TSoundtrackFileResult result;
    const QString name = SoundtrackFileName(showFileName);
    QFile file(name);
    // A pipe under that name would block the opening of the show.
    const QString problem = InputFileProblem(name, &result.missing);
    if (result.missing)
        return result;
    if (!problem.isEmpty() || !file.open(QIODevice::ReadOnly)) {
        result.outcome = TResult::Failure(QStringLiteral("Cannot read the soundtrack file \"%1\": %2")
                                              .arg(Shown(name), problem.isEmpty() ? file.errorString() : problem));
        return result;
    }
    const QByteArray text = file.read(MaxFileSize + 1);
    QString reason;
    if (text.size() > MaxFileSize)
        reason = QStringLiteral("it is far too large");
    else if (file.error() != QFileDevice::NoError)
        reason = file.errorString();
    if (reason.isEmpty()) {
        TSoundtrack read;
        const TResult parsed = SoundtrackFromJson(text, showFileName, read);
        if (parsed.ok) {
            soundtrack = read;
            return result;
        }
        reason = parsed.message;
    }
    result.outcome = TResult::Failure(
        QStringLiteral("The soundtrack file \"%1\" cannot be used: %2.").arg(Shown(name), reason));
    return result;
}

TResult WriteSoundtrackFile(const QString& showFileName, const TSoundtrack& soundtrack)
{
    const QString name = SoundtrackFileName(showFileName);
    // The same safe path as the show: a full disk or a device in its place leaves an
    // earlier soundtrack file as it was.
    TOutputFile file(name);
    QString error = OutputTargetProblem(file.Target());
    const QByteArray text = SoundtrackToJson(soundtrack, showFileName);
    if (error.isEmpty() && !(file.Open() && file.Write(text) && file.Commit()))
        error = file.ErrorString();
    if (!error.isEmpty())
        return TResult::Failure(QStringLiteral("Cannot write the soundtrack file \"%1\": %2").arg(Shown(name), error));
    return {};
}

TResult RemoveSoundtrackFile(const QString& showFileName)
{
    const QString name = SoundtrackFileName(showFileName);
    QFile file(name);
    if (QFileInfo::exists(name) && !file.remove())
        return TResult::Failure(
            QStringLiteral("Cannot remove the soundtrack file \"%1\": %2").arg(Shown(name), file.errorString()));
    return {};
}
