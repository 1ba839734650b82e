#include "FrameDelta.h"

#include <algorithm>

namespace {

qint64 TextCost(const QString& text)
{
    return qint64(text.capacity()) * qint64(sizeof(QChar));
}

qint64 PointCost(const TSmallPoint& p)
{
    return qint64(sizeof(TSmallPoint)) + p.Name.TextCost();
}

qint64 PointsCost(const std::vector<TSmallPoint>& points)
{
    qint64 cost = qint64(points.capacity() - points.size()) * qint64(sizeof(TSmallPoint));
    for (const TSmallPoint& p : points)
        cost += PointCost(p);
    return cost;
}

bool SameName(const TSmallPoint& a, const TSmallPoint& b)
{
    return a.Name == b.Name;
}

// Equal but for the numbers in the names, which went up by `shift`: a point behind an
// inserted (or deleted) one when the frame is numbered again. Other names stay.
bool SameShifted(const TSmallPoint& before, const TSmallPoint& after, int shift)
{
    if (before.X != after.X || before.Y != after.Y || before.Flags != after.Flags
        || before.Selection != after.Selection)
        return false;
    if (before.Name.IsNumber())
        return after.Name.IsNumber() && after.Name.Number() == before.Name.Number() + shift;
    return before.Name == after.Name;
}

bool OnlyMoved(const TSmallPoint& a, const TSmallPoint& b)
{
    return a.Flags == b.Flags && a.Selection == b.Selection && SameName(a, b);
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
    // One span of two words per column and the pool of stored words.
    return qint64(sizeof(TLinkMatrix)) + qint64(links.Cols()) * 8 + qint64(links.PoolWords()) * 8;
}

qint64 TFrameDelta::FrameCost(const TLaserFrame& frame)
{
    const THelpLines& lines = frame.HelpLines;
    return qint64(sizeof(TLaserFrame)) + TextCost(frame.Name) + TextCost(frame.ImageFile)
        + qint64(lines.XLines.size() + lines.YLines.size())
        + qint64(lines.Lines2P[0].size() + lines.Lines2P[1].size()) * qint64(sizeof(TIntPoint))
        + frame.Image.sizeInBytes() + PointsCost(frame.Points) + LinksCost(frame.Links);
}

TLaserFrame TFrameDelta::Snapshot(const TLaserFrame& frame, TShowChanges scope)
{
    TLaserFrame copy;
    CopyHead(copy, frame);
    if (scope & TShowChange::Points)
        copy.Points = frame.Points;
    if (scope & TShowChange::Links)
        copy.Links = frame.Links;
    return copy;
}

TFrameDelta::TFrameDelta(TLaserFrame before, const TLaserFrame& after, TShowChanges scope)
{
    if ((scope & TShowChange::Timing) && TimingDiffers(before, after))
        FChanges |= TShowChange::Timing;
    if ((scope & TShowChange::Properties) && PropertiesDiffer(before, after))
        FChanges |= TShowChange::Properties;
    if (FChanges) {
        FHead[0].emplace();
        FHead[1].emplace();
        CopyHead(*FHead[0], before);
        CopyHead(*FHead[1], after);
    }
    if (scope & TShowChange::Links) {
        TLinksChange links(std::move(before.Links), after.Links);
        if (!links.IsEmpty()) {
            FLinks = std::move(links);
            FChanges |= TShowChange::Links;
        }
    }
    if (scope & TShowChange::Points)
        DiffPoints(before.Points, after.Points);
}

void TFrameDelta::DiffPoints(const std::vector<TSmallPoint>& before, const std::vector<TSmallPoint>& after)
{
    const size_t nb = before.size(), na = after.size();
    if (nb == na) {
        bool movesOnly = true, valuesOnly = true;
        size_t changed = 0;
        for (size_t i = 0; i < nb; ++i) {
            if (!SamePoint(before[i], after[i])) {
                ++changed;
                movesOnly = movesOnly && OnlyMoved(before[i], after[i]);
                valuesOnly = valuesOnly && SameName(before[i], after[i]);
            }
        }
        if (changed == 0)
            return;
        FChanges |= TShowChange::Points;
        if (movesOnly)
            FMoves.reserve(changed);
        else if (valuesOnly)
            FValues.reserve(changed);
        else
            FPointChanges.reserve(changed);
        for (size_t i = 0; i < nb; ++i) {
            const TSmallPoint& b = before[i];
            const TSmallPoint& a = after[i];
            if (SamePoint(b, a))
                continue;
            if (movesOnly)
                FMoves.push_back({qint32(i), {b.X, a.X}, {b.Y, a.Y}});
            else if (valuesOnly)
                FValues.push_back({qint32(i), {b.X, a.X}, {b.Y, a.Y}, {b.Flags, a.Flags}, {b.Selection, a.Selection}});
            else
                FPointChanges.push_back({qint32(i), {b, a}});
        }
        return;
    }
    // The parts before and after the run stay as they are.
    size_t prefix = 0;
    while (prefix < nb && prefix < na && SamePoint(before[prefix], after[prefix]))
        ++prefix;
    const size_t room = std::min(nb, na) - prefix;
    size_t suffix = 0;
    while (suffix < room && SamePoint(before[nb - 1 - suffix], after[na - 1 - suffix]))
        ++suffix;
    // Adding a point numbers the frame again: the points behind it keep all but their
    // numbers, which the step moves instead of keeping them.
    const int shift = int(na) - int(nb);
    size_t shifted = 0;
    while (shifted < room && SameShifted(before[nb - 1 - shifted], after[na - 1 - shifted], shift))
        ++shifted;
    if (shifted > suffix) {
        suffix = shifted;
        FShift = shift;
        FSuffix = qint32(suffix);
    }
    FHasRun = true;
    FRunStart = qint32(prefix);
    FRun[0].assign(before.begin() + qsizetype(prefix), before.end() - qsizetype(suffix));
    FRun[1].assign(after.begin() + qsizetype(prefix), after.end() - qsizetype(suffix));
    FChanges |= TShowChange::Points;
}

void TFrameDelta::Apply(TLaserFrame& frame, bool forward)
{
    const int to = forward ? 1 : 0;
    const int from = 1 - to;
    if (FHead[to])
        CopyHead(frame, *FHead[to]);
    if (FLinks)
        FLinks->Apply(frame.Links, forward);
    std::vector<TSmallPoint>& points = frame.Points;
    for (const TMove& m : FMoves) {
        TSmallPoint& p = points[size_t(m.Index)];
        p.X = m.X[to];
        p.Y = m.Y[to];
    }
    for (const TValues& v : FValues) {
        TSmallPoint& p = points[size_t(v.Index)];
        p.X = v.X[to];
        p.Y = v.Y[to];
        p.Flags = v.Flags[to];
        p.Selection = v.Selection[to];
    }
    for (const TPointChange& c : FPointChanges)
        points[size_t(c.Index)] = c.Point[to];
    if (FHasRun) {
        const auto start = points.begin() + FRunStart;
        points.erase(start, start + qsizetype(FRun[from].size()));
        points.insert(points.begin() + FRunStart, FRun[to].begin(), FRun[to].end());
        const int shift = forward ? FShift : -FShift;
        for (size_t i = points.size() - size_t(FSuffix); shift != 0 && i < points.size(); ++i) {
            TPointName& name = points[i].Name;
            if (name.IsNumber())
                name = TPointName::Number(name.Number() + shift);
        }
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
        cost += PointsCost(FRun[k]);
    }
    if (FLinks)
        cost += FLinks->Cost();
    cost += qint64(FMoves.capacity()) * qint64(sizeof(TMove)) + qint64(FValues.capacity()) * qint64(sizeof(TValues));
    for (const TPointChange& c : FPointChanges)
        cost += PointCost(c.Point[0]) + PointCost(c.Point[1]) + qint64(sizeof(qint32));
    return cost;
}

// ---- links --------------------------------------------------------------------------------------

namespace {

int StoredWords(const TLinkMatrix& links, int j)
{
    return j < links.Cols() ? links.ColumnWords(j) : 0;
}

std::vector<quint64> ColumnBits(const TLinkMatrix& links, int j)
{
    std::vector<quint64> bits(size_t(StoredWords(links, j)));
    for (size_t w = 0; w < bits.size(); ++w)
        bits[w] = links.Word(j, int(w));
    return bits;
}

} // namespace

TLinksChange::TLinksChange(TLinkMatrix before, const TLinkMatrix& after)
    : FRows{before.Rows(), after.Rows()}, FCols{before.Cols(), after.Cols()}
{
    // Stored words hold only bits inside their matrix: a column that reads the same in
    // both keeps its bits through a fit from one size to the other.
    // A copy that was never changed shares its bits: only the dimensions can differ.
    const int cols = before.SharesBits(after) ? 0 : qMax(before.Cols(), after.Cols());
    std::vector<qint32> differing;
    qint64 words = 0;
    for (int j = 0; j < cols; ++j) {
        const int stored = qMax(StoredWords(before, j), StoredWords(after, j));
        bool same = true;
        for (int w = 0; w < stored && same; ++w)
            same = (j < before.Cols() ? before.Word(j, w) : 0) == (j < after.Cols() ? after.Word(j, w) : 0);
        if (!same) {
            differing.push_back(j);
            words += StoredWords(before, j) + StoredWords(after, j);
        }
    }
    if (words > 0 && words > before.PoolWords() / 2) {
        FOther = std::move(before);
        return;
    }
    FColumns.reserve(differing.size());
    for (const qint32 j : differing)
        FColumns.push_back({j, {ColumnBits(before, j), ColumnBits(after, j)}});
}

void TLinksChange::Apply(TLinkMatrix& links, bool forward)
{
    if (FOther) {
        std::swap(links, *FOther);
        return;
    }
    const int to = forward ? 1 : 0;
    links.Fit(FRows[to], FCols[to]);
    for (const TColumn& column : FColumns) {
        const std::vector<quint64>& bits = column.Bits[to];
        links.SetColumnBits(column.Index, bits.data(), int(bits.size()), FRows[to]);
    }
}

qint64 TLinksChange::Cost() const
{
    qint64 cost = qint64(sizeof(TLinksChange));
    if (FOther)
        cost += TFrameDelta::LinksCost(*FOther);
    for (const TColumn& column : FColumns)
        cost += qint64(sizeof(TColumn)) + qint64(column.Bits[0].capacity() + column.Bits[1].capacity()) * 8;
    return cost;
}
