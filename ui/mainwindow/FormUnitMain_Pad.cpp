// What the main window does as the sketchpad's host and the tools' host, and the
// pad's mouse events handed to the tools.
#include "FormUnitMain.h"

#include "Artwork.h"
#include "FrameList.h"
#include "Prompts.h"

#include <QLabel>
#include <QMouseEvent>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QStatusBar>
#include <QtMath>

namespace {

TPadMouse PadMouse(const QMouseEvent* event, Qt::MouseButton button)
{
    const QPointF at = event->position();
    return {QPoint(qFloor(at.x()), qFloor(at.y())), button, event->modifiers()};
}

TPadGuide PadGuide(const TGuideLine& line, const QColor& color)
{
    static constexpr Qt::PenStyle styles[] = {Qt::SolidLine, Qt::DashLine, Qt::DotLine};
    return {QLine(line.From, line.To), color, styles[int(line.Style)]};
}

} // namespace

// --- the sketchpad's host ----------------------------------------------------------------------

TPadTransform TFormMain::PadTransform() const
{
    TPadTransform transform;
    transform.Zoom = Zoom;
    transform.FlipX = miFlipX->isChecked();
    transform.FlipY = miFlipY->isChecked();
    if (Sketchpad) {
        transform.ScrollX = Sketchpad->sbX->value();
        transform.ScrollY = Sketchpad->sbY->value();
    }
    return transform;
}

TPadView TFormMain::PadView() const
{
    TPadView view;
    view.Background = Colors.Background;
    for (int c = 0; c < 2; ++c) {
        view.Norm[c] = Colors.Norm[c];
        view.Real[c] = Colors.Real[c];
        view.Back[c] = Colors.Back[c];
        view.Sel[c] = Colors.Sel[c];
        view.Link[c] = Colors.Link[c];
    }
    view.HelpLines = Colors.HelpLines;
    view.Rotation = Colors.Rotation;

    view.ShowPoints = miShowPoints->isChecked();
    view.ShowNumbers = miShowNoOfPoints->isChecked();
    view.ShowBackframe = miShowBackframe->isChecked();
    view.ShowLinks = miShowLinks->isChecked();
    view.ShowRound = miShowReal->isChecked();
    view.ShowGrid = miUseGrid->isChecked();
    view.SnapHelp = miSnapHelp->isChecked();
    view.ShowRuler = miShowRuler->isChecked();
    view.FlipX = miFlipX->isChecked();
    view.FlipY = miFlipY->isChecked();
    view.CloseLoop = miCloseloop->isChecked();
    view.Image = miPartImg->isChecked() ? 1 : miFullImg->isChecked() ? 2 : 0;

    view.Zoom = Zoom;
    view.CircleSize = CircleSize;
    view.GridSize = GridSize;
    view.CurrentPoint = State.CurrentPoint;
    view.MultiSelect = State.MultiSelect;
    view.HideEquilateralCenter = State.Equilateral.HideCenter;
    view.EquilateralCenterX = State.Equilateral.CenterX;
    view.EquilateralCenterY = State.Equilateral.CenterY;

    // A frame drag under way draws its guide lines over every repaint.
    const int index = CurrentFrameIndex();
    if (ValidFrameIndex(index)) {
        for (const TGuideLine& line : DragGuideLines(State, ShowDocument->Show().Frame(index), PadTransform()))
            view.Guides.push_back(PadGuide(line, Colors.Rotation));
    }
    return view;
}

void TFormMain::FrameSwitched(int index)
{
    Document().SetCurrentFrameIndex(index);
    const TLaserFrame& frame = Show().Frame(index);
    SetImageItemsEnabled(!frame.ImageFile.isEmpty());
    CheckEffectItem(frame.Effect);
    (frame.ColorBit() ? miColor1 : miColor0)->setChecked(true);
    aLock->setChecked(frame.IsLocked());
    lbThumbs->setCurrentRow(index);
    RefreshLiveOutput();
}

void TFormMain::TrimFrameList(int frameCount)
{
    while (lbThumbs->count() > qMax(frameCount, 0))
        delete lbThumbs->takeItem(lbThumbs->count() - 1);
}

void TFormMain::BeginHelpLinesGesture(const QString& name)
{
    Document().BeginFrameGesture(CurrentFrameIndex(), name, TShowChange::Properties);
}

void TFormMain::EndHelpLinesGesture(const QString& name)
{
    const QScopedValueRollback editing(PadEditing, true);
    Document().EndFrameGesture(name);
}

void TFormMain::DeleteKeyPressed()
{
    const QScopedValueRollback editing(PadEditing, true);
    PadTools.DeleteSelectedPoints();
}

void TFormMain::SetZoom(int zoom)
{
    Zoom = zoom >= 1 && zoom <= 8 ? zoom : 2;
    miZoomN[Zoom - 1]->setChecked(true);
    miZoom->setText(QStringLiteral("&Zoom: %1x...").arg(Zoom));
}

// --- the tools' host ---------------------------------------------------------------------------

int TFormMain::CurrentFrameIndex() const
{
    return ShowDocument->CurrentFrameIndex();
}

TToolView TFormMain::ToolView() const
{
    TToolView view;
    view.Transform = PadTransform();
    view.GridSize = GridSize;
    view.CircleSize = CircleSize;
    view.SnapGrid = miSnapGrid->isChecked();
    view.MoveWithoutRedraw = miMoveNoRedraw->isChecked();
    return view;
}

void TFormMain::SetStatusText(int panel, const QString& text)
{
    (panel == 0 ? sbFramePos : sbFrameMessage)->setText(text);
}

void TFormMain::RedrawSketchpad()
{
    if (Sketchpad)
        Sketchpad->RedrawSketchpad();
}

void TFormMain::ZoomInAt(int px, int py)
{
    Sketchpad->ZoomInAt(px, py);
}

void TFormMain::ZoomOut()
{
    Sketchpad->ZoomOut();
}

void TFormMain::SetPadCursor(int cursor)
{
    const auto& cursors = Cursors();
    if (Sketchpad && cursor >= 0 && cursor < int(cursors.size()))
        Sketchpad->pad->setCursor(cursors[size_t(cursor)]);
}

void TFormMain::ShowPointFlags(bool sharp, bool blank)
{
    aSharpen->setChecked(sharp);
    aBlank->setChecked(blank);
}

std::optional<QString> TFormMain::InputText(const QString& caption, const QString& prompt,
                                            const QString& text)
{
    return Prompts.InputText(caption, prompt, text);
}

void TFormMain::Warn(const QString& text)
{
    Prompts.Tell(TMsgIcon::Warning, text);
}

// --- the pad's mouse events ---------------------------------------------------------------

void TFormMain::padMouseDown(QMouseEvent* event)
{
    const QScopedValueRollback editing(PadEditing, true);
    PadTools.MouseDown(PadMouse(event, event->button()));
}

void TFormMain::padMouseMove(QMouseEvent* event)
{
    const QScopedValueRollback editing(PadEditing, true);
    PadTools.MouseMove(PadMouse(event, Qt::NoButton));
}

void TFormMain::padMouseUp(QMouseEvent* event)
{
    const QScopedValueRollback editing(PadEditing, true);
    PadTools.MouseUp(PadMouse(event, event->button()));
}
