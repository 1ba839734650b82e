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
#include "Soundtrack.h"

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
class QDropEvent;
class QMimeData;
class QMouseEvent;
class QSettings;
class QToolBar;
class QToolButton;
class QTimer;
class QUndoView;
class TFormDelays;
class TFormStatus;
class TFormHelpLines;
class TFormImport;
class TFormColors;
class TFormPickImage;
class TFormImportOptions;
struct TTraceOptions;
struct TVectorOptions;
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
class TFrameStatusBar;
class TLiveOutputView;
class TMusicPlayer;
class TSettingsStore;
struct TMusicResult;
class TShowSoundtrack;
class TTimelineMusic;
class THelpContexts;
class THelpRequests;

// What a file dropped on the main window is, by its extension.
enum class TDroppedFile { None, Show, Frame, Ilda, Svg, Picture };
TDroppedFile DroppedFileKind(const QString& path);
// The files of a drop the main window takes: one show, or one or more frame, ILDA,
// SVG and picture files, all existing local files; empty for anything else.
QStringList DroppedFiles(const QMimeData* mime);
// Accepts a drag or a drop of such files as a copy; false (and ignored) otherwise.
bool AcceptDropAsCopy(QDropEvent* event);

// The main window: owns the show document (the frames, the soundtrack and the edit
// history) and everything that is not the show (settings, colours, the frame clipboard,
// the tools' state), and hosts the views. The views (sketchpad, frame list, timeline,
// live output, status bar) take the document and follow its signals themselves; the
// commands change the show only through the document and repaint nothing.
// Its commands, menus and bars are made by TFormMainUi (FormUnitMainUi.cpp); the code
// that runs them is split over these files:
//
//   file                          commands and parts of the window
//   FormUnitMain.cpp              the constructor: the left panel (bars, frame list,
//                                 status bar), every dialog, the sketchpad; the Working
//                                 tools bar, Sharpen and Blank; Windows: the panels
//   FormUnitMain_File.cpp         File: New, Open, Open again, Save, Save As, recent
//                                 files, Import show, Exit; the discard question
//   FormUnitMain_History.cpp      Edit: Undo, Redo, the History panel, the title's
//                                 mark of unsaved changes
//   FormUnitMain_Project.cpp      Project: Create wavefile; Settings: Driver delays;
//                                 Help: Help Contents, About
//   FormUnitMain_Soundtrack.cpp   Project: Soundtrack, Remove soundtrack; Frame: Fit
//                                 frames to beats; Settings: Sound outputs; the music
//   FormUnitMain_Beats.cpp        Project > Beats: the corrections of the beats, tap
//                                 tempo; the music lane's gestures
//   FormUnitMain_Frame.cpp        Frame: add, rename, delete, delay, morph, effect
//                                 param, the frame clipboard; effect, colour and lock
//                                 buttons; the frame list's clicks and drags
//   FormUnitMain_Transforms.cpp   Frame: Check frame links, Link overlaying points,
//                                 Helplines, the flips, centre, rotate, scale, set
//                                 centres, renumber; Project: Check all links
//   FormUnitMain_Images.cpp       Frame: Background image, Choose part of image
//   FormUnitMain_Import.cpp       File/Frame: Import frame (the import dialog)
//   FormUnitMain_Content.cpp      File: Import SVG file, Import picture; Frame: Insert
//                                 text frame
//   FormUnitMain_Ilda.cpp         File: Export ILDA file, Import ILDA file
//   FormUnitMain_Playback.cpp     the Playback bar (play, stop, repeat, live, Show
//                                 preview), Frame: Show frame-wave preview, the timeline
//   FormUnitMain_Settings.cpp     Settings: the display switches, image mode, zoom,
//                                 circles, grid; Windows: Optimize size; the settings store
//   FormUnitMain_Colors.cpp       Settings: Frame colors
//   FormUnitMain_Pad.cpp          the sketchpad's and the tools' host, the pad's mouse
//   FormUnitMain_Drop.cpp         files dropped on the window
class TFormMain : public QMainWindow, private TFormMainUi, private TSketchpadHost, private TToolHost {
    Q_OBJECT
public:
    // Reads the settings from `settings`; writes them back only on a regular close.
    // `programDir` is the default folder of the file dialogs.
    TFormMain(QSettings& settings, TPrompts& prompts, const QString& programDir, QWidget* parent = nullptr);
    ~TFormMain() override;

    // A show named on the command line: opened when such a file exists, silently
    // ignored otherwise. The recent files stay as they are.
    void OpenCommandLineFile(const QString& path);
    // Reads a show file into the document. A file that cannot be read or is no show is
    // reported in an error box and the open show stays.
    bool OpenShow(const QString& fileName);

