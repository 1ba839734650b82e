#include "FrameDelta.h"

#include <algorithm>

namespace {

qint64 TextCost(const QString& text)
{
    return qint64(text.capacity()) * qint64(sizeof(QChar));
}

qint64 PointCost(const TSmallPoint& p)
{
    return qint64(sizeof(TSmallPoint)) + TextCost(p.Name);
}

qint64 PointsCost(const std::vector<TSmallPoint>& points)
{
    qint64 cost = qint64(points.capacity() - points.size()) * qint64(sizeof(TSmallPoint));
    for (const TSmallPoint& p : points)
        cost += PointCost(p);
    return cost;
}

bool OnlyMoved(const TSmallPoint& a, const TSmallPoint& b)
{
    return a.Name == b.Name && a.Selection == b.Selection && a.Flags == b.Flags;
}

bool TimingDiffers(const TLaserFrame& a, const TLaserFrame& b)
{
    return a.Delay != b.Delay || a.EffectTime != b.EffectTime || a.Effect != b.Effect
        || a.EffectParam != b.EffectParam;
}

bool PropertiesDiffer(const TLaserFrame& a, const TLaserFrame& b)
{
    return a.Flags != b.Flags || a.Name != b.Name || a.ImageFile != b.ImageFile || a.HelpLines != b.HelpLines
        || a.EffectCenterX != b.EffectCenterX || a.EffectCenterY != b.EffectCenterY
        || a.AuxCenterX != b.AuxCenterX || a.AuxCenterY != b.AuxCenterY || !(a.ImagePart == b.ImagePart)
        || a.Image != b.Image;
}

} // namespace

bool TFrameDelta::SamePoint(const TSmallPoint& a, const TSmallPoint& b)
{
    return a.X == b.X && a.Y == b.Y && a.Flags == b.Flags && a.Selection == b.Selection
        && a.Name == b.Name;
}

bool TFrameDelta::SameHead(const TLaserFrame& a, const TLaserFrame& b)
{
    return !TimingDiffers(a, b) && !PropertiesDiffer(a, b);
}

void TFrameDelta::CopyHead(TLaserFrame& to, const TLaserFrame& from)
{
    to.Delay = from.Delay;
    to.EffectTime = from.EffectTime;
    to.Flags = from.Flags;
    to.Name = from.Name;
    to.ImageFile = from.ImageFile;
    to.HelpLines = from.HelpLines;
    to.Effect = from.Effect;
    to.EffectParam = from.EffectParam;
    to.EffectCenterX = from.EffectCenterX;
    to.EffectCenterY = from.EffectCenterY;
    to.AuxCenterX = from.AuxCenterX;
    to.AuxCenterY = from.AuxCenterY;
    to.Image = from.Image;
    to.ImagePart = from.ImagePart;
}

qint64 TFrameDelta::LinksCost(const TLinkMatrix& links)
{
    // One span per column and the words of each column that holds a link.
    const qint64 words = (qint64(links.Rows()) + 63) / 64;
    qint64 cost = qint64(sizeof(TLinkMatrix)) + qint64(links.Cols()) * 8;
    for (int j = 0; j < links.Cols(); ++j) {
        if (links.AnyInColumn(j))
            cost += words * 8;
    }
    return cost;
}

qint64 TFrameDelta::FrameCost(const TLaserFrame& frame)
{
    const THelpLines& lines = frame.HelpLines;
    return qint64(sizeof(TLaserFrame)) + TextCost(frame.Name) + TextCost(frame.ImageFile)
        + qint64(lines.XLines.size() + lines.YLines.size())
        + qint64(lines.Lines2P[0].size() + lines.Lines2P[1].size()) * qint64(sizeof(TIntPoint))
        + frame.Image.sizeInBytes() + PointsCost(frame.Points) + LinksCost(frame.Links);
}

