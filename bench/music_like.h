// A stand-in for music in the engine benchmarks: a bass tone, a high one,
// noise, and a thump on every beat at 124 BPM (for a beat grid to sync by).
#pragma once

#include <cmath>
#include <random>

#include "support/audio_files.h"

namespace luma::bench {

inline test::Signal musicLike(double seconds, int rate = 44100) {
    test::Signal signal = test::makeSine(110, seconds, rate, 2, 0.3);
    std::mt19937 random(7);
    std::normal_distribution<float> noise(0.0f, 0.05f);
    for (size_t i = 0; i < signal.samples.size(); ++i) {
        const double t = static_cast<double>(i / 2) / rate;
        signal.samples[i] +=
            static_cast<float>(0.2 * std::sin(2 * M_PI * 1760 * t)) + noise(random);
        const double sinceBeat = std::fmod(t, 60.0 / 124.0);
        signal.samples[i] += static_cast<float>(0.5 * std::exp(-sinceBeat / 0.03) *
                                                std::sin(2 * M_PI * 60 * sinceBeat));
    }
    return signal;
}

}  // namespace luma::bench
