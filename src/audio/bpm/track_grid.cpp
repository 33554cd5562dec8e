// How the grid is found. The onset curve (one value every ~12 ms) is good for
// finding the beats but too coarse to time them: its frames are 11.6 ms apart
// and where in a frame a hit falls shifts its peak by a few ms. So:
//  1. the tempo the deck shows, from the same detector over the same 90 s,
//     fixes the metrical level and a first period;
//  2. a dynamic-programming beat track over the whole curve, and a robust line
//     through its sub-frame peaks, give a grid good to a few ms;
//  3. each beat of that grid is timed again on the audio itself, at full rate,
//     within 40 ms of the grid: where the log of the energy envelope (of the
//     analytic signal, so a low kick does not ripple) first rises clearly,
//     shortly before its steepest rise;
//  4. a robust weighted least-squares line through those times is the grid.
// The track is refused when the beats do not stay on one line: a tempo change,
// a drift, or no beat at all.
#include "bpm/track_grid.h"

#include <fftw3.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <mutex>
#include <vector>

#include "bpm/beat_grid.h"
#include "bpm/decimator.h"
#include "bpm/fftw_planner.h"
#include "bpm/novelty.h"
#include "bpm/onset_strength.h"
#include "bpm/tempo_detector.h"

namespace luma {
namespace {

constexpr double kReadoutSeconds = 90.0;  // what the deck measures its tempo over
constexpr int kChunk = 16384;             // samples read at a time
constexpr double kWeakBeat = 0.3;         // beats this much weaker than the median are bridges
// Fine timing: the window read around each beat, the reach of the search in it, the
// smoothing of the energy envelope and the span its rise is measured over.
constexpr double kWindowSeconds = 0.09, kSearchSeconds = 0.04;
constexpr double kSmoothSeconds = 0.001, kRiseSeconds = 0.001;
constexpr double kFloor = 0.1;             // the log's floor, a share of the window's mean energy
constexpr double kContrastSeconds = 0.02;  // the spans before and after an onset compared
// The least typical clarity (in log energy) of the beats' onsets: a beat's onsets
// typically reach 1 or more, a held chord's or a tremolo's wavering 0.3 or less.
constexpr double kLeastClarity = 0.5;
constexpr double kFirstRise = 0.5;      // of the largest rise near the beat
constexpr double kLeadSeconds = 0.015;  // how long before it a sound may start rising
constexpr double kLowestHz = 30.0;      // rumble below this times nothing
// A fine time this far from where the beats lie on the whole is another event.
constexpr double kStraySeconds = 0.02;
// How much more of the drums' and the snares' shares (of 1 each) the off-beats must
// catch to be taken for the beats.
constexpr double kOffBeatMargin = 0.2;
constexpr double kNarrowestSeconds = 0.004;  // the least reach of the robust fit
constexpr double kOnGridSeconds = 0.01;      // a beat this close to the grid counts as on it
constexpr double kLeastOnGrid = 0.5;         // share of beats on the grid for a steady track
constexpr double kMostDrift = 3e-4;          // the halves' tempos may differ by this share

struct Point {
    double x, y, weight;
};

struct Line {
    double intercept = 0.0, slope = 0.0;
    double at(double x) const { return intercept + slope * x; }
    explicit operator bool() const { return slope > 0.0; }
};

// Weighted least squares through the points, each weight times its own robustness factor.
Line weightedLine(const std::vector<Point>& points, const std::vector<double>& factors) {
    double w = 0, wx = 0, wy = 0;
    for (std::size_t i = 0; i < points.size(); ++i) {
        const double pw = points[i].weight * factors[i];
        w += pw, wx += pw * points[i].x, wy += pw * points[i].y;
    }
    if (w <= 0) return {};
    const double mx = wx / w, my = wy / w;
    double sxx = 0, sxy = 0;
    for (std::size_t i = 0; i < points.size(); ++i) {
        const double pw = points[i].weight * factors[i];
        sxx += pw * (points[i].x - mx) * (points[i].x - mx);
        sxy += pw * (points[i].x - mx) * (points[i].y - my);
    }
    if (sxx <= 0) return {};
    const double slope = sxy / sxx;
    return {my - slope * mx, slope};
}

double weightedMedian(std::vector<std::pair<double, double>> values) {
    if (values.empty()) return 0.0;
    std::sort(values.begin(), values.end());
    double total = 0;
    for (const auto& v : values) total += v.second;
    double sum = 0;
    for (const auto& v : values) {
        sum += v.second;
        if (sum >= total / 2) return v.first;
    }
    return values.back().first;
}

// Tukey's biweight: points far off the line (a fill, a flam, a missed beat) lose their
// say. Its reach starts from the spread of the points and narrows to `narrowest`, so
// that of two sets of onsets a few ms apart (one sound marks the beat in one part of a
// track, another elsewhere) the line follows the stronger set instead of their mixture.
// `factors` is left with each point's final robustness factor.
Line robustLine(const std::vector<Point>& points, double narrowest, std::vector<double>& factors) {
    factors.assign(points.size(), 1.0);
    Line line = weightedLine(points, factors);
    if (!line) return {};
    std::vector<std::pair<double, double>> deviations;
    for (const Point& p : points) deviations.push_back({std::abs(p.y - line.at(p.x)), p.weight});
    double reach = std::max(narrowest, 4.685 * 1.4826 * weightedMedian(deviations));
    for (int pass = 0; pass < 12; ++pass) {
        for (std::size_t i = 0; i < points.size(); ++i) {
            const double u = (points[i].y - line.at(points[i].x)) / reach;
            factors[i] = std::abs(u) < 1 ? (1 - u * u) * (1 - u * u) : 0.0;
        }
        const Line next = weightedLine(points, factors);
        if (!next) break;
        line = next;
        reach = std::max(narrowest, 0.7 * reach);
    }
    return line;
}

Point peakNear(const std::vector<float>& curve, std::size_t frame) {
    const OnsetPeak peak = onsetPeakNear(curve, frame);
    return {0.0, peak.frame, peak.height};
}

// Stage 2: the beat track's peaks, numbered by whole periods, and a robust line through
// them (frame against beat number).
Line coarseGrid(const std::vector<float>& curve, double period) {
    std::vector<Point> beats;
    for (std::size_t frame : trackBeatFrames(curve, period))
        beats.push_back(peakNear(curve, frame));
    if (beats.size() < 8) return {};
    std::vector<double> heights;
    for (const Point& b : beats) heights.push_back(b.weight);
    std::nth_element(heights.begin(), heights.begin() + heights.size() / 2, heights.end());
    const double weakest = kWeakBeat * heights[heights.size() / 2];
    std::erase_if(beats, [&](const Point& b) { return b.weight < weakest || b.weight <= 0; });
    if (beats.size() < 8) return {};
    beats[0].x = 0;
    for (std::size_t i = 1; i < beats.size(); ++i) {
        beats[i].x =
            beats[i - 1].x + std::max(1.0, std::round((beats[i].y - beats[i - 1].y) / period));
    }
    std::vector<double> factors;
    Line line = robustLine(beats, 1.0, factors);
    if (!line) return {};
    for (Point& b : beats) b.x = std::round((b.y - line.intercept) / line.slope);  // renumbered
    line = robustLine(beats, 1.0, factors);
    return line && std::abs(line.slope / period - 1) < 0.02 ? line : Line{};
}

// The beat track may settle on the off-beats where these carry as many onsets as the
// beats (a breakbeat's kicks on the "and"s). Drums, and snares above all, mark the
// beats in nearly all music with drums: of the grid and the one half a beat later, the
// one that catches clearly more of both is the beat.
Line onTheBeat(const Line& grid, const NoveltyCurves& curves) {
    if (!grid) return grid;
    const auto frames = long(curves.drums.size());
    auto peakAt = [&](const std::vector<float>& curve, double frame) {
        const long centre = std::lround(frame);
        float peak = 0.0f;
        for (long t = std::max(0L, centre - 2); t <= std::min(frames - 1, centre + 2); ++t) {
            peak = std::max(peak, curve[std::size_t(t)]);
        }
        return double(peak);
    };
    double drumsOn = 0, drumsOff = 0, snareOn = 0, snareOff = 0;
    for (double n = std::ceil(-grid.intercept / grid.slope); grid.at(n + 0.5) < double(frames);
         ++n) {
        drumsOn += peakAt(curves.drums, grid.at(n));
        drumsOff += peakAt(curves.drums, grid.at(n + 0.5));
        snareOn += peakAt(curves.snare, grid.at(n));
        snareOff += peakAt(curves.snare, grid.at(n + 0.5));
    }
    auto share = [](double part, double other) {
        return part + other > 0 ? part / (part + other) : 0.5;
    };
    const double on = share(drumsOn, drumsOff) + share(snareOn, snareOff);
    if (on >= 1.0 - kOffBeatMargin) return grid;
    return {grid.intercept + grid.slope / 2, grid.slope};
}

// Stage 3: the onset of each expected beat, timed on the audio at full rate.
class FineTimer {
  public:
    explicit FineTimer(double rate)
        : rate_(rate),
          size_(std::max(64, int(std::bit_ceil(unsigned(std::ceil(kWindowSeconds * rate)))))),
          samples_(fftwf_alloc_real(size_)),
          spectrum_(fftwf_alloc_complex(size_)),
          analytic_(fftwf_alloc_complex(size_)),
          envelope_(size_),
          smoothed_(size_),
          summed_(size_ + 1, 0.0) {
        const std::lock_guard planning(fftwPlannerMutex());
        forward_ = fftwf_plan_dft_r2c_1d(size_, samples_, spectrum_, FFTW_ESTIMATE);
        backward_ = fftwf_plan_dft_1d(size_, spectrum_, analytic_, FFTW_BACKWARD, FFTW_ESTIMATE);
    }
    ~FineTimer() {
        {
            const std::lock_guard planning(fftwPlannerMutex());
            fftwf_destroy_plan(forward_);
            fftwf_destroy_plan(backward_);
        }
        fftwf_free(samples_);
        fftwf_free(spectrum_);
        fftwf_free(analytic_);
    }
    FineTimer(const FineTimer&) = delete;
    FineTimer& operator=(const FineTimer&) = delete;

