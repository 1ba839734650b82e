#pragma once

#include "FormUnitMainUi.h"
#include "FormUnitPad.h"
#include "LaserFrames.h"
#include "PadTools.h"
#include "ProgramSettings.h"
#include "RecentFiles.h"
#include "ScanDelays.h"
#include "FormUnitSoundOutputs.h"
#include "ShowDocument.h"

#include <QMainWindow>
#include <array>
#include <functional>
#include <memory>
#include <optional>

class QActionGroup;
class QDockWidget;
class QLabel;
class QMdiArea;
class QMdiSubWindow;
class QMenu;
class QMimeData;
class QMouseEvent;
class QSettings;
class QStatusBar;
class QToolBar;
class QToolButton;
class QUndoView;
class TFormDelays;
class TFormStatus;
class TFormHelpLines;
class TFormImport;
class TFormColors;
class TFormPickImage;
class TFormText;
class TFrameList;
class THelpWindow;
class TPrompts;
struct TFileDialogRequest;
class TAudioPlayer;
class TFormDebug;
class TFormPreview;
class TShowPlayback;
class TSoundFailureNotice;
class TTimeline;
class QProgressBar;
class TFormSoundOutputs;
class TFormSoundtrack;
class TMusicPlayer;
class TSettingsStore;
struct TSoundtrack;
class TShowSoundtrack;
class TTimelineMusic;

// What a file dropped on the main window is, by its extension.
enum class TDroppedFile { None, Show, Frame, Ilda };
TDroppedFile DroppedFileKind(const QString& path);
// The files of a drop the main window takes: one show, or one or more frame and ILDA
// files, all existing local files; empty for anything else.
QStringList DroppedFiles(const QMimeData* mime);

// The main window: owns the show document (the frames with their edit history) and
// everything that is not a single frame (settings, colours, the frame clipboard, the
// tools' state) and hosts the sketchpad and its tools.
// Its commands, menus and bars are made by TFormMainUi (FormUnitMainUi.cpp); the code
// that runs them is split over these files:
//
//   file                          commands and parts of the window
//   FormUnitMain.cpp              the constructor: frame list, status bar, every dialog,
//                                 the sketchpad; the Working tools bar, Sharpen and
//                                 Blank; Windows: the panels
//   FormUnitMain_File.cpp         File: New, Open, Open again, Save, Save As, recent
//                                 files, Import show, Exit; the discard question
//   FormUnitMain_History.cpp      Edit: Undo, Redo, the History panel; how the windows
//                                 follow the document
//   FormUnitMain_Project.cpp      Project: Create wavefile; Settings: Driver delays;
//                                 Help: Help Contents, About
//   FormUnitMain_Soundtrack.cpp   Project: Soundtrack, Remove soundtrack; Frame: Fit
//                                 frames to beats; Settings: Sound outputs; the music
//   FormUnitMain_Frame.cpp        Frame: add, rename, delete, delay, morph, effect
//                                 param, the frame clipboard; effect, colour and lock
//                                 buttons; the frame list's clicks and drags
//   FormUnitMain_Transforms.cpp   Frame: Check frame links, Link overlaying points,
//                                 Helplines, the flips, centre, rotate, scale, set
//                                 centres, renumber; Project: Check all links
//   FormUnitMain_Images.cpp       Frame: Background image, Choose part of image
//   FormUnitMain_Import.cpp       File/Frame: Import frame (the import dialog)
//   FormUnitMain_Content.cpp      File: Import SVG file; Frame: Insert text frame
//   FormUnitMain_Ilda.cpp         File: Export ILDA file, Import ILDA file
//   FormUnitMain_Playback.cpp     the Playback bar (play, stop, repeat, live, Show
//                                 preview), Frame: Show frame-wave preview, the timeline
//   FormUnitMain_Settings.cpp     Settings: the display switches, image mode, zoom,
//                                 circles, grid; Windows: Optimize size; the settings store
//   FormUnitMain_Colors.cpp       Settings: Frame colors
//   FormUnitMain_Pad.cpp          the sketchpad's and the tools' host, the pad's mouse
//   FormUnitMain_Drop.cpp         files dropped on the window
class TFormMain : public QMainWindow, public TFormMainUi, public TSketchpadHost, public TToolHost {
    Q_OBJECT
public:
    // Reads the settings from `settings`; writes them back only on a regular close.
    // `programDir` is the default folder of the file dialogs.
    TFormMain(QSettings& settings, TPrompts& prompts, const QString& programDir, QWidget* parent = nullptr);
    ~TFormMain() override;

