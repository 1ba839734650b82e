// Playback tool bar and the frame's sound: the compiled show played with stop and
// repeat, the live loop of the current frame, the show preview, the frame-wave
// preview, and the timeline along the window's bottom.
#include "FormUnitMain.h"

#include "AudioPlayer.h"
#include "FormUnitDebug.h"
#include "FormUnitPreview.h"
#include "FrameStatusBar.h"
#include "LiveOutputView.h"
#include "Prompts.h"
#include "ShowFile.h"
#include "SoundFailureNotice.h"
#include "Timeline.h"

#include <QFileInfo>
#include <QLabel>
#include <QToolButton>

void TFormMain::ConnectPlaybackCommands()
{
    Timeline->SetColors(Colors);
    ConnectPanelSwitch(miPanelTimeline, Timeline);
    connect(Timeline, &TTimeline::closed, this, [this] { miPanelTimeline->setChecked(false); });

    Playback = new TShowPlayback(this);
    Playback->Repeat = aRepeatPlay->isChecked();
    connect(aRepeatPlay, &QAction::toggled, this, [this](bool on) { Playback->Repeat = on; });
    connect(Playback, &TShowPlayback::ButtonsChanged, this, &TFormMain::PlaybackButtonsChanged);
    connect(aPlayShow, &QAction::triggered, this, &TFormMain::aPlayShowExecute);
    connect(aStopShow, &QAction::triggered, Playback, &TShowPlayback::StopClick);

    LiveOutput = new TLiveOutputView(*ShowDocument, [this] {
        return TLiveOutputView::TSettings{aLivePreview->isChecked() && !ShowPlaying(), ScanDelays,
                                          miFlipX->isChecked(), miFlipY->isChecked()};
    }, this);
    // The pad's own gestures refresh it when they end.
    LiveOutput->SetHold([this] { return Sketchpad && Sketchpad->HandlingInput(); });
    connect(LiveOutput, &TLiveOutputView::refreshed, this, [this](bool tooLong) {
        ShowLivePassNote(tooLong);
        ShowSignalWarning(LiveOutput->Player());
    });
    connect(LiveOutput, &TLiveOutputView::failed, this, &TFormMain::LiveOutputFailed);
    // The click has already toggled tbLive when this runs.
    connect(aLivePreview, &QAction::triggered, this, &TFormMain::RefreshLiveOutput);

    connect(aShowPreview, &QAction::triggered, this, &TFormMain::aShowPreviewExecute);
    connect(aFramePreview, &QAction::triggered, this, [this] { FormDebug->FramePreview(); });
}

// --- show playback ---------------------------------------------------------------------------

QString TFormMain::ShowWaveFile() const
{
    const QString& name = ShowDocument->FileName();
    if (name.isEmpty())
        return {};
    // The compiler writes ".WAV"; a file system that tells case apart may hold ".wav".
    for (const QString& wave : {WaveFileName(name), name + QStringLiteral(".wav")})
        if (QFileInfo(wave).isFile())
            return wave;
    return {};
}

bool TFormMain::ShowPlaying() const
{
    // The buttons tell: Stop signals the ready state before it closes the player.
    return aStopShow->isEnabled();
}

void TFormMain::aPlayShowExecute()
{
    const QString wave = ShowWaveFile();
    if (wave.isEmpty()) {
        Prompts.Tell(TMsgIcon::Error, CompileFirstText);
        return;
    }
    // Two streams mixed by the sound server would garble the laser signal: the live
    // loop gives way while the show plays and comes back when it ends.
    LiveOutput->Player().Stop();
    switch (Playback->PlayClick(wave)) {
    case TShowPlayback::TPlayResult::Playing:
        ShowSignalWarning(*Playback->mpPreview);
        return;
    case TShowPlayback::TPlayResult::NoWaveFile:
        Prompts.Tell(TMsgIcon::Error, CompileFirstText);
        break;
    case TShowPlayback::TPlayResult::Failed:
        Prompts.Tell(TMsgIcon::Error, Playback->mpPreview->ErrorString());
        break;
    }
    RefreshLiveOutput();
}

void TFormMain::PlaybackButtonsChanged(bool playEnabled, bool stopEnabled)
{
    aPlayShow->setEnabled(playEnabled);
    aStopShow->setEnabled(stopEnabled);
    // Back in the ready state: the live loop may have the sound card again.
    if (!stopEnabled && !LiveOutput->Player().IsLooping())
        RefreshLiveOutput();
}

void TFormMain::ShowSignalWarning(TAudioPlayer& player)
{
    const QString warning = player.TakeFormatWarning();
    if (!warning.isEmpty())
        SetStatusText(1, warning);
}

// --- live output -----------------------------------------------------------------------------

void TFormMain::LiveOutputFailed()
{
    aLivePreview->setChecked(false);
    if (!SoundFailure)
        SoundFailure = new TSoundFailureNotice(this, Prompts, [this](const QString& note) { SetStatusText(1, note); });
    SoundFailure->Report();
}

// Says why a frame too long to loop stays dark, and takes the note back once it no
// longer holds (leaving any other note alone).
void TFormMain::ShowLivePassNote(bool tooLong)
{
    static const QString note = QStringLiteral("Live output is off for this frame: one pass of it lasts over a minute.");
    if (tooLong)
        SetStatusText(1, note);
    else if (sbFrame->Message() == note)
        SetStatusText(1, QString());
}

// --- previews and timeline -------------------------------------------------------------------

void TFormMain::aShowPreviewExecute()
{
    // F9 still works while the button is grey: a wave file found (compiled by skelmar-cli,
    // say) brings the button back.
    const TFormPreview::TShowResult result = FormPreview->ShowPreview(Document().FileName(), Colors, Prompts);
    if (result != TFormPreview::TShowResult::Unreadable)
        tbShowPreview->setEnabled(result == TFormPreview::TShowResult::Shown);
}

void TFormMain::TimelineRedraw()
{
    if (!Timeline)
        return;
    // Every colour change ends in a repaint, so the strip takes the colours here.
    Timeline->SetColors(Colors);
    Timeline->TimeLineRedraw();
}
