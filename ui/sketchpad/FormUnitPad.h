#pragma once

#include "HelpLineGestures.h"
#include "PadDrawing.h"
#include "PadView.h"
#include "ShowDocument.h"

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

// What the sketchpad needs from the main window, which keeps the display settings
// and the editor state. The show comes from the document.
class TSketchpadHost {
public:
    virtual ~TSketchpadHost() = default;
    virtual bool IsBusy() const = 0;          // repaint draws nothing while busy
    virtual void SetDrawing(bool drawing) = 0;
    virtual TPadView PadView() const = 0;
    virtual void TimelineRedraw() {}           // end of every sketchpad repaint
    // A zoom step changed the zoom: the host keeps the value, checks its zoom radio item and
    // captions the zoom menu item. The sketchpad repaints afterwards.
    virtual void SetZoom(int zoom) { (void)zoom; }
    // The rulers' help-line gestures: a status bar panel's text (0 pointer position,
    // 1 messages), and "&Helplines..." run on the given page of the dialog.
    virtual void SetStatusText(int panel, const QString& text) { (void)panel; (void)text; }
    virtual void OpenHelpLinesDialog(THelpLinesPage page) { (void)page; }
    // The Delete key on the pad: delete the selected points.
    virtual void DeleteKeyPressed() {}
};

// A part of the sketchpad whose mouse events go out as signals, to the tools (the pad) or
// the help-line gestures (the rulers), as the sketchpad's own input.
class TPadArea : public QWidget {
    Q_OBJECT
public:
    explicit TPadArea(TFormSketchpad& form, QWidget* parent = nullptr) : QWidget(parent), FForm(form) {}

signals:
    void mousePressed(QMouseEvent* event);
    void mouseMoved(QMouseEvent* event);
    void mouseReleased(QMouseEvent* event);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

    TFormSketchpad& FForm;
};

// The drawing surface.
class TPad : public TPadArea {
    Q_OBJECT
public:
    explicit TPad(TFormSketchpad& form, QWidget* parent = nullptr);

signals:
    void wheelTurned(QWheelEvent* event);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
};

// iTopRuler and iLeftRuler.
class TRuler : public TPadArea {
    Q_OBJECT
public:
    enum class TSide { Top, Left };
    TRuler(TFormSketchpad& form, TSide side, QWidget* parent = nullptr);

signals:
    void mouseDoubleClicked(QMouseEvent* event);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    TSide FSide;
};

// The sketchpad: the MDI child that shows the document's current frame, the rulers, the
// scroll bars and the frame switcher. It follows the document: the frame switcher and the
// pad show the current frame, a change of that frame repaints, the caption is the file's.
class TFormSketchpad : public QWidget {
    Q_OBJECT
public:
    TFormSketchpad(TShowDocument& document, TSketchpadHost& host, QWidget* parent = nullptr);

    int CurrentFrameIndex() const { return FDocument.CurrentFrameIndex(); }
    // As the user moving sbFrames: the document's current frame becomes `index`.
    void SetFramePosition(int index);
    void RedrawSketchpad();                   // the single repaint routine
    // True while the sketchpad hands its own mouse and key events on: whoever handles
    // them repaints as the gesture needs, so document changes meanwhile wait for that.
    bool HandlingInput() const { return FInput > 0; }

    // Zoom steps through the host; both end with a repaint.
    void ZoomInAt(int px, int py);
    void ZoomOut();
    // The "+" and "-" keys: one step within 1..8, the scroll positions kept; repaints.
    void ZoomBy(int step);

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

    // Counts the sketchpad's own input under way (see HandlingInput).
    class TInput {
    public:
        explicit TInput(TFormSketchpad& form) : FForm(form) { ++FForm.FInput; }
        ~TInput() { --FForm.FInput; }
        TInput(const TInput&) = delete;
        TInput& operator=(const TInput&) = delete;

    private:
        TFormSketchpad& FForm;
    };

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void FrameSwitch(int index);          // the document's currentFrameChanged
    void FrameChanged(int index);
    void UpdateFrameRange();
    bool padKeyPress(QKeyEvent* event);   // true when the key was the sketchpad's
    void padWheel(QWheelEvent* event);
    void ShowRulers(bool show);
    // Help-line gestures of iTopRuler and iLeftRuler.
    void ConnectRuler(TRuler* ruler, TRulerSide side);
    TRulerView RulerView() const;
    THelpLines* CurrentHelpLines();
    void RulerRespond(TRuler* ruler, const TRulerResponse& response);

    TShowDocument& FDocument;
    TSketchpadHost& FHost;
    int FInput = 0;
    int FWheelDelta = 0;   // eighths of a degree not yet turned into a zoom step
    std::optional<TPadGuide> FRulerGuide;   // over the pad until the next RedrawSketchpad
};
