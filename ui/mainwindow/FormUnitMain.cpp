// The main window's construction: the left panel with its bars, the frame list and the
// status bar, the dialogs and the sketchpad (the commands, menus and bars come from
// TFormMainUi), and the Working tools.
#include "FormUnitMain.h"

#include "Artwork.h"
#include "AudioPlayer.h"
#include "FormUnitColors.h"
#include "FormUnitDebug.h"
#include "FormUnitDelays.h"
#include "FormUnitHelpLines.h"
#include "FormUnitImport.h"
#include "FormUnitPick.h"
#include "FormUnitPreview.h"
#include "FormUnitSoundtrack.h"
#include "FormUnitStatus.h"
#include "FrameList.h"
#include "FrameStatusBar.h"
#include "HelpContexts.h"
#include "HelpWindow.h"
#include "LiveOutputView.h"
#include "MusicPlayer.h"
#include "ShowSoundtrack.h"
#include "Prompts.h"
#include "Timeline.h"

#include <QCloseEvent>
#include <QDockWidget>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMouseEvent>
#include <QSettings>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>

namespace {

// The left panel's own window: 180 pixels wide to begin with, whatever its bars would
// like; a bar that does not fit folds its last buttons into its extension menu.
class TLeftPanelWindow : public QMainWindow {
public:
    QSize sizeHint() const override { return {180, QMainWindow::sizeHint().height()}; }
};

} // namespace

// Resources of a static library must be registered by name, outside any namespace.
static void InitSkelmarResources()
{
    Q_INIT_RESOURCE(skelmar);
}


TFormMain::TFormMain(QSettings& settings, TPrompts& prompts, const QString& programDir, QWidget* parent)
    : QMainWindow(parent)
    , ShowDocument(new TShowDocument(this))
    , Settings(settings)
    , Prompts(prompts)
    , ProgramDir(programDir)
{
    InitSkelmarResources();
    setObjectName(QStringLiteral("FormMain"));
    // The marker shows unsaved changes.
    setWindowTitle(QStringLiteral("Skelmar 4 Wendrill RZ4 - Pudlo Mixer[*]"));
    setWindowIcon(AppIcon());
    resize(771, 590);

    // The bars are made in the left panel's own window, above the frame list.
    CreateLeftPanel();
    SetupUi(this, LeftPanelWindow, {RecentFiles, Colors, Zoom, CircleSize, PointToolsButton});
    // An empty hint must show no tip at all, not the tip Qt makes up from the caption.
    tbPointTools->installEventFilter(this);
    CreateHistoryPanel();
    CreateDialogs();
    ConnectPanelSwitch(miPanelFiles, toolbarFiles);
    ConnectPanelSwitch(miPanelPlay, toolbarPlay);
    ConnectPanelSwitch(miPanelTools, toolbarTools);
    ConnectPanelSwitch(miPanelPointsFrames, toolbarPointsFrames);
    ConnectPanelSwitch(miPanelDisplay, toolbarDisplay);
    ConnectPanelSwitch(miPanelMouse, sbFrame);
    ConnectPanelSwitch(miPanelHistory, panelHistory);

    // Shows, frames and ILDA files may be dropped on the window.
    setAcceptDrops(true);
    mdiArea = new QMdiArea(this);
    mdiArea->setObjectName(QStringLiteral("mdiArea"));
    setCentralWidget(mdiArea);

    ConnectHistoryCommands();
    ConnectFileCommands();
    ConnectFrameCommands();
    ConnectSettingsCommands();
    ConnectProjectCommands();
    ConnectToolCommands();
    ConnectTransformCommands();
    ConnectPlaybackCommands();
    ConnectImportCommands();
    ConnectColorCommands();
    ConnectImageCommands();
    ConnectIldaCommands();
    ConnectContentCommands();
    ConnectSoundtrackCommands();
    ConnectBeatsCommands();

    ReadSettings();
    // A timeline closed in the last run comes back hidden with the layout.
    miPanelTimeline->setChecked(!Timeline->isHidden());
    miPanelHistory->setChecked(!panelHistory->isHidden());

    CreateSketchpad();
    InstallHelpContexts(*this, [this](int context) { FormHelp->ShowAt(HelpAnchor(context)); });
    ConnectSoundtrackPreview();
}

