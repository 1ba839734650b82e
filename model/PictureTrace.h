#pragma once

#include "VectorImport.h"

#include <QImage>
#include <QSize>
#include <QString>

// Pictures traced into the outlines of what they show, for a frame.
//
// The picture is laid over white (transparent parts are background), each pixel is
// taken by its luminance, and the pixels darker than the threshold are the areas to
// trace; with Invert the lighter ones are (for a light logo on a dark ground). potrace
// traces the outlines of those areas, holes included, as closed curves of cubic and
// straight pieces. Together they are scaled uniformly to fill the square inside the
// margin, centred, and go to BuildVectorFrame as the outlines of a filled drawing, as
// an SVG drawing's paths do.
//
// Nothing here needs the GUI thread or a QGuiApplication, nor shares state between
// calls: a trace may run on a worker thread.

inline constexpr int AutoThreshold = -1;
inline constexpr double MaxTraceMargin = 100.0;

// Pictures with more pixels are refused before they are decoded.
inline constexpr qint64 MaxTracePixels = qint64(64) << 20;
// Larger pictures are scaled down to this many pixels on their longer side before
// they are traced: 8 pixels to a frame unit, far finer than a frame can show, while
// time and memory stay those of a small picture.
inline constexpr int MaxTraceSide = 2048;

struct TTraceOptions {
    // 0..255: pixels whose luminance is below it are traced (above 255 - Threshold with
    // Invert). AutoThreshold: chosen by Otsu's method from the picture's own tones.
    int Threshold = AutoThreshold;
    bool Invert = false;
    // Frame units kept free on each side of the square (0..MaxTraceMargin).
    double Margin = 0;
    // Areas of at most this many pixels of the traced picture are left out: specks.
    int SpeckleSize = 2;
};

struct TTracedPicture {
    TResult outcome;          // a failure of TracePicture names the file
    TVectorDrawing Drawing;   // the outlines in frame units, each path closed and Filled
    QString FileName;         // the picture's file, empty for TraceImage
    QSize PictureSize;        // in pixels, as stored
    QSize TracedSize;         // in pixels, as traced: smaller for a large picture or fine detail
    int Threshold = 0;        // the threshold used, chosen or given
    int Outlines = 0;         // closed outlines traced, holes included
};

// A picture file (PNG, JPEG, BMP, GIF; also PBM, PGM, PPM) traced. Only a regular file
// is read, so a pipe or a device never blocks. Fails, naming the file, for what is not
// such a picture, an empty file, a picture with no pixels or more than MaxTracePixels,
// and a picture with nothing to trace at the threshold (no pixel or every pixel on the
// traced side, or only specks). Detail so fine that potrace would take more than about a
// second over it (hatching, dithering, noise) is traced at half the size, or a quarter...,
// where it melts into grey.
TTracedPicture TracePicture(const QString& fileName, const TTraceOptions& options);

// A picture already in memory (a drop, the clipboard) traced; fails as above, without
// a file name.
TTracedPicture TraceImage(const QImage& image, const TTraceOptions& options);

// The traced outlines as one frame through BuildVectorFrame: curves flattened within
// options.Tolerance, named after the picture unless options.Name is set. A failure
// names the file; for a picture that needs more points than a frame holds, it says
// how many and FittingTolerance gives the tolerance that would fit. The frame keeps
// options.Margin free on each side, whatever margin the outlines were traced with.
TVectorFrameResult BuildTracedFrame(const TTracedPicture& traced, const TVectorOptions& options);

// TracePicture and BuildTracedFrame in one: what "trace" on the command line and
// "Import picture..." in the editor run.
TVectorFrameResult TracePictureFrame(const QString& fileName, const TTraceOptions& trace,
                                     const TVectorOptions& options);
