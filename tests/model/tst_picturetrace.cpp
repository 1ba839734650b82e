// Pictures traced into outlines and frames: drawn shapes against their exact
// outlines, the threshold and the background, and pictures that cannot be traced.
#include "Builders.h"
#include "ChildRun.h"
#include "PictureTrace.h"
#include "VectorBuilders.h"

#include <QPainter>
#include <QtEndian>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <numbers>

#include <sys/stat.h>

namespace {

// The exact outlines of what a test picture shows, as fine polylines in the
// picture's pixels, computed from the shapes' formulas.
using TTraceOutlines = QList<QPolygonF>;

QPolygonF TraceRectOutline(const QRectF& r)
{
    return QPolygonF({r.topLeft(), r.topRight(), r.bottomRight(), r.bottomLeft(), r.topLeft()});
}

QPolygonF TraceCircleOutline(QPointF centre, double radius)
{
    QPolygonF circle;
    for (int k = 0; k <= 2000; ++k) {
        const double a = 2 * std::numbers::pi * k / 2000;
        circle << centre + radius * QPointF(std::cos(a), std::sin(a));
    }
    return circle;
}

// The outlines fitted as a trace fits them: their bounds scaled uniformly into the
// square inside the margin, centred.
TTraceOutlines TraceFitted(const TTraceOutlines& outlines, double margin)
{
    QRectF bounds;
    for (const QPolygonF& p : outlines)
        bounds = bounds.isNull() ? p.boundingRect() : bounds.united(p.boundingRect());
    const double scale = (255.0 - 2 * margin) / std::max(bounds.width(), bounds.height());
    TTraceOutlines fitted;
    for (const QPolygonF& p : outlines) {
        QPolygonF q;
        for (const QPointF& v : p)
            q << QPointF(127.5, 127.5) + (v - bounds.center()) * scale;
        fitted << q;
    }
    return fitted;
}

double TraceDistance(QPointF p, const TTraceOutlines& outlines)
{
    double best = 1e9;
    for (const QPolygonF& line : outlines)
        for (int i = 1; i < line.size(); ++i)
            best = std::min(best, SegmentDistance(p, line[i - 1], line[i]));
    return best;
}

// The traced path itself, evaluated closely along every straight and cubic piece
// (not through Qt's own flattening, whose steps are coarse at this scale).
QPolygonF TraceSampled(const QPainterPath& path)
{
    QPolygonF out;
    for (int i = 0; i < path.elementCount();) {
        const QPainterPath::Element& e = path.elementAt(i);
        if (e.type == QPainterPath::CurveToElement) {
            const QPointF p0 = out.back(), p1 = e, p2 = path.elementAt(i + 1), p3 = path.elementAt(i + 2);
            for (int k = 1; k <= 64; ++k) {
                const double t = k / 64.0, u = 1 - t;
                out << u * u * u * p0 + 3 * u * u * t * p1 + 3 * u * t * t * p2 + t * t * t * p3;
            }
            i += 3;
        } else {
            out << QPointF(e);
            ++i;
        }
    }
    return out;
}

// The lines a frame draws lit, each from a point that is not blank to the next.
TTraceOutlines TraceLitLines(const TLaserFrame& frame)
{
    TTraceOutlines lines;
    const int n = frame.PointCount();
    for (int i = 0; i < n; ++i) {
        const TSmallPoint& a = frame.Points[i];
        const TSmallPoint& b = frame.Points[(i + 1) % n];
        if (!a.IsBlank())
            lines << QPolygonF({QPointF(a.X, a.Y), QPointF(b.X, b.Y)});
    }
    return lines;
}

// A picture of `size` pixels on `ground`, with `draw` painted on it in black unless
// it sets its own brush.
QImage DrawnPicture(int size, QColor ground, const std::function<void(QPainter&)>& draw, bool smooth)
{
    QImage picture(size, size, QImage::Format_ARGB32);
    picture.fill(ground);
    QPainter painter(&picture);
    painter.setRenderHint(QPainter::Antialiasing, smooth);
    painter.setPen(Qt::NoPen);
    painter.setBrush(Qt::black);
    draw(painter);
    return picture;
}

// A GIF file of a picture in black and white (Qt writes no GIF). Its LZW codes stay
// 3 bits wide: a clear code before every two pixels keeps the code table from growing.
QByteArray TraceGifBytes(const QImage& picture)
{
    const auto le16 = [](QByteArray& out, int v) { out += char(v & 0xff); out += char(v >> 8); };
    QByteArray gif = "GIF89a";
    le16(gif, picture.width());
    le16(gif, picture.height());
    gif += QByteArray("\x80\x00\x00" "\x00\x00\x00" "\xff\xff\xff", 9);  // two colours: black, white
    gif += ',';
    le16(gif, 0);
    le16(gif, 0);
    le16(gif, picture.width());
    le16(gif, picture.height());
    gif += char(0);
    gif += char(2);  // the smallest code size GIF allows
    QByteArray codes;
    quint32 bits = 0;
    int count = 0;
    const auto put = [&](int code) {
        bits |= quint32(code) << count;
        for (count += 3; count >= 8; count -= 8, bits >>= 8)
            codes += char(bits & 0xff);
    };
    int k = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x, ++k) {
            if (k % 2 == 0)
                put(4);
            put(qGray(picture.pixel(x, y)) < 128 ? 0 : 1);
        }
    put(5);
    if (count > 0)
        codes += char(bits & 0xff);
    for (int at = 0; at < codes.size(); at += 255) {
        const QByteArray block = codes.mid(at, 255);
        gif += char(block.size());
        gif += block;
    }
    gif += char(0);
    gif += ';';
    return gif;
}

} // namespace

