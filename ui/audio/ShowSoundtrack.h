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
    // is not: MusicMissing() tells), unless Load read it already; a changed offset
    // or beats alone keep the analysis.
    void SetTrack(const TSoundtrack& track);
    void Clear() { SetTrack(TSoundtrack()); }
    bool MusicMissing() const;

    // The finished analysis of the current music; null while there is none.
    std::shared_ptr<const TMusicAnalysis> Analysis() const { return FAnalysis; }
    bool IsAnalysing() const;   // the current music is being read
    void Analyse();             // (again) for the current music
    // Reads a music file before it becomes the soundtrack: `loaded` comes when it is
    // read, and SetTrack with that music then takes what was read. A cancel or a
    // failure leaves the track and its analysis as they were.
    void Load(const QString& fileName);
    bool IsLoading() const;
    // Stops the reading under way (the current music's or a Load).
    void CancelAnalysis();
    // Runs the event loop until no reading is under way; false on time-out.
    bool WaitForAnalysis(int timeoutMs);

signals:
    void analysisStarted();
    void analysisProgress(int percent);
    // Over: done, cancelled, or failed with the reason. `ahead`: it was a Load.
    void analysisEnded(const TMusicResult& result, bool ahead);
    // A Load is done: the music of `fileName` can be the soundtrack now.
    void loaded(const QString& fileName);
    // The soundtrack or its analysis changed: the timeline redraws.
    void changed();

private:
    struct TJob;
    void Start(const QString& fileName, bool ahead);
    void StopJob();
    // Stops the reading under way and says so; `resume`: the current music's own
    // reading starts again if a Load had stopped it.
    void Cancel(bool resume);
    void Finished(const std::shared_ptr<TJob>& job);
    void ResumeTrack();

    TSoundtrack FTrack;
    std::shared_ptr<const TMusicAnalysis> FAnalysis;
    std::shared_ptr<TJob> FRunning;
    std::shared_ptr<const TMusicAnalysis> FLoaded;   // what Load read, until SetTrack takes it
    std::vector<std::shared_ptr<TJob>> Jobs;   // every thread not yet finished
};
