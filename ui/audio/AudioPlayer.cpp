#include "AudioPlayer.h"

#include "LaserFrame.h"
#include "LiveOutput.h"

#include <QAudioSink>
#include <QDir>
#include <QFile>
#include <QMediaDevices>
#include <QSet>
#include <QTimer>
#include <QtEndian>
#include <cstring>
#include <limits>

constexpr int WaveHeaderSize = 44;
constexpr int BytesPerSecond = 44100 * 4;
constexpr int MaxDrainMs = 3000; // far more than any sink buffers

// Hands the sink the data bytes of a WAV file once, or of a memory image in an
// endless loop. Unbuffered, so the bytes go to the sink as they are.
class TSampleSource : public QIODevice {
public:
    explicit TSampleSource(const QByteArray& loop)
        : FLoop(loop), FLength(loop.size())
    {
    }
    TSampleSource(std::unique_ptr<QFile> file, qint64 length)
        : FFile(std::move(file)), FLength(length)
    {
    }

    bool IsLoop() const { return !FFile; }
    bool Exhausted() const { return FFile && FDelivered >= FLength; }
    qint64 Delivered() const { return FDelivered; }
    qint64 Length() const { return FLength; }

    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override
    {
        if (IsLoop())
            return std::numeric_limits<qint32>::max();
        return FLength - FDelivered + QIODevice::bytesAvailable();
    }
    void close() override
    {
        if (FFile)
            FFile->close();
        QIODevice::close();
    }

protected:
    qint64 readData(char* data, qint64 max) override
    {
        return IsLoop() ? ReadLoop(data, max) : ReadFile(data, max);
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    qint64 ReadLoop(char* data, qint64 max)
    {
        qint64 done = 0;
        while (done < max) {
            const qint64 at = FDelivered % FLength;
            const qint64 n = qMin(max - done, FLength - at);
            memcpy(data + done, FLoop.constData() + at, size_t(n));
            done += n;
            FDelivered += n;
        }
        return done;
    }
    qint64 ReadFile(char* data, qint64 max)
    {
        const qint64 n = FFile->read(data, qMin(max, FLength - FDelivered));
        if (n < 0)
            return -1;
        FDelivered += n;
        return n;
    }

    QByteArray FLoop;
    std::unique_ptr<QFile> FFile;
    qint64 FLength = 0;
    qint64 FDelivered = 0;
};

QAudioFormat LaserWaveFormat()
{
    QAudioFormat format;
    format.setSampleRate(44100);
    format.setChannelCount(2);
    format.setSampleFormat(QAudioFormat::Int16);
    format.setChannelConfig(QAudioFormat::ChannelConfigStereo);
    return format;
}

QString SignalWarning(const QAudioDevice& device)
{
    if (device.isNull())
        return QString();
    const QAudioFormat wanted = LaserWaveFormat();
    const QAudioFormat preferred = device.preferredFormat();
    if (device.isFormatSupported(wanted) && preferred.sampleRate() == wanted.sampleRate()
        && preferred.channelCount() == wanted.channelCount()
        && preferred.sampleFormat() == wanted.sampleFormat())
        return QString();
    return QStringLiteral("The sound device \"%1\" does not work at 44100 Hz 16-bit stereo: "
                          "the sound system may alter the laser signal.")
        .arg(device.description());
}

TAudioPlayer::TAudioPlayer(QObject* parent)
    : QObject(parent), FDrain(new QTimer(this))
{
    // Watches a playing file for its end.
    FDrain->setInterval(10);
    connect(FDrain, &QTimer::timeout, this, &TAudioPlayer::CheckDrained);
}

TAudioPlayer::~TAudioPlayer()
{
    Release();
}

qint64 TAudioPlayer::CheckWaveHeader(const QByteArray& header, QString& error)
{
    if (header.size() < WaveHeaderSize) {
        error = QStringLiteral("The file is too short to be a WAV file.");
        return -1;
    }
    const auto h = reinterpret_cast<const uchar*>(header.constData());
    auto u16 = [h](int at) { return qFromLittleEndian<quint16>(h + at); };
    auto u32 = [h](int at) { return qFromLittleEndian<quint32>(h + at); };
    if (memcmp(h, "RIFF", 4) != 0 || memcmp(h + 8, "WAVEfmt ", 8) != 0
        || memcmp(h + 36, "data", 4) != 0 || u32(16) != 16) {
        error = QStringLiteral("The file is not a WAV file with a 44-byte header.");
        return -1;
    }
    if (u16(20) != 1 || u16(22) != 2 || u32(24) != 44100 || u16(34) != 16 || u16(32) != 4
        || u32(28) != quint32(BytesPerSecond)) {
        error = QStringLiteral("The file is not 16-bit stereo PCM at 44100 Hz.");
        return -1;
    }
    return u32(40);
}

bool TAudioPlayer::Open()
{
    Close();
    QFile file(FFileName);
    if (OpenChecked(file) < 0)
        return false;
    FMode = TPlayerMode::Stopped;
    return true;
}

qint64 TAudioPlayer::OpenChecked(QFile& file)
{
    QString reason;
    qint64 declared = -1;
    if (!file.open(QIODevice::ReadOnly))
        reason = file.errorString();
    else
        declared = CheckWaveHeader(file.read(WaveHeaderSize), reason);
    if (declared < 0)
        FError = QStringLiteral("Cannot play %1: %2").arg(QDir::toNativeSeparators(FFileName), reason);
    return declared;
}

bool TAudioPlayer::Play()
{
    if (FMode == TPlayerMode::Playing && FSource && !FSource->IsLoop())
        return true;
    if (FMode == TPlayerMode::NotReady) {
        FError = QStringLiteral("The player is not open.");
        return false;
    }
    // Read the header again: the file may have been compiled anew since Open.
    auto file = std::make_unique<QFile>(FFileName);
    const qint64 declared = OpenChecked(*file);
    if (declared < 0)
        return false;
    // A header that claims more than the file holds plays what is there; a
    // trailing partial sample frame is left out.
    qint64 length = qMin(declared, file->size() - WaveHeaderSize);
    length -= length % 4;
    return Start(std::make_unique<TSampleSource>(std::move(file), length));
}

bool TAudioPlayer::PlayLoop(const QByteArray& waveImage)
{
    Close();
    const qint64 declared = CheckWaveHeader(waveImage.left(WaveHeaderSize), FError);
    if (declared < 0)
        return false;
    qint64 length = qMin(declared, qint64(waveImage.size()) - WaveHeaderSize);
    length -= length % 4;
    if (length <= 0) {
        FError = QStringLiteral("The sound holds no samples.");
        return false;
    }
    // Shares the caller's bytes; the caller's next write detaches its copy.
    const QByteArray samples = waveImage.sliced(WaveHeaderSize, length);
    return Start(std::make_unique<TSampleSource>(samples));
}

bool TAudioPlayer::Start(std::unique_ptr<TSampleSource> source)
{
    const TPlayerMode previous = FMode;
    Release();
    const QAudioDevice device = FDevice.isNull() ? QMediaDevices::defaultAudioOutput() : FDevice;
    if (device.isNull()) {
        FError = QStringLiteral("There is no sound output device.");
        FMode = source->IsLoop() ? TPlayerMode::NotReady : previous;
        return false;
    }
    static QSet<QByteArray> warned; // one warning per device for the whole run
    if (!warned.contains(device.id())) {
        warned.insert(device.id());
        FPendingWarning = SignalWarning(device);
    }

    source->open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    FSource = std::move(source);
    FSink = new QAudioSink(device, LaserWaveFormat(), this);
    FSink->setVolume(1.0);
    connect(FSink, &QAudioSink::stateChanged, this, &TAudioPlayer::SinkStateChanged);
    FSink->start(FSource.get());
    if (FSink->error() != QAudio::NoError || FSink->state() == QAudio::StoppedState) {
        FError = QStringLiteral("The sound device could not be started.");
        const bool loop = FSource->IsLoop();
        Release();
        FMode = loop ? TPlayerMode::NotReady : previous;
        return false;
    }
    FMode = TPlayerMode::Playing;
    if (!FSource->IsLoop()) {
        FDrainClock.invalidate();
        FDrain->start();
    }
    return true;
}

void TAudioPlayer::Close()
{
    Release();
    FMode = TPlayerMode::NotReady;
}

void TAudioPlayer::Release()
{
    FDrain->stop();
    if (FSource)
        FSource->close(); // lets go of the file now
    if (FSink)
        disconnect(FSink, nullptr, this, nullptr);
    RetireSink(FSink, FSource);
}

bool TAudioPlayer::IsLooping() const
{
    return FMode == TPlayerMode::Playing && FSource && FSource->IsLoop();
}

QString TAudioPlayer::TakeFormatWarning()
{
    return std::exchange(FPendingWarning, QString());
}

void TAudioPlayer::SinkStateChanged()
{
    if (FSink && FSink->state() == QAudio::StoppedState && FSink->error() != QAudio::NoError)
        Finish(true);
}

void TAudioPlayer::CheckDrained()
{
    if (!FSink || !FSource || !FSource->Exhausted()) {
        FDrainClock.invalidate();
        return;
    }
    // The file is used up when the sink has taken it, but the device still
    // plays what it buffered: the end comes when the played time reaches the
    // file's. A device that stops counting must not keep the player busy for ever.
    if (!FDrainClock.isValid())
        FDrainClock.start();
    const qint64 totalUSecs = FSource->Length() * 1000000 / BytesPerSecond;
    if (FSink->processedUSecs() >= totalUSecs || FDrainClock.elapsed() > MaxDrainMs)
        Finish(false);
}

void TAudioPlayer::Finish(bool deviceFailed)
{
    Release();
    FMode = deviceFailed ? TPlayerMode::NotReady : TPlayerMode::Stopped;
    if (FNotify) {
        FNotify = false;
        emit Notify();
    }
}

TShowPlayback::TShowPlayback(QObject* parent)
    : QObject(parent), mpPreview(new TAudioPlayer(this))
{
    mpPreview->setObjectName(QStringLiteral("mpPreview"));
    connect(mpPreview, &TAudioPlayer::Notify, this, &TShowPlayback::PreviewNotify);
}

TShowPlayback::TPlayResult TShowPlayback::PlayClick(const QString& waveFileName)
{
    if (!QFile::exists(waveFileName))
        return TPlayResult::NoWaveFile;
    mpPreview->SetFileName(waveFileName);
    mpPreview->SetNotify(false);
    if (!mpPreview->Open())
        return TPlayResult::Failed;
    mpPreview->SetNotify(true);
    if (!mpPreview->Play()) {
        mpPreview->SetNotify(false);
        return TPlayResult::Failed;
    }
    emit Started();
    emit ButtonsChanged(false, true);
    return TPlayResult::Playing;
}

void TShowPlayback::StopClick()
{
    emit ButtonsChanged(true, false);
    const TPlayerMode mode = mpPreview->Mode();
    if (mode != TPlayerMode::NotReady && mode != TPlayerMode::Stopped) {
        // Notice off first, so that closing does not restart a repeat.
        mpPreview->SetNotify(false);
        mpPreview->Close();
    }
}

void TShowPlayback::ReleaseFile()
{
    if (mpPreview->Mode() == TPlayerMode::Playing)
        StopClick();
    else
        mpPreview->Close();
}

void TShowPlayback::PreviewNotify()
{
    const TPlayerMode mode = mpPreview->Mode();
    if (mode == TPlayerMode::Playing) {
        emit ButtonsChanged(false, true);
        return;
    }
    if (Repeat && (mode == TPlayerMode::Stopped || mode == TPlayerMode::Seeking
                   || mode == TPlayerMode::Paused || mode == TPlayerMode::Open)) {
        mpPreview->SetNotify(true);
        if (mpPreview->Play()) {
            emit Started();
            return;
        }
        mpPreview->SetNotify(false); // the file went away or the device failed
    }
    emit ButtonsChanged(true, false);
}

bool RunLiveOutput(TAudioPlayer& player, QByteArray& liveStream, bool liveDown,
                   const TLaserFrame& frame, const TScanDelays& delays, bool flipX, bool flipY)
{
    player.Stop();
    if (!liveDown || frame.PointCount() < LiveMinimumPoints)
        return true;
    if (!BuildLiveImage(liveStream, frame, delays, flipX, flipY))
        return true; // renders to nothing (delays of 0): nothing to loop
    return player.PlayLoop(liveStream);
}
