#include "core/fading_voice.h"

#include <algorithm>

namespace luma {

void FadingVoice::start(const LoopSource& source, const dsp::SourcePosition& position,
                        const dsp::VariableRateResampler& resampler, double step, double increment,
                        int holdFrames) noexcept {
    // A fade already running goes on from its own old reading; starting
    // over would jump back to all-old.
    if (active()) return;
    source_ = source;
    position_ = position;
    resampler_.continueWith(resampler);
    step_ = step;
    increment_ = increment;
    left_ = kFrames;
    hold_ = holdFrames;
}

void FadingVoice::blendInto(float* left, float* right, int frames) noexcept {
    const int held = std::min(frames, hold_);
    if (held > 0) {
        resampler_.render(source_, position_, step_, increment_, held, left, right);
        step_ += increment_ * held;
        hold_ -= held;
    }
    fade(left + held, right + held, frames - held);
}

void FadingVoice::fade(float* left, float* right, int frames) noexcept {
    const int n = std::min(frames, left_);
    if (n <= 0) return;
    resampler_.render(source_, position_, step_, increment_, n, oldLeft_.data(), oldRight_.data());
    step_ += increment_ * n;
    const int done = kFrames - left_;
    constexpr float kScale = 1.0f / static_cast<float>(kFrames + 1);
    for (int i = 0; i < n; ++i) {
        const float weight = static_cast<float>(done + i + 1) * kScale;  // of the new reading
        left[i] = oldLeft_[i] + weight * (left[i] - oldLeft_[i]);
        right[i] = oldRight_[i] + weight * (right[i] - oldRight_[i]);
    }
    left_ -= n;
}

}  // namespace luma
