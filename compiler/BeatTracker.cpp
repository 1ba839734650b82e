#include "BeatTracker.h"

#include "BeatGrid.h"

#include <fftw3.h>
#include <soxr.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <mutex>
#include <numeric>

namespace {

constexpr int Rate = TBeatTracker::AnalysisRate;
constexpr int FrameSize = TBeatTracker::FrameSize;
constexpr int Hop = TBeatTracker::HopSize;
constexpr int Bins = FrameSize / 2 + 1;
constexpr double FrameRate = double(Rate) / Hop;
constexpr double BinHz = double(Rate) / FrameSize;
// The flux compares each frame with the one this many hops before: where the
// window has fallen to half, so the two frames overlap little.
constexpr int FluxLag = 2;
// The complex-domain feature looks at the bins up to about 5 kHz, where the
// phase of tones and voices is steady enough to predict.
constexpr int PhaseBins = int(5000 / BinHz);
// Levels count from this share of the loudest bin so far (see Frame), and from
// no less than this (a little over the noise of 16-bit silence).
constexpr float KneeShare = 1e-2f;
constexpr float MinKnee = 1e-3f;
// Bands up to this frequency carry the kick drum.
constexpr double KickHz = 150;

// FFTW's planner is not thread-safe, and the editor analyses music on a thread
// of its own while another may start.
std::mutex& PlannerLock()
{
    static std::mutex lock;
    return lock;
}

// ln(1 + x) for x >= 0 to about 1e-7: hundreds are taken per frame, and
// std::log1p would be most of the analysis time. Written without branches, so
// the compiler can take several at once.
inline float Log1p(float x)
{
    const uint32_t bits = std::bit_cast<uint32_t>(1.0f + x);
    // 1 + x = 2^e * m with m in [0.707, 1.414).
    const uint32_t shifted = bits + (0x3F800000u - 0x3F3504F3u);
    const int exponent = int(shifted >> 23) - 127;
    const float m = std::bit_cast<float>((shifted & 0x7FFFFFu) + 0x3F3504F3u);
    const float t = (m - 1) / (m + 1);
    const float t2 = t * t;
    return float(exponent) * 0.693147181f
           + 2 * t * (1 + t2 * (1.0f / 3 + t2 * (1.0f / 5 + t2 * (1.0f / 7))));
}

// Sums and maxima in eight running parts: a single running sum waits on itself
// at every step, and the order stays fixed so the result does not depend on the
// machine.
inline float SumOf(const float* x, int n)
{
    float part[8] = {};
    int i = 0;
    for (; i + 8 <= n; i += 8)
        for (int j = 0; j < 8; ++j)
            part[j] += x[i + j];
    float sum = 0;
    for (; i < n; ++i)
        sum += x[i];
    for (float p : part)
        sum += p;
    return sum;
}

inline float SumOfSquares(const float* x, int n)
{
    float part[8] = {};
    int i = 0;
    for (; i + 8 <= n; i += 8)
        for (int j = 0; j < 8; ++j)
            part[j] += x[i + j] * x[i + j];
    float sum = 0;
    for (; i < n; ++i)
        sum += x[i] * x[i];
    for (float p : part)
        sum += p;
    return sum;
}

inline float MaxOf(const float* x, int n)
{
    float part[8] = {};
    int i = 0;
    for (; i + 8 <= n; i += 8)
        for (int j = 0; j < 8; ++j)
            part[j] = part[j] > x[i + j] ? part[j] : x[i + j];
    float most = 0;
    for (; i < n; ++i)
        most = std::max(most, x[i]);
    for (float p : part)
        most = std::max(most, p);
    return most;
}

// The music at the analysis rate, kept to find each beat's onset to the sample
// once the beats are known: 16 bits a sample with a scale for every 256, so quiet
// and loud passages keep their detail at half the memory of floats.
class TCompactSignal {
public:
    static constexpr int Block = 256;

    void Append(const float* x, size_t n)
    {
        for (size_t i = 0; i < n; ++i) {
            Open[OpenCount++] = x[i];
            if (OpenCount == Block)
                CloseBlock();
        }
    }
    void Finish()
    {
        if (OpenCount > 0) {
            std::fill(Open + OpenCount, Open + Block, 0.0f);
            const int keep = OpenCount;
            CloseBlock();
            Count -= Block - keep;
        }
    }
    qint64 Size() const { return Count; }
    // Samples [from, from + n), zeros outside the music.
    void Read(qint64 from, int n, float* out) const
    {
        for (int i = 0; i < n; ++i) {
            const qint64 at = from + i;
            out[i] = at >= 0 && at < Count ? float(Values[size_t(at)]) * Scales[size_t(at / Block)] : 0.0f;
        }
    }

private:
    void CloseBlock()
    {
        float peak = 0;
        for (float v : Open)
            peak = std::max(peak, std::abs(v));
        const float scale = peak > 0 ? peak / 32767.0f : 1.0f;
        Scales.push_back(scale);
        for (float v : Open)
            Values.push_back(qint16(std::lrint(std::clamp(v / scale, -32767.0f, 32767.0f))));
        Count += Block;
        OpenCount = 0;
    }

    std::vector<qint16> Values;
    std::vector<float> Scales;
    float Open[Block] = {};
    int OpenCount = 0;
    qint64 Count = 0;
};

// What one spectral frame tells, every hop.
struct TFrameFeatures {
    std::vector<float> Flux, Phase, Kick, Energy;
};

template <typename T>
struct TFftwFree {
    void operator()(T* p) const { fftwf_free(p); }
};

// The log-spaced bands of the spectral flux: twelve to the octave from 30 Hz,
// each at least one bin wide.
struct TBands {
    std::vector<int> Start;       // first bin of each band; one more entry ends the last
    std::vector<float> Inverse;   // 1 / the bins of each band
    int KickBands = 0;            // bands below KickHz

