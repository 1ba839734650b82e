#include "FormUnitPreview.h"

#include "Artwork.h"
#include "Prompts.h"
#include "ShowFile.h"

#include <QAction>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QScreen>
#include <QSlider>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <QtEndian>
#include <algorithm>
#include <climits>
#include <cstring>
#include <new>

namespace {

// Long enough to draw a good stretch, short enough that the window answers at once.
constexpr int SliceMilliseconds = 12;

const QString CaptionPlaying = QStringLiteral("Preview playing...");
const QString CaptionStopped = QStringLiteral("Preview stopped...");

// The line from (x0, y0) towards (x1, y1) without its end point, as a Windows LineTo
// draws it: the next line starts there. Both ends lie inside the 256 x 256 picture.
void LineTo(QRgb* bits, qsizetype stride, int x0, int y0, int x1, int y1, QRgb colour)
{
    const int dx = std::abs(x1 - x0), dy = std::abs(y1 - y0);
    const int sx = x0 < x1 ? 1 : -1;
    const qsizetype sy = y0 < y1 ? stride : -stride;
    QRgb* p = bits + y0 * stride + x0;
    if (dx >= dy) {
        int err = dx / 2;
        for (int i = 0; i < dx; ++i) {
            *p = colour;
            p += sx;
            err -= dy;
            if (err < 0) {
                p += sy;
                err += dx;
            }
        }
    } else {
        int err = dy / 2;
        for (int i = 0; i < dy; ++i) {
            *p = colour;
            p += sy;
            err -= dx;
            if (err < 0) {
                p += sx;
                err += dy;
            }
        }
    }
}

// imgPreview: puts the trace's picture on screen.
class TPreviewImage : public QWidget {
public:
    TPreviewImage(const TPreviewTrace& trace, QWidget* parent) : QWidget(parent), Trace(trace)
    {
        setAttribute(Qt::WA_OpaquePaintEvent);
        setFixedSize(TPreviewTrace::PictureSize, TPreviewTrace::PictureSize);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.drawImage(0, 0, Trace.Picture());
    }

private:
    const TPreviewTrace& Trace;
};

QString ResolveWaveFile(const QString& showFileName)
{
    if (showFileName.isEmpty())
        return {};
    const QString upper = WaveFileName(showFileName);
    if (QFileInfo(upper).isFile())
        return upper;
    // Written elsewhere under the other spelling, on a file system that tells case apart.
    const QString lower = showFileName + QStringLiteral(".wav");
    return QFileInfo(lower).isFile() ? lower : QString();
}

} // namespace

// --- decoding -------------------------------------------------------------------------------

TPreviewSample DecodeSample(quint32 word)
{
    TPreviewSample sample;
    const int x = int((word >> 8) & 0xFF), y = int(word >> 24);
    sample.X = (x - 128) & 0xFF;
    sample.Y = (128 - y) & 0xFF;
    sample.Color = word & 1;
    sample.Blank = word & 2;
    return sample;
}

QString WaveHeaderProblem(const QByteArray& file)
{
    if (file.size() < TPreviewTrace::FirstSample)
        return QStringLiteral("it is shorter than a wave file's 44-byte header");
    const char* h = file.constData();
    const auto u16 = [h](int at) { return qFromLittleEndian<quint16>(h + at); };
    if (std::memcmp(h, "RIFF", 4) != 0 || std::memcmp(h + 8, "WAVE", 4) != 0)
        return QStringLiteral("it is not a wave file");
    if (std::memcmp(h + 12, "fmt ", 4) != 0 || qFromLittleEndian<quint32>(h + 16) != 16
        || std::memcmp(h + 36, "data", 4) != 0)
        return QStringLiteral("its header is not the 44-byte header the compiler writes");
    if (u16(20) != 1 || u16(22) != 2 || u16(34) != 16)
        return QStringLiteral("it does not hold 16-bit stereo samples");
    return {};
}

// --- the drawing core -----------------------------------------------------------------------

