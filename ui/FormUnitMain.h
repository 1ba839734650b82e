#pragma once

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
// Its code is split by menu: FormUnitMain.cpp builds the window and serves the sketchpad
// and its tools, the _File, _Frame, _Settings and _Project files hold the commands, and
// _History the Edit menu and how the windows follow the document.
class TFormMain : public QMainWindow, public TSketchpadHost, public TToolHost {
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

    // --- File
    QAction* aNewFile = nullptr;
    QAction* aOpenFile = nullptr;
    QAction* miOpenAgain = nullptr;
    QAction* aSaveFile = nullptr;
    QAction* aSaveAsFile = nullptr;
    QAction* aImportFrame = nullptr;
    QAction* aImportShow = nullptr;
    QAction* miExit = nullptr;
    QMenu* pmLastFiles = nullptr;
    std::array<QAction*, TRecentFiles::Count> miLastFile{};
    // --- Edit
    QAction* miUndo = nullptr;
    QAction* miRedo = nullptr;
    // --- Project
    QAction* aCheckAllLinks = nullptr;
    QAction* aShowPreview = nullptr;
    QAction* aCreateWavefile = nullptr;
    // --- Frame
    QAction* aAddFrame = nullptr;
    QAction* aRenameFrame = nullptr;
    QAction* aDeleteFrame = nullptr;
    QAction* aFrameDelay = nullptr;
    QAction* aFrameMorph = nullptr;
    QAction* aFrameEffectParam = nullptr;
    QAction* aCutFrameToClipboard = nullptr;
    QAction* aCopyFrameToClipboard = nullptr;
    QAction* aPasteFrameFromClipboard = nullptr;
    QAction* aCheckFrameLinks = nullptr;
    QAction* miLinkOverlay = nullptr;
    QAction* aFramePreview = nullptr;
    QAction* aLoadBackImg = nullptr;     // shown as miBackImg
    QAction* miChoosePart = nullptr;
    QAction* miHelpLines = nullptr;
    QAction* miFrameFlipX2 = nullptr;
    QAction* miFrameFlipY = nullptr;
    QAction* miFrameFlipD = nullptr;
    QAction* miCenterFrame = nullptr;
    QAction* miRotateFrame = nullptr;
    QAction* miScale = nullptr;
    QAction* miSetRotPoint = nullptr;
    QAction* miRenum = nullptr;
    QMenu* pmFrame = nullptr;
    // Effect and colour of the frame, lock, point properties.
    QMenu* pmEffect = nullptr;
    std::array<QAction*, EffectCount> miEffect{};   // miEffectSlide .. miEffectDrain
    QAction* aEffectStep = nullptr;                 // the effect button's click
    QMenu* pmColor = nullptr;
    QAction* miColor0 = nullptr;
    QAction* miColor1 = nullptr;
    QAction* aColorSwitch = nullptr;                // the colour button's click
    QAction* aLock = nullptr;
    QAction* aSharpen = nullptr;
    QAction* aBlank = nullptr;
    // --- Settings: display switches (menu check marks mirrored by the sb buttons)
    QAction* miShowPoints = nullptr;
    QAction* miShowNoOfPoints = nullptr;
    QAction* miShowBackframe = nullptr;
    QAction* miShowLinks = nullptr;
    QAction* miShowReal = nullptr;
    QAction* miUseGrid = nullptr;
    QAction* miSnapGrid = nullptr;
    QAction* miSnapHelp = nullptr;
    QAction* miShowRuler = nullptr;
    QAction* miCloseloop = nullptr;
    QAction* miFlipX = nullptr;
    QAction* miFlipY = nullptr;
    QAction* miMoveNoRedraw = nullptr;
    QAction* miNoImg = nullptr;
    QAction* miPartImg = nullptr;
    QAction* miFullImg = nullptr;
    QAction* miColors = nullptr;
    QAction* miCircles = nullptr;
    QAction* miZoom = nullptr;
    QAction* miGrid = nullptr;
    QAction* miDelays = nullptr;
    QMenu* pmZoom = nullptr;
    QMenu* pmCircles = nullptr;
    QMenu* pmGrid = nullptr;
    QMenu* pmBackImg = nullptr;
    std::array<QAction*, 8> miZoomN{};     // miZoom1 .. miZoom8
    std::array<QAction*, 8> miCirclesN{};  // miCircles1 .. miCircles8
    std::array<QAction*, 6> miGridN{};     // miGrid4 .. miGrid128
    QAction* miGridCustom = nullptr;
    // --- Working tools
    QAction* aToolMove = nullptr;
    QAction* aToolAdd = nullptr;
    QAction* aToolDel = nullptr;
    QAction* aToolZoom = nullptr;
    QAction* aToolPoint = nullptr;
    QAction* aToolGeo = nullptr;
    QAction* miToolSharpen = nullptr;
    QAction* miToolLink = nullptr;
    QAction* miToolMoveRotate = nullptr;
    QAction* miToolAuxPoints = nullptr;
    QAction* miEquilateral = nullptr;
    // --- Playback
    QAction* aPlayShow = nullptr;
    QAction* aStopShow = nullptr;
    QAction* aRepeatPlay = nullptr;
    QAction* aLivePreview = nullptr;
    // --- Windows
    QAction* miOptimize2 = nullptr;
    QAction* miOptimize3 = nullptr;
    QAction* miPanelFiles = nullptr;
    QAction* miPanelPlay = nullptr;
    QAction* miPanelTools = nullptr;
    QAction* miPanelPointsFrames = nullptr;
    QAction* miPanelDisplay = nullptr;
    QAction* miPanelMouse = nullptr;
    QAction* miPanelTimeline = nullptr;
    QAction* miPanelHistory = nullptr;
    // --- Help
    QAction* aHelpContents = nullptr;
    QAction* miAbout = nullptr;