    TBands()
    {
        int bin = 1;
        for (int j = 1; bin < Bins; ++j) {
            const double edge = 30.0 * std::pow(2.0, j / 12.0);
            const int end = std::min(Bins, std::max(bin + 1, int(std::lround(edge / BinHz))));
            Start.push_back(bin);
            if (end * BinHz <= KickHz * 1.01)
                KickBands = int(Start.size());
            bin = end;
        }
        Start.push_back(Bins);
        for (size_t b = 0; b + 1 < Start.size(); ++b)
            Inverse.push_back(1.0f / float(Start[b + 1] - Start[b]));
    }
    int Count() const { return int(Start.size()) - 1; }
};

const TBands& Bands()
{
    static const TBands bands;
    return bands;
}

double Percentile(std::vector<float> values, double share)
{
    if (values.empty())
        return 0;
    const size_t k = std::min(values.size() - 1, size_t(share * double(values.size())));
    std::nth_element(values.begin(), values.begin() + std::ptrdiff_t(k), values.end());
    return values[k];
}

double TempoPrior(double bpm)
{
    // Mild: a whole octave from 120 bpm still weighs 0.6.
    const double octaves = std::log2(bpm / 120.0);
    return std::exp(-0.5 * octaves * octaves);
}

// Autocorrelations through FFTW of stretches up to one length, with one pair of
// plans for all of them.
class TAutocorrelator {
public:
    explicit TAutocorrelator(size_t length)
    {
        while (Size < 2 * length)
            Size *= 2;
        Data = fftw_alloc_real(Size);
        Spectrum = fftw_alloc_complex(Size / 2 + 1);
        const std::lock_guard<std::mutex> lock(PlannerLock());
        Forward = fftw_plan_dft_r2c_1d(int(Size), Data, Spectrum, FFTW_ESTIMATE);
        Backward = fftw_plan_dft_c2r_1d(int(Size), Spectrum, Data, FFTW_ESTIMATE);
    }
    ~TAutocorrelator()
    {
        {
            const std::lock_guard<std::mutex> lock(PlannerLock());
            fftw_destroy_plan(Forward);
            fftw_destroy_plan(Backward);
        }
        fftw_free(Data);
        fftw_free(Spectrum);
    }
    TAutocorrelator(const TAutocorrelator&) = delete;
    TAutocorrelator& operator=(const TAutocorrelator&) = delete;

