#pragma once

#include "ScanDelays.h"

#include <QByteArray>
#include <QObject>
#include <functional>

class TAudioPlayer;
class TShowDocument;

// The live output (tbLive): loops the current frame's sound while the editor works.
// It follows the document: another current frame, or a change of the current frame's
// points or colour, plays anew; names and timing do not sound.
class TLiveOutputView : public QObject {
    Q_OBJECT
public:
    // What the loop is made with, read at every refresh.
    struct TSettings {
        bool On = false;            // tbLive down and no show playing
        TScanDelays Delays;
        bool FlipX = false, FlipY = false;
    };

    TLiveOutputView(TShowDocument& document, std::function<TSettings()> settings, QObject* parent = nullptr);

    TAudioPlayer& Player() { return *FPlayer; }         // objectName "LivePlayer"
    const QByteArray& Stream() const { return FStream; } // the WAV image of the loop

    // Plays the current frame anew, or stops when the output is off or the frame
    // gives no loop.
    void Refresh();
    // While it returns true, the document's changes wait for the next Refresh: the
    // pad's own gestures refresh the output themselves when they are done.
    void SetHold(std::function<bool()> hold) { FHold = std::move(hold); }

signals:
    // The loop plays, or there is nothing to play; `tooLong`: the current frame is
    // silent because one pass of it lasts over a minute.
    void refreshed(bool tooLong);
    // The sound output failed.
    void failed();

private:
    void FrameChanged(int index, int what);

    TShowDocument& FDocument;
    std::function<TSettings()> FSettings;
    std::function<bool()> FHold;
    TAudioPlayer* FPlayer;
    QByteArray FStream;
};
