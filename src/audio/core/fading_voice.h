// The way a channel read its track just before a jump, kept playing for a
// few milliseconds and faded into the new reading.
//
// A seek, a stop, or a loop switched off inside the seam's fade or moved
// under the play position changes what the next frames read: cut over at
// once, the sound would step from one part of the track to another (or to
// silence). The old reading is a LoopSource state and a position, so a copy
// of them plays on beside the channel for kFrames output frames while the
// output crossfades linearly from it to the channel's new reading.
#pragma once

#include <array>

#include "core/loop_source.h"
#include "dsp/resampler.h"

namespace luma {

class FadingVoice {
  public:
    static constexpr int kFrames = static_cast<int>(LoopSource::kFadeFrames);

    explicit FadingVoice(const Track& track) noexcept : source_(track) {}

    // ---- audio thread ----
    // The channel reads as `source` from `position` on, `step` source frames
    // an output frame (growing by `increment` a frame), through `resampler`.
    // With `holdFrames`, the old reading alone sounds that long before the fade.
    void start(const LoopSource& source, const dsp::SourcePosition& position,
               const dsp::VariableRateResampler& resampler, double step, double increment,
               int holdFrames = 0) noexcept;
    bool active() const noexcept { return left_ > 0; }
    void cancel() noexcept { left_ = hold_ = 0; }
    // Crossfades the first frames of the channel's block from the old reading.
    void blendInto(float* left, float* right, int frames) noexcept;

  private:
    void fade(float* left, float* right, int frames) noexcept;

    LoopSource source_;
    dsp::SourcePosition position_;
    dsp::VariableRateResampler resampler_;
    double step_ = 1.0, increment_ = 0.0;
    int left_ = 0;  // output frames of the fade still to come
    int hold_ = 0;  // output frames of the old reading alone before it
    std::array<float, kFrames> oldLeft_{}, oldRight_{};
};

}  // namespace luma
