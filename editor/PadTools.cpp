#include "PadTools.h"

#include "Geometry.h"

#include <QtMath>
#include <cmath>

namespace {

// Step names: the captions of the tools and buttons that make them.
const QString MovePointsStep = QStringLiteral("Move points");
const QString AddPointStep = QStringLiteral("Add point");
const QString DeletePointStep = QStringLiteral("Delete point");
const QString DeletePointsStep = QStringLiteral("Delete points");
const QString MoveFrameStep = QStringLiteral("Move frame");
const QString RotateFrameStep = QStringLiteral("Rotate frame");
const QString EquilateralStep = QStringLiteral("Equilateral");

// Everything one mouse event works with.
struct TGesture {
    TToolHost& Host;
    TShowDocument& Doc;
    TToolState& State;
    TLaserFrames& Show;
    int FrameIndex;
    TLaserFrame& Frame;
    TToolView View;
    const TPadMouse& Mouse;
    int X, Y; // pointer in frame coordinates, unmirrored

    bool InSquare() const { return X >= 0 && Y >= 0 && X < 256 && Y < 256; }
    int Snapped(int v) const { return View.SnapGrid ? SnapToGrid(v, View.GridSize) : v; }
    bool Hits(const TSmallPoint& p) const
    {
        const int range = 2 * View.CircleSize;
        return qAbs(View.Transform.PadX(p.X) - Mouse.Pos.x()) < range
            && qAbs(View.Transform.PadY(p.Y) - Mouse.Pos.y()) < range;
    }
};

void ClearSelection(TLaserFrame& frame)
{
    for (TSmallPoint& p : frame.Points)
        p.Selection = 0;
}

// What happens to the first point hit outside a multi-selection; returns the
// point whose flags the property buttons show.
using TPickAction = TSmallPoint (*)(TGesture& g, int index);

TSmallPoint JustSelect(TGesture& g, int index)
{
    return g.Frame.Points[index];
}

void Pick(TGesture& g, TPickAction action, bool firstOnly = false)
{
    TToolState& s = g.State;
    bool first = true;
    for (int i = 0; i < g.Frame.PointCount(); ++i) {
        if (!g.Hits(g.Frame.Points[i]))
            continue;
        if (g.Mouse.Shift()) {
            if (!s.MultiSelect)
                ClearSelection(g.Frame);
            s.MultiSelect = true;
            g.Frame.Points[i].Selection ^= TSmallPoint::SelectionBit;
        } else {
            s.MultiSelect = false;
            ClearSelection(g.Frame);
        }
        if (first && !s.MultiSelect) {
            s.CurrentPoint = i;
            g.Host.SetPointStatus(g.FrameIndex, i, PickedPointText(i, g.Frame.Points[i]));
            const TSmallPoint shown = action(g, i);
            g.Host.ShowPointFlags(shown.IsSharp(), shown.IsBlank());
        }
        first = false;
        if (firstOnly)
            break;
    }
}

TSmallPoint StartPointDrag(TGesture& g, int index)
{
    g.State.DragMode = DragPoint;
    g.State.DragMoved = false;
    // The whole drag, press to release, is one step.
    g.Doc.BeginFrameGesture(g.FrameIndex, MovePointsStep, TShowChange::Points);
    return g.Frame.Points[index];
}

TSmallPoint DeletePoint(TGesture& g, int index)
{
    const TSmallPoint deleted = g.Frame.Points[index];
    // Links stay as they are: a later add or frame operation fits them.
    g.Doc.EditFrame(g.FrameIndex, DeletePointStep,
                    [index](TLaserFrame& f) { f.Points.erase(f.Points.begin() + index); }, TShowChange::Points);
    return deleted;
}

TSmallPoint TogglePointType(TGesture& g, int index)
{
    const quint16 flag = g.Mouse.Left() ? quint16(TSmallPoint::FlagSharp)
                       : g.Mouse.Right() ? quint16(TSmallPoint::FlagBlank) : quint16(0);
    g.Doc.EditFrame(g.FrameIndex, StepName(ToolInfo(ToolPointType).Caption),
                    [index, flag](TLaserFrame& f) { f.Points[index].Flags ^= flag; }, TShowChange::Points);
    return g.Frame.Points[index];
}

void AddPoint(TGesture& g)
{
    if (!g.InSquare())
        return;
    // Snap in view coordinates, then mirror at 255 into the model.
    int x = g.Snapped(g.X);
    int y = g.Snapped(g.Y);
    if (g.View.Transform.FlipY)
        x = 255 - x;
    if (g.View.Transform.FlipX)
        y = 255 - y;

    const int count = g.Frame.PointCount();
    TSmallPoint p;
    p.X = quint8(x);
    p.Y = quint8(y);
    p.Name = QString::number(count);

    TToolState& s = g.State;
    const bool append = s.CurrentPoint < 0 || s.CurrentPoint >= count || g.Mouse.Shift();
    const int at = append ? count : s.CurrentPoint + 1;
    s.CurrentPoint = at;
    const int previous = g.FrameIndex > 0 ? g.Show.Frame(g.FrameIndex - 1).PointCount() : -1;
    g.Doc.EditFrame(g.FrameIndex, AddPointStep, [&p, at, previous](TLaserFrame& f) {
        f.Points.insert(f.Points.begin() + at, p);
        RenumberPoints(f);
        // Fitting keeps entries by position: rows do not follow an inserted point.
        if (previous >= 0)
            f.FitLinks(previous);
    }, TShowChange::Points | TShowChange::Links);
}

void SetCentre(TGesture& g)
{
    // The file keeps one byte per centre: a press beside the square would not survive saving.
    if (!g.InSquare())
        return;
    const int x = g.Snapped(g.X);
    const int y = g.Snapped(g.Y);
    const bool left = g.Mouse.Left(), right = g.Mouse.Right();
    g.Doc.EditFrame(g.FrameIndex, StepName(ToolInfo(ToolCenters).Caption), [=](TLaserFrame& f) {
        if (left) {
            f.EffectCenterX = x;
            f.EffectCenterY = y;
        } else if (right) {
            f.AuxCenterX = x;
            f.AuxCenterY = y;
        }
    }, TShowChange::Properties);
}

void ToggleLink(TGesture& g)
{
    const TLaserFrame& previous = g.Show.Frame(g.FrameIndex - 1);
    const int row = g.State.CurrentPoint;
    for (int j = 0; j < previous.PointCount(); ++j) {
        if (g.Hits(previous.Points[j])) {
            // Set() drops positions outside the matrix.
            g.Doc.EditFrame(g.FrameIndex, StepName(ToolInfo(ToolLink).Caption),
                            [row, j](TLaserFrame& f) { f.Links.Set(row, j, !f.Links.Get(row, j)); },
                            TShowChange::Links);
            return;
        }
    }
}

void StartFrameDrag(TGesture& g, int mode)
{
    TToolState& s = g.State;
    g.Doc.BeginFrameGesture(g.FrameIndex, mode == DragMove ? MoveFrameStep : RotateFrameStep, TShowChange::Points);
    s.DragMode = mode;
    s.DragMoved = false;
    s.DragStartX = g.X;
    s.DragStartY = g.Y;
    // A press and release without movement leaves the frame alone.
    s.DragEndX = g.X;
    s.DragEndY = g.Y;
}

// ---- The nine tools: what a press does.

class TPadTool {
public:
    virtual ~TPadTool() = default;
    virtual void Press(TGesture& g) const = 0;
};

class TMoveTool : public TPadTool {
    void Press(TGesture& g) const override
    {
        if (g.Mouse.Right() || g.Mouse.Alt())
            AddPoint(g);
        else if (g.Mouse.Left())
            Pick(g, StartPointDrag);
    }
};

class TAddTool : public TPadTool {
    void Press(TGesture& g) const override
    {
        if (g.Mouse.Right())
            Pick(g, JustSelect);
        else
            AddPoint(g);
    }
};

class TDeleteTool : public TPadTool {
    void Press(TGesture& g) const override
    {
        if (g.Mouse.Left() && !g.Mouse.Alt())
            Pick(g, DeletePoint, true);
    }
};

// Left selects the point of this frame, right links it to the previous frame's point.
class TLinkTool : public TPadTool {
    void Press(TGesture& g) const override
    {
        if (g.Mouse.Left())
            Pick(g, JustSelect);
        else if (g.Mouse.Right() && g.FrameIndex > 0)
            ToggleLink(g);
    }
};

class TZoomTool : public TPadTool {
    void Press(TGesture& g) const override
    {
        if (g.Mouse.Left() && g.View.Transform.Zoom < 8)
            g.Host.ZoomInAt(g.Mouse.Pos.x(), g.Mouse.Pos.y());
        else if (g.Mouse.Right() && g.View.Transform.Zoom > 1)
            g.Host.ZoomOut();
    }
};

class TPointTypeTool : public TPadTool {
    void Press(TGesture& g) const override { Pick(g, TogglePointType); }
};

class TMoveRotateTool : public TPadTool {
    void Press(TGesture& g) const override
    {
        if (g.Mouse.Alt())
            SetCentre(g);
        else if (g.Mouse.Left())
            StartFrameDrag(g, DragMove);
        else if (g.Mouse.Right())
            StartFrameDrag(g, DragRotate);
    }
};

class TCentresTool : public TPadTool {
    void Press(TGesture& g) const override { SetCentre(g); }
};

class TEquilateralTool : public TPadTool {
    void Press(TGesture& g) const override
    {
        TEquilateral& e = g.State.Equilateral;
        if (g.Mouse.Left()) {
            e.CenterX = g.X;
            e.CenterY = g.Y;
            e.HideCenter = false;
        } else if (g.Mouse.Right()) {
            e.StartX = g.X;
            e.StartY = g.Y;
            e.HideCenter = true;
            Make(g);
        }
    }

