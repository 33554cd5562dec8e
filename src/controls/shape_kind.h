#pragma once

#include <QPainterPath>
#include <QRectF>

namespace luma {

// Outline kinds the deck's shapes can take; unknown values draw as a rectangle.
enum class ShapeKind : int {
    Rectangle = 0,
    Square = 1,
    Oval = 2,
    Circle = 3,
    RoundedRectangle = 4,
    RoundedSquare = 5,
};

// Outline of a shape kind inside the given area. Square kinds use the shorter side
// and sit centred in the area.
QPainterPath shapePath(int kind, const QRectF& area);

}  // namespace luma
