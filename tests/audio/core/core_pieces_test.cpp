// The engine's small mechanisms, whose faults hide from outside: heard positions,
// handles, track reads, the tap ring, the loop region, a loop behind output latency.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <memory>
#include <thread>
#include <vector>

#include "core/handle_registry.h"
#include "core/loop_source.h"
#include "core/play_channel.h"
#include "core/position_history.h"
#include "core/tap_ring.h"
#include "core/track.h"

namespace luma {
namespace {

// A loop's wrap leaves two keyframes at one output frame: from there on the later one counts.
TEST(PositionHistoryTest, AtAWrapTheLoopsStartCounts) {
    PositionHistory history;
    history.restart(1000, 500.0);
    history.add(1100, 600.0);
    history.add(1100, 0.0);
    history.add(1200, 100.0);
    EXPECT_DOUBLE_EQ(history.positionAt(1099), 599.0);
    EXPECT_DOUBLE_EQ(history.positionAt(1100), 0.0);
    EXPECT_DOUBLE_EQ(history.positionAt(1150), 50.0);
}

// No handle comes back in a night of loads: a stale one never reaches a new track.
TEST(HandleRegistryTest, NeverHandsOutAHandleAgain) {
    HandleRegistry registry;
    auto object = std::make_shared<int>(7);
    const uint32_t first = registry.add(HandleKind::Stream, object);
    ASSERT_TRUE(registry.remove(first));
    uint32_t last = 0;
    for (int load = 0; load < 20000; ++load) {
        last = registry.add(HandleKind::Stream, object);
        ASSERT_EQ(registry.find<int>(first, HandleKind::Stream), nullptr) << load;
        if (load < 19999) registry.remove(last);
    }
    EXPECT_EQ(registry.find<int>(last, HandleKind::Stream), object);
    EXPECT_EQ(registry.find<int>(last, HandleKind::Module), nullptr);
    EXPECT_EQ(registry.find<int>(last ^ (1u << 28), HandleKind::Stream), nullptr);
}

TEST(TrackTest, FetchReadsOnlyDecodedChunks) {
    Track track(44100, 1, Track::kChunkFrames + 10, SampleKind::Int16);
    for (int64_t i = 0; i < track.frames(); ++i)
        *track.int16Frames(i) = static_cast<int16_t>(i % 1000);
    track.markReady(1);  // the short last chunk only
    float left[20], right[20];
    track.fetch(Track::kChunkFrames - 5, 20, left, right);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(left[i], 0.0f) << "chunk 0 not decoded yet";
    EXPECT_EQ(left[5], (Track::kChunkFrames % 1000) / 32768.0f);
    for (int i = 15; i < 20; ++i) EXPECT_EQ(left[i], 0.0f) << "past the end";
    EXPECT_FALSE(track.fullyLoaded());
    track.markReady(0);
    EXPECT_TRUE(track.fullyLoaded());
    EXPECT_TRUE(track.rangeReady(-100, 1 << 30));
}

TEST(TapRingTest, ReadsTheLastFramesAndRefusesLappedSpans) {
    TapRing ring;
    std::vector<float> left(1000), right(1000);
    for (int i = 0; i < 1000; ++i) left[i] = right[i] = static_cast<float>(i);
    ring.startAt(100);
    ring.write(0, left.data(), right.data(), 1000);
    float outLeft[50], outRight[50];
    ASSERT_TRUE(ring.read(1000, 50, outLeft, outRight));
    EXPECT_EQ(outLeft[0], 950.0f);
    ASSERT_TRUE(ring.read(120, 50, outLeft, outRight));
    EXPECT_EQ(outLeft[0], 0.0f) << "before the present playback started";
    EXPECT_EQ(outLeft[49], 119.0f);
    EXPECT_FALSE(ring.read(2000, 50, outLeft, outRight)) << "not written yet";
    for (int64_t at = 1000; at < 1000 + TapRing::kFrames; at += 1000) {
        ring.write(at, left.data(), right.data(), 1000);
    }
    EXPECT_FALSE(ring.read(1000, 50, outLeft, outRight)) << "overwritten since";
}

// A reader at the edge the writer laps accepts only spans that were not overwritten as it read.
TEST(TapRingTest, NeverAcceptsASpanOverwrittenWhileItWasRead) {
    TapRing ring;
    constexpr int kBlock = 256;
    const auto frameValue = [](int64_t frame) { return static_cast<float>(frame % (1 << 20)); };
    std::atomic<bool> done{false};
    std::thread writer([&] {
        std::array<float, kBlock> block{};
        for (int64_t out = 0; !done; out += kBlock) {
            for (int i = 0; i < kBlock; ++i) block[i] = frameValue(out + i);
            ring.write(out, block.data(), block.data(), kBlock);
        }
    });
    std::vector<float> left(TapRing::kFrames / 2), right(TapRing::kFrames / 2);
    int accepted = 0, wrong = 0;
    for (int read = 0; read < 20000; ++read) {
        // The span starts half a block into the frames the next block replaces.
        const int64_t end = ring.written() - TapRing::kFrames / 2 + kBlock / 2;
        if (end - TapRing::kFrames / 2 < 0) continue;
        if (!ring.read(end, TapRing::kFrames / 2, left.data(), right.data())) continue;
        ++accepted;
        const int64_t first = end - TapRing::kFrames / 2;
        for (int i = 0; i < TapRing::kFrames / 2; ++i) wrong += left[i] != frameValue(first + i);
    }
    done = true;
    writer.join();
    EXPECT_EQ(wrong, 0) << "in " << accepted << " spans accepted";
}

constexpr int64_t kStart = 1000, kEnd = 1500, kLength = kEnd - kStart;

// Each frame holds its own index.
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

TEST_F(LoopSourceTest, AfterAWrapTheLeadInIsTheLoopsTail) {
    source.set(kStart, kEnd, 0);
    EXPECT_EQ(read(kStart - 100, 1)[0], kStart - 100) << "coming from below";
    const std::vector<float> beforeWrap = read(kEnd - 300, 600);
    dsp::SourcePosition pos{kEnd + 3 * kLength + 7, 0.25};  // a step longer than the loop
    source.wrap(pos);
    EXPECT_EQ(pos.frame, kStart + 7);
    EXPECT_EQ(pos.fraction, 0.25);
    EXPECT_EQ(read(kStart - 300, 600), beforeWrap) << "the same signal, one loop earlier";
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
    PlayChannel channel(track, nullptr, nullptr, false);
    RenderContext context{0, 44100.0, kLatency, kLoudnessOff};
    using enum Command::Type;
    for (const Command& command :
         {Command{.type = SetLoop, .loop = true, .frame = kStart, .loopEnd = kEnd},
          Command{.type = Seek, .frame = kFrom}, Command{.type = Play}}) {
        channel.apply(command, context);
    }

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