Q_DECLARE_METATYPE(TTraceOptions)

class TestPictureTrace : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup() { Dir.reset(); }
    void outlinesFollowThePicture_data();
    void outlinesFollowThePicture();
    void badPicturesAreRefused_data();
    void badPicturesAreRefused();
    void fineDetailIsTracedSmaller();
    void tooManyPointsIsRefusedWithTheReason();
    void lackOfMemoryIsReported();

private:
    QString Path(const QString& name) const { return Dir->filePath(name); }
    std::unique_ptr<QTemporaryDir> Dir;
};

void TestPictureTrace::init()
{
    Dir = std::make_unique<QTemporaryDir>();
    QVERIFY(Dir->isValid());
}

void TestPictureTrace::outlinesFollowThePicture_data()
{
    QTest::addColumn<QImage>("picture");
    QTest::addColumn<QByteArray>("format");
    QTest::addColumn<TTraceOptions>("options");
    QTest::addColumn<TTraceOutlines>("exact");
    QTest::addColumn<int>("threshold");  // the threshold the trace reports; -1: any

    const QRectF square(200, 200, 600, 600);
    const auto drawSquare = [=](QPainter& p) { p.drawRect(square); };
    const auto drawCircle = [](QPainter& p) { p.drawEllipse(QPointF(500, 500), 300, 300); };
    const TTraceOptions plain;

    QTest::newRow("square") << DrawnPicture(1000, Qt::white, drawSquare, false) << QByteArray("png") << plain
                            << TTraceOutlines{TraceRectOutline(square)} << 128;
    QTest::newRow("circle") << DrawnPicture(1000, Qt::white, drawCircle, true) << QByteArray("png") << plain
                            << TTraceOutlines{TraceCircleOutline({500, 500}, 300)} << -1;
    QTest::newRow("circle as JPEG") << DrawnPicture(1000, Qt::white, drawCircle, true) << QByteArray("jpg") << plain
                                    << TTraceOutlines{TraceCircleOutline({500, 500}, 300)} << -1;
    QTest::newRow("square as BMP") << DrawnPicture(1000, Qt::white, drawSquare, false) << QByteArray("bmp") << plain
                                   << TTraceOutlines{TraceRectOutline(square)} << 128;
    QTest::newRow("square as GIF") << DrawnPicture(1000, Qt::white, drawSquare, false) << QByteArray("gif") << plain
                                   << TTraceOutlines{TraceRectOutline(square)} << 128;
    // A hole is an outline of its own.
    QTest::newRow("ring") << DrawnPicture(1000, Qt::white, [](QPainter& p) {
        p.drawEllipse(QPointF(500, 500), 300, 300);
        p.setBrush(Qt::white);
        p.drawEllipse(QPointF(500, 500), 150, 150);
    }, true) << QByteArray("png") << plain
                          << TTraceOutlines{TraceCircleOutline({500, 500}, 300), TraceCircleOutline({500, 500}, 150)} << -1;
    QTest::newRow("two shapes apart") << DrawnPicture(1000, Qt::white, [](QPainter& p) {
        p.drawRect(QRectF(100, 100, 300, 200));
        p.drawEllipse(QPointF(700, 700), 200, 200);
    }, true) << QByteArray("png") << plain
                                      << TTraceOutlines{TraceRectOutline(QRectF(100, 100, 300, 200)),
                                                        TraceCircleOutline({700, 700}, 200)} << -1;
    // Transparent is background, however dark its colour.
    QTest::newRow("square on a transparent ground") << DrawnPicture(1000, QColor(0, 0, 0, 0), drawSquare, false)
                                                    << QByteArray("png") << plain
                                                    << TTraceOutlines{TraceRectOutline(square)} << 128;
    TTraceOptions inverted;
    inverted.Invert = true;
    QTest::newRow("light square on a dark ground, inverted") << DrawnPicture(1000, Qt::black, [=](QPainter& p) {
        p.setBrush(Qt::white);
        p.drawRect(square);
    }, false) << QByteArray("png") << inverted << TTraceOutlines{TraceRectOutline(square)} << 128;
    // Grey 100 and grey 200: a threshold between them traces only the darker one.
    TTraceOptions between;
    between.Threshold = 150;
    QTest::newRow("the darker of two greys, by a given threshold") << DrawnPicture(1000, Qt::white, [](QPainter& p) {
        p.setBrush(QColor(100, 100, 100));
        p.drawRect(QRectF(100, 100, 300, 300));
        p.setBrush(QColor(200, 200, 200));
        p.drawRect(QRectF(600, 600, 300, 300));
    }, false) << QByteArray("png") << between << TTraceOutlines{TraceRectOutline(QRectF(100, 100, 300, 300))} << 150;
    // Chosen from the tones themselves: halfway between the two.
    QTest::newRow("grey square on a grey ground, threshold chosen")
        << DrawnPicture(1000, QColor(180, 180, 180), [=](QPainter& p) {
               p.setBrush(QColor(80, 80, 80));
               p.drawRect(square);
           }, false)
        << QByteArray("png") << plain << TTraceOutlines{TraceRectOutline(square)} << 130;
    TTraceOptions margin;
    margin.Margin = 12;
    QTest::newRow("square with a margin") << DrawnPicture(1000, Qt::white, drawSquare, false) << QByteArray("png")
                                          << margin << TTraceOutlines{TraceRectOutline(square)} << 128;
    // Larger than the size traced: scaled down first.
    QTest::newRow("circle in a picture of 3000 pixels")
        << DrawnPicture(3000, Qt::white, [](QPainter& p) { p.drawEllipse(QPointF(1500, 1500), 1000, 1000); }, true)
        << QByteArray("png") << plain << TTraceOutlines{TraceCircleOutline({1500, 1500}, 1000)} << -1;
}

