#include "ShowFile.h"

#include "ShowFileReader.h"
#include "ShowFileWriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {
QString Named(const QString& fileName, const QString& what)
{
    return QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(fileName), what);
}
} // namespace

TShowFileResult ReadShowFile(TLaserFrames& show, const QString& fileName)
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
    const TShowFileReader::Result read = TShowFileReader::Read(file, show);
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

TShowFileResult WriteShowFile(const QString& fileName, TLaserFrames& show)
{
    TShowFileResult result;
    QSaveFile file(fileName);
    QString error;
    if (!file.open(QIODevice::WriteOnly))
        error = file.errorString();
    else if (error = TShowFileWriter::Write(file, show); !error.isEmpty())
        file.cancelWriting();
    else if (!file.commit())
        error = file.errorString();
    if (!error.isEmpty()) {
        result.ok = false;
        result.message = Named(fileName, QStringLiteral("could not be saved: %1").arg(error));
    }
    result.version = TShowFileWriter::Version;
    return result;
}

TShowFileResult OpenShowFile(const QString& fileName, std::unique_ptr<TLaserFrames>& target)
{
    auto show = std::make_unique<TLaserFrames>();
    TShowFileResult result = ReadShowFile(*show, fileName);
    if (!result.ok)
        return result; // the open show stays as it was
    // Missing, short or foreign files give an empty show: the editor still needs a frame.
    if (show->Count() == 0)
        show->Add();
    target = std::move(show);
    return result;
}

QString WaveFileName(const QString& showFileName)
{
    return showFileName + QStringLiteral(".WAV");
}
