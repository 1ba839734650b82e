#include "FormUnitPad.h"

#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QScopeGuard>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QStyle>
#include <QWheelEvent>
#include <QtMath>

void TPadArea::mousePressEvent(QMouseEvent* event)
{
    const TFormSketchpad::TInput input(FForm);
    emit mousePressed(event);
}

void TPadArea::mouseMoveEvent(QMouseEvent* event)
{
    const TFormSketchpad::TInput input(FForm);
    emit mouseMoved(event);
}

void TPadArea::mouseReleaseEvent(QMouseEvent* event)
{
    const TFormSketchpad::TInput input(FForm);
    emit mouseReleased(event);
}

TPad::TPad(TFormSketchpad& form, QWidget* parent)
    : TPadArea(form, parent)
{
    setObjectName(QStringLiteral("pad"));
    // Every paint covers the whole pad; the backing store keeps the last one while busy.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::PointingHandCursor);
    setMouseTracking(true);   // the pointer position is shown also without a button down
    setFocusPolicy(Qt::StrongFocus);   // a click gives the pad the zoom keys
    setMinimumSize(64, 64);
}

bool TPad::event(QEvent* event)
{
    // The sketchpad's hint would sit over the drawing for as long as the pointer rests on it.
    if (event->type() == QEvent::ToolTip) {
        event->accept();
        return true;
    }
    return QWidget::event(event);
}

void TPad::paintEvent(QPaintEvent*)
{
    QPainter canvas(this);
    FForm.PaintPad(canvas);
}

void TPad::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    FForm.UpdateScrollRanges();
    FForm.iTopRuler->update();
    FForm.iLeftRuler->update();
}

void TPad::wheelEvent(QWheelEvent* event)
{
    emit wheelTurned(event);
}

