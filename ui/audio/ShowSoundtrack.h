#pragma once

#include "MusicTrack.h"
#include "Soundtrack.h"

#include <QObject>
#include <QString>
#include <memory>
#include <vector>

class QThread;

// The open show's soundtrack and what is known of its music. The music is
// decoded and analysed on a thread of its own; the editor keeps working and may
// cancel. Results arrive on the thread that owns this object.
class TShowSoundtrack : public QObject {
    Q_OBJECT
public:
    explicit TShowSoundtrack(QObject* parent = nullptr);
    ~TShowSoundtrack() override;

    const TSoundtrack& Track() const { return FTrack; }
    // Takes a new soundtrack. Another music file is analysed anew (a missing file
    // is not: MusicMissing() tells); a changed offset alone keeps the analysis.
    void SetTrack(const TSoundtrack& track);
    void Clear() { SetTrack(TSoundtrack()); }
    bool MusicMissing() const;

    // The finished analysis of the current music; null while there is none.
    std::shared_ptr<const TMusicAnalysis> Analysis() const { return FAnalysis; }
    bool IsAnalysing() const { return FRunning != nullptr; }
    void Analyse();             // (again) for the current music
    void CancelAnalysis();
    // Runs the event loop until the analysis is over; false on time-out.
    bool WaitForAnalysis(int timeoutMs);

signals:
    void analysisStarted();
    void analysisProgress(int percent);
    // Over: done, cancelled, or failed with the reason.
    void analysisEnded(const TMusicResult& result);
    // The soundtrack or its analysis changed: the timeline redraws.
    void changed();

private:
    struct TJob;
    void Finished(const std::shared_ptr<TJob>& job);

    TSoundtrack FTrack;
    std::shared_ptr<const TMusicAnalysis> FAnalysis;
    std::shared_ptr<TJob> FRunning;
    std::vector<std::shared_ptr<TJob>> Jobs;   // every thread not yet finished
};
