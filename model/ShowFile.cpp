#include "ShowFile.h"

#include "OutputFile.h"
#include "ShowFileReader.h"
#include "ShowFileWriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <new>

namespace {
QString Named(const QString& fileName, const QString& what)
{
    return QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(fileName), what);
}

QString OutOfMemory(const QString& what, const QString& fileName)
{
    return QStringLiteral("Not enough memory to %1 \"%2\".").arg(what, QDir::toNativeSeparators(fileName));
}

TShowFileResult ReadShowFileOrThrow(TLaserFrames& show, const QString& fileName, const TShowReadOptions& options)
{
    TShowFileResult result;
    if (!QFileInfo(fileName).isFile()) {
        result.missing = true;
        result.message = Named(fileName, QStringLiteral("no such file"));
        return result;
    }
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        result.ok = false;
        result.message = Named(fileName, file.errorString());
        return result;
    }
    show.FileName = fileName;
    show.Clear();
    TShowFileReader::Options readOptions;
    readOptions.LoadImages = options.LoadImages;
    const TShowFileReader::Result read = TShowFileReader::Read(file, show, readOptions);
    result.version = read.version;
    switch (read.status) {
    case TShowFileReader::Status::Ok:
        break;
    case TShowFileReader::Status::NotAShow:
        result.notAShow = true;
        result.message = Named(fileName, QStringLiteral("not a Skelmar show file"));
        break;
    case TShowFileReader::Status::Damaged:
        result.ok = false;
        result.message = Named(fileName, read.error);
        break;
    }
    return result;
}

} // namespace

TShowFileResult ReadShowFile(TLaserFrames& show, const QString& fileName, const TShowReadOptions& options)
{
    try {
        return ReadShowFileOrThrow(show, fileName, options);
    } catch (const std::bad_alloc&) {
        show.Clear();
        TShowFileResult result;
        result.ok = false;
        result.message = OutOfMemory(QStringLiteral("read"), fileName);
        return result;
    }
}

TShowFileResult WriteShowFile(const QString& fileName, TLaserFrames& show)
{
    TShowFileResult result;
    result.version = TShowFileWriter::Version;
    QString error;
    try {
        // A device or a pipe is refused before the show is encoded.
        TOutputFile file(fileName);
        error = OutputTargetProblem(file.Target());
        QByteArray data;
        if (error.isEmpty())
            error = TShowFileWriter::Encode(show, data);
        if (error.isEmpty() && !(file.Open() && file.Write(data) && file.Commit()))
            error = file.ErrorString();
        if (!error.isEmpty())
            error = Named(fileName, QStringLiteral("could not be saved: %1").arg(error));
    } catch (const std::bad_alloc&) {
        error = OutOfMemory(QStringLiteral("save"), fileName);
    }
    if (!error.isEmpty()) {
        result.ok = false;
        result.message = error;
    }
    return result;
}

TShowFileResult OpenShowFile(const QString& fileName, std::unique_ptr<TLaserFrames>& target)
{
    try {
        auto show = std::make_unique<TLaserFrames>();
        TShowFileResult result = ReadShowFile(*show, fileName);
        if (!result.ok)
            return result; // the open show stays as it was
        // Missing, short or foreign files give an empty show: the editor still needs a frame.
        if (show->Count() == 0)
            show->Add();
        target = std::move(show);
        return result;
    } catch (const std::bad_alloc&) {
        TShowFileResult result;
        result.ok = false;
        result.message = OutOfMemory(QStringLiteral("read"), fileName);
        return result;
    }
}

QString WaveFileName(const QString& showFileName)
{
    return showFileName + QStringLiteral(".WAV");
}
