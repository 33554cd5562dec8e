// Colours of plain widgets as the deck sets them: 24-bit 0x00BBGGRR values.
#pragma once

class QWidget;

namespace luma {

void setBackColour(QWidget* widget, int bgr);  // also fills the widget's background
void setForeColour(QWidget* widget, int bgr);

}  // namespace luma
