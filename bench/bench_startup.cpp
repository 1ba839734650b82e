// Time from process start to a shown, idle main window with the example show open,
// and the time to open a show of 1,000 frames into the frame list.
// Run with QT_QPA_PLATFORM=offscreen or under xvfb-run.
#include "FormUnitMain.h"
#include "Prompts.h"
#include "ShowFile.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <cmath>
#include <cstdio>

namespace {
// A benchmark must never wait for someone to click: every box is answered at once
// (No, cancel) and named on stderr, so that a message such as the sound error
// without a sound server still shows in the output.
class TAnsweringPrompts : public TPrompts {
public:
    bool Ask(TMsgIcon, const QString& text) override { return Note("question", text), false; }
    void Tell(TMsgIcon, const QString& text) override { Note("message", text); }
    std::optional<QString> InputText(const QString& caption, const QString&, const QString&) override
    {
        Note("input box", caption);
        return std::nullopt;
    }
    QString OpenFileName(const TFileDialogRequest& request) override { return Note("dialog", request.title), QString(); }
    QString SaveFileName(const TFileDialogRequest& request) override { return Note("dialog", request.title), QString(); }
    std::optional<QColor> ChooseColor(const QColor&) override { return Note("colour chooser", {}), std::nullopt; }

private:
    static void Note(const char* kind, const QString& text)
    {
        std::fprintf(stderr, "(%s answered without waiting: %s)\n", kind, qPrintable(text));
    }
};
} // namespace

int main(int argc, char* argv[])
{
    QElapsedTimer clock;
    clock.start();
    QApplication app(argc, argv);
    QTemporaryDir dir; // fresh settings: a first run
    QSettings settings(dir.filePath("skelmar.ini"), QSettings::IniFormat);
    TAnsweringPrompts prompts;
    auto form = std::make_unique<TFormMain>(settings, prompts, QCoreApplication::applicationDirPath());
    form->OpenCommandLineFile(QStringLiteral(SKELMAR_EXAMPLE));
    form->show();
    // The first pass of the event loop paints the window; the timer fires once it is idle.
    QTimer::singleShot(0, [&] {
        std::printf("start-up to an idle main window: %.1f ms\n", clock.nsecsElapsed() / 1e6);

        TLaserFrames big;
        for (int k = 0; k < 1000; ++k) {
            TLaserFrame& f = big.Add();
            f.Name = QStringLiteral("frame %1").arg(k);
            for (int i = 0; i < 50; ++i) {
                TSmallPoint p;
                p.X = quint8(128 + 100 * std::cos(i * 0.1256 + k));
                p.Y = quint8(128 + 100 * std::sin(i * 0.1256));
                f.Points.push_back(p);
            }
        }
        const QString path = dir.filePath("big.RZ4");
        WriteShowFile(path, big);
        QElapsedTimer t;
        t.start();
        form->OpenCommandLineFile(path);
        QCoreApplication::processEvents();
        std::printf("opening a show of 1,000 frames into the frame list: %.1f ms\n", t.nsecsElapsed() / 1e6);
        QCoreApplication::quit();
    });
    return app.exec();
}