    // A show named on the command line: opened when such a file exists, silently
    // ignored otherwise. The recent files stay as they are.
    void OpenCommandLineFile(const QString& path);

    // --- TSketchpadHost
    TLaserFrames& Show() override { return ShowDocument->Show(); }
    bool IsBusy() const override { return Busy; }
    void SetDrawing(bool drawing) override { Drawing = drawing; }
    TPadView PadView() const override;
    void FrameSwitched(int index) override;
    void TrimFrameList(int frameCount) override;
    // Keeps the zoom and shows it in the zoom menu; the caller repaints.
    void SetZoom(int zoom) override;
    void BeginHelpLinesGesture(const QString& name) override;
    void EndHelpLinesGesture(const QString& name) override;
    void DeleteKeyPressed() override;

    // --- TToolHost
    TShowDocument& Document() override { return *ShowDocument; }
    // The document's current frame, shown in the sketchpad's frame switcher.
    int CurrentFrameIndex() const override;
    TToolView ToolView() const override;
    void SetBusy(bool busy) override { Busy = busy; }
    void SetStatusText(int panel, const QString& text) override;
    void RedrawSketchpad() override;
    void RefreshLiveOutput() override;
    void ZoomInAt(int px, int py) override;
    void ZoomOut() override;
    void SetPadCursor(int cursor) override;
    void ShowPointFlags(bool sharp, bool blank) override;
    std::optional<QString> InputText(const QString& caption, const QString& prompt,
                                     const QString& text) override;
    void Warn(const QString& text) override;

    // The view transform of the pad as it is scrolled now.
    TPadTransform PadTransform() const;
    bool ValidFrameIndex(int index) const { return index >= 0 && index < ShowDocument->FrameCount(); }
    // Unsaved changes: the history is not at the state last opened or saved.
    bool IsModified() const { return ShowDocument->IsModified(); }

    // Deletes a frame as a step; with only one frame it says why it cannot.
    bool DeleteFrame(int index, const QString& stepName);

    // Reads a show file into the document and brings every window up to date. A file
    // that cannot be read or is no show is reported in an error box and the open show stays.
    bool OpenShow(const QString& fileName);
    // Writes the show, tells "File was saved."; a failure is reported and returns false.
    bool WriteShow(const QString& fileName);
    bool SaveAs();                      // false when cancelled or failed
    void AddRecentFile(const QString& fileName);

    // Frame list events.
    void lbThumbsClick(int index);
    void lbThumbsDragDrop(int source, int target);

    // --- state
    TShowDocument* ShowDocument = nullptr;   // the open show and its history
    std::unique_ptr<TLaserFrame> ClipboardFrame;
    // Tool, CurrentPoint, MultiSelect, the drag, the undo record and the equilateral tool.
    TToolState State;
    TPadTools PadTools{*this, State};
    TPointToolsButton PointToolsButton;   // tbPointTools' image and hint
    int CircleSize = 3;
    int Zoom = 2;
    int GridSize = 16;
    bool Busy = false;
    bool Drawing = false;
    bool PadEditing = false;            // a pad gesture is handled: it repaints the pad itself
    TColorSettings Colors;
    TScanDelays ScanDelays;
    TRecentFiles RecentFiles;
    QString OpenDir, SaveDir;           // initial folders of the open and save dialogs
    QString OpenDialogFileName;         // the open dialog's file name; import keeps it

    // --- other components
    QDockWidget* panelLeft = nullptr;
    TFrameList* lbThumbs = nullptr;
    QDockWidget* panelHistory = nullptr;    // "History": the steps, undone and done
    QUndoView* lvHistory = nullptr;
    QStatusBar* sbFrame = nullptr;
    QLabel* sbFramePos = nullptr;       // panel 0: pointer position
    QLabel* sbFrameMessage = nullptr;   // panel 1: messages of the sketchpad
    QMdiArea* mdiArea = nullptr;
    QMdiSubWindow* SketchpadWindow = nullptr;
    TFormSketchpad* Sketchpad = nullptr;
    TFormStatus* FormStatus = nullptr;
    TFormDelays* FormDelays = nullptr;
    THelpWindow* FormHelp = nullptr;