    static void Make(TGesture& g)
    {
        TToolHost& host = g.Host;
        // The question comes first; the answer is one step.
        const TEquilateralQuestion question = EquilateralQuestion(g.State.Equilateral);
        const std::optional<QString> answer = host.InputText(question.Caption, question.Prompt, question.Default);
        auto result = TEquilateralResult::NoFrame;
        g.Doc.EditFrame(g.FrameIndex, EquilateralStep, [&](TLaserFrame&) {
            result = MakeEquilateral(g.Show, g.FrameIndex, g.State.Equilateral, answer);
        }, TShowChange::Points | TShowChange::Links);
        if (result == TEquilateralResult::TooManySides)
            host.Warn(QStringLiteral("A polygon can have at most %1 sides.").arg(MaxEquilateralSides));
        host.RedrawSketchpad();
    }
};

const TPadTool* ToolFor(int tool)
{
    static const TMoveTool move;
    static const TAddTool add;
    static const TDeleteTool del;
    static const TLinkTool link;
    static const TZoomTool zoom;
    static const TPointTypeTool pointType;
    static const TMoveRotateTool moveRotate;
    static const TCentresTool centres;
    static const TEquilateralTool equilateral;
    static const std::array<const TPadTool*, 9> tools{&move, &add, &del, &link, &zoom, &pointType,
                                                      &moveRotate, &centres, &equilateral};
    return tool >= 1 && tool <= 9 ? tools[tool - 1] : nullptr;
}

// ---- The three drags a press can start: pointer moves and the release.

class TPadDrag {
public:
    virtual ~TPadDrag() = default;
    virtual void Move(TGesture& g) const = 0;
    virtual void Release(TGesture& g) const = 0;
};

class TPointDrag : public TPadDrag {
    void Move(TGesture& g) const override
    {
        TToolState& s = g.State;
        s.DragMoved = true;
        if (s.CurrentPoint < 0 || s.CurrentPoint >= g.Frame.PointCount())
            return;
        // Mirror at 256 as the view does, kept modulo 256, then snap.
        const TPadTransform& t = g.View.Transform;
        TSmallPoint& p = g.Frame.Points[s.CurrentPoint];
        p.X = quint8(g.Snapped(quint8(t.FlipY ? 256 - g.X : g.X)));
        p.Y = quint8(g.Snapped(quint8(t.FlipX ? 256 - g.Y : g.Y)));
        if (!g.View.MoveWithoutRedraw) {
            g.Doc.GestureChanged(TShowChange::Points);   // the frame list's thumbnail follows
            g.Host.RedrawSketchpad();
        }
        g.Host.SetPointStatus(g.FrameIndex, s.CurrentPoint, DraggedPointText(p));
    }

