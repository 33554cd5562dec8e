// A fast natural logarithm for the spectral compression: exact to about 1e-4,
// several times quicker than std::log and free of library calls, so the
// per-bin loop vectorises.
#pragma once

#include <bit>
#include <cstdint>

namespace luma {

// For finite x >= 1 (the compression only ever takes log(1 + something)).
inline float fastLog(float x) {
    const auto bits = std::bit_cast<uint32_t>(x);
    const float exponent = static_cast<float>(static_cast<int32_t>(bits >> 23) - 127);
    // Mantissa in [1, 2); a least-squares quartic for log2 over it, exact at both ends.
    const float m = std::bit_cast<float>((bits & 0x007FFFFFu) | 0x3F800000u) - 1.0f;
    const float log2Mantissa =
        m * (1.4380732f + m * (-0.6747667f + m * (0.3170007f + m * -0.0803073f)));
    return (exponent + log2Mantissa) * 0.69314718f;
}

}  // namespace luma
