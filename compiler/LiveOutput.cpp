#include "LiveOutput.h"

#include "LaserFrame.h"
#include "Render.h"
#include "WaveFile.h"

#include <QBuffer>

bool LivePassTooLong(const TLaserFrame& frame, const TScanDelays& delays)
{
    return RenderedLength(frame.Points, delays) > LiveMaximumSampleFrames;
}

bool BuildLiveImage(QByteArray& liveStream, const TLaserFrame& frame, const TScanDelays& delays,
                    bool flipX, bool flipY)
{
    liveStream.clear();
    if (frame.PointCount() < LiveMinimumPoints)
        return false;
    // Checked before rendering so an absurd frame cannot claim gigabytes.
    const qint64 count = RenderedLength(frame.Points, delays);
    if (count <= 0 || count > LiveMaximumSampleFrames)
        return false;

    TSamplePath path;
    RenderFramePath(frame, path, delays);

    liveStream.reserve(44 + 4 * path.Count());
    {
        QBuffer header(&liveStream);
        header.open(QIODevice::WriteOnly);
        if (!WriteWaveHeader(header, quint32(path.Count()))) {
            liveStream.clear();
            return false;
        }
    }
    TSampleStream stream{liveStream, flipX, flipY};
    qint64 written = 0;
    TBeamPoint last;
    EmitPath(stream, path, false, written, last);
    return true;
}
