#pragma once

#include "LaserFrame.h"
#include "PadView.h"

#include <QColor>
#include <QLine>
#include <QRect>
#include <QSize>

#include <vector>

class QPainter;

// A line laid over the pad by a gesture in progress (the frame drag's guide lines), width 1.
struct TPadGuide {
    QLine Line;                  // pad pixels, end point excluded
    QColor Color;
    Qt::PenStyle Style = Qt::SolidLine;
};

// Colours, display switches and editor state the pad drawing reads; the main window owns
// them and hands a copy over for each repaint. Pairs are chosen by a frame's colour bit.
struct TPadView {
    QColor Background{0, 0, 0};
    QColor Norm[2]{{255, 0, 0}, {0, 0, 255}};
    QColor Real[2]{{255, 128, 64}, {128, 128, 255}};
    QColor Back[2]{{128, 0, 0}, {0, 0, 160}};
    QColor Sel[2]{{0, 128, 0}, {0, 128, 0}};
    QColor Link[2]{{255, 255, 0}, {255, 255, 0}};
    QColor HelpLines{0, 255, 0};
    QColor Rotation{0, 255, 255};

    bool ShowPoints = true, ShowNumbers = true, ShowBackframe = true, ShowLinks = true;
    bool ShowRound = false, ShowGrid = true, SnapHelp = false, ShowRuler = false;
    bool FlipX = false, FlipY = false, CloseLoop = true;
    int Image = 0;               // 0 no image, 1 part of it, 2 all of it

    int Zoom = 2;                // 1..8
    int CircleSize = 3;          // marker half-width is 2 * CircleSize
    int GridSize = 16;
    int CurrentPoint = 0;
    bool MultiSelect = false;
    bool HideEquilateralCenter = true;
    int EquilateralCenterX = 128, EquilateralCenterY = 128;
    std::vector<TPadGuide> Guides;   // drawn last, over every repaint that lists them
};

// Everything one repaint of the pad draws from.
struct TPadScene {
    TPadView View;
    TPadTransform Transform;           // zoom and flips as in View, plus the scroll offsets
    QSize PadSize;
    QColor ButtonFace{240, 240, 240};  // outside the drawing square and on the rulers
    TLaserFrame* Current = nullptr;    // non-const: the links update its points' Marked
    const TLaserFrame* Previous = nullptr;   // the background frame, null for frame 0
    int CurrentFrameIndex = 0;
};

// The scene for `view` scrolled by (scrollX, scrollY); frames are left to the caller.
TPadScene MakePadScene(const TPadView& view, int scrollX, int scrollY, const QSize& padSize);

// The whole pad: button-face strips and background square, background image, grid, help
// lines, background frame, current frame and links, as far as the scene has them.
void DrawPadScene(QPainter& canvas, const TPadScene& scene);

void DrawGuides(QPainter& canvas, const std::vector<TPadGuide>& guides);

// Button face right of and below the drawing square, the square in the background colour.
// Both in unscrolled pixels.
void DrawPadBackground(QPainter& canvas, const TPadScene& scene);

// Bitmap rectangle shown for an image mode: 2 all of it, 1 the frame's chosen part, any other
// the top-left 256 x 256. Corners may come in any order; a swapped pair mirrors the picture.
QRect ImageSourceRect(const TLaserFrame& frame, int imageMode);
void DrawBackgroundImage(QPainter& canvas, const TPadScene& scene, const TLaserFrame& frame);

void DrawGrid(QPainter& canvas, const TPadScene& scene, const QColor& color);

// Help lines over the pad (unmirrored) and their markers on the rulers; leftWidth and
// topHeight are the rulers' sizes.
void DrawHelpLines(QPainter& canvas, const TPadScene& scene, const TLaserFrame& frame,
                   const QColor& color);
void DrawHelpLineMarkersTop(QPainter& canvas, const TPadScene& scene, const TLaserFrame& frame,
                            const QColor& color, int leftWidth, int topHeight);
void DrawHelpLineMarkersLeft(QPainter& canvas, const TPadScene& scene, const TLaserFrame& frame,
                             const QColor& color, int leftWidth);

struct TFrameColors {
    QColor Round, Selected, Normal;
};
// Centres, round edges, segments, markers with labels and the equilateral centre of `frame`.
// A marker is filled with the link colour when its Marked shares a bit with markMask.
void DrawFrame(QPainter& canvas, const TPadScene& scene, const TLaserFrame& frame,
               const TFrameColors& colors, int markMask, bool roundEdges);

// Link lines from the previous frame's points to the linked points of `current`; marks the
// current points that lie close to their linked point, which shows on the next repaint.
void DrawLinks(QPainter& canvas, const TPadScene& scene, TLaserFrame& current,
               const TLaserFrame& previous, const QColor& color);

// Ruler tick step: the grid size, doubled until `textWidth` fits into a step's pixel length.
// 0 when the grid size gives no ticks.
int RulerTickStep(int gridSize, int zoom, int textWidth);
inline constexpr int TopRulerHeight = 20;
inline constexpr int LeftRulerWidth = 32;
// The rulers fill the painter's whole `size`; `leftWidth` is the left ruler's width, whose
// column the top ruler also covers.
void DrawTopRuler(QPainter& canvas, const TPadScene& scene, const QSize& size, int leftWidth);
void DrawLeftRuler(QPainter& canvas, const TPadScene& scene, const QSize& size);
