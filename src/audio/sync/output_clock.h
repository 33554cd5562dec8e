// When output frames are heard, in host time: a delay-locked loop on the
// times the output's periods come in (the second-order loop JACK uses for
// its own cycle times). Written here rather than taken from Link's host time
// filter because an output that misses periods (a busy machine, a JACK client
// skipped for a cycle) shifts the frames' times by whole periods at once: the
// filter's regression over three seconds smears such a step over all three,
// while this loop notices it within three periods and starts anew from it.
// Audio thread only.
#pragma once

#include <cstdint>

namespace luma {

class OutputClock {
  public:
    void reset() noexcept { started_ = false; }
    // A period whose first frame is `frame` comes in at host time `nowMicros`; returns the
    // filtered host time of that frame.
    double update(int64_t frame, double nowMicros, double outputRate) noexcept;
    // Nominal frames per measured frame: 1 when the output keeps the host's time.
    double clockRatio(double outputRate) const noexcept;

  private:
    bool started_ = false;
    int64_t frame_ = 0;
    double micros_ = 0.0;          // the filtered host time of frame_
    double microsPerFrame_ = 0.0;  // the output clock's rate, as measured
    int stepped_ = 0;              // periods in a row that came in far off the line
    double steppedError_ = 0.0;    // and how far off, summed
};

}  // namespace luma
