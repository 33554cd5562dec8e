// A sine source and a block loop for driving the resampler in tests.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

#include "dsp/resampler.h"

namespace luma::test {

// A sine computed in double precision at any source frame; the right channel
// is the left inverted, so a channel mix-up shows.
class SineSource : public dsp::ResamplerSource {
  public:
    SineSource(double hz, double rate) : omega_(2.0 * std::numbers::pi * hz / rate) {}
    double at(double frame) const { return 0.5 * std::sin(omega_ * frame); }
    void fetch(int64_t first, int count, float* left, float* right) noexcept override {
        for (int i = 0; i < count; ++i) {
            left[i] = static_cast<float>(at(static_cast<double>(first + i)));
            right[i] = -left[i];
        }
    }

  private:
    double omega_;
};

struct Rendered {
    std::vector<float> left, right;
    std::vector<double> step;  // the step of each output frame
};

// Appends `frames` to `out` in blocks of `block`, starting at `step` and
// growing it by `increment` per frame; returns the step after the last frame.
inline double render(dsp::VariableRateResampler& resampler, dsp::ResamplerSource& source,
                     dsp::SourcePosition& pos, Rendered& out, int frames, double step,
                     double increment = 0.0, int block = 512) {
    for (int done = 0; done < frames; done += block) {
        const int count = std::min(block, frames - done);
        const size_t at = out.left.size();
        out.left.resize(at + count);
        out.right.resize(at + count);
        resampler.render(source, pos, step, increment, count, out.left.data() + at,
                         out.right.data() + at);
        for (int n = 0; n < count; ++n) {
            out.step.push_back(step + n * increment);
        }
        step += count * increment;
    }
    return step;
}

}  // namespace luma::test
