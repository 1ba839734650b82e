#include "ShowDocument.h"

#include "ShowSteps.h"

#include <QScopedValueRollback>
#include <QStringList>

namespace {

#ifdef NDEBUG
bool ScopeChecksOn = false;
#else
bool ScopeChecksOn = true;
#endif

QString ChangeNames(TShowChanges changes)
{
    QStringList names;
    const std::pair<TShowChange, const char*> parts[] = {{TShowChange::Points, "points"},
                                                         {TShowChange::Links, "links"},
                                                         {TShowChange::Timing, "timing"},
                                                         {TShowChange::Properties, "properties"}};
    for (const auto& [part, name] : parts) {
        if (changes & part)
            names << QLatin1String(name);
    }
    return names.join(QLatin1String(", "));
}

} // namespace

// The history's entry for one step. It is pushed after the change was made, so its
// first redo has nothing to do.
class THistoryCommand final : public QUndoCommand {
public:
    THistoryCommand(TShowDocument& document, std::unique_ptr<TShowStep> step)
        : QUndoCommand(step->Name), FDocument(document), FStep(std::move(step)), FCost(FStep->Cost())
    {
        FDocument.FCost += FCost;
    }
    ~THistoryCommand() override
    {
        if (FStep)
            FDocument.FCost -= FCost;
    }

    void undo() override
    {
        if (!FDocument.FSilent)
            FDocument.Run(*FStep, false);
    }
    void redo() override
    {
        if (FPending)
            FPending = false;
        else if (!FDocument.FSilent)
            FDocument.Run(*FStep, true);
    }

    qint64 Cost() const { return FCost; }
    // Hands the step over to a new entry, when the history is rebuilt.
    std::unique_ptr<TShowStep> TakeStep()
    {
        FDocument.FCost -= FCost;
        return std::move(FStep);
    }

private:
    TShowDocument& FDocument;
    std::unique_ptr<TShowStep> FStep;
    qint64 FCost;
    bool FPending = true;
};

TShowDocument::TShowDocument(QObject* parent)
    : QObject(parent), FShow(std::make_unique<TLaserFrames>())
{
    FHistory.setUndoLimit(StepLimit);
    connect(&FHistory, &QUndoStack::cleanChanged, this, &TShowDocument::CleanChanged);
}

TShowDocument::~TShowDocument()
{
    // The steps go before the show whose frames they point at.
    FHistory.clear();
}

TLaserFrame* TShowDocument::Frame(int index)
{
    return index >= 0 && index < FShow->Count() ? &FShow->Frame(index) : nullptr;
}

void TShowDocument::SetScopeChecks(bool on)
{
    ScopeChecksOn = on;
}

bool TShowDocument::ScopeChecks()
{
    return ScopeChecksOn;
}

void TShowDocument::SetCurrentFrameIndex(int index)
{
    if (FShow->Count() == 0)
        return;
    FCurrent = qBound(0, index, FShow->Count() - 1);
    emit currentFrameChanged(FCurrent);
}

void TShowDocument::ReplaceShow(TLaserFrames&& show, const TSoundtrack& soundtrack)
{
    FGesture.reset();
    // Steps point at frames of the show that goes.
    FHistory.clear();
    *FShow = std::move(show);
    FSoundtrack = soundtrack;
    FCurrent = 0;
    emit showReplaced();
    emit fileNameChanged(FShow->FileName);
    emit soundtrackChanged();
    if (FShow->Count() > 0)
        emit currentFrameChanged(FCurrent);
}

void TShowDocument::SetFileName(const QString& fileName)
{
    if (FShow->FileName == fileName)
        return;
    FShow->FileName = fileName;
    emit fileNameChanged(fileName);
}

void TShowDocument::MarkSaved()
{
    FHistory.setClean();
}

void TShowDocument::CleanChanged(bool clean)
{
    if (FRebuilding || FModified == !clean)
        return;
    FModified = !clean;
    emit modifiedChanged(FModified);
}

// ---- frame edits -------------------------------------------------------------------------------

bool TShowDocument::EditFrame(int index, const QString& name, const std::function<void(TLaserFrame&)>& change,
                              TShowChanges scope)
{
    TLaserFrame* frame = Frame(index);
    if (!frame)
        return false;
    if (FGesture && FGesture->Index == index) {
        // Part of the gesture under way.
        change(*frame);
        emit frameChanged(index, TShowChange::Points | TShowChange::Links | TShowChange::Properties);
        return true;
    }
    if (FGesture)
        EndFrameGesture();
    TLaserFrame before = TFrameDelta::Snapshot(*frame, scope);
    std::optional<TLaserFrame> whole;
    if (ScopeChecksOn && scope != AllFrameChanges)
        whole = TFrameDelta::Snapshot(*frame, AllFrameChanges);
    try {
        change(*frame);
    } catch (...) {
        // What the change did so far goes back.
        if (whole)
            TFrameDelta(std::move(*whole), *frame).Revert(*frame);
        else
            TFrameDelta(std::move(before), *frame, scope).Revert(*frame);
        throw;
    }
    return Commit(index, name, std::move(before), scope, std::move(whole));
}

