#include "ShowSteps.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

QString StepName(const QString& caption)
{
    QString name;
    for (int i = 0; i < caption.size(); ++i) {
        if (caption[i] == QLatin1Char('&') && i + 1 < caption.size())
            ++i;   // "&&" stands for "&"; a single one marks the accelerator
        else if (caption[i] == QLatin1Char('&'))
            continue;
        name += caption[i];
    }
    if (name.endsWith(QLatin1String("...")))
        name.chop(3);
    return name;
}

TShowStep::TOutcome TFrameEditStep::Apply(TShowState& show, bool forward)
{
    TLaserFrame& frame = show.Frames.Frame(FIndex);
    if (forward)
        FDelta.Reapply(frame);
    else
        FDelta.Revert(frame);
    return {FIndex, FDelta.Changes(), FIndex};
}

void SetFrameOrder(TLaserFrames& show, const std::vector<TLaserFrame*>& order,
                   std::vector<std::unique_ptr<TLaserFrame>>& outside)
{
    std::vector<std::unique_ptr<TLaserFrame>> pool = std::move(outside);
    outside.clear();
    // From the end: extracting the last frame moves nothing.
    for (int i = show.Count() - 1; i >= 0; --i)
        pool.push_back(show.Extract(i));
    std::unordered_map<const TLaserFrame*, size_t> where;
    for (size_t i = 0; i < pool.size(); ++i)
        where[pool[i].get()] = i;
    for (TLaserFrame* frame : order)
        show.AddFrame(std::move(pool[where.at(frame)]));
    for (auto& frame : pool) {
        if (frame)
            outside.push_back(std::move(frame));
    }
}

TShowStep::TOutcome TFrameListStep::Apply(TShowState& show, bool forward)
{
    const int to = forward ? 1 : 0;
    SetFrameOrder(show.Frames, FOrder[to], FOutside);
    for (TFrameLinks& change : FLinks)
        change.Links.Apply(change.Frame->Links, forward);
    return {-1, TShowChange::FrameList, FCurrent[to]};
}

TFrameListStep::TRecorder::TRecorder(const TLaserFrames& show, int current)
    : FShow(show), FCurrent(current)
{
    FOrder.reserve(size_t(show.Count()));
    for (int i = 0; i < show.Count(); ++i)
        FOrder.push_back(const_cast<TLaserFrame*>(&show.Frame(i)));
}

void TFrameListStep::TRecorder::Watch(int index)
{
    if (index < 0 || index >= int(FOrder.size()))
        return;
    TLaserFrame* frame = FOrder[size_t(index)];
    for (const TWatched& w : FWatched) {
        if (w.Frame == frame)
            return;
    }
    FWatched.push_back({frame, frame->Links});
}

std::unique_ptr<TFrameListStep> TFrameListStep::TRecorder::Finish(
    QString name, int current, std::vector<std::unique_ptr<TLaserFrame>> removed)
{
    std::unique_ptr<TFrameListStep> step(new TFrameListStep(std::move(name)));
    step->FOrder[0] = std::move(FOrder);
    step->FOrder[1].reserve(size_t(FShow.Count()));
    for (int i = 0; i < FShow.Count(); ++i)
        step->FOrder[1].push_back(const_cast<TLaserFrame*>(&FShow.Frame(i)));
    for (TWatched& w : FWatched) {
        TLinksChange links(std::move(w.Before), w.Frame->Links);
        if (!links.IsEmpty())
            step->FLinks.push_back({w.Frame, std::move(links)});
    }
    if (step->FOrder[0] == step->FOrder[1] && step->FLinks.empty())
        return nullptr;
    step->FCurrent[0] = FCurrent;
    step->FCurrent[1] = current;
    step->FOutside = std::move(removed);

    // The frames that are in one list only are held by the step in one of its states.
    qint64 cost = qint64(sizeof(TFrameListStep))
        + qint64(step->FOrder[0].size() + step->FOrder[1].size()) * qint64(sizeof(TLaserFrame*));
    const std::unordered_set<const TLaserFrame*> before(step->FOrder[0].begin(), step->FOrder[0].end());
    const std::unordered_set<const TLaserFrame*> after(step->FOrder[1].begin(), step->FOrder[1].end());
    for (const TLaserFrame* frame : step->FOrder[0]) {
        if (!after.count(frame))
            cost += TFrameDelta::FrameCost(*frame);
    }
    for (const TLaserFrame* frame : step->FOrder[1]) {
        if (!before.count(frame))
            cost += TFrameDelta::FrameCost(*frame);
    }
    for (const TFrameLinks& change : step->FLinks)
        cost += change.Links.Cost();
    step->FCost = cost;
    return step;
}

// ---- delays and soundtrack ----------------------------------------------------------------------

TDelaysStep::TDelaysStep(QString name, const TLaserFrames& show, std::vector<quint16> after, int current)
    : TShowStep(std::move(name)), FAfter(std::move(after)), FCurrent(current)
{
    for (int i = 0; i < show.Count(); ++i)
        FBefore.push_back(show.Frame(i).Delay);
}

TShowStep::TOutcome TDelaysStep::Apply(TShowState& show, bool forward)
{
    const std::vector<quint16>& delays = forward ? FAfter : FBefore;
    for (int i = 0; i < show.Frames.Count() && i < int(delays.size()); ++i)
        show.Frames.Frame(i).Delay = delays[size_t(i)];
    return {-1, TShowChange::Timing, FCurrent};
}

qint64 TDelaysStep::Cost() const
{
    return qint64(sizeof(*this) + sizeof(quint16) * (FBefore.capacity() + FAfter.capacity()));
}

TSoundtrackStep::TSoundtrackStep(QString name, TSoundtrack before, TSoundtrack after, int current)
    : TShowStep(std::move(name)), FBefore(std::move(before)), FAfter(std::move(after)), FCurrent(current)
{
}

TShowStep::TOutcome TSoundtrackStep::Apply(TShowState& show, bool forward)
{
    show.Soundtrack = forward ? FAfter : FBefore;
    return {-1, TShowChange::Soundtrack, FCurrent};
}

namespace {

qint64 BeatsCost(const std::optional<TBeatGrid>& grid)
{
    return grid ? qint64(sizeof(double) * grid->Beats.capacity()) : 0;
}

} // namespace

qint64 TSoundtrackStep::Cost() const
{
    return qint64(sizeof(*this)) + 2 * (FBefore.MusicFile.capacity() + FAfter.MusicFile.capacity())
        + BeatsCost(FBefore.Beats) + BeatsCost(FAfter.Beats);
}

TBeatsStep::TBeatsStep(QString name, std::optional<TBeatGrid> before, std::optional<TBeatGrid> after, int current)
    : TShowStep(std::move(name)), FBefore(std::move(before)), FAfter(std::move(after)), FCurrent(current)
{
}

TShowStep::TOutcome TBeatsStep::Apply(TShowState& show, bool forward)
{
    show.Soundtrack.Beats = forward ? FAfter : FBefore;
    return {-1, TShowChange::Beats, FCurrent};
}

qint64 TBeatsStep::Cost() const
{
    return qint64(sizeof(*this)) + BeatsCost(FBefore) + BeatsCost(FAfter);
}
