#pragma once

#include "LaserFrame.h"
#include "ProgramSettings.h"
#include "RecentFiles.h"

#include <QKeySequence>
#include <QString>
#include <array>

class QAction;
class QActionGroup;
class QMainWindow;
class QMenu;
class QToolBar;
class QToolButton;
struct TPointToolsButton;

// What the commands are made with before the settings are read.
struct TFormMainUiStart {
    const TRecentFiles& Recent;         // the captions of the recent-file items
    const TColorSettings& Colors;       // the names of the two frame colours
    int Zoom = 2;
    int CircleSize = 3;
    const TPointToolsButton& PointTools;
};

// The main window's commands, menus, tool bars and their buttons, as a form
// compiler's Ui class holds them: every pointer under the object name it carries, and
// the code that makes them and puts them in the menus and bars. The commands are
// wired by TFormMain (FormUnitMain*.cpp); see the table in FormUnitMain.h.
class TFormMainUi {
public:
    // --- File
    QAction* aNewFile = nullptr;
    QAction* aOpenFile = nullptr;
    QAction* miOpenAgain = nullptr;
    QAction* aSaveFile = nullptr;
    QAction* aSaveAsFile = nullptr;
    QAction* aImportFrame = nullptr;
    QAction* aImportShow = nullptr;
    QAction* aImportIlda = nullptr;
    QAction* aExportIlda = nullptr;
    QAction* aImportSvg = nullptr;
    QAction* aImportPicture = nullptr;
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
    QAction* aSoundtrack = nullptr;         // "&Soundtrack..."
    QAction* aRemoveSoundtrack = nullptr;   // "Remove soundtrack"
    QMenu* pmBeats = nullptr;               // "&Beats": corrections of the soundtrack's beats
    QAction* aHalveTempo = nullptr;
    QAction* aDoubleTempo = nullptr;
    QAction* aShiftHalfBeat = nullptr;
    QAction* aSetDownbeat = nullptr;
    QAction* aAddBeat = nullptr;
    QAction* aRemoveBeat = nullptr;
    QAction* aTapTempo = nullptr;
    QAction* aTrackerBeats = nullptr;
    // --- Frame
    QAction* aAddFrame = nullptr;
    QAction* aRenameFrame = nullptr;
    QAction* aDeleteFrame = nullptr;
    QAction* aInsertText = nullptr;
    QAction* aFitFramesToBeats = nullptr;
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
    QAction* miSoundOutputs = nullptr;
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


protected:
    // Makes every command, menu, tool bar and button, children of `window`; the File
    // operations, Playback and Working tools bars go in `leftPanel`, above the frame list.
    void SetupUi(QMainWindow* window, QMainWindow* leftPanel, const TFormMainUiStart& start);

private:
    QAction* NewAction(const QString& name, const QString& caption, const QString& hint = {},
                       const QKeySequence& shortcut = {});
    QAction* NewCheck(const QString& name, const QString& caption, const QString& hint = {},
                      const QKeySequence& shortcut = {});
    QActionGroup* NewRadioGroup(const QList<QAction*>& items);
    QMenu* NewPopup(const QString& name, const QList<QAction*>& items);
    QToolButton* AddButton(QToolBar* bar, QAction* action, const QString& name, const QString& icon,
                           QMenu* dropDown = nullptr);
    QToolBar* NewToolBar(QMainWindow* host, const QString& name, const QString& title, Qt::ToolBarArea area);
    void CreateFileActions();
    void CreateEditProjectActions();
    void CreateFrameActions();
    void CreatePropertyActions();
    void CreateSettingsActions();
    void CreateSettingsPopups();
    void CreateToolActions();
    void CreatePlayActions();
    void CreateWindowActions();
    void CreateSoundtrackActions();
    void CreateMenus();
    void CreateFileToolBars();
    void CreateEditToolBars();

    QMainWindow* Window = nullptr;
    QMainWindow* LeftPanel = nullptr;
    const TFormMainUiStart* Start = nullptr;   // during SetupUi
};

// The icon behind an image number of tbPointTools and tbGeo.
QString PointToolIconName(int image);
