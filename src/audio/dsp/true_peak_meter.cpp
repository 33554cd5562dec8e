#include "dsp/true_peak_meter.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

#include "dsp/cpu_clones.h"

namespace luma::dsp {

namespace {

constexpr int kHistory = TruePeakMeter::kTaps - 1;

// Eight lanes as a GCC vector: one AVX register in the x86-64-v3 clone (with
// FMA), two SSE registers in the plain x86-64 one.
using Lanes = float __attribute__((vector_size(32)));
constexpr int kLanes = 8;

// By reference: a vector returned by value trips -Wpsabi in the plain clone.
inline void load(Lanes& v, const float* p) {
    std::memcpy(&v, p, sizeof v);
}

inline void keepLarger(Lanes& largest, const Lanes& v) {
    const Lanes magnitude = v < 0 ? -v : v;
    largest = largest > magnitude ? largest : magnitude;
}

using Phases = std::array<std::array<float, TruePeakMeter::kTaps>, TruePeakMeter::kFactor - 1>;

// The largest magnitude of the three interpolated phases and of the sample
// just before them, with the window at `at`.
float pointPeak(const float* window, int at, const Phases& phases) {
    float largest = std::fabs(window[at + kHistory / 2]);
    for (const auto& taps : phases) {
        float value = 0.0f;
        for (int k = 0; k < TruePeakMeter::kTaps; ++k) {
            value += taps[static_cast<size_t>(k)] * window[at + k];
        }
        largest = std::max(largest, std::fabs(value));
    }
    return largest;
}

// The same for every position of the window over `count` frames (the window
// holds kHistory frames more), eight at a time.
__attribute__((LUMA_CPU_CLONES)) float stretchPeak(const float* window, int count,
                                                   const Phases& phases) {
    Lanes largest = {};
    const int whole = count / kLanes * kLanes;
    for (int i = 0; i < whole; i += kLanes) {
        Lanes first = {}, second = {}, third = {};
        for (int k = 0; k < TruePeakMeter::kTaps; ++k) {
            Lanes x;
            load(x, window + i + k);
            first += phases[0][static_cast<size_t>(k)] * x;
            second += phases[1][static_cast<size_t>(k)] * x;
            third += phases[2][static_cast<size_t>(k)] * x;
        }
        // The samples themselves: the ones just before the interpolated points.
        Lanes samples;
        load(samples, window + i + kHistory / 2);
        keepLarger(largest, first);
        keepLarger(largest, second);
        keepLarger(largest, third);
        keepLarger(largest, samples);
    }
    float peak = 0.0f;
    for (int lane = 0; lane < kLanes; ++lane) peak = std::max(peak, largest[lane]);
    for (int i = whole; i < count; ++i) peak = std::max(peak, pointPeak(window, i, phases));
    return peak;
}

}  // namespace

TruePeakMeter::TruePeakMeter(int channels)
    : channels_(channels),
      windows_(static_cast<size_t>(channels), std::vector<float>(kHistory + kStretch, 0.0f)) {
    // A Hann-windowed sinc over 4 x 12 + 1 taps, cut off at the source's Nyquist
    // frequency; the phase at whole samples is the sample itself and is not
    // computed. Each phase sums to 1, so a steady level reads as itself.
    constexpr int kLength = kFactor * kTaps + 1;
    constexpr double kCentre = (kLength - 1) / 2.0;
    for (int phase = 1; phase < kFactor; ++phase) {
        auto& taps = phases_[static_cast<size_t>(phase - 1)];
        double sum = 0.0;
        for (int k = 0; k < kTaps; ++k) {
            const int m = kFactor * k + phase;
            const double t = (m - kCentre) / kFactor;
            const double sinc = std::sin(std::numbers::pi * t) / (std::numbers::pi * t);
            const double hann = 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * m / (kLength - 1));
            taps[static_cast<size_t>(kTaps - 1 - k)] = static_cast<float>(sinc * hann);
            sum += sinc * hann;
        }
        for (float& tap : taps) tap = static_cast<float>(tap / sum);
    }
}

void TruePeakMeter::add(const int16_t* interleaved, int64_t frames) {
    addFrames(interleaved, frames, 1.0f / 32768.0f);
}

void TruePeakMeter::add(const float* interleaved, int64_t frames) {
    addFrames(interleaved, frames, 1.0f);
}

template <typename Sample>
void TruePeakMeter::addFrames(const Sample* interleaved, int64_t frames, float scale) {
    for (int64_t done = 0; done < frames;) {
        const int count = static_cast<int>(std::min<int64_t>(kStretch, frames - done));
        for (int channel = 0; channel < channels_; ++channel) {
            float* stretch = windows_[static_cast<size_t>(channel)].data() + kHistory;
            const Sample* from = interleaved + done * channels_ + channel;
            for (int i = 0; i < count; ++i) {
                stretch[i] = static_cast<float>(from[static_cast<int64_t>(i) * channels_]) * scale;
            }
        }
        measureStretch(count);
        done += count;
    }
}

void TruePeakMeter::measureStretch(int count) {
    for (std::vector<float>& window : windows_) {
        peak_ = std::max(peak_, static_cast<double>(stretchPeak(window.data(), count, phases_)));
        // The stretch's last frames are the next one's history.
        std::copy_n(window.data() + count, kHistory, window.data());
    }
}

double TruePeakMeter::finish() {
    // The last frames, interpolated against the silence after them.
    for (std::vector<float>& window : windows_)
        std::fill_n(window.data() + kHistory, kHistory, 0.0f);
    measureStretch(kHistory);
    return peak_;
}

}  // namespace luma::dsp
