// The show's soundtrack: choosing and removing it, its file beside the show, its
// analysis with the progress in the status bar, the music lane of the timeline,
// the music played in step with the show on an output of its own, and fitting
// the frames to its beats.
#include "FormUnitMain.h"

#include "AudioPlayer.h"
#include "BeatFit.h"
#include "BeatGrid.h"
#include "FormUnitSoundOutputs.h"
#include "FormUnitSoundtrack.h"
#include "FormUnitPreview.h"
#include "FrameStatusBar.h"
#include "LiveOutputView.h"
#include "MusicPlayer.h"
#include "Prompts.h"
#include "SettingsStore.h"
#include "ShowSoundtrack.h"
#include "Timeline.h"
#include "TimelineMusic.h"

#include <QDir>
#include <QFileInfo>
#include <QProgressBar>
#include <QSettings>
#include <QStatusBar>
#include <QToolButton>
#include <utility>

void TFormMain::ConnectSoundtrackCommands()
{
    ShowMusic = new TShowSoundtrack(this);
    MusicPlayer = new TMusicPlayer(this);

    TimelineMusic = new TTimelineMusic(*Timeline);
    Timeline->SetLane(TimelineMusic);
    connect(Timeline, &TTimeline::redrawn, TimelineMusic, [this] {
        TimelineMusic->SetColors(Colors);
        TimelineMusic->update();
    });

    pgMusic = new QProgressBar(sbFrame);
    pgMusic->setObjectName(QStringLiteral("pgMusic"));
    pgMusic->setRange(0, 100);
    pgMusic->setMaximumWidth(160);
    pgMusic->setFormat(QStringLiteral("Music %p%"));
    bnMusicCancel = new QToolButton(sbFrame);
    bnMusicCancel->setObjectName(QStringLiteral("bnMusicCancel"));
    bnMusicCancel->setText(QStringLiteral("Cancel"));
    bnMusicCancel->setToolTip(QStringLiteral("Stop reading the music"));
    sbFrame->addPermanentWidget(pgMusic);
    sbFrame->addPermanentWidget(bnMusicCancel);
    pgMusic->hide();
    bnMusicCancel->hide();

    connect(ShowMusic, &TShowSoundtrack::analysisStarted, this, [this] {
        pgMusic->setValue(0);
        pgMusic->show();
        bnMusicCancel->show();
    });
    connect(ShowMusic, &TShowSoundtrack::analysisProgress, pgMusic, &QProgressBar::setValue);
    connect(ShowMusic, &TShowSoundtrack::analysisEnded, this, &TFormMain::MusicAnalysisEnded);
    // Music chosen in the dialog becomes the soundtrack once it is read.
    connect(ShowMusic, &TShowSoundtrack::loaded, this, [this](const QString& fileName) {
        if (!PendingSoundtrack || PendingSoundtrack->MusicFile != fileName)
            return;
        const TSoundtrack chosen = *std::exchange(PendingSoundtrack, std::nullopt);
        // The user has chosen: an old file that could not be read is replaced on saving.
        KeepUnreadableSoundtrackOf.clear();
        Document().SetSoundtrack(chosen, StepName(aSoundtrack->text()));
    });
    // The analysis follows the document's soundtrack.
    connect(ShowDocument, &TShowDocument::soundtrackChanged, this, &TFormMain::SoundtrackChanged);
    connect(ShowMusic, &TShowSoundtrack::changed, this, [this] {
        TimelineMusic->SetMusic(ShowMusic->Analysis(), ShowMusic->Track().OffsetMs);
        // The music plays the file last opened: another one must be opened anew.
        if (MusicPlayer->IsOpen() && MusicPlayer->FileName() != ShowMusic->Track().MusicFile)
            MusicPlayer->Close();
        BeatsChanged();
    });
    connect(bnMusicCancel, &QToolButton::clicked, ShowMusic, &TShowSoundtrack::CancelAnalysis);

    connect(aSoundtrack, &QAction::triggered, this, &TFormMain::aSoundtrackExecute);
    connect(aRemoveSoundtrack, &QAction::triggered, this, &TFormMain::aRemoveSoundtrackExecute);
    connect(aFitFramesToBeats, &QAction::triggered, this, &TFormMain::aFitFramesToBeatsExecute);
    connect(miSoundOutputs, &QAction::triggered, this, &TFormMain::miSoundOutputsClick);

    // The music follows the show's playback: every start (repeats too) and the stop.
    connect(Playback, &TShowPlayback::Started, this, [this] { StartMusic(0); });
    connect(Playback, &TShowPlayback::ButtonsChanged, this, [this](bool, bool stopEnabled) {
        if (!stopEnabled)
            StopMusic();
    });

    const TSettingsStore store(Settings);
    SoundOutputs.Read(store);
    ApplySoundOutputs();
}

