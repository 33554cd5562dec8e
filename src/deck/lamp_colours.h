// The lamps of the deck's buttons (colours &H00BBGGRR): DotColor at rest,
// OverColor under the mouse.
#pragma once

#include "controls/lum_button.h"

namespace luma {

constexpr int kLampOff = 0x80, kLampOffOver = 0xFF;     // dark red, red
constexpr int kLampOn = 0xC0C0, kLampOnOver = 0xFFFF;   // dark yellow, yellow
constexpr int kLampPressed = 0xFF, kLampAtRest = 0x80;  // a held touch button

// A switch's lamp: DotColor first, then OverColor.
inline void setSwitchLamp(LumButton* button, bool on) {
    button->setDotColor(on ? kLampOn : kLampOff);
    button->setOverColor(on ? kLampOnOver : kLampOffOver);
}

}  // namespace luma
