// The main window's commands, menus, tool bars and buttons.
#include "FormUnitMainUi.h"

#include "Artwork.h"
#include "PadTools.h"

#include <QAction>
#include <QActionGroup>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QToolBar>
#include <QToolButton>

namespace {

QKeySequence Keys(QKeyCombination combination)
{
    return QKeySequence(combination);
}

// A tool button that runs `action` but keeps an enabled state of its own, so that the
// button can be greyed while the menu item and the shortcut stay usable.
QToolButton* AddDetachedButton(QToolBar* bar, QAction* action, const QString& name)
{
    auto* button = new QToolButton(bar);
    button->setObjectName(name);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setIconSize(bar->iconSize());
    button->setToolButtonStyle(bar->toolButtonStyle());
    QObject::connect(bar, &QToolBar::iconSizeChanged, button, &QToolButton::setIconSize);
    QObject::connect(bar, &QToolBar::toolButtonStyleChanged, button, &QToolButton::setToolButtonStyle);
    const auto follow = [button, action] {
        button->setIcon(action->icon());
        button->setText(action->iconText());
        button->setToolTip(action->toolTip());
        button->setStatusTip(action->statusTip());
    };
    follow();
    QObject::connect(action, &QAction::changed, button, follow);
    QObject::connect(button, &QToolButton::clicked, action, &QAction::trigger);
    bar->addWidget(button);
    return button;
}

} // namespace

QString PointToolIconName(int image)
{
    switch (image) {
    case 4: return QStringLiteral("sharpen");
    case 5: return QStringLiteral("link");
    case 6: return QStringLiteral("moverotate");
    case 7: return QStringLiteral("auxpoints");
    case TGeoButton::EquilateralImage: return QStringLiteral("geo");
    default: return {};
    }
}

void TFormMainUi::SetupUi(QMainWindow* window, QMainWindow* leftPanel, const TFormMainUiStart& start)
{
    Window = window;
    LeftPanel = leftPanel;
    Start = &start;
    CreateFileActions();
    CreateEditProjectActions();
    CreateFrameActions();
    CreatePropertyActions();
    CreateSettingsActions();
    CreateSettingsPopups();
    CreateToolActions();
    CreatePlayActions();
    CreateWindowActions();
    CreateSoundtrackActions();
    CreateMenus();
    CreateFileToolBars();
    CreateEditToolBars();
    Start = nullptr;
}

// --- building blocks -------------------------------------------------------------------------

QAction* TFormMainUi::NewAction(const QString& name, const QString& caption, const QString& hint,
                              const QKeySequence& shortcut)
{
    auto* action = new QAction(caption, Window);
    action->setObjectName(name);
    if (!hint.isEmpty()) {
        action->setToolTip(hint);
        action->setStatusTip(hint);
    }
    if (!shortcut.isEmpty())
        action->setShortcut(shortcut);
    return action;
}

QAction* TFormMainUi::NewCheck(const QString& name, const QString& caption, const QString& hint,
                             const QKeySequence& shortcut)
{
    QAction* action = NewAction(name, caption, hint, shortcut);
    action->setCheckable(true);
    return action;
}

QActionGroup* TFormMainUi::NewRadioGroup(const QList<QAction*>& items)
{
    auto* group = new QActionGroup(Window);
    for (QAction* item : items) {
        item->setCheckable(true);
        group->addAction(item);
    }
    return group;
}

QMenu* TFormMainUi::NewPopup(const QString& name, const QList<QAction*>& items)
{
    auto* menu = new QMenu(Window);
    menu->setObjectName(name);
    menu->addActions(items);
    return menu;
}

QToolButton* TFormMainUi::AddButton(QToolBar* bar, QAction* action, const QString& name, const QString& icon,
                                  QMenu* dropDown)
{
    if (!icon.isEmpty())
        action->setIcon(ToolIcon(icon));
    // Menus show a switch's state by its check mark, which an icon would replace.
    if (action->isCheckable())
        action->setIconVisibleInMenu(false);
    bar->addAction(action);
    auto* button = qobject_cast<QToolButton*>(bar->widgetForAction(action));
    button->setObjectName(name);
    if (dropDown) {
        button->setMenu(dropDown);
        button->setPopupMode(QToolButton::MenuButtonPopup);
    }
    return button;
}

