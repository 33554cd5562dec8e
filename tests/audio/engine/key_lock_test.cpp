// Key lock through the engine's output: tones keep their key at every speed
// of the pitch fader while their timing follows the speed, the position and
// a cue jump count from what is heard, switching while playing neither
// clicks nor jumps, loops wrap without a click, and off plays exactly what
// it played before.
#include <cmath>
#include <numbers>

#include "support/engine_fixture.h"
#include "support/sine_fit.h"

namespace luma::test {
namespace {

constexpr int kTrackRate = 44100;
constexpr double kCent = 1.0005777895;  // 2^(1/1200)

class KeyLockTest : public EngineTest {
  protected:
    // Restarts the engine at another output rate.
    static void outputAt(int rate) {
        BASS_Free();
        ASSERT_NE(BASS_Init(0, static_cast<uint32_t>(rate), 0, nullptr), 0);
        ASSERT_NE(BASS_Start(), 0);
    }
    static void setSpeed(uint32_t stream, double speed) {
        ASSERT_NE(BASS_ChannelSlideAttributes(
                      stream, static_cast<int32_t>(std::lround(kTrackRate * speed)), -1, -101, 0),
                  0);
    }
    static double positionFrames(uint32_t stream) {
        return static_cast<double>(BASS_ChannelGetPosition(stream)) / 4.0;
    }
};

// A 1 kHz tone switched on and off every `gate` frames.
Signal gatedTone(double seconds, int gate) {
    Signal signal = makeSine(1000, seconds, kTrackRate, 2, 0.5);
    for (int64_t i = 0; i < signal.frames(); ++i) {
        if ((i / gate) % 2 == 1) signal.samples[2 * i] = signal.samples[2 * i + 1] = 0.0f;
    }
    return signal;
}

// Output frames between the gate's rising edges, on average: each edge is
// where the envelope (the RMS of 64-frame windows) comes up to half the
// tone's from silence (the shifter's sound dips before a gate closes).
double gatePeriod(const std::vector<float>& left) {
    constexpr int kWindow = 64;
    constexpr double kToneRms = 0.5 / std::numbers::sqrt2;
    std::vector<int64_t> rises;
    bool armed = false;  // the gate was seen closed
    for (size_t start = 0; start + kWindow <= left.size(); start += kWindow) {
        double power = 0;
        for (size_t i = start; i < start + kWindow; ++i) power += double(left[i]) * left[i];
        const double envelope = std::sqrt(power / kWindow);
        if (envelope < 0.05 * kToneRms) armed = true;
        if (armed && envelope >= 0.5 * kToneRms) {
            rises.push_back(static_cast<int64_t>(start));
            armed = false;
        }
    }
    if (rises.size() < 3) return 0.0;
    return double(rises.back() - rises.front()) / double(rises.size() - 1);
}

TEST_F(KeyLockTest, TonesKeepTheirKeyWhileTimeFollowsTheSpeed) {
    constexpr int kGate = 4410;  // 0.1 s on, 0.1 s off
    const struct {
        double speed;
        int outputRate;
    } cases[] = {{0.84, 44100}, {0.92, 44100}, {1.08, 44100}, {1.16, 44100}, {1.16, 48000}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "speed " << c.speed << " at " << c.outputRate << " Hz");
        outputAt(c.outputRate);
        const std::string tone = writeWav(makeSine(1000, 6, kTrackRate, 2, 0.5));
        const std::string gated = writeWav(gatedTone(6, kGate));
        for (const std::string& path : {tone, gated}) {
            const uint32_t stream = openPlayable(path);
            setSpeed(stream, c.speed);
            ASSERT_EQ(LUMA_ChannelSetKeyLock(stream, 1), 1);
            EXPECT_EQ(LUMA_ChannelGetKeyLock(stream), 1);
            ASSERT_NE(BASS_StreamPlay(stream, 0, 0), 0);
            render(c.outputRate / 2);  // the shifter's delay and start pass
            const double before = positionFrames(stream);
            const int measured = 2 * c.outputRate;
            const std::vector<float> left = side(render(measured), 0);
            const double perFrame = (positionFrames(stream) - before) / measured;
            EXPECT_NEAR(perFrame, c.speed * kTrackRate / c.outputRate, 1e-3)
                << "the heard position runs at the speed";
            if (path == tone) {
                const SineFit fit = fitSine(left, c.outputRate, 1000);
                EXPECT_NEAR(std::log(fit.frequencyHz / 1000) / std::log(kCent), 0.0, 5.0)
                    << fit.frequencyHz << " Hz";
                EXPECT_GT(fit.snrDb, 25.0);
            } else {
                const double expected = 2.0 * kGate / c.speed * c.outputRate / kTrackRate;
                EXPECT_NEAR(gatePeriod(left), expected, expected * 0.01);
            }
            BASS_StreamFree(stream);
        }
    }
}

TEST_F(KeyLockTest, CueJumpLandsWhereThePositionSaysItIsHeard) {
    // Silence, and a tone from the cue on: the tone starts at the cue in the sound.
    constexpr int64_t kCue = 88200;
    constexpr int kBlock = 16;
    Signal signal = makeSine(1000, 5, kTrackRate, 2, 0.5);
    std::fill(signal.samples.begin(), signal.samples.begin() + 2 * kCue, 0.0f);
    const std::string path = writeWav(signal);
    for (const double speed : {0.84, 0.92, 1.0, 1.08, 1.16}) {
        SCOPED_TRACE(testing::Message() << "speed " << speed);
        const uint32_t stream = openPlayable(path);
        setSpeed(stream, speed);
        ASSERT_EQ(LUMA_ChannelSetKeyLock(stream, 1), 1);
        ASSERT_NE(BASS_StreamPlay(stream, 0, 0), 0);
        render(22050);
        ASSERT_NE(BASS_ChannelSetPosition(stream, kCue * 4), 0);
        EXPECT_EQ(positionFrames(stream), kCue);
        // Block by block: the frame where the position first leaves the cue,
        // and where the tone first sounds.
        int64_t leaves = -1, sounds = -1;
        for (int64_t out = 0; out < 22050; out += kBlock) {
            const std::vector<float> left = side(render(kBlock), 0);
            if (leaves < 0 && positionFrames(stream) > kCue) leaves = out + kBlock;
            for (size_t i = 0; i < left.size() && sounds < 0; ++i) {
                if (std::fabs(left[i]) > 0.05) sounds = out + static_cast<int64_t>(i);
            }
        }
        ASSERT_GE(sounds, 0);
        // The readout steps once a block: the tone began within the block before.
        EXPECT_GE(sounds, leaves - kBlock - 44) << "44 frames is 1 ms";
        EXPECT_LE(sounds, leaves + 44);
        // And from there on, the position runs at the speed from the cue exactly.
        render(4410);
        const double elapsed = static_cast<double>(22050 + 4410 - leaves + kBlock);
        EXPECT_NEAR(positionFrames(stream) - kCue, elapsed * speed, kBlock * speed + 1);
        BASS_StreamFree(stream);
    }
}

TEST_F(KeyLockTest, LoopsWrapWithoutAClickAndThePositionStaysInside) {
    // A loop of whole periods of the tone: its seam is seamless in the track.
    constexpr int64_t kStart = 22050, kEnd = 66150;
    const uint32_t stream = openPlayable(writeWav(makeSine(1000, 4, kTrackRate, 2, 0.5)));
    constexpr double kSpeed = 1.16;
    setSpeed(stream, kSpeed);
    ASSERT_EQ(LUMA_ChannelSetKeyLock(stream, 1), 1);
    ASSERT_NE(BASS_ChannelSetPosition(stream, kStart * 4), 0);
    ASSERT_NE(LUMA_ChannelSetLoop(stream, kStart * 4, kEnd * 4, 1), 0);
    ASSERT_NE(BASS_StreamPlay(stream, 0, 0), 0);
    render(22050);
    std::vector<float> left;
    double lowest = kEnd, highest = 0;
    for (int block = 0; block < 3 * 44100 / 256; ++block) {  // three times round
        const std::vector<float> heard = side(render(256), 0);
        left.insert(left.end(), heard.begin(), heard.end());
        lowest = std::min(lowest, positionFrames(stream));
        highest = std::max(highest, positionFrames(stream));
    }
    EXPECT_GE(lowest, kStart);
    EXPECT_LT(highest, kEnd);
    EXPECT_GT(highest - lowest, 0.95 * (kEnd - kStart)) << "it went round";
    EXPECT_LE(largestStep(left), 2 * std::sin(std::numbers::pi * 1000 / kTrackRate) * 0.5 * 1.05);
}

TEST_F(KeyLockTest, SwitchingWhilePlayingNeitherClicksNorJumps) {
    const uint32_t stream = openPlayable(writeWav(makeSine(1000, 8, kTrackRate, 2, 0.5)));
    constexpr double kSpeed = 1.16;
    setSpeed(stream, kSpeed);
    ASSERT_NE(BASS_StreamPlay(stream, 0, 0), 0);
    render(22050);
    // The tone's own largest step, at the higher of the two pitches heard.
    const double ownStep = 2 * std::sin(std::numbers::pi * 1000 * kSpeed / kTrackRate) * 0.5;
    for (const int on : {1, 0, 1, 0}) {
        SCOPED_TRACE(on ? "on" : "off");
        ASSERT_EQ(LUMA_ChannelSetKeyLock(stream, on), 1);
        double last = positionFrames(stream);
        std::vector<float> left;
        for (int block = 0; block < 80; ++block) {
            const std::vector<float> heard = side(render(256), 0);
            left.insert(left.end(), heard.begin(), heard.end());
            const double now = positionFrames(stream);
            EXPECT_NEAR(now - last, 256 * kSpeed, 44.1) << "block " << block;
            last = now;
        }
        EXPECT_LE(largestStep(left), ownStep * 1.05);
    }
}

TEST_F(KeyLockTest, OffPlaysTheSamplesItPlayedBefore) {
    const std::string path = writeWav(makeSine(1000, 2, kTrackRate, 2, 0.5));
    std::vector<float> outputs[2];
    for (const bool switched : {false, true}) {
        const uint32_t stream = openPlayable(path);
        setSpeed(stream, 1.08);
        if (switched) {
            ASSERT_EQ(LUMA_ChannelSetKeyLock(stream, 1), 1);
            render(4096);
            ASSERT_EQ(LUMA_ChannelSetKeyLock(stream, 0), 1);
            render(4096);
            EXPECT_EQ(LUMA_ChannelGetKeyLock(stream), 0);
        }
        ASSERT_NE(BASS_StreamPlay(stream, 0, 0), 0);
        outputs[switched] = render(44100);
        BASS_StreamFree(stream);
    }
    EXPECT_TRUE(outputs[0] == outputs[1]);
    EXPECT_EQ(LUMA_ChannelGetKeyLock(0), -1);
    EXPECT_EQ(LUMA_ChannelSetKeyLock(0, 1), 0);
}

}  // namespace
}  // namespace luma::test
