// The level meter's box. It draws its bars and marks itself: the shapes are
// hidden children that keep the place, size and colours the meter gives
// them, so that a bar's step costs one small repaint of the box instead of
// a child window's move, the window's region work and a paint of its own,
// some 60 times a second for each of the four.
#pragma once

#include <QWidget>

#include "controls/shape_widget.h"

namespace luma {

class VuBox : public QWidget {
  public:
    using QWidget::QWidget;

    // From now on `shape` is drawn by the box, in the order adopted.
    void adopt(ShapeWidget& shape);
    // Where a shape drawn by its box was and now is: repaint both.
    static void shapeMoved(ShapeWidget& shape, const QRect& before);

  protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace luma
