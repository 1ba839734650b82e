#pragma once

#include "LaserFrames.h"
#include "Result.h"

#include <QIODevice>
#include <QString>
#include <functional>

// Writes a show in format version 6. Links are fitted to the point counts before
// they are written, and the fitted matrices stay in the show.
class TShowFileWriter {
public:
    static constexpr quint8 Version = 6;
    // The file is encoded into a buffer of this size (or of the file's, when smaller)
    // and handed on a block at a time, so a save needs little memory beyond the show.
    static constexpr qint64 BlockSize = qint64(1) << 20;

    // The exact size of the file Write produces, worked out without writing it.
    static qint64 FileSize(const TLaserFrames& show);

    // Why the show cannot be written (a count the format cannot hold, or a file
    // larger than MaxShowFileSize); empty when it can. Nothing is encoded.
    static QString Problem(const TLaserFrames& show);

    // Takes a block of the file; false stops the writing.
    using TSink = std::function<bool(const char* data, qint64 size)>;

    // Hands the file to `sink` in blocks of at most BlockSize bytes, in order. A show
    // with a Problem is refused before anything is handed over; when the sink stops,
    // the result fails with an empty message (the sink knows why).
    static TResult Write(const TSink& sink, TLaserFrames& show);

    static TResult Write(QIODevice& device, TLaserFrames& show);
};
