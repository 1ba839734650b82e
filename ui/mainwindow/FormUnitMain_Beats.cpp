// Project > Beats: the corrections of the soundtrack's beats (halve, double, shift
// by half a beat, the first downbeat, add and remove a beat, the tempo tapped with
// a key while the music plays, back to the tracker's beats) and the music lane's
// gestures. Each correction is one step of the history; the corrected beats are
// kept in the soundtrack file.
#include "FormUnitMain.h"

#include "BeatGrid.h"
#include "FormUnitPreview.h"
#include "FrameStatusBar.h"
#include "MusicPlayer.h"
#include "Prompts.h"
#include "ShowSoundtrack.h"
#include "Timeline.h"
#include "TimelineMusic.h"

#include <QDir>
#include <QMenu>
#include <QTimer>

namespace {

// Fewer taps than this give no tempo worth replacing the beats with.
constexpr size_t MinTaps = 4;
// The tapping is over when no tap came for this long.
constexpr int TapPauseMs = 2000;

QString Bpm(const TBeatGrid& grid)
{
    return QString::number(TempoFromBeats(grid.Beats), 'f', 1);
}

} // namespace

void TFormMain::ConnectBeatsCommands()
{
    TapTimer = new QTimer(this);
    TapTimer->setSingleShot(true);
    TapTimer->setInterval(TapPauseMs);
    connect(TapTimer, &QTimer::timeout, this, &TFormMain::FinishTapping);

    connect(aHalveTempo, &QAction::triggered, this,
            [this] { CorrectBeats(aHalveTempo, [](const TBeatGrid& g) { return HalveTempo(g); }); });
    connect(aDoubleTempo, &QAction::triggered, this,
            [this] { CorrectBeats(aDoubleTempo, [](const TBeatGrid& g) { return DoubleTempo(g); }); });
    connect(aShiftHalfBeat, &QAction::triggered, this, [this] {
        const double duration = MusicSeconds();
        CorrectBeats(aShiftHalfBeat, [duration](const TBeatGrid& g) { return ShiftHalfBeat(g, +1, duration); });
    });
    connect(aSetDownbeat, &QAction::triggered, this, [this] {
        const double at = BeatCommandTime();
        CorrectBeats(aSetDownbeat, [at](const TBeatGrid& g) { return SetFirstDownbeat(g, at); });
    });
    connect(aAddBeat, &QAction::triggered, this, [this] {
        const double at = BeatCommandTime();
        CorrectBeats(aAddBeat, [at](const TBeatGrid& g) { return AddBeat(g, at); });
    });
    connect(aRemoveBeat, &QAction::triggered, this, [this] {
        const double at = BeatCommandTime();
        CorrectBeats(aRemoveBeat, [at](const TBeatGrid& g) { return RemoveBeat(g, NearestBeat(g, at)); });
    });
    connect(aTapTempo, &QAction::triggered, this, &TFormMain::aTapTempoExecute);
    // The show preview plays the music too, in a window of its own: the key taps there as well.
    FormPreview->addAction(aTapTempo);
    connect(aTrackerBeats, &QAction::triggered, this, [this] {
        if (!Document().Soundtrack().Beats) {
            SetStatusText(1, QStringLiteral("The beats are the tracker's already"));
            return;
        }
        Document().SetBeats(std::nullopt, StepName(aTrackerBeats->text()));
        ShowBeatsStep();
    });

    // The lane's gestures, at the beat or the time under the pointer.
    connect(TimelineMusic, &TTimelineMusic::beatMoved, this, [this](int index, double to) {
        CorrectBeats(QStringLiteral("Move beat"), [index, to](const TBeatGrid& g) { return MoveBeat(g, index, to); });
    });
    connect(TimelineMusic, &TTimelineMusic::beatAdded, this, [this](double at) {
        CorrectBeats(StepName(aAddBeat->text()), [at](const TBeatGrid& g) { return AddBeat(g, at); });
    });
    connect(TimelineMusic, &TTimelineMusic::beatRemoved, this, [this](int index) {
        CorrectBeats(StepName(aRemoveBeat->text()), [index](const TBeatGrid& g) { return RemoveBeat(g, index); });
    });
    connect(TimelineMusic, &TTimelineMusic::downbeatSet, this, [this](int index) {
        CorrectBeats(StepName(aSetDownbeat->text()), [index](const TBeatGrid& g) {
            TBeatGrid out = g;
            if (index >= 0 && index < int(g.Beats.size()))
                out.FirstDownbeat = index;
            return out;
        });
    });
    connect(ShowDocument, &TShowDocument::beatsChanged, this, &TFormMain::BeatsChanged);
}

// --- the beats the show goes by -----------------------------------------------------------

std::optional<TBeatGrid> TFormMain::ShowBeats() const
{
    const TSoundtrack& track = Document().Soundtrack();
    if (!track.IsSet())
        return std::nullopt;
    if (track.Beats)
        return track.Beats;
    if (const std::shared_ptr<const TMusicAnalysis> music = ShowMusic->Analysis())
        return TBeatGrid{music->Beats, 0};
    return std::nullopt;
}

