// The two-column level meter: two bars and two peak marks, shapes in the
// meter box whose tops (pixels from the box's upper edge, fractional) the
// level reading lifts and the decay lets fall.
#pragma once

#include <array>
#include <cstdint>

#include "controls/shape_widget.h"

namespace luma {

class VuMeter {
  public:
    enum Shape { kLeftBar, kRightBar, kLeftMark, kRightMark };

    // The four shapes in the order above; their present places are the start tops.
    explicit VuMeter(const std::array<ShapeWidget*, 4>& shapes);

    // One level reading (-1 or any negative value: nothing to measure).
    // Updates the readings and registered peaks; true when a peak
    // registered, so that the peak reset should run.
    bool level(int32_t reading, int32_t& vuLeft, int32_t& vuRight, int32_t& peakLeft,
               int32_t& peakRight);
    // One decay tick: marks fall 1 pixel, bars 2.5, until they reach the rest line.
    void decay();

    float top(Shape shape) const { return tops_[shape]; }
    void setTop(Shape shape, float top);

  private:
    std::array<ShapeWidget*, 4> shapes_;
    std::array<float, 4> tops_{};
};

}  // namespace luma
