#pragma once

#include "MusicTrack.h"

#include <QAudioDevice>
#include <QObject>
#include <QString>
#include <memory>

class QAudioSink;
class TMusicSource;

// Plays the soundtrack on its own output device, in step with the show: started
// at a show time, it plays what the music holds at that moment (with silence first
// when the music starts later in the show). The file is decoded as it plays.
class TMusicPlayer : public QObject {
    Q_OBJECT
public:
    explicit TMusicPlayer(QObject* parent = nullptr);
    ~TMusicPlayer() override;

    void SetDevice(const QAudioDevice& device) { FDevice = device; }
    const QAudioDevice& Device() const { return FDevice; }

    // Opens the music for playing; false with ErrorString() naming the file.
    bool Open(const QString& fileName);
    void Close();
    bool IsOpen() const;
    QString FileName() const;
    double Seconds() const;   // the open music's length; 0 when none is open

    // Starts at `showMs` of a show whose music begins `offsetMs` after the show.
    bool Start(qint64 showMs, int offsetMs);
    void Stop();
    bool IsPlaying() const { return FSink != nullptr; }
    // The music time (ms) heard now while it plays: where it started and what the
    // output has played since.
    qint64 PositionMs() const;
    QString ErrorString() const { return FError; }

private:
    QAudioDevice FDevice;
    std::unique_ptr<TMusicReader> FReader;
    std::unique_ptr<TMusicSource> FSource;
    QAudioSink* FSink = nullptr;
    QString FError;
    qint64 FStartMs = 0;   // music time at the start (negative: silence first)
};
