// ILDA exchange: commands of the main window.
#include "FormUnitMain.h"

#include "FrameList.h"
#include "IldaFile.h"
#include "Prompts.h"

#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QScopedValueRollback>

namespace {

const QString IldaFilter = QStringLiteral("ILDA files (*.ild);;All files (*)");

// The menu of the bar or of `parent` whose title is `title`.
QMenu* FindMenu(const QList<QAction*>& actions, const QString& title)
{
    for (QAction* action : actions)
        if (action->menu() && action->menu()->title() == title)
            return action->menu();
    return nullptr;
}

// Puts `item` right after `after` in `menu`, or at its end when `after` is not in it.
void InsertAfter(QMenu* menu, QAction* after, QAction* item)
{
    const QList<QAction*> items = menu->actions();
    const qsizetype at = items.indexOf(after);
    if (at >= 0 && at + 1 < items.size())
        menu->insertAction(items[at + 1], item);
    else
        menu->addAction(item);
}

TLaserColors LaserColors(const TColorSettings& colors)
{
    return {colors.Norm[0].rgb(), colors.Norm[1].rgb()};
}

} // namespace

void TFormMain::ConnectIldaCommands()
{
    aImportIlda = NewAction(QStringLiteral("aImportIlda"), QStringLiteral("Import &ILDA file..."),
                            QStringLiteral("Import the frames of an ILDA file"));
    aExportIlda = NewAction(QStringLiteral("aExportIlda"), QStringLiteral("Export &ILDA file..."),
                            QStringLiteral("Export the show as an ILDA file"));
    if (QMenu* file = FindMenu(menuBar()->actions(), QStringLiteral("&File"))) {
        // Beside the other ways of writing the show.
        InsertAfter(file, aSaveAsFile, aExportIlda);
        if (QMenu* import = FindMenu(file->actions(), QStringLiteral("&Import")))
            InsertAfter(import, aImportShow, aImportIlda);
    }
    connect(aImportIlda, &QAction::triggered, this, &TFormMain::aImportIldaExecute);
    connect(aExportIlda, &QAction::triggered, this, &TFormMain::aExportIldaExecute);
}

void TFormMain::aImportIldaExecute()
{
    const QString fileName = Prompts.OpenFileName(
        TFileDialogRequest{QStringLiteral("Import ILDA file..."), IldaFilter, QStringLiteral("ild"), OpenDir, {}});
    if (!fileName.isEmpty()) {
        TIldaImportOptions options;
        options.Colors = LaserColors(Colors);
        TLaserFrames imported;
        TIldaFileResult result;
        {
            const QScopedValueRollback busy(Busy, true);
            result = ImportIldaFile(fileName, imported, options);
        }
        // The frames go before the current one, as "Import show" puts them. Unlike a
        // show, an ILDA file cannot take them back: the show now needs saving.
        if (result.ok) {
            ImportFrames(imported);
            Modified = true;
            SetStatusText(1, QStringLiteral("%1 frames imported from %2")
                                 .arg(result.frames).arg(QFileInfo(fileName).fileName()));
        } else {
            Prompts.Tell(TMsgIcon::Error, result.message);
        }
    }
    lbThumbs->RepaintList();
    RedrawSketchpad();
}

void TFormMain::aExportIldaExecute()
{
    // Offer the show's own name with the ILDA extension.
    QString suggested;
    if (!Frames->FileName.isEmpty()) {
        const QFileInfo show(Frames->FileName);
        suggested = show.dir().filePath(show.completeBaseName() + QStringLiteral(".ild"));
    }
    const QString fileName = Prompts.SaveFileName(
        TFileDialogRequest{QStringLiteral("Export ILDA file..."), IldaFilter, QStringLiteral("ild"), SaveDir, suggested});
    if (fileName.isEmpty())
        return;
    TIldaExportOptions options;
    options.Colors = LaserColors(Colors);
    const TIldaFileResult result = ExportIldaFile(fileName, *Frames, options);
    if (!result.ok) {
        Prompts.Tell(TMsgIcon::Error, result.message);
        return;
    }
    SetStatusText(1, QStringLiteral("%1 frames exported to %2").arg(result.frames).arg(QFileInfo(fileName).fileName()));
}
