// A peaking equaliser attached to a channel, with the parameters the
// control side last set (what BASS_FXGetParameters reports).
#pragma once

#include "dsp/peaking_eq.h"
#include "include/lumaaudio.h"

namespace luma {

struct EqEffect {
    dsp::PeakingEq filter;                          // audio thread
    LUMA_PARAMEQ parameters{8000.0f, 12.0f, 0.0f};  // control side
};

}  // namespace luma
