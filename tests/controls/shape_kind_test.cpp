#include "controls/shape_kind.h"

#include <gtest/gtest.h>

#include "controls/bgr_colour.h"
#include "controls/mouse_codes.h"

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

TEST(BgrColour, RedSitsInTheLowByte) {
    EXPECT_EQ(colourFromBgr(0x0000FF), QColor(255, 0, 0));
    EXPECT_EQ(colourFromBgr(0x808000), QColor(0, 0x80, 0x80));
    EXPECT_EQ(colourFromBgr(0x7F112233), QColor(0x33, 0x22, 0x11));  // high byte ignored
}

TEST(MouseCodes, ShiftStateAddsUp) {
    EXPECT_EQ(shiftStateCode(Qt::ShiftModifier | Qt::AltModifier), 5);
    EXPECT_EQ(shiftStateCode(Qt::ControlModifier | Qt::KeypadModifier), 2);
    EXPECT_EQ(mouseButtonCode(Qt::MiddleButton), 4);
    EXPECT_EQ(mouseButtonCode(Qt::BackButton), 0);
}

}  // namespace
}  // namespace luma
