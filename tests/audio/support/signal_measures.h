// Measurements on rendered audio, and the equaliser's designed response.
#pragma once

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>
#include <vector>

namespace luma::test {

// One channel (0 left, 1 right) of interleaved frames.
inline std::vector<float> side(const std::vector<float>& interleaved, int which, int channels = 2) {
    std::vector<float> out(interleaved.size() / channels);
    for (size_t i = 0; i < out.size(); ++i) out[i] = interleaved[channels * i + which];
    return out;
}

// Peak of absolute values.
inline double peak(const std::vector<float>& samples) {
    double p = 0;
    for (float s : samples) p = std::max(p, std::fabs(static_cast<double>(s)));
    return p;
}

// The largest difference between neighbouring samples: a click shows as a step.
inline double largestStep(const std::vector<float>& samples) {
    double largest = 0;
    for (size_t i = 1; i < samples.size(); ++i) {
        largest = std::max(largest, std::fabs(static_cast<double>(samples[i] - samples[i - 1])));
    }
    return largest;
}

// Seconds where sounds begin: each first sample above `threshold` after `quietSeconds`
// below it, so that a sound cut by the start is none.
inline std::vector<double> soundStarts(const std::vector<float>& samples, double rate,
                                       float threshold, double quietSeconds) {
    std::vector<double> starts;
    double quiet = 0;
    for (size_t i = 0; i < samples.size(); ++i) {
        if (std::fabs(samples[i]) <= threshold) {
            ++quiet;
            continue;
        }
        if (quiet > quietSeconds * rate) starts.push_back(static_cast<double>(i) / rate);
        quiet = 0;
    }
    return starts;
}

// The designed bell's gain in dB at `hz`: the analogue prototype at the warped frequency.
inline double bellDb(double hz, double centreHz, double semitones, double gainDb, double rate) {
    const double a = std::pow(10.0, gainDb / 40.0);
    const double q = 1.0 / (2.0 * std::sinh(std::numbers::ln2 / 2.0 * semitones / 12.0));
    const std::complex<double> s(
        0.0, std::tan(std::numbers::pi * hz / rate) / std::tan(std::numbers::pi * centreHz / rate));
    return 20.0 * std::log10(std::abs((s * s + s * (a / q) + 1.0) / (s * s + s / (a * q) + 1.0)));
}

}  // namespace luma::test
