#include "dsp/output_limiter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "support/signal_measures.h"

namespace luma::test {
namespace {

using dsp::OutputLimiter;

// `frames` stereo frames of a 1 kHz sine at `amplitude`.
std::vector<float> sine(double amplitude, int frames) {
    std::vector<float> x(2 * static_cast<size_t>(frames));
    for (int n = 0; n < frames; ++n) {
        x[2 * n] = x[2 * n + 1] =
            static_cast<float>(amplitude * std::sin(2.0 * std::numbers::pi * 1000.0 * n / 44100.0));
    }
    return x;
}

// Through the limiter in 256-frame periods, as the mixer calls it.
void limit(OutputLimiter& limiter, std::vector<float>& x) {
    for (size_t at = 0; at < x.size(); at += 512) {
        limiter.process(x.data() + at, static_cast<int>(std::min<size_t>(512, x.size() - at) / 2));
    }
}

TEST(OutputLimiter, PassesAQuietMixBitForBit) {
    OutputLimiter limiter;
    const std::vector<float> in = sine(OutputLimiter::kThreshold, 4096);
    std::vector<float> out = in;
    limit(limiter, out);
    EXPECT_EQ(out, in);
}

// A loud tone under +15 dB of equaliser reaches 2.7: it must come out inside
// full scale without clipping its shape, and once it is gone the mix is
// untouched again after the release.
TEST(OutputLimiter, HoldsALoudMixAtTheThresholdAndLetsGoAfter) {
    OutputLimiter limiter;
    std::vector<float> loud = sine(2.7, 44100);
    limit(limiter, loud);
    EXPECT_LE(peak(loud), OutputLimiter::kThreshold);
    EXPECT_GT(peak({loud.begin() + loud.size() / 2, loud.end()}), 0.85)
        << "held near the threshold, not pumped down";

    const std::vector<float> quiet = sine(0.5, 3 * 44100 / 2);
    std::vector<float> out = quiet;
    limit(limiter, out);
    EXPECT_EQ(limiter.gain(), 1.0f);
    const size_t afterRelease = 2 * 44100;  // 1 s
    EXPECT_TRUE(std::equal(out.begin() + afterRelease, out.end(), quiet.begin() + afterRelease));
}

TEST(OutputLimiter, NeverPassesANonFiniteOrHugeSample) {
    OutputLimiter limiter;
    std::vector<float> x = {NAN, 0.1f, INFINITY, -INFINITY, 1e30f, -1e30f, 0.2f, 0.2f};
    limiter.process(x.data(), 4);
    for (float sample : x) {
        EXPECT_TRUE(std::isfinite(sample));
        EXPECT_LE(std::fabs(sample), OutputLimiter::kThreshold);
    }
}

}  // namespace
}  // namespace luma::test
