#include "Soundtrack.h"

#include "OutputFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <cmath>

namespace {

const QString MusicKey = QStringLiteral("music");
const QString OffsetKey = QStringLiteral("offsetMs");
const QString BeatsKey = QStringLiteral("beats");
const QString DownbeatKey = QStringLiteral("firstDownbeat");
// Far more than any soundtrack file needs: the beats of a whole day's music at
// 100 bpm take about 4 MB.
constexpr qint64 MaxFileSize = 8 * 1024 * 1024;
constexpr double MaxBeatSeconds = 24.0 * 3600;     // beats within a day of music

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

QJsonArray BeatsToJson(const std::vector<double>& beats)
{
    QJsonArray array;
    for (double beat : beats)
        array.append(beat);
    return array;
}

// The beats as the file holds them: times within a day, each later than the one
// before, and a first downbeat that is one of them. Empty on success, else why not.
QString BeatsFromJson(const QJsonObject& object, std::optional<TBeatGrid>& grid)
{
    const QJsonValue beats = object.value(BeatsKey);
    if (beats.isUndefined())
        return {};
    if (!beats.isArray())
        return QStringLiteral("its beats are no list of times");
    TBeatGrid read;
    const QJsonArray array = beats.toArray();
    read.Beats.reserve(size_t(array.size()));
    for (const QJsonValue& value : array) {
        const double t = value.toDouble(-1);
        if (!value.isDouble() || !(t >= 0 && t <= MaxBeatSeconds)
            || (!read.Beats.empty() && !(t > read.Beats.back())))
            return QStringLiteral("its beats are not ascending times in seconds within a day");
        read.Beats.push_back(t);
    }
    const QJsonValue downbeat = object.value(DownbeatKey);
    if (!downbeat.isUndefined()) {
        const double index = downbeat.toDouble(-1);
        if (!downbeat.isDouble() || index != std::floor(index) || index < 0
            || index >= std::max<double>(1, double(read.Beats.size())))
            return QStringLiteral("its first downbeat is not one of its beats");
        read.FirstDownbeat = int(index);
    }
    grid = std::move(read);
    return {};
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
    if (soundtrack.Beats) {
        object.insert(BeatsKey, BeatsToJson(soundtrack.Beats->Beats));
        object.insert(DownbeatKey, soundtrack.Beats->FirstDownbeat);
    }
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
    std::optional<TBeatGrid> beats;
    if (const QString problem = BeatsFromJson(object, beats); !problem.isEmpty())
        return TResult::Failure(problem);
    const QString path = IsAbsoluteMusicPath(music) ? music : ShowFolder(showFileName) + QLatin1Char('/') + music;
    soundtrack.MusicFile = QDir::cleanPath(path);
    soundtrack.OffsetMs = int(ms);
    soundtrack.Beats = std::move(beats);
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