QToolBar* TFormMainUi::NewToolBar(QMainWindow* host, const QString& name, const QString& title, Qt::ToolBarArea area)
{
    auto* bar = new QToolBar(title, host);
    bar->setObjectName(name);  // saveState() files the layout under this name
    bar->setIconSize(QSize(20, 20));
    host->addToolBar(area, bar);
    return bar;
}

// --- commands --------------------------------------------------------------------------------

void TFormMainUi::CreateFileActions()
{
    aNewFile = NewAction("aNewFile", "&New", "Create a new file");
    aOpenFile = NewAction("aOpenFile", "&Open...", "Open a file", Keys(Qt::CTRL | Qt::Key_O));
    miOpenAgain = NewAction("miOpenAgain", "&Open again...");
    aSaveFile = NewAction("aSaveFile", "&Save", "Save file", Keys(Qt::CTRL | Qt::Key_S));
    aSaveAsFile = NewAction("aSaveAsFile", "Save &As...", "Save file under a different name");
    aImportFrame = NewAction("aImportFrame", "Import &frame...", "Import a frame from a different file");
    aImportIlda = NewAction("aImportIlda", "Import &ILDA file...", "Import the frames of an ILDA file");
    aExportIlda = NewAction("aExportIlda", "Export &ILDA file...", "Export the show as an ILDA file");
    aImportShow = NewAction("aImportShow", "Import &show...", "Import a full show");
    aImportSvg = NewAction("aImportSvg", "Import &SVG file...", "Import an SVG drawing as a frame");
    aImportPicture = NewAction("aImportPicture", "Import &picture...",
                               "Trace the outlines of a picture (PNG, JPEG, BMP, GIF) into a frame");
    miExit = NewAction("miExit", "E&xit");

    pmLastFiles = new QMenu(Window);
    pmLastFiles->setObjectName(QStringLiteral("pmLastFiles"));
    for (int n = 0; n < TRecentFiles::Count; ++n) {
        miLastFile[n] = NewAction(QStringLiteral("miLastFile%1").arg(n), Start->Recent.Caption(n));
        pmLastFiles->addAction(miLastFile[n]);
    }
}

void TFormMainUi::CreateEditProjectActions()
{
    miUndo = NewAction("miUndo", "&Undo", "Undo", QKeySequence::Undo);
    miUndo->setIcon(ToolIcon("undo"));
    miRedo = NewAction("miRedo", "&Redo", "Redo", Keys(Qt::CTRL | Qt::SHIFT | Qt::Key_Z));
    miRedo->setIcon(ToolIcon("redo"));
    aCheckAllLinks = NewAction("aCheckAllLinks", "Check all &links", "Check links in all frames",
                               Keys(Qt::SHIFT | Qt::Key_F9));
    aShowPreview = NewAction("aShowPreview", "Show &preview", "Show a preview of the compiled show",
                             Keys(Qt::Key_F9));
    aCreateWavefile = NewAction("aCreateWavefile", "&Create wavefile", "Create a wavefile from all frames",
                                Keys(Qt::CTRL | Qt::Key_F9));
}

