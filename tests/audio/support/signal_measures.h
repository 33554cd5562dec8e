// Measurements on rendered audio: one side of stereo, a tone's amplitude, the peak.
#pragma once

#include <vector>

namespace luma::test {

// One side (0 left, 1 right) of interleaved stereo frames.
std::vector<float> side(const std::vector<float>& interleaved, int which);

// Amplitude of the `hz` component of `samples` (single-bin DFT over a whole
// number of cycles where possible), for gain measurements.
double toneAmplitude(const std::vector<float>& samples, double rate, double hz);
// Peak of absolute values.
double peak(const std::vector<float>& samples);
// The largest difference between neighbouring samples: a click shows as a step.
double largestStep(const std::vector<float>& samples);

}  // namespace luma::test