std::optional<TBeatGrid> TFormMain::BeatsAtHand(const QString& doing)
{
    if (!Document().Soundtrack().IsSet()) {
        Prompts.Tell(TMsgIcon::Information, QStringLiteral("The show has no soundtrack: choose one with "
                                                           "Project > Soundtrack... first."));
        return std::nullopt;
    }
    if (std::optional<TBeatGrid> beats = ShowBeats())
        return beats;
    if (ShowMusic->MusicMissing()) {
        Prompts.Tell(TMsgIcon::Warning, QStringLiteral("The soundtrack's music \"%1\" is missing.")
                                            .arg(QDir::toNativeSeparators(ShowMusic->Track().MusicFile)));
        return std::nullopt;
    }
    // Its reading may have been cancelled: it starts again.
    if (!ShowMusic->IsAnalysing())
        ShowMusic->Analyse();
    Prompts.Tell(TMsgIcon::Information, QStringLiteral("The music is still being read; %1 when it is done.").arg(doing));
    return std::nullopt;
}

double TFormMain::MusicSeconds() const
{
    if (const std::shared_ptr<const TMusicAnalysis> music = ShowMusic->Analysis())
        return music->Info.Seconds();
    // Still being read: the player knows it while it plays.
    if (MusicPlayer->IsOpen() && MusicPlayer->FileName() == Document().Soundtrack().MusicFile)
        return MusicPlayer->Seconds();
    return 0;
}

double TFormMain::BeatCommandTime() const
{
    if (MusicPlayer->IsPlaying())
        return double(MusicPlayer->PositionMs()) / 1000;
    qint64 start = 0;
    for (int i = 0; i < CurrentFrameIndex() && i < Document().FrameCount(); ++i)
        start += Document().Show().Frame(i).Delay + Document().Show().Frame(i).EffectTime;
    return double(start - Document().Soundtrack().OffsetMs) / 1000;
}

void TFormMain::BeatsChanged()
{
    const std::optional<TBeatGrid> beats = ShowBeats();
    TimelineMusic->SetBeats(beats.value_or(TBeatGrid{}));
    // The time scale goes on under the music past the show's end.
    const TSoundtrack& track = Document().Soundtrack();
    qint64 musicEnd = 0;
    if (const std::shared_ptr<const TMusicAnalysis> music = ShowMusic->Analysis())
        musicEnd = music->Envelope.DurationMs();
    else if (beats && !beats->Beats.empty())
        musicEnd = qint64(beats->Beats.back() * 1000);
    Timeline->SetRulerEnd(track.IsSet() && musicEnd > 0 ? track.OffsetMs + musicEnd : 0);
    TimelineRedraw();
}

// --- corrections ---------------------------------------------------------------------------

void TFormMain::CorrectBeats(const QAction* command, const std::function<TBeatGrid(const TBeatGrid&)>& correction)
{
    CorrectBeats(StepName(command->text()), correction);
}

void TFormMain::CorrectBeats(const QString& stepName, const std::function<TBeatGrid(const TBeatGrid&)>& correction)
{
    const std::optional<TBeatGrid> beats = BeatsAtHand(QStringLiteral("correct its beats"));
    if (!beats)
        return;
    TBeatGrid corrected = correction(*beats);
    if (corrected == *beats) {
        SetStatusText(1, QStringLiteral("%1: the beats stay as they are").arg(stepName));
        return;
    }
    Document().SetBeats(std::move(corrected), stepName);
    ShowBeatsStep();
}

void TFormMain::ShowBeatsStep()
{
    const std::optional<TBeatGrid> beats = ShowBeats();
    if (beats)
        sbFrame->SetStepText(QStringLiteral("%1: %2 beats, %3 bpm")
                                 .arg(Document().History().undoText())
                                 .arg(beats->Beats.size())
                                 .arg(Bpm(*beats)));
}

// --- the tapped tempo ----------------------------------------------------------------------

void TFormMain::aTapTempoExecute()
{
    if (!MusicPlayer->IsPlaying()) {
        SetStatusText(1, QStringLiteral("Tap the tempo while the music plays: start Play or the show preview first"));
        return;
    }
    TapAt(double(MusicPlayer->PositionMs()) / 1000);
}

void TFormMain::TapAt(double seconds)
{
    Taps.push_back(seconds);
    TapTimer->start();
    const TTapTempo tap = TempoFromTaps(Taps);
    if (Taps.size() < MinTaps || !tap.IsValid())
        SetStatusText(1, QStringLiteral("Tap tempo: %1 taps, keep tapping along with the beat").arg(Taps.size()));
    else
        SetStatusText(1, QStringLiteral("Tap tempo: %1 taps, %2 bpm; stop tapping to use it")
                             .arg(Taps.size())
                             .arg(tap.Bpm, 0, 'f', 1));
}

void TFormMain::FinishTapping()
{
    TapTimer->stop();
    const std::vector<double> taps = std::exchange(Taps, {});
    if (taps.empty())
        return;
    const TTapTempo tap = TempoFromTaps(taps);
    if (taps.size() < MinTaps || !tap.IsValid()) {
        SetStatusText(1, QStringLiteral("Tap at least %1 times along with the beat to set the tempo").arg(MinTaps));
        return;
    }
    // Taps need no beats found before them: without any, the tapped ones fill the music.
    const TBeatGrid before = ShowBeats().value_or(TBeatGrid{});
    const TBeatGrid tapped = ApplyTapTempo(before, tap, MusicSeconds());
    if (tapped == before || !Document().SetBeats(tapped, StepName(aTapTempo->text())))
        return;
    ShowBeatsStep();
}
