#include "dsp/output_limiter.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>

namespace luma::dsp {

namespace {
// Below this (-0.0001 dB) the reduction is none and the mix passes untouched
// again, about 0.9 s after the deepest reduction; the step is far below hearing.
constexpr float kNoReduction = 1e-5f;
constexpr uint32_t kMagnitudeBits = 0x7FFFFFFF;
}  // namespace

void OutputLimiter::setSampleRate(double sampleRate) noexcept {
    recovery_ = static_cast<float>(std::exp(-1.0 / (kReleaseSeconds * sampleRate)));
}

void OutputLimiter::process(float* interleaved, int frames) noexcept {
    const int samples = 2 * frames;
    if (reduction_ == 0.0f) {
        // The usual case, nothing to do, found fast: a float's magnitude bits
        // order like the magnitudes (NaN above all), and a loop of integer
        // maxima vectorises where one of float maxima may not.
        uint32_t loudest = 0;
        for (int i = 0; i < samples; ++i) {
            loudest = std::max(loudest, std::bit_cast<uint32_t>(interleaved[i]) & kMagnitudeBits);
        }
        if (loudest <= std::bit_cast<uint32_t>(kThreshold)) return;
    }
    for (int i = 0; i < samples; i += 2) {
        reduction_ *= recovery_;
        if (reduction_ < kNoReduction) reduction_ = 0.0f;
        // Each side on its own: std::max() with a NaN returns the other value.
        if (!std::isfinite(interleaved[i]) || !std::isfinite(interleaved[i + 1])) {
            interleaved[i] = interleaved[i + 1] = 0.0f;  // never hand the device garbage
            continue;
        }
        const float peak = std::max(std::fabs(interleaved[i]), std::fabs(interleaved[i + 1]));
        if (peak * (1.0f - reduction_) > kThreshold) reduction_ = 1.0f - kThreshold / peak;
        const float gain = 1.0f - reduction_;
        // The clamp only catches the last rounding of the product.
        interleaved[i] = std::clamp(interleaved[i] * gain, -kThreshold, kThreshold);
        interleaved[i + 1] = std::clamp(interleaved[i + 1] * gain, -kThreshold, kThreshold);
    }
}

}  // namespace luma::dsp
