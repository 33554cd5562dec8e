#include "display/vu_box.h"

#include <QPaintEvent>
#include <QPainter>

namespace luma {

void VuBox::adopt(ShapeWidget& shape) {
    shape.setParent(this);
    shape.hide();
    update(shape.geometry());
}

void VuBox::shapeMoved(ShapeWidget& shape, const QRect& before) {
    if (!shape.isHidden() || !shape.parentWidget()) return;  // a shape of its own
    if (shape.geometry() != before) shape.parentWidget()->update(before.united(shape.geometry()));
}

void VuBox::paintEvent(QPaintEvent* event) {
    QPainter painter(this);  // clipped to the region being painted
    for (QObject* child : children()) {
        auto* shape = qobject_cast<ShapeWidget*>(child);
        if (shape && shape->isHidden() && event->region().intersects(shape->geometry())) {
            shape->paintShape(painter, shape->geometry());
        }
    }
}

}  // namespace luma
