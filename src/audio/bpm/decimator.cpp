#include "bpm/decimator.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace luma {
namespace {

constexpr double kTargetRate = 11025.0;
// A Blackman sinc this long is flat to 3 kHz, 6 dB down at 5 kHz and 45 dB or more
// from 8 kHz: what aliases lands in the hats' band, where it only adds to their onsets.
constexpr int kTapsPerFactor = 8;
constexpr float kLargestSample = 64.0f;

// NaN, infinities and absurd values count as silence; one compare, so it vectorises.
float sanitised(float sample) {
    return std::abs(sample) <= kLargestSample ? sample : 0.0f;
}

// Blackman-windowed sinc with its cutoff just under the output Nyquist frequency;
// odd length, so its delay is a whole number of samples.
std::vector<float> lowPassTaps(int factor) {
    const int length = kTapsPerFactor * factor - 1;
    const double cutoff = 0.45 / factor;  // in cycles per input sample
    std::vector<float> taps(length);
    double sum = 0.0;
    for (int i = 0; i < length; ++i) {
        const double x = i - (length - 1) / 2.0;
        const double sinc = x == 0.0 ? 1.0
                                     : std::sin(2 * std::numbers::pi * cutoff * x) /
                                           (std::numbers::pi * x) / (2 * cutoff);
        const double phase = 2 * std::numbers::pi * (i + 1) / (length + 1);
        const double window = 0.42 - 0.5 * std::cos(phase) + 0.08 * std::cos(2 * phase);
        taps[i] = static_cast<float>(sinc * window);
        sum += taps[i];
    }
    for (float& tap : taps) tap = static_cast<float>(tap / sum);
    return taps;  // symmetric, so already its own time reversal
}

// Loops over restrict parameters, which the compiler trusts not to overlap and vectorises.
void sanitise(const float* __restrict from, float* __restrict to, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i) to[i] = sanitised(from[i]);
}

// One output: the dot product of `length` (a multiple of 8) taps with the input,
// in eight running sums the compiler keeps in vector registers.
float filtered(const float* __restrict taps, const float* __restrict x, std::size_t length) {
    float sums[8] = {};
    for (std::size_t j = 0; j < length; j += 8) {
        for (int k = 0; k < 8; ++k) sums[k] += taps[j + k] * x[j + k];
    }
    return ((sums[0] + sums[1]) + (sums[2] + sums[3])) +
           ((sums[4] + sums[5]) + (sums[6] + sums[7]));
}

}  // namespace

Decimator::Decimator(double inputRate) {
    const double rate = std::isfinite(inputRate) && inputRate > 0 ? inputRate : 44100.0;
    factor_ = std::max(1, static_cast<int>(std::lround(rate / kTargetRate)));
    outputRate_ = rate / factor_;
    taps_ = factor_ == 1 ? std::vector<float>{1.0f} : lowPassTaps(factor_);
    centre_ = taps_.size() / 2;
    taps_.resize((taps_.size() + 7) / 8 * 8, 0.0f);
    history_.assign(taps_.size() - 1, 0.0f);
    next_ = 0;
}

void Decimator::process(const float* input, std::size_t count, std::vector<float>& low,
                        std::vector<float>& air) {
    constexpr std::size_t kChunk = 4096;  // bounds the history however large the block
    for (std::size_t done = 0; done < count; done += kChunk) {
        const std::size_t size = std::min(kChunk, count - done);
        const std::size_t old = history_.size();
        history_.resize(old + size);
        sanitise(input + done, history_.data() + old, size);
        filterHistory(low, air);
    }
}

void Decimator::filterHistory(std::vector<float>& low, std::vector<float>& air) {
    const std::size_t length = taps_.size();
    if (next_ + length > history_.size()) return;
    const std::size_t outputs = (history_.size() - length - next_) / factor_ + 1;
    const std::size_t start = low.size();
    low.resize(start + outputs);
    air.resize(start + outputs);
    for (std::size_t i = 0; i < outputs; ++i, next_ += factor_) {
        const float* x = history_.data() + next_;
        const float band = filtered(taps_.data(), x, length);
        low[start + i] = band;
        air[start + i] = factor_ > 1 ? x[centre_] - band : 0.0f;
    }
    // Keep only what the next output still needs.
    const std::size_t consumed = std::min(next_, history_.size());
    history_.erase(history_.begin(), history_.begin() + static_cast<std::ptrdiff_t>(consumed));
    next_ -= consumed;
}

}  // namespace luma
