#include "support/sine_fit.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <vector>

namespace luma::test {
namespace {

constexpr double kRate = 44100.0;

std::vector<double> sine(double hz, double amplitude, double phase, int count) {
    std::vector<double> x(count);
    for (int n = 0; n < count; ++n) {
        x[n] = amplitude * std::sin(2.0 * std::numbers::pi * hz * n / kRate + phase);
    }
    return x;
}

TEST(SineFit, RecoversEveryParameterOfACleanSine) {
    std::vector<double> x = sine(1234.5678, 0.3, -2.1, 30000);
    for (double& v : x) {
        v += 0.02;
    }
    const SineFit fit = fitSine(x.data(), x.size(), kRate, 1180.0);  // guess 4 % off
    EXPECT_NEAR(fit.frequencyHz, 1234.5678, 1e-8);
    EXPECT_NEAR(fit.amplitude, 0.3, 1e-12);
    EXPECT_NEAR(fit.phase, -2.1, 1e-9);
    EXPECT_NEAR(fit.offset, 0.02, 1e-12);
    EXPECT_GT(fit.snrDb, 140.0);
}

TEST(SineFit, MeasuresWhatIsNotTheSine) {
    const std::vector<double> clean = sine(10000.0, 0.5, 0.4, 44100);
    const std::vector<float> asFloat(clean.begin(), clean.end());
    EXPECT_GT(fitSine(asFloat.data(), asFloat.size(), kRate, 10000.0).snrDb, 140.0);

    std::mt19937 random(3);
    std::normal_distribution<double> noise(0.0, std::sqrt(0.125e-6));  // 60 dB down
    std::vector<double> noisy = clean;
    for (double& v : noisy) {
        v += noise(random);
    }
    EXPECT_NEAR(fitSine(noisy.data(), noisy.size(), kRate, 10000.0).snrDb, 60.0, 0.2);

    // A second tone outside the search range counts as residual.
    std::vector<double> pair = sine(3000.0, 0.4, 0.0, 20000);
    const std::vector<double> other = sine(3500.0, 0.1, 1.0, 20000);
    for (size_t n = 0; n < pair.size(); ++n) {
        pair[n] += other[n];
    }
    const SineFit fit = fitSine(pair.data(), pair.size(), kRate, 2900.0);
    EXPECT_NEAR(fit.frequencyHz, 3000.0, 0.01);
    EXPECT_NEAR(fit.snrDb, 20.0 * std::log10(0.4 / 0.1), 0.1);
}

}  // namespace
}  // namespace luma::test
