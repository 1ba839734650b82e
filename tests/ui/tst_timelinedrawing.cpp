// The timeline's quick drawing (kept band images, glyphs placed by advances) against the straightforward drawing
// kept here: every pixel must be the same.
#include "PixelFont.h"
#include "Timeline.h"
#include "TimelineDrawing.h"

#include <QFontMetrics>
#include <QImage>
#include <QPainter>
#include <QRandomGenerator>
#include <QTest>

class TestTimelineDrawing : public QObject {
    Q_OBJECT
private slots:
    void randomShows_data();
    void randomShows();
    void particularShows_data();
    void particularShows();
    void numbersNeverOverlap();
    void paintersOfOtherKinds_data();
    void paintersOfOtherKinds();
    void colourChangeRedrawsBands();
    void fullBandStore();
    void namesCutToTheirOwnWidth_data();
    void namesCutToTheirOwnWidth();
};

namespace {

using namespace TimelineGeometry;

// --- the straightforward drawing ----------------------------------------------------------

void PlainTextAt(QPainter& canvas, const QFontMetrics& metrics, int x, int y, const QString& text)
{
    canvas.drawText(QPoint(x, y + metrics.ascent()), text);
}

void PlainBand(QPainter& canvas, const QFontMetrics& metrics, const TLaserFrame& frame, int index, int x, int x1,
               int x2, int x3, int H, const TColorSettings& colors)
{
    const int colour = frame.ColorBit() ? 1 : 0;
    canvas.setPen(QPen(colors.Norm[colour], 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    const QColor& hatch = colors.Back[colour];
    const QPoint rising[3] = {{x, H}, {x1, H}, {x1, BandTop}};
    canvas.setBrush(QBrush(hatch, Qt::BDiagPattern));
    canvas.drawPolygon(rising, 3);
    const QPoint display[4] = {{x1, H}, {x2, H}, {x2, BandTop}, {x1, BandTop}};
    canvas.setBrush(QBrush(hatch, Qt::DiagCrossPattern));
    canvas.drawPolygon(display, 4);
    const QPoint falling[3] = {{x2, H}, {x3, H}, {x2, BandTop}};
    canvas.setBrush(QBrush(hatch, Qt::FDiagPattern));
    canvas.drawPolygon(falling, 3);

    canvas.setPen(colors.TimelineText);
    const int room = x3 - x1 - 4;
    const QString number = QLatin1Char('#') + QString::number(index);
    if (metrics.horizontalAdvance(number) <= room)
        PlainTextAt(canvas, metrics, x1 + 2, NumberRow, number);
    QString name = frame.Name;
    while (metrics.horizontalAdvance(name) > room && name.size() > 5)
        name.chop(1);
    if (metrics.horizontalAdvance(name) <= room)
        PlainTextAt(canvas, metrics, x1 + 2, NameRow, name);
}

void PlainTimeline(QPainter& canvas, const QSize& size, const TLaserFrames& show, const TColorSettings& colors,
                   int scale, int firstFrame, qint64 rulerEnd)
{
    const int n = show.Count();
    const qint64 s = scale;
    const int H = size.height();
    canvas.save();
    canvas.setRenderHint(QPainter::Antialiasing, false);
    canvas.setFont(PixelFont());
    canvas.setBackgroundMode(Qt::TransparentMode);
    canvas.fillRect(QRect(QPoint(0, 0), size), colors.TimelineBackground);
    const QFontMetrics metrics(canvas.font());
    const int first = std::min(firstFrame, n - 1);
    qint64 S = 0;
    for (int i = 0; i < first; ++i)
        S += show.Frame(i).Delay + show.Frame(i).EffectTime;
    qint64 E = S, x = 0;
    for (int i = first; i < n; ++i) {
        const TLaserFrame& frame = show.Frame(i);
        const qint64 d = frame.Delay, e = frame.EffectTime;
        const qint64 x1 = x + e / (2 * s), x2 = x1 + d / s, x3 = x2 + e / (2 * s);
        E += d + e;
        if (x < 100000)   // beyond, not even the pen's edge is in the picture
            PlainBand(canvas, metrics, frame, i, int(x), int(x1), int(x2), int(x3), H, colors);
        x = x3;
    }
    // The scale goes on under the music past the show's end; every `every`-th mark
    // is numbered, the widest number deciding.
    E = std::max(E, rulerEnd);
    const qint64 last = E <= S ? S : S + (E - S + LabelStep - 1) / LabelStep * LabelStep;
    const qint64 every = TimelineLabelEvery(s, metrics.horizontalAdvance(QStringLiteral("%1").arg(last, 7)),
                                            metrics.horizontalAdvance(QLatin1Char('0')));
    qint64 t = S;
    for (qint64 k = 1; t < E; ++k) {
        t += LabelStep;
        const qint64 px = (t - S) / s;
        if (px > 100000)
            break;
        if (k % every == 0) {
            const QString label = QStringLiteral("%1").arg(t, 7);
            const int labelWidth = metrics.horizontalAdvance(label);
            const int left = int(px) - labelWidth + 3;
            canvas.fillRect(left, 0, labelWidth, metrics.height(), colors.TimelineBackground);
            canvas.setPen(colors.TimelineText);
            PlainTextAt(canvas, metrics, left, 0, label);
        }
        canvas.setPen(QPen(colors.TimelineText, 1, Qt::DotLine, Qt::FlatCap));
        canvas.drawLine(int(px), BandTop, int(px), H);
    }
    canvas.restore();
}

// --- shows ----------------------------------------------------------------------------------

QColor RandomColour(QRandomGenerator& random, bool translucent)
{
    return QColor(random.bounded(256), random.bounded(256), random.bounded(256),
                  translucent ? random.bounded(40, 255) : 255);
}

TColorSettings RandomColours(QRandomGenerator& random, bool translucent = false)
{
    TColorSettings colors;
    if (random.bounded(4) == 0)
        return colors;   // the stored defaults
    for (int c = 0; c < 2; ++c) {
        colors.Norm[c] = RandomColour(random, translucent);
        colors.Back[c] = RandomColour(random, translucent);
    }
    colors.TimelineText = RandomColour(random, translucent);
    colors.TimelineBackground = RandomColour(random, translucent);
    return colors;
}

// Mostly short times, so that zoomed-out strips have bands of a few pixels, some long.
int RandomTime(QRandomGenerator& random)
{
    const int kind = random.bounded(10);
    return kind < 2 ? 0 : kind < 7 ? random.bounded(400) : kind < 9 ? random.bounded(5000) : random.bounded(65536);
}

QString RandomName(QRandomGenerator& random)
{
    static const QString names[] = {QString(), QStringLiteral("A"), QStringLiteral("Logo"), QStringLiteral("WWWWW"),
                                    QStringLiteral("iiiiiiiiiiii"), QStringLiteral("Frame 12"),
                                    QStringLiteral("ABCDEFGHIJKLMNOP"), QStringLiteral("Äußere Größe"),
                                    QStringLiteral("漢字のなまえ"), QStringLiteral("  a b  "),
                                    QStringLiteral("AVAVAVAVAV"), QStringLiteral("To Tokyo"),
                                    QStringLiteral("WAVE WAVE"), QStringLiteral("ff fi fl ffi")};
    QString name = names[random.bounded(int(std::size(names)))];
    if (random.bounded(3) == 0)
        name += QString::number(random.bounded(1000));
    return name;
}

TLaserFrames RandomShow(QRandomGenerator& random)
{
    TLaserFrames show;
    const int count = random.bounded(3) == 0 ? random.bounded(1, 8) : random.bounded(8, 160);
    for (int i = 0; i < count; ++i) {
        TLaserFrame& frame = show.Add();
        frame.Delay = quint16(RandomTime(random));
        frame.EffectTime = quint16(RandomTime(random));
        frame.Flags = quint16(random.bounded(2));
        frame.Name = RandomName(random);
    }
    return show;
}

struct TPicture {
    QImage Plain, Quick;
};

TPicture DrawBoth(const QSize& size, QImage::Format format, const TLaserFrames& show, const TColorSettings& colors,
                  int scale, int firstFrame, TTimelineDrawing* drawing,
                  const std::function<void(QPainter&)>& setUp = {}, qint64 rulerEnd = 0)
{
    TPicture picture{QImage(size, format), QImage(size, format)};
    picture.Plain.fill(Qt::magenta);
    picture.Quick.fill(Qt::magenta);
    {
        QPainter canvas(&picture.Plain);
        if (setUp)
            setUp(canvas);
        PlainTimeline(canvas, size, show, colors, scale, firstFrame, rulerEnd);
    }
    {
        QPainter canvas(&picture.Quick);
        if (setUp)
            setUp(canvas);
        DrawTimeline(canvas, size, &show, colors, scale, firstFrame, drawing, rulerEnd);
    }
    return picture;
}

QString FirstDifference(const QImage& plain, const QImage& quick)
{
    for (int y = 0; y < plain.height(); ++y)
        for (int x = 0; x < plain.width(); ++x)
            if (plain.pixel(x, y) != quick.pixel(x, y))
                return QStringLiteral("(%1, %2): plain %3, quick %4")
                    .arg(x)
                    .arg(y)
                    .arg(plain.pixel(x, y), 8, 16, QLatin1Char('0'))
                    .arg(quick.pixel(x, y), 8, 16, QLatin1Char('0'));
    return {};
}

#define COMPARE_PICTURES(picture, what)                                                                         \
    do {                                                                                                         \
        if ((picture).Plain != (picture).Quick)                                                                  \
            QFAIL(qPrintable(QString(what) + QStringLiteral(" differs at ") +                                    \
                             FirstDifference((picture).Plain, (picture).Quick)));                                \
    } while (false)

const QList<int> Scales = {1, 2, 4, 8, 16, 32, 64, 128, 256, 512, 1024};

} // namespace

void TestTimelineDrawing::randomShows_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<int>("format");
    QTest::addColumn<quint32>("seed");
    QTest::newRow("1600 x 48, the timeline's") << QSize(1600, 48) << int(QImage::Format_RGB32) << 1u;
    QTest::newRow("700 x 48") << QSize(700, 48) << int(QImage::Format_RGB32) << 2u;
    QTest::newRow("333 x 30, premultiplied") << QSize(333, 30) << int(QImage::Format_ARGB32_Premultiplied) << 3u;
    QTest::newRow("901 x 73") << QSize(901, 73) << int(QImage::Format_RGB32) << 4u;
    QTest::newRow("97 x 15: a one-row band") << QSize(97, 15) << int(QImage::Format_RGB32) << 5u;
    QTest::newRow("250 x 10: above the band") << QSize(250, 10) << int(QImage::Format_RGB32) << 6u;
}

// Random shows, colours, names and first frames at every zoom step. One drawing is
// kept through all of them, as the timeline keeps it; every few a fresh one.
void TestTimelineDrawing::randomShows()
{
    QFETCH(QSize, size);
    QFETCH(int, format);
    QFETCH(quint32, seed);
    QRandomGenerator random(seed);
    TTimelineDrawing kept;
    for (int round = 0; round < 14; ++round) {
        const TLaserFrames show = RandomShow(random);
        const TColorSettings colors = RandomColours(random);
        const int first = random.bounded(3) == 0 ? 0 : random.bounded(show.Count() + 2);
        for (int scale : Scales) {
            const bool fresh = (round + scale) % 5 == 0;
            const TPicture picture = DrawBoth(size, QImage::Format(format), show, colors, scale, first,
                                              fresh ? nullptr : &kept);
            COMPARE_PICTURES(picture, QStringLiteral("round %1, scale %2, first frame %3, %4 frames")
                                          .arg(round)
                                          .arg(scale)
                                          .arg(first)
                                          .arg(show.Count()));
        }
    }
}

void TestTimelineDrawing::particularShows_data()
{
    QTest::addColumn<int>("frames");
    QTest::addColumn<int>("delay");
    QTest::addColumn<int>("effectTime");
    QTest::addColumn<int>("firstFrame");
    QTest::addColumn<QList<int>>("scales");
    QTest::addColumn<qint64>("rulerEnd");   // the music's end in show time

    const QList<int> all = Scales + QList<int>{TTimeline::MaxScale};
    // The benchmark's show: 300 frames of 2 s, as long as a 10-minute soundtrack.
    QTest::newRow("300 frames of 2 s") << 300 << 1800 << 200 << 0 << all << qint64(0);
    QTest::newRow("300 frames of 2 s, scrolled") << 300 << 1800 << 200 << 137 << all << qint64(0);
    // Marks pass 10,000,000 ms and grow an eighth digit, so boxes widen leftwards.
    QTest::newRow("eight-digit marks") << 80 << 65535 << 65535 << 76 << all << qint64(0);
    QTest::newRow("no effect times") << 200 << 700 << 0 << 3 << all << qint64(0);
    QTest::newRow("only effect times") << 200 << 0 << 900 << 0 << all << qint64(0);
    QTest::newRow("zero-length frames") << 50 << 0 << 0 << 0 << all << qint64(0);
    // Ten minutes of music under a show of 20 s: the scale goes on to the music's end.
    QTest::newRow("music past the show's end") << 20 << 900 << 100 << 0 << all << qint64(600000);
    QTest::newRow("music past the show's end, scrolled") << 20 << 900 << 100 << 12 << all << qint64(600000);
}

void TestTimelineDrawing::particularShows()
{
    QFETCH(int, frames);
    QFETCH(int, delay);
    QFETCH(int, effectTime);
    QFETCH(int, firstFrame);
    QFETCH(QList<int>, scales);
    QFETCH(qint64, rulerEnd);
    TLaserFrames show;
    for (int i = 0; i < frames; ++i) {
        TLaserFrame& frame = show.Add();
        frame.Delay = quint16(delay);
        frame.EffectTime = quint16(effectTime);
        frame.Flags = quint16(i % 2);
        frame.Name = QStringLiteral("Frame %1").arg(i);
    }
    const TColorSettings colors;
    TTimelineDrawing kept;
    for (int pass = 0; pass < 2; ++pass)   // the second with everything kept
        for (int scale : scales) {
            const TPicture picture = DrawBoth(QSize(1600, 48), QImage::Format_RGB32, show, colors, scale,
                                              firstFrame, &kept, {}, rulerEnd);
            COMPARE_PICTURES(picture, QStringLiteral("pass %1, scale %2").arg(pass).arg(scale));
        }
}

// Zoomed out, only every few marks are numbered: never so many that two numbers
// (up to ten digits) touch, never fewer than the nearest of the 1-2-4-10 steps allows.
void TestTimelineDrawing::numbersNeverOverlap()
{
    const QFontMetrics metrics(PixelFont());
    const int gap = metrics.horizontalAdvance(QLatin1Char('0'));
    for (const qint64 t : {qint64(500), qint64(10000000), qint64(9999999999)}) {
        const int width = metrics.horizontalAdvance(TimelineLabel(t));
        for (qint64 scale = 1; scale <= TTimeline::MaxScale; scale += 1 + scale / 7) {
            const qint64 every = TimelineLabelEvery(scale, width, gap);
            QVERIFY2(LabelStep * every / scale >= width + gap,
                     qPrintable(QStringLiteral("scale %1, %2 digits, every %3").arg(scale).arg(TimelineLabel(t).trimmed().size()).arg(every)));
            if (every > 1) {
                // The step below would have let them touch.
                qint64 power = 1;
                while (power * 10 <= every)
                    power *= 10;
                const qint64 below = every == power ? every * 2 / 5 : every / 2;
                QVERIFY(LabelStep * below / scale < width + gap);
            }
        }
    }
}

void TestTimelineDrawing::paintersOfOtherKinds_data()
{
    QTest::addColumn<int>("kind");
    QTest::newRow("brush origin moved") << 0;
    QTest::newRow("translated painter") << 1;
    QTest::newRow("scaled painter") << 2;
    QTest::newRow("half opacity") << 3;
    QTest::newRow("translucent colours") << 4;
    QTest::newRow("16-bit image") << 5;
}

// Where the quick ways would not give the same pixels, the drawing still matches.
void TestTimelineDrawing::paintersOfOtherKinds()
{
    QFETCH(int, kind);
    QRandomGenerator random(100 + kind);
    TTimelineDrawing kept;
    const std::function<void(QPainter&)> setUps[] = {
        [](QPainter& p) { p.setBrushOrigin(3, 5); },
        [](QPainter& p) { p.translate(7, 2); },
        [](QPainter& p) { p.scale(1.5, 1.25); },
        [](QPainter& p) { p.setOpacity(0.5); },
        {},
        {},
    };
    const QImage::Format format = kind == 5 ? QImage::Format_RGB16 : QImage::Format_RGB32;
    for (int round = 0; round < 4; ++round) {
        const TLaserFrames show = RandomShow(random);
        const TColorSettings colors = RandomColours(random, kind == 4);
        for (int scale : {1, 16, 128, 1024}) {
            const TPicture picture =
                DrawBoth(QSize(640, 48), format, show, colors, scale, 0, &kept, setUps[kind]);
            COMPARE_PICTURES(picture, QStringLiteral("round %1, scale %2").arg(round).arg(scale));
        }
    }
}

// Bands kept from one repaint must not outlive a change of colours or of height.
void TestTimelineDrawing::colourChangeRedrawsBands()
{
    TLaserFrames show;
    for (int i = 0; i < 100; ++i) {
        TLaserFrame& frame = show.Add();
        frame.Delay = 1000;
        frame.EffectTime = 400;
        frame.Flags = quint16(i % 2);
    }
    TTimelineDrawing kept;
    TColorSettings colors;
    for (int change = 0; change < 4; ++change) {
        if (change == 1)
            colors.Norm[0] = QColor(10, 200, 30);
        if (change == 2)
            colors.Back[1] = QColor(250, 250, 0);
        const QSize size(800, change == 3 ? 40 : 48);
        const TPicture picture = DrawBoth(size, QImage::Format_RGB32, show, colors, 128, 0, &kept);
        COMPARE_PICTURES(picture, QStringLiteral("change %1").arg(change));
    }
}

// A strip so tall that the kept band images of one repaint run out of room: the rest
// are drawn directly, and the next zoom step makes room by dropping the unused ones.
void TestTimelineDrawing::fullBandStore()
{
    QRandomGenerator random(77);
    TLaserFrames show;
    for (int i = 0; i < 400; ++i) {
        TLaserFrame& frame = show.Add();
        frame.Delay = quint16(random.bounded(2000));
        frame.EffectTime = quint16(random.bounded(600));
        frame.Flags = quint16(random.bounded(2));
    }
    TTimelineDrawing kept;
    for (int scale : {16, 32, 16, 64})
        COMPARE_PICTURES(DrawBoth(QSize(1600, 1500), QImage::Format_RGB32, show, TColorSettings(), scale, 0, &kept),
                         QStringLiteral("scale %1").arg(scale));
}

void TestTimelineDrawing::namesCutToTheirOwnWidth_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("cut");
    // Pairs such as "AV" and "To" are kerned: inside the name a cut measures narrower
    // than it draws alone. The room is one pixel short of the next longer cut.
    QTest::newRow("AVAVAVAVAV") << "AVAVAVAVAV" << "AVAVA";
    QTest::newRow("To Tokyo") << "To Tokyo" << "To To";
    QTest::newRow("LTLTLTLT") << "LTLTLTLT" << "LTLTLT";
    QTest::newRow("WAVE WAVE") << "WAVE WAVE" << "WAVE W";
}

void TestTimelineDrawing::namesCutToTheirOwnWidth()
{
    QFETCH(QString, name);
    QFETCH(QString, cut);
    const QFontMetrics metrics(PixelFont());
    const int room = metrics.horizontalAdvance(name.left(cut.size() + 1)) - 1;
    QCOMPARE(TimelineName(name, room, metrics), cut);
    // Drawn on a band with just that room, the cut shows.
    TLaserFrames show;
    TLaserFrame& frame = show.Add();
    frame.Name = name;
    frame.Delay = quint16(room + 4);
    const TPicture picture = DrawBoth(QSize(300, 48), QImage::Format_RGB32, show, TColorSettings(), 1, 0, nullptr);
    COMPARE_PICTURES(picture, QStringLiteral("the band"));
    bool ink = false;
    for (int y = NameRow; y < NameRow + 12; ++y)
        for (int x = 0; x < room + 4; ++x)
            ink |= picture.Quick.pixelColor(x, y) == TColorSettings().TimelineText;
    QVERIFY(ink);
}

QTEST_MAIN(TestTimelineDrawing)
#include "tst_timelinedrawing.moc"
