// Settings menu and the settings store: the display switches, zoom, circle size and
// grid, the image mode, the window layout, and reading and writing the settings.
#include "FormUnitMain.h"

#include "FrameList.h"
#include "Prompts.h"
#include "SettingsStore.h"

#include <QFileInfo>
#include <QSettings>
#include <QToolBar>
#include <QToolButton>

namespace {

// Each display switch: its menu item and its value in the settings.
struct TSwitchBinding {
    QAction* TFormMainUi::*item;
    bool TDisplaySwitches::*value;
};

const TSwitchBinding SwitchBindings[] = {
    {&TFormMainUi::miShowPoints, &TDisplaySwitches::ShowPoints},
    {&TFormMainUi::miShowNoOfPoints, &TDisplaySwitches::ShowNumbers},
    {&TFormMainUi::miShowBackframe, &TDisplaySwitches::ShowBackframe},
    {&TFormMainUi::miShowLinks, &TDisplaySwitches::ShowLinks},
    {&TFormMainUi::miShowReal, &TDisplaySwitches::ShowRound},
    {&TFormMainUi::miUseGrid, &TDisplaySwitches::ShowGrid},
    {&TFormMainUi::miSnapGrid, &TDisplaySwitches::SnapGrid},
    {&TFormMainUi::miSnapHelp, &TDisplaySwitches::SnapHelp},
    {&TFormMainUi::miShowRuler, &TDisplaySwitches::ShowRuler},
    {&TFormMainUi::miFlipX, &TDisplaySwitches::FlipX},
    {&TFormMainUi::miFlipY, &TDisplaySwitches::FlipY},
    {&TFormMainUi::miCloseloop, &TDisplaySwitches::CloseLoop},
    {&TFormMainUi::aRepeatPlay, &TDisplaySwitches::RepeatPlay},
    {&TFormMainUi::aLivePreview, &TDisplaySwitches::LivePreview},
};

const int GridSizes[6] = {4, 8, 16, 32, 64, 128};

int StandardGridItem(int size)
{
    for (int i = 0; i < 6; ++i)
        if (GridSizes[i] == size)
            return i;
    return -1;
}

// The window's layout is kept under the "Panels" key: the main window's docks and bars,
// and the left panel's bars above the frame list.
const QString PanelsGroup = QStringLiteral("Panels");
const QString PanelsValue = QStringLiteral("Layout");
const QString LeftPanelValue = QStringLiteral("LeftPanel");

} // namespace

void TFormMain::ConnectSettingsCommands()
{
    for (const TSwitchBinding& binding : SwitchBindings) {
        QAction* item = this->*binding.item;
        if (item == aRepeatPlay || item == aLivePreview)
            continue;  // playback buttons: their behaviour belongs to playback
        connect(item, &QAction::triggered, this, [this] {
            UpdateThumbView();
            Sketchpad->RedrawSketchpad();
        });
    }
    connect(miMoveNoRedraw, &QAction::triggered, this, [this] { Sketchpad->RedrawSketchpad(); });
    // Only the ruler button resizes the window, to make room for the rulers; the menu item does not.
    connect(sbRuler, &QToolButton::clicked, this, [this] {
        const int sign = miShowRuler->isChecked() ? 1 : -1;
        resize(width() + sign * 32, height() + sign * 20);
    });
    for (QAction* item : {miNoImg, miPartImg, miFullImg})
        connect(item, &QAction::triggered, this, [this] { Sketchpad->RedrawSketchpad(); });

    for (int n = 1; n <= 8; ++n) {
        connect(miZoomN[n - 1], &QAction::triggered, this, [this, n] { ZoomTo(n); });
        connect(miCirclesN[n - 1], &QAction::triggered, this, [this, n] { SetCircleSize(n); });
    }
    for (int i = 0; i < 6; ++i)
        connect(miGridN[i], &QAction::triggered, this, [this, i] { SetGridSize(GridSizes[i], false); });
    connect(miGridCustom, &QAction::triggered, this, &TFormMain::miGridCustomClick);
    connect(miZoom, &QAction::triggered, this, &TFormMain::miZoomClick);
    connect(miCircles, &QAction::triggered, this, &TFormMain::miCirclesClick);
    connect(miGrid, &QAction::triggered, this, &TFormMain::miGridClick);
    connect(miOptimize2, &QAction::triggered, this, [this] { miOptimizeClick(2); });
    connect(miOptimize3, &QAction::triggered, this, [this] { miOptimizeClick(3); });
}

