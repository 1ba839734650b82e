#pragma once

#include "LaserFrames.h"
#include "PadView.h"
#include "ShowDocument.h"
#include "Transforms.h"

#include <QPoint>
#include <QString>
#include <array>
#include <optional>
#include <vector>

// The sketchpad's nine tools, without widgets: the pad forwards its mouse events
// here and the main window implements TToolHost.

enum TToolCode : int {
    ToolMove = 1,        // select and move points
    ToolAdd = 2,         // add points
    ToolDelete = 3,      // delete points
    ToolLink = 4,        // link frames for morphing
    ToolZoom = 5,
    ToolPointType = 6,   // sharpen edges and blank lines
    ToolMoveRotate = 7,  // move (left) or rotate (right) the frame
    ToolCenters = 8,     // effect (left) and auxiliary (right) centre
    ToolEquilateral = 9, // regular polygon
};

// The pad's screen cursors, numbered as the main window registers them at start-up.
enum TPadCursor : int {
    CursorMovePoint = 1, // "MOVEPOINT"
    CursorAddPoint = 2,  // "ADDPOINT"
    CursorDelPoint = 3,  // "DELPOINT"
    CursorZoom = 4,      // "ZOOM"
    CursorPointType = 5, // "POINTTYPE"
    CursorAnim = 6,      // "ANIM"
    CursorSizeAll = 7,   // system size-all
    CursorCross = 8,     // system cross
};

enum TDragMode : int {
    DragInitial = -1, // the pad's state before its first mouse-up; behaves as none
    DragNone = 0,
    DragPoint = 1,
    DragRotate = 2,
    DragMove = 3,
};

// The editor state of the tools, kept by the main window; the pad drawing reads
// CurrentPoint, MultiSelect, Equilateral and the drag for its guide lines.
struct TToolState {
    int Tool = ToolMove;
    int CurrentPoint = 0;
    bool MultiSelect = false;
    int DragMode = DragInitial;
    int DragStartX = 0, DragStartY = 0; // frame coordinates, unmirrored
    int DragEndX = 0, DragEndY = 0;
    TEquilateral Equilateral;

    // The drag in progress: the pointer has moved since the press.
    bool DragMoved = false;
    QPoint DragPointer;                 // last pointer position, pad pixels
};

// What the tools read of the view and the display switches.
struct TToolView {
    TPadTransform Transform;      // zoom, scroll positions, Flip X / Flip Y
    int GridSize = 16;
    int CircleSize = 3;           // points are hit within 2 * CircleSize pixels
    bool SnapGrid = true;         // "Snap to grid"
    bool MoveWithoutRedraw = false; // "Move points &without redraw"
};

// One pad mouse event: position in pad pixels, the button pressed (mouse-down).
struct TPadMouse {
    QPoint Pos;
    Qt::MouseButton Button = Qt::NoButton;
    Qt::KeyboardModifiers Modifiers;

    bool Left() const { return Button == Qt::LeftButton; }
    bool Right() const { return Button == Qt::RightButton; }
    bool Shift() const { return Modifiers & Qt::ShiftModifier; }
    bool Alt() const { return Modifiers & Qt::AltModifier; }
};

// Implemented by the main window. Every change the tools make goes through the
// document as a step of its history; a drag is one step from press to release.
class TToolHost {
public:
    virtual ~TToolHost() = default;
    virtual TShowDocument& Document() = 0;
    TLaserFrames& Show() { return Document().Show(); }
    virtual int CurrentFrameIndex() const = 0;
    virtual TToolView ToolView() const = 0;
    virtual void SetBusy(bool busy) = 0;
    virtual void SetStatusText(int panel, const QString& text) = 0; // sbFrame panel 0 or 1
    // Panel 1's text about point `point` of frame `frame`, true while the point stays.
    virtual void SetPointStatus(int frame, int point, const QString& text)
    {
        (void)frame;
        (void)point;
        SetStatusText(1, text);
    }
    virtual void RedrawSketchpad() = 0;
    virtual void RefreshLiveOutput() = 0;
    virtual void ZoomInAt(int px, int py) = 0;
    virtual void ZoomOut() = 0;
    virtual void SetPadCursor(int cursor) = 0;                      // a TPadCursor number
    virtual void ShowPointFlags(bool sharp, bool blank) = 0;        // sbSharpen / sbBlank down
    virtual std::optional<QString> InputText(const QString& caption, const QString& prompt,
                                             const QString& text) = 0; // nullopt = cancelled
    virtual void Warn(const QString& text) = 0;
};

class TPadTools {
public:
    TPadTools(TToolHost& host, TToolState& state) : FHost(host), FState(state) {}

    void MouseDown(const TPadMouse& mouse); // padMouseDown
    void MouseMove(const TPadMouse& mouse); // padMouseMove
    void MouseUp(const TPadMouse& mouse);   // padMouseUp

    void SelectTool(int tool);              // sets Tool and the pad cursor
    // sbSharpen (TSmallPoint::FlagSharp) and sbBlank (TSmallPoint::FlagBlank).
    void ToggleSelectedFlag(quint16 flag);
    // The Delete key: the points of the multi-selection, else the current point, as one
    // step. Nothing on a locked frame, as for the mouse.
    void DeleteSelectedPoints();

private:
    TToolHost& FHost;
    TToolState& FState;
};

// The guide lines of a frame drag, drawn by the pad over its repaint in the
// Rotation colour, width 1. Empty until the pointer has moved in the drag.
enum class TGuideStyle { Solid, Dashed, Dotted };
struct TGuideLine {
    QPoint From, To;   // pad pixels
    TGuideStyle Style = TGuideStyle::Solid;
};
std::vector<TGuideLine> DragGuideLines(const TToolState& state, const TLaserFrame& frame,
                                       const TPadTransform& transform);

// Status texts of the sbFrame panels.
QString PointerText(int x, int y);                    // panel 0
QString PickedPointText(int index, const TSmallPoint& point);
QString DraggedPointText(const TSmallPoint& point);
QString RotationText(double radians);                 // whole degrees and the degree sign
QString FrameMoveText(int dx, int dyUp);

// The tool buttons and menu items as data, so the main window can build them.
struct TToolInfo {
    int Tool;
    const char* Component; // the control that chooses the tool
    QString Caption;       // menu caption, empty for tool buttons
    QString Hint;
    int Cursor;            // TPadCursor
};
const std::array<TToolInfo, 9>& ToolTable();   // in tool order 1..9
const TToolInfo& ToolInfo(int tool);           // a code outside 1..9 gives tool 1

// tbPointTools: a drop-down button standing for tools 6, 4, 7 and 8.
struct TPointToolItem {
    int Tool;
    const char* Component;
    QString Caption;
    int Image;     // the button's image once the item is chosen
    QString Hint;  // the button's hint once the item is chosen (may be empty)
};
const std::array<TPointToolItem, 4>& PointToolItems(); // drop-down order
int PointToolForImage(int image);                      // 0 for an image of no tool

struct TPointToolsButton {
    int Image = 4;
    QString Hint = QStringLiteral("&Sharpen edges && blank lines");
    // A drop-down item takes over image and hint; returns the tool the following
    // click selects.
    int Choose(int item);
    int ClickTool() const { return PointToolForImage(Image); }
};

// tbGeo: its drop-down holds the single item "Equilateral".
struct TGeoButton {
    static constexpr int EquilateralImage = 8;
    static inline const QString ItemCaption = QStringLiteral("Equilateral");
    int Image = EquilateralImage;
    int ClickTool() const { return Image == EquilateralImage ? ToolEquilateral : 0; }
};
