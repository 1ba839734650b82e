#pragma once

#include "LaserFrames.h"
#include "Result.h"

#include <QIODevice>
#include <QRgb>
#include <QString>
#include <array>
#include <memory>
#include <vector>

// ILDA image data transfer files (.ild), the exchange format of laser software.
//
// A file is a row of sections, each a 32-byte big-endian header followed by its
// records. Frames come as format 0 (3D, palette index), 1 (2D, palette index),
// 4 (3D, true colour) and 5 (2D, true colour); format 2 is a colour palette for
// the indexed frames after it; format 3 (written by LaserBoy) is a table of 24-bit
// colours, one per point of the indexed frame that follows it. A header with a
// record count of 0 ends the file.

// One ILDA point as stored. Blanked: the beam is dark on its way INTO this point.
struct TIldaPoint {
    qint16 X = 0, Y = 0, Z = 0;   // X to the right, Y upwards
    bool Blanked = false;
    bool LastPoint = false;       // the status bit as read; the writer sets it itself
    quint8 Index = 0;             // palette index (formats 0 and 1)
    QRgb Color = 0;               // true colour, the colour table's entry, or the palette entry of Index
    bool ColorKnown = true;       // false: an index outside the palette in force

    // The beam is off on the way into this point: blanked, black, or an index past
    // the palette (some programs make their dark moves that way).
    bool Dark() const { return Blanked || !ColorKnown || (Color & 0xFFFFFF) == 0; }

    friend bool operator==(const TIldaPoint&, const TIldaPoint&) = default;
};

struct TIldaFrame {
    QString Name;                 // up to 8 Latin-1 characters, zero bytes cut off
    QString Company;
    int Format = 5;               // the section's format code as read
    quint16 Number = 0, Total = 0;
    quint8 Projector = 0;
    bool ColorTable = false;      // the colours came from a format 3 table
    std::vector<TIldaPoint> Points;
};

// The 64-colour default palette of the ILDA standard, used by indexed frames of a
// file without a palette section.
const std::vector<QRgb>& IldaStandardPalette();

class TIldaReader {
public:
    struct Result {
        TResult outcome;            // says what is wrong, without the file name
        std::vector<TIldaFrame> Frames;
        int Palettes = 0;           // palette sections read
        int ColorTables = 0;        // format 3 sections read
        bool EndHeader = false;     // the file closed with an end-of-file header
    };

    // Reads every section up to the end-of-file header (or the end of the data).
    // Any damage fails the whole read: the frames read so far are not to be used.
    static Result Read(QIODevice& device);

    static constexpr qint64 MaxFileSize = qint64(1) << 30;
};

class TIldaWriter {
public:
    // One section of `format` (0, 1, 4 or 5) per frame, numbered in order, and the
    // end-of-file header, into `data`. A file larger than the reader takes is
    // refused before anything is encoded.
    static TResult Encode(const std::vector<TIldaFrame>& frames, int format, QByteArray& data);
    static TResult Write(QIODevice& device, const std::vector<TIldaFrame>& frames, int format);

    static bool ValidFormat(int format) { return format == 0 || format == 1 || format == 4 || format == 5; }
    static constexpr int MaxRecords = 65535;
};

// --- conversion between ILDA frames and show frames --------------------------------------------

// The two laser colours as the editor draws them ("Norm0", "Norm1").
using TLaserColors = std::array<QRgb, 2>;
inline constexpr TLaserColors DefaultLaserColors{qRgb(255, 0, 0), qRgb(0, 0, 255)};

// Which laser colour an RGB colour stands for: the nearer one, colour 0 on a tie.
int NearestLaserColor(QRgb color, const TLaserColors& colors);

// The palette index written for each laser colour: the nearest entry among those
// that read back as that colour, so an indexed file keeps the colour bits.
std::array<quint8, 2> LaserColorIndexes(const std::vector<QRgb>& palette, const TLaserColors& colors);

// A show frame as ILDA points. The loop is closed by repeating the first point,
// blanked as the show's last point is; the first point is blanked so the beam comes
// to the frame dark. A frame without points gives one blanked point at the centre.
// `error` is set for a frame too large for ILDA.
TIldaFrame IldaFrameFromLaserFrame(const TLaserFrame& frame, const TLaserColors& colors, QString* error);

// An ILDA frame as a show frame: the inverse of IldaFrameFromLaserFrame. A last point
// equal to the first closes the loop and is folded back; otherwise the loop closes
// dark when the first ILDA point is dark (as a projector repeating the frame draws it).
// The line into a dark point (TIldaPoint::Dark) is dark. The colour bit follows the
// majority of the lit points.
std::unique_ptr<TLaserFrame> LaserFrameFromIlda(const TIldaFrame& ilda, const TLaserColors& colors,
                                                quint16 delay, const QString& defaultName);

// --- files -------------------------------------------------------------------------------------

struct TIldaExportOptions {
    int Format = 5;
    TLaserColors Colors = DefaultLaserColors;
};

struct TIldaImportOptions {
    quint16 Delay = 40;
    TLaserColors Colors = DefaultLaserColors;
};

struct TIldaFileResult {
    TResult outcome;  // names the file
    int frames = 0;   // frames written or read
};

// Writes the show through a temporary file that replaces `fileName` only when
// everything was written. A target that is not a regular file is refused; a
// symbolic link is written through.
TIldaFileResult ExportIldaFile(const QString& fileName, const TLaserFrames& show,
                               const TIldaExportOptions& options);

// Appends the frames of an ILDA file to `show`, with their links fitted, only when
// the whole file could be read; a damaged file or one without frames adds nothing.
TIldaFileResult ImportIldaFile(const QString& fileName, TLaserFrames& show,
                               const TIldaImportOptions& options);