// --- the stored settings -----------------------------------------------------------------------

void TFormMain::ReadSettings()
{
    const TSettingsStore store(Settings);
    TProgramSettings settings;
    settings.Read(store, ProgramDir);
    ApplySettings(settings);

    const QByteArray panels = store.ReadBytes(PanelsGroup, PanelsValue);
    if (!panels.isEmpty())
        restoreState(panels);
    SavedLayout = panels;
    HistoryPanelFirstShown = panels.isEmpty();
    const QByteArray leftPanel = store.ReadBytes(PanelsGroup, LeftPanelValue);
    if (!leftPanel.isEmpty())
        LeftPanelWindow->restoreState(leftPanel);
    // Bars hidden before the window is first shown send no visibility signal.
    const std::pair<QAction*, QToolBar*> panelItems[] = {{miPanelFiles, toolbarFiles}, {miPanelPlay, toolbarPlay},
                                                         {miPanelTools, toolbarTools}, {miPanelPointsFrames, toolbarPointsFrames},
                                                         {miPanelDisplay, toolbarDisplay}};
    for (const auto& [item, bar] : panelItems)
        item->setChecked(!bar->isHidden());
}

void TFormMain::ApplySettings(const TProgramSettings& settings)
{
    OpenDir = settings.OpenDir;
    SaveDir = settings.SaveDir;
    for (const TSwitchBinding& binding : SwitchBindings)
        (this->*binding.item)->setChecked(settings.Switches.*binding.value);
    (settings.Image == 0 ? miNoImg : settings.Image == 1 ? miPartImg : miFullImg)->setChecked(true);

    Zoom = settings.Zoom >= 1 && settings.Zoom <= 8 ? settings.Zoom : 2;
    miZoomN[Zoom - 1]->setChecked(true);
    CircleSize = settings.Circles >= 1 && settings.Circles <= 8 ? settings.Circles : 3;
    miCirclesN[CircleSize - 1]->setChecked(true);
    GridSize = settings.Grid;
    if (const int item = StandardGridItem(GridSize); item >= 0) {
        miGridN[item]->setChecked(true);
    } else {
        miGridCustom->setText(QStringLiteral("&%1").arg(GridSize));
        miGridCustom->setVisible(true);
        miGridCustom->setChecked(true);
    }

    if (settings.Window.width() > 0 && settings.Window.height() > 0) {
        move(settings.Window.topLeft());
        resize(settings.Window.size());
    }
    RecentFiles.Load(settings.LastFile, [](const QString& fileName) { return QFileInfo(fileName).isFile(); });
    UpdateRecentItems();

    Colors = settings.Colors;
    ApplyColorNames();
    UpdateThumbView();
    ScanDelays = TScanDelays{settings.Time5Degree, settings.Time10Degree, settings.Time40Degree, settings.TimeEdges};
}

void TFormMain::ApplyColorNames()
{
    miColor0->setText(Colors.Name[0]);
    miColor1->setText(Colors.Name[1]);
}

TProgramSettings TFormMain::CollectSettings() const
{
    TProgramSettings settings;
    settings.OpenDir = OpenDir;
    settings.SaveDir = SaveDir;
    for (const TSwitchBinding& binding : SwitchBindings)
        settings.Switches.*binding.value = (this->*binding.item)->isChecked();
    settings.Image = miNoImg->isChecked() ? 0 : miPartImg->isChecked() ? 1 : miFullImg->isChecked() ? 2 : -1;
    settings.Zoom = Zoom;
    settings.Grid = GridSize;
    settings.Circles = CircleSize;
    settings.Window = QRect(pos(), size());
    for (int n = 0; n < TRecentFiles::Count; ++n)
        settings.LastFile[n] = RecentFiles.FileAt(n);
    settings.Colors = Colors;
    settings.Time5Degree = ScanDelays.Time5Degree;
    settings.Time10Degree = ScanDelays.Time10Degree;
    settings.Time40Degree = ScanDelays.Time40Degree;
    settings.TimeEdges = ScanDelays.TimeEdges;
    return settings;
}

