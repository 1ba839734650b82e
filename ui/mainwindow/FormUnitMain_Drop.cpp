// Files dropped on the main window: a show is opened; frames, ILDA files, SVG
// drawings and pictures are imported before the current frame. A drop is always
// taken as a copy: the file stays where it was.
#include "FormUnitMain.h"

#include "BackgroundWork.h"

#include <QDragEnterEvent>
#include <QDragMoveEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QUrl>

TDroppedFile DroppedFileKind(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix();
    if (suffix.compare(QLatin1String("RZ4"), Qt::CaseInsensitive) == 0)
        return TDroppedFile::Show;
    if (suffix.compare(QLatin1String("RZ4-frame"), Qt::CaseInsensitive) == 0)
        return TDroppedFile::Frame;
    if (suffix.compare(QLatin1String("ild"), Qt::CaseInsensitive) == 0)
        return TDroppedFile::Ilda;
    if (suffix.compare(QLatin1String("svg"), Qt::CaseInsensitive) == 0
        || suffix.compare(QLatin1String("svgz"), Qt::CaseInsensitive) == 0)
        return TDroppedFile::Svg;
    static const QStringList pictures{QStringLiteral("png"), QStringLiteral("jpg"), QStringLiteral("jpeg"),
                                      QStringLiteral("bmp"), QStringLiteral("gif")};
    if (pictures.contains(suffix, Qt::CaseInsensitive))
        return TDroppedFile::Picture;
    return TDroppedFile::None;
}

QStringList DroppedFiles(const QMimeData* mime)
{
    if (!mime || !mime->hasUrls())
        return {};
    QStringList files;
    int shows = 0;
    for (const QUrl& url : mime->urls()) {
        const QString path = url.toLocalFile();
        const TDroppedFile kind = url.isLocalFile() ? DroppedFileKind(path) : TDroppedFile::None;
        if (kind == TDroppedFile::None || !QFileInfo(path).isFile())
            return {};
        shows += kind == TDroppedFile::Show ? 1 : 0;
        files << path;
    }
    // One show replaces the open one; the files imported as frames may come several
    // at once, but not together with a show.
    if (shows > 0 && files.size() > 1)
        return {};
    return files;
}

// Taken as a copy, whatever the source proposed: a file manager that was told "move"
// would delete the file it handed over. A source that only lets its files be moved
// is refused, and so is every drop while an import is still being worked on.
bool AcceptDropAsCopy(QDropEvent* event)
{
    if (BackgroundWorkWaiting() || DroppedFiles(event->mimeData()).isEmpty()
        || !(event->possibleActions() & Qt::CopyAction)) {
        event->ignore();
        return false;
    }
    event->setDropAction(Qt::CopyAction);
    event->accept();
    return true;
}

void TFormMain::dragEnterEvent(QDragEnterEvent* event)
{
    AcceptDropAsCopy(event);
}

void TFormMain::dragMoveEvent(QDragMoveEvent* event)
{
    AcceptDropAsCopy(event);
}

void TFormMain::dropEvent(QDropEvent* event)
{
    if (!AcceptDropAsCopy(event))
        return;
    const QStringList files = DroppedFiles(event->mimeData());
    // The questions and messages must not hold up the program the files came from,
    // which waits for the drop to end.
    QMetaObject::invokeMethod(this, [this, files] { OpenDroppedFiles(files); }, Qt::QueuedConnection);
}

void TFormMain::OpenDroppedFiles(const QStringList& files)
{
    if (files.size() == 1 && DroppedFileKind(files[0]) == TDroppedFile::Show) {
        // As "Open..." does, without the dialog.
        if (IsModified() && !AskDiscard()) {
            RedrawSketchpad();
            return;
        }
        if (OpenShow(files[0]))
            AddRecentFile(files[0]);
        RedrawSketchpad();
        return;
    }
    // Last to first, each before the current frame: they end up in the order dropped.
    for (int i = int(files.size()) - 1; i >= 0; --i) {
        switch (DroppedFileKind(files[i])) {
        case TDroppedFile::Ilda:
            ImportIldaFrames(files[i]);
            break;
        case TDroppedFile::Svg:
            ImportSvgFrame(files[i]);
            break;
        case TDroppedFile::Picture:
            ImportPictureFrame(files[i]);
            break;
        default:
            ImportShowFrames(files[i]);
            break;
        }
    }
}
