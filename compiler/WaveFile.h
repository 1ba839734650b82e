#pragma once

#include <QtGlobal>

class QIODevice;

// Most sample frames a WAV file can describe: the RIFF size (data bytes + 36)
// must fit in 32 bits.
constexpr qint64 MaxWaveSampleFrames = (qint64(0xFFFFFFFFu) - 36) / 4;

// Writes the 44-byte header of a 16-bit stereo 44100 Hz PCM file at position 0,
// with a data byte count of 4 * multiplier * frames, and leaves the device at 44.
// Returns false when the device refused the seek or the bytes.
bool WriteWaveHeader(QIODevice& stream, quint32 frames, quint32 multiplier = 1);
