// Steps of the edit history on a 65,535-point frame (named 0 .. 65534, linked to a
// 65,535-point predecessor): the time to make each step, to undo it and to do it again
// (medians of 21 runs), and what the step holds. Then 600 rotations of that frame: how
// many steps the history keeps within its memory budget. Goal: every undo below 50 ms.
// Then undo and redo of a rotation in the real main window (PadWindowBench.h), frames of
// 500, 10,000 and 65,535 points: goals 16 ms at 10,000 points, 50 ms at 65,535.
// `--window` runs only that table.
#include "PadWindowBench.h"
#include "ShowDocument.h"
#include "Transforms.h"

#include <QApplication>
#include <QElapsedTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr int PointCount = 65535;
constexpr int Runs = 21;

void FillFrame(TLaserFrame& frame, double phase)
{
    frame.Points.reserve(PointCount + 1);
    for (int i = 0; i < PointCount; ++i) {
        const double a = 2 * M_PI * i / PointCount;
        TSmallPoint p;
        p.X = quint8(128 + 120 * std::sin(7 * a + phase));
        p.Y = quint8(128 + 120 * std::cos(5 * a));
        p.Selection = 0;
        frame.Points.push_back(p);
    }
    RenumberPoints(frame);
}

TLaserFrames BigShow()
{
    TLaserFrames show;
    FillFrame(show.Add(), 0.0);
    TLaserFrame& big = show.Add();
    FillFrame(big, 0.1);
    big.FitLinks(PointCount);
    for (int i = 0; i < PointCount; i += 7)
        big.Links.Set(i, i, true);
    return show;
}

double Median(std::vector<double> times)
{
    std::nth_element(times.begin(), times.begin() + times.size() / 2, times.end());
    return times[times.size() / 2];
}

double Milliseconds(const std::function<void()>& work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return timer.nsecsElapsed() / 1e6;
}

// Makes the step once, then undoes and does it again Runs times.
bool Measure(const char* name, const std::function<void(TShowDocument&)>& step)
{
    TShowDocument document;
    document.ReplaceShow(BigShow());
    const double made = Milliseconds([&] { step(document); });
    if (document.History().count() != 1) {
        std::printf("%-34s made no step\n", name);
        return false;
    }
    const double cost = double(document.HistoryCost()) / 1024;
    std::vector<double> undo, redo;
    for (int run = 0; run < Runs; ++run) {
        undo.push_back(Milliseconds([&] { document.Undo(); }));
        redo.push_back(Milliseconds([&] { document.Redo(); }));
    }
    const double undoMs = Median(undo);
    std::printf("%-34s do %7.2f ms   undo %7.2f ms   redo %7.2f ms   holds %9.1f KB\n", name, made, undoMs,
                Median(redo), cost);
    return undoMs < 50;
}

// A rotation by the move-and-rotate tool, then undone and done again through the Edit menu.
void WindowTable()
{
    using namespace padbench;
    TTable table({"undo of a rotation", "redo of a rotation"});
    TPadWindow window;
    for (const TCase& c : Cases()) {
        window.Load(c.Count, c.Numbered);
        window.Action("miToolMoveRotate")->trigger();
        const QPoint centre = window.At(128, 128);
        window.Press(centre + QPoint(100, 0), Qt::RightButton);
        window.Move(centre + QPoint(80, 60), Qt::RightButton);
        window.Release(centre + QPoint(80, 60), Qt::RightButton);
        window.Settle();
        std::vector<double> undo, redo;
        padbench::Runs([&](int) {
            undo.push_back(window.Time([&] { window.Action("miUndo")->trigger(); }));
            redo.push_back(window.Time([&] { window.Action("miRedo")->trigger(); }));
            return 0.0;
        });
        table.Set(0, Median(undo));
        table.Set(1, Median(redo));
    }
    std::printf("the main window, zoom 2, labels on, offscreen (goals: 16 ms at 10k, 50 ms at 65,535)\n");
    table.Print();
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    if (argc > 1 && QByteArray(argv[1]) == "--window") {
        WindowTable();
        return 0;
    }
    bool fast = true;
    std::printf("a frame of %d points after one of %d points\n", PointCount, PointCount);
    fast &= Measure("drag one point", [](TShowDocument& d) {
        d.BeginFrameGesture(1, QStringLiteral("Move points"), TShowChange::Points);
        for (int x = 0; x < 50; ++x)
            d.Show().Frame(1).Points[30000].X = quint8(x);
        d.EndFrameGesture();
    });
    fast &= Measure("rotate the frame", [](TShowDocument& d) {
        d.EditFrame(1, QStringLiteral("Rotate frame"), [](TLaserFrame& f) { RotateFrame(f, 0.5); },
                    TShowChange::Points | TShowChange::Properties);
    });
    fast &= Measure("sharpen every point", [](TShowDocument& d) {
        d.EditFrame(1, QStringLiteral("Sharpen"), [](TLaserFrame& f) {
            for (TSmallPoint& p : f.Points)
                p.Flags ^= TSmallPoint::FlagSharp;
        }, TShowChange::Points);
    });
    fast &= Measure("add a point in the middle", [](TShowDocument& d) {
        d.EditFrame(1, QStringLiteral("Add point"), [](TLaserFrame& f) {
            f.Points.insert(f.Points.begin() + PointCount / 2, TSmallPoint());
            RenumberPoints(f);
            f.FitLinks(PointCount);
        }, TShowChange::Points | TShowChange::Links);
    });
    fast &= Measure("delete a point in the middle", [](TShowDocument& d) {
        d.EditFrame(1, QStringLiteral("Delete point"),
                    [](TLaserFrame& f) { f.Points.erase(f.Points.begin() + PointCount / 2); }, TShowChange::Points);
    });
    fast &= Measure("delete the frame", [](TShowDocument& d) { d.DeleteFrame(1, QStringLiteral("Delete frame")); });
    fast &= Measure("delete the frame before it", [](TShowDocument& d) {
        d.DeleteFrame(0, QStringLiteral("Delete frame"));   // fits the big frame's links
    });

    TShowDocument document;
    document.ReplaceShow(BigShow());
    for (int k = 0; k < 600; ++k)
        document.EditFrame(1, QStringLiteral("Rotate frame"), [](TLaserFrame& f) { RotateFrame(f, 0.01); },
                           TShowChange::Points | TShowChange::Properties);
    std::printf("600 rotations: %d steps kept, %.1f MB held of a budget of %.0f MB\n", document.History().count(),
                double(document.HistoryCost()) / (1 << 20), double(document.HistoryBudget()) / (1 << 20));
    std::printf(fast ? "every undo below 50 ms\n" : "an undo took 50 ms or more\n");
    WindowTable();
    return fast ? 0 : 1;
}