    // --- tool bars and their named buttons
    QToolBar* toolbarFiles = nullptr;
    QToolBar* toolbarPlay = nullptr;
    QToolBar* toolbarTools = nullptr;
    QToolBar* toolbarDisplay = nullptr;
    QToolBar* toolbarPointsFrames = nullptr;
    QToolButton* tbOpen = nullptr;
    QToolButton* tbCompile = nullptr;
    QToolButton* tbPlay = nullptr;
    QToolButton* tbStop = nullptr;
    QToolButton* tbRepeat = nullptr;
    QToolButton* tbShowPreview = nullptr;
    QToolButton* tbLive = nullptr;
    QToolButton* tbMove = nullptr;
    QToolButton* tbAdd = nullptr;
    QToolButton* tbDel = nullptr;
    QToolButton* tbZoom = nullptr;
    QToolButton* tbPointTools = nullptr;
    QToolButton* tbGeo = nullptr;
    QToolButton* sbShowPoints = nullptr;
    QToolButton* sbShowNumPoints = nullptr;
    QToolButton* sbShowBackframe = nullptr;
    QToolButton* sbShowLinks = nullptr;
    QToolButton* sbShowReal = nullptr;
    QToolButton* sbShowGrid = nullptr;
    QToolButton* sbSnapGrid = nullptr;
    QToolButton* sbSnapHelp = nullptr;
    QToolButton* sbRuler = nullptr;
    QToolButton* sbCloseLoop = nullptr;
    QToolButton* sbFlipX = nullptr;
    QToolButton* sbFlipY = nullptr;
    QToolButton* sbNoImg = nullptr;
    QToolButton* sbPartImg = nullptr;
    QToolButton* sbFullImg = nullptr;
    QToolButton* sbSharpen = nullptr;
    QToolButton* sbBlank = nullptr;
    QToolButton* sbColor = nullptr;
    QToolButton* sbLock = nullptr;
    QToolButton* sbEffect = nullptr;

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
    QAction* aSoundtrack = nullptr;         // Project: "&Soundtrack..."
    QAction* aRemoveSoundtrack = nullptr;   // Project: "Remove soundtrack"
    QAction* aFitFramesToBeats = nullptr;   // Frame: "Fit frames to beats"
    QAction* miSoundOutputs = nullptr;      // Settings: "Sound outputs..."
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
    // construction (FormUnitMain.cpp)
    QAction* NewAction(const QString& name, const QString& caption, const QString& hint = {},
                       const QKeySequence& shortcut = {});
    QAction* NewCheck(const QString& name, const QString& caption, const QString& hint = {},
                      const QKeySequence& shortcut = {});
    QActionGroup* NewRadioGroup(const QList<QAction*>& items);
    QMenu* NewPopup(const QString& name, const QList<QAction*>& items);
    QToolButton* AddButton(QToolBar* bar, QAction* action, const QString& name, const QString& icon,
                           QMenu* dropDown = nullptr);
    QToolBar* NewToolBar(const QString& name, const QString& title, Qt::ToolBarArea area);
    void CreateFileActions();
    void CreateEditProjectActions();
    void CreateFrameActions();
    void CreatePropertyActions();
    void CreateSettingsActions();
    void CreateSettingsPopups();
    void CreateToolActions();
    void CreatePlayActions();
    void CreateWindowActions();
    void CreateMenus();
    void CreateFileToolBars();
    void CreateEditToolBars();
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
    QAction* aImportIlda = nullptr;
    QAction* aExportIlda = nullptr;

    // dropped files (FormUnitMain_Drop.cpp)
    void OpenDroppedFiles(const QStringList& files);

    // drawings and text as frames (FormUnitMain_Content.cpp)
    void ConnectContentCommands();
    void aImportSvgExecute();
    void aInsertTextExecute();
    // The one way these frames enter the show: before the current frame, as an import.
    void InsertContentFrame(std::unique_ptr<TLaserFrame> frame, const QString& stepName);
    QAction* aImportSvg = nullptr;
    QAction* aInsertText = nullptr;
    TFormText* FormText = nullptr;

    // the soundtrack (FormUnitMain_Soundtrack.cpp)
    void CreateSoundtrackActions();
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