void TFormMainUi::CreateFrameActions()
{
    aAddFrame = NewAction("aAddFrame", "&Add frame", "Add another frame at the end of the show");
    aRenameFrame = NewAction("aRenameFrame", "&Rename frame...", "Rename current frame");
    aDeleteFrame = NewAction("aDeleteFrame", "&Delete frame", "Delete this frame");
    aInsertText = NewAction("aInsertText", "Insert &text frame...", "Insert a frame that writes a line of text");
    aFrameDelay = NewAction("aFrameDelay", "Change frame &delay...", "Change delay for frame");
    aFrameMorph = NewAction("aFrameMorph", "Change frame &morph/effect time...", "Change effect duration");
    aFrameEffectParam = NewAction("aFrameEffectParam", "Change frame effect &param...");
    aCutFrameToClipboard = NewAction("aCutFrameToClipboard", "C&ut frame to clipboard", {},
                                     Keys(Qt::SHIFT | Qt::Key_Delete));
    aCopyFrameToClipboard = NewAction("aCopyFrameToClipboard", "&Copy frame to clipboard", {},
                                      Keys(Qt::CTRL | Qt::Key_Insert));
    aPasteFrameFromClipboard = NewAction("aPasteFrameFromClipboard", "&Paste frame from clipboard", {},
                                         Keys(Qt::SHIFT | Qt::Key_Insert));

    aCheckFrameLinks = NewAction("aCheckFrameLinks", "Check frame &links", "Check the link matrix for this frame",
                                 Keys(Qt::SHIFT | Qt::Key_F7));
    miLinkOverlay = NewAction("miLinkOverlay", "Link &overlaying points");
    aFramePreview = NewAction("aFramePreview", "&Show frame-wave preview", "Show wave preview of this frame",
                              Keys(Qt::Key_F7));
    aLoadBackImg = NewAction("aLoadBackImg", "Background image: n/a");
    miChoosePart = NewAction("miChoosePart", "&Choose part of image...");
    miHelpLines = NewAction("miHelpLines", "&Helplines...");
    miFrameFlipX2 = NewAction("miFrameFlipX2", "Flip frame at &X-axis");
    miFrameFlipY = NewAction("miFrameFlipY", "Flip frame at &Y-axis");
    miFrameFlipD = NewAction("miFrameFlipD", "Flip frame at effect center - auxiliary center axis", {},
                             Keys(Qt::CTRL | Qt::Key_F));
    miCenterFrame = NewAction("miCenterFrame", "&Center frame", "Centers frame around auxiliary center point",
                              Keys(Qt::CTRL | Qt::Key_C));
    miRotateFrame = NewAction("miRotateFrame", "&Rotate frame...", "Rotates frame around auxiliary center point",
                              Keys(Qt::CTRL | Qt::Key_R));
    miScale = NewAction("miScale", "Scale frame...", "Scale frame around auxiliary center point");
    miSetRotPoint = NewAction("miSetRotPoint", "Set effect && auxiliary center...", {},
                              Keys(Qt::CTRL | Qt::SHIFT | Qt::Key_R));
    miRenum = NewAction("miRenum", "&Renumber points");

    pmFrame = NewPopup("pmFrame", {aAddFrame, aDeleteFrame, aRenameFrame, aFrameDelay, aFrameMorph,
                                   aFrameEffectParam});
    pmFrame->addSeparator();
    pmFrame->addActions({aCutFrameToClipboard, aCopyFrameToClipboard, aPasteFrameFromClipboard});
}

void TFormMainUi::CreatePropertyActions()
{
    static const char* const effectNames[EffectCount] = {"miEffectSlide", "miEffectMorph", "miEffectPlode",
                                                         "miEffectXFlip", "miEffectYFlip", "miEffectDFlip",
                                                         "miEffectRotate", "miEffectDrain"};
    static const char* const effectCaptions[EffectCount] = {"&Slide", "&Morph", "&Im-/Explode", "&X-Flip",
                                                            "&Y-Flip", "&D-Flip", "&Rotate", "D&rain"};
    for (int e = 0; e < EffectCount; ++e)
        miEffect[e] = NewAction(effectNames[e], effectCaptions[e]);
    NewRadioGroup(QList<QAction*>(miEffect.begin(), miEffect.end()))->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    miEffect[EffectSlide]->setChecked(true);
    pmEffect = NewPopup("pmEffect", QList<QAction*>(miEffect.begin(), miEffect.end()));
    aEffectStep = NewAction("aEffectStep", "Effect", "Choose frame effect");

    miColor0 = NewAction("miColor0", Start->Colors.Name[0]);
    miColor1 = NewAction("miColor1", Start->Colors.Name[1]);
    NewRadioGroup({miColor0, miColor1});
    miColor0->setChecked(true);
    pmColor = NewPopup("pmColor", {miColor0, miColor1});
    aColorSwitch = NewAction("aColorSwitch", "Color", "Choose frame color");
    aLock = NewCheck("aLock", "Lock", "Lock frame against moving");

    // Shown down when the picked point has the flag (the tools set them).
    aSharpen = NewCheck("aSharpen", "Sharpen", "Sharpen selected point(s) (edges)");
    aBlank = NewCheck("aBlank", "Blank", "Blank after selected point(s)");
}

