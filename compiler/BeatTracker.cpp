#include "BeatTracker.h"

#include <aubio/aubio.h>

#include <QLibrary>

#include <algorithm>
#include <cmath>

namespace {

// aubio is loaded when beats are first asked for, not when the program starts: it
// brings in libavcodec and a hundred libraries more, which would cost every start of
// the command line and the editor about 60 ms.
struct TAubioApi {
    decltype(&new_aubio_tempo) NewTempo = nullptr;
    decltype(&del_aubio_tempo) DelTempo = nullptr;
    decltype(&aubio_tempo_do) TempoDo = nullptr;
    decltype(&aubio_tempo_get_last_s) TempoLast = nullptr;
    decltype(&aubio_tempo_get_period_s) TempoPeriod = nullptr;
    decltype(&new_aubio_onset) NewOnset = nullptr;
    decltype(&del_aubio_onset) DelOnset = nullptr;
    decltype(&aubio_onset_do) OnsetDo = nullptr;
    decltype(&aubio_onset_get_last_s) OnsetLast = nullptr;
    decltype(&new_fvec) NewFvec = nullptr;
    decltype(&del_fvec) DelFvec = nullptr;
    QString Error;

    TAubioApi()
    {
        QLibrary library(QStringLiteral("aubio"), 5);
        if (!library.load()) {
            Error = library.errorString();
            return;
        }
        const auto resolve = [&](auto& function, const char* name) {
            function = reinterpret_cast<std::remove_reference_t<decltype(function)>>(library.resolve(name));
            if (!function && Error.isEmpty())
                Error = library.errorString();
        };
        resolve(NewTempo, "new_aubio_tempo");
        resolve(DelTempo, "del_aubio_tempo");
        resolve(TempoDo, "aubio_tempo_do");
        resolve(TempoLast, "aubio_tempo_get_last_s");
        resolve(TempoPeriod, "aubio_tempo_get_period_s");
        resolve(NewOnset, "new_aubio_onset");
        resolve(DelOnset, "del_aubio_onset");
        resolve(OnsetDo, "aubio_onset_do");
        resolve(OnsetLast, "aubio_onset_get_last_s");
        resolve(NewFvec, "new_fvec");
        resolve(DelFvec, "del_fvec");
    }
};

const TAubioApi& Api()
{
    static const TAubioApi api;
    return api;
}

} // namespace

QString TBeatTracker::LibraryError()
{
    return Api().Error;
}

struct TBeatTracker::TAubio {
    aubio_tempo_t* Tempo = nullptr;
    aubio_onset_t* Onset = nullptr;
    fvec_t* Hop = nullptr;
    fvec_t* TempoOut = nullptr;
    fvec_t* OnsetOut = nullptr;

    ~TAubio()
    {
        if (Tempo)
            Api().DelTempo(Tempo);
        if (Onset)
            Api().DelOnset(Onset);
        for (fvec_t* v : {Hop, TempoOut, OnsetOut})
            if (v)
                Api().DelFvec(v);
    }
};

TBeatTracker::TBeatTracker(int sampleRate) : SampleRate(sampleRate), Aubio(std::make_unique<TAubio>())
{
    if (sampleRate <= 0 || sampleRate > MaxSampleRate || !LibraryError().isEmpty())
        return;
    const uint_t rate = uint_t(sampleRate);
    Aubio->Tempo = Api().NewTempo("default", WindowSize, HopSize, rate);
    Aubio->Onset = Api().NewOnset("default", WindowSize, HopSize, rate);
    Aubio->Hop = Api().NewFvec(HopSize);
    Aubio->TempoOut = Api().NewFvec(2);
    Aubio->OnsetOut = Api().NewFvec(2);
}

TBeatTracker::~TBeatTracker() = default;

bool TBeatTracker::IsValid() const
{
    return Aubio->Tempo && Aubio->Onset && Aubio->Hop && Aubio->TempoOut && Aubio->OnsetOut;
}

double TBeatTracker::Duration() const
{
    return SampleRate > 0 ? double(Samples) / SampleRate : 0.0;
}

void TBeatTracker::Add(const float* mono, qint64 count)
{
    if (!IsValid())
        return;
    Samples += count;
    smpl_t* hop = Aubio->Hop->data;
    while (count > 0) {
        const int n = int(std::min<qint64>(count, HopSize - Filled));
        std::copy(mono, mono + n, hop + Filled);
        Filled += n;
        mono += n;
        count -= n;
        if (Filled == HopSize)
            RunHop();
    }
}

void TBeatTracker::RunHop()
{
    Filled = 0;
    Api().TempoDo(Aubio->Tempo, Aubio->Hop, Aubio->TempoOut);
    if (Aubio->TempoOut->data[0] != 0) {
        const double at = Api().TempoLast(Aubio->Tempo);
        const double period = Api().TempoPeriod(Aubio->Tempo);
        if (at >= 0 && (FBeats.empty() || at > FBeats.back())) {
            FBeats.push_back(at);
            Periods.push_back(period);
        }
    }
    Api().OnsetDo(Aubio->Onset, Aubio->Hop, Aubio->OnsetOut);
    if (Aubio->OnsetOut->data[0] != 0) {
        const double at = Api().OnsetLast(Aubio->Onset);
        if (at >= 0 && (FOnsets.empty() || at > FOnsets.back()))
            FOnsets.push_back(at);
    }
}

