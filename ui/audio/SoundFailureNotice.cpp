#include "SoundFailureNotice.h"

#include "AudioPlayer.h"
#include "Prompts.h"

#include <QEvent>
#include <QWidget>

TSoundFailureNotice::TSoundFailureNotice(QWidget* window, TPrompts& prompts,
                                         std::function<void(const QString&)> statusNote)
    : QObject(window), Window(window), Prompts(prompts), StatusNote(std::move(statusNote))
{
    setObjectName(QStringLiteral("SoundFailureNotice"));
    window->installEventFilter(this);
}

void TSoundFailureNotice::Report()
{
    if (StatusNote)
        StatusNote(SoundOffNote);
    if (Shown || Pending)
        return;
    Pending = true;
    if (Window && Window->isVisible())
        QueueBox();
    // Otherwise the window's Show event queues it.
}

bool TSoundFailureNotice::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == Window && event->type() == QEvent::Show && Pending)
        QueueBox();
    return QObject::eventFilter(watched, event);
}

void TSoundFailureNotice::QueueBox()
{
    if (Queued)
        return;
    Queued = true;
    // After the event at hand: the window gets painted, a click gets finished.
    QMetaObject::invokeMethod(this, &TSoundFailureNotice::ShowBox, Qt::QueuedConnection);
}

void TSoundFailureNotice::ShowBox()
{
    Queued = false;
    if (!Pending || Shown || !Window || !Window->isVisible())
        return;
    Pending = false;
    Shown = true;
    Prompts.Tell(TMsgIcon::Error, SoundFailedText);
}
