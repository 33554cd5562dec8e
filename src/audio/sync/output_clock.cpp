#include "sync/output_clock.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace luma {

namespace {
// The loop's bandwidth: callbacks' jitter is smoothed over about a third of a second.
constexpr double kBandwidthHz = 0.5;
// Periods coming in this far off the line, this many in a row, are a step.
constexpr double kStepMicros = 4000.0;
constexpr int kStepPeriods = 3;
// The measured rate stays this close to the nominal one.
constexpr double kMostRateError = 0.02;
}  // namespace

double OutputClock::update(int64_t frame, double nowMicros, double outputRate) noexcept {
    const double nominal = 1e6 / outputRate;
    if (!started_ || frame <= frame_) {
        started_ = true;
        frame_ = frame;
        micros_ = nowMicros;
        microsPerFrame_ = nominal;
        stepped_ = 0;
        steppedError_ = 0.0;
        return micros_;
    }
    const auto frames = static_cast<double>(frame - frame_);
    const double predicted = micros_ + frames * microsPerFrame_;
    const double error = nowMicros - predicted;
    frame_ = frame;
    if (std::fabs(error) > kStepMicros) {
        // One late callback is noise; several in a row are a step, taken at their mean.
        steppedError_ += error;
        micros_ = predicted;
        if (++stepped_ >= kStepPeriods) {
            micros_ += steppedError_ / stepped_;
            stepped_ = 0;
            steppedError_ = 0.0;
        }
        return micros_;
    }
    stepped_ = 0;
    steppedError_ = 0.0;
    const double omega = 2.0 * std::numbers::pi * kBandwidthHz * frames * microsPerFrame_ * 1e-6;
    micros_ = predicted + std::numbers::sqrt2 * omega * error;
    microsPerFrame_ += omega * omega * error / frames;
    microsPerFrame_ = std::clamp(microsPerFrame_, nominal * (1.0 - kMostRateError),
                                 nominal * (1.0 + kMostRateError));
    return micros_;
}

double OutputClock::clockRatio(double outputRate) const noexcept {
    return started_ ? microsPerFrame_ * outputRate * 1e-6 : 1.0;
}

}  // namespace luma