void TFormMainUi::CreateSettingsActions()
{
    miShowPoints = NewCheck("miShowPoints", "&Show points", "Show points along frame", Keys(Qt::CTRL | Qt::Key_P));
    miShowNoOfPoints = NewCheck("miShowNoOfPoints", "Show &number of points", "Show numbers of points");
    miShowBackframe = NewCheck("miShowBackframe", "Show &backframe", "Show background frame",
                               Keys(Qt::CTRL | Qt::Key_B));
    miShowLinks = NewCheck("miShowLinks", "Show &links", "Show links to background frame");
    miShowReal = NewCheck("miShowReal", "Show &round edges", "Show unoptimized edges");
    miUseGrid = NewCheck("miUseGrid", "Show &grid", "Show (and choose) grid", Keys(Qt::CTRL | Qt::ALT | Qt::Key_G));
    miSnapGrid = NewCheck("miSnapGrid", "Snap to grid", "Snap points to grid", Keys(Qt::CTRL | Qt::Key_G));
    miSnapHelp = NewCheck("miSnapHelp", "Snap to helplines", "Snaps points to helplines");
    miShowRuler = NewCheck("miShowRuler", "Show &ruler", "Display ruler to the left and top of the drawing area");
    miCloseloop = NewCheck("miCloseloop", "&Close loop", "Close loop by connecting last to first point",
                           Keys(Qt::CTRL | Qt::Key_L));
    miFlipX = NewCheck("miFlipX", "Flip &X", "Flip at X-Axis", Keys(Qt::CTRL | Qt::Key_X));
    miFlipY = NewCheck("miFlipY", "Flip &Y", "Flip at Y-Axis", Keys(Qt::CTRL | Qt::Key_Y));
    miMoveNoRedraw = NewCheck("miMoveNoRedraw", "Move points &without redraw");

    miNoImg = NewAction("miNoImg", "Don't display image", "Don't show background image");
    miPartImg = NewAction("miPartImg", "Display part of image", "Show only part of background image");
    miFullImg = NewAction("miFullImg", "Display full image", "Show full background image");
    NewRadioGroup({miNoImg, miPartImg, miFullImg});
    miNoImg->setChecked(true);
    // Without a background image there is no part of one to show or choose.
    for (QAction* item : {miPartImg, miFullImg, miChoosePart})
        item->setEnabled(false);

    miColors = NewAction("miColors", "Frame &colors...");
    miCircles = NewAction("miCircles", "Circlesize: 3...");
    miZoom = NewAction("miZoom", "&Zoom: 2x...");
    miGrid = NewAction("miGrid", "Grid: 16...");
    miDelays = NewAction("miDelays", "Driver &delays...");
}

void TFormMainUi::CreateSettingsPopups()
{
    QList<QAction*> zoomItems, circleItems, gridItems;
    for (int n = 1; n <= 8; ++n) {
        miZoomN[n - 1] = NewAction(QStringLiteral("miZoom%1").arg(n), QStringLiteral("&%1").arg(n));
        miCirclesN[n - 1] = NewAction(QStringLiteral("miCircles%1").arg(n), QStringLiteral("&%1").arg(n));
        zoomItems << miZoomN[n - 1];
        circleItems << miCirclesN[n - 1];
    }
    static const int gridSizes[6] = {4, 8, 16, 32, 64, 128};
    for (int i = 0; i < 6; ++i) {
        miGridN[i] = NewAction(QStringLiteral("miGrid%1").arg(gridSizes[i]), QStringLiteral("&%1").arg(gridSizes[i]));
        gridItems << miGridN[i];
    }
    miGridCustom = NewAction("miGridCustom", "&0");
    miGridCustom->setVisible(false);
    gridItems << miGridCustom;

    NewRadioGroup(zoomItems);
    NewRadioGroup(circleItems);
    NewRadioGroup(gridItems);
    miZoomN[Start->Zoom - 1]->setChecked(true);
    miCirclesN[Start->CircleSize - 1]->setChecked(true);
    miGridN[2]->setChecked(true);  // "&16"

    pmZoom = NewPopup("pmZoom", zoomItems);
    pmCircles = NewPopup("pmCircles", circleItems);
    pmGrid = NewPopup("pmGrid", gridItems);
    pmBackImg = NewPopup("pmBackImg", {aLoadBackImg, miChoosePart});
}

