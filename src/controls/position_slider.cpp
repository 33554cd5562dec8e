#include "controls/position_slider.h"

#include <algorithm>
#include <limits>

namespace luma {

namespace {
constexpr int64_t kIntMax = std::numeric_limits<int>::max();
}  // namespace

PositionSlider::PositionSlider(QWidget* parent)
    : Slider(Qt::Horizontal, parent), max_(Slider::max()), largeChange_(pageStep()) {}

int PositionSlider::steps(int64_t bytes) const {
    return static_cast<int>(std::clamp(bytes >> shift_, -kIntMax - 1, kIntMax));
}

void PositionSlider::setMax(int64_t max) {
    int shift = 0;
    while ((max >> shift) > kIntMax) ++shift;
    const int64_t bytes = value();
    const bool rescaled = shift != shift_;
    max_ = max;
    shift_ = shift;
    Slider::setMax(steps(max));
    if (!rescaled) return;
    setPageStep(steps(largeChange_));
    setValue(bytes);
}

void PositionSlider::setValue(int64_t bytes) {
    QSlider::setValue(steps(bytes));
}

void PositionSlider::setLargeChange(int64_t bytes) {
    largeChange_ = bytes;
    setPageStep(steps(bytes));
}

}  // namespace luma
