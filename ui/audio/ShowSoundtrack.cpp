#include "ShowSoundtrack.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QThread>
#include <algorithm>
#include <atomic>

struct TShowSoundtrack::TJob {
    QString FileName;
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
    const bool sameMusic = track.MusicFile == FTrack.MusicFile && (FAnalysis || FRunning);
    FTrack = track;
    if (!sameMusic) {
        CancelAnalysis();
        FAnalysis.reset();
        if (FTrack.IsSet() && !MusicMissing())
            Analyse();
    }
    emit changed();
}

bool TShowSoundtrack::MusicMissing() const
{
    return FTrack.IsSet() && !QFileInfo(FTrack.MusicFile).isFile();
}

void TShowSoundtrack::Analyse()
{
    CancelAnalysis();
    if (!FTrack.IsSet())
        return;
    auto job = std::make_shared<TJob>();
    job->FileName = FTrack.MusicFile;
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

void TShowSoundtrack::CancelAnalysis()
{
    if (!FRunning)
        return;
    const std::shared_ptr<TJob> job = std::exchange(FRunning, nullptr);
    job->Cancel = true;
    TMusicResult cancelled;
    cancelled.cancelled = true;
    emit analysisEnded(cancelled);
}

void TShowSoundtrack::Finished(const std::shared_ptr<TJob>& job)
{
    job->Thread->wait();
    delete job->Thread;
    Jobs.erase(std::find(Jobs.begin(), Jobs.end(), job));
    if (FRunning != job)
        return;   // cancelled or replaced meanwhile
    FRunning.reset();
    if (job->Result.outcome.ok)
        FAnalysis = job->Analysis;
    emit analysisEnded(job->Result);
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
