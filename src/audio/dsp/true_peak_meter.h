// The true peak of a signal (ITU-R BS.1770 Annex 2): the largest magnitude of
// the signal reconstructed between its samples, found by oversampling it four
// times.
//
// Written here rather than taken from libebur128, which measures the loudness:
// its true-peak path costs five times its loudness measurement (1.3 s of 1.55 s
// for a five-minute stereo track here), where this one, eight frames at a time,
// takes under 0.1 s and reads within 0.01 dB of it.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace luma::dsp {

class TruePeakMeter {
  public:
    static constexpr int kTaps = 12;  // per interpolated phase
    static constexpr int kFactor = 4;

    explicit TruePeakMeter(int channels);

    // Interleaved frames, continuing those given before.
    void add(const int16_t* interleaved, int64_t frames);
    void add(const float* interleaved, int64_t frames);

    // Once, after the last frames: the true peak, linear (1.0 is full scale).
    double finish();

  private:
    static constexpr int kStretch = 4096;
    template <typename Sample>
    void addFrames(const Sample* interleaved, int64_t frames, float scale);
    void measureStretch(int count);

    int channels_;
    // Per channel: the last kTaps - 1 frames before the stretch, then the stretch.
    std::vector<std::vector<float>> windows_;
    std::array<std::array<float, kTaps>, kFactor - 1> phases_{};  // coefficients, oldest first
    double peak_ = 0.0;
};

}  // namespace luma::dsp