TPreviewTrace::TPreviewTrace()
    : Image(PictureSize, PictureSize, QImage::Format_RGB32)
    , Norm{qRgb(255, 0, 0), qRgb(0, 0, 255)}
{
    Image.fill(Qt::black);
}

void TPreviewTrace::SetSamples(const QByteArray& file)
{
    Samples = file;
    Start();
}

void TPreviewTrace::SetColors(const QColor& norm0, const QColor& norm1)
{
    Norm[0] = norm0.rgb();
    Norm[1] = norm1.rgb();
}

void TPreviewTrace::Start(qint64 position)
{
    position = std::max(position, FirstSample);
    Position = FirstSample + (position - FirstSample) / 4 * 4;
    LastWipe = Position;
    Word = 0;
    Image.fill(Qt::black);
    PenX = PenY = 128;
    SinceRepaint = Repaints = 0;
}

TPreviewTrace::TStep TPreviewTrace::DrawToRepaint()
{
    const uchar* bytes = reinterpret_cast<const uchar*>(Samples.constData());
    const qint64 size = Samples.size();
    QRgb* bits = reinterpret_cast<QRgb*>(Image.bits());
    const qsizetype stride = Image.bytesPerLine() / qsizetype(sizeof(QRgb));
    while (Position < size) {
        if (size - Position >= 4) {
            Word = qFromLittleEndian<quint32>(bytes + Position);
            Position += 4;
        } else {
            uchar w[4];
            qToLittleEndian(Word, w);
            std::memcpy(w, bytes + Position, size_t(size - Position));
            Word = qFromLittleEndian<quint32>(w);
            Position = size;
        }
        const TPreviewSample sample = DecodeSample(Word);
        if (!sample.Blank)
            LineTo(bits, stride, PenX, PenY, sample.X, sample.Y, Norm[sample.Color]);
        PenX = sample.X;
        PenY = sample.Y;
        if (++SinceRepaint == RepaintSamples) {
            SinceRepaint = 0;
            if (++Repaints == WipeRepaints) {
                Image.fill(Qt::black);
                LastWipe = Position;
                Repaints = 0;
                return TStep::Wipe;
            }
            return TStep::Repaint;
        }
    }
    return TStep::End;
}

// --- the window -----------------------------------------------------------------------------

