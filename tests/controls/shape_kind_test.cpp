// The outlines of the shapes the controls draw.
#include "controls/shape_kind.h"

#include <gtest/gtest.h>

namespace luma {
namespace {

// Square kinds centre on the short side; rounded and oval kinds leave the corners out.
TEST(ShapeKind, SquareKindsCentreOnTheShortSideAndRoundKindsCutTheCorners) {
    const QRectF wide(0, 0, 20, 10);
    for (int kind : {0, 1, 2, 3, 4, 5, 99}) {
        const bool square = kind == 1 || kind == 3 || kind == 5;
        const bool round = kind >= 2 && kind <= 5;
        const QPainterPath path = shapePath(kind, wide);
        EXPECT_EQ(path.boundingRect(), square ? QRectF(5, 0, 10, 10) : wide) << kind;
        EXPECT_EQ(path.contains(QPointF(square ? 5.3 : 0.3, 0.3)), !round) << kind;
    }
}

}  // namespace
}  // namespace luma
