#include "controls/slider.h"

#include <QStyle>
#include <algorithm>

namespace luma {

Slider::Slider(Qt::Orientation orientation, QWidget* parent) : QSlider(orientation, parent) {
    // Qt puts a vertical slider's minimum at the bottom; ours is at the top.
    setInvertedAppearance(orientation == Qt::Vertical);
    setInvertedControls(orientation == Qt::Vertical);
    // A user action is announced with the knob already where it will land
    // and the value not yet moved: report that value when it arrives. An
    // action that goes nowhere (a key or the wheel at either end) moves
    // nothing, and must not mark the next value set by code as the user's.
    connect(this, &QAbstractSlider::actionTriggered, this,
            [this] { userAction_ = sliderPosition() != value(); });
    connect(this, &QAbstractSlider::valueChanged, this, [this](int value) {
        if (userAction_) emit scroll(value);
        userAction_ = false;
    });
    connect(this, &QAbstractSlider::sliderReleased, this, [this] { userAction_ = false; });
}

void Slider::sliderChange(SliderChange change) {
    if (change == SliderValueChange) {
        const int span = orientation() == Qt::Horizontal ? width() : height();
        const int pixel = QStyle::sliderPositionFromValue(minimum(), maximum(), sliderPosition(),
                                                          span, invertedAppearance());
        if (pixel == knobPixel_) return;
        knobPixel_ = pixel;
    } else {
        knobPixel_ = -1;  // range or orientation changed: draw afresh
    }
    QSlider::sliderChange(change);
}

void Slider::setMax(int max) {
    max_ = max;
    setMaximum(std::max(max, minimum()));
}

}  // namespace luma
