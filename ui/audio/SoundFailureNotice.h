#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>

class QWidget;
class TPrompts;

// The status bar's note once the live output has gone off for want of a sound output.
inline const QString SoundOffNote =
    QStringLiteral("Live output is off: no sound output could be opened.");

// Tells the user that the live output could not start: the error box once per
// session, never before the main window is on screen and never in the middle of
// the mouse click that caused it; every time, the note in the status bar.
class TSoundFailureNotice : public QObject {
    Q_OBJECT
public:
    TSoundFailureNotice(QWidget* window, TPrompts& prompts, std::function<void(const QString&)> statusNote);

    // The live output could not start.
    void Report();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void QueueBox();
    void ShowBox();

    QPointer<QWidget> Window;
    TPrompts& Prompts;
    std::function<void(const QString&)> StatusNote;
    bool Pending = false;   // reported, box not shown yet
    bool Queued = false;
    bool Shown = false;
};
