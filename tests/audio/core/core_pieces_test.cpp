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

TEST(PositionHistoryTest, InterpolatesHoldsForgetsOnSeekAndWraps) {
    PositionHistory history;
    history.restart(1000, 500.0);  // playback starts at source 500 at output frame 1000
    history.add(1256, 756.0);
    history.add(1512, 1012.0);
    EXPECT_DOUBLE_EQ(history.positionAt(900), 500.0) << "before it started: where it starts";
    EXPECT_DOUBLE_EQ(history.positionAt(1128), 628.0);
    EXPECT_DOUBLE_EQ(history.positionAt(2000), 1012.0) << "after the last: held (stopped)";
    // A loop wrap: two keyframes at one output frame.
    history.add(1600, 1100.0);
    history.add(1600, 0.0);
    history.add(1700, 100.0);
    EXPECT_DOUBLE_EQ(history.positionAt(1599), 1099.0);
    EXPECT_DOUBLE_EQ(history.positionAt(1600), 0.0) << "at the wrap: the loop's start";
    EXPECT_DOUBLE_EQ(history.positionAt(1650), 50.0);
    history.restart(1700, 42.0);
    EXPECT_DOUBLE_EQ(history.positionAt(1650), 42.0) << "a seek is reported at once";
    history.restart(0, 0.0);
    for (int i = 1; i <= 1000; ++i) history.add(i * 256, i * 256.0);  // the ring wraps
    EXPECT_DOUBLE_EQ(history.positionAt(999 * 256 + 10), 999 * 256 + 10.0);
}

TEST(HandleRegistryTest, RejectsStaleAndMismatchedHandles) {
    HandleRegistry registry;
    auto object = std::make_shared<int>(7);
    const uint32_t stream = registry.add(HandleKind::Stream, object);
    ASSERT_NE(stream, 0u);
    EXPECT_EQ(*registry.find<int>(stream, HandleKind::Stream), 7);
    EXPECT_EQ(registry.find<int>(stream, HandleKind::Module), nullptr);
    EXPECT_TRUE(registry.remove(stream));
    EXPECT_FALSE(registry.remove(stream));
    // No handle comes back in a night of loads: a stale one never reaches a new track.
    uint32_t reused = 0;
    for (int load = 0; load < 20000; ++load) {
        reused = registry.add(HandleKind::Stream, object);
        ASSERT_NE(registry.find<int>(stream, HandleKind::Stream), object) << load;
        if (load < 19999) registry.remove(reused);
    }
    EXPECT_NE(registry.find<int>(reused, HandleKind::Stream), nullptr);
    for (uint32_t bad : {stream, reused ^ (1u << 28), 0u, 0xFFFFFFFFu}) {
        EXPECT_EQ(registry.find<int>(bad, HandleKind::Stream), nullptr) << bad;
    }
}

TEST(TrackTest, FetchReadsOnlyDecodedChunksAndFillsBothSidesForMono) {
    Track track(44100, 1, Track::kChunkFrames + 10, SampleKind::Int16);
    for (int64_t i = 0; i < track.frames(); ++i)
        *track.int16Frames(i) = static_cast<int16_t>(i % 1000);
    track.markReady(1);  // the short last chunk only
    float left[20], right[20];
    track.fetch(Track::kChunkFrames - 5, 20, left, right);
    for (int i = 0; i < 5; ++i) EXPECT_EQ(left[i], 0.0f) << "chunk 0 not decoded yet";
    EXPECT_EQ(left[5], (Track::kChunkFrames % 1000) / 32768.0f);
    EXPECT_EQ(left[5], right[5]);
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

// Each frame holds its own index (the seam as heard: the engine's LoopTest).
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
    // The fade leans from each frame's own index to the one a loop earlier.
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
    PlayChannel channel(track, nullptr, nullptr, false);
    RenderContext context{0, 44100.0, kLatency, kLoudnessOff};
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
