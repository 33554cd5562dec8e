// How strongly the harmony changes, about ten times a second: the pitch
// classes of the tonal peaks between 110 Hz and 1.8 kHz, compared just before
// and just after each moment. Chords change on bar lines, so where the changes
// recur tells which grid is the bar's.
#pragma once

#include <cstddef>
#include <memory>
#include <vector>

namespace luma {

// One chroma frame every this many onset frames (see OnsetStrength).
inline constexpr int kOnsetFramesPerChroma = 8;

class HarmonicChange {
  public:
    // Input past `maxSeconds` is ignored, which caps the memory.
    HarmonicChange(double sampleRate, double maxSeconds);
    ~HarmonicChange();
    HarmonicChange(const HarmonicChange&) = delete;
    HarmonicChange& operator=(const HarmonicChange&) = delete;

    // The decimator's band below ~5 kHz, as OnsetStrength takes it.
    void process(const float* low, std::size_t count);
    // 0 (the same chord) .. 1 (nothing in common), one value per chroma frame; the value
    // at index h belongs to onset frame h * kOnsetFramesPerChroma - kOnsetFrameLag.
    std::vector<float> change() const;
    static constexpr int kOnsetFrameLag = 3;

  private:
    struct Spectrum;
    void analyseFrame();

    std::size_t maxFrames_;
    int firstBin_ = 1, lastBin_ = 1;  // the bins counted: [first, last)
    std::vector<int> pitchClass_;     // per bin
    std::vector<float> window_;
    std::vector<float> pending_;
    std::vector<float> chroma_;  // 12 a frame
    std::unique_ptr<Spectrum> spectrum_;
};

}  // namespace luma
