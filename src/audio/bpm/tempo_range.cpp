#include "bpm/tempo_range.h"

#include <cmath>

namespace luma {

TempoRange TempoRange::orDefault(double lowest, double highest) {
    const TempoRange defaults;
    TempoRange range;
    range.lowest = std::isfinite(lowest) && lowest > 0 ? lowest : defaults.lowest;
    range.highest = std::isfinite(highest) && highest > 0 ? highest : defaults.highest;
    return range.lowest < range.highest ? range : defaults;
}

double TempoRange::fold(double bpm) const {
    if (!(bpm > 0) || !std::isfinite(bpm)) return 0.0;
    while (bpm > highest && bpm / 2 >= lowest) bpm /= 2;
    while (bpm < lowest && bpm * 2 <= highest) bpm *= 2;
    // A range narrower than an octave may hold no octave of bpm: take the nearer side.
    if (bpm > highest && lowest / (bpm / 2) < bpm / highest) bpm /= 2;
    if (bpm < lowest && (bpm * 2) / highest < lowest / bpm) bpm *= 2;
    return bpm;
}

}  // namespace luma
