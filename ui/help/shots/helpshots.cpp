// Takes the user manual's screenshots from the program itself: the demo show is opened
// in a real main window (offscreen, on settings of its own in a temporary folder), the
// windows and dialogs are brought up through their own commands and grabbed.
//
// Usage: skelmar-helpshots OUTDIR [SHOW]
// Writes the PNG files the manual (ui/help/index.html) shows into OUTDIR.
#include "FormUnitDebug.h"
#include "FormUnitMain.h"
#include "FormUnitPad.h"
#include "FormUnitPreview.h"
#include "FormUnitStatus.h"
#include "FrameList.h"
#include "Prompts.h"
#include "SettingsStore.h"
#include "ShowFile.h"
#include "Timeline.h"
#include "WaveCompiler.h"

#if __has_include("FormUnitImport.h")
#include "FormUnitImport.h"
#define HAVE_IMPORT_DIALOG 1
#endif
#if __has_include("FormUnitPick.h")
#include "FormUnitPick.h"
#define HAVE_PICK_DIALOG 1
#endif

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QDockWidget>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPainterPath>
#include <QProcess>
#include <QPushButton>
#include <QSlider>
#include <QRadialGradient>
#include <QSettings>
#include <QStandardPaths>
#include <QTimer>
#include <QtEndian>
#include <QToolBar>
#include <QtMath>
#include <cstdio>
#include <functional>

namespace {

constexpr int MaxShotWidth = 900;

// A command, bar or panel of the main window by its object name.
template <typename T>
T* Named(QObject& form, const char* name)
{
    return form.findChild<T*>(QLatin1String(name));
}

void Say(const QString& text)
{
    std::fprintf(stderr, "%s\n", qPrintable(text));
}

// Answers every prompt without a dialog. Messages are written to stderr, so a shot
// that went wrong shows why; file dialogs get the files set up for them by title.
class TShotPrompts : public TPrompts {
public:
    QHash<QString, QString> Files;   // dialog title -> file to answer

    bool Ask(TMsgIcon, const QString& text) override
    {
        Say(QStringLiteral("question answered No: ") + text);
        return false;
    }
    void Tell(TMsgIcon, const QString& text) override { Say(QStringLiteral("message: ") + text); }
    std::optional<QString> InputText(const QString& caption, const QString&, const QString&) override
    {
        Say(QStringLiteral("input box cancelled: ") + caption);
        return std::nullopt;
    }
    QString OpenFileName(const TFileDialogRequest& request) override { return Files.value(request.title); }
    QString SaveFileName(const TFileDialogRequest& request) override { return Files.value(request.title); }
    std::optional<QColor> ChooseColor(const QColor&) override { return std::nullopt; }
};

// Lets queued events, repaints and zero-interval timers run for `ms` milliseconds.
void Settle(int ms = 150)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

class TShooter {
public:
    explicit TShooter(const QDir& out) : Out(out) {}

    bool Save(QImage image, const QString& name)
    {
        if (image.width() > MaxShotWidth)
            image = image.scaledToWidth(MaxShotWidth, Qt::SmoothTransformation);
        image = image.convertToFormat(QImage::Format_RGB32);
        const QString path = Out.filePath(name);
        if (!image.save(path, "PNG")) {
            Say(QStringLiteral("cannot write ") + path);
            Failed = true;
            return false;
        }
        Written << path;
        Say(QStringLiteral("%1  %2 x %3").arg(name).arg(image.width()).arg(image.height()));
        return true;
    }

    bool Grab(QWidget* widget, const QString& name)
    {
        Settle();
        return Save(widget->grab().toImage(), name);
    }

