// File menu: new, open, save, import show, recent files, the discard question.
#include "FormUnitMain.h"

#include "FrameList.h"
#include "Prompts.h"
#include "ShowFile.h"

#include <QCoreApplication>
#include <QCursor>
#include <QFileInfo>
#include <QMenu>
#include <QScopedValueRollback>

namespace {

const QString ShowFilter = QStringLiteral("Pudlo file (*.RZ4);;Single pudlo frame (*.RZ4-frame)");

// The folder of a chosen file, with a trailing separator like the stored folders.
QString FolderOf(const QString& fileName)
{
    return QFileInfo(fileName).absolutePath() + QLatin1Char('/');
}

} // namespace

void TFormMain::ConnectFileCommands()
{
    connect(aNewFile, &QAction::triggered, this, &TFormMain::aNewFileExecute);
    connect(aOpenFile, &QAction::triggered, this, &TFormMain::aOpenFileExecute);
    connect(miOpenAgain, &QAction::triggered, this, &TFormMain::miOpenAgainClick);
    connect(aSaveFile, &QAction::triggered, this, &TFormMain::aSaveFileExecute);
    connect(aSaveAsFile, &QAction::triggered, this, [this] { SaveAs(); });
    connect(aImportShow, &QAction::triggered, this, &TFormMain::aImportShowExecute);
    // Ends the program at once: no question, no settings written.
    connect(miExit, &QAction::triggered, this, [] { QCoreApplication::exit(0); });
    for (int n = 0; n < TRecentFiles::Count; ++n)
        connect(miLastFile[n], &QAction::triggered, this, [this, n] { miLastFileClick(n); });
}

bool TFormMain::AskDiscard()
{
    return Prompts.Ask(TMsgIcon::Confirmation,
                       QStringLiteral("Do you really want to discard any changes made to this file?"));
}

TFileDialogRequest TFormMain::ShowFileRequest(const QString& title, const QString& folder,
                                              const QString& fileName) const
{
    return TFileDialogRequest{title, ShowFilter, QStringLiteral("RZ4"), folder, fileName};
}

void TFormMain::aNewFileExecute()
{
    if (Modified && !AskDiscard()) {
        Sketchpad->RedrawSketchpad();
        return;
    }
    Frames->Clear();
    Frames->FileName.clear();
    Frames->Add();
    SoundtrackShowCleared();
    Sketchpad->SetFrameMaximum(0);
    Sketchpad->SetSwitcherCaption(QStringLiteral("0"));
    Sketchpad->SetDocumentCaption(QStringLiteral("new file"));
    lbThumbs->clear();
    lbThumbs->addItem(QString());
    // The frame switch also brings the effect, colour and lock controls to the new frame, and repaints.
    Sketchpad->SetFramePosition(0);
}

void TFormMain::aOpenFileExecute()
{
    const bool goOn = !Modified || AskDiscard();
    OpenDialogFileName.clear();
    if (!goOn)
        return;
    const QString fileName = Prompts.OpenFileName(
        ShowFileRequest(QStringLiteral("Open Pudlo file..."), OpenDir, QString()));
    if (fileName.isEmpty())
        return;
    OpenDir = FolderOf(fileName);
    OpenDialogFileName = fileName;
    if (OpenShow(fileName)) {
        AddRecentFile(fileName);
        Modified = false;
    }
    Sketchpad->RedrawSketchpad();
}

bool TFormMain::OpenShow(const QString& fileName)
{
    // Everything runs on the one UI thread, so no repaint can be under way here.
    Q_ASSERT(!Drawing);
    std::unique_ptr<TLaserFrames> loaded;
    TShowFileResult result;
    {
        const QScopedValueRollback busy(Busy, true);
        result = OpenShowFile(fileName, loaded);
    }
    // A recent file may have gone since it was listed: say so rather than replace the
    // open show by an empty one.
    if (!result.ok || result.missing || !loaded) {
        Prompts.Tell(TMsgIcon::Error, result.message);
        return false;
    }
    Frames = std::move(loaded);
    lbThumbs->SetShow(Frames.get());

    Sketchpad->SetSwitcherCaption(QStringLiteral("0"));
    Sketchpad->SetDocumentCaption(fileName);
    lbThumbs->clear();
    for (int i = 0; i < Frames->Count(); ++i)
        lbThumbs->addItem(Frames->Frame(i).Name);
    Sketchpad->SetFrameMaximum(Frames->Count() - 1);
    const QString imageFile = Frames->Frame(0).ImageFile;
    aLoadBackImg->setText(QStringLiteral("Background image: ") + imageFile);
    if (!imageFile.isEmpty() && QFileInfo(imageFile).isFile())
        SetImageItemsEnabled(true);
    lbThumbs->setCurrentRow(0);
    SoundtrackShowOpened(fileName);
    Sketchpad->SetFramePosition(0);
    ShowWavePresence();
    return true;
}

