#include "TimelineDrawing.h"

#include "PixelFont.h"
#include "Timeline.h"

#include <QFontMetrics>
#include <QGlyphRun>
#include <QHash>
#include <QImage>
#include <QPaintEngine>
#include <QPainter>
#include <QRawFont>
#include <QTextLayout>
#include <algorithm>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstring>
#include <string_view>
#include <vector>

using namespace TimelineGeometry;

namespace {

// Like a Windows TextOut: (x, y) is the top left of the text box.
void TextAt(QPainter& canvas, const QFontMetrics& metrics, int x, int y, const QString& text)
{
    canvas.drawText(QPoint(x, y + metrics.ascent()), text);
}

bool Opaque(const QColor& color)
{
    return color.alpha() == 255;
}

// The pen and hatch brushes of one frame colour.
struct TBandStyle {
    TBandStyle(const QColor& norm, const QColor& back)
        : Pen(norm, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin), Rising(back, Qt::BDiagPattern),
          Display(back, Qt::DiagCrossPattern), Falling(back, Qt::FDiagPattern)
    {
    }
    QPen Pen;
    QBrush Rising, Display, Falling;
};

// Rising ramp, display time, falling ramp between the band's `top` and `bottom` edges.
void DrawBandShapes(QPainter& canvas, const TBandStyle& style, const int (&edge)[4], int top, int bottom)
{
    const int x = edge[0], x1 = edge[1], x2 = edge[2], x3 = edge[3];
    canvas.setPen(style.Pen);
    const QPoint rising[3] = {{x, bottom}, {x1, bottom}, {x1, top}};
    canvas.setBrush(style.Rising);
    canvas.drawPolygon(rising, 3);
    const QPoint display[4] = {{x1, bottom}, {x2, bottom}, {x2, top}, {x1, top}};
    canvas.setBrush(style.Display);
    canvas.drawPolygon(display, 4);
    const QPoint falling[3] = {{x2, bottom}, {x3, bottom}, {x2, top}};
    canvas.setBrush(style.Falling);
    canvas.drawPolygon(falling, 3);
}

// --- glyphs of numbers --------------------------------------------------------------------

constexpr char MarkChars[] = " 0123456789#";
constexpr int MarkCharCount = 12;

int MarkCharIndex(char c)
{
    return c == ' ' ? 0 : c == '#' ? 11 : c - '0' + 1;
}

// Writes t right-justified in 7 characters, as TimelineLabel does; returns the length.
int MarkText(qint64 t, char (&text)[24])
{
    char digits[24];
    const int n = int(std::to_chars(digits, digits + sizeof digits, t).ptr - digits);
    const int pad = std::max(0, 7 - n);
    std::fill(text, text + pad, ' ');
    std::copy(digits, digits + n, text + pad);
    return pad + n;
}

int NumberText(int index, char (&text)[24])
{
    text[0] = '#';
    return 1 + int(std::to_chars(text + 1, text + sizeof text, index).ptr - (text + 1));
}

// The glyphs of " 0123456789#", shaped once. A text made of them is then placed by
// adding up advances instead of being shaped anew, which puts each glyph where
// drawText would as long as the font neither kerns nor joins them: Prepare checks
// every pair, the widths and the drawn pixels, and says no otherwise.
class TMarkGlyphs {
public:
    static constexpr int MaxLength = 24;   // the longest text drawn: a 64-bit time

    bool Prepare(const QFont& font, QPaintDevice* device, const QFontMetrics& metrics);

    // As QFontMetrics::horizontalAdvance.
    int Width(const char* text, int n) const
    {
        double sum = 0;
        for (int i = 0; i < n; ++i)
            sum += Advance[MarkCharIndex(text[i])];
        return qRound(sum);
    }