void TFormMainUi::CreateToolActions()
{
    // Buttons carry the tool's hint; the point tools are items of tbPointTools' drop-down.
    auto toolAction = [this](int tool, const char* name, const QString& caption) {
        return NewAction(QLatin1String(name), caption, ToolInfo(tool).Hint);
    };
    aToolMove = toolAction(ToolMove, "aToolMove", "Move");
    aToolAdd = toolAction(ToolAdd, "aToolAdd", "Add");
    aToolDel = toolAction(ToolDelete, "aToolDel", "Delete");
    aToolZoom = toolAction(ToolZoom, "aToolZoom", "Zoom");
    aToolPoint = NewAction("aToolPoint", "Point tools", Start->PointTools.Hint);
    aToolGeo = toolAction(ToolEquilateral, "aToolGeo", TGeoButton::ItemCaption);
    NewRadioGroup({aToolMove, aToolAdd, aToolDel, aToolZoom, aToolPoint, aToolGeo});
    aToolMove->setChecked(true);

    QAction* TFormMainUi::*const itemMembers[] = {&TFormMainUi::miToolSharpen, &TFormMainUi::miToolLink,
                                                &TFormMainUi::miToolMoveRotate, &TFormMainUi::miToolAuxPoints};
    for (size_t i = 0; i < PointToolItems().size(); ++i) {
        const TPointToolItem& item = PointToolItems()[i];
        QAction* action = NewAction(QLatin1String(item.Component), item.Caption, ToolInfo(item.Tool).Hint);
        action->setIcon(ToolIcon(PointToolIconName(item.Image)));
        this->*itemMembers[i] = action;
    }
    miEquilateral = NewAction("miEquilateral", TGeoButton::ItemCaption);
    miEquilateral->setIcon(ToolIcon(PointToolIconName(TGeoButton::EquilateralImage)));
}

void TFormMainUi::CreatePlayActions()
{
    aPlayShow = NewAction("aPlayShow", "Play", "Play the compiled show");
    aStopShow = NewAction("aStopShow", "Stop", "Stop playing");
    aRepeatPlay = NewCheck("aRepeatPlay", "Repeat", "Repeat playing");
    aLivePreview = NewCheck("aLivePreview", "Live", "Play the current frame live while editing");
    aPlayShow->setEnabled(false);
    aStopShow->setEnabled(false);
}

void TFormMainUi::CreateWindowActions()
{
    miOptimize2 = NewAction("miOptimize2", "Optimize size for &2x zoom", {}, Keys(Qt::CTRL | Qt::Key_2));
    miOptimize3 = NewAction("miOptimize3", "Optimize size for &3x zoom", {}, Keys(Qt::CTRL | Qt::Key_3));
    miPanelFiles = NewCheck("miPanelFiles", "&File operations");
    miPanelPlay = NewCheck("miPanelPlay", "Playback panel");
    miPanelTools = NewCheck("miPanelTools", "Working &tools");
    miPanelPointsFrames = NewCheck("miPanelPointsFrames", "&Point && frame panel");
    miPanelDisplay = NewCheck("miPanelDisplay", "&Display settings");
    miPanelMouse = NewCheck("miPanelMouse", "&Mouse position");
    miPanelTimeline = NewCheck("miPanelTimeline", "&Timeline");
    miPanelHistory = NewCheck("miPanelHistory", "&History", "Show the steps that can be undone and done again");
    for (QAction* item : {miPanelFiles, miPanelPlay, miPanelTools, miPanelPointsFrames, miPanelDisplay,
                          miPanelMouse, miPanelTimeline})
        item->setChecked(true);

    // F1 asks for help everywhere in the program, as the platform's help key does.
    aHelpContents = NewAction("aHelpContents", "Help &Contents", {}, QKeySequence::HelpContents);
    miAbout = NewAction("miAbout", "&About Skelmar...");
}

// --- menus and bars ----------------------------------------------------------------------------