    // The onset of the beat expected around `seconds`: its time, and how clear it is.
    Point time(const MonoReader& read, double seconds) {
        const int64_t start = std::llround(seconds * rate_) - size_ / 2;
        read(start, size_, samples_);
        fftwf_execute(forward_);
        // The analytic signal: positive frequencies doubled, negative ones dropped.
        const int lowest = std::max(1, int(std::ceil(kLowestHz * size_ / rate_)));
        for (int k = 0; k < lowest; ++k) spectrum_[k][0] = spectrum_[k][1] = 0.0f;
        for (int k = 1; k < size_ / 2; ++k) spectrum_[k][0] *= 2.0f, spectrum_[k][1] *= 2.0f;
        for (int k = size_ / 2 + 1; k < size_; ++k) spectrum_[k][0] = spectrum_[k][1] = 0.0f;
        fftwf_execute(backward_);
        double total = 0.0;
        for (int t = 0; t < size_; ++t) {
            envelope_[t] = double(analytic_[t][0]) * analytic_[t][0] +
                           double(analytic_[t][1]) * analytic_[t][1];
            total += envelope_[t];
            summed_[t + 1] = summed_[t] + envelope_[t];
        }
        // Two centred running means make a triangle: symmetric, so a step stays where it is.
        const int half = std::max(1, int(std::lround(kSmoothSeconds * rate_ / 2)));
        boxSmooth(envelope_, smoothed_, half);
        boxSmooth(smoothed_, envelope_, half);
        // The rise in log energy finds where a soft attack starts, not its steepest part;
        // the floor keeps the wavering of quiet stretches out of it.
        const double floor = kFloor * total / size_ * (2 * half + 1) * (2 * half + 1) + 1e-30;
        for (int t = 0; t < size_; ++t) envelope_[t] = std::log(envelope_[t] + floor);
        const int rise = std::max(1, int(std::lround(kRiseSeconds * rate_)));
        const int reach =
            std::min(int(std::lround(kSearchSeconds * rate_)), size_ / 2 - 2 * half - rise - 2);
        auto riseAt = [&](int t) { return envelope_[t + rise] - envelope_[t - rise]; };
        int steepest = size_ / 2;
        for (int t = size_ / 2 - reach; t <= size_ / 2 + reach; ++t) {
            if (riseAt(t) > riseAt(steepest)) steepest = t;
        }
        const double bestRise = std::max(0.0, riseAt(steepest));
        // The first clear rise shortly before the largest: a beat's sounds start together,
        // but some rise faster, and which rises most changes along a track.
        int best = std::max(size_ / 2 - reach, steepest - int(std::lround(kLeadSeconds * rate_)));
        while (best < steepest && riseAt(best) < kFirstRise * bestRise) ++best;
        while (best < steepest && riseAt(best + 1) >= riseAt(best)) ++best;
        // Sub-sample by a parabola through the rise around its peak.
        double offset = 0.0;
        const double left = riseAt(best - 1), centre = riseAt(best), right = riseAt(best + 1);
        const double curvature = left - 2 * centre + right;
        if (curvature < 0) offset = std::clamp(0.5 * (left - right) / curvature, -0.5, 0.5);
        // A clear onset both rises sharply and leaves the music louder: the
        // wavering of a held chord dips and recovers sharply, a tremolo swells slowly.
        const double clarity = std::min(bestRise, contrastAt(steepest, total));
        return {0.0, (double(start + best) + offset) / rate_, clarity};
    }

