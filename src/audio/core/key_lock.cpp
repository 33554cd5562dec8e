#include "core/key_lock.h"

#include <algorithm>

namespace luma {

namespace {
// The shifter's first frames after the silence it was primed with smear
// the onset across its window: the bypass sounds on alone that much longer.
constexpr int kSettleFrames = 1024;
constexpr int kFadeFrames = FadingVoice::kFrames;
}  // namespace

void KeyLock::engage(dsp::KeyLockShifter* shifter, double speed) noexcept {
    shifter_ = shifter;
    shifter_->setSpeed(speed);  // drift() is then the one to come
    on_ = true;
    quietFrames_ = 0;
    bypass_.cancel();
}

void KeyLock::bridge(const LoopSource& source, const dsp::SourcePosition& position,
                     const dsp::VariableRateResampler& resampler, double step,
                     double increment) noexcept {
    bypass_.start(source, position, resampler, step, increment, lead() + kSettleFrames);
}

void KeyLock::release() noexcept {
    if (!on_) return;
    on_ = false;
    fadeDone_ = 0;
}

void KeyLock::process(float* left, float* right, int frames, double speed, bool silent) noexcept {
    if (!shifter_) return;
    if (on_) {
        shifter_->process(left, right, frames, speed, shiftedLeft_.data(), shiftedRight_.data());
        std::copy_n(shiftedLeft_.data(), frames, left);
        std::copy_n(shiftedRight_.data(), frames, right);
        if (bypass_.active()) bypass_.blendInto(left, right, frames);
        quietFrames_ = silent ? quietFrames_ + frames : 0;
        return;
    }
    // Released: the shifter's last output, made from what was read before,
    // fades out; silence goes in, which reaches its output only after the fade.
    const std::array<float, kMaxBlock> zeros{};
    shifter_->process(zeros.data(), zeros.data(), frames, speed, shiftedLeft_.data(),
                      shiftedRight_.data());
    if (bypass_.active()) bypass_.blendInto(shiftedLeft_.data(), shiftedRight_.data(), frames);
    constexpr float kScale = 1.0f / static_cast<float>(kFadeFrames + 1);
    const int n = std::min(frames, kFadeFrames - fadeDone_);
    for (int i = 0; i < n; ++i) {
        const float weight = static_cast<float>(fadeDone_ + i + 1) * kScale;  // of the reading
        left[i] = shiftedLeft_[i] + weight * (left[i] - shiftedLeft_[i]);
        right[i] = shiftedRight_[i] + weight * (right[i] - shiftedRight_[i]);
    }
    fadeDone_ += n;
    if (fadeDone_ == kFadeFrames) {
        shifter_ = nullptr;
        bypass_.cancel();
    }
}

}  // namespace luma