    // The autocorrelation of x[0, n) for lags 0 .. maxLag (at most n - 1).
    std::vector<double> Run(const double* x, size_t n, int maxLag)
    {
        std::fill(Data, Data + Size, 0.0);
        std::copy(x, x + std::min(n, Size / 2), Data);
        fftw_execute(Forward);
        for (size_t k = 0; k < Size / 2 + 1; ++k) {
            Spectrum[k][0] = Spectrum[k][0] * Spectrum[k][0] + Spectrum[k][1] * Spectrum[k][1];
            Spectrum[k][1] = 0;
        }
        fftw_execute(Backward);
        std::vector<double> acf(size_t(std::clamp<qint64>(maxLag, 0, qint64(n) - 1) + 1));
        for (size_t i = 0; i < acf.size(); ++i)
            acf[i] = Data[i] / double(Size);
        return acf;
    }

private:
    size_t Size = 1;
    double* Data = nullptr;
    fftw_complex* Spectrum = nullptr;
    fftw_plan Forward = nullptr, Backward = nullptr;
};

// Linear interpolation of `v` at a fractional index; 0 outside.
double At(const std::vector<double>& v, double x)
{
    if (x < 0 || x > double(v.size() - 1))
        return 0;
    const size_t i = size_t(x);
    if (i + 1 >= v.size())
        return v[i];
    const double f = x - double(i);
    return v[i] * (1 - f) + v[i + 1] * f;
}

// The highest value of `v` within `reach` of `x`.
double PeakNear(const std::vector<double>& v, double x, double reach)
{
    const qint64 from = std::max<qint64>(0, qint64(std::ceil(x - reach)));
    const qint64 to = std::min<qint64>(qint64(v.size()) - 1, qint64(std::floor(x + reach)));
    double best = 0;
    for (qint64 i = from; i <= to; ++i)
        best = std::max(best, v[size_t(i)]);
    return best;
}

// The beat period (in frames) that best explains the onset strength: the lag
// whose first four multiples all find the autocorrelation high, weighed by the
// prior, then refined on up to sixteen multiples to a fraction of a frame.
double GlobalPeriod(const std::vector<double>& strength, double shortest, double longest)
{
    const int maxLag = int(std::ceil(16 * longest)) + 2;
    std::vector<double> acf = TAutocorrelator(strength.size()).Run(strength.data(), strength.size(), maxLag);
    if (acf.size() < size_t(shortest) + 2 || !(acf[0] > 0))
        return 0;
    const double zero = acf[0];
    for (double& a : acf)
        a = std::max(0.0, a / zero);
    double best = 0, bestScore = -1;
    for (double lag = shortest; lag <= longest; lag *= 1.0025) {
        double score = 0;
        for (int k = 1; k <= 4; ++k)
            score += (k == 1 ? 2 : 1) * PeakNear(acf, k * lag, 1 + 0.01 * k * lag);
        score *= TempoPrior(60 * FrameRate / lag);
        if (score > bestScore) {
            bestScore = score;
            best = lag;
        }
    }
    if (best <= 0)
        return 0;
    // Smoothed a little, so that the peaks of the multiples are found by interpolation.
    std::vector<double> smooth(acf.size());
    for (size_t i = 0; i < acf.size(); ++i)
        smooth[i] = 0.25 * acf[i > 0 ? i - 1 : i] + 0.5 * acf[i] + 0.25 * acf[i + 1 < acf.size() ? i + 1 : i];
    double refined = best, refinedScore = -1;
    for (double lag = best * 0.97; lag <= best * 1.03; lag += 0.01) {
        double score = 0;
        const int multiples = std::clamp(int(double(acf.size() - 1) / lag), 1, 16);
        for (int k = 1; k <= multiples; ++k)
            score += At(smooth, k * lag);
        score /= multiples;
        if (score > refinedScore) {
            refinedScore = score;
            refined = lag;
        }
    }
    return refined;
}

// The mean strength on a grid of `period` frames through `phase`, each point
// the highest within a frame of it.
double GridStrength(const std::vector<double>& strength, double phase, double period, size_t from, size_t to)
{
    double sum = 0;
    int count = 0;
    for (double t = phase; t < double(to); t += period) {
        if (t < double(from))
            continue;
        const size_t i = size_t(std::lround(t));
        double v = strength[std::min(i, to - 1)];
        if (i > 0)
            v = std::max(v, strength[i - 1]);
        if (i + 1 < to)
            v = std::max(v, strength[i + 1]);
        sum += v;
        ++count;
    }
    return count ? sum / count : 0;
}

// The phase (frames, within one period) whose grid is strongest.
double BestPhase(const std::vector<double>& strength, double period, size_t from, size_t to)
{
    double best = double(from), bestValue = -1;
    for (double phase = double(from); phase < double(from) + period; phase += 1) {
        const double v = GridStrength(strength, phase, period, from, to);
        if (v > bestValue) {
            bestValue = v;
            best = phase;
        }
    }
    return best;
}

// Whether the beat is really at the double or the half of `period`: when the
// points halfway between the beats are about as strong as the beats, the beat
// is the faster pulse (clicks at 174 bpm, not every other one at 87); when every
// other beat is much weaker, the slower one (a kick on the beat and a hi-hat
// between). Each share is weighed by the tempo prior; a busy groove whose
// off-beats are nearly as strong as its beats keeps the slower pulse.
double SettleOctave(const std::vector<double>& strength, double period, size_t from, size_t to,
                    double shortest, double longest)
{
    constexpr double FasterShare = 0.8, SlowerShare = 0.6;
    const auto prior = [](double lag) { return TempoPrior(60 * FrameRate / lag); };
    const double phase = BestPhase(strength, period, from, to);
    if (period / 2 >= shortest) {
        const double on = GridStrength(strength, phase, period, from, to);
        const double between = GridStrength(strength, phase + period / 2, period, from, to);
        if (on > 0 && between / on * prior(period / 2) >= FasterShare * prior(period))
            return period / 2;
    }
    if (period * 2 <= longest) {
        const double even = GridStrength(strength, phase, 2 * period, from, to);
        const double odd = GridStrength(strength, phase + period, 2 * period, from, to);
        const double strong = std::max(even, odd), weak = std::min(even, odd);
        if (strong > 0 && weak / strong * prior(period) < SlowerShare * prior(2 * period))
            return period * 2;
    }
    return period;
}

// The beat period around each frame of [from, to), for music whose tempo
// changes: the comb of the autocorrelation in 8-second windows every second,
// over periods within half an octave of the global `period`, and the path
// through the windows that best follows the combs while changing little
// (a Viterbi path: a change of a third of an octave costs as much as three
// windows preferring one period to another by a factor of 3).
std::vector<double> LocalPeriods(const std::vector<double>& strength, size_t from, size_t to, double period,
                                 double shortest, double longest)
{
    const size_t n = to - from;
    const int window = int(8 * FrameRate), step = int(FrameRate);
    std::vector<double> octaves, candidates;
    for (int i = -50; i <= 50; ++i) {
        const double c = period * std::exp2(i / 100.0);
        if (c >= shortest * 0.999 && c <= longest * 1.001) {
            octaves.push_back(i / 100.0);
            candidates.push_back(c);
        }
    }
    if (candidates.size() < 2 || n < size_t(window))
        return std::vector<double>(n, period);
    const size_t windows = (n - size_t(window)) / size_t(step) + 1, count = candidates.size();
    std::vector<double> hann(static_cast<size_t>(window)), segment(static_cast<size_t>(window));
    for (int i = 0; i < window; ++i)
        hann[size_t(i)] = 0.5 - 0.5 * std::cos(2 * M_PI * (i + 0.5) / window);
    TAutocorrelator autocorrelation(static_cast<size_t>(window));
    std::vector<double> emission(windows * count);
    for (size_t w = 0; w < windows; ++w) {
        const size_t start = from + w * size_t(step);
        const double mean =
            std::accumulate(strength.begin() + std::ptrdiff_t(start), strength.begin() + std::ptrdiff_t(start) + window, 0.0)
            / window;
        for (int i = 0; i < window; ++i)
            segment[size_t(i)] = (strength[start + size_t(i)] - mean) * hann[size_t(i)];
        std::vector<double> acf = autocorrelation.Run(segment.data(), segment.size(), window - 1);
        const double zero = acf[0];
        double most = 0;
        for (size_t c = 0; c < count; ++c) {
            double score = 0;
            int used = 0;
            for (int k = 1; k <= 4 && k * candidates[c] < 0.75 * window; ++k, ++used)
                score += PeakNear(acf, k * candidates[c], 1 + 0.01 * k * candidates[c]);
            score = zero > 0 && used > 0 ? std::max(0.0, score / used / zero) : 0.0;
            emission[w * count + c] = score;
            most = std::max(most, score);
        }
        for (size_t c = 0; c < count; ++c)
            emission[w * count + c] = std::log(0.05 + (most > 0 ? emission[w * count + c] / most : 1.0));
    }
    constexpr double ChangeCost = 10;   // per octave, in units of the log of the comb
    std::vector<double> value(emission.begin(), emission.begin() + std::ptrdiff_t(count)), next(count);
    std::vector<int> back(windows * count, 0);
    for (size_t w = 1; w < windows; ++w) {
        for (size_t c = 0; c < count; ++c) {
            double best = -std::numeric_limits<double>::infinity();
            int arg = 0;
            for (size_t d = 0; d < count; ++d) {
                const double v = value[d] - ChangeCost * std::abs(octaves[c] - octaves[d]);
                if (v > best) {
                    best = v;
                    arg = int(d);
                }
            }
            next[c] = best + emission[w * count + c];
            back[w * count + c] = arg;
        }
        value.swap(next);
    }
    std::vector<double> path(windows);
    size_t c = size_t(std::max_element(value.begin(), value.end()) - value.begin());
    for (size_t w = windows; w-- > 0;) {
        path[w] = candidates[c];
        c = size_t(back[w * count + c]);
    }
    std::vector<double> local(n);
    for (size_t i = 0; i < n; ++i) {
        const qint64 w = std::clamp<qint64>(std::llround((double(i) - window / 2.0) / step), 0, qint64(windows) - 1);
        local[i] = path[size_t(w)];
    }
    return local;
}

// Beats by dynamic programming over the onset strength: each frame's best chain
// of beats ending there, where a chain gains the strength at its beats (above
// the mean, so a beat where nothing sounds costs a little) and pays for each gap
// that differs from the gap before it (a change of tempo costs a little once)
// and from `period` (so the chain keeps to this octave). A chain starts afresh
// where nothing before it pays. Gaps stay between half and twice the period; a
// stretch the chains leave out (no onsets for long) is filled at the period.
std::vector<int> DecodeBeats(const std::vector<double>& strength, const std::vector<double>& periods, size_t from,
                             size_t to)
{
    constexpr double FollowCost = 60;   // times the squared log ratio of consecutive gaps
    constexpr double TempoCost = 12;    // times the squared log ratio of gap and local period
    const size_t n = to - from;
    const double most = *std::max_element(periods.begin(), periods.end());
    const int longestAll = int(std::ceil(most * 1.8));
    std::vector<double> logGap(size_t(longestAll) + 1, 0.0);
    for (int d = 1; d <= longestAll; ++d)
        logGap[size_t(d)] = std::log(double(d));
    const double mean = std::accumulate(strength.begin() + std::ptrdiff_t(from), strength.begin() + std::ptrdiff_t(to),
                                        0.0) / double(n);
    std::vector<double> score(n), logInterval(n);
    std::vector<int> previous(n, -1);
    for (size_t i = 0; i < n; ++i) {
        const double period = periods[i], logPeriod = std::log(period);
        logInterval[i] = logPeriod;
        double best = 0;
        int arg = -1;
        const qint64 first = std::max<qint64>(0, qint64(i) - qint64(std::ceil(period * 1.8)));
        const qint64 last = qint64(i) - std::max(1, int(period / 1.8));
        for (qint64 j = first; j <= last; ++j) {
            const double lg = logGap[i - size_t(j)];
            const double follow = lg - logInterval[size_t(j)];
            const double tempo = lg - logPeriod;
            const double s = score[size_t(j)] - FollowCost * follow * follow - TempoCost * tempo * tempo;
            if (s > best) {
                best = s;
                arg = int(j);
            }
        }
        score[i] = strength[from + i] - mean + best;
        if (arg >= 0) {
            previous[i] = arg;
            logInterval[i] = logGap[i - size_t(arg)];
        }
    }
    // Chains from the end backwards: each ends at the best frame before the
    // start of the one after it.
    std::vector<int> beats;
    qint64 limit = qint64(n) - 1;
    while (limit >= 0) {
        qint64 end = -1;
        const double period = periods[size_t(limit)];
        for (qint64 i = std::max<qint64>(0, limit - qint64(std::ceil(period * 1.8))); i <= limit; ++i)
            if (end < 0 || score[size_t(i)] > score[size_t(end)])
                end = i;
        if (score[size_t(end)] <= 0 && !beats.empty())
            break;
        // Fills the stretch up to the chain after this one at about the period
        // (the beats are gathered from the last one backwards).
        if (!beats.empty()) {
            const int later = beats.back();
            const double gap = double(later - end);
            const int steps = std::max(1, int(std::lround(gap / period)));
            for (int k = 1; k < steps; ++k)
                beats.push_back(int(std::lround(later - gap * k / steps)));
        }
        for (qint64 i = end; i >= 0; i = previous[size_t(i)])
            beats.push_back(int(i));
        limit = qint64(beats.back()) - std::max(1, int(periods[size_t(beats.back())] / 1.8));
    }
    std::reverse(beats.begin(), beats.end());
    for (int& b : beats)
        b += int(from);
    return beats;
}

} // namespace

