// Turns the band-wise onset strength into novelty curves for the tempo
// analysis: each band made relative to its surroundings, then mixed for
// different questions about the rhythm.
#pragma once

#include <vector>

namespace luma {

struct NoveltyCurves {
    std::vector<float> drums;  // kick, low-mid and snare bands: the onsets that mark beats
    std::vector<float> all;    // the same with the hats, which fill the gaps between
    std::vector<float> hats;   // hats and air alone: the subdivisions
    std::vector<float> snare;  // mid-band onsets without a kick under them
    std::vector<std::vector<float>> bands;   // each band's own onsets, kOnsetBands of them
    std::vector<std::vector<float>> levels;  // each band's level, when it was given
    std::vector<float> harmony;              // chord changes, when measured (see HarmonicChange)
};

// `bandValues` is frame-major (kOnsetBands values a frame). Values are never
// negative, and zero where nothing stands out.
// `bandLevels`, laid out the same, are kept per band in `levels`.
NoveltyCurves beatNovelty(const std::vector<float>& bandValues, double frameRate,
                          const std::vector<float>& bandLevels = {});

// The mean of the top quarter of a curve's peaks: what a clear onset reaches.
double strongPeakLevel(const std::vector<float>& curve);

}  // namespace luma
