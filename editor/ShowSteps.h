#pragma once

#include "FrameDelta.h"
#include "ShowStep.h"

#include <memory>
#include <optional>
#include <vector>

// The kinds of step the history holds.

// A change inside one frame: points, links, timing, properties.
class TFrameEditStep : public TShowStep {
public:
    TFrameEditStep(QString name, int index, TFrameDelta delta)
        : TShowStep(std::move(name)), FIndex(index), FDelta(std::move(delta))
    {
    }
    TOutcome Apply(TShowState& show, bool forward) override;
    qint64 Cost() const override { return qint64(sizeof(*this)) + FDelta.Cost(); }
    TShowChanges Changes() const { return FDelta.Changes(); }

private:
    int FIndex;
    TFrameDelta FDelta;
};

// A change of the frame list: frames inserted, removed or moved, and the link
// matrices the list operations fitted around them. Frames are known by identity;
// those not in the show at the moment belong to the step.
class TFrameListStep : public TShowStep {
public:
    TOutcome Apply(TShowState& show, bool forward) override;
    qint64 Cost() const override { return FCost; }

    // Watches a list operation on `show`: construct before it, Finish after it.
    class TRecorder {
    public:
        TRecorder(const TLaserFrames& show, int current);
        // The frame at `index` (if any) may have its links fitted by the operation.
        void Watch(int index);
        // Null when the operation changed nothing. `removed` are the frames it took out.
        std::unique_ptr<TFrameListStep> Finish(QString name, int current,
                                               std::vector<std::unique_ptr<TLaserFrame>> removed);

    private:
        struct TWatched {
            TLaserFrame* Frame;
            TLinkMatrix Before;
        };
        const TLaserFrames& FShow;
        std::vector<TLaserFrame*> FOrder;
        std::vector<TWatched> FWatched;
        int FCurrent;
    };

private:
    explicit TFrameListStep(QString name) : TShowStep(std::move(name)) {}

    struct TFrameLinks {
        TLaserFrame* Frame;
        TLinksChange Links;
    };
    std::vector<TLaserFrame*> FOrder[2];          // before, after
    std::vector<std::unique_ptr<TLaserFrame>> FOutside;
    std::vector<TFrameLinks> FLinks;
    int FCurrent[2] = {0, 0};
    qint64 FCost = 0;
};

// Puts the frames in `order`, taking them from the show and from `outside`; the frames
// left over go to `outside`.
void SetFrameOrder(TLaserFrames& show, const std::vector<TLaserFrame*>& order,
                   std::vector<std::unique_ptr<TLaserFrame>>& outside);

// New delays for every frame at once (Fit frames to beats).
class TDelaysStep final : public TShowStep {
public:
    TDelaysStep(QString name, const TLaserFrames& show, std::vector<quint16> after, int current);
    TOutcome Apply(TShowState& show, bool forward) override;
    qint64 Cost() const override;

private:
    std::vector<quint16> FBefore, FAfter;
    int FCurrent;
};

// Choosing or removing the soundtrack: it lives beside the frames but is saved with
// the show, so it is a step like any other change.
class TSoundtrackStep final : public TShowStep {
public:
    TSoundtrackStep(QString name, TSoundtrack before, TSoundtrack after, int current);
    TOutcome Apply(TShowState& show, bool forward) override;
    qint64 Cost() const override;

private:
    TSoundtrack FBefore, FAfter;
    int FCurrent;
};

// A correction of the soundtrack's beats (halve, double, shift, move, add, remove,
// tapped tempo, the first downbeat). The music plays on meanwhile: only the beats change.
class TBeatsStep final : public TShowStep {
public:
    TBeatsStep(QString name, std::optional<TBeatGrid> before, std::optional<TBeatGrid> after, int current);
    TOutcome Apply(TShowState& show, bool forward) override;
    qint64 Cost() const override;

private:
    std::optional<TBeatGrid> FBefore, FAfter;
    int FCurrent;
};
