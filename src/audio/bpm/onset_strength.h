// Onset strength in five bands (kick, low mid, snare, hats, air): how sharply
// the log-compressed spectrum rises, one value per band every ~12 ms. Separate
// bands let the tempo analysis tell a kick from a hat.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

namespace luma {

inline constexpr int kOnsetBands = 5;
inline constexpr int kAirBand = kOnsetBands - 1;

class OnsetStrength {
  public:
    // Input past `maxSeconds` is ignored, which caps the memory.
    OnsetStrength(double sampleRate, double maxSeconds);
    ~OnsetStrength();
    OnsetStrength(const OnsetStrength&) = delete;
    OnsetStrength& operator=(const OnsetStrength&) = delete;

    double frameRate() const { return frameRate_; }
    // `low` and `air` as the decimator makes them, `count` of each.
    void process(const float* low, const float* air, std::size_t count);
    std::size_t frames() const { return values_.size() / kOnsetBands; }
    // Frame-major: the kOnsetBands values of frame f start at index f * kOnsetBands.
    const std::vector<float>& values() const { return values_; }
    // Each band's mean log magnitude, laid out as values(): how it rises and falls
    // tells a struck note from a swelling one.
    const std::vector<float>& levels() const { return levels_; }

  private:
    struct Spectrum;
    void analyseFrame();
    float followLevel();  // the boost for quiet music, from the hop just read

    double frameRate_;
    float levelRise_, levelFall_;  // per-frame smoothing of the music's level
    std::size_t maxFrames_;
    int bandStart_[kAirBand + 1];  // first bin of each spectral band, then one past the last
    std::vector<float> pending_;   // samples not yet consumed by a full frame
    std::vector<float> pendingAir_;
    float previousAir_ = 0.0f;
    float meanPower_ = 0.0f, level_ = 0.0f;
    std::vector<float> window_;
    std::vector<float> previous_;  // last frame's log magnitudes
    std::unique_ptr<Spectrum> spectrum_;
    std::vector<float> values_;
    std::vector<float> levels_;
};

}  // namespace luma