TFormMain::~TFormMain()
{
    // A sound stream runs the event loop while it closes: the players go while every
    // widget is still whole, not among the children the base class deletes.
    // The soundtrack first: its analysis' last notices must find nothing to update.
    delete std::exchange(ShowMusic, nullptr);
    delete std::exchange(MusicPlayer, nullptr);
    delete std::exchange(LiveOutput, nullptr);
    delete Playback;
    // The document goes with the children and must not call back into half-gone views.
    disconnect(ShowDocument, nullptr, nullptr, nullptr);
    disconnect(&ShowDocument->History(), nullptr, nullptr, nullptr);
}

// The left panel, 180 pixels wide: the File operations, Playback and Working tools bars
// above the frame list, the status bar at its foot. The bars stay movable within it;
// the panel's own window keeps their layout, saved with the main window's.
void TFormMain::CreateLeftPanel()
{
    lbThumbs = new TFrameList;
    lbThumbs->setObjectName(QStringLiteral("lbThumbs"));
    lbThumbs->SetDocument(*ShowDocument);
    lbThumbs->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(lbThumbs, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { pmFrame->popup(lbThumbs->viewport()->mapToGlobal(pos)); });
    connect(lbThumbs, &TFrameList::frameDropped, this, &TFormMain::lbThumbsDragDrop);

    LeftPanelWindow = new TLeftPanelWindow;
    LeftPanelWindow->setObjectName(QStringLiteral("LeftPanelWindow"));
    LeftPanelWindow->setWindowFlags(Qt::Widget);
    LeftPanelWindow->setCentralWidget(lbThumbs);
    sbFrame = new TFrameStatusBar(*ShowDocument, LeftPanelWindow);
    LeftPanelWindow->setStatusBar(sbFrame);

    panelLeft = new QDockWidget(this);
    panelLeft->setObjectName(QStringLiteral("panelLeft"));
    panelLeft->setWindowTitle(QStringLiteral("Frames"));
    panelLeft->setTitleBarWidget(new QWidget(panelLeft));
    panelLeft->setFeatures(QDockWidget::NoDockWidgetFeatures);
    panelLeft->setWidget(LeftPanelWindow);
    addDockWidget(Qt::LeftDockWidgetArea, panelLeft);
}

// Every dialog (and the timeline's window) is made here, once, before any command is
// wired to it or any setting read into it, and reused for the whole run. Only the text
// dialog waits for its first use: it reads the list of installed fonts.
void TFormMain::CreateDialogs()
{
    Timeline = new TTimeline(this);
    Timeline->SetDocument(*ShowDocument);
    addDockWidget(Qt::BottomDockWidgetArea, Timeline);
    // The strip runs the full width, under the frame list too.
    setCorner(Qt::BottomLeftCorner, Qt::BottomDockWidgetArea);
    setCorner(Qt::BottomRightCorner, Qt::BottomDockWidgetArea);

    FormStatus = new TFormStatus(this);
    FormDebug = new TFormDebug(this);
    FormDebug->CurrentFrame = [this] { return static_cast<const TLaserFrame*>(CurrentFrame()); };
    FormDelays = new TFormDelays(this);
    FormHelp = new THelpWindow(this);
    FormPreview = new TFormPreview(this);
    FormColors = new TFormColors(Prompts, this);
    FormImport = new TFormImport(Prompts, this);   // keeps its folder and its last show
    FormPickImage = new TFormPickImage(this);
    FormHelpLines = new TFormHelpLines(this);
    FormSoundtrack = new TFormSoundtrack(Prompts, this);
    FormSoundOutputs = new TFormSoundOutputs(this);
}

void TFormMain::ConnectPanelSwitch(QAction* item, QWidget* panel)
{
    connect(item, &QAction::triggered, panel, &QWidget::setVisible);
    if (auto* bar = qobject_cast<QToolBar*>(panel))
        connect(bar, &QToolBar::visibilityChanged, item, &QAction::setChecked);
    if (auto* dock = qobject_cast<QDockWidget*>(panel); dock && dock != Timeline)
        connect(dock->toggleViewAction(), &QAction::toggled, item, &QAction::setChecked);
}