    // --- playback, live output, wave previews and the timeline (FormUnitMain_Playback.cpp)
    TTimeline* Timeline = nullptr;          // toolwinTimeline, docked at the bottom
    TShowPlayback* Playback = nullptr;      // tbPlay, tbStop and tbRepeat over the player mpPreview
    TAudioPlayer* LivePlayer = nullptr;     // loops LiveStream while tbLive is down
    QByteArray LiveStream;                  // the WAV image of the current frame's live loop
    TFormDebug* FormDebug = nullptr;        // "Demowave", the frame-wave preview
    TFormPreview* FormPreview = nullptr;    // "Show preview"
    TSoundFailureNotice* SoundFailure = nullptr;  // made at the live output's first failure
    void TimelineRedraw() override;

    // --- the soundtrack (FormUnitMain_Soundtrack.cpp)
    TShowSoundtrack* ShowMusic = nullptr;   // the soundtrack and its analysis
    TMusicPlayer* MusicPlayer = nullptr;    // plays it beside the show
    TTimelineMusic* TimelineMusic = nullptr;
    TFormSoundtrack* FormSoundtrack = nullptr;
    TFormSoundOutputs* FormSoundOutputs = nullptr;
    QProgressBar* pgMusic = nullptr;        // the analysis' progress in the status bar
    QToolButton* bnMusicCancel = nullptr;
    TSoundOutputs SoundOutputs;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // dropped files (FormUnitMain_Drop.cpp)
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // construction (FormUnitMain.cpp; the commands, menus and bars: FormUnitMainUi.cpp)
    void CreateFrameList();
    void CreateHistoryPanel();
    void CreateStatusBar();
    void CreateDialogs();
    void CreateSketchpad();
    void ConnectPanelSwitch(QAction* item, QWidget* panel);

    // the sketchpad's tools (FormUnitMain.cpp)
    void ConnectToolCommands();
    void ChoosePointTool(int item);       // a pmPointTools item: image and hint, then a click
    void padMouseDown(QMouseEvent* event);
    void padMouseMove(QMouseEvent* event);
    void padMouseUp(QMouseEvent* event);

    // the Edit menu and the windows following the document (FormUnitMain_History.cpp)
    void ConnectHistoryCommands();
    void DocumentFrameChanged(int index, TShowChanges what);
    void DocumentFramesChanged();
    void SyncFrameList();                 // one entry per frame, each with its frame's name
    void UpdateHistoryTips();
    void ShowReplaced(const QString& caption);   // "new file" or the file's full name

    // file commands (FormUnitMain_File.cpp)
    void ConnectFileCommands();
    bool AskDiscard();
    // Reads a show; a failure is told and gives null.
    std::unique_ptr<TLaserFrames> LoadShow(const QString& fileName);
    void ShowLoaded(std::unique_ptr<TLaserFrames> show, const QString& fileName);
    TFileDialogRequest ShowFileRequest(const QString& title, const QString& folder,
                                       const QString& fileName) const;
    void aNewFileExecute();
    void aOpenFileExecute();
    void aSaveFileExecute();
    void aImportShowExecute();
    void ImportShowFrames(const QString& fileName);   // a show's frames before the current frame
    void miOpenAgainClick();
    void miLastFileClick(int n);
    void miExitClick();
    void UpdateRecentItems();
    void ShowWavePresence();

    // frame commands (FormUnitMain_Frame.cpp)
    void ConnectFrameCommands();
    TLaserFrame* CurrentFrame();
    // Runs `change` on the current frame as the step named after `command`'s caption.
    // `scope` is what the change may touch (see TShowDocument::EditFrame).
    bool EditCurrentFrame(const QAction* command, const std::function<void(TLaserFrame&)>& change,
                          TShowChanges scope);
    bool EditCurrentFrame(const QString& stepName, const std::function<void(TLaserFrame&)>& change,
                          TShowChanges scope);
    // An input box whose answer is read as a decimal integer; nullopt when cancelled or not a number.
    std::optional<int> AskInteger(const QString& caption, const QString& prompt, int current);
    // Inserts all frames of `imported` before the current frame as one step.
    void ImportFrames(TLaserFrames& imported, const QString& stepName);
    bool ConfirmFrameMove(int source);
    void aAddFrameExecute();
    void aRenameFrameExecute();
    void AskFrameNumber(const QAction* command, const QString& caption, const QString& prompt,
                        quint16 TLaserFrame::*field);
    void aFrameEffectParamExecute();
    void aDeleteFrameExecute();
    void miEffectClick(int effect);
    void aEffectStepExecute();
    void CheckEffectItem(int effect);
    void SetFrameColor(int color);
    void aColorSwitchExecute();
    void aLockExecute();
    void aCopyFrameToClipboardExecute();
    void aCutFrameToClipboardExecute();
    void aPasteFrameFromClipboardExecute();

