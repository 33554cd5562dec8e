// Folding a tempo into the range the caller asked for.
#include "bpm/tempo_range.h"

#include <gtest/gtest.h>

#include <cmath>

#include "detect.h"
#include "support/beat_tracks.h"

namespace luma::test {
namespace {

TEST(TempoRange, HalvesAndDoublesIntoRange) {
    const TempoRange range = TempoRange::orDefault(70, 180);
    const std::pair<double, double> cases[] = {
        {128, 128}, {70, 70},  {180, 180}, {200, 100},        {400, 100},
        {60, 120},  {30, 120}, {0, 0},     {std::nan(""), 0},
    };
    for (auto [bpm, folded] : cases) EXPECT_DOUBLE_EQ(range.fold(bpm), folded) << bpm;
}

TEST(TempoRange, NarrowRangeTakesTheNearestOctave) {
    const TempoRange range = TempoRange::orDefault(130, 140);
    EXPECT_DOUBLE_EQ(range.fold(128), 128);  // 2 BPM short beats 116 too many
    EXPECT_DOUBLE_EQ(range.fold(75), 150);
    EXPECT_DOUBLE_EQ(range.fold(135), 135);
}

TEST(TempoRange, NonsenseFallsBackToTheDefaults) {
    const TempoRange defaults;
    for (auto [low, high] : {std::pair{0.0, 0.0}, {150.0, 100.0}, {100.0, 100.0}}) {
        const TempoRange range = TempoRange::orDefault(low, high);
        EXPECT_EQ(range.lowest, defaults.lowest) << low << ".." << high;
        EXPECT_EQ(range.highest, defaults.highest) << low << ".." << high;
    }
    // One bad limit falls back on its own.
    EXPECT_EQ(TempoRange::orDefault(-5, 160).lowest, defaults.lowest);
    EXPECT_EQ(TempoRange::orDefault(std::nan(""), 160).lowest, defaults.lowest);
    EXPECT_EQ(TempoRange::orDefault(90, 0).highest, defaults.highest);
    EXPECT_EQ(TempoRange::orDefault(90, INFINITY).highest, defaults.highest);
    EXPECT_EQ(TempoRange::orDefault(90, 0).lowest, 90);
}

TEST(TempoDetector, FoldsIntoTheGivenRange) {
    BeatTrackRecipe recipe;
    recipe.bpm = 87.5;
    recipe.seconds = 15;
    recipe.seed = 21;
    const Signal track = makeBeatTrack(recipe);
    EXPECT_NEAR(detectTempo(track, 100, 200), 175, 0.002 * 175);
    EXPECT_NEAR(detectTempo(track, 40, 80), 43.75, 0.002 * 43.75);
    EXPECT_NEAR(detectTempo(track, 300, 100), 87.5, 0.002 * 87.5);  // inverted: defaults
}

}  // namespace
}  // namespace luma::test