struct TBeatTracker::TState {
    TBeatOptions Options;
    int InputRate = 0;
    bool Valid = false;
    bool Finished = false;
    soxr_t Resampler = nullptr;
    std::vector<float> Clean, Resampled;

    TCompactSignal Signal;
    std::vector<float> Pending;   // analysis-rate samples not yet past the frames
    size_t Position = 0;          // start of the next frame in Pending

    std::vector<float> Window;
    std::unique_ptr<float, TFftwFree<float>> In;
    std::unique_ptr<fftwf_complex, TFftwFree<fftwf_complex>> Out;
    fftwf_plan Plan = nullptr;
    std::vector<float> Magnitude, Level, Level1, Level2;   // band levels now, one and two frames ago
    // Per bin of the complex domain: level and unit phasor now, one and two frames ago.
    std::vector<float> PhaseLevel, PhaseLevel1, UnitRe, UnitIm, Unit1Re, Unit1Im, Unit2Re, Unit2Im, Deviation;
    float Peak = 0;                 // the loudest bin so far
    TFrameFeatures Features;
    std::vector<float> Knees;       // the knee each frame was measured with

    TState(int rate, const TBeatOptions& options);
    ~TState();
    void Feed(const float* x, size_t n);
    // Measures the frame at x[0, FrameSize): appends its features, or with
    // `index` >= 0 puts them there, measured against the knee `knee`.
    void Frame(const float* x, qint64 index = -1, float knee = 0);
    void ForgetHistory();
};

