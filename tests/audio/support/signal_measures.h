// Measurements on rendered audio: one channel, the peak, the largest step;
// and the equaliser's designed response to hold them to.
#pragma once

#include <vector>

namespace luma::test {

// One channel (0 left, 1 right) of interleaved frames.
std::vector<float> side(const std::vector<float>& interleaved, int which, int channels = 2);

// Gain in dB at `hz` of the peaking equaliser's bell as designed: the
// analogue prototype at the bilinear-warped frequency, Q from the bandwidth
// between the half-gain points.
double bellDb(double hz, double centreHz, double semitones, double gainDb, double rate);
// Peak of absolute values.
double peak(const std::vector<float>& samples);
// The largest difference between neighbouring samples: a click shows as a step.
double largestStep(const std::vector<float>& samples);

}  // namespace luma::test