  private:
    // How much louder the music is just after `t` than just before, in log energy.
    double contrastAt(int t, double total) const {
        const int span = int(std::lround(kContrastSeconds * rate_));
        const int begin = std::max(0, t - span), end = std::min(size_, t + span);
        if (t - begin < 1 || end - t < 1) return 0.0;
        const double floor = 1e-3 * total / size_ + 1e-30;
        const double before = (summed_[t] - summed_[begin]) / (t - begin) + floor;
        const double after = (summed_[end] - summed_[t]) / (end - t) + floor;
        return std::max(0.0, std::log(after / before));
    }

    static void boxSmooth(const std::vector<double>& in, std::vector<double>& out, int half) {
        const int n = int(in.size());
        double sum = 0.0;
        for (int t = 0; t < std::min(n, half); ++t) sum += in[t];
        for (int t = 0; t < n; ++t) {
            if (t + half < n) sum += in[t + half];
            if (t - half - 1 >= 0) sum -= in[t - half - 1];
            out[t] = sum;
        }
    }

    double rate_;
    int size_;
    float* samples_;
    fftwf_complex* spectrum_;
    fftwf_complex* analytic_;
    fftwf_plan forward_ = nullptr, backward_ = nullptr;
    std::vector<double> envelope_, smoothed_, summed_;
};

}  // namespace

TrackGrid measureTrackGrid(const MonoReader& read, int64_t frames, double rate,
                           const std::stop_token& stop) {
    if (!(rate > 0) || frames <= 0) return {};
    // Stage 1: the readout's tempo, and the onsets of the whole track.
    Decimator decimator(rate);
    OnsetStrength onsets(decimator.outputRate(), double(frames) / rate + 1.0);
    TempoDetector readout(rate);
    const int64_t readoutEnd = std::min<int64_t>(frames, std::llround(kReadoutSeconds * rate));
    std::vector<float> mono(kChunk), low, air;
    for (int64_t done = 0; done < frames; done += kChunk) {
        if (stop.stop_requested()) return {};
        const int count = int(std::min<int64_t>(kChunk, frames - done));
        read(done, count, mono.data());
        if (done < readoutEnd) {
            readout.process(mono.data(), std::size_t(std::min<int64_t>(count, readoutEnd - done)));
        }
        low.clear();
        air.clear();
        decimator.process(mono.data(), std::size_t(count), low, air);
        onsets.process(low.data(), air.data(), low.size());
    }
    const double bpm = readout.tempo();
    if (bpm <= 0 || stop.stop_requested()) return {};

    // Stage 2.
    const double frameRate = onsets.frameRate();
    const NoveltyCurves curves = beatNovelty(onsets.values(), frameRate);
    const Line coarse = onTheBeat(coarseGrid(curves.all, 60.0 * frameRate / bpm), curves);
    if (!coarse || stop.stop_requested()) return {};

    // Stage 3. A frame's value belongs to the middle of its window, a frame before.
    const double seconds = double(frames) / rate;
    auto coarseSeconds = [&](double n) { return (coarse.at(n) - 1.0) / frameRate; };
    const double period = coarse.slope / frameRate;
    const auto firstBeat = int64_t(std::ceil(-coarseSeconds(0) / period));
    const auto lastBeat = int64_t(std::floor((seconds - coarseSeconds(0)) / period));
    if (lastBeat - firstBeat < 8) return {};
    FineTimer timer(rate);
    std::vector<Point> beats;
    std::vector<std::pair<double, double>> offsets;
    for (int64_t n = firstBeat; n <= lastBeat; ++n) {
        if ((n & 63) == 0 && stop.stop_requested()) return {};
        Point beat = timer.time(read, coarseSeconds(double(n)));
        beat.x = double(n);
        if (beat.weight <= 0) continue;
        offsets.push_back({beat.y - coarseSeconds(double(n)), beat.weight});
        beats.push_back(beat);
    }
    if (beats.size() < 8) return {};

    // Stage 4. Clear onsets time best and weigh more, but none more than a few others.
    // Music whose onsets are mostly unclear has no beat to time.
    std::vector<double> clarities;
    for (const Point& b : beats) clarities.push_back(b.weight);
    std::nth_element(clarities.begin(), clarities.begin() + clarities.size() / 2, clarities.end());
    const double typical = clarities[clarities.size() / 2];
    if (typical < kLeastClarity) return {};
    const double bias = weightedMedian(offsets);
    std::vector<Point> timed;
    for (const Point& b : beats) {
        const bool stray = std::abs(b.y - coarseSeconds(b.x) - bias) > kStraySeconds;
        if (b.weight >= kWeakBeat * typical && !stray) {
            timed.push_back({b.x, b.y, std::min(3.0, b.weight / typical)});
        }
    }
    if (timed.size() < 8) return {};
    std::vector<double> factors;
    const Line fine = robustLine(timed, kNarrowestSeconds, factors);
    const double slope = fine.slope, phase = fine.intercept;
    if (!(std::abs(slope / period - 1) < 0.01)) return {};

    // Steady: most beats of the span the music covers lie on the grid, and the two
    // halves of the track keep the same tempo.
    const double span = timed.back().x - timed.front().x + 1;
    double onGrid = 0;
    for (const Point& b : timed) onGrid += std::abs(b.y - slope * b.x - phase) <= kOnGridSeconds;
    const double confidence = std::min(1.0, onGrid / span);
    const std::size_t middle = timed.size() / 2;
    std::vector<double> unused;
    const double early =
        robustLine({timed.begin(), timed.begin() + middle}, kNarrowestSeconds, unused).slope;
    const double late =
        robustLine({timed.begin() + middle, timed.end()}, kNarrowestSeconds, unused).slope;
    if (!(early > 0 && late > 0) || std::abs(early / late - 1) > kMostDrift) return {};
    if (confidence < kLeastOnGrid) return {};

    TrackGrid grid;
    grid.bpm = 60.0 / slope;
    grid.firstBeatSeconds = phase - std::floor(phase / slope) * slope;
    grid.confidence = confidence;
    return grid;
}

}  // namespace luma
