#include "WaveFile.h"

#include <QIODevice>
#include <QtEndian>
#include <cstring>

bool WriteWaveHeader(QIODevice& stream, quint32 frames, quint32 multiplier)
{
    const quint32 dataBytes = 4 * multiplier * frames;
    uchar h[44];
    auto put32 = [&h](int at, quint32 v) { qToLittleEndian<quint32>(v, h + at); };
    auto put16 = [&h](int at, quint16 v) { qToLittleEndian<quint16>(v, h + at); };
    std::memcpy(h, "RIFF", 4);
    put32(4, dataBytes + 36);
    std::memcpy(h + 8, "WAVEfmt ", 8);
    put32(16, 16);       // format chunk size
    put16(20, 1);        // PCM
    put16(22, 2);        // channels
    put32(24, 44100);    // sample frames per second
    put32(28, 176400);   // bytes per second
    put16(32, 4);        // bytes per sample frame
    put16(34, 16);       // bits per sample
    std::memcpy(h + 36, "data", 4);
    put32(40, dataBytes);
    if (!stream.seek(0))
        return false;
    return stream.write(reinterpret_cast<const char*>(h), sizeof h) == qint64(sizeof h);
}
