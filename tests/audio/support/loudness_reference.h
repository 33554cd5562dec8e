// Loudness and true peak of 44.1 kHz stereo as libebur128 measures them: the reference.
#pragma once

#include <ebur128.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

namespace luma::test {

struct Loudness {
    double lufs = 0, truePeakDb = 0;
};

inline Loudness referenceLoudness(const std::vector<float>& interleaved) {
    std::unique_ptr<ebur128_state, void (*)(ebur128_state*)> meter(
        ebur128_init(2, 44100, EBUR128_MODE_I | EBUR128_MODE_TRUE_PEAK),
        [](ebur128_state* state) { ebur128_destroy(&state); });
    ebur128_add_frames_float(meter.get(), interleaved.data(), interleaved.size() / 2);
    Loudness result;
    ebur128_loudness_global(meter.get(), &result.lufs);
    double left = 0, right = 0;
    ebur128_true_peak(meter.get(), 0, &left);
    ebur128_true_peak(meter.get(), 1, &right);
    result.truePeakDb = 20 * std::log10(std::max(left, right));
    return result;
}

}  // namespace luma::test
