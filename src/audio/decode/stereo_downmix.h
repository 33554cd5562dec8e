// Folds sources with more than two channels down to stereo.
#pragma once

#include <cstdint>
#include <vector>

namespace luma {

enum class Speaker { Left, Right, Centre, Lfe, RearLeft, RearRight, SideLeft, SideRight, Other };

class StereoDownmix {
  public:
    // `layout` names the speaker of each source channel, in file order.
    explicit StereoDownmix(const std::vector<Speaker>& layout);

    int sourceChannels() const { return static_cast<int>(leftGain_.size()); }
    // `in` holds `frames` frames of sourceChannels(); `out` receives stereo frames.
    void apply(const float* in, int64_t frames, float* out) const;

  private:
    std::vector<float> leftGain_;
    std::vector<float> rightGain_;
};

// The channel order WAV and FLAC use when a file names no speakers.
std::vector<Speaker> defaultWaveLayout(int channels);

}  // namespace luma
