// Folding a tempo into the range the caller asked for.
#include "bpm/tempo_range.h"

#include <gtest/gtest.h>

#include <cmath>

#include "detect.h"
#include "support/beat_tracks.h"

namespace luma::test {
namespace {

// Each case: the range, a tempo and where it folds to. In the narrow range
// 128 stays: 2 BPM short beats 116 too many.
TEST(TempoRange, HalvesAndDoublesIntoRange) {
    const double cases[][4] = {{70, 180, 128, 128},  {70, 180, 70, 70},   {70, 180, 180, 180},
                               {70, 180, 200, 100},  {70, 180, 400, 100}, {70, 180, 60, 120},
                               {70, 180, 30, 120},   {70, 180, 0, 0},     {70, 180, NAN, 0},
                               {130, 140, 128, 128}, {130, 140, 75, 150}, {130, 140, 135, 135}};
    for (const auto& c : cases) {
        EXPECT_DOUBLE_EQ(TempoRange::orDefault(c[0], c[1]).fold(c[2]), c[3]) << c[2];
    }
}

// A bad limit falls back on its own; an empty or inverted range entirely.
TEST(TempoRange, NonsenseFallsBackToTheDefaults) {
    const double low = TempoRange{}.lowest, high = TempoRange{}.highest;
    const double cases[][4] = {
        {0, 0, low, high},    {150, 100, low, high}, {100, 100, low, high},   {-5, 160, low, 160},
        {NAN, 160, low, 160}, {90, 0, 90, high},     {90, INFINITY, 90, high}};
    for (const auto& c : cases) {
        const TempoRange range = TempoRange::orDefault(c[0], c[1]);
        EXPECT_EQ(range.lowest, c[2]) << c[0] << ".." << c[1];
        EXPECT_EQ(range.highest, c[3]) << c[0] << ".." << c[1];
    }
}

TEST(TempoDetector, FoldsIntoTheGivenRange) {
    const Signal track = makeBeatTrack({.bpm = 87.5, .seconds = 15, .seed = 21});
    EXPECT_NEAR(detectTempo(track, 100, 200), 175, 0.002 * 175);
    EXPECT_NEAR(detectTempo(track, 40, 80), 43.75, 0.002 * 43.75);
    EXPECT_NEAR(detectTempo(track, 300, 100), 87.5, 0.002 * 87.5);  // inverted: defaults
}

}  // namespace
}  // namespace luma::test
