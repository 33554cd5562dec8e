// Holds a channel's key while its speed changes: shifts the pitch of the
// resampled reading back by 1 / speed, with a fixed delay.
//
// Rubber Band does the shifting, in real-time mode with its R3 engine and
// short window, which follows a pitch that changes every block without
// steps. Chosen on sound and measurement: on a steady 1 kHz tone shifted for
// +8 %, R2 swings the tone's level between 0.14 and 0.37 from block to block
// where R3 short holds it within 3 %; R3 short costs about 0.05 of real time
// (R2 0.04, the full R3 window 0.25) and its output runs at most about 2600
// frames behind its input over speeds 0.5..2 (full R3 4500, R2 3900).
//
// Constructed off the audio thread (the stretcher allocates there) and
// primed with silence, so that process() then only ever feeds and takes
// `frames`, within the size set up front, and never resets or allocates
// (see kPitchSteps).
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
    // How much later than delayFrames() the sound comes out at the present
    // pitch: the stretcher's window holds more or less of the track as it
    // shifts down or up (about +-200 frames at +-16 % at 44.1 kHz).
    int driftFrames() const noexcept;

    // ---- audio thread ----
    // The speed the next frames play at; process() sets it too.
    void setSpeed(double speed) noexcept;
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
    int startDelay_ = 0;   // the stretcher's own at pitch 1
    int64_t discard_ = 0;  // start-up output still to drop
    int64_t shortfall_ = 0;
    double pitch_ = 1.0;
};

}  // namespace luma::dsp
