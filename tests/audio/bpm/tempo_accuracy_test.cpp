// Tempo of synthetic tracks of every style we generate, to within 1 % (the
// refinement usually lands within 0.05 %, so 0.2 % is asserted on clean ones).
#include <gtest/gtest.h>

#include <cmath>

#include "detect.h"
#include "support/beat_tracks.h"

namespace luma::test {
namespace {

class StyleTempo : public testing::TestWithParam<BeatTrackRecipe> {};

TEST_P(StyleTempo, WithinOnePercent) {
    BeatTrackRecipe recipe = GetParam();
    recipe.seed = static_cast<uint32_t>(recipe.bpm * 10) + static_cast<uint32_t>(recipe.style);
    const double tolerance = std::isinf(recipe.snrDb) ? 0.002 : 0.01;
    EXPECT_NEAR(detectTempo(makeBeatTrack(recipe)), recipe.bpm, tolerance * recipe.bpm)
        << styleName(recipe.style) << " at " << recipe.rate << " Hz";
}

using R = BeatTrackRecipe;
using enum BeatStyle;
INSTANTIATE_TEST_SUITE_P(
    Styles, StyleTempo,
    testing::Values(
        // Plain kick and off-beat hat where trackers often halve or double.
        R{.bpm = 87.5, .seconds = 20}, R{.bpm = 140, .seconds = 20}, R{.bpm = 174, .seconds = 20},
        R{.bpm = 72, .seconds = 20}, R{.bpm = 178, .seconds = 20},
        R{.bpm = 124, .seconds = 20, .bassline = true, .pad = true},
        R{.bpm = 128, .seconds = 20, .snrDb = 6.0},
        R{.bpm = 98, .seconds = 20, .style = syncopatedKick},
        R{.bpm = 97, .seconds = 20, .style = syncopatedKick, .snrDb = 0.0},
        R{.bpm = 116, .seconds = 20, .style = syncopatedKick, .swing = 0.4, .bassline = true},
        R{.bpm = 110, .seconds = 25, .style = breakbeat, .bassline = true},
        R{.bpm = 140, .seconds = 25, .style = halfTime},
        R{.bpm = 96, .seconds = 20, .style = shuffle},
        R{.bpm = 122, .seconds = 30, .style = sparseIntro},
        R{.bpm = 118, .seconds = 20, .style = tripletHats},
        R{.bpm = 126, .seconds = 20, .style = dottedAccents},
        R{.bpm = 88, .seconds = 20, .style = dottedEighths},
        R{.bpm = 174, .seconds = 20, .style = drumAndBass},
        // Every sample rate.
        R{.bpm = 123.4, .seconds = 15, .rate = 8000}, R{.bpm = 123.4, .seconds = 15, .rate = 22050},
        R{.bpm = 123.4, .seconds = 15, .rate = 48000},
        R{.bpm = 123.4, .seconds = 15, .rate = 96000}));

TEST(TempoDetector, IgnoresTheLevel) {
    const Signal signal = makeBeatTrack({.bpm = 131, .seconds = 15, .bassline = true, .seed = 8});
    for (float gain : {1e-4f, 0.01f, 30.0f}) {
        Signal scaled = signal;
        for (float& s : scaled.samples) s *= gain;
        EXPECT_NEAR(detectTempo(scaled), 131, 0.002 * 131) << "gain " << gain;
    }
}

}  // namespace
}  // namespace luma::test