    void Release(TGesture& g) const override
    {
        g.Doc.EndFrameGesture();
        if (g.View.MoveWithoutRedraw)
            g.Host.RedrawSketchpad();
    }
};

void FollowPointer(TGesture& g)
{
    TToolState& s = g.State;
    s.DragMoved = true;
    s.DragEndX = g.X;
    s.DragEndY = g.Y;
    s.DragPointer = g.Mouse.Pos;
}

double DragAngle(const TToolState& s, const TLaserFrame& frame)
{
    const double a0 = VectorAngle(s.DragStartX - frame.EffectCenterX,
                                  s.DragStartY - frame.EffectCenterY);
    const double a1 = VectorAngle(s.DragEndX - frame.EffectCenterX,
                                  s.DragEndY - frame.EffectCenterY);
    return a1 - a0;
}

class TRotateDrag : public TPadDrag {
    void Move(TGesture& g) const override
    {
        FollowPointer(g);
        g.Host.RedrawSketchpad();
        g.Host.SetStatusText(1, RotationText(DragAngle(g.State, g.Frame)));
    }

    void Release(TGesture& g) const override
    {
        if (g.State.DragMoved)
            RotateFrame(g.Frame, DragAngle(g.State, g.Frame));
        g.Doc.EndFrameGesture();
        g.Host.RedrawSketchpad();
    }
};

class TMoveDrag : public TPadDrag {
    void Move(TGesture& g) const override
    {
        const TToolState& s = g.State;
        FollowPointer(g);
        g.Host.RedrawSketchpad();
        g.Host.SetStatusText(1, FrameMoveText(s.DragEndX - s.DragStartX, s.DragStartY - s.DragEndY));
    }

