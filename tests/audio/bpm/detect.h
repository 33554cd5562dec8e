// Runs the tempo detector over a test signal, as the deck will: channels mixed
// to mono, fed in blocks.
#pragma once

#include <algorithm>
#include <vector>

#include "bpm/tempo_detector.h"
#include "support/audio_files.h"

namespace luma::test {

inline std::vector<float> monoOf(const Signal& signal) {
    std::vector<float> mono(static_cast<size_t>(signal.frames()));
    for (size_t f = 0; f < mono.size(); ++f) {
        float sum = 0.0f;
        for (int ch = 0; ch < signal.channels; ++ch)
            sum += signal.samples[f * signal.channels + ch];
        mono[f] = sum / static_cast<float>(signal.channels);
    }
    return mono;
}

inline double detectTempo(const std::vector<float>& mono, double rate, double minBpm = 0,
                          double maxBpm = 0, size_t block = 4096) {
    TempoDetector detector(rate, minBpm, maxBpm);
    for (size_t done = 0; done < mono.size(); done += block) {
        detector.process(mono.data() + done, std::min(block, mono.size() - done));
    }
    return detector.tempo();
}

inline double detectTempo(const Signal& signal, double minBpm = 0, double maxBpm = 0) {
    return detectTempo(monoOf(signal), signal.rate, minBpm, maxBpm);
}

}  // namespace luma::test