    // The open show and its history.
    TShowDocument& Document() override { return *ShowDocument; }
    const TShowDocument& Document() const { return *ShowDocument; }
    TLaserFrames& Show() { return ShowDocument->Show(); }
    int CurrentFrameIndex() const override { return ShowDocument->CurrentFrameIndex(); }
    // Unsaved changes: the history is not at the state last opened or saved.
    bool IsModified() const { return ShowDocument->IsModified(); }

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // dropped files (FormUnitMain_Drop.cpp)
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // Tests reach the commands, the state and the views through it
    // (tests/common/MainWindowFixture.h).
    friend struct TFormMainTestAccess;

    // --- TSketchpadHost (FormUnitMain_Pad.cpp)
    bool IsBusy() const override { return Busy; }
    void SetDrawing(bool drawing) override { Drawing = drawing; }
    TPadView PadView() const override;
    // Keeps the zoom and shows it in the zoom menu; the caller repaints.
    void SetZoom(int zoom) override;
    void DeleteKeyPressed() override;
    void TimelineRedraw() override;
    void OpenHelpLinesDialog(THelpLinesPage page) override;

    // --- TToolHost (FormUnitMain_Pad.cpp)
    TToolView ToolView() const override;
    void SetBusy(bool busy) override { Busy = busy; }
    void SetStatusText(int panel, const QString& text) override;
    void SetPointStatus(int frame, int point, const QString& text) override;
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

    // construction (FormUnitMain.cpp; the commands, menus and bars: FormUnitMainUi.cpp)
    void CreateLeftPanel();
    void CreateHistoryPanel();
    void CreateDialogs();
    void CreateSketchpad();
    void ConnectPanelSwitch(QAction* item, QWidget* panel);
    // The current frame's controls: effect and colour marks, lock, image modes.
    void FrameSwitched(int index);

    // the sketchpad's tools (FormUnitMain.cpp)
    void ConnectToolCommands();
    void ChoosePointTool(int item);       // a pmPointTools item: image and hint, then a click
    void padMouseDown(QMouseEvent* event);
    void padMouseMove(QMouseEvent* event);
    void padMouseUp(QMouseEvent* event);

    // the Edit menu, the History panel and the title (FormUnitMain_History.cpp)
    void ConnectHistoryCommands();
    void UpdateHistoryTexts();

    // file commands (FormUnitMain_File.cpp)
    void ConnectFileCommands();
    bool AskDiscard();
    // Reads a show; a failure is told and gives null.
    std::unique_ptr<TLaserFrames> LoadShow(const QString& fileName);
    void ShowLoaded(std::unique_ptr<TLaserFrames> show, const QString& fileName);
    TFileDialogRequest ShowFileRequest(const QString& title, const QString& folder,
                                       const QString& fileName) const;
    // Writes the show, tells "File was saved."; a failure is reported and returns false.
    bool WriteShow(const QString& fileName);
    bool SaveAs();                      // false when cancelled or failed
    void AddRecentFile(const QString& fileName);
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
    // Deletes a frame as a step; with only one frame it says why it cannot.
    bool DeleteFrame(int index, const QString& stepName);
    // Inserts all frames of `imported` before the current frame as one step.
    void ImportFrames(TLaserFrames& imported, const QString& stepName);
    void lbThumbsDragDrop(int source, int target);
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
    void miFrameFlipX2Click();
    void miFrameFlipYClick();
    void miFrameFlipDClick();
    void miCenterFrameClick();
    void miRotateFrameClick();
    void miScaleClick();
    void miSetRotPointClick();
    void miRenumClick();
    void CheckLinks(bool allFrames);      // aCheckAllLinks, or aCheckFrameLinks for the current frame
    void miLinkOverlayClick();
    void miHelpLinesClick();
    void FormHelpLinesApplied();
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
    void LiveOutputFailed();

    // import of one frame through the import dialog (FormUnitMain_Import.cpp)
    void ConnectImportCommands();

    // the colours dialog (FormUnitMain_Colors.cpp)
    void ConnectColorCommands();

    // background images and the image-part picker (FormUnitMain_Images.cpp)
    void ConnectImageCommands();
    void aLoadBackImgExecute();
    void miChoosePartClick();

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
    // An SVG drawing as a frame before the current frame, with the options last chosen.
    void ImportSvgFrame(const QString& fileName);
    void aImportPictureExecute();
    // A picture traced into a frame before the current frame, with the options last chosen.
    void ImportPictureFrame(const QString& fileName);
    // Asks how the file becomes a frame; false when cancelled.
    bool AskImportOptions(bool picture, const QString& fileName);
    TVectorOptions ImportVectorOptions() const;
    TTraceOptions ImportTraceOptions() const;
    void aInsertTextExecute();
    // The one way these frames enter the show: before the current frame, as an import.
    void InsertContentFrame(std::unique_ptr<TLaserFrame> frame, const QString& stepName);