TBeatTracker::TState::TState(int rate, const TBeatOptions& options) : Options(options), InputRate(rate)
{
    if (rate <= 0)
        return;
    if (rate != Rate) {
        soxr_error_t error = nullptr;
        const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_MQ, 0);
        const soxr_runtime_spec_t runtime = soxr_runtime_spec(1);
        Resampler = soxr_create(rate, Rate, 1, &error, nullptr, &quality, &runtime);
        if (error || !Resampler)
            return;
    }
    Window.resize(FrameSize);
    for (int i = 0; i < FrameSize; ++i)
        Window[size_t(i)] = float(0.5 - 0.5 * std::cos(2 * M_PI * (i + 0.5) / FrameSize));
    In.reset(fftwf_alloc_real(FrameSize));
    Out.reset(fftwf_alloc_complex(Bins));
    if (!In || !Out)
        return;
    {
        const std::lock_guard<std::mutex> lock(PlannerLock());
        Plan = fftwf_plan_dft_r2c_1d(FrameSize, In.get(), Out.get(), FFTW_ESTIMATE);
    }
    if (!Plan)
        return;
    const int bands = Bands().Count();
    Magnitude.assign(Bins, 0.0f);
    Level.assign(size_t(bands), 0.0f);
    Level1 = Level2 = Level;
    PhaseLevel.assign(PhaseBins + 1, 0.0f);
    PhaseLevel1 = Deviation = UnitIm = Unit1Im = Unit2Im = PhaseLevel;
    UnitRe = Unit1Re = Unit2Re = std::vector<float>(PhaseBins + 1, 1.0f);
    // Frame k is centred on sample k * Hop.
    Pending.assign(FrameSize / 2, 0.0f);
    Valid = true;
}

TBeatTracker::TState::~TState()
{
    if (Resampler)
        soxr_delete(Resampler);
    if (Plan) {
        const std::lock_guard<std::mutex> lock(PlannerLock());
        fftwf_destroy_plan(Plan);
    }
}

void TBeatTracker::TState::Feed(const float* x, size_t n)
{
    Signal.Append(x, n);
    Pending.insert(Pending.end(), x, x + n);
    while (Pending.size() - Position >= size_t(FrameSize)) {
        Frame(Pending.data() + Position);
        Position += Hop;
    }
    if (Position >= 1 << 16) {
        Pending.erase(Pending.begin(), Pending.begin() + std::ptrdiff_t(Position));
        Position = 0;
    }
}

void TBeatTracker::TState::ForgetHistory()
{
    std::fill(Level1.begin(), Level1.end(), 0.0f);
    std::fill(Level2.begin(), Level2.end(), 0.0f);
    std::fill(PhaseLevel1.begin(), PhaseLevel1.end(), 0.0f);
    std::fill(Unit1Re.begin(), Unit1Re.end(), 1.0f);
    std::fill(Unit2Re.begin(), Unit2Re.end(), 1.0f);
    std::fill(Unit1Im.begin(), Unit1Im.end(), 0.0f);
    std::fill(Unit2Im.begin(), Unit2Im.end(), 0.0f);
}

void TBeatTracker::TState::Frame(const float* x, qint64 index, float knee)
{
    float* __restrict in = In.get();
    const float* __restrict window = Window.data();
    for (int i = 0; i < FrameSize; ++i)
        in[i] = x[i] * window[i];
    const float energy = SumOfSquares(in, FrameSize);
    fftwf_execute_dft_r2c(Plan, in, Out.get());
    const float* __restrict spectrum = reinterpret_cast<const float*>(Out.get());
    float* __restrict magnitude = Magnitude.data();
    for (int k = 0; k < Bins; ++k)
        magnitude[k] = std::sqrt(spectrum[2 * k] * spectrum[2 * k] + spectrum[2 * k + 1] * spectrum[2 * k + 1]);
    // Levels are compressed as log(1 + magnitude / knee): in proportion to their
    // loudness from 40 dB under the loudest bin so far, so a quiet file counts
    // as much as a loud one and the noise floor hardly at all. Frames measured
    // before the music got loud are measured again at the end (see Finish).
    if (index < 0) {
        Peak = std::max(Peak, MaxOf(magnitude, Bins));
        knee = std::max(Peak * KneeShare, MinKnee);
    }
    const float inverseKnee = 1.0f / knee;

    const TBands& bands = Bands();
    const int count = bands.Count();
    float* __restrict level = Level.data();
    for (int b = 0; b < count; ++b) {
        float sum = 0;
        const int first = bands.Start[size_t(b)], end = bands.Start[size_t(b) + 1];
        for (int k = first; k < end; ++k)
            sum += magnitude[k];
        level[b] = sum * bands.Inverse[size_t(b)] * inverseKnee;
    }
    for (int b = 0; b < count; ++b)
        level[b] = Log1p(level[b]);
    const float* __restrict level2 = Level2.data();
    float flux = 0, kick = 0;
    for (int b = 0; b < count; ++b) {
        float reference = level2[b];
        if (b > 0)
            reference = std::max(reference, level2[b - 1]);
        if (b + 1 < count)
            reference = std::max(reference, level2[b + 1]);
        flux += std::max(0.0f, level[b] - reference);
        if (b < bands.KickBands)
            kick += std::max(0.0f, level[b] - level2[b]);
    }
    static_assert(FluxLag == 2, "the levels kept are those of the last two frames");
    std::swap(Level2, Level1);
    std::swap(Level1, Level);

    // Complex domain: how far each bin lands from where its last two frames
    // predict (same level, same phase advance), where its level rises.
    constexpr int P = PhaseBins + 1;
    float* __restrict phaseLevel = PhaseLevel.data();
    float* __restrict ur = UnitRe.data();
    float* __restrict ui = UnitIm.data();
    for (int k = 1; k < P; ++k) {
        const float m = magnitude[k];
        phaseLevel[k] = Log1p(m * inverseKnee);
        const float inverse = m > 0 ? 1.0f / m : 0.0f;
        ur[k] = m > 0 ? spectrum[2 * k] * inverse : 1.0f;
        ui[k] = spectrum[2 * k + 1] * inverse;
    }
    const float* __restrict last = PhaseLevel1.data();
    const float* __restrict u1r = Unit1Re.data();
    const float* __restrict u1i = Unit1Im.data();
    const float* __restrict u2r = Unit2Re.data();
    const float* __restrict u2i = Unit2Im.data();
    float* __restrict deviation = Deviation.data();
    for (int k = 1; k < P; ++k) {
        // Predicted unit phasor: u1 * u1 * conj(u2).
        const float sr = u1r[k] * u1r[k] - u1i[k] * u1i[k];
        const float si = 2 * u1r[k] * u1i[k];
        const float pr = sr * u2r[k] + si * u2i[k];
        const float pi = si * u2r[k] - sr * u2i[k];
        const float dr = phaseLevel[k] * ur[k] - last[k] * pr;
        const float di = phaseLevel[k] * ui[k] - last[k] * pi;
        deviation[k] = phaseLevel[k] > last[k] ? std::sqrt(dr * dr + di * di) : 0.0f;
    }
    const float phase = SumOf(deviation + 1, P - 1);
    // Two frames back becomes one frame back, one back becomes now.
    std::swap(Unit2Re, Unit1Re);
    std::swap(Unit2Im, Unit1Im);
    std::swap(Unit1Re, UnitRe);
    std::swap(Unit1Im, UnitIm);
    std::swap(PhaseLevel1, PhaseLevel);

    if (index >= 0) {
        const size_t i = size_t(index);
        Features.Flux[i] = flux;
        Features.Phase[i] = phase;
        Features.Kick[i] = kick;
        Features.Energy[i] = energy;
        Knees[i] = knee;
        return;
    }
    Features.Flux.push_back(flux);
    Features.Phase.push_back(phase);
    Features.Kick.push_back(kick);
    Features.Energy.push_back(energy);
    Knees.push_back(knee);
}

