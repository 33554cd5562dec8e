// The strongest periodicity of a novelty curve between 40 and 240 BPM. It may
// be the beat, but as well its half or double: the metre is decided later.
#pragma once

#include <vector>

#include "bpm/novelty.h"

namespace luma {

struct Periodicity {
    double frames = 0.0;    // 0 when the curve repeats too weakly to hold a beat
    double strength = 0.0;  // normalised autocorrelation at the period, 0..1
};

Periodicity strongestPeriodicity(const std::vector<float>& novelty, double frameRate);

// The same over several onset curves of equal length (one a band): each is
// autocorrelated on its own and weighted by how clearly it repeats, so that a loud
// band without a pulse cannot drown a quiet one that has it.
// A band whose level, over its own period, swells up as it fades (tremolo, beating
// partials) rather than jumping up and decaying counts for nothing: swells are no beat.
Periodicity strongestPeriodicity(const NoveltyCurves& curves, double frameRate);

}  // namespace luma
