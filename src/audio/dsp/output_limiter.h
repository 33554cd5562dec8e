// Keeps the engine's mix inside full scale before it reaches the device.
#pragma once

namespace luma::dsp {

// A peak limiter without look-ahead (so it adds no latency): the gain drops
// at once to whatever keeps the louder side at the threshold and recovers
// towards unity with a short release. Both sides share one gain, so the
// stereo image holds. While the gain is unity the samples pass untouched:
// a mix that stays below the threshold comes out bit for bit as it went in.
class OutputLimiter {
  public:
    static constexpr float kThreshold = 0.891f;  // -1 dBFS
    static constexpr double kReleaseSeconds = 0.08;

    explicit OutputLimiter(double sampleRate = 44100.0) { setSampleRate(sampleRate); }
    void setSampleRate(double sampleRate) noexcept;
    void reset() noexcept { reduction_ = 0.0f; }
    float gain() const noexcept { return 1.0f - reduction_; }

    // Audio thread: limits `frames` interleaved stereo frames in place.
    void process(float* interleaved, int frames) noexcept;

  private:
    // The gain's distance from unity, kept on its own: near 1 a float gain
    // has too few digits left to creep back up by the release's small steps.
    float reduction_ = 0.0f;
    float recovery_ = 0.0f;  // per-frame factor on the reduction
};

}  // namespace luma::dsp
