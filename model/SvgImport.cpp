#include "SvgImport.h"

#include "OutputFile.h"

#include "PathRecorder.h"

#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QPainter>
#include <QSvgRenderer>

#include <cstdio>

namespace {

// Qt SVG (and the text layout under it) reports what it does not support or cuts on
// the message log; those notes are not for the user of a command line, so every note
// but a fatal one is kept off it while a drawing is read. The handler is the
// process's one: drawings read on several threads at once share it, and the last
// reader to finish puts the earlier handler back.
class TQuietSvgLog {
public:
    TQuietSvgLog()
    {
        const QMutexLocker lock(&FMutex);
        if (FReaders++ == 0)
            FPrevious = qInstallMessageHandler(&Filter);
    }
    ~TQuietSvgLog()
    {
        const QMutexLocker lock(&FMutex);
        if (--FReaders == 0) {
            qInstallMessageHandler(FPrevious);
            FPrevious = nullptr;
        }
    }
    TQuietSvgLog(const TQuietSvgLog&) = delete;
    TQuietSvgLog& operator=(const TQuietSvgLog&) = delete;

private:
    static void Filter(QtMsgType type, const QMessageLogContext& context, const QString& text)
    {
        if (type != QtFatalMsg)
            return;
        QtMessageHandler previous = nullptr;
        {
            const QMutexLocker lock(&FMutex);
            previous = FPrevious;
        }
        if (previous && previous != &Filter)
            previous(type, context, text);
        else
            std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, text)));
    }

    static inline QMutex FMutex;
    static inline int FReaders = 0;
    static inline QtMessageHandler FPrevious = nullptr;
};

} // namespace

TResult ReadSvgDrawing(const QByteArray& data, TVectorDrawing& drawing, int* picturesSkipped)
{
    drawing.clear();
    if (picturesSkipped)
        *picturesSkipped = 0;
    if (data.trimmed().isEmpty())
        return TResult::Failure(QStringLiteral("the file is empty"));
    TSvgSource source;
    if (const TResult prepared = PrepareSvg(data, source); !prepared.ok)
        return prepared;
    if (picturesSkipped)
        *picturesSkipped = source.PicturesSkipped;
    const TQuietSvgLog quiet;
    QSvgRenderer renderer;
    if (!renderer.load(source.Xml) || !renderer.isValid())
        return TResult::Failure(QStringLiteral("not a readable SVG drawing"));
    TPathRecorder recorder;
    recorder.SetSubstitutes(std::move(source.LongPaths));
    {
        QPainter painter(&recorder);
        // The document's own units, so the drawing keeps its proportions.
        const QRectF box = renderer.viewBoxF();
        if (box.isValid() && !box.isEmpty())
            renderer.render(&painter, box);
        else
            renderer.render(&painter);
    }
    drawing = recorder.TakeDrawing();
    return {};
}

QString SkippedPicturesNote(int pictures)
{
    if (pictures <= 0)
        return {};
    return pictures == 1 ? QStringLiteral("pictures inside an SVG are skipped (1 left out)")
                         : QStringLiteral("pictures inside an SVG are skipped (%1 left out)").arg(pictures);
}

TVectorFrameResult ImportSvgFile(const QString& fileName, const TVectorOptions& options)
{
    TVectorFrameResult result;
    const auto fail = [&](const QString& what) {
        result.outcome = TResult::FileFailure(fileName, what);
        return std::move(result);
    };
    const QFileInfo info(fileName);
    if (const QString problem = InputFileProblem(fileName); !problem.isEmpty())
        return fail(problem);
    if (info.size() > MaxSvgFileSize)
        return fail(QStringLiteral("the file is too large for an SVG drawing (more than %1 bytes)").arg(MaxSvgFileSize));
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return fail(file.errorString());
    const QByteArray data = file.read(MaxSvgFileSize + 1);
    if (file.error() != QFileDevice::NoError)
        return fail(file.errorString());
    if (data.size() > MaxSvgFileSize)
        return fail(QStringLiteral("the file is too large for an SVG drawing (more than %1 bytes)").arg(MaxSvgFileSize));

    TVectorDrawing drawing;
    int pictures = 0;
    if (const TResult read = ReadSvgDrawing(data, drawing, &pictures); !read.ok)
        return fail(read.message);
    TVectorOptions named = options;
    if (named.Name.isEmpty())
        named.Name = info.completeBaseName();
    result = BuildVectorFrame(drawing, named);
    result.PicturesSkipped = pictures;
    if (!result.outcome.ok) {
        // A drawing of nothing but pictures: say where they went.
        const QString note = SkippedPicturesNote(pictures);
        return fail(note.isEmpty() ? result.outcome.message : result.outcome.message + QStringLiteral("; ") + note);
    }
    return result;
}
