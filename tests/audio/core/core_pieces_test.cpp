// The engine's own small mechanisms, where a fault would be hard to see
// from the outside: heard-position mapping, handle validation, track reads.
#include <gtest/gtest.h>

#include <memory>

#include "core/handle_registry.h"
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
    const uint32_t reused = registry.add(HandleKind::Stream, object);
    EXPECT_NE(reused, stream) << "same slot, new generation";
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

}  // namespace
}  // namespace luma
