// The true-peak meter against libebur128's on signals whose peaks fall between
// samples, on samples, and beyond them (a square wave's ringing), through both
// of its sample formats.
#include "dsp/true_peak_meter.h"

#include <ebur128.h>
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <vector>

#include "support/audio_files.h"

namespace luma::test {
namespace {

double referenceDb(const std::vector<float>& interleaved) {
    ebur128_state* meter = ebur128_init(2, 44100, EBUR128_MODE_TRUE_PEAK);
    ebur128_add_frames_float(meter, interleaved.data(), interleaved.size() / 2);
    double left = 0, right = 0;
    ebur128_true_peak(meter, 0, &left);
    ebur128_true_peak(meter, 1, &right);
    ebur128_destroy(&meter);
    return 20 * std::log10(std::max(left, right));
}

Signal shifted(double hz, double amplitude, double phase) {
    Signal signal = makeSine(hz, 2, 44100, 2, amplitude);
    for (int64_t f = 0; f < signal.frames(); ++f) {
        const auto value = static_cast<float>(
            amplitude * std::sin(2 * std::numbers::pi * hz * double(f) / 44100 + phase));
        signal.samples[2 * f] = signal.samples[2 * f + 1] = value;
    }
    return signal;
}

TEST(TruePeakMeter, ReadsAsTheReferenceMeterAndAboveTheSamples) {
    Signal square = makeSine(1000, 2, 44100, 2, 0.5);
    for (float& sample : square.samples) sample = sample >= 0 ? 0.5f : -0.5f;
    Signal noise = makeSine(0, 2);
    std::mt19937 random(5);
    std::normal_distribution<float> gauss(0.0f, 0.15f);
    for (float& sample : noise.samples) sample = gauss(random);
    struct Case {
        const char* what;
        Signal signal;
        double overSamplesDb;  // at least this far above the sample peak
    };
    const Case cases[] = {
        {"quarter-rate sine between its samples", shifted(11025, 0.5, std::numbers::pi / 4), 2.9},
        {"sine of 997 Hz", shifted(997, 0.9, 0.3), 0.0},
        {"square wave", square, 0.5},
        {"noise, the sides apart", noise, 0.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<int16_t> whole(c.signal.samples.size());
        double samplePeak = 0;
        for (size_t i = 0; i < whole.size(); ++i) {
            whole[i] = static_cast<int16_t>(std::lround(c.signal.samples[i] * 32767));
            samplePeak = std::max(samplePeak, std::fabs(double(c.signal.samples[i])));
        }
        // The float path in uneven pieces, the 16-bit one in one go.
        dsp::TruePeakMeter floats(2), shorts(2);
        for (int64_t first = 0, piece = 1; first < c.signal.frames(); first += piece, piece *= 3) {
            floats.add(c.signal.samples.data() + 2 * first,
                       std::min(piece, c.signal.frames() - first));
        }
        shorts.add(whole.data(), c.signal.frames());
        const double floatDb = 20 * std::log10(floats.finish());
        const double shortDb = 20 * std::log10(shorts.finish());
        const double reference = referenceDb(c.signal.samples);
        EXPECT_NEAR(floatDb, reference, 0.1);
        EXPECT_NEAR(shortDb, floatDb, 0.01);
        EXPECT_GE(floatDb, 20 * std::log10(samplePeak) + c.overSamplesDb);
    }
}

}  // namespace
}  // namespace luma::test
