// An SVG drawing of 200 shapes (curves, arcs, circles, rectangles and polylines in
// nested transforms) and a 40-character line of text, each made into a frame, with
// the time each takes and the points it needs. The goal is under 100 ms each.
// Then the large cases: tens of thousands of shapes crowding one spot, the longest
// text, and a drawing too large for any tolerance, refused.
#include "SvgImport.h"
#include "TextFrame.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <cstdio>
#include <functional>

namespace {

QByteArray Drawing()
{
    QByteArray svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 1000 1000\">\n";
    for (int i = 0; i < 200; ++i) {
        const int x = 50 + (i % 20) * 45, y = 50 + (i / 20) * 90;
        svg += QStringLiteral("<g transform=\"translate(%1 %2) rotate(%3)\">").arg(x).arg(y).arg(i * 7).toLatin1();
        switch (i % 5) {
        case 0: svg += "<circle r=\"18\" fill=\"none\" stroke=\"red\"/>"; break;
        case 1: svg += "<path d=\"M-20 0 C-20 -30 20 -30 20 0 Q 0 20 -20 0 Z\" fill=\"blue\"/>"; break;
        case 2: svg += "<path d=\"M-15 -15 A 15 15 0 1 1 -15 15 L 15 15\" fill=\"none\" stroke=\"black\"/>"; break;
        case 3: svg += "<rect x=\"-15\" y=\"-10\" width=\"30\" height=\"20\" rx=\"5\" fill=\"none\" stroke=\"green\"/>"; break;
        default: svg += "<polyline points=\"-20,10 -10,-10 0,10 10,-10 20,10\" fill=\"none\" stroke=\"black\"/>";
        }
        svg += "</g>\n";
    }
    return svg + "</svg>\n";
}

// Best of 10 runs, in ms; `points` and `shapes` from the last run.
double Time(const std::function<TVectorFrameResult()>& make, int& points, int& shapes)
{
    double best = 1e9;
    for (int round = 0; round < 10; ++round) {
        QElapsedTimer t;
        t.start();
        const TVectorFrameResult result = make();
        best = std::min(best, t.nsecsElapsed() / 1e6);
        if (!result.outcome.ok) {
            std::fprintf(stderr, "%s\n", qPrintable(result.outcome.message));
            return -1;
        }
        points = result.Frame->PointCount();
        shapes = result.Shapes;
    }
    return best;
}

} // namespace

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath("drawing.svg");
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(Drawing()) < 0)
        return 1;
    file.close();
    int points = 0, shapes = 0;

    double ms = Time([&] { return ImportSvgFile(path, {}); }, points, shapes);
    if (ms < 0)
        return 1;
    std::printf("SVG of %d shapes: %.1f ms, %d points (file read, rendered, flattened, ordered)\n", shapes, ms, points);

    const QString text = QStringLiteral("The quick brown fox jumps over lazy dogs");  // 40 characters
    ms = Time([&] { return MakeTextFrame(text, {}, {}); }, points, shapes);
    if (ms < 0)
        return 1;
    std::printf("text of %lld characters, Hershey font: %.1f ms, %d points, %d strokes\n",
                static_cast<long long>(text.size()), ms, points, shapes);

    const QStringList families = QFontDatabase::families();
    if (!families.isEmpty()) {
        const TTextFont outline{TTextFont::TKind::Outline, families.first()};
        ms = Time([&] { return MakeTextFrame(text, outline, {}); }, points, shapes);
        if (ms < 0)
            return 1;
        std::printf("text of %lld characters, outline font %s: %.1f ms, %d points, %d outlines\n",
                    static_cast<long long>(text.size()), qPrintable(families.first()), ms, points, shapes);
    }

    // Short lines within 20 units of one corner of a 1000-unit drawing: all of them
    // in one cell of a coarse grid.
    for (const int n : {20000, 60000}) {
        TVectorDrawing crowd;
        quint32 seed = 1;
        const auto next = [&seed] { return (seed = seed * 1664525u + 1013904223u) >> 8; };
        for (int i = 0; i < n; ++i) {
            TVectorPath line;
            const double x = (next() % 20000) / 1000.0, y = (next() % 20000) / 1000.0;
            line.Path.moveTo(x, y);
            line.Path.lineTo(x + 0.01, y);
            crowd.push_back(line);
        }
        TVectorPath far;
        far.Path.moveTo(1000, 1000);
        far.Path.lineTo(999, 1000);
        crowd.push_back(far);
        ms = Time([&] { return BuildVectorFrame(crowd, {}); }, points, shapes);
        if (ms < 0)
            return 1;
        std::printf("%d shapes crowded in a corner: %.1f ms, %d points\n", shapes, ms, points);
    }

    const QString longest = QStringLiteral("The quick brown fox jumps over the lazy dog. ").repeated(23).left(MaxTextLength);
    ms = Time([&] { return MakeTextFrame(longest, {}, {}); }, points, shapes);
    if (ms < 0)
        return 1;
    std::printf("text of %d characters, Hershey font: %.1f ms, %d points, %d strokes\n", MaxTextLength, ms, points,
                shapes);

    // 40,000 separate lines: no tolerance makes them fit; counted at each, never laid out.
    TVectorDrawing lines;
    for (int i = 0; i < 40000; ++i) {
        TVectorPath line;
        line.Path.moveTo(4 * (i % 200), 4 * (i / 200));
        line.Path.lineTo(4 * (i % 200) + 2, 4 * (i / 200));
        lines.push_back(line);
    }
    QElapsedTimer refusal;
    refusal.start();
    const TVectorFrameResult refused = BuildVectorFrame(lines, {});
    std::printf("40000 separate lines, refused with the tolerances tried: %.1f ms (%s)\n",
                refusal.nsecsElapsed() / 1e6, refused.outcome.ok ? "fitted?" : "refused");

    TVectorPath circle;
    circle.Path.addEllipse(QPointF(0, 0), 1, 1);
    for (const double tolerance : {0.5, 0.25, 1.0, 2.0}) {
        TVectorOptions options;
        options.Tolerance = tolerance;
        std::printf("a circle filling the square, tolerance %.2f: %d points\n", tolerance,
                    BuildVectorFrame({circle}, options).Frame->PointCount());
    }
    return 0;
}
