#include "support/signal_measures.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <numbers>

namespace luma::test {

std::vector<float> side(const std::vector<float>& interleaved, int which, int channels) {
    std::vector<float> out(interleaved.size() / channels);
    for (size_t i = 0; i < out.size(); ++i) out[i] = interleaved[channels * i + which];
    return out;
}

double largestStep(const std::vector<float>& samples) {
    double largest = 0;
    for (size_t i = 1; i < samples.size(); ++i) {
        largest = std::max(largest, std::fabs(static_cast<double>(samples[i] - samples[i - 1])));
    }
    return largest;
}

double bellDb(double hz, double centreHz, double semitones, double gainDb, double rate) {
    const double a = std::pow(10.0, gainDb / 40.0);
    const double q = 1.0 / (2.0 * std::sinh(std::numbers::ln2 / 2.0 * semitones / 12.0));
    const std::complex<double> s(
        0.0, std::tan(std::numbers::pi * hz / rate) / std::tan(std::numbers::pi * centreHz / rate));
    return 20.0 * std::log10(std::abs((s * s + s * (a / q) + 1.0) / (s * s + s / (a * q) + 1.0)));
}

double peak(const std::vector<float>& samples) {
    double p = 0;
    for (float s : samples) p = std::max(p, std::fabs(static_cast<double>(s)));
    return p;
}

}  // namespace luma::test
