#include "bpm/periodicity.h"

#include <algorithm>
#include <cmath>
#include <numeric>

namespace luma {
namespace {

constexpr double kSlowestBpm = 40.0, kFastestBpm = 240.0;
// A weak pull towards common tempos, only to rank equally strong periodicities.
constexpr double kPriorCentreBpm = 120.0, kPriorOctaves = 1.5;
// The autocorrelation of a curve without a beat spreads about 1 / sqrt(frames) around
// zero; a beat must stand this many spreads clear of it, and above the floor.
constexpr double kNoiseSpreads = 4.5, kMinStrength = 0.05;
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
// its overlap so long lags are not penalised, then scaled to 1 at lag 0.
std::vector<double> autocorrelation(const std::vector<float>& x, std::size_t maxLag) {
    const std::size_t n = x.size();
    const double mean = std::accumulate(x.begin(), x.end(), 0.0) / double(n);
    std::vector<float> centred(n);
    for (std::size_t i = 0; i < n; ++i) centred[i] = static_cast<float>(x[i] - mean);
    std::vector<double> acf(maxLag + 1, 0.0);
    for (std::size_t lag = 0; lag <= maxLag; ++lag) {
        float sums[8] = {};
        const std::size_t count = n - lag;
        std::size_t i = 0;
        for (; i + 8 <= count; i += 8) {
            for (int k = 0; k < 8; ++k) sums[k] += centred[i + k] * centred[i + lag + k];
        }
        double sum = 0.0;
        for (float s : sums) sum += s;
        for (; i < count; ++i) sum += centred[i] * centred[i + lag];
        acf[lag] = sum / double(count);
    }
    const double zero = acf[0];
    for (double& value : acf) value = zero > 0 ? value / zero : 0.0;
    return acf;
}

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

}  // namespace

Periodicity strongestPeriodicity(const std::vector<float>& novelty, double frameRate) {
    const double shortest = 60.0 * frameRate / kFastestBpm;
    const double longest = 60.0 * frameRate / kSlowestBpm;
    if (double(novelty.size()) < 2 * longest + 2) return {};
    const auto maxLag =
        std::min(static_cast<std::size_t>(std::ceil(longest * 4 + 2)), novelty.size() / 2);
    const std::vector<float> onsets = capped(novelty);
    if (onsets.empty()) return {};
    const std::vector<double> acf = autocorrelation(onsets, maxLag);

    double bestScore = 0.0, bestLag = 0.0;
    for (int step = 0; shortest + step * 0.25 <= longest; ++step) {
        const double lag = shortest + step * 0.25;
        double comb = 0.0;
        for (int k = 1; k <= 4; ++k) comb += interpolated(acf, lag * k);
        const double score = std::max(0.0, comb) * prior(60.0 * frameRate / lag);
        if (score > bestScore) bestScore = score, bestLag = lag;
    }
    if (bestLag == 0.0) return {};
    const double strength = interpolated(acf, bestLag);
    if (strength < std::max(kMinStrength, kNoiseSpreads / std::sqrt(double(novelty.size())))) {
        return {};
    }
    return {bestLag, strength};
}

}  // namespace luma
