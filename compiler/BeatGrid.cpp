#include "BeatGrid.h"

#include <algorithm>
#include <cmath>
#include <iterator>

namespace {

double MedianOf(std::vector<double> values)
{
    if (values.empty())
        return 0;
    const auto middle = values.begin() + std::ptrdiff_t(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    if (values.size() % 2 == 1)
        return *middle;
    return (*middle + *std::max_element(values.begin(), middle)) / 2;
}

// A robust line time = Offset + Period * number through numbered beats.
struct TBeatLine {
    double Period = 0, Offset = 0;
    int LastNumber = 0;
};

// Numbers the beats by the typical gap (a gap of about two counts two beats, a
// beat less than half a gap after the last one kept is left out), then fits the
// line by the median of slopes between beats half the run apart (Theil and Sen,
// on the pairs that carry the most weight) and the median offset.
TBeatLine FitBeatLine(const std::vector<double>& beats)
{
    TBeatLine line;
    if (beats.size() < 2)
        return line;
    std::vector<double> gaps;
    gaps.reserve(beats.size() - 1);
    for (size_t i = 1; i < beats.size(); ++i)
        if (beats[i] > beats[i - 1])
            gaps.push_back(beats[i] - beats[i - 1]);
    const double typical = MedianOf(gaps);
    if (!(typical > 0))
        return line;
    std::vector<double> times{beats[0]};
    std::vector<int> numbers{0};
    for (size_t i = 1; i < beats.size(); ++i) {
        const double gap = beats[i] - times.back();
        if (gap < typical / 2)
            continue;
        times.push_back(beats[i]);
        numbers.push_back(numbers.back() + std::max(1, int(std::lround(gap / typical))));
    }
    const size_t n = times.size();
    if (n < 2)
        return line;
    const size_t half = (n + 1) / 2;
    std::vector<double> slopes;
    for (size_t i = 0; i + half < n; ++i)
        slopes.push_back((times[i + half] - times[i]) / (numbers[i + half] - numbers[i]));
    line.Period = MedianOf(slopes);
    std::vector<double> offsets(n);
    for (size_t i = 0; i < n; ++i)
        offsets[i] = times[i] - line.Period * numbers[i];
    line.Offset = MedianOf(offsets);
    line.LastNumber = numbers.back();
    return line;
}

int NearestIndex(const std::vector<double>& beats, double at)
{
    const auto after = std::lower_bound(beats.begin(), beats.end(), at);
    if (after == beats.end())
        return int(beats.size()) - 1;
    if (after != beats.begin() && at - *(after - 1) < *after - at)
        return int(after - beats.begin()) - 1;
    return int(after - beats.begin());
}

int ClampedDownbeat(int index, size_t count)
{
    return count == 0 ? 0 : std::clamp(index, 0, int(count) - 1);
}

} // namespace

double TempoFromBeats(const std::vector<double>& beats)
{
    const TBeatLine line = FitBeatLine(beats);
    return line.Period > 0 ? 60.0 / line.Period : 0;
}

int NearestBeat(const TBeatGrid& grid, double at)
{
    return grid.Beats.empty() ? -1 : NearestIndex(grid.Beats, at);
}

TBeatGrid HalveTempo(const TBeatGrid& grid)
{
    TBeatGrid out;
    const int first = ClampedDownbeat(grid.FirstDownbeat, grid.Beats.size());
    for (size_t i = size_t(first % 2); i < grid.Beats.size(); i += 2) {
        if (int(i) == first)
            out.FirstDownbeat = int(out.Beats.size());
        out.Beats.push_back(grid.Beats[i]);
    }
    return out;
}

TBeatGrid DoubleTempo(const TBeatGrid& grid)
{
    TBeatGrid out;
    for (size_t i = 0; i < grid.Beats.size(); ++i) {
        if (i > 0)
            out.Beats.push_back((grid.Beats[i - 1] + grid.Beats[i]) / 2);
        out.Beats.push_back(grid.Beats[i]);
    }
    out.FirstDownbeat = 2 * ClampedDownbeat(grid.FirstDownbeat, grid.Beats.size());
    return out;
}

TBeatGrid ShiftHalfBeat(const TBeatGrid& grid, int direction, double duration)
{
    const std::vector<double>& beats = grid.Beats;
    const size_t n = beats.size();
    if (n < 2 || direction == 0)
        return grid;
    TBeatGrid out;
    const int first = ClampedDownbeat(grid.FirstDownbeat, n);
    for (size_t i = 0; i < n; ++i) {
        // Into the gap towards the next beat (later) or the previous one (earlier);
        // the last and the first beat use the gap on their other side.
        double gap;
        if (direction > 0)
            gap = i + 1 < n ? beats[i + 1] - beats[i] : beats[i] - beats[i - 1];
        else
            gap = i > 0 ? beats[i] - beats[i - 1] : beats[1] - beats[0];
        const double moved = beats[i] + (direction > 0 ? gap : -gap) / 2;
        if (moved < 0 || (duration > 0 && moved > duration))
            continue;
        if (int(i) <= first)
            out.FirstDownbeat = int(out.Beats.size());
        out.Beats.push_back(moved);
    }
    out.FirstDownbeat = ClampedDownbeat(out.FirstDownbeat, out.Beats.size());
    return out;
}

TBeatGrid SetFirstDownbeat(const TBeatGrid& grid, double at)
{
    TBeatGrid out = grid;
    out.FirstDownbeat = grid.Beats.empty() ? 0 : NearestIndex(grid.Beats, at);
    return out;
}

TBeatGrid MoveBeat(const TBeatGrid& grid, int index, double to)
{
    if (index < 0 || index >= int(grid.Beats.size()))
        return grid;
    const size_t i = size_t(index);
    const double lowest = i > 0 ? grid.Beats[i - 1] + MinBeatGap : 0.0;
    const double highest = i + 1 < grid.Beats.size() ? grid.Beats[i + 1] - MinBeatGap : INFINITY;
    if (lowest > highest)
        return grid;
    TBeatGrid out = grid;
    out.Beats[i] = std::clamp(to, lowest, highest);
    return out;
}

TBeatGrid AddBeat(const TBeatGrid& grid, double at)
{
    if (!(at >= 0) || !std::isfinite(at))
        return grid;
    const auto after = std::lower_bound(grid.Beats.begin(), grid.Beats.end(), at);
    if ((after != grid.Beats.end() && *after - at < MinBeatGap)
        || (after != grid.Beats.begin() && at - *(after - 1) < MinBeatGap))
        return grid;
    TBeatGrid out = grid;
    const int index = int(after - grid.Beats.begin());
    out.Beats.insert(out.Beats.begin() + index, at);
    if (!grid.Beats.empty() && index <= grid.FirstDownbeat)
        ++out.FirstDownbeat;
    return out;
}

TBeatGrid RemoveBeat(const TBeatGrid& grid, int index)
{
    if (index < 0 || index >= int(grid.Beats.size()))
        return grid;
    TBeatGrid out = grid;
    out.Beats.erase(out.Beats.begin() + index);
    if (index < grid.FirstDownbeat)
        --out.FirstDownbeat;
    out.FirstDownbeat = ClampedDownbeat(out.FirstDownbeat, out.Beats.size());
    return out;
}

TTapTempo TempoFromTaps(const std::vector<double>& taps)
{
    TTapTempo tap;
    const TBeatLine line = FitBeatLine(taps);
    if (!(line.Period > 0))
        return tap;
    tap.Bpm = 60.0 / line.Period;
    tap.Anchor = line.Offset + line.Period * line.LastNumber;
    return tap;
}

TBeatGrid ApplyTapTempo(const TBeatGrid& grid, const TTapTempo& tap, double duration)
{
    if (!tap.IsValid())
        return grid;
    const double period = 60.0 / tap.Bpm;
    double from = tap.Anchor, to = tap.Anchor;
    if (!grid.Beats.empty()) {
        from = std::min(from, grid.Beats.front());
        to = std::max(to, grid.Beats.back());
    } else if (duration > 0) {
        from = 0;
        to = duration;
    }
    from = std::max(from, 0.0);
    if (duration > 0)
        to = std::min(to, duration);
    TBeatGrid out;
    // Beats within half a beat of the covered stretch, counted from the anchor so
    // that none drifts from it by rounding.
    const long long firstNumber = std::llround(std::ceil((from - period / 2 - tap.Anchor) / period));
    for (long long k = firstNumber;; ++k) {
        const double t = tap.Anchor + double(k) * period;
        if (t > to + period / 2 || (duration > 0 && t > duration))
            break;
        if (t >= 0)
            out.Beats.push_back(t);
    }
    if (!grid.Beats.empty() && !out.Beats.empty())
        out.FirstDownbeat =
            NearestIndex(out.Beats, grid.Beats[size_t(ClampedDownbeat(grid.FirstDownbeat, grid.Beats.size()))]);
    return out;
}
