#include "PadDrawing.h"

#include <QFontMetrics>
#include <QHash>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPolygon>
#include <QStaticText>

#include <algorithm>
#include <bit>
#include <cmath>
#include <optional>

// Lines are drawn with flat caps: a one-pixel line then leaves out its end point and a wider
// one stops at it, as the line drawing the pad's look was made with.

namespace {

const QColor GridGrey(128, 128, 128);
const QColor RulerGrey(128, 128, 128);
const QColor EquilateralMagenta(255, 0, 255);

QPen LinePen(const QColor& color, int width, Qt::PenStyle style = Qt::SolidLine)
{
    return QPen(color, width, style, Qt::FlatCap, Qt::MiterJoin);
}

// A rectangle given by its corners, the right and bottom edges excluded; empty when inverted.
void FillCorners(QPainter& canvas, int left, int top, int right, int bottom, const QColor& color)
{
    if (right > left && bottom > top)
        canvas.fillRect(QRect(left, top, right - left, bottom - top), color);
}

// Connected lines through `points`, the last end point excluded.
void Polyline(QPainter& canvas, std::initializer_list<QPoint> points)
{
    const QPoint* previous = nullptr;
    for (const QPoint& point : points) {
        if (previous)
            canvas.drawLine(*previous, point);
        previous = &point;
    }
}

// Centres and help-line points are 32-bit values from the file; far-off ones are kept far off
// without overflowing the pixel arithmetic.
int Bounded(qint64 value)
{
    return int(std::clamp<qint64>(value, -(1 << 24), 1 << 24));
}

// Text with its top-left corner at (x, y).
void TextAt(QPainter& canvas, int x, int y, const QString& text)
{
    canvas.drawText(QPoint(x, y + canvas.fontMetrics().ascent()), text);
}

QPoint PointPixel(const TPadTransform& transform, const TSmallPoint& point)
{
    return {transform.PadX(point.X), transform.PadY(point.Y)};
}

// At zoom 8 most of a frame lies outside the pad: whatever cannot reach it is not handed
// to the painter, whose stroking would cost as much as for a visible line.
struct TPadCull {
    QRect Pad;   // the pad grown by the widest pen
    explicit TPadCull(const TPadScene& scene) : Pad(QRect(QPoint(0, 0), scene.PadSize).adjusted(-3, -3, 3, 3)) {}
    // True when the box around the points lies wholly beside the pad.
    bool Outside(std::initializer_list<QPoint> points) const
    {
        const auto [left, right] = std::minmax(points, [](const QPoint& a, const QPoint& b) { return a.x() < b.x(); });
        const auto [top, bottom] = std::minmax(points, [](const QPoint& a, const QPoint& b) { return a.y() < b.y(); });
        return right.x() < Pad.left() || left.x() > Pad.right() || bottom.y() < Pad.top() || top.y() > Pad.bottom();
    }
    bool Outside(const QPoint& a, const QPoint& b) const { return Outside({a, b}); }
    bool Outside(const QRect& box) const { return !box.intersects(Pad); }
};

// A point marker drawn once into a small picture and copied for every point that has the
// same look: the pixels are those of drawing it in place, as nothing is antialiased.
class TMarkerSprites {
public:
    const QImage& Sprite(bool square, int r, const QColor& pen, const QColor& fill)
    {
        const TKey key{square, r, pen.rgba(), fill.rgba()};
        auto found = FSprites.find(key);
        if (found != FSprites.end())
            return found.value();
        if (FSprites.size() > 64)
            FSprites.clear();
        QImage sprite(2 * (r + Margin) + 1, 2 * (r + Margin) + 1, QImage::Format_ARGB32_Premultiplied);
        sprite.fill(Qt::transparent);
        QPainter canvas(&sprite);
        canvas.setRenderHint(QPainter::Antialiasing, false);
        canvas.setPen(QPen(pen, 2, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
        canvas.setBrush(fill);
        const QRect box(Margin, Margin, 2 * r, 2 * r);
        if (square)
            canvas.drawRect(box);
        else
            canvas.drawEllipse(box);
        canvas.end();
        return FSprites.insert(key, sprite).value();
    }
    static constexpr int Margin = 3;   // room for the pen around the marker's box

private:
    struct TKey {
        bool Square;
        int R;
        QRgb Pen, Fill;
        bool operator==(const TKey&) const = default;
    };
    friend size_t qHash(const TKey& key, size_t seed = 0)
    {
        return qHashMulti(seed, key.Square, key.R, key.Pen, key.Fill);
    }
    QHash<TKey, QImage> FSprites;
};

TMarkerSprites& MarkerSprites()
{
    static TMarkerSprites sprites;
    return sprites;
}

// Point labels laid out once per font: shaping the text is most of what a label costs.
// The cache keeps the labels the last repaints drew, however many points the frame has:
// it grows with what shows and lets go of what no longer does.
class TLabelCache {
public:
    struct TLabel {
        QStaticText Text;
        int Used = 0;   // the repaint that drew it last
    };

    // A new font lays every label out anew.
    void UseFont(const QFont& font)
    {
        if (font != FFont || !FMetrics) {
            FNumbers.clear();
            FTexts.clear();
            FWidths.clear();
            FFont = font;
            FMetrics.emplace(font);
            for (int d = 0; d < 10; ++d)
                FDigit[d] = FMetrics->horizontalAdvance(QChar(u'0' + d));
            FHeight = int(std::ceil(FMetrics->height()));
        }
    }

    // Starts a frame's labels.
    void Begin()
    {
        ++FRepaint;
        FDrawn = 0;
    }

    // The label's box, measured without laying it out: a number by its digits.
    QSize Size(const TPointName& name)
    {
        qreal width = 0;
        if (name.IsNumber()) {
            int value = name.Number();
            do {
                width += FDigit[value % 10];
                value /= 10;
            } while (value > 0);
        } else {
            const QString text = name.Text();
            auto found = FWidths.constFind(text);
            if (found == FWidths.cend())
                found = FWidths.insert(text, FMetrics->horizontalAdvance(text));
            width = found.value();
        }
        return {int(std::ceil(width)), FHeight};
    }

    const QStaticText& Label(const TPointName& name)
    {
        ++FDrawn;
        TLabel& label = name.IsNumber() ? FNumbers[name.Number()] : FTexts[name.Text()];
        if (label.Used == 0) {
            label.Text.setText(name.Text());
            label.Text.setTextFormat(Qt::PlainText);
            label.Text.prepare(QTransform(), FFont);
        }
        label.Used = FRepaint;
        return label.Text;
    }

    // After a frame's labels: what the last few repaints did not draw goes, once the
    // cache holds clearly more than they drew.
    void End()
    {
        if (FNumbers.size() + FTexts.size() <= qMax<qsizetype>(Floor, 4 * FDrawn))
            return;
        const int oldest = FRepaint - 3;
        const auto trim = [oldest](auto& labels) {
            for (auto it = labels.begin(); it != labels.end();)
                it = it.value().Used < oldest ? labels.erase(it) : std::next(it);
        };
        trim(FNumbers);
        trim(FTexts);
        FWidths.clear();
    }

    static constexpr qsizetype Floor = 4096;
    qsizetype Count() const { return FNumbers.size() + FTexts.size(); }

private:
    QFont FFont;
    std::optional<QFontMetricsF> FMetrics;
    qreal FDigit[10] = {};
    int FHeight = 0;
    QHash<int, TLabel> FNumbers;
    QHash<QString, TLabel> FTexts;
    QHash<QString, qreal> FWidths;
    int FRepaint = 0;
    qsizetype FDrawn = 0;
};

TLabelCache& LabelCache()
{
    static TLabelCache labels;
    return labels;
}

// Where the labels drawn so far stand, in cells of 2 x 2 pixels of the pad: a label that
// would cover one of them could not be read, and neither could the one under it.
class TLabelSpace {
public:
    explicit TLabelSpace(QSize pad)
        : FColumns(qMax(1, (pad.width() + 1) / 2)), FRows(qMax(1, (pad.height() + 1) / 2)),
          FWords((FColumns + 63) / 64), FBits(size_t(FWords) * size_t(FRows), 0)
    {
    }

    // Whether the cell of this pad pixel is taken; a pixel beside the pad is not.
    bool Taken(QPoint at) const
    {
        const int c = at.x() >> 1, r = at.y() >> 1;
        if (at.x() < 0 || at.y() < 0 || c >= FColumns || r >= FRows)
            return false;
        return (FBits[size_t(r) * size_t(FWords) + size_t(c / 64)] >> (c % 64)) & 1u;
    }

    // Takes the box's cells when none is taken yet. A box wholly beside the pad takes nothing.
    bool Claim(const QRect& box)
    {
        const int c0 = qMax(0, box.left() >> 1), c1 = qMin(FColumns - 1, box.right() >> 1);
        const int r0 = qMax(0, box.top() >> 1), r1 = qMin(FRows - 1, box.bottom() >> 1);
        if (c0 > c1 || r0 > r1)
            return false;
        const int w0 = c0 / 64, w1 = c1 / 64;
        auto mask = [&](int w) {
            const quint64 from = w == w0 ? ~quint64(0) << (c0 % 64) : ~quint64(0);
            const quint64 to = w == w1 ? ~quint64(0) >> (63 - c1 % 64) : ~quint64(0);
            return from & to;
        };
        for (int r = r0; r <= r1; ++r) {
            const quint64* row = &FBits[size_t(r) * size_t(FWords)];
            for (int w = w0; w <= w1; ++w) {
                if (row[w] & mask(w))
                    return false;
            }
        }
        for (int r = r0; r <= r1; ++r) {
            quint64* row = &FBits[size_t(r) * size_t(FWords)];
            for (int w = w0; w <= w1; ++w)
                row[w] |= mask(w);
        }
        return true;
    }

private:
    int FColumns, FRows, FWords;
    std::vector<quint64> FBits;
};

void DrawCross(QPainter& canvas, const TPadTransform& transform, qint32 x, qint32 y, int width,
               const QColor& color)
{
    const int ex = Bounded(qint64(Bounded(x)) * transform.Zoom - transform.ScrollX);
    const int ey = Bounded(qint64(Bounded(y)) * transform.Zoom - transform.ScrollY);
    canvas.setPen(LinePen(color, width));
    canvas.drawLine(ex - 5, ey - 5, ex + 6, ey + 6);
    canvas.drawLine(ex - 5, ey + 6, ex + 6, ey - 5);
}

void DrawCentres(QPainter& canvas, const TPadScene& scene, const TLaserFrame& frame)
{
    const TPadTransform& t = scene.Transform;
    const QColor& color = scene.View.Rotation;
    DrawCross(canvas, t, frame.EffectCenterX, frame.EffectCenterY, 2, color);
    DrawCross(canvas, t, frame.AuxCenterX, frame.AuxCenterY, 1, color);
    canvas.setPen(LinePen(color, 1, Qt::DotLine));
    auto pixel = [&t](qint32 x, qint32 y) {
        return QPoint(Bounded(qint64(Bounded(x)) * t.Zoom - t.ScrollX),
                      Bounded(qint64(Bounded(y)) * t.Zoom - t.ScrollY));
    };
    canvas.drawLine(pixel(frame.EffectCenterX, frame.EffectCenterY),
                    pixel(frame.AuxCenterX, frame.AuxCenterY));
}

QPoint Midpoint(const QPoint& a, const QPoint& b)
{
    return {(a.x() + b.x()) / 2, (a.y() + b.y()) / 2};
}

// The curve the beam takes through an unsharpened corner.
void DrawRoundEdges(QPainter& canvas, const TPadCull& cull, const TLaserFrame& frame,
                    const std::vector<QPoint>& pixels, const QColor& color)
{
    const int n = int(pixels.size());
    canvas.setPen(LinePen(color, 2, Qt::DashDotDotLine));
    canvas.setBrush(Qt::NoBrush);
    QPainterPath path;
    auto corner = [&](int before, int at, int after) {
        if (frame.Points[at].IsSharp())
            return;
        const QPoint from = Midpoint(pixels[before], pixels[at]);
        const QPoint to = Midpoint(pixels[at], pixels[after]);
        // A curve without extent draws nothing with this pen; crowded points make many.
        if (from == pixels[at] && to == pixels[at])
            return;
        // The curve stays inside the triangle of its end and control points.
        if (cull.Outside({from, pixels[at], to}))
            return;
        path.moveTo(from);
        path.cubicTo(pixels[at], pixels[at], to);
    };
    for (int i = 1; i <= n - 2; ++i)
        corner(i - 1, i, i + 1);
    // The two ends use their wrap-around neighbours whether or not the loop is closed.
    corner(n - 1, 0, 1);
    corner(n - 2, n - 1, 0);
    // One path of a curve per corner: each starts its dashes afresh, as drawn one by one.
    canvas.drawPath(path);
}

// The segments of a frame; blanked ones dotted. Solid segments go to the painter together, a
// dotted one on its own so that its dots start at its first point.
class TSegments {
public:
    TSegments(QPainter& canvas, const TPadCull& cull, const QColor& color)
        : FCanvas(canvas), FCull(cull), FSolid(LinePen(color, 2)), FDotted(LinePen(color, 1, Qt::DotLine))
    {
    }

    void Add(const TSmallPoint& from, const QPoint& a, const QPoint& b)
    {
        if (FCull.Outside(a, b))
            return;
        if (!from.IsBlank()) {
            // A wide line of no length draws nothing: points crowded on one pixel, as a big
            // frame zoomed out has them, cost the painter nothing either.
            if (a != b)
                FLines.emplace_back(a, b);
            return;
        }
        FDots.emplace_back(a, b);
    }

    void Draw()
    {
        // Both in the one colour and without antialiasing: the order does not show.
        if (!FLines.empty()) {
            FCanvas.setPen(FSolid);
            FCanvas.drawLines(FLines.data(), int(FLines.size()));
        }
        if (!FDots.empty()) {
            FCanvas.setPen(FDotted);
            for (const QLine& line : FDots)
                FCanvas.drawLine(line);
        }
    }

private:
    QPainter& FCanvas;
    const TPadCull& FCull;
    QPen FSolid, FDotted;
    std::vector<QLine> FLines, FDots;
};

// Where a point's label stands: right of its marker, its top at the marker's.
QRect LabelBox(TLabelCache& labels, const TSmallPoint& point, QPoint p, int r, int ascent)
{
    const QSize size = labels.Size(point.Name);
    return {QPoint(p.x() + r + 2, p.y() - r), QSize(size.width() + 2, qMax(size.height(), ascent) + 2)};
}

// The points of `frame` whose labels are drawn: only labels that stand clear of those
// claimed before, so that what shows can be read. Where points crowd, as on a big frame
// zoomed out, the first of each crowd keeps its label and the rest stay unlabelled.
// Point `first` (the current point) claims its place before the others. Empty when no
// label is shown.
std::vector<char> ClaimLabels(QPainter& canvas, const TPadScene& scene, const TLaserFrame& frame,
                              const std::vector<QPoint>& pixels, int first, TLabelSpace& space)
{
    const TPadView& view = scene.View;
    if (!view.ShowPoints || !view.ShowNumbers)
        return {};
    TLabelCache& labels = LabelCache();
    labels.UseFont(canvas.font());
    const int ascent = canvas.fontMetrics().ascent();
    const int r = 2 * view.CircleSize;
    const int n = frame.PointCount();
    std::vector<char> labelled(size_t(n), 0);
    auto claim = [&](int i) {
        const TSmallPoint& point = frame.Points[size_t(i)];
        const QPoint& p = pixels[size_t(i)];
        // Right of or below the pad, beside it or on a label claimed before: none.
        if (labelled[size_t(i)] || point.Name.isEmpty() || p.x() + r + 2 >= scene.PadSize.width()
            || p.y() - r >= scene.PadSize.height())
            return;
        // Where points crowd most labels start on a taken cell: no need to measure them.
        if (space.Taken({p.x() + r + 2, p.y() - r}))
            return;
        labelled[size_t(i)] = space.Claim(LabelBox(labels, point, p, r, ascent));
    };
    if (first >= 0 && first < n)
        claim(first);
    for (int i = 0; i < n; ++i)
        claim(i);
    return labelled;
}

void DrawMarkers(QPainter& canvas, const TPadScene& scene, const TLaserFrame& frame,
                 const std::vector<QPoint>& pixels, const TFrameColors& colors, int markMask,
                 const std::vector<char>& labelled)
{
    const TPadView& view = scene.View;
    const TPadCull cull(scene);
    const int r = 2 * view.CircleSize;
    const QColor& fill = view.Link[frame.ColorBit() ? 1 : 0];
    const QColor black(Qt::black);
    TMarkerSprites& sprites = MarkerSprites();
    TLabelCache& labels = LabelCache();
    const bool numbers = !labelled.empty();
    if (numbers)
        labels.Begin();
    const int ascent = canvas.fontMetrics().ascent();
    const int spriteOffset = r + TMarkerSprites::Margin;
    const int n = frame.PointCount();
    QColor textColor;
    struct TLastMarker {
        QPoint At;
        bool Square;
        QRgb Pen, Brush;
        bool operator==(const TLastMarker&) const = default;
    };
    std::optional<TLastMarker> lastMarker;
    for (int i = 0; i < n; ++i) {
        const TSmallPoint& point = frame.Points[size_t(i)];
        const QPoint& p = pixels[size_t(i)];
        const QColor& color = point.Selection == 1 ? colors.Selected
                            : (i != view.CurrentPoint || view.MultiSelect) ? colors.Normal
                                                                           : colors.Selected;
        if (!cull.Outside(QRect(p.x() - spriteOffset, p.y() - spriteOffset, 2 * spriteOffset + 1,
                                2 * spriteOffset + 1))) {
            const QColor& brush = (int(point.Marked) & markMask) ? fill : black;
            // The same marker on the same spot as the one before changes no pixel (labels
            // stand beside the markers), and a big frame zoomed out has many of them.
            const TLastMarker marker{p, point.IsSharp(), color.rgba(), brush.rgba()};
            if (marker != lastMarker) {
                canvas.drawImage(p.x() - spriteOffset, p.y() - spriteOffset,
                                 sprites.Sprite(point.IsSharp(), r, color, brush));
                lastMarker = marker;
            }
        }
        if (!numbers || !labelled[size_t(i)])
            continue;
        const QPoint at(p.x() + r + 2, p.y() - r);
        if (cull.Outside(LabelBox(labels, point, p, r, ascent)))
            continue;
        const QStaticText& label = labels.Label(point.Name);
        if (color != textColor) {
            textColor = color;
            canvas.setPen(LinePen(color, 2));
        }
        canvas.drawStaticText(at, label);
    }
    if (numbers)
        labels.End();
    canvas.setBrush(Qt::black);
}

void DrawEquilateralCenter(QPainter& canvas, const TPadScene& scene)
{
    const TPadView& view = scene.View;
    const TPadTransform& t = scene.Transform;
    const int r = 2 * view.CircleSize;
    const int x = t.PadX(Bounded(view.EquilateralCenterX));
    const int y = t.PadY(Bounded(view.EquilateralCenterY));
    canvas.setPen(LinePen(EquilateralMagenta, 1, Qt::DotLine));
    canvas.setBrush(Qt::NoBrush);
    canvas.drawEllipse(QRect(x - r, y - r, 2 * r, 2 * r));
}

std::vector<QPoint> FramePixels(const TPadScene& scene, const TLaserFrame& frame)
{
    std::vector<QPoint> pixels;
    pixels.reserve(frame.Points.size());
    for (const TSmallPoint& point : frame.Points)
        pixels.push_back(PointPixel(scene.Transform, point));
    return pixels;
}

// DrawFrame with the frame's pixels and the labels it may draw worked out before.
void DrawFramePixels(QPainter& canvas, const TPadScene& scene, const TLaserFrame& frame,
                     const std::vector<QPoint>& pixels, const TFrameColors& colors, int markMask,
                     bool roundEdges, const std::vector<char>& labelled);

int PairIndex(const TLaserFrame& frame)
{
    return frame.ColorBit() ? 1 : 0;
}

} // namespace

TPadScene MakePadScene(const TPadView& view, int scrollX, int scrollY, const QSize& padSize)
{
    TPadScene scene;
    scene.View = view;
    scene.Transform.Zoom = view.Zoom;
    scene.Transform.FlipX = view.FlipX;
    scene.Transform.FlipY = view.FlipY;
    scene.Transform.ScrollX = scrollX;
    scene.Transform.ScrollY = scrollY;
    scene.PadSize = padSize;
    return scene;
}

void DrawPadScene(QPainter& canvas, const TPadScene& scene)
{
    canvas.setRenderHint(QPainter::Antialiasing, false);
    canvas.setBackgroundMode(Qt::TransparentMode);
    const TPadView& view = scene.View;
    DrawPadBackground(canvas, scene);
    TLaserFrame* frame = scene.Current;
    if (frame && view.Image != 0)
        DrawBackgroundImage(canvas, scene, *frame);
    if (view.ShowGrid)
        DrawGrid(canvas, scene, GridGrey);
    if (!frame) {
        DrawGuides(canvas, view.Guides);
        return;
    }
    if (view.SnapHelp)
        DrawHelpLines(canvas, scene, *frame, view.HelpLines);

    // The labels of both frames share the pad: the current frame's are placed first, the
    // backframe's where they stand clear of them.
    TLabelSpace space(scene.PadSize);
    const std::vector<QPoint> pixels = FramePixels(scene, *frame);
    const std::vector<char> labelled = ClaimLabels(canvas, scene, *frame, pixels, view.CurrentPoint, space);
    const TLaserFrame* previous = scene.CurrentFrameIndex >= 1 ? scene.Previous : nullptr;
    if (previous && view.ShowBackframe) {
        const int b = PairIndex(*previous);
        const std::vector<QPoint> back = FramePixels(scene, *previous);
        DrawFramePixels(canvas, scene, *previous, back, {view.Real[b], view.Back[b], view.Back[b]}, 0, false,
                        ClaimLabels(canvas, scene, *previous, back, -1, space));
    }
    const int c = PairIndex(*frame);
    DrawFramePixels(canvas, scene, *frame, pixels, {view.Real[c], view.Sel[c], view.Norm[c]}, 1, view.ShowRound,
                    labelled);
    if (previous && view.ShowBackframe && view.ShowLinks)
        DrawLinks(canvas, scene, *frame, *previous, view.Link[PairIndex(*previous)]);
    DrawGuides(canvas, view.Guides);
}

void DrawGuides(QPainter& canvas, const std::vector<TPadGuide>& guides)
{
    for (const TPadGuide& guide : guides) {
        canvas.setPen(LinePen(guide.Color, 1, guide.Style));
        canvas.drawLine(guide.Line);
    }
}

void DrawPadBackground(QPainter& canvas, const TPadScene& scene)
{
    const int extent = 256 * scene.Transform.Zoom;
    const int width = scene.PadSize.width(), height = scene.PadSize.height();
    FillCorners(canvas, extent, 0, width, height, scene.ButtonFace);
    FillCorners(canvas, 0, extent, width, height, scene.ButtonFace);
    FillCorners(canvas, 0, 0, extent, extent, scene.View.Background);
}

QRect ImageSourceRect(const TLaserFrame& frame, int imageMode)
{
    if (imageMode == 2)
        return frame.Image.rect();
    if (imageMode == 1) {
        // A file may hold any corners: bounded so that width and height cannot overflow.
        // Far beyond any picture the bound changes nothing that shows.
        static constexpr qint32 Far = 1 << 29;
        const auto bound = [](qint32 v) { return qBound(-Far, v, Far); };
        const TImagePart& part = frame.ImagePart;
        const int x1 = bound(part.X1), y1 = bound(part.Y1);
        return QRect(x1, y1, bound(part.X2) - x1, bound(part.Y2) - y1);
    }
    return QRect(0, 0, 256, 256);
}

void DrawBackgroundImage(QPainter& canvas, const TPadScene& scene, const TLaserFrame& frame)
{
    if (frame.Image.isNull() || scene.View.Image == 0)
        return;
    const QRect source = ImageSourceRect(frame, scene.View.Image);
    if (source.width() == 0 || source.height() == 0)
        return;
    const TPadTransform& t = scene.Transform;
    const QRectF target(-t.ScrollX, -t.ScrollY, 256 * t.Zoom, 256 * t.Zoom);
    if (source.width() > 0 && source.height() > 0) {
        canvas.drawImage(target, frame.Image, QRectF(source));
        return;
    }
    // Corners picked right to left or bottom to top show the part mirrored. Only the piece
    // that lies on the picture is copied, however large the part is.
    const QRect whole = source.normalized();
    const QRect piece = whole & frame.Image.rect();
    if (piece.isEmpty())
        return;
    const qreal scaleX = target.width() / whole.width(), scaleY = target.height() / whole.height();
    QRectF placed(target.left() + (piece.left() - whole.left()) * scaleX,
                  target.top() + (piece.top() - whole.top()) * scaleY,
                  piece.width() * scaleX, piece.height() * scaleY);
    if (source.width() < 0)
        placed.moveLeft(2 * target.left() + target.width() - placed.right());
    if (source.height() < 0)
        placed.moveTop(2 * target.top() + target.height() - placed.bottom());
    canvas.drawImage(placed, frame.Image.copy(piece).mirrored(source.width() < 0, source.height() < 0));
}

void DrawGrid(QPainter& canvas, const TPadScene& scene, const QColor& color)
{
    const int g = scene.View.GridSize;
    if (g <= 0)
        return;
    const TPadTransform& t = scene.Transform;
    canvas.setPen(LinePen(color, 1, Qt::DotLine));
    for (int v = g; v < 255; v += g) {
        canvas.drawLine(t.PadX(0), t.PadY(v), t.PadX(256), t.PadY(v));
        canvas.drawLine(t.PadX(v), t.PadY(0), t.PadX(v), t.PadY(256));
    }
}

void DrawHelpLines(QPainter& canvas, const TPadScene& scene, const TLaserFrame& frame,
                   const QColor& color)
{
    const TPadTransform& t = scene.Transform;
    const int extent = 256 * t.Zoom;
    const THelpLines& lines = frame.HelpLines;
    canvas.setPen(LinePen(color, 1, Qt::DotLine));
    for (quint8 x : lines.XLines) {
        const int sx = t.PadXUnflipped(x);
        canvas.drawLine(sx, 0, sx, extent);
    }
    for (quint8 y : lines.YLines) {
        const int sy = t.PadYUnflipped(y);
        canvas.drawLine(0, sy, extent, sy);
    }
    auto pixel = [&t](const TIntPoint& p) {
        return QPoint(Bounded(qint64(Bounded(p.X)) * t.Zoom - t.ScrollX),
                      Bounded(qint64(Bounded(p.Y)) * t.Zoom - t.ScrollY));
    };
    for (int i = 0; i < lines.Count2P(); ++i)
        canvas.drawLine(pixel(lines.Lines2P[0][size_t(i)]), pixel(lines.Lines2P[1][size_t(i)]));
}

void DrawHelpLineMarkersTop(QPainter& canvas, const TPadScene& scene, const TLaserFrame& frame,
                            const QColor& color, int leftWidth, int topHeight)
{
    canvas.setPen(LinePen(Qt::black, 1));
    canvas.setBrush(color);
    const int l = leftWidth, h = topHeight;
    for (quint8 x : frame.HelpLines.XLines) {
        const int sx = scene.Transform.PadXUnflipped(x);
        canvas.drawPolygon(QPolygon({QPoint(sx - 5 + l, h / 2), QPoint(sx + 5 + l, h / 2),
                                     QPoint(sx + l, h)}));
    }
}

void DrawHelpLineMarkersLeft(QPainter& canvas, const TPadScene& scene, const TLaserFrame& frame,
                             const QColor& color, int leftWidth)
{
    canvas.setPen(LinePen(Qt::black, 1));
    canvas.setBrush(color);
    const int l = leftWidth;
    for (quint8 y : frame.HelpLines.YLines) {
        const int sy = scene.Transform.PadYUnflipped(y);
        canvas.drawPolygon(QPolygon({QPoint(l / 2, sy + 5), QPoint(l / 2, sy - 5), QPoint(l, sy)}));
    }
}

void DrawFrame(QPainter& canvas, const TPadScene& scene, const TLaserFrame& frame,
               const TFrameColors& colors, int markMask, bool roundEdges)
{
    TLabelSpace space(scene.PadSize);
    const std::vector<QPoint> pixels = FramePixels(scene, frame);
    DrawFramePixels(canvas, scene, frame, pixels, colors, markMask, roundEdges,
                    ClaimLabels(canvas, scene, frame, pixels, scene.View.CurrentPoint, space));
}

namespace {

void DrawFramePixels(QPainter& canvas, const TPadScene& scene, const TLaserFrame& frame,
                     const std::vector<QPoint>& pixels, const TFrameColors& colors, int markMask,
                     bool roundEdges, const std::vector<char>& labelled)
{
    const TPadView& view = scene.View;
    DrawCentres(canvas, scene, frame);

    const int n = frame.PointCount();
    const TPadCull cull(scene);
    if (roundEdges && n >= 3)
        DrawRoundEdges(canvas, cull, frame, pixels, colors.Round);
    TSegments segments(canvas, cull, colors.Normal);
    for (int i = 0; i + 1 < n; ++i)
        segments.Add(frame.Points[size_t(i)], pixels[size_t(i)], pixels[size_t(i + 1)]);
    // Two points would only retrace their one segment.
    if (view.CloseLoop && n > 2)
        segments.Add(frame.Points[size_t(n - 1)], pixels[size_t(n - 1)], pixels[0]);
    segments.Draw();

    if (view.ShowPoints)
        DrawMarkers(canvas, scene, frame, pixels, colors, markMask, labelled);
    if (!view.HideEquilateralCenter)
        DrawEquilateralCenter(canvas, scene);
}

} // namespace

void DrawLinks(QPainter& canvas, const TPadScene& scene, TLaserFrame& current,
               const TLaserFrame& previous, const QColor& color)
{
    const TPadTransform& t = scene.Transform;
    const TPadCull cull(scene);
    const int near = 4 * scene.View.CircleSize;
    const QPen solidPen = LinePen(color, 1), dashedPen = LinePen(color, 1, Qt::DashLine);
    bool solidSet = false, dashedSet = false;
    const TLinkMatrix& links = current.Links;
    const int rows = std::min(current.PointCount(), links.Rows());
    const int columns = std::min(previous.PointCount(), links.Cols());
    auto link = [&](int i, const QPoint& pj) {
        TSmallPoint& point = current.Points[size_t(i)];
        const QPoint pi = PointPixel(t, point);
        point.Marked = std::abs(pi.x() - pj.x()) < near && std::abs(pi.y() - pj.y()) < near;
        if (cull.Outside(pj, pi))
            return;
        const bool solid = i == scene.View.CurrentPoint;
        if (solid ? !solidSet : !dashedSet) {
            canvas.setPen(solid ? solidPen : dashedPen);
            solidSet = solid;
            dashedSet = !solid;
        }
        canvas.drawLine(pj, pi);
    };
    // The links listed once for the matrix as it is; most entries are clear.
    if (const std::vector<TLinkMatrix::TEntry>* entries = links.Entries()) {
        int lastColumn = -1;
        QPoint pj;
        for (const TLinkMatrix::TEntry& entry : *entries) {
            if (entry.Col >= columns)
                break;
            if (entry.Row >= rows)
                continue;
            if (entry.Col != lastColumn) {
                lastColumn = entry.Col;
                pj = PointPixel(t, previous.Points[size_t(entry.Col)]);
            }
            link(entry.Row, pj);
        }
        return;
    }
    // Too many to list: a column's set rows are found a word of 64 at a time in the words
    // it stores.
    const int rowWords = (rows + 63) / 64;
    for (int j = 0; j < columns; ++j) {
        const int words = std::min(links.ColumnWords(j), rowWords);
        if (words == 0)
            continue;
        const QPoint pj = PointPixel(t, previous.Points[size_t(j)]);
        for (int w = 0; w < words; ++w) {
            for (quint64 bits = links.Word(j, w); bits; bits &= bits - 1) {
                const int i = 64 * w + std::countr_zero(bits);
                if (i >= rows)
                    break;
                link(i, pj);
            }
        }
    }
}

int RulerTickStep(int gridSize, int zoom, int textWidth)
{
    if (gridSize <= 0 || zoom <= 0)
        return 0;
    qint64 step = gridSize;
    while (textWidth > step * zoom)
        step *= 2;
    return int(std::min<qint64>(step, 1 << 30));
}

namespace {

QString RulerLabel(int v, bool flipped)
{
    return QString::number(flipped ? 256 - v : v);
}

int TickStepFor(QPainter& canvas, const TPadScene& scene)
{
    const int textWidth = canvas.fontMetrics().horizontalAdvance(QStringLiteral("-250"));
    return RulerTickStep(scene.View.GridSize, scene.Transform.Zoom, textWidth);
}

// Labels hide the tick under them, as text on the ruler is drawn on white.
void PrepareRulerText(QPainter& canvas)
{
    canvas.setBackgroundMode(Qt::OpaqueMode);
    canvas.setBackground(Qt::white);
}

} // namespace

void DrawTopRuler(QPainter& canvas, const TPadScene& scene, const QSize& size, int leftWidth)
{
    const int w = size.width(), h = size.height(), l = leftWidth;
    canvas.setRenderHint(QPainter::Antialiasing, false);
    FillCorners(canvas, 0, 0, w, h, scene.ButtonFace);
    FillCorners(canvas, 4, 3, w - 4, h - 4, Qt::white);
    FillCorners(canvas, 4, 3, l - 4, h, Qt::white);
    canvas.setPen(LinePen(RulerGrey, 1));
    Polyline(canvas, {{w - 1, 0}, {w - 1, h - 1}, {l - 2, h - 1}});
    Polyline(canvas, {{w - 5, 2}, {2, 2}, {2, h}});
    canvas.setPen(LinePen(Qt::white, 1));
    Polyline(canvas, {{0, h - 1}, {0, 0}, {w - 2, 0}});

    const int step = TickStepFor(canvas, scene);
    if (step <= 0)
        return;
    PrepareRulerText(canvas);
    canvas.setPen(LinePen(Qt::black, 1));
    const TPadTransform& t = scene.Transform;
    for (int v = step; v < 255; v += step) {
        // The position is a 16-bit value: one left of the view wraps far to the right.
        const int tx = quint16(v * t.Zoom - t.ScrollX + l);
        if (tx > l + 7)
            canvas.drawLine(tx, 3, tx, h - 4);
        const QString label = RulerLabel(v, t.FlipY);
        const int half = canvas.fontMetrics().horizontalAdvance(label) / 2;
        if (tx - half > l - 6 && tx + half + 6 < w)
            TextAt(canvas, tx - half, 3, label);
    }
    canvas.setBackgroundMode(Qt::TransparentMode);
}

void DrawLeftRuler(QPainter& canvas, const TPadScene& scene, const QSize& size)
{
    const int l = size.width(), hl = size.height();
    canvas.setRenderHint(QPainter::Antialiasing, false);
    FillCorners(canvas, 0, 0, l, hl, scene.ButtonFace);
    FillCorners(canvas, 4, 0, l - 4, hl - 4, Qt::white);
    canvas.setPen(LinePen(RulerGrey, 1));
    canvas.drawLine(2, 0, 2, hl - 2);
    canvas.setPen(LinePen(Qt::white, 1));
    canvas.drawLine(0, 0, 0, hl - 1);

    const int step = TickStepFor(canvas, scene);
    if (step <= 0)
        return;
    PrepareRulerText(canvas);
    canvas.setPen(LinePen(Qt::black, 1));
    const TPadTransform& t = scene.Transform;
    const int textHeight = canvas.fontMetrics().height();
    for (int v = step; v < 255; v += step) {
        const int ty = v * t.Zoom - t.ScrollY + 1;
        canvas.drawLine(4, ty, l - 4, ty);
        const QString label = RulerLabel(v, t.FlipX);
        const int half = canvas.fontMetrics().horizontalAdvance(label) / 2;
        if (ty - textHeight / 2 > 0 && ty + textHeight / 2 + 6 < hl)
            TextAt(canvas, l / 2 - half, ty - textHeight / 2, label);
    }
    canvas.setBackgroundMode(Qt::TransparentMode);
}
