// Anti-aliased integer decimation to about 11 kHz: the tempo analysis needs
// no more bandwidth, and everything after this runs at a quarter of the cost.
// What the low-pass removes is kept too, at the same rate, as the "air" above
// the band: hats and cymbals live mostly there.
#pragma once

#include <cstddef>
#include <vector>

namespace luma {

class Decimator {
  public:
    explicit Decimator(double inputRate);
    double outputRate() const { return outputRate_; }
    // Appends the output for `count` more input samples to `low` (the band below
    // ~5 kHz) and `air` (the input minus that band, sampled at the same instants:
    // aliased, but its power is what counts). The same input gives the same output
    // whatever the block size. Samples that are not finite (or beyond +-64) count
    // as silence.
    void process(const float* input, std::size_t count, std::vector<float>& low,
                 std::vector<float>& air);

  private:
    void filterHistory(std::vector<float>& low, std::vector<float>& air);

    int factor_;
    double outputRate_;
    std::vector<float> taps_;     // symmetric, odd length, zero-padded to a multiple of 8
    std::size_t centre_;          // the tap the filter's delay falls on
    std::vector<float> history_;  // the last taps_.size() - 1 inputs, then the new ones
    std::size_t next_;            // index in history_ of the next output's oldest input
};

}  // namespace luma