    void Release(TGesture& g) const override
    {
        const TToolState& s = g.State;
        if (s.DragMoved) {
            const int dx = s.DragEndX - s.DragStartX;
            const int dy = s.DragEndY - s.DragStartY;
            // Clamped at the edges: moving back does not restore the shape.
            for (TSmallPoint& p : g.Frame.Points) {
                p.X = quint8(qBound(0, p.X + dx, 255));
                p.Y = quint8(qBound(0, p.Y + dy, 255));
            }
        }
        g.Doc.EndFrameGesture();
        g.Host.RedrawSketchpad();
    }
};

const TPadDrag* DragFor(int mode)
{
    static const TPointDrag point;
    static const TRotateDrag rotate;
    static const TMoveDrag move;
    switch (mode) {
    case DragPoint: return &point;
    case DragRotate: return &rotate;
    case DragMove: return &move;
    default: return nullptr;
    }
}

TLaserFrame* FrameAt(TLaserFrames& show, int index)
{
    return index >= 0 && index < show.Count() ? &show.Frame(index) : nullptr;
}

} // namespace

// ---- TPadTools

void TPadTools::MouseDown(const TPadMouse& mouse)
{
    const int index = FHost.CurrentFrameIndex();
    TLaserFrames& show = FHost.Show();
    TLaserFrame* frame = FrameAt(show, index);
    if (!frame || frame->IsLocked())
        return;
    const TToolView view = FHost.ToolView();
    TGesture g{FHost, FHost.Document(), FState, show, index, *frame, view, mouse,
               view.Transform.FrameX(mouse.Pos.x()), view.Transform.FrameY(mouse.Pos.y())};
    FHost.SetBusy(true);
    if (const TPadTool* tool = ToolFor(FState.Tool))
        tool->Press(g);
    FHost.SetBusy(false);
    FHost.RedrawSketchpad();
}

