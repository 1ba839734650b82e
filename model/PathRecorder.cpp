#include "PathRecorder.h"

#include <QPaintEngine>
#include <QPainter>

#include <climits>
#include <cmath>
#include <utility>

class TPathRecordingEngine : public QPaintEngine {
public:
    // Every feature claimed, so the painter hands over its transform instead of
    // emulating anything on a raster.
    TPathRecordingEngine() : QPaintEngine(QPaintEngine::AllFeatures) {}

    bool begin(QPaintDevice*) override { return true; }
    bool end() override { return true; }
    Type type() const override { return QPaintEngine::User; }

    void updateState(const QPaintEngineState& state) override
    {
        const QPaintEngine::DirtyFlags dirty = state.state();
        if (dirty & DirtyTransform)
            FTransform = state.transform();
        if (dirty & DirtyPen)
            FPen = state.pen();
        if (dirty & DirtyBrush)
            FBrush = state.brush();
        if (dirty & DirtyOpacity)
            FOpacity = state.opacity();
    }

    void drawPath(const QPainterPath& path) override
    {
        const QPainterPath* real = Substitute(path);
        Record(real ? *real : path, Visible(FBrush));
    }

    void drawPolygon(const QPointF* points, int pointCount, PolygonDrawMode mode) override
    {
        if (pointCount <= 0)
            return;
        QPainterPath path(points[0]);
        for (int i = 1; i < pointCount; ++i)
            path.lineTo(points[i]);
        if (mode != PolylineMode) {
            path.closeSubpath();
            Record(path, Visible(FBrush));
            FLastPolygon = FTransform.map(path);
            return;
        }
        // Lines and polylines are never filled. A filled polyline comes as its
        // polygon and then its line, which the polygon's outline already draws.
        const QPainterPath mapped = FTransform.map(path);
        if (!FLastPolygon.isEmpty() && mapped.elementCount() + 1 == FLastPolygon.elementCount()) {
            bool same = true;
            for (int i = 0; same && i < mapped.elementCount(); ++i)
                same = QPointF(mapped.elementAt(i)) == QPointF(FLastPolygon.elementAt(i));
            if (same)
                return;
        }
        Record(path, false);
    }

    void drawPolygon(const QPoint* points, int pointCount, PolygonDrawMode mode) override
    {
        QPolygonF polygon;
        for (int i = 0; i < pointCount; ++i)
            polygon << QPointF(points[i]);
        drawPolygon(polygon.constData(), int(polygon.size()), mode);
    }

    // A dot: a line of next to no length (QPainterPath drops one of none).
    void drawPoints(const QPointF* points, int pointCount) override
    {
        for (int i = 0; i < pointCount; ++i) {
            QPainterPath path(points[i]);
            path.lineTo(points[i] + QPointF(1e-9, 0));
            Record(path, false);
        }
    }

    void drawPoints(const QPoint* points, int pointCount) override
    {
        for (int i = 0; i < pointCount; ++i) {
            const QPointF p(points[i]);
            drawPoints(&p, 1);
        }
    }

    void drawPixmap(const QRectF&, const QPixmap&, const QRectF&) override {}
    void drawImage(const QRectF&, const QImage&, const QRectF&, Qt::ImageConversionFlags) override {}
    void drawTiledPixmap(const QRectF&, const QPixmap&, const QPointF&) override {}

    TVectorDrawing Drawing;
    std::vector<QPainterPath> Substitutes;

private:
    // The path a marker stands for; null for any other path.
    const QPainterPath* Substitute(const QPainterPath& path) const
    {
        if (Substitutes.empty() || path.elementCount() != 4)
            return nullptr;
        const double k = path.elementAt(0).x;
        if (!(k >= 0 && k < double(Substitutes.size())) || k != std::floor(k))
            return nullptr;
        const QPointF expected[4] = {{k, -7.25}, {k, -7.75}, {k + 0.5, -7.5}, {k, -7.25}};
        for (int i = 0; i < 4; ++i) {
            const QPainterPath::Element& e = path.elementAt(i);
            if ((i == 0) != e.isMoveTo() || std::abs(e.x - expected[i].x()) > 1e-9
                || std::abs(e.y - expected[i].y()) > 1e-9)
                return nullptr;
        }
        return &Substitutes[size_t(k)];
    }

    static bool Visible(const QBrush& brush)
    {
        if (brush.style() == Qt::NoBrush)
            return false;
        // A plain colour may be fully transparent; gradients and patterns count as seen.
        return brush.gradient() || brush.style() == Qt::TexturePattern || brush.color().alpha() > 0;
    }

    void Record(const QPainterPath& path, bool filled)
    {
        FLastPolygon.clear();
        const bool stroked = FPen.style() != Qt::NoPen && Visible(FPen.brush());
        if ((!stroked && !filled) || FOpacity <= 0 || path.isEmpty())
            return;
        Drawing.push_back({FTransform.map(path), filled});
    }

    QTransform FTransform;
    QPen FPen;
    QBrush FBrush;
    qreal FOpacity = 1;
    QPainterPath FLastPolygon;  // the polygon just drawn, as recorded
};

TPathRecorder::TPathRecorder() : FEngine(std::make_unique<TPathRecordingEngine>()) {}

TPathRecorder::~TPathRecorder() = default;

QPaintEngine* TPathRecorder::paintEngine() const { return FEngine.get(); }

const TVectorDrawing& TPathRecorder::Drawing() const { return FEngine->Drawing; }

TVectorDrawing TPathRecorder::TakeDrawing() { return std::exchange(FEngine->Drawing, {}); }

void TPathRecorder::SetSubstitutes(std::vector<QPainterPath> paths) { FEngine->Substitutes = std::move(paths); }

QByteArray TPathRecorder::MarkerPathData(int index)
{
    // Numbers binary fractions hold exactly, in a shape no drawing has a reason to hold.
    const QByteArray k = QByteArray::number(index);
    return "M" + k + " -7.25 L" + k + " -7.75 L" + k + ".5 -7.5 Z";
}

int TPathRecorder::metric(PaintDeviceMetric metric) const
{
    // A square page at screen resolution; the drawing is scaled to fit anyway.
    switch (metric) {
    case PdmWidth:
    case PdmHeight:
        return 1000;
    case PdmWidthMM:
    case PdmHeightMM:
        return 265;
    case PdmDpiX:
    case PdmDpiY:
    case PdmPhysicalDpiX:
    case PdmPhysicalDpiY:
        return 96;
    case PdmDepth:
        return 32;
    case PdmNumColors:
        return INT_MAX;
    case PdmDevicePixelRatio:
        return 1;
    case PdmDevicePixelRatioScaled:
        return int(QPaintDevice::devicePixelRatioFScale());
    }
    return QPaintDevice::metric(metric);
}
