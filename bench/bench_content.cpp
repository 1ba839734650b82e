// An SVG drawing of 200 shapes (curves, arcs, circles, rectangles and polylines in
// nested transforms) and a 40-character line of text, each made into a frame, with
// the time each takes and the points it needs. The goal is under 100 ms each.
// Then the large cases: tens of thousands of shapes crowding one spot, the longest
// text, and a drawing too large for any tolerance, refused.
//
// The dark travel of the drawing's frame against the nearest-neighbour order of the
// same shapes and against a plain 2-opt tour worked out here (the goal: at most 1.1
// times the 2-opt tour), and a 1000 x 1000 logo traced into a frame (goal 200 ms).
#include "BenchLogo.h"
#include "LaserPath.h"
#include "PictureTrace.h"
#include "SvgImport.h"
#include "TextFrame.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <cmath>
#include <numbers>
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

// The shapes a frame draws: each run of points between a dark jump's settle point and
// the point the next jump leaves from, closed when it ends where it began.
std::vector<TLaserShape> DrawnShapes(const TLaserFrame& frame)
{
    std::vector<TLaserShape> shapes;
    const int n = frame.PointCount();
    int start = -1;
    for (int i = 0; i < n; ++i)
        if (frame.Points[i].IsBlank() && frame.Points[i].IsSharp()) {
            start = (i + 1) % n;
            break;
        }
    if (start < 0)
        return shapes;
    TLaserShape shape;
    for (int k = 0; k < n; ++k) {
        const TSmallPoint& p = frame.Points[(start + k) % n];
        if (p.IsBlank()) {
            if (!shape.Points.empty()) {
                if (shape.Points.size() > 2 && shape.Points.front() == shape.Points.back()) {
                    shape.Points.pop_back();
                    shape.Closed = true;
                }
                if (shape.Points.size() == 1)
                    shape.Points.push_back(shape.Points[0]);
                shape.Exact.assign(shape.Points.begin(), shape.Points.end());
                shapes.push_back(shape);
            }
            shape = TLaserShape();
            continue;
        }
        const QPoint q(p.X, p.Y);
        if (shape.Points.empty() || shape.Points.back() != q)
            shape.Points.push_back(q);
    }
    return shapes;
}

double Gap(QPoint a, QPoint b) { return std::hypot(double(a.x() - b.x()), double(a.y() - b.y())); }

QPoint Exit(const std::vector<TLaserShape>& shapes, const TLaserEntry& e)
{
    const TLaserShape& s = shapes[e.Shape];
    return s.Closed ? s.Points[e.Vertex] : s.Points[e.Vertex == 0 ? s.Points.size() - 1 : 0];
}

QPoint Entry(const std::vector<TLaserShape>& shapes, const TLaserEntry& e) { return shapes[e.Shape].Points[e.Vertex]; }

// Nearest neighbour from the first shape, looking at every entry of every shape left.
TLaserTour NearestNeighbour(const std::vector<TLaserShape>& shapes)
{
    std::vector<char> used(shapes.size(), 0);
    TLaserTour tour{{0, 0}};
    used[0] = 1;
    while (tour.size() < shapes.size()) {
        const QPoint from = Exit(shapes, tour.back());
        TLaserEntry best;
        double bestD = 1e18;
        for (int s = 0; s < int(shapes.size()); ++s) {
            if (used[s])
                continue;
            const int n = int(shapes[s].Points.size());
            for (int v = 0; v < n; ++v) {
                if (!shapes[s].Closed && v != 0 && v != n - 1)
                    continue;
                const double d = Gap(from, shapes[s].Points[v]);
                if (d < bestD)
                    bestD = d, best = {s, v};
            }
        }
        used[best.Shape] = 1;
        tour.push_back(best);
    }
    return tour;
}