    // the soundtrack (FormUnitMain_Soundtrack.cpp)
    void ConnectSoundtrackCommands();
    void WriteSoundtrackSettings(TSettingsStore& store) const;
    void aSoundtrackExecute();
    void aRemoveSoundtrackExecute();
    void aFitFramesToBeatsExecute();
    void miSoundOutputsClick();
    // The soundtrack file of a show about to be opened; notes go to the status bar
    // once the show is in.
    TSoundtrack ReadShowSoundtrack(const QString& fileName, QStringList& notes);
    void SoundtrackShowSaved(const QString& fileName);
    void SoundtrackChanged();
    void ApplySoundOutputs();
    void ConnectSoundtrackPreview();
    QString MusicUnavailable() const;     // why the music cannot play now; empty when it can
    void StartMusic(qint64 showMs);
    void StopMusic();
    void MusicAnalysisEnded(const TMusicResult& result, bool ahead);
    QString KeepUnreadableSoundtrackOf;   // a show whose soundtrack file could not be read
    std::optional<TSoundtrack> PendingSoundtrack;   // chosen, its music being read
    bool MusicSilenceTold = false;        // the show played without its music: said once

    // the beats (FormUnitMain_Beats.cpp)
    void ConnectBeatsCommands();
    // The beats the show goes by: the corrected ones, else the tracker's; none while
    // neither is known.
    std::optional<TBeatGrid> ShowBeats() const;
    // ShowBeats, or a box saying why there are none (`doing`: what waits for them).
    std::optional<TBeatGrid> BeatsAtHand(const QString& doing);
    double MusicSeconds() const;          // the music's length; 0 while unknown
    // Where the beat commands act (music seconds): the music heard now while it
    // plays, else the start of the current frame.
    double BeatCommandTime() const;
    void BeatsChanged();                  // the lane and the ruler follow
    // One step of the corrected beats, unless the correction changes nothing.
    void CorrectBeats(const QAction* command, const std::function<TBeatGrid(const TBeatGrid&)>& correction);
    void CorrectBeats(const QString& stepName, const std::function<TBeatGrid(const TBeatGrid&)>& correction);
    void ShowBeatsStep();                 // the status line after a correction
    void aTapTempoExecute();
    void TapAt(double seconds);           // a tap heard at this music time
    void FinishTapping();                 // the tapped tempo becomes the beats
    std::vector<double> Taps;
    QTimer* TapTimer = nullptr;

    // project commands (FormUnitMain_Project.cpp)
    void ConnectProjectCommands();
    void aCreateWavefileExecute();
    void miDelaysClick();
    void SetPlayEnabled(bool enabled);

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
    TColorSettings Colors;
    TScanDelays ScanDelays;
    TRecentFiles RecentFiles;
    QString OpenDir, SaveDir;           // initial folders of the open and save dialogs
    QString OpenDialogFileName;         // the open dialog's file name; import keeps it
    TSoundOutputs SoundOutputs;
    int EffectMark = 0;                 // the pmEffect item that carries the radio mark
    bool FirstShow = true;
    bool HistoryPanelFirstShown = true;
    QByteArray SavedLayout;             // the window's layout as last saved, until it is shown
    QSettings& Settings;
    TPrompts& Prompts;
    QString ProgramDir;

    // --- the views and panels
    QDockWidget* panelLeft = nullptr;       // the bars, the frame list and the status bar
    QMainWindow* LeftPanelWindow = nullptr; // lays them out inside panelLeft
    TFrameList* lbThumbs = nullptr;
    QDockWidget* panelHistory = nullptr;    // "History": the steps, undone and done
    QUndoView* lvHistory = nullptr;
    TFrameStatusBar* sbFrame = nullptr;
    QMdiArea* mdiArea = nullptr;
    QMdiSubWindow* SketchpadWindow = nullptr;
    TFormSketchpad* Sketchpad = nullptr;
    TTimeline* Timeline = nullptr;          // toolwinTimeline, docked at the bottom
    TLiveOutputView* LiveOutput = nullptr;  // loops the current frame while tbLive is down

    // --- dialogs and players
    TFormStatus* FormStatus = nullptr;
    TFormDelays* FormDelays = nullptr;
    THelpWindow* FormHelp = nullptr;
    TFormImport* FormImport = nullptr;
    TFormColors* FormColors = nullptr;
    TFormPickImage* FormPickImage = nullptr;
    TFormHelpLines* FormHelpLines = nullptr;
    TFormText* FormText = nullptr;
    TFormImportOptions* FormImportOptions = nullptr;  // made on first use; keeps its choices
    TFormDebug* FormDebug = nullptr;        // "Demowave", the frame-wave preview
    TFormPreview* FormPreview = nullptr;    // "Show preview"
    TFormSoundtrack* FormSoundtrack = nullptr;
    TFormSoundOutputs* FormSoundOutputs = nullptr;
    TShowPlayback* Playback = nullptr;      // tbPlay, tbStop and tbRepeat over the player mpPreview
    TSoundFailureNotice* SoundFailure = nullptr;  // made at the live output's first failure
    TShowSoundtrack* ShowMusic = nullptr;   // the analysis of the soundtrack's music
    TMusicPlayer* MusicPlayer = nullptr;    // plays it beside the show
    TTimelineMusic* TimelineMusic = nullptr;
    QProgressBar* pgMusic = nullptr;        // the analysis' progress in the status bar
    QToolButton* bnMusicCancel = nullptr;
};
