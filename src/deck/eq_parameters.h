// The engine's parametric-equaliser record, as the deck reads and writes it
// whole: centre frequency, bandwidth, gain, in that order.
#pragma once

namespace luma {

struct EqParameters {
    float centreHz;
    float bandwidthSemitones;
    float gainDb;
};

}  // namespace luma