void TPadTools::MouseMove(const TPadMouse& mouse)
{
    const TToolView view = FHost.ToolView();
    const int x = view.Transform.FrameX(mouse.Pos.x());
    const int y = view.Transform.FrameY(mouse.Pos.y());
    FHost.SetStatusText(0, PointerText(x, y));
    const TPadDrag* drag = DragFor(FState.DragMode);
    const int index = FHost.CurrentFrameIndex();
    TLaserFrames& show = FHost.Show();
    TLaserFrame* frame = FrameAt(show, index);
    if (!drag || !frame)
        return;
    TGesture g{FHost, FHost.Document(), FState, show, index, *frame, view, mouse, x, y};
    drag->Move(g);
}

void TPadTools::MouseUp(const TPadMouse& mouse)
{
    const TPadDrag* drag = DragFor(FState.DragMode);
    // Ended before the release's repaint, which must not show the drag's guide lines.
    FState.DragMode = DragNone;
    const int index = FHost.CurrentFrameIndex();
    TLaserFrames& show = FHost.Show();
    TLaserFrame* frame = FrameAt(show, index);
    if (drag && frame) {
        const TToolView view = FHost.ToolView();
        TGesture g{FHost, FHost.Document(), FState, show, index, *frame, view, mouse,
                   view.Transform.FrameX(mouse.Pos.x()), view.Transform.FrameY(mouse.Pos.y())};
        drag->Release(g);
    }
    // A drag whose frame went away ends here too.
    FHost.Document().EndFrameGesture();
    FHost.RefreshLiveOutput();
}

void TPadTools::SelectTool(int tool)
{
    FState.Tool = tool;
    FHost.SetPadCursor(ToolInfo(tool).Cursor);
}

void TPadTools::ToggleSelectedFlag(quint16 flag)
{
    const int index = FHost.CurrentFrameIndex();
    if (!FrameAt(FHost.Show(), index))
        return;
    const QString name = flag == TSmallPoint::FlagSharp ? QStringLiteral("Sharpen") : QStringLiteral("Blank");
    const bool multi = FState.MultiSelect;
    const int current = FState.CurrentPoint;
    FHost.Document().EditFrame(index, name, [=](TLaserFrame& f) {
        if (multi) {
            for (TSmallPoint& p : f.Points) {
                if (p.IsSelected())
                    p.Flags ^= flag;
            }
        } else if (current >= 0 && current < f.PointCount()) {
            f.Points[size_t(current)].Flags ^= flag;
        }
    }, TShowChange::Points);
}

void TPadTools::DeleteSelectedPoints()
{
    const int index = FHost.CurrentFrameIndex();
    TLaserFrame* frame = FrameAt(FHost.Show(), index);
    if (!frame || frame->IsLocked() || FState.DragMode > DragNone)
        return;
    const bool multi = FState.MultiSelect;
    const int current = FState.CurrentPoint;
    // Links stay as they are, as for the delete tool.
    const bool deleted = FHost.Document().EditFrame(index, DeletePointsStep, [=](TLaserFrame& f) {
        if (multi) {
            std::erase_if(f.Points, [](const TSmallPoint& p) { return p.IsSelected(); });
        } else if (current >= 0 && current < f.PointCount()) {
            f.Points.erase(f.Points.begin() + current);
        }
    }, TShowChange::Points);
    if (deleted) {
        // Nothing is selected any more; the point after the deleted one is current.
        FState.MultiSelect = false;
        FState.CurrentPoint = qBound(0, FState.CurrentPoint, qMax(0, frame->PointCount() - 1));
    }
    FHost.RedrawSketchpad();
    FHost.RefreshLiveOutput();
}

// ---- Guide lines and texts

