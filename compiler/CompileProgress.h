#pragma once

#include <QString>

// What the compile reports while it runs: the current frame's label and three
// bars (morph, frame, total). Calls arrive in the order the compile makes them;
// a position may lie above its bar's maximum (the outgoing half shows the morph
// bar full that way), so displays clamp. The defaults ignore everything.
class TCompileProgress {
public:
    virtual ~TCompileProgress() = default;
    virtual void SetFrameLabel(const QString& text) { Q_UNUSED(text); }
    virtual void SetMorphMax(int max) { Q_UNUSED(max); }
    virtual void SetMorphPos(int pos) { Q_UNUSED(pos); }
    virtual void SetFrameMax(int max) { Q_UNUSED(max); }
    virtual void SetFramePos(int pos) { Q_UNUSED(pos); }
    virtual void SetTotalMax(int max) { Q_UNUSED(max); }
    virtual void SetTotalPos(int pos) { Q_UNUSED(pos); }
    // The status window repaints here; called after every update the compile makes visible.
    virtual void Repaint() {}
};
