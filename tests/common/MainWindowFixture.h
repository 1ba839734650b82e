#pragma once

#include "AudioPlayer.h"
#include "FormUnitMain.h"
#include "FrameList.h"
#include "FrameStatusBar.h"
#include "LiveOutputView.h"
#include "ScriptedPrompts.h"
#include "SettingsStore.h"

#include <QEvent>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <functional>
#include <memory>

// Counts the paints of the widgets it watches (installEventFilter).
class TPaintCounter : public QObject {
public:
    int Paints = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++Paints;
        return false;
    }
};

// The main window's insides, for tests: its commands and bars (Ui), its state and its
// views, and the few operations tests run without a menu item.
struct TFormMainTestAccess {
    explicit TFormMainTestAccess(TFormMain& form)
        : Form(form), Ui(form), State(form.State), Zoom(form.Zoom), GridSize(form.GridSize),
          CircleSize(form.CircleSize), Busy(form.Busy), Colors(form.Colors), ScanDelays(form.ScanDelays),
          RecentFiles(form.RecentFiles), OpenDir(form.OpenDir), SoundOutputs(form.SoundOutputs),
          PointToolsButton(form.PointToolsButton), ClipboardFrame(form.ClipboardFrame),
          LiveStream(form.LiveOutput->Stream()), Sketchpad(form.Sketchpad), lbThumbs(form.lbThumbs),
          Timeline(form.Timeline), panelLeft(form.panelLeft), panelHistory(form.panelHistory),
          lvHistory(form.lvHistory), sbFrame(form.sbFrame), sbFramePos(form.sbFrame->sbFramePos),
          sbFrameMessage(form.sbFrame->sbFrameMessage), FormHelp(form.FormHelp), FormDebug(form.FormDebug),
          FormPreview(form.FormPreview), FormStatus(form.FormStatus), FormSoundtrack(form.FormSoundtrack),
          FormSoundOutputs(form.FormSoundOutputs), Playback(form.Playback), LivePlayer(&form.LiveOutput->Player()),
          MusicPlayer(form.MusicPlayer), ShowMusic(form.ShowMusic), TimelineMusic(form.TimelineMusic),
          pgMusic(form.pgMusic), bnMusicCancel(form.bnMusicCancel)
    {
    }

    TPadTransform PadTransform() const { return Form.PadTransform(); }
    TPadView PadView() const { return Form.PadView(); }
    void RedrawSketchpad() const { Form.RedrawSketchpad(); }
    bool SaveAs() const { return Form.SaveAs(); }
    // A click on the frame list's entry `index`; one below the last entry selects nothing.
    void lbThumbsClick(int index) const
    {
        if (index >= 0 && index < lbThumbs->count())
            emit lbThumbs->frameClicked(index);
    }
    void lbThumbsDragDrop(int source, int target) const { Form.lbThumbsDragDrop(source, target); }
    // A tap of the tempo key heard at this music time, and the pause that ends the tapping.
    void TapAt(double seconds) const { Form.TapAt(seconds); }
    void FinishTapping() const { Form.FinishTapping(); }

    TFormMain& Form;
    TFormMainUi& Ui;
    TToolState& State;
    int& Zoom;
    int& GridSize;
    int& CircleSize;
    bool& Busy;
    TColorSettings& Colors;
    TScanDelays& ScanDelays;
    TRecentFiles& RecentFiles;
    QString& OpenDir;
    TSoundOutputs& SoundOutputs;
    TPointToolsButton& PointToolsButton;
    std::unique_ptr<TLaserFrame>& ClipboardFrame;
    const QByteArray& LiveStream;
    TFormSketchpad* Sketchpad;
    TFrameList* lbThumbs;
    TTimeline* Timeline;
    QDockWidget* panelLeft;
    QDockWidget* panelHistory;
    QUndoView* lvHistory;
    TFrameStatusBar* sbFrame;
    QLabel* sbFramePos;
    QLabel* sbFrameMessage;
    THelpWindow* FormHelp;
    TFormDebug* FormDebug;
    TFormPreview* FormPreview;
    TFormStatus* FormStatus;
    TFormSoundtrack* FormSoundtrack;
    TFormSoundOutputs* FormSoundOutputs;
    TShowPlayback* Playback;
    TAudioPlayer* LivePlayer;
    TMusicPlayer* MusicPlayer;
    TShowSoundtrack* ShowMusic;
    TTimelineMusic* TimelineMusic;
    QProgressBar* pgMusic;
    QToolButton* bnMusicCancel;
};

// A real main window on settings of its own (an INI file in a temporary folder,
// never the user's) and scripted prompts. Test classes derive from it, call
// InitFixture() in init() and CleanupFixture() in cleanup().
class TMainWindowFixture {
protected:
    void InitFixture()
    {
        Dir = std::make_unique<QTemporaryDir>();
        QVERIFY(Dir->isValid());
        Settings = std::make_unique<QSettings>(Dir->filePath("skelmar.ini"), QSettings::IniFormat);
        Prompts = std::make_unique<TScriptedPrompts>();
        // Every step the window makes is checked for changes outside what it names.
        TShowDocument::SetScopeChecks(true);
        QTest::failOnWarning(QRegularExpression(QStringLiteral("outside its scope")));
    }

    void CleanupFixture()
    {
        Form.reset();
        Settings.reset();
        Prompts.reset();
        Dir.reset();
    }

    // Stores settings before the window reads them, then creates the window.
    // The live output starts off unless `configure` switches it on, so tests
    // that make no sound need no sound server.
    void CreateForm(const std::function<void(TSettingsStore&)>& configure = {}, bool show = false)
    {
        {
            TSettingsStore store(*Settings);
            store.WriteSwitch({}, "LivePreview", false);
            if (configure)
                configure(store);
            store.Sync();
        }
        Form = std::make_unique<TFormMain>(*Settings, *Prompts, Dir->path() + "/");
        if (show) {
            Form->show();
            QVERIFY(QTest::qWaitForWindowExposed(Form.get()));
        }
    }

    TFormMainTestAccess Inside() const { return TFormMainTestAccess(*Form); }
    TFormMainUi& Ui() const { return Inside().Ui; }

    // An unsaved change: a step that lengthens the current frame's delay by 1 ms.
    void Modify()
    {
        QVERIFY(Form->Document().EditFrame(Form->CurrentFrameIndex(), QStringLiteral("Change frame delay"),
                                           [](TLaserFrame& frame) { ++frame.Delay; }, TShowChange::Timing));
        QVERIFY(Form->IsModified());
    }

    std::unique_ptr<QTemporaryDir> Dir;
    std::unique_ptr<QSettings> Settings;
    std::unique_ptr<TScriptedPrompts> Prompts;
    std::unique_ptr<TFormMain> Form;
};
