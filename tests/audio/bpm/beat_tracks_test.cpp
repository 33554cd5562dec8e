// The synthetic tracks the tempo tests rely on: reproducible from the seed.
#include "support/beat_tracks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace luma::test {
namespace {

TEST(BeatTracks, FollowTheSpecAndTheSeed) {
    BeatTrackSpec spec;
    spec.style = BeatStyle::breakbeat;
    spec.seconds = 3;
    spec.bassline = true;
    spec.snrDb = 20;
    spec.seed = 5;
    const Signal first = makeBeatTrack(spec);
    EXPECT_EQ(first.channels, 2);
    EXPECT_EQ(first.frames(), 3 * 44100);
    float peak = 0.0f;
    for (float s : first.samples) peak = std::max(peak, std::abs(s));
    EXPECT_NEAR(peak, 0.9f, 1e-6f);
    EXPECT_EQ(makeBeatTrack(spec).samples, first.samples);
    spec.seed = 6;
    EXPECT_NE(makeBeatTrack(spec).samples, first.samples);
}

}  // namespace
}  // namespace luma::test
