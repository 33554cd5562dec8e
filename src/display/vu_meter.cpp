#include "display/vu_meter.h"

#include <cmath>

#include "display/vu_box.h"

namespace luma {

namespace {

constexpr float kHiddenTop = 101.0f;  // a bar parked below the box
constexpr float kRestLine = 96.0f;    // nothing falls once its top is here or lower
constexpr float kMarkFall = 1.0f;
constexpr float kBarFall = 2.5f;
constexpr int kMarkTop = 100;  // top of a mark at 0 %
constexpr int kBarTop = 106;   // a bar sits 6 pixels below its mark

// A word of the reading (0..128) as percent of 127, to the nearest.
int32_t percent(int32_t word) {
    return static_cast<int32_t>(std::nearbyint(word * 100.0 / 127.0));
}

}  // namespace

VuMeter::VuMeter(const std::array<ShapeWidget*, 4>& shapes) : shapes_(shapes) {
    for (size_t i = 0; i < shapes_.size(); ++i) tops_[i] = static_cast<float>(shapes_[i]->y());
}

void VuMeter::setTop(Shape shape, float top) {
    tops_[shape] = top;
    ShapeWidget& widget = *shapes_[shape];
    const QRect before = widget.geometry();
    widget.move(widget.x(), static_cast<int>(std::lround(top)));
    VuBox::shapeMoved(widget, before);
}

bool VuMeter::level(int32_t reading, int32_t& vuLeft, int32_t& vuRight, int32_t& peakLeft,
                    int32_t& peakRight) {
    if (reading < 0) {
        setTop(kLeftBar, kHiddenTop);
        setTop(kRightBar, kHiddenTop);
        return false;
    }
    vuLeft = percent(reading & 0xFFFF);
    vuRight = percent((reading >> 16) & 0xFFFF);
    bool registered = false;
    // The columns are crossed: the left column shows the high word, the
    // right column the low word, and each bar rises with the other word's peak.
    if (vuLeft >= peakLeft) {
        peakLeft = vuLeft;
        setTop(kLeftBar, static_cast<float>(kBarTop - vuRight));
        setTop(kRightMark, static_cast<float>(kMarkTop - vuLeft));
        registered = true;
    }
    if (vuRight >= peakRight) {
        peakRight = vuRight;
        setTop(kLeftMark, static_cast<float>(kMarkTop - vuRight));
        setTop(kRightBar, static_cast<float>(kBarTop - vuLeft));
        registered = true;
    }
    return registered;
}

void VuMeter::decay() {
    const std::pair<Shape, float> falls[] = {{kLeftMark, kMarkFall},
                                             {kRightMark, kMarkFall},
                                             {kLeftBar, kBarFall},
                                             {kRightBar, kBarFall}};
    for (const auto& [shape, fall] : falls) {
        if (tops_[shape] < kRestLine) setTop(shape, tops_[shape] + fall);
    }
}

}  // namespace luma
