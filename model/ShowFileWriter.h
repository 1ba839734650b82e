#pragma once

#include "LaserFrames.h"
#include "Result.h"

#include <QIODevice>
#include <QString>

// Writes a show in format version 6. Links are fitted to the point counts before
// they are written, and the fitted matrices stay in the show.
class TShowFileWriter {
public:
    static constexpr quint8 Version = 6;

    // The exact size of the file Write produces, worked out without writing it.
    static qint64 FileSize(const TLaserFrames& show);

    // The whole file in `data`. A show over MaxShowFileSize is refused before
    // anything is encoded.
    static TResult Encode(TLaserFrames& show, QByteArray& data);

    static TResult Write(QIODevice& device, TLaserFrames& show);
};