// The textbook 2-opt over every pair of jumps, each closed shape then entered at its
// best point, until neither helps: slow, thorough, and independent of the importer's.
void PlainTwoOpt(const std::vector<TLaserShape>& shapes, TLaserTour& tour)
{
    const int n = int(tour.size());
    const auto flip = [&](TLaserEntry& e) {
        const TLaserShape& s = shapes[e.Shape];
        if (!s.Closed)
            e.Vertex = e.Vertex == 0 ? int(s.Points.size()) - 1 : 0;
    };
    for (bool better = true; better;) {
        better = false;
        for (int i = 0; i < n; ++i)
            for (int j = i + 1; j < n; ++j) {
                // Reverse tour[i+1..j]: the jumps out of i and out of j change.
                const int a = i, b = (i + 1) % n, c = j, d = (j + 1) % n;
                if (b > c || d == a)
                    continue;
                const double now = Gap(Exit(shapes, tour[a]), Entry(shapes, tour[b]))
                                 + Gap(Exit(shapes, tour[c]), Entry(shapes, tour[d]));
                const double then = Gap(Exit(shapes, tour[a]), Exit(shapes, tour[c]))
                                  + Gap(Entry(shapes, tour[b]), Entry(shapes, tour[d]));
                if (then < now - 1e-9) {
                    std::reverse(tour.begin() + b, tour.begin() + c + 1);
                    for (int k = b; k <= c; ++k)
                        flip(tour[k]);
                    better = true;
                }
            }
        for (int p = 0; p < n; ++p) {
            TLaserEntry& e = tour[p];
            const TLaserShape& s = shapes[e.Shape];
            if (!s.Closed)
                continue;
            const QPoint from = Exit(shapes, tour[(p + n - 1) % n]), to = Entry(shapes, tour[(p + 1) % n]);
            for (int v = 0; v < int(s.Points.size()); ++v)
                if (Gap(from, s.Points[v]) + Gap(s.Points[v], to)
                    < Gap(from, s.Points[e.Vertex]) + Gap(s.Points[e.Vertex], to) - 1e-9) {
                    e.Vertex = v;
                    better = true;
                }
        }
    }
}

// The dark travel of a frame: the length of its jumps.
double FrameDarkTravel(const TLaserFrame& frame)
{
    double travel = 0;
    const int n = frame.PointCount();
    for (int i = 0; i < n; ++i) {
        const TSmallPoint& a = frame.Points[i];
        const TSmallPoint& b = frame.Points[(i + 1) % n];
        if (a.IsBlank())
            travel += Gap(QPoint(a.X, a.Y), QPoint(b.X, b.Y));
    }
    return travel;
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

    {
        const TVectorFrameResult built = ImportSvgFile(path, {});
        const std::vector<TLaserShape> drawn = DrawnShapes(*built.Frame);
        TLaserTour nearest = NearestNeighbour(drawn);
        const double before = DarkTravel(drawn, nearest);
        TLaserTour reference = nearest;
        QElapsedTimer t;
        t.start();
        PlainTwoOpt(drawn, reference);
        const double plainMs = t.nsecsElapsed() / 1e6;
        const double twoOpt = DarkTravel(drawn, reference), ours = FrameDarkTravel(*built.Frame);
        std::printf("dark travel of the %zu shapes drawn between jumps: nearest neighbour %.0f units, the frame %.0f "
                    "(%.2fx), a plain 2-opt tour %.0f (%.0f ms): the frame is %.3fx the 2-opt tour (goal <= 1.1), "
                    "%d dark jumps\n",
                    drawn.size(), before, ours, ours / before, twoOpt, plainMs, ours / twoOpt, built.Jumps);
    }

    {
        const QString logo = dir.filePath("logo.png");
        if (!Logo(1000, 1000).save(logo))
            return 1;
        ms = Time([&] { return TracePictureFrame(logo, TTraceOptions(), TVectorOptions()); }, points, shapes);
        if (ms < 0)
            return 1;
        std::printf("a 1000 x 1000 logo traced into a frame: %.1f ms (goal 200), %d points, %d outlines\n", ms, points,
                    shapes);
    }

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
        options.Margin = 0;
        std::printf("a circle filling the square, tolerance %.2f: %d points\n", tolerance,
                    BuildVectorFrame({circle}, options).Frame->PointCount());
    }
    return 0;
}
