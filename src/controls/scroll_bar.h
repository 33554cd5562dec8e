// A scroll bar as the deck's handlers expect one: Min may exceed Max (the
// direction reverses), and it tells a completed change (a click, a key, the
// end of a drag, or a value set from code) apart from the scrolling while
// the knob is dragged.
#pragma once

#include <QScrollBar>

namespace luma {

class ScrollBar : public QScrollBar {
    Q_OBJECT

  public:
    explicit ScrollBar(Qt::Orientation orientation, QWidget* parent = nullptr);

    // Min sits at the top (vertical) or left (horizontal) end.
    void setRange(int min, int max);
    int min() const { return min_; }
    int max() const { return max_; }
    void setSmallChange(int step) { setSingleStep(step); }
    void setLargeChange(int step) { setPageStep(step); }
    int value() const;
    // Raises change() when the value differs, as a user's change would.
    void setValue(int value);

  signals:
    void change(int value);  // a change completed
    void scroll(int value);  // the knob is being dragged

  private:
    int toInternal(int value) const;
    int fromInternal(int internal) const;
    void onInternalValue(int internal);

    int min_ = 0;
    int max_ = 100;
    bool dragged_ = false;  // the value moved during the present drag
};

}  // namespace luma