void TestPictureTrace::outlinesFollowThePicture()
{
    QFETCH(QImage, picture);
    QFETCH(QByteArray, format);
    QFETCH(TTraceOptions, options);
    QFETCH(TTraceOutlines, exact);
    QFETCH(int, threshold);
    // The suffix says nothing: the picture is known by its content.
    const QString file = Path("logo.picture");
    if (format == "gif")
        QVERIFY(WriteFile(file, TraceGifBytes(picture)));
    else
        QVERIFY(picture.save(file, format.constData(), 95));

    const TTracedPicture traced = TracePicture(file, options);
    QVERIFY2(traced.outcome.ok, qPrintable(traced.outcome.message));
    QCOMPARE(traced.PictureSize, picture.size());
    QCOMPARE(std::max(traced.TracedSize.width(), traced.TracedSize.height()),
             std::min(picture.width(), MaxTraceSide));
    QCOMPARE(traced.Outlines, int(exact.size()));
    QCOMPARE(int(traced.Drawing.size()), int(exact.size()));
    if (threshold >= 0)
        QCOMPARE(traced.Threshold, threshold);

    // The outlines as traced: closed, on the exact outlines, and all of them there.
    const TTraceOutlines fitted = TraceFitted(exact, options.Margin);
    TTraceOutlines sampled;
    for (const TVectorPath& outline : traced.Drawing) {
        QVERIFY(outline.Filled);
        const QPolygonF line = TraceSampled(outline.Path);
        QVERIFY(line.isClosed());
        for (const QPointF& p : line)
            QVERIFY2(TraceDistance(p, fitted) <= 0.5,
                     qPrintable(QStringLiteral("%1,%2 is %3 off").arg(p.x()).arg(p.y()).arg(TraceDistance(p, fitted))));
        sampled << line;
    }
    for (const QPolygonF& line : fitted)
        for (const QPointF& p : line)
            QVERIFY2(TraceDistance(p, sampled) <= 0.5, qPrintable(QStringLiteral("%1,%2 not traced").arg(p.x()).arg(p.y())));

    // The frame: every point within a unit of the exact outline, and every part of
    // the outline drawn lit. The frame keeps its own margin (the default one),
    // whatever margin the outlines were traced with.
    const TVectorFrameResult result = BuildTracedFrame(traced, TVectorOptions());
    QVERIFY2(result.outcome.ok, qPrintable(result.outcome.message));
    const TLaserFrame& frame = *result.Frame;
    QCOMPARE(frame.Name, QStringLiteral("logo"));
    QCOMPARE(result.Shapes, int(exact.size()));
    const TTraceOutlines filling = TraceFitted(exact, DefaultMargin);
    for (const TSmallPoint& p : frame.Points)
        QVERIFY2(TraceDistance(QPointF(p.X, p.Y), filling) <= 1.0,
                 qPrintable(QStringLiteral("point %1 at %2,%3 is %4 off").arg(p.Name).arg(p.X).arg(p.Y)
                                .arg(TraceDistance(QPointF(p.X, p.Y), filling))));
    const TTraceOutlines lit = TraceLitLines(frame);
    for (const QPolygonF& line : filling)
        for (const QPointF& p : line)
            QVERIFY2(TraceDistance(p, lit) <= 1.25, qPrintable(QStringLiteral("%1,%2 not drawn").arg(p.x()).arg(p.y())));
}

