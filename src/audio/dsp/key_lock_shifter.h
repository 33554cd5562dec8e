// Holds a channel's key while its speed changes: shifts the pitch of the
// resampled reading back by 1 / speed, with a fixed delay.
//
// Rubber Band does the shifting, in real-time mode with its R3 engine and
// short window: over speeds 0.5..2 its output runs steadily at most about
// 2600 frames behind its input (the standard R3 window needs 4500 and costs
// three times as much; R2 needs 3900 when shifting up), and it follows a
// pitch that changes every block without steps. Constructed off the audio
// thread (the stretcher allocates there) and primed with silence, so that
// process() then only ever feeds and takes `frames` and never allocates,
// locks or resets.
#pragma once

#include <cstdint>
#include <memory>

namespace RubberBand {
class RubberBandStretcher;
}

namespace luma::dsp {

class KeyLockShifter {
  public:
    static constexpr int kMaxBlock = 256;

    // ---- control thread ----
    explicit KeyLockShifter(double sampleRate);
    ~KeyLockShifter();
    KeyLockShifter(const KeyLockShifter&) = delete;
    KeyLockShifter& operator=(const KeyLockShifter&) = delete;

    // Output frames between a frame going in and the same frame coming out.
    int delayFrames() const noexcept { return delay_; }

    // ---- audio thread ----
    // Feeds `frames` (<= kMaxBlock) frames played at `speed` (the source's
    // frames per second over its own rate) and writes the `frames` that come
    // out, delayFrames() behind, at the key of speed 1.
    void process(const float* inLeft, const float* inRight, int frames, double speed,
                 float* outLeft, float* outRight) noexcept;
    // Frames process() had to fill with silence (the stretcher fell behind).
    int64_t shortfall() const noexcept { return shortfall_; }

  private:
    std::unique_ptr<RubberBand::RubberBandStretcher> stretcher_;
    int delay_ = 0;
    int64_t discard_ = 0;  // start-up output still to drop
    int64_t shortfall_ = 0;
    double pitch_ = 1.0;
};

}  // namespace luma::dsp
