// Which of several related periods is the beat. The bar, the beat and its
// subdivisions all repeat, so periodicity alone cannot tell them apart; each
// candidate is laid as a grid over the onsets instead and judged by the fit.
#pragma once

#include <vector>

#include "bpm/novelty.h"

namespace luma {

// How a grid of one period sits on the onsets; shares and fills are 0..1, a fill being
// the mean over grid points of the nearby peak against a clear onset's height.
struct LevelEvidence {
    double bpm = 0.0;
    double drumsOnGrid = 0.0;    // fill of the grid by kicks and snares
    double drumsCaptured = 0.0;  // share of kick and snare strength that lands on the grid
    double onsetsOnGrid = 0.0;   // the same two for all onsets, hats included
    double onsetsCaptured = 0.0;
    double onsetsOffbeat = 0.0;    // fill of the points halfway between grid points
    double onsetsSixteenth = 0.0;  // fill of the points a quarter of the way
    double hatsOnGrid = 0.0;       // the hats' own fills (square-root compressed: faint
    double hatsOffbeat = 0.0;      // but regular hats count)
    double hatsSixteenth = 0.0;
    double backbeat = 0.0;  // how much more snare one half of the grid points has than the other
    double chordsOnBars = 0.0;  // fill of chord changes on the likeliest bar lines (every
                                // fourth grid point)
};

LevelEvidence measureLevel(const NoveltyCurves& curves, double period, double frameRate);

// Larger for a likelier beat.
double levelScore(const LevelEvidence& evidence);

// The beat period among the simple multiples and fractions of `period` (any level of
// the metre, in frames): the one whose grid scores best.
double chooseBeatLevel(const NoveltyCurves& curves, double period, double frameRate);

}  // namespace luma
