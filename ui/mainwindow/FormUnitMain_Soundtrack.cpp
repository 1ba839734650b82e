// The show's soundtrack: choosing and removing it, its file beside the show, its
// analysis with the progress in the status bar, the music lane of the timeline,
// the music played in step with the show on an output of its own, and fitting
// the frames to its beats.
#include "FormUnitMain.h"

#include "AudioPlayer.h"
#include "BeatFit.h"
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
    connect(ShowMusic, &TShowSoundtrack::analysisEnded, this, [this](const TMusicResult& result) {
        pgMusic->hide();
        bnMusicCancel->hide();
        if (result.outcome.ok)
            SetStatusText(1, QStringLiteral("Soundtrack %1: %2 beats, %3 bpm")
                                 .arg(QFileInfo(ShowMusic->Track().MusicFile).fileName())
                                 .arg(ShowMusic->Analysis()->Beats.size())
                                 .arg(ShowMusic->Analysis()->Bpm, 0, 'f', 1));
        else if (result.cancelled)
            SetStatusText(1, QStringLiteral("Reading the music was cancelled"));
        else
            SetStatusText(1, result.outcome.message);
    });
    // The analysis follows the document's soundtrack.
    connect(ShowDocument, &TShowDocument::soundtrackChanged, this, &TFormMain::SoundtrackChanged);
    connect(ShowMusic, &TShowSoundtrack::changed, this, [this] {
        TimelineMusic->SetMusic(ShowMusic->Analysis(), ShowMusic->Track().OffsetMs);
        // The music plays the file last opened: another one must be opened anew.
        if (MusicPlayer->IsOpen() && MusicPlayer->FileName() != ShowMusic->Track().MusicFile)
            MusicPlayer->Close();
        TimelineRedraw();
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
    StopMusic();
    const TSoundtrack& track = Document().Soundtrack();
    aRemoveSoundtrack->setEnabled(track.IsSet());
    ShowMusic->SetTrack(track);
}

void TFormMain::aSoundtrackExecute()
{
    const TSoundtrack current = Document().Soundtrack();
    const QString& showFile = Document().FileName();
    FormSoundtrack->StartFolder = showFile.isEmpty() ? OpenDir : QFileInfo(showFile).absolutePath();
    const std::optional<TSoundtrack> chosen = FormSoundtrack->Execute(current);
    if (!chosen || *chosen == current)
        return;
    if (!chosen->IsSet()) {
        aRemoveSoundtrackExecute();
        return;
    }
    // A file the decoder cannot read is refused here, with its reason.
    if (chosen->MusicFile != current.MusicFile) {
        TMusicReader reader;
        if (!reader.Open(chosen->MusicFile)) {
            Prompts.Tell(TMsgIcon::Error, reader.Error());
            return;
        }
    }
    // The user has chosen: an old file that could not be read is replaced on saving.
    KeepUnreadableSoundtrackOf.clear();
    Document().SetSoundtrack(*chosen, StepName(aSoundtrack->text()));
}

void TFormMain::aRemoveSoundtrackExecute()
{
    if (!Document().Soundtrack().IsSet())
        return;
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
    MusicPlayer->SetDevice(FindAudioOutput(SoundOutputs.Music));
}

QString TFormMain::MusicUnavailable() const
{
    const TSoundtrack& track = Document().Soundtrack();
    if (!track.IsSet())
        return QStringLiteral("The show has no soundtrack");
    if (ShowMusic->MusicMissing())
        return QStringLiteral("The soundtrack's music \"%1\" is missing").arg(QDir::toNativeSeparators(track.MusicFile));
    const QAudioDevice music = MusicPlayer->Device();
    if (music.isNull())
        return QStringLiteral("Choose an output for the music in Settings > Sound outputs... to hear it");
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
    if (MusicPlayer)
        MusicPlayer->Stop();
}

// --- fitting the frames to the beats ---------------------------------------------------------

void TFormMain::aFitFramesToBeatsExecute()
{
    if (!Document().Soundtrack().IsSet()) {
        Prompts.Tell(TMsgIcon::Information, QStringLiteral("The show has no soundtrack: choose one with "
                                                           "Project > Soundtrack... first."));
        return;
    }
    if (ShowMusic->IsAnalysing()) {
        Prompts.Tell(TMsgIcon::Information, QStringLiteral("The music is still being read; fit the frames "
                                                           "when it is done."));
        return;
    }
    const std::shared_ptr<const TMusicAnalysis> music = ShowMusic->Analysis();
    if (!music) {
        Prompts.Tell(TMsgIcon::Warning, ShowMusic->MusicMissing()
                                            ? QStringLiteral("The soundtrack's music \"%1\" is missing.")
                                                  .arg(QDir::toNativeSeparators(ShowMusic->Track().MusicFile))
                                            : QStringLiteral("The soundtrack's music could not be read."));
        return;
    }
    const TCompileOptions options{ScanDelays, miFlipX->isChecked(), miFlipY->isChecked()};
    const TBeatFit fit = FitFramesToBeats(Show(), music->Beats, Document().Soundtrack().OffsetMs, options);
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
                         .arg(fit.FramesFitted == 1 ? QStringLiteral("1 frame")
                                                    : QStringLiteral("%1 frames").arg(fit.FramesFitted))
                         .arg(fit.WorstMs, 0, 'f', 1));
}
