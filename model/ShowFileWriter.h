#pragma once

#include "LaserFrames.h"

#include <QIODevice>
#include <QString>

// Writes a show in format version 6. Links are fitted to the point counts before
// they are written, and the fitted matrices stay in the show.
class TShowFileWriter {
public:
    static constexpr quint8 Version = 6;

    // Returns an empty string on success, else what went wrong.
    static QString Write(QIODevice& device, TLaserFrames& show);
};
