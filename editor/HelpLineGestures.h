#pragma once

#include "HelpLines.h"
#include "PadDrawing.h"
#include "PadView.h"

#include <QPoint>
#include <QSize>
#include <QString>
#include <optional>

// The help-line gestures of the sketchpad's rulers, without widgets: the top
// ruler (iTopRuler) lays vertical lines, the left ruler (iLeftRuler) horizontal
// ones. The rulers forward their mouse events here in ruler pixels; the response
// says what to show.
//
// The pointer maps to the frame coordinate without the view flips, exactly as the
// lines and their markers are drawn: a line lands where it was clicked, also in a
// mirrored view.

enum class TRulerSide { Top, Left };

// The pages of TFormHelpLines, in tab order.
enum class THelpLinesPage { Vertical = 0, Horizontal = 1, TwoPoints = 2 };

// The view as the rulers see it.
struct TRulerView {
    TPadTransform Transform;   // zoom and the sbX / sbY positions; the flips are not used
    int LeftWidth = 0;         // width of the left ruler, whose column the top ruler also covers
    QSize PadSize;             // the pad, for the guide line's length
};

struct TRulerResponse {
    bool Repaint = false;                 // RedrawSketchpad (it also wipes the guide line)
    bool LinesChanged = false;            // a line was added, removed or moved: set Modified
    std::optional<TPadGuide> Guide;       // draw over the pad until the next repaint
    std::optional<QString> Status;        // status bar panel 0
    std::optional<Qt::CursorShape> Cursor; // the ruler's cursor
    std::optional<THelpLinesPage> OpenDialog; // select this page, then run "&Helplines..."
};

class THelpLineGestures {
public:
    static constexpr int HitDistance = 5;               // frame units, exclusive
    static inline const QColor GuideColor{0, 128, 0};

    // `lines` is the current frame's HelpLines, or null when the show has no
    // current frame (the guide line still shows).
    TRulerResponse MouseDown(TRulerSide side, QPoint pos, Qt::MouseButton button,
                             THelpLines* lines, const TRulerView& view);
    TRulerResponse MouseMove(TRulerSide side, QPoint pos, THelpLines* lines,
                             const TRulerView& view);
    TRulerResponse MouseUp(TRulerSide side);
    // A double-click of the left button opens the dialog; one of another button
    // counts as its second press, so two quick right clicks add and remove a line.
    TRulerResponse DoubleClick(TRulerSide side, QPoint pos, Qt::MouseButton button,
                               THelpLines* lines, const TRulerView& view);

    // Frame coordinate under a ruler pixel, not clamped (div truncates toward zero).
    static int FrameCoordinate(TRulerSide side, QPoint pos, const TRulerView& view);
    // Index of the line within HitDistance of `v`, the last one when several are; -1 for none.
    static int LineAt(const std::vector<quint8>& lines, int v);

    int HelpLineDragIndex = -1;
    int RulerDragging[2] = {0, 0};   // per TRulerSide: 1 while a line of that ruler is dragged

private:
    static std::vector<quint8>& LinesOf(TRulerSide side, THelpLines& lines);
    static TPadGuide GuideLine(TRulerSide side, QPoint pos, const TRulerView& view);
};
