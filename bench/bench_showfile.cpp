// Reads and writes a show of 10,000 frames of 100 points (every frame linked to
// the previous one point by point) and prints the time of each.
#include "ShowFileReader.h"
#include "ShowFileWriter.h"

#include <QBuffer>
#include <QElapsedTimer>
#include <cstdio>

int main()
{
    constexpr int Frames = 10000;
    constexpr int Points = 100;
    TLaserFrames show;
    for (int k = 0; k < Frames; ++k) {
        TLaserFrame& f = show.Add();
        f.Name = QStringLiteral("frame %1").arg(k);
        for (int i = 0; i < Points; ++i) {
            TSmallPoint p;
            p.Name = QString::number(i);
            p.X = quint8(i * 7 + k);
            p.Y = quint8(i * 3);
            f.Points.push_back(p);
        }
        f.FitLinks(k ? Points : 0);
        for (int i = 0; k && i < Points; ++i)
            f.Links.Set(i, i, true);
    }

    double bestWrite = 1e9, bestRead = 1e9;
    qint64 bytes = 0;
    for (int round = 0; round < 5; ++round) {
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        QElapsedTimer t;
        t.start();
        if (!TShowFileWriter::Write(out, show).ok)
            return 1;
        bestWrite = qMin(bestWrite, t.nsecsElapsed() / 1e6);
        bytes = out.data().size();

        QBuffer in;
        in.setData(out.data());
        in.open(QIODevice::ReadOnly);
        TLaserFrames back;
        t.restart();
        if (!TShowFileReader::Read(in, back).IsShow() || back.Count() != Frames)
            return 1;
        bestRead = qMin(bestRead, t.nsecsElapsed() / 1e6);
    }
    std::printf("show of %d frames x %d points, %lld bytes: write %.1f ms, read %.1f ms (best of 5)\n",
                Frames, Points, static_cast<long long>(bytes), bestWrite, bestRead);
    return 0;
}