std::vector<TGuideLine> DragGuideLines(const TToolState& state, const TLaserFrame& frame,
                                       const TPadTransform& transform)
{
    if (!state.DragMoved)
        return {};
    // Centre and drag start go through the flipped view, as the points do.
    const QPoint start(transform.PadX(state.DragStartX), transform.PadY(state.DragStartY));
    const QPoint centre(transform.PadX(frame.EffectCenterX), transform.PadY(frame.EffectCenterY));
    switch (state.DragMode) {
    case DragRotate:
        return {{centre, start, TGuideStyle::Solid},
                {centre, state.DragPointer, TGuideStyle::Dashed}};
    case DragMove:
        return {{start, state.DragPointer, TGuideStyle::Dotted}};
    default:
        return {};
    }
}

QString PointerText(int x, int y)
{
    return QStringLiteral("X:%1  Y:%2").arg(x).arg(y);
}

QString PickedPointText(int index, const TSmallPoint& point)
{
    return QStringLiteral("Point: %1 (%2/%3)").arg(index).arg(point.X).arg(point.Y);
}

QString DraggedPointText(const TSmallPoint& point)
{
    return QStringLiteral("Point: %1/%2").arg(point.X).arg(point.Y);
}

QString RotationText(double radians)
{
    const double degrees = std::nearbyint(radians * 180 / M_PI);
    return QString::number(qint64(degrees)) + QChar(0x00B0);
}

QString FrameMoveText(int dx, int dyUp)
{
    return QStringLiteral("dX:%1 dY:%2").arg(dx).arg(dyUp);
}

// ---- Tool buttons as data

const std::array<TToolInfo, 9>& ToolTable()
{
    static const std::array<TToolInfo, 9> table{{
        {ToolMove, "tbMove", {}, QStringLiteral("Use this tool to select and move points"),
         CursorMovePoint},
        {ToolAdd, "tbAdd", {}, QStringLiteral("Use this tool to add points"), CursorAddPoint},
        {ToolDelete, "tbDel", {}, QStringLiteral("Use this to delete points"), CursorDelPoint},
        {ToolLink, "miToolLink", QStringLiteral("&Link frames for morphing"), {}, CursorAnim},
        {ToolZoom, "tbZoom", {}, QStringLiteral("Use this to zoom in and out"), CursorZoom},
        {ToolPointType, "miToolSharpen", QStringLiteral("&Sharpen edges && blank lines"), {},
         CursorPointType},
        {ToolMoveRotate, "miToolMoveRotate", QStringLiteral("&Move and rotate frame"),
         QStringLiteral("Move (left) or rotate (right) the frame"), CursorSizeAll},
        {ToolCenters, "miToolAuxPoints", QStringLiteral("Set effect && auxiliary center &points"),
         QStringLiteral("Set the effect (left button) and auxiliary (right) center points"),
         CursorCross},
        {ToolEquilateral, "tbGeo", {},
         QStringLiteral("Left click sets equilateral center, right click sets starting point"),
         CursorMovePoint},
    }};
    return table;
}

const TToolInfo& ToolInfo(int tool)
{
    return ToolTable()[tool >= 1 && tool <= 9 ? tool - 1 : 0];
}

const std::array<TPointToolItem, 4>& PointToolItems()
{
    static const std::array<TPointToolItem, 4> items{{
        {ToolPointType, "miToolSharpen", ToolInfo(ToolPointType).Caption, 4, {}},
        {ToolLink, "miToolLink", ToolInfo(ToolLink).Caption, 5, {}},
        {ToolMoveRotate, "miToolMoveRotate", ToolInfo(ToolMoveRotate).Caption, 6,
         ToolInfo(ToolMoveRotate).Hint},
        {ToolCenters, "miToolAuxPoints", ToolInfo(ToolCenters).Caption, 7,
         ToolInfo(ToolCenters).Hint},
    }};
    return items;
}

int PointToolForImage(int image)
{
    for (const TPointToolItem& item : PointToolItems()) {
        if (item.Image == image)
            return item.Tool;
    }
    return 0;
}

int TPointToolsButton::Choose(int item)
{
    if (item >= 0 && item < int(PointToolItems().size())) {
        Image = PointToolItems()[item].Image;
        Hint = PointToolItems()[item].Hint;
    }
    return ClickTool();
}
