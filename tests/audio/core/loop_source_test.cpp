// The loop region as the resampler reads it: where the seam lies, what each
// side of it reads, and when the loop holds at all.
#include "core/loop_source.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace luma {
namespace {

constexpr int64_t kStart = 1000, kEnd = 1500, kLength = kEnd - kStart;

// Each frame holds its own index. (What is heard around the seam, and that
// nothing behind the loop is, is checked through the engine at several rates.)
class LoopSourceTest : public ::testing::Test {
  protected:
    LoopSourceTest() {
        for (int64_t i = 0; i < track.frames(); ++i) {
            track.floatFrames(i)[0] = track.floatFrames(i)[1] = static_cast<float>(i);
        }
        track.markReady(0);
    }
    std::vector<float> read(int64_t first, int count) {
        std::vector<float> left(count), right(count);
        source.fetch(first, count, left.data(), right.data());
        return left;
    }

    Track track{44100, 2, 2000, SampleKind::Float32};
    LoopSource source{track};
};

TEST_F(LoopSourceTest, PastTheEndReadsTheStartAfterFadingIntoItsLeadIn) {
    source.set(kStart, kEnd, 0);
    ASSERT_EQ(source.fadeFrames(), LoopSource::kFadeFrames);
    const std::vector<float> left = read(kEnd - 200, 300);
    const int fadeAt = 200 - LoopSource::kFadeFrames;
    EXPECT_EQ(left[fadeAt - 1], static_cast<float>(kEnd - 200 + fadeAt - 1));
    // Within the fade each frame leans further from its own index towards
    // the one a loop's length earlier, ending next to the frame before start.
    for (int i = fadeAt; i < 200; ++i) {
        const float own = static_cast<float>(kEnd - 200 + i);
        ASSERT_LT(left[i], own) << i;
        ASSERT_GT(left[i], own - kLength) << i;
        if (i > fadeAt) {
            ASSERT_LT(left[i], left[i - 1] + 1.0f) << i;
        }
    }
    EXPECT_NEAR(left[199], kStart - 1, kLength / 100.0);
    EXPECT_EQ(left[200], static_cast<float>(kStart));
}

TEST_F(LoopSourceTest, AfterAWrapTheLeadInIsTheLoopsTail) {
    source.set(kStart, kEnd, 0);
    EXPECT_EQ(read(kStart - 100, 1)[0], kStart - 100) << "coming from below";
    const std::vector<float> beforeWrap = read(kEnd - 300, 600);
    dsp::SourcePosition pos{kEnd + 3 * kLength + 7, 0.25};  // a step longer than the loop
    source.wrap(pos);
    EXPECT_EQ(pos.frame, kStart + 7);
    EXPECT_EQ(pos.fraction, 0.25);
    EXPECT_EQ(source.folded(kEnd + 0.5), kStart + 0.5) << "a position reported from before it";
    EXPECT_EQ(read(kStart - 300, 600), beforeWrap) << "the same signal, one loop earlier";
    source.moved(kStart + 7);
    EXPECT_EQ(read(kStart - 100, 1)[0], kStart - 100) << "a seek forgets the wrap";
}

TEST_F(LoopSourceTest, FadeNeverReachesBeforeTheTrackNorBeyondHalfTheLoop) {
    for (const auto [start, end, fade] :
         {std::array<int64_t, 3>{50, kEnd, 50}, {kStart, kStart + 100, 50}, {0, 10, 0}}) {
        source.set(start, end, 0);
        EXPECT_EQ(source.fadeFrames(), fade) << start << ".." << end;
    }
    const std::vector<float> left = read(5, 10);
    EXPECT_EQ(left, (std::vector<float>{5, 6, 7, 8, 9, 0, 1, 2, 3, 4})) << "a plain cut at 0";
}

TEST(LoopSourceLoadingTest, AsksForTheSeamOnceThePlayPositionIsDecoded) {
    constexpr int64_t kChunk = Track::kChunkFrames;
    Track track(44100, 1, 4 * kChunk, SampleKind::Int16);
    LoopSource source(track);
    const int64_t start = kChunk + 1000, end = 3 * kChunk + 1000, playing = 2 * kChunk;
    source.set(start, end, playing);
    EXPECT_EQ(source.nextToLoad(playing), playing);
    track.markReady(2);
    EXPECT_EQ(source.nextToLoad(playing), start - LoopSource::kFadeFrames);
    track.markReady(1);
    EXPECT_EQ(source.nextToLoad(playing), end - LoopSource::kFadeFrames);
    track.markReady(3);
    EXPECT_EQ(source.nextToLoad(playing), playing);
}

}  // namespace
}  // namespace luma
