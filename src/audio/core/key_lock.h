// A channel's key lock, on the audio side: the reading, resampled at the
// channel's speed, goes through a pitch shifter that brings it back to the
// track's key.
//
// Why after the resampler rather than instead of it: the resampler keeps
// doing all the timing (speed, jog, brake, sync nudges, loops, jumps and
// the track's rate against the output's), exactly as without key lock; the
// shifter only has to undo the pitch change of the speed, 1 / speed, which
// is the same whatever the track's and the output's rates. Jumps then need
// no reset of the stretcher (the reading's own crossfade goes through it),
// and the one thing to compensate is the shifter's fixed delay: while on,
// the channel reads that far ahead of what is heard (lead()).
//
// Switching on while playing: the reading skips ahead by the delay, and a
// bypass voice plays on from where the reading stood, unshifted, until the
// shifter's output has settled, then crossfades into it. Switching off: the
// reading goes back to what is heard, and the shifter's output, already
// computed that far, crossfades into it.
#pragma once

#include <array>

#include "core/fading_voice.h"
#include "dsp/key_lock_shifter.h"

namespace luma {

class KeyLock {
  public:
    static constexpr int kMaxBlock = dsp::KeyLockShifter::kMaxBlock;

    explicit KeyLock(const Track& track) noexcept : bypass_(track) {}

    // ---- audio thread ----
    bool on() const noexcept { return on_; }
    // Output frames the channel's reading runs ahead of what is heard.
    int lead() const noexcept { return on_ ? shifter_->delayFrames() : 0; }
    // How much later still the reading is heard at the present speed.
    int drift() const noexcept { return on_ ? shifter_->driftFrames() : 0; }
    // Whether the shifter still has sound to give while the channel is silent.
    bool sounding() const noexcept { return shifter_ && (!on_ || quietFrames_ < drainFrames()); }

    // Shifts from now on through `shifter` (fresh, primed with silence). A
    // playing channel hands over the reading as it stands, which sounds on
    // unshifted until the shifter's sound is there.
    void engage(dsp::KeyLockShifter* shifter, double speed) noexcept;
    void bridge(const LoopSource& source, const dsp::SourcePosition& position,
                const dsp::VariableRateResampler& resampler, double step,
                double increment) noexcept;
    // Off: what the shifter already made fades into the unshifted reading.
    void release() noexcept;

    // The channel's block as read (silence when it is stopped), played at
    // `speed`, becomes the block heard.
    void process(float* left, float* right, int frames, double speed, bool silent) noexcept;

  private:
    int drainFrames() const noexcept { return shifter_->delayFrames() + kMaxBlock; }

    dsp::KeyLockShifter* shifter_ = nullptr;
    bool on_ = false;
    int quietFrames_ = 0;  // frames of silence fed since the last sound
    int fadeDone_ = 0;     // after release: frames of the fade out of the shifter
    FadingVoice bypass_;
    std::array<float, kMaxBlock> shiftedLeft_{}, shiftedRight_{};
};

}  // namespace luma
