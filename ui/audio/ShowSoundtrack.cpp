#include "ShowSoundtrack.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QThread>
#include <algorithm>
#include <atomic>

struct TShowSoundtrack::TJob {
    QString FileName;
    bool Ahead = false;
    std::atomic<bool> Cancel{false};
    TMusicResult Result;
    std::shared_ptr<TMusicAnalysis> Analysis = std::make_shared<TMusicAnalysis>();
    QThread* Thread = nullptr;
};

TShowSoundtrack::TShowSoundtrack(QObject* parent) : QObject(parent) {}

TShowSoundtrack::~TShowSoundtrack()
{
    // Cancelled jobs may still be winding down: none may outlive the object.
    for (const std::shared_ptr<TJob>& job : Jobs) {
        job->Cancel = true;
        job->Thread->wait();
        delete job->Thread;
    }
}

void TShowSoundtrack::SetTrack(const TSoundtrack& track)
{
    // The same music is read again only when nothing was learnt of it yet (it may
    // have been missing, or the last reading cancelled).
    const bool sameMusic = track.MusicFile == FTrack.MusicFile && (FAnalysis || IsAnalysing());
    FTrack = track;
    if (!sameMusic) {
        FAnalysis.reset();
        if (FLoaded && FLoaded->FileName == FTrack.MusicFile) {
            FAnalysis = FLoaded;   // read just before it was chosen
            Cancel(false);
        } else if (FTrack.IsSet() && !MusicMissing()) {
            Analyse();
        } else {
            Cancel(false);
        }
    }
    FLoaded.reset();
    emit changed();
}

bool TShowSoundtrack::MusicMissing() const
{
    return FTrack.IsSet() && !QFileInfo(FTrack.MusicFile).isFile();
}

bool TShowSoundtrack::IsAnalysing() const
{
    return FRunning && !FRunning->Ahead;
}

bool TShowSoundtrack::IsLoading() const
{
    return FRunning && FRunning->Ahead;
}

void TShowSoundtrack::Analyse()
{
    Cancel(false);
    if (FTrack.IsSet())
        Start(FTrack.MusicFile, false);
}

void TShowSoundtrack::Load(const QString& fileName)
{
    // The current music's reading makes way; it starts again if this one is cancelled.
    StopJob();
    FLoaded.reset();
    Start(fileName, true);
}

void TShowSoundtrack::Start(const QString& fileName, bool ahead)
{
    auto job = std::make_shared<TJob>();
    job->FileName = fileName;
    job->Ahead = ahead;
    // The job holds only what it owns, so it may outlive a cancel or a new soundtrack.
    job->Thread = QThread::create([this, job] {
        int reported = -1;
        job->Result = AnalyseMusic(job->FileName, *job->Analysis, [&](double done) {
            const int percent = int(done * 100);
            if (percent != reported) {
                reported = percent;
                QMetaObject::invokeMethod(this, [this, job, percent] {
                    if (FRunning == job)
                        emit analysisProgress(percent);
                }, Qt::QueuedConnection);
            }
            return !job->Cancel.load();
        });
    });
    connect(job->Thread, &QThread::finished, this, [this, job] { Finished(job); });
    FRunning = job;
    Jobs.push_back(job);
    emit analysisStarted();
    job->Thread->start(QThread::LowPriority);
}

void TShowSoundtrack::StopJob()
{
    if (FRunning)
        std::exchange(FRunning, nullptr)->Cancel = true;
}

void TShowSoundtrack::CancelAnalysis()
{
    Cancel(true);
}

void TShowSoundtrack::Cancel(bool resume)
{
    if (!FRunning)
        return;
    const bool ahead = FRunning->Ahead;
    StopJob();
    TMusicResult cancelled;
    cancelled.cancelled = true;
    emit analysisEnded(cancelled, ahead);
    if (ahead && resume)
        ResumeTrack();
}

// After a Load that came to nothing: the current music is read again if its
// reading made way for it.
void TShowSoundtrack::ResumeTrack()
{
    if (!FRunning && !FAnalysis && FTrack.IsSet() && !MusicMissing())
        Start(FTrack.MusicFile, false);
}

void TShowSoundtrack::Finished(const std::shared_ptr<TJob>& job)
{
    job->Thread->wait();
    delete job->Thread;
    Jobs.erase(std::find(Jobs.begin(), Jobs.end(), job));
    if (FRunning != job)
        return;   // cancelled or replaced meanwhile
    FRunning.reset();
    if (job->Ahead) {
        if (job->Result.outcome.ok) {
            FLoaded = job->Analysis;
            emit loaded(job->FileName);
            emit analysisEnded(job->Result, true);
        } else {
            emit analysisEnded(job->Result, true);
            ResumeTrack();
        }
        return;
    }
    if (job->Result.outcome.ok)
        FAnalysis = job->Analysis;
    emit analysisEnded(job->Result, false);
    emit changed();
}

bool TShowSoundtrack::WaitForAnalysis(int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (FRunning && clock.elapsed() < timeoutMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    return !FRunning;
}
