// The loop region as the resampler reads it: where the seam lies, what each
// side of it reads, and when the loop holds at all; and a looping channel
// behind an output that buffers audio, whose reported position is the one
// being heard, lagging the wraps being rendered.
#include "core/loop_source.h"

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <vector>

#include "core/play_channel.h"

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

TEST(PlayChannelLoopTest, HeardPositionFollowsTheWrapsThroughTheOutputLatency) {
    constexpr int64_t kStart = 5000, kEnd = 9000, kFrom = 8000;
    constexpr int kLatency = 1000, kBlock = 256;
    auto track = std::make_shared<Track>(44100, 1, 20000, SampleKind::Int16);
    std::fill_n(track->int16Frames(0), track->frames(), int16_t{0});
    track->markReady(0);
    PlayChannel channel(track, nullptr, false);
    RenderContext context{0, 44100.0, kLatency};
    const auto apply = [&](Command::Type type, bool loop = false) {
        Command command;
        command.type = type;
        command.loop = loop;
        command.frame = type == Command::Type::SetLoop ? kStart : kFrom;
        command.loopEnd = kEnd;
        channel.apply(command, context);
    };
    apply(Command::Type::SetLoop, true);
    apply(Command::Type::Seek);
    apply(Command::Type::Play);

    float left[kBlock] = {}, right[kBlock] = {};
    for (int block = 0; block < 100; ++block) {
        context.outFrame = int64_t{block} * kBlock;
        channel.render(context, kBlock, left, right);
        const int64_t outEnd = context.outFrame + kBlock;
        channel.publish(context, outEnd);
        const int64_t played = std::max<int64_t>(0, outEnd - kLatency);
        const int64_t at = kFrom + played;
        const int64_t expected = at < kEnd ? at : kStart + (at - kStart) % (kEnd - kStart);
        ASSERT_EQ(channel.heardFrame(), expected) << block;
    }
}

}  // namespace
}  // namespace luma
