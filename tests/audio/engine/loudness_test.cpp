// Even loudness heard: tracks far apart play at the target, a quiet peaky one up to -1 dBTP
// true peak, off plays the file's own samples, a pre-gain arriving during play glides in.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <numbers>
#include <thread>

#include "support/engine_fixture.h"
#include "support/loudness_reference.h"

namespace luma::test {
namespace {

// A quiet tone with a short, loud burst of 1 kHz twice a second: little loudness, a high peak.
Signal quietWithPeaks(double seconds) {
    Signal signal = makeSine(110, seconds, 44100, 2, 0.03);
    constexpr int kBurst = 176;  // 4 ms
    for (int64_t start = 22050; start + kBurst < signal.frames(); start += 22050) {
        for (int i = 0; i < kBurst; ++i) {
            const double window = 0.5 - 0.5 * std::cos(2 * std::numbers::pi * i / kBurst);
            const auto value = static_cast<float>(
                0.5 * window * std::sin(2 * std::numbers::pi * 1000 * i / 44100));
            for (int ch : {0, 1}) signal.samples[2 * (start + i) + ch] += value;
        }
    }
    return signal;
}

// The gain's largest step past the first block, in dB: output over file peak, 20 ms at a time.
double largestGainStepDb(const std::vector<float>& out, const std::vector<float>& file) {
    constexpr size_t kWindow = 882, from = 256;
    double largest = 0, previous = 0;
    for (size_t start = from; start + kWindow <= out.size() / 2; start += kWindow) {
        double heard = 0, own = 0;
        for (size_t i = start; i < start + kWindow; ++i) {
            heard = std::max(heard, std::fabs(double(out[2 * i])));
            own = std::max(own, std::fabs(double(file[2 * i])));
        }
        const double gainDb = 20 * std::log10(heard / own);
        if (start > from) largest = std::max(largest, std::fabs(gainDb - previous));
        previous = gainDb;
    }
    return largest;
}

class LoudnessTest : public EngineTest {
  protected:
    void TearDown() override {
        LUMA_SetLoudnessTarget(LUMA_LOUDNESS_OFF);  // the setting outlives the engine
        EngineTest::TearDown();
    }
};

TEST_F(LoudnessTest, TracksPlayInTurnAtTheTargetWithinTheirPeakRoom) {
    constexpr float kTarget = -18;
    struct Case {
        const char* what;
        Signal signal;
        float target;
    };
    for (float bad : {-41.0f, -4.0f, std::nanf("")}) EXPECT_EQ(LUMA_SetLoudnessTarget(bad), 0);
    const Case cases[] = {
        {"loud tone, turned down", makeSine(110, 30, 44100, 2, 0.25), kTarget},
        {"tone 12 dB quieter, raised", makeSine(165, 30, 44100, 2, 0.0625), kTarget},
        {"quiet with sharp peaks, raised to the ceiling", quietWithPeaks(30), kTarget},
        // (After the track raised to the ceiling: a limiter it touched would still let go.)
        {"loud tone, even loudness off", makeSine(110, 30, 44100, 2, 0.25), LUMA_LOUDNESS_OFF},
    };
    std::vector<double> heard;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_NE(LUMA_SetLoudnessTarget(c.target), 0);
        const std::string path = writeWav(c.signal);
        const Loudness file = referenceLoudness(c.signal.samples);
        const uint32_t stream = play(path);
        // Measured while it plays: rendered 10 ms at a time until the measurement lands.
        std::vector<float> out;
        float lufs = 0, truePeakDb = 0, gainDb = 0;
        for (int step = 0; LUMA_ChannelGetLoudness(stream, &lufs, &truePeakDb, &gainDb) == 0;
             ++step) {
            ASSERT_LT(step, 2000) << "never measured";
            render(441, &out);
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        EXPECT_FALSE(out.empty()) << "measured before it played: the glide went untested";
        EXPECT_NEAR(lufs, file.lufs, 0.1);
        EXPECT_NEAR(truePeakDb, file.truePeakDb, 0.1);
        const size_t glideEnd = out.size() + 2 * 44100 / 2;  // 0.5 s on, the glide is over
        render(3 * 44100 + 44100 / 2, &out);
        const Loudness played =
            referenceLoudness({out.begin() + std::ptrdiff_t(glideEnd), out.end()});
        // After the first block's fade-in: no step beyond the signal's own, no sudden level.
        const double ownStep = largestStep(side(c.signal.samples, 0));
        EXPECT_LE(largestStep(side({out.begin() + 2 * 256, out.end()}, 0)),
                  ownStep * std::max(1.0, std::pow(10, gainDb / 20)) * 1.02);
        EXPECT_LT(largestGainStepDb(out, c.signal.samples), 1.0);
        // The target, as far as a true peak of -1 dBTP allows; off, the file's own samples.
        const double gain = c.target == LUMA_LOUDNESS_OFF
                                ? 0.0
                                : std::min(kTarget - file.lufs, -1 - file.truePeakDb);
        EXPECT_NEAR(gainDb, gain, 0.1);
        EXPECT_NEAR(played.lufs - file.lufs, gain, 0.3);
        EXPECT_LE(played.truePeakDb, -1.0);
        if (c.target == LUMA_LOUDNESS_OFF) {
            const std::vector<float> own = decodeAll(path);
            EXPECT_TRUE(std::equal(out.begin() + 2 * 256, out.end(), own.begin() + 2 * 256));
        }
        heard.push_back(played.lufs);
        EXPECT_NE(BASS_StreamFree(stream), 0);
    }

    // The first track again, measured before it plays, as loud; then switched off: its samples.
    ASSERT_NE(LUMA_SetLoudnessTarget(kTarget), 0);
    const std::string path = writeWav(cases[0].signal);
    const uint32_t again = openPlayable(path);
    while (LUMA_ChannelGetLoudness(again, nullptr, nullptr, nullptr) == 0) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    ASSERT_NE(BASS_StreamPlay(again, 0, 0), 0);
    render(44100 / 2);
    EXPECT_NEAR(referenceLoudness(render(3 * 44100)).lufs, heard[0], 0.01);
    ASSERT_NE(LUMA_SetLoudnessTarget(LUMA_LOUDNESS_OFF), 0);
    render(44100 / 2);
    const std::vector<float> own = decodeAll(path);
    const std::vector<float> out = render(44100);
    EXPECT_TRUE(std::equal(out.begin(), out.end(), own.begin() + 2 * 4 * 44100));  // 4 s played
}

}  // namespace
}  // namespace luma::test
