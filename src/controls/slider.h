// A slider whose scroll() comes from the user only: the timers that keep it
// on the play position set its value without it.
#pragma once

#include <QSlider>

namespace luma {

class Slider : public QSlider {
    Q_OBJECT

  public:
    // Min sits at the top (vertical) or left (horizontal) end.
    explicit Slider(Qt::Orientation orientation, QWidget* parent = nullptr);
    void setSmallChange(int step) { setSingleStep(step); }
    void setLargeChange(int step) { setPageStep(step); }
    // Max as it was set; a Max below Min is kept as set, and the knob
    // then rests at Min (a failed length query hands over -1).
    int max() const { return max_; }
    void setMax(int max);

  signals:
    void scroll(int value);

  protected:
    // The play-position timers set the value every millisecond: repaint only
    // when the knob moves by a pixel.
    void sliderChange(
        SliderChange change) override;  // the user moved the knob (drag, click, key, wheel)

  private:
    bool userAction_ = false;
    int max_ = 99;
    int knobPixel_ = -1;
};

}  // namespace luma
