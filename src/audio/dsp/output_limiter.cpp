#include "dsp/output_limiter.h"

#include <algorithm>
#include <cmath>

namespace luma::dsp {

namespace {
// Below this (-0.0001 dB) the reduction is none and the mix passes untouched
// again, about 0.9 s after the deepest reduction; the step is far below hearing.
constexpr float kNoReduction = 1e-5f;
}  // namespace

void OutputLimiter::setSampleRate(double sampleRate) noexcept {
    recovery_ = static_cast<float>(std::exp(-1.0 / (kReleaseSeconds * sampleRate)));
}

void OutputLimiter::process(float* interleaved, int frames) noexcept {
    const int samples = 2 * frames;
    if (reduction_ == 0.0f) {
        float loudest = 0.0f;
        for (int i = 0; i < samples; ++i) loudest = std::max(loudest, std::fabs(interleaved[i]));
        if (loudest <= kThreshold) return;  // the usual case: nothing to do
    }
    for (int i = 0; i < samples; i += 2) {
        reduction_ *= recovery_;
        if (reduction_ < kNoReduction) reduction_ = 0.0f;
        const float peak = std::max(std::fabs(interleaved[i]), std::fabs(interleaved[i + 1]));
        if (!std::isfinite(peak)) {
            interleaved[i] = interleaved[i + 1] = 0.0f;  // never hand the device garbage
            continue;
        }
        if (peak * (1.0f - reduction_) > kThreshold) reduction_ = 1.0f - kThreshold / peak;
        const float gain = 1.0f - reduction_;
        // The clamp only catches the last rounding of the product.
        interleaved[i] = std::clamp(interleaved[i] * gain, -kThreshold, kThreshold);
        interleaved[i + 1] = std::clamp(interleaved[i + 1] * gain, -kThreshold, kThreshold);
    }
}

}  // namespace luma::dsp
