#include "decode/stereo_downmix.h"

#include <algorithm>
#include <numeric>

namespace luma {
namespace {

constexpr float kSideGain = 0.70710678f;  // -3 dB, the usual fold-down level

struct Gains {
    float left;
    float right;
};

// LFE is left out, as in the common broadcast fold-down.
Gains gainsFor(Speaker speaker) {
    switch (speaker) {
        case Speaker::Left:
            return {1.0f, 0.0f};
        case Speaker::Right:
            return {0.0f, 1.0f};
        case Speaker::Centre:
            return {kSideGain, kSideGain};
        case Speaker::Lfe:
            return {0.0f, 0.0f};
        case Speaker::RearLeft:
        case Speaker::SideLeft:
            return {kSideGain, 0.0f};
        case Speaker::RearRight:
        case Speaker::SideRight:
            return {0.0f, kSideGain};
        case Speaker::Other:
            return {0.5f, 0.5f};
    }
    return {0.0f, 0.0f};
}

}  // namespace

StereoDownmix::StereoDownmix(const std::vector<Speaker>& layout) {
    for (Speaker speaker : layout) {
        const Gains gains = gainsFor(speaker);
        leftGain_.push_back(gains.left);
        rightGain_.push_back(gains.right);
    }
    // Scaled so that every channel at full scale, in phase, still cannot clip.
    const float leftSum = std::accumulate(leftGain_.begin(), leftGain_.end(), 0.0f);
    const float rightSum = std::accumulate(rightGain_.begin(), rightGain_.end(), 0.0f);
    const float scale = 1.0f / std::max({leftSum, rightSum, 1.0f});
    for (float& gain : leftGain_) gain *= scale;
    for (float& gain : rightGain_) gain *= scale;
}

void StereoDownmix::apply(const float* in, int64_t frames, float* out) const {
    const int channels = sourceChannels();
    for (int64_t f = 0; f < frames; ++f) {
        const float* frame = in + f * channels;
        float left = 0.0f;
        float right = 0.0f;
        for (int ch = 0; ch < channels; ++ch) {
            left += frame[ch] * leftGain_[ch];
            right += frame[ch] * rightGain_[ch];
        }
        out[2 * f] = left;
        out[2 * f + 1] = right;
    }
}

std::vector<Speaker> defaultWaveLayout(int channels) {
    static const Speaker kOrder[] = {Speaker::Left,     Speaker::Right,    Speaker::Centre,
                                     Speaker::Lfe,      Speaker::RearLeft, Speaker::RearRight,
                                     Speaker::SideLeft, Speaker::SideRight};
    std::vector<Speaker> layout;
    for (int ch = 0; ch < channels; ++ch) {
        layout.push_back(ch < static_cast<int>(std::size(kOrder)) ? kOrder[ch] : Speaker::Other);
    }
    return layout;
}

}  // namespace luma
