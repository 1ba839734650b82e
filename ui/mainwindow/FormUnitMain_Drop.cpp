// Files dropped on the main window: a show is opened, frames and ILDA files are
// imported before the current frame.
#include "FormUnitMain.h"

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
    // One show replaces the open one; frames and ILDA files may come several at once,
    // but not together with a show.
    if (shows > 0 && files.size() > 1)
        return {};
    return files;
}

void TFormMain::dragEnterEvent(QDragEnterEvent* event)
{
    if (DroppedFiles(event->mimeData()).isEmpty())
        event->ignore();
    else
        event->acceptProposedAction();
}

void TFormMain::dragMoveEvent(QDragMoveEvent* event)
{
    if (DroppedFiles(event->mimeData()).isEmpty())
        event->ignore();
    else
        event->acceptProposedAction();
}

void TFormMain::dropEvent(QDropEvent* event)
{
    const QStringList files = DroppedFiles(event->mimeData());
    if (files.isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
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
        if (DroppedFileKind(files[i]) == TDroppedFile::Ilda)
            ImportIldaFrames(files[i]);
        else
            ImportShowFrames(files[i]);
    }
}
