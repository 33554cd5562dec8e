// Reads whole runs of frames from a decoder, folding stereo into one
// channel when the channel was opened mono.
#pragma once

#include <cstdint>

#include "decode/decoder.h"

namespace luma {

// Reads up to `frames` frames into `out` (interleaved, or mono when
// `downmix`), looping over short reads; returns the frames read.
template <typename Sample>
int64_t readFrames(Decoder& decoder, Sample* out, int64_t frames, bool downmix);

}  // namespace luma