void TestPictureTrace::badPicturesAreRefused_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<TTraceOptions>("options");
    QTest::addColumn<QString>("reason");

    const TTraceOptions plain;
    TTraceOptions none;
    none.Threshold = 0;
    TTraceOptions inverted;
    inverted.Invert = true;
    QTest::newRow("empty file") << "empty.png" << plain << "the file is empty";
    QTest::newRow("all black") << "black.png" << plain
                               << "nothing to trace: the whole picture is darker than the threshold (128)";
    QTest::newRow("all white") << "white.png" << plain
                               << "nothing to trace: no part of the picture is darker than the threshold (128)";
    QTest::newRow("all white, inverted") << "white.png" << inverted
                                         << "nothing to trace: the whole picture is lighter than the threshold (128)";
    QTest::newRow("threshold 0") << "logo.png" << none
                                 << "nothing to trace: no part of the picture is darker than the threshold (0)";
    QTest::newRow("fully transparent") << "clear.png" << plain << "nothing to trace: the picture is fully transparent";
    QTest::newRow("only specks") << "specks.png" << plain
                                 << "nothing to trace: what is darker than the threshold (128) is only specks of 2 pixels or less";
    QTest::newRow("not a picture") << "notes.png" << plain << "not a picture to trace (PNG, JPEG, BMP or GIF)";
    QTest::newRow("SVG drawing") << "drawing.svg" << plain << "not a picture to trace (PNG, JPEG, BMP or GIF)";
    QTest::newRow("cut-off PNG") << "cut.png" << plain << "not a readable picture: ";
    QTest::newRow("too many pixels") << "huge.bmp" << plain
                                     << "the picture is too large to trace: 10000 x 10000 pixels, more than 64 megapixels";
    QTest::newRow("pipe") << "pipe.png" << plain << "it is a pipe, not a regular file";
    QTest::newRow("folder") << "folder.png" << plain << "it is a folder, not a file";
    QTest::newRow("no such file") << "none.png" << plain << "no such file";
}

