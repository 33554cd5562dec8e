#include "bpm/beat_grid.h"

#include <algorithm>
#include <cmath>

namespace luma {
namespace {

// How strongly an interval away from the period is penalised, per squared log ratio,
// against novelty scaled to unit deviation. Dance music keeps its tempo, so the
// tracker may hold on to the period firmly.
constexpr double kTightness = 400.0;
// An interval this far from a whole number of periods breaks the run of beats.
constexpr double kRunBreak = 0.08;
// Beats this much weaker than the median beat hold no timing: the tracker merely
// bridged a quiet stretch there.
constexpr double kWeakBeat = 0.3;

struct Beat {
    double frame;
    double weight;
    double number = 0.0;  // beats since the start of its run
    int run = 0;
    bool used = true;
};

// Dynamic programming over the curve: each frame's best chain of beats ending there,
// trading onset strength against intervals that stray from the period.
std::vector<std::size_t> trackBeats(const std::vector<float>& novelty, double period) {
    const std::size_t n = novelty.size();
    double sumSquares = 0.0;
    for (float v : novelty) sumSquares += double(v) * v;
    const double scale = 1.0 / std::sqrt(std::max(sumSquares / double(n), 1e-30));

    const auto nearest = static_cast<std::size_t>(std::max(1.0, std::round(period / 2)));
    const auto farthest = static_cast<std::size_t>(std::round(period * 2));
    std::vector<double> penalty(farthest + 1, 0.0);
    for (std::size_t gap = nearest; gap <= farthest; ++gap) {
        const double ratio = std::log(double(gap) / period);
        penalty[gap] = kTightness * ratio * ratio;
    }
    std::vector<double> score(n);
    std::vector<std::ptrdiff_t> previous(n, -1);
    for (std::size_t t = 0; t < n; ++t) {
        double best = 0.0;
        std::ptrdiff_t from = -1;
        for (std::size_t gap = nearest; gap <= farthest && gap <= t; ++gap) {
            const double candidate = score[t - gap] - penalty[gap];
            if (from < 0 || candidate > best) best = candidate, from = std::ptrdiff_t(t - gap);
        }
        score[t] = novelty[t] * scale + (from >= 0 ? std::max(best, 0.0) : 0.0);
        previous[t] = from >= 0 && best > 0.0 ? from : -1;
    }
    // The chain ends at the best frame of the last period.
    const std::size_t tail = std::min(n, static_cast<std::size_t>(std::ceil(period)));
    std::size_t end = n - tail;
    for (std::size_t t = n - tail; t < n; ++t) {
        if (score[t] > score[end]) end = t;
    }
    std::vector<std::size_t> beats;
    for (std::ptrdiff_t t = std::ptrdiff_t(end); t >= 0; t = previous[t]) beats.push_back(t);
    std::reverse(beats.begin(), beats.end());
    return beats;
}

// The onset peak near a tracked beat, weighted by its height.
Beat peakNear(const std::vector<float>& novelty, std::size_t frame) {
    const OnsetPeak peak = onsetPeakNear(novelty, frame);
    return {peak.frame, peak.height};
}

// Numbers the beats within runs of whole-period intervals; a squeezed or stretched
// interval (an extra beat in a break, a lost one) starts a new run, so it cannot bend
// the fit.
void numberRuns(std::vector<Beat>& beats, double period) {
    for (std::size_t i = 1; i < beats.size(); ++i) {
        const double periods = (beats[i].frame - beats[i - 1].frame) / period;
        const double whole = std::round(periods);
        if (whole >= 1 && std::abs(periods - whole) <= kRunBreak) {
            beats[i].run = beats[i - 1].run;
            beats[i].number = beats[i - 1].number + whole;
        } else {
            beats[i].run = beats[i - 1].run + 1;
        }
    }
}

// One slope for all runs, each run with its own offset: weighted least squares of
// beat time against beat number, pooled within runs. Returns 0 without enough data.
double pooledSlope(const std::vector<Beat>& beats, std::vector<double>& offsets) {
    const int runs = beats.empty() ? 0 : beats.back().run + 1;
    std::vector<double> w(runs, 0.0), wn(runs, 0.0), wt(runs, 0.0);
    for (const Beat& b : beats) {
        if (!b.used) continue;
        w[b.run] += b.weight, wn[b.run] += b.weight * b.number, wt[b.run] += b.weight * b.frame;
    }
    double snn = 0.0, snt = 0.0;
    for (const Beat& b : beats) {
        if (!b.used || w[b.run] <= 0) continue;
        const double dn = b.number - wn[b.run] / w[b.run];
        snn += b.weight * dn * dn;
        snt += b.weight * dn * (b.frame - wt[b.run] / w[b.run]);
    }
    if (snn <= 0) return 0.0;
    const double slope = snt / snn;
    offsets.assign(runs, 0.0);
    for (int r = 0; r < runs; ++r) {
        if (w[r] > 0) offsets[r] = (wt[r] - slope * wn[r]) / w[r];
    }
    return slope;
}

}  // namespace

double refineBeatPeriod(const std::vector<float>& novelty, double period) {
    if (period <= 1.0 || novelty.size() < 4 * period) return period;
    std::vector<Beat> beats;
    for (std::size_t frame : trackBeats(novelty, period)) beats.push_back(peakNear(novelty, frame));
    if (beats.empty()) return period;
    std::vector<double> weights;
    for (const Beat& b : beats) weights.push_back(b.weight);
    std::nth_element(weights.begin(), weights.begin() + weights.size() / 2, weights.end());
    const double weakest = kWeakBeat * weights[weights.size() / 2];
    std::erase_if(beats, [&](const Beat& b) { return b.weight < weakest || b.weight <= 0; });
    if (beats.size() < 4) return period;
    numberRuns(beats, period);

    double slope = period;
    std::vector<double> offsets;
    for (int pass = 0; pass < 3; ++pass) {
        const double fitted = pooledSlope(beats, offsets);
        if (fitted <= 0) return period;
        slope = fitted;
        // Beats far off their run's line (a fill, a flam) leave the next fit.
        double sw = 0, se = 0;
        for (const Beat& b : beats) {
            const double residual = b.frame - (offsets[b.run] + slope * b.number);
            if (b.used) sw += b.weight, se += b.weight * residual * residual;
        }
        const double limit = std::max(1.0, 2.5 * std::sqrt(se / std::max(sw, 1e-30)));
        for (Beat& b : beats) {
            b.used = std::abs(b.frame - (offsets[b.run] + slope * b.number)) <= limit;
        }
    }
    return std::abs(slope / period - 1.0) < 0.05 ? slope : period;
}

std::vector<std::size_t> trackBeatFrames(const std::vector<float>& novelty, double period) {
    if (period <= 1.0 || novelty.empty()) return {};
    return trackBeats(novelty, period);
}

OnsetPeak onsetPeakNear(const std::vector<float>& curve, std::size_t frame) {
    const std::size_t n = curve.size();
    std::size_t peak = frame;
    for (std::size_t t = frame > 2 ? frame - 2 : 0; t <= std::min(n - 1, frame + 2); ++t) {
        if (curve[t] > curve[peak]) peak = t;
    }
    double offset = 0.0;
    if (peak > 0 && peak + 1 < n) {
        const double left = curve[peak - 1], centre = curve[peak], right = curve[peak + 1];
        const double curvature = left - 2 * centre + right;
        if (curvature < 0) offset = std::clamp(0.5 * (left - right) / curvature, -0.5, 0.5);
    }
    return {double(peak) + offset, std::max(0.0, double(curve[peak]))};
}

}  // namespace luma