TRuler::TRuler(TFormSketchpad& form, TSide side, QWidget* parent)
    : TPadArea(form, parent), FSide(side)
{
    setObjectName(side == TSide::Top ? QStringLiteral("iTopRuler") : QStringLiteral("iLeftRuler"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    QFont small = font();
    small.setPixelSize(11);   // the labels fit between the ruler's bevels
    setFont(small);
}

void TRuler::paintEvent(QPaintEvent*)
{
    QPainter canvas(this);
    if (FSide == TSide::Top)
        FForm.PaintTopRuler(canvas);
    else
        FForm.PaintLeftRuler(canvas);
}

void TRuler::mouseDoubleClickEvent(QMouseEvent* event)
{
    // Not the sketchpad's own input: it may open the help-lines dialog, whose edits
    // are shown as any other.
    emit mouseDoubleClicked(event);
}

TFormSketchpad::TFormSketchpad(TShowDocument& document, TSketchpadHost& host, QWidget* parent)
    : QWidget(parent), FDocument(document), FHost(host)
{
    setObjectName(QStringLiteral("FormSketchpad"));
    setWindowTitle(QStringLiteral("new file"));
    setToolTip(QStringLiteral("Alt-Click to add pointer after selected, Shift-Alt-Click to add as "
                              "last. Ctrl-Click to delete point."));

    pad = new TPad(*this, this);
    iTopRuler = new TRuler(*this, TRuler::TSide::Top, this);
    iTopRuler->setFixedHeight(0);
    iLeftRuler = new TRuler(*this, TRuler::TSide::Left, this);
    iLeftRuler->setFixedWidth(0);

    auto scrollBar = [this](Qt::Orientation orientation, const char* name) {
        auto* bar = new QScrollBar(orientation, this);
        bar->setObjectName(QLatin1String(name));
        bar->setRange(0, 0);
        bar->setSingleStep(8);
        bar->setPageStep(64);
        connect(bar, &QScrollBar::valueChanged, this, &TFormSketchpad::RedrawSketchpad);
        return bar;
    };
    sbX = scrollBar(Qt::Horizontal, "sbX");
    sbY = scrollBar(Qt::Vertical, "sbY");

    panelCorner = new QFrame(this);
    panelCorner->setObjectName(QStringLiteral("panelCorner"));
    panelCorner->setToolTip(QStringLiteral("Repaint image"));
    const int extent = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
    panelCorner->setFixedSize(extent, extent);
    panelCorner->installEventFilter(this);

    panelFrameSwitcher = new QLabel(QStringLiteral("0"), this);
    panelFrameSwitcher->setObjectName(QStringLiteral("panelFrameSwitcher"));
    panelFrameSwitcher->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    panelFrameSwitcher->setAlignment(Qt::AlignCenter);
    panelFrameSwitcher->setMinimumWidth(panelFrameSwitcher->fontMetrics().horizontalAdvance(
                                            QStringLiteral("00000")) + 8);

    sbFrames = new QScrollBar(Qt::Horizontal, this);
    sbFrames->setObjectName(QStringLiteral("sbFrames"));
    sbFrames->setRange(0, 0);
    sbFrames->setSingleStep(1);
    sbFrames->setPageStep(1);
    sbFrames->setFixedWidth(64);
    // The switcher sets the document's current frame; the document's answer moves it.
    connect(sbFrames, &QScrollBar::valueChanged, this, &TFormSketchpad::SetFramePosition);

    auto* bottom = new QHBoxLayout;
    bottom->setContentsMargins(0, 0, 0, 0);
    bottom->setSpacing(0);
    bottom->addWidget(panelFrameSwitcher);
    bottom->addWidget(sbFrames);
    bottom->addWidget(sbX, 1);
    bottom->addWidget(panelCorner);

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(0, 0, 0, 0);
    grid->setSpacing(0);
    grid->addWidget(iTopRuler, 0, 0, 1, 3);
    grid->addWidget(iLeftRuler, 1, 0);
    grid->addWidget(pad, 1, 1);
    grid->addWidget(sbY, 1, 2);
    grid->addLayout(bottom, 2, 0, 1, 3);
    grid->setRowStretch(1, 1);
    grid->setColumnStretch(1, 1);

    // The sketchpad sees key presses before whichever of its controls has the focus.
    setFocusProxy(pad);
    for (QWidget* control : {static_cast<QWidget*>(pad), static_cast<QWidget*>(iTopRuler),
                             static_cast<QWidget*>(iLeftRuler), static_cast<QWidget*>(sbX),
                             static_cast<QWidget*>(sbY), static_cast<QWidget*>(sbFrames)})
        control->installEventFilter(this);
    connect(pad, &TPad::wheelTurned, this, &TFormSketchpad::padWheel);
    ConnectRuler(iTopRuler, TRulerSide::Top);
    ConnectRuler(iLeftRuler, TRulerSide::Left);

    connect(&document, &TShowDocument::currentFrameChanged, this, &TFormSketchpad::FrameSwitch);
    connect(&document, &TShowDocument::framesChanged, this, &TFormSketchpad::UpdateFrameRange);
    connect(&document, &TShowDocument::showReplaced, this, &TFormSketchpad::UpdateFrameRange);
    connect(&document, &TShowDocument::frameChanged, this, &TFormSketchpad::FrameChanged);
    connect(&document, &TShowDocument::fileNameChanged, this, [this](const QString& fileName) {
        setWindowTitle(fileName.isEmpty() ? QStringLiteral("new file") : fileName);
    });
    UpdateFrameRange();
    panelFrameSwitcher->setText(QString::number(CurrentFrameIndex()));
}

void TFormSketchpad::SetFramePosition(int index)
{
    if (FDocument.FrameCount() > 0)
        FDocument.SetCurrentFrameIndex(index);
}

void TFormSketchpad::UpdateFrameRange()
{
    const QSignalBlocker block(sbFrames);
    sbFrames->setMaximum(qMax(0, FDocument.FrameCount() - 1));
}

// The frame switch: the switcher shows the current frame, and the pad repaints, also when
// the index stays (the frame at it may be another one).
void TFormSketchpad::FrameSwitch(int index)
{
    panelFrameSwitcher->setText(QString::number(index));
    {
        const QSignalBlocker block(sbFrames);
        sbFrames->setMaximum(qMax(0, FDocument.FrameCount() - 1));
        sbFrames->setValue(index);
    }
    RedrawSketchpad();
}

void TFormSketchpad::FrameChanged(int index)
{
    // The pad's own gestures repaint it as they go, with their guide lines; a step undone
    // or done again is shown by the frame switch that follows.
    if (index == CurrentFrameIndex() && !HandlingInput() && !FDocument.GestureActive()
        && !FDocument.StepRunning())
        RedrawSketchpad();
}

void TFormSketchpad::RedrawSketchpad()
{
    FRulerGuide.reset();
    if (!FHost.IsBusy() && FDocument.FrameCount() > 0) {
        FHost.SetDrawing(true);
        const auto done = qScopeGuard([this] { FHost.SetDrawing(false); });
        const bool rulers = FHost.PadView().ShowRuler;
        ShowRulers(rulers);
        UpdateScrollRanges();
        if (rulers) {
            iTopRuler->repaint();
            iLeftRuler->repaint();
        }
        pad->repaint();
    }
    // The timeline follows every repaint request, also one that drew nothing.
    FHost.TimelineRedraw();
}

void TFormSketchpad::ShowRulers(bool show)
{
    const int height = show ? TopRulerHeight : 0;
    const int width = show ? LeftRulerWidth : 0;
    if (iTopRuler->maximumHeight() == height && iLeftRuler->maximumWidth() == width)
        return;
    iTopRuler->setFixedHeight(height);
    iLeftRuler->setFixedWidth(width);
    // The pad takes its new size now, so this repaint already fills it.
    layout()->activate();
}

void TFormSketchpad::UpdateScrollRanges()
{
    // The positions these clamp are drawn by the repaint under way.
    const int zoom = FHost.PadView().Zoom;
    const QSignalBlocker blockX(sbX), blockY(sbY);
    sbX->setMaximum(ScrollMaximum(zoom, pad->width()));
    sbY->setMaximum(ScrollMaximum(zoom, pad->height()));
}

void TFormSketchpad::ZoomInAt(int px, int py)
{
    const int zoom = FHost.PadView().Zoom;
    if (zoom < 8) {
        const TZoomResult result = ZoomInAtStep(zoom, sbX->value(), sbY->value(), px, py,
                                                pad->width(), pad->height());
        FHost.SetZoom(result.Zoom);
        const QSignalBlocker blockX(sbX), blockY(sbY);
        sbX->setMaximum(ScrollMaximum(result.Zoom, pad->width()));
        sbY->setMaximum(ScrollMaximum(result.Zoom, pad->height()));
        sbX->setValue(result.ScrollX);
        sbY->setValue(result.ScrollY);
    }
    RedrawSketchpad();
}

void TFormSketchpad::ZoomOut()
{
    const int zoom = FHost.PadView().Zoom;
    if (zoom > 1)
        FHost.SetZoom(ZoomOutStep(zoom));
    RedrawSketchpad();
}

void TFormSketchpad::ZoomBy(int step)
{
    FHost.SetZoom(qBound(1, FHost.PadView().Zoom + step, 8));
    RedrawSketchpad();
}

bool TFormSketchpad::padKeyPress(QKeyEvent* event)
{
    const QString text = event->text();
    if (event->key() == Qt::Key_Delete && !(event->modifiers() & ~Qt::KeypadModifier)) {
        const TInput input(*this);
        FHost.DeleteKeyPressed();
    }
    else if (text == QLatin1String("+"))
        ZoomBy(1);
    else if (text == QLatin1String("-"))
        ZoomBy(-1);
    else
        return false;
    return true;
}

void TFormSketchpad::padWheel(QWheelEvent* event)
{
    // A fine-grained wheel or touchpad sends parts of a notch; a zoom step takes a whole one.
    FWheelDelta += event->angleDelta().y();
    const QPoint at = event->position().toPoint();
    while (FWheelDelta <= -QWheelEvent::DefaultDeltasPerStep) {
        FWheelDelta += QWheelEvent::DefaultDeltasPerStep;
        ZoomInAt(at.x(), at.y());   // wheel down
    }
    while (FWheelDelta >= QWheelEvent::DefaultDeltasPerStep) {
        FWheelDelta -= QWheelEvent::DefaultDeltasPerStep;
        ZoomOut();                  // wheel up
    }
    event->accept();
}

TPadScene TFormSketchpad::PadScene()
{
    TPadScene scene = MakePadScene(FHost.PadView(), sbX->value(), sbY->value(), pad->size());
    scene.ButtonFace = palette().color(QPalette::Button);
    TLaserFrames& show = FDocument.Show();
    const int index = CurrentFrameIndex();
    if (index >= 0 && index < show.Count()) {
        scene.Current = &show.Frame(index);
        scene.CurrentFrameIndex = index;
        if (index >= 1)
            scene.Previous = &show.Frame(index - 1);
    }
    return scene;
}

void TFormSketchpad::PaintPad(QPainter& canvas)
{
    // A file is being read or a mouse-down handled: keep what the pad shows.
    if (FHost.IsBusy())
        return;
    DrawPadScene(canvas, PadScene());
    if (FRulerGuide)
        DrawGuides(canvas, {*FRulerGuide});
}

void TFormSketchpad::PaintTopRuler(QPainter& canvas)
{
    if (FHost.IsBusy())
        return;
    const TPadScene scene = PadScene();
    DrawTopRuler(canvas, scene, iTopRuler->size(), iLeftRuler->width());
    if (scene.View.SnapHelp && scene.Current)
        DrawHelpLineMarkersTop(canvas, scene, *scene.Current, scene.View.HelpLines,
                               iLeftRuler->width(), iTopRuler->height());
}

void TFormSketchpad::PaintLeftRuler(QPainter& canvas)
{
    if (FHost.IsBusy())
        return;
    const TPadScene scene = PadScene();
    DrawLeftRuler(canvas, scene, iLeftRuler->size());
    if (scene.View.SnapHelp && scene.Current)
        DrawHelpLineMarkersLeft(canvas, scene, *scene.Current, scene.View.HelpLines,
                                iLeftRuler->width());
}

// --- help-line gestures of the rulers ----------------------------------------------------------

namespace {
QPoint RulerPixel(const QMouseEvent* event)
{
    const QPointF at = event->position();
    return {qFloor(at.x()), qFloor(at.y())};
}

size_t LineCount(TRulerSide side, const THelpLines& lines)
{
    return side == TRulerSide::Top ? lines.XLines.size() : lines.YLines.size();
}
} // namespace

void TFormSketchpad::ConnectRuler(TRuler* ruler, TRulerSide side)
{
    THelpLineGestures& gestures = HelpLineGestures;
    connect(ruler, &TRuler::mousePressed, this, [this, ruler, side, &gestures](QMouseEvent* event) {
        // A press adds or removes a line at once, or starts dragging one until the release.
        THelpLines* lines = CurrentHelpLines();
        const size_t before = lines ? LineCount(side, *lines) : 0;
        FDocument.BeginFrameGesture(CurrentFrameIndex(), QStringLiteral("Move help line"), TShowChange::Properties);
        const TRulerResponse response = gestures.MouseDown(side, RulerPixel(event), event->button(), lines,
                                                           RulerView());
        if (gestures.RulerDragging[int(side)] == 0) {
            const size_t after = lines ? LineCount(side, *lines) : 0;
            FDocument.EndFrameGesture(after > before ? QStringLiteral("Add help line")
                                                     : QStringLiteral("Remove help line"));
        }
        RulerRespond(ruler, response);
    });
    connect(ruler, &TRuler::mouseMoved, this, [this, ruler, side, &gestures](QMouseEvent* event) {
        RulerRespond(ruler, gestures.MouseMove(side, RulerPixel(event), CurrentHelpLines(), RulerView()));
    });
    connect(ruler, &TRuler::mouseReleased, this, [this, ruler, side, &gestures](QMouseEvent*) {
        const TRulerResponse response = gestures.MouseUp(side);
        FDocument.EndFrameGesture();
        RulerRespond(ruler, response);
    });
    connect(ruler, &TRuler::mouseDoubleClicked, this, [this, ruler, side, &gestures](QMouseEvent* event) {
        RulerRespond(ruler, gestures.DoubleClick(side, RulerPixel(event), event->button(),
                                                 CurrentHelpLines(), RulerView()));
    });
}

TRulerView TFormSketchpad::RulerView() const
{
    TRulerView view;
    view.Transform.Zoom = FHost.PadView().Zoom;
    view.Transform.ScrollX = sbX->value();
    view.Transform.ScrollY = sbY->value();
    view.LeftWidth = iLeftRuler->width();
    view.PadSize = pad->size();
    return view;
}

THelpLines* TFormSketchpad::CurrentHelpLines()
{
    TLaserFrame* frame = FDocument.Frame(CurrentFrameIndex());
    return frame ? &frame->HelpLines : nullptr;
}

void TFormSketchpad::RulerRespond(TRuler* ruler, const TRulerResponse& response)
{
    if (response.Cursor)
        ruler->setCursor(*response.Cursor);
    if (response.Status)
        FHost.SetStatusText(0, *response.Status);
    if (response.Repaint)
        RedrawSketchpad();
    if (response.Guide && !FHost.IsBusy()) {
        FRulerGuide = response.Guide;
        pad->repaint();
    }
    if (response.OpenDialog)
        FHost.OpenHelpLinesDialog(*response.OpenDialog);
}

bool TFormSketchpad::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == panelCorner && event->type() == QEvent::MouseButtonRelease)
        RedrawSketchpad();
    if (event->type() == QEvent::KeyPress && padKeyPress(static_cast<QKeyEvent*>(event)))
        return true;
    return QWidget::eventFilter(watched, event);
}

void TFormSketchpad::keyPressEvent(QKeyEvent* event)
{
    if (!padKeyPress(event))
        QWidget::keyPressEvent(event);
}
