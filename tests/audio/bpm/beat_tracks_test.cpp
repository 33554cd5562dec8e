// The synthetic tracks the tempo tests rely on: reproducible from the seed.
#include "support/beat_tracks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

namespace luma::test {
namespace {

TEST(BeatTracks, FollowTheRecipeAndTheSeed) {
    BeatTrackRecipe recipe;
    recipe.style = BeatStyle::breakbeat;
    recipe.seconds = 3;
    recipe.bassline = true;
    recipe.snrDb = 20;
    recipe.seed = 5;
    const Signal first = makeBeatTrack(recipe);
    EXPECT_EQ(first.channels, 2);
    EXPECT_EQ(first.frames(), 3 * 44100);
    float peak = 0.0f;
    for (float s : first.samples) peak = std::max(peak, std::abs(s));
    EXPECT_NEAR(peak, 0.9f, 1e-6f);
    EXPECT_EQ(makeBeatTrack(recipe).samples, first.samples);
    recipe.seed = 6;
    EXPECT_NE(makeBeatTrack(recipe).samples, first.samples);
}

}  // namespace
}  // namespace luma::test
