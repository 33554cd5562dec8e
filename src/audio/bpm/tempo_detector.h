// Tempo of a track from its audio, for the deck's BPM display and sync.
#pragma once

#include <cstddef>
#include <memory>

namespace luma {

// Streaming tempo estimator: feed mono samples in order, then ask for the tempo.
class TempoDetector {
  public:
    // minBpm/maxBpm: the range the answer is folded into; 0 means the default (about 70..180).
    TempoDetector(double sampleRate, double minBpm = 0, double maxBpm = 0);
    ~TempoDetector();
    void process(const float* mono, std::size_t frames);  // any block size, called many times
    double tempo();  // beats per minute; 0 when the audio holds no beat (silence, a steady tone)

  private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace luma
