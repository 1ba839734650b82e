#pragma once

#include "SvgSafety.h"
#include "VectorImport.h"

#include <QByteArray>
#include <QString>

// SVG drawings as frames. Qt SVG renders the drawing onto a TPathRecorder, so every
// element, style and transform is understood as Qt understands it; what it draws
// becomes one frame (see BuildVectorFrame). Filled areas are drawn by their outlines,
// strokes by their middle lines. Qt SVG sees the document only as PrepareSvg leaves
// it (SvgSafety.h): without pictures and links out of the document, and only when a
// frame could hold it.

// The paths an SVG document (or a compressed one) draws. Fails (without a file name
// in the message) for data that is not a readable SVG drawing or is too large for a
// frame. `picturesSkipped`, when given, counts the <image> elements left out.
TResult ReadSvgDrawing(const QByteArray& data, TVectorDrawing& drawing, int* picturesSkipped = nullptr);

// One SVG file as one frame, named after the file unless options.Name is set.
// A failure's message names the file: the system's reason it cannot be read, why it
// is not a readable SVG drawing, or that it has nothing to draw.
// PicturesSkipped counts the <image> elements left out.
TVectorFrameResult ImportSvgFile(const QString& fileName, const TVectorOptions& options);

// What an import adds to its message when it left pictures out; empty when none.
QString SkippedPicturesNote(int pictures);
