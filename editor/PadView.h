#pragma once

// Frame coordinates <-> pad pixels. Flip Y mirrors x, Flip X mirrors y, both at 256 (not 255).
struct TPadTransform {
    int Zoom = 2;                 // 1..8
    int ScrollX = 0, ScrollY = 0; // sbX / sbY positions
    bool FlipX = false, FlipY = false;
    int PadX(int x) const { return (FlipY ? 256 - x : x) * Zoom - ScrollX; }
    int PadY(int y) const { return (FlipX ? 256 - y : y) * Zoom - ScrollY; }
    int PadXUnflipped(int x) const { return x * Zoom - ScrollX; }   // centres, image, help lines
    int PadYUnflipped(int y) const { return y * Zoom - ScrollY; }
    int FrameX(int px) const { return (ScrollX + px) / Zoom; }      // reverse mapping, no flip
    int FrameY(int py) const { return (ScrollY + py) / Zoom; }
};
int ScrollMaximum(int zoom, int padExtent);   // 256*zoom - extent when larger, else 0

// Zoom and scroll positions after a zoom step.
struct TZoomResult {
    int Zoom = 2;
    int ScrollX = 0, ScrollY = 0;
};

// One zoom step in at the pad pixel (px, py), each taken as an unsigned 16-bit value: below 8
// the zoom grows by one and the view is scrolled so that the frame position under the pointer
// (computed from the old scroll offsets with the new zoom) comes near the middle of a 256-pixel
// view, clamped to the new scroll ranges of a pad of padWidth x padHeight. At zoom 8 nothing
// changes.
TZoomResult ZoomInAtStep(int zoom, int scrollX, int scrollY, int px, int py, int padWidth,
                         int padHeight);

// One zoom step out: down by one while above 1. The scroll positions are left to the range
// clamping of the next repaint.
int ZoomOutStep(int zoom);
