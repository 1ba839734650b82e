#include "ShowFile.h"

#include "OutputFile.h"
#include "ShowFileReader.h"
#include "ShowFileWriter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <new>

namespace {

TShowFileResult ReadShowFileOrThrow(TLaserFrames& show, const QString& fileName, const TShowReadOptions& options)
{
    TShowFileResult result;
    if (const QString problem = InputFileProblem(fileName, &result.missing); !problem.isEmpty()) {
        // A missing file is told, not failed: the caller knows what it means to it.
        result.outcome = result.missing ? TResult{true, FileMessage(fileName, problem)}
                                        : TResult::FileFailure(fileName, problem);
        return result;
    }
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        result.outcome = TResult::FileFailure(fileName, file.errorString());
        return result;
    }
    show.FileName = fileName;
    show.Clear();
    TShowFileReader::Options readOptions;
    readOptions.LoadImages = options.LoadImages;
    const TShowFileReader::Result read = TShowFileReader::Read(file, show, readOptions);
    result.version = read.version;
    if (!read.outcome.ok) {
        result.outcome = TResult::FileFailure(fileName, read.outcome.message);
    } else if (read.notAShow) {
        result.notAShow = true;
        result.outcome.message =
            QStringLiteral("%1 is not a Skelmar show file").arg(QDir::toNativeSeparators(fileName));
    }
    return result;
}

TShowFileResult OutOfMemory(const QString& fileName)
{
    TShowFileResult result;
    result.outcome = TResult::OutOfMemory(QStringLiteral("read"), fileName);
    return result;
}

} // namespace

TShowFileResult ReadShowFile(TLaserFrames& show, const QString& fileName, const TShowReadOptions& options)
{
    try {
        return ReadShowFileOrThrow(show, fileName, options);
    } catch (const std::bad_alloc&) {
        show.Clear();
        return OutOfMemory(fileName);
    }
}

TResult WriteShowFile(const QString& fileName, TLaserFrames& show)
{
    try {
        // A device or a pipe, and a show the format cannot hold, are refused before
        // anything is written; then the show goes out a block at a time.
        TOutputFile file(fileName);
        QString error = OutputTargetProblem(file.Target());
        if (error.isEmpty())
            error = TShowFileWriter::Problem(show);
        if (error.isEmpty()) {
            if (!file.Open()) {
                error = file.ErrorString();
            } else {
                const TResult written = TShowFileWriter::Write(
                    [&](const char* data, qint64 size) { return file.Write(data, size); }, show);
                if (!written.ok)
                    error = written.message.isEmpty() ? file.ErrorString() : written.message;
                else if (!file.Commit())
                    error = file.ErrorString();
            }
        }
        if (!error.isEmpty())
            return TResult::FileFailure(fileName, QStringLiteral("could not be saved: %1").arg(error));
        return {};
    } catch (const std::bad_alloc&) {
        return TResult::OutOfMemory(QStringLiteral("save"), fileName);
    }
}

TShowFileResult OpenShowFile(const QString& fileName, std::unique_ptr<TLaserFrames>& target)
{
    try {
        auto show = std::make_unique<TLaserFrames>();
        TShowFileResult result = ReadShowFile(*show, fileName);
        if (!result.outcome.ok)
            return result; // the open show stays as it was
        // Missing, short or foreign files give an empty show: the editor still needs a frame.
        if (show->Count() == 0)
            show->Add();
        target = std::move(show);
        return result;
    } catch (const std::bad_alloc&) {
        return OutOfMemory(fileName);
    }
}

QString WaveFileName(const QString& showFileName)
{
    return showFileName + QStringLiteral(".WAV");
}