void TFormMain::WriteSoundtrackSettings(TSettingsStore& store) const
{
    SoundOutputs.Write(store);
}

// --- the soundtrack and its file -------------------------------------------------------------

void TFormMain::SoundtrackChanged()
{
    // Another change of the soundtrack (undo, remove, another show) comes before
    // music still being read for the dialog: that reading is no longer wanted.
    if (std::exchange(PendingSoundtrack, std::nullopt) && ShowMusic->IsLoading())
        ShowMusic->CancelAnalysis();
    Taps.clear();
    StopMusic();
    const TSoundtrack& track = Document().Soundtrack();
    aRemoveSoundtrack->setEnabled(track.IsSet());
    for (QAction* beats : pmBeats->actions())
        beats->setEnabled(track.IsSet());
    ShowMusic->SetTrack(track);
}

void TFormMain::MusicAnalysisEnded(const TMusicResult& result, bool ahead)
{
    pgMusic->hide();
    bnMusicCancel->hide();
    if (result.outcome.ok) {
        const std::optional<TBeatGrid> beats = ShowBeats();
        if (beats)
            SetStatusText(1, QStringLiteral("Soundtrack %1: %2 beats, %3 bpm")
                                 .arg(QFileInfo(ShowMusic->Track().MusicFile).fileName())
                                 .arg(beats->Beats.size())
                                 .arg(TempoFromBeats(beats->Beats), 0, 'f', 1));
        return;
    }
    if (ahead)
        PendingSoundtrack.reset();
    if (result.cancelled)
        SetStatusText(1, ahead ? QStringLiteral("Reading the music was cancelled: the soundtrack stays as it was")
                               : QStringLiteral("Reading the music was cancelled"));
    else if (ahead)
        Prompts.Tell(TMsgIcon::Error, result.outcome.message);   // the soundtrack chosen in the dialog
    else
        SetStatusText(1, result.outcome.message);
}

void TFormMain::aSoundtrackExecute()
{
    const TSoundtrack current = Document().Soundtrack();
    const QString& showFile = Document().FileName();
    FormSoundtrack->StartFolder = showFile.isEmpty() ? OpenDir : QFileInfo(showFile).absolutePath();
    // The dialog refuses a file the decoder cannot read, with its reason.
    const std::optional<TSoundtrack> chosen = FormSoundtrack->Execute(current);
    if (!chosen || *chosen == current)
        return;
    if (!chosen->IsSet()) {
        aRemoveSoundtrackExecute();
        return;
    }
    if (chosen->MusicFile == current.MusicFile) {
        Document().SetSoundtrack(*chosen, StepName(aSoundtrack->text()));
        return;
    }
    // Other music is read first and becomes the soundtrack when it is read: a cancel
    // leaves the show, its soundtrack and the lane as they were.
    PendingSoundtrack = *chosen;
    ShowMusic->Load(chosen->MusicFile);
}

void TFormMain::aRemoveSoundtrackExecute()
{
    if (!Document().Soundtrack().IsSet()) {
        if (std::exchange(PendingSoundtrack, std::nullopt) && ShowMusic->IsLoading())
            ShowMusic->CancelAnalysis();
        return;
    }
    KeepUnreadableSoundtrackOf.clear();
    Document().SetSoundtrack(TSoundtrack(), StepName(aRemoveSoundtrack->text()));
    sbFrame->SetStepText(QStringLiteral("Soundtrack removed"));
}

TSoundtrack TFormMain::ReadShowSoundtrack(const QString& fileName, QStringList& notes)
{
    KeepUnreadableSoundtrackOf.clear();
    TSoundtrack track;
    const TSoundtrackFileResult read = ReadSoundtrackFile(fileName, track);
    if (!read.outcome.ok) {
        // The show opens all the same; its soundtrack file stays as it is.
        KeepUnreadableSoundtrackOf = fileName;
        notes << read.outcome.message;
        return {};
    }
    if (read.missing)
        return {};
    if (!QFileInfo(track.MusicFile).isFile())
        notes << QStringLiteral("The soundtrack's music \"%1\" is missing").arg(QDir::toNativeSeparators(track.MusicFile));
    return track;
}

void TFormMain::SoundtrackShowSaved(const QString& fileName)
{
    TResult result;
    const TSoundtrack& track = Document().Soundtrack();
    if (track.IsSet())
        result = WriteSoundtrackFile(fileName, track);
    else if (fileName != KeepUnreadableSoundtrackOf)
        result = RemoveSoundtrackFile(fileName);   // a removed soundtrack must not come back
    Succeeded(Prompts, result);
}

// --- sound outputs and the music's playback --------------------------------------------------

void TFormMain::miSoundOutputsClick()
{
    if (!FormSoundOutputs->Execute(SoundOutputs))
        return;
    StopMusic();
    ApplySoundOutputs();
}