void TFormMain::WriteSettings()
{
    TSettingsStore store(Settings);
    CollectSettings().Write(store);
    WriteSoundtrackSettings(store);
    store.WriteBytes(PanelsGroup, PanelsValue, saveState());
    store.WriteBytes(PanelsGroup, LeftPanelValue, LeftPanelWindow->saveState());
    store.Sync();
}

// --- display options ---------------------------------------------------------------------------

void TFormMain::UpdateThumbView()
{
    lbThumbs->SetColors(TThumbColors{Colors.Background, Colors.Norm[0], Colors.Norm[1], Colors.ThumbText});
    lbThumbs->SetFlips(miFlipX->isChecked(), miFlipY->isChecked());
}

void TFormMain::SetImageItemsEnabled(bool enabled)
{
    for (QAction* item : {miPartImg, miFullImg, miChoosePart})
        item->setEnabled(enabled);
}

void TFormMain::ZoomTo(int zoom)
{
    SetZoom(zoom);
    Sketchpad->RedrawSketchpad();
}

void TFormMain::SetCircleSize(int size)
{
    CircleSize = size >= 1 && size <= 8 ? size : 3;
    miCirclesN[CircleSize - 1]->setChecked(true);
    miCircles->setText(QStringLiteral("Circlesize: %1...").arg(CircleSize));
    Sketchpad->RedrawSketchpad();
}

void TFormMain::SetGridSize(int size, bool fromMenu)
{
    GridSize = size;
    if (const int item = StandardGridItem(size); item >= 0) {
        miGridN[item]->setChecked(true);
    } else {
        miGridCustom->setText(QStringLiteral("&%1").arg(size));
        miGridCustom->setVisible(true);
        miGridCustom->setChecked(true);
    }
    // The menu's input box leaves the dots in the caption, the pop-up items drop them.
    miGrid->setText(fromMenu ? QStringLiteral("Grid: %1...").arg(size) : QStringLiteral("Grid: %1").arg(size));
    Sketchpad->RedrawSketchpad();
}

void TFormMain::miZoomClick()
{
    int zoom = Zoom;
    if (const std::optional<int> value = AskInteger(QStringLiteral("Enter zoom factor"), QStringLiteral("new factor"), Zoom))
        zoom = quint8(*value);  // the low 8 bits, like the stored byte
    ZoomTo(zoom);
}

void TFormMain::miCirclesClick()
{
    int size = CircleSize;
    if (const std::optional<int> value = AskInteger(QStringLiteral("Enter size of circles"), QStringLiteral("new size"), CircleSize))
        size = quint8(*value);
    SetCircleSize(size);
}

void TFormMain::miGridClick()
{
    int size = GridSize;
    if (const std::optional<int> value = AskInteger(QStringLiteral("Enter grid width"), QStringLiteral("new width"), GridSize))
        size = *value;
    SetGridSize(size, true);
}

void TFormMain::miGridCustomClick()
{
    const QString text = miGridCustom->text().mid(1);
    bool ok = false;
    const int size = text.toInt(&ok, 10);
    if (ok) {
        GridSize = size;
        miGrid->setText(QStringLiteral("Grid: ") + text);
        miGridCustom->setChecked(true);
    }
    Sketchpad->RedrawSketchpad();
}

void TFormMain::miOptimizeClick(int zoom)
{
    if (zoom == 2) {
        resize(width() + 512 - Sketchpad->pad->width(), height() + 512 - Sketchpad->pad->height());
    } else {
        const bool ruler = miShowRuler->isChecked();
        resize(1015 + (ruler ? 32 : 0), 835 + (ruler ? 20 : 0));
    }
    ZoomTo(zoom);
}