    // The text with the pen starting at (x, baseline), as drawText draws it. A glyph
    // whose ink lies wholly inside `hidden` is left out: the caller covers it later.
    void Draw(QPainter& canvas, int x, int baseline, const char* text, int n, const QRect& hidden = {})
    {
        quint32 glyphs[MaxLength];
        QPointF at[MaxLength];
        int count = 0;
        double pen = x;
        for (int i = 0; i < n && i < MaxLength; ++i) {
            const int c = MarkCharIndex(text[i]);
            if (!Ink[c].isNull() && !hidden.contains(Ink[c].translated(int(std::floor(pen)), baseline))) {
                glyphs[count] = Glyph[c];
                at[count] = QPointF(pen, baseline);
                ++count;
            }
            pen += Advance[c];
        }
        if (count == 0)
            return;
        Run.setRawData(glyphs, at, count);
        canvas.drawGlyphRun(QPointF(0, 0), Run);
        Run.setRawData(nullptr, nullptr, 0);   // the arrays go now
    }

private:
    bool Shape(const QFont& font, QPaintDevice* device);
    bool Measure();

    QGlyphRun Run;
    quint32 Glyph[MarkCharCount]{};
    double Advance[MarkCharCount]{};
    // The ink around the pen position on the baseline, one pixel to spare on every
    // side for the rounding of fractional pen positions; null: no ink.
    QRect Ink[MarkCharCount];
};

bool TMarkGlyphs::Shape(const QFont& font, QPaintDevice* device)
{
    // Every ordered pair of the characters.
    QString probe;
    for (char a : std::string_view(MarkChars))
        for (char b : std::string_view(MarkChars))
            probe += QLatin1Char(a), probe += QLatin1Char(b);
    QTextLayout layout(probe, font, device);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    line.setLineWidth(1e5);
    layout.endLayout();
    const QList<QGlyphRun> runs = layout.glyphRuns();
    if (runs.size() != 1)
        return false;
    const QList<quint32> glyphs = runs[0].glyphIndexes();
    const QList<QPointF> positions = runs[0].positions();
    if (glyphs.size() != probe.size() || positions.size() != probe.size() || positions[0].x() != 0)
        return false;
    bool seen[MarkCharCount]{}, measured[MarkCharCount]{};
    for (qsizetype i = 0; i < probe.size(); ++i) {
        const int c = MarkCharIndex(probe[i].toLatin1());
        if (positions[i].y() != positions[0].y() || (seen[c] && Glyph[c] != glyphs[i]))
            return false;
        seen[c] = true;
        Glyph[c] = glyphs[i];
        if (i + 1 == probe.size())
            continue;
        const double advance = positions[i + 1].x() - positions[i].x();
        // Sums of 1/64 pixels stay exact, as in the text engine's fixed point.
        if ((measured[c] && Advance[c] != advance) || advance * 64 != std::floor(advance * 64))
            return false;
        measured[c] = true;
        Advance[c] = advance;
    }
    Run.setRawFont(runs[0].rawFont());
    return true;
}

bool TMarkGlyphs::Measure()
{
    for (int c = 0; c < MarkCharCount; ++c) {
        QImage image(64, 64, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        {
            QPainter painter(&image);
            painter.setPen(Qt::white);
            Draw(painter, 16, 40, &MarkChars[c], 1);
        }
        QRect ink;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (qAlpha(image.pixel(x, y)) != 0)
                    ink |= QRect(x, y, 1, 1);
        if (ink.isNull()) {
            Ink[c] = {};
            continue;
        }
        // Ink on the image's border may go on beyond it: no bounds to rely on.
        if (ink.left() == 0 || ink.top() == 0 || ink.right() == 63 || ink.bottom() == 63)
            return false;
        Ink[c] = ink.translated(-16, -40).adjusted(-1, -1, 1, 1);
    }
    return true;
}

bool TMarkGlyphs::Prepare(const QFont& font, QPaintDevice* device, const QFontMetrics& metrics)
{
    // Until measured, every glyph counts as inked.
    for (QRect& ink : Ink)
        ink = QRect(-1000, -1000, 2000, 2000);
    if (!Shape(font, device) || !Measure())
        return false;
    const char* samples[] = {"      0", "   1500", "9876543", "12345678901", "#0", "#7", "#12", "#409",
                             "#65535", "#2147483647", " ", "#", "0123456789"};
    for (const char* sample : samples)
        if (metrics.horizontalAdvance(QLatin1String(sample)) != Width(sample, int(strlen(sample))))
            return false;
    // The same pixels as drawText, from whole and from fractional pen positions.
    const char* probes[] = {"#0123456789 98765", "43210 #5 # 11 7 0"};
    QImage plain(320, 24, QImage::Format_ARGB32_Premultiplied), quick(plain.size(), plain.format());
    plain.fill(Qt::transparent);
    quick.fill(Qt::transparent);
    for (QImage* image : {&plain, &quick}) {
        QPainter painter(image);
        painter.setFont(font);
        painter.setPen(Qt::white);
        for (int i = 0; i < 2; ++i) {
            const int x = 3 + 160 * i, baseline = 2 + metrics.ascent();
            if (image == &plain)
                painter.drawText(QPoint(x, baseline), QLatin1String(probes[i]));
            else
                Draw(painter, x, baseline, probes[i], int(strlen(probes[i])));
        }
    }
    return plain == quick;
}

// --- frame names ----------------------------------------------------------------------------

// The name a band shows and whether it fits, as TimelineName and the band's fit check
// measure it, with the width of each cut kept per name text.
class TNameFit {
public:
    void Reset() { Names.clear(); }

    // How many characters of the name the band shows within `room`; -1: nothing.
    int Shown(const QString& name, int room, const QFontMetrics& metrics);

private:
    static constexpr int LongestKept = 64;
    static constexpr int NamesKept = 4096;

    QHash<QString, std::vector<int>> Names;   // horizontalAdvance(name.left(k)) by k
};

int TNameFit::Shown(const QString& name, int room, const QFontMetrics& metrics)
{
    const int n = int(name.size());
    if (n > LongestKept) {
        const QString shown = TimelineName(name, room, metrics);
        return metrics.horizontalAdvance(shown) <= room ? int(shown.size()) : -1;
    }
    if (Names.size() >= NamesKept)
        Names.clear();
    std::vector<int>& widths = Names[name];
    if (widths.empty())
        widths.assign(n + 1, INT_MIN);
    const auto width = [&](int k) {
        int& w = widths[k];
        if (w == INT_MIN)
            w = metrics.horizontalAdvance(name.left(k));
        return w;
    };
    int length = n;
    if (length > 5 && width(5) > room)
        length = 5;
    while (length > 5 && width(length) > room)
        --length;
    return width(length) <= room ? length : -1;
}

// --- rendered bands -------------------------------------------------------------------------

// Narrow bands rendered once onto transparent images and laid onto the canvas.
// Aliased drawing moved by whole pixels stays the same, except for the hatches,
// whose 8 x 8 patterns are anchored at the brush origin: so a band's picture depends
// only on its three widths, its colour, the strip's height and its position modulo 8.
class TBandImages {
public:
    static constexpr int Widest = 64;   // wider bands are few on screen: drawn directly

    // Starts a repaint; forgets every image unless made for the same colours, height
    // and brush origin.
    void Use(const TColorSettings& colors, int height, QPoint origin);
    // The band onto `canvas` (brush origin `origin`) as DrawBandShapes would draw it;
    // false when there is no room for its image: the caller draws it.
    bool Draw(QPainter& canvas, const TBandStyle& style, int colour, const int (&edge)[4], QPoint origin);

private:
    static constexpr int Margin = 2;   // beyond the corners the pen reaches one pixel
    static constexpr qint64 PixelsKept = 1 << 21;

    struct TEntry {
        QImage Image;
        quint64 Used = 0;   // the repaint that last laid it on
    };

    bool MakeRoom(qint64 pixels);

    QColor Norm[2], Back[2];
    int Height = -1;
    int OriginY = 0;
    QHash<quint32, TEntry> Images;
    qint64 Pixels = 0;
    quint64 Repaint = 0;
    bool Pruned = false;   // in this repaint
};

void TBandImages::Use(const TColorSettings& colors, int height, QPoint origin)
{
    ++Repaint;
    Pruned = false;
    const int originY = ((origin.y() % 8) + 8) % 8;
    if (Height == height && OriginY == originY && std::equal(Norm, Norm + 2, colors.Norm) &&
        std::equal(Back, Back + 2, colors.Back))
        return;
    std::copy(colors.Norm, colors.Norm + 2, Norm);
    std::copy(colors.Back, colors.Back + 2, Back);
    Height = height;
    OriginY = originY;
    Images.clear();
    Pixels = 0;
}

// Once a repaint, the images it has not used make way. When the bands of one repaint
// alone fill the store, the others are drawn directly rather than pushing them out.
bool TBandImages::MakeRoom(qint64 pixels)
{
    if (Pixels + pixels <= PixelsKept)
        return true;
    if (Pruned)
        return false;
    Pruned = true;
    for (auto entry = Images.begin(); entry != Images.end();) {
        if (entry->Used == Repaint) {
            ++entry;
            continue;
        }
        Pixels -= qint64(entry->Image.width()) * entry->Image.height();
        entry = Images.erase(entry);
    }
    return Pixels + pixels <= PixelsKept;
}

bool TBandImages::Draw(QPainter& canvas, const TBandStyle& style, int colour, const int (&edge)[4], QPoint origin)
{
    const int x = edge[0];
    const int w1 = edge[1] - x, w2 = edge[2] - edge[1], w3 = edge[3] - edge[2];
    const int phase = ((x - origin.x()) % 8 + 8) % 8;
    const quint32 key = quint32(w1) | quint32(w2) << 7 | quint32(w3) << 14 | quint32(phase) << 21 |
                        quint32(colour) << 24;
    auto found = Images.find(key);
    if (found == Images.end()) {
        const QSize size(w1 + w2 + w3 + 2 * Margin + 1, Height - BandTop + 2 * Margin + 1);
        if (!MakeRoom(qint64(size.width()) * size.height()))
            return false;
        QImage image(size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        {
            QPainter painter(&image);
            painter.setRenderHint(QPainter::Antialiasing, false);
            painter.setBackgroundMode(Qt::TransparentMode);
            // Image pixel (0, 0) lies on canvas pixel (x - Margin, BandTop - Margin).
            painter.setBrushOrigin(Margin - phase, OriginY - BandTop + Margin);
            const int local[4] = {Margin, Margin + w1, Margin + w1 + w2, Margin + w1 + w2 + w3};
            DrawBandShapes(painter, style, local, Margin, Margin + Height - BandTop);
        }
        Pixels += qint64(size.width()) * size.height();
        found = Images.insert(key, {image, 0});
    }
    found->Used = Repaint;
    canvas.drawImage(QPoint(x - Margin, BandTop - Margin), found->Image);
    return true;
}

} // namespace

// --- the strip ------------------------------------------------------------------------------

struct TTimelineDrawing::TStore {
    QFont Font = PixelFont();
    QFont GlyphsFor;
    bool GlyphsTried = false, GlyphsReady = false;
    TMarkGlyphs Glyphs;
    TNameFit Names;
    TBandImages Bands;

    // One repaint.
    QPainter* Canvas = nullptr;
    const QFontMetrics* Metrics = nullptr;
    const TColorSettings* Colors = nullptr;
    int Width = 0, Height = 0;
    bool QuickBands = false, QuickText = false;
    QPoint Origin;

    void Begin(QPainter& canvas, const QFontMetrics& metrics, const TColorSettings& colors, const QSize& size);
    void DrawFrame(const TLaserFrame& frame, int index, const int (&edge)[4], const TBandStyle (&styles)[2]);
    void DrawTimeScale(qint64 S, qint64 E, qint64 s);
    void DrawTimeScalePlain(qint64 S, qint64 E, qint64 s, qint64 reach);
};

namespace {

// The canvas draws like a plain raster image: whole-pixel drawing moved by whole
// pixels stays the same, and laying opaque pixels over others replaces them.
bool PlainRaster(QPainter& canvas)
{
    const QPaintDevice* device = canvas.device();
    if (!device || device->devType() != QInternal::Image || !canvas.paintEngine() ||
        canvas.paintEngine()->type() != QPaintEngine::Raster)
        return false;
    const QImage::Format format = static_cast<const QImage*>(device)->format();
    return (format == QImage::Format_RGB32 || format == QImage::Format_ARGB32_Premultiplied) &&
           canvas.deviceTransform().isIdentity() && canvas.compositionMode() == QPainter::CompositionMode_SourceOver &&
           canvas.opacity() == 1.0;
}

} // namespace

void TTimelineDrawing::TStore::Begin(QPainter& canvas, const QFontMetrics& metrics, const TColorSettings& colors,
                                     const QSize& size)
{
    Canvas = &canvas;
    Metrics = &metrics;
    Colors = &colors;
    Width = size.width();
    Height = size.height();
    Origin = canvas.brushOrigin();
    const bool plainRaster = PlainRaster(canvas);
    QuickBands = plainRaster && Height > BandTop &&
                 std::all_of(colors.Norm, colors.Norm + 2, Opaque) && std::all_of(colors.Back, colors.Back + 2, Opaque);
    if (QuickBands)
        Bands.Use(colors, Height, Origin);
    if (!GlyphsTried || GlyphsFor != canvas.font()) {
        GlyphsFor = canvas.font();
        GlyphsTried = true;
        GlyphsReady = Glyphs.Prepare(canvas.font(), canvas.device(), metrics);
        Names.Reset();
    }
    QuickText = plainRaster && GlyphsReady && Opaque(colors.TimelineText) && Opaque(colors.TimelineBackground);
}

// One frame: its band, then its number and name where they fit. A label wider than
// its band would run into the next band's: it is left out.
void TTimelineDrawing::TStore::DrawFrame(const TLaserFrame& frame, int index, const int (&edge)[4],
                                         const TBandStyle (&styles)[2])
{
    QPainter& canvas = *Canvas;
    const int colour = frame.ColorBit() ? 1 : 0;
    const bool narrow = edge[3] - edge[0] <= TBandImages::Widest;
    if (!QuickBands || !narrow || !Bands.Draw(canvas, styles[colour], colour, edge, Origin))
        DrawBandShapes(canvas, styles[colour], edge, BandTop, Height);

    const int x1 = edge[1], room = edge[3] - x1 - 4;
    canvas.setPen(Colors->TimelineText);
    if (QuickText) {
        char number[24];
        const int length = NumberText(index, number);
        if (Glyphs.Width(number, length) <= room)
            Glyphs.Draw(canvas, x1 + 2, NumberRow + Metrics->ascent(), number, length);
    } else {
        const QString number = QLatin1Char('#') + QString::number(index);
        if (Metrics->horizontalAdvance(number) <= room)
            TextAt(canvas, *Metrics, x1 + 2, NumberRow, number);
    }
    const int shown = Names.Shown(frame.Name, room, *Metrics);
    if (shown >= 0)
        TextAt(canvas, *Metrics, x1 + 2, NameRow, frame.Name.left(shown));
}

namespace {

// The last time mark: the first S + 500 k that reaches or passes E.
qint64 LastMark(qint64 S, qint64 E)
{
    return E <= S ? S : S + (E - S + LabelStep - 1) / LabelStep * LabelStep;
}

} // namespace

// The time marks from S + 500 up to the first one that reaches or passes E, each with
// its divider; every `every`-th carries its number (TimelineLabelEvery), so no label
// covers another, however far the strip is zoomed out.
void TTimelineDrawing::TStore::DrawTimeScale(qint64 S, qint64 E, qint64 s)
{
    // Beyond this no part of a label can reach into the picture (19 digits at most).
    const qint64 reach = qint64(Width) + 3 + 20 * qint64(Metrics->maxWidth());
    if (!QuickText) {
        DrawTimeScalePlain(S, E, s, reach);
        return;
    }
    QPainter& canvas = *Canvas;
    const QPen divider(Colors->TimelineText, 1, Qt::DotLine, Qt::FlatCap);
    const QPen text(Colors->TimelineText);
    const int boxHeight = Metrics->height(), baseline = Metrics->ascent();
    char label[24];
    const int widest = Glyphs.Width(label, MarkText(LastMark(S, E), label));
    const qint64 every = TimelineLabelEvery(s, widest, Glyphs.Width("0", 1));
    qint64 t = S;
    for (qint64 k = 1; t < E; ++k) {
        t += LabelStep;
        const qint64 px = (t - S) / s;
        if (px > reach)
            break;
        if (k % every == 0) {
            const int length = MarkText(t, label);
            const int width = Glyphs.Width(label, length);
            const int left = int(px) - width + 3;
            canvas.fillRect(left, 0, width, boxHeight, Colors->TimelineBackground);
            canvas.setPen(text);
            Glyphs.Draw(canvas, left, baseline, label, length);
        }
        // The next divider at the same pixel puts the very same dots there.
        if (t < E && (t + LabelStep - S) / s == px)
            continue;
        canvas.setPen(divider);
        canvas.drawLine(int(px), BandTop, int(px), Height);
    }
}

void TTimelineDrawing::TStore::DrawTimeScalePlain(qint64 S, qint64 E, qint64 s, qint64 reach)
{
    QPainter& canvas = *Canvas;
    const QFontMetrics& metrics = *Metrics;
    const QPen divider(Colors->TimelineText, 1, Qt::DotLine, Qt::FlatCap);
    const qint64 every = TimelineLabelEvery(s, metrics.horizontalAdvance(TimelineLabel(LastMark(S, E))),
                                            metrics.horizontalAdvance(QLatin1Char('0')));
    qint64 t = S;
    for (qint64 k = 1; t < E; ++k) {
        t += LabelStep;
        const qint64 px = (t - S) / s;
        if (px > reach)
            break;
        if (k % every == 0) {
            const QString label = TimelineLabel(t);
            const int labelWidth = metrics.horizontalAdvance(label);
            const int left = int(px) - labelWidth + 3;
            // An opaque box: the divider's gaps stay clear.
            canvas.fillRect(left, 0, labelWidth, metrics.height(), Colors->TimelineBackground);
            canvas.setPen(Colors->TimelineText);
            TextAt(canvas, metrics, left, 0, label);
        }
        canvas.setPen(divider);
        canvas.drawLine(int(px), BandTop, int(px), Height);
    }
}

TTimelineDrawing::TTimelineDrawing() : Store(std::make_unique<TStore>()) {}

TTimelineDrawing::~TTimelineDrawing() = default;

void TTimelineDrawing::Draw(QPainter& canvas, const QSize& size, const TLaserFrames* show,
                            const TColorSettings& colors, int scale, int firstFrame, qint64 rulerEnd)
{
    const int n = show ? show->Count() : 0;
    if (n == 0)
        return;
    // 64-bit times and positions: 2 * scale and a long show's pixels leave 32 bits.
    const qint64 s = std::max(scale, 1);
    canvas.save();
    canvas.setRenderHint(QPainter::Antialiasing, false);
    canvas.setFont(Store->Font);
    canvas.setBackgroundMode(Qt::TransparentMode);
    canvas.fillRect(QRect(QPoint(0, 0), size), colors.TimelineBackground);
    const QFontMetrics metrics(canvas.font());
    Store->Begin(canvas, metrics, colors, size);

    const int first = std::clamp(firstFrame, 0, n - 1);
    qint64 S = 0;
    for (int i = 0; i < first; ++i)
        S += show->Frame(i).Delay + show->Frame(i).EffectTime;
    qint64 E = S;
    qint64 x = 0;
    const TBandStyle styles[2] = {{colors.Norm[0], colors.Back[0]}, {colors.Norm[1], colors.Back[1]}};
    for (int i = first; i < n; ++i) {
        const TLaserFrame& frame = show->Frame(i);
        const qint64 d = frame.Delay, e = frame.EffectTime;
        const qint64 x1 = x + e / (2 * s);
        const qint64 x2 = x1 + d / s;
        const qint64 x3 = x2 + e / (2 * s);
        E += d + e;
        // A band starting right of the picture leaves no pixel in it (the pen reaches
        // one pixel left); its time still counts for the scale.
        if (x < size.width() + 2) {
            const int edge[4] = {int(x), int(x1), int(x2), int(x3)};
            Store->DrawFrame(frame, i, edge, styles);
        }
        x = x3;
    }
    Store->DrawTimeScale(S, std::max(E, rulerEnd), s);
    canvas.restore();
}
