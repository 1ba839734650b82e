#include "BeatFit.h"

#include "LaserFrames.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double Rate = 44100;

// The compile's display passes for `ms` over a path of c samples.
qint64 Repetitions(int ms, qint64 c)
{
    return qint64(std::nearbyint(double(ms) * 44100 / (double(c) * 1000)));
}

// The delay whose passes end nearest to `target` samples after `start`; a path
// shorter than a millisecond skips some pass counts, so neighbours are tried.
quint16 DelayFor(double start, double target, qint64 c, qint64 minReps)
{
    const double ms = (target - start) * 1000 / Rate;
    const int centre = int(std::clamp(std::nearbyint(ms), 0.0, 65535.0));
    int best = centre;
    double bestError = std::numeric_limits<double>::max();
    for (int d = std::max(0, centre - 3); d <= std::min(65535, centre + 3); ++d) {
        const qint64 reps = Repetitions(d, c);
        if (reps < minReps)
            continue;
        const double error = std::abs(start + double(reps * c) - target);
        if (error < bestError) {
            bestError = error;
            best = d;
        }
    }
    return quint16(best);
}

} // namespace

TBeatFit FitFramesToBeats(const TLaserFrames& show, const std::vector<double>& beats, double offsetMs,
                          const TCompileOptions& options)
{
    TBeatFit fit;
    const TCompileResult now = MeasureShow(show, options);
    if (!now.outcome.ok) {
        fit.outcome = now.outcome;
        return fit;
    }
    // Beats in sample frames of the compiled show; those before its start do not count.
    std::vector<double> beat;
    for (double b : beats) {
        const double at = (b * 1000 + offsetMs) * Rate / 1000;
        if (at >= 0 && (beat.empty() || at > beat.back()))
            beat.push_back(at);
    }
    if (beat.empty()) {
        fit.outcome.message = QStringLiteral("The music has no beats while the show runs.");
        return fit;
    }
    const auto interval = [&](size_t k) {
        return k > 0 ? beat[k] - beat[k - 1] : beat.size() > 1 ? beat[1] - beat[0] : beat[0];
    };

    const int n = show.Count();
    fit.Delays.resize(size_t(n));
    std::vector<bool> onBeat(size_t(n), false);
    // What lies between two displays (moves, transitions) does not depend on the
    // delays, so a frame's display starts where it starts now, moved by how much
    // longer or shorter the displays before it have become.
    double shift = 0;
    size_t nextBeat = 0;          // the first beat a change may still use
    double previousChange = 0, previousHalf = 0;
    for (int i = 0; i < n; ++i) {
        const TLaserFrame& frame = show.Frame(i);
        const TFrameTiming& t = now.timing[size_t(i)];
        fit.Delays[size_t(i)] = frame.Delay;
        const qint64 c = t.PathSamples;
        if (c == 0)
            continue;   // not in the compiled show
        const double start = double(t.DisplayStart) + shift;
        const double wanted = start + double(t.Repetitions * c);
        if (frame.IsLocked()) {
            // Locked against change: its delay stays, the frames after it fit around it.
            previousChange = wanted;
            previousHalf = c / 2.0;
            continue;
        }
        const qint64 maxReps = Repetitions(65535, c);
        // The nearest beat that leaves the frame one beat and one pass at least.
        size_t chosen = beat.size();
        for (size_t k = nextBeat; k < beat.size(); ++k) {
            if (beat[k] - start > double(maxReps * c) + c / 2.0)
                break;
            if (beat[k] - start < c / 2.0 || beat[k] - previousChange < interval(k) - previousHalf - c / 2.0)
                continue;
            if (chosen == beat.size() || std::abs(beat[k] - wanted) < std::abs(beat[chosen] - wanted))
                chosen = k;
            else if (beat[k] > wanted)
                break;
        }
        double end = wanted;
        if (chosen < beat.size()) {
            const quint16 delay = DelayFor(start, beat[chosen], c, 1);
            fit.Delays[size_t(i)] = delay;
            end = start + double(Repetitions(delay, c) * c);
            nextBeat = chosen + 1;
            onBeat[size_t(i)] = true;
            ++fit.FramesFitted;
        } else {
            nextBeat = beat.size();   // past the music's beats: the rest stays as it is
        }
        shift += end - wanted;
        previousChange = end;
        previousHalf = c / 2.0;
    }

    // The changes as the fitted show really compiles.
    TLaserFrames fitted;
    for (int i = 0; i < n; ++i) {
        fitted.Add().CopyFrom(show.Frame(i));
        fitted.Frame(i).Delay = fit.Delays[size_t(i)];
        if (fit.Delays[size_t(i)] != show.Frame(i).Delay)
            ++fit.FramesChanged;
    }
    const TCompileResult after = MeasureShow(fitted, options);
    if (!after.outcome.ok) {
        fit.outcome = after.outcome;
        return fit;
    }
    for (int i = 0; i < n; ++i) {
        const TFrameTiming& t = after.timing[size_t(i)];
        if (!onBeat[size_t(i)])
            continue;
        const double end = double(t.DisplayEnd());
        const auto near = std::lower_bound(beat.begin(), beat.end(), end);
        double distance = std::numeric_limits<double>::max();
        if (near != beat.end())
            distance = *near - end;
        if (near != beat.begin())
            distance = std::min(distance, end - *(near - 1));
        fit.WorstMs = std::max(fit.WorstMs, distance * 1000 / Rate);
    }
    fit.outcome.ok = true;
    return fit;
}

void ApplyBeatFit(TLaserFrames& show, const TBeatFit& fit)
{
    const int n = std::min(show.Count(), int(fit.Delays.size()));
    for (int i = 0; i < n; ++i)
        show.Frame(i).Delay = fit.Delays[size_t(i)];
}