void TestPictureTrace::badPicturesAreRefused()
{
    QFETCH(QString, name);
    QFETCH(TTraceOptions, options);
    QFETCH(QString, reason);

    QVERIFY(WriteFile(Path("empty.png"), {}));
    QImage plain(200, 200, QImage::Format_ARGB32);
    plain.fill(Qt::black);
    QVERIFY(plain.save(Path("black.png")));
    plain.fill(Qt::white);
    QVERIFY(plain.save(Path("white.png")));
    plain.fill(QColor(0, 0, 0, 0));
    QVERIFY(plain.save(Path("clear.png")));
    plain.fill(Qt::white);
    plain.setPixel(50, 50, qRgb(0, 0, 0));
    plain.setPixel(150, 120, qRgb(0, 0, 0));
    plain.setPixel(151, 120, qRgb(0, 0, 0));
    QVERIFY(plain.save(Path("specks.png")));
    QVERIFY(DrawnPicture(200, Qt::white, [](QPainter& p) { p.drawRect(50, 50, 100, 100); }, false)
                .save(Path("logo.png")));
    QVERIFY(WriteFile(Path("notes.png"), "Not a picture at all, just a few words.\n"));
    QVERIFY(WriteFile(Path("drawing.svg"), "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 10 10\">"
                                           "<rect width=\"5\" height=\"5\"/></svg>\n"));
    const QByteArray logo = ReadFile(Path("logo.png"));
    QVERIFY(WriteFile(Path("cut.png"), logo.left(logo.size() / 2)));
    // A bitmap whose header claims 10000 x 10000 pixels; the pixels are never read.
    QImage dot(1, 1, QImage::Format_RGB32);
    dot.fill(Qt::white);
    QVERIFY(dot.save(Path("huge.bmp")));
    QByteArray bmp = ReadFile(Path("huge.bmp"));
    qToLittleEndian<qint32>(10000, bmp.data() + 18);
    qToLittleEndian<qint32>(10000, bmp.data() + 22);
    QVERIFY(WriteFile(Path("huge.bmp"), bmp));
    QCOMPARE(mkfifo(QFile::encodeName(Path("pipe.png")).constData(), 0600), 0);
    QVERIFY(QDir(Dir->path()).mkdir("folder.png"));
    const QStringList before = QDir(Dir->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System);

    // In a child with a time limit: a read that blocks on the pipe fails the test
    // instead of hanging it.
    const QString file = Path(name);
    TLimits limits;
    limits.TimeoutSeconds = 20;
    const TChildResult child = RunInChild([&] {
        const TTracedPicture traced = TracePicture(file, options);
        const TVectorFrameResult frame = TracePictureFrame(file, options, TVectorOptions());
        QByteArray out = traced.outcome.ok ? "traced" : traced.outcome.message.toUtf8();
        if (!traced.Drawing.empty())
            out += " (with a drawing)";
        if (frame.outcome.message != traced.outcome.message || frame.Frame)
            out += " (a frame: " + frame.outcome.message.toUtf8() + ")";
        return out;
    }, limits);
    QVERIFY2(child.Exited, "the trace blocked or crashed");
    const QString message = QString::fromUtf8(child.Output);
    // A reason ending in a space goes on with the decoder's own words.
    if (reason.endsWith(' '))
        QVERIFY2(message.startsWith(FileMessage(file, reason)) && !message.contains(" (with a drawing)")
                     && !message.contains(" (a frame: "),
                 qPrintable(message));
    else
        QCOMPARE(message, FileMessage(file, reason));
    QCOMPARE(QDir(Dir->path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System), before);
}

