// ILDA exchange: commands of the main window.
#include "FormUnitMain.h"

#include "BackgroundWork.h"
#include "FrameList.h"
#include "FrameStatusBar.h"
#include "IldaFile.h"
#include "Prompts.h"

#include <QDir>
#include <QFileInfo>

#include <memory>

namespace {

const QString IldaFilter = QStringLiteral("ILDA files (*.ild);;All files (*)");

TLaserColors LaserColors(const TColorSettings& colors)
{
    return {colors.Norm[0].rgb(), colors.Norm[1].rgb()};
}

} // namespace

void TFormMain::ConnectIldaCommands()
{
    connect(aImportIlda, &QAction::triggered, this, &TFormMain::aImportIldaExecute);
    connect(aExportIlda, &QAction::triggered, this, &TFormMain::aExportIldaExecute);
}

void TFormMain::aImportIldaExecute()
{
    const QString fileName = Prompts.OpenFileName(
        TFileDialogRequest{QStringLiteral("Import ILDA file..."), IldaFilter, QStringLiteral("ild"), OpenDir, {}});
    if (!fileName.isEmpty()) {
        ImportIldaFrames(fileName);
        return;
    }
    lbThumbs->RepaintList();
    RedrawSketchpad();
}

void TFormMain::ImportIldaFrames(const QString& fileName)
{
    TIldaImportOptions options;
    options.Colors = LaserColors(Colors);
    // Read on a thread of its own; a cancelled import is dropped with its frames.
    auto imported = std::make_shared<TLaserFrames>();
    auto read = std::make_shared<TIldaFileResult>();
    if (!RunInBackground(this, QStringLiteral("Importing %1...").arg(QFileInfo(fileName).fileName()),
                         [=] { *read = ImportIldaFile(fileName, *imported, options); }))
        return;
    const TIldaFileResult& result = *read;
    if (!Succeeded(Prompts, result.outcome))
        return;
    // The frames go before the current one, as "Import show" puts them.
    ImportFrames(*imported, StepName(aImportIlda->text()));
    sbFrame->SetStepText(QStringLiteral("%1 imported from %2")
                             .arg(CountText(result.frames, QLatin1String("frame")))
                             .arg(QFileInfo(fileName).fileName()));
}

void TFormMain::aExportIldaExecute()
{
    // Offer the show's own name with the ILDA extension.
    QString suggested;
    if (!Document().FileName().isEmpty()) {
        const QFileInfo show(Document().FileName());
        suggested = show.dir().filePath(show.completeBaseName() + QStringLiteral(".ild"));
    }
    const QString fileName = Prompts.SaveFileName(
        TFileDialogRequest{QStringLiteral("Export ILDA file..."), IldaFilter, QStringLiteral("ild"), SaveDir, suggested});
    if (fileName.isEmpty())
        return;
    TIldaExportOptions options;
    options.Colors = LaserColors(Colors);
    const TIldaFileResult result = ExportIldaFile(fileName, Show(), options);
    if (!Succeeded(Prompts, result.outcome))
        return;
    // Success is said in the status bar: a box would only be clicked away.
    SetStatusText(1, QStringLiteral("%1 written to %2")
                         .arg(CountText(result.frames, QLatin1String("frame")))
                         .arg(QDir::toNativeSeparators(fileName)));
}