TFrameDelta::TFrameDelta(const TLaserFrame& before, const TLaserFrame& after)
{
    if (TimingDiffers(before, after))
        FChanges |= TShowChange::Timing;
    if (PropertiesDiffer(before, after))
        FChanges |= TShowChange::Properties;
    if (FChanges) {
        FHead[0].emplace();
        FHead[1].emplace();
        CopyHead(*FHead[0], before);
        CopyHead(*FHead[1], after);
    }
    if (!(before.Links == after.Links)) {
        FLinks[0] = before.Links;
        FLinks[1] = after.Links;
        FChanges |= TShowChange::Links;
    }
    DiffPoints(before.Points, after.Points);
}

void TFrameDelta::DiffPoints(const std::vector<TSmallPoint>& before, const std::vector<TSmallPoint>& after)
{
    const size_t nb = before.size(), na = after.size();
    if (nb == na) {
        bool movesOnly = true;
        size_t changed = 0;
        for (size_t i = 0; i < nb; ++i) {
            if (!SamePoint(before[i], after[i])) {
                ++changed;
                movesOnly = movesOnly && OnlyMoved(before[i], after[i]);
            }
        }
        if (changed == 0)
            return;
        FChanges |= TShowChange::Points;
        if (movesOnly)
            FMoves.reserve(changed);
        else
            FPointChanges.reserve(changed);
        for (size_t i = 0; i < nb; ++i) {
            const TSmallPoint& b = before[i];
            const TSmallPoint& a = after[i];
            if (SamePoint(b, a))
                continue;
            if (movesOnly)
                FMoves.push_back({qint32(i), {b.X, a.X}, {b.Y, a.Y}});
            else
                FPointChanges.push_back({qint32(i), {b, a}});
        }
        return;
    }
    // The parts before and after the run stay as they are.
    size_t prefix = 0;
    while (prefix < nb && prefix < na && SamePoint(before[prefix], after[prefix]))
        ++prefix;
    size_t suffix = 0;
    while (suffix < nb - prefix && suffix < na - prefix
           && SamePoint(before[nb - 1 - suffix], after[na - 1 - suffix]))
        ++suffix;
    FHasRun = true;
    FRunStart = qint32(prefix);
    FRun[0].assign(before.begin() + qsizetype(prefix), before.end() - qsizetype(suffix));
    FRun[1].assign(after.begin() + qsizetype(prefix), after.end() - qsizetype(suffix));
    FChanges |= TShowChange::Points;
}

void TFrameDelta::Apply(TLaserFrame& frame, bool forward) const
{
    const int to = forward ? 1 : 0;
    const int from = 1 - to;
    if (FHead[to])
        CopyHead(frame, *FHead[to]);
    if (FLinks[to])
        frame.Links = *FLinks[to];
    std::vector<TSmallPoint>& points = frame.Points;
    for (const TMove& m : FMoves) {
        TSmallPoint& p = points[size_t(m.Index)];
        p.X = m.X[to];
        p.Y = m.Y[to];
    }
    for (const TPointChange& c : FPointChanges)
        points[size_t(c.Index)] = c.Point[to];
    if (FHasRun) {
        const auto start = points.begin() + FRunStart;
        points.erase(start, start + qsizetype(FRun[from].size()));
        points.insert(points.begin() + FRunStart, FRun[to].begin(), FRun[to].end());
    }
}

qint64 TFrameDelta::Cost() const
{
    qint64 cost = qint64(sizeof(TFrameDelta));
    // A picture both heads share is the live frame's, not the history's.
    const bool samePicture = FHead[0] && FHead[0]->Image.cacheKey() == FHead[1]->Image.cacheKey();
    for (int k = 0; k < 2; ++k) {
        if (FHead[k])
            cost += FrameCost(*FHead[k]) - (samePicture ? FHead[k]->Image.sizeInBytes() : 0);
        if (FLinks[k])
            cost += LinksCost(*FLinks[k]);
        cost += PointsCost(FRun[k]);
    }
    cost += qint64(FMoves.capacity()) * qint64(sizeof(TMove));
    for (const TPointChange& c : FPointChanges)
        cost += PointCost(c.Point[0]) + PointCost(c.Point[1]) + qint64(sizeof(qint32));
    return cost;
}