void TestPictureTrace::fineDetailIsTracedSmaller()
{
    // A disc in a ring of fine diagonal hatching: at full size potrace would take
    // minutes over the hatching's long staircases. Traced smaller, the hatching is
    // grey and only the disc is left.
    QImage picture = DrawnPicture(2000, Qt::white, [](QPainter& p) { p.drawEllipse(QPointF(1000, 1000), 500, 500); }, true);
    for (int y = 0; y < 2000; ++y)
        for (int x = 0; x < 2000; ++x)
            if (std::hypot(x - 1000, y - 1000) > 700 && (x + y) / 2 % 2)
                picture.setPixel(x, y, qRgb(0, 0, 0));
    const QString file = Path("hatched.png");
    QVERIFY(picture.save(file));
    const TTracedPicture traced = TracePicture(file, TTraceOptions());
    QVERIFY2(traced.outcome.ok, qPrintable(traced.outcome.message));
    QCOMPARE(traced.PictureSize, QSize(2000, 2000));
    QVERIFY(traced.TracedSize.width() < 2000);
    QCOMPARE(traced.TracedSize.width(), traced.TracedSize.height());
    QCOMPARE(traced.Outlines, 1);
    const TTraceOutlines exact = TraceFitted({TraceCircleOutline({1000, 1000}, 500)}, 0);
    for (const QPointF& p : TraceSampled(traced.Drawing[0].Path))
        QVERIFY2(TraceDistance(p, exact) <= 1.0, qPrintable(QStringLiteral("%1,%2 is %3 off").arg(p.x()).arg(p.y()).arg(TraceDistance(p, exact))));

    // Hatching alone melts away entirely, and the message says where it went.
    picture.fill(Qt::white);
    for (int y = 0; y < 2000; ++y)
        for (int x = 0; x < 2000; ++x)
            if ((x + y) / 2 % 2)
                picture.setPixel(x, y, qRgb(0, 0, 0));
    QVERIFY(picture.save(file));
    const TTracedPicture grey = TracePicture(file, TTraceOptions());
    QVERIFY(!grey.outcome.ok);
    QVERIFY2(grey.outcome.message.startsWith(FileMessage(file, "nothing to trace: no part of the picture is darker "
                                                                "than the threshold (128) once its finest detail is averaged (traced at ")),
             qPrintable(grey.outcome.message));
}

void TestPictureTrace::tooManyPointsIsRefusedWithTheReason()
{
    // 7,225 small squares apart, each a shape of its own with a dark jump to it:
    // potrace rounds their corners, so within 0.01 units they take more points than a
    // frame holds, within 1 unit fewer.
    QImage picture = DrawnPicture(1050, Qt::white, [](QPainter& p) {
        for (int y = 0; y < 85; ++y)
            for (int x = 0; x < 85; ++x)
                p.drawRect(x * 10, y * 10, 5, 5);
    }, false);
    const QString file = Path("dots.png");
    QVERIFY(picture.save(file));
    const TTracedPicture traced = TracePicture(file, TTraceOptions());
    QVERIFY2(traced.outcome.ok, qPrintable(traced.outcome.message));
    QCOMPARE(traced.Outlines, 85 * 85);

    TVectorOptions fine;
    fine.Tolerance = 0.01;
    const TVectorFrameResult refused = BuildTracedFrame(traced, fine);
    QVERIFY(!refused.outcome.ok);
    QVERIFY(!refused.Frame);
    const QString message = refused.outcome.message;
    QVERIFY2(message.startsWith(FileMessage(file, "flattened within 0.01 units the drawing needs ")), qPrintable(message));
    QVERIFY2(message.endsWith(" points, more than a frame holds (65535)"), qPrintable(message));
    QCOMPARE(refused.FittingTolerance, 1.0);

    TVectorOptions fitting;
    fitting.Tolerance = refused.FittingTolerance;
    const TVectorFrameResult built = BuildTracedFrame(traced, fitting);
    QVERIFY2(built.outcome.ok, qPrintable(built.outcome.message));
    QVERIFY(built.Frame->PointCount() <= MaxFramePoints);
    QCOMPARE(built.Shapes, 85 * 85);
}

void TestPictureTrace::lackOfMemoryIsReported()
{
    QVERIFY(DrawnPicture(2000, Qt::white, [](QPainter& p) { p.drawEllipse(QPointF(1000, 1000), 800, 800); }, true)
                .save(Path("big.png")));
    const QString file = Path("big.png");
    // Enough to start, far from enough for a picture of 16 MB.
    TLimits limits;
    limits.AddressSpace = qint64(4) << 30;
    limits.FreeMemory = qint64(6) << 20;
    const TChildResult child = RunInChild([&] {
        const TVectorFrameResult result = TracePictureFrame(file, TTraceOptions(), TVectorOptions());
        return result.outcome.ok ? QByteArray("traced") : result.outcome.message.toUtf8();
    }, limits);
    QVERIFY2(child.Exited, "the trace crashed");
    QCOMPARE(QString::fromUtf8(child.Output), QStringLiteral("Not enough memory to trace \"%1\".").arg(file));
}

QTEST_GUILESS_MAIN(TestPictureTrace)
#include "tst_picturetrace.moc"
