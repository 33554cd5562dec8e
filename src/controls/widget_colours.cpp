#include "controls/widget_colours.h"

#include <QPalette>
#include <QWidget>

#include "controls/bgr_colour.h"

namespace luma {

void setBackColour(QWidget* widget, int bgr) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::Window, colourFromBgr(bgr));
    palette.setColor(QPalette::Base, colourFromBgr(bgr));
    palette.setColor(QPalette::Button,
                     colourFromBgr(bgr));  // what buttons and check boxes fill with
    widget->setPalette(palette);
    widget->setAutoFillBackground(true);
}

void setForeColour(QWidget* widget, int bgr) {
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colourFromBgr(bgr));
    palette.setColor(QPalette::Text, colourFromBgr(bgr));
    widget->setPalette(palette);
}

}  // namespace luma
