// The resampler's hot loop: one interpolated table row against the source
// window per output frame, both channels at once.
#pragma once

#include <cstdint>

#include "dsp/sinc_tables.h"

namespace luma::dsp {

// For each output frame n: the source window holds the frame's whole source
// frame at window[index[n]] and the kernel is evaluated at fraction[n] in
// [0, 1). The window must reach table.half() - 1 frames before and
// table.half() frames after every index. Real-time safe.
void convolveBlock(const SincTable& table, const int32_t* index, const double* fraction, int frames,
                   const float* left, const float* right, float* outLeft, float* outRight) noexcept;

}  // namespace luma::dsp
