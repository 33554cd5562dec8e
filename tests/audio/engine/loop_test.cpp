// The engine's loop region through the C interface: which source frames are
// heard, how the seam sounds, what the position reports, when it holds.
#include <cmath>

#include "support/engine_fixture.h"
#include "support/sine_fit.h"

namespace luma::test {
namespace {

constexpr int kTrackFrames = 32768;
constexpr int kStart = 10000, kEnd = 14410, kLength = kEnd - kStart;
constexpr int kFade = 128;  // the seam's cross-fade, before the end

class LoopTest : public EngineTest {
  protected:
    // Left holds each frame's index as an exact 16-bit code; right is silent
    // up to the loop's end and loud behind it, so any trace of those frames shows.
    uint32_t openIndexTrack() {
        Signal index{std::vector<float>(2 * kTrackFrames)};
        for (int i = 0; i < kTrackFrames; ++i) {
            index.samples[2 * i] = static_cast<float>(i - 16384) / 32768.0f;
            index.samples[2 * i + 1] = i >= kEnd ? 0.6f : 0.0f;
        }
        return openPlayable(writeWav(index));
    }
    uint32_t openSine(double hz) { return openPlayable(writeWav(makeSine(hz, 2.0))); }
    // Starts at `from` and renders the first block, which fades the channel in.
    void startAt(uint32_t stream, int from, int start = kStart, int end = kEnd, int rate = 0) {
        ASSERT_NE(BASS_ChannelSlideAttributes(stream, rate, -1, -101, 0), 0);
        ASSERT_NE(BASS_ChannelSetPosition(stream, from * 4), 0);
        ASSERT_NE(LUMA_ChannelSetLoop(stream, start * 4, end * 4, 1), 0);
        ASSERT_NE(BASS_StreamPlay(stream, 0, 0), 0);
        render(256);
    }
    static int64_t frameOf(uint32_t stream) { return BASS_ChannelGetPosition(stream) / 4; }
};

// Source position of output frame k for playback from `from` at `step`.
double loopPosition(double from, double step, int64_t k, int start = kStart, int end = kEnd) {
    const double virtualPos = from + step * static_cast<double>(k);
    if (virtualPos < end) return virtualPos;
    return start + std::fmod(virtualPos - start, end - start);
}

TEST_F(LoopTest, NothingAtOrPastTheEndIsHeardAndTheWrapIsExactAtAnyRate) {
    for (int rate : {44100, 60417, 97000}) {
        SCOPED_TRACE(rate);
        const uint32_t stream = openIndexTrack();
        startAt(stream, kStart - 1000, kStart, kEnd, rate);
        const double step = rate / 44100.0;
        const double from = kStart - 1000 + 256 * step;
        // Odd chunks, so that the seam falls anywhere in the output's blocks.
        std::vector<float> left, right;
        for (int chunk = 0; chunk < 90; ++chunk) {
            const std::vector<float> out = render(1901);
            const std::vector<float> l = side(out, 0), r = side(out, 1);
            left.insert(left.end(), l.begin(), l.end());
            right.insert(right.end(), r.begin(), r.end());
            const double expected = loopPosition(from, step, static_cast<int64_t>(left.size()));
            ASSERT_NEAR(frameOf(stream), expected, 1.0) << chunk;
            if (left.size() * step > 1000) {
                ASSERT_GE(frameOf(stream), kStart);
            }
            ASSERT_LT(frameOf(stream), kEnd);
        }
        ASSERT_GT(left.size() * step, 30.0 * kLength);
        EXPECT_EQ(peak(right), 0.0) << "a frame behind the loop's end was heard";
        // Away from the seam the heard index is the source position itself:
        // exactly at the own rate, interpolated elsewhere. The guard keeps
        // the kernel's reach and the cross-fade out.
        const double guard = rate == 44100 ? 0.0 : 60.0 * step;
        for (size_t k = 0; k < left.size(); ++k) {
            const double at = loopPosition(from, step, static_cast<int64_t>(k));
            if (at < kStart + guard || at >= kEnd - kFade - guard) continue;
            ASSERT_NEAR(left[k] * 32768.0 + 16384.0, at, rate == 44100 ? 0.0 : 0.5) << k;
        }
        BASS_StreamFree(stream);
    }
}

TEST_F(LoopTest, ShortLoopAtEightfoldStepWrapsSeveralTimesABlock) {
    BASS_Free();
    ASSERT_NE(BASS_Init(0, 12500, 0, nullptr), 0);
    ASSERT_NE(BASS_Start(), 0);
    const uint32_t stream = openIndexTrack();
    const int start = kEnd - 1000;
    startAt(stream, start, start, kEnd, 100000);
    double heard = 0;
    for (int chunk = 0; chunk < 40; ++chunk) {
        const std::vector<float> out = render(777);
        heard += peak(side(out, 1));
        ASSERT_GE(frameOf(stream), start);
        ASSERT_LT(frameOf(stream), kEnd);
    }
    EXPECT_EQ(heard, 0.0);
}

TEST_F(LoopTest, LoopOfWholePeriodsPlaysTheSineUnbroken) {
    // 441 Hz: 100 frames a period; the loop starts off any zero crossing.
    for (int rate : {44100, 60417}) {
        SCOPED_TRACE(rate);
        const uint32_t stream = openSine(441);
        startAt(stream, 20011, 20011, 20011 + 4400, rate);
        const std::vector<float> left = side(render(50 * 4400), 0);
        const double hz = 441.0 * rate / 44100.0;
        const SineFit fit = fitSine(left, 44100, hz);
        EXPECT_GT(fit.snrDb, rate == 44100 ? 85.0 : 80.0) << "a step or a dip at the seams";
        EXPECT_NEAR(fit.amplitude, 0.5, 0.001);
        const double slope = 2 * M_PI * hz * 0.5 / 44100;
        EXPECT_LT(largestStep(left), slope * 1.01 + 2.0 / 32768);
        BASS_StreamFree(stream);
    }
}

TEST_F(LoopTest, SwitchingOrMovingTheLoopNearItsSeamNeverSteps) {
    // Half a period short: the start meets the end in opposite phase, at a
    // peak, so an unfaded seam would jump by about 1.0. Each change lands
    // where the old reading and the new one differ the most: inside the
    // seam's fade, within the resampler's reach of the end, just after a wrap.
    constexpr int start = 20025, end = start + 4450;
    struct Change {
        const char* what;
        int from;  // where playback stands when the change arrives
        int newStart, newEnd, on;
    };
    for (const Change& change :
         {Change{"off inside the fade", end - 60, 0, 0, 0},
          Change{"off within reach of the end", end - 20, 0, 0, 0},
          Change{"off just after a wrap", end + 15, 0, 0, 0},
          Change{"on inside the fade", end - 60, start, end, 1},
          Change{"end trimmed up inside the fade", end - 60, start, end + 125, 1},
          Change{"end trimmed down onto the play position", end - 190, start, end - 125, 1},
          Change{"end trimmed just after a wrap", end + 15, start, end + 125, 1}}) {
        SCOPED_TRACE(change.what);
        const uint32_t stream = openSine(441);
        const bool loopedBefore = !(change.on && change.newEnd == end && change.from < end);
        startAt(stream, change.from - 256 - 1000, start, end);
        if (!loopedBefore) {
            ASSERT_NE(LUMA_ChannelSetLoop(stream, 0, 0, 0), 0);
        }
        std::vector<float> left = side(render(1000), 0);
        ASSERT_EQ(frameOf(stream), change.from < end ? change.from : change.from - (end - start));
        ASSERT_NE(LUMA_ChannelSetLoop(stream, change.newStart * 4, change.newEnd * 4, change.on),
                  0);
        const std::vector<float> after = side(render(3000), 0);
        left.insert(left.end(), after.begin(), after.end());
        const double slope = 2 * M_PI * 441 * 0.5 / 44100;
        EXPECT_LT(largestStep(left), slope + 2 * 0.5 / kFade);
        BASS_StreamFree(stream);
    }
}

TEST_F(LoopTest, OnlyCrossingTheEndWhilePlayingWraps) {
    const uint32_t stream = openIndexTrack();
    startAt(stream, kEnd - 500);
    render(1000);
    EXPECT_EQ(frameOf(stream), kStart + 756);

    ASSERT_NE(BASS_ChannelSetPosition(stream, (kEnd + 1000) * 4), 0);
    render(1000);
    EXPECT_EQ(frameOf(stream), kEnd + 2000) << "a seek past the end plays on";
    ASSERT_NE(LUMA_ChannelSetLoop(stream, kStart * 4, kEnd * 4, 1), 0);
    render(1000);
    EXPECT_EQ(frameOf(stream), kEnd + 3000) << "a region behind the position waits";
    ASSERT_NE(LUMA_ChannelSetLoop(stream, kStart * 4, (kEnd + 4000) * 4, 1), 0);
    render(2000);
    EXPECT_EQ(frameOf(stream), kStart + 1000) << "one ahead of it holds";

    ASSERT_NE(LUMA_ChannelSetLoop(stream, kStart * 4, kEnd * 4, 1), 0);
    ASSERT_NE(BASS_ChannelSetPosition(stream, (kEnd - 100) * 4), 0);
    render(200);
    EXPECT_EQ(frameOf(stream), kStart + 100);
    ASSERT_NE(LUMA_ChannelSetLoop(stream, kStart * 4, kEnd * 4, 0), 0);
    render(kLength);
    EXPECT_EQ(frameOf(stream), kEnd + 100) << "switched off: plays through";
}

TEST_F(LoopTest, RegionsThatMakeNoSenseDoNothingAndDecodeOnlyChannelsHaveNone) {
    const uint32_t stream = openIndexTrack();
    const int length = kTrackFrames * 4;
    for (auto [start, end] : {std::pair{kEnd * 4, kStart * 4},
                              {kStart * 4, kStart * 4 + 3},
                              {-4, kEnd * 4},
                              {kStart * 4, length + 4}}) {
        ASSERT_NE(BASS_ChannelSetPosition(stream, (kEnd - 100) * 4), 0);
        EXPECT_NE(LUMA_ChannelSetLoop(stream, start, end, 1), 0);
        ASSERT_NE(BASS_StreamPlay(stream, 0, 0), 0);
        render(200);
        EXPECT_EQ(frameOf(stream), kEnd + 100) << start << ".." << end;
    }
    const uint32_t decodeOnly =
        BASS_StreamCreateFile(0, writeWav(makeSine(440, 0.1)).c_str(), 0, 0, LUMA_STREAM_DECODE);
    ASSERT_NE(decodeOnly, 0u);
    EXPECT_EQ(LUMA_ChannelSetLoop(decodeOnly, 0, 4000, 1), 0);
}

TEST_F(LoopTest, LoopEndingAtTheTrackEndWrapsInsteadOfStopping) {
    for (uint32_t flags : {0u, static_cast<uint32_t>(LUMA_PLAY_LOOP)}) {
        const uint32_t stream = openIndexTrack();
        ASSERT_NE(BASS_ChannelSetPosition(stream, (kTrackFrames - 500) * 4), 0);
        ASSERT_NE(LUMA_ChannelSetLoop(stream, 28000 * 4, kTrackFrames * 4, 1), 0);
        ASSERT_NE(BASS_StreamPlay(stream, 0, flags), 0);
        render(2000);
        EXPECT_EQ(frameOf(stream), 28000 + 1500) << flags;
        EXPECT_NE(BASS_ChannelGetLevel(stream), 0xFFFFFFFFu) << "still playing";
        BASS_StreamFree(stream);
    }
}

}  // namespace
}  // namespace luma::test