TBeatTracker::TBeatTracker(int sampleRate, const TBeatOptions& options)
    : State(std::make_unique<TState>(sampleRate, options))
{
}

TBeatTracker::~TBeatTracker() = default;

bool TBeatTracker::IsValid() const
{
    return State->Valid;
}

void TBeatTracker::Add(const float* mono, qint64 count)
{
    if (!IsValid() || State->Finished || count <= 0)
        return;
    TState& s = *State;
    while (count > 0) {
        // Blocks whose output stays small whatever the rates.
        const qint64 most = std::max<qint64>(1, qint64(double(1 << 14) * s.InputRate / Rate));
        const size_t chunk = size_t(std::min<qint64>({count, most, 1 << 14}));
        // A sample that is no number (a damaged file) counts as silence.
        s.Clean.resize(chunk);
        for (size_t i = 0; i < chunk; ++i)
            s.Clean[i] = std::isfinite(mono[i]) ? mono[i] : 0.0f;
        mono += chunk;
        count -= qint64(chunk);
        if (!s.Resampler) {
            s.Feed(s.Clean.data(), chunk);
            continue;
        }
        size_t done = 0;
        while (done < chunk) {
            s.Resampled.resize(size_t(double(chunk - done) * Rate / s.InputRate) + 64);
            size_t used = 0, made = 0;
            soxr_process(s.Resampler, s.Clean.data() + done, chunk - done, &used, s.Resampled.data(),
                         s.Resampled.size(), &made);
            s.Feed(s.Resampled.data(), made);
            if (used == 0 && made == 0)
                break;   // cannot happen with room for the output; no endless loop if it does
            done += used;
        }
    }
}