TFormPreview::TFormPreview(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FormPreview"));
    setWindowTitle(QStringLiteral("Show preview"));
    setWindowFlags(Qt::Tool | Qt::WindowStaysOnTopHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    aPlay = new QAction(ToolIcon(QStringLiteral("play")), QStringLiteral("Play"), this);
    aPlay->setObjectName(QStringLiteral("aPlay"));
    aLoop = new QAction(ToolIcon(QStringLiteral("repeat")), QStringLiteral("Loop"), this);
    aLoop->setObjectName(QStringLiteral("aLoop"));
    aLoop->setCheckable(true);
    aRewind = new QAction(style()->standardIcon(QStyle::SP_MediaSkipBackward), QStringLiteral("Rewind"), this);
    aRewind->setObjectName(QStringLiteral("aRewind"));
    aStop = new QAction(ToolIcon(QStringLiteral("stop")), QStringLiteral("Stop"), this);
    aStop->setObjectName(QStringLiteral("aStop"));
    aStop->setEnabled(false);

    toolbarPreview = new QToolBar(this);
    toolbarPreview->setObjectName(QStringLiteral("toolbarPreview"));
    toolbarPreview->setIconSize(QSize(16, 16));
    bnPreviewPos = AddButton(aRewind, QStringLiteral("bnPreviewPos"));
    bnPlay = AddButton(aPlay, QStringLiteral("bnPlay"));
    bnLoop = AddButton(aStop, QStringLiteral("bnLoop"));
    toolbarPreview->addSeparator();
    bnRewind = AddButton(aLoop, QStringLiteral("bnRewind"));
    toolbarPreview->addSeparator();
    tbPreviewPos = new QSlider(Qt::Horizontal, toolbarPreview);
    tbPreviewPos->setObjectName(QStringLiteral("tbPreviewPos"));
    tbPreviewPos->setTickPosition(QSlider::NoTicks);
    tbPreviewPos->setMinimumWidth(40);
    tbPreviewPos->setRange(int(TPreviewTrace::FirstSample), int(TPreviewTrace::FirstSample));
    toolbarPreview->addWidget(tbPreviewPos);

    imgPreview = new TPreviewImage(SampleTrace, this);
    imgPreview->setObjectName(QStringLiteral("imgPreview"));

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    toolbarPreview->setFixedWidth(TPreviewTrace::PictureSize);
    layout->addWidget(toolbarPreview);
    layout->addWidget(imgPreview);

    SliceTimer = new QTimer(this);
    SliceTimer->setInterval(0);
    connect(SliceTimer, &QTimer::timeout, this, &TFormPreview::DrawSlice);
    connect(aPlay, &QAction::triggered, this, &TFormPreview::aPlayExecute);
    connect(aRewind, &QAction::triggered, this, &TFormPreview::aRewindExecute);
    connect(aStop, &QAction::triggered, this, &TFormPreview::aStopExecute);
    connect(tbPreviewPos, &QSlider::actionTriggered, this, &TFormPreview::tbPreviewPosActionTriggered);
}

QToolButton* TFormPreview::AddButton(QAction* action, const QString& name)
{
    auto* button = new QToolButton(toolbarPreview);
    button->setObjectName(name);
    button->setDefaultAction(action);
    button->setAutoRaise(true);
    toolbarPreview->addWidget(button);
    return button;
}

TFormPreview::TShowResult TFormPreview::ShowPreview(const QString& showFileName, const TColorSettings& colors,
                                                    TPrompts& prompts)
{
    const QString waveFile = ResolveWaveFile(showFileName);
    if (waveFile.isEmpty()) {
        prompts.Tell(TMsgIcon::Information, QStringLiteral("Hey, you need to compile first!"));
        return TShowResult::Missing;
    }
    SetColors(colors.Norm[0], colors.Norm[1]);
    setWindowTitle(QStringLiteral("Preview loading..."));
    const QString problem = LoadSamples(waveFile);
    if (!problem.isEmpty()) {
        prompts.Tell(TMsgIcon::Error, problem);
        return TShowResult::Unreadable;
    }
    exec();   // showing it starts the drawing
    setWindowTitle(QStringLiteral("Preview ended..."));
    return TShowResult::Shown;
}

QString TFormPreview::LoadSamples(const QString& waveFileName)
{
    StopDrawing();
    SampleStream.clear();   // the old file's memory goes first
    SampleTrace.SetSamples(SampleStream);
    SliderUnit = 1;
    tbPreviewPos->setRange(int(TPreviewTrace::FirstSample), int(TPreviewTrace::FirstSample));
    const QString shown = QDir::toNativeSeparators(waveFileName);
    QFile file(waveFileName);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("The wave file \"%1\" could not be read: %2.").arg(shown, file.errorString());
    QByteArray data;
    try {
        data = file.readAll();
    } catch (const std::bad_alloc&) {
        return QStringLiteral("The wave file \"%1\" is too large to preview.").arg(shown);
    }
    if (file.error() != QFileDevice::NoError || data.size() != file.size())
        return QStringLiteral("The wave file \"%1\" could not be read: %2.").arg(shown, file.errorString());
    const QString problem = WaveHeaderProblem(data);
    if (!problem.isEmpty())
        return QStringLiteral("The file \"%1\" is not a compiled show: %2.").arg(shown, problem);

    SampleStream = data;
    SampleTrace.SetSamples(SampleStream);
    setWindowTitle(QStringLiteral("Preview loaded..."));
    // A slider holds int values: beyond 2 GB one step covers several bytes.
    SliderUnit = std::max<qint64>(1, (SampleStream.size() + INT_MAX - 1) / INT_MAX);
    tbPreviewPos->setRange(SliderValue(TPreviewTrace::FirstSample), SliderValue(SampleStream.size()));
    tbPreviewPos->setValue(SliderValue(TPreviewTrace::FirstSample));
    tbPreviewPos->setPageStep(std::max(1, SliderValue(SampleStream.size() / 20)));
    tbPreviewPos->setSingleStep(std::max(1, SliderValue(44100 * 4)));   // a second of show
    imgPreview->update();
    return {};
}

void TFormPreview::SetColors(const QColor& norm0, const QColor& norm1)
{
    SampleTrace.SetColors(norm0, norm1);
}

bool TFormPreview::IsDrawing() const
{
    return SliceTimer->isActive();
}

int TFormPreview::SliderValue(qint64 streamPosition) const
{
    return int(streamPosition / SliderUnit);
}

qint64 TFormPreview::StreamPositionAt(int sliderValue) const
{
    return qint64(sliderValue) * SliderUnit;
}

void TFormPreview::aPlayExecute()
{
    StartDrawing(TPreviewTrace::FirstSample);
}

void TFormPreview::aRewindExecute()
{
    StartDrawing(TPreviewTrace::FirstSample);
}

void TFormPreview::aStopExecute()
{
    if (!IsDrawing())
        return;
    StopDrawing();
    setWindowTitle(CaptionStopped);
}

void TFormPreview::tbPreviewPosActionTriggered(int)
{
    // Only the user's moves arrive here; the drawing's own updates use setValue.
    StartDrawing(StreamPositionAt(tbPreviewPos->sliderPosition()));
}

void TFormPreview::StartDrawing(qint64 position)
{
    SampleTrace.Start(position);
    setWindowTitle(CaptionPlaying);
    imgPreview->update();
    if (SampleTrace.AtEnd()) {
        // Nothing to draw (a file of just the header, or the slider at its end).
        StopDrawing();
        setWindowTitle(CaptionStopped);
        emit samplesEnded();
        return;
    }
    aStop->setEnabled(true);
    emit drawingStarted(SampleTrace.StreamPosition());
    StartPace(SampleTrace.StreamPosition());
    SliceTimer->start();
}

void TFormPreview::StopDrawing()
{
    const bool wasDrawing = SliceTimer->isActive();
    SliceTimer->stop();
    aStop->setEnabled(false);
    if (wasDrawing)
        emit drawingStopped();
}

void TFormPreview::StartPace(qint64 position)
{
    PaceFrom = position;
    PaceClock.start();
    // Paced, the slices come a few milliseconds apart rather than back to back.
    SliceTimer->setInterval(Paced ? 5 : 0);
}

bool TFormPreview::AheadOfPace() const
{
    if (!Paced)
        return false;
    const qint64 due = PaceFrom + PaceClock.nsecsElapsed() * 44100 / 1000000000 * 4;
    return SampleTrace.StreamPosition() >= due;
}

void TFormPreview::DrawSlice()
{
    QElapsedTimer clock;
    clock.start();
    bool wiped = false;
    for (;;) {
        if (AheadOfPace())
            break;
        const TPreviewTrace::TStep step = SampleTrace.DrawToRepaint();
        if (step == TPreviewTrace::TStep::Wipe)
            wiped = true;
        if (step == TPreviewTrace::TStep::End) {
            if (!aLoop->isChecked()) {
                StopDrawing();
                setWindowTitle(CaptionStopped);
                emit samplesEnded();
                break;
            }
            emit samplesEnded();
            if (!IsDrawing())   // a receiver stopped it
                break;
            SampleTrace.Start();
            emit drawingStarted(SampleTrace.StreamPosition());
            StartPace(SampleTrace.StreamPosition());
        }
        if (clock.elapsed() >= SliceMilliseconds)
            break;
    }
    // Leave the slider alone while the user holds it.
    if (wiped && !tbPreviewPos->isSliderDown())
        tbPreviewPos->setValue(SliderValue(SampleTrace.WipePosition()));
    imgPreview->update();
}

void TFormPreview::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    if (QScreen* screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());
    // Each showing draws the file anew.
    aPlayExecute();
}

void TFormPreview::hideEvent(QHideEvent* event)
{
    StopDrawing();
    QDialog::hideEvent(event);
}