void TFormMainUi::CreateMenus()
{
    QMenuBar* bar = Window->menuBar();
    QMenu* file = bar->addMenu("&File");
    file->addActions({aNewFile, aOpenFile, miOpenAgain, aSaveFile, aSaveAsFile, aExportIlda});
    file->addSeparator();
    QMenu* import = file->addMenu("&Import");
    import->addActions({aImportFrame, aImportShow, aImportIlda, aImportSvg, aImportPicture});
    file->addSeparator();
    file->addAction(miExit);

    bar->addMenu("&Edit")->addActions({miUndo, miRedo});

    QMenu* project = bar->addMenu("&Project");
    project->addAction(aImportShow);
    project->addSeparator();
    project->addAction(aCheckAllLinks);
    project->addSeparator();
    project->addActions({aShowPreview, aCreateWavefile});
    project->addSeparator();
    project->addActions({aSoundtrack, aRemoveSoundtrack});
    pmBeats = project->addMenu("&Beats");
    pmBeats->setObjectName(QStringLiteral("pmBeats"));
    pmBeats->addActions({aHalveTempo, aDoubleTempo, aShiftHalfBeat});
    pmBeats->addSeparator();
    pmBeats->addActions({aSetDownbeat, aAddBeat, aRemoveBeat});
    pmBeats->addSeparator();
    pmBeats->addActions({aTapTempo, aTrackerBeats});

    QMenu* frame = bar->addMenu("F&rame");
    frame->addActions({aAddFrame, aRenameFrame, aDeleteFrame, aFrameDelay, aFrameMorph, aFrameEffectParam,
                       aFitFramesToBeats});
    frame->addSeparator();
    frame->addActions({aCutFrameToClipboard, aCopyFrameToClipboard, aPasteFrameFromClipboard});
    frame->addSeparator();
    frame->addActions({aImportFrame, aInsertText});
    frame->addSeparator();
    frame->addActions({aCheckFrameLinks, miLinkOverlay, aFramePreview});
    frame->addSeparator();
    frame->addActions({aLoadBackImg, miChoosePart, miHelpLines});
    frame->addSeparator();
    frame->addActions({miFrameFlipX2, miFrameFlipY, miFrameFlipD, miCenterFrame, miRotateFrame, miScale,
                       miSetRotPoint, miRenum});

    QMenu* settings = bar->addMenu("&Settings");
    settings->addActions({miShowPoints, miShowNoOfPoints, miShowBackframe, miShowLinks, miShowReal, miUseGrid,
                          miSnapGrid, miSnapHelp, miShowRuler, miCloseloop, miFlipX, miFlipY, miMoveNoRedraw});
    settings->addSeparator();
    settings->addActions({miNoImg, miPartImg, miFullImg});
    settings->addSeparator();
    settings->addActions({miColors, miCircles, miZoom, miGrid});
    settings->addSeparator();
    settings->addActions({miDelays, miSoundOutputs});

    QMenu* windows = bar->addMenu("&Windows");
    windows->addActions({miOptimize2, miOptimize3});
    windows->addSeparator();
    windows->addActions({miPanelFiles, miPanelPlay, miPanelTools, miPanelPointsFrames, miPanelDisplay,
                         miPanelMouse, miPanelTimeline, miPanelHistory});

    QMenu* help = bar->addMenu("&Help");
    help->addAction(aHelpContents);
    help->addSeparator();
    help->addAction(miAbout);
}

