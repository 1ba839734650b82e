#include "HelpLineGestures.h"

#include <cstdlib>

namespace {

int Index(TRulerSide side)
{
    return side == TRulerSide::Top ? 0 : 1;
}

quint8 ClampToSquare(int v)
{
    return quint8(qBound(0, v, 255));
}

} // namespace

int THelpLineGestures::FrameCoordinate(TRulerSide side, QPoint pos, const TRulerView& view)
{
    const TPadTransform& t = view.Transform;
    const int zoom = qMax(t.Zoom, 1);
    if (side == TRulerSide::Top)
        return (pos.x() - view.LeftWidth + t.ScrollX) / zoom;
    return (pos.y() + t.ScrollY) / zoom;
}

int THelpLineGestures::LineAt(const std::vector<quint8>& lines, int v)
{
    for (int i = int(lines.size()) - 1; i >= 0; --i)
        if (std::abs(v - lines[size_t(i)]) < HitDistance)
            return i;
    return -1;
}

std::vector<quint8>& THelpLineGestures::LinesOf(TRulerSide side, THelpLines& lines)
{
    return side == TRulerSide::Top ? lines.XLines : lines.YLines;
}

TPadGuide THelpLineGestures::GuideLine(TRulerSide side, QPoint pos, const TRulerView& view)
{
    TPadGuide guide;
    guide.Color = GuideColor;
    guide.Style = Qt::DashLine;
    if (side == TRulerSide::Top) {
        const int x = pos.x() - view.LeftWidth;
        guide.Line = QLine(x, 0, x, view.PadSize.height());
    } else {
        guide.Line = QLine(0, pos.y(), view.PadSize.width(), pos.y());
    }
    return guide;
}

TRulerResponse THelpLineGestures::MouseDown(TRulerSide side, QPoint pos, Qt::MouseButton button,
                                            THelpLines* lines, const TRulerView& view)
{
    TRulerResponse response;
    response.Guide = GuideLine(side, pos, view);
    if (!lines)
        return response;
    std::vector<quint8>& list = LinesOf(side, *lines);
    const int v = FrameCoordinate(side, pos, view);
    const int hit = LineAt(list, v);
    if (button == Qt::LeftButton && hit >= 0) {
        HelpLineDragIndex = hit;
        RulerDragging[Index(side)] = 1;
    } else if (button == Qt::RightButton && hit < 0) {
        // Clamped, not wrapped: a click past the square's end must not lay a line
        // at its other end.
        list.push_back(ClampToSquare(v));
        response.LinesChanged = true;
    } else if (button == Qt::RightButton) {
        list[size_t(hit)] = list.back();
        list.pop_back();
        response.LinesChanged = true;
    }
    return response;
}

TRulerResponse THelpLineGestures::MouseMove(TRulerSide side, QPoint pos, THelpLines* lines,
                                            const TRulerView& view)
{
    TRulerResponse response;
    const int v = FrameCoordinate(side, pos, view);
    const bool overLine = lines && LineAt(LinesOf(side, *lines), v) >= 0;
    response.Cursor = overLine ? Qt::PointingHandCursor : Qt::ArrowCursor;
    if (RulerDragging[Index(side)] != 1)
        return response;

    const quint8 clamped = ClampToSquare(v);
    response.Status = QString::fromLatin1(side == TRulerSide::Top ? "X:" : "Y:")
                      + QString::number(clamped);
    response.Repaint = true;
    if (lines) {
        std::vector<quint8>& list = LinesOf(side, *lines);
        if (HelpLineDragIndex >= 0 && HelpLineDragIndex < int(list.size())
            && list[size_t(HelpLineDragIndex)] != clamped) {
            list[size_t(HelpLineDragIndex)] = clamped;
            response.LinesChanged = true;
        }
    }
    return response;
}

TRulerResponse THelpLineGestures::MouseUp(TRulerSide side)
{
    RulerDragging[Index(side)] = 0;
    HelpLineDragIndex = -1;
    TRulerResponse response;
    response.Repaint = true;
    return response;
}

TRulerResponse THelpLineGestures::DoubleClick(TRulerSide side, QPoint pos, Qt::MouseButton button,
                                              THelpLines* lines, const TRulerView& view)
{
    if (button != Qt::LeftButton)
        return MouseDown(side, pos, button, lines, view);
    RulerDragging[0] = RulerDragging[1] = 0;
    HelpLineDragIndex = -1;
    TRulerResponse response;
    response.Repaint = true;
    response.OpenDialog = side == TRulerSide::Top ? THelpLinesPage::Vertical
                                                  : THelpLinesPage::Horizontal;
    return response;
}
