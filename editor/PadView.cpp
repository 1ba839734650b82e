#include "PadView.h"

#include <algorithm>
#include <cstdint>

int ScrollMaximum(int zoom, int padExtent)
{
    const int extent = 256 * zoom;
    return extent > padExtent ? extent - padExtent : 0;
}

namespace {

// The scroll bar clamps a position it is given to its range.
int ScrollTo(int frameCoordinate, int zoom, int padExtent)
{
    const int position = (frameCoordinate - 128 / zoom) * zoom;
    return std::clamp(position, 0, ScrollMaximum(zoom, padExtent));
}

} // namespace

TZoomResult ZoomInAtStep(int zoom, int scrollX, int scrollY, int px, int py, int padWidth,
                         int padHeight)
{
    if (zoom >= 8)
        return {zoom, scrollX, scrollY};
    const int newZoom = std::max(zoom + 1, 1);
    const int cx = (std::uint16_t(px) + scrollX) / newZoom;
    const int cy = (std::uint16_t(py) + scrollY) / newZoom;
    return {newZoom, ScrollTo(cx, newZoom, padWidth), ScrollTo(cy, newZoom, padHeight)};
}

int ZoomOutStep(int zoom)
{
    return zoom > 1 ? zoom - 1 : zoom;
}
