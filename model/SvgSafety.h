#pragma once

#include "Result.h"

#include <QByteArray>
#include <QPainterPath>
#include <vector>

// What Qt SVG is shown of a drawing that may come from anywhere. Qt SVG loads the
// pictures an <image> names from any path or URL (the drawing itself, a pipe, files
// outside its folder), lays out every element before anything can be counted (a few
// nested <use> elements repeat a shape millions of times), and cuts long paths short.
// So the document is read here first:
//  - a compressed drawing (.svgz) is inflated up to MaxSvgFileSize;
//  - <image> elements (and <foreignObject>, <script>, ...) are left out, links that
//    leave the document (href not starting with '#', url() of files or the network,
//    CSS @import) are taken away, and the document type with its entities is dropped;
//  - a drawing with more elements or shapes than a frame can take, or nested deeper
//    than MaxSvgNesting, is refused, every <use> counted as what it repeats; a <use>
//    that repeats itself is refused too;
//  - a path longer than Qt SVG keeps is read here (SvgPathData.h) and stands in the
//    document as a marker path, which TPathRecorder replaces by the path.

struct TSvgSource {
    QByteArray Xml;                       // the document Qt SVG reads
    std::vector<QPainterPath> LongPaths;  // what the markers stand for (TPathRecorder::SetSubstitutes)
    int PicturesSkipped = 0;              // <image> elements left out
};

// Larger files, and compressed drawings that inflate to more, are refused.
inline constexpr qint64 MaxSvgFileSize = qint64(64) << 20;
// Shapes (paths, rectangles, circles, lines, polygons, letters of texts ...) a drawing
// may have: each draws at least one point, and a frame holds 65535.
inline constexpr qint64 MaxSvgShapes = 65535;
// Elements of any kind, each <use> counted as the elements it repeats: Qt SVG takes
// some 400 bytes and a few microseconds for each, even for an empty group.
inline constexpr qint64 MaxSvgElements = 1 << 18;
inline constexpr int MaxSvgNesting = 100;
// Pieces of all paths together (an arc counted as four): 2^21 pieces take some 50 MB
// as painter paths, and a frame holds 65535 points.
inline constexpr qint64 MaxSvgPathElements = 1 << 21;

// The document to hand Qt SVG; fails with the reason (no file name) for data that is
// not a readable SVG drawing or one too large for a frame.
TResult PrepareSvg(const QByteArray& data, TSvgSource& source);

// A gzip stream (.svgz) inflated, refused when it would grow past `limit` bytes.
TResult InflateSvgz(const QByteArray& data, qint64 limit, QByteArray& inflated);
