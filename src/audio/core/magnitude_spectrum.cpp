#include "core/magnitude_spectrum.h"

#include <fftw3.h>

#include <array>
#include <cmath>
#include <memory>
#include <mutex>
#include <numbers>
#include <vector>

#include "bpm/fftw_planner.h"

namespace luma {

namespace {

struct FftwDeleter {
    void operator()(void* p) const { fftwf_free(p); }
};

struct Transform {
    fftwf_plan plan = nullptr;
    std::vector<float> window;  // periodic Hann: its sum is exactly size / 2
};

// One plan and window per size, made once: FFTW's planner is not
// thread-safe, its execute-with-new-arrays is.
const Transform* transformFor(int size) {
    static std::mutex mutex;
    static std::array<Transform, 4> transforms{};
    const int index = size == 512 ? 0 : size == 1024 ? 1 : size == 2048 ? 2 : size == 4096 ? 3 : -1;
    if (index < 0) return nullptr;
    std::lock_guard lock(mutex);
    Transform& transform = transforms[index];
    if (!transform.plan) {
        std::unique_ptr<float, FftwDeleter> in(fftwf_alloc_real(size));
        std::unique_ptr<fftwf_complex, FftwDeleter> out(fftwf_alloc_complex(size / 2 + 1));
        transform.window.resize(size);
        for (int i = 0; i < size; ++i) {
            transform.window[i] =
                static_cast<float>(0.5 - 0.5 * std::cos(2.0 * std::numbers::pi * i / size));
        }
        const std::lock_guard planning(fftwPlannerMutex());
        transform.plan = fftwf_plan_dft_r2c_1d(size, in.get(), out.get(), FFTW_ESTIMATE);
    }
    return &transform;
}

}  // namespace

bool magnitudeSpectrum(const float* samples, int size, float* magnitudes) {
    const Transform* transform = transformFor(size);
    if (!transform) return false;
    std::unique_ptr<float, FftwDeleter> in(fftwf_alloc_real(size));
    std::unique_ptr<fftwf_complex, FftwDeleter> out(fftwf_alloc_complex(size / 2 + 1));
    for (int i = 0; i < size; ++i) in.get()[i] = samples[i] * transform->window[i];
    fftwf_execute_dft_r2c(transform->plan, in.get(), out.get());
    const float scale = 2.0f / (static_cast<float>(size) / 2.0f);
    for (int k = 0; k < size / 2; ++k) {
        const float re = out.get()[k][0];
        const float im = out.get()[k][1];
        magnitudes[k] = std::sqrt(re * re + im * im) * scale;
    }
    return true;
}

}  // namespace luma
