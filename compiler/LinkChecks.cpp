#include "LinkChecks.h"

#include <array>
#include <cstdlib>
#include <vector>

namespace {

// True when any of the first `rows` points of the frame links to point j.
// Whole 64-bit words of the column are tested at once: a frame of many points
// would otherwise cost a bit test per pair.
bool ColumnLinked(const TLinkMatrix& links, int j, int rows)
{
    if (j >= links.Cols())
        return false;
    rows = qMin(rows, links.Rows());
    for (int w = 0; w * 64 < rows; ++w) {
        quint64 word = links.Word(j, w);
        const int left = rows - w * 64;
        if (left < 64)
            word &= (quint64(1) << left) - 1;
        if (word)
            return true;
    }
    return false;
}

bool HasPredecessor(const TLaserFrames& show, int k)
{
    return show.Count() >= 2 && k >= 1 && k < show.Count();
}

} // namespace

void CheckFrameLinks(const TLaserFrames& show, int k, QString& report)
{
    if (!HasPredecessor(show, k))
        return;
    const TLaserFrame& frame = show.Frame(k);
    const TLaserFrame& previous = show.Frame(k - 1);
    for (int j = 0; j < previous.PointCount(); ++j)
        if (!ColumnLinked(frame.Links, j, frame.PointCount()))
            report += QStringLiteral("Frame %1 has no link from point %2!\r\n").arg(k).arg(j);
}

QString CheckAllLinks(const TLaserFrames& show)
{
    QString report;
    for (int k = 1; k < show.Count(); ++k)
        CheckFrameLinks(show, k, report);
    return report;
}

TLinkCheckMessage LinkCheckMessage(const QString& report)
{
    if (report.isEmpty())
        return {false, QStringLiteral("Everything's fine!")};
    return {true, report};
}

TOverlayResult LinkOverlayingPoints(TLaserFrames& show, int k, int circleSize)
{
    TOverlayResult result;
    if (!HasPredecessor(show, k))
        return result;
    TLaserFrame& frame = show.Frame(k);
    const TLaserFrame& previous = show.Frame(k - 1);
    const qint64 limit = 2 * qint64(circleSize);
    if (limit <= 0)
        return result;

    // The previous frame's points by X, so each point looks only at the columns
    // within reach instead of at every point.
    std::array<std::vector<int>, 256> byX;
    const int cols = qMin(previous.PointCount(), frame.Links.Cols());
    for (int j = 0; j < cols; ++j)
        byX[previous.Points[j].X].push_back(j);

    const int rows = qMin(frame.PointCount(), frame.Links.Rows());
    for (int i = 0; i < rows; ++i) {
        TSmallPoint& point = frame.Points[i];
        const int from = int(qMax<qint64>(0, point.X - limit + 1));
        const int to = int(qMin<qint64>(255, point.X + limit - 1));
        for (int x = from; x <= to; ++x) {
            for (int j : byX[x]) {
                if (std::abs(point.Y - previous.Points[j].Y) >= limit)
                    continue;
                if (!frame.Links.Get(i, j)) {
                    frame.Links.Set(i, j, true);
                    ++result.Added;
                }
                point.Marked = true;
                ++result.Count;
            }
        }
    }
    return result;
}

QString OverlayMessage(qint64 count)
{
    if (count <= 0)
        return {};
    return QString::number(count) + QStringLiteral(" overlapping points found!");
}
