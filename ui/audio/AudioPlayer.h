#pragma once

#include "ScanDelays.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QByteArray>
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>
#include <memory>

class QAudioSink;
class QFile;
class QTimer;
class TLaserFrame;
class TSampleSource;

// The modes a wave-audio player reports. TAudioPlayer itself only ever shows
// NotReady (closed), Stopped (open, not playing) and Playing; the others exist
// because the playback buttons' completion handler distinguishes them.
enum class TPlayerMode { NotReady, Stopped, Playing, Recording, Seeking, Paused, Open };

// The only signal the laser controller understands: 16-bit stereo at 44100 Hz.
QAudioFormat LaserWaveFormat();

// Text for the status bar when `device` would not take the laser signal as it
// is, so the sound system may resample or convert it; empty when it takes it.
QString SignalWarning(const QAudioDevice& device);

// What the live output shows when its loop cannot start.
inline const QString SoundFailedText = QStringLiteral("Sorry, sound can't be played.");
// What Play shows when the show has no wave file.
inline const QString CompileFirstText = QStringLiteral("You need to compile this show first.");

// Sends WAV samples to the sound card untouched: no decoder, volume or effect
// stands between the file and the device. Either plays a WAV file once (show
// playback; the caller repeats on the completion notice) or loops a WAV image
// held in memory (live output). Everything happens on the thread that owns the
// player; the completion notice arrives there too.
class TAudioPlayer : public QObject {
    Q_OBJECT
public:
    explicit TAudioPlayer(QObject* parent = nullptr);
    ~TAudioPlayer() override;

    // The output device; a null device (the default) means the system's
    // default output, looked up at every start.
    void SetDevice(const QAudioDevice& device) { FDevice = device; }

    // Show playback. Open checks the file's header and remembers it; the file
    // itself is held only while it plays, so a compile can rewrite it whenever
    // the player is not playing.
    void SetFileName(const QString& fileName) { FFileName = fileName; }
    QString FileName() const { return FFileName; }
    bool Open();
    // Arms the completion notice for the next end of a Play (one notice per arming).
    void SetNotify(bool on) { FNotify = on; }
    // Plays the file from its first sample (there is no pause, so the position
    // is always the start or the end, and the end rewinds). Reads the header
    // again, as a compile may have rewritten the file since Open.
    bool Play();
    // Stops at once and releases the file; the mode becomes NotReady. Sends
    // no completion notice.
    void Close();

    // Live output: stops whatever this player plays, then loops the WAV image
    // (header and samples) from the start, over and over, until replaced or
    // stopped. The image is copied (shared), so the caller may reuse its buffer.
    bool PlayLoop(const QByteArray& waveImage);
    // Stops a loop or a file alike; same as Close.
    void Stop() { Close(); }

    TPlayerMode Mode() const { return FMode; }
    bool IsLooping() const;
    QString ErrorString() const { return FError; }

    // The warning for the device the last start used, once per device for the
    // whole program; empty when there is nothing (new) to say.
    QString TakeFormatWarning();

    // Checks a 44-byte WAV header: PCM, 2 channels, 44100 Hz, 16 bits. Returns
    // the data chunk's byte count, or -1 with the reason in `error`.
    static qint64 CheckWaveHeader(const QByteArray& header, QString& error);

signals:
    // The completion notice: a Play ran to the end of the file, or the device
    // failed, while the notice was armed.
    void Notify();

private:
    qint64 OpenChecked(QFile& file); // the data byte count, or -1 with FError set
    bool Start(std::unique_ptr<TSampleSource> source);
    void Release();
    void SinkStateChanged();
    void CheckDrained();
    void Finish(bool deviceFailed);

    QAudioDevice FDevice;
    QString FFileName;
    QString FError;
    QString FPendingWarning;
    TPlayerMode FMode = TPlayerMode::NotReady;
    bool FNotify = false;
    std::unique_ptr<TSampleSource> FSource;
    QAudioSink* FSink = nullptr;
    QTimer* FDrain = nullptr;
    QElapsedTimer FDrainClock;
};

// How long a stopped sink is kept before it is deleted. Qt 6.4's PulseAudio sink
// asks the server to drain when its source runs out and leaves that request
// pending when it is stopped; an answer already on its way calls back into the
// sink, so deleting it at once let that call reach freed memory (a crash, or a
// hang inside the next sink's start). The server drops the request within
// milliseconds of the stop; the rest is margin for a busy machine.
inline constexpr int RetiredSinkGraceMs = 3000;

// Stops `sink` and deletes it, with the `source` it may still point to, a while
// after control is back in the event loop: this may run inside one of the sink's
// own signals, and the sound server may still answer it.
template <class Source>
void RetireSink(QAudioSink*& sink, std::unique_ptr<Source>& source)
{
    if (sink) {
        sink->stop();
        if (source)
            source.release()->setParent(sink);
        QTimer::singleShot(RetiredSinkGraceMs, sink, &QObject::deleteLater);
        sink = nullptr;
    }
    source.reset();
}

// The playback buttons' logic over the wave-audio player mpPreview: tbPlay,
// tbStop, tbRepeat and the completion notice. The main window connects
// ButtonsChanged to the two buttons' enabled states and RepeatPlay to tbRepeat.
class TShowPlayback : public QObject {
    Q_OBJECT
public:
    enum class TPlayResult { Playing, NoWaveFile, Failed };

    explicit TShowPlayback(QObject* parent = nullptr);

    TAudioPlayer* mpPreview = nullptr;
    bool Repeat = true; // tbRepeat down ("RepeatPlay")

    // tbPlay click for the show's wave file. NoWaveFile: the caller shows
    // CompileFirstText in an error box; Failed: the file or the device refused,
    // mpPreview->ErrorString() says why, and the buttons stay as they were.
    TPlayResult PlayClick(const QString& waveFileName);
    // tbStop click: shows the ready state, closes the player when it plays.
    void StopClick();
    // Before a compile rewrites the wave file: stops a playback in progress.
    void ReleaseFile();

signals:
    void ButtonsChanged(bool playEnabled, bool stopEnabled);
    // The file started playing from its first sample: at Play and at every repeat.
    void Started();

private:
    void PreviewNotify();
};

// The live output routine: with `liveDown` and a frame of at least three
// points, stops the loop, rebuilds `liveStream` for the frame and loops it;
// otherwise just stops. Returns false only when the loop could not start: the
// caller then raises tbLive and shows SoundFailedText.
bool RunLiveOutput(TAudioPlayer& player, QByteArray& liveStream, bool liveDown,
                   const TLaserFrame& frame, const TScanDelays& delays, bool flipX, bool flipY);