void TFormMain::CreateSketchpad()
{
    Sketchpad = new TFormSketchpad(*ShowDocument, *this);
    Sketchpad->setWindowIcon(AppIcon());
    SetPadCursor(ToolInfo(State.Tool).Cursor);
    connect(Sketchpad->pad, &TPad::mousePressed, this, &TFormMain::padMouseDown);
    connect(Sketchpad->pad, &TPad::mouseMoved, this, &TFormMain::padMouseMove);
    connect(Sketchpad->pad, &TPad::mouseReleased, this, &TFormMain::padMouseUp);
    SketchpadWindow = mdiArea->addSubWindow(Sketchpad);
    SketchpadWindow->setObjectName(QStringLiteral("SketchpadWindow"));
    SketchpadWindow->setWindowIcon(AppIcon());
    // The one sketchpad lives as long as the main window: it cannot be closed on its own.
    SketchpadWindow->installEventFilter(this);
    SketchpadWindow->showMaximized();
    aNewFileExecute();
}

// --- the tools ---------------------------------------------------------------------------------

void TFormMain::ConnectToolCommands()
{
    // The current frame's own controls follow the frame switch.
    connect(ShowDocument, &TShowDocument::currentFrameChanged, this, &TFormMain::FrameSwitched);

    // One radio group: a tool button selects its tool and stays down.
    const std::pair<QAction*, int> buttons[] = {
        {aToolMove, ToolMove}, {aToolAdd, ToolAdd}, {aToolDel, ToolDelete}, {aToolZoom, ToolZoom}};
    for (const auto& [button, tool] : buttons)
        connect(button, &QAction::triggered, this, [this, tool = tool] { PadTools.SelectTool(tool); });
    connect(aToolPoint, &QAction::triggered, this, [this] {
        if (const int tool = PointToolsButton.ClickTool())
            PadTools.SelectTool(tool);
    });
    const QAction* items[] = {miToolSharpen, miToolLink, miToolMoveRotate, miToolAuxPoints};
    for (int i = 0; i < 4; ++i)
        connect(items[i], &QAction::triggered, this, [this, i] { ChoosePointTool(i); });
    const TGeoButton geo;
    connect(aToolGeo, &QAction::triggered, this, [this, geo] {
        if (const int tool = geo.ClickTool())
            PadTools.SelectTool(tool);
    });
    connect(miEquilateral, &QAction::triggered, aToolGeo, &QAction::trigger);

    connect(aSharpen, &QAction::triggered, this, [this] { PadTools.ToggleSelectedFlag(TSmallPoint::FlagSharp); });
    connect(aBlank, &QAction::triggered, this, [this] { PadTools.ToggleSelectedFlag(TSmallPoint::FlagBlank); });
}

void TFormMain::ChoosePointTool(int item)
{
    PointToolsButton.Choose(item);
    aToolPoint->setIcon(ToolIcon(PointToolIconName(PointToolsButton.Image)));
    aToolPoint->setToolTip(PointToolsButton.Hint);
    aToolPoint->setStatusTip(PointToolsButton.Hint);
    aToolPoint->trigger();
}

// --- window events ---------------------------------------------------------------------------

void TFormMain::closeEvent(QCloseEvent* event)
{
    if (IsModified() && !AskDiscard()) {
        event->ignore();
        return;
    }
    WriteSettings();
    event->accept();
}

void TFormMain::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    // Docks take their widths only once the window is laid out: the saved layout is
    // laid out again, or else the designed one, with the left panel as narrow as its
    // frame list allows.
    if (std::exchange(FirstShow, false)) {
        if (!SavedLayout.isEmpty())
            restoreState(SavedLayout);
        else
            resizeDocks({panelLeft}, {180}, Qt::Horizontal);
        SavedLayout.clear();
    }
}

bool TFormMain::event(QEvent* event)
{
    if (event->type() == QEvent::WindowActivate && Sketchpad)
        Sketchpad->RedrawSketchpad();
    // The status bar is the left panel's: the menus' tips are shown there.
    if (event->type() == QEvent::StatusTip && sbFrame) {
        sbFrame->showMessage(static_cast<QStatusTipEvent*>(event)->tip());
        return true;
    }
    return QMainWindow::event(event);
}

bool TFormMain::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == SketchpadWindow && event->type() == QEvent::Close) {
        event->ignore();
        return true;
    }
    if (watched == tbPointTools && event->type() == QEvent::ToolTip && PointToolsButton.Hint.isEmpty())
        return true;
    return QMainWindow::eventFilter(watched, event);
}
