// The true-peak meter against libebur128's, through both of its sample formats, on peaks
// between samples, on samples and beyond them (a square wave's ringing).
#include "dsp/true_peak_meter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <random>
#include <vector>

#include "support/audio_files.h"
#include "support/loudness_reference.h"

namespace luma::test {
namespace {

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
        {"quarter-rate sine between its samples",
         makeSine(11025, 2, 44100, 2, 0.5, std::numbers::pi / 4), 2.9},
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
        const double reference = referenceLoudness(c.signal.samples).truePeakDb;
        EXPECT_NEAR(floatDb, reference, 0.1);
        EXPECT_NEAR(shortDb, floatDb, 0.01);
        EXPECT_GE(floatDb, 20 * std::log10(samplePeak) + c.overSamplesDb);
    }
}

}  // namespace
}  // namespace luma::test