namespace {

// How many analysis samples before and after the onset the energy windows of the
// refinement weigh, and their time constant.
constexpr double RiseReach = 0.025;
constexpr double RiseTime = 0.008;
// Where a beat's onset lies after the centre of the frame the decoder puts it
// on: the log flux rises as soon as the onset enters the window, so it peaks
// 9 to 17 ms before the onset reaches the centre.
constexpr double FrameBias = 0.012;

// The sample within `RiseReach` of `t` where the energy rises most steeply: the
// energy of the next few milliseconds against that of the last few
// (exponentially weighed), in proportion, so a sound that swells in is placed
// where it starts to be heard, not where it rises fastest in absolute terms;
// only where the energy ahead is at least a tenth of the most ahead in reach,
// so a whisper before the beat does not count. Returns the time and the rise
// there in absolute terms.
std::pair<double, double> SteepestRise(const TCompactSignal& signal, double t)
{
    const int reach = int(RiseReach * Rate);
    const int tail = int(6 * RiseTime * Rate);
    const qint64 centre = qint64(std::lround(t * Rate));
    const qint64 from = centre - reach - tail;
    const int n = 2 * (reach + tail) + 1;
    std::vector<float> x(static_cast<size_t>(n));
    signal.Read(from, n, x.data());
    const double decay = std::exp(-1.0 / (RiseTime * Rate));
    std::vector<double> before(size_t(n), 0.0), after(size_t(n), 0.0);
    for (int i = 1; i < n; ++i)
        before[size_t(i)] = decay * before[size_t(i) - 1] + double(x[size_t(i) - 1]) * x[size_t(i) - 1];
    after[size_t(n) - 1] = double(x[size_t(n) - 1]) * x[size_t(n) - 1];
    for (int i = n - 2; i >= 0; --i)
        after[size_t(i)] = decay * after[size_t(i) + 1] + double(x[size_t(i)]) * x[size_t(i)];
    const int first = tail, last = tail + 2 * reach;
    const double loudest = *std::max_element(after.begin() + first, after.begin() + last + 1);
    const double floor = 1e-2 * loudest + 1e-30;
    int best = tail + reach;
    double bestRatio = -1;
    for (int i = first; i <= last; ++i) {
        if (after[size_t(i)] < 0.1 * loudest)
            continue;
        const double ratio = (after[size_t(i)] + floor) / (before[size_t(i)] + floor);
        if (ratio > bestRatio) {
            bestRatio = ratio;
            best = i;
        }
    }
    return {double(from + best) / Rate, after[size_t(best)] - before[size_t(best)]};
}

// Straightens steady stretches: each beat is compared with a robust line through
// its neighbours (four on each side); where the neighbours keep time closely and
// the beat strays from their line, or found no onset, it goes onto the line.
std::vector<double> Straighten(const std::vector<double>& beats, const std::vector<bool>& supported)
{
    constexpr int Side = 4;
    const int n = int(beats.size());
    std::vector<double> out = beats;
    for (int i = 0; i < n; ++i) {
        const int from = std::max(0, i - Side), to = std::min(n - 1, i + Side);
        if (to - from < 4)
            continue;
        std::vector<double> slopes;
        for (int a = from; a <= to; ++a)
            for (int b = a + 1; b <= to; ++b)
                if (a != i && b != i)
                    slopes.push_back((beats[size_t(b)] - beats[size_t(a)]) / (b - a));
        std::nth_element(slopes.begin(), slopes.begin() + std::ptrdiff_t(slopes.size() / 2), slopes.end());
        const double slope = slopes[slopes.size() / 2];
        std::vector<double> offsets;
        for (int j = from; j <= to; ++j)
            if (j != i)
                offsets.push_back(beats[size_t(j)] - slope * (j - i));
        std::nth_element(offsets.begin(), offsets.begin() + std::ptrdiff_t(offsets.size() / 2), offsets.end());
        const double line = offsets[offsets.size() / 2];
        std::vector<double> residuals;
        for (int j = from; j <= to; ++j)
            if (j != i)
                residuals.push_back(std::abs(beats[size_t(j)] - (line + slope * (j - i))));
        std::nth_element(residuals.begin(), residuals.begin() + std::ptrdiff_t(residuals.size() / 2),
                         residuals.end());
        const double spread = residuals[residuals.size() / 2];
        const double off = std::abs(beats[size_t(i)] - line);
        if (spread > 0.015)
            continue;   // no steady stretch here
        if (!supported[size_t(i)] || off > std::max(0.004, 4 * spread))
            out[size_t(i)] = line;
    }
    return out;
}

} // namespace

