#pragma once

#include "HelpLineGestures.h"
#include "LaserFrames.h"
#include "PadDrawing.h"
#include "PadView.h"

#include <QWidget>
#include <optional>

class QFrame;
class QKeyEvent;
class QLabel;
class QMouseEvent;
class QPainter;
class QScrollBar;
class QWheelEvent;
class TFormSketchpad;

// What the sketchpad needs from the main window, which owns the show and the editor state.
class TSketchpadHost {
public:
    virtual ~TSketchpadHost() = default;
    virtual TLaserFrames& Show() = 0;
    virtual bool IsBusy() const = 0;          // repaint draws nothing while busy
    virtual void SetDrawing(bool drawing) = 0;
    virtual TPadView PadView() const = 0;
    // The frame switch changed the current frame to `index` (valid): the host checks the effect
    // and colour radio items, sbLock, enables the image-mode commands, selects the list entry,
    // refreshes live output.
    virtual void FrameSwitched(int index) = 0;
    // Called by the frame switch: delete frame-list entries beyond the frame count.
    virtual void TrimFrameList(int frameCount) = 0;
    virtual void TimelineRedraw() {}           // end of every sketchpad repaint
    // A zoom step changed the zoom: the host keeps the value, checks its zoom radio item and
    // captions the zoom menu item. The sketchpad repaints afterwards.
    virtual void SetZoom(int zoom) { (void)zoom; }
    // The rulers' help-line gestures: a status bar panel's text (0 pointer position,
    // 1 messages), and "&Helplines..." run on the given page of the dialog.
    virtual void SetStatusText(int panel, const QString& text) { (void)panel; (void)text; }
    virtual void OpenHelpLinesDialog(THelpLinesPage page) { (void)page; }
    // A ruler gesture changes the current frame's help lines from its press to its end;
    // the host keeps that as one step. An empty name keeps the one given at the start.
    virtual void BeginHelpLinesGesture(const QString& name) { (void)name; }
    virtual void EndHelpLinesGesture(const QString& name) { (void)name; }
    // The Delete key on the pad: delete the selected points.
    virtual void DeleteKeyPressed() {}
};

// The drawing surface. Its mouse events go out as signals to whoever handles the tools.
class TPad : public QWidget {
    Q_OBJECT
public:
    explicit TPad(TFormSketchpad& form, QWidget* parent = nullptr);

signals:
    void mousePressed(QMouseEvent* event);
    void mouseMoved(QMouseEvent* event);
    void mouseReleased(QMouseEvent* event);
    void wheelTurned(QWheelEvent* event);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    TFormSketchpad& FForm;
};

// iTopRuler and iLeftRuler; mouse events go out for the help-line gestures.
class TRuler : public QWidget {
    Q_OBJECT
public:
    enum class TSide { Top, Left };
    TRuler(TFormSketchpad& form, TSide side, QWidget* parent = nullptr);

signals:
    void mousePressed(QMouseEvent* event);
    void mouseMoved(QMouseEvent* event);
    void mouseReleased(QMouseEvent* event);
    void mouseDoubleClicked(QMouseEvent* event);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    TFormSketchpad& FForm;
    TSide FSide;
};

// The sketchpad: the MDI child that shows the current frame, the rulers, the scroll bars and
// the frame switcher.
class TFormSketchpad : public QWidget {
    Q_OBJECT
public:
    explicit TFormSketchpad(TSketchpadHost& host, QWidget* parent = nullptr);

    int CurrentFrameIndex() const;            // panelFrameSwitcher's caption read as an integer
    void SetFrameMaximum(int max);            // sbFrames maximum (no frame switch)
    void SetFramePosition(int index);         // sets sbFrames' position AND runs the frame switch
    void SetSwitcherCaption(const QString& caption);
    void FrameSwitch();                       // the sbFrames change handler
    void RedrawSketchpad();                   // the single repaint routine
    void SetDocumentCaption(const QString& caption);

    // Zoom steps through the host; both end with a repaint.
    void ZoomInAt(int px, int py);
    void ZoomOut();
    // The "+" and "-" keys: one step within 1..8, the scroll positions kept; repaints.
    void ZoomBy(int step);

    // The current frame, or null when the switcher's index is not one of the show's frames.
    const TLaserFrame* CurrentFrame() const;
    // The scene of the next repaint, built from the host's view and the scroll bars.
    TPadScene PadScene();
    void PaintPad(QPainter& canvas);
    void PaintTopRuler(QPainter& canvas);
    void PaintLeftRuler(QPainter& canvas);
    // Scroll ranges for the pad's size and the host's zoom; positions past them are clamped
    // without a repaint of their own.
    void UpdateScrollRanges();

    QLabel* panelFrameSwitcher = nullptr;
    QScrollBar* sbFrames = nullptr;
    TPad* pad = nullptr;
    TRuler* iTopRuler = nullptr;
    TRuler* iLeftRuler = nullptr;
    QScrollBar* sbX = nullptr;
    QScrollBar* sbY = nullptr;
    QFrame* panelCorner = nullptr;
    // The rulers' drag state (HelpLineDragIndex, RulerDragging).
    THelpLineGestures HelpLineGestures;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void sbFramesChange();
    bool padKeyPress(QKeyEvent* event);   // true when the key was the sketchpad's
    void padWheel(QWheelEvent* event);
    void SwitchTo(int position, int frameCount);
    void ShowRulers(bool show);
    // Help-line gestures of iTopRuler and iLeftRuler.
    void ConnectRuler(TRuler* ruler, TRulerSide side);
    TRulerView RulerView() const;
    THelpLines* CurrentHelpLines();
    void RulerRespond(TRuler* ruler, const TRulerResponse& response);

    TSketchpadHost& FHost;
    bool FSwitching = false;
    int FWheelDelta = 0;   // eighths of a degree not yet turned into a zoom step
    std::optional<TPadGuide> FRulerGuide;   // over the pad until the next RedrawSketchpad
};