void TFormMain::ApplySoundOutputs()
{
    // A device that is gone leaves the laser on the system's default output.
    const QAudioDevice laser = FindAudioOutput(SoundOutputs.Laser);
    if (!SoundOutputs.Laser.isEmpty() && laser.isNull())
        SetStatusText(1, QStringLiteral("The laser's sound output is not present: the default output is used"));
    Playback->mpPreview->SetDevice(laser);
    LiveOutput->Player().SetDevice(laser);
    MusicPlayer->SetDevice(MusicOutput(SoundOutputs));
}

QString TFormMain::MusicUnavailable() const
{
    const TSoundtrack& track = Document().Soundtrack();
    if (!track.IsSet())
        return QStringLiteral("The show has no soundtrack");
    if (ShowMusic->MusicMissing())
        return QStringLiteral("The soundtrack's music \"%1\" is missing").arg(QDir::toNativeSeparators(track.MusicFile));
    if (SoundOutputs.Music == TSoundOutputs::NoMusic)
        return QStringLiteral("The music is off (Settings > Sound outputs...)");
    const QAudioDevice music = MusicPlayer->Device();
    if (music.isNull() && !SoundOutputs.Music.isEmpty())
        return QStringLiteral("The show plays without its music: the music's sound output is not present. "
                              "Choose another in Settings > Sound outputs...");
    if (music.isNull())
        return QStringLiteral("The show plays without its music: the system's default output carries the laser "
                              "signal and the music has no output of its own. Choose one in Settings > Sound "
                              "outputs...");
    // Mixed into the laser's output, the music would drive the scanners.
    if (music.id() == LaserOutput(SoundOutputs).id())
        return QStringLiteral("The music is not played: its output is the laser's output");
    return {};
}

void TFormMain::StartMusic(qint64 showMs)
{
    const TSoundtrack& track = Document().Soundtrack();
    if (!track.IsSet())
        return;
    const QString unavailable = MusicUnavailable();
    if (!unavailable.isEmpty()) {
        SetStatusText(1, unavailable);
        // Said plainly once a run: a show maker may not look at the status bar while
        // the show plays; the music switched off on purpose needs no box.
        if (!MusicSilenceTold && SoundOutputs.Music != TSoundOutputs::NoMusic && !ShowMusic->MusicMissing()) {
            MusicSilenceTold = true;
            Prompts.Tell(TMsgIcon::Information, unavailable);
        }
        return;
    }
    if ((!MusicPlayer->IsOpen() || MusicPlayer->FileName() != track.MusicFile)
        && !MusicPlayer->Open(track.MusicFile)) {
        SetStatusText(1, MusicPlayer->ErrorString());
        return;
    }
    if (!MusicPlayer->Start(showMs, track.OffsetMs))
        SetStatusText(1, MusicPlayer->ErrorString());
}

void TFormMain::ConnectSoundtrackPreview()
{
    // With music to play, the preview draws in the show's own time and the music
    // follows it: every start, every move of the slider, every loop, and the stop.
    connect(FormPreview, &TFormPreview::drawingStarted, this, [this](qint64 position) {
        const bool music = !ShowPlaying() && MusicUnavailable().isEmpty();
        FormPreview->SetPaced(music);
        if (music)
            StartMusic((position - TPreviewTrace::FirstSample) / 4 * 1000 / 44100);
    });
    connect(FormPreview, &TFormPreview::drawingStopped, this, [this] {
        if (!ShowPlaying())
            StopMusic();
    });
}

void TFormMain::StopMusic()
{
    // Taps go by the music: when it stops, the tapping is over.
    if (!Taps.empty())
        FinishTapping();
    if (MusicPlayer)
        MusicPlayer->Stop();
}

// --- fitting the frames to the beats ---------------------------------------------------------

void TFormMain::aFitFramesToBeatsExecute()
{
    const std::optional<TBeatGrid> beats = BeatsAtHand(QStringLiteral("fit the frames"));
    if (!beats)
        return;
    const TCompileOptions options{ScanDelays, miFlipX->isChecked(), miFlipY->isChecked()};
    const TBeatFit fit = FitFramesToBeats(Show(), beats->Beats, Document().Soundtrack().OffsetMs, options);
    if (!fit.outcome.ok) {
        Prompts.Tell(TMsgIcon::Warning, fit.outcome.message);
        return;
    }
    if (fit.FramesChanged == 0) {
        Prompts.Tell(TMsgIcon::Information, QStringLiteral("Every change of frame already falls on a beat."));
        return;
    }
    Document().SetDelays(fit.Delays, StepName(aFitFramesToBeats->text()));
    sbFrame->SetStepText(QStringLiteral("%1 fitted to the beats; the changes lie within %2 ms of them")
                         .arg(CountText(fit.FramesFitted, QLatin1String("frame")))
                         .arg(fit.WorstMs, 0, 'f', 1));
}
