// What the main window does as the sketchpad's host and the tools' host, and the
// pad's mouse events handed to the tools.
#include "FormUnitMain.h"

#include "Artwork.h"
#include "FrameStatusBar.h"
#include "LiveOutputView.h"
#include "Prompts.h"

#include <QLabel>
#include <QMouseEvent>
#include <QScrollBar>
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
    const TLaserFrame* frame = Document().Frame(index);
    if (!frame)
        return;
    SetImageItemsEnabled(!frame->ImageFile.isEmpty());
    CheckEffectItem(frame->Effect);
    (frame->ColorBit() ? miColor1 : miColor0)->setChecked(true);
    aLock->setChecked(frame->IsLocked());
}

void TFormMain::DeleteKeyPressed()
{
    PadTools.DeleteSelectedPoints();
}

void TFormMain::SetZoom(int zoom)
{
    Zoom = zoom >= 1 && zoom <= 8 ? zoom : 2;
    miZoomN[Zoom - 1]->setChecked(true);
    miZoom->setText(QStringLiteral("&Zoom: %1x...").arg(Zoom));
}

// --- the tools' host ---------------------------------------------------------------------------

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
    sbFrame->SetText(panel, text);
}

void TFormMain::SetPointStatus(int frame, int point, const QString& text)
{
    sbFrame->SetPointText(frame, point, text);
}

void TFormMain::RefreshLiveOutput()
{
    if (LiveOutput)
        LiveOutput->Refresh();
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
    PadTools.MouseDown(PadMouse(event, event->button()));
}

void TFormMain::padMouseMove(QMouseEvent* event)
{
    PadTools.MouseMove(PadMouse(event, Qt::NoButton));
}

void TFormMain::padMouseUp(QMouseEvent* event)
{
    PadTools.MouseUp(PadMouse(event, event->button()));
}
