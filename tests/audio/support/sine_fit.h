// Least-squares sine fit: frequency, amplitude and what is left.
#pragma once

#include <vector>

namespace luma::test {

// samples[n] ~= offset + amplitude * sin(2 pi frequencyHz n / sampleRate + phase)
struct SineFit {
    double frequencyHz = 0.0;
    double amplitude = 0.0;
    double snrDb = 0.0;  // fitted sine's power over the residual's
};

// The strongest sine within 10 % of `approxHz`, all four parameters refined
// together (Gauss-Newton), so the residual holds only noise, distortion and
// aliases: a clean float sine measures about 140 dB.
SineFit fitSine(const std::vector<float>& samples, double sampleRate, double approxHz);

}  // namespace luma::test
