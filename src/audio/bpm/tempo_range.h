// The range a tempo is reported in: a detected tempo outside it is halved or
// doubled into it, as a DJ would read a half-time or double-time beat.
#pragma once

namespace luma {

struct TempoRange {
    double lowest = 70.0;
    double highest = 180.0;

    // Zero, negative or inverted limits fall back to the defaults.
    static TempoRange orDefault(double lowest, double highest);
    // The octave of `bpm` inside the range, or the one nearest it when the range is
    // narrower than an octave. Zero stays zero.
    double fold(double bpm) const;
};

}  // namespace luma
