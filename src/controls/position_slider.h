// The position slider: its Max and Value are byte positions in the track,
// which in a long mix pass what an int holds (a 96 kHz stereo mix does so
// at 93 minutes). Up to there the knob steps a byte at a time, as any
// slider's; a longer track is stepped in the fewest bytes, a power of two,
// that keep the range within an int.
#pragma once

#include <cstdint>

#include "controls/slider.h"

namespace luma {

class PositionSlider : public Slider {
    Q_OBJECT

  public:
    explicit PositionSlider(QWidget* parent = nullptr);

    // In bytes. Max as it was set (below Min too); Value held within Min and
    // Max like the knob, to a whole step.
    int64_t max() const { return max_; }
    void setMax(int64_t max);
    int64_t value() const { return static_cast<int64_t>(QSlider::value()) << shift_; }
    void setValue(int64_t bytes);
    void setLargeChange(int64_t bytes);

  private:
    int steps(int64_t bytes) const;

    int64_t max_;
    int64_t largeChange_;
    int shift_ = 0;  // a step is 2^shift_ bytes
};

}  // namespace luma
