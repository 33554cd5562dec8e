#include "controls/shape_kind.h"

#include <algorithm>

namespace luma {

namespace {

bool isSquareKind(ShapeKind kind) {
    return kind == ShapeKind::Square || kind == ShapeKind::Circle ||
           kind == ShapeKind::RoundedSquare;
}

QRectF centredSquare(const QRectF& area) {
    const double side = std::min(area.width(), area.height());
    QRectF square(0, 0, side, side);
    square.moveCenter(area.center());
    return square;
}

}  // namespace

QPainterPath shapePath(int kind, const QRectF& area) {
    const auto shape = static_cast<ShapeKind>(kind);
    const QRectF box = isSquareKind(shape) ? centredSquare(area) : area;
    QPainterPath path;
    switch (shape) {
        case ShapeKind::Oval:
        case ShapeKind::Circle:
            path.addEllipse(box);
            break;
        case ShapeKind::RoundedRectangle:
        case ShapeKind::RoundedSquare: {
            const double radius = std::min(box.width(), box.height()) / 4.0;
            path.addRoundedRect(box, radius, radius);
            break;
        }
        default:
            path.addRect(box);
            break;
    }
    return path;
}

}  // namespace luma