void TBeatTracker::Finish()
{
    if (!IsValid() || State->Finished)
        return;
    TState& s = *State;
    s.Finished = true;
    if (s.Resampler) {
        for (;;) {
            s.Resampled.resize(4096);
            size_t made = 0;
            soxr_process(s.Resampler, nullptr, 0, nullptr, s.Resampled.data(), s.Resampled.size(), &made);
            if (made == 0)
                break;
            s.Feed(s.Resampled.data(), made);
        }
    }
    s.Signal.Finish();
    // The frames up to the last sample: pad with silence past the end.
    const std::vector<float> silence(FrameSize / 2, 0.0f);
    const qint64 samples = s.Signal.Size();
    s.Pending.insert(s.Pending.end(), silence.begin(), silence.end());
    while (s.Pending.size() - s.Position >= size_t(FrameSize)) {
        s.Frame(s.Pending.data() + s.Position);
        s.Position += Hop;
    }
    const TFrameFeatures& f = s.Features;
    const size_t frames = std::min<size_t>(f.Flux.size(), size_t(samples / Hop + 1));
    if (frames < size_t(2 * FrameRate))
        return;
    // Frames measured against a knee far under the final one (a quiet intro, the
    // noise before the music) would count their noise as onsets: they are
    // measured again against the final knee.
    {
        const float knee = std::max(s.Peak * KneeShare, MinKnee);
        size_t again = 0;
        while (again < frames && s.Knees[again] < 0.5f * knee)
            ++again;
        if (again > 0) {
            s.ForgetHistory();
            std::vector<float> x(FrameSize);
            for (size_t i = 0; i < again + FluxLag && i < frames; ++i) {
                s.Signal.Read(qint64(i) * Hop - FrameSize / 2, FrameSize, x.data());
                s.Frame(x.data(), qint64(i), i < again ? knee : s.Knees[i]);
            }
        }
    }

    // Silence: frames 70 dB under the loudest. Relative, so the gap between single
    // clicks is silence but the clicks are not.
    const float loudest = *std::max_element(f.Energy.begin(), f.Energy.begin() + std::ptrdiff_t(frames));
    const float gate = std::max(loudest * 1e-7f, 1e-9f);
    std::vector<bool> active(frames);
    size_t firstActive = frames, lastActive = 0;
    for (size_t i = 0; i < frames; ++i) {
        active[i] = f.Energy[i] > gate;
        if (active[i]) {
            firstActive = std::min(firstActive, i);
            lastActive = i;
        }
    }
    if (firstActive >= lastActive)
        return;

    // The onset strength: each feature in units of its own mean over the music,
    // summed, then in units of the sum's spread.
    const auto meanOf = [&](const std::vector<float>& v) {
        double sum = 0;
        for (size_t i = firstActive; i <= lastActive; ++i)
            sum += v[i];
        const double mean = sum / double(lastActive - firstActive + 1);
        return mean > 0 ? 1.0 / mean : 0.0;
    };
    const double fluxScale = meanOf(f.Flux), phaseScale = meanOf(f.Phase), kickScale = meanOf(f.Kick);
    std::vector<double> strength(frames, 0.0);
    for (size_t i = firstActive; i <= lastActive; ++i)
        strength[i] = f.Flux[i] * fluxScale + 0.5 * f.Phase[i] * phaseScale + 0.5 * f.Kick[i] * kickScale;
    // Frames that reach past either end of the file compare the music with the
    // silence around it: sound that starts with the file is no onset.
    const size_t edge = size_t(FrameSize / 2 / Hop);
    for (size_t i = 0; i < frames; ++i)
        if (i < edge || qint64(i * Hop) > samples - FrameSize / 2)
            strength[i] = 0;
    {
        double sum = 0, squares = 0;
        const double count = double(lastActive - firstActive + 1);
        for (size_t i = firstActive; i <= lastActive; ++i) {
            sum += strength[i];
            squares += strength[i] * strength[i];
        }
        const double mean = sum / count;
        const double spread = std::sqrt(std::max(0.0, squares / count - mean * mean));
        if (!(spread > 0))
            return;
        for (double& v : strength)
            v /= spread;
    }

    // Onsets: peaks of the strength over its local mean.
    {
        const int half = int(0.1 * FrameRate);
        for (size_t i = firstActive + 1; i + 1 <= lastActive; ++i) {
            if (strength[i] < strength[i - 1] || strength[i] < strength[i + 1])
                continue;
            double local = 0;
            int count = 0;
            for (qint64 j = qint64(i) - half; j <= qint64(i) + half; ++j)
                if (j >= 0 && j < qint64(frames)) {
                    local += strength[size_t(j)];
                    ++count;
                }
            const double t = double(i) / FrameRate + FrameBias;
            if (strength[i] > local / count + 0.5 && (FOnsets.empty() || t - FOnsets.back() > 0.03))
                FOnsets.push_back(t);
        }
    }

    // A range that is no range is taken as the default one.
    TBeatOptions range = s.Options;
    if (!(range.MinBpm >= TBeatOptions::LowestBpm && range.MaxBpm <= TBeatOptions::HighestBpm
          && range.MinBpm < range.MaxBpm))
        range = TBeatOptions{};
    const double minBpm = range.MinBpm, maxBpm = range.MaxBpm;
    const double shortest = 60 * FrameRate / maxBpm, longest = 60 * FrameRate / minBpm;
    std::vector<double> centred(strength.begin() + std::ptrdiff_t(firstActive),
                                strength.begin() + std::ptrdiff_t(lastActive + 1));
    {
        const double mean = std::accumulate(centred.begin(), centred.end(), 0.0) / double(centred.size());
        for (double& v : centred)
            v -= mean;
    }
    double period = GlobalPeriod(centred, shortest, longest);
    if (!(period > 0))
        return;
    period = SettleOctave(strength, period, firstActive, lastActive + 1, shortest, longest);

    const std::vector<double> periods = LocalPeriods(strength, firstActive, lastActive + 1, period, shortest, longest);
    std::vector<int> frameBeats = DecodeBeats(strength, periods, firstActive, lastActive + 1);
    // The chain may reach out into noise before the music's first beat or after
    // its last: beats at either end whose onset is weak beside the typical
    // beat's are dropped.
    {
        const auto support = [&](int frame) {
            double most = 0;
            for (int d = -2; d <= 2; ++d)
                if (frame + d >= 0 && size_t(frame + d) < frames)
                    most = std::max(most, strength[size_t(frame + d)]);
            return most;
        };
        std::vector<float> supports;
        for (int b : frameBeats)
            supports.push_back(float(support(b)));
        const double weak = 0.3 * Percentile(supports, 0.5);
        size_t first = 0, last = frameBeats.size();
        while (first < last && support(frameBeats[first]) < weak)
            ++first;
        while (last > first && support(frameBeats[last - 1]) < weak)
            --last;
        frameBeats = std::vector<int>(frameBeats.begin() + std::ptrdiff_t(first), frameBeats.begin() + std::ptrdiff_t(last));
    }

    // No beats in silence: before the music, after it, or in a pause longer than
    // two seconds and two beats.
    const double pause = std::max(2.0, 2 * period / FrameRate);
    std::vector<std::pair<double, double>> silent;   // [from, to] seconds
    {
        size_t i = firstActive;
        while (i <= lastActive) {
            if (active[i]) {
                ++i;
                continue;
            }
            size_t j = i;
            while (j <= lastActive && !active[j])
                ++j;
            if (double(j - i) / FrameRate > pause)
                silent.emplace_back(double(i) / FrameRate, double(j) / FrameRate);
            i = j;
        }
    }
    const double start = double(firstActive) / FrameRate, end = double(lastActive) / FrameRate;
    const double reachOut = 0.05;
    std::vector<double> beats, decoded, rises;
    std::vector<bool> supported;
    for (int frame : frameBeats) {
        const double t = double(frame) / FrameRate + FrameBias;
        const auto [at, rise] = SteepestRise(s.Signal, t);
        if (at < start - reachOut || at > end + reachOut)
            continue;
        bool inPause = false;
        for (const auto& [from, to] : silent)
            inPause = inPause || (at > from + reachOut && at < to - reachOut);
        if (inPause)
            continue;
        beats.push_back(at);
        decoded.push_back(t);
        rises.push_back(rise);
    }
    // A beat found no onset when its rise is tiny beside the typical beat's: it
    // stays where the decoder put it, until the straightening moves it.
    {
        std::vector<float> r(rises.begin(), rises.end());
        const double typical = Percentile(r, 0.5);
        for (size_t i = 0; i < beats.size(); ++i) {
            supported.push_back(rises[i] > 0.05 * typical);
            if (!supported.back())
                beats[i] = decoded[i];
        }
    }
    beats = Straighten(beats, supported);
    std::vector<double> ordered;
    for (double b : beats)
        if (b >= 0 && (ordered.empty() || b - ordered.back() >= MinBeatGap))
            ordered.push_back(b);
    FBeats = std::move(ordered);
    FBpm = TempoFromBeats(FBeats);
}
