// Conversions between the two sample types the decoders hand out.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <type_traits>

namespace luma {

// 16-bit samples map to [-1, 1) by 1/32768, the way libsndfile reads them, so
// a 16-bit source survives a round trip through float unchanged.
inline float toFloatSample(int16_t sample) {
    return static_cast<float>(sample) * (1.0f / 32768.0f);
}

// What a float source may hand on: a damaged or hostile file's NaN and
// infinities become silence and anything beyond full scale becomes full
// scale, before a filter, the resampler or the mix can be poisoned by it.
inline float saneSample(float sample) {
    return std::isfinite(sample) ? std::clamp(sample, -1.0f, 1.0f) : 0.0f;
}

// Clamped before rounding, so no float (NaN included) wraps around.
inline int16_t toInt16Sample(float sample) {
    const double clamped =
        std::isnan(sample) ? 0.0 : std::clamp(static_cast<double>(sample), -1.0, 1.0);
    return static_cast<int16_t>(std::min(std::lrint(clamped * 32768.0), 32767L));
}

template <typename In, typename Out>
void convertSamples(const In* in, Out* out, size_t count) {
    if constexpr (std::is_same_v<In, Out>) {
        std::copy(in, in + count, out);
    } else if constexpr (std::is_same_v<Out, float>) {
        std::transform(in, in + count, out, toFloatSample);
    } else {
        std::transform(in, in + count, out, toInt16Sample);
    }
}

}  // namespace luma