void TFormMainUi::CreateFileToolBars()
{
    // One above the other in the left panel, each a row of its own.
    toolbarFiles = NewToolBar(LeftPanel, "toolbarFiles", "File operations", Qt::TopToolBarArea);
    AddButton(toolbarFiles, aNewFile, "tbNew", "new");
    tbOpen = AddButton(toolbarFiles, aOpenFile, "tbOpen", "open", pmLastFiles);
    AddButton(toolbarFiles, aSaveFile, "tbSave", "save");
    AddButton(toolbarFiles, aSaveAsFile, "tbSaveAs", "saveas");
    toolbarFiles->addSeparator();
    AddButton(toolbarFiles, aImportFrame, "tbImportFrame", "importframe");
    AddButton(toolbarFiles, aImportShow, "tbImportShow", "importshow");

    LeftPanel->addToolBarBreak(Qt::TopToolBarArea);
    toolbarPlay = NewToolBar(LeftPanel, "toolbarPlay", "Playback panel", Qt::TopToolBarArea);
    tbCompile = AddButton(toolbarPlay, aCreateWavefile, "tbCompile", "compile");
    tbPlay = AddButton(toolbarPlay, aPlayShow, "tbPlay", "play");
    tbStop = AddButton(toolbarPlay, aStopShow, "tbStop", "stop");
    tbRepeat = AddButton(toolbarPlay, aRepeatPlay, "tbRepeat", "repeat");
    aShowPreview->setIcon(ToolIcon("preview"));
    // Greyed while the show has no wave file; the menu item and F9 still say why.
    tbShowPreview = AddDetachedButton(toolbarPlay, aShowPreview, "tbShowPreview");
    tbLive = AddButton(toolbarPlay, aLivePreview, "tbLive", "live");

    LeftPanel->addToolBarBreak(Qt::TopToolBarArea);
    toolbarTools = NewToolBar(LeftPanel, "toolbarTools", "Working tools", Qt::TopToolBarArea);
    tbMove = AddButton(toolbarTools, aToolMove, "tbMove", "move");
    tbAdd = AddButton(toolbarTools, aToolAdd, "tbAdd", "add");
    tbDel = AddButton(toolbarTools, aToolDel, "tbDel", "del");
    tbZoom = AddButton(toolbarTools, aToolZoom, "tbZoom", "zoom", pmZoom);
    tbPointTools = AddButton(toolbarTools, aToolPoint, "tbPointTools", PointToolIconName(Start->PointTools.Image),
                             NewPopup("pmPointTools", {miToolSharpen, miToolLink, miToolMoveRotate, miToolAuxPoints}));
    tbGeo = AddButton(toolbarTools, aToolGeo, "tbGeo", PointToolIconName(TGeoButton::EquilateralImage),
                      NewPopup("pmGeo", {miEquilateral}));
}

void TFormMainUi::CreateEditToolBars()
{
    toolbarDisplay = NewToolBar(Window, "toolbarDisplay", "Display options", Qt::RightToolBarArea);
    struct TSwitchButton {
        QAction* TFormMainUi::*item;
        QToolButton* TFormMainUi::*button;
        const char* name;
        const char* icon;
        QMenu* TFormMainUi::*dropDown;
    };
    static const TSwitchButton switches[] = {
        {&TFormMainUi::miShowPoints, &TFormMainUi::sbShowPoints, "sbShowPoints", "showpoints", &TFormMainUi::pmCircles},
        {&TFormMainUi::miShowNoOfPoints, &TFormMainUi::sbShowNumPoints, "sbShowNumPoints", "shownumbers", &TFormMainUi::pmCircles},
        {&TFormMainUi::miShowBackframe, &TFormMainUi::sbShowBackframe, "sbShowBackframe", "backframe", &TFormMainUi::pmCircles},
        {&TFormMainUi::miShowLinks, &TFormMainUi::sbShowLinks, "sbShowLinks", "links", &TFormMainUi::pmCircles},
        {&TFormMainUi::miShowReal, &TFormMainUi::sbShowReal, "sbShowReal", "round", &TFormMainUi::pmCircles},
        {&TFormMainUi::miCloseloop, &TFormMainUi::sbCloseLoop, "sbCloseLoop", "closeloop", &TFormMainUi::pmCircles},
        {&TFormMainUi::miUseGrid, &TFormMainUi::sbShowGrid, "sbShowGrid", "grid", &TFormMainUi::pmGrid},
        {&TFormMainUi::miSnapGrid, &TFormMainUi::sbSnapGrid, "sbSnapGrid", "snapgrid", &TFormMainUi::pmGrid},
        {&TFormMainUi::miSnapHelp, &TFormMainUi::sbSnapHelp, "sbSnapHelp", "snaphelp", &TFormMainUi::pmGrid},
        {&TFormMainUi::miShowRuler, &TFormMainUi::sbRuler, "sbRuler", "ruler", &TFormMainUi::pmGrid},
        {&TFormMainUi::miFlipX, &TFormMainUi::sbFlipX, "sbFlipX", "flipx", nullptr},
        {&TFormMainUi::miFlipY, &TFormMainUi::sbFlipY, "sbFlipY", "flipy", nullptr},
        {&TFormMainUi::miNoImg, &TFormMainUi::sbNoImg, "sbNoImg", "noimg", &TFormMainUi::pmBackImg},
        {&TFormMainUi::miPartImg, &TFormMainUi::sbPartImg, "sbPartImg", "partimg", &TFormMainUi::pmBackImg},
        {&TFormMainUi::miFullImg, &TFormMainUi::sbFullImg, "sbFullImg", "fullimg", &TFormMainUi::pmBackImg},
    };
    for (const TSwitchButton& s : switches) {
        if (s.item == &TFormMainUi::miNoImg || s.item == &TFormMainUi::miFlipX)
            toolbarDisplay->addSeparator();
        this->*s.button = AddButton(toolbarDisplay, this->*s.item, s.name, s.icon, s.dropDown ? this->*s.dropDown : nullptr);
    }

    // A column of its own: the display bar alone fills the height of the designed window.
    Window->addToolBarBreak(Qt::RightToolBarArea);
    toolbarPointsFrames = NewToolBar(Window, "toolbarPointsFrames", "Point & frame properties", Qt::RightToolBarArea);
    sbSharpen = AddButton(toolbarPointsFrames, aSharpen, "sbSharpen", "sharpen");
    sbBlank = AddButton(toolbarPointsFrames, aBlank, "sbBlank", "blank");
    sbColor = AddButton(toolbarPointsFrames, aColorSwitch, "sbColor", "color", pmColor);
    sbLock = AddButton(toolbarPointsFrames, aLock, "sbLock", "lock");
    sbEffect = AddButton(toolbarPointsFrames, aEffectStep, "sbEffect", "effect", pmEffect);
}