    // settings (FormUnitMain_Settings.cpp)
    void ConnectSettingsCommands();
    void ReadSettings();
    void ApplySettings(const TProgramSettings& settings);
    void ApplyColorNames();
    TProgramSettings CollectSettings() const;
    void WriteSettings();
    void UpdateThumbView();
    void ZoomTo(int zoom);                // the zoom menus: SetZoom and repaint
    void SetCircleSize(int size);
    void SetGridSize(int size, bool fromMenu);
    void miZoomClick();
    void miCirclesClick();
    void miGridClick();
    void miGridCustomClick();
    void miOptimizeClick(int zoom);
    void SetImageItemsEnabled(bool enabled);

    // frame transforms, link checks and help lines (FormUnitMain_Transforms.cpp)
    void ConnectTransformCommands();
    void RunFrameCommand(int command);    // an entry of FrameCommandTable() on the current frame
    void CheckLinks(bool allFrames);      // aCheckAllLinks, or aCheckFrameLinks for the current frame
    void miLinkOverlayClick();
    void miHelpLinesClick();
    void OpenHelpLinesDialog(THelpLinesPage page) override;
    void FormHelpLinesApplied();
    TFormHelpLines* FormHelpLines = nullptr;
    // The dialog edits a copy of the frame's lines; each apply becomes a step.
    THelpLines HelpLinesWork;
    int HelpLinesFrame = -1;

    // playback, live output, wave previews and the timeline (FormUnitMain_Playback.cpp)
    void ConnectPlaybackCommands();
    void aPlayShowExecute();
    void aShowPreviewExecute();
    void PlaybackButtonsChanged(bool playEnabled, bool stopEnabled);
    QString ShowWaveFile() const;         // the compiled show's file; empty when there is none
    bool ShowPlaying() const;
    void ShowLivePassNote(bool tooLong);
    void ShowSignalWarning(TAudioPlayer& player);

    // import of one frame through the import dialog (FormUnitMain_Import.cpp)
    void ConnectImportCommands();
    TFormImport* FormImport = nullptr;

    // the colours dialog (FormUnitMain_Colors.cpp)
    void ConnectColorCommands();
    TFormColors* FormColors = nullptr;

    // background images and the image-part picker (FormUnitMain_Images.cpp)
    void ConnectImageCommands();
    void aLoadBackImgExecute();
    void miChoosePartClick();
    TFormPickImage* FormPickImage = nullptr;

    // ILDA exchange (FormUnitMain_Ilda.cpp)
    void ConnectIldaCommands();
    void aImportIldaExecute();
    void ImportIldaFrames(const QString& fileName);   // an ILDA file's frames before the current frame
    void aExportIldaExecute();

    // dropped files (FormUnitMain_Drop.cpp)
    void OpenDroppedFiles(const QStringList& files);

    // drawings and text as frames (FormUnitMain_Content.cpp)
    void ConnectContentCommands();
    void aImportSvgExecute();
    void aInsertTextExecute();
    // The one way these frames enter the show: before the current frame, as an import.
    void InsertContentFrame(std::unique_ptr<TLaserFrame> frame, const QString& stepName);
    TFormText* FormText = nullptr;

    // the soundtrack (FormUnitMain_Soundtrack.cpp)
    void ConnectSoundtrackCommands();
    void WriteSoundtrackSettings(TSettingsStore& store) const;
    void aSoundtrackExecute();
    void aRemoveSoundtrackExecute();
    // Chooses or removes the soundtrack as one step of the history.
    void ChangeSoundtrack(const TSoundtrack& track, const QString& stepName);
    void aFitFramesToBeatsExecute();
    void miSoundOutputsClick();
    void SoundtrackShowOpened(const QString& fileName);
    void SoundtrackShowSaved(const QString& fileName);
    void SoundtrackShowCleared();
    void ApplySoundOutputs();
    void ConnectSoundtrackPreview();
    QString MusicUnavailable() const;     // why the music cannot play now; empty when it can
    void StartMusic(qint64 showMs);
    void StopMusic();
    QString KeepUnreadableSoundtrackOf;   // a show whose soundtrack file could not be read

    // project commands (FormUnitMain_Project.cpp)
    void ConnectProjectCommands();
    void aCreateWavefileExecute();
    void miDelaysClick();
    void SetPlayEnabled(bool enabled);

    QSettings& Settings;
    TPrompts& Prompts;
    QString ProgramDir;
    int EffectMark = 0;                 // the pmEffect item that carries the radio mark
};
