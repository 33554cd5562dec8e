// Key lock heard: tones keep their key while their timing follows the speed, positions and
// cue jumps count from what is heard, switches and loops never click, off plays as before.
#include <cmath>
#include <numbers>

#include "support/engine_fixture.h"
#include "support/sine_fit.h"

namespace luma::test {
namespace {

class KeyLockTest : public EngineTest {
  protected:
    // `signal` opened for playing at `speed`, with key lock on unless `keyLock` is 0.
    uint32_t openTone(const Signal& signal, double speed, int keyLock = 1) {
        const uint32_t stream = openPlayable(writeWav(signal));
        setRate(stream, static_cast<int>(std::lround(44100 * speed)));
        EXPECT_EQ(LUMA_ChannelSetKeyLock(stream, keyLock), 1);
        return stream;
    }
};

// A gated tone: the gate's openings come at the speed, the tone inside them in its key.
TEST_F(KeyLockTest, TonesKeepTheirKeyWhileTimeFollowsTheSpeed) {
    constexpr int kGate = 4410;  // 0.1 s on, 0.1 s off
    const struct {
        double speed;
        int outputRate;
    } cases[] = {{0.84, 44100}, {1.16, 44100}, {1.16, 48000}};
    Signal gated = makeSine(1000, 6);
    for (int64_t i = 0; i < gated.frames(); ++i) {
        if ((i / kGate) % 2 == 1) gated.samples[2 * i] = gated.samples[2 * i + 1] = 0.0f;
    }
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "speed " << c.speed << " at " << c.outputRate << " Hz");
        restartAt(c.outputRate);
        const uint32_t stream = openTone(gated, c.speed);
        EXPECT_EQ(LUMA_ChannelGetKeyLock(stream), 1);
        ASSERT_NE(BASS_StreamPlay(stream, 0, 0), 0);
        render(c.outputRate / 2);  // the shifter's delay and start pass
        const int64_t before = frameOf(stream);
        const std::vector<float> left = renderLeft(2 * c.outputRate);
        EXPECT_NEAR(double(frameOf(stream) - before) / (2 * c.outputRate),
                    c.speed * 44100 / c.outputRate, 1e-3)
            << "the heard position runs at the speed";
        const std::vector<double> opens = soundStarts(left, c.outputRate, 0.25f, 0.01);
        ASSERT_GE(opens.size(), 3u);
        const double period = (opens.back() - opens.front()) / double(opens.size() - 1);
        EXPECT_NEAR(period, 2.0 * kGate / 44100 / c.speed, 0.01 * period);
        // 50 ms of the second opening, past its onset.
        const auto from = left.begin() + std::lround((opens[1] + 0.025) * c.outputRate);
        const SineFit fit = fitSine({from, from + c.outputRate * 5 / 100}, c.outputRate, 1000);
        EXPECT_NEAR(1200 * std::log2(fit.frequencyHz / 1000), 0.0, 5.0) << fit.frequencyHz << " Hz";
        EXPECT_GT(fit.snrDb, 25.0);
        BASS_StreamFree(stream);
    }
}

// Silence, and the tone from the cue on: the tone starts at the cue in the sound.
TEST_F(KeyLockTest, CueJumpLandsWhereThePositionSaysItIsHeard) {
    constexpr int64_t kCue = 88200;
    constexpr int kBlock = 16;
    Signal signal = makeSine(1000, 5);
    std::fill(signal.samples.begin(), signal.samples.begin() + 2 * kCue, 0.0f);
    for (const double speed : {0.84, 1.0, 1.16}) {
        SCOPED_TRACE(testing::Message() << "speed " << speed);
        const uint32_t stream = openTone(signal, speed);
        ASSERT_NE(BASS_StreamPlay(stream, 0, 0), 0);
        render(22050);
        ASSERT_NE(BASS_ChannelSetPosition(stream, kCue * 4), 0);
        // Block by block: where the position first leaves the cue, where the tone sounds.
        int64_t leaves = -1, sounds = -1;
        for (int64_t out = 0; out < 22050; out += kBlock) {
            const std::vector<float> left = renderLeft(kBlock);
            if (leaves < 0 && frameOf(stream) > kCue) leaves = out + kBlock;
            for (size_t i = 0; i < left.size() && sounds < 0; ++i) {
                if (std::fabs(left[i]) > 0.05) sounds = out + static_cast<int64_t>(i);
            }
        }
        ASSERT_GE(sounds, 0);
        // The readout steps once a block: the tone began within the block before.
        EXPECT_GE(sounds, leaves - kBlock - 44) << "44 frames is 1 ms";
        EXPECT_LE(sounds, leaves + 44);
        BASS_StreamFree(stream);
    }
}

