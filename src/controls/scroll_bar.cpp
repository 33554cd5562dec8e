#include "controls/scroll_bar.h"

#include <algorithm>
#include <cstdlib>

namespace luma {

// Inside, the bar always runs 0..|Max - Min| from its top or left end.
ScrollBar::ScrollBar(Qt::Orientation orientation, QWidget* parent)
    : QScrollBar(orientation, parent) {
    setRange(0, 100);
    connect(this, &QAbstractSlider::valueChanged, this, &ScrollBar::onInternalValue);
    connect(this, &QAbstractSlider::sliderPressed, this, [this] { dragged_ = false; });
    connect(this, &QAbstractSlider::sliderReleased, this, [this] {
        if (dragged_) emit change(value());
        dragged_ = false;
    });
}

void ScrollBar::setRange(int min, int max) {
    const int kept = value();
    min_ = min;
    max_ = max;
    const QSignalBlocker quiet(this);
    QScrollBar::setRange(0, std::abs(max - min));
    QScrollBar::setValue(toInternal(kept));
}

int ScrollBar::toInternal(int value) const {
    const int low = std::min(min_, max_);
    const int high = std::max(min_, max_);
    value = std::clamp(value, low, high);
    return max_ >= min_ ? value - min_ : min_ - value;
}

int ScrollBar::fromInternal(int internal) const {
    return max_ >= min_ ? min_ + internal : min_ - internal;
}

int ScrollBar::value() const {
    return fromInternal(QScrollBar::value());
}

void ScrollBar::setValue(int value) {
    QScrollBar::setValue(toInternal(value));
}

void ScrollBar::onInternalValue(int internal) {
    const int external = fromInternal(internal);
    if (isSliderDown()) {
        dragged_ = true;
        emit scroll(external);
    } else {
        emit change(external);
    }
}

}  // namespace luma
