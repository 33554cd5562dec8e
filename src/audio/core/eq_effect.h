// A peaking equaliser attached to a channel, with the parameters the
// control side last set (what BASS_FXGetParameters reports).
#pragma once

#include "dsp/peaking_eq.h"

namespace luma {

struct EqParameters {
    float centreHz = 8000.0f;
    float bandwidthSemitones = 12.0f;
    float gainDb = 0.0f;
};

struct EqEffect {
    dsp::PeakingEq filter;    // audio thread
    EqParameters parameters;  // control side
};

}  // namespace luma
