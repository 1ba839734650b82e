#pragma once

#include <QByteArray>
#include <QtGlobal>

// Builds show file bytes by hand, so tests state the layout independently of the writer.
class TShowBytes {
public:
    explicit TShowBytes(int version = 6) { Raw("RZ4P").U8(quint8(version)); }
    TShowBytes& U8(quint8 v) { FData.append(char(v)); return *this; }
    TShowBytes& U16(quint16 v) { return U8(v & 0xFF).U8(v >> 8); }
    TShowBytes& U16BE(quint16 v) { return U8(v >> 8).U8(v & 0xFF); }
    TShowBytes& I32(qint32 v)
    {
        for (int s = 0; s < 32; s += 8)
            U8(quint8(quint32(v) >> s));
        return *this;
    }
    TShowBytes& Text(const QByteArray& s) { U16(quint16(s.size())); FData.append(s); return *this; }
    TShowBytes& Raw(const QByteArray& s) { FData.append(s); return *this; }
    TShowBytes& Zeros(int n) { FData.append(n, '\0'); return *this; }

    // A version-6 frame header up to (not including) the point count: name, delay 1000,
    // effect time 0, Slide, parameter 0, centres 128, flags 0, no image, no help lines.
    TShowBytes& DefaultFrameHead(const QByteArray& name)
    {
        Text(name).U16(1000).U16(0).U16(0).U16(0);
        U8(128).U8(128).U8(128).U8(128).U16(0);
        Text({}).Zeros(16).U16(0).U16(0).U16(0);
        return *this;
    }
    // An 11-byte point record.
    TShowBytes& Point(const QByteArray& name, quint8 x, quint8 y, quint16 selection, quint16 flags)
    {
        QByteArray padded = name.left(5);
        padded.append(5 - padded.size(), '\0');
        return Raw(padded).U8(x).U8(y).U16BE(selection).U16BE(flags);
    }

    const QByteArray& Data() const { return FData; }
    operator const QByteArray&() const { return FData; }

private:
    QByteArray FData;
};
