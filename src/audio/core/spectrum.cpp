#include "core/spectrum.h"

#include <fftw3.h>

#include <array>
#include <cmath>
#include <memory>
#include <mutex>
#include <numbers>

namespace luma {

namespace {

struct FftwDeleter {
    void operator()(void* p) const { fftwf_free(p); }
};

// One plan per size, made once: FFTW's planner is not thread-safe, its
// execute-with-new-arrays is.
fftwf_plan planFor(int size) {
    static std::mutex mutex;
    static std::array<fftwf_plan, 4> plans{};
    const int index = size == 512 ? 0 : size == 1024 ? 1 : size == 2048 ? 2 : size == 4096 ? 3 : -1;
    if (index < 0) return nullptr;
    std::lock_guard lock(mutex);
    if (!plans[index]) {
        std::unique_ptr<float, FftwDeleter> in(fftwf_alloc_real(size));
        std::unique_ptr<fftwf_complex, FftwDeleter> out(fftwf_alloc_complex(size / 2 + 1));
        plans[index] = fftwf_plan_dft_r2c_1d(size, in.get(), out.get(), FFTW_ESTIMATE);
    }
    return plans[index];
}

}  // namespace

bool magnitudeSpectrum(const float* samples, int size, float* magnitudes) {
    fftwf_plan plan = planFor(size);
    if (!plan) return false;
    std::unique_ptr<float, FftwDeleter> in(fftwf_alloc_real(size));
    std::unique_ptr<fftwf_complex, FftwDeleter> out(fftwf_alloc_complex(size / 2 + 1));
    // Periodic Hann window: its sum is exactly size / 2.
    for (int i = 0; i < size; ++i) {
        const double w = 0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * i / size);
        in.get()[i] = static_cast<float>(samples[i] * w);
    }
    fftwf_execute_dft_r2c(plan, in.get(), out.get());
    const float scale = 2.0f / (static_cast<float>(size) / 2.0f);
    for (int k = 0; k < size / 2; ++k) {
        const float re = out.get()[k][0];
        const float im = out.get()[k][1];
        magnitudes[k] = std::sqrt(re * re + im * im) * scale;
    }
    return true;
}

}  // namespace luma
