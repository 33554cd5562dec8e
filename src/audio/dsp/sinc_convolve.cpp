#include "dsp/sinc_convolve.h"

#include <cstring>

#include "dsp/cpu_clones.h"

namespace luma::dsp {

namespace {

// Eight lanes as a GCC vector: one AVX register in the x86-64-v3 clone (with
// FMA), two SSE registers in the plain x86-64 one.
using Lanes = float __attribute__((vector_size(32)));

// By reference: a vector returned by value trips -Wpsabi in the plain clone.
inline void load(Lanes& v, const float* p) {
    std::memcpy(&v, p, sizeof v);
}

inline float sum(const Lanes& v) {
    float total = 0.0f;
    for (int lane = 0; lane < 8; ++lane) {
        total += v[lane];
    }
    return total;
}

}  // namespace

__attribute__((LUMA_CPU_CLONES)) void convolveBlock(const SincTable& table, const int32_t* index,
                                                    const double* fraction, int frames,
                                                    const float* left, const float* right,
                                                    float* outLeft, float* outRight) noexcept {
    const int taps = table.taps;
    const int phases = table.phases;
    const int reach = table.half() - 1;
    for (int n = 0; n < frames; ++n) {
        const double phase = fraction[n] * phases;
        int row = static_cast<int>(phase);
        row = row < phases ? row : phases - 1;
        const float weight = static_cast<float>(phase - row);
        const float* coef = table.row(row);
        const float* delta = coef + taps;
        const float* srcLeft = left + (index[n] - reach);
        const float* srcRight = right + (index[n] - reach);
        Lanes accLeft = {};
        Lanes accRight = {};
        for (int j = 0; j < taps; j += 8) {
            Lanes c, d, sampleLeft, sampleRight;
            load(c, coef + j);
            load(d, delta + j);
            load(sampleLeft, srcLeft + j);
            load(sampleRight, srcRight + j);
            c += weight * d;
            accLeft += c * sampleLeft;
            accRight += c * sampleRight;
        }
        outLeft[n] = sum(accLeft);
        outRight[n] = sum(accRight);
    }
}

}  // namespace luma::dsp
