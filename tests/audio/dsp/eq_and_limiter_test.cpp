// The channel's peaking equaliser (its bell, its bypass, its glides) and the
// limiter on the mix.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "dsp/output_limiter.h"
#include "dsp/peaking_eq.h"
#include "support/audio_files.h"
#include "support/signal_measures.h"
#include "support/sine_fit.h"

namespace luma::test {
namespace {

using dsp::OutputLimiter;
using dsp::PeakingEq;

constexpr double kRate = 44100.0;

std::vector<float> sine(double hz, int frames, int channels = 1, double amplitude = 0.5) {
    return makeSine(hz, frames / kRate, static_cast<int>(kRate), channels, amplitude).samples;
}

// Settled gain at `hz` of an equaliser set to the given bell.
double measuredDb(double hz, double centreHz, double semitones, double gainDb) {
    PeakingEq eq;
    eq.setSampleRate(kRate);
    eq.setTarget(static_cast<float>(centreHz), static_cast<float>(semitones),
                 static_cast<float>(gainDb));
    eq.reset();
    std::vector<float> left = sine(hz, 44100);
    std::vector<float> right = left;
    eq.process(left.data(), right.data(), static_cast<int>(left.size()));
    return 20.0 *
           std::log10(fitSine({left.begin() + 22050, left.end()}, kRate, hz).amplitude / 0.5);
}

// At the centre the set gain; an octave and more away, the bell as designed.
TEST(PeakingEqResponse, FollowsTheDesignedBell) {
    for (double centre : {60.0, 1000.0, 12000.0}) {
        for (double gain : {-15.0, -6.0, 3.0, 15.0}) {
            EXPECT_NEAR(measuredDb(centre, centre, 36.0, gain), gain, 0.002) << centre << " Hz";
        }
    }
    struct Case {
        double probe, centre, semitones, gain;
    };
    for (const Case& c :
         {Case{2000, 1000, 36, 12}, Case{500, 1000, 36, 12}, Case{2000, 1000, 12, -15},
          Case{16000, 8000, 24, -9}, Case{4000, 8000, 24, 6}, Case{25, 100, 36, 15}}) {
        EXPECT_NEAR(measuredDb(c.probe, c.centre, c.semitones, c.gain),
                    bellDb(c.probe, c.centre, c.semitones, c.gain, kRate), 0.005)
            << c.centre << " Hz probed at " << c.probe;
    }
}

TEST(PeakingEqResponse, ZeroGainPassesSamplesUntouched) {
    const std::vector<float> input = sine(3000.0, 20000);
    PeakingEq eq;  // defaults to 0 dB
    std::vector<float> left = input, right = input;
    eq.process(left.data(), right.data(), 5000);
    eq.setTarget(3000.0f, 24.0f, 12.0f);
    eq.process(left.data() + 5000, right.data() + 5000, 5000);
    eq.setTarget(3000.0f, 24.0f, 0.0f);
    eq.process(left.data() + 10000, right.data() + 10000, 10000);
    // Exact before the boost and again once the glide back has ended.
    for (const auto* out : {&left, &right}) {
        EXPECT_TRUE(std::equal(out->begin(), out->begin() + 5000, input.begin()));
        EXPECT_TRUE(std::equal(out->begin() + 11000, out->end(), input.begin() + 11000));
    }
}

// A sine satisfies y[n+1] + y[n-1] = 2 cos(w) y[n]. Under a smooth glide the
// residual stays small (about twice the envelope's slope times sin w); a
// click leaves its whole jump in it.
double worstClick(const std::vector<float>& y, double hz) {
    const double twoCos = 2.0 * std::cos(2.0 * std::numbers::pi * hz / kRate);
    double worst = 0.0;
    for (size_t n = 1; n + 1 < y.size(); ++n) {
        worst = std::max(worst, std::abs(static_cast<double>(y[n + 1]) + y[n - 1] - twoCos * y[n]));
    }
    return worst;
}

// Gain jumps and a centre swept in coarse steps, as a knob turns, both glide.
TEST(PeakingEqGlide, ParameterJumpsDoNotClick) {
    PeakingEq eq;
    eq.setTarget(1000.0f, 36.0f, -15.0f);
    eq.reset();
    std::vector<float> left = sine(1000.0, 22050);
    std::vector<float> right = left;
    for (int block = 0; block < 5; ++block) {
        eq.setTarget(1000.0f, 36.0f, block % 2 == 0 ? 15.0f : -15.0f);
        eq.process(left.data() + block * 4410, right.data() + block * 4410, 4410);
    }
    // Each jump moves the amplitude by 2.7: at once that would leave up to 2.7
    // here (0.37 if the coefficients stepped every sub-block).
    EXPECT_LT(worstClick(left, 1000.0), 0.03);
    // The glide is over within 20 ms: the last block settles on +15 dB.
    const SineFit fit =
        fitSine({left.begin() + 4 * 4410 + 882, left.begin() + 5 * 4410}, kRate, 1000.0);
    EXPECT_NEAR(20.0 * std::log10(fit.amplitude / 0.5), 15.0, 0.01);

    eq.setTarget(200.0f, 12.0f, 15.0f);
    eq.reset();
    left = sine(1000.0, 44100);
    right = left;
    for (int block = 0; block < 20; ++block) {  // 200 Hz to 5 kHz and back
        const double position = block < 10 ? block / 10.0 : (20 - block) / 10.0;
        eq.setTarget(static_cast<float>(200.0 * std::pow(25.0, position)), 12.0f, 15.0f);
        eq.process(left.data() + block * 2205, right.data() + block * 2205, 2205);
    }
    EXPECT_LT(worstClick(left, 1000.0), 0.015);  // unglided: 0.06
}

// Through the limiter in 256-frame periods, as the mixer calls it.
void limit(OutputLimiter& limiter, std::vector<float>& x) {
    for (size_t at = 0; at < x.size(); at += 512) {
        limiter.process(x.data() + at, static_cast<int>(std::min<size_t>(512, x.size() - at) / 2));
    }
}

TEST(OutputLimiter, PassesAQuietMixBitForBit) {
    OutputLimiter limiter;
    const std::vector<float> in = sine(1000, 4096, 2, OutputLimiter::kThreshold);
    std::vector<float> out = in;
    limit(limiter, out);
    EXPECT_EQ(out, in);
}

// A loud tone under +15 dB of equaliser reaches 2.7: it must come out inside
// full scale without clipping its shape, and once it is gone the mix is
// untouched again after the release.
TEST(OutputLimiter, HoldsALoudMixAtTheThresholdAndLetsGoAfter) {
    OutputLimiter limiter;
    std::vector<float> loud = sine(1000, 44100, 2, 2.7);
    limit(limiter, loud);
    EXPECT_LE(peak(loud), OutputLimiter::kThreshold);
    EXPECT_GT(peak({loud.begin() + loud.size() / 2, loud.end()}), 0.85)
        << "held near the threshold, not pumped down";

    const std::vector<float> quiet = sine(1000, 3 * 44100 / 2, 2);
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
