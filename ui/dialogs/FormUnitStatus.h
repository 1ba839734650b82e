#pragma once

#include "CompileProgress.h"

#include <QDialog>
#include <QElapsedTimer>

class QLabel;
class QProgressBar;

// "Wave creation status...": shown (not modal) while a compile runs on the UI
// thread. Offers no title-bar buttons because the compile cannot be cancelled.
class TFormStatus : public QDialog, public TCompileProgress {
    Q_OBJECT
public:
    explicit TFormStatus(QWidget* parent = nullptr);

    QLabel* labelFrame = nullptr;
    QProgressBar* pgMorph = nullptr;
    QProgressBar* pgFrame = nullptr;
    QProgressBar* pgTotal = nullptr;

    // Puts the window back to its look before any compile.
    void Reset();

    void SetFrameLabel(const QString& text) override;
    void SetMorphMax(int max) override;
    void SetMorphPos(int pos) override;
    void SetFrameMax(int max) override;
    void SetFramePos(int pos) override;
    void SetTotalMax(int max) override;
    void SetTotalPos(int pos) override;
    void Repaint() override;

    // The maximum the compile last set on a bar; the bar itself may show another
    // one (see SetBarMax).
    int MorphMax() const { return FMorphMax; }
    int FrameMax() const { return FFrameMax; }
    int TotalMax() const { return FTotalMax; }

private:
    static void SetBarMax(QProgressBar* bar, int max);
    static void SetBarPos(QProgressBar* bar, int pos);

    int FMorphMax = 0;
    int FFrameMax = 0;
    int FTotalMax = 0;
    bool FLabelChanged = false;
    QElapsedTimer FLastPaint;
};