void TFormMain::ShowWavePresence()
{
    // The compiler names the file with ".WAV"; a file system that tells case apart may
    // hold it under either spelling.
    const QString& name = Frames->FileName;
    SetPlayEnabled(!name.isEmpty()
                   && (QFileInfo(name + QStringLiteral(".WAV")).isFile()
                       || QFileInfo(name + QStringLiteral(".wav")).isFile()));
}

void TFormMain::OpenCommandLineFile(const QString& path)
{
    if (!path.isEmpty() && QFileInfo(path).isFile())
        OpenShow(path);
}

void TFormMain::aSaveFileExecute()
{
    if (!Frames->FileName.isEmpty() && QFileInfo(Frames->FileName).isFile()) {
        if (WriteShow(Frames->FileName))
            Modified = false;
    } else {
        SaveAs();
    }
}

bool TFormMain::SaveAs()
{
    const QString fileName = Prompts.SaveFileName(
        ShowFileRequest(QStringLiteral("Save Pudlo file..."), SaveDir, Frames->FileName));
    if (fileName.isEmpty())
        return false;
    SaveDir = FolderOf(fileName);
    if (!WriteShow(fileName))
        return false;
    AddRecentFile(fileName);
    Frames->FileName = fileName;
    Modified = false;
    return true;
}

bool TFormMain::WriteShow(const QString& fileName)
{
    TShowFileResult result;
    {
        const QScopedValueRollback busy(Busy, true);
        result = WriteShowFile(fileName, *Frames);
    }
    if (!result.ok) {
        Prompts.Tell(TMsgIcon::Error, result.message);
        return false;
    }
    Sketchpad->SetDocumentCaption(fileName);
    SoundtrackShowSaved(fileName);
    Prompts.Tell(TMsgIcon::Confirmation, QStringLiteral("File was saved."));
    return true;
}

void TFormMain::aImportShowExecute()
{
    const QString fileName = Prompts.OpenFileName(
        ShowFileRequest(QStringLiteral("Import Pudlo file..."), OpenDir, OpenDialogFileName));
    if (!fileName.isEmpty() && QFileInfo(fileName).isFile()) {
        OpenDialogFileName = fileName;
        ImportShowFrames(fileName);
        return;
    }
    lbThumbs->RepaintList();
    Sketchpad->RedrawSketchpad();
}

void TFormMain::ImportShowFrames(const QString& fileName)
{
    std::unique_ptr<TLaserFrames> imported;
    TShowFileResult result;
    {
        const QScopedValueRollback busy(Busy, true);
        result = OpenShowFile(fileName, imported);
    }
    if (result.ok && imported)
        ImportFrames(*imported);
    else
        Prompts.Tell(TMsgIcon::Error, result.message);
    lbThumbs->RepaintList();
    Sketchpad->RedrawSketchpad();
}

void TFormMain::ImportFrames(TLaserFrames& imported)
{
    // Last to first, each before the current frame: they keep their order and the
    // first of them ends up at the current index.
    const int index = qBound(0, CurrentFrameIndex(), Frames->Count());
    for (int i = imported.Count() - 1; i >= 0; --i) {
        std::unique_ptr<TLaserFrame> frame = imported.Extract(i);
        const QString name = frame->Name;
        Frames->InsertFrame(std::move(frame), index);
        lbThumbs->insertItem(index, name);
    }
    Sketchpad->SetFrameMaximum(Frames->Count() - 1);
    // The controls follow the frame that is now current.
    Sketchpad->SetFramePosition(index);
}

void TFormMain::miOpenAgainClick()
{
    pmLastFiles->popup(QCursor::pos());
}

void TFormMain::miLastFileClick(int n)
{
    OpenShow(RecentFiles.FileAt(n));
    Sketchpad->RedrawSketchpad();
}

void TFormMain::AddRecentFile(const QString& fileName)
{
    if (RecentFiles.Add(fileName))
        UpdateRecentItems();
}

void TFormMain::UpdateRecentItems()
{
    for (int n = 0; n < TRecentFiles::Count; ++n) {
        miLastFile[n]->setText(RecentFiles.Caption(n));
        miLastFile[n]->setVisible(RecentFiles.Visible(n));
    }
}