// A loop of whole periods of the tone, seamless in the track, played three times round.
TEST_F(KeyLockTest, LoopsWrapWithoutAClickAndThePositionStaysInside) {
    constexpr int64_t kStart = 22050, kEnd = 66150;
    const uint32_t stream = openTone(makeSine(1000, 4), 1.16);
    ASSERT_NE(BASS_ChannelSetPosition(stream, kStart * 4), 0);
    ASSERT_NE(LUMA_ChannelSetLoop(stream, kStart * 4, kEnd * 4, 1), 0);
    ASSERT_NE(BASS_StreamPlay(stream, 0, 0), 0);
    render(22050);
    std::vector<float> left;
    int64_t lowest = kEnd, highest = 0;
    for (int block = 0; block < 3 * 44100 / 256; ++block) {
        renderLeft(256, &left);
        lowest = std::min(lowest, frameOf(stream));
        highest = std::max(highest, frameOf(stream));
    }
    EXPECT_GE(lowest, kStart);
    EXPECT_LT(highest, kEnd);
    EXPECT_GT(highest - lowest, 0.95 * (kEnd - kStart)) << "it went round";
    EXPECT_LE(largestStep(left), 2 * std::sin(std::numbers::pi * 1000 / 44100) * 0.5 * 1.05);
}

TEST_F(KeyLockTest, SwitchingWhilePlayingNeitherClicksNorJumps) {
    constexpr double kSpeed = 1.16;
    const uint32_t stream = openTone(makeSine(1000, 8), kSpeed, 0);
    ASSERT_NE(BASS_StreamPlay(stream, 0, 0), 0);
    render(22050);
    // The tone's own largest step, at the higher of the two pitches heard.
    const double ownStep = 2 * std::sin(std::numbers::pi * 1000 * kSpeed / 44100) * 0.5;
    for (const int on : {1, 0}) {
        SCOPED_TRACE(on ? "on" : "off");
        ASSERT_EQ(LUMA_ChannelSetKeyLock(stream, on), 1);
        int64_t last = frameOf(stream);
        std::vector<float> left;
        for (int block = 0; block < 80; ++block) {
            renderLeft(256, &left);
            EXPECT_NEAR(double(frameOf(stream) - last), 256 * kSpeed, 44.1) << "block " << block;
            last = frameOf(stream);
        }
        EXPECT_LE(largestStep(left), ownStep * 1.05);
    }
}

TEST_F(KeyLockTest, OffPlaysTheSamplesItPlayedBefore) {
    const uint32_t plain = openTone(makeSine(1000, 2), 1.08, 0);
    ASSERT_NE(BASS_StreamPlay(plain, 0, 0), 0);
    const std::vector<float> before = render(44100);
    BASS_StreamFree(plain);
    const uint32_t switched = openTone(makeSine(1000, 2), 1.08);
    render(4096);
    ASSERT_EQ(LUMA_ChannelSetKeyLock(switched, 0), 1);
    render(4096);
    EXPECT_EQ(LUMA_ChannelGetKeyLock(switched), 0);
    ASSERT_NE(BASS_StreamPlay(switched, 0, 0), 0);
    EXPECT_TRUE(render(44100) == before);
}

}  // namespace
}  // namespace luma::test