    // A tool bar without the empty rest of its dock: a vertical bar runs the window's height.
    bool GrabToolBar(QToolBar* bar, const QString& name)
    {
        Settle();
        QRect used;
        for (QWidget* child : bar->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (child->isVisible())
                used |= child->geometry();
        const QRect area = bar->orientation() == Qt::Vertical ? QRect(0, 0, bar->width(), used.bottom() + 4)
                                                              : QRect(0, 0, used.right() + 4, bar->height());
        return Save(bar->grab(area & bar->rect()).toImage(), name);
    }

    // Runs `trigger`, which opens a modal window, and grabs that window once it is up.
    // `prepare` may set the window up first; `shoot` may take the picture its own way.
    void GrabModal(const QString& name, const std::function<void()>& trigger,
                   const std::function<void(QWidget*)>& prepare = {},
                   const std::function<QImage(QWidget*)>& shoot = {})
    {
        bool done = false;
        QTimer poll;
        poll.setInterval(100);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            if (done || !modal || !modal->isVisible())
                return;
            done = true;
            poll.stop();
            if (prepare)
                prepare(modal);
            if (shoot) {
                Settle();
                Save(shoot(modal), name);
            } else {
                Grab(modal, name);
            }
            if (auto* dialog = qobject_cast<QDialog*>(modal))
                dialog->reject();
            else
                modal->close();
        });
        poll.start();
        trigger();
        poll.stop();
        if (!done) {
            Say(QStringLiteral("no window came up for ") + name);
            Failed = true;
        }
    }

    // Optimises the PNG files when optipng is installed; nothing else is needed.
    void Optimise() const
    {
        const QString optipng = QStandardPaths::findExecutable(QStringLiteral("optipng"));
        if (optipng.isEmpty() || Written.isEmpty())
            return;
        QProcess::execute(optipng, QStringList{QStringLiteral("-quiet"), QStringLiteral("-o2")} + Written);
    }

    bool Failed = false;

private:
    QDir Out;
    QStringList Written;
};

// Passes the compile's progress on to the status window and grabs the window once,
// while the frame `frameName` is half shown.
class TStatusShot : public TCompileProgress {
public:
    TStatusShot(TFormStatus& status, TShooter& shooter, const QString& frameName)
        : Status(status), Shooter(shooter), FrameName(frameName) {}

    void SetFrameLabel(const QString& text) override { Status.SetFrameLabel(text); Label = text; }
    void SetMorphMax(int max) override { Status.SetMorphMax(max); }
    void SetMorphPos(int pos) override { Status.SetMorphPos(pos); }
    void SetFrameMax(int max) override { Status.SetFrameMax(max); FrameMax = max; }
    void SetFramePos(int pos) override
    {
        Status.SetFramePos(pos);
        if (!Taken && Label.startsWith(FrameName) && FrameMax > 0 && pos >= FrameMax / 2) {
            Taken = true;
            Status.Repaint();
            Shooter.Grab(&Status, QStringLiteral("status.png"));
        }
    }
    void SetTotalMax(int max) override { Status.SetTotalMax(max); }
    void SetTotalPos(int pos) override { Status.SetTotalPos(pos); }
    void Repaint() override { Status.Repaint(); }

    bool Taken = false;

private:
    TFormStatus& Status;
    TShooter& Shooter;
    QString FrameName;
    QString Label;
    int FrameMax = 0;
};

