#include "bpm/periodicity.h"

#include <fftw3.h>

#include <algorithm>
#include <cmath>
#include <numeric>

#include "bpm/fftw_planner.h"

namespace luma {
namespace {

constexpr double kSlowestBpm = 40.0, kFastestBpm = 240.0;
// A weak pull towards common tempos, only to rank equally strong periodicities.
constexpr double kPriorCentreBpm = 120.0, kPriorOctaves = 1.5;
// The autocorrelation of a curve without a beat spreads about 1 / sqrt(frames) around
// zero; a beat must stand this many spreads clear of it, and above the floor.
constexpr double kNoiseSpreads = 4.5, kMinStrength = 0.05;
// How near the chosen lag its evidence may lie: frames, or a share of the lag.
constexpr double kNearLagFrames = 1.0, kNearLagShare = 0.04;
// A stroke's level rises over the kStrokeSpan frames of its attack more steeply than it
// falls over any such span: a swell's ratio stays below kSwellRatio, a clear stroke's
// reaches kStrokeRatio. Folded over segments of kStrokeSegmentSeconds or as many cycles.
constexpr std::size_t kStrokeSpan = 4;
constexpr double kSwellRatio = 1.5, kStrokeRatio = 2.0;
constexpr double kStrokeSegmentSeconds = 10.0, kStrokeSegmentCycles = 4.0;
// How far above the cycle's median level its peak stands, as a share of the level's
// range: a swell's stays below kSwellSpike, a click's reaches kClickSpike.
constexpr double kSwellSpike = 0.85, kClickSpike = 0.95;
constexpr double kSharpestShare = 0.02, kSwellStepRatio = 1.15, kSharpStepRatio = 1.4;
// The bands' weights must add up to this much clear, struck repetition.
constexpr double kLeastBandWeight = 0.02;
// Onsets above this quantile of the peaks are capped at it.
constexpr double kCapQuantile = 0.9;
// Rise in log magnitude (per bin, band-averaged) that the common onsets must reach.
constexpr float kFaintestOnset = 0.05f;

// A few onsets far above the rest (a crash, a hit once in a few bars, a click) would
// own the autocorrelation and hide the beat under them; they are capped at what the
// common peaks reach.
std::vector<float> capped(const std::vector<float>& curve) {
    std::vector<float> peaks;
    for (std::size_t t = 1; t + 1 < curve.size(); ++t) {
        if (curve[t] > curve[t - 1] && curve[t] >= curve[t + 1]) peaks.push_back(curve[t]);
    }
    if (peaks.empty()) return {};
    const auto at =
        peaks.begin() + static_cast<std::ptrdiff_t>(double(peaks.size() - 1) * kCapQuantile);
    std::nth_element(peaks.begin(), at, peaks.end());
    if (*at < kFaintestOnset) return {};  // ripples of a steady sound, not onsets
    std::vector<float> out(curve.size());
    std::transform(curve.begin(), curve.end(), out.begin(),
                   [cap = *at](float v) { return std::min(v, cap); });
    return out;
}

// Autocorrelation of the mean-removed curve for lags 0..maxLag, each lag averaged over
// its overlap so long lags are not penalised, then scaled to 1 at lag 0. Through the
// FFT, for curves of one length: the bands, each on its own, would cost five times the
// direct sums.
class FastAutocorrelation {
  public:
    FastAutocorrelation(std::size_t frames, std::size_t maxLag) : frames_(frames) {
        while (size_ < frames + maxLag + 1) size_ *= 2;  // no wrap-around up to maxLag
        in_ = fftwf_alloc_real(size_);
        spectrum_ = fftwf_alloc_complex(size_ / 2 + 1);
        const std::lock_guard planning(fftwPlannerMutex());
        const int size = static_cast<int>(size_);
        forward_ = fftwf_plan_dft_r2c_1d(size, in_, spectrum_, FFTW_ESTIMATE);
        inverse_ = fftwf_plan_dft_c2r_1d(size, spectrum_, in_, FFTW_ESTIMATE);
    }
    ~FastAutocorrelation() {
        {
            const std::lock_guard planning(fftwPlannerMutex());
            fftwf_destroy_plan(forward_);
            fftwf_destroy_plan(inverse_);
        }
        fftwf_free(in_);
        fftwf_free(spectrum_);
    }
    FastAutocorrelation(const FastAutocorrelation&) = delete;
    FastAutocorrelation& operator=(const FastAutocorrelation&) = delete;

