#pragma once

#include <QColor>

namespace luma {

// The deck's colours are 24-bit ints laid out 0x00BBGGRR: red sits in the low byte.
QColor colourFromBgr(int bgr);

}  // namespace luma
