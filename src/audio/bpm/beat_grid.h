// Pins a rough beat period down precisely: beats are tracked through the
// whole curve, then a straight line through their times gives the period.
#pragma once

#include <cstddef>
#include <vector>

namespace luma {

// `period` in frames, within a few per cent of the truth. Returns the refined period,
// or `period` itself when the beats do not line up well enough to improve on it.
double refineBeatPeriod(const std::vector<float>& novelty, double period);

// The frames of the best chain of beats through the curve, about `period` apart: dynamic
// programming that trades onset strength against straying from the period.
std::vector<std::size_t> trackBeatFrames(const std::vector<float>& novelty, double period);

// The highest value within two frames of a tracked beat, placed to a fraction of a frame
// by the parabola through it and its neighbours, and its height (never negative).
struct OnsetPeak {
    double frame;
    double height;
};
OnsetPeak onsetPeakNear(const std::vector<float>& curve, std::size_t frame);

}  // namespace luma
