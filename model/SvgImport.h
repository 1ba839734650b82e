#pragma once

#include "VectorImport.h"

#include <QByteArray>
#include <QString>

// SVG drawings as frames. Qt SVG renders the drawing onto a TPathRecorder, so every
// element, style and transform is understood as Qt understands it; what it draws
// becomes one frame (see BuildVectorFrame). Filled areas are drawn by their outlines,
// strokes by their middle lines.

// The paths an SVG document draws. Fails (without a file name in the message) for
// data that is not a readable SVG drawing.
TResult ReadSvgDrawing(const QByteArray& data, TVectorDrawing& drawing);

// One SVG file as one frame, named after the file unless options.Name is set.
// A failure's message names the file: the system's reason it cannot be read, why it
// is not a readable SVG drawing, or that it has nothing to draw.
TVectorFrameResult ImportSvgFile(const QString& fileName, const TVectorOptions& options);

// Larger files are refused before they are read.
inline constexpr qint64 MaxSvgFileSize = qint64(64) << 20;
