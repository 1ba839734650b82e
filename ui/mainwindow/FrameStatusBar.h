#pragma once

#include <QStatusBar>
#include <functional>

class QLabel;
class TShowDocument;

// The status bar sbFrame: panel 0 the pointer position, panel 1 the last message. It
// follows the document: a message about a point is taken back once that point is gone
// or moved, a message about a step once the step is undone or the show replaced.
class TFrameStatusBar : public QStatusBar {
    Q_OBJECT
public:
    explicit TFrameStatusBar(TShowDocument& document, QWidget* parent = nullptr);

    // Panel 0 or 1, kept until the next text.
    void SetText(int panel, const QString& text);
    // Panel 1 about point `point` of frame `frame` as it is now.
    void SetPointText(int frame, int point, const QString& text);
    // Panel 1 about the step just made.
    void SetStepText(const QString& text);
    QString Message() const;

    QLabel* sbFramePos = nullptr;       // panel 0: pointer position
    QLabel* sbFrameMessage = nullptr;   // panel 1: messages

private:
    void SetMessage(const QString& text, std::function<bool()> holds);
    void Recheck();

    TShowDocument& FDocument;
    std::function<bool()> FHolds;       // whether panel 1 still tells the truth
};
