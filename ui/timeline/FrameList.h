#pragma once

#include "LaserFrames.h"
#include "ShowChanges.h"

#include <QColor>
#include <QListWidget>
#include <QPoint>
#include <QString>

class QDrag;
class QMimeData;
class QPainter;
class QRect;
class TShowDocument;

struct TThumbColors {
    QColor Background{0, 0, 0}, Norm0{255, 0, 0}, Norm1{0, 0, 255}, ThumbText{0, 255, 0};
};

// A frame's closed outline at 1/divisor scale, offset by (left, top); flips as the display switches.
// "Flip X" mirrors y and "Flip Y" mirrors x, as on the sketchpad.
void DrawThumbnail(QPainter& canvas, const TLaserFrame& frame, const QColor& color, int divisor,
                   int top, int left, bool flipX, bool flipY);

// The dotted green outline of a selected entry (the frame list's and the import dialog's).
void DrawSelectionOutline(QPainter& canvas, const QRect& rect);

// Texts of a frame-list entry.
QString ThumbEffectName(int effect);                  // "Slide" .. "Drain", "?" for unknown codes
QString ThumbParamText(int effect, int effectParam);  // value of the "Rotation:" line; empty: no line

// Draws one entry into `rect` (its right and bottom edges exclusive, as the list hands them out).
void DrawFrameEntry(QPainter& canvas, const QRect& rect, const TLaserFrame& frame,
                    const TThumbColors& colors, bool selected, bool flipX, bool flipY);

// The narrowest entry whose labels and values stand apart: the thumbnail, then
// "Rotation:" and the widest value of any line.
int ThumbEntryMinimumWidth();

// Whether a frame dragged from the list may be dropped at `target` (index under the pointer,
// itemCount when below the last item): not on itself, not outside the list, and not below
// the end when it is already the last one.
bool DropTargetAccepted(int target, int selected, int itemCount);

// The owner-drawn frame list. Item i draws frame i of the show; the item texts are not drawn.
// Dragging an entry onto another position only reports frameDropped: the owner moves the
// frame, and the item strings stay where they are.
class TFrameList : public QListWidget {   // objectName "lbThumbs"
    Q_OBJECT
public:
    static constexpr int ItemHeight = 84;
    static constexpr int DragThreshold = 5;

    explicit TFrameList(QWidget* parent = nullptr);
    void SetShow(const TLaserFrames* frames);     // item i draws frame i (nothing when i >= count)
    // Shows the document's frames and follows them: one entry per frame, named after it,
    // the current frame selected; a changed frame repaints its own entry only. A click
    // (or the keyboard) makes the frame current.
    void SetDocument(TShowDocument& document);
    void SetColors(const TThumbColors& colors);
    void SetFlips(bool flipX, bool flipY);
    void RepaintList();

    const TLaserFrames* Show() const { return Frames; }
    const TThumbColors& Colors() const { return ThumbColors; }
    bool FlipX() const { return FlipXOn; }
    bool FlipY() const { return FlipYOn; }

    // Index of the item at a viewport position: item count below the last item, -1 outside the list.
    int ItemIndexAt(const QPoint& viewportPos) const;
    QSize sizeHint() const override;
    // Never narrower than one entry with the scroll bar beside it.
    QSize minimumSizeHint() const override;

    // What a drag from a frame list carries: marks it as a frame of this program.
    QMimeData* CreateDragData() const;

signals:
    // A click on an entry with a valid index, or the highlight moved there by keyboard.
    void frameClicked(int index);
    // An accepted drop: S = selected index, T = target index. Sent once the drag has ended,
    // so that the receiver may ask questions.
    void frameDropped(int source, int target);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

    // Runs the platform's drag loop; tests stand in for platforms without one.
    virtual Qt::DropAction ExecDrag(QDrag& drag);

private:
    bool ValidIndex(int index) const;
    void SyncItems();                  // one entry per frame, each with its frame's name
    void FrameChanged(int index, TShowChanges what);
    bool IsOwnDrag(const QDropEvent* event) const;
    void StartFrameDrag();

    const TLaserFrames* Frames = nullptr;
    TThumbColors ThumbColors;
    bool FlipXOn = false, FlipYOn = false;
    int PressedIndex = -1;        // valid, unlocked entry under the last left press; -1: no drag
    QPoint PressPos;
};
