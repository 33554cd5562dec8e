// Peaking (bell) equaliser for one stereo signal.
#pragma once

namespace luma::dsp {

// A trapezoidal (TPT) state-variable filter with the bell response
//   H(s) = (s^2 + s A/Q + 1) / (s^2 + s / (A Q) + 1),  A = 10^(gainDb / 40),
// mapped by the bilinear transform warped at the centre, so the gain at the
// centre is exactly gainDb. Bandwidth is measured between the frequencies
// where the gain in dB is half the centre's (the prototype's definition,
// which does not change with the gain): for B octaves (semitones / 12),
// Q = 1 / (2 sinh(ln 2 / 2 * B)); 36 semitones gives Q = 0.406. Near Nyquist
// the bilinear map narrows the band a little.
//
// Defaults: 1000 Hz, 36 semitones, 0 dB (transparent), 44100 Hz. Centre is
// held within [10 Hz, 0.45 x rate], bandwidth within [0.5, 120] semitones and
// gain within +-30 dB. Call every method from the thread that calls
// process(), or while it does not run.
class PeakingEq {
  public:
    // centreHz, bandwidth in semitones (36 = three octaves), gain in dB.
    void setTarget(float centreHz, float bandwidthSemitones, float gainDb) noexcept;
    void setSampleRate(double rate) noexcept;  // jumps to the target, no glide
    void reset() noexcept;                     // clears the filter memory and jumps to the target
    // Filters in place. Parameter changes are glided over 10 ms (a new
    // target starts from wherever the glide had got to) so they never click.
    // Real-time safe.
    void process(float* left, float* right, int frames) noexcept;
    // Runs `count` filters one after the other over the same block. Steady
    // filters (not gliding) are run interleaved, sample by sample, so that
    // their recurrences overlap in the processor instead of queueing.
    static void processChain(PeakingEq* const* filters, int count, float* left, float* right,
                             int frames) noexcept;

  private:
    bool steady() const noexcept { return !retarget_ && glideLeft_ == 0; }
    void flushMemories() noexcept;
    // Glided in the units the ear hears evenly: octaves, semitones, dB.
    struct Params {
        double octaves = 0.0;  // log2 of the centre in Hz
        double semitones = 36.0;
        double gainDb = 0.0;
        bool operator==(const Params&) const = default;
    };
    struct Coefs {
        double g = 0.0;   // tan(pi centre / rate)
        double k = 0.0;   // damping, 1 / (Q A)
        double m1 = 0.0;  // how much band-pass is added: k (A^2 - 1)
    };
    struct State {
        double ic1 = 0.0, ic2 = 0.0;  // the two integrators' memories
    };

    Params limited(Params p) const noexcept;
    Coefs coefsFor(const Params& p) const noexcept;
    void jumpToTarget() noexcept;
    void advanceGlide() noexcept;  // moves current_ one sub-block towards target_
    void filterSpan(float* left, float* right, int frames, const Coefs& from,
                    const Coefs& to) noexcept;

    double rate_ = 44100.0;
    Params target_{9.965784284662087, 36.0, 0.0};  // 1000 Hz
    Params current_ = target_;
    Params glideStep_;
    int glideLeft_ = 0;  // sub-blocks until current_ reaches target_
    bool retarget_ = false;
    Coefs coefs_ = coefsFor(current_);
    State state_[2];
};

}  // namespace luma::dsp
