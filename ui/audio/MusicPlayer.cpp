#include "MusicPlayer.h"

#include "AudioPlayer.h"

#include <QAudioFormat>
#include <QAudioSink>
#include <QIODevice>
#include <algorithm>
#include <cstring>
#include <vector>

// Hands the sink the music as 16-bit samples (one or two channels), after
// `silence` bytes of nothing.
class TMusicSource : public QIODevice {
public:
    TMusicSource(TMusicReader& reader, qint64 silence)
        : Reader(reader), Silence(silence), Channels(std::min(reader.Info().Channels, 2))
    {
    }

    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override { return Ended ? 0 : 1 << 20; }

protected:
    qint64 readData(char* data, qint64 max) override
    {
        qint64 done = 0;
        if (Silence > 0) {
            const qint64 n = std::min(Silence, max) / FrameBytes() * FrameBytes();
            std::memset(data, 0, size_t(n));
            Silence -= n;
            done += n;
            if (Silence < FrameBytes())
                Silence = 0;
        }
        const int fileChannels = Reader.Info().Channels;
        const qint64 frames = (max - done) / FrameBytes();
        if (frames <= 0 || Ended)
            return done;
        Buffer.resize(size_t(frames * fileChannels));
        const qint64 got = Reader.ReadShort(Buffer.data(), frames);
        if (got <= 0) {
            Ended = true;
            return done;
        }
        auto* out = reinterpret_cast<qint16*>(data + done);
        if (fileChannels == Channels) {
            std::memcpy(out, Buffer.data(), size_t(got * FrameBytes()));
        } else {
            // More than two channels: the first two are the front pair.
            for (qint64 i = 0; i < got; ++i)
                for (int c = 0; c < Channels; ++c)
                    out[i * Channels + c] = Buffer[size_t(i * fileChannels + c)];
        }
        return done + got * FrameBytes();
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    qint64 FrameBytes() const { return 2 * Channels; }

    TMusicReader& Reader;
    qint64 Silence;
    const int Channels;
    bool Ended = false;
    std::vector<qint16> Buffer;
};

TMusicPlayer::TMusicPlayer(QObject* parent) : QObject(parent) {}

TMusicPlayer::~TMusicPlayer()
{
    Stop();
}

bool TMusicPlayer::Open(const QString& fileName)
{
    Stop();
    auto reader = std::make_unique<TMusicReader>();
    if (!reader->Open(fileName)) {
        FError = reader->Error();
        FReader.reset();
        return false;
    }
    FReader = std::move(reader);
    return true;
}

void TMusicPlayer::Close()
{
    Stop();
    FReader.reset();
}

bool TMusicPlayer::IsOpen() const
{
    return FReader && FReader->IsOpen();
}

QString TMusicPlayer::FileName() const
{
    return FReader ? FReader->FileName() : QString();
}

double TMusicPlayer::Seconds() const
{
    return IsOpen() ? FReader->Info().Seconds() : 0.0;
}

bool TMusicPlayer::Start(qint64 showMs, int offsetMs)
{
    Stop();
    if (!IsOpen()) {
        FError = QStringLiteral("No music is open.");
        return false;
    }
    if (FDevice.isNull()) {
        FError = QStringLiteral("No sound output is chosen for the music.");
        return false;
    }
    const TMusicInfo& info = FReader->Info();
    const int channels = std::min(info.Channels, 2);
    // Music time = show time - offset; before the music starts there is silence.
    const qint64 musicMs = showMs - offsetMs;
    FStartMs = musicMs;
    qint64 silence = 0;
    if (musicMs < 0) {
        silence = -musicMs * info.SampleRate / 1000 * 2 * channels;
        FReader->Seek(0);
    } else if (!FReader->Seek(musicMs * info.SampleRate / 1000)) {
        FError = FReader->Error();
        return false;
    }

    QAudioFormat format;
    format.setSampleRate(info.SampleRate);
    format.setChannelCount(channels);
    format.setSampleFormat(QAudioFormat::Int16);
    FSource = std::make_unique<TMusicSource>(*FReader, silence);
    FSource->open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    // No parent: a sink winds down after Stop, and the player may be gone by then.
    FSink = new QAudioSink(FDevice, format);
    FSink->start(FSource.get());
    if (FSink->error() != QAudio::NoError || FSink->state() == QAudio::StoppedState) {
        FError = QStringLiteral("The music could not be played on \"%1\".").arg(FDevice.description());
        Stop();
        return false;
    }
    return true;
}

qint64 TMusicPlayer::PositionMs() const
{
    return FSink ? FStartMs + FSink->processedUSecs() / 1000 : FStartMs;
}

void TMusicPlayer::Stop()
{
    RetireSink(FSink, FSource);
}