    std::vector<double> operator()(const std::vector<float>& x, std::size_t maxLag) {
        const double mean = std::accumulate(x.begin(), x.end(), 0.0) / double(frames_);
        for (std::size_t i = 0; i < frames_; ++i) in_[i] = static_cast<float>(x[i] - mean);
        std::fill(in_ + frames_, in_ + size_, 0.0f);
        fftwf_execute(forward_);
        for (std::size_t k = 0; k <= size_ / 2; ++k) {
            spectrum_[k][0] = spectrum_[k][0] * spectrum_[k][0] + spectrum_[k][1] * spectrum_[k][1];
            spectrum_[k][1] = 0.0f;
        }
        fftwf_execute(inverse_);
        std::vector<double> acf(maxLag + 1, 0.0);
        for (std::size_t lag = 0; lag <= maxLag; ++lag) acf[lag] = in_[lag] / double(frames_ - lag);
        const double zero = acf[0];
        for (double& value : acf) value = zero > 0 ? value / zero : 0.0;
        return acf;
    }

  private:
    std::size_t frames_, size_ = 1;
    float* in_;
    fftwf_complex* spectrum_;
    fftwf_plan forward_, inverse_;
};

double interpolated(const std::vector<double>& acf, double lag) {
    if (lag < 0 || lag >= double(acf.size() - 1)) return 0.0;
    const auto i = static_cast<std::size_t>(lag);
    const double t = lag - double(i);
    return acf[i] * (1 - t) + acf[i + 1] * t;
}

double prior(double bpm) {
    const double octaves = std::log2(bpm / kPriorCentreBpm) / kPriorOctaves;
    return std::exp(-0.5 * octaves * octaves);
}

struct Lags {
    double shortest, longest;
    std::size_t maxLag;
};

bool lagsFor(std::size_t frames, double frameRate, Lags& lags) {
    lags.shortest = 60.0 * frameRate / kFastestBpm;
    lags.longest = 60.0 * frameRate / kSlowestBpm;
    if (double(frames) < 2 * lags.longest + 2) return false;
    lags.maxLag = std::min(static_cast<std::size_t>(std::ceil(lags.longest * 4 + 2)), frames / 2);
    return true;
}

// A band's level folded over its period, segment by segment: a stroke jumps up and
// decays, a swell (tremolo, beating partials) falls as steeply as it rose. The
// steepest rise over a few frames against the steepest fall gives 0 for a swell and
// 1 for a clear stroke.
double strokes(const std::vector<float>& level, double period, double frameRate) {
    const auto bins = static_cast<std::size_t>(std::lround(period));
    if (bins < kStrokeSpan + 1) return 1.0;
    const auto segment = static_cast<std::size_t>(
        std::max(kStrokeSegmentSeconds * frameRate, kStrokeSegmentCycles * period));
    std::vector<double> sum(bins), count(bins);
    double rises = 0.0, falls = 0.0, peaks = 0.0, ranges = 0.0;
    for (std::size_t begin = 0; begin + segment <= level.size(); begin += segment) {
        std::fill(sum.begin(), sum.end(), 0.0);
        std::fill(count.begin(), count.end(), 0.0);
        for (std::size_t t = 0; t < segment; ++t) {
            const double phase = std::fmod(double(t), period) / period;
            const auto bin = std::min(bins - 1, static_cast<std::size_t>(phase * double(bins)));
            sum[bin] += level[begin + t], count[bin] += 1;
        }
        double rise = 0.0, fall = 0.0;
        for (std::size_t i = 0; i < bins; ++i) {
            const std::size_t j = (i + kStrokeSpan) % bins;
            if (count[i] == 0 || count[j] == 0) continue;
            const double step = sum[j] / count[j] - sum[i] / count[i];
            rise = std::max(rise, step), fall = std::max(fall, -step);
        }
        rises += rise, falls += fall;
        for (std::size_t i = 0; i < bins; ++i) sum[i] = count[i] > 0 ? sum[i] / count[i] : 0.0;
        std::nth_element(sum.begin(), sum.begin() + bins / 2, sum.end());
        const double median = sum[bins / 2];
        const auto [lowest, highest] = std::minmax_element(sum.begin(), sum.end());
        peaks += *highest - median, ranges += *highest - *lowest;
    }
    if (rises <= 0.0) return 0.0;
    const double ratio = falls > 0.0 ? rises / falls : kStrokeRatio;
    const double sharp = std::clamp((ratio - kSwellRatio) / (kStrokeRatio - kSwellRatio), 0.0, 1.0);
    // A click shorter than the analysis frame rises and falls alike, but stands out of
    // a level that is low for most of the cycle; beating partials dip out of a high one.
    const double spike = ranges > 0.0 ? peaks / ranges : 0.0;
    return std::max(sharp,
                    std::clamp((spike - kSwellSpike) / (kClickSpike - kSwellSpike), 0.0, 1.0));
}

// The same from the band's sharpest steps over the whole piece (the mean of the top
// kSharpestShare of rises against that of falls), which needs no period: it hears
// strokes too faint to shape the folded level, as long as nothing louder swamps them.
double sharpestSteps(const std::vector<float>& level) {
    if (level.size() < 3) return 1.0;
    std::vector<float> steps(level.size() - 1);
    for (std::size_t f = 1; f < level.size(); ++f) steps[f - 1] = level[f] - level[f - 1];
    const auto count = std::max<std::size_t>(1, std::size_t(double(steps.size()) * kSharpestShare));
    std::nth_element(steps.begin(), steps.begin() + count, steps.end());
    double falls = 0.0;
    for (std::size_t i = 0; i < count; ++i) falls -= steps[i];
    std::nth_element(steps.begin(), steps.end() - count, steps.end());
    double rises = 0.0;
    for (auto it = steps.end() - count; it != steps.end(); ++it) rises += *it;
    if (rises <= 0) return 0.0;
    const double ratio = falls > 0 ? rises / falls : kSharpStepRatio;
    return std::clamp((ratio - kSwellStepRatio) / (kSharpStepRatio - kSwellStepRatio), 0.0, 1.0);
}

// What a curve without a beat may reach by chance.
double noiseFloor(std::size_t frames) {
    return std::max(kMinStrength, kNoiseSpreads / std::sqrt(double(frames)));
}

// The comb over the autocorrelation picks the period; the evidence for it is the
// highest autocorrelation near it, as a period that wavers a little (a figure
// pushed or pulled against the grid) splits its peak in two around the lag.
Periodicity periodOf(const std::vector<double>& acf, const Lags& lags, double frameRate,
                     std::size_t frames) {
    double bestScore = 0.0, bestLag = 0.0;
    for (int step = 0; lags.shortest + step * 0.25 <= lags.longest; ++step) {
        const double lag = lags.shortest + step * 0.25;
        double comb = 0.0;
        for (int k = 1; k <= 4; ++k) comb += interpolated(acf, lag * k);
        const double score = std::max(0.0, comb) * prior(60.0 * frameRate / lag);
        if (score > bestScore) bestScore = score, bestLag = lag;
    }
    if (bestLag == 0.0) return {};
    double strength = interpolated(acf, bestLag);
    const double reach = std::max(kNearLagFrames, kNearLagShare * bestLag);
    for (double lag = bestLag - reach; lag <= bestLag + reach; lag += 0.25) {
        strength = std::max(strength, interpolated(acf, lag));
    }
    if (strength < noiseFloor(frames)) return {};
    return {bestLag, strength};
}

}  // namespace

Periodicity strongestPeriodicity(const std::vector<float>& novelty, double frameRate) {
    Lags lags;
    if (!lagsFor(novelty.size(), frameRate, lags)) return {};
    const std::vector<float> onsets = capped(novelty);
    if (onsets.empty()) return {};
    FastAutocorrelation autocorrelation(novelty.size(), lags.maxLag);
    return periodOf(autocorrelation(onsets, lags.maxLag), lags, frameRate, novelty.size());
}

Periodicity strongestPeriodicity(const NoveltyCurves& curves, double frameRate) {
    const std::vector<std::vector<float>>& bands = curves.bands;
    if (bands.empty()) return {};
    const bool levels = curves.levels.size() == bands.size();
    const std::size_t frames = bands.front().size();
    Lags lags;
    if (!lagsFor(frames, frameRate, lags)) return {};
    std::vector<double> mixed(lags.maxLag + 1, 0.0);
    double weights = 0.0;
    FastAutocorrelation autocorrelation(frames, lags.maxLag);
    for (std::size_t b = 0; b < bands.size(); ++b) {
        const std::vector<float> onsets = capped(bands[b]);
        if (onsets.size() != frames) continue;
        const std::vector<double> acf = autocorrelation(onsets, lags.maxLag);
        // A band counts by how far its clearest repetition stands above chance.
        double clearest = 0.0;
        std::size_t clearestLag = 0;
        for (auto lag = static_cast<std::size_t>(lags.shortest); lag < lags.maxLag; ++lag) {
            if (acf[lag] > clearest) clearest = acf[lag], clearestLag = lag;
        }
        double weight = std::max(0.0, clearest - noiseFloor(frames));
        if (weight > 0.0 && levels) {
            // To a fraction of a frame, so the cycles stay in phase over a segment.
            const double left = acf[clearestLag - 1], right = acf[clearestLag + 1];
            const double curvature = left - 2 * clearest + right;
            const double offset =
                curvature < 0 ? std::clamp(0.5 * (left - right) / curvature, -0.5, 0.5) : 0.0;
            weight *= std::max(strokes(curves.levels[b], double(clearestLag) + offset, frameRate),
                               sharpestSteps(curves.levels[b]));
        }
        for (std::size_t lag = 0; lag <= lags.maxLag; ++lag) mixed[lag] += weight * acf[lag];
        weights += weight;
    }
    if (weights < kLeastBandWeight) return {};
    for (double& value : mixed) value /= weights;
    return periodOf(mixed, lags, frameRate, frames);
}

}  // namespace luma
