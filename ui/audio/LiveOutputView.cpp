#include "LiveOutputView.h"

#include "AudioPlayer.h"
#include "LiveOutput.h"
#include "ShowDocument.h"

TLiveOutputView::TLiveOutputView(TShowDocument& document, std::function<TSettings()> settings, QObject* parent)
    : QObject(parent), FDocument(document), FSettings(std::move(settings)), FPlayer(new TAudioPlayer(this))
{
    setObjectName(QStringLiteral("LiveOutputView"));
    FPlayer->setObjectName(QStringLiteral("LivePlayer"));
    connect(&document, &TShowDocument::currentFrameChanged, this, &TLiveOutputView::Refresh);
    connect(&document, &TShowDocument::frameChanged, this,
            [this](int index, TShowChanges what) { FrameChanged(index, int(what)); });
}

void TLiveOutputView::FrameChanged(int index, int what)
{
    // The loop plays the points in the frame's colour. A gesture under way sounds when
    // it ends; a step undone or done again, with the frame switch that follows it.
    if (index != FDocument.CurrentFrameIndex() || !(TShowChanges(what) & (TShowChange::Points | TShowChange::Properties))
        || FDocument.GestureActive() || FDocument.StepRunning() || (FHold && FHold()))
        return;
    Refresh();
}

void TLiveOutputView::Refresh()
{
    const TLaserFrame* frame = FDocument.Frame(FDocument.CurrentFrameIndex());
    const TSettings settings = FSettings ? FSettings() : TSettings();
    const bool liveDown = settings.On && frame;
    static const TLaserFrame noFrame;
    if (RunLiveOutput(*FPlayer, FStream, liveDown, frame ? *frame : noFrame, settings.Delays, settings.FlipX,
                      settings.FlipY))
        emit refreshed(liveDown && LivePassTooLong(*frame, settings.Delays));
    else
        emit failed();
}
