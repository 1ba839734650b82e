// File menu: new, open, save, import show, recent files, the discard question.
#include "FormUnitMain.h"

#include "Prompts.h"
#include "ShowFile.h"

#include <QCoreApplication>
#include <QCursor>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QScopedValueRollback>
#include <algorithm>

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
    connect(miExit, &QAction::triggered, this, &TFormMain::miExitClick);
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

// Ends the program without writing the settings; unsaved changes are asked about first.
void TFormMain::miExitClick()
{
    if (IsModified() && !AskDiscard())
        return;
    QCoreApplication::exit(0);
}

void TFormMain::aNewFileExecute()
{
    if (IsModified() && !AskDiscard()) {
        Sketchpad->RedrawSketchpad();
        return;
    }
    TLaserFrames show;
    show.Add();
    KeepUnreadableSoundtrackOf.clear();
    // The views follow: the frame switch brings the effect, colour and lock controls to
    // the new frame, and repaints.
    Document().ReplaceShow(std::move(show));
}

void TFormMain::aOpenFileExecute()
{
    const bool goOn = !IsModified() || AskDiscard();
    OpenDialogFileName.clear();
    if (!goOn)
        return;
    const QString fileName = Prompts.OpenFileName(
        ShowFileRequest(QStringLiteral("Open Pudlo file..."), OpenDir, QString()));
    if (fileName.isEmpty())
        return;
    OpenDir = FolderOf(fileName);
    OpenDialogFileName = fileName;
    if (OpenShow(fileName))
        AddRecentFile(fileName);
    Sketchpad->RedrawSketchpad();
}

bool TFormMain::OpenShow(const QString& fileName)
{
    std::unique_ptr<TLaserFrames> loaded = LoadShow(fileName);
    if (!loaded)
        return false;
    ShowLoaded(std::move(loaded), fileName);
    return true;
}

std::unique_ptr<TLaserFrames> TFormMain::LoadShow(const QString& fileName)
{
    // Everything runs on the one UI thread, so no repaint can be under way here.
    Q_ASSERT(!Drawing);
    std::unique_ptr<TLaserFrames> loaded;
    TShowFileResult result;
    {
        const QScopedValueRollback busy(Busy, true);
        result = OpenShowFile(fileName, loaded);
    }
    // A file of another kind would open as an empty show under its name, and the next
    // save would overwrite it. A recent file may have gone since it was listed: say so
    // rather than replace the open show by an empty one.
    if (!Succeeded(Prompts, result.ShowOutcome()) || !loaded)
        return nullptr;
    return loaded;
}

void TFormMain::ShowLoaded(std::unique_ptr<TLaserFrames> show, const QString& fileName)
{
    QStringList notes;
    const TSoundtrack soundtrack = ReadShowSoundtrack(fileName, notes);
    const QString imageFile = show->Count() > 0 ? show->Frame(0).ImageFile : QString();
    aLoadBackImg->setText(QStringLiteral("Background image: ") + imageFile);
    // The views follow, down to the frame switch to the first frame.
    Document().ReplaceShow(std::move(*show), soundtrack);
    for (const QString& note : std::as_const(notes))
        SetStatusText(1, note);
    ShowWavePresence();
}

void TFormMain::ShowWavePresence()
{
    // The compiler names the file with ".WAV"; a file system that tells case apart may
    // hold it under either spelling.
    const QString& name = Document().FileName();
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
    const QString fileName = Document().FileName();
    if (!fileName.isEmpty() && QFileInfo(fileName).isFile()) {
        if (WriteShow(fileName))
            Document().MarkSaved();
    } else {
        SaveAs();
    }
}

bool TFormMain::SaveAs()
{
    const QString fileName = Prompts.SaveFileName(
        ShowFileRequest(QStringLiteral("Save Pudlo file..."), SaveDir, Document().FileName()));
    if (fileName.isEmpty())
        return false;
    SaveDir = FolderOf(fileName);
    if (!WriteShow(fileName))
        return false;
    AddRecentFile(fileName);
    Document().SetFileName(fileName);
    Document().MarkSaved();
    return true;
}

bool TFormMain::WriteShow(const QString& fileName)
{
    // The writer fits every link matrix to the point counts. A matrix that is larger than
    // its frame after deleted points keeps the rows an undo of the deletion needs: it goes
    // back as it was once the file is written. Readers see no difference.
    TLaserFrames& show = Show();
    std::vector<std::pair<int, TLinkMatrix>> stale;
    for (int i = 0; i < show.Count(); ++i) {
        const TLaserFrame& frame = show.Frame(i);
        if (frame.Links.Rows() != frame.PointCount() || frame.Links.Cols() != show.PreviousPointCount(i))
            stale.emplace_back(i, frame.Links);
    }
    TResult result;
    {
        const QScopedValueRollback busy(Busy, true);
        result = WriteShowFile(fileName, show);
    }
    for (auto& [index, links] : stale)
        show.Frame(index).Links = std::move(links);
    if (!Succeeded(Prompts, result))
        return false;
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
    }
}

void TFormMain::ImportShowFrames(const QString& fileName)
{
    if (std::unique_ptr<TLaserFrames> imported = LoadShow(fileName))
        ImportFrames(*imported, StepName(aImportShow->text()));
}

void TFormMain::ImportFrames(TLaserFrames& imported, const QString& stepName)
{
    // They go before the current frame in their order; the first of them becomes current.
    std::vector<std::unique_ptr<TLaserFrame>> frames;
    for (int i = imported.Count() - 1; i >= 0; --i)
        frames.push_back(imported.Extract(i));
    std::reverse(frames.begin(), frames.end());
    Document().InsertFrames(std::move(frames), CurrentFrameIndex(), stepName);
}

void TFormMain::miOpenAgainClick()
{
    pmLastFiles->popup(QCursor::pos());
}

void TFormMain::miLastFileClick(int n)
{
    // Read first: a file that is gone or no show is told without asking about the open one.
    const QString fileName = RecentFiles.FileAt(n);
    std::unique_ptr<TLaserFrames> loaded = LoadShow(fileName);
    if (loaded && (!IsModified() || AskDiscard()))
        ShowLoaded(std::move(loaded), fileName);
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