void TFormMainUi::CreateSoundtrackActions()
{
    aSoundtrack = NewAction("aSoundtrack", "&Soundtrack...", "Choose the music of this show");
    aRemoveSoundtrack = NewAction("aRemoveSoundtrack", "Remove soundtrack", "Remove the music from this show");
    aFitFramesToBeats = NewAction("aFitFramesToBeats", "Fit frames to beats",
                                  "Change the frame delays so that every change of frame falls on a beat");
    miSoundOutputs = NewAction("miSoundOutputs", "Sound outputs...",
                               "Choose the sound outputs of the laser signal and of the music");
    aRemoveSoundtrack->setEnabled(false);

    aHalveTempo = NewAction("aHalveTempo", "&Halve tempo", "Keep every other beat: the tempo was found twice too fast");
    aDoubleTempo = NewAction("aDoubleTempo", "&Double tempo",
                             "Add a beat halfway between every two: the tempo was found twice too slow");
    aShiftHalfBeat = NewAction("aShiftHalfBeat", "&Shift beats by half a beat",
                               "Move every beat half a beat later: the beats were found on the off-beats");
    aSetDownbeat = NewAction("aSetDownbeat", "Set first do&wnbeat",
                             "Make the beat nearest to the music playing now (or to the start of the current "
                             "frame) the first beat of a bar");
    aAddBeat = NewAction("aAddBeat", "&Add beat",
                         "Add a beat where the music plays now (or at the start of the current frame)");
    aRemoveBeat = NewAction("aRemoveBeat", "&Remove beat",
                            "Remove the beat nearest to the music playing now (or to the start of the current frame)");
    aTapTempo = NewAction("aTapTempo", "&Tap tempo", "Tap this key along with the beat while the music plays; "
                          "the tapped tempo replaces the beats when you stop", Keys(Qt::Key_T));
    aTrackerBeats = NewAction("aTrackerBeats", "Use the tra&cker's beats",
                              "Forget the corrections: go by the beats found in the music again");
    for (QAction* beats : {aHalveTempo, aDoubleTempo, aShiftHalfBeat, aSetDownbeat, aAddBeat, aRemoveBeat, aTapTempo,
                           aTrackerBeats})
        beats->setEnabled(false);
}