void TBeatTracker::Finish()
{
    if (!IsValid())
        return;
    if (Filled > 0) {
        // The last partial hop is padded with silence so its beats count too.
        std::fill(Aubio->Hop->data + Filled, Aubio->Hop->data + HopSize, smpl_t(0));
        RunHop();
    }
    FBeats = CompleteBeats(FBeats, Periods, FOnsets, Duration());
}

double TBeatTracker::Bpm() const
{
    return TempoFromBeats(FBeats);
}

namespace {

// The onset nearest to `t`, or -1 when none lies within `reach` seconds.
double NearestOnset(const std::vector<double>& onsets, double t, double reach)
{
    const auto after = std::lower_bound(onsets.begin(), onsets.end(), t);
    double best = -1, distance = reach;
    if (after != onsets.end() && *after - t <= distance) {
        best = *after;
        distance = *after - t;
    }
    if (after != onsets.begin() && t - *(after - 1) <= distance)
        best = *(after - 1);
    return best;
}

double Median(std::vector<double> values, double fallback)
{
    if (values.empty())
        return fallback;
    const auto middle = values.begin() + qsizetype(values.size() / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

} // namespace

namespace {

// Walks from the beat at `t` by steps of about `period` in `direction` (+1 or -1)
// while `until` allows, placing each beat at the onset in step with it. A step that
// finds none tries two periods (the tracker's period may be half the beat, or the
// music rests for a beat); the walk ends where the onsets stop.
template <typename TPlace, typename TUntil>
void WalkBeats(double t, double period, int direction, const TPlace& placed, const TUntil& until,
               std::vector<double>& out)
{
    constexpr double Reach = 0.05;
    while (period > 0) {
        double b = -1;
        for (int k = 1; k <= 2 && b < 0; ++k) {
            const double predicted = t + direction * k * period;
            if (!until(predicted))
                return;
            b = placed(predicted, Reach);
            if (b >= 0 && (b - t) * direction <= period / 2)
                b = -1;
        }
        if (b < 0)
            return;
        // Follows a slow drift of the tempo; a jump is left to the tracker.
        const double step = (b - t) * direction;
        if (step > 0.8 * period && step < 1.25 * period)
            period = 0.75 * period + 0.25 * step;
        t = b;
        out.push_back(t);
    }
}

} // namespace

std::vector<double> CompleteBeats(const std::vector<double>& beats, const std::vector<double>& periods,
                                  const std::vector<double>& onsets, double duration)
{
    if (beats.size() < 2 || periods.size() != beats.size())
        return beats;
    constexpr double Reach = 0.05;   // an onset this close supports a beat

    // The tracker places its beats a little apart from the onsets it hears; added
    // beats keep the same distance to theirs.
    std::vector<double> leads;
    for (double b : beats)
        if (const double o = NearestOnset(onsets, b, Reach); o >= 0)
            leads.push_back(b - o);
    const double lead = Median(leads, 0.0);
    const auto placed = [&](double predicted, double reach) {
        const double o = NearestOnset(onsets, predicted - lead, reach);
        return o >= 0 ? o + lead : -1.0;
    };

    // The tracker's own beats sit on their onsets too: early on, before it has
    // settled, it may place them tens of milliseconds off.
    std::vector<double> tracked = beats;
    for (size_t i = 0; i < tracked.size(); ++i) {
        const double b = placed(tracked[i], Reach);
        if (b >= 0 && (i == 0 || b > tracked[i - 1]) && (i + 1 == tracked.size() || b < tracked[i + 1]))
            tracked[i] = b;
    }

    std::vector<double> out;
    // Before the first beat, back to where the music starts.
    WalkBeats(tracked.front(), periods.front(), -1, placed, [](double t) { return t >= 0; }, out);
    std::reverse(out.begin(), out.end());
    for (size_t i = 0; i < tracked.size(); ++i) {
        out.push_back(tracked[i]);
        if (i + 1 == tracked.size())
            break;
        const double here = tracked[i], next = tracked[i + 1];
        const double period = periods[i] > 0 ? periods[i] : periods[i + 1];
        const double nextPeriod = periods[i + 1] > 0 ? periods[i + 1] : period;
        if (next - here < 1.5 * std::min(period, nextPeriod))
            continue;
        // From both ends: after a change of tempo the tracker needs a while to follow,
        // and the beats before it relocks are found walking back from where it did.
        std::vector<double> gap;
        WalkBeats(here, period, +1, placed, [next, period](double t) { return t < next - period / 2; }, gap);
        WalkBeats(next, nextPeriod, -1, placed,
                  [here, nextPeriod](double t) { return t > here + nextPeriod / 2; }, gap);
        std::sort(gap.begin(), gap.end());
        for (double b : gap)
            if (b - out.back() > Reach && next - b > Reach)
                out.push_back(b);
    }
    WalkBeats(tracked.back(), periods.back(), +1, placed, [duration](double t) { return t <= duration; }, out);
    return out;
}

double TempoFromBeats(const std::vector<double>& beats)
{
    if (beats.size() < 2)
        return 0;
    std::vector<double> gaps;
    gaps.reserve(beats.size() - 1);
    for (size_t i = 1; i < beats.size(); ++i)
        gaps.push_back(beats[i] - beats[i - 1]);
    const auto middle = gaps.begin() + qsizetype(gaps.size() / 2);
    std::nth_element(gaps.begin(), middle, gaps.end());
    double median = *middle;
    if (gaps.size() % 2 == 0)
        median = (median + *std::max_element(gaps.begin(), middle)) / 2;
    return median > 0 ? 60.0 / median : 0;
}