void TShowDocument::BeginFrameGesture(int index, const QString& name, TShowChanges scope)
{
    if (FGesture)
        EndFrameGesture();
    if (const TLaserFrame* frame = Frame(index)) {
        std::optional<TLaserFrame> whole;
        if (ScopeChecksOn && scope != AllFrameChanges)
            whole = TFrameDelta::Snapshot(*frame, AllFrameChanges);
        FGesture.emplace(TGesture{index, name, scope, TFrameDelta::Snapshot(*frame, scope), std::move(whole)});
    }
}

void TShowDocument::GestureChanged(TShowChanges what)
{
    if (FGesture)
        emit frameChanged(FGesture->Index, what);
}

bool TShowDocument::EndFrameGesture(const QString& name)
{
    if (!FGesture)
        return false;
    TGesture gesture = std::move(*FGesture);
    FGesture.reset();
    return Commit(gesture.Index, name.isEmpty() ? gesture.Name : name, std::move(gesture.Before), gesture.Scope,
                  std::move(gesture.Whole));
}

bool TShowDocument::Commit(int index, const QString& name, TLaserFrame before, TShowChanges scope,
                           std::optional<TLaserFrame> whole)
{
    TLaserFrame* frame = Frame(index);
    if (!frame)
        return false;
    if (whole) {
        // A change outside the scope would be missing from the step: undo would not
        // take it back. It is kept with the rest, and the step's code is to be mended.
        const TShowChanges outside = TFrameDelta(*whole, *frame, AllFrameChanges & ~scope).Changes();
        if (outside) {
            qWarning("Step \"%s\" changed %s outside its scope", qUtf8Printable(name),
                     qUtf8Printable(ChangeNames(outside)));
            before = std::move(*whole);
            scope = AllFrameChanges;
        }
    }
    TFrameDelta delta(std::move(before), *frame, scope);
    if (delta.IsEmpty())
        return false;
    const TShowChanges what = delta.Changes();
    Push(std::make_unique<TFrameEditStep>(name, index, std::move(delta)));
    emit frameChanged(index, what);
    return true;
}

// ---- frame list --------------------------------------------------------------------------------

void TShowDocument::AppendFrame(const QString& name)
{
    EndFrameGesture();
    TFrameListStep::TRecorder recorder(*FShow, FCurrent);
    FShow->Add();
    if (auto step = recorder.Finish(name, FCurrent, {}))
        Push(std::move(step));
    emit framesChanged();
    emit currentFrameChanged(FCurrent);
}

void TShowDocument::InsertFrames(std::vector<std::unique_ptr<TLaserFrame>> frames, int index, const QString& name)
{
    EndFrameGesture();
    index = qBound(0, index, FShow->Count());
    TFrameListStep::TRecorder recorder(*FShow, FCurrent);
    recorder.Watch(index);
    // Last to first, each before the frame at index: they keep their order, and each
    // one's links and its successor's are fitted as a single insert fits them.
    for (auto frame = frames.rbegin(); frame != frames.rend(); ++frame)
        FShow->InsertFrame(std::move(*frame), index);
    FCurrent = qMin(index, FShow->Count() - 1);
    if (auto step = recorder.Finish(name, FCurrent, {}))
        Push(std::move(step));
    emit framesChanged();
    emit currentFrameChanged(FCurrent);
}

bool TShowDocument::DeleteFrame(int index, const QString& name)
{
    EndFrameGesture();
    if (FShow->Count() < 2 || index < 0 || index >= FShow->Count())
        return false;
    TFrameListStep::TRecorder recorder(*FShow, FCurrent);
    recorder.Watch(index + 1);
    std::unique_ptr<TLaserFrame> removed;
    FShow->DeleteFrame(index, &removed);
    FCurrent = qMin(FCurrent, FShow->Count() - 1);
    std::vector<std::unique_ptr<TLaserFrame>> outside;
    outside.push_back(std::move(removed));
    if (auto step = recorder.Finish(name, FCurrent, std::move(outside)))
        Push(std::move(step));
    emit framesChanged();
    emit currentFrameChanged(FCurrent);
    return true;
}

