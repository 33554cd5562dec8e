// The decimator's split of the input: the band below ~5 kHz, and the air above.
#include "bpm/decimator.h"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>
#include <vector>

#include "support/audio_files.h"

namespace luma::test {
namespace {

double rms(const std::vector<float>& x, size_t skip) {
    double sum = 0.0;
    for (size_t i = skip; i < x.size(); ++i) sum += double(x[i]) * x[i];
    return std::sqrt(sum / double(x.size() - skip));
}

// Levels of the band and of the air.
std::pair<double, double> split(double hz) {
    Decimator decimator(44100);
    const Signal sine = makeSine(hz, 1.0, 44100, 1, 0.5);
    std::vector<float> low, air;
    decimator.process(sine.samples.data(), sine.samples.size(), low, air);
    EXPECT_NEAR(double(low.size()), 44100 / 4, 16);
    return {rms(low, 100), rms(air, 100)};
}

TEST(Decimator, KeepsTheBandAndPassesTheRestToTheAir) {
    const double full = 0.5 / std::sqrt(2.0);
    for (double hz : {100.0, 1000.0, 2000.0}) {
        const auto [low, air] = split(hz);
        EXPECT_NEAR(low / full, 1.0, 0.02) << hz << " Hz";
        EXPECT_LT(air / full, 0.03) << hz << " Hz";
    }
    for (double hz : {9000.0, 15000.0}) {
        const auto [low, air] = split(hz);
        EXPECT_LT(low / full, 0.003) << hz << " Hz: aliases into the band";
        EXPECT_NEAR(air / full, 1.0, 0.1) << hz << " Hz";
    }
    // In the crossover the two parts, in phase, still add up to the input.
    for (double hz : {3500.0, 5000.0, 6500.0}) {
        const auto [low, air] = split(hz);
        EXPECT_NEAR((low + air) / full, 1.0, 0.02) << hz << " Hz";
    }
}

}  // namespace
}  // namespace luma::test
