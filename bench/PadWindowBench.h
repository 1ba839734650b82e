#pragma once
// The sketchpad's interactions timed in the real main window on the offscreen platform:
// a show of two frames of the same size (a curve over the whole square, every seventh
// point linked to the frame before), numbered or unnamed, labels on, zoom 2. Each time
// covers the event and everything it leaves to the event loop (deferred paints), as a
// user waits for it. Medians; a frame of screen time is 16 ms.
#include "FormUnitMain.h"
#include "FormUnitPad.h"
#include "Prompts.h"
#include "SettingsStore.h"
#include "Transforms.h"

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QSettings>
#include <QWindow>
#include <QTemporaryDir>
#include <QKeyEvent>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

namespace padbench {

// Nothing is asked in these runs; a question would be a fault of the benchmark.
class TSilentPrompts : public TPrompts {
public:
    bool Ask(TMsgIcon, const QString&) override { return false; }
    void Tell(TMsgIcon, const QString& text) override { std::fprintf(stderr, "told: %s\n", qPrintable(text)); }
    std::optional<QString> InputText(const QString&, const QString&, const QString&) override { return {}; }
    QString OpenFileName(const TFileDialogRequest&) override { return {}; }
    QString SaveFileName(const TFileDialogRequest&) override { return {}; }
    std::optional<QColor> ChooseColor(const QColor&) override { return {}; }
};

inline void FillCurve(TLaserFrame& frame, int count, double phase, bool numbered)
{
    frame.Points.reserve(size_t(count) + 1);
    for (int i = 0; i < count; ++i) {
        const double a = 2 * M_PI * i / count;
        TSmallPoint p;
        p.X = quint8(128 + 120 * std::sin(7 * a + phase));
        p.Y = quint8(128 + 120 * std::cos(5 * a));
        p.Selection = 0;
        frame.Points.push_back(p);
    }
    if (numbered)
        RenumberPoints(frame);
}

inline TLaserFrames CurveShow(int count, bool numbered)
{
    TLaserFrames show;
    FillCurve(show.Add(), count, 0.0, numbered);
    TLaserFrame& second = show.Add();
    FillCurve(second, count, 0.1, numbered);
    second.FitLinks(count);
    for (int i = 0; i < count; i += 7)
        second.Links.Set(i, i, true);
    return show;
}

inline double Median(std::vector<double> times)
{
    if (times.empty())
        return 0;
    std::nth_element(times.begin(), times.begin() + qsizetype(times.size() / 2), times.end());
    return times[times.size() / 2];
}

class TPadWindow {
public:
    TPadWindow()
    {
        Settings = std::make_unique<QSettings>(Dir.filePath(QStringLiteral("skelmar.ini")), QSettings::IniFormat);
        {
            TSettingsStore store(*Settings);
            store.WriteSwitch({}, "LivePreview", false);
            store.WriteSwitch({}, "ShowNumbers", true);
            store.Sync();
        }
        Form = std::make_unique<TFormMain>(*Settings, Prompts, Dir.path() + QLatin1Char('/'));
        Form->resize(1400, 1000);
        Form->show();
        for (int k = 0; k < 100 && !Form->windowHandle()->isExposed(); ++k)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        Sketchpad = Form->findChild<TFormSketchpad*>();
        Pad = Sketchpad->pad;
        Settle();
    }

    void Load(int count, bool numbered)
    {
        Form->Document().ReplaceShow(CurveShow(count, numbered));
        Form->Document().SetCurrentFrameIndex(1);
        Settle();
    }

    QAction* Action(const char* name) const { return Form->findChild<QAction*>(QLatin1String(name)); }
    TLaserFrame& Frame() { return Form->Show().Frame(Form->CurrentFrameIndex()); }
    // The pad pixel of frame coordinates: zoom 2, nothing flipped, scrolled by the bars.
    QPoint At(int x, int y) const
    {
        return {x * 2 - Sketchpad->sbX->value(), y * 2 - Sketchpad->sbY->value()};
    }
    QPoint PointAt(int index) { return At(Frame().Points[size_t(index)].X, Frame().Points[size_t(index)].Y); }

    // Whatever the last event left to the event loop: deferred paints and timers due.
    static void Settle()
    {
        QCoreApplication::processEvents();
        QCoreApplication::sendPostedEvents();
        QCoreApplication::processEvents();
    }

    static double Time(const std::function<void()>& work)
    {
        QElapsedTimer timer;
        timer.start();
        work();
        Settle();
        return double(timer.nsecsElapsed()) / 1e6;
    }

    void Mouse(QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons buttons)
    {
        QMouseEvent event(type, at, Pad->mapToGlobal(at), button, buttons, Qt::NoModifier);
        QCoreApplication::sendEvent(Pad, &event);
    }
    void Press(QPoint at, Qt::MouseButton button) { Mouse(QEvent::MouseButtonPress, at, button, button); }
    void Release(QPoint at, Qt::MouseButton button) { Mouse(QEvent::MouseButtonRelease, at, button, Qt::NoButton); }
    void Move(QPoint at, Qt::MouseButtons buttons) { Mouse(QEvent::MouseMove, at, Qt::NoButton, buttons); }
    void Key(Qt::Key key)
    {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QCoreApplication::sendEvent(Pad, &press);
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier);
        QCoreApplication::sendEvent(Pad, &release);
    }

    QTemporaryDir Dir;
    std::unique_ptr<QSettings> Settings;
    TSilentPrompts Prompts;
    std::unique_ptr<TFormMain> Form;
    TFormSketchpad* Sketchpad = nullptr;
    QWidget* Pad = nullptr;
};

// The runs of one case: at least 5, more while they stay within about 3 seconds.
inline std::vector<double> Runs(const std::function<double(int)>& run, int most = 41)
{
    std::vector<double> times;
    QElapsedTimer spent;
    spent.start();
    for (int k = 0; k < most && (k < 5 || spent.elapsed() < 3000); ++k)
        times.push_back(run(k));
    return times;
}

struct TCase {
    const char* Title;
    int Count;
    bool Numbered;
};

// All four, or the one SKELMAR_BENCH_CASE names by its place (0..3), e.g. under a profiler.
inline const std::vector<TCase>& Cases()
{
    static const std::vector<TCase> cases = [] {
        std::vector<TCase> all = {{"500, numbered", 500, true},
                                  {"10k, numbered", 10000, true},
                                  {"65,535, unnamed", 65535, false},
                                  {"65,535, numbered", 65535, true}};
        bool ok = false;
        const int only = qEnvironmentVariableIntValue("SKELMAR_BENCH_CASE", &ok);
        if (ok && only >= 0 && only < int(all.size()))
            return std::vector<TCase>{all[size_t(only)]};
        return all;
    }();
    return cases;
}

// Prints a table: one row per operation, one column per case; each entry the median in ms.
class TTable {
public:
    explicit TTable(std::vector<const char*> rows) : Rows(std::move(rows)), Values(Rows.size()) {}
    void Set(size_t row, double ms) { Values[row].push_back(ms); }
    void Print() const
    {
        std::printf("%-36s", "operation (median ms)");
        for (const TCase& c : Cases())
            std::printf(" %17s", c.Title);
        std::printf("\n");
        for (size_t r = 0; r < Rows.size(); ++r) {
            std::printf("%-36s", Rows[r]);
            for (double v : Values[r])
                std::printf(" %17.2f", v);
            std::printf("\n");
        }
    }

private:
    std::vector<const char*> Rows;
    std::vector<std::vector<double>> Values;
};

} // namespace padbench
