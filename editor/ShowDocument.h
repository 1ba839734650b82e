#pragma once

#include "FrameDelta.h"
#include "LaserFrames.h"
#include "ShowChanges.h"
#include "ShowStep.h"
#include "Soundtrack.h"

#include <QObject>
#include <QUndoStack>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class THistoryCommand;

// The open show: its frames, its soundtrack, its file name, the current frame and the
// edit history. Every change of the show goes through here as one step of the history,
// so that it can be undone and done again; the views connect to the signals and follow
// them instead of being repainted by the commands. Modified is "the history is not at
// its saved state".
class TShowDocument : public QObject {
    Q_OBJECT
public:
    static constexpr int StepLimit = 1000;                     // the history's length
    static constexpr qint64 DefaultBudget = qint64(256) << 20; // bytes the steps may hold

    explicit TShowDocument(QObject* parent = nullptr);
    ~TShowDocument() override;

    // The show object stays the same for the document's life; Open and New refill it.
    // Write access is for gestures under way and for the file writer.
    TLaserFrames& Show() { return *FShow; }
    const TLaserFrames& Show() const { return *FShow; }
    int FrameCount() const { return FShow->Count(); }
    TLaserFrame* Frame(int index);   // null when there is no frame at index
    const QString& FileName() const { return FShow->FileName; }
    const TSoundtrack& Soundtrack() const { return FSoundtrack; }

    // The frame the editor shows, the one place it is kept. Setting it (clamped to the
    // frames there are) always says so with currentFrameChanged: the frame at the
    // index may be another one. Steps move it too.
    int CurrentFrameIndex() const { return FCurrent; }
    void SetCurrentFrameIndex(int index);

    QUndoStack& History() { return FHistory; }
    const QUndoStack& History() const { return FHistory; }
    bool IsModified() const { return !FHistory.isClean(); }

    // New and Open: the show and its soundtrack are replaced, the history starts empty
    // and clean, the first frame is current.
    void ReplaceShow(TLaserFrames&& show, const TSoundtrack& soundtrack = {});
    void SetFileName(const QString& fileName);
    void MarkSaved();                         // the show as it is now is the saved one

    // ---- steps. Each one that changes nothing leaves the history as it was.

    // Runs `change` on frame `index` and keeps the difference as the step `name`.
    // `scope` is what the change may touch: only that is copied and compared, which
    // keeps a step on a big frame quick. With scope checks on, a change outside its
    // scope is kept all the same and told as a warning.
    bool EditFrame(int index, const QString& name, const std::function<void(TLaserFrame&)>& change,
                   TShowChanges scope = AllFrameChanges);
    // A gesture: the frame changes under the pointer and becomes one step at its end.
    void BeginFrameGesture(int index, const QString& name, TShowChanges scope = AllFrameChanges);
    void GestureChanged(TShowChanges what);   // tells the views while it goes on
    // `name`, when given, replaces the one given at the start.
    bool EndFrameGesture(const QString& name = {});
    bool GestureActive() const { return FGesture.has_value(); }

    void AppendFrame(const QString& name);    // a new default frame at the end
    // Inserts the frames, in their order, before the frame at `index`; the first of
    // them becomes the current frame.
    void InsertFrames(std::vector<std::unique_ptr<TLaserFrame>> frames, int index, const QString& name);
    // False with only one frame: the show keeps at least one.
    bool DeleteFrame(int index, const QString& name);
    // The frame-list drop: `to` as TLaserFrames::MoveFrame takes it. Returns the new index.
    int MoveFrame(int from, int to, const QString& name);

    // New delays for every frame (as many as given), as one step.
    void SetDelays(std::vector<quint16> delays, const QString& name);
    // Chooses or removes the soundtrack as one step; nothing when it is the same.
    void SetSoundtrack(const TSoundtrack& soundtrack, const QString& name);
    // The soundtrack's corrected beats (none: the tracker's) as one step; nothing
    // without a soundtrack or when they are the same. False when nothing changed.
    bool SetBeats(std::optional<TBeatGrid> beats, const QString& name);

    // A step of the caller's own kind: done now, then kept.
    void DoStep(std::unique_ptr<TShowStep> step);

    // A gesture under way is finished first.
    void Undo();
    void Redo();

    // The oldest steps go when the steps hold more than `bytes`; the newest stays.
    void SetHistoryBudget(qint64 bytes);
    qint64 HistoryBudget() const { return FBudget; }
    qint64 HistoryCost() const { return FCost; }
    // True while a step is undone or done again (its frameChanged comes before
    // currentFrameChanged, which shows the frame anyway).
    bool StepRunning() const { return FStepRunning; }

    // Whether EditFrame and gestures compare the whole frame to find changes outside
    // their scope. On in debug builds; it costs a copy of the frame per step.
    static void SetScopeChecks(bool on);
    static bool ScopeChecks();

signals:
    void frameChanged(int index, TShowChanges what);
    void everyFrameChanged(TShowChanges what);   // e.g. the delays of all frames
    void framesChanged();                     // frames inserted, removed or moved
    void currentFrameChanged(int index);      // show this frame now
    void showReplaced();
    void fileNameChanged(const QString& fileName);
    void soundtrackChanged();
    void beatsChanged();   // the beats alone: the music and its offset are as they were
    // The history's saved state: cleanChanged, without the passing states of a rebuild.
    void modifiedChanged(bool modified);

private:
    friend class THistoryCommand;

    struct TGesture {
        int Index;
        QString Name;
        TShowChanges Scope;
        TLaserFrame Before;
        std::optional<TLaserFrame> Whole;   // for the scope check
    };

    bool Commit(int index, const QString& name, TLaserFrame before, TShowChanges scope,
                std::optional<TLaserFrame> whole);
    void Push(std::unique_ptr<TShowStep> step);
    void Run(TShowStep& step, bool forward);
    void TrimHistory();
    void Rebuild(int drop);
    void CleanChanged(bool clean);

    std::unique_ptr<TLaserFrames> FShow;
    TSoundtrack FSoundtrack;
    QUndoStack FHistory;
    int FCurrent = 0;
    std::optional<TGesture> FGesture;
    qint64 FBudget = DefaultBudget;
    qint64 FCost = 0;
    bool FStepRunning = false;
    bool FRebuilding = false;
    bool FSilent = false;         // history entries move without touching the show
    bool FModified = false;
};
