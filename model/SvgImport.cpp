#include "SvgImport.h"

#include "OutputFile.h"

#include "PathRecorder.h"

#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QPainter>
#include <QSvgRenderer>
#include <QXmlStreamReader>

#include <cstdio>

namespace {

// Qt SVG reports what it does not support on the message log; those notes are not
// for the user of a command line, so they are kept off it while a drawing is read.
// The handler is the process's one: drawings read on several threads at once share it,
// and the last reader to finish puts the earlier handler back.
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
        if (type != QtFatalMsg && context.category && qstrncmp(context.category, "qt.svg", 6) == 0)
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

bool IsGzip(const QByteArray& data) { return data.size() >= 2 && uchar(data[0]) == 0x1f && uchar(data[1]) == 0x8b; }

// The XML is checked first, for a reason better than "invalid". Compressed drawings
// (.svgz) are left to the renderer.
QString CheckXml(const QByteArray& data)
{
    if (IsGzip(data))
        return {};
    QXmlStreamReader xml(data);
    bool root = false;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && !root) {
            root = true;
            if (xml.name() != QLatin1String("svg"))
                return QStringLiteral("not an SVG drawing: its first element is <%1>, not <svg>").arg(xml.name());
        }
    }
    if (xml.hasError())
        return QStringLiteral("not a readable SVG drawing: line %1, column %2: %3")
            .arg(xml.lineNumber()).arg(xml.columnNumber()).arg(xml.errorString());
    if (!root)
        return QStringLiteral("not an SVG drawing: it holds no element");
    return {};
}

} // namespace

TResult ReadSvgDrawing(const QByteArray& data, TVectorDrawing& drawing)
{
    drawing.clear();
    if (data.trimmed().isEmpty())
        return TResult::Failure(QStringLiteral("the file is empty"));
    if (const QString error = CheckXml(data); !error.isEmpty())
        return TResult::Failure(error);
    const TQuietSvgLog quiet;
    QSvgRenderer renderer;
    if (!renderer.load(data) || !renderer.isValid())
        return TResult::Failure(QStringLiteral("not a readable SVG drawing"));
    TPathRecorder recorder;
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
    if (const TResult read = ReadSvgDrawing(data, drawing); !read.ok)
        return fail(read.message);
    TVectorOptions named = options;
    if (named.Name.isEmpty())
        named.Name = info.completeBaseName();
    result = BuildVectorFrame(drawing, named);
    if (!result.outcome.ok)
        return fail(result.outcome.message);
    return result;
}
