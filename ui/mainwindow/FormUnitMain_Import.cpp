// the import dialog: commands of the main window.
#include "FormUnitImport.h"
#include "FormUnitMain.h"
#include "HelpWindow.h"

#include <QAction>
#include <QDir>
#include <QFileInfo>

void TFormMain::ConnectImportCommands()
{
    connect(FormImport, &TFormImport::helpRequested, this, [this] {
        // Over the modal import dialog a plain window could not be used: show it modal
        // too for as long as it is open, then give it back its ordinary behaviour.
        if (FormHelp->isVisible() && !FormHelp->isModal())
            FormHelp->hide();
        FormHelp->setWindowModality(Qt::ApplicationModal);
        connect(FormHelp, &QDialog::finished, FormHelp,
                [help = FormHelp] { help->setWindowModality(Qt::NonModal); },
                Qt::SingleShotConnection);
        FormHelp->ShowContents();
    });

    connect(aImportFrame, &QAction::triggered, this, [this] {
        // The first use starts where shows are opened from.
        if (FormImport->Folder().isEmpty())
            FormImport->ChooseFolder(QFileInfo(OpenDir).isDir() ? OpenDir : QDir::homePath());
        FormImport->SetItemView({Colors.Norm[0], Colors.Norm[1], miFlipX->isChecked(), miFlipY->isChecked()});
        FormImport->ClearList();
        if (FormImport->exec() != QDialog::Accepted)
            return;
        const int index = FormImport->SelectedFrame();
        TLaserFrames* imported = FormImport->ImportFrames.get();
        if (!imported || index < 0 || index >= imported->Count())
            return;   // nothing chosen: the loaded show stays for the next use
        std::vector<std::unique_ptr<TLaserFrame>> frames;
        frames.push_back(imported->Extract(index));
        FormImport->ImportFrames.reset();
        Document().InsertFrames(std::move(frames), CurrentFrameIndex(), StepName(aImportFrame->text()));
    });
}
