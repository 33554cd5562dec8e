// Polyphase windowed-sinc tables for the variable-rate resampler, one per
// cutoff class, built once and shared by every resampler.
#pragma once

#include <cstddef>
#include <vector>

namespace luma::dsp {

// One cutoff class. Row r holds the kernel at fractional position r / phases:
// `taps` coefficients, then `taps` differences to row r + 1, so that
// interpolating between rows is one multiply-add per tap on contiguous data.
struct SincTable {
    double maxStep = 1.0;  // steps up to this use the table
    int taps = 0;          // a multiple of 8
    int phases = 0;        // rows per source frame (the table has phases + 1)
    std::vector<float> rows;

    int half() const { return taps / 2; }
    const float* row(int r) const { return rows.data() + static_cast<size_t>(r) * 2 * taps; }
};

// The design (why these numbers is in sinc_tables.cpp):
//  - class 0 serves |step| <= 1: 96 taps, cutoff at the source Nyquist, so
//    at fraction 0 the kernel is an exact unit impulse and the filtered path
//    joins the bit-exact copy seamlessly;
//  - classes 1.. serve faster steps: the same kernel stretched by the class's
//    step, stopband from the output Nyquist, so nothing above it can alias.
class SincTableBank {
  public:
    static const SincTableBank& instance();  // built on first use, thread-safe

    int classCount() const { return static_cast<int>(tables_.size()); }
    const SincTable& table(int index) const { return tables_[static_cast<size_t>(index)]; }
    // The class that serves steps up to `absStep` (clamped to the last one).
    int classFor(double absStep) const;
    int maxTaps() const;

  private:
    SincTableBank();
    std::vector<SincTable> tables_;
};

}  // namespace luma::dsp
