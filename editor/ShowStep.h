#pragma once

#include "LaserFrames.h"
#include "ShowChanges.h"
#include "Soundtrack.h"

#include <QString>

// A command's caption as the name of its step: "&Rotate frame..." gives "Rotate frame",
// "Set effect && auxiliary center..." gives "Set effect & auxiliary center".
QString StepName(const QString& caption);

// Everything a step may change: the show's frames and its soundtrack, as the
// document holds them.
struct TShowState {
    TLaserFrames& Frames;
    TSoundtrack& Soundtrack;
};

// One change of the show as the history keeps it: undone and done again on the show.
class TShowStep {
public:
    explicit TShowStep(QString name) : Name(std::move(name)) {}
    virtual ~TShowStep() = default;

    struct TOutcome {
        // The frame that changed; -1 when every frame's What changed (or, with
        // FrameList, the list itself).
        int Frame = -1;
        TShowChanges What;
        int Current = 0;         // the frame to show afterwards
    };
    // forward false undoes the step, true does it again.
    virtual TOutcome Apply(TShowState& show, bool forward) = 0;
    // Bytes the step holds, for the history's memory budget.
    virtual qint64 Cost() const = 0;

    const QString Name;
};
