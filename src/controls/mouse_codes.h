#pragma once

#include <Qt>

namespace luma {

// The deck's event codes. Button: 1 left, 2 right, 4 middle.
int mouseButtonCode(Qt::MouseButton button);
// Shift state: 1 Shift, 2 Ctrl, 4 Alt, added together.
int shiftStateCode(Qt::KeyboardModifiers modifiers);

}  // namespace luma
