#include "controls/shape_kind.h"

#include <gtest/gtest.h>

namespace luma {
namespace {

const QRectF kWide(0, 0, 20, 10);

TEST(ShapeKind, SquareKindsUseTheShortSideCentredOthersTheWholeArea) {
    for (int kind : {0, 1, 2, 3, 4, 5, 99}) {
        const bool square = kind == 1 || kind == 3 || kind == 5;
        EXPECT_EQ(shapePath(kind, kWide).boundingRect(), square ? QRectF(5, 0, 10, 10) : kWide)
            << kind;
    }
}

TEST(ShapeKind, RoundedAndOvalKindsLeaveTheCornersOut) {
    const QPointF wideCorner(0.3, 0.3);
    const QPointF squareCorner(5.3, 0.3);
    EXPECT_FALSE(shapePath(2, kWide).contains(wideCorner));
    EXPECT_FALSE(shapePath(4, kWide).contains(wideCorner));
    EXPECT_FALSE(shapePath(3, kWide).contains(squareCorner));
    EXPECT_FALSE(shapePath(5, kWide).contains(squareCorner));
    EXPECT_TRUE(shapePath(0, kWide).contains(wideCorner));
    EXPECT_TRUE(shapePath(1, kWide).contains(squareCorner));
}

}  // namespace
}  // namespace luma
