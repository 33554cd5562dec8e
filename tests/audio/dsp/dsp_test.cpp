// The variable-rate resampler, the channel's peaking equaliser and the mix's limiter.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <numeric>
#include <vector>

#include "dsp/output_limiter.h"
#include "dsp/peaking_eq.h"
#include "dsp/resampler.h"
#include "support/audio_files.h"
#include "support/signal_measures.h"
#include "support/sine_fit.h"

namespace luma::test {
namespace {

using dsp::OutputLimiter;
using dsp::PeakingEq;
using dsp::SourcePosition;
using dsp::VariableRateResampler;

// A double-precision sine at any source frame; the right channel inverted shows a mix-up.
class SineSource : public dsp::ResamplerSource {
  public:
    SineSource(double hz, double rate) : omega_(2.0 * std::numbers::pi * hz / rate) {}
    double at(double frame) const { return 0.5 * std::sin(omega_ * frame); }
    void fetch(int64_t first, int count, float* left, float* right) noexcept override {
        for (int i = 0; i < count; ++i) {
            left[i] = static_cast<float>(at(static_cast<double>(first + i)));
            right[i] = -left[i];
        }
    }

  private:
    double omega_;
};

struct Rendered {
    std::vector<float> left, right;
    std::vector<double> step;  // the step of each output frame
};

// Appends `frames` in blocks, the step growing by `increment` a frame; returns the next step.
double render(VariableRateResampler& resampler, dsp::ResamplerSource& source, SourcePosition& pos,
              Rendered& out, int frames, double step, double increment = 0.0, int block = 512) {
    for (int done = 0; done < frames; done += block) {
        const int count = std::min(block, frames - done);
        const size_t at = out.left.size();
        out.left.resize(at + count);
        out.right.resize(at + count);
        resampler.render(source, pos, step, increment, count, out.left.data() + at,
                         out.right.data() + at);
        for (int n = 0; n < count; ++n) out.step.push_back(step + n * increment);
        step += count * increment;
    }
    return step;
}

constexpr double kRate = 44100.0;
constexpr int kSettle = 2048;  // frames left out of measurements at the start

// Tones move by the step at full level and clean at the kernels' edges; above Nyquist, gone.
TEST(ResamplerTone, MovesByTheStepAndStaysCleanOrIsGoneAboveNyquist) {
    struct ToneCase {
        double hz;
        double step;
    };
    for (const ToneCase tone :
         {ToneCase{10000, 1.08}, ToneCase{10000, 0.84}, ToneCase{17000 / 0.999, 0.999},
          ToneCase{17000 / 1.0001, 1.0001}, ToneCase{17000 / 1.16, 1.16}, ToneCase{20000, 1.12},
          ToneCase{12000, 2.27}, ToneCase{5000, 7.9}}) {
        SCOPED_TRACE(testing::Message() << tone.hz << " Hz at step " << tone.step);
        const double heard = tone.hz * tone.step;
        VariableRateResampler resampler;
        SineSource source(tone.hz, kRate);
        SourcePosition pos{500, 0.37};
        Rendered out;
        render(resampler, source, pos, out, 44100, tone.step);
        if (heard > kRate / 2.0) {
            const auto from = out.left.begin() + kSettle;
            const double power = std::inner_product(from, out.left.end(), from, 0.0);
            const double sinePower = 0.125 * static_cast<double>(out.left.end() - from);
            EXPECT_LT(10.0 * std::log10(power / sinePower), -100.0);
            continue;
        }
        for (const auto* channel : {&out.left, &out.right}) {
            const SineFit fit = fitSine({channel->begin() + kSettle, channel->end()}, kRate, heard);
            EXPECT_NEAR(fit.frequencyHz, heard, 1e-6);
            EXPECT_NEAR(fit.amplitude, 0.5, 0.5 * 1.15e-4);  // 0.001 dB
            EXPECT_GT(fit.snrDb, heard < 15000 ? 110.0 : 103.0);
        }
    }
}

// No latency: frame n is the source at p0 + the steps before it, either way, and so is pos.
TEST(ResamplerMotion, OutputIsTheSourceAtTheReadPosition) {
    struct Motion {
        double step, increment;
    };
    for (const auto [step, increment] :
         {Motion{1.0, 0.0}, Motion{0.84, 0.0}, Motion{2.27, 0.0}, Motion{0.0002, 0.0},
          Motion{0.0, 0.0}, Motion{-1.3, 0.0}, Motion{1.0, -0.00099}, Motion{0.5, 0.0015},
          Motion{-0.4, 0.001}}) {
        SCOPED_TRACE(testing::Message() << step << " +" << increment);
        constexpr int kFrames = 1000;
        VariableRateResampler resampler;
        SineSource source(700.0, kRate);
        const SourcePosition start{5000, 0.25};
        SourcePosition pos = start;
        std::vector<float> left(kFrames), right(kFrames);
        resampler.render(source, pos, step, increment, kFrames, left.data(), right.data());

        double offset = start.fraction;
        for (int n = 0; n < kFrames; ++n) {
            const double expected = source.at(static_cast<double>(start.frame) + offset);
            ASSERT_NEAR(left[n], expected, 1e-5) << n;
            ASSERT_NEAR(right[n], -expected, 1e-5) << n;
            offset += step + n * increment;
        }
        EXPECT_NEAR(static_cast<double>(pos.frame - start.frame) + pos.fraction, offset, 1e-9);
        EXPECT_TRUE(pos.fraction >= 0.0 && pos.fraction < 1.0);
    }
}

// A 1 kHz sine moves at most 2 A sin(pi f step / rate) a sample; a click exceeds that.
TEST(ResamplerSlides, BrakesSpinUpsAndJumpsDoNotClick) {
    VariableRateResampler resampler;
    SineSource source(1000.0, kRate);
    SourcePosition pos;
    Rendered out;
    double step = 1.0;
    for (double target : {0.0002, 2.27, 1.0}) {  // one-second slides
        step = render(resampler, source, pos, out, 44100, step, (target - step) / 44100);
        step = render(resampler, source, pos, out, 4096, target);
    }
    for (double jump : {2.27, 0.0002, 1.5, 0.5, 7.5, 1.0001, 1.0}) {
        render(resampler, source, pos, out, 700, jump, 0.0, 350);
    }
    for (size_t n = 1; n < out.left.size(); ++n) {
        const double fastest = std::max(std::abs(out.step[n - 1]), std::abs(out.step[n]));
        const double allowed =
            std::sin(std::numbers::pi * std::min(1000.0 * fastest / kRate, 0.5)) * 1.001 + 1e-5;
        ASSERT_LE(std::abs(out.left[n] - out.left[n - 1]), allowed) << n;
    }
}

// A faster step's kernel softens a top tone, gliding (A^2 sin^2 w = y[n]^2 - y[n-1] y[n+1]).
TEST(ResamplerSlides, KernelChangeGlides) {
    constexpr double kHz = 19000.0;
    VariableRateResampler resampler;
    SineSource source(kHz, kRate);
    SourcePosition pos;
    Rendered out;
    for (double step : {0.9999, 1.0001, 0.9999}) {
        render(resampler, source, pos, out, 3000, step);
    }
    const double sinW = std::sin(2.0 * std::numbers::pi * kHz / kRate);
    std::vector<double> amplitude;
    for (size_t n = 1; n + 1 < out.left.size(); ++n) {
        const double product = static_cast<double>(out.left[n]) * out.left[n] -
                               static_cast<double>(out.left[n - 1]) * out.left[n + 1];
        amplitude.push_back(std::sqrt(std::max(product, 0.0)) / sinW);
    }
    const auto [low, high] = std::minmax_element(amplitude.begin(), amplitude.end());
    ASSERT_GT(*high - *low, 0.05) << "the kernels should differ at this tone";
    for (size_t n = 1; n < amplitude.size(); ++n) {
        ASSERT_LT(std::abs(amplitude[n] - amplitude[n - 1]), (*high - *low) / 50.0) << n;
    }
}

// Step 1 copies the source bit for bit, also once the fade from a faster kernel has ended.
TEST(ResamplerBypass, UnitStepCopiesTheSourceBitExact) {
    VariableRateResampler resampler;
    SineSource source(3000.0, kRate);
    SourcePosition pos{100, 0.0};
    Rendered out;
    render(resampler, source, pos, out, 2000, 1.5);  // lands on frame 3100 exactly
    render(resampler, source, pos, out, 2048, 1.0, 0.0, 333);
    for (int n = 512; n < 2048; ++n) {
        ASSERT_EQ(out.left[2000 + n], static_cast<float>(source.at(3100.0 + n))) << n;
    }
    EXPECT_EQ(pos.frame, 3100 + 2048);
}

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

// The set gain at the centre, the designed bell around it; 0 dB leaves samples untouched.
TEST(PeakingEqResponse, FollowsTheDesignedBellAndZeroGainPassesSamplesUntouched) {
    for (double centre : {60.0, 1000.0, 12000.0}) {
        for (double gain : {-15.0, -6.0, 3.0, 15.0}) {
            EXPECT_NEAR(measuredDb(centre, centre, 36.0, gain), gain, 0.002) << centre << " Hz";
        }
    }
    struct Case {
        double probe, centre, semitones, gain;
    };
    for (const Case& c : {Case{2000, 1000, 36, 12}, Case{2000, 1000, 12, -15},
                          Case{16000, 8000, 24, -9}, Case{25, 100, 36, 15}}) {
        EXPECT_NEAR(measuredDb(c.probe, c.centre, c.semitones, c.gain),
                    bellDb(c.probe, c.centre, c.semitones, c.gain, kRate), 0.005)
            << c.centre << " Hz probed at " << c.probe;
    }

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

// A sine has y[n+1] + y[n-1] = 2 cos(w) y[n]: a glide leaves a small residual, a click its jump.
double worstClick(const std::vector<float>& y, double hz) {
    const double twoCos = 2.0 * std::cos(2.0 * std::numbers::pi * hz / kRate);
    double worst = 0.0;
    for (size_t n = 1; n + 1 < y.size(); ++n) {
        worst = std::max(worst, std::abs(static_cast<double>(y[n + 1]) + y[n - 1] - twoCos * y[n]));
    }
    return worst;
}

// Gain jumps and a centre swept in coarse steps glide; silence decays to exact zeros.
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
    // A jump of 2.7 at once would leave 2.7 here, stepped coefficients 0.37.
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

    // Never through the subnormal floats that make a processor crawl.
    std::vector<float> tail(256 * 400, 0.0f);  // 2.3 s
    tail[0] = 1.0f;
    std::vector<float> tailRight = tail;
    for (size_t at = 0; at < tail.size(); at += 256) eq.process(&tail[at], &tailRight[at], 256);
    EXPECT_EQ(std::count_if(tail.begin(), tail.end(),
                            [](float y) { return std::fpclassify(y) == FP_SUBNORMAL; }),
              0);
    EXPECT_EQ(tail.back(), 0.0f);
}

// Exact up to the threshold; 2.7 (+15 dB of EQ) held, not clipped; untouched after the release.
TEST(OutputLimiter, PassesAQuietMixHoldsALoudOneLetsGoAndStopsNonFiniteSamples) {
    OutputLimiter limiter;
    const auto limit = [&](std::vector<float>& x) {  // in 256-frame periods, as the mixer does
        for (size_t at = 0; at < x.size(); at += 512)
            limiter.process(x.data() + at,
                            static_cast<int>(std::min<size_t>(512, x.size() - at) / 2));
    };
    const std::vector<float> atThreshold = sine(1000, 4096, 2, OutputLimiter::kThreshold);
    std::vector<float> out = atThreshold;
    limit(out);
    EXPECT_EQ(out, atThreshold);

    std::vector<float> loud = sine(1000, 44100, 2, 2.7);
    limit(loud);
    EXPECT_LE(peak(loud), OutputLimiter::kThreshold);
    EXPECT_GT(peak({loud.begin() + loud.size() / 2, loud.end()}), 0.85)
        << "held near the threshold, not pumped down";

    const std::vector<float> quiet = sine(1000, 3 * 44100 / 2, 2);
    out = quiet;
    limit(out);
    const size_t afterRelease = 2 * 44100;  // 1 s
    EXPECT_TRUE(std::equal(out.begin() + afterRelease, out.end(), quiet.begin() + afterRelease));

    // A NaN on either side, infinities, huge values, then a quiet frame.
    std::vector<float> x = {NAN, 0.1f, 0.1f, NAN, INFINITY, -INFINITY, 1e30f, -1e30f, 0.2f, 0.2f};
    limiter.process(x.data(), 5);
    for (float sample : x) {
        EXPECT_TRUE(std::isfinite(sample));
        EXPECT_LE(std::fabs(sample), OutputLimiter::kThreshold);
    }
}

}  // namespace
}  // namespace luma::test
