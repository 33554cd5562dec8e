// The strongest periodicity of a novelty curve between 40 and 240 BPM. It may
// be the beat, but as well its half or double: the metre is decided later.
#pragma once

#include <vector>

namespace luma {

struct Periodicity {
    double frames = 0.0;    // 0 when the curve repeats too weakly to hold a beat
    double strength = 0.0;  // normalised autocorrelation at the period, 0..1
};

Periodicity strongestPeriodicity(const std::vector<float>& novelty, double frameRate);

}  // namespace luma
