// Peaking (bell) equaliser for one stereo signal.
#pragma once

namespace luma::dsp {

class PeakingEq {
public:
    // centreHz, bandwidth in semitones (36 = three octaves), gain in dB.
    void setTarget(float centreHz, float bandwidthSemitones, float gainDb) noexcept;
    void setSampleRate(double rate) noexcept;
    void reset() noexcept;  // clears the filter memory
    // Filters in place. Parameter changes are glided over a few
    // milliseconds so they never click. Real-time safe.
    void process(float* left, float* right, int frames) noexcept;
};

}  // namespace luma::dsp