// A picture to trace: a soft glow with a bold five-pointed star, written as a bitmap.
bool WriteTracingPicture(const QString& path)
{
    QImage picture(320, 320, QImage::Format_RGB32);
    QPainter canvas(&picture);
    canvas.setRenderHint(QPainter::Antialiasing);
    QRadialGradient glow(QPointF(160, 160), 220);
    glow.setColorAt(0, QColor(70, 70, 110));
    glow.setColorAt(1, QColor(15, 15, 30));
    canvas.fillRect(picture.rect(), glow);
    QPainterPath star;
    for (int k = 0; k < 10; ++k) {
        const double radius = k % 2 ? 55 : 135;
        const double angle = -M_PI / 2 + k * M_PI / 5;
        const QPointF p(160 + radius * std::cos(angle), 165 + radius * std::sin(angle));
        if (k == 0)
            star.moveTo(p);
        else
            star.lineTo(p);
    }
    star.closeSubpath();
    canvas.setPen(QPen(QColor(230, 200, 90), 6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    canvas.setBrush(QColor(120, 100, 50));
    canvas.drawPath(star);
    canvas.end();
    return picture.save(path, "BMP");
}

// Byte position of the first lit sample in the second laser colour: in the demo show the
// Star's first pass (the morph into it is drawn in the Triangle's colour). -1 when none.
qint64 FirstSecondColorSample(const QByteArray& wave)
{
    for (qint64 at = TPreviewTrace::FirstSample; at + 4 <= wave.size(); at += 4) {
        const TPreviewSample sample = DecodeSample(qFromLittleEndian<quint32>(wave.constData() + at));
        if (sample.Color && !sample.Blank)
            return at;
    }
    return -1;
}

// `work` is an empty folder of this run; HOME points to its "home" subfolder, so that the
// import dialog's folder tree shows a tidy home folder with the show in it.
int Run(const QString& outDir, const QString& showSource, const QDir& work)
{
    QDir out(outDir);
    if (!out.exists() && !QDir().mkpath(outDir)) {
        Say(QStringLiteral("cannot create ") + outDir);
        return 2;
    }
    // The compile writes its wave file beside the show: work on a copy.
    const QString shows = work.filePath(QStringLiteral("home/Laser shows"));
    const QString show = shows + QStringLiteral("/demo.RZ4");
    if (!QDir().mkpath(shows) || !QFile::copy(showSource, show)) {
        Say(QStringLiteral("cannot copy ") + showSource);
        return 2;
    }
    const QString picture = shows + QStringLiteral("/star.bmp");
    WriteTracingPicture(picture);

    QSettings settings(work.filePath(QStringLiteral("skelmar.ini")), QSettings::IniFormat);
    {
        TSettingsStore store(settings);
        store.WriteSwitch({}, QStringLiteral("LivePreview"), false);   // no sound card needed
        store.Sync();
    }
    TShotPrompts prompts;
    prompts.Files.insert(QStringLiteral("Open background image..."), picture);
    TShooter shooter(out);

    TFormMain form(settings, prompts, shows + QLatin1Char('/'));
    form.move(0, 0);
    form.show();
    Settle();
    if (!form.OpenShow(show))
        return 2;
    Settle();
    Named<QAction>(form, "miOptimize2")->trigger();   // the whole drawing square at zoom 2
    Settle();

    // Compile first, so that the play and preview buttons are enabled in the shots.
    form.findChild<TFormStatus*>()->Reset();
    form.findChild<TFormStatus*>()->show();
    TStatusShot statusShot(*form.findChild<TFormStatus*>(), shooter, QStringLiteral("Star"));
    const TCompileResult compiled = CompileShow(form.Show(), WaveFileName(show), TCompileOptions{TScanDelays{}},
                                                &statusShot);
    form.findChild<TFormStatus*>()->hide();
    if (!compiled.outcome.ok) {
        Say(compiled.outcome.message);
        return 2;
    }
    Named<QAction>(form, "aCreateWavefile")->trigger();   // as the user would: enables Play and the preview
    Settle();

    // The Star morphs out of the Triangle: links and the frame behind are on show.
    form.Document().SetCurrentFrameIndex(2);
    Settle();
    shooter.Grab(&form, QStringLiteral("main-window.png"));
    shooter.Grab(form.findChild<TFormSketchpad*>(), QStringLiteral("sketchpad-links.png"));
    {
        // The list down to its last entry: the list's empty rest is plain black.
        QListWidget* list = Named<TFrameList>(form, "lbThumbs");
        const QRect last = list->visualItemRect(list->item(list->count() - 1));
        const int bottom = list->viewport()->mapTo(list, last.bottomLeft()).y() + 4;
        Settle();
        shooter.Save(list->grab(QRect(0, 0, list->width(), bottom)).toImage(), QStringLiteral("frame-list.png"));
    }
    // More of the demo show on the timeline: 8 ms a pixel.
    form.findChild<TTimeline*>()->tbTimelineZoomOutClick();
    shooter.Grab(form.findChild<TTimeline*>(), QStringLiteral("timeline.png"));
    // The left panel wide enough for its bars' every button.
    form.resizeDocks({Named<QDockWidget>(form, "panelLeft")}, {320}, Qt::Horizontal);
    Settle();
    shooter.GrabToolBar(Named<QToolBar>(form, "toolbarFiles"), QStringLiteral("toolbar-files.png"));
    shooter.GrabToolBar(Named<QToolBar>(form, "toolbarPlay"), QStringLiteral("toolbar-play.png"));
    shooter.GrabToolBar(Named<QToolBar>(form, "toolbarTools"), QStringLiteral("toolbar-tools.png"));
    shooter.GrabToolBar(Named<QToolBar>(form, "toolbarDisplay"), QStringLiteral("toolbar-display.png"));
    shooter.GrabToolBar(Named<QToolBar>(form, "toolbarPointsFrames"), QStringLiteral("toolbar-points.png"));
    form.resizeDocks({Named<QDockWidget>(form, "panelLeft")}, {180}, Qt::Horizontal);
    Settle();

    // The frame-wave preview of the Star.
    Named<QAction>(form, "aFramePreview")->trigger();
    Settle();
    form.findChild<TFormDebug*>()->showNormal();
    form.findChild<TFormDebug*>()->resize(860, 560);
    Settle();
    Say(QStringLiteral("Demowave caption: ") + form.findChild<TFormDebug*>()->windowTitle());
    {
        // The wave ends where the frame's loop ends: the rest of the window is empty.
        const QImage grab = form.findChild<TFormDebug*>()->grab().toImage();
        shooter.Save(grab.copy(0, 0, std::min(grab.width(), form.findChild<TFormDebug*>()->Image().width() + 20), grab.height()),
                     QStringLiteral("demowave.png"));
    }
    form.findChild<TFormDebug*>()->hide();

    // The show preview: its picture is wiped every 2000 samples, so where the drawing happens
    // to be decides what a grab shows. The shot shows the Star: the preview's own drawing code
    // traces the samples from the Star's first pass up to just before the next wipe.
    shooter.GrabModal(QStringLiteral("preview.png"), [&] { Named<QAction>(form, "aShowPreview")->trigger(); }, {}, [&](QWidget* modal) {
        TFormPreview& preview = *form.findChild<TFormPreview*>();
        preview.aStop->trigger();
        QFile file(WaveFileName(show));
        const QByteArray wave = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        const qint64 star = FirstSecondColorSample(wave);
        TPreviewTrace trace;
        trace.SetSamples(wave);
        trace.SetColors(TColorSettings{}.Norm[0], TColorSettings{}.Norm[1]);
        // One sample earlier is the blanked move's last: the pen starts there without a line.
        trace.Start(std::max(star - 4, TPreviewTrace::FirstSample));
        for (int r = 1; r < TPreviewTrace::WipeRepaints; ++r)
            trace.DrawToRepaint();
        preview.tbPreviewPos->setValue(preview.SliderValue(trace.StreamPosition()));
        preview.setWindowTitle(QStringLiteral("Preview stopped..."));
        Settle();
        QImage shot = modal->grab().toImage();
        QPainter canvas(&shot);
        canvas.drawImage(preview.imgPreview->mapTo(modal, QPoint(0, 0)), trace.Picture());
        return shot;
    });

    shooter.GrabModal(QStringLiteral("delays.png"), [&] { Named<QAction>(form, "miDelays")->trigger(); });
    shooter.GrabModal(QStringLiteral("colors.png"), [&] { Named<QAction>(form, "miColors")->trigger(); });

#ifdef HAVE_IMPORT_DIALOG
    shooter.GrabModal(QStringLiteral("import.png"), [&] { Named<QAction>(form, "aImportFrame")->trigger(); }, [&](QWidget* modal) {
        if (auto* dialog = qobject_cast<TFormImport*>(modal)) {
            dialog->ChooseFolder(shows);
            dialog->editFilename->setText(show);
            Settle();
            if (dialog->lb->count() > 2) {
                dialog->lb->setCurrentRow(2);
                dialog->bnImport->setEnabled(true);
            }
        }
    });
#endif

    // Help lines on the Square, shown with the rulers.
    form.Document().SetCurrentFrameIndex(0);
    THelpLines& lines = form.Show().Frame(0).HelpLines;
    lines.XLines = {64, 128, 192};
    lines.YLines = {64, 192};
    lines.Add2P({40, 216}, {216, 40});
    Named<QAction>(form, "miSnapHelp")->trigger();
    Named<QAction>(form, "miShowRuler")->trigger();
    Settle();
    form.findChild<TFormSketchpad*>()->RedrawSketchpad();
    shooter.Grab(form.findChild<TFormSketchpad*>(), QStringLiteral("sketchpad-rulers.png"));
    shooter.GrabModal(QStringLiteral("helplines.png"), [&] { Named<QAction>(form, "miHelpLines")->trigger(); });
    Named<QAction>(form, "miShowRuler")->trigger();
    Named<QAction>(form, "miSnapHelp")->trigger();

    // A background picture behind the Star.
    form.Document().SetCurrentFrameIndex(2);
    Named<QAction>(form, "aLoadBackImg")->trigger();
    Named<QAction>(form, "miFullImg")->trigger();
    Settle();
    shooter.Grab(form.findChild<TFormSketchpad*>(), QStringLiteral("sketchpad-image.png"));
#ifdef HAVE_PICK_DIALOG
    shooter.GrabModal(QStringLiteral("pick.png"), [&] { Named<QAction>(form, "miChoosePart")->trigger(); }, [&](QWidget* modal) {
        if (auto* pick = qobject_cast<TFormPickImage*>(modal)) {
            pick->PickRect = {40, 30, 280, 290};
            pick->RedrawPickImage();
        }
    });
#endif

    // The history after a few steps on the Star, the last one undone.
    Named<QAction>(form, "miFrameFlipY")->trigger();
    Named<QAction>(form, "miCenterFrame")->trigger();
    Named<QAction>(form, "miRenum")->trigger();
    Named<QAction>(form, "miUndo")->trigger();
    Named<QAction>(form, "miPanelHistory")->trigger();
    Named<QDockWidget>(form, "panelHistory")->setFloating(true);
    Named<QDockWidget>(form, "panelHistory")->resize(260, 170);
    Settle();
    shooter.Grab(Named<QDockWidget>(form, "panelHistory"), QStringLiteral("history.png"));

    // Nothing of this run may reach the settings or ask about unsaved changes.
    form.Document().MarkSaved();
    form.hide();
    shooter.Optimise();
    return shooter.Failed ? 1 : 0;
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc < 2 || argc > 3) {
        Say(QStringLiteral("usage: skelmar-helpshots OUTDIR [SHOW]"));
        return 1;
    }
    const QString outDir = QString::fromLocal8Bit(argv[1]);
    const QString show = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral(SKELMAR_DEMO_SHOW);
    // A folder of a fixed name, so that the import dialog shows the same path at every run.
    QDir work(QDir::tempPath() + QStringLiteral("/skelmar-helpshots"));
    if (work.exists())
        work.removeRecursively();
    if (!QDir().mkpath(work.filePath(QStringLiteral("home")))) {
        Say(QStringLiteral("cannot create ") + work.path());
        return 2;
    }
    // Before the application starts: Qt reads both once.
    qputenv("HOME", QFile::encodeName(work.filePath(QStringLiteral("home"))));
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Skelmar for Wendrill RZ4 - Pudlo Mixer"));
    const int result = Run(outDir, show, work);
    work.removeRecursively();
    return result;
}
