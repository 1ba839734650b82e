#pragma once

#include "ProgramSettings.h"

#include <QByteArray>
#include <QDialog>
#include <QElapsedTimer>
#include <QImage>
#include <QPoint>
#include <QRgb>

class QAction;
class QSlider;
class QTimer;
class QToolBar;
class QToolButton;
class TPrompts;

// One sample frame of a compiled show as the preview reads it: a 32-bit
// little-endian word, byte 0 the flags, byte 1 x, byte 3 y (byte 2 unused).
struct TPreviewSample {
    int X = 0, Y = 0;      // 0..255 on the picture
    bool Color = false;    // flag bit 0: the second laser colour
    bool Blank = false;    // flag bit 1: the beam moves dark
};
TPreviewSample DecodeSample(quint32 word);

// What keeps `file` (a whole wave file) from being a compiled show's file;
// empty when its 44-byte header is one of ours.
QString WaveHeaderProblem(const QByteArray& file);

// Draws a compiled show's samples onto a 256 x 256 picture the way the beam
// traces them. No widgets: the window drives it, tests and benchmarks run it alone.
class TPreviewTrace {
public:
    static constexpr qint64 FirstSample = 44;     // byte position of the first sample frame
    static constexpr int RepaintSamples = 200;    // samples between two screen repaints
    static constexpr int WipeRepaints = 10;       // repaints between two wipes of the picture
    static constexpr int PictureSize = 256;

    enum class TStep {
        Repaint,   // 200 more samples drawn: time to show the picture
        Wipe,      // as Repaint, and the picture was wiped just before
        End,       // no samples left
    };

    TPreviewTrace();

    void SetSamples(const QByteArray& file);   // the whole file, header included
    void SetColors(const QColor& norm0, const QColor& norm1);

    // Starts over at `position` (moved back to a sample frame's start): black
    // picture, pen at the centre, counters at zero.
    void Start(qint64 position = FirstSample);
    // Draws samples up to the next repaint point or the end of the samples.
    TStep DrawToRepaint();

    bool AtEnd() const { return Position >= Samples.size(); }
    qint64 StreamPosition() const { return Position; }
    qint64 StreamSize() const { return Samples.size(); }
    qint64 WipePosition() const { return LastWipe; }   // stream position at the last wipe
    QPoint PenPosition() const { return {PenX, PenY}; }
    const QImage& Picture() const { return Image; }

private:
    QByteArray Samples;
    QImage Image;
    QRgb Norm[2];
    qint64 Position = FirstSample;
    qint64 LastWipe = FirstSample;
    quint32 Word = 0;               // a short last read keeps the bytes it did not get
    int PenX = 128, PenY = 128;
    int SinceRepaint = 0;           // c: samples since the last repaint
    int Repaints = 0;               // r: repaints since the last wipe
};

// "Show preview": a small window that stays on top and draws the compiled show
// from its wave file. The drawing runs in slices between which the window keeps
// answering, so Stop, Rewind, Loop and the position slider work while it draws.
class TFormPreview : public QDialog {
    Q_OBJECT
public:
    explicit TFormPreview(QWidget* parent = nullptr);

    enum class TShowResult {
        Shown,        // the window was shown and has been closed again
        Missing,      // no wave file: the caller disables tbShowPreview
        Unreadable,   // the file could not be read or is no compiled show (an error box said so)
    };
    // The command "Show &preview": loads the wave file of the show stored as
    // `showFileName` and shows the window modally until the user closes it.
    TShowResult ShowPreview(const QString& showFileName, const TColorSettings& colors, TPrompts& prompts);

    // Loading alone: SampleStream gets the file's bytes and the slider covers them.
    // Returns an error text naming the file, empty on success.
    QString LoadSamples(const QString& waveFileName);
    void SetColors(const QColor& norm0, const QColor& norm1);

    bool IsDrawing() const;
    const TPreviewTrace& Trace() const { return SampleTrace; }
    // Stream position shown by / set from a slider value (large files use a coarser slider).
    int SliderValue(qint64 streamPosition) const;
    qint64 StreamPositionAt(int sliderValue) const;

    QToolBar* toolbarPreview = nullptr;
    QToolButton* bnPreviewPos = nullptr;   // aRewind
    QToolButton* bnPlay = nullptr;         // aPlay
    QToolButton* bnLoop = nullptr;         // aStop
    QToolButton* bnRewind = nullptr;       // aLoop
    QSlider* tbPreviewPos = nullptr;
    QWidget* imgPreview = nullptr;
    QAction* aPlay = nullptr;
    QAction* aLoop = nullptr;
    QAction* aRewind = nullptr;
    QAction* aStop = nullptr;

    void aPlayExecute();     // draws from the first sample
    void aRewindExecute();   // starts again from the first sample
    void aStopExecute();     // ends the drawing where it is

    // Paced, the drawing keeps to the show's own time (44100 samples a second) instead
    // of running as fast as it can, so that music played beside it stays in step.
    void SetPaced(bool paced) { Paced = paced; }
    bool IsPaced() const { return Paced; }

signals:
    // The drawing reached the last sample (with Loop on it starts over right after).
    void samplesEnded();
    // The drawing (re)starts at a stream position, or stops before its end.
    void drawingStarted(qint64 streamPosition);
    void drawingStopped();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QToolButton* AddButton(QAction* action, const QString& name);
    void StartDrawing(qint64 position);
    void StopDrawing();
    void DrawSlice();
    void tbPreviewPosActionTriggered(int action);

    QByteArray SampleStream;   // the whole wave file
    TPreviewTrace SampleTrace;
    QTimer* SliceTimer = nullptr;
    qint64 SliderUnit = 1;     // bytes per slider step
    bool Paced = false;
    QElapsedTimer PaceClock;   // runs from the drawing's start when paced
    qint64 PaceFrom = 0;       // the stream position it started at
    void StartPace(qint64 position);
    bool AheadOfPace() const;
};