int TShowDocument::MoveFrame(int from, int to, const QString& name)
{
    EndFrameGesture();
    if (from < 0 || from >= FShow->Count())
        return from;
    TFrameListStep::TRecorder recorder(*FShow, FCurrent);
    // The moved frame, its old successor and whichever frame follows it afterwards.
    for (int index : {from, from + 1, to, to + 1})
        recorder.Watch(index);
    const int moved = FShow->MoveFrame(from, to);
    if (auto step = recorder.Finish(name, FCurrent, {}))
        Push(std::move(step));
    emit framesChanged();
    emit currentFrameChanged(FCurrent);
    return moved;
}

// ---- the history ------------------------------------------------------------------------------

void TShowDocument::Undo()
{
    EndFrameGesture();
    FHistory.undo();
}

void TShowDocument::Redo()
{
    EndFrameGesture();
    FHistory.redo();
}

void TShowDocument::Run(TShowStep& step, bool forward)
{
    TShowStep::TOutcome outcome;
    {
        const QScopedValueRollback running(FStepRunning, true);
        TShowState state{*FShow, FSoundtrack};
        outcome = step.Apply(state, forward);
        FCurrent = qBound(0, outcome.Current, qMax(0, FShow->Count() - 1));
        const TShowChanges frameParts = outcome.What & AllFrameChanges;
        if (outcome.What & TShowChange::FrameList)
            emit framesChanged();
        else if (outcome.Frame >= 0)
            emit frameChanged(outcome.Frame, frameParts);
        else if (frameParts)
            emit everyFrameChanged(frameParts);
        if (outcome.What & TShowChange::Soundtrack)
            emit soundtrackChanged();
        if (outcome.What & TShowChange::Beats)
            emit beatsChanged();
    }
    emit currentFrameChanged(FCurrent);
}

void TShowDocument::SetDelays(std::vector<quint16> delays, const QString& name)
{
    EndFrameGesture();
    DoStep(std::make_unique<TDelaysStep>(name, *FShow, std::move(delays), FCurrent));
}

void TShowDocument::SetSoundtrack(const TSoundtrack& soundtrack, const QString& name)
{
    EndFrameGesture();
    if (soundtrack == FSoundtrack)
        return;
    DoStep(std::make_unique<TSoundtrackStep>(name, FSoundtrack, soundtrack, FCurrent));
}

bool TShowDocument::SetBeats(std::optional<TBeatGrid> beats, const QString& name)
{
    EndFrameGesture();
    if (!FSoundtrack.IsSet() || beats == FSoundtrack.Beats)
        return false;
    DoStep(std::make_unique<TBeatsStep>(name, FSoundtrack.Beats, std::move(beats), FCurrent));
    return true;
}

void TShowDocument::DoStep(std::unique_ptr<TShowStep> step)
{
    Run(*step, true);
    Push(std::move(step));
}

void TShowDocument::Push(std::unique_ptr<TShowStep> step)
{
    FHistory.push(new THistoryCommand(*this, std::move(step)));
    TrimHistory();
}

void TShowDocument::SetHistoryBudget(qint64 bytes)
{
    FBudget = bytes;
    TrimHistory();
}

void TShowDocument::TrimHistory()
{
    if (FCost <= FBudget)
        return;
    // Only steps below the current state can go, and the newest of them stays.
    const int limit = qMin(FHistory.index(), FHistory.count()) - 1;
    qint64 cost = FCost;
    int drop = 0;
    while (drop < limit && cost > FBudget) {
        cost -= static_cast<const THistoryCommand*>(FHistory.command(drop))->Cost();
        ++drop;
    }
    if (drop > 0)
        Rebuild(drop);
}

// QUndoStack cannot drop its oldest entries: the history is made again from the
// steps that stay, without doing any of them again.
void TShowDocument::Rebuild(int drop)
{
    const int count = FHistory.count();
    const int index = FHistory.index();
    const int clean = FHistory.cleanIndex();
    std::vector<std::unique_ptr<TShowStep>> kept;
    for (int i = drop; i < count; ++i) {
        // The entries are ours; the stack only hands them out as const.
        auto* entry = const_cast<THistoryCommand*>(static_cast<const THistoryCommand*>(FHistory.command(i)));
        kept.push_back(entry->TakeStep());
    }
    {
        const QScopedValueRollback rebuilding(FRebuilding, true);
        FHistory.clear();
        const int cleanAt = clean < 0 ? -1 : clean - drop;
        for (size_t k = 0; k < kept.size(); ++k) {
            FHistory.push(new THistoryCommand(*this, std::move(kept[k])));
            if (int(k) + 1 == cleanAt)
                FHistory.setClean();
        }
        if (cleanAt < 0)
            FHistory.resetClean();
        // Steps above the current state wait to be done again: step back to it
        // without undoing anything.
        const QScopedValueRollback silent(FSilent, true);
        FHistory.setIndex(index - drop);
    }
    CleanChanged(FHistory.isClean());
}
