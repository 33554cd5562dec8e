// How loud a played track is: its integrated loudness (ITU-R BS.1770, EBU R128)
// and true peak, measured over the whole decoded track on the loader's thread,
// and the pre-gain that brings it to a target loudness.
#pragma once

#include <atomic>
#include <stop_token>

#include "core/track.h"

namespace luma {

// A target of 0 LUFS or above means "leave every track as it is".
constexpr float kLoudnessOff = 0.0f;
inline bool loudnessOn(float targetLufs) noexcept {
    return targetLufs < 0.0f;
}

// The pre-gain in dB that brings a track measured at `lufs` with `truePeakDb` to
// `targetLufs`: any cut, but a boost only as far as a true peak of -1 dBTP (less
// kCeilingMarginDb) and never beyond kMaxBoostDb. 0 when off, and for a track
// with nothing above -70 LUFS (silence).
float loudnessGainDb(float targetLufs, float lufs, float truePeakDb) noexcept;

class TrackLoudness {
  public:
    // A track of nothing but near-silence (a hidden track's gap, a hiss) is not lifted
    // into a roar.
    static constexpr float kMaxBoostDb = 24.0f;
    static constexpr float kTruePeakCeilingDb = -1.0f;
    // Kept below the ceiling, so that a track raised to it never touches the output
    // limiter, whose threshold is -1 dBFS on the samples.
    static constexpr float kCeilingMarginDb = 0.05f;

    // Loader thread: measures the whole track; gives up, publishing nothing, on `stop`.
    // False (and nothing published) when the measurement itself fails.
    bool measure(const Track& track, const std::stop_token& stop);

    // Any thread, the audio thread included: whether the track has been measured, and
    // the result (-200 for silence: lufs when nothing passes the -70 LUFS gate,
    // truePeakDb when every sample is 0).
    bool result(float& lufs, float& truePeakDb) const noexcept {
        if (!measured_.load(std::memory_order_acquire)) return false;
        lufs = lufs_;
        truePeakDb = truePeakDb_;
        return true;
    }

  private:
    // Written once before `measured_` is set, read only after it is seen set.
    float lufs_ = 0.0f;
    float truePeakDb_ = 0.0f;
    std::atomic<bool> measured_{false};
};

}  // namespace luma
